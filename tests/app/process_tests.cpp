// The program as a real process: exit codes of the run modes, and which modes show a window.
#include <gtest/gtest.h>

#include "app/run_mode.h"
#include "app/window_rect.h"
#include "core/text.h"
#include "tests/app/child_process.h"
#include "tests/support/test_support.h"
#include "ui/dpi.h"
#include "ui/main_window.h"

namespace tavlun {
namespace {

using namespace testing_support;

constexpr DWORD kQuickExitMs = 30000;

std::string Describe(const std::vector<CreatedWindow>& windows) {
  std::string text;
  for (const CreatedWindow& window : windows) {
    text += " [" + Utf8(window.class_name.empty() ? std::wstring(L"?") : window.class_name) + "]";
  }
  return text;
}

struct ProbeRun {
  bool exited = false;
  DWORD exit_code = 0;
  std::vector<CreatedWindow> windows;
};

ProbeRun RunWatched(const std::wstring& arguments, bool inherit_handles = false) {
  ProbeRun run;
  ChildProcess child;
  if (!child.Start(ProgramPath(), arguments, inherit_handles)) return run;
  WindowWatch watch(child.id());
  EXPECT_TRUE(watch.active());
  child.Resume();
  run.exited = child.WaitForExit(kQuickExitMs, &run.exit_code);
  run.windows = watch.UserWindows();
  return run;
}

TEST(ProgramProcess, ProbeRejectsMalformedArgumentsWithoutAWindow) {
  const wchar_t* command_lines[] = {
      L"--pcsc-probe",                                   // too few arguments
      L"--pcsc-probe --pcsc-pipe=5 extra",               // too many
      L"--pcsc-probe --PCSC-PIPE=5",                     // upper-case pipe prefix
      L"--PCSC-PROBE --pcsc-pipe=5",                     // selects the probe, but is not the exact switch
      L"--pcsc-probe --pcsc-pipe=0",                     // zero
      L"--pcsc-probe --pcsc-pipe=4294967296",            // one above 32 bits
      L"--pcsc-probe --pcsc-pipe=12a",                   // trailing letter
      L"--pcsc-probe --pcsc-pipe=",                      // no number
      L"--pcsc-probe --pcsc-pipe=-8",                    // negative
      L"--pcsc-probe --pcsc-pipe=16777212",              // a number that is no handle at all in the child
      L"--self-test --pcsc-probe-later",                 // probe detection wins over the self-test switch
  };
  for (const wchar_t* arguments : command_lines) {
    SCOPED_TRACE(Utf8(arguments));
    const ProbeRun run = RunWatched(arguments);
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exit_code, static_cast<DWORD>(kExitProbeRejected));
    EXPECT_TRUE(run.windows.empty()) << Describe(run.windows);
  }
}

TEST(ProgramProcess, ProbeRejectsAHandleThatIsNotAPipe) {
  ScratchDir scratch;
  SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
  UniqueHandle file(::CreateFileW(scratch.Child(L"not-a-pipe.bin").c_str(), GENERIC_WRITE, 0, &inheritable,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  const auto value = static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(file.get()));
  const ProbeRun run = RunWatched(L"--pcsc-probe --pcsc-pipe=" + DecimalText(value), true);
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exit_code, static_cast<DWORD>(kExitProbeRejected));
  EXPECT_TRUE(run.windows.empty()) << Describe(run.windows);
  // Nothing was written through the file handle either.
  file.reset();
  EXPECT_TRUE(ReadBytes(scratch.Child(L"not-a-pipe.bin")).empty());
}

TEST(ProgramProcess, ProbeAcceptsAnInheritedPipe) {
  SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
  UniqueHandle read_end;
  UniqueHandle write_end;
  ASSERT_TRUE(::CreatePipe(read_end.put(), write_end.put(), &inheritable, 0));
  ::SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);
  const auto value = static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(write_end.get()));

  ChildProcess child;
  ASSERT_TRUE(child.Start(ProgramPath(), L"--pcsc-probe --pcsc-pipe=" + DecimalText(value), true));
  write_end.reset();
  WindowWatch watch(child.id());
  child.Resume();
  DWORD exit_code = 0;
  ASSERT_TRUE(child.WaitForExit(kQuickExitMs, &exit_code));
  std::vector<std::uint8_t> record;
  std::uint8_t buffer[256];
  DWORD read = 0;
  while (::ReadFile(read_end.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    record.insert(record.end(), buffer, buffer + read);
  }
  // The pipe is accepted: either the whole record arrived, or writing it was reported as failed.
  EXPECT_NE(exit_code, static_cast<DWORD>(kExitProbeRejected));
  if (exit_code == static_cast<DWORD>(kExitProbeWritten)) {
    EXPECT_EQ(record.size(), 68u);
  } else {
    EXPECT_EQ(exit_code, static_cast<DWORD>(kExitProbeWriteFailed));
  }
  EXPECT_TRUE(watch.UserWindows().empty()) << Describe(watch.UserWindows());
}

TEST(ProgramProcess, ElevatedRunWithoutAdministratorRightsExits31WithoutAWindow) {
  ChildProcess runner;
  ASSERT_TRUE(runner.Start(ToolPath(L"run_restricted.exe"), QuoteArgument(ProgramPath()) + L" --install-elevated"));
  // run_restricted starts the program as its own child: the job names both, the watch sees every process.
  ProcessJob job;
  ASSERT_TRUE(job.Add(runner.handle()));
  WindowWatch watch(0);
  ASSERT_TRUE(watch.active());
  runner.Resume();
  DWORD exit_code = 0;
  ASSERT_TRUE(runner.WaitForExit(kQuickExitMs, &exit_code));
  const std::vector<DWORD>& processes = job.ProcessIds();
  EXPECT_GE(processes.size(), 2u) << "the job should have seen run_restricted and the program";
  EXPECT_EQ(exit_code, static_cast<DWORD>(kExitElevatedFailedUnlogged));
  const std::vector<CreatedWindow> windows = watch.UserWindows(processes);
  EXPECT_TRUE(windows.empty()) << Describe(windows);
}

TEST(ProgramProcess, WindowModeOpensTheMainWindowAtItsInitialRectangleAndClosesWithExitCode0) {
  // The test program carries the same manifest, so it sees the same DPI as the program.
  g_dpi = ReadScreenDpi();
  const RECT expected = ComputeInitialWindowRect();

  // A file dropped on the icon arrives as an argument that is no switch: the window opens all the same (the
  // window tests start it without arguments).
  ChildProcess child;
  ASSERT_TRUE(child.Start(ProgramPath(), L"\"C:\\Belgeler\\imza başvurusu.jnlp\""));
  WindowWatch watch(child.id());
  child.Resume();
  HWND window = nullptr;
  for (int i = 0; i < 300 && window == nullptr; ++i) {
    PumpMessagesFor(50);
    window = FindProcessWindow(child.id(), kMainWindowClass);
  }
  ASSERT_NE(window, nullptr) << "no KorvanMainWindow appeared";
  // Let the window finish showing before reading its state.
  for (int i = 0; i < 100 && !::IsWindowVisible(window); ++i) PumpMessagesFor(50);

  wchar_t title[64] = {};
  ::GetWindowTextW(window, title, 64);
  EXPECT_STREQ(title, L"Tavlun Yardımcısı");
  EXPECT_EQ(::GetAncestor(window, GA_PARENT), ::GetDesktopWindow());
  EXPECT_TRUE(::IsWindowVisible(window));
  EXPECT_EQ(static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE)) & WS_OVERLAPPEDWINDOW,
            static_cast<DWORD>(WS_OVERLAPPEDWINDOW));
  RECT actual{};
  ASSERT_TRUE(::GetWindowRect(window, &actual));
  EXPECT_EQ(actual.left, expected.left);
  EXPECT_EQ(actual.top, expected.top);
  EXPECT_EQ(actual.right, expected.right);
  EXPECT_EQ(actual.bottom, expected.bottom);

  ::PostMessageW(window, WM_CLOSE, 0, 0);
  DWORD exit_code = 999;
  ASSERT_TRUE(child.WaitForExit(kQuickExitMs, &exit_code));
  EXPECT_EQ(exit_code, 0u);
  EXPECT_FALSE(::IsWindow(window));
}

}  // namespace
}  // namespace tavlun

#include "app/entry.h"

#include <shellapi.h>

#include "app/check_report.h"
#include "app/run_mode.h"
#include "app/single_instance_win.h"
#include "app/window_rect.h"
#include "check/pcsc_probe.h"
#include "check/pcsc_probe_win.h"
#include "core/system_dlls.h"
#include "core/unique_handle.h"
#include "install/elevated_run.h"
#include "install/event_log_win.h"
#include "selftest/self_test.h"
#include "ui/dpi.h"
#include "ui/main_window.h"
#include "ui/window_icons.h"

namespace tavlun {

bool SplitProcessCommandLine(std::vector<std::wstring>* args) {
  args->clear();
  int count = 0;
  UniqueLocal<LPWSTR*> argv(::CommandLineToArgvW(::GetCommandLineW(), &count));
  if (!argv) return false;
  for (int i = 0; i < count; ++i) args->emplace_back(argv.get()[i]);
  return true;
}

int RunEntry(HINSTANCE instance, int show_command) {
  // Before anything can load a DLL: the elevated copy may run from a folder that anyone can write to.
  sysdll::HardenDllSearch();
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

  std::vector<std::wstring> args;
  const bool split_ok = SplitProcessCommandLine(&args);
  switch (SelectRunMode(split_ok, args)) {
    case RunMode::ProbeMode:
      return RunProbeMode();
    case RunMode::UsageErrorMode:
      // A program without a console has nowhere to print help; the README lists the switches and codes.
      return kExitUsageError;
    case RunMode::SelfTestMode:
      return RunSelfTestMode();
    case RunMode::ElevatedInstallMode:
      return RunElevatedInstallMode();
    case RunMode::CheckReportMode:
      return RunCheckReportMode(CheckReportArgument(args));
    case RunMode::WindowMode:
      break;
  }
  return RunWindowMode(instance, show_command);
}

int RunProbeMode() {
  std::vector<std::wstring> args;
  std::uint32_t pipe_value = 0;
  if (!SplitProcessCommandLine(&args) || !ParseProbeArguments(args, &pipe_value)) return kExitProbeRejected;
  HANDLE pipe = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(pipe_value));
  // A rejected handle is not ours to close.
  if (::GetFileType(pipe) != FILE_TYPE_PIPE) return kExitProbeRejected;
  UniqueHandle owned_pipe(pipe);
  const PcscRecordBytes record = EncodePcscProbeRecord(ProbePcscInChild());
  // One write, no retry: the parent accepts exactly 68 bytes or nothing.
  DWORD written = 0;
  const BOOL wrote = ::WriteFile(pipe, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  owned_pipe.reset();
  return wrote && written == record.size() ? kExitProbeWritten : kExitProbeWriteFailed;
}

int RunSelfTestMode() { return SelfTestRun(); }

int ElevatedInstallExitCode(const InstallOutcome& result) {
  if (result.outcome == kOutcomeInstalled || result.outcome == kOutcomeAlreadyInstalled) return kExitElevatedSucceeded;
  return result.log_written ? kExitElevatedFailedLogged : kExitElevatedFailedUnlogged;
}

int RunElevatedInstallMode() {
  // No window and no message box: the parent window reads the exit code and the logs; a script also gets one
  // line on its redirected standard output, and the Application event log keeps why the run ended.
  const InstallOutcome result = RunElevatedInstall();
  const int exit_code = ElevatedInstallExitCode(result);
  DeliverElevatedReport(ComposeElevatedReport(exit_code, result.cause, result.message), SystemReportChannels());
  return exit_code;
}

int RunWindowMode(HINSTANCE instance, int show_command) {
  UniqueHandle single_window;
  if (!ClaimSingleWindow(&single_window)) return kExitFirstWindowShown;
  // Task dialogs and the shell expect a single-threaded apartment on the window thread; it is left after the
  // message loop, when this owner ends.
  const ComApartment apartment;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  const auto& comctl = sysdll::Comctl32();
  if (comctl.InitCommonControlsEx != nullptr) comctl.InitCommonControlsEx(&controls);

  g_dpi = ReadScreenDpi();
  const WindowIcons icons = LoadWindowIcons(nullptr);

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = MainWindowProc;
  window_class.hInstance = instance;
  window_class.hIcon = icons.large;
  window_class.hIconSm = icons.small;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  window_class.lpszClassName = kMainWindowClass;
  if (!::RegisterClassExW(&window_class)) {
    DestroyLoadedIcons();
    return kExitRegisterClassFailed;
  }

  const RECT rect = ComputeInitialWindowRect();
  HWND window = ::CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) {
    ::UnregisterClassW(kMainWindowClass, instance);
    DestroyLoadedIcons();
    return kExitCreateWindowFailed;
  }
  ::ShowWindow(window, show_command);
  ::UpdateWindow(window);

  MSG message{};
  BOOL got;
  while ((got = ::GetMessageW(&message, nullptr, 0, 0)) > 0) {
    if (::IsDialogMessageW(window, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  ::UnregisterClassW(kMainWindowClass, instance);
  DestroyLoadedIcons();
  return static_cast<int>(message.wParam);
}

}  // namespace tavlun

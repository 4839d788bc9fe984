// window_bench: what the main window costs, each figure beside a reference measured in the same run.
//  - first_paint: process start of TavlunYardimcisi.exe until the screen shows its painted header band, beside
//    the same for a minimal Win32 window that this benchmark opens in a copy of itself (--minimal-window);
//  - paint: one full paint of the main window's client area (created in this process), at 96 and at 144 DPI;
//  - memory: the program's private bytes (and working set) after its first and after its twentieth check.
// One line per case (key=value), then the ratios. Needs a display.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "core/text.h"
#include "core/unique_handle.h"
#include "ui/dpi.h"
#include "ui/main_window.h"
#include "ui/main_window_state.h"
#include "ui/palette.h"
#include "ui/window_icons.h"

namespace {

constexpr COLORREF kBandColour = tavlun::palette::kHeaderBand;
constexpr wchar_t kMinimalClass[] = L"TavlunBenchMinimal";
constexpr int kStartRuns = 5;
constexpr int kPaintRuns = 60;
constexpr int kChecks = 20;

using tavlun::bench::NowMs;

double Median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples.empty() ? 0 : samples[samples.size() / 2];
}

std::wstring ThisProgram() {
  std::wstring path(32768, L'\0');
  path.resize(::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size())));
  return path;
}

std::wstring ProgramPath() {
  const std::wstring self = ThisProgram();
  const std::wstring bench_dir = self.substr(0, self.find_last_of(L'\\'));
  return tavlun::JoinPath(bench_dir.substr(0, bench_dir.find_last_of(L'\\')), L"TavlunYardimcisi.exe");
}

void Pump() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

// --- The reference: the smallest window that paints the same colour -------------------------------------------

LRESULT CALLBACK MinimalProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    tavlun::PaintContext paint(window);
    tavlun::UniqueHbrush brush(::CreateSolidBrush(kBandColour));
    RECT client{};
    ::GetClientRect(window, &client);
    ::FillRect(paint.get(), &client, brush.get());
    return 0;
  }
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

int RunMinimalWindow() {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = MinimalProc;
  window_class.hInstance = ::GetModuleHandleW(nullptr);
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kMinimalClass;
  if (!::RegisterClassExW(&window_class)) return 1;
  HWND window = ::CreateWindowExW(0, kMinimalClass, L"minimal", WS_OVERLAPPEDWINDOW, 100, 100, 400, 300, nullptr,
                                  nullptr, window_class.hInstance, nullptr);
  if (window == nullptr) return 2;
  ::ShowWindow(window, SW_SHOWNORMAL);
  ::UpdateWindow(window);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}

// --- Process start to the first painted band -------------------------------------------------------------------

struct FoundWindow {
  DWORD process;
  const wchar_t* window_class;
  HWND window;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
  auto* f = reinterpret_cast<FoundWindow*>(data);
  DWORD owner = 0;
  wchar_t name[64] = {};
  ::GetWindowThreadProcessId(window, &owner);
  ::GetClassNameW(window, name, 64);
  if (owner != f->process || std::wstring(name) != f->window_class) return TRUE;
  f->window = window;
  return FALSE;
}

HWND FindWindowOf(DWORD process, const wchar_t* window_class) {
  FoundWindow found{process, window_class, nullptr};
  ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&found));
  return found.window;
}

struct Started {
  tavlun::UniqueHandle process;
  DWORD id = 0;
  HWND window = nullptr;
};

// Starts the program and returns once the screen shows the band colour at the client's top-left corner.
bool StartAndWaitForPaint(const std::wstring& program, const std::wstring& arguments, const wchar_t* window_class,
                          double* elapsed_ms, Started* started) {
  std::wstring command = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  const double start = NowMs();
  if (!::CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
    return false;
  }
  started->process.reset(info.hProcess);
  tavlun::UniqueHandle thread(info.hThread);
  started->id = info.dwProcessId;
  tavlun::WindowDc screen(nullptr);
  while (NowMs() - start < 60000) {
    if (started->window == nullptr) started->window = FindWindowOf(started->id, window_class);
    if (started->window != nullptr && ::IsWindowVisible(started->window)) {
      POINT corner{6, 6};
      ::ClientToScreen(started->window, &corner);
      if (::GetPixel(screen.get(), corner.x, corner.y) == kBandColour) {
        *elapsed_ms = NowMs() - start;
        return true;
      }
    }
    ::Sleep(1);
  }
  return false;
}

void Close(Started& started) {
  if (started.window != nullptr) ::PostMessageW(started.window, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(started.process.get(), 20000) != WAIT_OBJECT_0) {
    ::TerminateProcess(started.process.get(), 1);
  }
}

// --- One full paint in this process -----------------------------------------------------------------------------

double PaintMs(HWND window) {
  // Warm up: fonts and glyphs cached as they are in use.
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  const double start = NowMs();
  for (int i = 0; i < kPaintRuns; ++i) ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  ::GdiFlush();
  return (NowMs() - start) / kPaintRuns;
}

// --- Memory after checks ----------------------------------------------------------------------------------------

struct Memory {
  SIZE_T private_bytes = 0;
  SIZE_T working_set = 0;
};

Memory MemoryOf(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof(counters);
  Memory memory;
  if (::K32GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters))) {
    memory.private_bytes = counters.PrivateUsage;
    memory.working_set = counters.WorkingSetSize;
  }
  return memory;
}

std::wstring TextOf(HWND window) {
  wchar_t buffer[256] = {};
  ::SendMessageW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

// Presses "Sistem kontrolü" and waits until the copy button shows that the check ended.
bool RunOneCheck(HWND main) {
  std::vector<HWND> controls;
  for (HWND c = ::GetWindow(main, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) controls.push_back(c);
  if (controls.size() != 19) return false;
  HWND check = controls[17];  // z-order = reading order: ..., results title (11), copy (13), ..., check (17)
  HWND copy = controls[13];
  ::SendMessageW(check, BM_CLICK, 0, 0);
  for (int i = 0; i < 6000; ++i) {
    if (::IsWindowVisible(copy) && TextOf(controls[11]) == L"Sistem kontrolü tamamlandı") return true;
    ::Sleep(10);
  }
  return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 1 && std::wstring(argv[1]) == L"--minimal-window") return RunMinimalWindow();

  const std::wstring program = ProgramPath();
  std::vector<double> program_ms, minimal_ms;
  for (int i = 0; i < kStartRuns; ++i) {
    for (const bool minimal : {false, true}) {
      Started started;
      double ms = 0;
      const bool ok = minimal ? StartAndWaitForPaint(ThisProgram(), L"--minimal-window", kMinimalClass, &ms, &started)
                              : StartAndWaitForPaint(program, L"", tavlun::kMainWindowClass, &ms, &started);
      if (!ok) {
        std::fprintf(stderr, "no painted window appeared (%s)\n", minimal ? "minimal" : "program");
        return 1;
      }
      (minimal ? minimal_ms : program_ms).push_back(ms);
      Close(started);
    }
  }
  const double program_start = Median(program_ms);
  const double minimal_start = Median(minimal_ms);
  std::printf("case=first_paint runs=%d program_median_ms=%.1f minimal_window_median_ms=%.1f ratio=%.2f\n",
              kStartRuns, program_start, minimal_start, program_start / minimal_start);
  std::fflush(stdout);

  // The main window in this process, at 96 and then at 144 DPI.
  tavlun::g_dpi = 96;
  tavlun::LoadWindowIcons(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = tavlun::MainWindowProc;
  window_class.hInstance = ::GetModuleHandleW(nullptr);
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = tavlun::kMainWindowClass;
  ::RegisterClassExW(&window_class);
  RECT frame{0, 0, 760, 620};
  ::AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  HWND window = ::CreateWindowExW(0, tavlun::kMainWindowClass, tavlun::kMainWindowTitle, WS_OVERLAPPEDWINDOW, 0, 0,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  window_class.hInstance, nullptr);
  if (window == nullptr) return 1;
  ::ShowWindow(window, SW_SHOWNORMAL);
  Pump();
  const double paint96 = PaintMs(window);
  RECT large{0, 0, (frame.right - frame.left) * 3 / 2, (frame.bottom - frame.top) * 3 / 2};
  ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&large));
  Pump();
  const double paint144 = PaintMs(window);
  std::printf("case=paint runs=%d dpi96_ms=%.3f dpi144_ms=%.3f ratio_144_to_96=%.2f pixels_ratio=2.25\n", kPaintRuns,
              paint96, paint144, paint144 / paint96);
  std::fflush(stdout);
  ::DestroyWindow(window);
  Pump();

  // Memory of the real program over twenty checks.
  Started started;
  double ignored = 0;
  if (!StartAndWaitForPaint(program, L"", tavlun::kMainWindowClass, &ignored, &started)) return 1;
  Memory first, last;
  for (int i = 0; i < kChecks; ++i) {
    if (!RunOneCheck(started.window)) {
      std::fprintf(stderr, "check %d did not end\n", i + 1);
      Close(started);
      return 1;
    }
    if (i == 0) first = MemoryOf(started.process.get());
  }
  last = MemoryOf(started.process.get());
  std::printf(
      "case=memory checks=%d private_bytes_after_1=%lu private_bytes_after_20=%lu working_set_after_1=%lu "
      "working_set_after_20=%lu ratio_working_set=%.2f\n",
      kChecks, static_cast<unsigned long>(first.private_bytes), static_cast<unsigned long>(last.private_bytes),
      static_cast<unsigned long>(first.working_set), static_cast<unsigned long>(last.working_set),
      first.working_set != 0 ? static_cast<double>(last.working_set) / static_cast<double>(first.working_set) : 0.0);
  Close(started);
  return 0;
}

#include "app/window_rect.h"

#include <algorithm>

#include "ui/dpi.h"

namespace tavlun {

RECT PlaceInitialWindow(const InitialRectInput& input) {
  const int margin = ::MulDiv(16, input.dpi, 96);
  const RECT& work = input.work_area;
  const int work_width = work.right - work.left;
  const int work_height = work.bottom - work.top;

  const int available_width = work_width - 2 * margin;
  int width = available_width > 320 ? available_width : 320;
  width = std::min(width, input.window_width);
  const int x = work.left + std::max(0, (work_width - width) / 2);

  const int available_height = work_height - 2 * margin;
  int height = available_height > 300 ? available_height : 300;
  height = std::min(height, input.window_height);
  const int y = work.top + std::max(0, (work_height - height) / 2);

  return RECT{x, y, x + width, y + height};
}

RECT ComputeInitialWindowRect() {
  const int dpi = g_dpi;
  RECT frame{0, 0, ::MulDiv(760, dpi, 96), ::MulDiv(620, dpi, 96)};
  using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  auto adjust_for_dpi = reinterpret_cast<AdjustForDpiFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
  if (adjust_for_dpi != nullptr) {
    adjust_for_dpi(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0, static_cast<UINT>(dpi));
  } else {
    ::AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  }

  InitialRectInput input{};
  input.window_width = frame.right - frame.left;
  input.window_height = frame.bottom - frame.top;
  input.dpi = dpi;
  if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &input.work_area, 0)) {
    input.work_area = RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  }
  return PlaceInitialWindow(input);
}

}  // namespace tavlun

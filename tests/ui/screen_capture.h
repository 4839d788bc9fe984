// The pixels of a window as the screen shows them, saved as a BMP under build/screenshots.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tavlun::testing_support {

struct Capture {
  int width = 0;
  int height = 0;
  POINT clientOrigin{};  // the client area's top-left inside the capture
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first

  // The colour at a client coordinate as a COLORREF, or 0xFFFFFFFF outside the capture.
  COLORREF At(int client_x, int client_y) const;
};

// Copies the window's whole rectangle from the screen and, when `name` is not empty, saves it as
// build/screenshots/<name>.bmp.
Capture CaptureWindow(HWND window, const std::wstring& name);

// Waits (dispatching messages) until the window has painted what it shows now.
void LetWindowSettle(HWND window);

}  // namespace tavlun::testing_support

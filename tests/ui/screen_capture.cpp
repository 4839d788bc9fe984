#include "tests/ui/screen_capture.h"

#include "core/text.h"
#include "core/unique_handle.h"
#include "tests/app/child_process.h"
#include "tests/support/test_support.h"

namespace tavlun::testing_support {

COLORREF Capture::At(int client_x, int client_y) const {
  const int x = clientOrigin.x + client_x;
  const int y = clientOrigin.y + client_y;
  if (x < 0 || y < 0 || x >= width || y >= height) return 0xFFFFFFFF;
  const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFFu;
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

Capture CaptureWindow(HWND window, const std::wstring& name) {
  Capture capture;
  RECT rect{};
  POINT origin{0, 0};
  if (!::GetWindowRect(window, &rect) || !::ClientToScreen(window, &origin)) return capture;
  capture.width = rect.right - rect.left;
  capture.height = rect.bottom - rect.top;
  capture.clientOrigin = POINT{origin.x - rect.left, origin.y - rect.top};
  if (capture.width <= 0 || capture.height <= 0) return capture;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = capture.width;
  info.bmiHeader.biHeight = -capture.height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  WindowDc screen(nullptr);
  UniqueMemoryDc memory(::CreateCompatibleDC(screen.get()));
  void* bits = nullptr;
  UniqueHbitmap bitmap(::CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!memory || !bitmap || bits == nullptr) return capture;
  {
    SelectedObject selected(memory.get(), bitmap.get());
    ::BitBlt(memory.get(), 0, 0, capture.width, capture.height, screen.get(), rect.left, rect.top, SRCCOPY);
  }
  ::GdiFlush();
  const auto* first = static_cast<const std::uint32_t*>(bits);
  capture.pixels.assign(first, first + static_cast<std::size_t>(capture.width) * capture.height);
  // The screen has no alpha; an opaque file shows as the screen did.
  for (std::uint32_t& pixel : capture.pixels) pixel |= 0xFF000000u;

  if (!name.empty()) {
    const std::wstring folder = JoinPath(JoinPath(TestBinDir(), L".."), L"screenshots");
    ::CreateDirectoryW(folder.c_str(), nullptr);
    BITMAPFILEHEADER file{};
    const DWORD bytes = static_cast<DWORD>(capture.pixels.size() * 4);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
    file.bfSize = file.bfOffBits + bytes;
    std::vector<std::uint8_t> out(reinterpret_cast<const std::uint8_t*>(&file),
                                  reinterpret_cast<const std::uint8_t*>(&file) + sizeof(file));
    out.insert(out.end(), reinterpret_cast<const std::uint8_t*>(&info.bmiHeader),
               reinterpret_cast<const std::uint8_t*>(&info.bmiHeader) + sizeof(info.bmiHeader));
    out.insert(out.end(), reinterpret_cast<const std::uint8_t*>(capture.pixels.data()),
               reinterpret_cast<const std::uint8_t*>(capture.pixels.data()) + bytes);
    WriteBytes(JoinPath(folder, name + L".bmp"), out);
  }
  return capture;
}

void LetWindowSettle(HWND window) {
  DWORD_PTR ignored = 0;
  // A message answered means every message before it, the paints included, was handled.
  ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored);
  PumpMessagesFor(300);
  ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored);
}

}  // namespace tavlun::testing_support

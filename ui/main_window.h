// The main window.
#pragma once

#include <windows.h>

namespace tavlun {

inline constexpr wchar_t kMainWindowClass[] = L"KorvanMainWindow";
inline constexpr wchar_t kMainWindowTitle[] = L"Tavlun Yardımcısı";

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace tavlun

// The application icons at the current DPI.
#pragma once

#include <windows.h>

#include <cstddef>

namespace tavlun {

struct WindowIcons {
  HICON large = nullptr;   // group 103 at 48 logical pixels (IDI_APPLICATION when it fails)
  HICON small = nullptr;   // group 103 at 16 logical pixels (the large one when it fails)
  HICON header = nullptr;  // group 104 at 48 logical pixels (the large one when it fails)
};

// Loads the three icons at g_dpi and appends each loaded one to the process-wide icon list. With a window,
// sets its big and small icons.
WindowIcons LoadWindowIcons(HWND window);

// The icons most recently loaded.
const WindowIcons& CurrentWindowIcons();

// How many icons the process-wide list holds: the class's set and the window's current set, however often the
// DPI changed.
std::size_t LoadedIconCount();

// Destroys every icon in the process-wide list (at exit).
void DestroyLoadedIcons();

}  // namespace tavlun

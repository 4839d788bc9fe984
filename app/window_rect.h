// The initial window rectangle: the designed client size, limited to and centred in the work area.
#pragma once

#include <windows.h>

namespace tavlun {

struct InitialRectInput {
  int window_width;   // designed client size converted to a window size at the current DPI
  int window_height;
  RECT work_area;
  int dpi;
};

// Pure arithmetic, exposed for tests.
RECT PlaceInitialWindow(const InitialRectInput& input);

// Reads the adjusted window size and the work area from the system and places the window.
RECT ComputeInitialWindowRect();

}  // namespace tavlun

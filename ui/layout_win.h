// The layout applied to the main window: control positions, list row height, visibility, fonts and the
// minimum track size.
#pragma once

#include <windows.h>

#include "ui/layout.h"
#include "ui/main_window_state.h"

namespace tavlun {

// Whether the requirements section is shown (from the first check on): its rows then come first.
bool RequirementsShown(const MainWindowState& state);

// The layout of the window's current client area at its DPI.
LayoutMetrics ComputeLayout(const MainWindowState& state);

// Positions, sizes and shows or hides every control for the client size and the check state.
void ApplyLayout(MainWindowState& state);

// Creates the five fonts at the window's DPI; only when all were created are they assigned and the previous
// ones deleted. False (the previous set kept) when any could not be created.
bool CreateUiFonts(MainWindowState& state);

// WM_GETMINMAXINFO: 560 × 360 at the window's DPI, capped by the work area of its monitor.
void ApplyMinTrackSize(const MainWindowState& state, MINMAXINFO* info);

}  // namespace tavlun

// The main window's own look, drawn with GDI: background, header, cards, status mark, requirement rows with
// their badges, and the flat buttons with their hover tracking. Every drawing has a high-contrast variant that
// uses only system colours. GDI objects live for one drawing call; fonts and icons come from the window state.
#pragma once

#include <windows.h>

#include "ui/main_window_state.h"

namespace tavlun {

inline constexpr wchar_t kButtonHoverProperty[] = L"KORVAN_BUTTON_HOVER";

// Asked afresh for every paint, so switching high contrast takes effect at the next repaint.
bool IsHighContrast();

// Tests force high contrast on (1) or off (0) where the system cannot switch it; -1 asks the system again.
void SetHighContrastForTesting(int forced);

// WM_PAINT: the whole client area through an off-screen bitmap.
void PaintMainWindow(MainWindowState& state);

// WM_DRAWITEM of the requirement list.
void DrawRequirementRow(const MainWindowState& state, const DRAWITEMSTRUCT& item);

// WM_DRAWITEM of the four buttons.
void DrawButton(const MainWindowState& state, const DRAWITEMSTRUCT& item);

// Hover tracking of one button (subclass id 1).
void SubclassButton(HWND button);

}  // namespace tavlun

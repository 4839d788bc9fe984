// The status card, the button texts and enabled states, and the requirement list of the main window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/main_window_state.h"

namespace tavlun {

// Reads the installed-DLL assessment anew on the window thread (it reads files), then PresentStatus.
void RefreshDllStatus(MainWindowState& state);

// Sets the status texts, the accent colour, the button texts and the enabled states from the snapshot and the
// window state, and redraws the window.
void PresentStatus(MainWindowState& state);

// Gives the keyboard focus to `preferred` when that control can take it, else to the check button, else to the
// result list (the one control left while a check runs), else to the frame, so that Tab and Enter always reach
// something.
void RestoreKeyboardFocus(MainWindowState& state, HWND preferred);

// Replaces list row `index` (0 to 5) and announces the new text to screen readers.
void SetListRow(MainWindowState& state, std::size_t index, const std::wstring& title, std::uint32_t display_state,
                const std::wstring& detail);

// One reveal step of timer 42: shows the next row's result and marks the row after it as in progress.
void RevealNextRow(MainWindowState& state);

// The requirements section's title and status line.
void UpdateRequirementTexts(MainWindowState& state);

}  // namespace tavlun

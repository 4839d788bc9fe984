// Copying the report to the clipboard after the user saw its exact text.
#pragma once

#include <windows.h>

#include <string>

namespace tavlun {

// The confirmation dialog: true only when the copy button was chosen. The exact text is shown with the copy button
// in the same window: in the task dialog's expanded area, or, when that would not fit on the screen, in a
// scrolling confirmation.
bool ConfirmClipboardCopyFor(HWND owner, const std::wstring& text);

// Places the text on the clipboard as Unicode text. On failure returns false and sets `error` to one Turkish
// sentence that names the failing step and its Windows error; the clipboard is then untouched or emptied.
bool CopyTextToClipboardFor(HWND owner, const std::wstring& text, std::wstring& error);

// Whether the text, shown in the dialog's expandable area, leaves the dialog on the owner's screen.
bool ExpandedTextFitsScreen(HWND owner, const std::wstring& text);

// The scrolling confirmation (modal to owner): the warning, the whole text in a read-only field, the copy button
// and Cancel (the default). True only when the copy button was chosen.
bool ConfirmCopyInScrollingView(HWND owner, const std::wstring& text);

}  // namespace tavlun

// Copying the report to the clipboard after the user saw its exact text.
#pragma once

#include <windows.h>

#include <string>

namespace tavlun {

// The confirmation dialog: true only when the copy button was chosen. The exact text is shown in the expandable
// area, or, when it would not fit on the screen, in a read-only scrolling view that a button of the dialog opens.
bool ConfirmClipboardCopyFor(HWND owner, const std::wstring& text);

// Places the text on the clipboard as Unicode text. On failure returns false and sets `error` to one Turkish
// sentence that names the failing step and its Windows error; the clipboard is then untouched or emptied.
bool CopyTextToClipboardFor(HWND owner, const std::wstring& text, std::wstring& error);

// Whether the text, shown in the dialog's expandable area, leaves the dialog on the owner's screen.
bool ExpandedTextFitsScreen(HWND owner, const std::wstring& text);

// The read-only scrolling view of a text (modal to owner).
void ShowTextViewer(HWND owner, const std::wstring& title, const std::wstring& text);

}  // namespace tavlun

// Task dialogs of comctl32 version 6, and the window's message boxes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace tavlun {

static_assert(sizeof(void*) != 4 || sizeof(TASKDIALOGCONFIG) == 96, "the 32-bit task dialog record has 96 bytes");

// The members every dialog of the window shares: the program's module as instance, the owner, the flags, the title
// and main icon, and Cancel as the only common button and the default one. All other members are zero.
TASKDIALOGCONFIG TaskDialogBase(HWND owner, TASKDIALOG_FLAGS flags, const wchar_t* title, PCWSTR main_icon);

// TaskDialogIndirect of the version-6 module; E_NOTIMPL when the program has none. `button` receives the id.
HRESULT ShowTaskDialog(const TASKDIALOGCONFIG& config, int* button);

// A message box with the window's caption ("Tavlun Yardımcısı"); returns its result.
int ShowMessage(HWND owner, const std::wstring& text, UINT type);

}  // namespace tavlun

// The main window's three actions: install, copy the confirmed report, and the provider guide.
// Each runs on the window thread and is called by the window only when its command is allowed.
#pragma once

#include <string>

namespace tavlun {

struct MainWindowState;
struct InstallOutcome;

// Command 1001 while not busy: confirm, then install in this process (administrator) or through an elevated
// copy of the program that the window then watches with timer 41.
void RunInstallFlow(MainWindowState& state);

// Timer 41: true when the tick was handled (the watched process ended); false while the process still runs or
// none is watched, so the tick goes on to the default handling.
bool PollElevatedProcess(MainWindowState& state);

// The message box after an installation run in the window's own process.
void ShowInstallOutcome(MainWindowState& state, const InstallOutcome& outcome);

// Command 1002 while not busy: the chain of provider dialogs that ends at one official page.
void OpenProviderGuide(MainWindowState& state);

// A close of the window while the guide is open: asks every open dialog of the guide to close; the guide then
// ends without opening another.
void CloseProviderGuide(MainWindowState& state);

// Command 2001: true only when the user saw the exact text and chose to copy it.
bool ConfirmClipboardCopy(MainWindowState& state, const std::wstring& text);

// Places the text on the clipboard as Unicode text; on failure returns false and fills error.
bool CopyTextToClipboard(MainWindowState& state, const std::wstring& text, std::wstring& error);

}  // namespace tavlun

// The window's actions before they are built: every command does nothing.
#include "ui/window_actions.h"

namespace tavlun {

void RunInstallFlow(MainWindowState&) {}
bool PollElevatedProcess(MainWindowState&) { return true; }
void OpenProviderGuide(MainWindowState&) {}
bool ConfirmClipboardCopy(MainWindowState&, const std::wstring&) { return false; }
bool CopyTextToClipboard(MainWindowState&, const std::wstring&, std::wstring& error) {
  error.clear();
  return false;
}

}  // namespace tavlun

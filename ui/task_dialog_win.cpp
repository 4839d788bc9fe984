#include "ui/task_dialog_win.h"

#include "core/system_dlls.h"
#include "ui/main_window.h"

namespace tavlun {

TASKDIALOGCONFIG TaskDialogBase(HWND owner, TASKDIALOG_FLAGS flags, const wchar_t* title, PCWSTR main_icon) {
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof(config);
  config.hwndParent = owner;
  config.hInstance = ::GetModuleHandleW(nullptr);
  config.dwFlags = flags;
  config.dwCommonButtons = TDCBF_CANCEL_BUTTON;
  config.pszWindowTitle = title;
  config.pszMainIcon = main_icon;
  config.nDefaultButton = IDCANCEL;
  return config;
}

HRESULT ShowTaskDialog(const TASKDIALOGCONFIG& config, int* button) {
  const auto& comctl = sysdll::Comctl32();
  if (comctl.TaskDialogIndirect == nullptr) return E_NOTIMPL;
  int pressed = 0;
  const HRESULT result = comctl.TaskDialogIndirect(&config, &pressed, nullptr, nullptr);
  if (button != nullptr) *button = pressed;
  return result;
}

int ShowMessage(HWND owner, const std::wstring& text, UINT type) {
  return ::MessageBoxW(owner, text.c_str(), kMainWindowTitle, type);
}

}  // namespace tavlun

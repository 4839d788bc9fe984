#include "ui/clipboard_copy_win.h"

#include <commctrl.h>

#include <cstring>
#include <optional>

#include "core/unique_handle.h"
#include "core/windows_error.h"
#include "ui/clipboard_copy.h"
#include "ui/main_window_state.h"
#include "ui/task_dialog_win.h"
#include "ui/window_actions.h"

namespace tavlun {
namespace {

// Room the dialog needs besides the text (title bar, instruction, content, expander, buttons, margins), and the
// narrowest width its text area gets, both in 96-DPI pixels. Generous on purpose: a text judged too long is
// still shown in full, in the scrolling view.
constexpr int kDialogChromeHeight = 320;
constexpr int kTextAreaWidth = 340;

std::wstring FailureText(const wchar_t* prefix, DWORD error) { return prefix + WindowsErrorText(error); }

}  // namespace

bool ExpandedTextFitsScreen(HWND owner, const std::wstring& text) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!::GetMonitorInfoW(::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) return false;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return false;
  WindowDc screen(nullptr);
  if (!screen) return false;
  const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
  UniqueHfont font(::CreateFontIndirectW(&metrics.lfMessageFont));
  if (!font) return false;
  SelectedObject selected(screen.get(), font.get());
  RECT area{0, 0, ::MulDiv(kTextAreaWidth, dpi, 96), 0};
  ::DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &area,
              DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_EXPANDTABS | DT_NOPREFIX);
  const int needed = (area.bottom - area.top) + ::MulDiv(kDialogChromeHeight, dpi, 96);
  return needed <= monitor.rcWork.bottom - monitor.rcWork.top;
}

bool ConfirmClipboardCopyFor(HWND owner, const std::wstring& text) {
  // The copy button is only ever next to the whole text: a text too tall for the expanded area gets a window
  // that shows it scrolling.
  if (!ExpandedTextFitsScreen(owner, text)) return ConfirmCopyInScrollingView(owner, text);
  const TASKDIALOG_BUTTON buttons[] = {{kConfirmCopyButtonId, kCopyButtonText}};
  // Expanded from the start: the content speaks of the text below it.
  TASKDIALOGCONFIG config =
      TaskDialogBase(owner, TDF_ALLOW_DIALOG_CANCELLATION | TDF_SIZE_TO_CONTENT | TDF_EXPANDED_BY_DEFAULT,
                     kCopyDialogTitle, TD_WARNING_ICON);
  config.pszMainInstruction = kCopyDialogInstruction;
  config.pszContent = kCopyDialogContent;
  config.pButtons = buttons;
  config.cButtons = 1;
  config.pszExpandedInformation = text.c_str();
  config.pszExpandedControlText = kCopyHideText;
  config.pszCollapsedControlText = kCopyShowText;
  int button = 0;
  return SUCCEEDED(ShowTaskDialog(config, &button)) && button == kConfirmCopyButtonId;
}

bool CopyTextToClipboardFor(HWND owner, const std::wstring& text, std::wstring& error) {
  error.clear();
  if (!IsCopyableLength(text.size())) {
    error = kCopyLengthInvalid;
    return false;
  }
  const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
  UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (!block) {
    error = FailureText(L"Pano belleği ayrılamadı: ", ::GetLastError());
    return false;
  }
  void* locked = ::GlobalLock(block.get());
  if (locked == nullptr) {
    error = FailureText(L"Pano belleği kilitlenemedi: ", ::GetLastError());
    return false;
  }
  std::memcpy(locked, text.c_str(), bytes);  // the units and the terminating NUL
  ::GlobalUnlock(block.get());

  // Another program holding the clipboard usually lets it go within moments: ask again for about a second.
  std::optional<OpenedClipboard> clipboard;
  DWORD open_error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < kClipboardOpenAttempts; ++attempt) {
    if (attempt > 0) ::Sleep(kClipboardRetryMs);
    clipboard.emplace(owner);
    if (*clipboard) break;
    open_error = ::GetLastError();
  }
  if (!*clipboard) {
    error = open_error == ERROR_ACCESS_DENIED ? kClipboardBusyText : FailureText(L"Pano açılamadı: ", open_error);
    return false;
  }
  if (!::EmptyClipboard()) {
    error = FailureText(L"Pano temizlenemedi: ", ::GetLastError());
    return false;
  }
  if (::SetClipboardData(CF_UNICODETEXT, block.get()) == nullptr) {
    error = FailureText(L"Rapor panoya aktarılamadı: ", ::GetLastError());
    return false;
  }
  block.release();  // the clipboard owns the block now
  return true;
}

bool ConfirmClipboardCopy(MainWindowState& state, const std::wstring& text) {
  return ConfirmClipboardCopyFor(state.window, text);
}

bool CopyTextToClipboard(MainWindowState& state, const std::wstring& text, std::wstring& error) {
  return CopyTextToClipboardFor(state.window, text, error);
}

}  // namespace tavlun

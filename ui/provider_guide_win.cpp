#include "ui/provider_guide_win.h"

#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "check/official_links.h"
#include "ui/main_window_state.h"
#include "ui/shell_open_win.h"
#include "ui/status_text.h"
#include "ui/task_dialog_win.h"
#include "ui/window_actions.h"

namespace tavlun {
namespace {

// Moves a dialog that reaches past its monitor's work area back inside it (it is never larger: see
// kGuideDialogWidth and the pages).
void KeepInsideWorkArea(HWND dialog) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  RECT r{};
  if (!::GetWindowRect(dialog, &r) ||
      !::GetMonitorInfoW(::MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor)) {
    return;
  }
  const RECT& work = monitor.rcWork;
  const int x = std::max(work.left, std::min(r.left, work.right - (r.right - r.left)));
  const int y = std::max(work.top, std::min(r.top, work.bottom - (r.bottom - r.top)));
  if (x != r.left || y != r.top) ::SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HRESULT CALLBACK GuideCallback(HWND dialog, UINT notification, WPARAM, LPARAM, LONG_PTR) {
  if (notification == TDN_CREATED) KeepInsideWorkArea(dialog);
  return S_OK;
}

TASKDIALOGCONFIG GuideConfig(HWND owner, const TASKDIALOG_BUTTON* buttons, UINT count) {
  TASKDIALOGCONFIG config = TaskDialogBase(owner, TDF_ALLOW_DIALOG_CANCELLATION | TDF_USE_COMMAND_LINKS,
                                           kGuideWindowTitle, TD_INFORMATION_ICON);
  config.cxWidth = kGuideDialogWidth;
  config.pButtons = buttons;
  config.cButtons = count;
  config.pfCallback = GuideCallback;
  return config;
}

// The provider's id, IDCANCEL when the user ended the guide, or 0 when the dialog could not be shown.
int AskProvider(HWND owner, const bool* closing) {
  for (int page = 0;;) {
    std::vector<TASKDIALOG_BUTTON> buttons;
    for (const CardChoiceButton& choice : ProviderPageButtons(page)) buttons.push_back({choice.id, choice.text});
    TASKDIALOGCONFIG config = GuideConfig(owner, buttons.data(), static_cast<UINT>(buttons.size()));
    config.pszMainInstruction = kGuideProviderInstruction;
    config.pszContent = page == 0 ? kGuideProviderContent : kGuideProviderContentSecondPage;
    config.pszFooterIcon = TD_SHIELD_ICON;
    config.pszFooter = kGuideProviderFooter;
    int button = 0;
    if (FAILED(ShowTaskDialog(config, &button))) return 0;
    if (closing != nullptr && *closing) return IDCANCEL;
    if (button == kGuideMoreProviders || button == kGuideFirstProviders) {
      page = button == kGuideMoreProviders ? 1 : 0;
      continue;
    }
    return button;
  }
}

// The card-type id, kGuideBackToProviders, or IDCANCEL (also when the dialog could not be shown).
int AskCardType(HWND owner, const ProviderGuideEntry& entry) {
  std::vector<TASKDIALOG_BUTTON> buttons;
  for (const CardChoiceButton& choice : CardChoiceButtons(entry.cardChoice)) buttons.push_back({choice.id, choice.text});
  buttons.push_back({kGuideBackToProviders, kGuideBackText});
  TASKDIALOGCONFIG config = GuideConfig(owner, buttons.data(), static_cast<UINT>(buttons.size()));
  const std::wstring instruction = std::wstring(entry.name) + kGuideCardInstructionSuffix;
  config.pszMainInstruction = instruction.c_str();
  config.pszContent = kGuideCardContent;
  int button = 0;
  return SUCCEEDED(ShowTaskDialog(config, &button)) ? button : IDCANCEL;
}

// An official address, opened so that no web content runs with administrator rights.
void OpenOfficialLink(HWND dialog, const wchar_t* url) {
  if (!IsOfficialLink(url)) {
    ShowMessage(dialog, kOfficialLinkFailed, MB_ICONERROR);
    return;
  }
  if (IsProcessElevated()) {
    if (!OpenThroughDesktopShell(url)) ShowMessage(dialog, kOfficialLinkShownInstead + std::wstring(url), MB_ICONINFORMATION);
    return;
  }
  const auto result = reinterpret_cast<INT_PTR>(::ShellExecuteW(dialog, L"open", url, nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) ShowMessage(dialog, kOfficialLinkFailed, MB_ICONERROR);
}

}  // namespace

HRESULT CALLBACK OfficialLinkCallback(HWND dialog, UINT notification, WPARAM wparam, LPARAM, LONG_PTR data) {
  if (notification == TDN_CREATED) KeepInsideWorkArea(dialog);
  if (notification != TDN_BUTTON_CLICKED || data == 0) return S_OK;
  const int button = static_cast<int>(wparam);
  if (button != kGuideLink1 && button != kGuideLink2) return S_OK;
  const wchar_t* url = (*reinterpret_cast<const OfficialLinkUrls*>(data))[button == kGuideLink1 ? 0 : 1];
  if (url == nullptr) return S_OK;
  OpenOfficialLink(dialog, url);
  return S_FALSE;  // the dialog stays for the other link or the way back
}

bool ShowProviderDetail(HWND owner, const ProviderGuideEntry& entry, int card_choice_id,
                        const std::wstring& install_button_label) {
  const std::wstring content = ProviderDetailContent(entry, card_choice_id, install_button_label);
  const std::array<GuideLink, 2> links = ProviderDetailLinks(entry, card_choice_id);
  const std::wstring link1 = LinkButtonText(links[0]);
  const std::wstring link2 = LinkButtonText(links[1]);
  const TASKDIALOG_BUTTON buttons[] = {
      {kGuideLink1, link1.c_str()}, {kGuideLink2, link2.c_str()}, {kGuideBackToProviders, kGuideBackText}};
  OfficialLinkUrls urls{links[0].url, links[1].url};
  TASKDIALOGCONFIG config = GuideConfig(owner, buttons, 3);
  config.dwCommonButtons = TDCBF_CLOSE_BUTTON;
  config.nDefaultButton = IDCLOSE;
  config.pszMainInstruction = entry.name;
  config.pszContent = content.c_str();
  config.pszExpandedInformation = entry.securityNote;
  config.pszExpandedControlText = kGuideNoteExpanded;
  config.pszCollapsedControlText = kGuideNoteCollapsed;
  config.pszFooterIcon = TD_SHIELD_ICON;
  config.pszFooter = kGuideDetailFooter;
  config.pfCallback = OfficialLinkCallback;
  config.lpCallbackData = reinterpret_cast<LONG_PTR>(&urls);
  int button = 0;
  if (FAILED(ShowTaskDialog(config, &button))) {
    // The steps and warnings still reach the user.
    ::MessageBoxW(owner, content.c_str(), entry.name, MB_ICONINFORMATION);
    return false;
  }
  return button == kGuideBackToProviders;
}

void ShowProviderGuide(HWND owner, const std::wstring& install_button_label, const bool* closing) {
  const auto closed = [closing] { return closing != nullptr && *closing; };
  for (;;) {
    const int provider = AskProvider(owner, closing);
    if (closed()) return;
    if (provider == 0) {
      ShowMessage(owner, kGuideUnavailable, MB_ICONERROR);
      return;
    }
    const ProviderGuideEntry* entry = FindProviderEntry(provider);
    if (entry == nullptr) return;  // Cancel, or an id the table does not know
    int card_choice = 0;
    if (entry->cardChoice != CardQuestion::None) {
      card_choice = AskCardType(owner, *entry);
      if (closed()) return;
      if (card_choice == kGuideBackToProviders) continue;
      if (SelectionLabel(*entry, card_choice).empty()) return;  // Cancel
    }
    if (!ShowProviderDetail(owner, *entry, card_choice, install_button_label) || closed()) return;
  }
}

void OpenProviderGuide(MainWindowState& state) {
  // The warning quotes the install button's label as the button shows it now, and only while it can be pressed.
  const bool can_install = EnabledButtons(state.busy, state.checkState, state.dllAssessmentSnapshot.install_offered).install;
  state.guideOpen = true;
  ShowProviderGuide(state.window, can_install ? InstallButtonText(state.dllAssessmentSnapshot.kind) : L"",
                    &state.closeAfterCommand);
  state.guideOpen = false;
}

namespace {

// Whether `window` is owned, directly or through other windows, by `owner`.
bool OwnedBy(HWND window, HWND owner) {
  for (HWND w = ::GetWindow(window, GW_OWNER); w != nullptr; w = ::GetWindow(w, GW_OWNER)) {
    if (w == owner) return true;
  }
  return false;
}

BOOL CALLBACK CloseGuideWindow(HWND window, LPARAM owner) {
  // Every guide dialog (and a message box over one) cancels on WM_CLOSE; the topmost closes first.
  if (::IsWindowVisible(window) && OwnedBy(window, reinterpret_cast<HWND>(owner))) {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
  }
  return TRUE;
}

}  // namespace

void CloseProviderGuide(MainWindowState& state) {
  ::EnumThreadWindows(::GetCurrentThreadId(), CloseGuideWindow, reinterpret_cast<LPARAM>(state.window));
}

}  // namespace tavlun

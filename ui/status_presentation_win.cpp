#include <vector>

#include "target/targets.h"
#include "ui/accessibility_text.h"
#include "ui/check_worker.h"
#include "ui/layout_win.h"
#include "ui/status_presentation.h"

namespace tavlun {
namespace {

void SetText(HWND control, const std::wstring& text) {
  if (control != nullptr) ::SetWindowTextW(control, text.c_str());
}

void Enable(HWND control, bool enabled) {
  if (control != nullptr) ::EnableWindow(control, enabled ? TRUE : FALSE);
}

std::wstring TargetsTextOfResolvedTargets() {
  std::vector<TargetEntry> targets;
  std::wstring message;
  if (!ResolveRequiredTargets(&targets, &message)) return std::wstring();
  std::wstring text;
  for (const TargetEntry& target : targets) {
    if (!text.empty()) text += L"   |   ";
    text += std::wstring(target.descriptor->label) + L": " + target.location.display_path;
  }
  return text;
}

bool CanTakeFocus(const MainWindowState& state, HWND control) {
  return control != nullptr && ::IsChild(state.window, control) && ::IsWindowVisible(control) &&
         ::IsWindowEnabled(control);
}

}  // namespace

void RestoreKeyboardFocus(MainWindowState& state, HWND preferred) {
  // While a check runs its buttons are disabled; the result list stays, so the focus waits there.
  for (HWND control : {preferred, state.controls.checkButton, state.controls.requirementList}) {
    if (CanTakeFocus(state, control)) {
      ::SetFocus(control);
      return;
    }
  }
  ::SetFocus(state.window);
}

void RefreshDllStatus(MainWindowState& state) {
  state.dllAssessmentSnapshot = AssessDllState();
  if (state.dllAssessmentSnapshot.targets_text.empty()) {
    state.dllAssessmentSnapshot.targets_text = TargetsTextOfResolvedTargets();
  }
  PresentStatus(state);
}

void PresentStatus(MainWindowState& state) {
  const DllState& dll = state.dllAssessmentSnapshot;
  const MainWindowControls& c = state.controls;
  const StatusHeadline headline = HeadlineFor(dll);
  state.accentColour = headline.accent;
  SetText(c.statusTitleLabel, headline.title);
  // The label gets the text from the layout, which grows the status card to hold it.
  state.statusDetailText = StatusDetailText(dll, state.busy, state.checking, state.awaitingElevation);
  SetText(c.targetPathLabel, TargetPathText(dll));
  SetText(c.installButton, WithAccessKey(InstallButtonText(dll.kind), kInstallAccessKey));
  SetText(c.checkButton, WithAccessKey(CheckButtonText(state.checking, state.checkState), kCheckAccessKey));
  const ButtonStates enabled = EnabledButtons(state.busy, state.checkState, dll.install_offered);
  Enable(c.installButton, enabled.install);
  Enable(c.checkButton, enabled.check);
  Enable(c.guideButton, enabled.guide);
  Enable(c.copyButton, enabled.copy);
  // Disabling the focused button leaves no focus at all, and Tab then reaches nothing: the window keeps one.
  HWND focus = ::GetFocus();
  if (::GetActiveWindow() == state.window && (focus == state.window || !CanTakeFocus(state, focus))) {
    RestoreKeyboardFocus(state, nullptr);
  }
  ApplyLayout(state);
  // A check speaks for itself when it starts and ends; every other change of the card is announced.
  state.screenReader.ShowStatus(StatusSpeech(headline.title, state.statusDetailText), !state.checking);
  ::RedrawWindow(state.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void SetListRow(MainWindowState& state, std::size_t index, const std::wstring& title, std::uint32_t display_state,
                const std::wstring& detail) {
  HWND list = state.controls.requirementList;
  if (list == nullptr || index >= kRequirementCount) return;
  const std::wstring text = ComposeRowText(title, display_state, detail);
  ::SendMessageW(list, LB_DELETESTRING, index, 0);
  const LRESULT inserted = ::SendMessageW(list, LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text.c_str()));
  if (inserted == LB_ERR || inserted == LB_ERRSPACE) return;
  ::SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(inserted), display_state);
  state.screenReader.NameRow(index, RowAccessibleName(title, display_state, detail));
  ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, list, OBJID_CLIENT, static_cast<LONG>(index + 1));
}

void RevealNextRow(MainWindowState& state) {
  const std::vector<RequirementItem>& rows = state.currentReport.items;
  if (state.revealPosition >= rows.size()) {
    FinishCheck(state);
    return;
  }
  const RequirementItem& row = rows[state.revealPosition];
  SetListRow(state, state.revealPosition, row.title, static_cast<std::uint32_t>(DisplayStateFor(row.state)),
             row.detail);
  ++state.revealPosition;
  HWND list = state.controls.requirementList;
  if (state.revealPosition < rows.size()) {
    SetListRow(state, state.revealPosition, rows[state.revealPosition].title,
               static_cast<std::uint32_t>(RowDisplayState::Pending), L"Denetleniyor…");
    // Keep the row in progress the bottom visible row.
    RECT client{};
    ::GetClientRect(list, &client);
    const int item_height = static_cast<int>(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    int visible = item_height > 0 ? (client.bottom - client.top) / item_height : 1;
    if (visible < 1) visible = 1;
    if (state.revealPosition >= static_cast<std::size_t>(visible)) {
      ::SendMessageW(list, LB_SETTOPINDEX, state.revealPosition - visible + 1, 0);
    }
  }
  UpdateRequirementTexts(state);
  if (list != nullptr) ::InvalidateRect(list, nullptr, FALSE);
  if (state.revealPosition >= rows.size()) FinishCheck(state);
}

void UpdateRequirementTexts(MainWindowState& state) {
  const MainWindowControls& c = state.controls;
  if (c.requirementsTitleLabel == nullptr || c.requirementsStatusLabel == nullptr) return;
  SetText(c.requirementsTitleLabel, RequirementsTitleText(state.checkState));
  SetText(c.requirementsStatusLabel,
          RequirementsStatusText(state.checkState, state.revealPosition, state.currentReport.items));
}

}  // namespace tavlun

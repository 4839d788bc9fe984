// The install button: re-verification, confirmation, and the installation in this process (administrator) or in
// an elevated copy of the program that the window watches with timer 41 without ever blocking on it.
#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "core/windows_error.h"
#include "install/elevated_run.h"
#include "ui/install_flow_text.h"
#include "ui/main_window_state.h"
#include "ui/status_presentation.h"
#include "ui/task_dialog_win.h"
#include "ui/window_actions.h"

namespace tavlun {
namespace {

static_assert(sizeof(void*) != 4 || sizeof(SHELLEXECUTEINFOW) == 60, "the 32-bit SHELLEXECUTEINFOW has 60 bytes");

constexpr DWORD kProgramPathCapacity = 32768;

// The program's own path; empty when it cannot be read in full.
std::wstring OwnProgramPath() {
  std::vector<wchar_t> buffer(kProgramPathCapacity);
  const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), kProgramPathCapacity);
  if (length == 0 || length >= kProgramPathCapacity - 1) return std::wstring();
  return std::wstring(buffer.data(), length);
}

void ShowNotice(const MainWindowState& state, const Notice& notice) {
  ShowMessage(state.window, notice.text, notice.icon == NoticeIcon::Error ? MB_ICONERROR : MB_ICONINFORMATION);
}

void ShowElevatedRunEnd(MainWindowState& state, const ElevatedRunEnd& end) {
  ShowNotice(state, ElevatedRunNotice(end, state.dllAssessmentSnapshot.kind, state.dllAssessmentSnapshot.message));
}

}  // namespace

void ShowInstallOutcome(MainWindowState& state, const InstallOutcome& outcome) {
  ShowNotice(state, InProcessOutcomeNotice(outcome));
}

void RunInstallFlow(MainWindowState& state) {
  const DllStateKind shown = state.dllAssessmentSnapshot.kind;
  if (shown == DllStateKind::MatchesPackage || shown == DllStateKind::SameOrNewerKept) {
    RefreshDllStatus(state);
    if (const auto notice = ReverifiedStateNotice(state.dllAssessmentSnapshot.kind)) {
      ShowNotice(state, *notice);
      return;
    }
  }
  if (ShowMessage(state.window, kInstallConfirmText, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;

  if (IsUserAdmin()) {
    // Already an administrator: no second process; the window thread waits for the run, and says so first.
    state.busy = true;
    state.checking = false;
    PresentStatus(state);
    const InstallOutcome outcome = RunElevatedInstall();
    state.busy = false;
    RefreshDllStatus(state);
    ShowInstallOutcome(state, outcome);
    return;
  }

  const std::wstring program = OwnProgramPath();
  if (program.empty()) {
    ShowMessage(state.window, kNoProgramPathText, MB_ICONERROR);
    return;
  }
  // Windows' prompt is open until ShellExecuteExW returns; the status card says what it waits for.
  state.busy = true;
  state.checking = false;
  state.awaitingElevation = true;
  PresentStatus(state);
  const auto back_to_idle = [&state] {
    state.awaitingElevation = false;
    state.busy = false;
    PresentStatus(state);
  };
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
  info.hwnd = state.window;
  info.lpVerb = L"runas";
  info.lpFile = program.c_str();
  info.lpParameters = L"--install-elevated";
  info.nShow = SW_HIDE;
  if (!::ShellExecuteExW(&info)) {
    const DWORD error = ::GetLastError();
    back_to_idle();
    ShowElevatedRunEnd(state, {ElevatedRunStage::NotStarted, error, WindowsErrorText(error)});
    return;
  }
  if (info.hProcess == nullptr) {
    back_to_idle();
    ShowElevatedRunEnd(state, {ElevatedRunStage::NotWatched, 0, std::wstring()});
    return;
  }
  UniqueHandle process(info.hProcess);
  // Without the timer the window would stay busy for ever: the run goes on, unwatched, and the user is told.
  if (::SetTimer(state.window, kElevatedPollTimerId, kElevatedPollIntervalMs, nullptr) == 0) {
    back_to_idle();
    ShowElevatedRunEnd(state, {ElevatedRunStage::NotWatched, 0, std::wstring()});
    return;
  }
  // The prompt was answered and the elevated copy runs: the status card says that the installation runs.
  state.elevatedProcess = std::move(process);
  state.awaitingElevation = false;
  PresentStatus(state);
}

bool PollElevatedProcess(MainWindowState& state) {
  if (!state.elevatedProcess) return false;
  // Only a process that still runs is waited for again; a failing wait ends the watch (exit code unreadable).
  if (::WaitForSingleObject(state.elevatedProcess.get(), 0) == WAIT_TIMEOUT) return false;
  DWORD exit_code = kUnreadableExitCode;
  if (!::GetExitCodeProcess(state.elevatedProcess.get(), &exit_code)) exit_code = kUnreadableExitCode;
  state.elevatedProcess.reset();
  ::KillTimer(state.window, kElevatedPollTimerId);
  state.busy = false;
  RefreshDllStatus(state);
  ShowElevatedRunEnd(state, {ElevatedRunStage::Exited, exit_code, std::wstring()});
  return true;
}

}  // namespace tavlun

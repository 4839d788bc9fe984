#include <process.h>

#include <atomic>
#include <new>

#include "core/unique_handle.h"
#include "ui/accessibility_text.h"
#include "ui/check_worker.h"
#include "ui/layout_win.h"
#include "ui/main_window_state.h"
#include "ui/status_presentation.h"

namespace tavlun {
namespace {

std::atomic<ReportBuilderFn> g_report_builder{nullptr};
std::atomic<bool> g_fail_thread_start{false};

// False only when the user turned client-area animation off in Windows.
bool AnimationsOn() {
  BOOL on = TRUE;
  return !(::SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &on, 0) && !on);
}

}  // namespace

void SetReportBuilderForTesting(ReportBuilderFn builder) { g_report_builder = builder; }
void SetThreadStartFailureForTesting(bool fail) { g_fail_thread_start = fail; }

void StartSystemCheck(MainWindowState& state) {
  state.currentReport = DiagnosticReport{};
  state.checkState = CheckState::Checking;
  state.revealPosition = 0;
  state.spinnerTicks = 0;
  state.revealTicks = 0;
  state.checking = true;
  state.busy = true;
  state.checkStartedTick = ::GetTickCount64();

  HWND list = state.controls.requirementList;
  if (list != nullptr) {
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (std::size_t i = 0; i < kRequirementCount; ++i) {
      const wchar_t* detail = i == 0 ? L"Denetleniyor…" : L"Bekliyor";
      const std::wstring text = ComposeRowText(kRequirementTitles[i], 0, detail);
      const LRESULT index = ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
      if (index != LB_ERR && index != LB_ERRSPACE) ::SendMessageW(list, LB_SETITEMDATA, index, 0);
      state.screenReader.NameRow(i, RowAccessibleName(kRequirementTitles[i], 0, detail));
    }
    ::SendMessageW(list, LB_SETTOPINDEX, 0, 0);
    ::NotifyWinEvent(EVENT_OBJECT_SHOW, list, OBJID_CLIENT, CHILDID_SELF);
  }
  UpdateRequirementTexts(state);
  ApplyLayout(state);
  PresentStatus(state);
  state.screenReader.Announce(kCheckStartedSpeech);

  state.animationTimerActive =
      AnimationsOn() && ::SetTimer(state.window, kRevealTimerId, kRevealIntervalMs, nullptr) != 0;

  uintptr_t thread = 0;
  if (!g_fail_thread_start) thread = ::_beginthreadex(nullptr, 0, CheckWorkerMain, state.window, 0, nullptr);
  if (thread == 0) {
    OnCheckResult(state, nullptr);
    return;
  }
  // Detached: the worker is never joined; it ends with its post.
  UniqueHandle detached(reinterpret_cast<HANDLE>(thread));
}

unsigned __stdcall CheckWorkerMain(void* window) {
  std::unique_ptr<DiagnosticReport> report(new (std::nothrow) DiagnosticReport);
  if (report) {
    try {
      const ReportBuilderFn builder = g_report_builder;
      *report = builder != nullptr ? builder() : BuildDiagnosticReport();
    } catch (...) {
      // Memory exhaustion while building: the window shows the fallback result.
      report.reset();
    }
  }
  const bool none = !report;
  if (::PostMessageW(static_cast<HWND>(window), WM_CHECK_RESULT, none ? 1 : 0,
                     reinterpret_cast<LPARAM>(report.get()))) {
    report.release();  // the window owns it now
  }
  return 0;
}

void OnCheckResult(MainWindowState& state, std::unique_ptr<DiagnosticReport> report) {
  if (state.checkState != CheckState::Checking) return;  // not asked for: freed here, never shown
  state.currentReport = report ? std::move(*report) : MakeFallbackReport(kCheckThreadFailedText);
  report.reset();
  state.currentReport.items = NormalizeRequirementItems(state.currentReport.items);
  state.checkState = CheckState::Revealing;
  state.revealPosition = 0;
  state.revealTicks = 0;
  UpdateRequirementTexts(state);

  if (!AnimationsOn() || !state.animationTimerActive) {
    // Every row at once with its final state.
    const std::vector<RequirementItem>& rows = state.currentReport.items;
    for (; state.revealPosition < rows.size(); ++state.revealPosition) {
      const RequirementItem& row = rows[state.revealPosition];
      SetListRow(state, state.revealPosition, row.title, static_cast<std::uint32_t>(DisplayStateFor(row.state)),
                 row.detail);
    }
    FinishCheck(state);
    return;
  }
  if (state.controls.requirementList != nullptr) ::InvalidateRect(state.controls.requirementList, nullptr, FALSE);
}

void FinishCheck(MainWindowState& state) {
  if (state.animationTimerActive) {
    ::KillTimer(state.window, kRevealTimerId);
    state.animationTimerActive = false;
  }
  state.checkState = CheckState::Done;
  state.checking = false;
  state.busy = false;
  // The reveal scrolled the row in progress into view; the result is read from its first row.
  if (state.controls.requirementList != nullptr) ::SendMessageW(state.controls.requirementList, LB_SETTOPINDEX, 0, 0);
  // The summary and, when the files changed meanwhile, the new status are spoken as one announcement.
  const AnnouncementBatch batch(state.screenReader);
  state.screenReader.Announce(CheckFinishedSpeech(state.currentReport.items));
  UpdateRequirementTexts(state);
  ApplyLayout(state);
  RefreshDllStatus(state);
}

}  // namespace tavlun

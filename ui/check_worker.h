// The system check from the window: one detached worker thread per check builds the report and posts it to the
// window (WM_CHECK_RESULT), handing over its ownership; the window then reveals the six rows.
#pragma once

#include <memory>
#include <string>

#include "check/report.h"

namespace tavlun {

struct MainWindowState;

// Command 1003 while not busy: discards the previous result, shows six pending rows and starts the worker. When
// the thread cannot start, the fallback result is shown at once.
void StartSystemCheck(MainWindowState& state);

#if defined(_WIN32)
// The worker thread: builds the report and posts it to the window given as the argument. Returns 0.
unsigned __stdcall CheckWorkerMain(void* window);
#endif

// WM_CHECK_RESULT: takes the result over (none means the worker could not build one). A result that arrives
// while no check runs is freed without being shown.
void OnCheckResult(MainWindowState& state, std::unique_ptr<DiagnosticReport> report);

// Ends the check once every row is shown: stops the animation, re-enables the buttons, reads the DLL state.
void FinishCheck(MainWindowState& state);

// Six Attention rows with the message, the message as the technical text and after a heading as the
// clipboard text; only the warning flag set. Pure.
DiagnosticReport MakeFallbackReport(const std::wstring& message);

inline constexpr wchar_t kCheckThreadFailedText[] = L"Sistem kontrolü için arka plan işlemi başlatılamadı.";

// Test seams: the report builder the worker runs (BuildDiagnosticReport when null), and a thread start that
// fails. Set only by tests, before a check starts.
using ReportBuilderFn = DiagnosticReport (*)();
void SetReportBuilderForTesting(ReportBuilderFn builder);
void SetThreadStartFailureForTesting(bool fail);

}  // namespace tavlun

// The main window's state: one instance per window, created in WM_CREATE, reached from the window handle and
// touched only on the window thread. The other window files take it as their first argument.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "check/check_budget.h"
#include "check/report.h"
#include "core/unique_handle.h"
#include "target/dll_state.h"
#include "ui/accessibility_win.h"
#include "ui/status_text.h"
#include "ui/window_icons.h"

namespace tavlun {

// Posted by the check worker: lParam = heap DiagnosticReport whose ownership passes to the window, or 0;
// wParam = 1 when lParam is 0, else 0.
inline constexpr UINT WM_CHECK_RESULT = WM_APP + 0x13;

inline constexpr UINT_PTR kElevatedPollTimerId = 41;  // 250 ms, polls the elevated installation
inline constexpr UINT kElevatedPollIntervalMs = 250;
inline constexpr UINT_PTR kRevealTimerId = 42;  // 80 ms, reveals the rows and moves the animated marks
inline constexpr UINT kRevealIntervalMs = 80;

// A check that has run past its own time budget no longer holds the window open: it writes nothing, so abandoning
// it is safe (a file operation that Windows itself blocks cannot be interrupted from inside). An installation
// always does.
inline constexpr ULONGLONG kCheckCloseAfterMs = kCheckTimeLimitMs;

// Control identifiers.
inline constexpr int kInstallButtonId = 1001;
inline constexpr int kGuideButtonId = 1002;
inline constexpr int kCheckButtonId = 1003;
inline constexpr int kCopyButtonId = 2001;
inline constexpr int kRequirementListId = 2003;

struct MainWindowControls {
  HWND brandLabel = nullptr;
  HWND taglineLabel = nullptr;
  HWND statusTitleLabel = nullptr;
  HWND statusDetailLabel = nullptr;
  HWND targetCaptionLabel = nullptr;
  HWND targetPathLabel = nullptr;
  HWND payloadCaptionLabel = nullptr;
  HWND payloadVersionLabel = nullptr;
  HWND hashCaptionLabel = nullptr;
  HWND hashValueLabel = nullptr;
  HWND scopeNoteLabel = nullptr;
  HWND footerLabel = nullptr;
  HWND requirementsTitleLabel = nullptr;
  HWND requirementsStatusLabel = nullptr;
  HWND requirementList = nullptr;
  HWND guideButton = nullptr;
  HWND checkButton = nullptr;
  HWND installButton = nullptr;
  HWND copyButton = nullptr;
};

// The five fonts, alive as long as the window (rebuilt together on a DPI change).
struct UiFonts {
  UniqueHfont brand;     // 20 pt, 600
  UniqueHfont tagline;   // 10 pt, 400
  UniqueHfont body;      // 10 pt, 400
  UniqueHfont emphasis;  // 10 pt, 600
  UniqueHfont small;     // 9 pt, 400
};

struct MainWindowState {
  HWND window = nullptr;
  int dpi = 96;  // the window's current DPI (g_dpi follows it)

  CheckState checkState = CheckState::Idle;
  bool busy = false;      // a check or an installation runs: commands 1001 to 1003 and closing are refused
  bool checking = false;  // the running work is a check
  bool animationTimerActive = false;
  std::size_t revealPosition = 0;  // the next row to reveal
  unsigned revealTicks = 0;        // timer-42 ticks since the last revealed row
  unsigned spinnerTicks = 0;       // timer-42 ticks since the check started
  ULONGLONG checkStartedTick = 0;  // GetTickCount64 when the running check started
  // A command's dialogs (or Windows' elevation prompt) are open: their message loops still deliver what is posted
  // to the window, so a second command and a close wait until that command has returned.
  bool commandRunning = false;
  bool guideOpen = false;          // the running command is the provider guide, which changes nothing
  bool closeAfterCommand = false;  // a close arrived while the guide was open: it ends, then the window closes
  HWND lastFocus = nullptr;  // the control that had the keyboard focus when the window was deactivated

  UniqueHandle elevatedProcess;  // the elevated installation being watched (timer 41)
  bool awaitingElevation = false;  // Windows' administrator prompt for the installation is open
  DiagnosticReport currentReport;  // the last check's result: rows shown and the text "Raporu kopyala" copies
  DllState dllAssessmentSnapshot;  // the assessment last read on the window thread; VerificationFailed at first
  COLORREF accentColour = palette::kAttentionAmber;
  std::wstring statusDetailText;  // the whole detail message; the label shows it, cut only when it cannot fit
  int statusDetailExtra = 0;      // logical height the status card grew by for it (ComputeLayout's input)

  ScreenReaderSupport screenReader;  // descriptions, names and announcements for screen readers

  UiFonts fonts;
  WindowIcons icons;          // owned by the process-wide icon list (window_icons.h)
  HICON shieldIcon = nullptr;  // stock icon, never destroyed
  MainWindowControls controls;
};

// The state of a main window, or nullptr before WM_CREATE and after WM_NCDESTROY.
MainWindowState* MainWindowStateFrom(HWND window);

}  // namespace tavlun

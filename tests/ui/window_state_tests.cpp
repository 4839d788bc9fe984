// The main window created inside the test process, where its state can be read and the check worker's seams
// set: the fallback results, a result nobody asked for, a stuck check, an installation that refuses to close,
// DPI changes, object counts over many checks, and the high-contrast look.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>

#include "core/unique_handle.h"
#include "tests/app/child_process.h"
#include "tests/ui/screen_capture.h"
#include "ui/check_worker.h"
#include "ui/dpi.h"
#include "ui/layout.h"
#include "ui/main_window.h"
#include "ui/main_window_state.h"
#include "ui/painting.h"
#include "ui/window_icons.h"

namespace tavlun {
namespace {

using namespace testing_support;

DiagnosticReport ReadyReport() {
  DiagnosticReport report;
  for (const wchar_t* title : kRequirementTitles) {
    report.items.push_back(MakeRequirementItem(RequirementState::Ready, title, L"hazır"));
  }
  report.clipboardText = L"rapor";
  return report;
}
DiagnosticReport ThrowingReport() { throw std::bad_alloc(); }

HANDLE g_release = nullptr;
DiagnosticReport BlockedReport() {
  ::WaitForSingleObject(g_release, 30000);
  return ReadyReport();
}

class InProcessWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dpi = ReadScreenDpi();
    static const bool registered = [] {
      LoadWindowIcons(nullptr);
      WNDCLASSEXW window_class{};
      window_class.cbSize = sizeof(window_class);
      window_class.style = CS_HREDRAW | CS_VREDRAW;
      window_class.lpfnWndProc = MainWindowProc;
      window_class.hInstance = ::GetModuleHandleW(nullptr);
      window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
      window_class.lpszClassName = kMainWindowClass;
      return ::RegisterClassExW(&window_class) != 0;
    }();
    ASSERT_TRUE(registered);
    window_ = ::CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW, 0, 0, 776, 659, nullptr,
                                nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    ::ShowWindow(window_, SW_SHOWNORMAL);
    state_ = MainWindowStateFrom(window_);
    ASSERT_NE(state_, nullptr);
  }
  void TearDown() override {
    SetReportBuilderForTesting(nullptr);
    SetThreadStartFailureForTesting(false);
    SetHighContrastForTesting(-1);
    if (::IsWindow(window_)) {
      state_->busy = false;
      ::DestroyWindow(window_);
    }
    PumpMessagesFor(50);
  }

  void StartCheck() { ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(kCheckButtonId, BN_CLICKED), 0); }
  bool WaitUntilDone() {
    for (int i = 0; i < 600 && state_->checkState != CheckState::Done; ++i) PumpMessagesFor(20);
    return state_->checkState == CheckState::Done;
  }
  LRESULT Rows() const { return ::SendMessageW(state_->controls.requirementList, LB_GETCOUNT, 0, 0); }

  HWND window_ = nullptr;
  MainWindowState* state_ = nullptr;
};

TEST_F(InProcessWindow, FallbackResultWhenTheWorkerCannotStartOrItsBuilderThrows) {
  for (const bool thread_fails : {true, false}) {
    SCOPED_TRACE(thread_fails ? "thread" : "builder");
    SetThreadStartFailureForTesting(thread_fails);
    SetReportBuilderForTesting(thread_fails ? nullptr : ThrowingReport);
    StartCheck();
    ASSERT_TRUE(WaitUntilDone());
    ASSERT_EQ(Rows(), 6);
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(::SendMessageW(state_->controls.requirementList, LB_GETITEMDATA, i, 0), 2);
    }
    wchar_t row[512] = {};
    ::SendMessageW(state_->controls.requirementList, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(row));
    EXPECT_EQ(std::wstring(row), std::wstring(L"Java\tDikkat — ") + kCheckThreadFailedText);
    EXPECT_EQ(state_->currentReport.clipboardText,
              std::wstring(L"Sistem kontrolü tamamlanamadı.\r\n") + kCheckThreadFailedText);
    EXPECT_FALSE(state_->busy);
  }
}

TEST_F(InProcessWindow, AResultNobodyAskedForIsNotShown) {
  ::PostMessageW(window_, WM_CHECK_RESULT, 0, reinterpret_cast<LPARAM>(new DiagnosticReport(ReadyReport())));
  PumpMessagesFor(200);
  EXPECT_EQ(state_->checkState, CheckState::Idle);
  EXPECT_EQ(Rows(), 0);
  EXPECT_TRUE(state_->currentReport.items.empty());

  SetReportBuilderForTesting(ReadyReport);
  StartCheck();
  ASSERT_TRUE(WaitUntilDone());
  DiagnosticReport late = ReadyReport();
  late.clipboardText = L"geç kalan";
  ::PostMessageW(window_, WM_CHECK_RESULT, 0, reinterpret_cast<LPARAM>(new DiagnosticReport(late)));
  PumpMessagesFor(200);
  EXPECT_EQ(state_->checkState, CheckState::Done);
  EXPECT_EQ(state_->currentReport.clipboardText, L"rapor");
}

// Reads and dismisses the message box the window thread is about to show.
class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer()
      : thread_([this] {
          for (int i = 0; i < 1500 && !done_; ++i) {
            HWND box = ::FindWindowW(L"#32770", nullptr);
            DWORD process = 0;
            // Read only once the box is shown with its text.
            if (box != nullptr && ::GetWindowThreadProcessId(box, &process) && process == ::GetCurrentProcessId() &&
                ::IsWindowVisible(box) && ::GetDlgItem(box, 0xFFFF) != nullptr) {
              wchar_t text[256] = {};
              ::GetWindowTextW(::GetDlgItem(box, 0xFFFF), text, 256);
              text_ = text;
              ::PostMessageW(box, WM_COMMAND, IDOK, 0);
              return;
            }
            ::Sleep(20);
          }
        }) {}
  ~MessageBoxAnswerer() { Text(); }
  std::wstring Text() {
    done_ = true;
    if (thread_.joinable()) thread_.join();
    return text_;
  }

 private:
  std::atomic<bool> done_{false};
  std::wstring text_;
  std::thread thread_;
};

TEST_F(InProcessWindow, AStuckCheckNoLongerHoldsTheWindowButAnInstallationDoes) {
  state_->busy = true;  // as the install flow sets it
  state_->checking = false;
  {
    MessageBoxAnswerer answer;
    ::SendMessageW(window_, WM_CLOSE, 0, 0);
    // The window stays; the answerer has read the box by the time it returned.
    EXPECT_TRUE(::IsWindow(window_));
    EXPECT_EQ(answer.Text(), L"Kurulum işlemi sürüyor. Lütfen birkaç saniye bekleyin.");
  }
  state_->busy = false;

  UniqueHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  g_release = release.get();
  SetReportBuilderForTesting(BlockedReport);
  StartCheck();
  ASSERT_TRUE(state_->busy && state_->checking);
  state_->checkStartedTick -= kCheckCloseAfterMs + 1;
  ::SendMessageW(window_, WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(window_));
  // The worker ends after the window: its post fails and it frees its report itself.
  ::SetEvent(release.get());
  PumpMessagesFor(300);
}

TEST_F(InProcessWindow, TheKeyboardKeepsAControlThroughACheckAndEnterPressesIt) {
  SetReportBuilderForTesting(ReadyReport);
  ::SetForegroundWindow(window_);
  ASSERT_EQ(::GetActiveWindow(), window_);
  HWND check = state_->controls.checkButton;
  ::SetFocus(check);
  // Enter reaches the window as IDOK, as the dialog manager sends it, and presses the focused button.
  ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  ASSERT_TRUE(state_->checking);
  // The pressed button is disabled now; the result list holds the focus (never the frame), and keeps it.
  EXPECT_EQ(::GetFocus(), state_->controls.requirementList);
  ASSERT_TRUE(WaitUntilDone());
  EXPECT_EQ(::GetFocus(), state_->controls.requirementList);
  // After another window was in front, the control that had the focus has it again.
  ::SetFocus(state_->controls.guideButton);
  ::SendMessageW(window_, WM_ACTIVATE, WA_INACTIVE, 0);
  ::SetFocus(window_);
  ::SendMessageW(window_, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(::GetFocus(), state_->controls.guideButton);
}

TEST_F(InProcessWindow, DpiChangesScaleRowsAndFontsAndTwentyChecksLeakNoObjects) {
  SetReportBuilderForTesting(ReadyReport);
  const auto change_dpi = [this](int dpi) {
    RECT rect{0, 0, ::MulDiv(776, dpi, 96), ::MulDiv(659, dpi, 96)};
    ::SendMessageW(window_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&rect));
  };
  const auto font_height = [this] {
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(state_->controls.checkButton, WM_GETFONT, 0, 0)),
                 sizeof(font), &font);
    return font.lfHeight;
  };
  HANDLE process = ::GetCurrentProcess();
  StartCheck();
  ASSERT_TRUE(WaitUntilDone());
  change_dpi(144);
  PumpMessagesFor(100);
  EXPECT_EQ(::SendMessageW(state_->controls.requirementList, LB_GETITEMHEIGHT, 0, 0), 51);
  EXPECT_EQ(font_height(), -20);
  const std::size_t icons = LoadedIconCount();
  const DWORD gdi = ::GetGuiResources(process, GR_GDIOBJECTS);
  const DWORD user = ::GetGuiResources(process, GR_USEROBJECTS);
  // The icons of each DPI replace those of the one before.
  for (int i = 1; i < 10; ++i) change_dpi(i % 2 == 1 ? 96 : 144);
  EXPECT_EQ(LoadedIconCount(), icons);
  if (gdi == 0 && user == 0) {
    GTEST_SKIP() << "GetGuiResources is a stub under Wine (0, ERROR_CALL_NOT_IMPLEMENTED): no object counts";
  }
  for (int i = 1; i < 20; ++i) {
    StartCheck();
    ASSERT_TRUE(WaitUntilDone());
  }
  change_dpi(144);
  PumpMessagesFor(100);
  EXPECT_EQ(font_height(), -20);
  EXPECT_EQ(::GetGuiResources(process, GR_GDIOBJECTS), gdi);
  EXPECT_EQ(::GetGuiResources(process, GR_USEROBJECTS), user);
}

TEST_F(InProcessWindow, HighContrastUsesSystemColours) {
  // Wine refuses SPI_SETHIGHCONTRAST (error 1439), so the window is told that high contrast is on.
  SetHighContrastForTesting(1);
  SetReportBuilderForTesting(ReadyReport);
  StartCheck();
  ASSERT_TRUE(WaitUntilDone());
  ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  LetWindowSettle(window_);
  RECT client{};
  ::GetClientRect(window_, &client);
  const LayoutMetrics m = ComputeLayout(client.right, client.bottom, state_->dpi);
  const Capture shot = CaptureWindow(window_, L"high-contrast-96");
  EXPECT_EQ(shot.At(m.headerBand.left + 4, m.headerBand.top + 4), ::GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(shot.At(m.footerBand.left + 4, m.footerBand.bottom - 4), ::GetSysColor(COLOR_BTNFACE));
  const int side = std::clamp(m.listRowHeight - 8, 16, 22);
  const int badge_top = m.requirementList.top + (m.listRowHeight - side) / 2;
  EXPECT_EQ(shot.At(m.requirementList.left + 8 + side / 2, badge_top + side / 5), ::GetSysColor(COLOR_HIGHLIGHT));
}

}  // namespace
}  // namespace tavlun

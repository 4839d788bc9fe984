// The real program's window, started as a process and driven from here by messages to its controls, as a user
// would drive it: start-up texts for planted DLL states, a whole check with its row-by-row reveal, the refusal to
// close while it runs, a second check, the immediate reveal, screenshots and their colours.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/window_rect.h"
#include "core/system_dlls.h"
#include "core/text.h"
#include "core/unique_handle.h"
#include "tests/app/child_process.h"
#include "tests/support/planted_targets.h"
#include "tests/support/test_support.h"
#include "tests/ui/screen_capture.h"
#include "ui/accessibility_text.h"
#include "ui/layout.h"
#include "ui/main_window.h"
#include "ui/main_window_state.h"
#include "ui/palette.h"

namespace tavlun {
namespace {

using namespace testing_support;

// The nineteen controls in their z-order: the reading order, which is also the Tab order.
enum Control {
  kBrand, kTagline, kStatusTitle, kStatusDetail, kTargetCaption, kTargetPath, kPayloadCaption, kPayloadVersion,
  kHashCaption, kHashValue, kScopeNote, kRequirementsTitle, kRequirementsStatus, kCopy, kList, kFooter, kGuide,
  kCheck, kInstall, kControlCount
};

constexpr DWORD kCheckTimeoutMs = 90000;

#ifndef EVENT_OBJECT_LIVEREGIONCHANGED
#define EVENT_OBJECT_LIVEREGIONCHANGED 0x8019
#endif

// Accessibility events of the requirement list, and the announcements of the status title (a live-region change,
// or an alert where the live region is not known), as screen readers receive them.
struct ListEvent {
  DWORD event;
  LONG object;
  LONG child;
};
std::vector<ListEvent>* g_events = nullptr;
HWND g_list = nullptr;
HWND g_live = nullptr;

void CALLBACK OnListEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
  const bool announced = window == g_live && (event == EVENT_SYSTEM_ALERT || event == EVENT_OBJECT_LIVEREGIONCHANGED);
  if (g_events != nullptr && (window == g_list || announced) && object == OBJID_CLIENT) {
    g_events->push_back({event, object, child});
  }
}

// The list shown (S), its rows renamed (N) and announcements (A), in order.
std::string EventLetters(const std::vector<ListEvent>& events) {
  std::string letters;
  for (const ListEvent& e : events) {
    const bool announced = e.event == EVENT_SYSTEM_ALERT || e.event == EVENT_OBJECT_LIVEREGIONCHANGED;
    letters += e.event == EVENT_OBJECT_SHOW ? "S" : e.event == EVENT_OBJECT_NAMECHANGE ? "N" : announced ? "A" : "";
  }
  return letters;
}

// Client-area animation switched for the test, put back after it.
class ScopedAnimation {
 public:
  explicit ScopedAnimation(BOOL on) {
    ::SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &old_, 0);
    Set(on);
  }
  ~ScopedAnimation() { Set(old_); }

 private:
  static void Set(BOOL on) {
    ::SystemParametersInfoW(SPI_SETCLIENTAREAANIMATION, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(on)),
                            SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
  }
  BOOL old_ = TRUE;
};

// The screen DPI of programs started meanwhile (Wine reads LogPixels when a process starts).
class ScopedLogPixels {
 public:
  explicit ScopedLogPixels(DWORD dpi) {
    ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(),
                      nullptr);
    DWORD size = sizeof(old_);
    had_ = ::RegQueryValueExW(key_.get(), L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) == 0;
    ::RegSetValueExW(key_.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi));
  }
  ~ScopedLogPixels() {
    if (!had_) ::RegDeleteValueW(key_.get(), L"LogPixels");
    if (had_) ::RegSetValueExW(key_.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), 4);
  }

 private:
  UniqueRegKey key_;
  DWORD old_ = 96;
  bool had_ = false;
};

class ProgramWindow {
 public:
  ~ProgramWindow() {
    if (hook_ != nullptr) ::UnhookWinEvent(hook_);
    g_events = nullptr;
    g_list = nullptr;
    g_live = nullptr;
  }

  void Start() {
    ASSERT_TRUE(child_.Start(ProgramPath(), L""));
    child_.Resume();
    for (int i = 0; i < 1200 && (main_ == nullptr || !::IsWindowVisible(main_)); ++i) {
      PumpMessagesFor(50);
      main_ = FindProcessWindow(child_.id(), kMainWindowClass);
    }
    ASSERT_NE(main_, nullptr) << "no main window appeared";
    for (HWND c = ::GetWindow(main_, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) controls_.push_back(c);
    ASSERT_EQ(controls_.size(), static_cast<std::size_t>(kControlCount));
    ASSERT_EQ(::GetDlgCtrlID(controls_[kList]), kRequirementListId);
    ASSERT_EQ(::GetDlgCtrlID(controls_[kCopy]), kCopyButtonId);
    g_events = &events_;
    g_list = controls_[kList];
    g_live = controls_[kStatusTitle];
    hook_ = ::SetWinEventHook(EVENT_SYSTEM_ALERT, EVENT_OBJECT_LIVEREGIONCHANGED, nullptr, OnListEvent, child_.id(), 0,
                              WINEVENT_OUTOFCONTEXT);
    LetWindowSettle(main_);
  }

  HWND main() const { return main_; }
  DWORD process_id() const { return child_.id(); }
  HWND operator[](Control c) const { return controls_[c]; }
  std::wstring Text(Control c) const { return WindowText(controls_[c]); }
  bool Visible(Control c) const { return ::IsWindowVisible(controls_[c]) != FALSE; }
  bool Enabled(Control c) const { return ::IsWindowEnabled(controls_[c]) != FALSE; }
  std::vector<ListEvent>& events() { return events_; }

  static std::wstring WindowText(HWND window) {
    wchar_t buffer[1024] = {};
    ::SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer));
    return buffer;
  }
  std::wstring Row(int index) const {
    wchar_t buffer[1024] = {};
    if (::SendMessageW(controls_[kList], LB_GETTEXTLEN, index, 0) < 1024) {
      ::SendMessageW(controls_[kList], LB_GETTEXT, index, reinterpret_cast<LPARAM>(buffer));
    }
    return buffer;
  }
  std::vector<LRESULT> RowStates() const {
    std::vector<LRESULT> states;
    const LRESULT count = ::SendMessageW(controls_[kList], LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) states.push_back(::SendMessageW(controls_[kList], LB_GETITEMDATA, i, 0));
    return states;
  }
  void Click(Control c) { ::SendMessageW(controls_[c], BM_CLICK, 0, 0); }
  // The control that has the keyboard focus in the program.
  HWND Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return ::GetGUIThreadInfo(::GetWindowThreadProcessId(main_, nullptr), &info) ? info.hwndFocus : nullptr;
  }
  // A key as the keyboard delivers it: to the control with the focus, through the program's message loop.
  void Key(UINT message, WPARAM key, bool alt) {
    ::PostMessageW(Focus(), message, key, 1 | (alt ? (1 << 29) : 0));
    LetWindowSettle(main_);
  }

  bool WaitForCheckEnd() {
    for (DWORD waited = 0; waited < kCheckTimeoutMs; waited += 50) {
      if (Text(kRequirementsTitle) == L"Sistem kontrolü tamamlandı" && Visible(kCopy)) {
        LetWindowSettle(main_);
        return true;
      }
      PumpMessagesFor(50);
    }
    return false;
  }

  // The message box the program shows, its text, and a click on its OK button.
  std::wstring DismissMessageBox() {
    for (int i = 0; i < 600; ++i) {
      HWND box = FindProcessWindow(child_.id(), L"#32770");
      // Read only once the box is shown with its text.
      if (box != nullptr && ::IsWindowVisible(box) && ::GetDlgItem(box, 0xFFFF) != nullptr) {
        const std::wstring text = WindowText(::GetDlgItem(box, 0xFFFF));
        const std::wstring caption = WindowText(box);
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        for (int j = 0; j < 100 && ::IsWindow(box); ++j) PumpMessagesFor(20);
        return caption + L"|" + text;
      }
      PumpMessagesFor(50);
    }
    return L"(no message box)";
  }

  DWORD CloseAndWait() {
    ::PostMessageW(main_, WM_CLOSE, 0, 0);
    DWORD code = 999;
    EXPECT_TRUE(child_.WaitForExit(30000, &code));
    return code;
  }

 private:
  ChildProcess child_;
  HWND main_ = nullptr;
  std::vector<HWND> controls_;
  std::vector<ListEvent> events_;
  HWINEVENTHOOK hook_ = nullptr;
};

LayoutMetrics LayoutOf(HWND window, int dpi) {
  RECT client{};
  ::GetClientRect(window, &client);
  return ComputeLayout(client.right, client.bottom, dpi);
}

// The summary line the window must show for the rows it shows.
std::wstring SummaryOfShownRows(const std::vector<LRESULT>& states) {
  const auto count = [&](LRESULT s) {
    return DecimalText(static_cast<std::uint32_t>(std::count(states.begin(), states.end(), s)));
  };
  return count(1) + L" hazır  •  " + count(2) + L" dikkat  •  " + count(3) + L" eksik";
}

class MainWindowProcess : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(planted_.ready()); }
  PlantedTargets planted_;
};

TEST_F(MainWindowProcess, StartUpTextsFollowTheInstalledFiles) {
  struct Case {
    const char* name;
    bool plant32, plant64;
    const wchar_t* copy64;  // a different 64-bit file
    const wchar_t* title;
    const wchar_t* install_text;
    bool install_enabled;
  };
  const Case cases[] = {
      {"missing", false, false, nullptr, L"Kurulum gerekli", L"AKİS &DLL'lerini kur", true},
      {"matching", true, true, nullptr, L"Kurulum hazır", L"&DLL'leri doğrula", false},
      {"different", true, false, L"akis_x64_3.4.1.0.dll", L"Farklı bir DLL bulundu", L"AKİS &DLL'lerini kur", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    planted_.Clear();
    if (c.plant32) {
      ASSERT_TRUE(planted_.PlantEmbedded(kTarget32));
    }
    if (c.plant64) {
      ASSERT_TRUE(planted_.PlantEmbedded(kTarget64));
    }
    if (c.copy64 != nullptr) {
      ASSERT_TRUE(planted_.PlantCopy(kTarget64, TestDll(c.copy64)));
    }
    const DllState expected = AssessDllState();

    ProgramWindow window;
    ASSERT_NO_FATAL_FAILURE(window.Start());
    EXPECT_EQ(window.Text(kBrand), L"tavlun.com.tr");
    EXPECT_EQ(window.Text(kStatusTitle), c.title);
    EXPECT_EQ(window.Text(kStatusDetail), expected.message);
    EXPECT_EQ(window.Text(kTargetPath),
              L"32-bit: " + planted_.Display(kTarget32) + L"   |   64-bit: " + planted_.Display(kTarget64));
    EXPECT_EQ(window.Text(kInstall), c.install_text);
    EXPECT_EQ(window.Enabled(kInstall), c.install_enabled);
    EXPECT_TRUE(window.Enabled(kCheck));
    EXPECT_TRUE(window.Enabled(kGuide));
    EXPECT_EQ(window.Text(kCheck), L"Sistem &kontrolü");
    EXPECT_TRUE(window.Visible(kHashValue));
    EXPECT_FALSE(window.Visible(kList));
    EXPECT_FALSE(window.Visible(kCopy));
    EXPECT_EQ(window.CloseAndWait(), 0u);
  }
}

TEST_F(MainWindowProcess, CheckRevealsRowsOneByOneRefusesToCloseAndStartsAfreshTheSecondTime) {
  ASSERT_TRUE(planted_.PlantEmbedded(kTarget32));
  ASSERT_TRUE(planted_.PlantEmbedded(kTarget64));
  ScopedAnimation animation(TRUE);
  ProgramWindow window;
  ASSERT_NO_FATAL_FAILURE(window.Start());

  // The start state and its colours: header band, white status card, disabled install button.
  const LayoutMetrics m = LayoutOf(window.main(), 96);
  Capture start = CaptureWindow(window.main(), L"start-96");
  EXPECT_EQ(start.At(m.headerBand.left + 4, m.headerBand.top + 4), palette::kHeaderBand);
  EXPECT_EQ(start.At(m.statusCard.right - 24, m.statusCard.top + 8), palette::kWhite);
  EXPECT_EQ(start.At(m.installButton.left + 6, (m.installButton.top + m.installButton.bottom) / 2),
            palette::kDisabled);

  window.Click(kCheck);
  EXPECT_EQ(window.Focus(), window[kList]) << "the focus waits on the list, not on the frame, while the check runs";
  // Processed in order after the click: both arrive while the check runs.
  ::PostMessageW(window.main(), WM_COMMAND, MAKEWPARAM(kCheckButtonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(window[kCheck]));
  ::PostMessageW(window.main(), WM_CLOSE, 0, 0);
  EXPECT_EQ(window.DismissMessageBox(),
            L"Tavlun Yardımcısı|Sistem kontrolü sürüyor. Lütfen birkaç saniye bekleyin.");
  EXPECT_TRUE(::IsWindow(window.main()));
  ASSERT_TRUE(window.WaitForCheckEnd());

  // One check, its rows revealed one by one: each row's result, then the next row marked as in progress.
  std::vector<LONG> changed;
  int started = 0;
  for (const ListEvent& e : window.events()) {
    if (e.event == EVENT_OBJECT_NAMECHANGE) changed.push_back(e.child);
    if (e.event == EVENT_OBJECT_SHOW && e.child == CHILDID_SELF) ++started;
  }
  EXPECT_EQ(started, 1);
  EXPECT_EQ(changed, (std::vector<LONG>{1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6}));
  // Screen readers hear the check start, then the summary once the last row is shown.
  EXPECT_EQ(EventLetters(window.events()), "SA" + std::string(11, 'N') + "A");

  const std::vector<LRESULT> states = window.RowStates();
  ASSERT_EQ(states.size(), 6u);
  for (LRESULT s : states) EXPECT_TRUE(s >= 1 && s <= 3) << s;
  EXPECT_EQ(states[0], 1) << "the planted builds make the AKİS row ready";
  EXPECT_EQ(window.Row(0).rfind(L"AKİS DLL\tHazır — ", 0), 0u);
  EXPECT_EQ(window.Text(kRequirementsTitle), L"Sistem kontrolü tamamlandı");
  EXPECT_EQ(window.Text(kRequirementsStatus), SummaryOfShownRows(states));
  EXPECT_TRUE(window.Visible(kCopy));
  EXPECT_TRUE(window.Enabled(kCopy));
  EXPECT_EQ(window.Text(kCheck), L"Yeniden &kontrol et");
  EXPECT_FALSE(window.Visible(kHashValue));

  // The finished check and a ready badge.
  const LayoutMetrics done = LayoutOf(window.main(), 96);
  Capture finished = CaptureWindow(window.main(), L"finished-96");
  const int side = std::clamp(done.listRowHeight - 8, 16, 22);
  const int badge_top = done.requirementList.top + (done.listRowHeight - side) / 2;
  EXPECT_EQ(finished.At(done.requirementList.left + 8 + side / 2, badge_top + side / 5), palette::kReadyGreen);

  // A second check discards the first result at once.
  window.events().clear();
  window.Click(kCheck);
  EXPECT_FALSE(window.Visible(kCopy));
  EXPECT_EQ(window.RowStates(), (std::vector<LRESULT>(6, 0)));
  EXPECT_EQ(window.Row(0), L"AKİS DLL\tDenetleniyor…");
  EXPECT_EQ(window.Row(5), L"Okuyucu ve kart\tBekliyor");
  EXPECT_EQ(window.Text(kCheck), L"&Kontrol ediliyor…");
  EXPECT_FALSE(window.Enabled(kCheck));
  EXPECT_FALSE(window.Enabled(kGuide));
  ASSERT_TRUE(window.WaitForCheckEnd());
  EXPECT_EQ(window.CloseAndWait(), 0u);
}

// The rectangle of a child control in its parent's client coordinates.
RECT ChildRect(HWND control) {
  RECT r{};
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The height the status detail needs at its label's width. A font handle belongs to the process that made it,
// so the label's body font (10 pt Segoe UI, 400) is made again here at the window's DPI.
int NeededDetailHeight(HWND label, int dpi) {
  UniqueHfont font(::CreateFontW(-::MulDiv(10, dpi, 72), 0, 0, 0, 400, FALSE, FALSE, FALSE, TURKISH_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI"));
  UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  SelectedObject selected(dc.get(), font.get());
  const std::wstring text = ProgramWindow::WindowText(label);
  const RECT shown = ChildRect(label);
  RECT r{0, 0, shown.right - shown.left, 0};
  ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
  return r.bottom;
}

TEST_F(MainWindowProcess, ALongStatusDetailIsShownWhole) {
  // An older 32-bit file and an altered 64-bit file of the same version: the longest verdict there is.
  ASSERT_TRUE(planted_.PlantCopy(kTarget32, TestDll(L"akis_x86_3.4.1.0.dll")));
  ASSERT_TRUE(planted_.PlantCopy(kTarget64, TestDll(L"akis_x64_3.4.2.0.dll")));
  const std::wstring message = AssessDllState().message;
  ASSERT_NE(message.find(L"Bu araç onu onarmaz"), std::wstring::npos);
  ScopedAnimation animation(TRUE);
  struct Case {
    int dpi, window_width, window_height;  // 0: the window's own size
    const wchar_t* name;
  };
  // The smallest compact window leaves the card about room for the whole text, or ends it with an ellipsis.
  for (const Case& c : {Case{96, 0, 0, L"long-96"}, Case{96, 560, 462, L"long-compact-96"},
                        Case{144, 0, 0, L"long-144"}}) {
    SCOPED_TRACE(testing::Message() << c.dpi << " " << c.window_height);
    ScopedLogPixels dpi(c.dpi);
    ProgramWindow window;
    ASSERT_NO_FATAL_FAILURE(window.Start());
    if (c.window_height != 0) {
      ::SetWindowPos(window.main(), nullptr, 0, 0, c.window_width, c.window_height, SWP_NOZORDER | SWP_NOMOVE);
      LetWindowSettle(window.main());
    }
    const std::wstring shown = window.Text(kStatusDetail);
    const RECT label = ChildRect(window[kStatusDetail]);
    EXPECT_GE(label.bottom - label.top, NeededDetailHeight(window[kStatusDetail], c.dpi));
    if (c.window_height == 0) {
      EXPECT_EQ(shown, message);
    } else if (shown != message) {  // no more room: the start of the message, ended with an ellipsis
      ASSERT_FALSE(shown.empty());
      EXPECT_EQ(shown.back(), L'…');
      EXPECT_EQ(message.rfind(shown.substr(0, shown.size() - 1), 0), 0u);
    }
    RECT client{};
    ::GetClientRect(window.main(), &client);
    for (Control row : {kTargetCaption, kTargetPath, kPayloadCaption, kPayloadVersion, kHashCaption, kHashValue,
                        kScopeNote}) {
      if (!window.Visible(row)) continue;
      const RECT r = ChildRect(window[row]);
      EXPECT_GE(r.top, label.bottom) << row;
      EXPECT_LE(r.bottom, ChildRect(window[kFooter]).top) << row;
      EXPECT_LE(r.bottom, client.bottom) << row;
    }
    EXPECT_TRUE(LayoutOf(window.main(), c.dpi).compact == (c.window_height != 0));
    CaptureWindow(window.main(), c.name);
    if (c.dpi == 96 && c.window_height == 0) {
      // The check's section opens under the card, which keeps of its growth what leaves room for the six rows.
      window.Click(kCheck);
      ASSERT_TRUE(window.WaitForCheckEnd());
      EXPECT_GE(ChildRect(window[kRequirementsTitle]).top, ChildRect(window[kStatusDetail]).bottom);
      const RECT list = ChildRect(window[kList]);
      EXPECT_LE(list.bottom, ChildRect(window[kCheck]).top);
      EXPECT_GE((list.bottom - list.top) / ::SendMessageW(window[kList], LB_GETITEMHEIGHT, 0, 0), 6);
      CaptureWindow(window.main(), L"long-finished-96");
    }
    EXPECT_EQ(window.CloseAndWait(), 0u);
  }
}

// A 1366×768 laptop (work area 1366×728) at 100, 125 and 150 %, the window placed as the program opens it there:
// after a check (once minimised during it) the list starts at its first row, all six in view or a scroll bar shown.
TEST_F(MainWindowProcess, AfterACheckTheRowsAreInViewOnALaptopScreen) {
  ScopedAnimation animation(TRUE);
  for (int dpi : {96, 120, 144}) {
    SCOPED_TRACE(dpi);
    ScopedLogPixels pixels(static_cast<DWORD>(dpi));
    ProgramWindow window;
    ASSERT_NO_FATAL_FAILURE(window.Start());
    RECT frame{}, client{}, list{};
    ::GetWindowRect(window.main(), &frame);
    ::GetClientRect(window.main(), &client);
    InitialRectInput input{};
    input.window_width = ::MulDiv(760, dpi, 96) + (frame.right - frame.left) - client.right;
    input.window_height = ::MulDiv(620, dpi, 96) + (frame.bottom - frame.top) - client.bottom;
    input.work_area = RECT{0, 0, 1366, 728};
    input.dpi = dpi;
    const RECT placed = PlaceInitialWindow(input);
    ::SetWindowPos(window.main(), nullptr, placed.left, placed.top, placed.right - placed.left,
                   placed.bottom - placed.top, SWP_NOZORDER);
    LetWindowSettle(window.main());
    window.Click(kCheck);
    if (dpi == 120) {  // minimised while the rows are revealed, then restored
      ::ShowWindow(window.main(), SW_MINIMIZE);
      PumpMessagesFor(1200);
      ::ShowWindow(window.main(), SW_RESTORE);
    }
    ASSERT_TRUE(window.WaitForCheckEnd());
    ::GetClientRect(window[kList], &list);
    const LRESULT visible = list.bottom / ::SendMessageW(window[kList], LB_GETITEMHEIGHT, 0, 0);
    EXPECT_EQ(::SendMessageW(window[kList], LB_GETTOPINDEX, 0, 0), 0);
    // At 150 % the client area is about 415 logical pixels high: at least five rows, the scroll bar for the sixth.
    EXPECT_GE(visible, dpi < 144 ? 6 : 5);
    if (visible < 6) {
      EXPECT_NE(::GetWindowLongW(window[kList], GWL_STYLE) & WS_VSCROLL, 0);
    }
    CaptureWindow(window.main(), L"laptop-finished-" + std::to_wstring(dpi));
    EXPECT_EQ(window.CloseAndWait(), 0u);
  }
}

TEST_F(MainWindowProcess, WithoutAnimationEveryRowShowsAtOnce) {
  ScopedAnimation animation(FALSE);
  ProgramWindow window;
  ASSERT_NO_FATAL_FAILURE(window.Start());
  window.Click(kCheck);
  ASSERT_TRUE(window.WaitForCheckEnd());
  std::vector<LONG> changed;
  for (const ListEvent& e : window.events()) {
    if (e.event == EVENT_OBJECT_NAMECHANGE) changed.push_back(e.child);
  }
  EXPECT_EQ(changed, (std::vector<LONG>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(window.CloseAndWait(), 0u);
}

TEST_F(MainWindowProcess, ScreenshotsAt144DpiAndInANarrowShortWindow) {
  ScopedAnimation animation(TRUE);
  {
    ScopedLogPixels dpi(144);
    ProgramWindow window;
    ASSERT_NO_FATAL_FAILURE(window.Start());
    const LayoutMetrics m = LayoutOf(window.main(), 144);
    const Capture start = CaptureWindow(window.main(), L"start-144");
    EXPECT_EQ(start.At(m.headerBand.left + 4, m.headerBand.top + 4), palette::kHeaderBand);
    // The 144-DPI layout puts the status card where the screen shows it.
    EXPECT_EQ(start.At(m.statusCard.right - 30, m.statusCard.top + 12), palette::kWhite);
    window.Click(kCheck);
    ASSERT_TRUE(window.WaitForCheckEnd());
    CaptureWindow(window.main(), L"finished-144");
    EXPECT_EQ(window.CloseAndWait(), 0u);
  }
  ProgramWindow window;
  ASSERT_NO_FATAL_FAILURE(window.Start());
  ::SetWindowPos(window.main(), nullptr, 0, 0, 700, 520, SWP_NOZORDER | SWP_NOMOVE);
  LetWindowSettle(window.main());
  EXPECT_TRUE(LayoutOf(window.main(), 96).compact);
  CaptureWindow(window.main(), L"compact-96");
  ::SetWindowPos(window.main(), nullptr, 0, 0, 400, 300, SWP_NOZORDER | SWP_NOMOVE);
  LetWindowSettle(window.main());
  RECT client{};
  ::GetClientRect(window.main(), &client);
  EXPECT_GE(client.right, 500) << "the minimum track size keeps the window usable";
  const LayoutMetrics m = LayoutOf(window.main(), 96);
  EXPECT_TRUE(m.shortTier);
  EXPECT_FALSE(window.Visible(kScopeNote));
  EXPECT_FALSE(window.Visible(kFooter));
  CaptureWindow(window.main(), L"narrow-96");
  window.Click(kCheck);
  ASSERT_TRUE(window.WaitForCheckEnd());
  CaptureWindow(window.main(), L"narrow-finished-96");
  // Fewer rows than six: after the reveal the list starts at its first row, its scroll bar shown.
  RECT list{};
  ::GetClientRect(window[kList], &list);
  const LRESULT visible = list.bottom / ::SendMessageW(window[kList], LB_GETITEMHEIGHT, 0, 0);
  ASSERT_LT(visible, 6);
  EXPECT_EQ(::SendMessageW(window[kList], LB_GETTOPINDEX, 0, 0), 0);
  EXPECT_NE(::GetWindowLongW(window[kList], GWL_STYLE) & WS_VSCROLL, 0);
  EXPECT_EQ(window.CloseAndWait(), 0u);
}

// What a screen reader reads for a control (child 0) or a row, through oleacc; "(none)" without an answer.
std::wstring AccessibleText(HWND control, LONG child, bool description = false) {
  using FromWindowFn = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
  static const auto from_window = reinterpret_cast<FromWindowFn>(reinterpret_cast<void*>(
      ::GetProcAddress(sysdll::LoadSystemDll(L"oleacc.dll"), "AccessibleObjectFromWindow")));
  ComPtr<IAccessible> object;
  VARIANT id{};
  id.vt = VT_I4;
  id.lVal = child;
  BSTR text = nullptr;
  if (from_window == nullptr || FAILED(from_window(control, OBJID_CLIENT, IID_IAccessible, object.put_void())) ||
      (description ? object->get_accDescription(id, &text) : object->get_accName(id, &text)) != S_OK) {
    return L"(none)";
  }
  const std::wstring result = text != nullptr ? text : L"";
  sysdll::OleAut32().SysFreeString(text);
  return result;
}

TEST_F(MainWindowProcess, KeyboardAloneReachesEveryCommandAndScreenReadersGetNames) {
  const ComApartment apartment;
  ProgramWindow window;
  ASSERT_NO_FATAL_FAILURE(window.Start());
  // Names as oleacc reads them: a button's without its access-key mark, the list's own.
  EXPECT_EQ(AccessibleText(window[kCheck], CHILDID_SELF), L"Sistem kontrolü");
  EXPECT_EQ(AccessibleText(window[kList], CHILDID_SELF), kResultListName);

  // Underlines hidden while Windows says so (as after using the mouse), shown once Alt is pressed.
  const auto hidden = [&] { return (::SendMessageW(window[kCheck], WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) != 0; };
  ::SendMessageW(window.main(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEACCEL), 0);
  LetWindowSettle(window.main());
  const bool hides = hidden();  // Wine keeps every window's UI state at "show all"
  const Capture before = CaptureWindow(window.main(), L"access-keys-hidden-96");
  window.Key(WM_SYSKEYDOWN, VK_MENU, true);
  EXPECT_FALSE(hidden());
  if (hides) {
    EXPECT_NE(CaptureWindow(window.main(), L"access-keys-shown-96").pixels, before.pixels);
  }

  // Alt+K starts the check; the focus waits on the list. Tab then walks the reading order.
  window.Key(WM_SYSCHAR, L'k', true);
  EXPECT_EQ(window.Text(kCheck), L"&Kontrol ediliyor…");
  EXPECT_EQ(window.Focus(), window[kList]);
  ASSERT_TRUE(window.WaitForCheckEnd());
  std::vector<HWND> walked;
  for (int i = 0; i < 5; ++i, walked.push_back(window.Focus())) window.Key(WM_KEYDOWN, VK_TAB, false);
  EXPECT_EQ(walked, (std::vector<HWND>{window[kGuide], window[kCheck], window[kInstall], window[kCopy], window[kList]}));

  // On a button the letter alone presses it too.
  window.Key(WM_KEYDOWN, VK_TAB, false);
  window.Key(WM_CHAR, L'k', false);
  EXPECT_EQ(window.Text(kCheck), L"&Kontrol ediliyor…");
  ASSERT_TRUE(window.WaitForCheckEnd());

  // The status card as the check button's description; a row named by title, state word and detail.
  std::wstring row = window.Row(0);
  row.replace(row.find(L'\t'), 1, L": ");
  const std::wstring names[] = {AccessibleText(window[kList], 1), row,
                                AccessibleText(window[kCheck], CHILDID_SELF, true),
                                StatusSpeech(window.Text(kStatusTitle), window.Text(kStatusDetail))};
  EXPECT_EQ(window.CloseAndWait(), 0u);
  if (names[0] == L"(none)") GTEST_SKIP() << "Wine's oleacc has no list box proxy and no property annotations";
  EXPECT_EQ(names[0], names[1]);
  EXPECT_EQ(names[2], names[3]);
}

}  // namespace
}  // namespace tavlun

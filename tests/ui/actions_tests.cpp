// The window's three actions, driven as a user drives them: the install flow (here, an administrator, and from a
// window without administrator rights through the elevated copy it watches), the confirmed clipboard copy, and the
// provider guide whose link buttons reach a recording browser. Modal dialogs of the test thread are worked by a
// driver thread that only reads texts and clicks; every check runs on the test thread.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "check/official_links.h"
#include "core/system_dlls.h"
#include "install/elevated_run.h"
#include "tests/app/child_process.h"
#include "tests/support/planted_targets.h"
#include "tests/support/test_support.h"
#include "tests/ui/screen_capture.h"
#include "ui/accessibility_text.h"
#include "ui/clipboard_copy.h"
#include "ui/clipboard_copy_win.h"
#include "ui/dpi.h"
#include "ui/install_flow_text.h"
#include "ui/main_window.h"
#include "ui/main_window_state.h"
#include "ui/provider_guide_win.h"
#include "ui/window_icons.h"

namespace tavlun {
namespace {

using namespace testing_support;

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      ::SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
  return text;
}

// A visible dialog of the process other than `previous`, once `previous` is gone; nullptr after 15 s.
HWND NextDialog(DWORD process_id, HWND previous = nullptr) {
  for (int i = 0; i < 300; ++i, ::Sleep(50)) {
    HWND dialog = FindProcessWindow(process_id, L"#32770");
    if (dialog != nullptr && dialog != previous && ::IsWindowVisible(dialog) && !::IsWindow(previous)) return dialog;
  }
  return nullptr;
}

// The child showing `text`, or nullptr; with an empty text, every visible child's text followed by "|".
HWND ChildWithText(HWND dialog, const std::wstring& text, std::wstring* all = nullptr) {
  for (HWND c = ::GetWindow(dialog, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
    if (all != nullptr && ::IsWindowVisible(c)) *all += TextOf(c) + L"|";
    if (!text.empty() && TextOf(c) == text) return c;
  }
  return nullptr;
}
std::wstring DialogTexts(HWND dialog) {
  std::wstring all;
  ChildWithText(dialog, L"", &all);
  return all;
}

// Every visible dialog window of the process.
std::vector<HWND> ProcessDialogs(DWORD process_id) {
  std::vector<HWND> shown;
  for (HWND dialog : FindProcessWindows(process_id, L"#32770")) {
    if (::IsWindowVisible(dialog)) shown.push_back(dialog);
  }
  return shown;
}

void Click(HWND dialog, int id) { ::PostMessageW(dialog, TDM_CLICK_BUTTON, static_cast<WPARAM>(id), 0); }
void Answer(HWND box, int id) { ::PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(id), 0); }
std::wstring MessageText(HWND box) { return box != nullptr ? TextOf(::GetDlgItem(box, 0xFFFF)) : L"(none)"; }
bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

// The clipboard's Unicode text with its terminating NUL and anything after it: compared byte for byte.
std::wstring ClipboardText() {
  OpenedClipboard clipboard(nullptr);
  HANDLE data = clipboard ? ::GetClipboardData(CF_UNICODETEXT) : nullptr;
  const auto* units = data != nullptr ? static_cast<const wchar_t*>(::GlobalLock(data)) : nullptr;
  if (units == nullptr) return L"(empty)";
  std::wstring text(units, ::GlobalSize(data) / sizeof(wchar_t));
  ::GlobalUnlock(data);
  return text;
}

// The main window inside the test process, its state at hand.
class ActionWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(planted_.ready());
    g_dpi = ReadScreenDpi();
    LoadWindowIcons(nullptr);
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = MainWindowProc;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.lpszClassName = kMainWindowClass;
    // Another test of this program may have registered the class already.
    ASSERT_TRUE(::RegisterClassExW(&window_class) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS);
    window_ = ::CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 776,
                                659, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    state_ = MainWindowStateFrom(window_);
    ASSERT_NE(state_, nullptr);
  }
  void TearDown() override {
    ::DestroyWindow(window_);
    PumpMessagesFor(50);  // takes the window's WM_QUIT, which would end the next test's modal dialogs at once
  }

  // Sends a button's command on the test thread while `script` works the dialogs it opens.
  void Press(int command, const std::function<void()>& script) {
    std::thread driver(script);
    ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
    driver.join();
  }

  PlantedTargets planted_;
  HWND window_ = nullptr;
  MainWindowState* state_ = nullptr;
  const DWORD self_ = ::GetCurrentProcessId();
};

TEST_F(ActionWindow, InstallAsAdministratorAsksWithNoAsDefaultThenRunsHereAndReadsTheFilesAgain) {
  ASSERT_EQ(state_->dllAssessmentSnapshot.kind, DllStateKind::Missing);
  std::wstring question, outcome;
  std::vector<HWND> open_dialogs;
  Press(kInstallButtonId, [&] {
    HWND box = NextDialog(self_);
    question = MessageText(box);
    // The question's own loop delivers what is posted to the window: a second press and a close must wait.
    ::PostMessageW(window_, WM_COMMAND, MAKEWPARAM(kInstallButtonId, BN_CLICKED), 0);
    ::PostMessageW(window_, WM_CLOSE, 0, 0);
    ::Sleep(500);
    open_dialogs = ProcessDialogs(self_);
    for (HWND extra : open_dialogs) {
      if (extra != box) Answer(extra, IDNO);
    }
    ::PostMessageW(box, WM_KEYDOWN, VK_RETURN, 0);  // Enter answers the default: No
  });
  EXPECT_EQ(question, kInstallConfirmText);
  EXPECT_EQ(open_dialogs.size(), 1u);
  ASSERT_TRUE(::IsWindow(window_));

  // A file appears behind the window's back: the run must read the files again afterwards.
  const std::wstring before = state_->dllAssessmentSnapshot.message;
  ASSERT_TRUE(planted_.PlantEmbedded(kTarget32));
  // Both runs below find the work area as the test found it, and leave it so.
  wchar_t work_area[MAX_PATH] = {};
  ::ExpandEnvironmentStringsW(L"%ProgramData%\\TavlunYardimcisi", work_area, MAX_PATH);
  const bool existed = ::GetFileAttributesW(work_area) != INVALID_FILE_ATTRIBUTES;
  const auto reset_work_area = [&] {
    if (!existed) RemoveTree(work_area);
  };
  Press(kInstallButtonId, [&] {
    HWND box = NextDialog(self_);
    Answer(box, IDYES);
    HWND result = NextDialog(self_, box);
    outcome = MessageText(result);
    Answer(result, IDOK);
  });
  reset_work_area();
  // Wine cannot prove the work area's protection, so the engine refuses; the same run again says the same.
  EXPECT_EQ(outcome, InProcessOutcomeNotice(RunElevatedInstall()).text);
  reset_work_area();
  EXPECT_TRUE(Contains(outcome, L"Güvenli yedek/günlük alanı hazırlanamadı")) << Utf8(outcome);
  EXPECT_EQ(state_->dllAssessmentSnapshot.message, AssessDllState().message);
  EXPECT_NE(state_->dllAssessmentSnapshot.message, before);
  EXPECT_FALSE(state_->busy);
  // The changed status card is announced to screen readers.
  EXPECT_EQ(state_->screenReader.last_announcement(),
            StatusSpeech(HeadlineFor(state_->dllAssessmentSnapshot).title, state_->statusDetailText));
}

TEST_F(ActionWindow, CopyOnlyAfterConfirmationAndExactlyTheTextShown) {
  const std::wstring report = L"Tavlun Yardımcısı — tanılama raporu\r\nAKİS DLL: Hazır\r\nJava: Dikkat • ğüşiöç İ\r\n";
  state_->checkState = CheckState::Done;
  state_->currentReport.clipboardText = report;
  std::wstring error, title, expanded, done;
  ASSERT_TRUE(CopyTextToClipboardFor(nullptr, L"başka program", error));
  Press(kCopyButtonId, [&] {
    HWND dialog = NextDialog(self_);
    title = TextOf(dialog);
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(title, kCopyDialogTitle);
  EXPECT_EQ(ClipboardText(), std::wstring(L"başka program", 14));

  // The content speaks of the text below it: the text is shown from the start, beside the copy button.
  Press(kCopyButtonId, [&] {
    HWND dialog = NextDialog(self_);
    if (HWND shown = ChildWithText(dialog, report); shown != nullptr && ::IsWindowVisible(shown)) expanded = TextOf(shown);
    ::Sleep(500);
    CaptureWindow(dialog, L"copy-confirmation-expanded");
    Click(dialog, kConfirmCopyButtonId);
    HWND box = NextDialog(self_, dialog);
    done = MessageText(box);
    Answer(box, IDOK);
  });
  EXPECT_EQ(expanded, report);
  EXPECT_EQ(ClipboardText(), report + L'\0');
  EXPECT_EQ(done, kCopyDone);

  // A text taller than the screen: one window shows all of it scrolling, with the copy button beside it.
  std::wstring long_report, viewed, dialog_texts, copy_text;
  for (int line = 1; line <= 120; ++line) long_report += L"Satır " + std::to_wstring(line) + L": Java 1.8 — hazır\r\n";
  state_->currentReport.clipboardText = long_report;
  RECT shown{}, work{};
  Press(kCopyButtonId, [&] {
    HWND dialog = NextDialog(self_);
    dialog_texts = DialogTexts(dialog);
    viewed = TextOf(::GetDlgItem(dialog, kCopyTextFieldId));
    copy_text = TextOf(::GetDlgItem(dialog, kConfirmCopyButtonId));
    ::GetWindowRect(dialog, &shown);
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ::Sleep(500);
    CaptureWindow(dialog, L"copy-confirmation-scrolling");
    Answer(dialog, kConfirmCopyButtonId);
    Answer(NextDialog(self_, dialog), IDOK);
  });
  EXPECT_TRUE(Contains(dialog_texts, kCopyScrollingContent)) << Utf8(dialog_texts);
  EXPECT_EQ(viewed, long_report);
  EXPECT_EQ(copy_text, kCopyButtonText);
  EXPECT_TRUE(shown.top >= work.top && shown.bottom <= work.bottom && shown.left >= work.left &&
              shown.right <= work.right);
  EXPECT_EQ(ClipboardText(), long_report + L'\0');
  // Cancel, the default, copies nothing.
  ASSERT_TRUE(CopyTextToClipboardFor(nullptr, L"başka program", error));
  LRESULT default_id = 0;
  Press(kCopyButtonId, [&] {
    HWND dialog = NextDialog(self_);
    default_id = ::SendMessageW(dialog, DM_GETDEFID, 0, 0);
    Answer(dialog, IDCANCEL);
  });
  EXPECT_EQ(default_id, MAKELRESULT(IDCANCEL, DC_HASDEFID));
  EXPECT_EQ(ClipboardText(), std::wstring(L"başka program", 14));

  // Another program holds the clipboard open.
  state_->currentReport.clipboardText = report;
  UniqueHandle ready(::CreateEventW(nullptr, TRUE, FALSE, L"TavlunClipboardHeld"));
  ChildProcess holder;
  ASSERT_TRUE(holder.Start(ToolPath(L"clipboard_holder.exe"), L"TavlunClipboardHeld"));
  holder.Resume();
  ASSERT_EQ(::WaitForSingleObject(ready.get(), 20000), WAIT_OBJECT_0);
  // It is asked again for about a second, then told in plain words; one that lets go meanwhile gets the report.
  state_->currentReport.clipboardText = report;
  ULONGLONG asked = 0, told = 0;
  Press(kCopyButtonId, [&] {
    HWND dialog = NextDialog(self_);
    asked = ::GetTickCount64();
    Click(dialog, kConfirmCopyButtonId);
    HWND box = NextDialog(self_, dialog);
    told = ::GetTickCount64();
    error = MessageText(box);
    Answer(box, IDOK);
  });
  EXPECT_EQ(error, kClipboardBusyText);
  EXPECT_GE(told - asked, 900u);
  Press(kCopyButtonId, [&] {
    HWND dialog = NextDialog(self_);
    Click(dialog, kConfirmCopyButtonId);
    ::Sleep(300);
    holder.Terminate();
    HWND box = NextDialog(self_, dialog);
    error = MessageText(box);
    Answer(box, IDOK);
  });
  EXPECT_EQ(error, kCopyDone);
  EXPECT_EQ(ClipboardText(), report + L'\0');

  // The length limit comes before any clipboard call.
  const DWORD sequence = ::GetClipboardSequenceNumber();
  EXPECT_FALSE(CopyTextToClipboardFor(window_, std::wstring(32768, L'ş'), error));
  EXPECT_EQ(error, kCopyLengthInvalid);
  EXPECT_EQ(::GetClipboardSequenceNumber(), sequence);
  EXPECT_TRUE(CopyTextToClipboardFor(window_, std::wstring(32767, L'ş'), error)) << Utf8(error);
  EXPECT_EQ(ClipboardText(), std::wstring(32767, L'ş') + L'\0');
}

// Points the prefix's https handler at the recording browser and puts the old handler back.
class RecordingBrowser {
 public:
  RecordingBrowser() : record_(scratch_.Child(L"urls.txt")) {
    ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\https\\shell\\open\\command", 0, nullptr, 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key_.put(), nullptr);
    old_.resize(1024);
    DWORD size = static_cast<DWORD>(old_.size() * sizeof(wchar_t));
    had_ = ::RegQueryValueExW(key_.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(&old_[0]), &size) == 0;
    old_ = old_.c_str();
    Set(QuoteArgument(ToolPath(L"url_recorder.exe")) + L" " + QuoteArgument(record_) + L" \"%1\"");
  }
  ~RecordingBrowser() { had_ ? Set(old_) : void(::RegDeleteValueW(key_.get(), nullptr)); }

  // The addresses received, one per line, after waiting up to 15 s for `count` of them.
  std::string Received(std::size_t count) const {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 300; ++i, ::Sleep(50)) {
      bytes = ReadBytes(record_);
      if (static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) >= count) break;
    }
    return std::string(bytes.begin(), bytes.end());
  }

 private:
  void Set(const std::wstring& command) {
    ::RegSetValueExW(key_.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                     static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
  }
  ScratchDir scratch_;
  std::wstring record_;
  UniqueRegKey key_;
  bool had_ = false;
  std::wstring old_;
};

TEST_F(ActionWindow, GuideWalksToEachProvidersPagesAndOpensOnlyAllowlistedAddresses) {
  RecordingBrowser browser;
  // The walk: a button id clicks and waits for the next dialog; kRead keeps the dialog's texts; kOpen1 and kOpen2
  // click a link and wait until the browser has its address, so the addresses arrive in order.
  constexpr int kRead = -1, kOpen1 = -2, kOpen2 = -3;
  const int walk[] = {kRead,  2101,         kRead, kOpen1, kOpen2, kGuideBackToProviders,   // Kamu SM
                      2102,   kRead,        kGuideBackToProviders, kRead,                   // E-Güven, back
                      2102,   kCardEToken,  kRead, kOpen1, kGuideBackToProviders,           // E-Güven E-Token
                      kGuideMoreProviders,  2104, kCardAkis, kRead, kOpen1, kGuideBackToProviders,  // E-Tuğra AKİS
                      2108,   kRead,        kOpen2, IDCLOSE};                               // Bilmiyorum / Diğer
  std::vector<std::wstring> seen;
  std::string addresses;  // each opened address, in order, whether the browser got it or it was shown
  std::size_t shown_instead = 0;
  std::size_t consumed = 0;  // bytes of the browser's record already taken
  Press(kGuideButtonId, [&] {
    HWND d = NextDialog(self_);
    for (int step : walk) {
      if (step == kRead) {
        seen.push_back(TextOf(d) + L"|" + DialogTexts(d));
      } else if (step == kOpen1 || step == kOpen2) {
        Click(d, step == kOpen1 ? kGuideLink1 : kGuideLink2);
        // The address reaches the browser, or, when Wine's desktop shell refuses it (it sometimes does for a
        // second link), is shown in full instead: either way exactly that address.
        for (int i = 0; i < 300; ++i, ::Sleep(50)) {
          const std::string lines = browser.Received(0);
          const std::size_t end = lines.find('\n', consumed);
          if (end != std::string::npos) {
            addresses += lines.substr(consumed, end + 1 - consumed);
            consumed = end + 1;
            break;
          }
          HWND shown = nullptr;
          for (HWND box : ProcessDialogs(self_)) shown = box != d ? box : shown;
          const std::wstring text = MessageText(shown);
          if (shown != nullptr && text.rfind(kOfficialLinkShownInstead, 0) == 0) {
            addresses += Utf8(text.substr(std::wstring(kOfficialLinkShownInstead).size())) + "\n";
            ++shown_instead;
            Answer(shown, IDOK);
            break;
          }
        }
      } else {
        if (seen.size() == 4 && step == kGuideBackToProviders) {
          ::SendMessageW(ChildWithText(d, kGuideNoteCollapsed), BM_CLICK, 0, 0);
          // Wine moves the command links down without erasing where they were: repaint all for the picture.
          ::RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
          ::Sleep(500);
          CaptureWindow(d, L"guide-e-guven-e-token");
        }
        Click(d, step);
        if (step != IDCLOSE) d = NextDialog(self_, d);
      }
    }
  });
  ASSERT_EQ(seen.size(), 7u);
  const std::wstring install = L"Ana ekrandaki “AKİS DLL'lerini kur” işlemini kullanmayın";
  const std::wstring deletion = L"Initialize veya Delete Certificate gibi silme komutlarını";
  const std::wstring pin = L"\nPIN/PUK kodunu hiçbir kişi veya destek görevlisiyle paylaşmayın.|";
  struct Expect {
    std::size_t dialog;
    std::wstring text;
    bool present;
  };
  const Expect expectations[] = {
      {0, L"Tavlun — E-İmza Rehberi|", true},
      {0, L"Bilmiyorum / Diğer\nÖnce sağlayıcıyı güvenli biçimde doğrulayın|", true},
      {1, L"Seçilen kart/ara yazılım: AKİS + kart okuyucu sürücüsü\n\n1. Kartı", true},
      {1, L"Resmî sürücü hizmetini aç\nkamusm.bilgem.tubitak.gov.tr — tarayıcıda açılır|", true},
      {1, install, false}, {1, pin, true},
      {2, L"E-Güven kart/token veya yönetim yazılımı|", true},
      {3, L"Sertifikanızı veren sağlayıcıyı seçin|", true},  // back at the provider list
      {4, install, true}, {4, deletion, true}, {4, pin, true},
      {4, L"E-Güven E-Token yazılımını aç\ne-guven.com — tarayıcıda açılır|", true},
      {5, install, false}, {5, deletion, false},
      {6, L"Seçilen kart/ara yazılım: Henüz belirlenmedi", true}, {6, install, true},
  };
  for (const Expect& e : expectations) {
    EXPECT_EQ(Contains(seen[e.dialog], e.text), e.present) << e.dialog << " " << Utf8(e.text);
  }
  const std::string opened = Utf8(std::wstring(kUrlKamuSmDriverService) + L"\n" + kUrlKamuSmFirstUse + L"\n" +
                                  kUrlEGuvenEToken + L"\n" + kUrlETugraDownloadCentre + L"\n" + kUrlEDevletESignature +
                                  L"\n");
  EXPECT_EQ(addresses, opened);
  // Under Wine the desktop shell sometimes refuses every address of a run; each was then shown exactly.
  if (shown_instead > 0) std::printf("note: %u of 5 addresses shown instead of opened\n", unsigned(shown_instead));
  const std::string received = browser.Received(5 - shown_instead);

  // Addresses that only look official are refused and reach no browser.
  const OfficialLinkUrls lookalikes[] = {
      {L"https://e-guven.com/Destek-Masasi", L"http://e-guven.com/destek-masasi"},
      {L"https://e-guven.com/destek-masasi?download=1", nullptr},
  };
  std::vector<std::wstring> refusals;
  std::thread driver([&] {
    for (HWND box = nullptr; refusals.size() < 3; Answer(box, IDOK)) refusals.push_back(MessageText(box = NextDialog(self_, box)));
  });
  for (const OfficialLinkUrls& urls : lookalikes) {
    for (int button : {kGuideLink1, kGuideLink2}) {
      EXPECT_EQ(OfficialLinkCallback(window_, TDN_BUTTON_CLICKED, static_cast<WPARAM>(button), 0,
                                     reinterpret_cast<LONG_PTR>(&urls)),
                urls[button - kGuideLink1] != nullptr ? S_FALSE : S_OK);
    }
  }
  driver.join();
  EXPECT_EQ(refusals, std::vector<std::wstring>(3, kOfficialLinkFailed));
  ::Sleep(1000);
  EXPECT_EQ(browser.Received(6), received);
}

// Every guide dialog (measured at the test's DPI, compared in 96-DPI units) fits the work area of a 1024×600
// netbook at 100 % and of a 1366×768 laptop at 125 and 150 %.
TEST_F(ActionWindow, EveryGuideDialogFitsTheWorkAreaOfSmallScreens) {
  struct Screen {
    const char* name;
    int width, height, dpi;
  };
  const Screen screens[] = {{"1024x600 100 %", 1024, 560, 96}, {"1366x768 125 %", 1366, 728, 120},
                            {"1366x768 150 %", 1366, 728, 144}};
  // Each page: the buttons that lead to the next one.
  const std::vector<std::vector<int>> walks = {
      {2101, kGuideBackToProviders, 2102, kCardEToken, kGuideBackToProviders, kGuideMoreProviders, 2104,
       kCardSafeSign, IDCLOSE},
      {kGuideMoreProviders, 2107, kGuideBackToProviders, kGuideMoreProviders, kGuideFirstProviders, 2108, IDCLOSE}};
  const int dpi = ReadScreenDpi();
  int tallest = 0, widest = 0;
  for (const std::vector<int>& walk : walks) {
    Press(kGuideButtonId, [&] {
      HWND d = NextDialog(self_);
      for (int step : walk) {
        // The security note open too: the tallest the detail dialog gets.
        if (HWND note = ChildWithText(d, kGuideNoteCollapsed)) ::SendMessageW(note, BM_CLICK, 0, 0);
        ::Sleep(200);
        RECT r{};
        ::GetWindowRect(d, &r);
        tallest = std::max(tallest, static_cast<int>(::MulDiv(r.bottom - r.top, 96, dpi)));
        widest = std::max(widest, static_cast<int>(::MulDiv(r.right - r.left, 96, dpi)));
        if (step == walk.front() || step == IDCLOSE) {
          ::RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
          ::Sleep(300);
          CaptureWindow(d, L"guide-" + std::to_wstring(step == IDCLOSE ? 2 * (&walk - &walks[0]) + 1
                                                                        : 2 * (&walk - &walks[0])));
        }
        Click(d, step);
        if (step != IDCLOSE) d = NextDialog(self_, d);
      }
    });
  }
  for (const Screen& screen : screens) {
    EXPECT_LE(tallest, ::MulDiv(screen.height, 96, screen.dpi)) << screen.name;
    EXPECT_LE(widest, ::MulDiv(screen.width, 96, screen.dpi)) << screen.name;
  }
  std::printf("guide dialogs at %d DPI, widest × tallest in 96-DPI units: %d × %d\n", dpi, widest, tallest);

  // Closing the window while the guide is open closes the guide, then the window (the guide changes nothing).
  bool guide_closed = false;
  Press(kGuideButtonId, [&] {
    HWND d = NextDialog(self_);
    Click(d, kGuideMoreProviders);
    d = NextDialog(self_, d);
    ::PostMessageW(window_, WM_CLOSE, 0, 0);
    for (int i = 0; i < 300 && ::IsWindow(d); ++i) ::Sleep(20);
    guide_closed = !::IsWindow(d);
  });
  EXPECT_TRUE(guide_closed);
  EXPECT_FALSE(::IsWindow(window_));
}

TEST(CommonControls, TaskDialogsComeFromTheVersionSixAssemblyOfTheManifest) {
  const auto& comctl = sysdll::Comctl32();
  HMODULE owner = nullptr;
  ASSERT_TRUE(::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   reinterpret_cast<LPCWSTR>(comctl.TaskDialogIndirect), &owner));
  EXPECT_EQ(owner, comctl.module);
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(comctl.module, path, MAX_PATH);
  ::CharLowerW(path);
  // The side-by-side copy that the manifest names, not the version-5 file of System32.
  EXPECT_TRUE(Contains(path, L"microsoft.windows.common-controls_6595b64144ccf1df_6.")) << Utf8(path);
  if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr) {
    GTEST_SKIP() << "Wine's comctl32 reports version 5.81 from System32 and from its side-by-side copy alike";
  }
  EXPECT_GE(comctl.major_version, 6u);
}

// Suspends or resumes every thread of a process; the number of threads it reached.
int SetProcessRunning(DWORD process_id, bool running) {
  UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  int reached = 0;
  for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
    UniqueHandle thread(entry.th32OwnerProcessID == process_id
                            ? ::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID)
                            : nullptr);
    if (thread) reached += (running ? ::ResumeThread(thread.get()) : ::SuspendThread(thread.get())) != DWORD(-1);
  }
  return reached;
}

TEST(InstallFlowProcess, WithoutAdministratorRightsTheWindowWatchesTheElevatedCopyUntilItExits) {
  PlantedTargets planted;
  ASSERT_TRUE(planted.ready());
  ProcessJob job;
  ChildProcess runner;
  ASSERT_TRUE(runner.Start(ToolPath(L"run_restricted.exe"), QuoteArgument(ProgramPath())));
  ASSERT_TRUE(job.Add(runner.handle()));
  runner.Resume();
  HWND main = nullptr;  // the only main window now: the in-process ones are gone
  for (int i = 0; i < 400 && (main == nullptr || !::IsWindowVisible(main)); ++i, PumpMessagesFor(50)) {
    main = ::FindWindowW(kMainWindowClass, nullptr);
  }
  ASSERT_NE(main, nullptr);
  DWORD window_process = 0;
  ::GetWindowThreadProcessId(main, &window_process);
  const auto enabled = [&](int id) { return ::IsWindowEnabled(::GetDlgItem(main, id)) != FALSE; };
  // The elevated copy ("runas" under Wine: at once, with the same restricted token), held still while we look.
  // Refused at once, it can end before it is caught: then the window shows its outcome and the walk starts again.
  HWND box = nullptr;
  DWORD elevated = 0;
  UniqueHandle elevated_process;
  bool held = false;
  for (int attempt = 0; attempt < 5 && !held; ++attempt) {
    for (int i = 0; i < 100 && !enabled(kInstallButtonId); ++i) ::Sleep(20);
    ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(kInstallButtonId, BN_CLICKED), 0);
    box = NextDialog(window_process, box);
    EXPECT_EQ(MessageText(box), kInstallConfirmText);
    const std::size_t known = job.ProcessIds().size();
    Answer(box, IDYES);
    elevated = 0;
    for (int i = 0; i < 1000 && elevated == 0; ++i, ::Sleep(5)) {
      if (job.ProcessIds().size() > known) elevated = job.ProcessIds()[known];
    }
    ASSERT_NE(elevated, 0u);
    elevated_process.reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, elevated));
    // Its first thread may not be listed yet at the very start.
    for (int i = 0; i < 200 && !held && ::WaitForSingleObject(elevated_process.get(), 0) == WAIT_TIMEOUT;
         ++i, ::Sleep(5)) {
      held = SetProcessRunning(elevated, false) > 0 &&
             ::WaitForSingleObject(elevated_process.get(), 0) == WAIT_TIMEOUT;
    }
    if (!held) {
      box = NextDialog(window_process, box);  // the outcome of the copy that got away
      Answer(box, IDOK);
    }
  }
  ASSERT_TRUE(held);
  for (int i = 0; i < 100 && enabled(kCheckButtonId); ++i) ::Sleep(20);
  EXPECT_FALSE(enabled(kInstallButtonId) || enabled(kCheckButtonId) || enabled(kGuideButtonId));
  // The prompt was answered ("runas" under Wine answers at once): the status line says the installation runs.
  HWND status_detail = ::GetWindow(::GetWindow(::GetWindow(::GetWindow(main, GW_CHILD), GW_HWNDNEXT), GW_HWNDNEXT),
                                   GW_HWNDNEXT);
  EXPECT_EQ(TextOf(status_detail), L"Kurulum yapılıyor…");
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  box = NextDialog(window_process, box);
  EXPECT_EQ(MessageText(box), L"Kurulum işlemi sürüyor. Lütfen birkaç saniye bekleyin.");
  Answer(box, IDOK);
  EXPECT_TRUE(::IsWindow(main));

  SetProcessRunning(elevated, true);
  box = NextDialog(window_process, box);
  // Not an administrator either: the run refuses before any change, without a log (exit code 31).
  EXPECT_EQ(MessageText(box), kInstallRefusedText + std::wstring(L"\n\nDurum: ") + AssessDllState().message);
  DWORD exit_code = 0;
  EXPECT_TRUE(::GetExitCodeProcess(elevated_process.get(), &exit_code));
  EXPECT_EQ(exit_code, 31u);
  Answer(box, IDOK);
  for (int i = 0; i < 100 && !enabled(kCheckButtonId); ++i) ::Sleep(20);
  EXPECT_TRUE(enabled(kInstallButtonId) && enabled(kCheckButtonId) && enabled(kGuideButtonId));
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  DWORD runner_exit = 99;
  EXPECT_TRUE(runner.WaitForExit(30000, &runner_exit));
  EXPECT_EQ(runner_exit, 0u);
}

}  // namespace
}  // namespace tavlun

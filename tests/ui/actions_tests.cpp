// The window's three actions, driven as a user drives them: the install flow (in this administrator process, and
// from a window without administrator rights through the elevated copy it watches), the confirmed clipboard copy,
// and the provider guide whose link buttons reach a recording browser. Modal dialogs of the test thread are worked
// by a driver thread that reads their texts and clicks their buttons; all checks run on the test thread.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "check/official_links.h"
#include "core/system_dlls.h"
#include "core/unique_handle.h"
#include "install/elevated_run.h"
#include "tests/app/child_process.h"
#include "tests/support/planted_targets.h"
#include "tests/support/test_support.h"
#include "tests/ui/screen_capture.h"
#include "ui/clipboard_copy.h"
#include "ui/clipboard_copy_win.h"
#include "ui/dpi.h"
#include "ui/install_flow_text.h"
#include "ui/main_window.h"
#include "ui/main_window_state.h"
#include "ui/provider_guide_win.h"
#include "ui/status_presentation.h"
#include "ui/window_icons.h"

namespace tavlun {
namespace {

using namespace testing_support;

std::wstring TextOf(HWND window) {
  const auto length = static_cast<std::size_t>(::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(length + 1, L'\0');
  ::SendMessageW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]));
  text.resize(length);
  return text;
}

// A visible dialog of the process other than `previous`, once `previous` is gone; nullptr after 15 s.
HWND NextDialog(DWORD process_id, HWND previous = nullptr) {
  for (int i = 0; i < 300; ++i) {
    HWND dialog = FindProcessWindow(process_id, L"#32770");
    if (dialog != nullptr && dialog != previous && ::IsWindowVisible(dialog) && !::IsWindow(previous)) return dialog;
    ::Sleep(50);
  }
  return nullptr;
}

// The child of a dialog showing `text`, or nullptr.
HWND ChildWithText(HWND dialog, const std::wstring& text) {
  for (HWND c = ::GetWindow(dialog, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
    if (TextOf(c) == text) return c;
  }
  return nullptr;
}

// Every child text of a dialog, joined with "|" (statics, command links, buttons).
std::wstring DialogTexts(HWND dialog) {
  std::wstring texts;
  for (HWND c = ::GetWindow(dialog, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
    if (::IsWindowVisible(c)) texts += TextOf(c) + L"|";
  }
  return texts;
}

void Click(HWND dialog, int id) { ::PostMessageW(dialog, TDM_CLICK_BUTTON, static_cast<WPARAM>(id), 0); }
void Answer(HWND box, int id) { ::PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(id), 0); }
std::wstring MessageText(HWND box) { return box != nullptr ? TextOf(::GetDlgItem(box, 0xFFFF)) : L"(none)"; }

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

std::wstring ClipboardText() {
  OpenedClipboard clipboard(nullptr);
  HANDLE data = clipboard ? ::GetClipboardData(CF_UNICODETEXT) : nullptr;
  const auto* units = data != nullptr ? static_cast<const wchar_t*>(::GlobalLock(data)) : nullptr;
  if (units == nullptr) return L"(empty)";
  std::wstring text(units, ::GlobalSize(data) / sizeof(wchar_t));
  ::GlobalUnlock(data);
  return text;  // with the terminating NUL and anything after it: compared byte for byte
}

void PutOnClipboard(const std::wstring& text) {
  std::wstring error;
  ASSERT_TRUE(CopyTextToClipboardFor(nullptr, text, error)) << Utf8(error);
}

// The main window inside the test process, its state at hand; a driver thread works its modal dialogs.
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
    window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    window_class.lpszClassName = kMainWindowClass;
    // Another test of this program may have registered the class already.
    ASSERT_TRUE(::RegisterClassExW(&window_class) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS);
    window_ = ::CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW, 0, 0, 776, 659, nullptr,
                                nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    ::ShowWindow(window_, SW_SHOWNORMAL);
    state_ = MainWindowStateFrom(window_);
    ASSERT_NE(state_, nullptr);
  }
  void TearDown() override {
    if (::IsWindow(window_)) ::DestroyWindow(window_);
    PumpMessagesFor(50);
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
  Press(kInstallButtonId, [&] {
    HWND box = NextDialog(self_);
    question = MessageText(box);
    // No is the default: Enter answers it.
    ::PostMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
  });
  EXPECT_EQ(question, kInstallConfirmText);
  EXPECT_FALSE(state_->busy);

  // A file appears behind the window's back: the run must read the files again afterwards.
  const std::wstring before = state_->dllAssessmentSnapshot.message;
  ASSERT_TRUE(planted_.PlantEmbedded(kTarget32));
  // Each run finds the work area as the one before left it: start both from the same state, and leave it so.
  wchar_t data[MAX_PATH] = {};
  ::ExpandEnvironmentStringsW(L"%ProgramData%\\TavlunYardimcisi", data, MAX_PATH);
  const bool work_area_existed = ::GetFileAttributesW(data) != INVALID_FILE_ATTRIBUTES;
  const auto reset_work_area = [&] {
    if (!work_area_existed) RemoveTree(data);
  };
  reset_work_area();
  Press(kInstallButtonId, [&] {
    HWND box = NextDialog(self_);
    Answer(box, IDYES);
    HWND result = NextDialog(self_, box);
    outcome = MessageText(result);
    Answer(result, IDOK);
  });
  // Wine cannot prove the work area's protection, so the engine refuses; the same run again says the same.
  reset_work_area();
  EXPECT_EQ(outcome, InProcessOutcomeNotice(RunElevatedInstall()).text);
  reset_work_area();
  EXPECT_TRUE(Contains(outcome, L"Güvenli yedek/günlük alanı hazırlanamadı")) << Utf8(outcome);
  EXPECT_EQ(state_->dllAssessmentSnapshot.message, AssessDllState().message);
  EXPECT_NE(state_->dllAssessmentSnapshot.message, before);
  EXPECT_FALSE(state_->busy);
}

TEST_F(ActionWindow, CopyOnlyAfterConfirmationAndExactlyTheTextShown) {
  const std::wstring report = L"Tavlun Yardımcısı — tanılama raporu\r\nAKİS DLL: Hazır\r\nJava: Dikkat • ğüşiöç İ\r\n";
  state_->checkState = CheckState::Done;
  state_->currentReport.clipboardText = report;
  ASSERT_NO_FATAL_FAILURE(PutOnClipboard(L"başka programın metni"));

  std::wstring title;
  Press(kCopyButtonId, [&] {
    HWND dialog = NextDialog(self_);
    title = TextOf(dialog);
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(title, kCopyDialogTitle);
  EXPECT_EQ(ClipboardText(), std::wstring(L"başka programın metni", 22));

  std::wstring expanded, done;
  Press(kCopyButtonId, [&] {
    HWND dialog = NextDialog(self_);
    HWND expander = ChildWithText(dialog, kCopyShowText);
    ::SendMessageW(expander, BM_CLICK, 0, 0);
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

  // A text taller than the screen: no expandable area, but a scrolling view that holds all of it.
  std::wstring long_report;
  for (int line = 1; line <= 120; ++line) long_report += L"Satır " + std::to_wstring(line) + L": Java 1.8 — hazır\r\n";
  state_->currentReport.clipboardText = long_report;
  std::wstring viewed, expander_text;
  Press(kCopyButtonId, [&] {
    HWND dialog = NextDialog(self_);
    expander_text = DialogTexts(dialog);
    Click(dialog, kShowWholeTextButtonId);
    HWND viewer = nullptr;
    for (int i = 0; i < 300 && viewer == nullptr; ++i, ::Sleep(50)) viewer = ::FindWindowW(L"#32770", kCopyViewerTitle);
    viewed = TextOf(::GetDlgItem(viewer, 100));
    ::Sleep(500);
    CaptureWindow(viewer, L"copy-long-text-view");
    Answer(viewer, IDCANCEL);
    for (int i = 0; i < 100 && ::IsWindow(viewer); ++i) ::Sleep(20);
    Click(dialog, kConfirmCopyButtonId);
    HWND box = NextDialog(self_, dialog);
    Answer(box, IDOK);
  });
  EXPECT_FALSE(Contains(expander_text, long_report));
  EXPECT_EQ(viewed, long_report);
  EXPECT_EQ(ClipboardText(), long_report + L'\0');

  // Another program holds the clipboard open.
  UniqueHandle ready(::CreateEventW(nullptr, TRUE, FALSE, L"TavlunClipboardHeld"));
  ChildProcess holder;
  ASSERT_TRUE(holder.Start(ToolPath(L"clipboard_holder.exe"), L"TavlunClipboardHeld"));
  holder.Resume();
  ASSERT_EQ(::WaitForSingleObject(ready.get(), 20000), WAIT_OBJECT_0);
  std::wstring refused;
  Press(kCopyButtonId, [&] {
    HWND dialog = NextDialog(self_);
    Click(dialog, kConfirmCopyButtonId);
    HWND box = NextDialog(self_, dialog);
    refused = MessageText(box);
    Answer(box, IDOK);
  });
  EXPECT_EQ(refused.rfind(L"Pano açılamadı: ", 0), 0u) << Utf8(refused);
  holder.Terminate();
}

TEST_F(ActionWindow, CopyTakesAtMost32767Units) {
  ASSERT_NO_FATAL_FAILURE(PutOnClipboard(L"önceki"));
  const DWORD sequence = ::GetClipboardSequenceNumber();
  std::wstring error;
  EXPECT_FALSE(CopyTextToClipboardFor(window_, std::wstring(32768, L'ş'), error));
  EXPECT_EQ(error, kCopyLengthInvalid);
  EXPECT_FALSE(CopyTextToClipboardFor(window_, std::wstring(), error));
  EXPECT_EQ(::GetClipboardSequenceNumber(), sequence) << "no clipboard call before the length check";
  const std::wstring largest(32767, L'ş');
  EXPECT_TRUE(CopyTextToClipboardFor(window_, largest, error)) << Utf8(error);
  EXPECT_EQ(ClipboardText(), largest + L'\0');
}

// Points the prefix's https handler at the recording browser and puts the old handler back.
class RecordingBrowser {
 public:
  RecordingBrowser() : record_(scratch_.Child(L"urls.txt")) {
    ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\https\\shell\\open\\command", 0, nullptr, 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key_.put(), nullptr);
    wchar_t old[1024] = {};
    DWORD size = sizeof(old) - sizeof(wchar_t);
    had_ = ::RegQueryValueExW(key_.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) ==
           ERROR_SUCCESS;
    old_ = old;
    Set(QuoteArgument(ToolPath(L"url_recorder.exe")) + L" " + QuoteArgument(record_) + L" \"%1\"");
  }
  ~RecordingBrowser() {
    if (had_) {
      Set(old_);
    } else {
      ::RegDeleteValueW(key_.get(), nullptr);
    }
  }
  // The addresses received so far, after waiting up to 15 s for `count` of them.
  std::vector<std::string> Received(std::size_t count) const {
    std::vector<std::string> lines;
    for (int i = 0; i < 300; ++i, ::Sleep(50)) {
      lines.clear();
      const std::vector<std::uint8_t> bytes = ReadBytes(record_);
      std::string line;
      for (std::uint8_t b : bytes) {
        if (b == '\n') {
          lines.push_back(line);
          line.clear();
        } else {
          line += static_cast<char>(b);
        }
      }
      if (lines.size() >= count) break;
    }
    return lines;
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
  std::vector<std::wstring> seen;  // texts of each dialog met, in order
  // Opens a link and waits until the recording browser has it, so the addresses arrive in order.
  std::size_t opened = 0;
  const auto open = [&](HWND dialog, int link) {
    Click(dialog, link);
    browser.Received(++opened);
  };
  Press(kGuideButtonId, [&] {
    HWND d = NextDialog(self_);
    seen.push_back(TextOf(d) + L"|" + DialogTexts(d));
    Click(d, 2101);  // Kamu SM
    d = NextDialog(self_, d);
    seen.push_back(DialogTexts(d));
    open(d, kGuideLink1);
    open(d, kGuideLink2);
    Click(d, kGuideBackToProviders);
    d = NextDialog(self_, d);
    Click(d, 2102);  // E-Güven: the card type first, and back from there
    d = NextDialog(self_, d);
    seen.push_back(DialogTexts(d));
    Click(d, kGuideBackToProviders);
    d = NextDialog(self_, d);
    seen.push_back(DialogTexts(d));
    Click(d, 2102);
    d = NextDialog(self_, d);
    Click(d, kCardEToken);
    d = NextDialog(self_, d);
    seen.push_back(DialogTexts(d));
    ::SendMessageW(ChildWithText(d, kGuideNoteCollapsed), BM_CLICK, 0, 0);
    // Wine moves the command links down without erasing where they were: repaint all before the picture.
    ::RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    ::Sleep(500);
    CaptureWindow(d, L"guide-e-guven-e-token");
    open(d, kGuideLink1);
    Click(d, kGuideBackToProviders);
    d = NextDialog(self_, d);
    Click(d, 2104);  // E-Tuğra with an AKİS card
    d = NextDialog(self_, d);
    Click(d, kCardAkis);
    d = NextDialog(self_, d);
    seen.push_back(DialogTexts(d));
    open(d, kGuideLink1);
    Click(d, kGuideBackToProviders);
    d = NextDialog(self_, d);
    Click(d, 2108);  // Bilmiyorum / Diğer
    d = NextDialog(self_, d);
    seen.push_back(DialogTexts(d));
    open(d, kGuideLink2);
    Click(d, IDCLOSE);
  });
  ASSERT_EQ(seen.size(), 7u);
  const std::wstring install_warning = L"Ana ekrandaki “AKİS DLL'lerini kur” işlemini kullanmayın";
  const std::wstring deletion_warning = L"Initialize veya Delete Certificate gibi silme komutlarını";
  const std::wstring pin_line = L"PIN/PUK kodunu hiçbir kişi veya destek görevlisiyle paylaşmayın.";
  EXPECT_EQ(seen[0].rfind(L"Tavlun — E-İmza Rehberi|", 0), 0u);
  EXPECT_TRUE(Contains(seen[0], L"Bilmiyorum / Diğer\nÖnce sağlayıcıyı güvenli biçimde doğrulayın|"));
  // Kamu SM: AKİS, so no warning about the install button.
  EXPECT_TRUE(Contains(seen[1], L"Seçilen kart/ara yazılım: AKİS + kart okuyucu sürücüsü\n\n1. Kartı"));
  EXPECT_TRUE(Contains(seen[1], L"Resmî sürücü hizmetini aç\nkamusm.bilgem.tubitak.gov.tr — tarayıcıda açılır|"));
  EXPECT_FALSE(Contains(seen[1], install_warning));
  EXPECT_TRUE(Contains(seen[1], pin_line));
  EXPECT_TRUE(Contains(seen[2], L"E-Güven kart/token veya yönetim yazılımı|"));
  EXPECT_TRUE(Contains(seen[3], L"Sertifikanızı veren sağlayıcıyı seçin|")) << "back at the provider list";
  // E-Güven with E-Token: both warnings, the E-Token page as the first link, the security note when asked for.
  EXPECT_TRUE(Contains(seen[4], install_warning));
  EXPECT_TRUE(Contains(seen[4], deletion_warning));
  EXPECT_TRUE(Contains(seen[4], L"E-Güven E-Token yazılımını aç\ne-guven.com — tarayıcıda açılır|"));
  // E-Tuğra with AKİS: neither warning.
  EXPECT_FALSE(Contains(seen[5], install_warning));
  EXPECT_FALSE(Contains(seen[5], deletion_warning));
  EXPECT_TRUE(Contains(seen[6], L"Seçilen kart/ara yazılım: Henüz belirlenmedi"));
  EXPECT_TRUE(Contains(seen[6], install_warning));

  // Each button opened exactly its address, nothing else.
  EXPECT_EQ(browser.Received(5),
            (std::vector<std::string>{Utf8(kUrlKamuSmDriverService), Utf8(kUrlKamuSmFirstUse), Utf8(kUrlEGuvenEToken),
                                      Utf8(kUrlETugraDownloadCentre), Utf8(kUrlEDevletESignature)}));

  // Addresses that only look official are refused and reach no browser.
  const OfficialLinkUrls lookalikes[] = {
      {L"https://e-guven.com/Destek-Masasi", L"http://e-guven.com/destek-masasi"},
      {L"https://e-guven.com/destek-masasi?download=1", nullptr},
  };
  std::vector<std::wstring> refusals;
  std::thread driver([&] {
    HWND previous = nullptr;
    for (int i = 0; i < 3; ++i) {
      previous = NextDialog(self_, previous);
      refusals.push_back(MessageText(previous));
      Answer(previous, IDOK);
    }
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
  EXPECT_EQ(browser.Received(6).size(), 5u);
}

TEST(CommonControls, TaskDialogsComeFromTheVersionSixAssemblyOfTheManifest) {
  const auto& comctl = sysdll::Comctl32();
  ASSERT_NE(comctl.TaskDialogIndirect, nullptr);
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

// Suspends or resumes every thread of a process.
void SetProcessRunning(DWORD process_id, bool running) {
  UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID != process_id) continue;
    UniqueHandle thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
    if (running) {
      ::ResumeThread(thread.get());
    } else {
      ::SuspendThread(thread.get());
    }
  }
}

TEST(InstallFlowProcess, WithoutAdministratorRightsTheWindowWatchesTheElevatedCopyUntilItExits) {
  PlantedTargets planted;
  ASSERT_TRUE(planted.ready());
  ProcessJob job;
  ChildProcess runner;
  ASSERT_TRUE(runner.Start(ToolPath(L"run_restricted.exe"), QuoteArgument(ProgramPath())));
  ASSERT_TRUE(job.Add(runner.handle()));
  runner.Resume();
  HWND main = nullptr;
  DWORD window_process = 0;
  for (int i = 0; i < 400 && main == nullptr; ++i) {
    PumpMessagesFor(50);
    for (DWORD id : job.ProcessIds()) {
      if (HWND found = FindProcessWindow(id, kMainWindowClass); found != nullptr && ::IsWindowVisible(found)) {
        main = found;
        window_process = id;
      }
    }
  }
  ASSERT_NE(main, nullptr);
  const auto enabled = [&](int id) { return ::IsWindowEnabled(::GetDlgItem(main, id)) != FALSE; };
  ASSERT_TRUE(enabled(kInstallButtonId));

  ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(kInstallButtonId, BN_CLICKED), 0);
  HWND box = NextDialog(window_process);
  EXPECT_EQ(MessageText(box), kInstallConfirmText);
  const std::size_t known = job.ProcessIds().size();
  Answer(box, IDYES);
  // The elevated copy ("runas" under Wine: at once, with the same restricted token), held still while we look.
  DWORD elevated = 0;
  for (int i = 0; i < 1000 && elevated == 0; ++i) {
    if (job.ProcessIds().size() > known) elevated = job.ProcessIds()[known];
    ::Sleep(5);
  }
  ASSERT_NE(elevated, 0u);
  UniqueHandle elevated_process(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, elevated));
  SetProcessRunning(elevated, false);
  for (int i = 0; i < 100 && enabled(kCheckButtonId); ++i) ::Sleep(20);
  EXPECT_FALSE(enabled(kInstallButtonId));
  EXPECT_FALSE(enabled(kCheckButtonId));
  EXPECT_FALSE(enabled(kGuideButtonId));
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  box = NextDialog(window_process, box);
  EXPECT_EQ(MessageText(box), L"Kurulum işlemi sürüyor. Lütfen birkaç saniye bekleyin.");
  Answer(box, IDOK);
  EXPECT_TRUE(::IsWindow(main));

  SetProcessRunning(elevated, true);
  box = NextDialog(window_process, box);
  // Not an administrator either: the run refuses before any change, without a log (exit code 31).
  EXPECT_EQ(MessageText(box), L"Kurulum tamamlanamadı. Tarayıcıları kapatıp yeniden deneyin.\n\nDurum: " +
                                  AssessDllState().message);
  DWORD exit_code = 0;
  EXPECT_TRUE(::GetExitCodeProcess(elevated_process.get(), &exit_code));
  EXPECT_EQ(exit_code, 31u);
  Answer(box, IDOK);
  for (int i = 0; i < 100 && !enabled(kCheckButtonId); ++i) ::Sleep(20);
  EXPECT_TRUE(enabled(kCheckButtonId));
  EXPECT_TRUE(enabled(kGuideButtonId));
  EXPECT_TRUE(enabled(kInstallButtonId));
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  DWORD runner_exit = 99;
  EXPECT_TRUE(runner.WaitForExit(30000, &runner_exit));
  EXPECT_EQ(runner_exit, 0u);
}

}  // namespace
}  // namespace tavlun

// --check-report as a deployment tool runs it: no window, its exit code, and the file it leaves, read by an
// independent strict JSON reader and compared with the window's check of the same machine and the drive before.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/check_report.h"
#include "app/run_mode.h"
#include "check/check_report_json.h"
#include "check/path_safety.h"
#include "check/report.h"
#include "check/system_identity.h"
#include "core/text.h"
#include "core/unique_handle.h"
#include "program_version.h"
#include "target/dll_state.h"
#include "tests/app/child_process.h"
#include "tests/check/report_fixtures.h"
#include "tests/install/install_test_support.h"
#include "tests/support/drive_snapshot.h"
#include "tests/support/json_reader.h"
#include "tests/support/planted_targets.h"
#include "tests/support/test_support.h"
#include "ui/main_window.h"
#include "ui/main_window_state.h"
#include "ui/status_text.h"

namespace tavlun {
namespace {

using namespace testing_support;
using install_testing::ListFolder;

constexpr DWORD kCheckRunMs = 90000;

std::wstring Text(const JsonValue* value) { return std::wstring(value->text.begin(), value->text.end()); }
std::string Word(const JsonValue* value) { return JsonReader::Utf8Of(value->text); }

// The report text without its local-time line, which two checks a few seconds apart cannot share.
std::wstring WithoutLocalTime(std::wstring text) {
  const std::size_t at = text.find(L"\r\nYerel zaman=");
  return at == std::wstring::npos ? text : text.erase(at, text.find(L"\r\n", at + 2) - at);
}

struct ProgramRun {
  DWORD exit_code = 0;
  std::vector<CreatedWindow> windows;
};

ProgramRun RunProgram(const std::wstring& arguments, const std::wstring& directory = std::wstring()) {
  ProgramRun run;
  ChildProcess child;
  EXPECT_TRUE(child.Start(ProgramPath(), arguments, false, directory));
  WindowWatch watch(child.id());
  child.Resume();
  EXPECT_TRUE(child.WaitForExit(kCheckRunMs, &run.exit_code)) << Utf8(arguments);
  run.windows = watch.UserWindows();
  return run;
}

struct WindowRow {
  std::wstring text;
  LRESULT display_state = 0;
};

// The real window on the same machine: "Sistem kontrolü" pressed, the rows read once all six are final and the
// copy button shows.
std::vector<WindowRow> WindowRowsAfterCheck() {
  std::vector<WindowRow> rows;
  ChildProcess child;
  EXPECT_TRUE(child.Start(ProgramPath(), L""));
  child.Resume();
  const HWND main = WaitForVisibleWindow(child.id(), kMainWindowClass);
  if (main == nullptr) return rows;
  HWND list = ::GetDlgItem(main, kRequirementListId);
  ::SendMessageW(::GetDlgItem(main, kCheckButtonId), BM_CLICK, 0, 0);
  for (DWORD waited = 0; waited < kCheckRunMs; waited += 50) {
    bool done = ::IsWindowVisible(::GetDlgItem(main, kCopyButtonId)) != FALSE;
    for (int i = 0; i < static_cast<int>(kRequirementCount) && done; ++i) {
      const LRESULT shown_state = ::SendMessageW(list, LB_GETITEMDATA, i, 0);
      done = shown_state >= 1 && shown_state <= 3;  // not pending, not LB_ERR
    }
    if (done) break;
    PumpMessagesFor(50);
  }
  for (int i = 0; i < static_cast<int>(kRequirementCount); ++i) {
    wchar_t text[1024] = {};
    if (::SendMessageW(list, LB_GETTEXTLEN, i, 0) < 1024) {
      ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    }
    rows.push_back({text, ::SendMessageW(list, LB_GETITEMDATA, i, 0)});
  }
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  DWORD code = 0;
  EXPECT_TRUE(child.WaitForExit(30000, &code));
  return rows;
}

class CheckReportRun : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(planted_.ready()); }
  PlantedTargets planted_;
  ScratchDir scratch_{L"tavlun-check-report"};
};

// Three machine states, each compared with the window's check (its worker's report builder and the real window's
// rows); the whole drive stays as it was but for the one file.
TEST_F(CheckReportRun, DocumentHoldsTheWindowsRowsAndNothingElseChanges) {
  const std::wstring out = scratch_.Child(L"çıktı");
  ASSERT_TRUE(::CreateDirectoryW(out.c_str(), nullptr));
  const std::wstring report = JoinPath(out, L"rapor.json");
  // The program's own TEMP inside the compared folder: a temporary file it left there would show.
  const std::wstring own_temp = scratch_.Child(L"temp");
  ASSERT_TRUE(::CreateDirectoryW(own_temp.c_str(), nullptr));
  const Exclusions exclusions = ExclusionsFor(scratch_.path());  // before TEMP changes for the program
  wchar_t saved_temp[MAX_PATH] = {};
  ::GetEnvironmentVariableW(L"TEMP", saved_temp, MAX_PATH);
  ::SetEnvironmentVariableW(L"TEMP", own_temp.c_str());

  const struct {
    const char* name;
    bool plant;
    bool java;
    const char* kind;
    bool offered;
  } states[] = {{"both builds installed", true, false, "matches-package", false},
                {"nothing installed", false, false, "missing", true},
                {"builds, Java and its .jnlp opener", true, true, "matches-package", false}};
  std::set<DWORD> codes;
  bool smart_card_ready = false;
  for (const auto& state : states) {
    SCOPED_TRACE(state.name);
    planted_.Clear();
    if (state.plant) {
      ASSERT_TRUE(planted_.PlantEmbedded(kTarget32));
      ASSERT_TRUE(planted_.PlantEmbedded(kTarget64));
    }
    std::unique_ptr<report_fixtures::PrefixState> prefix;
    if (state.java) {
      prefix = std::make_unique<report_fixtures::PrefixState>();
      ASSERT_TRUE(prefix->InstallStandInDlls());
      const std::wstring home = prefix->AddJavaHome(L"jre8", L"1.8.0_301", true);
      ASSERT_TRUE(prefix->DeclareJava(L"SOFTWARE\\JavaSoft\\Java Runtime Environment", L"1.8.0_301", home));
      ASSERT_TRUE(prefix->RegisterJnlpOpener(JoinPath(JoinPath(home, L"bin"), L"javaws.exe")));
    }
    std::map<std::wstring, FileFacts> before;
    Snapshot(L"C:", exclusions, &before);
    ASSERT_GT(before.size(), 100u);

    const ProgramRun run = RunProgram(L"--check-report=" + QuoteArgument(report));
    EXPECT_TRUE(run.windows.empty());

    std::map<std::wstring, FileFacts> after;
    Snapshot(L"C:", exclusions, &after);
    for (auto* facts : {&before, &after}) {  // the file, and the folder that holds it
      facts->erase(LowerPath(out));
      facts->erase(LowerPath(report));
    }
    for (const auto& [path, entry] : before) {
      EXPECT_TRUE(after.count(path) != 0 && after[path] == entry) << "deleted or changed: " << Utf8(path);
    }
    for (const auto& entry : after) EXPECT_EQ(before.count(entry.first), 1u) << "created: " << Utf8(entry.first);
    EXPECT_EQ(ListFolder(out), std::vector<std::wstring>{L"rapor.json"});

    const std::vector<std::uint8_t> bytes = ReadBytes(report);
    const std::string json(bytes.begin(), bytes.end());
    JsonValue root;
    std::string error;
    ASSERT_TRUE(JsonReader::Parse(json, &root, &error)) << error << "\n" << json;
    std::vector<std::string> keys;
    for (const auto& member : root.members) keys.push_back(member.first);
    EXPECT_EQ(keys, (std::vector<std::string>{"dll_state", "format", "native_machine", "report_text", "result",
                                              "rows", "time_utc", "tool", "tool_version", "windows_version"}));
    EXPECT_EQ(root.Member("format")->number, "1");

    // The window's check on the same machine: its worker builds this report and shows these rows.
    const DiagnosticReport window = BuildDiagnosticReport();
    const std::vector<RequirementItem> rows = NormalizeRequirementItems(window.items);
    EXPECT_EQ(run.exit_code, static_cast<DWORD>(CheckReportExitCode(rows)));
    codes.insert(run.exit_code);
    smart_card_ready = rows[RowIndex(RequirementRow::SmartCardService)].state == 0;
    const JsonValue* shown = root.Member("rows");
    ASSERT_TRUE(shown != nullptr && shown->items.size() == kRequirementCount) << json;
    EXPECT_EQ(rows[0].state, state.plant ? 0u : 2u);
    const std::vector<WindowRow> window_rows = WindowRowsAfterCheck();
    ASSERT_EQ(window_rows.size(), kRequirementCount);
    for (std::size_t i = 0; i < kRequirementCount; ++i) {
      SCOPED_TRACE(i);
      const JsonValue& row = shown->items[i];
      EXPECT_EQ(Word(row.Member("id")), RequirementRowId(i));
      EXPECT_EQ(Word(row.Member("state")), RequirementStateId(rows[i].state));
      EXPECT_EQ(Text(row.Member("title")), rows[i].title);
      EXPECT_EQ(Text(row.Member("detail")), rows[i].detail);
      const std::uint32_t display = static_cast<std::uint32_t>(DisplayStateFor(rows[i].state));
      EXPECT_EQ(window_rows[i].display_state, static_cast<LRESULT>(display));
      EXPECT_EQ(Utf8(window_rows[i].text), Utf8(ComposeRowText(rows[i].title, display, rows[i].detail)));
    }
    EXPECT_EQ(Word(root.Member("result")), RequirementStateId(static_cast<std::uint32_t>(WorstRequirementState(rows))));
    EXPECT_EQ(WithoutLocalTime(Text(root.Member("report_text"))), WithoutLocalTime(window.clipboardText));
    EXPECT_EQ(Word(root.Member("dll_state")->Member("kind")), state.kind);
    EXPECT_EQ(root.Member("dll_state")->Member("install_offered")->boolean, state.offered);
    EXPECT_EQ(AssessDllState().install_offered, state.offered) << "the window offers the installation alike";
    EXPECT_EQ(Text(root.Member("tool_version")), kProgramVersion);
    EXPECT_EQ(Text(root.Member("windows_version")), WindowsVersionText());
    EXPECT_EQ(Text(root.Member("native_machine")), NativeArchitectureText());
    const std::wstring time = Text(root.Member("time_utc"));
    EXPECT_TRUE(time.size() == 20 && time[10] == L'T' && time[19] == L'Z') << Utf8(time);
  }
  ::SetEnvironmentVariableW(L"TEMP", saved_temp);
  // Without a Smart Card service (Wine) no row mix reaches 0; the Java state needs attention only.
  if (!smart_card_ready) {
    EXPECT_EQ(codes, (std::set<DWORD>{kExitCheckReportAttention, kExitCheckReportMissing}));
  }
}

// Paths a deployment tool may get wrong or an attacker may plant: each ends the run at once with its own code, no
// window, and nothing new in the folder. A report over a read-only file runs the check, then fails to write.
TEST_F(CheckReportRun, RefusalsAndFailuresWriteNothing) {
  const std::wstring folder = scratch_.Child(L"klasör");
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring locked = scratch_.Child(L"salt-okunur.json");
  ASSERT_TRUE(WriteBytes(locked, "eski", 4));
  ASSERT_TRUE(::SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY));
  // Held open without delete sharing besides: Wine renames over a read-only file, but not over one in use.
  UniqueHandle in_use(::CreateFileW(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(in_use);
  const auto report = [](const std::wstring& path) { return L"--check-report=" + QuoteArgument(path); };
  const int refused = kExitCheckReportPathRefused, unwritten = kExitCheckReportNotWritten, usage = kExitUsageError;
  const struct {
    std::wstring argument;
    int code;
  } cases[] = {
      // relative, empty, devices, a share, a \\?\ path, a folder
      {L"--check-report=rapor.json", refused}, {L"--check-report=.\\rapor.json", refused},
      {L"--check-report=", refused}, {L"--check-report=NUL", refused}, {L"--check-report=\\\\.\\C:", refused},
      {report(scratch_.Child(L"con.json")), refused}, {report(scratch_.Child(L"COM1")), refused},
      {L"--check-report=\\\\sunucu\\pay\\rapor.json", refused},
      {report(L"\\\\?\\" + scratch_.Child(L"r.json")), refused}, {report(folder), refused},
      {report(scratch_.Child(L"yok\\rapor.json")), unwritten}, {report(locked), unwritten},
      // The parser's table covers every usage error; one shows that the process ends without a window.
      {L"/S", usage},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(c.argument));
    const ProgramRun run = RunProgram(c.argument, scratch_.path());
    EXPECT_EQ(run.exit_code, static_cast<DWORD>(c.code));
    EXPECT_TRUE(run.windows.empty());
    EXPECT_EQ(ListFolder(scratch_.path()).size(), 2u) << "only the folder and the read-only file";
    EXPECT_TRUE(ListFolder(folder).empty());
  }
  in_use.reset();
  EXPECT_EQ(ReadBytes(locked), (std::vector<std::uint8_t>{'e', 's', 'k', 'i'}));
  ::SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A folder on the way that is a link or junction is refused. Wine creates no reparse points, but shows a Unix
// symbolic link as a folder that is one: the build makes build/tests/reparse-link pointing at link-target.
TEST(CheckReportPath, AFolderThatIsALinkIsRefused) {
  const std::wstring link = BuildFolderChild(L"tests\\reparse-link");
  const DWORD attributes = link.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(link.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    GTEST_SKIP() << "no linked folder here (made by the build under Wine only), and Wine cannot create one";
  }
  const std::wstring report = JoinPath(link, L"rapor.json");
  const ProgramRun run = RunProgram(L"--check-report=" + QuoteArgument(report));
  EXPECT_EQ(run.exit_code, static_cast<DWORD>(kExitCheckReportPathRefused));
  EXPECT_TRUE(run.windows.empty());
  EXPECT_FALSE(FileExists(report));
  EXPECT_FALSE(FileExists(BuildFolderChild(L"tests\\link-target\\rapor.json")));
}

}  // namespace
}  // namespace tavlun

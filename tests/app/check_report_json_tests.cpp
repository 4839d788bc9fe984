// The --check-report document and decisions, apart from the machine: escaping, the document's shape read back by
// an independent strict reader, the exit code of every row mix and the verdict on the report file found. Pure:
// runs in the Windows test program and natively under the sanitizers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/check_report.h"
#include "app/run_mode.h"
#include "check/check_report_json.h"
#include "tests/support/json_reader.h"

namespace tavlun {
namespace {

using testing_support::JsonReader;
using testing_support::JsonValue;

TEST(CheckReportJson, EscapesWhatJsonAndJavaScriptRequire) {
  const struct {
    std::wstring text;
    std::string body;
  } cases[] = {
      {L"a\"b\\c/", "a\\\"b\\\\c/"},
      {L"\r\n\t\b\f", "\\r\\n\\t\\b\\f"},
      {std::wstring(L"\x01\x1F", 2) + std::wstring(1, L'\0'), "\\u0001\\u001f\\u0000"},
      {L"\x2028\x2029\x7F", "\\u2028\\u2029\x7F"},
      {L"İğŞ", "\xC4\xB0\xC4\x9F\xC5\x9E"},
      {L"\xD83D\xDE00", "\xF0\x9F\x98\x80"},            // a pair: one four-byte sequence
      {L"x\xD83Dy\xDE00", "x\xEF\xBF\xBDy\xEF\xBF\xBD"},  // unpaired halves: U+FFFD each
      {L"\xD83D", "\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) EXPECT_EQ(JsonStringBody(c.text), c.body);
}

TEST(CheckReportJson, DocumentReadsBackWithEveryField) {
  CheckReportDocument document;
  document.toolVersion = L"1.4.0.0";
  document.timeUtc = FormatUtcTime(2026, 1, 31, 9, 5, 7);
  document.windowsVersion = L"Windows 10.0 (build 19045)";
  document.nativeMachine = L"x64";
  document.dllKind = DllStateKind::DifferentFile;
  document.installOffered = true;
  const std::uint32_t states[] = {0, 2, 1, 0, 1, 0};
  for (std::size_t i = 0; i < kRequirementCount; ++i) {
    document.rows.push_back(
        MakeRequirementItem(static_cast<RequirementState>(states[i]), kRequirementTitles[i], L"ayrıntı \"" + std::wstring(1, L'0' + static_cast<wchar_t>(i))));
  }
  document.reportText = L"SONUÇ\r\nOK — \"tırnak\" \\ ters bölü";

  JsonValue root;
  std::string error;
  const std::string json = BuildCheckReportJson(document);
  ASSERT_TRUE(JsonReader::Parse(json, &root, &error)) << error << "\n" << json;
  std::vector<std::string> keys;
  for (const auto& member : root.members) keys.push_back(member.first);
  EXPECT_EQ(keys, (std::vector<std::string>{"dll_state", "format", "native_machine", "report_text", "result", "rows",
                                            "time_utc", "tool", "tool_version", "windows_version"}));
  EXPECT_EQ(root.Member("format")->number, "1");
  EXPECT_EQ(JsonReader::Utf8Of(root.Member("tool")->text), "Tavlun Yard\xC4\xB1mc\xC4\xB1s\xC4\xB1");
  EXPECT_EQ(JsonReader::Utf8Of(root.Member("time_utc")->text), "2026-01-31T09:05:07Z");
  EXPECT_EQ(JsonReader::Utf8Of(root.Member("result")->text), "missing");
  EXPECT_EQ(JsonReader::Utf8Of(root.Member("dll_state")->Member("kind")->text), "different-file");
  EXPECT_TRUE(root.Member("dll_state")->Member("install_offered")->boolean);
  EXPECT_EQ(root.Member("report_text")->text, u"SONUÇ\r\nOK — \"tırnak\" \\ ters bölü");
  const std::vector<JsonValue>& rows = root.Member("rows")->items;
  ASSERT_EQ(rows.size(), kRequirementCount);
  const char* ids[] = {"akis-dll", "runtime", "java", "jnlp", "smart-card-service", "reader-and-card"};
  const char* words[] = {"ready", "missing", "attention", "ready", "attention", "ready"};
  for (std::size_t i = 0; i < kRequirementCount; ++i) {
    EXPECT_EQ(JsonReader::Utf8Of(rows[i].Member("id")->text), ids[i]);
    EXPECT_EQ(JsonReader::Utf8Of(rows[i].Member("state")->text), words[i]);
    EXPECT_EQ(rows[i].Member("title")->text.size(), std::wstring(kRequirementTitles[i]).size());
  }
}

TEST(CheckReportJson, StrictReaderRefusesWhatIsNotJson) {
  const char* refused[] = {"",          "{}x",         "{\"a\":1,}",     "[01]",         "{\"a\":1,\"a\":2}",
                           "\"\x01\"",  "\"\\x\"",     "\"\\ud800\"",    "\"\xC0\xAF\"", "\"\xED\xA0\x80\"",
                           "\xEF\xBB\xBF{}", "[1.]",   "{'a':1}",        "[tru]",        "\"\\udc00\\ud800\""};
  for (const char* text : refused) {
    JsonValue value;
    std::string error;
    EXPECT_FALSE(JsonReader::Parse(text, &value, &error)) << text;
  }
  JsonValue value;
  std::string error;
  EXPECT_TRUE(JsonReader::Parse(" {\"a\": [1, -0.5e+3, true, null, \"\\ud83d\\ude00\"]} ", &value, &error)) << error;
}

TEST(CheckReportExit, WorstRowDecidesAndAFileFoundDecidesTheRefusal) {
  const auto rows = [](std::vector<std::uint32_t> states) {
    std::vector<RequirementItem> items;
    for (std::uint32_t s : states) items.push_back(RequirementItem{s, L"t", L"d"});
    return items;
  };
  EXPECT_EQ(CheckReportExitCode(rows({0, 0, 0, 0, 0, 0})), kExitCheckReportReady);
  EXPECT_EQ(CheckReportExitCode(rows({0, 0, 1, 0, 1, 0})), kExitCheckReportAttention);
  EXPECT_EQ(CheckReportExitCode(rows({0, 7, 0, 0, 0, 0})), kExitCheckReportAttention) << "unknown counts as attention";
  EXPECT_EQ(CheckReportExitCode(rows({1, 0, 0, 0, 0, 2})), kExitCheckReportMissing);

  EXPECT_EQ(ReportFileVerdict(false, 0, 0), ReportPathVerdict::Accepted);
  EXPECT_EQ(ReportFileVerdict(true, 0x80, 0), ReportPathVerdict::Accepted);   // a plain file is replaced
  EXPECT_EQ(ReportFileVerdict(true, 0x21, 0), ReportPathVerdict::Accepted);   // archive, read-only: the write fails
  EXPECT_EQ(ReportFileVerdict(true, 0x10, 0), ReportPathVerdict::Refused);    // folder
  EXPECT_EQ(ReportFileVerdict(true, 0x400, 0xA000000C), ReportPathVerdict::Refused);  // symbolic link
  EXPECT_EQ(ReportFileVerdict(true, 0x20, 0x80000017), ReportPathVerdict::Refused);   // a tag without its flag
  EXPECT_EQ(ReportFileVerdict(true, 0x40, 0), ReportPathVerdict::Refused);    // device
}

}  // namespace
}  // namespace tavlun

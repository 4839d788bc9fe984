// The --check-report document's escaping, the exit code of every row mix and the verdict on a report file found.
// Pure: also built natively (the fuzz target reads whole documents back).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/check_report.h"
#include "app/run_mode.h"
#include "check/check_report_json.h"

namespace tavlun {
namespace {

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

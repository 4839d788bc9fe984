// The texts an elevated run leaves behind: log values that stay on their line, the record's keys, the standard
// output line and the event entry. Pure: also built natively under the sanitizers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text.h"
#include "install/event_log.h"
#include "install/install_log.h"
#include "program_version.h"

namespace tavlun {
namespace {

std::vector<std::wstring> Lines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

TEST(EscapeLogValue, KeepsEveryValueOnItsLine) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"C:\\Windows\\SysWOW64\\akisp11.dll", L"C:\\Windows\\SysWOW64\\akisp11.dll"},
      {L"Türkçe İşlem ğüşıöç", L"Türkçe İşlem ğüşıöç"},
      {L"bir\r\nmessage=sahte", L"bir%0D%0Amessage=sahte"},
      {L"a\tb\x1B[2Jc\x7F", L"a%09b%1B[2Jc%7F"},
      {std::wstring(L"nul\0x", 5), L"nul%00x"},
      {L"%1 yüzde", L"%251 yüzde"},
      {L"nel\x85ls\x2028ps\x2029", L"nel%C2%85ls%E2%80%A8ps%E2%80%A9"},
      {L"", L""},
  };
  for (const auto& [value, escaped] : cases) EXPECT_EQ(EscapeLogValue(value), escaped);
}

TEST(FormatUtcTime, IsIso8601InUtc) {
  EXPECT_EQ(FormatUtcTime(2026, 12, 8, 17, 5, 9), L"2026-12-08T17:05:09Z");
  EXPECT_EQ(FormatUtcTime(999, 1, 2, 3, 4, 5), L"0999-01-02T03:04:05Z");
}

TEST(ComposeInstallLogText, OneLinePerKeyWhateverTheValuesHold) {
  InstallOutcome outcome;
  outcome.target = L"C:\\Windows\\System32\\akisp11.dll";
  outcome.message = L"durdu\r\noutcome=installed\nwin32_error=0";
  outcome.rollback = L"geri\ralındı";
  InstallLogContext context;
  context.time_local = L"20261208-204500-77";
  context.time_utc = L"2026-12-08T17:45:00Z";
  context.computer_name = L"PC\r\nx=1";
  context.native_architecture = 9;
  const std::vector<std::wstring> lines = Lines(ComposeInstallLogText(outcome, context));
  const std::vector<std::wstring> expected = {
      std::wstring(L"Tavlun Yardımcısı ") + kProgramVersionShort,
      L"time_local=20261208-204500-77",
      L"time_utc=2026-12-08T17:45:00Z",
      L"computer_name=PC%0D%0Ax=1",
      L"native_arch=9",
      L"target=C:\\Windows\\System32\\akisp11.dll",
      L"expected_sha256=unknown",
      L"old_sha256=none",
      L"backup=none",
      L"outcome=failed",
      L"win32_error=0",
      L"rollback=geri%0Dalındı",
      L"work_area_moved=none",
      L"message=durdu%0D%0Aoutcome=installed%0Awin32_error=0",
  };
  EXPECT_EQ(lines, expected);
  context.work_area_moved = L"C:\\ProgramData\\TavlunYardimcisi.moved-20261208-204500-77-0A";
  EXPECT_EQ(Lines(ComposeInstallLogText(outcome, context))[12],
            L"work_area_moved=C:\\ProgramData\\TavlunYardimcisi.moved-20261208-204500-77-0A");
}

TEST(ComposeElevatedReport, OneLineAndAnEntryOfTheRightKind) {
  const std::wstring program = std::wstring(L"TavlunYardimcisi ") + kProgramVersionShort;
  ElevatedReport report = ComposeElevatedReport(0, kCauseInstalled, L"AKİS kuruldu.");
  EXPECT_EQ(report.output_line, program + L" exit=0 cause=installed message=AKİS kuruldu.\r\n");
  EXPECT_EQ(report.event_type, kEventTypeInformation);
  EXPECT_EQ(report.event_id, 1000u);
  EXPECT_EQ(report.event_text, std::wstring(L"Tavlun Yardımcısı ") + kProgramVersionShort +
                                   L" --install-elevated\r\nexit=0\r\ncause=installed\r\nmessage=AKİS kuruldu.");
  report = ComposeElevatedReport(31, L"", L"durdu\r\nexit=0");
  EXPECT_EQ(report.output_line, program + L" exit=31 cause=unknown message=durdu%0D%0Aexit=0\r\n");
  EXPECT_EQ(report.event_type, kEventTypeError);
  EXPECT_EQ(report.event_id, 1031u);
  EXPECT_EQ(Lines(report.event_text).size(), 4u);
}

}  // namespace
}  // namespace tavlun

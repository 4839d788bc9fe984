// The texts an elevated run leaves behind: log values that stay on their line, the record's keys, the standard
// output line and event entry, and the rule that decides whether a found work folder is in someone else's hands.
// Pure: also built natively under the sanitizers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/event_log.h"
#include "install/install_log.h"
#include "install/security_rules.h"
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

TEST(ComposeElevatedReport, LineAndEntryPerExitCode) {
  const std::wstring version = kProgramVersionShort;
  struct Case {
    int exit_code;
    const wchar_t* cause;
    std::wstring message;
    std::wstring line;
    std::uint16_t type;
    std::uint32_t id;
  };
  const Case cases[] = {
      {0, kCauseInstalled, L"AKİS kuruldu.", L" exit=0 cause=installed message=AKİS kuruldu.\r\n",
       kEventTypeInformation, 1000},
      {30, kCauseInstallFailed, L"64-bit kurulum tamamlanamadı:\r\nx", L" exit=30 cause=install-failed message=64-bit "
       L"kurulum tamamlanamadı:%0D%0Ax\r\n", kEventTypeError, 1030},
      {31, kCauseNotAdmin, L"Kurulum için yönetici izni gerekiyor.",
       L" exit=31 cause=not-admin message=Kurulum için yönetici izni gerekiyor.\r\n", kEventTypeError, 1031},
      {31, L"", L"", L" exit=31 cause=unknown message=\r\n", kEventTypeError, 1031},
  };
  for (const Case& c : cases) {
    const ElevatedReport report = ComposeElevatedReport(c.exit_code, c.cause, c.message);
    EXPECT_EQ(report.output_line, L"TavlunYardimcisi " + version + c.line);
    EXPECT_EQ(report.event_type, c.type);
    EXPECT_EQ(report.event_id, c.id);
    const std::vector<std::wstring> lines = Lines(report.event_text);
    ASSERT_EQ(lines.size(), 4u) << c.exit_code;
    EXPECT_EQ(lines[0], L"Tavlun Yardımcısı " + version + L" --install-elevated");
    EXPECT_EQ(lines[1], L"exit=" + std::to_wstring(c.exit_code));
    EXPECT_EQ(lines[3], L"message=" + EscapeLogValue(c.message));
  }
}

// The facts as ReadDescriptorFacts gives them; the same rule on descriptors from SDDL is in security_tests.cpp.
TEST(ShowsForeignControl, OwnerOrAWriterOtherThanAdministratorsAndSystem) {
  const auto facts = [](bool owner_present, KnownPrincipal owner, std::vector<AceFacts> aces) {
    DescriptorFacts f;
    f.principals_known = true;
    f.owner_present = owner_present;
    f.owner = owner;
    f.control_read = f.dacl_present = f.ace_count_read = true;
    f.ace_count = static_cast<std::uint32_t>(aces.size());
    f.aces = std::move(aces);
    return f;
  };
  const AceFacts users_read{true, 0, 0x03, KnownPrincipal::Users, 0x1200A9};
  const AceFacts users_add_file{true, 0, 0x02, KnownPrincipal::Users, 0x2};
  const AceFacts other_generic_write{true, 0, 0, KnownPrincipal::Other, 0x40000000};
  const AceFacts other_inherit_only{true, 0, 0x0B, KnownPrincipal::Other, 0x1F01FF};
  const AceFacts other_denied{true, 1, 0, KnownPrincipal::Other, 0x1F01FF};
  const AceFacts admins_full{true, 0, 0x03, KnownPrincipal::Administrators, 0x1F01FF};
  const KnownPrincipal ba = KnownPrincipal::Administrators;
  EXPECT_TRUE(ShowsForeignControl(facts(true, KnownPrincipal::Other, {admins_full})));
  EXPECT_TRUE(ShowsForeignControl(facts(true, KnownPrincipal::Users, {})));
  EXPECT_TRUE(ShowsForeignControl(facts(true, ba, {admins_full, users_add_file})));
  EXPECT_TRUE(ShowsForeignControl(facts(true, KnownPrincipal::LocalSystem, {other_generic_write})));
  EXPECT_FALSE(ShowsForeignControl(facts(true, ba, {admins_full, users_read})));
  EXPECT_FALSE(ShowsForeignControl(facts(true, ba, {other_inherit_only, other_denied})));
  EXPECT_FALSE(ShowsForeignControl(facts(false, KnownPrincipal::Other, {admins_full}))) << "no owner read";
  DescriptorFacts unreadable = facts(true, ba, {users_add_file});
  unreadable.aces[0].readable = false;
  EXPECT_FALSE(ShowsForeignControl(unreadable));
  unreadable.principals_known = false;
  unreadable.owner = KnownPrincipal::Other;
  EXPECT_FALSE(ShowsForeignControl(unreadable));
}

}  // namespace
}  // namespace tavlun

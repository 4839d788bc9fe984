// Log records: the eleven lines byte for byte, new files only, never a partial record.
#include <gtest/gtest.h>

#include "core/native_architecture.h"
#include "install/engine_names.h"
#include "install/install_log.h"
#include "program_version.h"
#include "tests/install/install_test_support.h"

namespace tavlun {
namespace {

using namespace install_testing;

std::string AsText(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

InstallLogContext Context(const wchar_t* time_local, std::uint32_t native_architecture) {
  InstallLogContext context;
  context.time_local = time_local;
  context.time_utc = L"2024-01-02T00:04:05Z";
  context.computer_name = L"KASA-07";
  context.native_architecture = native_architecture;
  return context;
}

TEST(ComposeInstallLogText, FilledRecord) {
  InstallOutcome outcome;
  outcome.outcome = kOutcomeInstalled;
  outcome.message = L"akisp11.dll güvenle kuruldu.";
  outcome.target = L"C:\\Windows\\System32\\akisp11.dll";
  outcome.old_sha256 = L"AA";
  outcome.backup = L"C:\\ProgramData\\TavlunYardimcisi\\Backups\\x\\akisp11.dll";
  outcome.rollback = L"geri alındı";
  outcome.expected_sha256 = L"BB";
  outcome.win32_error = 4294967295u;
  EXPECT_EQ(Utf8(ComposeInstallLogText(outcome, Context(L"20240102-030405-77", 9))),
            "Tavlun Yard\xC4\xB1mc\xC4\xB1s\xC4\xB1 " + Utf8(kProgramVersionShort) +
                "\r\n"
                "time_local=20240102-030405-77\r\n"
            "time_utc=2024-01-02T00:04:05Z\r\n"
            "computer_name=KASA-07\r\n"
            "native_arch=9\r\n"
            "target=C:\\Windows\\System32\\akisp11.dll\r\n"
            "expected_sha256=BB\r\n"
            "old_sha256=AA\r\n"
            "backup=C:\\ProgramData\\TavlunYardimcisi\\Backups\\x\\akisp11.dll\r\n"
            "outcome=installed\r\n"
            "win32_error=4294967295\r\n"
            "rollback=geri al\xC4\xB1nd\xC4\xB1\r\n"
            "work_area_moved=none\r\n"
            "message=akisp11.dll g\xC3\xBCvenle kuruldu.\r\n");
}

TEST(ComposeInstallLogText, EmptyFieldsAndOutcomeNames) {
  InstallOutcome outcome;
  EXPECT_EQ(ComposeInstallLogText(outcome, Context(L"20240102-030405-77", 0)),
            L"Tavlun Yardımcısı " + std::wstring(kProgramVersionShort) + L"\r\ntime_local=20240102-030405-77\r\n"
            L"time_utc=2024-01-02T00:04:05Z\r\ncomputer_name=KASA-07\r\nnative_arch=0\r\ntarget=\r\n"
            L"expected_sha256=unknown\r\nold_sha256=none\r\nbackup=none\r\noutcome=failed\r\nwin32_error=0\r\n"
            L"rollback=not-needed\r\nwork_area_moved=none\r\nmessage=\r\n");
  outcome.outcome = kOutcomeAlreadyInstalled;
  EXPECT_TRUE(Contains(ComposeInstallLogText(outcome, Context(L"t", 12)), L"\r\noutcome=already-installed\r\n"));
  outcome.outcome = 7;
  EXPECT_TRUE(Contains(ComposeInstallLogText(outcome, Context(L"t", 12)), L"\r\noutcome=failed\r\n"));
  // A value holding a line break stays on its line.
  outcome.message = L"bir\r\niki";
  EXPECT_TRUE(Contains(ComposeInstallLogText(outcome, Context(L"t", 12)), L"\r\nmessage=bir%0D%0Aiki\r\n"));
}

class WriteInstallLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hooks_.timestamp_name = [] { return std::wstring(L"20240102-030405-77"); };
    outcome_.outcome = kOutcomeFailed;
    outcome_.target = L"C:\\Windows\\SysWOW64\\akisp11.dll";
    outcome_.message = L"32-bit kurulum tamamlanamadı: İşlem durduruldu.";
  }
  std::wstring LogPath(wchar_t token_digit) const {
    return scratch_.Child(LogFileName(L"20240102-030405-77", Token(token_digit)));
  }
  ScratchDir scratch_;
  EngineHooks hooks_;
  InstallOutcome outcome_;
};

TEST_F(WriteInstallLogTest, WritesTheRecordAsUtf8WithoutBom) {
  ScriptedTokens tokens{{Token(L'E')}};
  tokens.Install(&hooks_);
  ASSERT_TRUE(WriteInstallLog(scratch_.path(), outcome_, false, &hooks_));
  ASSERT_EQ(ListFolder(scratch_.path()), std::vector<std::wstring>{LogFileName(L"20240102-030405-77", Token(L'E'))});
  const std::string text = AsText(ReadBytes(LogPath(L'E')));
  // The machine's own values; the UTC time as the record took it, in its fixed form.
  InstallLogContext context = ReadInstallLogContext(&hooks_, L"");
  ASSERT_FALSE(context.computer_name.empty());
  EXPECT_EQ(context.native_architecture, NativeArchitecture());
  const std::size_t utc = text.find("\r\ntime_utc=");
  ASSERT_NE(utc, std::string::npos);
  const std::string utc_value = text.substr(utc + 11, text.find("\r\n", utc + 2) - utc - 11);
  ASSERT_EQ(utc_value.size(), 20u) << utc_value;
  EXPECT_TRUE(utc_value[4] == '-' && utc_value[10] == 'T' && utc_value[19] == 'Z') << utc_value;
  context.time_utc.assign(utc_value.begin(), utc_value.end());
  EXPECT_EQ(text, Utf8(ComposeInstallLogText(outcome_, context)));
  EXPECT_EQ(text.rfind("Tavlun Yard\xC4\xB1mc\xC4\xB1s\xC4\xB1 " + Utf8(kProgramVersionShort) + "\r\n", 0), 0u)
      << "no byte-order mark";
  EXPECT_NE(text.find("\r\nmessage=32-bit kurulum tamamlanamad\xC4\xB1: \xC4\xB0\xC5\x9Flem durduruldu.\r\n"),
            std::string::npos);
}

TEST_F(WriteInstallLogTest, CollisionsTakeANewNameAndNeverOverwrite) {
  const std::wstring victim = scratch_.Child(L"victim.txt");
  ASSERT_TRUE(WriteBytes(victim, Bytes("victim")));
  ASSERT_TRUE(::CreateHardLinkW(LogPath(L'1').c_str(), victim.c_str(), nullptr));
  ScriptedTokens tokens{{Token(L'1'), Token(L'2')}};
  tokens.Install(&hooks_);
  ASSERT_TRUE(WriteInstallLog(scratch_.path(), outcome_, false, &hooks_));
  EXPECT_EQ(ReadBytes(victim), Bytes("victim"));
  EXPECT_FALSE(ReadBytes(LogPath(L'2')).empty());

  hooks_.random_token = [](std::wstring* token) {
    *token = Token(L'1');
    return true;
  };
  EXPECT_FALSE(WriteInstallLog(scratch_.path(), outcome_, false, &hooks_)) << "twenty collisions";
  EXPECT_EQ(ReadBytes(victim), Bytes("victim"));

  hooks_.random_token = [](std::wstring*) { return false; };
  EXPECT_FALSE(WriteInstallLog(scratch_.path(), outcome_, false, &hooks_));
  EXPECT_FALSE(WriteInstallLog(scratch_.Child(L"missing"), outcome_, false));
  EXPECT_EQ(ListFolder(scratch_.path()).size(), 3u) << "victim, planted link, one record";
}

TEST_F(WriteInstallLogTest, SecureRecordIsVerifiedOrNotLeftBehind) {
  bool could_create = false;
  const bool keeps_security = PlatformKeepsFileSecurity(scratch_.path(), &could_create);
  if (!could_create) GTEST_SKIP() << "creating files owned by Administrators needs administrator rights";
  const bool written = WriteInstallLog(scratch_.path(), outcome_, true, &hooks_);
  EXPECT_EQ(written, keeps_security);
  // Wine keeps no file security descriptor: the record fails its verification and is deleted.
  EXPECT_EQ(ListFolder(scratch_.path()).size(), keeps_security ? 1u : 0u);
}

}  // namespace
}  // namespace tavlun

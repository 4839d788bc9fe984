// Names of the engine's own files, the exclusive temporary install file, free random names and the writers.
#include <gtest/gtest.h>

#include <cstdlib>

#include "install/backup_copy.h"
#include "install/engine_names.h"
#include "install/temp_files.h"
#include "tests/install/install_test_support.h"

namespace tavlun {
namespace {

using namespace install_testing;

std::uint32_t Pid() { return static_cast<std::uint32_t>(::GetCurrentProcessId()); }

TEST(EngineNames, Patterns) {
  EXPECT_EQ(FormatTimestampName(2024, 1, 2, 3, 4, 5, 77), L"20240102-030405-77");
  EXPECT_EQ(FormatTimestampName(2031, 12, 31, 23, 59, 59, 4294967295u), L"20311231-235959-4294967295");
  EXPECT_EQ(TempInstallFileName(12, 12345678901234ull, 0), L".akisp11.12.12345678901234.0.tmp");
  EXPECT_EQ(RollbackCopyName(12, 5, 19), L".akisp11.rollback.12.5.19.tmp");
  EXPECT_EQ(RandomTempName(L"prior-recovery", Token(L'A')), L".akisp11.prior-recovery." + Token(L'A') + L".tmp");
  EXPECT_EQ(BackupFolderName(L"20240102-030405-77", L"0A1B2C3D4E5F"), L"20240102-030405-77-0A1B2C3D");
  EXPECT_EQ(BackupFolderName(L"20240102-030405-77", L"ABC"), L"20240102-030405-77-ABC");
  EXPECT_EQ(BackupFolderName(L"20240102-030405-77", L"0A1B2C3D4E5F", 0), L"20240102-030405-77-0A1B2C3D");
  EXPECT_EQ(BackupFolderName(L"20240102-030405-77", L"0A1B2C3D4E5F", 19), L"20240102-030405-77-0A1B2C3D-19");
  EXPECT_EQ(LogFileName(L"20240102-030405-77", Token(L'0')), L"20240102-030405-77-" + Token(L'0') + L".log");
}

TEST(EngineNames, TimestampOfThisProcess) {
  const std::wstring stamp = MakeTimestampName();
  ASSERT_EQ(stamp.size(), 16 + DecimalText(Pid()).size());
  EXPECT_EQ(stamp[8], L'-');
  EXPECT_EQ(stamp[15], L'-');
  EXPECT_EQ(stamp.substr(16), DecimalText(Pid()));
}

TEST(RandomHexToken, ThirtyTwoUpperCaseDigitsAndFresh) {
  std::wstring first;
  std::wstring second;
  ASSERT_TRUE(RandomHexToken(&first));
  ASSERT_TRUE(RandomHexToken(&second));
  ASSERT_EQ(first.size(), 32u);
  EXPECT_EQ(first.find_first_not_of(L"0123456789ABCDEF"), std::wstring::npos) << Utf8(first);
  EXPECT_NE(first, second);
}

TEST(MakeSecureTempName, TakesTheNextNameAndStopsAfterTwenty) {
  ScratchDir scratch;
  EngineHooks hooks;
  ScriptedTokens tokens{{Token(L'1'), Token(L'2')}};
  tokens.Install(&hooks);
  const std::wstring taken = JoinPath(scratch.path(), RandomTempName(L"rescue", Token(L'1')));
  ASSERT_TRUE(WriteBytes(taken, Bytes("planted")));
  std::wstring path;
  std::wstring message;
  ASSERT_TRUE(MakeSecureTempName(scratch.path(), L"rescue", &path, &message, &hooks)) << Utf8(message);
  EXPECT_EQ(path, JoinPath(scratch.path(), RandomTempName(L"rescue", Token(L'2'))));
  EXPECT_FALSE(Exists(path)) << "the name is only chosen, not created";
  EXPECT_EQ(ReadBytes(taken), Bytes("planted"));

  hooks.random_token = [](std::wstring* token) {
    *token = Token(L'1');
    return true;
  };
  EXPECT_FALSE(MakeSecureTempName(scratch.path(), L"rescue", &path, &message, &hooks));
  EXPECT_EQ(message, L"Benzersiz güvenli geçici ad üretilemedi.");

  hooks.random_token = [](std::wstring*) { return false; };
  EXPECT_FALSE(MakeSecureTempName(scratch.path(), L"rescue", &path, &message, &hooks));
  EXPECT_EQ(message, L"Güvenli rastgele dosya adı üretilemedi.");
}

TEST(MakeSecureTempName, AFolderThatDoesNotExistIsFree) {
  ScratchDir scratch;
  std::wstring path;
  std::wstring message;
  ASSERT_TRUE(MakeSecureTempName(scratch.Child(L"later"), L"previous", &path, &message)) << Utf8(message);
  EXPECT_TRUE(StartsWith(path, JoinPath(scratch.Child(L"later"), L".akisp11.previous."))) << Utf8(path);
  EXPECT_EQ(path.size(), scratch.Child(L"later").size() + 1 + std::wstring(L".akisp11.previous.").size() + 32 + 4);
}

class CreateVerifiedTempFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hooks_.tick_count = [] { return std::uint64_t{4242}; };
  }
  std::wstring Candidate(unsigned attempt) const {
    return JoinPath(scratch_.path(), TempInstallFileName(Pid(), 4242, attempt));
  }
  ScratchDir scratch_;
  EngineHooks hooks_;
  const std::vector<std::uint8_t> data_ = BuildBytes(PayloadKind::Build32);
};

TEST_F(CreateVerifiedTempFileTest, WritesProvesAndClosesTheFile) {
  std::wstring path;
  FileIdentity identity;
  std::wstring message;
  std::uint32_t error = 0;
  ASSERT_TRUE(CreateVerifiedTempFile(scratch_.path(), data_.data(), static_cast<std::uint32_t>(data_.size()), &path,
                                     &identity, &message, &error, &hooks_))
      << Utf8(message);
  EXPECT_EQ(path, Candidate(0));
  EXPECT_EQ(ReadBytes(path), data_);
  EXPECT_TRUE(SameFileIdentity(identity, FactsOf(path).identity));
  // Without hooks the name carries the real tick count.
  ASSERT_TRUE(CreateVerifiedTempFile(scratch_.path(), data_.data(), static_cast<std::uint32_t>(data_.size()), &path,
                                     &identity, &message, &error));
  EXPECT_TRUE(StartsWith(path, JoinPath(scratch_.path(), L".akisp11." + DecimalText(Pid()) + L".")));
}

TEST_F(CreateVerifiedTempFileTest, PlantedFirstNameMovesToAttemptOne) {
  ASSERT_TRUE(WriteBytes(Candidate(0), Bytes("planted")));
  std::wstring path;
  FileIdentity identity;
  std::wstring message;
  std::uint32_t error = 0;
  ASSERT_TRUE(CreateVerifiedTempFile(scratch_.path(), data_.data(), static_cast<std::uint32_t>(data_.size()), &path,
                                     &identity, &message, &error, &hooks_))
      << Utf8(message);
  EXPECT_EQ(path, Candidate(1));
  EXPECT_EQ(ReadBytes(Candidate(0)), Bytes("planted"));
}

TEST_F(CreateVerifiedTempFileTest, PlantedHardLinkIsNeverWrittenThrough) {
  const std::wstring victim = scratch_.Child(L"victim.dll");
  ASSERT_TRUE(WriteBytes(victim, Bytes("victim")));
  ASSERT_TRUE(::CreateHardLinkW(Candidate(0).c_str(), victim.c_str(), nullptr));
  std::wstring path;
  FileIdentity identity;
  std::wstring message;
  std::uint32_t error = 0;
  ASSERT_TRUE(CreateVerifiedTempFile(scratch_.path(), data_.data(), static_cast<std::uint32_t>(data_.size()), &path,
                                     &identity, &message, &error, &hooks_));
  EXPECT_EQ(path, Candidate(1));
  EXPECT_EQ(ReadBytes(victim), Bytes("victim"));
  EXPECT_EQ(FactsOf(victim).links, 2u);
}

TEST_F(CreateVerifiedTempFileTest, TwentyCollisionsGiveCodeEighty) {
  for (unsigned attempt = 0; attempt < 20; ++attempt) ASSERT_TRUE(WriteBytes(Candidate(attempt), Bytes("x")));
  std::wstring path;
  FileIdentity identity;
  std::wstring message;
  std::uint32_t error = 0;
  EXPECT_FALSE(CreateVerifiedTempFile(scratch_.path(), data_.data(), static_cast<std::uint32_t>(data_.size()), &path,
                                      &identity, &message, &error, &hooks_));
  EXPECT_EQ(error, 80u);
  EXPECT_EQ(message, L"Benzersiz geçici kurulum dosyası oluşturulamadı.");
  EXPECT_EQ(ListFolder(scratch_.path()).size(), 20u);
}

TEST_F(CreateVerifiedTempFileTest, MissingFolderIsReportedWithTheWindowsText) {
  std::wstring path;
  FileIdentity identity;
  std::wstring message;
  std::uint32_t error = 0;
  EXPECT_FALSE(CreateVerifiedTempFile(scratch_.Child(L"gone"), data_.data(), static_cast<std::uint32_t>(data_.size()),
                                      &path, &identity, &message, &error));
  EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(message, L"Geçici kurulum dosyası oluşturulamadı: " + WindowsErrorText(ERROR_PATH_NOT_FOUND));
}

// The small tmpfs that tests/support/scratch_disk.sh mounts for CTest, reached through Wine's Z: drive; empty when
// it is not there.
std::wstring FullDiskFolder() {
  const std::wstring folder = testing_support::BuildFolderChild(L"full-disk");
  return !folder.empty() && Exists(JoinPath(folder, L".tavlun-full-disk")) ? folder : std::wstring();
}

class FullDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring disk = FullDiskFolder();
    if (disk.empty()) {
      GTEST_SKIP() << "no small tmpfs is mounted: CTest mounts one as root (tests/support/scratch_disk.sh); this "
                      "account or machine could not";
    }
    folder_ = JoinPath(disk, L"case-" + DecimalText(Pid()));
    ::CreateDirectoryW(folder_.c_str(), nullptr);
  }
  void TearDown() override {
    if (folder_.empty()) return;  // skipped: nothing was made
    for (const std::wstring& name : ListFolder(folder_)) ::DeleteFileW(JoinPath(folder_, name).c_str());
    ::RemoveDirectoryW(folder_.c_str());
  }
  std::wstring folder_;
  // Four times the size of the whole disk.
  const std::vector<std::uint8_t> data_ = std::vector<std::uint8_t>(1024 * 1024, 0x5A);
};

TEST_F(FullDiskTest, TemporaryInstallFileLeavesNothingBehind) {
  std::wstring path;
  FileIdentity identity;
  std::wstring message;
  std::uint32_t error = 0;
  EXPECT_FALSE(CreateVerifiedTempFile(folder_, data_.data(), static_cast<std::uint32_t>(data_.size()), &path,
                                      &identity, &message, &error));
  EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_DISK_FULL));
  EXPECT_EQ(message, L"Geçici kurulum dosyası yazılamadı: " + WindowsErrorText(ERROR_DISK_FULL));
  EXPECT_TRUE(ListFolder(folder_).empty());
}

TEST_F(FullDiskTest, BackupCopyLeavesNothingBehind) {
  ScratchDir scratch;
  const std::wstring source = scratch.Child(L"akisp11.dll");
  ASSERT_TRUE(WriteBytes(source, data_));
  std::wstring message;
  std::uint32_t error = 0;
  EXPECT_FALSE(CopyToNewFile(source, JoinPath(folder_, L"akisp11.dll"), false, &message, &error));
  EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_DISK_FULL));
  EXPECT_EQ(message, L"Hedef dosya yazılamadı: " + WindowsErrorText(ERROR_DISK_FULL));
  EXPECT_TRUE(ListFolder(folder_).empty());
  EXPECT_EQ(ReadBytes(source), data_);
}

TEST(WriteWholeFile, WritesAndReportsTheBareWindowsText) {
  ScratchDir scratch;
  std::wstring message;
  const std::wstring path = scratch.Child(L"fixture");
  ASSERT_TRUE(WriteWholeFile(path, "EXTERNAL", 8, &message));
  ASSERT_TRUE(WriteWholeFile(path, "AKIS", 4, &message));
  EXPECT_EQ(ReadBytes(path), Bytes("AKIS"));
  EXPECT_FALSE(WriteWholeFile(scratch.Child(L"gone\\fixture"), "AKIS", 4, &message));
  EXPECT_EQ(message, WindowsErrorText(ERROR_PATH_NOT_FOUND));
}

}  // namespace
}  // namespace tavlun

// The single-DLL transaction on scratch targets, including the races a test can force through the hooks.
#include <gtest/gtest.h>

#include "install/engine_names.h"
#include "install/transaction.h"
#include "tests/install/install_test_support.h"

namespace tavlun {
namespace {

using namespace install_testing;

constexpr wchar_t kAdvice[] = L". Tarayıcıları ve e-imza uygulamalarını kapatıp yeniden deneyin.";

class TransactionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    target_ = ScratchTarget(scratch_.Child(L"SysWOW64"), L"C:\\Windows\\SysWOW64\\akisp11.dll");
    backups_ = scratch_.Child(L"Backups");
    ASSERT_TRUE(::CreateDirectoryW(backups_.c_str(), nullptr));
  }

  InstallOutcome Install(const EngineHooks* hooks = nullptr, FileIdentity* installed = nullptr) {
    InstallOutcome outcome;
    InstallSingleDll(&outcome, target_, payload_, backups_, false, installed, hooks);
    EXPECT_EQ(outcome.target, L"C:\\Windows\\SysWOW64\\akisp11.dll");
    EXPECT_EQ(outcome.expected_sha256, payload_.sha256);
    EXPECT_FALSE(outcome.log_written);
    return outcome;
  }
  std::vector<std::wstring> TargetFolder() const { return ListFolder(target_.directory); }
  std::wstring Leftover(const std::wstring& label) const {
    for (const std::wstring& name : TargetFolder()) {
      if (StartsWith(name, L".akisp11." + label + L".")) return JoinPath(target_.directory, name);
    }
    return std::wstring();
  }
  // Puts another program's file at the target, as a new file (a rename over it).
  void ReplaceTargetWithForeignFile(const std::vector<std::uint8_t>& bytes) {
    const std::wstring staged = scratch_.Child(L"foreign.dll");
    ASSERT_TRUE(WriteBytes(staged, bytes));
    ASSERT_TRUE(::MoveFileExW(staged.c_str(), target_.file_path.c_str(), MOVEFILE_REPLACE_EXISTING));
  }

  ScratchDir scratch_;
  TargetLocation target_;
  std::wstring backups_;
  const LoadedPayload payload_ = LoadBuild(PayloadKind::Build32);
  const std::vector<std::uint8_t> build_ = BuildBytes(PayloadKind::Build32);
  const std::vector<std::uint8_t> old_ = ReadBytes(TestDll(L"akis_x86_3.4.1.0.dll"));
};

TEST_F(TransactionTest, EmptyTargetIsPlacedWithoutBackup) {
  FileIdentity installed;
  const InstallOutcome outcome = Install(nullptr, &installed);
  EXPECT_EQ(outcome.outcome, kOutcomeInstalled) << Utf8(outcome.message);
  EXPECT_EQ(outcome.message, L"akisp11.dll güvenle kuruldu ve SHA-256 doğrulaması tamamlandı.");
  EXPECT_TRUE(outcome.old_sha256.empty());
  EXPECT_TRUE(outcome.backup.empty());
  EXPECT_TRUE(outcome.rollback.empty());
  EXPECT_EQ(outcome.win32_error, 0u);
  EXPECT_EQ(ReadBytes(target_.file_path), build_);
  EXPECT_TRUE(SameFileIdentity(installed, FactsOf(target_.file_path).identity));
  EXPECT_EQ(TargetFolder(), std::vector<std::wstring>{L"akisp11.dll"});
  EXPECT_TRUE(ListFolder(backups_).empty());
}

TEST_F(TransactionTest, IdenticalTargetIsLeftAloneWithoutBackupFolder) {
  ASSERT_TRUE(WriteBytes(target_.file_path, build_));
  const FileIdentity before = FactsOf(target_.file_path).identity;
  const InstallOutcome outcome = Install();
  EXPECT_EQ(outcome.outcome, kOutcomeAlreadyInstalled);
  EXPECT_EQ(outcome.message,
            L"Hedef DLL bu aracın doğrulanmış gömülü kopyasıyla zaten eşleşiyor; dosya değiştirilmedi.");
  EXPECT_EQ(outcome.old_sha256, payload_.sha256);
  EXPECT_TRUE(outcome.backup.empty());
  EXPECT_TRUE(ListFolder(backups_).empty());
  EXPECT_TRUE(SameFileIdentity(before, FactsOf(target_.file_path).identity));
}

TEST_F(TransactionTest, SameOrNewerVersionOfTheSameMachineIsKept) {
  ASSERT_TRUE(CopyTestDll(L"akis_x86_3.4.2.0.dll", target_.file_path));
  InstallOutcome outcome = Install();
  EXPECT_EQ(outcome.outcome, kOutcomeAlreadyInstalled);
  EXPECT_EQ(outcome.message, L"Hedefte aynı veya daha yeni sürüm (3.4.2) bulundu. Hash farklı olduğu için dosya "
                             L"güvenlik amacıyla korunup değiştirilmedi.");
  EXPECT_EQ(ReadBytes(target_.file_path), ReadBytes(TestDll(L"akis_x86_3.4.2.0.dll")));
  EXPECT_TRUE(ListFolder(backups_).empty());

  // The 64-bit build against a newer 64-bit file: the revision shows in the text.
  const LoadedPayload build64 = LoadBuild(PayloadKind::Build64);
  ASSERT_TRUE(CopyTestDll(L"akis_x64_3.4.2.7.dll", target_.file_path));
  InstallSingleDll(&outcome, target_, build64, backups_, false);
  EXPECT_EQ(outcome.outcome, kOutcomeAlreadyInstalled);
  EXPECT_TRUE(Contains(outcome.message, L"(3.4.2.7)")) << Utf8(outcome.message);
}

TEST_F(TransactionTest, OlderOrVersionlessFileIsBackedUpAndReplaced) {
  for (const wchar_t* found : {L"akis_x86_3.4.1.0.dll", L"akis_x86_noversion.dll", L"akis_x64_3.4.2.0.dll"}) {
    SCOPED_TRACE(Utf8(found));
    const std::vector<std::uint8_t> old = ReadBytes(TestDll(found));
    ASSERT_TRUE(WriteBytes(target_.file_path, old));
    EngineHooks hooks;
    const std::wstring stamp = std::wstring(L"20240102-030405-") + found[5] + found[6] + found[7];
    hooks.timestamp_name = [&] { return stamp; };
    const InstallOutcome outcome = Install(&hooks);
    ASSERT_EQ(outcome.outcome, kOutcomeInstalled) << Utf8(outcome.message);
    EXPECT_EQ(outcome.message, L"akisp11.dll güvenle kuruldu ve SHA-256 doğrulaması tamamlandı.");
    EXPECT_EQ(outcome.old_sha256, DigestOf(old));
    EXPECT_EQ(outcome.backup, JoinPath(JoinPath(backups_, stamp + L"-" + outcome.old_sha256.substr(0, 8)),
                                       L"akisp11.dll"));
    EXPECT_EQ(ReadBytes(outcome.backup), old);
    EXPECT_EQ(ReadBytes(target_.file_path), build_);
    EXPECT_EQ(TargetFolder(), std::vector<std::wstring>{L"akisp11.dll"}) << "the \"previous\" file is removed";
  }
}

TEST_F(TransactionTest, FileAppearingBeforeTheMoveIsNeverOverwritten) {
  EngineHooks hooks;
  hooks.before_swap = [](const TargetLocation& target) { WriteBytes(target.file_path, Bytes("appeared")); };
  const InstallOutcome outcome = Install(&hooks);
  EXPECT_EQ(outcome.outcome, kOutcomeFailed);
  EXPECT_EQ(outcome.win32_error, static_cast<std::uint32_t>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(outcome.message, L"DLL boş hedefe çakışmasız olarak yerleştirilemedi: " +
                                 WindowsErrorText(ERROR_ALREADY_EXISTS) + kAdvice);
  EXPECT_EQ(ReadBytes(target_.file_path), Bytes("appeared"));
  EXPECT_EQ(TargetFolder(), std::vector<std::wstring>{L"akisp11.dll"}) << "the temporary file is removed";
}

TEST_F(TransactionTest, TargetHeldByAnotherProgramFailsTheSwap) {
  ASSERT_TRUE(WriteBytes(target_.file_path, old_));
  UniqueHandle holder(::CreateFileW(target_.file_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  const FileIdentity before = FactsOf(target_.file_path).identity;
  const InstallOutcome outcome = Install();
  EXPECT_EQ(outcome.outcome, kOutcomeFailed);
  EXPECT_NE(outcome.win32_error, 0u);
  EXPECT_EQ(outcome.message, L"DLL ReplaceFile ile atomik olarak değiştirilemedi: " +
                                 WindowsErrorText(outcome.win32_error) + kAdvice);
  holder.reset();
  EXPECT_EQ(ReadBytes(target_.file_path), old_);
  EXPECT_TRUE(SameFileIdentity(before, FactsOf(target_.file_path).identity));
  EXPECT_EQ(TargetFolder(), std::vector<std::wstring>{L"akisp11.dll"}) << "the temporary file is removed";
  EXPECT_EQ(ReadBytes(outcome.backup), old_) << "the backup is kept";
}

TEST_F(TransactionTest, TargetHoldsTheOldOrTheNewFileAtEveryPoint) {
  // Wherever the transaction stops, the target name leads to a whole file: the old one or the new build.
  ASSERT_TRUE(WriteBytes(target_.file_path, old_));
  EngineHooks hooks;
  std::vector<std::string> seen;
  const auto look = [&](const wchar_t* point) {
    const std::vector<std::uint8_t> held = ReadBytes(target_.file_path);
    seen.push_back(Utf8(point) + (held == old_ ? ": old" : held == build_ ? ": new" : ": OTHER"));
  };
  hooks.checkpoint = look;
  hooks.before_swap = [&](const TargetLocation&) { look(L"before swap"); };
  hooks.before_verification = [&](const TargetLocation&) { look(L"before verification"); };
  const InstallOutcome outcome = Install(&hooks);
  EXPECT_EQ(outcome.outcome, kOutcomeInstalled) << Utf8(outcome.message);
  EXPECT_EQ(seen, (std::vector<std::string>{"backup folder made: old", "copy created: old", "copy flushed: old", "copy written: old",
                                            "temporary file created: old", "temporary file written: old",
                                            "before swap: old", "previous linked: old", "swap done: new",
                                            "before verification: new", "previous removed: new"}));
  EXPECT_EQ(TargetFolder(), std::vector<std::wstring>{L"akisp11.dll"});
}

TEST_F(TransactionTest, SwapFailingOnAVanishedTargetNamesNoSafetyFile) {
  // Another program takes the target away at the moment of the swap: nothing lies at the "previous" name, so
  // nothing is said to be kept there.
  ASSERT_TRUE(WriteBytes(target_.file_path, old_));
  const std::wstring taken = scratch_.Child(L"taken.dll");
  EngineHooks hooks;
  hooks.before_swap = [&](const TargetLocation& target) {
    ::MoveFileExW(target.file_path.c_str(), taken.c_str(), 0);
  };
  const InstallOutcome outcome = Install(&hooks);
  EXPECT_EQ(outcome.outcome, kOutcomeFailed);
  EXPECT_EQ(outcome.message, L"DLL ReplaceFile ile atomik olarak değiştirilemedi: " +
                                 WindowsErrorText(ERROR_FILE_NOT_FOUND) + kAdvice);
  EXPECT_TRUE(TargetFolder().empty()) << "the temporary file is removed";
  EXPECT_EQ(ReadBytes(taken), old_);
  EXPECT_EQ(ReadBytes(outcome.backup), old_);
}

TEST_F(TransactionTest, TargetChangedBetweenBackupAndSwapIsNotOverwritten) {
  ASSERT_TRUE(WriteBytes(target_.file_path, old_));
  EngineHooks hooks;
  hooks.after_backup = [](const TargetLocation& target) { WriteBytes(target.file_path, Bytes("update 3.5")); };
  const InstallOutcome outcome = Install(&hooks);
  EXPECT_EQ(outcome.outcome, kOutcomeFailed);
  EXPECT_EQ(outcome.message,
            L"Hedef dosya yedekleme sonrasında değişti; daha yeni bir sürümü ezmemek için işlem iptal edildi.");
  EXPECT_EQ(ReadBytes(target_.file_path), Bytes("update 3.5"));
  EXPECT_EQ(TargetFolder(), std::vector<std::wstring>{L"akisp11.dll"});
  EXPECT_EQ(ReadBytes(outcome.backup), old_);
}

TEST_F(TransactionTest, TargetVanishingBeforeTheSwapStopsTheTransaction) {
  ASSERT_TRUE(WriteBytes(target_.file_path, old_));
  EngineHooks hooks;
  const std::wstring moved = scratch_.Child(L"moved-away.dll");
  hooks.after_backup = [&](const TargetLocation& target) { ::MoveFileExW(target.file_path.c_str(), moved.c_str(), 0); };
  const InstallOutcome outcome = Install(&hooks);
  EXPECT_EQ(outcome.message,
            L"Hedef dosya kurulum sırasında başka bir işlem tarafından değiştirildi; işlem güvenle iptal edildi.");
  EXPECT_TRUE(TargetFolder().empty());
  EXPECT_EQ(ReadBytes(moved), old_);
}

TEST_F(TransactionTest, TargetReplacedAtTheMomentOfTheSwapIsKept) {
  ASSERT_TRUE(WriteBytes(target_.file_path, old_));
  EngineHooks hooks;
  hooks.before_swap = [this](const TargetLocation&) { ReplaceTargetWithForeignFile(Bytes("intervening update")); };
  const InstallOutcome outcome = Install(&hooks);
  EXPECT_EQ(outcome.outcome, kOutcomeFailed);
  EXPECT_EQ(outcome.message,
            L"Hedef dosya yedekleme sonrasında değişti; daha yeni bir sürümü ezmemek için işlem iptal edildi.");
  EXPECT_EQ(ReadBytes(target_.file_path), Bytes("intervening update"));
  EXPECT_EQ(TargetFolder(), std::vector<std::wstring>{L"akisp11.dll"});
}

TEST_F(TransactionTest, InterveningFileAfterTheSecondNameKeepsTheOriginalNamed) {
  // The target is replaced after the old file got its "previous" name: the intervening file stays at the
  // target, and the original, now reachable only under the "previous" name, stays there, named.
  ASSERT_TRUE(WriteBytes(target_.file_path, old_));
  EngineHooks hooks;
  hooks.checkpoint = [this](const wchar_t* point) {
    if (std::wstring(point) == L"previous linked") ReplaceTargetWithForeignFile(Bytes("intervening update"));
  };
  const InstallOutcome outcome = Install(&hooks);
  EXPECT_EQ(outcome.outcome, kOutcomeFailed);
  const std::wstring previous = Leftover(L"previous");
  ASSERT_FALSE(previous.empty());
  EXPECT_EQ(ReadBytes(previous), old_);
  EXPECT_EQ(outcome.message, L"Hedef dosya yedekleme sonrasında değişti; daha yeni bir sürümü ezmemek için işlem "
                             L"iptal edildi. Önceki DLL " + previous + L" konumunda korunuyor.");
  EXPECT_EQ(ReadBytes(target_.file_path), Bytes("intervening update"));
}

TEST_F(TransactionTest, InstalledFileReplacedBeforeVerificationIsLeftThere) {
  ASSERT_TRUE(WriteBytes(target_.file_path, old_));
  EngineHooks hooks;
  hooks.before_verification = [this](const TargetLocation&) { ReplaceTargetWithForeignFile(Bytes("foreign")); };
  const InstallOutcome outcome = Install(&hooks);
  EXPECT_EQ(outcome.outcome, kOutcomeFailed);
  const std::wstring previous = Leftover(L"previous");
  ASSERT_FALSE(previous.empty());
  EXPECT_EQ(outcome.rollback, L"aktif hedef beklenen kurucu dosyası değil; harici değişiklik korunarak geri alma "
                              L"reddedildi. Aktif hedef değiştirilmedi. Korunan kurtarma dosyası: " +
                                  previous);
  EXPECT_EQ(outcome.message,
            L"Kurulum sonrası dosya kimliği değişti. Dış dosya silinmedi; geri alma: " + outcome.rollback + L".");
  EXPECT_EQ(ReadBytes(target_.file_path), Bytes("foreign"));
  EXPECT_EQ(ReadBytes(previous), old_) << "the original file is kept next to the target";
}

TEST_F(TransactionTest, InstalledFileReplacedBeforeVerificationOnAnEmptyTarget) {
  EngineHooks hooks;
  hooks.before_verification = [this](const TargetLocation&) { ReplaceTargetWithForeignFile(Bytes("foreign")); };
  const InstallOutcome outcome = Install(&hooks);
  EXPECT_EQ(outcome.outcome, kOutcomeFailed);
  EXPECT_EQ(outcome.message, L"Kurulum sonrası dosya kimliği değişti. Dış dosya silinmedi; geri alma: hedefte başka "
                             L"bir dosya belirdi; dış dosya korunarak silme reddedildi.");
  EXPECT_EQ(ReadBytes(target_.file_path), Bytes("foreign"));
}

TEST_F(TransactionTest, InstalledFileVanishingBeforeVerificationGetsTheOriginalBack) {
  // An antivirus may quarantine a freshly written DLL: the empty target takes the proved original back.
  ASSERT_TRUE(WriteBytes(target_.file_path, old_));
  EngineHooks hooks;
  hooks.before_verification = [](const TargetLocation& target) { ::DeleteFileW(target.file_path.c_str()); };
  const InstallOutcome outcome = Install(&hooks);
  EXPECT_EQ(outcome.outcome, kOutcomeFailed);
  EXPECT_EQ(outcome.rollback,
            L"aktif hedef boştu; korunan dosya kimliği ve SHA-256 değeri doğrulanıp boş hedefe taşındı");
  EXPECT_EQ(outcome.message, L"Kurulum sonrası hedef dosya bulunamadı; yeni dosyayı başka bir program kaldırmış "
                             L"olabilir. Geri alma: " + outcome.rollback + L".");
  EXPECT_EQ(ReadBytes(target_.file_path), old_);
  EXPECT_EQ(TargetFolder(), std::vector<std::wstring>{L"akisp11.dll"});
}

TEST_F(TransactionTest, ReadOnlyOldFileLeavesNeitherItsAttributeNorItsSafetyCopy) {
  ASSERT_TRUE(WriteBytes(target_.file_path, old_));
  ASSERT_TRUE(::SetFileAttributesW(target_.file_path.c_str(), FILE_ATTRIBUTE_READONLY));
  const InstallOutcome outcome = Install();
  EXPECT_EQ(outcome.message, L"akisp11.dll güvenle kuruldu ve SHA-256 doğrulaması tamamlandı.");
  EXPECT_EQ(::GetFileAttributesW(target_.file_path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(TargetFolder(), std::vector<std::wstring>{L"akisp11.dll"}) << "the previous file is deleted";
  EXPECT_EQ(ReadBytes(outcome.backup), old_);
}

TEST_F(TransactionTest, InstalledFileRewrittenBeforeVerificationIsRestored) {
  ASSERT_TRUE(WriteBytes(target_.file_path, old_));
  EngineHooks hooks;
  hooks.before_verification = [](const TargetLocation& target) { WriteBytes(target.file_path, Bytes("corrupted")); };
  const InstallOutcome outcome = Install(&hooks);
  EXPECT_EQ(outcome.outcome, kOutcomeFailed);
  // Same file, other content: not provably ours any more, so it is refused, not displaced.
  EXPECT_TRUE(StartsWith(outcome.message, L"Kurulum sonrası doğrulama başarısız oldu. Geri alma: aktif hedef beklenen "
                                          L"kurucu dosyası değil; "))
      << Utf8(outcome.message);
  EXPECT_EQ(ReadBytes(target_.file_path), Bytes("corrupted"));
  EXPECT_EQ(ReadBytes(Leftover(L"previous")), old_);
}

TEST_F(TransactionTest, PlantedNamesAreNeverFollowedOrOverwritten) {
  ASSERT_TRUE(WriteBytes(target_.file_path, old_));
  const std::wstring victim = scratch_.Child(L"victim.dll");
  ASSERT_TRUE(WriteBytes(victim, Bytes("victim")));
  const auto pid = static_cast<std::uint32_t>(::GetCurrentProcessId());
  // Hard links at the first temporary install name and at the first "previous" name.
  ASSERT_TRUE(::CreateHardLinkW(JoinPath(target_.directory, TempInstallFileName(pid, 9, 0)).c_str(), victim.c_str(),
                                nullptr));
  ASSERT_TRUE(::CreateHardLinkW(JoinPath(target_.directory, RandomTempName(L"previous", Token(L'C'))).c_str(),
                                victim.c_str(), nullptr));
  EngineHooks hooks;
  hooks.tick_count = [] { return std::uint64_t{9}; };
  ScriptedTokens tokens{{Token(L'C'), Token(L'D')}};
  tokens.Install(&hooks);
  const InstallOutcome outcome = Install(&hooks);
  EXPECT_EQ(outcome.outcome, kOutcomeInstalled) << Utf8(outcome.message);
  EXPECT_EQ(ReadBytes(target_.file_path), build_);
  EXPECT_EQ(ReadBytes(victim), Bytes("victim"));
  EXPECT_EQ(FactsOf(victim).links, 3u);
  EXPECT_EQ(TargetFolder().size(), 3u) << "the target and the two planted names";
}

TEST_F(TransactionTest, PlantedBackupNamesAreSkippedAndNeverTouched) {
  ASSERT_TRUE(WriteBytes(target_.file_path, old_));
  const std::wstring old_sha256 = DigestOf(old_);
  EngineHooks hooks;
  hooks.timestamp_name = [] { return std::wstring(L"20240102-030405-1"); };
  auto folder = [&](unsigned attempt) {
    return JoinPath(backups_, BackupFolderName(L"20240102-030405-1", old_sha256, attempt));
  };

  // A file where the backup folder should be, and a folder holding a hard link under the backup's name.
  ASSERT_TRUE(WriteBytes(folder(0), Bytes("planted")));
  const std::wstring victim = scratch_.Child(L"victim.dll");
  ASSERT_TRUE(WriteBytes(victim, Bytes("victim")));
  ASSERT_TRUE(::CreateDirectoryW(folder(1).c_str(), nullptr));
  ASSERT_TRUE(::CreateHardLinkW(JoinPath(folder(1), L"akisp11.dll").c_str(), victim.c_str(), nullptr));
  InstallOutcome outcome = Install(&hooks);
  ASSERT_EQ(outcome.outcome, kOutcomeInstalled) << Utf8(outcome.message);
  EXPECT_EQ(outcome.backup, JoinPath(folder(2), L"akisp11.dll"));
  EXPECT_EQ(ReadBytes(outcome.backup), old_);
  EXPECT_EQ(ReadBytes(folder(0)), Bytes("planted"));
  EXPECT_EQ(ReadBytes(victim), Bytes("victim"));
  EXPECT_EQ(FactsOf(victim).links, 2u);

  // Twenty taken names: nothing is copied and the target stays.
  ASSERT_TRUE(WriteBytes(target_.file_path, old_));
  for (unsigned attempt = 3; attempt < 20; ++attempt) ASSERT_TRUE(::CreateDirectoryW(folder(attempt).c_str(), nullptr));
  outcome = Install(&hooks);
  EXPECT_EQ(outcome.outcome, kOutcomeFailed);
  EXPECT_EQ(outcome.message, L"Mevcut DLL yedeklenemedi: Benzersiz yedek klasörü adı üretilemedi.");
  EXPECT_EQ(outcome.win32_error, 80u);
  EXPECT_TRUE(outcome.backup.empty());
  EXPECT_EQ(ReadBytes(target_.file_path), old_);
  EXPECT_EQ(TargetFolder(), std::vector<std::wstring>{L"akisp11.dll"});
  EXPECT_EQ(ListFolder(backups_).size(), 20u);
}

TEST_F(TransactionTest, UnsafeTargetsAreRefusedBeforeAnyChange) {
  TargetLocation not_a_folder = target_;
  not_a_folder.directory = scratch_.Child(L"file-not-folder");
  ASSERT_TRUE(WriteBytes(not_a_folder.directory, Bytes("x")));
  InstallOutcome outcome;
  ::SetLastError(ERROR_FILE_NOT_FOUND);  // left over from an earlier call: not this step's error
  InstallSingleDll(&outcome, not_a_folder, payload_, backups_, false);
  EXPECT_EQ(outcome.message, L"Hedef sistem klasörü güvenli bir normal dizin değil.");
  EXPECT_EQ(outcome.win32_error, 0u) << "the attributes were read; no Windows call failed";
  not_a_folder.directory = scratch_.Child(L"missing");
  InstallSingleDll(&outcome, not_a_folder, payload_, backups_, false);
  EXPECT_EQ(outcome.win32_error, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));

  ASSERT_TRUE(WriteBytes(target_.file_path, old_));
  ASSERT_TRUE(::CreateHardLinkW(scratch_.Child(L"second.dll").c_str(), target_.file_path.c_str(), nullptr));
  outcome = Install();
  EXPECT_EQ(outcome.outcome, kOutcomeFailed);
  EXPECT_EQ(outcome.message,
            L"Hedef dosyanın birden fazla sabit bağlantısı var; güvenlik için işlem durduruldu.");
  EXPECT_TRUE(ListFolder(backups_).empty());
  EXPECT_EQ(ReadBytes(target_.file_path), old_);
}

}  // namespace
}  // namespace tavlun

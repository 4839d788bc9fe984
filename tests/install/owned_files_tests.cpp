// Deleting and restoring only what identity and SHA-256 prove to be the installer's own file.
#include <gtest/gtest.h>

#include "install/engine_names.h"
#include "install/owned_files.h"
#include "install/temp_files.h"
#include "tests/install/install_test_support.h"

namespace tavlun {
namespace {

using namespace install_testing;

// A target folder holding the installed build, and a protected recovery file with older content next to it.
class OwnedFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    target_ = ScratchTarget(scratch_.Child(L"System32"));
    ASSERT_TRUE(WriteBytes(target_.file_path, installed_bytes_));
    installed_ = FactsOf(target_.file_path).identity;
    installed_sha256_ = DigestOf(installed_bytes_);
    protected_ = JoinPath(target_.directory, L".akisp11.rollback.1.2.0.tmp");
    ASSERT_TRUE(WriteBytes(protected_, old_bytes_));
  }
  void TearDown() override { RollbackRaceHook = nullptr; }

  std::wstring Restore(bool expect_ok, const EngineHooks* hooks = nullptr) {
    std::wstring message;
    EXPECT_EQ(RestoreProtectedFile(target_, protected_, installed_, installed_sha256_, &message, hooks), expect_ok)
        << Utf8(message);
    return message;
  }
  // The single ".akisp11.<label>." file in the target folder, or empty.
  std::wstring Leftover(const std::wstring& label) const {
    for (const std::wstring& name : ListFolder(target_.directory)) {
      if (StartsWith(name, L".akisp11." + label + L".")) return JoinPath(target_.directory, name);
    }
    return std::wstring();
  }

  ScratchDir scratch_;
  TargetLocation target_;
  const std::vector<std::uint8_t> installed_bytes_ = BuildBytes(PayloadKind::Build32);
  const std::vector<std::uint8_t> old_bytes_ = Bytes("previous akisp11 build");
  FileIdentity installed_;
  std::wstring installed_sha256_;
  std::wstring protected_;
};

TEST_F(OwnedFilesTest, InspectGivesIdentityAndHashAndRefusesLinks) {
  FileIdentity identity;
  std::wstring sha256;
  std::wstring message;
  std::uint32_t error = 0;
  ASSERT_TRUE(InspectOwnedFile(target_.file_path, &identity, &sha256, &message, &error));
  EXPECT_TRUE(SameFileIdentity(identity, installed_));
  EXPECT_EQ(sha256, installed_sha256_);

  EXPECT_FALSE(InspectOwnedFile(scratch_.Child(L"none.dll"), &identity, &sha256, &message, &error));
  EXPECT_EQ(message, L"Dosya inceleme için açılamadı: " + WindowsErrorText(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));

  ASSERT_TRUE(::CreateHardLinkW(scratch_.Child(L"second.dll").c_str(), target_.file_path.c_str(), nullptr));
  EXPECT_FALSE(InspectOwnedFile(target_.file_path, &identity, &sha256, &message, &error));
  EXPECT_EQ(error, 4393u);
  EXPECT_EQ(message, L"Dosyanın birden fazla sabit bağlantısı var; güvenlik için işlem durduruldu.");
}

TEST_F(OwnedFilesTest, DeleteOwnedFileDeletesOnlyTheProvedFile) {
  std::wstring message;
  EXPECT_FALSE(DeleteOwnedFile(target_.file_path, FileIdentity(), installed_sha256_, &message));
  EXPECT_EQ(message, L"kurucuya ait dosya kimliği yok; mevcut dosya korunarak silme reddedildi");
  EXPECT_FALSE(DeleteOwnedFile(target_.file_path, installed_, std::wstring(), &message));

  // Same identity, changed content (rewritten in place).
  ASSERT_TRUE(WriteBytes(target_.file_path, Bytes("rewritten")));
  EXPECT_FALSE(DeleteOwnedFile(target_.file_path, installed_, installed_sha256_, &message));
  EXPECT_EQ(message, L"hedef kurulumdan sonra değişti; dış dosya korunarak silme reddedildi");
  EXPECT_EQ(ReadBytes(target_.file_path), Bytes("rewritten"));

  // Same content, another file (made while the first still exists: Linux reuses a freed inode at once).
  const std::wstring other = scratch_.Child(L"other.dll");
  ASSERT_TRUE(WriteBytes(other, installed_bytes_));
  ASSERT_TRUE(::MoveFileExW(other.c_str(), target_.file_path.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_FALSE(DeleteOwnedFile(target_.file_path, installed_, installed_sha256_, &message));
  EXPECT_EQ(message, L"hedefte başka bir dosya belirdi; dış dosya korunarak silme reddedildi");
  EXPECT_EQ(ReadBytes(target_.file_path), installed_bytes_);

  const FileIdentity replacement = FactsOf(target_.file_path).identity;
  EXPECT_TRUE(DeleteOwnedFile(target_.file_path, replacement, installed_sha256_, &message));
  EXPECT_EQ(message, L"kurucuya ait dosya kimliği doğrulanıp güvenle kaldırıldı");
  EXPECT_FALSE(Exists(target_.file_path));
  EXPECT_TRUE(DeleteOwnedFile(target_.file_path, replacement, installed_sha256_, &message));
  EXPECT_EQ(message, L"hedef zaten yok");
}

TEST_F(OwnedFilesTest, RestoreDisplacesAndRemovesTheInstalledFile) {
  EXPECT_EQ(Restore(true), L"korunan dosya atomik olarak geri yüklendi; değiştirilen kurucu dosyası doğrulanıp kaldırıldı");
  EXPECT_EQ(ReadBytes(target_.file_path), old_bytes_);
  EXPECT_FALSE(Exists(protected_)) << "the protected file is consumed by the swap";
  EXPECT_EQ(ListFolder(target_.directory), std::vector<std::wstring>{L"akisp11.dll"});
}

TEST_F(OwnedFilesTest, RestoreKeepsADisplacedFileItCannotDelete) {
  // Another program opens the displaced installed file with delete access once it left the target: the deletion
  // through a handle without delete sharing cannot open it.
  UniqueHandle holder;
  EngineHooks hooks;
  hooks.checkpoint = [&](const wchar_t* point) {
    if (std::wstring(point) != L"recovery renamed") return;
    holder.reset(::CreateFileW(Leftover(L"rescue").c_str(), GENERIC_READ | DELETE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                               nullptr));
  };
  const std::wstring message = Restore(true, &hooks);
  ASSERT_TRUE(holder);
  const std::wstring rescue = Leftover(L"rescue");
  ASSERT_FALSE(rescue.empty()) << Utf8(message);
  EXPECT_EQ(message, L"korunan dosya hedefe geri yüklendi; doğrulanmış eski kurucu dosyası silinemeyip " + rescue +
                         L" konumunda korundu (kurulan dosya güvenli silme için açılamadı: " +
                         WindowsErrorText(ERROR_SHARING_VIOLATION) + L")");
  EXPECT_EQ(ReadBytes(target_.file_path), old_bytes_);
  EXPECT_EQ(ReadBytes(rescue), installed_bytes_);
}

TEST_F(OwnedFilesTest, ForeignTargetIsRefusedAndTheProtectedCopyKept) {
  ASSERT_TRUE(::DeleteFileW(target_.file_path.c_str()));
  ASSERT_TRUE(WriteBytes(target_.file_path, Bytes("another installer's update")));
  EXPECT_EQ(Restore(false),
            L"aktif hedef beklenen kurucu dosyası değil; harici değişiklik korunarak geri alma reddedildi. Aktif hedef "
            L"değiştirilmedi. Korunan kurtarma dosyası: " +
                protected_);
  EXPECT_EQ(ReadBytes(target_.file_path), Bytes("another installer's update"));
  EXPECT_EQ(ReadBytes(protected_), old_bytes_);
}

TEST_F(OwnedFilesTest, HardLinkedTargetIsNeverSwapped) {
  ASSERT_TRUE(::CreateHardLinkW(scratch_.Child(L"second.dll").c_str(), target_.file_path.c_str(), nullptr));
  EXPECT_EQ(Restore(false),
            L"aktif hedef doğrulanamadı; geri alma uygulanmadı ve hedef değiştirilmedi. Korunan kurtarma dosyası: " +
                protected_ + L". Hata: Dosyanın birden fazla sabit bağlantısı var; güvenlik için işlem durduruldu.");
  EXPECT_EQ(ReadBytes(target_.file_path), installed_bytes_);
  EXPECT_EQ(ReadBytes(protected_), old_bytes_);
}

TEST_F(OwnedFilesTest, RaceHookUpdateStaysActiveAndTheRecoveryCopyIsNamed) {
  const std::vector<std::uint8_t> race = Bytes("RACE-EXTERNAL");
  int calls = 0;
  RollbackRaceHook = [&](const TargetLocation& target, std::wstring* message) {
    ++calls;
    return WriteWholeFile(target.file_path, race.data(), static_cast<std::uint32_t>(race.size()), message);
  };
  const std::wstring message = Restore(false);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(RollbackRaceHook) << "the hook fires at most once";
  EXPECT_EQ(message,
            L"geri alma sırasında yarışan harici güncelleme algılandı; güncelleme etkin hedefte bırakıldı ve "
            L"doğrulandı. Geri alma başarısız sayıldı. Önceki kurtarma kopyası: " +
                protected_);
  // The external update was never moved, and the recovery content stays under its own name.
  EXPECT_EQ(ReadBytes(target_.file_path), race);
  EXPECT_TRUE(SameFileIdentity(FactsOf(target_.file_path).identity, installed_));
  EXPECT_EQ(FactsOf(target_.file_path).links, 1u);
  EXPECT_EQ(ReadBytes(protected_), old_bytes_);
  EXPECT_TRUE(Leftover(L"rescue").empty());
}

TEST_F(OwnedFilesTest, FileReplacingTheTargetAfterTheLinkIsNeverOverwritten) {
  // The rescue name was made for the installed file, then another file took the target: the rename is not done,
  // and the installed file keeps the rescue name (its only one), named in the message.
  EngineHooks hooks;
  hooks.checkpoint = [&](const wchar_t* point) {
    if (std::wstring(point) != L"rescue linked") return;
    const std::wstring other = scratch_.Child(L"other.dll");
    WriteBytes(other, Bytes("RACE"));
    ::MoveFileExW(other.c_str(), target_.file_path.c_str(), MOVEFILE_REPLACE_EXISTING);
  };
  const std::wstring message = Restore(false, &hooks);
  const std::wstring rescue = Leftover(L"rescue");
  ASSERT_FALSE(rescue.empty()) << Utf8(message);
  EXPECT_EQ(message, L"korunan dosya yerinde bırakıldı; atomik geri yükleme başarısız: " +
                         WindowsErrorText(kErrorNotRegularSingleLinkFile) + L". Korunan kurtarma dosyası: " +
                         protected_ + L". Hedeften alınan dosya " + rescue + L" konumunda korundu");
  EXPECT_EQ(ReadBytes(target_.file_path), Bytes("RACE"));
  EXPECT_EQ(ReadBytes(rescue), installed_bytes_);
  EXPECT_EQ(ReadBytes(protected_), old_bytes_);
}

TEST_F(OwnedFilesTest, FileArrivingAtTheEmptiedTargetIsKeptAndNamed) {
  ASSERT_TRUE(::DeleteFileW(target_.file_path.c_str()));
  RollbackRaceHook = [](const TargetLocation& target, std::wstring* message) {
    return WriteWholeFile(target.file_path, "RACE", 4, message);
  };
  const FileIdentity protected_identity = FactsOf(protected_).identity;
  const std::wstring protected_sha256 = DigestOf(old_bytes_);
  std::wstring message;
  EXPECT_FALSE(RestoreProtectedFile(target_, protected_, installed_, installed_sha256_, &message, nullptr,
                                    &protected_identity, &protected_sha256));
  EXPECT_EQ(message, L"aktif hedef boş ve geri alma uygulanamadı (korunan dosya boş hedefe taşınamadı: " +
                         WindowsErrorText(ERROR_ALREADY_EXISTS) +
                         L"); hedefe bu arada gelen dosya korundu. Korunan kurtarma dosyası: " + protected_);
  EXPECT_EQ(ReadBytes(target_.file_path), Bytes("RACE"));
  EXPECT_EQ(ReadBytes(protected_), old_bytes_);
}

TEST_F(OwnedFilesTest, FailingRaceHookChangesNothing) {
  RollbackRaceHook = [](const TargetLocation&, std::wstring* message) {
    *message = L"yazılamadı";
    return false;
  };
  EXPECT_EQ(Restore(false), L"geri alma yarış testi uygulanamadı; aktif hedef ve korunan dosya değiştirilmedi. "
                            L"Korunan kurtarma dosyası: " +
                                protected_ + L". Hata: yazılamadı");
  EXPECT_EQ(ReadBytes(target_.file_path), installed_bytes_);
  EXPECT_EQ(ReadBytes(protected_), old_bytes_);
}

TEST_F(OwnedFilesTest, NoRescueNameLeavesEverythingInPlace) {
  EngineHooks hooks;
  hooks.random_token = [](std::wstring*) { return false; };
  EXPECT_EQ(Restore(false, &hooks),
            L"aktif hedef doğrulandı ancak korunan dosya yerinde bırakıldı; kurtarma adı üretilemedi. Korunan "
            L"kurtarma dosyası: " +
                protected_ + L". Hata: Güvenli rastgele dosya adı üretilemedi.");
  EXPECT_EQ(ReadBytes(target_.file_path), installed_bytes_);
}

TEST_F(OwnedFilesTest, PlantedRescueNameIsNeverTouched) {
  const std::wstring victim = scratch_.Child(L"victim.dll");
  ASSERT_TRUE(WriteBytes(victim, Bytes("victim")));
  const std::wstring planted = JoinPath(target_.directory, RandomTempName(L"rescue", Token(L'7')));
  ASSERT_TRUE(::CreateHardLinkW(planted.c_str(), victim.c_str(), nullptr));
  EngineHooks hooks;
  ScriptedTokens tokens{{Token(L'7'), Token(L'8')}};
  tokens.Install(&hooks);
  Restore(true, &hooks);
  EXPECT_EQ(ReadBytes(victim), Bytes("victim"));
  EXPECT_EQ(ReadBytes(planted), Bytes("victim"));
  EXPECT_EQ(FactsOf(victim).links, 2u);
  EXPECT_EQ(ReadBytes(target_.file_path), old_bytes_);
}

TEST_F(OwnedFilesTest, FailedSwapLeavesTheProtectedFile) {
  ASSERT_TRUE(::DeleteFileW(protected_.c_str()));
  const std::wstring message = Restore(false);
  EXPECT_TRUE(StartsWith(message, L"korunan dosya yerinde bırakıldı; atomik geri yükleme başarısız: ")) << Utf8(message);
  EXPECT_TRUE(Contains(message, L". Korunan kurtarma dosyası: " + protected_)) << Utf8(message);
  EXPECT_EQ(ReadBytes(target_.file_path), installed_bytes_);
  EXPECT_TRUE(SameFileIdentity(FactsOf(target_.file_path).identity, installed_));
}

TEST_F(OwnedFilesTest, RefusedRenameLeavesTheTargetTheProtectedFileAndNoSecondName) {
  // A rename cannot replace a target another program holds open, nor move a protected file held without delete
  // sharing or no longer the proved one: the installed file stays at the target under its single name.
  const FileIdentity protected_identity = FactsOf(protected_).identity;
  const std::wstring old_sha256 = DigestOf(old_bytes_);
  const std::wstring other_sha256 = DigestOf(Bytes("what the copy held once"));
  const struct {
    const char* name;
    bool hold_target;
    bool hold_protected;
    const std::wstring* sha256;
    DWORD code;
  } cases[] = {{"target in use", true, false, &old_sha256, ERROR_ACCESS_DENIED},
               {"protected held", false, true, &old_sha256, ERROR_SHARING_VIOLATION},
               {"protected not proved", false, false, &other_sha256, kErrorNotRegularSingleLinkFile}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    UniqueHandle holder(::CreateFileW((c.hold_target ? target_.file_path : protected_).c_str(), GENERIC_READ,
                                      c.hold_target ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE
                                                    : FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
    if (!c.hold_target && !c.hold_protected) holder.reset();
    std::wstring message;
    EXPECT_FALSE(RestoreProtectedFile(target_, protected_, installed_, installed_sha256_, &message, nullptr,
                                      &protected_identity, c.sha256));
    EXPECT_EQ(message, L"korunan dosya yerinde bırakıldı; atomik geri yükleme başarısız: " +
                           WindowsErrorText(c.code) + L". Korunan kurtarma dosyası: " + protected_);
    holder.reset();
    EXPECT_TRUE(SameFileIdentity(FactsOf(target_.file_path).identity, installed_));
    EXPECT_EQ(FactsOf(target_.file_path).links, 1u);
    EXPECT_EQ(ReadBytes(protected_), old_bytes_);
    EXPECT_TRUE(Leftover(L"rescue").empty());
  }
}

class RollbackTargetTest : public OwnedFilesTest {
 protected:
  void SetUp() override {
    OwnedFilesTest::SetUp();
    ::DeleteFileW(protected_.c_str());
    ASSERT_TRUE(::CreateDirectoryW(scratch_.Child(L"Backups").c_str(), nullptr));
    backup_ = scratch_.Child(L"Backups\\akisp11.dll");
    ASSERT_TRUE(WriteBytes(backup_, old_bytes_));
    backup_sha256_ = DigestOf(old_bytes_);
  }
  std::wstring backup_;
  std::wstring backup_sha256_;
};

TEST_F(RollbackTargetTest, FirstInstallationIsRemovedOnlyWithItsIdentity) {
  std::wstring message;
  EXPECT_FALSE(RollbackTarget(target_, false, std::wstring(), std::wstring(), false, &message));
  EXPECT_EQ(message, L"kurulan dosyanın kimliği bilinmiyor; dış dosyayı silmemek için geri alma reddedildi");
  EXPECT_TRUE(Exists(target_.file_path));
  EXPECT_TRUE(RollbackTarget(target_, false, std::wstring(), std::wstring(), false, &message, &installed_,
                             &installed_sha256_));
  EXPECT_EQ(message, L"kurucuya ait dosya kimliği doğrulanıp güvenle kaldırıldı");
  EXPECT_FALSE(Exists(target_.file_path));
  EXPECT_TRUE(RollbackTarget(target_, false, std::wstring(), std::wstring(), false, &message, &installed_,
                             &installed_sha256_));
  EXPECT_EQ(message, L"hedef zaten yok");
}

TEST_F(RollbackTargetTest, RestoresTheBackupThroughAVerifiedCopy) {
  std::wstring message;
  ASSERT_TRUE(RollbackTarget(target_, true, backup_, backup_sha256_, false, &message, &installed_, &installed_sha256_))
      << Utf8(message);
  EXPECT_EQ(message, L"başarılı ve doğrulandı; korunan dosya atomik olarak geri yüklendi; değiştirilen kurucu dosyası "
                     L"doğrulanıp kaldırıldı");
  EXPECT_EQ(ReadBytes(target_.file_path), old_bytes_);
  EXPECT_EQ(ListFolder(target_.directory), std::vector<std::wstring>{L"akisp11.dll"});
  EXPECT_EQ(ReadBytes(backup_), old_bytes_) << "the backup itself is never consumed";
}

TEST_F(RollbackTargetTest, InspectsTheTargetItselfWhenNoIdentityIsGiven) {
  std::wstring message;
  ASSERT_TRUE(RollbackTarget(target_, true, backup_, backup_sha256_, false, &message)) << Utf8(message);
  EXPECT_EQ(ReadBytes(target_.file_path), old_bytes_);
}

TEST_F(RollbackTargetTest, CopyWithAnotherHashIsDeletedAndTheTargetUnchanged) {
  std::wstring message;
  EXPECT_FALSE(RollbackTarget(target_, true, backup_, DigestOf(Bytes("what the backup held once")), false, &message,
                              &installed_, &installed_sha256_));
  EXPECT_EQ(message, L"geçici geri alma kopyasının hash değeri doğrulanamadı");
  EXPECT_EQ(ListFolder(target_.directory), std::vector<std::wstring>{L"akisp11.dll"});
  EXPECT_EQ(ReadBytes(target_.file_path), installed_bytes_);
  EXPECT_TRUE(SameFileIdentity(FactsOf(target_.file_path).identity, installed_));
}

TEST_F(RollbackTargetTest, MissingBackupIsReported) {
  std::wstring message;
  EXPECT_FALSE(RollbackTarget(target_, true, std::wstring(), backup_sha256_, false, &message));
  EXPECT_EQ(message, L"geçici geri alma kopyası oluşturulamadı: ");
  EXPECT_FALSE(RollbackTarget(target_, true, scratch_.Child(L"Backups\\gone.dll"), backup_sha256_, false, &message));
  EXPECT_EQ(message, L"geçici geri alma kopyası oluşturulamadı: Kaynak dosya açılamadı: " +
                         WindowsErrorText(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(ReadBytes(target_.file_path), installed_bytes_);
}

TEST_F(RollbackTargetTest, ForeignFileAtTheTargetStays) {
  // The installed file was deleted and someone else's file now stands there.
  std::wstring message;
  ASSERT_TRUE(DeleteOwnedFile(target_.file_path, installed_, installed_sha256_, &message));
  ASSERT_TRUE(WriteBytes(target_.file_path, Bytes("EXTERNAL")));
  EXPECT_FALSE(RollbackTarget(target_, true, backup_, backup_sha256_, false, &message, &installed_, &installed_sha256_));
  EXPECT_TRUE(StartsWith(message, L"aktif hedef beklenen kurucu dosyası değil; ")) << Utf8(message);
  EXPECT_EQ(ReadBytes(target_.file_path), Bytes("EXTERNAL"));
  EXPECT_EQ(ReadBytes(backup_), old_bytes_);
}

TEST_F(RollbackTargetTest, UninspectableTargetIsReported) {
  ASSERT_TRUE(::CreateHardLinkW(scratch_.Child(L"second.dll").c_str(), target_.file_path.c_str(), nullptr));
  std::wstring message;
  EXPECT_FALSE(RollbackTarget(target_, true, backup_, backup_sha256_, false, &message));
  EXPECT_EQ(message, L"geri alınacak mevcut hedef güvenle incelenemedi: Dosyanın birden fazla sabit bağlantısı var; "
                     L"güvenlik için işlem durduruldu.");
  EXPECT_EQ(ReadBytes(target_.file_path), installed_bytes_);
}

}  // namespace
}  // namespace tavlun

// The elevated run on scratch targets, driven through its inputs with the secure flag off.
#include <gtest/gtest.h>

#include <set>

#include "install/elevated_run.h"
#include "install/event_log.h"
#include "install/engine_names.h"
#include "install/secure_folder.h"
#include "install/work_area.h"
#include "tests/install/install_test_support.h"

namespace tavlun {
namespace {

using namespace install_testing;

class ElevatedRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    inputs_.is_admin = true;
    inputs_.lock_name = L"Global\\Korvan-Test-Run-" + DecimalText(static_cast<std::uint32_t>(::GetCurrentProcessId()));
    inputs_.targets_resolved = true;
    AddTarget(PayloadKind::Build32, L"SysWOW64");
    AddTarget(PayloadKind::Build64, L"Sysnative");
    inputs_.work_root_found = true;
    inputs_.work_root = scratch_.Child(L"ProgramData");
    ASSERT_TRUE(::CreateDirectoryW(inputs_.work_root.c_str(), nullptr));
    inputs_.secure = false;
    inputs_.hooks = &hooks_;
  }
  void AddTarget(PayloadKind kind, const wchar_t* folder) {
    ElevatedRunTarget target;
    target.entry.descriptor = &PayloadFor(kind);
    target.entry.location = ScratchTarget(scratch_.Child(folder), std::wstring(L"C:\\Windows\\") +
                                                                      (kind == PayloadKind::Build32 ? L"SysWOW64" : L"System32") +
                                                                      L"\\akisp11.dll");
    target.payload_loaded = true;
    target.payload = LoadBuild(kind);
    inputs_.targets.push_back(std::move(target));
  }
  const std::wstring& Path(std::size_t index) const { return inputs_.targets[index].entry.location.file_path; }
  std::wstring WorkArea(const wchar_t* child = nullptr) const {
    const std::wstring base = JoinPath(inputs_.work_root, kWorkAreaFolderName);
    return child == nullptr ? base : JoinPath(base, child);
  }
  std::size_t LogCount() const { return ListFolder(WorkArea(kLogsFolderName)).size(); }

  ScratchDir scratch_;
  EngineHooks hooks_;
  ElevatedRunInputs inputs_;
  const std::vector<std::uint8_t> build32_ = BuildBytes(PayloadKind::Build32);
  const std::vector<std::uint8_t> build64_ = BuildBytes(PayloadKind::Build64);
  const std::vector<std::uint8_t> old32_ = ReadBytes(TestDll(L"akis_x86_3.4.1.0.dll"));
  const std::vector<std::uint8_t> old64_ = ReadBytes(TestDll(L"akis_x64_3.4.1.0.dll"));
  const std::wstring both_targets_ = L"C:\\Windows\\SysWOW64\\akisp11.dll; C:\\Windows\\System32\\akisp11.dll";
};

TEST_F(ElevatedRunTest, WithoutAdministratorRightsNothingHappens) {
  inputs_.is_admin = false;
  const InstallOutcome result = RunElevatedInstall(inputs_);
  EXPECT_EQ(result.outcome, kOutcomeFailed);
  EXPECT_EQ(result.message, L"Kurulum için yönetici izni gerekiyor.");
  EXPECT_EQ(result.cause, kCauseNotAdmin);
  EXPECT_EQ(result.win32_error, 5u);
  EXPECT_FALSE(result.log_written);
  EXPECT_FALSE(Exists(WorkArea()));
}

TEST_F(ElevatedRunTest, BothIdenticalChangeNothingAndLogTwice) {
  ASSERT_TRUE(WriteBytes(Path(0), build32_));
  ASSERT_TRUE(WriteBytes(Path(1), build64_));
  const InstallOutcome result = RunElevatedInstall(inputs_);
  EXPECT_EQ(result.outcome, kOutcomeAlreadyInstalled);
  EXPECT_EQ(result.message, L"Gerekli 32-bit ve 64-bit AKİS dosyaları zaten hazır veya aynı/daha yeni sürüm olarak "
                            L"korundu; değişiklik yapılmadı.");
  EXPECT_EQ(result.target, both_targets_);
  EXPECT_EQ(result.cause, kCauseAlreadyInstalled);
  EXPECT_TRUE(result.backup.empty());
  EXPECT_TRUE(result.log_written);
  EXPECT_EQ(LogCount(), 2u);
  EXPECT_TRUE(ListFolder(WorkArea(kBackupsFolderName)).empty());
}

// 32-bit Windows needs only the 32-bit build: the message names no 64-bit file.
TEST_F(ElevatedRunTest, OnlyTargetIdenticalNamesOnlyItsBuild) {
  ASSERT_TRUE(WriteBytes(Path(0), build32_));
  inputs_.targets.pop_back();
  const InstallOutcome result = RunElevatedInstall(inputs_);
  EXPECT_EQ(result.outcome, kOutcomeAlreadyInstalled);
  EXPECT_EQ(result.message, L"Gerekli 32-bit AKİS dosyası zaten hazır veya aynı/daha yeni sürüm olarak korundu; "
                            L"değişiklik yapılmadı.");
}

TEST_F(ElevatedRunTest, InstallsBothAndNamesTheBackups) {
  ASSERT_TRUE(WriteBytes(Path(0), old32_));
  const InstallOutcome result = RunElevatedInstall(inputs_);
  ASSERT_EQ(result.outcome, kOutcomeInstalled) << Utf8(result.message);
  EXPECT_EQ(result.message, PayloadProductText() + L" güvenle kuruldu ve SHA-256 doğrulaması tamamlandı (32-bit, 64-bit).");
  EXPECT_EQ(result.cause, kCauseInstalled);
  EXPECT_EQ(result.target, both_targets_);
  ASSERT_FALSE(result.backup.empty());
  EXPECT_TRUE(StartsWith(result.backup, WorkArea(kBackupsFolderName))) << Utf8(result.backup);
  EXPECT_EQ(ReadBytes(result.backup), old32_);
  EXPECT_EQ(ReadBytes(Path(0)), build32_);
  EXPECT_EQ(ReadBytes(Path(1)), build64_);
  EXPECT_TRUE(result.log_written);
  EXPECT_EQ(LogCount(), 2u);
}

TEST_F(ElevatedRunTest, SameOldFileAtBothTargetsWithinOneSecondGetsTwoBackups) {
  // A 32-bit file copied into both system folders by hand: both are replaced, and both backups are made in the
  // same second with the same digest prefix.
  ASSERT_TRUE(WriteBytes(Path(0), old32_));
  ASSERT_TRUE(WriteBytes(Path(1), old32_));
  hooks_.timestamp_name = [] { return std::wstring(L"20240102-030405-77"); };
  const InstallOutcome result = RunElevatedInstall(inputs_);
  ASSERT_EQ(result.outcome, kOutcomeInstalled) << Utf8(result.message);
  const std::wstring first = JoinPath(WorkArea(kBackupsFolderName), L"20240102-030405-77-" + DigestOf(old32_).substr(0, 8));
  EXPECT_EQ(result.backup, JoinPath(first, L"akisp11.dll") + L"; " + JoinPath(first + L"-1", L"akisp11.dll"));
  EXPECT_EQ(ReadBytes(JoinPath(first, L"akisp11.dll")), old32_);
  EXPECT_EQ(ReadBytes(JoinPath(first + L"-1", L"akisp11.dll")), old32_);
  EXPECT_EQ(ReadBytes(Path(0)), build32_);
  EXPECT_EQ(ReadBytes(Path(1)), build64_);
}

TEST_F(ElevatedRunTest, LaterFailureRemovesTheFirstInstallation) {
  ASSERT_TRUE(WriteBytes(Path(1), old64_));
  // Another program writes to the 64-bit file: its backup cannot be made.
  UniqueHandle writer(::CreateFileW(Path(1).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(writer);
  const InstallOutcome result = RunElevatedInstall(inputs_);
  EXPECT_EQ(result.outcome, kOutcomeFailed);
  EXPECT_EQ(result.message, L"64-bit kurulum tamamlanamadı: Mevcut DLL yedeklenemedi: Kaynak dosya açılamadı: " +
                                WindowsErrorText(ERROR_SHARING_VIOLATION) +
                                L" Önceki değişiklikler: geri alındı: kurucuya ait dosya kimliği doğrulanıp güvenle "
                                L"kaldırıldı.");
  EXPECT_EQ(result.target, L"C:\\Windows\\System32\\akisp11.dll");
  EXPECT_EQ(result.cause, kCauseInstallFailed);
  EXPECT_EQ(result.old_sha256, DigestOf(old64_));
  EXPECT_EQ(result.win32_error, static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
  EXPECT_TRUE(result.log_written);
  // The 32-bit record of the installation stays as written; a record of its own says it was taken back.
  const std::vector<std::wstring> logs = ListFolder(WorkArea(L"Logs"));
  ASSERT_EQ(logs.size(), 3u);
  std::size_t undo_records = 0;
  for (const std::wstring& name : logs) {
    const std::vector<std::uint8_t> bytes = ReadBytes(JoinPath(WorkArea(L"Logs"), name));
    const std::string record(bytes.begin(), bytes.end());
    if (record.find("rollback=geri alındı: ") == std::string::npos) continue;
    ++undo_records;
    EXPECT_NE(record.find("\r\ntarget=C:\\Windows\\SysWOW64\\akisp11.dll\r\n"), std::string::npos) << record;
    EXPECT_NE(record.find("\r\noutcome=failed\r\n"), std::string::npos) << record;
    EXPECT_NE(record.find("rollback=geri alındı: kurucuya ait dosya kimliği doğrulanıp güvenle kaldırıldı\r\n"),
              std::string::npos)
        << record;
  }
  EXPECT_EQ(undo_records, 1u);
  EXPECT_FALSE(Exists(Path(0)));
  writer.reset();
  EXPECT_EQ(ReadBytes(Path(1)), old64_);
}

TEST_F(ElevatedRunTest, LaterFailureRestoresTheFirstTargetFromItsBackup) {
  ASSERT_TRUE(WriteBytes(Path(0), old32_));
  ASSERT_TRUE(WriteBytes(Path(1), old64_));
  UniqueHandle writer(::CreateFileW(Path(1).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(writer);
  const InstallOutcome result = RunElevatedInstall(inputs_);
  EXPECT_EQ(result.outcome, kOutcomeFailed);
  EXPECT_TRUE(Contains(result.message, L" Önceki değişiklikler: geri alındı: başarılı ve doğrulandı; korunan dosya "
                                       L"atomik olarak geri yüklendi; değiştirilen kurucu dosyası doğrulanıp kaldırıldı."))
      << Utf8(result.message);
  EXPECT_EQ(ReadBytes(Path(0)), old32_);
  EXPECT_EQ(ListFolder(inputs_.targets[0].entry.location.directory), std::vector<std::wstring>{L"akisp11.dll"});

  // Again, with the first target's new DLL quarantined meanwhile (an antivirus): the empty target gets it back.
  const std::wstring first = Path(0);
  hooks_.before_transaction = [&](const TargetLocation& location) {
    if (location.file_path != first) ::DeleteFileW(first.c_str());
  };
  const InstallOutcome emptied = RunElevatedInstall(inputs_);
  EXPECT_TRUE(Contains(emptied.message, L" Önceki değişiklikler: geri alındı: başarılı ve doğrulandı; aktif hedef "
                                        L"boştu; korunan dosya kimliği ve SHA-256 değeri doğrulanıp boş hedefe taşındı."))
      << Utf8(emptied.message);
  EXPECT_EQ(ReadBytes(first), old32_);
  EXPECT_EQ(ListFolder(inputs_.targets[0].entry.location.directory), std::vector<std::wstring>{L"akisp11.dll"});
}

TEST_F(ElevatedRunTest, FirstTargetChangedMeanwhileIsLeftAlone) {
  ASSERT_TRUE(WriteBytes(Path(1), old64_));
  UniqueHandle writer(::CreateFileW(Path(1).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(writer);
  const std::wstring first = Path(0);
  const std::wstring staged = scratch_.Child(L"update.dll");
  hooks_.before_transaction = [&](const TargetLocation& location) {
    if (location.file_path == first) return;
    // Another installer puts its own file at the first target after this run installed there.
    WriteBytes(staged, Bytes("another installer's akisp11"));
    ::MoveFileExW(staged.c_str(), first.c_str(), MOVEFILE_REPLACE_EXISTING);
  };
  const InstallOutcome result = RunElevatedInstall(inputs_);
  EXPECT_EQ(result.outcome, kOutcomeFailed);
  EXPECT_TRUE(StartsWith(result.message, L"64-bit kurulum tamamlanamadı: ")) << Utf8(result.message);
  EXPECT_TRUE(Contains(result.message, L" Önceki değişiklikler: önceki hedef değiştiği için geri alınamadı."))
      << Utf8(result.message);
  EXPECT_EQ(ReadBytes(first), Bytes("another installer's akisp11"));
}

TEST_F(ElevatedRunTest, IdenticalCopyPlacedByOthersIsNotRemoved) {
  // Same content as the build, but not the file this run wrote: it is not provably ours.
  ASSERT_TRUE(WriteBytes(Path(1), old64_));
  UniqueHandle writer(::CreateFileW(Path(1).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(writer);
  const std::wstring first = Path(0);
  const std::wstring staged = scratch_.Child(L"copy.dll");
  hooks_.before_transaction = [&](const TargetLocation& location) {
    if (location.file_path == first) return;
    WriteBytes(staged, build32_);
    ::MoveFileExW(staged.c_str(), first.c_str(), MOVEFILE_REPLACE_EXISTING);
  };
  const InstallOutcome result = RunElevatedInstall(inputs_);
  EXPECT_TRUE(Contains(result.message, L" Önceki değişiklikler: önceki hedef değiştiği için geri alınamadı."))
      << Utf8(result.message);
  EXPECT_EQ(ReadBytes(first), build32_);
}

TEST_F(ElevatedRunTest, UnwrittenLogIsReportedOnSuccess) {
  hooks_.random_token = [](std::wstring*) { return false; };
  const InstallOutcome result = RunElevatedInstall(inputs_);
  EXPECT_EQ(result.outcome, kOutcomeInstalled) << Utf8(result.message);
  EXPECT_EQ(result.message, PayloadProductText() + L" güvenle kuruldu ve SHA-256 doğrulaması tamamlandı (32-bit, 64-bit). İşlem "
                            L"günlüklerinden biri yazılamadı.");
  EXPECT_FALSE(result.log_written);
  EXPECT_EQ(LogCount(), 0u);
}

TEST_F(ElevatedRunTest, FailuresBeforeTheFirstChangeLeaveTargetsAndWorkAreaAlone) {
  ASSERT_TRUE(WriteBytes(Path(0), old32_));
  ASSERT_TRUE(::CreateHardLinkW(scratch_.Child(L"second.dll").c_str(), Path(0).c_str(), nullptr));
  InstallOutcome result = RunElevatedInstall(inputs_);
  EXPECT_EQ(result.message, L"32-bit hedefi denetlenemedi: Hedef dosyanın birden fazla sabit bağlantısı var; "
                            L"güvenlik için işlem durduruldu.");
  EXPECT_EQ(result.win32_error, 1142u);
  EXPECT_EQ(result.cause, kCauseTargetsNotReady);
  EXPECT_EQ(result.target, both_targets_);
  EXPECT_FALSE(result.log_written);
  ASSERT_TRUE(::DeleteFileW(scratch_.Child(L"second.dll").c_str()));

  ElevatedRunInputs bad_folder = inputs_;
  bad_folder.targets[1].entry.location.directory = scratch_.Child(L"not-a-folder");
  ASSERT_TRUE(WriteBytes(bad_folder.targets[1].entry.location.directory, Bytes("x")));
  result = RunElevatedInstall(bad_folder);
  EXPECT_EQ(result.message, L"64-bit hedef sistem klasörü güvenli bir normal dizin değil.");

  ElevatedRunInputs unreadable = inputs_;
  UniqueHandle exclusive(::CreateFileW(Path(0).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(exclusive);
  result = RunElevatedInstall(unreadable);
  EXPECT_EQ(result.message,
            L"32-bit hedefi okunamadı: Dosya inceleme için açılamadı: " + WindowsErrorText(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(result.win32_error, static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
  exclusive.reset();

  ElevatedRunInputs unresolved = inputs_;
  unresolved.targets_resolved = false;
  unresolved.targets.clear();
  unresolved.targets_message = L"ARM64 Windows bu AKİS x86/x64 paketi için doğrulanmadı. Uyumlu resmî sürücüyü kullanın.";
  result = RunElevatedInstall(unresolved);
  EXPECT_EQ(result.message, unresolved.targets_message);
  EXPECT_EQ(result.cause, kCauseTargetsUnresolved);

  ElevatedRunInputs unverified = inputs_;
  unverified.targets[1].payload_loaded = false;
  unverified.targets[1].payload_message = L"Gömülü 64-bit DLL'nin SHA-256 değeri beklenen değerle eşleşmiyor; kurulum durduruldu.";
  result = RunElevatedInstall(unverified);
  EXPECT_EQ(result.message, unverified.targets[1].payload_message);
  EXPECT_EQ(result.cause, kCausePayloadInvalid);

  ElevatedRunInputs no_program_data = inputs_;
  no_program_data.work_root_found = false;
  result = RunElevatedInstall(no_program_data);
  EXPECT_EQ(result.message, L"ProgramData dizini alınamadı.");
  EXPECT_EQ(result.cause, kCauseProgramDataMissing);

  EXPECT_FALSE(Exists(WorkArea()));
  ASSERT_TRUE(WriteBytes(WorkArea(), Bytes("a file where the work area belongs")));
  result = RunElevatedInstall(inputs_);
  EXPECT_EQ(result.message, L"Güvenli yedek/günlük alanı hazırlanamadı: Güvenli çalışma klasörü normal bir dizin "
                            L"değil: " +
                                WorkArea());
  EXPECT_EQ(result.cause, kCauseWorkFolderUnsafe);
  EXPECT_FALSE(result.log_written);
  EXPECT_EQ(ReadBytes(Path(0)), old32_);
  EXPECT_FALSE(Exists(Path(1)));
}

TEST_F(ElevatedRunTest, RefusedTargetFolderCarriesNoCodeOfAnEarlierCheck) {
  // The absent 32-bit target leaves ERROR_FILE_NOT_FOUND behind; the 64-bit folder's attributes are read fine.
  inputs_.targets[1].entry.location.directory = scratch_.Child(L"not-a-folder");
  ASSERT_TRUE(WriteBytes(inputs_.targets[1].entry.location.directory, Bytes("x")));
  const InstallOutcome result = RunElevatedInstall(inputs_);
  EXPECT_EQ(result.message, L"64-bit hedef sistem klasörü güvenli bir normal dizin değil.");
  EXPECT_EQ(result.win32_error, 0u);

  inputs_.targets[1].entry.location.directory = scratch_.Child(L"missing");
  EXPECT_EQ(RunElevatedInstall(inputs_).win32_error, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(Exists(WorkArea()));
}

TEST_F(ElevatedRunTest, SecureRunStopsBeforeAnyChangeWhereTheWorkAreaCannotBeProved) {
  bool could_create = false;
  const bool keeps_security = PlatformKeepsFileSecurity(scratch_.path(), &could_create);
  if (!could_create) GTEST_SKIP() << "creating folders owned by Administrators needs administrator rights";
  inputs_.secure = true;
  ASSERT_TRUE(WriteBytes(Path(0), old32_));
  const InstallOutcome result = RunElevatedInstall(inputs_);
  if (keeps_security) {
    EXPECT_EQ(result.outcome, kOutcomeInstalled) << Utf8(result.message);
    return;
  }
  EXPECT_EQ(result.outcome, kOutcomeFailed);
  EXPECT_EQ(result.message, L"Güvenli yedek/günlük alanı hazırlanamadı: Yeni güvenli klasörün izinleri doğrulanamadı: "
                            L"Güvenli nesnenin sahibi Administrators veya SYSTEM değil.");
  EXPECT_FALSE(result.log_written);
  EXPECT_EQ(ReadBytes(Path(0)), old32_);
  EXPECT_FALSE(Exists(Path(1)));
}

TEST_F(ElevatedRunTest, SquattedWorkAreaIsMovedAsideAndNamedInEveryLog) {
  bool could_create = false;
  const bool keeps_security = PlatformKeepsFileSecurity(scratch_.path(), &could_create);
  if (!could_create) GTEST_SKIP() << "creating folders owned by Administrators needs administrator rights";
  // Made before the first installation by an account that is not an administrator of the machine's folders.
  ASSERT_TRUE(::CreateDirectoryW(WorkArea().c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(WorkArea(L"planted.txt"), Bytes("kept")));
  inputs_.secure = true;
  const InstallOutcome result = RunElevatedInstall(inputs_);
  const std::vector<std::wstring> names = ListFolder(inputs_.work_root);
  if (!keeps_security) {
    // Wine keeps no security descriptor: no fresh folder could be proved, so nothing was moved.
    EXPECT_EQ(result.cause, kCauseWorkFolderUnsafe) << Utf8(result.message);
    EXPECT_EQ(names, std::vector<std::wstring>{kWorkAreaFolderName});
    EXPECT_EQ(ReadBytes(WorkArea(L"planted.txt")), Bytes("kept"));
    return;
  }
  ASSERT_EQ(result.outcome, kOutcomeInstalled) << Utf8(result.message);
  ASSERT_EQ(names.size(), 2u);
  const std::wstring moved = JoinPath(inputs_.work_root, names[0] == kWorkAreaFolderName ? names[1] : names[0]);
  EXPECT_EQ(ReadBytes(JoinPath(moved, L"planted.txt")), Bytes("kept"));
  ASSERT_EQ(LogCount(), 2u);
  for (const std::wstring& name : ListFolder(WorkArea(kLogsFolderName))) {
    const std::vector<std::uint8_t> bytes = ReadBytes(JoinPath(WorkArea(kLogsFolderName), name));
    EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("\r\nwork_area_moved=" + Utf8(moved) + "\r\n"),
              std::string::npos);
  }
}

// Another installer holds the lock (here: another thread of this process, until `release` is set).
struct LockOwnerThread {
  std::wstring name;
  UniqueHandle acquired{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  UniqueHandle release{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};

  static DWORD WINAPI Run(void* parameter) {
    auto* self = static_cast<LockOwnerThread*>(parameter);
    InstallLock lock;
    std::wstring message;
    std::uint32_t error = 0;
    if (!AcquireInstallLock(&lock, &message, &error, self->name.c_str())) return 1;
    ::SetEvent(self->acquired.get());
    ::WaitForSingleObject(self->release.get(), 30000);
    return 0;
  }
};

TEST_F(ElevatedRunTest, BusyLockStopsTheRun) {
  LockOwnerThread owner{inputs_.lock_name};
  UniqueHandle thread(::CreateThread(nullptr, 0, &LockOwnerThread::Run, &owner, 0, nullptr));
  ASSERT_TRUE(thread);
  ASSERT_EQ(::WaitForSingleObject(owner.acquired.get(), 30000), WAIT_OBJECT_0);
  const InstallOutcome result = RunElevatedInstall(inputs_);
  ::SetEvent(owner.release.get());
  ::WaitForSingleObject(thread.get(), 30000);
  EXPECT_EQ(result.outcome, kOutcomeFailed);
  EXPECT_EQ(result.message, L"Başka bir AKİS DLL kurulumu zaten çalışıyor.");
  EXPECT_EQ(result.cause, kCauseLockBusy);
  EXPECT_EQ(result.win32_error, 170u);
  EXPECT_FALSE(result.log_written);
  EXPECT_FALSE(Exists(WorkArea()));
  EXPECT_FALSE(Exists(Path(0)));
}

TEST_F(ElevatedRunTest, InterruptedRunIsRecognisedAndOnlyItsProvableLeftoversGo) {
  // What earlier stopped runs left: the 32-bit original under the "previous" name and the build under the temporary
  // one; a second name of the 64-bit file; an empty backup folder, a zero-byte backup, a zero-byte record and a
  // staging file. Beside them, engine-named files that prove nothing.
  ASSERT_TRUE(::CreateDirectoryW(WorkArea().c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW(WorkArea(kBackupsFolderName).c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW(WorkArea(kLogsFolderName).c_str(), nullptr));
  const auto backup_folder = [&](const wchar_t* stamp, const std::vector<std::uint8_t>& original) {
    const std::wstring folder = JoinPath(WorkArea(kBackupsFolderName), stamp + DigestOf(original).substr(0, 8));
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
  };
  const std::wstring earlier_backup = JoinPath(backup_folder(L"20240101-010101-5-", old32_), L"akisp11.dll");
  ASSERT_TRUE(WriteBytes(earlier_backup, old32_));
  const std::wstring empty_folder = backup_folder(L"20240101-010102-5-", Bytes("x"));
  const std::wstring false_backup = JoinPath(backup_folder(L"20240101-010103-5-", old64_), L"akisp11.dll");
  ASSERT_TRUE(WriteBytes(false_backup, Bytes("")));
  const std::wstring foreign_folder = WorkArea(L"Backups\\kept");
  ASSERT_TRUE(::CreateDirectoryW(foreign_folder.c_str(), nullptr));
  const std::wstring empty_record = JoinPath(WorkArea(kLogsFolderName), L"20240101-010101-5-" + Token(L'A') + L".log");
  ASSERT_TRUE(WriteBytes(empty_record, Bytes("")));
  ASSERT_TRUE(WriteBytes(JoinPath(WorkArea(kLogsFolderName), RandomTempName(L"part", Token(L'B'))), Bytes("record")));

  const std::wstring folder32 = inputs_.targets[0].entry.location.directory;
  const std::wstring folder64 = inputs_.targets[1].entry.location.directory;
  ASSERT_TRUE(WriteBytes(JoinPath(folder32, RandomTempName(L"previous", Token(L'C'))), old32_));
  ASSERT_TRUE(WriteBytes(JoinPath(folder32, TempInstallFileName(5, 77, 0)), build32_));
  const std::vector<std::wstring> unprovable = {RandomTempName(L"previous", Token(L'D')),
                                                TempInstallFileName(5, 78, 0)};
  ASSERT_TRUE(WriteBytes(JoinPath(folder32, unprovable[0]), Bytes("someone else's")));
  ASSERT_TRUE(WriteBytes(JoinPath(folder32, unprovable[1]), Bytes("")));
  ASSERT_TRUE(WriteBytes(Path(1), old64_));
  ASSERT_TRUE(::CreateHardLinkW(JoinPath(folder64, RandomTempName(L"previous", Token(L'E'))).c_str(), Path(1).c_str(),
                                nullptr));

  const InstallOutcome result = RunElevatedInstall(inputs_);
  ASSERT_EQ(result.outcome, kOutcomeInstalled) << Utf8(result.message);
  EXPECT_EQ(ReadBytes(Path(0)), build32_);
  EXPECT_EQ(ReadBytes(Path(1)), build64_);
  EXPECT_TRUE(StartsWith(result.backup, earlier_backup + L"; ")) << Utf8(result.backup);
  const std::set<std::wstring> expected32 = {L"akisp11.dll", unprovable[0], unprovable[1]};
  const std::vector<std::wstring> found32 = ListFolder(folder32);
  EXPECT_EQ(std::set<std::wstring>(found32.begin(), found32.end()), expected32);
  EXPECT_EQ(found32.size(), 3u);
  EXPECT_EQ(ListFolder(folder64), std::vector<std::wstring>{L"akisp11.dll"});
  EXPECT_EQ(ReadBytes(earlier_backup), old32_);
  EXPECT_FALSE(Exists(empty_folder));
  EXPECT_FALSE(Exists(false_backup));
  EXPECT_TRUE(Exists(foreign_folder));
  EXPECT_EQ(ListFolder(WorkArea(kBackupsFolderName)).size(), 3u) << "the earlier, the new 64-bit and the kept one";
  // Two records, both whole; the 32-bit one names the original and the earlier run's backup of it.
  const std::vector<std::wstring> records = ListFolder(WorkArea(kLogsFolderName));
  ASSERT_EQ(records.size(), 2u);
  std::size_t naming = 0;
  for (const std::wstring& name : records) {
    const std::vector<std::uint8_t> bytes = ReadBytes(JoinPath(WorkArea(kLogsFolderName), name));
    naming += std::string(bytes.begin(), bytes.end()).find("\r\nold_sha256=" + Utf8(DigestOf(old32_)) + "\r\nbackup=" +
                                                           Utf8(earlier_backup) + "\r\n") != std::string::npos;
  }
  EXPECT_EQ(naming, 1u);
}

TEST(InterruptedInstallation, EveryStopLeavesTheTargetWholeAndTheNextRunClean) {
  // The harness stops a run holding older files at each point between two file operations, and at each point of
  // the rollback of the first target after the second one failed, runs it again and counts empty targets, engine
  // files left, false backups, empty folders and records, unnamed originals.
  const testing_support::ProcessResult run = testing_support::RunProcess(
      testing_support::ToolPath(L"kill_harness.exe"), L"measure older second-fails", 600000);
  ASSERT_TRUE(run.started);
  EXPECT_FALSE(run.timed_out);
  EXPECT_EQ(run.exit_code, 0u) << "run tests/kill_harness.exe measure for the figures";
}

}  // namespace
}  // namespace tavlun

#include "install/transaction.h"

#include <windows.h>

#include <optional>

#include "core/scoped_privilege.h"
#include "core/text.h"
#include "core/unique_handle.h"
#include "core/windows_error.h"
#include "install/backup_copy.h"
#include "install/engine_names.h"
#include "install/owned_files.h"
#include "install/secure_object.h"
#include "install/secure_folder.h"
#include "install/temp_files.h"
#include "integrity/pe_file.h"
#include "target/dll_state.h"

namespace tavlun {
namespace {

constexpr DWORD kDirectoryOrLink = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
constexpr wchar_t kSwapAdvice[] = L". Tarayıcıları ve e-imza uygulamalarını kapatıp yeniden deneyin.";

// The temporary install file, removed only through a handle that proves it is still the file this run wrote.
struct TemporaryInstallFile {
  std::wstring path;
  FileIdentity identity;

  void Remove(const std::wstring& expected_sha256) const {
    if (path.empty() || !identity.valid || expected_sha256.empty()) return;
    std::wstring ignored;
    DeleteOwnedFile(path, identity, expected_sha256, &ignored);
  }
};

// The DACL the temporary file received from the target folder, read through a handle that proves the file.
bool ReadTemporaryDacl(const TemporaryInstallFile& temporary, UniqueSecurityDescriptor* descriptor, PACL* dacl,
                       std::wstring* message) {
  UniqueHandle file(::CreateFileW(temporary.path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_ATTRIBUTE_NORMAL, nullptr));
  FileIdentity identity;
  std::wstring ignored;
  if (!file || !CheckRegularSingleLinkFile(file.get(), &identity, &ignored) ||
      !SameFileIdentity(identity, temporary.identity)) {
    *message = L"Yeni dosyanın devraldığı izinler okunamadı: geçici dosya doğrulanamadı.";
    return false;
  }
  return ReadFileDacl(file.get(), descriptor, dacl, message);
}

// What one transaction knows, filled step by step. Each step returns false when it ended the transaction (the
// result then holds that step's outcome and message); the rollback reads only what is gathered here.
struct Transaction {
  Transaction(InstallOutcome* result, const TargetLocation& location, const LoadedPayload& build,
              const std::wstring& backups, bool secure_flag, const EngineHooks* engine_hooks)
      : out(*result), target(location), payload(build), backups_folder(backups), secure(secure_flag),
        hooks(engine_hooks) {}

  InstallOutcome& out;
  const TargetLocation& target;
  const LoadedPayload& payload;
  const std::wstring& backups_folder;
  const bool secure;
  const EngineHooks* const hooks;

  // Assessment: whether a file stood at the target, and which one (its digest is `out.old_sha256`).
  bool existed = false;
  FileIdentity start_identity;
  // The new build under its temporary name, and the DACL it received from the target folder.
  TemporaryInstallFile temporary;
  UniqueSecurityDescriptor inherited_security;
  PACL inherited_dacl = nullptr;
  // The swap: the name that holds the displaced file, and that file's identity and digest.
  std::wstring previous;
  FileIdentity displaced_identity;
  std::wstring displaced_sha256;
  // Verification: what the target holds after the swap.
  bool identity_matches = false;
  bool target_vanished = false;
  std::wstring installed_sha256;
  std::wstring protection_failure;  // why the installed file could not be given the folder's protection

  std::wstring step_message;  // the message of the last helper call, where the step does not report it
  std::uint32_t code = 0;

  bool Installed() const {
    return identity_matches && EqualsIgnoreAsciiCase(installed_sha256, out.expected_sha256) &&
           protection_failure.empty();
  }
  // Ends the transaction with a message (and the code, when one is given) after removing the temporary file.
  bool Abandon(std::wstring message) {
    temporary.Remove(out.expected_sha256);
    out.message = std::move(message);
    return false;
  }
};

void Start(Transaction& t) {
  InstallOutcome& out = t.out;
  out.outcome = kOutcomeFailed;
  out.message.clear();
  out.target = t.target.display_path.empty() ? t.target.file_path : t.target.display_path;
  out.old_sha256.clear();
  out.backup.clear();
  out.rollback.clear();
  out.expected_sha256 = t.payload.sha256;
  out.win32_error = 0;
}

// Decides whether to act: a safe folder, a readable target, and no identical or same-or-newer file there.
bool Assess(Transaction& t) {
  InstallOutcome& out = t.out;
  const DWORD directory_attributes = ::GetFileAttributesW(t.target.directory.c_str());
  if (directory_attributes == INVALID_FILE_ATTRIBUTES ||
      (directory_attributes & kDirectoryOrLink) != FILE_ATTRIBUTE_DIRECTORY) {
    // A folder of the wrong kind was read without error: the last error would belong to an earlier call.
    if (directory_attributes == INVALID_FILE_ATTRIBUTES) out.win32_error = ::GetLastError();
    out.message = L"Hedef sistem klasörü güvenli bir normal dizin değil.";
    return false;
  }
  if (!CheckTargetFile(t.target.file_path, &t.existed, &out.message)) return false;
  if (!t.existed) return true;

  if (!InspectOwnedFile(t.target.file_path, &t.start_identity, &out.old_sha256, &out.message, &t.code)) {
    out.old_sha256.clear();
    out.win32_error = t.code;
    return false;
  }
  if (EqualsIgnoreAsciiCase(out.old_sha256, out.expected_sha256)) {
    out.outcome = kOutcomeAlreadyInstalled;
    out.message = L"Hedef DLL bu aracın doğrulanmış gömülü kopyasıyla zaten eşleşiyor; dosya değiştirilmedi.";
    return false;
  }
  std::uint16_t machine = 0;
  PackedVersion version = 0;
  std::wstring version_text;
  if (ReadDllMachine(t.target.file_path, &machine) && machine == t.payload.machine &&
      ReadFileVersion(t.target.file_path, &version, &version_text) && version >= t.payload.version) {
    out.outcome = kOutcomeAlreadyInstalled;
    out.message = L"Hedefte aynı veya daha yeni sürüm (" + version_text +
                  L") bulundu. Hash farklı olduğu için dosya güvenlik amacıyla korunup değiştirilmedi.";
    return false;
  }
  return true;
}

// Copies the file found into a new backup folder and proves the copy by its digest.
bool BackUp(Transaction& t) {
  InstallOutcome& out = t.out;
  // A taken name (the other target's backup of the same file in the same second, or anything planted) is
  // skipped, never reused: an existing backup is never touched.
  const std::wstring stamp = MakeTimestampName(t.hooks);
  std::wstring backup_folder;
  for (unsigned attempt = 0; attempt < kUniqueNameAttempts && backup_folder.empty(); ++attempt) {
    const std::wstring candidate = JoinPath(t.backups_folder, BackupFolderName(stamp, out.old_sha256, attempt));
    // Any failed lookup ends the search: EnsureSecureFolder reports what is wrong with that name.
    if (::GetFileAttributesW(candidate.c_str()) == INVALID_FILE_ATTRIBUTES) backup_folder = candidate;
  }
  if (backup_folder.empty()) {
    out.win32_error = kErrorNoUniqueName;
    out.message = L"Mevcut DLL yedeklenemedi: Benzersiz yedek klasörü adı üretilemedi.";
    return false;
  }
  UniqueHandle backup_folder_handle;  // held while the copy is made and verified
  if (!EnsureSecureFolder(backup_folder, t.secure, &t.step_message, t.secure ? &backup_folder_handle : nullptr)) {
    out.message = L"Mevcut DLL yedeklenemedi: " + t.step_message;
    return false;
  }
  RunHook(t.hooks, &EngineHooks::checkpoint, L"backup folder made");
  const std::wstring backup = JoinPath(backup_folder, kAkisDllName);
  if (!CopyToNewFile(t.target.file_path, backup, t.secure, &t.step_message, &t.code, nullptr, t.hooks)) {
    out.win32_error = t.code;
    out.message = L"Mevcut DLL yedeklenemedi: " + t.step_message;
    return false;
  }
  out.backup = backup;
  std::wstring backup_sha256;
  t.code = 0;
  if (!Sha256FilePath(backup, &backup_sha256, &t.step_message, &t.code) ||
      !EqualsIgnoreAsciiCase(backup_sha256, out.old_sha256)) {
    out.win32_error = t.code;
    out.message = L"Oluşturulan yedek doğrulanamadı; hedef dosyaya dokunulmadı.";
    return false;
  }
  backup_folder_handle.reset();
  RunHook(t.hooks, &EngineHooks::after_backup, t.target);
  return true;
}

// Writes the build under a temporary name next to the target, proves its digest and reads the DACL it inherited.
bool WriteTemporary(Transaction& t) {
  InstallOutcome& out = t.out;
  if (!CreateVerifiedTempFile(t.target.directory, t.payload.data, t.payload.size, &t.temporary.path,
                              &t.temporary.identity, &out.message, &t.code, t.hooks)) {
    out.win32_error = t.code;
    return false;
  }
  std::wstring temporary_sha256;
  t.code = 0;
  if (!Sha256FilePath(t.temporary.path, &temporary_sha256, &t.step_message, &t.code) ||
      !EqualsIgnoreAsciiCase(temporary_sha256, out.expected_sha256)) {
    out.win32_error = t.code;
    return t.Abandon(L"Geçici dosya doğrulanamadı; hedef dosyaya dokunulmadı.");
  }
  // The new file received the DACL the target folder hands down; the swap would give it the replaced file's.
  if (t.secure && !ReadTemporaryDacl(t.temporary, &t.inherited_security, &t.inherited_dacl, &t.step_message)) {
    return t.Abandon(t.step_message + L" Hedef dosyaya dokunulmadı.");
  }
  return true;
}

// Proves that the target is still what the assessment found: present or absent, and the same file.
bool Recheck(Transaction& t) {
  InstallOutcome& out = t.out;
  bool exists_now = false;
  t.code = 0;
  if (!CheckTargetFile(t.target.file_path, &exists_now, &t.step_message, &t.code) || exists_now != t.existed) {
    out.win32_error = t.code;
    return t.Abandon(
        L"Hedef dosya kurulum sırasında başka bir işlem tarafından değiştirildi; işlem güvenle iptal edildi.");
  }
  if (t.existed) {
    FileIdentity identity_now;
    std::wstring sha256_now;
    t.code = 0;
    if (!InspectOwnedFile(t.target.file_path, &identity_now, &sha256_now, &t.step_message, &t.code) ||
        !SameFileIdentity(identity_now, t.start_identity) || !EqualsIgnoreAsciiCase(sha256_now, out.old_sha256)) {
      out.win32_error = t.code;
      return t.Abandon(
          L"Hedef dosya yedekleme sonrasında değişti; daha yeni bir sürümü ezmemek için işlem iptal edildi.");
    }
  }
  RunHook(t.hooks, &EngineHooks::before_swap, t.target);
  return true;
}

// Keeps the assessed file under the "previous" name as a second link, and proves that both names still lead to
// it. A read-only file loses that attribute first: a rename does not replace a read-only file (the installed file
// never carried it, and the old file's copy in the backup keeps its own).
bool LinkPrevious(Transaction& t) {
  InstallOutcome& out = t.out;
  if (!MakeSecureTempName(t.target.directory, L"previous", &t.previous, &t.step_message, t.hooks)) {
    return t.Abandon(L"Atomik değişim için yerel güvenlik yedeği adı üretilemedi: " + t.step_message);
  }
  // The rename will need to delete the target's name: a program that holds the file without delete sharing
  // fails the swap here, before a second name exists that it would keep from being removed.
  bool linked;
  {
    UniqueHandle probe(::CreateFileW(t.target.file_path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_OPEN_REPARSE_POINT | FILE_ATTRIBUTE_NORMAL, nullptr));
    linked = probe && ::CreateHardLinkW(t.previous.c_str(), t.target.file_path.c_str(), nullptr);
    if (!linked) out.win32_error = ::GetLastError();
  }
  if (!linked) {
    return t.Abandon(L"DLL ReplaceFile ile atomik olarak değiştirilemedi: " + WindowsErrorText(out.win32_error) +
                     kSwapAdvice);
  }
  RunHook(t.hooks, &EngineHooks::checkpoint, L"previous linked");
  bool proved = false;
  FileIdentity linked_identity = t.start_identity;  // the file the second name leads to
  {
    UniqueHandle previous(::CreateFileW(t.previous.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_ATTRIBUTE_NORMAL, nullptr));
    std::uint32_t links = 0;
    proved = previous && ReadLinkedFileIdentity(previous.get(), &linked_identity, &links) &&
             SameFileIdentity(linked_identity, t.start_identity) && links == 2 &&
             Sha256OpenFile(previous.get(), &t.displaced_sha256, &t.step_message) &&
             EqualsIgnoreAsciiCase(t.displaced_sha256, out.old_sha256) && ClearReadOnlyAttribute(previous.get());
  }
  if (!proved) {
    // The target changed after the re-check. The second name goes only while the target still holds its file;
    // otherwise it holds the only copy next to the target, and stays, named.
    t.displaced_sha256.clear();
    const bool previous_gone = RemoveSecondName(t.previous, linked_identity) ||
                               ::GetFileAttributesW(t.previous.c_str()) == INVALID_FILE_ATTRIBUTES;
    std::wstring message =
        L"Hedef dosya yedekleme sonrasında değişti; daha yeni bir sürümü ezmemek için işlem iptal edildi.";
    if (!previous_gone) message += L" Önceki DLL " + t.previous + L" konumunda korunuyor.";
    return t.Abandon(std::move(message));
  }
  t.displaced_identity = t.start_identity;
  return true;
}

// Swaps the proved temporary file in with one rename through its proved handle: the target name resolves to the
// old or the new file at every moment. Afterwards the old file must be the one left under the "previous" name.
bool Swap(Transaction& t) {
  InstallOutcome& out = t.out;
  if (t.existed && !LinkPrevious(t)) return false;
  // An empty target is never replaced: a file that appeared there makes the rename fail, never overwritten.
  std::uint32_t error = 0;
  if (!RenameProvedFile(t.temporary.path, t.temporary.identity, out.expected_sha256, t.target.file_path, t.existed,
                        &error)) {
    out.win32_error = error;
    const bool previous_kept = t.existed && !RemoveSecondName(t.previous, t.start_identity) &&
                               ::GetFileAttributesW(t.previous.c_str()) != INVALID_FILE_ATTRIBUTES;
    t.temporary.Remove(out.expected_sha256);
    out.message = (t.existed ? L"DLL ReplaceFile ile atomik olarak değiştirilemedi: "
                             : L"DLL boş hedefe çakışmasız olarak yerleştirilemedi: ") +
                  WindowsErrorText(out.win32_error) + kSwapAdvice;
    if (previous_kept) out.message += L" Önceki DLL " + t.previous + L" konumunda korunuyor.";
    return false;
  }
  RunHook(t.hooks, &EngineHooks::checkpoint, L"swap done");

  if (t.existed) {
    const bool displaced_read =
        InspectOwnedFile(t.previous, &t.displaced_identity, &t.displaced_sha256, &t.step_message, &t.code);
    if (!displaced_read || !SameFileIdentity(t.displaced_identity, t.start_identity) ||
        !EqualsIgnoreAsciiCase(t.displaced_sha256, out.old_sha256)) {
      // The file under the "previous" name is not the one inspected and backed up any more: put it back only
      // as the proved restore does; ours is removed only when it is provably ours.
      const bool restored = RestoreProtectedFile(t.target, t.previous, t.temporary.identity, out.expected_sha256,
                                                 &out.rollback, t.hooks,
                                                 displaced_read ? &t.displaced_identity : nullptr,
                                                 displaced_read ? &t.displaced_sha256 : nullptr);
      out.message = std::wstring(L"Hedef atomik değişim anında başka bir işlem tarafından değiştirildi. ") +
                    (restored ? L"Araya giren dosya kaybedilmeden geri yüklendi: "
                              : L"Hiçbir dış dosya silinmedi; korunan kopyalar yerinde bırakıldı: ") +
                    out.rollback;
      return false;
    }
  }
  RunHook(t.hooks, &EngineHooks::before_verification, t.target);
  return true;
}

// Undoes on the installed file, through a handle that proves it, what the swap copied from the replaced file:
// the read-only attribute and, when secure, the replaced file's DACL.
void RestoreProtection(Transaction& t, HANDLE installed) {
  if (!ClearReadOnlyAttribute(installed)) {
    t.out.win32_error = ::GetLastError();
    t.protection_failure =
        L"Kurulan dosyanın salt okunur özniteliği kaldırılamadı: " + WindowsErrorText(t.out.win32_error);
  } else if (t.secure && !ResetToInheritedSecurity(installed, t.inherited_dacl, &t.protection_failure)) {
    t.out.win32_error = kErrorNewFileNotVerified;
  }
}

// Proves that the target is the file this run wrote (identity) with the build's digest, then restores its
// protection. True when the installation is complete.
bool Verify(Transaction& t) {
  InstallOutcome& out = t.out;
  {
    // Attribute and security rights too: whatever the swap copied from the replaced file is undone through this
    // handle once it is proved to be ours. The copied DACL may refuse them; with the secure flag they come from
    // the restore privilege instead (backup semantics).
    const DWORD access =
        GENERIC_READ | READ_CONTROL | FILE_WRITE_ATTRIBUTES | (t.secure ? WRITE_DAC | WRITE_OWNER : 0);
    std::optional<ScopedPrivilege> restore;
    if (t.secure) restore.emplace(SE_RESTORE_NAME);
    UniqueHandle installed(::CreateFileW(t.target.file_path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING,
                                         FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT |
                                             FILE_ATTRIBUTE_NORMAL | (t.secure ? FILE_FLAG_BACKUP_SEMANTICS : 0),
                                         nullptr));
    restore.reset();  // keeps the last error of the open
    if (!installed) {
      out.win32_error = ::GetLastError();
      t.target_vanished = out.win32_error == ERROR_FILE_NOT_FOUND;
    } else {
      FileIdentity identity_now;
      t.identity_matches = CheckRegularSingleLinkFile(installed.get(), &identity_now, &t.step_message) &&
                           SameFileIdentity(identity_now, t.temporary.identity);
      if (t.identity_matches) {
        t.code = 0;
        if (!Sha256OpenFile(installed.get(), &t.installed_sha256, &t.step_message, &t.code)) {
          t.installed_sha256.clear();
          out.win32_error = t.code;
        }
      }
      if (t.identity_matches && EqualsIgnoreAsciiCase(t.installed_sha256, out.expected_sha256)) {
        RestoreProtection(t, installed.get());
      }
    }
  }
  return t.Installed();
}

// Reports the installation and removes the displaced old file (its copy stays in the backup), or hands it over.
void Complete(Transaction& t, FileIdentity* installed_identity, PreviousCopy* deferred_previous) {
  InstallOutcome& out = t.out;
  out.outcome = kOutcomeInstalled;
  out.message = L"akisp11.dll güvenle kuruldu ve SHA-256 doğrulaması tamamlandı.";
  if (installed_identity != nullptr) *installed_identity = t.temporary.identity;
  if (!t.existed) return;
  const PreviousCopy previous{t.previous, t.displaced_identity, t.displaced_sha256};
  if (deferred_previous != nullptr) {
    *deferred_previous = previous;
    return;
  }
  std::wstring deletion;
  if (!RemovePreviousCopy(previous, &deletion, t.hooks)) {
    out.message += L" Yerel güvenlik yedeği silinmedi: " + t.previous + L" (" + deletion + L").";
  }
}

// After a failed verification: puts the displaced file back (or removes the installed file from a target that
// was empty), never touching a file that is not provably this run's.
void RollBack(Transaction& t) {
  InstallOutcome& out = t.out;
  bool rolled_back;
  if (t.existed) {
    rolled_back = RestoreProtectedFile(t.target, t.previous, t.temporary.identity, out.expected_sha256,
                                       &out.rollback, t.hooks, &t.displaced_identity, &t.displaced_sha256);
    if (rolled_back) {
      std::wstring restored_sha256;
      if (!Sha256FilePath(t.target.file_path, &restored_sha256, &t.step_message) ||
          !EqualsIgnoreAsciiCase(restored_sha256, out.old_sha256)) {
        out.rollback += L"; geri yüklenen dosyanın hash doğrulaması başarısız";
        rolled_back = false;
      }
    }
  } else {
    rolled_back = RollbackTarget(t.target, false, std::wstring(), std::wstring(), false, &out.rollback,
                                 &t.temporary.identity, &out.expected_sha256, t.hooks);
  }
  if (!rolled_back && out.rollback.empty()) out.rollback = L"başarısız";
  if (!t.protection_failure.empty()) {
    out.message = t.protection_failure + L" Geri alma: " + out.rollback + L".";
  } else if (t.target_vanished) {
    // Nothing was at the target to keep: the file was taken away after the swap (for example quarantined).
    out.message = L"Kurulum sonrası hedef dosya bulunamadı; yeni dosyayı başka bir program kaldırmış olabilir. Geri "
                  L"alma: " + out.rollback + L".";
  } else {
    out.message = (t.identity_matches ? L"Kurulum sonrası doğrulama başarısız oldu. Geri alma: "
                                      : L"Kurulum sonrası dosya kimliği değişti. Dış dosya silinmedi; geri alma: ") +
                  out.rollback + L".";
  }
}

// An earlier run that was stopped during its swap left the target empty or already holding the build; the
// original it moved aside is in a verified backup, and this run's record names both.
void NameInterruptedOriginal(Transaction& t, const InterruptedOriginal* interrupted) {
  if (interrupted == nullptr || interrupted->sha256.empty()) return;
  if (t.existed && !EqualsIgnoreAsciiCase(t.out.old_sha256, t.out.expected_sha256)) return;
  t.out.old_sha256 = interrupted->sha256;
  t.out.backup = interrupted->backup;
}

}  // namespace

bool RemovePreviousCopy(const PreviousCopy& previous, std::wstring* message, const EngineHooks* hooks) {
  const bool removed = DeleteOwnedFile(previous.path, previous.identity, previous.sha256, message);
  RunHook(hooks, &EngineHooks::checkpoint, L"previous removed");
  return removed;
}

void InstallSingleDll(InstallOutcome* result, const TargetLocation& target, const LoadedPayload& payload,
                      const std::wstring& backups_folder, bool secure, FileIdentity* installed_identity,
                      const EngineHooks* hooks, const InterruptedOriginal* interrupted,
                      PreviousCopy* deferred_previous) {
  Transaction t(result, target, payload, backups_folder, secure, hooks);
  Start(t);
  const bool act = Assess(t);
  if (act || t.out.outcome == kOutcomeAlreadyInstalled) NameInterruptedOriginal(t, interrupted);
  if (!act) return;
  if (t.existed && !BackUp(t)) return;
  if (!WriteTemporary(t) || !Recheck(t) || !Swap(t)) return;
  if (Verify(t)) {
    Complete(t, installed_identity, deferred_previous);
  } else {
    RollBack(t);
  }
}

}  // namespace tavlun

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

}  // namespace

void InstallSingleDll(InstallOutcome* result, const TargetLocation& target, const LoadedPayload& payload,
                      const std::wstring& backups_folder, bool secure, FileIdentity* installed_identity,
                      const EngineHooks* hooks) {
  InstallOutcome& out = *result;
  out.outcome = kOutcomeFailed;
  out.message.clear();
  out.target = target.display_path.empty() ? target.file_path : target.display_path;
  out.old_sha256.clear();
  out.backup.clear();
  out.rollback.clear();
  out.expected_sha256 = payload.sha256;
  out.win32_error = 0;

  // Decision.
  const DWORD directory_attributes = ::GetFileAttributesW(target.directory.c_str());
  if (directory_attributes == INVALID_FILE_ATTRIBUTES ||
      (directory_attributes & kDirectoryOrLink) != FILE_ATTRIBUTE_DIRECTORY) {
    // A folder of the wrong kind was read without error: the last error would belong to an earlier call.
    if (directory_attributes == INVALID_FILE_ATTRIBUTES) out.win32_error = ::GetLastError();
    out.message = L"Hedef sistem klasörü güvenli bir normal dizin değil.";
    return;
  }
  bool existed = false;
  if (!CheckTargetFile(target.file_path, &existed, &out.message)) return;

  std::wstring step_message;
  std::uint32_t code = 0;
  FileIdentity start_identity;
  if (existed) {
    if (!InspectOwnedFile(target.file_path, &start_identity, &out.old_sha256, &out.message, &code)) {
      out.old_sha256.clear();
      out.win32_error = code;
      return;
    }
    if (EqualsIgnoreAsciiCase(out.old_sha256, out.expected_sha256)) {
      out.outcome = kOutcomeAlreadyInstalled;
      out.message = L"Hedef DLL bu aracın doğrulanmış gömülü kopyasıyla zaten eşleşiyor; dosya değiştirilmedi.";
      return;
    }
    std::uint16_t machine = 0;
    PackedVersion version = 0;
    std::wstring version_text;
    if (ReadDllMachine(target.file_path, &machine) && machine == payload.machine &&
        ReadFileVersion(target.file_path, &version, &version_text) && version >= payload.version) {
      out.outcome = kOutcomeAlreadyInstalled;
      out.message = L"Hedefte aynı veya daha yeni sürüm (" + version_text +
                    L") bulundu. Hash farklı olduğu için dosya güvenlik amacıyla korunup değiştirilmedi.";
      return;
    }

    // Backup.
    // A taken name (the other target's backup of the same file in the same second, or anything planted) is
    // skipped, never reused: an existing backup is never touched.
    const std::wstring stamp = MakeTimestampName(hooks);
    std::wstring backup_folder;
    for (unsigned attempt = 0; attempt < kUniqueNameAttempts && backup_folder.empty(); ++attempt) {
      const std::wstring candidate = JoinPath(backups_folder, BackupFolderName(stamp, out.old_sha256, attempt));
      // Any failed lookup ends the search: EnsureSecureFolder reports what is wrong with that name.
      if (::GetFileAttributesW(candidate.c_str()) == INVALID_FILE_ATTRIBUTES) backup_folder = candidate;
    }
    if (backup_folder.empty()) {
      out.win32_error = kErrorNoUniqueName;
      out.message = L"Mevcut DLL yedeklenemedi: Benzersiz yedek klasörü adı üretilemedi.";
      return;
    }
    UniqueHandle backup_folder_handle;  // held while the copy is made and verified
    if (!EnsureSecureFolder(backup_folder, secure, &step_message, secure ? &backup_folder_handle : nullptr)) {
      out.message = L"Mevcut DLL yedeklenemedi: " + step_message;
      return;
    }
    const std::wstring backup = JoinPath(backup_folder, kAkisDllName);
    if (!CopyToNewFile(target.file_path, backup, secure, &step_message, &code)) {
      out.win32_error = code;
      out.message = L"Mevcut DLL yedeklenemedi: " + step_message;
      return;
    }
    out.backup = backup;
    std::wstring backup_sha256;
    code = 0;
    if (!Sha256FilePath(backup, &backup_sha256, &step_message, &code) ||
        !EqualsIgnoreAsciiCase(backup_sha256, out.old_sha256)) {
      out.win32_error = code;
      out.message = L"Oluşturulan yedek doğrulanamadı; hedef dosyaya dokunulmadı.";
      return;
    }
    backup_folder_handle.reset();
    RunHook(hooks, &EngineHooks::after_backup, target);
  }

  // New file.
  TemporaryInstallFile temporary;
  if (!CreateVerifiedTempFile(target.directory, payload.data, payload.size, &temporary.path, &temporary.identity,
                              &out.message, &code, hooks)) {
    out.win32_error = code;
    return;
  }
  std::wstring temporary_sha256;
  code = 0;
  if (!Sha256FilePath(temporary.path, &temporary_sha256, &step_message, &code) ||
      !EqualsIgnoreAsciiCase(temporary_sha256, out.expected_sha256)) {
    out.win32_error = code;
    temporary.Remove(out.expected_sha256);
    out.message = L"Geçici dosya doğrulanamadı; hedef dosyaya dokunulmadı.";
    return;
  }
  // The new file received the DACL the target folder hands down; the swap would give it the replaced file's.
  UniqueSecurityDescriptor inherited_security;
  PACL inherited_dacl = nullptr;
  if (secure && !ReadTemporaryDacl(temporary, &inherited_security, &inherited_dacl, &step_message)) {
    temporary.Remove(out.expected_sha256);
    out.message = step_message + L" Hedef dosyaya dokunulmadı.";
    return;
  }

  // Re-check before the swap.
  bool exists_now = false;
  code = 0;
  if (!CheckTargetFile(target.file_path, &exists_now, &step_message, &code) || exists_now != existed) {
    out.win32_error = code;
    temporary.Remove(out.expected_sha256);
    out.message = L"Hedef dosya kurulum sırasında başka bir işlem tarafından değiştirildi; işlem güvenle iptal edildi.";
    return;
  }
  if (existed) {
    FileIdentity identity_now;
    std::wstring sha256_now;
    code = 0;
    if (!InspectOwnedFile(target.file_path, &identity_now, &sha256_now, &step_message, &code) ||
        !SameFileIdentity(identity_now, start_identity) || !EqualsIgnoreAsciiCase(sha256_now, out.old_sha256)) {
      out.win32_error = code;
      temporary.Remove(out.expected_sha256);
      out.message = L"Hedef dosya yedekleme sonrasında değişti; daha yeni bir sürümü ezmemek için işlem iptal edildi.";
      return;
    }
  }
  RunHook(hooks, &EngineHooks::before_swap, target);

  // Swap.
  std::wstring previous;
  bool swapped;
  if (existed) {
    if (!MakeSecureTempName(target.directory, L"previous", &previous, &step_message, hooks)) {
      temporary.Remove(out.expected_sha256);
      out.message = L"Atomik değişim için yerel güvenlik yedeği adı üretilemedi: " + step_message;
      return;
    }
    swapped = ReplaceWithBackup(target.file_path, temporary.path, previous, hooks);
  } else {
    // No MOVEFILE_REPLACE_EXISTING: a file that appeared at the target makes the move fail, never overwritten.
    swapped = ::MoveFileExW(temporary.path.c_str(), target.file_path.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
  }
  if (!swapped) {
    out.win32_error = ::GetLastError();
    const bool target_kept = !existed || PutBackAfterFailedReplace(target.file_path, previous, start_identity);
    temporary.Remove(out.expected_sha256);
    out.message = (existed ? L"DLL ReplaceFile ile atomik olarak değiştirilemedi: "
                           : L"DLL boş hedefe çakışmasız olarak yerleştirilemedi: ") +
                  WindowsErrorText(out.win32_error) + kSwapAdvice;
    if (!target_kept) out.message += L" Önceki DLL yerine geri taşınamadı; " + previous + L" konumunda korunuyor.";
    return;
  }

  FileIdentity displaced_identity;
  std::wstring displaced_sha256;
  if (existed) {
    const bool displaced_read = InspectOwnedFile(previous, &displaced_identity, &displaced_sha256, &step_message, &code);
    if (!displaced_read || !SameFileIdentity(displaced_identity, start_identity) ||
        !EqualsIgnoreAsciiCase(displaced_sha256, out.old_sha256)) {
      // The swap displaced a file other than the one inspected and backed up: someone replaced the target at
      // that very moment. Put the intervening file back; ours is removed only when it is provably ours.
      const bool restored =
          RestoreProtectedFile(target, previous, temporary.identity, out.expected_sha256, &out.rollback, hooks,
                               displaced_read ? &displaced_identity : nullptr,
                               displaced_read ? &displaced_sha256 : nullptr);
      out.message = std::wstring(L"Hedef atomik değişim anında başka bir işlem tarafından değiştirildi. ") +
                    (restored ? L"Araya giren dosya kaybedilmeden geri yüklendi: "
                              : L"Hiçbir dış dosya silinmedi; korunan kopyalar yerinde bırakıldı: ") +
                    out.rollback;
      return;
    }
  }
  RunHook(hooks, &EngineHooks::before_verification, target);

  // Verification.
  bool identity_matches = false;
  bool target_vanished = false;
  std::wstring installed_sha256;
  std::wstring protection_failure;  // why the installed file could not be given the folder's protection
  {
    // Attribute and security rights too: whatever the swap copied from the replaced file is undone through this
    // handle once it is proved to be ours. The copied DACL may refuse them; with the secure flag they come from
    // the restore privilege instead (backup semantics).
    const DWORD access = GENERIC_READ | READ_CONTROL | FILE_WRITE_ATTRIBUTES | (secure ? WRITE_DAC | WRITE_OWNER : 0);
    std::optional<ScopedPrivilege> restore;
    if (secure) restore.emplace(SE_RESTORE_NAME);
    UniqueHandle installed(::CreateFileW(target.file_path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING,
                                         FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT |
                                             FILE_ATTRIBUTE_NORMAL | (secure ? FILE_FLAG_BACKUP_SEMANTICS : 0),
                                         nullptr));
    restore.reset();  // keeps the last error of the open
    if (!installed) {
      out.win32_error = ::GetLastError();
      target_vanished = out.win32_error == ERROR_FILE_NOT_FOUND;
    } else {
      FileIdentity identity_now;
      identity_matches = CheckRegularSingleLinkFile(installed.get(), &identity_now, &step_message) &&
                         SameFileIdentity(identity_now, temporary.identity);
      if (identity_matches) {
        code = 0;
        if (!Sha256OpenFile(installed.get(), &installed_sha256, &step_message, &code)) {
          installed_sha256.clear();
          out.win32_error = code;
        }
      }
      if (identity_matches && EqualsIgnoreAsciiCase(installed_sha256, out.expected_sha256)) {
        if (!ClearReadOnlyAttribute(installed.get())) {
          out.win32_error = ::GetLastError();
          protection_failure = L"Kurulan dosyanın salt okunur özniteliği kaldırılamadı: " +
                               WindowsErrorText(out.win32_error);
        } else if (secure && !ResetToInheritedSecurity(installed.get(), inherited_dacl, &protection_failure)) {
          out.win32_error = kErrorNewFileNotVerified;
        }
      }
    }
  }
  if (identity_matches && EqualsIgnoreAsciiCase(installed_sha256, out.expected_sha256) &&
      protection_failure.empty()) {
    out.outcome = kOutcomeInstalled;
    out.message = L"akisp11.dll güvenle kuruldu ve SHA-256 doğrulaması tamamlandı.";
    if (installed_identity != nullptr) *installed_identity = temporary.identity;
    if (existed) {
      std::wstring deletion;
      if (!DeleteOwnedFile(previous, displaced_identity, displaced_sha256, &deletion)) {
        out.message += L" Yerel güvenlik yedeği silinmedi: " + previous + L" (" + deletion + L").";
      }
    }
    return;
  }

  // Rollback after a failed verification.
  bool rolled_back;
  if (existed) {
    rolled_back = RestoreProtectedFile(target, previous, temporary.identity, out.expected_sha256, &out.rollback, hooks,
                                       &displaced_identity, &displaced_sha256);
    if (rolled_back) {
      std::wstring restored_sha256;
      if (!Sha256FilePath(target.file_path, &restored_sha256, &step_message) ||
          !EqualsIgnoreAsciiCase(restored_sha256, out.old_sha256)) {
        out.rollback += L"; geri yüklenen dosyanın hash doğrulaması başarısız";
        rolled_back = false;
      }
    }
  } else {
    rolled_back = RollbackTarget(target, false, std::wstring(), std::wstring(), false, &out.rollback,
                                 &temporary.identity, &out.expected_sha256, hooks);
  }
  if (!rolled_back && out.rollback.empty()) out.rollback = L"başarısız";
  if (!protection_failure.empty()) {
    out.message = protection_failure + L" Geri alma: " + out.rollback + L".";
  } else if (target_vanished) {
    // Nothing was at the target to keep: the file was taken away after the swap (for example quarantined).
    out.message = L"Kurulum sonrası hedef dosya bulunamadı; yeni dosyayı başka bir program kaldırmış olabilir. Geri "
                  L"alma: " + out.rollback + L".";
  } else {
    out.message = (identity_matches ? L"Kurulum sonrası doğrulama başarısız oldu. Geri alma: "
                                    : L"Kurulum sonrası dosya kimliği değişti. Dış dosya silinmedi; geri alma: ") +
                  out.rollback + L".";
  }
}

}  // namespace tavlun

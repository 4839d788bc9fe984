#include "install/owned_files.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "core/text.h"
#include "core/unique_handle.h"
#include "core/windows_error.h"
#include "install/backup_copy.h"
#include "install/secure_object.h"
#include "install/temp_files.h"

namespace tavlun {

std::function<bool(const TargetLocation& target, std::wstring* message)> RollbackRaceHook;

namespace {

bool SameContent(const FileIdentity& identity, const std::wstring& sha256, const FileIdentity& expected_identity,
                 const std::wstring& expected_sha256) {
  return SameFileIdentity(identity, expected_identity) && EqualsIgnoreAsciiCase(sha256, expected_sha256);
}

// Removes a copy this run made, through a handle that proved the copy's identity (its content is what failed).
void DeleteOwnCopy(const std::wstring& path, const FileIdentity& identity) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  std::wstring ignored;
  FileIdentity found;
  if (CheckRegularSingleLinkFile(file.get(), &found, &ignored) && SameFileIdentity(found, identity)) {
    MarkDeleteOnClose(file.get());
  }
}

// Runs the injected rollback race, if any (once); false with the message when it could not be applied.
bool RunRollbackRace(const TargetLocation& target, const std::wstring& kept, std::wstring* message) {
  if (!RollbackRaceHook) return true;
  auto race = std::move(RollbackRaceHook);
  RollbackRaceHook = nullptr;
  std::wstring race_message;
  if (race(target, &race_message)) return true;
  *message = L"geri alma yarış testi uygulanamadı; aktif hedef ve korunan dosya değiştirilmedi. " + kept +
             L". Hata: " + race_message;
  return false;
}

}  // namespace

bool ReadLinkedFileIdentity(HANDLE file, FileIdentity* identity, std::uint32_t* links) {
  FILE_ATTRIBUTE_TAG_INFO tag{};
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof(tag)) ||
      !IsPlainFileKind(tag.FileAttributes, tag.ReparseTag) || !::GetFileInformationByHandle(file, &info)) {
    return false;
  }
  identity->volume_serial = info.dwVolumeSerialNumber;
  identity->index_high = info.nFileIndexHigh;
  identity->index_low = info.nFileIndexLow;
  identity->valid = true;
  *links = info.nNumberOfLinks;
  return true;
}

namespace {

enum class RenameProof { kProved, kNotOpened, kNotProved };

// Opens `path` for a rename through its handle (never with delete sharing, so nobody else moves it meanwhile) and
// proves it is the regular single-link file with `identity` and `sha256`. kNotOpened leaves the open's error as the
// last error.
RenameProof OpenProvedForRename(const std::wstring& path, DWORD share, const FileIdentity& identity,
                                const std::wstring& sha256, UniqueHandle* file) {
  *file = UniqueHandle(::CreateFileW(path.c_str(), GENERIC_READ | DELETE, share, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_OPEN_REPARSE_POINT | FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!*file) return RenameProof::kNotOpened;
  std::wstring ignored;
  FileIdentity found;
  std::wstring found_sha256;
  const bool proved = CheckRegularSingleLinkFile(file->get(), &found, &ignored) && SameFileIdentity(found, identity) &&
                      Sha256OpenFile(file->get(), &found_sha256, &ignored) &&
                      EqualsIgnoreAsciiCase(found_sha256, sha256);
  return proved ? RenameProof::kProved : RenameProof::kNotProved;
}

}  // namespace

bool RenameProvedFile(const std::wstring& path, const FileIdentity& identity, const std::wstring& sha256,
                      const std::wstring& destination, bool replace, std::uint32_t* error) {
  // No write or delete sharing: the proved content is the one that arrives at the destination.
  UniqueHandle file;
  const RenameProof proof = OpenProvedForRename(path, FILE_SHARE_READ, identity, sha256, &file);
  if (proof != RenameProof::kProved) {
    *error = proof == RenameProof::kNotOpened ? ::GetLastError() : kErrorNotRegularSingleLinkFile;
    return false;
  }
  if (!RenameOpenFile(file.get(), destination, replace)) {
    *error = ::GetLastError();
    return false;
  }
  return true;
}

bool RemoveSecondName(const std::wstring& path, const FileIdentity& identity) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_ATTRIBUTE_NORMAL, nullptr));
  FileIdentity found;
  std::uint32_t links = 0;
  return file && ReadLinkedFileIdentity(file.get(), &found, &links) && SameFileIdentity(found, identity) &&
         links >= 2 && MarkDeleteOnClose(file.get());
}

bool InspectOwnedFile(const std::wstring& path, FileIdentity* identity, std::wstring* sha256, std::wstring* message,
                      std::uint32_t* error) {
  UniqueHandle file(OpenFileForInspection(path));
  if (!file) {
    const DWORD code = ::GetLastError();
    *error = code;
    *message = L"Dosya inceleme için açılamadı: " + WindowsErrorText(code);
    return false;
  }
  if (!CheckRegularSingleLinkFile(file.get(), identity, message)) {
    *error = kErrorNotRegularSingleLinkFile;
    return false;
  }
  return Sha256OpenFile(file.get(), sha256, message, error);
}

bool DeleteOwnedFile(const std::wstring& path, const FileIdentity& identity, const std::wstring& sha256,
                     std::wstring* message) {
  if (!identity.valid || sha256.empty()) {
    *message = L"kurucuya ait dosya kimliği yok; mevcut dosya korunarak silme reddedildi";
    return false;
  }
  // No delete sharing: nobody else can rename or delete the file between the proof and the deletion. Attribute
  // access serves only to clear a read-only flag; a file whose DACL grants deletion without it is opened without.
  const auto open_for_deletion = [&path](DWORD extra) {
    return UniqueHandle(::CreateFileW(path.c_str(), GENERIC_READ | DELETE | extra, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
  };
  UniqueHandle file = open_for_deletion(FILE_WRITE_ATTRIBUTES);
  if (!file && ::GetLastError() == ERROR_ACCESS_DENIED) file = open_for_deletion(0);
  if (!file) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
      *message = L"hedef zaten yok";
      return true;
    }
    *message = L"kurulan dosya güvenli silme için açılamadı: " + WindowsErrorText(code);
    return false;
  }
  std::wstring ignored;
  FileIdentity found;
  if (!CheckRegularSingleLinkFile(file.get(), &found, &ignored) || !SameFileIdentity(found, identity)) {
    *message = L"hedefte başka bir dosya belirdi; dış dosya korunarak silme reddedildi";
    return false;
  }
  std::wstring found_sha256;
  if (!Sha256OpenFile(file.get(), &found_sha256, &ignored) || !EqualsIgnoreAsciiCase(found_sha256, sha256)) {
    *message = L"hedef kurulumdan sonra değişti; dış dosya korunarak silme reddedildi";
    return false;
  }
  // A proved file that is read-only (the old DLL it was) could not be deleted otherwise.
  if (!ClearReadOnlyAttribute(file.get()) || !MarkDeleteOnClose(file.get())) {
    *message = L"kurucuya ait dosya tanıtıcı üzerinden silinemedi: " + WindowsErrorText(::GetLastError());
    return false;
  }
  *message = L"kurucuya ait dosya kimliği doğrulanıp güvenle kaldırıldı";
  return true;  // the deletion happens when the verified handle closes, never through the path
}

bool MoveOwnedFileToEmptyPlace(const std::wstring& path, const FileIdentity& identity, const std::wstring& sha256,
                               const std::wstring& destination, std::wstring* message) {
  if (!identity.valid || sha256.empty()) {
    *message = L"korunan dosyanın kimliği bilinmiyor; dosya taşınmadı";
    return false;
  }
  // No delete sharing: the proved file is the one that is renamed, through this very handle.
  UniqueHandle file;
  const RenameProof proof = OpenProvedForRename(path, FILE_SHARE_READ | FILE_SHARE_WRITE, identity, sha256, &file);
  if (proof == RenameProof::kNotOpened) {
    *message = L"korunan dosya taşıma için açılamadı: " + WindowsErrorText(::GetLastError());
    return false;
  }
  if (proof == RenameProof::kNotProved) {
    *message = L"korunan dosyanın kimliği veya SHA-256 değeri doğrulanamadı; dosya taşınmadı";
    return false;
  }
  if (!RenameOpenFile(file.get(), destination, false)) {
    *message = L"korunan dosya boş hedefe taşınamadı: " + WindowsErrorText(::GetLastError());
    return false;
  }
  *message = L"korunan dosya kimliği ve SHA-256 değeri doğrulanıp boş hedefe taşındı";
  return true;
}

bool RestoreProtectedFile(const TargetLocation& target, const std::wstring& protected_path,
                          const FileIdentity& installed_identity, const std::wstring& installed_sha256,
                          std::wstring* message, const EngineHooks* hooks, const FileIdentity* protected_identity,
                          const std::wstring* protected_sha256) {
  const std::wstring kept = L"Korunan kurtarma dosyası: " + protected_path;
  std::wstring step_message;
  std::uint32_t inspect_code = 0;

  FileIdentity active_identity;
  std::wstring active_sha256;
  if (!InspectOwnedFile(target.file_path, &active_identity, &active_sha256, &step_message, &inspect_code)) {
    if (inspect_code == ERROR_FILE_NOT_FOUND && protected_identity != nullptr && protected_sha256 != nullptr) {
      // The installed file is gone (an antivirus may quarantine a new DLL): the target is provably empty, so the
      // proved recovery content goes back without replacing anything.
      if (!RunRollbackRace(target, kept, message)) return false;
      std::wstring moved;
      if (MoveOwnedFileToEmptyPlace(protected_path, *protected_identity, *protected_sha256, target.file_path,
                                    &moved)) {
        *message = L"aktif hedef boştu; " + moved;
        return true;
      }
      // A file that arrived at the target meanwhile was not replaced: say so rather than call the target empty.
      const bool still_empty = ::GetFileAttributesW(target.file_path.c_str()) == INVALID_FILE_ATTRIBUTES;
      *message = L"aktif hedef boş ve geri alma uygulanamadı (" + moved + L"); " +
                 (still_empty ? L"hedefte dosya yok. " : L"hedefe bu arada gelen dosya korundu. ") + kept;
      return false;
    }
    *message = L"aktif hedef doğrulanamadı; geri alma uygulanmadı ve hedef değiştirilmedi. " + kept + L". Hata: " +
               step_message;
    return false;
  }
  if (!SameContent(active_identity, active_sha256, installed_identity, installed_sha256)) {
    *message = L"aktif hedef beklenen kurucu dosyası değil; harici değişiklik korunarak geri alma reddedildi. Aktif "
               L"hedef değiştirilmedi. " +
               kept;
    return false;
  }
  if (!RunRollbackRace(target, kept, message)) return false;
  std::wstring rescue;
  if (!MakeSecureTempName(target.directory, L"rescue", &rescue, &step_message, hooks)) {
    *message = L"aktif hedef doğrulandı ancak korunan dosya yerinde bırakıldı; kurtarma adı üretilemedi. " + kept +
               L". Hata: " + step_message;
    return false;
  }
  const auto left_in_place = [&](DWORD code) {
    return L"korunan dosya yerinde bırakıldı; atomik geri yükleme başarısız: " + WindowsErrorText(code) + L". " +
           kept;
  };
  // The file at the target gets the rescue name as a second name before anything replaces it: the target name
  // then always resolves to it or to the recovery content, and what the rename displaces stays reachable.
  if (!::CreateHardLinkW(rescue.c_str(), target.file_path.c_str(), nullptr)) {
    *message = left_in_place(::GetLastError());
    return false;
  }
  RunHook(hooks, &EngineHooks::checkpoint, L"rescue linked");
  // What the second name leads to is the file the target held when it was made: proved through its own handle.
  FileIdentity rescue_identity;
  std::wstring rescue_sha256;
  DWORD rescue_error = 0;
  {
    UniqueHandle linked(OpenFileForInspection(rescue));
    std::uint32_t links = 0;
    if (!linked) {
      rescue_error = ::GetLastError();
    } else if (!ReadLinkedFileIdentity(linked.get(), &rescue_identity, &links) || links != 2 ||
               !Sha256OpenFile(linked.get(), &rescue_sha256, &step_message)) {
      rescue_error = kErrorNotRegularSingleLinkFile;
    }
  }
  if (rescue_error != 0) {
    *message = left_in_place(rescue_error);
    if (!RemoveSecondName(rescue, rescue_identity) &&
        ::GetFileAttributesW(rescue.c_str()) != INVALID_FILE_ATTRIBUTES) {
      *message += L". Hedeften alınan dosya " + rescue + L" konumunda korundu";
    }
    return false;
  }
  if (!SameContent(rescue_identity, rescue_sha256, installed_identity, installed_sha256)) {
    // Another process updated the target after the proof: the update stays active, nothing is replaced, and the
    // recovery content stays under its own name.
    RemoveSecondName(rescue, rescue_identity);
    *message = L"geri alma sırasında yarışan harici güncelleme algılandı; güncelleme etkin hedefte bırakıldı ve "
               L"doğrulandı. Geri alma başarısız sayıldı. Önceki kurtarma kopyası: " +
               protected_path;
    return false;
  }

  // One replacing rename through the handle that proves the recovery content (the one given, else the one found).
  FileIdentity recovery_identity;
  std::wstring recovery_sha256;
  std::uint32_t rename_error = 0;
  if (protected_identity != nullptr && protected_sha256 != nullptr) {
    recovery_identity = *protected_identity;
    recovery_sha256 = *protected_sha256;
  } else if (!InspectOwnedFile(protected_path, &recovery_identity, &recovery_sha256, &step_message,
                               &rename_error) &&
             rename_error == 0) {
    rename_error = kErrorNotRegularSingleLinkFile;
  }
  if (rename_error != 0 || !RenameProvedFile(protected_path, recovery_identity, recovery_sha256, target.file_path,
                                             true, &rename_error)) {
    *message = left_in_place(rename_error);
    if (!RemoveSecondName(rescue, rescue_identity) &&
        ::GetFileAttributesW(rescue.c_str()) != INVALID_FILE_ATTRIBUTES) {
      *message += L". Hedeften alınan dosya " + rescue + L" konumunda korundu";
    }
    return false;
  }
  RunHook(hooks, &EngineHooks::checkpoint, L"recovery renamed");

  // The target now holds the recovery content; the displaced file is left under the rescue name alone.
  std::uint32_t ignored_code = 0;
  FileIdentity displaced_identity;
  std::wstring displaced_sha256;
  if (!InspectOwnedFile(rescue, &displaced_identity, &displaced_sha256, &step_message, &ignored_code)) {
    *message = L"atomik geri yükleme yapıldı ancak yerinden alınan dosya doğrulanamadı. Veri kaybını önlemek için "
               L"dosya silinmedi; el ile kurtarma konumu: " +
               rescue + L". Önceki kurtarma içeriği etkin hedefte bulunuyor. Hata: " + step_message;
    return false;
  }
  if (!SameContent(displaced_identity, displaced_sha256, installed_identity, installed_sha256)) {
    // Rewritten in place between the proof and the rename: that update is kept under the rescue name.
    *message = L"geri alma sırasında harici bir hedef güncellemesi algılandı. Güncelleme silinmedi ve " + rescue +
               L" konumunda korundu; önceki kurtarma içeriği etkin hedefte kaldı.";
    return false;
  }
  std::wstring deletion;
  const bool deleted = DeleteOwnedFile(rescue, installed_identity, installed_sha256, &deletion);
  RunHook(hooks, &EngineHooks::checkpoint, L"rescue removed");
  if (deleted) {
    *message = L"korunan dosya atomik olarak geri yüklendi; değiştirilen kurucu dosyası doğrulanıp kaldırıldı";
  } else {
    *message = L"korunan dosya hedefe geri yüklendi; doğrulanmış eski kurucu dosyası silinemeyip " + rescue +
               L" konumunda korundu (" + deletion + L")";
  }
  return true;
}

bool RollbackTarget(const TargetLocation& target, bool had_prior_file, const std::wstring& backup_path,
                    const std::wstring& backup_sha256, bool secure_ownership, std::wstring* message,
                    const FileIdentity* installed_identity, const std::wstring* installed_sha256,
                    const EngineHooks* hooks) {
  if (!had_prior_file) {
    if (installed_identity != nullptr && installed_sha256 != nullptr) {
      return DeleteOwnedFile(target.file_path, *installed_identity, *installed_sha256, message);
    }
    *message = L"kurulan dosyanın kimliği bilinmiyor; dış dosyayı silmemek için geri alma reddedildi";
    return false;
  }

  std::wstring step_message;
  std::uint32_t ignored_code = 0;
  std::wstring copy;
  FileIdentity copy_identity;
  if (backup_path.empty() || backup_sha256.empty() ||
      !CreateRollbackCopy(target.directory, backup_path, &copy, &step_message, &ignored_code, &copy_identity, hooks)) {
    *message = L"geçici geri alma kopyası oluşturulamadı: " + step_message;
    return false;
  }
  std::wstring copy_sha256;
  if (!Sha256FilePath(copy, &copy_sha256, &step_message) || !EqualsIgnoreAsciiCase(copy_sha256, backup_sha256)) {
    DeleteOwnCopy(copy, copy_identity);
    *message = L"geçici geri alma kopyasının hash değeri doğrulanamadı";
    return false;
  }

  FileIdentity identity;
  std::wstring sha256;
  if (installed_identity != nullptr && installed_sha256 != nullptr) {
    identity = *installed_identity;
    sha256 = *installed_sha256;
  } else if (!InspectOwnedFile(target.file_path, &identity, &sha256, &step_message, &ignored_code)) {
    // The rollback copy stays: it holds the backup's content next to the target.
    *message = L"geri alınacak mevcut hedef güvenle incelenemedi: " + step_message;
    return false;
  }

  std::wstring restore_message;
  if (!RestoreProtectedFile(target, copy, identity, sha256, &restore_message, hooks, &copy_identity,
                            &backup_sha256)) {
    *message = restore_message;
    return false;
  }
  if (secure_ownership && !ApplySecureOwnership(target.file_path, &step_message)) {
    *message = L"geri alınan dosyanın güvenli sahipliği uygulanamadı: " + step_message;
    return false;
  }
  std::wstring restored_sha256;
  if (Sha256FilePath(target.file_path, &restored_sha256, &step_message) &&
      EqualsIgnoreAsciiCase(restored_sha256, backup_sha256)) {
    *message = L"başarılı ve doğrulandı; " + restore_message;
    return true;
  }
  *message = L"geri alınan dosyanın hash değeri doğrulanamadı";
  return false;
}

}  // namespace tavlun

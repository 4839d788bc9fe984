#include <windows.h>

#include <map>

#include "core/text.h"
#include "core/unique_handle.h"
#include "install/leftovers.h"
#include "install/leftovers_scan.h"
#include "install/owned_files.h"
#include "install/secure_object.h"
#include "install/temp_files.h"
#include "install/work_area.h"
#include "integrity/sha256.h"

namespace tavlun {
namespace {

std::wstring ToUpperAscii(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return text;
}

struct FolderEntry {
  std::wstring name;
  bool folder = false;
  std::uint64_t size = 0;
};

std::vector<FolderEntry> ListEntries(const std::wstring& folder) {
  std::vector<FolderEntry> entries;
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(::FindFirstFileW(JoinPath(folder, L"*").c_str(), &data));
  if (!find) return entries;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    // A link is never the engine's own and is not followed: what it points to is someone else's.
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) continue;
    entries.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                       (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow});
  } while (::FindNextFileW(find.get(), &data));
  return entries;
}

// Opens a file for a proof and its deletion: no delete sharing, so nobody renames or deletes it meanwhile.
UniqueHandle OpenForRemoval(const std::wstring& path) {
  const auto open = [&path](DWORD extra) {
    return UniqueHandle(::CreateFileW(path.c_str(), GENERIC_READ | DELETE | extra, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
  };
  UniqueHandle file = open(FILE_WRITE_ATTRIBUTES);
  if (!file && ::GetLastError() == ERROR_ACCESS_DENIED) file = open(0);
  return file;
}

bool RemoveThroughHandle(HANDLE file, const EngineHooks* hooks) {
  ClearReadOnlyAttribute(file);  // a read-only file cannot be deleted; a failure shows in the mark
  if (!MarkDeleteOnClose(file)) return false;
  RunHook(hooks, &EngineHooks::checkpoint, L"leftover removed");
  return true;
}

// A work-area entry the rules allow to go: a regular single-link file whose size is still the listed one.
void RemoveWorkEntry(const std::wstring& path, std::uint64_t listed_size, const EngineHooks* hooks) {
  UniqueHandle file(OpenForRemoval(path));
  std::wstring ignored;
  LARGE_INTEGER size{};
  if (file && CheckRegularSingleLinkFile(file.get(), nullptr, &ignored) && ::GetFileSizeEx(file.get(), &size) &&
      static_cast<std::uint64_t>(size.QuadPart) == listed_size) {
    RemoveThroughHandle(file.get(), hooks);
  }
}

// Verified backups by digest (upper case): "<backup folder>\akisp11.dll" whose SHA-256 begins with the digest
// prefix its folder's name carries (and, when secure, that carries the secure file descriptor). Backup folders
// left empty, false zero-byte backups and staging files are removed on the way.
std::map<std::wstring, std::wstring> VerifiedBackups(const std::wstring& backups, bool secure,
                                                     const EngineHooks* hooks) {
  std::map<std::wstring, std::wstring> verified;
  for (const FolderEntry& folder_entry : ListEntries(backups)) {
    std::wstring prefix;
    if (!folder_entry.folder || !ParseBackupFolderName(folder_entry.name, &prefix)) continue;
    const std::wstring folder = JoinPath(backups, folder_entry.name);
    for (const FolderEntry& entry : ListEntries(folder)) {
      const std::wstring path = JoinPath(folder, entry.name);
      if (!entry.folder && IsRemovableBackupEntry(prefix, entry.name, entry.size)) {
        RemoveWorkEntry(path, entry.size, hooks);
        continue;
      }
      if (entry.folder || entry.name != kAkisDllName) continue;
      UniqueHandle file(OpenFileForInspection(path));
      std::wstring ignored;
      std::wstring digest;
      if (file && CheckRegularSingleLinkFile(file.get(), nullptr, &ignored) &&
          (!secure || VerifySecureObject(file.get(), false, &ignored)) &&
          Sha256OpenFile(file.get(), &digest, &ignored) && digest.size() >= prefix.size() &&
          EqualsIgnoreAsciiCase(digest.substr(0, prefix.size()), prefix)) {
        verified.emplace(ToUpperAscii(digest), path);
      }
    }
    // Only an empty folder is removed; anything inside keeps it.
    if (ListEntries(folder).empty() && ::RemoveDirectoryW(folder.c_str())) {
      RunHook(hooks, &EngineHooks::checkpoint, L"leftover removed");
    }
  }
  return verified;
}

// In a secure run the work area is searched only where it is proved to be the program's own: a real folder that
// only Administrators and SYSTEM control. A folder in someone else's hands is moved aside later, unread.
bool ProvedWorkFolder(const std::wstring& path, bool secure) {
  if (!secure) return true;
  UniqueHandle folder(::CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  FILE_ATTRIBUTE_TAG_INFO tag{};
  std::wstring ignored;
  return folder && ::GetFileInformationByHandleEx(folder.get(), FileAttributeTagInfo, &tag, sizeof tag) &&
         (tag.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
             FILE_ATTRIBUTE_DIRECTORY &&
         VerifySecureObject(folder.get(), true, &ignored);
}

FileIdentity IdentityOf(const std::wstring& path) {
  FileIdentity identity;
  std::uint32_t links = 0;
  UniqueHandle file(OpenFileForInspection(path));
  if (!file || !ReadLinkedFileIdentity(file.get(), &identity, &links)) return FileIdentity();
  return identity;
}

// The engine's files beside one target.
void CleanTargetFolder(const LeftoverTarget& target, const std::map<std::wstring, std::wstring>& backups,
                       InterruptedOriginal* original, const EngineHooks* hooks) {
  const FileIdentity target_identity = IdentityOf(target.location.file_path);
  for (const FolderEntry& entry : ListEntries(target.location.directory)) {
    LeftoverFacts facts;
    facts.kind = ClassifyEngineFileName(entry.name);
    if (entry.folder || facts.kind == EngineFileKind::kNone) continue;
    const std::wstring path = JoinPath(target.location.directory, entry.name);
    UniqueHandle file(OpenForRemoval(path));
    FileIdentity identity;
    std::uint32_t links = 0;
    std::wstring digest;
    std::wstring ignored;
    if (!file || !ReadLinkedFileIdentity(file.get(), &identity, &links) ||
        !Sha256OpenFile(file.get(), &digest, &ignored)) {
      continue;  // not provable: it stays, and the read-only check names it
    }
    const auto backup = backups.find(ToUpperAscii(digest));
    facts.equals_build = EqualsIgnoreAsciiCase(digest, target.build_sha256);
    facts.equals_verified_backup = backup != backups.end();
    facts.second_name_of_target = links >= 2 && SameFileIdentity(identity, target_identity);
    if (!IsProvableLeftover(facts)) continue;
    if (IsInterruptedOriginal(facts) && original->sha256.empty()) {
      original->sha256 = digest;
      original->backup = backup->second;
    }
    RemoveThroughHandle(file.get(), hooks);
  }
}

}  // namespace

void CleanUpInterruptedRuns(const std::vector<LeftoverTarget>& targets, const std::wstring& work_area, bool secure,
                            std::vector<InterruptedOriginal>* originals, const EngineHooks* hooks) {
  originals->assign(targets.size(), InterruptedOriginal());
  std::map<std::wstring, std::wstring> backups;
  if (!work_area.empty() && ProvedWorkFolder(work_area, secure)) {
    const std::wstring backups_folder = JoinPath(work_area, kBackupsFolderName);
    if (ProvedWorkFolder(backups_folder, secure)) backups = VerifiedBackups(backups_folder, secure, hooks);
    const std::wstring logs = JoinPath(work_area, kLogsFolderName);
    if (ProvedWorkFolder(logs, secure)) {
      for (const FolderEntry& entry : ListEntries(logs)) {
        if (!entry.folder && IsRemovableLogEntry(entry.name, entry.size)) {
          RemoveWorkEntry(JoinPath(logs, entry.name), entry.size, hooks);
        }
      }
    }
  }
  for (std::size_t index = 0; index < targets.size(); ++index) {
    CleanTargetFolder(targets[index], backups, &(*originals)[index], hooks);
  }
}

}  // namespace tavlun

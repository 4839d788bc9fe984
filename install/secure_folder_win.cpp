#include "install/secure_folder.h"

#include <windows.h>
#include <aclapi.h>

#include <cstring>
#include <vector>

#include "core/scoped_privilege.h"
#include "core/text.h"
#include "core/windows_error.h"
#include "install/engine_names.h"
#include "install/secure_object.h"
#include "install/temp_files.h"

namespace tavlun {
namespace {

constexpr DWORD kDirectoryOrLink = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;

bool IsPlainDirectory(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & kDirectoryOrLink) == FILE_ATTRIBUTE_DIRECTORY;
}

bool SplitParent(const std::wstring& path, std::wstring* parent, std::wstring* name) {
  const std::size_t slash = path.find_last_of(L'\\');
  if (slash == std::wstring::npos || slash == 0 || slash + 1 == path.size()) return false;
  *parent = path.substr(0, slash);
  *name = path.substr(slash + 1);
  return true;
}

// Deletes an empty plain folder through its own handle; a link or anything else at the path is left alone.
void RemoveEmptyFolder(const std::wstring& path) {
  UniqueHandle folder(::CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr));
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (folder && ::GetFileInformationByHandleEx(folder.get(), FileAttributeTagInfo, &tag, sizeof(tag)) &&
      (tag.FileAttributes & kDirectoryOrLink) == FILE_ATTRIBUTE_DIRECTORY) {
    MarkDeleteOnClose(folder.get());
  }
}

// Whether a new folder in `parent` gets, and keeps, the secure owner and DACL. On a file system that keeps no
// security the answer is no, and nothing may be moved aside there: the next run would only move the new folder.
bool FreshSecureFolderProvable(const std::wstring& parent, const std::wstring& name, const EngineHooks* hooks) {
  std::wstring token;
  if (!NextRandomToken(hooks, &token)) return false;
  const std::wstring probe = JoinPath(parent, name + L".probe-" + token);
  std::wstring ignored;
  UniqueHandle held;
  const bool proved = EnsureSecureFolder(probe, true, &ignored, &held);
  held.reset();
  RemoveEmptyFolder(probe);
  return proved;
}

bool RenameThroughHandle(HANDLE object, const std::wstring& destination) {
  // FILE_RENAME_INFO with its name inline; ReplaceIfExists stays FALSE.
  const std::size_t name_bytes = destination.size() * sizeof(wchar_t);
  std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFO) + name_bytes, 0);
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(name_bytes);
  std::memcpy(rename->FileName, destination.c_str(), name_bytes);
  return ::SetFileInformationByHandle(object, FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) != FALSE;
}

bool MoveAside(const std::wstring& path, bool prove_fresh_first, std::wstring* moved_to, bool* foreign,
               std::wstring* message, const EngineHooks* hooks) {
  moved_to->clear();
  *foreign = false;
  std::wstring parent;
  std::wstring name;
  if (!SplitParent(path, &parent, &name)) return false;

  // Backup semantics with these privileges open the object whatever its DACL says: a squatter's DACL may deny
  // Administrators everything.
  ScopedPrivilege backup(SE_BACKUP_NAME);
  ScopedPrivilege restore(SE_RESTORE_NAME);
  // The link itself, not its target; no delete sharing, so nobody else moves or deletes it meanwhile.
  UniqueHandle object(::CreateFileW(path.c_str(), DELETE | READ_CONTROL | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!object) return false;
  PSECURITY_DESCRIPTOR raw = nullptr;
  const DWORD read = ::GetSecurityInfo(object.get(), SE_FILE_OBJECT,
                                       OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                       nullptr, nullptr, &raw);
  UniqueSecurityDescriptor descriptor(raw);
  // Security that could not be read proves nothing: that stays a refusal.
  if (read != ERROR_SUCCESS || !descriptor || !DescriptorShowsForeignControl(descriptor.get())) return false;
  *foreign = true;
  descriptor.reset();
  if (prove_fresh_first && !FreshSecureFolderProvable(parent, name, hooks)) return false;

  DWORD error = ERROR_FILE_EXISTS;
  for (unsigned attempt = 0; attempt < kUniqueNameAttempts; ++attempt) {
    std::wstring token;
    if (!NextRandomToken(hooks, &token)) {
      error = ERROR_GEN_FAILURE;
      break;
    }
    const std::wstring destination = JoinPath(parent, name + L".moved-" + MakeTimestampName(hooks) + L"-" + token);
    if (RenameThroughHandle(object.get(), destination)) {
      *moved_to = destination;
      return true;
    }
    error = ::GetLastError();
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) break;
  }
  *message = L"Başka bir hesabın sahip olduğu veya yazabildiği çalışma klasörü kenara taşınamadı: " + path + L" — " +
             WindowsErrorText(error);
  return false;
}

}  // namespace

bool DescriptorShowsForeignControl(PSECURITY_DESCRIPTOR descriptor) {
  DescriptorFacts facts;
  ReadDescriptorFacts(descriptor, &facts);
  return ShowsForeignControl(facts);
}

bool MoveAsideForeignObject(const std::wstring& path, std::wstring* moved_to, bool* foreign, std::wstring* message,
                            const EngineHooks* hooks) {
  return MoveAside(path, false, moved_to, foreign, message, hooks);
}

bool EnsureWorkFolder(const std::wstring& path, std::wstring* message, UniqueHandle* folder, std::wstring* moved_to,
                      const EngineHooks* hooks) {
  moved_to->clear();
  if (EnsureSecureFolder(path, true, message, folder)) return true;
  bool foreign = false;
  std::wstring move_message;
  if (!MoveAside(path, true, moved_to, &foreign, &move_message, hooks)) {
    if (!move_message.empty()) *message = move_message;  // in someone else's hands and not movable
    return false;
  }
  // Once per call: a new refusal of the fresh folder is final.
  return EnsureSecureFolder(path, true, message, folder);
}

bool EnsureSecureFolder(const std::wstring& path, bool secure, std::wstring* message, UniqueHandle* folder) {
  UniqueSecurityDescriptor descriptor;
  if (secure && !BuildSecureDescriptor(true, &descriptor, message)) return false;

  bool created = false;
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
      *message = L"Klasör bilgisi okunamadı: " + path + L" — " + WindowsErrorText(error);
      return false;
    }
    SECURITY_ATTRIBUTES security{sizeof(security), descriptor.get(), FALSE};
    BOOL made;
    DWORD create_error;
    {
      // The descriptor names Administrators as owner.
      ScopedPrivilege restore(SE_RESTORE_NAME);
      made = ::CreateDirectoryW(path.c_str(), secure ? &security : nullptr);
      create_error = ::GetLastError();
    }
    if (made) {
      created = true;
    } else if (create_error != ERROR_ALREADY_EXISTS) {  // another process made it: proved like any existing one
      *message = L"Klasör oluşturulamadı: " + path + L" — " + WindowsErrorText(create_error);
      return false;
    }
    attributes = ::GetFileAttributesW(path.c_str());
  }
  descriptor.reset();

  if (!IsPlainDirectory(attributes)) {
    *message = L"Güvenli çalışma klasörü normal bir dizin değil: " + path;
    return false;
  }
  // Traverse access makes the handle take part in sharing checks: attribute and READ_CONTROL access alone do not,
  // and the folder could then be renamed or deleted while it is "held".
  const DWORD access = FILE_READ_ATTRIBUTES | FILE_TRAVERSE | (secure ? READ_CONTROL : 0);
  UniqueHandle handle(::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle) {
    *message = L"Çalışma klasörü güvenli tanıtıcıyla açılamadı: " + WindowsErrorText(::GetLastError());
    return false;
  }
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!::GetFileInformationByHandleEx(handle.get(), FileAttributeTagInfo, &tag, sizeof(tag)) ||
      (tag.FileAttributes & kDirectoryOrLink) != FILE_ATTRIBUTE_DIRECTORY || tag.ReparseTag != 0) {
    *message = L"Çalışma klasörü tanıtıcısı normal bir dizini göstermiyor.";
    return false;
  }
  if (secure) {
    std::wstring verification;
    if (!VerifySecureObject(handle.get(), true, &verification)) {
      *message = (created ? L"Yeni güvenli klasörün izinleri doğrulanamadı: "
                          : L"Önceden var olan çalışma klasörü güvenilir değil; değiştirilmeden reddedildi: ") +
                 verification;
      return false;
    }
  }
  if (folder != nullptr) *folder = std::move(handle);
  return true;
}

bool RemoveTree(const std::wstring& path) {
  if (!IsPlainDirectory(::GetFileAttributesW(path.c_str()))) return false;
  WIN32_FIND_DATAW entry;
  UniqueFindHandle find(::FindFirstFileW(JoinPath(path, L"*").c_str(), &entry));
  if (find) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = JoinPath(path, name);
      if ((entry.dwFileAttributes & kDirectoryOrLink) == FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        ::RemoveDirectoryW(child.c_str());  // a junction or directory link: the link goes, its target stays
      } else {
        ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(child.c_str());
      }
    } while (::FindNextFileW(find.get(), &entry));
  }
  find.reset();
  return ::RemoveDirectoryW(path.c_str()) != FALSE;
}

}  // namespace tavlun

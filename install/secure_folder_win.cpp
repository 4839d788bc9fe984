#include "install/secure_folder.h"

#include <windows.h>

#include "core/scoped_privilege.h"
#include "core/text.h"
#include "core/windows_error.h"
#include "install/secure_object.h"

namespace tavlun {
namespace {

constexpr DWORD kDirectoryOrLink = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;

bool IsPlainDirectory(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & kDirectoryOrLink) == FILE_ATTRIBUTE_DIRECTORY;
}

}  // namespace

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

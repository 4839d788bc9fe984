#include <windows.h>

#include <atomic>

#include "check/check_limits.h"
#include "check/directory_chain.h"
#include "check/path_safety.h"
#include "core/windows_error.h"

namespace tavlun {

bool ValidateLocalPathSyntax(const std::wstring& path, std::wstring* message) {
  if (!CheckLocalPathText(path, message)) return false;
  const std::wstring root = path.substr(0, 3);
  if (!IsAcceptedDriveType(::GetDriveTypeW(root.c_str()))) {
    if (message != nullptr) *message = kPathRemoteDrive;
    return false;
  }
  return true;
}

namespace {

std::atomic<std::uint64_t> g_components_opened{0};

// Opens one component of a chain (the full path up to it) and appends it to the list.
bool OpenChainComponent(const std::wstring& prefix, DirectoryHandleList* handles, std::wstring* message) {
  g_components_opened.fetch_add(1, std::memory_order_relaxed);
  // Traverse access as well: a handle with attribute access alone takes no part in sharing checks, so it would
  // not keep anyone from renaming or deleting the folder.
  UniqueHandle component(::CreateFileW(PathForOpening(prefix).c_str(), FILE_READ_ATTRIBUTES | FILE_TRAVERSE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!component) {
    const DWORD error = ::GetLastError();
    if (message != nullptr) *message = kPathComponentOpenFailed + WindowsErrorText(error);
    return false;
  }
  FILE_ATTRIBUTE_TAG_INFO info{};
  if (!::GetFileInformationByHandleEx(component.get(), FileAttributeTagInfo, &info, sizeof(info)) ||
      !IsPlainDirectory(info.FileAttributes, info.ReparseTag)) {
    if (message != nullptr) *message = kPathComponentNotPlainDirectory;
    return false;
  }
  handles->push_back(std::move(component));
  return true;
}

}  // namespace

bool PinDirectoryChain(const std::wstring& directory, DirectoryHandleList* handles, std::wstring* message) {
  if (!ValidateLocalPathSyntax(directory, message)) return false;
  std::wstring prefix = directory.substr(0, 3);
  std::size_t count = 0;
  std::size_t begin = 3;
  for (;;) {
    std::size_t end = directory.find(L'\\', begin);
    if (end == std::wstring::npos) end = directory.size();
    if (++count > kMaxPathComponents) {
      if (message != nullptr) *message = kPathTooManyComponents;
      return false;
    }
    if (prefix.back() != L'\\') prefix.push_back(L'\\');
    prefix.append(directory, begin, end - begin);
    if (!OpenChainComponent(prefix, handles, message)) return false;
    if (end == directory.size()) return true;
    begin = end + 1;
  }
}

bool PinChildDirectory(const std::wstring& child, DirectoryHandleList* handles, std::wstring* message) {
  // The parent passed every rule and its drive was accepted when it was pinned: the text rules of the longer path
  // are what is left to check.
  if (!CheckLocalPathText(child, message)) return false;
  if (handles->size() + 1 > kMaxPathComponents) {
    if (message != nullptr) *message = kPathTooManyComponents;
    return false;
  }
  return OpenChainComponent(child, handles, message);
}

std::uint64_t DirectoryComponentsOpened() { return g_components_opened.load(std::memory_order_relaxed); }

}  // namespace tavlun

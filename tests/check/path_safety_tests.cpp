#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "check/directory_chain.h"
#include "check/path_safety.h"
#include "core/text.h"
#include "core/windows_error.h"
#include "tests/support/test_support.h"

namespace tavlun {
namespace {

using testing_support::ScratchDir;

TEST(DriveTypes, OnlyLocalKindsAreAccepted) {
  EXPECT_FALSE(IsAcceptedDriveType(DRIVE_UNKNOWN));
  EXPECT_FALSE(IsAcceptedDriveType(DRIVE_NO_ROOT_DIR));
  EXPECT_FALSE(IsAcceptedDriveType(DRIVE_REMOTE));
  EXPECT_FALSE(IsAcceptedDriveType(7));
  EXPECT_TRUE(IsAcceptedDriveType(DRIVE_FIXED));
  EXPECT_TRUE(IsAcceptedDriveType(DRIVE_REMOVABLE));
  EXPECT_TRUE(IsAcceptedDriveType(DRIVE_CDROM));
  EXPECT_TRUE(IsAcceptedDriveType(DRIVE_RAMDISK));
}

TEST(DriveTypes, LiveDrivesAsWindowsReportsThem) {
  std::wstring message;
  EXPECT_TRUE(ValidateLocalPathSyntax(L"C:\\Windows", &message)) << testing_support::Utf8(message);

  // A letter that names no drive is refused by the drive type, not by the text rules.
  const DWORD drives = ::GetLogicalDrives();
  wchar_t unused = 0;
  for (wchar_t letter = L'Y'; letter >= L'D'; --letter) {
    if ((drives & (1u << (letter - L'A'))) == 0) {
      unused = letter;
      break;
    }
  }
  ASSERT_NE(unused, 0);
  const std::wstring missing_drive = std::wstring(1, unused) + L":\\Java";
  EXPECT_FALSE(ValidateLocalPathSyntax(missing_drive, &message));
  EXPECT_EQ(message, kPathRemoteDrive);

  bool saw_remote = false;
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    if ((drives & (1u << (letter - L'A'))) == 0) continue;
    const std::wstring root = std::wstring(1, letter) + L":\\";
    if (::GetDriveTypeW(root.c_str()) != DRIVE_REMOTE) continue;
    saw_remote = true;
    EXPECT_FALSE(ValidateLocalPathSyntax(root + L"x", &message));
    EXPECT_EQ(message, kPathRemoteDrive);
  }
  if (!saw_remote) GTEST_SKIP() << "no drive letter is mapped to a network share here (Wine has none)";
}

TEST(PlainDirectory, AttributeAndTagRules) {
  EXPECT_TRUE(IsPlainDirectory(FILE_ATTRIBUTE_DIRECTORY, 0));
  EXPECT_TRUE(IsPlainDirectory(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, 0));
  EXPECT_FALSE(IsPlainDirectory(FILE_ATTRIBUTE_NORMAL, 0));
  EXPECT_FALSE(IsPlainDirectory(FILE_ATTRIBUTE_ARCHIVE, 0));
  EXPECT_FALSE(IsPlainDirectory(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_MOUNT_POINT));
  EXPECT_FALSE(IsPlainDirectory(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 0));
  EXPECT_FALSE(IsPlainDirectory(FILE_ATTRIBUTE_DIRECTORY, IO_REPARSE_TAG_SYMLINK));
}

std::size_t ComponentCount(const std::wstring& path) {
  std::size_t count = 0;
  for (std::size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\') ++count;
  }
  return count;
}

TEST(PinDirectoryChain, HoldsOneHandlePerComponent) {
  ScratchDir scratch(L"tavlun-pin");
  const std::wstring java = scratch.Child(L"Java");
  const std::wstring home = JoinPath(java, L"jdk-17");
  ASSERT_TRUE(::CreateDirectoryW(java.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW(home.c_str(), nullptr));

  DirectoryHandleList handles;
  std::wstring message;
  ASSERT_TRUE(PinDirectoryChain(home, &handles, &message)) << testing_support::Utf8(message);
  EXPECT_EQ(handles.size(), ComponentCount(home));

}

// A handle that asks only for attribute access takes no part in sharing checks, so such a chain would not hold.
TEST(PinDirectoryChain, HeldChainCannotBeRenamed) {
  ScratchDir scratch(L"tavlun-pin");
  const std::wstring java = scratch.Child(L"Java");
  const std::wstring home = JoinPath(java, L"jdk-17");
  ASSERT_TRUE(::CreateDirectoryW(java.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW(home.c_str(), nullptr));
  DirectoryHandleList handles;
  std::wstring message;
  ASSERT_TRUE(PinDirectoryChain(home, &handles, &message)) << testing_support::Utf8(message);
  EXPECT_FALSE(::MoveFileW(home.c_str(), scratch.Child(L"moved").c_str()));
  EXPECT_FALSE(::MoveFileW(java.c_str(), scratch.Child(L"moved").c_str()));
  handles.clear();
  EXPECT_TRUE(::MoveFileW(home.c_str(), scratch.Child(L"moved").c_str())) << "released with the handles";
}

TEST(PinDirectoryChain, SharesReadAndWriteButNeverDelete) {
  ScratchDir scratch(L"tavlun-pin");
  const std::wstring java = scratch.Child(L"Java");
  ASSERT_TRUE(::CreateDirectoryW(java.c_str(), nullptr));
  DirectoryHandleList handles;
  std::wstring message;
  {
    // Someone who may delete or rename the folder holds it: the chain is not pinned over that.
    UniqueHandle deleter(::CreateFileW(java.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(deleter);
    EXPECT_FALSE(PinDirectoryChain(java, &handles, &message));
    EXPECT_EQ(message, kPathComponentOpenFailed + WindowsErrorText(ERROR_SHARING_VIOLATION));
  }
  handles.clear();
  {
    // Reading and writing inside the folder goes on while it is pinned.
    UniqueHandle reader(::CreateFileW(java.c_str(), FILE_LIST_DIRECTORY | FILE_ADD_FILE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(reader);
    EXPECT_TRUE(PinDirectoryChain(java, &handles, &message)) << testing_support::Utf8(message);
  }
}

TEST(PinDirectoryChain, MissingComponentAndFileComponent) {
  ScratchDir scratch(L"tavlun-pin");
  const std::wstring file = scratch.Child(L"plain.txt");
  ASSERT_TRUE(testing_support::WriteBytes(file, "x", 1));

  DirectoryHandleList handles;
  std::wstring message;
  EXPECT_FALSE(PinDirectoryChain(JoinPath(scratch.Child(L"absent"), L"bin"), &handles, &message));
  EXPECT_EQ(message, kPathComponentOpenFailed + WindowsErrorText(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(handles.size(), ComponentCount(scratch.path())) << "the opened components stay for the caller";

  handles.clear();
  EXPECT_FALSE(PinDirectoryChain(file, &handles, &message));
  EXPECT_EQ(message, kPathComponentNotPlainDirectory);

  handles.clear();
  EXPECT_FALSE(PinDirectoryChain(scratch.path() + L"\\", &handles, &message));
  EXPECT_EQ(message, kPathBadComponent);
  EXPECT_TRUE(handles.empty());
}

TEST(PinDirectoryChain, ReparsePointInTheChain) {
  ScratchDir scratch(L"tavlun-pin");
  const std::wstring target = scratch.Child(L"target");
  const std::wstring link = scratch.Child(L"link");
  ASSERT_TRUE(::CreateDirectoryW(target.c_str(), nullptr));
  ::CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
  const DWORD attributes = ::GetFileAttributesW(link.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    GTEST_SKIP() << "no directory symbolic link could be created (Wine creates no reparse points); the attribute "
                    "rule is covered by PlainDirectory.AttributeAndTagRules";
  }
  DirectoryHandleList handles;
  std::wstring message;
  EXPECT_FALSE(PinDirectoryChain(JoinPath(link, L"bin"), &handles, &message));
  EXPECT_EQ(message, kPathComponentNotPlainDirectory);
}

// A chain of nested folders deeper than the component limit, removed again through extended-length paths.
class DeepChain {
 public:
  DeepChain(const std::wstring& base, std::size_t depth) {
    paths_.reserve(depth);
    std::wstring path = base;
    for (std::size_t i = 0; i < depth; ++i) {
      path += L"\\d";
      if (!::CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr)) break;
      paths_.push_back(path);
    }
  }
  ~DeepChain() {
    for (auto it = paths_.rbegin(); it != paths_.rend(); ++it) ::RemoveDirectoryW((L"\\\\?\\" + *it).c_str());
  }
  DeepChain(const DeepChain&) = delete;
  DeepChain& operator=(const DeepChain&) = delete;

  std::size_t depth() const { return paths_.size(); }
  const std::wstring& at_components(std::size_t components) const {
    return paths_[components - ComponentCount(paths_.front())];
  }

 private:
  std::vector<std::wstring> paths_;
};

TEST(PinDirectoryChain, AtMost256ComponentsOnARealChain) {
  ScratchDir scratch(L"tavlun-deep");
  DeepChain chain(scratch.path(), 257);
  ASSERT_EQ(chain.depth(), 257u);

  const std::wstring& deepest_allowed = chain.at_components(256);
  ASSERT_EQ(ComponentCount(deepest_allowed), 256u);
  ASSERT_GT(deepest_allowed.size(), static_cast<std::size_t>(MAX_PATH));
  DirectoryHandleList handles;
  std::wstring message;
  EXPECT_TRUE(PinDirectoryChain(deepest_allowed, &handles, &message)) << testing_support::Utf8(message);
  EXPECT_EQ(handles.size(), 256u);

  handles.clear();
  const std::wstring& one_too_deep = chain.at_components(257);
  EXPECT_FALSE(PinDirectoryChain(one_too_deep, &handles, &message));
  EXPECT_EQ(message, kPathTooManyComponents);
  EXPECT_EQ(handles.size(), 256u) << "refused when the 257th component is counted, before it is opened";
}

TEST(PinDirectoryChain, NativeSystemFolderAliasUnderWow64) {
  BOOL wow64 = FALSE;
  ASSERT_TRUE(::IsWow64Process(::GetCurrentProcess(), &wow64));
  if (!wow64) GTEST_SKIP() << "this Windows is 32-bit: there is no Sysnative alias";
  wchar_t windows[MAX_PATH + 1] = {};
  const UINT length = ::GetWindowsDirectoryW(windows, MAX_PATH + 1);
  ASSERT_GT(length, 0u);
  const std::wstring sysnative = JoinPath(std::wstring(windows, length), L"Sysnative");
  DirectoryHandleList handles;
  std::wstring message;
  EXPECT_TRUE(PinDirectoryChain(sysnative, &handles, &message)) << testing_support::Utf8(message);
  EXPECT_EQ(handles.size(), ComponentCount(sysnative));
}

}  // namespace
}  // namespace tavlun

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/unique_handle.h"
#include "core/windows_error.h"
#include "integrity/payload.h"
#include "integrity/sha256.h"
#include "resources/resource_ids.h"
#include "tests/support/test_support.h"

namespace tavlun {
namespace {

using testing_support::EmbeddedPayload;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

constexpr wchar_t kEmptyDigest[] = L"E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855";
constexpr wchar_t kUntouched[] = L"untouched";

UniqueHandle OpenForReading(const std::wstring& path, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
  return UniqueHandle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, flags, nullptr));
}

std::vector<std::uint8_t> Pattern(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  std::uint32_t x = 0x12345678;
  for (auto& b : bytes) {
    x = x * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(x >> 24);
  }
  return bytes;
}

TEST(Sha256Memory, KnownVectorsAndEmptyBlock) {
  std::wstring digest;
  std::wstring message;
  ASSERT_TRUE(Sha256Memory("abc", 3, &digest, &message)) << testing_support::Utf8(message);
  EXPECT_EQ(digest, L"BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
  ASSERT_TRUE(Sha256Memory("", 0, &digest, &message));
  EXPECT_EQ(digest, kEmptyDigest);
}

TEST(Sha256FilePath, EmptyFileHashesToDigestOfNoData) {
  ScratchDir dir;
  const std::wstring path = dir.Child(L"empty.bin");
  ASSERT_TRUE(WriteBytes(path, nullptr, 0));
  std::wstring digest;
  std::wstring message;
  std::uint32_t error = 77;
  ASSERT_TRUE(Sha256FilePath(path, &digest, &message, &error)) << testing_support::Utf8(message);
  EXPECT_EQ(digest, kEmptyDigest);
  EXPECT_EQ(error, 77u) << "success stores no error";
}

TEST(Sha256FilePath, FileAcrossManyBlocksMatchesMemoryDigest) {
  ScratchDir dir;
  // Two full 64 KiB blocks and a partial one.
  const std::vector<std::uint8_t> bytes = Pattern(2 * 65536 + 1234);
  const std::wstring path = dir.Child(L"pattern.bin");
  ASSERT_TRUE(WriteBytes(path, bytes));
  std::wstring from_file;
  std::wstring from_memory;
  std::wstring message;
  ASSERT_TRUE(Sha256FilePath(path, &from_file, &message)) << testing_support::Utf8(message);
  ASSERT_TRUE(Sha256Memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &from_memory, &message));
  EXPECT_EQ(from_file, from_memory);
  EXPECT_EQ(from_file.size(), 64u);
}

TEST(Sha256FilePath, EmbeddedBuildsHashToTheirDescriptorDigests) {
  for (const PayloadDescriptor* build : {&PayloadBuild32(), &PayloadBuild64()}) {
    const std::vector<std::uint8_t> bytes = EmbeddedPayload(build->resource_id);
    ASSERT_EQ(bytes.size(), build->size);
    std::wstring digest;
    std::wstring message;
    ASSERT_TRUE(Sha256Memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &digest, &message));
    EXPECT_EQ(digest, build->expected_sha256);
  }
}

TEST(Sha256FilePath, MissingFileStoresErrorTwo) {
  ScratchDir dir;
  std::wstring digest = kUntouched;
  std::wstring message;
  std::uint32_t error = 0;
  EXPECT_FALSE(Sha256FilePath(dir.Child(L"absent.dll"), &digest, &message, &error));
  EXPECT_EQ(error, 2u);
  EXPECT_EQ(message, L"Dosya okunamadı: " + WindowsErrorText(2));
  EXPECT_EQ(digest, kUntouched);
}

TEST(Sha256FilePath, HardLinkedFileIsRefused) {
  ScratchDir dir;
  const std::wstring path = dir.Child(L"linked.dll");
  const std::wstring second = dir.Child(L"second-name.dll");
  ASSERT_TRUE(WriteBytes(path, "data", 4));
  ASSERT_TRUE(::CreateHardLinkW(second.c_str(), path.c_str(), nullptr));
  std::wstring digest = kUntouched;
  std::wstring message;
  std::uint32_t error = 0;
  EXPECT_FALSE(Sha256FilePath(path, &digest, &message, &error));
  EXPECT_EQ(error, kErrorNotRegularSingleLinkFile);
  EXPECT_EQ(message, L"Dosyanın birden fazla sabit bağlantısı var; güvenlik için işlem durduruldu.");
  EXPECT_EQ(digest, kUntouched);

  // With the second name gone the same file is accepted again.
  ASSERT_TRUE(::DeleteFileW(second.c_str()));
  EXPECT_TRUE(Sha256FilePath(path, &digest, &message, &error));
}

TEST(Sha256FilePath, DirectoryIsRefused) {
  ScratchDir dir;
  const std::wstring folder = dir.Child(L"akisp11.dll");
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  std::wstring digest = kUntouched;
  std::wstring message;
  std::uint32_t error = 0;
  EXPECT_FALSE(Sha256FilePath(folder, &digest, &message, &error));
  EXPECT_EQ(digest, kUntouched);
  // Without backup semantics Windows refuses to open a directory for reading (5); should a system open it all
  // the same, the kind check refuses it (4393).
  if (error == kErrorNotRegularSingleLinkFile) {
    EXPECT_EQ(message, L"Açılan nesne normal bir dosya değil; güvenlik için işlem durduruldu.");
  } else {
    EXPECT_EQ(error, 5u);
    EXPECT_EQ(message, L"Dosya okunamadı: " + WindowsErrorText(5));
  }
}

TEST(CheckRegularSingleLinkFile, DirectoryHandleIsNotARegularFile) {
  ScratchDir dir;
  UniqueHandle folder = OpenForReading(dir.path(), FILE_FLAG_BACKUP_SEMANTICS);
  ASSERT_TRUE(folder);
  FileIdentity identity;
  std::wstring message;
  EXPECT_FALSE(CheckRegularSingleLinkFile(folder.get(), &identity, &message));
  EXPECT_EQ(message, L"Açılan nesne normal bir dosya değil; güvenlik için işlem durduruldu.");
  EXPECT_FALSE(identity.valid);
}

TEST(CheckRegularSingleLinkFile, KindTestRefusesReparsePointsAndDirectories) {
  // Wine cannot produce reparse points; the decision is checked on the facts it reads.
  EXPECT_TRUE(IsPlainFileKind(FILE_ATTRIBUTE_NORMAL, 0));
  EXPECT_TRUE(IsPlainFileKind(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, 0));
  EXPECT_FALSE(IsPlainFileKind(FILE_ATTRIBUTE_REPARSE_POINT, 0));
  EXPECT_FALSE(IsPlainFileKind(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_SYMLINK));
  EXPECT_FALSE(IsPlainFileKind(FILE_ATTRIBUTE_DIRECTORY, 0));
  EXPECT_FALSE(IsPlainFileKind(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_MOUNT_POINT));
  EXPECT_FALSE(IsPlainFileKind(FILE_ATTRIBUTE_NORMAL, IO_REPARSE_TAG_SYMLINK)) << "a tag alone is enough";
}

TEST(Sha256FilePath, SymbolicLinkToValidFileIsRefused) {
  ScratchDir dir;
  const std::wstring target = dir.Child(L"real.dll");
  const std::wstring link = dir.Child(L"akisp11.dll");
  ASSERT_TRUE(WriteBytes(target, "data", 4));
  constexpr DWORD kAllowUnprivileged = 0x2;
  if (!::CreateSymbolicLinkW(link.c_str(), target.c_str(), kAllowUnprivileged)) {
    GTEST_SKIP() << "creating a symbolic link needs a privilege this account lacks";
  }
  const DWORD attributes = ::GetFileAttributesW(link.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    GTEST_SKIP() << "Wine reports CreateSymbolicLinkW success but creates no reparse point; the kind test is "
                    "covered by KindTestRefusesReparsePointsAndDirectories";
  }
  std::wstring digest = kUntouched;
  std::wstring message;
  std::uint32_t error = 0;
  EXPECT_FALSE(Sha256FilePath(link, &digest, &message, &error));
  EXPECT_EQ(error, kErrorNotRegularSingleLinkFile);
  EXPECT_EQ(message, L"Açılan nesne normal bir dosya değil; güvenlik için işlem durduruldu.");
  EXPECT_EQ(digest, kUntouched);
}

TEST(Sha256OpenFile, HashesFromTheStartWhateverThePosition) {
  ScratchDir dir;
  const std::vector<std::uint8_t> bytes = Pattern(100000);
  const std::wstring path = dir.Child(L"moved.bin");
  ASSERT_TRUE(WriteBytes(path, bytes));
  UniqueHandle file = OpenForReading(path);
  ASSERT_TRUE(file);
  LARGE_INTEGER middle;
  middle.QuadPart = 5000;
  ASSERT_TRUE(::SetFilePointerEx(file.get(), middle, nullptr, FILE_BEGIN));
  std::wstring from_handle;
  std::wstring from_memory;
  std::wstring message;
  ASSERT_TRUE(Sha256OpenFile(file.get(), &from_handle, &message));
  ASSERT_TRUE(Sha256Memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &from_memory, &message));
  EXPECT_EQ(from_handle, from_memory);
}

TEST(Sha256OpenFile, UnreadableHandleStoresTheReadError) {
  ScratchDir dir;
  const std::wstring path = dir.Child(L"write-only.bin");
  ASSERT_TRUE(WriteBytes(path, "data", 4));
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  std::wstring digest = kUntouched;
  std::wstring message;
  std::uint32_t error = 0;
  EXPECT_FALSE(Sha256OpenFile(file.get(), &digest, &message, &error));
  EXPECT_NE(error, 0u);
  EXPECT_EQ(message, L"Dosya okunurken hata oluştu: " + WindowsErrorText(error));
  EXPECT_EQ(digest, kUntouched);
}

TEST(FileIdentity, SameFileThroughTwoHandlesOnlyWhenFilled) {
  ScratchDir dir;
  const std::wstring a = dir.Child(L"a.bin");
  const std::wstring b = dir.Child(L"b.bin");
  ASSERT_TRUE(WriteBytes(a, "a", 1));
  ASSERT_TRUE(WriteBytes(b, "b", 1));
  UniqueHandle first = OpenForReading(a);
  UniqueHandle second = OpenForReading(a);
  UniqueHandle other = OpenForReading(b);
  FileIdentity id_first;
  FileIdentity id_second;
  FileIdentity id_other;
  std::wstring message;
  ASSERT_TRUE(CheckRegularSingleLinkFile(first.get(), &id_first, &message));
  ASSERT_TRUE(CheckRegularSingleLinkFile(second.get(), &id_second, &message));
  ASSERT_TRUE(CheckRegularSingleLinkFile(other.get(), &id_other, &message));
  EXPECT_TRUE(id_first.valid);
  EXPECT_TRUE(SameFileIdentity(id_first, id_second));
  EXPECT_FALSE(SameFileIdentity(id_first, id_other));

  const FileIdentity empty;
  EXPECT_FALSE(SameFileIdentity(empty, empty)) << "an identity never filled equals nothing, not even itself";
  FileIdentity unfilled_copy = id_first;
  unfilled_copy.valid = false;
  EXPECT_FALSE(SameFileIdentity(unfilled_copy, id_first));
  EXPECT_FALSE(SameFileIdentity(id_first, unfilled_copy));
}

}  // namespace
}  // namespace tavlun

// Backup copies and rollback copies: the source is never changed, the destination is new or not there at all.
#include <gtest/gtest.h>

#include "install/backup_copy.h"
#include "install/engine_names.h"
#include "tests/install/install_test_support.h"

namespace tavlun {
namespace {

using namespace install_testing;

// A file of the given size holding zeros and a marker in its last bytes (made sparse where the disk allows).
bool MakeSizedFile(const std::wstring& path, std::uint64_t size) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
  if (!file) return false;
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(size - 4);
  DWORD written = 0;
  return ::SetFilePointerEx(file.get(), position, nullptr, FILE_BEGIN) &&
         ::WriteFile(file.get(), "END!", 4, &written, nullptr) && written == 4;
}

class CopyToNewFileTest : public ::testing::Test {
 protected:
  std::wstring Copy(const std::wstring& source, const std::wstring& destination, bool expect_ok) {
    std::wstring message;
    error_ = 0;
    const bool copied = CopyToNewFile(source, destination, false, &message, &error_);
    EXPECT_EQ(copied, expect_ok) << Utf8(message);
    return copied ? std::wstring() : message;
  }
  ScratchDir scratch_;
  std::uint32_t error_ = 0;
};

TEST_F(CopyToNewFileTest, CopiesBytesIntoANewFile) {
  const std::wstring source = scratch_.Child(L"akisp11.dll");
  const std::vector<std::uint8_t> bytes = BuildBytes(PayloadKind::Build64);
  ASSERT_TRUE(WriteBytes(source, bytes));
  const std::wstring destination = scratch_.Child(L"backup.dll");
  FileIdentity identity;
  std::wstring message;
  ASSERT_TRUE(CopyToNewFile(source, destination, false, &message, &error_, &identity)) << Utf8(message);
  EXPECT_EQ(ReadBytes(destination), bytes);
  EXPECT_TRUE(SameFileIdentity(identity, FactsOf(destination).identity));
  EXPECT_EQ(ReadBytes(source), bytes);
}

TEST_F(CopyToNewFileTest, EmptySourceGivesEmptyCopy) {
  const std::wstring source = scratch_.Child(L"empty.dll");
  ASSERT_TRUE(WriteBytes(source, std::vector<std::uint8_t>()));
  Copy(source, scratch_.Child(L"copy.dll"), true);
  EXPECT_TRUE(Exists(scratch_.Child(L"copy.dll")));
  EXPECT_TRUE(ReadBytes(scratch_.Child(L"copy.dll")).empty());
}

TEST_F(CopyToNewFileTest, SourceHeldOpenForWritingCannotBeOpened) {
  const std::wstring source = scratch_.Child(L"busy.dll");
  ASSERT_TRUE(WriteBytes(source, Bytes("in use")));
  UniqueHandle writer(::CreateFileW(source.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(writer);
  EXPECT_EQ(Copy(source, scratch_.Child(L"copy.dll"), false),
            L"Kaynak dosya açılamadı: " + WindowsErrorText(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(error_, static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(Exists(scratch_.Child(L"copy.dll")));
}

TEST_F(CopyToNewFileTest, MissingSourceStoresItsCode) {
  EXPECT_EQ(Copy(scratch_.Child(L"none.dll"), scratch_.Child(L"copy.dll"), false),
            L"Kaynak dosya açılamadı: " + WindowsErrorText(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(error_, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
}

TEST_F(CopyToNewFileTest, SecondHardLinkIsRefused) {
  const std::wstring source = scratch_.Child(L"linked.dll");
  ASSERT_TRUE(WriteBytes(source, Bytes("linked")));
  ASSERT_TRUE(::CreateHardLinkW(scratch_.Child(L"other-name.dll").c_str(), source.c_str(), nullptr));
  EXPECT_EQ(Copy(source, scratch_.Child(L"copy.dll"), false),
            L"Dosyanın birden fazla sabit bağlantısı var; güvenlik için işlem durduruldu.");
  EXPECT_EQ(error_, 4393u);
  EXPECT_FALSE(Exists(scratch_.Child(L"copy.dll")));
}

TEST_F(CopyToNewFileTest, SixtyFourMebibytesIsTheLimit) {
  const std::wstring exact = scratch_.Child(L"exact.dll");
  ASSERT_TRUE(MakeSizedFile(exact, kBackupSizeLimit));
  const std::wstring copy = scratch_.Child(L"exact-copy.dll");
  Copy(exact, copy, true);
  EXPECT_EQ(DigestOfFile(copy), DigestOfFile(exact));
  ::DeleteFileW(copy.c_str());
  ::DeleteFileW(exact.c_str());

  const std::wstring over = scratch_.Child(L"over.dll");
  ASSERT_TRUE(MakeSizedFile(over, kBackupSizeLimit + 1));
  EXPECT_EQ(Copy(over, scratch_.Child(L"over-copy.dll"), false), L"Yedeklenecek dosya boyutu güvenli sınırın dışında.");
  EXPECT_EQ(error_, 223u);
  EXPECT_FALSE(Exists(scratch_.Child(L"over-copy.dll")));
}

TEST_F(CopyToNewFileTest, ExistingDestinationIsNeverOverwritten) {
  const std::wstring source = scratch_.Child(L"akisp11.dll");
  ASSERT_TRUE(WriteBytes(source, Bytes("new content")));
  const std::wstring destination = scratch_.Child(L"backup.dll");
  ASSERT_TRUE(WriteBytes(destination, Bytes("older backup")));
  EXPECT_EQ(Copy(source, destination, false), L"Hedef dosya oluşturulamadı: " + WindowsErrorText(ERROR_FILE_EXISTS));
  EXPECT_EQ(error_, static_cast<std::uint32_t>(ERROR_FILE_EXISTS));
  EXPECT_EQ(ReadBytes(destination), Bytes("older backup"));

  // A hard link planted at the destination name is not written through either.
  const std::wstring victim = scratch_.Child(L"victim.dll");
  ASSERT_TRUE(WriteBytes(victim, Bytes("victim")));
  const std::wstring link = scratch_.Child(L"linked-backup.dll");
  ASSERT_TRUE(::CreateHardLinkW(link.c_str(), victim.c_str(), nullptr));
  Copy(source, link, false);
  EXPECT_EQ(ReadBytes(victim), Bytes("victim"));
}

TEST(CreateRollbackCopy, TakesTheNextNameAndStopsAfterTwenty) {
  ScratchDir scratch;
  const std::wstring source = scratch.Child(L"backup.dll");
  ASSERT_TRUE(WriteBytes(source, Bytes("backup content")));
  const std::wstring folder = scratch.Child(L"target");
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  EngineHooks hooks;
  hooks.tick_count = [] { return std::uint64_t{77}; };
  const auto pid = static_cast<std::uint32_t>(::GetCurrentProcessId());
  auto name = [&](unsigned attempt) { return JoinPath(folder, RollbackCopyName(pid, 77, attempt)); };

  ASSERT_TRUE(WriteBytes(name(0), Bytes("planted")));
  std::wstring copy;
  std::wstring message;
  std::uint32_t error = 0;
  ASSERT_TRUE(CreateRollbackCopy(folder, source, &copy, &message, &error, nullptr, &hooks)) << Utf8(message);
  EXPECT_EQ(copy, name(1));
  EXPECT_EQ(ReadBytes(copy), Bytes("backup content"));
  EXPECT_EQ(ReadBytes(name(0)), Bytes("planted"));

  for (unsigned attempt = 2; attempt < 20; ++attempt) ASSERT_TRUE(WriteBytes(name(attempt), Bytes("planted")));
  EXPECT_FALSE(CreateRollbackCopy(folder, source, &copy, &message, &error, nullptr, &hooks));
  EXPECT_EQ(error, 80u);
  EXPECT_EQ(message, L"Benzersiz geri alma dosyası oluşturulamadı.");

  // Any other failure is the copy's own.
  EXPECT_FALSE(CreateRollbackCopy(folder, scratch.Child(L"none.dll"), &copy, &message, &error, nullptr, &hooks));
  EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(message, L"Kaynak dosya açılamadı: " + WindowsErrorText(ERROR_FILE_NOT_FOUND));
}

}  // namespace
}  // namespace tavlun

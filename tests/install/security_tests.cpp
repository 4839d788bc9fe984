// The ownership and DACL rules of the engine's folders, files and lock, fed with descriptors built from SDDL, and
// what the secure path does on real files of this platform.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <winioctl.h>

#include <cstring>

#include "core/scoped_privilege.h"
#include "install/backup_copy.h"
#include "install/install_lock.h"
#include "install/secure_folder.h"
#include "install/secure_object.h"
#include "install/transaction.h"
#include "tests/install/install_test_support.h"

namespace tavlun {
namespace {

using namespace install_testing;

std::wstring ObjectVerdict(const wchar_t* sddl, bool is_folder) {
  UniqueSecurityDescriptor descriptor = FromSddl(sddl);
  std::wstring message;
  return VerifySecureDescriptor(descriptor.get(), is_folder, &message) ? L"ok" : message;
}

std::wstring LockVerdict(const wchar_t* sddl) {
  UniqueSecurityDescriptor descriptor = FromSddl(sddl);
  std::wstring message;
  return VerifyInstallLockDescriptor(descriptor.get(), &message) ? L"ok" : message;
}

constexpr wchar_t kUnexpectedEntry[] = L"Güvenli nesnede beklenmeyen veya devralınmış bir izin kaydı var.";
constexpr wchar_t kExtraEntry[] = L"Güvenli nesnenin DACL'inde fazla, yazılabilir veya beklenmeyen bir izin var.";
constexpr wchar_t kNotThree[] = L"Güvenli nesnenin DACL'i beklenen üç izin kaydından oluşmuyor.";
constexpr wchar_t kOwner[] = L"Güvenli nesnenin sahibi Administrators veya SYSTEM değil.";
constexpr wchar_t kUnprotected[] = L"Güvenli nesnenin DACL'i korumalı değil veya eksik.";

TEST(SecureObjectRule, TheBuiltDescriptorsPassTheirOwnRule) {
  EXPECT_EQ(ObjectVerdict(kSecureFolderSddl, true), L"ok");
  EXPECT_EQ(ObjectVerdict(kSecureFileSddl, false), L"ok");
  UniqueSecurityDescriptor built;
  std::wstring message;
  ASSERT_TRUE(BuildSecureDescriptor(true, &built, &message));
  EXPECT_TRUE(VerifySecureDescriptor(built.get(), true, &message)) << Utf8(message);
  ASSERT_TRUE(BuildSecureDescriptor(false, &built, &message));
  EXPECT_TRUE(VerifySecureDescriptor(built.get(), false, &message)) << Utf8(message);
}

TEST(SecureObjectRule, EquivalentMasksAndSystemOwnerAreAccepted) {
  EXPECT_EQ(ObjectVerdict(L"O:SYG:SYD:P(A;;GA;;;SY)(A;;0x1f01ff;;;BA)(A;;0x1200a9;;;BU)", false), L"ok");
  // Entry order does not matter.
  EXPECT_EQ(ObjectVerdict(L"O:BAG:BAD:P(A;OICI;GRGX;;;BU)(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)", true), L"ok");
}

TEST(SecureObjectRule, FlagsMustMatchTheKindExactly) {
  EXPECT_EQ(ObjectVerdict(kSecureFolderSddl, false), kUnexpectedEntry);
  EXPECT_EQ(ObjectVerdict(kSecureFileSddl, true), kUnexpectedEntry);
  // The right three entries, but inherited (flags 0x13).
  EXPECT_EQ(ObjectVerdict(L"O:BAG:BAD:P(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;GRGX;;;BU)", true),
            kUnexpectedEntry);
  // A deny entry in place of an allow entry.
  EXPECT_EQ(ObjectVerdict(L"O:BAG:BAD:P(D;;FA;;;SY)(A;;FA;;;BA)(A;;GRGX;;;BU)", false), kUnexpectedEntry);
}

TEST(SecureObjectRule, AFourthEntryFailsTheCountBeforeAnyEntryIsRead) {
  EXPECT_EQ(ObjectVerdict(L"O:BAG:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;GRGX;;;BU)(D;;FA;;;WD)", false), kNotThree);
  // Even when the fourth entry would be refused for its flags.
  EXPECT_EQ(ObjectVerdict(L"O:BAG:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;GRGX;;;BU)(A;ID;FR;;;WD)", true),
            kNotThree);
  EXPECT_EQ(ObjectVerdict(L"O:BAG:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)", false), kNotThree);
}

TEST(SecureObjectRule, WritableUsersAndDuplicatesAreRefused) {
  EXPECT_EQ(ObjectVerdict(L"O:BAG:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;GRGWGX;;;BU)", false), kExtraEntry);
  EXPECT_EQ(ObjectVerdict(L"O:BAG:BAD:P(A;;FA;;;SY)(A;;FA;;;SY)(A;;GRGX;;;BU)", false), kExtraEntry);
  EXPECT_EQ(ObjectVerdict(L"O:BAG:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;GRGX;;;WD)", false), kExtraEntry);
  EXPECT_EQ(ObjectVerdict(L"O:BAG:BAD:P(A;;FA;;;SY)(A;;FR;;;BA)(A;;GRGX;;;BU)", false), kExtraEntry);
}

TEST(SecureObjectRule, OwnerAndProtectionComeFirst) {
  // A user as owner is refused even with the right DACL.
  EXPECT_EQ(ObjectVerdict(L"O:S-1-5-21-1004336348-1177238915-682003330-1001G:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;GRGX;;;BU)",
                          false),
            kOwner);
  EXPECT_EQ(ObjectVerdict(L"O:BUG:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;GRGX;;;BU)", false), kOwner);
  EXPECT_EQ(ObjectVerdict(L"G:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;GRGX;;;BU)", false), kOwner);
  EXPECT_EQ(ObjectVerdict(L"O:BAG:BAD:(A;;FA;;;SY)(A;;FA;;;BA)(A;;GRGX;;;BU)", false), kUnprotected);
  EXPECT_EQ(ObjectVerdict(L"O:BAG:BAD:NO_ACCESS_CONTROL", false), kUnprotected);
  EXPECT_EQ(ObjectVerdict(L"O:BAG:BA", false), kUnprotected);
}

TEST(InstallLockRule, OnlyTheFixedDescriptorPasses) {
  EXPECT_EQ(LockVerdict(kInstallLockSddl), L"ok");
  EXPECT_EQ(LockVerdict(L"O:SYG:SYD:P(A;;0x100001;;;AU)(A;;0x1f0001;;;BA)(A;;GA;;;SY)"), L"ok");

  const std::wstring untrusted = L"Kurulum kilidinin sahibi veya korumalı DACL'i güvenilir değil.";
  EXPECT_EQ(LockVerdict(L"O:BAG:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100001;;;AU)(A;;0x00100001;;;WD)"), untrusted);
  EXPECT_EQ(LockVerdict(L"O:BAG:BAD:(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100001;;;AU)"), untrusted);
  EXPECT_EQ(LockVerdict(L"O:AUG:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100001;;;AU)"), untrusted);

  const std::wstring extra = L"Kurulum kilidinde fazla veya beklenmeyen bir izin var.";
  EXPECT_EQ(LockVerdict(L"O:BAG:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;GA;;;AU)"), extra);
  EXPECT_EQ(LockVerdict(L"O:BAG:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100001;;;BU)"), extra);
  EXPECT_EQ(LockVerdict(L"O:BAG:BAD:P(A;;GA;;;SY)(A;;GA;;;SY)(A;;0x00100001;;;AU)"), extra);

  const std::wstring unexpected = L"Kurulum kilidinde beklenmeyen bir izin kaydı var.";
  EXPECT_EQ(LockVerdict(L"O:BAG:BAD:P(A;CI;GA;;;SY)(A;;GA;;;BA)(A;;0x00100001;;;AU)"), unexpected);
  EXPECT_EQ(LockVerdict(L"O:BAG:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)(D;;0x00100001;;;AU)"), unexpected);
}

TEST(InheritedFileRule, OnlyInheritedEntriesUnderAdministratorsPass) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"O:BAG:SYD:AI(A;ID;FA;;;SY)(A;ID;FA;;;BA)(A;ID;0x1200a9;;;BU)", L"ok"},
      {L"O:SYD:AI(A;ID;FA;;;SY)", L"Kurulan dosyanın sahibi Administrators değil."},
      {L"O:BAD:PAI(A;ID;FA;;;SY)", L"Kurulan dosyanın DACL'i hedef klasörden devralınmıyor."},
      {L"O:BAD:", L"Kurulan dosyanın DACL'i hedef klasörden devralınmıyor."},
      // An explicit entry that lets anyone write.
      {L"O:BAD:AI(A;;FA;;;WD)(A;ID;FA;;;SY)", L"Kurulan dosyada hedef klasörden devralınmamış bir izin kaydı var."},
  };
  for (const auto& [sddl, verdict] : cases) {
    UniqueSecurityDescriptor descriptor = FromSddl(sddl);
    std::wstring message;
    EXPECT_EQ(VerifyInheritedFileDescriptor(descriptor.get(), &message) ? L"ok" : message, verdict) << Utf8(sddl);
  }
}

TEST(MapGenericAccess, ReplacesGenericBitsOnly) {
  EXPECT_EQ(MapGenericAccess(GENERIC_READ | GENERIC_EXECUTE, kFileGenericMapping), 0x1200A9u);
  EXPECT_EQ(MapGenericAccess(GENERIC_ALL, kMutexGenericMapping), 0x1F0001u);
  EXPECT_EQ(MapGenericAccess(0x00100001, kMutexGenericMapping), 0x100001u);
  EXPECT_EQ(MapGenericAccess(GENERIC_WRITE | SYNCHRONIZE, kFileGenericMapping), 0x120116u);
}

class SecurePathOnRealFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    bool could_create = false;
    keeps_security_ = PlatformKeepsFileSecurity(scratch_.path(), &could_create);
    if (!could_create) GTEST_SKIP() << "creating a folder owned by Administrators needs administrator rights";
  }
  ScratchDir scratch_;
  bool keeps_security_ = false;
};

TEST_F(SecurePathOnRealFiles, NewAndExistingWorkFolders) {
  const std::wstring folder = scratch_.Child(L"work");
  std::wstring message;
  UniqueHandle handle;
  const bool created_ok = EnsureSecureFolder(folder, true, &message, &handle);
  ASSERT_TRUE(Exists(folder));
  if (keeps_security_) {
    EXPECT_TRUE(created_ok) << Utf8(message);
    EXPECT_TRUE(handle);
    handle.reset();
    EXPECT_TRUE(EnsureSecureFolder(folder, true, &message, &handle)) << Utf8(message);
  } else {
    EXPECT_FALSE(created_ok);
    EXPECT_EQ(message, std::wstring(L"Yeni güvenli klasörün izinleri doğrulanamadı: ") + kOwner);
    EXPECT_FALSE(handle);
    EXPECT_FALSE(EnsureSecureFolder(folder, true, &message, &handle));
    EXPECT_EQ(message,
              std::wstring(L"Önceden var olan çalışma klasörü güvenilir değil; değiştirilmeden reddedildi: ") + kOwner);
  }
  // An ordinary folder made without the descriptor is refused and left as it is.
  const std::wstring plain = scratch_.Child(L"plain");
  ASSERT_TRUE(::CreateDirectoryW(plain.c_str(), nullptr));
  EXPECT_FALSE(EnsureSecureFolder(plain, true, &message));
  EXPECT_TRUE(StartsWith(message, L"Önceden var olan çalışma klasörü güvenilir değil; değiştirilmeden reddedildi: "))
      << Utf8(message);
  EXPECT_TRUE(Exists(plain));
}

TEST_F(SecurePathOnRealFiles, SecureBackupCopyIsVerifiedOrRemoved) {
  const std::wstring source = scratch_.Child(L"source.dll");
  const std::wstring destination = scratch_.Child(L"backup.dll");
  ASSERT_TRUE(WriteBytes(source, Bytes("old module")));
  std::wstring message;
  std::uint32_t error = 0;
  const bool copied = CopyToNewFile(source, destination, true, &message, &error);
  if (keeps_security_) {
    EXPECT_TRUE(copied) << Utf8(message);
    UniqueHandle file(::CreateFileW(destination.c_str(), READ_CONTROL, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
    EXPECT_TRUE(VerifySecureObject(file.get(), false, &message)) << Utf8(message);
  } else {
    EXPECT_FALSE(copied);
    EXPECT_EQ(error, 1338u);
    EXPECT_EQ(message, kOwner);
    EXPECT_FALSE(Exists(destination)) << "a destination that failed its verification must be deleted";
  }
  EXPECT_EQ(ReadBytes(source), Bytes("old module"));
}

TEST_F(SecurePathOnRealFiles, ApplySecureOwnershipEndsInTheVerification) {
  const std::wstring file = scratch_.Child(L"restored.dll");
  ASSERT_TRUE(WriteBytes(file, Bytes("restored")));
  std::wstring message;
  const bool applied = ApplySecureOwnership(file, &message);
  if (keeps_security_) {
    EXPECT_TRUE(applied) << Utf8(message);
  } else {
    EXPECT_FALSE(applied);
    EXPECT_EQ(message, kOwner);
  }
  EXPECT_EQ(ReadBytes(file), Bytes("restored"));
}

TEST_F(SecurePathOnRealFiles, InstalledFileTakesTheFolderProtectionNotTheOldFiles) {
  if (!keeps_security_) {
    GTEST_SKIP() << "Wine does not store file security descriptors; the rule is tested on SDDL descriptors "
                    "(InheritedFileRule)";
  }
  const TargetLocation target = ScratchTarget(scratch_.Child(L"System32"));
  const std::wstring backups = scratch_.Child(L"Backups");
  ASSERT_TRUE(::CreateDirectoryW(backups.c_str(), nullptr));
  {
    UniqueSecurityDescriptor anyone_writes = FromSddl(L"O:BAD:P(A;;FA;;;WD)");
    SECURITY_ATTRIBUTES security{sizeof(security), anyone_writes.get(), FALSE};
    UniqueHandle old_file(::CreateFileW(target.file_path.c_str(), GENERIC_WRITE, 0, &security, CREATE_NEW,
                                        FILE_ATTRIBUTE_READONLY, nullptr));
    ASSERT_TRUE(old_file);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(old_file.get(), "old", 3, &written, nullptr));
  }
  InstallOutcome outcome;
  InstallSingleDll(&outcome, target, LoadBuild(PayloadKind::Build32), backups, true);
  ASSERT_EQ(outcome.outcome, kOutcomeInstalled) << Utf8(outcome.message);
  UniqueHandle installed(::CreateFileW(target.file_path.c_str(), READ_CONTROL, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
  PSECURITY_DESCRIPTOR raw = nullptr;
  ASSERT_EQ(::GetSecurityInfo(installed.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, nullptr, nullptr, &raw),
            static_cast<DWORD>(ERROR_SUCCESS));
  UniqueSecurityDescriptor descriptor(raw);
  std::wstring message;
  EXPECT_TRUE(VerifyInheritedFileDescriptor(descriptor.get(), &message)) << Utf8(message);
}

TEST(ApplySecureOwnership, RefusesPathsThatAreNotThere) {
  ScratchDir scratch;
  std::wstring message;
  EXPECT_FALSE(ApplySecureOwnership(scratch.Child(L"missing.dll"), &message));
  EXPECT_EQ(message, L"Güvenliği ayarlanacak yol normal bir dosya veya dizin değil.");
}

TEST(ApplySecureOwnership, RefusesALinkBeforeOpeningIt) {
  ScratchDir scratch;
  const std::wstring target = scratch.Child(L"real.dll");
  const std::wstring link = scratch.Child(L"link.dll");
  ASSERT_TRUE(WriteBytes(target, Bytes("real")));
  if (!::CreateSymbolicLinkW(link.c_str(), target.c_str(), 0)) {
    GTEST_SKIP() << "creating a symbolic link needs a privilege this account lacks";
  }
  const DWORD attributes = ::GetFileAttributesW(link.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    GTEST_SKIP() << "Wine reports CreateSymbolicLinkW success but creates no reparse point";
  }
  std::wstring message;
  EXPECT_FALSE(ApplySecureOwnership(link, &message));
  EXPECT_EQ(message, L"Güvenliği ayarlanacak yol normal bir dosya veya dizin değil.");
}

TEST(ScopedPrivilege, EnablesForTheScopeAndPutsBackTheState) {
  auto restore_enabled = [] {
    UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return -1;
    LUID luid{};
    ::LookupPrivilegeValueW(nullptr, SE_RESTORE_NAME, &luid);
    PRIVILEGE_SET set{};
    set.PrivilegeCount = 1;
    set.Privilege[0].Luid = luid;
    BOOL held = FALSE;
    if (!::PrivilegeCheck(token.get(), &set, &held)) return -1;
    return held ? 1 : 0;
  };
  const int before = restore_enabled();
  ASSERT_NE(before, -1);
  {
    ScopedPrivilege privilege(SE_RESTORE_NAME);
    if (!privilege.enabled() && before == 0) GTEST_SKIP() << "this account does not hold SeRestorePrivilege";
    EXPECT_EQ(restore_enabled(), 1);
  }
  EXPECT_EQ(restore_enabled(), before);

  ScopedPrivilege unknown(L"SeNoSuchPrivilege");
  EXPECT_FALSE(unknown.enabled());
}

TEST(EnsureSecureFolder, OrdinaryFolderIsMadeAndPinned) {
  ScratchDir scratch;
  const std::wstring folder = scratch.Child(L"Backups");
  std::wstring message;
  UniqueHandle handle;
  ASSERT_TRUE(EnsureSecureFolder(folder, false, &message, &handle)) << Utf8(message);
  ASSERT_TRUE(handle);
  // Existing folders are accepted too, and the slot's old handle is replaced.
  ASSERT_TRUE(EnsureSecureFolder(folder, false, &message, &handle)) << Utf8(message);
  EXPECT_TRUE(handle);
  // No delete sharing: the held folder cannot be opened for deletion.
  UniqueHandle deleter(::CreateFileW(folder.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  const DWORD error = ::GetLastError();
  EXPECT_FALSE(deleter);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  deleter.reset();
  // Nor renamed away.
  EXPECT_FALSE(::MoveFileExW(folder.c_str(), scratch.Child(L"Moved").c_str(), 0));
  handle.reset();
  EXPECT_TRUE(::RemoveDirectoryW(folder.c_str()));
}

TEST(EnsureSecureFolder, RefusesAFileAndReportsAMissingParent) {
  ScratchDir scratch;
  const std::wstring file = scratch.Child(L"Logs");
  ASSERT_TRUE(WriteBytes(file, Bytes("not a folder")));
  std::wstring message;
  EXPECT_FALSE(EnsureSecureFolder(file, false, &message));
  EXPECT_EQ(message, L"Güvenli çalışma klasörü normal bir dizin değil: " + file);
  EXPECT_EQ(ReadBytes(file), Bytes("not a folder"));

  const std::wstring orphan = scratch.Child(L"missing\\child");
  EXPECT_FALSE(EnsureSecureFolder(orphan, false, &message));
  EXPECT_EQ(message, L"Klasör oluşturulamadı: " + orphan + L" — " + WindowsErrorText(ERROR_PATH_NOT_FOUND));
}

TEST(ForeignControlRule, OwnerOrWriterOtherThanAdministratorsAndSystem) {
  const std::pair<const wchar_t*, bool> cases[] = {
      {kSecureFolderSddl, false},
      {L"O:S-1-5-21-1004336348-1177238915-682003330-1001D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", true},
      {L"O:BUD:P(A;;FA;;;SY)", true},
      {L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;WD)", true},  // no owner, Everyone may change it
      // Inherited from ProgramData: Users may add files and subfolders.
      {L"O:BAD:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;0x1200a9;;;BU)(A;CIID;0x6;;;BU)", true},
      {L"O:SYD:P(A;;FA;;;SY)(A;;SD;;;AU)", true},
      {L"O:BAD:P(A;;FA;;;BA)(A;;WO;;;IU)", true},
      {L"O:BAD:P(A;;FA;;;BA)(A;;GW;;;S-1-5-21-1-2-3-1001)", true},
      // Not the secure descriptor, but nobody else may change it: the refusal stands.
      {L"O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FR;;;WD)", false},
      {L"O:BAD:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;GRGX;;;BU)", false},
      {L"O:BAD:P(A;OICIIO;FA;;;CO)(A;OICIIO;FA;;;BU)(A;;FA;;;BA)", false},
      {L"O:BAD:P(D;;FA;;;WD)(A;;FA;;;BA)", false},
      {L"O:SYD:NO_ACCESS_CONTROL", false},
      {L"D:NO_ACCESS_CONTROL", false},
  };
  for (const auto& [sddl, foreign] : cases) {
    UniqueSecurityDescriptor descriptor = FromSddl(sddl);
    EXPECT_EQ(DescriptorShowsForeignControl(descriptor.get()), foreign) << Utf8(sddl);
  }
}

// A directory junction made with FSCTL_SET_REPARSE_POINT, as any user can make one where they may create folders.
bool PlantJunction(const std::wstring& link, const std::wstring& target) {
  if (!::CreateDirectoryW(link.c_str(), nullptr)) return false;
  // A mount point's reparse data: tag, data length, reserved, then the substitute name ("\??\" + target, at 0)
  // and the print name after it, each with its NUL.
  const std::wstring names = L"\\??\\" + target + L'\0' + target + L'\0';
  const std::size_t bytes = names.size() * sizeof(wchar_t);
  const WORD substitute = static_cast<WORD>((target.size() + 4) * sizeof(wchar_t));
  const WORD fields[] = {static_cast<WORD>(8 + bytes), 0, 0, substitute, static_cast<WORD>(substitute + 2),
                         static_cast<WORD>(target.size() * sizeof(wchar_t))};
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  std::vector<std::uint8_t> buffer(16 + bytes);
  std::memcpy(&buffer[0], &tag, 4);
  std::memcpy(&buffer[4], fields, sizeof(fields));
  std::memcpy(&buffer[16], names.data(), bytes);
  UniqueHandle folder(::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  DWORD returned = 0;
  const bool made = folder && ::DeviceIoControl(folder.get(), FSCTL_SET_REPARSE_POINT, buffer.data(),
                                                static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr);
  folder.reset();
  if (!made) ::RemoveDirectoryW(link.c_str());
  return made;
}

// Folders, files and links planted where the work area belongs: each is moved itself, its contents stay unread.
TEST(MoveAsideForeignObject, MovesPlantedObjectsThemselves) {
  ScratchDir scratch;
  const std::wstring parent = scratch.Child(L"ProgramData");
  const std::wstring folder = JoinPath(parent, L"TavlunYardimcisi");
  ASSERT_TRUE(::CreateDirectoryW(parent.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(JoinPath(folder, L"planted.txt"), Bytes("kept")));
  ASSERT_TRUE(WriteBytes(JoinPath(parent, L"Logs"), Bytes("a file")));
  std::wstring moved_to;
  bool foreign = false;
  std::wstring message;
  // Made by this account with its folder's default DACL (Wine: owned by the user): in someone else's hands.
  std::vector<std::wstring> moved;
  for (const std::wstring& path : {folder, JoinPath(parent, L"Logs")}) {
    ASSERT_TRUE(MoveAsideForeignObject(path, &moved_to, &foreign, &message)) << Utf8(message);
    EXPECT_TRUE(foreign);
    EXPECT_TRUE(StartsWith(moved_to, path + L".moved-")) << Utf8(moved_to);
    EXPECT_FALSE(Exists(path));
    moved.push_back(moved_to);
  }
  EXPECT_EQ(ListFolder(parent).size(), 2u);
  EXPECT_EQ(ReadBytes(JoinPath(moved[0], L"planted.txt")), Bytes("kept"));
  EXPECT_EQ(ReadBytes(moved[1]), Bytes("a file"));
  EXPECT_FALSE(MoveAsideForeignObject(folder, &moved_to, &foreign, &message)) << "nothing there";
  EXPECT_FALSE(foreign);
}

TEST(MoveAsideForeignObject, MovesAPlantedJunctionNotItsTarget) {
  ScratchDir scratch;
  const std::wstring folder = scratch.Child(L"TavlunYardimcisi");
  std::wstring moved_to;
  bool foreign = false;
  std::wstring message;
  const std::wstring target = scratch.Child(L"target");
  ASSERT_TRUE(::CreateDirectoryW(target.c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(JoinPath(target, L"inside.txt"), Bytes("kept")));
  if (!PlantJunction(folder, target)) GTEST_SKIP() << "Wine makes no junctions (FSCTL_SET_REPARSE_POINT fails)";
  ASSERT_TRUE(MoveAsideForeignObject(folder, &moved_to, &foreign, &message)) << Utf8(message);
  EXPECT_EQ(::GetFileAttributesW(moved_to.c_str()) & 0x410u, 0x410u) << "the link itself was moved";
  EXPECT_EQ(ListFolder(target), std::vector<std::wstring>{L"inside.txt"});
  EXPECT_EQ(ReadBytes(JoinPath(target, L"inside.txt")), Bytes("kept"));
}

TEST(RemoveTree, RemovesNestedFilesButLeavesNonFolders) {
  ScratchDir scratch;
  const std::wstring top = scratch.Child(L"tree");
  ASSERT_TRUE(::CreateDirectoryW(top.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW(JoinPath(top, L"x64").c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(JoinPath(top, L"akisp11.dll"), Bytes("a")));
  const std::wstring read_only = JoinPath(top, L"x64\\akisp11.dll");
  ASSERT_TRUE(WriteBytes(read_only, Bytes("b")));
  ASSERT_TRUE(::SetFileAttributesW(read_only.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(RemoveTree(top));
  EXPECT_FALSE(Exists(top));

  const std::wstring file = scratch.Child(L"file");
  ASSERT_TRUE(WriteBytes(file, Bytes("kept")));
  EXPECT_FALSE(RemoveTree(file));
  EXPECT_EQ(ReadBytes(file), Bytes("kept"));
  EXPECT_FALSE(RemoveTree(scratch.Child(L"absent")));
}

}  // namespace
}  // namespace tavlun

// AssessDllState and CheckTargetFile on files planted in the prefix's real system folders. The folders are put
// back as they were by PlantedTargets, whatever the test does; the target area runs under a CTest resource lock.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "check/requirements.h"
#include "core/text.h"
#include "core/unique_handle.h"
#include "core/windows_error.h"
#include "resources/resource_ids.h"
#include "target/dll_state.h"
#include "target/targets.h"
#include "tests/support/planted_targets.h"
#include "tests/support/test_support.h"

namespace tavlun {
namespace {

using testing_support::EmbeddedPayload;
using testing_support::PlantedTargets;
using testing_support::TestDll;
using testing_support::ReadBytes;
using testing_support::Utf8;
using testing_support::WriteBytes;

constexpr std::size_t k32 = testing_support::kTarget32;
constexpr std::size_t k64 = testing_support::kTarget64;

class DllStateTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(planted_.ready()) << "the x64 targets could not be prepared"; }
  std::wstring BothTargetsText() const {
    return L"32-bit: " + planted_.Display(k32) + L"   |   64-bit: " + planted_.Display(k64);
  }
  PlantedTargets planted_;
};

TEST_F(DllStateTest, BothMissing) {
  const DllState state = AssessDllState();
  EXPECT_EQ(state.kind, DllStateKind::Missing);
  EXPECT_EQ(state.message,
            L"2 AKİS mimari dosyası doğru sistem dizininde bulunmuyor (32-bit ve 64-bit); kurulum eksik dosyaları "
            L"ekleyecek.");
  EXPECT_EQ(state.targets_text, BothTargetsText());
  EXPECT_TRUE(state.install_offered);
  EXPECT_FALSE(state.package_verified);
  EXPECT_FALSE(state.runtime_confirmed);
}

TEST_F(DllStateTest, IdenticalThirtyTwoBitAndNoSixtyFourBit) {
  ASSERT_TRUE(planted_.PlantEmbedded(k32));
  const DllState state = AssessDllState();
  EXPECT_EQ(state.kind, DllStateKind::Missing);
  EXPECT_EQ(state.message.rfind(L"1 AKİS mimari dosyası", 0), 0u) << Utf8(state.message);
  EXPECT_TRUE(state.install_offered);
  EXPECT_FALSE(state.package_verified);
}

TEST_F(DllStateTest, BothIdenticalMatchThePackage) {
  ASSERT_TRUE(planted_.PlantEmbedded(k32));
  ASSERT_TRUE(planted_.PlantEmbedded(k64));
  // The 64-bit file really lies in the native folder: the 32-bit view of System32 does not show it.
  wchar_t redirected[MAX_PATH];
  ASSERT_NE(::GetSystemDirectoryW(redirected, MAX_PATH), 0u);
  EXPECT_NE(ReadBytes(JoinPath(redirected, L"akisp11.dll")), EmbeddedPayload(IDR_AKISP11_64));

  const DllState state = AssessDllState();
  EXPECT_EQ(state.kind, DllStateKind::MatchesPackage) << Utf8(state.message);
  EXPECT_TRUE(state.package_verified);
  EXPECT_TRUE(state.runtime_confirmed);
  EXPECT_FALSE(state.install_offered);
  EXPECT_EQ(state.targets_text, BothTargetsText());
}

TEST_F(DllStateTest, OlderVersionIsReplaceable) {
  ASSERT_TRUE(planted_.PlantCopy(k32, TestDll(L"akis_x86_3.4.1.0.dll")));
  ASSERT_TRUE(planted_.PlantEmbedded(k64));
  const DllState state = AssessDllState();
  EXPECT_EQ(state.kind, DllStateKind::DifferentFile);
  EXPECT_EQ(state.message,
            L"1 hedefte (32-bit) paketle eşleşmeyen AKİS DLL bulundu. 32-bit hedefindeki dosya paket sürümünden eski veya "
            L"sürümü okunamıyor; önce yedeklenip değiştirilecek. 64-bit hedefindeki doğru dosya korunacak.");
  EXPECT_TRUE(state.install_offered);
  EXPECT_FALSE(state.package_verified);
}

TEST_F(DllStateTest, SameVersionOtherBytesIsKept) {
  ASSERT_TRUE(planted_.PlantEmbedded(k32));
  ASSERT_TRUE(planted_.PlantCopy(k64, TestDll(L"akis_x64_3.4.2.0.dll")));
  const DllState state = AssessDllState();
  EXPECT_EQ(state.kind, DllStateKind::SameOrNewerKept);
  // The same version is not called newer, and the damaged-copy case is named with what to do instead.
  EXPECT_EQ(state.message.rfind(L"Paket sürümüyle aynı veya daha yeni sürüm bildiren", 0), 0u) << Utf8(state.message);
  EXPECT_NE(state.message.find(L"64-bit hedefindeki dosya paketle aynı sürümü bildiriyor ancak içeriği farklı; bozuk "
                               L"veya değiştirilmiş bir kopya olabilir. Bu araç onu onarmaz"),
            std::wstring::npos);
  EXPECT_FALSE(state.install_offered);
  EXPECT_FALSE(state.package_verified);
}

TEST_F(DllStateTest, NewerVersionsAreKept) {
  ASSERT_TRUE(planted_.PlantCopy(k32, TestDll(L"akis_x86_3.4.2.0.dll")));
  for (const wchar_t* newer : {L"akis_x64_3.4.2.7.dll", L"akis_x64_3.5.0.0.dll"}) {
    ASSERT_TRUE(planted_.PlantCopy(k64, TestDll(newer)));
    const DllState state = AssessDllState();
    EXPECT_EQ(state.kind, DllStateKind::SameOrNewerKept) << Utf8(newer);
    EXPECT_FALSE(state.install_offered);
  }
}

TEST_F(DllStateTest, ThirtyTwoBitFileAtTheSixtyFourBitTargetIsReplaceable) {
  ASSERT_TRUE(planted_.PlantEmbedded(k32));
  // Even a newer version: a file for the wrong processor is backed up and replaced, and the message says so.
  for (const wchar_t* other : {L"akis_x86_3.4.2.0.dll", L"akis_x86_3.5.0.0.dll"}) {
    ASSERT_TRUE(planted_.PlantCopy(k64, TestDll(other)));
    const DllState state = AssessDllState();
    EXPECT_EQ(state.kind, DllStateKind::DifferentFile) << Utf8(other);
    EXPECT_TRUE(state.install_offered);
    EXPECT_EQ(state.message.find(L"Daha yeni sürümler değiştirilmez"), std::wstring::npos);
    EXPECT_NE(state.message.find(L"64-bit hedefindeki dosya başka bir işlemci türü için derlenmiş; bildirdiği sürüm ne "
                                 L"olursa olsun önce yedeklenip değiştirilecek."),
              std::wstring::npos)
        << Utf8(state.message);
  }
}

TEST_F(DllStateTest, FilesWithoutVersionOrOlderAreReplaceable) {
  ASSERT_TRUE(planted_.PlantCopy(k32, TestDll(L"akis_x86_noversion.dll")));
  ASSERT_TRUE(planted_.PlantCopy(k64, TestDll(L"akis_x64_noversion.dll")));
  DllState state = AssessDllState();
  EXPECT_EQ(state.kind, DllStateKind::DifferentFile);
  EXPECT_EQ(state.message.rfind(L"2 hedefte", 0), 0u) << Utf8(state.message);

  ASSERT_TRUE(planted_.PlantEmbedded(k32));
  ASSERT_TRUE(planted_.PlantCopy(k64, TestDll(L"akis_x64_3.4.1.0.dll")));
  state = AssessDllState();
  EXPECT_EQ(state.kind, DllStateKind::DifferentFile);
  EXPECT_EQ(state.message.rfind(L"1 hedefte", 0), 0u) << Utf8(state.message);
}

TEST_F(DllStateTest, MissingOutranksADifferentFileAndNamesItsReplacement) {
  ASSERT_TRUE(planted_.PlantCopy(k32, TestDll(L"akis_x86_3.4.1.0.dll")));
  const DllState state = AssessDllState();
  EXPECT_EQ(state.kind, DllStateKind::Missing);
  // The missing 64-bit file and the older 32-bit file that the installation will back up and replace.
  EXPECT_EQ(state.message,
            L"1 AKİS mimari dosyası doğru sistem dizininde bulunmuyor (64-bit); kurulum eksik dosyayı ekleyecek. "
            L"32-bit hedefindeki dosya paket sürümünden eski veya sürümü okunamıyor; önce yedeklenip değiştirilecek.");
  EXPECT_TRUE(state.install_offered);
}

TEST(AssessDllStateOn, ThirtyTwoBitWindowsNamesOnlyItsOneBuild) {
  testing_support::ScratchDir system(L"tavlun-x86-system");
  ASSERT_TRUE(WriteBytes(JoinPath(system.path(), L"akisp11.dll"), EmbeddedPayload(IDR_AKISP11_32)));
  SystemDirectories x86;
  x86.architecture = kArchitectureX86;
  x86.system = {system.path(), 0};
  const DllState state = AssessDllStateOn(x86);
  ASSERT_EQ(state.kind, DllStateKind::MatchesPackage) << Utf8(state.message);
  EXPECT_EQ(BuildDllItem(true, true, state).detail,
            L"Gerekli 32-bit dosya doğru hedefte, " + PayloadProductText() + L" paketiyle eşleşiyor.");
}

TEST_F(DllStateTest, TargetHeldOpenWithoutSharingKeepsTheInstallOffered) {
  // The size of the build, other bytes: only hashing can tell it apart.
  std::vector<std::uint8_t> altered = EmbeddedPayload(IDR_AKISP11_32);
  altered.back() ^= 0x5A;
  ASSERT_TRUE(planted_.PlantBytes(k32, altered));
  ASSERT_TRUE(planted_.PlantEmbedded(k64));
  {
    UniqueHandle holder(::CreateFileW(planted_.Path(k32).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    // Reading attributes ignores share modes; reading the data to hash it does not.
    bool exists = false;
    std::wstring message;
    std::uint32_t error = 0;
    EXPECT_TRUE(CheckTargetFile(planted_.Path(k32), &exists, &message, &error)) << Utf8(message);
    EXPECT_TRUE(exists);

    const DllState state = AssessDllState();
    EXPECT_EQ(state.kind, DllStateKind::VerificationFailed);
    EXPECT_EQ(state.message, L"32-bit hedefi: Dosya okunamadı: " + WindowsErrorText(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(state.install_offered);
    EXPECT_EQ(state.targets_text, L"32-bit: " + planted_.Display(k32)) << "later targets are not examined";
  }
  EXPECT_EQ(AssessDllState().kind, DllStateKind::SameOrNewerKept) << "readable again once the holder closed";
}

TEST_F(DllStateTest, FileOfAnotherSizeIsDifferentWithoutBeingRead) {
  ASSERT_TRUE(planted_.PlantCopy(k32, TestDll(L"akis_x86_3.4.1.0.dll")));
  ASSERT_TRUE(planted_.PlantEmbedded(k64));
  ASSERT_NE(ReadBytes(planted_.Path(k32)).size(), EmbeddedPayload(IDR_AKISP11_32).size());
  UniqueHandle holder(::CreateFileW(planted_.Path(k32).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(holder);
  const DllState state = AssessDllState();
  EXPECT_EQ(state.kind, DllStateKind::DifferentFile) << Utf8(state.message);
  EXPECT_TRUE(state.install_offered);
  EXPECT_EQ(state.targets_text, BothTargetsText());
}

TEST_F(DllStateTest, TargetPendingDeletionIsAnAccessProblem) {
  ASSERT_TRUE(planted_.PlantEmbedded(k32));
  ASSERT_TRUE(planted_.PlantEmbedded(k64));
  UniqueHandle doomed(::CreateFileW(planted_.Path(k64).c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(doomed);
  FILE_DISPOSITION_INFO disposition{TRUE};
  ASSERT_TRUE(::SetFileInformationByHandle(doomed.get(), FileDispositionInfo, &disposition, sizeof(disposition)));
  UniqueHandle reopened(::CreateFileW(planted_.Path(k64).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (reopened) {
    GTEST_SKIP() << "Wine opens a file pending deletion like any other (Windows refuses with access denied); the "
                    "access-denied rule is covered by AccessProblemsKeepTheInstallOffered";
  }
  const DllState state = AssessDllState();
  EXPECT_EQ(state.kind, DllStateKind::VerificationFailed);
  EXPECT_EQ(state.message.rfind(L"64-bit hedefi: ", 0), 0u) << Utf8(state.message);
  EXPECT_NE(state.message.find(WindowsErrorText(ERROR_ACCESS_DENIED)), std::wstring::npos) << Utf8(state.message);
  EXPECT_TRUE(state.install_offered);
  EXPECT_EQ(state.targets_text, BothTargetsText());
}

TEST_F(DllStateTest, DirectoryAtTheTargetStopsWithoutOfferingTheInstall) {
  ASSERT_TRUE(planted_.PlantDirectory(k32));
  ASSERT_TRUE(planted_.PlantEmbedded(k64));
  bool exists = false;
  std::wstring message;
  std::uint32_t error = 0;
  EXPECT_FALSE(CheckTargetFile(planted_.Path(k32), &exists, &message, &error));
  EXPECT_TRUE(exists);
  EXPECT_EQ(error, kErrorNotRegularSingleLinkFile);

  const DllState state = AssessDllState();
  EXPECT_EQ(state.kind, DllStateKind::VerificationFailed);
  EXPECT_EQ(state.message,
            L"32-bit hedefi: Hedef normal bir dosya değil veya yeniden ayrıştırma noktası; güvenlik için işlem "
            L"durduruldu.");
  EXPECT_FALSE(state.install_offered);
  EXPECT_EQ(state.targets_text, L"32-bit: " + planted_.Display(k32));
}

TEST_F(DllStateTest, HardLinkedTargetStopsWithoutOfferingTheInstall) {
  ASSERT_TRUE(planted_.PlantEmbedded(k32));
  ASSERT_TRUE(planted_.PlantEmbedded(k64));
  ASSERT_TRUE(planted_.AddSecondLink(k64));
  bool exists = false;
  std::wstring message;
  std::uint32_t error = 0;
  EXPECT_FALSE(CheckTargetFile(planted_.Path(k64), &exists, &message, &error));
  EXPECT_EQ(error, 1142u);

  const DllState state = AssessDllState();
  EXPECT_EQ(state.kind, DllStateKind::VerificationFailed);
  EXPECT_EQ(state.message,
            L"64-bit hedefi: Hedef dosyanın birden fazla sabit bağlantısı var; güvenlik için işlem durduruldu.");
  EXPECT_FALSE(state.install_offered);
}

TEST_F(DllStateTest, SymbolicLinkAtTheTargetStopsWithoutOfferingTheInstall) {
  testing_support::ScratchDir dir;
  const std::wstring real = dir.Child(L"real.dll");
  ASSERT_TRUE(WriteBytes(real, EmbeddedPayload(IDR_AKISP11_32)));
  constexpr DWORD kAllowUnprivileged = 0x2;
  if (!::CreateSymbolicLinkW(planted_.Path(k32).c_str(), real.c_str(), kAllowUnprivileged)) {
    GTEST_SKIP() << "creating a symbolic link needs a privilege this account lacks";
  }
  const DWORD attributes = ::GetFileAttributesW(planted_.Path(k32).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    GTEST_SKIP() << "Wine reports CreateSymbolicLinkW success but creates no reparse point; the refusal is covered "
                    "by ReparsePointsAndDirectoriesAreNotPlainTargets and DirectoryAtTheTargetStopsWithoutOfferingTheInstall";
  }
  const DllState state = AssessDllState();
  EXPECT_EQ(state.kind, DllStateKind::VerificationFailed);
  EXPECT_EQ(state.message,
            L"32-bit hedefi: Hedef normal bir dosya değil veya yeniden ayrıştırma noktası; güvenlik için işlem "
            L"durduruldu.");
  EXPECT_FALSE(state.install_offered);
}

TEST(CheckTargetFile, AbsentFileOrFolderIsNotAFailure) {
  testing_support::ScratchDir dir;
  bool exists = true;
  std::wstring message = L"untouched";
  std::uint32_t error = 0;
  EXPECT_TRUE(CheckTargetFile(dir.Child(L"akisp11.dll"), &exists, &message, &error));
  EXPECT_FALSE(exists);
  EXPECT_EQ(error, 2u);
  exists = true;
  EXPECT_TRUE(CheckTargetFile(JoinPath(dir.Child(L"no-such-folder"), L"akisp11.dll"), &exists, &message, &error));
  EXPECT_FALSE(exists);
  EXPECT_EQ(error, 3u);
  EXPECT_EQ(message, L"untouched");

  ASSERT_TRUE(WriteBytes(dir.Child(L"akisp11.dll"), "x", 1));
  EXPECT_TRUE(CheckTargetFile(dir.Child(L"akisp11.dll"), &exists, &message, &error));
  EXPECT_TRUE(exists);
}

TEST(IsUserAdmin, AdministratorHereButNotWithTheGroupDisabled) {
  EXPECT_TRUE(IsUserAdmin()) << "every Wine process has an administrator token";
  const std::wstring probe = testing_support::ToolPath(L"admin_probe.exe");
  const testing_support::ProcessResult direct = testing_support::RunProcess(probe, L"");
  ASSERT_TRUE(direct.started);
  EXPECT_EQ(direct.exit_code, 1u);
  const testing_support::ProcessResult restricted = testing_support::RunProcess(
      testing_support::ToolPath(L"run_restricted.exe"), testing_support::QuoteArgument(probe));
  ASSERT_TRUE(restricted.started);
  EXPECT_EQ(restricted.exit_code, 0u) << "200..203: the restricted start failed";
}

}  // namespace
}  // namespace tavlun

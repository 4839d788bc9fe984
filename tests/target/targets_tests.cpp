#include <gtest/gtest.h>

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "core/text.h"
#include "core/windows_error.h"
#include "target/dll_state.h"
#include "target/targets.h"
#include "tests/support/test_support.h"

namespace tavlun {
namespace {

using testing_support::Utf8;

SystemDirectories X64System(const std::wstring& windows = L"C:\\Windows") {
  SystemDirectories system;
  system.architecture = kArchitectureX64;
  system.system = {JoinPath(windows, L"system32"), 0};
  system.system_wow64 = {JoinPath(windows, L"SysWOW64"), 0};
  system.windows = {windows, 0};
  return system;
}

std::vector<TargetEntry> Prefilled() {
  std::vector<TargetEntry> list(3);
  list[0].location.file_path = L"stale";
  return list;
}

TEST(ResolveRequiredTargetsOn, X64NeedsBothBuildsThirtyTwoBitFirst) {
  std::vector<TargetEntry> targets = Prefilled();
  std::wstring message;
  ASSERT_TRUE(ResolveRequiredTargetsOn(X64System(), &targets, &message)) << Utf8(message);
  ASSERT_EQ(targets.size(), 2u);
  EXPECT_EQ(targets[0].descriptor, &PayloadBuild32());
  EXPECT_EQ(targets[0].location.directory, L"C:\\Windows\\SysWOW64");
  EXPECT_EQ(targets[0].location.file_path, L"C:\\Windows\\SysWOW64\\akisp11.dll");
  EXPECT_EQ(targets[0].location.display_path, targets[0].location.file_path);
  EXPECT_EQ(targets[0].location.route, L"64-bit Windows + 32-bit DLL → SysWOW64");
  EXPECT_EQ(targets[1].descriptor, &PayloadBuild64());
  EXPECT_EQ(targets[1].location.directory, L"C:\\Windows\\Sysnative");
  EXPECT_EQ(targets[1].location.file_path, L"C:\\Windows\\Sysnative\\akisp11.dll");
  EXPECT_EQ(targets[1].location.display_path, L"C:\\Windows\\System32\\akisp11.dll");
  EXPECT_EQ(targets[1].location.route, L"64-bit Windows + 64-bit DLL → System32");
}

TEST(ResolveRequiredTargetsOn, WindowsDirectoryWithTrailingBackslash) {
  SystemDirectories system = X64System();
  system.windows.path = L"D:\\WIN\\";
  system.system_wow64 = {L"", 6};  // forces the fallback below the Windows directory
  std::vector<TargetEntry> targets;
  std::wstring message;
  ASSERT_TRUE(ResolveRequiredTargetsOn(system, &targets, &message));
  ASSERT_EQ(targets.size(), 2u);
  EXPECT_EQ(targets[0].location.file_path, L"D:\\WIN\\SysWOW64\\akisp11.dll");
  EXPECT_EQ(targets[1].location.file_path, L"D:\\WIN\\Sysnative\\akisp11.dll");
  EXPECT_EQ(targets[1].location.display_path, L"D:\\WIN\\System32\\akisp11.dll");
}

TEST(ResolveRequiredTargetsOn, ThirtyTwoBitWindowsNeedsOneBuildInTheSystemDirectory) {
  SystemDirectories system;
  system.architecture = kArchitectureX86;
  system.system = {L"C:\\WINDOWS\\system32", 0};
  system.system_wow64 = {L"", 120};
  system.windows = {L"C:\\WINDOWS", 0};
  std::vector<TargetEntry> targets;
  std::wstring message;
  ASSERT_TRUE(ResolveRequiredTargetsOn(system, &targets, &message));
  ASSERT_EQ(targets.size(), 1u);
  EXPECT_EQ(targets[0].descriptor, &PayloadBuild32());
  EXPECT_EQ(targets[0].location.file_path, L"C:\\WINDOWS\\system32\\akisp11.dll");
  EXPECT_EQ(targets[0].location.display_path, targets[0].location.file_path);
  EXPECT_EQ(targets[0].location.route, L"32-bit Windows + 32-bit DLL → System32");

  TargetLocation location;
  location.file_path = L"untouched";
  EXPECT_FALSE(ResolveTargetOn(system, PayloadBuild64(), &location, &message));
  EXPECT_EQ(message, L"64-bit AKİS DLL bu Windows mimarisinde uygulanamaz.");
  EXPECT_EQ(location.file_path, L"untouched");
}

TEST(ResolveRequiredTargetsOn, Arm64AndOtherArchitecturesAreRefused) {
  SystemDirectories system = X64System();
  system.architecture = kArchitectureArm64;
  std::vector<TargetEntry> targets = Prefilled();
  std::wstring message;
  EXPECT_FALSE(ResolveRequiredTargetsOn(system, &targets, &message));
  EXPECT_EQ(message, L"ARM64 Windows bu AKİS x86/x64 paketi için doğrulanmadı. Uyumlu resmî sürücüyü kullanın.");
  EXPECT_TRUE(targets.empty());

  for (unsigned short architecture : {5, 6, 0xFFFF}) {  // ARM, IA64, unknown
    system.architecture = architecture;
    targets = Prefilled();
    EXPECT_FALSE(ResolveRequiredTargetsOn(system, &targets, &message));
    EXPECT_EQ(message, L"Bu Windows işlemci mimarisi desteklenmiyor.");
    EXPECT_TRUE(targets.empty());
  }
  TargetLocation location;
  system.architecture = kArchitectureArm64;
  EXPECT_FALSE(ResolveTargetOn(system, PayloadBuild32(), &location, &message));
  EXPECT_EQ(message, L"32-bit AKİS DLL bu Windows mimarisinde uygulanamaz.");
}

TEST(ResolveRequiredTargetsOn, FailedDirectoryQueriesLeaveNoPartialList) {
  SystemDirectories system = X64System();
  system.windows = {L"", 8};
  std::vector<TargetEntry> targets = Prefilled();
  std::wstring message;
  // The 32-bit build still resolves through SysWOW64; the 64-bit one needs the Windows directory.
  EXPECT_FALSE(ResolveRequiredTargetsOn(system, &targets, &message));
  EXPECT_EQ(message, L"Windows dizini alınamadı: " + WindowsErrorText(8));
  EXPECT_TRUE(targets.empty());

  system.system_wow64 = {L"", 6};
  TargetLocation location;
  EXPECT_FALSE(ResolveTargetOn(system, PayloadBuild32(), &location, &message));
  EXPECT_EQ(message, L"Windows 32-bit sistem dizini alınamadı: " + WindowsErrorText(8));

  SystemDirectories x86;
  x86.architecture = kArchitectureX86;
  x86.system = {L"", 122};
  EXPECT_FALSE(ResolveRequiredTargetsOn(x86, &targets, &message));
  EXPECT_EQ(message, L"Windows sistem dizini alınamadı: " + WindowsErrorText(122));
}

TEST(ResolveRequiredTargetsOn, FollowsTheSharedWindowsFolderNotThisProcesssOwn) {
  // On a Session Host a program's own Windows folder can be a private one in the profile; every target must come
  // from the shared (system) Windows folder, here one that differs from the folder this process is given.
  wchar_t own[MAX_PATH];
  ASSERT_NE(::GetWindowsDirectoryW(own, MAX_PATH), 0u);
  const std::wstring shared = L"E:\\Shared\\Windows";
  ASSERT_NE(std::wstring(own), shared);
  SystemDirectories system = X64System(shared);
  system.system_wow64 = {L"", 6};
  std::vector<TargetEntry> targets;
  std::wstring message;
  ASSERT_TRUE(ResolveRequiredTargetsOn(system, &targets, &message)) << Utf8(message);
  ASSERT_EQ(targets.size(), 2u);
  EXPECT_EQ(targets[0].location.file_path, L"E:\\Shared\\Windows\\SysWOW64\\akisp11.dll");
  EXPECT_EQ(targets[1].location.file_path, L"E:\\Shared\\Windows\\Sysnative\\akisp11.dll");
  EXPECT_EQ(targets[1].location.display_path, L"E:\\Shared\\Windows\\System32\\akisp11.dll");

  // And the live query asks for the shared folder.
  wchar_t system_windows[MAX_PATH];
  ASSERT_NE(::GetSystemWindowsDirectoryW(system_windows, MAX_PATH), 0u);
  EXPECT_EQ(QuerySystemDirectories().windows.path, system_windows);
}

TEST(ResolveRequiredTargets, ThisPrefixIsX64WithTheNativeFolderThroughSysnative) {
  ASSERT_EQ(NativeArchitecture(), kArchitectureX64) << "the test prefix is a 64-bit Wine prefix";
  wchar_t windows[MAX_PATH];
  wchar_t wow64[MAX_PATH];
  ASSERT_NE(::GetSystemWindowsDirectoryW(windows, MAX_PATH), 0u);
  ASSERT_NE(::GetSystemWow64DirectoryW(wow64, MAX_PATH), 0u);
  std::vector<TargetEntry> targets;
  std::wstring message;
  ASSERT_TRUE(ResolveRequiredTargets(&targets, &message)) << Utf8(message);
  ASSERT_EQ(targets.size(), 2u);
  EXPECT_EQ(targets[0].descriptor->kind, PayloadKind::Build32);
  EXPECT_EQ(targets[0].location.file_path, JoinPath(wow64, L"akisp11.dll"));
  EXPECT_EQ(targets[1].descriptor->kind, PayloadKind::Build64);
  EXPECT_EQ(targets[1].location.file_path, JoinPath(JoinPath(windows, L"Sysnative"), L"akisp11.dll"));
  EXPECT_EQ(targets[1].location.display_path, JoinPath(JoinPath(windows, L"System32"), L"akisp11.dll"));

  TargetLocation location;
  ASSERT_TRUE(ResolveTarget(PayloadBuild64(), &location, &message));
  EXPECT_EQ(location.file_path, targets[1].location.file_path);
}

TEST(AssessDllStateOn, Arm64IsUnsupportedWithNoTargetsListed) {
  SystemDirectories system = X64System();
  system.architecture = kArchitectureArm64;
  const DllState state = AssessDllStateOn(system);
  EXPECT_EQ(state.kind, DllStateKind::UnsupportedArchitecture);
  EXPECT_EQ(state.message, L"ARM64 Windows bu AKİS x86/x64 paketi için doğrulanmadı. Uyumlu resmî sürücüyü kullanın.");
  EXPECT_TRUE(state.targets_text.empty());
  EXPECT_FALSE(state.install_offered);
  EXPECT_FALSE(state.package_verified);
}

using V = TargetVerdict;

DllState Fold(std::initializer_list<TargetFinding> findings) {
  DllState state;
  state.install_offered = true;  // FoldTargets decides it anew
  FoldTargets(findings, &state);
  return state;
}

TEST(FoldTargets, FirstMatchWins) {
  DllState state = Fold({{L"32-bit", V::Identical}, {L"64-bit", V::Identical}});
  EXPECT_EQ(state.kind, DllStateKind::MatchesPackage);
  EXPECT_TRUE(state.package_verified);
  EXPECT_TRUE(state.runtime_confirmed);
  EXPECT_FALSE(state.install_offered);
  EXPECT_EQ(state.message,
            L"AKİS 3.4.2 dosyalarının 32-bit ve gerekli olduğunda 64-bit kopyaları doğru hedeflerde ve doğrulanmış "
            L"durumda.");
  EXPECT_EQ(Fold({{L"32-bit", V::Identical}}).kind, DllStateKind::MatchesPackage);  // 32-bit Windows

  state = Fold({{L"32-bit", V::Identical}, {L"64-bit", V::Missing}});
  EXPECT_EQ(state.kind, DllStateKind::Missing);
  EXPECT_EQ(state.message, L"1 AKİS mimari dosyası doğru sistem dizininde bulunmuyor (64-bit); kurulum eksik dosyayı "
                           L"ekleyecek. 32-bit hedefindeki doğru dosya korunacak.");
  EXPECT_TRUE(state.install_offered);
  EXPECT_FALSE(state.package_verified);
  EXPECT_FALSE(state.runtime_confirmed);

  // Missing outranks replaceable, and the message names the file that will be replaced too.
  state = Fold({{L"32-bit", V::Replaceable}, {L"64-bit", V::Missing}});
  EXPECT_EQ(state.kind, DllStateKind::Missing);
  EXPECT_EQ(state.message, L"1 AKİS mimari dosyası doğru sistem dizininde bulunmuyor (64-bit); kurulum eksik dosyayı "
                           L"ekleyecek. 32-bit hedefindeki dosya paket sürümünden eski veya sürümü okunamıyor; önce "
                           L"yedeklenip değiştirilecek.");

  state = Fold({{L"32-bit", V::Replaceable}, {L"64-bit", V::Replaceable}});
  EXPECT_EQ(state.kind, DllStateKind::DifferentFile);
  EXPECT_EQ(state.message, L"2 hedefte (32-bit ve 64-bit) paketle eşleşmeyen AKİS DLL bulundu. 32-bit ve 64-bit "
                           L"hedeflerindeki dosyalar "
                           L"paket sürümünden eski veya sürümleri okunamıyor; önce yedeklenip değiştirilecek.");
  EXPECT_TRUE(state.install_offered);

  // Replaceable outranks same-or-newer; a file for the wrong processor is replaced whatever version it declares,
  // and the kept newer one is named as kept. Both differ from the package, and both are counted and named.
  state = Fold({{L"32-bit", V::Newer}, {L"64-bit", V::OtherMachine}});
  EXPECT_EQ(state.kind, DllStateKind::DifferentFile);
  EXPECT_EQ(state.message, L"2 hedefte (32-bit ve 64-bit) paketle eşleşmeyen AKİS DLL bulundu. 64-bit hedefindeki "
                           L"dosya başka bir "
                           L"işlemci türü için derlenmiş; bildirdiği sürüm ne olursa olsun önce yedeklenip "
                           L"değiştirilecek. 32-bit hedefindeki aynı veya daha yeni sürüm bildiren dosya korunacak.");

  state = Fold({{L"32-bit", V::Identical}, {L"64-bit", V::Newer}});
  EXPECT_EQ(state.kind, DllStateKind::SameOrNewerKept);
  EXPECT_EQ(state.message, L"Paket sürümünden daha yeni bir AKİS DLL bulundu; güvenlik için değiştirilmedi.");
  EXPECT_FALSE(state.install_offered);
  EXPECT_FALSE(state.package_verified);

  // An equal version is not called newer, and the user learns that this tool does not repair it.
  state = Fold({{L"32-bit", V::Identical}, {L"64-bit", V::SameVersion}});
  EXPECT_EQ(state.kind, DllStateKind::SameOrNewerKept);
  EXPECT_EQ(state.message, L"Paket sürümüyle aynı veya daha yeni sürüm bildiren farklı bir AKİS DLL bulundu; "
                           L"güvenlik için değiştirilmedi. 64-bit hedefindeki dosya paketle aynı sürümü bildiriyor "
                           L"ancak içeriği farklı; bozuk veya değiştirilmiş bir kopya olabilir. Bu araç onu onarmaz: "
                           L"resmî AKİS paketini Kamu SM sürücü hizmetinden alıp kurun.");
  EXPECT_FALSE(state.install_offered);
}

TEST(ClassifyDifferentFile, EqualNewerOtherMachineAndReplaceable) {
  const PayloadDescriptor& b64 = PayloadBuild64();
  const PackedVersion v3500 = PackedVersion{0x30005} << 32;
  EXPECT_EQ(ClassifyDifferentFile(true, 0x8664, true, kPayloadVersion, b64), V::SameVersion);
  EXPECT_EQ(ClassifyDifferentFile(true, 0x8664, true, v3500, b64), V::Newer);
  EXPECT_EQ(ClassifyDifferentFile(true, 0x014C, true, v3500, b64), V::OtherMachine);
  EXPECT_EQ(ClassifyDifferentFile(false, 0, true, v3500, b64), V::Replaceable) << "not a DLL";
  EXPECT_EQ(ClassifyDifferentFile(true, 0x8664, false, 0, b64), V::Replaceable) << "no version";
}

TEST(IsSameOrNewerThanBuild, MachineAndVersionMustBothHold) {
  const PayloadDescriptor& b64 = PayloadBuild64();
  const PackedVersion v3420 = kPayloadVersion;
  const PackedVersion v3427 = (PackedVersion{0x30004} << 32) | 0x20007;
  const PackedVersion v3410 = (PackedVersion{0x30004} << 32) | 0x10000;
  const PackedVersion v3500 = PackedVersion{0x30005} << 32;
  EXPECT_TRUE(IsSameOrNewerThanBuild(true, 0x8664, true, v3420, b64)) << "the same version counts";
  EXPECT_TRUE(IsSameOrNewerThanBuild(true, 0x8664, true, v3427, b64));
  EXPECT_TRUE(IsSameOrNewerThanBuild(true, 0x8664, true, v3500, b64));
  EXPECT_FALSE(IsSameOrNewerThanBuild(true, 0x8664, true, v3410, b64));
  EXPECT_FALSE(IsSameOrNewerThanBuild(true, 0x014C, true, v3500, b64)) << "other machine";
  EXPECT_FALSE(IsSameOrNewerThanBuild(false, 0x8664, true, v3500, b64)) << "not a DLL";
  EXPECT_FALSE(IsSameOrNewerThanBuild(true, 0x8664, false, v3500, b64)) << "no version";
  // One unsigned 64-bit comparison: a high build part does not outweigh a lower minor.
  EXPECT_FALSE(IsSameOrNewerThanBuild(true, 0x8664, true, (PackedVersion{0x30003} << 32) | 0xFFFF0000u, b64));
}

TEST(CheckTargetFileDecisions, AccessProblemsKeepTheInstallOffered) {
  EXPECT_TRUE(IsAccessProblem(5));
  EXPECT_TRUE(IsAccessProblem(32));
  EXPECT_TRUE(IsAccessProblem(33));
  EXPECT_FALSE(IsAccessProblem(kErrorNotRegularSingleLinkFile));
  EXPECT_FALSE(IsAccessProblem(1142));
  EXPECT_FALSE(IsAccessProblem(2));
  EXPECT_FALSE(IsAccessProblem(0));
}

TEST(CheckTargetFileDecisions, ReparsePointsAndDirectoriesAreNotPlainTargets) {
  // Wine cannot produce reparse points; the attribute test is checked on the attributes themselves.
  EXPECT_TRUE(IsPlainTargetAttributes(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_TRUE(IsPlainTargetAttributes(FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(IsPlainTargetAttributes(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_FALSE(IsPlainTargetAttributes(FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_FALSE(IsPlainTargetAttributes(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_FALSE(IsPlainTargetAttributes(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_FALSE(IsPlainTargetAttributes(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

}  // namespace
}  // namespace tavlun

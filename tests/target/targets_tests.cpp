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

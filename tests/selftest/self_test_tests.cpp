// `--self-test` as a deployment tool runs it: a process, its exit code, and the temporary folders afterwards.
// The checks themselves are the self-test's own business; these tests hold the run to its contract.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text.h"
#include "core/unique_handle.h"
#include "selftest/self_test_codes.h"
#include "target/dll_state.h"
#include "tests/check/scoped_environment.h"
#include "tests/install/install_test_support.h"
#include "tests/support/test_support.h"

namespace tavlun {
namespace {

using namespace testing_support;
using install_testing::Exists;
using install_testing::ListFolder;
using install_testing::StartsWith;

constexpr DWORD kSelfTestTimeoutMs = 120000;

bool RunningUnderWine() {
  return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Names in the folder that the self-test would have made.
std::vector<std::wstring> ScratchFoldersIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  for (const std::wstring& name : ListFolder(folder)) {
    if (StartsWith(name, L"Tavlun-Yardimcisi-SelfTest-")) names.push_back(name);
  }
  return names;
}

std::wstring WindowsTempFolder() {
  wchar_t windows[MAX_PATH];
  const UINT length = ::GetWindowsDirectoryW(windows, MAX_PATH);
  return length > 0 && length < MAX_PATH ? JoinPath(windows, L"Temp") : std::wstring();
}

// The self-test without administrator rights, with TMP and TEMP pointing at `temp`.
ProcessResult RunRestrictedSelfTest(const std::wstring& temp) {
  ScopedEnvironment tmp(L"TMP", temp.c_str());
  ScopedEnvironment temp_variable(L"TEMP", temp.c_str());
  return RunProcess(ToolPath(L"run_restricted.exe"), QuoteArgument(ProgramPath()) + L" --self-test",
                    kSelfTestTimeoutMs);
}

TEST(SelfTest, PassesWithoutAdministratorRightsAndLeavesNothing) {
  ScratchDir temp(L"tavlun-selftest-temp");
  const ProcessResult run = RunRestrictedSelfTest(temp.path());
  ASSERT_TRUE(run.started && !run.timed_out);
  EXPECT_EQ(run.exit_code, static_cast<DWORD>(kSelfTestPassed));
  const std::vector<std::wstring> left = ListFolder(temp.path());
  EXPECT_TRUE(left.empty()) << left.size() << " entries left, the first " << Utf8(left.front());
}

TEST(SelfTest, AsAdministratorUsesTheSecureFoldersAndLeavesNothing) {
  if (!IsUserAdmin()) GTEST_SKIP() << "needs administrator rights";
  const std::wstring windows_temp = WindowsTempFolder();
  ASSERT_FALSE(windows_temp.empty());
  const ProcessResult run = RunProcess(ProgramPath(), L"--self-test", kSelfTestTimeoutMs);
  ASSERT_TRUE(run.started && !run.timed_out);
  // Wine stores no security descriptors on folders, so the secure owner and DACL of the new scratch folder can
  // never be proved there: the run must stop at the scratch folders, and remove the one it created.
  const int expected = RunningUnderWine() ? kSelfTestScratchFolders : kSelfTestPassed;
  EXPECT_EQ(run.exit_code, static_cast<DWORD>(expected));
  EXPECT_TRUE(ScratchFoldersIn(windows_temp).empty());
}

TEST(SelfTest, TemporaryFolderThatIsNoFolderGivesCode11) {
  ScratchDir parent(L"tavlun-selftest-parent");
  const std::wstring file = parent.Child(L"a-file");
  ASSERT_TRUE(WriteBytes(file, "x", 1));
  for (const std::wstring& temp : {file, parent.Child(L"missing")}) {
    const ProcessResult run = RunRestrictedSelfTest(temp + L"\\");
    ASSERT_TRUE(run.started && !run.timed_out);
    EXPECT_EQ(run.exit_code, static_cast<DWORD>(kSelfTestScratchRoot)) << Utf8(temp);
  }
  EXPECT_FALSE(FileExists(parent.Child(L"missing")));
  EXPECT_TRUE(ScratchFoldersIn(parent.path()).empty());
}

// A folder on the read-only tmpfs that tests/support/scratch_disk.sh mounts for CTest (root only), reached through
// Z:; empty when it is not there.
std::wstring ReadOnlyDiskFolder() {
  const std::wstring disk = BuildFolderChild(L"read-only-disk");
  return !disk.empty() && Exists(JoinPath(disk, L".tavlun-read-only-disk")) ? JoinPath(disk, L"scratch")
                                                                            : std::wstring();
}

// Only reading and traversal for everyone; inherited by nothing else.
bool SetFolderDacl(const std::wstring& folder, const wchar_t* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr)) {
    return false;
  }
  UniqueLocal<PSECURITY_DESCRIPTOR> owned(descriptor);
  return ::SetFileSecurityW(folder.c_str(), DACL_SECURITY_INFORMATION, descriptor) != FALSE;
}

TEST(SelfTest, ScratchLocationThatCannotBeWrittenGivesCode12) {
  std::wstring location = ReadOnlyDiskFolder();
  ScratchDir denied(L"tavlun-selftest-denied");
  if (location.empty()) {
    if (RunningUnderWine()) {
      GTEST_SKIP() << "Wine enforces no DACLs and no read-only tmpfs is mounted (CTest mounts one as root: "
                      "tests/support/scratch_disk.sh)";
    }
    ASSERT_TRUE(SetFolderDacl(denied.path(), L"D:P(A;OICI;GRGX;;;WD)"));
    location = denied.path();
  }
  const ProcessResult run = RunRestrictedSelfTest(location + L"\\");
  SetFolderDacl(denied.path(), L"D:P(A;OICI;GA;;;WD)");
  ASSERT_TRUE(run.started && !run.timed_out);
  EXPECT_EQ(run.exit_code, static_cast<DWORD>(kSelfTestScratchFolders));
  EXPECT_TRUE(ScratchFoldersIn(location).empty());
}

}  // namespace
}  // namespace tavlun

// The program itself started with --install-elevated, on the prefix's real system folders and ProgramData.
#include <gtest/gtest.h>

#include "app/entry.h"
#include "app/run_mode.h"
#include "install/elevated_run.h"
#include "install/secure_folder.h"
#include "install/work_area.h"
#include "tests/install/install_test_support.h"

namespace tavlun {
namespace {

using namespace install_testing;
using testing_support::ProgramPath;
using testing_support::QuoteArgument;
using testing_support::RunProcess;
using testing_support::ToolPath;

// What lies at the system targets and in the work area; equal snapshots mean nothing was written.
struct SystemSnapshot {
  std::vector<std::wstring> target_states;  // per target: absent, or identity and digest
  std::vector<std::wstring> engine_names;   // ".akisp11.*" names in the target folders
  bool work_area_exists = false;
  std::vector<std::wstring> work_area;      // entries of the work area and of its Backups and Logs

  bool operator==(const SystemSnapshot& other) const {
    return target_states == other.target_states && engine_names == other.engine_names &&
           work_area_exists == other.work_area_exists && work_area == other.work_area;
  }
};

SystemSnapshot TakeSnapshot(const ElevatedRunInputs& machine) {
  SystemSnapshot snapshot;
  for (const ElevatedRunTarget& target : machine.targets) {
    const TargetLocation& location = target.entry.location;
    const FileFacts facts = FactsOf(location.file_path);
    snapshot.target_states.push_back(
        facts.identity.valid ? DecimalText(facts.identity.index_low) + L":" + DigestOfFile(location.file_path)
                             : L"absent");
    for (const std::wstring& name : ListFolder(location.directory)) {
      if (StartsWith(name, L".akisp11.")) snapshot.engine_names.push_back(name);
    }
  }
  const std::wstring base = JoinPath(machine.work_root, kWorkAreaFolderName);
  snapshot.work_area_exists = Exists(base);
  for (const wchar_t* folder : {L"", kBackupsFolderName, kLogsFolderName}) {
    for (const std::wstring& name : ListFolder(*folder == L'\0' ? base : JoinPath(base, folder))) {
      snapshot.work_area.push_back(std::wstring(folder) + L"\\" + name);
    }
  }
  return snapshot;
}

TEST(ElevatedInstallExitCode, MapsTheOutcome) {
  InstallOutcome result;
  result.outcome = kOutcomeInstalled;
  EXPECT_EQ(ElevatedInstallExitCode(result), 0);
  result.outcome = kOutcomeAlreadyInstalled;
  EXPECT_EQ(ElevatedInstallExitCode(result), 0);
  result.outcome = kOutcomeFailed;
  EXPECT_EQ(ElevatedInstallExitCode(result), 31) << "failed before every log record was written";
  result.log_written = true;
  EXPECT_EQ(ElevatedInstallExitCode(result), 30);
  result.outcome = 5;
  EXPECT_EQ(ElevatedInstallExitCode(result), 30);
}

class ElevatedModeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = ReadElevatedRunInputs();
    ASSERT_TRUE(machine_.targets_resolved) << Utf8(machine_.targets_message);
    ASSERT_TRUE(machine_.work_root_found);
    base_ = JoinPath(machine_.work_root, kWorkAreaFolderName);
    base_existed_ = Exists(base_);
  }
  void TearDown() override {
    // A work area that this test made (and that the run could not prove) is not left in the prefix.
    if (!base_existed_ && Exists(base_)) RemoveTree(base_);
  }
  ElevatedRunInputs machine_;
  std::wstring base_;
  bool base_existed_ = false;
};

TEST_F(ElevatedModeTest, WithoutAdministratorRightsExits31AndWritesNothing) {
  const SystemSnapshot before = TakeSnapshot(machine_);
  const auto run = RunProcess(ToolPath(L"run_restricted.exe"),
                              QuoteArgument(ProgramPath()) + L" --install-elevated", 60000);
  ASSERT_TRUE(run.started);
  ASSERT_FALSE(run.timed_out);
  EXPECT_EQ(run.exit_code, static_cast<DWORD>(kExitElevatedFailedUnlogged));
  EXPECT_TRUE(TakeSnapshot(machine_) == before);
}

TEST_F(ElevatedModeTest, AsAdministratorStopsBeforeTheSystemFoldersWhereTheWorkAreaCannotBeProved) {
  ASSERT_TRUE(machine_.is_admin) << "the test program itself runs with administrator rights";
  ScratchDir scratch;
  bool could_create = false;
  if (PlatformKeepsFileSecurity(scratch.path(), &could_create)) {
    GTEST_SKIP() << "this platform keeps file security descriptors: the run would really install into the system "
                    "folders";
  }
  const SystemSnapshot before = TakeSnapshot(machine_);
  const auto run = RunProcess(ProgramPath(), L"--install-elevated", 60000);
  ASSERT_TRUE(run.started);
  ASSERT_FALSE(run.timed_out);
  EXPECT_EQ(run.exit_code, static_cast<DWORD>(kExitElevatedFailedUnlogged));
  SystemSnapshot after = TakeSnapshot(machine_);
  EXPECT_EQ(after.target_states, before.target_states);
  EXPECT_EQ(after.engine_names, before.engine_names);
  // The work area folder may have been made (and refused); nothing was written into it.
  EXPECT_EQ(after.work_area, before.work_area);

  // In process, the same run says why.
  const InstallOutcome result = RunElevatedInstall();
  EXPECT_EQ(result.outcome, kOutcomeFailed);
  EXPECT_TRUE(StartsWith(result.message, L"Güvenli yedek/günlük alanı hazırlanamadı: ")) << Utf8(result.message);
  EXPECT_FALSE(result.log_written);
  EXPECT_EQ(TakeSnapshot(machine_).target_states, before.target_states);
}

}  // namespace
}  // namespace tavlun

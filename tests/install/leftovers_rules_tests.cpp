// Which leftovers of an interrupted installation the next run may remove. Pure: also built natively.
#include <gtest/gtest.h>

#include "install/engine_names.h"
#include "install/leftovers.h"

namespace tavlun {
namespace {

TEST(LeftoverRules, EngineNamesAreRecognisedAndNothingElse) {
  using K = EngineFileKind;
  const std::wstring hex(32, L'A');
  struct Row {
    std::wstring name;
    K kind;
  };
  const Row rows[] = {
      {TempInstallFileName(1234, 18446744073709551615ull, 19), K::kTemporaryInstall},
      {RollbackCopyName(7, 0, 0), K::kRollbackCopy},
      {RandomTempName(L"previous", hex), K::kPrevious},
      {RandomTempName(L"rescue", std::wstring(32, L'f')), K::kRescue},
      {RandomTempName(L"prior-recovery", hex), K::kPriorRecovery},
      {RandomTempName(L"part", hex), K::kStaging},
      {L"akisp11.dll", K::kNone},
      {L".akisp11.previous." + std::wstring(31, L'A') + L".tmp", K::kNone},  // one digit short
      {L".akisp11.previous." + std::wstring(31, L'A') + L"G.tmp", K::kNone},
      {L".akisp11.other." + hex + L".tmp", K::kNone},
      {L".akisp11.1.2.tmp", K::kNone},
      {L".akisp11.1.2.x.tmp", K::kNone},
      {L".akisp11.1..3.tmp", K::kNone},
      {L".akisp11.rollback.1.2.tmp", K::kNone},
      {L".akisp11.1.2.3.dll", K::kNone},
      {L"x.akisp11.1.2.3.tmp", K::kNone},
      {L".akisp11..tmp", K::kNone},
      {L".akisp11.tmp", K::kNone},
  };
  for (const Row& row : rows) EXPECT_EQ(ClassifyEngineFileName(row.name), row.kind) << row.name.size();
}

TEST(LeftoverRules, BackupFolderNamesGiveTheirDigestPrefix) {
  std::wstring prefix;
  EXPECT_TRUE(ParseBackupFolderName(BackupFolderName(L"20240102-030405-77", L"ABCDEF0123456789"), &prefix));
  EXPECT_EQ(prefix, L"ABCDEF01");
  EXPECT_TRUE(ParseBackupFolderName(BackupFolderName(L"20240102-030405-77", L"abc", 3), &prefix));
  EXPECT_EQ(prefix, L"abc");
  for (const wchar_t* name : {L"20240102-030405-77", L"20240102-030405-77-", L"2024010-030405-77-ABCDEF01",
                              L"20240102-03040-77-ABCDEF01", L"20240102-030405-x-ABCDEF01",
                              L"20240102-030405-77-ABCDEF012", L"20240102-030405-77-ABCDEFG1",
                              L"20240102-030405-77-ABCDEF01-x", L"20240102-030405-77-ABCDEF01-1-2", L"kept"}) {
    EXPECT_FALSE(ParseBackupFolderName(name, &prefix)) << static_cast<int>(std::wstring(name).size());
  }
}

TEST(LeftoverRules, OnlyWhatLosesNoContentIsRemovable) {
  using K = EngineFileKind;
  struct Row {
    K kind;
    bool build, backup, second_name;
    bool removable, original;
  };
  const Row rows[] = {
      {K::kTemporaryInstall, true, false, false, true, false},
      {K::kTemporaryInstall, false, false, false, false, false},  // a partial or foreign content stays
      {K::kPrevious, false, true, false, true, true},             // the original an interrupted swap moved aside
      {K::kPrevious, false, true, true, true, false},             // a second name of the target: not moved aside
      {K::kPrevious, false, false, true, true, false},
      {K::kPrevious, true, false, false, true, false},
      {K::kRescue, false, true, false, true, false},
      {K::kPriorRecovery, false, false, false, false, false},
      {K::kRollbackCopy, false, true, false, true, true},
      {K::kStaging, false, true, false, true, false},
      {K::kNone, true, true, true, false, false},  // never anything without the engine's name
  };
  for (const Row& row : rows) {
    LeftoverFacts facts;
    facts.kind = row.kind;
    facts.equals_build = row.build;
    facts.equals_verified_backup = row.backup;
    facts.second_name_of_target = row.second_name;
    EXPECT_EQ(IsProvableLeftover(facts), row.removable) << static_cast<int>(row.kind);
    EXPECT_EQ(IsInterruptedOriginal(facts), row.original) << static_cast<int>(row.kind);
  }
}

TEST(LeftoverRules, WorkAreaEntries) {
  const std::wstring staging = RandomTempName(L"part", std::wstring(32, L'0'));
  EXPECT_TRUE(IsRemovableBackupEntry(L"ABCDEF01", L"akisp11.dll", 0));
  EXPECT_FALSE(IsRemovableBackupEntry(L"ABCDEF01", L"akisp11.dll", 1));
  EXPECT_FALSE(IsRemovableBackupEntry(L"e3b0c442", L"akisp11.dll", 0)) << "the backup of an empty file";
  EXPECT_FALSE(IsRemovableBackupEntry(L"E3B", L"akisp11.dll", 0));
  EXPECT_TRUE(IsRemovableBackupEntry(L"E3C", L"akisp11.dll", 0));
  EXPECT_FALSE(IsRemovableBackupEntry(L"ABCDEF01", L"notes.txt", 0));
  EXPECT_TRUE(IsRemovableBackupEntry(L"ABCDEF01", staging, 4096));
  EXPECT_TRUE(IsRemovableLogEntry(L"20240102-030405-77-" + std::wstring(32, L'A') + L".log", 0));
  EXPECT_FALSE(IsRemovableLogEntry(L"20240102-030405-77-" + std::wstring(32, L'A') + L".log", 12));
  EXPECT_FALSE(IsRemovableLogEntry(L".log", 0));
  EXPECT_FALSE(IsRemovableLogEntry(L"notes.txt", 0));
  EXPECT_TRUE(IsRemovableLogEntry(staging, 300));
}

}  // namespace
}  // namespace tavlun

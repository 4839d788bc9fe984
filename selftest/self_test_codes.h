// Exit codes of `--self-test`: 0 when every check passed, otherwise the code of the first check that failed.
// Pure.
#pragma once

namespace tavlun {

inline constexpr int kSelfTestPassed = 0;

// Embedded builds.
inline constexpr int kSelfTestPayload32 = 10;
inline constexpr int kSelfTestPayload64 = 57;

// Report logic on built-in fixtures, in run order.
inline constexpr int kSelfTestReleaseText = 33;
inline constexpr int kSelfTestUnsafePaths = 34;
inline constexpr int kSelfTestDisplayText = 35;
inline constexpr int kSelfTestOfficialLinks = 50;
inline constexpr int kSelfTestPeAccepted = 37;
inline constexpr int kSelfTestPeMachine = 38;
inline constexpr int kSelfTestPeDllFlag = 39;
inline constexpr int kSelfTestPeMalformed = 40;
inline constexpr int kSelfTestJnlpOpener = 41;
inline constexpr int kSelfTestProbeRecordAccepted = 42;
inline constexpr int kSelfTestProbeRecordMagic = 43;
inline constexpr int kSelfTestProbeRecordCounts = 44;
inline constexpr int kSelfTestProbeRecordStatus = 48;
inline constexpr int kSelfTestProbeUnknownReaders = 45;
inline constexpr int kSelfTestProbeUnavailableReaders = 46;
inline constexpr int kSelfTestReadyRows = 51;
inline constexpr int kSelfTestAbsentRows = 52;
inline constexpr int kSelfTestServiceRow = 53;
inline constexpr int kSelfTestReaderRowCard = 54;
inline constexpr int kSelfTestReaderRowNoCard = 55;
inline constexpr int kSelfTestReaderRowUndetermined = 56;

// The installation engine on scratch folders, in run order.
inline constexpr int kSelfTestScratchRoot = 11;
inline constexpr int kSelfTestScratchFolders = 12;
inline constexpr int kSelfTestFirstInstall = 13;
inline constexpr int kSelfTestFirstInstallHash = 14;
inline constexpr int kSelfTestFirstReinstall = 15;
inline constexpr int kSelfTestSecondFolder = 58;
inline constexpr int kSelfTestSecondInstall = 59;
inline constexpr int kSelfTestSecondReinstall = 60;
inline constexpr int kSelfTestForeignWrite = 16;
inline constexpr int kSelfTestBackupInstall = 17;
inline constexpr int kSelfTestBackupInstallHash = 18;
inline constexpr int kSelfTestBackupHash = 19;
inline constexpr int kSelfTestInspectInstalled = 20;
inline constexpr int kSelfTestDeleteAndReplace = 21;
inline constexpr int kSelfTestExternalHash = 22;
inline constexpr int kSelfTestForeignRollbackRefused = 23;
inline constexpr int kSelfTestForeignFileKept = 24;
inline constexpr int kSelfTestRewriteBuild = 25;
inline constexpr int kSelfTestInspectRewritten = 26;
inline constexpr int kSelfTestRaceRollbackRefused = 27;
inline constexpr int kSelfTestRaceUpdateKept = 28;
inline constexpr int kSelfTestRewriteBuildAgain = 29;
inline constexpr int kSelfTestRollback = 30;
inline constexpr int kSelfTestRollbackHash = 31;
inline constexpr int kSelfTestCleanUp = 32;

}  // namespace tavlun

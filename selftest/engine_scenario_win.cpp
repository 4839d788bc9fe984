// The installation engine exercised for real on a scratch tree: two targets, a backup, the refusal to roll back
// over a foreign file, a rollback that meets a racing update, and a plain rollback.
#include <windows.h>

#include <string>
#include <vector>

#include "check/check_limits.h"
#include "core/install_outcome.h"
#include "core/text.h"
#include "install/owned_files.h"
#include "install/secure_folder.h"
#include "install/temp_files.h"
#include "install/transaction.h"
#include "integrity/sha256.h"
#include "selftest/self_test.h"
#include "selftest/self_test_codes.h"
#include "target/dll_state.h"
#include "target/targets.h"

namespace tavlun {
namespace {

constexpr wchar_t kScratchPrefix[] = L"Tavlun-Yardimcisi-SelfTest-";
constexpr char kAkisContent[] = "AKIS";
constexpr char kExternalContent[] = "EXTERNAL";
constexpr char kRaceContent[] = "RACE-EXTERNAL";
constexpr wchar_t kPriorRecoveryMarker[] = L"Önceki kurtarma kopyası: ";

template <std::size_t N>
constexpr std::uint32_t ContentLength(const char (&)[N]) {
  return static_cast<std::uint32_t>(N - 1);
}

bool IsPlainDirectoryPath(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

bool IsExistingFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Administrators work under the shared Windows "Temp" folder (never a Session Host user's private Windows folder),
// everyone else under their own temporary folder.
bool ReadScratchRoot(bool secure, std::wstring* root) {
  std::vector<wchar_t> buffer(kCheckBufferChars);
  const DWORD capacity = static_cast<DWORD>(buffer.size());
  const DWORD length = secure ? ::GetSystemWindowsDirectoryW(buffer.data(), capacity)
                              : ::GetTempPathW(capacity, buffer.data());
  if (length == 0 || length >= capacity) return false;
  const std::wstring folder(buffer.data(), length);
  *root = secure ? JoinPath(folder, L"Temp") : folder;
  return IsPlainDirectoryPath(*root);
}

bool FileHasSha256(const std::wstring& path, const std::wstring& expected) {
  std::wstring digest;
  std::wstring ignored;
  return Sha256FilePath(path, &digest, &ignored) && EqualsIgnoreAsciiCase(digest, expected);
}

std::wstring ContentSha256(const char* content, std::uint32_t length) {
  std::wstring digest;
  std::wstring ignored;
  Sha256Memory(content, length, &digest, &ignored);
  return digest;
}

bool InstallsWith(const TargetLocation& target, const LoadedPayload& build, const std::wstring& backups, bool secure,
                  std::int32_t expected_outcome, InstallOutcome* result) {
  *result = InstallOutcome();
  InstallSingleDll(result, target, build, backups, secure);
  return result->outcome == expected_outcome;
}

// The path the rollback names after the marker: up to the end, or up to the sentence that follows it.
std::wstring PriorRecoveryPath(const std::wstring& message) {
  const std::size_t marker = message.find(kPriorRecoveryMarker);
  if (marker == std::wstring::npos) return std::wstring();
  const std::size_t start = marker + (sizeof(kPriorRecoveryMarker) / sizeof(wchar_t) - 1);
  const std::size_t end = message.find(L". Hata: ", start);
  return message.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

class EngineScenario {
 public:
  EngineScenario(const LoadedPayload& build32, const LoadedPayload& build64, bool secure, std::wstring scratch)
      : build32_(build32), build64_(build64), secure_(secure), scratch_(std::move(scratch)) {}

  // Steps 3 to 10; the caller removes the scratch tree afterwards.
  int Run() {
    const std::wstring backups = JoinPath(scratch_, L"backups");
    const TargetLocation target1 = Target(scratch_, L"self-test");
    InstallOutcome result;
    if (!InstallsWith(target1, build32_, backups, secure_, kOutcomeInstalled, &result)) return kSelfTestFirstInstall;
    if (!FileHasSha256(target1.file_path, build32_.sha256)) return kSelfTestFirstInstallHash;
    if (!InstallsWith(target1, build32_, backups, secure_, kOutcomeAlreadyInstalled, &result)) {
      return kSelfTestFirstReinstall;
    }

    const std::wstring x64 = JoinPath(scratch_, L"x64");
    std::wstring message;
    if (!EnsureSecureFolder(x64, secure_, &message)) return kSelfTestSecondFolder;
    const TargetLocation target2 = Target(x64, L"self-test-x64");
    if (!InstallsWith(target2, build64_, backups, secure_, kOutcomeInstalled, &result) ||
        !FileHasSha256(target2.file_path, build64_.sha256)) {
      return kSelfTestSecondInstall;
    }
    if (!InstallsWith(target2, build64_, backups, secure_, kOutcomeAlreadyInstalled, &result)) {
      return kSelfTestSecondReinstall;
    }
    return RunBackupAndRollbacks(target1, backups);
  }

 private:
  TargetLocation Target(const std::wstring& directory, const wchar_t* route) const {
    TargetLocation target;
    target.directory = directory;
    target.file_path = JoinPath(directory, kAkisDllName);
    target.display_path = target.file_path;
    target.route = route;
    return target;
  }

  bool WriteBuild(const TargetLocation& target) const {
    std::wstring ignored;
    return WriteWholeFile(target.file_path, build32_.data, build32_.size, &ignored);
  }

  int RunBackupAndRollbacks(const TargetLocation& target, const std::wstring& backups) {
    std::wstring message;
    if (!WriteWholeFile(target.file_path, kAkisContent, ContentLength(kAkisContent), &message)) {
      return kSelfTestForeignWrite;
    }
    InstallOutcome result;
    if (!InstallsWith(target, build32_, backups, secure_, kOutcomeInstalled, &result) || result.backup.empty() ||
        !IsExistingFile(result.backup)) {
      return kSelfTestBackupInstall;
    }
    if (!FileHasSha256(target.file_path, build32_.sha256)) return kSelfTestBackupInstallHash;
    const std::wstring backup = result.backup;
    std::wstring backup_sha256;
    if (!Sha256FilePath(backup, &backup_sha256, &message)) return kSelfTestBackupHash;

    // The installed file is deleted and a foreign one takes its place: the rollback must leave it alone.
    FileIdentity deleted_identity;
    std::wstring deleted_sha256;
    std::uint32_t code = 0;
    if (!InspectOwnedFile(target.file_path, &deleted_identity, &deleted_sha256, &message, &code) ||
        !EqualsIgnoreAsciiCase(deleted_sha256, build32_.sha256)) {
      return kSelfTestInspectInstalled;
    }
    if (!DeleteOwnedFile(target.file_path, deleted_identity, deleted_sha256, &message) ||
        !WriteWholeFile(target.file_path, kExternalContent, ContentLength(kExternalContent), &message)) {
      return kSelfTestDeleteAndReplace;
    }
    std::wstring external_sha256;
    if (!Sha256FilePath(target.file_path, &external_sha256, &message)) return kSelfTestExternalHash;
    if (RollbackTarget(target, true, backup, backup_sha256, secure_, &message, &deleted_identity, &deleted_sha256)) {
      return kSelfTestForeignRollbackRefused;
    }
    if (!FileHasSha256(target.file_path, ContentSha256(kExternalContent, ContentLength(kExternalContent))) ||
        !FileHasSha256(backup, backup_sha256)) {
      return kSelfTestForeignFileKept;
    }

    // Rewritten in place, the foreign file becomes the installed build again, with the foreign file's identity.
    if (!WriteBuild(target)) return kSelfTestRewriteBuild;
    FileIdentity installed_identity;
    std::wstring installed_sha256;
    if (!InspectOwnedFile(target.file_path, &installed_identity, &installed_sha256, &message, &code) ||
        !EqualsIgnoreAsciiCase(installed_sha256, build32_.sha256)) {
      return kSelfTestInspectRewritten;
    }

    // An update races in between the rollback's proof and its swap: the rollback must put it back.
    RollbackRaceHook = [](const TargetLocation& raced, std::wstring* race_message) {
      return WriteWholeFile(raced.file_path, kRaceContent, ContentLength(kRaceContent), race_message);
    };
    const bool race_rolled_back =
        RollbackTarget(target, true, backup, backup_sha256, secure_, &message, &installed_identity, &installed_sha256);
    RollbackRaceHook = nullptr;
    if (race_rolled_back) return kSelfTestRaceRollbackRefused;
    const std::wstring prior_recovery = PriorRecoveryPath(message);
    FileIdentity raced_identity;
    std::wstring raced_sha256;
    if (prior_recovery.empty() || !IsExistingFile(prior_recovery) ||
        !InspectOwnedFile(target.file_path, &raced_identity, &raced_sha256, &message, &code) ||
        !SameFileIdentity(raced_identity, installed_identity) ||
        !EqualsIgnoreAsciiCase(raced_sha256, ContentSha256(kRaceContent, ContentLength(kRaceContent))) ||
        !FileHasSha256(backup, backup_sha256)) {
      return kSelfTestRaceUpdateKept;
    }

    if (!WriteBuild(target)) return kSelfTestRewriteBuildAgain;
    if (!RollbackTarget(target, true, backup, backup_sha256, secure_, &message)) return kSelfTestRollback;
    if (!FileHasSha256(target.file_path, backup_sha256)) return kSelfTestRollbackHash;
    return kSelfTestPassed;
  }

  const LoadedPayload& build32_;
  const LoadedPayload& build64_;
  const bool secure_;
  const std::wstring scratch_;
};

}  // namespace

int RunEngineScenario(const LoadedPayload& build32, const LoadedPayload& build64) {
  const bool secure = IsUserAdmin();
  std::wstring root;
  std::wstring token;
  if (!ReadScratchRoot(secure, &root) || !RandomHexToken(&token)) return kSelfTestScratchRoot;

  const std::wstring scratch = JoinPath(root, kScratchPrefix + token);
  std::wstring message;
  if (!EnsureSecureFolder(scratch, secure, &message) ||
      !EnsureSecureFolder(JoinPath(scratch, L"backups"), secure, &message)) {
    // The first call may have created the folder before its proof failed: the random name is ours alone, and
    // the removal leaves anything but a plain directory alone.
    RemoveTree(scratch);
    return kSelfTestScratchFolders;
  }

  const int code = EngineScenario(build32, build64, secure, scratch).Run();
  RollbackRaceHook = nullptr;
  const bool removed = RemoveTree(scratch);
  if (code == kSelfTestPassed && !removed) return kSelfTestCleanUp;
  return code;
}

}  // namespace tavlun

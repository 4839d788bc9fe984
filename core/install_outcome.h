// The result of installing one build at one target, and of the whole elevated run.
// Filled by the transaction, written by the log, summarised by the elevated run, read by the entry and window.
#pragma once

#include <cstdint>
#include <string>

namespace tavlun {

enum : std::int32_t {
  kOutcomeInstalled = 0,         // the target now holds the embedded build after a change
  kOutcomeAlreadyInstalled = 1,  // nothing changed: identical file present, or same-or-newer file kept
  kOutcomeFailed = 2,
};

// Exit codes of the elevated run (--install-elevated), which the window reads back.
inline constexpr int kExitElevatedSucceeded = 0;
inline constexpr int kExitElevatedFailedLogged = 30;    // failed; every target's log record was written
inline constexpr int kExitElevatedFailedUnlogged = 31;  // failed before a target, or a log record is missing

struct InstallOutcome {
  std::int32_t outcome = kOutcomeFailed;
  std::wstring message;          // Turkish summary for the user
  std::wstring target;           // display path (or file path); in the overall result all targets joined by "; "
  std::wstring old_sha256;       // digest of the file found before the change; empty when none
  std::wstring backup;           // backup path; in the overall result all backups joined by "; "
  std::wstring rollback;         // what the rollback did; empty when none was needed
  std::wstring expected_sha256;  // digest of the embedded build to install
  std::uint32_t win32_error = 0;
  bool log_written = false;      // elevated run only: every per-target log record was written
  std::wstring cause;            // elevated run only: stable keyword of how it ended (install/event_log.h)

  InstallOutcome() = default;
  InstallOutcome(InstallOutcome&&) = default;
  InstallOutcome& operator=(InstallOutcome&&) = default;
  // Moved between stages, never copied by accident.
  InstallOutcome(const InstallOutcome&) = delete;
  InstallOutcome& operator=(const InstallOutcome&) = delete;
};

}  // namespace tavlun

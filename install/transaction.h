// Installing one embedded build at one target as a transaction.
#pragma once

#include <string>

#include "core/install_outcome.h"
#include "install/engine_hooks.h"
#include "integrity/payload.h"
#include "integrity/sha256.h"
#include "target/targets.h"

namespace tavlun {

// The original of a target that an interrupted earlier run moved aside during its swap: its digest and the
// verified backup that holds it. The next run's record for that target names them.
struct InterruptedOriginal {
  std::wstring sha256;
  std::wstring backup;
};

// The old file that the swap left under its "previous" name, proved: what removes it, and when.
struct PreviousCopy {
  std::wstring path;
  FileIdentity identity;
  std::wstring sha256;
};

// Leaves an identical file, and a different file of the same machine with the same or a newer version, alone
// (outcome 1). Otherwise backs up the file found (into a new folder under `backups_folder`), writes and proves
// the build under a temporary name next to the target, re-checks the target, swaps atomically and verifies the
// installed file by identity and hash (outcome 0). Every failure is outcome 2 with the step's message; a failure
// after the swap rolls back without deleting any file that is not provably this run's. Never throws for file
// system conditions. On outcome 0, `installed_identity` (when given) receives the installed file's identity.
// With `interrupted`, a target found empty or already holding the build reports that original as its old file
// and backup. With `deferred_previous`, an installation leaves the old file under its "previous" name and
// describes it there, for the caller to remove once the record is written (RemovePreviousCopy): a run stopped in
// between leaves a copy that the next run recognises.
void InstallSingleDll(InstallOutcome* result, const TargetLocation& target, const LoadedPayload& payload,
                      const std::wstring& backups_folder, bool secure, FileIdentity* installed_identity = nullptr,
                      const EngineHooks* hooks = nullptr, const InterruptedOriginal* interrupted = nullptr,
                      PreviousCopy* deferred_previous = nullptr);

// Deletes the proved old file through a verified handle; false with the message when it stays.
bool RemovePreviousCopy(const PreviousCopy& previous, std::wstring* message, const EngineHooks* hooks = nullptr);

}  // namespace tavlun

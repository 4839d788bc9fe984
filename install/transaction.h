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

// Leaves an identical file, and a different file of the same machine with the same or a newer version, alone
// (outcome 1). Otherwise backs up the file found (into a new folder under `backups_folder`), writes and proves
// the build under a temporary name next to the target, re-checks the target, swaps atomically and verifies the
// installed file by identity and hash (outcome 0). Every failure is outcome 2 with the step's message; a failure
// after the swap rolls back without deleting any file that is not provably this run's. Never throws for file
// system conditions. On outcome 0, `installed_identity` (when given) receives the installed file's identity.
// With `interrupted`, a target found empty or already holding the build reports that original as its old file
// and backup.
void InstallSingleDll(InstallOutcome* result, const TargetLocation& target, const LoadedPayload& payload,
                      const std::wstring& backups_folder, bool secure, FileIdentity* installed_identity = nullptr,
                      const EngineHooks* hooks = nullptr, const InterruptedOriginal* interrupted = nullptr);

}  // namespace tavlun

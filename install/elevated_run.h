// The whole installation: lock, targets, payloads, preflight, work folders, one transaction and one log record
// per target, and the undo of earlier targets when a later one fails.
#pragma once

#include <string>
#include <vector>

#include "core/install_outcome.h"
#include "install/engine_hooks.h"
#include "install/install_lock.h"
#include "integrity/payload.h"
#include "target/targets.h"

namespace tavlun {

struct ElevatedRunTarget {
  TargetEntry entry;
  bool payload_loaded = false;
  LoadedPayload payload;
  std::wstring payload_message;  // LoadPayload's message when it failed
};

// Everything the run takes from the machine, read in one place (ReadElevatedRunInputs) so that the run itself
// can be driven on scratch folders.
struct ElevatedRunInputs {
  bool is_admin = false;
  std::wstring lock_name = kInstallLockName;
  bool targets_resolved = false;
  std::wstring targets_message;  // ResolveRequiredTargets' message when it failed
  std::vector<ElevatedRunTarget> targets;
  bool work_root_found = false;
  std::wstring work_root;  // ProgramData; the work area is <root>\TavlunYardimcisi with Backups and Logs
  bool secure = true;      // owner and DACL rules on every folder and file the engine keeps
  const EngineHooks* hooks = nullptr;
};

// Administrator check, required targets with their verified payloads, and the ProgramData folder.
ElevatedRunInputs ReadElevatedRunInputs();

// Runs the installation on the machine: RunElevatedInstall(ReadElevatedRunInputs()).
InstallOutcome RunElevatedInstall();

// Outcome 0 when something was installed, 1 when nothing needed a change, 2 on failure. A failure before the
// first transaction leaves the system folders untouched and `log_written` false. Never throws for file-system
// conditions.
InstallOutcome RunElevatedInstall(const ElevatedRunInputs& inputs);

}  // namespace tavlun

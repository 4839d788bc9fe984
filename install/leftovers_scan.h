// The start of an elevated run: recognising what an interrupted earlier run left and removing what it can prove.
#pragma once

#include <string>
#include <vector>

#include "install/engine_hooks.h"
#include "install/transaction.h"
#include "target/targets.h"

namespace tavlun {

struct LeftoverTarget {
  TargetLocation location;
  std::wstring build_sha256;  // the embedded build for this target
};

// Looks beside each target for the engine's own names and in the work area (`work_area`, may be empty or absent:
// nothing is created) for its backup folders and records; removes the provable leftovers (install/leftovers.h)
// through handles that proved them, and nothing else. `originals` receives one element per target: the original
// an interrupted swap left under the "previous" name (empty when there is none). Failures only keep files.
void CleanUpInterruptedRuns(const std::vector<LeftoverTarget>& targets, const std::wstring& work_area, bool secure,
                            std::vector<InterruptedOriginal>* originals, const EngineHooks* hooks = nullptr);

}  // namespace tavlun

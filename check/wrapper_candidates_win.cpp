#include <windows.h>

#include <string>

#include "check/check_budget.h"
#include "check/wrapper_candidates.h"
#include "target/targets.h"

namespace tavlun {

std::vector<WrapperCandidate> ProbeWrapperCandidates(bool examine) {
  std::vector<WrapperCandidate> candidates;
  // The same folders and native machine as the installation targets (the shared Windows folder, IsWow64Process2).
  const SystemDirectories system = QuerySystemDirectories();
  for (const WrapperLocation& location : WrapperCandidateLocations(system.windows.path, system.architecture,
                                                                   system.system_wow64.path, system.system.path)) {
    WrapperCandidate candidate;
    candidate.displayPath = location.displayPath;
    if (examine) {
      candidate.probe = ProbeExecutable(location.probePath, true);
    } else {
      candidate.probe = NotExaminedProbe();
    }
    candidates.push_back(std::move(candidate));
  }
  return candidates;
}

}  // namespace tavlun

// Shared by the benchmark programs that run the check: the clock, and the probe child role that the check
// starts them in.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/entry.h"
#include "app/run_mode.h"
#include "bench/bench_clock.h"
#include "core/system_dlls.h"

namespace tavlun::bench {

// Sets the process up as the program does. The check starts this program as its probe child: then the probe runs
// and `exit_code` holds its result (true).
inline bool RanAsProbeChild(int* exit_code) {
  sysdll::HardenDllSearch();
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  std::vector<std::wstring> args;
  const bool split = SplitProcessCommandLine(&args);
  if (SelectRunMode(split, args) != RunMode::ProbeMode) return false;
  *exit_code = RunProbeMode();
  return true;
}

}  // namespace tavlun::bench

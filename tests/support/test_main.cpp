#include <gtest/gtest.h>

#include "app/entry.h"
#include "app/run_mode.h"
#include "core/system_dlls.h"

int wmain(int argc, wchar_t** argv) {
  // The same DLL search rules as the program, so tests see what the program sees.
  tavlun::sysdll::HardenDllSearch();
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  // A check run inside a test starts the running program as its smart-card probe: answer as the program would,
  // instead of running the tests a second time.
  std::vector<std::wstring> args;
  const bool split = tavlun::SplitProcessCommandLine(&args);
  if (tavlun::SelectRunMode(split, args) == tavlun::RunMode::ProbeMode) return tavlun::RunProbeMode();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

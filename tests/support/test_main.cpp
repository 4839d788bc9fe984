#include <gtest/gtest.h>

#include "core/system_dlls.h"

int wmain(int argc, wchar_t** argv) {
  // The same DLL search rules as the program, so tests see what the program sees.
  tavlun::sysdll::HardenDllSearch();
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

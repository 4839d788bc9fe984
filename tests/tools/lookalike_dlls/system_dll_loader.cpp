// Loads bcrypt, version, winscard and comctl32 through the program's system-DLL loader only, without the
// process-wide search restriction of the entry, so the loader alone must keep look-alikes in the program's
// folder out. Exit code: 0 when all four loaded, else one bit per DLL that did not (1 bcrypt, 2 version,
// 4 winscard, 8 comctl32).
#include <windows.h>

#include "core/system_dlls.h"

int wmain() {
  int missing = 0;
  if (!tavlun::sysdll::Bcrypt().loaded) missing |= 1;
  if (!tavlun::sysdll::Version().loaded) missing |= 2;
  if (!tavlun::sysdll::Winscard().loaded) missing |= 4;
  if (!tavlun::sysdll::Comctl32().loaded) missing |= 8;
  return missing;
}

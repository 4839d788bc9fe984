// admin_probe: exits with 1 when IsUserAdmin() reports administrator rights, 0 otherwise.
// Tests start it directly and through run_restricted.exe.
#include "target/dll_state.h"

int wmain() { return tavlun::IsUserAdmin() ? 1 : 0; }

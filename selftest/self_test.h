// The `--self-test` run: fixed checks of the embedded builds, the report logic and the installation engine,
// with no window, no dialog and no output. The exit code is the only report (selftest/self_test_codes.h).
#pragma once

#include "integrity/payload.h"

namespace tavlun {

// 0 when every check passed, otherwise the code of the first failing check; the run stops there after its
// clean-up. Leaves no scratch folder behind (code 32 when only that removal failed).
int SelfTestRun();

// The engine scenario on scratch folders under the temporary folder (the Windows "Temp" folder, with the secure
// owner and DACL, when running as administrator): codes 11 to 32 and 58 to 60.
int RunEngineScenario(const LoadedPayload& build32, const LoadedPayload& build64);

}  // namespace tavlun

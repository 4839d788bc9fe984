#include "selftest/self_test.h"

#include "check/path_safety.h"
#include "selftest/fixture_checks.h"
#include "selftest/self_test_codes.h"

namespace tavlun {

int SelfTestRun() {
  std::wstring ignored;
  LoadedPayload build32;
  if (!LoadPayload(PayloadBuild32(), &build32, &ignored)) return kSelfTestPayload32;
  LoadedPayload build64;
  if (!LoadPayload(PayloadBuild64(), &build64, &ignored)) return kSelfTestPayload64;
  const int fixtures = RunFixtureChecks(ValidateLocalPathSyntax);
  if (fixtures != kSelfTestPassed) return fixtures;
  return RunEngineScenario(build32, build64);
}

}  // namespace tavlun

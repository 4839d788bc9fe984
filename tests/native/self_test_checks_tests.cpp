// The self-test's report-logic checks, natively under the sanitizers, with the pure path rules standing in for
// the drive query: the fixtures built into the program pass, and they read no byte outside themselves.
#include <gtest/gtest.h>

#include "check/path_safety.h"
#include "selftest/fixture_checks.h"
#include "selftest/self_test_codes.h"

namespace tavlun {
namespace {

TEST(SelfTestFixtureChecks, AllPass) { EXPECT_EQ(RunFixtureChecks(CheckLocalPathText), kSelfTestPassed); }

// A path rule that lets everything through must make the run stop at the path check.
TEST(SelfTestFixtureChecks, StopAtTheFirstFailingCheck) {
  EXPECT_EQ(RunFixtureChecks([](const std::wstring&, std::wstring*) { return true; }), kSelfTestUnsafePaths);
}

}  // namespace
}  // namespace tavlun

// The run mode chosen from the command line and the strict probe-mode arguments. Pure: runs in the Windows test
// program and natively under the sanitizers.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/run_mode.h"

namespace tavlun {
namespace {

using Args = std::vector<std::wstring>;

TEST(SelectRunMode, ProbePrefixAnywhereWins) {
  EXPECT_EQ(SelectRunMode(true, Args{L"p", L"--self-test", L"--PCSC-PROBE-extra"}), RunMode::ProbeMode);
  EXPECT_EQ(SelectRunMode(true, Args{L"p", L"--install-elevated", L"--pcsc-probe"}), RunMode::ProbeMode);
  EXPECT_EQ(SelectRunMode(true, Args{L"--pcsc-probe"}), RunMode::WindowMode) << "the program name is not scanned";
}

TEST(SelectRunMode, SwitchesIgnoreCaseButNotExtraCharacters) {
  EXPECT_EQ(SelectRunMode(true, Args{L"p", L"--SELF-TEST"}), RunMode::SelfTestMode);
  EXPECT_EQ(SelectRunMode(true, Args{L"p", L"--Install-Elevated"}), RunMode::ElevatedInstallMode);
  EXPECT_EQ(SelectRunMode(true, Args{L"p", L"--install-elevatedx"}), RunMode::UsageErrorMode) << "not the switch";
  EXPECT_EQ(SelectRunMode(true, Args{L"p", L"--install-elevated", L"--self-test"}), RunMode::SelfTestMode);
  EXPECT_EQ(SelectRunMode(false, Args{}), RunMode::WindowMode);
  EXPECT_EQ(SelectRunMode(true, Args{L"p"}), RunMode::WindowMode);
}

TEST(SelectRunMode, AnythingThatLooksLikeASwitchButIsNoneEndsTheRun) {
  const Args usage[] = {
      {L"p", L"/S"},           {L"p", L"--silent"},           {L"p", L"--check"},
      {L"p", L"/?"},           {L"p", L"--help"},             {L"p", L"--selftest"},
      {L"p", L"--install"},    {L"p", L"-"},                  {L"p", L"--check-report"},
      {L"p", L"--self-test", L"/q"},                          {L"p", L"--install-elevated", L"--quiet"},
      {L"p", L"--pcsc-pipe=5"},                               {L"p", L"C:\\a.jnlp", L"/x"},
      {L"p", L"--check-report=C:\\a.json", L"--check-report=C:\\b.json"},
      {L"p", L"--check-report=C:\\a.json", L"--install-elevated"},
      {L"p", L"--self-test", L"--check-report=C:\\a.json"},
  };
  for (const Args& args : usage) EXPECT_EQ(SelectRunMode(true, args), RunMode::UsageErrorMode) << args.back().c_str();
  EXPECT_EQ(SelectRunMode(true, Args{L"p", L"/?", L"--pcsc-probe"}), RunMode::ProbeMode) << "probe detection first";

  EXPECT_EQ(SelectRunMode(true, Args{L"p", L"C:\\Users\\Ayşe\\imza.jnlp"}), RunMode::WindowMode);
  EXPECT_EQ(SelectRunMode(true, Args{L"p", L""}), RunMode::WindowMode);
  EXPECT_EQ(SelectRunMode(true, Args{L"p", L"--CHECK-REPORT=C:\\r.json", L"dropped.txt"}), RunMode::CheckReportMode);
  EXPECT_EQ(CheckReportArgument(Args{L"p", L"x", L"--Check-Report=C:\\r.json"}), L"C:\\r.json");
  EXPECT_EQ(SelectRunMode(true, Args{L"p", L"--check-report="}), RunMode::CheckReportMode) << "refused by its path";
  EXPECT_EQ(CheckReportArgument(Args{L"p", L"--check-report="}), L"");
}

TEST(ParseProbeArguments, AcceptsOnlyTheStrictForm) {
  std::uint32_t value = 0;
  EXPECT_TRUE(ParseProbeArguments(Args{L"p", L"--pcsc-probe", L"--pcsc-pipe=1234"}, &value));
  EXPECT_EQ(value, 1234u);
  EXPECT_TRUE(ParseProbeArguments(Args{L"p", L"--pcsc-probe", L"--pcsc-pipe= +4294967295"}, &value));
  EXPECT_EQ(value, 4294967295u);

  const wchar_t* rejected[] = {L"--pcsc-pipe=0", L"--pcsc-pipe=4294967296", L"--pcsc-pipe=12a", L"--pcsc-pipe=",
                               L"--PCSC-PIPE=12", L"--pcsc-pipe=-1", L"--pcsc-pipe=99999999999999999999999",
                               L"--pcsc-pipe", L"--pcsc-pipe=12 "};
  for (const wchar_t* argument : rejected) {
    EXPECT_FALSE(ParseProbeArguments(Args{L"p", L"--pcsc-probe", argument}, &value)) << argument;
  }
  EXPECT_FALSE(ParseProbeArguments(Args{L"p", L"--PCSC-PROBE", L"--pcsc-pipe=5"}, &value));
  EXPECT_FALSE(ParseProbeArguments(Args{L"p", L"--pcsc-probe"}, &value));
  EXPECT_FALSE(ParseProbeArguments(Args{L"p", L"--pcsc-probe", L"--pcsc-pipe=5", L"x"}, &value));
  EXPECT_FALSE(ParseProbeArguments(Args{L"p", L"--pcsc-pipe=5", L"--pcsc-probe"}, &value));
  EXPECT_FALSE(ParseProbeArguments(Args{L"p", L"--pcsc-probe", std::wstring(L"--pcsc-pipe=5\0" L"7", 15)}, &value));
}

TEST(ParseProbeArguments, NegativeNumbersNeverWrapIntoAHandle) {
  // As unsigned numbers these negate to 1 and to 4294967295, both in range.
  const wchar_t* rejected[] = {L"--pcsc-pipe=-18446744073709551615", L"--pcsc-pipe= -18446744069414584321",
                               L"--pcsc-pipe=-0", L"--pcsc-pipe=\t-5"};
  for (const wchar_t* argument : rejected) {
    std::uint32_t value = 77;
    EXPECT_FALSE(ParseProbeArguments(Args{L"p", L"--pcsc-probe", argument}, &value)) << argument;
    EXPECT_EQ(value, 77u);
  }
}

}  // namespace
}  // namespace tavlun

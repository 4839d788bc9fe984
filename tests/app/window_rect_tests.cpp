#include <gtest/gtest.h>

#include "app/run_mode.h"
#include "app/window_rect.h"

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
  EXPECT_EQ(SelectRunMode(true, Args{L"p", L"--install-elevatedx"}), RunMode::WindowMode);
  EXPECT_EQ(SelectRunMode(true, Args{L"p", L"--install-elevated", L"--self-test"}), RunMode::SelfTestMode);
  EXPECT_EQ(SelectRunMode(false, Args{}), RunMode::WindowMode);
  EXPECT_EQ(SelectRunMode(true, Args{L"p"}), RunMode::WindowMode);
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

TEST(PlaceInitialWindow, CentresTheDesignedSizeInTheWorkArea) {
  const RECT rect = PlaceInitialWindow({776, 659, RECT{0, 0, 1920, 1040}, 96});
  EXPECT_EQ(rect.left, (1920 - 776) / 2);
  EXPECT_EQ(rect.top, (1040 - 659) / 2);
  EXPECT_EQ(rect.right - rect.left, 776);
  EXPECT_EQ(rect.bottom - rect.top, 659);
}

TEST(PlaceInitialWindow, NarrowWorkAreaGivesMinimumAndNoNegativeOffset) {
  // Work area 300 wide: 300 - 32 < 320, so the width is 320, wider than the work area: start at its left edge.
  RECT rect = PlaceInitialWindow({776, 659, RECT{100, 50, 400, 350}, 96});
  EXPECT_EQ(rect.left, 100);
  EXPECT_EQ(rect.right - rect.left, 320);
  EXPECT_EQ(rect.top, 50);
  EXPECT_EQ(rect.bottom - rect.top, 300);
  // The adjusted window size wins when it is smaller than the minimum.
  rect = PlaceInitialWindow({200, 150, RECT{0, 0, 300, 200}, 96});
  EXPECT_EQ(rect.right - rect.left, 200);
  EXPECT_EQ(rect.bottom - rect.top, 150);
  EXPECT_EQ(rect.left, 50);
  EXPECT_EQ(rect.top, 25);
}

TEST(PlaceInitialWindow, MarginScalesWithDpi) {
  // At 144 DPI the margin is 24: a 1000-pixel work area leaves 952 for a 1200-pixel window.
  const RECT rect = PlaceInitialWindow({1200, 900, RECT{0, 0, 1000, 800}, 144});
  EXPECT_EQ(rect.right - rect.left, 952);
  EXPECT_EQ(rect.bottom - rect.top, 752);
  EXPECT_EQ(rect.left, 24);
  EXPECT_EQ(rect.top, 24);
}

}  // namespace
}  // namespace tavlun

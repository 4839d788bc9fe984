#include <gtest/gtest.h>

#include "app/window_rect.h"

namespace tavlun {
namespace {

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

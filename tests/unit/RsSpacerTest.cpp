// The separator's lines for each shape, direction and size.
#include <gtest/gtest.h>

#include "RsSpacer.h"

using namespace lensoro;

namespace {
constexpr DWORD Dark = 0x00808080u, Light = 0x00FFFFFFu;
}

TEST(RsSpacer, LinesForEachShapeAndDirection) {
  // The About dialog's horizontal separator, 346 x 5.
  EXPECT_EQ(SpacerLines(lsSingle, ldHorizontal, 346, 5, Dark, Light),
            (std::vector<TSpacerLine>{{{2, 1}, {344, 1}, Dark}}));
  EXPECT_EQ(SpacerLines(lsDouble, ldHorizontal, 346, 5, Dark, Light),
            (std::vector<TSpacerLine>{{{2, 1}, {344, 1}, Dark}, {{2, 2}, {344, 2}, Light}}));
  // Its vertical one, 10 x 166.
  EXPECT_EQ(SpacerLines(lsSingle, ldVertical, 10, 166, Dark, Light),
            (std::vector<TSpacerLine>{{{4, 2}, {4, 164}, Dark}}));
  EXPECT_EQ(SpacerLines(lsDouble, ldVertical, 50, 50, Dark, Light),
            (std::vector<TSpacerLine>{{{24, 2}, {24, 48}, Dark}, {{25, 2}, {25, 48}, Light}}));
  // An odd size puts the first line just above the middle.
  EXPECT_EQ(SpacerLines(lsSingle, ldHorizontal, 50, 7, Dark, Light)[0].From.Y, 2);
  EXPECT_TRUE(SpacerLines(lsNone, ldHorizontal, 346, 5, Dark, Light).empty());
}

TEST(RsSpacer, TooSmallForALineDrawsNone) {
  EXPECT_TRUE(SpacerLines(lsDouble, ldHorizontal, 4, 5, Dark, Light).empty());
  EXPECT_TRUE(SpacerLines(lsSingle, ldVertical, 10, 3, Dark, Light).empty());
  EXPECT_TRUE(SpacerLines(lsSingle, ldHorizontal, -20, 5, Dark, Light).empty());
  // Five pixels leave one pixel between the margins.
  EXPECT_EQ(SpacerLines(lsSingle, ldHorizontal, 5, 5, Dark, Light),
            (std::vector<TSpacerLine>{{{2, 1}, {3, 1}, Dark}}));
  // A flat control still draws, at y = -1 it lies outside and clips.
  EXPECT_EQ(SpacerLines(lsSingle, ldHorizontal, 20, 0, Dark, Light)[0].From.Y, -1);
}

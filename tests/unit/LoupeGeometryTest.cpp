// The loupe's geometry as plain arithmetic: sizes, the source area in both
// modes and every origin, and the resize zones, on a desktop that starts at
// the origin and on one with monitors left of and above the primary one.
#include <gtest/gtest.h>

#include "LoupeGeometry.h"

using namespace lensoro;

namespace {

const TVirtualDesktop Primary{0, 0, 1920, 1080};
// A 1920 x 1080 monitor left of the primary one and 300 pixels higher.
const TVirtualDesktop LeftAndAbove{-1920, -300, 3840, 1380};
// The loupe of 268 x 220 with frame 4 at rate 2.0.
const TLoupeSizes Usual{260, 212, 130, 106};

TLoupePlace At(int x, int y, float rate = 2.0f) {
  return {{x, y}, 4, rate == 2.0f ? Usual : LoupeSizes(268, 220, 4, rate), rate};
}

}  // namespace

TEST(LoupeGeometry, SizesAreTheWindowLessTheFrameOverTheRate) {
  const struct {
    int Width, Height, Frame;
    float Rate;
    TLoupeSizes Expected;
  } cases[] = {
      {268, 220, 4, 2.0f, {260, 212, 130, 106}},
      {300, 300, 4, 2.0f, {292, 292, 146, 146}},
      {269, 220, 4, 2.0f, {261, 212, 130, 106}},  // 130.5 rounds to even
      {271, 220, 4, 2.0f, {263, 212, 132, 106}},  // 131.5 too
      {268, 220, 4, 3.0f, {260, 212, 87, 71}},
      {268, 220, 0, 2.0f, {268, 220, 134, 110}},
      {268, 220, 10, 8.0f, {248, 200, 31, 25}},
      // Smaller than its two frames: an empty image, not a negative one.
      {5, 9, 4, 2.0f, {0, 1, 0, 0}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LoupeSizes(c.Width, c.Height, c.Frame, c.Rate), c.Expected)
        << c.Width << "x" << c.Height << " frame " << c.Frame << " rate " << c.Rate;
  }
}

TEST(LoupeGeometry, PointerModeCentresAndStopsAtTheDesktopsEdges) {
  const struct {
    TVirtualDesktop Desktop;
    TPoint Pointer;
    TRect Expected;
  } cases[] = {
      {Primary, {960, 540}, {895, 487, 1025, 593}},
      {Primary, {10, 10}, {0, 0, 130, 106}},
      {Primary, {1919, 1079}, {1790, 974, 1920, 1080}},
      {LeftAndAbove, {-1000, -100}, {-1065, -153, -935, -47}},
      {LeftAndAbove, {-1915, -295}, {-1920, -300, -1790, -194}},
      // The upper bounds are the desktop's right and bottom edges, wherever
      // it starts.
      {LeftAndAbove, {1900, 1070}, {1790, 974, 1920, 1080}},
      {{-1280, 0, 3200, 1080}, {1915, 500}, {1790, 447, 1920, 553}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PointerSourceRect(c.Pointer, 130, 106, c.Desktop), c.Expected) << c.Pointer.X << "," << c.Pointer.Y;
  }
}

TEST(LoupeGeometry, WindowModeSharesTheChosenPointWithTheImage) {
  const struct {
    TVirtualDesktop Desktop;
    TLoupePlace Loupe;
    TLoupeSrcOrigin Origin;
    TRect Expected;
  } cases[] = {
      {Primary, At(100, 100), lsoTopLeft, {104, 104, 234, 210}},
      {Primary, At(100, 100), lsoTopRight, {234, 104, 364, 210}},
      {Primary, At(100, 100), lsoBottomLeft, {104, 210, 234, 316}},
      {Primary, At(100, 100), lsoBottomRight, {234, 210, 364, 316}},
      {Primary, At(100, 100), lsoCenter, {169, 157, 299, 263}},
      // Wholly on the monitor left of and above the primary one.
      {LeftAndAbove, At(-1000, -200), lsoTopLeft, {-996, -196, -866, -90}},
      {LeftAndAbove, At(-1000, -200), lsoTopRight, {-866, -196, -736, -90}},
      {LeftAndAbove, At(-1000, -200), lsoBottomLeft, {-996, -90, -866, 16}},
      {LeftAndAbove, At(-1000, -200), lsoBottomRight, {-866, -90, -736, 16}},
      {LeftAndAbove, At(-1000, -200), lsoCenter, {-931, -143, -801, -37}},
      // The centred area stops at the desktop's edges.
      {LeftAndAbove, At(1750, 950), lsoCenter, {1790, 974, 1920, 1080}},
      {LeftAndAbove, At(-2000, -350), lsoCenter, {-1920, -293, -1790, -187}},
      // On the desktop the anchor holds at any rate (sources 87 x 71 at 3.0,
      // 32 x 26 at 8.0).
      {Primary, At(1000, 400, 3.0f), lsoTopRight, {1177, 404, 1264, 475}},
      {Primary, At(1500, 400, 8.0f), lsoBottomRight, {1732, 590, 1764, 616}},
      {LeftAndAbove, At(-1000, -200, 8.0f), lsoTopLeft, {-996, -196, -964, -170}},
      // Over the left and top edges the bounds from the rate take over:
      // rnd((-1920 - 1947) / 2) = -1934 and rnd((-300 - 327) / 2) = -314,
      // both ties to even.
      {LeftAndAbove, At(-1951, -331), lsoTopLeft, {-1934, -314, -1804, -208}},
      {Primary, At(-50, 100), lsoTopLeft, {-23, 104, 107, 210}},
      // Over the right and bottom edges: rnd((1920 + 1964) / 2) = 1942,
      // rnd((1080 + 1116) / 2) = 1098.
      {Primary, At(1700, 900), lsoBottomRight, {1812, 992, 1942, 1098}},
  };
  for (const auto& c : cases) {
    const auto r = WindowSourceRect(c.Loupe, c.Origin, c.Desktop);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(*r, c.Expected) << c.Loupe.Origin.X << "," << c.Loupe.Origin.Y << " origin " << int(c.Origin);
  }
  EXPECT_FALSE(WindowSourceRect(At(100, 100), static_cast<TLoupeSrcOrigin>(5), Primary).has_value());
}

TEST(LoupeGeometry, ResizeZonesOnAMonitorLeftOfAndAboveThePrimary) {
  const TRect r{-1500, -300, -1232, -80};
  const struct {
    int X, Y;
    LRESULT Expected;
  } cases[] = {
      {-1495, -295, 13}, {-1494, -295, 12}, {-1233, -299, 14}, {-1498, -81, 16}, {-1234, -82, 17},
      {-1498, -200, 10}, {-1237, -200, 11}, {-1238, -200, 1},  {-1400, -85, 15}, {-1400, -86, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(LoupeHitTest(r, c.X, c.Y, 1), c.Expected) << c.X << "," << c.Y;
}

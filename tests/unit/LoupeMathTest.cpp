// The loupe's numbers: rounding of pixel quotients, clamping, and the rates
// the zoom commands reach.
#include <gtest/gtest.h>

#include <array>

#include "LnsLib.h"
#include "Main.h"

using namespace lensoro;

TEST(LoupeMath, QuotientsRoundToNearestTiesToEven) {
  EXPECT_EQ(RoundQuotient(260, 2.0f), 130);
  EXPECT_EQ(RoundQuotient(212, 2.0f), 106);
  EXPECT_EQ(RoundQuotient(261, 2.0f), 130);  // 130.5
  EXPECT_EQ(RoundQuotient(263, 2.0f), 132);  // 131.5
  EXPECT_EQ(RoundHalfEven(2.5L), 2);
  EXPECT_EQ(RoundHalfEven(3.5L), 4);
  EXPECT_EQ(RoundHalfEven(-0.5L), 0);
  EXPECT_EQ(RoundHalfEven(-1.5L), -2);
  EXPECT_EQ(RoundHalfEven(-23.0L), -23);
  EXPECT_EQ(RoundQuotient(-46, 2.0f), -23);
}

TEST(LoupeMath, ClampToRangeFavoursTheLowerBound) {
  EXPECT_EQ(ClampToRange(5, 10, 10), 10);
  EXPECT_EQ(ClampToRange(5, 10, 3), 10);
  EXPECT_EQ(ClampToRange(1854, 0, 1790), 1790);
  EXPECT_EQ(ClampToRange(-5, 0, 1790), 0);
  EXPECT_EQ(ClampToRange(895, 0, 1790), 895);
}

TEST(LoupeMath, ZoomStepsCarryTheSingleRounding) {
  EXPECT_EQ(ZoomInRate(7.95f), 8.0f);
  EXPECT_EQ(ZoomInRate(8.0f), 8.0f);
  EXPECT_EQ(ZoomOutRate(1.35f), 1.3f);
  EXPECT_EQ(ZoomOutRate(1.3f), 1.3f);
  // The step is added to the value, not snapped to a 0.1 grid.
  EXPECT_EQ(ZoomInRate(1.35f), static_cast<float>(1.35f + 0.1L));
  float rate = 2.0f;
  for (int i = 0; i < 10; ++i) rate = ZoomInRate(rate);
  EXPECT_EQ(static_cast<double>(rate), 2.9999990463256836);
  EXPECT_NE(rate, 3.0f);
  // 2.0 + 0.1 is the Single nearest 2.1.
  EXPECT_EQ(ZoomInRate(2.0f), 2.1f);
}

TEST(LoupeMath, ColourMatricesTransformAsDocumented) {
  // (r, g, b, a, 1) x M for a colour in 0..1.
  auto apply = [](const TMagColorEffect& m, float r, float g, float b) {
    const float in[5] = {r, g, b, 1.0f, 1.0f};
    std::array<float, 3> out{};
    for (int j = 0; j < 3; ++j) {
      float sum = 0;
      for (int i = 0; i < 5; ++i) sum += in[i] * m.v[i][j];
      out[static_cast<std::size_t>(j)] = sum;
    }
    return out;
  };
  const auto white = apply(LoupeColorMatrices[lcmInvert], 1, 1, 1);
  EXPECT_FLOAT_EQ(white[0] + white[1] + white[2], 0.0f);
  const auto red = apply(LoupeColorMatrices[lcmGray], 1, 0, 0);
  EXPECT_FLOAT_EQ(red[0], 0.298912f);
  EXPECT_FLOAT_EQ(red[1], 0.298912f);
  EXPECT_FLOAT_EQ(red[2], 0.298912f);
  const auto same = apply(LoupeColorMatrices[lcmOriginal], 0.25f, 0.5f, 0.75f);
  EXPECT_FLOAT_EQ(same[0], 0.25f);
  EXPECT_FLOAT_EQ(same[2], 0.75f);
}

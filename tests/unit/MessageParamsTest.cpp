// The 16-bit halves of message parameters, negative multi-monitor
// coordinates included.
#include <gtest/gtest.h>

#include "MessageParams.h"

using namespace lensoro;

TEST(MessageParams, MousePointsAreSigned16BitPairs) {
  const struct {
    std::int64_t LParam;  // as a 32-bit program receives it, or sign-extended as a 64-bit one may
    TPoint Point;
  } cases[] = {
      {0x00640032, {50, 100}},
      {0xFFFFFFFF, {-1, -1}},  // from the keyboard: WM_CONTEXTMENU's (-1, -1)
      {-1, {-1, -1}},
      {0xFBC8F880, {-1920, -1080}},  // a monitor left of and above the primary one
      {0x00C8FF38, {-200, 200}},
      {0x80007FFF, {32767, -32768}},
  };
  for (const auto& c : cases) {
    const LPARAM lParam = static_cast<LPARAM>(c.LParam);
    EXPECT_EQ(PointFromLParam(lParam), c.Point) << std::hex << c.LParam;
    EXPECT_EQ(PointFromLParam(MakeLParam(c.Point.X, c.Point.Y)), c.Point) << std::hex << c.LParam;
  }
  EXPECT_EQ(MakeLParam(0x32, 0x64), 0x00640032);
  EXPECT_EQ(MakeLParam(-1, -1), -1);  // sign-extended, as the simulated desktop's messages carry it
}

TEST(MessageParams, WordsAndWheelDistance) {
  EXPECT_EQ(LoWord(0x12345678u), 0x5678u);
  EXPECT_EQ(HiWord(0x12345678u), 0x1234u);
  const struct {
    WPARAM WParam;
    int Delta;
  } wheels[] = {
      {WPARAM{120} << 16, 120},
      {(WPARAM{0xFF88} << 16) | win::MK_CONTROL, -120},  // towards the user, Ctrl held
      {WPARAM{0x8000} << 16, -32768},
  };
  for (const auto& w : wheels) EXPECT_EQ(WheelDeltaFromWParam(w.WParam), w.Delta) << std::hex << w.WParam;
}

TEST(MessageParams, WheelPartsAddUpToWholeNotches) {
  const struct {
    int Delta;
    int Notches;
  } steps[] = {
      {40, 0},    {40, 0},  {40, 1},  // three thirds make one notch
      {250, 2},   {-20, 0},           // 10 left over, then a reversal eats it
      {-110, -1},                     // ... and the rest of a notch down
      {-360, -3}, {119, 0}, {1, 1},   // whole notches at once; a part waits
  };
  TWheelNotches wheel;
  int step = 0;
  for (const auto& s : steps) EXPECT_EQ(wheel.Add(s.Delta), s.Notches) << "step " << step++;
}

// Following the keyboard in pointer mode: who leads, where a new focus puts
// the source, how the caret pushes it. A source of 130 x 106 (margins 22 and
// 18) unless a row says otherwise.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

#include "LoupeFollow.h"

using namespace lensoro;

namespace {

const TVirtualDesktop Primary{0, 0, 1920, 1080};
const TRect None{};

// One step: what it saw (an empty rectangle: no change) and the source it gives.
struct TRow {
  std::uint32_t Tick;
  TPoint Pointer;
  TRect Focus, Caret, Expected;
};

void Walk(std::initializer_list<TRow> rows, const TVirtualDesktop& desktop = Primary) {
  TLoupeFollow follow;
  int n = 0;
  for (const TRow& r : rows) {
    TFollowInput in{r.Tick, true, r.Pointer, r.Focus != None, r.Focus, r.Caret != None, r.Caret};
    EXPECT_EQ(follow.Step(in, 130, 106, desktop), r.Expected) << "row " << n;
    ++n;
  }
}

}  // namespace

TEST(LoupeFollow, ThePointerLeadsWhileItMovesAndFor350msAfter) {
  const TRect caret{1500, 800, 1502, 816}, onPointer{895, 487, 1025, 593};
  Walk({
      {1000, {960, 540}, None, None, onPointer},
      {1349, {960, 540}, None, caret, onPointer},  // ignored, and not kept for later
      {1350, {960, 540}, None, None, onPointer},
      {1400, {960, 540}, None, caret, {1394, 728, 1524, 834}},
      {1450, {962, 540}, None, None, {1394, 728, 1524, 834}},  // 2 px: a resting hand
      {1500, {963, 542}, None, None, {898, 489, 1028, 595}},   // sqrt 5 px: moving
      {1849, {963, 542}, {100, 100, 200, 120}, None, {898, 489, 1028, 595}},
      {1850, {963, 542}, {100, 100, 200, 120}, None, {85, 57, 215, 163}},
  });
  // The tick count wraps: 351 ms have passed.
  Walk({{0xFFFFFF00u, {960, 540}, None, None, onPointer}, {0x5Fu, {960, 540}, None, caret, {1394, 728, 1524, 834}}});
}

TEST(LoupeFollow, ANewFocusCentresOnTheControlOrStartsAtItsEdge) {
  const TPoint p{960, 540};
  Walk({
      {0, p, None, None, {895, 487, 1025, 593}},
      {1000, p, {100, 100, 200, 120}, None, {85, 57, 215, 163}},
      {1050, p, {500, 500, 501, 501}, None, {436, 448, 566, 554}},         // halves round to even
      {1100, p, {300, 400, 1300, 430}, None, {300, 362, 430, 468}},        // wider than the source
      {1150, p, {200, 100, 1200, 900}, None, {200, 100, 330, 206}},        // larger both ways
      {1200, p, {1900, 1060, 1910, 1070}, None, {1790, 974, 1920, 1080}},  // stopped at the desktop's edge
      // Focus and caret in one step: the caret then pushes from the control.
      {1250, p, {300, 400, 1300, 430}, {1000, 410, 1002, 426}, {894, 362, 1024, 468}},
  });
}

TEST(LoupeFollow, TheCaretPushesTheSourceTheLeastThatBringsItBackInsideTheMargin) {
  const TPoint p{960, 540};
  Walk({
      {0, p, None, None, {895, 487, 1025, 593}},
      {1000, p, {500, 500, 630, 606}, None, {500, 500, 630, 606}},
      {1050, p, None, {522, 518, 524, 534}, {500, 500, 630, 606}},  // on the margin's inner edges
      {1100, p, None, {606, 572, 608, 588}, {500, 500, 630, 606}},
      {1150, p, None, {609, 572, 611, 588}, {503, 500, 633, 606}},
      {1200, p, None, {400, 700, 402, 716}, {378, 628, 508, 734}},
      {1250, p, None, {400, 650, 402, 750}, {378, 632, 508, 738}},  // taller than the inner area: its top shows
      {1300, p, None, {1915, 1070, 1917, 1080}, {1790, 974, 1920, 1080}},
      {1350, p, None, {5, 5, 7, 21}, {0, 0, 130, 106}},
  });
}

TEST(LoupeFollow, OnADesktopLeftOfAndAboveThePrimaryAndAtANewRate) {
  TLoupeFollow follow;
  const TVirtualDesktop desk{-1920, -300, 3840, 1380};
  const auto at = [](std::uint32_t tick, bool pointer, TRect focus) {
    return TFollowInput{tick, pointer, {0, 0}, focus != None, focus, false, None};
  };
  follow.Step(at(0, true, None), 130, 106, desk);
  EXPECT_EQ(follow.Step(at(1000, true, {-1000, -260, -900, -240}), 130, 106, desk), (TRect{-1015, -300, -885, -194}));
  // Half the rate: twice the area around the same centre, still stopped at the top.
  EXPECT_EQ(follow.Step(at(1050, true, None), 260, 212, desk), (TRect{-1080, -300, -820, -88}));
  // No pointer (the secure desktop): nothing moves.
  EXPECT_EQ(follow.Step(at(1100, false, None), 260, 212, desk), (TRect{-1080, -300, -820, -88}));
}

// The flat edit's frame: the strips around the one text line for each border
// and flat style and each vertical alignment, and the height a font needs.
#include <gtest/gtest.h>

#include "RsEdit.h"

using namespace lensoro;

TEST(RsEditFrame, TextLineSitsBetweenTheStripsOfEachStyle) {
  // The dialog's hot-key field: 127 x 23 at (300, 200), a 15 pixel line.
  const TRect window{300, 200, 427, 223};
  const TRsEditFrame flat = RsEditFrame(bsNone, rfsFlatNormal, taVerticalCenter, window, 15, 1);
  EXPECT_EQ(flat.Client, (TRect{302, 204, 425, 219}));
  EXPECT_EQ(flat.Top, (TRect{0, 0, 127, 4}));
  EXPECT_EQ(flat.Bottom, (TRect{0, 19, 127, 23}));
  EXPECT_EQ(flat.Left, (TRect{0, 4, 2, 19}));
  EXPECT_EQ(flat.Right, (TRect{125, 4, 127, 19}));
  // The strips and the line tile the window: nothing unpainted, no overlap.
  EXPECT_EQ(flat.Top.Height() + flat.Client.Height() + flat.Bottom.Height(), window.Height());
  EXPECT_EQ(flat.Left.Width() + flat.Client.Width() + flat.Right.Width(), window.Width());

  const TRsEditFrame plain = RsEditFrame(bsNone, rfsFlatNone, taVerticalCenter, window, 15, 1);
  EXPECT_EQ(plain.Client, (TRect{301, 204, 426, 219}));
  EXPECT_EQ(plain.Left.Width(), 1);

  const TRsEditFrame top = RsEditFrame(bsNone, rfsFlatRounded, taAlignTop, window, 15, 1);
  EXPECT_EQ(top.Client.Top, 201);  // below the one-pixel border
  EXPECT_EQ(top.Top.Height(), 1);
  const TRsEditFrame bottom = RsEditFrame(bsNone, rfsFlatNormal, taAlignBottom, window, 15, 1);
  EXPECT_EQ(bottom.Client.Bottom, 222);
  EXPECT_EQ(bottom.Bottom.Height(), 1);

  // A single border keeps the full width and moves the strips by its size.
  const TRsEditFrame single = RsEditFrame(bsSingle, rfsFlatNormal, taVerticalCenter, window, 15, 1);
  EXPECT_EQ(single.Client, (TRect{300, 204, 427, 219}));
  EXPECT_EQ(single.Top, (TRect{2, 2, 129, 6}));
  // Halves of the spare height go to even: 9 / 2 = 4.5 -> 4, 7 / 2 = 3.5 -> 4.
  EXPECT_EQ(RsEditFrame(bsNone, rfsFlatNone, taVerticalCenter, {0, 0, 50, 24}, 15, 1).Client.Top, 4);
  EXPECT_EQ(RsEditFrame(bsNone, rfsFlatNone, taVerticalCenter, {0, 0, 50, 22}, 15, 1).Client.Top, 4);
}

TEST(RsEditFrame, FontChangeRaisesTheHeightOnlyWhenTheLineWouldNotFit) {
  EXPECT_EQ(RsEditFontHeight(bsNone, rfsFlatNormal, 23, 15, 1), 23);
  EXPECT_EQ(RsEditFontHeight(bsNone, rfsFlatNormal, 23, 22, 1), 24);
  EXPECT_EQ(RsEditFontHeight(bsNone, rfsFlatNone, 23, 23, 1), 23);
  EXPECT_EQ(RsEditFontHeight(bsNone, rfsFlatNone, 23, 24, 1), 24);
  EXPECT_EQ(RsEditFontHeight(bsSingle, rfsFlatNone, 23, 20, 1), 24);
  EXPECT_EQ(RsEditFontHeight(bsSingle, rfsFlatNone, 23, 20, 0), 23);
}

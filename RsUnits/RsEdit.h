// RsEdit: a one-line edit that draws its own flat frame and centres its text
// line vertically.
//
// RsEditFrame is the frame's geometry, worked out on every frame
// recalculation from the window's size and the font's line height:
//
//   TRsEditFrame f = RsEditFrame(bsNone, rfsFlatNormal, taVerticalCenter,
//                                {0, 0, 127, 23}, /*lineHeight=*/15, 1);
//   f.Client;  // {2, 4, 125, 19}: the one text line
//   f.Top;     // the strip above it, painted by the frame
#pragma once

#include <cstdint>

#include "Platform.h"

namespace lensoro {

enum TRsFlatStyle : std::uint8_t { rfsFlatNone, rfsFlatNormal, rfsFlatRounded };
enum TBorderStyle : std::uint8_t { bsNone, bsSingle };
enum TVerticalAlignment : std::uint8_t { taAlignTop, taAlignBottom, taVerticalCenter };

struct TRsEditFrame {
  TRect Top, Bottom, Left, Right;  // the non-client strips, window coordinates
  TRect Client;                    // the text line, in the coordinates of `window`
};

// window: the window rectangle as the frame recalculation gives it.
TRsEditFrame RsEditFrame(TBorderStyle border, TRsFlatStyle flat, TVerticalAlignment alignment, const TRect& window,
                         int lineHeight, int systemBorderHeight);

// The smallest height that still shows a whole line after a font change:
// the current height when it is enough.
int RsEditFontHeight(TBorderStyle border, TRsFlatStyle flat, int height, int lineHeight, int systemBorderHeight);

}  // namespace lensoro

// LoupeGeometry: the loupe's rectangles and sizes as plain arithmetic. Every
// function here takes the numbers and returns the result; none but
// VirtualDesktop asks the system anything, so the tracking step, the hit
// test and the resize handler read the system and hand the numbers in.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "Platform.h"

namespace lensoro {

// Which point of the loupe anchors the source area in window mode.
enum TLoupeSrcOrigin : std::uint8_t {
  lsoTopLeft = 0,
  lsoTopRight = 1,
  lsoBottomLeft = 2,
  lsoBottomRight = 3,
  lsoCenter = 4
};

// The virtual desktop as the system metrics give it: the left and top edges
// (negative with a monitor left of or above the primary one) and the size.
struct TVirtualDesktop {
  int Left = 0, Top = 0, Width = 0, Height = 0;
};
// Read afresh on every tracking step: a change of monitor layout shows on
// the next one.
TVirtualDesktop VirtualDesktop(TPlatform& platform);

// The magnifier child's and the source area's sizes for a window size,
// frame width and rate.
struct TLoupeSizes {
  int MagWidth = 0, MagHeight = 0;
  int SrcWidth = 0, SrcHeight = 0;
  friend bool operator==(const TLoupeSizes&, const TLoupeSizes&) = default;
};
// The window less the frame on every side, never below nothing; the source
// is that divided by the rate, rounded half to even.
TLoupeSizes LoupeSizes(int windowWidth, int windowHeight, int frameWidth, float rate);

// Pointer mode: the source area centred on the pointer and stopped at the
// desktop's four edges.
TRect PointerSourceRect(const TPoint& pointer, int srcWidth, int srcHeight, const TVirtualDesktop& desktop);

// What window mode works from: where the loupe's client area starts on the
// screen (its top-left corner: the window has no border), its frame, sizes
// and rate.
struct TLoupePlace {
  TPoint Origin;
  int FrameWidth = 0;
  TLoupeSizes Sizes;
  float Rate = 1.0f;
};
// Window mode: the source area shares the chosen corner (or the centre) with
// the magnified image; where a corner lies beyond the desktop's edge the
// bounds built from the rate take over, and the centred area stops at the
// desktop's edges. Nothing for an origin outside the five.
std::optional<TRect> WindowSourceRect(const TLoupePlace& loupe, TLoupeSrcOrigin origin,
                                      const TVirtualDesktop& desktop);

// The resize zones along the loupe's edges for a point in screen
// coordinates (HTLEFT ... HTBOTTOMRIGHT); `framework` when the point lies in
// none.
LRESULT LoupeHitTest(const TRect& bounds, int x, int y, LRESULT framework);

// A size of the loupe designed for 96 DPI at this DPI, rounded half to even
// like every pixel quantity of the loupe.
int LoupeScaleByDpi(int value96, int dpi);

// The smallest image the loupe shows, each way, at 96 DPI: below it the
// loupe is too small to find and to take hold of its edges.
constexpr int MinLoupeImage96 = 32;
// How much of a loupe must lie on one monitor at start, each way, at 96 DPI,
// so that the user can take hold of it.
constexpr int LoupeGrabSize96 = 48;
// The gap between a loupe and another copy's it opens beside, at 96 DPI.
constexpr int LoupeGap96 = 8;
// The smallest window for an image of minImage pixels inside the frame.
constexpr int MinLoupeSize(int minImage, int frameWidth) { return minImage + 2 * frameWidth; }

// Where the loupe goes so that it can be taken hold of: as it is when
// grab x grab pixels of it (all of a smaller loupe) lie on one monitor, no
// larger than the virtual screen; otherwise moved, whole, into the work area
// of the monitor it overlaps most, or of the nearest one (shrunk to fit it).
TRect FitOnMonitors(const TRect& bounds, const std::vector<TMonitorInfo>& monitors, int grab);

}  // namespace lensoro

// A separator line drawn into a window-less control.
#pragma once

#include <vector>

#include "Platform.h"

namespace lensoro {

enum TLineShape { lsNone, lsSingle, lsDouble };
enum TLineDirection { ldHorizontal, ldVertical };

// One line in the control's coordinates, from From to To with To left out
// (as LineTo draws it).
struct TSpacerLine {
  TPoint From, To;
  DWORD Color = 0;
  friend bool operator==(const TSpacerLine&, const TSpacerLine&) = default;
};

// The lines a spacer of this size draws: the first one in the top-left
// colour just above (or left of) the middle, a double line's second one in
// the bottom-right colour on the middle, each 2 pixels short of both ends.
// None where the control is too small to hold a line.
std::vector<TSpacerLine> SpacerLines(TLineShape shape, TLineDirection direction, int width, int height,
                                     DWORD topLeftColor, DWORD bottomRightColor);

}  // namespace lensoro

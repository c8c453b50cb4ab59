// A separator line drawn by a painted control that never takes the focus.
#pragma once

#include <functional>
#include <vector>

#include "Controls.h"
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

class TRsSpacer;
using TCustomDrawSpacerEvent = std::function<void(TRsSpacer& sender, TCanvas& canvas)>;

// A window-less separator: a single or double line across its middle.
class TRsSpacer : public TGraphicControl {
 public:
  explicit TRsSpacer(TWinControl* parent);

  TLineShape Shape() const { return FShape; }
  void SetShape(TLineShape shape);
  TLineDirection Direction() const { return FDirection; }
  void SetDirection(TLineDirection direction);
  void SetTopLeftColor(TColor color);
  void SetBottomRightColor(TColor color);
  // With custom drawing on, OnCustomDrawSpacer paints instead of the lines.
  void SetCustomDraw(bool customDraw);
  TCustomDrawSpacerEvent OnCustomDrawSpacer;

 protected:
  const char16_t* WindowClassName() const override { return u"TRsSpacer"; }
  void Paint(TCanvas& canvas) override;

 private:
  TLineShape FShape = lsNone;
  TLineDirection FDirection = ldVertical;
  TColor FTopLeftColor = clBtnShadow;
  TColor FBottomRightColor = clBtnHighlight;
  bool FCustomDraw = false;
};

}  // namespace lensoro

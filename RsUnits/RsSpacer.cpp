#include "RsSpacer.h"

namespace lensoro {

std::vector<TSpacerLine> SpacerLines(TLineShape shape, TLineDirection direction, int width, int height,
                                     DWORD topLeftColor, DWORD bottomRightColor) {
  std::vector<TSpacerLine> lines;
  if (shape == lsNone) return lines;
  const bool horizontal = direction == ldHorizontal;
  const int length = horizontal ? width : height;
  const int across = horizontal ? height : width;
  if (length - 2 <= 2) return lines;
  auto add = [&](int at, DWORD color) {
    if (horizontal) {
      lines.push_back({{2, at}, {length - 2, at}, color});
    } else {
      lines.push_back({{at, 2}, {at, length - 2}, color});
    }
  };
  add(across / 2 - 1, topLeftColor);
  if (shape == lsDouble) add(across / 2, bottomRightColor);
  return lines;
}

TRsSpacer::TRsSpacer(TWinControl* parent) : TGraphicControl(parent) { SetBounds(0, 0, 50, 50); }

void TRsSpacer::SetShape(TLineShape shape) {
  FShape = shape;
  Invalidate();
}

void TRsSpacer::SetDirection(TLineDirection direction) {
  FDirection = direction;
  Invalidate();
}

void TRsSpacer::SetTopLeftColor(TColor color) {
  FTopLeftColor = color;
  Invalidate();
}

void TRsSpacer::SetBottomRightColor(TColor color) {
  FBottomRightColor = color;
  Invalidate();
}

void TRsSpacer::SetCustomDraw(bool customDraw) {
  FCustomDraw = customDraw;
  Invalidate();
}

void TRsSpacer::Paint(TCanvas& canvas) {
  if (FCustomDraw) {
    if (OnCustomDrawSpacer) OnCustomDrawSpacer(*this, canvas);
    return;
  }
  // What lies behind the lines is the parent's face.
  canvas.Brush.Color = Parent() ? Parent()->Color() : Color();
  canvas.FillRect(ClientRect());
  for (const TSpacerLine& line : SpacerLines(FShape, FDirection, Width(), Height(), FTopLeftColor, FBottomRightColor)) {
    canvas.Pen.Color = line.Color;
    canvas.MoveTo(line.From.X, line.From.Y);
    canvas.LineTo(line.To.X, line.To.Y);
  }
}

}  // namespace lensoro

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

}  // namespace lensoro

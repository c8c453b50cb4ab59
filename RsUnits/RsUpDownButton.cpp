#include "RsUpDownButton.h"

#include <utility>

namespace lensoro {

TUpDownBounds UpDownButtonBounds(TButtonOrientation orientation, int W, int H) {
  TUpDownBounds b;
  if (orientation == boVertical) {
    const int half = H / 2;
    b.Up = {0, 0, W, half};
    b.Down = {0, half + H % 2, W, half + H % 2 + half};
  } else {
    const int half = W / 2;
    b.Down = {0, 0, half, H};
    b.Up = {half + W % 2, 0, half + W % 2 + half, H};
  }
  return b;
}

void UpDownGlyphs(TButtonOrientation orientation, TArrowGlyph& up, TArrowGlyph& down) {
  up = orientation == boVertical ? agUp : agRight;
  down = orientation == boVertical ? agDown : agLeft;
}

TButtonOptions OrientedArrow(TButtonOrientation orientation, TButtonOptions options) {
  const bool swap = orientation == boHorizontal ? options.ArrowHeight < options.ArrowWidth
                                                : options.ArrowWidth < options.ArrowHeight;
  if (swap) std::swap(options.ArrowWidth, options.ArrowHeight);
  return options;
}

TArrowTriangle ArrowTriangle(TArrowGlyph glyph, int buttonWidth, int buttonHeight, const TButtonOptions& arrow,
                             bool pressedInside) {
  const int w = arrow.ArrowWidth, h = arrow.ArrowHeight;
  const int freeX = buttonWidth - w, freeY = buttonHeight - h;
  int x = freeX / 2, y = freeY / 2;
  // Odd space: the extra pixel goes in the direction the arrow points.
  if (glyph == agDown && freeY % 2 != 0) ++y;
  if (glyph == agRight && freeX % 2 != 0) ++x;
  if (pressedInside) ++x;
  const float l = static_cast<float>(x), t = static_cast<float>(y);
  const float r = l + static_cast<float>(w), b = t + static_cast<float>(h);
  const float cx = l + static_cast<float>(w) / 2, cy = t + static_cast<float>(h) / 2;
  switch (glyph) {
    case agUp: return {{l, r, cx}, {b, b, t}};
    case agDown: return {{l, r, cx}, {t, t, b}};
    case agLeft: return {{r, r, l}, {t, b, cy}};
    case agRight: return {{l, l, r}, {t, b, cy}};
  }
  return {};
}

TTimerButtonLook TimerButtonLook(TArrowGlyph glyph, TRsButtonState state, bool mouseInControl, bool down,
                                 bool enabled) {
  // SPNP_UP, SPNP_DOWN, SPNP_UPHORZ (pointing right), SPNP_DOWNHORZ (left);
  // every part has the states normal 1, hot 2, pressed 3, disabled 4.
  constexpr int Parts[] = {1, 2, 4, 3};
  constexpr int COLOR_WINDOWTEXT = 8, COLOR_GRAYTEXT = 17;
  TTimerButtonLook look;
  look.ThemePart = Parts[glyph];
  const bool pressed = state == bsDown || state == bsExclusive;
  if (!enabled) {
    look.ThemeState = 4;
  } else if (pressed) {
    look.ThemeState = 3;
  } else {
    look.ThemeState = mouseInControl ? 2 : 1;
  }
  if (pressed || down) {
    look.Frame = bfSunken;
  } else if (mouseInControl && enabled) {
    look.Frame = bfRaised;
  }
  look.ArrowColor = enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT;
  look.ArrowShifted = enabled && state == bsDown && mouseInControl;
  return look;
}

void TRsAutoRepeat::MouseDown(bool left) {
  if (!left || !Enabled) return;
  FState = Down ? bsExclusive : bsDown;
  FLeftClicked = true;
  FTimerInterval = FirstDelay;
  FTimerEnabled = true;
}

void TRsAutoRepeat::MouseMove(bool inside) {
  if (!FLeftClicked) return;
  FState = inside ? bsDown : (Down ? bsExclusive : bsUp);
}

void TRsAutoRepeat::MouseUp(bool inside) {
  if (!FLeftClicked) return;
  FLeftClicked = false;
  FState = Down ? bsExclusive : bsUp;
  // Off before the click: a click that fails must not leave it repeating.
  FTimerEnabled = false;
  if (inside && Enabled && OnClick) OnClick();
}

void TRsAutoRepeat::Tick(bool captured) {
  FTimerInterval = RepeatDelay;
  if (FState != bsDown || !captured || !OnClick) return;
  try {
    OnClick();
  } catch (...) {
    FTimerEnabled = false;
    throw;
  }
}

}  // namespace lensoro

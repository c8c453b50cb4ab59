#include "RsUpDownButton.h"

#include <exception>
#include <utility>

#include "Numeric.h"
#include "ScopeGuard.h"

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
  look.ArrowColor = enabled ? win::COLOR_WINDOWTEXT : win::COLOR_GRAYTEXT;
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
  // A click that fails stops the repeat.
  TScopeGuard stop([this] { FTimerEnabled = false; });
  OnClick();
  stop.Dismiss();
}

}  // namespace lensoro

namespace lensoro {

namespace {
constexpr std::uintptr_t RepeatTimerId = 1;
}  // namespace

// --- TRsTimerButton ----------------------------------------------------------------------

TRsTimerButton::TRsTimerButton(TWinControl* parent) : TGraphicControl(parent), FRepeatTimer(FPlatform) {
  SetBoundsPx({0, 0, 21, 23});
  FRepeatTimer.SetInterval(TRsAutoRepeat::FirstDelay);
  FRepeat.OnClick = [this] { TControl::Click(); };
}

void TRsTimerButton::SetArrowGlyph(TArrowGlyph glyph) {
  FArrowGlyph = glyph;
  Invalidate();
}

void TRsTimerButton::SetArrow(const TButtonOptions& arrow) {
  FArrow = arrow;
  Invalidate();
}

void TRsTimerButton::SetDown(bool down) {
  FRepeat.Down = down;
  Invalidate();
}

void TRsTimerButton::CreateWnd() {
  TGraphicControl::CreateWnd();
  FRepeatTimer.Bind(Handle(), RepeatTimerId);
}

void TRsTimerButton::SyncTimer() {
  FRepeatTimer.SetInterval(FRepeat.TimerInterval());
  FRepeatTimer.SetEnabled(FRepeat.TimerEnabled() && HandleAllocated());
}

LRESULT TRsTimerButton::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == win::WM_TIMER && wParam == RepeatTimerId) {
    const TRsButtonState before = FRepeat.State();
    try {
      FRepeat.Tick(FPlatform.GetCapture() == Handle());
      SyncTimer();
    } catch (const std::exception& e) {
      // A failing step ends the repeat; the user hears of it as of any error.
      SyncTimer();
      if (Form()) Form()->App.ShowException(e);
    }
    if (FRepeat.State() != before) Invalidate();
    return 0;
  }
  if (msg == win::WM_DESTROY) FRepeatTimer.SetEnabled(false);
  return TGraphicControl::WndProc(msg, wParam, lParam);
}

void TRsTimerButton::MouseDown(TShiftState shift, int, int) {
  if (!(shift & ssLeft) || !Enabled()) return;
  FPlatform.SetCapture(Handle());
  FRepeat.MouseDown(true);
  SyncTimer();
  Invalidate();
  if (OnMouseDown) OnMouseDown(*this);
}

void TRsTimerButton::MouseMove(TShiftState, int x, int y) {
  if (!FRepeat.LeftClicked()) return;
  const TRsButtonState before = FRepeat.State();
  FRepeat.MouseMove(Inside(x, y));
  if (FRepeat.State() != before) Invalidate();
}

void TRsTimerButton::MouseUp(TShiftState, int x, int y) {
  if (!FRepeat.LeftClicked()) return;
  FPlatform.ReleaseCapture();
  Invalidate();
  try {
    FRepeat.MouseUp(Inside(x, y));
  } catch (const std::exception& e) {
    SyncTimer();
    if (Form()) Form()->App.ShowException(e);
    return;
  }
  SyncTimer();
}

void TRsTimerButton::MouseEnter() {
  TGraphicControl::MouseEnter();
  Invalidate();
}

void TRsTimerButton::MouseLeave() {
  TGraphicControl::MouseLeave();
  Invalidate();
}

void TRsTimerButton::EnabledChanged() {
  FRepeat.Enabled = Enabled();
  if (!Enabled() && FRepeat.LeftClicked()) {
    FPlatform.ReleaseCapture();
    FRepeat.MouseUp(false);
    SyncTimer();
  }
}

void TRsTimerButton::Paint(TCanvas& canvas) {
  const TTimerButtonLook look = TimerButtonLook(FArrowGlyph, FRepeat.State(), MouseInside(), FRepeat.Down, Enabled());
  if (FPlatform.IsThemeActive()) {
    const HANDLE theme = FPlatform.OpenThemeData(Handle(), u"SPIN");
    if (theme) {
      const bool drawn =
          FPlatform.DrawThemeBackground(theme, canvas.PreparedHandle(), look.ThemePart, look.ThemeState, ClientRect());
      FPlatform.CloseThemeData(theme);
      if (drawn) return;
    }
  }
  PaintClassic(canvas, look);
}

void TRsTimerButton::PaintClassic(TCanvas& canvas, const TTimerButtonLook& look) {
  canvas.Brush.Color = Color();
  canvas.FillRect(ClientRect());
  if (look.Frame != bfNone)
    canvas.DrawEdge(ClientRect(), look.Frame == bfSunken ? win::EDGE_SUNKEN : win::EDGE_RAISED, win::BF_RECT);
  const TArrowTriangle t = ArrowTriangle(FArrowGlyph, Width(), Height(), FArrow, look.ArrowShifted);
  std::vector<TPoint> points;
  for (int i = 0; i < 3; ++i) points.push_back({RoundHalfEven(t.X[i]), RoundHalfEven(t.Y[i])});
  const TColor color = 0xFF000000u | static_cast<TColor>(look.ArrowColor);
  canvas.Pen.Color = color;
  canvas.Brush.Color = color;
  canvas.Polygon(points);
}

// --- TRsUpDownButton ----------------------------------------------------------------------

TRsUpDownButton::TRsUpDownButton(TWinControl* parent) : TCustomControl(parent) {
  SetBoundsPx({0, 0, 16, 15});
  SetColor(clBtnFace);
  FUpButton.Tag = 0;
  FDownButton.Tag = 1;
  FUpButton.OnClick = [this](TControl&) {
    if (OnUpClick) OnUpClick(*this);
  };
  FDownButton.OnClick = [this](TControl&) {
    if (OnDownClick) OnDownClick(*this);
  };
  FUpButton.OnMouseDown = FDownButton.OnMouseDown = [this](TRsTimerButton&) { ButtonPressed(); };
  SetOrientation(boVertical);
}

void TRsUpDownButton::SetOrientation(TButtonOrientation orientation) {
  FOrientation = orientation;
  FButtonOptions = OrientedArrow(orientation, FButtonOptions);
  TArrowGlyph up{}, down{};
  UpDownGlyphs(orientation, up, down);
  FUpButton.SetArrowGlyph(up);
  FDownButton.SetArrowGlyph(down);
  Arrange();
}

void TRsUpDownButton::SetButtonOptions(const TButtonOptions& options) {
  FButtonOptions = options;
  Arrange();
}

void TRsUpDownButton::CreateWnd() {
  TCustomControl::CreateWnd();
  // A pair that serves a field lies over it; the field, made first, would
  // be on top otherwise.
  if (FocusControl && Handle()) {
    FPlatform.SetWindowPos(Handle(), win::HWND_TOP, 0, 0, 0, 0,
                           win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
  }
  Arrange();
}

void TRsUpDownButton::BoundsChanged() {
  TCustomControl::BoundsChanged();
  Arrange();
}

void TRsUpDownButton::EnabledChanged() {
  FUpButton.SetEnabled(Enabled());
  FDownButton.SetEnabled(Enabled());
}

void TRsUpDownButton::Arrange() {
  const TUpDownBounds b = UpDownButtonBounds(FOrientation, Width(), Height());
  FUpButton.SetBoundsPx(b.Up);
  FDownButton.SetBoundsPx(b.Down);
  // The arrow's size is designed for 96 DPI, as the pair's place is.
  const TButtonOptions arrow{Scale(FButtonOptions.ArrowWidth), Scale(FButtonOptions.ArrowHeight)};
  FUpButton.SetArrow(arrow);
  FDownButton.SetArrow(arrow);
}

void TRsUpDownButton::ButtonPressed() {
  TControl* target = FocusControl;
  if (target && Enabled() && target->TabStop() && target->CanFocus() && !target->Focused()) target->SetFocus();
}

}  // namespace lensoro

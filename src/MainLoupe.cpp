// The loupe model: setters, the zoom and colour commands, the frame colour.
#include "LnsLib.h"
#include "Main.h"

namespace lensoro {

namespace {
constexpr long double ZoomStep = 0.1L;
constexpr long double MaxRate = 8.0L;
constexpr long double MinRate = 1.3L;
}  // namespace

TColor TMainForm::FrameColorFor(TLoupeMode mode, bool active) const {
  if (mode == lmWindow) return active ? ActiveWindowModeFrameColor : InactiveWindowModeFrameColor;
  return active ? ActivePointerModeFrameColor : InactivePointerModeFrameColor;
}

void TMainForm::SetLoupeMode(TLoupeMode mode) {
  LoupeMode = mode;
  SetColor(FrameColorFor(mode, FIsActive));
}

void TMainForm::SetLoupeRate(float rate) {
  LoupeRate = rate;
  FSrcWidth = RoundQuotient(FMagWidth, rate);
  FSrcHeight = RoundQuotient(FMagHeight, rate);
  FMagTransform.v[0][0] = rate;
  FMagTransform.v[1][1] = rate;
  if (!FPlatform.MagSetWindowTransform(FMagHandle, FMagTransform)) {
    ShowErrorMessage(FApp.Lang.Text(u"MsgErrorCannotSetLoupeRate"));
  }
}

// The step is added to the stored Single in extended precision and rounded
// back, so repeated steps carry the Single's rounding.
float TMainForm::ZoomInRate(float rate) {
  long double next = static_cast<long double>(rate) + ZoomStep;
  if (next > MaxRate) next = MaxRate;
  return static_cast<float>(next);
}

float TMainForm::ZoomOutRate(float rate) {
  long double next = static_cast<long double>(rate) - ZoomStep;
  if (next < MinRate) next = MinRate;
  return static_cast<float>(next);
}

void TMainForm::ActPopZoomInExecute() {
  LoupeRate = ZoomInRate(LoupeRate);
  SetLoupeRate(LoupeRate);
}

void TMainForm::ActPopZoomOutExecute() {
  LoupeRate = ZoomOutRate(LoupeRate);
  SetLoupeRate(LoupeRate);
}

void TMainForm::SetLoupeColorMode(TLoupeColorMode mode) {
  LoupeColorMode = mode;
  // A value outside the three modes (a hand-edited settings file) keeps the
  // previous matrix.
  if (mode <= lcmGray) FMagColorEffect = LoupeColorMatrices[mode];
  if (!FPlatform.MagSetColorEffect(FMagHandle, FMagColorEffect)) {
    ShowErrorMessage(FApp.Lang.Text(u"MsgErrorCannotSetLoupeColorMode"));
  }
}

void TMainForm::RecomputeSizes(int windowWidth, int windowHeight) {
  FMagWidth = windowWidth - 2 * FrameWidth;
  FMagHeight = windowHeight - 2 * FrameWidth;
  FSrcWidth = RoundQuotient(FMagWidth, LoupeRate);
  FSrcHeight = RoundQuotient(FMagHeight, LoupeRate);
}

void TMainForm::PlaceMagnifier() {
  // The insert-after value is ignored because of SWP_NOZORDER.
  FPlatform.SetWindowPos(FMagHandle, win::HWND_TOPMOST, FrameWidth, FrameWidth, FMagWidth, FMagHeight,
                         win::SWP_NOZORDER);
}

void TMainForm::SetFrameWidth(int width) {
  FrameWidth = width;
  const TRect bounds = BoundsRect();
  RecomputeSizes(bounds.Width(), bounds.Height());
  PlaceMagnifier();
}

void TMainForm::SetFrameColor(TColor color, int tag) {
  bool repaint = true;
  switch (tag) {
    case 101:
      ActivePointerModeFrameColor = color;
      repaint = FIsActive;
      break;
    case 102:
      InactivePointerModeFrameColor = color;
      repaint = !FIsActive;
      break;
    case 103:
      ActiveWindowModeFrameColor = color;
      repaint = FIsActive;
      break;
    case 104:
      InactiveWindowModeFrameColor = color;
      repaint = !FIsActive;
      break;
    default:
      break;
  }
  // The activation handling recolours the frame, so ask it to.
  if (repaint) FPlatform.SendMessageW(FHandle, win::WM_ACTIVATE, FIsActive ? 1 : 0, 0);
}

void TMainForm::ApplyLoupeSettings() {
  SetLoupeMode(LoupeMode);
  InitMagTransform();
  SetLoupeRate(LoupeRate);
  InitMagColorEffect();
  SetLoupeColorMode(LoupeColorMode);
  SetFrameWidth(FrameWidth);
}

void TMainForm::ActPopResetExecute() { RestartMagnifier(0); }

}  // namespace lensoro

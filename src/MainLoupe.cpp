// The loupe model: setters, the zoom and colour commands, the frame colour.
#include <algorithm>

#include "LnsLib.h"
#include "Main.h"

namespace lensoro {

namespace {
constexpr long double ZoomStep = 0.1L;
constexpr long double MaxRate = 8.0L;
constexpr long double MinRate = 1.3L;

// The field that keeps each slot's colour, in the slots' order.
constexpr TColor TMainForm::*FrameColorFields[] = {
    &TMainForm::ActivePointerModeFrameColor, &TMainForm::InactivePointerModeFrameColor,
    &TMainForm::ActiveWindowModeFrameColor, &TMainForm::InactiveWindowModeFrameColor};

constexpr std::size_t Index(TFrameColorSlot slot) { return static_cast<std::size_t>(slot); }
}  // namespace

TColor TMainForm::FrameColor(TFrameColorSlot slot) const { return this->*FrameColorFields[Index(slot)]; }

void TMainForm::RepaintFrame() { SetColor(FrameColor(FrameColorSlot(LoupeMode, FIsActive))); }

void TMainForm::SetLoupeMode(TLoupeMode mode) {
  LoupeMode = mode;
  RepaintFrame();
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
  if (!FPlatform.MagSetColorEffect(FMagHandle, &FMagColorEffect)) {
    ShowErrorMessage(FApp.Lang.Text(u"MsgErrorCannotSetLoupeColorMode"));
  }
}

void TMainForm::RecomputeSizes(int windowWidth, int windowHeight) {
  const TLoupeSizes sizes = LoupeSizes(windowWidth, windowHeight, FrameWidth, LoupeRate);
  FMagWidth = sizes.MagWidth;
  FMagHeight = sizes.MagHeight;
  FSrcWidth = sizes.SrcWidth;
  FSrcHeight = sizes.SrcHeight;
}

void TMainForm::PlaceMagnifier() {
  // The insert-after value is ignored because of SWP_NOZORDER.
  FPlatform.SetWindowPos(FMagHandle, win::HWND_TOPMOST, FrameWidth, FrameWidth, FMagWidth, FMagHeight,
                         win::SWP_NOZORDER);
}

void TMainForm::SetFrameWidth(int width) {
  FrameWidth = width;
  TRect bounds = BoundsRect();
  // A wider frame must not squeeze the image below its smallest size.
  const int min = MinimumSize();
  if (bounds.Width() < min || bounds.Height() < min) {
    SetBounds(bounds.Left, bounds.Top, std::max(bounds.Width(), min), std::max(bounds.Height(), min));
    bounds = BoundsRect();
  }
  RecomputeSizes(bounds.Width(), bounds.Height());
  PlaceMagnifier();
}

void TMainForm::SetFrameColor(TColor color, TFrameColorSlot slot) {
  this->*FrameColorFields[Index(slot)] = color;
  // A colour not on show appears when the mode or the activity changes.
  if (slot == FrameColorSlot(LoupeMode, FIsActive)) RepaintFrame();
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

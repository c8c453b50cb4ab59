// The loupe model: setters, the zoom and colour commands, the frame colour.
#include <algorithm>

#include "LnsLib.h"
#include "Main.h"

namespace lensoro {

void TMainForm::RepaintFrame() { SetColor(Settings.FrameColor(FrameColorSlot(Settings.LoupeMode, FIsActive))); }

void TMainForm::SetLoupeMode(TLoupeMode mode) {
  Settings.LoupeMode = mode;
  RepaintFrame();
}

void TMainForm::SetLoupeRate(float rate) {
  Settings.LoupeRate = rate;
  if (!FMagnifier.SetRate(rate)) {
    ShowErrorMessage(FApp.Lang.Text(u"MsgErrorCannotSetLoupeRate"));
  }
}

// The step is added to the stored Single in extended precision and rounded
// back, so repeated steps carry the Single's rounding.
float TMainForm::ZoomInRate(float rate) {
  long double next = static_cast<long double>(rate) + LoupeRateStep;
  if (next > LoupeRateMax) next = LoupeRateMax;
  return static_cast<float>(next);
}

float TMainForm::ZoomOutRate(float rate) {
  long double next = static_cast<long double>(rate) - LoupeRateStep;
  if (next < LoupeRateMin) next = LoupeRateMin;
  return static_cast<float>(next);
}

void TMainForm::ActPopZoomInExecute() {
  Settings.LoupeRate = ZoomInRate(Settings.LoupeRate);
  SetLoupeRate(Settings.LoupeRate);
}

void TMainForm::ActPopZoomOutExecute() {
  Settings.LoupeRate = ZoomOutRate(Settings.LoupeRate);
  SetLoupeRate(Settings.LoupeRate);
}

void TMainForm::SetLoupeColorMode(TLoupeColorMode mode) {
  Settings.LoupeColorMode = mode;
  if (!FMagnifier.SetColorMode(mode)) {
    ShowErrorMessage(FApp.Lang.Text(u"MsgErrorCannotSetLoupeColorMode"));
  }
}

void TMainForm::SetFrameWidth(int width) {
  Settings.FrameWidth = width;
  TRect bounds = BoundsRect();
  // A wider frame must not squeeze the image below its smallest size.
  const int min = MinimumSize();
  if (bounds.Width() < min || bounds.Height() < min) {
    SetBounds(bounds.Left, bounds.Top, std::max(bounds.Width(), min), std::max(bounds.Height(), min));
    bounds = BoundsRect();
  }
  FMagnifier.Fit(bounds.Width(), bounds.Height(), Settings.FrameWidth, Settings.LoupeRate);
}

void TMainForm::SetFrameColor(TColor color, TFrameColorSlot slot) {
  Settings.FrameColor(slot) = color;
  // A colour not on show appears when the mode or the activity changes.
  if (slot == FrameColorSlot(Settings.LoupeMode, FIsActive)) RepaintFrame();
}

void TMainForm::ApplyLoupeSettings() {
  SetLoupeMode(Settings.LoupeMode);
  FMagnifier.ResetTransform();
  SetLoupeRate(Settings.LoupeRate);
  FMagnifier.ResetColorEffect();
  SetLoupeColorMode(Settings.LoupeColorMode);
  SetFrameWidth(Settings.FrameWidth);
}

void TMainForm::ActPopResetExecute() { RestartMagnifier(0); }

}  // namespace lensoro

// The loupe model: setters, the frame colour, hiding to the tray and back.
#include <algorithm>

#include "LnsLib.h"
#include "Main.h"

namespace lensoro {

void TMainForm::RepaintFrame() { SetColor(FSettings.FrameColor(FrameColorSlot(FSettings.LoupeMode, FIsActive))); }

void TMainForm::SetLoupeMode(TLoupeMode mode) {
  FSettings.LoupeMode = mode;
  RepaintFrame();
}

void TMainForm::SetLoupeRate(float rate) {
  FSettings.LoupeRate = rate;
  if (!FMagnifier.SetRate(rate)) {
    ShowErrorMessage(FApp.Lang.Text(u"MsgErrorCannotSetLoupeRate"));
  }
}

void TMainForm::SetLoupeColorMode(TLoupeColorMode mode) {
  FSettings.LoupeColorMode = mode;
  if (!FMagnifier.SetColorMode(mode)) {
    ShowErrorMessage(FApp.Lang.Text(u"MsgErrorCannotSetLoupeColorMode"));
  }
}

void TMainForm::SetFrameWidth(int width) {
  FSettings.FrameWidth = width;
  TRect bounds = BoundsRect();
  // A wider frame must not squeeze the image below its smallest size.
  const int min = MinimumSize();
  if (bounds.Width() < min || bounds.Height() < min) {
    SetBounds(bounds.Left, bounds.Top, std::max(bounds.Width(), min), std::max(bounds.Height(), min));
    bounds = BoundsRect();
  }
  FMagnifier.Fit(bounds.Width(), bounds.Height(), FSettings.FrameWidth, FSettings.LoupeRate);
}

void TMainForm::SetFrameColor(TColor color, TFrameColorSlot slot) {
  FSettings.FrameColor(slot) = color;
  // A colour not on show appears when the mode or the activity changes.
  if (slot == FrameColorSlot(FSettings.LoupeMode, FIsActive)) RepaintFrame();
}

void TMainForm::ApplyLoupeSettings() {
  SetLoupeMode(FSettings.LoupeMode);
  FMagnifier.ResetTransform();
  SetLoupeRate(FSettings.LoupeRate);
  FMagnifier.ResetColorEffect();
  SetLoupeColorMode(FSettings.LoupeColorMode);
  SetFrameWidth(FSettings.FrameWidth);
}

// --- Hiding to the tray and back ---------------------------------------------

void TMainForm::MinimizeToTray() {
  Timer1.SetEnabled(false);
  Hide();
  // A hidden window only records its state; it is not shown minimised.
  FWindowState = TWindowState::wsMinimized;
  Commands.UpdateMinimizeAndRestoreCaption();
  Tray.ShowLoupeState(false);
  FInstances->NotifyVisibility(LOUPE_HIDDEN);
}

void TMainForm::RestoreFromTray() {
  Timer1.SetEnabled(true);
  if (!Timer1.Running()) ShowErrorMessage(FApp.Lang.Text(u"MsgErrorMagSetWindowSource"));
  // Shown transparent first, so that no stale image flashes up.
  FPlatform.SetLayeredWindowAttributes(FHandle, 0, 0, win::LWA_ALPHA);
  Show();
  FWindowState = TWindowState::wsNormal;
  Commands.UpdateMinimizeAndRestoreCaption();
  FPlatform.SetLayeredWindowAttributes(FHandle, 0, 255, win::LWA_ALPHA);
  Tray.ShowLoupeState(true);
  FInstances->NotifyVisibility(LOUPE_SHOWN);
}

}  // namespace lensoro

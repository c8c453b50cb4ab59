// The loupe window itself: the resize zones, the mouse, following a resize.
#include <algorithm>

#include "LnsLib.h"
#include "Main.h"
#include "MessageParams.h"

namespace lensoro {

LRESULT LoupeHitTest(const TRect& bounds, int x, int y, LRESULT framework) {
  // Six pixels from the left and top edges, five from the right and bottom
  // ones (Right and Bottom are exclusive), whatever the frame width.
  const int dl = x - bounds.Left, dr = bounds.Right - x, dt = y - bounds.Top, db = bounds.Bottom - y;
  if (dt < 6 && dl < 6) return win::HTTOPLEFT;
  if (dt < 6 && dr < 6) return win::HTTOPRIGHT;
  if (db < 6 && dl < 6) return win::HTBOTTOMLEFT;
  if (db < 6 && dr < 6) return win::HTBOTTOMRIGHT;
  if (dt < 6) return win::HTTOP;
  if (dl < 6) return win::HTLEFT;
  if (db < 6) return win::HTBOTTOM;
  if (dr < 6) return win::HTRIGHT;
  return framework;
}

TRect FitOnMonitors(const TRect& bounds, const std::vector<TMonitorInfo>& monitors) {
  if (monitors.empty()) return bounds;
  TRect screen = monitors.front().Monitor;
  for (const TMonitorInfo& m : monitors) {
    screen = {std::min(screen.Left, m.Monitor.Left), std::min(screen.Top, m.Monitor.Top),
              std::max(screen.Right, m.Monitor.Right), std::max(screen.Bottom, m.Monitor.Bottom)};
  }
  int width = std::min(bounds.Width(), screen.Width());
  int height = std::min(bounds.Height(), screen.Height());
  const TRect sized{bounds.Left, bounds.Top, bounds.Left + width, bounds.Top + height};
  for (const TMonitorInfo& m : monitors) {
    if (RectsOverlap(sized, m.Monitor)) return sized;
  }
  // The nearest monitor by the gap between it and the loupe; the first of
  // equals wins.
  const TMonitorInfo* nearest = nullptr;
  long long best = 0;
  for (const TMonitorInfo& m : monitors) {
    const long long dx = std::max({0LL, 0LL + m.Monitor.Left - sized.Right, 0LL + sized.Left - m.Monitor.Right});
    const long long dy = std::max({0LL, 0LL + m.Monitor.Top - sized.Bottom, 0LL + sized.Top - m.Monitor.Bottom});
    if (!nearest || dx * dx + dy * dy < best) nearest = &m, best = dx * dx + dy * dy;
  }
  const TRect& work = nearest->Work.Width() > 0 && nearest->Work.Height() > 0 ? nearest->Work : nearest->Monitor;
  width = std::min(width, work.Width());
  height = std::min(height, work.Height());
  const int left = std::clamp(sized.Left, work.Left, work.Right - width);
  const int top = std::clamp(sized.Top, work.Top, work.Bottom - height);
  return {left, top, left + width, top + height};
}

void TMainForm::KeepOnMonitors() {
  const TRect bounds = BoundsRect();
  const TRect fitted = FitOnMonitors(bounds, FPlatform.EnumDisplayMonitors());
  if (fitted != bounds) SetBounds(fitted.Left, fitted.Top, fitted.Width(), fitted.Height());
}

LRESULT TMainForm::WMNCHitTest(LRESULT framework, LPARAM lParam) {
  const TPoint at = PointFromLParam(lParam);
  return LoupeHitTest(BoundsRect(), at.X, at.Y, framework);
}

void TMainForm::FormResize() {
  // The framework sizes the window before the settings are read.
  if (LoupeRate == 0.0f || FMagHandle == 0) return;
  const TRect bounds = BoundsRect();
  RecomputeSizes(bounds.Width(), bounds.Height());
  PlaceMagnifier();
}

TShiftState TMainForm::MouseShiftState(WPARAM keys, bool isDouble) {
  TShiftState shift = MouseKeysShiftState(keys);
  // The mouse messages do not carry Alt.
  if (FPlatform.GetKeyState(win::VK_MENU) < 0) shift |= ssAlt;
  if (isDouble) shift |= ssDouble;
  return shift;
}

void TMainForm::FormMouseDown(TShiftState shift) {
  if (shift & (ssShift | ssAlt | ssCtrl | ssDouble)) return;
  if (shift & ssLeft) {
    // Let the platform move the window with the mouse, as by a caption.
    FPlatform.ReleaseCapture();
    FPlatform.SendMessageW(FHandle, win::WM_NCLBUTTONDOWN, win::HTCAPTION, 0);
  } else if (shift & ssMiddle) {
    MinimizeToTray();
  }
}

void TMainForm::FormDblClick() {
  if (LoupeMode == lmPointer) {
    ActPopSetLoupeModelmWindow.Execute();
  } else {
    ActPopSetLoupeModelmPointer.Execute();
  }
}

void TMainForm::MouseWheel(int delta, TShiftState shift) {
  // Rotation adds up; each full notch is one step.
  FWheelAccumulator += delta;
  while (FWheelAccumulator >= win::WHEEL_DELTA || FWheelAccumulator <= -win::WHEEL_DELTA) {
    const bool up = FWheelAccumulator > 0;
    FWheelAccumulator += up ? -win::WHEEL_DELTA : win::WHEEL_DELTA;
    if (up) {
      FormMouseWheelUp(shift);
    } else {
      FormMouseWheelDown(shift);
    }
  }
}

void TMainForm::FormMouseWheelUp(TShiftState shift) {
  if ((shift & ssCtrl) && !(shift & (ssShift | ssAlt))) ActPopZoomIn.Execute();
}

void TMainForm::FormMouseWheelDown(TShiftState shift) {
  if ((shift & ssCtrl) && !(shift & (ssShift | ssAlt))) ActPopZoomOut.Execute();
}

}  // namespace lensoro

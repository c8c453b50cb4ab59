// The loupe window itself: the resize zones, the mouse, following a resize.
#include <algorithm>
#include <vector>

#include "LnsLib.h"
#include "Main.h"
#include "MessageParams.h"
#include "Monitors.h"
#include "PlatformControls.h"

namespace lensoro {

int TMainForm::MinimumSize() const {
  return MinLoupeSize(LoupeScaleByDpi(MinLoupeImage96, FDpi), FSettings.FrameWidth);
}

void TMainForm::KeepOnMonitors() {
  const TRect bounds = BoundsRect();
  const int min = MinimumSize();
  const TRect raised{bounds.Left, bounds.Top, bounds.Left + std::max(bounds.Width(), min),
                     bounds.Top + std::max(bounds.Height(), min)};
  const TRect fitted = FitOnMonitors(raised, FPlatform.EnumDisplayMonitors(), LoupeScaleByDpi(LoupeGrabSize96, FDpi));
  if (fitted != bounds) SetBounds(fitted.Left, fitted.Top, fitted.Width(), fitted.Height());
}

void TMainForm::MoveOffOtherLoupes() {
  std::vector<TRect> others;
  for (const auto& item : FInstances->LnsList().Items) {
    TRect r;
    if (item.WindowHandle() != FHandle && FPlatform.GetWindowRect(item.WindowHandle(), r)) others.push_back(r);
  }
  const auto free = [&](const TRect& r) {
    return std::none_of(others.begin(), others.end(), [&](const TRect& o) {
      return r.Left < o.Right && o.Left < r.Right && r.Top < o.Bottom && o.Top < r.Bottom;
    });
  };
  const TRect own = BoundsRect();
  if (free(own)) return;
  // Beside the loupes it would cover first.
  std::stable_partition(others.begin(), others.end(), [&](const TRect& o) {
    return own.Left < o.Right && o.Left < own.Right && own.Top < o.Bottom && o.Top < own.Bottom;
  });
  const std::vector<TMonitorInfo> monitors = FPlatform.EnumDisplayMonitors();
  for (const TRect& other : others) {
    const TMonitorInfo* monitor = MonitorOfRect(other, monitors);
    if (!monitor) continue;
    for (const TRect& place :
         PlacesBeside(other, own.Width(), own.Height(), WorkAreaOf(*monitor), LoupeScaleByDpi(LoupeGap96, FDpi))) {
      if (!free(place)) continue;
      SetBounds(place.Left, place.Top, place.Width(), place.Height());
      return;
    }
  }
}

void TMainForm::WMGetMinMaxInfo(LPARAM lParam) {
  auto& info = *reinterpret_cast<TMinMaxInfo*>(lParam);
  const int min = MinimumSize();
  info.MinTrackSize.X = std::max(info.MinTrackSize.X, min);
  info.MinTrackSize.Y = std::max(info.MinTrackSize.Y, min);
}

LRESULT TMainForm::WMNCHitTest(LRESULT framework, LPARAM lParam) {
  const TPoint at = PointFromLParam(lParam);
  return LoupeHitTest(BoundsRect(), at.X, at.Y, framework);
}

void TMainForm::WMDpiChanged(WPARAM wParam, LPARAM lParam) {
  FDpi = static_cast<int>(LoWord(wParam));
  // Windows' suggestion keeps the loupe's apparent size on its new monitor;
  // the frame stays as many pixels wide as the settings say.
  if (const auto* r = reinterpret_cast<const TRect*>(lParam)) SetBounds(r->Left, r->Top, r->Width(), r->Height());
}

void TMainForm::FormResize() {
  // The framework sizes the window before the settings are read.
  if (FSettings.LoupeRate == 0.0f || FMagnifier.Handle() == 0) return;
  const TRect bounds = BoundsRect();
  FMagnifier.Fit(bounds.Width(), bounds.Height(), FSettings.FrameWidth, FSettings.LoupeRate);
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
  if (FSettings.LoupeMode == lmPointer) {
    Commands.ActPopSetLoupeModelmWindow.Execute();
  } else {
    Commands.ActPopSetLoupeModelmPointer.Execute();
  }
}

void TMainForm::FormMouseWheelUp(TShiftState shift) {
  if ((shift & ssCtrl) && !(shift & (ssShift | ssAlt))) Commands.ActPopZoomIn.Execute();
}

void TMainForm::FormMouseWheelDown(TShiftState shift) {
  if ((shift & ssCtrl) && !(shift & (ssShift | ssAlt))) Commands.ActPopZoomOut.Execute();
}

// --- The other copies -----------------------------------------------------------

void TMainForm::UpdateFilterList(bool addSelf) {
  if (FInstances->UpdateFilterList(addSelf)) return;
  ShowErrorMessage(QuitTemplate(FApp.Lang, u"MsgErrorMagSetFilterList"));
  ActPopQuitExecute();
}

// Activation, moving and sizing: the loupe takes the top from the copies
// it covers.
LRESULT TMainForm::NewWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case win::WM_ACTIVATE:
      // By the whole WParam: with the minimised flag in the high word
      // nothing changes.
      if (wParam == win::WA_INACTIVE) {
        FIsActive = false;
        RepaintFrame();
      } else if (wParam == win::WA_ACTIVE || wParam == win::WA_CLICKACTIVE) {
        FIsActive = true;
        RepaintFrame();
        FIsTopmost = true;
        FInstances->Activated();
      }
      return 0;
    case win::WM_MOVING:
      FIsTopmost = true;
      FInstances->Moving();
      return 0;
    case win::WM_ENTERSIZEMOVE:
      FIsTopmost = true;
      return 0;
    case win::WM_EXITSIZEMOVE:
      FIsTopmost = true;
      FInstances->MoveEnded();
      return 0;
    default:
      return (this->*FOrgWindowProc)(msg, wParam, lParam);
  }
}

}  // namespace lensoro

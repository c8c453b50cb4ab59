// The 50 ms tracking step: which part of the screen the magnifier shows, and
// the loupe's place in the z-order.
#include "LnsLib.h"
#include "Main.h"

namespace lensoro {

void TMainForm::Timer1Timer() {
  FInstances->RecheckClosedPeers();
  UpdateMagnifier(FSettings.LoupeMode);
}

void TMainForm::UpdateMagnifier(TLoupeMode mode) {
  TPlatform& p = FPlatform;
  TRect area = FMagnifier.SrcRect();
  if (mode == lmPointer) {
    // No pointer (the secure desktop is up): the area stays where it was
    // rather than jumping to the desktop's corner.
    if (TPoint pt; p.GetCursorPos(pt)) {
      area = PointerSourceRect(pt, FMagnifier.SrcWidth(), FMagnifier.SrcHeight(), VirtualDesktop(p));
    }
  } else if (mode == lmWindow) {
    TRect window;
    p.GetWindowRect(FHandle, window);  // the client origin: the window has no border
    const TLoupePlace place{{window.Left, window.Top},
                            FSettings.FrameWidth,
                            {FMagnifier.Width(), FMagnifier.Height(), FMagnifier.SrcWidth(), FMagnifier.SrcHeight()},
                            FSettings.LoupeRate};
    // An origin out of range keeps the previous area.
    if (const auto source = WindowSourceRect(place, FSettings.LoupeSrcOrigin, VirtualDesktop(p))) area = *source;
  }
  if (FMagnifier.SetSource(area)) {
    FSourceErrorShown = false;
  } else if (!FSourceErrorShown) {
    // The same failure on every tick (and on the ticks that the box's own
    // loop runs) would stack one box per tick: tell it once until a step
    // succeeds again.
    FSourceErrorShown = true;
    ShowErrorMessage(FApp.Lang.Text(u"MsgErrorMagSetWindowSource"));
  }
  p.SetWindowPos(FHandle, FIsTopmost ? win::HWND_TOPMOST : win::HWND_NOTOPMOST, 0, 0, 0, 0,
                 win::SWP_NOSIZE | win::SWP_NOMOVE | win::SWP_NOACTIVATE | win::SWP_NOSENDCHANGING);
}

}  // namespace lensoro

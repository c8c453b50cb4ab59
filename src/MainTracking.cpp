// The 50 ms tracking step: which part of the screen the magnifier shows, and
// the loupe's place in the z-order.
#include "LnsLib.h"
#include "Main.h"

namespace lensoro {

void TMainForm::Timer1Timer() { UpdateMagnifier(LoupeMode); }

void TMainForm::UpdateMagnifier(TLoupeMode mode) {
  TPlatform& p = FPlatform;
  const int sw = FSrcWidth, sh = FSrcHeight;
  if (mode == lmPointer) {
    TPoint pt;
    p.GetCursorPos(pt);
    FSrcRect.Left = ClampToRange(pt.X - RoundHalfEven(sw / 2.0L), p.GetSystemMetrics(win::SM_XVIRTUALSCREEN),
                                 p.GetSystemMetrics(win::SM_CXVIRTUALSCREEN) - sw);
    FSrcRect.Right = FSrcRect.Left + sw;
    FSrcRect.Top = ClampToRange(pt.Y - RoundHalfEven(sh / 2.0L), p.GetSystemMetrics(win::SM_YVIRTUALSCREEN),
                                p.GetSystemMetrics(win::SM_CYVIRTUALSCREEN) - sh);
    FSrcRect.Bottom = FSrcRect.Top + sh;
  }
  if (!p.MagSetWindowSource(FMagHandle, FSrcRect)) {
    ShowErrorMessage(FApp.Lang.Text(u"MsgErrorMagSetWindowSource"));
  }
  p.SetWindowPos(FHandle, IsTopmost ? win::HWND_TOPMOST : win::HWND_NOTOPMOST, 0, 0, 0, 0,
                 win::SWP_NOSIZE | win::SWP_NOMOVE | win::SWP_NOACTIVATE | win::SWP_NOSENDCHANGING);
}

}  // namespace lensoro

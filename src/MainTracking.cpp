// The 50 ms tracking step: which part of the screen the magnifier shows, and
// the loupe's place in the z-order.
#include "LnsLib.h"
#include "Main.h"

namespace lensoro {

void TMainForm::Timer1Timer() {
  RecheckClosedPeers();
  UpdateMagnifier(LoupeMode);
}

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
  } else if (mode == lmWindow) {
    UpdateWindowModeSource();
  }
  if (p.MagSetWindowSource(FMagHandle, FSrcRect)) {
    FSourceErrorShown = false;
  } else if (!FSourceErrorShown) {
    // The same failure on every tick (and on the ticks that the box's own
    // loop runs) would stack one box per tick: tell it once until a step
    // succeeds again.
    FSourceErrorShown = true;
    ShowErrorMessage(FApp.Lang.Text(u"MsgErrorMagSetWindowSource"));
  }
  p.SetWindowPos(FHandle, IsTopmost ? win::HWND_TOPMOST : win::HWND_NOTOPMOST, 0, 0, 0, 0,
                 win::SWP_NOSIZE | win::SWP_NOMOVE | win::SWP_NOACTIVATE | win::SWP_NOSENDCHANGING);
}

// The source area shares the chosen corner (or the centre) with the
// magnified image; near the desktop's edges the bounds built from the rate
// take over.
void TMainForm::UpdateWindowModeSource() {
  TPlatform& p = FPlatform;
  TRect window;
  p.GetWindowRect(FHandle, window);  // the client origin: the window has no border
  const int fw = FrameWidth, mw = FMagWidth, mh = FMagHeight, sw = FSrcWidth, sh = FSrcHeight;
  const long double r = LoupeRate;
  const auto rnd = [r](long double sum) { return RoundHalfEven(sum / r); };
  const auto dl = [&p] { return p.GetSystemMetrics(win::SM_XVIRTUALSCREEN); };
  const auto dt = [&p] { return p.GetSystemMetrics(win::SM_YVIRTUALSCREEN); };
  const auto dw = [&p] { return p.GetSystemMetrics(win::SM_CXVIRTUALSCREEN); };
  const auto dh = [&p] { return p.GetSystemMetrics(win::SM_CYVIRTUALSCREEN); };
  const int left = window.Left + fw, top = window.Top + fw;
  switch (LoupeSrcOrigin) {
    case lsoTopLeft:
      FSrcRect.Left = ClampToRange(left, rnd(static_cast<long double>(dl()) + left), dw());
      FSrcRect.Top = ClampToRange(top, rnd(static_cast<long double>(dt()) + top), dh());
      FSrcRect.Right = FSrcRect.Left + sw;
      FSrcRect.Bottom = FSrcRect.Top + sh;
      break;
    case lsoTopRight: {
      const int ax = left + mw;
      FSrcRect.Right = ClampToRange(ax, dl(), rnd(static_cast<long double>(dw()) + ax));
      FSrcRect.Top = ClampToRange(top, rnd(static_cast<long double>(dt()) + top), dh());
      FSrcRect.Left = FSrcRect.Right - sw;
      FSrcRect.Bottom = FSrcRect.Top + sh;
      break;
    }
    case lsoBottomLeft: {
      const int ay = top + mh;
      FSrcRect.Left = ClampToRange(left, rnd(static_cast<long double>(dl()) + left), dw());
      FSrcRect.Bottom = ClampToRange(ay, dt(), rnd(static_cast<long double>(dh()) + ay));
      FSrcRect.Right = FSrcRect.Left + sw;
      FSrcRect.Top = FSrcRect.Bottom - sh;
      break;
    }
    case lsoBottomRight: {
      const int ax = left + mw, ay = top + mh;
      FSrcRect.Right = ClampToRange(ax, dl(), rnd(static_cast<long double>(dw()) + ax));
      FSrcRect.Bottom = ClampToRange(ay, dt(), rnd(static_cast<long double>(dh()) + ay));
      FSrcRect.Left = FSrcRect.Right - sw;
      FSrcRect.Top = FSrcRect.Bottom - sh;
      break;
    }
    case lsoCenter: {
      const int ax = left + RoundHalfEven(mw / 2.0L), ay = top + RoundHalfEven(mh / 2.0L);
      const int hw = RoundHalfEven(sw / 2.0L), hh = RoundHalfEven(sh / 2.0L);
      FSrcRect.Left = ClampToRange(ax - hw, dl() - hw, dw() - hw);
      FSrcRect.Top = ClampToRange(ay - hh, dt() - hh, dh() - hh);
      FSrcRect.Right = FSrcRect.Left + sw;
      FSrcRect.Bottom = FSrcRect.Top + sh;
      break;
    }
    default:
      break;  // an origin out of range keeps the previous area
  }
}

}  // namespace lensoro

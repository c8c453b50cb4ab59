#include "LoupeGeometry.h"

#include <algorithm>

#include "Numeric.h"

namespace lensoro {

namespace {
// Distances below this from an edge resize the loupe.
constexpr int ResizeZone = 6;
}  // namespace

TVirtualDesktop VirtualDesktop(TPlatform& platform) {
  return {platform.GetSystemMetrics(win::SM_XVIRTUALSCREEN), platform.GetSystemMetrics(win::SM_YVIRTUALSCREEN),
          platform.GetSystemMetrics(win::SM_CXVIRTUALSCREEN), platform.GetSystemMetrics(win::SM_CYVIRTUALSCREEN)};
}

int LoupeScaleByDpi(int value96, int dpi) { return RoundHalfEven(static_cast<long double>(value96) * dpi / 96.0L); }

TLoupeSizes LoupeSizes(int windowWidth, int windowHeight, int frameWidth, float rate) {
  TLoupeSizes s;
  // A window narrower than its two frames (a hand-edited settings file) has
  // an empty image, not one of negative size.
  s.MagWidth = std::max(0, windowWidth - 2 * frameWidth);
  s.MagHeight = std::max(0, windowHeight - 2 * frameWidth);
  s.SrcWidth = RoundQuotient(s.MagWidth, rate);
  s.SrcHeight = RoundQuotient(s.MagHeight, rate);
  return s;
}

TRect PointerSourceRect(const TPoint& pointer, int srcWidth, int srcHeight, const TVirtualDesktop& desktop) {
  TRect r;
  // Stopped at all four edges: with a monitor left of or above the primary
  // one the desktop's size alone would let the area run past its right or
  // bottom edge, where the magnifier has nothing to show.
  r.Left = ClampToRange(pointer.X - RoundHalfEven(srcWidth / 2.0L), desktop.Left,
                        desktop.Left + desktop.Width - srcWidth);
  r.Top = ClampToRange(pointer.Y - RoundHalfEven(srcHeight / 2.0L), desktop.Top,
                       desktop.Top + desktop.Height - srcHeight);
  r.Right = r.Left + srcWidth;
  r.Bottom = r.Top + srcHeight;
  return r;
}

std::optional<TRect> WindowSourceRect(const TLoupePlace& loupe, TLoupeSrcOrigin origin,
                                      const TVirtualDesktop& desktop) {
  const int sw = loupe.Sizes.SrcWidth, sh = loupe.Sizes.SrcHeight;
  const int mw = loupe.Sizes.MagWidth, mh = loupe.Sizes.MagHeight;
  const long double r = loupe.Rate;
  // rnd((edge + anchor) / R), the sum formed in extended precision.
  const auto rnd = [r](int edge, int anchor) {
    return RoundHalfEven((static_cast<long double>(edge) + anchor) / r);
  };
  const int left = loupe.Origin.X + loupe.FrameWidth, top = loupe.Origin.Y + loupe.FrameWidth;
  const int right = left + mw, bottom = top + mh;
  const int deskRight = desktop.Left + desktop.Width, deskBottom = desktop.Top + desktop.Height;
  // The bounds built from the rate stop an anchor that lies beyond the
  // desktop's edge. On the desktop the anchor is the source's corner itself:
  // above rate 2 those bounds would pull the area hundreds of pixels away
  // from the loupe (right and bottom anchors, or a monitor left of or above
  // the primary one).
  const auto leftEdge = [&] {
    return ClampToRange(left, left < desktop.Left ? rnd(desktop.Left, left) : desktop.Left, desktop.Width);
  };
  const auto topEdge = [&] {
    return ClampToRange(top, top < desktop.Top ? rnd(desktop.Top, top) : desktop.Top, desktop.Height);
  };
  const auto rightEdge = [&] {
    return ClampToRange(right, desktop.Left, right > deskRight ? rnd(desktop.Width, right) : deskRight);
  };
  const auto bottomEdge = [&] {
    return ClampToRange(bottom, desktop.Top, bottom > deskBottom ? rnd(desktop.Height, bottom) : deskBottom);
  };
  TRect s;
  switch (origin) {
    case lsoTopLeft:
      s.Left = leftEdge();
      s.Top = topEdge();
      break;
    case lsoTopRight:
      s.Left = rightEdge() - sw;
      s.Top = topEdge();
      break;
    case lsoBottomLeft:
      s.Left = leftEdge();
      s.Top = bottomEdge() - sh;
      break;
    case lsoBottomRight:
      s.Left = rightEdge() - sw;
      s.Top = bottomEdge() - sh;
      break;
    case lsoCenter: {
      const int ax = left + RoundHalfEven(mw / 2.0L), ay = top + RoundHalfEven(mh / 2.0L);
      const int hw = RoundHalfEven(sw / 2.0L), hh = RoundHalfEven(sh / 2.0L);
      // Centred on the image and kept on the desktop, as in pointer mode.
      s.Left = ClampToRange(ax - hw, desktop.Left, deskRight - sw);
      s.Top = ClampToRange(ay - hh, desktop.Top, deskBottom - sh);
      break;
    }
    default:
      return std::nullopt;
  }
  s.Right = s.Left + sw;
  s.Bottom = s.Top + sh;
  return s;
}

LRESULT LoupeHitTest(const TRect& bounds, int x, int y, LRESULT framework) {
  // Six pixels from the left and top edges, five from the right and bottom
  // ones (Right and Bottom are exclusive), whatever the frame width.
  const bool l = x - bounds.Left < ResizeZone, r = bounds.Right - x < ResizeZone;
  const bool t = y - bounds.Top < ResizeZone, b = bounds.Bottom - y < ResizeZone;
  if (t && l) return win::HTTOPLEFT;
  if (t && r) return win::HTTOPRIGHT;
  if (b && l) return win::HTBOTTOMLEFT;
  if (b && r) return win::HTBOTTOMRIGHT;
  if (t) return win::HTTOP;
  if (l) return win::HTLEFT;
  if (b) return win::HTBOTTOM;
  if (r) return win::HTRIGHT;
  return framework;
}

TRect FitOnMonitors(const TRect& bounds, const std::vector<TMonitorInfo>& monitors, int grab) {
  if (monitors.empty()) return bounds;
  TRect screen = monitors.front().Monitor;
  for (const TMonitorInfo& m : monitors) {
    screen = {std::min(screen.Left, m.Monitor.Left), std::min(screen.Top, m.Monitor.Top),
              std::max(screen.Right, m.Monitor.Right), std::max(screen.Bottom, m.Monitor.Bottom)};
  }
  int width = std::min(bounds.Width(), screen.Width());
  int height = std::min(bounds.Height(), screen.Height());
  const TRect sized{bounds.Left, bounds.Top, bounds.Left + width, bounds.Top + height};
  const int needWidth = std::max(1, std::min(grab, width)), needHeight = std::max(1, std::min(grab, height));
  // The monitor it overlaps most, else the nearest by the gap between them;
  // the first of equals wins.
  const TMonitorInfo* nearest = nullptr;
  long long bestOverlap = 0, bestGap = 0;
  for (const TMonitorInfo& m : monitors) {
    const long long ow = std::min(0LL + sized.Right, 0LL + m.Monitor.Right) - std::max(sized.Left, m.Monitor.Left);
    const long long oh = std::min(0LL + sized.Bottom, 0LL + m.Monitor.Bottom) - std::max(sized.Top, m.Monitor.Top);
    if (ow >= needWidth && oh >= needHeight) return sized;
    const long long overlap = ow > 0 && oh > 0 ? ow * oh : 0;
    const long long dx = std::max({0LL, 0LL + m.Monitor.Left - sized.Right, 0LL + sized.Left - m.Monitor.Right});
    const long long dy = std::max({0LL, 0LL + m.Monitor.Top - sized.Bottom, 0LL + sized.Top - m.Monitor.Bottom});
    const long long gap = dx * dx + dy * dy;
    if (!nearest || overlap > bestOverlap || (overlap == bestOverlap && gap < bestGap)) {
      nearest = &m, bestOverlap = overlap, bestGap = gap;
    }
  }
  const TRect& work = nearest->Work.Width() > 0 && nearest->Work.Height() > 0 ? nearest->Work : nearest->Monitor;
  width = std::min(width, work.Width());
  height = std::min(height, work.Height());
  const int left = std::clamp(sized.Left, work.Left, work.Right - width);
  const int top = std::clamp(sized.Top, work.Top, work.Bottom - height);
  return {left, top, left + width, top + height};
}

}  // namespace lensoro

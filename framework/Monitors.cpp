#include "Monitors.h"

#include <algorithm>

namespace lensoro {

const TMonitorInfo* MonitorOfRect(const TRect& r, const std::vector<TMonitorInfo>& monitors) {
  const TMonitorInfo* best = nullptr;
  long long bestArea = 0, bestGap = 0;
  for (const TMonitorInfo& m : monitors) {
    const TRect& a = m.Monitor;
    const long long w = std::min(0LL + r.Right, 0LL + a.Right) - std::max(0LL + r.Left, 0LL + a.Left);
    const long long h = std::min(0LL + r.Bottom, 0LL + a.Bottom) - std::max(0LL + r.Top, 0LL + a.Top);
    const long long area = w > 0 && h > 0 ? w * h : 0;
    // Squared gap between the two; 0 where they touch or overlap.
    const long long dx = std::max({0LL, 0LL + a.Left - r.Right, 0LL + r.Left - a.Right});
    const long long dy = std::max({0LL, 0LL + a.Top - r.Bottom, 0LL + r.Top - a.Bottom});
    const long long gap = dx * dx + dy * dy;
    if (!best || area > bestArea || (bestArea == 0 && area == 0 && gap < bestGap)) {
      best = &m, bestArea = area, bestGap = gap;
    }
  }
  return best;
}

TRect WorkAreaOf(const TMonitorInfo& monitor) {
  return monitor.Work.Width() > 0 && monitor.Work.Height() > 0 ? monitor.Work : monitor.Monitor;
}

TRect MoveOntoWorkArea(const TRect& r, const TRect& work) {
  const int w = r.Width(), h = r.Height();
  // The upper bound first: when the window is the larger, the lower one wins.
  const int left = std::max(work.Left, std::min(r.Left, work.Right - w));
  const int top = std::max(work.Top, std::min(r.Top, work.Bottom - h));
  return {left, top, left + w, top + h};
}

TRect MoveOntoItsMonitor(const TRect& r, const std::vector<TMonitorInfo>& monitors) {
  const TMonitorInfo* m = MonitorOfRect(r, monitors);
  return m ? MoveOntoWorkArea(r, WorkAreaOf(*m)) : r;
}

std::vector<TRect> PlacesBeside(const TRect& anchor, int width, int height, const TRect& work, int gap) {
  std::vector<TRect> places;
  if (width > work.Width() || height > work.Height()) return places;
  const int top = std::clamp(anchor.Top, work.Top, work.Bottom - height);
  const int left = std::clamp(anchor.Left, work.Left, work.Right - width);
  const TRect sides[] = {
      {anchor.Right + gap, top, anchor.Right + gap + width, top + height},
      {anchor.Left - gap - width, top, anchor.Left - gap, top + height},
      {left, anchor.Bottom + gap, left + width, anchor.Bottom + gap + height},
      {left, anchor.Top - gap - height, left + width, anchor.Top - gap},
  };
  for (const TRect& r : sides) {
    if (r.Left >= work.Left && r.Top >= work.Top && r.Right <= work.Right && r.Bottom <= work.Bottom) {
      places.push_back(r);
    }
  }
  return places;
}

namespace {

bool Overlap(const TRect& a, const TRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

}  // namespace

TRect PlaceClearOf(const TRect& box, const TRect& near, const std::vector<TRect>& clear,
                   const std::vector<TMonitorInfo>& monitors) {
  const int w = box.Width(), h = box.Height();
  const bool hasNear = near.Width() > 0 && near.Height() > 0;
  const TMonitorInfo* monitor = MonitorOfRect(hasNear ? near : box, monitors);
  if (!monitor) return box;
  const TRect work = WorkAreaOf(*monitor);
  const TRect around = hasNear ? near : work;
  const int left = around.Left + (around.Width() - w) / 2, top = around.Top + (around.Height() - h) / 2;
  const TRect centred = MoveOntoWorkArea({left, top, left + w, top + h}, work);
  const auto isClear = [&](const TRect& r) {
    return std::none_of(clear.begin(), clear.end(), [&](const TRect& c) { return Overlap(r, c); });
  };
  if (isClear(centred)) return centred;
  constexpr int gap = 8;
  for (const TRect& c : clear) {
    if (!Overlap(centred, c)) continue;
    for (const TRect& beside : PlacesBeside(c, w, h, work, gap)) {
      if (isClear(beside)) return beside;
    }
  }
  return centred;
}

}  // namespace lensoro

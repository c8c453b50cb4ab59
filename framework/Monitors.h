// Which monitor a window is on and where it can be used there: plain
// arithmetic on the monitors the platform lists.
#pragma once

#include <vector>

#include "Platform.h"

namespace lensoro {

// The monitor a rectangle shares the most area with, else the nearest one
// (the first of equals), as the system picks a window's monitor; nothing
// when there are no monitors.
const TMonitorInfo* MonitorOfRect(const TRect& r, const std::vector<TMonitorInfo>& monitors);

// The part of a monitor windows go on: its work area, or the whole monitor
// when it reports none.
TRect WorkAreaOf(const TMonitorInfo& monitor);

// A window moved, not sized, onto a work area. One wider or taller than the
// work area keeps its left or top edge on it, so its title bar can still be
// grabbed.
TRect MoveOntoWorkArea(const TRect& r, const TRect& work);

// A window moved onto the work area of the monitor it lies on most (or of
// the nearest one); unchanged without monitors.
TRect MoveOntoItsMonitor(const TRect& r, const std::vector<TMonitorInfo>& monitors);

// The places beside `anchor`, `gap` pixels off it, where a window of this
// size lies whole on the work area, in the order they are offered: right of
// it, left, below, above. Beside it the window lines up with the anchor's
// top (or left) edge as far as the work area lets it.
std::vector<TRect> PlacesBeside(const TRect& anchor, int width, int height, const TRect& work, int gap);

// Where a box of box's size goes near `near` (centred on it) when windows
// that stay above everything must not cover it: on the work area of near's
// monitor, and, when centred it would lie under one of `clear`, beside that
// one (PlacesBeside) where that is clear of them all. Centred
// on the work area (or where the box is) when near is empty.
TRect PlaceClearOf(const TRect& box, const TRect& near, const std::vector<TRect>& clear,
                   const std::vector<TMonitorInfo>& monitors);

}  // namespace lensoro

// Pixels at a DPI. Lensoro is aware of each monitor's DPI: a window is laid
// out at the DPI of the monitor it is on, which Windows tells it when it
// changes (WM_DPICHANGED). Sizes are designed for 96 DPI and scaled.
//
//   const int dpi = WindowDpi(platform, loupe);      // 144 on a 150 % monitor
//   const int zone = ScaleByPpi(6, dpi);             // 9
//   const int arrows = SystemMetricForDpi(platform, win::SM_CXVSCROLL, dpi);
#pragma once

#include "Platform.h"

namespace lensoro {

// Scales a design value by ppi / 96, rounding halves away from zero as
// the system's MulDiv does.
int ScaleByPpi(int value, int ppi);
// A pixel value at one DPI taken to another, rounded the same way.
int RescalePpi(int value, int fromPpi, int toPpi);

// The system DPI (96 when the screen cannot tell).
int SystemDpi(TPlatform& platform);
// The DPI the window is at: its monitor's where Windows has a DPI for each
// monitor, the system DPI before Windows 10 1607.
int WindowDpi(TPlatform& platform, HWND wnd);
// A system metric at a DPI; before Windows 10 1607, its value at the
// system DPI scaled to that DPI.
int SystemMetricForDpi(TPlatform& platform, int index, int dpi);

}  // namespace lensoro

#include "Dpi.h"

#include <cstdlib>

namespace lensoro {

int RescalePpi(int value, int fromPpi, int toPpi) {
  if (fromPpi <= 0) return value;
  const long long p = static_cast<long long>(value) * toPpi;
  const long long q = (std::llabs(p) * 2 + fromPpi) / (2LL * fromPpi);
  return static_cast<int>(p < 0 ? -q : q);
}

int ScaleByPpi(int value, int ppi) { return RescalePpi(value, 96, ppi); }

int SystemDpi(TPlatform& platform) {
  const int ppi = platform.GetScreenPixelsPerInch();
  return ppi > 0 ? ppi : 96;
}

int WindowDpi(TPlatform& platform, HWND wnd) {
  const UINT dpi = wnd ? platform.GetDpiForWindow(wnd) : 0;
  return dpi > 0 ? static_cast<int>(dpi) : SystemDpi(platform);
}

int SystemMetricForDpi(TPlatform& platform, int index, int dpi) {
  if (const int value = platform.GetSystemMetricsForDpi(index, static_cast<UINT>(dpi)); value > 0) return value;
  return RescalePpi(platform.GetSystemMetrics(index), SystemDpi(platform), dpi);
}

}  // namespace lensoro

#include "LoupeMagnifier.h"

#include <cstdio>

#include "Format.h"
#include "LoupeGeometry.h"
#include "Numeric.h"

namespace lensoro {

namespace {

// 32 hexadecimal digits of a GUID in its usual text order, without braces
// and hyphens.
std::u16string GuidText(const std::uint8_t (&g)[16]) {
  const unsigned data1 = unsigned(g[0]) | unsigned(g[1]) << 8 | unsigned(g[2]) << 16 | unsigned(g[3]) << 24;
  const unsigned data2 = unsigned(g[4]) | unsigned(g[5]) << 8;
  const unsigned data3 = unsigned(g[6]) | unsigned(g[7]) << 8;
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%08X%04X%04X%02X%02X%02X%02X%02X%02X%02X%02X", data1, data2, data3, g[8],
                g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
  return AsciiToUtf16(buffer);
}

}  // namespace

void TLoupeMagnifier::Resize(int windowWidth, int windowHeight, int frameWidth, float rate) {
  const TLoupeSizes sizes = LoupeSizes(windowWidth, windowHeight, frameWidth, rate);
  FWidth = sizes.MagWidth;
  FHeight = sizes.MagHeight;
  FSrcWidth = sizes.SrcWidth;
  FSrcHeight = sizes.SrcHeight;
}

bool TLoupeMagnifier::Create(HWND parent, int frameWidth) {
  std::uint8_t guid[16] = {};
  TCreateWindowParams params;
  params.ClassName = u"Magnifier";
  params.WindowName = FPlatform.CreateGuid(guid) ? GuidText(guid) : std::u16string();
  params.Style = win::WS_CHILD | win::WS_VISIBLE;
  params.X = frameWidth;
  params.Y = frameWidth;
  params.Width = FWidth;
  params.Height = FHeight;
  params.Parent = parent;
  FHandle = FPlatform.CreateWindowExW(params);
  if (FHandle == 0) return false;
  FPlatform.ImmDisableForWindow(FHandle);
  return true;
}

void TLoupeMagnifier::Destroy() { FPlatform.DestroyWindow(FHandle); }

void TLoupeMagnifier::Place(int frameWidth) {
  // The insert-after value is ignored because of SWP_NOZORDER.
  FPlatform.SetWindowPos(FHandle, win::HWND_TOPMOST, frameWidth, frameWidth, FWidth, FHeight, win::SWP_NOZORDER);
}

void TLoupeMagnifier::Fit(int windowWidth, int windowHeight, int frameWidth, float rate) {
  Resize(windowWidth, windowHeight, frameWidth, rate);
  Place(frameWidth);
}

void TLoupeMagnifier::ResetTransform() {
  FTransform = TMagTransform{};
  FTransform.v[2][2] = 1.0f;
}

void TLoupeMagnifier::ResetColorEffect() { FColorEffect = TMagColorEffect{}; }

bool TLoupeMagnifier::SetRate(float rate) {
  FSrcWidth = RoundQuotient(FWidth, rate);
  FSrcHeight = RoundQuotient(FHeight, rate);
  FTransform.v[0][0] = rate;
  FTransform.v[1][1] = rate;
  return FPlatform.MagSetWindowTransform(FHandle, FTransform);
}

bool TLoupeMagnifier::SetColorMode(TLoupeColorMode mode) {
  if (mode < LoupeColorModeCount) FColorEffect = LoupeColorMatrices[mode];
  return FPlatform.MagSetColorEffect(FHandle, &FColorEffect);
}

bool TLoupeMagnifier::SetSource(const TRect& area) {
  FSrcRect = area;
  return FPlatform.MagSetWindowSource(FHandle, FSrcRect);
}

}  // namespace lensoro

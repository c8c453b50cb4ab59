// The magnifier child: creating it, its matrices, rebuilding it, and the
// exclusion filter it is given.
#include <cstdio>

#include "Format.h"
#include "LnsLib.h"
#include "Main.h"
#include "ScopeGuard.h"

namespace lensoro {

const TMagColorEffect LoupeColorMatrices[3] = {
    // lcmOriginal: identity
    {{{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, 1, 0}, {0, 0, 0, 0, 1}}},
    // lcmInvert: each of red, green, blue becomes 1 - itself
    {{{-1, 0, 0, 0, 0}, {0, -1, 0, 0, 0}, {0, 0, -1, 0, 0}, {0, 0, 0, 1, 0}, {1, 1, 1, 0, 1}}},
    // lcmGray: luminance weights; they add up to 1.000001, not exactly 1
    {{{0.298912f, 0.298912f, 0.298912f, 0, 0},
      {0.586611f, 0.586611f, 0.586611f, 0, 0},
      {0.114478f, 0.114478f, 0.114478f, 0, 0},
      {0, 0, 0, 1, 0},
      {0, 0, 0, 0, 1}}},
};

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

std::u16string QuitTemplate(const TLangState& lang, const char16_t* key) {
  return lang.Text(key) + u"\r\n\r\n" + lang.Text(u"MsgWarnQuit");
}

void TMainForm::CreateMagnifier() {
  if (!FPlatform.MagInitialize()) {
    ShowErrorMessage(QuitTemplate(FApp.Lang, u"MsgErrorMagInitialize"));
    ActPopQuitExecute();
  }
  const TRect bounds = BoundsRect();
  RecomputeSizes(bounds.Width(), bounds.Height());

  std::uint8_t guid[16] = {};
  TCreateWindowParams params;
  params.ClassName = u"Magnifier";
  params.WindowName = FPlatform.CreateGuid(guid) ? GuidText(guid) : std::u16string();
  params.Style = win::WS_CHILD | win::WS_VISIBLE;
  params.X = Settings.FrameWidth;
  params.Y = Settings.FrameWidth;
  params.Width = FMagWidth;
  params.Height = FMagHeight;
  params.Parent = FHandle;
  FMagHandle = FPlatform.CreateWindowExW(params);
  if (FMagHandle == 0) {
    ShowErrorMessage(QuitTemplate(FApp.Lang, u"MsgErrorCreateMagnifierWindow"));
    ActPopQuitExecute();
    return;
  }
  FPlatform.ImmDisableForWindow(FMagHandle);
}

void TMainForm::InitMagTransform() {
  FMagTransform = TMagTransform{};
  FMagTransform.v[2][2] = 1.0f;
}

void TMainForm::InitMagColorEffect() { FMagColorEffect = TMagColorEffect{}; }

void TMainForm::RestartMagnifier(DWORD waitMs) {
  // A request that arrives while a rebuild waits is served by that rebuild:
  // nesting them would only stack waits (and stack frames) per request.
  if (FRestarting) return;
  FRestarting = true;
  // No tick may use the child while it is being replaced, also not one
  // dispatched by the wait below.
  Timer1.OnTimer = nullptr;
  TScopeGuard restarted([this] {
    Timer1.OnTimer = [this] { Timer1Timer(); };
    FRestarting = false;
  });
  WaitWithMessages(FApp, waitMs);
  FPlatform.MagUninitialize();
  FPlatform.DestroyWindow(FMagHandle);
  CreateMagnifier();
  FPlatform.SendMessageW(FMagHandle, win::WM_SETREDRAW, 0, 0);
  TScopeGuard redraw([this] { FPlatform.SendMessageW(FMagHandle, win::WM_SETREDRAW, 1, 0); });
  // A rebuild that failed has taken the quit path already; applying to a
  // missing child would only repeat the report.
  if (!FApp.Terminated()) UpdateFilterList(false);
  if (!FApp.Terminated()) ApplyLoupeSettings();
}

}  // namespace lensoro

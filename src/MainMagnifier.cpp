// The magnifier child: creating it and rebuilding it.
#include "Format.h"
#include "LnsLib.h"
#include "Main.h"
#include "ScopeGuard.h"

namespace lensoro {

std::u16string QuitTemplate(const TLangState& lang, const char16_t* key) {
  return lang.Text(key) + u"\r\n\r\n" + lang.Text(u"MsgWarnQuit");
}

void TMainForm::CreateMagnifier() {
  if (!FPlatform.MagInitialize()) {
    ShowErrorMessage(QuitTemplate(FApp.Lang, u"MsgErrorMagInitialize"));
    ActPopQuitExecute();
  }
  const TRect bounds = BoundsRect();
  FMagnifier.Resize(bounds.Width(), bounds.Height(), FSettings.FrameWidth, FSettings.LoupeRate);
  if (!FMagnifier.Create(FHandle, FSettings.FrameWidth)) {
    ShowErrorMessage(QuitTemplate(FApp.Lang, u"MsgErrorCreateMagnifierWindow"));
    ActPopQuitExecute();
  }
}

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
  FMagnifier.Destroy();
  CreateMagnifier();
  FPlatform.SendMessageW(FMagnifier.Handle(), win::WM_SETREDRAW, 0, 0);
  TScopeGuard redraw([this] { FPlatform.SendMessageW(FMagnifier.Handle(), win::WM_SETREDRAW, 1, 0); });
  // A rebuild that failed has taken the quit path already; applying to a
  // missing child would only repeat the report.
  if (!FApp.Terminated()) UpdateFilterList(false);
  if (!FApp.Terminated()) ApplyLoupeSettings();
}

}  // namespace lensoro

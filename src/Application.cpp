#include "Application.h"

#include <vector>

#include "AsciiFold.h"
#include "LoupeProtocol.h"
#include "Monitors.h"
#include "ScopeGuard.h"

namespace lensoro {

namespace {

// The visible loupes of the other copies: they keep themselves above
// every window, a message box included.
std::vector<TRect> OtherLoupes(TApplication& app) {
  TPlatform& p = app.Platform;
  const HWND own = app.MainForm ? app.MainForm->Handle() : 0;
  std::vector<TRect> rects;
  p.EnumWindows([&](HWND wnd) {
    if (wnd == own || !p.IsWindowVisible(wnd)) return true;
    char16_t title[win::MAX_PATH + 1] = {};
    const int length = p.GetWindowTextW(wnd, title, win::MAX_PATH + 1);
    TRect r;
    if (length > 0 && SameTextAscii(std::u16string(title, static_cast<std::size_t>(length)), LoupeCaption) &&
        p.GetWindowRect(wnd, r)) {
      rects.push_back(r);
    }
    return true;
  });
  return rects;
}

}  // namespace

int ShowMsgDialog(TApplication& app, const std::u16string& text, TMsgDlgType type, TMsgDlgButtons buttons, HWND owner) {
  const std::u16string caption =
      app.Lang.MsgDialogCaption.empty() ? std::u16string(DefaultDialogCaption) : app.Lang.MsgDialogCaption;
  // Without this the 50 ms tick would push the loupe above the box.
  if (app.MainForm) app.MainForm->BeginNotTopmost();
  TScopeGuard endNotTopmost([&app] {
    if (app.MainForm) app.MainForm->EndNotTopmost();
  });
  // Centred on its owner, on the work area, and not under a loupe of
  // another copy, where the user could not read it.
  TRect near;
  if (owner == 0 || !app.Platform.GetWindowRect(owner, near)) near = {};
  const std::vector<TMonitorInfo> monitors = app.Platform.EnumDisplayMonitors();
  const std::vector<TRect> loupes = OtherLoupes(app);
  return app.Platform.MessageDialog(text, caption, type, buttons, owner,
                                    [&](const TRect& box) { return PlaceClearOf(box, near, loupes, monitors); });
}

HWND TApplication::MainFormHandle() const { return MainForm ? MainForm->Handle() : 0; }

void TApplication::ShowMainForm() {
  if (MainForm) MainForm->ShowAtStart();
}

void TApplication::ShowError(const std::u16string& text, HWND owner) {
  ShowMsgDialog(*this, text, TMsgDlgType::Error, mbOK, owner);
}

}  // namespace lensoro

#include "Application.h"

#include "ScopeGuard.h"

namespace lensoro {

int ShowMsgDialog(TApplication& app, const std::u16string& text, TMsgDlgType type, TMsgDlgButtons buttons, HWND owner) {
  const std::u16string caption =
      app.Lang.MsgDialogCaption.empty() ? std::u16string(DefaultDialogCaption) : app.Lang.MsgDialogCaption;
  // Without this the 50 ms tick would push the loupe above the box.
  if (app.MainForm) app.MainForm->BeginNotTopmost();
  TScopeGuard endNotTopmost([&app] {
    if (app.MainForm) app.MainForm->EndNotTopmost();
  });
  return app.Platform.MessageDialog(text, caption, type, buttons, owner);
}

HWND TApplication::MainFormHandle() const { return MainForm ? MainForm->Handle() : 0; }

void TApplication::ShowMainForm() {
  if (MainForm) MainForm->ShowAtStart();
}

void TApplication::ShowError(const std::u16string& text, HWND owner) {
  ShowMsgDialog(*this, text, TMsgDlgType::Error, mbOK, owner);
}

}  // namespace lensoro

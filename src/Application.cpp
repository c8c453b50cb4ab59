#include "Application.h"

#include "LnsLib.h"

namespace lensoro {

HWND TApplication::MainFormHandle() const { return MainForm ? MainForm->Handle() : 0; }

void TApplication::ShowMainForm() {
  if (MainForm) MainForm->ShowAtStart();
}

void TApplication::ShowError(const std::u16string& text, HWND owner) {
  ShowMsgDialog(*this, text, TMsgDlgType::Error, mbOK, owner);
}

}  // namespace lensoro

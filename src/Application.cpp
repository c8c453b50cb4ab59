#include "Application.h"

#include "LnsLib.h"
#include "Main.h"

namespace lensoro {

HWND TApplication::MainFormHandle() const { return MainForm ? MainForm->Handle() : 0; }

void TApplication::ShowMainForm() {
  if (MainForm && MainForm->Visible) MainForm->Show();
}

void TApplication::ShowError(const std::u16string& text, HWND owner) {
  ShowMsgDialog(*this, text, TMsgDlgType::Error, mbOK, owner);
}

}  // namespace lensoro

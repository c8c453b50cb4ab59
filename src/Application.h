// The program's application object: the framework's one with the language
// and the settings batch of the start (Lang.h), the loupe window as its main
// window, and the one message box.
#pragma once

#include "Framework.h"
#include "Lang.h"

namespace lensoro {

class TSaveFailureNotice;

// What the application and the helpers ask of the loupe window.
class IMainWindow {
 public:
  virtual HWND Handle() const = 0;
  // Shown by the message loop after creation, unless it starts hidden.
  virtual void ShowAtStart() = 0;
  // Menus and message boxes lower the loupe while they are open.
  virtual void BeginNotTopmost() = 0;
  virtual void EndNotTopmost() = 0;

 protected:
  ~IMainWindow() = default;
};

class TApplication final : public TLangApplication {
 public:
  explicit TApplication(TPlatform& platform) : TLangApplication(platform) {}

  // The running Windows (GetOsVersionNumber), read as the loupe is created;
  // 0 when unknown.
  int OsVersion = 0;
  IMainWindow* MainForm = nullptr;
  // The loupe's account of failed saves of the settings file (Settings.h):
  // a run that could not read the file never writes it. Null without a loupe.
  TSaveFailureNotice* SaveNotice = nullptr;

  HWND MainFormHandle() const override;
  void ShowMainForm() override;
  // The program's message box (ShowMsgDialog), as an error.
  void ShowError(const std::u16string& text, HWND owner) override;
};

// Caption of every message box before a language has been applied.
constexpr const char16_t* DefaultDialogCaption = u"Lensoro [Information]";

// The one message box: caption from the language (or the built-in one),
// top-most, centred on the owner. While it is open the loupe stops pushing
// itself above other windows; afterwards it is top-most again.
int ShowMsgDialog(TApplication& app, const std::u16string& text, TMsgDlgType type, TMsgDlgButtons buttons,
                  HWND owner = 0);

}  // namespace lensoro

// The program's application object: the framework's one with the language,
// the settings batch of the start and the loupe window as its main window.
#pragma once

#include "Framework.h"
#include "Lang.h"

namespace lensoro {

class TFileBatch;
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

class TApplication final : public TBaseApplication {
 public:
  explicit TApplication(TPlatform& platform) : TBaseApplication(platform) {}

  TLangState Lang;  // language folder, file and texts
  // The running Windows (GetOsVersionNumber), read as the loupe is created;
  // 0 when unknown.
  int OsVersion = 0;
  IMainWindow* MainForm = nullptr;
  // While the start reads its settings: the files read for that batch of
  // keys, each read once (Ini.h); null otherwise.
  TFileBatch* FileBatch = nullptr;
  // The loupe's account of failed saves of the settings file (Settings.h):
  // a run that could not read the file never writes it. Null without a loupe.
  TSaveFailureNotice* SaveNotice = nullptr;

  HWND MainFormHandle() const override;
  void ShowMainForm() override;
  // The program's message box (ShowMsgDialog), as an error.
  void ShowError(const std::u16string& text, HWND owner) override;
};

}  // namespace lensoro

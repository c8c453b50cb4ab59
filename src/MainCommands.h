// TLoupeCommands: the loupe's popup menu and the commands on it, their
// captions in the language in use, and the dialogs they open. The commands
// act on the whole loupe, so this is one of the form's own files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "LoupeGeometry.h"
#include "Menus.h"

namespace lensoro {

class TApplication;
class TMainForm;
class TOptionForm;
class TAboutForm;

struct TLangState;
// Why the shell could not open a file, from its result (32 or less), in words.
std::u16string OpenFailureReason(const TLangState& lang, std::intptr_t result);

class TLoupeCommands {
 public:
  TLoupeCommands(TApplication& app, TMainForm& loupe);
  ~TLoupeCommands();
  TLoupeCommands(const TLoupeCommands&) = delete;
  TLoupeCommands& operator=(const TLoupeCommands&) = delete;

  TAction ActPopSetLoupeModelmPointer, ActPopSetLoupeModelmWindow, ActPopZoomIn, ActPopZoomOut,
      ActPopSetLoupeColorModelcmOriginal, ActPopSetLoupeColorModelcmInvert, ActPopSetLoupeColorModelcmGrayscale,
      ActPopMinimizeAndRestore, ActPopShowOption, ActPopShowLanguage, ActPopReset, ActPopShowHelp,
      ActPopShowVersionInfo, ActPopQuit;
  TPopupMenu PopupMenu1;

  // Gives every action its execute and builds the menu; before the window exists.
  void BindActions();
  void PopupMenu1Popup();
  // Opens the menu at a point on the screen; (-1, -1), from the keyboard,
  // at the loupe's corner.
  void WMContextMenu(TPoint at);

  void ActPopZoomInExecute();
  void ActPopZoomOutExecute();
  void ActPopResetExecute();
  void ActPopMinimizeAndRestoreExecute();
  void ActPopShowOptionExecute();
  void ActPopShowLanguageExecute() {}
  void ActPopShowHelpExecute();
  void ActPopShowVersionInfoExecute();

  // The hide/restore command's caption for the loupe's state, in the
  // current language.
  void UpdateMinimizeAndRestoreCaption();
  // The captions and texts of the language in use, onto the commands.
  void ApplyMainFormLang();
  // The language menu's item with this tag was chosen: false when nothing changed.
  bool LanguageListClick(int tag);

  TOptionForm* OptionForm() const { return FOptionForm; }  // the open options dialog, null for none
  // The dialog's window is gone; the object goes on the next message, once
  // the dialog's own handlers are off the stack.
  void OptionFormDestroyed(TOptionForm* form);
  void FreeClosedOptionForm();

 private:
  void BuildPopupMenu1();

  TApplication& FApp;
  TMainForm& FLoupe;
  // The open dialogs; null when none is open.
  TOptionForm* FOptionForm = nullptr;
  TAboutForm* FAboutForm = nullptr;
  // The options dialog made last; it goes first when the loupe goes.
  std::unique_ptr<TOptionForm> FOptionFormHolder;
};

}  // namespace lensoro

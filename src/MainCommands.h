// TLoupeCommands: the loupe's popup menu and the commands on it, their
// captions in the language in use, and the dialogs they open.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "LoupeGeometry.h"
#include "Menus.h"
#include "WinConstants.h"

namespace lensoro {

class TApplication;
class ILoupeModel;
class IOptionFormHost;
class TLoupeHotKey;
class TLoupeTray;
class TOptionForm;
class TAboutForm;
class TZOrderList;

// Posted by the commands to the loupe: free the options dialog that was closed.
constexpr UINT UM_FREEOPTIONFORM = win::WM_APP + 1;

// The loupe's window as its commands see it.
class ILoupeCommandsHost {
 public:
  virtual HWND Handle() const = 0;
  virtual TRect BoundsRect() const = 0;
  // Hidden to the tray.
  virtual bool IsMinimized() const = 0;
  virtual void MinimizeToTray() = 0;
  virtual void RestoreFromTray() = 0;
  virtual void SetTopmost(bool topmost) = 0;
  virtual void RestartMagnifier(DWORD waitMs) = 0;
  virtual void ActPopQuitExecute() = 0;
  // The top-level windows now, the topmost first.
  virtual const TZOrderList& RefreshZOrder() = 0;

 protected:
  ~ILoupeCommandsHost() = default;
};

struct TLangState;
// Why the shell could not open a file, from its result (32 or less), in words.
std::u16string OpenFailureReason(const TLangState& lang, std::intptr_t result);

class TLoupeCommands {
 public:
  // The model is what the commands and the options dialog change; the
  // dialog's host, tray and hot key go to the dialog when it opens.
  TLoupeCommands(TApplication& app, ILoupeCommandsHost& loupe, ILoupeModel& model, IOptionFormHost& optionHost,
                 TLoupeTray& tray, TLoupeHotKey& hotKey);
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
  ILoupeCommandsHost& FLoupe;
  ILoupeModel& FModel;
  IOptionFormHost& FOptionHost;
  TLoupeTray& FTray;
  TLoupeHotKey& FHotKey;
  // The open dialogs; null when none is open.
  TOptionForm* FOptionForm = nullptr;
  TAboutForm* FAboutForm = nullptr;
  // The options dialog made last; it goes first when the loupe goes.
  std::unique_ptr<TOptionForm> FOptionFormHolder;
};

}  // namespace lensoro

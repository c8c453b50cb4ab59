// TMainForm: the loupe window. Its state and setters, the magnifier child
// it hosts, its window procedure, its quit path and the order in which it
// is created and destroyed.
//
// The handlers are spread over several files by subject:
//   Main.cpp           creation, destruction, the window procedure, quitting
//   MainLoupe.cpp      the loupe model: setters, hiding to the tray and back
//   MainMagnifier.cpp  creating and rebuilding the magnifier child (LoupeMagnifier.h)
//   MainTracking.cpp   the 50 ms step: source area and z-order
//   MainWindow.cpp     resize zones, the mouse, following a resize
//   MainCommands.cpp   TLoupeCommands (MainCommands.h): the popup menu, its
//                      commands and the dialogs they open
// The other running copies are TLoupeInstances' (LoupeInstances.h); the
// handlers here forward to it. The tray icon is TLoupeTray's (LoupeTray.h),
// the system-wide hot key TLoupeHotKey's (LoupeHotKey.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Application.h"
#include "Canvas.h"
#include "Ini.h"
#include "LnsList.h"
#include "LnsPng.h"
#include "LoupeGeometry.h"
#include "LoupeHotKey.h"
#include "LoupeInstances.h"
#include "LoupeMagnifier.h"
#include "LoupeModel.h"
#include "LoupeSettings.h"
#include "LoupeTray.h"
#include "MainCommands.h"
#include "Menus.h"
#include "MessageParams.h"
#include "Option.h"
#include "Platform.h"
#include "Settings.h"

namespace lensoro {

struct TLangState;
// A fatal message: the failure's text, a blank line and the quit paragraph.
std::u16string QuitTemplate(const TLangState& lang, const char16_t* key);


// The loupe window's designed geometry at 96 DPI.
constexpr int DesignedLeft = 243, DesignedTop = 478, DesignedClientWidth = 268, DesignedClientHeight = 220;
constexpr DWORD LoupeStyle = win::WS_POPUP | win::WS_CLIPSIBLINGS | win::WS_CLIPCHILDREN;
constexpr DWORD LoupeExStyle = win::WS_EX_TOPMOST | win::WS_EX_TOOLWINDOW | win::WS_EX_LAYERED;
constexpr std::uintptr_t Timer1Id = 1;

class TMainForm;
// The settings file read into the loupe, and the loupe written to it. True
// when the file gave the loupe its place.
bool LoadSettings(TMainForm& form);
TIniFileResult SaveSettings(TMainForm& form);

enum class TWindowState { wsNormal, wsMinimized };

namespace test {
struct TLoupeParts;
}

class TMainForm final : public IMainWindow,
                        public ILoupeModel,
                        private ILoupeHost,
                        private ILoupeCommandsHost,
                        private IOptionFormHost,
                        private IWindowHandler {
 public:
  // Creates the window (CreateParams) and runs FormCreate.
  explicit TMainForm(TApplication& app);
  // Runs FormDestroy unless it ran already, then destroys the window.
  ~TMainForm();
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  HWND Handle() const override { return FHandle; }
  TApplication& App() { return FApp; }

  // --- Window -----------------------------------------------------------
  void Show();
  void Hide();
  TRect BoundsRect() const override;
  void SetBounds(int left, int top, int width, int height);
  // Raises a loupe below its minimum size and brings one that cannot be
  // taken hold of onto a monitor (FitOnMonitors); at start and when the
  // displays change.
  void KeepOnMonitors();
  // A loupe without a place of its own that would open on another copy's
  // goes beside that one, on its monitor, where there is room.
  void MoveOffOtherLoupes();
  // The DPI of the loupe's monitor, taken at the start and when Windows
  // tells of a change; the tick never asks for it.
  int Dpi() const { return FDpi; }
  // The smallest width and height of the window: the smallest image plus
  // the frame.
  int MinimumSize() const;
  TColor Color() const { return FColor; }
  // Sets the background colour, which is the frame, and repaints.
  void SetColor(TColor color);

  // --- Loupe state --------------------------------------------------------
  // What the settings file keeps of the loupe; the setters apply it. The
  // hot key is TLoupeHotKey's; the settings show the one it holds.
  const TLoupeSettings& Settings() const override { return FSettings; }
  // Whether the tracking step keeps the loupe above every other window.
  bool IsTopmost() const { return FIsTopmost; }
  // Menus and message boxes lower IsTopmost while they are open. They nest
  // (a box from a timer while a menu is up, a menu from the tray while a
  // box is up), so only the last one to close puts the loupe back on top.
  void BeginNotTopmost() override;
  void EndNotTopmost() override;

  // --- Setters ------------------------------------------------------------
  void SetLoupeMode(TLoupeMode mode) override;
  void SetLoupeRate(float rate) override;
  void SetLoupeColorMode(TLoupeColorMode mode) override;
  void SetLoupeSrcOrigin(TLoupeSrcOrigin origin) override { FSettings.LoupeSrcOrigin = origin; }
  void SetFrameWidth(int width) override;
  // Stores one of the four frame colours; the frame repaints when it is
  // the one on show.
  void SetFrameColor(TColor color, TFrameColorSlot slot) override;
  void SetSilentMode(bool silent) override { FSettings.IsSilentMode = silent; }
  void ApplyLoupeSettings();

  // The quit path: tell the other copies, then end the message loop. The
  // window's close, the session's end and a lost magnifier take it as
  // well as the menu.
  void ActPopQuitExecute() override;

  // --- Magnifier --------------------------------------------------------------
  void CreateMagnifier();
  void RestartMagnifier(DWORD waitMs) override;

  // --- Tracking -------------------------------------------------------------
  void Timer1Timer();
  void UpdateMagnifier(TLoupeMode mode);

  // --- Mouse on the loupe ----------------------------------------------------
  void FormMouseDown(TShiftState shift);
  void FormDblClick();
  void FormMouseWheelUp(TShiftState shift);
  void FormMouseWheelDown(TShiftState shift);

  // --- Tray icon and hot key ------------------------------------------------------
  void MinimizeToTray() override;
  void RestoreFromTray() override;
  TWindowState WindowState() const { return FWindowState; }

  // --- Instances -----------------------------------------------------------
  void StartupNotify() { FInstances->StartupNotify(); }
  void ClosingNotify() {
    if (FInstances) FInstances->ClosingNotify();
  }
  void UMLoupeNotify(WPARAM wParam, LPARAM lParam) { FInstances->UMLoupeNotify(wParam, lParam); }
  TLoupeInstances& Instances() { return *FInstances; }

  // --- Error report -----------------------------------------------------------
  // The system's text for the last error in the template, in a box owned by
  // the loupe.
  void ShowErrorMessage(const std::u16string& templ);

  // --- Read-only views of the derived state (for the tests and the dialogs)
  bool IsActive() const { return FIsActive; }
  const TLoupeMagnifier& Magnifier() const { return FMagnifier; }
  bool FormDestroyed() const override { return FDestroyed; }
  bool NewWindowProcInstalled() const { return FWindowProc == &TMainForm::NewWindowProc; }

 private:
  using TWndMethod = LRESULT (TMainForm::*)(UINT, WPARAM, LPARAM);

  LRESULT HandleMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  void CreateParams(TCreateWindowParams& params) const;
  void FormCreate();
  void FormDestroy();
  void FormShow();
  void FormActivate();
  void FormResize();
  LRESULT WMNCHitTest(LRESULT framework, LPARAM lParam);
  // The sizing loop stops the dragged edge at the minimum size.
  void WMGetMinMaxInfo(LPARAM lParam);
  void WMDpiChanged(WPARAM wParam, LPARAM lParam);
  // The replacement window procedure installed over WndProc.
  LRESULT NewWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // What the framework does with a message before WndProc looks at it.
  LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);
  // Lists the loupe itself (addSelf) and keeps the listed loupes out of
  // the image; a refusal ends the program.
  void UpdateFilterList(bool addSelf);
  // Paints the frame in the colour of the current mode and activity.
  void RepaintFrame();
  void SetTopmost(bool topmost) override { FIsTopmost = topmost; }
  void ShowAtStart() override {
    if (FVisible) Show();
  }
  // What the commands and the options dialog need besides the setters.
  bool IsMinimized() const override { return FWindowState == TWindowState::wsMinimized; }
  const TZOrderList& RefreshZOrder() override { return FInstances->RefreshZOrder(); }
  TSaveFailureNotice& SaveNotice() override { return FSaveNotice; }
  TIniFileResult SaveAllSettings() override { return SaveSettings(*this); }
  void OptionFormDestroyed(TOptionForm* form) override { Commands.OptionFormDestroyed(form); }

  friend bool LoadSettings(TMainForm& form);
  friend TIniFileResult SaveSettings(TMainForm& form);
  friend struct test::TLoupeParts;

  TApplication& FApp;
  TPlatform& FPlatform;
  bool FVisible = true;  // shown by the message loop after creation when true
  TLoupeSettings FSettings;
  bool FIsTopmost = true;
  // Tells the user of a failed settings save once, not on every retry.
  TSaveFailureNotice FSaveNotice;
  TTimer Timer1;
  // Their clicks and key run ActPopMinimizeAndRestore; both start in FormCreate.
  TLoupeTray Tray;
  TLoupeHotKey HotKey;
  HWND FHandle = 0;
  TColor FColor = 0x00F0F0F0u;
  TWndMethod FWindowProc = &TMainForm::WndProc;
  TWndMethod FOrgWindowProc = nullptr;
  bool FDestroyed = false;
  int FNotTopmostCount = 0;

  int FDpi = 96;
  bool FIsActive = true;

  TLoupeMagnifier FMagnifier{FPlatform};
  TWheelNotches FWheelNotches;
  bool FSourceErrorShown = false;
  bool FRestarting = false;

  TWindowState FWindowState = TWindowState::wsNormal;

  // The other copies; made in FormCreate, gone in FormDestroy.
  std::unique_ptr<TLoupeInstances> FInstances;

  // The popup menu and its commands. Declared last: the options dialog it
  // holds goes first when the loupe goes.
  TLoupeCommands Commands{FApp, *this, *this, *this, Tray, HotKey};
};

}  // namespace lensoro

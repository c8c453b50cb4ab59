// TMainForm: the loupe window. Its state, its setters and commands, the
// magnifier child it hosts, its window procedure and the order in which it
// is created and destroyed.
//
// The handlers are spread over several files by subject:
//   Main.cpp           creation, destruction, the window procedure, quitting
//   MainLoupe.cpp      the loupe model: setters, zoom and colour commands
//   MainMagnifier.cpp  creating and rebuilding the magnifier child (LoupeMagnifier.h)
//   MainTracking.cpp   the 50 ms step: source area and z-order
//   MainWindow.cpp     resize zones, the mouse, following a resize
//   MainMenu.cpp       the popup menu and its commands, hiding to the tray
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
#include "LoupeSettings.h"
#include "LoupeTray.h"
#include "Menus.h"
#include "Platform.h"
#include "Settings.h"

namespace lensoro {

// Posted by the loupe to itself: free the options dialog that was closed.
constexpr UINT UM_FREEOPTIONFORM = win::WM_APP + 1;

struct TLangState;
// A fatal message: the failure's text, a blank line and the quit paragraph.
std::u16string QuitTemplate(const TLangState& lang, const char16_t* key);


// The loupe window's designed geometry at 96 DPI.
constexpr int DesignedLeft = 243, DesignedTop = 478, DesignedClientWidth = 268, DesignedClientHeight = 220;
constexpr DWORD LoupeStyle = win::WS_POPUP | win::WS_CLIPSIBLINGS | win::WS_CLIPCHILDREN;
constexpr DWORD LoupeExStyle = win::WS_EX_TOPMOST | win::WS_EX_TOOLWINDOW | win::WS_EX_LAYERED;
constexpr std::uintptr_t Timer1Id = 1;

class TMainForm;
// The settings file read into the loupe, and the loupe written to it.
void LoadSettings(TMainForm& form);
TIniFileResult SaveSettings(TMainForm& form);
// The captions and texts of the language in use, onto the loupe's commands.
void ApplyMainFormLang(TMainForm& form);
// The language menu's item with this tag was chosen: false when nothing changed.
bool LanguageListClick(TMainForm& form, int tag);

class TOptionForm;
class TAboutForm;

enum class TWindowState { wsNormal, wsMinimized };

class TMainForm final : public IMainWindow, private ILoupeHost, private IWindowHandler {
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
  bool Visible = true;  // shown by the message loop after creation when true
  void Show();
  void Hide();
  TRect BoundsRect() const;
  int Width() const { return BoundsRect().Width(); }
  int Height() const { return BoundsRect().Height(); }
  void SetBounds(int left, int top, int width, int height);
  // Raises a loupe below its minimum size and brings one that cannot be
  // taken hold of onto a monitor (FitOnMonitors); at start and when the
  // displays change.
  void KeepOnMonitors();
  // The DPI of the loupe's monitor, taken at the start and when Windows
  // tells of a change; the tick never asks for it.
  int Dpi() const { return FDpi; }
  // A size designed for 96 DPI at the loupe's DPI.
  int ScaleToDpi(int designValue) const;
  // The smallest width and height of the window: the smallest image plus
  // the frame.
  int MinimumSize() const;
  TColor Color() const { return FColor; }
  // Sets the background colour, which is the frame, and repaints.
  void SetColor(TColor color);

  // --- Loupe state --------------------------------------------------------
  // What the settings file keeps of the loupe; the setters apply it. The
  // hot key lives on ActPopMinimizeAndRestore while the loupe runs.
  TLoupeSettings Settings;
  bool IsTopmost = true;
  // Menus and message boxes lower IsTopmost while they are open. They nest
  // (a box from a timer while a menu is up, a menu from the tray while a
  // box is up), so only the last one to close puts the loupe back on top.
  void BeginNotTopmost() override;
  void EndNotTopmost() override;

  // --- Setters ------------------------------------------------------------
  void SetLoupeMode(TLoupeMode mode);
  void SetLoupeRate(float rate);
  void SetLoupeColorMode(TLoupeColorMode mode);
  void SetFrameWidth(int width);
  // Stores one of the four frame colours; the frame repaints when it is
  // the one on show.
  void SetFrameColor(TColor color, TFrameColorSlot slot);
  TColor FrameColor(TFrameColorSlot slot) const { return Settings.FrameColor(slot); }
  void ApplyLoupeSettings();

  // --- Commands -------------------------------------------------------------
  TAction ActPopSetLoupeModelmPointer, ActPopSetLoupeModelmWindow, ActPopZoomIn, ActPopZoomOut,
      ActPopSetLoupeColorModelcmOriginal, ActPopSetLoupeColorModelcmInvert,
      ActPopSetLoupeColorModelcmGrayscale, ActPopMinimizeAndRestore, ActPopShowOption, ActPopShowLanguage,
      ActPopReset, ActPopShowHelp, ActPopShowVersionInfo, ActPopQuit;
  void ActPopZoomInExecute();
  void ActPopZoomOutExecute();
  // The rate each zoom command would reach from a rate.
  static float ZoomInRate(float rate);
  static float ZoomOutRate(float rate);
  void ActPopResetExecute();
  // The quit path: tell the other copies, then end the message loop.
  void ActPopQuitExecute();

  // --- Magnifier --------------------------------------------------------------
  void CreateMagnifier();
  void RestartMagnifier(DWORD waitMs) override;

  // --- Tracking -------------------------------------------------------------
  TTimer Timer1;
  void Timer1Timer();
  void UpdateMagnifier(TLoupeMode mode);

  // --- Mouse on the loupe ----------------------------------------------------
  void FormMouseDown(TShiftState shift);
  void FormDblClick();
  void FormMouseWheelUp(TShiftState shift);
  void FormMouseWheelDown(TShiftState shift);

  // --- Popup menu, commands, tray icon and hot key ------------------------------
  TPopupMenu PopupMenu1;
  // Their clicks and key run ActPopMinimizeAndRestore; both start in FormCreate.
  TLoupeTray Tray;
  TLoupeHotKey HotKey;
  void PopupMenu1Popup();
  void ActPopMinimizeAndRestoreExecute();
  void ActPopShowOptionExecute();
  TOptionForm* OptionForm() const { return FOptionForm; }  // the open options dialog, null for none
  // The dialog's window is gone; the object goes on the next message, once
  // the dialog's own handlers are off the stack.
  void OptionFormDestroyed(TOptionForm* form);
  void ActPopShowLanguageExecute() {}
  void ActPopShowHelpExecute();
  void ActPopShowVersionInfoExecute();
  void MinimizeToTray();
  // The hide/restore command's caption for the loupe's state, in the
  // current language.
  void UpdateMinimizeAndRestoreCaption();
  void FreeClosedOptionForm();
  void RestoreFromTray() override;
  TWindowState WindowState() const { return FWindowState; }

  // --- Instances -----------------------------------------------------------
  void StartupNotify() { FInstances->StartupNotify(); }
  void ClosingNotify() {
    if (FInstances) FInstances->ClosingNotify();
  }
  void NotifyMagnifierHosts() { FInstances->NotifyMagnifierHosts(); }
  void UMLoupeNotify(WPARAM wParam, LPARAM lParam) { FInstances->UMLoupeNotify(wParam, lParam); }
  const TLoupeInstances& Instances() const { return *FInstances; }

  // Tells the user of a failed settings save once, not on every retry.
  TSaveFailureNotice SaveNotice;

  // --- Error report -----------------------------------------------------------
  // The system's text for the last error in the template, in a box owned by
  // the loupe.
  void ShowErrorMessage(const std::u16string& templ);

  // --- Read-only views of the derived state (for the tests and the dialogs)
  bool IsActive() const { return FIsActive; }
  const TLoupeMagnifier& Magnifier() const { return FMagnifier; }
  bool FormDestroyed() const { return FDestroyed; }
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
  TShiftState MouseShiftState(WPARAM keys, bool isDouble);
  void MouseWheel(int delta, TShiftState shift);
  void BindActions();
  // The replacement window procedure installed over WndProc.
  LRESULT NewWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // What the framework does with a message before WndProc looks at it.
  LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);
  TVirtualDesktop VirtualDesktop() const;
  // Lists the loupe itself (addSelf) and keeps the listed loupes out of
  // the image; a refusal ends the program.
  void UpdateFilterList(bool addSelf);
  void RecomputeSizes(int windowWidth, int windowHeight);
  void BuildPopupMenu1();
  void WMContextMenu(LPARAM lParam);
  void PlaceMagnifier();
  // Paints the frame in the colour of the current mode and activity.
  void RepaintFrame();
  HWND MagHandle() const override { return FMagnifier.Handle(); }
  void SetTopmost(bool topmost) override { IsTopmost = topmost; }
  void ShowAtStart() override {
    if (Visible) Show();
  }

  TApplication& FApp;
  TPlatform& FPlatform;
  HWND FHandle = 0;
  TColor FColor = 0x00F0F0F0u;
  TWndMethod FWindowProc = &TMainForm::WndProc;
  TWndMethod FOrgWindowProc = nullptr;
  bool FDestroyed = false;
  int FNotTopmostCount = 0;

  int FDpi = 96;
  bool FIsActive = true;

  TLoupeMagnifier FMagnifier{FPlatform};
  int FWheelAccumulator = 0;
  bool FSourceErrorShown = false;
  bool FRestarting = false;

  TWindowState FWindowState = TWindowState::wsNormal;
  // The open dialogs; null when none is open.
  TOptionForm* FOptionForm = nullptr;
  TAboutForm* FAboutForm = nullptr;

  // The other copies; made in FormCreate, gone in FormDestroy.
  std::unique_ptr<TLoupeInstances> FInstances;
  // The options dialog made last; it goes first when the loupe goes.
  std::unique_ptr<TOptionForm> FOptionFormHolder;
};

}  // namespace lensoro

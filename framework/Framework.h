// The small application framework the loupe is built on: the application
// object (process-wide state, the hidden application window, the message
// loop, the terminate request), timers bound to a window, and actions.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "Platform.h"

namespace lensoro {

class TForm;

// Process-wide state. One per process; several may live in one test, each on
// its own simulated process. The program derives its own application from it
// and gives it the main window and the error report.
class TBaseApplication : private IWindowHandler {
 public:
  explicit TBaseApplication(TPlatform& platform);
  virtual ~TBaseApplication();
  TBaseApplication(const TBaseApplication&) = delete;
  TBaseApplication& operator=(const TBaseApplication&) = delete;

  TPlatform& Platform;
  // Own executable's full path; empty when it could not be read whole, and
  // then no path is made from it: the program must not start.
  std::u16string ExeName;
  std::u16string IniFileName;  // ExeName with the extension ".ini"
  // ExeName in its \\server\share form where it lies on a mapped drive, as
  // other copies see our path; looked up once, the first time it is asked for.
  const std::u16string& ExeUNCName();
  std::u16string Title;        // application title (SetTitle); the tray hint follows it
  // The form that has the keyboard: its dialog keys are handled in the loop.
  TForm* ActiveForm = nullptr;
  bool MainFormOnTaskBar = false;

  // Creates the hidden application window.
  void Initialize();
  // The application window carries the title as its text.
  void SetTitle(const std::u16string& title);
  HWND Handle() const { return FHandle; }
  // Asks the message loop to end (once).
  void Terminate();
  bool Terminated() const { return FTerminated; }
  // Runs the message loop until WM_QUIT or a terminate request; shows the
  // main form first unless it was hidden while it was being created.
  void Run();
  // Hands a key to the active form (Tab, Enter, Esc, arrows); true when it
  // was used up and is not to be dispatched.
  bool ProcessDialogMessage(const TMsg& msg);
  // Handles every message waiting in the queue, as the loop would. A
  // WM_QUIT is posted again for the loop, which must end: false then, and
  // also once the application has been asked to terminate.
  bool ProcessMessages();
  // The general error report for an exception that reached a handler.
  void ShowException(const std::exception& e);

  // --- What the program's application gives (these defaults have no main
  // window; they also serve while the base is being destroyed) ---
  // The main window, 0 while there is none: it owns dialogs and menus.
  virtual HWND MainFormHandle() const { return 0; }
  // Run shows the main window first unless it was hidden while it was made.
  virtual void ShowMainForm() {}
  // Tells the user of an error, in a box owned by `owner`; by default a
  // plain box with the title as its caption.
  virtual void ShowError(const std::u16string& text, HWND owner);

 private:
  std::u16string FExeUNCName;
  LRESULT HandleMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

  HWND FHandle = 0;
  bool FTerminated = false;
};

// The longest path Windows has (with the "\\?\\" form), in characters.
constexpr DWORD MaxLongPathLength = 32767;
// The own executable's full path, read whole however long it is; empty when
// it cannot be read whole.
std::u16string ReadModuleFileName(TPlatform& platform);

// The system's text for an error code, without the trailing line break and
// full stop the system adds.
std::u16string SysErrorMessage(TPlatform& platform, DWORD code);

// A window timer. Its handler can be detached and attached again without
// stopping the timer itself.
class TTimer {
 public:
  explicit TTimer(TPlatform& platform) : FPlatform(platform) {}
  ~TTimer() { SetEnabled(false); }
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  void Bind(HWND owner, std::uintptr_t id) { FOwner = owner, FId = id; }
  void SetInterval(UINT ms);
  void SetEnabled(bool enabled);
  bool Enabled() const { return FEnabled; }
  // Enabled and the system gave it a timer (SetTimer can run out).
  bool Running() const { return FRunning; }
  UINT Interval() const { return FInterval; }
  std::uintptr_t Id() const { return FId; }
  // Called by the owner window on WM_TIMER with this timer's id.
  void Tick() {
    if (OnTimer) OnTimer();
  }
  std::function<void()> OnTimer;

 private:
  void Update();
  TPlatform& FPlatform;
  HWND FOwner = 0;
  std::uintptr_t FId = 1;
  UINT FInterval = 1000;
  bool FEnabled = false;
  bool FRunning = false;
};

// Keys and buttons held during a mouse event.
using TShiftState = unsigned;
constexpr TShiftState ssShift = 0x01, ssAlt = 0x02, ssCtrl = 0x04, ssLeft = 0x08, ssRight = 0x10,
                      ssMiddle = 0x20, ssDouble = 0x40, ssTouch = 0x80, ssPen = 0x100;
// The modifier keys held now.
TShiftState KeyboardShiftState(TPlatform& platform);
// The keys and buttons a mouse message's wParam names; Alt is not among them.
TShiftState MouseKeysShiftState(WPARAM keys);
// What a mouse message means to its handler: its keys and buttons, Alt
// read from the keyboard, and whether it was a double click.
TShiftState MouseShiftState(TPlatform& platform, WPARAM keys, bool isDouble);

// A command of the loupe's action list.
struct TAction {
  std::u16string Caption;
  std::uint16_t ShortCut = 0;
  bool Checked = false;
  bool Enabled = true;
  // Sets Enabled from the program's state; runs before a menu shows the
  // action and before it executes.
  std::function<void(TAction&)> OnUpdate;
  std::function<void()> OnExecute;
  void Update() {
    if (OnUpdate) OnUpdate(*this);
  }
  // A disabled action does nothing, whoever asks (menu, key, wheel).
  void Execute() {
    Update();
    if (Enabled && OnExecute) OnExecute();
  }
};

}  // namespace lensoro

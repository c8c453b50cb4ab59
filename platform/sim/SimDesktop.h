// The simulated desktop: a second, complete TPlatform for the native tests.
//
// TSimDesktop is the world of one test: windows with their z-order, the
// processes and threads that own them, a test clock, global atoms,
// registered messages, message boxes, a log of every platform call and
// failure injection.
// TSimProcess is one process's view of it and is the TPlatform a unit under
// test is given; several processes share one desktop, so copies of the
// program can talk to each other message by message.
//
// It models Win32, it does not mock it: calls validate handles, keep state,
// raise the messages Windows raises (and only on a real change), and fail
// with Windows' error codes. Everything is deterministic.
//
// A typical test:
//
//   TSimDesktop desk;
//   TSimProcess& a = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
//   TSimProcess& b = desk.AddProcess(u"D:\\Other\\lensoro.exe", /*is64Bit=*/true);
//   TSimProcess& editor = desk.AddProcess(u"C:\\Windows\\notepad.exe");
//   HWND note = desk.AddForeignWindow(editor.Pid, u"Notepad", u"Untitled - Notepad");
//   desk.FailNext("MagInitialize", 5);                  // a's or b's next call fails
//   desk.DialogResponder = [](TSimProcess&, const TSimDialog&) { return win::IDCANCEL; };
//   ... run the units with `a` and `b` as their TPlatform ...
//   desk.RunFor(500);                                    // pump every process for 500 ms
//   EXPECT_EQ(desk.CountCalls("MagSetWindowSource", a.Pid), 10);
//
// Conventions of the model:
// - Every TSimWindow::Rect is in screen coordinates, children's too; a child
//   moves with its parent. SetWindowPos and CreateWindowExW take a child's
//   position relative to its parent's client area, and WM_MOVE reports it so.
//   A top-level window has the frame its styles give it (SimFrame, what
//   AdjustWindowRectEx adds: borders, dialog and sizing frames, caption, with
//   the metrics of Windows 10 at 96 DPI); its client area is inside it.
//   Child windows have no frame: their client area is the whole window.
// - SetWindowPos sends WM_WINDOWPOSCHANGING (unless SWP_NOSENDCHANGING; the
//   handler may change the move) and, when anything changed (place, size,
//   z-order, visibility), WM_WINDOWPOSCHANGED, whose default handling sends
//   WM_MOVE and WM_SIZE when the client area moved or changed size.
//   SetWindowTextW sends WM_SETTEXT, whose default handling stores the text.
//   ShowWindow sends WM_SHOWWINDOW only (Windows adds the position pair).
// - InvalidateRect and showing a window mark it for painting: one WM_PAINT
//   comes when the queue is read, after posted messages and before timers,
//   and BeginPaint sends WM_ERASEBKGND first when erasing was asked for.
//   NOTE: the model validates as the WM_PAINT is taken; Windows sends it
//   again until BeginPaint or DefWindowProcW validates, so a handler that
//   does neither would loop for ever there.
// - Top-level windows are kept in one z-order list, top first, top-most ones
//   always ahead of the others. A new top-level window goes to the top of its
//   band; a new child to the bottom of its siblings (as Win32 does, which keeps
//   dialog controls in creation order).
// - Only a window with an IWindowHandler receives messages. A window without
//   one (another program's, a "Magnifier", a message box) answers with
//   DefWindowProcW, so WM_CLOSE sent to it destroys it.
// - The calls the units make are logged and can fail; the desktop's own
//   methods below are the test's hands and are neither logged nor failed.
// - Case-insensitive names (classes, atoms, messages, drives, file paths) fold
//   A-Z only.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "AsciiFold.h"
#include "FilePath.h"
#include "MessageParams.h"
#include "Platform.h"
#include "SimControls.h"
#include "SimProcess.h"

namespace lensoro::sim {

// A tool of a tooltip window: a whole window, as TTF_IDISHWND adds it.
struct TSimTool {
  HWND Owner = 0, Tool = 0;
  std::u16string Text;
};

// Plain state of one window, readable (and writable) by tests.
struct TSimWindow {
  HWND Handle = 0;
  DWORD ProcessId = 0;
  DWORD ThreadId = 0;  // the thread of ProcessId that created it
  HWND Owner = 0;   // top-level windows only
  HWND Parent = 0;  // child windows only
  std::u16string ClassName, Title;
  DWORD Style = 0;  // WS_VISIBLE always agrees with Visible
  DWORD ExStyle = 0;
  TRect Rect;  // screen coordinates
  TRect Frame;  // the widths of the frame on each side (top-level windows only)
  bool Visible = false;
  bool UpdatePending = false, ErasePending = false;  // invalidated, not yet painted (or erased)
  IWindowHandler* Handler = nullptr;  // we don't own it; null for windows without a program handler
  std::vector<HWND> Children;         // z-order, top first

  bool ImeDisabled = false;
  int Alpha = -1;  // -1 until SetLayeredWindowAttributes sets it with LWA_ALPHA
  DWORD ColorKey = 0, LayeredFlags = 0;
  DWORD LastFillColor = 0xFFFFFFFFu;  // none yet
  TRect LastFillRect;
  int FillCount = 0, InvalidateCount = 0, PaintCount = 0;
  bool RedrawEnabled = true;  // WM_SETREDRAW sent to a magnifier toggles it

  bool IsMagnifier = false;
  TMagTransform Transform;
  TMagColorEffect ColorEffect;
  TRect Source;
  std::vector<HWND> FilterList;
  DWORD FilterMode = 0;
  int TransformSetCount = 0, ColorEffectSetCount = 0, SourceSetCount = 0, FilterListSetCount = 0;

  bool Destroying = false;  // between the start of DestroyWindow and its removal

  // Top-level windows: the DPI the window is at, the last WM_DPICHANGED's
  // (the system DPI for a program that is not aware of each monitor's).
  int Dpi = 0;
  bool DpiChanging = false;  // its WM_DPICHANGED is being handled

  // Standard controls and painting (SimControls.cpp, SimGdi.cpp).
  TSimControl Ctl;
  std::vector<TSimPaintOp> PaintLog;  // every drawing call on the window's DCs

  std::vector<TSimTool> Tools;  // a tooltip window's, in the order they were added (SimToolTips.cpp)
};

// One platform call: its name (a string literal), the calling process and up
// to six integer arguments, the window handle first where there is one
// (strings are logged by their length; CreateWindowExW and SetWindowPos put
// width and height into one argument as (cx << 32) | uint32(cy); ReadFileBytes
// logs the path's length and the number of bytes it read). No heap in
// a record, so logging never allocates.
struct TSimCall {
  const char* Name = "";
  DWORD Pid = 0;
  std::int64_t A[6] = {};
  // The Magnification API's calls note their result, as the stand-in DLL's
  // log does: false with the last error.
  bool Failed = false;
  DWORD Error = 0;
};

// One entry of the simulated file system.
struct TSimFile {
  std::u16string Path;  // as it was first written, letter case kept
  bool Directory = false;
  bool ReadOnly = false;  // writing, replacing or deleting it is denied
  std::vector<std::uint8_t> Data;
  // A folder that is read-only (a read-only medium or share): creating,
  // writing, moving or deleting anything in it is denied.
  bool ReadOnlyFolder = false;
  // Held open by another program without sharing: reading, writing,
  // replacing, moving and deleting it fail with a sharing violation.
  bool Locked = false;
  // A junction or symbolic link (FILE_ATTRIBUTE_REPARSE_POINT): the model
  // keeps what is written through it here, under its own path.
  bool Reparse = false;
  // A file longer than its Data: this many bytes, the rest zeros. Large
  // files cost no memory until they are read.
  std::uint64_t Size = 0;
};

// One MessageDialog call.
struct TSimDialog {
  DWORD Pid = 0;
  std::u16string Text, Caption;
  TMsgDlgType Type = TMsgDlgType::Information;
  TMsgDlgButtons Buttons = mbOK;
  HWND Owner = 0;
  HWND Window = 0;  // the "#32770" window that stands for the box while it is up
  int Result = 0;
  // A WM_QUIT was waiting: the box's loop took it and ended the box at once
  // (as Windows' does, posting the quit again), before anybody could read it.
  bool Dismissed = false;
  TRect Rect;  // where it was while it was up
};

// Flags Windows adds to WM_WINDOWPOSCHANGED's record (not part of the API)
// when the client area kept its size or its place.
constexpr UINT SWP_NOCLIENTSIZE = 0x0800, SWP_NOCLIENTMOVE = 0x1000;

// The frame AdjustWindowRectEx adds for these styles, as widths on each
// side, with the metrics below (Windows 10 at 96 DPI).
constexpr int SimCaptionHeight = 23, SimSmallCaptionHeight = 23, SimBorder = 1, SimFixedFrame = 3, SimSizingFrame = 8,
              SimPaddedBorder = 4, SimEdge = 2, SimScrollWidth = 17;
TRect SimFrame(DWORD style, DWORD exStyle);
// Copies at most maxCount-1 characters and a terminator, as GetWindowTextW;
// returns how many it copied.
int CopyText(const std::u16string& text, char16_t* buffer, int maxCount);

// The world of one test; its processes are TSimProcess (SimProcess.h).
class TSimDesktop {
 public:
  // Virtual screen (0,0)-(1920,1080), 96 DPI, Windows 10.0.19045, clock at 1000 ms.
  TSimDesktop();
  ~TSimDesktop();
  TSimDesktop(const TSimDesktop&) = delete;
  TSimDesktop& operator=(const TSimDesktop&) = delete;

  // --- Processes --------------------------------------------------------
  // Owned by the desktop; the reference stays valid as long as it lives.
  TSimProcess& AddProcess(std::u16string exePath, bool is64Bit = false);
  TSimProcess* ProcessById(DWORD pid);
  // Another thread of the process; its id. Threads and processes take their
  // ids from one pool, as on Windows.
  DWORD AddThread(TSimProcess& process);
  // The process ends (exits or is killed): the system closes its handles,
  // so the named mutexes only it held are gone. Its windows stay for the
  // test to destroy as it wants.
  void EndProcess(DWORD pid);
  // Named mutexes (CreateMutexW): whether one of that name exists, and how
  // many handles a process holds to mutexes.
  bool MutexExists(const std::u16string& name) const;
  int MutexHandles(DWORD pid) const;
  // "N:\x\y.exe" expands to uncRoot + "\x\y.exe" (ExpandUNCFileName).
  void MapDrive(char16_t letter, std::u16string uncRoot);

  // --- Clock ------------------------------------------------------------
  DWORD Now() const { return FClock; }
  void Advance(DWORD ms) { FClock += ms; }
  // Runs every process's loop for ms of test time: due timers and posted
  // messages of all processes are dispatched in time order.
  void RunFor(DWORD ms);

  // --- Screen, pointer, keyboard, OS ----------------------------------------
  TRect VirtualScreen{0, 0, 1920, 1080};
  TRect PrimaryScreen{0, 0, 1920, 1080};
  // The monitors EnumDisplayMonitors lists; none set: one monitor that is
  // the whole virtual screen.
  std::vector<TMonitorInfo> Monitors;
  // Monitors are plugged in or out: the virtual and primary screens follow
  // (the first monitor is the primary one) and every top-level window is
  // sent WM_DISPLAYCHANGE.
  void ChangeDisplays(std::vector<TMonitorInfo> monitors);
  TPoint Cursor{960, 540};
  int PixelsPerInch = 96;  // the system DPI
  // Each monitor's effective DPI, by its place in Monitors; a monitor
  // without one (and the whole screen when no monitors are set) has the
  // system DPI.
  std::vector<int> MonitorDpis;
  int MonitorDpi(std::size_t index) const;
  // The DPI of the monitor that holds most of the rectangle, or of the
  // nearest one when none holds any of it (MonitorFromRect's choice).
  int DpiAt(const TRect& rect) const;
  std::size_t MonitorAt(const TRect& rect) const;  // its index in Monitors (0 when none are set)
  // The user sets a monitor's scale: the top-level windows of programs aware
  // of each monitor's DPI that are on it are sent WM_DPICHANGED.
  void SetMonitorDpi(std::size_t index, int dpi);
  // The user drags the window by its caption until its top-left corner is
  // at `to`: WM_ENTERSIZEMOVE, the move, WM_EXITSIZEMOVE. The move loop
  // runs in the window's own thread, so its SetWindowPos is that process's
  // call and is logged as such.
  void DragWindow(HWND wnd, TPoint to);
  TOsVersion OsVersion{10, 0, 19045};
  std::int32_t RtlGetVersionStatus = 0;
  TSystemTime LocalTimeAtStart{2026, 1, 4, 15, 10, 0, 0, 0};  // a Thursday, at the clock's start
  std::array<bool, 256> KeysDown{};                           // GetKeyState's high bit

  std::u16string DecimalSeparator = u".";  // GetLocaleDecimalSeparator
  // CompareStringW's stand-in for the user's locale: letters compare by
  // their base letter, then accent, case ignored with NORM_IGNORECASE.

  // --- Files ------------------------------------------------------------------
  // Windows paths, case-insensitive (A-Z), '\' or '/'; every drive root
  // exists. The test's helpers create missing folders on the way.
  void AddFile(const std::u16string& path, const std::string& content, bool readOnly = false);
  void AddFolder(const std::u16string& path);
  TSimFile* File(const std::u16string& path);  // null when nothing is there
  std::string FileText(const std::u16string& path);  // the bytes, empty when no file
  std::vector<std::u16string> FilePaths() const;    // all entries, in listing order
  // A folder made read-only (made first when missing), a file locked by
  // another program, a file of `size` bytes that begins with `head`.
  void SetFolderReadOnly(const std::u16string& path, bool readOnly = true);
  void SetFileLocked(const std::u16string& path, bool locked = true);
  // A folder (made first when missing) made a junction or symbolic link.
  void SetReparsePoint(const std::u16string& path, bool reparse = true);
  void AddLargeFile(const std::u16string& path, const std::string& head, std::uint64_t size);

  // --- Windows ------------------------------------------------------------
  TSimWindow* Window(HWND wnd);  // null when there is no such window
  const TSimWindow* Window(HWND wnd) const;
  std::vector<HWND> TopLevelWindows() const;  // z-order, top first
  // A window of another program: no handler, so it answers DefWindowProcW.
  HWND AddForeignWindow(DWORD pid, std::u16string className, std::u16string title, HWND owner = 0,
                        TRect rect = {}, bool visible = true, DWORD exStyle = 0);
  HWND Foreground() const { return FForeground; }
  // The client area's top-left corner on the screen, and its size.
  static TPoint ClientOrigin(const TSimWindow& w);
  static TRect ClientRect(const TSimWindow& w);
  // The user activates a window (clicks it): it comes to the top of its band.
  void Activate(HWND wnd);
  // The window's program destroys it, as DestroyWindow from its own process.
  bool DestroyWindow(HWND wnd);
  // Sends WM_ERASEBKGND (wParam = a DC that FillSolidRect maps back to the
  // window, valid until Paint returns) and then WM_PAINT to the handler.
  void Paint(HWND wnd);

  // --- Failure injection (SimFailures.cpp) -------------------------------------
  // The next `count` calls of the named TPlatform method (by any process, or
  // only by `pid` when non-zero) fail as that call fails on Windows and set
  // the last error to errorCode; nothing else changes. For RtlGetVersion the
  // code is the NTSTATUS returned.
  void FailNext(const std::string& method, DWORD errorCode, int count = 1, DWORD pid = 0);
  void ClearFailures() { FFailures.clear(); }
  // Whether TPlatform has a method of this name. FailNext and CountCalls
  // throw std::invalid_argument for any other: a misspelt name would match
  // nothing, and the test would pass without testing.
  static bool IsPlatformMethod(std::string_view name);

  // The fault sweep. Every fallible call (those Windows can really make
  // fail, SimFailureCode) by the program's processes is counted; with k > 0
  // the k-th one from now (by `pid` only, when non-zero) fails with that
  // method's usual error. k = 0 only counts. FailNext rules go first.
  struct TSimInjection {
    std::string Method;  // empty until the k-th call came
    long Index = 0;      // its number, 1-based
    DWORD Pid = 0, Code = 0;
  };
  void FailNthCall(long k, DWORD pid = 0);
  long FallibleCalls() const { return FFallibleCalls; }
  const TSimInjection& SweepInjection() const { return FSweepInjection; }
  // Fallible calls counted per method name, since the last FailNthCall.
  std::map<std::string, long> FallibleCallsByMethod() const;
  // The last error a failing call of the method sets on Windows; 0 for a
  // method the sweep leaves alone.
  static DWORD SimFailureCode(const char* method);
  // The sweep's two tables by name: the methods it fails, and those it
  // leaves out (each for its reason, SimFailures.cpp).
  static std::vector<std::string> FallibleMethodNames();
  static std::vector<std::string> LeftOutMethodNames();

  // --- Call log ----------------------------------------------------------------
  // Called as a process makes a call, before the call acts: the test's
  // stand-in for what other processes do meanwhile (another copy saves,
  // or finishes its start). Calls made inside it do not call it again.
  std::function<void(TSimProcess&, const char* method)> BeforeCall;
  const std::vector<TSimCall>& Calls() const { return FCalls; }
  void ClearCalls() { FCalls.clear(); }  // keeps the capacity
  int CountCalls(const char* method, DWORD pid = 0) const;

  // --- Message boxes ---------------------------------------------------------
  // Every MessageDialog call is recorded here, then answered by the
  // responder (without one: OK where the box has it, else Cancel or No, as
  // Esc closes it). The responder may pump or send messages.
  std::vector<TSimDialog> Dialogs;
  std::function<int(TSimProcess&, const TSimDialog&)> DialogResponder;

  // --- Atoms and registered messages --------------------------------------
  ATOM FindAtom(const std::u16string& name) const;  // 0 when not there
  int AtomReferences(ATOM atom) const;               // 0 when not there

  // --- Controls, keyboard, mouse and painting (SimControls.cpp, SimGdi.cpp) ---
  // The user's hands: each acts as the input would and only on a visible,
  // enabled window; false when the window cannot take it.
  // A click in the middle of the window: a button presses (checks, notifies
  // its parent), our own windows get the mouse messages.
  bool Click(HWND wnd);
  // Key messages posted to the window (0: the focus) as the keyboard sends
  // them: modifiers down, the key down and up, modifiers up. The program's
  // loop reads and translates them.
  void KeyPress(HWND wnd, int virtualKey, unsigned modifiers = 0);
  void TypeText(HWND wnd, const std::u16string& text);  // WM_CHAR each, posted
  // The pointer moves there: WM_SETCURSOR and WM_MOUSEMOVE to the window
  // under it, WM_MOUSELEAVE to a window that asked to hear it left.
  void MouseMove(TPoint screen);
  HWND WindowFromPoint(TPoint screen) const;  // the deepest visible window there, 0 for none
  // A right click or Shift+F10: WM_CONTEXTMENU to the window.
  void ContextMenu(HWND wnd);
  // The user drags an edge or corner of a top-level window (the hit-test
  // code HTLEFT ... HTBOTTOMRIGHT) by (dx, dy), as the system's sizing loop
  // does: WM_ENTERSIZEMOVE, WM_GETMINMAXINFO, the dragged edges held within
  // the track sizes, WM_SIZING (whose handler may change the rectangle),
  // SetWindowPos, WM_EXITSIZEMOVE. A window without a caption has no
  // minimum track size of its own (as Wine gives it). False for no window.
  bool DragEdge(HWND wnd, int hitTest, int dx, int dy);
  // A drop-down list opens (CBN_DROPDOWN, each item drawn) and, for index
  // >= 0, the user picks that item (CBN_SELCHANGE) and it closes.
  bool PickComboItem(HWND combo, int index);
  HWND FocusWindow() const { return FFocus; }
  HCURSOR CurrentCursor() const { return FCursor; }  // the last SetCursor
  bool IsWindowEnabled(HWND wnd) const;

  // SystemParametersInfoW's fonts (Segoe UI 9 pt at 96 DPI by default).
  TNonClientMetrics NonClientMetrics = SimDefaultNonClientMetrics();
  // Every ChooseColorW call is recorded, then answered by the responder
  // (cancelled without one). It may change the result's colours.
  std::vector<TSimColorDialog> ColorDialogs;
  std::function<bool(TSimProcess&, TChooseColor&)> ColorResponder;
  // Icons LoadIconW finds (resource ids of the executable); 1 by default.
  std::vector<int> IconResources{1};
  const TSimGdiObject* GdiObject(HGDIOBJ object) const;
  int GdiObjectCount(DWORD pid) const;  // live pens, brushes and fonts of a process

  // --- Notification area, menus, hot keys, icons and the shell ------------
  // The shell's record of one icon, field by field as the NIF_ flags of the
  // adds and modifies set them.
  struct TSimTrayIcon {
    DWORD Pid = 0;
    TNotifyIconData Data;
    int BalloonsShown = 0;  // modifies with NIF_INFO and a text
  };
  // Icons in the notification area by (window, id), in the order added.
  std::vector<TSimTrayIcon> TrayIcons;
  const TSimTrayIcon* TrayIcon(HWND wnd, UINT id) const;
  // The taskbar restarts: its icons are gone and "TaskbarCreated" is posted
  // to every top-level window (dispatched by the next RunFor).
  void BroadcastTaskbarCreated();
  // The number of a registered message; 0 when nobody registered the name.
  UINT FindMessage(const std::u16string& name) const;
  // The mouse on a tray icon: its callback message (wParam the id, lParam
  // the mouse message) is posted to its window. False when no such icon.
  bool TrayMouse(HWND wnd, UINT id, UINT mouseMessage);

  struct TSimMenuItem {
    UINT Flags = 0;  // MF_ flags as appended, MF_CHECKED as last set
    std::uintptr_t Id = 0;
    std::u16string Text;
    HMENU SubMenu = 0;
  };
  struct TSimMenu {
    DWORD Pid = 0;
    std::vector<TSimMenuItem> Items;
  };
  const TSimMenu* Menu(HMENU menu) const;  // null when not there
  int MenuCount(DWORD pid) const;          // menus alive in a process
  // One TrackPopupMenuEx call; Menu(Menu) shows its items while it is up.
  struct TSimMenuTrack {
    DWORD Pid = 0;
    HMENU Menu = 0;
    HWND Owner = 0;
    int X = 0, Y = 0;
    UINT Flags = 0;
    HWND Window = 0;  // the "#32768" window that stands for the menu while it is up
    std::uintptr_t Result = 0;
    bool Ended = false;  // EndMenu was called while it was up
  };
  std::vector<TSimMenuTrack> MenuTracks;
  // Answers TrackPopupMenuEx while the menu is up: the id of the item to
  // choose, 0 to dismiss it. Without one every menu is dismissed. An id
  // that is no enabled command item of the menu dismisses it too. The
  // menu's own loop then dispatches what was posted meanwhile; like Wine's,
  // it takes a WM_QUIT off the queue and drops it. A menu ended meanwhile
  // (EndMenu) chooses nothing.
  std::function<std::uintptr_t(TSimProcess&, const TSimMenuTrack&)> MenuResponder;
  // The id of the first command item whose text starts with `prefix`, in
  // the menu or its submenus; 0 when none.
  std::uintptr_t FindMenuItem(HMENU menu, const std::u16string& prefix) const;

  // Hot keys of every process: a combination belongs to one registration.
  struct TSimHotKey {
    DWORD Pid = 0;
    HWND Wnd = 0;
    int Id = 0;
    UINT Modifiers = 0, Key = 0;
  };
  std::vector<TSimHotKey> HotKeys;
  // The user presses a combination: WM_HOTKEY goes to its registration's
  // window. False when nobody registered it.
  bool PressHotKey(UINT modifiers, UINT key);

  struct TSimIcon {
    DWORD Pid = 0;
    TIconBits Bits;
  };
  const TSimIcon* Icon(HICON icon) const;  // null when not there
  int IconCount(DWORD pid) const;
  // The executable's icon resource 1 (16 x 16); LoadImageW makes icons of it.
  TIconBits AppIcon = DefaultAppIcon();
  static TIconBits DefaultAppIcon();  // a ring with transparent corners
  int ScreenBitsPerPixel = 32;

  // --- Other programs' focus, caret and accessibility (SimFocus.cpp) -------
  // The window's program moves its thread's caret there (client
  // coordinates, the window's own pixels), creating it in that window if it
  // was elsewhere: EVENT_OBJECT_SHOW for a new caret, then
  // EVENT_OBJECT_LOCATIONCHANGE, for OBJID_CARET, as Windows raises them.
  void SetCaret(HWND wnd, TRect clientRect);
  // The thread destroys its caret: EVENT_OBJECT_HIDE.
  void DestroyCaret(DWORD threadId);
  // A thread's system caret: its window and its rectangle in that window's
  // client area, in the window's own pixels; a window of 0 for none.
  struct TSimCaret {
    HWND Window = 0;
    TRect Rect;
  };
  TSimCaret Caret(DWORD threadId) const;
  // The program focuses one of its own windows, activating it first if
  // need be: WM_KILLFOCUS and WM_SETFOCUS, and EVENT_OBJECT_FOCUS for it
  // (as every move of the focus raises it).
  void ProgramFocus(HWND wnd);
  // What an accessible object says of its place, in its program's own
  // screen pixels (accLocation); other objects tell nothing.
  void SetAccessibleLocation(HWND wnd, std::int32_t objectId, std::int32_t childId, TRect location);
  // The window's program raises a WinEvent (NotifyWinEvent): queued for
  // every out-of-context hook of another process that takes it.
  void RaiseWinEvent(DWORD event, HWND wnd, std::int32_t objectId, std::int32_t childId);
  int WinEventHookCount(DWORD pid) const;
  // A window's own pixels and the screen's: the window is laid out at
  // its program's DPI (96 unaware, the system's, or its monitor's) and the
  // screen scales it about its monitor's top-left corner.
  TPoint LogicalToPhysical(const TSimWindow& w, TPoint logical) const;
  TPoint PhysicalToLogical(const TSimWindow& w, TPoint physical) const;

 private:
  struct TSimWinEventHook {
    HWINEVENTHOOK Hook = 0;
    DWORD Pid = 0;
    DWORD EventMin = 0, EventMax = 0;
    IWinEventHandler* Handler = nullptr;
  };
  std::vector<TSimWinEventHook> FWinEventHooks;
  HWINEVENTHOOK FNextWinEventHook = 0x00E70010;
  struct TSimAccessible {
    HWND Window = 0;
    std::int32_t ObjectId = 0, ChildId = 0;
    TRect Location;
  };
  std::vector<TSimAccessible> FAccessibles;
  std::map<DWORD, TSimCaret> FCarets;  // by thread
  // The DPI a window is laid out at, and its monitor's place and DPI.
  int OwnDpi(const TSimWindow& w) const;
  void MonitorOf(const TSimWindow& w, TPoint& origin, int& dpi) const;

 public:
  struct TSimShellExecute {
    DWORD Pid = 0;
    HWND Wnd = 0;
    std::u16string Verb, File, Parameters, Directory;
    int Show = 0;
  };
  std::vector<TSimShellExecute> ShellExecutes;
  std::intptr_t ShellExecuteResult = 42;  // what ShellExecuteW returns

 private:
  std::map<HMENU, TSimMenu> FMenus;
  HMENU FNextMenu = 0x000A0010;
  std::map<HICON, TSimIcon> FIcons;
  HICON FNextIcon = 0x00100020;
  void DestroyMenuTree(HMENU menu);

 public:
  // --- Keyboard layout and visual themes ----------------------------------------
  // A US keyboard: the key data a key message carries for a virtual key
  // (repeat count 1, scan code, extended flag, bit 29 while Alt is down,
  // bits 30 and 31 for a release), 0 for a key the layout lacks.
  LPARAM KeyData(int virtualKey, bool up = false) const;
  // Visual styles on (IsThemeActive); while off, OpenThemeData gives 0.
  bool ThemeActive = true;
  struct TSimTheme {
    DWORD Pid = 0;
    HWND Wnd = 0;
    std::u16string ClassName;  // the first known class of the list, upper case
  };
  // Handles not yet closed. A part drawn is the paint-log entry
  // "DrawThemeBackground" with the class as Text and part << 16 | state as Flags.
  std::map<HANDLE, TSimTheme> OpenThemes;

 private:
  friend class TSimProcess;

  struct TFailure {
    std::string Method;
    DWORD Code = 0;
    int Count = 0;
    DWORD Pid = 0;
  };
  struct TAtom {
    std::u16string Name;
    int References = 0;
  };
  struct TProcessHandle {
    DWORD Pid = 0;
    DWORD Access = 0;
  };
  struct TPaintDc {
    HDC Dc = 0;
    HWND Wnd = 0;
  };

  HWND NewHandle();
  // Puts a new window into the map and the z-order; sends nothing.
  TSimWindow& Insert(TSimWindow window);
  std::vector<HWND>* Siblings(const TSimWindow& w);
  std::size_t TopmostCount(HWND except) const;
  void MoveTo(std::vector<HWND>& list, HWND wnd, std::size_t index);
  void BringToTop(TSimWindow& w);
  void SetVisible(TSimWindow& w, bool visible);
  // A top-level window now mostly on a monitor of another DPI gets
  // WM_DPICHANGED, when its program is aware of each monitor's DPI.
  void FollowMonitorDpi(HWND wnd);
  void Shift(TSimWindow& w, int dx, int dy);  // and its children
  // The window and its visible children are to be painted.
  void InvalidateTree(TSimWindow& w, bool erase);
  bool IsVisibleChain(const TSimWindow& w) const;
  TSimWindow* Root(TSimWindow* w);
  // Activation moves from the current foreground to wnd (0: to nothing).
  void SetActive(HWND wnd, bool bringToTop);
  void PassActivation(HWND leaving);
  void DestroyTree(HWND wnd);
  void Remove(HWND wnd);
  LRESULT Send(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT DefProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void Post(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // A window's own class procedure (its program's handler, a standard
  // control's model, or DefProc), under any subclass.
  LRESULT ClassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT ControlProc(TSimWindow& w, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT ControlDefProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void Notify(const TSimWindow& w, UINT code);  // WM_COMMAND to the parent
  void MoveFocus(HWND wnd);
  void ForgetControls(HWND wnd);  // a window is removed
  void FocusFollowsActivation(HWND active);
  HDC NewDc(HWND wnd);
  void ReleaseDcOf(HDC dc);
  void DrawComboItem(TSimWindow& combo, int index, UINT state, const TRect& rect);

  static std::u16string FileKey(const std::u16string& path);
  static std::u16string ParentKey(const std::u16string& key);
  bool FolderExists(const std::u16string& key) const;
  // What a call on a path with nothing there fails with: the file or the folder not found.
  DWORD MissingFileError(const std::u16string& key) const;
  bool InReadOnlyFolder(const std::u16string& key) const;

  std::map<std::u16string, TSimFile> FFiles;  // key: folded path without trailing separator
  DWORD FClock = 1000;
  DWORD FClockStart = 1000;
  std::vector<std::unique_ptr<TSimProcess>> FProcesses;
  DWORD FNextPid = 1000;  // the last process or thread id given
  std::map<HWND, TSimWindow> FWindows;
  std::vector<HWND> FZOrder;  // top-level windows, top first
  HWND FNextHandle = 0x10010;
  HWND FForeground = 0;
  std::map<char16_t, std::u16string> FDrives;
  std::map<HANDLE, TProcessHandle> FProcessHandles;
  struct TMutex {
    bool Elevated = false;  // made by an elevated process
    int Handles = 0;
  };
  struct TMutexHandle {
    std::u16string Name;  // empty for an unnamed mutex
    DWORD Pid = 0;
  };
  std::map<std::u16string, TMutex> FMutexes;  // by name, which is case-sensitive
  std::map<HANDLE, TMutexHandle> FMutexHandles;
  bool CloseMutexHandle(HANDLE handle);  // false when it is no mutex's
  bool FInBeforeCall = false;
  HANDLE FNextProcessHandle = 0x1F4;
  std::vector<TFailure> FFailures;
  long FFallibleCalls = 0, FSweepTarget = 0;
  DWORD FSweepPid = 0;
  TSimInjection FSweepInjection;
  bool FSweptNow = false;  // the call in Injected just now was the sweep's
  std::array<long, 64> FFallibleByMethod{};  // by place in the table of fallible methods
  std::vector<TSimCall> FCalls;
  std::map<std::u16string, ATOM> FAtomByName;  // key folded
  std::map<ATOM, TAtom> FAtoms;
  ATOM FNextAtom = 0xC000;
  std::map<std::u16string, UINT> FMessages;  // key folded
  UINT FNextMessage = 0xC100;
  std::uint32_t FGuidSerial = 0;
  std::vector<TPaintDc> FPaintDcs;
  HDC FNextDc = 0x0DC00010;
  std::uintptr_t FNextThreadTimer = 1;

  // Controls, focus, mouse and GDI.
  HWND FFocus = 0, FCapture = 0, FMouseWindow = 0, FTracking = 0;
  HCURSOR FCursor = 0;
  std::map<HGDIOBJ, TSimGdiObject> FGdiObjects;
  std::map<HDC, TSimDcState> FDcStates;
  HGDIOBJ FNextGdiObject = 0x04010010;

  // --- Version resources and the registry (SimVersion.cpp) -----------------
 public:
  // The version resource the file at path carries (the file itself is
  // added with AddFile); an empty block removes it.
  void SetVersionResource(const std::u16string& path, std::vector<std::uint8_t> block);
  // Registry keys under a predefined root (HKEY_CURRENT_USER, ...); paths
  // are case-insensitive (A-Z). A value creates its key and the keys above.
  void AddRegistryKey(HKEY root, const std::u16string& path);
  void SetRegistryValue(HKEY root, const std::u16string& path, const std::u16string& name, DWORD type,
                        std::vector<std::uint8_t> data);
  // A REG_SZ value with its terminating zero, as the system stores one.
  void SetRegistryString(HKEY root, const std::u16string& path, const std::u16string& name,
                         const std::u16string& text);
  int OpenRegistryKeys() const { return static_cast<int>(FRegHandles.size()); }

 private:
  struct TSimRegValue {
    DWORD Type = 0;
    std::vector<std::uint8_t> Data;
  };
  struct TSimRegHandle {
    std::u16string Key;
    DWORD Access = 0;
    DWORD Pid = 0;
  };
  std::map<std::u16string, std::vector<std::uint8_t>> FVersionResources;  // key: FileKey of the path
  // Folded "root\path" of every key, and its values by folded name.
  std::map<std::u16string, std::map<std::u16string, TSimRegValue>> FRegistry;
  std::map<HKEY, TSimRegHandle> FRegHandles;
  HKEY FNextRegHandle = 0x2A0;
};

}  // namespace lensoro::sim

// The one boundary between Lensoro's units and the operating system.
//
// Every OS call a unit makes goes through TPlatform and is named after the
// Win32 function it stands for. platform/win32 forwards each method to that
// function; platform/sim answers from a simulated desktop so the units can be
// tested natively. Nothing here includes <windows.h>.
//
// Adding a call:
// 1. Declare it in TPlatform, named and typed after the Win32 function, its
//    failure reported as that function reports it.
// 2. platform/win32: forward it to that one function; no decisions there.
// 3. platform/sim: model what Windows documents for it, on the desktop's
//    state; log it (Log) and let it fail on request (Injected).
// 4. tests/contract: a case that runs on both backends, so the model cannot
//    drift from Windows.
// 5. platform/sim/SimFailures.cpp: put it in FallibleMethods with the error
//    Windows gives when it fails in practice, or in LeftOutMethods under the
//    reason it is not failed.
// Forgetting 2 or 3 fails the build (the method is pure), 5 the unit test
// SimSweep.EveryPlatformMethodIsFailedOrLeftOut.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "WinConstants.h"
#include "WinTypes.h"

namespace lensoro {

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

// One display monitor: its whole area and the part not taken by task bars,
// in virtual-screen coordinates (negative left of and above the primary one).
struct TMonitorInfo {
  TRect Monitor;
  TRect Work;
  friend bool operator==(const TMonitorInfo&, const TMonitorInfo&) = default;
};

// Row-major, as the platform's MAGTRANSFORM and MAGCOLOREFFECT.
struct TMagTransform {
  float v[3][3] = {};
};
struct TMagColorEffect {
  float v[5][5] = {};
};

struct TSystemTime {
  std::uint16_t Year = 0, Month = 0, DayOfWeek = 0, Day = 0;
  std::uint16_t Hour = 0, Minute = 0, Second = 0, Milliseconds = 0;
};

// RTL_OSVERSIONINFOEXW: the record RtlGetVersion fills, with its service
// pack and product fields.
constexpr DWORD OsVersionRecordSize = 284;
struct TOsVersion {
  DWORD Major = 0, Minor = 0, Build = 0;
  DWORD RecordSize = OsVersionRecordSize;  // the record's size field as the caller sets it
};

struct TMsg {
  HWND Wnd = 0;
  UINT Message = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
};

// Kinds and buttons of the one message box (ShowMsgDialog).
enum class TMsgDlgType { Warning, Error, Information, Confirmation };
enum TMsgDlgButton : unsigned { mbOK = 1, mbCancel = 2 };
using TMsgDlgButtons = unsigned;

// The windows a unit creates receive their messages here. The backend's
// window procedure decodes nothing: it hands every message to the handler and
// returns what the handler returns.
class IWindowHandler {
 public:
  virtual LRESULT HandleMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;

 protected:
  ~IWindowHandler() = default;
};

// Window-creation parameters of CreateWindowExW.
struct TCreateWindowParams {
  DWORD ExStyle = 0;
  std::u16string ClassName;
  std::u16string WindowName;
  DWORD Style = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND Parent = 0;
  // A window of the program's own: the backend registers ClassName for it on
  // first use and sends every message to this handler. Null for a window of a
  // class that exists already (the "Magnifier" class).
  IWindowHandler* Handler = nullptr;
  // A child window's control id (the hMenu argument); 0 for none.
  std::uintptr_t Id = 0;
};

}  // namespace lensoro

#include "PlatformControls.h"

namespace lensoro {

// --- Notification area, menus, hot keys, icons and the shell ----------------
// Icons and menus are opaque values the backend hands out.
using HICON = std::uintptr_t;
using HMENU = std::uintptr_t;

// The fields of the shell's NOTIFYICONDATAW that the tray icon uses. The
// backend fills the real record from it (the full record of Windows 6.0 and
// later, 956 bytes in the 32-bit layout).
// The cbSize of that full record in the 32-bit layout, the one that carries
// hBalloonIcon.
constexpr DWORD NotifyIconDataSize = 956;
struct TNotifyIconData {
  DWORD cbSize = 0;
  HWND hWnd = 0;
  UINT uID = 0;
  UINT uFlags = 0;
  UINT uCallbackMessage = 0;
  HICON hIcon = 0;
  char16_t szTip[128] = {};
  char16_t szInfo[256] = {};
  UINT uTimeout = 0;
  char16_t szInfoTitle[64] = {};
  DWORD dwInfoFlags = 0;
  HICON hBalloonIcon = 0;
};

// An icon's pixels as GetIconInfo and GetDIBits give them: the colour
// bitmap as 32-bit top-down B G R A, the mask one byte per pixel (non-zero
// where the mask bit is set).
struct TIconBits {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> ColorBgra;
  std::vector<std::uint8_t> Mask;
};

// The most ReadFileBytes is ever asked to read (64 MiB): no image file
// comes near it, and a bigger one is not read into memory whole.
constexpr std::uint64_t MaxReadFileBytes = 64u * 1024u * 1024u;
// The settings file and a language file hold some kilobytes of text;
// anything larger is no such file and is not read.
constexpr std::uint64_t MaxSettingsFileBytes = 1024u * 1024u;
constexpr std::uint64_t MaxLangFileBytes = 1024u * 1024u;

class TPlatform {
 public:
  virtual ~TPlatform() = default;

  // --- Process, errors, time -------------------------------------------
  // The own executable's full path into the buffer: the characters copied,
  // without the terminating zero. A path that does not fit is cut to
  // size - 1 characters and the result is size (ERROR_INSUFFICIENT_BUFFER);
  // 0 on failure.
  virtual DWORD GetModuleFileNameW(char16_t* buffer, DWORD size) = 0;
  virtual DWORD GetCurrentProcessId() = 0;
  // TokenElevation of the own process's token: true when it runs with
  // administrator rights ("Run as administrator"). False when the token
  // cannot be read (the last error says why).
  virtual bool GetTokenElevation(bool& elevated) = 0;
  // A named mutex without initial owner (CreateMutexW): its handle, 0 on
  // failure. When one of that name exists already the handle opens it and
  // the last error is ERROR_ALREADY_EXISTS (0 otherwise); one made by a
  // process of higher rights cannot be opened: 0 with ERROR_ACCESS_DENIED.
  // The mutex lives while any process holds a handle to it (CloseHandle).
  virtual HANDLE CreateMutexW(const std::u16string& name) = 0;
  // A path on a mapped network drive in its \\server\share form; other paths
  // come back unchanged (WNetGetUniversalNameW).
  virtual std::u16string ExpandUNCFileName(const std::u16string& path) = 0;
  virtual DWORD GetLastError() = 0;
  virtual void SetLastError(DWORD code) = 0;
  virtual std::u16string FormatMessageW(DWORD code) = 0;  // the system's text for a code
  // RtlGetVersion with a record whose size field is version.RecordSize;
  // returns the NTSTATUS (0 = success).
  virtual std::int32_t RtlGetVersion(TOsVersion& version) = 0;
  virtual DWORD GetTickCount() = 0;
  virtual TSystemTime GetLocalTime() = 0;
  virtual ATOM GlobalAddAtomW(const std::u16string& name) = 0;
  virtual ATOM GlobalDeleteAtom(ATOM atom) = 0;
  // A new random GUID (version 4, as CoCreateGuid makes them); false when
  // none could be made.
  virtual bool CreateGuid(std::uint8_t (&guid)[16]) = 0;
  virtual int GetScreenPixelsPerInch() = 0;  // GetDeviceCaps(LOGPIXELSY) of the screen
  virtual int GetSystemMetrics(int index) = 0;
  // The DPI the window is laid out at: its monitor's for a program aware of
  // each monitor's DPI, the system's otherwise. 0 (ERROR_PROC_NOT_FOUND)
  // before Windows 10 1607, which has no such call, or for no window.
  virtual UINT GetDpiForWindow(HWND wnd) = 0;
  // A system metric at a DPI; 0 (ERROR_PROC_NOT_FOUND) before Windows 10 1607.
  virtual int GetSystemMetricsForDpi(int index, UINT dpi) = 0;
  virtual bool GetCursorPos(TPoint& point) = 0;
  // Every monitor of the virtual screen (EnumDisplayMonitors, then
  // GetMonitorInfoW of each), in the system's order; empty on failure.
  virtual std::vector<TMonitorInfo> EnumDisplayMonitors() = 0;

  // --- Files and folders (Windows paths) ---------------------------------
  // The whole content of a file; false (and the last error) when it cannot
  // be read. A file larger than maxBytes (at most MaxReadFileBytes) is not
  // read at all: false with ERROR_FILE_TOO_LARGE.
  virtual bool ReadFileBytes(const std::u16string& path, std::vector<std::uint8_t>& data, std::uint64_t maxBytes) = 0;
  // Creates or truncates the file and writes the bytes, flushed to disk.
  virtual bool WriteFileBytes(const std::u16string& path, const std::vector<std::uint8_t>& data) = 0;
  // MOVEFILE_REPLACE_EXISTING (1) | MOVEFILE_WRITE_THROUGH (8) replaces a
  // file in one step.
  virtual bool MoveFileExW(const std::u16string& from, const std::u16string& to, DWORD flags) = 0;
  virtual bool DeleteFileW(const std::u16string& path) = 0;
  virtual bool CreateDirectoryW(const std::u16string& path) = 0;
  // INVALID_FILE_ATTRIBUTES (0xFFFFFFFF) when there is nothing at the path.
  // A junction or symbolic link has FILE_ATTRIBUTE_REPARSE_POINT.
  virtual DWORD GetFileAttributesW(const std::u16string& path) = 0;
  // The names (not paths) of every entry matching a pattern such as
  // "C:\\x\\Lang\\*.lang", whatever its attributes (hidden, system, a
  // folder), in the order the file system lists them.
  virtual std::vector<std::u16string> FindFiles(const std::u16string& pattern) = 0;
  // The user's locale's decimal separator (GetLocaleInfoW LOCALE_SDECIMAL).
  virtual std::u16string GetLocaleDecimalSeparator() = 0;
  // CompareStringW with LOCALE_USER_DEFAULT: CSTR_LESS_THAN (1), CSTR_EQUAL
  // (2) or CSTR_GREATER_THAN (3); 0 on failure.
  virtual int CompareStringW(DWORD flags, const std::u16string& a, const std::u16string& b) = 0;

  // --- Processes of other windows --------------------------------------
  // The thread that created the window, and through pid (when not null) its
  // process; 0 for no window, pid then unchanged.
  virtual DWORD GetWindowThreadProcessId(HWND wnd, DWORD* pid) = 0;
  virtual HANDLE OpenProcess(DWORD access, DWORD processId) = 0;  // 0 on failure
  // Copies at most size-1 characters and a terminating zero into buffer;
  // returns the number of characters copied, 0 on failure.
  virtual DWORD GetModuleFileNameExW(HANDLE process, char16_t* buffer, DWORD size) = 0;
  // size: in the buffer's capacity, out the characters written; false on failure.
  virtual bool QueryFullProcessImageNameW(HANDLE process, char16_t* buffer, DWORD& size) = 0;
  virtual bool CloseHandle(HANDLE handle) = 0;

  // --- Windows ---------------------------------------------------------
  // The callback returns true to go on with the next window.
  virtual bool EnumWindows(const std::function<bool(HWND)>& callback) = 0;
  virtual bool EnumChildWindows(HWND parent, const std::function<bool(HWND)>& callback) = 0;
  virtual HWND GetWindow(HWND wnd, UINT command) = 0;
  virtual HWND GetParent(HWND wnd) = 0;
  virtual bool IsWindow(HWND wnd) = 0;
  // Returns the length copied (without the terminating zero), 0 on failure.
  virtual int GetWindowTextW(HWND wnd, char16_t* buffer, int maxCount) = 0;
  virtual int GetClassNameW(HWND wnd, char16_t* buffer, int maxCount) = 0;
  virtual bool SetWindowTextW(HWND wnd, const std::u16string& text) = 0;
  virtual HWND CreateWindowExW(const TCreateWindowParams& params) = 0;  // 0 on failure
  virtual bool DestroyWindow(HWND wnd) = 0;
  virtual bool ShowWindow(HWND wnd, int command) = 0;
  virtual bool IsWindowVisible(HWND wnd) = 0;
  virtual bool SetWindowPos(HWND wnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) = 0;
  virtual bool GetWindowRect(HWND wnd, TRect& rect) = 0;
  virtual bool GetClientRect(HWND wnd, TRect& rect) = 0;
  virtual std::int32_t GetWindowLongW(HWND wnd, int index) = 0;
  virtual bool SetLayeredWindowAttributes(HWND wnd, DWORD colorKey, std::uint8_t alpha, DWORD flags) = 0;
  // ImmAssociateContext(wnd, 0): no input method editor for the window.
  virtual void ImmDisableForWindow(HWND wnd) = 0;
  virtual bool SetForegroundWindow(HWND wnd) = 0;
  virtual HWND GetForegroundWindow() = 0;
  virtual bool InvalidateRect(HWND wnd, bool erase) = 0;
  virtual bool FillSolidRect(HDC dc, const TRect& rect, DWORD color) = 0;
  virtual DWORD GetSysColor(int index) = 0;
  virtual bool ReleaseCapture() = 0;
  // High bit set while the key is down.
  virtual std::int16_t GetKeyState(int virtualKey) = 0;

  // --- Messages, timers, the message loop ------------------------------
  virtual LRESULT SendMessageW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
  // SendMessageTimeoutW: false (and the last error) when the target did not
  // answer in time or is hung; `result` holds its answer otherwise.
  virtual bool SendMessageTimeoutW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags,
                                   UINT timeoutMs, LRESULT& result) = 0;
  virtual bool PostMessageW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
  virtual UINT RegisterWindowMessageW(const std::u16string& name) = 0;
  virtual LRESULT DefWindowProcW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
  virtual void PostQuitMessage(int exitCode) = 0;
  // >0 a message, 0 WM_QUIT, -1 an error.
  virtual int GetMessageW(TMsg& msg) = 0;
  virtual bool PeekMessageW(TMsg& msg, bool remove) = 0;
  virtual bool TranslateMessage(const TMsg& msg) = 0;
  virtual LRESULT DispatchMessageW(const TMsg& msg) = 0;
  // MsgWaitForMultipleObjects on the thread's own pseudo-handle (never
  // signalled): WAIT_TIMEOUT (258) or WAIT_OBJECT_0 + 1 when input arrived.
  virtual DWORD MsgWaitForMultipleObjects(DWORD milliseconds, DWORD wakeMask) = 0;
  virtual std::uintptr_t SetTimer(HWND wnd, std::uintptr_t id, UINT milliseconds) = 0;
  virtual bool KillTimer(HWND wnd, std::uintptr_t id) = 0;

  // --- The message box -------------------------------------------------
  // Shows a modal message box, top-most and centred on its owner (the
  // screen when owner is 0); returns IDOK, IDCANCEL, ...
  virtual int MessageDialog(const std::u16string& text, const std::u16string& caption, TMsgDlgType type,
                            TMsgDlgButtons buttons, HWND owner) = 0;

  // --- Magnification API -----------------------------------------------
  // A "Magnifier" window is made with CreateWindowExW between MagInitialize
  // and MagUninitialize, inside a layered (WS_EX_LAYERED) top-level window.
  // Each call on a handle that is no window fails with
  // ERROR_INVALID_WINDOW_HANDLE; on a window that is not a magnifier of this
  // process, or outside MagInitialize, with ERROR_INVALID_PARAMETER.
  virtual bool MagInitialize() = 0;
  virtual bool MagUninitialize() = 0;
  // A scale below 1 is refused (ERROR_INVALID_PARAMETER).
  virtual bool MagSetWindowTransform(HWND wnd, const TMagTransform& transform) = 0;
  // A null effect removes the current one.
  virtual bool MagSetColorEffect(HWND wnd, const TMagColorEffect* effect) = 0;
  virtual bool MagSetWindowSource(HWND wnd, const TRect& source) = 0;
  // MW_FILTERMODE_EXCLUDE only: Windows 7 and later refuse the include mode.
  virtual bool MagSetWindowFilterList(HWND wnd, DWORD filterMode, int count, const HWND* list) = 0;

  // --- Dialogs, controls and painting -------------------------------------
  virtual HWND SetFocus(HWND wnd) = 0;  // the window that had the focus, 0 on failure or none
  virtual HWND GetFocus() = 0;
  virtual bool EnableWindow(HWND wnd, bool enable) = 0;  // true when it was disabled before
  virtual bool IsWindowEnabled(HWND wnd) = 0;
  virtual std::int32_t SetWindowLongW(HWND wnd, int index, std::int32_t value) = 0;  // the old value
  virtual int GetDlgCtrlID(HWND wnd) = 0;
  // SetWindowLongPtrW(GWLP_WNDPROC): every message of the window reaches the
  // handler first. Returns the previous procedure, for CallWindowProcW; 0 on
  // failure.
  virtual WNDPROC SetWindowProcW(HWND wnd, IWindowHandler* handler) = 0;
  virtual LRESULT CallWindowProcW(WNDPROC proc, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
  virtual int MapWindowPoints(HWND from, HWND to, TPoint* points, int count) = 0;
  virtual bool ScreenToClient(HWND wnd, TPoint& point) = 0;
  // The window rectangle whose client area is `rect` (borders and caption added).
  virtual bool AdjustWindowRectEx(TRect& rect, DWORD style, DWORD exStyle) = 0;
  // The window's own scroll bar (SB_VERT): it appears while the page is
  // smaller than the range and goes when the page covers it; the position
  // is kept within range - page + 1. Returns the position.
  virtual int SetScrollInfo(HWND wnd, int bar, const TScrollInfo& info, bool redraw) = 0;
  virtual HWND SetCapture(HWND wnd) = 0;
  virtual HWND GetCapture() = 0;
  virtual bool TrackMouseEvent(HWND wnd, DWORD flags) = 0;  // TME_LEAVE: one WM_MOUSELEAVE
  virtual HCURSOR LoadCursorW(int systemCursorId) = 0;      // IDC_ARROW, IDC_HAND
  virtual HCURSOR SetCursor(HCURSOR cursor) = 0;
  virtual HICON LoadIconW(int resourceId) = 0;  // an icon of the executable, 0 when missing
  // SPI_GETNONCLIENTMETRICS: the caption, menu, status and message fonts.
  virtual bool SystemParametersInfoW(TNonClientMetrics& metrics) = 0;
  // The colour dialog; false when the user cancelled it (or it failed).
  virtual bool ChooseColorW(TChooseColor& choose) = 0;
  virtual HDC BeginPaint(HWND wnd, TPaintStruct& paint) = 0;
  virtual bool EndPaint(HWND wnd, const TPaintStruct& paint) = 0;
  virtual HDC GetDC(HWND wnd) = 0;
  virtual int ReleaseDC(HWND wnd, HDC dc) = 0;
  virtual HGDIOBJ CreatePen(int style, int width, DWORD color) = 0;
  virtual HGDIOBJ CreateSolidBrush(DWORD color) = 0;
  virtual HGDIOBJ CreateFontIndirectW(const TLogFont& font) = 0;
  virtual HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) = 0;  // the object it replaced, 0 on failure
  virtual bool DeleteObject(HGDIOBJ object) = 0;
  virtual DWORD SetTextColor(HDC dc, DWORD color) = 0;
  virtual DWORD SetBkColor(HDC dc, DWORD color) = 0;
  virtual int SetBkMode(HDC dc, int mode) = 0;
  virtual bool MoveToEx(HDC dc, int x, int y) = 0;
  virtual bool LineTo(HDC dc, int x, int y) = 0;
  virtual bool Polygon(HDC dc, const TPoint* points, int count) = 0;
  // Outlined with the pen, filled with the brush; corners of cornerWidth x
  // cornerHeight ellipses.
  virtual bool RoundRect(HDC dc, const TRect& rect, int cornerWidth, int cornerHeight) = 0;
  // Takes the rectangle out of the DC's clipping region; the region's kind
  // (ERROR = 0 on failure).
  virtual int ExcludeClipRect(HDC dc, const TRect& rect) = 0;
  virtual bool FillRect(HDC dc, const TRect& rect, HGDIOBJ brush) = 0;
  virtual bool FrameRect(HDC dc, const TRect& rect, HGDIOBJ brush) = 0;
  // The height of the text drawn; with DT_CALCRECT the rectangle is widened
  // or narrowed to the text and nothing is drawn.
  virtual int DrawTextW(HDC dc, const std::u16string& text, TRect& rect, UINT format) = 0;
  virtual bool ExtTextOutW(HDC dc, int x, int y, UINT options, const TRect* rect, const std::u16string& text) = 0;
  virtual bool GetTextExtentPoint32W(HDC dc, const std::u16string& text, TSize& size) = 0;
  virtual bool GetTextMetricsW(HDC dc, TTextMetric& metric) = 0;
  virtual bool DrawEdge(HDC dc, TRect& rect, UINT edge, UINT flags) = 0;
  virtual bool DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT flags) = 0;
  virtual bool DrawFocusRect(HDC dc, const TRect& rect) = 0;

  // --- Notification area, menus, hot keys, icons and the shell ----------
  // NIM_ADD, NIM_MODIFY or NIM_DELETE; false (and the last error) on failure.
  virtual bool Shell_NotifyIconW(DWORD message, const TNotifyIconData& data) = 0;
  virtual HMENU CreatePopupMenu() = 0;  // 0 on failure
  // MF_STRING, MF_SEPARATOR or MF_POPUP (id is then the submenu), with
  // MF_CHECKED and MF_GRAYED as wanted.
  virtual bool AppendMenuW(HMENU menu, UINT flags, std::uintptr_t id, const std::u16string& text) = 0;
  // The item's former check state (MF_CHECKED or 0), 0xFFFFFFFF when there is no such item.
  virtual DWORD CheckMenuItem(HMENU menu, UINT id, UINT flags) = 0;
  // Tracks the menu until an item is chosen or it is dismissed. With
  // TPM_RETURNCMD the result is the chosen id (0 when dismissed).
  virtual int TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND wnd) = 0;
  // Ends the menu this thread is tracking, as if it was dismissed.
  virtual bool EndMenu() = 0;
  virtual bool DestroyMenu(HMENU menu) = 0;  // submenus go with it
  virtual bool RegisterHotKey(HWND wnd, int id, UINT modifiers, UINT virtualKey) = 0;
  virtual bool UnregisterHotKey(HWND wnd, int id) = 0;
  // An icon from 32-bit B G R A pixels, top row first, straight alpha.
  virtual HICON CreateIconIndirect(int width, int height, const std::vector<std::uint8_t>& bgra) = 0;
  virtual HICON CopyIcon(HICON icon) = 0;
  virtual bool DestroyIcon(HICON icon) = 0;
  // The executable's own icon resource at the given size (LoadImageW).
  virtual HICON LoadImageW(int resourceId, int width, int height) = 0;
  virtual bool GetIconInfo(HICON icon, TIconBits& bits) = 0;
  virtual int GetScreenBitsPerPixel() = 0;  // GetDeviceCaps(BITSPIXEL) of the screen
  // Empty verb, parameters or folder stand for none. Greater than 32 on success.
  virtual std::intptr_t ShellExecuteW(HWND wnd, const std::u16string& verb, const std::u16string& file,
                                      const std::u16string& parameters, const std::u16string& directory,
                                      int showCommand) = 0;

  // --- Themes, and the keyboard's key names ----------------------------
  // The name of the key in a key message's data (scan code in bits 16-23,
  // extended flag in bit 24); copies at most size-1 characters and a zero
  // and returns the length, 0 for a key without a name.
  virtual int GetKeyNameTextW(LPARAM keyData, char16_t* buffer, int size) = 0;
  // MAPVK_VK_TO_VSC_EX: the key's scan code, 0xE0 in the high byte for an
  // extended key; 0 when the keyboard has no such key.
  virtual UINT MapVirtualKeyW(UINT code, UINT mapType) = 0;
  virtual bool IsThemeActive() = 0;
  // A theme handle for the window and a ";"-separated class list ("SPIN"),
  // 0 when visual styles are off or no class is known.
  virtual HANDLE OpenThemeData(HWND wnd, const std::u16string& classList) = 0;
  virtual bool DrawThemeBackground(HANDLE theme, HDC dc, int partId, int stateId, const TRect& rect) = 0;
  virtual bool CloseThemeData(HANDLE theme) = 0;
  // The DC of the whole window, frame included (release it with ReleaseDC).
  virtual HDC GetWindowDC(HWND wnd) = 0;

  // --- Version resources and the registry --------------------------------
  // Bytes GetFileVersionInfoW needs for the file's version resource; 0 (and
  // the last error) when the file has none or cannot be read.
  virtual DWORD GetFileVersionInfoSizeW(const std::u16string& path) = 0;
  // Copies the version resource into data[0..size); false on failure.
  virtual bool GetFileVersionInfoW(const std::u16string& path, DWORD size, std::uint8_t* data) = 0;
  // The registry calls return ERROR_SUCCESS or an error code.
  virtual std::int32_t RegOpenKeyExW(HKEY root, const std::u16string& subKey, DWORD options, DWORD access,
                                     HKEY& result) = 0;
  // size: in the buffer's capacity in bytes, out the value's size. A null
  // data only asks for type and size; a short buffer gives ERROR_MORE_DATA.
  virtual std::int32_t RegQueryValueExW(HKEY key, const std::u16string& name, DWORD& type, std::uint8_t* data,
                                        DWORD& size) = 0;
  virtual std::int32_t RegCloseKey(HKEY key) = 0;

  // --- Tooltips ------------------------------------------------------------
  // Registers the common control classes (ICC_* bits); false on failure.
  virtual bool InitCommonControlsEx(DWORD classes) = 0;
  // TTM_ADDTOOLW: the whole window `tool` is a tool of the tooltip window
  // (TTF_IDISHWND | TTF_SUBCLASS: the tooltip watches the tool's mouse itself);
  // `owner` is the window the tool belongs to. False when it was not added.
  virtual bool SendAddToolW(HWND toolTip, HWND owner, HWND tool, const std::u16string& text) = 0;
  // TTM_UPDATETIPTEXTW for that tool.
  virtual void SendUpdateTipTextW(HWND toolTip, HWND owner, HWND tool, const std::u16string& text) = 0;
  // TTM_DELTOOLW for that tool.
  virtual void SendDelToolW(HWND toolTip, HWND owner, HWND tool) = 0;
};

}  // namespace lensoro

// TSimProcess: one process of the simulated desktop (SimDesktop.h), the
// TPlatform a unit under test is given. Its calls are implemented by
// subject in the Sim*.cpp files: SimProcess.cpp (the process, its time and
// the other processes), SimWindows.cpp, SimMessages.cpp, SimControls.cpp,
// SimGdi.cpp, SimFiles.cpp, SimShell.cpp and the smaller ones.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "Platform.h"
#include "SimControls.h"

namespace lensoro::sim {

class TSimDesktop;
struct TSimWindow;

// How a process takes the monitors' DPIs (DPI_AWARENESS and its contexts).
enum class TSimDpiAwareness { System, PerMonitor, PerMonitorV2, Unaware };
// Its windows are laid out at their monitor's DPI, in the screen's pixels.
constexpr bool PerMonitorAware(TSimDpiAwareness a) {
  return a == TSimDpiAwareness::PerMonitor || a == TSimDpiAwareness::PerMonitorV2;
}

// One WinEvent on its way to a hook (SimFocus.cpp).
struct TSimWinEvent {
  HWINEVENTHOOK Hook = 0;
  DWORD Event = 0;
  HWND Window = 0;
  std::int32_t ObjectId = 0, ChildId = 0;
};

// One process of the desktop; the TPlatform of the unit that runs in it.
class TSimProcess : public TPlatform {
 public:
  TSimProcess(TSimDesktop& desktop, DWORD pid, DWORD mainThreadId, std::u16string exePath, bool is64Bit);
  TSimProcess(const TSimProcess&) = delete;
  TSimProcess& operator=(const TSimProcess&) = delete;

  TSimDesktop& Desktop() { return FDesktop; }

  const DWORD Pid;
  // Its threads, the main one first (TSimDesktop::AddThread adds one). A
  // window belongs to the thread that created it: the one the process runs
  // on now, its main thread unless a test says otherwise.
  std::vector<DWORD> ThreadIds;
  DWORD CurrentThreadId = 0;
  std::u16string ExePath;
  bool Is64Bit = false;
  // Opening it for more than PROCESS_QUERY_LIMITED_INFORMATION is denied, as
  // for an elevated or protected process.
  bool Protected = false;
  // Runs with administrator rights (GetTokenElevation); its named objects
  // cannot be opened by a process that does not.
  bool Elevated = false;
  // TSimDesktop::EndProcess ended it: its handles are closed.
  bool Ended = false;
  // The process has stopped answering messages: SendMessageTimeoutW to its
  // windows times out (a plain SendMessageW would wait for ever, so the
  // model still delivers it).
  bool Hung = false;
  // Set when GetMessageW found nothing to wait for: a real loop would hang.
  bool Starved = false;
  DWORD LastError = 0;
  bool MagInitialized = false;
  bool QuitPosted = false;
  // GetMessageW fails once it has taken this many messages (-1: never): a
  // loop that should have ended cannot run a test for ever.
  long MessageBudget = -1;
  bool BudgetSpent = false;
  int ExitCode = 0;
  std::deque<TMsg> Queue;  // posted messages, oldest first

  struct TTimer {
    HWND Wnd = 0;
    std::uintptr_t Id = 0;
    UINT Interval = 0;
    DWORD Due = 0;
  };
  std::vector<TTimer> Timers;
  const TTimer* FindTimer(HWND wnd, std::uintptr_t id) const;

  // What the program's manifest (dpiAware true/pm, dpiAwareness
  // "PerMonitorV2, PerMonitor") gives on the desktop's Windows: per-monitor
  // v2 from Windows 10 1703 (build 15063), per-monitor on 8.1 and the
  // earlier Windows 10 builds, system awareness on Windows 7 and 8. Another
  // program says what it is aware of in DeclaredAwareness.
  TSimDpiAwareness DpiAwareness() const;
  bool HasDeclaredAwareness = false;
  TSimDpiAwareness DeclaredAwareness = TSimDpiAwareness::Unaware;

  // CoInitializeEx calls not yet matched by CoUninitialize.
  int ComInitCount = 0;
  // Out-of-context WinEvents for this process's hooks, delivered when its
  // loop next reads its queue; a full ring drops the oldest.
  std::array<TSimWinEvent, 64> WinEvents{};
  std::size_t WinEventFirst = 0, WinEventCount = 0;
  // Calls the hooks of the events that arrived; how many it delivered.
  int DeliverWinEvents();

  // Test helpers (not logged): dispatch what is available now (posted
  // messages, due timers; the quit flag stays for the program's loop) and
  // return how many were dispatched.
  int DispatchPending();

  // --- TPlatform ------------------------------------------------------
  DWORD GetModuleFileNameW(char16_t* buffer, DWORD size) override;
  DWORD GetCurrentProcessId() override;
  bool GetTokenElevation(bool& elevated) override;
  HANDLE CreateMutexW(const std::u16string& name) override;
  std::u16string ExpandUNCFileName(const std::u16string& path) override;
  DWORD GetLastError() override;
  void SetLastError(DWORD code) override;
  std::u16string FormatMessageW(DWORD code) override;
  std::int32_t RtlGetVersion(TOsVersion& version) override;
  DWORD GetTickCount() override;
  TSystemTime GetLocalTime() override;
  ATOM GlobalAddAtomW(const std::u16string& name) override;
  ATOM GlobalDeleteAtom(ATOM atom) override;
  bool CreateGuid(std::uint8_t (&guid)[16]) override;
  int GetScreenPixelsPerInch() override;
  int GetSystemMetrics(int index) override;
  UINT GetDpiForWindow(HWND wnd) override;
  int GetSystemMetricsForDpi(int index, UINT dpi) override;
  bool GetCursorPos(TPoint& point) override;
  std::vector<TMonitorInfo> EnumDisplayMonitors() override;

  bool ReadFileBytes(const std::u16string& path, std::vector<std::uint8_t>& data, std::uint64_t maxBytes) override;
  bool WriteFileBytes(const std::u16string& path, const std::vector<std::uint8_t>& data) override;
  bool MoveFileExW(const std::u16string& from, const std::u16string& to, DWORD flags) override;
  bool DeleteFileW(const std::u16string& path) override;
  bool CreateDirectoryW(const std::u16string& path) override;
  DWORD GetFileAttributesW(const std::u16string& path) override;
  std::vector<std::u16string> FindFiles(const std::u16string& pattern) override;
  std::u16string GetLocaleDecimalSeparator() override;
  int CompareStringW(DWORD flags, const std::u16string& a, const std::u16string& b) override;

  DWORD GetWindowThreadProcessId(HWND wnd, DWORD* pid) override;
  HANDLE OpenProcess(DWORD access, DWORD processId) override;
  DWORD GetModuleFileNameExW(HANDLE process, char16_t* buffer, DWORD size) override;
  bool QueryFullProcessImageNameW(HANDLE process, char16_t* buffer, DWORD& size) override;
  bool CloseHandle(HANDLE handle) override;

  // Windows (SimWindows.cpp).
  bool EnumWindows(const std::function<bool(HWND)>& callback) override;
  bool EnumChildWindows(HWND parent, const std::function<bool(HWND)>& callback) override;
  HWND GetWindow(HWND wnd, UINT command) override;
  HWND GetParent(HWND wnd) override;
  bool IsWindow(HWND wnd) override;
  int GetWindowTextW(HWND wnd, char16_t* buffer, int maxCount) override;
  int GetClassNameW(HWND wnd, char16_t* buffer, int maxCount) override;
  bool SetWindowTextW(HWND wnd, const std::u16string& text) override;
  HWND CreateWindowExW(const TCreateWindowParams& params) override;
  bool DestroyWindow(HWND wnd) override;
  bool ShowWindow(HWND wnd, int command) override;
  bool IsWindowVisible(HWND wnd) override;
  bool SetWindowPos(HWND wnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) override;
  bool GetWindowRect(HWND wnd, TRect& rect) override;
  bool GetClientRect(HWND wnd, TRect& rect) override;
  std::int32_t GetWindowLongW(HWND wnd, int index) override;
  bool SetLayeredWindowAttributes(HWND wnd, DWORD colorKey, std::uint8_t alpha, DWORD flags) override;
  void ImmDisableForWindow(HWND wnd) override;
  bool SetForegroundWindow(HWND wnd) override;
  HWND GetForegroundWindow() override;
  bool InvalidateRect(HWND wnd, bool erase) override;
  bool FillSolidRect(HDC dc, const TRect& rect, DWORD color) override;
  DWORD GetSysColor(int index) override;
  bool ReleaseCapture() override;
  std::int16_t GetKeyState(int virtualKey) override;

  // Messages, timers and the message loop (SimMessages.cpp).
  LRESULT SendMessageW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  bool SendMessageTimeoutW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeoutMs,
                           LRESULT& result) override;
  bool PostMessageW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  UINT RegisterWindowMessageW(const std::u16string& name) override;
  LRESULT DefWindowProcW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  void PostQuitMessage(int exitCode) override;
  int GetMessageW(TMsg& msg) override;
  bool PeekMessageW(TMsg& msg, bool remove) override;
  bool TranslateMessage(const TMsg& msg) override;
  LRESULT DispatchMessageW(const TMsg& msg) override;
  DWORD MsgWaitForMultipleObjects(DWORD milliseconds, DWORD wakeMask) override;
  std::uintptr_t SetTimer(HWND wnd, std::uintptr_t id, UINT milliseconds) override;
  bool KillTimer(HWND wnd, std::uintptr_t id) override;

  int MessageDialog(const std::u16string& text, const std::u16string& caption, TMsgDlgType type, TMsgDlgButtons buttons,
                    HWND owner, const TPlaceBox& place = nullptr) override;

  bool MagInitialize() override;
  bool MagUninitialize() override;
  bool MagSetWindowTransform(HWND wnd, const TMagTransform& transform) override;
  bool MagSetColorEffect(HWND wnd, const TMagColorEffect* effect) override;
  bool MagSetWindowSource(HWND wnd, const TRect& source) override;
  bool MagSetWindowFilterList(HWND wnd, DWORD filterMode, int count, const HWND* list) override;

  // Dialogs, controls and painting (SimControls.cpp, SimGdi.cpp).
  HWND SetFocus(HWND wnd) override;
  HWND GetFocus() override;
  bool EnableWindow(HWND wnd, bool enable) override;
  bool IsWindowEnabled(HWND wnd) override;
  std::int32_t SetWindowLongW(HWND wnd, int index, std::int32_t value) override;
  int GetDlgCtrlID(HWND wnd) override;
  WNDPROC SetWindowProcW(HWND wnd, IWindowHandler* handler) override;
  LRESULT CallWindowProcW(WNDPROC proc, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  int MapWindowPoints(HWND from, HWND to, TPoint* points, int count) override;
  bool ScreenToClient(HWND wnd, TPoint& point) override;
  bool AdjustWindowRectEx(TRect& rect, DWORD style, DWORD exStyle) override;
  int SetScrollInfo(HWND wnd, int bar, const TScrollInfo& info, bool redraw) override;
  HWND SetCapture(HWND wnd) override;
  HWND GetCapture() override;
  bool TrackMouseEvent(HWND wnd, DWORD flags) override;
  HCURSOR LoadCursorW(int systemCursorId) override;
  HCURSOR SetCursor(HCURSOR cursor) override;
  HICON LoadIconW(int resourceId) override;
  bool SystemParametersInfoW(TNonClientMetrics& metrics) override;
  bool ChooseColorW(TChooseColor& choose) override;
  HDC BeginPaint(HWND wnd, TPaintStruct& paint) override;
  bool EndPaint(HWND wnd, const TPaintStruct& paint) override;
  HDC GetDC(HWND wnd) override;
  int ReleaseDC(HWND wnd, HDC dc) override;
  HGDIOBJ CreatePen(int style, int width, DWORD color) override;
  HGDIOBJ CreateSolidBrush(DWORD color) override;
  HGDIOBJ CreateFontIndirectW(const TLogFont& font) override;
  HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) override;
  bool DeleteObject(HGDIOBJ object) override;
  DWORD SetTextColor(HDC dc, DWORD color) override;
  DWORD SetBkColor(HDC dc, DWORD color) override;
  int SetBkMode(HDC dc, int mode) override;
  bool MoveToEx(HDC dc, int x, int y) override;
  bool LineTo(HDC dc, int x, int y) override;
  bool Polygon(HDC dc, const TPoint* points, int count) override;
  bool RoundRect(HDC dc, const TRect& rect, int cornerWidth, int cornerHeight) override;
  int ExcludeClipRect(HDC dc, const TRect& rect) override;
  bool FillRect(HDC dc, const TRect& rect, HGDIOBJ brush) override;
  bool FrameRect(HDC dc, const TRect& rect, HGDIOBJ brush) override;
  int DrawTextW(HDC dc, const std::u16string& text, TRect& rect, UINT format) override;
  bool ExtTextOutW(HDC dc, int x, int y, UINT options, const TRect* rect, const std::u16string& text) override;
  bool GetTextExtentPoint32W(HDC dc, const std::u16string& text, TSize& size) override;
  bool GetTextMetricsW(HDC dc, TTextMetric& metric) override;
  bool DrawEdge(HDC dc, TRect& rect, UINT edge, UINT flags) override;
  bool DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT flags) override;
  bool DrawFocusRect(HDC dc, const TRect& rect) override;

  // --- Notification area, menus, hot keys, icons and the shell ----------
  bool Shell_NotifyIconW(DWORD message, const TNotifyIconData& data) override;
  HMENU CreatePopupMenu() override;
  bool AppendMenuW(HMENU menu, UINT flags, std::uintptr_t id, const std::u16string& text) override;
  DWORD CheckMenuItem(HMENU menu, UINT id, UINT flags) override;
  int TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND wnd) override;
  bool EndMenu() override;
  bool DestroyMenu(HMENU menu) override;
  bool RegisterHotKey(HWND wnd, int id, UINT modifiers, UINT virtualKey) override;
  bool UnregisterHotKey(HWND wnd, int id) override;
  HICON CreateIconIndirect(int width, int height, const std::vector<std::uint8_t>& bgra) override;
  HICON CopyIcon(HICON icon) override;
  bool DestroyIcon(HICON icon) override;
  HICON LoadImageW(int resourceId, int width, int height) override;
  bool GetIconInfo(HICON icon, TIconBits& bits) override;
  int GetScreenBitsPerPixel() override;
  std::intptr_t ShellExecuteW(HWND wnd, const std::u16string& verb, const std::u16string& file,
                              const std::u16string& parameters, const std::u16string& directory,
                              int showCommand) override;

  // --- Themes, and the keyboard's key names ---------------------------
  int GetKeyNameTextW(LPARAM keyData, char16_t* buffer, int size) override;
  UINT MapVirtualKeyW(UINT code, UINT mapType) override;
  bool IsThemeActive() override;
  HANDLE OpenThemeData(HWND wnd, const std::u16string& classList) override;
  bool DrawThemeBackground(HANDLE theme, HDC dc, int partId, int stateId, const TRect& rect) override;
  bool CloseThemeData(HANDLE theme) override;
  HDC GetWindowDC(HWND wnd) override;

  // Version resources and the registry (SimVersion.cpp).
  DWORD GetFileVersionInfoSizeW(const std::u16string& path) override;
  bool GetFileVersionInfoW(const std::u16string& path, DWORD size, std::uint8_t* data) override;
  std::int32_t RegOpenKeyExW(HKEY root, const std::u16string& subKey, DWORD options, DWORD access,
                             HKEY& result) override;
  std::int32_t RegQueryValueExW(HKEY key, const std::u16string& name, DWORD& type, std::uint8_t* data,
                                DWORD& size) override;
  std::int32_t RegCloseKey(HKEY key) override;

  // Other programs' focus and caret (SimFocus.cpp).
  bool GetGUIThreadInfo(DWORD threadId, TGuiThreadInfo& info) override;
  bool ClientToScreen(HWND wnd, TPoint& point) override;
  bool LogicalToPhysicalPointForPerMonitorDPI(HWND wnd, TPoint& point) override;
  bool PhysicalToLogicalPointForPerMonitorDPI(HWND wnd, TPoint& point) override;
  HWINEVENTHOOK SetWinEventHook(DWORD eventMin, DWORD eventMax, IWinEventHandler* handler) override;
  bool UnhookWinEvent(HWINEVENTHOOK hook) override;
  std::int32_t CoInitializeEx() override;
  void CoUninitialize() override;
  bool AccessibleObjectLocation(HWND wnd, std::int32_t objectId, std::int32_t childId, TRect& location) override;

  // Tooltips (SimToolTips.cpp).
  bool InitCommonControlsEx(DWORD classes) override;
  bool SendAddToolW(HWND toolTip, HWND owner, HWND tool, const std::u16string& text) override;
  void SendUpdateTipTextW(HWND toolTip, HWND owner, HWND tool, const std::u16string& text) override;
  void SendDelToolW(HWND toolTip, HWND owner, HWND tool) override;

 private:
  friend class TSimDesktop;
  void Log(const char* name, std::int64_t a0 = 0, std::int64_t a1 = 0, std::int64_t a2 = 0, std::int64_t a3 = 0,
           std::int64_t a4 = 0, std::int64_t a5 = 0);
  // True when an injected failure hits this call; the last error is set then.
  bool Injected(const char* method);
  bool Fail(DWORD code) {
    LastError = code;
    return false;
  }
  // The window, or null with ERROR_INVALID_WINDOW_HANDLE.
  TSimWindow* Need(HWND wnd);
  TSimWindow* NeedMagnifier(HWND wnd);
  // Notes a Mag* call's result on its log entry (the last one) and returns it.
  bool Noted(bool ok);
  // The paint log and selection of a DC handed out to this process.
  TSimWindow* PaintTarget(HDC dc, TSimDcState*& state);
  // SetTextColor and SetBkColor: the RGB part into the DC's slot, the old value back.
  DWORD SetDcColor(const char* name, HDC dc, DWORD TSimDcState::*slot, DWORD color);
  // FillRect and FrameRect: the rectangle recorded with the brush's colour.
  bool BrushRect(const char* name, HDC dc, const TRect& rect, HGDIOBJ brush);
  // GetDC and GetWindowDC: the sim's DCs stand for whole windows.
  HDC WindowDc(const char* name, HWND wnd);
  void Record(HDC dc, TSimPaintOp op);
  bool TakeAvailable(TMsg& msg, bool remove, bool takeQuit);
  TTimer* EarliestTimer();

  int GetSystemMetricsAt(int index);  // GetSystemMetrics' answer, not logged

  TSimDesktop& FDesktop;
};

}  // namespace lensoro::sim

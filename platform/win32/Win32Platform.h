// TPlatform on the real Windows API.
#pragma once

// Platform.h comes first: its constants share their names with the
// macros of <windows.h>.
#include "Platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstring>
#include <memory>

namespace lensoro {

class TWin32Platform final : public TPlatform {
 public:
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

  int MessageDialog(const std::u16string& text, const std::u16string& caption, TMsgDlgType type,
                    TMsgDlgButtons buttons, HWND owner) override;

  bool MagInitialize() override;
  bool MagUninitialize() override;
  bool MagSetWindowTransform(HWND wnd, const TMagTransform& transform) override;
  bool MagSetColorEffect(HWND wnd, const TMagColorEffect* effect) override;
  bool MagSetWindowSource(HWND wnd, const TRect& source) override;
  bool MagSetWindowFilterList(HWND wnd, DWORD filterMode, int count, const HWND* list) override;

  // Dialogs, controls and painting (Win32Controls.cpp, Win32Gdi.cpp).
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

  // --- Notification area, menus, hot keys, icons and the shell (Win32Shell.cpp)
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

  // --- Themes, and the keyboard's key names (Win32Theme.cpp)
  int GetKeyNameTextW(LPARAM keyData, char16_t* buffer, int size) override;
  UINT MapVirtualKeyW(UINT code, UINT mapType) override;
  bool IsThemeActive() override;
  HANDLE OpenThemeData(HWND wnd, const std::u16string& classList) override;
  bool DrawThemeBackground(HANDLE theme, HDC dc, int partId, int stateId, const TRect& rect) override;
  bool CloseThemeData(HANDLE theme) override;
  HDC GetWindowDC(HWND wnd) override;

  // Version resources and the registry (Win32Version.cpp).
  DWORD GetFileVersionInfoSizeW(const std::u16string& path) override;
  bool GetFileVersionInfoW(const std::u16string& path, DWORD size, std::uint8_t* data) override;
  std::int32_t RegOpenKeyExW(HKEY root, const std::u16string& subKey, DWORD options, DWORD access,
                             HKEY& result) override;
  std::int32_t RegQueryValueExW(HKEY key, const std::u16string& name, DWORD& type, std::uint8_t* data,
                                DWORD& size) override;
  std::int32_t RegCloseKey(HKEY key) override;

  // --- Tooltips (Win32ToolTips.cpp)
  bool InitCommonControlsEx(DWORD classes) override;
  bool SendAddToolW(HWND toolTip, HWND owner, HWND tool, const std::u16string& text) override;
  void SendUpdateTipTextW(HWND toolTip, HWND owner, HWND tool, const std::u16string& text) override;
  void SendDelToolW(HWND toolTip, HWND owner, HWND tool) override;

 private:
  MSG FLastMsg = {};  // the message GetMessageW/PeekMessageW took last
};

}  // namespace lensoro

// The real backend of the dialog and control calls: focus, enabling,
// subclassing, the mouse, cursors, icons, fonts and the colour dialog.
#include "Win32Convert.h"
#include "Win32Lazy.h"

#include <commdlg.h>

#include <cstddef>

using namespace lensoro::w32;

// The records a unit reads through a message's lParam are the system's.
static_assert(sizeof(lensoro::TDrawItemStruct) == sizeof(DRAWITEMSTRUCT));
static_assert(offsetof(lensoro::TDrawItemStruct, Dc) == offsetof(DRAWITEMSTRUCT, hDC));
static_assert(offsetof(lensoro::TDrawItemStruct, ItemRect) == offsetof(DRAWITEMSTRUCT, rcItem));
static_assert(offsetof(lensoro::TDrawItemStruct, ItemData) == offsetof(DRAWITEMSTRUCT, itemData));
static_assert(sizeof(lensoro::TMeasureItemStruct) == sizeof(MEASUREITEMSTRUCT));
static_assert(offsetof(lensoro::TMeasureItemStruct, ItemHeight) == offsetof(MEASUREITEMSTRUCT, itemHeight));
static_assert(sizeof(lensoro::TLogFont) == sizeof(LOGFONTW));
static_assert(offsetof(lensoro::TLogFont, FaceName) == offsetof(LOGFONTW, lfFaceName));
static_assert(sizeof(lensoro::TPaintStruct) == sizeof(PAINTSTRUCT));
static_assert(offsetof(lensoro::TPaintStruct, Paint) == offsetof(PAINTSTRUCT, rcPaint));
static_assert(sizeof(lensoro::TWindowPos) == sizeof(WINDOWPOS));
static_assert(offsetof(lensoro::TWindowPos, X) == offsetof(WINDOWPOS, x));
static_assert(offsetof(lensoro::TWindowPos, Flags) == offsetof(WINDOWPOS, flags));
static_assert(sizeof(lensoro::TMinMaxInfo) == sizeof(MINMAXINFO));
static_assert(offsetof(lensoro::TMinMaxInfo, MinTrackSize) == offsetof(MINMAXINFO, ptMinTrackSize));
static_assert(sizeof(lensoro::TRect) == sizeof(RECT) && sizeof(lensoro::TPoint) == sizeof(POINT));

namespace {

const wchar_t* SubclassPropName = L"Lensoro.Subclass";

LRESULT CALLBACK SubclassWindowProc(::HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* handler = static_cast<lensoro::IWindowHandler*>(::GetPropW(wnd, SubclassPropName));
  if (msg == WM_NCDESTROY) ::RemovePropW(wnd, SubclassPropName);
  if (!handler) return ::DefWindowProcW(wnd, msg, wParam, lParam);
  return handler->HandleMessage(FromHwnd(wnd), msg, wParam, lParam);
}

}  // namespace

namespace lensoro {

HWND TWin32Platform::SetFocus(HWND wnd) { return FromHwnd(::SetFocus(ToHwnd(wnd))); }
HWND TWin32Platform::GetFocus() { return FromHwnd(::GetFocus()); }
bool TWin32Platform::EnableWindow(HWND wnd, bool enable) { return ::EnableWindow(ToHwnd(wnd), enable) != FALSE; }
bool TWin32Platform::IsWindowEnabled(HWND wnd) { return ::IsWindowEnabled(ToHwnd(wnd)) != FALSE; }

std::int32_t TWin32Platform::SetWindowLongW(HWND wnd, int index, std::int32_t value) {
  return ::SetWindowLongW(ToHwnd(wnd), index, value);
}

int TWin32Platform::GetDlgCtrlID(HWND wnd) { return ::GetDlgCtrlID(ToHwnd(wnd)); }

// The handler is kept in a window property; our procedure hands it every
// message and it passes the rest on with CallWindowProcW.
WNDPROC TWin32Platform::SetWindowProcW(HWND wnd, IWindowHandler* handler) {
  if (!::SetPropW(ToHwnd(wnd), SubclassPropName, handler)) return 0;
  return static_cast<WNDPROC>(
      ::SetWindowLongPtrW(ToHwnd(wnd), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassWindowProc)));
}

LRESULT TWin32Platform::CallWindowProcW(WNDPROC proc, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::CallWindowProcW(reinterpret_cast<::WNDPROC>(proc), ToHwnd(wnd), msg, wParam, lParam);
}

int TWin32Platform::MapWindowPoints(HWND from, HWND to, TPoint* points, int count) {
  return ::MapWindowPoints(ToHwnd(from), ToHwnd(to), reinterpret_cast<POINT*>(points), static_cast<UINT>(count));
}

bool TWin32Platform::ScreenToClient(HWND wnd, TPoint& point) {
  return ::ScreenToClient(ToHwnd(wnd), reinterpret_cast<POINT*>(&point)) != FALSE;
}

bool TWin32Platform::AdjustWindowRectEx(TRect& rect, DWORD style, DWORD exStyle) {
  return ::AdjustWindowRectEx(reinterpret_cast<RECT*>(&rect), style, FALSE, exStyle) != FALSE;
}

int TWin32Platform::SetScrollInfo(HWND wnd, int bar, const TScrollInfo& info, bool redraw) {
  SCROLLINFO si{sizeof(SCROLLINFO), info.Mask, info.Min, info.Max, info.Page, info.Pos, info.TrackPos};
  return ::SetScrollInfo(ToHwnd(wnd), bar, &si, redraw ? TRUE : FALSE);
}

HWND TWin32Platform::SetCapture(HWND wnd) { return FromHwnd(::SetCapture(ToHwnd(wnd))); }
HWND TWin32Platform::GetCapture() { return FromHwnd(::GetCapture()); }

bool TWin32Platform::TrackMouseEvent(HWND wnd, DWORD flags) {
  TRACKMOUSEEVENT track = {sizeof track, flags, ToHwnd(wnd), HOVER_DEFAULT};
  return ::TrackMouseEvent(&track) != FALSE;
}

HCURSOR TWin32Platform::LoadCursorW(int systemCursorId) {
  return reinterpret_cast<HCURSOR>(::LoadCursorW(nullptr, MAKEINTRESOURCEW(systemCursorId)));
}

HCURSOR TWin32Platform::SetCursor(HCURSOR cursor) {
  return reinterpret_cast<HCURSOR>(::SetCursor(reinterpret_cast<::HCURSOR>(cursor)));
}

HICON TWin32Platform::LoadIconW(int resourceId) {
  return reinterpret_cast<HICON>(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId)));
}

bool TWin32Platform::SystemParametersInfoW(TNonClientMetrics& metrics) {
  NONCLIENTMETRICSW m = {};
  m.cbSize = sizeof m;
  if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0)) return false;
  static_assert(sizeof(TLogFont) == sizeof(LOGFONTW));
  std::memcpy(static_cast<void*>(&metrics.CaptionFont), &m.lfCaptionFont, sizeof(LOGFONTW));
  std::memcpy(static_cast<void*>(&metrics.MenuFont), &m.lfMenuFont, sizeof(LOGFONTW));
  std::memcpy(static_cast<void*>(&metrics.StatusFont), &m.lfStatusFont, sizeof(LOGFONTW));
  std::memcpy(static_cast<void*>(&metrics.MessageFont), &m.lfMessageFont, sizeof(LOGFONTW));
  return true;
}

bool TWin32Platform::ChooseColorW(TChooseColor& choose) {
  CHOOSECOLORW cc = {};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = ToHwnd(choose.Owner);
  cc.rgbResult = choose.Color;
  cc.lpCustColors = reinterpret_cast<COLORREF*>(choose.CustColors);
  cc.Flags = choose.Flags;
  static TLazyProc<decltype(::ChooseColorW)> chooseColor{L"comdlg32.dll", "ChooseColorW"};
  auto* show = chooseColor.Get();
  if (!show || !show(&cc)) return false;
  choose.Color = cc.rgbResult;
  return true;
}

}  // namespace lensoro

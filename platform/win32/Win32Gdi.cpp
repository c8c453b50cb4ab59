// The real backend of the painting calls: each forwards to its GDI call.
#include "Win32Convert.h"

using namespace lensoro::w32;

namespace lensoro {

HDC TWin32Platform::BeginPaint(HWND wnd, TPaintStruct& paint) {
  return reinterpret_cast<HDC>(::BeginPaint(ToHwnd(wnd), reinterpret_cast<PAINTSTRUCT*>(&paint)));
}

bool TWin32Platform::EndPaint(HWND wnd, const TPaintStruct& paint) {
  return ::EndPaint(ToHwnd(wnd), reinterpret_cast<const PAINTSTRUCT*>(&paint)) != FALSE;
}

HDC TWin32Platform::GetDC(HWND wnd) { return reinterpret_cast<HDC>(::GetDC(ToHwnd(wnd))); }
int TWin32Platform::ReleaseDC(HWND wnd, HDC dc) { return ::ReleaseDC(ToHwnd(wnd), ToDc(dc)); }

HGDIOBJ TWin32Platform::CreatePen(int style, int width, DWORD color) {
  return reinterpret_cast<HGDIOBJ>(::CreatePen(style, width, color));
}

HGDIOBJ TWin32Platform::CreateSolidBrush(DWORD color) {
  return reinterpret_cast<HGDIOBJ>(::CreateSolidBrush(color));
}

HGDIOBJ TWin32Platform::CreateFontIndirectW(const TLogFont& font) {
  return reinterpret_cast<HGDIOBJ>(::CreateFontIndirectW(reinterpret_cast<const LOGFONTW*>(&font)));
}

HGDIOBJ TWin32Platform::SelectObject(HDC dc, HGDIOBJ object) {
  return reinterpret_cast<HGDIOBJ>(::SelectObject(ToDc(dc), ToObj(object)));
}

bool TWin32Platform::DeleteObject(HGDIOBJ object) { return ::DeleteObject(ToObj(object)) != FALSE; }
DWORD TWin32Platform::SetTextColor(HDC dc, DWORD color) { return ::SetTextColor(ToDc(dc), color); }
DWORD TWin32Platform::SetBkColor(HDC dc, DWORD color) { return ::SetBkColor(ToDc(dc), color); }
int TWin32Platform::SetBkMode(HDC dc, int mode) { return ::SetBkMode(ToDc(dc), mode); }
bool TWin32Platform::MoveToEx(HDC dc, int x, int y) { return ::MoveToEx(ToDc(dc), x, y, nullptr) != FALSE; }
bool TWin32Platform::LineTo(HDC dc, int x, int y) { return ::LineTo(ToDc(dc), x, y) != FALSE; }

bool TWin32Platform::Polygon(HDC dc, const TPoint* points, int count) {
  return ::Polygon(ToDc(dc), reinterpret_cast<const POINT*>(points), count) != FALSE;
}

bool TWin32Platform::RoundRect(HDC dc, const TRect& rect, int cornerWidth, int cornerHeight) {
  return ::RoundRect(ToDc(dc), rect.Left, rect.Top, rect.Right, rect.Bottom, cornerWidth, cornerHeight) != FALSE;
}

int TWin32Platform::ExcludeClipRect(HDC dc, const TRect& rect) {
  return ::ExcludeClipRect(ToDc(dc), rect.Left, rect.Top, rect.Right, rect.Bottom);
}

bool TWin32Platform::FillRect(HDC dc, const TRect& rect, HGDIOBJ brush) {
  const RECT r = ToRect(rect);
  return ::FillRect(ToDc(dc), &r, reinterpret_cast<HBRUSH>(brush)) != 0;
}

bool TWin32Platform::FrameRect(HDC dc, const TRect& rect, HGDIOBJ brush) {
  const RECT r = ToRect(rect);
  return ::FrameRect(ToDc(dc), &r, reinterpret_cast<HBRUSH>(brush)) != 0;
}

int TWin32Platform::DrawTextW(HDC dc, const std::u16string& text, TRect& rect, UINT format) {
  RECT r = ToRect(rect);
  const int h = ::DrawTextW(ToDc(dc), W(text), static_cast<int>(text.size()), &r, format);
  rect = FromRect(r);
  return h;
}

bool TWin32Platform::ExtTextOutW(HDC dc, int x, int y, UINT options, const TRect* rect, const std::u16string& text) {
  RECT r = rect ? ToRect(*rect) : RECT{};
  return ::ExtTextOutW(ToDc(dc), x, y, options, rect ? &r : nullptr, W(text), static_cast<UINT>(text.size()),
                       nullptr) != FALSE;
}

bool TWin32Platform::GetTextExtentPoint32W(HDC dc, const std::u16string& text, TSize& size) {
  SIZE s = {};
  const bool ok = ::GetTextExtentPoint32W(ToDc(dc), W(text), static_cast<int>(text.size()), &s) != FALSE;
  size = {s.cx, s.cy};
  return ok;
}

bool TWin32Platform::GetTextMetricsW(HDC dc, TTextMetric& metric) {
  TEXTMETRICW tm = {};
  const bool ok = ::GetTextMetricsW(ToDc(dc), &tm) != FALSE;
  metric = {tm.tmHeight, tm.tmAscent, tm.tmDescent, tm.tmInternalLeading, tm.tmExternalLeading, tm.tmAveCharWidth};
  return ok;
}

bool TWin32Platform::DrawEdge(HDC dc, TRect& rect, UINT edge, UINT flags) {
  RECT r = ToRect(rect);
  const bool ok = ::DrawEdge(ToDc(dc), &r, edge, flags) != FALSE;
  rect = FromRect(r);
  return ok;
}

bool TWin32Platform::DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT flags) {
  return ::DrawIconEx(ToDc(dc), x, y, reinterpret_cast<::HICON>(icon), cx, cy, 0, nullptr, flags) != FALSE;
}

bool TWin32Platform::DrawFocusRect(HDC dc, const TRect& rect) {
  const RECT r = ToRect(rect);
  return ::DrawFocusRect(ToDc(dc), &r) != FALSE;
}

}  // namespace lensoro

// Visual styles (uxtheme) and key names on the real Windows API.
#include "Win32Convert.h"

#include <uxtheme.h>

namespace lensoro {

using w32::ToHwnd;
using w32::W;

UINT TWin32Platform::MapVirtualKeyW(UINT code, UINT mapType) { return ::MapVirtualKeyW(code, mapType); }

int TWin32Platform::GetKeyNameTextW(LPARAM keyData, char16_t* buffer, int size) {
  return ::GetKeyNameTextW(static_cast<LONG>(keyData), W(buffer), size);
}

bool TWin32Platform::IsThemeActive() { return ::IsThemeActive() != FALSE; }

HANDLE TWin32Platform::OpenThemeData(HWND wnd, const std::u16string& classList) {
  return reinterpret_cast<HANDLE>(::OpenThemeData(ToHwnd(wnd), W(classList)));
}

bool TWin32Platform::DrawThemeBackground(HANDLE theme, HDC dc, int partId, int stateId, const TRect& rect) {
  const RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
  return ::DrawThemeBackground(reinterpret_cast<HTHEME>(theme), reinterpret_cast<::HDC>(dc), partId, stateId, &r,
                               nullptr) == S_OK;
}

bool TWin32Platform::CloseThemeData(HANDLE theme) { return ::CloseThemeData(reinterpret_cast<HTHEME>(theme)) == S_OK; }

HDC TWin32Platform::GetWindowDC(HWND wnd) { return reinterpret_cast<HDC>(::GetWindowDC(ToHwnd(wnd))); }

}  // namespace lensoro

// Visual styles (uxtheme) and key names on the real Windows API.
#include "Win32Convert.h"
#include "Win32Lazy.h"

#include <uxtheme.h>

namespace lensoro {

using w32::ToHwnd;
using w32::W;

UINT TWin32Platform::MapVirtualKeyW(UINT code, UINT mapType) { return ::MapVirtualKeyW(code, mapType); }

int TWin32Platform::GetKeyNameTextW(LPARAM keyData, char16_t* buffer, int size) {
  return ::GetKeyNameTextW(static_cast<LONG>(keyData), W(buffer), size);
}

namespace {

using w32::TLazyProc;

TLazyProc<decltype(::IsThemeActive)> IsThemeActiveProc{L"uxtheme.dll", "IsThemeActive"};
TLazyProc<decltype(::OpenThemeData)> OpenThemeDataProc{L"uxtheme.dll", "OpenThemeData"};
TLazyProc<decltype(::DrawThemeBackground)> DrawThemeBackgroundProc{L"uxtheme.dll", "DrawThemeBackground"};
TLazyProc<decltype(::CloseThemeData)> CloseThemeDataProc{L"uxtheme.dll", "CloseThemeData"};

}  // namespace

// Without uxtheme there are no visual styles: the controls draw classically.
bool TWin32Platform::IsThemeActive() {
  auto* active = IsThemeActiveProc.Get();
  return active && active() != FALSE;
}

HANDLE TWin32Platform::OpenThemeData(HWND wnd, const std::u16string& classList) {
  auto* open = OpenThemeDataProc.Get();
  return open ? reinterpret_cast<HANDLE>(open(ToHwnd(wnd), W(classList))) : 0;
}

bool TWin32Platform::DrawThemeBackground(HANDLE theme, HDC dc, int partId, int stateId, const TRect& rect) {
  const RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
  auto* draw = DrawThemeBackgroundProc.Get();
  return draw &&
         draw(reinterpret_cast<HTHEME>(theme), reinterpret_cast<::HDC>(dc), partId, stateId, &r, nullptr) == S_OK;
}

bool TWin32Platform::CloseThemeData(HANDLE theme) {
  auto* close = CloseThemeDataProc.Get();
  return close && close(reinterpret_cast<HTHEME>(theme)) == S_OK;
}

HDC TWin32Platform::GetWindowDC(HWND wnd) { return reinterpret_cast<HDC>(::GetWindowDC(ToHwnd(wnd))); }

}  // namespace lensoro

// The real tooltip calls: each method forwards to the message it is named
// after and converts types.
#include "Win32Convert.h"
#include "Win32Lazy.h"

#include <commctrl.h>

namespace {

using lensoro::w32::ToHwnd;

TTTOOLINFOW ToolInfo(lensoro::HWND owner, lensoro::HWND tool, const std::u16string* text) {
  TTTOOLINFOW info = {};
  info.cbSize = sizeof info;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = ToHwnd(owner);
  info.uId = reinterpret_cast<UINT_PTR>(ToHwnd(tool));
  // The tooltip copies the text; it never writes to it.
  if (text) info.lpszText = const_cast<wchar_t*>(lensoro::w32::W(*text));
  return info;
}

}  // namespace

namespace lensoro {

bool TWin32Platform::InitCommonControlsEx(DWORD classes) {
  INITCOMMONCONTROLSEX init = {sizeof init, classes};
  static w32::TLazyProc<decltype(::InitCommonControlsEx)> initProc{L"comctl32.dll", "InitCommonControlsEx"};
  auto* initialize = initProc.Get();
  return initialize && initialize(&init) != FALSE;
}

bool TWin32Platform::SendAddToolW(HWND toolTip, HWND owner, HWND tool, const std::u16string& text) {
  TTTOOLINFOW info = ToolInfo(owner, tool, &text);
  return ::SendMessageW(ToHwnd(toolTip), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

void TWin32Platform::SendUpdateTipTextW(HWND toolTip, HWND owner, HWND tool, const std::u16string& text) {
  TTTOOLINFOW info = ToolInfo(owner, tool, &text);
  ::SendMessageW(ToHwnd(toolTip), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

void TWin32Platform::SendDelToolW(HWND toolTip, HWND owner, HWND tool) {
  TTTOOLINFOW info = ToolInfo(owner, tool, nullptr);
  ::SendMessageW(ToHwnd(toolTip), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

}  // namespace lensoro

// The peer's side of the cases between two processes: the same code runs
// in a second simulated process and in a second Windows process.
#include "Contract.h"

namespace lensoro::contract {

std::u16string Decimal(std::uintptr_t n) {
  std::u16string s;
  do {
    s.insert(s.begin(), static_cast<char16_t>(u'0' + n % 10));
    n /= 10;
  } while (n);
  return s;
}

HWND TPeer::Create(const std::u16string& title) {
  TCreateWindowParams params = WindowParams(u"LensoroContractPeer", win::WS_POPUP, 0, {40, 40, 100, 80}, this);
  params.WindowName = title;
  FHandle = P.CreateWindowExW(params);
  return FHandle;
}

LRESULT TPeer::HandleMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case peer::Add:
      return static_cast<LRESULT>(wParam) + lParam;
    case peer::SetTitle:
      return P.SetWindowTextW(wnd, u"peer " + Decimal(wParam)) ? 1 : 0;
    case peer::CallBack:
      return P.SendMessageW(static_cast<HWND>(wParam), peer::CalledBack, 0, lParam) + 1;
    case peer::HotKey:
      if (!P.RegisterHotKey(wnd, peer::HotKeyId, static_cast<UINT>(wParam), static_cast<UINT>(lParam))) {
        return static_cast<LRESULT>(P.GetLastError());
      }
      return 0;
    case peer::ImageOf: {
      const HANDLE process = P.OpenProcess(win::PROCESS_QUERY_LIMITED_INFORMATION, static_cast<DWORD>(wParam));
      if (!process) return 0;
      char16_t path[1024] = {};
      DWORD size = 1024;
      const bool read = P.QueryFullProcessImageNameW(process, path, size);
      P.CloseHandle(process);
      return read && P.SetWindowTextW(wnd, std::u16string(path, size)) ? 1 : 0;
    }
    case peer::UnHotKey:
      return P.UnregisterHotKey(wnd, peer::HotKeyId) ? 0 : static_cast<LRESULT>(P.GetLastError());
    case peer::Posted:
      ++FPosted;
      FPostedSum += wParam;
      return 0;
    case peer::PostedSum:
      return static_cast<LRESULT>(FPosted) << 16 | static_cast<LRESULT>(FPostedSum & 0xFFFF);
    case peer::Focus:
      P.SetFocus(0);
      return P.SetFocus(wnd) == 0 && P.GetFocus() == wnd ? 1 : 0;
    case win::WM_DESTROY:
      P.PostQuitMessage(0);
      return 0;
    default:
      return P.DefWindowProcW(wnd, msg, wParam, lParam);
  }
}

}  // namespace lensoro::contract

// lnsbare: the yardstick of the start-up benchmark (tests/bench): a program
// that does nothing but open one plain window, so that what Wine itself
// costs for a start can be told from what the loupe's own start adds.
// WM_CLOSE (what the benchmark sends) ends it.
//
// `lnsbare.exe tray` instead keeps one notification-area icon and no visible
// window: the benchmark keeps one running, so that the notification area is
// up before the loupe adds its icon, as it always is on a Windows desktop.
// (Under Wine without a desktop, the shell shows its own tray window for the
// first icon and hides it after the last one.)
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

namespace {

LRESULT CALLBACK BareWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(wnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = BareWindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"LnsBareWindow";
  if (!RegisterClassExW(&wc)) return 1;
  const bool tray = commandLine && std::wcscmp(commandLine, L"tray") == 0;
  // The loupe's designed place and size.
  HWND wnd = CreateWindowExW(0, wc.lpszClassName, tray ? L"Lensoro bare tray" : L"Lensoro bare window",
                             tray ? WS_POPUP : WS_POPUP | WS_VISIBLE, 243, 478, 268, 220, nullptr, nullptr, instance,
                             nullptr);
  if (!wnd) return 1;
  // shell32 is loaded only for the resident icon, so that the timed bare
  // window imports nothing more than a plain program does.
  using NotifyIcon = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAW);
  NotifyIcon notify = nullptr;
  NOTIFYICONDATAW icon = {};
  if (tray) {
    notify = reinterpret_cast<NotifyIcon>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"shell32.dll"), "Shell_NotifyIconW")));
    if (!notify) return 1;
    icon.cbSize = sizeof icon;
    icon.hWnd = wnd;
    icon.uID = 1;
    icon.uFlags = NIF_ICON | NIF_TIP;
    icon.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    std::wcscpy(icon.szTip, L"Lensoro bare tray");
    if (!notify(NIM_ADD, &icon)) return 1;
  }
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (notify) notify(NIM_DELETE, &icon);
  return 0;
}

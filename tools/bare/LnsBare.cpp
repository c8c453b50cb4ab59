// lnsbare: the yardstick of the start-up benchmark (tests/bench): a program
// that does nothing but open one plain window, so that what Wine itself
// costs for a start can be told from what the loupe's own start adds.
// WM_CLOSE (what the benchmark sends) ends it.
#include <windows.h>

namespace {

LRESULT CALLBACK BareWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(wnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = BareWindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"LnsBareWindow";
  if (!RegisterClassExW(&wc)) return 1;
  // The loupe's designed place and size.
  HWND wnd = CreateWindowExW(0, wc.lpszClassName, L"Lensoro bare window", WS_POPUP | WS_VISIBLE, 243, 478, 268,
                             220, nullptr, nullptr, instance, nullptr);
  if (!wnd) return 1;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

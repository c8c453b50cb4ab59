/* A magnification.dll that someone planted beside lensoro.exe: its DllMain
   leaves planted-dllmain.txt beside it, so a test can tell that it ran. It
   exports the API's functions, refusing every call, so that a program that
   imports the DLL by name does load it. */
#include <windows.h>

#include "Magnification.h"

static const wchar_t MarkerName[] = L"planted-dllmain.txt";

static void WriteMarker(HINSTANCE instance) {
  static const char text[] = "DllMain of the planted magnification.dll ran\r\n";
  wchar_t path[MAX_PATH + 32];
  DWORD n = GetModuleFileNameW(instance, path, MAX_PATH);
  DWORD folder = n;
  HANDLE file;
  DWORD written;
  if (n == 0 || n >= MAX_PATH) return;
  while (folder > 0 && path[folder - 1] != L'\\' && path[folder - 1] != L'/') --folder;
  lstrcpyW(path + folder, MarkerName);
  file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return;
  WriteFile(file, text, sizeof text - 1, &written, NULL);
  CloseHandle(file);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) WriteMarker(instance);
  return TRUE;
}

static BOOL Refuse(void) {
  SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}

/* The parameters are unused (the target says so): every call is refused. */
BOOL WINAPI MagInitialize(void) { return Refuse(); }
BOOL WINAPI MagUninitialize(void) { return Refuse(); }
BOOL WINAPI MagSetWindowSource(HWND hwnd, RECT rect) { return Refuse(); }
BOOL WINAPI MagGetWindowSource(HWND hwnd, RECT* pRect) { return Refuse(); }
BOOL WINAPI MagSetWindowTransform(HWND hwnd, PMAGTRANSFORM pTransform) { return Refuse(); }
BOOL WINAPI MagGetWindowTransform(HWND hwnd, PMAGTRANSFORM pTransform) { return Refuse(); }
BOOL WINAPI MagSetWindowFilterList(HWND hwnd, DWORD dwFilterMode, int count, HWND* pHWND) { return Refuse(); }
int WINAPI MagGetWindowFilterList(HWND hwnd, DWORD* pdwFilterMode, int count, HWND* pHWND) {
  Refuse();
  return -1;
}
BOOL WINAPI MagSetColorEffect(HWND hwnd, PMAGCOLOREFFECT pEffect) { return Refuse(); }
BOOL WINAPI MagGetColorEffect(HWND hwnd, PMAGCOLOREFFECT pEffect) { return Refuse(); }

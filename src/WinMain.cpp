// The Windows entry point: the real platform under the entry sequence.
#include "Lensoro.h"
#include "Win32Lazy.h"
#include "Win32Platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL by name: the program's folder may be a
  // downloads folder, and nothing there is to run as a DLL.
  lensoro::w32::LoadDllsFromSystemFolderOnly();
  lensoro::TWin32Platform platform;
  return lensoro::LensoroMain(platform);
}

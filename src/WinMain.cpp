// The Windows entry point: the real platform under the entry sequence.
#include "Lensoro.h"
#include "Win32Platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  lensoro::TWin32Platform platform;
  return lensoro::LensoroMain(platform);
}

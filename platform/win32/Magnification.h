// Declarations of the Windows Magnification API (magnification.dll), for the
// Win32 backend and the test DLLs of tools/ only; the units never include this.
//
// NOTE: mingw-w64's <magnification.h> carries the types but no prototypes;
// we declare the functions here. Nothing imports them: the backend binds
// them at run time from the system folder (Win32Lazy.h), and the Wine
// stand-in (tools/magstub) defines them.
#pragma once

#include <windows.h>
#include <magnification.h>

#if defined(__MINGW32__)
#ifdef __cplusplus
extern "C" {
#endif
BOOL WINAPI MagInitialize(void);
BOOL WINAPI MagUninitialize(void);
BOOL WINAPI MagSetWindowSource(HWND hwnd, RECT rect);
BOOL WINAPI MagGetWindowSource(HWND hwnd, RECT* pRect);
BOOL WINAPI MagSetWindowTransform(HWND hwnd, PMAGTRANSFORM pTransform);
BOOL WINAPI MagGetWindowTransform(HWND hwnd, PMAGTRANSFORM pTransform);
BOOL WINAPI MagSetWindowFilterList(HWND hwnd, DWORD dwFilterMode, int count, HWND* pHWND);
int WINAPI MagGetWindowFilterList(HWND hwnd, DWORD* pdwFilterMode, int count, HWND* pHWND);
BOOL WINAPI MagSetColorEffect(HWND hwnd, PMAGCOLOREFFECT pEffect);
BOOL WINAPI MagGetColorEffect(HWND hwnd, PMAGCOLOREFFECT pEffect);
#ifdef __cplusplus
}
#endif
#endif

// Conversions between our types and the Win32 ones, for every file of the
// backend.
#pragma once

#include "Win32Platform.h"

namespace lensoro::w32 {

// NOTE: handles keep 32 significant bits on 64-bit Windows; widening goes
// through a signed value, as the system's own HandleToLong/LongToHandle do.
inline ::HWND ToHwnd(lensoro::HWND h) {
  return reinterpret_cast<::HWND>(static_cast<INT_PTR>(static_cast<std::int32_t>(h)));
}
inline lensoro::HWND FromHwnd(::HWND h) { return static_cast<lensoro::HWND>(reinterpret_cast<UINT_PTR>(h)); }
inline ::HDC ToDc(lensoro::HDC dc) { return reinterpret_cast<::HDC>(dc); }
inline ::HGDIOBJ ToObj(lensoro::HGDIOBJ o) { return reinterpret_cast<::HGDIOBJ>(o); }
inline const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline wchar_t* W(char16_t* s) { return reinterpret_cast<wchar_t*>(s); }
inline RECT ToRect(const lensoro::TRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }
inline lensoro::TRect FromRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace lensoro::w32

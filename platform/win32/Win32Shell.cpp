// The real notification area, popup menus, hot keys, icons and shell: each
// method forwards to the call it is named after and converts types.
#include "Win32Convert.h"
#include "Win32Lazy.h"

#include <shellapi.h>

#include <algorithm>
#include <cstddef>

using namespace lensoro::w32;

namespace {

// The full record, the one that carries hBalloonIcon; the shell goes by its
// cbSize, so a header without the newer fields would lose the balloon icon.
constexpr bool Is64Bit = sizeof(void*) == 8;
static_assert(sizeof(NOTIFYICONDATAW) == (Is64Bit ? 976 : 956));
static_assert(offsetof(NOTIFYICONDATAW, hBalloonIcon) == (Is64Bit ? 968 : 952));
static_assert(offsetof(NOTIFYICONDATAW, szInfoTitle) == (Is64Bit ? 820 : 804));

::HMENU ToMenu(lensoro::HMENU m) { return reinterpret_cast<::HMENU>(m); }
::HICON ToIcon(lensoro::HICON i) { return reinterpret_cast<::HICON>(i); }
lensoro::HICON FromIcon(::HICON i) { return reinterpret_cast<lensoro::HICON>(i); }
const wchar_t* WOrNull(const std::u16string& s) { return s.empty() ? nullptr : W(s); }

template <std::size_t N>
void CopyField(wchar_t (&to)[N], const char16_t (&from)[N]) {
  std::copy(std::begin(from), std::end(from), std::begin(to));
  to[N - 1] = 0;
}

// A bitmap's pixels as 32-bit top-down B G R A.
bool ReadBitmap(::HBITMAP bitmap, int width, int height, std::vector<std::uint8_t>& bgra) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  bgra.assign(static_cast<std::size_t>(width) * height * 4, 0);
  ::HDC dc = ::GetDC(nullptr);
  const int lines = ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), bgra.data(), &info, DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, dc);
  return lines == height;
}

}  // namespace

namespace lensoro {

bool TWin32Platform::Shell_NotifyIconW(DWORD message, const TNotifyIconData& data) {
  NOTIFYICONDATAW nid = {};
  nid.cbSize = sizeof nid;
  nid.hWnd = ToHwnd(data.hWnd);
  nid.uID = data.uID;
  nid.uFlags = data.uFlags;
  nid.uCallbackMessage = data.uCallbackMessage;
  nid.hIcon = ToIcon(data.hIcon);
  CopyField(nid.szTip, data.szTip);
  CopyField(nid.szInfo, data.szInfo);
  nid.uTimeout = data.uTimeout;
  CopyField(nid.szInfoTitle, data.szInfoTitle);
  nid.dwInfoFlags = data.dwInfoFlags;
  nid.hBalloonIcon = ToIcon(data.hBalloonIcon);
  static TLazyProc<decltype(::Shell_NotifyIconW)> notifyIcon{L"shell32.dll", "Shell_NotifyIconW"};
  auto* notify = notifyIcon.Get();
  return notify && notify(message, &nid) != FALSE;
}

HMENU TWin32Platform::CreatePopupMenu() { return reinterpret_cast<HMENU>(::CreatePopupMenu()); }

bool TWin32Platform::AppendMenuW(HMENU menu, UINT flags, std::uintptr_t id, const std::u16string& text) {
  return ::AppendMenuW(ToMenu(menu), flags, id, (flags & MF_SEPARATOR) ? nullptr : W(text)) != FALSE;
}

DWORD TWin32Platform::CheckMenuItem(HMENU menu, UINT id, UINT flags) {
  return ::CheckMenuItem(ToMenu(menu), id, flags);
}

int TWin32Platform::TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND wnd) {
  return ::TrackPopupMenuEx(ToMenu(menu), flags, x, y, ToHwnd(wnd), nullptr);
}

bool TWin32Platform::EndMenu() { return ::EndMenu() != FALSE; }

bool TWin32Platform::DestroyMenu(HMENU menu) { return ::DestroyMenu(ToMenu(menu)) != FALSE; }

bool TWin32Platform::RegisterHotKey(HWND wnd, int id, UINT modifiers, UINT virtualKey) {
  return ::RegisterHotKey(ToHwnd(wnd), id, modifiers, virtualKey) != FALSE;
}

bool TWin32Platform::UnregisterHotKey(HWND wnd, int id) { return ::UnregisterHotKey(ToHwnd(wnd), id) != FALSE; }

HICON TWin32Platform::CreateIconIndirect(int width, int height, const std::vector<std::uint8_t>& bgra) {
  if (width <= 0 || height <= 0 || bgra.size() != static_cast<std::size_t>(width) * height * 4) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  BITMAPV5HEADER header = {};
  header.bV5Size = sizeof header;
  header.bV5Width = width;
  header.bV5Height = -height;
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_RGB;
  void* bits = nullptr;
  ::HDC dc = ::GetDC(nullptr);
  ::HBITMAP color =
      ::CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
  ::ReleaseDC(nullptr, dc);
  if (!color) return 0;
  std::copy(bgra.begin(), bgra.end(), static_cast<std::uint8_t*>(bits));
  // An empty mask: the colour bitmap's alpha says what is transparent.
  const std::vector<std::uint8_t> zeros(static_cast<std::size_t>((width + 15) / 16) * 2 * height, 0);
  ::HBITMAP mask = ::CreateBitmap(width, height, 1, 1, zeros.data());
  ICONINFO info = {};
  info.fIcon = TRUE;
  info.hbmMask = mask;
  info.hbmColor = color;
  ::HICON icon = mask ? ::CreateIconIndirect(&info) : nullptr;
  ::DeleteObject(color);
  if (mask) ::DeleteObject(mask);
  return FromIcon(icon);
}

HICON TWin32Platform::CopyIcon(HICON icon) { return FromIcon(::CopyIcon(ToIcon(icon))); }

bool TWin32Platform::DestroyIcon(HICON icon) { return ::DestroyIcon(ToIcon(icon)) != FALSE; }

HICON TWin32Platform::LoadImageW(int resourceId, int width, int height) {
  return FromIcon(static_cast<::HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId),
                                                    IMAGE_ICON, width, height, LR_DEFAULTCOLOR)));
}

bool TWin32Platform::GetIconInfo(HICON icon, TIconBits& bits) {
  ICONINFO info = {};
  if (!::GetIconInfo(ToIcon(icon), &info)) return false;
  BITMAP bm = {};
  ::GetObjectW(info.hbmMask, sizeof bm, &bm);
  // A monochrome icon keeps its image under the mask in one bitmap of twice the height.
  bits.Width = bm.bmWidth;
  bits.Height = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
  std::vector<std::uint8_t> mask;
  bool ok = ReadBitmap(info.hbmMask, bits.Width, bits.Height, mask);
  if (ok) ok = ReadBitmap(info.hbmColor ? info.hbmColor : info.hbmMask, bits.Width, bits.Height, bits.ColorBgra);
  bits.Mask.resize(static_cast<std::size_t>(bits.Width) * bits.Height);
  for (std::size_t i = 0; i < bits.Mask.size() && ok; ++i) bits.Mask[i] = mask[i * 4] != 0 ? 1 : 0;
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
  return ok;
}

std::intptr_t TWin32Platform::ShellExecuteW(HWND wnd, const std::u16string& verb, const std::u16string& file,
                                            const std::u16string& parameters, const std::u16string& directory,
                                            int showCommand) {
  static TLazyProc<decltype(::ShellExecuteW)> shellExecute{L"shell32.dll", "ShellExecuteW"};
  auto* execute = shellExecute.Get();
  if (!execute) return SE_ERR_DLLNOTFOUND;
  return reinterpret_cast<INT_PTR>(
      execute(ToHwnd(wnd), WOrNull(verb), W(file), WOrNull(parameters), WOrNull(directory), showCommand));
}

}  // namespace lensoro

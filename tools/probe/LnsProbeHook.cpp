// lnsprobehook.dll: read a popup menu from inside the program that shows it.
// Wine keeps menus in their process, so lnsprobe cannot read another
// program's menu items; it hooks that program's thread with this DLL, and
// the hook, running there, writes the items into a shared block. Texts are
// measured there too, with the fonts the program draws them in.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "LnsProbeShared.h"

namespace {

void Append(wchar_t* out, size_t& used, const wchar_t* text) {
  while (*text && used + 1 < lnsprobe::SharedChars) out[used++] = *text++;
  out[used] = 0;
}

// A JSON string of the text (UTF-16; the probe turns it into UTF-8).
void AppendJson(wchar_t* out, size_t& used, const wchar_t* text) {
  Append(out, used, L"\"");
  for (; *text; ++text) {
    wchar_t buf[8] = {*text, 0};
    if (*text == L'"' || *text == L'\\') {
      buf[0] = L'\\';
      buf[1] = *text;
      buf[2] = 0;
    } else if (*text < 0x20) {
      std::swprintf(buf, 8, L"\\u%04x", static_cast<unsigned>(*text));
    }
    Append(out, used, buf);
  }
  Append(out, used, L"\"");
}

void ReadMenu(lnsprobe::TShared& shared) {
  HWND window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(shared.Window));
  HMENU menu = reinterpret_cast<HMENU>(SendMessageW(window, 0x01E1 /* MN_GETHMENU */, 0, 0));
  size_t used = 0;
  shared.Text[0] = 0;
  Append(shared.Text, used, L"[");
  const int count = menu ? GetMenuItemCount(menu) : 0;
  for (int i = 0; i < count; ++i) {
    wchar_t text[512] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 512, MF_BYPOSITION);
    // For a submenu the high byte holds its item count, not flags.
    const bool popup = GetSubMenu(menu, i) != nullptr;
    const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & (popup ? 0xFF : ~0u);
    if (i > 0) Append(shared.Text, used, L",");
    Append(shared.Text, used, L"{\"text\":");
    AppendJson(shared.Text, used, text);
    Append(shared.Text, used, (state & MF_SEPARATOR) ? L",\"separator\":true" : L",\"separator\":false");
    Append(shared.Text, used, (state & MF_CHECKED) ? L",\"checked\":true" : L",\"checked\":false");
    Append(shared.Text, used, (state & (MF_GRAYED | MF_DISABLED)) ? L",\"grayed\":true" : L",\"grayed\":false");
    Append(shared.Text, used, popup ? L",\"popup\":true}" : L",\"popup\":false}");
  }
  Append(shared.Text, used, L"]");
}

void AppendNumber(wchar_t* out, size_t& used, long long n) {
  wchar_t buf[32];
  std::swprintf(buf, 32, L"%lld", n);
  Append(out, used, buf);
}

// The text as drawn with a prefix: "&&" is one "&", another "&" underlines
// the next character and takes no room.
std::wstring WithoutPrefix(const wchar_t* text) {
  std::wstring out;
  for (; *text; ++text) {
    if (*text == L'&' && text[1]) ++text;
    out += *text;
  }
  return out;
}

SIZE Extent(HDC dc, const std::wstring& text) {
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

// One line: the text's extent in `font` beside the room the window gives it.
void AppendMeasured(wchar_t* out, size_t& used, HWND h, HFONT font, const wchar_t* text, LONG room) {
  HDC dc = GetDC(h);
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  const std::wstring shown = WithoutPrefix(text);
  // A menu item's shortcut follows a tab; both parts need their room.
  const size_t tab = shown.find(L'\t');
  SIZE size = Extent(dc, shown.substr(0, tab));
  if (tab != std::wstring::npos) size.cx += Extent(dc, shown.substr(tab + 1)).cx;
  LOGFONTW lf{};
  GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof lf, &lf);
  if (old) SelectObject(dc, old);
  ReleaseDC(h, dc);
  wchar_t cls[64] = {};
  GetClassNameW(h, cls, 64);
  if (used > 1) Append(out, used, L",");
  Append(out, used, L"{\"hwnd\":");
  AppendNumber(out, used, static_cast<long long>(reinterpret_cast<UINT_PTR>(h)));
  Append(out, used, L",\"class\":");
  AppendJson(out, used, cls);
  Append(out, used, L",\"text\":");
  AppendJson(out, used, text);
  Append(out, used, L",\"style\":");
  AppendNumber(out, used, static_cast<long long>(static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE))));
  Append(out, used, L",\"cx\":");
  AppendNumber(out, used, size.cx);
  Append(out, used, L",\"cy\":");
  AppendNumber(out, used, size.cy);
  Append(out, used, L",\"room\":");
  AppendNumber(out, used, room);
  Append(out, used, L",\"font\":");
  AppendJson(out, used, lf.lfFaceName);
  Append(out, used, L",\"font_height\":");
  AppendNumber(out, used, lf.lfHeight);
  Append(out, used, L"}");
}

BOOL CALLBACK CollectChild(HWND h, LPARAM list) {
  auto& l = *reinterpret_cast<std::vector<HWND>*>(list);
  l.push_back(h);
  return TRUE;
}

// Every child of the window with a text, measured in its own font against
// its client width; for a menu window, every item in the menu font against
// the menu's client width.
void MeasureTextsOf(lnsprobe::TShared& shared) {
  HWND window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(shared.Window));
  size_t used = 0;
  shared.Text[0] = 0;
  Append(shared.Text, used, L"[");
  wchar_t cls[64] = {};
  GetClassNameW(window, cls, 64);
  RECT client{};
  if (std::wcscmp(cls, L"#32768") == 0) {
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(window, 0x01E1 /* MN_GETHMENU */, 0, 0));
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = CreateFontIndirectW(&metrics.lfMenuFont);
    GetClientRect(window, &client);
    const int count = menu ? GetMenuItemCount(menu) : 0;
    for (int i = 0; i < count; ++i) {
      wchar_t text[512] = {};
      if (GetMenuStringW(menu, static_cast<UINT>(i), text, 512, MF_BYPOSITION) > 0) {
        AppendMeasured(shared.Text, used, window, font, text, client.right);
      }
    }
    if (font) DeleteObject(font);
  } else {
    std::vector<HWND> children;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
    for (HWND h : children) {
      wchar_t text[512] = {};
      if (GetWindowTextW(h, text, 512) <= 0 || !IsWindowVisible(h)) continue;
      GetClientRect(h, &client);
      AppendMeasured(shared.Text, used, h, reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)), text,
                     client.right);
    }
  }
  Append(shared.Text, used, L"]");
}

}  // namespace

// Found by name: the probe installs it with SetWindowsHookExW.
extern "C" __declspec(dllexport) LRESULT CALLBACK LnsProbeGetMsgHook(int code, WPARAM wParam, LPARAM lParam);
extern "C" __declspec(dllexport) LRESULT CALLBACK LnsProbeGetMsgHook(int code, WPARAM wParam, LPARAM lParam) {
  HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, lnsprobe::SharedName);
  if (mapping) {
    auto* shared = static_cast<lnsprobe::TShared*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (shared && shared->State == lnsprobe::Requested) {
      if (shared->Kind == lnsprobe::MeasureTexts) {
        MeasureTextsOf(*shared);
      } else {
        ReadMenu(*shared);
      }
      shared->State = lnsprobe::Done;
    }
    if (shared) UnmapViewOfFile(shared);
    CloseHandle(mapping);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

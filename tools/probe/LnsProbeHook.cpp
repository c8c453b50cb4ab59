// lnsprobehook.dll: read a popup menu from inside the program that shows it.
// Wine keeps menus in their process, so lnsprobe cannot read another
// program's menu items; it hooks that program's thread with this DLL, and
// the hook, running there, writes the items into a shared block.
#include <windows.h>

#include <cstdio>
#include <cwchar>

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

}  // namespace

// Found by name: the probe installs it with SetWindowsHookExW.
extern "C" __declspec(dllexport) LRESULT CALLBACK LnsProbeGetMsgHook(int code, WPARAM wParam, LPARAM lParam);
extern "C" __declspec(dllexport) LRESULT CALLBACK LnsProbeGetMsgHook(int code, WPARAM wParam, LPARAM lParam) {
  HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, lnsprobe::SharedName);
  if (mapping) {
    auto* shared = static_cast<lnsprobe::TShared*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (shared && shared->State == lnsprobe::Requested) {
      ReadMenu(*shared);
      shared->State = lnsprobe::Done;
    }
    if (shared) UnmapViewOfFile(shared);
    CloseHandle(mapping);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The block lnsprobe and lnsprobehook.dll share to read a menu.
#pragma once

#include <windows.h>

namespace lnsprobe {

constexpr const wchar_t* SharedName = L"Local\\LnsProbeMenu";
constexpr size_t SharedChars = 32768;
enum : LONG { Idle = 0, Requested = 1, Done = 2 };

struct TShared {
  volatile LONG State;
  DWORD Window;  // the "#32768" window whose menu is wanted
  wchar_t Text[SharedChars];  // the items as a JSON array
};

}  // namespace lnsprobe

// The block lnsprobe and lnsprobehook.dll share to read a menu, or to
// measure texts with the fonts they are drawn in.
#pragma once

#include <windows.h>

namespace lnsprobe {

constexpr const wchar_t* SharedName = L"Local\\LnsProbeMenu";
constexpr size_t SharedChars = 32768;
enum : LONG { Idle = 0, Requested = 1, Done = 2 };
// What is asked: a menu's items, or the texts of a window (its children's,
// or a menu's items) measured inside its program.
enum : DWORD { ReadMenuItems = 0, MeasureTexts = 1 };

struct TShared {
  volatile LONG State;
  DWORD Window;  // the "#32768" window whose menu is wanted, or the window to measure
  DWORD Kind;
  wchar_t Text[SharedChars];  // the answer as a JSON array
};

}  // namespace lnsprobe

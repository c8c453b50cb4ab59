// What the settings file keeps of the loupe, as one value, with the limits
// every reader and writer of it shares, and its reading from and writing to
// an INI copy through one table of section, key and field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Canvas.h"
#include "LoupeGeometry.h"
#include "Menus.h"

namespace lensoro {

class TIniFile;
class TPlatform;

enum TLoupeMode : std::uint8_t { lmPointer = 0, lmWindow = 1 };
enum TLoupeColorMode : std::uint8_t { lcmOriginal = 0, lcmInvert = 1, lcmGray = 2 };

// How many values each enumeration has; a stored ordinal at or past its
// count is no value and reads as the default.
constexpr int LoupeModeCount = 2;
constexpr int LoupeColorModeCount = 3;
constexpr int LoupeSrcOriginCount = 5;

// The rate's range and the zoom commands' step, in extended precision: the
// rate (a float) is stepped and bounded there and rounded back.
constexpr long double LoupeRateMin = 1.3L;
constexpr long double LoupeRateMax = 8.0L;
constexpr long double LoupeRateStep = 0.1L;
// The rate each zoom command reaches from a rate: one step, held at the
// limit. Repeated steps carry the float's rounding.
float ZoomInRate(float rate);
float ZoomOutRate(float rate);
// The widest frame, in pixels.
constexpr int FrameWidthMax = 10;

constexpr TColor clLime = 0x0000FF00u;
constexpr TColor clAqua = 0x00FFFF00u;

// The four frame colours: one for each mode, active and inactive.
enum class TFrameColorSlot : std::uint8_t { ActivePointer, InactivePointer, ActiveWindow, InactiveWindow };
constexpr int FrameColorSlotCount = 4;
// The slot whose colour the frame shows in a mode and activity.
constexpr TFrameColorSlot FrameColorSlot(TLoupeMode mode, bool active) {
  if (mode == lmWindow) return active ? TFrameColorSlot::ActiveWindow : TFrameColorSlot::InactiveWindow;
  return active ? TFrameColorSlot::ActivePointer : TFrameColorSlot::InactivePointer;
}

struct TLoupeSettings {
  TLoupeMode LoupeMode = lmPointer;
  float LoupeRate = 2.0f;
  TLoupeColorMode LoupeColorMode = lcmOriginal;
  TLoupeSrcOrigin LoupeSrcOrigin = lsoTopLeft;
  int FrameWidth = 4;
  // By TFrameColorSlot.
  TColor FrameColors[FrameColorSlotCount] = {clLime, 0x00CCFFCCu, clAqua, 0x00FFFFCCu};
  bool IsSilentMode = false;
  int TrayIconIndex = 0;
  // The show/hide command's system-wide shortcut; 0 for none.
  TShortCut HotKey = 0;
  // In pointer mode, the loupe also shows the control that takes the
  // keyboard focus and the text caret as it moves.
  bool FollowTyping = false;

  TColor FrameColor(TFrameColorSlot slot) const { return FrameColors[static_cast<int>(slot)]; }
  TColor& FrameColor(TFrameColorSlot slot) { return FrameColors[static_cast<int>(slot)]; }
};

// A value of the settings file that could not be taken as it stood: no value
// of its kind, or out of range. Found is the text in the file, Used the
// value taken instead, as the file will hold it.
struct TSettingNote {
  std::u16string Section, Key, Found, Used;
};
using TSettingNotes = std::vector<TSettingNote>;

// Reads every key over the value given, which holds the defaults (and the
// hot key assigned so far). Values out of range from a hand-edited file are
// brought into range; a key missing or unreadable, or an ordinal beyond its
// enumeration, leaves the field as given. Besides the forms the file is
// written in, the rate reads with a point or a comma, a colour as #RRGGBB
// and the hot key as the menu shows it ("Ctrl+Alt+Z"). Each value not
// taken as it stood is added to notes; an empty one is as good as missing.
void ReadLoupeSettings(const TIniFile& ini, TLoupeSettings& settings, const std::u16string& decimalSeparator,
                       TPlatform& platform, TSettingNotes* notes = nullptr);
// System colours are written as the RGB they stand for.
void WriteLoupeSettings(TIniFile& ini, const TLoupeSettings& settings, const std::u16string& decimalSeparator,
                        TPlatform& platform);

}  // namespace lensoro

// TLoupeFollow: in pointer mode, whether the loupe shows the pointer, the
// control that has the keyboard focus or the text caret, and where the
// source area goes for it. Plain arithmetic over what one tracking step read;
// the step asks the system and hands the numbers in.
#pragma once

#include <cstdint>

#include "LoupeGeometry.h"
#include "Platform.h"

namespace lensoro {

// What one step saw, in pixels of the virtual desktop.
struct TFollowInput {
  std::uint32_t Tick = 0;  // the system's milliseconds: wraps after 49.7 days
  bool HasPointer = false;
  TPoint Pointer;
  bool FocusChanged = false;  // another control took the keyboard focus since the last step
  TRect Focus;
  bool CaretMoved = false;  // the text caret appeared or moved since the last step
  TRect Caret;
};

class TLoupeFollow {
 public:
  // A pointer that moves more than this from one step to the next takes the
  // view back; a hand resting on the mouse does not.
  static constexpr int PointerSlack = 2;
  // How long after its last move the pointer keeps the view: a focus or
  // caret change in that time is the pointing's doing and is ignored.
  static constexpr std::uint32_t PointerHoldMs = 350;

  // The source area of srcWidth x srcHeight for this step, on the desktop.
  TRect Step(const TFollowInput& in, int srcWidth, int srcHeight, const TVirtualDesktop& desktop);
  // The next step starts afresh from the pointer.
  void Reset() { *this = TLoupeFollow(); }

 private:
  TRect FSource;
  TPoint FPointer;
  bool FHasPointer = false;
  bool FPointerLeads = true;
  // The pointer moved less than PointerHoldMs ago (FLastMove).
  bool FHolding = false;
  std::uint32_t FLastMove = 0;
};

}  // namespace lensoro

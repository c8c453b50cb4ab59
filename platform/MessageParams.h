// Packing and unpacking the 16-bit halves of message parameters, as the
// Win32 macros MAKELPARAM, LOWORD, HIWORD, GET_X_LPARAM, GET_Y_LPARAM and
// GET_WHEEL_DELTA_WPARAM do.
#pragma once

#include <cstdint>

#include "Platform.h"

namespace lensoro {

// Two 16-bit values in one LPARAM, the low one first; negative positions
// keep their sign in their half, as WM_MOVE's do.
inline LPARAM MakeLParam(int lo, int hi) {
  return static_cast<LPARAM>(static_cast<std::int32_t>((static_cast<std::uint32_t>(hi) & 0xFFFFu) << 16 |
                                                       (static_cast<std::uint32_t>(lo) & 0xFFFFu)));
}

inline UINT LoWord(std::uintptr_t value) { return static_cast<UINT>(value & 0xFFFFu); }
inline UINT HiWord(std::uintptr_t value) { return static_cast<UINT>((value >> 16) & 0xFFFFu); }

// The point of a mouse message.
// NOTE: both coordinates are signed 16-bit: monitors left of or above the
// primary one give negative values, which LoWord/HiWord would make large.
inline TPoint PointFromLParam(LPARAM lParam) {
  return {static_cast<std::int16_t>(LoWord(static_cast<std::uintptr_t>(lParam))),
          static_cast<std::int16_t>(HiWord(static_cast<std::uintptr_t>(lParam)))};
}

// WM_MOUSEWHEEL's distance, in multiples of WHEEL_DELTA; negative towards the user.
inline int WheelDeltaFromWParam(WPARAM wParam) { return static_cast<std::int16_t>(HiWord(wParam)); }

// Wheel rotation adds up over the messages (a fine wheel sends parts of a
// notch); each whole WHEEL_DELTA is one notch.
class TWheelNotches {
 public:
  // The whole notches made with this delta, negative towards the user; the
  // part of a notch left over waits for the next delta.
  int Add(int delta) {
    FRest += delta;
    const int notches = FRest / win::WHEEL_DELTA;
    FRest -= notches * win::WHEEL_DELTA;
    return notches;
  }

 private:
  int FRest = 0;
};

}  // namespace lensoro

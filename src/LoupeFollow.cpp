#include "LoupeFollow.h"

#include <algorithm>

#include "Numeric.h"

namespace lensoro {

namespace {

// The start of the source along one axis that shows a control of [lo, hi):
// centred when it fits, from its start when it does not.
int StartOnControl(int lo, int hi, int size) {
  const int length = hi - lo;
  return length > size ? lo : lo - RoundHalfEven((size - length) / 2.0L);
}

// How far the source [lo, lo + size) has to move along one axis so that the
// caret [caretLo, caretHi) lies inside it less a sixth of its size at each
// end; a caret wider than that keeps its start in view.
int PushTowardsCaret(int lo, int size, int caretLo, int caretHi) {
  const int margin = RoundHalfEven(size / 6.0L);
  const int innerLo = lo + margin, innerHi = lo + size - margin;
  if (caretLo < innerLo) return caretLo - innerLo;
  if (caretHi > innerHi) return std::min(caretHi - innerHi, caretLo - innerLo);
  return 0;
}

}  // namespace

TRect TLoupeFollow::Step(const TFollowInput& in, int srcWidth, int srcHeight, const TVirtualDesktop& desktop) {
  if (in.HasPointer) {
    const long long dx = 0LL + in.Pointer.X - FPointer.X, dy = 0LL + in.Pointer.Y - FPointer.Y;
    if (!FHasPointer || dx * dx + dy * dy > PointerSlack * PointerSlack) {
      FPointerLeads = FHolding = true;
      FLastMove = in.Tick;
    }
    FPointer = in.Pointer;
    FHasPointer = true;
  }
  // Once over, the hold stays over: a tick count that wraps must not bring it back.
  if (FHolding && in.Tick - FLastMove >= PointerHoldMs) FHolding = false;
  const bool focus = in.FocusChanged && !FHolding, caret = in.CaretMoved && !FHolding;
  if (focus || caret) FPointerLeads = false;

  if (FPointerLeads && FHasPointer) {
    FSource = PointerSourceRect(FPointer, srcWidth, srcHeight, desktop);
    return FSource;
  }
  // A new rate changes the size: the area keeps its centre.
  int left = FSource.Left + RoundHalfEven(FSource.Width() / 2.0L) - RoundHalfEven(srcWidth / 2.0L);
  int top = FSource.Top + RoundHalfEven(FSource.Height() / 2.0L) - RoundHalfEven(srcHeight / 2.0L);
  if (focus) {
    const TRect placed =
        SourceRectOnDesktop(StartOnControl(in.Focus.Left, in.Focus.Right, srcWidth),
                            StartOnControl(in.Focus.Top, in.Focus.Bottom, srcHeight), srcWidth, srcHeight, desktop);
    left = placed.Left, top = placed.Top;
  }
  if (caret) {
    // The least move that brings the caret back, never a re-centring: the
    // view holds still while the user types along a line.
    left += PushTowardsCaret(left, srcWidth, in.Caret.Left, in.Caret.Right);
    top += PushTowardsCaret(top, srcHeight, in.Caret.Top, in.Caret.Bottom);
  }
  FSource = SourceRectOnDesktop(left, top, srcWidth, srcHeight, desktop);
  return FSource;
}

}  // namespace lensoro

#include "RsEdit.h"

#include "LnsLib.h"

namespace lensoro {

TRsEditFrame RsEditFrame(TBorderStyle border, TRsFlatStyle flat, TVerticalAlignment alignment, const TRect& window,
                         int lineHeight, int systemBorderHeight) {
  const int W = window.Width(), H = window.Height(), h = lineHeight;
  int s = 0, b = 0, o = 0;
  if (border == bsSingle) {
    o = 2 * systemBorderHeight;
  } else if (flat == rfsFlatNone) {
    s = 1;
  } else {
    s = 2, b = 1;
  }
  int v = 0;
  switch (alignment) {
    case taAlignTop: v = b; break;
    case taAlignBottom: v = H - h - b; break;
    case taVerticalCenter: v = RoundHalfEven((H - h) / 2.0L); break;
  }
  TRsEditFrame f;
  f.Top = {o, o, o + W, o + v};
  f.Bottom = {o, o + v + h, o + W, o + H};
  f.Left = {o, o + v, o + s, o + v + h};
  f.Right = {W - s, o + v, W, o + v + h};
  f.Client = {window.Left + s, window.Top + v, window.Left + s + W - 2 * s, window.Top + v + h};
  return f;
}

int RsEditFontHeight(TBorderStyle border, TRsFlatStyle flat, int height, int lineHeight, int systemBorderHeight) {
  const int allowance = border == bsSingle ? 2 * systemBorderHeight : (flat == rfsFlatNone ? 0 : 1);
  return height - 2 * allowance < lineHeight ? lineHeight + 2 * allowance : height;
}

}  // namespace lensoro

// RsEdit: a one-line edit that draws its own flat frame and centres its text
// line vertically.
//
// RsEditFrame is the frame's geometry, worked out on every frame
// recalculation from the window's size and the font's line height:
//
//   TRsEditFrame f = RsEditFrame(bsNone, rfsFlatNormal, taVerticalCenter,
//                                {0, 0, 127, 23}, /*lineHeight=*/15, 1);
//   f.Client;  // {2, 4, 125, 19}: the one text line
//   f.Top;     // the strip above it, painted by the frame
//
// TRsEdit is the control; without a border it draws that frame itself:
//
//   TRsEdit shown(&form);
//   shown.SetBounds(8, 39, 243, 23);
//   shown.SetBorderStyle(bsNone);
//   shown.SetFlatStyle(rfsFlatNormal);
//   shown.SetReadOnly(true);
#pragma once

#include <cstdint>
#include <string>

#include "Controls.h"
#include "Platform.h"

namespace lensoro {

enum TRsFlatStyle : std::uint8_t { rfsFlatNone, rfsFlatNormal, rfsFlatRounded };
enum TBorderStyle : std::uint8_t { bsNone, bsSingle };
enum TVerticalAlignment : std::uint8_t { taAlignTop, taAlignBottom, taVerticalCenter };

struct TRsEditFrame {
  TRect Top, Bottom, Left, Right;  // the non-client strips, window coordinates
  TRect Client;                    // the text line, in the coordinates of `window`
};

// window: the window rectangle as the frame recalculation gives it.
TRsEditFrame RsEditFrame(TBorderStyle border, TRsFlatStyle flat, TVerticalAlignment alignment, const TRect& window,
                         int lineHeight, int systemBorderHeight);

// The smallest height that still shows a whole line after a font change:
// the current height when it is enough.
int RsEditFontHeight(TBorderStyle border, TRsFlatStyle flat, int height, int lineHeight, int systemBorderHeight);

// A one-line edit with a flat frame of its own and its text line centred.
class TRsCustomEdit : public TEdit {
 public:
  explicit TRsCustomEdit(TWinControl* parent);

  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle style);
  TRsFlatStyle FlatStyle() const { return FFlatStyle; }
  void SetFlatStyle(TRsFlatStyle style);
  void SetFlatBorderColor(TColor color);
  void SetVerticalAlignment(TVerticalAlignment alignment);
  void SetCornerRadius(int radius);
  bool DefaultContextMenuEnabled = false;
  // The grey hint an empty field shows: the edit's cue banner.
  void SetTextHint(const std::u16string& hint);
  // The frame of the last recalculation.
  const TRsEditFrame& Frame() const { return FFrame; }

 protected:
  void CreateParams(TCreateWindowParams& params) override;
  void CreateWnd() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void FontChanged() override;
  void BoundsChanged() override;
  // Whether the edit's own context menu may show.
  virtual bool ContextMenuAllowed() const { return DefaultContextMenuEnabled || OnContextPopup != nullptr; }

 private:
  void FrameChanged();
  void PaintFrame();
  void SendCueBanner();
  int LineHeight();
  int BorderHeight() { return FPlatform.GetSystemMetrics(6); }  // SM_CYBORDER

  TRsEditFrame FFrame;
  std::u16string FTextHint;
  int FCornerRadius = 2;
  TColor FFlatBorderColor = clBtnShadow;
  TRsFlatStyle FFlatStyle = rfsFlatNone;
  TVerticalAlignment FVerticalAlignment = taVerticalCenter;
  TBorderStyle FBorderStyle = bsSingle;
};

class TRsEdit : public TRsCustomEdit {
 public:
  using TRsCustomEdit::TRsCustomEdit;
};

}  // namespace lensoro

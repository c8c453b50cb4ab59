#include "RsEdit.h"

#include "Numeric.h"

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

namespace lensoro {

TRsCustomEdit::TRsCustomEdit(TWinControl* parent) : TEdit(parent) { SetBoundsPx({0, 0, 121, 23}); }

void TRsCustomEdit::SetBorderStyle(TBorderStyle style) {
  if (style == FBorderStyle) return;
  FBorderStyle = style;
  if (HandleAllocated()) RecreateWnd();
}

void TRsCustomEdit::SetFlatStyle(TRsFlatStyle style) {
  FFlatStyle = style;
  FrameChanged();
}

void TRsCustomEdit::SetFlatBorderColor(TColor color) {
  FFlatBorderColor = color;
  FrameChanged();
}

void TRsCustomEdit::SetVerticalAlignment(TVerticalAlignment alignment) {
  FVerticalAlignment = alignment;
  FrameChanged();
}

void TRsCustomEdit::SetCornerRadius(int radius) {
  FCornerRadius = radius;
  FrameChanged();
}

void TRsCustomEdit::CreateParams(TCreateWindowParams& params) {
  TEdit::CreateParams(params);
  if (FBorderStyle == bsNone) params.ExStyle &= ~win::WS_EX_CLIENTEDGE;
}

void TRsCustomEdit::CreateWnd() {
  TEdit::CreateWnd();
  if (!FTextHint.empty()) SendCueBanner();
  FrameChanged();
}

void TRsCustomEdit::SetTextHint(const std::u16string& hint) {
  FTextHint = hint;
  if (HandleAllocated()) SendCueBanner();
}

void TRsCustomEdit::SendCueBanner() {
  // The edit copies the text; it shows while the field is empty and unfocused.
  FPlatform.SendMessageW(Handle(), win::EM_SETCUEBANNER, 0, reinterpret_cast<LPARAM>(FTextHint.c_str()));
}

void TRsCustomEdit::FrameChanged() {
  if (!HandleAllocated()) return;
  FPlatform.SetWindowPos(
      Handle(), 0, 0, 0, 0, 0,
      win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOZORDER | win::SWP_NOACTIVATE | win::SWP_FRAMECHANGED);
  PaintFrame();
}

void TRsCustomEdit::BoundsChanged() {
  TEdit::BoundsChanged();
  FrameChanged();
}

void TRsCustomEdit::FontChanged() {
  TEdit::FontChanged();
  const int height = RsEditFontHeight(FBorderStyle, FFlatStyle, Height(), LineHeight(), BorderHeight());
  if (height != Height()) SetBoundsPx({Left(), Top(), Left() + Width(), Top() + height});
  FrameChanged();
}

int TRsCustomEdit::LineHeight() {
  TControlCanvas canvas(*this);
  if (canvas) {
    const int h = canvas->TextMetric().Height;
    if (h > 0) return h;
  }
  return Font().Height() < 0 ? -Font().Height() : Font().Height();
}

void TRsCustomEdit::PaintFrame() {
  if (!HandleAllocated() || FBorderStyle != bsNone) return;
  const HDC dc = FPlatform.GetWindowDC(Handle());
  if (!dc) return;
  {
    TCanvas canvas(FPlatform, dc);
    const TColor parentColor = Parent() ? Parent()->Color() : Color();
    // The rounded style shows the parent above and below its round corners.
    canvas.Brush.Color = FFlatStyle == rfsFlatRounded ? parentColor : Color();
    canvas.FillRect(FFrame.Top);
    canvas.FillRect(FFrame.Bottom);
    canvas.Brush.Color = Color();
    canvas.FillRect(FFrame.Left);
    canvas.FillRect(FFrame.Right);
    const TRect whole{FFrame.Top.Left, FFrame.Top.Top, FFrame.Bottom.Right, FFrame.Bottom.Bottom};
    if (FFlatStyle == rfsFlatNormal) {
      canvas.Brush.Color = FFlatBorderColor;
      canvas.FrameRect(whole);
    } else if (FFlatStyle == rfsFlatRounded) {
      // Round the whole window, leaving the text line as the edit drew it.
      canvas.ExcludeClipRect({FFrame.Left.Right, FFrame.Left.Top, FFrame.Right.Left, FFrame.Right.Bottom});
      canvas.Pen.Color = FFlatBorderColor;
      canvas.Brush.Color = Color();
      canvas.RoundRect(whole, 2 * FCornerRadius, 2 * FCornerRadius);
    }
  }
  FPlatform.ReleaseDC(Handle(), dc);
}

LRESULT TRsCustomEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case win::WM_NCCALCSIZE:
      if (FBorderStyle == bsNone && lParam) {
        // The first rectangle (the whole of it without wParam, the first of
        // NCCALCSIZE_PARAMS with it) becomes the one text line.
        auto* rect = reinterpret_cast<TRect*>(lParam);
        FFrame = RsEditFrame(FBorderStyle, FFlatStyle, FVerticalAlignment, *rect, LineHeight(), BorderHeight());
        *rect = FFrame.Client;
        return 0;
      }
      break;
    case win::WM_NCPAINT:
      if (FBorderStyle == bsNone) {
        PaintFrame();
        return 0;
      }
      break;
    case win::WM_CONTEXTMENU:
      if (!ContextMenuAllowed()) return 0;
      break;
    default:
      break;
  }
  return TEdit::WndProc(msg, wParam, lParam);
}

}  // namespace lensoro

#include "Canvas.h"

#include <algorithm>
#include <cstdlib>

namespace lensoro {

// --- TFont ------------------------------------------------------------------------------

namespace {
// MulDiv: rounded, halves away from zero.
int MulDivRound(int a, int b, int c) {
  if (c == 0) return -1;
  const long long p = static_cast<long long>(a) * b;
  const long long q =
      (std::llabs(p) * 2 + std::llabs(static_cast<long long>(c))) / (2 * std::llabs(static_cast<long long>(c)));
  return static_cast<int>(((p < 0) != (c < 0)) ? -q : q);
}
}  // namespace

int TFont::Size() const { return -MulDivRound(FHeight, 72, FPixelsPerInch); }

void TFont::SetName(const std::u16string& name) {
  if (name == FName || name.empty()) return;
  FName = name.substr(0, 31);
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == FHeight || height == 0) return;
  FHeight = height;
  Changed();
}

void TFont::SetSize(int points) { SetHeight(-MulDivRound(points, FPixelsPerInch, 72)); }

void TFont::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Changed();
}

void TFont::SetStyle(TFontStyles style) {
  if (style == FStyle) return;
  FStyle = style;
  Changed();
}

void TFont::AssignLogFont(const TLogFont& font) {
  std::u16string face(font.FaceName, std::find(std::begin(font.FaceName), std::end(font.FaceName), u'\0'));
  if (!face.empty()) FName = face;
  if (font.Height != 0) FHeight = font.Height;
  FStyle = (font.Weight >= win::FW_BOLD ? fsBold : 0) | (font.Italic ? fsItalic : 0) |
           (font.Underline ? fsUnderline : 0) | (font.StrikeOut ? fsStrikeOut : 0);
  Changed();
}

void TFont::Assign(const TFont& other) {
  if (SameAs(other) && FPixelsPerInch == other.FPixelsPerInch) return;
  FName = other.FName;
  FHeight = other.FHeight;
  FColor = other.FColor;
  FStyle = other.FStyle;
  FPixelsPerInch = other.FPixelsPerInch;
  Changed();
}

TLogFont TFont::LogFont() const {
  TLogFont f;
  f.Height = FHeight;
  f.Weight = (FStyle & fsBold) ? win::FW_BOLD : win::FW_NORMAL;
  f.Italic = (FStyle & fsItalic) ? 1 : 0;
  f.Underline = (FStyle & fsUnderline) ? 1 : 0;
  f.StrikeOut = (FStyle & fsStrikeOut) ? 1 : 0;
  f.CharSet = 1;  // DEFAULT_CHARSET
  const std::size_t n = std::min<std::size_t>(FName.size(), 31);
  std::copy_n(FName.data(), n, f.FaceName);
  f.FaceName[n] = 0;
  return f;
}

// --- TCanvas ----------------------------------------------------------------------------

TCanvas::TCanvas(TPlatform& platform, HDC dc) : Platform(platform), FDc(dc) {}

TCanvas::~TCanvas() {
  // Put the DC's own objects back before ours are deleted.
  if (FOldPen) Platform.SelectObject(FDc, FOldPen);
  if (FOldBrush) Platform.SelectObject(FDc, FOldBrush);
  if (FOldFont) Platform.SelectObject(FDc, FOldFont);
  for (HGDIOBJ o : {FPen, FBrush, FFont}) {
    if (o) Platform.DeleteObject(o);
  }
}

void TCanvas::Select(HGDIOBJ& slot, HGDIOBJ object) {
  HGDIOBJ& old = &slot == &FPen ? FOldPen : &slot == &FBrush ? FOldBrush : FOldFont;
  const HGDIOBJ replaced = Platform.SelectObject(FDc, object);
  if (!old) old = replaced;
  if (slot) Platform.DeleteObject(slot);
  slot = object;
}

void TCanvas::RealizePen() {
  if (FPen && FPenMade.Color == Pen.Color && FPenMade.Width == Pen.Width) return;
  const HGDIOBJ pen = Platform.CreatePen(win::PS_SOLID, Pen.Width, ColorToRGB(Platform, Pen.Color));
  if (!pen) return;
  Select(FPen, pen);
  FPenMade = Pen;
}

HGDIOBJ TCanvas::RealizeBrush() {
  if (Brush.Clear) return 0;
  if (FBrush && FBrushMade == Brush.Color) return FBrush;
  const HGDIOBJ brush = Platform.CreateSolidBrush(ColorToRGB(Platform, Brush.Color));
  if (!brush) return 0;
  Select(FBrush, brush);
  FBrushMade = Brush.Color;
  return FBrush;
}

void TCanvas::RealizeFont() {
  if (FFontValid && FFontMade.SameAs(Font)) return;
  const HGDIOBJ font = Platform.CreateFontIndirectW(Font.LogFont());
  if (!font) return;
  Select(FFont, font);
  FFontMade.Assign(Font);
  FFontValid = true;
}

void TCanvas::RealizeTextColors() {
  RealizeFont();
  Platform.SetTextColor(FDc, ColorToRGB(Platform, Font.Color()));
  if (Brush.Clear) {
    Platform.SetBkMode(FDc, win::TRANSPARENT);
  } else {
    Platform.SetBkMode(FDc, win::OPAQUE);
    Platform.SetBkColor(FDc, ColorToRGB(Platform, Brush.Color));
  }
}

void TCanvas::FillRect(const TRect& rect) {
  if (const HGDIOBJ brush = RealizeBrush()) Platform.FillRect(FDc, rect, brush);
}

void TCanvas::FrameRect(const TRect& rect) {
  if (const HGDIOBJ brush = RealizeBrush()) Platform.FrameRect(FDc, rect, brush);
}

void TCanvas::MoveTo(int x, int y) { Platform.MoveToEx(FDc, x, y); }

void TCanvas::LineTo(int x, int y) {
  RealizePen();
  Platform.LineTo(FDc, x, y);
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  RealizePen();
  RealizeBrush();
  Platform.Polygon(FDc, points.data(), static_cast<int>(points.size()));
}

void TCanvas::RoundRect(const TRect& rect, int cornerWidth, int cornerHeight) {
  RealizePen();
  RealizeBrush();
  Platform.RoundRect(FDc, rect, cornerWidth, cornerHeight);
}

void TCanvas::ExcludeClipRect(const TRect& rect) { Platform.ExcludeClipRect(FDc, rect); }

void TCanvas::TextOut(int x, int y, const std::u16string& text) {
  RealizeTextColors();
  Platform.ExtTextOutW(FDc, x, y, 0, nullptr, text);
}

int TCanvas::DrawText(const std::u16string& text, TRect& rect, UINT format) {
  RealizeTextColors();
  return Platform.DrawTextW(FDc, text, rect, format);
}

TSize TCanvas::TextExtent(const std::u16string& text) {
  RealizeFont();
  TSize size;
  Platform.GetTextExtentPoint32W(FDc, text, size);
  return size;
}

TTextMetric TCanvas::TextMetric() {
  RealizeFont();
  TTextMetric m;
  Platform.GetTextMetricsW(FDc, m);
  return m;
}

void TCanvas::Draw(int x, int y, HICON icon, int cx, int cy) {
  if (icon) Platform.DrawIconEx(FDc, x, y, icon, cx, cy, win::DI_NORMAL);
}

void TCanvas::DrawEdge(const TRect& rect, UINT edge, UINT flags) {
  TRect r = rect;
  Platform.DrawEdge(FDc, r, edge, flags);
}

void TCanvas::DrawFocusRect(const TRect& rect) {
  // The focus rectangle is drawn in the text colours.
  RealizeTextColors();
  Platform.DrawFocusRect(FDc, rect);
}

HDC TCanvas::PreparedHandle() {
  RealizePen();
  RealizeBrush();
  RealizeTextColors();
  return FDc;
}

DWORD ColorToRGB(TPlatform& platform, DWORD color) {
  if ((color & 0xFF000000u) == 0xFF000000u) return platform.GetSysColor(static_cast<int>(color & 0xFF));
  return color & 0x00FFFFFFu;
}

}  // namespace lensoro

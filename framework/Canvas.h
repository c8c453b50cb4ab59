// Colours, fonts and the canvas the controls paint on, over the platform's
// GDI calls. A canvas creates the pens, brushes and fonts its drawing needs
// when they are first used after a change, and deletes them when it goes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Platform.h"

namespace lensoro {

// 0x00BBGGRR; a top byte of FF names a system colour (COLOR_* in the low byte).
using TColor = DWORD;
constexpr TColor clBlack = 0x000000u, clWhite = 0xFFFFFFu, clNone = 0x1FFFFFFFu;
constexpr TColor clWindow = 0xFF000005u, clWindowText = 0xFF000008u, clHighlight = 0xFF00000Du,
                 clHighlightText = 0xFF00000Eu, clBtnFace = 0xFF00000Fu, clBtnShadow = 0xFF000010u,
                 clGrayText = 0xFF000011u, clBtnText = 0xFF000012u, clBtnHighlight = 0xFF000014u,
                 clHotLight = 0xFF00001Au;
// The RGB value (0x00BBGGRR) drawing takes for a TColor; system colours
// (top byte FF) are looked up.
DWORD ColorToRGB(TPlatform& platform, DWORD color);

using TFontStyles = unsigned;
constexpr TFontStyles fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8;

// A font description; Height is in pixels (negative: the character height,
// as LOGFONT), Size in points at the font's pixels per inch.
class TFont {
 public:
  std::function<void()> OnChange;

  int Height() const { return FHeight; }
  int Size() const;
  TColor Color() const { return FColor; }
  TFontStyles Style() const { return FStyle; }
  int PixelsPerInch() const { return FPixelsPerInch; }

  void SetName(const std::u16string& name);
  void SetHeight(int height);
  void SetSize(int points);
  void SetColor(TColor color);
  void SetStyle(TFontStyles style);
  void SetPixelsPerInch(int ppi) { FPixelsPerInch = ppi > 0 ? ppi : 96; }
  // Takes the face, height and style of a system font (colour unchanged).
  void AssignLogFont(const TLogFont& font);
  // Everything but OnChange; one change notification.
  void Assign(const TFont& other);
  TLogFont LogFont() const;
  bool SameAs(const TFont& other) const {
    return FName == other.FName && FHeight == other.FHeight && FColor == other.FColor && FStyle == other.FStyle;
  }

 private:
  void Changed() {
    if (OnChange) OnChange();
  }
  std::u16string FName = u"Tahoma";
  int FHeight = -11;  // 8 pt at 96 DPI
  TColor FColor = clWindowText;
  TFontStyles FStyle = 0;
  int FPixelsPerInch = 96;
};

struct TPen {
  TColor Color = clBlack;
  int Width = 1;
};

struct TBrush {
  TColor Color = clWhite;
  bool Clear = false;  // hollow: fills nothing, text has no background
};

// Drawing on a device context. The canvas does not own the DC.
class TCanvas {
 public:
  TCanvas(TPlatform& platform, HDC dc);
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TPlatform& Platform;
  HDC Handle() const { return FDc; }
  TPen Pen;
  TBrush Brush;
  TFont Font;

  void FillRect(const TRect& rect);
  void FrameRect(const TRect& rect);  // one pixel, in the brush's colour
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Polygon(const std::vector<TPoint>& points);  // outlined with the pen, filled with the brush
  void RoundRect(const TRect& rect, int cornerWidth, int cornerHeight);  // the same
  void ExcludeClipRect(const TRect& rect);
  void TextOut(int x, int y, const std::u16string& text);
  // DrawTextW; returns the text's height (DT_CALCRECT: the rectangle grows to the text).
  int DrawText(const std::u16string& text, TRect& rect, UINT format);
  TSize TextExtent(const std::u16string& text);
  int TextWidth(const std::u16string& text) { return TextExtent(text).Cx; }
  int TextHeight(const std::u16string& text) { return TextExtent(text).Cy; }
  TTextMetric TextMetric();
  // Draws an icon at its size (cx, cy) or the system's default size (0, 0).
  void Draw(int x, int y, HICON icon, int cx = 0, int cy = 0);
  void DrawEdge(const TRect& rect, UINT edge, UINT flags);
  void DrawFocusRect(const TRect& rect);
  // For calls the canvas does not wrap (theme parts, for one): the DC with
  // the current pen, brush and font selected.
  HDC PreparedHandle();

 private:
  void RealizePen();
  HGDIOBJ RealizeBrush();  // 0 for a clear brush
  void RealizeFont();
  void RealizeTextColors();
  void Select(HGDIOBJ& slot, HGDIOBJ object);

  HDC FDc;
  HGDIOBJ FPen = 0, FBrush = 0, FFont = 0;  // ours, selected
  HGDIOBJ FOldPen = 0, FOldBrush = 0, FOldFont = 0;
  TPen FPenMade;
  TColor FBrushMade = 0;
  TFont FFontMade;
  bool FFontValid = false;
};

}  // namespace lensoro

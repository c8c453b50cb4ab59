// The simulated GDI: device contexts of windows, pens, brushes and fonts, and
// a paint log per window of every drawing call. Text is measured with a
// fixed-pitch model of the font: each character is the font's average width
// (one more when bold), a line is the font's line height.
#include <algorithm>

#include "SimDesktop.h"

namespace lensoro::sim {

namespace {

constexpr HGDIOBJ StockPen = 0x01B00017, StockBrush = 0x01900010, StockFont = 0x018A0021;

int EmHeight(const TLogFont& f) {
  if (f.Height < 0) return -f.Height;
  if (f.Height > 0) return std::max(1, f.Height * 4 / 5);  // a cell height includes the leading
  return 12;
}

TTextMetric MetricOf(const TLogFont& f) {
  TTextMetric m;
  const int em = EmHeight(f);
  m.InternalLeading = (em + 3) / 4;
  m.Height = em + m.InternalLeading;
  m.Descent = (m.Height + 3) / 4;
  m.Ascent = m.Height - m.Descent;
  m.AveCharWidth = std::max(1, (em * 7 + 6) / 12) + (f.Weight >= win::FW_BOLD ? 1 : 0);
  return m;
}

// The lines of a text as DrawTextW breaks it (at line ends only).
std::vector<std::u16string> LinesOf(const std::u16string& text, UINT format) {
  if (format & win::DT_SINGLELINE) return {text};
  std::vector<std::u16string> lines(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    if (text[i] == u'\n' || text[i] == u'\r') {
      lines.emplace_back();
    } else {
      lines.back() += text[i];
    }
  }
  return lines;
}

}  // namespace

// --- Device contexts --------------------------------------------------------------------

HDC TSimDesktop::NewDc(HWND wnd) {
  const HDC dc = FNextDc;
  FNextDc += 4;
  FPaintDcs.push_back({dc, wnd});
  FDcStates[dc] = {};
  return dc;
}

void TSimDesktop::ReleaseDcOf(HDC dc) {
  FPaintDcs.erase(std::remove_if(FPaintDcs.begin(), FPaintDcs.end(), [dc](const TPaintDc& p) { return p.Dc == dc; }),
                  FPaintDcs.end());
  FDcStates.erase(dc);
}

TSimWindow* TSimProcess::PaintTarget(HDC dc, TSimDcState*& state) {
  for (const auto& p : FDesktop.FPaintDcs) {
    if (p.Dc != dc) continue;
    TSimWindow* w = FDesktop.Window(p.Wnd);
    if (!w) break;
    state = &FDesktop.FDcStates[dc];  // the erase DC of Paint gets its state here
    return w;
  }
  LastError = win::ERROR_INVALID_HANDLE;
  return nullptr;
}

void TSimProcess::Record(HDC dc, TSimPaintOp op) {
  TSimDcState* s = nullptr;
  if (TSimWindow* w = PaintTarget(dc, s)) w->PaintLog.push_back(std::move(op));
}

HDC TSimProcess::BeginPaint(HWND wnd, TPaintStruct& paint) {
  Log("BeginPaint", wnd);
  paint = {};
  if (Injected("BeginPaint")) return 0;
  TSimWindow* w = Need(wnd);
  if (!w) return 0;
  paint.Dc = FDesktop.NewDc(wnd);
  paint.Paint = TSimDesktop::ClientRect(*w);
  w->UpdatePending = false;
  if (w->ErasePending) {
    // The background first, on the paint DC; Erase tells whether it is still to do.
    w->ErasePending = false;
    paint.Erase = FDesktop.Send(wnd, win::WM_ERASEBKGND, static_cast<WPARAM>(paint.Dc), 0) ? 0 : 1;
  }
  return paint.Dc;
}

bool TSimProcess::EndPaint(HWND wnd, const TPaintStruct& paint) {
  Log("EndPaint", wnd);
  FDesktop.ReleaseDcOf(paint.Dc);
  return true;
}

HDC TSimProcess::WindowDc(const char* name, HWND wnd) {
  Log(name, wnd);
  if (Injected(name)) return 0;
  if (!Need(wnd)) return 0;
  return FDesktop.NewDc(wnd);
}

HDC TSimProcess::GetDC(HWND wnd) { return WindowDc("GetDC", wnd); }

int TSimProcess::ReleaseDC(HWND wnd, HDC dc) {
  Log("ReleaseDC", wnd, static_cast<std::int64_t>(dc));
  const bool known = FDesktop.FDcStates.count(dc) != 0;
  FDesktop.ReleaseDcOf(dc);
  return known ? 1 : 0;
}

// --- Objects ---------------------------------------------------------------------------------

static const TSimGdiObject* TSimDesktopGdiStock(HGDIOBJ object) {
  static const TSimGdiObject pen{TSimGdiObject::Pen, 0x000000, win::PS_SOLID, 1, {}, 0};
  static const TSimGdiObject brush{TSimGdiObject::Brush, 0xFFFFFF, 0, 0, {}, 0};
  static const TSimGdiObject font = [] {
    TSimGdiObject f{TSimGdiObject::Font, 0, 0, 0, {}, 0};
    f.LogFont.Height = -16;
    f.LogFont.Weight = win::FW_BOLD;  // the System font
    return f;
  }();
  if (object == StockPen) return &pen;
  if (object == StockBrush) return &brush;
  if (object == StockFont) return &font;
  return nullptr;
}

namespace {
HGDIOBJ AddObject(std::map<HGDIOBJ, TSimGdiObject>& objects, HGDIOBJ& next, TSimGdiObject o) {
  const HGDIOBJ h = next;
  next += 4;
  objects[h] = std::move(o);
  return h;
}
}  // namespace

HGDIOBJ TSimProcess::CreatePen(int style, int width, DWORD color) {
  Log("CreatePen", style, width, color);
  if (Injected("CreatePen")) return 0;
  return AddObject(FDesktop.FGdiObjects, FDesktop.FNextGdiObject,
                   {TSimGdiObject::Pen, color & 0x00FFFFFFu, style, width, {}, Pid});
}

HGDIOBJ TSimProcess::CreateSolidBrush(DWORD color) {
  Log("CreateSolidBrush", color);
  if (Injected("CreateSolidBrush")) return 0;
  return AddObject(FDesktop.FGdiObjects, FDesktop.FNextGdiObject,
                   {TSimGdiObject::Brush, color & 0x00FFFFFFu, 0, 0, {}, Pid});
}

HGDIOBJ TSimProcess::CreateFontIndirectW(const TLogFont& font) {
  Log("CreateFontIndirectW", font.Height, font.Weight);
  if (Injected("CreateFontIndirectW")) return 0;
  return AddObject(FDesktop.FGdiObjects, FDesktop.FNextGdiObject, {TSimGdiObject::Font, 0, 0, 0, font, Pid});
}

HGDIOBJ TSimProcess::SelectObject(HDC dc, HGDIOBJ object) {
  Log("SelectObject", static_cast<std::int64_t>(dc), static_cast<std::int64_t>(object));
  if (Injected("SelectObject")) return 0;
  TSimDcState* s = nullptr;
  if (!PaintTarget(dc, s)) return 0;
  const TSimGdiObject* o = FDesktop.GdiObject(object);
  if (!o) o = TSimDesktopGdiStock(object);
  if (!o) return Fail(win::ERROR_INVALID_HANDLE);
  HGDIOBJ* slot = o->Kind == TSimGdiObject::Pen ? &s->Pen : o->Kind == TSimGdiObject::Brush ? &s->Brush : &s->Font;
  const HGDIOBJ stock = o->Kind == TSimGdiObject::Pen     ? StockPen
                        : o->Kind == TSimGdiObject::Brush ? StockBrush
                                                          : StockFont;
  const HGDIOBJ old = *slot ? *slot : stock;
  *slot = object == stock ? 0 : object;
  return old;
}

bool TSimProcess::DeleteObject(HGDIOBJ object) {
  Log("DeleteObject", static_cast<std::int64_t>(object));
  if (Injected("DeleteObject")) return false;
  if (TSimDesktopGdiStock(object)) return true;
  if (!FDesktop.GdiObject(object)) return Fail(win::ERROR_INVALID_PARAMETER);
  // An object still selected into a DC stays: deleting it fails.
  for (const auto& [dc, s] : FDesktop.FDcStates) {
    if (s.Pen == object || s.Brush == object || s.Font == object) return false;
  }
  FDesktop.FGdiObjects.erase(object);
  return true;
}

// --- Attributes ----------------------------------------------------------------------------

DWORD TSimProcess::SetDcColor(const char* name, HDC dc, DWORD TSimDcState::*slot, DWORD color) {
  Log(name, static_cast<std::int64_t>(dc), color);
  TSimDcState* s = nullptr;
  if (!PaintTarget(dc, s)) return win::CLR_INVALID;
  const DWORD old = s->*slot;
  s->*slot = color & 0x00FFFFFFu;
  return old;
}

DWORD TSimProcess::SetTextColor(HDC dc, DWORD color) {
  return SetDcColor("SetTextColor", dc, &TSimDcState::TextColor, color);
}

DWORD TSimProcess::SetBkColor(HDC dc, DWORD color) {
  return SetDcColor("SetBkColor", dc, &TSimDcState::BkColor, color);
}

int TSimProcess::SetBkMode(HDC dc, int mode) {
  Log("SetBkMode", static_cast<std::int64_t>(dc), mode);
  TSimDcState* s = nullptr;
  if (!PaintTarget(dc, s)) return 0;
  if (mode != win::TRANSPARENT && mode != win::OPAQUE) return Fail(win::ERROR_INVALID_PARAMETER);
  const int old = s->BkMode;
  s->BkMode = mode;
  return old;
}

// --- Drawing -----------------------------------------------------------------------------------

namespace {
const TSimGdiObject& Selected(const TSimDesktop& desk, HGDIOBJ h, HGDIOBJ stock) {
  const TSimGdiObject* o = h ? desk.GdiObject(h) : nullptr;
  return o ? *o : *TSimDesktopGdiStock(stock);
}
}  // namespace

bool TSimProcess::MoveToEx(HDC dc, int x, int y) {
  Log("MoveToEx", static_cast<std::int64_t>(dc), x, y);
  TSimDcState* s = nullptr;
  if (!PaintTarget(dc, s)) return false;
  s->Position = {x, y};
  return true;
}

bool TSimProcess::LineTo(HDC dc, int x, int y) {
  Log("LineTo", static_cast<std::int64_t>(dc), x, y);
  if (Injected("LineTo")) return false;
  TSimDcState* s = nullptr;
  if (!PaintTarget(dc, s)) return false;
  TSimPaintOp op;
  op.Op = "LineTo";
  op.Rect = {s->Position.X, s->Position.Y, x, y};
  op.Color = Selected(FDesktop, s->Pen, StockPen).Color;
  s->Position = {x, y};
  Record(dc, std::move(op));
  return true;
}

bool TSimProcess::Polygon(HDC dc, const TPoint* points, int count) {
  Log("Polygon", static_cast<std::int64_t>(dc), count);
  if (Injected("Polygon")) return false;
  TSimDcState* s = nullptr;
  if (!PaintTarget(dc, s)) return false;
  if (!points || count < 2) return Fail(win::ERROR_INVALID_PARAMETER);
  TSimPaintOp op;
  op.Op = "Polygon";
  op.Points.assign(points, points + count);
  op.Color = Selected(FDesktop, s->Brush, StockBrush).Color;
  op.Flags = Selected(FDesktop, s->Pen, StockPen).Color;  // the outline's colour
  Record(dc, std::move(op));
  return true;
}

bool TSimProcess::RoundRect(HDC dc, const TRect& rect, int cornerWidth, int cornerHeight) {
  Log("RoundRect", static_cast<std::int64_t>(dc), rect.Left, rect.Top, rect.Right, rect.Bottom, cornerWidth);
  TSimDcState* s = nullptr;
  if (!PaintTarget(dc, s)) return false;
  TSimPaintOp op;
  op.Op = "RoundRect";
  op.Rect = rect;
  op.Points = {{cornerWidth, cornerHeight}};
  op.Color = Selected(FDesktop, s->Brush, StockBrush).Color;
  op.Flags = Selected(FDesktop, s->Pen, StockPen).Color;  // the outline's colour
  Record(dc, std::move(op));
  return true;
}

int TSimProcess::ExcludeClipRect(HDC dc, const TRect& rect) {
  Log("ExcludeClipRect", static_cast<std::int64_t>(dc), rect.Left, rect.Top, rect.Right, rect.Bottom);
  TSimDcState* s = nullptr;
  if (!PaintTarget(dc, s)) return 0;
  // Clipping is not modelled; the log shows what was left out.
  Record(dc, {"ExcludeClipRect", rect, 0, {}, {}, {}, 0, 0, 0});
  return 3;  // COMPLEXREGION
}

bool TSimProcess::BrushRect(const char* name, HDC dc, const TRect& rect, HGDIOBJ brush) {
  Log(name, static_cast<std::int64_t>(dc), rect.Left, rect.Top, rect.Right, rect.Bottom);
  if (Injected(name)) return false;
  TSimDcState* s = nullptr;
  if (!PaintTarget(dc, s)) return false;
  const TSimGdiObject* b = FDesktop.GdiObject(brush);
  if (!b || b->Kind != TSimGdiObject::Brush) return Fail(win::ERROR_INVALID_HANDLE);
  Record(dc, {name, rect, b->Color, {}, {}, {}, 0, 0, 0});
  return true;
}

bool TSimProcess::FillRect(HDC dc, const TRect& rect, HGDIOBJ brush) { return BrushRect("FillRect", dc, rect, brush); }
bool TSimProcess::FrameRect(HDC dc, const TRect& rect, HGDIOBJ brush) {
  return BrushRect("FrameRect", dc, rect, brush);
}

bool TSimProcess::GetTextMetricsW(HDC dc, TTextMetric& metric) {
  Log("GetTextMetricsW", static_cast<std::int64_t>(dc));
  if (Injected("GetTextMetricsW")) return false;
  TSimDcState* s = nullptr;
  if (!PaintTarget(dc, s)) return false;
  metric = MetricOf(Selected(FDesktop, s->Font, StockFont).LogFont);
  return true;
}

bool TSimProcess::GetTextExtentPoint32W(HDC dc, const std::u16string& text, TSize& size) {
  Log("GetTextExtentPoint32W", static_cast<std::int64_t>(dc), static_cast<std::int64_t>(text.size()));
  if (Injected("GetTextExtentPoint32W")) return false;
  TSimDcState* s = nullptr;
  if (!PaintTarget(dc, s)) return false;
  const TTextMetric m = MetricOf(Selected(FDesktop, s->Font, StockFont).LogFont);
  size = {static_cast<int>(text.size()) * m.AveCharWidth, m.Height};
  return true;
}

int TSimProcess::DrawTextW(HDC dc, const std::u16string& text, TRect& rect, UINT format) {
  Log("DrawTextW", static_cast<std::int64_t>(dc), static_cast<std::int64_t>(text.size()), format);
  if (Injected("DrawTextW")) return 0;
  TSimDcState* s = nullptr;
  if (!PaintTarget(dc, s)) return 0;
  const TLogFont& font = Selected(FDesktop, s->Font, StockFont).LogFont;
  const TTextMetric m = MetricOf(font);
  // Without DT_NOPREFIX an "&" marks the next character (underlined) and
  // takes no room; "&&" shows one.
  std::u16string shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!(format & win::DT_NOPREFIX) && text[i] == u'&' && i + 1 < text.size()) ++i;
    shown += text[i];
  }
  const auto lines = LinesOf(shown, format);
  std::size_t widest = 0;
  for (const auto& l : lines) widest = std::max(widest, l.size());
  const int height = static_cast<int>(lines.size()) * m.Height;
  if (format & win::DT_CALCRECT) {
    rect.Right = rect.Left + static_cast<int>(widest) * m.AveCharWidth;
    rect.Bottom = rect.Top + height;
    return height;
  }
  Record(dc, {"DrawText", rect, s->TextColor, text, {}, font, s->BkMode, format, 0});
  return height;
}

bool TSimProcess::ExtTextOutW(HDC dc, int x, int y, UINT options, const TRect* rect, const std::u16string& text) {
  Log("ExtTextOutW", static_cast<std::int64_t>(dc), x, y, options, static_cast<std::int64_t>(text.size()));
  if (Injected("ExtTextOutW")) return false;
  TSimDcState* s = nullptr;
  if (!PaintTarget(dc, s)) return false;
  const TLogFont& font = Selected(FDesktop, s->Font, StockFont).LogFont;
  const TTextMetric m = MetricOf(font);
  const TRect at = rect ? *rect : TRect{x, y, x + static_cast<int>(text.size()) * m.AveCharWidth, y + m.Height};
  TSimPaintOp op{"ExtTextOut", at, s->TextColor, text, {TPoint{x, y}}, font, s->BkMode, options, 0};
  Record(dc, std::move(op));
  return true;
}

bool TSimProcess::DrawEdge(HDC dc, TRect& rect, UINT edge, UINT flags) {
  Log("DrawEdge", static_cast<std::int64_t>(dc), edge, flags);
  if (Injected("DrawEdge")) return false;
  TSimDcState* s = nullptr;
  if (!PaintTarget(dc, s)) return false;
  Record(dc, {"DrawEdge", rect, 0, {}, {}, {}, 0, (edge << 16) | (flags & 0xFFFF), 0});
  if (flags & win::BF_ADJUST) {
    const int d = ((edge & 0x3) ? 1 : 0) + ((edge & 0xC) ? 1 : 0);
    rect = {rect.Left + d, rect.Top + d, rect.Right - d, rect.Bottom - d};
  }
  return true;
}

bool TSimProcess::DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT flags) {
  Log("DrawIconEx", static_cast<std::int64_t>(dc), x, y, static_cast<std::int64_t>(icon), flags);
  if (Injected("DrawIconEx")) return false;
  TSimDcState* s = nullptr;
  if (!PaintTarget(dc, s)) return false;
  if (icon == 0) return Fail(win::ERROR_INVALID_HANDLE);
  const int w = cx ? cx : 32, h = cy ? cy : 32;
  Record(dc, {"DrawIcon", {x, y, x + w, y + h}, 0, {}, {}, {}, 0, flags, icon});
  return true;
}

bool TSimProcess::DrawFocusRect(HDC dc, const TRect& rect) {
  Log("DrawFocusRect", static_cast<std::int64_t>(dc), rect.Left, rect.Top, rect.Right, rect.Bottom);
  if (Injected("DrawFocusRect")) return false;
  TSimDcState* s = nullptr;
  if (!PaintTarget(dc, s)) return false;
  Record(dc, {"DrawFocusRect", rect, 0, {}, {}, {}, 0, 0, 0});
  return true;
}

}  // namespace lensoro::sim

#include "RsSpinEdit.h"

#include <algorithm>
#include <cmath>

#include "MessageParams.h"
#include "Numeric.h"

namespace lensoro {

namespace {

std::u16string Trimmed(const std::u16string& text) {
  const std::size_t first = text.find_first_not_of(u" \t");
  if (first == std::u16string::npos) return {};
  return text.substr(first, text.find_last_not_of(u" \t") - first + 1);
}

void AppendDigits(std::u16string& out, std::uint64_t v, int minDigits, unsigned base) {
  char16_t buffer[24];
  int n = 0;
  do {
    const unsigned d = static_cast<unsigned>(v % base);
    buffer[n++] = static_cast<char16_t>(d < 10 ? u'0' + d : u'A' + (d - 10));
    v /= base;
  } while (v != 0 || n < minDigits);
  while (n > 0) out += buffer[--n];
}

// Fixed-point text with `places` decimals (at most 18), halves to even.
std::u16string FixedText(long double value, int places, const std::u16string& separator) {
  const long double magnitude = std::fabs(value);
  // Beyond 18 integer digits fixed notation would only show noise.
  if (magnitude >= 1e18L) return FloatToText(static_cast<double>(value), separator);
  std::uint64_t whole = 0, fraction = 0;
  if (places == 0) {
    whole = static_cast<std::uint64_t>(RoundHalfEven64(magnitude));
  } else {
    std::uint64_t scale = 1;
    for (int i = 0; i < places; ++i) scale *= 10;
    const long double intPart = std::truncl(magnitude);
    whole = static_cast<std::uint64_t>(intPart);
    // whole * scale is even, so the fraction alone decides the tie.
    fraction = static_cast<std::uint64_t>(RoundHalfEven64((magnitude - intPart) * static_cast<long double>(scale)));
    if (fraction >= scale) ++whole, fraction -= scale;
  }
  std::u16string text;
  if (value < 0 && (whole != 0 || fraction != 0)) text += u'-';
  AppendDigits(text, whole, 1, 10);
  if (places > 0) {
    text += separator;
    AppendDigits(text, fraction, places, 10);
  }
  return text;
}

}  // namespace

bool TryTextToInt64(const std::u16string& raw, std::int64_t& value) {
  const std::u16string text = Trimmed(raw);
  const std::size_t n = text.size();
  std::size_t i = 0;
  bool negative = false;
  if (i < n && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  bool hex = false;
  if (i < n && text[i] == u'$') {
    hex = true, i += 1;
  } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    hex = true, i += 2;
  }
  if (i == n) return false;
  std::uint64_t v = 0;
  if (hex) {
    if (n - i > 16) return false;
    for (; i < n; ++i) {
      const char16_t c = text[i];
      unsigned d = 0;
      if (c >= u'0' && c <= u'9') d = c - u'0';
      else if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
      else if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
      else return false;
      v = v * 16 + d;
    }
    const auto pattern = static_cast<std::int64_t>(v);
    value = negative ? static_cast<std::int64_t>(0 - v) : pattern;
    return true;
  }
  const std::uint64_t limit = negative ? 9223372036854775808ull : 9223372036854775807ull;
  for (; i < n; ++i) {
    if (text[i] < u'0' || text[i] > u'9') return false;
    const unsigned d = text[i] - u'0';
    if (v > (limit - d) / 10) return false;
    v = v * 10 + d;
  }
  value = negative ? static_cast<std::int64_t>(0 - v) : static_cast<std::int64_t>(v);
  return true;
}

void TRsSpinValue::SetValueKind(TRsValueKind kind) {
  FValueKind = kind;
  if (kind != vkFloat) {
    Increment = std::nearbyintl(Increment);
    if (Increment == 0) Increment = 1;
  }
}

bool TRsSpinValue::IsAcceptedChar(char16_t c) const {
  switch (c) {
    case 0x03: case 0x08: case 0x0D: case 0x16: case 0x18:
    case u'+': case u'-':
      return true;
    default:
      break;
  }
  if (c >= u'0' && c <= u'9') return true;
  switch (FValueKind) {
    case vkFloat:
      // The locale's separator is taken even beyond Latin-1 (Arabic has
      // U+066B), or such users could not type a fraction at all.
      return DecimalSeparator.find(c) != std::u16string::npos || OtherSeparators.find(c) != std::u16string::npos;
    case vkHex:
      return c == u'$' || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
    case vkInt:
      break;
  }
  return false;
}

long double TRsSpinValue::Read(const std::u16string& text) {
  if (FValueKind == vkFloat) {
    double v = 0;
    std::u16string read = Trimmed(text);
    if (!OtherSeparators.empty()) {
      std::u16string same;
      for (const char16_t c : read) {
        if (OtherSeparators.find(c) != std::u16string::npos && DecimalSeparator.find(c) == std::u16string::npos) {
          same += DecimalSeparator;
        } else {
          same += c;
        }
      }
      read = std::move(same);
    }
    if (TryTextToFloat(read, DecimalSeparator, v)) FValueFloat = v;
    return FValueFloat;
  }
  std::int64_t v = 0;
  if (TryTextToInt64(text, v)) FValueInt = v;
  return static_cast<long double>(FValueInt);
}

long double TRsSpinValue::ClampValue(long double value) const {
  if (MaxValue == MinValue) return value;
  if (value < MinValue) return MinValue;
  if (value > MaxValue) return MaxValue;
  return value;
}

std::u16string TRsSpinValue::Format(long double value) {
  // A step beyond the largest long double would leave no number to show.
  if (!std::isfinite(value)) value = FValueFloat;
  const long double clamped = ClampValue(value);
  FValueFloat = clamped;
  FValueInt = RoundHalfEven64(clamped);
  std::u16string text;
  text.reserve(24);
  if (ShowPlusSign && clamped > 0) text += u'+';
  switch (FValueKind) {
    case vkFloat:
      text += FixedText(clamped, DecimalPlaces > 18 ? 18 : DecimalPlaces, DecimalSeparator);
      break;
    case vkInt:
      if (FValueInt < 0) text += u'-';
      AppendDigits(text, FValueInt < 0 ? 0 - static_cast<std::uint64_t>(FValueInt) : FValueInt, 1, 10);
      break;
    case vkHex:
      text += u'$';
      AppendDigits(text, static_cast<std::uint64_t>(FValueInt), 1, 16);
      break;
  }
  return text;
}

void TRsSpinField::SetValueKind(TRsValueKind kind) {
  // Read with the old kind, so "7.5" becomes 8 and "$FF" stays 255.
  const long double value = Value();
  FValue.SetValueKind(kind);
  SetValue(value);
}

void TRsSpinField::SetDecimalPlaces(std::uint8_t places) {
  const long double value = Value();
  FValue.DecimalPlaces = places;
  SetValue(value);
}

void TRsSpinField::SetShowPlusSign(bool show) {
  const long double value = Value();
  FValue.ShowPlusSign = show;
  SetValue(value);
}

void TRsSpinField::SetDecimalSeparator(const std::u16string& separator) {
  FValue.DecimalSeparator = separator.empty() ? std::u16string(u".") : separator;
}

void TRsSpinField::UpClick() {
  if (!IsReadOnly()) SetValue(FValue.Step(GetText(), true));
}

void TRsSpinField::DownClick() {
  if (!IsReadOnly()) SetValue(FValue.Step(GetText(), false));
}

bool TRsSpinField::KeyDown(int virtualKey, bool shift, bool ctrl, bool alt) {
  if (shift || alt) return false;
  if (ctrl) {
    if (virtualKey != 'A') return false;
    SelectAll();
    return true;
  }
  if (virtualKey == win::VK_UP) {
    UpClick();
  } else if (virtualKey == win::VK_DOWN) {
    DownClick();
  } else {
    return false;
  }
  return true;
}

void TRsSpinField::MouseWheel(int delta) {
  if (delta > 0) {
    UpClick();
  } else {
    DownClick();
  }
}

TRect SpinButtonBounds(TRsSpinStyle style, bool themed, int W, int H, int w) {
  int left = 0, top = 0, height = H;
  switch (style) {
    case rssSingle:
      if (themed) {
        left = W - 3 - w, top = -1, height = H - 2;
      } else {
        left = W - 4 - w, height = H - 4;
      }
      break;
    case rssNone:
      left = W - w;
      break;
    case rssFlat:
      left = W - 2 - w, height = H - 2;
      break;
  }
  return {left, top, left + w, top + height};
}

int SpinBorderAllowance(TRsSpinStyle style, int systemBorderHeight) {
  switch (style) {
    case rssSingle: return 2 * systemBorderHeight;
    case rssNone: return 0;
    case rssFlat: return 1;
  }
  return 0;
}

TRect SpinTextRect(const TRect& client, int lineHeight, int buttonWidth, bool buttonVisible) {
  TRect r = client;
  r.Top += RoundHalfEven((client.Height() - lineHeight) / 2.0L);
  r.Right -= buttonVisible ? buttonWidth + 2 : 2;
  return r;
}

}  // namespace lensoro

namespace lensoro {

// --- TRsSpinEdit ------------------------------------------------------------------------

TRsSpinEdit::TRsSpinEdit(TWinControl* parent) : TEdit(parent), FUpDownButton(parent) {
  SetBoundsPx({0, 0, 121, 23});
  SetDecimalSeparator(FPlatform.GetLocaleDecimalSeparator());
  FUpDownButton.FocusControl = this;
  FUpDownButton.OnUpClick = [this](TRsUpDownButton&) { UpClick(); };
  FUpDownButton.OnDownClick = [this](TRsUpDownButton&) { DownClick(); };
  SetValue(0);
  Layout();
}

void TRsSpinEdit::SetSpinStyle(TRsSpinStyle style) {
  if (style == FSpinStyle) return;
  FSpinStyle = style;
  if (HandleAllocated()) RecreateWnd();
  Layout();
}

void TRsSpinEdit::SetButtonVisible(bool visible) {
  if (visible == FButtonVisible) return;
  FButtonVisible = visible;
  FUpDownButton.SetVisible(visible);
  Layout();
}

void TRsSpinEdit::CreateParams(TCreateWindowParams& params) {
  TEdit::CreateParams(params);
  params.Style |= win::ES_RIGHT;
  // No WS_BORDER for the flat style: an edit takes that bit off and draws
  // the line round its client area, which is only the centred text line.
  if (FSpinStyle != rssSingle) params.ExStyle &= ~win::WS_EX_CLIENTEDGE;
}

void TRsSpinEdit::CreateWnd() {
  TEdit::CreateWnd();
  FPlatform.ImmDisableForWindow(Handle());
  Layout();
}

void TRsSpinEdit::FrameChanged() {
  if (!HandleAllocated()) return;
  FPlatform.SetWindowPos(
      Handle(), 0, 0, 0, 0, 0,
      win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOZORDER | win::SWP_NOACTIVATE | win::SWP_FRAMECHANGED);
}

int TRsSpinEdit::ArrowPairWidth() const {
  // As wide as a vertical scroll bar at the form's DPI, as the system's own
  // spin buttons are.
  const int w = SystemMetric(win::SM_CXVSCROLL);
  return w > 0 ? w : FUpDownButton.Width();
}

void TRsSpinEdit::Layout() {
  const int w = ArrowPairWidth();
  // The table places the arrows in the field's client area; the frame of
  // each style moves that area in from the window's edge.
  const int frame = FSpinStyle == rssSingle ? 2 : (FSpinStyle == rssFlat ? 1 : 0);
  const bool themed = FPlatform.IsThemeActive();
  TRect r = SpinButtonBounds(FSpinStyle, themed, Width(), Height(), w);
  r.Left += Left() + frame, r.Right += Left() + frame;
  r.Top += Top() + frame, r.Bottom += Top() + frame;
  FUpDownButton.SetBoundsPx(r);
  FrameChanged();
  if (HandleAllocated()) {
    const int right = FButtonVisible ? w + 2 : 2;
    FPlatform.SendMessageW(Handle(), win::EM_SETMARGINS, win::EC_RIGHTMARGIN, MakeLParam(0, right));
  }
}

void TRsSpinEdit::BoundsChanged() {
  TEdit::BoundsChanged();
  Layout();
}

void TRsSpinEdit::EnabledChanged() {
  TEdit::EnabledChanged();
  FUpDownButton.SetEnabled(Enabled());
}

void TRsSpinEdit::FontChanged() {
  TEdit::FontChanged();
  TControlCanvas canvas(*this);
  if (!canvas) return;
  const int line = canvas->TextMetric().Height;
  const int allowance = SpinBorderAllowance(FSpinStyle, FPlatform.GetSystemMetrics(win::SM_CYBORDER));
  if (Height() - 2 * allowance < line) SetBoundsPx({Left(), Top(), Left() + Width(), Top() + line + 2 * allowance});
}

// The flat style's frame: one pixel in the button-shadow colour where the
// border would be.
void TRsSpinEdit::PaintFlatFrame() {
  const HDC dc = FPlatform.GetWindowDC(Handle());
  if (!dc) return;
  {
    TCanvas canvas(FPlatform, dc);
    canvas.Brush.Color = clBtnShadow;
    canvas.FrameRect({0, 0, Width(), Height()});
  }
  FPlatform.ReleaseDC(Handle(), dc);
}

int TRsSpinEdit::LineHeight() {
  TControlCanvas canvas(*this);
  const int h = canvas ? canvas->TextMetric().Height : 0;
  return h > 0 ? h : (Font().Height() < 0 ? -Font().Height() : Font().Height());
}

// The rows above and below the centred line belong to the frame now: they
// get the field's colour, inside the border.
void TRsSpinEdit::PaintLineMargins() {
  if (FLineTop <= 0 && FLineHeight <= 0) return;
  const HDC dc = FPlatform.GetWindowDC(Handle());
  if (!dc) return;
  {
    TCanvas canvas(FPlatform, dc);
    canvas.Brush.Color = Color();
    const int top = FFrameTop, left = FFrameTop, right = Width() - FFrameTop, bottom = Height() - FFrameTop;
    canvas.FillRect({left, top, right, top + FLineTop});
    canvas.FillRect({left, top + FLineTop + FLineHeight, right, bottom});
  }
  FPlatform.ReleaseDC(Handle(), dc);
}

LRESULT TRsSpinEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case win::WM_CHAR:
      if (!AcceptsChar(static_cast<char16_t>(wParam))) return 0;
      break;
    case win::WM_CUT:
    case win::WM_PASTE:
      if (ReadOnly()) return 0;
      break;
    case win::WM_KEYDOWN: {
      std::uint16_t key = static_cast<std::uint16_t>(wParam);
      const TShiftState shift = KeyShiftState();
      if (!DoKeyDown(key, shift)) return 0;
      const LRESULT r = DefaultHandler(msg, key, lParam);
      TRsSpinField::KeyDown(key, (shift & ssShift) != 0, (shift & ssCtrl) != 0, (shift & ssAlt) != 0);
      return r;
    }
    case win::WM_MOUSEWHEEL:
      MouseWheel(WheelDeltaFromWParam(wParam));
      return 0;
    case win::WM_SETFOCUS: {
      // A click places the caret itself; Tab selects the whole value.
      const bool byMouse = MousePressed();
      const LRESULT r = TEdit::WndProc(msg, wParam, lParam);
      if (AutoSelect && !byMouse) SelectAll();
      return r;
    }
    case win::WM_KILLFOCUS: {
      const LRESULT r = TEdit::WndProc(msg, wParam, lParam);
      Exit();
      return r;
    }
    case win::WM_CONTEXTMENU:
      if (!DefaultContextMenuEnabled && !OnContextPopup) return 0;
      break;
    case win::WM_NCCALCSIZE: {
      const LRESULT r = TEdit::WndProc(msg, wParam, lParam);
      if (lParam) {
        // One text line in the middle of what the border leaves; the flat
        // frame takes one pixel on each side.
        auto* rect = reinterpret_cast<TRect*>(lParam);
        if (FSpinStyle == rssFlat) *rect = {rect->Left + 1, rect->Top + 1, rect->Right - 1, rect->Bottom - 1};
        const TRect line = SpinTextRect(*rect, LineHeight(), 0, false);
        FLineTop = line.Top - rect->Top;
        FLineHeight = std::min(LineHeight(), rect->Bottom - line.Top);
        FFrameTop = rect->Top - Top();
        rect->Top = line.Top;
        rect->Bottom = line.Top + FLineHeight;
      }
      return r;
    }
    case win::WM_NCPAINT: {
      LRESULT r = 0;
      if (FSpinStyle == rssFlat) {
        PaintFlatFrame();
      } else {
        r = TEdit::WndProc(msg, wParam, lParam);
      }
      PaintLineMargins();
      return r;
    }
    default:
      break;
  }
  return TEdit::WndProc(msg, wParam, lParam);
}

}  // namespace lensoro

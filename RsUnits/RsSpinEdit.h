// RsSpinEdit: a numeric edit field with an arrow pair at its right edge.
//
// The value rules live in TRsSpinValue, which knows nothing of windows: which
// characters may be typed, how the text reads as a value (falling back to the
// last good value), how a value is clamped, rounded and written back, and how
// a step is taken from whatever the user typed.
//
//   TRsSpinValue rate;
//   rate.SetValueKind(vkFloat);
//   rate.DecimalPlaces = 1;
//   rate.Increment = 0.1L;
//   rate.MinValue = 1.3L, rate.MaxValue = 8.0L;
//   std::u16string text = rate.Format(9);        // "8.0": clamped
//   text = rate.Format(rate.Step(u"7.95", true)); // "8.0"
//   long double v = rate.Read(u"abc");           // 8.0: the last good value
#pragma once

#include <cstdint>
#include <string>

#include "Controls.h"
#include "Numeric.h"
#include "Platform.h"
#include "RsUpDownButton.h"

namespace lensoro {

enum TRsValueKind : std::uint8_t { vkFloat, vkInt, vkHex };
enum TRsSpinStyle : std::uint8_t { rssSingle, rssNone, rssFlat };

class TRsSpinValue {
 public:
  std::uint8_t DecimalPlaces = 4;
  long double Increment = 1.0L;
  // Equal bounds mean no range at all.
  long double MinValue = 0.0L;
  long double MaxValue = 0.0L;
  bool ShowPlusSign = false;
  // The user's locale's; "." when the platform gives none.
  std::u16string DecimalSeparator = u".";
  // Characters also taken as the decimal separator when typed or read
  // ("," where the field shows "."); the text shows DecimalSeparator.
  std::u16string OtherSeparators;

  TRsValueKind ValueKind() const { return FValueKind; }
  // Integer kinds step by whole numbers: the increment is rounded, and never 0.
  void SetValueKind(TRsValueKind kind);

  // Whether a typed character may reach the field (control characters for
  // copy, backspace, return, paste and cut always may).
  bool IsAcceptedChar(char16_t c) const;

  // The value the text stands for; text that does not read as a number of
  // the kind gives the last good value. A good reading becomes the last good
  // value.
  long double Read(const std::u16string& text);
  // Clamps and stores the value and returns the text that shows it.
  std::u16string Format(long double value);
  // The value of the text one increment up or down (not yet clamped; Format
  // does that).
  long double Step(const std::u16string& text, bool up) { return Read(text) + (up ? Increment : -Increment); }

  long double ClampValue(long double value) const;
  long double ValueFloat() const { return FValueFloat; }
  std::int64_t ValueInt() const { return FValueInt; }

 private:
  long double FValueFloat = 0.0L;
  std::int64_t FValueInt = 0;
  TRsValueKind FValueKind = vkInt;
};

// The spin edit's behaviour on its text, whatever window shows it: the
// properties that re-format the text, the steps of the buttons, the Up and
// Down keys and the wheel, the filter of typed characters and the clean-up
// on leaving the field. The window part supplies the text.
class TRsSpinField {
 public:
  virtual ~TRsSpinField() = default;

  // The value the text stands for (the last good one when it reads as none).
  long double Value() { return FValue.Read(GetText()); }
  std::int64_t AsInteger() { return RoundHalfEven64(Value()); }
  // Clamped, rounded for the integer kinds, and shown.
  void SetValue(long double value) { SetText(FValue.Format(value)); }

  TRsValueKind ValueKind() const { return FValue.ValueKind(); }
  void SetValueKind(TRsValueKind kind);
  void SetDecimalPlaces(std::uint8_t places);
  void SetShowPlusSign(bool show);
  long double Increment() const { return FValue.Increment; }
  void SetIncrement(long double step) { FValue.Increment = step; }
  long double MinValue() const { return FValue.MinValue; }
  void SetMinValue(long double v) { FValue.MinValue = v; }
  long double MaxValue() const { return FValue.MaxValue; }
  void SetMaxValue(long double v) { FValue.MaxValue = v; }
  void SetDecimalSeparator(const std::u16string& separator);
  void SetOtherSeparators(const std::u16string& separators) { FValue.OtherSeparators = separators; }

  // One increment up or down from what the field shows; nothing when read-only.
  virtual void UpClick();
  virtual void DownClick();

  // Input, as the window receives it. A refused character is dropped.
  bool AcceptsChar(char16_t c) const { return FValue.IsAcceptedChar(c); }
  // True when the key was the field's (a step, or Ctrl+A selecting all).
  bool KeyDown(int virtualKey, bool shift, bool ctrl, bool alt);
  // One step per wheel message, whatever its size.
  void MouseWheel(int delta);
  // Leaving the field shows the value it stands for, clamped and normalised.
  void Exit() { Reformat(); }

 protected:
  virtual std::u16string GetText() = 0;
  virtual void SetText(const std::u16string& text) = 0;
  virtual void SelectAll() = 0;
  virtual bool IsReadOnly() const = 0;

 private:
  // Reads the value and shows it again.
  void Reformat() { SetValue(Value()); }

  TRsSpinValue FValue;
};

// A signed 64-bit integer: decimal, or hexadecimal after "$", "0x" or "0X"
// (up to 16 digits, taken as the 64-bit pattern, so "$FFFFFFFFFFFFFFFF" is
// -1 and reads back what Format writes). A sign may come first; blanks
// around the number are ignored.
bool TryTextToInt64(const std::u16string& text, std::int64_t& value);

// Where the arrow pair sits in the field's client area (left, top, right,
// bottom), for a field of W x H and an arrow pair w wide.
TRect SpinButtonBounds(TRsSpinStyle style, bool themed, int W, int H, int w);
// The extra height a font change must leave around the text line, per side.
int SpinBorderAllowance(TRsSpinStyle style, int systemBorderHeight);
// The text line inside a client rectangle: vertically centred, and stopping
// before the arrow pair (w wide; 0 when the buttons are hidden).
TRect SpinTextRect(const TRect& client, int lineHeight, int buttonWidth, bool buttonVisible);

// The spin edit: a right-aligned edit with the arrow pair over its right
// edge. The arrow pair is a sibling window kept on top of the edit (the
// layer's edits hold no children), placed from the layout table.
//
//   TRsSpinEdit rate(&form);
//   rate.SetBounds(8, 22, 75, 23);
//   rate.SetValueKind(vkFloat);
//   rate.SetDecimalPlaces(1);
//   rate.SetIncrement(0.1L);
//   rate.SetMinValue(1.3L);
//   rate.SetMaxValue(8.0L);
//   rate.SetValue(2.0L);
//   rate.OnChange = [&](TControl&) { loupe.SetLoupeRate(float(rate.Value())); };
class TRsSpinEdit : public TEdit, public TRsSpinField {
 public:
  explicit TRsSpinEdit(TWinControl* parent);

  TRsSpinStyle SpinStyle() const { return FSpinStyle; }
  void SetSpinStyle(TRsSpinStyle style);
  void SetButtonVisible(bool visible);
  bool AutoSelect = true;
  bool DefaultContextMenuEnabled = false;
  std::function<void(TControl&)> OnUpdate;  // declared for designers; never raised
  TRsUpDownButton& UpDownButton() { return FUpDownButton; }

  void SetText(const std::u16string& text) override { TEdit::SetText(text); }
  void SelectAll() override { TEdit::SelectAll(); }

 protected:
  std::u16string GetText() override { return Text(); }
  bool IsReadOnly() const override { return ReadOnly(); }
  void CreateParams(TCreateWindowParams& params) override;
  void CreateWnd() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void BoundsChanged() override;
  void EnabledChanged() override;
  void FontChanged() override;
  void DpiChanged() override { Layout(); }

 private:
  int ArrowPairWidth() const;
  void Layout();
  void FrameChanged();
  void PaintFlatFrame();
  void PaintLineMargins();
  int LineHeight();

  TRsUpDownButton FUpDownButton;
  int FFrameTop = 0, FLineTop = 0, FLineHeight = 0;  // of the last frame recalculation
  TRsSpinStyle FSpinStyle = rssSingle;
  bool FButtonVisible = true;
};

}  // namespace lensoro

// The spin edit's value rules and geometry: reading typed text, clamping,
// rounding, the texts of each kind, stepping, the accepted characters, the
// arrow pair's layout and the auto-repeat of a held button.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string_view>

#include "Application.h"
#include "RsSpinEdit.h"
#include "RsUpDownButton.h"

using namespace lensoro;

namespace {

// The options dialog's rate field.
TRsSpinValue RateField() {
  TRsSpinValue v;
  v.SetValueKind(vkFloat);
  v.DecimalPlaces = 1;
  v.Increment = 0.1L;
  v.MinValue = 1.3L;
  v.MaxValue = 8.0L;
  return v;
}

// The options dialog's frame-width field.
TRsSpinValue FrameField() {
  TRsSpinValue v;
  v.MinValue = 0;
  v.MaxValue = 10;
  return v;
}

// What the field shows after the user leaves it with `typed` in it.
std::u16string Leave(TRsSpinValue& v, const std::u16string& typed) { return v.Format(v.Read(typed)); }

}  // namespace

TEST(SpinValue, RateFieldClampsTypedTextAndSteps) {
  TRsSpinValue rate = RateField();
  EXPECT_EQ(Leave(rate, u"9"), u"8.0");
  EXPECT_EQ(Leave(rate, u"1"), u"1.3");
  EXPECT_EQ(Leave(rate, u"-4"), u"1.3");
  EXPECT_EQ(Leave(rate, u"2.37"), u"2.4");
  // One step up from a typed 7.95 is 8.05, shown at the bound.
  EXPECT_EQ(rate.Format(rate.Step(u"7.95", true)), u"8.0");
  EXPECT_EQ(rate.Format(rate.Step(u"1.3", false)), u"1.3");
  EXPECT_EQ(rate.Format(rate.Step(u"4.0", true)), u"4.1");
  EXPECT_EQ(rate.Format(rate.Step(u"4.0", false)), u"3.9");
  EXPECT_EQ(rate.ValueInt(), 4);
}

TEST(SpinValue, FrameFieldStaysWithinItsRangeAndReadsOnlyIntegers) {
  TRsSpinValue frame = FrameField();
  EXPECT_EQ(frame.Format(frame.Step(u"10", true)), u"10");
  EXPECT_EQ(frame.Format(frame.Step(u"0", false)), u"0");
  EXPECT_EQ(frame.Format(frame.Step(u"7", true)), u"8");
  // A fraction is no integer: the last good value stays.
  EXPECT_EQ(frame.Read(u"7.5"), 8);
  EXPECT_EQ(Leave(frame, u"+3"), u"3");
  EXPECT_EQ(Leave(frame, u" 4 "), u"4");
  // A value set from outside is rounded, halves to even.
  EXPECT_EQ(frame.Format(2.5L), u"2");
  EXPECT_EQ(frame.Format(3.5L), u"4");
  EXPECT_EQ(frame.ValueFloat(), 3.5L);
}

TEST(SpinValue, EqualBoundsAcceptAnyValue) {
  TRsSpinValue any;
  EXPECT_EQ(any.Format(1000000), u"1000000");
  EXPECT_EQ(any.Format(-5), u"-5");
  any.MinValue = any.MaxValue = 3;
  EXPECT_EQ(any.Format(-7), u"-7");
  EXPECT_EQ(any.Format(any.Step(u"-7", false)), u"-8");
  // Unequal bounds clamp, whichever end.
  any.MaxValue = 5;
  EXPECT_EQ(any.Format(-7), u"3");
  EXPECT_EQ(any.Format(70), u"5");
}

TEST(SpinValue, TextThatIsNoNumberFallsBackToTheLastGoodValue) {
  TRsSpinValue rate = RateField();
  rate.Format(5);
  for (const char16_t* pasted : {u"abc", u"5..2", u"1,5", u"$10", u"e3", u"."}) {
    EXPECT_EQ(rate.Read(pasted), 5.0L) << std::string(pasted, pasted + 3).c_str();
  }
  // The empty field too; leaving it puts the value back.
  EXPECT_EQ(Leave(rate, u""), u"5.0");
  // A good reading becomes the fall-back for the next bad one.
  EXPECT_EQ(rate.Read(u"6.5"), 6.5L);
  EXPECT_EQ(Leave(rate, u"hello"), u"6.5");
  EXPECT_EQ(rate.Format(rate.Step(u"x", true)), u"6.6");
  // An exponent is a number.
  EXPECT_EQ(Leave(rate, u"5e0"), u"5.0");

  TRsSpinValue frame = FrameField();
  frame.Format(4);
  EXPECT_EQ(Leave(frame, u"four"), u"4");
  EXPECT_EQ(Leave(frame, u"99999999999999999999"), u"4");
}

TEST(SpinValue, HexKindShowsDollarAndUpperCaseDigits) {
  TRsSpinValue hex;
  hex.SetValueKind(vkHex);
  EXPECT_EQ(hex.Format(255), u"$FF");
  EXPECT_EQ(hex.Format(0), u"$0");
  EXPECT_EQ(hex.Format(0xABCDEF), u"$ABCDEF");
  EXPECT_EQ(hex.Read(u"$ff"), 255);
  EXPECT_EQ(hex.Read(u"0x1F"), 31);
  EXPECT_EQ(hex.Read(u"-$10"), -16);
  EXPECT_EQ(hex.Read(u"12"), 12);  // plain decimal digits read as decimal
  EXPECT_EQ(hex.Read(u"$"), 12);   // no digits after the prefix
  EXPECT_EQ(hex.Read(u"$G1"), 12);
  // A negative value is the 64-bit pattern, and reads back as itself.
  const std::u16string minusOne = hex.Format(-1);
  EXPECT_EQ(minusOne, u"$FFFFFFFFFFFFFFFF");
  EXPECT_EQ(hex.Read(minusOne), -1);
  EXPECT_EQ(hex.Read(u"$10000000000000000"), -1);  // 17 digits: no 64-bit value
  EXPECT_EQ(hex.Format(hex.Step(u"$FE", true)), u"$FF");
  hex.ShowPlusSign = true;
  EXPECT_EQ(hex.Format(16), u"+$10");
}

TEST(SpinValue, DecimalTextRoundsHalvesToEvenAndNeverShowsMinusZero) {
  TRsSpinValue v;
  v.SetValueKind(vkFloat);
  EXPECT_EQ(v.Format(0), u"0.0000");  // four places unless told otherwise
  v.DecimalPlaces = 1;
  // 5.25 and 5.75 are exact in binary: true ties.
  EXPECT_EQ(v.Format(5.25L), u"5.2");
  EXPECT_EQ(v.Format(5.75L), u"5.8");
  EXPECT_EQ(v.Format(-5.25L), u"-5.2");
  EXPECT_EQ(v.Format(9.96L), u"10.0");  // the carry reaches the whole part
  EXPECT_EQ(v.Format(-0.04L), u"0.0");
  v.DecimalPlaces = 0;
  EXPECT_EQ(v.Format(2.5L), u"2");
  EXPECT_EQ(v.Format(3.5L), u"4");
  v.DecimalPlaces = 3;
  EXPECT_EQ(v.Format(1.0625L), u"1.062");
  EXPECT_EQ(v.Format(-12.0006L), u"-12.001");
  v.DecimalPlaces = 200;  // more places than a value has digits
  EXPECT_EQ(v.Format(0.5L), u"0.500000000000000000");
  v.DecimalPlaces = 2;
  v.ShowPlusSign = true;
  EXPECT_EQ(v.Format(1.5L), u"+1.50");
  EXPECT_EQ(v.Format(0), u"0.00");
  EXPECT_EQ(v.Format(-1.5L), u"-1.50");
}

TEST(SpinValue, TheLocaleDecimalSeparatorIsTypedReadAndShown) {
  TRsSpinValue v;
  v.SetValueKind(vkFloat);
  v.DecimalPlaces = 2;
  v.DecimalSeparator = u",";
  EXPECT_EQ(Leave(v, u"2,5"), u"2,50");
  EXPECT_EQ(Leave(v, u"3.75"), u"2,50");  // the other separator is no number here
  EXPECT_TRUE(v.IsAcceptedChar(u','));
  EXPECT_FALSE(v.IsAcceptedChar(u'.'));
  // A separator beyond Latin-1 can be typed where the locale uses it.
  v.DecimalSeparator = u"\u066B";
  EXPECT_TRUE(v.IsAcceptedChar(u'\u066B'));
  EXPECT_EQ(Leave(v, u"1\u066B25"), u"1\u066B25");
  EXPECT_FALSE(v.IsAcceptedChar(u'\u0661'));  // other characters above 255 never
}

TEST(SpinValue, AcceptedCharactersDependOnTheKind) {
  TRsSpinValue v;  // vkInt
  const std::u16string always = u"\x03\x08\x0D\x16\x18+-0123456789";
  for (TRsValueKind kind : {vkInt, vkFloat, vkHex}) {
    v.SetValueKind(kind);
    for (char16_t c : always) EXPECT_TRUE(v.IsAcceptedChar(c)) << int(c) << " kind " << int(kind);
    for (char16_t c : std::u16string_view(u" xXgG*/\x01\x1B\t\u00E9\uFF11"))
      EXPECT_FALSE(v.IsAcceptedChar(c)) << int(c);
  }
  v.SetValueKind(vkInt);
  for (char16_t c : std::u16string_view(u".$aAfF")) EXPECT_FALSE(v.IsAcceptedChar(c)) << int(c);
  v.SetValueKind(vkFloat);
  EXPECT_TRUE(v.IsAcceptedChar(u'.'));
  for (char16_t c : std::u16string_view(u"$aA")) EXPECT_FALSE(v.IsAcceptedChar(c)) << int(c);
  v.SetValueKind(vkHex);
  for (char16_t c : std::u16string_view(u"$abcdefABCDEF")) EXPECT_TRUE(v.IsAcceptedChar(c)) << int(c);
  EXPECT_FALSE(v.IsAcceptedChar(u'.'));
}

TEST(SpinValue, IntegerKindsStepByWholeNumbers) {
  TRsSpinValue v;
  v.SetValueKind(vkFloat);
  v.Increment = 0.4L;
  v.SetValueKind(vkInt);
  EXPECT_EQ(v.Increment, 1);  // 0 would never move
  v.SetValueKind(vkFloat);
  v.Increment = 2.5L;
  v.SetValueKind(vkHex);
  EXPECT_EQ(v.Increment, 2);
  v.Increment = -3.6L;
  v.SetValueKind(vkInt);
  EXPECT_EQ(v.Increment, -4);
  v.SetValueKind(vkFloat);
  v.Increment = 0.3L;
  v.SetValueKind(vkFloat);
  EXPECT_EQ(v.Increment, 0.3L);  // decimals keep theirs
}

TEST(SpinValue, Int64TextCoversTheWholeRangeAndNoMore) {
  std::int64_t v = 0;
  EXPECT_TRUE(TryTextToInt64(u"9223372036854775807", v));
  EXPECT_EQ(v, INT64_MAX);
  EXPECT_TRUE(TryTextToInt64(u"-9223372036854775808", v));
  EXPECT_EQ(v, INT64_MIN);
  v = 7;
  for (const char16_t* bad : {u"9223372036854775808", u"-9223372036854775809", u"", u"-", u"+$", u"1 2", u"0x",
                              u"$12345678901234567", u"--1"}) {
    EXPECT_FALSE(TryTextToInt64(bad, v));
  }
  EXPECT_EQ(v, 7);  // untouched by the failures
  TRsSpinValue big;
  EXPECT_EQ(big.Format(1e30L), u"9223372036854775807");  // the nearest 64-bit value
}

TEST(SpinLayout, ArrowPairSitsAtTheRightEdgeOfEachStyle) {
  // The dialog's fields: 75 x 23 with a 16 pixel arrow pair.
  EXPECT_EQ(SpinButtonBounds(rssSingle, true, 75, 23, 16), (TRect{56, -1, 72, 20}));
  EXPECT_EQ(SpinButtonBounds(rssSingle, false, 75, 23, 16), (TRect{55, 0, 71, 19}));
  EXPECT_EQ(SpinButtonBounds(rssNone, true, 75, 23, 16), (TRect{59, 0, 75, 23}));
  EXPECT_EQ(SpinButtonBounds(rssFlat, false, 75, 23, 16), (TRect{57, 0, 73, 21}));
  EXPECT_EQ(SpinBorderAllowance(rssSingle, 1), 2);
  EXPECT_EQ(SpinBorderAllowance(rssNone, 1), 0);
  EXPECT_EQ(SpinBorderAllowance(rssFlat, 1), 1);
  // A 15 pixel line in a 19 pixel client area starts 2 pixels down and ends
  // before the buttons, or 2 pixels before the edge without them.
  EXPECT_EQ(SpinTextRect({0, 0, 71, 19}, 15, 16, true), (TRect{0, 2, 53, 19}));
  EXPECT_EQ(SpinTextRect({0, 0, 71, 19}, 15, 16, false), (TRect{0, 2, 69, 19}));
  EXPECT_EQ(SpinTextRect({0, 0, 71, 20}, 15, 16, true).Top, 2);  // 2.5 goes to even
  EXPECT_EQ(SpinTextRect({0, 0, 71, 22}, 15, 16, true).Top, 4);  // 3.5 too
}

TEST(UpDownButton, ButtonsSplitThePairAndPointTheRightWay) {
  // An odd height leaves the middle row to neither button.
  TUpDownBounds v = UpDownButtonBounds(boVertical, 16, 15);
  EXPECT_EQ(v.Up, (TRect{0, 0, 16, 7}));
  EXPECT_EQ(v.Down, (TRect{0, 8, 16, 15}));
  v = UpDownButtonBounds(boVertical, 16, 14);
  EXPECT_EQ(v.Up.Bottom, v.Down.Top);
  EXPECT_EQ(v.Down.Bottom, 14);
  TUpDownBounds h = UpDownButtonBounds(boHorizontal, 31, 12);
  EXPECT_EQ(h.Down, (TRect{0, 0, 15, 12}));  // down (left) comes first
  EXPECT_EQ(h.Up, (TRect{16, 0, 31, 12}));

  TArrowGlyph up{}, down{};
  UpDownGlyphs(boVertical, up, down);
  EXPECT_EQ(up, agUp);
  EXPECT_EQ(down, agDown);
  UpDownGlyphs(boHorizontal, up, down);
  EXPECT_EQ(up, agRight);
  EXPECT_EQ(down, agLeft);

  EXPECT_EQ(OrientedArrow(boHorizontal, {5, 3}), (TButtonOptions{3, 5}));
  EXPECT_EQ(OrientedArrow(boVertical, {3, 5}), (TButtonOptions{5, 3}));
  EXPECT_EQ(OrientedArrow(boVertical, {5, 3}), (TButtonOptions{5, 3}));
  EXPECT_EQ(OrientedArrow(boHorizontal, {4, 4}), (TButtonOptions{4, 4}));
}

TEST(UpDownButton, ArrowIsCentredAndTheOddPixelGoesItsWay) {
  // Up in 16 x 7: 11 spare columns, 4 spare rows.
  TArrowTriangle t = ArrowTriangle(agUp, 16, 7, {5, 3}, false);
  EXPECT_FLOAT_EQ(t.X[2], 7.5f);  // tip
  EXPECT_FLOAT_EQ(t.Y[2], 2.0f);
  EXPECT_FLOAT_EQ(t.Y[0], 5.0f);  // base
  EXPECT_FLOAT_EQ(t.X[0], 5.0f);
  EXPECT_FLOAT_EQ(t.X[1], 10.0f);
  // Down in 16 x 8 (5 spare rows): one row lower than up would be.
  const TArrowTriangle d = ArrowTriangle(agDown, 16, 8, {5, 3}, false);
  const TArrowTriangle u8 = ArrowTriangle(agUp, 16, 8, {5, 3}, false);
  EXPECT_FLOAT_EQ(d.Y[0], 3.0f);
  EXPECT_FLOAT_EQ(d.Y[2], 6.0f);
  EXPECT_FLOAT_EQ(u8.Y[2], 2.0f);
  // Right in 8 x 16 (5 spare columns) moves right, left does not.
  EXPECT_FLOAT_EQ(ArrowTriangle(agRight, 8, 16, {3, 5}, false).X[2], 6.0f);
  EXPECT_FLOAT_EQ(ArrowTriangle(agLeft, 8, 16, {3, 5}, false).X[2], 2.0f);
  // Pressed with the pointer inside: one pixel to the right.
  const TArrowTriangle p = ArrowTriangle(agUp, 16, 7, {5, 3}, true);
  for (int i = 0; i < 3; ++i) {
    EXPECT_FLOAT_EQ(p.X[i], t.X[i] + 1);
    EXPECT_FLOAT_EQ(p.Y[i], t.Y[i]);
  }
  // Every arrow of every size stays inside its button.
  for (TArrowGlyph g : {agUp, agDown, agLeft, agRight}) {
    for (int w = 6; w <= 24; ++w) {
      for (int hgt = 4; hgt <= 24; ++hgt) {
        const TArrowTriangle a = ArrowTriangle(g, w, hgt, {5, 3}, false);
        for (int i = 0; i < 3; ++i) {
          EXPECT_GE(a.X[i], 0);
          EXPECT_LE(a.X[i], w);
          EXPECT_GE(a.Y[i], 0);
          EXPECT_LE(a.Y[i], hgt);
        }
      }
    }
  }
}

namespace {

// A held button on a clock: the owner's timer, run as the state asks.
struct THeldButton {
  TRsAutoRepeat Repeat;
  int Clicks = 0;
  UINT SinceTick = 0;
  THeldButton() {
    Repeat.OnClick = [this] { ++Clicks; };
  }
  // Starting a timer starts its count afresh.
  void Press() {
    Repeat.MouseDown(true);
    SinceTick = 0;
  }
  void Run(UINT ms) {
    for (UINT i = 0; i < ms; ++i) {
      if (!Repeat.TimerEnabled()) continue;
      if (++SinceTick >= Repeat.TimerInterval()) {
        SinceTick = 0;
        Repeat.Tick();
      }
    }
  }
};

}  // namespace

TEST(TimerButton, OnlyTheHeldLeftButtonInsideRepeats) {
  THeldButton b;
  b.Repeat.MouseDown(false);  // right button
  EXPECT_FALSE(b.Repeat.TimerEnabled());
  b.Repeat.MouseUp(true);
  EXPECT_EQ(b.Clicks, 0);

  b.Press();
  b.Run(500);
  EXPECT_EQ(b.Clicks, 1);
  b.Repeat.MouseMove(false);  // dragged off the button: it stops
  EXPECT_EQ(b.Repeat.State(), bsUp);
  b.Run(500);
  EXPECT_EQ(b.Clicks, 1);
  b.Repeat.MouseMove(true);  // and goes on when back
  b.Run(100);
  EXPECT_EQ(b.Clicks, 3);
  b.Repeat.Tick(/*captured=*/false);  // capture lost to another window
  EXPECT_EQ(b.Clicks, 3);
  b.Repeat.MouseMove(false);
  b.Repeat.MouseUp(false);  // released outside: no click
  EXPECT_EQ(b.Clicks, 3);
  EXPECT_FALSE(b.Repeat.TimerEnabled());

  b.Repeat.Enabled = false;
  b.Press();
  EXPECT_FALSE(b.Repeat.TimerEnabled());
  EXPECT_FALSE(b.Repeat.LeftClicked());
}

TEST(TimerButton, AFailingClickStopsTheRepeat) {
  TRsAutoRepeat r;
  int calls = 0;
  r.OnClick = [&] {
    ++calls;
    throw std::runtime_error("step failed");
  };
  r.MouseDown(true);
  EXPECT_THROW(r.Tick(), std::runtime_error);
  EXPECT_FALSE(r.TimerEnabled());
  // The release still ends the press and does not leave the timer on.
  EXPECT_THROW(r.MouseUp(true), std::runtime_error);
  EXPECT_FALSE(r.TimerEnabled());
  EXPECT_FALSE(r.LeftClicked());
  EXPECT_EQ(calls, 2);
}

TEST(TimerButton, LookFollowsPressHoverAndEnabling) {
  // Themed: the spin part of the arrow's direction, in the button's state.
  EXPECT_EQ(TimerButtonLook(agUp, bsUp, false, false, true).ThemePart, 1);
  EXPECT_EQ(TimerButtonLook(agDown, bsUp, false, false, true).ThemePart, 2);
  EXPECT_EQ(TimerButtonLook(agRight, bsUp, false, false, true).ThemePart, 3);
  EXPECT_EQ(TimerButtonLook(agLeft, bsUp, false, false, true).ThemePart, 4);
  EXPECT_EQ(TimerButtonLook(agUp, bsUp, false, false, true).ThemeState, 1);
  EXPECT_EQ(TimerButtonLook(agUp, bsUp, true, false, true).ThemeState, 2);
  EXPECT_EQ(TimerButtonLook(agUp, bsDown, true, false, true).ThemeState, 3);
  EXPECT_EQ(TimerButtonLook(agUp, bsDown, true, false, false).ThemeState, 4);
  // Classic: sunken while pressed or held down, raised under the pointer.
  EXPECT_EQ(TimerButtonLook(agUp, bsUp, false, false, true).Frame, bfNone);
  EXPECT_EQ(TimerButtonLook(agUp, bsUp, true, false, true).Frame, bfRaised);
  EXPECT_EQ(TimerButtonLook(agUp, bsDown, true, false, true).Frame, bfSunken);
  EXPECT_EQ(TimerButtonLook(agUp, bsUp, false, true, true).Frame, bfSunken);
  EXPECT_EQ(TimerButtonLook(agUp, bsUp, true, false, false).Frame, bfNone);
  EXPECT_EQ(TimerButtonLook(agUp, bsUp, false, false, true).ArrowColor, 8);   // window text
  EXPECT_EQ(TimerButtonLook(agUp, bsUp, false, false, false).ArrowColor, 17); // grey text
  // The arrow moves only while pressed with the pointer on the button.
  EXPECT_TRUE(TimerButtonLook(agUp, bsDown, true, false, true).ArrowShifted);
  EXPECT_FALSE(TimerButtonLook(agUp, bsUp, true, false, true).ArrowShifted);
  EXPECT_FALSE(TimerButtonLook(agUp, bsDown, false, false, true).ArrowShifted);
}

namespace {

// The behaviour over a plain text, as the user edits it.
class TTextSpin : public TRsSpinField {
 public:
  std::u16string Text;
  bool ReadOnly = false;
  int Changes = 0, SelectAlls = 0;

 protected:
  std::u16string GetText() override { return Text; }
  void SetText(const std::u16string& text) override {
    if (text != Text) ++Changes;
    Text = text;
  }
  void SelectAll() override { ++SelectAlls; }
  bool IsReadOnly() const override { return ReadOnly; }
};

void MakeRate(TTextSpin& s) {
  s.SetValueKind(vkFloat);
  s.SetDecimalPlaces(1);
  s.SetIncrement(0.1L);
  s.SetMinValue(1.3L);
  s.SetMaxValue(8.0L);
}

}  // namespace

TEST(SpinField, KeysAndWheelStepFromTheTypedText) {
  TTextSpin rate;
  MakeRate(rate);
  rate.Text = u"7.95";  // typed
  EXPECT_TRUE(rate.KeyDown(0x26, false, false, false));  // Up
  EXPECT_EQ(rate.Text, u"8.0");
  EXPECT_TRUE(rate.KeyDown(0x28, false, false, false));  // Down
  EXPECT_EQ(rate.Text, u"7.9");
  // With Shift or Alt the keys are the edit's; Ctrl+A selects the text.
  EXPECT_FALSE(rate.KeyDown(0x26, true, false, false));
  EXPECT_FALSE(rate.KeyDown(0x26, false, false, true));
  EXPECT_FALSE(rate.KeyDown(0x26, false, true, false));
  EXPECT_TRUE(rate.KeyDown('A', false, true, false));
  EXPECT_FALSE(rate.KeyDown('A', true, true, false));
  EXPECT_EQ(rate.SelectAlls, 1);
  EXPECT_EQ(rate.Text, u"7.9");
  // One step per wheel message; no delta counts as down.
  rate.MouseWheel(360);
  EXPECT_EQ(rate.Text, u"8.0");
  rate.MouseWheel(-120);
  rate.MouseWheel(0);
  EXPECT_EQ(rate.Text, u"7.8");

  TTextSpin frame;
  frame.SetMinValue(0);
  frame.SetMaxValue(10);
  frame.SetValue(10);
  frame.MouseWheel(120);
  EXPECT_EQ(frame.Text, u"10");
  EXPECT_EQ(frame.AsInteger(), 10);
}

TEST(SpinField, ReadOnlyFieldDoesNotStep) {
  TTextSpin s;
  s.SetValue(4);
  s.ReadOnly = true;
  s.UpClick();
  s.MouseWheel(120);
  s.KeyDown(0x28, false, false, false);
  EXPECT_EQ(s.Text, u"4");
  // It still shows values set from outside.
  s.SetValue(6);
  EXPECT_EQ(s.Text, u"6");
}

TEST(SpinField, LeavingAndPropertyChangesShowTheValueAgain) {
  TTextSpin rate;
  MakeRate(rate);
  rate.Exit();  // a new range shows once the field is left
  EXPECT_EQ(rate.Text, u"1.3");
  rate.Text = u"9";
  rate.Exit();
  EXPECT_EQ(rate.Text, u"8.0");
  rate.Text = u"oops";  // pasted
  EXPECT_EQ(rate.Value(), 8.0L);
  rate.Exit();
  EXPECT_EQ(rate.Text, u"8.0");
  rate.Text = u"2.5";
  rate.SetDecimalPlaces(2);
  EXPECT_EQ(rate.Text, u"2.50");
  rate.SetShowPlusSign(true);
  EXPECT_EQ(rate.Text, u"+2.50");
  rate.SetShowPlusSign(false);
  // A kind switch reads with the old kind: 2.5 becomes 2 (halves to even),
  // and the increment a whole number.
  rate.SetValueKind(vkInt);
  EXPECT_EQ(rate.Text, u"2");
  EXPECT_EQ(rate.Increment(), 1);
  rate.SetMinValue(0);
  rate.SetMaxValue(0);
  rate.SetValue(255);
  rate.SetValueKind(vkHex);
  EXPECT_EQ(rate.Text, u"$FF");
  rate.SetValueKind(vkInt);
  EXPECT_EQ(rate.Text, u"255");
  // Setting what is shown already changes nothing.
  const int changes = rate.Changes;
  rate.Exit();
  EXPECT_EQ(rate.Changes, changes);
}

TEST(SpinField, DecimalSeparatorOfTheLocale) {
  TTextSpin s;
  s.SetDecimalSeparator(u",");
  s.SetValueKind(vkFloat);
  s.SetDecimalPlaces(1);
  s.Text = u"3,25";
  s.Exit();
  EXPECT_EQ(s.Text, u"3,2");
  EXPECT_TRUE(s.AcceptsChar(u','));
  EXPECT_FALSE(s.AcceptsChar(u'.'));
  s.SetDecimalSeparator(u"");  // the platform gave none
  EXPECT_TRUE(s.AcceptsChar(u'.'));
}

// --- The spin edit on a form of the simulated desktop -------------------------------------

#include "FormTest.h"
#include "SimDesktop.h"

namespace {

using namespace lensoro::sim;

class TSpinForm : public TForm {
 public:
  explicit TSpinForm(TApplication& app) : TForm(app, u"TSpinForm") {
    SetClientSize(200, 100);
    Rate.SetBounds(8, 22, 75, 23);
    Rate.SetValueKind(vkFloat);
    Rate.SetDecimalPlaces(1);
    Rate.SetIncrement(0.1L);
    Rate.SetMinValue(1.3L);
    Rate.SetMaxValue(8.0L);
    Rate.SetValue(2.0L);
    Frame.SetBounds(8, 60, 75, 23);
    Frame.SetMinValue(0);
    Frame.SetMaxValue(10);
    Frame.SetValue(10);
  }
  TRsSpinEdit Rate{this};
  TRsSpinEdit Frame{this};
};

class SpinEditTest : public test::TFormTest {};

}  // namespace

TEST_F(SpinEditTest, TypingIsFilteredAndLeavingTheFieldClampsIt) {
  TSpinForm form(App);
  int changes = 0;
  form.Rate.OnChange = [&](TControl&) { ++changes; };
  ASSERT_TRUE(form.Show());
  EXPECT_EQ(Shown(form.Rate), u"2.0");
  form.Rate.SetFocus();
  form.Rate.SetText(u"");
  Desk.TypeText(0, u"9x!");
  Pump();
  EXPECT_EQ(Shown(form.Rate), u"9");  // the letters never arrive
  Desk.KeyPress(0, win::VK_TAB);
  Pump();
  EXPECT_NE(Desk.FocusWindow(), form.Rate.Handle());
  EXPECT_EQ(Shown(form.Rate), u"8.0");
  EXPECT_EQ(form.Rate.Value(), 8.0L);
  EXPECT_GE(changes, 2);
  // Entering by Tab selects the whole value, ready to be typed over.
  form.Rate.SetFocus();
  EXPECT_EQ(form.Rate.SelLength(), 3);
  EXPECT_TRUE(Desk.Window(form.Rate.Handle())->ImeDisabled);
}

TEST_F(SpinEditTest, ArrowsKeysAndWheelStepAndStopAtTheBounds) {
  TSpinForm form(App);
  ASSERT_TRUE(form.Show());
  // The arrow pair sits on top of the field's right edge.
  const TSimWindow* edit = Desk.Window(form.Rate.Handle());
  const TSimWindow* arrows = Desk.Window(form.Rate.UpDownButton().Handle());
  ASSERT_NE(arrows, nullptr);
  EXPECT_LE(arrows->Rect.Right, edit->Rect.Right);
  EXPECT_GT(arrows->Rect.Left, edit->Rect.Left + edit->Rect.Width() / 2);
  const TSimWindow* parent = Desk.Window(edit->Parent);
  EXPECT_LT(std::find(parent->Children.begin(), parent->Children.end(), arrows->Handle),
            std::find(parent->Children.begin(), parent->Children.end(), edit->Handle));

  form.Rate.SetText(u"7.95");
  ASSERT_TRUE(Desk.Click(form.Rate.UpDownButton().UpButton().Handle()));
  EXPECT_EQ(Shown(form.Rate), u"8.0");
  EXPECT_EQ(Desk.FocusWindow(), form.Rate.Handle());  // the arrows hand the focus to the field
  Desk.Click(form.Rate.UpDownButton().DownButton().Handle());
  EXPECT_EQ(Shown(form.Rate), u"7.9");
  Desk.KeyPress(form.Rate.Handle(), win::VK_DOWN);
  Pump();
  EXPECT_EQ(Shown(form.Rate), u"7.8");
  Proc.SendMessageW(form.Frame.Handle(), win::WM_MOUSEWHEEL, static_cast<WPARAM>(120) << 16, 0);
  EXPECT_EQ(Shown(form.Frame), u"10");
  Proc.SendMessageW(form.Frame.Handle(), win::WM_MOUSEWHEEL, static_cast<WPARAM>(0xFF88) << 16, 0);
  EXPECT_EQ(Shown(form.Frame), u"9");
  // Disabled with the field: the arrows click no more.
  form.Frame.SetEnabled(false);
  EXPECT_FALSE(Desk.Click(form.Frame.UpDownButton().UpButton().Handle()));
  EXPECT_EQ(Shown(form.Frame), u"9");
}

TEST_F(SpinEditTest, HoldingAnArrowRepeatsOnTheTimer) {
  TSpinForm form(App);
  ASSERT_TRUE(form.Show());
  form.Frame.SetValue(0);
  TRsTimerButton& up = form.Frame.UpDownButton().UpButton();
  const LPARAM inside = static_cast<LPARAM>(5 | (3 << 16));
  Proc.SendMessageW(up.Handle(), win::WM_LBUTTONDOWN, win::MK_LBUTTON, inside);
  EXPECT_EQ(Proc.GetCapture(), up.Handle());
  Desk.RunFor(499);
  EXPECT_EQ(Shown(form.Frame), u"0");
  Desk.RunFor(1);  // the first repeat at half a second
  EXPECT_EQ(Shown(form.Frame), u"1");
  Desk.RunFor(200);  // then one every 50 ms
  EXPECT_EQ(Shown(form.Frame), u"5");
  Proc.SendMessageW(up.Handle(), win::WM_LBUTTONUP, 0, inside);
  EXPECT_EQ(Shown(form.Frame), u"6");  // and once more on release inside
  EXPECT_EQ(Proc.GetCapture(), 0u);
  Desk.RunFor(500);
  EXPECT_EQ(Shown(form.Frame), u"6");
  EXPECT_EQ(Proc.FindTimer(up.Handle(), 1), nullptr);
}

TEST_F(SpinEditTest, ButtonsPaintThemedOrClassic) {
  TSpinForm form(App);
  ASSERT_TRUE(form.Show());
  TRsTimerButton& up = form.Rate.UpDownButton().UpButton();
  Desk.Window(up.Handle())->PaintLog.clear();
  Desk.Paint(up.Handle());
  const auto& log = Desk.Window(up.Handle())->PaintLog;
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().Op, "DrawThemeBackground");
  EXPECT_EQ(log.back().Text, u"SPIN");
  EXPECT_EQ(log.back().Flags, (1u << 16) | 1u);  // up part, normal
  EXPECT_TRUE(Desk.OpenThemes.empty());          // every handle given back

  Desk.ThemeActive = false;
  Desk.Window(up.Handle())->PaintLog.clear();
  Desk.Paint(up.Handle());
  bool triangle = false;
  for (const auto& op : Desk.Window(up.Handle())->PaintLog) {
    EXPECT_NE(op.Op, "DrawThemeBackground");
    if (op.Op == "Polygon") {
      triangle = true;
      ASSERT_EQ(op.Points.size(), 3u);
      EXPECT_LT(op.Points[2].Y, op.Points[0].Y);  // the tip points up
    }
  }
  EXPECT_TRUE(triangle);
}

TEST_F(SpinEditTest, FlatStyleDrawsItsOwnOnePixelFrame) {
  TSpinForm form(App);
  form.Frame.SetSpinStyle(rssFlat);
  ASSERT_TRUE(form.Show());
  const TSimWindow* w = Desk.Window(form.Frame.Handle());
  EXPECT_EQ(w->ExStyle & win::WS_EX_CLIENTEDGE, 0u);
  EXPECT_NE(Desk.Window(form.Rate.Handle())->ExStyle & win::WS_EX_CLIENTEDGE, 0u);
  Desk.Window(form.Frame.Handle())->PaintLog.clear();
  Proc.SendMessageW(form.Frame.Handle(), win::WM_NCPAINT, 1, 0);
  const auto& log = Desk.Window(form.Frame.Handle())->PaintLog;
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].Op, "FrameRect");
  EXPECT_EQ(log[0].Rect, (TRect{0, 0, form.Frame.Width(), form.Frame.Height()}));
  EXPECT_EQ(log[0].Color, Proc.GetSysColor(win::COLOR_BTNSHADOW));
  // The arrows sit inside that frame, at the right edge.
  const TRect arrows = Desk.Window(form.Frame.UpDownButton().Handle())->Rect;
  EXPECT_EQ(arrows.Right, w->Rect.Right - 1);
  EXPECT_EQ(arrows.Top, w->Rect.Top + 1);
  EXPECT_EQ(arrows.Bottom, w->Rect.Bottom - 1);
  // The edit draws no line of its own round the text line, and the rows
  // above and below that line are filled inside the frame, not over it.
  EXPECT_FALSE(w->Ctl.DrawsOwnBorder);
  // The rectangle in the parent's coordinates, as the system hands it over.
  TRect r{form.Frame.Left(), form.Frame.Top(), form.Frame.Left() + form.Frame.Width(),
          form.Frame.Top() + form.Frame.Height()};
  Proc.SendMessageW(form.Frame.Handle(), win::WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.Left, form.Frame.Left() + 1);
  EXPECT_EQ(r.Right, form.Frame.Left() + form.Frame.Width() - 1);
  Desk.Window(form.Frame.Handle())->PaintLog.clear();
  Proc.SendMessageW(form.Frame.Handle(), win::WM_NCPAINT, 1, 0);
  const TRect inside{1, 1, form.Frame.Width() - 1, form.Frame.Height() - 1};
  int fills = 0;
  for (const auto& op : log) {
    if (op.Op != "FillRect") continue;
    ++fills;
    EXPECT_TRUE(op.Rect.Left >= inside.Left && op.Rect.Top >= inside.Top && op.Rect.Right <= inside.Right &&
                op.Rect.Bottom <= inside.Bottom);
  }
  EXPECT_EQ(fills, 2);
}

TEST_F(SpinEditTest, TextLineIsCentredInTheField) {
  TSpinForm form(App);
  ASSERT_TRUE(form.Show());
  const TRect window = Desk.Window(form.Rate.Handle())->Rect;
  TRect r{form.Rate.Left(), form.Rate.Top(), form.Rate.Left() + window.Width(), form.Rate.Top() + window.Height()};
  const TRect before = r;
  Proc.SendMessageW(form.Rate.Handle(), win::WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_GT(r.Top, before.Top);
  EXPECT_LE(std::abs((r.Top - before.Top) - (before.Bottom - r.Bottom)), 1);
  EXPECT_EQ(r.Left, before.Left);
  // The rows above and below it are painted in the field's colour.
  auto& log = Desk.Window(form.Rate.Handle())->PaintLog;
  log.clear();
  Proc.SendMessageW(form.Rate.Handle(), win::WM_NCPAINT, 1, 0);
  int fills = 0;
  for (const auto& op : log) {
    if (op.Op != "FillRect") continue;
    ++fills;
    EXPECT_EQ(op.Color, Proc.GetSysColor(win::COLOR_WINDOW));
  }
  EXPECT_EQ(fills, 2);
}

// RsUpDownButton: the arrow pair of a spin edit and its auto-repeating buttons.
//
// The geometry (where each button sits, which way its arrow points, where the
// triangle is drawn) and the auto-repeat of a held button are plain
// functions and state here, so they are tested without windows.
//
//   TRsAutoRepeat repeat;
//   repeat.OnClick = [&] { spin.UpClick(); };
//   repeat.MouseDown(true);   // timer on, 500 ms
//   repeat.Tick();            // first repeat: one click, then every 50 ms
//   repeat.MouseUp(true);     // one more click on release inside; timer off
//
// The controls themselves, on a form:
//
//   TRsUpDownButton arrows(&form);
//   arrows.SetBoundsPx({100, 10, 116, 25});
//   arrows.OnUpClick = [&](TRsUpDownButton&) { ++count; };
#pragma once

#include <cstdint>
#include <functional>

#include "Controls.h"
#include "Platform.h"

namespace lensoro {

enum TButtonOrientation : std::uint8_t { boHorizontal, boVertical };
enum TArrowGlyph : std::uint8_t { agUp, agDown, agLeft, agRight };
enum TRsButtonState : std::uint8_t { bsUp, bsDisabled, bsDown, bsExclusive };

struct TButtonOptions {
  int ArrowWidth = 5;
  int ArrowHeight = 3;
  friend bool operator==(const TButtonOptions&, const TButtonOptions&) = default;
};

// The two buttons' rectangles in a pair of W x H.
struct TUpDownBounds {
  TRect Up, Down;
};
TUpDownBounds UpDownButtonBounds(TButtonOrientation orientation, int W, int H);
void UpDownGlyphs(TButtonOrientation orientation, TArrowGlyph& up, TArrowGlyph& down);
// The arrow's long side lies across the button: horizontal pairs point
// sideways (height >= width), vertical pairs up and down (width >= height).
TButtonOptions OrientedArrow(TButtonOrientation orientation, TButtonOptions options);

// A filled triangle in button coordinates, corners in drawing order; the tip
// is the last corner. Fractions are kept for anti-aliased drawing.
struct TArrowTriangle {
  float X[3] = {}, Y[3] = {};
};
TArrowTriangle ArrowTriangle(TArrowGlyph glyph, int buttonWidth, int buttonHeight, const TButtonOptions& arrow,
                             bool pressedInside);

// How a button is drawn in its state: the spin-button part and state of the
// visual style, or without one a 3D frame and the arrow's system colour.
enum TButtonFrame : std::uint8_t { bfNone, bfRaised, bfSunken };
struct TTimerButtonLook {
  int ThemePart = 0, ThemeState = 0;
  TButtonFrame Frame = bfNone;
  int ArrowColor = 0;  // a system colour index
  bool ArrowShifted = false;  // pressed with the pointer inside
};
TTimerButtonLook TimerButtonLook(TArrowGlyph glyph, TRsButtonState state, bool mouseInControl, bool down,
                                 bool enabled);

// What a held button does: a click on release inside it, and while held a
// first repeat after 500 ms and then one every 50 ms. The owner runs the
// timer as TimerEnabled/TimerInterval say and calls Tick on each tick.
class TRsAutoRepeat {
 public:
  static constexpr UINT FirstDelay = 500, RepeatDelay = 50;

  bool Down = false;     // the button is held down by its owner (shown pressed)
  bool Enabled = true;
  std::function<void()> OnClick;

  void MouseDown(bool left);
  void MouseMove(bool inside);
  void MouseUp(bool inside);
  // captured: the button still has the mouse capture.
  void Tick(bool captured = true);

  TRsButtonState State() const { return FState; }
  bool LeftClicked() const { return FLeftClicked; }
  bool TimerEnabled() const { return FTimerEnabled; }
  UINT TimerInterval() const { return FTimerInterval; }

 private:
  TRsButtonState FState = bsUp;
  bool FLeftClicked = false;
  bool FTimerEnabled = false;
  UINT FTimerInterval = FirstDelay;
};

// One arrow button: clicks on release inside, repeats while held, keeps the
// mouse captured while pressed.
class TRsTimerButton : public TGraphicControl {
 public:
  explicit TRsTimerButton(TWinControl* parent);

  TArrowGlyph ArrowGlyph() const { return FArrowGlyph; }
  void SetArrowGlyph(TArrowGlyph glyph);
  const TButtonOptions& Arrow() const { return FArrow; }
  void SetArrow(const TButtonOptions& arrow);
  bool Down() const { return FRepeat.Down; }
  void SetDown(bool down);
  bool Transparent = true;
  TRsButtonState ButtonState() const { return FRepeat.State(); }
  const TTimer& RepeatTimer() const { return FRepeatTimer; }
  std::function<void(TRsTimerButton&)> OnMouseDown;

 protected:
  const char16_t* WindowClassName() const override { return u"TRsTimerButton"; }
  void CreateWnd() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Paint(TCanvas& canvas) override;
  void MouseDown(TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TShiftState shift, int x, int y) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void EnabledChanged() override;
  // The click comes from the repeat's release, not from the layer's own.
  void Click() override {}

 private:
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < Width() && y < Height(); }
  void SyncTimer();
  void PaintClassic(TCanvas& canvas, const TTimerButtonLook& look);

  TTimer FRepeatTimer;
  TRsAutoRepeat FRepeat;
  TArrowGlyph FArrowGlyph = agUp;
  TButtonOptions FArrow;
};

// The pair of arrow buttons beside a spin edit.
class TRsUpDownButton : public TCustomControl {
 public:
  explicit TRsUpDownButton(TWinControl* parent);

  TButtonOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TButtonOrientation orientation);
  const TButtonOptions& ButtonOptions() const { return FButtonOptions; }
  void SetButtonOptions(const TButtonOptions& options);
  // Takes the focus when an arrow is pressed (a spin edit, usually).
  TControl* FocusControl = nullptr;
  bool UpButtonDown() const { return FUpButton.Down(); }
  bool DownButtonDown() const { return FDownButton.Down(); }
  TRsTimerButton& UpButton() { return FUpButton; }
  TRsTimerButton& DownButton() { return FDownButton; }
  std::function<void(TRsUpDownButton&)> OnUpClick, OnDownClick;

 protected:
  const char16_t* WindowClassName() const override { return u"TRsUpDownButton"; }
  void CreateWnd() override;
  void BoundsChanged() override;
  void EnabledChanged() override;
  void DpiChanged() override { Arrange(); }

 private:
  void Arrange();
  void ButtonPressed();

  TRsTimerButton FUpButton{this}, FDownButton{this};
  TButtonOrientation FOrientation = boVertical;
  TButtonOptions FButtonOptions;
};

}  // namespace lensoro

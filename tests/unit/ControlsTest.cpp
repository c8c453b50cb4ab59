// The form-and-controls layer on the simulated desktop: modal loops, keyboard
// navigation, the standard controls' notifications, painting and scaling.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "Application.h"
#include "Controls.h"
#include "LnsLib.h"
#include "SimDesktop.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

// A small dialog: an edit, a check box, a radio group and OK / Cancel.
class TTestForm : public TForm {
 public:
  explicit TTestForm(TApplication& app) : TForm(app, u"TTestForm") {
    SetCaption(u"Test");
    SetClientSize(300, 200);
    Edit.SetBounds(8, 8, 120, 21);
    Check.SetBounds(8, 40, 120, 17);
    Check.SetCaption(u"Check");
    Group.SetBounds(8, 64, 180, 90);
    Group.SetCaption(u"Group");
    Group.SetItems({u"One", u"Two", u"Three"});
    Ok.SetBounds(136, 168, 75, 25);
    Ok.SetCaption(u"OK");
    Ok.SetDefault(true);
    Ok.ModalResult = mrOk;
    Cancel.SetBounds(217, 168, 75, 25);
    Cancel.SetCaption(u"Cancel");
    Cancel.SetCancel(true);
    Cancel.ModalResult = mrCancel;
  }
  TEdit Edit{this};
  TCheckBox Check{this};
  TRadioGroup Group{this};
  TButton Ok{this}, Cancel{this};
};

class ControlsTest : public ::testing::Test {
 protected:
  TSimDesktop Desk;
  TSimProcess& Proc = Desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  TApplication App{Proc};
  HWND Owner = 0;

  void SetUp() override {
    App.Initialize();
    Owner = Desk.AddForeignWindow(Proc.Pid, u"TOwner", u"Owner", 0, {100, 100, 900, 700});
  }
  void Pump() { App.ProcessMessages(); }
  TRect ClientRectOf(const TControl& c) {
    const TSimWindow* w = Desk.Window(c.Handle());
    const TPoint origin = TSimDesktop::ClientOrigin(*Desk.Window(w->Parent));
    return {w->Rect.Left - origin.X, w->Rect.Top - origin.Y, w->Rect.Right - origin.X, w->Rect.Bottom - origin.Y};
  }
  static const TSimPaintOp* LastOp(const TSimWindow* w, const char* op) {
    for (auto it = w->PaintLog.rbegin(); it != w->PaintLog.rend(); ++it) {
      if (it->Op == op) return &*it;
    }
    return nullptr;
  }
};

TEST_F(ControlsTest, ModalLoopEndsOnEscEnterButtonsAndCloseAndGivesTheOwnerBack) {
  TTestForm form(App);
  form.SetOwnerWindow(Owner);
  bool ownerDisabledWhileOpen = false;
  form.Cancel.OnClick = [&](TControl&) { ownerDisabledWhileOpen = !Desk.IsWindowEnabled(Owner); };

  // Esc presses Cancel, wherever the focus is.
  form.OnShow = [&](TForm&) { Desk.KeyPress(form.Edit.Handle(), win::VK_ESCAPE); };
  EXPECT_EQ(form.ShowModal(), mrCancel);
  EXPECT_TRUE(ownerDisabledWhileOpen);
  EXPECT_TRUE(Desk.IsWindowEnabled(Owner));
  EXPECT_FALSE(Desk.Window(form.Handle())->Visible);
  EXPECT_EQ(Desk.Foreground(), Owner);
  EXPECT_EQ(Desk.Window(form.Handle())->Owner, Owner);

  // Enter in the edit presses the default button.
  form.OnShow = [&](TForm&) { Desk.KeyPress(form.Edit.Handle(), win::VK_RETURN); };
  EXPECT_EQ(form.ShowModal(), mrOk);

  // A click on OK once the dialog is up (the edit takes the focus first).
  form.OnShow = nullptr;
  form.Edit.OnEnter = [&](TControl&) {
    form.Edit.OnEnter = nullptr;
    EXPECT_TRUE(Desk.Click(form.Ok.Handle()));
  };
  EXPECT_EQ(form.ShowModal(), mrOk);

  // The close box: no modal result of its own, so Cancel's.
  form.OnShow = [&](TForm&) { Proc.PostMessageW(form.Handle(), win::WM_CLOSE, 0, 0); };
  EXPECT_EQ(form.ShowModal(), mrCancel);

  // OnClose can keep it open: the first OK is refused, the second accepted.
  int closes = 0;
  form.OnClose = [&](TForm&, TCloseAction& action) {
    if (++closes == 1) action = TCloseAction::caNone;
  };
  form.OnShow = [&](TForm&) {
    Desk.KeyPress(form.Edit.Handle(), win::VK_RETURN);
    Desk.KeyPress(form.Edit.Handle(), win::VK_RETURN);
  };
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_EQ(closes, 2);
  EXPECT_TRUE(Desk.IsWindowEnabled(Owner));

  // Input that runs out without a result ends the loop instead of hanging it.
  form.OnShow = nullptr;
  form.OnClose = nullptr;
  EXPECT_EQ(form.ShowModal(), mrCancel);
  EXPECT_TRUE(Desk.IsWindowEnabled(Owner));
}

TEST_F(ControlsTest, TabAndShiftTabFollowTheTabOrderAndSkipWhatCannotTakeTheFocus) {
  TTestForm form(App);
  form.SetOwnerWindow(Owner);
  ASSERT_TRUE(form.Show());
  EXPECT_EQ(Desk.FocusWindow(), form.Edit.Handle());  // the first tab stop
  EXPECT_EQ(App.ActiveForm, &form);

  std::vector<HWND> seen;
  for (int i = 0; i < 5; ++i) {
    Desk.KeyPress(0, win::VK_TAB);
    Pump();
    seen.push_back(Desk.FocusWindow());
  }
  // The radio group is one stop, at its first button while none is checked.
  const std::vector<HWND> forward{form.Check.Handle(), form.Group.Button(0)->Handle(), form.Ok.Handle(),
                                  form.Cancel.Handle(), form.Edit.Handle()};
  EXPECT_EQ(seen, forward);

  form.Group.SetItemIndex(2);
  form.Check.SetEnabled(false);
  Desk.KeyPress(0, win::VK_TAB, kmShift);  // Edit -> back round to Cancel
  Pump();
  EXPECT_EQ(Desk.FocusWindow(), form.Cancel.Handle());
  Desk.KeyPress(0, win::VK_TAB, kmShift);
  Pump();
  Desk.KeyPress(0, win::VK_TAB, kmShift);
  Pump();
  EXPECT_EQ(Desk.FocusWindow(), form.Group.Button(2)->Handle());  // the checked one
  Desk.KeyPress(0, win::VK_TAB, kmShift);                           // the disabled check box is skipped
  Pump();
  EXPECT_EQ(Desk.FocusWindow(), form.Edit.Handle());

  // Tabbing into the edit selected its text.
  form.Edit.SetText(u"hello");
  Desk.KeyPress(0, win::VK_TAB, kmShift);
  Pump();
  Desk.KeyPress(0, win::VK_TAB);
  Pump();
  EXPECT_EQ(form.Edit.SelStart(), 0);
  EXPECT_EQ(form.Edit.SelLength(), 5);

  // OnEnter and OnExit follow the focus.
  std::vector<std::u16string> events;
  form.Ok.Name = u"Ok";
  form.Edit.Name = u"Edit";
  form.Edit.OnExit = [&](TControl& c) { events.push_back(c.Name + u" exit"); };
  form.Ok.OnEnter = [&](TControl& c) { events.push_back(c.Name + u" enter"); };
  form.Ok.SetFocus();
  EXPECT_EQ(events, (std::vector<std::u16string>{u"Edit exit", u"Ok enter"}));
  EXPECT_TRUE(form.Ok.Focused());
}

TEST_F(ControlsTest, RadioGroupKeepsOneButtonCheckedAndReportsEachChangeOnce) {
  TTestForm form(App);
  form.SetOwnerWindow(Owner);
  std::vector<int> clicks;
  form.Group.OnClick = [&](TControl&) { clicks.push_back(form.Group.ItemIndex()); };
  form.Group.SetItemIndex(0);  // before the window: remembered, reported
  ASSERT_TRUE(form.Show());
  const auto checks = [&] {
    std::vector<int> r;
    for (int i = 0; i < 3; ++i) r.push_back(Desk.Window(form.Group.Button(i)->Handle())->Ctl.Check);
    return r;
  };
  EXPECT_EQ(checks(), (std::vector<int>{1, 0, 0}));

  EXPECT_TRUE(Desk.Click(form.Group.Button(2)->Handle()));
  EXPECT_EQ(form.Group.ItemIndex(), 2);
  EXPECT_EQ(checks(), (std::vector<int>{0, 0, 1}));
  EXPECT_TRUE(Desk.Click(form.Group.Button(2)->Handle()));  // already chosen: no change, no event

  form.Group.SetItemIndex(1);
  EXPECT_EQ(checks(), (std::vector<int>{0, 1, 0}));
  form.Group.SetItemIndex(1);

  // The arrows move the choice round the group, past a disabled button.
  form.Group.Button(2)->SetEnabled(false);
  form.Group.Button(1)->SetFocus();
  Desk.KeyPress(0, win::VK_DOWN);
  Pump();
  EXPECT_EQ(form.Group.ItemIndex(), 0);
  EXPECT_EQ(Desk.FocusWindow(), form.Group.Button(0)->Handle());
  EXPECT_EQ(clicks, (std::vector<int>{0, 2, 1, 0}));

  // The buttons are laid out in columns inside the frame.
  form.Group.SetColumns(3);
  const TRect a = ClientRectOf(*form.Group.Button(0)), b = ClientRectOf(*form.Group.Button(1));
  EXPECT_EQ(a.Top, b.Top);
  EXPECT_GT(b.Left, a.Left);
  EXPECT_LE(ClientRectOf(*form.Group.Button(2)).Right, form.Group.Width());
}

TEST_F(ControlsTest, CheckBoxAndEditNotifyOnUserAndProgramChanges) {
  TTestForm form(App);
  form.SetOwnerWindow(Owner);
  ASSERT_TRUE(form.Show());
  int checkClicks = 0, changes = 0;
  form.Check.OnClick = [&](TControl&) { ++checkClicks; };
  form.Edit.OnChange = [&](TControl&) { ++changes; };

  EXPECT_TRUE(Desk.Click(form.Check.Handle()));
  EXPECT_TRUE(form.Check.Checked());
  form.Check.SetChecked(true);  // no change
  form.Check.SetChecked(false);
  EXPECT_EQ(checkClicks, 2);
  EXPECT_EQ(Desk.Window(form.Check.Handle())->Ctl.Check, 0);

  form.Edit.SetText(u"ab");
  form.Edit.SetFocus();
  form.Edit.SetSel(2, 0);
  Desk.TypeText(0, u"cd");
  Pump();
  EXPECT_EQ(form.Edit.Text(), u"abcd");
  EXPECT_EQ(changes, 3);

  // OnKeyDown may swallow a key: Delete never reaches the edit.
  form.Edit.OnKeyDown = [](TControl&, std::uint16_t& key, TShiftState) {
    if (key == win::VK_DELETE) key = 0;
  };
  form.Edit.SetSel(0, 0);
  Desk.KeyPress(0, win::VK_DELETE);
  Pump();
  EXPECT_EQ(form.Edit.Text(), u"abcd");
  form.Edit.OnKeyDown = nullptr;
  Desk.KeyPress(0, win::VK_DELETE);
  Pump();
  EXPECT_EQ(form.Edit.Text(), u"bcd");

  form.Edit.SetReadOnly(true);
  Desk.TypeText(0, u"x");
  Pump();
  EXPECT_EQ(form.Edit.Text(), u"bcd");
}

TEST_F(ControlsTest, OwnerDrawnComboDrawsEveryItemThroughOnDrawItem) {
  TTestForm form(App);
  form.SetOwnerWindow(Owner);
  TComboBox combo(&form);
  combo.Style = TComboBoxStyle::csOwnerDrawFixed;
  combo.SetItemHeight(20);
  combo.SetItems({u"0:", u"1:", u"2:"});
  combo.SetItemIndex(1);
  combo.SetBounds(8, 160, 100, 24);
  struct TDrawn {
    int Index;
    TRect Rect;
    TOwnerDrawState State;
    DWORD Brush;
  };
  std::vector<TDrawn> drawn;
  combo.OnDrawItem = [&](TComboBox& c, int index, const TRect& rect, TOwnerDrawState state) {
    ASSERT_NE(c.Canvas(), nullptr);
    drawn.push_back({index, rect, state, ColorToRGB(Proc, c.Canvas()->Brush.Color)});
    c.Canvas()->FillRect(rect);
    c.Canvas()->TextOut(rect.Left + 2, rect.Top, c.Items()[static_cast<std::size_t>(index)]);
  };
  std::vector<int> changes;
  combo.OnChange = [&](TControl&) { changes.push_back(combo.ItemIndex()); };
  ASSERT_TRUE(form.Show());
  // The heights the combo asked for at creation are ours.
  EXPECT_EQ(Desk.Window(combo.Handle())->Ctl.ItemHeight, 20);
  EXPECT_EQ(Desk.Window(combo.Handle())->Ctl.FieldHeight, 20);
  EXPECT_EQ(Desk.Window(combo.Handle())->Ctl.Items.size(), 3u);

  EXPECT_TRUE(Desk.PickComboItem(combo.Handle(), 2));
  ASSERT_EQ(drawn.size(), 3u);
  EXPECT_EQ(drawn[1].Index, 1);
  EXPECT_EQ(drawn[1].Rect, (TRect{0, 20, combo.Width() - 2, 40}));
  EXPECT_TRUE(drawn[1].State & odSelected);
  EXPECT_EQ(drawn[1].Brush, Proc.GetSysColor(win::COLOR_HIGHLIGHT));  // the highlight comes ready
  EXPECT_FALSE(drawn[0].State & odSelected);
  EXPECT_EQ(drawn[0].Brush, Proc.GetSysColor(win::COLOR_WINDOW));
  EXPECT_EQ(changes, (std::vector<int>{2}));
  combo.SetItemIndex(0);  // a program change is not reported
  EXPECT_EQ(changes.size(), 1u);

  // The closed field is drawn as the combo's edit part, text in the item's colours.
  drawn.clear();
  Desk.Paint(combo.Handle());
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_TRUE(drawn[0].State & odComboBoxEdit);
  const TSimPaintOp* text = LastOp(Desk.Window(combo.Handle()), "ExtTextOut");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Text, u"0:");
  EXPECT_EQ(text->Font.Height, form.Font().Height());
}

TEST_F(ControlsTest, LabelRepaintsWithItsNewColourAndSizesToItsText) {
  TTestForm form(App);
  form.SetOwnerWindow(Owner);
  TLabel link(&form);
  link.SetBounds(8, 180, 10, 10);
  link.SetCaption(u"example");
  ASSERT_TRUE(form.Show());
  TTextMetric m;
  {
    const HDC dc = Proc.GetDC(link.Handle());
    const HGDIOBJ font = Proc.CreateFontIndirectW(link.Font().LogFont());
    Proc.SelectObject(dc, font);
    Proc.GetTextMetricsW(dc, m);
    Proc.ReleaseDC(link.Handle(), dc);
    Proc.DeleteObject(font);
  }
  EXPECT_EQ(link.Width(), 7 * m.AveCharWidth);
  EXPECT_EQ(link.Height(), m.Height);
  link.SetCaption(u"ex");
  EXPECT_EQ(link.Width(), 2 * m.AveCharWidth);

  int entered = 0, left = 0, clicked = 0;
  link.Cursor = TCursor::crHandPoint;
  link.OnMouseEnter = [&](TControl& c) {
    ++entered;
    c.Font().SetColor(0x0000FF);
    c.Font().SetStyle(c.Font().Style() | fsUnderline);
  };
  link.OnMouseLeave = [&](TControl& c) {
    ++left;
    c.Font().SetColor(clWindowText);
    c.Font().SetStyle(0);
  };
  link.OnClick = [&](TControl&) { ++clicked; };

  Desk.Paint(link.Handle());
  const TSimWindow* w = Desk.Window(link.Handle());
  EXPECT_EQ(LastOp(w, "DrawText")->Color, Proc.GetSysColor(win::COLOR_WINDOWTEXT));
  EXPECT_EQ(LastOp(w, "DrawText")->BkMode, win::TRANSPARENT);
  EXPECT_EQ(LastOp(w, "FillRect")->Color, Proc.GetSysColor(win::COLOR_BTNFACE));  // the form shows through

  const int invalidated = w->InvalidateCount;
  Desk.MouseMove({w->Rect.Left + 1, w->Rect.Top + 1});
  EXPECT_EQ(entered, 1);
  EXPECT_GT(Desk.Window(link.Handle())->InvalidateCount, invalidated);
  EXPECT_EQ(Desk.CurrentCursor(), Proc.LoadCursorW(win::IDC_HAND));
  Desk.Paint(link.Handle());
  EXPECT_EQ(LastOp(w, "DrawText")->Color, 0x0000FFu);
  EXPECT_EQ(LastOp(w, "DrawText")->Font.Underline, 1);
  Desk.MouseMove({w->Rect.Left + 2, w->Rect.Top + 1});  // still inside: no second enter
  EXPECT_EQ(entered, 1);

  Desk.MouseMove({5, 5});
  Pump();
  EXPECT_EQ(left, 1);
  Desk.Paint(link.Handle());
  EXPECT_EQ(LastOp(w, "DrawText")->Font.Underline, 0);

  EXPECT_TRUE(Desk.Click(link.Handle()));
  EXPECT_EQ(clicked, 1);
  link.SetEnabled(false);
  EXPECT_FALSE(Desk.Click(link.Handle()));
  EXPECT_EQ(clicked, 1);
}

// An edit that sees every message before the system's edit does.
class TDigitsEdit : public TEdit {
 public:
  using TEdit::TEdit;
  std::vector<UINT> Seen;
  bool WantTab = false;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    Seen.push_back(msg);
    if (msg == win::WM_CHAR && (wParam < u'0' || wParam > u'9')) return 0;
    if (msg == win::WM_GETDLGCODE && WantTab) return win::DLGC_WANTALLKEYS;
    return TEdit::WndProc(msg, wParam, lParam);
  }
};

TEST_F(ControlsTest, SubclassedEditSeesMessagesFirstAndPassesTheRestOn) {
  TTestForm form(App);
  form.SetOwnerWindow(Owner);
  TDigitsEdit digits(&form);
  digits.SetBounds(140, 8, 80, 21);
  ASSERT_TRUE(form.Show());
  EXPECT_EQ(Desk.Window(digits.Handle())->ClassName, u"EDIT");
  digits.SetFocus();
  Desk.TypeText(0, u"1a2");
  Pump();
  EXPECT_EQ(digits.Text(), u"12");
  EXPECT_EQ(std::count(digits.Seen.begin(), digits.Seen.end(), win::WM_CHAR), 3);
  EXPECT_EQ(std::count(digits.Seen.begin(), digits.Seen.end(), win::WM_SETFOCUS), 1);

  // A control that asks for all keys gets Tab instead of the dialog.
  digits.WantTab = true;
  Desk.KeyPress(0, win::VK_TAB);
  Pump();
  EXPECT_EQ(Desk.FocusWindow(), digits.Handle());
  digits.WantTab = false;
  Desk.KeyPress(0, win::VK_TAB);
  Pump();
  EXPECT_NE(Desk.FocusWindow(), digits.Handle());
}

TEST_F(ControlsTest, MemoLinesSelectionAndAContextMenuTheHandlerKeepsAway) {
  TTestForm form(App);
  form.SetOwnerWindow(Owner);
  TMemo memo(&form);
  memo.SetReadOnly(true);
  memo.SetLines({u"first", u"second"});
  ASSERT_TRUE(form.Show());
  EXPECT_EQ(memo.Lines(), (std::vector<std::u16string>{u"first", u"second"}));
  EXPECT_TRUE(Desk.Window(memo.Handle())->Style & win::ES_MULTILINE);
  memo.SelectAll();
  EXPECT_EQ(memo.SelLength(), 13);

  Desk.ContextMenu(memo.Handle());
  EXPECT_EQ(Desk.Window(memo.Handle())->Ctl.ContextMenuCount, 1);  // the edit's own menu
  bool asked = false;
  memo.OnContextPopup = [&](TControl&, TPoint, bool& handled) {
    asked = true;
    handled = true;
  };
  Desk.ContextMenu(memo.Handle());
  EXPECT_TRUE(asked);
  EXPECT_EQ(Desk.Window(memo.Handle())->Ctl.ContextMenuCount, 1);

  // Enter in a memo that does not want returns still presses the default button.
  int okClicks = 0;
  form.Ok.OnClick = [&](TControl&) { ++okClicks; };
  memo.SetFocus();
  Desk.KeyPress(0, win::VK_RETURN);
  Pump();
  EXPECT_EQ(okClicks, 1);
}

TEST_F(ControlsTest, BoundsAreScaledByThePixelsPerInch) {
  for (const int ppi : {96, 120, 144}) {
    Desk.PixelsPerInch = ppi;
    TTestForm form(App);
    form.SetOwnerWindow(Owner);
    TButton odd(&form);
    odd.SetBounds(6, 2, 10, 3);  // 7.5 and 2.5 at 120 DPI: halves round away from zero
    ASSERT_TRUE(form.Show());
    const auto s = [ppi](int v) { return (v * ppi * 2 + 96) / 192; };
    EXPECT_EQ(form.PixelsPerInch(), ppi);
    EXPECT_EQ(ClientRectOf(form.Ok), (TRect{s(136), s(168), s(136) + s(75), s(168) + s(25)})) << ppi;
    const TSimWindow* f = Desk.Window(form.Handle());
    EXPECT_EQ(TSimDesktop::ClientRect(*f).Width(), s(300));
    EXPECT_EQ(TSimDesktop::ClientRect(*f).Height(), s(200));
    if (ppi == 120) {
      EXPECT_EQ(ClientRectOf(odd), (TRect{8, 3, 8 + 13, 3 + 4}));
    }
    // Centred over the owner.
    EXPECT_EQ(f->Rect.Left, 100 + (800 - f->Rect.Width()) / 2);
    EXPECT_EQ(f->Rect.Top, 100 + (600 - f->Rect.Height()) / 2);
  }
  EXPECT_EQ(ScaleByPpi(-6, 120), -8);
}

TEST_F(ControlsTest, FormStaysOnTheScreenWhenItsOwnerIsAtTheEdge) {
  Desk.Window(Owner)->Rect = {-50, 1000, 150, 1080};
  TTestForm form(App);
  form.SetOwnerWindow(Owner);
  ASSERT_TRUE(form.Show());
  const TRect r = Desk.Window(form.Handle())->Rect;
  EXPECT_EQ(r.Left, 0);
  EXPECT_EQ(r.Bottom, 1080);
}

TEST_F(ControlsTest, ColourDialogOkCancelAndFailure) {
  TColorDialog dialog(Proc);
  dialog.Color = clBtnFace;
  dialog.CustomColors[3] = 0x123456;
  bool ownerDisabled = false;
  Desk.ColorResponder = [&](TSimProcess&, TChooseColor& cc) {
    ownerDisabled = !Desk.IsWindowEnabled(Owner);
    EXPECT_EQ(cc.Color, Proc.GetSysColor(win::COLOR_BTNFACE));  // system colours as RGB
    EXPECT_TRUE(cc.Flags & win::CC_RGBINIT);
    EXPECT_EQ(cc.CustColors[3], 0x123456u);
    cc.CustColors[0] = 0xABCDEF;
    cc.Color = 0x00FF00;
    return true;
  };
  EXPECT_TRUE(dialog.Execute(Owner));
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(Desk.IsWindowEnabled(Owner));
  EXPECT_EQ(dialog.Color, 0x00FF00u);
  EXPECT_EQ(dialog.CustomColors[0], 0xABCDEFu);

  Desk.ColorResponder = [](TSimProcess&, TChooseColor& cc) {
    cc.Color = 0x0000FF;
    cc.CustColors[1] = 0x111111;
    return false;
  };
  EXPECT_FALSE(dialog.Execute(Owner));
  EXPECT_EQ(dialog.Color, 0x00FF00u);  // a cancel keeps the colour
  EXPECT_EQ(dialog.CustomColors[1], 0x111111u);  // but custom colours added stay

  Desk.FailNext("ChooseColorW", win::ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_FALSE(dialog.Execute(Owner));
  EXPECT_EQ(Desk.ColorDialogs.size(), 2u);
}

TEST_F(ControlsTest, AWindowThatCannotBeMadeIsReportedAndNothingIsShown) {
  {
    TTestForm form(App);
    form.SetOwnerWindow(Owner);
    Desk.FailNext("CreateWindowExW", win::ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(form.ShowModal(), mrNone);
    EXPECT_FALSE(form.HandleAllocated());
    ASSERT_EQ(Desk.Dialogs.size(), 1u);
    EXPECT_EQ(Desk.Dialogs[0].Type, TMsgDlgType::Error);
    EXPECT_EQ(Desk.Dialogs[0].Text.substr(0, 10), u"Not enough");
    EXPECT_TRUE(Desk.IsWindowEnabled(Owner));
  }
  {
    // A child that cannot be subclassed: the whole dialog goes, nothing half-made stays.
    TTestForm form(App);
    form.SetOwnerWindow(Owner);
    Desk.FailNext("SetWindowProcW", win::ERROR_ACCESS_DENIED);
    EXPECT_FALSE(form.Show());
    EXPECT_FALSE(form.HandleAllocated());
    EXPECT_FALSE(form.Edit.HandleAllocated());
    EXPECT_EQ(Desk.Dialogs.size(), 2u);
    for (HWND h : Desk.TopLevelWindows()) EXPECT_NE(Desk.Window(h)->ClassName, u"TTestForm");
    // Once the system recovers, the same form shows.
    EXPECT_TRUE(form.Show());
    EXPECT_TRUE(form.Cancel.HandleAllocated());
  }
}

TEST_F(ControlsTest, PaintingReleasesEveryGdiObjectItMade) {
  TTestForm form(App);
  form.SetOwnerWindow(Owner);
  TPanel swatch(&form);
  swatch.BevelOuter = TBevelCut::bvLowered;
  swatch.SetColor(0x336699);
  TImage image(&form);
  image.SetBounds(200, 8, 40, 40);
  image.SetIcon(Proc.LoadIconW(1));
  ASSERT_TRUE(form.Show());
  Desk.Paint(form.Handle());  // the form's own face behind its controls
  EXPECT_EQ(Desk.Window(form.Handle())->LastFillColor, Proc.GetSysColor(win::COLOR_BTNFACE));
  EXPECT_EQ(Desk.Window(form.Handle())->LastFillRect, (TRect{0, 0, 300, 200}));
  const int before = Desk.GdiObjectCount(Proc.Pid);
  Desk.Paint(swatch.Handle());
  Desk.Paint(form.Group.Handle());
  Desk.Paint(image.Handle());
  EXPECT_EQ(Desk.GdiObjectCount(Proc.Pid), before);
  const TSimWindow* s = Desk.Window(swatch.Handle());
  EXPECT_EQ(LastOp(s, "FillRect")->Color, 0x336699u);
  EXPECT_EQ(LastOp(s, "DrawEdge")->Flags, (win::BDR_SUNKENOUTER << 16) | win::BF_RECT);
  const TSimPaintOp* icon = LastOp(Desk.Window(image.Handle()), "DrawIcon");
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->Rect, (TRect{(40 - 32) / 2, (40 - 32) / 2, (40 - 32) / 2 + 32, (40 - 32) / 2 + 32}));
  // The group box's caption covers its frame's top line.
  const TSimWindow* g = Desk.Window(form.Group.Handle());
  EXPECT_EQ(LastOp(g, "DrawText")->Text, u"Group");
  EXPECT_EQ(LastOp(g, "DrawEdge")->Flags, (win::EDGE_ETCHED << 16) | win::BF_RECT);

  // Our own windows tell the font they paint with, as the system's do:
  // made when asked, and anew after a change, the old one freed.
  const auto told = [&] {
    return Desk.GdiObject(static_cast<HGDIOBJ>(Proc.SendMessageW(form.Group.Handle(), win::WM_GETFONT, 0, 0)));
  };
  ASSERT_NE(told(), nullptr);
  EXPECT_EQ(told()->LogFont.Height, form.Group.Font().LogFont().Height);
  EXPECT_EQ(Desk.GdiObjectCount(Proc.Pid), before + 1);
  form.Group.Font().SetHeight(-20);
  EXPECT_EQ(told()->LogFont.Height, -20);
  EXPECT_EQ(Desk.GdiObjectCount(Proc.Pid), before + 1);

  int clicks = 0;
  swatch.OnClick = [&](TControl&) { ++clicks; };
  EXPECT_TRUE(Desk.Click(swatch.Handle()));
  EXPECT_EQ(clicks, 1);

  // Destroying the form frees the standard controls' fonts too.
  form.DestroyHandle();
  swatch.SetColor(0);  // no window: nothing to do, nothing breaks
}

}  // namespace

// The framework's application alone has no main window and reports an error
// in a plain box under its title; the program's own reports it in its
// message box, under the program's caption.
TEST(ApplicationErrorReportTest, TheFrameworkAloneAndTheProgramEachShowTheirBox) {
  struct TCase {
    bool Program;
    const char16_t* Caption;
  };
  for (const TCase& c : {TCase{false, u"bare"}, TCase{true, DefaultDialogCaption}}) {
    SCOPED_TRACE(c.Program ? "program" : "framework");
    TSimDesktop desk;
    TSimProcess& proc = desk.AddProcess(u"C:\\Tools\\bare.exe");
    std::unique_ptr<TBaseApplication> app;
    if (c.Program) {
      app = std::make_unique<TApplication>(proc);
    } else {
      app = std::make_unique<TBaseApplication>(proc);
    }
    app->Initialize();
    EXPECT_EQ(app->MainFormHandle(), HWND(0));
    app->ShowException(std::runtime_error("disk gone"));
    ASSERT_EQ(desk.Dialogs.size(), 1u);
    EXPECT_EQ(desk.Dialogs[0].Text, u"disk gone");
    EXPECT_EQ(desk.Dialogs[0].Caption, c.Caption);
    EXPECT_EQ(desk.Dialogs[0].Type, TMsgDlgType::Error);
  }
}

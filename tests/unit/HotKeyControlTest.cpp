// The hot-key field's capture: what it shows while keys go down and up, the
// shortcut it gives, and the simulated keyboard it reads key names from.
#include <gtest/gtest.h>

#include <initializer_list>

#include "Application.h"
#include "RsHotkey.h"
#include "SimDesktop.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

constexpr std::uint16_t VK_A = 'A', VK_TAB = 0x09, VK_PRIOR = 0x21, VK_LWIN = 0x5B, VK_F12 = 0x7B,
                        VK_BACK = 0x08, VK_DELETE = 0x2E;

// A user at the keyboard of a simulated desktop, typing into one field.
struct TTypist {
  TSimDesktop Desk;
  TSimProcess& Proc = Desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  TRsHotKeyCapture Field;
  std::vector<std::u16string> Shown;  // the text after each key

  void Press(std::uint16_t vk) {
    Desk.KeysDown[vk] = true;
    Field.KeyDown(Proc, vk, Desk.KeyData(vk));
    Shown.push_back(Field.Text());
  }
  void Release(std::uint16_t vk) {
    Desk.KeysDown[vk] = false;
    Field.KeyUp();
    Shown.push_back(Field.Text());
  }
  void Tap(std::uint16_t vk) { Press(vk), Release(vk); }
  void ReleaseAll(std::initializer_list<std::uint16_t> keys) {
    for (std::uint16_t k : keys) Release(k);
  }
};

}  // namespace

TEST(HotKeyCapture, CtrlComesBeforeShiftWhateverTheOrderOfPressing) {
  TTypist t;
  t.Press(win::VK_SHIFT);
  t.Press(win::VK_CONTROL);
  t.Press(VK_A);
  EXPECT_EQ(t.Shown, (std::vector<std::u16string>{u"Shift + ", u"Ctrl + Shift + ", u"Ctrl + Shift + A"}));
  EXPECT_EQ(t.Field.HotKey(), scCtrl | scShift | VK_A);
  // The next key replaces the combination; the held modifiers stay in it.
  t.Release(VK_A);
  t.Release(win::VK_SHIFT);
  t.Press(VK_TAB);
  EXPECT_EQ(t.Field.Text(), u"Ctrl + Tab");
  EXPECT_EQ(t.Field.HotKey(), scCtrl | VK_TAB);
}

TEST(HotKeyCapture, ModifiersAloneGoWhenReleasedOrWhenTheOwnerIsLeft) {
  TTypist t;
  t.Press(win::VK_SHIFT);
  EXPECT_EQ(t.Field.Text(), u"Shift + ");
  t.Release(win::VK_SHIFT);
  EXPECT_TRUE(t.Field.IsEmpty());
  EXPECT_EQ(t.Field.CharCode(), 0);
  EXPECT_EQ(t.Field.HotKey(), 0);

  t.Press(win::VK_CONTROL);
  EXPECT_TRUE(t.Field.OwnerDeactivated());
  EXPECT_TRUE(t.Field.IsEmpty());
  EXPECT_EQ(t.Field.CharCode(), 0);
  // A finished combination survives both.
  t.Press(VK_A);
  EXPECT_FALSE(t.Field.OwnerDeactivated());
  t.Release(VK_A);
  EXPECT_EQ(t.Field.Text(), u"Ctrl + A");
}

TEST(HotKeyCapture, WindowsKeyEmptiesTheFieldAndGivesNoShortcut) {
  TTypist t;
  t.Press(win::VK_CONTROL);
  t.Press(VK_A);
  t.Press(VK_LWIN);
  EXPECT_TRUE(t.Field.IsEmpty());
  EXPECT_EQ(t.Field.HotKey(), 0);
  t.ReleaseAll({VK_LWIN, VK_A, win::VK_CONTROL});
  EXPECT_TRUE(t.Field.IsEmpty());
  for (std::uint16_t vk : {std::uint16_t(0x5C), std::uint16_t(0x5D)}) {  // right Windows, Applications
    t.Tap(VK_A);
    t.Tap(vk);
    EXPECT_TRUE(t.Field.IsEmpty()) << vk;
  }
  // Clear keeps the last code, but an empty field stands for no shortcut.
  t.Tap(VK_F12);
  t.Field.Clear();
  EXPECT_EQ(t.Field.CharCode(), VK_F12);
  EXPECT_EQ(t.Field.HotKey(), 0);
}

TEST(HotKeyCapture, KeysShowShortOrSystemNames) {
  TTypist t;
  const std::pair<std::uint16_t, const char16_t*> keys[] = {
      {VK_BACK, u"BkSp"}, {VK_PRIOR, u"PgUp"}, {0x22, u"PgDn"}, {0x2D, u"Ins"},   {VK_DELETE, u"Del"},
      {VK_A, u"A"},       {'Z', u"Z"},         {'7', u"7"},     {0x70, u"F1"},    {0x79, u"F10"},
      {VK_TAB, u"Tab"},   {0x20, u"Space"},    {0x24, u"Home"}, {0x69, u"Num 9"}, {0x26, u"Up"},
  };
  for (const auto& [vk, name] : keys) {
    t.Tap(vk);
    EXPECT_EQ(t.Field.Text(), name) << vk;
    EXPECT_EQ(t.Field.HotKey(), vk);
  }
  // The short names are the field's own: the keyboard is not asked for them.
  t.Desk.ClearCalls();
  t.Tap(VK_PRIOR);
  EXPECT_EQ(t.Desk.CountCalls("GetKeyNameTextW"), 0);
  // A key the layout has no name for shows the modifiers only, and still
  // makes a shortcut of its code.
  t.Press(win::VK_CONTROL);
  t.Press(0xE8);
  EXPECT_EQ(t.Field.Text(), u"Ctrl + ");
  EXPECT_FALSE(t.Field.ModifiersOnly());
  EXPECT_EQ(t.Field.HotKey(), scCtrl | 0xE8);
}

TEST(HotKeyCapture, InvalidModifiersAreLeftOut) {
  TTypist t;
  t.Field.InvalidModifiers = rmShift | rmExt;
  t.Press(win::VK_SHIFT);
  t.Press(win::VK_MENU);
  t.Press(VK_DELETE);
  EXPECT_EQ(t.Field.Text(), u"Alt + Del");
  EXPECT_EQ(t.Field.HotKey(), scAlt | VK_DELETE);
}

TEST(SimKeyboard, KeyDataCarriesScanCodeExtendedFlagAndAlt) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\a.exe");
  const LPARAM pageUp = desk.KeyData(VK_PRIOR);
  EXPECT_EQ((pageUp >> 16) & 0xFF, 0x49);
  EXPECT_EQ((pageUp >> 24) & 1, 1);
  EXPECT_EQ(pageUp & KeyDataAltDown, 0);
  EXPECT_EQ(desk.KeyData(0xE8), 0);
  desk.KeysDown[win::VK_MENU] = true;
  EXPECT_NE(desk.KeyData(VK_A) & KeyDataAltDown, 0);
  EXPECT_LT(static_cast<std::int32_t>(desk.KeyData(VK_A, /*up=*/true)), 0);  // bit 31: released

  char16_t buffer[8];
  EXPECT_EQ(p.GetKeyNameTextW(desk.KeyData(VK_PRIOR), buffer, 8), 7);
  EXPECT_EQ(std::u16string(buffer), u"Page Up");
  // A short buffer takes what fits and a terminating zero.
  EXPECT_EQ(p.GetKeyNameTextW(desk.KeyData(0x5C), buffer, 6), 5);
  EXPECT_EQ(std::u16string(buffer), u"Right");
  desk.FailNext("GetKeyNameTextW", 87);
  EXPECT_EQ(p.GetKeyNameTextW(pageUp, buffer, 8), 0);
  EXPECT_EQ(p.GetLastError(), 87u);
}

// --- The field on a form of the simulated desktop ----------------------------------------

#include "FormTest.h"

namespace {

class THotKeyForm : public TForm {
 public:
  explicit THotKeyForm(TApplication& app) : TForm(app, u"THotKeyForm") {
    SetClientSize(260, 110);
    Shown.SetBounds(8, 39, 243, 23);
    Shown.SetBorderStyle(bsNone);
    Shown.SetFlatStyle(rfsFlatNormal);
    Shown.SetReadOnly(true);
    Keys.SetBounds(124, 70, 127, 23);
    Keys.SetBorderStyle(bsNone);
    Keys.SetFlatStyle(rfsFlatNormal);
    Add.SetBounds(160, 0, 85, 23);
  }
  TRsEdit Shown{this};
  TRsHotKey Keys{this};
  TButton Add{this};
};

class HotKeyFieldTest : public test::TFormTest {
 protected:
  // A key as Windows delivers it: a system key while Alt is held without Ctrl.
  void Key(HWND wnd, std::uint16_t vk, bool down) {
    Desk.KeysDown[vk] = down;
    const bool sys = Desk.KeysDown[win::VK_MENU] && !Desk.KeysDown[win::VK_CONTROL];
    const UINT msg = down ? (sys ? win::WM_SYSKEYDOWN : win::WM_KEYDOWN) : (sys ? win::WM_SYSKEYUP : win::WM_KEYUP);
    Proc.SendMessageW(wnd, msg, vk, Desk.KeyData(vk, !down));
  }
};

}  // namespace

TEST_F(HotKeyFieldTest, KeysPressedInTheFieldShowAsTheirCombination) {
  THotKeyForm form(App);
  int changes = 0;
  form.Keys.OnChange = [&](TControl&) { ++changes; };
  ASSERT_TRUE(form.Show());
  form.Keys.SetFocus();
  const HWND keys = form.Keys.Handle();
  Key(keys, win::VK_CONTROL, true);
  EXPECT_EQ(Shown(form.Keys), u"Ctrl + ");
  Key(keys, win::VK_MENU, true);
  Key(keys, VK_F12, true);
  EXPECT_EQ(Shown(form.Keys), u"Ctrl + Alt + F12");
  Key(keys, VK_F12, false);
  Key(keys, win::VK_MENU, false);
  Key(keys, win::VK_CONTROL, false);
  EXPECT_EQ(Shown(form.Keys), u"Ctrl + Alt + F12");
  EXPECT_EQ(form.Keys.HotKey(), scCtrl | scAlt | VK_F12);
  EXPECT_EQ(form.Keys.SelStart(), 16);  // the caret at the end
  EXPECT_EQ(changes, 3);
  // Alt alone arrives as a system key and is captured the same way.
  Key(keys, win::VK_MENU, true);
  EXPECT_EQ(Shown(form.Keys), u"Alt + ");
  Key(keys, win::VK_MENU, false);
  EXPECT_TRUE(form.Keys.IsEmpty());
  EXPECT_TRUE(Desk.Window(keys)->ImeDisabled);
}

// Tab, Shift+Tab, Enter and Esc alone are the dialog's, as in Windows' own
// hot-key control; with Ctrl or Alt they are captured like any key.
TEST_F(HotKeyFieldTest, TabMovesOnAndWithCtrlOrAltIsCapturedLikeAnyKey) {
  THotKeyForm form(App);
  ASSERT_TRUE(form.Show());
  const struct {
    int Key;
    unsigned Modifiers;
    TControl& Focus;
    const char16_t* Text;
  } cases[] = {
      {VK_TAB, 0, form.Add, u""},
      {VK_TAB, kmShift, form.Shown, u""},
      {VK_TAB, kmCtrl, form.Keys, u"Ctrl + Tab"},
      {VK_TAB, kmAlt, form.Keys, u"Alt + Tab"},
      {VK_TAB, kmCtrl | kmShift, form.Keys, u"Ctrl + Shift + Tab"},
      {win::VK_RETURN, 0, form.Keys, u""},
      {win::VK_ESCAPE, 0, form.Keys, u""},
      {win::VK_RETURN, kmCtrl, form.Keys, u"Ctrl + Enter"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    form.Keys.Clear();
    form.Keys.SetFocus();
    Desk.KeyPress(0, c.Key, c.Modifiers);
    Pump();
    EXPECT_EQ(Desk.FocusWindow(), c.Focus.Handle());
    EXPECT_EQ(Shown(form.Keys), c.Text);
  }
  form.Keys.SetFocus();
  Desk.TypeText(0, u"abc");
  Pump();
  EXPECT_EQ(Shown(form.Keys), u"Ctrl + Enter");
  Key(form.Keys.Handle(), VK_A, true);
  Key(form.Keys.Handle(), VK_A, false);
  EXPECT_EQ(Shown(form.Keys), u"A");
  form.Keys.Clear();
  EXPECT_TRUE(form.Keys.IsEmpty());
  EXPECT_EQ(form.Keys.HotKey(), 0);
  // Its own context menu never shows; the plain edit's neither, by default.
  Desk.ContextMenu(form.Keys.Handle());
  Desk.ContextMenu(form.Shown.Handle());
  EXPECT_EQ(Desk.Window(form.Keys.Handle())->Ctl.ContextMenuCount, 0);
  EXPECT_EQ(Desk.Window(form.Shown.Handle())->Ctl.ContextMenuCount, 0);
  form.Shown.DefaultContextMenuEnabled = true;
  Desk.ContextMenu(form.Shown.Handle());
  EXPECT_EQ(Desk.Window(form.Shown.Handle())->Ctl.ContextMenuCount, 1);
}

TEST_F(HotKeyFieldTest, HalfPressedCombinationGoesWhenTheFormIsLeft) {
  THotKeyForm form(App);
  ASSERT_TRUE(form.Show());
  const HWND other = Desk.AddForeignWindow(Proc.Pid, u"Notepad", u"Other", 0, {500, 500, 700, 700});
  form.Keys.SetFocus();
  Key(form.Keys.Handle(), win::VK_CONTROL, true);
  EXPECT_EQ(Shown(form.Keys), u"Ctrl + ");
  Desk.Activate(other);
  EXPECT_TRUE(form.Keys.IsEmpty());
  EXPECT_EQ(Shown(form.Keys), u"");
  // A finished one stays.
  Desk.Activate(form.Handle());
  form.Keys.SetFocus();
  Key(form.Keys.Handle(), VK_PRIOR, true);
  Desk.Activate(other);
  EXPECT_EQ(Shown(form.Keys), u"Ctrl + PgUp");
}

TEST_F(HotKeyFieldTest, FlatFrameCentresTheLineAndPaintsItsBorder) {
  THotKeyForm form(App);
  form.Shown.SetFlatBorderColor(0x00123456);
  ASSERT_TRUE(form.Show());
  // The frame recalculation as the system asks for it: the window rectangle in.
  TRect r{8, 39, 251, 62};
  Proc.SendMessageW(form.Shown.Handle(), win::WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&r));
  const int line = form.Shown.Frame().Client.Height();
  EXPECT_GT(line, 0);
  EXPECT_EQ(r.Left, 10);
  EXPECT_EQ(r.Right, 249);
  EXPECT_LE(std::abs((r.Top - 39) - (62 - r.Bottom)), 1);  // as much room above as below
  auto& log = Desk.Window(form.Shown.Handle())->PaintLog;
  log.clear();
  const int objects = Desk.GdiObjectCount(Proc.Pid);
  Proc.SendMessageW(form.Shown.Handle(), win::WM_NCPAINT, 1, 0);
  bool framed = false;
  for (const auto& op : log)
    framed |= op.Op == "FrameRect" && op.Color == 0x00123456 && op.Rect == TRect{0, 0, 243, 23};
  EXPECT_TRUE(framed);
  EXPECT_EQ(Desk.GdiObjectCount(Proc.Pid), objects);  // its brushes given back
}

TEST_F(HotKeyFieldTest, TheRoundedStyleRoundsTheWholeWindowOutsideTheTextLine) {
  THotKeyForm form(App);
  form.Shown.SetFlatStyle(rfsFlatRounded);
  form.Shown.SetFlatBorderColor(0x00123456);
  form.Shown.SetColor(0x00F0E0D0);
  ASSERT_TRUE(form.Show());
  TRect r{8, 39, 251, 62};
  Proc.SendMessageW(form.Shown.Handle(), win::WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&r));
  for (const int radius : {2, 5}) {
    form.Shown.SetCornerRadius(radius);
    auto& log = Desk.Window(form.Shown.Handle())->PaintLog;
    log.clear();
    Proc.SendMessageW(form.Shown.Handle(), win::WM_NCPAINT, 1, 0);
    const TRsEditFrame& f = form.Shown.Frame();
    std::vector<std::string> ops;
    for (const auto& op : log) {
      ops.push_back(op.Op);
      if (op.Op == "ExcludeClipRect") {
        EXPECT_EQ(op.Rect, (TRect{f.Left.Right, f.Left.Top, f.Right.Left, f.Right.Bottom}));
      }
      if (op.Op != "RoundRect") continue;
      EXPECT_EQ(op.Rect, (TRect{0, 0, 243, 23}));
      EXPECT_EQ(op.Points[0], (TPoint{2 * radius, 2 * radius}));
      EXPECT_EQ(op.Flags, 0x00123456u) << "outline";
      EXPECT_EQ(op.Color, 0x00F0E0D0u) << "fill";
    }
    EXPECT_EQ(ops, (std::vector<std::string>{"FillRect", "FillRect", "FillRect", "FillRect", "ExcludeClipRect",
                                             "RoundRect"}));
  }
}

TEST_F(HotKeyFieldTest, TheTextHintIsTheEditsCueBannerAlsoAfterTheWindowIsMadeAgain) {
  THotKeyForm form(App);
  form.Keys.SetTextHint(u"Press a key");
  ASSERT_TRUE(form.Show());
  EXPECT_EQ(Desk.Window(form.Keys.Handle())->Ctl.CueBanner, u"Press a key");
  form.Keys.SetBorderStyle(bsSingle);  // makes the window again
  EXPECT_EQ(Desk.Window(form.Keys.Handle())->Ctl.CueBanner, u"Press a key");
  form.Keys.SetTextHint(u"");
  EXPECT_EQ(Desk.Window(form.Keys.Handle())->Ctl.CueBanner, u"");
}

// The options dialog against a loupe on the simulated desktop: what it shows
// when it opens, every control acting on the loupe at once, the shortcut's
// delete and add, and what closing it saves.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "Application.h"
#include "Format.h"
#include "LoupeTest.h"
#include "Main.h"
#include "Option.h"
#include "RsSpinEdit.h"
#include "RsTrayIcon.h"
#include "SimDesktop.h"
#include "TestFiles.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

constexpr TShortCut CtrlShiftAltL = scCtrl | scShift | scAlt | 0x4C;
constexpr TShortCut CtrlF12 = scCtrl | 0x7B;
const std::u16string AllThree = u"[ShortCut]\r\nActPopMinimizeAndRestore=76,Ctrl+Shift+Alt+\r\n";

class OptionFormTest : public test::TLoupeTest {
 protected:
  explicit OptionFormTest(test::TImages images = test::TImages::Strip) : TLoupeTest(u"C:\\A\\lensoro.exe", images) {}
  void Start(const std::u16string& ini) { Copy.Start(ini); }
  TOptionForm& Open() {
    Parts(Form).Commands.ActPopShowOption.Execute();
    EXPECT_NE(Parts(Form).Commands.OptionForm(), nullptr);
    return *Parts(Form).Commands.OptionForm();
  }
  void Pump() {
    TMsg m;
    while (Proc.PeekMessageW(m, true)) {
      if (m.Message == win::WM_QUIT) break;
      if (App.ProcessDialogMessage(m)) continue;
      Proc.TranslateMessage(m);
      Proc.DispatchMessageW(m);
    }
  }
  // A key in the capture field as Windows delivers it (a system key while Alt
  // is held without Ctrl).
  void Key(HWND wnd, std::uint16_t vk, bool down) {
    Desk.KeysDown[vk] = down;
    const bool sys = Desk.KeysDown[win::VK_MENU] && !Desk.KeysDown[win::VK_CONTROL];
    const UINT msg = down ? (sys ? win::WM_SYSKEYDOWN : win::WM_KEYDOWN) : (sys ? win::WM_SYSKEYUP : win::WM_KEYUP);
    Proc.SendMessageW(wnd, msg, vk, Desk.KeyData(vk, !down));
  }
  // Presses the keys in order in the capture field and lets go in reverse.
  void Capture(TOptionForm& form, std::initializer_list<std::uint16_t> keys) {
    form.HotKey101.SetFocus();
    for (std::uint16_t k : keys) Key(form.HotKey101.Handle(), k, true);
    for (auto k = std::rbegin(keys); k != std::rend(keys); ++k) Key(form.HotKey101.Handle(), *k, false);
  }
  std::u16string Shown(const TControl& c) { return Desk.Window(c.Handle())->Title; }
  // The shipped English file in use, so that the captions carry access keys.
  void StartInEnglish(const std::u16string& ini = u"") {
    std::ifstream in(std::string(LENSORO_LANG_DIR) + "/English.lang", std::ios::binary);
    Desk.AddFile(u"C:\\A\\Lang\\English.lang", std::string(std::istreambuf_iterator<char>(in), {}));
    Start(u"[Language]\r\nLangFileName=C:\\A\\Lang\\English.lang\r\n" + ini);
  }
  // The focused control by name; a radio button by its group's.
  std::u16string Focus(TOptionForm& form) {
    TControl* c = form.FindControl(Desk.FocusWindow());
    if (!c) return u"(none)";
    return dynamic_cast<TRadioButton*>(c) ? c->Parent()->Name : c->Name;
  }
  void Press(int key, unsigned modifiers = 0) {
    Desk.KeyPress(0, key, modifiers);
    Pump();
  }
  std::u16string Ini() { return test::Utf16Text(Desk.FileText(u"C:\\A\\lensoro.ini")); }
  int OptionWindows() {
    int n = 0;
    for (HWND h : Desk.TopLevelWindows()) n += Desk.Window(h)->ClassName == u"TOptionForm";
    return n;
  }
};

TEST_F(OptionFormTest, OpensOnceFromTheMenuShowingTheLoupesState) {
  Start(AllThree + u"[Loupe]\r\nLoupeMode=1\r\nLoupeColorMode=2\r\nLoupeSrcOrigin=4\r\n");
  Parts(Form).Settings.IsSilentMode = true;
  TOptionForm& form = Open();
  EXPECT_EQ(OptionWindows(), 1);
  Parts(Form).Commands.ActPopShowOption.Execute();  // a second command while it is open does nothing
  EXPECT_EQ(OptionWindows(), 1);
  EXPECT_EQ(Parts(Form).Commands.OptionForm(), &form);

  EXPECT_FALSE(Parts(Form).IsTopmost);
  const TSimWindow* w = Desk.Window(form.Handle());
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->Visible);
  EXPECT_EQ(w->Owner, Form->Handle());
  EXPECT_EQ(w->Title, u"ぽてりん - オプション");  // the language's caption
  EXPECT_EQ(TSimDesktop::ClientRect(*w).Width(), 366);
  EXPECT_EQ(TSimDesktop::ClientRect(*w).Height(), 592);
  EXPECT_EQ(form.RadioGroup102.Button(4)->Caption(), u"ちゅーおー");
  EXPECT_EQ(form.CloseButton.Caption(), u"とじる");

  // Designed places, relative to each parent.
  const TRect panel = Desk.Window(form.Panel104.Handle())->Rect, box = Desk.Window(form.GroupBox103.Handle())->Rect;
  EXPECT_EQ(panel.Left - box.Left, 299);
  EXPECT_EQ(panel.Top - box.Top, 123);
  EXPECT_EQ(panel.Width(), 53);
  EXPECT_EQ(form.Panel103.Tag, 103);
  EXPECT_EQ(form.CloseButton.BoundsRect(), (TRect{271, 563, 364, 588}));
  EXPECT_EQ(form.SpinEdit101.BoundsRect(), (TRect{8, 22, 83, 45}));
  EXPECT_EQ(form.SpinEdit102.BoundsRect(), (TRect{114, 15, 189, 38}));
  EXPECT_EQ(form.HotKey101.BoundsRect(), (TRect{124, 70, 251, 93}));
  EXPECT_EQ(Desk.Window(form.HotKey101.Handle())->Parent, form.GroupBox104.Handle());
  EXPECT_EQ(form.SpinEdit101.Tag, 101);
  EXPECT_EQ(form.SpinEdit102.Tag, 102);
  EXPECT_EQ(form.SpinEdit101.SpinStyle(), rssFlat);
  EXPECT_EQ(form.Edit101.FlatStyle(), rfsFlatNormal);
  EXPECT_EQ(form.HotKey101.BorderStyle(), bsNone);

  // The loupe's state.
  EXPECT_TRUE(form.CheckBox101.Checked());
  EXPECT_EQ(form.RadioGroup101.ItemIndex(), 1);
  EXPECT_EQ(form.RadioGroup102.ItemIndex(), 4);
  EXPECT_EQ(form.RadioGroup103.ItemIndex(), 2);
  EXPECT_EQ(form.Panel101.Color(), Parts(Form).Settings.FrameColor(TFrameColorSlot::ActivePointer));
  EXPECT_EQ(form.Panel104.Color(), Parts(Form).Settings.FrameColor(TFrameColorSlot::InactiveWindow));
  EXPECT_EQ(form.ComboBox101.Items(), (std::vector<std::u16string>{u"0:"}));
  EXPECT_EQ(form.ComboBox101.ItemHeight(), 16 + 2 * 2);
  EXPECT_EQ(form.Edit101.Text(), u"Shift + Ctrl + Alt + L");
  EXPECT_TRUE(form.Edit101.ReadOnly());
  EXPECT_TRUE(form.Button101.Enabled());
  EXPECT_FALSE(form.Button102.Enabled());  // nothing captured yet

  // The tab order of the form and Esc closing it.
  std::vector<std::u16string> order;
  for (TControl* c : form.TabList()) order.push_back(c->Name);
  EXPECT_EQ(order, (std::vector<std::u16string>{u"GroupBox101", u"RadioGroup101", u"GroupBox102", u"RadioGroup102",
                                                u"RadioGroup103", u"GroupBox103", u"GroupBox104", u"CheckBox102",
                                                u"CloseButton"}));
  Desk.KeyPress(0, win::VK_ESCAPE);
  TMsg m;
  while (Proc.PeekMessageW(m, true)) {
    if (!App.ProcessDialogMessage(m)) Proc.DispatchMessageW(m);
  }
  EXPECT_EQ(Parts(Form).Commands.OptionForm(), nullptr);
  EXPECT_EQ(OptionWindows(), 0);
  EXPECT_TRUE(Parts(Form).IsTopmost);
}

TEST_F(OptionFormTest, EveryControlActsOnTheLoupeAtOnce) {
  Start(u"");
  TOptionForm& form = Open();
  const HWND mag = Form->Magnifier().Handle();
  ASSERT_NE(mag, 0u);

  ASSERT_TRUE(Desk.Click(form.RadioGroup103.Button(1)->Handle()));
  EXPECT_EQ(Parts(Form).Settings.LoupeColorMode, lcmInvert);
  EXPECT_EQ(std::memcmp(&Desk.Window(mag)->ColorEffect, &LoupeColorMatrices[lcmInvert], sizeof(TMagColorEffect)), 0);

  ASSERT_TRUE(Desk.Click(form.RadioGroup101.Button(1)->Handle()));
  EXPECT_EQ(Parts(Form).Settings.LoupeMode, lmWindow);
  ASSERT_TRUE(Desk.Click(form.RadioGroup102.Button(3)->Handle()));
  EXPECT_EQ(Parts(Form).Settings.LoupeSrcOrigin, lsoBottomRight);
  ASSERT_TRUE(Desk.Click(form.CheckBox101.Handle()));
  EXPECT_TRUE(Parts(Form).Settings.IsSilentMode);

  // The rate field: what is typed in range counts at once, out of range
  // not until leaving the field clamps it.
  EXPECT_EQ(Shown(form.SpinEdit101), u"2.0");
  form.SpinEdit101.SetFocus();
  form.SpinEdit101.SetText(u"");
  Desk.TypeText(0, u"3.5");
  Pump();
  EXPECT_FLOAT_EQ(Parts(Form).Settings.LoupeRate, 3.5f);
  EXPECT_FLOAT_EQ(Desk.Window(mag)->Transform.v[0][0], 3.5f);
  form.SpinEdit101.SetText(u"");
  Desk.TypeText(0, u"9");
  Pump();
  EXPECT_EQ(Shown(form.SpinEdit101), u"9");
  EXPECT_FLOAT_EQ(Parts(Form).Settings.LoupeRate, 3.5f);
  Desk.KeyPress(0, win::VK_TAB);
  Pump();
  EXPECT_EQ(Shown(form.SpinEdit101), u"8.0");
  EXPECT_FLOAT_EQ(Parts(Form).Settings.LoupeRate, 8.0f);
  EXPECT_FLOAT_EQ(Desk.Window(mag)->Transform.v[0][0], 8.0f);
  // Its arrows and the Up key step by a tenth and stop at the top.
  ASSERT_TRUE(Desk.Click(form.SpinEdit101.UpDownButton().DownButton().Handle()));
  EXPECT_FLOAT_EQ(Parts(Form).Settings.LoupeRate, 7.9f);
  Desk.KeyPress(form.SpinEdit101.Handle(), win::VK_UP);
  Desk.KeyPress(form.SpinEdit101.Handle(), win::VK_UP);
  Pump();
  EXPECT_EQ(Shown(form.SpinEdit101), u"8.0");
  EXPECT_FLOAT_EQ(Desk.Window(mag)->Transform.v[0][0], 8.0f);
  form.SpinEdit101.SetText(u"");
  Desk.TypeText(0, u"1");  // on the way to 1.4: below the bottom, ignored
  Pump();
  EXPECT_FLOAT_EQ(Parts(Form).Settings.LoupeRate, 8.0f);
  Desk.TypeText(0, u".4");
  Pump();
  EXPECT_FLOAT_EQ(Parts(Form).Settings.LoupeRate, 1.4f);
  form.SpinEdit101.SetText(u"");
  Desk.TypeText(0, u"8");  // the top itself counts at once
  Pump();
  EXPECT_FLOAT_EQ(Parts(Form).Settings.LoupeRate, 8.0f);
  EXPECT_FLOAT_EQ(Desk.Window(mag)->Transform.v[0][0], 8.0f);

  // The frame width: whole pixels, 0 to 10.
  EXPECT_EQ(Shown(form.SpinEdit102), u"4");
  ASSERT_TRUE(Desk.Click(form.SpinEdit102.UpDownButton().UpButton().Handle()));
  EXPECT_EQ(Parts(Form).Settings.FrameWidth, 5);
  form.SpinEdit102.SetText(u"");
  Desk.TypeText(0, u"10");
  Pump();
  EXPECT_EQ(Parts(Form).Settings.FrameWidth, 10);
  Desk.KeyPress(form.SpinEdit102.Handle(), win::VK_UP);
  Pump();
  EXPECT_EQ(Shown(form.SpinEdit102), u"10");
  EXPECT_EQ(Parts(Form).Settings.FrameWidth, 10);

  // A swatch: the dialog starts from its colour, "ColorA" is it as RGB.
  Desk.ColorResponder = [&](TSimProcess&, TChooseColor& cc) {
    EXPECT_EQ(cc.Owner, form.Handle());
    EXPECT_EQ(cc.Color, Parts(Form).Settings.FrameColor(TFrameColorSlot::ActiveWindow));
    EXPECT_EQ(cc.CustColors[0], Parts(Form).Settings.FrameColor(TFrameColorSlot::ActiveWindow));
    cc.Color = 0x102030;
    return true;
  };
  ASSERT_TRUE(Desk.Click(form.Panel103.Handle()));
  EXPECT_EQ(Parts(Form).Settings.FrameColor(TFrameColorSlot::ActiveWindow), 0x102030u);
  EXPECT_EQ(form.Panel103.Color(), 0x102030u);
  Desk.ColorResponder = [](TSimProcess&, TChooseColor& cc) {
    cc.Color = 0x999999;
    return false;
  };
  ASSERT_TRUE(Desk.Click(form.Panel103.Handle()));
  EXPECT_EQ(Parts(Form).Settings.FrameColor(TFrameColorSlot::ActiveWindow), 0x102030u);

  // The tray image: the visible loupe shows the image, a hidden one its faded variant.
  ASSERT_TRUE(Desk.PickComboItem(form.ComboBox101.Handle(), 0));
  EXPECT_EQ(Parts(Form).Settings.TrayIconIndex, 0);
  EXPECT_EQ(Parts(Form).Tray.TrayIcon1->IconIndex(), 0);
  EXPECT_FALSE(Parts(Form).IsTopmost);  // dropping the list down keeps the loupe below it
  Proc.ShowWindow(Form->Handle(), win::SW_HIDE);
  ASSERT_TRUE(Desk.PickComboItem(form.ComboBox101.Handle(), 0));
  EXPECT_EQ(Parts(Form).Tray.TrayIcon1->IconIndex(), 0 + Parts(Form).Tray.OrgIconCount);
}

// Each swatch sets its own frame colour; the colour on show is painted at
// once, the loupe stays below the open dialog, and closing stores all four.
TEST_F(OptionFormTest, EachSwatchSetsItsFrameColourAndTheFrameOnShowRepaints) {
  Start(u"");
  TOptionForm& form = Open();
  ASSERT_FALSE(Parts(Form).IsTopmost);
  const struct {
    TPanel& Panel;
    TFrameColorSlot Slot;
    TColor Color;
  } swatches[] = {
      {form.Panel101, TFrameColorSlot::ActivePointer, 0x00010203u},
      {form.Panel102, TFrameColorSlot::InactivePointer, 0x00040506u},
      {form.Panel103, TFrameColorSlot::ActiveWindow, 0x00070809u},
      {form.Panel104, TFrameColorSlot::InactiveWindow, 0x000A0B0Cu},
  };
  for (const auto& s : swatches) {
    Desk.ColorResponder = [&s](TSimProcess&, TChooseColor& cc) {
      cc.Color = s.Color;
      return true;
    };
    Desk.ClearCalls();
    ASSERT_TRUE(Desk.Click(s.Panel.Handle()));
    EXPECT_EQ(Parts(Form).Settings.FrameColor(s.Slot), s.Color);
    EXPECT_EQ(Form->Color(),
              Parts(Form).Settings.FrameColor(FrameColorSlot(Parts(Form).Settings.LoupeMode, Form->IsActive())));
    EXPECT_FALSE(Parts(Form).IsTopmost);
    for (const auto& c : Desk.Calls()) {
      if (std::string(c.Name).find("Message") != std::string::npos) {
        EXPECT_NE(c.A[1], win::WM_ACTIVATE) << c.Name;
      }
    }
  }
  form.Close();
  Pump();
  const std::u16string ini = Ini();
  for (const char16_t* line :
       {u"ActivePointerModeFrameColor=$00010203\r\n", u"InactivePointerModeFrameColor=$00040506\r\n",
        u"ActiveWindowModeFrameColor=$00070809\r\n", u"InactiveWindowModeFrameColor=$000A0B0C\r\n"}) {
    EXPECT_NE(ini.find(line), std::u16string::npos)
        << std::string(line, line + std::char_traits<char16_t>::length(line));
  }
}

// Tab goes through every control once, the four swatches between the frame
// width and the shortcut's controls; a disabled button is passed over.
TEST_F(OptionFormTest, TabGoesThroughEveryControlAndTheSwatchesShowTheFocus) {
  Start(AllThree);
  TOptionForm& form = Open();
  form.CheckBox101.SetFocus();
  std::vector<std::u16string> order = {Focus(form)};
  for (int i = 0; i < 20; ++i) {
    Press(win::VK_TAB);
    if (Desk.FocusWindow() == form.CheckBox101.Handle()) break;
    order.push_back(Focus(form));
  }
  EXPECT_EQ(order, (std::vector<std::u16string>{u"CheckBox101", u"ComboBox101", u"RadioGroup101", u"SpinEdit101",
                                                u"RadioGroup102", u"RadioGroup103", u"SpinEdit102", u"Panel101",
                                                u"Panel102", u"Panel103", u"Panel104", u"Button101", u"HotKey101",
                                                u"CheckBox102", u"CloseButton"}));
  Press(win::VK_TAB, kmShift);
  EXPECT_EQ(Focus(form), u"CloseButton");

  // The focus cue: a dotted rectangle inside the focused swatch only.
  const auto focusRects = [&](TPanel& p) {
    TSimWindow* w = Desk.Window(p.Handle());
    w->PaintLog.clear();
    Desk.Paint(p.Handle());
    return std::count_if(w->PaintLog.begin(), w->PaintLog.end(),
                         [](const TSimPaintOp& op) { return op.Op == "DrawFocusRect"; });
  };
  form.Panel102.SetFocus();
  EXPECT_EQ(focusRects(form.Panel102), 1);
  EXPECT_EQ(focusRects(form.Panel101), 0);
  form.Panel103.SetFocus();
  EXPECT_EQ(focusRects(form.Panel102), 0);
}

// Space or Enter on a swatch opens the colour chooser for it; its answer
// applies as a click's does. With Ctrl or Alt held the keys do nothing.
TEST_F(OptionFormTest, ASwatchOpensTheChooserWithSpaceOrEnter) {
  Start(u"");
  TOptionForm& form = Open();
  const struct {
    TPanel& Panel;
    int Key;
    unsigned Modifiers;
    TFrameColorSlot Slot;
    bool Opens;
  } cases[] = {
      {form.Panel101, win::VK_SPACE, 0, TFrameColorSlot::ActivePointer, true},
      {form.Panel102, win::VK_RETURN, 0, TFrameColorSlot::InactivePointer, true},
      {form.Panel103, win::VK_SPACE, kmCtrl, TFrameColorSlot::ActiveWindow, false},
      {form.Panel104, win::VK_RETURN, kmAlt, TFrameColorSlot::InactiveWindow, false},
  };
  TColor next = 0x00102030;
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    const TColor before = Form->Settings().FrameColor(c.Slot);
    Desk.ColorResponder = [&](TSimProcess&, TChooseColor& cc) {
      EXPECT_EQ(cc.Color, before);  // it starts from the swatch's colour
      cc.Color = next;
      return true;
    };
    const std::size_t opened = Desk.ColorDialogs.size();
    c.Panel.SetFocus();
    Press(c.Key, c.Modifiers);
    EXPECT_EQ(Desk.ColorDialogs.size(), opened + (c.Opens ? 1 : 0));
    EXPECT_EQ(Form->Settings().FrameColor(c.Slot), c.Opens ? next : before);
    EXPECT_EQ(c.Panel.Color(), c.Opens ? next : before);
    EXPECT_TRUE(form.Handle());  // Enter is the swatch's, not the dialog's to close
    next += 0x00010101;
  }
}

// Alt+letter reaches the control the letter names: a button or the check
// box is pressed, a label or a group gives the focus to the control after it.
// In the capture field Alt+letter is a combination; on a button a letter
// alone is an access key too.
TEST_F(OptionFormTest, AccessKeysReachTheirControlsAndLabelsGiveTheirsToTheNextControl) {
  StartInEnglish(AllThree);
  TOptionForm& form = Open();
  // A label shows its key underlined; the "&" takes no room.
  Desk.Paint(form.Label101.Handle());
  const TSimPaintOp& drawn = Desk.Window(form.Label101.Handle())->PaintLog.back();
  EXPECT_EQ(drawn.Text, u"&Tray icon");
  EXPECT_FALSE(drawn.Flags & win::DT_NOPREFIX);
  {
    TControlCanvas canvas(form.Label101);  // released before Alt+C frees the dialog
    ASSERT_TRUE(canvas);
    EXPECT_EQ(form.Label101.Width(), canvas->TextWidth(u"Tray icon"));
  }
  int asked = 0;
  Desk.DialogResponder = [&](TSimProcess&, const TSimDialog&) { return ++asked, win::IDCANCEL; };
  const struct {
    char Key;
    TControl& Focus;
  } cases[] = {
      {'S', form.CheckBox101},
      {'T', form.ComboBox101},
      {'L', *form.RadioGroup101.Button(form.RadioGroup101.ItemIndex())},
      {'Z', form.SpinEdit101},
      {'M', *form.RadioGroup102.Button(form.RadioGroup102.ItemIndex())},
      {'O', *form.RadioGroup103.Button(form.RadioGroup103.ItemIndex())},
      {'F', form.SpinEdit102},
      {'H', form.SpinEdit102},
      {'P', form.Panel101},
      {'I', form.Panel102},
      {'W', form.Panel103},
      {'N', form.Panel104},
      {'R', form.Button101},
      {'E', form.Button101},
      {'K', form.HotKey101},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Key);
    form.CloseButton.SetFocus();
    Press(c.Key, kmAlt);
    EXPECT_EQ(Desk.FocusWindow(), c.Focus.Handle());
  }
  EXPECT_FALSE(form.CheckBox101.Checked());
  EXPECT_EQ(asked, 0);

  form.CloseButton.SetFocus();
  Press('H', kmAlt);
  EXPECT_EQ(form.SpinEdit102.SelLength(), 1);  // "4", selected as by Tab
  form.CloseButton.SetFocus();
  Press('U', kmAlt);  // the check box itself
  EXPECT_TRUE(Form->Settings().IsSilentMode);
  Press('D', kmAlt);  // Delete asks first
  EXPECT_EQ(asked, 1);
  Press('A', kmAlt);  // Add is greyed: nothing
  EXPECT_EQ(Desk.FocusWindow(), form.Button101.Handle());
  Press('Z');  // a letter alone on a button
  EXPECT_EQ(Desk.FocusWindow(), form.SpinEdit101.Handle());
  Press('Z');  // typed into the field, not an access key
  EXPECT_EQ(Desk.FocusWindow(), form.SpinEdit101.Handle());

  form.HotKey101.SetFocus();
  Press('P', kmAlt);
  EXPECT_EQ(Desk.FocusWindow(), form.HotKey101.Handle());
  EXPECT_EQ(Shown(form.HotKey101), u"Alt + P");

  form.Panel101.SetFocus();
  Press('C', kmAlt);
  EXPECT_EQ(Parts(Form).Commands.OptionForm(), nullptr);
}

// A combination is assigned from the keyboard alone: Tab to Add and Enter,
// or Enter in the field itself; the focus then waits in the field.
TEST_F(OptionFormTest, AHotKeyIsAssignedWithTabToAddAndEnterOrEnterInTheField) {
  Start(u"");
  TOptionForm& form = Open();
  for (const bool viaAdd : {true, false}) {
    SCOPED_TRACE(viaAdd);
    form.HotKey101.SetFocus();
    Press('M', kmCtrl | kmAlt);
    EXPECT_EQ(Shown(form.HotKey101), u"Ctrl + Alt + M");
    if (viaAdd) {
      Press(win::VK_TAB);
      EXPECT_EQ(Desk.FocusWindow(), form.Button102.Handle());
    }
    Press(win::VK_RETURN);
    EXPECT_EQ(Parts(Form).Commands.ActPopMinimizeAndRestore.ShortCut, scCtrl | scAlt | 'M');
    EXPECT_EQ(form.Edit101.Text(), u"Ctrl + Alt + M");
    EXPECT_EQ(Desk.HotKeys.size(), 1u);
    EXPECT_TRUE(form.HotKey101.IsEmpty());
    EXPECT_EQ(Desk.FocusWindow(), form.HotKey101.Handle());
    Desk.DialogResponder = [](TSimProcess&, const TSimDialog&) { return win::IDOK; };
    form.DeleteShortCut();
  }
  // Enter with nothing to add is no key either.
  Press(win::VK_RETURN);
  EXPECT_TRUE(form.HotKey101.IsEmpty());
  EXPECT_EQ(Desk.FocusWindow(), form.HotKey101.Handle());
}

// A set whose strips all failed to load.
class OptionFormWithoutImagesTest : public OptionFormTest {
 protected:
  OptionFormWithoutImagesTest() : OptionFormTest(test::TImages::None) {}
};

TEST_F(OptionFormWithoutImagesTest, ComboWithoutImagesHoldsOneItemDrawnWithTheFixedIcon) {
  Start(u"");
  Parts(Form).Tray.OrgIconCount = 0;
  Parts(Form).Tray.PngImageList1.clear();
  TOptionForm& form = Open();
  EXPECT_EQ(form.ComboBox101.Items(), (std::vector<std::u16string>{u"0:"}));
  ASSERT_TRUE(Desk.PickComboItem(form.ComboBox101.Handle(), 0));
  const TSimWindow* combo = Desk.Window(form.ComboBox101.Handle());
  const TSimPaintOp* icon = nullptr;
  const TSimPaintOp* text = nullptr;
  for (const auto& op : combo->PaintLog) {
    if (op.Op == "DrawIcon") icon = &op;
    if (op.Op == "ExtTextOut") text = &op;
  }
  ASSERT_NE(icon, nullptr);
  ASSERT_NE(Parts(Form).Tray.TrayIcon1, nullptr);
  EXPECT_EQ(icon->Icon, Parts(Form).Tray.TrayIcon1->Icon().Handle());
  EXPECT_EQ(icon->Rect.Left, 20 + 2 * 2);  // after the item height and two margins
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Text, u"0:");
  // A selected, focused item: the text takes the combo's background colour.
  EXPECT_EQ(text->Color, Proc.GetSysColor(win::COLOR_WINDOW));
}

TEST_F(OptionFormTest, DeletingAndAddingTheShortcutAskFirst) {
  Start(AllThree);
  TOptionForm& form = Open();
  ASSERT_EQ(Desk.HotKeys.size(), 1u);
  int answer = win::IDCANCEL;
  Desk.DialogResponder = [&](TSimProcess&, const TSimDialog&) { return answer; };

  // Delete, cancelled: both the shortcut and its registration stay, and the
  // closed question leaves the loupe below the dialog.
  ASSERT_TRUE(Desk.Click(form.Button101.Handle()));
  EXPECT_FALSE(Parts(Form).IsTopmost);
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.Dialogs[0].Type, TMsgDlgType::Confirmation);
  EXPECT_EQ(Desk.Dialogs[0].Owner, form.Handle());
  EXPECT_NE(Desk.Dialogs[0].Text.find(u"Shift + Ctrl + Alt + L: " + form.Label107.Caption()), std::u16string::npos);
  EXPECT_EQ(Parts(Form).Commands.ActPopMinimizeAndRestore.ShortCut, CtrlShiftAltL);
  EXPECT_EQ(Desk.HotKeys.size(), 1u);

  // Add over it, cancelled: the capture is cleared, the old key stays.
  Capture(form, {win::VK_CONTROL, 0x7B});
  EXPECT_EQ(Shown(form.HotKey101), u"Ctrl + F12");
  EXPECT_TRUE(form.Button102.Enabled());
  ASSERT_TRUE(Desk.Click(form.Button102.Handle()));
  EXPECT_EQ(Desk.Dialogs.size(), 2u);
  EXPECT_TRUE(form.HotKey101.IsEmpty());
  EXPECT_EQ(Parts(Form).Commands.ActPopMinimizeAndRestore.ShortCut, CtrlShiftAltL);
  EXPECT_FALSE(form.Button102.Enabled());
  ASSERT_EQ(Desk.HotKeys.size(), 1u);
  EXPECT_EQ(Desk.HotKeys[0].Key, 0x4Cu);

  // Add over it, confirmed: the new key replaces the old one.
  answer = win::IDOK;
  Capture(form, {win::VK_CONTROL, 0x7B});
  ASSERT_TRUE(Desk.Click(form.Button102.Handle()));
  EXPECT_EQ(Parts(Form).Commands.ActPopMinimizeAndRestore.ShortCut, CtrlF12);
  EXPECT_EQ(form.Edit101.Text(), u"Ctrl + F12");
  ASSERT_EQ(Desk.HotKeys.size(), 1u);
  EXPECT_EQ(Desk.HotKeys[0].Key, 0x7Bu);
  EXPECT_TRUE(form.HotKey101.IsEmpty());
  EXPECT_FALSE(form.Button102.Enabled());

  // Delete, confirmed.
  ASSERT_TRUE(Desk.Click(form.Button101.Handle()));
  EXPECT_EQ(Parts(Form).Commands.ActPopMinimizeAndRestore.ShortCut, 0);
  EXPECT_EQ(form.Edit101.Text(), u"");
  EXPECT_FALSE(form.Button101.Enabled());
  EXPECT_TRUE(Desk.HotKeys.empty());

  // With no shortcut there is nothing to confirm.
  const std::size_t asked = Desk.Dialogs.size();
  Capture(form, {win::VK_SHIFT, win::VK_CONTROL, 'A'});
  ASSERT_TRUE(Desk.Click(form.Button102.Handle()));
  EXPECT_EQ(Desk.Dialogs.size(), asked);
  EXPECT_EQ(Parts(Form).Commands.ActPopMinimizeAndRestore.ShortCut, scShift | scCtrl | 'A');
  EXPECT_EQ(form.Edit101.Text(), u"Shift + Ctrl + A");

  // Ctrl still held while the button is clicked: no combination yet.
  ASSERT_TRUE(Desk.Click(form.Button101.Handle()));
  form.HotKey101.SetFocus();
  Key(form.HotKey101.Handle(), win::VK_CONTROL, true);
  EXPECT_TRUE(form.Button102.Enabled());
  ASSERT_TRUE(Desk.Click(form.Button102.Handle()));
  EXPECT_EQ(Parts(Form).Commands.ActPopMinimizeAndRestore.ShortCut, 0);
  EXPECT_TRUE(Desk.HotKeys.empty());
  Key(form.HotKey101.Handle(), win::VK_CONTROL, false);
  EXPECT_FALSE(form.Button102.Enabled());
}

TEST_F(OptionFormTest, AddStaysOffWithAHintForAKeyThatTypes) {
  Start(u"");
  TOptionForm& form = Open();
  const std::u16string hint = u"文字を入力するキーには Ctrl か Alt が必要です。";
  const struct {
    std::initializer_list<std::uint16_t> Keys;
    bool Addable;
  } cases[] = {
      {{'X'}, false}, {{win::VK_SHIFT, 'X'}, false}, {{win::VK_SPACE}, false}, {{0xBE}, false},
      {{0x65}, false}, {{win::VK_CONTROL, 'X'}, true}, {{win::VK_MENU, 'X'}, true},
      {{0x7B}, true}, {{win::VK_SHIFT, 0x74}, true}, {{win::VK_HOME}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    Capture(form, c.Keys);
    EXPECT_FALSE(form.HotKey101.IsEmpty());
    EXPECT_EQ(form.Button102.Enabled(), c.Addable);
    EXPECT_EQ(form.Label109.Caption(), c.Addable ? u"" : hint);
    form.AddShortCut();  // as a click would, were it enabled
    EXPECT_EQ(Parts(Form).Commands.ActPopMinimizeAndRestore.ShortCut != 0, c.Addable);
    EXPECT_EQ(Desk.HotKeys.size(), c.Addable ? 1u : 0u);
    if (c.Addable) {
      Desk.DialogResponder = [](TSimProcess&, const TSimDialog&) { return win::IDOK; };
      form.DeleteShortCut();
    }
  }
}

TEST_F(OptionFormTest, ASavedKeyThatTypesIsNotRegisteredAndTheUserIsToldOnce) {
  Start(u"[ShortCut]\r\nActPopMinimizeAndRestore=88,Shift+\r\n");
  EXPECT_TRUE(Desk.HotKeys.empty());
  EXPECT_EQ(Parts(Form).Commands.ActPopMinimizeAndRestore.ShortCut, 0);
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.Dialogs[0].Text,
            u"ショートカットキーを登録しませんでした。Ctrl か Alt がないと、どのプログラムでもこのキーを"
            u"入力できなくなります: [Shift + X]");
  ASSERT_TRUE(SaveSettings(*Form).Ok);
  EXPECT_NE(Ini().find(u"\r\nActPopMinimizeAndRestore=0,\r\n"), std::u16string::npos);
}

TEST_F(OptionFormTest, ACombinationAnotherCopyHoldsEndsWithNoShortcut) {
  Start(u"");
  TSimProcess& other = Desk.AddProcess(u"D:\\B\\other.exe");
  const HWND otherWnd = Desk.AddForeignWindow(other.Pid, u"Other", u"Other");
  ASSERT_TRUE(other.RegisterHotKey(otherWnd, 1, win::MOD_CONTROL, 0x7B));
  TOptionForm& form = Open();
  Capture(form, {win::VK_CONTROL, 0x7B});
  ASSERT_TRUE(Desk.Click(form.Button102.Handle()));
  EXPECT_EQ(Parts(Form).Commands.ActPopMinimizeAndRestore.ShortCut, 0);
  EXPECT_EQ(form.Edit101.Text(), u"");
  EXPECT_FALSE(form.Button102.Enabled());
  EXPECT_FALSE(form.Button101.Enabled());
  EXPECT_FALSE(Desk.Dialogs.empty());  // the refusal was shown
  EXPECT_TRUE(form.HotKey101.IsEmpty());
}

TEST_F(OptionFormTest, ASavedKeyAnotherProgramHoldsIsReplacedWithNoUnregisterError) {
  TSimProcess& other = Desk.AddProcess(u"D:\\B\\other.exe");
  const HWND otherWnd = Desk.AddForeignWindow(other.Pid, u"Other", u"Other");
  ASSERT_TRUE(other.RegisterHotKey(otherWnd, 1, win::MOD_CONTROL | win::MOD_SHIFT | win::MOD_ALT, 0x4C));
  Start(AllThree);
  ASSERT_EQ(Desk.Dialogs.size(), 1u);  // the refusal; the key stays assigned
  EXPECT_EQ(Form->Settings().HotKey, CtrlShiftAltL);
  TOptionForm& form = Open();
  EXPECT_EQ(form.Edit101.Text(), u"Shift + Ctrl + Alt + L (無効)");

  // Nothing was registered, so nothing is given back: the question is the
  // only box, and the settings hold the new key.
  Desk.DialogResponder = [](TSimProcess&, const TSimDialog&) { return win::IDOK; };
  Capture(form, {win::VK_CONTROL, 0x7B});
  ASSERT_TRUE(Desk.Click(form.Button102.Handle()));
  ASSERT_EQ(Desk.Dialogs.size(), 2u);
  EXPECT_EQ(Desk.Dialogs[1].Type, TMsgDlgType::Confirmation);
  EXPECT_EQ(Desk.CountCalls("UnregisterHotKey"), 0);
  EXPECT_EQ(Form->Settings().HotKey, CtrlF12);
  ASSERT_TRUE(Desk.Click(form.Button101.Handle()));
  EXPECT_EQ(Form->Settings().HotKey, 0);
  EXPECT_EQ(Desk.Dialogs.size(), 3u);
}

TEST_F(OptionFormTest, ClosingSavesThePositionThenAllSettingsAndReopensThere) {
  Start(u"");
  const int gdiBefore = Desk.GdiObjectCount(Proc.Pid);
  TOptionForm& form = Open();
  Proc.SetWindowPos(form.Handle(), 0, 300, 120, 0, 0, win::SWP_NOSIZE | win::SWP_NOZORDER);
  ASSERT_TRUE(Desk.Click(form.RadioGroup103.Button(2)->Handle()));
  Desk.ClearCalls();
  ASSERT_TRUE(Desk.Click(form.CloseButton.Handle()));
  EXPECT_EQ(Parts(Form).Commands.OptionForm(), nullptr);
  EXPECT_TRUE(Parts(Form).IsTopmost);

  // Two whole-file replacements: the position first, then everything.
  std::vector<std::int64_t> moves;
  for (const TSimCall& c : Desk.Calls()) {
    if (std::string(c.Name) == "MoveFileExW") moves.push_back(1);
  }
  EXPECT_EQ(moves.size(), 2u);
  const std::u16string ini = Ini();
  EXPECT_NE(ini.find(u"[OptionForm]\r\nLeft=300\r\nTop=120"), std::u16string::npos)
      << std::string(ini.begin(), ini.end());
  EXPECT_NE(ini.find(u"LoupeColorMode=2"), std::u16string::npos);

  // The closed dialog is freed with all it held once its handlers are done.
  Pump();
  EXPECT_EQ(Desk.GdiObjectCount(Proc.Pid), gdiBefore);

  // Opened again, it comes back where it was.
  TOptionForm& again = Open();
  EXPECT_EQ(Desk.Window(again.Handle())->Rect.Left, 300);
  EXPECT_EQ(Desk.Window(again.Handle())->Rect.Top, 120);

  // Closed and opened before the loop runs: only the closed one goes.
  ASSERT_TRUE(Desk.Click(again.CloseButton.Handle()));
  TOptionForm& third = Open();
  Pump();
  ASSERT_EQ(Parts(Form).Commands.OptionForm(), &third);
  ASSERT_TRUE(Desk.Click(third.RadioGroup103.Button(1)->Handle()));
  EXPECT_EQ(Parts(Form).Settings.LoupeColorMode, lcmInvert);
}

TEST_F(OptionFormTest, ASavedPositionOffTheScreenIsBroughtBack) {
  Start(u"[OptionForm]\r\nLeft=5000\r\nTop=-900\r\n");
  TOptionForm& form = Open();
  const TRect r = Desk.Window(form.Handle())->Rect;
  EXPECT_EQ(r.Right, 1920);
  EXPECT_EQ(r.Top, 0);
}

// A 1280 x 1024 monitor left of the primary one and a short one right of it,
// the first two with a task bar 40 high: the dialog (W x H) goes onto the
// work area of the monitor its saved place lies on most, of the nearest one
// when that is gone; when taller than that, its title bar stays at the top.
// None saved, it opens beside the loupe.
TEST_F(OptionFormTest, TheDialogOpensOnTheWorkAreaOfAMonitor) {
  const std::vector<TMonitorInfo> desk = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                                          {{-1280, 0, 0, 1024}, {-1280, 0, 0, 984}},
                                          {{1920, 0, 2944, 200}, {1920, 0, 2944, 200}}};
  constexpr int RightEdge = 1 << 30, BottomEdge = RightEdge + 1;  // 1920 - W, 984 - H
  const struct {
    const char* Name;
    const char16_t* Ini;
    TPoint Expected;
  } cases[] = {
      {"on the left monitor", u"Left=-1000\r\nTop=100", {-1000, 100}},
      {"over its task bar", u"Left=-400\r\nTop=900", {-400, BottomEdge}},
      {"on a monitor that is gone", u"Left=-3000\r\nTop=600", {-1280, BottomEdge}},
      {"in the hole below the short one", u"Left=2000\r\nTop=300", {RightEdge, 300}},
      {"taller than the short monitor", u"Left=2000\r\nTop=50", {2000, 0}},
      {"none saved, the loupe on the left", u"", {-900 + 268 + 8, BottomEdge}},
  };
  Start(u"");
  Desk.ChangeDisplays(desk);
  Form->SetBounds(-900, 500, 268, 220);
  for (const auto& c : cases) {
    Desk.AddFile(u"C:\\A\\lensoro.ini", test::Utf16File(u"[OptionForm]\r\n" + std::u16string(c.Ini) + u"\r\n"));
    TOptionForm& form = Open();
    const TRect r = Desk.Window(form.Handle())->Rect;
    ASSERT_GT(r.Width(), 300);
    const auto expect = [&](int e) {
      return e == RightEdge ? 1920 - r.Width() : e == BottomEdge ? 984 - r.Height() : e;
    };
    EXPECT_EQ(r.Left, expect(c.Expected.X)) << c.Name;
    EXPECT_EQ(r.Top, expect(c.Expected.Y)) << c.Name;
    ASSERT_TRUE(Desk.Click(form.CloseButton.Handle()));
    Pump();
  }
}

TEST_F(OptionFormTest, AnOpenDialogFollowsALanguageSwitchAtOnce) {
  Start(u"");
  Desk.AddFile(u"C:\\A\\Lang\\English.lang",
               test::Utf16File(u"[OptionForm]\r\nOptionForm.Caption=Lensoro - Options\r\n"
                               u"CloseButton.Caption=Close\r\nRadioGroup103.Items[1]=Inverted\r\n"));
  TOptionForm& form = Open();
  EXPECT_EQ(form.CloseButton.Caption(), u"とじる");
  Parts(Form).Commands.PopupMenu1Popup();
  TMenuItem* english = nullptr;
  for (TMenuItem& top : Parts(Form).Commands.PopupMenu1.Items) {
    for (TMenuItem& sub : top.Items) {
      if (sub.Name == u"LanguageList" && sub.Caption == u"English") english = &sub;
    }
  }
  ASSERT_NE(english, nullptr);
  english->OnClick(*english);
  EXPECT_EQ(Desk.Window(form.Handle())->Title, u"Lensoro - Options");
  EXPECT_EQ(Desk.Window(form.CloseButton.Handle())->Title, u"Close");
  EXPECT_EQ(Desk.Window(form.RadioGroup103.Button(1)->Handle())->Title, u"Inverted");
  EXPECT_EQ(form.RadioGroup103.Button(0)->Caption(), u"オリジナル");  // missing keys keep the built-in text
}

// The rate field shows a point in every locale and reads a comma, or the
// locale's own separator, as one.
TEST(OptionFormRate, ACommaTypedIsTheDecimalPoint) {
  const struct {
    const char16_t* Locale;
    const char16_t* Typed;
    float Rate;
  } cases[] = {
      {u".", u"3,5", 3.5f}, {u".", u"3.5", 3.5f}, {u",", u"3,5", 3.5f},
      {u",", u"2.5", 2.5f}, {u"\u066B", u"4\u066B5", 4.5f}, {u".", u"7,", 7.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    TSimDesktop desk;
    desk.DecimalSeparator = c.Locale;
    TSimProcess& proc = test::AddLensoro(desk, u"C:\\A\\lensoro.exe");
    TApplication app(proc);
    app.Initialize();
    TMainForm loupe(app);
    app.MainForm = &loupe;
    Parts(loupe).Commands.ActPopShowOption.Execute();
    ASSERT_NE(Parts(loupe).Commands.OptionForm(), nullptr);
    TRsSpinEdit& field = Parts(loupe).Commands.OptionForm()->SpinEdit101;
    EXPECT_EQ(desk.Window(field.Handle())->Title, u"2.0");
    field.SetFocus();
    field.SetText(u"");
    desk.TypeText(0, c.Typed);
    desk.KeyPress(0, win::VK_TAB);
    for (TMsg m; proc.PeekMessageW(m, true);) {
      if (app.ProcessDialogMessage(m)) continue;
      proc.TranslateMessage(m);
      proc.DispatchMessageW(m);
    }
    EXPECT_FLOAT_EQ(Parts(loupe).Settings.LoupeRate, c.Rate);
    EXPECT_FLOAT_EQ(desk.Window(loupe.Magnifier().Handle())->Transform.v[0][0], c.Rate);
    const std::u16string shown = desk.Window(field.Handle())->Title;
    EXPECT_EQ(shown, FormatText(u"%.1f", {static_cast<double>(c.Rate)}));
  }
}

TEST(HotKeyRule, CharacterKeysNeedCtrlOrAlt) {
  const struct {
    TShortCut ShortCut;
    bool TakesTyping;
  } cases[] = {
      {'X', true}, {scShift | 'X', true}, {scCtrl | 'X', false}, {scAlt | 'X', false},
      {scShift | scAlt | 'X', false}, {'7', true}, {scShift | '0', true}, {win::VK_SPACE, true},
      {win::VK_RETURN, true}, {win::VK_TAB, true}, {win::VK_BACK, true}, {win::VK_ESCAPE, true},
      {0xBA, true}, {0xC0, true}, {0xDB, true}, {0xDF, true}, {0xE2, true},  // punctuation
      {0x60, true}, {scShift | 0x6F, true},                                  // number pad
      {0x70, false}, {0x87, false}, {scShift | 0x74, false},                 // F1, F24, Shift+F5
      {win::VK_HOME, false}, {win::VK_INSERT, false}, {win::VK_DELETE, false}, {0x13, false},
      {scShift | win::VK_LEFT, false}, {0xC1, false}, {0xE1, false}, {0, false},
  };
  for (const auto& c : cases) EXPECT_EQ(HotKeyTakesTyping(c.ShortCut), c.TakesTyping) << std::hex << c.ShortCut;
}

TEST(OptionFormNames, TagsAndShortcutTexts) {
  EXPECT_EQ(GetTagFromName(u"Panel104"), 104);
  EXPECT_EQ(GetTagFromName(u"SpinEdit101"), 101);
  EXPECT_EQ(GetTagFromName(u"CloseButton"), -1);
  EXPECT_EQ(GetTagFromName(u"X1"), -1);
  // The menu and the dialog show one key the same way; keys without a fixed
  // name by the keyboard's name for them.
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  const struct {
    TShortCut ShortCut;
    const char16_t* Dialog;
    const char16_t* Menu;
  } cases[] = {
      {0, u"", u""},
      {scCtrl | scAlt | 0x2E, u"Ctrl + Alt + Del", u"Ctrl+Alt+Del"},
      {scShift | 0x87, u"Shift + F24", u"Shift+F24"},
      {0x21, u"PgUp", u"PgUp"},
      {scCtrl | '7', u"Ctrl + 7", u"Ctrl+7"},
      {scCtrl | 0xBA, u"Ctrl + ;", u"Ctrl+;"},       // VK_OEM_1 on this layout
      {scAlt | 0x6B, u"Alt + Num +", u"Alt+Num +"},  // the name's own "+" stays as it is
      {scShift | 0x6F, u"Shift + Num /", u"Shift+Num /"},  // an extended key
      {scCtrl | 0x13, u"Ctrl + Pause", u"Ctrl+Pause"},
      {scCtrl | 0xE8, u"Ctrl + VK232", u"Ctrl+VK232"},  // no such key on the keyboard
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShortCutDisplayText(p, c.ShortCut), c.Dialog);
    EXPECT_EQ(ShortCutToText(p, c.ShortCut), c.Menu);
    // Both texts read back, as a settings file may hold them.
    for (const char16_t* text : {c.Dialog, c.Menu}) {
      TShortCut back = 0x1234;
      EXPECT_EQ(TextToShortCut(p, text, back), c.ShortCut != 0) << Utf16ToUtf8(text);
      EXPECT_EQ(back, c.ShortCut != 0 ? c.ShortCut : 0x1234) << Utf16ToUtf8(text);
    }
  }
  // Written by hand: any order and letter case; no unknown word or key.
  const struct {
    const char16_t* Text;
    TShortCut ShortCut;  // 0: not read
  } typed[] = {
      {u"ctrl+alt+z", scCtrl | scAlt | 'Z'},
      {u"Alt + Control + M", scCtrl | scAlt | 'M'},
      {u"Shift+Shift+f12", scShift | 0x7B},
      {u"Ctrl+", 0},
      {u"Ctrl+Alt", 0},
      {u"Win+M", 0},
      {u"Ctrl+Pen", 0},
      {u"", 0},
  };
  for (const auto& t : typed) {
    TShortCut back = 0;
    EXPECT_EQ(TextToShortCut(p, t.Text, back), t.ShortCut != 0) << Utf16ToUtf8(t.Text);
    EXPECT_EQ(back, t.ShortCut) << Utf16ToUtf8(t.Text);
  }
}

}  // namespace

TEST_F(OptionFormTest, TheLabelsBesideFieldsCentreTheirTextOnThem) {
  Start(AllThree);
  for (const int menuFontHeight : {-11, -16}) {
    Desk.NonClientMetrics.MenuFont.Height = menuFontHeight;
    TOptionForm& form = Open();
    const std::pair<TLabel*, TControl*> pairs[] = {
        {&form.Label101, &form.ComboBox101}, {&form.Label102, &form.SpinEdit102}, {&form.Label108, &form.HotKey101}};
    for (const auto& [label, field] : pairs) {
      TControlCanvas canvas(*label);
      ASSERT_TRUE(canvas);
      const int text = canvas->TextMetric().Height;
      const TRect l = label->BoundsRect(), f = field->BoundsRect();
      EXPECT_LE(std::abs(2 * l.Top + text - (f.Top + f.Bottom)), 1)
          << Utf16ToUtf8(label->Name) << " " << menuFontHeight;
      EXPECT_EQ(l.Left, 8);
    }
    form.Close();
    Desk.RunFor(0);
  }
}

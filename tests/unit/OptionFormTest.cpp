// The options dialog against a loupe on the simulated desktop: what it shows
// when it opens, every control acting on the loupe at once, the shortcut's
// delete and add, and what closing it saves.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "Framework.h"
#include "Main.h"
#include "Option.h"
#include "RsTrayIcon.h"
#include "SimDesktop.h"
#include "TestFiles.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

constexpr TShortCut CtrlShiftAltL = scCtrl | scShift | scAlt | 0x4C;
constexpr TShortCut CtrlF12 = scCtrl | 0x7B;
const std::u16string AllThree = u"[ShortCut]\r\nActPopMinimizeAndRestore=76,Ctrl+Shift+Alt+\r\n";

class OptionFormTest : public ::testing::Test {
 protected:
  TSimDesktop Desk;
  TSimProcess* Proc = nullptr;
  std::unique_ptr<TApplication> App;
  std::unique_ptr<TMainForm> Loupe;

  void Start(const std::u16string& ini, bool images = true) {
    Proc = images ? &test::AddLensoro(Desk, u"C:\\A\\lensoro.exe") : &Desk.AddProcess(u"C:\\A\\lensoro.exe");
    if (!ini.empty()) Desk.AddFile(u"C:\\A\\lensoro.ini", test::Utf16File(ini));
    App = std::make_unique<TApplication>(*Proc);
    App->Initialize();
    Loupe = std::make_unique<TMainForm>(*App);
    App->MainForm = Loupe.get();
    if (Loupe->Visible) Loupe->Show();
  }
  TOptionForm& Open() {
    Loupe->ActPopShowOption.Execute();
    EXPECT_NE(Loupe->OptionForm(), nullptr);
    return *Loupe->OptionForm();
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
  Loupe->IsSilentMode = true;
  TOptionForm& form = Open();
  EXPECT_EQ(OptionWindows(), 1);
  Loupe->ActPopShowOption.Execute();  // a second command while it is open does nothing
  EXPECT_EQ(OptionWindows(), 1);
  EXPECT_EQ(Loupe->OptionForm(), &form);

  EXPECT_FALSE(Loupe->IsTopmost);
  const TSimWindow* w = Desk.Window(form.Handle());
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->Visible);
  EXPECT_EQ(w->Owner, Loupe->Handle());
  EXPECT_EQ(w->Title, u"ぽてりん - オプション");  // the language's caption
  EXPECT_EQ(w->Rect.Width(), 366);
  EXPECT_EQ(w->Rect.Height(), 550);
  EXPECT_EQ(form.RadioGroup102.Button(4)->Caption(), u"ちゅーおー");
  EXPECT_EQ(form.CloseButton.Caption(), u"とじる");

  // Designed places, relative to each parent.
  const TRect panel = Desk.Window(form.Panel104.Handle())->Rect, box = Desk.Window(form.GroupBox103.Handle())->Rect;
  EXPECT_EQ(panel.Left - box.Left, 299);
  EXPECT_EQ(panel.Top - box.Top, 123);
  EXPECT_EQ(panel.Width(), 53);
  EXPECT_EQ(form.Panel103.Tag, 103);
  EXPECT_EQ(form.CloseButton.BoundsRect(), (TRect{271, 523, 364, 548}));

  // The loupe's state.
  EXPECT_TRUE(form.CheckBox101.Checked());
  EXPECT_EQ(form.RadioGroup101.ItemIndex(), 1);
  EXPECT_EQ(form.RadioGroup102.ItemIndex(), 4);
  EXPECT_EQ(form.RadioGroup103.ItemIndex(), 2);
  EXPECT_EQ(form.Panel101.Color(), Loupe->ActivePointerModeFrameColor);
  EXPECT_EQ(form.Panel104.Color(), Loupe->InactiveWindowModeFrameColor);
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
                                                u"RadioGroup103", u"GroupBox103", u"GroupBox104", u"CloseButton"}));
  Desk.KeyPress(0, win::VK_ESCAPE);
  TMsg m;
  while (Proc->PeekMessageW(m, true)) {
    if (!App->ProcessDialogMessage(m)) Proc->DispatchMessageW(m);
  }
  EXPECT_EQ(Loupe->OptionForm(), nullptr);
  EXPECT_EQ(OptionWindows(), 0);
  EXPECT_TRUE(Loupe->IsTopmost);
}

TEST_F(OptionFormTest, EveryControlActsOnTheLoupeAtOnce) {
  Start(u"");
  TOptionForm& form = Open();
  const HWND mag = Loupe->MagHandle();
  ASSERT_NE(mag, 0u);

  ASSERT_TRUE(Desk.Click(form.RadioGroup103.Button(1)->Handle()));
  EXPECT_EQ(Loupe->LoupeColorMode, lcmInvert);
  EXPECT_EQ(std::memcmp(&Desk.Window(mag)->ColorEffect, &LoupeColorMatrices[lcmInvert], sizeof(TMagColorEffect)), 0);

  ASSERT_TRUE(Desk.Click(form.RadioGroup101.Button(1)->Handle()));
  EXPECT_EQ(Loupe->LoupeMode, lmWindow);
  ASSERT_TRUE(Desk.Click(form.RadioGroup102.Button(3)->Handle()));
  EXPECT_EQ(Loupe->LoupeSrcOrigin, lsoBottomRight);
  ASSERT_TRUE(Desk.Click(form.CheckBox101.Handle()));
  EXPECT_TRUE(Loupe->IsSilentMode);

  // The spin edits' values: in range at once, out of range not at all.
  form.SpinEditChange(101, 3.5, 1.3, 8.0);
  EXPECT_FLOAT_EQ(Loupe->LoupeRate, 3.5f);
  EXPECT_FLOAT_EQ(Desk.Window(mag)->Transform.v[0][0], 3.5f);
  form.SpinEditChange(101, 9.0, 1.3, 8.0);
  EXPECT_FLOAT_EQ(Loupe->LoupeRate, 3.5f);
  form.SpinEditChange(102, 7, 0, 10);
  EXPECT_EQ(Loupe->FrameWidth, 7);

  // A swatch: the dialog starts from its colour, "ColorA" is it as RGB.
  Desk.ColorResponder = [&](TSimProcess&, TChooseColor& cc) {
    EXPECT_EQ(cc.Owner, form.Handle());
    EXPECT_EQ(cc.Color, Loupe->ActiveWindowModeFrameColor);
    EXPECT_EQ(cc.CustColors[0], Loupe->ActiveWindowModeFrameColor);
    cc.Color = 0x102030;
    return true;
  };
  ASSERT_TRUE(Desk.Click(form.Panel103.Handle()));
  EXPECT_EQ(Loupe->ActiveWindowModeFrameColor, 0x102030u);
  EXPECT_EQ(form.Panel103.Color(), 0x102030u);
  Desk.ColorResponder = [](TSimProcess&, TChooseColor& cc) {
    cc.Color = 0x999999;
    return false;
  };
  ASSERT_TRUE(Desk.Click(form.Panel103.Handle()));
  EXPECT_EQ(Loupe->ActiveWindowModeFrameColor, 0x102030u);

  // The tray image: the visible loupe shows the image, a hidden one its faded variant.
  ASSERT_TRUE(Desk.PickComboItem(form.ComboBox101.Handle(), 0));
  EXPECT_EQ(Loupe->TrayIconIndex, 0);
  EXPECT_EQ(Loupe->TrayIcon1->IconIndex(), 0);
  EXPECT_FALSE(Loupe->IsTopmost);  // dropping the list down keeps the loupe below it
  Proc->ShowWindow(Loupe->Handle(), win::SW_HIDE);
  ASSERT_TRUE(Desk.PickComboItem(form.ComboBox101.Handle(), 0));
  EXPECT_EQ(Loupe->TrayIcon1->IconIndex(), 0 + Loupe->OrgIconCount);
}

TEST_F(OptionFormTest, ComboWithoutImagesHoldsOneItemDrawnWithTheFixedIcon) {
  // A set whose strips all failed to load.
  Start(u"", /*images=*/false);
  Loupe->OrgIconCount = 0;
  Loupe->PngImageList1.clear();
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
  ASSERT_NE(Loupe->TrayIcon1, nullptr);
  EXPECT_EQ(icon->Icon, Loupe->TrayIcon1->Icon().Handle());
  EXPECT_EQ(icon->Rect.Left, 20 + 2 * 2);  // after the item height and two margins
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Text, u"0:");
  // A selected, focused item: the text takes the combo's background colour.
  EXPECT_EQ(text->Color, Proc->GetSysColor(win::COLOR_WINDOW));
}

TEST_F(OptionFormTest, DeletingAndAddingTheShortcutAskFirst) {
  Start(AllThree);
  TOptionForm& form = Open();
  ASSERT_EQ(Desk.HotKeys.size(), 1u);
  int answer = win::IDCANCEL;
  Desk.DialogResponder = [&](TSimProcess&, const TSimDialog&) { return answer; };

  // Delete, cancelled: both the shortcut and its registration stay.
  ASSERT_TRUE(Desk.Click(form.Button101.Handle()));
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.Dialogs[0].Type, TMsgDlgType::Confirmation);
  EXPECT_EQ(Desk.Dialogs[0].Owner, form.Handle());
  EXPECT_NE(Desk.Dialogs[0].Text.find(u"Shift + Ctrl + Alt + L: " + form.Label107.Caption()), std::u16string::npos);
  EXPECT_EQ(Loupe->ActPopMinimizeAndRestore.ShortCut, CtrlShiftAltL);
  EXPECT_EQ(Desk.HotKeys.size(), 1u);

  // Add over it, cancelled: the capture is cleared, the old key stays.
  form.HotKey101Change(CtrlF12);
  EXPECT_TRUE(form.Button102.Enabled());
  ASSERT_TRUE(Desk.Click(form.Button102.Handle()));
  EXPECT_EQ(Desk.Dialogs.size(), 2u);
  EXPECT_EQ(Loupe->ActPopMinimizeAndRestore.ShortCut, CtrlShiftAltL);
  EXPECT_FALSE(form.Button102.Enabled());
  ASSERT_EQ(Desk.HotKeys.size(), 1u);
  EXPECT_EQ(Desk.HotKeys[0].Key, 0x4Cu);

  // Add over it, confirmed: the new key replaces the old one.
  answer = win::IDOK;
  form.HotKey101Change(CtrlF12);
  ASSERT_TRUE(Desk.Click(form.Button102.Handle()));
  EXPECT_EQ(Loupe->ActPopMinimizeAndRestore.ShortCut, CtrlF12);
  EXPECT_EQ(form.Edit101.Text(), u"Ctrl + F12");
  ASSERT_EQ(Desk.HotKeys.size(), 1u);
  EXPECT_EQ(Desk.HotKeys[0].Key, 0x7Bu);

  // Delete, confirmed.
  ASSERT_TRUE(Desk.Click(form.Button101.Handle()));
  EXPECT_EQ(Loupe->ActPopMinimizeAndRestore.ShortCut, 0);
  EXPECT_EQ(form.Edit101.Text(), u"");
  EXPECT_FALSE(form.Button101.Enabled());
  EXPECT_TRUE(Desk.HotKeys.empty());

  // With no shortcut there is nothing to confirm.
  const std::size_t asked = Desk.Dialogs.size();
  form.HotKey101Change(CtrlF12);
  ASSERT_TRUE(Desk.Click(form.Button102.Handle()));
  EXPECT_EQ(Desk.Dialogs.size(), asked);
  EXPECT_EQ(Loupe->ActPopMinimizeAndRestore.ShortCut, CtrlF12);
}

TEST_F(OptionFormTest, ACombinationAnotherCopyHoldsEndsWithNoShortcut) {
  Start(u"");
  TSimProcess& other = Desk.AddProcess(u"D:\\B\\other.exe");
  const HWND otherWnd = Desk.AddForeignWindow(other.Pid, u"Other", u"Other");
  ASSERT_TRUE(other.RegisterHotKey(otherWnd, 1, win::MOD_CONTROL, 0x7B));
  TOptionForm& form = Open();
  form.HotKey101Change(CtrlF12);
  ASSERT_TRUE(Desk.Click(form.Button102.Handle()));
  EXPECT_EQ(Loupe->ActPopMinimizeAndRestore.ShortCut, 0);
  EXPECT_EQ(form.Edit101.Text(), u"");
  EXPECT_FALSE(form.Button102.Enabled());
  EXPECT_FALSE(form.Button101.Enabled());
  EXPECT_FALSE(Desk.Dialogs.empty());  // the refusal was shown
}

TEST_F(OptionFormTest, ClosingSavesThePositionThenAllSettingsAndReopensThere) {
  Start(u"");
  TOptionForm& form = Open();
  Proc->SetWindowPos(form.Handle(), 0, 300, 120, 0, 0, win::SWP_NOSIZE | win::SWP_NOZORDER);
  ASSERT_TRUE(Desk.Click(form.RadioGroup103.Button(2)->Handle()));
  Desk.ClearCalls();
  ASSERT_TRUE(Desk.Click(form.CloseButton.Handle()));
  EXPECT_EQ(Loupe->OptionForm(), nullptr);
  EXPECT_TRUE(Loupe->IsTopmost);

  // Two whole-file replacements: the position first, then everything.
  std::vector<std::int64_t> moves;
  for (const TSimCall& c : Desk.Calls()) {
    if (std::string(c.Name) == "MoveFileExW") moves.push_back(1);
  }
  EXPECT_EQ(moves.size(), 2u);
  const std::u16string ini = Ini();
  EXPECT_NE(ini.find(u"[OptionForm]\r\nLeft=300\r\nTop=120"), std::u16string::npos) << std::string(ini.begin(), ini.end());
  EXPECT_NE(ini.find(u"LoupeColorMode=2"), std::u16string::npos);

  // Opened again, it comes back where it was.
  TOptionForm& again = Open();
  EXPECT_EQ(Desk.Window(again.Handle())->Rect.Left, 300);
  EXPECT_EQ(Desk.Window(again.Handle())->Rect.Top, 120);
}

TEST_F(OptionFormTest, ASavedPositionOffTheScreenIsBroughtBack) {
  Start(u"[OptionForm]\r\nLeft=5000\r\nTop=-900\r\n");
  TOptionForm& form = Open();
  const TRect r = Desk.Window(form.Handle())->Rect;
  EXPECT_EQ(r.Right, 1920);
  EXPECT_EQ(r.Top, 0);
}

TEST_F(OptionFormTest, AnOpenDialogFollowsALanguageSwitchAtOnce) {
  Start(u"");
  Desk.AddFile(u"C:\\A\\Lang\\English.lang",
               test::Utf16File(u"[OptionForm]\r\nOptionForm.Caption=Lensoro - Options\r\n"
                               u"CloseButton.Caption=Close\r\nRadioGroup103.Items[1]=Inverted\r\n"));
  TOptionForm& form = Open();
  EXPECT_EQ(form.CloseButton.Caption(), u"とじる");
  Loupe->PopupMenu1Popup();
  TMenuItem* english = nullptr;
  for (TMenuItem& top : Loupe->PopupMenu1.Items) {
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

TEST(OptionFormNames, TagsAndShortcutTexts) {
  EXPECT_EQ(GetTagFromName(u"Panel104"), 104);
  EXPECT_EQ(GetTagFromName(u"SpinEdit101"), 101);
  EXPECT_EQ(GetTagFromName(u"CloseButton"), -1);
  EXPECT_EQ(GetTagFromName(u"X1"), -1);
  EXPECT_EQ(ShortCutDisplayText(0), u"");
  EXPECT_EQ(ShortCutDisplayText(scCtrl | scAlt | 0x2E), u"Ctrl + Alt + Del");
  EXPECT_EQ(ShortCutDisplayText(scShift | 0x87), u"Shift + F24");
  EXPECT_EQ(ShortCutDisplayText(0x21), u"PgUp");
  EXPECT_EQ(ShortCutDisplayText(scCtrl | '7'), u"Ctrl + 7");
}

}  // namespace

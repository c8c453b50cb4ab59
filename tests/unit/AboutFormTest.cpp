// The About dialog: its components, texts and version, the link, the
// credits box, how it opens and closes, the browser's link colour and the
// label placement.
#include <gtest/gtest.h>

#include <zlib.h>

#include <memory>
#include <string>
#include <vector>

#include "About.h"
#include "Application.h"
#include "LoupeParts.h"
#include "Main.h"
#include "SimDesktop.h"
#include "TestFiles.h"
#include "VersionBlock.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

const std::u16string SettingsKey = u"Software\\Microsoft\\Internet Explorer\\Settings";

// The link colour with the given setting in the user's registry.
DWORD AnchorColorFor(const std::u16string& text) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  desk.SetRegistryString(win::HKEY_CURRENT_USER, SettingsKey, u"Anchor Color", text);
  const DWORD color = GetAnchorColor(p);
  EXPECT_EQ(desk.OpenRegistryKeys(), 0) << "the key stays open after reading " << testing::PrintToString(text);
  return color;
}

}  // namespace

TEST(AnchorColor, TheSettingGivesRedGreenBlue) {
  EXPECT_EQ(AnchorColorFor(u"128,0,128"), 0x00800080u);
  EXPECT_EQ(AnchorColorFor(u"10,20,30"), 0x001E140Au);  // red in the lowest byte
  EXPECT_EQ(AnchorColorFor(u" 0, 0, 255"), 0x00FF0000u);
  EXPECT_EQ(AnchorColorFor(u"10 20 30"), 0x001E140Au);
  EXPECT_EQ(AnchorColorFor(u" 10 , 20 ,30 "), 0x001E140Au);
  // Fields that are no numbers, or missing, take red 0, green 0, blue 255.
  EXPECT_EQ(AnchorColorFor(u"x,y,z"), 0x00FF0000u);
  EXPECT_EQ(AnchorColorFor(u"7,y"), 0x00FF0007u);
  EXPECT_EQ(AnchorColorFor(u"7,,9"), 0x00090007u);
  EXPECT_EQ(AnchorColorFor(u""), 0x00FF0000u);
  EXPECT_EQ(AnchorColorFor(u"1.5,2,3"), 0x00030200u);
  EXPECT_EQ(AnchorColorFor(u"99999999999,2,3"), 0x00030200u);  // beyond 32 bits
  // Each component keeps its low 8 bits.
  EXPECT_EQ(AnchorColorFor(u"300,0,0"), 44u);
  EXPECT_EQ(AnchorColorFor(u"-1,256,+513"), 0x000100FFu);
}

TEST(AnchorColor, AMissingOrUnreadableSettingIsBlue) {
  {
    // No key at all.
    TSimDesktop desk;
    TSimProcess& p = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
    EXPECT_EQ(GetAnchorColor(p), 0x00FF0000u);
  }
  {
    // The key without the value, or with a value of another type.
    TSimDesktop desk;
    TSimProcess& p = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
    desk.AddRegistryKey(win::HKEY_CURRENT_USER, SettingsKey);
    EXPECT_EQ(GetAnchorColor(p), 0x00FF0000u);
    desk.SetRegistryValue(win::HKEY_CURRENT_USER, SettingsKey, u"Anchor Color", win::REG_DWORD, {128, 0, 0, 0});
    EXPECT_EQ(GetAnchorColor(p), 0x00FF0000u);
    EXPECT_EQ(desk.OpenRegistryKeys(), 0);
  }
  {
    // Text stored without its zero, an odd byte at the end.
    TSimDesktop desk;
    TSimProcess& p = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
    desk.SetRegistryValue(win::HKEY_CURRENT_USER, SettingsKey, u"Anchor Color", win::REG_SZ,
                          {'1', 0, ',', 0, '2', 0, ',', 0, '3', 0, '4'});
    EXPECT_EQ(GetAnchorColor(p), 0x00030201u);
  }
  {
    // Read only, from the current user's key, and closed again.
    TSimDesktop desk;
    TSimProcess& p = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
    desk.SetRegistryString(win::HKEY_CURRENT_USER, SettingsKey, u"Anchor Color", u"1,2,3");
    desk.SetRegistryString(win::HKEY_LOCAL_MACHINE, SettingsKey, u"Anchor Color", u"9,9,9");
    EXPECT_EQ(GetAnchorColor(p), 0x00030201u);
    ASSERT_EQ(desk.CountCalls("RegOpenKeyExW"), 1);
    for (const TSimCall& call : desk.Calls()) {
      if (std::string(call.Name) == "RegOpenKeyExW") {
        EXPECT_EQ(call.A[3], win::KEY_READ);
      }
    }
    EXPECT_EQ(desk.CountCalls("RegCloseKey"), 1);
    // A registry that refuses the read gives blue and leaves nothing open.
    desk.FailNext("RegQueryValueExW", win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetAnchorColor(p), 0x00FF0000u);
    EXPECT_EQ(desk.OpenRegistryKeys(), 0);
    desk.FailNext("RegOpenKeyExW", win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetAnchorColor(p), 0x00FF0000u);
  }
}

TEST(AboutLabels, TextTopOffsetCentresAndRoundsHalvesToEven) {
  // Text taller than the label: half the difference, halves to the even side.
  EXPECT_EQ(TextTopOffset(13, 12), 0);   // -0.5
  EXPECT_EQ(TextTopOffset(15, 12), -2);  // -1.5
  EXPECT_EQ(TextTopOffset(17, 12), -2);  // -2.5
  EXPECT_EQ(TextTopOffset(19, 12), -4);  // -3.5
  EXPECT_EQ(TextTopOffset(14, 12), -1);
  // Room to spare: half of it, rounded down.
  EXPECT_EQ(TextTopOffset(12, 12), 0);
  EXPECT_EQ(TextTopOffset(9, 12), 1);
  EXPECT_EQ(TextTopOffset(7, 12), 2);
}

namespace {

const std::u16string LensoroExe = u"C:\\Tools\\Lensoro\\lensoro.exe";
// Where the link leads unless the build names another address.
const std::u16string HelpPage = u"C:\\Tools\\Lensoro\\Help\\index.html";

class AboutFormTest : public ::testing::Test {
 protected:
  TSimDesktop Desk;
  TSimProcess& Proc = test::AddLensoro(Desk, LensoroExe);
  TApplication App{Proc};
  HWND Owner = 0;

  void SetUp() override {
    Desk.AddFile(LensoroExe, "MZ");
    Desk.SetVersionResource(LensoroExe, test::VersionResource(test::FixedPart(0x00010002, 0x00030004),
                                                              {{u"041103A4", {{u"ProductVersion", u"1.2.3"}}}},
                                                              {{0x0411, 0x03A4}}));
    App.Initialize();
    Owner = Desk.AddForeignWindow(Proc.Pid, u"TOwner", u"Owner", 0, {100, 100, 900, 700});
  }
  // What the message loop does with each message, until the queue is empty.
  void Pump() {
    TMsg m;
    while (Proc.PeekMessageW(m, true)) {
      if (App.ProcessDialogMessage(m)) continue;
      Proc.TranslateMessage(m);
      Proc.DispatchMessageW(m);
    }
  }
  TRect PlaceOf(const TControl& c) {
    const TSimWindow* w = Desk.Window(c.Handle());
    const TPoint origin = TSimDesktop::ClientOrigin(*Desk.Window(w->Parent));
    return {w->Rect.Left - origin.X, w->Rect.Top - origin.Y, w->Rect.Width(), w->Rect.Height()};
  }
  std::u16string TitleOf(const TControl& c) { return Desk.Window(c.Handle())->Title; }
  static const TSimPaintOp* LastOp(const TSimWindow* w, const char* op) {
    for (auto it = w->PaintLog.rbegin(); it != w->PaintLog.rend(); ++it) {
      if (it->Op == op) return &*it;
    }
    return nullptr;
  }
  TPoint CentreOf(const TControl& c) {
    const TRect r = Desk.Window(c.Handle())->Rect;
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  std::vector<HWND> AboutWindows() {
    std::vector<HWND> found;
    for (HWND w : Desk.TopLevelWindows()) {
      if (Desk.Window(w)->ClassName == u"TAboutForm") found.push_back(w);
    }
    return found;
  }
};

}  // namespace

TEST_F(AboutFormTest, EveryComponentAtItsPlaceWithTheLanguageTextsAndTheVersion) {
  // A menu font unlike the dialog font, so that taking it shows.
  Desk.NonClientMetrics.MenuFont.Height = -16;
  TAboutForm form(App);
  form.SetOwnerWindow(Owner);
  ASSERT_TRUE(form.Show());
  Pump();

  TRect client;
  ASSERT_TRUE(Proc.GetClientRect(form.Handle(), client));
  EXPECT_EQ(client.Width(), 382);
  EXPECT_EQ(client.Height(), 206);
  EXPECT_EQ(PlaceOf(form.IconImage), (TRect{8, 36, 48, 48}));
  EXPECT_EQ(PlaceOf(form.VSpacer), (TRect{60, 34, 10, 166}));
  EXPECT_EQ(PlaceOf(form.HSpacer), (TRect{30, 94, 346, 5}));
  EXPECT_EQ(PlaceOf(form.OKButton), (TRect{284, 68, 90, 21}));
  EXPECT_EQ(PlaceOf(form.CreditMemo), (TRect{74, 106, 300, 92}));
  // A 16-pixel font makes 20-pixel lines: each label moves up by half of
  // the 8 pixels beyond 12. The title's 13-point font makes 22: -5 -> -5.
  EXPECT_EQ(PlaceOf(form.VersionLabel).Top, 36 - 4);
  EXPECT_EQ(PlaceOf(form.AuthorLabel).Top, 56 - 4);
  EXPECT_EQ(PlaceOf(form.WebSiteLabel).Top, 76 - 4);
  EXPECT_EQ(PlaceOf(form.WebSiteLabel).Left, 74);
  EXPECT_EQ(form.TitleLabel.Font().Size(), form.Font().Size() + 1);
  EXPECT_EQ(PlaceOf(form.TitleLabel).Top, 3);
  EXPECT_EQ(form.AuthorLabel.Font().Height(), -16);

  // No language file here: the built-in caption.
  EXPECT_EQ(Desk.Window(form.Handle())->Title, u"ぽてりんの バージョン じょーほー");
  EXPECT_EQ(TitleOf(form.TitleLabel), u"がめん かくだい ソフト ぽてりん");
  EXPECT_EQ(TitleOf(form.AuthorLabel), u"つくった ひと: もりの・くまお");
  EXPECT_EQ(TitleOf(form.WebSiteLabel), u"「ソラマメ ラボ」");
  EXPECT_EQ(TitleOf(form.OKButton), u"OK");
  EXPECT_EQ(TitleOf(form.VersionLabel), u"1.2.3");
  EXPECT_EQ(Desk.FocusWindow(), form.OKButton.Handle());
  EXPECT_EQ(form.TabList()[0], &form.OKButton);
  EXPECT_EQ(form.TabList()[1], &form.CreditMemo);

  // The credits: the language's line, then each library with its lines.
  const std::vector<std::u16string> lines = form.CreditMemo.Lines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], u"ぽてりんは いかの コンポーネントや ユニットを つかっています。");
  const std::string zlibLine = std::string("* zlib ") + ZLIB_VERSION;
  EXPECT_EQ(lines[1], std::u16string(zlibLine.begin(), zlibLine.end()));
  EXPECT_EQ(lines[2], u"  Jean-loup Gailly and Mark Adler");
  EXPECT_EQ(lines[3], u"  https://zlib.net/");
  for (std::size_t i = 1; i < lines.size(); ++i) {
    EXPECT_TRUE(lines[i].rfind(u"* ", 0) == 0 || lines[i].rfind(u"  ", 0) == 0) << i;
  }
  EXPECT_EQ(form.CreditMemo.SelStart(), 0);
  EXPECT_EQ(form.CreditMemo.SelLength(), 0);
  const TSimWindow* memo = Desk.Window(form.CreditMemo.Handle());
  EXPECT_FALSE(memo->ExStyle & win::WS_EX_CLIENTEDGE);
  EXPECT_TRUE(memo->Style & win::ES_READONLY);
  EXPECT_TRUE(memo->Style & win::WS_VSCROLL);
  EXPECT_FALSE(memo->Style & win::ES_WANTRETURN);
  EXPECT_TRUE(memo->ImeDisabled);
  EXPECT_EQ(form.CreditMemo.Color(), clBtnFace);

  // The dialog's face is painted between the controls.
  Desk.Paint(form.Handle());
  const TSimPaintOp* face = LastOp(Desk.Window(form.Handle()), "FillRect");
  ASSERT_NE(face, nullptr);
  EXPECT_EQ(face->Color, Proc.GetSysColor(win::COLOR_BTNFACE));
  EXPECT_GE(face->Rect.Width(), 382);

  // The separators draw their lines in the shadow colour.
  Desk.Paint(form.HSpacer.Handle());
  const TSimPaintOp* line = LastOp(Desk.Window(form.HSpacer.Handle()), "LineTo");
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->Rect, (TRect{2, 1, 344, 1}));
  EXPECT_EQ(line->Color, Proc.GetSysColor(16));
}

TEST_F(AboutFormTest, TheLinkLightsUpUnderThePointerAndOpensTheSite) {
  Desk.SetRegistryString(win::HKEY_CURRENT_USER, u"Software\\Microsoft\\Internet Explorer\\Settings",
                         u"Anchor Color", u"128,0,128");
  TAboutForm form(App);
  form.SetOwnerWindow(Owner);
  ASSERT_TRUE(form.Show());
  Pump();
  const TColor rest = form.WebSiteLabel.Font().Color();
  EXPECT_FALSE(form.WebSiteLabel.Font().Style() & fsUnderline);
  EXPECT_FALSE(form.WebSiteLabel.ShowHint());

  Desk.MouseMove(CentreOf(form.WebSiteLabel));
  Pump();
  // The hand shows from the next move on, as the system asks for it.
  Desk.MouseMove({CentreOf(form.WebSiteLabel).X + 1, CentreOf(form.WebSiteLabel).Y});
  Pump();
  EXPECT_EQ(form.WebSiteLabel.Font().Color(), 0x00800080u);
  EXPECT_TRUE(form.WebSiteLabel.Font().Style() & fsUnderline);
  EXPECT_EQ(form.WebSiteLabel.Hint(), HelpPage);
  EXPECT_TRUE(form.WebSiteLabel.ShowHint());
  EXPECT_EQ(Desk.CurrentCursor(), Proc.LoadCursorW(win::IDC_HAND));
  Desk.Paint(form.WebSiteLabel.Handle());
  const TSimPaintOp* text = LastOp(Desk.Window(form.WebSiteLabel.Handle()), "DrawText");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Color, 0x00800080u);
  EXPECT_TRUE(text->Font.Underline);
  EXPECT_EQ(Desk.OpenRegistryKeys(), 0);

  // Only the link opens the site, with the dialog as owner, shown normally.
  form.WebSiteLabelClick(form.AuthorLabel);
  EXPECT_TRUE(Desk.ShellExecutes.empty());
  ASSERT_TRUE(Desk.Click(form.WebSiteLabel.Handle()));
  Pump();
  ASSERT_EQ(Desk.ShellExecutes.size(), 1u);
  EXPECT_EQ(Desk.ShellExecutes[0].File, HelpPage);
  EXPECT_EQ(Desk.ShellExecutes[0].Wnd, form.Handle());
  EXPECT_TRUE(Desk.Dialogs.empty());
  // A shell that cannot open it says so.
  Desk.ShellExecuteResult = 2;
  form.WebSiteLabelClick(form.WebSiteLabel);
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_NE(Desk.Dialogs[0].Text.find(HelpPage), std::u16string::npos);
  EXPECT_EQ(Desk.Dialogs[0].Type, TMsgDlgType::Error);

  Desk.MouseMove({5, 5});
  Pump();
  EXPECT_EQ(form.WebSiteLabel.Font().Color(), rest);
  EXPECT_FALSE(form.WebSiteLabel.Font().Style() & fsUnderline);
  EXPECT_TRUE(form.WebSiteLabel.Hint().empty());
  EXPECT_FALSE(form.WebSiteLabel.ShowHint());
  EXPECT_EQ(form.WebSiteLabel.Cursor, TCursor::crDefault);
}

TEST_F(AboutFormTest, TheCreditsBoxSelectsAllAndHasNoMenu) {
  TAboutForm form(App);
  form.SetOwnerWindow(Owner);
  ASSERT_TRUE(form.Show());
  Pump();
  const int length = static_cast<int>(form.CreditMemo.Text().size());
  ASSERT_GT(length, 40);

  Desk.KeyPress(0, win::VK_TAB);  // from OK into the box
  Pump();
  ASSERT_EQ(Desk.FocusWindow(), form.CreditMemo.Handle());
  EXPECT_EQ(form.CreditMemo.SelStart(), 0);
  EXPECT_EQ(form.CreditMemo.SelLength(), length);

  Desk.KeyPress(0, win::VK_END);
  Pump();
  EXPECT_EQ(form.CreditMemo.SelLength(), 0);
  Desk.KeyPress(0, 'A', kmCtrl | kmShift);
  Desk.KeyPress(0, 'A', kmCtrl | kmAlt);
  Pump();
  EXPECT_EQ(form.CreditMemo.SelLength(), 0);
  Desk.KeyPress(0, 'A', kmCtrl);
  Pump();
  EXPECT_EQ(form.CreditMemo.SelLength(), length);

  Desk.ContextMenu(form.CreditMemo.Handle());
  Pump();
  EXPECT_EQ(Desk.Window(form.CreditMemo.Handle())->Ctl.ContextMenuCount, 0);
  // Read only: typing changes nothing.
  Desk.TypeText(0, u"xyz");
  Pump();
  EXPECT_EQ(static_cast<int>(form.CreditMemo.Text().size()), length);
}

TEST_F(AboutFormTest, EscAndEnterCloseTheDialog) {
  for (int key : {win::VK_ESCAPE, win::VK_RETURN}) {
    TAboutForm form(App);
    form.SetOwnerWindow(Owner);
    auto show = form.OnShow;
    form.OnShow = [&](TForm& f) {
      show(f);
      // In the credits box, where Enter is no line break.
      form.CreditMemo.SetFocus();
      Desk.KeyPress(0, key);
    };
    EXPECT_EQ(form.ShowModal(), mrOk) << key;
    EXPECT_FALSE(Desk.Window(form.Handle())->Visible);
    EXPECT_EQ(form.VersionError(), "");
  }
}

// Centred over its owner, then moved onto the work area of the owner's
// monitor: a 1280 x 1024 one left of the primary, both with a task bar 40
// high, and a short one right of the primary.
TEST_F(AboutFormTest, TheDialogOpensOnTheWorkAreaOfItsOwnersMonitor) {
  Desk.ChangeDisplays({{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                       {{-1280, 0, 0, 1024}, {-1280, 0, 0, 984}},
                       {{1920, 0, 2944, 200}, {1920, 0, 2944, 200}}});
  constexpr int Centred = 1 << 30, Last = Centred + 1;  // Last: the work area's right or bottom edge less W or H
  const struct {
    TRect Owner;
    TPoint Expected;
  } cases[] = {
      {{-900, 400, -632, 620}, {Centred, Centred}},
      {{-900, 900, -632, 1020}, {Centred, Last}},
      {{1800, 300, 2068, 520}, {Last, Centred}},
      {{-100, 300, 168, 520}, {0, Centred}},  // more on the primary than on the left one
      {{2300, 20, 2568, 120}, {Centred, 0}},  // taller than the short monitor
  };
  for (const auto& c : cases) {
    Proc.SetWindowPos(Owner, 0, c.Owner.Left, c.Owner.Top, c.Owner.Width(), c.Owner.Height(), win::SWP_NOZORDER);
    TAboutForm form(App);
    form.SetOwnerWindow(Owner);
    form.Show();
    const TRect r = Desk.Window(form.Handle())->Rect;
    const TRect work = c.Owner.Left < -300 ? TRect{-1280, 0, 0, 984} : TRect{0, 0, 1920, 1040};
    const auto expect = [](int e, int centred, int last) { return e == Centred ? centred : e == Last ? last : e; };
    const int x = c.Owner.Left + (c.Owner.Width() - r.Width()) / 2,
              y = c.Owner.Top + (c.Owner.Height() - r.Height()) / 2;
    EXPECT_EQ(r.Left, expect(c.Expected.X, x, work.Right - r.Width())) << c.Owner.Left << "," << c.Owner.Top;
    EXPECT_EQ(r.Top, expect(c.Expected.Y, y, work.Bottom - r.Height())) << c.Owner.Left << "," << c.Owner.Top;
  }
}

TEST_F(AboutFormTest, TheVersionShownFollowsTheResource) {
  auto shown = [&] {
    TAboutForm form(App);
    form.SetOwnerWindow(Owner);
    form.Show();
    return TitleOf(form.VersionLabel);
  };
  Desk.SetVersionResource(LensoroExe, test::VersionResource(test::FixedPart(0x00020003, 0x00040005), {}, {}));
  EXPECT_EQ(shown(), u"2.3.4.5");
  Desk.SetVersionResource(LensoroExe, {});
  EXPECT_EQ(shown(), u"No Version Information");
}

TEST_F(AboutFormTest, TheCommandRunsTheDialogBelowTheLoupeAndReportsADamagedResource) {
  TMainForm main(App);
  main.Show();
  const HWND loupe = main.Handle();
  // The user's hand: a timer that looks at the open dialog and presses Esc.
  struct THand final : IWindowHandler {
    std::function<void()> OnTick;
    LRESULT HandleMessage(HWND wnd, UINT msg, WPARAM w, LPARAM l) override {
      if (msg == win::WM_TIMER && OnTick) OnTick();
      return 0;
      (void)wnd, (void)w, (void)l;
    }
  } hand;
  TCreateWindowParams params;
  params.ClassName = u"THand";
  params.Handler = &hand;
  const HWND handWindow = Proc.CreateWindowExW(params);
  Proc.SetTimer(handWindow, 7, 100);
  int ticks = 0;
  bool wasTopmost = true;
  std::u16string version;
  hand.OnTick = [&] {
    const std::vector<HWND> open = AboutWindows();
    if (open.empty() || !Desk.Window(open[0])->Visible) return;
    ++ticks;
    wasTopmost = Parts(main).IsTopmost;
    for (HWND child : Desk.Window(open[0])->Children) {
      if (Desk.Window(child)->ClassName == u"TLabel" && Desk.Window(child)->Title == u"1.2.3") version = u"1.2.3";
    }
    Desk.KeyPress(0, win::VK_ESCAPE);
  };
  Parts(main).Commands.ActPopShowVersionInfo.Execute();
  EXPECT_EQ(ticks, 1);
  EXPECT_FALSE(wasTopmost);
  EXPECT_EQ(version, u"1.2.3");
  EXPECT_TRUE(Parts(main).IsTopmost);
  EXPECT_TRUE(AboutWindows().empty());
  EXPECT_TRUE(Desk.Dialogs.empty());
  EXPECT_TRUE(Desk.IsWindowEnabled(loupe));

  // A damaged resource: the dialog goes at once, then the error is shown
  // with the loupe's flag back (the box lowers it again while it is open).
  std::vector<std::uint8_t> bad = test::VersionResource(test::FixedPart(1, 2), {}, {});
  bad[2] = 48;
  Desk.SetVersionResource(LensoroExe, bad);
  int dialogsAtTheBox = -1;
  Desk.DialogResponder = [&](TSimProcess&, const TSimDialog&) {
    dialogsAtTheBox = static_cast<int>(AboutWindows().size());
    return win::IDOK;
  };
  ticks = 0;
  Parts(main).Commands.ActPopShowVersionInfo.Execute();
  EXPECT_EQ(ticks, 0);
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.Dialogs[0].Text, u"FixedFileInfo Record Wrong Size");
  EXPECT_EQ(Desk.Dialogs[0].Type, TMsgDlgType::Error);
  EXPECT_EQ(dialogsAtTheBox, 0);
  EXPECT_TRUE(Parts(main).IsTopmost);
  Proc.KillTimer(handWindow, 7);
  Proc.DestroyWindow(handWindow);
}

TEST_F(AboutFormTest, ALanguageSwitchReappliesTheOpenDialogsTexts) {
  const std::u16string lang = u"C:\\Tools\\Lensoro\\Lang\\English.lang";
  Desk.AddFile(lang, test::Utf16File(u"[AboutForm]\r\nAboutForm.Caption=About\r\nTitleLabel.Caption=Screen loupe\r\n"
                                     u"CreditMemo.Text=Built with:\r\nOKButton.Caption=Close\r\n"));
  TAboutForm form(App);
  form.SetOwnerWindow(Owner);
  ASSERT_TRUE(form.Show());
  const std::size_t credits = form.CreditMemo.Lines().size();
  App.Lang.LangFile = lang;
  form.ApplyLang();
  EXPECT_EQ(Desk.Window(form.Handle())->Title, u"About");
  EXPECT_EQ(TitleOf(form.TitleLabel), u"Screen loupe");
  EXPECT_EQ(TitleOf(form.OKButton), u"Close");
  // Keys the file lacks keep their built-in texts; the credits stay whole.
  EXPECT_EQ(TitleOf(form.AuthorLabel), u"つくった ひと: もりの・くまお");
  const std::vector<std::u16string> lines = form.CreditMemo.Lines();
  ASSERT_EQ(lines.size(), credits);
  EXPECT_EQ(lines[0], u"Built with:");
  EXPECT_EQ(TitleOf(form.VersionLabel), u"1.2.3");
}

namespace {

// The tooltip windows owned by the form, and the tools they hold.
std::vector<const TSimWindow*> ToolTipsOf(const TSimDesktop& desk, HWND form) {
  std::vector<const TSimWindow*> tips;
  for (HWND h : desk.TopLevelWindows()) {
    const TSimWindow* w = desk.Window(h);
    if (w->Owner == form && w->ClassName == u"tooltips_class32") tips.push_back(w);
  }
  return tips;
}

}  // namespace

TEST_F(AboutFormTest, TheLinkHasATooltipWithTheAddressWhileThePointerIsOnIt) {
  TAboutForm form(App);
  form.SetOwnerWindow(Owner);
  ASSERT_TRUE(form.Show());
  Pump();
  // No control wants a hint yet, so there is nothing to show one with.
  EXPECT_TRUE(ToolTipsOf(Desk, form.Handle()).empty());
  // A hint alone, without ShowHint, makes no tool either.
  form.AuthorLabel.SetHint(u"author");
  EXPECT_TRUE(ToolTipsOf(Desk, form.Handle()).empty());

  Desk.MouseMove(CentreOf(form.WebSiteLabel));
  Pump();
  auto tips = ToolTipsOf(Desk, form.Handle());
  ASSERT_EQ(tips.size(), 1u);
  const HWND tip = tips[0]->Handle;
  EXPECT_TRUE(Desk.Window(tip)->ExStyle & win::WS_EX_TOPMOST);
  ASSERT_EQ(Desk.Window(tip)->Tools.size(), 1u);
  EXPECT_EQ(Desk.Window(tip)->Tools[0].Tool, form.WebSiteLabel.Handle());
  EXPECT_EQ(Desk.Window(tip)->Tools[0].Owner, form.Handle());
  EXPECT_EQ(Desk.Window(tip)->Tools[0].Text, HelpPage);

  // A changed hint reaches the same tool; no second one is added.
  form.WebSiteLabel.SetHint(u"https://example.invalid/other");
  ASSERT_EQ(Desk.Window(tip)->Tools.size(), 1u);
  EXPECT_EQ(Desk.Window(tip)->Tools[0].Text, u"https://example.invalid/other");

  // Leaving the link takes its tool away; coming back brings one back.
  Desk.MouseMove({5, 5});
  Pump();
  EXPECT_TRUE(Desk.Window(tip)->Tools.empty());
  Desk.MouseMove(CentreOf(form.WebSiteLabel));
  Pump();
  ASSERT_EQ(ToolTipsOf(Desk, form.Handle()).size(), 1u) << "one tooltip window serves the form";
  ASSERT_EQ(Desk.Window(tip)->Tools.size(), 1u);
  EXPECT_EQ(Desk.Window(tip)->Tools[0].Text, HelpPage);

  // A window made again is a new tool; the old one does not linger.
  ASSERT_TRUE(form.WebSiteLabel.RecreateWnd());
  ASSERT_EQ(Desk.Window(tip)->Tools.size(), 1u);
  EXPECT_EQ(Desk.Window(tip)->Tools[0].Tool, form.WebSiteLabel.Handle());

  // The tooltip goes with the dialog.
  const HWND dialog = form.Handle();
  form.DestroyHandle();
  EXPECT_EQ(Desk.Window(tip), nullptr);
  EXPECT_TRUE(ToolTipsOf(Desk, dialog).empty());
}

TEST_F(AboutFormTest, ATooltipThatCannotBeMadeLeavesTheDialogWorking) {
  TAboutForm form(App);
  form.SetOwnerWindow(Owner);
  ASSERT_TRUE(form.Show());
  Pump();
  Desk.FailNext("CreateWindowExW", win::ERROR_NOT_ENOUGH_MEMORY);
  Desk.MouseMove(CentreOf(form.WebSiteLabel));
  Pump();
  EXPECT_TRUE(ToolTipsOf(Desk, form.Handle()).empty());
  EXPECT_TRUE(form.WebSiteLabel.Font().Style() & fsUnderline);
  EXPECT_TRUE(Desk.Dialogs.empty()) << "a missing tooltip is not worth a message";
  // The next time the pointer comes, it is tried again.
  Desk.MouseMove({5, 5});
  Pump();
  Desk.MouseMove(CentreOf(form.WebSiteLabel));
  Pump();
  auto tips = ToolTipsOf(Desk, form.Handle());
  ASSERT_EQ(tips.size(), 1u);
  ASSERT_EQ(tips[0]->Tools.size(), 1u);
  EXPECT_EQ(tips[0]->Tools[0].Text, HelpPage);
}

TEST(MakerWebAddress, AnAddressWithASchemeStandsAPathLiesBesideTheExe) {
  EXPECT_EQ(MakerWebAddress(LensoroExe), HelpPage) << "the build's default";
  const struct {
    const char16_t* Setting;
    const char16_t* Address;
  } cases[] = {
      {u"Help/index.html", u"C:\\Tools\\Lensoro\\Help\\index.html"},
      {u"https://example.net/lensoro/", u"https://example.net/lensoro/"},
      {u"file:///C:/Docs/a.html", u"file:///C:/Docs/a.html"},
      {u"Docs/en/readme.html", u"C:\\Tools\\Lensoro\\Docs\\en\\readme.html"},
  };
  for (const auto& c : cases) EXPECT_EQ(MakerWebAddress(LensoroExe, c.Setting), c.Address);
}

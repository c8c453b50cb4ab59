// The loupe's popup menu and its commands against the simulated desktop:
// what the menu shows, hiding to the tray and back, the tray icon's clicks,
// help and quitting.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Application.h"
#include "Format.h"
#include "LnsLib.h"
#include "LoupeTest.h"
#include "Main.h"
#include "SimDesktop.h"
#include "TestFiles.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

const std::u16string Exe = u"C:\\Tools\\Lensoro\\lensoro.exe";

LPARAM Point(int x, int y) { return static_cast<LPARAM>((static_cast<DWORD>(y & 0xFFFF) << 16) | (x & 0xFFFF)); }

class MenuTest : public test::TLoupeTest {
 protected:
  MenuTest() : TLoupeTest(Exe) {}
  void Create(const std::u16string& ini = u"") { Copy.Start(ini); }
  HWND TrayWindow() const { return Parts(Form).Tray.TrayIcon1->WindowHandle(); }
  const TSimDesktop::TSimTrayIcon* Shell() const { return Desk.TrayIcon(TrayWindow(), TrayWindow()); }
  // The alpha of pixel (5, 5) of the tray image, inside the faded region.
  int ShownAlpha() const {
    const TSimDesktop::TSimIcon* icon = Shell() ? Desk.Icon(Shell()->Data.hIcon) : nullptr;
    return icon ? icon->Bits.ColorBgra[(5 * 16 + 5) * 4 + 3] : -1;
  }
  // Right-clicks the loupe; `pick` chooses by caption prefix (empty: dismiss).
  // Returns the items' texts as shown.
  std::vector<std::u16string> RightClickLoupe(const std::u16string& pick = u"") {
    std::vector<std::u16string> texts;
    Desk.MenuResponder = [&](TSimProcess&, const TSimDesktop::TSimMenuTrack& t) -> std::uintptr_t {
      for (const auto& item : Desk.Menu(t.Menu)->Items) texts.push_back(item.Text);
      return pick.empty() ? 0 : Desk.FindMenuItem(t.Menu, pick);
    };
    Proc.SendMessageW(Form->Handle(), win::WM_RBUTTONUP, 0, Point(30, 40));
    return texts;
  }
  TSimDesktop::TSimMenu LastMenu;
  void KeepMenus() {
    Desk.MenuResponder = [this](TSimProcess&, const TSimDesktop::TSimMenuTrack& t) -> std::uintptr_t {
      LastMenu = *Desk.Menu(t.Menu);
      return 0;
    };
  }
};

}  // namespace

TEST_F(MenuTest, ContextMenuShowsAllItemsInOrderWithTheDefaultCaptions) {
  Create(u"[ShortCut]\r\nActPopMinimizeAndRestore=76,Ctrl+Alt+\r\n");
  KeepMenus();
  Proc.SendMessageW(Form->Handle(), win::WM_RBUTTONUP, 0, Point(30, 40));
  ASSERT_EQ(Desk.MenuTracks.size(), 1u);
  const TSimDesktop::TSimMenuTrack& track = Desk.MenuTracks[0];
  EXPECT_EQ(track.X, 243 + 30);
  EXPECT_EQ(track.Y, 478 + 40);
  EXPECT_EQ(track.Owner, App.Handle());
  EXPECT_EQ(track.Result, 0u);

  std::vector<std::u16string> texts;
  for (const auto& item : LastMenu.Items) {
    texts.push_back(item.Text);
    EXPECT_FALSE(item.Flags & win::MF_GRAYED) << Utf16ToUtf8(item.Text);
  }
  const std::vector<std::u16string> expected = {
      u"タスク トレイに しまう\tCtrl+Alt+L", u"", u"ポインター モード", u"ウィンドウ モード", u"",
      u"ズーム イン (-> 2.1x)", u"ズーム アウト (-> 1.9x)", u"", u"オリジナル", u"はんてん", u"グレー スケール", u"",
      u"オプション(&O)", u"ことば(&L)", u"", u"リセット", u"", u"ヘルプ(&H)", u"バージョン じょーほー(&A)", u"",
      u"しゅーりょー(&X)"};
  EXPECT_EQ(texts, expected);
  for (int sep : {1, 4, 7, 11, 14, 16, 19}) EXPECT_TRUE(LastMenu.Items[sep].Flags & win::MF_SEPARATOR) << sep;

  // The language submenu: the default file, checked.
  const HMENU languages = LastMenu.Items[13].SubMenu;
  ASSERT_NE(languages, 0u);
  EXPECT_TRUE(LastMenu.Items[13].Flags & win::MF_POPUP);
  // Built per opening and gone after it.
  EXPECT_EQ(Desk.Menu(languages), nullptr);
  EXPECT_EQ(Desk.MenuCount(Proc.Pid), 0);
}

TEST_F(MenuTest, ChecksAndZoomCaptionsFollowTheStateAtEveryOpening) {
  Create();
  KeepMenus();
  Parts(Form).Settings.LoupeRate = 7.95f;
  Parts(Form).Settings.LoupeMode = lmWindow;
  Parts(Form).Settings.LoupeColorMode = lcmInvert;
  Proc.SendMessageW(Form->Handle(), win::WM_CONTEXTMENU, Form->Handle(), Point(100, 100));
  EXPECT_EQ(LastMenu.Items[5].Text, u"ズーム イン (-> 8.0x)");
  std::vector<bool> checked;
  for (int i : {2, 3, 8, 9, 10}) checked.push_back(LastMenu.Items[static_cast<std::size_t>(i)].Flags & win::MF_CHECKED);
  EXPECT_EQ(checked, (std::vector<bool>{false, true, false, true, false}));

  Parts(Form).Settings.LoupeRate = 1.35f;
  Parts(Form).Settings.LoupeMode = lmPointer;
  Parts(Form).Settings.LoupeColorMode = lcmGray;
  Proc.SendMessageW(Form->Handle(), win::WM_CONTEXTMENU, Form->Handle(), Point(100, 100));
  EXPECT_EQ(LastMenu.Items[6].Text, u"ズーム アウト (-> 1.3x)");
  checked.clear();
  for (int i : {2, 3, 8, 9, 10}) checked.push_back(LastMenu.Items[static_cast<std::size_t>(i)].Flags & win::MF_CHECKED);
  EXPECT_EQ(checked, (std::vector<bool>{true, false, false, false, true}));

  Parts(Form).Settings.LoupeRate = 8.0f;
  Proc.SendMessageW(Form->Handle(), win::WM_CONTEXTMENU, Form->Handle(), Point(100, 100));
  EXPECT_EQ(LastMenu.Items[5].Text, u"ズーム イン (-> 8.0x)");
  EXPECT_EQ(LastMenu.Items[6].Text, u"ズーム アウト (-> 7.9x)");

  // From the keyboard the menu opens at the loupe's corner.
  Proc.SendMessageW(Form->Handle(), win::WM_CONTEXTMENU, Form->Handle(), Point(-1, -1));
  EXPECT_EQ(Desk.MenuTracks.back().X, 243);
  EXPECT_EQ(Desk.MenuTracks.back().Y, 478);
}

// At 8.0x there is no zooming in, at 1.3x no zooming out: the item is
// greyed and Ctrl+wheel tries no step (no transform reaches the magnifier).
TEST_F(MenuTest, ZoomItemsAreGreyedAtTheLimitsAndTheWheelStepsNoFurther) {
  Create();
  KeepMenus();
  const auto wheel = [&](int delta) {
    const WPARAM w = (static_cast<WPARAM>(static_cast<std::uint16_t>(delta)) << 16) | win::MK_CONTROL;
    Proc.SendMessageW(Form->Handle(), win::WM_MOUSEWHEEL, w, Point(0, 0));
  };
  const struct {
    float Rate;
    bool In, Out;  // enabled
  } cases[] = {{8.0f, false, true}, {1.3f, true, false}, {7.95f, true, true}, {1.35f, true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Rate);
    Form->SetLoupeRate(c.Rate);
    Proc.SendMessageW(Form->Handle(), win::WM_CONTEXTMENU, Form->Handle(), Point(100, 100));
    EXPECT_EQ(!(LastMenu.Items[5].Flags & win::MF_GRAYED), c.In);
    EXPECT_EQ(!(LastMenu.Items[6].Flags & win::MF_GRAYED), c.Out);
    for (const int delta : {120, -120}) {
      Form->SetLoupeRate(c.Rate);
      Desk.ClearCalls();
      wheel(delta);
      EXPECT_EQ(Desk.CountCalls("MagSetWindowTransform", Proc.Pid), (delta > 0 ? c.In : c.Out) ? 1 : 0) << delta;
    }
  }
}

TEST_F(MenuTest, LoupeIsNotTopmostWhileTheMenuIsOpenAndTheChoiceRunsAfter) {
  Create();
  bool topmostDuring = true;
  bool menuWindowUp = false;
  TLoupeColorMode modeDuring = lcmGray;
  Desk.MenuResponder = [&](TSimProcess&, const TSimDesktop::TSimMenuTrack& t) -> std::uintptr_t {
    topmostDuring = Parts(Form).IsTopmost;
    menuWindowUp = Desk.Window(t.Window) != nullptr && Desk.Window(t.Window)->ClassName == u"#32768";
    modeDuring = Parts(Form).Settings.LoupeColorMode;
    return Desk.FindMenuItem(t.Menu, u"はんてん");
  };
  Proc.SendMessageW(Form->Handle(), win::WM_RBUTTONUP, 0, Point(30, 40));
  EXPECT_FALSE(topmostDuring);
  EXPECT_TRUE(menuWindowUp);
  EXPECT_EQ(modeDuring, lcmOriginal);
  EXPECT_TRUE(Parts(Form).IsTopmost);
  EXPECT_EQ(Parts(Form).Settings.LoupeColorMode, lcmInvert);
  // The tracking tick leaves the loupe below the menu while it is open.
  Desk.MenuResponder = [&](TSimProcess&, const TSimDesktop::TSimMenuTrack&) -> std::uintptr_t {
    Desk.RunFor(100);
    topmostDuring = (Loupe().ExStyle & win::WS_EX_TOPMOST) != 0;
    return 0;
  };
  Proc.SendMessageW(Form->Handle(), win::WM_RBUTTONUP, 0, Point(30, 40));
  EXPECT_FALSE(topmostDuring);
  Desk.RunFor(100);
  EXPECT_TRUE(Loupe().ExStyle & win::WS_EX_TOPMOST);
}

TEST_F(MenuTest, MenusAndMessageBoxesThatNestLeaveTheLoupeBelowUntilTheLastCloses) {
  Create();
  const auto loupeOnTop = [this] {
    Desk.RunFor(100);  // a tracking tick places the loupe
    return (Loupe().ExStyle & win::WS_EX_TOPMOST) != 0;
  };
  // A message box from a handler that runs while the menu is up.
  std::vector<bool> onTop;
  Desk.MenuResponder = [&](TSimProcess&, const TSimDesktop::TSimMenuTrack&) -> std::uintptr_t {
    ShowMsgDialog(App, u"busy", TMsgDlgType::Error, mbOK, Form->Handle());
    onTop.push_back(loupeOnTop());
    return 0;
  };
  Proc.SendMessageW(Form->Handle(), win::WM_RBUTTONUP, 0, Point(30, 40));
  onTop.push_back(loupeOnTop());
  EXPECT_EQ(onTop, (std::vector<bool>{false, true}));

  // The tray icon's menu opened and dismissed while the help's error box is up.
  onTop.clear();
  Desk.MenuResponder = nullptr;
  Desk.DialogResponder = [&](TSimProcess&, const TSimDialog&) {
    if (Desk.TrayMouse(TrayWindow(), TrayWindow(), win::WM_RBUTTONUP)) Desk.RunFor(0);
    onTop.push_back(loupeOnTop());
    return win::IDOK;
  };
  Parts(Form).Commands.ActPopShowHelp.Execute();
  ASSERT_EQ(Desk.MenuTracks.size(), 2u);
  onTop.push_back(loupeOnTop());
  EXPECT_EQ(onTop, (std::vector<bool>{false, true}));
}

TEST_F(MenuTest, LanguageSubmenuSwitchesTheCaptions) {
  Desk.AddFile(u"C:\\Tools\\Lensoro\\Lang\\English.lang",
               test::Utf16File(u"[Application]\r\nApplication.Title=Lensoro\r\n"
                               u"[MainForm]\r\nActPopZoomIn.Caption=Zoom &in\r\n[Lang: Menu]\r\n"
                               u"MinimizeToTrayCaption=Hide\r\n"));
  Create();
  EXPECT_EQ(std::u16string(Shell()->Data.szTip), u"ぽてりん");
  std::vector<std::u16string> languages;
  Desk.MenuResponder = [&](TSimProcess&, const TSimDesktop::TSimMenuTrack& t) -> std::uintptr_t {
    const HMENU sub = Desk.Menu(t.Menu)->Items[13].SubMenu;
    for (const auto& item : Desk.Menu(sub)->Items)
      languages.push_back(item.Text + ((item.Flags & win::MF_CHECKED) ? u"*" : u""));
    return Desk.FindMenuItem(sub, u"English");
  };
  Proc.SendMessageW(Form->Handle(), win::WM_RBUTTONUP, 0, Point(30, 40));
  EXPECT_EQ(languages, (std::vector<std::u16string>{u"English", u"LN日本語_かな*"}));
  EXPECT_EQ(App.Lang.LangFile, u"C:\\Tools\\Lensoro\\Lang\\English.lang");
  EXPECT_EQ(std::u16string(Shell()->Data.szTip), u"Lensoro") << "the tray's tip follows at once";
  const auto texts = RightClickLoupe();
  EXPECT_EQ(texts[0], u"Hide") << "the hide/restore item follows the switch at once";
  EXPECT_EQ(texts[5], u"Zoom &in (-> 2.1x)");
}

TEST_F(MenuTest, UncoveredLoupeHidesToTheTrayAndComesBack) {
  Create();
  const int fullAlpha = ShownAlpha();
  EXPECT_EQ(fullAlpha, 255);
  RightClickLoupe(u"タスク トレイに しまう");
  EXPECT_FALSE(Loupe().Visible);
  EXPECT_FALSE(Parts(Form).Timer1.Enabled());
  EXPECT_EQ(Form->WindowState(), TWindowState::wsMinimized);
  EXPECT_EQ(Parts(Form).Commands.ActPopMinimizeAndRestore.Caption, u"もとの サイズに もどす");
  EXPECT_EQ(ShownAlpha(), 128);  // the faded image
  EXPECT_FALSE(Form->Instances().LnsList()[0].IsVisible);

  // Restored from the tray icon's menu: the menu offers the other caption.
  Desk.ClearCalls();
  std::vector<std::u16string> texts;
  Desk.MenuResponder = [&](TSimProcess&, const TSimDesktop::TSimMenuTrack& t) -> std::uintptr_t {
    texts.push_back(Desk.Menu(t.Menu)->Items[0].Text);
    return Desk.FindMenuItem(t.Menu, u"もとの サイズに もどす");
  };
  ASSERT_TRUE(Desk.TrayMouse(TrayWindow(), TrayWindow(), win::WM_RBUTTONUP));
  Desk.RunFor(0);
  EXPECT_EQ(texts, std::vector<std::u16string>{u"もとの サイズに もどす"});
  EXPECT_TRUE(Loupe().Visible);
  EXPECT_TRUE(Parts(Form).Timer1.Enabled());
  EXPECT_EQ(Form->WindowState(), TWindowState::wsNormal);
  EXPECT_EQ(Loupe().Alpha, 255);
  EXPECT_EQ(Parts(Form).Commands.ActPopMinimizeAndRestore.Caption, u"タスク トレイに しまう");
  EXPECT_EQ(ShownAlpha(), 255);
  EXPECT_TRUE(Form->Instances().LnsList()[0].IsVisible);
  // Shown transparent first, opaque after.
  std::vector<std::int64_t> alphas;
  for (const auto& c : Desk.Calls())
    if (std::string(c.Name) == "SetLayeredWindowAttributes") alphas.push_back(c.A[2]);
  EXPECT_EQ(alphas, (std::vector<std::int64_t>{0, 255}));
}

TEST_F(MenuTest, HidingAndRestoringTakeTheirStepsInOrder) {
  TSimProcess& second = test::AddLensoro(Desk, u"D:\\Other\\lensoro.exe");
  // Apart, so that neither loupe covers the other.
  Desk.AddFile(u"D:\\Other\\lensoro.ini", test::Utf16File(u"[MainForm]\r\nLeft=1200\r\nTop=100\r\n"));
  Create();
  TApplication app2(second);
  app2.Initialize();
  TMainForm form2(app2);
  // What this copy asks of the desktop for its loupe, its tray icon and the other copy.
  const auto steps = [&] {
    std::vector<std::string> seen;
    for (const auto& c : Desk.Calls()) {
      if (c.Pid != Proc.Pid) continue;
      const std::string name = c.Name;
      const bool loupe = c.A[0] == static_cast<std::int64_t>(Form->Handle());
      if ((name == "KillTimer" || name == "SetTimer") && loupe) {
        seen.push_back(name);
      } else if (name == "ShowWindow" && loupe) {
        seen.push_back(name + (c.A[1] == win::SW_HIDE ? " hide" : " show"));
      } else if (name == "SetLayeredWindowAttributes" && loupe) {
        seen.push_back("alpha " + std::to_string(c.A[2]));
      } else if (name == "Shell_NotifyIconW") {
        seen.push_back("tray image");
      } else if (name == "SendMessageTimeoutW" && c.A[0] == static_cast<std::int64_t>(form2.Handle())) {
        seen.push_back(c.A[3] == LOUPE_HIDDEN ? "told hidden" : c.A[3] == LOUPE_SHOWN ? "told shown" : "told");
      }
    }
    Desk.ClearCalls();
    return seen;
  };
  Desk.ClearCalls();
  Parts(Form).Commands.ActPopMinimizeAndRestore.Execute();
  EXPECT_EQ(steps(), (std::vector<std::string>{"KillTimer", "ShowWindow hide", "tray image", "told hidden"}));
  Parts(Form).Commands.ActPopMinimizeAndRestore.Execute();
  EXPECT_EQ(steps(), (std::vector<std::string>{"KillTimer", "SetTimer", "alpha 0", "ShowWindow show", "alpha 255",
                                               "tray image", "told shown"}));
}

TEST_F(MenuTest, CoveredLoupeComesToTheFrontFirstAndWindowsBesideItDoNotCount) {
  TSimProcess& other = Desk.AddProcess(u"C:\\Windows\\notepad.exe");
  Create();
  // Above it and overlapping (another top-most window).
  const HWND cover = Desk.AddForeignWindow(other.Pid, u"Notepad", u"Untitled", 0, {300, 500, 700, 800}, true,
                                           win::WS_EX_TOPMOST);
  Parts(Form).IsTopmost = false;
  Parts(Form).Commands.ActPopMinimizeAndRestore.Execute();
  EXPECT_TRUE(Loupe().Visible);
  EXPECT_TRUE(Parts(Form).IsTopmost);
  EXPECT_EQ(Desk.Foreground(), Form->Handle());
  EXPECT_EQ(Desk.TopLevelWindows().front(), Form->Handle());
  Parts(Form).Commands.ActPopMinimizeAndRestore.Execute();
  EXPECT_FALSE(Loupe().Visible);
  Parts(Form).Commands.ActPopMinimizeAndRestore.Execute();
  EXPECT_TRUE(Loupe().Visible);

  // Above it but apart: hidden at once.
  Desk.DestroyWindow(cover);
  Desk.AddForeignWindow(other.Pid, u"Notepad", u"Apart", 0, {1200, 100, 1500, 300}, true, win::WS_EX_TOPMOST);
  ASSERT_NE(Desk.TopLevelWindows().front(), Form->Handle());
  Parts(Form).Commands.ActPopMinimizeAndRestore.Execute();
  EXPECT_FALSE(Loupe().Visible);
}

TEST_F(MenuTest, TrayClicksToggleAndModifiedMiddleClicksDoNothing) {
  Create();
  auto mouse = [this](UINT message) {
    ASSERT_TRUE(Desk.TrayMouse(TrayWindow(), TrayWindow(), message));
    Desk.RunFor(0);
  };
  mouse(win::WM_LBUTTONDOWN);
  mouse(win::WM_LBUTTONUP);
  EXPECT_FALSE(Loupe().Visible);
  mouse(win::WM_MBUTTONDOWN);
  EXPECT_TRUE(Loupe().Visible);
  for (int key : {win::VK_SHIFT, win::VK_CONTROL, win::VK_MENU}) {
    Desk.KeysDown[static_cast<std::size_t>(key)] = true;
    mouse(win::WM_MBUTTONDOWN);
    Desk.KeysDown[static_cast<std::size_t>(key)] = false;
    EXPECT_TRUE(Loupe().Visible) << key;
  }
  // A right press alone and a release without a press do nothing.
  mouse(win::WM_RBUTTONDOWN);
  mouse(win::WM_LBUTTONUP);
  EXPECT_TRUE(Loupe().Visible);
  EXPECT_TRUE(Desk.MenuTracks.empty());
}

TEST_F(MenuTest, OtherCopiesHearOfHidingAndShowing) {
  TSimProcess& second = test::AddLensoro(Desk, u"D:\\Other\\lensoro.exe");
  Create();
  TApplication app2(second);
  app2.Initialize();
  TMainForm form2(app2);
  const int entry = form2.Instances().LnsList().IndexOfWindowHandle(Form->Handle());
  ASSERT_GE(entry, 0);
  Parts(Form).Commands.ActPopMinimizeAndRestore.Execute();
  EXPECT_FALSE(form2.Instances().LnsList()[entry].IsVisible);
  Parts(Form).Commands.ActPopMinimizeAndRestore.Execute();
  EXPECT_TRUE(form2.Instances().LnsList()[entry].IsVisible);
}

TEST_F(MenuTest, SilentStartShowsOnlyTheFadedTrayIcon) {
  Create(u"[Loupe]\r\nIsSilentMode=1\r\n");
  EXPECT_FALSE(Parts(Form).Visible);
  EXPECT_FALSE(Loupe().Visible);
  EXPECT_EQ(ShownAlpha(), 128);
  EXPECT_EQ(Parts(Form).Commands.ActPopMinimizeAndRestore.Caption, u"もとの サイズに もどす");
  EXPECT_EQ(std::u16string(Shell()->Data.szTip), App.Title);
}

// Each result of opening the help page: the reason in words, the page's
// path, and Yes opens the folder it is in (the program's own while the
// page's folder is missing).
TEST_F(MenuTest, HelpOpensThePageBesideTheExeOrSaysWhy) {
  Create();
  const std::u16string folder = u"C:\\Tools\\Lensoro", help = folder + u"\\Help", page = help + u"\\index.html";
  const std::u16string cannot = u"ぽてりんはヘルプ ページを開けません: ";
  const struct {
    const char* Name;
    std::intptr_t Result;  // of opening the page; none opened while it is missing
    std::u16string Said;   // empty: nothing to say
    int Answer;
    std::u16string Opened;  // the folder opened after the box
  } cases[] = {
      {"missing", 0, u"ありません: [" + page + u"]", win::IDYES, folder},
      {"opened", 42, u"", 0, u""},
      {"no program for .html", win::SE_ERR_NOASSOC,
       cannot + u"この種類のファイルを開くプログラムが設定されていません。ページの場所: [" + page + u"]", win::IDYES,
       help},
      {"gone meanwhile", win::SE_ERR_FNF, cannot + u"ファイルがありません。ページの場所: [" + page + u"]", win::IDNO,
       u""},
      {"folder gone meanwhile", win::SE_ERR_PNF, cannot + u"ファイルがありません。ページの場所: [" + page + u"]",
       win::IDNO, u""},
      {"access denied", win::SE_ERR_ACCESSDENIED, cannot + u"アクセスが拒否されました。ページの場所: [" + page + u"]",
       win::IDYES, help},
      {"out of memory", 8, cannot + u"エラー コード: [8]。ページの場所: [" + page + u"]", win::IDNO, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.Result != 0) Desk.AddFile(page, "<html></html>");
    Desk.ShellExecuteResult = c.Result;
    Desk.ShellExecutes.clear();
    Desk.Dialogs.clear();
    Desk.DialogResponder = [&](TSimProcess&, const TSimDialog&) { return c.Answer; };
    Parts(Form).Commands.ActPopShowHelp.Execute();
    std::vector<std::u16string> opened;
    for (const auto& run : Desk.ShellExecutes) {
      EXPECT_EQ(run.Wnd, Form->Handle());
      EXPECT_EQ(run.Verb, u"");
      EXPECT_EQ(run.Show, win::SW_SHOWNORMAL);
      EXPECT_EQ(run.Directory, run.File == page ? folder : run.File);
      opened.push_back(run.File);
    }
    std::vector<std::u16string> expected;
    if (c.Result != 0) expected.push_back(page);
    if (!c.Opened.empty()) expected.push_back(c.Opened);
    EXPECT_EQ(opened, expected);
    ASSERT_EQ(Desk.Dialogs.size(), c.Said.empty() ? 0u : 1u);
    if (c.Said.empty()) continue;
    EXPECT_EQ(Desk.Dialogs[0].Text, c.Said + u"\r\n\r\nこのファイルがあるフォルダーを開きますか？")
        << Utf16ToUtf8(Desk.Dialogs[0].Text);
    EXPECT_EQ(Desk.Dialogs[0].Type, TMsgDlgType::Error);
    EXPECT_EQ(Desk.Dialogs[0].Buttons, mbYes | mbNo);
    EXPECT_EQ(Desk.Dialogs[0].Owner, Form->Handle());
  }
}

TEST_F(MenuTest, QuitFromTheMenuEndsTheLoopAndTheSettingsAreSaved) {
  Create();
  Parts(Form).Settings.LoupeRate = 3.0f;
  RightClickLoupe(u"しゅーりょー(&X)");
  EXPECT_TRUE(App.Terminated());
  EXPECT_TRUE(Proc.QuitPosted);
  Form.reset();
  const std::u16string ini = test::Utf16Text(Desk.FileText(u"C:\\Tools\\Lensoro\\lensoro.ini"));
  EXPECT_NE(ini.find(u"LoupeRate=3"), std::u16string::npos);
  EXPECT_TRUE(Desk.TrayIcons.empty());
  EXPECT_EQ(Desk.IconCount(Proc.Pid), 0);
}

// Every way out ends the program, also while a menu, a message box or a
// dialog is open: what is open is finished, then the loop ends, once. Under
// Wine a menu's loop swallowed the WM_QUIT of a close request, after which
// not even "Quit" could end the program.
TEST_F(MenuTest, EveryWayOutEndsTheProgramWhateverIsOpen) {
  enum class TOpen { Nothing, Menu, MessageBox, About, Options };
  enum class TWay { Close, EndSession, MenuQuit };
  const struct {
    const char* Name;
    TOpen Open;
    TWay Way;
    bool SaveFails = false;  // the save at the end fails: its box must be seen
  } cases[] = {
      {"End task, the save fails", TOpen::Nothing, TWay::Close, true},
      {"End task during the menu", TOpen::Menu, TWay::Close},
      {"End task during the menu, the save fails", TOpen::Menu, TWay::Close, true},
      {"end of session during the menu", TOpen::Menu, TWay::EndSession},
      {"End task during a message box", TOpen::MessageBox, TWay::Close},
      {"Quit from the menu during a message box", TOpen::MessageBox, TWay::MenuQuit},
      {"End task during the About dialog", TOpen::About, TWay::Close},
      {"End task during the options dialog", TOpen::Options, TWay::Close},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TSimDesktop desk;
    TSimProcess& proc = test::AddLensoro(desk, Exe);
    TApplication app(proc);
    app.Initialize();
    auto form = std::make_unique<TMainForm>(app);
    form->Show();
    Parts(form).Settings.LoupeRate = 3.0f;
    const HWND loupe = form->Handle();
    auto wayOut = [&] {
      if (c.Way == TWay::Close) {
        proc.PostMessageW(loupe, win::WM_CLOSE, 0, 0);
      } else if (c.Way == TWay::EndSession) {
        proc.SendMessageW(loupe, win::WM_QUERYENDSESSION, 0, 0);
        proc.SendMessageW(loupe, win::WM_ENDSESSION, 1, 0);
      } else {
        proc.SendMessageW(loupe, win::WM_CONTEXTMENU, loupe, Point(10, 10));
      }
    };
    int menus = 0;
    desk.MenuResponder = [&](TSimProcess&, const TSimDesktop::TSimMenuTrack& t) -> std::uintptr_t {
      if (++menus > 1) return desk.FindMenuItem(t.Menu, u"しゅーりょー");
      if (c.Open == TOpen::Menu) wayOut();
      // The choice, had the program not been told to quit: a box or the options.
      return desk.FindMenuItem(t.Menu, c.Open == TOpen::Menu ? u"オプション" : u"ヘルプ");
    };
    desk.DialogResponder = [&](TSimProcess&, const TSimDialog&) {
      wayOut();
      return win::IDOK;
    };
    if (c.Open == TOpen::Menu || c.Open == TOpen::MessageBox) {
      proc.PostMessageW(loupe, win::WM_CONTEXTMENU, loupe, Point(10, 10));
    } else {
      // The request waits in the queue; the open dialog's loop, if any, is
      // the one to take it.
      wayOut();
      if (c.Open == TOpen::About) Parts(form).Commands.ActPopShowVersionInfo.Execute();
      if (c.Open == TOpen::Options) Parts(form).Commands.ActPopShowOption.Execute();
    }
    proc.MessageBudget = 500;
    app.Run();
    EXPECT_FALSE(proc.BudgetSpent) << "the loop ran on after the quit";
    EXPECT_TRUE(app.Terminated());
    EXPECT_EQ(desk.MenuCount(proc.Pid), 0);
    if (c.Open == TOpen::Menu) {
      EXPECT_EQ(Parts(form).Commands.OptionForm(), nullptr) << "the menu's choice ran after the quit";
    }
    if (c.SaveFails) desk.FailNext("WriteFileBytes", win::ERROR_DISK_FULL, 1, proc.Pid);
    form.reset();
    EXPECT_EQ(desk.CountCalls("MagUninitialize", proc.Pid), 1);
    EXPECT_EQ(desk.Dialogs.size(), c.Open == TOpen::MessageBox || c.SaveFails ? 1u : 0u);
    for (const TSimDialog& d : desk.Dialogs)
      EXPECT_FALSE(d.Dismissed) << "a box closed by the quit: " << Utf16ToUtf8(d.Text);
    if (!c.SaveFails) {
      EXPECT_NE(test::Utf16Text(desk.FileText(u"C:\\Tools\\Lensoro\\lensoro.ini")).find(u"LoupeRate=3\r\n"),
                std::u16string::npos);
    }
    for (HWND h : desk.TopLevelWindows()) {
      EXPECT_TRUE(h == app.Handle() || desk.Window(h)->ProcessId != proc.Pid) << "a window was left";
    }
  }
}

TEST_F(MenuTest, AMenuThePlatformCannotBuildIsNotShownAndLeavesNothingBehind) {
  Create();
  for (const char* call : {"CreatePopupMenu", "AppendMenuW"}) {
    Desk.FailNext(call, win::ERROR_NOT_ENOUGH_MEMORY, call == std::string("CreatePopupMenu") ? 1 : 15);
    RightClickLoupe(u"しゅーりょー(&X)");
    EXPECT_TRUE(Desk.MenuTracks.empty()) << call;
    EXPECT_EQ(Desk.MenuCount(Proc.Pid), 0) << call;
    EXPECT_FALSE(App.Terminated()) << call;
    EXPECT_TRUE(Parts(Form).IsTopmost) << call;
    Desk.ClearFailures();
  }
  // Once the platform can again, the menu opens as usual.
  RightClickLoupe();
  EXPECT_EQ(Desk.MenuTracks.size(), 1u);
  EXPECT_EQ(Desk.MenuCount(Proc.Pid), 0);
}

// The application's hidden window could not be made: the popup menu had no
// owner, so it never opened and the loupe could not be quit at all.
TEST_F(MenuTest, WithoutTheApplicationWindowTheLoupeOwnsItsMenuAndQuits) {
  Desk.FailNext("CreateWindowExW", win::ERROR_NOT_ENOUGH_MEMORY, 1, Proc.Pid);
  Create();
  ASSERT_EQ(App.Handle(), 0u);
  ASSERT_NE(Form->Handle(), 0u);
  Parts(Form).Settings.LoupeRate = 3.0f;

  const auto texts = RightClickLoupe(u"しゅーりょー(&X)");
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0], u"タスク トレイに しまう");
  ASSERT_EQ(Desk.MenuTracks.size(), 1u);
  EXPECT_EQ(Desk.MenuTracks[0].Owner, Form->Handle());
  EXPECT_EQ(Desk.MenuCount(Proc.Pid), 0);
  EXPECT_TRUE(App.Terminated());
  EXPECT_TRUE(Proc.QuitPosted);
  Form.reset();
  EXPECT_NE(test::Utf16Text(Desk.FileText(u"C:\\Tools\\Lensoro\\lensoro.ini")).find(u"LoupeRate=3"),
            std::u16string::npos);
  EXPECT_TRUE(Desk.Dialogs.empty());
}

// The system had no timer left for the loupe's tracking tick: the loupe
// stood still without a word. Now it says so, and a restore from the tray
// tries again.
TEST_F(MenuTest, ALoupeWithoutItsTimerSaysSoAndARestoreTriesAgain) {
  Desk.FailNext("SetTimer", 1450, 1, Proc.Pid);  // ERROR_NO_SYSTEM_RESOURCES
  Create();
  EXPECT_FALSE(Parts(Form).Timer1.Running());
  EXPECT_EQ(Proc.FindTimer(Form->Handle(), Timer1Id), nullptr);
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.Dialogs[0].Text.rfind(u"かくだい もとを せってー できません: (", 0), 0u)
      << Utf16ToUtf8(Desk.Dialogs[0].Text);
  EXPECT_EQ(Desk.Dialogs[0].Owner, Form->Handle());

  RightClickLoupe(u"タスク トレイに しまう");
  EXPECT_FALSE(Loupe().Visible);
  Parts(Form).Commands.ActPopMinimizeAndRestore.Execute();
  EXPECT_TRUE(Loupe().Visible);
  EXPECT_TRUE(Parts(Form).Timer1.Running());
  ASSERT_NE(Proc.FindTimer(Form->Handle(), Timer1Id), nullptr);
  EXPECT_EQ(Desk.Dialogs.size(), 1u);

  // Hidden again, and this time the restore finds no timer either.
  Parts(Form).Commands.ActPopMinimizeAndRestore.Execute();
  Desk.FailNext("SetTimer", 1450, 1, Proc.Pid);
  Parts(Form).Commands.ActPopMinimizeAndRestore.Execute();
  EXPECT_FALSE(Parts(Form).Timer1.Running());
  EXPECT_EQ(Desk.Dialogs.size(), 2u);
}

// The loupe window against the simulated desktop: how it is created and
// destroyed, its model, its magnifier, and how it fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Application.h"
#include "Format.h"
#include "Lensoro.h"
#include "LnsLib.h"
#include "LoupeTest.h"
#include "Main.h"
#include "SimDesktop.h"
#include "TestFiles.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

std::vector<std::string> CallNames(const TSimDesktop& desk, DWORD pid) {
  std::vector<std::string> names;
  for (const auto& c : desk.Calls()) {
    if (c.Pid == pid) names.push_back(c.Name);
  }
  return names;
}

// Position of the first call of `name` at or after `from`; -1 when none.
int IndexOf(const std::vector<std::string>& names, const std::string& name, int from = 0) {
  for (int i = from; i < static_cast<int>(names.size()); ++i) {
    if (names[static_cast<std::size_t>(i)] == name) return i;
  }
  return -1;
}

bool IsHex32(const std::u16string& s) {
  return s.size() == 32 && std::all_of(s.begin(), s.end(), [](char16_t c) {
           return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
         });
}

class MainFormTest : public test::TLoupeTest {
 protected:
  void Create() { Copy.Create(); }
};

}  // namespace

TEST_F(MainFormTest, CreatesTheLoupeWindowAsDesigned) {
  Create();
  const TSimWindow& w = Loupe();
  EXPECT_EQ(w.Title, LoupeCaption);
  EXPECT_EQ(w.Style & ~win::WS_VISIBLE, 0x86000000u);
  EXPECT_EQ(w.ExStyle, 0x00080088u);
  EXPECT_EQ(w.Rect, (TRect{243, 478, 243 + 268, 478 + 220}));
  EXPECT_EQ(w.Alpha, 255);
  EXPECT_TRUE(w.ImeDisabled);
  EXPECT_TRUE(Parts(Form).IsTopmost);
  EXPECT_TRUE(Form->IsActive());
  EXPECT_DOUBLE_EQ(Parts(Form).Tray.Rate(), 1.0);

  const TSimWindow& m = Mag();
  EXPECT_TRUE(m.IsMagnifier);
  EXPECT_EQ(m.Parent, Form->Handle());
  EXPECT_EQ(m.Style, win::WS_CHILD | win::WS_VISIBLE);
  EXPECT_EQ(m.Rect, (TRect{243 + 4, 478 + 4, 243 + 4 + 260, 478 + 4 + 212}));
  EXPECT_TRUE(IsHex32(m.Title)) << Utf16ToUtf8(m.Title);
  EXPECT_TRUE(m.ImeDisabled);
  // diag(2, 2, 1), the identity colour matrix, the own loupe excluded.
  EXPECT_EQ(m.Transform.v[0][0], 2.0f);
  EXPECT_EQ(m.Transform.v[1][1], 2.0f);
  EXPECT_EQ(m.Transform.v[2][2], 1.0f);
  EXPECT_EQ(m.Transform.v[0][1], 0.0f);
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 5; ++j) EXPECT_EQ(m.ColorEffect.v[i][j], i == j ? 1.0f : 0.0f);
  EXPECT_EQ(m.FilterList, std::vector<HWND>{Form->Handle()});
  EXPECT_EQ(m.FilterMode, win::MW_FILTERMODE_EXCLUDE);
  EXPECT_EQ(Form->Magnifier().Width(), 260);
  EXPECT_EQ(Form->Magnifier().Height(), 212);
  EXPECT_EQ(Form->Magnifier().SrcWidth(), 130);
  EXPECT_EQ(Form->Magnifier().SrcHeight(), 106);
  // The frame: the active pointer-mode colour.
  EXPECT_EQ(Form->Color(), clLime);
  Desk.Paint(Form->Handle());
  EXPECT_EQ(Loupe().LastFillColor, clLime);
  // The 50 ms timer runs; the loupe keeps no taskbar entry of its own.
  const auto* timer = Proc.FindTimer(Form->Handle(), Timer1Id);
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(timer->Interval, 50u);
  EXPECT_TRUE(Form->NewWindowProcInstalled());
  EXPECT_EQ(App.Title, u"ぽてりん");
  EXPECT_EQ(Parts(Form).Commands.ActPopMinimizeAndRestore.Caption, u"タスク トレイに しまう");
}

TEST_F(MainFormTest, FormCreateWiresThePartsInOrder) {
  Create();
  const auto names = CallNames(Desk, Proc.Pid);
  const char* order[] = {"GetScreenPixelsPerInch", "RtlGetVersion", "ImmDisableForWindow",
                         "SetLayeredWindowAttributes", "SetWindowTextW", "GetLocalTime", "GlobalAddAtomW",
                         "MagInitialize", "CreateWindowExW", "MagSetWindowFilterList", "MagSetWindowTransform",
                         "MagSetColorEffect", "SetWindowPos", "SetTimer"};
  int at = IndexOf(names, "CreateWindowExW");  // the loupe window itself comes first
  ASSERT_GE(at, 0);
  for (const char* name : order) {
    const int next = IndexOf(names, name, at + 1);
    ASSERT_GT(next, at) << name << " is missing or out of order";
    at = next;
  }
  // The atom is named by the time stamp; Windows 10 registers no UM_MAGNOTIFY.
  EXPECT_NE(Desk.FindAtom(GetTimeStampText(Proc).substr(0, 14) + u"000"), 0);
  EXPECT_EQ(Parts(Form).HotKey.Id(), Desk.FindAtom(u"20260115100000000"));
  EXPECT_FALSE(Form->Instances().IsWindows7());
  EXPECT_EQ(Form->Instances().UMMagNotify(), 0u);
  EXPECT_EQ(Desk.FindMessage(u"UM_MAGNOTIFY"), 0u);
}

TEST_F(MainFormTest, DensityAndWindows7AreReadAtCreation) {
  Desk.PixelsPerInch = 144;
  Desk.OsVersion = {6, 1, 7601};
  Create();
  EXPECT_DOUBLE_EQ(Parts(Form).Tray.Rate(), 1.5);
  EXPECT_EQ(App.OsVersion, 6017601);
  EXPECT_TRUE(Form->Instances().IsWindows7());
  EXPECT_EQ(Form->Instances().UMMagNotify(), Proc.RegisterWindowMessageW(u"UM_MAGNOTIFY"));
  // The designed size grows with the density.
  EXPECT_EQ(Loupe().Rect.Width(), 402);
  EXPECT_EQ(Loupe().Rect.Height(), 330);

  // Another program announces a magnifier; a request to rebuild is honoured.
  const UINT msg = Form->Instances().UMMagNotify();
  Proc.SendMessageW(Form->Handle(), msg, 0, MAGNOTIFY_ANNOUNCE);
  EXPECT_TRUE(Form->Instances().MagWatcherExists());
  const HWND oldMag = Form->Magnifier().Handle();
  Proc.SendMessageW(Form->Handle(), msg, 0, LOUPE_REINIT_MAGNIFIER);
  EXPECT_NE(Form->Magnifier().Handle(), oldMag);
  EXPECT_EQ(Desk.Window(oldMag), nullptr);
  EXPECT_GE(Desk.Now(), 2000u) << "the rebuild waits a second first";
}

TEST_F(MainFormTest, UnknownVersionMeansNotWindows7) {
  Desk.OsVersion = {6, 1, 7601};
  Desk.RtlGetVersionStatus = static_cast<std::int32_t>(0xC0000001);
  Create();
  EXPECT_EQ(App.OsVersion, 0);
  EXPECT_FALSE(Form->Instances().IsWindows7());
}

TEST_F(MainFormTest, FormDestroyShutsDownInOrderAndOnce) {
  Create();
  const ATOM atom = Parts(Form).HotKey.Id();
  const HWND loupe = Form->Handle();
  Desk.ClearCalls();
  Form.reset();
  const auto names = CallNames(Desk, Proc.Pid);
  const int uninit = IndexOf(names, "MagUninitialize");
  const int delAtom = IndexOf(names, "GlobalDeleteAtom");
  const int destroy = IndexOf(names, "DestroyWindow");
  ASSERT_GE(uninit, 0);
  EXPECT_GT(delAtom, uninit);
  EXPECT_GT(destroy, delAtom);
  EXPECT_EQ(std::count(names.begin(), names.end(), "MagUninitialize"), 1);
  EXPECT_EQ(Desk.AtomReferences(atom), 0);
  EXPECT_EQ(Desk.Window(loupe), nullptr);
  EXPECT_EQ(App.MainForm, nullptr);
}

TEST_F(MainFormTest, ClosingTheWindowTakesTheQuitPath) {
  Create();
  // WM_CLOSE (Alt+F4, a script) ends the loop instead of destroying the
  // window under the program's feet.
  Proc.SendMessageW(Form->Handle(), win::WM_CLOSE, 0, 0);
  EXPECT_TRUE(App.Terminated());
  EXPECT_TRUE(Proc.QuitPosted);
  EXPECT_NE(Desk.Window(Form->Handle()), nullptr);
  EXPECT_FALSE(Form->FormDestroyed());
}

TEST_F(MainFormTest, EndOfSessionFinishesBeforeTheHandlerReturns) {
  Create();
  EXPECT_EQ(Proc.SendMessageW(Form->Handle(), win::WM_QUERYENDSESSION, 0, 0), 1);
  Proc.SendMessageW(Form->Handle(), win::WM_ENDSESSION, 1, 0);
  EXPECT_TRUE(App.Terminated());
  EXPECT_TRUE(Form->FormDestroyed());
  EXPECT_EQ(Desk.CountCalls("MagUninitialize", Proc.Pid), 1);
  // Later messages reach nothing of the destroyed form.
  Desk.ClearCalls();
  Proc.SendMessageW(Form->Handle(), win::WM_TIMER, Timer1Id, 0);
  EXPECT_EQ(Desk.CountCalls("MagSetWindowSource", Proc.Pid), 0);
  Form.reset();
  EXPECT_EQ(Desk.CountCalls("MagUninitialize", Proc.Pid), 0);
  // A session that does not end changes nothing.
}

TEST_F(MainFormTest, LoupeModelSettersAndCommands) {
  Create();
  // Zoom at the limit is disabled: no step is tried.
  Form->SetLoupeRate(8.0f);
  const int before = Mag().TransformSetCount;
  Parts(Form).Commands.ActPopZoomIn.Execute();
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, 8.0f);
  EXPECT_EQ(Mag().TransformSetCount, before);
  Form->SetLoupeRate(2.5f);
  EXPECT_EQ(Mag().Transform.v[1][1], 2.5f);
  EXPECT_EQ(Form->Magnifier().SrcWidth(), 104);  // 260 / 2.5
  Parts(Form).Commands.ActPopZoomOut.Execute();
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, static_cast<float>(2.5L - 0.1L));

  // Colour commands.
  Parts(Form).Commands.ActPopSetLoupeColorModelcmInvert.Execute();
  EXPECT_EQ(Parts(Form).Settings.LoupeColorMode, lcmInvert);
  EXPECT_EQ(Mag().ColorEffect.v[4][0], 1.0f);
  EXPECT_EQ(Mag().ColorEffect.v[0][0], -1.0f);
  Parts(Form).Commands.ActPopSetLoupeColorModelcmGrayscale.Execute();
  EXPECT_EQ(Mag().ColorEffect.v[1][2], 0.586611f);
  // A mode out of range keeps the previous matrix.
  Form->SetLoupeColorMode(static_cast<TLoupeColorMode>(7));
  EXPECT_EQ(Mag().ColorEffect.v[1][2], 0.586611f);

  // Mode: the frame follows at once.
  Parts(Form).Commands.ActPopSetLoupeModelmWindow.Execute();
  EXPECT_EQ(Parts(Form).Settings.LoupeMode, lmWindow);
  EXPECT_EQ(Form->Color(), clAqua);

  // Frame width: the child is inset, a zero frame covers the window.
  Form->SetFrameWidth(0);
  EXPECT_EQ(Mag().Rect, Loupe().Rect);
  Form->SetFrameWidth(6);
  EXPECT_EQ(Mag().Rect.Left - Loupe().Rect.Left, 6);
  EXPECT_EQ(Form->Magnifier().Width(), 268 - 12);
}

TEST_F(MainFormTest, FrameColoursRepaintOnlyTheColourInUse) {
  Create();
  ASSERT_TRUE(Form->IsActive());
  // The inactive colour is stored; the frame keeps its colour until the
  // loupe is deactivated.
  Form->SetFrameColor(0x000000FFu, TFrameColorSlot::InactivePointer);
  EXPECT_EQ(Parts(Form).Settings.FrameColor(TFrameColorSlot::InactivePointer), 0x000000FFu);
  EXPECT_EQ(Form->Color(), clLime);
  Proc.SendMessageW(Form->Handle(), win::WM_ACTIVATE, 0, 0);
  EXPECT_FALSE(Form->IsActive());
  EXPECT_EQ(Form->Color(), 0x000000FFu);
  // A colour of the other mode repaints too, with the colour in use.
  Form->SetFrameColor(0x00112233u, TFrameColorSlot::InactiveWindow);
  EXPECT_EQ(Form->Color(), 0x000000FFu);
  // WM_ACTIVATE with the minimised flag in its high word changes nothing.
  Proc.SendMessageW(Form->Handle(), win::WM_ACTIVATE, 0x00010001, 0);
  EXPECT_FALSE(Form->IsActive());
  Proc.SendMessageW(Form->Handle(), win::WM_ACTIVATE, 2, 0);
  EXPECT_TRUE(Form->IsActive());
  EXPECT_EQ(Form->Color(), clLime);
}

TEST_F(MainFormTest, ResetRebuildsTheMagnifierKeepingEverySetting) {
  Create();
  Parts(Form).Commands.ActPopSetLoupeColorModelcmGrayscale.Execute();
  Form->SetLoupeRate(3.0f);
  Form->SetFrameWidth(6);
  const HWND oldMag = Form->Magnifier().Handle();
  Parts(Form).Commands.ActPopReset.Execute();
  Parts(Form).Commands.ActPopReset.Execute();  // twice in a row
  ASSERT_NE(Form->Magnifier().Handle(), oldMag);
  EXPECT_EQ(Desk.Window(oldMag), nullptr);
  const TSimWindow& m = Mag();
  EXPECT_TRUE(m.RedrawEnabled);
  EXPECT_EQ(m.Transform.v[0][0], 3.0f);
  EXPECT_EQ(m.ColorEffect.v[0][1], 0.298912f);
  EXPECT_EQ(m.Rect.Left - Loupe().Rect.Left, 6);
  EXPECT_EQ(m.FilterList, std::vector<HWND>{Form->Handle()});
  EXPECT_EQ(Form->Instances().LnsList().Count(), 1);
  EXPECT_EQ(Parts(Form).Settings.LoupeColorMode, lcmGray);
  EXPECT_EQ(Parts(Form).Settings.FrameWidth, 6);
  // The tick handler is attached again: the next tick uses the new child.
  const int sources = m.SourceSetCount;
  Desk.RunFor(100);
  EXPECT_GT(Mag().SourceSetCount, sources);
}

TEST_F(MainFormTest, RebuildDetachesTheTickWhileItWaits) {
  Create();
  Desk.ClearCalls();
  const DWORD start = Desk.Now();
  Form->RestartMagnifier(500);
  EXPECT_GE(Desk.Now() - start, 500u);
  // Timer messages were dispatched during the wait, but no tick used the
  // child that was about to go.
  const auto names = CallNames(Desk, Proc.Pid);
  const int destroyed = IndexOf(names, "DestroyWindow");
  ASSERT_GE(destroyed, 0);
  EXPECT_GT(IndexOf(names, "DispatchMessageW"), -1);
  EXPECT_EQ(std::count(names.begin(), names.begin() + destroyed, "MagSetWindowSource"), 0);
  EXPECT_EQ(Desk.Window(Form->Magnifier().Handle())->SourceSetCount, 0);
  Desk.RunFor(60);
  EXPECT_GT(Desk.Window(Form->Magnifier().Handle())->SourceSetCount, 0);
}

TEST_F(MainFormTest, SetterFailuresAreReportedAndTheValueKept) {
  Create();
  Desk.FailNext("MagSetWindowTransform", win::ERROR_ACCESS_DENIED);
  Form->SetLoupeRate(4.0f);
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.Dialogs[0].Text, u"ばいりつを せってー できません: (Access is denied)");
  EXPECT_EQ(Desk.Dialogs[0].Caption, u"ぽてりん [おしらせ]");
  EXPECT_EQ(Desk.Dialogs[0].Type, TMsgDlgType::Error);
  EXPECT_EQ(Desk.Dialogs[0].Owner, Form->Handle());
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, 4.0f);
  EXPECT_EQ(Form->Magnifier().SrcWidth(), 65);
  EXPECT_EQ(Form->Magnifier().Transform().v[0][0], 4.0f);
  EXPECT_EQ(Mag().Transform.v[0][0], 2.0f);
  EXPECT_FALSE(App.Terminated());

  Desk.FailNext("MagSetColorEffect", win::ERROR_INVALID_PARAMETER);
  Parts(Form).Commands.ActPopSetLoupeColorModelcmInvert.Execute();
  ASSERT_EQ(Desk.Dialogs.size(), 2u);
  EXPECT_EQ(Desk.Dialogs[1].Text, u"いろを せってー できません: (The parameter is incorrect)");
  EXPECT_EQ(Parts(Form).Settings.LoupeColorMode, lcmInvert);
  EXPECT_FALSE(App.Terminated());
}

TEST_F(MainFormTest, MessageBoxLowersTheLoupeWhileItIsOpen) {
  Create();
  bool topmostWhileOpen = true;
  Desk.DialogResponder = [&](TSimProcess&, const TSimDialog&) {
    topmostWhileOpen = Parts(Form).IsTopmost;
    // The box's own loop goes on ticking: the loupe steps back.
    Desk.RunFor(60);
    return win::IDOK;
  };
  Desk.ClearCalls();
  ShowMsgDialog(App, u"x", TMsgDlgType::Information, mbOK, Form->Handle());
  EXPECT_FALSE(topmostWhileOpen);
  EXPECT_TRUE(Parts(Form).IsTopmost);
  bool sawNoTopmost = false;
  for (const auto& c : Desk.Calls()) {
    if (std::string(c.Name) == "SetWindowPos" && c.A[0] == Form->Handle() &&
        static_cast<HWND>(c.A[1]) == win::HWND_NOTOPMOST)
      sawNoTopmost = true;
  }
  EXPECT_TRUE(sawNoTopmost);
  EXPECT_FALSE(Loupe().ExStyle & win::WS_EX_TOPMOST);
  Desk.RunFor(60);
  EXPECT_TRUE(Loupe().ExStyle & win::WS_EX_TOPMOST);
  // Also when the box fails with an exception.
  Desk.DialogResponder = [](TSimProcess&, const TSimDialog&) -> int { throw std::runtime_error("gone"); };
  EXPECT_THROW(ShowMsgDialog(App, u"y", TMsgDlgType::Error, mbOK), std::runtime_error);
  EXPECT_TRUE(Parts(Form).IsTopmost);
}

// Each failure without which there is no loupe: the message with the
// system's text and the quit paragraph, then the quit path.
struct TFatalCase {
  const char* Method;
  const char16_t* Expected;
};

class MainFormFatalTest : public MainFormTest, public ::testing::WithParamInterface<TFatalCase> {};

TEST_P(MainFormFatalTest, ReportsAndQuits) {
  const TFatalCase c = GetParam();
  Desk.FailNext(c.Method, win::ERROR_ACCESS_DENIED, 1, Proc.Pid);
  Create();
  ASSERT_FALSE(Desk.Dialogs.empty());
  EXPECT_EQ(Desk.Dialogs[0].Text, c.Expected) << Utf16ToUtf8(Desk.Dialogs[0].Text);
  EXPECT_EQ(Desk.Dialogs[0].Type, TMsgDlgType::Error);
  EXPECT_EQ(Desk.Dialogs[0].Owner, Form->Handle());
  EXPECT_TRUE(App.Terminated());
  EXPECT_TRUE(Proc.QuitPosted);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, MainFormFatalTest,
    ::testing::Values(TFatalCase{"MagInitialize",
                                 u"ウィンドウ クラス を とーろく できません: (Access is denied)\r\n\r\n"
                                 u"ぽてりんを しゅーりょー します"},
                      TFatalCase{"MagSetWindowFilterList",
                                 u"フィルター リストを とーろく できません: (Access is denied)\r\n\r\n"
                                 u"ぽてりんを しゅーりょー します"}),
    [](const ::testing::TestParamInfo<TFatalCase>& test) { return std::string(test.param.Method); });

TEST_F(MainFormTest, MagnifierWindowFailureReportsAndQuits) {
  // Without the runtime the "Magnifier" class does not exist, so the child
  // cannot be made either: two reports, then the quit path.
  Desk.FailNext("MagInitialize", win::ERROR_ACCESS_DENIED, 1, Proc.Pid);
  Create();
  ASSERT_EQ(Desk.Dialogs.size(), 2u);
  EXPECT_EQ(Desk.Dialogs[1].Text,
            u"ウィンドウを つくれません: (Cannot find window class)\r\n\r\nぽてりんを しゅーりょー します")
      << Utf16ToUtf8(Desk.Dialogs[1].Text);
  EXPECT_EQ(Form->Magnifier().Handle(), 0u);
  EXPECT_TRUE(App.Terminated());
}

TEST(LensoroMain, RunsUntilTheLoupeIsClosedAndEndsWithZero) {
  TSimDesktop desk;
  TSimProcess& proc = test::AddLensoro(desk, u"C:\\Tools\\lensoro.exe");
  // The first tick's report is answered by closing the loupe it belongs to,
  // as a user or a script would.
  desk.FailNext("MagSetWindowSource", win::ERROR_INVALID_PARAMETER, 1, proc.Pid);
  desk.DialogResponder = [](TSimProcess& p, const TSimDialog& d) {
    p.PostMessageW(d.Owner, win::WM_CLOSE, 0, 0);
    return win::IDOK;
  };
  EXPECT_EQ(LensoroMain(proc), 0);
  ASSERT_EQ(desk.Dialogs.size(), 1u);
  EXPECT_EQ(desk.Dialogs[0].Text, u"かくだい もとを せってー できません: (The parameter is incorrect)");
  EXPECT_FALSE(proc.Starved);
  EXPECT_EQ(desk.CountCalls("MagUninitialize", proc.Pid), 1);
  EXPECT_EQ(desk.CountCalls("GlobalDeleteAtom", proc.Pid), 1);
  for (HWND h : desk.TopLevelWindows()) EXPECT_NE(desk.Window(h)->ProcessId, proc.Pid) << "a window was left";
}

TEST_F(MainFormTest, StartsFromTheSettingsFileAndWritesItBackAtExit) {
  Desk.AddFile(u"C:\\Tools\\Lensoro\\lensoro.ini",
               lensoro::test::Utf16File(u"[MainForm]\r\nLeft=300\r\nTop=200\r\nWidth=320\r\nHeight=240\r\n"
                     u"[Loupe]\r\nLoupeRate=3.5\r\nLoupeMode=1\r\nLoupeColorMode=2\r\nFrameWidth=6\r\n"));
  Create();
  EXPECT_EQ(Loupe().Rect, (TRect{300, 200, 620, 440}));
  EXPECT_EQ(Mag().Rect, (TRect{306, 206, 614, 434}));
  EXPECT_EQ(Mag().Transform.v[0][0], 3.5f);
  EXPECT_EQ(Mag().ColorEffect.v[0][1], 0.298912f);
  EXPECT_EQ(Form->Color(), clAqua);  // window mode, active
  // The first start made the language folder and its default file.
  const TSimFile* lang = Desk.File(u"C:\\Tools\\Lensoro\\Lang\\LN日本語_かな.lang");
  ASSERT_NE(lang, nullptr);
  ASSERT_GE(lang->Data.size(), 2u);
  EXPECT_EQ(lang->Data[0], 0xFF);
  EXPECT_EQ(lang->Data[1], 0xFE);

  Form->SetLoupeRate(4.0f);
  Form.reset();
  const std::string ini = Desk.FileText(u"C:\\Tools\\Lensoro\\lensoro.ini");
  const std::u16string saved = lensoro::test::Utf16Text(ini);
  EXPECT_NE(saved.find(u"LoupeRate=4\r\n"), std::u16string::npos);
  EXPECT_NE(saved.find(u"LangFileName=C:\\Tools\\Lensoro\\Lang\\LN日本語_かな.lang\r\n"), std::u16string::npos);
  EXPECT_TRUE(Desk.Dialogs.empty());
}

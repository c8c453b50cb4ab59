// Faults the fault sweep found, each reproduced with one injected failure.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Format.h"
#include "Framework.h"
#include "Main.h"
#include "SimDesktop.h"
#include "TestFiles.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

LPARAM Point(int x, int y) { return static_cast<LPARAM>((static_cast<DWORD>(y & 0xFFFF) << 16) | (x & 0xFFFF)); }

class SweepFindingsTest : public ::testing::Test {
 protected:
  TSimDesktop Desk;
  TSimProcess& Proc = test::AddLensoro(Desk, u"C:\\Tools\\Lensoro\\lensoro.exe");
  TApplication App{Proc};
  std::unique_ptr<TMainForm> Form;

  void Create() {
    App.Initialize();
    Form = std::make_unique<TMainForm>(App);
    if (Form->Visible) Form->Show();
  }
  std::u16string RightClickLoupe(const std::u16string& pick) {
    std::u16string first;
    Desk.MenuResponder = [&](TSimProcess&, const TSimDesktop::TSimMenuTrack& t) -> std::uintptr_t {
      first = Desk.Menu(t.Menu)->Items[0].Text;
      return Desk.FindMenuItem(t.Menu, pick);
    };
    Proc.SendMessageW(Form->Handle(), win::WM_RBUTTONUP, 0, Point(30, 40));
    return first;
  }
};

}  // namespace

// The application's hidden window could not be made: the popup menu had no
// owner, so it never opened and the loupe could not be quit at all.
TEST_F(SweepFindingsTest, WithoutTheApplicationWindowTheLoupeOwnsItsMenuAndQuits) {
  Desk.FailNext("CreateWindowExW", win::ERROR_NOT_ENOUGH_MEMORY, 1, Proc.Pid);
  Create();
  ASSERT_EQ(App.Handle(), 0u);
  ASSERT_NE(Form->Handle(), 0u);
  Form->LoupeRate = 3.0f;

  EXPECT_EQ(RightClickLoupe(u"しゅーりょー(&X)"), u"タスク トレイに しまう");
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
TEST_F(SweepFindingsTest, ALoupeWithoutItsTimerSaysSoAndARestoreTriesAgain) {
  Desk.FailNext("SetTimer", 1450, 1, Proc.Pid);  // ERROR_NO_SYSTEM_RESOURCES
  Create();
  EXPECT_FALSE(Form->Timer1.Running());
  EXPECT_EQ(Proc.FindTimer(Form->Handle(), Timer1Id), nullptr);
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.Dialogs[0].Text.rfind(u"かくだい もとを せってー できません: (", 0), 0u) << Utf16ToUtf8(Desk.Dialogs[0].Text);
  EXPECT_EQ(Desk.Dialogs[0].Owner, Form->Handle());

  RightClickLoupe(u"タスク トレイに しまう");
  EXPECT_FALSE(Desk.Window(Form->Handle())->Visible);
  Form->ActPopMinimizeAndRestore.Execute();
  EXPECT_TRUE(Desk.Window(Form->Handle())->Visible);
  EXPECT_TRUE(Form->Timer1.Running());
  ASSERT_NE(Proc.FindTimer(Form->Handle(), Timer1Id), nullptr);
  EXPECT_EQ(Desk.Dialogs.size(), 1u);

  // Hidden again, and this time the restore finds no timer either.
  Form->ActPopMinimizeAndRestore.Execute();
  Desk.FailNext("SetTimer", 1450, 1, Proc.Pid);
  Form->ActPopMinimizeAndRestore.Execute();
  EXPECT_FALSE(Form->Timer1.Running());
  EXPECT_EQ(Desk.Dialogs.size(), 2u);
}

// The system-wide hot key: registering it from the settings, the modifier
// mapping, the toggle it runs, a collision between two copies, removing it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Application.h"
#include "Format.h"
#include "LnsLib.h"
#include "LoupeTest.h"
#include "Main.h"
#include "Option.h"
#include "SimDesktop.h"
#include "TestFiles.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

constexpr UINT VK_L = 0x4C;

// One running copy of the program in its own folder.
struct TCopy : test::TLoupeCopy {
  TCopy(TSimDesktop& desk, const std::u16string& folder, const std::u16string& ini)
      : TLoupeCopy(desk, folder + u"lensoro.exe") {
    Start(ini);
  }
  bool Shown() { return Loupe().Visible; }
};

const std::u16string AllThree = u"[ShortCut]\r\nActPopMinimizeAndRestore=76,Ctrl+Shift+Alt+\r\n";

}  // namespace

TEST(HotKey, NoShortcutRegistersNothingAndShowsNothing) {
  TSimDesktop desk;
  TCopy copy(desk, u"C:\\A\\", u"");
  EXPECT_EQ(desk.CountCalls("RegisterHotKey"), 0);
  EXPECT_TRUE(desk.HotKeys.empty());
  EXPECT_TRUE(desk.Dialogs.empty());
  EXPECT_NE(Parts(copy.Form).HotKey.Id(), 0);
  // Shutdown: nothing registered, nothing shown; the atom goes.
  const ATOM atom = Parts(copy.Form).HotKey.Id();
  copy.Form.reset();
  EXPECT_TRUE(desk.Dialogs.empty());
  EXPECT_EQ(desk.AtomReferences(atom), 0);
}

TEST(HotKey, ShortcutFromTheSettingsTogglesTheLoupeFromAnywhere) {
  TSimDesktop desk;
  TCopy copy(desk, u"C:\\A\\", AllThree);
  ASSERT_EQ(desk.HotKeys.size(), 1u);
  const auto& key = desk.HotKeys[0];
  EXPECT_EQ(key.Wnd, copy.Form->Handle());
  EXPECT_EQ(key.Id, Parts(copy.Form).HotKey.Id());
  EXPECT_EQ(key.Modifiers, win::MOD_CONTROL | win::MOD_SHIFT | win::MOD_ALT);
  EXPECT_EQ(key.Modifiers, 7u);
  EXPECT_EQ(key.Key, VK_L);
  EXPECT_TRUE(desk.Dialogs.empty());
  // The atom is named by the start's time stamp.
  EXPECT_EQ(Parts(copy.Form).HotKey.Id(), desk.FindAtom(u"20260115100000000"));

  ASSERT_TRUE(desk.PressHotKey(7, VK_L));
  desk.RunFor(0);
  EXPECT_FALSE(copy.Shown());
  ASSERT_TRUE(desk.PressHotKey(7, VK_L));
  desk.RunFor(0);
  EXPECT_TRUE(copy.Shown());

  // Another id is somebody else's.
  copy.Proc.PostMessageW(copy.Form->Handle(), win::WM_HOTKEY, Parts(copy.Form).HotKey.Id() + 1, 0);
  desk.RunFor(0);
  EXPECT_TRUE(copy.Shown());

  copy.Form.reset();
  EXPECT_TRUE(desk.HotKeys.empty());
  EXPECT_TRUE(desk.Dialogs.empty());
}

TEST(HotKey, EachModifierMapsAlone) {
  TSimDesktop desk;
  TCopy copy(desk, u"C:\\A\\", u"");
  const std::pair<TShortCut, UINT> cases[] = {
      {scCtrl | VK_L, win::MOD_CONTROL}, {scShift | VK_L, win::MOD_SHIFT}, {scAlt | VK_L, win::MOD_ALT},
      {VK_L, 0}};
  for (const auto& [shortCut, modifiers] : cases) {
    bool ok = false;
    Parts(copy.Form).HotKey.SetGlobalHotKey(shortCut, ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(desk.HotKeys.size(), 1u);
    EXPECT_EQ(desk.HotKeys[0].Modifiers, modifiers);
    EXPECT_EQ(desk.HotKeys[0].Key, VK_L);
    Parts(copy.Form).HotKey.RemoveGlobalHotKey();
    EXPECT_TRUE(desk.HotKeys.empty());
  }
  EXPECT_TRUE(desk.Dialogs.empty());
}

TEST(HotKey, SecondCopyWithTheSameShortcutIsToldAndKeepsIt) {
  TSimDesktop desk;
  TCopy first(desk, u"C:\\A\\", AllThree);
  desk.Advance(1500);
  // Apart, so that neither covers the other.
  TCopy second(desk, u"D:\\B\\", AllThree + u"[MainForm]\r\nLeft=1200\r\nTop=100\r\n");
  EXPECT_NE(Parts(first.Form).HotKey.Id(), Parts(second.Form).HotKey.Id());
  ASSERT_EQ(desk.Dialogs.size(), 1u);
  EXPECT_EQ(desk.Dialogs[0].Pid, second.Proc.Pid);
  EXPECT_EQ(desk.Dialogs[0].Text,
            u"ショートカットキー Shift+Ctrl+Alt+L は使えません: "
            u"別のプログラムが使っています。オプションで別のキーを選んでください。");
  EXPECT_EQ(desk.Dialogs[0].Type, TMsgDlgType::Error);
  EXPECT_EQ(Parts(second.Form).Commands.ActPopMinimizeAndRestore.ShortCut, scCtrl | scShift | scAlt | VK_L);

  // The key belongs to the first; the second still toggles from its menu.
  ASSERT_TRUE(desk.PressHotKey(7, VK_L));
  desk.RunFor(0);
  EXPECT_FALSE(first.Shown());
  EXPECT_TRUE(second.Shown());
  Parts(second.Form).Commands.ActPopMinimizeAndRestore.Execute();
  EXPECT_FALSE(second.Shown());

  // Its shortcut is saved again at exit, and leaving shows nothing more.
  second.Form.reset();
  EXPECT_EQ(desk.Dialogs.size(), 1u);
  const std::u16string ini = test::Utf16Text(desk.FileText(u"D:\\B\\lensoro.ini"));
  EXPECT_NE(ini.find(u"ActPopMinimizeAndRestore=76,Ctrl+Shift+Alt+"), std::u16string::npos)
      << Utf16ToUtf8(ini);
  EXPECT_EQ(desk.HotKeys.size(), 1u);  // the first copy's stays
}

// A key the system refuses: the message names it, says why and what to do,
// and lies where the loupes (all top-most) leave it visible; the menu and
// the options dialog do not pretend the key works.
TEST(HotKey, ARefusedKeyIsNamedAndNotShownAsWorking) {
  const struct {
    const char* Name;
    DWORD Refusal;  // 0: another copy holds the key
    std::u16string Reason;
  } cases[] = {
      {"held by another copy at the same place", 0, u"別のプログラムが使っています"},
      {"refused for another reason", win::ERROR_NOT_ENOUGH_MEMORY,
       u"Not enough memory resources are available to process this command"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TSimDesktop desk;
    desk.Monitors = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}};
    std::unique_ptr<TCopy> first;
    if (c.Refusal == 0) first = std::make_unique<TCopy>(desk, u"C:\\A\\", AllThree);
    test::TLoupeCopy second(desk, u"D:\\B\\lensoro.exe");
    if (c.Refusal != 0) desk.FailNext("RegisterHotKey", c.Refusal);
    second.Start(AllThree);
    ASSERT_EQ(desk.Dialogs.size(), 1u);
    const TSimDialog& box = desk.Dialogs[0];
    EXPECT_EQ(box.Text, u"ショートカットキー Shift+Ctrl+Alt+L は使えません: " + c.Reason +
                            u"。オプションで別のキーを選んでください。");
    EXPECT_EQ(box.Owner, second.Handle());
    EXPECT_TRUE(box.Rect.Left >= 0 && box.Rect.Top >= 0 && box.Rect.Right <= 1920 && box.Rect.Bottom <= 1040);
    if (first) {
      const TRect under = first->Loupe().Rect;
      EXPECT_TRUE(box.Rect.Right <= under.Left || box.Rect.Left >= under.Right || box.Rect.Bottom <= under.Top ||
                  box.Rect.Top >= under.Bottom);
    }

    // Still assigned (and saved), but neither the menu nor the dialog offer it as working.
    TLoupeCommands& commands = Parts(second.Form).Commands;
    EXPECT_EQ(commands.ActPopMinimizeAndRestore.ShortCut, scCtrl | scShift | scAlt | VK_L);
    commands.PopupMenu1Popup();
    EXPECT_EQ(commands.PopupMenu1.Find(u"MinimizeAndRestore1")->MenuText(second.Proc), u"タスク トレイに しまう");
    commands.ActPopShowOptionExecute();
    ASSERT_NE(commands.OptionForm(), nullptr);
    EXPECT_EQ(commands.OptionForm()->Edit101.Text(), u"Shift + Ctrl + Alt + L (無効)");
    // Deleting it has nothing to unregister and nothing to report.
    desk.DialogResponder = [](TSimProcess&, const TSimDialog&) { return win::IDOK; };
    commands.OptionForm()->DeleteShortCut();
    EXPECT_EQ(desk.Dialogs.size(), 2u);  // the confirmation only
    EXPECT_EQ(commands.OptionForm()->Edit101.Text(), u"");
    if (first) {
      Parts(first->Form).Commands.PopupMenu1Popup();
      EXPECT_EQ(Parts(first->Form).Commands.PopupMenu1.Find(u"MinimizeAndRestore1")->MenuText(first->Proc),
                u"タスク トレイに しまう\tShift+Ctrl+Alt+L");
    }
  }
}

TEST(HotKey, RefusedRemovalIsReported) {
  TSimDesktop desk;
  TCopy copy(desk, u"C:\\A\\", u"");
  Parts(copy.Form).HotKey.RemoveGlobalHotKey();
  ASSERT_EQ(desk.Dialogs.size(), 1u);
  EXPECT_EQ(desk.Dialogs[0].Text, u"ホットキーを さくじょ できません: (Hot key is not registered)");
}

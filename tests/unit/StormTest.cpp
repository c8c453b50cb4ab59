// Messages from outside: strangers send a running loupe (with a second copy
// beside it) every instance code with every kind of WParam, foreign hot-key
// ids and foreign tray callbacks. The loupe must go on ticking, list and
// exclude only the real loupes, and show nothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Application.h"
#include "Format.h"
#include "LnsLib.h"
#include "LnsList.h"
#include "LoupeTest.h"
#include "Main.h"
#include "SimDesktop.h"
#include "TestFiles.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

using TCopy = test::TLoupeCopy;

class StormTest : public test::TLoupeCopiesTest {
 protected:
  TCopy& Start(const std::u16string& exe, const std::u16string& ini = {}, bool is64Bit = false) {
    return StartCopy(exe, ini, is64Bit);
  }
  // The last MagSetWindowFilterList call of a copy: (magnifier, count).
  std::pair<std::int64_t, std::int64_t> LastFilterCall(const TCopy& c) {
    std::pair<std::int64_t, std::int64_t> last{-1, -1};
    for (const auto& call : Desk.Calls()) {
      if (call.Pid == c.Proc.Pid && std::string(call.Name) == "MagSetWindowFilterList") last = {call.A[0], call.A[2]};
    }
    return last;
  }
};

// Ctrl+Alt+L for A only: two copies with one hot key would report a clash.
const std::u16string HotKeyIni = u"[ShortCut]\r\nActPopMinimizeAndRestore=76,Ctrl+Alt+\r\n";
const std::u16string PlaceB = u"[MainForm]\r\nLeft=900\r\nTop=100\r\n";

}  // namespace

TEST_F(StormTest, EveryCodeAndWParamLeavesOnlyTheRealLoupesListedAndTheLoupeWorking) {
  Desk.OsVersion = {6, 1, 7601};  // UM_MAGNOTIFY exists only here
  TCopy& a = Start(u"C:\\A\\lensoro.exe", HotKeyIni);
  TCopy& b = Start(u"C:\\B\\lensoro.exe", PlaceB);
  ASSERT_EQ(a.Listed(), (std::vector<HWND>{a.Handle(), b.Handle()}));
  ASSERT_NE(Parts(a.Form).HotKey.Id(), 0);
  ASSERT_EQ(Desk.CountCalls("RegisterHotKey", a.Proc.Pid), 1);

  TSimProcess& shell = Desk.AddProcess(u"C:\\Windows\\explorer.exe");
  TSimProcess& tool = Desk.AddProcess(u"C:\\Tools\\storm.exe");
  const HWND desktop = Desk.AddForeignWindow(shell.Pid, u"Progman", u"Program Manager");
  const HWND plain = Desk.AddForeignWindow(tool.Pid, u"StormWindow", u"storm");
  // Another program's window that calls itself a loupe.
  const HWND decoy = Desk.AddForeignWindow(tool.Pid, u"StormDecoy", LoupeCaption, 0, {243, 478, 511, 698});
  const TRsTrayIcon& tray = *Parts(a.Form).Tray.TrayIcon1;
  const HWND trayWnd = tray.WindowHandle();
  const UINT trayId = tray.IconData().uID, trayMsg = tray.IconData().uCallbackMessage;
  ASSERT_NE(Desk.TrayIcon(trayWnd, trayId), nullptr);

  std::mt19937 random(9);
  std::vector<WPARAM> wParams{a.Handle(), b.Handle(), desktop, plain, decoy, a.Form->Magnifier().Handle(), trayWnd,
                              0,          1,          0xFFFFFFFFu};
  for (int i = 0; i < 4; ++i) wParams.push_back(random());

  const auto send = [&](HWND to, UINT msg, WPARAM w, LPARAM l) {
    LRESULT r = 0;
    tool.SendMessageTimeoutW(to, msg, w, l, win::SMTO_NORMAL | win::SMTO_ABORTIFHUNG, 200, r);
  };
  int sent = 0;
  for (LPARAM code = 0; code <= 15; ++code) {
    for (const WPARAM w : wParams) {
      send(a.Handle(), UM_LOUPENOTIFY, w, code);
      ++sent;
    }
  }
  const UINT magNotify = tool.RegisterWindowMessageW(u"UM_MAGNOTIFY");
  ASSERT_EQ(magNotify, a.Form->Instances().UMMagNotify());
  for (int i = 0; i < 40; ++i) {
    const LPARAM code = i < 16 ? i : static_cast<LPARAM>(random());
    send(a.Handle(), magNotify, wParams[static_cast<std::size_t>(i) % wParams.size()], code);
    ++sent;
  }
  for (int i = 0; i < 40; ++i) {
    WPARAM id = random() & 0x1FFFF;
    if (id == Parts(a.Form).HotKey.Id()) ++id;
    send(a.Handle(), win::WM_HOTKEY, id, static_cast<LPARAM>(random()));
    ++sent;
  }
  // Every mouse code with an icon id that is not ours; right-button-up with
  // our own id would open the menu and is the user's, not a stranger's.
  const std::vector<UINT> mouse{0x200, 0x201, 0x202, 0x203, 0x204, 0x205, 0x206, 0x207, 0x208, 0x209, 0x403, 0x404,
                                0x405};
  for (const UINT m : mouse) {
    for (const WPARAM w :
         {WPARAM{0}, WPARAM{1}, WPARAM{trayId + 1}, WPARAM{a.Handle()}, static_cast<WPARAM>(random())}) {
      if (w == trayId) continue;
      send(trayWnd, trayMsg, w, m);
      ++sent;
    }
  }
  // And B, briefly: the codes with the decoy and with A.
  for (LPARAM code = 0; code <= 15; ++code) {
    send(b.Handle(), UM_LOUPENOTIFY, decoy, code);
    send(b.Handle(), UM_LOUPENOTIFY, a.Handle(), code);
    sent += 2;
  }
  EXPECT_GT(sent, 300);

  // Rebuilds asked for finish; a loupe named as closing that still stands
  // is listed again.
  Desk.RunFor(3000);
  EXPECT_EQ(a.Listed(), (std::vector<HWND>{a.Handle(), b.Handle()}));
  EXPECT_EQ(a.Filter(), (std::vector<HWND>{a.Handle(), b.Handle()}));
  EXPECT_EQ(LastFilterCall(a), (std::pair<std::int64_t, std::int64_t>{a.Form->Magnifier().Handle(), 2}));
  EXPECT_EQ(b.Listed(), (std::vector<HWND>{b.Handle(), a.Handle()}));
  EXPECT_EQ(b.Filter(), (std::vector<HWND>{b.Handle(), a.Handle()}));
  for (const auto& d : Desk.Dialogs) ADD_FAILURE() << "dialog: " << Utf16ToUtf8(d.Text);
  EXPECT_FALSE(a.App.Terminated());
  EXPECT_FALSE(b.App.Terminated());
  // Foreign hot-key ids and tray ids toggled nothing; the icon is still there.
  EXPECT_TRUE(Desk.Window(a.Handle())->Visible);
  EXPECT_NE(Desk.TrayIcon(trayWnd, trayId), nullptr);
  // Still ticking into a live magnifier.
  ASSERT_TRUE(Desk.Window(a.Form->Magnifier().Handle())->IsMagnifier);
  const int sources = Desk.Window(a.Form->Magnifier().Handle())->SourceSetCount;
  Desk.RunFor(500);
  EXPECT_GE(Desk.Window(a.Form->Magnifier().Handle())->SourceSetCount, sources + 8);

  // B's own closing still takes it out for good.
  b.Quit();
  EXPECT_EQ(a.Filter(), std::vector<HWND>{a.Handle()});
  Desk.RunFor(3000);
  EXPECT_EQ(a.Listed(), std::vector<HWND>{a.Handle()});
  EXPECT_EQ(a.Filter(), std::vector<HWND>{a.Handle()});
}

TEST_F(StormTest, AWindowWithTheLoupeCaptionIsListedOnlyWhenItIsAnotherCopy) {
  TCopy& a = Start(u"C:\\A\\lensoro.exe");
  TSimProcess& tool = Desk.AddProcess(u"C:\\Tools\\tool.exe");
  const HWND decoy = Desk.AddForeignWindow(tool.Pid, u"Decoy", LoupeCaption);
  // An owned window of a real copy's process is not a loupe either.
  TSimProcess& copyProcess = Desk.AddProcess(u"C:\\C\\lensoro.exe");
  const HWND owned = Desk.AddForeignWindow(copyProcess.Pid, u"Owned", LoupeCaption, a.Handle());
  // The same program from our own path is no other copy.
  TSimProcess& same = Desk.AddProcess(u"c:\\a\\LENSORO.EXE");
  const HWND twin = Desk.AddForeignWindow(same.Pid, u"Twin", LoupeCaption);
  for (const HWND w : {decoy, owned, twin}) tool.SendMessageW(a.Handle(), UM_LOUPENOTIFY, w, LOUPE_STARTUP);
  EXPECT_EQ(a.Listed(), std::vector<HWND>{a.Handle()});
  EXPECT_EQ(a.Filter(), std::vector<HWND>{a.Handle()});

  // Real copies of either build from other folders announce themselves
  // and are listed; so is a lensoro.exe by a mylensoro.exe it found.
  TCopy& b = Start(u"D:\\Tools64\\lensoro.exe", PlaceB, /*is64Bit=*/true);
  TCopy& m = Start(u"C:\\M\\mylensoro.exe");
  // mylensoro.exe finds no path holding its name, so it tells nobody.
  EXPECT_EQ(a.Listed(), (std::vector<HWND>{a.Handle(), b.Handle()}));
  EXPECT_EQ(m.Listed(), std::vector<HWND>{m.Handle()});
  TCopy& c = Start(u"C:\\C2\\lensoro.exe");
  EXPECT_EQ(a.Listed(), (std::vector<HWND>{a.Handle(), b.Handle(), c.Handle()}));
  EXPECT_EQ(a.Filter(), (std::vector<HWND>{a.Handle(), b.Handle(), c.Handle()}));
  EXPECT_EQ(m.Listed(), (std::vector<HWND>{m.Handle(), c.Handle()}));
}

TEST_F(StormTest, AClosingMessageFromAStrangerDropsALiveLoupeOnlyForAWhile) {
  TCopy& a = Start(u"C:\\A\\lensoro.exe");
  TCopy& b = Start(u"C:\\B\\lensoro.exe", PlaceB);
  b.Form->MinimizeToTray();
  ASSERT_FALSE(a.Form->Instances().LnsList()[1].IsVisible);
  TSimProcess& tool = Desk.AddProcess(u"C:\\Tools\\tool.exe");
  tool.SendMessageW(a.Handle(), UM_LOUPENOTIFY, b.Handle(), LOUPE_CLOSING);
  EXPECT_EQ(a.Filter(), std::vector<HWND>{a.Handle()});
  Desk.RunFor(1900);  // the grace a closing copy has to take its window away
  EXPECT_EQ(a.Listed(), std::vector<HWND>{a.Handle()});
  Desk.RunFor(200);
  // Back, still known as hidden, and excluded again.
  ASSERT_EQ(a.Listed(), (std::vector<HWND>{a.Handle(), b.Handle()}));
  EXPECT_FALSE(a.Form->Instances().LnsList()[1].IsVisible);
  EXPECT_EQ(a.Filter(), (std::vector<HWND>{a.Handle(), b.Handle()}));

  // Its own closing: gone at once, and it stays gone.
  b.Quit();
  EXPECT_EQ(a.Listed(), std::vector<HWND>{a.Handle()});
  Desk.RunFor(3000);
  EXPECT_EQ(a.Listed(), std::vector<HWND>{a.Handle()});
  EXPECT_EQ(a.Filter(), std::vector<HWND>{a.Handle()});
  EXPECT_TRUE(Desk.Dialogs.empty());
}

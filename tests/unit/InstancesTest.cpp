// Several copies on one simulated desktop, each in its own process and
// folder: how they find, list and exclude each other, and who stays on top.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "AllocationCounter.h"
#include "Application.h"
#include "Format.h"
#include "Lensoro.h"
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

class InstancesTest : public test::TLoupeCopiesTest {
 protected:
  // Starts a copy; `at` places it (the settings file is where a copy keeps
  // its place, so the tests write one).
  TCopy& Start(const std::u16string& exe, TRect at = {243, 478, 511, 698}, bool asAdministrator = false) {
    TCopy& copy = AddCopy(exe);
    copy.Proc.Protected = asAdministrator;
    copy.Start(u"[MainForm]\r\nLeft=" + Num(at.Left) + u"\r\nTop=" + Num(at.Top) + u"\r\nWidth=" +
               Num(at.Width()) + u"\r\nHeight=" + Num(at.Height()) + u"\r\n");
    return copy;
  }
  static std::u16string Num(int v) {
    std::u16string s;
    for (char c : std::to_string(v)) s += static_cast<char16_t>(c);
    return s;
  }
  // The UM_LOUPENOTIFY messages one process sent, as (target, wParam, lParam).
  std::vector<std::array<std::int64_t, 3>> Notes(const TCopy& from) {
    std::vector<std::array<std::int64_t, 3>> out;
    for (const auto& c : Desk.Calls()) {
      const std::string name = c.Name;
      if (c.Pid == from.Proc.Pid && c.A[1] == UM_LOUPENOTIFY &&
          (name == "SendMessageTimeoutW" || name == "SendMessageW" || name == "PostMessageW")) {
        out.push_back({c.A[0], c.A[2], c.A[3]});
      }
    }
    return out;
  }
};

}  // namespace

TEST_F(InstancesTest, TwoCopiesFromTwoFoldersListAndExcludeEachOther) {
  TCopy& a = Start(u"C:\\A\\lensoro.exe");
  EXPECT_EQ(a.Filter(), std::vector<HWND>{a.Handle()});
  TCopy& b = Start(u"C:\\B\\lensoro.exe");
  EXPECT_EQ(a.Listed(), (std::vector<HWND>{a.Handle(), b.Handle()}));
  EXPECT_EQ(b.Listed(), (std::vector<HWND>{b.Handle(), a.Handle()}));
  EXPECT_EQ(a.Filter(), (std::vector<HWND>{a.Handle(), b.Handle()}));
  EXPECT_EQ(b.Filter(), (std::vector<HWND>{b.Handle(), a.Handle()}));
  // They overlap: the older one gave up the top.
  EXPECT_FALSE(Parts(a.Form).IsTopmost);
  EXPECT_TRUE(Parts(b.Form).IsTopmost);
  // Windows 10: no UM_MAGNOTIFY traffic at all.
  EXPECT_EQ(Desk.FindMessage(u"UM_MAGNOTIFY"), 0u);

  Desk.ClearCalls();
  b.Quit();
  EXPECT_EQ(a.Listed(), std::vector<HWND>{a.Handle()});
  EXPECT_EQ(a.Filter(), std::vector<HWND>{a.Handle()});
  // Nothing asks for a rebuild outside Windows 7; the covered loupe takes
  // the top and the focus.
  EXPECT_EQ(Desk.CountCalls("PostMessageW"), 0);
  EXPECT_TRUE(Parts(a.Form).IsTopmost);
  EXPECT_EQ(Desk.Foreground(), a.Handle());
}

TEST_F(InstancesTest, Windows7AnnouncesAndTheLastToCloseAsksForARebuild) {
  Desk.OsVersion = {6, 1, 7601};
  TCopy& a = Start(u"C:\\A\\lensoro.exe");
  EXPECT_FALSE(a.Form->Instances().MagWatcherExists());
  TCopy& b = Start(u"C:\\B\\lensoro.exe");
  // B announced itself to A's magnifier host, A's flag is set, B's is not.
  EXPECT_TRUE(a.Form->Instances().MagWatcherExists());
  EXPECT_FALSE(b.Form->Instances().MagWatcherExists());
  ASSERT_NE(a.Form->Instances().UMMagNotify(), 0u);
  EXPECT_EQ(a.Form->Instances().UMMagNotify(), b.Form->Instances().UMMagNotify());

  // B quits first: A hears the closing, another announcement, and since
  // B's flag is false, the posted request to rebuild.
  const HWND aMag = a.Form->Magnifier().Handle();
  Desk.ClearCalls();
  b.Quit();
  const auto notes = Notes(*Copies[1]);
  ASSERT_EQ(notes.size(), 3u) << "closing, rebuild request, top hand-over";
  EXPECT_EQ(notes[0][2], LOUPE_CLOSING);
  EXPECT_EQ(notes[1][2], LOUPE_REINIT_MAGNIFIER);
  EXPECT_EQ(notes[2][2], LOUPE_TOPMOST);
  for (const auto& d : Desk.Dialogs) ADD_FAILURE() << Utf16ToUtf8(d.Text);
  EXPECT_EQ(Desk.CountCalls("PostMessageW"), 1);
  EXPECT_EQ(a.Form->Magnifier().Handle(), aMag);
  // A rebuilds once its loop takes the request, a second after that.
  const DWORD posted = Desk.Now();
  Desk.RunFor(10);
  EXPECT_NE(a.Form->Magnifier().Handle(), aMag);
  EXPECT_GE(Desk.Now() - posted, 1000u);
  EXPECT_EQ(a.Filter(), std::vector<HWND>{a.Handle()});
}

TEST_F(InstancesTest, Windows7FirstCopyClosingAsksNothing) {
  Desk.OsVersion = {6, 1, 7601};
  TCopy& a = Start(u"C:\\A\\lensoro.exe");
  TCopy& b = Start(u"C:\\B\\lensoro.exe");
  const HWND bMag = b.Form->Magnifier().Handle();
  Desk.ClearCalls();
  a.Quit();
  EXPECT_EQ(Desk.CountCalls("PostMessageW"), 0);
  EXPECT_TRUE(b.Form->Instances().MagWatcherExists()) << "the closing copy announced itself";
  Desk.RunFor(1500);
  EXPECT_EQ(b.Form->Magnifier().Handle(), bMag);
  EXPECT_EQ(b.Listed(), std::vector<HWND>{b.Handle()});
}

TEST_F(InstancesTest, ANewLoupeOverTwoOlderOnesTakesTheTop) {
  TCopy& a = Start(u"C:\\A\\lensoro.exe", {100, 100, 368, 320});
  TCopy& b = Start(u"C:\\B\\lensoro.exe", {600, 100, 868, 320});
  EXPECT_TRUE(Parts(a.Form).IsTopmost);  // apart: nobody gave up the top
  EXPECT_TRUE(Parts(b.Form).IsTopmost);
  Desk.ClearCalls();
  TCopy& c = Start(u"C:\\C\\lensoro.exe", {300, 150, 700, 300});
  EXPECT_FALSE(Parts(a.Form).IsTopmost);
  EXPECT_FALSE(Parts(b.Form).IsTopmost);
  EXPECT_TRUE(Parts(c.Form).IsTopmost);
  EXPECT_EQ(c.Listed(), (std::vector<HWND>{c.Handle(), b.Handle(), a.Handle()}));  // search order: top first
  EXPECT_EQ(a.Listed().back(), c.Handle());
  EXPECT_EQ(b.Listed().back(), c.Handle());
  // A copy that overlaps none tells nobody to give up the top.
  Desk.ClearCalls();
  TCopy& d = Start(u"C:\\D\\lensoro.exe", {1500, 800, 1700, 1000});
  for (const auto& n : Notes(d)) EXPECT_NE(n[2], LOUPE_TOPMOST);
}

// The older of two overlapping loupes gave up the top; a new colour for its
// frame is painted and changes nobody's place.
TEST_F(InstancesTest, AFrameColourChangeRepaintsAndTellsTheOtherCopiesNothing) {
  TCopy& a = Start(u"C:\\A\\lensoro.exe");
  TCopy& b = Start(u"C:\\B\\lensoro.exe");
  ASSERT_FALSE(Parts(a.Form).IsTopmost);
  const TFrameColorSlot inUse = FrameColorSlot(Parts(a.Form).Settings.LoupeMode, a.Form->IsActive());
  const int paints = Desk.Window(a.Handle())->InvalidateCount;
  Desk.ClearCalls();
  a.Form->SetFrameColor(0x00123456u, inUse);
  EXPECT_EQ(a.Form->Color(), 0x00123456u);
  EXPECT_EQ(Desk.Window(a.Handle())->InvalidateCount, paints + 1);
  EXPECT_TRUE(Notes(a).empty());
  EXPECT_EQ(Desk.CountCalls("SendMessageW"), 0);
  EXPECT_FALSE(Parts(a.Form).IsTopmost);
  EXPECT_TRUE(Parts(b.Form).IsTopmost);
}

TEST_F(InstancesTest, EdgeTouchingLoupesDoNotOverlap) {
  TCopy& a = Start(u"C:\\A\\lensoro.exe", {100, 100, 368, 320});
  TCopy& b = Start(u"C:\\B\\lensoro.exe", {368, 100, 636, 320});
  EXPECT_TRUE(Parts(a.Form).IsTopmost);
  EXPECT_TRUE(Parts(b.Form).IsTopmost);
  EXPECT_FALSE(RectsOverlap({0, 0, 10, 10}, {10, 10, 20, 20}));
  EXPECT_TRUE(RectsOverlap({0, 0, 10, 10}, {9, 9, 20, 20}));
}

TEST_F(InstancesTest, ClosingHandsTheTopToTheHighestShownOverlappingLoupeOnly) {
  TCopy& low = Start(u"C:\\A\\lensoro.exe", {100, 100, 368, 320});
  TCopy& apart = Start(u"C:\\B\\lensoro.exe", {1000, 600, 1268, 820});
  TCopy& middle = Start(u"C:\\C\\lensoro.exe", {150, 120, 418, 340});
  TCopy& top = Start(u"C:\\D\\lensoro.exe", {120, 110, 388, 330});
  // The middle one says it is hidden (its window is still shown here, as a
  // test of the list, not of the window).
  top.Proc.SendMessageW(top.Handle(), UM_LOUPENOTIFY, middle.Handle(), LOUPE_HIDDEN);
  Parts(low.Form).IsTopmost = false;
  Parts(middle.Form).IsTopmost = false;
  Parts(apart.Form).IsTopmost = false;
  Desk.ClearCalls();
  top.Quit();
  // Below "top" in the z-order: middle (hidden in top's list), then low.
  EXPECT_TRUE(Parts(low.Form).IsTopmost);
  EXPECT_FALSE(Parts(middle.Form).IsTopmost);
  EXPECT_FALSE(Parts(apart.Form).IsTopmost);
  EXPECT_EQ(Desk.Foreground(), low.Handle());
}

TEST_F(InstancesTest, HiddenLoupesStayExcludedAndGetNoTopMessages) {
  TCopy& a = Start(u"C:\\A\\lensoro.exe", {100, 100, 368, 320});
  TCopy& b = Start(u"C:\\B\\lensoro.exe", {150, 150, 418, 370});
  b.Proc.SendMessageW(a.Handle(), UM_LOUPENOTIFY, b.Handle(), LOUPE_HIDDEN);
  EXPECT_FALSE(a.Form->Instances().LnsList()[1].IsVisible);
  EXPECT_EQ(a.Filter(), (std::vector<HWND>{a.Handle(), b.Handle()}));
  Desk.ClearCalls();
  a.Proc.SendMessageW(a.Handle(), win::WM_ACTIVATE, 1, 0);
  a.Proc.SendMessageW(a.Handle(), win::WM_MOVING, 0, 0);
  EXPECT_TRUE(Notes(a).empty());
  // A shown loupe that overlaps only a hidden one is told to give up the top
  // at the end of a move: hidden loupes count for overlapping.
  TCopy& c = Start(u"C:\\C\\lensoro.exe", {400, 300, 668, 520});  // overlaps b only
  a.Proc.SendMessageW(a.Handle(), UM_LOUPENOTIFY, c.Handle(), LOUPE_STARTUP);  // already listed: ignored
  EXPECT_EQ(a.Listed().size(), 3u);
  Parts(c.Form).IsTopmost = true;
  Desk.ClearCalls();
  a.Proc.SendMessageW(a.Handle(), win::WM_EXITSIZEMOVE, 0, 0);
  const auto notes = Notes(a);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0][0], c.Handle());
  EXPECT_EQ(notes[0][1], 0);
  EXPECT_FALSE(Parts(c.Form).IsTopmost);
  b.Proc.SendMessageW(a.Handle(), UM_LOUPENOTIFY, b.Handle(), LOUPE_SHOWN);
  EXPECT_TRUE(a.Form->Instances().LnsList()[1].IsVisible);
}

TEST_F(InstancesTest, ASecondStartOfTheSameExeRestoresAHiddenLoupeThenBringsItToTheFront) {
  TCopy& a = Start(u"C:\\A\\lensoro.exe");
  TCopy& b = Start(u"C:\\B\\lensoro.exe", {600, 100, 868, 320});
  for (const bool hidden : {true, false}) {
    if (hidden) a.Form->MinimizeToTray();
    ASSERT_EQ(Desk.Window(a.Handle())->Visible, !hidden);
    b.Proc.SetForegroundWindow(b.Handle());
    TSimProcess& second = Desk.AddProcess(u"c:\\a\\LENSORO.EXE");
    EXPECT_EQ(LensoroMain(second), 0);
    ASSERT_FALSE(Desk.Dialogs.empty());
    EXPECT_EQ(Desk.Dialogs.back().Text, u"Lensoro is already running.");
    EXPECT_TRUE(Desk.Window(a.Handle())->Visible) << "hidden before: " << hidden;
    EXPECT_TRUE(Parts(a.Form).Timer1.Enabled());
    EXPECT_EQ(a.Form->WindowState(), TWindowState::wsNormal);
    EXPECT_EQ(Parts(a.Form).Commands.ActPopMinimizeAndRestore.Caption, u"タスク トレイに しまう");
    EXPECT_TRUE(b.Form->Instances().LnsList()[1].IsVisible) << "the other copies hear it is shown";
    EXPECT_EQ(Desk.Foreground(), a.Handle());
  }
}

TEST_F(InstancesTest, ACopyStartedAsAdministratorIsListedByTheOthersAndListsThem) {
  TCopy& a = Start(u"C:\\A\\lensoro.exe");
  TCopy& admin = Start(u"C:\\B\\lensoro.exe", {600, 100, 868, 320}, true);
  TCopy& c = Start(u"C:\\C\\lensoro.exe", {100, 700, 368, 920});
  EXPECT_EQ(a.Listed(), (std::vector<HWND>{a.Handle(), admin.Handle(), c.Handle()}));
  EXPECT_EQ(admin.Listed(), (std::vector<HWND>{admin.Handle(), a.Handle(), c.Handle()}));
  EXPECT_EQ(c.Filter(), (std::vector<HWND>{c.Handle(), admin.Handle(), a.Handle()}));
}

TEST_F(InstancesTest, ALoupeWhoseWindowIsGoneLeavesTheListsFromATickThatAllocatesNothing) {
  TCopy& a = Start(u"C:\\A\\lensoro.exe");
  TCopy& b = Start(u"C:\\B\\lensoro.exe", {600, 100, 868, 320});
  TCopy& c = Start(u"C:\\C\\lensoro.exe", {100, 700, 368, 920});
  a.Form->Timer1Timer();  // warm up
  const auto tick = [&] {
    Desk.ClearCalls();
    long allocations = 0;
    {
      lensoro::test::TAllocationScope scope;
      a.Form->Timer1Timer();
      allocations = scope.Count();
    }
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(Desk.CountCalls("OpenProcess", a.Proc.Pid), 0);
  };
  // C is ended without a word: its window goes, and so does its entry.
  Desk.DestroyWindow(c.Handle());
  tick();
  EXPECT_EQ(a.Listed(), (std::vector<HWND>{a.Handle(), b.Handle()}));
  EXPECT_EQ(a.Filter(), (std::vector<HWND>{a.Handle(), b.Handle()}));
  // B says it closes but a box keeps its window up: dropped, listed again
  // after 2 s, dropped for good once the window is gone.
  b.Proc.SendMessageW(a.Handle(), UM_LOUPENOTIFY, b.Handle(), LOUPE_CLOSING);
  EXPECT_EQ(a.Listed(), std::vector<HWND>{a.Handle()});
  Desk.Advance(1000);
  tick();
  EXPECT_EQ(a.Listed(), std::vector<HWND>{a.Handle()});
  Desk.Advance(1100);
  tick();
  EXPECT_EQ(a.Listed(), (std::vector<HWND>{a.Handle(), b.Handle()}));
  EXPECT_EQ(a.Filter(), (std::vector<HWND>{a.Handle(), b.Handle()}));
  Desk.DestroyWindow(b.Handle());
  tick();
  EXPECT_EQ(a.Listed(), std::vector<HWND>{a.Handle()});
  EXPECT_EQ(a.Filter(), std::vector<HWND>{a.Handle()});
}

TEST_F(InstancesTest, RecognitionIsASubstringOfTheFileName) {
  // loupe.exe finds myloupe.exe ...
  TCopy& my = Start(u"C:\\X\\myloupe.exe");
  TCopy& plain = Start(u"C:\\Y\\loupe.exe");
  EXPECT_EQ(plain.Listed(), (std::vector<HWND>{plain.Handle(), my.Handle()}));
  EXPECT_EQ(my.Listed(), (std::vector<HWND>{my.Handle(), plain.Handle()}));

  // ... but myloupe.exe does not find loupe.exe.
  TSimDesktop desk2;
  TSimProcess& p1 = desk2.AddProcess(u"C:\\Y\\loupe.exe");
  TApplication app1(p1);
  app1.Initialize();
  TMainForm f1(app1);
  TSimProcess& p2 = desk2.AddProcess(u"C:\\X\\myloupe.exe");
  TApplication app2(p2);
  app2.Initialize();
  TMainForm f2(app2);
  EXPECT_EQ(f1.Instances().LnsList().Count(), 1);
  EXPECT_EQ(f2.Instances().LnsList().Count(), 1);
  EXPECT_EQ(desk2.Window(f2.Magnifier().Handle())->FilterList.size(), 1u);
}

TEST_F(InstancesTest, AHungCopyDoesNotFreezeTheOthers) {
  TCopy& a = Start(u"C:\\A\\lensoro.exe");
  a.Proc.Hung = true;
  const DWORD before = Desk.Now();
  TCopy& b = Start(u"C:\\B\\lensoro.exe");
  // B gave up on A at once and went on; A is still listed and excluded.
  EXPECT_LT(Desk.Now() - before, 100u);
  EXPECT_EQ(b.Listed(), (std::vector<HWND>{b.Handle(), a.Handle()}));
  EXPECT_EQ(a.Listed(), std::vector<HWND>{a.Handle()});
  b.Quit();
  EXPECT_GE(Desk.CountCalls("SendMessageTimeoutW", b.Proc.Pid), 3);
}

TEST_F(InstancesTest, MessagesFromStrangersChangeNothingHarmful) {
  TCopy& a = Start(u"C:\\A\\lensoro.exe");
  TSimProcess& other = Desk.AddProcess(u"C:\\Other\\tool.exe");
  const HWND stranger = Desk.AddForeignWindow(other.Pid, u"Tool", u"A tool");
  // Not a window, not a loupe, our own window: none is listed.
  other.SendMessageW(a.Handle(), UM_LOUPENOTIFY, 0xDEAD0, LOUPE_STARTUP);
  other.SendMessageW(a.Handle(), UM_LOUPENOTIFY, stranger, LOUPE_STARTUP);
  other.SendMessageW(a.Handle(), UM_LOUPENOTIFY, a.Handle(), LOUPE_STARTUP);
  // Closing for ourselves or for nobody keeps our own entry.
  other.SendMessageW(a.Handle(), UM_LOUPENOTIFY, a.Handle(), LOUPE_CLOSING);
  other.SendMessageW(a.Handle(), UM_LOUPENOTIFY, 0xDEAD0, LOUPE_CLOSING);
  other.SendMessageW(a.Handle(), UM_LOUPENOTIFY, 0, 77);
  other.SendMessageW(a.Handle(), UM_LOUPENOTIFY, 5, LOUPE_TOPMOST);
  EXPECT_EQ(a.Listed(), std::vector<HWND>{a.Handle()});
  EXPECT_EQ(a.Filter(), std::vector<HWND>{a.Handle()});
  EXPECT_TRUE(Parts(a.Form).IsTopmost);
  // Rebuild requests that pile up while one rebuild waits do not nest.
  for (int i = 0; i < 5; ++i) other.PostMessageW(a.Handle(), UM_LOUPENOTIFY, 0, LOUPE_REINIT_MAGNIFIER);
  Desk.RunFor(3000);
  EXPECT_LE(Desk.CountCalls("MagInitialize", a.Proc.Pid), 1 + 5);
  EXPECT_TRUE(Desk.Window(a.Form->Magnifier().Handle())->IsMagnifier);
  Desk.RunFor(100);
  EXPECT_GT(Desk.Window(a.Form->Magnifier().Handle())->SourceSetCount, 0) << "ticking again after the rebuilds";
}

TEST_F(InstancesTest, AFailedFilterAtStartTellsNobodyItNeverJoined) {
  TCopy& a = Start(u"C:\\A\\lensoro.exe");
  TCopy& b = AddCopy(u"C:\\B\\lensoro.exe");
  Desk.FailNext("MagSetWindowFilterList", win::ERROR_ACCESS_DENIED, 1, b.Proc.Pid);
  b.Create();
  EXPECT_TRUE(b.App.Terminated());
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(a.Listed(), std::vector<HWND>{a.Handle()});
  b.Form.reset();
  EXPECT_EQ(a.Listed(), std::vector<HWND>{a.Handle()});
}

// --- The lists themselves ------------------------------------------------------

TEST(LnsList, OverlapIndexesAreSymmetricAndSkipEdges) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\A\\lensoro.exe");
  const HWND w1 = desk.AddForeignWindow(p.Pid, u"X", u"1", 0, {0, 0, 100, 100});
  const HWND w2 = desk.AddForeignWindow(p.Pid, u"X", u"2", 0, {50, 50, 150, 150});
  const HWND w3 = desk.AddForeignWindow(p.Pid, u"X", u"3", 0, {150, 0, 250, 50});  // touches w2's corner
  TLnsList list(p);
  list.UpdateIntersectingInfo();  // empty: nothing happens
  list.Add(w1);
  list.UpdateIntersectingInfo();
  EXPECT_TRUE(list[0].Indexes.empty());
  EXPECT_FALSE(list[0].IsIntersecting);
  list.Add(w2);
  list.Add(w3).IsVisible = false;
  list.Add(w1);  // twice
  list.UpdateIntersectingInfo();
  EXPECT_EQ(list[0].Indexes, (std::vector<int>{1, 3}));
  EXPECT_EQ(list[1].Indexes, (std::vector<int>{0, 3}));
  EXPECT_TRUE(list[2].Indexes.empty());
  EXPECT_FALSE(list[2].IsIntersecting);
  EXPECT_EQ(list.IndexOfWindowHandle(w1), 0);
  EXPECT_EQ(list.IndexOfWindowHandle(0xDEAD0), -1);
  TCardinalDynArray array;
  list.SetExcludedArray(array);
  EXPECT_EQ(array, (TCardinalDynArray{w1, w2, w3, w1}));
  // Assign copies handles and rectangles, not the rest.
  TLnsList copy(p);
  copy.Assign(list);
  EXPECT_EQ(copy.Count(), 4);
  EXPECT_TRUE(copy[2].IsVisible);
  EXPECT_TRUE(copy[0].Indexes.empty());
  EXPECT_EQ(copy[1].WindowRect, (TRect{50, 50, 150, 150}));
  // A moved window is seen after UpdateWindowRect only.
  p.SetWindowPos(w3, 0, 60, 60, 10, 10, win::SWP_NOZORDER);
  list.UpdateIntersectingInfo();
  EXPECT_FALSE(list[2].IsIntersecting);
  list.UpdateWindowRect();
  list.UpdateIntersectingInfo();
  EXPECT_TRUE(list[2].IsIntersecting);
}

TEST(LnsList, ZOrderSnapshotListsWhatQualifies) {
  TSimDesktop desk;
  TSimProcess& self = desk.AddProcess(u"C:\\A\\loupe.exe");
  TSimProcess& my = desk.AddProcess(u"C:\\B\\myloupe.exe");
  TSimProcess& other = desk.AddProcess(u"C:\\C\\viewer.exe");
  const HWND own = desk.AddForeignWindow(self.Pid, u"TMainForm", LoupeCaption, 0, {0, 0, 10, 10});
  const HWND editor = desk.AddForeignWindow(other.Pid, u"Edit", u"Editor", 0, {0, 0, 10, 10});
  desk.AddForeignWindow(other.Pid, u"Edit", u"", 0, {0, 0, 10, 10});            // untitled
  desk.AddForeignWindow(other.Pid, u"Dlg", u"Owned", editor, {0, 0, 10, 10});   // owned
  desk.AddForeignWindow(other.Pid, u"Edit", u"Hidden", 0, {0, 0, 10, 10}, false);
  desk.AddForeignWindow(other.Pid, u"TMainForm", LoupeCaption, 0, {0, 0, 10, 10});  // not our file name
  const HWND mine = desk.AddForeignWindow(my.Pid, u"TMainForm", LoupeCaption, 0, {5, 5, 15, 15});
  TZOrderList list;
  UpdateZOrderList(self, own, self.ExePath, list);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list[0].WindowHandle(), mine);
  EXPECT_TRUE(list[0].IsLensoro);
  EXPECT_EQ(list[0].WindowRect, (TRect{5, 5, 15, 15}));
  EXPECT_EQ(list[1].WindowHandle(), editor);
  EXPECT_FALSE(list[1].IsLensoro);
  EXPECT_EQ(list[2].WindowHandle(), own);
  EXPECT_TRUE(list[2].IsLensoro);
  // From myloupe.exe's point of view loupe.exe's window is left out.
  UpdateZOrderList(my, mine, my.ExePath, list);
  EXPECT_EQ(list.IndexOfWindowHandle(own), -1);
  EXPECT_EQ(list.IndexOfWindowHandle(mine), 0);
  EXPECT_TRUE(ContainsFileName(u"C:\\B\\MYLOUPE.EXE", u"loupe.exe"));
  EXPECT_FALSE(ContainsFileName(u"C:\\A\\loupe.exe", u"myloupe.exe"));
  EXPECT_FALSE(ContainsFileName(u"", u"loupe.exe"));
}

TEST_F(InstancesTest, AStartOpensTheProcessOfEachOtherLoupeAndNeverItsOwn) {
  const TCopy& a = Start(u"C:\\A\\lensoro.exe");
  EXPECT_EQ(Desk.CountCalls("OpenProcess", a.Proc.Pid), 0);
  const TCopy& b = Start(u"D:\\B\\lensoro.exe");
  EXPECT_EQ(Desk.CountCalls("OpenProcess", b.Proc.Pid), 1);
  EXPECT_EQ(b.Listed(), (std::vector<HWND>{b.Handle(), a.Handle()}));
}

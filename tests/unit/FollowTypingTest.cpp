// The loupe that follows typing, on the simulated desktop: an editor's
// system caret, a program that tells of its caret and controls only through
// accessibility, the windows left alone, targets of every DPI awareness on
// a desk of two scales, the hooks' life, and what a step costs.
#include <gtest/gtest.h>

#include <string>

#include "AllocationCounter.h"
#include "LoupeParts.h"
#include "LoupeTest.h"
#include "Main.h"
#include "Numeric.h"
#include "Option.h"
#include "SimDesktop.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

constexpr char16_t kFollow[] =
    u"[MainForm]\r\nLeft=100\r\nTop=100\r\nWidth=268\r\nHeight=220\r\n"
    u"[Loupe]\r\nFollowTyping=1\r\n";

// The loupe at (100, 100), 268 x 220 at rate 2: a source of 130 x 106,
// margins of 22 and 18 pixels.
class FollowTypingTest : public test::TLoupeTest {
 protected:
  FollowTypingTest() : TLoupeTest(u"C:\\Tools\\lensoro.exe") {}

  // An editor: a frame at `frame` (no border) with an edit control filling
  // its client area, the edit focused; its caret at none yet.
  HWND Editor(TSimProcess& editor, TRect frame) {
    const HWND top = Desk.AddForeignWindow(editor.Pid, u"Notepad", u"Untitled - Notepad", 0, frame);
    TCreateWindowParams edit;
    edit.ClassName = u"Edit";
    edit.Style = win::WS_CHILD | win::WS_VISIBLE;
    edit.Width = frame.Width();
    edit.Height = frame.Height();
    edit.Parent = top;
    const HWND wnd = editor.CreateWindowExW(edit);
    Desk.ProgramFocus(wnd);
    return wnd;
  }
  // The pointer rests there until the loupe has shown it for a while.
  void StartAt(TPoint pointer, const std::u16string& ini = kFollow) {
    Desk.Cursor = pointer;
    Copy.Start(ini);
    Desk.RunFor(500);
  }
  // One 50 ms tick, and what the magnifier shows after it.
  TRect Tick() {
    Desk.RunFor(50);
    return Mag().Source;
  }
};

}  // namespace

TEST_F(FollowTypingTest, TypingMovesTheSourceOnlyWhenTheCaretLeavesTheMargin) {
  TSimProcess& notepad = Desk.AddProcess(u"C:\\Windows\\notepad.exe");
  StartAt({1500, 900});
  ASSERT_EQ(Mag().Source, (TRect{1435, 847, 1565, 953}));
  const HWND edit = Editor(notepad, {200, 200, 1000, 700});
  // The edit is larger than the source: its top-left corner shows.
  EXPECT_EQ(Tick(), (TRect{200, 200, 330, 306}));
  // Just after the focus moved, the caret shows at the client origin for
  // a moment: not followed.
  Desk.SetCaret(edit, {0, 0, 1, 16});
  EXPECT_EQ(Tick(), (TRect{200, 200, 330, 306}));
  const struct {
    int CaretX;  // in the edit's client area; the caret is 1 x 16 at y = 2
    TRect Expected;
  } keys[] = {
      {4, {182, 184, 312, 290}},                              // the least move that brings it 22 and 18 pixels inside
      {84, {182, 184, 312, 290}},                             // its right edge 285 inside 290
      {92, {185, 184, 315, 290}},                             // 293: three pixels
      {96, {189, 184, 319, 290}}, {2, {180, 184, 310, 290}},  // back to the line's start: 202 - 22
  };
  for (const auto& k : keys) {
    Desk.SetCaret(edit, {k.CaretX, 2, k.CaretX + 1, 18});
    EXPECT_EQ(Tick(), k.Expected) << "caret at " << k.CaretX;
  }
  // The pointer moves: it leads, and a key typed within 350 ms of it is
  // the pointing's doing.
  Desk.Cursor = {700, 500};
  EXPECT_EQ(Tick(), (TRect{635, 447, 765, 553}));
  Desk.SetCaret(edit, {300, 2, 301, 18});
  EXPECT_EQ(Tick(), (TRect{635, 447, 765, 553}));
  Desk.RunFor(400);
  EXPECT_EQ(Mag().Source, (TRect{635, 447, 765, 553}));
  Desk.SetCaret(edit, {308, 2, 309, 18});
  EXPECT_EQ(Tick(), (TRect{486, 184, 616, 290}));  // caret (508, 202): pushed left and up
}

TEST_F(FollowTypingTest, TheLoupesOwnWindowsAndOtherLoupesAreLeftAlone) {
  StartAt({1500, 900});
  const TRect onPointer = Mag().Source;
  test::TLoupeCopy other(Desk, u"D:\\Other\\lensoro.exe");
  other.Start();
  Desk.RunFor(100);
  ASSERT_EQ(Copy.Listed().size(), 2u);
  for (const DWORD pid : {Proc.Pid, other.Proc.Pid}) {
    const HWND box = Desk.AddForeignWindow(pid, u"#32770", u"dialog", 0, {300, 300, 500, 400});
    Desk.ProgramFocus(box);
    Desk.SetCaret(box, {10, 10, 11, 26});
    Desk.RunFor(400);
    EXPECT_EQ(Mag().Source, onPointer) << "process " << pid;
  }
}

// A desk of a 150 % primary monitor and a 100 % one right of it, the system
// at 125 %: a caret of (100, 20) in an edit whose client area starts at
// (300, 240) on the screen lies there at 1.5, 1.25 / 1.5 or 1 times, by
// what the editor is aware of.
TEST_F(FollowTypingTest, ACaretOnEitherMonitorIsFoundForEveryKindOfEditor) {
  Desk.PixelsPerInch = 120;
  Desk.ChangeDisplays({{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}, {{1920, 0, 3840, 1080}, {1920, 0, 3840, 1080}}});
  Desk.SetMonitorDpi(0, 144);
  Desk.SetMonitorDpi(1, 96);
  StartAt({3800, 1050});
  const TRect parked = Mag().Source;
  // The caret comes from the lower right: the source's left and top stop
  // a margin short of it.
  const int mx = RoundHalfEven(parked.Width() / 6.0L), my = RoundHalfEven(parked.Height() / 6.0L);
  const struct {
    TSimDpiAwareness Awareness;
    int Left;  // of the client area on the screen
    TPoint Caret;
  } cases[] = {
      {TSimDpiAwareness::Unaware, 300, {450, 270}},      {TSimDpiAwareness::System, 300, {420, 264}},
      {TSimDpiAwareness::PerMonitorV2, 300, {400, 260}}, {TSimDpiAwareness::Unaware, 2220, {2320, 260}},
      {TSimDpiAwareness::System, 2220, {2300, 256}},     {TSimDpiAwareness::PerMonitorV2, 2220, {2320, 260}},
  };
  for (const auto& c : cases) {
    TSimProcess& editor = Desk.AddProcess(u"C:\\Editors\\editor.exe");
    editor.HasDeclaredAwareness = true;
    editor.DeclaredAwareness = c.Awareness;
    const HWND edit = Editor(editor, {c.Left, 240, c.Left + 1200, 990});
    Desk.RunFor(400);  // the new focus took the source
    Desk.Cursor = {3700, 1000};
    Tick();
    Desk.Cursor = {3800, 1050};
    Desk.RunFor(400);
    ASSERT_EQ(Mag().Source, parked);
    Desk.SetCaret(edit, {100, 20, 101, 36});
    const TRect s = Tick();
    EXPECT_EQ((TPoint{s.Left + mx, s.Top + my}), c.Caret) << "awareness " << int(c.Awareness) << " at " << c.Left;
  }
}

// A browser draws its fields and caret itself: only accessibility tells.
TEST_F(FollowTypingTest, AProgramThatTellsOnlyThroughAccessibilityIsFollowed) {
  TSimProcess& browser = Desk.AddProcess(u"C:\\Browser\\browser.exe");
  browser.HasDeclaredAwareness = true;
  browser.DeclaredAwareness = TSimDpiAwareness::PerMonitorV2;
  StartAt({1500, 900});
  const HWND page = Desk.AddForeignWindow(browser.Pid, u"BrowserPage", u"page", 0, {0, 0, 1600, 1000});
  Desk.ProgramFocus(page);
  Desk.RunFor(400);
  ASSERT_EQ(Mag().Source, (TRect{0, 0, 130, 106}));  // the page's top-left corner
  Desk.SetAccessibleLocation(page, win::OBJID_CLIENT, 7, {600, 400, 700, 420});
  Desk.RaiseWinEvent(win::EVENT_OBJECT_FOCUS, page, win::OBJID_CLIENT, 7);
  EXPECT_EQ(Tick(), (TRect{585, 357, 715, 463}));  // centred on the field
  Desk.SetAccessibleLocation(page, win::OBJID_CARET, win::CHILDID_SELF, {760, 402, 761, 418});
  Desk.RaiseWinEvent(win::EVENT_OBJECT_LOCATIONCHANGE, page, win::OBJID_CARET, win::CHILDID_SELF);
  EXPECT_EQ(Tick(), (TRect{653, 357, 783, 463}));  // 761 - 108
  EXPECT_EQ(Desk.CountCalls("AccessibleObjectLocation", Proc.Pid), 2);
}

TEST_F(FollowTypingTest, TheHooksLiveWhileTheLoupeFollowsInPointerModeAndIsShown) {
  StartAt({1500, 900});
  const auto hooks = [&] { return Desk.WinEventHookCount(Proc.Pid); };
  EXPECT_EQ(hooks(), 3);
  Form->MinimizeToTray();
  EXPECT_EQ(hooks(), 0);
  Form->RestoreFromTray();
  EXPECT_EQ(hooks(), 3);
  Form->SetLoupeMode(lmWindow);
  EXPECT_EQ(hooks(), 0);
  Form->SetLoupeMode(lmPointer);
  EXPECT_EQ(hooks(), 3);
  Form->SetFollowTyping(false);
  EXPECT_EQ(hooks(), 0);
  // The dialog's check box turns it on again.
  Parts(Form).Commands.ActPopShowOption.Execute();
  TOptionForm& options = *Parts(Form).Commands.OptionForm();
  ASSERT_TRUE(Desk.Click(options.CheckBox102.Handle()));
  EXPECT_TRUE(Parts(Form).Settings.FollowTyping);
  EXPECT_EQ(hooks(), 3);
}

// What a step costs with the option on: the calls (counted here and given
// in docs/PERFORMANCE.md) and no allocation, resting or typing.
TEST_F(FollowTypingTest, AStepCallsAFewMoreAndAllocatesNothing) {
  TSimProcess& notepad = Desk.AddProcess(u"C:\\Windows\\notepad.exe");
  StartAt({1500, 900});
  const HWND edit = Editor(notepad, {200, 200, 1000, 700});
  Desk.SetCaret(edit, {0, 40, 1, 56});
  Desk.RunFor(100);
  const auto steps = [&](int n, bool typing) {
    Desk.ClearCalls();
    test::TAllocationScope scope;
    for (int i = 0; i < n; ++i) {
      const int x = 4 + 8 * (i % 90), y = 2 + 16 * (i / 90 % 20);  // line after line
      if (typing) Desk.SetCaret(edit, {x, y, x + 1, y + 16});
      Desk.Advance(50);
      Proc.DispatchPending();
    }
    return scope.Count();
  };
  EXPECT_EQ(steps(1000, false), 0);
  EXPECT_EQ(static_cast<int>(Desk.Calls().size()), 1000 * 10);  // with a caret in front
  EXPECT_EQ(steps(1000, true), 0);
  EXPECT_EQ(Desk.CountCalls("MagSetWindowSource"), 1000);
  EXPECT_EQ(static_cast<int>(Desk.Calls().size()), 1000 * 13);
  // A caret known only through accessibility: the event's window and the
  // object's place are read as well (COM's own allocations on Windows are
  // oleacc's, not ours).
  const TSimProcess& browser = Desk.AddProcess(u"C:\\Browser\\browser.exe");
  const HWND page = Desk.AddForeignWindow(browser.Pid, u"BrowserPage", u"page", 0, {0, 0, 1600, 1000});
  Desk.ProgramFocus(page);
  Desk.SetAccessibleLocation(page, win::OBJID_CARET, win::CHILDID_SELF, {200, 40, 201, 56});
  Desk.RunFor(100);
  Desk.ClearCalls();
  long allocations;
  {
    test::TAllocationScope scope;
    for (int i = 0; i < 100; ++i) {
      Desk.SetAccessibleLocation(page, win::OBJID_CARET, win::CHILDID_SELF, {300 + 8 * i, 40, 301 + 8 * i, 56});
      Desk.RaiseWinEvent(win::EVENT_OBJECT_LOCATIONCHANGE, page, win::OBJID_CARET, win::CHILDID_SELF);
      Desk.Advance(50);
      Proc.DispatchPending();
    }
    allocations = scope.Count();
  }
  EXPECT_EQ(allocations, 0);
  EXPECT_EQ(static_cast<int>(Desk.Calls().size()), 100 * 13);
}

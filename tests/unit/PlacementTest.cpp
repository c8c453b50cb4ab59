// Where windows open beside each other and how a dialog fits a small work
// area: the options dialog's first place beside the loupe, a second copy's
// loupe beside the first, and a dialog taller than its work area scrolling.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Application.h"
#include "Format.h"
#include "LoupeParts.h"
#include "LoupeTest.h"
#include "Main.h"
#include "Option.h"
#include "SimDesktop.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

std::u16string PlaceIni(const TRect& r) {
  return FormatText(u"[MainForm]\r\nLeft=%d\r\nTop=%d\r\nWidth=%d\r\nHeight=%d\r\n",
                    {r.Left, r.Top, r.Width(), r.Height()});
}

bool Overlap(const TRect& a, const TRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}
bool Inside(const TRect& inner, const TRect& outer) {
  return inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right &&
         inner.Bottom <= outer.Bottom;
}

enum class TSide { Right, Left, Below, Above, Over };

// `placed` lies `gap` off `anchor` on that side, lined up with its top or
// left edge (kept on the work area), or over it.
void ExpectBeside(const TRect& placed, const TRect& anchor, TSide side, int gap, const TRect& work) {
  EXPECT_TRUE(Inside(placed, work));
  switch (side) {
    case TSide::Right:
    case TSide::Left:
      EXPECT_EQ(side == TSide::Right ? placed.Left - anchor.Right : anchor.Left - placed.Right, gap);
      EXPECT_EQ(placed.Top, std::min(anchor.Top, work.Bottom - placed.Height()));
      break;
    case TSide::Below:
    case TSide::Above:
      EXPECT_EQ(side == TSide::Below ? placed.Top - anchor.Bottom : anchor.Top - placed.Bottom, gap);
      EXPECT_EQ(placed.Left, std::max(work.Left, std::min(anchor.Left, work.Right - placed.Width())));
      break;
    case TSide::Over:
      EXPECT_TRUE(Overlap(placed, anchor));
      return;
  }
  EXPECT_FALSE(Overlap(placed, anchor));
}

// A desk of a 1920 x 1080 primary at 96 DPI (task bar 40 high) and a
// 1920 x 1080 monitor left of it at 144.
const std::vector<TMonitorInfo> MixedDesk = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                                             {{-1920, 0, 0, 1080}, {-1920, 0, 0, 1080}}};

class PlacementTest : public test::TLoupeCopiesTest {
 protected:
  void UseMixedDesk() {
    Desk.ChangeDisplays(MixedDesk);
    Desk.MonitorDpis = {96, 144};
  }
  TMainForm& Loupe(std::size_t i) { return *Copies[i]->Form; }
  // A folder of its own for each case: files of an earlier one stay on the desk.
  std::u16string Exe(const char16_t* drive, int n) { return drive + FormatText(u":\\Case%d\\lensoro.exe", {n}); }
  int FCase = 0;
};

}  // namespace

// Without a saved place the options dialog opens beside the loupe, on the
// loupe's monitor and at its DPI: right of it, else left, below, above;
// with no room on any side over it, as before; a saved place is kept.
TEST_F(PlacementTest, TheOptionsDialogOpensBesideTheLoupeOnItsMonitor) {
  const struct {
    const char* Name;
    TRect Loupe;
    TSide Side;
    std::u16string Saved;
  } cases[] = {
      {"primary: right", {243, 478, 511, 698}, TSide::Right, u""},
      {"primary, at its right edge: left", {1652, 100, 1920, 320}, TSide::Left, u""},
      {"primary, as wide as it: below", {0, 0, 1920, 220}, TSide::Below, u""},
      {"primary, wide and low: above", {0, 800, 1920, 1020}, TSide::Above, u""},
      {"primary, wide and in the middle: over it", {0, 300, 1920, 800}, TSide::Over, u""},
      {"left monitor: right", {-1800, 100, -1398, 430}, TSide::Right, u""},
      {"left monitor, at its right edge: left, not onto the primary", {-402, 100, 0, 430}, TSide::Left, u""},
      {"left monitor, as wide as it: over it", {-1920, 0, 0, 330}, TSide::Over, u""},
      {"a saved place is kept", {243, 478, 511, 698}, TSide::Over, u"[OptionForm]\r\nLeft=250\r\nTop=300\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Copies.clear();
    UseMixedDesk();
    StartCopy(Exe(u"C", ++FCase), PlaceIni(c.Loupe) + c.Saved);
    ASSERT_EQ(Loupe(0).BoundsRect(), c.Loupe);
    Parts(Loupe(0)).Commands.ActPopShowOption.Execute();
    TOptionForm& options = *Parts(Loupe(0)).Commands.OptionForm();
    const int dpi = c.Loupe.Left < 0 ? 144 : 96;
    EXPECT_EQ(options.PixelsPerInch(), dpi);
    const TRect placed = Desk.Window(options.Handle())->Rect;
    ExpectBeside(placed, c.Loupe, c.Side, ScaleByPpi(8, dpi), MixedDesk[c.Loupe.Left < 0 ? 1 : 0].Work);
    if (!c.Saved.empty()) {
      EXPECT_EQ((TPoint{placed.Left, placed.Top}), (TPoint{250, 300}));
    }
  }
}

// A copy from another folder without a place of its own that would open on
// a loupe already running opens beside it, on its monitor; one with a saved
// place keeps it.
TEST_F(PlacementTest, ASecondCopyOpensBesideTheFirstOnItsMonitor) {
  const struct {
    const char* Name;
    std::u16string FirstIni, SecondIni;
    TSide Side;
  } cases[] = {
      {"both at the designed place: right", u"", u"", TSide::Right},
      {"no room right or left: below", PlaceIni({243, 478, 1920, 698}), u"", TSide::Below},
      {"no room right, left or below: above", PlaceIni({0, 478, 1920, 1038}), u"", TSide::Above},
      {"no room on its monitor: stays, not onto the other", PlaceIni({243, 0, 1920, 1040}), u"", TSide::Over},
      {"its own saved place is kept, on the first", u"", PlaceIni({243, 478, 511, 698}), TSide::Over},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Copies.clear();
    UseMixedDesk();
    const TRect first = StartCopy(Exe(u"C", ++FCase), c.FirstIni).Form->BoundsRect();
    const TRect second = StartCopy(Exe(u"D", FCase), c.SecondIni).Form->BoundsRect();
    EXPECT_EQ(second.Width(), 268);
    ExpectBeside(second, first, c.Side, 8, MixedDesk[0].Work);
  }
  // A third, on the first, finds its right taken and no room left of it: below.
  Copies.clear();
  UseMixedDesk();
  const TRect first = StartCopy(Exe(u"C", ++FCase)).Form->BoundsRect();
  StartCopy(Exe(u"D", FCase));
  const TRect third = StartCopy(Exe(u"E", FCase)).Form->BoundsRect();
  ExpectBeside(third, first, TSide::Below, 8, MixedDesk[0].Work);
}

// On a 1366 x 768 screen at 144 DPI (a task bar 40 high) the options dialog
// is taller than the work area: it is cut to it with its title bar on it,
// keeps its client width beside a scroll bar, and scrolls with the wheel
// and to wherever the focus goes; Tab reaches Close, and Enter presses it.
// At 96 DPI it fits and stays as it was.
TEST_F(PlacementTest, ADialogTallerThanItsWorkAreaScrollsToTheFocus) {
  const TRect work{0, 0, 1366, 728};
  Desk.PixelsPerInch = 144;
  Desk.ChangeDisplays({{{0, 0, 1366, 768}, work}});
  test::TLoupeCopy& copy = StartCopy(u"C:\\A\\lensoro.exe");
  Parts(copy.Form).Commands.ActPopShowOption.Execute();
  TOptionForm& form = *Parts(copy.Form).Commands.OptionForm();
  const TSimWindow& dialog = *Desk.Window(form.Handle());
  const auto client = [&] {
    const TPoint at = TSimDesktop::ClientOrigin(dialog);
    const TRect c = TSimDesktop::ClientRect(dialog);
    return TRect{at.X, at.Y, at.X + c.Right, at.Y + c.Bottom};
  };
  EXPECT_TRUE(Inside(dialog.Rect, work));
  EXPECT_EQ(dialog.Rect.Height(), work.Height());
  EXPECT_TRUE(dialog.Style & win::WS_VSCROLL);
  EXPECT_EQ(client().Width(), ScaleByPpi(366, 144));
  EXPECT_EQ(dialog.Ctl.VScrollMax + 1, ScaleByPpi(566, 144));
  EXPECT_EQ(static_cast<int>(dialog.Ctl.VScrollPage), client().Height());
  EXPECT_FALSE(Overlap(dialog.Rect, copy.Form->BoundsRect()));

  // The wheel: three lines a notch down, back up to the top.
  const int line = ScaleByPpi(16, 144);
  const auto wheel = [&](HWND over, int delta) {
    copy.Proc.SendMessageW(over, win::WM_MOUSEWHEEL, static_cast<WPARAM>(MakeLParam(0, delta)), 0);
  };
  wheel(form.GroupBox103.Handle(), -120);
  EXPECT_EQ(form.ScrollPos(), 3 * line);
  EXPECT_EQ(dialog.Ctl.VScrollPos, 3 * line);
  EXPECT_EQ(Desk.Window(form.GroupBox101.Handle())->Rect.Top, client().Top + form.GroupBox101.Top() - 3 * line);
  wheel(form.CheckBox101.Handle(), 240);
  EXPECT_EQ(form.ScrollPos(), 0);

  // Tab through every stop: each lands in view, and Close comes last.
  form.CheckBox101.SetFocus();
  int stops = 0;
  while (Desk.FocusWindow() != form.CloseButton.Handle() && stops++ < 40) {
    Desk.KeyPress(0, win::VK_TAB);
    copy.App.ProcessMessages();
    const HWND focus = Desk.FocusWindow();
    ASSERT_NE(focus, 0u);
    EXPECT_TRUE(Inside(Desk.Window(focus)->Rect, client())) << "stop " << stops;
  }
  ASSERT_EQ(Desk.FocusWindow(), form.CloseButton.Handle());
  EXPECT_EQ(form.ScrollPos(), ScaleByPpi(566, 144) - client().Height());
  // Focus set straight on a control, as an access key does, scrolls too.
  form.CheckBox101.SetFocus();
  EXPECT_EQ(form.ScrollPos(), 0);
  form.CloseButton.SetFocus();
  Desk.KeyPress(0, win::VK_RETURN);
  copy.App.ProcessMessages();
  EXPECT_EQ(Parts(copy.Form).Commands.OptionForm(), nullptr);

  // At 96 DPI the dialog fits: no scroll bar was ever asked for.
  Copies.clear();
  Desk.PixelsPerInch = 96;
  Desk.ClearCalls();
  test::TLoupeCopy& small = StartCopy(u"C:\\A\\lensoro.exe");
  Parts(small.Form).Commands.ActPopShowOption.Execute();
  const TSimWindow& fits = *Desk.Window(Parts(small.Form).Commands.OptionForm()->Handle());
  EXPECT_FALSE(fits.Style & win::WS_VSCROLL);
  EXPECT_EQ(TSimDesktop::ClientRect(fits).Bottom, 566);
  EXPECT_EQ(Desk.CountCalls("SetScrollInfo", small.Proc.Pid), 0);
}

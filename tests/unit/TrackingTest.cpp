// The 50 ms tracking step: the source area in both modes and every anchor,
// the z-order call, and what the step costs.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "AllocationCounter.h"
#include "Application.h"
#include "LoupeTest.h"
#include "Main.h"
#include "Numeric.h"
#include "SimDesktop.h"
#include "TestFiles.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

// One monitor of 1920 x 1080 at (0, 0); the loupe at (100, 100), 268 x 220,
// frame 4, rate 2.0: magnifier 260 x 212, source 130 x 106.
class TrackingTest : public test::TLoupeTest {
 protected:
  TrackingTest() : TLoupeTest(u"C:\\Tools\\lensoro.exe") {}
  void SetUp() override {
    Copy.Create();
    Form->SetBounds(100, 100, 268, 220);
  }
  TRect Step(TLoupeMode mode) {
    Form->UpdateMagnifier(mode);
    return Desk.Window(Form->Magnifier().Handle())->Source;
  }
  static bool Inside(const TRect& r, const TRect& d) {
    return d.Left <= r.Left && d.Top <= r.Top && r.Right <= d.Right && r.Bottom <= d.Bottom;
  }
  TRect WindowMode(TLoupeSrcOrigin origin) {
    Parts(Form).Settings.LoupeSrcOrigin = origin;
    return Step(lmWindow);
  }
};

}  // namespace

TEST_F(TrackingTest, PointerModeCentresOnThePointerAndStopsAtTheEdges) {
  ASSERT_EQ(Form->Magnifier().SrcWidth(), 130);
  Desk.Cursor = {960, 540};
  EXPECT_EQ(Step(lmPointer), (TRect{895, 487, 1025, 593}));
  Desk.Cursor = {10, 10};
  EXPECT_EQ(Step(lmPointer), (TRect{0, 0, 130, 106}));
  Desk.Cursor = {1919, 1079};
  EXPECT_EQ(Step(lmPointer), (TRect{1790, 974, 1920, 1080}));
  // A monitor left of the primary one: the virtual desktop starts below 0.
  Desk.VirtualScreen = {-1280, 0, 1920, 1080};
  Desk.Cursor = {-1275, 500};
  EXPECT_EQ(Step(lmPointer).Left, -1280);
}

TEST_F(TrackingTest, WindowModeAnchorsAtTheChosenPoint) {
  EXPECT_EQ(WindowMode(lsoTopLeft), (TRect{104, 104, 234, 210}));
  EXPECT_EQ(WindowMode(lsoTopRight), (TRect{234, 104, 364, 210}));
  EXPECT_EQ(WindowMode(lsoBottomLeft), (TRect{104, 210, 234, 316}));
  EXPECT_EQ(WindowMode(lsoBottomRight), (TRect{234, 210, 364, 316}));
  EXPECT_EQ(WindowMode(lsoCenter), (TRect{169, 157, 299, 263}));
  // Off the left edge the bound built from the rate takes over:
  // rnd(-46 / 2) = -23.
  Form->SetBounds(-50, 100, 268, 220);
  EXPECT_EQ(WindowMode(lsoTopLeft).Left, -23);
  // An origin out of range keeps the previous area.
  const TRect before = Desk.Window(Form->Magnifier().Handle())->Source;
  EXPECT_EQ(WindowMode(static_cast<TLoupeSrcOrigin>(9)), before);
  // The source always has the computed size.
  Form->SetBounds(300, 200, 301, 251);
  for (int o = lsoTopLeft; o <= lsoCenter; ++o) {
    const TRect r = WindowMode(static_cast<TLoupeSrcOrigin>(o));
    EXPECT_EQ(r.Width(), Form->Magnifier().SrcWidth());
    EXPECT_EQ(r.Height(), Form->Magnifier().SrcHeight());
  }
}

// A monitor left of the primary one: the virtual desktop starts at -1920.
// Anchors on the desktop hold; the area stops at the desktop's right edge.
TEST_F(TrackingTest, NegativeVirtualDesktop) {
  Desk.VirtualScreen = {-1920, 0, 1920, 1080};  // (-1920, 0), 3840 x 1080
  struct {
    TPoint Cursor;
    TRect Expected;
  } const pointer[] = {
      {{-1000, 500}, {-1065, 447, -935, 553}},
      {{-1915, 5}, {-1920, 0, -1790, 106}},
      {{1900, 1070}, {1790, 974, 1920, 1080}},  // the upper bound is DL + DW - SW
      {{3800, 540}, {1790, 487, 1920, 593}},
  };
  for (const auto& c : pointer) {
    Desk.Cursor = c.Cursor;
    EXPECT_EQ(Step(lmPointer), c.Expected) << c.Cursor.X << "," << c.Cursor.Y;
  }
  struct {
    TPoint Window;
    TLoupeSrcOrigin Origin;
    TRect Expected;
  } const window[] = {
      // Anchor (-1496, 104): Left = Clamp(-1496, rnd((-1920 - 1496) / 2) = -1708, 3840).
      {{-1500, 100}, lsoTopLeft, {-1496, 104, -1366, 210}},
      // Anchor x -1860: the lower bound rnd(-3780 / 2) = -1890 still lets it be.
      {{-1864, 100}, lsoTopLeft, {-1860, 104, -1730, 210}},
      // Right = Clamp(-1236, -1920, rnd((3840 - 1236) / 2) = 1302).
      {{-1500, 100}, lsoTopRight, {-1366, 104, -1236, 210}},
      {{-1500, 100}, lsoBottomRight, {-1366, 210, -1236, 316}},
      // Centre (-1366, 210), hw 65: Clamp(-1431, -1920, 1790).
      {{-1500, 100}, lsoCenter, {-1431, 157, -1301, 263}},
  };
  for (const auto& c : window) {
    Form->SetBounds(c.Window.X, c.Window.Y, 268, 220);
    EXPECT_EQ(WindowMode(c.Origin), c.Expected) << c.Window.X << " origin " << int(c.Origin);
  }
}

// Random desks (monitors of different sizes, joined on any side of one
// another, so the desktop often starts left of or above the primary one),
// loupes and pointers: whenever the source fits on the desktop, it lies on
// it, and in pointer mode it is centred on the pointer wherever it can be.
TEST_F(TrackingTest, OnAnyDeskTheSourceStaysOnTheDesktop) {
  std::mt19937 rnd(24);
  const auto in = [&rnd](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rnd); };
  for (int desk = 0; desk < 200; ++desk) {
    std::vector<TMonitorInfo> monitors;
    for (int m = in(1, 4); m > 0; --m) {
      const int w = in(640, 2560), h = in(480, 1600);
      TRect r{0, 0, w, h};
      if (!monitors.empty()) {
        const TRect& next = monitors[in(0, static_cast<int>(monitors.size()) - 1)].Monitor;
        const int x = in(next.Left - w + 1, next.Right - 1), y = in(next.Top - h + 1, next.Bottom - 1);
        switch (in(0, 3)) {
          case 0: r = {next.Left - w, y, next.Left, y + h}; break;
          case 1: r = {next.Right, y, next.Right + w, y + h}; break;
          case 2: r = {x, next.Top - h, x + w, next.Top}; break;
          default: r = {x, next.Bottom, x + w, next.Bottom + h}; break;
        }
      }
      monitors.push_back({r, r});
    }
    Desk.ChangeDisplays(monitors);
    const TRect d = Desk.VirtualScreen;
    Form->SetLoupeRate(in(13, 80) / 10.0f);
    for (int i = 0; i < 10; ++i) {
      Form->SetBounds(in(d.Left, d.Right - 40), in(d.Top, d.Bottom - 40), in(40, 1600), in(40, 1200));
      Desk.Cursor = {in(d.Left, d.Right - 1), in(d.Top, d.Bottom - 1)};
      const int sw = Form->Magnifier().SrcWidth(), sh = Form->Magnifier().SrcHeight();
      if (sw > d.Width() || sh > d.Height()) continue;
      const TRect centred{Desk.Cursor.X - RoundHalfEven(sw / 2.0L), Desk.Cursor.Y - RoundHalfEven(sh / 2.0L), 0, 0};
      const TRect pointer = Step(lmPointer);
      EXPECT_TRUE(Inside(pointer, d)) << "desk " << desk << ": " << pointer.Left << "," << pointer.Top;
      if (Inside({centred.Left, centred.Top, centred.Left + sw, centred.Top + sh}, d)) {
        EXPECT_EQ(pointer.Left, centred.Left) << "desk " << desk;
        EXPECT_EQ(pointer.Top, centred.Top) << "desk " << desk;
      }
      const TRect centre = WindowMode(lsoCenter);
      EXPECT_TRUE(Inside(centre, d)) << "desk " << desk << ": " << centre.Left << "," << centre.Top;
    }
  }
}

TEST_F(TrackingTest, WithoutAPointerTheSourceStaysWhereItWas) {
  Desk.Cursor = {700, 300};
  const TRect before = Step(lmPointer);
  Desk.Cursor = {5, 5};
  Desk.FailNext("GetCursorPos", win::ERROR_ACCESS_DENIED, 1, Proc.Pid);
  EXPECT_EQ(Step(lmPointer), before);
  EXPECT_EQ(Step(lmPointer), (TRect{0, 0, 130, 106}));
}

TEST_F(TrackingTest, EveryStepReassertsTheZOrder) {
  Desk.ClearCalls();
  Parts(Form).IsTopmost = false;
  Form->UpdateMagnifier(lmPointer);
  Parts(Form).IsTopmost = true;
  Form->UpdateMagnifier(lmPointer);
  int seen = 0;
  for (const auto& c : Desk.Calls()) {
    if (std::string(c.Name) != "SetWindowPos") continue;
    EXPECT_EQ(c.A[0], Form->Handle());
    EXPECT_EQ(static_cast<HWND>(c.A[1]), seen == 0 ? win::HWND_NOTOPMOST : win::HWND_TOPMOST);
    EXPECT_EQ(c.A[5], 0x0413);
    ++seen;
  }
  EXPECT_EQ(seen, 2);
}

// On one monitor, and on a desk of a 150 % monitor with a 100 % one left of
// it, the loupe on each: the step reads no DPI.
TEST_F(TrackingTest, TheTickMakesOnlyItsOwnCallsAndAllocatesNothing) {
  struct TPlace {
    const char* Desk;
    TPoint At, Cursor;
    int Dpi;
  } places[] = {{"one monitor", {100, 100}, {500, 500}, 96},
                {"150 % primary", {100, 100}, {500, 500}, 144},
                {"100 % left", {-1500, 100}, {-1000, 500}, 96}};
  for (const TPlace& place : places) {
    if (place.Dpi == 144) {
      Desk.ChangeDisplays({{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}, {{-1920, 0, 0, 1080}, {-1920, 0, 0, 1080}}});
      Desk.SetMonitorDpi(0, 144);
    }
    Form->SetBounds(place.At.X, place.At.Y, 268, 220);
    EXPECT_EQ(Form->Dpi(), place.Dpi) << place.Desk;
    Desk.Cursor = place.Cursor;
    Form->Timer1Timer();  // warm up
    for (const TLoupeMode mode : {lmPointer, lmWindow}) {
      Parts(Form).Settings.LoupeMode = mode;
      Desk.ClearCalls();
      long allocations;
      {
        lensoro::test::TAllocationScope scope;
        for (int i = 0; i < 50; ++i) Form->Timer1Timer();
        allocations = scope.Count();
      }
      const std::string what = std::string(place.Desk) + ", mode " + std::to_string(int(mode));
      EXPECT_EQ(allocations, 0) << what;
      EXPECT_EQ(Desk.CountCalls("GetSystemMetrics"), 50 * 4) << what;
      EXPECT_EQ(Desk.CountCalls("MagSetWindowSource"), 50) << what;
      EXPECT_EQ(Desk.CountCalls("SetWindowPos"), 50) << what;
      EXPECT_EQ(Desk.CountCalls("GetCursorPos"), mode == lmPointer ? 50 : 0) << what;
      EXPECT_EQ(Desk.CountCalls("GetWindowRect"), mode == lmWindow ? 50 : 0) << what;
      EXPECT_EQ(static_cast<int>(Desk.Calls().size()), 50 * 7) << what;
    }
  }
}

TEST_F(TrackingTest, TheTimerDrivesTheStepTwentyTimesASecond) {
  Desk.ClearCalls();
  Desk.RunFor(1000);
  EXPECT_EQ(Desk.CountCalls("MagSetWindowSource", Proc.Pid), 20);
}

TEST_F(TrackingTest, ARepeatedSourceFailureIsReportedOnceUntilAStepSucceeds) {
  // The box's own loop keeps ticking; each of those ticks fails too.
  Desk.DialogResponder = [this](TSimProcess&, const TSimDialog&) {
    Desk.RunFor(200);
    return win::IDOK;
  };
  Desk.FailNext("MagSetWindowSource", win::ERROR_INVALID_PARAMETER, 8, Proc.Pid);
  Desk.RunFor(300);
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.Dialogs[0].Text, u"かくだい もとを せってー できません: (The parameter is incorrect)");
  EXPECT_FALSE(App.Terminated());
  // After a good step, a new failure is news again.
  Desk.ClearFailures();
  Desk.RunFor(100);
  Desk.FailNext("MagSetWindowSource", win::ERROR_ACCESS_DENIED, 1, Proc.Pid);
  Desk.DialogResponder = nullptr;
  Desk.RunFor(100);
  ASSERT_EQ(Desk.Dialogs.size(), 2u);
  EXPECT_EQ(Desk.Dialogs[1].Text, u"かくだい もとを せってー できません: (Access is denied)");
}

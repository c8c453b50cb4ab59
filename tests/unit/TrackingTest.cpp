// The 50 ms tracking step: the source area in both modes and every anchor,
// the z-order call, and what the step costs.
#include <gtest/gtest.h>

#include <memory>

#include "AllocationCounter.h"
#include "Framework.h"
#include "Main.h"
#include "SimDesktop.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

// One monitor of 1920 x 1080 at (0, 0); the loupe at (100, 100), 268 x 220,
// frame 4, rate 2.0: magnifier 260 x 212, source 130 x 106.
class TrackingTest : public ::testing::Test {
 protected:
  TSimDesktop Desk;
  TSimProcess& Proc = Desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  TApplication App{Proc};
  std::unique_ptr<TMainForm> Form;

  void SetUp() override {
    App.Initialize();
    Form = std::make_unique<TMainForm>(App);
    Form->SetBounds(100, 100, 268, 220);
  }
  TRect Step(TLoupeMode mode) {
    Form->UpdateMagnifier(mode);
    return Desk.Window(Form->MagHandle())->Source;
  }
  TRect WindowMode(TLoupeSrcOrigin origin) {
    Form->LoupeSrcOrigin = origin;
    return Step(lmWindow);
  }
};

}  // namespace

TEST_F(TrackingTest, PointerModeCentresOnThePointerAndStopsAtTheEdges) {
  ASSERT_EQ(Form->SrcWidth(), 130);
  Desk.Cursor = {960, 540};
  EXPECT_EQ(Step(lmPointer), (TRect{895, 487, 1025, 593}));
  Desk.Cursor = {10, 10};
  EXPECT_EQ(Step(lmPointer), (TRect{0, 0, 130, 106}));
  // The upper bounds are the desktop's size less the source size.
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
  const TRect before = Desk.Window(Form->MagHandle())->Source;
  EXPECT_EQ(WindowMode(static_cast<TLoupeSrcOrigin>(9)), before);
  // The source always has the computed size.
  Form->SetBounds(300, 200, 301, 251);
  for (int o = lsoTopLeft; o <= lsoCenter; ++o) {
    const TRect r = WindowMode(static_cast<TLoupeSrcOrigin>(o));
    EXPECT_EQ(r.Width(), Form->SrcWidth());
    EXPECT_EQ(r.Height(), Form->SrcHeight());
  }
}

TEST_F(TrackingTest, EveryStepReassertsTheZOrder) {
  Desk.ClearCalls();
  Form->IsTopmost = false;
  Form->UpdateMagnifier(lmPointer);
  Form->IsTopmost = true;
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

TEST_F(TrackingTest, TheStepMakesOnlyItsOwnCallsAndAllocatesNothing) {
  Desk.Cursor = {500, 500};
  Form->UpdateMagnifier(lmPointer);  // warm up
  for (const TLoupeMode mode : {lmPointer, lmWindow}) {
    Desk.ClearCalls();
    long allocations;
    {
      lensoro::test::TAllocationScope scope;
      for (int i = 0; i < 50; ++i) Form->UpdateMagnifier(mode);
      allocations = scope.Count();
    }
    EXPECT_EQ(allocations, 0) << "mode " << int(mode);
    EXPECT_EQ(Desk.CountCalls("GetSystemMetrics"), 50 * 4);
    EXPECT_EQ(Desk.CountCalls("MagSetWindowSource"), 50);
    EXPECT_EQ(Desk.CountCalls("SetWindowPos"), 50);
    EXPECT_EQ(Desk.CountCalls("GetCursorPos"), mode == lmPointer ? 50 : 0);
    EXPECT_EQ(Desk.CountCalls("GetWindowRect"), mode == lmWindow ? 50 : 0);
    EXPECT_EQ(static_cast<int>(Desk.Calls().size()), 50 * 7);
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

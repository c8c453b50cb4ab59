// The loupe window under the user's hands: resize zones, dragging, the
// double-click, the wheel, and a resize.
#include <gtest/gtest.h>

#include <memory>

#include "Application.h"
#include "LoupeTest.h"
#include "Main.h"
#include "SimDesktop.h"
#include "TestFiles.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

LPARAM Point(int x, int y) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16) |
                             static_cast<std::uint16_t>(x));
}

WPARAM Wheel(int delta, WPARAM keys) {
  return (static_cast<WPARAM>(static_cast<std::uint16_t>(delta)) << 16) | keys;
}

class LoupeWindowTest : public test::TLoupeTest {
 protected:
  LoupeWindowTest() : TLoupeTest(u"C:\\Tools\\lensoro.exe") {}
  void SetUp() override {
    Copy.Create();
    Form->SetBounds(100, 100, 268, 220);
  }
  LRESULT Send(UINT msg, WPARAM w, LPARAM l) { return Proc.SendMessageW(Form->Handle(), msg, w, l); }
  int MoveRequests() {
    int n = 0;
    for (const auto& c : Desk.Calls())
      if (std::string(c.Name) == "SendMessageW" && c.A[1] == win::WM_NCLBUTTONDOWN && c.A[2] == win::HTCAPTION) ++n;
    return n;
  }
};

}  // namespace

TEST(LoupeHitTest, ZonesAreSixPixelsLeftAndTopAndFiveRightAndBottom) {
  const TRect r{100, 100, 368, 320};
  EXPECT_EQ(LoupeHitTest(r, 103, 200, 1), 10);  // HTLEFT
  EXPECT_EQ(LoupeHitTest(r, 366, 318, 1), 17);  // HTBOTTOMRIGHT
  EXPECT_EQ(LoupeHitTest(r, 105, 105, 1), 13);  // HTTOPLEFT
  EXPECT_EQ(LoupeHitTest(r, 106, 105, 1), 12);  // HTTOP
  EXPECT_EQ(LoupeHitTest(r, 200, 200, 1), 1);   // the framework's result
  EXPECT_EQ(LoupeHitTest(r, 362, 200, 1), 1);   // dr = 6
  EXPECT_EQ(LoupeHitTest(r, 363, 200, 1), 11);  // dr = 5: HTRIGHT
  EXPECT_EQ(LoupeHitTest(r, 200, 315, 1), 15);  // db = 5: HTBOTTOM
  EXPECT_EQ(LoupeHitTest(r, 364, 101, 1), 14);  // HTTOPRIGHT
  EXPECT_EQ(LoupeHitTest(r, 101, 317, 1), 16);  // HTBOTTOMLEFT
}

TEST_F(LoupeWindowTest, HitTestReadsSignedCoordinates) {
  EXPECT_EQ(Send(win::WM_NCHITTEST, 0, Point(103, 200)), 10);
  EXPECT_EQ(Send(win::WM_NCHITTEST, 0, Point(200, 200)), win::HTCLIENT);
  // A loupe on a monitor left of the primary one.
  Form->SetBounds(-400, 100, 268, 220);
  EXPECT_EQ(Send(win::WM_NCHITTEST, 0, Point(-398, 200)), 10);
  EXPECT_EQ(Send(win::WM_NCHITTEST, 0, Point(-136, 200)), 11);
}

TEST_F(LoupeWindowTest, LeftButtonDragsUnlessAModifierIsHeld) {
  Desk.ClearCalls();
  Send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, Point(50, 50));
  EXPECT_EQ(MoveRequests(), 1);
  EXPECT_EQ(Desk.CountCalls("ReleaseCapture"), 1);
  Send(win::WM_LBUTTONDOWN, win::MK_LBUTTON | win::MK_CONTROL, Point(50, 50));
  Send(win::WM_LBUTTONDOWN, win::MK_LBUTTON | win::MK_SHIFT, Point(50, 50));
  Desk.KeysDown[win::VK_MENU] = true;
  Send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, Point(50, 50));
  Desk.KeysDown[win::VK_MENU] = false;
  EXPECT_EQ(MoveRequests(), 1);
  // The right button drags too while the left one is held.
  Send(win::WM_RBUTTONDOWN, win::MK_LBUTTON | win::MK_RBUTTON, Point(50, 50));
  EXPECT_EQ(MoveRequests(), 2);
}

TEST_F(LoupeWindowTest, DoubleClickTogglesTheModeAndItsFrame) {
  Desk.ClearCalls();
  Send(win::WM_LBUTTONDBLCLK, win::MK_LBUTTON, Point(50, 50));
  EXPECT_EQ(Parts(Form).Settings.LoupeMode, lmWindow);
  EXPECT_EQ(Form->Color(), clAqua);
  EXPECT_EQ(MoveRequests(), 0) << "the second press of a double-click does not drag";
  Send(win::WM_LBUTTONDBLCLK, win::MK_LBUTTON, Point(50, 50));
  EXPECT_EQ(Parts(Form).Settings.LoupeMode, lmPointer);
  EXPECT_EQ(Form->Color(), clLime);
}

TEST_F(LoupeWindowTest, CtrlWheelZoomsByWholeNotches) {
  ASSERT_EQ(Parts(Form).Settings.LoupeRate, 2.0f);
  Send(win::WM_MOUSEWHEEL, Wheel(120, win::MK_CONTROL), Point(0, 0));
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, 2.1f);
  // Half notches add up to one step.
  Send(win::WM_MOUSEWHEEL, Wheel(60, win::MK_CONTROL), Point(0, 0));
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, 2.1f);
  Send(win::WM_MOUSEWHEEL, Wheel(60, win::MK_CONTROL), Point(0, 0));
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, ZoomInRate(2.1f));
  // Three turns of 40 units make one step.
  const float beforeThirds = Parts(Form).Settings.LoupeRate;
  for (int i = 0; i < 3; ++i) Send(win::WM_MOUSEWHEEL, Wheel(40, win::MK_CONTROL), Point(0, 0));
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, ZoomInRate(beforeThirds));
  // Two notches down at once are two steps.
  const float now = Parts(Form).Settings.LoupeRate;
  Send(win::WM_MOUSEWHEEL, Wheel(-240, win::MK_CONTROL), Point(0, 0));
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, ZoomOutRate(ZoomOutRate(now)));
  // Without Ctrl, or with Shift or Alt as well, nothing.
  const float kept = Parts(Form).Settings.LoupeRate;
  Send(win::WM_MOUSEWHEEL, Wheel(120, 0), Point(0, 0));
  Send(win::WM_MOUSEWHEEL, Wheel(120, win::MK_CONTROL | win::MK_SHIFT), Point(0, 0));
  Desk.KeysDown[win::VK_MENU] = true;
  Send(win::WM_MOUSEWHEEL, Wheel(120, win::MK_CONTROL), Point(0, 0));
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, kept);
}

TEST_F(LoupeWindowTest, TheMagnifierFollowsAResizeAndKeepsTheRate) {
  Form->SetBounds(100, 100, 300, 300);
  const TSimWindow& mag = *Desk.Window(Form->Magnifier().Handle());
  EXPECT_EQ(mag.Rect, (TRect{104, 104, 104 + 292, 104 + 292}));
  EXPECT_EQ(Form->Magnifier().SrcWidth(), 146);
  EXPECT_EQ(Form->Magnifier().SrcHeight(), 146);
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, 2.0f);
  // With no frame the resize zones lie over the image.
  Form->SetFrameWidth(0);
  EXPECT_EQ(Desk.Window(Form->Magnifier().Handle())->Rect, Desk.Window(Form->Handle())->Rect);
  EXPECT_EQ(Send(win::WM_NCHITTEST, 0, Point(101, 200)), 10);
}

TEST_F(LoupeWindowTest, MovingAndSizingClaimTheTop) {
  for (const UINT msg : {win::WM_ENTERSIZEMOVE, win::WM_MOVING, win::WM_EXITSIZEMOVE}) {
    Parts(Form).IsTopmost = false;
    TRect proposed{0, 0, 10, 10};
    EXPECT_EQ(Send(msg, 0, reinterpret_cast<LPARAM>(&proposed)), 0);
    EXPECT_TRUE(Parts(Form).IsTopmost) << msg;
  }
}

TEST_F(LoupeWindowTest, ADraggedEdgeStopsAtTheSmallestImagePlusTheFrame) {
  // Frame 4 at 96 DPI: an image of 32 x 32 in a window of 40 x 40.
  const struct {
    const char* Name;
    int FrameWidth, Hit, Dx, Dy;
    TRect After;
  } cases[] = {
      {"right edge past the left one", 4, win::HTRIGHT, -300, 0, {100, 100, 140, 320}},
      {"left edge past the right one", 4, win::HTLEFT, 300, 0, {328, 100, 368, 320}},
      {"top edge past the bottom", 4, win::HTTOP, 0, 500, {100, 280, 368, 320}},
      {"corner to nothing", 4, win::HTBOTTOMRIGHT, -1000, -1000, {100, 100, 140, 140}},
      {"above the smallest size", 4, win::HTRIGHT, -100, 0, {100, 100, 268, 320}},
      {"a wider frame", 10, win::HTBOTTOMLEFT, 400, -400, {316, 100, 368, 152}},
  };
  for (const auto& c : cases) {
    Form->SetFrameWidth(c.FrameWidth);
    Form->SetBounds(100, 100, 268, 220);
    ASSERT_TRUE(Desk.DragEdge(Form->Handle(), c.Hit, c.Dx, c.Dy)) << c.Name;
    EXPECT_EQ(Form->BoundsRect(), c.After) << c.Name;
    EXPECT_EQ(Desk.Window(Form->Magnifier().Handle())->Rect.Width(), c.After.Width() - 2 * c.FrameWidth) << c.Name;
  }
  // A wider frame on the smallest loupe makes the window larger, not the image smaller.
  Form->SetFrameWidth(4);
  Form->SetBounds(100, 100, 40, 40);
  Form->SetFrameWidth(10);
  EXPECT_EQ(Form->BoundsRect(), (TRect{100, 100, 152, 152}));
  // Hidden to the tray and back, it is as it was.
  Form->MinimizeToTray();
  Form->RestoreFromTray();
  EXPECT_EQ(Form->BoundsRect(), (TRect{100, 100, 152, 152}));
  EXPECT_TRUE(Desk.Window(Form->Handle())->Visible);
}

// The settings a loupe starts with, on one 1920 x 1080 monitor: too small
// ones are raised, places that cannot be taken hold of are moved.
TEST(LoupeOnMonitors, AtStartTheLoupeIsLargeEnoughAndCanBeTakenHoldOf) {
  const struct {
    const char* Name;
    int PixelsPerInch;
    const char16_t* Settings;
    TRect Bounds;
  } cases[] = {
      {"17 x 17 pixels in the corner",
       96,
       u"Left=1903\r\nTop=1063\r\nWidth=268\r\nHeight=220",
       {1652, 860, 1920, 1080}},
      {"60 pixels on the screen", 96, u"Left=1860\r\nTop=100\r\nWidth=268\r\nHeight=220", {1860, 100, 2128, 320}},
      {"60 pixels at 144 DPI", 144, u"Left=1860\r\nTop=100\r\nWidth=268\r\nHeight=220", {1652, 100, 1920, 320}},
      {"no width (kept) and 5 high", 96, u"Left=100\r\nTop=100\r\nWidth=0\r\nHeight=5", {100, 100, 368, 140}},
      {"too small at 144 DPI", 144, u"Left=100\r\nTop=100\r\nWidth=10\r\nHeight=300", {100, 100, 156, 400}},
      {"smallest, frame 0, half on",
       96,
       u"Left=1904\r\nTop=100\r\nWidth=32\r\nHeight=32\r\n[Loupe]\r\nFrameWidth=0",
       {1888, 100, 1920, 132}},
      // Hand-edited extremes: no sum overflows, the loupe comes onto the screen.
      {"the least int", 96, u"Left=-2147483648\r\nTop=-2147483648\r\nWidth=268\r\nHeight=220", {0, 0, 268, 220}},
      {"the greatest int",
       96,
       u"Left=2147483647\r\nTop=2147483647\r\nWidth=268\r\nHeight=220",
       {1652, 860, 1920, 1080}},
      {"the greatest size", 96, u"Left=-5\r\nTop=7\r\nWidth=2147483647\r\nHeight=$7FFFFFFF", {-5, 7, 1915, 1087}},
  };
  for (const auto& c : cases) {
    TSimDesktop desk;
    desk.PixelsPerInch = c.PixelsPerInch;
    TSimProcess& proc = test::AddLensoro(desk, u"C:\\Tools\\lensoro.exe");
    desk.AddFile(u"C:\\Tools\\lensoro.ini", test::Utf16File(std::u16string(u"[MainForm]\r\n") + c.Settings + u"\r\n"));
    TApplication app(proc);
    app.Initialize();
    TMainForm form(app);
    EXPECT_EQ(form.BoundsRect(), c.Bounds) << c.Name;
  }
}

// Monitors: a 1920 x 1080 primary (task bar 40 high at its bottom) and a
// 1280 x 1024 one left of it, 200 higher.
const std::vector<TMonitorInfo> TwoMonitors = {
    {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
    {{-1280, -200, 0, 824}, {-1280, -200, 0, 824}},
};

TEST(FitOnMonitors, KeepsAPlaceThatCanBeTakenHoldOfAndBringsBackTheOthers) {
  const struct {
    const char* Name;
    TRect Bounds, Fitted;
  } cases[] = {
      {"on the primary", {243, 478, 511, 698}, {243, 478, 511, 698}},
      {"on the left one, negative", {-1200, -150, -932, 70}, {-1200, -150, -932, 70}},
      {"astride both", {-100, 700, 168, 920}, {-100, 700, 168, 920}},
      {"half off the right edge", {1800, 500, 2068, 720}, {1800, 500, 2068, 720}},
      {"48 wide on the primary", {1872, 500, 2140, 720}, {1872, 500, 2140, 720}},
      {"47 wide on the primary", {1873, 500, 2141, 720}, {1652, 500, 1920, 720}},
      {"17 x 17 in the primary's corner", {1903, 1063, 2171, 1283}, {1652, 820, 1920, 1040}},
      {"40 on each of both", {-40, 100, 40, 320}, {0, 100, 80, 320}},
      {"40 on the primary, 48 on the left one", {-48, 100, 40, 320}, {-48, 100, 40, 320}},
      {"smaller than the grip, whole on the primary", {1900, 10, 1920, 30}, {1900, 10, 1920, 30}},
      {"smaller than the grip, half on the primary", {1910, 10, 1930, 30}, {1900, 10, 1920, 30}},
      {"far right and below", {3000, 2000, 3268, 2220}, {1652, 820, 1920, 1040}},
      {"in the gap above the primary", {500, -150, 768, -10}, {500, 0, 768, 140}},
      {"below the left one", {-900, 900, -632, 1120}, {-900, 604, -632, 824}},
      {"far left, wider than the screen", {-99999, 100, 899999, 320}, {-1280, 100, 0, 320}},
      {"taller than the screen, on it", {10, 10, 278, 5000}, {10, 10, 278, 1290}},
  };
  for (const auto& c : cases) EXPECT_EQ(FitOnMonitors(c.Bounds, TwoMonitors, 48), c.Fitted) << c.Name;
  // Without monitors to go by, nothing moves.
  EXPECT_EQ(FitOnMonitors({3000, 2000, 3268, 2220}, {}, 48), (TRect{3000, 2000, 3268, 2220}));
}

// A settings file from another PC, or a monitor since unplugged.
TEST(LoupeOnMonitors, OffScreenAtStartOrAfterAMonitorLeavesComesBack) {
  TSimDesktop desk;
  TSimProcess& proc = test::AddLensoro(desk, u"C:\\Tools\\lensoro.exe");
  desk.ChangeDisplays(TwoMonitors);
  desk.AddFile(u"C:\\Tools\\lensoro.ini",
               test::Utf16File(u"[MainForm]\r\nLeft=3000\r\nTop=2000\r\nWidth=300\r\nHeight=240\r\n"));
  TApplication app(proc);
  app.Initialize();
  TMainForm form(app);
  EXPECT_EQ(form.BoundsRect(), (TRect{1620, 800, 1920, 1040}));
  EXPECT_EQ(desk.Window(form.Magnifier().Handle())->Rect, (TRect{1624, 804, 1916, 1036}));

  // On the left monitor it stays; when that monitor goes, the loupe follows.
  form.SetBounds(-1000, -100, 300, 240);
  desk.ChangeDisplays({TwoMonitors[0]});
  EXPECT_EQ(form.BoundsRect(), (TRect{0, 0, 300, 240}));
  desk.ChangeDisplays(TwoMonitors);
  EXPECT_EQ(form.BoundsRect(), (TRect{0, 0, 300, 240}));
  EXPECT_TRUE(desk.Dialogs.empty());
}

// The separator's lines for each shape, direction and size.
#include <gtest/gtest.h>

#include "Application.h"
#include "RsSpacer.h"
#include "SimDesktop.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {
constexpr DWORD Dark = 0x00808080u, Light = 0x00FFFFFFu;
}

TEST(RsSpacer, LinesForEachShapeAndDirection) {
  // The About dialog's horizontal separator, 346 x 5.
  EXPECT_EQ(SpacerLines(lsSingle, ldHorizontal, 346, 5, Dark, Light),
            (std::vector<TSpacerLine>{{{2, 1}, {344, 1}, Dark}}));
  EXPECT_EQ(SpacerLines(lsDouble, ldHorizontal, 346, 5, Dark, Light),
            (std::vector<TSpacerLine>{{{2, 1}, {344, 1}, Dark}, {{2, 2}, {344, 2}, Light}}));
  // Its vertical one, 10 x 166.
  EXPECT_EQ(SpacerLines(lsSingle, ldVertical, 10, 166, Dark, Light),
            (std::vector<TSpacerLine>{{{4, 2}, {4, 164}, Dark}}));
  EXPECT_EQ(SpacerLines(lsDouble, ldVertical, 50, 50, Dark, Light),
            (std::vector<TSpacerLine>{{{24, 2}, {24, 48}, Dark}, {{25, 2}, {25, 48}, Light}}));
  // An odd size puts the first line just above the middle.
  EXPECT_EQ(SpacerLines(lsSingle, ldHorizontal, 50, 7, Dark, Light)[0].From.Y, 2);
  EXPECT_TRUE(SpacerLines(lsNone, ldHorizontal, 346, 5, Dark, Light).empty());
}

TEST(RsSpacer, TooSmallForALineDrawsNone) {
  EXPECT_TRUE(SpacerLines(lsDouble, ldHorizontal, 4, 5, Dark, Light).empty());
  EXPECT_TRUE(SpacerLines(lsSingle, ldVertical, 10, 3, Dark, Light).empty());
  EXPECT_TRUE(SpacerLines(lsSingle, ldHorizontal, -20, 5, Dark, Light).empty());
  // Five pixels leave one pixel between the margins.
  EXPECT_EQ(SpacerLines(lsSingle, ldHorizontal, 5, 5, Dark, Light),
            (std::vector<TSpacerLine>{{{2, 1}, {3, 1}, Dark}}));
  // A flat control still draws, at y = -1 it lies outside and clips.
  EXPECT_EQ(SpacerLines(lsSingle, ldHorizontal, 20, 0, Dark, Light)[0].From.Y, -1);
}

TEST(RsSpacer, PaintsItsLinesAndRedrawsOnEveryChange) {
  TSimDesktop desk;
  TSimProcess& proc = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  TApplication app(proc);
  app.Initialize();
  TForm form(app);
  TRsSpacer spacer(&form);
  EXPECT_EQ(spacer.Width(), 50);
  EXPECT_EQ(spacer.Shape(), lsNone);
  EXPECT_EQ(spacer.Direction(), ldVertical);
  spacer.SetBounds(10, 10, 100, 6);
  spacer.SetShape(lsDouble);
  spacer.SetDirection(ldHorizontal);
  ASSERT_TRUE(form.Show());
  auto lines = [&] {
    TSimWindow* w = desk.Window(spacer.Handle());
    w->PaintLog.clear();
    desk.Paint(spacer.Handle());
    std::vector<std::pair<TRect, DWORD>> found;
    for (const TSimPaintOp& op : w->PaintLog) {
      if (op.Op == "LineTo") found.push_back({op.Rect, op.Color});
    }
    return found;
  };
  const DWORD shadow = proc.GetSysColor(16), highlight = proc.GetSysColor(20);
  EXPECT_EQ(lines(), (std::vector<std::pair<TRect, DWORD>>{{{2, 2, 98, 2}, shadow}, {{2, 3, 98, 3}, highlight}}));

  const int before = desk.Window(spacer.Handle())->InvalidateCount;
  spacer.SetTopLeftColor(0x000000FFu);
  spacer.SetBottomRightColor(0x0000FF00u);
  spacer.SetShape(lsSingle);
  EXPECT_EQ(desk.Window(spacer.Handle())->InvalidateCount, before + 3);
  EXPECT_EQ(lines(), (std::vector<std::pair<TRect, DWORD>>{{{2, 2, 98, 2}, 0x000000FFu}}));

  // Custom drawing replaces the lines.
  int customCalls = 0;
  spacer.OnCustomDrawSpacer = [&](TRsSpacer& sender, TCanvas& canvas) {
    ++customCalls;
    EXPECT_EQ(&sender, &spacer);
    canvas.Brush.Color = 0x00123456u;
    canvas.FillRect(sender.ClientRect());
  };
  spacer.SetCustomDraw(true);
  EXPECT_TRUE(lines().empty());
  EXPECT_EQ(customCalls, 1);
}

// The tray icon component against the simulated shell: adding, retrying,
// deleting, the taskbar's restart, the tip, the images, the mouse, balloons.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Application.h"
#include "Format.h"
#include "LnsImage.h"
#include "Menus.h"
#include "RsTrayIcon.h"
#include "SimDesktop.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

// A list of 16 x 16 images, image i opaque with red = 10 * (i + 1).
TPngImageList Images(int count) {
  TPngImageList list;
  for (int i = 0; i < count; ++i) {
    TPngImage image;
    AllocPngImage(image, 16, 16, true);
    for (int p = 0; p < 256; ++p) image.Pixels[p * 4] = static_cast<std::uint8_t>(10 * (i + 1));
    list.push_back(image);
  }
  return list;
}

class TrayIconTest : public ::testing::Test {
 protected:
  TSimDesktop Desk;
  TSimProcess& Proc = Desk.AddProcess(u"C:\\Tools\\Lensoro\\lensoro.exe");
  TApplication App{Proc};
  std::unique_ptr<TRsTrayIcon> Tray;
  std::vector<std::string> Events;

  void SetUp() override {
    App.Initialize();
    Tray = std::make_unique<TRsTrayIcon>(App);
  }
  const TSimDesktop::TSimTrayIcon* Shell() const { return Desk.TrayIcon(Tray->WindowHandle(), Tray->WindowHandle()); }
  // Red of the first pixel of the icon the shell shows; -1 when none.
  int ShownRed() const {
    const TSimDesktop::TSimTrayIcon* icon = Shell();
    const TSimDesktop::TSimIcon* bits = icon ? Desk.Icon(icon->Data.hIcon) : nullptr;
    return bits ? bits->Bits.ColorBgra[2] : -1;
  }
  void Mouse(UINT message) {
    ASSERT_TRUE(Desk.TrayMouse(Tray->WindowHandle(), Tray->WindowHandle(), message));
    Desk.RunFor(0);
  }
  void RecordEvents() {
    Tray->OnClick = [this] { Events.push_back("click"); };
    Tray->OnDblClick = [this] { Events.push_back("dblclick"); };
    Tray->OnMouseDown = [this](TMouseButton b, TShiftState s, int x, int y) {
      Events.push_back("down" + std::to_string(static_cast<int>(b)) + "/" + std::to_string(s) + "@" +
                       std::to_string(x) + "," + std::to_string(y));
    };
    Tray->OnMouseUp = [this](TMouseButton b, TShiftState, int, int) {
      Events.push_back("up" + std::to_string(static_cast<int>(b)));
    };
    Tray->OnMouseMove = [this](TShiftState, int, int) { Events.push_back("move"); };
  }
};

}  // namespace

TEST_F(TrayIconTest, StartsHiddenWithItsRecordReadyAndAddsTheFixedIconWhenShown) {
  const TSimWindow* w = Desk.Window(Tray->WindowHandle());
  ASSERT_NE(w, nullptr);
  EXPECT_FALSE(w->Visible);
  EXPECT_EQ(w->Parent, 0u);  // top-level, so the taskbar's broadcast reaches it
  EXPECT_GE(Tray->CallbackMessage(), 1023u);
  EXPECT_LE(Tray->CallbackMessage(), 32767u);
  const TNotifyIconData& d = Tray->IconData();
  EXPECT_EQ(d.cbSize, 956u);
  EXPECT_EQ(d.hWnd, Tray->WindowHandle());
  EXPECT_EQ(d.uID, Tray->WindowHandle());
  EXPECT_EQ(d.uFlags, 7u);
  EXPECT_EQ(d.uTimeout, 10000u);
  EXPECT_EQ(Desk.CountCalls("Shell_NotifyIconW"), 0);
  EXPECT_TRUE(Desk.TrayIcons.empty());

  // No fixed icon given: the application's own icon is shown.
  Tray->SetVisible(true);
  ASSERT_NE(Shell(), nullptr);
  EXPECT_TRUE(Tray->Loaded());
  EXPECT_EQ(Shell()->Data.uCallbackMessage, Tray->CallbackMessage());
  ASSERT_NE(Desk.Icon(Shell()->Data.hIcon), nullptr);
  EXPECT_EQ(Desk.Icon(Shell()->Data.hIcon)->Bits.ColorBgra, Desk.AppIcon.ColorBgra);
  // Shown again: nothing more is sent.
  Tray->SetVisible(true);
  EXPECT_EQ(Desk.CountCalls("Shell_NotifyIconW"), 1);

  Tray->SetVisible(false);
  EXPECT_TRUE(Desk.TrayIcons.empty());
  EXPECT_FALSE(Tray->Loaded());
  Tray->SetVisible(true);
  const HWND window = Tray->WindowHandle();
  Tray.reset();
  EXPECT_TRUE(Desk.TrayIcons.empty());
  EXPECT_EQ(Desk.Window(window), nullptr);
  EXPECT_EQ(Desk.IconCount(Proc.Pid), 0);  // every icon it made is freed
}

TEST_F(TrayIconTest, TipTriplesAmpersandsAndShowsAtMost127Characters) {
  Tray->SetVisible(true);
  Tray->SetHint(u"Tom&Jerry");
  EXPECT_EQ(Tray->Hint(), u"Tom&&&Jerry");
  EXPECT_EQ(std::u16string(Shell()->Data.szTip), u"Tom&&&Jerry");

  const std::u16string longTip(100, u'a');
  Tray->SetHint(longTip + u"&" + longTip);
  EXPECT_EQ(Tray->Hint().size(), 203u);
  const std::u16string shown(Shell()->Data.szTip);
  EXPECT_EQ(shown, longTip + u"&&&" + std::u16string(24, u'a'));

  // A character outside the BMP at the cut is left out whole, not halved.
  Tray->SetHint(std::u16string(126, u'b') + u"\U0001F50D");
  EXPECT_EQ(std::u16string(Shell()->Data.szTip), std::u16string(126, u'b'));
}

TEST_F(TrayIconTest, ASetIconIsCopiedATakenOneKeptAndFreedWithTheTray) {
  const HICON lent = Proc.LoadImageW(1, 16, 16);
  Tray->SetIcon(lent);
  EXPECT_NE(Tray->Icon().Handle(), lent);
  Proc.DestroyIcon(lent);
  const HICON given = Proc.LoadImageW(1, 16, 16);
  Tray->TakeIcon(given);
  Tray->SetVisible(true);
  EXPECT_EQ(Shell()->Data.hIcon, given);
  Tray.reset();
  EXPECT_EQ(Desk.IconCount(Proc.Pid), 0);
}

TEST_F(TrayIconTest, ImageListIndexShowsItsImageAndTheSameIndexSendsNothing) {
  const TPngImageList list = Images(3);
  Tray->SetIcons(&list);
  Tray->SetVisible(true);
  EXPECT_EQ(ShownRed(), Desk.AppIcon.ColorBgra[2]);  // added with the fixed icon

  Tray->SetIconIndex(2);
  EXPECT_EQ(ShownRed(), 30);
  const int sent = Desk.CountCalls("Shell_NotifyIconW");
  Tray->SetIconIndex(2);
  EXPECT_EQ(Desk.CountCalls("Shell_NotifyIconW"), sent);

  // An index the list does not hold shows an empty icon.
  Tray->SetIconIndex(7);
  EXPECT_EQ(Shell()->Data.hIcon, 0u);
  Tray->SetIconIndex(-1);
  EXPECT_EQ(Shell()->Data.hIcon, 0u);
  Tray->SetIconIndex(0);
  EXPECT_EQ(ShownRed(), 10);
}

TEST_F(TrayIconTest, TimedOutAddIsRetriedEverySecondThenGivesUpWithItsMessage) {
  const TPngImageList list = Images(2);
  Tray->SetIcons(&list);
  Desk.FailNext("Shell_NotifyIconW", win::ERROR_TIMEOUT, 3);
  Tray->SetVisible(true);
  EXPECT_FALSE(Tray->Loaded());
  EXPECT_TRUE(Tray->Retrying());
  // Changes made meanwhile reach the shell with the next add only.
  Tray->SetHint(u"Lensoro");
  Tray->SetIconIndex(1);
  Desk.RunFor(2999);  // the add and the retries after one and two seconds fail
  EXPECT_EQ(Shell(), nullptr);
  Desk.RunFor(1);
  ASSERT_NE(Shell(), nullptr);
  EXPECT_FALSE(Tray->Retrying());
  EXPECT_EQ(std::u16string(Shell()->Data.szTip), u"Lensoro");
  // The retry adds the fixed icon, not the list image.
  EXPECT_EQ(ShownRed(), Desk.AppIcon.ColorBgra[2]);
  EXPECT_EQ(Desk.CountCalls("Shell_NotifyIconW"), 4);
  EXPECT_TRUE(Desk.Dialogs.empty());
}

TEST_F(TrayIconTest, AnAddThatSucceedsWhileARetryIsPendingEndsTheRetry) {
  Desk.FailNext("Shell_NotifyIconW", win::ERROR_TIMEOUT);
  Tray->SetVisible(true);
  ASSERT_TRUE(Tray->Retrying());
  // Shown again before the first retry: this add is accepted.
  Tray->SetVisible(true);
  ASSERT_NE(Shell(), nullptr);
  EXPECT_FALSE(Tray->Retrying());
  Desk.RunFor(40000);
  EXPECT_EQ(Desk.TrayIcons.size(), 1u);
  EXPECT_TRUE(Tray->Loaded());
  EXPECT_EQ(Desk.CountCalls("Shell_NotifyIconW"), 2);
  EXPECT_TRUE(Desk.Dialogs.empty());
}

TEST_F(TrayIconTest, ThirtyFailedRetriesEndInTheAddError) {
  Desk.FailNext("Shell_NotifyIconW", win::ERROR_TIMEOUT, 100);
  Tray->SetVisible(true);
  Desk.RunFor(29000);
  EXPECT_TRUE(Tray->Retrying());
  EXPECT_TRUE(Desk.Dialogs.empty());
  Desk.RunFor(1000);
  EXPECT_FALSE(Tray->Retrying());
  EXPECT_FALSE(Tray->Loaded());
  EXPECT_EQ(Desk.CountCalls("Shell_NotifyIconW"), 31);  // the add and 30 retries
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.Dialogs[0].Text, u"RsTrayIcon cannot add a tray icon.");
  EXPECT_EQ(Desk.Dialogs[0].Type, TMsgDlgType::Error);
  Desk.RunFor(10000);
  EXPECT_EQ(Desk.CountCalls("Shell_NotifyIconW"), 31);
}

TEST_F(TrayIconTest, OtherAddFailuresAreSilentAndHidingStopsARetry) {
  Desk.FailNext("Shell_NotifyIconW", win::ERROR_ACCESS_DENIED);
  Tray->SetVisible(true);
  EXPECT_FALSE(Tray->Loaded());
  EXPECT_FALSE(Tray->Retrying());
  Desk.RunFor(5000);
  EXPECT_EQ(Desk.CountCalls("Shell_NotifyIconW"), 1);
  EXPECT_TRUE(Desk.Dialogs.empty());

  Tray->SetVisible(false);
  Desk.FailNext("Shell_NotifyIconW", win::ERROR_TIMEOUT);
  Tray->SetVisible(true);
  EXPECT_TRUE(Tray->Retrying());
  Tray->SetVisible(false);
  Desk.RunFor(5000);
  EXPECT_EQ(Shell(), nullptr);
  EXPECT_FALSE(Tray->Retrying());
}

TEST_F(TrayIconTest, RefusedDeleteRaisesItsErrorAndKeepsTheIcon) {
  Tray->SetVisible(true);
  Desk.FailNext("Shell_NotifyIconW", win::ERROR_ACCESS_DENIED);
  try {
    Tray->SetVisible(false);
    FAIL() << "no error raised";
  } catch (const EOutOfResources& e) {
    EXPECT_STREQ(e.what(), "RsTrayIcon cannot delete a tray icon.");
  }
  EXPECT_TRUE(Tray->Loaded());
  EXPECT_NE(Shell(), nullptr);

  // At destruction the error goes to the application's report.
  Desk.FailNext("Shell_NotifyIconW", win::ERROR_ACCESS_DENIED);
  Tray.reset();
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.Dialogs[0].Text, u"RsTrayIcon cannot delete a tray icon.");
}

TEST_F(TrayIconTest, NewTaskbarGetsTheImageShownBeforeAndNothingWhenHidden) {
  const TPngImageList list = Images(3);
  Tray->SetIcons(&list);
  Tray->SetVisible(true);
  Tray->SetIconIndex(1);
  Tray->SetHint(u"tip");
  Desk.BroadcastTaskbarCreated();
  EXPECT_EQ(Shell(), nullptr);
  Desk.RunFor(0);
  ASSERT_NE(Shell(), nullptr);
  EXPECT_EQ(ShownRed(), 20);
  EXPECT_EQ(std::u16string(Shell()->Data.szTip), u"tip");

  Tray->SetVisible(false);
  Desk.BroadcastTaskbarCreated();
  Desk.RunFor(0);
  EXPECT_EQ(Shell(), nullptr);
  EXPECT_FALSE(Tray->Loaded());
}

TEST_F(TrayIconTest, MouseMessagesBecomeEventsInOrderAndForeignIdsAreIgnored) {
  RecordEvents();
  Tray->SetVisible(true);
  Desk.Cursor = {1700, 1060};
  Desk.KeysDown[win::VK_SHIFT] = true;
  Mouse(win::WM_LBUTTONDOWN);
  Desk.KeysDown[win::VK_SHIFT] = false;
  Mouse(win::WM_LBUTTONUP);
  EXPECT_EQ(Events, (std::vector<std::string>{"down0/1@1700,1060", "click", "up0"}));

  // A release without a press on the icon is no click.
  Events.clear();
  Mouse(win::WM_LBUTTONUP);
  Mouse(win::WM_MOUSEMOVE);
  Mouse(win::WM_LBUTTONDBLCLK);
  Mouse(win::WM_RBUTTONDBLCLK);
  Mouse(win::WM_MBUTTONDOWN);
  Mouse(win::WM_MBUTTONUP);
  EXPECT_EQ(Events, (std::vector<std::string>{"up0", "move", "dblclick", "dblclick", "down2/0@1700,1060", "up2"}));

  Events.clear();
  Proc.PostMessageW(Tray->WindowHandle(), Tray->CallbackMessage(), Tray->WindowHandle() + 1, win::WM_LBUTTONDOWN);
  Proc.PostMessageW(Tray->WindowHandle(), Tray->CallbackMessage(), Tray->WindowHandle() + 1, win::WM_LBUTTONUP);
  Desk.RunFor(0);
  EXPECT_TRUE(Events.empty());
}

TEST_F(TrayIconTest, RightReleaseOpensThePopupMenuWithTheApplicationInFront) {
  TPopupMenu menu(App);
  int chosen = 0;
  TMenuItem item;
  item.Caption = u"Quit";
  item.OnClick = [&chosen](TMenuItem&) { ++chosen; };
  menu.Items.push_back(item);
  RecordEvents();
  Tray->SetPopupMenu(&menu);
  Tray->SetVisible(true);
  Desk.Cursor = {1800, 1050};
  HWND foregroundDuringMenu = 0;
  Desk.MenuResponder = [&](TSimProcess&, const TSimDesktop::TSimMenuTrack& t) {
    foregroundDuringMenu = Desk.Foreground();
    return Desk.FindMenuItem(t.Menu, u"Quit");
  };
  Mouse(win::WM_RBUTTONDOWN);
  Mouse(win::WM_RBUTTONUP);
  EXPECT_EQ(Events, (std::vector<std::string>{"down1/0@1800,1050", "up1"}));
  ASSERT_EQ(Desk.MenuTracks.size(), 1u);
  EXPECT_EQ(Desk.MenuTracks[0].X, 1800);
  EXPECT_EQ(Desk.MenuTracks[0].Y, 1050);
  EXPECT_EQ(foregroundDuringMenu, App.Handle());
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(Desk.MenuCount(Proc.Pid), 0);

  // Without a menu the release is only an event.
  Tray->SetPopupMenu(nullptr);
  Mouse(win::WM_RBUTTONUP);
  EXPECT_EQ(Desk.MenuTracks.size(), 1u);
}

TEST_F(TrayIconTest, AnimationStepsThroughTheListAndStoppingShowsTheFixedIcon) {
  const TPngImageList list = Images(3);
  int ticks = 0;
  Tray->OnAnimate = [&ticks] { ++ticks; };
  Tray->SetIcons(&list);
  Tray->SetAnimateInterval(200);
  Tray->SetVisible(true);
  Tray->SetAnimate(true);
  EXPECT_TRUE(Tray->AnimationRunning());
  std::vector<int> shown;
  for (int i = 0; i < 4; ++i) {
    Desk.RunFor(200);
    shown.push_back(ShownRed());
  }
  EXPECT_EQ(shown, (std::vector<int>{20, 30, 10, 20}));
  EXPECT_EQ(ticks, 4);
  Tray->SetAnimate(false);
  EXPECT_FALSE(Tray->AnimationRunning());
  EXPECT_EQ(ShownRed(), Desk.AppIcon.ColorBgra[2]);

  // Hidden, switching it on starts nothing.
  Tray->SetVisible(false);
  Tray->SetAnimate(true);
  EXPECT_FALSE(Tray->AnimationRunning());
}

TEST_F(TrayIconTest, BalloonsCarryTheirFlagsAndNeedAShownIcon) {
  Tray->SetBalloonTitle(u"Title");
  Tray->SetBalloonHint(u"Text");
  Tray->SetBalloonFlags(rbfWarning);
  Tray->SetOptions(rbfoNoSound | rbfoRespectQuietTime);
  Tray->ShowBalloon();
  EXPECT_EQ(Desk.CountCalls("Shell_NotifyIconW"), 0);

  Tray->SetVisible(true);
  Tray->ShowBalloon();
  ASSERT_NE(Shell(), nullptr);
  EXPECT_EQ(Shell()->BalloonsShown, 1);
  EXPECT_EQ(Shell()->Data.dwInfoFlags, win::NIIF_WARNING | win::NIIF_NOSOUND | win::NIIF_RESPECT_QUIET_TIME);
  EXPECT_EQ(std::u16string(Shell()->Data.szInfoTitle), u"Title");
  EXPECT_EQ(Tray->IconData().uFlags, 7u);

  Tray->ShowBalloon(std::u16string(80, u't'), u"Other", rbfError, rbfoLargeIcon, 3000);
  EXPECT_EQ(Shell()->Data.dwInfoFlags, win::NIIF_ERROR | win::NIIF_LARGE_ICON);
  EXPECT_EQ(std::u16string(Shell()->Data.szInfoTitle).size(), 63u);
  EXPECT_EQ(Shell()->Data.uTimeout, 3000u);
  EXPECT_EQ(Tray->BalloonTitle(), u"Title");  // the stored properties stay

  Tray->HideBalloon();
  EXPECT_EQ(std::u16string(Shell()->Data.szInfo), u"");
  EXPECT_EQ(Shell()->BalloonsShown, 2);

  // A 32 x 32 balloon icon asks for the large icon.
  const HICON icon = Proc.CreateIconIndirect(32, 32, std::vector<std::uint8_t>(32 * 32 * 4, 0xFF));
  Tray->SetOptions(0);
  Tray->SetNotificationIcon(icon);
  EXPECT_EQ(Tray->Options(), rbfoLargeIcon);
  EXPECT_NE(Tray->IconData().hBalloonIcon, icon);  // a copy of its own
  EXPECT_NE(Desk.Icon(Tray->IconData().hBalloonIcon), nullptr);
  Proc.DestroyIcon(icon);
}

TEST_F(TrayIconTest, ChangesBetweenBeginAndEndUpdateReachTheShellAsOneModification) {
  const TPngImageList images = Images(3);
  Tray->SetIcons(&images);
  Tray->SetVisible(true);
  Desk.ClearCalls();
  Tray->BeginUpdate();
  Tray->BeginUpdate();  // nested: only the outer end sends
  Tray->SetHint(u"Lensoro");
  Tray->SetIconIndex(-1);
  Tray->SetIconIndex(2);
  Tray->EndUpdate();
  EXPECT_EQ(Desk.CountCalls("Shell_NotifyIconW"), 0);
  Tray->EndUpdate();
  EXPECT_EQ(Desk.CountCalls("Shell_NotifyIconW"), 1);
  EXPECT_EQ(ShownRed(), 30);
  EXPECT_EQ(std::u16string(Shell()->Data.szTip), u"Lensoro");

  // Nothing changed, or the icon not in the tray: nothing is sent.
  Tray->BeginUpdate();
  Tray->EndUpdate();
  Tray->EndUpdate();  // one end too many does no harm
  Tray->SetVisible(false);
  Desk.ClearCalls();
  Tray->BeginUpdate();
  Tray->SetIconIndex(1);
  Tray->EndUpdate();
  EXPECT_EQ(Desk.CountCalls("Shell_NotifyIconW"), 0);
}

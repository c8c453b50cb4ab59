// The shared routines: the single-instance and version checks, the image
// path of another window's process, the time stamp, waiting with messages.
#include <gtest/gtest.h>

#include "Application.h"
#include "Lensoro.h"
#include "LnsLib.h"
#include "Monitors.h"
#include "SimDesktop.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

// A running copy's loupe: a top-level window with the fixed caption.
HWND AddLoupe(TSimDesktop& desk, TSimProcess& owner, HWND ownerWindow = 0) {
  return desk.AddForeignWindow(owner.Pid, u"TMainForm", LoupeCaption, ownerWindow, {10, 10, 278, 230});
}

}  // namespace

TEST(SingleInstance, SamePathInOtherLetterCaseIsTheSameProgram) {
  TSimDesktop desk;
  TSimProcess& running = desk.AddProcess(u"C:\\TOOLS\\LENSORO.EXE");
  const HWND first = AddLoupe(desk, running);
  TSimProcess& second = desk.AddProcess(u"c:\\tools\\lensoro.exe");
  TApplication app(second);
  EXPECT_TRUE(IsAlreadyRunning(app));
  ASSERT_EQ(desk.Dialogs.size(), 1u);
  EXPECT_EQ(desk.Dialogs[0].Text, u"Lensoro is already running.");
  EXPECT_EQ(desk.Dialogs[0].Caption, u"Lensoro [Information]");
  EXPECT_EQ(desk.Dialogs[0].Type, TMsgDlgType::Warning);
  EXPECT_EQ(desk.Dialogs[0].Owner, 0u);
  EXPECT_EQ(desk.Foreground(), first);
}

TEST(SingleInstance, OtherProgramsAndOwnedWindowsDoNotCount) {
  TSimDesktop desk;
  TSimProcess& self = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  // The same caption from another executable, another copy's dialog, and an
  // untitled window of our own path.
  TSimProcess& impostor = desk.AddProcess(u"C:\\Other\\viewer.exe");
  AddLoupe(desk, impostor);
  TSimProcess& copy = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  const HWND copyMain = desk.AddForeignWindow(copy.Pid, u"TOther", u"x");
  AddLoupe(desk, copy, copyMain);  // owned: never considered
  desk.AddForeignWindow(copy.Pid, u"TMainForm", u"");
  TApplication app(self);
  EXPECT_FALSE(IsAlreadyRunning(app));
  EXPECT_TRUE(desk.Dialogs.empty());
  // ASCII letters fold, nothing else: a full-width variant is another title.
  EXPECT_TRUE(SameTextAscii(u"abcXYZ", u"ABCxyz"));
  EXPECT_FALSE(SameTextAscii(u"Ａ", u"ａ"));
}

TEST(SingleInstance, TheLastMatchIsTheOneRaised) {
  TSimDesktop desk;
  TSimProcess& a = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  const HWND first = AddLoupe(desk, a);
  const HWND second = AddLoupe(desk, a);
  // Enumeration runs top first: the window added first is now below.
  ASSERT_EQ(desk.TopLevelWindows().front(), second);
  TSimProcess& self = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  TApplication app(self);
  EXPECT_TRUE(IsAlreadyRunning(app));
  EXPECT_EQ(desk.Foreground(), first);
}

TEST(SingleInstance, UnreadableProcessesAndMappedDrives) {
  TSimDesktop desk;
  desk.MapDrive(u'N', u"\\\\server\\share");
  // A copy started through the UNC path; we start through the mapped drive.
  TSimProcess& running = desk.AddProcess(u"\\\\server\\share\\lensoro.exe");
  AddLoupe(desk, running);
  TSimProcess& self = desk.AddProcess(u"N:\\lensoro.exe");
  TApplication app(self);
  EXPECT_TRUE(IsAlreadyRunning(app));

  // A process that cannot be opened does not match.
  TSimDesktop desk2;
  TSimProcess& locked = desk2.AddProcess(u"C:\\Tools\\lensoro.exe");
  AddLoupe(desk2, locked);
  TSimProcess& self2 = desk2.AddProcess(u"C:\\Tools\\lensoro.exe");
  desk2.FailNext("OpenProcess", win::ERROR_ACCESS_DENIED);
  TApplication app2(self2);
  EXPECT_FALSE(IsAlreadyRunning(app2));
}

TEST(ProcessImagePath, ReadWithTheLeastRightsAcrossBitnessAndElevation) {
  TSimDesktop desk;
  TSimProcess& x86 = desk.AddProcess(u"C:\\A\\lensoro.exe");
  TSimProcess& x64 = desk.AddProcess(u"C:\\B\\lensoro.exe", true);
  TSimProcess& admin = desk.AddProcess(u"C:\\C\\lensoro.exe", true);
  admin.Protected = true;  // started as administrator
  const HWND w64 = AddLoupe(desk, x64);
  const HWND w86 = AddLoupe(desk, x86);
  const HWND wAdmin = AddLoupe(desk, admin);
  EXPECT_EQ(GetWindowProcessImagePath(x86, w64), u"C:\\B\\lensoro.exe");
  EXPECT_EQ(GetWindowProcessImagePath(x64, w86), u"C:\\A\\lensoro.exe");
  EXPECT_EQ(GetWindowProcessImagePath(x86, wAdmin), u"C:\\C\\lensoro.exe");
  for (const TSimCall& call : desk.Calls()) {
    if (std::string(call.Name) == "OpenProcess") {
      EXPECT_EQ(call.A[0], win::PROCESS_QUERY_LIMITED_INFORMATION);
    }
  }
  // Every handle opened is closed again.
  EXPECT_EQ(desk.CountCalls("OpenProcess"), 3);
  EXPECT_EQ(desk.CountCalls("CloseHandle"), 3);
  // Not a window, or a path that cannot be read: nothing.
  EXPECT_EQ(GetWindowProcessImagePath(x86, 0xDEAD0), u"");
  desk.FailNext("QueryFullProcessImageNameW", win::ERROR_PARTIAL_COPY);
  EXPECT_EQ(GetWindowProcessImagePath(x86, w64), u"");
  EXPECT_EQ(desk.CountCalls("OpenProcess"), desk.CountCalls("CloseHandle"));
}

TEST(VersionCheck, RefusesWindowsOlderThan7) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  desk.OsVersion = {6, 0, 6002};
  EXPECT_FALSE(CheckWindowsVersion(p, 6, 1));
  EXPECT_EQ(LensoroMain(p), 0);
  ASSERT_EQ(desk.Dialogs.size(), 1u);
  EXPECT_EQ(desk.Dialogs[0].Text, u"Lensoro needs Windows 7 or later.");
  EXPECT_EQ(desk.Dialogs[0].Caption, u"Lensoro [Information]");
  EXPECT_TRUE(desk.TopLevelWindows().empty()) << "no window before the checks pass";

  desk.OsVersion = {6, 1, 7600};
  EXPECT_TRUE(CheckWindowsVersion(p, 6, 1));
  EXPECT_EQ(GetOsVersionNumber(p), 6017600);
  desk.OsVersion = {10, 0, 22631};
  EXPECT_TRUE(CheckWindowsVersion(p, 6, 1));
  EXPECT_EQ(GetOsVersionNumber(p), 10022631);
  // Every call hands the system the extended record's size.
  for (const TSimCall& call : desk.Calls()) {
    if (std::string(call.Name) == "RtlGetVersion") {
      EXPECT_EQ(call.A[0], 284);
    }
  }
  TOsVersion tooSmall;
  tooSmall.RecordSize = 148;
  EXPECT_NE(p.RtlGetVersion(tooSmall), 0) << "the sim refuses a record of another size, as the system does";
  desk.RtlGetVersionStatus = static_cast<std::int32_t>(0xC0000001);
  EXPECT_EQ(GetOsVersionNumber(p), 0);
}

TEST(TimeStamp, SeventeenDigitsOfTheLocalTime) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  desk.LocalTimeAtStart = {2026, 3, 0, 7, 9, 5, 4, 3};
  EXPECT_EQ(GetTimeStampText(p), u"20260307090504003");
  desk.Advance(61'250);
  EXPECT_EQ(GetTimeStampText(p), u"20260307090605253");
}

TEST(WaitWithMessages, DispatchesUntilTheDeadline) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  TApplication app(p);
  app.Initialize();
  // Nothing to do: the wait times out and says so.
  const DWORD t0 = desk.Now();
  EXPECT_FALSE(WaitWithMessages(app, 300));
  EXPECT_EQ(desk.Now() - t0, 300u);
  // With a timer running, messages keep arriving until the time is past.
  p.SetTimer(app.Handle(), 7, 50);
  const DWORD t1 = desk.Now();
  EXPECT_TRUE(WaitWithMessages(app, 300));
  EXPECT_GT(desk.Now() - t1, 300u);
  EXPECT_GE(desk.CountCalls("DispatchMessageW", p.Pid), 5);
  // A quit request found on the way is left for the main loop.
  p.PostQuitMessage(3);
  EXPECT_FALSE(WaitWithMessages(app, 300));
  TMsg msg;
  ASSERT_TRUE(p.PeekMessageW(msg, false));
  EXPECT_EQ(msg.Message, win::WM_QUIT);
  EXPECT_EQ(msg.WParam, 3u);
}

// Where a message box goes when loupes of other copies, which stay above
// everything, are about: centred on its owner on the work area, else beside
// the loupe in its way.
TEST(MessageBoxPlace, OnTheWorkAreaAndClearOfTheLoupes) {
  const std::vector<TMonitorInfo> desk = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                                          {{-1280, 0, 0, 1024}, {-1280, 0, 0, 1024}}};
  const TRect box{0, 0, 360, 160};
  const TRect loupe{243, 478, 511, 698};  // the owner, a loupe of this copy
  const struct {
    const char* Name;
    TRect Near;
    std::vector<TRect> Loupes;
    TRect Placed;
  } cases[] = {
      {"nothing in the way", loupe, {}, {197, 508, 557, 668}},
      {"another loupe on this one: right of it", loupe, {loupe}, {519, 478, 879, 638}},
      {"at the right edge: left of it", {1600, 478, 1868, 698}, {{1600, 478, 1868, 698}}, {1232, 478, 1592, 638}},
      {"as wide as the screen: below it", {0, 100, 1920, 400}, {{0, 100, 1920, 400}}, {0, 408, 360, 568}},
      {"wide at the bottom: above it", {0, 800, 1920, 1040}, {{0, 800, 1920, 1040}}, {0, 632, 360, 792}},
      {"beside the one is under another: beside that", loupe, {loupe, {511, 400, 900, 800}}, {908, 400, 1268, 560}},
      {"partly off the work area: moved onto it", {1800, 1000, 2068, 1220}, {}, {1560, 880, 1920, 1040}},
      {"on the monitor left of the primary", {-900, 300, -632, 520}, {}, {-946, 330, -586, 490}},
      {"no room anywhere: centred all the same", loupe, {{0, 0, 1920, 1040}}, {197, 508, 557, 668}},
      {"no owner: the middle of the work area", {}, {}, {780, 440, 1140, 600}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlaceClearOf(box, c.Near, c.Loupes, desk), c.Placed) << c.Name;
  }
}

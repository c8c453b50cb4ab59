// The fault sweep's counter on the simulated desktop: which calls it counts,
// which one it fails and how, and what a failed write leaves on the disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "SimDesktop.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// The methods TPlatform declares, as Platform.h has them (comments left out).
std::vector<std::string> PlatformMethods() {
  namespace fs = std::filesystem;
  std::ifstream in(fs::path(__FILE__).parent_path().parent_path().parent_path() / "platform" / "Platform.h");
  std::string text, line;
  bool inside = false;
  while (std::getline(in, line)) {
    if (line.rfind("class TPlatform {", 0) == 0) inside = true;
    if (inside && line.rfind("};", 0) == 0) break;
    if (inside) text += line.substr(0, line.find("//")) + "\n";
  }
  std::vector<std::string> names;
  const std::regex method(R"(virtual\s+[^;{}()~]*?\b(\w+)\s*\()");
  for (std::sregex_iterator it(text.begin(), text.end(), method), end; it != end; ++it) names.push_back((*it)[1]);
  return names;
}

}  // namespace

TEST(SimSweep, CountsFallibleCallsAndFailsTheKthWithItsWindowsError) {
  TSimDesktop desk;
  TSimProcess& a = desk.AddProcess(u"C:\\A\\lensoro.exe");
  TSimProcess& b = desk.AddProcess(u"C:\\B\\lensoro.exe");
  desk.AddFolder(u"C:\\A");

  // Counting only: queries and the loop's calls do not count, creations do.
  desk.FailNthCall(0);
  TPoint pt;
  EXPECT_TRUE(a.GetCursorPos(pt));
  EXPECT_EQ(a.GetKeyState(0x10), 0);
  a.IsWindow(0x1234);
  EXPECT_NE(a.CreatePopupMenu(), 0u);
  EXPECT_TRUE(b.WriteFileBytes(u"C:\\A\\x.ini", Bytes("abcdef")));
  EXPECT_EQ(desk.FallibleCalls(), 3);
  EXPECT_EQ(desk.FallibleCallsByMethod(),
            (std::map<std::string, long>{{"CreatePopupMenu", 1}, {"GetCursorPos", 1}, {"WriteFileBytes", 1}}));
  EXPECT_TRUE(desk.SweepInjection().Method.empty());

  // The second fallible call fails, the ones around it do not.
  desk.FailNthCall(2);
  EXPECT_NE(a.CreatePopupMenu(), 0u);
  EXPECT_EQ(a.GetKeyState(0x10), 0);
  EXPECT_EQ(a.SetTimer(0, 0, 100), 0u);
  EXPECT_EQ(a.GetLastError(), 1450u);  // ERROR_NO_SYSTEM_RESOURCES
  EXPECT_NE(a.SetTimer(0, 0, 100), 0u);
  EXPECT_EQ(desk.SweepInjection().Method, "SetTimer");
  EXPECT_EQ(desk.SweepInjection().Index, 2);
  EXPECT_EQ(desk.SweepInjection().Pid, a.Pid);
  EXPECT_EQ(desk.SweepInjection().Code, 1450u);

  // Limited to one process: the other's calls neither count nor fail.
  desk.FailNthCall(1, b.Pid);
  EXPECT_NE(a.CreatePopupMenu(), 0u);
  EXPECT_EQ(b.GlobalAddAtomW(u"x"), 0);
  EXPECT_EQ(b.GetLastError(), win::ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(desk.FallibleCalls(), 1);

  // A FailNext rule goes first and is not counted.
  desk.FailNthCall(1);
  desk.FailNext("RegisterHotKey", 1234);
  const HWND w = desk.AddForeignWindow(a.Pid, u"X", u"x");
  EXPECT_FALSE(a.RegisterHotKey(w, 1, 0, 0x41));
  EXPECT_EQ(a.GetLastError(), 1234u);
  EXPECT_EQ(desk.FallibleCalls(), 0);
  EXPECT_FALSE(a.RegisterHotKey(w, 1, 0, 0x41));
  EXPECT_EQ(a.GetLastError(), win::ERROR_HOTKEY_ALREADY_REGISTERED);
  EXPECT_TRUE(desk.HotKeys.empty());

  // Every method the sweep fails has its error; the others none.
  for (const char* m : {"CreateWindowExW", "MoveFileExW", "ReadFileBytes", "Shell_NotifyIconW",
                        "SendMessageTimeoutW", "MagSetWindowSource", "RegOpenKeyExW", "TrackPopupMenuEx"})
    EXPECT_NE(TSimDesktop::SimFailureCode(m), 0u) << m;
  for (const char* m : {"GetMessageW", "DispatchMessageW", "DefWindowProcW", "GetSysColor", "DestroyWindow",
                        "KillTimer", "MessageDialog", "Nothing"})
    EXPECT_EQ(TSimDesktop::SimFailureCode(m), 0u) << m;
}

TEST(SimSweep, AFailedWriteLeavesAFileItReplacesTruncated) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\A\\lensoro.exe");
  desk.AddFile(u"C:\\A\\lensoro.ini", "old settings");
  desk.AddFile(u"C:\\A\\kept.ini", "read-only", /*readOnly=*/true);

  // The full disk empties the old file and stops half-way through the new bytes.
  desk.FailNthCall(1);
  EXPECT_FALSE(p.WriteFileBytes(u"C:\\A\\lensoro.ini", Bytes("new settings")));
  EXPECT_EQ(p.GetLastError(), win::ERROR_DISK_FULL);
  EXPECT_EQ(desk.FileText(u"C:\\A\\lensoro.ini"), "new se");
  // A FailNext failure of the write leaves the same.
  desk.FailNext("WriteFileBytes", win::ERROR_DISK_FULL);
  EXPECT_FALSE(p.WriteFileBytes(u"C:\\A\\lensoro.ini", Bytes("12345678")));
  EXPECT_EQ(desk.FileText(u"C:\\A\\lensoro.ini"), "1234");

  // What the write could not open stays as it was.
  desk.FailNthCall(1);
  EXPECT_FALSE(p.WriteFileBytes(u"C:\\A\\kept.ini", Bytes("overwrite")));
  EXPECT_EQ(desk.FileText(u"C:\\A\\kept.ini"), "read-only");
  // A new file: the sweep leaves it half-written, a FailNext failure none.
  desk.FailNthCall(1);
  EXPECT_FALSE(p.WriteFileBytes(u"C:\\A\\new.tmp", Bytes("abcd")));
  EXPECT_EQ(desk.FileText(u"C:\\A\\new.tmp"), "ab");
  desk.FailNext("WriteFileBytes", win::ERROR_DISK_FULL);
  EXPECT_FALSE(p.WriteFileBytes(u"C:\\A\\other.tmp", Bytes("abcd")));
  EXPECT_EQ(desk.File(u"C:\\A\\other.tmp"), nullptr);
  EXPECT_TRUE(p.WriteFileBytes(u"C:\\A\\new.tmp", Bytes("abc")));
  EXPECT_EQ(desk.FileText(u"C:\\A\\new.tmp"), "abc");
  // The folder must be there for anything to be written.
  desk.FailNthCall(1);
  EXPECT_FALSE(p.WriteFileBytes(u"C:\\Missing\\x.tmp", Bytes("abcd")));
  EXPECT_EQ(desk.File(u"C:\\Missing\\x.tmp"), nullptr);
}

// A method in neither table would never be failed, and nothing would say so.
TEST(SimSweep, EveryPlatformMethodIsFailedOrLeftOut) {
  const std::vector<std::string> methods = PlatformMethods();
  ASSERT_GT(methods.size(), 100u) << "Platform.h not found or not read";
  std::map<std::string, int> inTables;  // fallible: 1, left out: 100
  for (const std::string& m : TSimDesktop::FallibleMethodNames()) inTables[m] += 1;
  for (const std::string& m : TSimDesktop::LeftOutMethodNames()) inTables[m] += 100;
  for (const std::string& m : std::set<std::string>(methods.begin(), methods.end())) {
    const int where = inTables[m];
    EXPECT_TRUE(where == 1 || where == 100) << m << ": in neither table of SimFailures.cpp, in both, or twice";
    inTables.erase(m);
  }
  for (const auto& [name, where] : inTables) ADD_FAILURE() << name << ": in a table of SimFailures.cpp, no method";
}

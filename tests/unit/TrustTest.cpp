// What the program takes from outside and how far it trusts it: a language
// file named by the settings (never from the network), its own path however
// long, the other copies of its folder (one runs; each writes its own
// temporary file) and a folder that is a link when it runs as administrator.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FilePath.h"
#include "Format.h"
#include "Ini.h"
#include "Lang.h"
#include "Lensoro.h"
#include "LnsLib.h"
#include "LoupeTest.h"
#include "Settings.h"

using namespace lensoro;
using namespace lensoro::sim;
using lensoro::test::Utf16File;

namespace {

const std::u16string kExe = u"C:\\Tools\\Lensoro\\lensoro.exe", kIni = u"C:\\Tools\\Lensoro\\lensoro.ini";
const std::u16string kLang = u"C:\\Tools\\Lensoro\\Lang\\", kDefaultLang = kLang + DefaultLangFileName;

std::vector<std::u16string> Texts(const TSimDesktop& desk) {
  std::vector<std::u16string> texts;
  for (const TSimDialog& d : desk.Dialogs) texts.push_back(d.Text);
  return texts;
}

std::string LangFile(const std::u16string& title) {
  return Utf16File(u"[Application]\r\nApplication.Title=" + title + u"\r\n");
}

}  // namespace

// Whatever LangFileName says, no share or device outside the program's
// folder is touched; a relative name is the program folder's.
TEST(LangFileNameSetting, NeverFromTheNetworkAndRelativeToTheProgram) {
  const std::u16string shareExe = u"\\\\srv\\tools\\Lensoro\\lensoro.exe";
  const struct {
    const char* Name;
    std::u16string Exe, Value, Used;
    bool Told;
  } rows[] = {
      {"UNC", kExe, u"\\\\host\\share\\Lang\\Net.lang", kDefaultLang, true},
      {"UNC, a file of that name in Lang", kExe, u"\\\\host\\share\\Lang\\Mine.lang", kLang + u"Mine.lang", true},
      {"UNC with slashes", kExe, u"//host/share/Lang/Net.lang", kDefaultLang, true},
      {"device \\\\?\\", kExe, u"\\\\?\\C:\\Other\\Net.lang", kDefaultLang, true},
      {"device \\\\.\\", kExe, u"\\\\.\\C:\\Other\\Net.lang", kDefaultLang, true},
      {"relative", kExe, u"Lang\\Mine.lang", kLang + u"Mine.lang", false},
      {"relative, a folder up", kExe, u"..\\Shared\\Mine.lang", u"C:\\Tools\\Shared\\Mine.lang", false},
      {"local absolute", kExe, u"D:\\Languages\\Mine.lang", u"D:\\Languages\\Mine.lang", false},
      {"missing", kExe, u"D:\\Languages\\Gone.lang", kDefaultLang, false},
      {"on the program's own share", shareExe, u"\\\\srv\\tools\\Lensoro\\Lang\\Mine.lang",
       u"\\\\srv\\tools\\Lensoro\\Lang\\Mine.lang", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    TSimDesktop desk;
    test::TLoupeCopy copy(desk, row.Exe);
    const std::u16string folder = ExtractFilePath(row.Exe);
    for (const std::u16string net : {u"\\\\host\\share\\Lang\\Net.lang", u"\\\\host\\share\\Lang\\Mine.lang",
                                     u"\\\\?\\C:\\Other\\Net.lang", u"\\\\.\\C:\\Other\\Net.lang"}) {
      desk.AddFile(net, LangFile(u"Network"));
    }
    for (const std::u16string& mine : {folder + u"Lang\\Mine.lang", std::u16string(u"C:\\Tools\\Shared\\Mine.lang"),
                                       std::u16string(u"D:\\Languages\\Mine.lang")}) {
      desk.AddFile(mine, LangFile(u"Mine"));
    }
    copy.Start(u"[Language]\r\nLangFileName=" + row.Value + u"\r\n");
    EXPECT_EQ(copy.App.Lang.LangFile, row.Used == kDefaultLang ? folder + u"Lang\\" + DefaultLangFileName : row.Used);
    EXPECT_NE(copy.App.Title, u"Network");
    const std::vector<std::u16string> told = {FormatText(BuiltInText(u"MsgErrorLangFileNotLocal"), {row.Value})};
    EXPECT_EQ(Texts(desk), row.Told ? told : std::vector<std::u16string>{});
  }
}

// Two copies of one folder save the one settings file at the same moment,
// and the disk fills under one of them: the other's file is whole.
TEST(TwoCopies, SavingAtOnceWithOneFailingLeavesTheOthersFileWhole) {
  TSimDesktop desk;
  TSimProcess& a = desk.AddProcess(kExe);
  TSimProcess& b = desk.AddProcess(kExe);
  TApplication appA(a), appB(b);
  desk.AddFile(kIni, Utf16File(u"[Loupe]\r\nFrameWidth=1\r\n"));
  TLoupeSettings settingsA, settingsB;
  settingsA.FrameWidth = 7;
  settingsB.FrameWidth = 9;
  // While A replaces the file with its own, B writes its own and fails.
  bool saved = false;
  desk.BeforeCall = [&](TSimProcess& p, const char* method) {
    if (&p != &a || std::string(method) != "MoveFileExW" || saved) return;
    saved = true;
    desk.FailNext("WriteFileBytes", win::ERROR_DISK_FULL, 1, b.Pid);
    EXPECT_FALSE(SaveSettings(appB, settingsB, {0, 0, 300, 200}).Ok);
  };
  EXPECT_TRUE(SaveSettings(appA, settingsA, {10, 20, 310, 220}).Ok);
  ASSERT_TRUE(saved);
  const TIniFile ini(std::vector<std::uint8_t>(desk.File(kIni)->Data));
  EXPECT_EQ(ini.ReadInteger(u"Loupe", u"FrameWidth", 0), 7);
  EXPECT_EQ(ini.ReadInteger(u"MainForm", u"Height", 0), 200);
  for (const std::u16string& path : desk.FilePaths()) EXPECT_EQ(path.find(u".tmp"), std::u16string::npos);
}

// The mutex of a folder: one name for every spelling of the folder, a name
// the system takes for any folder, and held for every copy, elevated or not.
TEST(OneCopyPerFolder, TheFoldersMutexNameAndWhoHoldsIt) {
  EXPECT_EQ(FolderMutexName(kExe), FolderMutexName(u"c:\\TOOLS\\lensoro\\Other.exe"));
  EXPECT_NE(FolderMutexName(kExe), FolderMutexName(u"C:\\Tools\\Lensoro2\\lensoro.exe"));
  const struct {
    const char* Name;
    std::u16string Exe;
    bool FirstElevated, SecondElevated;
  } rows[] = {
      {"plain", kExe, false, false},
      {"a path longer than MAX_PATH", u"C:\\" + std::u16string(300, u'x') + u"\\lensoro.exe", false, false},
      {"the first copy elevated", kExe, true, false},
      {"the second copy elevated", kExe, false, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    TSimDesktop desk;
    TSimProcess& first = desk.AddProcess(row.Exe);
    TSimProcess& second = desk.AddProcess(row.Exe);
    first.Elevated = row.FirstElevated;
    second.Elevated = row.SecondElevated;
    TApplication appFirst(first), appSecond(second);
    TFolderMutex held, asked;
    EXPECT_TRUE(held.Acquire(appFirst));
    EXPECT_FALSE(asked.Acquire(appSecond));
    EXPECT_TRUE(asked.HeldElsewhere());
    // The system closes the handles of a process that ends.
    desk.EndProcess(first.Pid);
    asked.Release();
    EXPECT_TRUE(asked.Acquire(appSecond));
  }
}

// A copy past its start's checks, its loupe not made yet.
class AFirstCopyStarting : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(PassesStartChecks(appFirst, mutex)); }
  TSimDesktop desk;
  TSimProcess& first = test::AddLensoro(desk, kExe);
  TApplication appFirst{first};
  TFolderMutex mutex;
};

// A second start while the first is still making its loupe: the first's
// window has no caption yet, but the folder's mutex says it is coming.
TEST_F(AFirstCopyStarting, ASecondStartDuringTheFirstsStartUpFindsItAndHandsOver) {
  std::unique_ptr<TMainForm> form;
  TSimProcess& second = desk.AddProcess(u"C:\\TOOLS\\Lensoro\\LENSORO.EXE");
  second.MessageBudget = 1000;  // a loupe of its own would run no further
  desk.BeforeCall = [&](TSimProcess& p, const char* method) {
    if (&p != &second || std::string(method) != "MsgWaitForMultipleObjects" || form) return;
    appFirst.Initialize();
    form = std::make_unique<TMainForm>(appFirst);
    appFirst.ShowMainForm();
  };
  EXPECT_EQ(LensoroMain(second), 0);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(Texts(desk), std::vector<std::u16string>{u"Lensoro is already running."});
  EXPECT_EQ(desk.CountCalls("CreateWindowExW", second.Pid), 0);
  EXPECT_EQ(desk.Foreground(), form->Handle());
}

// A copy that holds the folder but never shows a loupe (it hangs in its
// start): the next start waits a few seconds, then ends all the same. Once
// the first process is gone, a start runs.
TEST_F(AFirstCopyStarting, WithoutALoupeInTimeTheSecondStartEndsAndRunsOnceTheFirstIsGone) {
  TSimProcess& second = desk.AddProcess(kExe);
  second.MessageBudget = 1000;
  const DWORD start = desk.Now();
  EXPECT_EQ(LensoroMain(second), 0);
  EXPECT_GE(desk.Now() - start, StartingCopyWaitMs);
  EXPECT_LT(desk.Now() - start, StartingCopyWaitMs + 2 * StartingCopyPollMs);
  EXPECT_EQ(Texts(desk), std::vector<std::u16string>{u"Lensoro is already running."});
  EXPECT_EQ(desk.CountCalls("CreateWindowExW", second.Pid), 0);

  desk.EndProcess(first.Pid);
  TSimProcess& third = desk.AddProcess(kExe);
  TApplication appThird(third);
  TFolderMutex thirds;
  EXPECT_TRUE(PassesStartChecks(appThird, thirds));
}

// The program's path is read whole however long it is; one that cannot be
// read whole stops the start before any file is touched.
TEST(LongPaths, TheProgramPathIsReadWholeOrTheStartStops) {
  std::u16string deep = u"C:\\Deep";
  while (deep.size() < 400) deep += u"\\Folder";
  const struct {
    const char* Name;
    std::u16string Exe;
    bool Fails;  // GetModuleFileNameW fails
    bool Starts;
  } rows[] = {
      {"longer than MAX_PATH", deep + u"\\lensoro.exe", false, true},
      {"longer than any Windows path", u"C:\\" + std::u16string(40000, u'x') + u"\\lensoro.exe", false, false},
      {"the path cannot be read", kExe, true, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    TSimDesktop desk;
    TSimProcess& proc = test::AddLensoro(desk, row.Exe);
    if (row.Fails) desk.FailNext("GetModuleFileNameW", win::ERROR_NOT_ENOUGH_MEMORY);
    const std::vector<std::u16string> files = desk.FilePaths();
    if (row.Starts) {
      TApplication app(proc);
      EXPECT_EQ(app.ExeName, row.Exe);
      EXPECT_EQ(app.IniFileName, ChangeFileExt(row.Exe, u".ini"));
      app.Initialize();
      std::make_unique<TMainForm>(app).reset();  // start and quit: the settings are saved
      EXPECT_NE(desk.File(app.IniFileName), nullptr);
      continue;
    }
    proc.MessageBudget = 1000;
    EXPECT_EQ(LensoroMain(proc), 0);
    EXPECT_EQ(Texts(desk), std::vector<std::u16string>{NoExePathText});
    EXPECT_EQ(desk.FilePaths(), files);
  }
}

// Run as administrator from a folder that is a link (which someone without
// those rights may have made), the program writes nothing through it.
TEST(ElevatedCopy, WritesNoFileThroughALinkedFolder) {
  const struct {
    const char* Name;
    bool Elevated, FolderLinked, LangLinked;
    bool SettingsSaved, LangWritten;
    std::u16string ToldOf;  // the folder named, empty for no message
  } rows[] = {
      {"not elevated, the folder a link", false, true, false, true, true, u""},
      {"elevated, no link", true, false, false, true, true, u""},
      {"elevated, the folder a link", true, true, false, false, false, u"C:\\Tools\\Lensoro\\"},
      {"elevated, Lang a link", true, false, true, true, false, kLang},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    TSimDesktop desk;
    test::TLoupeCopy copy(desk, kExe);
    copy.Proc.Elevated = row.Elevated;
    if (row.FolderLinked) desk.SetReparsePoint(u"C:\\Tools\\Lensoro");
    if (row.LangLinked) desk.SetReparsePoint(kLang);
    copy.Start();
    copy.Form.reset();
    EXPECT_EQ(desk.File(kIni) != nullptr, row.SettingsSaved);
    EXPECT_EQ(desk.File(kDefaultLang) != nullptr, row.LangWritten);
    const std::vector<std::u16string> told = {FormatText(BuiltInText(u"MsgErrorLinkedFolderElevated"), {row.ToldOf})};
    EXPECT_EQ(Texts(desk), row.ToldOf.empty() ? std::vector<std::u16string>{} : told);
    if (row.FolderLinked && row.Elevated) {
      for (const char* call : {"WriteFileBytes", "MoveFileExW", "CreateDirectoryW", "DeleteFileW"})
        EXPECT_EQ(desk.CountCalls(call, copy.Proc.Pid), 0) << call;
    }
  }
}

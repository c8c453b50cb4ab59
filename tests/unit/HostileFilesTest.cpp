// Files the user's machine makes hostile: a read-only program folder, a
// file named Lang, a settings file another program holds open, a language
// file of 100 MB. Each is told of once (or falls back quietly), the loupe
// goes on, and the user's files stay byte for byte as they were.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Application.h"
#include "Ini.h"
#include "Lang.h"
#include "LoupeParts.h"
#include "Main.h"
#include "Option.h"
#include "SimDesktop.h"
#include "TestFiles.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

using lensoro::test::Utf16File;

constexpr DWORD kSharingViolation = 32, kFileTooLarge = 223;
constexpr char16_t kDir[] = u"C:\\Tools\\Lensoro";
constexpr char16_t kIni[] = u"C:\\Tools\\Lensoro\\lensoro.ini";
constexpr char16_t kLangDir[] = u"C:\\Tools\\Lensoro\\Lang";
const std::string kUserIni = Utf16File(u"[Loupe]\r\nFrameWidth=7\r\nLoupeRate=3.5\r\n; mine\r\nMine=1\r\n");

class HostileFilesTest : public ::testing::Test {
 protected:
  TSimDesktop Desk;
  TSimProcess& Proc = test::AddLensoro(Desk, u"C:\\Tools\\Lensoro\\lensoro.exe");
  std::unique_ptr<TApplication> App;
  std::unique_ptr<TMainForm> Loupe;

  void Start() {
    App = std::make_unique<TApplication>(Proc);
    App->Initialize();
    Loupe = std::make_unique<TMainForm>(*App);
    App->MainForm = Loupe.get();
  }
  void Pump() {
    TMsg m;
    while (Proc.PeekMessageW(m, true)) {
      if (m.Message == win::WM_QUIT) break;
      if (App->ProcessDialogMessage(m)) continue;
      Proc.TranslateMessage(m);
      Proc.DispatchMessageW(m);
    }
  }
  // The user opens the options dialog and closes it again: two saves.
  void OpenAndCloseOptions() {
    Parts(Loupe).Commands.ActPopShowOption.Execute();
    ASSERT_NE(Parts(Loupe).Commands.OptionForm(), nullptr);
    ASSERT_TRUE(Desk.Click(Parts(Loupe).Commands.OptionForm()->CloseButton.Handle()));
    Pump();
    EXPECT_EQ(Parts(Loupe).Commands.OptionForm(), nullptr);
  }
  // The loupe is up and tracking: a tick hands the magnifier a new source.
  void ExpectLoupeRuns() {
    ASSERT_FALSE(App->Terminated());
    Desk.ClearCalls();
    Desk.Advance(60);
    Pump();
    EXPECT_GT(Desk.CountCalls("MagSetWindowSource", Proc.Pid), 0);
  }
  std::vector<std::u16string> Texts() const {
    std::vector<std::u16string> texts;
    for (const TSimDialog& d : Desk.Dialogs) texts.push_back(d.Text);
    return texts;
  }
};

}  // namespace

TEST_F(HostileFilesTest, ReadOnlyProgramFolderTellsOnceAndChangesNothing) {
  Desk.AddFile(kIni, kUserIni);
  Desk.SetFolderReadOnly(kDir);

  // The model: nothing can be made, written, moved in or deleted there.
  EXPECT_FALSE(Proc.CreateDirectoryW(kLangDir));
  EXPECT_EQ(Proc.GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_FALSE(Proc.WriteFileBytes(std::u16string(kIni) + u".tmp", {1, 2}));
  EXPECT_EQ(Proc.GetLastError(), win::ERROR_ACCESS_DENIED);
  Desk.AddFile(u"C:\\Temp\\x.ini", "x");
  EXPECT_FALSE(Proc.MoveFileExW(u"C:\\Temp\\x.ini", kIni, win::MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(Proc.GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_FALSE(Proc.DeleteFileW(kIni));
  EXPECT_EQ(Proc.GetLastError(), win::ERROR_ACCESS_DENIED);
  Proc.DeleteFileW(u"C:\\Temp\\x.ini");
  const std::vector<std::u16string> before = Desk.FilePaths();

  Start();
  // The folder's message, and no second one for the default file that
  // could not be written beside the exe either.
  EXPECT_EQ(Texts(), (std::vector<std::u16string>{u"Lensoro cannot make directory: [C:\\Tools\\Lensoro\\Lang\\]"}));
  EXPECT_EQ(App->Lang.LangDir, u"C:\\Tools\\Lensoro\\");
  EXPECT_EQ(Parts(Loupe).Commands.ActPopQuit.Caption, BuiltInText(u"ActPopQuit.Caption"));
  EXPECT_EQ(Parts(Loupe).Settings.FrameWidth, 7);  // the settings are read as they are
  EXPECT_EQ(Parts(Loupe).Settings.LoupeRate, 3.5f);
  ExpectLoupeRuns();

  // Saving fails: told once, however often it is tried.
  OpenAndCloseOptions();
  OpenAndCloseOptions();
  Loupe.reset();
  ASSERT_EQ(Desk.Dialogs.size(), 2u);
  EXPECT_EQ(Desk.Dialogs[1].Text,
            u"ぽてりんは設定を保存できません: [C:\\Tools\\Lensoro\\lensoro.ini] (Access is denied)\r\n\r\n"
            u"もう一度試すには [再試行]、ファイルをそのままにするには [キャンセル] を選んでください。");
  EXPECT_EQ(Desk.FileText(kIni), kUserIni);
  EXPECT_EQ(Desk.FilePaths(), before);
}

TEST_F(HostileFilesTest, ReadOnlyLangFolderTellsOnceThatTheDefaultFileCannotBeWritten) {
  Desk.SetFolderReadOnly(kLangDir);
  Start();
  const std::u16string defaultFile = std::u16string(kLangDir) + u"\\" + DefaultLangFileName;
  EXPECT_EQ(Texts(), (std::vector<std::u16string>{u"ぽてりんは言語ファイルを書き込めません: [" + defaultFile +
                                                  u"] (Access is denied)"}));
  EXPECT_EQ(Desk.File(defaultFile), nullptr);
  EXPECT_EQ(Parts(Loupe).Commands.ActPopShowOption.Caption, BuiltInText(u"ActPopShowOption.Caption"));
  // Every later apply tries again, quietly.
  OpenAndCloseOptions();
  EXPECT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(App->Lang.LangFile, defaultFile);
  ExpectLoupeRuns();
  // Once the folder takes files again, the default file is written.
  Desk.SetFolderReadOnly(kLangDir, false);
  OpenAndCloseOptions();
  EXPECT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_NE(Desk.File(defaultFile), nullptr);
}

TEST_F(HostileFilesTest, AFileNamedLangLeavesTheLanguagesBesideTheExe) {
  Desk.AddFile(kLangDir, "my notes");
  Start();
  EXPECT_EQ(Texts(), (std::vector<std::u16string>{u"Lensoro cannot make directory: [C:\\Tools\\Lensoro\\Lang\\]"}));
  EXPECT_EQ(App->Lang.LangDir, u"C:\\Tools\\Lensoro\\");
  const std::u16string defaultFile = std::u16string(kDir) + u"\\" + DefaultLangFileName;
  EXPECT_EQ(App->Lang.LangFile, defaultFile);
  EXPECT_EQ(Desk.FileText(defaultFile).size(), DefaultLangFileBytes().size());
  const std::vector<TLangMenuItem> items = BuildLangMenu(*App);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_TRUE(items[0].Checked);
  ExpectLoupeRuns();
  Loupe.reset();
  EXPECT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.FileText(kLangDir), "my notes");
  EXPECT_NE(test::Utf16Text(Desk.FileText(kIni)).find(u"LangFileName=" + defaultFile), std::u16string::npos);
}

TEST_F(HostileFilesTest, ASettingsFileHeldByAnotherProgramIsNeverSavedOver) {
  Desk.AddFile(kIni, kUserIni);
  Desk.SetFileLocked(kIni);

  // The model: every access but the attributes is a sharing violation.
  std::vector<std::uint8_t> bytes;
  EXPECT_FALSE(Proc.ReadFileBytes(kIni, bytes, MaxReadFileBytes));
  EXPECT_EQ(Proc.GetLastError(), kSharingViolation);
  EXPECT_FALSE(Proc.WriteFileBytes(kIni, {1}));
  EXPECT_EQ(Proc.GetLastError(), kSharingViolation);
  Desk.AddFile(u"C:\\Tools\\Lensoro\\new.ini", "x");
  EXPECT_FALSE(Proc.MoveFileExW(u"C:\\Tools\\Lensoro\\new.ini", kIni, win::MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(Proc.GetLastError(), kSharingViolation);
  EXPECT_FALSE(Proc.MoveFileExW(kIni, u"C:\\Tools\\Lensoro\\moved.ini", 0));
  EXPECT_EQ(Proc.GetLastError(), kSharingViolation);
  EXPECT_FALSE(Proc.DeleteFileW(kIni));
  EXPECT_EQ(Proc.GetLastError(), kSharingViolation);
  EXPECT_NE(Proc.GetFileAttributesW(kIni), win::INVALID_FILE_ATTRIBUTES);
  Proc.DeleteFileW(u"C:\\Tools\\Lensoro\\new.ini");

  Start();
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.Dialogs[0].Text.find(u"ぽてりんは設定ファイルを読み込めません: [C:\\Tools\\Lensoro\\lensoro.ini]"),
            0u);
  EXPECT_NE(Desk.Dialogs[0].Text.find(u"設定は保存しません"), std::u16string::npos);
  EXPECT_EQ(Parts(Loupe).Settings.FrameWidth, 4);  // the defaults
  ExpectLoupeRuns();

  // The other program lets go; the settings of this run are still not what
  // the file holds, so neither the dialog nor the exit writes them.
  OpenAndCloseOptions();
  Desk.SetFileLocked(kIni, false);
  OpenAndCloseOptions();
  Loupe.reset();
  EXPECT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.FileText(kIni), kUserIni);
  EXPECT_EQ(Desk.File(TemporaryFileName(Proc, kIni)), nullptr);

  // The next start reads the file as the user left it.
  Desk.Dialogs.clear();
  Start();
  EXPECT_TRUE(Desk.Dialogs.empty());
  EXPECT_EQ(Parts(Loupe).Settings.FrameWidth, 7);
}

TEST_F(HostileFilesTest, ASettingsFileOverOneMegabyteIsNotReadAndNeverSavedOver) {
  // FrameWidth=7, then a comment that makes the file exactly 1 MiB.
  std::u16string text = u"[Loupe]\r\nFrameWidth=7\r\n;";
  text += std::u16string((MaxSettingsFileBytes - 2) / 2 - text.size() - 2, u'x') + u"\r\n";
  const std::string atLimit = Utf16File(text), overLimit = atLimit + "x";
  ASSERT_EQ(atLimit.size(), MaxSettingsFileBytes);
  Desk.AddFile(kIni, overLimit);
  Start();
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.Dialogs[0].Text.find(u"ぽてりんは設定ファイルを読み込めません: [" + std::u16string(kIni) +
                                      u"] (1 MB より大きいファイルです)"),
            0u);
  EXPECT_EQ(Loupe->Settings().FrameWidth, 4);
  OpenAndCloseOptions();
  Loupe.reset();
  EXPECT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.FileText(kIni), overLimit);

  Desk.AddFile(kIni, atLimit);
  Desk.Dialogs.clear();
  Start();
  EXPECT_TRUE(Desk.Dialogs.empty());
  EXPECT_EQ(Loupe->Settings().FrameWidth, 7);
}

TEST_F(HostileFilesTest, AHugeLanguageFileIsNotReadAndTheBuiltInTextsStandIn) {
  const std::u16string big = std::u16string(kLangDir) + u"\\Big.lang";
  const std::u16string head = u"[MainForm]\r\nActPopQuit.Caption=Quit\r\n";
  // 100 MB that the model keeps as a few bytes; the read is refused as the
  // backend refuses it, without reading.
  Desk.AddLargeFile(big, Utf16File(head), 100u * 1024 * 1024);
  std::vector<std::uint8_t> bytes;
  EXPECT_FALSE(Proc.ReadFileBytes(big, bytes, MaxReadFileBytes));
  EXPECT_EQ(Proc.GetLastError(), kFileTooLarge);
  EXPECT_TRUE(bytes.empty());
  Desk.AddFile(kIni, Utf16File(u"[Language]\r\nLangFileName=" + big + u"\r\n"));

  Start();
  const std::u16string told = u"ぽてりんは言語ファイルを読み込めません: [" + big + u"] (1 MB より大きいファイルです)";
  EXPECT_EQ(Texts(), std::vector<std::u16string>{told});
  EXPECT_EQ(App->Lang.LangFile, big);  // still the user's choice
  EXPECT_EQ(Parts(Loupe).Commands.ActPopQuit.Caption, BuiltInText(u"ActPopQuit.Caption"));
  OpenAndCloseOptions();
  EXPECT_EQ(Desk.Dialogs.size(), 1u);
  ExpectLoupeRuns();

  // A file of 2 MB that the backend would read is still no language file.
  std::u16string text = head;
  while (text.size() * 2 <= MaxLangFileBytes) text += u"; padding padding padding padding padding padding\r\n";
  const std::u16string large = std::u16string(kLangDir) + u"\\Large.lang";
  Desk.AddFile(large, Utf16File(text));
  App->Lang.LangFile = large;
  Parts(Loupe).Commands.ApplyMainFormLang();
  ASSERT_EQ(Desk.Dialogs.size(), 2u);
  EXPECT_EQ(Desk.Dialogs[1].Text,
            u"ぽてりんは言語ファイルを読み込めません: [" + large + u"] (1 MB より大きいファイルです)");
  EXPECT_EQ(Parts(Loupe).Commands.ActPopQuit.Caption, BuiltInText(u"ActPopQuit.Caption"));
  // The same text within the limit is read.
  const std::u16string small = std::u16string(kLangDir) + u"\\Small.lang";
  Desk.AddFile(small, Utf16File(head));
  App->Lang.LangFile = small;
  Parts(Loupe).Commands.ApplyMainFormLang();
  EXPECT_EQ(Parts(Loupe).Commands.ActPopQuit.Caption, u"Quit");

  // A language file held open by another program: told once, built-in texts.
  Desk.SetFileLocked(small);
  Parts(Loupe).Commands.ApplyMainFormLang();
  Parts(Loupe).Commands.ApplyMainFormLang();
  ASSERT_EQ(Desk.Dialogs.size(), 3u);
  EXPECT_EQ(Desk.Dialogs[2].Text.find(u"ぽてりんは言語ファイルを読み込めません: [" + small + u"]"), 0u);
  EXPECT_EQ(Parts(Loupe).Commands.ActPopQuit.Caption, BuiltInText(u"ActPopQuit.Caption"));
  EXPECT_EQ(Desk.File(big)->Size, 100u * 1024 * 1024);
  EXPECT_EQ(Desk.FileText(small), Utf16File(head));
}

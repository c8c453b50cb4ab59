// The settings file of a loupe on the simulated desktop: first run, a file
// edited by hand, the options dialog's two writes, and saves that fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Application.h"
#include "Format.h"
#include "Ini.h"
#include "Lang.h"
#include "LoupeTest.h"
#include "Main.h"
#include "SimDesktop.h"
#include "TestFiles.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

using lensoro::test::Utf16File;

std::u16string FileAsText(TSimDesktop& desk, const std::u16string& path) {
  const std::string bytes = desk.FileText(path);
  if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE') return u"<no UTF-16 file>";
  std::u16string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    text +=
        static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return text;
}

constexpr char16_t kIni[] = u"C:\\Tools\\Lensoro\\lensoro.ini";
constexpr char16_t kLang[] = u"C:\\Tools\\Lensoro\\Lang\\LN日本語_かな.lang";

class SettingsTest : public test::TLoupeTest {
 protected:
  void Create() {
    Desk.AddFolder(u"C:\\Tools\\Lensoro");
    Copy.Create();
    App.Lang.LangFile = kLang;
  }
};

}  // namespace

TEST_F(SettingsTest, FirstRunKeepsTheDefaultsAndWritesTheWholeFile) {
  Create();
  const TRect designed = Form->BoundsRect();
  LoadSettings(*Form);
  EXPECT_EQ(Form->BoundsRect(), designed);
  EXPECT_EQ(Parts(Form).Settings.LoupeMode, lmPointer);
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, 2.0f);
  EXPECT_EQ(Parts(Form).Settings.LoupeSrcOrigin, lsoTopLeft);
  EXPECT_EQ(Parts(Form).Settings.LoupeColorMode, lcmOriginal);
  EXPECT_EQ(Parts(Form).Settings.FrameWidth, 4);
  EXPECT_EQ(Parts(Form).Settings.FrameColor(TFrameColorSlot::ActivePointer), 0x0000FF00u);
  EXPECT_EQ(Parts(Form).Settings.FrameColor(TFrameColorSlot::InactivePointer), 0x00CCFFCCu);
  EXPECT_EQ(Parts(Form).Settings.FrameColor(TFrameColorSlot::ActiveWindow), 0x00FFFF00u);
  EXPECT_EQ(Parts(Form).Settings.FrameColor(TFrameColorSlot::InactiveWindow), 0x00FFFFCCu);
  EXPECT_FALSE(Parts(Form).Settings.IsSilentMode);
  EXPECT_EQ(Parts(Form).Settings.TrayIconIndex, 0);
  EXPECT_EQ(Parts(Form).Commands.ActPopMinimizeAndRestore.ShortCut, 0);

  Form->SetBounds(120, 80, 300, 240);
  const TIniFileResult saved = SaveSettings(*Form);
  EXPECT_TRUE(saved.Ok);
  EXPECT_EQ(FileAsText(Desk, kIni),
            u"[Language]\r\n"
            u"LangFileName=C:\\Tools\\Lensoro\\Lang\\LN日本語_かな.lang\r\n"
            u"\r\n"
            u"[MainForm]\r\nLeft=120\r\nTop=80\r\nWidth=300\r\nHeight=240\r\n\r\n"
            u"[Loupe]\r\n"
            u"IsSilentMode=0\r\nTrayIconIndex=0\r\nLoupeMode=0\r\nLoupeRate=2\r\nLoupeSrcOrigin=0\r\n"
            u"LoupeColorMode=0\r\nFrameWidth=4\r\n"
            u"ActivePointerModeFrameColor=$0000FF00\r\nInactivePointerModeFrameColor=$00CCFFCC\r\n"
            u"ActiveWindowModeFrameColor=$00FFFF00\r\nInactiveWindowModeFrameColor=$00FFFFCC\r\n"
            u"\r\n"
            u"[ShortCut]\r\nActPopMinimizeAndRestore=0,\r\n\r\n");
  // Written beside the file and moved in; nothing is left behind.
  EXPECT_EQ(Desk.File(TemporaryFileName(Proc, kIni)), nullptr);
}

// A later key: a file that never had it keeps without it while it is off.
TEST_F(SettingsTest, FollowTypingIsWrittenWhenOnOrWhenTheFileHadIt) {
  const struct {
    const char16_t* InFile;  // the [Loupe] line, if any
    bool Read, Set;
    const char16_t* Saved;  // the value written, empty for no key
  } cases[] = {
      {u"", false, false, u""},
      {u"", false, true, u"1"},
      {u"FollowTyping=1\r\n", true, false, u"0"},
      {u"FollowTyping=0\r\n", false, false, u"0"},
      {u"followtyping=2\r\n", true, true, u"1"},
  };
  Create();
  for (const auto& c : cases) {
    Desk.AddFile(kIni, Utf16File(std::u16string(u"[Loupe]\r\n") + c.InFile));
    Parts(Form).Settings.FollowTyping = false;  // the default
    LoadSettings(*Form);
    EXPECT_EQ(Parts(Form).Settings.FollowTyping, c.Read) << Utf16ToUtf8(c.InFile);
    Parts(Form).Settings.FollowTyping = c.Set;
    ASSERT_TRUE(SaveSettings(*Form).Ok);
    const std::string bytes = Desk.FileText(kIni);
    const TIniFile saved(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    EXPECT_EQ(saved.ReadString(u"Loupe", u"FollowTyping", u""), c.Saved) << Utf16ToUtf8(c.InFile);
  }
}

TEST_F(SettingsTest, AHandEditedFileIsWhatTheLoupeShowsAndSurvivesTheSave) {
  Desk.AddFile(kIni, Utf16File(u"; edited by hand\r\n"
                               u"[mainform]\r\nleft=50\r\nTop=60\r\nWidth=400\r\nHeight=0x12C\r\n"
                               u"[loupe]\r\n"
                               u"LoupeRate=3.5\r\nLoupeMode=1\r\nLoupeColorMode=2\r\nframewidth=6\r\n"
                               u"IsSilentMode=2\r\nLoupeSrcOrigin=260\r\n"  // 260 & 0xFF is 4
                               u"ActivePointerModeFrameColor=clRed\r\n"
                               u"ActiveWindowModeFrameColor=clBtnFace\r\n"
                               u"InactiveWindowModeFrameColor=what\r\n"
                               u"MyOwnKey=stays\r\n"
                               u"[ShortCut]\r\nActPopMinimizeAndRestore=77,Ctrl+Alt+\r\n"));
  Create();
  LoadSettings(*Form);
  EXPECT_EQ(Form->BoundsRect(), (TRect{50, 60, 450, 360}));
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, 3.5f);
  EXPECT_EQ(Parts(Form).Settings.LoupeMode, lmWindow);
  EXPECT_EQ(Parts(Form).Settings.LoupeColorMode, lcmGray);
  EXPECT_EQ(Parts(Form).Settings.FrameWidth, 6);
  EXPECT_TRUE(Parts(Form).Settings.IsSilentMode);
  EXPECT_EQ(Parts(Form).Settings.LoupeSrcOrigin, lsoCenter);
  EXPECT_EQ(Parts(Form).Settings.FrameColor(TFrameColorSlot::ActivePointer), 0x000000FFu);
  EXPECT_EQ(Parts(Form).Settings.FrameColor(TFrameColorSlot::ActiveWindow), 0xFF00000Fu);
  EXPECT_EQ(Parts(Form).Settings.FrameColor(TFrameColorSlot::InactiveWindow), 0x00FFFFCCu);
  EXPECT_EQ(Parts(Form).Commands.ActPopMinimizeAndRestore.ShortCut, ShortCut(77, ssCtrl | ssAlt));

  Parts(Form).Settings.LoupeRate = 1.3f;
  ASSERT_TRUE(SaveSettings(*Form).Ok);
  const std::string bytes = Desk.FileText(kIni);
  const TIniFile saved(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  EXPECT_EQ(saved.ReadString(u"Loupe", u"IsSilentMode", u""), u"1");
  EXPECT_EQ(saved.ReadString(u"Loupe", u"LoupeRate", u""), u"1.29999995231628");
  EXPECT_EQ(saved.ReadString(u"Loupe", u"ActiveWindowModeFrameColor", u""), u"$00F0F0F0");  // the system colour's value
  EXPECT_EQ(saved.ReadString(u"Loupe", u"ActivePointerModeFrameColor", u""), u"$000000FF");
  EXPECT_EQ(saved.ReadString(u"Loupe", u"MyOwnKey", u""), u"stays");
  EXPECT_EQ(saved.ReadString(u"ShortCut", u"ActPopMinimizeAndRestore", u""), u"77,Ctrl+Alt+");
  EXPECT_EQ(saved.SectionNames(), (std::vector<std::u16string>{u"mainform", u"loupe", u"ShortCut", u"Language"}));
  EXPECT_EQ(FileAsText(Desk, kIni).find(u"; edited by hand\r\n\r\n[mainform]\r\n"), 0u);

  // The next start reads back what was saved.
  Parts(Form).Settings.LoupeRate = 2.0f;
  Parts(Form).Settings.LoupeColorMode = lcmOriginal;
  LoadSettings(*Form);
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, 1.3f);
  EXPECT_EQ(Parts(Form).Settings.LoupeColorMode, lcmGray);
}

TEST_F(SettingsTest, UnreadableOrOutOfRangeValuesGiveSoundValues) {
  Desk.DecimalSeparator = u".";
  Desk.AddFile(kIni, Utf16File(u"[Loupe]\r\nLoupeRate=1,5\r\nFrameWidth=99\r\nLoupeMode=7\r\nLoupeColorMode=-1\r\n"
                               u"TrayIconIndex=-3\r\nIsSilentMode=true\r\n"
                               u"[MainForm]\r\nWidth=-5\r\nHeight=0\r\n"
                               u"[ShortCut]\r\nActPopMinimizeAndRestore=M,Ctrl+\r\n"));
  Create();
  const TRect before = Form->BoundsRect();
  Parts(Form).HotKey.Assign(ShortCut(65, ssCtrl), THotKeyOrigin::Saved);
  LoadSettings(*Form);
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, 1.5f);  // a comma reads under a point locale too
  EXPECT_EQ(Parts(Form).Settings.FrameWidth, 10);
  EXPECT_EQ(Parts(Form).Settings.LoupeMode, lmPointer);
  EXPECT_EQ(Parts(Form).Settings.LoupeColorMode, lcmOriginal);
  EXPECT_EQ(Parts(Form).Settings.TrayIconIndex, 0);
  EXPECT_FALSE(Parts(Form).Settings.IsSilentMode);
  EXPECT_EQ(Form->BoundsRect(), before);
  EXPECT_EQ(Parts(Form).Commands.ActPopMinimizeAndRestore.ShortCut, ShortCut(65, ssCtrl));  // unchanged

  // Rates outside the loupe's range come in at its ends; a comma locale reads "1,5".
  Desk.AddFile(kIni, Utf16File(u"[Loupe]\r\nLoupeRate=1e300\r\n"));
  LoadSettings(*Form);
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, 8.0f);
  Desk.AddFile(kIni, Utf16File(u"[Loupe]\r\nLoupeRate=0\r\n"));
  LoadSettings(*Form);
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, 1.3f);
  Desk.DecimalSeparator = u",";
  Desk.AddFile(kIni, Utf16File(u"[Loupe]\r\nLoupeRate=1.25\r\n[ShortCut]\r\nActPopMinimizeAndRestore=0,\r\n"));
  LoadSettings(*Form);
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, 1.3f);
  Desk.AddFile(kIni, Utf16File(u"[Loupe]\r\nLoupeRate=1,5\r\n[ShortCut]\r\nActPopMinimizeAndRestore=0,\r\n"));
  LoadSettings(*Form);
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, 1.5f);
  EXPECT_EQ(Parts(Form).Commands.ActPopMinimizeAndRestore.ShortCut, 0);
  ASSERT_TRUE(SaveSettings(*Form).Ok);
  EXPECT_NE(FileAsText(Desk, kIni).find(u"LoupeRate=1,5\r\n"), std::u16string::npos);
}

// A hand-edited file in the forms people write, and values the loupe cannot
// take: those are told at start in one message, and the next save keeps
// each such line as a comment above the value that replaced it.
TEST_F(SettingsTest, ValuesItCannotTakeAreToldOnceAndKeptAsComments) {
  Desk.DecimalSeparator = u".";
  Desk.AddFile(kIni, Utf16File(u"; my settings\r\n"
                               u"[MainForm]\r\nWidth=-5\r\nTop=abc\r\n"
                               u"[Loupe]\r\nLoupeRate=2,5\r\nFrameWidth=99\r\nLoupeMode=7\r\nLoupeSrcOrigin=260\r\n"
                               u"IsSilentMode=true\r\nTrayIconIndex=-3\r\n"
                               u"ActivePointerModeFrameColor=#FF0000\r\n"
                               u"; the window colours\r\n"
                               u"ActiveWindowModeFrameColor=red\r\nInactiveWindowModeFrameColor=\r\n"
                               u"[ShortCut]\r\nActPopMinimizeAndRestore=Ctrl+Alt+Z\r\n"));
  Create();
  const TLoupeSettings& s = Parts(Form).Settings;
  EXPECT_EQ(s.LoupeRate, 2.5f);
  EXPECT_EQ(s.FrameColor(TFrameColorSlot::ActivePointer), 0x000000FFu);
  EXPECT_EQ(Parts(Form).Commands.ActPopMinimizeAndRestore.ShortCut, ShortCut(u'Z', ssCtrl | ssAlt));
  EXPECT_EQ(s.FrameWidth, 10);
  EXPECT_EQ(s.LoupeSrcOrigin, lsoCenter);

  const std::u16string width = AsciiToUtf16(std::to_string(Form->BoundsRect().Width()).c_str());
  const std::u16string top = AsciiToUtf16(std::to_string(Form->BoundsRect().Top).c_str());
  // In the order the file is read.
  const struct {
    std::u16string Key, Found, Used;
  } told[] = {
      {u"Top", u"abc", top},
      {u"Width", u"-5", width},
      {u"IsSilentMode", u"true", u"0"},
      {u"TrayIconIndex", u"-3", u"0"},
      {u"LoupeMode", u"7", u"0"},
      {u"LoupeSrcOrigin", u"260", u"4"},
      {u"FrameWidth", u"99", u"10"},
      {u"ActiveWindowModeFrameColor", u"red", u"$00FFFF00"},
  };
  std::u16string message =
      u"ぽてりんは設定ファイルの一部の値を理解できませんでした: [" + std::u16string(kIni) + u"]\r\n";
  for (const auto& t : told) message += u"\r\n" + t.Key + u"=" + t.Found + u": 代わりに " + t.Used + u" を使います";
  message += u"\r\n\r\n次に設定を保存するとき、これらの行は使った値の上にコメントとして残します。";
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.Dialogs[0].Text, message) << Utf16ToUtf8(Desk.Dialogs[0].Text);
  EXPECT_EQ(Desk.Dialogs[0].Type, TMsgDlgType::Warning);

  // Saved twice: each line is kept once, just above the value written, and
  // the user's own comments where they were.
  ASSERT_TRUE(SaveSettings(*Form).Ok);
  ASSERT_TRUE(SaveSettings(*Form).Ok);
  const std::u16string text = FileAsText(Desk, kIni);
  EXPECT_EQ(text.find(u"; my settings\r\n\r\n[MainForm]\r\n; Width=-5\r\nWidth=" + width + u"\r\n; Top=abc\r\nTop="),
            0u)
      << Utf16ToUtf8(text);
  for (const auto& t : told) {
    const std::u16string kept = u"; " + t.Key + u"=" + t.Found + u"\r\n";
    EXPECT_NE(text.find(kept + t.Key + u"=" + t.Used + u"\r\n"), std::u16string::npos) << Utf16ToUtf8(t.Key);
    EXPECT_EQ(text.find(kept), text.rfind(kept)) << Utf16ToUtf8(t.Key);
  }
  EXPECT_NE(text.find(u"; the window colours\r\n; ActiveWindowModeFrameColor=red\r\n"), std::u16string::npos);
  // Understood forms are written as the program writes them.
  EXPECT_NE(text.find(u"LoupeRate=2.5\r\n"), std::u16string::npos);
  EXPECT_NE(text.find(u"ActivePointerModeFrameColor=$000000FF\r\n"), std::u16string::npos);
  EXPECT_NE(text.find(u"ActPopMinimizeAndRestore=90,Ctrl+Alt+\r\n"), std::u16string::npos);

  // The next start has nothing to tell.
  LoadSettings(*Form);
  EXPECT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_TRUE(Form->SettingNotes().empty());
}

TEST_F(SettingsTest, ClosingTheOptionsDialogWritesPositionThenEverything) {
  Create();
  int left = 10, top = 20;
  LoadOptionFormPosition(App, left, top);
  EXPECT_EQ(left, 10);  // no file: the designed position
  EXPECT_EQ(top, 20);

  Desk.ClearCalls();
  ASSERT_TRUE(SaveOptionFormPosition(App, 400, 150).Ok);
  EXPECT_EQ(FileAsText(Desk, kIni), u"[OptionForm]\r\nLeft=400\r\nTop=150\r\n\r\n");
  ASSERT_TRUE(SaveSettings(*Form).Ok);
  EXPECT_EQ(Desk.CountCalls("MoveFileExW", Proc.Pid), 2);
  const std::u16string text = FileAsText(Desk, kIni);
  EXPECT_EQ(text.find(u"[OptionForm]\r\nLeft=400\r\nTop=150\r\n\r\n[Language]\r\n"), 0u);
  LoadOptionFormPosition(App, left, top);
  EXPECT_EQ(left, 400);
  EXPECT_EQ(top, 150);

  // An existing file without the section gets it after the others.
  Desk.AddFile(kIni, Utf16File(u"[Loupe]\r\nFrameWidth=3\r\n"));
  ASSERT_TRUE(SaveOptionFormPosition(App, -5, 7).Ok);
  EXPECT_EQ(FileAsText(Desk, kIni), u"[Loupe]\r\nFrameWidth=3\r\n\r\n[OptionForm]\r\nLeft=-5\r\nTop=7\r\n\r\n");
}

TEST_F(SettingsTest, AFailedSaveKeepsTheOldFileWholeAndTellsOnce) {
  const std::string old = Utf16File(u"[Loupe]\r\nFrameWidth=6\r\nMine=1\r\n");
  Create();
  TSaveFailureNotice notice;

  // A full disk while the new bytes are written.
  Desk.AddFile(kIni, old);
  Desk.FailNext("WriteFileBytes", win::ERROR_DISK_FULL, 2);
  TIniFileResult r = SaveSettings(*Form);
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Error, win::ERROR_DISK_FULL);
  EXPECT_EQ(Proc.GetLastError(), win::ERROR_DISK_FULL);
  EXPECT_EQ(Desk.FileText(kIni), old);
  EXPECT_EQ(Desk.File(TemporaryFileName(Proc, kIni)), nullptr);
  ReportSaveResult(App, notice, r, Form->Handle());
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(
      Desk.Dialogs[0].Text,
      u"ぽてりんは設定を保存できません: [C:\\Tools\\Lensoro\\lensoro.ini] (There is not enough space on the disk)");
  EXPECT_EQ(Desk.Dialogs[0].Type, TMsgDlgType::Error);
  // The same failure again stays quiet.
  r = SaveSettings(*Form);
  ReportSaveResult(App, notice, r, Form->Handle());
  EXPECT_EQ(Desk.Dialogs.size(), 1u);

  // A file that cannot be replaced (read-only): the temporary file goes.
  Desk.AddFile(kIni, old, /*readOnly=*/true);
  r = SaveSettings(*Form);
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Error, win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(Desk.FileText(kIni), old);
  EXPECT_EQ(Desk.File(TemporaryFileName(Proc, kIni)), nullptr);
  ReportSaveResult(App, notice, r, Form->Handle());
  EXPECT_EQ(Desk.Dialogs.size(), 2u);  // another kind of failure is told

  // A read-only folder: the temporary file cannot be made.
  Desk.AddFile(kIni, old);
  Desk.FailNext("WriteFileBytes", win::ERROR_ACCESS_DENIED);
  r = SaveSettings(*Form);
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(Desk.FileText(kIni), old);
  ReportSaveResult(App, notice, r, Form->Handle());
  EXPECT_EQ(Desk.Dialogs.size(), 2u);

  // A file that exists but cannot be read is not overwritten from nothing.
  Desk.FailNext("ReadFileBytes", 32);
  r = SaveSettings(*Form);
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Error, 32u);
  EXPECT_EQ(Desk.FileText(kIni), old);

  // Once a save succeeds, a later failure is news again.
  r = SaveSettings(*Form);
  EXPECT_TRUE(r.Ok);
  ReportSaveResult(App, notice, r, Form->Handle());
  Desk.FailNext("MoveFileExW", win::ERROR_ACCESS_DENIED);
  r = SaveSettings(*Form);
  ReportSaveResult(App, notice, r, Form->Handle());
  EXPECT_EQ(Desk.Dialogs.size(), 3u);
  EXPECT_NE(FileAsText(Desk, kIni).find(u"Mine=1"), std::u16string::npos);
}

// A file held by another program (or a full disk) at a save: the box
// offers Retry, which saves again, and Cancel, which leaves the file.
TEST_F(SettingsTest, AFailedSaveOffersRetryAndCancelLeavesTheFile) {
  const std::string old = Utf16File(u"[Loupe]\r\nFrameWidth=6\r\n");
  const struct {
    const char* Name;
    int Failures;              // saves that fail before the file is free
    std::vector<int> Answers;  // to the boxes, in turn
    bool Saved;
  } cases[] = {
      {"Retry once the file is free", 1, {win::IDRETRY}, true},
      {"Retry while it is still held asks again", 2, {win::IDRETRY, win::IDRETRY}, true},
      {"Cancel", 1, {win::IDCANCEL}, false},
      {"Retry, then Cancel", 3, {win::IDRETRY, win::IDCANCEL}, false},
  };
  Create();
  Parts(Form).Settings.FrameWidth = 3;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Desk.AddFile(kIni, old);
    Desk.Dialogs.clear();
    Desk.FailNext("MoveFileExW", 32, c.Failures, Proc.Pid);  // ERROR_SHARING_VIOLATION
    std::size_t asked = 0;
    Desk.DialogResponder = [&](TSimProcess&, const TSimDialog& d) {
      EXPECT_EQ(d.Buttons, mbRetry | mbCancel);
      return asked < c.Answers.size() ? c.Answers[asked++] : win::IDCANCEL;
    };
    TSaveFailureNotice notice;
    ReportSaveResult(App, notice, SaveSettings(*Form), Form->Handle(), [this] { return SaveSettings(*Form); });
    Desk.ClearFailures();
    EXPECT_EQ(Desk.Dialogs.size(), c.Answers.size());
    EXPECT_EQ(FileAsText(Desk, kIni).find(u"FrameWidth=3") != std::u16string::npos, c.Saved);
    if (!c.Saved) {
      EXPECT_EQ(Desk.FileText(kIni), old);
    }
  }
  EXPECT_NE(Desk.Dialogs[0].Text.find(
                u"\r\n\r\nもう一度試すには [再試行]、ファイルをそのままにするには [キャンセル] を選んでください。"),
            std::u16string::npos);
}

TEST_F(SettingsTest, AFileInAnotherEncodingIsKeptAsideNotOverwritten) {
  // An 8-bit (ANSI) file: neither UTF-16 nor UTF-8.
  const std::string ansi = "[Loupe]\r\nFrameWidth=6\r\nName=caf\xE9\r\n";
  Desk.AddFile(kIni, ansi);
  Desk.AddFile(std::u16string(kIni) + u".bak", "older backup");
  Create();
  EXPECT_EQ(Parts(Form).Settings.FrameWidth, 4);  // read as empty
  // Told at start, with the reason and what the save will do.
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.Dialogs[0].Text,
            u"ぽてりんは設定ファイルを読み込めません: [C:\\Tools\\Lensoro\\lensoro.ini] (UTF-8 でも UTF-16 LE "
            u"でもありません。どちらかで保存してください)\r\n\r\n今回は既定の設定で始めます。設定を保存するとき、"
            u"元のファイルは .bak ファイルとして隣に残します。")
      << Utf16ToUtf8(Desk.Dialogs[0].Text);
  const TIniFileResult r = SaveSettings(*Form);
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(r.KeptAsPath, std::u16string(kIni) + u".bak1");
  EXPECT_EQ(Desk.FileText(std::u16string(kIni) + u".bak1"), ansi);
  EXPECT_EQ(Desk.FileText(std::u16string(kIni) + u".bak"), "older backup");
  EXPECT_NE(FileAsText(Desk, kIni).find(u"[Loupe]"), std::u16string::npos);
  // The loupe's own notice heard of it at start: the save adds no word.
  ReportSaveResult(App, Parts(Form).SaveNotice, r, Form->Handle());
  EXPECT_EQ(Desk.Dialogs.size(), 1u);
  // Without that, the kept file is named.
  TSaveFailureNotice notice;
  ReportSaveResult(App, notice, r, Form->Handle());
  ASSERT_EQ(Desk.Dialogs.size(), 2u);
  EXPECT_EQ(
      Desk.Dialogs[1].Text,
      u"ぽてりんは設定ファイルを読み込めなかったため、次の名前で残しました: [C:\\Tools\\Lensoro\\lensoro.ini.bak1]");
  // A readable file from now on: nothing more is kept aside.
  EXPECT_TRUE(SaveSettings(*Form).KeptAsPath.empty());

  // Odd length and junk likewise; if keeping it aside fails, so does the save.
  const std::string junk("\x01\x00\x00\x00\xFF", 5);
  Desk.AddFile(kIni, junk);
  Desk.FailNext("MoveFileExW", win::ERROR_ACCESS_DENIED);
  EXPECT_FALSE(SaveSettings(*Form).Ok);
  EXPECT_EQ(Desk.FileText(kIni), junk);
  const TIniFileResult kept = SaveSettings(*Form);
  EXPECT_TRUE(kept.Ok);
  EXPECT_EQ(Desk.FileText(kept.KeptAsPath), junk);
}

// Saved by an editor as UTF-16 big-endian: the file is told of and kept
// aside as any unreadable one, but in the language it names, caption and
// text alike.
TEST_F(SettingsTest, ABigEndianFileIsToldInTheLanguageItNames) {
  const std::u16string english = u"C:\\Tools\\Lensoro\\Lang\\English.lang";
  Desk.AddFile(english, Utf16File(u"[Lang: Msg]\r\nMsgDialogCaption=Lensoro\r\n[Lang: Notices]\r\n"
                                  u"MsgErrorCannotReadSettings=EN: [%s] (%s)\r\nMsgNoteKeptAsBak=EN kept\r\n"
                                  u"MsgReasonUtf16BigEndian=EN big-endian\r\n"));
  std::string big = Utf16File(u"[Language]\r\nLangFileName=" + english + u"\r\n[Loupe]\r\nFrameWidth=7\r\n");
  for (std::size_t i = 0; i + 1 < big.size(); i += 2) std::swap(big[i], big[i + 1]);
  Desk.AddFile(kIni, big);
  Copy.Create();
  EXPECT_EQ(App.Lang.LangFile, english);
  EXPECT_EQ(Parts(Form).Settings.FrameWidth, 4);  // the settings themselves are not taken
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.Dialogs[0].Caption, u"Lensoro");
  EXPECT_EQ(Desk.Dialogs[0].Text, u"EN: [" + std::u16string(kIni) + u"] (EN big-endian)\r\n\r\nEN kept");
  const TIniFileResult saved = SaveSettings(*Form);
  ASSERT_TRUE(saved.Ok);
  EXPECT_EQ(Desk.FileText(saved.KeptAsPath), big);
  EXPECT_NE(FileAsText(Desk, kIni).find(u"LangFileName=" + english + u"\r\n"), std::u16string::npos);
}

// Found by the fault sweep: a settings file another program held at start
// was read as empty, and the defaults of that session were saved over it.
TEST_F(SettingsTest, AFileThatCouldNotBeReadAtStartIsToldAndLeftAsItWas) {
  const std::string user = Utf16File(u"[MainForm]\r\nLeft=300\r\nTop=200\r\n[Loupe]\r\nLoupeRate=3.5\r\n");
  Desk.AddFile(kIni, user);
  // Every read of the start fails: the language's, the settings', the images'.
  Desk.FailNext("ReadFileBytes", 32, 100, Proc.Pid);  // ERROR_SHARING_VIOLATION
  Copy.Create();
  Desk.ClearFailures();
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, 2.0f);
  // Told once (the tray image that could not be read has its own report).
  const auto told = [this] {
    int n = 0;
    for (const TSimDialog& d : Desk.Dialogs) {
      if (d.Text.rfind(u"ぽてりんは設定ファイルを読み込めません: [C:\\Tools\\Lensoro\\lensoro.ini] (", 0) == 0) {
        EXPECT_EQ(d.Type, TMsgDlgType::Error);
        ++n;
      }
    }
    return n;
  };
  EXPECT_EQ(told(), 1);
  const std::size_t shown = Desk.Dialogs.size();

  // The file can be read again by now; the session's settings still stay out
  // of it, and the failure is not told a second time.
  Parts(Form).Settings.LoupeRate = 5.0f;
  EXPECT_FALSE(SaveSettings(*Form).Ok);
  Form.reset();
  EXPECT_EQ(Desk.FileText(kIni), user);
  EXPECT_EQ(Desk.Dialogs.size(), shown);
}

// Found by the fault sweep: when the language the settings name could not be
// read at start, the default stood in and its name was saved over the
// user's choice, until the user picks one.
TEST_F(SettingsTest, ALanguageThatFellBackAtStartKeepsItsNameInTheSettings) {
  Desk.AddFile(kIni, Utf16File(u"[Language]\r\nLangFileName=C:\\Tools\\Lensoro\\Lang\\English.lang\r\n"
                               u"[Loupe]\r\nLoupeRate=3.5\r\n"));
  Desk.AddFile(u"C:\\Tools\\Lensoro\\Lang\\English.lang", Utf16File(u"[MainForm]\r\n"));
  Desk.FailNext("ReadFileBytes", 32, 1, Proc.Pid);  // the language's name only
  Copy.Create();
  EXPECT_TRUE(App.Lang.FellBack);
  EXPECT_EQ(App.Lang.LangFile, std::u16string(kLang));
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, 3.5f);  // the rest was read
  EXPECT_TRUE(Desk.Dialogs.empty());
  Parts(Form).Settings.LoupeRate = 4.0f;
  ASSERT_TRUE(SaveSettings(*Form).Ok);
  std::u16string saved = FileAsText(Desk, kIni);
  EXPECT_NE(saved.find(u"LoupeRate=4\r\n"), std::u16string::npos) << Utf16ToUtf8(saved);
  EXPECT_NE(saved.find(u"LangFileName=C:\\Tools\\Lensoro\\Lang\\English.lang\r\n"), std::u16string::npos)
      << Utf16ToUtf8(saved);

  // A language the user picks is saved.
  BuildLangMenu(App);
  const auto& list = App.Lang.LangFileList;
  const auto it = std::find(list.begin(), list.end(), std::u16string(kLang));
  ASSERT_NE(it, list.end());
  ASSERT_TRUE(Parts(Form).Commands.LanguageListClick(static_cast<int>(it - list.begin())));
  EXPECT_FALSE(App.Lang.FellBack);
  ASSERT_TRUE(SaveSettings(*Form).Ok);
  saved = FileAsText(Desk, kIni);
  EXPECT_NE(saved.find(u"LangFileName=" + std::u16string(kLang) + u"\r\n"), std::u16string::npos) << Utf16ToUtf8(saved);
}

namespace {
int ReadsOf(const TSimDesktop& desk, const std::u16string& path) {
  int n = 0;
  for (const auto& c : desk.Calls())
    if (std::string(c.Name) == "ReadFileBytes" && c.A[0] == static_cast<std::int64_t>(path.size())) ++n;
  return n;
}
}  // namespace

TEST_F(SettingsTest, TheStartReadsTheSettingsFileOnceAndTheNextLoadSeesWhatWasWrittenMeanwhile) {
  Desk.AddFile(kIni, Utf16File(u"[Loupe]\r\nLoupeRate=3.5\r\n"));
  Copy.Create();
  EXPECT_EQ(ReadsOf(Desk, kIni), 1);  // the language's name and the settings
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, 3.5f);
  EXPECT_EQ(App.FileBatch, nullptr);  // the batch ended with the start

  Desk.AddFile(kIni, Utf16File(u"[Loupe]\r\nLoupeRate=5\r\n[OptionForm]\r\nLeft=77\r\n"));
  Desk.ClearCalls();
  LoadSettings(*Form);
  int left = 0, top = 0;
  LoadOptionFormPosition(App, left, top);
  EXPECT_EQ(Parts(Form).Settings.LoupeRate, 5.0f);
  EXPECT_EQ(left, 77);
  EXPECT_EQ(ReadsOf(Desk, kIni), 2);  // loads outside a batch read afresh
}

TEST_F(SettingsTest, ABatchKeepsWhatItReadUntilTheFileIsSavedAndRetriesWhatItCouldNotRead) {
  Create();
  Desk.AddFile(kIni, Utf16File(u"[Loupe]\r\nFrameWidth=7\r\n"));
  TFileBatchScope batch(App);
  Desk.FailNext("ReadFileBytes", 32, 1, Proc.Pid);  // held a moment by another program
  EXPECT_EQ(ReadLangFileName(App), std::u16string(kLang));
  Desk.ClearCalls();
  LoadSettings(*Form);
  LoadSettings(*Form);
  EXPECT_EQ(Parts(Form).Settings.FrameWidth, 7);
  EXPECT_EQ(ReadsOf(Desk, kIni), 1);

  // A save within the batch: the next load reads the file it wrote.
  Parts(Form).Settings.FrameWidth = 2;
  ASSERT_TRUE(SaveSettings(*Form).Ok);
  Parts(Form).Settings.FrameWidth = 9;
  Desk.ClearCalls();
  LoadSettings(*Form);
  EXPECT_EQ(Parts(Form).Settings.FrameWidth, 2);
  EXPECT_EQ(ReadsOf(Desk, kIni), 1);
}

TEST_F(SettingsTest, OnlyAGeometryValueThatDiffersFromTheWindowsIsSentToIt) {
  Create();
  const TRect d = Form->BoundsRect();
  auto num = [](int v) { return AsciiToUtf16(std::to_string(v).c_str()); };
  const struct {
    std::u16string Text;
    int Sent;
    TRect Result;
  } cases[] = {
      {u"", 0, d},
      {u"Left=" + num(d.Left) + u"\r\nTop=" + num(d.Top) + u"\r\nWidth=" + num(d.Width()) + u"\r\nHeight=" +
           num(d.Height()),
       0, d},
      {u"Left=10\r\nHeight=" + num(d.Height()), 1, {10, d.Top, 10 + d.Width(), d.Bottom}},
      {u"Width=300\r\nHeight=0", 1, {10, d.Top, 310, d.Bottom}},  // 0 keeps the height
  };
  for (const auto& c : cases) {
    Desk.AddFile(kIni, Utf16File(u"[MainForm]\r\n" + c.Text + u"\r\n"));
    Desk.ClearCalls();
    LoadSettings(*Form);
    int sent = 0;
    for (const auto& call : Desk.Calls())
      if (std::string(call.Name) == "SetWindowPos" && call.A[0] == static_cast<std::int64_t>(Form->Handle())) ++sent;
    EXPECT_EQ(sent, c.Sent) << Utf16ToUtf8(c.Text);
    EXPECT_EQ(Form->BoundsRect(), c.Result) << Utf16ToUtf8(c.Text);
  }
}

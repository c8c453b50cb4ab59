// Languages on the simulated desktop: the folder, the default file byte for
// byte, applying a file, the language menu and switching.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
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

// Made once from the file's layout by a separate script, not by this code.
std::string ExpectedDefaultFile() {
  std::string path = __FILE__;
  path = path.substr(0, path.find_last_of("/\\") + 1) + "../data/DefaultLang.lang";
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

constexpr char16_t kDir[] = u"C:\\Tools\\Lensoro\\";
constexpr char16_t kLangDir[] = u"C:\\Tools\\Lensoro\\Lang\\";
const std::u16string kDefault = std::u16string(kLangDir) + DefaultLangFileName;

class LangTest : public test::TLoupeTest {
 protected:
  void Create() {
    Desk.AddFolder(kDir);
    Copy.Create();
  }
  // The start-up steps of the language.
  void StartUp() {
    EnsureLangDir(App);
    Parts(Form).Commands.ApplyMainFormLang();
  }
};

}  // namespace

TEST(DefaultLangFile, IsByteForByteTheLaidOutFile) {
  const std::string expected = ExpectedDefaultFile();
  ASSERT_GT(expected.size(), 1000u);
  const std::vector<std::uint8_t> bytes = DefaultLangFileBytes();
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);
  // Read with the engine: the six sections in order, every key with its file text.
  const TIniFile ini(bytes);
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::u16string>{u"Application", u"MainForm", u"Lang: Menu", u"Lang: Msg",
                                                             u"OptionForm", u"AboutForm"}));
  int differ = 0;
  for (const auto& e : DefaultLangEntries()) {
    EXPECT_EQ(ini.ReadString(e.Section, e.Key, u"<missing>"), e.FileText);
    if (std::u16string(e.FileText) != e.BuiltIn) ++differ;
  }
  EXPECT_EQ(differ, 1);
  EXPECT_EQ(BuiltInText(u"AboutForm.Caption"), u"ぽてりんの バージョン じょーほー");
}

TEST_F(LangTest, FirstStartInAnEmptyFolderMakesLangAndTheDefaultFile) {
  Create();
  StartUp();
  EXPECT_EQ(App.Lang.LangDir, kLangDir);
  EXPECT_EQ(App.Lang.LangFile, kDefault);
  EXPECT_EQ(Desk.FileText(kDefault), ExpectedDefaultFile());
  EXPECT_TRUE(Desk.Dialogs.empty());
  EXPECT_EQ(App.Title, u"ぽてりん");
  EXPECT_EQ(Parts(Form).Commands.ActPopQuit.Caption, u"しゅーりょー(&X)");
  EXPECT_EQ(Parts(Form).Commands.ActPopSetLoupeColorModelcmGrayscale.Caption, u"グレー スケール");
  EXPECT_EQ(App.Lang.Texts.size(), 18u + AddedLangEntries().size());
  // The default file carries none of the added texts: they are English.
  EXPECT_EQ(App.Lang.Text(u"MsgReasonBinary"), u"テキストではなくバイナリ データです");
  EXPECT_EQ(App.Lang.MsgDialogCaption, u"ぽてりん [おしらせ]");
  EXPECT_EQ(App.Lang.Text(u"RestoreFromTrayCaption"), u"もとの サイズに もどす");

  const auto items = BuildLangMenu(App);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].Caption, u"LN日本語_かな");
  EXPECT_TRUE(items[0].Checked);
  EXPECT_EQ(items[0].Tag, 0);

  // An existing default file is never overwritten: the user's edits stay.
  Desk.AddFile(kDefault, Utf16File(u"[Application]\r\nApplication.Title=Mine\r\n"));
  Parts(Form).Commands.ApplyMainFormLang();
  EXPECT_EQ(App.Title, u"Mine");
  EXPECT_EQ(Parts(Form).Commands.ActPopQuit.Caption, u"しゅーりょー(&X)");  // missing key: built-in text
}

TEST_F(LangTest, FolderThatCannotBeMadeFallsBackToTheExecutablesFolder) {
  Create();
  Desk.AddFile(std::u16string(kDir) + u"Lang", "a file in the way");
  App.Lang.MsgDialogCaption.clear();  // at start-up no language has been applied yet
  EXPECT_FALSE(EnsureLangDir(App));
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.Dialogs[0].Text, u"Lensoro cannot make directory: [C:\\Tools\\Lensoro\\Lang\\]");
  EXPECT_EQ(Desk.Dialogs[0].Caption, u"Lensoro [Information]");
  EXPECT_EQ(App.Lang.LangDir, kDir);
  Parts(Form).Commands.ApplyMainFormLang();
  EXPECT_EQ(App.Lang.LangFile, std::u16string(kDir) + DefaultLangFileName);
  EXPECT_EQ(Desk.FileText(App.Lang.LangFile), ExpectedDefaultFile());
}

TEST_F(LangTest, MissingParentsAreCreated) {
  TSimProcess& deep = Desk.AddProcess(u"D:\\a\\b\\c\\lensoro.exe");
  TApplication app(deep);
  EXPECT_TRUE(EnsureLangDir(app));
  EXPECT_EQ(app.Lang.LangDir, u"D:\\a\\b\\c\\Lang\\");
  ASSERT_NE(Desk.File(u"d:\\A\\b\\C\\lang"), nullptr);
  EXPECT_TRUE(Desk.File(u"D:\\a\\b\\c\\Lang")->Directory);
  // The settings name a file: it is used as it stands, even outside LangDir.
  Desk.AddFile(u"D:\\a\\b\\c\\lensoro.ini", Utf16File(u"[language]\r\nlangfilename=E:\\Elsewhere\\x.lang\r\n"));
  EXPECT_EQ(ReadLangFileName(app), u"E:\\Elsewhere\\x.lang");
  Desk.AddFile(u"D:\\a\\b\\c\\lensoro.ini", Utf16File(u"[Language]\r\nLangFileName=\r\n"));
  EXPECT_EQ(ReadLangFileName(app), std::u16string(u"D:\\a\\b\\c\\Lang\\") + DefaultLangFileName);
}

TEST_F(LangTest, ApplyingAFileTakesItsTextsAndFallsBackPerKey) {
  Create();
  EnsureLangDir(App);
  Desk.AddFile(std::u16string(kLangDir) + u"English.lang",
               Utf16File(u"[Application]\r\nApplication.Title = Lensoro \r\n"
                         u"[MainForm]\r\nActPopQuit.Caption=E&xit\r\nActPopReset.Caption=\r\n"
                         u"[Lang: Msg]\r\nMsgErrorItemNotFound=Not found: [%n %s%s%s]\r\nMsgDialogCaption=Lensoro\r\n"
                         u"[OptionForm]\r\nRadioGroup102.Items[4]=Centre\r\n"
                         u"[AboutForm]\r\nOKButton.Caption=Fine\r\n"));
  App.Lang.LangFile = std::u16string(kLangDir) + u"english.LANG";
  Parts(Form).Commands.ApplyMainFormLang();
  EXPECT_EQ(App.Title, u"Lensoro");  // spaces around "=" are not part of the text
  EXPECT_EQ(Parts(Form).Commands.ActPopQuit.Caption, u"E&xit");
  EXPECT_EQ(Parts(Form).Commands.ActPopReset.Caption, u"");  // present but empty: empty, not the default
  EXPECT_EQ(Parts(Form).Commands.ActPopZoomIn.Caption, u"ズーム イン");
  EXPECT_EQ(App.Lang.MsgDialogCaption, u"Lensoro");
  // A broken template is shown as it stands with its argument, never run.
  EXPECT_EQ(FormatText(App.Lang.Text(u"MsgErrorItemNotFound"), {u"C:\\x"}), u"Not found: [%n %s%s%s] (C:\\x)");

  const TLangCaptions option = ApplyOptionFormLang(App);
  ASSERT_EQ(option.size(), 30u);
  EXPECT_EQ(option.front().Key, u"OptionForm.Caption");
  EXPECT_EQ(option.back().Key, u"CloseButton.Caption");
  EXPECT_EQ(CaptionOf(option, u"RadioGroup102.Items[4]"), u"Centre");
  EXPECT_EQ(CaptionOf(option, u"RadioGroup102.Items[3]"), u"みぎ した");
  const TLangCaptions about = ApplyAboutFormLang(App);
  ASSERT_EQ(about.size(), 6u);
  EXPECT_EQ(CaptionOf(about, u"OKButton.Caption"), u"Fine");
  EXPECT_EQ(CaptionOf(about, u"AboutForm.Caption"), u"ぽてりんの バージョン じょーほー");

  // A file saved as UTF-8 (with or without its mark) gives its texts; one
  // in no encoding we read gives the built-in ones and is told of once,
  // with the reason.
  const std::u16string utf8 = std::u16string(kLangDir) + u"Utf8.lang";
  for (const std::string mark : {"", "\xEF\xBB\xBF"}) {
    Desk.AddFile(utf8, mark + "[Application]\r\nApplication.Title=Lensoro8 \xE2\x9C\x93\r\n");
    App.Lang.LangFile = utf8;
    Parts(Form).Commands.ApplyMainFormLang();
    EXPECT_EQ(App.Title, u"Lensoro8 ✓");
  }
  const std::u16string ansi = std::u16string(kLangDir) + u"Ansi.lang";
  Desk.AddFile(ansi, "[Application]\r\nApplication.Title=Fran\xE7\x61is\r\n");
  App.Lang.LangFile = ansi;
  Desk.Dialogs.clear();
  for (int i = 0; i < 2; ++i) Parts(Form).Commands.ApplyMainFormLang();
  EXPECT_EQ(App.Title, u"ぽてりん");
  EXPECT_EQ(App.Lang.LangFile, ansi);
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.Dialogs[0].Text, u"ぽてりんは言語ファイルを読み込めません: [" + ansi +
                                      u"] (UTF-8 でも UTF-16 LE でもありません。どちらかで保存してください)");
}

// A translation that leaves out the path of MsgErrorItemNotFound says its
// text alone; a broken one is shown as it stands with the path after it.
TEST_F(LangTest, TheOptionsDialogTakesAnAddedCaptionAsTheAddedMessagesAre) {
  Create();
  StartUp();
  const std::u16string mine = std::u16string(kLangDir) + u"Mine.lang";
  Desk.AddFile(mine, Utf16File(u"[OptionForm]\r\nCloseButton.Caption=Close\r\n"
                               u"[Lang: Notices]\r\nHintHotKeyNeedsCtrlOrAlt=Needs Ctrl or Alt\r\n"));
  App.Lang.LangFile = mine;
  Parts(Form).Commands.ApplyMainFormLang();
  const TLangCaptions option = ApplyOptionFormLang(App);
  const struct {
    const char16_t* Key;
    std::u16string Caption;
  } cases[] = {
      {u"CloseButton.Caption", u"Close"},                   // the default file's, from the file
      {u"Label101.Caption", u"トレイ アイコン"},            // the default file's, missing: built in
      {u"HintHotKeyNeedsCtrlOrAlt", u"Needs Ctrl or Alt"},  // an added one, from the file
      {u"MsgErrorHotKeyTakesTyping", BuiltInText(u"MsgErrorHotKeyTakesTyping")},  // added, missing: built in
      {u"Label199.Caption", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(CaptionOf(option, App.Lang, c.Key), c.Caption) << Utf16ToUtf8(c.Key);
}

TEST_F(LangTest, ItemNotFoundShowsThePathOnlyWhereTheTranslationHasIt) {
  Create();
  const struct {
    const char16_t* Template;
    const char16_t* Shown;
  } cases[] = {
      {u"ありません: [%s]", u"ありません: [C:\\x]"},
      {u"Help is missing.", u"Help is missing."},
      {u"100%% gone", u"100% gone"},
      {u"Gone: %s and %s", u"Gone: %s and %s (C:\\x)"},
  };
  for (const auto& c : cases) {
    App.Lang.Texts[u"MsgErrorItemNotFound"] = c.Template;
    EXPECT_EQ(ItemNotFoundText(App.Lang, u"C:\\x"), c.Shown) << Utf16ToUtf8(c.Template);
  }
}

// The settings name a language file where the program's folder used to be:
// a file of that name in our own folder is the one meant.
TEST_F(LangTest, AMovedFolderKeepsItsLanguage) {
  Create();
  EnsureLangDir(App);
  Desk.AddFile(std::u16string(kLangDir) + u"English.lang", Utf16File(u"[Application]\r\nApplication.Title=E\r\n"));
  Desk.AddFile(u"E:\\Here\\Elsewhere.lang", Utf16File(u""));
  const struct {
    const char16_t* Stored;
    std::u16string Used;
  } cases[] = {
      {u"D:\\Old\\Lensoro\\Lang\\English.lang", std::u16string(kLangDir) + u"English.lang"},
      {u"D:\\Old\\Lensoro\\Lang\\english.LANG", std::u16string(kLangDir) + u"english.LANG"},
      {u"E:\\Here\\Elsewhere.lang", u"E:\\Here\\Elsewhere.lang"},     // there: used as it stands
      {u"D:\\Old\\Lensoro\\Lang\\Gone.lang", u"D:\\Old\\Lensoro\\Lang\\Gone.lang"},  // the apply falls back
      {u"D:\\Old\\Lensoro\\Lang\\", u"D:\\Old\\Lensoro\\Lang\\"},
      {u"D:English.lang", std::u16string(kLangDir) + u"English.lang"},  // drive-relative: the name after "D:"
  };
  for (const auto& c : cases) {
    Desk.AddFile(u"C:\\Tools\\Lensoro\\lensoro.ini",
                 Utf16File(u"[Language]\r\nLangFileName=" + std::u16string(c.Stored) + u"\r\n"));
    EXPECT_EQ(ReadLangFileName(App), c.Used) << Utf16ToUtf8(c.Stored);
  }
  // Used from there, and saved under its new place.
  Desk.AddFile(u"C:\\Tools\\Lensoro\\lensoro.ini",
               Utf16File(u"[Language]\r\nLangFileName=D:\\Old\\Lensoro\\Lang\\English.lang\r\n"));
  StartUp();
  EXPECT_EQ(App.Title, u"E");
  ASSERT_TRUE(SaveSettings(*Form).Ok);
  EXPECT_NE(test::Utf16Text(Desk.FileText(u"C:\\Tools\\Lensoro\\lensoro.ini"))
                .find(u"LangFileName=C:\\Tools\\Lensoro\\Lang\\English.lang\r\n"),
            std::u16string::npos);
}

// The menu lists the folder's entries in the user's locale's order with case
// ignored (accented letters with their base letter, Greek after Latin), not
// by code units; entries of any kind are listed.
TEST_F(LangTest, MenuFollowsTheLocalesOrder) {
  Create();
  StartUp();
  Proc.DeleteFileW(kDefault);
  for (const char16_t* name : {u"Ελληνικά.lang", u"English.lang", u"Čeština.lang", u"español.lang", u"Deutsch.lang",
                               u"catalan.lang", u"Zulu.lang"}) {
    Desk.AddFile(std::u16string(kLangDir) + name, Utf16File(u""));
  }
  Desk.AddFolder(std::u16string(kLangDir) + u"Old.lang");
  std::vector<std::u16string> captions;
  for (const auto& item : BuildLangMenu(App)) captions.push_back(item.Caption);
  EXPECT_EQ(captions, (std::vector<std::u16string>{u"catalan", u"Čeština", u"Deutsch", u"English", u"español",
                                                   u"Old", u"Zulu", u"Ελληνικά"}));
  // Without the platform's comparison the names still come in one order.
  Desk.FailNext("CompareStringW", win::ERROR_INVALID_PARAMETER, 1000);
  EXPECT_EQ(BuildLangMenu(App).size(), 8u);
  EXPECT_EQ(BuildLangMenu(App).front().Caption, u"catalan");
}

TEST_F(LangTest, MenuIsSortedAndChecksTheFileInUseWhateverItsCase) {
  Create();
  StartUp();
  Desk.AddFile(std::u16string(kLangDir) + u"b.lang", Utf16File(u"[Application]\r\nApplication.Title=B\r\n"));
  Desk.AddFile(std::u16string(kLangDir) + u"A.lang", Utf16File(u"[Application]\r\nApplication.Title=A\r\n"));
  Desk.AddFile(std::u16string(kLangDir) + u"R&D.lang", Utf16File(u""));
  Desk.AddFile(std::u16string(kLangDir) + u"notes.txt", "x");
  App.Lang.LangFile = u"c:\\TOOLS\\lensoro\\LANG\\B.LANG";
  auto items = BuildLangMenu(App);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].Caption, u"A");
  EXPECT_EQ(items[1].Caption, u"b");
  EXPECT_EQ(items[2].Caption, u"LN日本語_かな");
  EXPECT_EQ(items[3].Caption, u"R&&D");  // shown as the name, not as an access key
  for (int i = 0; i < 4; ++i) EXPECT_EQ(items[static_cast<std::size_t>(i)].Tag, i);
  EXPECT_TRUE(items[1].Checked);
  EXPECT_FALSE(items[0].Checked || items[2].Checked || items[3].Checked);
  EXPECT_EQ(App.Lang.LangFileList[1], std::u16string(kLangDir) + u"b.lang");

  // Choosing an item switches and applies at once; the menu follows.
  EXPECT_TRUE(Parts(Form).Commands.LanguageListClick(0));
  EXPECT_EQ(App.Title, u"A");
  EXPECT_EQ(App.Lang.LangFile, std::u16string(kLangDir) + u"A.lang");
  items = BuildLangMenu(App);
  EXPECT_TRUE(items[0].Checked);
  EXPECT_FALSE(Parts(Form).Commands.LanguageListClick(4));
  EXPECT_FALSE(Parts(Form).Commands.LanguageListClick(-1));
  EXPECT_EQ(App.Lang.LangFile, std::u16string(kLangDir) + u"A.lang");

  // The choice reaches the settings file with the next save.
  ASSERT_TRUE(SaveSettings(*Form).Ok);
  EXPECT_EQ(ReadLangFileName(App), std::u16string(kLangDir) + u"A.lang");

  // A file outside the folder checks nothing.
  App.Lang.LangFile = u"E:\\x\\A.lang";
  items = BuildLangMenu(App);
  for (const auto& item : items) EXPECT_FALSE(item.Checked);
}

TEST_F(LangTest, ALanguageDeletedWhileInUseFallsBackToTheDefaultFile) {
  Create();
  StartUp();
  const std::u16string mine = std::u16string(kLangDir) + u"Mine.lang";
  Desk.AddFile(mine, Utf16File(u"[OptionForm]\r\nCloseButton.Caption=Close\r\n"));
  App.Lang.LangFile = mine;
  EXPECT_EQ(CaptionOf(ApplyOptionFormLang(App), u"CloseButton.Caption"), u"Close");

  ASSERT_TRUE(Proc.DeleteFileW(mine));
  ASSERT_TRUE(Proc.DeleteFileW(kDefault));
  EXPECT_EQ(CaptionOf(ApplyOptionFormLang(App), u"CloseButton.Caption"), u"とじる");
  EXPECT_EQ(App.Lang.LangFile, kDefault);
  EXPECT_EQ(Desk.FileText(kDefault), ExpectedDefaultFile());  // written again
  ASSERT_TRUE(SaveSettings(*Form).Ok);
  EXPECT_EQ(ReadLangFileName(App), kDefault);

  // When the default file cannot be written either, the built-in texts stand in.
  ASSERT_TRUE(Proc.DeleteFileW(kDefault));
  Desk.FailNext("WriteFileBytes", win::ERROR_ACCESS_DENIED);
  Parts(Form).Commands.ApplyMainFormLang();
  EXPECT_EQ(App.Title, u"ぽてりん");
  EXPECT_EQ(Desk.File(kDefault), nullptr);
  EXPECT_EQ(Desk.File(TemporaryFileName(Proc, kDefault)), nullptr);
}

// A language whose file went after the menu was made: the one in use stays
// and says so in its own words; in use or not, the list is read again.
TEST_F(LangTest, ALanguageGoneWhenChosenKeepsTheOneInUseAndSaysSo) {
  Create();
  StartUp();
  const std::u16string english = std::u16string(kLangDir) + u"English.lang";
  const std::u16string deutsch = std::u16string(kLangDir) + u"Deutsch.lang";
  Desk.AddFile(english, Utf16File(u"[Application]\r\nApplication.Title=Lensoro\r\n"
                                  u"[Lang: Msg]\r\nMsgErrorItemNotFound=Not found: [%s]\r\n"));
  Desk.AddFile(deutsch, Utf16File(u"[Application]\r\nApplication.Title=Lensoro (de)\r\n"));
  auto items = BuildLangMenu(App);
  ASSERT_EQ(items[1].Caption, u"English");
  ASSERT_TRUE(Parts(Form).Commands.LanguageListClick(items[1].Tag));
  ASSERT_EQ(App.Lang.LangFileList.size(), 3u);

  ASSERT_TRUE(Proc.DeleteFileW(deutsch));
  EXPECT_FALSE(Parts(Form).Commands.LanguageListClick(0));
  ASSERT_EQ(Desk.Dialogs.size(), 1u);
  EXPECT_EQ(Desk.Dialogs[0].Text, u"Not found: [" + deutsch + u"]");
  EXPECT_EQ(Desk.Dialogs[0].Type, TMsgDlgType::Error);
  EXPECT_EQ(Desk.Dialogs[0].Owner, Form->Handle());
  EXPECT_EQ(App.Lang.LangFile, english);
  EXPECT_EQ(App.Title, u"Lensoro");
  EXPECT_EQ(App.Lang.LangFileList, (std::vector<std::u16string>{english, kDefault}));
  ASSERT_TRUE(SaveSettings(*Form).Ok);
  EXPECT_EQ(ReadLangFileName(App), english);
}

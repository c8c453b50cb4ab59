// The shipped language files against the default language, read as the
// program reads them, and the help page against the default captions.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "Application.h"
#include "Format.h"
#include "Ini.h"
#include "Lang.h"
#include "LoupeTest.h"
#include "Main.h"
#include "Option.h"
#include "SimDesktop.h"
#include "TestFiles.h"

using namespace lensoro;
namespace fs = std::filesystem;

namespace {

const std::set<std::string> kShipped = {"English.lang",  "Deutsch.lang",  "Français.lang",
                                        "Español.lang",  "Italiano.lang", "Português (Brasil).lang",
                                        "Nederlands.lang", "Polski.lang", "Русский.lang",
                                        "中文(简体).lang", "한국어.lang",   "日本語.lang"};
// The one Japanese file may keep a default text as it is.
const std::string kJapanese = "日本語.lang";
// The one English file keeps the added texts as they are built in.
const std::string kEnglish = "English.lang";
// Defaults already written as every language here writes them.
const std::set<std::u16string> kSameEverywhere = {u"OKButton.Caption"};

const fs::path kSourceDir = fs::path(__FILE__).parent_path().parent_path().parent_path();

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The language files of a folder by name (the program's own default file
// left out: it writes that one itself).
std::map<std::string, std::string> LangFiles(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() == ".lang" && name != Utf16ToUtf8(DefaultLangFileName)) {
      files[name] = ReadAll(entry.path());
    }
  }
  return files;
}

// "%s", "%d", "%.1f" and "%%" in their order.
std::vector<std::u16string> Placeholders(const std::u16string& text) {
  std::vector<std::u16string> found;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'%') continue;
    std::size_t end = i + 1;
    while (end < text.size() && (text[end] == u'.' || (text[end] >= u'0' && text[end] <= u'9'))) ++end;
    found.push_back(text.substr(i, end + 1 - i));
    i = end;
  }
  return found;
}

// The letters marked by a single "&" ("&&" shows an "&"), A-Z folded.
std::u16string AccessKeys(const std::u16string& text) {
  std::u16string keys;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != u'&') continue;
    if (text[i + 1] != u'&') keys += FoldAscii(text.substr(i + 1, 1));
    ++i;
  }
  return keys;
}

// The caption as a menu or a button shows it: the marking "&"s gone.
std::u16string Shown(const std::u16string& text) { return WithoutAccessKeys(text); }

// The caption without its access key: the "(&X)" that follows Chinese,
// Japanese and Korean words goes whole.
std::u16string Plain(const std::u16string& text) {
  std::u16string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, u"(&") == 0 && i + 3 < text.size() && text[i + 2] != u'&' && text[i + 3] == u')') {
      i += 3;
      continue;
    }
    if (text[i] == u'&' && i + 1 < text.size()) ++i;
    plain += text[i];
  }
  return plain;
}

// The menu's commands and the options dialog's labels, groups and buttons
// carry access keys of their own (the access-key tests below); the dialog's
// title and the choices inside its radio groups have none.
bool TakesItsOwnAccessKey(const std::u16string& section, const std::u16string& key) {
  if (section == u"MainForm" || section == u"Lang: Menu") return true;
  return section == u"OptionForm" && key != u"OptionForm.Caption" && key.find(u".Items[") == std::u16string::npos;
}

// Letters of any script, not digits, marks or punctuation.
bool HoldsLetters(const std::u16string& text) {
  return std::any_of(text.begin(), text.end(), [](char16_t c) {
    if (c < 0x80) return (c | 0x20) >= u'a' && (c | 0x20) <= u'z';
    const bool punctuation = (c >= 0x2000 && c <= 0x206F) || (c >= 0x3000 && c <= 0x3003) ||
                             (c >= 0x3008 && c <= 0x3011) || c == 0x30FB || (c >= 0xFF01 && c <= 0xFF0F) ||
                             (c >= 0xFF1A && c <= 0xFF20) || (c >= 0xFF5B && c <= 0xFF65);
    return c >= 0xC0 && !punctuation;
  });
}

// What a shipped file carries: the default file's keys, then the added ones
// in their own section.
std::vector<TLangDefault> ShippedEntries() {
  std::vector<TLangDefault> entries = DefaultLangEntries();
  entries.insert(entries.end(), AddedLangEntries().begin(), AddedLangEntries().end());
  return entries;
}

std::vector<std::u16string> ShippedSections() {
  std::vector<std::u16string> sections;
  for (const auto& e : ShippedEntries()) {
    if (sections.empty() || sections.back() != e.Section) sections.push_back(e.Section);
  }
  return sections;
}

// What is wrong with one shipped file, one line each; empty when nothing is.
std::vector<std::string> Problems(const std::string& name, const std::string& bytes) {
  std::vector<std::string> problems;
  auto say = [&](const std::string& what, const std::u16string& key = u"") {
    problems.push_back(what + (key.empty() ? "" : ": " + Utf16ToUtf8(key)));
  };
  if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE') say("no byte-order mark FF FE");
  const std::u16string text = test::Utf16Text(bytes);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) ||
        (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n'))) {
      say("a line break that is not CR LF");
      break;
    }
  }
  const TIniFile ini(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  if (!ini.Readable()) say("not readable as a language file");
  if (ini.SectionNames() != ShippedSections()) say("sections differ from the default file's and the added one");

  const std::vector<TLangDefault> entries = ShippedEntries();
  for (const std::u16string& section : ShippedSections()) {
    std::set<std::u16string> seen;
    for (const auto& [key, value] : ini.SectionEntries(section)) {
      const bool known = std::any_of(entries.begin(), entries.end(),
                                     [&](const TLangDefault& e) { return section == e.Section && key == e.Key; });
      if (!known) say("a key not in the default file", section + u"/" + key);
      if (!seen.insert(FoldAscii(key)).second) say("a key given twice", key);
    }
  }
  for (const auto& e : entries) {
    if (!ini.ValueExists(e.Section, e.Key)) {
      say("missing key", e.Key);
      continue;
    }
    const std::u16string value = ini.ReadString(e.Section, e.Key, u"");
    if (value.empty()) say("empty value", e.Key);
    if (Placeholders(value) != Placeholders(e.FileText)) say("placeholders differ from the default's", e.Key);
    if (!TakesItsOwnAccessKey(e.Section, e.Key) && AccessKeys(value).size() != AccessKeys(e.FileText).size())
      say("access keys differ from the default's", e.Key);
    // The added texts fall back on English, the others on Japanese.
    const bool added = std::u16string(e.Section) == AddedLangSection;
    if (name != (added ? kEnglish : kJapanese) && value == (added ? e.BuiltIn : e.FileText) && HoldsLetters(value) &&
        !kSameEverywhere.count(e.Key)) {
      say(added ? "left in English" : "left as the Japanese default", e.Key);
    }
  }
  // The options dialog names the hide/restore command as the menu does
  // (each with an access key of its own).
  const auto menuText = [&](const char16_t* key) { return Plain(ini.ReadString(u"Lang: Menu", key, u"")); };
  if (Plain(ini.ReadString(u"OptionForm", u"Label107.Caption", u"")) !=
      menuText(u"MinimizeToTrayCaption") + u" / " + menuText(u"RestoreFromTrayCaption")) {
    say("Label107.Caption is not the menu's two captions joined by \" / \"");
  }
  return problems;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) out += "\n  " + line;
  return out;
}

}  // namespace

TEST(ShippedLanguageFiles, AreTheTwelveLanguagesNamedInTheirOwnWords) {
  std::set<std::string> names;
  for (const auto& [name, bytes] : LangFiles(LENSORO_LANG_DIR)) names.insert(name);
  EXPECT_EQ(names, kShipped);
}

TEST(ShippedLanguageFiles, EachHasEveryDefaultKeyTranslatedWithItsPlaceholdersAndAccessKeys) {
  const auto files = LangFiles(LENSORO_LANG_DIR);
  ASSERT_EQ(files.size(), kShipped.size());
  for (const auto& [name, bytes] : files) {
    const auto problems = Problems(name, bytes);
    EXPECT_TRUE(problems.empty()) << name << ":" << Joined(problems);
    // Ends as the default file does.
    EXPECT_EQ(bytes.substr(bytes.size() - 8), std::string("\r\0\n\0\r\0\n\0", 8)) << name;
  }
}

// The default language speaks the added texts as the Japanese file does.
TEST(ShippedLanguageFiles, TheDefaultLanguageTakesTheJapaneseFilesAddedTexts) {
  const std::string bytes = ReadAll(fs::path(LENSORO_LANG_DIR) / kJapanese);
  const TIniFile japanese(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  for (const auto& e : AddedLangEntries()) {
    EXPECT_EQ(japanese.ReadString(e.Section, e.Key, u""), e.FileText) << Utf16ToUtf8(e.Key);
  }
}

// The check above, shown to find each kind of fault in a sound file.
TEST(ShippedLanguageFiles, TheCheckFindsEachKindOfFault) {
  const std::u16string sound = test::Utf16Text(ReadAll(fs::path(LENSORO_LANG_DIR) / "English.lang"));
  ASSERT_FALSE(sound.empty());
  struct {
    const char16_t* From;
    const char16_t* To;
    const char* Problem;
  } const cases[] = {
      {u"ActPopReset.Caption=R&eset\r\n", u"", "missing key: ActPopReset.Caption"},
      {u"ActPopReset.Caption=R&eset", u"ActPopReset.Caption=", "empty value: ActPopReset.Caption"},
      {u"ActPopReset.Caption=R&eset", u"ActPopReset.Caption=R&eset\r\nActPopRestart.Caption=Restart",
       "a key not in the default file: MainForm/ActPopRestart.Caption"},
      {u"Not found: [%s]", u"Not found: [%d]", "placeholders differ from the default's: MsgErrorItemNotFound"},
      {u"Cannot open: [%s]", u"Cannot open", "placeholders differ from the default's: MsgErrorCannotOpenItem"},
      {u"OKButton.Caption=OK", u"OKButton.Caption=&OK", "access keys differ from the default's: OKButton.Caption"},
      {u"=R&eset\r\n", u"=リセット\r\n", "left as the Japanese default: ActPopReset.Caption"},
      {u"[AboutForm]", u"[About]", "sections differ from the default file's and the added one"},
      {u"[Lang: Notices]", u"[Lang: Notes]", "sections differ from the default file's and the added one"},
      {u"HintHotKeyNeedsCtrlOrAlt=A key that types a character needs Ctrl or Alt.\r\n", u"",
       "missing key: HintHotKeyNeedsCtrlOrAlt"},
      {u"[%s] (%s)\r\nMsgNoteDefaultsNotSaved", u"[%s]\r\nMsgNoteDefaultsNotSaved",
       "placeholders differ from the default's: MsgErrorCannotReadSettings"},
      {u"=Hid&e to tray / Restore", u"=Hid&e / Restore",
       "Label107.Caption is not the menu's two captions joined by \" / \""},
  };
  for (const auto& c : cases) {
    std::u16string text = sound;
    const auto at = text.find(c.From);
    ASSERT_NE(at, std::u16string::npos) << Utf16ToUtf8(c.From);
    text.replace(at, std::u16string(c.From).size(), c.To);
    const auto problems = Problems("English.lang", test::Utf16File(text));
    EXPECT_NE(std::find(problems.begin(), problems.end(), c.Problem), problems.end())
        << c.Problem << " not among:" << Joined(problems);
  }
  EXPECT_EQ(Problems("English.lang", test::Utf16File(sound).substr(2)),
            std::vector<std::string>{"no byte-order mark FF FE"});
  std::u16string lf = sound;
  lf.erase(lf.find(u'\r'), 1);
  EXPECT_EQ(Problems("English.lang", test::Utf16File(lf)), std::vector<std::string>{"a line break that is not CR LF"});
  // The Japanese file may keep a default text; OK is OK in every language.
  std::u16string japanese = sound;
  japanese.replace(japanese.find(u"=R&eset\r\n"), 9, u"=リセット\r\n");
  const auto japaneseProblems = Problems(kJapanese, test::Utf16File(japanese));
  EXPECT_EQ(std::count_if(japaneseProblems.begin(), japaneseProblems.end(),
                          [](const std::string& p) { return p.rfind("left in English", 0) != 0; }),
            0)
      << Joined(japaneseProblems);
  // Any other language translates the added texts too.
  EXPECT_EQ(Problems("Deutsch.lang", test::Utf16File(sound)).back(),
            "left in English: " + Utf16ToUtf8(AddedLangEntries().back().Key));
}

namespace {

// The captions of the options dialog that show an access key: its labels,
// groups, check box and buttons (a radio choice goes by its group's key).
void DialogCaptions(const TWinControl& parent, std::vector<std::u16string>& captions) {
  for (TControl* c : parent.Controls()) {
    const auto* label = dynamic_cast<TLabel*>(c);
    const bool named = (label && label->ShowAccelChar) || dynamic_cast<TGroupBox*>(c) || dynamic_cast<TButton*>(c) ||
                       dynamic_cast<TCheckBox*>(c);
    if (named && !c->Caption().empty()) captions.push_back(c->Caption());
    if (auto* inner = dynamic_cast<TWinControl*>(c)) DialogCaptions(*inner, captions);
  }
}

// What is wrong with the access keys of one dialog's or one menu's
// captions, one line each; `required`: every caption has one.
std::vector<std::string> AccessKeyProblems(TPlatform& platform, const std::vector<std::u16string>& captions,
                                           bool required) {
  std::vector<std::string> problems;
  for (std::size_t i = 0; i < captions.size(); ++i) {
    const std::size_t marks = AccessKeys(captions[i]).size();
    if (marks == 0 && required) problems.push_back("no access key: " + Utf16ToUtf8(captions[i]));
    if (marks > 1) problems.push_back("more than one access key: " + Utf16ToUtf8(captions[i]));
    for (std::size_t j = 0; j < i; ++j) {
      const char16_t a = AccessKeyOf(captions[i]), b = AccessKeyOf(captions[j]);
      if (a && b &&
          platform.CompareStringW(win::NORM_IGNORECASE, std::u16string(1, a), std::u16string(1, b)) == win::CSTR_EQUAL)
        problems.push_back(Utf16ToUtf8(captions[j]) + " and " + Utf16ToUtf8(captions[i]) + " share an access key");
    }
  }
  return problems;
}

// The options dialog's and the popup menu's access-key problems, shown with
// a language file (none: the built-in texts and the default file).
std::vector<std::string> AccessKeyProblemsWith(const std::string& name, const std::string& bytes) {
  sim::TSimDesktop desk;
  test::TLoupeCopy copy(desk, u"C:\\Tools\\Lensoro\\lensoro.exe");
  std::u16string ini;
  if (!name.empty()) {
    const std::u16string path = u"C:\\Tools\\Lensoro\\Lang\\" + Utf8ToUtf16(name);
    desk.AddFile(path, bytes);
    ini = u"[Language]\r\nLangFileName=" + path + u"\r\n";
  }
  copy.Start(ini);
  Parts(copy.Form).Commands.ActPopShowOption.Execute();
  std::vector<std::u16string> dialog;
  DialogCaptions(*Parts(copy.Form).Commands.OptionForm(), dialog);
  // The menu as it opens, hide and restore both.
  TLoupeCommands& commands = Parts(copy.Form).Commands;
  commands.PopupMenu1Popup();
  std::vector<std::u16string> menu = {copy.App.Lang.Text(u"MinimizeToTrayCaption"),
                                      copy.App.Lang.Text(u"RestoreFromTrayCaption")};
  for (const TMenuItem& item : commands.PopupMenu1.Items) {
    if (!item.IsSeparator() && item.Action != &commands.ActPopMinimizeAndRestore) menu.push_back(item.ShownCaption());
  }
  auto problems = AccessKeyProblems(copy.Proc, dialog, !name.empty());
  for (auto& p : AccessKeyProblems(copy.Proc, menu, !name.empty())) problems.push_back("menu: " + p);
  return problems;
}

}  // namespace

// Every label, group and button of the options dialog and every command of
// the menu has an access key, none two alike in one dialog or menu.
TEST(AccessKeys, EachShippedLanguageGivesEveryCaptionOfTheDialogAndTheMenuItsOwn) {
  const auto files = LangFiles(LENSORO_LANG_DIR);
  ASSERT_EQ(files.size(), kShipped.size());
  for (const auto& [name, bytes] : files) {
    const auto problems = AccessKeyProblemsWith(name, bytes);
    EXPECT_TRUE(problems.empty()) << name << ":" << Joined(problems);
  }
  // The built-in texts (the default file gives the dialog none) share none either.
  const auto builtIn = AccessKeyProblemsWith("", "");
  EXPECT_TRUE(builtIn.empty()) << "built in:" << Joined(builtIn);
}

TEST(AccessKeys, TheCheckFindsAMissingOneAndAClash) {
  const std::u16string sound = test::Utf16Text(ReadAll(fs::path(LENSORO_LANG_DIR) / "English.lang"));
  const struct {
    const char16_t* From;
    const char16_t* To;
    const char* Problem;
  } cases[] = {
      {u"=&Delete", u"=Delete", "no access key: Delete"},
      {u"=&Add", u"=A&dd", "&Delete and A&dd share an access key"},
      {u"=&Add", u"=&A&dd", "more than one access key: &A&dd"},
      {u"=&Help", u"=He&lp", "menu: &Language and He&lp share an access key"},
      {u"=&Restore", u"=Restore", "menu: no access key: Restore"},
  };
  for (const auto& c : cases) {
    std::u16string text = sound;
    const auto at = text.find(c.From);
    ASSERT_NE(at, std::u16string::npos) << Utf16ToUtf8(c.From);
    text.replace(at, std::u16string(c.From).size(), c.To);
    EXPECT_EQ(AccessKeyProblemsWith("English.lang", test::Utf16File(text)), std::vector<std::string>{c.Problem});
  }
}

TEST(ShippedLanguageFiles, ThePortableFoldersCarryTheseBytes) {
  const auto made = LangFiles(LENSORO_LANG_DIR);
  int folders = 0;
  for (const char* preset : {"mingw", "mingw64"}) {
    const fs::path dist = kSourceDir / "build" / preset / "dist" / "Lang";
    if (!fs::is_directory(dist)) continue;
    ++folders;
    EXPECT_EQ(LangFiles(dist), made) << dist << " differs from the files made from data/Lang (rebuild it)";
  }
  if (folders == 0) GTEST_SKIP() << "no cross build here (bash scripts/build makes them)";
}

// The help page names the menu's commands and the options by the default
// file's captions, as they show, and tells where the language command is.
TEST(HelpPage, NamesTheDefaultCaptionsAndWhereTheLanguageCommandIs) {
  const std::string page = ReadAll(kSourceDir / "data" / "Help" / "index.html");
  ASSERT_FALSE(page.empty());
  std::set<std::u16string> captions;
  for (const auto& e : DefaultLangEntries()) captions.insert(Shown(e.FileText));
  const std::regex cap(R"(<span class="cap">([^<]*)</span>)");
  std::set<std::u16string> named;
  for (auto it = std::sregex_iterator(page.begin(), page.end(), cap); it != std::sregex_iterator(); ++it) {
    const std::u16string text = Utf8ToUtf16((*it)[1].str());
    EXPECT_TRUE(captions.count(text)) << "not a caption of the default file: " << (*it)[1].str();
    named.insert(text);
  }
  // Every command of the menu is named.
  for (const auto& e : DefaultLangEntries()) {
    const std::u16string section = e.Section;
    if (section == u"MainForm" || section == u"Lang: Menu") {
      EXPECT_TRUE(named.count(Shown(e.FileText))) << "the help names no " << Utf16ToUtf8(e.FileText);
    }
  }

  // The switching section at the top gives the command's place among the
  // menu's commands and its caption.
  const auto top = page.find("<section id=\"language\"");
  ASSERT_LT(top, page.find("<section id=\"en\""));
  std::smatch place;
  const std::string switching = page.substr(top, page.find("</section>", top) - top);
  ASSERT_TRUE(std::regex_search(switching, place, std::regex(R"(<b>(\d+)th command</b>)")));
  sim::TSimDesktop desk;
  test::TLoupeCopy copy(desk, u"C:\\Tools\\Lensoro\\lensoro.exe");
  copy.Create();
  int position = 0;
  for (const TMenuItem& item : Parts(copy.Form).Commands.PopupMenu1.Items) {
    if (item.IsSeparator()) continue;
    ++position;
    if (item.Name == u"ShowLanguage1") break;
  }
  EXPECT_EQ(std::to_string(position), place[1].str());
  EXPECT_NE(switching.find("<span class=\"cap\">" + Utf16ToUtf8(Shown(BuiltInText(u"ActPopShowLanguage.Caption"))) +
                           "</span>"),
            std::string::npos);
}

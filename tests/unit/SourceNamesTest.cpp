// Names that the source spells out and a table must hold: the language keys
// the units ask for, and the platform methods the simulated desktop logs
// and fails by name. A misspelt one would show an empty message box, or
// leave a call uncounted, without a word.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "Format.h"
#include "Lang.h"
#include "SimDesktop.h"

using namespace lensoro;

namespace {

// A name found in a file, and where.
struct TFound {
  std::string Name;
  std::string Where;  // file:line
};

std::filesystem::path SourceRoot() {
  const std::string file = __FILE__;
  return std::filesystem::path(file.substr(0, file.find_last_of("/\\") + 1)) / ".." / "..";
}

// A string literal of the source, with the code before it on its line and
// the lines above, back to the last statement's end: enough to see the call
// it is an argument of.
struct TLiteral {
  std::string Text;
  bool Utf16 = false;
  std::string Before;
  long Line = 0;
};

std::vector<TLiteral> Literals(const std::string& text) {
  std::vector<TLiteral> literals;
  long line = 1;
  std::size_t statement = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n') ++line;
    if (c == ';' || c == '{' || c == '}') statement = i + 1;
    if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
      while (i < text.size() && text[i] != '\n') ++i;
      ++line;
    } else if (c == '\'') {
      i += text[i + 1] == '\\' ? 3 : 2;
    } else if (c == '"') {
      TLiteral literal;
      literal.Utf16 = i > 0 && text[i - 1] == 'u';
      literal.Line = line;
      const std::size_t from = std::max(statement, i > 80 ? i - 80 : 0);
      literal.Before = text.substr(from, i - from - (literal.Utf16 ? 1 : 0));
      for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\') ++i;
        literal.Text += text[i];
      }
      literals.push_back(std::move(literal));
    }
  }
  return literals;
}

// What makes a literal a name to look for: its own shape, or the call it
// is an argument of.
struct TNamePattern {
  bool Utf16;
  std::regex Shape;  // the whole literal
  std::regex Call;   // the code just before it
};

std::vector<TFound> Scan(const std::string& text, const std::string& file, const TNamePattern& pattern) {
  std::vector<TFound> found;
  for (const TLiteral& l : Literals(text)) {
    if (l.Utf16 != pattern.Utf16) continue;
    if (std::regex_match(l.Text, pattern.Shape) || std::regex_search(l.Before, pattern.Call)) {
      found.push_back({l.Text, file + ":" + std::to_string(l.Line)});
    }
  }
  return found;
}

std::vector<TFound> ScanFolder(const std::filesystem::path& folder, const TNamePattern& pattern) {
  std::vector<TFound> found;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".cpp" && ext != ".h") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    for (TFound& f : Scan(text, entry.path().filename().string(), pattern)) found.push_back(std::move(f));
  }
  return found;
}

// The keys a unit asks the language for: the first literal of a lookup
// call, and every literal shaped like a key (Msg..., Hint..., ...Caption,
// ....Items[n]), such as the captions in the commands' tables.
const TNamePattern& LangKeys() {
  static const TNamePattern pattern = {
      true,
      std::regex(R"((Msg|Hint)[A-Z]\w*|[A-Z]\w*Caption|\w+\.Caption|\w+\.Items\[\d+\])"),
      std::regex(
          R"((\b[Ll]ang\.Text|\bQuitTemplate|\bConfirmText|\bCaptionOf|\bcaption)\s*\(\s*([A-Za-z_][\w.]*\s*,\s*)*$)"),
  };
  return pattern;
}

std::set<std::string> BuiltInKeys() {
  std::set<std::string> keys;
  for (const auto* entries : {&DefaultLangEntries(), &AddedLangEntries()}) {
    for (const TLangDefault& e : *entries) keys.insert(Utf16ToUtf8(e.Key));
  }
  return keys;
}

// The names the simulated desktop logs its calls by and fails them by.
const TNamePattern& SimMethods() {
  static const TNamePattern pattern = {
      false,
      std::regex("(?!)"),
      std::regex(R"(\b(Log|Injected|SetDcColor|BrushRect|WindowDc)\($)"),
  };
  return pattern;
}

// The names the simulated desktop fails its calls by (Injected, directly or
// through the helpers that call it with their caller's name).
const TNamePattern& SimInjected() {
  static const TNamePattern pattern = {
      false,
      std::regex("(?!)"),
      std::regex(R"(\b(Injected|BrushRect|WindowDc)\($)"),
  };
  return pattern;
}

std::set<std::string> Names(const std::vector<TFound>& found) {
  std::set<std::string> names;
  for (const TFound& f : found) names.insert(f.Name);
  return names;
}

}  // namespace

TEST(SourceNames, TheScanFindsEachWayAUnitAsksForAText) {
  const struct {
    const char* Source;
    std::set<std::string> Keys;
  } cases[] = {
      {R"(ShowErrorMessage(FApp.Lang.Text(u"MsgErrorCannotSetLoupeRate"));)", {"MsgErrorCannotSetLoupeRate"}},
      {R"(return lang.Text(key) + lang.Text(u"MsgWarnQuit");)", {"MsgWarnQuit"}},
      {R"(QuitTemplate(FApp.Lang, u"MsgErrorMagInitialize"))", {"MsgErrorMagInitialize"}},
      {R"(ConfirmText(u"MsgConfirmDeleteItem"))", {"MsgConfirmDeleteItem"}},
      {R"(CaptionOf(captions, u"CreditMemo.Text"))", {"CreditMemo.Text"}},
      {R"(SetCaption(caption(u"OptionForm.Caption"));)", {"OptionForm.Caption"}},
      {R"(Text(shown ? u"MinimizeToTrayCaption" : u"RestoreFromTrayCaption"))",
       {"MinimizeToTrayCaption", "RestoreFromTrayCaption"}},
      {R"({&TLoupeCommands::ActPopQuit, u"ActPopQuit.Caption"},)", {"ActPopQuit.Caption"}},
      {R"(Label109.SetCaption(App.Lang.Text(u"HintHotKeyNeedsCtrlOrAlt"));)", {"HintHotKeyNeedsCtrlOrAlt"}},
      {R"(FormatText(Edit101.Text() + u": " + Label107.Caption(), {});)", {}},
      {R"(params.ClassName = u"TMainForm";)", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Names(Scan(c.Source, "x", LangKeys())), c.Keys) << c.Source;

  // A misspelt key is found, and it is no key of the tables.
  const std::set<std::string> misspelt =
      Names(Scan(R"(FApp.Lang.Text(u"MsgErrorCannotSetLoupRate"))", "x", LangKeys()));
  ASSERT_EQ(misspelt, std::set<std::string>{"MsgErrorCannotSetLoupRate"});
  EXPECT_EQ(BuiltInKeys().count("MsgErrorCannotSetLoupRate"), 0u);
}

TEST(SourceNames, EveryLanguageKeyTheUnitsAskForHasABuiltInText) {
  const std::vector<TFound> found = ScanFolder(SourceRoot() / "src", LangKeys());
  ASSERT_GE(Names(found).size(), 60u) << "the scan no longer finds the units' look-ups";
  const std::set<std::string> keys = BuiltInKeys();
  for (const TFound& f : found) EXPECT_EQ(keys.count(f.Name), 1u) << f.Name << " at " << f.Where;
  // And the other way: an added text that nothing asks for is a caption never
  // set or a message never shown.
  const std::set<std::string> asked = Names(found);
  for (const TLangDefault& e : AddedLangEntries()) EXPECT_EQ(asked.count(Utf16ToUtf8(e.Key)), 1u) << Utf16ToUtf8(e.Key);
}

TEST(SourceNames, EveryNameTheSimulatedDesktopLogsIsAPlatformMethod) {
  const std::vector<TFound> found = ScanFolder(SourceRoot() / "platform" / "sim", SimMethods());
  ASSERT_GE(Names(found).size(), 140u) << "the scan no longer finds the simulated calls";
  for (const TFound& f : found) EXPECT_TRUE(sim::TSimDesktop::IsPlatformMethod(f.Name)) << f.Name << " at " << f.Where;
}

// A call the sweep fails in turn must be able to fail: a model that never
// asks would have its failure blamed on the calls after it.
TEST(SourceNames, EveryCallTheSweepFailsCanFailInTheSimulatedDesktop) {
  const std::set<std::string> injected = Names(ScanFolder(SourceRoot() / "platform" / "sim", SimInjected()));
  for (const std::string& m : sim::TSimDesktop::FallibleMethodNames()) EXPECT_EQ(injected.count(m), 1u) << m;
}

TEST(SourceNames, TheNameKeyedTestHelpersRefuseANameNoPlatformMethodHas) {
  sim::TSimDesktop desk;
  for (const char* name : {"MagInitialise", "maginitialize", "MagInitialize ", "", "FailNext"}) {
    EXPECT_FALSE(sim::TSimDesktop::IsPlatformMethod(name)) << name;
    EXPECT_THROW(desk.FailNext(name, 5), std::invalid_argument) << name;
    EXPECT_THROW(desk.CountCalls(name), std::invalid_argument) << name;
  }
  // The first and last of the sorted names, and one between.
  for (const char* name : {"AdjustWindowRectEx", "MagInitialize", "WriteFileBytes"}) {
    EXPECT_TRUE(sim::TSimDesktop::IsPlatformMethod(name)) << name;
    EXPECT_NO_THROW(desk.FailNext(name, 5)) << name;
    EXPECT_EQ(desk.CountCalls(name), 0) << name;
  }
}

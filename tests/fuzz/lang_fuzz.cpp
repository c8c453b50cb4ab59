// A language file as the program reads it, on any bytes: every text comes
// from the file or is the built-in one, is one trimmed line no longer than
// the file allows, fills its message template without growing past its
// arguments, and the language menu built from file names is sorted, without
// duplicates, and names every file once.
//
// Input: the bytes of the language file in use. Its first line, split at
// "|", also names further files of the Lang folder.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Application.h"
#include "Format.h"
#include "FuzzLoupe.h"
#include "Ini.h"
#include "Lang.h"
#include "LoupeParts.h"
#include "Main.h"
#include "SimDesktop.h"

using namespace lensoro;

namespace {

using fuzz::Check;

// Only the fuzzed file and the ones it names are listed.
struct TWorld : fuzz::TLoupeWorld {
  TWorld() { Proc.DeleteFileW(App.Lang.LangDir + DefaultLangFileName); }
};

bool IsLineBreak(char16_t c) { return c == u'\r' || c == u'\n'; }

// What the program may show for a key: the file's text or the built-in one.
void CheckText(const TIniFile& ini, std::size_t size, const TLangDefault& e, const std::u16string& shown) {
  const std::u16string expected = ini.Readable() ? ini.ReadString(e.Section, e.Key, e.BuiltIn) : e.BuiltIn;
  Check(shown == expected);
  if (shown == e.BuiltIn) return;
  Check(shown.size() <= size / 2);
  for (char16_t c : shown) Check(!IsLineBreak(c));
  Check(shown.empty() || (shown.front() > u' ' && shown.back() > u' '));
}

// A message filled as the program fills it: either every placeholder took
// its argument, or the template stands as it is with the arguments after it.
void CheckTemplate(const std::u16string& templ, std::initializer_list<TFormatArg> args) {
  bool ok = false;
  const std::u16string out = FormatText(templ, args, &ok);
  std::size_t argChars = 0;
  for (const TFormatArg& a : args) argChars += a.Kind == TFormatArg::TKind::Text ? a.Text.size() : 24;
  if (ok) {
    Check(out.size() <= templ.size() + argChars);
  } else {
    Check(out.compare(0, templ.size(), templ) == 0);
    Check(out.size() <= templ.size() + argChars + 2 + 2 * args.size() + 1);
  }
}

std::vector<std::u16string> NamesFromFirstLine(const std::vector<std::uint8_t>& bytes) {
  std::u16string text;
  std::size_t i = (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) ? 2 : 0;
  for (; i + 1 < bytes.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (IsLineBreak(c)) break;
    text += c;
  }
  std::vector<std::u16string> names;
  std::size_t start = 0;
  while (names.size() < 8 && start <= text.size()) {
    const std::size_t bar = std::min(text.find(u'|', start), text.size());
    std::u16string name = text.substr(start, bar - start);
    bool usable = !name.empty() && name.size() < 64;
    for (char16_t c : name) usable = usable && c >= u' ' && c != u'\\' && c != u'/' && c != u'*' && c != u'?';
    if (usable) names.push_back(name + u".lang");
    start = bar + 1;
  }
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TWorld* world = new TWorld;
  TApplication& app = world->App;
  world->Desk.ClearCalls();
  world->Desk.Dialogs.clear();

  const std::vector<std::uint8_t> bytes(data, data + size);
  const std::u16string langFile = u"C:\\Tools\\Lensoro\\Lang\\Fuzzed.lang";
  world->Desk.AddFile(langFile, std::string(data, data + size));
  app.Lang.LangFile = langFile;
  const TIniFile ini(bytes);

  Parts(world->Form).Commands.ApplyMainFormLang();
  Check(app.Lang.LangFile == langFile);
  const TLangCaptions option = ApplyOptionFormLang(app);
  const TLangCaptions about = ApplyAboutFormLang(app);
  for (const TLangDefault& e : DefaultLangEntries()) {
    const std::u16string section = e.Section;
    if (section == u"Application") CheckText(ini, size, e, app.Title);
    if (section == u"Lang: Menu" || section == u"Lang: Msg") CheckText(ini, size, e, app.Lang.Text(e.Key));
    if (section == u"OptionForm") CheckText(ini, size, e, CaptionOf(option, e.Key));
    if (section == u"AboutForm") CheckText(ini, size, e, CaptionOf(about, e.Key));
  }
  Check(Parts(world->Form).Commands.ActPopQuit.Caption == app.Lang.Text(u"ActPopQuit.Caption") ||
        Parts(world->Form).Commands.ActPopQuit.Caption ==
            (ini.Readable() ? ini.ReadString(u"MainForm", u"ActPopQuit.Caption", BuiltInText(u"ActPopQuit.Caption"))
                            : BuiltInText(u"ActPopQuit.Caption")));

  // The templates with the arguments the program gives them.
  const TLangState& lang = app.Lang;
  const std::u16string path = u"C:\\Tools\\Lensoro\\Help\\index.html", reason = u"Access is denied.";
  CheckTemplate(lang.Text(u"MsgErrorItemNotFound"), {path});
  CheckTemplate(lang.Text(u"MsgErrorShowErrorCode"), {static_cast<int>(-2147483647 - 1)});
  CheckTemplate(lang.Text(u"MsgErrorCannotOpenItem") + u" (%s)", {path, reason});
  for (const char16_t* key : {u"MsgConfirmOverwriteItem", u"MsgConfirmDeleteItem"}) {
    CheckTemplate(lang.Text(key) + u"\r\n\r\n" + lang.Text(u"MsgConfirmOKCancel"), {u"Ctrl+Alt+M: x"});
  }
  for (const char16_t* key : {u"MsgErrorCannotRegisterHotKey", u"MsgErrorCannotUnregisterHotKey",
                              u"MsgErrorCannotSetLoupeRate", u"MsgErrorCannotSetLoupeColorMode",
                              u"MsgErrorMagSetWindowSource"}) {
    CheckTemplate(lang.Text(key), {reason});
  }
  for (const char16_t* key :
       {u"MsgErrorMagInitialize", u"MsgErrorCreateMagnifierWindow", u"MsgErrorMagSetFilterList"}) {
    CheckTemplate(lang.Text(key) + u"\r\n\r\n" + lang.Text(u"MsgWarnQuit"), {reason});
  }

  // The language menu: the fuzzed file and the named ones, each once, sorted.
  const std::vector<std::u16string> names = NamesFromFirstLine(bytes);
  for (const auto& name : names) world->Desk.AddFile(app.Lang.LangDir + name, "");
  const std::vector<TLangMenuItem> items = BuildLangMenu(app);
  Check(items.size() == lang.LangFileList.size() && !items.empty() && items.size() <= names.size() + 1);
  int checked = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::u16string& file = lang.LangFileList[i];
    Check(items[i].Tag == static_cast<int>(i));
    Check(file.compare(0, lang.LangDir.size(), lang.LangDir) == 0);
    Check(items[i].Caption.size() <= 2 * (file.size() - lang.LangDir.size()));
    if (items[i].Checked) ++checked;
    if (i > 0) {
      // In the locale's order, and no file twice.
      const std::u16string& before = lang.LangFileList[i - 1];
      Check(world->Proc.CompareStringW(win::NORM_IGNORECASE, before, file) != win::CSTR_GREATER_THAN);
      Check(FoldAscii(before) != FoldAscii(file));
    }
  }
  Check(checked == 1);
  for (const auto& name : names) {
    if (FoldAscii(name) != FoldAscii(u"Fuzzed.lang")) world->Proc.DeleteFileW(app.Lang.LangDir + name);
  }
  return 0;
}

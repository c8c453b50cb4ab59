// Languages: the built-in texts, the language folder and file in use, and the
// texts the program keeps for its messages and menu captions.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace lensoro {

// One entry of the default language: section, key, the text written into
// the default language file, and the built-in default used when a key is
// missing (the two differ for one key only).
struct TLangDefault {
  const char16_t* Section;
  const char16_t* Key;
  const char16_t* FileText;
  const char16_t* BuiltIn;
};

// Every key of the default language, in the order of the default file.
const std::vector<TLangDefault>& DefaultLangEntries();
// The built-in default of a key ("" for an unknown key).
std::u16string BuiltInText(const std::u16string& key);

constexpr const char16_t* DefaultLangFileName = u"LN日本語_かな.lang";

// Process-wide language state.
struct TLangState {
  std::u16string LangDir;   // folder of the language files, trailing backslash
  std::u16string LangFile;  // full path of the file in use
  std::vector<std::u16string> LangFileList;  // sorted, offered in the menu
  // Texts kept by key name (the "Lang: Menu" and "Lang: Msg" sections).
  std::map<std::u16string, std::u16string> Texts;
  // The message-box caption; empty until a language has been applied.
  std::u16string MsgDialogCaption;

  // The text of a kept key; its built-in default when none was applied.
  std::u16string Text(const std::u16string& key) const;
  // Takes the built-in default of every kept key.
  void ApplyBuiltIn();
};

}  // namespace lensoro

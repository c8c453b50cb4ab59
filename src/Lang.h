// Languages: the built-in texts, the language folder and file in use, and the
// texts the program keeps for its messages and menu captions.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Framework.h"
#include "Ini.h"
#include "WinTypes.h"

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
// Texts added after the default file was laid down, in a section of their
// own: the default file does not carry them (it stays as it always was), the
// shipped languages do. Their FileText is the default language's, used with
// the default file and before any file is read; their BuiltIn is English,
// for a translation that lacks them.
constexpr const char16_t* AddedLangSection = u"Lang: Notices";
const std::vector<TLangDefault>& AddedLangEntries();
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
  // Files (A-Z folded) the user has been told this run cannot be read or
  // written: each is told of once.
  std::vector<std::u16string> ToldFiles;
  // The file the settings name could not be read or found, so another is in
  // use: the settings keep the name until the user picks a language.
  bool FellBack = false;
  // The settings named a language file on the network or a device path
  // outside the program's folder: it was not opened. The value, until the
  // user has been told (TellStartNotices).
  std::u16string RefusedLangFileName;
  // An elevated copy whose folder (or Lang folder) is a link writes no
  // language file and makes no folder there; the folder, until told.
  bool WritesHeld = false;
  std::u16string LinkedFolder;

  // The text of a kept key; its built-in default when none was applied.
  std::u16string Text(const std::u16string& key) const;
  // Takes the built-in default of every kept key.
  void ApplyBuiltIn();
};

// The application as the language functions see it: the framework's one with
// the language state; they tell the user through its ShowError. The
// program's application (Application.h) is one.
class TLangApplication : public TBaseApplication {
 public:
  explicit TLangApplication(TPlatform& platform) : TBaseApplication(platform) {}

  TLangState Lang;  // language folder, file and texts
  // While the start reads its settings: the files read for that batch of
  // keys, each read once (TFileBatchScope, Settings.h); null otherwise.
  TFileBatch* FileBatch = nullptr;
};

// The reason a file could not be read as text, in words for the user ("it
// is ..."), in the language in use.
std::u16string DecodeErrorText(const TLangState& lang, TIniDecodeError error);
// Why a file could not be read, for the user: "it is larger than N MB" for
// a file over its limit (ERROR_FILE_TOO_LARGE), else the system's text.
std::u16string ReadErrorText(TLangApplication& app, DWORD error, std::uint64_t limit);

// --- The default language file ----------------------------------------------------
// Its whole content: FF FE, UTF-16 LE, CR LF after every line.
std::vector<std::uint8_t> DefaultLangFileBytes();
// Writes it in one step (beside, then moved in); never replaces a file that
// is there already. False when it cannot be written.
bool WriteDefaultLangFile(TPlatform& platform, const std::u16string& path);
// LangFile becomes LangDir + the default name; the file is written first if
// it is missing.
void SelectDefaultLangFile(TLangApplication& app);

// --- Folder and file in use ---------------------------------------------------------
// LangDir = the executable's folder + "Lang\", created with its parents; when
// that fails the user is told and LangDir is the executable's folder. Then
// LangFile = ReadLangFileName. False when the folder could not be made.
bool EnsureLangDir(TLangApplication& app);
// Language/LangFileName of the settings file; LangDir + the default name when
// missing or empty. A relative value is taken from the executable's folder.
// A file that is gone but whose name is in LangDir is taken from there. A
// value on the network or a device path (\\host\share, \\?\, \\.\) outside
// the executable's folder is never touched: it counts as missing, and the
// user is told (RefusedLangFileName).
std::u16string ReadLangFileName(TLangApplication& app);
// A copy run as administrator writes nothing through a link that someone
// without those rights may have put in place of its folder or its Lang
// folder: when either is a junction or symbolic link, the language files
// and folder are not written (WritesHeld). True when the program's folder
// itself is one: the caller then saves no settings either. A copy that is
// not elevated is left alone. Before EnsureLangDir.
bool HoldWritesThroughLinks(TLangApplication& app);
// What the start found about the language file and the folders, told once
// each in the language just applied.
void TellStartNotices(TLangApplication& app);
// MsgErrorItemNotFound for a missing file; a translation without "%s"
// shows its text alone.
std::u16string ItemNotFoundText(const TLangState& lang, const std::u16string& path);

// --- Applying -------------------------------------------------------------------------
// Each apply first falls back to the default file when LangFile is gone.

struct TLangCaption {
  std::u16string Key;   // "Label101.Caption", "RadioGroup101.Items[1]", ...
  std::u16string Text;
};
// A dialog's texts in the order it assigns them.
using TLangCaptions = std::vector<TLangCaption>;
// Sets the application title and the kept texts, and gives the main form's
// command captions ("ActPopZoomIn.Caption", ...) for the form to take.
TLangCaptions ApplyMainFormLang(TLangApplication& app);
std::u16string CaptionOf(const TLangCaptions& captions, const std::u16string& key);
// The same, where a caption added since the default file was laid down
// (AddedLangEntries) comes from the kept texts, as the added messages do:
// a new control needs no line in the default file.
std::u16string CaptionOf(const TLangCaptions& captions, const TLangState& lang, const std::u16string& key);
TLangCaptions ApplyOptionFormLang(TLangApplication& app);
TLangCaptions ApplyAboutFormLang(TLangApplication& app);

// --- The language menu ------------------------------------------------------------------
struct TLangMenuItem {
  std::u16string Caption;  // file name without extension, "&" doubled
  int Tag = 0;             // index into LangFileList
  bool Checked = false;
};
// Rebuilds LangFileList from LangDir's "*.lang" entries, sorted by name in
// the user's locale with case ignored, and returns the submenu's items.
std::vector<TLangMenuItem> BuildLangMenu(TLangApplication& app);
// Switches to the item's file; false for a tag outside LangFileList, and for
// a file gone since the menu was made (the user is told, in a box owned by
// `owner`, in the language in use, and LangFileList is read again). The
// caller then applies the language to its forms.
bool ChooseLangFile(TLangApplication& app, int tag, HWND owner);

}  // namespace lensoro

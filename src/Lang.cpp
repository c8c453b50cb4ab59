#include "Lang.h"

#include <algorithm>

#include "FilePath.h"
#include "Format.h"
#include "Ini.h"

namespace lensoro {

const std::vector<TLangDefault>& DefaultLangEntries() {
  // clang-format off
  static const std::vector<TLangDefault> entries = {
    {u"Application", u"Application.Title", u"ぽてりん", u"ぽてりん"},
    {u"MainForm", u"ActPopSetLoupeModelmPointer.Caption", u"ポインター モード", u"ポインター モード"},
    {u"MainForm", u"ActPopSetLoupeModelmWindow.Caption", u"ウィンドウ モード", u"ウィンドウ モード"},
    {u"MainForm", u"ActPopZoomIn.Caption", u"ズーム イン", u"ズーム イン"},
    {u"MainForm", u"ActPopZoomOut.Caption", u"ズーム アウト", u"ズーム アウト"},
    {u"MainForm", u"ActPopSetLoupeColorModelcmOriginal.Caption", u"オリジナル", u"オリジナル"},
    {u"MainForm", u"ActPopSetLoupeColorModelcmInvert.Caption", u"はんてん", u"はんてん"},
    {u"MainForm", u"ActPopSetLoupeColorModelcmGrayscale.Caption", u"グレー スケール", u"グレー スケール"},
    {u"MainForm", u"ActPopShowOption.Caption", u"オプション(&O)", u"オプション(&O)"},
    {u"MainForm", u"ActPopShowLanguage.Caption", u"ことば(&L)", u"ことば(&L)"},
    {u"MainForm", u"ActPopReset.Caption", u"リセット", u"リセット"},
    {u"MainForm", u"ActPopShowHelp.Caption", u"ヘルプ(&H)", u"ヘルプ(&H)"},
    {u"MainForm", u"ActPopShowVersionInfo.Caption", u"バージョン じょーほー(&A)", u"バージョン じょーほー(&A)"},
    {u"MainForm", u"ActPopQuit.Caption", u"しゅーりょー(&X)", u"しゅーりょー(&X)"},
    {u"Lang: Menu", u"MinimizeToTrayCaption", u"タスク トレイに しまう", u"タスク トレイに しまう"},
    {u"Lang: Menu", u"RestoreFromTrayCaption", u"もとの サイズに もどす", u"もとの サイズに もどす"},
    {u"Lang: Msg", u"MsgDialogCaption", u"ぽてりん [おしらせ]", u"ぽてりん [おしらせ]"},
    {u"Lang: Msg", u"MsgErrorItemNotFound", u"ありません: [%s]", u"ありません: [%s]"},
    {u"Lang: Msg", u"MsgErrorShowErrorCode", u"エラー コード: [%d]", u"エラー コード: [%d]"},
    {u"Lang: Msg", u"MsgErrorCannotOpenItem", u"ひらけません: [%s]", u"ひらけません: [%s]"},
    {u"Lang: Msg", u"MsgConfirmOverwriteItem", u"うわがき します: [%s]", u"うわがき します: [%s]"},
    {u"Lang: Msg", u"MsgConfirmDeleteItem", u"さくじょ します: [%s]", u"さくじょ します: [%s]"},
    {u"Lang: Msg", u"MsgConfirmOKCancel", u"よろしー ですか？", u"よろしー ですか？"},
    {u"Lang: Msg", u"MsgErrorCannotRegisterHotKey", u"ホットキーを とーろく できません: (%s)", u"ホットキーを とーろく できません: (%s)"},
    {u"Lang: Msg", u"MsgErrorCannotUnregisterHotKey", u"ホットキーを さくじょ できません: (%s)", u"ホットキーを さくじょ できません: (%s)"},
    {u"Lang: Msg", u"MsgErrorCannotSetLoupeRate", u"ばいりつを せってー できません: (%s)", u"ばいりつを せってー できません: (%s)"},
    {u"Lang: Msg", u"MsgErrorCannotSetLoupeColorMode", u"いろを せってー できません: (%s)", u"いろを せってー できません: (%s)"},
    {u"Lang: Msg", u"MsgErrorMagInitialize", u"ウィンドウ クラス を とーろく できません: (%s)", u"ウィンドウ クラス を とーろく できません: (%s)"},
    {u"Lang: Msg", u"MsgErrorCreateMagnifierWindow", u"ウィンドウを つくれません: (%s)", u"ウィンドウを つくれません: (%s)"},
    {u"Lang: Msg", u"MsgErrorMagSetFilterList", u"フィルター リストを とーろく できません: (%s)", u"フィルター リストを とーろく できません: (%s)"},
    {u"Lang: Msg", u"MsgErrorMagSetWindowSource", u"かくだい もとを せってー できません: (%s)", u"かくだい もとを せってー できません: (%s)"},
    {u"Lang: Msg", u"MsgWarnQuit", u"ぽてりんを しゅーりょー します", u"ぽてりんを しゅーりょー します"},
    {u"OptionForm", u"OptionForm.Caption", u"ぽてりん - オプション", u"ぽてりん - オプション"},
    {u"OptionForm", u"GroupBox101.Caption", u"きどー", u"きどー"},
    {u"OptionForm", u"CheckBox101.Caption", u"きどーじに ウィンドウを ひょーじ しない", u"きどーじに ウィンドウを ひょーじ しない"},
    {u"OptionForm", u"Label101.Caption", u"トレイ アイコン", u"トレイ アイコン"},
    {u"OptionForm", u"RadioGroup101.Caption", u"ルーペ モード", u"ルーペ モード"},
    {u"OptionForm", u"RadioGroup101.Items[0]", u"ポインター モード", u"ポインター モード"},
    {u"OptionForm", u"RadioGroup101.Items[1]", u"ウィンドウ モード", u"ウィンドウ モード"},
    {u"OptionForm", u"GroupBox102.Caption", u"ばいりつ (1.3x～8.0x)", u"ばいりつ (1.3x～8.0x)"},
    {u"OptionForm", u"RadioGroup102.Caption", u"かくだい もと", u"かくだい もと"},
    {u"OptionForm", u"RadioGroup102.Items[0]", u"ひだり うえ", u"ひだり うえ"},
    {u"OptionForm", u"RadioGroup102.Items[1]", u"みぎ うえ", u"みぎ うえ"},
    {u"OptionForm", u"RadioGroup102.Items[2]", u"ひだり した", u"ひだり した"},
    {u"OptionForm", u"RadioGroup102.Items[3]", u"みぎ した", u"みぎ した"},
    {u"OptionForm", u"RadioGroup102.Items[4]", u"ちゅーおー", u"ちゅーおー"},
    {u"OptionForm", u"RadioGroup103.Caption", u"いろ", u"いろ"},
    {u"OptionForm", u"RadioGroup103.Items[0]", u"オリジナル", u"オリジナル"},
    {u"OptionForm", u"RadioGroup103.Items[1]", u"はんてん", u"はんてん"},
    {u"OptionForm", u"RadioGroup103.Items[2]", u"グレー スケール", u"グレー スケール"},
    {u"OptionForm", u"GroupBox103.Caption", u"フレーム", u"フレーム"},
    {u"OptionForm", u"Label102.Caption", u"はば (0～10px)", u"はば (0～10px)"},
    {u"OptionForm", u"Label103.Caption", u"ポインター モード (アクティブ)", u"ポインター モード (アクティブ)"},
    {u"OptionForm", u"Label104.Caption", u"ポインター モード (アクティブでない)", u"ポインター モード (アクティブでない)"},
    {u"OptionForm", u"Label105.Caption", u"ウィンドウ モード (アクティブ)", u"ウィンドウ モード (アクティブ)"},
    {u"OptionForm", u"Label106.Caption", u"ウィンドウ モード (アクティブでない)", u"ウィンドウ モード (アクティブでない)"},
    {u"OptionForm", u"GroupBox104.Caption", u"ショートカット キー", u"ショートカット キー"},
    {u"OptionForm", u"Label107.Caption", u"タスク トレイに しまう / もとの サイズに もどす", u"タスク トレイに しまう / もとの サイズに もどす"},
    {u"OptionForm", u"Label108.Caption", u"わりあてたい キー", u"わりあてたい キー"},
    {u"OptionForm", u"Button101.Caption", u"さくじょ", u"さくじょ"},
    {u"OptionForm", u"Button102.Caption", u"ついか", u"ついか"},
    {u"OptionForm", u"CloseButton.Caption", u"とじる", u"とじる"},
    {u"AboutForm", u"AboutForm.Caption", u"ぽてりん - バージョン じょーほー", u"ぽてりんの バージョン じょーほー"},
    {u"AboutForm", u"TitleLabel.Caption", u"がめん かくだい ソフト ぽてりん", u"がめん かくだい ソフト ぽてりん"},
    {u"AboutForm", u"AuthorLabel.Caption", u"つくった ひと: もりの・くまお", u"つくった ひと: もりの・くまお"},
    {u"AboutForm", u"WebSiteLabel.Caption", u"「ソラマメ ラボ」", u"「ソラマメ ラボ」"},
    {u"AboutForm", u"CreditMemo.Text", u"ぽてりんは いかの コンポーネントや ユニットを つかっています。", u"ぽてりんは いかの コンポーネントや ユニットを つかっています。"},
    {u"AboutForm", u"OKButton.Caption", u"OK", u"OK"},
  };
  // clang-format on
  return entries;
}

const std::vector<TLangDefault>& AddedLangEntries() {
  // Key, the default language's text (as the shipped Japanese file has it:
  // the default file does not carry these, and English under its captions
  // would mix two languages in one box), and the English one.
  // clang-format off
  static const std::vector<TLangDefault> entries = {
    {AddedLangSection, u"MsgErrorCannotReadSettings",
     u"ぽてりんは設定ファイルを読み込めません: [%s] (%s)",
     u"Lensoro cannot read its settings file: [%s] (%s)"},
    {AddedLangSection, u"MsgNoteDefaultsNotSaved",
     u"ファイルはそのままです。今回は既定の設定を使い、設定は保存しません。",
     u"It is left as it is; the settings of this run are the defaults and will not be saved."},
    {AddedLangSection, u"MsgNoteKeptAsBak",
     u"今回は既定の設定で始めます。設定を保存するとき、元のファイルは .bak ファイルとして隣に残します。",
     u"This run starts with the default settings; when they are saved, the file is first kept beside them as a .bak file."},
    {AddedLangSection, u"MsgErrorCannotSaveSettings",
     u"ぽてりんは設定を保存できません: [%s] (%s)",
     u"Lensoro cannot save its settings: [%s] (%s)"},
    {AddedLangSection, u"MsgInfoSettingsKeptAs",
     u"ぽてりんは設定ファイルを読み込めなかったため、次の名前で残しました: [%s]",
     u"Lensoro could not read its settings file; it was kept as: [%s]"},
    {AddedLangSection, u"MsgErrorCannotReadLangFile",
     u"ぽてりんは言語ファイルを読み込めません: [%s] (%s)",
     u"Lensoro cannot read the language file: [%s] (%s)"},
    {AddedLangSection, u"MsgErrorCannotWriteLangFile",
     u"ぽてりんは言語ファイルを書き込めません: [%s] (%s)",
     u"Lensoro cannot write the language file: [%s] (%s)"},
    {AddedLangSection, u"MsgReasonTooLarge",
     u"%d MB より大きいファイルです",
     u"it is larger than %d MB"},
    {AddedLangSection, u"MsgReasonUtf16BigEndian",
     u"UTF-16 ビッグ エンディアンのテキストです。UTF-16 LE か UTF-8 で保存してください",
     u"it is UTF-16 big-endian text; save it as UTF-16 LE or UTF-8"},
    {AddedLangSection, u"MsgReasonBinary",
     u"テキストではなくバイナリ データです",
     u"it holds binary data, not text"},
    {AddedLangSection, u"MsgReasonBadUtf8",
     u"UTF-8 の印がありますが、正しい UTF-8 ではありません",
     u"it is marked as UTF-8 but is not valid UTF-8"},
    {AddedLangSection, u"MsgReasonNotText",
     u"UTF-8 でも UTF-16 LE でもありません。どちらかで保存してください",
     u"it is neither UTF-8 nor UTF-16 LE text; save it as one of them"},
    {AddedLangSection, u"MsgErrorHotKeyTakesTyping",
     u"ショートカットキーを登録しませんでした。Ctrl か Alt がないと、どのプログラムでもこのキーを入力できなくなります: [%s]",
     u"The shortcut key was not registered: without Ctrl or Alt it would take this key away from typing in every program: [%s]"},
    {AddedLangSection, u"HintHotKeyNeedsCtrlOrAlt",
     u"文字を入力するキーには Ctrl か Alt が必要です。",
     u"A key that types a character needs Ctrl or Alt."},
    {AddedLangSection, u"MsgErrorLangFileNotLocal",
     u"ぽてりんはネットワークやデバイス パスの言語ファイルを開きません。自分の言語ファイルを使います: [%s]",
     u"Lensoro does not open a language file from the network or a device path; it uses its own: [%s]"},
    {AddedLangSection, u"MsgErrorLinkedFolderElevated",
     u"ぽてりんは管理者として実行されていて、このフォルダーはリンク (ジャンクションまたはシンボリック リンク) です。今回はこのフォルダーにファイルを書き込みません: [%s]",
     u"Lensoro runs as administrator and this folder is a link (a junction or symbolic link): it writes no file into it in this run: [%s]"},
    {AddedLangSection, u"CaptionFollowTyping",
     u"フォーカスとテキスト カーソルに追従する(&J)",
     u"Follow the key&board focus and text cursor"},
    {AddedLangSection, u"MsgWarnSettingsNotUnderstood",
     u"ぽてりんは設定ファイルの一部の値を理解できませんでした: [%s]",
     u"Lensoro did not understand some values in its settings file: [%s]"},
    {AddedLangSection, u"MsgSettingValueUsed",
     u"%s=%s: 代わりに %s を使います",
     u"%s=%s: %s is used instead"},
    {AddedLangSection, u"MsgNoteSettingsKeptAsComments",
     u"次に設定を保存するとき、これらの行は使った値の上にコメントとして残します。",
     u"When the settings are next saved, each of these lines is kept as a comment above the value used."},
    {AddedLangSection, u"MsgErrorHotKeyNotUsable",
     u"ショートカットキー %s は使えません: %s。オプションで別のキーを選んでください。",
     u"The shortcut key %s does not work: %s. Choose another key in Options."},
    {AddedLangSection, u"MsgReasonHotKeyInUse",
     u"別のプログラムが使っています",
     u"another program uses it"},
    {AddedLangSection, u"HintHotKeyNotActive",
     u"%s (無効)",
     u"%s (not active)"},
    {AddedLangSection, u"MsgErrorCannotOpenHelp",
     u"ぽてりんはヘルプ ページを開けません: %s。ページの場所: [%s]",
     u"Lensoro cannot open its help page: %s. The page is: [%s]"},
    {AddedLangSection, u"MsgReasonNoProgramForFile",
     u"この種類のファイルを開くプログラムが設定されていません",
     u"no program is set to open this kind of file"},
    {AddedLangSection, u"MsgReasonFileMissing",
     u"ファイルがありません",
     u"the file is missing"},
    {AddedLangSection, u"MsgReasonAccessDenied",
     u"アクセスが拒否されました",
     u"access to it is denied"},
    {AddedLangSection, u"MsgConfirmOpenFolder",
     u"このファイルがあるフォルダーを開きますか？",
     u"Open the folder that holds it?"},
    {AddedLangSection, u"MsgNoteRetrySave",
     u"もう一度試すには [再試行]、ファイルをそのままにするには [キャンセル] を選んでください。",
     u"Choose Retry to try again, or Cancel to leave the file as it was."},
  };
  // clang-format on
  return entries;
}

std::u16string BuiltInText(const std::u16string& key) {
  for (const auto* entries : {&DefaultLangEntries(), &AddedLangEntries()}) {
    for (const auto& e : *entries) {
      if (key == e.Key) return entries == &AddedLangEntries() ? e.FileText : e.BuiltIn;
    }
  }
  return {};
}

std::u16string TLangState::Text(const std::u16string& key) const {
  const auto it = Texts.find(key);
  return it != Texts.end() ? it->second : BuiltInText(key);
}

void TLangState::ApplyBuiltIn() {
  for (const auto& e : DefaultLangEntries()) {
    const std::u16string section = e.Section;
    if (section == u"Lang: Menu" || section == u"Lang: Msg") Texts[e.Key] = e.BuiltIn;
  }
  for (const auto& e : AddedLangEntries()) Texts[e.Key] = e.FileText;
  MsgDialogCaption = Text(u"MsgDialogCaption");
}

namespace {

const std::u16string kSeparatorLine = u";" + std::u16string(78, u'-');

bool DirectoryExists(TPlatform& platform, const std::u16string& path) {
  const DWORD attr = platform.GetFileAttributesW(path);
  return attr != win::INVALID_FILE_ATTRIBUTES && (attr & win::FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(TPlatform& platform, const std::u16string& path) {
  const DWORD attr = platform.GetFileAttributesW(path);
  return attr != win::INVALID_FILE_ATTRIBUTES && (attr & win::FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Where the path's root ends: "C:" or "\\server\share".
std::size_t RootLength(const std::u16string& path) {
  if (path.size() >= 2 && path[1] == u':') return 2;
  if (path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\') {
    const auto server = path.find(u'\\', 2);
    if (server == std::u16string::npos) return path.size();
    const auto share = path.find(u'\\', server + 1);
    return share == std::u16string::npos ? path.size() : share;
  }
  return 0;
}

// The folder itself, not what it leads to: asked without its trailing
// backslash.
bool IsLink(TPlatform& platform, std::u16string path) {
  if (path.size() > 3 && path.back() == u'\\') path.pop_back();
  const DWORD attr = platform.GetFileAttributesW(path);
  return attr != win::INVALID_FILE_ATTRIBUTES && (attr & win::FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool StartsWith(const std::u16string& text, const std::u16string& prefix) {
  return text.size() >= prefix.size() && SameTextAscii(text.substr(0, prefix.size()), prefix);
}

// "\\?\...", "\\.\..." and the native "\??\...": the system takes them as
// they stand.
bool IsDevicePath(const std::u16string& path) {
  return StartsWith(path, u"\\\\?\\") || StartsWith(path, u"\\\\.\\") || StartsWith(path, u"\\??\\");
}

// "\\host\share\..." and the device paths.
bool IsNetworkOrDevicePath(const std::u16string& path) { return StartsWith(path, u"\\\\") || IsDevicePath(path); }

// "." and ".." steps taken out after the root; ".." never climbs above it.
std::u16string CollapseDots(const std::u16string& path) {
  const std::size_t root = RootLength(path);
  std::vector<std::u16string> steps;
  std::size_t at = root;
  while (at <= path.size()) {
    const std::size_t end = std::min(path.find(u'\\', at), path.size());
    const std::u16string step = path.substr(at, end - at);
    if (step == u"..") {
      if (!steps.empty()) steps.pop_back();
    } else if (step != u"." && !(step.empty() && end < path.size())) {
      steps.push_back(step);
    }
    at = end + 1;
  }
  std::u16string out = path.substr(0, root);
  for (std::size_t i = 0; i < steps.size(); ++i) out += (i > 0 || root > 0 ? u"\\" : u"") + steps[i];
  return out;
}

// A language file's name as the settings give it, as a full path: relative
// to the executable's folder (never the current one), slashes as
// backslashes. Device paths stay as they are.
std::u16string FullLangPath(const std::u16string& exeFolder, std::u16string value) {
  for (char16_t& c : value) {
    if (c == u'/') c = u'\\';
  }
  if (IsDevicePath(value)) return value;
  if (IsNetworkOrDevicePath(value)) return CollapseDots(value);
  if (value.size() >= 2 && value[1] == u':') {
    if (value.size() == 2 || value[2] != u'\\') value.insert(2, u"\\");  // "C:x": from the drive's root
    return CollapseDots(value);
  }
  if (!value.empty() && value[0] == u'\\') return CollapseDots(exeFolder.substr(0, RootLength(exeFolder)) + value);
  return CollapseDots(exeFolder + value);
}

bool InFolder(const std::u16string& path, const std::u16string& folder) {
  return !folder.empty() && path.size() > folder.size() && StartsWith(path, folder);
}

// Creates the folder and any missing parent.
bool ForceDirectories(TPlatform& platform, std::u16string path) {
  while (path.size() > 1 && (path.back() == u'\\' || path.back() == u'/')) path.pop_back();
  if (path.empty() || path.size() <= RootLength(path)) return DirectoryExists(platform, path + u"\\");
  if (DirectoryExists(platform, path)) return true;
  const auto slash = path.find_last_of(u"\\/");
  if (slash != std::u16string::npos && slash >= RootLength(path) && slash > 0) {
    if (!ForceDirectories(platform, path.substr(0, slash))) return false;
  }
  if (platform.CreateDirectoryW(path)) return true;
  // Made meanwhile by someone else: as good as made by us.
  return DirectoryExists(platform, path);
}

// A file name in a menu shows as it is, so its "&" must not mark a key.
std::u16string MenuText(const std::u16string& text) {
  std::u16string out;
  for (char16_t c : text) {
    out += c;
    if (c == u'&') out += u'&';
  }
  return out;
}

// Shows a problem with a language file unless the user has heard of it.
void TellOnce(TLangApplication& app, const std::u16string& path, const std::u16string& text) {
  const std::u16string folded = FoldAscii(path);
  auto& told = app.Lang.ToldFiles;
  if (std::find(told.begin(), told.end(), folded) != told.end()) return;
  told.push_back(folded);
  app.ShowError(text, 0);
}

// The common first step of every apply, then the file's texts. A file that
// is no UTF-16 text, or cannot be read, gives none of its texts.
TIniFile OpenLangFile(TLangApplication& app) {
  TPlatform& p = app.Platform;
  if (!FileExists(p, app.Lang.LangFile)) SelectDefaultLangFile(app);
  const std::u16string& path = app.Lang.LangFile;
  std::vector<std::uint8_t> bytes;
  const bool read = p.ReadFileBytes(path, bytes, MaxLangFileBytes);
  const DWORD error = read ? 0 : p.GetLastError();
  if (read) {
    TIniFile ini(bytes);
    if (ini.Readable()) return ini;
    TellOnce(
        app, path,
        FormatText(app.Lang.Text(u"MsgErrorCannotReadLangFile"), {path, DecodeErrorText(app.Lang, ini.DecodeError())}));
    return TIniFile();
  }
  if (error == win::ERROR_FILE_NOT_FOUND || error == win::ERROR_PATH_NOT_FOUND) return TIniFile();
  TellOnce(
      app, path,
      FormatText(app.Lang.Text(u"MsgErrorCannotReadLangFile"), {path, ReadErrorText(app, error, MaxLangFileBytes)}));
  return TIniFile();
}

TLangCaptions SectionCaptions(TLangApplication& app, const std::u16string& section) {
  const TIniFile ini = OpenLangFile(app);
  TLangCaptions captions;
  for (const auto& e : DefaultLangEntries()) {
    if (section == e.Section) captions.push_back({e.Key, ini.ReadString(e.Section, e.Key, e.BuiltIn)});
  }
  return captions;
}

// The user's locale's order, case ignored, as the language menu lists
// names; names it holds equal go by their code units. Without the
// platform's answer, A-Z folded.
bool LessInLocale(TPlatform& platform, const std::u16string& a, const std::u16string& b) {
  const int r = platform.CompareStringW(win::NORM_IGNORECASE, a, b);
  if (r == win::CSTR_LESS_THAN || r == win::CSTR_GREATER_THAN) return r == win::CSTR_LESS_THAN;
  const std::u16string fa = FoldAscii(a), fb = FoldAscii(b);
  return r != win::CSTR_EQUAL && fa != fb ? fa < fb : a < b;
}

}  // namespace

std::vector<std::uint8_t> DefaultLangFileBytes() {
  std::vector<std::u16string> lines = {
      kSeparatorLine,
      u";[General]",
      std::u16string(u";FileName=") + DefaultLangFileName,
      u";Charset=UTF-16",
      u";Description=日本語_かな",
      kSeparatorLine,
      u"",
  };
  std::u16string section;
  for (const auto& e : DefaultLangEntries()) {
    if (section != e.Section) {
      if (!section.empty()) lines.push_back(u"");
      section = e.Section;
      lines.push_back(u"[" + section + u"]");
    }
    lines.push_back(std::u16string(e.Key) + u"=" + e.FileText);
  }
  lines.push_back(u"");

  std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
  auto put = [&bytes](char16_t c) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  };
  for (const auto& line : lines) {
    for (char16_t c : line) put(c);
    put(u'\r');
    put(u'\n');
  }
  return bytes;
}

bool WriteDefaultLangFile(TPlatform& platform, const std::u16string& path) {
  return WriteFileAtomically(platform, path, DefaultLangFileBytes(), /*replaceExisting=*/false).Ok;
}

void SelectDefaultLangFile(TLangApplication& app) {
  TLangState& lang = app.Lang;
  if (lang.LangFile != lang.LangDir + DefaultLangFileName) lang.FellBack = true;
  lang.LangFile = lang.LangDir + DefaultLangFileName;
  // When it cannot be written the built-in texts stand in: they are the
  // file's texts.
  if (FileExists(app.Platform, lang.LangFile) || lang.WritesHeld) return;
  if (WriteDefaultLangFile(app.Platform, lang.LangFile)) return;
  // A folder that is gone holds nothing to lose; a folder that refuses the
  // file is worth a word.
  const DWORD error = app.Platform.GetLastError();
  if (error == win::ERROR_PATH_NOT_FOUND) return;
  TellOnce(app, lang.LangFile,
           FormatText(app.Lang.Text(u"MsgErrorCannotWriteLangFile"),
                      {lang.LangFile, SysErrorMessage(app.Platform, error)}));
}

bool EnsureLangDir(TLangApplication& app) {
  const std::u16string exeFolder = ExtractFilePath(app.ExeName);
  app.Lang.LangDir = exeFolder + u"Lang\\";
  // Through a link we make nothing, and have said so: a Lang folder that is
  // not there gives the built-in texts.
  if (app.Lang.WritesHeld) {
    app.Lang.LangFile = ReadLangFileName(app);
    return DirectoryExists(app.Platform, app.Lang.LangDir);
  }
  bool made = ForceDirectories(app.Platform, app.Lang.LangDir);
  if (!made) {
    app.ShowError(FormatText(u"Lensoro cannot make directory: [%s]", {app.Lang.LangDir}), 0);
    app.Lang.LangDir = exeFolder;
    // The user knows the folder is unusable; the default file failing there
    // too would tell nothing new.
    app.Lang.ToldFiles.push_back(FoldAscii(exeFolder + DefaultLangFileName));
  }
  app.Lang.LangFile = ReadLangFileName(app);
  return made;
}

std::u16string ReadLangFileName(TLangApplication& app) {
  TIniFileResult read;
  TIniFile ini = LoadIniFile(app.Platform, app.IniFileName, &read, app.FileBatch);
  if (!read.Ok) app.Lang.FellBack = true;
  // Saved as UTF-16 big-endian by an editor, the file is told of and kept
  // aside; the language it names is still the user's, and that message is
  // to speak it.
  std::vector<std::uint8_t> bytes;
  if (ini.DecodeError() == TIniDecodeError::OtherMark &&
      (app.FileBatch ? app.FileBatch->ReadFileBytes(app.IniFileName, bytes, MaxSettingsFileBytes)
                     : app.Platform.ReadFileBytes(app.IniFileName, bytes, MaxSettingsFileBytes))) {
    ini = TIniFile::FromBigEndian(bytes);
  }
  const std::u16string value = ini.ReadString(u"Language", u"LangFileName", u"");
  if (value.empty()) return app.Lang.LangDir + DefaultLangFileName;
  const std::u16string exeFolder = ExtractFilePath(app.ExeName);
  const std::u16string name = FullLangPath(exeFolder, value);
  // Opening it would hand the user's network credentials to that host (and
  // stall the start while it does not answer). Nothing touches such a path:
  // it counts as missing.
  if (IsNetworkOrDevicePath(name) && !InFolder(name, exeFolder) && !InFolder(name, ExtractFilePath(app.ExeUNCName()))) {
    app.Lang.RefusedLangFileName = value;
    const std::u16string own = app.Lang.LangDir + ExtractFileName(name);
    if (!ExtractFileName(name).empty() && FileExists(app.Platform, own)) return own;
    app.Lang.FellBack = true;
    return app.Lang.LangDir + DefaultLangFileName;
  }
  // The program's folder was moved (another drive, another PC): the file
  // of that name in our own folder is the one meant.
  if (!FileExists(app.Platform, name)) {
    const std::u16string own = app.Lang.LangDir + ExtractFileName(name);
    if (!ExtractFileName(name).empty() && FileExists(app.Platform, own)) return own;
  }
  return name;
}

bool HoldWritesThroughLinks(TLangApplication& app) {
  TPlatform& p = app.Platform;
  bool elevated = true;
  // When the system does not say, the careful side: as if elevated.
  if (p.GetTokenElevation(elevated) && !elevated) return false;
  const std::u16string exeFolder = ExtractFilePath(app.ExeName);
  const bool folderLinked = IsLink(p, exeFolder);
  const std::u16string folder = folderLinked ? exeFolder : exeFolder + u"Lang\\";
  if (!folderLinked && !IsLink(p, folder)) return false;
  app.Lang.WritesHeld = true;
  app.Lang.LinkedFolder = folder;
  return folderLinked;
}

void TellStartNotices(TLangApplication& app) {
  TLangState& lang = app.Lang;
  if (!lang.LinkedFolder.empty()) {
    app.ShowError(FormatText(lang.Text(u"MsgErrorLinkedFolderElevated"), {lang.LinkedFolder}), 0);
    lang.LinkedFolder.clear();
  }
  if (!lang.RefusedLangFileName.empty()) {
    app.ShowError(FormatText(lang.Text(u"MsgErrorLangFileNotLocal"), {lang.RefusedLangFileName}), 0);
    lang.RefusedLangFileName.clear();
  }
}

std::u16string ReadErrorText(TLangApplication& app, DWORD error, std::uint64_t limit) {
  if (error != win::ERROR_FILE_TOO_LARGE) return SysErrorMessage(app.Platform, error);
  return FormatText(app.Lang.Text(u"MsgReasonTooLarge"), {static_cast<int>(limit / (1024 * 1024))});
}

std::u16string DecodeErrorText(const TLangState& lang, TIniDecodeError error) {
  switch (error) {
    case TIniDecodeError::None:
      return {};
    case TIniDecodeError::OtherMark:
      return lang.Text(u"MsgReasonUtf16BigEndian");
    case TIniDecodeError::NulCharacter:
      return lang.Text(u"MsgReasonBinary");
    case TIniDecodeError::BadUtf8:
      return lang.Text(u"MsgReasonBadUtf8");
    case TIniDecodeError::OddLength:
    case TIniDecodeError::EightBitText:
      break;
  }
  return lang.Text(u"MsgReasonNotText");
}

std::u16string ItemNotFoundText(const TLangState& lang, const std::u16string& path) {
  const std::u16string templ = lang.Text(u"MsgErrorItemNotFound");
  // A translation may leave the path out: its text is then all it says.
  bool plain = false;
  const std::u16string text = FormatText(templ, {}, &plain);
  return plain ? text : FormatText(templ, {path});
}

TLangCaptions ApplyMainFormLang(TLangApplication& app) {
  const TIniFile ini = OpenLangFile(app);
  TLangCaptions captions;
  for (const auto& e : DefaultLangEntries()) {
    const std::u16string section = e.Section;
    const std::u16string text = ini.ReadString(section, e.Key, e.BuiltIn);
    if (section == u"Application") {
      app.SetTitle(text);
    } else if (section == u"MainForm") {
      captions.push_back({e.Key, text});
    } else if (section == u"Lang: Menu" || section == u"Lang: Msg") {
      app.Lang.Texts[e.Key] = text;
    }
  }
  // The default file, or one that gave none of its messages, speaks the
  // default language: the added texts it lacks come in that language too. A
  // translation that lacks them falls back on English.
  const bool defaultLanguage =
      !ini.SectionExists(u"Lang: Msg") || SameTextAscii(app.Lang.LangFile, app.Lang.LangDir + DefaultLangFileName);
  for (const auto& e : AddedLangEntries()) {
    app.Lang.Texts[e.Key] = ini.ReadString(e.Section, e.Key, defaultLanguage ? e.FileText : e.BuiltIn);
  }
  app.Lang.MsgDialogCaption = app.Lang.Texts[u"MsgDialogCaption"];
  return captions;
}

std::u16string CaptionOf(const TLangCaptions& captions, const std::u16string& key) {
  for (const auto& c : captions) {
    if (c.Key == key) return c.Text;
  }
  return BuiltInText(key);
}

std::u16string CaptionOf(const TLangCaptions& captions, const TLangState& lang, const std::u16string& key) {
  for (const auto& c : captions) {
    if (c.Key == key) return c.Text;
  }
  return lang.Text(key);
}

TLangCaptions ApplyOptionFormLang(TLangApplication& app) { return SectionCaptions(app, u"OptionForm"); }

TLangCaptions ApplyAboutFormLang(TLangApplication& app) { return SectionCaptions(app, u"AboutForm"); }

std::vector<TLangMenuItem> BuildLangMenu(TLangApplication& app) {
  TLangState& lang = app.Lang;
  std::vector<std::u16string> names = app.Platform.FindFiles(lang.LangDir + u"*.lang");
  std::sort(names.begin(), names.end(),
            [&](const std::u16string& a, const std::u16string& b) { return LessInLocale(app.Platform, a, b); });
  names.erase(std::unique(names.begin(), names.end(),
                          [](const std::u16string& a, const std::u16string& b) { return SameTextAscii(a, b); }),
              names.end());
  lang.LangFileList.clear();
  std::vector<TLangMenuItem> items;
  for (const auto& name : names) {
    const std::u16string path = lang.LangDir + ExtractFileName(name);
    TLangMenuItem item;
    item.Caption = MenuText(ChangeFileExt(ExtractFileName(name), u""));
    item.Tag = static_cast<int>(lang.LangFileList.size());
    item.Checked = SameTextAscii(path, lang.LangFile);
    lang.LangFileList.push_back(path);
    items.push_back(std::move(item));
  }
  return items;
}

bool ChooseLangFile(TLangApplication& app, int tag, HWND owner) {
  TLangState& lang = app.Lang;
  if (tag < 0 || static_cast<std::size_t>(tag) >= lang.LangFileList.size()) return false;
  const std::u16string chosen = lang.LangFileList[static_cast<std::size_t>(tag)];
  if (!FileExists(app.Platform, chosen)) {
    // Gone since the menu was made: the language in use stays and says so;
    // the list is read from the folder again.
    app.ShowError(ItemNotFoundText(lang, chosen), owner);
    BuildLangMenu(app);
    return false;
  }
  lang.LangFile = chosen;
  lang.FellBack = false;
  return true;
}

}  // namespace lensoro

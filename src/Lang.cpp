#include "Lang.h"

namespace lensoro {

const std::vector<TLangDefault>& DefaultLangEntries() {
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
  return entries;
}

std::u16string BuiltInText(const std::u16string& key) {
  for (const auto& e : DefaultLangEntries()) {
    if (key == e.Key) return e.BuiltIn;
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
  MsgDialogCaption = Text(u"MsgDialogCaption");
}

}  // namespace lensoro

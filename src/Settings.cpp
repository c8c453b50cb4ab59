#include "Settings.h"

#include <algorithm>

#include "Format.h"
#include "Lang.h"
#include "LnsLib.h"

namespace lensoro {

namespace {

constexpr char16_t kSecMainForm[] = u"MainForm", kSecLanguage[] = u"Language", kSecOptionForm[] = u"OptionForm";

// The window's place, in the order it is read and written.
struct TBoundsKey {
  const char16_t* Key;
  int (*Get)(const TRect&);
  void (*Set)(TRect&, int);  // moves an edge, or sizes from the top left
  bool IsSize;
};
constexpr TBoundsKey BoundsKeys[] = {
    {u"Left", [](const TRect& r) { return r.Left; }, [](TRect& r, int v) { r.Right += v - r.Left, r.Left = v; }, false},
    {u"Top", [](const TRect& r) { return r.Top; }, [](TRect& r, int v) { r.Bottom += v - r.Top, r.Top = v; }, false},
    {u"Width", [](const TRect& r) { return r.Width(); }, [](TRect& r, int v) { r.Right = r.Left + v; }, true},
    {u"Height", [](const TRect& r) { return r.Height(); }, [](TRect& r, int v) { r.Bottom = r.Top + v; }, true},
};

// The settings of a run that could not read its file must not replace it.
bool SavesHeld(TApplication& app, TIniFileResult& result) {
  if (!app.SaveNotice || !app.SaveNotice->SavesHeld()) return false;
  result.Ok = false;
  result.Error = app.SaveNotice->HeldError();
  app.Platform.SetLastError(result.Error);
  return true;
}

// Read the file, let `fill` change the copy, and replace the file with it.
// A file that exists but cannot be read is left alone: rewriting it from an
// empty copy would lose what it holds. A file that is no text it knows
// (saved as UTF-8 with a mark by an editor, say) read as empty; it is kept
// under another name rather than overwritten.
TIniFileResult UpdateIniFile(TApplication& app, const std::function<void(TIniFile&)>& fill) {
  if (app.FileBatch) app.FileBatch->Forget(app.IniFileName);
  TIniFileResult read;
  TIniFile ini = LoadIniFile(app.Platform, app.IniFileName, &read);
  if (!read.Ok) {
    app.Platform.SetLastError(read.Error);
    return read;
  }
  fill(ini);
  return WriteFileAtomically(app.Platform, app.IniFileName, ini.ToBytes(), true, !ini.Readable());
}

}  // namespace

TFileBatchScope::TFileBatchScope(TApplication& app) : FApp(app), FBatch(app.Platform), FOuter(app.FileBatch) {
  FApp.FileBatch = &FBatch;
}

TFileBatchScope::~TFileBatchScope() { FApp.FileBatch = FOuter; }

bool LoadSettings(TApplication& app, TLoupeSettings& settings, TRect bounds,
                  const std::function<TRect(const TRect&)>& setBounds) {
  TIniFileResult read;
  const TIniFile ini = LoadIniFile(app.Platform, app.IniFileName, &read, app.FileBatch);
  if (!read.Ok) {
    if (app.SaveNotice) app.SaveNotice->HoldSaves(read.Error);
    ShowMsgDialog(app, ReadFailureMessage(app, app.IniFileName, read.Error), TMsgDlgType::Error, mbOK);
  } else if (!ini.Readable()) {
    // Said now, not first at quit; the save that keeps the file aside is
    // then quiet about it.
    if (app.SaveNotice) app.SaveNotice->ToldUnreadable();
    ShowMsgDialog(app, UndecodableSettingsMessage(app.Lang, app.IniFileName, ini.DecodeError()), TMsgDlgType::Error,
                  mbOK);
  }

  const std::u16string sep = app.Platform.GetLocaleDecimalSeparator();
  // A size below one pixel from a hand-edited file keeps the current one.
  for (const TBoundsKey& k : BoundsKeys) {
    int value = ini.ReadInteger(kSecMainForm, k.Key, k.Get(bounds));
    if (k.IsSize && value <= 0) continue;
    value = std::clamp(value, -MaxSettingsCoordinate, MaxSettingsCoordinate);
    TRect next = bounds;
    k.Set(next, value);
    if (!(next == bounds)) bounds = setBounds(next);
  }
  ReadLoupeSettings(ini, settings, sep);
  return ini.ValueExists(kSecMainForm, u"Left") || ini.ValueExists(kSecMainForm, u"Top");
}

TIniFileResult SaveSettings(TApplication& app, const TLoupeSettings& settings, const TRect& bounds) {
  if (TIniFileResult held; SavesHeld(app, held)) return held;
  const std::u16string sep = app.Platform.GetLocaleDecimalSeparator();
  return UpdateIniFile(app, [&](TIniFile& ini) {
    if (!app.Lang.FellBack) ini.WriteString(kSecLanguage, u"LangFileName", app.Lang.LangFile);
    for (const TBoundsKey& k : BoundsKeys) ini.WriteInteger(kSecMainForm, k.Key, k.Get(bounds));
    WriteLoupeSettings(ini, settings, sep, app.Platform);
  });
}

bool LoadOptionFormPosition(TApplication& app, int& left, int& top) {
  const TIniFile ini = LoadIniFile(app.Platform, app.IniFileName);
  left = std::clamp(ini.ReadInteger(kSecOptionForm, u"Left", left), -MaxSettingsCoordinate, MaxSettingsCoordinate);
  top = std::clamp(ini.ReadInteger(kSecOptionForm, u"Top", top), -MaxSettingsCoordinate, MaxSettingsCoordinate);
  return ini.ValueExists(kSecOptionForm, u"Left") || ini.ValueExists(kSecOptionForm, u"Top");
}

TIniFileResult SaveOptionFormPosition(TApplication& app, int left, int top) {
  if (TIniFileResult held; SavesHeld(app, held)) return held;
  return UpdateIniFile(app, [&](TIniFile& ini) {
    ini.WriteInteger(kSecOptionForm, u"Left", left);
    ini.WriteInteger(kSecOptionForm, u"Top", top);
  });
}

bool TSaveFailureNotice::ShouldTell(const TIniFileResult& result) {
  if (result.Ok) {
    FTold = false;
    return false;
  }
  if (FHeld || (FTold && FToldError == result.Error)) return false;
  FTold = true;
  FToldError = result.Error;
  return true;
}

void TSaveFailureNotice::HoldSaves(DWORD error) {
  FHeld = FTold = true;
  FToldError = error;
}

std::u16string ReadFailureMessage(TApplication& app, const std::u16string& path, DWORD error) {
  const TLangState& lang = app.Lang;
  return FormatText(lang.Text(u"MsgErrorCannotReadSettings") + u"\r\n\r\n" + lang.Text(u"MsgNoteDefaultsNotSaved"),
                    {path, ReadErrorText(app, error, MaxSettingsFileBytes)});
}

std::u16string UndecodableSettingsMessage(const TLangState& lang, const std::u16string& path, TIniDecodeError error) {
  return FormatText(lang.Text(u"MsgErrorCannotReadSettings") + u"\r\n\r\n" + lang.Text(u"MsgNoteKeptAsBak"),
                    {path, DecodeErrorText(lang, error)});
}

std::u16string SaveFailureMessage(TApplication& app, const std::u16string& path, DWORD error) {
  return FormatText(app.Lang.Text(u"MsgErrorCannotSaveSettings"), {path, SysErrorMessage(app.Platform, error)});
}

std::u16string KeptAsideMessage(const TLangState& lang, const std::u16string& keptAs) {
  return FormatText(lang.Text(u"MsgInfoSettingsKeptAs"), {keptAs});
}

void ReportSaveResult(TApplication& app, TSaveFailureNotice& notice, const TIniFileResult& result, HWND owner) {
  if (!result.KeptAsPath.empty() && !notice.UnreadableTold()) {
    ShowMsgDialog(app, KeptAsideMessage(app.Lang, result.KeptAsPath), TMsgDlgType::Information, mbOK, owner);
  }
  if (notice.ShouldTell(result)) {
    ShowMsgDialog(app, SaveFailureMessage(app, app.IniFileName, result.Error), TMsgDlgType::Error, mbOK,
                  owner);
  }
}


}  // namespace lensoro

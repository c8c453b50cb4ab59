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
                  const std::function<TRect(const TRect&)>& setBounds, TSettingNotes* notesOut) {
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
  TSettingNotes notes;
  // A size below one pixel from a hand-edited file keeps the current one.
  for (const TBoundsKey& k : BoundsKeys) {
    const std::u16string text = ini.ReadString(kSecMainForm, k.Key, u"");
    int value = k.Get(bounds);
    if (!text.empty() && (!TryTextToInteger(text, value) || (k.IsSize && value <= 0))) {
      notes.push_back({kSecMainForm, k.Key, text, AsciiToUtf16(std::to_string(k.Get(bounds)).c_str())});
      continue;
    }
    value = std::clamp(value, -MaxSettingsCoordinate, MaxSettingsCoordinate);
    TRect next = bounds;
    k.Set(next, value);
    if (!(next == bounds)) bounds = setBounds(next);
  }
  ReadLoupeSettings(ini, settings, sep, app.Platform, &notes);
  if (!notes.empty())
    ShowMsgDialog(app, SettingNotesMessage(app.Lang, app.IniFileName, notes), TMsgDlgType::Warning, mbOK);
  if (notesOut) *notesOut = std::move(notes);
  return ini.ValueExists(kSecMainForm, u"Left") || ini.ValueExists(kSecMainForm, u"Top");
}

TIniFileResult SaveSettings(TApplication& app, const TLoupeSettings& settings, const TRect& bounds,
                            const TSettingNotes& notes) {
  if (TIniFileResult held; SavesHeld(app, held)) return held;
  const std::u16string sep = app.Platform.GetLocaleDecimalSeparator();
  return UpdateIniFile(app, [&](TIniFile& ini) {
    // What the user wrote and the program could not take stays, as a
    // comment above the value that replaces it; a line changed since
    // the start is the user's own again.
    for (const TSettingNote& note : notes) {
      if (ini.ReadString(note.Section, note.Key, u"") == note.Found) ini.KeepAsComment(note.Section, note.Key);
    }
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

std::u16string SettingNotesMessage(const TLangState& lang, const std::u16string& path, const TSettingNotes& notes) {
  std::u16string text = FormatText(lang.Text(u"MsgWarnSettingsNotUnderstood"), {path}) + u"\r\n";
  for (const TSettingNote& note : notes) {
    text += u"\r\n" + FormatText(lang.Text(u"MsgSettingValueUsed"), {note.Key, note.Found, note.Used});
  }
  return text + u"\r\n\r\n" + lang.Text(u"MsgNoteSettingsKeptAsComments");
}

std::u16string SaveFailureMessage(TApplication& app, const std::u16string& path, DWORD error) {
  return FormatText(app.Lang.Text(u"MsgErrorCannotSaveSettings"), {path, SysErrorMessage(app.Platform, error)});
}

std::u16string KeptAsideMessage(const TLangState& lang, const std::u16string& keptAs) {
  return FormatText(lang.Text(u"MsgInfoSettingsKeptAs"), {keptAs});
}

void ReportSaveResult(TApplication& app, TSaveFailureNotice& notice, TIniFileResult result, HWND owner,
                      const std::function<TIniFileResult()>& retry) {
  for (;;) {
    if (!result.KeptAsPath.empty() && !notice.UnreadableTold()) {
      ShowMsgDialog(app, KeptAsideMessage(app.Lang, result.KeptAsPath), TMsgDlgType::Information, mbOK, owner);
    }
    if (!notice.ShouldTell(result)) return;
    const std::u16string text = SaveFailureMessage(app, app.IniFileName, result.Error);
    if (!retry) {
      ShowMsgDialog(app, text, TMsgDlgType::Error, mbOK, owner);
      return;
    }
    // The other program may let go of the file, the disk be cleared: the
    // user says when.
    const int answer = ShowMsgDialog(app, text + u"\r\n\r\n" + app.Lang.Text(u"MsgNoteRetrySave"), TMsgDlgType::Error,
                                     mbRetry | mbCancel, owner);
    if (answer != win::IDRETRY) return;
    // Asked for again, the same failure is news again.
    notice.Forget();
    result = retry();
  }
}

}  // namespace lensoro

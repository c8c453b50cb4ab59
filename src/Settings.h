// The program's settings file: the loupe's settings and window, the options
// dialog's position, and what the user is told when the file fails.
#pragma once

#include <functional>
#include <string>

#include "Ini.h"
#include "LoupeSettings.h"
#include "Platform.h"

namespace lensoro {

class TApplication;
struct TLangState;

// Opens a batch of reads on the application for its own lifetime: the start
// reads the language file's name and the settings through it (TFileBatch,
// Ini.h).
class TFileBatchScope {
 public:
  explicit TFileBatchScope(TApplication& app);
  ~TFileBatchScope();
  TFileBatchScope(const TFileBatchScope&) = delete;
  TFileBatchScope& operator=(const TFileBatchScope&) = delete;

 private:
  TApplication& FApp;
  TFileBatch FBatch;
  TFileBatch* FOuter;
};

// Every place and size read from the file is held within this many pixels
// of the origin: far beyond any desk, yet no sum or difference of two of
// them overflows an int. A place out there is then moved onto a monitor as
// any place off the screens is.
constexpr int MaxSettingsCoordinate = 1 << 24;

// Each call reads the settings file afresh; each save rewrites it whole.
// A file that is there but cannot be read (locked by another program, say)
// is told of once; the run goes on with the defaults and never saves over
// it (the application's SaveNotice holds the saves), so what the file holds
// survives.
//
// Reads the loupe's settings over `settings` (see ReadLoupeSettings) and its
// window's place: each of left, top, width and height is applied through
// setBounds as soon as it is read, which gives back the bounds the window
// took; one the window has already is not sent. True when the file holds a
// place of the window's own.
bool LoadSettings(TApplication& app, TLoupeSettings& settings, TRect bounds,
                  const std::function<TRect(const TRect&)>& setBounds);
TIniFileResult SaveSettings(TApplication& app, const TLoupeSettings& settings, const TRect& bounds);
// The options dialog's position: left and top come in as the dialog's
// current position and go out as the position to apply. False when the
// file holds no place of the dialog's.
bool LoadOptionFormPosition(TApplication& app, int& left, int& top);
TIniFileResult SaveOptionFormPosition(TApplication& app, int left, int top);

// The user hears of a failing save once: after one report further failures
// with the same error stay quiet until a save succeeds again.
class TSaveFailureNotice {
 public:
  // True when this result should be shown to the user now.
  bool ShouldTell(const TIniFileResult& result);
  // The file could not be read: saves in this run fail with `error`, and
  // the user, told already, hears no more of it.
  void HoldSaves(DWORD error);
  bool SavesHeld() const { return FHeld; }
  DWORD HeldError() const { return FToldError; }
  // The file's content could not be read and the user was told at start
  // that the first save keeps it aside: that save says no more.
  void ToldUnreadable() { FUnreadableTold = true; }
  bool UnreadableTold() const { return FUnreadableTold; }

 private:
  DWORD FToldError = 0;
  bool FTold = false;
  bool FHeld = false;
  bool FUnreadableTold = false;
};

// The settings file's messages, in the language in use.
// "Lensoro cannot save its settings: [path] (reason)".
std::u16string SaveFailureMessage(TApplication& app, const std::u16string& path, DWORD error);
// "Lensoro cannot read its settings file: [path] (reason) ...".
std::u16string ReadFailureMessage(TApplication& app, const std::u16string& path, DWORD error);
// The same for a file that was read but is no text it knows.
std::u16string UndecodableSettingsMessage(const TLangState& lang, const std::u16string& path, TIniDecodeError error);
// "Lensoro could not read its settings file; it was kept as: [path]".
std::u16string KeptAsideMessage(const TLangState& lang, const std::u16string& keptAs);
// Shows what a save result calls for (a failure once, a kept-aside file
// each time one was kept) in the one message box.
void ReportSaveResult(TApplication& app, TSaveFailureNotice& notice, const TIniFileResult& result, HWND owner);

}  // namespace lensoro

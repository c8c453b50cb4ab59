// Routines shared by the units: the error report, the version and
// single-instance checks, the clock texts, waiting with messages. The one
// message box (ShowMsgDialog) is the application's; clamping and rounding
// are in Numeric.h.
#pragma once

#include <cstdint>
#include <string>

#include "Application.h"
#include "AsciiFold.h"
#include "Canvas.h"
#include "LoupeProtocol.h"
#include "Numeric.h"
#include "Platform.h"

namespace lensoro {

// The fixed buffer a window title or a path is read into: MAX_PATH characters
// and the closing null; a longer one is cut.
constexpr int TextBufferLength = win::MAX_PATH + 1;

// Fills the template's "%s" with the system's text for the last error and
// shows it as an error box owned by owner.
void ShowErrorMessage(TApplication& app, const std::u16string& templ, HWND owner);

// True when the running Windows is at least major.minor.
bool CheckWindowsVersion(TPlatform& platform, DWORD major, DWORD minor);
// major * 1000000 + minor * 10000 + build; 0 when the version is unknown.
int GetOsVersionNumber(TPlatform& platform);

// Said when the own executable's path cannot be read whole: no settings
// path can be made, so the program does not start.
constexpr const char16_t* NoExePathText =
    u"Lensoro cannot read the full path of its own program file, so it cannot tell where its settings are. "
    u"It does not start.";

// One copy per folder: a named mutex keyed by the executable's folder, held
// for the life of the process. A copy that is still starting holds it
// before its loupe has the caption the single-instance check looks for.
class TFolderMutex {
 public:
  TFolderMutex() = default;
  ~TFolderMutex() { Release(); }
  TFolderMutex(const TFolderMutex&) = delete;
  TFolderMutex& operator=(const TFolderMutex&) = delete;
  // Takes the folder's mutex for this process. False when another process
  // holds it already (a copy from this folder runs or is starting); false
  // too, and nothing held, when the mutex cannot be made at all.
  bool Acquire(TApplication& app);
  bool HeldElsewhere() const { return FHeldElsewhere; }
  void Release();

 private:
  TPlatform* FPlatform = nullptr;
  HANDLE FHandle = 0;
  bool FHeldElsewhere = false;
};
// The mutex's name for an executable's path: its folder, A-Z folded and
// hashed, since "\\" may not appear in the name.
std::u16string FolderMutexName(const std::u16string& exePath);

// How long a start waits for the loupe of a copy that holds the folder's
// mutex, and how often it looks.
constexpr DWORD StartingCopyWaitMs = 5000;
constexpr DWORD StartingCopyPollMs = 100;

// Whether a copy of this same executable runs already; if so, tells the user
// and brings that copy's loupe to the front. When another copy holds the
// folder's mutex (startingElsewhere), any loupe of this folder counts and
// is waited for up to StartingCopyWaitMs; without one by then the start is
// refused all the same: two copies must not share the folder's files.
bool IsAlreadyRunning(TApplication& app, bool startingElsewhere = false);

// State of one single-instance search; FindSameInstanceProc visits a window.
struct TSameInstanceSearch {
  TPlatform& Platform;
  std::u16string OwnPath;  // own executable, in UNC form
  bool Found = false;
  HWND FoundWindow = 0;
  bool SameFolder = false;  // a loupe of any executable in OwnPath's folder matches
};
bool FindSameInstanceProc(TSameInstanceSearch& search, HWND wnd);

// The process that owns a window, 0 when there is no such window.
DWORD GetWindowProcessId(TPlatform& platform, HWND wnd);
// Full image path of the process that owns a window, "" when unreadable.
// The process is opened only for PROCESS_QUERY_LIMITED_INFORMATION.
std::u16string GetWindowProcessImagePath(TPlatform& platform, HWND wnd);

// "yyyymmddhhnnsszzz" of the local time.
std::u16string GetTimeStampText(TPlatform& platform);

// Pauses for the given time while still dispatching messages. True when the
// time ran out with messages dispatched on the way, false when the wait
// itself timed out.
bool WaitWithMessages(TApplication& app, DWORD milliseconds);

}  // namespace lensoro

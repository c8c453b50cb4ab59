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

// Whether a copy of this same executable runs already; if so, tells the user
// and brings that copy's loupe to the front.
bool IsAlreadyRunning(TApplication& app);

// State of one single-instance search; FindSameInstanceProc visits a window.
struct TSameInstanceSearch {
  TPlatform& Platform;
  std::u16string OwnPath;  // own executable, in UNC form
  bool Found = false;
  HWND FoundWindow = 0;
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

#include "LnsLib.h"

#include <cmath>
#include <cstdio>

#include "FilePath.h"
#include "Format.h"

namespace lensoro {

void ShowErrorMessage(TApplication& app, const std::u16string& templ, HWND owner) {
  const DWORD code = app.Platform.GetLastError();
  ShowMsgDialog(app, FormatText(templ, {SysErrorMessage(app.Platform, code)}), TMsgDlgType::Error, mbOK, owner);
}

int GetOsVersionNumber(TPlatform& platform) {
  TOsVersion v;
  if (platform.RtlGetVersion(v) != 0) return 0;
  return static_cast<int>(v.Major * 1000000 + v.Minor * 10000 + v.Build);
}

bool CheckWindowsVersion(TPlatform& platform, DWORD major, DWORD minor) {
  TOsVersion v;
  // When the system does not say, we cannot call it too old.
  if (platform.RtlGetVersion(v) != 0) return true;
  return v.Major > major || (v.Major == major && v.Minor >= minor);
}

DWORD GetWindowProcessId(TPlatform& platform, HWND wnd) {
  DWORD pid = 0;
  platform.GetWindowThreadProcessId(wnd, &pid);
  return pid;
}

std::u16string GetWindowProcessImagePath(TPlatform& platform, HWND wnd) {
  const DWORD pid = GetWindowProcessId(platform, wnd);
  if (pid == 0) return {};
  // The least rights that tell the image path: they are granted for a copy
  // started as administrator too, and across 32 and 64 bits.
  const HANDLE process = platform.OpenProcess(win::PROCESS_QUERY_LIMITED_INFORMATION, pid);
  if (process == 0) return {};
  char16_t buffer[TextBufferLength] = {};
  DWORD length = TextBufferLength;
  if (!platform.QueryFullProcessImageNameW(process, buffer, length)) length = 0;
  platform.CloseHandle(process);
  if (length > win::MAX_PATH) length = win::MAX_PATH;
  return std::u16string(buffer, length);
}

bool FindSameInstanceProc(TSameInstanceSearch& search, HWND wnd) {
  TPlatform& p = search.Platform;
  if (p.GetWindow(wnd, win::GW_OWNER) != 0) return true;
  char16_t title[TextBufferLength] = {};
  const int length = p.GetWindowTextW(wnd, title, TextBufferLength);
  if (length <= 0) return true;
  if (!SameTextAscii(std::u16string(title, static_cast<std::size_t>(length)), LoupeCaption)) return true;
  const std::u16string path = GetWindowProcessImagePath(p, wnd);
  const bool same = search.SameFolder ? SameTextAscii(ExtractFilePath(path), ExtractFilePath(search.OwnPath))
                                      : SameTextAscii(path, search.OwnPath);
  if (!path.empty() && same) {
    search.Found = true;
    search.FoundWindow = wnd;
  }
  return true;
}

std::u16string FolderMutexName(const std::u16string& exePath) {
  // FNV-1a over the folded folder's code units.
  std::uint64_t hash = 14695981039346656037ull;
  for (char16_t c : FoldAscii(ExtractFilePath(exePath))) {
    hash = (hash ^ (c & 0xFF)) * 1099511628211ull;
    hash = (hash ^ (c >> 8)) * 1099511628211ull;
  }
  char text[40];
  std::snprintf(text, sizeof text, "Lensoro.Folder.%016llx", static_cast<unsigned long long>(hash));
  return AsciiToUtf16(text);
}

bool TFolderMutex::Acquire(TApplication& app) {
  Release();
  FPlatform = &app.Platform;
  // The UNC form: a folder reached by a mapped drive and by its share name
  // is one folder.
  FHandle = FPlatform->CreateMutexW(FolderMutexName(app.ExeUNCName()));
  const DWORD error = FPlatform->GetLastError();
  // One made by an elevated copy cannot be opened, and is held all the same.
  FHeldElsewhere = FHandle ? error == win::ERROR_ALREADY_EXISTS : error == win::ERROR_ACCESS_DENIED;
  return FHandle != 0 && !FHeldElsewhere;
}

void TFolderMutex::Release() {
  if (FHandle) FPlatform->CloseHandle(FHandle);
  FHandle = 0;
  FHeldElsewhere = false;
}

bool IsAlreadyRunning(TApplication& app, bool startingElsewhere) {
  TPlatform& p = app.Platform;
  TSameInstanceSearch search{p, app.ExeUNCName()};
  search.SameFolder = startingElsewhere;
  const DWORD start = p.GetTickCount();
  for (;;) {
    p.EnumWindows([&search](HWND wnd) { return FindSameInstanceProc(search, wnd); });
    if (search.Found) break;
    if (!startingElsewhere) return false;
    if (p.GetTickCount() - start >= StartingCopyWaitMs) break;
    // Nothing of ours is up yet that could be sent a message: a plain sleep.
    p.MsgWaitForMultipleObjects(StartingCopyPollMs, 0);
  }
  ShowMsgDialog(app, u"Lensoro is already running.", TMsgDlgType::Warning, mbOK);
  if (!search.Found) return true;
  // A loupe hidden in the tray cannot come to the front: it is shown first.
  // A copy that hangs must not keep this start from ending.
  LRESULT ignored = 0;
  p.SendMessageTimeoutW(search.FoundWindow, UM_LOUPENOTIFY, 0, LOUPE_RESTORE, win::SMTO_NORMAL | win::SMTO_ABORTIFHUNG,
                        PeerTimeoutMs, ignored);
  p.SetForegroundWindow(search.FoundWindow);
  return true;
}

std::u16string GetTimeStampText(TPlatform& platform) {
  const TSystemTime t = platform.GetLocalTime();
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04u%02u%02u%02u%02u%02u%03u", unsigned(t.Year) % 10000u,
                unsigned(t.Month) % 100u, unsigned(t.Day) % 100u, unsigned(t.Hour) % 100u,
                unsigned(t.Minute) % 100u, unsigned(t.Second) % 100u, unsigned(t.Milliseconds) % 1000u);
  return AsciiToUtf16(buffer);
}

// Input, posted and sent messages, timers, paints and hot keys wake the wait
// (raw input does not).
constexpr DWORD WakeOnAnyMessage = win::QS_KEY | win::QS_MOUSEMOVE | win::QS_MOUSEBUTTON | win::QS_POSTMESSAGE |
                                   win::QS_TIMER | win::QS_PAINT | win::QS_SENDMESSAGE | win::QS_HOTKEY;

bool WaitWithMessages(TApplication& app, DWORD milliseconds) {
  TPlatform& p = app.Platform;
  const DWORD deadline = p.GetTickCount() + milliseconds;
  for (;;) {
    if (p.MsgWaitForMultipleObjects(milliseconds, WakeOnAnyMessage) == win::WAIT_TIMEOUT) return false;
    // A quit request is left for the main loop, which must end; waiting on
    // would only spin on it until the deadline.
    if (!app.ProcessMessages()) return false;
    // Wrap-safe: GetTickCount rolls over after 49.7 days.
    if (static_cast<std::int32_t>(p.GetTickCount() - deadline) > 0) return true;
  }
}

}  // namespace lensoro

// Failure injection on the simulated desktop: the calls a test fails by name,
// and the sweep that fails the n-th fallible call with the error Windows gives.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

#include "SimDesktop.h"
#include "SimPlatformMethods.h"

namespace lensoro::sim {

namespace {

struct TFallible {
  const char* Method;
  DWORD Code;
};

// Left out of the sweep, because they cannot fail in practice or a failure
// changes nothing anyone could notice. Every TPlatform method is in this
// table or in FallibleMethods below, never in both (a unit test reads
// Platform.h), so a new method cannot be forgotten.
// clang-format off
constexpr const char* LeftOutMethods[] = {
    // The message loop's own calls.
    "GetMessageW", "PeekMessageW", "TranslateMessage", "DispatchMessageW", "MsgWaitForMultipleObjects",
    "DefWindowProcW", "CallWindowProcW", "SendMessageW", "PostQuitMessage",
    // Plain queries of state the system keeps (ExpandUNCFileName falls back to
    // the path it was given).
    "GetKeyState", "GetSysColor", "IsWindow", "IsWindowVisible", "IsWindowEnabled", "GetParent", "GetWindow",
    "GetWindowRect", "GetClientRect", "GetWindowLongW", "GetWindowTextW", "GetClassNameW", "GetDlgCtrlID", "GetFocus",
    "GetCapture", "GetForegroundWindow", "GetSystemMetrics", "GetSystemMetricsForDpi", "GetDpiForWindow",
    "GetScreenPixelsPerInch", "GetScreenBitsPerPixel", "GetTickCount", "GetLocalTime", "GetLastError",
    "IsThemeActive", "GetModuleFileNameW", "GetCurrentProcessId", "RtlGetVersion", "GetLocaleDecimalSeparator", "CompareStringW",
    "EnumDisplayMonitors", "MapVirtualKeyW", "SystemParametersInfoW", "GetKeyNameTextW", "EnumWindows",
    "EnumChildWindows", "MapWindowPoints", "ScreenToClient", "AdjustWindowRectEx", "ExpandUNCFileName",
    // A value of our own thread.
    "SetLastError",
    // Changes to our own live windows (LoadCursorW of a system cursor).
    "SetWindowTextW", "ShowWindow", "SetWindowPos", "DestroyWindow", "SetWindowLongW", "SetWindowProcW",
    "SetScrollInfo", "SetLayeredWindowAttributes", "ImmDisableForWindow", "EnableWindow", "SetFocus", "SetCapture",
    "ReleaseCapture", "TrackMouseEvent", "SetCursor", "LoadCursorW", "InvalidateRect", "CheckMenuItem", "EndMenu",
    "SendUpdateTipTextW", "SendDelToolW",
    // Drawing into a DC we hold, its text colours and metrics: a failure loses
    // pixels of one paint, the next one redraws.
    "SelectObject", "LineTo", "MoveToEx", "Polygon", "RoundRect", "ExcludeClipRect", "FillRect", "FrameRect",
    "FillSolidRect", "DrawTextW", "ExtTextOutW", "DrawEdge", "DrawIconEx", "DrawFocusRect", "DrawThemeBackground",
    "SetTextColor", "SetBkColor", "SetBkMode", "GetTextExtentPoint32W", "GetTextMetricsW",
    // Releasing what we hold.
    "KillTimer", "DestroyMenu", "DestroyIcon", "DeleteObject", "ReleaseDC", "EndPaint", "CloseHandle",
    "CloseThemeData", "RegCloseKey", "GlobalDeleteAtom", "UnregisterHotKey", "MagUninitialize",
    // The report itself, and ShellExecuteW, whose result the program reports as
    // it is.
    "MessageDialog", "ShellExecuteW",
};
// clang-format on

// What the sweep fails, with the error Windows gives when it happens there:
// creations run out of memory or quota, files are denied or the disk is
// full, other programs' windows and processes go away or are protected,
// the shell and other copies stop answering in time.
// Sorted by name for the look-up (checked below).
constexpr TFallible FallibleMethods[] = {
    {"AppendMenuW", win::ERROR_NOT_ENOUGH_MEMORY},
    {"BeginPaint", win::ERROR_NOT_ENOUGH_MEMORY},
    {"ChooseColorW", win::ERROR_GEN_FAILURE},
    {"CopyIcon", win::ERROR_NOT_ENOUGH_MEMORY},
    {"CreateDirectoryW", win::ERROR_ACCESS_DENIED},
    {"CreateFontIndirectW", win::ERROR_NOT_ENOUGH_MEMORY},
    {"CreateGuid", win::ERROR_NOT_ENOUGH_MEMORY},
    {"CreateIconIndirect", win::ERROR_NOT_ENOUGH_MEMORY},
    {"CreateMutexW", win::ERROR_NOT_ENOUGH_MEMORY},
    {"CreatePen", win::ERROR_NOT_ENOUGH_MEMORY},
    {"CreatePopupMenu", win::ERROR_NOT_ENOUGH_MEMORY},
    {"CreateSolidBrush", win::ERROR_NOT_ENOUGH_MEMORY},
    {"CreateWindowExW", win::ERROR_NOT_ENOUGH_MEMORY},
    {"DeleteFileW", win::ERROR_ACCESS_DENIED},
    {"FindFiles", win::ERROR_ACCESS_DENIED},
    {"FormatMessageW", win::ERROR_MR_MID_NOT_FOUND},
    {"GetCursorPos", win::ERROR_ACCESS_DENIED},  // the secure desktop is up
    {"GetDC", win::ERROR_NOT_ENOUGH_MEMORY},
    {"GetFileAttributesW", win::ERROR_ACCESS_DENIED},
    {"GetFileVersionInfoSizeW", win::ERROR_RESOURCE_TYPE_NOT_FOUND},
    {"GetFileVersionInfoW", win::ERROR_RESOURCE_DATA_NOT_FOUND},
    {"GetIconInfo", win::ERROR_NOT_ENOUGH_MEMORY},
    {"GetModuleFileNameExW", win::ERROR_PARTIAL_COPY},  // the process is exiting
    {"GetTokenElevation", win::ERROR_ACCESS_DENIED},
    {"GetWindowDC", win::ERROR_NOT_ENOUGH_MEMORY},
    {"GetWindowThreadProcessId", win::ERROR_INVALID_WINDOW_HANDLE},  // the window closed meanwhile
    {"GlobalAddAtomW", win::ERROR_NOT_ENOUGH_MEMORY},
    {"InitCommonControlsEx", win::ERROR_NOT_FOUND},
    {"LoadIconW", win::ERROR_NOT_ENOUGH_MEMORY},
    {"LoadImageW", win::ERROR_NOT_ENOUGH_MEMORY},
    {"MagInitialize", win::ERROR_NOT_ENOUGH_MEMORY},
    {"MagSetColorEffect", win::ERROR_INVALID_PARAMETER},
    {"MagSetWindowFilterList", win::ERROR_INVALID_PARAMETER},
    {"MagSetWindowSource", win::ERROR_INVALID_PARAMETER},
    {"MagSetWindowTransform", win::ERROR_INVALID_PARAMETER},
    {"MoveFileExW", win::ERROR_SHARING_VIOLATION},  // a virus scanner holds the file
    {"OpenProcess", win::ERROR_ACCESS_DENIED},
    {"OpenThemeData", win::ERROR_NOT_FOUND},
    {"PostMessageW", win::ERROR_NOT_ENOUGH_QUOTA},
    {"QueryFullProcessImageNameW", win::ERROR_PARTIAL_COPY},
    {"ReadFileBytes", win::ERROR_SHARING_VIOLATION},
    {"RegOpenKeyExW", win::ERROR_ACCESS_DENIED},
    {"RegQueryValueExW", win::ERROR_ACCESS_DENIED},
    {"RegisterHotKey", win::ERROR_HOTKEY_ALREADY_REGISTERED},  // another program took it first
    {"RegisterWindowMessageW", win::ERROR_NOT_ENOUGH_MEMORY},
    {"SendAddToolW", win::ERROR_NOT_ENOUGH_MEMORY},
    {"SendMessageTimeoutW", win::ERROR_TIMEOUT},
    {"SetForegroundWindow", win::ERROR_ACCESS_DENIED},  // the foreground lock
    {"SetTimer", win::ERROR_NO_SYSTEM_RESOURCES},
    {"Shell_NotifyIconW", win::ERROR_TIMEOUT},  // the taskbar is busy
    {"TrackPopupMenuEx", win::ERROR_POPUP_ALREADY_ACTIVE},
    {"WriteFileBytes", win::ERROR_DISK_FULL},
};
static_assert(std::size(FallibleMethods) <= 64, "TSimDesktop::FFallibleByMethod counts 64 methods");

// strcmp's order, at compile time: an entry out of place would never be
// found by the look-up, and so never counted or failed.
constexpr bool NameBefore(const char* a, const char* b) {
  while (*a && *a == *b) ++a, ++b;
  return static_cast<unsigned char>(*a) < static_cast<unsigned char>(*b);
}
constexpr bool FallibleMethodsSorted() {
  for (std::size_t i = 1; i < std::size(FallibleMethods); ++i) {
    if (!NameBefore(FallibleMethods[i - 1].Method, FallibleMethods[i].Method)) return false;
  }
  return true;
}
static_assert(FallibleMethodsSorted(), "FallibleMethods must be sorted by name, each name once");

constexpr bool IsPlatformMethodName(std::string_view name) {
  return std::binary_search(std::begin(PlatformMethodNames), std::end(PlatformMethodNames), name);
}

constexpr bool FallibleMethodsArePlatformMethods() {
  for (const TFallible& f : FallibleMethods) {
    if (!IsPlatformMethodName(f.Method)) return false;
  }
  return true;
}
static_assert(FallibleMethodsArePlatformMethods(), "FallibleMethods names a method TPlatform does not have");

int FallibleIndex(const char* method) {
  const auto end = std::end(FallibleMethods);
  const auto it = std::lower_bound(std::begin(FallibleMethods), end, method,
                                   [](const TFallible& f, const char* m) { return std::strcmp(f.Method, m) < 0; });
  return it != end && std::strcmp(it->Method, method) == 0 ? static_cast<int>(it - std::begin(FallibleMethods)) : -1;
}

}  // namespace

bool TSimProcess::Injected(const char* method) {
  FDesktop.FSweptNow = false;
  auto& rules = FDesktop.FFailures;
  for (auto it = rules.begin(); it != rules.end(); ++it) {
    if (it->Method != method || (it->Pid != 0 && it->Pid != Pid)) continue;
    LastError = it->Code;
    if (--it->Count == 0) rules.erase(it);
    return true;
  }
  const int fallible = FallibleIndex(method);
  if (fallible < 0 || (FDesktop.FSweepPid != 0 && FDesktop.FSweepPid != Pid)) return false;
  const long n = ++FDesktop.FFallibleCalls;
  ++FDesktop.FFallibleByMethod[static_cast<std::size_t>(fallible)];
  if (n != FDesktop.FSweepTarget) return false;
  const DWORD code = FallibleMethods[fallible].Code;
  FDesktop.FSweepInjection = {method, n, Pid, code};
  FDesktop.FSweptNow = true;
  LastError = code;
  return true;
}

void TSimDesktop::FailNthCall(long k, DWORD pid) {
  FFallibleCalls = 0;
  FSweepTarget = k;
  FSweepPid = pid;
  FSweepInjection = {};
  FFallibleByMethod.fill(0);
}

std::map<std::string, long> TSimDesktop::FallibleCallsByMethod() const {
  std::map<std::string, long> counts;
  for (std::size_t i = 0; i < std::size(FallibleMethods); ++i) {
    if (FFallibleByMethod[i] > 0) counts[FallibleMethods[i].Method] = FFallibleByMethod[i];
  }
  return counts;
}

bool TSimDesktop::IsPlatformMethod(std::string_view name) { return IsPlatformMethodName(name); }

DWORD TSimDesktop::SimFailureCode(const char* method) {
  const int i = FallibleIndex(method);
  return i < 0 ? 0 : FallibleMethods[i].Code;
}

std::vector<std::string> TSimDesktop::FallibleMethodNames() {
  std::vector<std::string> names;
  for (const TFallible& f : FallibleMethods) names.emplace_back(f.Method);
  return names;
}

std::vector<std::string> TSimDesktop::LeftOutMethodNames() {
  return {std::begin(LeftOutMethods), std::end(LeftOutMethods)};
}

}  // namespace lensoro::sim

// One process's view of the simulated desktop: every TPlatform call, logged,
// open to failure injection, and answered as Win32 answers it.
#include <algorithm>
#include <cfloat>
#include <cstring>

#include "SimDesktop.h"

namespace lensoro::sim {

namespace {

bool IsMagnifierClass(const std::u16string& name) { return FoldAscii(name) == u"MAGNIFIER"; }

TMagColorEffect IdentityColorEffect() {
  TMagColorEffect e;
  for (int i = 0; i < 5; ++i) e.v[i][i] = 1.0f;
  return e;
}

bool IsSystemClass(const std::u16string& name) {
  const std::u16string f = FoldAscii(name);
  return f == u"STATIC" || f == u"BUTTON" || f == u"EDIT" || f == u"COMBOBOX" || f == u"LISTBOX" ||
         f == u"#32770" || f == u"TOOLTIPS_CLASS32";
}

// Copies at most maxCount-1 characters and a terminator, as GetWindowTextW.
int CopyText(const std::u16string& text, char16_t* buffer, int maxCount) {
  if (!buffer || maxCount <= 0) return 0;
  const int n = std::min(static_cast<int>(text.size()), maxCount - 1);
  std::copy_n(text.data(), n, buffer);
  buffer[n] = 0;
  return n;
}

bool Due(DWORD due, DWORD now) { return static_cast<std::int32_t>(now - due) >= 0; }

// The classic defaults of Windows 7 to 11.
const DWORD SysColors[31] = {
    0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000, 0x000000, 0xB4B4B4,
    0xFCF7F4, 0xABABAB, 0xD77800, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969,
    0xE3E3E3, 0x000000, 0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xFF9933, 0xF0F0F0};

struct TSystemText {
  DWORD Code;
  const char16_t* Text;
};
const TSystemText SystemTexts[] = {
    {0, u"The operation completed successfully."},
    {2, u"The system cannot find the file specified."},
    {3, u"The system cannot find the path specified."},
    {5, u"Access is denied."},
    {6, u"The handle is invalid."},
    {8, u"Not enough memory resources are available to process this command."},
    {50, u"The request is not supported."},
    {87, u"The parameter is incorrect."},
    {112, u"There is not enough space on the disk."},
    {122, u"The data area passed to a system call is too small."},
    {183, u"Cannot create a file when that file already exists."},
    {299, u"Only part of a ReadProcessMemory or WriteProcessMemory request was completed."},
    {1400, u"Invalid window handle."},
    {1406, u"Cannot create a top-level child window."},
    {1407, u"Cannot find window class."},
    {1409, u"Hot key is already registered."},
    {1411, u"Class does not exist."},
    {1413, u"Invalid index."},
    {1419, u"Hot key is not registered."},
};

int DaysInMonth(int year, int month) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return (month == 2 && leap) ? 29 : days[(month - 1 + 12) % 12];
}

}  // namespace

TSimProcess::TSimProcess(TSimDesktop& desktop, DWORD pid, std::u16string exePath, bool is64Bit)
    : Pid(pid), ExePath(std::move(exePath)), Is64Bit(is64Bit), FDesktop(desktop) {}

void TSimProcess::Log(const char* name, std::int64_t a0, std::int64_t a1, std::int64_t a2, std::int64_t a3,
                      std::int64_t a4, std::int64_t a5) {
  TSimCall& c = FDesktop.FCalls.emplace_back();
  c.Name = name;
  c.Pid = Pid;
  c.A[0] = a0;
  c.A[1] = a1;
  c.A[2] = a2;
  c.A[3] = a3;
  c.A[4] = a4;
  c.A[5] = a5;
}

namespace {

struct TFallible {
  const char* Method;
  DWORD Code;
};

// What the sweep fails, with the error Windows gives when it happens there:
// creations run out of memory or quota, files are denied or the disk is
// full, other programs' windows and processes go away or are protected,
// the shell and other copies stop answering in time.
//
// Left out, because they cannot fail in practice or a failure changes
// nothing anyone could notice:
// - the message loop's own calls (GetMessageW, PeekMessageW,
//   TranslateMessage, DispatchMessageW, MsgWaitForMultipleObjects,
//   DefWindowProcW, CallWindowProcW, SendMessageW, PostQuitMessage);
// - plain queries of state the system keeps (GetKeyState, GetSysColor,
//   IsWindow, IsWindowVisible, IsWindowEnabled, GetParent, GetWindow,
//   GetWindowRect, GetClientRect, GetWindowLongW, GetWindowTextW,
//   GetClassNameW, GetDlgCtrlID, GetFocus, GetCapture, GetForegroundWindow,
//   GetSystemMetrics, GetSystemMetricsForDpi, GetDpiForWindow,
//   GetScreenPixelsPerInch, GetScreenBitsPerPixel,
//   GetTickCount, GetLocalTime, GetLastError, IsThemeActive,
//   GetModuleFileNameW, RtlGetVersion, GetLocaleDecimalSeparator,
//   CompareStringW, EnumDisplayMonitors, MapVirtualKeyW,
//   SystemParametersInfoW, GetKeyNameTextW, EnumWindows, EnumChildWindows,
//   MapWindowPoints, ScreenToClient, AdjustWindowRectEx, ExpandUNCFileName,
//   which falls back to the path it was given);
// - changes to our own live windows (SetWindowTextW, ShowWindow,
//   SetWindowPos, DestroyWindow, SetWindowLongW, SetWindowProcW,
//   SetLayeredWindowAttributes, ImmDisableForWindow, EnableWindow,
//   SetFocus, SetCapture, ReleaseCapture, TrackMouseEvent, SetCursor,
//   LoadCursorW of a system cursor, InvalidateRect, CheckMenuItem, EndMenu,
//   SendUpdateTipTextW, SendDelToolW);
// - drawing into a DC we hold (SelectObject, LineTo, MoveToEx, Polygon, RoundRect, ExcludeClipRect,
//   FillRect, FrameRect, FillSolidRect, DrawTextW, ExtTextOutW, DrawEdge,
//   DrawIconEx, DrawFocusRect, DrawThemeBackground, text colours and
//   metrics): a failure loses pixels of one paint, the next one redraws;
// - releasing what we hold (KillTimer, DestroyMenu, DestroyIcon,
//   DeleteObject, ReleaseDC, EndPaint, CloseHandle, CloseThemeData,
//   RegCloseKey, GlobalDeleteAtom, UnregisterHotKey, MagUninitialize);
// - MessageDialog, the report itself, and ShellExecuteW, whose result the
//   program reports as it is.
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


int FallibleIndex(const char* method) {
  const auto end = std::end(FallibleMethods);
  const auto it = std::lower_bound(std::begin(FallibleMethods), end, method, [](const TFallible& f, const char* m) {
    return std::strcmp(f.Method, m) < 0;
  });
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

DWORD TSimDesktop::SimFailureCode(const char* method) {
  const int i = FallibleIndex(method);
  return i < 0 ? 0 : FallibleMethods[i].Code;
}


TSimWindow* TSimProcess::Need(HWND wnd) {
  TSimWindow* w = FDesktop.Window(wnd);
  if (!w) LastError = win::ERROR_INVALID_WINDOW_HANDLE;
  return w;
}

bool TSimProcess::Noted(bool ok) {
  TSimCall& call = FDesktop.FCalls.back();
  call.Failed = !ok;
  call.Error = ok ? 0 : LastError;
  return ok;
}

TSimWindow* TSimProcess::NeedMagnifier(HWND wnd) {
  TSimWindow* w = Need(wnd);
  if (!w) return nullptr;
  if (!w->IsMagnifier || !MagInitialized || w->ProcessId != Pid) {
    LastError = win::ERROR_INVALID_PARAMETER;
    return nullptr;
  }
  return w;
}

// --- Process, errors, time -----------------------------------------------------------

std::u16string TSimProcess::GetModuleFileNameW() {
  Log("GetModuleFileNameW");
  if (Injected("GetModuleFileNameW")) return {};
  return ExePath;
}

std::u16string TSimProcess::ExpandUNCFileName(const std::u16string& path) {
  Log("ExpandUNCFileName", static_cast<std::int64_t>(path.size()));
  if (Injected("ExpandUNCFileName")) return path;  // the backend keeps the path when the lookup fails
  if (path.size() >= 2 && path[1] == u':') {
    auto it = FDesktop.FDrives.find(FoldAscii(path[0]));
    if (it != FDesktop.FDrives.end()) return it->second + path.substr(2);
  }
  return path;
}

DWORD TSimProcess::GetLastError() {
  Log("GetLastError", LastError);
  return LastError;
}

void TSimProcess::SetLastError(DWORD code) {
  Log("SetLastError", code);
  LastError = code;
}

// NOTE: for a code it has no text for, FormatMessageW fails and the backend
// returns an empty string; callers must cope, so the model does the same.
std::u16string TSimProcess::FormatMessageW(DWORD code) {
  Log("FormatMessageW", code);
  if (Injected("FormatMessageW")) return {};
  for (const TSystemText& t : SystemTexts) {
    if (t.Code == code) return std::u16string(t.Text) + u"\r\n";
  }
  LastError = win::ERROR_MR_MID_NOT_FOUND;
  return {};
}

std::int32_t TSimProcess::RtlGetVersion(TOsVersion& version) {
  Log("RtlGetVersion", version.RecordSize);
  if (Injected("RtlGetVersion")) return static_cast<std::int32_t>(LastError);
  if (FDesktop.RtlGetVersionStatus != 0) return FDesktop.RtlGetVersionStatus;
  // The system takes the plain record (276 bytes) or the extended one.
  if (version.RecordSize != 276 && version.RecordSize != OsVersionRecordSize) {
    return static_cast<std::int32_t>(0xC000000D);  // STATUS_INVALID_PARAMETER
  }
  const DWORD size = version.RecordSize;
  version = FDesktop.OsVersion;
  version.RecordSize = size;
  return 0;
}

DWORD TSimProcess::GetTickCount() {
  Log("GetTickCount");
  return FDesktop.FClock;
}

TSystemTime TSimProcess::GetLocalTime() {
  Log("GetLocalTime");
  TSystemTime t = FDesktop.LocalTimeAtStart;
  std::uint64_t ms = t.Milliseconds + static_cast<std::uint64_t>(FDesktop.FClock - FDesktop.FClockStart);
  std::uint64_t s = t.Second + ms / 1000;
  std::uint64_t m = t.Minute + s / 60;
  std::uint64_t h = t.Hour + m / 60;
  std::uint64_t days = h / 24;
  t.Milliseconds = static_cast<std::uint16_t>(ms % 1000);
  t.Second = static_cast<std::uint16_t>(s % 60);
  t.Minute = static_cast<std::uint16_t>(m % 60);
  t.Hour = static_cast<std::uint16_t>(h % 24);
  t.DayOfWeek = static_cast<std::uint16_t>((t.DayOfWeek + days) % 7);
  for (; days > 0; --days) {
    if (++t.Day > DaysInMonth(t.Year, t.Month)) {
      t.Day = 1;
      if (++t.Month > 12) {
        t.Month = 1;
        ++t.Year;
      }
    }
  }
  return t;
}

ATOM TSimProcess::GlobalAddAtomW(const std::u16string& name) {
  Log("GlobalAddAtomW", static_cast<std::int64_t>(name.size()));
  if (Injected("GlobalAddAtomW")) return 0;
  if (name.empty() || name.size() > 255) return static_cast<ATOM>(Fail(win::ERROR_INVALID_PARAMETER));
  const std::u16string key = FoldAscii(name);
  auto it = FDesktop.FAtomByName.find(key);
  if (it != FDesktop.FAtomByName.end()) {
    ++FDesktop.FAtoms[it->second].References;
    return it->second;
  }
  if (FDesktop.FNextAtom == 0) return static_cast<ATOM>(Fail(8));  // the table is full
  const ATOM atom = FDesktop.FNextAtom++;
  FDesktop.FAtomByName[key] = atom;
  FDesktop.FAtoms[atom] = {name, 1};
  return atom;
}

ATOM TSimProcess::GlobalDeleteAtom(ATOM atom) {
  Log("GlobalDeleteAtom", atom);
  if (Injected("GlobalDeleteAtom")) return atom;
  auto it = FDesktop.FAtoms.find(atom);
  if (it == FDesktop.FAtoms.end()) {
    LastError = win::ERROR_INVALID_HANDLE;
    return atom;
  }
  if (--it->second.References == 0) {
    FDesktop.FAtomByName.erase(FoldAscii(it->second.Name));
    FDesktop.FAtoms.erase(it);
  }
  return 0;
}

bool TSimProcess::CreateGuid(std::uint8_t (&guid)[16]) {
  Log("CreateGuid");
  if (Injected("CreateGuid")) return false;
  // A serial number in the first four bytes keeps them distinct; the rest
  // looks random but repeats from run to run.
  std::uint32_t serial = ++FDesktop.FGuidSerial;
  std::uint32_t x = serial * 2654435761u ^ 0x5DEECE66u;
  for (int i = 0; i < 16; ++i) {
    x = x * 1103515245u + 12345u;
    guid[i] = static_cast<std::uint8_t>(x >> 16);
  }
  std::memcpy(guid, &serial, 4);
  guid[7] = static_cast<std::uint8_t>((guid[7] & 0x0F) | 0x40);  // version 4
  guid[8] = static_cast<std::uint8_t>((guid[8] & 0x3F) | 0x80);  // variant
  return true;
}

int TSimProcess::GetScreenPixelsPerInch() {
  Log("GetScreenPixelsPerInch");
  if (Injected("GetScreenPixelsPerInch")) return 0;
  return FDesktop.PixelsPerInch;
}

namespace {
// GetDpiForWindow and GetSystemMetricsForDpi came with Windows 10 1607.
bool HasDpiCalls(const TOsVersion& v) { return v.Major > 10 || (v.Major == 10 && v.Build >= 14393); }
int ScaleMetric(int value, int dpi) { return (value * dpi + 48) / 96; }
// The DPI-dependent metrics the program asks for, at 96 DPI (Windows 10);
// 0 for the others.
int SimMetricAt96(int index) { return index == win::SM_CXVSCROLL ? SimScrollWidth : 0; }
}  // namespace

int TSimProcess::GetSystemMetrics(int index) {
  Log("GetSystemMetrics", index);
  if (Injected("GetSystemMetrics")) return 0;
  // A program aware of DPI gets the scroll bar and icons at the system DPI.
  if (const int at96 = SimMetricAt96(index)) return ScaleMetric(at96, FDesktop.PixelsPerInch);
  return GetSystemMetricsAt(index);
}

int TSimProcess::GetSystemMetricsAt(int index) {
  const TRect& v = FDesktop.VirtualScreen;
  switch (index) {
    case win::SM_CXSCREEN: return FDesktop.PrimaryScreen.Width();
    case win::SM_CYSCREEN: return FDesktop.PrimaryScreen.Height();
    case win::SM_XVIRTUALSCREEN: return v.Left;
    case win::SM_YVIRTUALSCREEN: return v.Top;
    case win::SM_CXVIRTUALSCREEN: return v.Width();
    case win::SM_CYVIRTUALSCREEN: return v.Height();
    // The frame's parts (SimFrame): a sizing frame is the frame and its padding.
    case win::SM_CYCAPTION: return SimCaptionHeight;
    case win::SM_CYSMCAPTION: return SimSmallCaptionHeight;
    case win::SM_CXBORDER: case win::SM_CYBORDER: return SimBorder;
    case win::SM_CXFIXEDFRAME: case win::SM_CYFIXEDFRAME: return SimFixedFrame;
    case win::SM_CXSIZEFRAME: case win::SM_CYSIZEFRAME: return SimSizingFrame - SimPaddedBorder;
    case win::SM_CXPADDEDBORDER: return SimPaddedBorder;
    case win::SM_CXEDGE: case win::SM_CYEDGE: return SimEdge;
    default: return 0;
  }
}


TSimDpiAwareness TSimProcess::DpiAwareness() const {
  const TOsVersion& v = FDesktop.OsVersion;
  if (v.Major > 10 || (v.Major == 10 && v.Build >= 15063)) return TSimDpiAwareness::PerMonitorV2;
  if (v.Major == 10 || (v.Major == 6 && v.Minor >= 3)) return TSimDpiAwareness::PerMonitor;
  return TSimDpiAwareness::System;
}

UINT TSimProcess::GetDpiForWindow(HWND wnd) {
  Log("GetDpiForWindow", wnd);
  if (Injected("GetDpiForWindow")) return 0;
  if (!HasDpiCalls(FDesktop.OsVersion)) return Fail(win::ERROR_PROC_NOT_FOUND);
  TSimWindow* w = FDesktop.Root(Need(wnd));
  if (!w) return 0;
  if (DpiAwareness() == TSimDpiAwareness::System || w->Dpi <= 0) return static_cast<UINT>(FDesktop.PixelsPerInch);
  return static_cast<UINT>(w->Dpi);
}

int TSimProcess::GetSystemMetricsForDpi(int index, UINT dpi) {
  Log("GetSystemMetricsForDpi", index, dpi);
  if (Injected("GetSystemMetricsForDpi")) return 0;
  if (!HasDpiCalls(FDesktop.OsVersion)) return Fail(win::ERROR_PROC_NOT_FOUND);
  if (const int at96 = SimMetricAt96(index)) return ScaleMetric(at96, static_cast<int>(dpi));
  return GetSystemMetricsAt(index);
}

bool TSimProcess::GetCursorPos(TPoint& point) {
  Log("GetCursorPos");
  if (Injected("GetCursorPos")) return false;
  point = FDesktop.Cursor;
  return true;
}

std::vector<TMonitorInfo> TSimProcess::EnumDisplayMonitors() {
  Log("EnumDisplayMonitors");
  if (Injected("EnumDisplayMonitors")) return {};
  if (FDesktop.Monitors.empty()) return {{FDesktop.VirtualScreen, FDesktop.VirtualScreen}};
  return FDesktop.Monitors;
}

// --- Processes of other windows ------------------------------------------------------

DWORD TSimProcess::GetWindowThreadProcessId(HWND wnd) {
  Log("GetWindowThreadProcessId", wnd);
  if (Injected("GetWindowThreadProcessId")) return 0;
  const TSimWindow* w = Need(wnd);
  return w ? w->ProcessId : 0;
}

HANDLE TSimProcess::OpenProcess(DWORD access, DWORD processId) {
  Log("OpenProcess", access, processId);
  if (Injected("OpenProcess")) return 0;
  const TSimProcess* target = FDesktop.ProcessById(processId);
  if (!target) return Fail(win::ERROR_INVALID_PARAMETER);
  constexpr DWORD limited = win::PROCESS_QUERY_LIMITED_INFORMATION | win::SYNCHRONIZE;
  if (target->Protected && target != this && (access & ~limited) != 0) return Fail(win::ERROR_ACCESS_DENIED);
  const HANDLE h = FDesktop.FNextProcessHandle;
  FDesktop.FNextProcessHandle += 4;
  // Full query rights imply the limited ones, as on Windows.
  if (access & win::PROCESS_QUERY_INFORMATION) access |= win::PROCESS_QUERY_LIMITED_INFORMATION;
  FDesktop.FProcessHandles[h] = {processId, access};
  return h;
}

DWORD TSimProcess::GetModuleFileNameExW(HANDLE process, char16_t* buffer, DWORD size) {
  Log("GetModuleFileNameExW", static_cast<std::int64_t>(process), size);
  if (Injected("GetModuleFileNameExW")) return 0;
  auto it = FDesktop.FProcessHandles.find(process);
  if (it == FDesktop.FProcessHandles.end()) return Fail(win::ERROR_INVALID_HANDLE);
  const DWORD need = win::PROCESS_QUERY_INFORMATION | win::PROCESS_VM_READ;
  if ((it->second.Access & need) != need) return Fail(win::ERROR_ACCESS_DENIED);
  const TSimProcess* target = FDesktop.ProcessById(it->second.Pid);
  if (!target) return Fail(win::ERROR_INVALID_HANDLE);
  // A 32-bit process cannot read the module list of a 64-bit one.
  if (!Is64Bit && target->Is64Bit) return Fail(win::ERROR_PARTIAL_COPY);
  if (!buffer || size == 0) return Fail(win::ERROR_INVALID_PARAMETER);
  return static_cast<DWORD>(CopyText(target->ExePath, buffer, static_cast<int>(std::min<DWORD>(size, 0x7FFFFFFF))));
}

bool TSimProcess::QueryFullProcessImageNameW(HANDLE process, char16_t* buffer, DWORD& size) {
  Log("QueryFullProcessImageNameW", static_cast<std::int64_t>(process), size);
  if (Injected("QueryFullProcessImageNameW")) return false;
  auto it = FDesktop.FProcessHandles.find(process);
  if (it == FDesktop.FProcessHandles.end()) return Fail(win::ERROR_INVALID_HANDLE);
  if (!(it->second.Access & win::PROCESS_QUERY_LIMITED_INFORMATION)) return Fail(win::ERROR_ACCESS_DENIED);
  const TSimProcess* target = FDesktop.ProcessById(it->second.Pid);
  if (!target) return Fail(win::ERROR_INVALID_HANDLE);
  const std::u16string& path = target->ExePath;
  if (!buffer || size <= path.size()) return Fail(win::ERROR_INSUFFICIENT_BUFFER);
  std::copy(path.begin(), path.end(), buffer);
  buffer[path.size()] = 0;
  size = static_cast<DWORD>(path.size());
  return true;
}

bool TSimProcess::CloseHandle(HANDLE handle) {
  Log("CloseHandle", static_cast<std::int64_t>(handle));
  if (Injected("CloseHandle")) return false;
  if (FDesktop.FProcessHandles.erase(handle) == 0) return Fail(win::ERROR_INVALID_HANDLE);
  return true;
}

// --- Windows ---------------------------------------------------------------------------

bool TSimProcess::EnumWindows(const std::function<bool(HWND)>& callback) {
  Log("EnumWindows");
  if (Injected("EnumWindows")) return false;
  // A snapshot: the callback may create or destroy windows.
  const std::vector<HWND> snapshot = FDesktop.FZOrder;
  for (HWND h : snapshot) {
    if (FDesktop.Window(h) && !callback(h)) return false;
  }
  return true;
}

bool TSimProcess::EnumChildWindows(HWND parent, const std::function<bool(HWND)>& callback) {
  Log("EnumChildWindows", parent);
  if (Injected("EnumChildWindows")) return false;
  std::vector<HWND> order;
  if (parent == 0) {
    order = FDesktop.FZOrder;
  } else {
    const TSimWindow* p = Need(parent);
    if (!p) return false;
    // Depth first: each child, then its own children.
    std::function<void(const TSimWindow&)> walk = [&](const TSimWindow& w) {
      for (HWND c : w.Children) {
        order.push_back(c);
        if (const TSimWindow* cw = FDesktop.Window(c)) walk(*cw);
      }
    };
    walk(*p);
  }
  for (HWND h : order) {
    if (FDesktop.Window(h) && !callback(h)) return false;
  }
  return true;
}

HWND TSimProcess::GetWindow(HWND wnd, UINT command) {
  Log("GetWindow", wnd, command);
  if (Injected("GetWindow")) return 0;
  const TSimWindow* w = Need(wnd);
  if (!w) return 0;
  if (command == win::GW_OWNER) return w->Owner;
  if (command == win::GW_CHILD) return w->Children.empty() ? 0 : w->Children.front();
  const std::vector<HWND>* list = FDesktop.Siblings(*w);
  if (!list || list->empty()) return 0;
  auto it = std::find(list->begin(), list->end(), wnd);
  switch (command) {
    case win::GW_HWNDFIRST: return list->front();
    case win::GW_HWNDLAST: return list->back();
    case win::GW_HWNDNEXT: return (it == list->end() || it + 1 == list->end()) ? 0 : *(it + 1);
    case win::GW_HWNDPREV: return (it == list->end() || it == list->begin()) ? 0 : *(it - 1);
    default: return static_cast<HWND>(Fail(win::ERROR_INVALID_PARAMETER));
  }
}

// As Win32: a child's parent, a pop-up's owner, otherwise none.
HWND TSimProcess::GetParent(HWND wnd) {
  Log("GetParent", wnd);
  if (Injected("GetParent")) return 0;
  const TSimWindow* w = Need(wnd);
  if (!w) return 0;
  if (w->Style & win::WS_CHILD) return w->Parent;
  if (w->Style & win::WS_POPUP) return w->Owner;
  return 0;
}

bool TSimProcess::IsWindow(HWND wnd) {
  Log("IsWindow", wnd);
  if (Injected("IsWindow")) return false;
  return FDesktop.Window(wnd) != nullptr;
}

int TSimProcess::GetWindowTextW(HWND wnd, char16_t* buffer, int maxCount) {
  Log("GetWindowTextW", wnd, maxCount);
  if (Injected("GetWindowTextW")) {
    if (buffer && maxCount > 0) buffer[0] = 0;
    return 0;
  }
  const TSimWindow* w = Need(wnd);
  if (!w) {
    if (buffer && maxCount > 0) buffer[0] = 0;
    return 0;
  }
  return CopyText(w->Title, buffer, maxCount);
}

int TSimProcess::GetClassNameW(HWND wnd, char16_t* buffer, int maxCount) {
  Log("GetClassNameW", wnd, maxCount);
  if (Injected("GetClassNameW")) return 0;
  const TSimWindow* w = Need(wnd);
  if (!w) return 0;
  if (!buffer || maxCount <= 0) return Fail(win::ERROR_INSUFFICIENT_BUFFER);
  return CopyText(w->ClassName, buffer, maxCount);
}

bool TSimProcess::SetWindowTextW(HWND wnd, const std::u16string& text) {
  Log("SetWindowTextW", wnd, static_cast<std::int64_t>(text.size()));
  if (Injected("SetWindowTextW")) return false;
  if (!Need(wnd)) return false;
  // As Win32: the text goes through WM_SETTEXT, whose default handling
  // stores it; the handler's answer is the result.
  return FDesktop.Send(wnd, win::WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
}

HWND TSimProcess::CreateWindowExW(const TCreateWindowParams& p) {
  Log("CreateWindowExW", p.Parent, p.Style, p.ExStyle, p.X, p.Y, static_cast<std::int64_t>(p.Width) << 32 | static_cast<std::uint32_t>(p.Height));
  if (Injected("CreateWindowExW")) return 0;
  const bool magnifier = !p.Handler && IsMagnifierClass(p.ClassName);
  if (!p.Handler && !magnifier && !IsSystemClass(p.ClassName)) return Fail(win::ERROR_CANNOT_FIND_WND_CLASS);
  // The class exists only while this process has the Magnification API up.
  if (magnifier && !MagInitialized) return Fail(win::ERROR_CANNOT_FIND_WND_CLASS);

  TSimWindow w;
  const bool child = (p.Style & win::WS_CHILD) != 0;
  int originX = 0, originY = 0;
  if (child) {
    if (p.Parent == 0) return Fail(win::ERROR_TLW_WITH_WSCHILD);
    const TSimWindow* parent = Need(p.Parent);
    if (!parent) return 0;
    w.Parent = p.Parent;
    const TPoint origin = TSimDesktop::ClientOrigin(*parent);
    originX = origin.X;
    originY = origin.Y;
  } else if (p.Parent != 0) {
    // A top-level window's "parent" is its owner, always a top-level window.
    TSimWindow* owner = FDesktop.Root(Need(p.Parent));
    if (!owner) return 0;
    w.Owner = owner->Handle;
  }
  // A magnifier draws only inside a layered window: it refuses any other host.
  if (magnifier) {
    const TSimWindow* host = child ? FDesktop.Root(FDesktop.Window(p.Parent)) : nullptr;
    const DWORD hostExStyle = host ? host->ExStyle : p.ExStyle;
    if (!(hostExStyle & win::WS_EX_LAYERED)) return Fail(win::ERROR_INVALID_PARAMETER);
  }
  const int x = p.X == win::CW_USEDEFAULT ? 0 : p.X, y = p.Y == win::CW_USEDEFAULT ? 0 : p.Y;
  const int cx = (p.Width == win::CW_USEDEFAULT || p.Width < 0) ? 0 : p.Width;
  const int cy = (p.Height == win::CW_USEDEFAULT || p.Height < 0) ? 0 : p.Height;
  w.Handle = FDesktop.NewHandle();
  w.ProcessId = Pid;
  w.ClassName = p.ClassName;
  w.Title = p.WindowName;
  w.Style = p.Style & ~win::WS_VISIBLE;
  w.ExStyle = p.ExStyle;
  w.Rect = {originX + x, originY + y, originX + x + cx, originY + y + cy};
  if (!child) {
    w.Style |= win::WS_CLIPSIBLINGS;  // as Win32 gives every top-level window
    w.Frame = SimFrame(p.Style, p.ExStyle);
    // Made at the DPI of the monitor it is made on; no WM_DPICHANGED for that.
    w.Dpi = DpiAwareness() == TSimDpiAwareness::System ? FDesktop.PixelsPerInch : FDesktop.DpiAt(w.Rect);
  }
  const TPoint clientAt{x + w.Frame.Left, y + w.Frame.Top};
  const TRect client = TSimDesktop::ClientRect(w);
  w.Handler = p.Handler;
  w.IsMagnifier = magnifier;
  if (child) w.Ctl.Id = p.Id;
  // An edit with a plain border takes the style bit off and draws the line
  // itself, round its client area (after WM_NCCALCSIZE, wherever that is).
  if (FoldAscii(p.ClassName) == u"EDIT" && (p.Style & win::WS_BORDER) && !(p.ExStyle & win::WS_EX_CLIENTEDGE)) {
    w.Style &= ~win::WS_BORDER;
    w.Ctl.DrawsOwnBorder = true;
  }
  const HWND h = FDesktop.Insert(std::move(w)).Handle;

  if (FDesktop.Send(h, win::WM_CREATE, 0, 0) == -1) {
    FDesktop.DestroyTree(h);
    return 0;
  }
  if (!FDesktop.Window(h)) return 0;
  FDesktop.Send(h, win::WM_SIZE, 0, MakeLParam(client.Right, client.Bottom));
  if (FDesktop.Window(h)) FDesktop.Send(h, win::WM_MOVE, 0, MakeLParam(clientAt.X, clientAt.Y));
  if ((p.Style & win::WS_VISIBLE) && FDesktop.Window(h)) {
    FDesktop.Send(h, win::WM_SHOWWINDOW, 1, 0);
    if (TSimWindow* made = FDesktop.Window(h)) {
      FDesktop.SetVisible(*made, true);
      if (!child && !(p.ExStyle & win::WS_EX_NOACTIVATE)) FDesktop.SetActive(h, false);
    }
  }
  return FDesktop.Window(h) ? h : 0;
}

bool TSimProcess::DestroyWindow(HWND wnd) {
  Log("DestroyWindow", wnd);
  if (Injected("DestroyWindow")) return false;
  const TSimWindow* w = Need(wnd);
  if (!w) return false;
  if (w->ProcessId != Pid) return Fail(win::ERROR_ACCESS_DENIED);
  return FDesktop.DestroyWindow(wnd);
}

bool TSimProcess::ShowWindow(HWND wnd, int command) {
  Log("ShowWindow", wnd, command);
  if (Injected("ShowWindow")) return false;
  TSimWindow* w = Need(wnd);
  if (!w) return false;
  const bool was = w->Visible;
  const bool show = command != win::SW_HIDE;
  if (was != show) {
    FDesktop.Send(wnd, win::WM_SHOWWINDOW, show ? 1 : 0, 0);
    if ((w = FDesktop.Window(wnd)) == nullptr) return was;
    FDesktop.SetVisible(*w, show);
  }
  if (!show) {
    FDesktop.PassActivation(wnd);
  } else if (!w->Parent && command != win::SW_SHOWNA && command != win::SW_SHOWNOACTIVATE) {
    FDesktop.SetActive(wnd, true);
  }
  return was;
}

bool TSimProcess::IsWindowVisible(HWND wnd) {
  Log("IsWindowVisible", wnd);
  if (Injected("IsWindowVisible")) return false;
  const TSimWindow* w = FDesktop.Window(wnd);
  return w && FDesktop.IsVisibleChain(*w);
}

bool TSimProcess::SetWindowPos(HWND wnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  Log("SetWindowPos", wnd, insertAfter, x, y, static_cast<std::int64_t>(cx) << 32 | static_cast<std::uint32_t>(cy),
      flags);
  if (Injected("SetWindowPos")) return false;
  TSimWindow* w = Need(wnd);
  if (!w) return false;
  std::vector<HWND>* siblings = FDesktop.Siblings(*w);

  // Validate the z-order target before anything changes.
  TSimWindow* after = nullptr;
  const bool special = insertAfter == win::HWND_TOP || insertAfter == win::HWND_BOTTOM ||
                       insertAfter == win::HWND_TOPMOST || insertAfter == win::HWND_NOTOPMOST;
  if (!(flags & win::SWP_NOZORDER) && !special) {
    after = Need(insertAfter);
    if (!after) return false;
    if (after->Parent != w->Parent) return Fail(win::ERROR_INVALID_PARAMETER);
  }

  // Position and size as asked, or as the handler of WM_WINDOWPOSCHANGING
  // leaves them.
  TPoint origin;
  if (const TSimWindow* parent = w->Parent ? FDesktop.Window(w->Parent) : nullptr) {
    origin = TSimDesktop::ClientOrigin(*parent);
  }
  const TRect old = w->Rect;
  const TRect oldClient = TSimDesktop::ClientRect(*w);
  const TPoint oldClientAt = TSimDesktop::ClientOrigin(*w);
  TWindowPos pos{wnd, insertAfter, (flags & win::SWP_NOMOVE) ? old.Left - origin.X : x,
                 (flags & win::SWP_NOMOVE) ? old.Top - origin.Y : y,
                 (flags & win::SWP_NOSIZE) ? old.Width() : cx, (flags & win::SWP_NOSIZE) ? old.Height() : cy, flags};
  if (!(flags & win::SWP_NOSENDCHANGING)) {
    FDesktop.Send(wnd, win::WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    if ((w = FDesktop.Window(wnd)) == nullptr) return false;
    siblings = FDesktop.Siblings(*w);
    if (after && (after = FDesktop.Window(insertAfter)) == nullptr) return Fail(win::ERROR_INVALID_WINDOW_HANDLE);
  }
  const int nx = (pos.Flags & win::SWP_NOMOVE) ? old.Left - origin.X : pos.X;
  const int ny = (pos.Flags & win::SWP_NOMOVE) ? old.Top - origin.Y : pos.Y;
  const int ncx = (pos.Flags & win::SWP_NOSIZE) ? old.Width() : std::max(pos.Cx, 0);
  const int ncy = (pos.Flags & win::SWP_NOSIZE) ? old.Height() : std::max(pos.Cy, 0);
  const int dx = origin.X + nx - old.Left, dy = origin.Y + ny - old.Top;
  const bool moved = dx != 0 || dy != 0;
  if (moved) FDesktop.Shift(*w, dx, dy);
  w->Rect.Right = w->Rect.Left + ncx;
  w->Rect.Bottom = w->Rect.Top + ncy;

  // Z-order: top-most windows always stay ahead of the others.
  const auto place = [&] {
    return siblings ? std::find(siblings->begin(), siblings->end(), wnd) - siblings->begin() : 0;
  };
  const auto oldPlace = place();
  const DWORD oldExStyle = w->ExStyle;
  const bool wasVisible = w->Visible;
  if (!(flags & win::SWP_NOZORDER) && siblings) {
    const bool topLevel = w->Parent == 0;
    const bool topmost = (w->ExStyle & win::WS_EX_TOPMOST) != 0;
    if (!topLevel) {
      if (insertAfter == win::HWND_BOTTOM) {
        FDesktop.MoveTo(*siblings, wnd, siblings->size() - 1);
      } else if (after) {
        if (after != w) {
          siblings->erase(std::find(siblings->begin(), siblings->end(), wnd));
          auto at = std::find(siblings->begin(), siblings->end(), insertAfter) + 1;
          siblings->insert(at, wnd);
        }
      } else {
        FDesktop.MoveTo(*siblings, wnd, 0);
      }
    } else if (insertAfter == win::HWND_TOPMOST) {
      w->ExStyle |= win::WS_EX_TOPMOST;
      FDesktop.MoveTo(*siblings, wnd, 0);
    } else if (insertAfter == win::HWND_NOTOPMOST) {
      // No effect on a window that is not top-most already.
      if (topmost) {
        w->ExStyle &= ~win::WS_EX_TOPMOST;
        FDesktop.MoveTo(*siblings, wnd, FDesktop.TopmostCount(wnd));
      }
    } else if (insertAfter == win::HWND_TOP) {
      FDesktop.BringToTop(*w);
    } else if (insertAfter == win::HWND_BOTTOM) {
      w->ExStyle &= ~win::WS_EX_TOPMOST;
      FDesktop.MoveTo(*siblings, wnd, siblings->size() - 1);
    } else if (after != w) {
      const bool afterTopmost = (after->ExStyle & win::WS_EX_TOPMOST) != 0;
      if (topmost && !afterTopmost) w->ExStyle &= ~win::WS_EX_TOPMOST;
      siblings->erase(std::find(siblings->begin(), siblings->end(), wnd));
      std::size_t at = static_cast<std::size_t>(std::find(siblings->begin(), siblings->end(), insertAfter) -
                                                siblings->begin()) + 1;
      if (!(w->ExStyle & win::WS_EX_TOPMOST)) at = std::max(at, FDesktop.TopmostCount(wnd));
      siblings->insert(siblings->begin() + static_cast<std::ptrdiff_t>(at), wnd);
    }
  }

  // Showing or hiding raises no WM_SHOWWINDOW from here, as in Win32.
  if ((flags & win::SWP_SHOWWINDOW) && !w->Visible) {
    FDesktop.SetVisible(*w, true);
  } else if ((flags & win::SWP_HIDEWINDOW) && w->Visible) {
    FDesktop.SetVisible(*w, false);
    FDesktop.PassActivation(wnd);
  }
  if (!(flags & win::SWP_NOACTIVATE) && (w = FDesktop.Window(wnd)) != nullptr && !w->Parent && w->Visible) {
    FDesktop.SetActive(wnd, false);
  }

  // A window that grew has new ground to paint.
  if ((w = FDesktop.Window(wnd)) == nullptr) return true;
  if (ncx > old.Width() || ncy > old.Height()) FDesktop.InvalidateTree(*w, true);
  // WM_WINDOWPOSCHANGED only when something changed, as Windows drops a
  // call that changes nothing (the tick's on a loupe already on top).
  const bool restacked = place() != oldPlace || ((w->ExStyle ^ oldExStyle) & win::WS_EX_TOPMOST) != 0;
  if (!moved && w->Rect == old && !restacked && w->Visible == wasVisible && !(pos.Flags & win::SWP_FRAMECHANGED)) {
    return true;
  }
  TWindowPos done{wnd, insertAfter, nx, ny, ncx, ncy, pos.Flags};
  if (!restacked) done.Flags |= win::SWP_NOZORDER;
  if (TSimDesktop::ClientOrigin(*w) == oldClientAt) done.Flags |= SWP_NOCLIENTMOVE;
  if (TSimDesktop::ClientRect(*w) == oldClient) done.Flags |= SWP_NOCLIENTSIZE;
  FDesktop.Send(wnd, win::WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&done));
  if (moved || ncx != old.Width() || ncy != old.Height()) FDesktop.FollowMonitorDpi(wnd);
  return true;
}

bool TSimProcess::GetWindowRect(HWND wnd, TRect& rect) {
  Log("GetWindowRect", wnd);
  if (Injected("GetWindowRect")) return false;
  const TSimWindow* w = Need(wnd);
  if (!w) return false;
  rect = w->Rect;
  return true;
}

bool TSimProcess::GetClientRect(HWND wnd, TRect& rect) {
  Log("GetClientRect", wnd);
  if (Injected("GetClientRect")) return false;
  const TSimWindow* w = Need(wnd);
  if (!w) return false;
  rect = TSimDesktop::ClientRect(*w);
  return true;
}

std::int32_t TSimProcess::GetWindowLongW(HWND wnd, int index) {
  Log("GetWindowLongW", wnd, index);
  if (Injected("GetWindowLongW")) return 0;
  const TSimWindow* w = Need(wnd);
  if (!w) return 0;
  if (index == win::GWL_STYLE) return static_cast<std::int32_t>(w->Style);
  if (index == win::GWL_EXSTYLE) return static_cast<std::int32_t>(w->ExStyle);
  return Fail(win::ERROR_INVALID_INDEX);
}

bool TSimProcess::SetLayeredWindowAttributes(HWND wnd, DWORD colorKey, std::uint8_t alpha, DWORD flags) {
  Log("SetLayeredWindowAttributes", wnd, colorKey, alpha, flags);
  if (Injected("SetLayeredWindowAttributes")) return false;
  TSimWindow* w = Need(wnd);
  if (!w) return false;
  if (!(w->ExStyle & win::WS_EX_LAYERED)) return Fail(win::ERROR_INVALID_PARAMETER);
  w->LayeredFlags = flags;
  if (flags & win::LWA_ALPHA) w->Alpha = alpha;
  if (flags & win::LWA_COLORKEY) w->ColorKey = colorKey;
  return true;
}

void TSimProcess::ImmDisableForWindow(HWND wnd) {
  Log("ImmDisableForWindow", wnd);
  if (Injected("ImmDisableForWindow")) return;
  if (TSimWindow* w = Need(wnd)) w->ImeDisabled = true;
}

bool TSimProcess::SetForegroundWindow(HWND wnd) {
  Log("SetForegroundWindow", wnd);
  if (Injected("SetForegroundWindow")) return false;
  TSimWindow* w = FDesktop.Root(Need(wnd));
  if (!w) return false;
  FDesktop.SetActive(w->Handle, true);
  return true;
}

HWND TSimProcess::GetForegroundWindow() {
  Log("GetForegroundWindow");
  if (Injected("GetForegroundWindow")) return 0;
  return FDesktop.FForeground;
}

bool TSimProcess::InvalidateRect(HWND wnd, bool erase) {
  Log("InvalidateRect", wnd, erase);
  if (Injected("InvalidateRect")) return false;
  if (wnd == 0) return true;  // the whole desktop
  TSimWindow* w = Need(wnd);
  if (!w) return false;
  ++w->InvalidateCount;
  if (FDesktop.IsVisibleChain(*w)) {
    w->UpdatePending = true;
    w->ErasePending |= erase;
  }
  return true;
}

bool TSimProcess::FillSolidRect(HDC dc, const TRect& rect, DWORD color) {
  Log("FillSolidRect", static_cast<std::int64_t>(dc), rect.Left, rect.Top, rect.Right, rect.Bottom, color);
  if (Injected("FillSolidRect")) return false;
  for (const auto& p : FDesktop.FPaintDcs) {
    if (p.Dc != dc) continue;
    TSimWindow* w = FDesktop.Window(p.Wnd);
    if (!w) break;
    w->LastFillColor = color;
    w->LastFillRect = rect;
    ++w->FillCount;
    // A solid fill is a plain rectangle fill in the window's paint log.
    Record(dc, {"FillRect", rect, color, {}, {}, {}, 0, 0, 0});
    return true;
  }
  return Fail(win::ERROR_INVALID_HANDLE);
}

DWORD TSimProcess::GetSysColor(int index) {
  Log("GetSysColor", index);
  if (Injected("GetSysColor")) return 0;
  return (index >= 0 && index < 31) ? SysColors[index] : 0;
}

bool TSimProcess::ReleaseCapture() {
  Log("ReleaseCapture");
  if (Injected("ReleaseCapture")) return false;
  const HWND had = FDesktop.FCapture;
  FDesktop.FCapture = 0;
  if (had) FDesktop.Send(had, win::WM_CAPTURECHANGED, 0, 0);
  return true;
}

std::int16_t TSimProcess::GetKeyState(int virtualKey) {
  Log("GetKeyState", virtualKey);
  if (Injected("GetKeyState")) return 0;
  const bool down = virtualKey >= 0 && virtualKey < 256 && FDesktop.KeysDown[static_cast<std::size_t>(virtualKey)];
  return down ? static_cast<std::int16_t>(-0x8000) : 0;
}

// --- Messages, timers, the message loop ------------------------------------------------

LRESULT TSimProcess::SendMessageW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Log("SendMessageW", wnd, msg, static_cast<std::int64_t>(wParam), lParam);
  if (Injected("SendMessageW")) return 0;
  if (!Need(wnd)) return 0;
  return FDesktop.Send(wnd, msg, wParam, lParam);
}

bool TSimProcess::SendMessageTimeoutW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags,
                                      UINT timeoutMs, LRESULT& result) {
  Log("SendMessageTimeoutW", wnd, msg, static_cast<std::int64_t>(wParam), lParam, flags, timeoutMs);
  result = 0;
  if (Injected("SendMessageTimeoutW")) return false;
  TSimWindow* w = Need(wnd);
  if (!w) return false;
  const TSimProcess* target = FDesktop.ProcessById(w->ProcessId);
  if (target && target->Hung && target != this) {
    // The wait runs out (at once with SMTO_ABORTIFHUNG, as for a hung window).
    if (!(flags & win::SMTO_ABORTIFHUNG)) FDesktop.Advance(timeoutMs);
    return Fail(win::ERROR_TIMEOUT);
  }
  result = FDesktop.Send(wnd, msg, wParam, lParam);
  return true;
}

bool TSimProcess::PostMessageW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Log("PostMessageW", wnd, msg, static_cast<std::int64_t>(wParam), lParam);
  if (Injected("PostMessageW")) return false;
  if (wnd == 0) {
    Queue.push_back({0, msg, wParam, lParam});
    Starved = false;
    return true;
  }
  if (!Need(wnd)) return false;
  FDesktop.Post(wnd, msg, wParam, lParam);
  return true;
}

UINT TSimProcess::RegisterWindowMessageW(const std::u16string& name) {
  Log("RegisterWindowMessageW", static_cast<std::int64_t>(name.size()));
  if (Injected("RegisterWindowMessageW")) return 0;
  if (name.empty()) return Fail(win::ERROR_INVALID_PARAMETER);
  auto [it, added] = FDesktop.FMessages.try_emplace(FoldAscii(name), FDesktop.FNextMessage);
  if (added) ++FDesktop.FNextMessage;
  return it->second;
}

LRESULT TSimProcess::DefWindowProcW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Log("DefWindowProcW", wnd, msg, static_cast<std::int64_t>(wParam), lParam);
  if (Injected("DefWindowProcW")) return 0;
  if (!Need(wnd)) return 0;
  return FDesktop.DefProc(wnd, msg, wParam, lParam);
}

void TSimProcess::PostQuitMessage(int exitCode) {
  Log("PostQuitMessage", exitCode);
  QuitPosted = true;
  ExitCode = exitCode;
  Starved = false;
}

const TSimProcess::TTimer* TSimProcess::FindTimer(HWND wnd, std::uintptr_t id) const {
  for (const TTimer& t : Timers) {
    if (t.Wnd == wnd && t.Id == id) return &t;
  }
  return nullptr;
}

TSimProcess::TTimer* TSimProcess::EarliestTimer() {
  TTimer* best = nullptr;
  for (TTimer& t : Timers) {
    if (!best || static_cast<std::int32_t>(t.Due - best->Due) < 0) best = &t;
  }
  return best;
}

// Posted messages first, then the quit, then a window to paint, then a due
// timer: the priorities of a Win32 queue. A timer message is made when it
// is taken, so a timer has at most one pending however long the loop was
// away.
bool TSimProcess::TakeAvailable(TMsg& msg, bool remove, bool takeQuit) {
  if (!Queue.empty()) {
    msg = Queue.front();
    if (remove) {
      Queue.pop_front();
      // GetKeyState follows the key messages as the program reads them.
      const UINT m = msg.Message;
      if ((m == win::WM_KEYDOWN || m == win::WM_SYSKEYDOWN || m == win::WM_KEYUP || m == win::WM_SYSKEYUP) &&
          msg.WParam < FDesktop.KeysDown.size()) {
        FDesktop.KeysDown[msg.WParam] = m == win::WM_KEYDOWN || m == win::WM_SYSKEYDOWN;
      }
    }
    return true;
  }
  if (QuitPosted && takeQuit) {
    msg = {0, win::WM_QUIT, static_cast<WPARAM>(static_cast<std::intptr_t>(ExitCode)), 0};
    if (remove) QuitPosted = false;
    return true;
  }
  for (auto& [h, w] : FDesktop.FWindows) {
    if (w.ProcessId == Pid && w.UpdatePending && FDesktop.IsVisibleChain(w)) {
      msg = {h, win::WM_PAINT, 0, 0};
      if (remove) w.UpdatePending = false;
      return true;
    }
  }
  TTimer* t = EarliestTimer();
  if (t && Due(t->Due, FDesktop.FClock)) {
    msg = {t->Wnd, win::WM_TIMER, t->Id, 0};
    if (remove) t->Due = FDesktop.FClock + t->Interval;
    return true;
  }
  return false;
}

int TSimProcess::GetMessageW(TMsg& msg) {
  Log("GetMessageW");
  if (Injected("GetMessageW")) return -1;
  if (MessageBudget == 0) {
    BudgetSpent = true;
    return -1;
  }
  if (MessageBudget > 0) --MessageBudget;
  for (;;) {
    if (TakeAvailable(msg, true, true)) return msg.Message == win::WM_QUIT ? 0 : 1;
    const TTimer* next = EarliestTimer();
    if (!next) {
      // Nothing could ever arrive: a real loop would hang here.
      Starved = true;
      return -1;
    }
    FDesktop.FClock = next->Due;
  }
}

bool TSimProcess::PeekMessageW(TMsg& msg, bool remove) {
  Log("PeekMessageW", remove);
  if (Injected("PeekMessageW")) return false;
  return TakeAvailable(msg, remove, true);
}

// Key messages are translated: character keys post their WM_CHAR.
bool TSimProcess::TranslateMessage(const TMsg& msg) {
  Log("TranslateMessage", msg.Wnd, msg.Message, static_cast<std::int64_t>(msg.WParam));
  if (Injected("TranslateMessage")) return false;
  const UINT m = msg.Message;
  if (m != win::WM_KEYDOWN && m != win::WM_KEYUP && m != win::WM_SYSKEYDOWN && m != win::WM_SYSKEYUP) return false;
  if (m == win::WM_KEYDOWN || m == win::WM_SYSKEYDOWN) {
    const WPARAM vk = msg.WParam;
    char16_t c = 0;
    if (vk >= 'A' && vk <= 'Z') {
      const bool shift = FDesktop.KeysDown[win::VK_SHIFT];
      c = static_cast<char16_t>(shift ? vk : vk + 32);
    } else if ((vk >= '0' && vk <= '9') || vk == 0x20 || vk == 0x08 || vk == 0x0D || vk == 0x1B) {
      c = static_cast<char16_t>(vk);
    }
    if (c) {
      Queue.push_back({msg.Wnd, m == win::WM_KEYDOWN ? win::WM_CHAR : win::WM_SYSCHAR, c, msg.LParam});
    }
  }
  return true;
}

LRESULT TSimProcess::DispatchMessageW(const TMsg& msg) {
  Log("DispatchMessageW", msg.Wnd, msg.Message, static_cast<std::int64_t>(msg.WParam), msg.LParam);
  if (Injected("DispatchMessageW")) return 0;
  if (msg.Wnd == 0) return 0;  // a thread message has no window procedure
  if (!Need(msg.Wnd)) return 0;
  return FDesktop.Send(msg.Wnd, msg.Message, msg.WParam, msg.LParam);
}

DWORD TSimProcess::MsgWaitForMultipleObjects(DWORD milliseconds, DWORD wakeMask) {
  Log("MsgWaitForMultipleObjects", milliseconds, wakeMask);
  if (Injected("MsgWaitForMultipleObjects")) return win::WAIT_FAILED;
  TMsg msg;
  if (TakeAvailable(msg, false, true)) return win::WAIT_OBJECT_0 + 1;
  const TTimer* next = EarliestTimer();
  if (!next && milliseconds == win::INFINITE) {
    Starved = true;
    return win::WAIT_FAILED;
  }
  const DWORD limit = FDesktop.FClock + milliseconds;
  if (next && (milliseconds == win::INFINITE || static_cast<std::int32_t>(next->Due - limit) <= 0)) {
    if (static_cast<std::int32_t>(next->Due - FDesktop.FClock) > 0) FDesktop.FClock = next->Due;
    return win::WAIT_OBJECT_0 + 1;
  }
  FDesktop.FClock = limit;
  return win::WAIT_TIMEOUT;
}

std::uintptr_t TSimProcess::SetTimer(HWND wnd, std::uintptr_t id, UINT milliseconds) {
  Log("SetTimer", wnd, static_cast<std::int64_t>(id), milliseconds);
  if (Injected("SetTimer")) return 0;
  if (wnd != 0) {
    const TSimWindow* w = Need(wnd);
    if (!w) return 0;
    if (w->ProcessId != Pid) return Fail(win::ERROR_ACCESS_DENIED);
  } else {
    id = FDesktop.FNextThreadTimer++;  // a thread timer's id is chosen by the system
  }
  // Windows raises intervals below its minimum to it.
  const UINT interval = std::clamp<UINT>(milliseconds, win::USER_TIMER_MINIMUM, 0x7FFFFFFFu);
  for (TTimer& t : Timers) {
    if (t.Wnd == wnd && t.Id == id) {
      t.Interval = interval;
      t.Due = FDesktop.FClock + interval;
      return id;
    }
  }
  Timers.push_back({wnd, id, interval, FDesktop.FClock + interval});
  return id;
}

bool TSimProcess::KillTimer(HWND wnd, std::uintptr_t id) {
  Log("KillTimer", wnd, static_cast<std::int64_t>(id));
  if (Injected("KillTimer")) return false;
  for (auto it = Timers.begin(); it != Timers.end(); ++it) {
    if (it->Wnd == wnd && it->Id == id) {
      Timers.erase(it);
      return true;
    }
  }
  if (wnd != 0 && !Need(wnd)) return false;
  return Fail(win::ERROR_INVALID_PARAMETER);
}

int TSimProcess::DispatchPending() {
  int n = 0;
  TMsg msg;
  while (TakeAvailable(msg, true, false)) {
    ++n;
    if (msg.Wnd) FDesktop.Send(msg.Wnd, msg.Message, msg.WParam, msg.LParam);
    if (msg.Message == win::WM_QUIT) {
      QuitPosted = true;
      ExitCode = static_cast<int>(msg.WParam);
    }
  }
  return n;
}

// --- The message box -------------------------------------------------------------------

int TSimProcess::MessageDialog(const std::u16string& text, const std::u16string& caption, TMsgDlgType type,
                               TMsgDlgButtons buttons, HWND owner) {
  Log("MessageDialog", owner, static_cast<std::int64_t>(type), buttons);
  if (Injected("MessageDialog")) return 0;
  // The box is a top-most "#32770" window of this process while it is up.
  TSimWindow box;
  box.Handle = FDesktop.NewHandle();
  box.ProcessId = Pid;
  box.Owner = FDesktop.Window(owner) ? FDesktop.Root(FDesktop.Window(owner))->Handle : 0;
  box.ClassName = u"#32770";
  box.Title = caption;
  box.Style = win::WS_POPUP | win::WS_VISIBLE;
  box.ExStyle = win::WS_EX_TOPMOST;
  box.Visible = true;
  const int w = 360, h = 160;
  const TRect centre = FDesktop.Window(box.Owner) ? FDesktop.Window(box.Owner)->Rect : FDesktop.PrimaryScreen;
  const int left = centre.Left + (centre.Width() - w) / 2, top = centre.Top + (centre.Height() - h) / 2;
  box.Rect = {left, top, left + w, top + h};
  const HWND boxHandle = FDesktop.Insert(std::move(box)).Handle;

  TSimDialog dialog{Pid, text, caption, type, buttons, owner, boxHandle, 0};
  FDesktop.Dialogs.push_back(dialog);
  const std::size_t index = FDesktop.Dialogs.size() - 1;
  int result = win::IDOK;
  if (QuitPosted) {
    FDesktop.Dialogs[index].Dismissed = true;
    result = 0;
  } else if (FDesktop.DialogResponder) {
    // A copy: the responder may replace the responder or show another box.
    auto responder = FDesktop.DialogResponder;
    result = responder(*this, dialog);
  }
  FDesktop.Dialogs[index].Result = result;
  if (FDesktop.Window(boxHandle)) FDesktop.DestroyTree(boxHandle);
  return result;
}

// --- Magnification API -----------------------------------------------------------------

bool TSimProcess::MagInitialize() {
  Log("MagInitialize");
  return Noted([&] {
    if (Injected("MagInitialize")) return false;
    MagInitialized = true;
    return true;
  }());
}

bool TSimProcess::MagUninitialize() {
  Log("MagUninitialize");
  return Noted([&] {
    if (Injected("MagUninitialize")) return false;
    MagInitialized = false;
    return true;
  }());
}

bool TSimProcess::MagSetWindowTransform(HWND wnd, const TMagTransform& transform) {
  Log("MagSetWindowTransform", wnd);
  return Noted([&] {
    if (Injected("MagSetWindowTransform")) return false;
    TSimWindow* w = NeedMagnifier(wnd);
    if (!w) return false;
    // A magnification factor below 1.0 is not valid (NaN included).
    const float sx = transform.v[0][0], sy = transform.v[1][1];
    if (!(sx >= 1.0f && sy >= 1.0f && sx <= FLT_MAX && sy <= FLT_MAX)) return Fail(win::ERROR_INVALID_PARAMETER);
    w->Transform = transform;
    ++w->TransformSetCount;
    return true;
  }());
}

bool TSimProcess::MagSetColorEffect(HWND wnd, const TMagColorEffect* effect) {
  Log("MagSetColorEffect", wnd, effect ? 1 : 0);
  return Noted([&] {
    if (Injected("MagSetColorEffect")) return false;
    TSimWindow* w = NeedMagnifier(wnd);
    if (!w) return false;
    // No effect shows the colours as they are: the identity.
    w->ColorEffect = effect ? *effect : IdentityColorEffect();
    ++w->ColorEffectSetCount;
    return true;
  }());
}

bool TSimProcess::MagSetWindowSource(HWND wnd, const TRect& source) {
  Log("MagSetWindowSource", wnd, source.Left, source.Top, source.Right, source.Bottom);
  return Noted([&] {
    if (Injected("MagSetWindowSource")) return false;
    TSimWindow* w = NeedMagnifier(wnd);
    if (!w) return false;
    w->Source = source;
    ++w->SourceSetCount;
    return true;
  }());
}

bool TSimProcess::MagSetWindowFilterList(HWND wnd, DWORD filterMode, int count, const HWND* list) {
  Log("MagSetWindowFilterList", wnd, filterMode, count);
  return Noted([&] {
    if (Injected("MagSetWindowFilterList")) return false;
    TSimWindow* w = NeedMagnifier(wnd);
    if (!w) return false;
    // Windows 7 and later magnify only with an exclusion list.
    if (filterMode != win::MW_FILTERMODE_EXCLUDE || count < 0 || (count > 0 && !list)) {
      return Fail(win::ERROR_INVALID_PARAMETER);
    }
    w->FilterMode = filterMode;
    w->FilterList.assign(list, list + count);
    ++w->FilterListSetCount;
    return true;
  }());
}

}  // namespace lensoro::sim

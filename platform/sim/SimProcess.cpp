// One process's view of the simulated desktop: every TPlatform call, logged,
// open to failure injection, and answered as Win32 answers it.
#include <algorithm>
#include <cfloat>
#include <cstring>

#include "SimDesktop.h"

namespace lensoro::sim {

namespace {

TMagColorEffect IdentityColorEffect() {
  TMagColorEffect e;
  for (int i = 0; i < 5; ++i) e.v[i][i] = 1.0f;
  return e;
}

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

int CopyText(const std::u16string& text, char16_t* buffer, int maxCount) {
  if (!buffer || maxCount <= 0) return 0;
  const int n = std::min(static_cast<int>(text.size()), maxCount - 1);
  std::copy_n(text.data(), n, buffer);
  buffer[n] = 0;
  return n;
}

TSimProcess::TSimProcess(TSimDesktop& desktop, DWORD pid, DWORD mainThreadId, std::u16string exePath, bool is64Bit)
    : Pid(pid),
      ThreadIds{mainThreadId},
      CurrentThreadId(mainThreadId),
      ExePath(std::move(exePath)),
      Is64Bit(is64Bit),
      FDesktop(desktop) {}

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
  if (FDesktop.BeforeCall && !FDesktop.FInBeforeCall) {
    FDesktop.FInBeforeCall = true;
    auto hook = FDesktop.BeforeCall;  // a copy: the hook may replace itself
    hook(*this, name);
    FDesktop.FInBeforeCall = false;
  }
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

DWORD TSimProcess::GetModuleFileNameW(char16_t* buffer, DWORD size) {
  Log("GetModuleFileNameW", size);
  if (Injected("GetModuleFileNameW")) return 0;
  if (!buffer || size == 0) return Fail(win::ERROR_INSUFFICIENT_BUFFER);
  const DWORD copied =
      static_cast<DWORD>(CopyText(ExePath, buffer, static_cast<int>(std::min<DWORD>(size, 0x7FFFFFFF))));
  if (copied < ExePath.size()) {
    LastError = win::ERROR_INSUFFICIENT_BUFFER;
    return size;
  }
  LastError = 0;
  return copied;
}

DWORD TSimProcess::GetCurrentProcessId() {
  Log("GetCurrentProcessId");
  return Pid;
}

bool TSimProcess::GetTokenElevation(bool& elevated) {
  Log("GetTokenElevation");
  elevated = false;
  if (Injected("GetTokenElevation")) return false;
  elevated = Elevated;
  return true;
}

// Kernel object names: at most MAX_PATH characters, and no "\\" but after
// the namespace prefix "Global\\" or "Local\\".
HANDLE TSimProcess::CreateMutexW(const std::u16string& name) {
  Log("CreateMutexW", static_cast<std::int64_t>(name.size()));
  if (Injected("CreateMutexW")) return 0;
  if (name.size() > win::MAX_PATH) return Fail(win::ERROR_FILENAME_EXCED_RANGE);
  std::u16string rest = name;
  for (const std::u16string prefix : {u"Global\\", u"Local\\"}) {
    if (rest.compare(0, prefix.size(), prefix) == 0) rest = rest.substr(prefix.size());
  }
  if (rest.find(u'\\') != std::u16string::npos) return Fail(win::ERROR_PATH_NOT_FOUND);
  DWORD error = 0;
  if (!name.empty()) {
    auto it = FDesktop.FMutexes.find(name);
    if (it != FDesktop.FMutexes.end()) {
      if (it->second.Elevated && !Elevated) return Fail(win::ERROR_ACCESS_DENIED);
      error = win::ERROR_ALREADY_EXISTS;
    } else {
      FDesktop.FMutexes[name].Elevated = Elevated;
    }
    ++FDesktop.FMutexes[name].Handles;
  }
  const HANDLE h = FDesktop.FNextProcessHandle;
  FDesktop.FNextProcessHandle += 4;
  FDesktop.FMutexHandles[h] = {name, Pid};
  LastError = error;
  return h;
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

DWORD TSimProcess::GetWindowThreadProcessId(HWND wnd, DWORD* pid) {
  Log("GetWindowThreadProcessId", wnd);
  if (Injected("GetWindowThreadProcessId")) return 0;
  const TSimWindow* w = Need(wnd);
  if (!w) return 0;
  if (pid) *pid = w->ProcessId;
  return w->ThreadId;
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
  if (FDesktop.FProcessHandles.erase(handle) == 1) return true;
  if (FDesktop.CloseMutexHandle(handle)) return true;
  return Fail(win::ERROR_INVALID_HANDLE);
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
  box.ThreadId = CurrentThreadId;
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

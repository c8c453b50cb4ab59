// The real backend: each method forwards to the Win32 call it is named after
// and converts types. Decisions belong in the units, not here.
#include "Win32Convert.h"
#include "Win32Lazy.h"

#include <imm.h>
#include <ntsecapi.h>
#include <psapi.h>
#include <winnetwk.h>

#include <algorithm>
#include <map>
#include <string>

#include "Magnification.h"

// psapi.h maps this name to K32GetModuleFileNameExW, which we call directly.
#undef GetModuleFileNameExW

using namespace lensoro::w32;

namespace {

// Out here HANDLE is the system's; inside namespace lensoro it is ours.
const ::HANDLE InvalidHandle = INVALID_HANDLE_VALUE;

std::u16string U(const wchar_t* s) { return std::u16string(reinterpret_cast<const char16_t*>(s)); }

HINSTANCE ModuleInstance() { return ::GetModuleHandleW(nullptr); }

int ScreenDeviceCaps(int index) {
  ::HDC dc = ::GetDC(nullptr);
  const int value = ::GetDeviceCaps(dc, index);
  ::ReleaseDC(nullptr, dc);
  return value;
}

const wchar_t* WindowPropName = L"Lensoro.Handler";

LRESULT CALLBACK HandlerWindowProc(::HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* handler = static_cast<lensoro::IWindowHandler*>(::GetPropW(wnd, WindowPropName));
  if (!handler && msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    handler = static_cast<lensoro::IWindowHandler*>(cs->lpCreateParams);
    ::SetPropW(wnd, WindowPropName, handler);
  }
  if (msg == WM_NCDESTROY) {
    ::RemovePropW(wnd, WindowPropName);
    return ::DefWindowProcW(wnd, msg, wParam, lParam);
  }
  if (!handler) return ::DefWindowProcW(wnd, msg, wParam, lParam);
  return handler->HandleMessage(FromHwnd(wnd), msg, wParam, lParam);
}

// The program's icon in the two sizes a window class shows, loaded once for
// all of them: given only the large one, each registration would make the
// small one from the resource again.
::HICON ClassIcon(int widthMetric, int heightMetric) {
  return static_cast<::HICON>(::LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(1), IMAGE_ICON,
                                           ::GetSystemMetrics(widthMetric), ::GetSystemMetrics(heightMetric),
                                           LR_SHARED));
}

bool EnsureHandlerClass(const std::u16string& name) {
  static const ::HICON largeIcon = ClassIcon(SM_CXICON, SM_CYICON);
  static const ::HICON smallIcon = ClassIcon(SM_CXSMICON, SM_CYSMICON);
  static std::map<std::u16string, ::ATOM> registered;
  if (registered.count(name)) return true;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = HandlerWindowProc;
  wc.hInstance = ModuleInstance();
  wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hIcon = largeIcon;
  wc.hIconSm = smallIcon;
  wc.lpszClassName = W(name);
  const ::ATOM atom = ::RegisterClassExW(&wc);
  if (atom == 0) return false;
  registered[name] = atom;
  return true;
}

// Centres a message box on its owner as it is activated.
thread_local ::HWND gDialogOwner = nullptr;
thread_local HHOOK gDialogHook = nullptr;

LRESULT CALLBACK CentreDialogHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    ::HWND dialog = reinterpret_cast<::HWND>(wParam);
    RECT owner, box;
    if (gDialogOwner && ::GetWindowRect(gDialogOwner, &owner) && ::GetWindowRect(dialog, &box)) {
      const int w = box.right - box.left, h = box.bottom - box.top;
      const int x = owner.left + ((owner.right - owner.left) - w) / 2;
      const int y = owner.top + ((owner.bottom - owner.top) - h) / 2;
      ::SetWindowPos(dialog, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    } else {
      ::SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    }
    ::UnhookWindowsHookEx(gDialogHook);
    gDialogHook = nullptr;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

MAGTRANSFORM ToMag(const lensoro::TMagTransform& t) {
  MAGTRANSFORM m;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) m.v[i][j] = t.v[i][j];
  return m;
}

MAGCOLOREFFECT ToMag(const lensoro::TMagColorEffect& e) {
  MAGCOLOREFFECT m;
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 5; ++j) m.transform[i][j] = e.v[i][j];
  return m;
}

}  // namespace

namespace lensoro {

// --- Process, errors, time ---------------------------------------------------

DWORD TWin32Platform::GetModuleFileNameW(char16_t* buffer, DWORD size) {
  return ::GetModuleFileNameW(nullptr, W(buffer), size);
}

DWORD TWin32Platform::GetCurrentProcessId() { return ::GetCurrentProcessId(); }

// The token is opened for the one query and closed again.
bool TWin32Platform::GetTokenElevation(bool& elevated) {
  elevated = false;
  ::HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  TOKEN_ELEVATION elevation = {};
  ::DWORD size = 0;
  const BOOL ok = ::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
  const ::DWORD error = ::GetLastError();
  ::CloseHandle(token);
  ::SetLastError(error);
  if (ok) elevated = elevation.TokenIsElevated != 0;
  return ok != FALSE;
}

HANDLE TWin32Platform::CreateMutexW(const std::u16string& name) {
  return reinterpret_cast<HANDLE>(::CreateMutexW(nullptr, FALSE, W(name)));
}

std::u16string TWin32Platform::ExpandUNCFileName(const std::u16string& path) {
  // Only a mapped network drive has another name: a local drive letter
  // spares the network provider's DLL (mpr) and its answer.
  if (path.size() >= 3 && path[1] == u':' && (path[2] == u'\\' || path[2] == u'/')) {
    const wchar_t root[] = {static_cast<wchar_t>(path[0]), L':', L'\\', 0};
    if (::GetDriveTypeW(root) != DRIVE_REMOTE) return path;
  }
  static w32::TLazyProc<decltype(::WNetGetUniversalNameW)> universalName{L"mpr.dll", "WNetGetUniversalNameW"};
  auto* expand = universalName.Get();
  if (!expand) return path;
  alignas(UNIVERSAL_NAME_INFOW) char buffer[2048];
  ::DWORD size = sizeof buffer;
  if (expand(W(path), UNIVERSAL_NAME_INFO_LEVEL, buffer, &size) == NO_ERROR) {
    return U(reinterpret_cast<UNIVERSAL_NAME_INFOW*>(buffer)->lpUniversalName);
  }
  return path;
}

DWORD TWin32Platform::GetLastError() { return ::GetLastError(); }
void TWin32Platform::SetLastError(DWORD code) { ::SetLastError(code); }

std::u16string TWin32Platform::FormatMessageW(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string result;
  if (n && text) result.assign(reinterpret_cast<const char16_t*>(text), n);
  if (text) ::LocalFree(text);
  return result;
}

std::int32_t TWin32Platform::RtlGetVersion(TOsVersion& version) {
  using TRtlGetVersion = LONG(WINAPI*)(RTL_OSVERSIONINFOEXW*);
  static_assert(sizeof(RTL_OSVERSIONINFOEXW) == OsVersionRecordSize, "the extended record is 284 bytes");
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  auto fn = ntdll ? reinterpret_cast<TRtlGetVersion>(
                        reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")))
                  : nullptr;
  if (!fn) return static_cast<std::int32_t>(0xC0000002);  // STATUS_NOT_IMPLEMENTED
  // A size beyond the record would let the system write past it.
  if (version.RecordSize > sizeof(RTL_OSVERSIONINFOEXW)) return static_cast<std::int32_t>(0xC000000D);
  RTL_OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = version.RecordSize;
  const LONG status = fn(&info);
  if (status == 0) {
    version.Major = info.dwMajorVersion;
    version.Minor = info.dwMinorVersion;
    version.Build = info.dwBuildNumber;
  }
  return status;
}

DWORD TWin32Platform::GetTickCount() { return ::GetTickCount(); }

TSystemTime TWin32Platform::GetLocalTime() {
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDayOfWeek, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

ATOM TWin32Platform::GlobalAddAtomW(const std::u16string& name) { return ::GlobalAddAtomW(W(name)); }
ATOM TWin32Platform::GlobalDeleteAtom(ATOM atom) { return ::GlobalDeleteAtom(atom); }

// The system's random source gives what CoCreateGuid gives, without loading
// COM (ole32 with combase and rpcrt4) before the loupe shows.
bool TWin32Platform::CreateGuid(std::uint8_t (&guid)[16]) {
  if (!::RtlGenRandom(guid, sizeof guid)) return false;
  guid[7] = static_cast<std::uint8_t>((guid[7] & 0x0F) | 0x40);  // version 4: random
  guid[8] = static_cast<std::uint8_t>((guid[8] & 0x3F) | 0x80);  // the standard variant
  return true;
}

int TWin32Platform::GetScreenPixelsPerInch() { return ScreenDeviceCaps(LOGPIXELSY); }
int TWin32Platform::GetScreenBitsPerPixel() { return ScreenDeviceCaps(BITSPIXEL); }

int TWin32Platform::GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

// Windows 10 1607 and later; the headers of Windows 7 do not declare them.
typedef UINT(WINAPI GetDpiForWindowProc)(::HWND);
typedef int(WINAPI GetSystemMetricsForDpiProc)(int, UINT);

UINT TWin32Platform::GetDpiForWindow(HWND wnd) {
  static TLazyProc<GetDpiForWindowProc> dpiForWindow{L"user32.dll", "GetDpiForWindow"};
  auto* proc = dpiForWindow.Get();
  return proc ? proc(ToHwnd(wnd)) : 0;
}

int TWin32Platform::GetSystemMetricsForDpi(int index, UINT dpi) {
  static TLazyProc<GetSystemMetricsForDpiProc> metricsForDpi{L"user32.dll", "GetSystemMetricsForDpi"};
  auto* proc = metricsForDpi.Get();
  return proc ? proc(index, dpi) : 0;
}

bool TWin32Platform::GetCursorPos(TPoint& point) {
  POINT p;
  if (!::GetCursorPos(&p)) return false;
  point = {p.x, p.y};
  return true;
}

namespace {
BOOL CALLBACK AddMonitor(::HMONITOR monitor, ::HDC, ::LPRECT, ::LPARAM data) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!::GetMonitorInfoW(monitor, &info)) return FALSE;
  const RECT& m = info.rcMonitor;
  const RECT& w = info.rcWork;
  reinterpret_cast<std::vector<lensoro::TMonitorInfo>*>(data)->push_back(
      {{m.left, m.top, m.right, m.bottom}, {w.left, w.top, w.right, w.bottom}});
  return TRUE;
}
}  // namespace

std::vector<TMonitorInfo> TWin32Platform::EnumDisplayMonitors() {
  std::vector<TMonitorInfo> monitors;
  if (!::EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<::LPARAM>(&monitors))) monitors.clear();
  return monitors;
}

// --- Files and folders ---------------------------------------------------------

namespace {
// Closes a kernel handle when it goes out of scope.
class TScopedHandle {
 public:
  explicit TScopedHandle(::HANDLE h) : FHandle(h) {}
  ~TScopedHandle() {
    if (valid()) ::CloseHandle(FHandle);
  }
  TScopedHandle(const TScopedHandle&) = delete;
  TScopedHandle& operator=(const TScopedHandle&) = delete;
  bool valid() const { return FHandle != InvalidHandle && FHandle != nullptr; }
  ::HANDLE get() const { return FHandle; }

 private:
  ::HANDLE FHandle;
};
}  // namespace

bool TWin32Platform::ReadFileBytes(const std::u16string& path, std::vector<std::uint8_t>& data,
                                   std::uint64_t maxBytes) {
  data.clear();
  TScopedHandle file(::CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.get(), &size)) return false;
  if (static_cast<std::uint64_t>(size.QuadPart) > std::min(maxBytes, MaxReadFileBytes)) {
    ::SetLastError(ERROR_FILE_TOO_LARGE);
    return false;
  }
  data.resize(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < data.size()) {
    ::DWORD got = 0;
    if (!::ReadFile(file.get(), data.data() + done, static_cast<::DWORD>(data.size() - done), &got, nullptr)) {
      data.clear();
      return false;
    }
    if (got == 0) break;
    done += got;
  }
  data.resize(done);
  return true;
}

bool TWin32Platform::WriteFileBytes(const std::u16string& path, const std::vector<std::uint8_t>& data) {
  TScopedHandle file(
      ::CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  std::size_t done = 0;
  while (done < data.size()) {
    ::DWORD wrote = 0;
    if (!::WriteFile(file.get(), data.data() + done, static_cast<::DWORD>(data.size() - done), &wrote, nullptr)) {
      return false;
    }
    if (wrote == 0) {  // success without progress (a device, a filter driver): never loop on it
      ::SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    done += wrote;
  }
  return ::FlushFileBuffers(file.get()) != FALSE;
}

bool TWin32Platform::MoveFileExW(const std::u16string& from, const std::u16string& to, DWORD flags) {
  return ::MoveFileExW(W(from), W(to), flags) != FALSE;
}

bool TWin32Platform::DeleteFileW(const std::u16string& path) { return ::DeleteFileW(W(path)) != FALSE; }
bool TWin32Platform::CreateDirectoryW(const std::u16string& path) {
  return ::CreateDirectoryW(W(path), nullptr) != FALSE;
}
DWORD TWin32Platform::GetFileAttributesW(const std::u16string& path) { return ::GetFileAttributesW(W(path)); }

std::vector<std::u16string> TWin32Platform::FindFiles(const std::u16string& pattern) {
  std::vector<std::u16string> names;
  WIN32_FIND_DATAW data;
  ::HANDLE find = ::FindFirstFileW(W(pattern), &data);
  if (find == InvalidHandle) return names;
  do {
    names.push_back(U(data.cFileName));
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return names;
}

std::u16string TWin32Platform::GetLocaleDecimalSeparator() {
  wchar_t buffer[8] = {};
  if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8) <= 0) return u".";
  return U(buffer);
}

int TWin32Platform::CompareStringW(DWORD flags, const std::u16string& a, const std::u16string& b) {
  return ::CompareStringW(LOCALE_USER_DEFAULT, flags, W(a), static_cast<int>(a.size()), W(b),
                          static_cast<int>(b.size()));
}

// --- Processes of other windows ----------------------------------------------

DWORD TWin32Platform::GetWindowThreadProcessId(HWND wnd, DWORD* pid) {
  ::DWORD process = 0;
  const ::DWORD thread = ::GetWindowThreadProcessId(ToHwnd(wnd), pid ? &process : nullptr);
  if (pid && thread != 0) *pid = process;
  return thread;
}

HANDLE TWin32Platform::OpenProcess(DWORD access, DWORD processId) {
  return reinterpret_cast<HANDLE>(::OpenProcess(access, FALSE, processId));
}

DWORD TWin32Platform::GetModuleFileNameExW(HANDLE process, char16_t* buffer, DWORD size) {
  return ::K32GetModuleFileNameExW(reinterpret_cast<::HANDLE>(process), nullptr, W(buffer), size);
}

bool TWin32Platform::QueryFullProcessImageNameW(HANDLE process, char16_t* buffer, DWORD& size) {
  ::DWORD n = size;
  const BOOL ok = ::QueryFullProcessImageNameW(reinterpret_cast<::HANDLE>(process), 0, W(buffer), &n);
  if (ok) size = n;
  return ok != FALSE;
}

bool TWin32Platform::CloseHandle(HANDLE handle) { return ::CloseHandle(reinterpret_cast<::HANDLE>(handle)) != 0; }

// --- Windows -------------------------------------------------------------------

namespace {
struct TEnumContext {
  const std::function<bool(HWND)>* Callback;
};
BOOL CALLBACK EnumThunk(::HWND wnd, ::LPARAM param) {
  auto* ctx = reinterpret_cast<TEnumContext*>(param);
  return (*ctx->Callback)(FromHwnd(wnd)) ? TRUE : FALSE;
}
}  // namespace

bool TWin32Platform::EnumWindows(const std::function<bool(HWND)>& callback) {
  TEnumContext ctx{&callback};
  return ::EnumWindows(EnumThunk, reinterpret_cast<::LPARAM>(&ctx)) != FALSE;
}

bool TWin32Platform::EnumChildWindows(HWND parent, const std::function<bool(HWND)>& callback) {
  TEnumContext ctx{&callback};
  return ::EnumChildWindows(ToHwnd(parent), EnumThunk, reinterpret_cast<::LPARAM>(&ctx)) != FALSE;
}

HWND TWin32Platform::GetWindow(HWND wnd, UINT command) { return FromHwnd(::GetWindow(ToHwnd(wnd), command)); }
HWND TWin32Platform::GetParent(HWND wnd) { return FromHwnd(::GetParent(ToHwnd(wnd))); }
bool TWin32Platform::IsWindow(HWND wnd) { return ::IsWindow(ToHwnd(wnd)) != FALSE; }

int TWin32Platform::GetWindowTextW(HWND wnd, char16_t* buffer, int maxCount) {
  return ::GetWindowTextW(ToHwnd(wnd), W(buffer), maxCount);
}

int TWin32Platform::GetClassNameW(HWND wnd, char16_t* buffer, int maxCount) {
  return ::GetClassNameW(ToHwnd(wnd), W(buffer), maxCount);
}

bool TWin32Platform::SetWindowTextW(HWND wnd, const std::u16string& text) {
  return ::SetWindowTextW(ToHwnd(wnd), W(text)) != FALSE;
}

HWND TWin32Platform::CreateWindowExW(const TCreateWindowParams& p) {
  if (p.Handler && !EnsureHandlerClass(p.ClassName)) return 0;
  ::HWND wnd = ::CreateWindowExW(p.ExStyle, W(p.ClassName), W(p.WindowName), p.Style, p.X, p.Y, p.Width,
                                 p.Height, ToHwnd(p.Parent), reinterpret_cast<::HMENU>(p.Id), ModuleInstance(),
                                 p.Handler);
  return FromHwnd(wnd);
}

bool TWin32Platform::DestroyWindow(HWND wnd) { return ::DestroyWindow(ToHwnd(wnd)) != FALSE; }
bool TWin32Platform::ShowWindow(HWND wnd, int command) { return ::ShowWindow(ToHwnd(wnd), command) != FALSE; }
bool TWin32Platform::IsWindowVisible(HWND wnd) { return ::IsWindowVisible(ToHwnd(wnd)) != FALSE; }

bool TWin32Platform::SetWindowPos(HWND wnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  return ::SetWindowPos(ToHwnd(wnd), ToHwnd(insertAfter), x, y, cx, cy, flags) != FALSE;
}

bool TWin32Platform::GetWindowRect(HWND wnd, TRect& rect) {
  RECT r;
  if (!::GetWindowRect(ToHwnd(wnd), &r)) return false;
  rect = {r.left, r.top, r.right, r.bottom};
  return true;
}

bool TWin32Platform::GetClientRect(HWND wnd, TRect& rect) {
  RECT r;
  if (!::GetClientRect(ToHwnd(wnd), &r)) return false;
  rect = {r.left, r.top, r.right, r.bottom};
  return true;
}

std::int32_t TWin32Platform::GetWindowLongW(HWND wnd, int index) {
  return static_cast<std::int32_t>(::GetWindowLongW(ToHwnd(wnd), index));
}

bool TWin32Platform::SetLayeredWindowAttributes(HWND wnd, DWORD colorKey, std::uint8_t alpha, DWORD flags) {
  return ::SetLayeredWindowAttributes(ToHwnd(wnd), colorKey, alpha, flags) != FALSE;
}

void TWin32Platform::ImmDisableForWindow(HWND wnd) { ::ImmAssociateContext(ToHwnd(wnd), nullptr); }
bool TWin32Platform::SetForegroundWindow(HWND wnd) { return ::SetForegroundWindow(ToHwnd(wnd)) != FALSE; }
HWND TWin32Platform::GetForegroundWindow() { return FromHwnd(::GetForegroundWindow()); }
bool TWin32Platform::InvalidateRect(HWND wnd, bool erase) {
  return ::InvalidateRect(ToHwnd(wnd), nullptr, erase ? TRUE : FALSE) != FALSE;
}

bool TWin32Platform::FillSolidRect(HDC dc, const TRect& rect, DWORD color) {
  HBRUSH brush = ::CreateSolidBrush(color);
  if (!brush) return false;
  RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
  const int ok = ::FillRect(reinterpret_cast<::HDC>(dc), &r, brush);
  ::DeleteObject(brush);
  return ok != 0;
}

DWORD TWin32Platform::GetSysColor(int index) { return ::GetSysColor(index); }
bool TWin32Platform::ReleaseCapture() { return ::ReleaseCapture() != FALSE; }
std::int16_t TWin32Platform::GetKeyState(int virtualKey) { return ::GetKeyState(virtualKey); }

// --- Messages, timers, the message loop ----------------------------------------

LRESULT TWin32Platform::SendMessageW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(ToHwnd(wnd), msg, wParam, lParam);
}

bool TWin32Platform::SendMessageTimeoutW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags,
                                         UINT timeoutMs, LRESULT& result) {
  DWORD_PTR answer = 0;
  const ::LRESULT ok = ::SendMessageTimeoutW(ToHwnd(wnd), msg, wParam, lParam, flags, timeoutMs, &answer);
  result = static_cast<LRESULT>(answer);
  return ok != 0;
}

bool TWin32Platform::PostMessageW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageW(ToHwnd(wnd), msg, wParam, lParam) != FALSE;
}

UINT TWin32Platform::RegisterWindowMessageW(const std::u16string& name) { return ::RegisterWindowMessageW(W(name)); }

LRESULT TWin32Platform::DefWindowProcW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(ToHwnd(wnd), msg, wParam, lParam);
}

void TWin32Platform::PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

namespace {
void FromMsg(const MSG& m, TMsg& msg) {
  msg.Wnd = FromHwnd(m.hwnd);
  msg.Message = m.message;
  msg.WParam = m.wParam;
  msg.LParam = m.lParam;
}
}  // namespace

int TWin32Platform::GetMessageW(TMsg& msg) {
  const BOOL r = ::GetMessageW(&FLastMsg, nullptr, 0, 0);
  FromMsg(FLastMsg, msg);
  return r;
}

bool TWin32Platform::PeekMessageW(TMsg& msg, bool remove) {
  if (!::PeekMessageW(&FLastMsg, nullptr, 0, 0, remove ? PM_REMOVE : PM_NOREMOVE)) return false;
  FromMsg(FLastMsg, msg);
  return true;
}

// The dispatch works on the full record of the message last taken (its time
// and point included); a message made by a unit is rebuilt from its fields.
namespace {
MSG ToMsg(const TMsg& msg, const MSG& last) {
  MSG m = last;
  if (FromHwnd(last.hwnd) != msg.Wnd || last.message != msg.Message || last.wParam != msg.WParam ||
      last.lParam != msg.LParam) {
    m = MSG{};
    m.hwnd = ToHwnd(msg.Wnd);
    m.message = msg.Message;
    m.wParam = msg.WParam;
    m.lParam = msg.LParam;
  }
  return m;
}
}  // namespace

bool TWin32Platform::TranslateMessage(const TMsg& msg) {
  const MSG m = ToMsg(msg, FLastMsg);
  return ::TranslateMessage(&m) != FALSE;
}

LRESULT TWin32Platform::DispatchMessageW(const TMsg& msg) {
  const MSG m = ToMsg(msg, FLastMsg);
  return ::DispatchMessageW(&m);
}

DWORD TWin32Platform::MsgWaitForMultipleObjects(DWORD milliseconds, DWORD wakeMask) {
  ::HANDLE self = ::GetCurrentThread();
  return ::MsgWaitForMultipleObjects(1, &self, FALSE, milliseconds, wakeMask);
}

std::uintptr_t TWin32Platform::SetTimer(HWND wnd, std::uintptr_t id, UINT milliseconds) {
  return ::SetTimer(ToHwnd(wnd), id, milliseconds, nullptr);
}

bool TWin32Platform::KillTimer(HWND wnd, std::uintptr_t id) { return ::KillTimer(ToHwnd(wnd), id) != FALSE; }

// --- The message box -------------------------------------------------------------

int TWin32Platform::MessageDialog(const std::u16string& text, const std::u16string& caption, TMsgDlgType type,
                                  TMsgDlgButtons buttons, HWND owner) {
  UINT flags = MB_TOPMOST | MB_SETFOREGROUND;
  switch (type) {
    case TMsgDlgType::Warning: flags |= MB_ICONWARNING; break;
    case TMsgDlgType::Error: flags |= MB_ICONERROR; break;
    case TMsgDlgType::Information: flags |= MB_ICONINFORMATION; break;
    case TMsgDlgType::Confirmation: flags |= MB_ICONQUESTION; break;
  }
  flags |= (buttons & mbCancel) ? MB_OKCANCEL : MB_OK;
  gDialogOwner = ToHwnd(owner);
  gDialogHook = ::SetWindowsHookExW(WH_CBT, CentreDialogHook, nullptr, ::GetCurrentThreadId());
  const int result = ::MessageBoxW(ToHwnd(owner), W(text), W(caption), flags);
  if (gDialogHook) {
    ::UnhookWindowsHookEx(gDialogHook);
    gDialogHook = nullptr;
  }
  gDialogOwner = nullptr;
  return result;
}

// --- Magnification API -------------------------------------------------------------

namespace {

// Windows does not always take magnification.dll from the system folder: an
// import would load a copy planted beside the exe, before wWinMain. It is
// bound here, from the system folder only.
const wchar_t MagDll[] = L"magnification.dll";
TLazyProc<decltype(::MagInitialize)> MagInitializeProc{MagDll, "MagInitialize"};
TLazyProc<decltype(::MagUninitialize)> MagUninitializeProc{MagDll, "MagUninitialize"};
TLazyProc<decltype(::MagSetWindowTransform)> MagSetWindowTransformProc{MagDll, "MagSetWindowTransform"};
TLazyProc<decltype(::MagSetColorEffect)> MagSetColorEffectProc{MagDll, "MagSetColorEffect"};
TLazyProc<decltype(::MagSetWindowSource)> MagSetWindowSourceProc{MagDll, "MagSetWindowSource"};
TLazyProc<decltype(::MagSetWindowFilterList)> MagSetWindowFilterListProc{MagDll, "MagSetWindowFilterList"};

}  // namespace

// Every function is bound before the first call: a DLL that lacks one fails
// here, as a refused initialisation, and not later in a tick.
bool TWin32Platform::MagInitialize() {
  if (!MagUninitializeProc.Get() || !MagSetWindowTransformProc.Get() || !MagSetColorEffectProc.Get() ||
      !MagSetWindowSourceProc.Get() || !MagSetWindowFilterListProc.Get())
    return false;
  auto* initialize = MagInitializeProc.Get();
  return initialize && initialize() != FALSE;
}

bool TWin32Platform::MagUninitialize() {
  auto* uninitialize = MagUninitializeProc.Get();
  return uninitialize && uninitialize() != FALSE;
}

bool TWin32Platform::MagSetWindowTransform(HWND wnd, const TMagTransform& transform) {
  auto* set = MagSetWindowTransformProc.Get();
  MAGTRANSFORM m = ToMag(transform);
  return set && set(ToHwnd(wnd), &m) != FALSE;
}

bool TWin32Platform::MagSetColorEffect(HWND wnd, const TMagColorEffect* effect) {
  auto* set = MagSetColorEffectProc.Get();
  MAGCOLOREFFECT m = effect ? ToMag(*effect) : MAGCOLOREFFECT{};
  return set && set(ToHwnd(wnd), effect ? &m : nullptr) != FALSE;
}

bool TWin32Platform::MagSetWindowSource(HWND wnd, const TRect& source) {
  auto* set = MagSetWindowSourceProc.Get();
  const RECT r{source.Left, source.Top, source.Right, source.Bottom};
  return set && set(ToHwnd(wnd), r) != FALSE;
}

bool TWin32Platform::MagSetWindowFilterList(HWND wnd, DWORD filterMode, int count, const HWND* list) {
  // The API takes real handles; widen each 32-bit value.
  ::HWND stack[64];
  std::unique_ptr<::HWND[]> heap;
  ::HWND* handles = stack;
  if (count > 64) {
    heap.reset(new ::HWND[static_cast<std::size_t>(count)]);
    handles = heap.get();
  }
  for (int i = 0; i < count; ++i) handles[i] = ToHwnd(list[i]);
  auto* set = MagSetWindowFilterListProc.Get();
  return set && set(ToHwnd(wnd), filterMode, count, count > 0 ? handles : nullptr) != FALSE;
}

}  // namespace lensoro

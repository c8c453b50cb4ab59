// lnsprobe: looks at running programs from outside for the end-to-end tests.
// Prints one JSON object per line, UTF-8; see tools/README.md for the commands.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include "LnsProbeShared.h"

namespace {

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

std::string Json(const std::wstring& w) {
  std::string out = "\"";
  for (unsigned char c : Utf8(w)) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof(buf), "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string Hex(unsigned long long v, int digits = 8) {
  char buf[32];
  std::snprintf(buf, sizeof(buf), "\"0x%0*llX\"", digits, v);
  return buf;
}

std::string HwndText(HWND h) { return Hex(static_cast<unsigned>(reinterpret_cast<UINT_PTR>(h))); }

std::string Bool(bool b) { return b ? "true" : "false"; }

// Written with WriteFile so no console code page gets between us and the pipe.
void Emit(const std::string& line) {
  std::string s = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), s.data(), static_cast<DWORD>(s.size()), &written, nullptr);
}

std::wstring WindowText(HWND h) {
  wchar_t buf[1024] = {};
  int n = GetWindowTextW(h, buf, 1024);
  return std::wstring(buf, n > 0 ? n : 0);
}

std::wstring ClassText(HWND h) {
  wchar_t buf[256] = {};
  int n = GetClassNameW(h, buf, 256);
  return std::wstring(buf, n > 0 ? n : 0);
}

std::wstring ImagePath(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return {};
  wchar_t buf[MAX_PATH * 2] = {};
  DWORD size = MAX_PATH * 2;
  std::wstring path;
  if (QueryFullProcessImageNameW(process, 0, buf, &size)) path.assign(buf, size);
  CloseHandle(process);
  return path;
}

std::string RectText(const RECT& r) {
  char buf[96];
  std::snprintf(buf, sizeof(buf), "[%ld,%ld,%ld,%ld]", r.left, r.top, r.right, r.bottom);
  return buf;
}

BOOL CALLBACK Collect(HWND h, LPARAM p) {
  reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
  return TRUE;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> list;
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&list));
  return list;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> list;
  EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&list));
  return list;
}

// Decimal, or hexadecimal with 0x; a leading zero is not octal here.
bool ParseNumber(const wchar_t* s, long long& value) {
  if (!s || !*s) return false;
  wchar_t* end = nullptr;
  bool negative = *s == L'-';
  const wchar_t* p = negative ? s + 1 : s;
  if (p[0] == L'0' && (p[1] == L'x' || p[1] == L'X'))
    value = static_cast<long long>(std::wcstoull(p + 2, &end, 16));
  else
    value = static_cast<long long>(std::wcstoull(p, &end, 10));
  if (end == p || *end) return false;
  if (negative) value = -value;
  return true;
}

bool ParseHwnd(const wchar_t* s, HWND& h) {
  long long v;
  if (!ParseNumber(s, v)) return false;
  h = reinterpret_cast<HWND>(static_cast<UINT_PTR>(v));
  return true;
}

int Usage() {
  std::fputs(
      "usage: lnsprobe list\n"
      "       lnsprobe children HWND\n"
      "       lnsprobe send HWND MSG WPARAM LPARAM\n"
      "       lnsprobe post HWND MSG WPARAM LPARAM\n"
      "       lnsprobe dialogs\n"
      "       lnsprobe answer TITLE [ID]\n"
      "       lnsprobe menus\n"
      "       lnsprobe pick DOWNS\n"
      "       lnsprobe atoms\n"
      "       lnsprobe storm HWND SEED COUNT [notray]\n"
      "       lnsprobe lock PATH SECONDS\n"
      "       lnsprobe collate PATH\n"
      "       lnsprobe screen\n"
      "       lnsprobe measure HWND\n"
      "       lnsprobe focus HWND\n",
      stderr);
  return 2;
}

int List() {
  const HWND foreground = GetForegroundWindow();
  for (HWND h : TopLevelWindows()) {
    RECT r = {};
    GetWindowRect(h, &r);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    Emit("{\"hwnd\":" + HwndText(h) + ",\"title\":" + Json(WindowText(h)) + ",\"class\":" + Json(ClassText(h)) +
         ",\"style\":" + Hex(static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE))) +
         ",\"exstyle\":" + Hex(static_cast<DWORD>(GetWindowLongW(h, GWL_EXSTYLE))) + ",\"rect\":" + RectText(r) +
         ",\"owner\":" + HwndText(GetWindow(h, GW_OWNER)) + ",\"pid\":" + std::to_string(pid) +
         ",\"visible\":" + Bool(IsWindowVisible(h)) + ",\"foreground\":" + Bool(h == foreground) +
         ",\"image\":" + Json(ImagePath(pid)) + "}");
  }
  return 0;
}

int Children(HWND top) {
  if (!IsWindow(top)) {
    std::fputs("lnsprobe: no such window\n", stderr);
    return 1;
  }
  for (HWND h : Descendants(top)) {
    HWND parent = GetAncestor(h, GA_PARENT);
    RECT r = {};
    GetWindowRect(h, &r);
    POINT origin = {r.left, r.top};
    ScreenToClient(parent, &origin);
    char pos[96];
    std::snprintf(pos, sizeof(pos), "[%ld,%ld,%ld,%ld]", origin.x, origin.y, r.right - r.left, r.bottom - r.top);
    Emit("{\"hwnd\":" + HwndText(h) + ",\"parent\":" + HwndText(parent) + ",\"class\":" + Json(ClassText(h)) +
         ",\"title\":" + Json(WindowText(h)) + ",\"style\":" + Hex(static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE))) +
         ",\"exstyle\":" + Hex(static_cast<DWORD>(GetWindowLongW(h, GWL_EXSTYLE))) + ",\"rect\":" + RectText(r) +
         ",\"client_pos\":" + pos + ",\"id\":" + std::to_string(GetDlgCtrlID(h)) +
         ",\"visible\":" + Bool(IsWindowVisible(h)) + "}");
  }
  return 0;
}

int Send(HWND h, long long msg, long long wp, long long lp) {
  DWORD_PTR result = 0;
  SetLastError(0);
  LRESULT ok = SendMessageTimeoutW(h, static_cast<UINT>(msg), static_cast<WPARAM>(wp), static_cast<LPARAM>(lp),
                                   SMTO_NORMAL, 5000, &result);
  DWORD error = ok ? 0 : GetLastError();
  Emit("{\"hwnd\":" + HwndText(h) + ",\"msg\":" + std::to_string(msg) + ",\"ok\":" + Bool(ok != 0) +
       ",\"result\":" + std::to_string(static_cast<long long>(result)) + ",\"error\":" + std::to_string(error) + "}");
  return ok ? 0 : 1;
}

int Post(HWND h, long long msg, long long wp, long long lp) {
  BOOL ok = PostMessageW(h, static_cast<UINT>(msg), static_cast<WPARAM>(wp), static_cast<LPARAM>(lp));
  DWORD error = ok ? 0 : GetLastError();
  Emit("{\"hwnd\":" + HwndText(h) + ",\"msg\":" + std::to_string(msg) + ",\"ok\":" + Bool(ok != 0) +
       ",\"error\":" + std::to_string(error) + "}");
  return ok ? 0 : 1;
}

bool IsDialog(HWND h) { return ClassText(h) == L"#32770"; }

int Dialogs() {
  for (HWND h : TopLevelWindows()) {
    if (!IsDialog(h)) continue;
    std::string texts = "[", buttons = "[";
    for (HWND c : Descendants(h)) {
      std::wstring cls = ClassText(c), text = WindowText(c);
      if (_wcsicmp(cls.c_str(), L"Static") == 0 && !text.empty()) {
        if (texts.size() > 1) texts += ',';
        texts += Json(text);
      } else if (_wcsicmp(cls.c_str(), L"Button") == 0) {
        if (buttons.size() > 1) buttons += ',';
        buttons += "{\"id\":" + std::to_string(GetDlgCtrlID(c)) + ",\"text\":" + Json(text) + "}";
      }
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    Emit("{\"hwnd\":" + HwndText(h) + ",\"title\":" + Json(WindowText(h)) + ",\"pid\":" + std::to_string(pid) +
         ",\"owner\":" + HwndText(GetWindow(h, GW_OWNER)) + ",\"visible\":" + Bool(IsWindowVisible(h)) +
         ",\"texts\":" + texts + "],\"buttons\":" + buttons + "]}");
  }
  return 0;
}

int Answer(const std::wstring& title, long long id) {
  for (HWND h : TopLevelWindows()) {
    if (!IsDialog(h) || WindowText(h) != title) continue;
    HWND button = GetDlgItem(h, static_cast<int>(id));
    DWORD_PTR result = 0;
    // As a click would: the command with BN_CLICKED and the button's handle.
    LRESULT ok = SendMessageTimeoutW(h, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                                     reinterpret_cast<LPARAM>(button), SMTO_NORMAL, 5000, &result);
    DWORD error = ok ? 0 : GetLastError();
    bool closed = false;
    for (int i = 0; i < 40 && !closed; ++i) {
      closed = !IsWindow(h) || !IsWindowVisible(h);
      if (!closed) Sleep(50);
    }
    Emit("{\"hwnd\":" + HwndText(h) + ",\"title\":" + Json(title) + ",\"id\":" + std::to_string(id) +
         ",\"button\":" + HwndText(button) + ",\"sent\":" + Bool(ok != 0) + ",\"error\":" + std::to_string(error) +
         ",\"closed\":" + Bool(closed) + "}");
    return ok ? 0 : 1;
  }
  Emit("{\"title\":" + Json(title) + ",\"found\":false}");
  return 1;
}

// The items of a menu as a JSON array, read with the menu calls.
std::string MenuItemsDirect(HMENU m) {
  std::string items = "[";
  const int count = GetMenuItemCount(m);
  for (int i = 0; i < count; ++i) {
    wchar_t text[512] = {};
    GetMenuStringW(m, static_cast<UINT>(i), text, 512, MF_BYPOSITION);
    // For a submenu the high byte holds its item count, not flags.
    const bool popup = GetSubMenu(m, i) != nullptr;
    const UINT state = GetMenuState(m, static_cast<UINT>(i), MF_BYPOSITION) & (popup ? 0xFF : ~0u);
    if (items.size() > 1) items += ',';
    items += "{\"text\":" + Json(text) + ",\"separator\":" + Bool(state & MF_SEPARATOR) +
             ",\"checked\":" + Bool(state & MF_CHECKED) + ",\"grayed\":" + Bool(state & (MF_GRAYED | MF_DISABLED)) +
             ",\"popup\":" + Bool(popup) + "}";
  }
  return items + "]";
}

// What lnsprobehook.dll writes inside the window's own thread (Wine keeps
// menus per process, and fonts are the program's): a menu's items, or its
// texts measured. Empty when that did not answer.
std::string AskHook(HWND window, DWORD kind) {
  HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(lnsprobe::TShared),
                                      lnsprobe::SharedName);
  if (!mapping) return {};
  auto* shared = static_cast<lnsprobe::TShared*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  std::string result;
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dll(path);
  dll = dll.substr(0, dll.find_last_of(L"\\/") + 1) + L"lnsprobehook.dll";
  HMODULE module = LoadLibraryW(dll.c_str());
  FARPROC proc = module ? GetProcAddress(module, "LnsProbeGetMsgHook@12") : nullptr;
  if (module && !proc) proc = GetProcAddress(module, "LnsProbeGetMsgHook");
  if (shared && proc) {
    shared->Window = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(window));
    shared->Kind = kind;
    shared->Text[0] = 0;
    shared->State = lnsprobe::Requested;
    HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(proc)), module,
                                   GetWindowThreadProcessId(window, nullptr));
    for (int i = 0; hook && i < 60 && shared->State != lnsprobe::Done; ++i) {
      PostMessageW(window, WM_NULL, 0, 0);
      Sleep(50);
    }
    if (shared->State == lnsprobe::Done) result = Utf8(shared->Text);
    if (hook) UnhookWindowsHookEx(hook);
  }
  if (module) FreeLibrary(module);
  if (shared) UnmapViewOfFile(shared);
  CloseHandle(mapping);
  return result;
}

// The popup menus that are open: the "#32768" windows and their items.
int Menus() {
  for (HWND h : TopLevelWindows()) {
    if (ClassText(h) != L"#32768" || !IsWindowVisible(h)) continue;
    DWORD_PTR menu = 0;
    SendMessageTimeoutW(h, 0x01E1 /* MN_GETHMENU */, 0, 0, SMTO_NORMAL, 5000, &menu);
    HMENU m = reinterpret_cast<HMENU>(menu);
    std::string items = m && GetMenuItemCount(m) > 0 ? MenuItemsDirect(m) : AskHook(h, lnsprobe::ReadMenuItems);
    if (items.empty()) items = "[]";
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    Emit("{\"hwnd\":" + HwndText(h) + ",\"pid\":" + std::to_string(pid) + ",\"items\":" + items + "}");
  }
  return 0;
}

// measure HWND: each text of a dialog (its visible children's captions) or
// of an open menu (a "#32768" window's items) measured inside its program
// with the font it is drawn in: `cx`, `cy` of the text as drawn (an access
// key's "&" takes no room; a menu item's shortcut is added), `room` the
// window's client width, `font` and `font_height`.
int Measure(HWND h) {
  if (!IsWindow(h)) {
    std::fputs("lnsprobe: no such window\n", stderr);
    return 1;
  }
  const std::string texts = AskHook(h, lnsprobe::MeasureTexts);
  if (texts.empty()) return 1;
  Emit("{\"hwnd\":" + HwndText(h) + ",\"texts\":" + texts + "}");
  return 0;
}

// focus HWND: the window that has the keyboard focus in the thread of HWND,
// with its class, text and rectangle.
int Focus(HWND h) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(h, nullptr), &info) || !info.hwndFocus) {
    Emit("{\"focus\":" + HwndText(nullptr) + "}");
    return 1;
  }
  RECT r = {};
  GetWindowRect(info.hwndFocus, &r);
  Emit("{\"focus\":" + HwndText(info.hwndFocus) + ",\"class\":" + Json(ClassText(info.hwndFocus)) +
       ",\"title\":" + Json(WindowText(info.hwndFocus)) + ",\"rect\":" + RectText(r) + "}");
  return 0;
}

// Chooses an item of the open menu with the keyboard, as a user would: Down
// `downs` times (separators are skipped), then Enter. The menu takes the item
// on Enter's key-down and may be gone before its key-up can be posted, so
// that key-up is sent as a user's would be but its failure is no failure of
// the pick. "ok" is false only when a key before it did not reach the menu:
// then nothing was chosen.
int Pick(long long downs) {
  for (HWND h : TopLevelWindows()) {
    if (ClassText(h) != L"#32768" || !IsWindowVisible(h)) continue;
    bool ok = true;
    for (long long i = 0; i < downs && ok; ++i) {
      ok = PostMessageW(h, WM_KEYDOWN, VK_DOWN, 1) && PostMessageW(h, WM_KEYUP, VK_DOWN, 0xC0000001);
      Sleep(60);
    }
    ok = ok && PostMessageW(h, WM_KEYDOWN, VK_RETURN, 1);
    if (ok) PostMessageW(h, WM_KEYUP, VK_RETURN, 0xC0000001);
    Emit("{\"hwnd\":" + HwndText(h) + ",\"downs\":" + std::to_string(downs) + ",\"ok\":" + Bool(ok) + "}");
    return ok ? 0 : 1;
  }
  Emit("{\"downs\":" + std::to_string(downs) + ",\"found\":false}");
  return 1;
}

// The global string atoms whose names are all digits (the hot-key ids).
int Atoms() {
  for (unsigned a = 0xC000; a <= 0xFFFF; ++a) {
    wchar_t name[256] = {};
    const UINT n = GlobalGetAtomNameW(static_cast<ATOM>(a), name, 256);
    if (n == 0) continue;
    bool digits = true;
    for (UINT i = 0; i < n; ++i) digits = digits && name[i] >= L'0' && name[i] <= L'9';
    if (digits) Emit("{\"atom\":" + std::to_string(a) + ",\"name\":" + Json(std::wstring(name, n)) + "}");
  }
  return 0;
}

// --- storm: messages from a stranger ------------------------------------------
// Sends a loupe what another program could: every instance code with all
// kinds of WParam, the registered UM_MAGNOTIFY, WM_HOTKEY and tray callbacks
// with ids that are not its own. Left out, because each is the user's own
// gesture and opens or toggles something: WM_HOTKEY with the copies' atom
// ids (0xC000-0xFFFF), and tray callbacks with the icon's own id.

constexpr UINT StormLoupeNotify = 0x839C;
constexpr UINT StormTimeoutMs = 500;

struct TStormCount {
  const char* Kind;
  long long Sent = 0, Answered = 0, TimedOut = 0, Failed = 0;
};

void StormSend(TStormCount& count, HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  SetLastError(0);
  const LRESULT ok = SendMessageTimeoutW(h, msg, wp, lp, SMTO_NORMAL | SMTO_ABORTIFHUNG, StormTimeoutMs, &result);
  const DWORD error = ok ? 0 : GetLastError();
  ++count.Sent;
  if (ok)
    ++count.Answered;
  else if (error == ERROR_TIMEOUT || error == 0)
    ++count.TimedOut;
  else
    ++count.Failed;
}

HWND StormWindow(const wchar_t* title) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"LnsProbeStorm";
  RegisterClassW(&wc);
  return CreateWindowExW(0, L"LnsProbeStorm", title, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                         nullptr);
}

std::string HwndList(const std::vector<HWND>& list) {
  std::string out = "[";
  for (HWND h : list) {
    if (out.size() > 1) out += ',';
    out += HwndText(h);
  }
  return out + "]";
}

int Storm(HWND target, unsigned seed, long long count, bool withTray) {
  if (!IsWindow(target)) {
    std::fputs("lnsprobe: no such window\n", stderr);
    return 1;
  }
  std::mt19937 random(seed);
  DWORD targetPid = 0;
  GetWindowThreadProcessId(target, &targetPid);
  const std::wstring caption = WindowText(target);
  // Ours: a plain window and a decoy that carries the loupe's caption.
  HWND plain = StormWindow(L"lnsprobe storm");
  HWND decoy = StormWindow(caption.c_str());
  HWND tray = nullptr, foreign = nullptr;
  std::vector<HWND> peers;
  for (HWND h : TopLevelWindows()) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == GetCurrentProcessId()) continue;
    if (pid == targetPid && ClassText(h) == L"TRsTrayIconWindow") tray = h;
    if (pid != targetPid && h != target && WindowText(h) == caption && !GetWindow(h, GW_OWNER)) peers.push_back(h);
    if (pid != targetPid && !foreign && WindowText(h) != caption && IsWindowVisible(h)) foreign = h;
  }
  std::vector<HWND> windows{target, GetDesktopWindow(), plain, decoy};
  if (foreign) windows.push_back(foreign);
  if (tray) windows.push_back(tray);
  for (HWND h : peers) windows.push_back(h);
  for (HWND h : Descendants(target)) windows.push_back(h);
  std::vector<WPARAM> params;
  for (HWND h : windows) params.push_back(reinterpret_cast<WPARAM>(h));
  for (WPARAM v : {WPARAM(0), WPARAM(1), WPARAM(0xFFFFFFFFu)}) params.push_back(v);
  for (long long i = 0; i < count; ++i) params.push_back(static_cast<WPARAM>(random()));
  const auto any = [&] { return params[random() % params.size()]; };
  Emit("{\"target\":" + HwndText(target) + ",\"seed\":" + std::to_string(seed) + ",\"decoy\":" + HwndText(decoy) +
       ",\"plain\":" + HwndText(plain) + ",\"tray\":" + HwndText(tray) + ",\"peers\":" + HwndList(peers) +
       ",\"named\":" + HwndList(windows) + "}");

  TStormCount notify{"UM_LOUPENOTIFY"}, magNotify{"UM_MAGNOTIFY"}, hotKey{"WM_HOTKEY"}, trayCount{"tray"};
  for (LPARAM code = 0; code <= 15; ++code) {
    for (WPARAM wp : params) StormSend(notify, target, StormLoupeNotify, wp, code);
  }
  const UINT um = RegisterWindowMessageW(L"UM_MAGNOTIFY");
  for (long long i = 0; i < 16 + count; ++i) {
    const LPARAM code = i < 16 ? static_cast<LPARAM>(i) : static_cast<LPARAM>(random());
    StormSend(magNotify, target, um, any(), code);
  }
  for (long long i = 0; i < 16 + count; ++i) {
    UINT id = static_cast<UINT>(random() % 0x20000u);
    if (id >= 0xC000 && id <= 0xFFFF) id -= 0xC000;
    if (i < 2) id = static_cast<UINT>(-1 - i);  // the system's own snapshot ids
    StormSend(hotKey, target, WM_HOTKEY, id, static_cast<LPARAM>(random()));
  }
  if (tray && withTray) {
    // The callback number is the icon's secret (1023..32767): all of them,
    // each with a foreign id (the icon's is its window) and a mouse code.
    const UINT mouse[] = {0x200, 0x201, 0x202, 0x203, 0x204, 0x205, 0x206, 0x207, 0x208, 0x209, 0x403, 0x404, 0x405};
    const WPARAM own = reinterpret_cast<WPARAM>(tray);
    for (UINT msg = 1023; msg <= 32767; ++msg) {
      WPARAM wp = any();
      if (wp == own) wp = own + 1;
      StormSend(trayCount, tray, msg, wp, mouse[msg % (sizeof mouse / sizeof *mouse)]);
    }
  }
  DestroyWindow(decoy);
  DestroyWindow(plain);
  long long total = 0, answered = 0, timedOut = 0, failed = 0;
  for (const TStormCount* c : {&notify, &magNotify, &hotKey, &trayCount}) {
    Emit(std::string("{\"kind\":\"") + c->Kind + "\",\"sent\":" + std::to_string(c->Sent) +
         ",\"answered\":" + std::to_string(c->Answered) + ",\"timed_out\":" + std::to_string(c->TimedOut) +
         ",\"failed\":" + std::to_string(c->Failed) + "}");
    total += c->Sent;
    answered += c->Answered;
    timedOut += c->TimedOut;
    failed += c->Failed;
  }
  Emit("{\"kind\":\"total\",\"sent\":" + std::to_string(total) + ",\"answered\":" + std::to_string(answered) +
       ",\"timed_out\":" + std::to_string(timedOut) + ",\"failed\":" + std::to_string(failed) +
       ",\"alive\":" + Bool(IsWindow(target) != 0) + "}");
  return IsWindow(target) ? 0 : 1;
}

// lock PATH SECONDS: holds the file open with no sharing, as another
// program that has it open for itself does, then lets go.
int Lock(const std::wstring& path, long long seconds) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Emit("{\"locked\":false,\"path\":" + Json(path) + ",\"error\":" + std::to_string(GetLastError()) + "}");
    return 1;
  }
  Emit("{\"locked\":true,\"path\":" + Json(path) + "}");
  Sleep(static_cast<DWORD>(seconds * 1000));
  CloseHandle(file);
  Emit("{\"released\":true,\"path\":" + Json(path) + "}");
  return 0;
}

// The lines of a UTF-8 file in the order the user's locale sorts them with
// case ignored, as a program listing names for this user sorts them.
int Collate(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Emit("{\"found\":false,\"path\":" + Json(path) + "}");
    return 1;
  }
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  const BOOL ok = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  if (!ok) return 1;
  bytes.resize(read);
  std::wstring text(bytes.size(), L'\0');
  text.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                      text.data(), static_cast<int>(text.size()))));
  std::vector<std::wstring> lines;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find(L'\n', at);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(at, end - at);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
    at = end + 1;
  }
  std::stable_sort(lines.begin(), lines.end(), [](const std::wstring& a, const std::wstring& b) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                          static_cast<int>(b.size())) == CSTR_LESS_THAN;
  });
  for (const std::wstring& line : lines) Emit("{\"text\":" + Json(line) + "}");
  return 0;
}

BOOL CALLBACK EmitMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!GetMonitorInfoW(monitor, &info)) return TRUE;
  const auto rect = [](const RECT& r) {
    return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + "]";
  };
  Emit("{\"monitor\":" + rect(info.rcMonitor) + ",\"work\":" + rect(info.rcWork) +
       ",\"primary\":" + Bool(info.dwFlags & MONITORINFOF_PRIMARY) + "}");
  return TRUE;
}

// screen: the screen's DPI and the metrics the program's controls follow,
// then each monitor.
int Screen() {
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  Emit("{\"dpi\":" + std::to_string(dpi) + ",\"vscroll\":" + std::to_string(GetSystemMetrics(SM_CXVSCROLL)) +
       ",\"caption\":" + std::to_string(GetSystemMetrics(SM_CYCAPTION)) + "}");
  EnumDisplayMonitors(nullptr, nullptr, EmitMonitor, 0);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv);  // the C runtime calls it
int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Usage();
  // Pixels as they are on the screen at any scale, not the 96-DPI view the
  // system gives a program that says nothing.
  SetProcessDPIAware();
  std::wstring cmd = argv[1];
  if (cmd == L"list" && argc == 2) return List();
  if (cmd == L"dialogs" && argc == 2) return Dialogs();
  if (cmd == L"menus" && argc == 2) return Menus();
  if (cmd == L"atoms" && argc == 2) return Atoms();
  if (cmd == L"pick" && argc == 3) {
    long long downs;
    if (!ParseNumber(argv[2], downs)) return Usage();
    return Pick(downs);
  }
  if (cmd == L"children" && argc == 3) {
    HWND h;
    if (!ParseHwnd(argv[2], h)) return Usage();
    return Children(h);
  }
  if ((cmd == L"send" || cmd == L"post") && argc == 6) {
    HWND h;
    long long msg, wp, lp;
    if (!ParseHwnd(argv[2], h) || !ParseNumber(argv[3], msg) || !ParseNumber(argv[4], wp) || !ParseNumber(argv[5], lp))
      return Usage();
    return cmd == L"send" ? Send(h, msg, wp, lp) : Post(h, msg, wp, lp);
  }
  if (cmd == L"answer" && (argc == 3 || argc == 4)) {
    long long id = IDOK;
    if (argc == 4 && !ParseNumber(argv[3], id)) return Usage();
    return Answer(argv[2], id);
  }
  if (cmd == L"storm" && (argc == 5 || (argc == 6 && std::wstring(argv[5]) == L"notray"))) {
    HWND h;
    long long seed, count;
    if (!ParseHwnd(argv[2], h) || !ParseNumber(argv[3], seed) || !ParseNumber(argv[4], count) || count < 0)
      return Usage();
    return Storm(h, static_cast<unsigned>(seed), count, argc == 5);
  }
  if (cmd == L"lock" && argc == 4) {
    long long seconds;
    if (!ParseNumber(argv[3], seconds) || seconds < 0) return Usage();
    return Lock(argv[2], seconds);
  }
  if (cmd == L"collate" && argc == 3) return Collate(argv[2]);
  if (cmd == L"screen" && argc == 2) return Screen();
  if ((cmd == L"measure" || cmd == L"focus") && argc == 3) {
    HWND h;
    if (!ParseHwnd(argv[2], h)) return Usage();
    return cmd == L"measure" ? Measure(h) : Focus(h);
  }
  return Usage();
}

// A stand-in magnification.dll for running Lensoro under Wine, which has none.
// It exports the Magnification API calls Lensoro uses and a "Magnifier" window
// class that really draws: it captures the source rectangle from the screen,
// scales it by the window transform and applies the 5 x 5 colour matrix.
//
// It refuses what Windows refuses (a scale below 1, the include filter mode,
// a host that is not layered, a window that is not one of its magnifiers),
// with the error codes of the simulated desktop. Two things it does that
// Windows does not promise, only so that Wine shows a picture: it repaints
// itself on a timer, and it lets the mouse through (HTTRANSPARENT).
//
// The filter list is recorded but NOT applied: X11 gives no capture of the
// screen without chosen windows, so an excluded window still shows.
#include "Magnification.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

const wchar_t kClassName[] = L"Magnifier";
// Beyond what Windows promises: its magnifier draws when the source is set
// (and through DWM); this one also repaints itself so that the picture under
// Wine stays live between the program's own updates.
const UINT_PTR kRepaintTimer = 1;
const UINT kRepaintMs = 40;  // 25 frames a second, a little above the loupe's own 20 ticks

// A 32-bit top-down DIB section with its memory DC; copying is deleted so a
// bitmap is never freed twice.
class TDib {
public:
  TDib() = default;
  TDib(const TDib&) = delete;
  TDib& operator=(const TDib&) = delete;
  ~TDib() { Free(); }

  bool Ensure(int width, int height) {
    if (FBitmap && width == FWidth && height == FHeight) return true;
    Free();
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    FDC = CreateCompatibleDC(nullptr);
    if (!FDC) return false;
    FBitmap = CreateDIBSection(FDC, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&FBits), nullptr, 0);
    if (!FBitmap) {
      Free();
      return false;
    }
    FOldBitmap = SelectObject(FDC, FBitmap);
    FWidth = width;
    FHeight = height;
    return true;
  }

  HDC DC() const { return FDC; }
  DWORD* Bits() const { return FBits; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }

private:
  void Free() {
    if (FDC && FOldBitmap) SelectObject(FDC, FOldBitmap);
    if (FBitmap) DeleteObject(FBitmap);
    if (FDC) DeleteDC(FDC);
    FDC = nullptr;
    FBitmap = nullptr;
    FOldBitmap = nullptr;
    FBits = nullptr;
    FWidth = FHeight = 0;
  }

  HDC FDC = nullptr;
  HBITMAP FBitmap = nullptr;
  HGDIOBJ FOldBitmap = nullptr;
  DWORD* FBits = nullptr;
  int FWidth = 0;
  int FHeight = 0;
};

struct TMagWindow {
  MAGTRANSFORM Transform;
  MAGCOLOREFFECT ColorEffect;
  RECT Source = {0, 0, 0, 0};
  bool HasSource = false;
  bool Redraw = true;
  DWORD FilterMode = MW_FILTERMODE_EXCLUDE;
  std::vector<HWND> FilterList;
  TDib Captured;  // the source rectangle, colour-transformed
  TDib Frame;     // the client area, scaled
};

struct TGlobals {
  HINSTANCE Instance = nullptr;
  CRITICAL_SECTION Lock;
  int InitCount = 0;
  bool ClassRegistered = false;
  std::map<HWND, TMagWindow*> Windows;  // the magnifier windows of this process
  bool LogChecked = false;
  std::wstring LogPath;
};

TGlobals* G = nullptr;

class TLock {
public:
  TLock() { EnterCriticalSection(&G->Lock); }
  ~TLock() { LeaveCriticalSection(&G->Lock); }
  TLock(const TLock&) = delete;
  TLock& operator=(const TLock&) = delete;
};

void SetIdentity(MAGTRANSFORM& t) {
  std::memset(&t, 0, sizeof(t));
  for (int i = 0; i < 3; ++i) t.v[i][i] = 1.0f;
}

void SetIdentity(MAGCOLOREFFECT& e) {
  std::memset(&e, 0, sizeof(e));
  for (int i = 0; i < 5; ++i) e.transform[i][i] = 1.0f;
}

bool IsIdentity(const MAGCOLOREFFECT& e) {
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 5; ++j)
      if (e.transform[i][j] != (i == j ? 1.0f : 0.0f)) return false;
  return true;
}

// The log file named by LENSORO_MAGSTUB_LOG; a Unix path is taken as one on
// drive Z:, where Wine puts the Unix root.
const std::wstring& LogPath() {
  if (!G->LogChecked) {
    G->LogChecked = true;
    wchar_t buf[MAX_PATH * 2];
    DWORD n = GetEnvironmentVariableW(L"LENSORO_MAGSTUB_LOG", buf, MAX_PATH * 2);
    if (n > 0 && n < MAX_PATH * 2) {
      std::wstring path(buf, n);
      if (path[0] == L'/') {
        for (auto& c : path)
          if (c == L'/') c = L'\\';
        path = L"Z:" + path;
      }
      G->LogPath = path;
    }
  }
  return G->LogPath;
}

// Appends one line; one WriteFile per line on an append-only handle, so lines
// of several processes sharing the file never interleave.
void Log(const char* fmt, ...) {
  const std::wstring& path = LogPath();
  if (path.empty()) return;
  DWORD savedError = GetLastError();  // the caller's result must survive the file calls
  char line[2048];
  int head = std::snprintf(line, sizeof(line), "pid=%lu ", GetCurrentProcessId());
  va_list args;
  va_start(args, fmt);
  int body = std::vsnprintf(line + head, sizeof(line) - head - 2, fmt, args);
  va_end(args);
  if (body < 0) {
    SetLastError(savedError);
    return;
  }
  int len = head + body;
  if (len > static_cast<int>(sizeof(line)) - 2) len = sizeof(line) - 2;
  line[len++] = '\n';
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(len), &written, nullptr);
    CloseHandle(file);
  }
  SetLastError(savedError);
}

unsigned HandleValue(HWND hwnd) { return static_cast<unsigned>(reinterpret_cast<UINT_PTR>(hwnd)); }

std::string MatrixText(const float* m, int n) {
  std::string s = "[";
  char num[32];
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      std::snprintf(num, sizeof(num), "%g", static_cast<double>(m[i * n + j]));
      s += num;
      if (j + 1 < n) s += ",";
    }
    if (i + 1 < n) s += ";";
  }
  return s + "]";
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// Looks a handle up among this process's magnifier windows, with the
// simulated desktop's errors: ERROR_INVALID_WINDOW_HANDLE for a handle that
// is no window, ERROR_INVALID_PARAMETER for a window that is not one of our
// magnifiers or a call outside MagInitialize.
TMagWindow* Find(HWND hwnd) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  auto it = G->Windows.find(hwnd);
  if (G->InitCount <= 0 || it == G->Windows.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return it->second;
}

// The magnifier draws only inside a layered window: the host's top-level
// window (or the magnifier itself, made top-level) must carry WS_EX_LAYERED.
bool LayeredHost(const CREATESTRUCTW& cs) {
  if (!cs.hwndParent || !(cs.style & WS_CHILD)) return (cs.dwExStyle & WS_EX_LAYERED) != 0;
  HWND root = GetAncestor(cs.hwndParent, GA_ROOT);
  return root && (GetWindowLongW(root, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
}

const char* ResultText(BOOL ok, char* buf, size_t size) {
  if (ok)
    std::snprintf(buf, size, "1");
  else
    std::snprintf(buf, size, "0 error=%lu", GetLastError());
  return buf;
}

// 16.16 fixed-point tables, one per input and output channel, so that a pixel
// costs a few additions however the matrix looks.
struct TColorTables {
  int Table[3][4][256];  // [input r,g,b][output r,g,b,a][value]
  int Constant[4];       // alpha (input 1.0) and the offset row
};

void BuildTables(const MAGCOLOREFFECT& e, TColorTables& t) {
  for (int in = 0; in < 3; ++in)
    for (int out = 0; out < 4; ++out)
      for (int v = 0; v < 256; ++v)
        t.Table[in][out][v] = static_cast<int>(std::lround(e.transform[in][out] * v * 65536.0));
  for (int out = 0; out < 4; ++out)
    t.Constant[out] = static_cast<int>(std::lround((e.transform[3][out] + e.transform[4][out]) * 255.0 * 65536.0));
}

inline DWORD ClampChannel(int fixed) {
  int v = (fixed + 32768) >> 16;
  return v < 0 ? 0 : v > 255 ? 255 : static_cast<DWORD>(v);
}

void ApplyColorEffect(const MAGCOLOREFFECT& effect, DWORD* bits, int count) {
  // Screen pixels are opaque: alpha enters the matrix as 1.0.
  if (IsIdentity(effect)) {
    for (int i = 0; i < count; ++i) bits[i] |= 0xFF000000u;
    return;
  }
  static TColorTables tables;  // GUI thread only, under G->Lock
  BuildTables(effect, tables);
  for (int i = 0; i < count; ++i) {
    DWORD p = bits[i];
    int b = p & 0xFF, g = (p >> 8) & 0xFF, r = (p >> 16) & 0xFF;
    DWORD out[4];
    for (int c = 0; c < 4; ++c)
      out[c] = ClampChannel(tables.Table[0][c][r] + tables.Table[1][c][g] + tables.Table[2][c][b] + tables.Constant[c]);
    bits[i] = (out[3] << 24) | (out[0] << 16) | (out[1] << 8) | out[2];
  }
}

// Captures, transforms and scales the source into the window's frame buffer
// and paints it; called from WM_PAINT with the lock held.
void Render(HWND hwnd, TMagWindow& w, HDC target) {
  RECT client;
  GetClientRect(hwnd, &client);
  int cw = client.right, ch = client.bottom;
  if (cw <= 0 || ch <= 0 || !w.Frame.Ensure(cw, ch)) return;
  DWORD* dst = w.Frame.Bits();
  std::memset(dst, 0, sizeof(DWORD) * cw * ch);

  int sw = w.Source.right - w.Source.left, sh = w.Source.bottom - w.Source.top;
  float sx = w.Transform.v[0][0], sy = w.Transform.v[1][1];
  if (w.HasSource && sw > 0 && sh > 0 && sx > 0 && sy > 0 && w.Captured.Ensure(sw, sh)) {
    HDC screen = GetDC(nullptr);
    BitBlt(w.Captured.DC(), 0, 0, sw, sh, screen, w.Source.left, w.Source.top, SRCCOPY | CAPTUREBLT);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    ApplyColorEffect(w.ColorEffect, w.Captured.Bits(), sw * sh);

    // Nearest neighbour: destination pixel x shows source column floor(x / scale);
    // what lies beyond the source stays black.
    std::vector<int> column(cw);
    for (int x = 0; x < cw; ++x) {
      int c = static_cast<int>(std::floor(x / sx));
      column[x] = c < sw ? c : -1;
    }
    const DWORD* src = w.Captured.Bits();
    for (int y = 0; y < ch; ++y) {
      int row = static_cast<int>(std::floor(y / sy));
      if (row >= sh) break;
      const DWORD* srow = src + row * sw;
      DWORD* drow = dst + y * cw;
      for (int x = 0; x < cw; ++x)
        if (column[x] >= 0) drow[x] = srow[column[x]];
    }
  }
  GdiFlush();
  BitBlt(target, 0, 0, cw, ch, w.Frame.DC(), 0, 0, SRCCOPY);
}

LRESULT CALLBACK MagWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCCREATE: {
      if (!LayeredHost(*reinterpret_cast<const CREATESTRUCTW*>(lParam))) {
        Log("CreateWindow Magnifier -> 0 error=%lu (the host is not layered)",
            static_cast<unsigned long>(ERROR_INVALID_PARAMETER));
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
      }
      auto* w = new TMagWindow;
      SetIdentity(w->Transform);
      SetIdentity(w->ColorEffect);
      TLock lock;
      G->Windows[hwnd] = w;
      break;
    }
    case WM_CREATE:
      SetTimer(hwnd, kRepaintTimer, kRepaintMs, nullptr);
      return 0;
    case WM_NCHITTEST:
      // Beyond what Windows promises: the image is only a picture, and the
      // mouse belongs to the window that hosts it (dragging, double-clicks,
      // the context menu). Windows' magnifier leaves hit testing to the host.
      return HTTRANSPARENT;
    case WM_TIMER:
      if (wParam == kRepaintTimer) {
        bool redraw;
        {
          TLock lock;
          auto it = G->Windows.find(hwnd);
          redraw = it != G->Windows.end() && it->second->Redraw;
        }
        if (redraw) InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
      }
      break;
    case WM_SETREDRAW: {
      // Handled here and not by DefWindowProc, which would clear WS_VISIBLE.
      TLock lock;
      auto it = G->Windows.find(hwnd);
      if (it != G->Windows.end()) it->second->Redraw = wParam != 0;
      if (wParam) InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // every pixel is painted by WM_PAINT
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      {
        TLock lock;
        auto it = G->Windows.find(hwnd);
        if (it != G->Windows.end() && it->second->Redraw) Render(hwnd, *it->second, dc);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_DESTROY:
      KillTimer(hwnd, kRepaintTimer);
      break;
    case WM_NCDESTROY: {
      TLock lock;
      auto it = G->Windows.find(hwnd);
      if (it != G->Windows.end()) {
        delete it->second;
        G->Windows.erase(it);
      }
      break;
    }
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID);  // the loader calls it
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    G = new TGlobals;
    G->Instance = instance;
    InitializeCriticalSection(&G->Lock);
  }
  // No clean-up at detach: windows of this class may outlive a late detach.
  return TRUE;
}

BOOL WINAPI MagInitialize(void) {
  TLock lock;
  BOOL ok = TRUE;
  if (!G->ClassRegistered) {
    // CS_GLOBALCLASS with the DLL's own instance, so the exe can create the
    // class with its own module handle (otherwise error 1411).
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MagWndProc;
    wc.hInstance = G->Instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    if (RegisterClassExW(&wc))
      G->ClassRegistered = true;
    else
      ok = FALSE;
  }
  if (ok) ++G->InitCount;
  char r[32];
  Log("MagInitialize -> %s", ResultText(ok, r, sizeof(r)));
  return ok;
}

BOOL WINAPI MagUninitialize(void) {
  TLock lock;
  BOOL ok = TRUE;
  if (G->InitCount <= 0) {
    ok = Fail(ERROR_INVALID_PARAMETER);
  } else if (--G->InitCount == 0 && G->ClassRegistered && G->Windows.empty()) {
    // With a magnifier window still alive the class stays; MagInitialize then reuses it.
    if (UnregisterClassW(kClassName, G->Instance)) G->ClassRegistered = false;
  }
  char r[32];
  Log("MagUninitialize -> %s", ResultText(ok, r, sizeof(r)));
  return ok;
}

BOOL WINAPI MagSetWindowTransform(HWND hwnd, PMAGTRANSFORM pTransform) {
  TLock lock;
  BOOL ok = FALSE;
  TMagWindow* w = Find(hwnd);
  if (w && !pTransform) {
    Fail(ERROR_INVALID_PARAMETER);
  } else if (w) {
    // A magnification factor below 1.0 is not valid.
    float sx = pTransform->v[0][0], sy = pTransform->v[1][1];
    if (!(sx >= 1.0f) || !(sy >= 1.0f) || !std::isfinite(sx) || !std::isfinite(sy)) {
      Fail(ERROR_INVALID_PARAMETER);
    } else {
      w->Transform = *pTransform;
      ok = TRUE;
    }
  }
  char r[32];
  Log("MagSetWindowTransform hwnd=0x%08X m=%s -> %s", HandleValue(hwnd),
      pTransform ? MatrixText(&pTransform->v[0][0], 3).c_str() : "null", ResultText(ok, r, sizeof(r)));
  if (ok) InvalidateRect(hwnd, nullptr, FALSE);
  return ok;
}

BOOL WINAPI MagGetWindowTransform(HWND hwnd, PMAGTRANSFORM pTransform) {
  TLock lock;
  BOOL ok = FALSE;
  TMagWindow* w = Find(hwnd);
  if (w && !pTransform)
    Fail(ERROR_INVALID_PARAMETER);
  else if (w) {
    *pTransform = w->Transform;
    ok = TRUE;
  }
  char r[32];
  Log("MagGetWindowTransform hwnd=0x%08X -> %s", HandleValue(hwnd), ResultText(ok, r, sizeof(r)));
  return ok;
}

BOOL WINAPI MagSetColorEffect(HWND hwnd, PMAGCOLOREFFECT pEffect) {
  TLock lock;
  BOOL ok = FALSE;
  TMagWindow* w = Find(hwnd);
  if (w && !pEffect) {
    SetIdentity(w->ColorEffect);  // NULL removes the effect
    ok = TRUE;
  } else if (w) {
    w->ColorEffect = *pEffect;
    ok = TRUE;
  }
  char r[32];
  Log("MagSetColorEffect hwnd=0x%08X m=%s -> %s", HandleValue(hwnd),
      pEffect ? MatrixText(&pEffect->transform[0][0], 5).c_str() : "null", ResultText(ok, r, sizeof(r)));
  if (ok) InvalidateRect(hwnd, nullptr, FALSE);
  return ok;
}

BOOL WINAPI MagGetColorEffect(HWND hwnd, PMAGCOLOREFFECT pEffect) {
  TLock lock;
  BOOL ok = FALSE;
  TMagWindow* w = Find(hwnd);
  if (w && !pEffect)
    Fail(ERROR_INVALID_PARAMETER);
  else if (w) {
    *pEffect = w->ColorEffect;
    ok = TRUE;
  }
  char r[32];
  Log("MagGetColorEffect hwnd=0x%08X -> %s", HandleValue(hwnd), ResultText(ok, r, sizeof(r)));
  return ok;
}

BOOL WINAPI MagSetWindowSource(HWND hwnd, RECT rect) {
  TLock lock;
  BOOL ok = FALSE;
  TMagWindow* w = Find(hwnd);
  if (w && (rect.right < rect.left || rect.bottom < rect.top)) {
    Fail(ERROR_INVALID_PARAMETER);
  } else if (w) {
    w->Source = rect;
    w->HasSource = true;
    ok = TRUE;
  }
  char r[32];
  Log("MagSetWindowSource hwnd=0x%08X rect=(%ld,%ld,%ld,%ld) -> %s", HandleValue(hwnd), rect.left, rect.top,
      rect.right, rect.bottom, ResultText(ok, r, sizeof(r)));
  if (ok && w->Redraw) InvalidateRect(hwnd, nullptr, FALSE);
  return ok;
}

BOOL WINAPI MagGetWindowSource(HWND hwnd, RECT* pRect) {
  TLock lock;
  BOOL ok = FALSE;
  TMagWindow* w = Find(hwnd);
  if (w && !pRect)
    Fail(ERROR_INVALID_PARAMETER);
  else if (w) {
    *pRect = w->Source;
    ok = TRUE;
  }
  char r[32];
  Log("MagGetWindowSource hwnd=0x%08X -> %s", HandleValue(hwnd), ResultText(ok, r, sizeof(r)));
  return ok;
}

BOOL WINAPI MagSetWindowFilterList(HWND hwnd, DWORD dwFilterMode, int count, HWND* pHWND) {
  TLock lock;
  BOOL ok = FALSE;
  TMagWindow* w = Find(hwnd);
  // Windows 7 and later refuse MW_FILTERMODE_INCLUDE.
  if (w && (dwFilterMode != MW_FILTERMODE_EXCLUDE || count < 0 || (count > 0 && !pHWND))) {
    Fail(ERROR_INVALID_PARAMETER);
  } else if (w) {
    w->FilterMode = dwFilterMode;
    w->FilterList.assign(pHWND, pHWND + count);
    ok = TRUE;
  }
  std::string list = "[";
  if (pHWND && count > 0) {
    char num[16];
    for (int i = 0; i < count && i < 64; ++i) {
      std::snprintf(num, sizeof(num), "%s0x%08X", i ? "," : "", HandleValue(pHWND[i]));
      list += num;
    }
    if (count > 64) list += ",...";
  }
  list += "]";
  char r[32];
  Log("MagSetWindowFilterList hwnd=0x%08X mode=%lu count=%d list=%s -> %s", HandleValue(hwnd), dwFilterMode, count,
      list.c_str(), ResultText(ok, r, sizeof(r)));
  return ok;
}

int WINAPI MagGetWindowFilterList(HWND hwnd, DWORD* pdwFilterMode, int count, HWND* pHWND) {
  TLock lock;
  int result = -1;
  TMagWindow* w = Find(hwnd);
  if (w && (count < 0 || (count > 0 && !pHWND))) {
    SetLastError(ERROR_INVALID_PARAMETER);
  } else if (w) {
    if (pdwFilterMode) *pdwFilterMode = w->FilterMode;
    int n = static_cast<int>(w->FilterList.size());
    for (int i = 0; i < count && i < n; ++i) pHWND[i] = w->FilterList[i];
    result = n;
  }
  Log("MagGetWindowFilterList hwnd=0x%08X count=%d -> %d", HandleValue(hwnd), count, result);
  return result;
}

// One process's calls on the simulated desktop's windows: finding, creating,
// moving, showing and destroying them, their texts, focus and colours.
#include <algorithm>

#include "SimDesktop.h"

namespace lensoro::sim {

namespace {

bool IsMagnifierClass(const std::u16string& name) { return FoldAscii(name) == u"MAGNIFIER"; }

bool IsSystemClass(const std::u16string& name) {
  const std::u16string f = FoldAscii(name);
  return f == u"STATIC" || f == u"BUTTON" || f == u"EDIT" || f == u"COMBOBOX" || f == u"LISTBOX" || f == u"#32770" ||
         f == u"TOOLTIPS_CLASS32";
}

// The classic defaults of Windows 7 to 11.
const DWORD SysColors[31] = {0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
                             0x000000, 0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xD77800, 0xFFFFFF, 0xF0F0F0,
                             0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
                             0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xFF9933, 0xF0F0F0};

}  // namespace

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
    case win::GW_HWNDFIRST:
      return list->front();
    case win::GW_HWNDLAST:
      return list->back();
    case win::GW_HWNDNEXT:
      return (it == list->end() || it + 1 == list->end()) ? 0 : *(it + 1);
    case win::GW_HWNDPREV:
      return (it == list->end() || it == list->begin()) ? 0 : *(it - 1);
    default:
      return static_cast<HWND>(Fail(win::ERROR_INVALID_PARAMETER));
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
  Log("CreateWindowExW", p.Parent, p.Style, p.ExStyle, p.X, p.Y,
      static_cast<std::int64_t>(p.Width) << 32 | static_cast<std::uint32_t>(p.Height));
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
  w.ThreadId = CurrentThreadId;
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
  TWindowPos pos{wnd,
                 insertAfter,
                 (flags & win::SWP_NOMOVE) ? old.Left - origin.X : x,
                 (flags & win::SWP_NOMOVE) ? old.Top - origin.Y : y,
                 (flags & win::SWP_NOSIZE) ? old.Width() : cx,
                 (flags & win::SWP_NOSIZE) ? old.Height() : cy,
                 flags};
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
      std::size_t at =
          static_cast<std::size_t>(std::find(siblings->begin(), siblings->end(), insertAfter) - siblings->begin()) + 1;
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

}  // namespace lensoro::sim

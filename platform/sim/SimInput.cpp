// The user's hands on the simulated desktop: the pointer, clicks, keys and
// typing, context menus, dragging a window or its edge, picking from a
// combo box. Each goes through the messages Windows sends for it.
#include <algorithm>

#include "SimDesktop.h"

namespace lensoro::sim {

HWND TSimDesktop::WindowFromPoint(TPoint pt) const {
  const auto inside = [&](const TSimWindow& w) {
    return w.Visible && pt.X >= w.Rect.Left && pt.X < w.Rect.Right && pt.Y >= w.Rect.Top && pt.Y < w.Rect.Bottom;
  };
  HWND found = 0;
  for (HWND h : FZOrder) {
    const TSimWindow* w = Window(h);
    if (w && inside(*w)) {
      found = h;
      break;
    }
  }
  for (bool deeper = found != 0; deeper;) {
    deeper = false;
    for (HWND c : Window(found)->Children) {
      const TSimWindow* w = Window(c);
      // A group box lets the pointer through to what lies beside it.
      if (w && inside(*w) &&
          !(SimControlKind(*w) == TSimControlKind::Button && SimButtonType(*w) == win::BS_GROUPBOX)) {
        found = c;
        deeper = true;
        break;
      }
    }
  }
  return found;
}

void TSimDesktop::MouseMove(TPoint screen) {
  Cursor = screen;
  const HWND target = FCapture ? FCapture : WindowFromPoint(screen);
  if (FTracking && FTracking != target) {
    const HWND left = FTracking;
    FTracking = 0;
    Send(left, win::WM_MOUSELEAVE, 0, 0);
  }
  FMouseWindow = target;
  TSimWindow* w = Window(target);
  if (!w) return;
  for (const TSimWindow* p = w; p; p = Window(p->Parent)) {
    if (p->Style & win::WS_DISABLED) return;
  }
  Send(target, win::WM_SETCURSOR, static_cast<WPARAM>(target), MakeLParam(win::HTCLIENT, win::WM_MOUSEMOVE));
  if ((w = Window(target)) == nullptr) return;
  const TPoint origin = ClientOrigin(*w);
  Send(target, win::WM_MOUSEMOVE, 0, MakeLParam(screen.X - origin.X, screen.Y - origin.Y));
}

bool TSimDesktop::Click(HWND wnd) {
  TSimWindow* w = Window(wnd);
  if (!w || !IsVisibleChain(*w)) return false;
  for (const TSimWindow* p = w; p; p = Window(p->Parent)) {
    if (p->Style & win::WS_DISABLED) return false;
  }
  TSimWindow* root = Root(w);
  if (root->Handle != FForeground) SetActive(root->Handle, true);
  if ((w = Window(wnd)) == nullptr) return false;
  const TPoint centre{w->Rect.Left + w->Rect.Width() / 2, w->Rect.Top + w->Rect.Height() / 2};
  MouseMove(centre);
  if ((w = Window(wnd)) == nullptr) return false;
  const TSimControlKind kind = SimControlKind(*w);
  const bool standard = kind != TSimControlKind::Other && !w->Handler;
  if (standard) {
    if (kind == TSimControlKind::Button && SimButtonType(*w) == win::BS_GROUPBOX) return true;
    if (kind == TSimControlKind::Static) {
      if (w->Style & win::SS_NOTIFY) Notify(*w, win::STN_CLICKED);
      return true;
    }
    MoveFocus(wnd);
    if (kind == TSimControlKind::Button && Window(wnd)) Send(wnd, win::BM_CLICK, 0, 0);
    return true;
  }
  const TPoint origin = ClientOrigin(*w);
  const LPARAM at = MakeLParam(centre.X - origin.X, centre.Y - origin.Y);
  Send(wnd, win::WM_LBUTTONDOWN, win::MK_LBUTTON, at);
  if (Window(wnd)) Send(wnd, win::WM_LBUTTONUP, 0, at);
  return true;
}

void TSimDesktop::KeyPress(HWND wnd, int virtualKey, unsigned modifiers) {
  const HWND target = wnd ? wnd : FFocus;
  if (!Window(target)) return;
  const bool alt = (modifiers & kmAlt) != 0;
  const UINT down = alt ? win::WM_SYSKEYDOWN : win::WM_KEYDOWN, up = alt ? win::WM_SYSKEYUP : win::WM_KEYUP;
  const int mods[3][2] = {{kmShift, win::VK_SHIFT}, {kmCtrl, win::VK_CONTROL}, {kmAlt, win::VK_MENU}};
  // The key's scan code, and Alt in bit 29 while it is held (the Alt key's
  // own release carries it no more).
  const auto data = [&](int vk, bool released, bool altHeld) {
    std::uint32_t d = static_cast<std::uint32_t>(KeyData(vk, released)) & ~(1u << 29);
    if (d == 0) d = released ? 0xC0000001u : 1u;
    if (altHeld) d |= 1u << 29;
    return static_cast<LPARAM>(static_cast<std::int32_t>(d));
  };
  for (const auto& m : mods) {
    if (modifiers & static_cast<unsigned>(m[0]))
      Post(target, m[1] == win::VK_MENU ? win::WM_SYSKEYDOWN : down, static_cast<WPARAM>(m[1]),
           data(m[1], false, alt && m[1] == win::VK_MENU));
  }
  Post(target, down, static_cast<WPARAM>(virtualKey), data(virtualKey, false, alt));
  Post(target, up, static_cast<WPARAM>(virtualKey), data(virtualKey, true, alt));
  for (const auto& m : mods) {
    if (modifiers & static_cast<unsigned>(m[0]))
      Post(target, m[1] == win::VK_MENU ? win::WM_KEYUP : up, static_cast<WPARAM>(m[1]),
           data(m[1], true, alt && m[1] != win::VK_MENU));
  }
}

void TSimDesktop::TypeText(HWND wnd, const std::u16string& text) {
  const HWND target = wnd ? wnd : FFocus;
  if (!Window(target)) return;
  for (char16_t ch : text) Post(target, win::WM_CHAR, ch, 1);
}

void TSimDesktop::ContextMenu(HWND wnd) {
  const TSimWindow* w = Window(wnd);
  if (!w) return;
  const TPoint centre{w->Rect.Left + w->Rect.Width() / 2, w->Rect.Top + w->Rect.Height() / 2};
  Send(wnd, win::WM_CONTEXTMENU, static_cast<WPARAM>(wnd), MakeLParam(centre.X, centre.Y));
}

void TSimDesktop::DragWindow(HWND wnd, TPoint to) {
  TSimWindow* w = Window(wnd);
  if (!w || w->Parent) return;
  TSimProcess* process = ProcessById(w->ProcessId);
  if (!process) return;
  Send(wnd, win::WM_ENTERSIZEMOVE, 0, 0);
  if (Window(wnd)) {
    process->SetWindowPos(wnd, 0, to.X, to.Y, 0, 0, win::SWP_NOSIZE | win::SWP_NOZORDER | win::SWP_NOACTIVATE);
  }
  if (Window(wnd)) Send(wnd, win::WM_EXITSIZEMOVE, 0, 0);
}

bool TSimDesktop::DragEdge(HWND wnd, int hitTest, int dx, int dy) {
  TSimWindow* w = Window(wnd);
  TSimProcess* owner = w ? ProcessById(w->ProcessId) : nullptr;
  if (!w || w->Parent || !owner || hitTest < win::HTLEFT || hitTest > win::HTBOTTOMRIGHT) return false;
  Send(wnd, win::WM_ENTERSIZEMOVE, 0, 0);
  TMinMaxInfo info;
  const bool caption = (w->Style & win::WS_CAPTION) == win::WS_CAPTION;
  info.MinTrackSize = caption ? TPoint{136, 39} : TPoint{0, 0};
  info.MaxTrackSize = {VirtualScreen.Width() + 2 * SimSizingFrame, VirtualScreen.Height() + 2 * SimSizingFrame};
  Send(wnd, win::WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  if ((w = Window(wnd)) == nullptr) return true;
  // The edges the code names, moved and then stopped at the track sizes;
  // the opposite edges stay.
  const int h = hitTest;
  const bool left = h == win::HTLEFT || h == win::HTTOPLEFT || h == win::HTBOTTOMLEFT;
  const bool right = h == win::HTRIGHT || h == win::HTTOPRIGHT || h == win::HTBOTTOMRIGHT;
  const bool top = h == win::HTTOP || h == win::HTTOPLEFT || h == win::HTTOPRIGHT;
  const bool bottom = h == win::HTBOTTOM || h == win::HTBOTTOMLEFT || h == win::HTBOTTOMRIGHT;
  TRect r = w->Rect;
  const auto held = [](int size, int min, int max) { return std::clamp(size, min, std::max(min, max)); };
  if (left) r.Left = r.Right - held(r.Width() - dx, info.MinTrackSize.X, info.MaxTrackSize.X);
  if (right) r.Right = r.Left + held(r.Width() + dx, info.MinTrackSize.X, info.MaxTrackSize.X);
  if (top) r.Top = r.Bottom - held(r.Height() - dy, info.MinTrackSize.Y, info.MaxTrackSize.Y);
  if (bottom) r.Bottom = r.Top + held(r.Height() + dy, info.MinTrackSize.Y, info.MaxTrackSize.Y);
  static constexpr WPARAM sides[] = {win::WMSZ_LEFT,     win::WMSZ_RIGHT,  win::WMSZ_TOP,        win::WMSZ_TOPLEFT,
                                     win::WMSZ_TOPRIGHT, win::WMSZ_BOTTOM, win::WMSZ_BOTTOMLEFT, win::WMSZ_BOTTOMRIGHT};
  Send(wnd, win::WM_SIZING, sides[h - win::HTLEFT], reinterpret_cast<LPARAM>(&r));
  if (Window(wnd))
    owner->SetWindowPos(wnd, 0, r.Left, r.Top, r.Width(), r.Height(), win::SWP_NOZORDER | win::SWP_NOACTIVATE);
  if (Window(wnd)) Send(wnd, win::WM_EXITSIZEMOVE, 0, 0);
  return true;
}

bool TSimDesktop::PickComboItem(HWND combo, int index) {
  TSimWindow* w = Window(combo);
  if (!w || SimControlKind(*w) != TSimControlKind::Combo || !Click(combo)) return false;
  if ((w = Window(combo)) == nullptr) return false;
  Send(combo, win::CB_SHOWDROPDOWN, 1, 0);
  if ((w = Window(combo)) == nullptr) return false;
  if (w->Style & win::CBS_OWNERDRAWFIXED) {
    const int n = static_cast<int>(w->Ctl.Items.size());
    for (int i = 0; i < n; ++i) {
      if ((w = Window(combo)) == nullptr) return false;
      const int h = w->Ctl.ItemHeight;
      const TRect item{0, i * h, w->Rect.Width() - 2, (i + 1) * h};
      DrawComboItem(*w, i, i == w->Ctl.CurSel ? win::ODS_SELECTED | win::ODS_FOCUS : 0, item);
    }
  }
  if ((w = Window(combo)) == nullptr) return false;
  const bool valid = index >= 0 && index < static_cast<int>(w->Ctl.Items.size());
  if (valid) {
    w->Ctl.CurSel = index;
    Notify(*w, win::CBN_SELCHANGE);
  }
  if (Window(combo)) Send(combo, win::CB_SHOWDROPDOWN, 0, 0);
  return valid;
}

}  // namespace lensoro::sim

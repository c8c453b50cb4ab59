// The simulated standard controls (BUTTON, EDIT, STATIC, COMBOBOX), keyboard
// focus, enabling, subclassing, the mouse capture and cursor and the colour
// dialog. The user's hands are in SimInput.cpp.
#include <algorithm>

#include "SimDesktop.h"

namespace lensoro::sim {

namespace {

// The token SetWindowProcW hands out for a window's own class procedure.
constexpr WNDPROC ClassProcToken = 1;
constexpr HCURSOR ArrowCursor = 0x00010003, HandCursor = 0x0001000B;

TLogFont SegoeUi9() {
  TLogFont f;
  f.Height = -12;
  f.Weight = win::FW_NORMAL;
  const char16_t face[] = u"Segoe UI";
  std::copy(std::begin(face), std::end(face), f.FaceName);
  return f;
}

}  // namespace

TSimControlKind SimControlKind(const TSimWindow& w) {
  const std::u16string f = FoldAscii(w.ClassName);
  if (f == u"BUTTON") return TSimControlKind::Button;
  if (f == u"EDIT") return TSimControlKind::Edit;
  if (f == u"STATIC") return TSimControlKind::Static;
  if (f == u"COMBOBOX") return TSimControlKind::Combo;
  return TSimControlKind::Other;
}

DWORD SimButtonType(const TSimWindow& w) { return w.Style & win::BS_TYPEMASK; }

TNonClientMetrics SimDefaultNonClientMetrics() {
  TNonClientMetrics m;
  m.CaptionFont = m.MenuFont = m.StatusFont = m.MessageFont = SegoeUi9();
  return m;
}

// --- The desktop's side ----------------------------------------------------------------

bool TSimDesktop::IsWindowEnabled(HWND wnd) const {
  const TSimWindow* w = Window(wnd);
  return w && !(w->Style & win::WS_DISABLED);
}

const TSimGdiObject* TSimDesktop::GdiObject(HGDIOBJ object) const {
  auto it = FGdiObjects.find(object);
  return it == FGdiObjects.end() ? nullptr : &it->second;
}

int TSimDesktop::GdiObjectCount(DWORD pid) const {
  int n = 0;
  for (const auto& [h, o] : FGdiObjects) n += o.Pid == pid ? 1 : 0;
  return n;
}

void TSimDesktop::Notify(const TSimWindow& w, UINT code) {
  if (!w.Parent) return;
  const WPARAM wParam = (static_cast<WPARAM>(code & 0xFFFF) << 16) | (w.Ctl.Id & 0xFFFF);
  Send(w.Parent, win::WM_COMMAND, wParam, static_cast<LPARAM>(w.Handle));
}

// The order of Win32: the old focus hears it lost the focus to the new one,
// then the new one hears it has it.
void TSimDesktop::MoveFocus(HWND wnd) {
  if (FFocus == wnd) return;
  const HWND old = FFocus;
  FFocus = wnd;
  if (old && Window(old)) Send(old, win::WM_KILLFOCUS, static_cast<WPARAM>(wnd), 0);
  if (wnd && FFocus == wnd && Window(wnd)) Send(wnd, win::WM_SETFOCUS, static_cast<WPARAM>(old), 0);
}

void TSimDesktop::FocusFollowsActivation(HWND active) {
  if (!FFocus) return;
  TSimWindow* root = Root(Window(FFocus));
  if (root && root->Handle == active) return;
  const HWND old = FFocus;
  FFocus = 0;
  Send(old, win::WM_KILLFOCUS, 0, 0);
}

void TSimDesktop::ForgetControls(HWND wnd) {
  if (FFocus == wnd) FFocus = 0;
  if (FCapture == wnd) FCapture = 0;
  if (FMouseWindow == wnd) FMouseWindow = 0;
  if (FTracking == wnd) FTracking = 0;
  for (auto it = FPaintDcs.begin(); it != FPaintDcs.end();) {
    if (it->Wnd == wnd) {
      FDcStates.erase(it->Dc);
      it = FPaintDcs.erase(it);
    } else {
      ++it;
    }
  }
}

// What DefWindowProcW does for the messages of this part.
LRESULT TSimDesktop::ControlDefProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TSimWindow* w = Window(wnd);
  if (!w) return 0;
  switch (msg) {
    case win::WM_ACTIVATE:
      // An activated window without a focus of its own takes it.
      if (LoWord(wParam) != win::WA_INACTIVE && FForeground == wnd) {
        const TSimWindow* f = Root(Window(FFocus));
        if (!f || f->Handle != wnd) MoveFocus(wnd);
      }
      return 0;
    case win::WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w->Title.size());
    case win::WM_GETTEXT: {
      auto* buffer = reinterpret_cast<char16_t*>(lParam);
      const int max = static_cast<int>(wParam);
      if (!buffer || max <= 0) return 0;
      const int n = std::min(static_cast<int>(w->Title.size()), max - 1);
      std::copy_n(w->Title.data(), n, buffer);
      buffer[n] = 0;
      return n;
    }
    case win::WM_SETFONT:
      w->Ctl.Font = static_cast<HGDIOBJ>(wParam);
      return 0;
    case win::WM_GETFONT:
      return static_cast<LRESULT>(w->Ctl.Font);
    case win::WM_CONTEXTMENU:
    case win::WM_MOUSEWHEEL:
      // A child passes them on to its parent.
      if (w->Parent && (w->Style & win::WS_CHILD)) return Send(w->Parent, msg, wParam, lParam);
      return 0;
    default:
      return 0;
  }
}

void TSimDesktop::DrawComboItem(TSimWindow& combo, int index, UINT state, const TRect& rect) {
  if (!combo.Parent) return;
  const HDC dc = NewDc(combo.Handle);
  TDrawItemStruct item;
  item.CtlType = win::ODT_COMBOBOX;
  item.CtlID = static_cast<UINT>(combo.Ctl.Id);
  item.ItemID = static_cast<UINT>(index);
  item.ItemAction = win::ODA_DRAWENTIRE;
  item.ItemState = state | ((combo.Style & win::WS_DISABLED) ? win::ODS_DISABLED : 0);
  item.Item = combo.Handle;
  item.Dc = dc;
  item.ItemRect = rect;
  Send(combo.Parent, win::WM_DRAWITEM, static_cast<WPARAM>(combo.Ctl.Id), reinterpret_cast<LPARAM>(&item));
  ReleaseDcOf(dc);
}

// The class procedures of the standard controls.
LRESULT TSimDesktop::ControlProc(TSimWindow& w, UINT msg, WPARAM wParam, LPARAM lParam) {
  const HWND wnd = w.Handle;
  const TSimControlKind kind = SimControlKind(w);
  TSimControl& c = w.Ctl;
  if (kind == TSimControlKind::Button) {
    const DWORD type = SimButtonType(w);
    const auto press = [&] {
      if (type == win::BS_AUTOCHECKBOX) c.Check = c.Check ? 0 : 1;
      if (type == win::BS_AUTORADIOBUTTON) {
        c.Check = 1;
        // The others of its group: the siblings from the last WS_GROUP one
        // before it up to the next WS_GROUP one.
        if (const TSimWindow* parent = Window(w.Parent)) {
          const std::vector<HWND> sibs = parent->Children;
          auto me = std::find(sibs.begin(), sibs.end(), wnd);
          auto first = me;
          while (first != sibs.begin() && !(Window(*first)->Style & win::WS_GROUP)) --first;
          for (auto it = first; it != sibs.end(); ++it) {
            TSimWindow* s = Window(*it);
            if (it != first && (s->Style & win::WS_GROUP)) break;
            if (s != &w && SimControlKind(*s) == TSimControlKind::Button &&
                SimButtonType(*s) == win::BS_AUTORADIOBUTTON)
              s->Ctl.Check = 0;
          }
        }
      }
      Notify(w, win::BN_CLICKED);
    };
    switch (msg) {
      case win::BM_GETCHECK:
        return c.Check;
      case win::BM_SETCHECK:
        c.Check = static_cast<int>(wParam);
        return 0;
      case win::BM_SETSTYLE:
        w.Style = (w.Style & ~0xFFFFu) | (static_cast<DWORD>(wParam) & 0xFFFFu);
        return 0;
      case win::BM_CLICK:
        if (!(w.Style & win::WS_DISABLED) && type != win::BS_GROUPBOX) press();
        return 0;
      case win::WM_KEYUP:
        if (static_cast<int>(wParam) == win::VK_SPACE && type != win::BS_GROUPBOX) press();
        return 0;
      case win::WM_GETDLGCODE:
        if (type == win::BS_GROUPBOX) return win::DLGC_STATIC;
        if (type == win::BS_AUTORADIOBUTTON || type == win::BS_RADIOBUTTON)
          return win::DLGC_BUTTON | win::DLGC_RADIOBUTTON;
        if (type == win::BS_DEFPUSHBUTTON) return win::DLGC_BUTTON | win::DLGC_DEFPUSHBUTTON;
        if (type == win::BS_PUSHBUTTON) return win::DLGC_BUTTON | win::DLGC_UNDEFPUSHBUTTON;
        return win::DLGC_BUTTON;
      default:
        break;
    }
  } else if (kind == TSimControlKind::Edit) {
    const bool multi = (w.Style & win::ES_MULTILINE) != 0;
    const bool readOnly = (w.Style & win::ES_READONLY) != 0;
    const int len = static_cast<int>(w.Title.size());
    c.SelStart = std::clamp(c.SelStart, 0, len);
    c.SelEnd = std::clamp(c.SelEnd, c.SelStart, len);
    const auto replace = [&](const std::u16string& text) {
      w.Title.replace(static_cast<std::size_t>(c.SelStart), static_cast<std::size_t>(c.SelEnd - c.SelStart), text);
      c.SelStart = c.SelEnd = c.SelStart + static_cast<int>(text.size());
      ++c.ChangeCount;
      Notify(w, win::EN_CHANGE);
    };
    switch (msg) {
      case win::WM_SETTEXT:
        w.Title = lParam ? std::u16string(reinterpret_cast<const char16_t*>(lParam)) : std::u16string();
        c.SelStart = c.SelEnd = 0;
        // Only a single-line edit reports a text set from outside.
        if (!multi) {
          ++c.ChangeCount;
          Notify(w, win::EN_CHANGE);
        }
        return 1;
      case win::WM_CHAR: {
        const char16_t ch = static_cast<char16_t>(wParam);
        if (readOnly) return 0;
        if (ch == u'\b') {
          if (c.SelStart == c.SelEnd && c.SelStart > 0) --c.SelStart;
          if (c.SelStart != c.SelEnd) replace(u"");
        } else if (ch == u'\r') {
          if (multi) replace(u"\r\n");
        } else if (ch >= 0x20 || (ch == u'\t' && multi)) {
          replace(std::u16string(1, ch));
        }
        return 0;
      }
      case win::WM_KEYDOWN:
        switch (static_cast<int>(wParam)) {
          case win::VK_LEFT: c.SelStart = c.SelEnd = std::max(0, c.SelStart - 1); break;
          case win::VK_RIGHT: c.SelStart = c.SelEnd = std::min(len, c.SelEnd + 1); break;
          case win::VK_HOME: c.SelStart = c.SelEnd = 0; break;
          case win::VK_END: c.SelStart = c.SelEnd = len; break;
          case win::VK_DELETE:
            if (readOnly) break;
            if (c.SelStart == c.SelEnd && c.SelEnd < len) ++c.SelEnd;
            if (c.SelStart != c.SelEnd) replace(u"");
            break;
          default: break;
        }
        return 0;
      case win::EM_SETSEL: {
        int start = static_cast<int>(static_cast<std::intptr_t>(wParam));
        int end = static_cast<int>(lParam);
        if (start == -1) {
          c.SelStart = c.SelEnd;  // no selection, the caret stays
          return 1;
        }
        if (end < 0 || end > len) end = len;
        start = std::clamp(start, 0, len);
        c.SelStart = std::min(start, end);
        c.SelEnd = std::max(start, end);
        return 1;
      }
      case win::EM_GETSEL:
        if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(c.SelStart);
        if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(c.SelEnd);
        return MakeLParam(c.SelStart, c.SelEnd);
      case win::EM_SETCUEBANNER:
        c.CueBanner = lParam ? std::u16string(reinterpret_cast<const char16_t*>(lParam)) : std::u16string();
        return 1;
      case win::EM_SETREADONLY:
        if (wParam) {
          w.Style |= win::ES_READONLY;
        } else {
          w.Style &= ~win::ES_READONLY;
        }
        return 1;
      case win::WM_GETDLGCODE:
        return win::DLGC_WANTCHARS | win::DLGC_HASSETSEL | win::DLGC_WANTARROWS | (multi ? win::DLGC_WANTALLKEYS : 0);
      case win::WM_CONTEXTMENU:
        ++c.ContextMenuCount;
        return 0;
      case win::WM_SETFOCUS:
        Notify(w, win::EN_SETFOCUS);
        return 0;
      case win::WM_KILLFOCUS:
        Notify(w, win::EN_KILLFOCUS);
        return 0;
      default:
        break;
    }
  } else if (kind == TSimControlKind::Combo) {
    const int count = static_cast<int>(c.Items.size());
    const bool ownerDraw = (w.Style & win::CBS_OWNERDRAWFIXED) != 0;
    switch (msg) {
      case win::WM_CREATE:
        if (ownerDraw && w.Parent) {
          // The parent is asked for the heights of the field and the items.
          for (int item : {-1, 0}) {
            TMeasureItemStruct m;
            m.CtlType = win::ODT_COMBOBOX;
            m.CtlID = static_cast<UINT>(c.Id);
            m.ItemID = static_cast<UINT>(item);
            m.ItemHeight = static_cast<UINT>(item < 0 ? c.FieldHeight : c.ItemHeight);
            Send(w.Parent, win::WM_MEASUREITEM, static_cast<WPARAM>(c.Id), reinterpret_cast<LPARAM>(&m));
            TSimWindow* again = Window(wnd);
            if (!again) return -1;
            (item < 0 ? again->Ctl.FieldHeight : again->Ctl.ItemHeight) = static_cast<int>(m.ItemHeight);
          }
        }
        return 0;
      case win::CB_ADDSTRING:
        c.Items.push_back(lParam ? std::u16string(reinterpret_cast<const char16_t*>(lParam)) : std::u16string());
        return count;
      case win::CB_RESETCONTENT:
        c.Items.clear();
        c.CurSel = -1;
        return 0;
      case win::CB_GETCOUNT:
        return count;
      case win::CB_GETCURSEL:
        return c.CurSel;
      case win::CB_SETCURSEL: {
        const int index = static_cast<int>(static_cast<std::intptr_t>(wParam));
        c.CurSel = (index >= 0 && index < count) ? index : -1;
        return c.CurSel == index ? index : win::CB_ERR;
      }
      case win::CB_GETLBTEXTLEN:
      case win::CB_GETLBTEXT: {
        const int index = static_cast<int>(static_cast<std::intptr_t>(wParam));
        if (index < 0 || index >= count) return win::CB_ERR;
        const std::u16string& t = c.Items[static_cast<std::size_t>(index)];
        if (msg == win::CB_GETLBTEXT && lParam) {
          auto* out = reinterpret_cast<char16_t*>(lParam);
          std::copy(t.begin(), t.end(), out);
          out[t.size()] = 0;
        }
        return static_cast<LRESULT>(t.size());
      }
      case win::CB_SETITEMHEIGHT:
        if (lParam <= 0 || lParam > 255) return win::CB_ERR;
        (static_cast<std::intptr_t>(wParam) == -1 ? c.FieldHeight : c.ItemHeight) = static_cast<int>(lParam);
        return 0;
      case win::CB_GETITEMHEIGHT:
        return static_cast<std::intptr_t>(wParam) == -1 ? c.FieldHeight : c.ItemHeight;
      case win::CB_SHOWDROPDOWN:
        if ((wParam != 0) != c.DroppedDown) {
          c.DroppedDown = wParam != 0;
          Notify(w, c.DroppedDown ? win::CBN_DROPDOWN : win::CBN_CLOSEUP);
        }
        return 1;
      case win::CB_GETDROPPEDSTATE:
        return c.DroppedDown ? 1 : 0;
      case win::WM_KEYDOWN: {
        const int vk = static_cast<int>(wParam);
        if ((vk == win::VK_DOWN || vk == win::VK_UP) && count > 0) {
          const int next = std::clamp(c.CurSel + (vk == win::VK_DOWN ? 1 : -1), 0, count - 1);
          if (next != c.CurSel) {
            c.CurSel = next;
            Notify(w, win::CBN_SELCHANGE);
          }
        }
        return 0;
      }
      case win::WM_GETDLGCODE:
        return win::DLGC_WANTARROWS | win::DLGC_WANTCHARS;
      case win::WM_SETFOCUS:
        Notify(w, win::CBN_SETFOCUS);
        return 0;
      case win::WM_KILLFOCUS:
        Notify(w, win::CBN_KILLFOCUS);
        return 0;
      case win::WM_PAINT:
        if (ownerDraw) {
          const bool focused = FFocus == wnd;
          const TRect field{3, 3, w.Rect.Width() - 3 - 17, 3 + c.FieldHeight};
          DrawComboItem(w, c.CurSel,
                        win::ODS_COMBOBOXEDIT | (focused ? win::ODS_SELECTED | win::ODS_FOCUS : 0), field);
        }
        return 0;
      default:
        break;
    }
  } else if (kind == TSimControlKind::Static) {
    if (msg == win::WM_GETDLGCODE) return win::DLGC_STATIC;
  }
  return DefProc(wnd, msg, wParam, lParam);
}

// --- The process's calls ---------------------------------------------------------------

HWND TSimProcess::SetFocus(HWND wnd) {
  Log("SetFocus", wnd);
  if (Injected("SetFocus")) return 0;
  const TSimWindow* had = FDesktop.Window(FDesktop.FFocus);
  const HWND old = (had && had->ProcessId == Pid) ? had->Handle : 0;
  if (wnd == 0) {
    FDesktop.MoveFocus(0);
    return old;
  }
  TSimWindow* w = Need(wnd);
  if (!w) return 0;
  if (w->ProcessId != Pid) return static_cast<HWND>(Fail(win::ERROR_ACCESS_DENIED));
  // A disabled window cannot take the keyboard.
  for (const TSimWindow* p = w; p; p = FDesktop.Window(p->Parent)) {
    if (p->Style & win::WS_DISABLED) return 0;
  }
  TSimWindow* root = FDesktop.Root(w);
  if (root->Handle != FDesktop.FForeground) FDesktop.SetActive(root->Handle, true);
  if (FDesktop.Window(wnd)) FDesktop.MoveFocus(wnd);
  return old;
}

HWND TSimProcess::GetFocus() {
  Log("GetFocus");
  if (Injected("GetFocus")) return 0;
  const TSimWindow* w = FDesktop.Window(FDesktop.FFocus);
  return (w && w->ProcessId == Pid) ? w->Handle : 0;
}

bool TSimProcess::EnableWindow(HWND wnd, bool enable) {
  Log("EnableWindow", wnd, enable);
  if (Injected("EnableWindow")) return false;
  TSimWindow* w = Need(wnd);
  if (!w) return false;
  const bool wasDisabled = (w->Style & win::WS_DISABLED) != 0;
  if (wasDisabled == !enable) return wasDisabled;
  if (enable) {
    w->Style &= ~win::WS_DISABLED;
  } else {
    w->Style |= win::WS_DISABLED;
    // The keyboard focus leaves a window that is disabled, or whose parent is.
    for (const TSimWindow* f = FDesktop.Window(FDesktop.FFocus); f; f = FDesktop.Window(f->Parent)) {
      if (f->Handle == wnd) {
        FDesktop.MoveFocus(0);
        break;
      }
    }
  }
  if (FDesktop.Window(wnd)) FDesktop.Send(wnd, win::WM_ENABLE, enable ? 1 : 0, 0);
  return wasDisabled;
}

bool TSimProcess::IsWindowEnabled(HWND wnd) {
  Log("IsWindowEnabled", wnd);
  if (Injected("IsWindowEnabled")) return false;
  const TSimWindow* w = Need(wnd);
  return w && !(w->Style & win::WS_DISABLED);
}

std::int32_t TSimProcess::SetWindowLongW(HWND wnd, int index, std::int32_t value) {
  Log("SetWindowLongW", wnd, index, value);
  if (Injected("SetWindowLongW")) return 0;
  TSimWindow* w = Need(wnd);
  if (!w) return 0;
  if (w->ProcessId != Pid) return Fail(win::ERROR_ACCESS_DENIED);
  std::int32_t old = 0;
  if (index == win::GWL_STYLE) {
    old = static_cast<std::int32_t>(w->Style);
    // Visibility changes through ShowWindow only.
    w->Style = (static_cast<DWORD>(value) & ~win::WS_VISIBLE) | (w->Style & win::WS_VISIBLE);
  } else if (index == win::GWL_EXSTYLE) {
    old = static_cast<std::int32_t>(w->ExStyle);
    w->ExStyle = static_cast<DWORD>(value);
  } else if (index == win::GWL_ID) {
    old = static_cast<std::int32_t>(w->Ctl.Id);
    w->Ctl.Id = static_cast<std::uint32_t>(value);
  } else {
    return Fail(win::ERROR_INVALID_INDEX);
  }
  LastError = 0;
  return old;
}

int TSimProcess::GetDlgCtrlID(HWND wnd) {
  Log("GetDlgCtrlID", wnd);
  if (Injected("GetDlgCtrlID")) return 0;
  const TSimWindow* w = Need(wnd);
  return w ? static_cast<int>(w->Ctl.Id) : 0;
}

WNDPROC TSimProcess::SetWindowProcW(HWND wnd, IWindowHandler* handler) {
  Log("SetWindowProcW", wnd);
  if (Injected("SetWindowProcW")) return 0;
  TSimWindow* w = Need(wnd);
  if (!w) return 0;
  if (w->ProcessId != Pid) return Fail(win::ERROR_ACCESS_DENIED);
  if (!handler) return Fail(win::ERROR_INVALID_PARAMETER);
  auto& chain = w->Ctl.Subclasses;
  const WNDPROC previous = chain.empty() ? ClassProcToken : reinterpret_cast<WNDPROC>(chain.back());
  chain.push_back(handler);
  return previous;
}

LRESULT TSimProcess::CallWindowProcW(WNDPROC proc, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Log("CallWindowProcW", wnd, msg, static_cast<std::int64_t>(wParam), lParam);
  TSimWindow* w = FDesktop.Window(wnd);
  if (!w || proc == 0) return 0;
  if (proc == ClassProcToken) return FDesktop.ClassProc(wnd, msg, wParam, lParam);
  for (IWindowHandler* h : w->Ctl.Subclasses) {
    if (reinterpret_cast<WNDPROC>(h) == proc) return h->HandleMessage(wnd, msg, wParam, lParam);
  }
  return 0;
}

int TSimProcess::MapWindowPoints(HWND from, HWND to, TPoint* points, int count) {
  Log("MapWindowPoints", from, to, count);
  if (Injected("MapWindowPoints")) return 0;
  TPoint a, b;
  if (from) {
    const TSimWindow* w = Need(from);
    if (!w) return 0;
    a = TSimDesktop::ClientOrigin(*w);
  }
  if (to) {
    const TSimWindow* w = Need(to);
    if (!w) return 0;
    b = TSimDesktop::ClientOrigin(*w);
  }
  const int dx = a.X - b.X, dy = a.Y - b.Y;
  for (int i = 0; points && i < count; ++i) {
    points[i].X += dx;
    points[i].Y += dy;
  }
  LastError = 0;
  return static_cast<int>(MakeLParam(dx, dy));
}

bool TSimProcess::ScreenToClient(HWND wnd, TPoint& point) {
  Log("ScreenToClient", wnd, point.X, point.Y);
  if (Injected("ScreenToClient")) return false;
  const TSimWindow* w = Need(wnd);
  if (!w) return false;
  const TPoint origin = TSimDesktop::ClientOrigin(*w);
  point.X -= origin.X;
  point.Y -= origin.Y;
  return true;
}

bool TSimProcess::AdjustWindowRectEx(TRect& rect, DWORD style, DWORD exStyle) {
  Log("AdjustWindowRectEx", rect.Width(), rect.Height(), style, exStyle);
  if (Injected("AdjustWindowRectEx")) return false;
  const TRect frame = SimFrame(style, exStyle);
  rect = {rect.Left - frame.Left, rect.Top - frame.Top, rect.Right + frame.Right, rect.Bottom + frame.Bottom};
  return true;
}

int TSimProcess::SetScrollInfo(HWND wnd, int bar, const TScrollInfo& info, bool redraw) {
  Log("SetScrollInfo", wnd, bar, info.Mask, info.Max, info.Page, info.Pos);
  (void)redraw;
  TSimWindow* w = Need(wnd);
  if (!w || bar != win::SB_VERT) return 0;
  TSimControl& c = w->Ctl;
  if (info.Mask & win::SIF_RANGE) c.VScrollMin = info.Min, c.VScrollMax = info.Max;
  if (info.Mask & win::SIF_PAGE) c.VScrollPage = info.Page;
  if (info.Mask & win::SIF_POS) c.VScrollPos = info.Pos;
  // The page is at most the range, the position within what the page leaves.
  const long long range = 0LL + c.VScrollMax - c.VScrollMin + 1;
  if (range <= 0) c.VScrollPage = 0;
  if (range > 0 && c.VScrollPage > range) c.VScrollPage = static_cast<UINT>(range);
  const int last = c.VScrollMax - std::max(0, static_cast<int>(c.VScrollPage) - 1);
  c.VScrollPos = std::max(c.VScrollMin, std::min(c.VScrollPos, last));
  // Without SIF_DISABLENOSCROLL the bar goes when there is nothing to scroll.
  const bool shown = c.VScrollMax > c.VScrollMin && c.VScrollPage < range;
  if (shown != (c.VScrollWidth > 0)) {
    const TSimWindow* root = FDesktop.Root(w);
    const int dpi = root && root->Dpi > 0 ? root->Dpi : FDesktop.PixelsPerInch;
    const int width = shown ? (SimScrollWidth * dpi + 48) / 96 : 0;
    w->Frame.Right += width - c.VScrollWidth;
    c.VScrollWidth = width;
    w->Style = shown ? (w->Style | win::WS_VSCROLL) : (w->Style & ~win::WS_VSCROLL);
    const TRect client = TSimDesktop::ClientRect(*w);
    FDesktop.Send(wnd, win::WM_SIZE, 0, MakeLParam(client.Right, client.Bottom));
  }
  LastError = 0;
  const TSimWindow* after = FDesktop.Window(wnd);
  return after ? after->Ctl.VScrollPos : 0;
}

HWND TSimProcess::SetCapture(HWND wnd) {
  Log("SetCapture", wnd);
  if (Injected("SetCapture")) return 0;
  if (!Need(wnd)) return 0;
  const HWND old = FDesktop.FCapture;
  FDesktop.FCapture = wnd;
  if (old && old != wnd) FDesktop.Send(old, win::WM_CAPTURECHANGED, 0, static_cast<LPARAM>(wnd));
  return old;
}

HWND TSimProcess::GetCapture() {
  Log("GetCapture");
  return FDesktop.FCapture;
}

bool TSimProcess::TrackMouseEvent(HWND wnd, DWORD flags) {
  Log("TrackMouseEvent", wnd, flags);
  if (Injected("TrackMouseEvent")) return false;
  if (!Need(wnd)) return false;
  if (!(flags & win::TME_LEAVE)) return Fail(win::ERROR_INVALID_PARAMETER);
  FDesktop.FTracking = wnd;
  // Asked while the pointer is elsewhere, the leave comes at once.
  if (FDesktop.FMouseWindow != wnd) {
    FDesktop.FTracking = 0;
    FDesktop.Post(wnd, win::WM_MOUSELEAVE, 0, 0);
  }
  return true;
}

HCURSOR TSimProcess::LoadCursorW(int systemCursorId) {
  Log("LoadCursorW", systemCursorId);
  if (Injected("LoadCursorW")) return 0;
  if (systemCursorId == win::IDC_ARROW) return ArrowCursor;
  if (systemCursorId == win::IDC_HAND) return HandCursor;
  return Fail(win::ERROR_RESOURCE_NAME_NOT_FOUND);
}

HCURSOR TSimProcess::SetCursor(HCURSOR cursor) {
  Log("SetCursor", static_cast<std::int64_t>(cursor));
  const HCURSOR old = FDesktop.FCursor;
  FDesktop.FCursor = cursor;
  return old;
}

HICON TSimProcess::LoadIconW(int resourceId) {
  Log("LoadIconW", resourceId);
  if (Injected("LoadIconW")) return 0;
  const auto& ids = FDesktop.IconResources;
  if (std::find(ids.begin(), ids.end(), resourceId) == ids.end()) return Fail(win::ERROR_RESOURCE_NAME_NOT_FOUND);
  return 0x00200000u + static_cast<HICON>(resourceId);
}

bool TSimProcess::SystemParametersInfoW(TNonClientMetrics& metrics) {
  Log("SystemParametersInfoW");
  if (Injected("SystemParametersInfoW")) return false;
  metrics = FDesktop.NonClientMetrics;
  return true;
}

bool TSimProcess::ChooseColorW(TChooseColor& choose) {
  Log("ChooseColorW", choose.Owner, choose.Color, choose.Flags);
  if (Injected("ChooseColorW")) return false;
  TSimWindow* owner = FDesktop.Root(FDesktop.Window(choose.Owner));
  // The dialog is modal: its owner is disabled while it is up.
  const bool disable = owner && !(owner->Style & win::WS_DISABLED);
  const HWND ownerHandle = owner ? owner->Handle : 0;
  if (disable) EnableWindow(ownerHandle, false);
  TSimColorDialog record{Pid, choose, false, choose};
  TChooseColor answer = choose;
  if (FDesktop.ColorResponder) {
    auto responder = FDesktop.ColorResponder;
    record.Accepted = responder(*this, answer);
  }
  record.Result = answer;
  FDesktop.ColorDialogs.push_back(record);
  if (disable && FDesktop.Window(ownerHandle)) EnableWindow(ownerHandle, true);
  // Custom colours live in the caller's array: the dialog edits them in place.
  std::copy(std::begin(answer.CustColors), std::end(answer.CustColors), choose.CustColors);
  if (!record.Accepted) {
    LastError = 0;  // CommDlgExtendedError 0: the user cancelled
    return false;
  }
  choose.Color = answer.Color & 0x00FFFFFFu;
  return true;
}

}  // namespace lensoro::sim

#include "Controls.h"

#include <algorithm>
#include <cstdlib>
#include <exception>

#include "MessageParams.h"
#include "Monitors.h"
#include "Numeric.h"

namespace lensoro {

namespace {

constexpr UINT SWP_PLACE = win::SWP_NOZORDER | win::SWP_NOACTIVATE;

}  // namespace

char16_t AccessKeyOf(const std::u16string& caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != u'&') continue;
    if (caption[i + 1] != u'&') return caption[i + 1];
    ++i;
  }
  return 0;
}

std::u16string WithoutAccessKeys(const std::u16string& caption) {
  std::u16string shown;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
    shown += caption[i];
  }
  return shown;
}

// --- TControl ------------------------------------------------------------------------------

TControl::TControl(TPlatform& platform) : FPlatform(platform) {
  FFont.OnChange = [this] { FontChanged(); };
}

TControl::TControl(TWinControl* parent) : FPlatform(parent->FPlatform), FParent(parent), FForm(parent->FForm) {
  FFont.Assign(parent->FFont);
  FFont.OnChange = [this] {
    FParentFont = false;
    FontChanged();
  };
  if (FForm) FId = FForm->FNextId++;
  parent->Insert(this);
}

TControl::~TControl() {
  if (FForm && FForm != this) FForm->DropToolTip(*this);
  if (FHandle) FPlatform.DestroyWindow(FHandle);
  ForgetHandle();
  ReleaseFont();
  // A form is its own FForm and is no TForm any more by now.
  if (FForm && FForm != this && FForm->FActiveControl == this) FForm->FActiveControl = nullptr;
  if (FParent) FParent->Remove(this);
}

bool TControl::HandleNeeded() {
  if (FHandle) return true;
  if (FCreating) return false;
  if (FParent && !FParent->HandleNeeded()) return false;
  if (FHandle) return true;  // made with the parent's children
  FCreating = true;
  TCreateWindowParams p;
  CreateParams(p);
  const HWND wnd = FPlatform.CreateWindowExW(p);
  FCreating = false;
  if (!wnd) {
    if (FForm) FForm->FCreateError = FPlatform.GetLastError();
    FHandle = 0;
    return false;
  }
  FHandle = wnd;
  if (StandardClass()) {
    FPrevProc = FPlatform.SetWindowProcW(wnd, this);
    if (!FPrevProc) {
      if (FForm) FForm->FCreateError = FPlatform.GetLastError();
      FPlatform.DestroyWindow(wnd);
      FHandle = 0;
      return false;
    }
  }
  CreateWnd();
  if (FHandle && FForm && FForm != this) FForm->SyncToolTip(*this);
  return FHandle != 0;
}

void TControl::DestroyHandle() {
  if (!FHandle) return;
  if (FForm && FForm != this) FForm->DropToolTip(*this);
  DestroyWnd();
  const HWND wnd = FHandle;
  FPlatform.DestroyWindow(wnd);
  ForgetHandle();
}

bool TControl::RecreateWnd() {
  const bool hadFocus = Focused();
  DestroyHandle();
  if (!HandleNeeded()) return false;
  if (hadFocus) SetFocus();
  return true;
}

void TControl::ForgetHandle() {
  FHandle = 0;
  FMouseInside = false;
  FMousePressed = false;
  if (auto* self = dynamic_cast<TWinControl*>(this)) {
    for (TControl* c : self->FControls) c->ForgetHandle();
  }
}

void TControl::CreateParams(TCreateWindowParams& p) {
  p.ClassName = WindowClassName();
  p.WindowName = FCaption;
  p.Style = win::WS_CHILD | win::WS_CLIPSIBLINGS | (FVisible ? win::WS_VISIBLE : 0) |
            (FTabStop ? win::WS_TABSTOP : 0) | (FEnabled ? 0 : win::WS_DISABLED);
  p.X = FBounds.Left;
  p.Y = FBounds.Top - ScrolledBy();
  p.Width = FBounds.Width();
  p.Height = WindowHeightFor(FBounds.Height());
  p.Parent = FParent ? FParent->Handle() : 0;
  p.Handler = StandardClass() ? nullptr : this;
  p.Id = FId;
}

void TControl::CreateWnd() { ApplyFont(); }

void TControl::SetHint(const std::u16string& hint) {
  if (hint == FHint) return;
  FHint = hint;
  if (FForm && FForm != this) FForm->SyncToolTip(*this);
}

void TControl::SetShowHint(bool showHint) {
  if (showHint == FShowHint) return;
  FShowHint = showHint;
  if (FForm && FForm != this) FForm->SyncToolTip(*this);
}

LRESULT TControl::HandleMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!FHandle && FCreating) FHandle = wnd;  // messages of CreateWindowExW itself
  const HWND saved = FMsgWnd;
  FMsgWnd = wnd;
  LRESULT r = 0;
  try {
    r = WndProc(msg, wParam, lParam);
  } catch (const std::exception& e) {
    // Never through the platform's window procedure.
    FMsgWnd = saved;
    if (FForm) FForm->App.ShowException(e);
    return 0;
  }
  FMsgWnd = saved;
  return r;
}

LRESULT TControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
  const HWND wnd = FMsgWnd ? FMsgWnd : FHandle;
  if (!wnd) return 0;
  if (FPrevProc) return FPlatform.CallWindowProcW(FPrevProc, wnd, msg, wParam, lParam);
  return FPlatform.DefWindowProcW(wnd, msg, wParam, lParam);
}

bool TControl::DoKeyDown(std::uint16_t& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(*this, key, shift);
  return key != 0;
}

bool TControl::WantsKey(int virtualKey) {
  if (!FHandle) return false;
  const LRESULT code = FPlatform.SendMessageW(FHandle, win::WM_GETDLGCODE, static_cast<WPARAM>(virtualKey), 0);
  if (code & win::DLGC_WANTALLKEYS) return true;
  if (virtualKey == win::VK_TAB) return (code & win::DLGC_WANTTAB) != 0;
  if (IsArrowKey(virtualKey)) return (code & win::DLGC_WANTARROWS) != 0;
  return false;
}

bool TControl::WantsChar(UINT msg, char16_t ch) {
  if (!FHandle) return false;
  const LRESULT code = FPlatform.SendMessageW(FHandle, win::WM_GETDLGCODE, static_cast<WPARAM>(ch), 0);
  // Alt+letter is an access key whatever the control takes.
  return msg == win::WM_CHAR && (code & (win::DLGC_WANTCHARS | win::DLGC_WANTALLKEYS)) != 0;
}

LRESULT TControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case win::WM_SETFOCUS: {
      if (FForm && FForm != this) {
        FForm->FActiveControl = this;
        FForm->ScrollInView(*this);
      }
      const LRESULT r = DefaultHandler(msg, wParam, lParam);
      if (OnEnter) OnEnter(*this);
      return r;
    }
    case win::WM_KILLFOCUS: {
      const LRESULT r = DefaultHandler(msg, wParam, lParam);
      if (OnExit) OnExit(*this);
      return r;
    }
    case win::WM_KEYDOWN:
    case win::WM_SYSKEYDOWN: {
      std::uint16_t key = static_cast<std::uint16_t>(wParam);
      if (!DoKeyDown(key, KeyShiftState())) return 0;
      return DefaultHandler(msg, key, lParam);
    }
    case win::WM_MOUSEMOVE: {
      if (!FMouseInside) {
        FMouseInside = true;
        FPlatform.TrackMouseEvent(FHandle, win::TME_LEAVE);
        MouseEnter();
      }
      const TPoint at = PointFromLParam(lParam);
      MouseMove(MouseKeysShiftState(wParam), at.X, at.Y);
      return DefaultHandler(msg, wParam, lParam);
    }
    case win::WM_MOUSELEAVE:
      FMouseInside = false;
      MouseLeave();
      return DefaultHandler(msg, wParam, lParam);
    case win::WM_SETCURSOR:
      if (Cursor == TCursor::crHandPoint && static_cast<HWND>(wParam) == FHandle &&
          LoWord(static_cast<std::uintptr_t>(lParam)) == win::HTCLIENT) {
        FPlatform.SetCursor(FPlatform.LoadCursorW(win::IDC_HAND));
        return 1;
      }
      return DefaultHandler(msg, wParam, lParam);
    case win::WM_CONTEXTMENU:
      if (OnContextPopup) {
        TPoint at = PointFromLParam(lParam);
        FPlatform.ScreenToClient(FHandle, at);
        bool handled = false;
        OnContextPopup(*this, at, handled);
        if (handled) return 0;
      }
      return DefaultHandler(msg, wParam, lParam);
    case win::WM_LBUTTONDOWN: {
      FMousePressed = true;
      const TPoint at = PointFromLParam(lParam);
      MouseDown(MouseKeysShiftState(wParam) | ssLeft, at.X, at.Y);
      return DefaultHandler(msg, wParam, lParam);
    }
    case win::WM_LBUTTONUP: {
      const bool pressed = FMousePressed;
      FMousePressed = false;
      const auto [x, y] = PointFromLParam(lParam);
      MouseUp(MouseKeysShiftState(wParam), x, y);
      const LRESULT r = DefaultHandler(msg, wParam, lParam);
      // Our own windows click on release inside; the system's buttons tell us.
      if (pressed && !IsStandardControl() && x >= 0 && y >= 0 && x < Width() && y < Height()) Click();
      return r;
    }
    case win::WM_GETFONT:
      // Our own windows tell the font they paint with, as the system's
      // controls do, to whoever measures or reads them.
      if (StandardClass()) return DefaultHandler(msg, wParam, lParam);
      if (!FFontHandle) FFontHandle = FPlatform.CreateFontIndirectW(FFont.LogFont());
      return static_cast<LRESULT>(FFontHandle);
    case win::WM_DESTROY: {
      const LRESULT r = DefaultHandler(msg, wParam, lParam);
      FHandle = 0;
      FMouseInside = FMousePressed = false;
      return r;
    }
    default:
      return DefaultHandler(msg, wParam, lParam);
  }
}

void TControl::MouseDown(TShiftState, int, int) {}
void TControl::MouseUp(TShiftState, int, int) {}
void TControl::MouseMove(TShiftState, int, int) {}

void TControl::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(*this);
}

void TControl::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave(*this);
}

void TControl::Click() {
  if (OnClick) OnClick(*this);
}

int TControl::Scale(int designValue) const {
  return ScaleByPpi(designValue, FForm ? FForm->PixelsPerInch() : 96);
}

int TControl::SystemMetric(int index) const {
  return SystemMetricForDpi(FPlatform, index, FForm ? FForm->PixelsPerInch() : SystemDpi(FPlatform));
}

void TControl::SetBounds(int left, int top, int width, int height) {
  FDesignBounds = {left, top, left + width, top + height};
  FDesigned = true;
  const int l = Scale(left), t = Scale(top);
  SetBoundsPx({l, t, l + Scale(width), t + Scale(height)});
}

void TControl::ScaleBounds(int fromPpi, int toPpi) {
  if (FForm != this) {
    if (FDesigned) {
      // From the design, as if the form had been made at this DPI: what was
      // derived from it (text lines centred, sizes fitted to a font) is
      // derived again afterwards.
      const int l = Scale(FDesignBounds.Left), t = Scale(FDesignBounds.Top);
      SetBoundsPx({l, t, l + Scale(FDesignBounds.Width()), t + Scale(FDesignBounds.Height())});
    } else {
      // Edges, not sizes, so that neighbours stay neighbours.
      const auto s = [&](int v) { return RescalePpi(v, fromPpi, toPpi); };
      SetBoundsPx({s(FBounds.Left), s(FBounds.Top), s(FBounds.Right), s(FBounds.Bottom)});
    }
  }
  if (auto* w = dynamic_cast<TWinControl*>(this)) {
    for (TControl* c : w->FControls) c->ScaleBounds(fromPpi, toPpi);
  }
}

void TControl::ScaleFont(int fromPpi, int toPpi) {
  // A font of the parent's comes with it.
  if (FForm == this || !FParentFont) {
    auto handler = std::move(FFont.OnChange);
    FFont.OnChange = nullptr;
    FFont.SetPixelsPerInch(toPpi);
    FFont.SetHeight(RescalePpi(FFont.Height(), fromPpi, toPpi));
    FFont.OnChange = std::move(handler);
    FontChanged();
  }
  if (auto* w = dynamic_cast<TWinControl*>(this)) {
    for (TControl* c : w->FControls) c->ScaleFont(fromPpi, toPpi);
  }
}

void TControl::NotifyDpiChanged() {
  if (auto* w = dynamic_cast<TWinControl*>(this)) {
    for (TControl* c : w->FControls) c->NotifyDpiChanged();
  }
  DpiChanged();
}

void TControl::SetBoundsPx(const TRect& rect) {
  if (rect == FBounds) return;
  FBounds = rect;
  ApplyBounds();
  BoundsChanged();
}

void TControl::ApplyBounds() {
  if (FHandle) {
    FPlatform.SetWindowPos(FHandle, 0, FBounds.Left, FBounds.Top - ScrolledBy(), FBounds.Width(),
                           WindowHeightFor(FBounds.Height()), SWP_PLACE);
  }
}

int TControl::ScrolledBy() const {
  return FForm && FParent && static_cast<const TControl*>(FParent) == FForm ? FForm->FScrollPos : 0;
}

void TControl::SetCaption(const std::u16string& caption) {
  if (caption == FCaption) return;
  FCaption = caption;
  if (FHandle) FPlatform.SetWindowTextW(FHandle, caption);
  CaptionChanged();
  Invalidate();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  if (FHandle) FPlatform.EnableWindow(FHandle, enabled);
  EnabledChanged();
  Invalidate();
}

void TControl::SetVisible(bool visible) {
  if (visible == FVisible) return;
  FVisible = visible;
  if (FHandle) FPlatform.ShowWindow(FHandle, visible ? win::SW_SHOWNA : win::SW_HIDE);
}

bool TControl::CanFocus() const {
  if (!FHandle) return false;
  for (const TControl* c = this; c; c = c->FParent) {
    if (!c->FVisible || !c->FEnabled) return false;
  }
  return true;
}

void TControl::SetTabStop(bool tabStop) {
  if (tabStop == FTabStop) return;
  FTabStop = tabStop;
  if (!FHandle) return;
  const auto style = static_cast<DWORD>(FPlatform.GetWindowLongW(FHandle, win::GWL_STYLE));
  FPlatform.SetWindowLongW(FHandle, win::GWL_STYLE,
                           static_cast<std::int32_t>(tabStop ? style | win::WS_TABSTOP : style & ~win::WS_TABSTOP));
}

int TControl::TabOrder() const {
  if (!FParent) return -1;
  const auto& list = FParent->FTabList;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TControl::SetTabOrder(int order) {
  if (!FParent) return;
  auto& list = FParent->FTabList;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  order = std::clamp(order, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + order, this);
}

void TControl::SetFocus() {
  if (FForm && FForm != this) FForm->FActiveControl = this;
  if (CanFocus()) FPlatform.SetFocus(FHandle);
}

bool TControl::Focused() const { return FHandle && FPlatform.GetFocus() == FHandle; }

void TControl::SetParentFont(bool parentFont) {
  if (parentFont == FParentFont) return;
  FParentFont = parentFont;
  if (parentFont) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!FParent || !FParentFont) return;
  // Taking the parent's font is no change of our own.
  auto handler = std::move(FFont.OnChange);
  FFont.OnChange = nullptr;
  const bool differs = !FFont.SameAs(FParent->FFont);
  FFont.Assign(FParent->FFont);
  FFont.OnChange = std::move(handler);
  if (differs) FontChanged();
}

void TControl::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Invalidate();
}

void TControl::FontChanged() {
  ApplyFont();
  Invalidate();
}

void TControl::ApplyFont() {
  // Our own windows paint with the TFont; only the system's controls need a
  // GDI font. Ours make one when asked (WM_GETFONT): a stale one goes.
  if (!StandardClass()) ReleaseFont();
  if (!FHandle || !StandardClass()) return;
  const HGDIOBJ font = FPlatform.CreateFontIndirectW(FFont.LogFont());
  if (!font) return;
  FPlatform.SendMessageW(FHandle, win::WM_SETFONT, static_cast<WPARAM>(font), 1);
  ReleaseFont();
  FFontHandle = font;
}

void TControl::ReleaseFont() {
  if (FFontHandle) FPlatform.DeleteObject(FFontHandle);
  FFontHandle = 0;
}

void TControl::Invalidate() {
  if (FHandle) FPlatform.InvalidateRect(FHandle, true);
}

// --- TWinControl ---------------------------------------------------------------------------

TWinControl::~TWinControl() {
  // Children that outlive us (owned elsewhere) forget their parent.
  for (TControl* c : FControls) c->FParent = nullptr;
}

void TWinControl::Insert(TControl* child) {
  FControls.push_back(child);
  FTabList.push_back(child);
}

void TWinControl::Remove(TControl* child) {
  FControls.erase(std::remove(FControls.begin(), FControls.end(), child), FControls.end());
  FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), child), FTabList.end());
}

TControl* TWinControl::FindControl(HWND wnd) {
  if (!wnd) return nullptr;
  for (TControl* c : FControls) {
    if (c->FHandle == wnd) return c;
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
      if (TControl* found = w->FindControl(wnd)) return found;
    }
  }
  return nullptr;
}

TControl* TWinControl::FindControlById(std::uintptr_t id) {
  for (TControl* c : FControls) {
    if (c->FId == id) return c;
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
      if (TControl* found = w->FindControlById(id)) return found;
    }
  }
  return nullptr;
}

void TWinControl::CreateWnd() {
  TControl::CreateWnd();
  const std::vector<TControl*> children = FControls;
  for (TControl* c : children) c->HandleNeeded();
}

void TWinControl::FontChanged() {
  TControl::FontChanged();
  for (TControl* c : FControls) c->ParentFontChanged();
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case win::WM_COMMAND:
      // A control's notification comes to its parent: hand it back.
      if (lParam != 0) {
        for (TControl* c : FControls) {
          if (c->FHandle == static_cast<HWND>(lParam)) {
            c->CommandNotify(HiWord(wParam));
            return 0;
          }
        }
      }
      break;
    case win::WM_DRAWITEM:
      if (auto* item = reinterpret_cast<TDrawItemStruct*>(lParam)) {
        if (TControl* c = FindControlById(item->CtlID)) {
          if (c->DrawItem(*item)) return 1;
        }
      }
      break;
    case win::WM_MEASUREITEM:
      if (auto* item = reinterpret_cast<TMeasureItemStruct*>(lParam)) {
        if (TControl* c = FindControlById(item->CtlID)) {
          if (c->MeasureItem(*item)) return 1;
        }
      }
      break;
    default:
      break;
  }
  return TControl::WndProc(msg, wParam, lParam);
}

}  // namespace lensoro

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

bool IsArrow(int vk) { return vk >= win::VK_LEFT && vk <= win::VK_DOWN; }

}  // namespace

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
  p.Y = FBounds.Top;
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
  if (IsArrow(virtualKey)) return (code & win::DLGC_WANTARROWS) != 0;
  return false;
}

LRESULT TControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case win::WM_SETFOCUS: {
      if (FForm && FForm != this) FForm->FActiveControl = this;
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
    FPlatform.SetWindowPos(FHandle, 0, FBounds.Left, FBounds.Top, FBounds.Width(), WindowHeightFor(FBounds.Height()),
                           SWP_PLACE);
  }
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
  // Our own windows paint with the TFont; only the system's controls need a GDI font.
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

// --- TForm ---------------------------------------------------------------------------------

TForm::TForm(TBaseApplication& app, std::u16string className)
    : TWinControl(app.Platform), App(app), FClassName(std::move(className)) {
  FForm = this;
  FVisible = false;
  FColor = clBtnFace;
  const int ppi = FPlatform.GetScreenPixelsPerInch();
  FPixelsPerInch = ppi > 0 ? ppi : 96;
  FFont.SetPixelsPerInch(FPixelsPerInch);
  // The dialog font: the system's message font, Tahoma 8 pt without it.
  FFont.OnChange = nullptr;
  TNonClientMetrics metrics;
  if (FPlatform.SystemParametersInfoW(metrics)) {
    FFont.AssignLogFont(metrics.MessageFont);
  } else {
    FFont.SetSize(8);
  }
  FFont.OnChange = [this] { FontChanged(); };
  SetClientSize(FClientWidth, FClientHeight);
}

TForm::~TForm() {
  if (App.ActiveForm == this) App.ActiveForm = nullptr;
  if (FHandle && OnDestroy) OnDestroy(*this);
  DestroyHandle();
  // Controls that outlive the form (not its members) forget it.
  std::function<void(TWinControl&)> forget = [&](TWinControl& w) {
    for (TControl* c : w.Controls()) {
      c->FForm = nullptr;
      if (auto* inner = dynamic_cast<TWinControl*>(c)) forget(*inner);
    }
  };
  forget(*this);
}

HWND TForm::EffectiveOwner() const {
  if (FOwnerWindow) return FOwnerWindow;
  if (const HWND main = App.MainFormHandle()) return main;
  return App.Handle();
}

void TForm::SetClientSize(int width, int height) {
  FDesignClientWidth = width;
  FDesignClientHeight = height;
  FClientWidth = Scale(width);
  FClientHeight = Scale(height);
  TRect r{0, 0, FClientWidth, FClientHeight};
  TCreateWindowParams p;
  CreateParams(p);
  FPlatform.AdjustWindowRectEx(r, p.Style, p.ExStyle);
  SetBoundsPx({FBounds.Left, FBounds.Top, FBounds.Left + r.Width(), FBounds.Top + r.Height()});
}

void TForm::ChangeDpi(int ppi) {
  if (ppi <= 0 || ppi == FPixelsPerInch) return;
  const int from = FPixelsPerInch;
  FPixelsPerInch = ppi;
  FClientWidth = Scale(FDesignClientWidth);
  FClientHeight = Scale(FDesignClientHeight);
  ScaleBounds(from, ppi);
  ScaleFont(from, ppi);
  FitWindowToClient();
  NotifyDpiChanged();
}

void TForm::FitWindowToClient() {
  TRect window, client;
  if (!FHandle || !FPlatform.GetWindowRect(FHandle, window) || !FPlatform.GetClientRect(FHandle, client)) {
    SetClientSize(FDesignClientWidth, FDesignClientHeight);
    return;
  }
  // The frame as the window has it at its DPI now.
  const int w = FClientWidth + window.Width() - client.Width(), h = FClientHeight + window.Height() - client.Height();
  SetBoundsPx({window.Left, window.Top, window.Left + w, window.Top + h});
}

void TForm::AssignSystemFont(TFont& font, const TLogFont& system) {
  TLogFont f = system;
  f.Height = RescalePpi(system.Height, SystemDpi(FPlatform), FPixelsPerInch);
  font.AssignLogFont(f);
}

LRESULT TForm::WMDpiChanged(WPARAM wParam, LPARAM lParam) {
  // Where Windows suggests; the size follows from the layout at the new DPI.
  if (const auto* suggested = reinterpret_cast<const TRect*>(lParam)) SetBoundsPx(*suggested);
  const int dpi = static_cast<int>(LoWord(wParam));
  if (dpi != FPixelsPerInch) {
    ChangeDpi(dpi);
  } else {
    FitWindowToClient();
  }
  return 0;
}

void TForm::CreateParams(TCreateWindowParams& p) {
  p.ClassName = FClassName;
  p.WindowName = Caption();
  // A dialog: caption, close box, fixed frame; hidden until shown.
  p.Style = win::WS_POPUP | win::WS_CAPTION | win::WS_SYSMENU | win::WS_CLIPSIBLINGS | win::WS_CLIPCHILDREN;
  p.ExStyle = win::WS_EX_DLGMODALFRAME | win::WS_EX_CONTROLPARENT;
  p.X = BoundsRect().Left;
  p.Y = BoundsRect().Top;
  p.Width = BoundsRect().Width();
  p.Height = BoundsRect().Height();
  p.Parent = EffectiveOwner();
  p.Handler = this;
}

void TForm::CreateWnd() {
  TWinControl::CreateWnd();
  if (!FCreated) {
    FCreated = true;
    if (OnCreate) OnCreate(*this);
  }
}

// Centred over the owner (or the primary screen), then moved onto the work
// area of the monitor that holds the owner (or the dialog), so that a dialog
// opens where the user looks and no task bar or gap between monitors hides
// part of it.
void TForm::PlaceWindow() {
  if (Position == TPosition::poDesigned) return;
  const int w = Width(), h = Height();
  TRect around{0, 0, FPlatform.GetSystemMetrics(0), FPlatform.GetSystemMetrics(1)};  // the primary screen
  TRect owner;
  const HWND ownerWnd = EffectiveOwner();
  if (Position == TPosition::poOwnerFormCenter && ownerWnd && FPlatform.IsWindowVisible(ownerWnd) &&
      FPlatform.GetWindowRect(ownerWnd, owner)) {
    around = owner;
  }
  const int left = around.Left + (around.Width() - w) / 2, top = around.Top + (around.Height() - h) / 2;
  const TRect centred{left, top, left + w, top + h};
  const std::vector<TMonitorInfo> monitors = FPlatform.EnumDisplayMonitors();
  const TMonitorInfo* monitor = MonitorOfRect(around, monitors);
  SetBoundsPx(monitor ? MoveOntoWorkArea(centred, WorkAreaOf(*monitor)) : centred);
}

void TForm::ReportCreateFailure() {
  const DWORD code = FCreateError ? FCreateError : FPlatform.GetLastError();
  App.ShowError(SysErrorMessage(FPlatform, code), EffectiveOwner());
}

bool TForm::Show() {
  FCreateError = 0;
  if (!FHandle) {
    // Made at the DPI of its owner's monitor, where it is placed, so that
    // Windows has nothing to change when it appears.
    ChangeDpi(WindowDpi(FPlatform, EffectiveOwner()));
    PlaceWindow();
  }
  bool made = HandleNeeded();
  // Made on another monitor all the same (no owner, a monitor gone).
  if (made) ChangeDpi(WindowDpi(FPlatform, FHandle));
  // Every control must have its window, or the dialog is not shown at all.
  std::function<bool(TWinControl&)> complete = [&](TWinControl& w) {
    for (TControl* c : w.Controls()) {
      if (!c->HandleAllocated()) return false;
      if (auto* inner = dynamic_cast<TWinControl*>(c); inner && !complete(*inner)) return false;
    }
    return true;
  };
  if (made && !complete(*this)) made = false;
  if (!made) {
    ReportCreateFailure();
    DestroyHandle();
    return false;
  }
  PlaceWindow();
  ApplyBounds();
  if (!FVisible || !FPlatform.IsWindowVisible(FHandle)) {
    FVisible = true;
    if (OnShow) OnShow(*this);
    if (!FHandle) return false;  // OnShow closed it
    FPlatform.ShowWindow(FHandle, win::SW_SHOW);
  } else {
    FPlatform.SetForegroundWindow(FHandle);
  }
  return FHandle != 0;
}

void TForm::Hide() {
  if (!FVisible) return;
  FVisible = false;
  if (FHandle) FPlatform.ShowWindow(FHandle, win::SW_HIDE);
  if (OnHide) OnHide(*this);
}

bool TForm::CloseQuery(TCloseAction& action) {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(*this, canClose);
  action = canClose ? TCloseAction::caHide : TCloseAction::caNone;
  if (canClose && OnClose) OnClose(*this, action);
  return action != TCloseAction::caNone;
}

void TForm::Close() {
  if (FModal) {
    ModalResult = mrCancel;
    return;
  }
  TCloseAction action;
  if (!CloseQuery(action)) return;
  if (action == TCloseAction::caFree) {
    Hide();
    DestroyHandle();
  } else if (action == TCloseAction::caHide || action == TCloseAction::caMinimize) {
    Hide();
  }
}

TModalResult TForm::ShowModal() {
  if (FModal || (FVisible && FHandle)) return mrNone;  // already shown: it cannot become modal
  const HWND owner = EffectiveOwner();
  const bool disableOwner = owner && FPlatform.IsWindowEnabled(owner);
  ModalResult = mrNone;
  FModal = true;
  if (!Show()) {
    FModal = false;
    return mrNone;
  }
  if (disableOwner) FPlatform.EnableWindow(owner, false);
  TCloseAction action = TCloseAction::caHide;
  for (;;) {
    if (ModalResult != mrNone) {
      // The modal result closes the form unless OnClose keeps it open.
      if (CloseQuery(action)) break;
      ModalResult = mrNone;
    }
    if (!FHandle) {
      ModalResult = mrCancel;
      break;
    }
    TMsg msg;
    const int r = FPlatform.GetMessageW(msg);
    if (r == 0) {
      // WM_QUIT: the outer loop must see it too.
      FPlatform.PostQuitMessage(static_cast<int>(msg.WParam));
      ModalResult = mrCancel;
      break;
    }
    if (r < 0) {
      ModalResult = mrCancel;
      break;
    }
    if (App.ProcessDialogMessage(msg)) continue;
    FPlatform.TranslateMessage(msg);
    FPlatform.DispatchMessageW(msg);
  }
  // The owner comes back first, so activation returns to it.
  if (disableOwner && FPlatform.IsWindow(owner)) FPlatform.EnableWindow(owner, true);
  FModal = false;
  if (action == TCloseAction::caFree) {
    Hide();
    DestroyHandle();
  } else {
    Hide();
  }
  if (owner && FPlatform.IsWindowVisible(owner)) FPlatform.SetForegroundWindow(owner);
  return ModalResult;
}

void TForm::SetActiveControl(TControl* control) {
  FActiveControl = control;
  if (control && FHandle && FVisible && App.ActiveForm == this) control->SetFocus();
}

TControl* TForm::FindNextControl(TControl* current, bool forward) {
  std::vector<TControl*> order;
  std::function<void(TWinControl&)> walk = [&](TWinControl& w) {
    for (TControl* c : w.TabList()) {
      if (!c->CanFocus()) continue;
      if (auto* radio = dynamic_cast<TRadioButton*>(c)) {
        // One stop per group of radio buttons: the checked one, or the first.
        auto* group = dynamic_cast<TRadioGroup*>(&w);
        const bool stop = radio->Checked() || (group && (group->ItemIndex() < 0 && group->Button(0) == radio));
        if (stop) order.push_back(c);
        continue;
      }
      if (c->TabStop()) order.push_back(c);
      if (auto* inner = dynamic_cast<TWinControl*>(c)) walk(*inner);
    }
  };
  walk(*this);
  if (order.empty()) return nullptr;
  auto it = std::find(order.begin(), order.end(), current);
  if (it == order.end()) {
    // A radio button that is not the group's stop counts as the group's.
    if (auto* radio = dynamic_cast<TRadioButton*>(current)) {
      it = std::find_if(order.begin(), order.end(), [&](TControl* c) { return c->Parent() == radio->Parent(); });
    }
  }
  if (it == order.end()) return forward ? order.front() : order.back();
  const std::size_t i = static_cast<std::size_t>(it - order.begin());
  const std::size_t n = order.size();
  return order[forward ? (i + 1) % n : (i + n - 1) % n];
}

void TForm::SelectNext(TControl* current, bool forward) {
  TControl* next = FindNextControl(current, forward);
  if (!next) return;
  next->SetFocus();
  // Tabbing into a one-line edit selects its text, as in every dialog.
  if (auto* edit = dynamic_cast<TEdit*>(next); edit && !dynamic_cast<TMemo*>(next)) edit->SelectAll();
}

bool TForm::DialogKey(const TMsg& msg) {
  if (msg.Message != win::WM_KEYDOWN || !FHandle) return false;
  TControl* target = msg.Wnd == FHandle ? this : FindControl(msg.Wnd);
  if (!target) return false;
  const int vk = static_cast<int>(msg.WParam);
  if (vk != win::VK_TAB && vk != win::VK_RETURN && vk != win::VK_ESCAPE && !IsArrow(vk)) return false;
  if (target != this && target->WantsKey(vk)) return false;
  const TShiftState shift = KeyShiftState();
  if (shift & (ssAlt | ssCtrl)) return false;
  std::uint16_t key = static_cast<std::uint16_t>(vk);
  if (target != this && !target->DoKeyDown(key, shift)) return true;
  TControl* current = target == this ? nullptr : target;
  switch (vk) {
    case win::VK_TAB:
      SelectNext(current, !(shift & ssShift));
      return true;
    case win::VK_ESCAPE:
      if (FCancelButton && FCancelButton->CanFocus()) {
        FCancelButton->Click();
        return true;
      }
      return false;
    case win::VK_RETURN:
      if (auto* button = dynamic_cast<TButton*>(current); button && button->CanFocus()) {
        button->Click();
        return true;
      }
      if (FDefaultButton && FDefaultButton->CanFocus()) {
        FDefaultButton->Click();
        return true;
      }
      return false;
    default:
      if (auto* radio = dynamic_cast<TRadioButton*>(current)) {
        if (auto* group = dynamic_cast<TRadioGroup*>(radio->Parent())) {
          group->MoveChoice(radio, (vk == win::VK_RIGHT || vk == win::VK_DOWN) ? 1 : -1);
          return true;
        }
      }
      return false;
  }
}

LRESULT TForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case win::WM_ACTIVATE:
      if (LoWord(wParam) != win::WA_INACTIVE) {
        App.ActiveForm = this;
        // The focus goes back where it was, or to the first control.
        TControl* target = FActiveControl && FActiveControl->CanFocus() ? FActiveControl : FindNextControl(nullptr, true);
        if (target) {
          target->SetFocus();
          if (auto* edit = dynamic_cast<TEdit*>(target); edit && !dynamic_cast<TMemo*>(target) && !FActiveControl)
            edit->SelectAll();
          return 0;
        }
      } else if (App.ActiveForm == this) {
        App.ActiveForm = nullptr;
      }
      return DefaultHandler(msg, wParam, lParam);
    case win::WM_CLOSE:
      Close();
      return 0;
    case win::WM_DPICHANGED:
      return WMDpiChanged(wParam, lParam);
    case win::WM_ERASEBKGND: {
      // Our window class has no background brush: the form paints its face.
      TRect client;
      if (FPlatform.GetClientRect(FHandle, client)) {
        FPlatform.FillSolidRect(static_cast<HDC>(wParam), client, ColorToRGB(FPlatform, Color()));
      }
      return 1;
    }
    case win::WM_MOVE:
    case win::WM_SIZE: {
      const LRESULT r = TWinControl::WndProc(msg, wParam, lParam);
      TRect rect;
      if (FHandle && FPlatform.GetWindowRect(FHandle, rect)) FBounds = rect;
      return r;
    }
    case win::WM_DESTROY:
      if (App.ActiveForm == this) App.ActiveForm = nullptr;
      FVisible = false;
      // The tooltip is owned by the form and went just before it.
      FToolTip = 0;
      FTools.clear();
      return TWinControl::WndProc(msg, wParam, lParam);
    default:
      return TWinControl::WndProc(msg, wParam, lParam);
  }
}

void TForm::SyncToolTip(TControl& control) {
  auto it = std::find_if(FTools.begin(), FTools.end(), [&](const TTool& t) { return t.Control == &control; });
  if (it != FTools.end() && it->Wnd != control.FHandle) {
    // The control's window was made again: its old tool is worthless.
    if (FToolTip) FPlatform.SendDelToolW(FToolTip, FHandle, it->Wnd);
    FTools.erase(it);
    it = FTools.end();
  }
  const bool wanted = FHandle && control.FHandle && control.FShowHint && !control.FHint.empty();
  if (!wanted) {
    if (it != FTools.end()) DropToolTip(control);
    return;
  }
  if (it != FTools.end()) {
    FPlatform.SendUpdateTipTextW(FToolTip, FHandle, control.FHandle, control.FHint);
    return;
  }
  if (!FToolTip) {
    if (!FPlatform.InitCommonControlsEx(win::ICC_WIN95_CLASSES)) return;
    TCreateWindowParams p;
    p.ClassName = u"tooltips_class32";
    p.Style = win::WS_POPUP | win::TTS_ALWAYSTIP | win::TTS_NOPREFIX;  // a web address keeps its "&"
    p.ExStyle = win::WS_EX_TOPMOST;
    p.Parent = FHandle;
    FToolTip = FPlatform.CreateWindowExW(p);
    if (!FToolTip) return;  // no tooltip is no reason to fail the form
  }
  if (FPlatform.SendAddToolW(FToolTip, FHandle, control.FHandle, control.FHint)) {
    FTools.push_back({&control, control.FHandle});
  }
}

void TForm::DropToolTip(TControl& control) {
  auto it = std::find_if(FTools.begin(), FTools.end(), [&](const TTool& t) { return t.Control == &control; });
  if (it == FTools.end()) return;
  if (FToolTip) FPlatform.SendDelToolW(FToolTip, FHandle, it->Wnd);
  FTools.erase(it);
}

// --- TBaseApplication's part ---------------------------------------------------------------

bool TBaseApplication::ProcessDialogMessage(const TMsg& msg) {
  if (msg.Message != win::WM_KEYDOWN || !ActiveForm) return false;
  return ActiveForm->DialogKey(msg);
}

}  // namespace lensoro

// TForm: a dialog window, its placement and DPI, showing it modeless or modal,
// the keyboard between its controls and its tool tips.
#include "Controls.h"

#include <algorithm>
#include <exception>

#include "MessageParams.h"
#include "Monitors.h"
#include "Numeric.h"

namespace lensoro {

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
  FScrollPos = RescalePpi(FScrollPos, from, ppi);  // the same part stays in view
  ScaleBounds(from, ppi);
  ScaleFont(from, ppi);
  FitWindowToClient();
  NotifyDpiChanged();
}

void TForm::FitWindowToClient() {
  if (!FHandle) {
    SetClientSize(FDesignClientWidth, FDesignClientHeight);
    return;
  }
  FitOnWorkArea(false);
}

TSize TForm::FrameSize() {
  TRect window, client;
  if (FHandle && FPlatform.GetWindowRect(FHandle, window) && FPlatform.GetClientRect(FHandle, client)) {
    // The frame as the window has it at its DPI now.
    const int bar = FScrolls ? SystemMetric(win::SM_CXVSCROLL) : 0;
    return {window.Width() - client.Width() - bar, window.Height() - client.Height()};
  }
  TRect r{0, 0, 0, 0};
  TCreateWindowParams p;
  CreateParams(p);
  FPlatform.AdjustWindowRectEx(r, p.Style, p.ExStyle);
  return {r.Width(), r.Height()};
}

TSize TForm::WindowSizeOn(const TRect& work) {
  const TSize frame = FrameSize();
  TSize size{FClientWidth + frame.Cx, FClientHeight + frame.Cy};
  // Cut to the work area, the scroll bar beside the client area.
  if (work.Height() > 0 && size.Cy > work.Height()) {
    size.Cy = work.Height();
    size.Cx += SystemMetric(win::SM_CXVSCROLL);
  }
  return size;
}

void TForm::FitOnWorkArea(bool move) {
  const std::vector<TMonitorInfo> monitors = FPlatform.EnumDisplayMonitors();
  const TMonitorInfo* monitor = MonitorOfRect(FBounds, monitors);
  const TRect work = monitor ? WorkAreaOf(*monitor) : TRect{};
  const TSize size = WindowSizeOn(work);
  TRect r{Left(), Top(), Left() + size.Cx, Top() + size.Cy};
  if (monitor && move) r = MoveOntoWorkArea(r, work);
  SetBoundsPx(r);
  UpdateScrollBar();
}

int TForm::PageHeight() {
  TRect client;
  return FHandle && FPlatform.GetClientRect(FHandle, client) ? client.Height() : FClientHeight;
}

void TForm::UpdateScrollBar() {
  if (!FHandle) return;
  const int page = std::max(1, Height() - FrameSize().Cy);
  const bool scrolls = page < FClientHeight;
  const int pos = scrolls ? std::clamp(FScrollPos, 0, FClientHeight - page) : 0;
  if (scrolls || FScrolls) {
    TScrollInfo info;
    info.Mask = win::SIF_RANGE | win::SIF_PAGE | win::SIF_POS;
    info.Max = FClientHeight - 1;
    info.Page = static_cast<UINT>(scrolls ? page : FClientHeight);
    info.Pos = pos;
    FPlatform.SetScrollInfo(FHandle, win::SB_VERT, info, true);
  }
  FScrolls = scrolls;
  MoveChildrenTo(pos);
}

void TForm::ScrollTo(int pos) {
  if (!FScrolls) return;
  pos = std::clamp(pos, 0, std::max(0, FClientHeight - PageHeight()));
  if (pos == FScrollPos) return;
  TScrollInfo info;
  info.Mask = win::SIF_POS;
  info.Pos = pos;
  FPlatform.SetScrollInfo(FHandle, win::SB_VERT, info, true);
  MoveChildrenTo(pos);
}

void TForm::MoveChildrenTo(int pos) {
  if (pos == FScrollPos) return;
  FScrollPos = pos;
  for (TControl* c : Controls()) c->ApplyBounds();
  Invalidate();
}

void TForm::ScrollInView(TControl& control) {
  if (!FScrolls) return;
  // Where the control lies in the client area as laid out, and the form's
  // own child that holds it.
  TRect r = control.BoundsRect();
  TControl* outer = &control;
  for (TWinControl* p = control.Parent(); p && p != this; p = p->Parent()) {
    r = {r.Left + p->Left(), r.Top + p->Top(), r.Right + p->Left(), r.Bottom + p->Top()};
    outer = p;
  }
  if (outer->Parent() != this) return;
  const int page = PageHeight(), margin = Scale(4);
  // The whole group when it fits: its caption names what the control sets.
  const TRect& group = outer->BoundsRect();
  const TRect want = group.Height() + 2 * margin <= page ? group : r;
  int pos = FScrollPos;
  if (want.Top - margin < pos) {
    pos = want.Top - margin;
  } else if (want.Bottom + margin > pos + page) {
    pos = want.Bottom + margin - page;
  }
  ScrollTo(pos);
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
  TRect around{0, 0, FPlatform.GetSystemMetrics(0), FPlatform.GetSystemMetrics(1)};  // the primary screen
  TRect owner;
  const HWND ownerWnd = EffectiveOwner();
  if (Position == TPosition::poOwnerFormCenter && ownerWnd && FPlatform.IsWindowVisible(ownerWnd) &&
      FPlatform.GetWindowRect(ownerWnd, owner)) {
    around = owner;
  }
  const std::vector<TMonitorInfo> monitors = FPlatform.EnumDisplayMonitors();
  const TMonitorInfo* monitor = MonitorOfRect(around, monitors);
  // Centred as it shows there: cut to the work area when taller.
  const TSize size = monitor ? WindowSizeOn(WorkAreaOf(*monitor)) : TSize{Width(), Height()};
  const int left = around.Left + (around.Width() - size.Cx) / 2, top = around.Top + (around.Height() - size.Cy) / 2;
  const TRect centred{left, top, left + size.Cx, top + size.Cy};
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
  // The system's own controls underline their access keys and show the
  // focus from the start, as ours do, not only after Alt is pressed.
  FPlatform.SendMessageW(FHandle, win::WM_CHANGEUISTATE,
                         win::UIS_CLEAR | ((win::UISF_HIDEACCEL | win::UISF_HIDEFOCUS) << 16), 0);
  if (!FVisible || !FPlatform.IsWindowVisible(FHandle)) {
    FVisible = true;
    if (OnShow) OnShow(*this);
    if (!FHandle) return false;  // OnShow closed it
    FitOnWorkArea(true);
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

std::vector<TControl*> TForm::AllControls() {
  std::vector<TControl*> all;
  std::function<void(TWinControl&)> walk = [&](TWinControl& w) {
    for (TControl* c : w.TabList()) {
      all.push_back(c);
      if (auto* inner = dynamic_cast<TWinControl*>(c)) walk(*inner);
    }
  };
  walk(*this);
  return all;
}

std::vector<TControl*> TForm::TabStops() {
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
  return order;
}

TControl* TForm::FindNextControl(TControl* current, bool forward) {
  const std::vector<TControl*> order = TabStops();
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

void TForm::FocusByKey(TControl* control) {
  if (!control) return;
  control->SetFocus();
  // Reaching a one-line edit by the keyboard selects its text, as in every dialog.
  if (auto* edit = dynamic_cast<TEdit*>(control); edit && !dynamic_cast<TMemo*>(control)) edit->SelectAll();
}

void TForm::SelectNext(TControl* current, bool forward) { FocusByKey(FindNextControl(current, forward)); }

TControl* TForm::NextTabStopAfter(TControl* control) {
  const std::vector<TControl*> all = AllControls(), stops = TabStops();
  const auto at = std::find(all.begin(), all.end(), control);
  if (at == all.end() || stops.empty()) return nullptr;
  // Round the form from just after it, as Windows' dialogs do.
  for (std::size_t k = 1; k < all.size(); ++k) {
    TControl* c = all[(static_cast<std::size_t>(at - all.begin()) + k) % all.size()];
    if (std::find(stops.begin(), stops.end(), c) != stops.end()) return c;
  }
  return nullptr;
}

TControl* TForm::FindAccessKeyControl(TControl* current, char16_t key) {
  if (key == 0) return nullptr;
  const std::vector<TControl*> all = AllControls();
  const auto at = std::find(all.begin(), all.end(), current);
  const std::size_t start = at == all.end() ? all.size() - 1 : static_cast<std::size_t>(at - all.begin());
  const std::u16string wanted(1, key);
  for (std::size_t k = 1; k <= all.size(); ++k) {
    TControl* c = all[(start + k) % all.size()];
    const char16_t shown = c->AccessKey();
    if (shown == 0 || !c->CanFocus()) continue;
    // Letters of any script, in either case.
    if (FPlatform.CompareStringW(win::NORM_IGNORECASE, std::u16string(1, shown), wanted) == win::CSTR_EQUAL) return c;
  }
  return nullptr;
}

void TForm::PressAccessKey(TControl& control) {
  if (auto* radio = dynamic_cast<TRadioButton*>(&control)) {
    radio->SetFocus();
    radio->SetChecked(true);
  } else if (auto* check = dynamic_cast<TCheckBox*>(&control)) {
    check->SetFocus();
    check->SetChecked(!check->Checked());
  } else if (auto* button = dynamic_cast<TButton*>(&control)) {
    button->SetFocus();
    button->Click();
  } else {
    // A label or a group box names what follows it.
    FocusByKey(NextTabStopAfter(&control));
  }
}

bool TForm::DialogChar(const TMsg& msg) {
  TControl* target = msg.Wnd == FHandle ? this : FindControl(msg.Wnd);
  if (!target) return false;
  const auto ch = static_cast<char16_t>(msg.WParam);
  if (target != this && target->WantsChar(msg.Message, ch)) return false;
  TControl* found = FindAccessKeyControl(target == this ? nullptr : target, ch);
  if (!found) return false;
  PressAccessKey(*found);
  return true;
}

bool TForm::DialogKey(const TMsg& msg) {
  if (!FHandle) return false;
  if (msg.Message == win::WM_CHAR || msg.Message == win::WM_SYSCHAR) return DialogChar(msg);
  if (msg.Message != win::WM_KEYDOWN) return false;
  TControl* target = msg.Wnd == FHandle ? this : FindControl(msg.Wnd);
  if (!target) return false;
  const int vk = static_cast<int>(msg.WParam);
  if (vk != win::VK_TAB && vk != win::VK_RETURN && vk != win::VK_ESCAPE && !IsArrowKey(vk)) return false;
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
        TControl* target =
            FActiveControl && FActiveControl->CanFocus() ? FActiveControl : FindNextControl(nullptr, true);
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
    case win::WM_VSCROLL: {
      const int line = Scale(16), page = PageHeight();
      switch (LoWord(wParam)) {
        case win::SB_LINEUP:
          ScrollTo(FScrollPos - line);
          break;
        case win::SB_LINEDOWN:
          ScrollTo(FScrollPos + line);
          break;
        case win::SB_PAGEUP:
          ScrollTo(FScrollPos - std::max(line, page - line));
          break;
        case win::SB_PAGEDOWN:
          ScrollTo(FScrollPos + std::max(line, page - line));
          break;
        case win::SB_THUMBPOSITION:
        case win::SB_THUMBTRACK:
          ScrollTo(static_cast<int>(HiWord(wParam)));
          break;
        case win::SB_TOP:
          ScrollTo(0);
          break;
        case win::SB_BOTTOM:
          ScrollTo(FClientHeight);
          break;
        default:
          break;
      }
      return 0;
    }
    case win::WM_MOUSEWHEEL:
      if (!FScrolls) return DefaultHandler(msg, wParam, lParam);
      // Three lines a notch, as Windows scrolls by default.
      if (const int notches = FWheel.Add(WheelDeltaFromWParam(wParam))) ScrollTo(FScrollPos - notches * 3 * Scale(16));
      return 0;
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
  const UINT m = msg.Message;
  if ((m != win::WM_KEYDOWN && m != win::WM_CHAR && m != win::WM_SYSCHAR) || !ActiveForm) return false;
  return ActiveForm->DialogKey(msg);
}

}  // namespace lensoro

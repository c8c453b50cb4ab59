#include "Main.h"

#include <stdexcept>

#include "Dpi.h"
#include "Format.h"
#include "Ini.h"
#include "Lang.h"
#include "LnsLib.h"
#include "MessageParams.h"
#include "Settings.h"

namespace lensoro {

TMainForm::TMainForm(TApplication& app)
    : FApp(app),
      FPlatform(app.Platform),
      Timer1(app.Platform),
      Tray(app, FSettings, [this] { Commands.ActPopMinimizeAndRestore.Execute(); }),
      HotKey(
          app, [this] { Commands.ActPopMinimizeAndRestore.Execute(); },
          [this](TShortCut shortCut) {
            Commands.ActPopMinimizeAndRestore.ShortCut = shortCut;
            FSettings.HotKey = shortCut;
          }) {
  // Every path the loupe reads or writes is made from it.
  if (FApp.ExeName.empty()) throw std::runtime_error(Utf16ToUtf8(NoExePathText));
  FApp.MainForm = this;
  FApp.SaveNotice = &FSaveNotice;
  Commands.BindActions();
  TCreateWindowParams params;
  CreateParams(params);
  FHandle = FPlatform.CreateWindowExW(params);
  if (FHandle == 0) {
    FApp.MainForm = nullptr;
    FApp.SaveNotice = nullptr;
    throw std::runtime_error("Lensoro cannot create its window.");
  }
  Timer1.Bind(FHandle, Timer1Id);
  FormCreate();
}

TMainForm::~TMainForm() {
  FormDestroy();
  Tray.TrayIcon1.reset();
  Timer1.SetEnabled(false);
  if (FHandle) FPlatform.DestroyWindow(FHandle);
  FHandle = 0;
  if (FApp.MainForm == this) FApp.MainForm = nullptr;
  if (FApp.SaveNotice == &FSaveNotice) FApp.SaveNotice = nullptr;
}

bool LoadSettings(TMainForm& form) {
  TLoupeSettings settings;
  settings.HotKey = form.HotKey.ShortCut();
  const bool placed = LoadSettings(form.App(), settings, form.BoundsRect(), [&form](const TRect& r) {
    form.SetBounds(r.Left, r.Top, r.Width(), r.Height());
    return form.BoundsRect();
  });
  form.FSettings = settings;
  form.HotKey.Assign(settings.HotKey, THotKeyOrigin::Saved);
  return placed;
}

TIniFileResult SaveSettings(TMainForm& form) {
  TLoupeSettings settings = form.FSettings;
  settings.HotKey = form.HotKey.ShortCut();
  return SaveSettings(form.App(), settings, form.BoundsRect());
}

void TMainForm::CreateParams(TCreateWindowParams& params) const {
  params.ClassName = u"TMainForm";
  params.Style = LoupeStyle;
  params.ExStyle = LoupeExStyle;
  // The designed client size is for 96 DPI and grows with the screen's
  // density; the window has no border, so client and window size agree.
  const int ppi = FPlatform.GetScreenPixelsPerInch();
  params.X = DesignedLeft;
  params.Y = DesignedTop;
  params.Width = LoupeScaleByDpi(DesignedClientWidth, ppi > 0 ? ppi : 96);
  params.Height = LoupeScaleByDpi(DesignedClientHeight, ppi > 0 ? ppi : 96);
  params.Handler = const_cast<TMainForm*>(this);
}

void TMainForm::FormCreate() {
  // The tray's images are made at the screen's rate, read first.
  const double screenRate = FPlatform.GetScreenPixelsPerInch() / 96.0;
  // Made at the system DPI's designed size; its monitor may have a DPI of
  // its own. A place from the settings on another monitor scales it again
  // (WM_DPICHANGED), a saved size replaces it.
  FDpi = WindowDpi(FPlatform, FHandle);
  if (FDpi != SystemDpi(FPlatform)) {
    SetBounds(DesignedLeft, DesignedTop, LoupeScaleByDpi(DesignedClientWidth, FDpi),
              LoupeScaleByDpi(DesignedClientHeight, FDpi));
  }
  FApp.OsVersion = GetOsVersionNumber(FPlatform);

  // The loupe draws no text of its own, so the menu font and double
  // buffering have nothing to act on here. Layered, fully opaque, no IME.
  FPlatform.ImmDisableForWindow(FHandle);
  FPlatform.SetLayeredWindowAttributes(FHandle, 0, 255, win::LWA_ALPHA);

  FPlatform.SetWindowTextW(FHandle, LoupeCaption);
  FIsTopmost = true;
  FIsActive = true;

  const bool isWindows7 = FApp.OsVersion == 6017600 || FApp.OsVersion == 6017601;
  FInstances = std::make_unique<TLoupeInstances>(FApp, static_cast<ILoupeHost&>(*this), FMagnifier, isWindows7);

  bool placed = false;
  {
    // The language file's name and the settings come from one reading of
    // the settings file.
    TFileBatchScope settings(FApp);
    if (HoldWritesThroughLinks(FApp)) FSaveNotice.HoldSaves(win::ERROR_ACCESS_DENIED);
    EnsureLangDir(FApp);
    Commands.ApplyMainFormLang();
    TellStartNotices(FApp);
    placed = LoadSettings(*this);
  }
  KeepOnMonitors();

  HotKey.Start(FHandle);

  // Without a magnifier there is no loupe: once the quit path has been
  // taken, the steps below would only repeat the report for every call
  // that needs the missing child. The message loop then ends the program.
  CreateMagnifier();
  if (FApp.Terminated()) return;
  UpdateFilterList(true);
  if (FApp.Terminated()) return;
  ApplyLoupeSettings();

  Tray.Start(FHandle, &Commands.PopupMenu1, screenRate);

  Timer1.OnTimer = [this] { Timer1Timer(); };
  Timer1.SetInterval(50);
  Timer1.SetEnabled(true);
  // Without its timer the loupe would stand still and nobody would know.
  if (!Timer1.Running()) ShowErrorMessage(FApp.Lang.Text(u"MsgErrorMagSetWindowSource"));

  FOrgWindowProc = FWindowProc;
  FWindowProc = &TMainForm::NewWindowProc;

  if (FSettings.IsSilentMode) {
    MinimizeToTray();
  } else {
    Commands.ActPopMinimizeAndRestore.Caption = FApp.Lang.Text(u"MinimizeToTrayCaption");
  }

  FInstances->RegisterMagNotify();

  StartupNotify();
  if (!placed) MoveOffOtherLoupes();
}

void TMainForm::FormDestroy() {
  if (FDestroyed) return;
  FDestroyed = true;
  FPlatform.MagUninitialize();
  ReportSaveResult(FApp, FSaveNotice, SaveSettings(*this), FHandle);
  if (FOrgWindowProc) FWindowProc = FOrgWindowProc;
  FInstances.reset();
  HotKey.Finish();
}

void TMainForm::Show() {
  FVisible = true;
  FPlatform.ShowWindow(FHandle, win::SW_SHOW);
}

void TMainForm::Hide() {
  FVisible = false;
  FPlatform.ShowWindow(FHandle, win::SW_HIDE);
}

TRect TMainForm::BoundsRect() const {
  TRect r;
  FPlatform.GetWindowRect(FHandle, r);
  return r;
}

void TMainForm::SetBounds(int left, int top, int width, int height) {
  FPlatform.SetWindowPos(FHandle, 0, left, top, width, height, win::SWP_NOZORDER | win::SWP_NOACTIVATE);
}

void TMainForm::SetColor(TColor color) {
  FColor = color;
  FPlatform.InvalidateRect(FHandle, true);
}

void TMainForm::FormShow() { FPlatform.ShowWindow(FApp.Handle(), win::SW_HIDE); }

void TMainForm::FormActivate() { FPlatform.ShowWindow(FApp.Handle(), win::SW_HIDE); }

void TMainForm::ShowErrorMessage(const std::u16string& templ) { lensoro::ShowErrorMessage(FApp, templ, FHandle); }

void TMainForm::BeginNotTopmost() {
  ++FNotTopmostCount;
  FIsTopmost = false;
}

void TMainForm::EndNotTopmost() {
  if (FNotTopmostCount > 0) --FNotTopmostCount;
  if (FNotTopmostCount == 0) FIsTopmost = true;
}

void TMainForm::ActPopQuitExecute() {
  ClosingNotify();
  FApp.Terminate();
  // A close request while the menu is up ("End task", the session ending)
  // closes the menu first; the loop then ends when it returns.
  if (Commands.PopupMenu1.IsOpen()) FPlatform.EndMenu();
}

LRESULT TMainForm::HandleMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (FHandle == 0) FHandle = wnd;  // messages sent while the window is being created
  // After FormDestroy (the session ended) the form is gone as far as the
  // program is concerned; only the platform's handling is left.
  if (FDestroyed) return FPlatform.DefWindowProcW(wnd, msg, wParam, lParam);
  try {
    return (this->*FWindowProc)(msg, wParam, lParam);
  } catch (const std::exception& e) {
    FApp.ShowException(e);
    return 0;
  }
}

LRESULT TMainForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = DefaultHandler(msg, wParam, lParam);
  if (const UINT magNotify = FInstances ? FInstances->UMMagNotify() : 0; magNotify != 0 && msg == magNotify) {
    FInstances->UMMagNotifyReceived(lParam);
  }
  return result;
}

LRESULT TMainForm::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case win::WM_TIMER:
      if (wParam == Timer1.Id()) {
        Timer1.Tick();
        return 0;
      }
      break;
    case win::WM_ERASEBKGND: {
      TRect client;
      FPlatform.GetClientRect(FHandle, client);
      FPlatform.FillSolidRect(static_cast<HDC>(wParam), client, ColorToRGB(FPlatform, FColor));
      return 1;
    }
    case win::WM_NCHITTEST:
      return WMNCHitTest(FPlatform.DefWindowProcW(FHandle, msg, wParam, lParam), lParam);
    case win::WM_GETMINMAXINFO:
      FPlatform.DefWindowProcW(FHandle, msg, wParam, lParam);
      if (lParam) WMGetMinMaxInfo(lParam);
      return 0;
    case win::WM_SIZE:
      FormResize();
      break;
    case win::WM_LBUTTONDOWN:
    case win::WM_RBUTTONDOWN:
    case win::WM_MBUTTONDOWN:
      FormMouseDown(MouseShiftState(FPlatform, wParam, false));
      break;
    case win::WM_LBUTTONDBLCLK:
    case win::WM_RBUTTONDBLCLK:
    case win::WM_MBUTTONDBLCLK:
      FormMouseDown(MouseShiftState(FPlatform, wParam, true));
      if (msg == win::WM_LBUTTONDBLCLK) FormDblClick();
      break;
    case win::WM_MOUSEWHEEL: {
      const int notches = FWheelNotches.Add(WheelDeltaFromWParam(wParam));
      const TShiftState shift = MouseShiftState(FPlatform, wParam, false);
      for (int n = 0; n < notches; ++n) FormMouseWheelUp(shift);
      for (int n = 0; n > notches; --n) FormMouseWheelDown(shift);
      return 0;
    }
    case win::WM_SHOWWINDOW:
      if (wParam != 0) FormShow();
      break;
    case win::WM_ACTIVATE:
      if (LoWord(wParam) != win::WA_INACTIVE) FormActivate();
      break;
    case UM_LOUPENOTIFY:
      UMLoupeNotify(wParam, lParam);
      return 0;
    case win::WM_CONTEXTMENU:
      Commands.WMContextMenu(PointFromLParam(lParam));
      return 0;
    case win::WM_ENTERMENULOOP:
      // The tracking tick must not push the loupe above its own menu.
      BeginNotTopmost();
      return 0;
    case win::WM_EXITMENULOOP:
      EndNotTopmost();
      return 0;
    case win::WM_HOTKEY:
      HotKey.WMHotKey(wParam);
      return 0;
    case win::WM_DPICHANGED:
      WMDpiChanged(wParam, lParam);
      return 0;
    case win::WM_DISPLAYCHANGE:
      // A monitor unplugged or rearranged may have taken the loupe with it.
      KeepOnMonitors();
      break;
    case UM_FREEOPTIONFORM:
      Commands.FreeClosedOptionForm();
      return 0;
    case win::WM_CLOSE:
      // Closing the loupe (Alt+F4, a script's WM_CLOSE) quits the program.
      ActPopQuitExecute();
      return 0;
    case win::WM_QUERYENDSESSION:
      return 1;
    case win::WM_ENDSESSION:
      // The process may end as soon as this returns: finish now.
      if (wParam != 0) {
        ActPopQuitExecute();
        FormDestroy();
      }
      return 0;
    default:
      break;
  }
  return FPlatform.DefWindowProcW(FHandle, msg, wParam, lParam);
}

}  // namespace lensoro

#include "RsTrayIcon.h"

#include <algorithm>
#include <random>

#include "LnsImage.h"
#include "Menus.h"

namespace lensoro {

namespace {

constexpr UINT TrayFlags = win::NIF_MESSAGE | win::NIF_ICON | win::NIF_TIP;
constexpr std::uintptr_t AnimationTimerId = 1, RetryTimerId = 2;
constexpr int LastRetry = 28;

const char* const ErrCannotAdd = "RsTrayIcon cannot add a tray icon.";
const char* const ErrCannotDelete = "RsTrayIcon cannot delete a tray icon.";

// The first `N - 1` characters and a terminating zero; a surrogate pair
// that the cut would split is left out whole.
template <std::size_t N>
void CopyTruncated(char16_t (&field)[N], const std::u16string& text) {
  std::size_t n = std::min(text.size(), N - 1);
  if (n > 0 && n < text.size() && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  std::fill(std::begin(field), std::end(field), u'\0');
  std::copy_n(text.begin(), n, field);
}

// Element order of the balloon options with their flags.
constexpr std::pair<TRsBalloonOptions, DWORD> BalloonOptionFlags[] = {
    {rbfoNoSound, win::NIIF_NOSOUND},
    {rbfoLargeIcon, win::NIIF_LARGE_ICON},
    {rbfoRespectQuietTime, win::NIIF_RESPECT_QUIET_TIME},
    {rbfoIconMask, win::NIIF_ICON_MASK},
};

DWORD OptionFlags(TRsBalloonOptions options) {
  DWORD flags = 0;
  for (const auto& [option, flag] : BalloonOptionFlags)
    if (options & option) flags |= flag;
  return flags;
}

// min if max <= min; below min wraps to max, above max to min.
int WrapIndex(int value, int min, int max) {
  if (max <= min) return min;
  if (value < min) return max;
  if (value > max) return min;
  return value;
}

}  // namespace

void TIcon::Take(HICON icon) {
  if (icon == FHandle) return;
  if (FHandle) FPlatform.DestroyIcon(FHandle);
  FHandle = icon;
}

HICON MakeListIcon(TPlatform& platform, const TPngImageList& list, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= list.size()) return 0;
  const TPngImage& image = list[static_cast<std::size_t>(index)];
  if (image.Empty()) return 0;
  return platform.CreateIconIndirect(image.Width, image.Height, PngToBgra(image));
}

TRsTrayIcon::TRsTrayIcon(TBaseApplication& app)
    : FApp(app),
      FPlatform(app.Platform),
      FAnimationTimer(app.Platform),
      FRetryTimer(app.Platform),
      FIcon(app.Platform),
      FTempIcon(app.Platform),
      FNotificationIcon(app.Platform) {
  TCreateWindowParams params;
  params.ClassName = u"TRsTrayIconWindow";
  params.Style = win::WS_POPUP;
  params.Handler = this;
  FWindowHandle = FPlatform.CreateWindowExW(params);

  std::minstd_rand random(FPlatform.GetTickCount());
  FCallbackMessage = std::uniform_int_distribution<UINT>(1023, 32767)(random);
  FTaskbarCreated = FPlatform.RegisterWindowMessageW(u"TaskbarCreated");

  FAnimationTimer.Bind(FWindowHandle, AnimationTimerId);
  FAnimationTimer.SetInterval(1000);
  FAnimationTimer.OnTimer = [this] { DoAnimate(); };
  FRetryTimer.Bind(FWindowHandle, RetryTimerId);
  FRetryTimer.SetInterval(1000);
  FRetryTimer.OnTimer = [this] { RetryTimerTimer(); };

  FIconData.cbSize = NotifyIconDataSize;
  FIconData.hWnd = FWindowHandle;
  FIconData.uID = FWindowHandle;
  FIconData.uFlags = TrayFlags;
  FIconData.uCallbackMessage = FCallbackMessage;
  FIconData.dwInfoFlags = 0;
  FIconData.uTimeout = 10000;
}

TRsTrayIcon::~TRsTrayIcon() {
  try {
    DeleteIcon();
  } catch (const std::exception& e) {
    FApp.ShowException(e);
  }
  FAnimationTimer.SetEnabled(false);
  FRetryTimer.SetEnabled(false);
  if (FWindowHandle) FPlatform.DestroyWindow(FWindowHandle);
}

// --- The shell --------------------------------------------------------------------

void TRsTrayIcon::AddIcon() {
  if (FLoaded) return;
  if (FPlatform.Shell_NotifyIconW(win::NIM_ADD, FIconData)) {
    FLoaded = true;
    // A retry still pending would add the icon a second time, be refused
    // and end in the add error although the icon is there.
    FRetryTimer.SetEnabled(false);
    return;
  }
  // The shell is busy (it is starting, or the machine is loaded): try again.
  if (FPlatform.GetLastError() == win::ERROR_TIMEOUT) {
    FRetryCount = 0;
    FRetryTimer.SetEnabled(true);
  }
}

void TRsTrayIcon::RetryTimerTimer() {
  FIconData.hIcon = FIcon.Handle();
  if (FPlatform.Shell_NotifyIconW(win::NIM_ADD, FIconData)) {
    FLoaded = true;
    FRetryTimer.SetEnabled(false);
    return;
  }
  if (FRetryCount > LastRetry) {
    FRetryTimer.SetEnabled(false);
    throw EOutOfResources(ErrCannotAdd);
  }
  ++FRetryCount;
}

void TRsTrayIcon::ModifyIcon() {
  if (!FLoaded) return;
  if (FUpdateCount > 0) {
    FModifyPending = true;
    return;
  }
  FPlatform.Shell_NotifyIconW(win::NIM_MODIFY, FIconData);
}

void TRsTrayIcon::EndUpdate() {
  if (FUpdateCount == 0 || --FUpdateCount > 0 || !FModifyPending) return;
  FModifyPending = false;
  ModifyIcon();
}

void TRsTrayIcon::DeleteIcon() {
  if (!FLoaded) return;
  if (!FPlatform.Shell_NotifyIconW(win::NIM_DELETE, FIconData)) throw EOutOfResources(ErrCannotDelete);
  FLoaded = false;
}

// --- Properties --------------------------------------------------------------------

void TRsTrayIcon::SetVisible(bool value) {
  FVisible = value;
  if (!value) {
    FAnimationTimer.SetEnabled(false);
    // A pending retry would bring the icon back after it was taken away.
    FRetryTimer.SetEnabled(false);
    DeleteIcon();
    return;
  }
  if (FLoaded) return;
  if (FAnimate) {
    FIconData.hIcon = FTempIcon.Handle();
    AddIcon();
    FAnimationTimer.SetEnabled(true);
  } else {
    if (FIcon.Empty()) FIcon.Take(FPlatform.LoadImageW(1, 16, 16));
    FIconData.hIcon = FIcon.Handle();
    AddIcon();
  }
}

void TRsTrayIcon::SetIcon(HICON icon) {
  if (icon != FIcon.Handle()) FIcon.Assign(icon);
  FIconData.hIcon = FIcon.Handle();
  ModifyIcon();
}

void TRsTrayIcon::TakeIcon(HICON icon) {
  FIcon.Take(icon);
  SetIcon(FIcon.Handle());
}

void TRsTrayIcon::SetIconIndex(int value) {
  if (value == FIconIndex) return;
  FIconIndex = value;
  if (FIcons) FTempIcon.Take(MakeListIcon(FPlatform, *FIcons, value));
  FIconData.hIcon = FTempIcon.Handle();
  ModifyIcon();
}

void TRsTrayIcon::SetIcons(const TPngImageList* list) {
  if (list == FIcons) return;
  FIcons = list;
  if (FIcons) {
    FTempIcon.Take(MakeListIcon(FPlatform, *FIcons, FIconIndex));
  } else if (!FIcon.Empty()) {
    FTempIcon.Assign(FIcon.Handle());
  } else {
    FTempIcon.Take(FPlatform.LoadImageW(1, 16, 16));
  }
  FIconData.hIcon = FTempIcon.Handle();
  ModifyIcon();
}

void TRsTrayIcon::SetHint(const std::u16string& value) {
  std::u16string escaped;
  for (const char16_t c : value) {
    if (c == u'&') {
      escaped += u"&&&";
    } else {
      escaped += c;
    }
  }
  FHint = escaped;
  CopyTruncated(FIconData.szTip, FHint);
  ModifyIcon();
}

void TRsTrayIcon::SetAnimate(bool value) {
  if (value == FAnimate) return;
  FAnimate = value;
  if (!FIcons || FIcons->empty() || !FVisible) return;
  FAnimationTimer.SetEnabled(value);
  if (!value) SetIcon(FIcon.Handle());
}

void TRsTrayIcon::SetBalloonTitle(const std::u16string& value) {
  FBalloonTitle = value;
  CopyTruncated(FIconData.szInfoTitle, value);
}

void TRsTrayIcon::SetBalloonHint(const std::u16string& value) {
  FBalloonHint = value;
  CopyTruncated(FIconData.szInfo, value);
}

void TRsTrayIcon::SetBalloonFlags(TRsBalloonFlags value) {
  FBalloonFlags = value;
  FIconData.dwInfoFlags = value;
}

void TRsTrayIcon::SetNotificationIcon(HICON icon) {
  if (icon != FNotificationIcon.Handle()) FNotificationIcon.Assign(icon);
  FIconData.hBalloonIcon = FNotificationIcon.Handle();
  TIconBits bits;
  if (FNotificationIcon.Handle() && FPlatform.GetIconInfo(FNotificationIcon.Handle(), bits) && bits.Width == 32 &&
      bits.Height == 32) {
    FBalloonOptions |= rbfoLargeIcon;
  }
}

// --- Balloons -------------------------------------------------------------------------

void TRsTrayIcon::ShowBalloon() {
  if (!FLoaded) return;
  FIconData.uFlags = win::NIF_INFO;
  FIconData.dwInfoFlags |= OptionFlags(FBalloonOptions);
  FIconData.dwInfoFlags |= FBalloonFlags;
  FPlatform.Shell_NotifyIconW(win::NIM_MODIFY, FIconData);
  FIconData.uFlags = TrayFlags;
}

void TRsTrayIcon::ShowBalloon(const std::u16string& title, const std::u16string& hint, TRsBalloonFlags flags,
                              TRsBalloonOptions options, UINT timeout) {
  if (!FLoaded) return;
  FIconData.uFlags = win::NIF_INFO;
  CopyTruncated(FIconData.szInfoTitle, title);
  CopyTruncated(FIconData.szInfo, hint);
  FIconData.dwInfoFlags = OptionFlags(options) | flags;
  FIconData.uTimeout = timeout;
  FPlatform.Shell_NotifyIconW(win::NIM_MODIFY, FIconData);
  FIconData.uFlags = TrayFlags;
}

void TRsTrayIcon::HideBalloon() {
  if (!FLoaded) return;
  FIconData.uFlags = win::NIF_INFO;
  CopyTruncated(FIconData.szInfoTitle, u"");
  CopyTruncated(FIconData.szInfo, u"");
  FPlatform.Shell_NotifyIconW(win::NIM_MODIFY, FIconData);
  FIconData.uFlags = TrayFlags;
}

void TRsTrayIcon::DoAnimate() {
  if (OnAnimate) OnAnimate();
  if (FIcons) SetIconIndex(WrapIndex(FIconIndex + 1, 0, static_cast<int>(FIcons->size()) - 1));
}

// --- The callback window ------------------------------------------------------------------

LRESULT TRsTrayIcon::HandleMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (FWindowHandle == 0) FWindowHandle = wnd;
  try {
    return TrayWndProc(msg, wParam, lParam);
  } catch (const std::exception& e) {
    FApp.ShowException(e);
    return 0;
  }
}

LRESULT TRsTrayIcon::TrayWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == FCallbackMessage) {
    HandleTrayMessage(wParam, lParam);
    return 0;
  }
  if (msg == win::WM_TIMER && wParam == AnimationTimerId) {
    FAnimationTimer.Tick();
    return 0;
  }
  if (msg == win::WM_TIMER && wParam == RetryTimerId) {
    FRetryTimer.Tick();
    return 0;
  }
  if (FTaskbarCreated != 0 && msg == FTaskbarCreated) {
    // The new taskbar knows nothing of us: add the image shown before.
    if (FLoaded) {
      FLoaded = false;
      AddIcon();
    }
    return 0;
  }
  return FPlatform.DefWindowProcW(FWindowHandle, msg, wParam, lParam);
}

void TRsTrayIcon::HandleTrayMessage(WPARAM wParam, LPARAM lParam) {
  if (wParam != FIconData.uID) return;
  const TShiftState shift = KeyboardShiftState(FPlatform);
  TPoint p;
  FPlatform.GetCursorPos(p);
  switch (static_cast<UINT>(lParam)) {
    case win::WM_MOUSEMOVE:
      if (OnMouseMove) OnMouseMove(shift, p.X, p.Y);
      break;
    case win::WM_LBUTTONDOWN:
      FLeftClicked = true;
      if (OnMouseDown) OnMouseDown(TMouseButton::mbLeft, shift, p.X, p.Y);
      break;
    case win::WM_LBUTTONUP:
      if (FLeftClicked && OnClick) {
        FLeftClicked = false;
        OnClick();
      }
      if (OnMouseUp) OnMouseUp(TMouseButton::mbLeft, shift, p.X, p.Y);
      break;
    case win::WM_LBUTTONDBLCLK:
    case win::WM_RBUTTONDBLCLK:
    case win::WM_MBUTTONDBLCLK:
      if (OnDblClick) OnDblClick();
      break;
    case win::WM_RBUTTONDOWN:
      if (OnMouseDown) OnMouseDown(TMouseButton::mbRight, shift, p.X, p.Y);
      break;
    case win::WM_RBUTTONUP:
      if (OnMouseUp) OnMouseUp(TMouseButton::mbRight, shift, p.X, p.Y);
      if (FPopupMenu) {
        // Without the foreground the menu would not close when the user
        // clicks elsewhere.
        FPlatform.SetForegroundWindow(FApp.Handle());
        FApp.ProcessMessages();
        FPopupMenu->Popup(p.X, p.Y);
      }
      break;
    case win::WM_MBUTTONDOWN:
      if (OnMouseDown) OnMouseDown(TMouseButton::mbMiddle, shift, p.X, p.Y);
      break;
    case win::WM_MBUTTONUP:
      if (OnMouseUp) OnMouseUp(TMouseButton::mbMiddle, shift, p.X, p.Y);
      break;
    case win::NIN_BALLOONHIDE:
    case win::NIN_BALLOONTIMEOUT:
    case win::NIN_BALLOONUSERCLICK:
      FIconData.uFlags = TrayFlags;
      break;
    default:
      break;
  }
}

}  // namespace lensoro

// TRsTrayIcon: keeps one icon in the notification area for its owner. A
// hidden window receives the shell's callback message and turns it into
// mouse events; the right button's release opens the attached popup menu.
// The image is the fixed icon or an entry of an image list, which a timer
// can step through. An add that the shell answers with a time-out is tried
// again once a second, and the icon comes back when the taskbar restarts.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "Framework.h"
#include "LnsPng.h"
#include "Platform.h"

namespace lensoro {

class TPopupMenu;

// Raised when the notification area refuses an icon for good; shown by the
// application's error report.
class EOutOfResources : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum TRsBalloonFlags : std::uint8_t { rbfNone = 0, rbfInfo = 1, rbfWarning = 2, rbfError = 3, rbfUser = 4 };
// A set of balloon options.
using TRsBalloonOptions = unsigned;
constexpr TRsBalloonOptions rbfoNoSound = 0x1, rbfoLargeIcon = 0x2, rbfoRespectQuietTime = 0x4,
                            rbfoIconMask = 0x8;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// An icon handle with one owner.
class TIcon {
 public:
  explicit TIcon(TPlatform& platform) : FPlatform(platform) {}
  ~TIcon() { Clear(); }
  TIcon(const TIcon&) = delete;
  TIcon& operator=(const TIcon&) = delete;

  HICON Handle() const { return FHandle; }
  bool Empty() const { return FHandle == 0; }
  // Takes a handle made for us (0 empties the icon).
  void Take(HICON icon);
  // Keeps a copy of someone else's icon.
  void Assign(HICON icon) { Take(icon ? FPlatform.CopyIcon(icon) : 0); }
  void Clear() { Take(0); }

 private:
  TPlatform& FPlatform;
  HICON FHandle = 0;
};

// An icon of an image list entry; 0 for an index the list does not hold.
HICON MakeListIcon(TPlatform& platform, const TPngImageList& list, int index);

class TRsTrayIcon final : private IWindowHandler {
 public:
  explicit TRsTrayIcon(TBaseApplication& app);
  // Removes the icon; a refusal is shown by the application's error report.
  ~TRsTrayIcon();
  TRsTrayIcon(const TRsTrayIcon&) = delete;
  TRsTrayIcon& operator=(const TRsTrayIcon&) = delete;

  // --- Properties -------------------------------------------------------
  void SetAnimate(bool value);
  void SetAnimateInterval(UINT ms) { FAnimationTimer.SetInterval(ms); }
  void SetBalloonFlags(TRsBalloonFlags value);
  void SetBalloonHint(const std::u16string& value);
  void SetBalloonTimeout(UINT ms) { FIconData.uTimeout = ms; }
  const std::u16string& BalloonTitle() const { return FBalloonTitle; }
  void SetBalloonTitle(const std::u16string& value);
  // The tool tip as stored: every "&" tripled.
  const std::u16string& Hint() const { return FHint; }
  void SetHint(const std::u16string& value);
  const TIcon& Icon() const { return FIcon; }
  void SetIcon(HICON icon);
  // The same with an icon made for the tray alone: kept, not copied.
  void TakeIcon(HICON icon);
  int IconIndex() const { return FIconIndex; }
  void SetIconIndex(int value);
  void SetIcons(const TPngImageList* list);  // not owned
  void SetNotificationIcon(HICON icon);
  TRsBalloonOptions Options() const { return FBalloonOptions; }
  void SetOptions(TRsBalloonOptions value) { FBalloonOptions = value; }
  void SetPopupMenu(TPopupMenu* menu) { FPopupMenu = menu; }  // not owned
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);

  // --- Events -------------------------------------------------------------
  std::function<void()> OnAnimate, OnClick, OnDblClick;
  std::function<void(TMouseButton, TShiftState, int, int)> OnMouseDown, OnMouseUp;
  std::function<void(TShiftState, int, int)> OnMouseMove;

  // --- Balloons -------------------------------------------------------------
  void ShowBalloon();
  void ShowBalloon(const std::u16string& title, const std::u16string& hint, TRsBalloonFlags flags,
                   TRsBalloonOptions options, UINT timeout);
  void HideBalloon();

  // --- Several changes at once -------------------------------------------------
  // Changes of an icon in the tray between the two reach the shell as one
  // modification at the end (each one is a round trip to the shell).
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();

  // --- What the shell has been told -------------------------------------------
  const TNotifyIconData& IconData() const { return FIconData; }
  HWND WindowHandle() const { return FWindowHandle; }
  UINT CallbackMessage() const { return FCallbackMessage; }
  bool Loaded() const { return FLoaded; }
  bool Retrying() const { return FRetryTimer.Enabled(); }
  bool AnimationRunning() const { return FAnimationTimer.Enabled(); }

 protected:
  // The animation timer's tick.
  virtual void DoAnimate();

 private:
  LRESULT HandleMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT TrayWndProc(UINT msg, WPARAM wParam, LPARAM lParam);
  void HandleTrayMessage(WPARAM wParam, LPARAM lParam);
  void AddIcon();
  void ModifyIcon();
  void DeleteIcon();
  void RetryTimerTimer();

  TBaseApplication& FApp;
  TPlatform& FPlatform;
  TNotifyIconData FIconData;
  HWND FWindowHandle = 0;
  UINT FCallbackMessage = 0;
  UINT FTaskbarCreated = 0;
  bool FLoaded = false;
  bool FAnimate = false;
  TTimer FAnimationTimer;
  TTimer FRetryTimer;
  int FRetryCount = 0;
  TRsBalloonFlags FBalloonFlags = rbfNone;
  TRsBalloonOptions FBalloonOptions = 0;
  std::u16string FBalloonTitle, FBalloonHint, FHint;
  TIcon FIcon;
  int FIconIndex = 0;
  TIcon FTempIcon;
  const TPngImageList* FIcons = nullptr;
  TIcon FNotificationIcon;
  TPopupMenu* FPopupMenu = nullptr;
  bool FVisible = false;
  bool FLeftClicked = false;
  int FUpdateCount = 0;
  bool FModifyPending = false;
};

}  // namespace lensoro

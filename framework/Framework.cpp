#include "Framework.h"

#include <algorithm>
#include <vector>

#include "FilePath.h"
#include "Format.h"

namespace lensoro {

std::u16string ReadModuleFileName(TPlatform& platform) {
  std::vector<char16_t> buffer(win::MAX_PATH + 1);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD n = platform.GetModuleFileNameW(buffer.data(), size);
    if (n == 0) return {};
    if (n < size) return std::u16string(buffer.data(), n);
    // Cut: a bigger buffer, up to the longest path there is.
    if (size > MaxLongPathLength) return {};
    buffer.resize(std::min<std::size_t>(std::size_t{size} * 2, MaxLongPathLength + 1));
  }
}

TBaseApplication::TBaseApplication(TPlatform& platform) : Platform(platform) {
  // What the program computes when it is loaded, before the entry sequence.
  ExeName = ReadModuleFileName(Platform);
  if (!ExeName.empty()) IniFileName = ChangeFileExt(ExeName, u".ini");
  Title = ChangeFileExt(ExtractFileName(ExeName), u"");
}

const std::u16string& TBaseApplication::ExeUNCName() {
  if (FExeUNCName.empty()) FExeUNCName = Platform.ExpandUNCFileName(ExeName);
  return FExeUNCName;
}

TShiftState KeyboardShiftState(TPlatform& platform) {
  TShiftState s = 0;
  if (platform.GetKeyState(win::VK_SHIFT) < 0) s |= ssShift;
  if (platform.GetKeyState(win::VK_CONTROL) < 0) s |= ssCtrl;
  if (platform.GetKeyState(win::VK_MENU) < 0) s |= ssAlt;
  return s;
}

TShiftState MouseKeysShiftState(WPARAM keys) {
  TShiftState s = 0;
  if (keys & win::MK_SHIFT) s |= ssShift;
  if (keys & win::MK_CONTROL) s |= ssCtrl;
  if (keys & win::MK_LBUTTON) s |= ssLeft;
  if (keys & win::MK_RBUTTON) s |= ssRight;
  if (keys & win::MK_MBUTTON) s |= ssMiddle;
  return s;
}

TShiftState MouseShiftState(TPlatform& platform, WPARAM keys, bool isDouble) {
  TShiftState shift = MouseKeysShiftState(keys);
  // The mouse messages do not carry Alt.
  if (platform.GetKeyState(win::VK_MENU) < 0) shift |= ssAlt;
  if (isDouble) shift |= ssDouble;
  return shift;
}

TBaseApplication::~TBaseApplication() {
  if (FHandle) Platform.DestroyWindow(FHandle);
}

void TBaseApplication::Initialize() {
  if (FHandle) return;
  TCreateWindowParams p;
  p.ClassName = u"TLensoroApplication";
  p.WindowName = Title;
  p.Style = win::WS_POPUP;
  p.Handler = this;
  FHandle = Platform.CreateWindowExW(p);
}

void TBaseApplication::SetTitle(const std::u16string& title) {
  Title = title;
  if (FHandle) Platform.SetWindowTextW(FHandle, title);
}

void TBaseApplication::Terminate() {
  if (FTerminated) return;
  FTerminated = true;
  Platform.PostQuitMessage(0);
}

void TBaseApplication::Run() {
  if (!FTerminated) ShowMainForm();
  TMsg msg;
  for (;;) {
    const int r = Platform.GetMessageW(msg);
    if (r <= 0) break;  // WM_QUIT, or the queue is gone
    if (!ProcessDialogMessage(msg)) {
      Platform.TranslateMessage(msg);
      Platform.DispatchMessageW(msg);
    }
    if (FTerminated) {
      // A loop nested in that message (a menu's) may have taken the WM_QUIT
      // off the queue, so the request itself ends the loop. What was queued
      // before the quit still runs, and the quit goes: a message box shown
      // while the form is destroyed would take it and close at once.
      while (Platform.PeekMessageW(msg, true) && msg.Message != win::WM_QUIT) {
        if (ProcessDialogMessage(msg)) continue;
        Platform.TranslateMessage(msg);
        Platform.DispatchMessageW(msg);
      }
      break;
    }
  }
  FTerminated = true;
}

bool TBaseApplication::ProcessMessages() {
  TMsg msg;
  while (Platform.PeekMessageW(msg, true)) {
    if (msg.Message == win::WM_QUIT) {
      Platform.PostQuitMessage(static_cast<int>(msg.WParam));
      return false;
    }
    if (ProcessDialogMessage(msg)) continue;
    Platform.TranslateMessage(msg);
    Platform.DispatchMessageW(msg);
  }
  return !FTerminated;
}

void TBaseApplication::ShowException(const std::exception& e) {
  ShowError(Utf8ToUtf16(e.what()), MainFormHandle());
}

void TBaseApplication::ShowError(const std::u16string& text, HWND owner) {
  Platform.MessageDialog(text, Title, TMsgDlgType::Error, mbOK, owner);
}

LRESULT TBaseApplication::HandleMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // Popup menus are tracked on this window; the main form hears of the menu
  // loop so that it stops pushing itself above the menu.
  if (msg == win::WM_ENTERMENULOOP || msg == win::WM_EXITMENULOOP) {
    if (const HWND main = MainFormHandle()) Platform.SendMessageW(main, msg, wParam, lParam);
  }
  return Platform.DefWindowProcW(wnd, msg, wParam, lParam);
}

std::u16string SysErrorMessage(TPlatform& platform, DWORD code) {
  std::u16string text = platform.FormatMessageW(code);
  while (!text.empty() && (text.back() <= u' ' || text.back() == u'.')) text.pop_back();
  return text;
}

void TTimer::SetInterval(UINT ms) {
  if (ms == FInterval) return;
  FInterval = ms;
  Update();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  Update();
}

void TTimer::Update() {
  if (!FOwner) return;
  FPlatform.KillTimer(FOwner, FId);
  FRunning = FEnabled && FInterval > 0 && FPlatform.SetTimer(FOwner, FId, FInterval) != 0;
}

}  // namespace lensoro

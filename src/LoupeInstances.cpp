#include "LoupeInstances.h"

#include <algorithm>

#include "LnsLib.h"

namespace lensoro {

namespace {
bool Contains(const std::vector<int>& list, int value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}
}  // namespace

TLoupeInstances::TLoupeInstances(TApplication& app, ILoupeHost& loupe, const TLoupeMagnifier& magnifier,
                                 bool isWindows7)
    : FApp(app),
      FPlatform(app.Platform),
      FLoupe(loupe),
      FMagnifier(magnifier),
      FIsWindows7(isWindows7),
      FLnsList(app.Platform) {}

void TLoupeInstances::NotifyPeer(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // A copy that hangs must not freeze this one; the message and its order
  // stay the same, only the wait is bounded.
  LRESULT ignored = 0;
  FPlatform.SendMessageTimeoutW(wnd, msg, wParam, lParam, win::SMTO_NORMAL | win::SMTO_ABORTIFHUNG, PeerTimeoutMs,
                                ignored);
}

// Takes a copy of the list: while a send waits, the other copy's own
// messages to us are handled and may change ours.
void TLoupeInstances::NotifyPeers(const std::vector<HWND>& peers, WPARAM wParam, LPARAM lParam) {
  for (const HWND other : peers) NotifyPeer(other, UM_LOUPENOTIFY, wParam, lParam);
}

// --- The exclusion filter -------------------------------------------------

bool TLoupeInstances::ApplyExclusionList() {
  FLnsList.SetExcludedArray(FExcludedArray);
  const HWND* list = FExcludedArray.empty() ? nullptr : FExcludedArray.data();
  return FPlatform.MagSetWindowFilterList(FMagnifier.Handle(), win::MW_FILTERMODE_EXCLUDE,
                                          static_cast<int>(FExcludedArray.size()), list);
}

bool TLoupeInstances::UpdateFilterList(bool addSelf) {
  if (addSelf) FLnsList.Add(FLoupe.Handle()).IsVisible = true;
  return ApplyExclusionList();
}

// --- Finding the other copies -----------------------------------------------

void TLoupeInstances::SearchInstances(TInstanceSearch& search) {
  search.OwnPath = FApp.ExeUNCName();
  search.OwnName = ExtractFileName(search.OwnPath);
  FPlatform.EnumWindows([this, &search](HWND wnd) { return FindLoupeWindowsProc(search, wnd); });
}

bool TLoupeInstances::FindLoupeWindowsProc(TInstanceSearch& search, HWND wnd) {
  // Hidden copies count too: visibility is not looked at.
  if (FPlatform.GetWindow(wnd, win::GW_OWNER) != 0) return true;
  // Our own loupe is no other copy: our own process need not be opened.
  if (wnd != FLoupe.Handle()) {
    char16_t title[TextBufferLength] = {};
    const int length = FPlatform.GetWindowTextW(wnd, title, TextBufferLength);
    if (length <= 0) return true;
    if (SameTextAscii(std::u16string(title, static_cast<std::size_t>(length)), LoupeCaption)) {
      const std::u16string path = GetWindowProcessImagePath(FPlatform, wnd);
      if (!SameTextAscii(path, search.OwnPath) && ContainsFileName(path, search.OwnName)) {
        search.OtherList.push_back(wnd);
      }
    }
  }
  if (FIsWindows7) {
    FPlatform.EnumChildWindows(wnd, [this, &search](HWND child) { return FindMagnifierHostsProc(search, child); });
  }
  return true;
}

bool TLoupeInstances::FindMagnifierHostsProc(TInstanceSearch& search, HWND wnd) {
  char16_t text[TextBufferLength] = {};
  if (FPlatform.GetWindowTextW(wnd, text, TextBufferLength) <= 0) return true;
  char16_t className[260] = {};
  const int length = FPlatform.GetClassNameW(wnd, className, 260);
  if (length <= 0 || !SameTextAscii(std::u16string(className, static_cast<std::size_t>(length)), u"Magnifier")) {
    return true;
  }
  const HWND host = FPlatform.GetParent(wnd);
  if (host != FLoupe.Handle()) search.MagList.push_back(host);
  return true;
}

// --- Starting and closing -----------------------------------------------------

void TLoupeInstances::RegisterMagNotify() {
  if (FIsWindows7) FUMMagNotify = FPlatform.RegisterWindowMessageW(u"UM_MAGNOTIFY");
}

void TLoupeInstances::StartupNotify() {
  const HWND self = FLoupe.Handle();
  TInstanceSearch search;
  SearchInstances(search);
  for (const HWND host : search.MagList) NotifyPeer(host, FUMMagNotify, self, MAGNOTIFY_ANNOUNCE);
  if (search.OtherList.empty()) return;
  TRect own;
  FPlatform.GetWindowRect(self, own);
  for (const HWND other : search.OtherList) {
    NotifyPeer(other, UM_LOUPENOTIFY, self, LOUPE_STARTUP);
    // The older loupe gives up the top, so the new one stays above it.
    TRect rect;
    if (FPlatform.GetWindowRect(other, rect) && RectsOverlap(rect, own)) {
      NotifyPeer(other, UM_LOUPENOTIFY, 0, LOUPE_TOPMOST);
    }
    // Shown as far as we know, whether or not that copy is hidden.
    FLnsList.Add(other).IsVisible = true;
  }
  ApplyExclusionList();
}

void TLoupeInstances::NotifyMagnifierHosts() {
  TInstanceSearch search;
  SearchInstances(search);
  for (const HWND host : search.MagList) NotifyPeer(host, FUMMagNotify, FLoupe.Handle(), MAGNOTIFY_ANNOUNCE);
}

void TLoupeInstances::ClosingNotify() {
  // Every way out comes here (the quit command, WM_CLOSE, the end of the
  // session, a fatal failure); the others need to hear it once.
  if (FClosingNotified) return;
  FClosingNotified = true;
  if (FLnsList.Count() == 1) return;
  const HWND self = FLoupe.Handle();
  // A copy of the list: the messages below may nest other copies' messages
  // that change ours.
  std::vector<HWND> others;
  for (const auto& item : FLnsList.Items) {
    if (item.WindowHandle() != self) others.push_back(item.WindowHandle());
  }
  for (const HWND other : others) {
    NotifyPeer(other, UM_LOUPENOTIFY, self, LOUPE_CLOSING);
    if (FIsWindows7) {
      NotifyMagnifierHosts();
      if (!FMagWatcherExists) FPlatform.PostMessageW(other, UM_LOUPENOTIFY, self, LOUPE_REINIT_MAGNIFIER);
    }
  }

  // Hand the top to the highest shown loupe below this one that it covers.
  RefreshZOrder();
  const int at = FZOrderList.IndexOfWindowHandle(self);
  if (at < 0) return;  // hidden in the tray: nobody is covered
  const TRect own = FZOrderList[at].WindowRect;
  for (int i = at + 1; i < FZOrderList.Count(); ++i) {
    const TZOrderItem& below = FZOrderList[i];
    if (!below.IsLensoro) continue;
    const int listed = FLnsList.IndexOfWindowHandle(below.WindowHandle());
    if (listed < 0 || !FLnsList[listed].IsVisible || !RectsOverlap(below.WindowRect, own)) continue;
    NotifyPeer(below.WindowHandle(), UM_LOUPENOTIFY, 1, LOUPE_TOPMOST);
    FPlatform.SetForegroundWindow(below.WindowHandle());
    break;
  }
}

const TZOrderList& TLoupeInstances::RefreshZOrder() {
  UpdateZOrderList(FPlatform, FLoupe.Handle(), FApp.ExeName, FZOrderList);
  return FZOrderList;
}

void TLoupeInstances::NotifyVisibility(LPARAM code) {
  const HWND self = FLoupe.Handle();
  const int at = FLnsList.IndexOfWindowHandle(self);
  if (at >= 0) FLnsList[at].IsVisible = FPlatform.IsWindowVisible(self);
  std::vector<HWND> others;
  for (const auto& item : FLnsList.Items)
    if (item.WindowHandle() != self) others.push_back(item.WindowHandle());
  NotifyPeers(others, self, code);
}

// --- Messages from the other copies ------------------------------------------------

void TLoupeInstances::UMLoupeNotify(WPARAM wParam, LPARAM lParam) {
  // Handles travel as 32-bit values, whatever the sender's build.
  const HWND sender = static_cast<HWND>(wParam & 0xFFFFFFFFu);
  switch (lParam) {
    case LOUPE_STARTUP:
      // Anybody can send this message: list only a real loupe, and once.
      if (FLnsList.IndexOfWindowHandle(sender) >= 0 || !IsOtherCopysLoupe(sender)) return;
      FLnsList.Add(sender);
      ReservePeerRoom();
      ApplyExclusionList();
      return;
    case LOUPE_CLOSING: {
      const int i = FLnsList.IndexOfWindowHandle(sender);
      // Never our own entry: it stays entry 0 for the loupe's life.
      if (i > 0) {
        if (FPlatform.IsWindow(sender)) {
          FClosedPeers.push_back(
              {sender, GetWindowProcessId(FPlatform, sender), FLnsList[i].IsVisible, FPlatform.GetTickCount()});
        }
        FLnsList.Delete(i);
        ReservePeerRoom();
      }
      ApplyExclusionList();
      return;
    }
    case LOUPE_SHOWN:
    case LOUPE_HIDDEN: {
      // Hidden loupes stay excluded: the filter is not touched.
      const int i = FLnsList.IndexOfWindowHandle(sender);
      if (i >= 0) FLnsList[i].IsVisible = lParam == LOUPE_SHOWN;
      return;
    }
    case LOUPE_TOPMOST:
      if (wParam == 0) FLoupe.SetTopmost(false);
      if (wParam == 1) FLoupe.SetTopmost(true);
      return;
    case LOUPE_REINIT_MAGNIFIER:
      FLoupe.RestartMagnifier(1000);
      return;
    case LOUPE_RESTORE:
      if (!FPlatform.IsWindowVisible(FLoupe.Handle())) FLoupe.RestoreFromTray();
      return;
    default:
      return;
  }
}

void TLoupeInstances::UMMagNotifyReceived(LPARAM lParam) {
  if (lParam == MAGNOTIFY_ANNOUNCE) {
    FMagWatcherExists = true;
  } else if (lParam == LOUPE_REINIT_MAGNIFIER) {
    FLoupe.RestartMagnifier(1000);
  }
}

bool TLoupeInstances::IsOtherCopysLoupe(HWND wnd) {
  if (wnd == FLoupe.Handle() || !FPlatform.IsWindow(wnd) || FPlatform.GetWindow(wnd, win::GW_OWNER) != 0) {
    return false;
  }
  char16_t title[TextBufferLength] = {};
  const int length = FPlatform.GetWindowTextW(wnd, title, TextBufferLength);
  if (length <= 0 || !SameTextAscii(std::u16string(title, static_cast<std::size_t>(length)), LoupeCaption)) {
    return false;
  }
  // A copy that found us has another path and its file name is in ours; a
  // window of another program with the loupe's caption is not excluded.
  const std::u16string path = GetWindowProcessImagePath(FPlatform, wnd);
  const std::u16string& own = FApp.ExeUNCName();
  return !path.empty() && !SameTextAscii(path, own) && ContainsFileName(own, ExtractFileName(path));
}

void TLoupeInstances::ReservePeerRoom() {
  // Room for every closed peer to be listed again from the tick, which
  // must not allocate.
  const std::size_t room = FLnsList.Items.size() + FClosedPeers.size();
  FLnsList.Items.reserve(room);
  FExcludedArray.reserve(room);
}

// Runs on every tick: window queries only, no process opened, nothing
// allocated (ReservePeerRoom made the room for re-listing).
void TLoupeInstances::RecheckClosedPeers() {
  bool changed = false;
  // A loupe whose window is gone leaves the list, whether its copy said
  // goodbye, said it too early (a box open at its exit) or was ended
  // without a word.
  for (int i = FLnsList.Count() - 1; i >= 0; --i) {
    const HWND wnd = FLnsList[i].WindowHandle();
    if (wnd != FLoupe.Handle() && !FPlatform.IsWindow(wnd)) {
      FLnsList.Delete(i);
      changed = true;
    }
  }
  if (!FClosedPeers.empty()) {
    const DWORD now = FPlatform.GetTickCount();
    for (auto it = FClosedPeers.begin(); it != FClosedPeers.end();) {
      // Gone, or the handle now names another program's window.
      if (!FPlatform.IsWindow(it->Window) || GetWindowProcessId(FPlatform, it->Window) != it->ProcessId) {
        it = FClosedPeers.erase(it);
        continue;
      }
      if (now - it->Since < ClosedPeerRecheckMs) {
        ++it;
        continue;
      }
      // Still there: the closing message was not its own, or its copy is
      // slow to go; listed until its window is gone.
      if (FLnsList.IndexOfWindowHandle(it->Window) < 0) {
        FLnsList.Add(it->Window).IsVisible = it->IsVisible;
        changed = true;
      }
      it = FClosedPeers.erase(it);
    }
  }
  if (changed) ApplyExclusionList();
}

// --- Activation, moving and sizing --------------------------------------------------

void TLoupeInstances::Activated() {
  FLnsList.UpdateWindowRect();
  FLnsList.UpdateIntersectingInfo();
  const int self = FLnsList.IndexOfWindowHandle(FLoupe.Handle());
  std::vector<HWND> covered;
  for (int i = 0; i < FLnsList.Count(); ++i) {
    const TLnsItem& item = FLnsList[i];
    if (i != self && item.IsVisible && Contains(item.Indexes, self)) covered.push_back(item.WindowHandle());
  }
  NotifyPeers(covered, 0, LOUPE_TOPMOST);
}

void TLoupeInstances::Moving() {
  // The rectangle before this step of the drag; the others' as stored.
  const HWND self = FLoupe.Handle();
  TRect own;
  FPlatform.GetWindowRect(self, own);
  std::vector<HWND> covered;
  for (const auto& item : FLnsList.Items) {
    if (item.WindowHandle() != self && item.IsVisible && RectsOverlap(item.WindowRect, own)) {
      covered.push_back(item.WindowHandle());
    }
  }
  NotifyPeers(covered, 0, LOUPE_TOPMOST);
}

void TLoupeInstances::MoveEnded() {
  FLnsList.UpdateWindowRect();
  FLnsList.UpdateIntersectingInfo();
  std::vector<std::pair<HWND, WPARAM>> shown;
  for (const auto& item : FLnsList.Items) {
    if (item.WindowHandle() != FLoupe.Handle() && item.IsVisible) {
      shown.emplace_back(item.WindowHandle(), item.IsIntersecting ? 0 : 1);
    }
  }
  for (const auto& [other, top] : shown) NotifyPeer(other, UM_LOUPENOTIFY, top, LOUPE_TOPMOST);
}

}  // namespace lensoro

// The other running copies of the program: finding them, the messages
// between them, the exclusion filter that keeps every loupe out of every
// image, and which of two overlapping loupes stays on top.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "LnsList.h"
#include "LoupeMagnifier.h"
#include "LoupeProtocol.h"
#include "Platform.h"

namespace lensoro {

class TApplication;

// What the other copies' messages ask of this copy's loupe.
class ILoupeHost {
 public:
  virtual HWND Handle() const = 0;
  virtual void SetTopmost(bool topmost) = 0;
  virtual void RestartMagnifier(DWORD waitMs) = 0;
  virtual void RestoreFromTray() = 0;

 protected:
  ~ILoupeHost() = default;
};

// The copies this loupe knows of and what it tells them. Made once the
// loupe's window exists, gone when the loupe is destroyed.
class TLoupeInstances {
 public:
  // The magnifier's filter keeps the loupes out of the image; a rebuild
  // gives it a new child, so it is asked for its handle each time.
  TLoupeInstances(TApplication& app, ILoupeHost& loupe, const TLoupeMagnifier& magnifier, bool isWindows7);
  TLoupeInstances(const TLoupeInstances&) = delete;
  TLoupeInstances& operator=(const TLoupeInstances&) = delete;

  const TLnsList& LnsList() const { return FLnsList; }
  // Windows 7 has a system magnifier of its own that copies must tell of
  // a new host.
  bool IsWindows7() const { return FIsWindows7; }
  UINT UMMagNotify() const { return FUMMagNotify; }
  bool MagWatcherExists() const { return FMagWatcherExists; }

  // Lists the loupe itself (addSelf) and hands the list to the magnifier;
  // false when the magnifier refused it.
  bool UpdateFilterList(bool addSelf);
  void RegisterMagNotify();
  // Announces this loupe to the copies already running and lists theirs.
  void StartupNotify();
  // Tells the other copies this loupe goes, and hands the top over.
  void ClosingNotify();
  void NotifyMagnifierHosts();
  void UMLoupeNotify(WPARAM wParam, LPARAM lParam);
  // The system magnifier's message, registered as UMMagNotify.
  void UMMagNotifyReceived(LPARAM lParam);
  // Tells the others whether the loupe is now shown.
  void NotifyVisibility(LPARAM code);
  // Drops the loupes whose window is gone and lists again the closed ones
  // still standing after ClosedPeerRecheckMs; part of the tick.
  void RecheckClosedPeers();
  // The whole desktop's z-order as it is now.
  const TZOrderList& RefreshZOrder();

  // The loupe was activated, is being dragged, or ends a move or resize:
  // the copies it covers give up the top.
  void Activated();
  void Moving();
  void MoveEnded();

 private:
  // The windows found by one search of the desktop.
  struct TInstanceSearch {
    std::u16string OwnPath, OwnName;
    std::vector<HWND> MagList, OtherList;
  };
  void SearchInstances(TInstanceSearch& search);
  bool FindLoupeWindowsProc(TInstanceSearch& search, HWND wnd);
  bool FindMagnifierHostsProc(TInstanceSearch& search, HWND wnd);
  // A message to another copy: answered, or given up on after a while.
  void NotifyPeer(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void NotifyPeers(const std::vector<HWND>& peers, WPARAM wParam, LPARAM lParam);
  // Hands the instance list to the magnifier; the result is the caller's.
  bool ApplyExclusionList();
  // The test the search applies to another copy's loupe, seen from its side.
  bool IsOtherCopysLoupe(HWND wnd);
  void ReservePeerRoom();

  TApplication& FApp;
  TPlatform& FPlatform;
  ILoupeHost& FLoupe;
  const TLoupeMagnifier& FMagnifier;
  const bool FIsWindows7;
  UINT FUMMagNotify = 0;
  bool FMagWatcherExists = false;
  bool FClosingNotified = false;
  TLnsList FLnsList;
  TZOrderList FZOrderList;
  TCardinalDynArray FExcludedArray;

  // Anybody can send LOUPE_CLOSING for any loupe: one that still has its
  // window a while after it said so is listed again.
  static constexpr DWORD ClosedPeerRecheckMs = 2000;
  struct TClosedPeer {
    HWND Window = 0;
    DWORD ProcessId = 0;  // the window's process when the message came
    bool IsVisible = true;
    DWORD Since = 0;
  };
  std::vector<TClosedPeer> FClosedPeers;
};

}  // namespace lensoro

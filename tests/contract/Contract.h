// The platform contract: what the units rely on from TPlatform, as cases
// that run against the simulated desktop (natively) and against the Win32
// backend (under Wine). The case files see only TPlatform and TBackend;
// each backend's file supplies what differs between them.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Platform.h"

namespace lensoro::contract {

// Messages the peer answers (ContractPeer.cpp); WM_APP and up.
namespace peer {
constexpr UINT Add = win::WM_APP + 1;         // returns wParam + lParam
constexpr UINT SetTitle = win::WM_APP + 2;    // its title becomes "peer <wParam>"; returns 1
constexpr UINT CallBack = win::WM_APP + 3;    // sends CalledBack (lParam) to the window wParam, returns its answer + 1
constexpr UINT HotKey = win::WM_APP + 4;      // registers the hot key MOD wParam, VK lParam; 0 or the error
constexpr UINT Posted = win::WM_APP + 5;      // posted to it: counted
constexpr UINT PostedSum = win::WM_APP + 6;   // returns count << 16 | sum of the posted wParams
constexpr UINT UnHotKey = win::WM_APP + 7;    // unregisters its hot key; 0 or the error
constexpr UINT ImageOf = win::WM_APP + 8;     // its title becomes the image path of process wParam; 1, or 0
constexpr UINT CalledBack = win::WM_APP + 10;  // what CallBack sends back
constexpr int HotKeyId = 7;
}  // namespace peer

// What differs between the backends.
class TBackend {
 public:
  virtual ~TBackend() = default;
  virtual TPlatform& Platform() = 0;
  // A fresh start for each case (the simulated desktop is made anew).
  virtual void Reset() = 0;
  // Dispatches this process's messages (sent, posted, paint, timers) for ms
  // of the backend's time: the test clock, or the real one.
  virtual void Pump(DWORD ms) = 0;
  // Dispatches until done() holds; false when it did not within ms.
  virtual bool PumpUntil(const std::function<bool()>& done, DWORD ms) = 0;
  // The peer's window in another process (ContractPeer.cpp); 0 where none
  // could be started, with the reason in PeerMissing().
  virtual HWND Peer() = 0;
  virtual std::string PeerMissing() = 0;
  // The full path of the peer's executable.
  virtual std::u16string PeerExePath() = 0;
  // A peer of the other bitness (a 32-bit one beside a 64-bit program, and
  // back); 0 with the reason where this machine cannot run one.
  virtual HWND OtherBitnessPeer(std::u16string& exePath, std::string& why) = 0;
  // The peer's thread stops answering for ms; messages sent to it wait.
  virtual void HangPeer(DWORD ms) = 0;
  // An empty folder for the case's files, with no separator at the end.
  virtual std::u16string Folder() = 0;
  virtual bool SetReadOnly(const std::u16string& path, bool readOnly) = 0;
  // This process's Magnification API calls since Reset, one line each as
  // the stand-in DLL logs them: "MagSetWindowSource hwnd=0x0001004E -> 1",
  // "MagInitialize -> 0 error=8". False with the reason where no log is
  // kept (Windows' own DLL).
  virtual bool MagLog(std::vector<std::string>& lines, std::string& why) = 0;
};

TBackend& Backend();  // the backend this program was built with

// The id of the first item of a menu a case tracks: the simulated desktop's
// user picks it unless the menu was ended before.
constexpr std::uintptr_t FirstMenuItem = 101;

// One message as a handler saw it; WINDOWPOS copied for the two messages
// that carry one, the text for WM_SETTEXT.
struct TSeen {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  TWindowPos Pos;
  std::u16string Text;
};

// A window handler that records every message and hands it to
// DefWindowProcW, unless OnMessage answers it first (returns true).
class TRecorder final : public IWindowHandler {
 public:
  explicit TRecorder(TPlatform& platform) : P(platform) {}
  LRESULT HandleMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

  std::vector<TSeen> Seen;
  std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)> OnMessage;
  int Count(UINT msg) const;
  // The messages among `of`, in the order they came.
  std::vector<UINT> Order(std::initializer_list<UINT> of) const;
  const TSeen* Last(UINT msg) const;

 private:
  TPlatform& P;
};

// The fixture of every case: windows made through it are destroyed after.
class TContract : public ::testing::Test {
 protected:
  TContract();
  ~TContract() override;

  TPlatform& P;
  // A window of our class with a recorder of its own.
  HWND Make(DWORD style, DWORD exStyle, TRect rect, const std::u16string& title = u"Lensoro contract");
  TRecorder& Rec(HWND wnd);
  void Pump(DWORD ms) { Backend().Pump(ms); }
  bool PumpUntil(const std::function<bool()>& done, DWORD ms = 2000) { return Backend().PumpUntil(done, ms); }
  std::u16string Text(HWND wnd);
  DWORD ProcessOf(HWND wnd);  // 0 for no window
  TRect WindowRect(HWND wnd);
  TRect ClientRect(HWND wnd);

  std::vector<std::pair<HWND, std::unique_ptr<TRecorder>>> FWindows;
};

// CreateWindowExW's parameters for a window of a handler of ours.
TCreateWindowParams WindowParams(const std::u16string& className, DWORD style, DWORD exStyle, TRect rect,
                                 IWindowHandler* handler, HWND parent = 0);
std::u16string Decimal(std::uintptr_t n);

// The peer: a window in another process that answers the peer:: messages.
class TPeer : public IWindowHandler {
 public:
  explicit TPeer(TPlatform& platform) : P(platform) {}
  virtual ~TPeer() = default;
  HWND Create(const std::u16string& title);  // 0 on failure
  LRESULT HandleMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  HWND Handle() const { return FHandle; }

 private:
  TPlatform& P;
  HWND FHandle = 0;
  int FPosted = 0;
  WPARAM FPostedSum = 0;
  UINT FHotKeyMods = 0, FHotKeyVk = 0;
};

}  // namespace lensoro::contract

namespace lensoro {
void PrintTo(const TRect& r, std::ostream* os);
}

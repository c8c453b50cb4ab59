// The contract on the simulated desktop: a fresh desktop per case, the
// peer in a second simulated process, time on the test clock.
#include <cstdio>
#include <cstring>

#include "Contract.h"
#include "SimDesktop.h"

namespace lensoro::contract {
namespace {

class TSimBackend final : public TBackend {
 public:
  TPlatform& Platform() override { return *FSelf; }

  void Reset() override {
    FPeer.reset();
    FDesk = std::make_unique<sim::TSimDesktop>();
    FSelf = &FDesk->AddProcess(u"C:\\Contract\\lensoro_contract.exe", sizeof(void*) == 8);
    FDesk->AddFolder(u"C:\\Contract\\Files");
    sim::TSimProcess& other = FDesk->AddProcess(u"C:\\Contract\\peer.exe");
    FPeerProcess = &other;
    FPeer = std::make_unique<TPeer>(other);
    FPeer->Create(u"LensoroContractPeer");
    FOtherPeer.reset();
    FHungUntil = 0;
    // The user picks the first item of a menu, unless it was ended first.
    FDesk->MenuResponder = [](sim::TSimProcess&, const sim::TSimDesktop::TSimMenuTrack&) -> std::uintptr_t {
      return FirstMenuItem;
    };
  }

  void Pump(DWORD ms) override {
    FDesk->RunFor(ms);
    Unhang();
  }

  bool PumpUntil(const std::function<bool()>& done, DWORD ms) override {
    for (DWORD waited = 0;; waited += 5) {
      if (done()) return true;
      if (waited >= ms) return false;
      Pump(5);
    }
  }

  HWND Peer() override { return FPeer ? FPeer->Handle() : 0; }
  std::u16string PeerExePath() override { return u"C:\\Contract\\peer.exe"; }

  HWND OtherBitnessPeer(std::u16string& exePath, std::string&) override {
    exePath = u"C:\\Contract\\other\\lensoro_contract.exe";
    if (!FOtherPeer) {
      FOtherPeer = std::make_unique<TPeer>(FDesk->AddProcess(exePath, sizeof(void*) != 8));
      FOtherPeer->Create(u"LensoroContractPeer other");
    }
    return FOtherPeer->Handle();
  }
  std::string PeerMissing() override { return "the peer's window was not made"; }

  // The model's hung process: sends with a timeout give up until it is over.
  void HangPeer(DWORD ms) override {
    FPeerProcess->Hung = true;
    FHungUntil = FDesk->Now() + ms;
  }

  std::u16string Folder() override { return u"C:\\Contract\\Files"; }

  bool MagLog(std::vector<std::string>& lines, std::string&) override {
    lines.clear();
    for (const sim::TSimCall& c : FDesk->Calls()) {
      if (c.Pid != FSelf->Pid || std::strncmp(c.Name, "Mag", 3) != 0) continue;
      char line[128];
      const bool onWindow = std::strcmp(c.Name, "MagInitialize") != 0 && std::strcmp(c.Name, "MagUninitialize") != 0;
      int n = std::snprintf(line, sizeof line, "%s", c.Name);
      if (onWindow) n += std::snprintf(line + n, sizeof line - n, " hwnd=0x%08X", static_cast<unsigned>(c.A[0]));
      if (c.Failed) {
        std::snprintf(line + n, sizeof line - n, " -> 0 error=%u", static_cast<unsigned>(c.Error));
      } else {
        std::snprintf(line + n, sizeof line - n, " -> 1");
      }
      lines.push_back(line);
    }
    return true;
  }

  bool CreateCaret(HWND wnd, const TRect& rect) override {
    if (!FDesk->Window(wnd)) return false;
    FDesk->SetCaret(wnd, rect);
    return true;
  }
  void DestroyCaret() override { FDesk->DestroyCaret(FSelf->CurrentThreadId); }
  std::string WinEventsMissing() override { return {}; }

  bool SetReadOnly(const std::u16string& path, bool readOnly) override {
    sim::TSimFile* file = FDesk->File(path);
    if (!file) return false;
    file->ReadOnly = readOnly;
    return true;
  }

 private:
  void Unhang() {
    if (FPeerProcess->Hung && static_cast<std::int32_t>(FDesk->Now() - FHungUntil) >= 0) FPeerProcess->Hung = false;
  }

  // The peer goes before the desktop it lives on.
  std::unique_ptr<sim::TSimDesktop> FDesk;
  std::unique_ptr<TPeer> FPeer, FOtherPeer;
  sim::TSimProcess* FSelf = nullptr;
  sim::TSimProcess* FPeerProcess = nullptr;
  DWORD FHungUntil = 0;
};

}  // namespace

TBackend& Backend() {
  static TSimBackend backend;
  return backend;
}

}  // namespace lensoro::contract

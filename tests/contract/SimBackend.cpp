// The contract on the simulated desktop: a fresh desktop per case, the
// peer in a second simulated process, time on the test clock.
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
    FHungUntil = 0;
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
  std::string PeerMissing() override { return "the peer's window was not made"; }

  // The model's hung process: sends with a timeout give up until it is over.
  void HangPeer(DWORD ms) override {
    FPeerProcess->Hung = true;
    FHungUntil = FDesk->Now() + ms;
  }

  std::u16string Folder() override { return u"C:\\Contract\\Files"; }

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
  std::unique_ptr<TPeer> FPeer;
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

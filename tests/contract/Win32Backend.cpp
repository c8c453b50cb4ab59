// The contract on the Win32 backend: the real message loop with bounded
// waits, the peer in a second process (this program started with --peer),
// files in a fresh folder under the temporary one.
#include "Contract.h"
#include "Win32Platform.h"

#include <cstdio>
#include <cstring>
#include <string>

// Out here HANDLE is the system's; inside namespace lensoro it is ours.
static const ::HANDLE NoFind = INVALID_HANDLE_VALUE;

namespace lensoro::contract {
namespace {

const char16_t PeerClassTitle[] = u"LensoroContractPeer";

std::u16string Own(const wchar_t* s) { return std::u16string(reinterpret_cast<const char16_t*>(s)); }
const wchar_t* Wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

class TWin32Backend final : public TBackend {
 public:
  ~TWin32Backend() override { Close(); }

  TPlatform& Platform() override { return FPlatform; }
  void Reset() override {
    Pump(0);
    FMagLogFrom = MagLogText().size();
  }

  void Pump(DWORD ms) override {
    PumpUntil([] { return false; }, ms);
  }

  bool PumpUntil(const std::function<bool()>& done, DWORD ms) override {
    const DWORD start = ::GetTickCount();
    for (;;) {
      TMsg msg;
      while (FPlatform.PeekMessageW(msg, true)) {
        FPlatform.TranslateMessage(msg);
        FPlatform.DispatchMessageW(msg);
      }
      if (done()) return true;
      const DWORD waited = ::GetTickCount() - start;
      if (waited >= ms) return false;
      FPlatform.MsgWaitForMultipleObjects(std::min<DWORD>(ms - waited, 10), QS_ALLINPUT);
    }
  }

  HWND Peer() override {
    if (!FPeerTried) {
      FPeerTried = true;
      wchar_t exe[MAX_PATH] = {};
      ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
      FPeer = StartPeer(Own(exe), u"", FPeerProcess, FPeerMissing);
    }
    return FPeer;
  }
  std::string PeerMissing() override { return FPeerMissing; }

  bool CreateCaret(HWND wnd, const TRect& rect) override {
    const ::HWND h = reinterpret_cast<::HWND>(static_cast<INT_PTR>(static_cast<std::int32_t>(wnd)));
    return ::CreateCaret(h, nullptr, rect.Width(), rect.Height()) && ::SetCaretPos(rect.Left, rect.Top) &&
           ::ShowCaret(h);
  }
  void DestroyCaret() override { ::DestroyCaret(); }
  std::string WinEventsMissing() override {
    // NOTE: Wine 8 calls a WinEvent hook only inside the process that
    // raises the event: out of context, another program's never arrive.
    const ::HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version") ? "Wine delivers no other program's WinEvents" : "";
  }
  // The peer is this program started again.
  std::u16string PeerExePath() override {
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    return Own(exe);
  }

  // contract_wine.py names the other build's program where this machine
  // runs it (LENSORO_CONTRACT_OTHER_BITNESS).
  HWND OtherBitnessPeer(std::u16string& exePath, std::string& why) override {
    wchar_t other[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(L"LENSORO_CONTRACT_OTHER_BITNESS", other, MAX_PATH)) {
      why = "no program of the other bitness was named (LENSORO_CONTRACT_OTHER_BITNESS): contract_wine.py names "
            "the 32-bit one in a 64-bit prefix only, where both run, and where this machine runs 32-bit programs";
      return 0;
    }
    exePath = Own(other);
    if (!FOtherTried) {
      FOtherTried = true;
      FOther = StartPeer(exePath, u"other", FOtherProcess, FOtherMissing);
    }
    why = FOtherMissing;
    return FOther;
  }

  // A notification (sent, so it goes ahead of anything we send next) on
  // which the peer's thread sleeps.
  void HangPeer(DWORD ms) override {
    ::SendNotifyMessageW(w32Hwnd(Peer()), WM_APP + 50, ms, 0);
  }

  std::u16string Folder() override {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::u16string base = Own(temp) + u"lensoro-contract-" + Decimal(::GetCurrentProcessId()) + u"-";
    std::u16string dir;
    do {
      dir = base + Decimal(++FFolders);
    } while (!::CreateDirectoryW(Wide(dir), nullptr));
    FMadeFolders.push_back(dir);
    return dir;
  }

  bool SetReadOnly(const std::u16string& path, bool readOnly) override {
    return ::SetFileAttributesW(Wide(path), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != FALSE;
  }

  // The stand-in DLL appends to the file LENSORO_MAGSTUB_LOG names (main
  // sets it); Windows' own DLL writes nothing there.
  bool MagLog(std::vector<std::string>& lines, std::string& why) override {
    lines.clear();
    const std::string text = MagLogText();
    if (text.empty()) {
      why = "this magnification.dll keeps no log (Windows' own)";
      return false;
    }
    const std::string mine = "pid=" + std::to_string(::GetCurrentProcessId()) + " Mag";
    std::size_t at = FMagLogFrom;
    while (at < text.size()) {
      std::size_t end = text.find('\n', at);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(at, end - at);
      at = end + 1;
      if (line.compare(0, mine.size(), mine) != 0) continue;
      // The name, the window and the result; the values in between are the
      // stand-in's own detail.
      const std::size_t name = line.find(' ') + 1, nameEnd = line.find(' ', name), result = line.rfind(" -> ");
      std::string kept = line.substr(name, nameEnd - name);
      const std::size_t hwnd = line.find(" hwnd=");
      if (hwnd != std::string::npos && hwnd < result) kept += line.substr(hwnd, 16);
      lines.push_back(kept + line.substr(result));
    }
    return true;
  }

  static std::string MagLogText() {
    wchar_t path[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(L"LENSORO_MAGSTUB_LOG", path, MAX_PATH)) return {};
    ::HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == NoFind) return {};
    std::string text;
    char buffer[4096];
    ::DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    ::CloseHandle(file);
    return text;
  }

  void Close() {
    if (FPeer) {
      ::PostMessageW(w32Hwnd(FPeer), WM_CLOSE, 0, 0);
      FPeer = 0;
    }
    if (FOther) {
      ::PostMessageW(w32Hwnd(FOther), WM_CLOSE, 0, 0);
      FOther = 0;
    }
    for (::HANDLE* process : {&FPeerProcess, &FOtherProcess}) {
      if (!*process) continue;
      if (::WaitForSingleObject(*process, 5000) != WAIT_OBJECT_0) ::TerminateProcess(*process, 1);
      ::CloseHandle(*process);
      *process = nullptr;
    }
    for (const std::u16string& dir : FMadeFolders) RemoveTree(dir);
    FMadeFolders.clear();
  }

 private:
  static ::HWND w32Hwnd(HWND h) { return reinterpret_cast<::HWND>(static_cast<INT_PTR>(static_cast<std::int32_t>(h))); }

  // This program's peer side started from `exe`; its window's title ends
  // with our process id and `tag`.
  HWND StartPeer(const std::u16string& exe, const std::u16string& tag, ::HANDLE& process, std::string& missing) {
    const std::u16string id = Decimal(::GetCurrentProcessId()) + tag;
    const std::u16string title = std::u16string(PeerClassTitle) + u" " + id;
    // NOTE: built by appending; GCC 12 at -O3 warns wrongly (-Wrestrict)
    // about a literal placed before a string with operator+.
    std::u16string command(1, u'"');
    command.append(exe).append(u"\" --peer ").append(id);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(nullptr, const_cast<wchar_t*>(Wide(command)), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &si, &pi)) {
      missing = "CreateProcessW failed with " + std::to_string(::GetLastError());
      return 0;
    }
    ::CloseHandle(pi.hThread);
    process = pi.hProcess;
    // Its window appears once it runs; the wait is bounded.
    HWND found = 0;
    const bool up = PumpUntil(
        [&] {
          ::HWND h = ::FindWindowW(Wide(PeerClassTitle), Wide(title));
          found = static_cast<HWND>(reinterpret_cast<UINT_PTR>(h));
          return h != nullptr;
        },
        20000);
    if (!up) missing = "the peer's window did not appear within 20 s";
    return found;
  }

  static void RemoveTree(const std::u16string& dir) {
    WIN32_FIND_DATAW data;
    ::HANDLE find = ::FindFirstFileW(Wide(dir + u"\\*"), &data);
    if (find != NoFind) {
      do {
        const std::u16string name = Own(data.cFileName);
        if (name == u"." || name == u"..") continue;
        const std::u16string path = dir + u"\\" + name;
        ::SetFileAttributesW(Wide(path), FILE_ATTRIBUTE_NORMAL);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(path);
        } else {
          ::DeleteFileW(Wide(path));
        }
      } while (::FindNextFileW(find, &data));
      ::FindClose(find);
    }
    ::RemoveDirectoryW(Wide(dir));
  }

  TWin32Platform FPlatform;
  HWND FPeer = 0;
  bool FPeerTried = false;
  std::string FPeerMissing;
  ::HANDLE FPeerProcess = nullptr;
  HWND FOther = 0;
  bool FOtherTried = false;
  std::string FOtherMissing;
  ::HANDLE FOtherProcess = nullptr;
  unsigned FFolders = 0;
  std::size_t FMagLogFrom = 0;
  std::vector<std::u16string> FMadeFolders;
};

TWin32Backend& TheBackend() {
  static TWin32Backend backend;
  return backend;
}

// The peer's process: its window and a plain loop; WM_APP + 50 (HangPeer)
// blocks its thread without reading messages.
class TSleepyPeer final : public TPeer {
 public:
  using TPeer::TPeer;
  LRESULT HandleMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_APP + 50) {
      ::Sleep(static_cast<DWORD>(wParam));
      return 0;
    }
    return TPeer::HandleMessage(wnd, msg, wParam, lParam);
  }
};

int RunPeer(const char* parentPid) {
  TWin32Platform platform;
  TSleepyPeer peer(platform);
  std::u16string title = std::u16string(PeerClassTitle) + u" ";
  for (const char* c = parentPid; *c; ++c) title += static_cast<char16_t>(*c);
  if (!peer.Create(title)) return 2;
  TMsg msg;
  while (platform.GetMessageW(msg) > 0) {
    platform.TranslateMessage(msg);
    platform.DispatchMessageW(msg);
  }
  return 0;
}

}  // namespace

TBackend& Backend() { return TheBackend(); }

}  // namespace lensoro::contract

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--peer") == 0) return lensoro::contract::RunPeer(argv[2]);
  ::testing::InitGoogleTest(&argc, argv);
  // The stand-in magnification.dll's log, for the cases that read it; one
  // named from outside is kept.
  if (!::GetEnvironmentVariableW(L"LENSORO_MAGSTUB_LOG", nullptr, 0)) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring log = std::wstring(temp) + L"lensoro-contract-" + std::to_wstring(::GetCurrentProcessId()) +
                             L"-mag.log";
    ::DeleteFileW(log.c_str());
    ::SetEnvironmentVariableW(L"LENSORO_MAGSTUB_LOG", log.c_str());
  }
  const int result = RUN_ALL_TESTS();
  lensoro::contract::TheBackend().Close();
  return result;
}

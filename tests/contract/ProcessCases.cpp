// What the instance lists stand on: the z-order walk over the windows of
// two processes, and a window's process image path, also across bitness.
#include <algorithm>

#include "AsciiFold.h"
#include "Contract.h"

namespace lensoro::contract {
namespace {

class Processes : public TContract {
 protected:
  // The image path of a process as the units read it.
  std::u16string ImagePath(DWORD pid, DWORD& error) {
    error = 0;
    const HANDLE process = P.OpenProcess(win::PROCESS_QUERY_LIMITED_INFORMATION, pid);
    if (!process) {
      error = P.GetLastError();
      return {};
    }
    char16_t path[1024] = {};
    DWORD size = 1024;
    std::u16string read;
    if (P.QueryFullProcessImageNameW(process, path, size)) {
      read.assign(path, size);
    } else {
      error = P.GetLastError();
    }
    EXPECT_TRUE(P.CloseHandle(process));
    return read;
  }
  std::u16string OwnPath() {
    char16_t path[1024] = {};
    const DWORD n = P.GetModuleFileNameW(path, 1024);
    return std::u16string(path, n < 1024 ? n : 0);
  }
};

// The own path is cut to the buffer and says so; the own process id is the
// one its windows carry.
TEST_F(Processes, OwnPathAndId) {
  const std::u16string path = OwnPath();
  ASSERT_GT(path.size(), 4u);
  char16_t shortBuffer[4] = {};
  EXPECT_EQ(P.GetModuleFileNameW(shortBuffer, 4), 4u);
  EXPECT_EQ(P.GetLastError(), win::ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::u16string(shortBuffer, 3), path.substr(0, 3));
  EXPECT_EQ(shortBuffer[3], u'\0');
  const HWND own = Make(win::WS_POPUP, 0, {10, 10, 20, 20});
  ASSERT_NE(own, 0u);
  EXPECT_EQ(P.GetCurrentProcessId(), ProcessOf(own));
  bool elevated = false;
  EXPECT_TRUE(P.GetTokenElevation(elevated));
}

// A named mutex lives while a handle to it is open; a second create opens
// it and says it was there. "\\" only follows a namespace prefix.
TEST_F(Processes, NamedMutexes) {
  const std::u16string name = u"Lensoro.Contract.Mutex";
  const HANDLE first = P.CreateMutexW(name);
  ASSERT_NE(first, 0u);
  EXPECT_EQ(P.GetLastError(), 0u);
  const HANDLE second = P.CreateMutexW(name);
  ASSERT_NE(second, 0u);
  EXPECT_EQ(P.GetLastError(), win::ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(P.CloseHandle(second));
  EXPECT_TRUE(P.CloseHandle(first));
  const HANDLE again = P.CreateMutexW(name);
  ASSERT_NE(again, 0u);
  EXPECT_EQ(P.GetLastError(), 0u);
  EXPECT_TRUE(P.CloseHandle(again));
  EXPECT_EQ(P.CreateMutexW(u"Lensoro\\C:\\Tools"), 0u);
  EXPECT_EQ(P.GetLastError(), win::ERROR_PATH_NOT_FOUND);
}

// GetWindow(first) and GetWindow(next) visit every top-level window once, in
// z-order, whichever process owns it; a move by SetWindowPos shows at once.
TEST_F(Processes, ZOrderWalkOverTwoProcesses) {
  const HWND peer = Backend().Peer();
  ASSERT_NE(peer, 0u) << Backend().PeerMissing();
  const HWND a = Make(win::WS_POPUP, 0, {100, 100, 200, 200}, u"a");
  const HWND b = Make(win::WS_POPUP, 0, {150, 150, 250, 250}, u"b");
  ASSERT_TRUE(a && b);
  for (HWND h : {a, b, peer}) P.ShowWindow(h, win::SW_SHOWNA);
  const UINT keep = win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE;
  const auto walk = [&] {
    std::vector<HWND> seen;
    int guard = 100000;
    for (HWND h = P.GetWindow(a, win::GW_HWNDFIRST); h && guard-- > 0; h = P.GetWindow(h, win::GW_HWNDNEXT)) {
      if (h == a || h == b || h == peer) seen.push_back(h);
    }
    EXPECT_GT(guard, 0) << "the walk ended";
    return seen;
  };
  struct TStep {
    const char* Name;
    HWND Wnd, InsertAfter;
    std::vector<HWND> Order;
  };
  const TStep steps[] = {
      {"the peer to the top", peer, win::HWND_TOP, {peer, b, a}},
      {"a after the peer", a, peer, {peer, a, b}},
      {"the peer to the bottom", peer, win::HWND_BOTTOM, {a, b, peer}},
      {"b to the top", b, win::HWND_TOP, {b, a, peer}},
  };
  ASSERT_TRUE(P.SetWindowPos(a, win::HWND_TOP, 0, 0, 0, 0, keep));
  ASSERT_TRUE(P.SetWindowPos(b, win::HWND_TOP, 0, 0, 0, 0, keep));
  for (const TStep& s : steps) {
    SCOPED_TRACE(s.Name);
    ASSERT_TRUE(P.SetWindowPos(s.Wnd, s.InsertAfter, 0, 0, 0, 0, keep));
    EXPECT_EQ(walk(), s.Order);
  }
  // The walk starts at the same window from any of them, and ends.
  EXPECT_EQ(P.GetWindow(peer, win::GW_HWNDFIRST), P.GetWindow(a, win::GW_HWNDFIRST));
  EXPECT_EQ(P.GetWindow(P.GetWindow(a, win::GW_HWNDLAST), win::GW_HWNDNEXT), 0u);
  EXPECT_NE(ProcessOf(peer), ProcessOf(a));
  P.ShowWindow(peer, win::SW_HIDE);
}

// The thread that made a window, and its process through the pointer; a
// window that is gone gives 0 and leaves the process as it was.
TEST_F(Processes, WindowThreadAndProcess) {
  const HWND peer = Backend().Peer();
  ASSERT_NE(peer, 0u) << Backend().PeerMissing();
  const HWND a = Make(win::WS_POPUP, 0, {10, 10, 20, 20});
  const HWND b = Make(win::WS_POPUP, 0, {30, 10, 40, 20});
  const HWND gone = Make(win::WS_POPUP, 0, {50, 10, 60, 20});
  ASSERT_TRUE(a && b && gone);
  DWORD pidA = 0, pidB = 0, peerPid = 0;
  const DWORD thread = P.GetWindowThreadProcessId(a, &pidA);
  EXPECT_NE(thread, 0u);
  EXPECT_NE(thread, pidA);                                  // a thread's id, not the process's
  EXPECT_EQ(P.GetWindowThreadProcessId(b, &pidB), thread);  // one thread made both
  EXPECT_EQ(pidB, pidA);
  EXPECT_EQ(P.GetWindowThreadProcessId(b, nullptr), thread);
  DWORD error = 0;
  EXPECT_EQ(ImagePath(pidA, error), OwnPath());
  const DWORD peerThread = P.GetWindowThreadProcessId(peer, &peerPid);
  EXPECT_NE(peerThread, 0u);
  EXPECT_NE(peerThread, thread);
  EXPECT_NE(peerPid, pidA);

  ASSERT_TRUE(P.DestroyWindow(gone));
  DWORD kept = 77;
  EXPECT_EQ(P.GetWindowThreadProcessId(gone, &kept), 0u);
  EXPECT_EQ(P.GetLastError(), win::ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(kept, 77u);
}

// Our own image path and the peer's, through the least query rights; a
// closed handle and a buffer too short are refused.
TEST_F(Processes, ImagePathSameBitness) {
  const HWND peer = Backend().Peer();
  ASSERT_NE(peer, 0u) << Backend().PeerMissing();
  const HWND own = Make(win::WS_POPUP, 0, {10, 10, 20, 20});
  ASSERT_NE(own, 0u);
  DWORD error = 0;
  EXPECT_EQ(ImagePath(ProcessOf(own), error), OwnPath());
  EXPECT_EQ(error, 0u);
  const DWORD peerPid = ProcessOf(peer);
  const std::u16string peerPath = ImagePath(peerPid, error);
  EXPECT_EQ(error, 0u);
  // NOTE: Wine 8 gives the path in the letter case it was typed, Windows in
  // the file system's; both name the same file.
  EXPECT_EQ(FoldAscii(peerPath), FoldAscii(Backend().PeerExePath()));
  // The peer reads ours the same way.
  ASSERT_EQ(P.SendMessageW(peer, peer::ImageOf, ProcessOf(own), 0), 1);
  EXPECT_EQ(FoldAscii(Text(peer)), FoldAscii(OwnPath()));

  const HANDLE process = P.OpenProcess(win::PROCESS_QUERY_LIMITED_INFORMATION, peerPid);
  ASSERT_NE(process, 0u);
  char16_t shortBuffer[4] = {};
  DWORD size = 4;
  EXPECT_FALSE(P.QueryFullProcessImageNameW(process, shortBuffer, size));
  EXPECT_EQ(P.GetLastError(), win::ERROR_INSUFFICIENT_BUFFER);
  ASSERT_TRUE(P.CloseHandle(process));
  size = 4;
  EXPECT_FALSE(P.QueryFullProcessImageNameW(process, shortBuffer, size));
  EXPECT_EQ(P.GetLastError(), win::ERROR_INVALID_HANDLE);
}

// A 64-bit copy reads a 32-bit one's path and back (the two builds run
// side by side on 64-bit Windows).
TEST_F(Processes, ImagePathOtherBitness) {
  std::u16string otherExe;
  std::string why;
  const HWND other = Backend().OtherBitnessPeer(otherExe, why);
  if (!other) GTEST_SKIP() << why;
  DWORD error = 0;
  EXPECT_EQ(FoldAscii(ImagePath(ProcessOf(other), error)), FoldAscii(otherExe));
  EXPECT_EQ(error, 0u);
  const HWND own = Make(win::WS_POPUP, 0, {10, 10, 20, 20});
  ASSERT_NE(own, 0u);
  ASSERT_EQ(P.SendMessageW(other, peer::ImageOf, ProcessOf(own), 0), 1);
  EXPECT_EQ(FoldAscii(Text(other)), FoldAscii(OwnPath()));
}

}  // namespace
}  // namespace lensoro::contract

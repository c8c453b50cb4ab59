// Messages: timers, posted messages, synchronous sends to another process
// and hot keys that collide across processes.
#include "Contract.h"

namespace lensoro::contract {
namespace {

constexpr UINT Mine = win::WM_APP + 30;
// Ctrl+Alt+Shift+F9: no desktop takes it.
constexpr UINT Mods = win::MOD_CONTROL | win::MOD_ALT | win::MOD_SHIFT, Key = 0x78;

class Messages : public TContract {
 protected:
  // The peer's window, or a skip with the reason.
  HWND Peer() {
    const HWND peer = Backend().Peer();
    if (!peer) ADD_FAILURE() << "no peer: " << Backend().PeerMissing();
    return peer;
  }
};

// A timer ticks with its id while messages are read, no sooner than its
// interval; setting it again restarts it; killed, it stays silent.
TEST_F(Messages, Timers) {
  const HWND wnd = Make(win::WS_POPUP, 0, {10, 10, 60, 60});
  ASSERT_NE(wnd, 0u);
  TRecorder& rec = Rec(wnd);
  const DWORD start = P.GetTickCount();
  ASSERT_EQ(P.SetTimer(wnd, 5, 30), 5u);
  EXPECT_EQ(rec.Count(win::WM_TIMER), 0);
  ASSERT_TRUE(PumpUntil([&] { return rec.Count(win::WM_TIMER) >= 3; }));
  // NOTE: Windows' timers may run up to one clock tick (15.6 ms) early.
  EXPECT_GE(P.GetTickCount() - start, 90u - 16u);
  for (const TSeen& s : rec.Seen) {
    if (s.Msg == win::WM_TIMER) {
      EXPECT_EQ(s.WParam, 5u);
    }
  }
  EXPECT_EQ(P.SetTimer(wnd, 5, 40), 5u);
  ASSERT_TRUE(P.KillTimer(wnd, 5));
  const int ticks = rec.Count(win::WM_TIMER);
  Pump(120);
  EXPECT_EQ(rec.Count(win::WM_TIMER), ticks);
  EXPECT_FALSE(P.KillTimer(wnd, 5));
}

// Posted messages wait for the queue to be read and come in the order they
// were posted; a thread message (no window) is read by the loop itself.
TEST_F(Messages, PostedMessages) {
  const HWND wnd = Make(win::WS_POPUP, 0, {10, 10, 60, 60});
  ASSERT_NE(wnd, 0u);
  TRecorder& rec = Rec(wnd);
  for (WPARAM i = 1; i <= 3; ++i) ASSERT_TRUE(P.PostMessageW(wnd, Mine, i, static_cast<LPARAM>(i * 10)));
  EXPECT_EQ(rec.Count(Mine), 0);
  Pump(20);
  std::vector<WPARAM> got;
  for (const TSeen& s : rec.Seen) {
    if (s.Msg == Mine) got.push_back(s.WParam * 100 + static_cast<WPARAM>(s.LParam));
  }
  EXPECT_EQ(got, (std::vector<WPARAM>{110, 220, 330}));

  EXPECT_FALSE(P.PostMessageW(wnd + 0x40000, Mine, 0, 0));
  EXPECT_EQ(P.GetLastError(), win::ERROR_INVALID_WINDOW_HANDLE);

  ASSERT_TRUE(P.PostMessageW(0, Mine, 7, 8));
  TMsg msg;
  bool found = false;
  while (!found && P.PeekMessageW(msg, true)) {
    found = msg.Wnd == 0 && msg.Message == Mine;
    if (!found) P.DispatchMessageW(msg);
  }
  ASSERT_TRUE(found);
  EXPECT_EQ(msg.WParam, 7u);
  EXPECT_EQ(msg.LParam, 8);
}

// Sends to another process wait for its handler and bring back its
// answer; the other process may send back to us meanwhile. A hung peer
// makes SendMessageTimeoutW give up with ERROR_TIMEOUT.
TEST_F(Messages, SynchronousSendsBetweenProcesses) {
  const HWND peer = Peer();
  if (!peer) return;
  const HWND wnd = Make(win::WS_POPUP, 0, {10, 10, 60, 60});
  ASSERT_NE(wnd, 0u);
  TRecorder& rec = Rec(wnd);
  rec.OnMessage = [](HWND, UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    result = lParam * 10;
    return msg == peer::CalledBack;
  };
  const DWORD ours = ProcessOf(wnd);
  EXPECT_NE(ours, 0u);
  EXPECT_NE(ProcessOf(peer), 0u);
  EXPECT_NE(ProcessOf(peer), ours);

  EXPECT_EQ(P.SendMessageW(peer, peer::Add, 40, 2), 42);
  const std::u16string title = u"peer " + Decimal(ours);
  EXPECT_EQ(P.SendMessageW(peer, peer::SetTitle, ours, 0), 1);
  EXPECT_EQ(Text(peer), title) << "the send returned after the handler had run";
  EXPECT_EQ(P.SendMessageW(peer, peer::CallBack, wnd, 5), 51);
  EXPECT_EQ(rec.Count(peer::CalledBack), 1);

  LRESULT result = 0;
  ASSERT_TRUE(P.SendMessageTimeoutW(peer, peer::Add, 1, 2, win::SMTO_NORMAL, 2000, result));
  EXPECT_EQ(result, 3);
  Backend().HangPeer(800);
  const DWORD start = P.GetTickCount();
  EXPECT_FALSE(P.SendMessageTimeoutW(peer, peer::Add, 1, 2, win::SMTO_NORMAL, 150, result));
  EXPECT_EQ(P.GetLastError(), win::ERROR_TIMEOUT);
  EXPECT_GE(P.GetTickCount() - start, 150u - 16u);
  EXPECT_TRUE(PumpUntil([&] { return P.SendMessageTimeoutW(peer, peer::Add, 2, 2, win::SMTO_NORMAL, 100, result); },
                        5000));
  EXPECT_EQ(result, 4);
}

// Messages posted to another process arrive there, in order.
TEST_F(Messages, PostedToAnotherProcess) {
  const HWND peer = Peer();
  if (!peer) return;
  const LRESULT before = P.SendMessageW(peer, peer::PostedSum, 0, 0);
  for (WPARAM i = 1; i <= 3; ++i) ASSERT_TRUE(P.PostMessageW(peer, peer::Posted, i, 0));
  const LRESULT want = before + (3 << 16) + 6;
  EXPECT_TRUE(PumpUntil([&] { return P.SendMessageW(peer, peer::PostedSum, 0, 0) == want; }));
}

// A combination belongs to one registration on the desktop: a second one,
// by this process or another, fails with ERROR_HOTKEY_ALREADY_REGISTERED
// until the first is unregistered or its window destroyed.
TEST_F(Messages, HotKeyCollisions) {
  const HWND peer = Peer();
  if (!peer) return;
  const HWND first = Make(win::WS_POPUP, 0, {10, 10, 60, 60});
  const HWND second = Make(win::WS_POPUP, 0, {10, 10, 60, 60});
  ASSERT_TRUE(first && second);
  ASSERT_TRUE(P.RegisterHotKey(first, 1, Mods, Key));
  EXPECT_FALSE(P.RegisterHotKey(second, 2, Mods, Key));
  EXPECT_EQ(P.GetLastError(), win::ERROR_HOTKEY_ALREADY_REGISTERED);
  EXPECT_EQ(P.SendMessageW(peer, peer::HotKey, Mods, Key), static_cast<LRESULT>(win::ERROR_HOTKEY_ALREADY_REGISTERED));

  ASSERT_TRUE(P.UnregisterHotKey(first, 1));
  EXPECT_FALSE(P.UnregisterHotKey(first, 1));
  EXPECT_EQ(P.GetLastError(), win::ERROR_HOTKEY_NOT_REGISTERED);
  ASSERT_EQ(P.SendMessageW(peer, peer::HotKey, Mods, Key), 0);
  EXPECT_FALSE(P.RegisterHotKey(first, 1, Mods, Key));
  EXPECT_EQ(P.GetLastError(), win::ERROR_HOTKEY_ALREADY_REGISTERED);
  ASSERT_EQ(P.SendMessageW(peer, peer::UnHotKey, 0, 0), 0);

  ASSERT_TRUE(P.RegisterHotKey(second, 2, Mods, Key));
  ASSERT_TRUE(P.DestroyWindow(second));
  EXPECT_TRUE(P.RegisterHotKey(first, 1, Mods, Key)) << "a destroyed window's hot keys are free";
  EXPECT_TRUE(P.UnregisterHotKey(first, 1));
}

}  // namespace
}  // namespace lensoro::contract

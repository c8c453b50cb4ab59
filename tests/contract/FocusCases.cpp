// What following the keyboard stands on: a thread's caret as another
// program sees it, client points on the screen, and a focus change in
// another process heard by an out-of-context hook.
#include <string>
#include <vector>

#include "Contract.h"

namespace lensoro::contract {
namespace {

class Focus : public TContract {};

// An editor's caret: the foreground thread's focus and caret windows, and
// the caret in the window's client area as it was made.
TEST_F(Focus, TheForegroundThreadTellsItsFocusAndCaret) {
  const HWND editor = Make(win::WS_POPUP | win::WS_VISIBLE, 0, {200, 150, 520, 350}, u"editor");
  ASSERT_NE(editor, 0u);
  if (!P.SetForegroundWindow(editor)) GTEST_SKIP() << "the foreground lock: this program may not take the foreground";
  P.SetFocus(editor);
  ASSERT_TRUE(Backend().CreateCaret(editor, {30, 20, 32, 36}));
  Pump(50);
  TGuiThreadInfo gui;
  ASSERT_TRUE(P.GetGUIThreadInfo(0, gui));
  EXPECT_EQ(gui.Active, editor);
  EXPECT_EQ(gui.Focus, editor);
  EXPECT_EQ(gui.Caret, editor);
  EXPECT_EQ(gui.CaretRect, (TRect{30, 20, 32, 36}));
  // A window without a frame: its client area starts at its corner.
  TPoint at{30, 20};
  ASSERT_TRUE(P.ClientToScreen(editor, at));
  EXPECT_EQ(at, (TPoint{230, 170}));
  // This program is aware of its monitor's DPI: its own pixels are the
  // screen's (where Windows has the call at all).
  TPoint logical = at, physical = at;
  if (P.PhysicalToLogicalPointForPerMonitorDPI(editor, logical)) {
    EXPECT_EQ(logical, at);
  }
  if (P.LogicalToPhysicalPointForPerMonitorDPI(editor, physical)) {
    EXPECT_EQ(physical, at);
  }
  Backend().DestroyCaret();
  ASSERT_TRUE(P.GetGUIThreadInfo(0, gui));
  EXPECT_EQ(gui.Caret, 0u);
}

struct THeard final : IWinEventHandler {
  struct TEvent {
    DWORD Event;
    HWND Window;
    std::int32_t ObjectId, ChildId;
  };
  std::vector<TEvent> Events;
  void WinEvent(HWINEVENTHOOK, DWORD event, HWND wnd, std::int32_t objectId, std::int32_t childId) override {
    Events.push_back({event, wnd, objectId, childId});
  }
};

// The peer's window takes the foreground and the focus: the hook hears of
// it while this thread reads its messages, and of nothing of its own.
TEST_F(Focus, AnOutOfContextHookHearsAnotherProgramTakeTheFocus) {
  const HWND peer = Backend().Peer();
  if (!peer) GTEST_SKIP() << Backend().PeerMissing();
  const HWND own = Make(win::WS_POPUP | win::WS_VISIBLE, 0, {100, 100, 300, 200}, u"own");
  if (!P.SetForegroundWindow(own)) GTEST_SKIP() << "the foreground lock: this program may not take the foreground";
  THeard heard;
  const HWINEVENTHOOK hook = P.SetWinEventHook(win::EVENT_OBJECT_FOCUS, win::EVENT_OBJECT_FOCUS, &heard);
  ASSERT_NE(hook, 0u);
  P.SetFocus(own);
  Pump(50);
  EXPECT_TRUE(heard.Events.empty()) << "heard " << heard.Events.size() << " events of its own";
  ASSERT_TRUE(P.SetForegroundWindow(peer));
  EXPECT_EQ(P.SendMessageW(peer, peer::Focus, 0, 0), 1);
  const std::string missing = Backend().WinEventsMissing();
  if (!missing.empty()) {
    EXPECT_TRUE(P.UnhookWinEvent(hook));
    GTEST_SKIP() << missing;
  }
  const auto peerFocused = [&] {
    for (const auto& e : heard.Events) {
      if (e.Event == win::EVENT_OBJECT_FOCUS && e.Window == peer) return true;
    }
    return false;
  };
  EXPECT_TRUE(PumpUntil(peerFocused));
  EXPECT_TRUE(P.UnhookWinEvent(hook));
  EXPECT_FALSE(P.UnhookWinEvent(hook));
}

}  // namespace
}  // namespace lensoro::contract

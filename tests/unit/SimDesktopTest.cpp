// The simulated desktop against the Win32 behaviour the units' tests lean on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "AllocationCounter.h"
#include "Framework.h"
#include "SimDesktop.h"

using lensoro::test::gAllocations;
using lensoro::test::gCountAllocations;

namespace lensoro::sim {
namespace {

using namespace lensoro::win;

struct TSeen {
  HWND Wnd;
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  friend bool operator==(const TSeen&, const TSeen&) = default;
};

// Records every message; a test may answer one through OnMessage.
class TRecorder final : public IWindowHandler {
 public:
  std::vector<TSeen> Seen;
  std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> OnMessage;
  // Without OnMessage, the messages whose default handling matters go on to
  // DefWindowProcW, as a real window's handler passes them.
  TPlatform* Platform = nullptr;
  LRESULT HandleMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
    Seen.push_back({wnd, msg, wParam, lParam});
    if (OnMessage) return OnMessage(wnd, msg, wParam, lParam);
    if (Platform && (msg == WM_WINDOWPOSCHANGED || msg == WM_SETTEXT)) {
      return Platform->DefWindowProcW(wnd, msg, wParam, lParam);
    }
    return 0;
  }
  // What was seen but the two messages about the window's position.
  std::vector<TSeen> Plain() const {
    std::vector<TSeen> r;
    for (const auto& s : Seen) {
      if (s.Msg != WM_WINDOWPOSCHANGING && s.Msg != WM_WINDOWPOSCHANGED) r.push_back(s);
    }
    return r;
  }
  std::vector<UINT> Messages() const {
    std::vector<UINT> r;
    for (const auto& s : Seen) r.push_back(s.Msg);
    return r;
  }
  int Count(UINT msg) const {
    int n = 0;
    for (const auto& s : Seen) n += s.Msg == msg;
    return n;
  }
};

HWND MakeWindow(TSimProcess& p, TRecorder* handler, DWORD style = WS_POPUP, DWORD exStyle = 0, TRect r = {},
                HWND parent = 0, const char16_t* cls = u"TTestWindow") {
  if (handler) handler->Platform = &p;
  TCreateWindowParams params;
  params.ClassName = cls;
  params.WindowName = u"test";
  params.Style = style;
  params.ExStyle = exStyle;
  params.X = r.Left;
  params.Y = r.Top;
  params.Width = r.Width();
  params.Height = r.Height();
  params.Parent = parent;
  params.Handler = handler;
  return p.CreateWindowExW(params);
}

LPARAM Pack(int lo, int hi) {
  return static_cast<LPARAM>(static_cast<std::int32_t>((static_cast<std::uint32_t>(hi) & 0xFFFF) << 16 |
                                                       (static_cast<std::uint32_t>(lo) & 0xFFFF)));
}

TEST(SimWindows, HandlesCreationMessagesAndChildCoordinates) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\a\\lensoro.exe");
  TRecorder top, child;
  const HWND a = MakeWindow(p, &top, WS_POPUP | WS_VISIBLE, 0, {100, 50, 400, 250});
  ASSERT_NE(a, 0u);
  EXPECT_NE(a, 1u);
  EXPECT_NE(a, HWND_TOPMOST);
  EXPECT_NE(a, HWND_NOTOPMOST);
  EXPECT_EQ(top.Messages(),
            (std::vector<UINT>{WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW, WM_ACTIVATEAPP, WM_ACTIVATE}));
  EXPECT_EQ(top.Seen[0].LParam, 0);
  EXPECT_EQ(top.Seen[1].LParam, Pack(300, 200));
  EXPECT_EQ(desk.Foreground(), a);
  EXPECT_EQ(p.GetWindowLongW(a, GWL_STYLE), static_cast<std::int32_t>(WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS));

  // Child positions are relative to the parent; stored in screen coordinates.
  const HWND c = MakeWindow(p, &child, WS_CHILD | WS_VISIBLE, 0, {5, 6, 105, 56}, a);
  ASSERT_NE(c, 0u);
  EXPECT_EQ(desk.Window(c)->Rect, (TRect{105, 56, 205, 106}));
  EXPECT_EQ(child.Seen[2], (TSeen{c, WM_MOVE, 0, Pack(5, 6)}));
  EXPECT_EQ(p.GetParent(c), a);
  EXPECT_EQ(p.GetWindow(a, GW_CHILD), c);
  EXPECT_EQ(desk.Foreground(), a) << "a child is never activated";
  TRect client;
  ASSERT_TRUE(p.GetClientRect(c, client));
  EXPECT_EQ(client, (TRect{0, 0, 100, 50}));

  // Moving the parent carries the child without telling it.
  child.Seen.clear();
  ASSERT_TRUE(p.SetWindowPos(a, 0, 200, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
  EXPECT_EQ(desk.Window(c)->Rect, (TRect{205, 66, 305, 116}));
  EXPECT_TRUE(child.Seen.empty());
  ASSERT_TRUE(p.SetWindowPos(c, 0, -3, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
  EXPECT_EQ(child.Plain(), (std::vector<TSeen>{{c, WM_MOVE, 0, Pack(-3, 4)}}));
  EXPECT_EQ(desk.Window(c)->Rect, (TRect{197, 64, 297, 114}));

  // Text copies at most maxCount-1 characters and a terminator.
  char16_t buf[5] = {u'x', u'x', u'x', u'x', u'x'};
  ASSERT_TRUE(p.SetWindowTextW(a, u"Lensoro"));
  EXPECT_EQ(p.GetWindowTextW(a, buf, 5), 4);
  EXPECT_EQ(std::u16string(buf), u"Lens");
  EXPECT_EQ(p.GetClassNameW(a, buf, 3), 2);
  EXPECT_EQ(std::u16string(buf), u"TT");

  // A child needs an existing parent; an unknown class without handler fails.
  EXPECT_EQ(MakeWindow(p, &child, WS_CHILD, 0, {}, 0x7770), 0u);
  EXPECT_EQ(p.GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(MakeWindow(p, nullptr, WS_POPUP, 0, {}, 0, u"NoSuchClass"), 0u);
  EXPECT_EQ(p.GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);

  // A popup's "parent" is its owner.
  TRecorder popup;
  const HWND owned = MakeWindow(p, &popup, WS_POPUP, 0, {}, c);
  EXPECT_EQ(p.GetWindow(owned, GW_OWNER), a);
  EXPECT_EQ(p.GetParent(owned), a);
}

TEST(SimWindows, ZOrderBandsAndInsertAfter) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\a\\lensoro.exe");
  TSimProcess& other = desk.AddProcess(u"C:\\Windows\\explorer.exe");
  const HWND tray = desk.AddForeignWindow(other.Pid, u"Shell_TrayWnd", u"", 0, {}, true, WS_EX_TOPMOST);
  const HWND note = desk.AddForeignWindow(other.Pid, u"Notepad", u"Untitled");
  EXPECT_EQ(desk.TopLevelWindows(), (std::vector<HWND>{tray, note}));

  TRecorder r;
  const HWND loupe = MakeWindow(p, &r, WS_POPUP, 0, {0, 0, 10, 10});
  EXPECT_EQ(desk.TopLevelWindows(), (std::vector<HWND>{tray, loupe, note})) << "new window tops its band";

  r.Seen.clear();
  ASSERT_TRUE(p.SetWindowPos(loupe, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE));
  EXPECT_EQ(desk.TopLevelWindows(), (std::vector<HWND>{loupe, tray, note}));
  EXPECT_TRUE(p.GetWindowLongW(loupe, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(r.Plain().empty()) << "no move, no size, no activation: no message";

  // Leaving the top-most band puts it at the top of the others.
  ASSERT_TRUE(p.SetWindowPos(loupe, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE));
  EXPECT_EQ(desk.TopLevelWindows(), (std::vector<HWND>{tray, loupe, note}));
  EXPECT_FALSE(p.GetWindowLongW(loupe, GWL_EXSTYLE) & WS_EX_TOPMOST);
  // NOTOPMOST does nothing to a window that is not top-most.
  ASSERT_TRUE(p.SetWindowPos(note, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE));
  EXPECT_EQ(desk.TopLevelWindows(), (std::vector<HWND>{tray, loupe, note}));

  // After a window: a normal window stays below the top-most band.
  ASSERT_TRUE(p.SetWindowPos(loupe, note, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE));
  EXPECT_EQ(desk.TopLevelWindows(), (std::vector<HWND>{tray, note, loupe}));
  ASSERT_TRUE(p.SetWindowPos(loupe, tray, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE));
  EXPECT_EQ(desk.TopLevelWindows(), (std::vector<HWND>{tray, loupe, note}));
  // HWND_BOTTOM takes a top-most window out of its band.
  ASSERT_TRUE(p.SetWindowPos(tray, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE));
  EXPECT_EQ(desk.TopLevelWindows(), (std::vector<HWND>{loupe, note, tray}));
  EXPECT_FALSE(desk.Window(tray)->ExStyle & WS_EX_TOPMOST);
  ASSERT_TRUE(p.SetWindowPos(tray, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE));
  EXPECT_EQ(desk.TopLevelWindows(), (std::vector<HWND>{tray, loupe, note}));
  // NOZORDER ignores insertAfter, even a bad one; without it a bad one fails.
  EXPECT_TRUE(p.SetWindowPos(loupe, 0x999, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
  EXPECT_FALSE(p.SetWindowPos(loupe, 0x999, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE));
  EXPECT_EQ(p.GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(desk.TopLevelWindows(), (std::vector<HWND>{tray, loupe, note}));

  // Enumeration follows the z-order and stops when asked.
  std::vector<HWND> seen;
  EXPECT_FALSE(p.EnumWindows([&](HWND h) {
    seen.push_back(h);
    return seen.size() < 2;
  }));
  EXPECT_EQ(seen, (std::vector<HWND>{tray, loupe}));
}

TEST(SimWindows, SetWindowPosRaisesMoveAndSizeOnlyOnChange) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\a\\lensoro.exe");
  TRecorder r;
  const HWND w = MakeWindow(p, &r, WS_POPUP, 0, {10, 20, 110, 220});
  r.Seen.clear();

  ASSERT_TRUE(p.SetWindowPos(w, 0, 10, 20, 100, 200, SWP_NOZORDER | SWP_NOACTIVATE));
  EXPECT_EQ(r.Messages(), (std::vector<UINT>{WM_WINDOWPOSCHANGING})) << "asked, but nothing changed";
  ASSERT_TRUE(p.SetWindowPos(w, 0, 30, 40, 999, 999, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
  EXPECT_EQ(r.Plain(), (std::vector<TSeen>{{w, WM_MOVE, 0, Pack(30, 40)}}));
  EXPECT_EQ(desk.Window(w)->Rect, (TRect{30, 40, 130, 240}));
  r.Seen.clear();
  ASSERT_TRUE(p.SetWindowPos(w, 0, -5000, -5000, 50, 60, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
  EXPECT_EQ(r.Plain(), (std::vector<TSeen>{{w, WM_SIZE, 0, Pack(50, 60)}}));
  EXPECT_EQ(desk.Window(w)->Rect, (TRect{30, 40, 80, 100}));
  r.Seen.clear();
  // Negative positions travel as signed 16-bit halves.
  ASSERT_TRUE(p.SetWindowPos(w, 0, -1920, -8, 70, 80, SWP_NOZORDER | SWP_NOACTIVATE));
  EXPECT_EQ(r.Plain(), (std::vector<TSeen>{{w, WM_MOVE, 0, Pack(-1920, -8)}, {w, WM_SIZE, 0, Pack(70, 80)}}));
  // The handler sees the new state when it hears of it.
  TRect seenRect;
  r.OnMessage = [&](HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_MOVE) p.GetWindowRect(h, seenRect);
    return m == WM_WINDOWPOSCHANGED ? p.DefWindowProcW(h, m, wp, lp) : 0;
  };
  ASSERT_TRUE(p.SetWindowPos(w, 0, 1, 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
  EXPECT_EQ(seenRect, (TRect{1, 2, 71, 82}));

  // SWP_SHOWWINDOW/HIDEWINDOW change visibility without WM_SHOWWINDOW;
  // without SWP_NOACTIVATE the window is activated.
  r.Seen.clear();
  r.OnMessage = nullptr;
  ASSERT_TRUE(
      p.SetWindowPos(w, 0, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW | SWP_NOACTIVATE));
  EXPECT_TRUE(p.IsWindowVisible(w));
  EXPECT_TRUE(r.Plain().empty());
  EXPECT_EQ(desk.Foreground(), 0u);
  ASSERT_TRUE(p.SetWindowPos(w, 0, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER));
  EXPECT_EQ(desk.Foreground(), w);
  ASSERT_TRUE(p.SetWindowPos(w, 0, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_HIDEWINDOW));
  EXPECT_FALSE(p.IsWindowVisible(w));
  EXPECT_EQ(desk.Foreground(), 0u) << "a hidden window gives up activation";
  EXPECT_EQ(r.Count(WM_SHOWWINDOW), 0);
}

TEST(SimWindows, ShowWindowAndActivation) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\a\\lensoro.exe");
  TSimProcess& q = desk.AddProcess(u"C:\\b\\lensoro.exe");
  TRecorder ra, rb;
  const HWND a = MakeWindow(p, &ra);
  const HWND b = MakeWindow(q, &rb);
  ra.Seen.clear();
  rb.Seen.clear();

  EXPECT_FALSE(p.ShowWindow(a, SW_SHOWNA)) << "returns whether it was visible before";
  EXPECT_EQ(ra.Seen, (std::vector<TSeen>{{a, WM_SHOWWINDOW, 1, 0}}));
  EXPECT_EQ(desk.Foreground(), 0u);
  EXPECT_TRUE(p.ShowWindow(a, SW_SHOWNA));
  EXPECT_EQ(ra.Count(WM_SHOWWINDOW), 1) << "no message without a change";

  ra.Seen.clear();
  EXPECT_TRUE(p.ShowWindow(a, SW_SHOW));
  EXPECT_EQ(desk.Foreground(), a);
  EXPECT_EQ(ra.Seen, (std::vector<TSeen>{{a, WM_ACTIVATEAPP, 1, 0}, {a, WM_ACTIVATE, 1, 0}}));

  // Activation moves: the old window hears first, then the new one.
  ra.Seen.clear();
  q.ShowWindow(b, SW_SHOWNA);
  rb.Seen.clear();
  ASSERT_TRUE(q.SetForegroundWindow(b));
  EXPECT_EQ(ra.Seen, (std::vector<TSeen>{{a, WM_ACTIVATE, 0, static_cast<LPARAM>(b)},
                                         {a, WM_ACTIVATEAPP, 0, static_cast<LPARAM>(q.Pid)}}));
  EXPECT_EQ(rb.Seen, (std::vector<TSeen>{{b, WM_ACTIVATEAPP, 1, static_cast<LPARAM>(p.Pid)},
                                         {b, WM_ACTIVATE, 1, static_cast<LPARAM>(a)}}));
  EXPECT_EQ(desk.TopLevelWindows().front(), b);
  EXPECT_EQ(p.GetForegroundWindow(), b);
  rb.Seen.clear();
  ASSERT_TRUE(q.SetForegroundWindow(b));
  EXPECT_TRUE(rb.Seen.empty());

  // Hiding the foreground passes activation to the next visible window.
  ra.Seen.clear();
  EXPECT_TRUE(q.ShowWindow(b, SW_HIDE));
  EXPECT_EQ(rb.Seen.front(), (TSeen{b, WM_SHOWWINDOW, 0, 0}));
  EXPECT_EQ(desk.Foreground(), a);
  EXPECT_EQ(ra.Seen.back(), (TSeen{a, WM_ACTIVATE, 1, static_cast<LPARAM>(b)}));
  EXPECT_FALSE(q.IsWindowVisible(b));

  // A child is invisible while an ancestor is hidden.
  TRecorder rc;
  const HWND c = MakeWindow(p, &rc, WS_CHILD | WS_VISIBLE, 0, {}, a);
  EXPECT_TRUE(p.IsWindowVisible(c));
  p.ShowWindow(a, SW_HIDE);
  EXPECT_FALSE(p.IsWindowVisible(c));
  EXPECT_TRUE(desk.Window(c)->Visible);
  EXPECT_EQ(desk.Foreground(), 0u);
}

TEST(SimWindows, DestroyCascadesAndLeavesStaleHandles) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\a\\lensoro.exe");
  TSimProcess& q = desk.AddProcess(u"C:\\b\\other.exe");
  std::vector<std::pair<HWND, UINT>> order;
  TRecorder rp, rc, rg, ro;
  const HWND parent = MakeWindow(p, &rp, WS_POPUP | WS_VISIBLE);
  const HWND child = MakeWindow(p, &rc, WS_CHILD, 0, {}, parent);
  const HWND grand = MakeWindow(p, &rg, WS_CHILD, 0, {}, child);
  const HWND owned = MakeWindow(p, &ro, WS_POPUP, 0, {}, parent);
  bool childExistedDuringParentDestroy = false;
  for (TRecorder* r : {&rp, &rc, &rg, &ro}) {
    r->OnMessage = [&](HWND h, UINT m, WPARAM, LPARAM) {
      if (m == WM_DESTROY) {
        order.push_back({h, m});
        if (h == parent) childExistedDuringParentDestroy = p.IsWindow(grand);
      }
      return 0;
    };
  }
  ASSERT_NE(p.SetTimer(child, 7, 100), 0u);
  ASSERT_TRUE(p.PostMessageW(grand, WM_APP, 0, 0));

  // Another process may not destroy it.
  EXPECT_FALSE(q.DestroyWindow(parent));
  EXPECT_EQ(q.GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(p.IsWindow(parent));

  ASSERT_TRUE(p.DestroyWindow(parent));
  EXPECT_EQ(order, (std::vector<std::pair<HWND, UINT>>{
                       {owned, WM_DESTROY}, {parent, WM_DESTROY}, {child, WM_DESTROY}, {grand, WM_DESTROY}}));
  EXPECT_TRUE(childExistedDuringParentDestroy);
  for (HWND h : {parent, child, grand, owned}) {
    EXPECT_FALSE(p.IsWindow(h));
    EXPECT_EQ(desk.Window(h), nullptr);
  }
  EXPECT_TRUE(desk.TopLevelWindows().empty());
  EXPECT_EQ(desk.Foreground(), 0u);
  EXPECT_TRUE(p.Timers.empty()) << "timers die with their window";
  EXPECT_TRUE(p.Queue.empty()) << "so do its posted messages";

  // Every call on a stale handle fails with 1400.
  TRect r;
  p.SetLastError(0);
  EXPECT_FALSE(p.GetWindowRect(parent, r));
  EXPECT_EQ(p.GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  p.SetLastError(0);
  EXPECT_FALSE(p.SetWindowPos(child, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE));
  EXPECT_EQ(p.GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  p.SetLastError(0);
  EXPECT_EQ(p.SendMessageW(grand, WM_APP, 0, 0), 0);
  EXPECT_EQ(p.GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  p.SetLastError(0);
  EXPECT_FALSE(p.PostMessageW(grand, WM_APP, 0, 0));
  EXPECT_EQ(p.GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_FALSE(p.DestroyWindow(parent));
  EXPECT_EQ(p.SetTimer(parent, 1, 10), 0u);

  // WM_CLOSE to a window without handler destroys it (DefWindowProcW); an
  // enumeration that destroys windows as it goes skips the dead ones.
  const HWND f1 = desk.AddForeignWindow(q.Pid, u"X", u"one");
  const HWND f2 = desk.AddForeignWindow(q.Pid, u"X", u"two");
  std::vector<HWND> visited;
  p.EnumWindows([&](HWND h) {
    visited.push_back(h);
    p.SendMessageW(f1, WM_CLOSE, 0, 0);
    return true;
  });
  EXPECT_EQ(visited, (std::vector<HWND>{f2}));
  EXPECT_FALSE(p.IsWindow(f1));
}

TEST(SimMessages, CrossProcessSendNestsAndPostWaitsForTheLoop) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\a\\lensoro.exe");
  TSimProcess& q = desk.AddProcess(u"C:\\b\\lensoro.exe");
  TRecorder ra, rb;
  const HWND a = MakeWindow(p, &ra);
  const HWND b = MakeWindow(q, &rb);
  const UINT ask = p.RegisterWindowMessageW(u"Lensoro.Ask");
  EXPECT_EQ(q.RegisterWindowMessageW(u"LENSORO.ask"), ask);
  EXPECT_GE(ask, 0xC000u);
  EXPECT_NE(q.RegisterWindowMessageW(u"Lensoro.Other"), ask);

  // a asks b, b asks a back while still inside a's call.
  rb.OnMessage = [&](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT {
    return m == ask ? 10 * q.SendMessageW(a, ask, w + 1, 0) : 0;
  };
  ra.OnMessage = [&](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT { return m == ask ? static_cast<LRESULT>(w) : 0; };
  EXPECT_EQ(p.SendMessageW(b, ask, 4, 0), 50);

  // A window without handler answers DefWindowProcW.
  const HWND f = desk.AddForeignWindow(q.Pid, u"X", u"x");
  EXPECT_EQ(p.SendMessageW(f, WM_NCHITTEST, 0, 0), HTCLIENT);
  EXPECT_EQ(p.SendMessageW(f, WM_QUERYENDSESSION, 0, 0), 1);
  EXPECT_EQ(p.SendMessageW(f, ask, 0, 0), 0);

  // Posted messages land in the target's process and wait for its loop.
  rb.Seen.clear();
  ASSERT_TRUE(p.PostMessageW(b, WM_APP, 1, 2));
  ASSERT_TRUE(p.PostMessageW(b, WM_APP + 1, 3, 4));
  EXPECT_TRUE(rb.Seen.empty());
  EXPECT_TRUE(p.Queue.empty());
  TMsg m;
  ASSERT_TRUE(q.PeekMessageW(m, false));
  EXPECT_EQ(m.Message, WM_APP);
  ASSERT_EQ(q.GetMessageW(m), 1);
  EXPECT_EQ(m.Wnd, b);
  EXPECT_EQ(m.Message, WM_APP);
  EXPECT_EQ(m.WParam, 1u);
  q.DispatchMessageW(m);
  ASSERT_EQ(q.GetMessageW(m), 1);
  EXPECT_EQ(m.Message, WM_APP + 1u);
  q.DispatchMessageW(m);
  EXPECT_EQ(rb.Seen, (std::vector<TSeen>{{b, WM_APP, 1, 2}, {b, WM_APP + 1, 3, 4}}));

  // A thread message goes to the caller and dispatches nowhere.
  ASSERT_TRUE(p.PostMessageW(0, WM_APP + 5, 0, 0));
  ASSERT_TRUE(p.PeekMessageW(m, true));
  EXPECT_EQ(m.Wnd, 0u);
  EXPECT_EQ(p.DispatchMessageW(m), 0);

  // The quit comes after posted messages; peeking without removing keeps it.
  p.PostQuitMessage(3);
  ASSERT_TRUE(p.PostMessageW(a, WM_APP, 0, 0));
  ASSERT_EQ(p.GetMessageW(m), 1);
  EXPECT_EQ(m.Message, WM_APP);
  ASSERT_TRUE(p.PeekMessageW(m, false));
  EXPECT_EQ(m.Message, WM_QUIT);
  ASSERT_EQ(p.GetMessageW(m), 0);
  EXPECT_EQ(m.Message, WM_QUIT);
  EXPECT_EQ(m.WParam, 3u);
  EXPECT_FALSE(p.PeekMessageW(m, true));

  EXPECT_FALSE(p.TranslateMessage({a, WM_APP, 0, 0}));
  EXPECT_TRUE(p.TranslateMessage({a, WM_KEYDOWN, 'K', 0}));
  ASSERT_TRUE(p.PeekMessageW(m, true));
  EXPECT_EQ(m.Message, WM_CHAR);
  EXPECT_EQ(m.WParam, static_cast<WPARAM>(u'k'));
}

TEST(SimMessages, TimersFollowTheClockAndCoalesce) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\a\\lensoro.exe");
  TRecorder r;
  const HWND w = MakeWindow(p, &r);
  EXPECT_EQ(desk.Now(), 1000u);
  EXPECT_EQ(p.SetTimer(w, 1, 50), 1u);
  EXPECT_EQ(p.SetTimer(w, 2, 120), 2u);

  // GetMessageW waits (moves the clock) to the earliest timer.
  TMsg m;
  ASSERT_EQ(p.GetMessageW(m), 1);
  EXPECT_EQ(m.Wnd, w);
  EXPECT_EQ(m.Message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(m.WParam, 1u);
  EXPECT_EQ(desk.Now(), 1050u);
  EXPECT_EQ(p.GetTickCount(), 1050u);
  ASSERT_EQ(p.GetMessageW(m), 1);
  EXPECT_EQ(desk.Now(), 1100u);
  EXPECT_EQ(m.WParam, 1u);
  ASSERT_EQ(p.GetMessageW(m), 1);
  EXPECT_EQ(desk.Now(), 1120u);
  EXPECT_EQ(m.WParam, 2u);

  // A long absence leaves one WM_TIMER per timer, not one per interval.
  desk.Advance(1000);
  int timer1 = 0, timer2 = 0;
  while (p.PeekMessageW(m, true)) {
    timer1 += m.WParam == 1;
    timer2 += m.WParam == 2;
  }
  EXPECT_EQ(timer1, 1);
  EXPECT_EQ(timer2, 1);
  EXPECT_EQ(desk.Now(), 2120u) << "peeking never moves the clock";

  // Posted messages come before timers.
  desk.Advance(200);
  ASSERT_TRUE(p.PostMessageW(w, WM_APP, 0, 0));
  ASSERT_EQ(p.GetMessageW(m), 1);
  EXPECT_EQ(m.Message, WM_APP);

  // MsgWaitForMultipleObjects: at once when something is there, else the
  // clock moves to the timeout or the next timer, whichever is first.
  EXPECT_EQ(p.MsgWaitForMultipleObjects(500, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(desk.Now(), 2320u);
  while (p.PeekMessageW(m, true)) {
  }
  ASSERT_TRUE(p.KillTimer(w, 2));
  EXPECT_FALSE(p.KillTimer(w, 2));
  EXPECT_EQ(p.MsgWaitForMultipleObjects(20, QS_ALLINPUT), WAIT_TIMEOUT);
  EXPECT_EQ(desk.Now(), 2340u);
  EXPECT_EQ(p.MsgWaitForMultipleObjects(500, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(desk.Now(), 2370u);  // timer 1 was re-armed at 2320

  // Re-setting a timer replaces it; the last one gone, the loop would hang.
  EXPECT_EQ(p.SetTimer(w, 1, 5), 1u);
  EXPECT_EQ(p.Timers.size(), 1u);
  EXPECT_EQ(p.FindTimer(w, 1)->Interval, 10u) << "raised to the system's minimum";
  ASSERT_TRUE(p.KillTimer(w, 1));
  while (p.PeekMessageW(m, true)) {
  }
  EXPECT_FALSE(p.Starved);
  EXPECT_EQ(p.GetMessageW(m), -1);
  EXPECT_TRUE(p.Starved);
}

TEST(SimMessages, RunForInterleavesProcessesInTimeOrder) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\a\\lensoro.exe");
  TSimProcess& q = desk.AddProcess(u"C:\\b\\lensoro.exe");
  std::vector<std::pair<char, DWORD>> ticks;
  TRecorder ra, rb;
  ra.OnMessage = [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
    if (m == WM_TIMER) ticks.push_back({'a', desk.Now()});
    return 0;
  };
  rb.OnMessage = [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
    if (m == WM_TIMER) ticks.push_back({'b', desk.Now()});
    return 0;
  };
  p.SetTimer(MakeWindow(p, &ra), 1, 30);
  q.SetTimer(MakeWindow(q, &rb), 1, 50);
  desk.RunFor(100);
  EXPECT_EQ(ticks, (std::vector<std::pair<char, DWORD>>{
                       {'a', 1030}, {'b', 1050}, {'a', 1060}, {'a', 1090}, {'b', 1100}}));
  EXPECT_EQ(desk.Now(), 1100u);
}

TEST(SimMessages, DialogsAreAnsweredAndMayRunNestedLoops) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\a\\lensoro.exe");
  TRecorder r;
  const HWND w = MakeWindow(p, &r, WS_POPUP, 0, {0, 0, 400, 200});
  EXPECT_EQ(p.MessageDialog(u"Hello", u"Lensoro", TMsgDlgType::Information, mbOK, 0), IDOK);
  ASSERT_EQ(desk.Dialogs.size(), 1u);
  EXPECT_EQ(desk.Dialogs[0].Text, u"Hello");
  EXPECT_FALSE(p.IsWindow(desk.Dialogs[0].Window)) << "the box is gone when the call returns";

  // The responder pumps the owner's queue while the box is up.
  p.SetTimer(w, 9, 100);
  HWND boxWhileUp = 0;
  desk.DialogResponder = [&](TSimProcess& proc, const TSimDialog& d) {
    boxWhileUp = d.Window;
    EXPECT_EQ(proc.GetWindow(d.Window, GW_OWNER), w);
    EXPECT_EQ(desk.TopLevelWindows().front(), d.Window);
    TMsg m;
    if (proc.GetMessageW(m) > 0) proc.DispatchMessageW(m);
    return d.Buttons & mbCancel ? IDCANCEL : IDOK;
  };
  EXPECT_EQ(p.MessageDialog(u"Quit?", u"Lensoro", TMsgDlgType::Confirmation, mbOK | mbCancel, w), IDCANCEL);
  EXPECT_EQ(r.Count(WM_TIMER), 1);
  ASSERT_EQ(desk.Dialogs.size(), 2u);
  EXPECT_EQ(desk.Dialogs[1].Result, IDCANCEL);
  EXPECT_EQ(desk.Dialogs[1].Owner, w);
  EXPECT_EQ(desk.Dialogs[1].Type, TMsgDlgType::Confirmation);
  EXPECT_NE(boxWhileUp, 0u);
  EXPECT_FALSE(p.IsWindow(boxWhileUp));
}

// A window is its creating thread's: the process's main one unless the
// process runs on another; thread and process ids never coincide.
TEST(SimProcesses, AWindowBelongsToTheThreadThatMadeIt) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\A\\lensoro.exe");
  TSimProcess& q = desk.AddProcess(u"C:\\B\\notepad.exe");
  const DWORD main = p.ThreadIds.front();
  const DWORD worker = desk.AddThread(p);
  EXPECT_EQ(p.ThreadIds, (std::vector<DWORD>{main, worker}));
  const std::vector<DWORD> ids = {p.Pid, q.Pid, main, worker, q.ThreadIds.front()};
  EXPECT_EQ(std::set<DWORD>(ids.begin(), ids.end()).size(), ids.size());

  TRecorder r1, r2;
  const HWND first = MakeWindow(p, &r1);
  p.CurrentThreadId = worker;
  const HWND second = MakeWindow(p, &r2);
  const HWND foreign = desk.AddForeignWindow(q.Pid, u"Notepad", u"Untitled - Notepad");
  DWORD pid = 0;
  EXPECT_EQ(q.GetWindowThreadProcessId(first, &pid), main);
  EXPECT_EQ(q.GetWindowThreadProcessId(second, &pid), worker);
  EXPECT_EQ(pid, p.Pid);
  EXPECT_EQ(p.GetWindowThreadProcessId(foreign, &pid), q.ThreadIds.front());
  EXPECT_EQ(pid, q.Pid);
}

TEST(SimProcesses, OpenProcessAcrossBitnessAndProtection) {
  TSimDesktop desk;
  TSimProcess& p32 = desk.AddProcess(u"C:\\x86\\lensoro.exe");
  TSimProcess& p64 = desk.AddProcess(u"C:\\x64\\lensoro.exe", true);
  TSimProcess& admin = desk.AddProcess(u"C:\\Windows\\System32\\taskmgr.exe", true);
  admin.Protected = true;
  EXPECT_NE(p32.Pid, p64.Pid);
  EXPECT_EQ(desk.ProcessById(p64.Pid), &p64);
  EXPECT_EQ(ReadModuleFileName(p32), u"C:\\x86\\lensoro.exe");

  const HWND w64 = desk.AddForeignWindow(p64.Pid, u"TLoupe", u"Lensoro");
  DWORD pid = 0;
  EXPECT_EQ(p32.GetWindowThreadProcessId(w64, &pid), p64.ThreadIds.front());
  EXPECT_EQ(pid, p64.Pid);
  EXPECT_EQ(p32.GetWindowThreadProcessId(0x4444, &pid), 0u);
  EXPECT_EQ(pid, p64.Pid);  // left as it was

  const DWORD rights = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
  char16_t buf[261];
  const HANDLE h = p32.OpenProcess(rights, p64.Pid);
  ASSERT_NE(h, 0u);
  EXPECT_EQ(p32.GetModuleFileNameExW(h, buf, 261), 0u);
  EXPECT_EQ(p32.GetLastError(), ERROR_PARTIAL_COPY);
  DWORD size = 261;
  ASSERT_TRUE(p32.QueryFullProcessImageNameW(h, buf, size));
  EXPECT_EQ(std::u16string(buf, size), u"C:\\x64\\lensoro.exe");
  size = 5;
  EXPECT_FALSE(p32.QueryFullProcessImageNameW(h, buf, size));
  EXPECT_TRUE(p32.CloseHandle(h));
  EXPECT_FALSE(p32.CloseHandle(h));
  EXPECT_EQ(p32.GetLastError(), 6u);

  // 64 reads 32 and 64; a short buffer truncates with a terminator.
  const HANDLE h2 = p64.OpenProcess(rights, p32.Pid);
  ASSERT_NE(h2, 0u);
  EXPECT_EQ(p64.GetModuleFileNameExW(h2, buf, 261), 18u);
  EXPECT_EQ(std::u16string(buf), u"C:\\x86\\lensoro.exe");
  EXPECT_EQ(p64.GetModuleFileNameExW(h2, buf, 4), 3u);
  EXPECT_EQ(std::u16string(buf), u"C:\\");
  EXPECT_TRUE(p64.CloseHandle(h2));

  // A protected process opens only for limited queries; unknown pids fail.
  EXPECT_EQ(p64.OpenProcess(rights, admin.Pid), 0u);
  EXPECT_EQ(p64.GetLastError(), ERROR_ACCESS_DENIED);
  const HANDLE limited = p64.OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, admin.Pid);
  ASSERT_NE(limited, 0u);
  EXPECT_EQ(p64.GetModuleFileNameExW(limited, buf, 261), 0u);
  EXPECT_EQ(p64.GetLastError(), ERROR_ACCESS_DENIED);
  size = 261;
  EXPECT_TRUE(p64.QueryFullProcessImageNameW(limited, buf, size));
  EXPECT_EQ(p64.OpenProcess(rights, 77777), 0u);
  EXPECT_EQ(p64.GetLastError(), ERROR_INVALID_PARAMETER);

  // Mapped drives expand to their share; other paths stay.
  desk.MapDrive(u'n', u"\\\\server\\share\\");
  EXPECT_EQ(p32.ExpandUNCFileName(u"N:\\x\\y.exe"), u"\\\\server\\share\\x\\y.exe");
  EXPECT_EQ(p32.ExpandUNCFileName(u"C:\\x\\y.exe"), u"C:\\x\\y.exe");
}

TEST(SimMagnifier, ClassExistsOnlyBetweenInitializeAndUninitialize) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\a\\lensoro.exe");
  TSimProcess& q = desk.AddProcess(u"C:\\b\\lensoro.exe");
  TRecorder r;
  const HWND host = MakeWindow(p, &r, WS_POPUP | WS_VISIBLE, WS_EX_LAYERED, {0, 0, 300, 200});
  EXPECT_EQ(MakeWindow(p, nullptr, WS_CHILD | WS_VISIBLE, 0, {3, 3, 297, 197}, host, u"Magnifier"), 0u);
  EXPECT_EQ(p.GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);

  ASSERT_TRUE(p.MagInitialize());
  EXPECT_EQ(MakeWindow(q, nullptr, WS_POPUP, 0, {}, 0, u"Magnifier"), 0u) << "q has not initialised";
  const HWND mag = MakeWindow(p, nullptr, WS_CHILD | WS_VISIBLE, 0, {3, 3, 297, 197}, host, u"magnifier");
  ASSERT_NE(mag, 0u);
  EXPECT_TRUE(desk.Window(mag)->IsMagnifier);

  TMagTransform t;
  t.v[0][0] = t.v[1][1] = 2.0f;
  t.v[2][2] = 1.0f;
  EXPECT_TRUE(p.MagSetWindowTransform(mag, t));
  EXPECT_EQ(desk.Window(mag)->Transform.v[1][1], 2.0f);
  // A refused call leaves what was set; no effect is the identity.
  TMagTransform shrink = t;
  shrink.v[0][0] = shrink.v[1][1] = 0.5f;
  EXPECT_FALSE(p.MagSetWindowTransform(mag, shrink));
  EXPECT_EQ(desk.Window(mag)->Transform.v[0][0], 2.0f);
  TMagColorEffect invert{};
  invert.v[0][0] = -1.0f;
  ASSERT_TRUE(p.MagSetColorEffect(mag, &invert));
  ASSERT_TRUE(p.MagSetColorEffect(mag, nullptr));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(desk.Window(mag)->ColorEffect.v[i][i], 1.0f) << i;
  EXPECT_TRUE(p.MagSetWindowSource(mag, {10, 20, 157, 117}));
  EXPECT_EQ(desk.Window(mag)->Source, (TRect{10, 20, 157, 117}));
  EXPECT_EQ(desk.Window(mag)->SourceSetCount, 1);
  const HWND excluded[] = {host};
  EXPECT_TRUE(p.MagSetWindowFilterList(mag, MW_FILTERMODE_EXCLUDE, 1, excluded));
  EXPECT_EQ(desk.Window(mag)->FilterList, (std::vector<HWND>{host}));
  EXPECT_FALSE(p.MagSetWindowFilterList(mag, MW_FILTERMODE_EXCLUDE, 2, nullptr));
  EXPECT_EQ(p.GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(p.MagSetWindowFilterList(mag, MW_FILTERMODE_EXCLUDE, -1, excluded));
  EXPECT_EQ(desk.Window(mag)->FilterList.size(), 1u);

  // Not a magnifier, not a window.
  EXPECT_FALSE(p.MagSetWindowSource(host, {}));
  EXPECT_EQ(p.GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(p.MagSetWindowSource(0x1234, {}));
  EXPECT_EQ(p.GetLastError(), ERROR_INVALID_WINDOW_HANDLE);

  // WM_SETREDRAW is the magnifier's own; layered attributes need the style.
  p.SendMessageW(mag, WM_SETREDRAW, 0, 0);
  EXPECT_FALSE(desk.Window(mag)->RedrawEnabled);
  p.SendMessageW(mag, WM_SETREDRAW, 1, 0);
  EXPECT_TRUE(desk.Window(mag)->RedrawEnabled);
  EXPECT_TRUE(p.SetLayeredWindowAttributes(host, 0, 200, LWA_ALPHA));
  EXPECT_EQ(desk.Window(host)->Alpha, 200);
  EXPECT_FALSE(p.SetLayeredWindowAttributes(mag, 0, 200, LWA_ALPHA));
  EXPECT_EQ(p.GetLastError(), ERROR_INVALID_PARAMETER);

  ASSERT_TRUE(p.MagUninitialize());
  EXPECT_FALSE(p.MagSetWindowSource(mag, {}));
  EXPECT_EQ(MakeWindow(p, nullptr, WS_CHILD, 0, {}, host, u"Magnifier"), 0u);
  EXPECT_EQ(p.GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
}

TEST(SimFailures, InjectedFailuresHitTheNamedCallOnly) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\a\\lensoro.exe");
  TSimProcess& q = desk.AddProcess(u"C:\\b\\lensoro.exe");
  TRecorder r;

  desk.FailNext("MagInitialize", 5);
  EXPECT_FALSE(p.MagInitialize());
  EXPECT_EQ(p.GetLastError(), 5u);
  EXPECT_FALSE(p.MagInitialized);
  EXPECT_TRUE(p.MagInitialize()) << "one failure only";

  // Count and process: two failures of q's CreateWindowExW; p unaffected.
  desk.FailNext("CreateWindowExW", 1407, 2, q.Pid);
  EXPECT_NE(MakeWindow(p, &r), 0u);
  EXPECT_EQ(MakeWindow(q, &r), 0u);
  EXPECT_EQ(q.GetLastError(), 1407u);
  EXPECT_EQ(MakeWindow(q, &r), 0u);
  EXPECT_EQ(desk.TopLevelWindows().size(), 1u) << "a failed call changes nothing";
  EXPECT_NE(MakeWindow(q, &r), 0u);

  desk.FailNext("RtlGetVersion", 0xC0000001u);
  TOsVersion v;
  EXPECT_EQ(p.RtlGetVersion(v), static_cast<std::int32_t>(0xC0000001u));
  EXPECT_EQ(v.Major, 0u);
  EXPECT_EQ(p.RtlGetVersion(v), 0);
  EXPECT_EQ(v.Build, 19045u);

  desk.FailNext("SetTimer", 8);
  desk.FailNext("OpenProcess", 5);
  desk.FailNext("GetModuleFileNameExW", 299);
  const HWND w = desk.TopLevelWindows().back();
  EXPECT_EQ(p.SetTimer(w, 1, 50), 0u);
  EXPECT_TRUE(p.Timers.empty());
  EXPECT_EQ(p.OpenProcess(PROCESS_QUERY_INFORMATION, q.Pid), 0u);
  const HANDLE h = p.OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, q.Pid);
  char16_t buf[64];
  EXPECT_EQ(p.GetModuleFileNameExW(h, buf, 64), 0u);
  EXPECT_EQ(p.GetLastError(), 299u);
  EXPECT_EQ(p.GetModuleFileNameExW(h, buf, 64), 16u);

  // Every call is logged, failed ones too, with the window first.
  EXPECT_EQ(desk.CountCalls("MagInitialize"), 2);
  EXPECT_EQ(desk.CountCalls("CreateWindowExW", q.Pid), 3);
  desk.ClearCalls();
  TRect rect;
  p.GetWindowRect(w, rect);
  ASSERT_EQ(desk.Calls().size(), 1u);
  EXPECT_STREQ(desk.Calls()[0].Name, "GetWindowRect");
  EXPECT_EQ(desk.Calls()[0].A[0], static_cast<std::int64_t>(w));
  EXPECT_EQ(desk.Calls()[0].Pid, p.Pid);
}

TEST(SimAtoms, GlobalAtomsAreSharedAndCounted) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\a\\lensoro.exe");
  TSimProcess& q = desk.AddProcess(u"C:\\b\\lensoro.exe");
  const ATOM a = p.GlobalAddAtomW(u"Lensoro.Hotkey.1");
  EXPECT_GE(a, 0xC000);
  EXPECT_EQ(q.GlobalAddAtomW(u"LENSORO.hotkey.1"), a);
  EXPECT_EQ(desk.AtomReferences(a), 2);
  EXPECT_NE(q.GlobalAddAtomW(u"Lensoro.Hotkey.2"), a);
  EXPECT_EQ(p.GlobalAddAtomW(u""), 0);
  EXPECT_EQ(p.GetLastError(), ERROR_INVALID_PARAMETER);

  EXPECT_EQ(p.GlobalDeleteAtom(a), 0);
  EXPECT_EQ(desk.FindAtom(u"lensoro.hotkey.1"), a);
  EXPECT_EQ(q.GlobalDeleteAtom(a), 0);
  EXPECT_EQ(desk.FindAtom(u"Lensoro.Hotkey.1"), 0);
  EXPECT_EQ(q.GlobalDeleteAtom(a), a) << "failure returns the atom";
}

TEST(SimMisc, ClockTextsGuidsAndScreen) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\a\\lensoro.exe");
  desk.LocalTimeAtStart = {2026, 12, 4, 31, 23, 59, 58, 900};
  desk.Advance(1250);
  const TSystemTime t = p.GetLocalTime();
  EXPECT_EQ(t.Milliseconds, 150);
  EXPECT_EQ(t.Second, 0);
  EXPECT_EQ(t.Minute, 0);
  EXPECT_EQ(t.Hour, 0);
  EXPECT_EQ(t.Day, 1);
  EXPECT_EQ(t.Month, 1);
  EXPECT_EQ(t.Year, 2027);
  EXPECT_EQ(t.DayOfWeek, 5);

  EXPECT_EQ(p.FormatMessageW(5), u"Access is denied.\r\n");
  EXPECT_EQ(p.FormatMessageW(1400), u"Invalid window handle.\r\n");
  EXPECT_EQ(p.FormatMessageW(0xDEAD), u"");

  std::uint8_t g1[16], g2[16];
  ASSERT_TRUE(p.CreateGuid(g1));
  ASSERT_TRUE(p.CreateGuid(g2));
  EXPECT_NE(std::memcmp(g1, g2, 16), 0);
  EXPECT_EQ(g1[7] >> 4, 4);

  desk.VirtualScreen = {-1920, -200, 1920, 1080};
  EXPECT_EQ(p.GetSystemMetrics(SM_XVIRTUALSCREEN), -1920);
  EXPECT_EQ(p.GetSystemMetrics(SM_YVIRTUALSCREEN), -200);
  EXPECT_EQ(p.GetSystemMetrics(SM_CXVIRTUALSCREEN), 3840);
  EXPECT_EQ(p.GetSystemMetrics(SM_CYVIRTUALSCREEN), 1280);
  EXPECT_EQ(p.GetSystemMetrics(0), 1920);
  EXPECT_EQ(p.GetSysColor(COLOR_BTNFACE), 0x00F0F0F0u);
  EXPECT_EQ(p.GetSysColor(13), 0x00D77800u);

  // FillSolidRect works on the DC of a paint, and only during it.
  TRecorder r;
  const HWND w = MakeWindow(p, &r, WS_POPUP, 0, {0, 0, 20, 10});
  HDC dc = 0;
  r.OnMessage = [&](HWND, UINT m, WPARAM wp, LPARAM) -> LRESULT {
    if (m != WM_ERASEBKGND) return 0;
    dc = static_cast<HDC>(wp);
    return p.FillSolidRect(dc, {0, 0, 20, 10}, 0x123456) ? 1 : 0;
  };
  desk.Paint(w);
  EXPECT_EQ(desk.Window(w)->LastFillColor, 0x123456u);
  EXPECT_EQ(r.Messages().back(), static_cast<UINT>(WM_PAINT));
  EXPECT_FALSE(p.FillSolidRect(dc, {}, 0));
}

TEST(SimFiles, CaseInsensitivePathsAndWindowsErrors) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  desk.AddFile(u"C:\\Tools\\Lang\\Japanese.lang", "ja");
  desk.AddFile(u"C:\\Tools\\Lang\\English.lang", "en");
  desk.AddFile(u"C:\\Tools\\Lang\\readme.txt", "x");
  desk.AddFolder(u"C:\\Tools\\Lang\\Old.lang");

  std::vector<std::uint8_t> data;
  ASSERT_TRUE(p.ReadFileBytes(u"c:/tools/LANG/english.LANG", data, MaxReadFileBytes));
  EXPECT_EQ(std::string(data.begin(), data.end()), "en");
  EXPECT_FALSE(p.ReadFileBytes(u"C:\\Tools\\Lang\\French.lang", data, MaxReadFileBytes));
  EXPECT_EQ(p.GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(p.ReadFileBytes(u"C:\\Nowhere\\x.ini", data, MaxReadFileBytes));
  EXPECT_EQ(p.GetLastError(), ERROR_PATH_NOT_FOUND);

  // Listing: every entry, folders too, sorted by name, in the spelling they
  // were made with.
  EXPECT_EQ(p.FindFiles(u"C:\\TOOLS\\Lang\\*.lang"),
            (std::vector<std::u16string>{u"English.lang", u"Japanese.lang", u"Old.lang"}));
  EXPECT_EQ(p.FindFiles(u"C:\\Tools\\Lang\\*.*").size(), 4u);
  EXPECT_TRUE(p.FindFiles(u"C:\\Tools\\Lang\\*.png").empty());
  EXPECT_EQ(p.GetLastError(), ERROR_FILE_NOT_FOUND);

  // The atomic replace the settings writer makes: temporary file, then move.
  const std::vector<std::uint8_t> ini{'[', 'a', ']'};
  ASSERT_TRUE(p.WriteFileBytes(u"C:\\Tools\\lensoro.ini.tmp", ini));
  desk.AddFile(u"C:\\Tools\\Lensoro.ini", "old");
  EXPECT_FALSE(p.MoveFileExW(u"C:\\Tools\\lensoro.ini.tmp", u"C:\\Tools\\lensoro.ini", 0));
  EXPECT_EQ(p.GetLastError(), ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(p.MoveFileExW(u"C:\\Tools\\lensoro.ini.tmp", u"C:\\Tools\\lensoro.ini",
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
  EXPECT_EQ(desk.FileText(u"c:\\tools\\LENSORO.INI"), "[a]");
  EXPECT_EQ(desk.File(u"C:\\Tools\\lensoro.ini.tmp"), nullptr);
  EXPECT_EQ(p.GetFileAttributesW(u"C:\\Tools\\lensoro.ini.tmp"), INVALID_FILE_ATTRIBUTES);

  // Folders: the parent must exist; a second creation fails.
  EXPECT_FALSE(p.WriteFileBytes(u"C:\\Tools\\Image\\a.png", ini));
  EXPECT_EQ(p.GetLastError(), ERROR_PATH_NOT_FOUND);
  ASSERT_TRUE(p.CreateDirectoryW(u"C:\\Tools\\Image"));
  EXPECT_FALSE(p.CreateDirectoryW(u"c:\\tools\\image\\"));
  EXPECT_EQ(p.GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(p.GetFileAttributesW(u"C:\\Tools\\Image"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(p.GetFileAttributesW(u"D:\\"), FILE_ATTRIBUTE_DIRECTORY);

  // Read-only files refuse writing and deleting; injected disk-full too.
  desk.AddFile(u"C:\\Tools\\locked.ini", "keep", true);
  EXPECT_FALSE(p.WriteFileBytes(u"C:\\Tools\\locked.ini", ini));
  EXPECT_EQ(p.GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(p.DeleteFileW(u"C:\\Tools\\locked.ini"));
  EXPECT_EQ(desk.FileText(u"C:\\Tools\\locked.ini"), "keep");
  desk.FailNext("WriteFileBytes", ERROR_DISK_FULL);
  EXPECT_FALSE(p.WriteFileBytes(u"C:\\Tools\\new.ini", ini));
  EXPECT_EQ(p.GetLastError(), ERROR_DISK_FULL);
  EXPECT_EQ(desk.File(u"C:\\Tools\\new.ini"), nullptr);
  ASSERT_TRUE(p.DeleteFileW(u"C:\\Tools\\Lang\\readme.txt"));
  EXPECT_FALSE(p.DeleteFileW(u"C:\\Tools\\Lang\\readme.txt"));
  EXPECT_EQ(p.GetLastError(), ERROR_FILE_NOT_FOUND);

  desk.DecimalSeparator = u",";
  EXPECT_EQ(p.GetLocaleDecimalSeparator(), u",");
}

TEST(SimAllocation, TrackingStepCallsAllocateNothing) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\a\\lensoro.exe");
  TSimProcess& other = desk.AddProcess(u"C:\\Windows\\explorer.exe");
  for (int i = 0; i < 20; ++i) desk.AddForeignWindow(other.Pid, u"X", u"x");
  TRecorder r;
  const HWND host = MakeWindow(p, &r, WS_POPUP | WS_VISIBLE, WS_EX_LAYERED, {0, 0, 300, 200});
  ASSERT_TRUE(p.MagInitialize());
  const HWND mag = MakeWindow(p, nullptr, WS_CHILD | WS_VISIBLE, 0, {0, 0, 300, 200}, host, u"Magnifier");
  ASSERT_NE(mag, 0u);
  desk.ClearCalls();
  r.Seen.reserve(256);  // each move of the z-order is told

  bool ok = true;
  gAllocations = 0;
  gCountAllocations = true;
  for (int i = 0; i < 100; ++i) {
    TPoint pt;
    ok &= p.GetCursorPos(pt);
    const int x = p.GetSystemMetrics(SM_XVIRTUALSCREEN) + p.GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int y = p.GetSystemMetrics(SM_YVIRTUALSCREEN) + p.GetSystemMetrics(SM_CYVIRTUALSCREEN);
    ok &= p.MagSetWindowSource(mag, {pt.X, pt.Y, x, y});
    // Alternate bands so the z-order really moves.
    ok &= p.SetWindowPos(host, i % 2 ? HWND_NOTOPMOST : HWND_TOPMOST, 0, 0, 0, 0,
                         SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOSENDCHANGING);
    TRect rect;
    ok &= p.GetWindowRect(host, rect);
  }
  gCountAllocations = false;
  EXPECT_TRUE(ok);
  EXPECT_EQ(gAllocations, 0);
  EXPECT_EQ(desk.CountCalls("SetWindowPos"), 100);
  EXPECT_EQ(desk.Window(mag)->SourceSetCount, 100);

  // The counter itself works: a window's creation does allocate.
  gAllocations = 0;
  gCountAllocations = true;
  desk.AddForeignWindow(other.Pid, u"A class name too long for the small-string buffer", u"y");
  gCountAllocations = false;
  EXPECT_GT(gAllocations, 0);
}

TEST(SimToolTips, ToolsLiveInTheirTooltipWindowAndDieWithIt) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\a\\lensoro.exe");
  TSimProcess& other = desk.AddProcess(u"C:\\b\\other.exe");
  TRecorder form, label, foreign;
  const HWND owner = MakeWindow(p, &form, WS_POPUP | WS_VISIBLE, 0, {0, 0, 300, 200});
  const HWND tool = MakeWindow(p, &label, WS_CHILD | WS_VISIBLE, 0, {5, 5, 100, 20}, owner);
  const HWND alien = MakeWindow(other, &foreign, WS_POPUP, 0, {0, 0, 10, 10});
  TCreateWindowParams params;
  params.ClassName = u"tooltips_class32";
  params.Style = WS_POPUP;
  params.Parent = owner;
  const HWND tip = p.CreateWindowExW(params);
  ASSERT_NE(tip, 0u);

  // Only a tooltip window takes tools, and only of its own process's windows.
  EXPECT_FALSE(p.SendAddToolW(owner, owner, tool, u"x"));
  EXPECT_FALSE(p.SendAddToolW(tip, owner, alien, u"x"));
  EXPECT_FALSE(p.SendAddToolW(tip, owner, 0x7777, u"x"));
  EXPECT_TRUE(desk.Window(tip)->Tools.empty());
  desk.FailNext("SendAddToolW", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_FALSE(p.SendAddToolW(tip, owner, tool, u"x"));
  EXPECT_TRUE(desk.Window(tip)->Tools.empty());

  ASSERT_TRUE(p.SendAddToolW(tip, owner, tool, u"first"));
  // Adding the same tool again makes a second entry, as the system does.
  ASSERT_TRUE(p.SendAddToolW(tip, owner, tool, u"again"));
  ASSERT_EQ(desk.Window(tip)->Tools.size(), 2u);
  // Updates and deletions find a tool by owner and window.
  p.SendUpdateTipTextW(tip, tool, tool, u"wrong owner");
  p.SendUpdateTipTextW(tip, owner, tool, u"updated");
  EXPECT_EQ(desk.Window(tip)->Tools[0].Text, u"updated");
  EXPECT_EQ(desk.Window(tip)->Tools[1].Text, u"again");
  p.SendDelToolW(tip, owner, tool);
  ASSERT_EQ(desk.Window(tip)->Tools.size(), 1u);
  EXPECT_EQ(desk.Window(tip)->Tools[0].Text, u"again");

  // The tooltip is owned by the form: it goes with it.
  EXPECT_TRUE(p.DestroyWindow(owner));
  EXPECT_EQ(desk.Window(tip), nullptr);
}

// Each monitor's DPI as Microsoft documents it (Wine 8 has one DPI for all):
// a window takes the DPI of the monitor it is made on; moved onto a monitor
// of another DPI, or when its monitor's scale changes, a program aware of
// each monitor's DPI is told with the size that keeps the window's look.
// What a process is aware of follows the program's manifest on each Windows.
TEST(SimDpi, WindowsTakeTheirMonitorsDpiAndHearWhenItChanges) {
  struct TCase {
    TOsVersion Os;
    TSimDpiAwareness Awareness;
    bool DpiCalls;  // GetDpiForWindow and GetSystemMetricsForDpi (Windows 10 1607)
  } cases[] = {{{10, 0, 19045}, TSimDpiAwareness::PerMonitorV2, true},
               {{10, 0, 14393}, TSimDpiAwareness::PerMonitor, true},
               {{6, 3, 9600}, TSimDpiAwareness::PerMonitor, false},
               {{6, 1, 7601}, TSimDpiAwareness::System, false}};
  for (const TCase& c : cases) {
    const std::string os =
        std::to_string(c.Os.Major) + "." + std::to_string(c.Os.Minor) + "." + std::to_string(c.Os.Build);
    TSimDesktop desk;
    desk.OsVersion = c.Os;
    desk.PixelsPerInch = 144;
    desk.ChangeDisplays({{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}, {{-1920, 0, 0, 1080}, {-1920, 0, 0, 1080}}});
    desk.MonitorDpis = {144, 96};
    TSimProcess& p = desk.AddProcess(u"C:\\x\\a.exe");
    EXPECT_EQ(p.DpiAwareness(), c.Awareness) << os;
    const bool perMonitor = c.Awareness != TSimDpiAwareness::System;

    TRecorder rec;
    std::vector<std::pair<WPARAM, TRect>> changes;
    rec.OnMessage = [&](HWND, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
      if (msg == WM_DPICHANGED) changes.push_back({w, *reinterpret_cast<const TRect*>(l)});
      return 0;
    };
    const HWND wnd = MakeWindow(p, &rec, WS_POPUP, 0, {-1000, 100, -600, 400});
    const HWND child = MakeWindow(p, nullptr, WS_CHILD, 0, {0, 0, 10, 10}, wnd, u"STATIC");
    EXPECT_EQ(p.GetDpiForWindow(child), c.DpiCalls ? 96u : 0u) << os;
    EXPECT_EQ(p.GetSystemMetricsForDpi(SM_CXVSCROLL, 192), c.DpiCalls ? 34 : 0) << os;
    if (!c.DpiCalls) {
      EXPECT_EQ(p.GetLastError(), ERROR_PROC_NOT_FOUND) << os;
    }
    EXPECT_EQ(p.GetSystemMetrics(SM_CXVSCROLL), 26) << os;  // at the system DPI

    p.SetWindowPos(wnd, 0, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);  // onto the 150 % monitor
    desk.SetMonitorDpi(0, 192);                                          // which turns 200 %
    desk.SetMonitorDpi(1, 120);                                          // the one it left: nothing
    const std::vector<std::pair<WPARAM, TRect>> expected{{144 << 16 | 144, {100, 100, 700, 550}},
                                                         {192 << 16 | 192, {100, 100, 633, 500}}};
    EXPECT_EQ(changes, perMonitor ? expected : decltype(changes){}) << os;
    EXPECT_EQ(p.GetDpiForWindow(wnd), c.DpiCalls ? 192u : 0u) << os;
  }
}

}  // namespace
}  // namespace lensoro::sim

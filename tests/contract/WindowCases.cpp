// Windows: creation and styles, frames and client areas, z-order bands,
// SetWindowPos and its messages, WM_SETTEXT, invalidation and painting.
#include <algorithm>

#include "Contract.h"

namespace lensoro::contract {
namespace {

constexpr UINT Probe = win::WM_APP + 20;

// LPARAM of WM_SIZE and WM_MOVE as two signed 16-bit halves.
TPoint Halves(LPARAM l) {
  return {static_cast<std::int16_t>(l & 0xFFFF), static_cast<std::int16_t>((l >> 16) & 0xFFFF)};
}

class Windows : public TContract {
 protected:
  // Our windows among all top-level ones, in z-order, top first.
  std::vector<HWND> Ours(std::initializer_list<HWND> ours) {
    std::vector<HWND> order;
    P.EnumWindows([&](HWND h) {
      if (std::find(ours.begin(), ours.end(), h) != ours.end()) order.push_back(h);
      return true;
    });
    return order;
  }
  bool Topmost(HWND wnd) { return (P.GetWindowLongW(wnd, win::GWL_EXSTYLE) & win::WS_EX_TOPMOST) != 0; }
};

TEST_F(Windows, CreationStylesAndDestruction) {
  const DWORD ex = win::WS_EX_TOOLWINDOW | win::WS_EX_TOPMOST | win::WS_EX_LAYERED;
  const HWND wnd = Make(win::WS_POPUP, ex, {100, 100, 300, 200}, u"Contract window");
  ASSERT_NE(wnd, 0u);
  TRecorder& rec = Rec(wnd);
  // WM_CREATE reached the handler before CreateWindowExW returned, and the
  // first size and move followed it.
  const std::vector<UINT> order = rec.Order({win::WM_CREATE, win::WM_SIZE, win::WM_MOVE});
  ASSERT_GE(order.size(), 3u);
  EXPECT_EQ(order[0], win::WM_CREATE);
  EXPECT_EQ(Halves(rec.Last(win::WM_SIZE)->LParam), (TPoint{200, 100}));
  EXPECT_EQ(Halves(rec.Last(win::WM_MOVE)->LParam), (TPoint{100, 100}));

  char16_t name[64] = {};
  ASSERT_EQ(P.GetClassNameW(wnd, name, 64), 15);
  EXPECT_EQ(std::u16string(name), u"LensoroContract");
  EXPECT_EQ(Text(wnd), u"Contract window");
  // A top-level window always clips its siblings; it is hidden until shown.
  const DWORD style = static_cast<DWORD>(P.GetWindowLongW(wnd, win::GWL_STYLE));
  EXPECT_EQ(style & (win::WS_POPUP | win::WS_CLIPSIBLINGS | win::WS_VISIBLE), win::WS_POPUP | win::WS_CLIPSIBLINGS);
  EXPECT_EQ(static_cast<DWORD>(P.GetWindowLongW(wnd, win::GWL_EXSTYLE)) & ex, ex);
  EXPECT_FALSE(P.ShowWindow(wnd, win::SW_SHOWNA));  // it was hidden
  EXPECT_TRUE(P.IsWindowVisible(wnd));
  EXPECT_NE(P.GetWindowLongW(wnd, win::GWL_STYLE) & static_cast<std::int32_t>(win::WS_VISIBLE), 0);
  EXPECT_TRUE(P.ShowWindow(wnd, win::SW_HIDE));  // it was visible
  EXPECT_FALSE(P.IsWindowVisible(wnd));

  // A child sits in its parent's client area and names it as its parent.
  TRecorder childRec(P);
  TCreateWindowParams child = WindowParams(u"LensoroContract", win::WS_CHILD, 0, {10, 20, 40, 60}, &childRec, wnd);
  const HWND inner = P.CreateWindowExW(child);
  ASSERT_NE(inner, 0u);
  EXPECT_EQ(P.GetParent(inner), wnd);
  EXPECT_EQ(WindowRect(inner), (TRect{110, 120, 140, 160}));
  // Without a parent a child cannot be made.
  child.Parent = 0;
  EXPECT_EQ(P.CreateWindowExW(child), 0u);
  EXPECT_EQ(P.GetLastError(), win::ERROR_TLW_WITH_WSCHILD);

  // Destroying the parent takes the child with it; the handles go stale.
  EXPECT_TRUE(P.DestroyWindow(wnd));
  EXPECT_EQ(rec.Count(win::WM_DESTROY), 1);
  EXPECT_EQ(childRec.Count(win::WM_DESTROY), 1);
  EXPECT_FALSE(P.IsWindow(wnd));
  EXPECT_FALSE(P.IsWindow(inner));
  EXPECT_FALSE(P.DestroyWindow(wnd));
  // NOTE: Wine 8 reports ERROR_ACCESS_DENIED for a handle that is gone.
  const DWORD error = P.GetLastError();
  EXPECT_TRUE(error == win::ERROR_INVALID_WINDOW_HANDLE || error == win::ERROR_ACCESS_DENIED) << error;
}

TEST_F(Windows, CreationRefusedByWmCreate) {
  TRecorder rec(P);
  HWND made = 0;
  rec.OnMessage = [&made](HWND wnd, UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg != win::WM_CREATE) return false;
    made = wnd;
    result = -1;
    return true;
  };
  const TCreateWindowParams params = WindowParams(u"LensoroContract", win::WS_POPUP, 0, {0, 0, 50, 50}, &rec);
  EXPECT_EQ(P.CreateWindowExW(params), 0u);
  EXPECT_EQ(rec.Count(win::WM_CREATE), 1);
  // NOTE: Windows destroys the window (WM_DESTROY reaches it); Wine 8 frees
  // it without a WM_DESTROY. Either way nothing of it is left.
  EXPECT_LE(rec.Count(win::WM_DESTROY), 1);
  EXPECT_NE(made, 0u);
  EXPECT_FALSE(P.IsWindow(made));
}

// AdjustWindowRectEx gives the window rectangle of a client area; a window
// made that size has exactly that client area, and its client origin is
// where the frame ends.
TEST_F(Windows, FramesAndClientAreas) {
  struct TRow {
    const char* Name;
    DWORD Style, ExStyle;
  };
  const TRow rows[] = {
      {"borderless pop-up", win::WS_POPUP, 0},
      {"thin border", win::WS_POPUP | win::WS_BORDER, 0},
      {"dialog", win::WS_POPUP | win::WS_CAPTION | win::WS_SYSMENU, win::WS_EX_DLGMODALFRAME},
      {"tool window", win::WS_POPUP | win::WS_CAPTION, win::WS_EX_TOOLWINDOW},
      {"sizing frame", win::WS_POPUP | win::WS_CAPTION | win::WS_THICKFRAME, 0},
  };
  const TRect client{0, 0, 200, 120};
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    TRect frame = client;
    ASSERT_TRUE(P.AdjustWindowRectEx(frame, row.Style, row.ExStyle));
    const int side = -frame.Left;
    EXPECT_EQ(frame.Right - client.Right, side);
    EXPECT_EQ(frame.Bottom - client.Bottom, side);
    if ((row.Style & win::WS_CAPTION) == win::WS_CAPTION) {
      EXPECT_GT(side, 1);
      const bool tool = (row.ExStyle & win::WS_EX_TOOLWINDOW) != 0;
      const int caption = P.GetSystemMetrics(tool ? win::SM_CYSMCAPTION : win::SM_CYCAPTION);
      EXPECT_GT(caption, 0);
      EXPECT_EQ(-frame.Top, side + caption);
    } else {
      EXPECT_EQ(side, (row.Style & win::WS_BORDER) ? 1 : 0);
      EXPECT_EQ(-frame.Top, side);
    }

    const TRect at{300 + frame.Left, 200 + frame.Top, 300 + frame.Right, 200 + frame.Bottom};
    const HWND wnd = Make(row.Style, row.ExStyle, at);
    ASSERT_NE(wnd, 0u);
    EXPECT_EQ(WindowRect(wnd), at);
    EXPECT_EQ(ClientRect(wnd), client);
    TPoint origin{300, 200};
    ASSERT_TRUE(P.ScreenToClient(wnd, origin));
    EXPECT_EQ(origin, (TPoint{0, 0}));
    // WM_SIZE tells the client size, WM_MOVE a top-level window's client
    // origin on the screen.
    TRecorder& rec = Rec(wnd);
    EXPECT_EQ(Halves(rec.Last(win::WM_SIZE)->LParam), (TPoint{200, 120}));
    EXPECT_EQ(Halves(rec.Last(win::WM_MOVE)->LParam), (TPoint{300, 200}));
    ASSERT_TRUE(P.SetWindowPos(wnd, 0, at.Left + 10, at.Top, at.Width() + 50, at.Height(),
                               win::SWP_NOZORDER | win::SWP_NOACTIVATE));
    EXPECT_EQ(ClientRect(wnd), (TRect{0, 0, 250, 120}));
    EXPECT_EQ(Halves(rec.Last(win::WM_SIZE)->LParam), (TPoint{250, 120}));
    EXPECT_EQ(Halves(rec.Last(win::WM_MOVE)->LParam), (TPoint{310, 200}));
  }
}

// A window's own vertical scroll bar comes with a page smaller than the
// range and takes its width off the client area; the position stays within
// the range less the page; a page that covers the range takes it away.
TEST_F(Windows, TheVerticalScrollBarComesAndGoesWithThePage) {
  const DWORD style = win::WS_POPUP | win::WS_CAPTION | win::WS_SYSMENU;
  TRect frame{0, 0, 200, 120};
  ASSERT_TRUE(P.AdjustWindowRectEx(frame, style, win::WS_EX_DLGMODALFRAME));
  const HWND wnd = Make(style, win::WS_EX_DLGMODALFRAME, {300, 200, 300 + frame.Width(), 200 + frame.Height()}, u"s");
  ASSERT_NE(wnd, 0u);
  const auto hasBar = [&] { return (P.GetWindowLongW(wnd, win::GWL_STYLE) & win::WS_VSCROLL) != 0; };
  TScrollInfo info;
  info.Mask = win::SIF_RANGE | win::SIF_PAGE | win::SIF_POS;
  info.Max = 299;
  info.Page = 120;
  info.Pos = 500;
  EXPECT_EQ(P.SetScrollInfo(wnd, win::SB_VERT, info, true), 180);
  EXPECT_TRUE(hasBar());
  EXPECT_EQ(ClientRect(wnd), (TRect{0, 0, 200 - P.GetSystemMetrics(win::SM_CXVSCROLL), 120}));
  EXPECT_EQ(Halves(Rec(wnd).Last(win::WM_SIZE)->LParam), (TPoint{200 - P.GetSystemMetrics(win::SM_CXVSCROLL), 120}));
  info.Mask = win::SIF_POS;
  info.Pos = 40;
  EXPECT_EQ(P.SetScrollInfo(wnd, win::SB_VERT, info, true), 40);
  info.Mask = win::SIF_PAGE | win::SIF_POS;
  info.Page = 300;
  info.Pos = 0;
  EXPECT_EQ(P.SetScrollInfo(wnd, win::SB_VERT, info, true), 0);
  EXPECT_FALSE(hasBar());
  EXPECT_EQ(ClientRect(wnd), (TRect{0, 0, 200, 120}));
}

// Top-most windows stay ahead of the others; SetWindowPos moves a window
// between the bands and within its own.
TEST_F(Windows, ZOrderBands) {
  const HWND a = Make(win::WS_POPUP, 0, {100, 100, 200, 200}, u"a");
  const HWND b = Make(win::WS_POPUP, win::WS_EX_TOPMOST, {150, 150, 250, 250}, u"b");
  const HWND c = Make(win::WS_POPUP, 0, {200, 200, 300, 300}, u"c");
  ASSERT_TRUE(a && b && c);
  for (HWND h : {a, b, c}) P.ShowWindow(h, win::SW_SHOWNA);
  const UINT keep = win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE;
  using V = std::vector<HWND>;
  EXPECT_EQ(Ours({a, b, c}), (V{b, c, a})) << "a new window goes to the top of its band";

  struct TStep {
    const char* Name;
    HWND Wnd, InsertAfter;
    V Order;
    bool ATopmost;
  };
  const TStep steps[] = {
      {"a becomes top-most, above b", a, win::HWND_TOPMOST, {a, b, c}, true},
      {"c to the top stays below the top-most band", c, win::HWND_TOP, {a, b, c}, true},
      {"a leaves the band to the top of the others", a, win::HWND_NOTOPMOST, {b, a, c}, false},
      {"a to the bottom", a, win::HWND_BOTTOM, {b, c, a}, false},
      {"c after a", c, a, {b, a, c}, false},
      {"a not top-most stays where it is", a, win::HWND_NOTOPMOST, {b, a, c}, false},
  };
  for (const TStep& s : steps) {
    SCOPED_TRACE(s.Name);
    ASSERT_TRUE(P.SetWindowPos(s.Wnd, s.InsertAfter, 0, 0, 0, 0, keep));
    EXPECT_EQ(Ours({a, b, c}), s.Order);
    EXPECT_EQ(Topmost(a), s.ATopmost);
    EXPECT_TRUE(Topmost(b));
    EXPECT_FALSE(Topmost(c));
  }
}

// WM_WINDOWPOSCHANGING asks before the change (and may alter it), except
// with SWP_NOSENDCHANGING; WM_WINDOWPOSCHANGED tells the result, and its
// default handling sends WM_MOVE and WM_SIZE.
TEST_F(Windows, SetWindowPosMessages) {
  constexpr UINT CHANGING = win::WM_WINDOWPOSCHANGING, CHANGED = win::WM_WINDOWPOSCHANGED;
  const UINT still = win::SWP_NOZORDER | win::SWP_NOACTIVATE;
  const UINT tick = win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE | win::SWP_NOSENDCHANGING;
  struct TRow {
    const char* Name;
    HWND InsertAfter;
    TRect To;
    UINT Flags;
    std::vector<UINT> Order;
    TRect Result;
    DWORD ExStyle = 0;
  };
  const TRow rows[] = {
      {"same place", 0, {100, 100, 200, 100}, still, {CHANGING}, {100, 100, 300, 200}},
      {"tick on the top-most window on top: nothing changes", win::HWND_TOPMOST, {0, 0, 0, 0}, tick, {},
       {100, 100, 300, 200}, win::WS_EX_TOPMOST},
      {"move", 0, {150, 120, 0, 0}, still | win::SWP_NOSIZE, {CHANGING, CHANGED, win::WM_MOVE}, {150, 120, 350, 220}},
      {"size", 0, {0, 0, 250, 150}, still | win::SWP_NOMOVE, {CHANGING, CHANGED, win::WM_SIZE}, {100, 100, 350, 250}},
      {"move without asking", 0, {160, 130, 0, 0}, still | win::SWP_NOSIZE | win::SWP_NOSENDCHANGING,
       {CHANGED, win::WM_MOVE}, {160, 130, 360, 230}},
      {"z-order only", win::HWND_TOPMOST, {0, 0, 0, 0}, win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE,
       {CHANGING, CHANGED}, {100, 100, 300, 200}},
      {"tick: top-most without asking", win::HWND_TOPMOST, {0, 0, 0, 0}, tick, {CHANGED}, {100, 100, 300, 200}},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    const HWND wnd = Make(win::WS_POPUP, row.ExStyle, {100, 100, 300, 200});
    ASSERT_NE(wnd, 0u);
    P.ShowWindow(wnd, win::SW_SHOWNA);
    TRecorder& rec = Rec(wnd);
    rec.Seen.clear();
    ASSERT_TRUE(P.SetWindowPos(wnd, row.InsertAfter, row.To.Left, row.To.Top, row.To.Right, row.To.Bottom, row.Flags));
    EXPECT_EQ(rec.Order({CHANGING, CHANGED, win::WM_MOVE, win::WM_SIZE}), row.Order);
    EXPECT_EQ(WindowRect(wnd), row.Result);
    if (const TSeen* asked = rec.Last(CHANGING)) {
      EXPECT_EQ(static_cast<HWND>(asked->Pos.Wnd), wnd);
      EXPECT_EQ(asked->Pos.Flags & row.Flags, row.Flags);
    }
    const TSeen* told = rec.Last(CHANGED);
    if (!told) continue;
    EXPECT_EQ((TRect{told->Pos.X, told->Pos.Y, told->Pos.X + told->Pos.Cx, told->Pos.Y + told->Pos.Cy}), row.Result);
  }

  // The handler of WM_WINDOWPOSCHANGING narrows the window; a handler that
  // keeps WM_WINDOWPOSCHANGED to itself hears no WM_MOVE or WM_SIZE.
  const HWND wnd = Make(win::WS_POPUP, 0, {100, 100, 300, 200});
  ASSERT_NE(wnd, 0u);
  TRecorder& rec = Rec(wnd);
  rec.OnMessage = [](HWND, UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    result = 0;
    if (msg == CHANGING) reinterpret_cast<TWindowPos*>(lParam)->Cx = 80;
    return msg == CHANGED;
  };
  rec.Seen.clear();
  ASSERT_TRUE(P.SetWindowPos(wnd, 0, 120, 100, 300, 100, still));
  EXPECT_EQ(WindowRect(wnd), (TRect{120, 100, 200, 200}));
  EXPECT_EQ(rec.Last(CHANGED)->Pos.Cx, 80);
  EXPECT_EQ(rec.Order({CHANGING, CHANGED, win::WM_MOVE, win::WM_SIZE}), (std::vector<UINT>{CHANGING, CHANGED}));
}

// SetWindowTextW sends WM_SETTEXT; its default handling stores the text,
// and what the handler answers is what SetWindowTextW returns.
TEST_F(Windows, SetWindowTextSendsWmSetText) {
  const HWND wnd = Make(win::WS_POPUP, 0, {100, 100, 200, 200}, u"before");
  ASSERT_NE(wnd, 0u);
  TRecorder& rec = Rec(wnd);
  ASSERT_TRUE(P.SetWindowTextW(wnd, u"after"));
  ASSERT_EQ(rec.Count(win::WM_SETTEXT), 1);
  EXPECT_EQ(rec.Last(win::WM_SETTEXT)->Text, u"after");
  EXPECT_EQ(Text(wnd), u"after");

  rec.OnMessage = [](HWND, UINT msg, WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    return msg == win::WM_SETTEXT;
  };
  EXPECT_FALSE(P.SetWindowTextW(wnd, u"refused"));
  EXPECT_EQ(rec.Count(win::WM_SETTEXT), 2);
  EXPECT_EQ(Text(wnd), u"after");
}

// InvalidateRect paints nothing at once: one WM_PAINT comes when the queue
// is read, after the posted messages, however often the window was
// invalidated; BeginPaint erases first when asked to. Hidden windows are
// not painted.
TEST_F(Windows, InvalidateRectQueuesOnePaint) {
  const HWND wnd = Make(win::WS_POPUP, 0, {100, 100, 300, 200});
  const HWND hidden = Make(win::WS_POPUP, 0, {400, 100, 500, 200});
  ASSERT_TRUE(wnd && hidden);
  for (HWND h : {wnd, hidden}) {
    Rec(h).OnMessage = [this](HWND w, UINT msg, WPARAM, LPARAM, LRESULT& result) {
      if (msg != win::WM_PAINT) return false;
      TPaintStruct ps;
      if (P.BeginPaint(w, ps)) P.EndPaint(w, ps);
      result = 0;
      return true;
    };
  }
  P.ShowWindow(wnd, win::SW_SHOWNA);
  TRecorder& rec = Rec(wnd);
  EXPECT_TRUE(PumpUntil([&] { return rec.Count(win::WM_PAINT) > 0; })) << "a window shown is painted";
  Pump(100);

  rec.Seen.clear();
  ASSERT_TRUE(P.InvalidateRect(wnd, true));
  ASSERT_TRUE(P.InvalidateRect(wnd, true));
  ASSERT_TRUE(P.InvalidateRect(hidden, true));
  ASSERT_TRUE(P.PostMessageW(wnd, Probe, 0, 0));
  EXPECT_EQ(rec.Count(win::WM_PAINT), 0);
  Pump(150);
  EXPECT_EQ(rec.Order({Probe, win::WM_ERASEBKGND, win::WM_PAINT}),
            (std::vector<UINT>{Probe, win::WM_PAINT, win::WM_ERASEBKGND}));
  EXPECT_EQ(Rec(hidden).Count(win::WM_PAINT), 0);

  // Without erasing, BeginPaint sends no WM_ERASEBKGND.
  rec.Seen.clear();
  ASSERT_TRUE(P.InvalidateRect(wnd, false));
  Pump(150);
  EXPECT_EQ(rec.Order({win::WM_ERASEBKGND, win::WM_PAINT}), (std::vector<UINT>{win::WM_PAINT}));
}

// The DPI of a window and the metrics at a DPI, as far as Wine answers:
// Wine 8 has one DPI for every monitor, so a window is at the system DPI.
// Monitors of different DPIs are modelled from Microsoft's documentation
// in the simulated desktop only.
TEST_F(Windows, AWindowIsAtTheSystemDpi) {
  const HWND wnd = Make(win::WS_POPUP, 0, {100, 100, 300, 200});
  EXPECT_EQ(static_cast<int>(P.GetDpiForWindow(wnd)), P.GetScreenPixelsPerInch());
  ASSERT_TRUE(P.DestroyWindow(wnd));
  EXPECT_EQ(P.GetDpiForWindow(wnd), 0u);
}

TEST_F(Windows, TheScrollBarIsAsWideAsTheDpiAskedFor) {
  const int at96 = P.GetSystemMetricsForDpi(win::SM_CXVSCROLL, 96);
  ASSERT_GT(at96, 0);
  EXPECT_EQ(P.GetSystemMetricsForDpi(win::SM_CXVSCROLL, 144), (at96 * 144 + 48) / 96);
  EXPECT_EQ(P.GetSystemMetricsForDpi(win::SM_CXVSCROLL, 192), 2 * at96);
  const int system = P.GetScreenPixelsPerInch();
  EXPECT_EQ(P.GetSystemMetrics(win::SM_CXVSCROLL),
            P.GetSystemMetricsForDpi(win::SM_CXVSCROLL, static_cast<UINT>(system)));
}

}  // namespace
}  // namespace lensoro::contract

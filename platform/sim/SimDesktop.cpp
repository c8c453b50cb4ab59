// The simulated desktop's world: windows, z-order, activation, messages
// between processes, the clock, atoms, failure injection and the call log.
#include "SimDesktop.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

namespace lensoro::sim {

// As Win32 lays out a frame: the outer edge of a dialog or sizing frame, the
// frame itself or a plain border, the caption above; a client edge inside.
TRect SimFrame(DWORD style, DWORD exStyle) {
  int side = 0;
  if (style & win::WS_THICKFRAME) {
    side = SimSizingFrame;
  } else if ((style & win::WS_DLGFRAME) || (exStyle & win::WS_EX_DLGMODALFRAME)) {
    side = SimFixedFrame;
  } else if (style & win::WS_BORDER) {
    side = SimBorder;
  }
  if (exStyle & win::WS_EX_CLIENTEDGE) side += SimEdge;
  int top = side;
  if ((style & win::WS_CAPTION) == win::WS_CAPTION) {
    top += (exStyle & win::WS_EX_TOOLWINDOW) ? SimSmallCaptionHeight : SimCaptionHeight;
  }
  return {side, top, side, side};
}

// --- Construction, processes -----------------------------------------------------

TSimDesktop::TSimDesktop() {
  // Reserved once, so logging a call never allocates (the allocation-free
  // tracking step is proved against this).
  FCalls.reserve(1 << 16);
}

TSimDesktop::~TSimDesktop() = default;

void TSimDesktop::ChangeDisplays(std::vector<TMonitorInfo> monitors) {
  Monitors = std::move(monitors);
  if (!Monitors.empty()) {
    PrimaryScreen = Monitors.front().Monitor;
    VirtualScreen = PrimaryScreen;
    for (const TMonitorInfo& m : Monitors) {
      VirtualScreen = {std::min(VirtualScreen.Left, m.Monitor.Left), std::min(VirtualScreen.Top, m.Monitor.Top),
                       std::max(VirtualScreen.Right, m.Monitor.Right),
                       std::max(VirtualScreen.Bottom, m.Monitor.Bottom)};
    }
  }
  const std::vector<HWND> windows = TopLevelWindows();
  for (const HWND wnd : windows) {
    if (Window(wnd)) Send(wnd, win::WM_DISPLAYCHANGE, 32, 0);
  }
  // A window the change left on a monitor of another DPI follows it.
  for (const HWND wnd : windows) FollowMonitorDpi(wnd);
}

// --- Each monitor's DPI ------------------------------------------------------------------
// Modelled from Microsoft's documentation (WM_DPICHANGED, GetDpiForWindow,
// "High DPI desktop application development"); Wine 8 reports one DPI for
// every monitor, so none of this can be checked against it.

int TSimDesktop::MonitorDpi(std::size_t index) const {
  return index < MonitorDpis.size() && MonitorDpis[index] > 0 ? MonitorDpis[index] : PixelsPerInch;
}

int TSimDesktop::DpiAt(const TRect& rect) const {
  if (Monitors.empty()) return PixelsPerInch;
  const auto area = [&](const TRect& m) {
    const long long w = std::min(rect.Right, m.Right) - std::max(rect.Left, m.Left);
    const long long h = std::min(rect.Bottom, m.Bottom) - std::max(rect.Top, m.Top);
    return w > 0 && h > 0 ? w * h : 0;
  };
  const auto distance = [&](const TRect& m) {
    const long long dx = std::max({0, m.Left - rect.Right, rect.Left - m.Right});
    const long long dy = std::max({0, m.Top - rect.Bottom, rect.Top - m.Bottom});
    return dx * dx + dy * dy;
  };
  std::size_t best = 0;
  for (std::size_t i = 1; i < Monitors.size(); ++i) {
    const long long a = area(Monitors[i].Monitor), b = area(Monitors[best].Monitor);
    if (a > b || (a == 0 && b == 0 && distance(Monitors[i].Monitor) < distance(Monitors[best].Monitor))) best = i;
  }
  return MonitorDpi(best);
}

void TSimDesktop::SetMonitorDpi(std::size_t index, int dpi) {
  if (MonitorDpis.size() <= index) MonitorDpis.resize(index + 1, 0);
  MonitorDpis[index] = dpi;
  const std::vector<HWND> windows = TopLevelWindows();
  for (const HWND wnd : windows) FollowMonitorDpi(wnd);
}

void TSimDesktop::FollowMonitorDpi(HWND wnd) {
  TSimWindow* w = Window(wnd);
  if (!w || w->Parent || w->DpiChanging || w->Dpi <= 0) return;
  const TSimProcess* process = ProcessById(w->ProcessId);
  if (!process || process->DpiAwareness() == TSimDpiAwareness::System) return;
  const int dpi = DpiAt(w->Rect), old = w->Dpi;
  if (dpi == old) return;
  w->Dpi = dpi;
  // The suggestion keeps the top-left corner and scales the size, so the
  // window looks as large on its new monitor as it did on the old one.
  const auto scale = [&](int v) { return static_cast<int>((static_cast<long long>(v) * dpi + old / 2) / old); };
  TRect suggested{w->Rect.Left, w->Rect.Top, w->Rect.Left + scale(w->Rect.Width()),
                  w->Rect.Top + scale(w->Rect.Height())};
  w->DpiChanging = true;
  Send(wnd, win::WM_DPICHANGED, static_cast<WPARAM>(dpi) << 16 | static_cast<WPARAM>(dpi),
       reinterpret_cast<LPARAM>(&suggested));
  if ((w = Window(wnd)) != nullptr) w->DpiChanging = false;
}

TSimProcess& TSimDesktop::AddProcess(std::u16string exePath, bool is64Bit) {
  FNextPid += 4;  // process and thread ids are multiples of four on Windows
  const DWORD pid = FNextPid;
  FNextPid += 4;
  FProcesses.push_back(std::make_unique<TSimProcess>(*this, pid, FNextPid, std::move(exePath), is64Bit));
  return *FProcesses.back();
}

DWORD TSimDesktop::AddThread(TSimProcess& process) {
  FNextPid += 4;
  process.ThreadIds.push_back(FNextPid);
  return FNextPid;
}

void TSimDesktop::EndProcess(DWORD pid) {
  TSimProcess* process = ProcessById(pid);
  if (!process) return;
  process->Ended = true;
  std::vector<HANDLE> held;
  for (const auto& [h, m] : FMutexHandles) {
    if (m.Pid == pid) held.push_back(h);
  }
  for (HANDLE h : held) CloseMutexHandle(h);
}

bool TSimDesktop::CloseMutexHandle(HANDLE handle) {
  const auto it = FMutexHandles.find(handle);
  if (it == FMutexHandles.end()) return false;
  const auto named = FMutexes.find(it->second.Name);
  if (named != FMutexes.end() && --named->second.Handles == 0) FMutexes.erase(named);
  FMutexHandles.erase(it);
  return true;
}

bool TSimDesktop::MutexExists(const std::u16string& name) const { return FMutexes.count(name) != 0; }

int TSimDesktop::MutexHandles(DWORD pid) const {
  return static_cast<int>(
      std::count_if(FMutexHandles.begin(), FMutexHandles.end(), [pid](const auto& e) { return e.second.Pid == pid; }));
}

TSimProcess* TSimDesktop::ProcessById(DWORD pid) {
  for (auto& p : FProcesses) {
    if (p->Pid == pid) return p.get();
  }
  return nullptr;
}

void TSimDesktop::MapDrive(char16_t letter, std::u16string uncRoot) {
  while (!uncRoot.empty() && uncRoot.back() == u'\\') uncRoot.pop_back();
  FDrives[FoldAscii(letter)] = std::move(uncRoot);
}

// --- Failure injection, call log -------------------------------------------------

namespace {

void RequirePlatformMethod(std::string_view name, const char* helper) {
  if (!TSimDesktop::IsPlatformMethod(name)) {
    throw std::invalid_argument(std::string(helper) + "(\"" + std::string(name) +
                                "\"): no TPlatform method has that name");
  }
}

}  // namespace

void TSimDesktop::FailNext(const std::string& method, DWORD errorCode, int count, DWORD pid) {
  RequirePlatformMethod(method, "FailNext");
  if (count > 0) FFailures.push_back({method, errorCode, count, pid});
}

int TSimDesktop::CountCalls(const char* method, DWORD pid) const {
  RequirePlatformMethod(method, "CountCalls");
  int n = 0;
  for (const TSimCall& c : FCalls) {
    if (std::strcmp(c.Name, method) == 0 && (pid == 0 || c.Pid == pid)) ++n;
  }
  return n;
}

// --- Atoms ---------------------------------------------------------------------------

ATOM TSimDesktop::FindAtom(const std::u16string& name) const {
  auto it = FAtomByName.find(FoldAscii(name));
  return it == FAtomByName.end() ? 0 : it->second;
}

int TSimDesktop::AtomReferences(ATOM atom) const {
  auto it = FAtoms.find(atom);
  return it == FAtoms.end() ? 0 : it->second.References;
}

// --- Windows -------------------------------------------------------------------------

TSimWindow* TSimDesktop::Window(HWND wnd) {
  auto it = FWindows.find(wnd);
  return it == FWindows.end() ? nullptr : &it->second;
}

const TSimWindow* TSimDesktop::Window(HWND wnd) const {
  auto it = FWindows.find(wnd);
  return it == FWindows.end() ? nullptr : &it->second;
}

std::vector<HWND> TSimDesktop::TopLevelWindows() const { return FZOrder; }

HWND TSimDesktop::NewHandle() {
  const HWND h = FNextHandle;
  FNextHandle += 4;  // never 0, 1, or the two pseudo-handles at the top
  return h;
}

TSimWindow& TSimDesktop::Insert(TSimWindow window) {
  const HWND h = window.Handle;
  TSimWindow& w = FWindows.emplace(h, std::move(window)).first->second;
  if (w.Parent) {
    Window(w.Parent)->Children.push_back(h);
  } else {
    const std::size_t at = (w.ExStyle & win::WS_EX_TOPMOST) ? 0 : TopmostCount(h);
    FZOrder.insert(FZOrder.begin() + static_cast<std::ptrdiff_t>(at), h);
  }
  return w;
}

HWND TSimDesktop::AddForeignWindow(DWORD pid, std::u16string className, std::u16string title, HWND owner,
                                   TRect rect, bool visible, DWORD exStyle) {
  TSimWindow w;
  w.Handle = NewHandle();
  w.ProcessId = pid;
  const TSimProcess* process = ProcessById(pid);
  w.ThreadId = process ? process->CurrentThreadId : 0;
  w.Owner = Window(owner) ? owner : 0;
  w.ClassName = std::move(className);
  w.Title = std::move(title);
  w.Style = win::WS_POPUP;
  w.ExStyle = exStyle;
  w.Rect = rect;
  w.Visible = visible;
  if (visible) w.Style |= win::WS_VISIBLE;
  return Insert(std::move(w)).Handle;
}

std::vector<HWND>* TSimDesktop::Siblings(const TSimWindow& w) {
  if (!w.Parent) return &FZOrder;
  TSimWindow* parent = Window(w.Parent);
  return parent ? &parent->Children : nullptr;
}

std::size_t TSimDesktop::TopmostCount(HWND except) const {
  std::size_t n = 0;
  for (HWND h : FZOrder) {
    const TSimWindow* w = Window(h);
    if (h != except && w && (w->ExStyle & win::WS_EX_TOPMOST)) ++n;
  }
  return n;
}

// Moves an element within the list without reallocating it.
void TSimDesktop::MoveTo(std::vector<HWND>& list, HWND wnd, std::size_t index) {
  auto it = std::find(list.begin(), list.end(), wnd);
  if (it == list.end()) return;
  const std::size_t from = static_cast<std::size_t>(it - list.begin());
  if (index >= list.size()) index = list.size() - 1;
  if (from < index) {
    std::rotate(list.begin() + static_cast<std::ptrdiff_t>(from), list.begin() + static_cast<std::ptrdiff_t>(from) + 1,
                list.begin() + static_cast<std::ptrdiff_t>(index) + 1);
  } else if (from > index) {
    std::rotate(list.begin() + static_cast<std::ptrdiff_t>(index), list.begin() + static_cast<std::ptrdiff_t>(from),
                list.begin() + static_cast<std::ptrdiff_t>(from) + 1);
  }
}

void TSimDesktop::BringToTop(TSimWindow& w) {
  std::vector<HWND>* list = Siblings(w);
  if (!list) return;
  const bool band = !w.Parent && !(w.ExStyle & win::WS_EX_TOPMOST);
  MoveTo(*list, w.Handle, band ? TopmostCount(w.Handle) : 0);
}

TPoint TSimDesktop::ClientOrigin(const TSimWindow& w) { return {w.Rect.Left + w.Frame.Left, w.Rect.Top + w.Frame.Top}; }

TRect TSimDesktop::ClientRect(const TSimWindow& w) {
  return {0, 0, std::max(0, w.Rect.Width() - w.Frame.Left - w.Frame.Right),
          std::max(0, w.Rect.Height() - w.Frame.Top - w.Frame.Bottom)};
}

void TSimDesktop::InvalidateTree(TSimWindow& w, bool erase) {
  if (!IsVisibleChain(w)) return;
  w.UpdatePending = true;
  w.ErasePending |= erase;
  for (HWND c : w.Children) {
    if (TSimWindow* child = Window(c)) InvalidateTree(*child, erase);
  }
}

void TSimDesktop::SetVisible(TSimWindow& w, bool visible) {
  w.Visible = visible;
  if (visible) {
    w.Style |= win::WS_VISIBLE;
    InvalidateTree(w, true);  // a window shown is painted whole
  } else {
    w.Style &= ~win::WS_VISIBLE;
  }
}

void TSimDesktop::Shift(TSimWindow& w, int dx, int dy) {
  w.Rect.Left += dx;
  w.Rect.Right += dx;
  w.Rect.Top += dy;
  w.Rect.Bottom += dy;
  for (HWND c : w.Children) {
    if (TSimWindow* child = Window(c)) Shift(*child, dx, dy);
  }
}

bool TSimDesktop::IsVisibleChain(const TSimWindow& w) const {
  for (const TSimWindow* p = &w; p; p = p->Parent ? Window(p->Parent) : nullptr) {
    if (!p->Visible) return false;
  }
  return true;
}

TSimWindow* TSimDesktop::Root(TSimWindow* w) {
  while (w && w->Parent) w = Window(w->Parent);
  return w;
}

void TSimDesktop::Activate(HWND wnd) {
  if (TSimWindow* w = Root(Window(wnd))) SetActive(w->Handle, true);
}

// The order of Win32: the old window hears it is inactive, the programs
// hear the switch between them, then the new window hears it is active.
void TSimDesktop::SetActive(HWND wnd, bool bringToTop) {
  if (bringToTop) {
    if (TSimWindow* w = Window(wnd)) BringToTop(*w);
  }
  const HWND old = FForeground;
  if (old == wnd) return;
  FForeground = wnd;
  const TSimWindow* o = Window(old);
  const TSimWindow* n = Window(wnd);
  const DWORD oldPid = o ? o->ProcessId : 0, newPid = n ? n->ProcessId : 0;
  if (o) Send(old, win::WM_ACTIVATE, 0, static_cast<LPARAM>(wnd));
  if (oldPid != newPid) {
    const std::vector<HWND> snapshot = FZOrder;
    for (HWND h : snapshot) {
      const TSimWindow* t = Window(h);
      if (t && oldPid && t->ProcessId == oldPid) Send(h, win::WM_ACTIVATEAPP, 0, static_cast<LPARAM>(newPid));
    }
    for (HWND h : snapshot) {
      const TSimWindow* t = Window(h);
      if (t && newPid && t->ProcessId == newPid) Send(h, win::WM_ACTIVATEAPP, 1, static_cast<LPARAM>(oldPid));
    }
  }
  FocusFollowsActivation(wnd);
  if (Window(wnd) && FForeground == wnd) Send(wnd, win::WM_ACTIVATE, 1, static_cast<LPARAM>(old));
}

// A hidden or destroyed foreground window hands activation to the next
// visible top-level window.
void TSimDesktop::PassActivation(HWND leaving) {
  if (FForeground != leaving) return;
  HWND next = 0;
  for (HWND h : FZOrder) {
    const TSimWindow* w = Window(h);
    if (h != leaving && w && w->Visible && !w->Destroying) {
      next = h;
      break;
    }
  }
  SetActive(next, false);
}

bool TSimDesktop::DestroyWindow(HWND wnd) {
  TSimWindow* w = Window(wnd);
  if (!w) return false;
  if (!w->Destroying) DestroyTree(wnd);
  return true;
}

// Owned windows go first; then WM_DESTROY reaches the window and then its
// children (they still exist while it is handled); children are removed
// before their parent.
void TSimDesktop::DestroyTree(HWND wnd) {
  TSimWindow* w = Window(wnd);
  if (!w || w->Destroying) return;
  w->Destroying = true;
  if (!w->Parent) {
    const std::vector<HWND> snapshot = FZOrder;
    for (HWND h : snapshot) {
      const TSimWindow* t = Window(h);
      if (t && t->Owner == wnd) DestroyTree(h);
    }
  }
  PassActivation(wnd);
  Send(wnd, win::WM_DESTROY, 0, 0);
  if ((w = Window(wnd)) == nullptr) return;
  const std::vector<HWND> children = w->Children;
  for (HWND c : children) DestroyTree(c);
  Remove(wnd);
}

void TSimDesktop::Remove(HWND wnd) {
  TSimWindow* w = Window(wnd);
  if (!w) return;
  if (std::vector<HWND>* list = Siblings(*w)) list->erase(std::remove(list->begin(), list->end(), wnd), list->end());
  if (TSimProcess* p = ProcessById(w->ProcessId)) {
    // Timers and posted messages die with the window.
    auto& t = p->Timers;
    t.erase(std::remove_if(t.begin(), t.end(), [wnd](const TSimProcess::TTimer& x) { return x.Wnd == wnd; }),
            t.end());
    auto& q = p->Queue;
    q.erase(std::remove_if(q.begin(), q.end(), [wnd](const TMsg& m) { return m.Wnd == wnd; }), q.end());
  }
  // Its hot keys are free again.
  HotKeys.erase(std::remove_if(HotKeys.begin(), HotKeys.end(), [wnd](const TSimHotKey& k) { return k.Wnd == wnd; }),
                HotKeys.end());
  for (auto& [h, other] : FWindows) {
    if (other.Owner == wnd) other.Owner = 0;
  }
  if (FForeground == wnd) FForeground = 0;
  ForgetControls(wnd);
  FWindows.erase(wnd);
}

void TSimDesktop::Paint(HWND wnd) {
  TSimWindow* w = Window(wnd);
  if (!w) return;
  const HDC dc = FNextDc;
  FNextDc += 4;
  FPaintDcs.push_back({dc, wnd});
  ++w->PaintCount;
  w->UpdatePending = w->ErasePending = false;
  Send(wnd, win::WM_ERASEBKGND, static_cast<WPARAM>(dc), 0);
  if (Window(wnd)) Send(wnd, win::WM_PAINT, 0, 0);
  FPaintDcs.erase(std::remove_if(FPaintDcs.begin(), FPaintDcs.end(), [dc](const TPaintDc& p) { return p.Dc == dc; }),
                  FPaintDcs.end());
}

// --- Messages --------------------------------------------------------------------------

LRESULT TSimDesktop::Send(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TSimWindow* w = Window(wnd);
  if (!w) return 0;
  if (!w->Ctl.Subclasses.empty()) return w->Ctl.Subclasses.back()->HandleMessage(wnd, msg, wParam, lParam);
  return ClassProc(wnd, msg, wParam, lParam);
}

LRESULT TSimDesktop::ClassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TSimWindow* w = Window(wnd);
  if (!w) return 0;
  if (w->Handler) return w->Handler->HandleMessage(wnd, msg, wParam, lParam);
  if (w->IsMagnifier && msg == win::WM_SETREDRAW) {
    w->RedrawEnabled = wParam != 0;
    return 0;
  }
  return ControlProc(*w, msg, wParam, lParam);
}

LRESULT TSimDesktop::DefProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  (void)wParam;
  switch (msg) {
    case win::WM_CLOSE:
      DestroyWindow(wnd);
      return 0;
    case win::WM_SETTEXT:
      if (TSimWindow* w = Window(wnd)) {
        w->Title = lParam ? std::u16string(reinterpret_cast<const char16_t*>(lParam)) : std::u16string();
        return 1;
      }
      return 0;
    case win::WM_NCHITTEST:
      return win::HTCLIENT;
    case win::WM_RBUTTONUP:
      // As on Windows: releasing the right button asks the window for its
      // context menu, at the pointer in screen coordinates.
      if (const TSimWindow* w = Window(wnd)) {
        const TPoint origin = ClientOrigin(*w);
        const TPoint at = PointFromLParam(lParam);
        Send(wnd, win::WM_CONTEXTMENU, wnd, MakeLParam(origin.X + at.X, origin.Y + at.Y));
      }
      return 0;
    case win::WM_WINDOWPOSCHANGED:
      // What the window's own WM_MOVE and WM_SIZE say: the client area's
      // origin (on the screen, or in the parent's client area) and size.
      if (const TSimWindow* w = Window(wnd); w && lParam) {
        const auto& pos = *reinterpret_cast<const TWindowPos*>(lParam);
        if (!(pos.Flags & SWP_NOCLIENTMOVE)) {
          TPoint at = ClientOrigin(*w);
          if (const TSimWindow* parent = w->Parent ? Window(w->Parent) : nullptr) {
            const TPoint p = ClientOrigin(*parent);
            at = {at.X - p.X, at.Y - p.Y};
          }
          Send(wnd, win::WM_MOVE, 0, MakeLParam(at.X, at.Y));
        }
        if (!(pos.Flags & SWP_NOCLIENTSIZE) && (w = Window(wnd)) != nullptr) {
          const TRect client = ClientRect(*w);
          Send(wnd, win::WM_SIZE, 0, MakeLParam(client.Right, client.Bottom));
        }
      }
      return 0;
    case win::WM_PAINT:
      if (TSimWindow* w = Window(wnd)) w->UpdatePending = w->ErasePending = false;
      return 0;
    case win::WM_QUERYENDSESSION:
    case win::WM_ERASEBKGND:
      return 1;
    default:
      return ControlDefProc(wnd, msg, wParam, lParam);
  }
}

void TSimDesktop::Post(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const TSimWindow* w = Window(wnd);
  // A window of a process the test never made has nobody to read its queue.
  if (TSimProcess* p = w ? ProcessById(w->ProcessId) : nullptr) {
    p->Queue.push_back({wnd, msg, wParam, lParam});
    p->Starved = false;
  }
}

void TSimDesktop::RunFor(DWORD ms) {
  const DWORD deadline = FClock + ms;
  for (;;) {
    bool any = false;
    for (std::size_t i = 0; i < FProcesses.size(); ++i) any |= FProcesses[i]->DispatchPending() > 0;
    if (any) continue;
    const TSimProcess::TTimer* next = nullptr;
    for (auto& p : FProcesses) {
      const TSimProcess::TTimer* t = p->EarliestTimer();
      if (t && (!next || static_cast<std::int32_t>(t->Due - next->Due) < 0)) next = t;
    }
    if (!next || static_cast<std::int32_t>(next->Due - deadline) > 0) {
      // Time never runs backwards: a nested wait may have gone past the end.
      if (static_cast<std::int32_t>(deadline - FClock) > 0) FClock = deadline;
      for (std::size_t i = 0; i < FProcesses.size(); ++i) FProcesses[i]->DispatchPending();
      return;
    }
    if (static_cast<std::int32_t>(next->Due - FClock) > 0) FClock = next->Due;
  }
}

}  // namespace lensoro::sim

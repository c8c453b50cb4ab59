// Other programs' keyboard focus and text caret, their WinEvents and their
// accessible objects, and the DPI of the windows they are in.
//
// NOTE: Windows raises EVENT_OBJECT_FOCUS when a window takes the focus and
// EVENT_OBJECT_SHOW, EVENT_OBJECT_LOCATIONCHANGE and EVENT_OBJECT_HIDE for
// OBJID_CARET as a system caret comes, moves and goes. An out-of-context
// hook hears of them on its own thread as that thread reads its queue, so
// here they wait in the hooking process until its loop next looks.
#include <algorithm>

#include "SimDesktop.h"

namespace lensoro::sim {

namespace {

constexpr DWORD EVENT_OBJECT_HIDE = 0x8003;
constexpr std::int32_t E_INVALIDARG = static_cast<std::int32_t>(0x80070057u);
constexpr std::int32_t CO_E_NOTINITIALIZED = static_cast<std::int32_t>(0x800401F0u);
constexpr DWORD ERROR_INVALID_HOOK_HANDLE = 1404, ERROR_INVALID_FILTER_PROC = 1427;

// Windows 8.1 brought the per-monitor conversions.
bool HasPerMonitorPoints(const TOsVersion& v) { return v.Major > 6 || (v.Major == 6 && v.Minor >= 3); }

// MulDiv's rounding: halves away from zero.
int Scale(int value, int to, int from) {
  const long long n = static_cast<long long>(value) * to;
  return static_cast<int>(n >= 0 ? (n + from / 2) / from : -((-n + from / 2) / from));
}

}  // namespace

// --- The desktop: the programs' hands ------------------------------------------------------

int TSimDesktop::OwnDpi(const TSimWindow& w) const {
  const TSimWindow* root = &w;
  while (root->Parent && Window(root->Parent)) root = Window(root->Parent);
  const TSimProcess* process = const_cast<TSimDesktop*>(this)->ProcessById(w.ProcessId);
  const TSimDpiAwareness awareness = process ? process->DpiAwareness() : TSimDpiAwareness::System;
  if (PerMonitorAware(awareness)) return root->Dpi > 0 ? root->Dpi : DpiAt(root->Rect);
  return awareness == TSimDpiAwareness::Unaware ? 96 : PixelsPerInch;
}

void TSimDesktop::MonitorOf(const TSimWindow& w, TPoint& origin, int& dpi) const {
  const TSimWindow* root = &w;
  while (root->Parent && Window(root->Parent)) root = Window(root->Parent);
  const std::size_t m = MonitorAt(root->Rect);
  origin = Monitors.empty() ? TPoint{VirtualScreen.Left, VirtualScreen.Top}
                            : TPoint{Monitors[m].Monitor.Left, Monitors[m].Monitor.Top};
  dpi = MonitorDpi(m);
}

TPoint TSimDesktop::LogicalToPhysical(const TSimWindow& w, TPoint logical) const {
  TPoint origin;
  int monitorDpi = 96;
  MonitorOf(w, origin, monitorDpi);
  const int own = OwnDpi(w);
  return {origin.X + Scale(logical.X - origin.X, monitorDpi, own),
          origin.Y + Scale(logical.Y - origin.Y, monitorDpi, own)};
}

TPoint TSimDesktop::PhysicalToLogical(const TSimWindow& w, TPoint physical) const {
  TPoint origin;
  int monitorDpi = 96;
  MonitorOf(w, origin, monitorDpi);
  const int own = OwnDpi(w);
  return {origin.X + Scale(physical.X - origin.X, own, monitorDpi),
          origin.Y + Scale(physical.Y - origin.Y, own, monitorDpi)};
}

void TSimDesktop::RaiseWinEvent(DWORD event, HWND wnd, std::int32_t objectId, std::int32_t childId) {
  const TSimWindow* w = Window(wnd);
  const DWORD from = w ? w->ProcessId : 0;
  for (const TSimWinEventHook& h : FWinEventHooks) {
    if (h.Pid == from || event < h.EventMin || event > h.EventMax) continue;  // WINEVENT_SKIPOWNPROCESS
    TSimProcess* p = ProcessById(h.Pid);
    if (!p) continue;
    if (p->WinEventCount == p->WinEvents.size()) {
      p->WinEventFirst = (p->WinEventFirst + 1) % p->WinEvents.size();
      --p->WinEventCount;
    }
    p->WinEvents[(p->WinEventFirst + p->WinEventCount++) % p->WinEvents.size()] = {h.Hook, event, wnd, objectId,
                                                                                   childId};
  }
}

void TSimDesktop::SetCaret(HWND wnd, TRect clientRect) {
  const TSimWindow* w = Window(wnd);
  if (!w) return;
  TSimCaret& caret = FCarets[w->ThreadId];
  if (caret.Window != wnd) {
    // One caret to a thread: made in another window, it leaves the old one.
    if (caret.Window) RaiseWinEvent(EVENT_OBJECT_HIDE, caret.Window, win::OBJID_CARET, win::CHILDID_SELF);
    caret = {wnd, clientRect};
    RaiseWinEvent(win::EVENT_OBJECT_SHOW, wnd, win::OBJID_CARET, win::CHILDID_SELF);
  }
  caret.Rect = clientRect;
  RaiseWinEvent(win::EVENT_OBJECT_LOCATIONCHANGE, wnd, win::OBJID_CARET, win::CHILDID_SELF);
}

void TSimDesktop::DestroyCaret(DWORD threadId) {
  const auto it = FCarets.find(threadId);
  if (it == FCarets.end()) return;
  const HWND had = it->second.Window;
  FCarets.erase(it);
  RaiseWinEvent(EVENT_OBJECT_HIDE, had, win::OBJID_CARET, win::CHILDID_SELF);
}

TSimDesktop::TSimCaret TSimDesktop::Caret(DWORD threadId) const {
  const auto it = FCarets.find(threadId);
  return it != FCarets.end() && Window(it->second.Window) ? it->second : TSimCaret{};
}

void TSimDesktop::ProgramFocus(HWND wnd) {
  TSimWindow* w = Window(wnd);
  if (!w) return;
  TSimWindow* root = Root(w);
  if (root->Handle != FForeground) SetActive(root->Handle, true);
  MoveFocus(wnd);
}

void TSimDesktop::SetAccessibleLocation(HWND wnd, std::int32_t objectId, std::int32_t childId, TRect location) {
  for (TSimAccessible& a : FAccessibles) {
    if (a.Window == wnd && a.ObjectId == objectId && a.ChildId == childId) {
      a.Location = location;
      return;
    }
  }
  FAccessibles.push_back({wnd, objectId, childId, location});
}

int TSimDesktop::WinEventHookCount(DWORD pid) const {
  return static_cast<int>(
      std::count_if(FWinEventHooks.begin(), FWinEventHooks.end(), [pid](const auto& h) { return h.Pid == pid; }));
}

// --- The process: delivery ------------------------------------------------------------------

int TSimProcess::DeliverWinEvents() {
  int delivered = 0;
  while (WinEventCount > 0) {
    const TSimWinEvent e = WinEvents[WinEventFirst];
    WinEventFirst = (WinEventFirst + 1) % WinEvents.size();
    --WinEventCount;
    // A hook removed since is not called.
    for (const auto& h : FDesktop.FWinEventHooks) {
      if (h.Hook == e.Hook && h.Pid == Pid) {
        h.Handler->WinEvent(e.Hook, e.Event, e.Window, e.ObjectId, e.ChildId);
        ++delivered;
        break;
      }
    }
  }
  return delivered;
}

// --- The process's calls --------------------------------------------------------------------

bool TSimProcess::GetGUIThreadInfo(DWORD threadId, TGuiThreadInfo& info) {
  Log("GetGUIThreadInfo", threadId);
  if (Injected("GetGUIThreadInfo")) return false;
  if (threadId == 0) {
    const TSimWindow* foreground = FDesktop.Window(FDesktop.FForeground);
    if (!foreground) return Fail(win::ERROR_INVALID_PARAMETER);
    threadId = foreground->ThreadId;
  } else {
    bool known = false;
    for (const auto& p : FDesktop.FProcesses) {
      for (const DWORD t : p->ThreadIds) known |= t == threadId;
    }
    if (!known) return Fail(win::ERROR_INVALID_PARAMETER);
  }
  info = {};
  const auto ours = [&](HWND h) {
    const TSimWindow* w = FDesktop.Window(h);
    return w && w->ThreadId == threadId ? h : 0;
  };
  info.Active = ours(FDesktop.FForeground);
  info.Focus = ours(FDesktop.FFocus);
  info.Capture = ours(FDesktop.FCapture);
  if (const TSimDesktop::TSimCaret caret = FDesktop.Caret(threadId); caret.Window) {
    info.Caret = caret.Window;
    info.CaretRect = caret.Rect;
    info.Flags |= win::GUI_CARETBLINKING;
  }
  return true;
}

bool TSimProcess::ClientToScreen(HWND wnd, TPoint& point) {
  Log("ClientToScreen", wnd, point.X, point.Y);
  if (Injected("ClientToScreen")) return false;
  const TSimWindow* w = Need(wnd);
  if (!w) return false;
  const TPoint origin = TSimDesktop::ClientOrigin(*w);
  point = {point.X + origin.X, point.Y + origin.Y};
  return true;
}

bool TSimProcess::LogicalToPhysicalPointForPerMonitorDPI(HWND wnd, TPoint& point) {
  Log("LogicalToPhysicalPointForPerMonitorDPI", wnd, point.X, point.Y);
  if (Injected("LogicalToPhysicalPointForPerMonitorDPI")) return false;
  if (!HasPerMonitorPoints(FDesktop.OsVersion)) return Fail(win::ERROR_PROC_NOT_FOUND);
  const TSimWindow* w = Need(wnd);
  if (!w) return false;
  point = FDesktop.LogicalToPhysical(*w, point);
  return true;
}

bool TSimProcess::PhysicalToLogicalPointForPerMonitorDPI(HWND wnd, TPoint& point) {
  Log("PhysicalToLogicalPointForPerMonitorDPI", wnd, point.X, point.Y);
  if (Injected("PhysicalToLogicalPointForPerMonitorDPI")) return false;
  if (!HasPerMonitorPoints(FDesktop.OsVersion)) return Fail(win::ERROR_PROC_NOT_FOUND);
  const TSimWindow* w = Need(wnd);
  if (!w) return false;
  point = FDesktop.PhysicalToLogical(*w, point);
  return true;
}

HWINEVENTHOOK TSimProcess::SetWinEventHook(DWORD eventMin, DWORD eventMax, IWinEventHandler* handler) {
  Log("SetWinEventHook", eventMin, eventMax);
  if (Injected("SetWinEventHook")) return 0;
  if (!handler) return Fail(ERROR_INVALID_FILTER_PROC);
  if (eventMin > eventMax) return Fail(win::ERROR_INVALID_PARAMETER);
  const HWINEVENTHOOK hook = FDesktop.FNextWinEventHook++;
  FDesktop.FWinEventHooks.push_back({hook, Pid, eventMin, eventMax, handler});
  return hook;
}

bool TSimProcess::UnhookWinEvent(HWINEVENTHOOK hook) {
  Log("UnhookWinEvent", static_cast<std::int64_t>(hook));
  if (Injected("UnhookWinEvent")) return false;
  auto& hooks = FDesktop.FWinEventHooks;
  const auto it = std::find_if(hooks.begin(), hooks.end(), [&](const auto& h) { return h.Hook == hook; });
  // Another process's hook is not this one's to remove.
  if (it == hooks.end() || it->Pid != Pid) return Fail(ERROR_INVALID_HOOK_HANDLE);
  hooks.erase(it);
  return true;
}

std::int32_t TSimProcess::CoInitializeEx() {
  Log("CoInitializeEx");
  if (Injected("CoInitializeEx")) return static_cast<std::int32_t>(0x80004005u);  // E_FAIL
  return ComInitCount++ == 0 ? 0 : 1;
}

void TSimProcess::CoUninitialize() {
  Log("CoUninitialize");
  if (ComInitCount > 0) --ComInitCount;
}

bool TSimProcess::AccessibleObjectLocation(HWND wnd, std::int32_t objectId, std::int32_t childId, TRect& location) {
  Log("AccessibleObjectLocation", wnd, objectId, childId);
  if (Injected("AccessibleObjectLocation")) return false;
  if (ComInitCount == 0) return Fail(static_cast<DWORD>(CO_E_NOTINITIALIZED));
  const TSimWindow* w = Need(wnd);
  if (!w) return false;
  for (const auto& a : FDesktop.FAccessibles) {
    if (a.Window == wnd && a.ObjectId == objectId && a.ChildId == childId) {
      location = a.Location;
      return true;
    }
  }
  // The system's own objects: a window, and the system caret in it, in the
  // window's own pixels.
  const TPoint origin = FDesktop.PhysicalToLogical(*w, TSimDesktop::ClientOrigin(*w));
  const TSimDesktop::TSimCaret caret = FDesktop.Caret(w->ThreadId);
  if (objectId == win::OBJID_CARET && childId == win::CHILDID_SELF && caret.Window == wnd) {
    const TRect& c = caret.Rect;
    location = {origin.X + c.Left, origin.Y + c.Top, origin.X + c.Right, origin.Y + c.Bottom};
    return true;
  }
  if ((objectId == win::OBJID_WINDOW || objectId == win::OBJID_CLIENT) && childId == win::CHILDID_SELF) {
    const TPoint o = TSimDesktop::ClientOrigin(*w);
    const TRect c = TSimDesktop::ClientRect(*w);
    const TRect r = objectId == win::OBJID_WINDOW ? w->Rect : TRect{o.X, o.Y, o.X + c.Width(), o.Y + c.Height()};
    const TPoint a = FDesktop.PhysicalToLogical(*w, {r.Left, r.Top});
    const TPoint b = FDesktop.PhysicalToLogical(*w, {r.Right, r.Bottom});
    location = {a.X, a.Y, b.X, b.Y};
    return true;
  }
  return Fail(static_cast<DWORD>(E_INVALIDARG));
}

}  // namespace lensoro::sim

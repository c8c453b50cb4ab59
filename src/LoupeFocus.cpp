#include "LoupeFocus.h"

#include <iterator>

namespace lensoro {

namespace {

constexpr DWORD HookedEvents[] = {win::EVENT_OBJECT_FOCUS, win::EVENT_OBJECT_SHOW, win::EVENT_OBJECT_LOCATIONCHANGE};

bool HasArea(const TRect& r) { return r.Right > r.Left && r.Bottom > r.Top; }

DWORD ProcessOf(TPlatform& platform, HWND wnd) {
  DWORD pid = 0;
  platform.GetWindowThreadProcessId(wnd, &pid);
  return pid;
}

}  // namespace

TLoupeFocus::~TLoupeFocus() {
  Stop();
  if (FComStarted) FPlatform.CoUninitialize();
}

void TLoupeFocus::Start() {
  if (FStarted) return;
  FStarted = true;
  FOwnPid = FPlatform.GetCurrentProcessId();
  // Reading an accessible object takes COM on this thread.
  if (!FComStarted) FComStarted = FPlatform.CoInitializeEx() >= 0;
  static_assert(std::size(HookedEvents) == std::size(decltype(FHooks){}));
  for (std::size_t i = 0; i < std::size(HookedEvents); ++i) {
    FHooks[i] = FPlatform.SetWinEventHook(HookedEvents[i], HookedEvents[i], this);
  }
}

void TLoupeFocus::Stop() {
  if (!FStarted) return;
  for (HWINEVENTHOOK& hook : FHooks) {
    if (hook) FPlatform.UnhookWinEvent(hook);
    hook = 0;
  }
  FStarted = false;
  // Seen afresh after a restore: what was in front then is news again.
  FSeen = {};
}

void TLoupeFocus::WinEvent(HWINEVENTHOOK, DWORD event, HWND wnd, std::int32_t objectId, std::int32_t childId) {
  // Only noted: the next step reads the object. Nothing here may allocate,
  // call COM or send a message.
  if (event == win::EVENT_OBJECT_FOCUS) {
    FSeen.FocusEvent = {true, wnd, objectId, childId};
  } else if (objectId == win::OBJID_CARET) {
    FSeen.CaretEvent = {true, wnd, objectId, childId};
  }
}

bool TLoupeFocus::IsLoupeProcess(DWORD pid, const TLnsList& loupes) {
  if (pid == FOwnPid) return true;
  for (const TLnsItem& item : loupes.Items) {
    if (ProcessOf(FPlatform, item.WindowHandle()) == pid) return true;
  }
  return false;
}

TRect TLoupeFocus::ToPhysical(HWND wnd, const TRect& logical) {
  // The last pixel, not the edge beyond it, so that both points lie on the
  // window. Where Windows has no per-monitor DPI the points stay as they are.
  TPoint first{logical.Left, logical.Top}, last{logical.Right - 1, logical.Bottom - 1};
  FPlatform.LogicalToPhysicalPointForPerMonitorDPI(wnd, first);
  FPlatform.LogicalToPhysicalPointForPerMonitorDPI(wnd, last);
  return {first.X, first.Y, last.X + 1, last.Y + 1};
}

bool TLoupeFocus::SystemCaret(const TGuiThreadInfo& gui, bool focusMoved, TRect& caret) {
  const TRect& rc = gui.CaretRect;
  // Just after a focus change, Windows and Wine both show the new caret at
  // its window's client origin for a moment.
  if (!gui.Caret || !HasArea(rc) || (rc.Left == 0 && rc.Top == 0 && (focusMoved || gui.Caret != FSeen.CaretWindow))) {
    return false;
  }
  TPoint origin;
  if (!FPlatform.ClientToScreen(gui.Caret, origin)) return false;
  if (gui.Caret != FSeen.CaretWindow || origin != FSeen.CaretOrigin || rc != FSeen.CaretLogical) {
    FSeen.CaretWindow = gui.Caret, FSeen.CaretOrigin = origin, FSeen.CaretLogical = rc;
    // The caret is in the window's own pixels; the client origin on the
    // screen is in the screen's. Both go through the window's own screen.
    TPoint logical = origin;
    FPlatform.PhysicalToLogicalPointForPerMonitorDPI(gui.Caret, logical);
    FSeen.SystemCaret =
        ToPhysical(gui.Caret, {logical.X + rc.Left, logical.Y + rc.Top, logical.X + rc.Right, logical.Y + rc.Bottom});
  }
  caret = FSeen.SystemCaret;
  return true;
}

bool TLoupeFocus::EventLocation(const TEvent& event, TRect& location) {
  if (FSeen.ActiveIgnored || ProcessOf(FPlatform, event.Window) != FSeen.ActivePid) return false;
  TRect r;
  if (!FPlatform.AccessibleObjectLocation(event.Window, event.ObjectId, event.ChildId, r) || !HasArea(r)) {
    return false;
  }
  // Accessibility gives the place in its program's own pixels.
  location = ToPhysical(event.Window, r);
  return true;
}

void TLoupeFocus::Read(TFollowInput& in, const TLnsList& loupes) {
  TGuiThreadInfo gui;
  // No foreground thread (another desktop is up): nothing to follow.
  if (!FPlatform.GetGUIThreadInfo(0, gui)) gui = {};
  if (gui.Active != FSeen.Active) {
    FSeen.Active = gui.Active;
    FSeen.ActivePid = gui.Active ? ProcessOf(FPlatform, gui.Active) : 0;
    FSeen.ActiveIgnored = FSeen.ActivePid == 0 || IsLoupeProcess(FSeen.ActivePid, loupes);
  }
  if (FSeen.ActiveIgnored) gui = {};

  bool focusMoved = false;
  if (gui.Focus != FSeen.Focus) {
    FSeen.Focus = gui.Focus;
    if (TRect r; gui.Focus && FPlatform.GetWindowRect(gui.Focus, r)) {
      in.FocusChanged = focusMoved = true;
      in.Focus = r;
    }
  }
  // A control that its program draws inside one window tells of its focus
  // only through accessibility; a whole window's focus the thread told.
  if (const TEvent e = FSeen.FocusEvent; e.Pending) {
    FSeen.FocusEvent.Pending = false;
    TRect r;
    if (!(e.ObjectId == win::OBJID_CLIENT && e.ChildId == win::CHILDID_SELF) && EventLocation(e, r)) {
      in.FocusChanged = focusMoved = true;
      in.Focus = r;
    }
  }

  TRect caret;
  bool seen = SystemCaret(gui, focusMoved || FSeen.FocusMovedLastStep, caret);
  if (!seen) FSeen.CaretWindow = 0;
  // A caret that its program draws itself: only its accessible object
  // tells where it is. A system caret's own events are the thread's news.
  if (const TEvent e = FSeen.CaretEvent; e.Pending) {
    FSeen.CaretEvent.Pending = false;
    if (!seen && e.Window != gui.Caret) seen = EventLocation(e, caret);
  }
  if (seen && caret != FSeen.Caret) {
    in.CaretMoved = true;
    in.Caret = FSeen.Caret = caret;
  }
  FSeen.FocusMovedLastStep = focusMoved;
}

}  // namespace lensoro

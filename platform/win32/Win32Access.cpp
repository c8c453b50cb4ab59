// Other programs' keyboard focus and text caret: each method forwards to the
// Win32 call it is named after. The calls that Windows 7 lacks, and those of
// ole32 and oleacc (loaded only when the loupe follows the keyboard), are
// bound at their first call.
#include "Win32Convert.h"
#include "Win32Lazy.h"

#include <oleacc.h>

namespace lensoro {

using w32::FromHwnd;
using w32::FromRect;
using w32::ToHwnd;

namespace {

// The hooks' handlers, found by hook in the system's callback. A fixed
// table: the callback must not allocate, and the loupe holds three hooks.
struct THookSlot {
  ::HWINEVENTHOOK Hook = nullptr;
  IWinEventHandler* Handler = nullptr;
};
THookSlot HookSlots[8];

void CALLBACK WinEventProc(::HWINEVENTHOOK hook, ::DWORD event, ::HWND wnd, LONG objectId, LONG childId, ::DWORD,
                           ::DWORD) {
  for (const THookSlot& slot : HookSlots) {
    if (slot.Hook == hook && slot.Handler) {
      slot.Handler->WinEvent(reinterpret_cast<HWINEVENTHOOK>(hook), event, FromHwnd(wnd), objectId, childId);
      return;
    }
  }
}

typedef BOOL(WINAPI PointForPerMonitorDpiProc)(::HWND, LPPOINT);

}  // namespace

bool TWin32Platform::GetGUIThreadInfo(DWORD threadId, TGuiThreadInfo& info) {
  GUITHREADINFO gui = {};
  gui.cbSize = sizeof gui;
  if (!::GetGUIThreadInfo(threadId, &gui)) return false;
  info.Flags = gui.flags;
  info.Active = FromHwnd(gui.hwndActive);
  info.Focus = FromHwnd(gui.hwndFocus);
  info.Capture = FromHwnd(gui.hwndCapture);
  info.MenuOwner = FromHwnd(gui.hwndMenuOwner);
  info.MoveSize = FromHwnd(gui.hwndMoveSize);
  info.Caret = FromHwnd(gui.hwndCaret);
  info.CaretRect = FromRect(gui.rcCaret);
  return true;
}

bool TWin32Platform::ClientToScreen(HWND wnd, TPoint& point) {
  return ::ClientToScreen(ToHwnd(wnd), reinterpret_cast<POINT*>(&point)) != FALSE;
}

bool TWin32Platform::LogicalToPhysicalPointForPerMonitorDPI(HWND wnd, TPoint& point) {
  static w32::TLazyProc<PointForPerMonitorDpiProc> proc{L"user32.dll", "LogicalToPhysicalPointForPerMonitorDPI"};
  auto* convert = proc.Get();
  return convert && convert(ToHwnd(wnd), reinterpret_cast<POINT*>(&point)) != FALSE;
}

bool TWin32Platform::PhysicalToLogicalPointForPerMonitorDPI(HWND wnd, TPoint& point) {
  static w32::TLazyProc<PointForPerMonitorDpiProc> proc{L"user32.dll", "PhysicalToLogicalPointForPerMonitorDPI"};
  auto* convert = proc.Get();
  return convert && convert(ToHwnd(wnd), reinterpret_cast<POINT*>(&point)) != FALSE;
}

HWINEVENTHOOK TWin32Platform::SetWinEventHook(DWORD eventMin, DWORD eventMax, IWinEventHandler* handler) {
  THookSlot* free = nullptr;
  for (THookSlot& slot : HookSlots) {
    if (!slot.Hook) {
      free = &slot;
      break;
    }
  }
  if (!free) {
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  // Out of context, the events come through this thread's message loop,
  // never before this returns.
  const ::HWINEVENTHOOK hook = ::SetWinEventHook(eventMin, eventMax, nullptr, WinEventProc, 0, 0,
                                                 WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
  if (!hook) return 0;
  *free = {hook, handler};
  return reinterpret_cast<HWINEVENTHOOK>(hook);
}

bool TWin32Platform::UnhookWinEvent(HWINEVENTHOOK hook) {
  const auto h = reinterpret_cast<::HWINEVENTHOOK>(hook);
  if (!::UnhookWinEvent(h)) return false;
  for (THookSlot& slot : HookSlots) {
    if (slot.Hook == h) slot = {};
  }
  return true;
}

std::int32_t TWin32Platform::CoInitializeEx() {
  static w32::TLazyProc<decltype(::CoInitializeEx)> proc{L"ole32.dll", "CoInitializeEx"};
  auto* init = proc.Get();
  return init ? init(nullptr, COINIT_APARTMENTTHREADED) : HRESULT_FROM_WIN32(::GetLastError());
}

void TWin32Platform::CoUninitialize() {
  static w32::TLazyProc<decltype(::CoUninitialize)> proc{L"ole32.dll", "CoUninitialize"};
  if (auto* uninit = proc.Get()) uninit();
}

bool TWin32Platform::AccessibleObjectLocation(HWND wnd, std::int32_t objectId, std::int32_t childId, TRect& location) {
  static w32::TLazyProc<decltype(::AccessibleObjectFromEvent)> proc{L"oleacc.dll", "AccessibleObjectFromEvent"};
  auto* fromEvent = proc.Get();
  if (!fromEvent) return false;
  IAccessible* object = nullptr;
  VARIANT child = {};  // VT_EMPTY
  if (FAILED(fromEvent(ToHwnd(wnd), objectId, childId, &object, &child)) || !object) return false;
  LONG left = 0, top = 0, width = 0, height = 0;
  const HRESULT hr = object->accLocation(&left, &top, &width, &height, child);
  object->Release();
  // The child comes back as VT_I4, which holds nothing to free.
  if (hr != S_OK) return false;
  location = {left, top, left + width, top + height};
  return true;
}

}  // namespace lensoro

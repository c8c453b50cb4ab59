// TLoupeFocus: where the keyboard focus and the text caret of the program in
// front are, on the screen, for a loupe that follows typing. The system's
// caret comes from the foreground thread on each step; programs that draw
// their own caret or controls tell of them only through accessibility
// events, which out-of-context hooks catch while the loupe follows typing.
#pragma once

#include <cstdint>

#include "LnsList.h"
#include "LoupeFollow.h"
#include "Platform.h"

namespace lensoro {

class TLoupeFocus final : private IWinEventHandler {
 public:
  explicit TLoupeFocus(TPlatform& platform) : FPlatform(platform) {}
  ~TLoupeFocus();
  TLoupeFocus(const TLoupeFocus&) = delete;
  TLoupeFocus& operator=(const TLoupeFocus&) = delete;

  // Hooks the focus and caret events of the other programs. A hook the
  // system refuses leaves the system's caret to go by.
  void Start();
  // Removes the hooks; what was seen is forgotten.
  void Stop();
  bool Started() const { return FStarted; }

  // Fills the step's focus and caret: a control that took the focus, a
  // caret that moved, in pixels of the screen. Windows of this program and
  // of the other loupes count for nothing, and so does a caret with no
  // area or one at its window's client origin just after the focus moved.
  void Read(TFollowInput& in, const TLnsList& loupes);

 private:
  // What the hooks heard last, kept for the next step.
  struct TEvent {
    bool Pending = false;
    HWND Window = 0;
    std::int32_t ObjectId = 0, ChildId = 0;
  };
  void WinEvent(HWINEVENTHOOK hook, DWORD event, HWND wnd, std::int32_t objectId, std::int32_t childId) override;
  // The foreground changed: whether it is a window of the loupes.
  bool IsLoupeProcess(DWORD pid, const TLnsList& loupes);
  // A rectangle in the window's own pixels on the screen, in the screen's.
  TRect ToPhysical(HWND wnd, const TRect& logical);
  // The system caret of the foreground thread on the screen; false when
  // there is none to follow.
  bool SystemCaret(const TGuiThreadInfo& gui, bool focusMoved, TRect& caret);
  // An event's object on the screen, when it lies in the program in front.
  bool EventLocation(const TEvent& event, TRect& location);

  TPlatform& FPlatform;
  bool FStarted = false;
  bool FComStarted = false;
  DWORD FOwnPid = 0;
  HWINEVENTHOOK FHooks[3] = {};

  // What the steps have seen; forgotten when the hooks go.
  struct TSeen {
    HWND Active = 0;
    DWORD ActivePid = 0;
    bool ActiveIgnored = true;
    HWND Focus = 0;
    bool FocusMovedLastStep = false;
    // The system caret: its window, where its client area was and the
    // caret in it, and where that put it on the screen.
    HWND CaretWindow = 0;
    TPoint CaretOrigin;
    TRect CaretLogical, SystemCaret;
    TRect Caret;  // the last one the step was told of
    TEvent FocusEvent, CaretEvent;
  } FSeen;
};

}  // namespace lensoro

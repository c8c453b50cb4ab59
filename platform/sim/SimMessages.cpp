// One process's messages on the simulated desktop: sending and posting, the
// queue, timers and the message loop.
#include <algorithm>

#include "SimDesktop.h"

namespace lensoro::sim {

namespace {

bool Due(DWORD due, DWORD now) { return static_cast<std::int32_t>(now - due) >= 0; }

}  // namespace

// --- Messages, timers, the message loop ------------------------------------------------

LRESULT TSimProcess::SendMessageW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Log("SendMessageW", wnd, msg, static_cast<std::int64_t>(wParam), lParam);
  if (Injected("SendMessageW")) return 0;
  if (!Need(wnd)) return 0;
  return FDesktop.Send(wnd, msg, wParam, lParam);
}

bool TSimProcess::SendMessageTimeoutW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeoutMs,
                                      LRESULT& result) {
  Log("SendMessageTimeoutW", wnd, msg, static_cast<std::int64_t>(wParam), lParam, flags, timeoutMs);
  result = 0;
  if (Injected("SendMessageTimeoutW")) return false;
  TSimWindow* w = Need(wnd);
  if (!w) return false;
  const TSimProcess* target = FDesktop.ProcessById(w->ProcessId);
  if (target && target->Hung && target != this) {
    // The wait runs out (at once with SMTO_ABORTIFHUNG, as for a hung window).
    if (!(flags & win::SMTO_ABORTIFHUNG)) FDesktop.Advance(timeoutMs);
    return Fail(win::ERROR_TIMEOUT);
  }
  result = FDesktop.Send(wnd, msg, wParam, lParam);
  return true;
}

bool TSimProcess::PostMessageW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Log("PostMessageW", wnd, msg, static_cast<std::int64_t>(wParam), lParam);
  if (Injected("PostMessageW")) return false;
  if (wnd == 0) {
    Queue.push_back({0, msg, wParam, lParam});
    Starved = false;
    return true;
  }
  if (!Need(wnd)) return false;
  FDesktop.Post(wnd, msg, wParam, lParam);
  return true;
}

UINT TSimProcess::RegisterWindowMessageW(const std::u16string& name) {
  Log("RegisterWindowMessageW", static_cast<std::int64_t>(name.size()));
  if (Injected("RegisterWindowMessageW")) return 0;
  if (name.empty()) return Fail(win::ERROR_INVALID_PARAMETER);
  auto [it, added] = FDesktop.FMessages.try_emplace(FoldAscii(name), FDesktop.FNextMessage);
  if (added) ++FDesktop.FNextMessage;
  return it->second;
}

LRESULT TSimProcess::DefWindowProcW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Log("DefWindowProcW", wnd, msg, static_cast<std::int64_t>(wParam), lParam);
  if (Injected("DefWindowProcW")) return 0;
  if (!Need(wnd)) return 0;
  return FDesktop.DefProc(wnd, msg, wParam, lParam);
}

void TSimProcess::PostQuitMessage(int exitCode) {
  Log("PostQuitMessage", exitCode);
  QuitPosted = true;
  ExitCode = exitCode;
  Starved = false;
}

const TSimProcess::TTimer* TSimProcess::FindTimer(HWND wnd, std::uintptr_t id) const {
  for (const TTimer& t : Timers) {
    if (t.Wnd == wnd && t.Id == id) return &t;
  }
  return nullptr;
}

TSimProcess::TTimer* TSimProcess::EarliestTimer() {
  TTimer* best = nullptr;
  for (TTimer& t : Timers) {
    if (!best || static_cast<std::int32_t>(t.Due - best->Due) < 0) best = &t;
  }
  return best;
}

// Posted messages first, then the quit, then a window to paint, then a due
// timer: the priorities of a Win32 queue. A timer message is made when it
// is taken, so a timer has at most one pending however long the loop was
// away.
bool TSimProcess::TakeAvailable(TMsg& msg, bool remove, bool takeQuit) {
  // Out-of-context WinEvents reach their hooks whenever the loop looks.
  DeliverWinEvents();
  if (!Queue.empty()) {
    msg = Queue.front();
    if (remove) {
      Queue.pop_front();
      // GetKeyState follows the key messages as the program reads them.
      const UINT m = msg.Message;
      if ((m == win::WM_KEYDOWN || m == win::WM_SYSKEYDOWN || m == win::WM_KEYUP || m == win::WM_SYSKEYUP) &&
          msg.WParam < FDesktop.KeysDown.size()) {
        FDesktop.KeysDown[msg.WParam] = m == win::WM_KEYDOWN || m == win::WM_SYSKEYDOWN;
      }
    }
    return true;
  }
  if (QuitPosted && takeQuit) {
    msg = {0, win::WM_QUIT, static_cast<WPARAM>(static_cast<std::intptr_t>(ExitCode)), 0};
    if (remove) QuitPosted = false;
    return true;
  }
  for (auto& [h, w] : FDesktop.FWindows) {
    if (w.ProcessId == Pid && w.UpdatePending && FDesktop.IsVisibleChain(w)) {
      msg = {h, win::WM_PAINT, 0, 0};
      if (remove) w.UpdatePending = false;
      return true;
    }
  }
  TTimer* t = EarliestTimer();
  if (t && Due(t->Due, FDesktop.FClock)) {
    msg = {t->Wnd, win::WM_TIMER, t->Id, 0};
    if (remove) t->Due = FDesktop.FClock + t->Interval;
    return true;
  }
  return false;
}

int TSimProcess::GetMessageW(TMsg& msg) {
  Log("GetMessageW");
  if (Injected("GetMessageW")) return -1;
  if (MessageBudget == 0) {
    BudgetSpent = true;
    return -1;
  }
  if (MessageBudget > 0) --MessageBudget;
  for (;;) {
    if (TakeAvailable(msg, true, true)) return msg.Message == win::WM_QUIT ? 0 : 1;
    const TTimer* next = EarliestTimer();
    if (!next) {
      // Nothing could ever arrive: a real loop would hang here.
      Starved = true;
      return -1;
    }
    FDesktop.FClock = next->Due;
  }
}

bool TSimProcess::PeekMessageW(TMsg& msg, bool remove) {
  Log("PeekMessageW", remove);
  if (Injected("PeekMessageW")) return false;
  return TakeAvailable(msg, remove, true);
}

// Key messages are translated: character keys post their WM_CHAR.
bool TSimProcess::TranslateMessage(const TMsg& msg) {
  Log("TranslateMessage", msg.Wnd, msg.Message, static_cast<std::int64_t>(msg.WParam));
  if (Injected("TranslateMessage")) return false;
  const UINT m = msg.Message;
  if (m != win::WM_KEYDOWN && m != win::WM_KEYUP && m != win::WM_SYSKEYDOWN && m != win::WM_SYSKEYUP) return false;
  if (m == win::WM_KEYDOWN || m == win::WM_SYSKEYDOWN) {
    const WPARAM vk = msg.WParam;
    char16_t c = 0;
    if (vk >= 'A' && vk <= 'Z') {
      const bool shift = FDesktop.KeysDown[win::VK_SHIFT];
      c = static_cast<char16_t>(shift ? vk : vk + 32);
    } else if ((vk >= '0' && vk <= '9') || vk == 0x20 || vk == 0x08 || vk == 0x0D || vk == 0x1B) {
      c = static_cast<char16_t>(vk);
    }
    if (c) {
      Queue.push_back({msg.Wnd, m == win::WM_KEYDOWN ? win::WM_CHAR : win::WM_SYSCHAR, c, msg.LParam});
    }
  }
  return true;
}

LRESULT TSimProcess::DispatchMessageW(const TMsg& msg) {
  Log("DispatchMessageW", msg.Wnd, msg.Message, static_cast<std::int64_t>(msg.WParam), msg.LParam);
  if (Injected("DispatchMessageW")) return 0;
  if (msg.Wnd == 0) return 0;  // a thread message has no window procedure
  if (!Need(msg.Wnd)) return 0;
  return FDesktop.Send(msg.Wnd, msg.Message, msg.WParam, msg.LParam);
}

DWORD TSimProcess::MsgWaitForMultipleObjects(DWORD milliseconds, DWORD wakeMask) {
  Log("MsgWaitForMultipleObjects", milliseconds, wakeMask);
  if (Injected("MsgWaitForMultipleObjects")) return win::WAIT_FAILED;
  TMsg msg;
  if (TakeAvailable(msg, false, true)) return win::WAIT_OBJECT_0 + 1;
  const TTimer* next = EarliestTimer();
  if (!next && milliseconds == win::INFINITE) {
    Starved = true;
    return win::WAIT_FAILED;
  }
  const DWORD limit = FDesktop.FClock + milliseconds;
  if (next && (milliseconds == win::INFINITE || static_cast<std::int32_t>(next->Due - limit) <= 0)) {
    if (static_cast<std::int32_t>(next->Due - FDesktop.FClock) > 0) FDesktop.FClock = next->Due;
    return win::WAIT_OBJECT_0 + 1;
  }
  FDesktop.FClock = limit;
  return win::WAIT_TIMEOUT;
}

std::uintptr_t TSimProcess::SetTimer(HWND wnd, std::uintptr_t id, UINT milliseconds) {
  Log("SetTimer", wnd, static_cast<std::int64_t>(id), milliseconds);
  if (Injected("SetTimer")) return 0;
  if (wnd != 0) {
    const TSimWindow* w = Need(wnd);
    if (!w) return 0;
    if (w->ProcessId != Pid) return Fail(win::ERROR_ACCESS_DENIED);
  } else {
    id = FDesktop.FNextThreadTimer++;  // a thread timer's id is chosen by the system
  }
  // Windows raises intervals below its minimum to it.
  const UINT interval = std::clamp<UINT>(milliseconds, win::USER_TIMER_MINIMUM, 0x7FFFFFFFu);
  for (TTimer& t : Timers) {
    if (t.Wnd == wnd && t.Id == id) {
      t.Interval = interval;
      t.Due = FDesktop.FClock + interval;
      return id;
    }
  }
  Timers.push_back({wnd, id, interval, FDesktop.FClock + interval});
  return id;
}

bool TSimProcess::KillTimer(HWND wnd, std::uintptr_t id) {
  Log("KillTimer", wnd, static_cast<std::int64_t>(id));
  if (Injected("KillTimer")) return false;
  for (auto it = Timers.begin(); it != Timers.end(); ++it) {
    if (it->Wnd == wnd && it->Id == id) {
      Timers.erase(it);
      return true;
    }
  }
  if (wnd != 0 && !Need(wnd)) return false;
  return Fail(win::ERROR_INVALID_PARAMETER);
}

int TSimProcess::DispatchPending() {
  int n = 0;
  TMsg msg;
  while (TakeAvailable(msg, true, false)) {
    ++n;
    if (msg.Wnd) FDesktop.Send(msg.Wnd, msg.Message, msg.WParam, msg.LParam);
    if (msg.Message == win::WM_QUIT) {
      QuitPosted = true;
      ExitCode = static_cast<int>(msg.WParam);
    }
  }
  return n;
}

}  // namespace lensoro::sim

// TScopeGuard: an undo that runs when the scope is left, by a return or by an
// exception, unless Dismiss() came first. Never dismissed it puts state back
// whatever happens; dismissed at the end of the work it undoes only a failure.
#pragma once

#include <exception>
#include <utility>

namespace lensoro {

template <class TUndo>
class TScopeGuard {
 public:
  explicit TScopeGuard(TUndo undo) : FUndo(std::move(undo)) {}
  TScopeGuard(const TScopeGuard&) = delete;
  TScopeGuard& operator=(const TScopeGuard&) = delete;

  // An undo that fails on a plain exit reports its failure; while another
  // exception is on its way out, that one is the failure to report.
  ~TScopeGuard() noexcept(false) {
    if (!FActive) return;
    if (std::uncaught_exceptions() == FExceptionsAtStart) {
      FUndo();
      return;
    }
    try {
      FUndo();
    } catch (...) {
    }
  }

  void Dismiss() { FActive = false; }

 private:
  TUndo FUndo;
  bool FActive = true;
  int FExceptionsAtStart = std::uncaught_exceptions();
};

}  // namespace lensoro

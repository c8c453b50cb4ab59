// TScopeGuard: the undo runs when the scope is left unless dismissed, and
// the failure that left it still reaches the caller.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "ScopeGuard.h"

using namespace lensoro;

TEST(ScopeGuard, UndoesOnLeavingUnlessDismissedAndRethrows) {
  const struct {
    bool Fails, Dismissed;
    int Undos;
  } cases[] = {{false, false, 1}, {true, false, 1}, {false, true, 0}, {true, true, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "fails " << c.Fails << ", dismissed " << c.Dismissed);
    int undos = 0;
    std::string reached;
    try {
      TScopeGuard guard([&] { ++undos; });
      if (c.Dismissed) guard.Dismiss();
      if (c.Fails) throw std::runtime_error("the work failed");
    } catch (const std::runtime_error& e) {
      reached = e.what();
    }
    EXPECT_EQ(undos, c.Undos);
    EXPECT_EQ(reached, c.Fails ? "the work failed" : "");
  }
}

TEST(ScopeGuard, AFailingUndoIsReportedUnlessAnotherFailureIsOnItsWay) {
  const auto run = [](bool workFails) {
    try {
      TScopeGuard guard([] { throw std::logic_error("the undo failed"); });
      if (workFails) throw std::runtime_error("the work failed");
    } catch (const std::exception& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_EQ(run(false), "the undo failed");
  EXPECT_EQ(run(true), "the work failed");
}

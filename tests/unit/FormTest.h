// A fixture for tests of one control on a form of its own: a simulated
// desktop, one process of the program and its initialised application.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "Application.h"
#include "Controls.h"
#include "SimDesktop.h"

namespace lensoro::test {

class TFormTest : public ::testing::Test {
 protected:
  sim::TSimDesktop Desk;
  sim::TSimProcess& Proc = Desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  TApplication App{Proc};
  void SetUp() override { App.Initialize(); }
  void Pump() { App.ProcessMessages(); }
  // The text the control's window shows.
  std::u16string Shown(const TControl& c) { return Desk.Window(c.Handle())->Title; }
};

}  // namespace lensoro::test

// Fixtures for tests of the loupe: copies of the program on one simulated
// desktop, each in a process of its own, started as the message loop
// starts one.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "LoupeParts.h"
#include "Main.h"
#include "SimDesktop.h"
#include "TestFiles.h"

namespace lensoro::test {

// Whether the one-cell tray strip lies beside the program, or no image at
// all (the tray then shows the fixed icon).
enum class TImages { Strip, None };

// One copy of the program: its process (with the program's image beside
// it) from the start, its loupe once created.
struct TLoupeCopy {
  TLoupeCopy(sim::TSimDesktop& desk, const std::u16string& exe, bool is64Bit = false, TImages images = TImages::Strip)
      : Proc(images == TImages::Strip ? AddLensoro(desk, exe, is64Bit) : desk.AddProcess(exe, is64Bit)),
        App(Proc),
        Exe(exe) {}
  // Writes the settings file beside the program when given, then creates
  // the loupe.
  void Create(const std::u16string& ini = {}) {
    if (!ini.empty()) Proc.Desktop().AddFile(Exe.substr(0, Exe.size() - 4) + u".ini", Utf16File(ini));
    App.Initialize();
    Form = std::make_unique<TMainForm>(App);
  }
  // Creates the loupe and shows it unless it starts hidden.
  void Start(const std::u16string& ini = {}) {
    Create(ini);
    App.ShowMainForm();
  }
  HWND Handle() const { return Form->Handle(); }
  sim::TSimWindow& Loupe() const { return *Proc.Desktop().Window(Form->Handle()); }
  sim::TSimWindow& Mag() const { return *Proc.Desktop().Window(Form->Magnifier().Handle()); }
  // The copies its list holds, in order, and its magnifier's filter.
  std::vector<HWND> Listed() const {
    std::vector<HWND> out;
    for (const auto& item : Form->Instances().LnsList().Items) out.push_back(item.WindowHandle());
    return out;
  }
  std::vector<HWND> Filter() const { return Mag().FilterList; }
  // Closes the loupe as Alt+F4 does, and frees it.
  void Quit() {
    Proc.SendMessageW(Form->Handle(), win::WM_CLOSE, 0, 0);
    Form.reset();
  }

  sim::TSimProcess& Proc;
  TApplication App;
  std::unique_ptr<TMainForm> Form;
  std::u16string Exe;
};

// One copy, made with the fixture and created by the test (once it has
// set the desk up, if it needs to).
class TLoupeTest : public ::testing::Test {
 protected:
  explicit TLoupeTest(const std::u16string& exe = u"C:\\Tools\\Lensoro\\lensoro.exe", TImages images = TImages::Strip)
      : Copy(Desk, exe, false, images) {}
  sim::TSimDesktop Desk;
  TLoupeCopy Copy;
  sim::TSimProcess& Proc = Copy.Proc;
  TApplication& App = Copy.App;
  std::unique_ptr<TMainForm>& Form = Copy.Form;
  sim::TSimWindow& Loupe() { return Copy.Loupe(); }
  sim::TSimWindow& Mag() { return Copy.Mag(); }
};

// Several copies, each started by the test.
class TLoupeCopiesTest : public ::testing::Test {
 protected:
  sim::TSimDesktop Desk;
  std::vector<std::unique_ptr<TLoupeCopy>> Copies;
  TLoupeCopy& AddCopy(const std::u16string& exe, bool is64Bit = false) {
    return *Copies.emplace_back(std::make_unique<TLoupeCopy>(Desk, exe, is64Bit));
  }
  TLoupeCopy& StartCopy(const std::u16string& exe, const std::u16string& ini = {}, bool is64Bit = false) {
    TLoupeCopy& copy = AddCopy(exe, is64Bit);
    copy.Start(ini);
    return copy;
  }
};

}  // namespace lensoro::test

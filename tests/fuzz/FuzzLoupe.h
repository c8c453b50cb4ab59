// One loupe on the simulated desktop for the fuzz targets that apply a file
// to it, made once: building a main form for every input would measure the
// form, not the reader.
#pragma once

#include <memory>

#include "Application.h"
#include "Main.h"
#include "SimDesktop.h"

namespace lensoro::fuzz {

inline void Check(bool property) {
  if (!property) __builtin_trap();
}

struct TLoupeWorld {
  sim::TSimDesktop Desk;
  sim::TSimProcess& Proc = Desk.AddProcess(u"C:\\Tools\\Lensoro\\lensoro.exe");
  TApplication App{Proc};
  std::unique_ptr<TMainForm> Form;
  TLoupeWorld() {
    Desk.AddFolder(u"C:\\Tools\\Lensoro\\Lang");
    App.Initialize();
    Form = std::make_unique<TMainForm>(App);
  }
};

}  // namespace lensoro::fuzz

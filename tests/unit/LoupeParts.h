// The loupe's own parts, which it keeps to itself, for the tests that set
// its state up or look at it directly: Parts(form).Settings.LoupeRate.
#pragma once

#include <memory>

#include "Main.h"

namespace lensoro::test {

struct TLoupeParts {
  explicit TLoupeParts(TMainForm& form)
      : Settings(form.FSettings),
        IsTopmost(form.FIsTopmost),
        Visible(form.FVisible),
        SaveNotice(form.FSaveNotice),
        Timer1(form.Timer1),
        Tray(form.Tray),
        HotKey(form.HotKey),
        Commands(form.Commands) {}
  TLoupeSettings& Settings;
  bool& IsTopmost;
  bool& Visible;
  TSaveFailureNotice& SaveNotice;
  TTimer& Timer1;
  TLoupeTray& Tray;
  TLoupeHotKey& HotKey;
  TLoupeCommands& Commands;
};

}  // namespace lensoro::test

namespace lensoro {

// Found by argument, from tests in any namespace.
inline test::TLoupeParts Parts(TMainForm& form) { return test::TLoupeParts(form); }
inline test::TLoupeParts Parts(TMainForm* form) { return test::TLoupeParts(*form); }
inline test::TLoupeParts Parts(const std::unique_ptr<TMainForm>& form) { return test::TLoupeParts(*form); }

}  // namespace lensoro

// A settings file as the loupe takes it, on any bytes: read into a loupe on
// the simulated desktop, applied, the options dialog opened and closed (two
// saves), then saved at exit. Whatever the file says, no int overflows (the
// build's UBSan traps), the loupe lies where it can be taken hold of on the
// screen, every value is within its range, and what was saved reads back
// as what the loupe holds.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Application.h"
#include "FuzzLoupe.h"
#include "Ini.h"
#include "Lang.h"
#include "LoupeParts.h"
#include "Main.h"
#include "Option.h"
#include "Settings.h"
#include "SimDesktop.h"

using namespace lensoro;

namespace {

using fuzz::Check;

const std::u16string kIni = u"C:\\Tools\\Lensoro\\lensoro.ini";

// Enough of the loupe on the screen to take hold of it, and no larger than
// the screen.
void CheckOnScreen(const TRect& r, const TRect& screen) {
  Check(r.Width() > 0 && r.Height() > 0);
  Check(r.Width() <= screen.Width() && r.Height() <= screen.Height());
  Check(r.Left < screen.Right && r.Right > screen.Left && r.Top < screen.Bottom && r.Bottom > screen.Top);
}

void CheckInRange(const TLoupeSettings& s) {
  Check(s.FrameWidth >= 0 && s.FrameWidth <= FrameWidthMax);
  Check(s.LoupeRate >= static_cast<float>(LoupeRateMin) && s.LoupeRate <= static_cast<float>(LoupeRateMax));
  Check(s.LoupeMode < LoupeModeCount && s.LoupeColorMode < LoupeColorModeCount &&
        s.LoupeSrcOrigin < LoupeSrcOriginCount);
  Check(s.TrayIconIndex >= 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::TLoupeWorld* world = new fuzz::TLoupeWorld;
  TMainForm& form = *world->Form;
  world->Desk.ClearCalls();
  world->Desk.Dialogs.clear();
  test::TLoupeParts parts(form);
  parts.SaveNotice = TSaveFailureNotice();
  world->Desk.AddFile(kIni, std::string(data, data + size));
  TLangState& lang = world->App.Lang;
  lang.FellBack = false;
  lang.RefusedLangFileName.clear();

  // The language file it names is a local path, or one in the program's folder.
  EnsureLangDir(world->App);
  Check(lang.LangFile.size() >= 3 && lang.LangFile[1] == u':' && lang.LangFile[2] == u'\\');
  LoadSettings(form);
  form.KeepOnMonitors();
  form.ApplyLoupeSettings();
  const TRect screen = world->Desk.VirtualScreen;
  CheckOnScreen(form.BoundsRect(), screen);
  CheckInRange(form.Settings());

  parts.Commands.ActPopShowOption.Execute();
  TOptionForm* options = parts.Commands.OptionForm();
  Check(options != nullptr);
  CheckOnScreen(world->Desk.Window(options->Handle())->Rect, screen);
  world->Desk.Click(options->CloseButton.Handle());
  world->App.ProcessMessages();
  Check(parts.Commands.OptionForm() == nullptr);

  // A file the loupe could not take as text is kept aside by the first save;
  // what is saved then is the loupe's own.
  const TIniFileResult saved = SaveSettings(form);
  Check(saved.Ok);
  std::vector<std::uint8_t> bytes;
  Check(world->Proc.ReadFileBytes(kIni, bytes, MaxSettingsFileBytes));
  const TIniFile ini(bytes);
  Check(ini.Readable());
  TLoupeSettings read;
  read.HotKey = form.Settings().HotKey;
  ReadLoupeSettings(ini, read, world->Proc.GetLocaleDecimalSeparator(), world->Proc);
  Check(read.FrameWidth == form.Settings().FrameWidth && read.LoupeRate == form.Settings().LoupeRate &&
        read.LoupeMode == form.Settings().LoupeMode && read.LoupeColorMode == form.Settings().LoupeColorMode &&
        read.LoupeSrcOrigin == form.Settings().LoupeSrcOrigin && read.IsSilentMode == form.Settings().IsSilentMode);
  const TRect bounds = form.BoundsRect();
  Check(ini.ReadInteger(u"MainForm", u"Left", 0) == bounds.Left &&
        ini.ReadInteger(u"MainForm", u"Width", 0) == bounds.Width());
  // Kept-aside copies of unreadable files are not the user's to keep here.
  for (const std::u16string& path : world->Desk.FilePaths()) {
    if (path.find(u".bak") != std::u16string::npos) world->Proc.DeleteFileW(path);
  }
  return 0;
}

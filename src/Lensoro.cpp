#include "Lensoro.h"

#include <exception>

#include "Application.h"
#include "Format.h"
#include "LnsLib.h"
#include "Main.h"

namespace lensoro {

bool PassesStartChecks(TApplication& app, TFolderMutex& mutex) {
  if (!CheckWindowsVersion(app.Platform, 6, 1)) {
    ShowMsgDialog(app, u"Lensoro needs Windows 7 or later.", TMsgDlgType::Warning, mbOK);
    return false;
  }
  if (app.ExeName.empty()) {
    ShowMsgDialog(app, NoExePathText, TMsgDlgType::Error, mbOK);
    return false;
  }
  mutex.Acquire(app);
  return !IsAlreadyRunning(app, mutex.HeldElsewhere());
}

int LensoroMain(TPlatform& platform) {
  TApplication app(platform);
  TFolderMutex mutex;
  if (!PassesStartChecks(app, mutex)) return 0;

  app.Initialize();
  app.MainFormOnTaskBar = true;
  app.SetTitle(u"Lensoro");
  try {
    TMainForm form(app);
    app.Run();
  } catch (const std::exception& e) {
    // Only the window's own creation throws this far.
    ShowMsgDialog(app, Utf8ToUtf16(e.what()), TMsgDlgType::Error, mbOK);
  }
  return 0;
}

}  // namespace lensoro

// The loupe's tray icon: the image set it shows and what its clicks do.
#include "Format.h"
#include "LnsImage.h"
#include "LnsLib.h"
#include "Main.h"

namespace lensoro {

namespace {

bool IsFile(TPlatform& platform, const std::u16string& path) {
  const DWORD attributes = platform.GetFileAttributesW(path);
  return attributes != win::INVALID_FILE_ATTRIBUTES && !(attributes & win::FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

TPngImage IconToPng(TPlatform& platform, HICON icon, int osVersion) {
  TIconBits bits;
  if (icon == 0 || !platform.GetIconInfo(icon, bits)) return {};
  // Alpha bytes of the colour bitmap mean something only on a 32-bit screen
  // of an NT system after 5.0.
  const bool alphaBytes = platform.GetScreenBitsPerPixel() == 32 && osVersion >= 5010000;
  return IconBitsToPng(bits.Width, bits.Height, bits.ColorBgra, bits.Mask, alphaBytes);
}

void TMainForm::CreateTrayIcon1() {
  TrayIcon1 = std::make_unique<TRsTrayIcon>(FApp);
  // The fixed icon: the program's own, 16 x 16, loaded for the tray alone.
  TrayIcon1->TakeIcon(FPlatform.LoadImageW(1, 16, 16));
  TrayIcon1->SetIcons(&PngImageList1);
  TrayIcon1->SetPopupMenu(&Commands.PopupMenu1);
  TrayIcon1->OnClick = [this] { TrayIcon1Click(); };
  TrayIcon1->OnMouseDown = [this](TMouseButton button, TShiftState shift, int x, int y) {
    TrayIcon1MouseDown(button, shift, x, y);
  };
}

bool TMainForm::LoadTrayStrip(const std::u16string& path) {
  std::vector<std::uint8_t> bytes;
  TPngResult result;
  if (!FPlatform.ReadFileBytes(path, bytes)) {
    const std::u16string reason = SysErrorMessage(FPlatform, FPlatform.GetLastError());
    ShowMsgDialog(FApp, FormatText(FApp.Lang.Text(u"MsgErrorCannotOpenItem") + u" (%s)", {path, reason}),
                  TMsgDlgType::Error, mbOK, FHandle);
    return false;
  }
  result = LoadPngStrip(bytes, 16, 16, PngImageList1, FRate);
  if (!result.Ok()) {
    ShowMsgDialog(FApp,
                  FormatText(FApp.Lang.Text(u"MsgErrorCannotOpenItem") + u" (%s)", {path, Utf8ToUtf16(result.Error)}),
                  TMsgDlgType::Error, mbOK, FHandle);
    return false;
  }
  return true;
}

void TMainForm::LoadTrayIcons() {
  const std::u16string folder = ExtractFilePath(FApp.ExeName) + u"Image\\";
  const std::u16string own = folder + u"Lns16.png";
  TFadeRegion region = TFadeRegion::OwnImage;
  bool loaded = false;
  if (IsFile(FPlatform, own)) {
    loaded = LoadTrayStrip(own);
  } else {
    // The listing holds folders too; the first file is the strip.
    std::u16string strip;
    for (const std::u16string& name : FPlatform.FindFiles(folder + u"*.png")) {
      if (IsFile(FPlatform, folder + name)) {
        strip = folder + name;
        break;
      }
    }
    if (!strip.empty()) {
      region = TFadeRegion::OtherStrip;
      loaded = LoadTrayStrip(strip);
      // Another strip's images are not the ones the number chose.
      if (loaded && !PngImageList1.empty()) Settings.TrayIconIndex = 0;
    } else {
      ShowMsgDialog(FApp, ItemNotFoundText(FApp.Lang, own), TMsgDlgType::Error, mbOK, FHandle);
    }
  }
  // No usable strip (none, unreadable, or smaller than one cell): the fixed
  // icon alone, so that the tray still shows something to click. The
  // user's choice stays and is saved, for the day the strip is back.
  if (!loaded || PngImageList1.empty()) {
    PngImageList1.clear();
    PngImageList1.push_back(IconToPng(FPlatform, TrayIcon1->Icon().Handle(), FOsVersion));
    region = TFadeRegion::OwnImage;
  } else if (Settings.TrayIconIndex >= static_cast<int>(PngImageList1.size())) {
    // A strip shorter than the choice: its first image, chosen for good.
    Settings.TrayIconIndex = 0;
  }
  OrgIconCount = static_cast<int>(PngImageList1.size());
  AppendFadedImages(PngImageList1, region);
}

int TMainForm::ShownTrayIconIndex() const {
  return Settings.TrayIconIndex >= 0 && Settings.TrayIconIndex < OrgIconCount ? Settings.TrayIconIndex : 0;
}

void TMainForm::SetTrayIconIndex(int index) {
  if (TrayIcon1) TrayIcon1->SetIconIndex(index);
}

void TMainForm::TrayIcon1Click() { Commands.ActPopMinimizeAndRestore.Execute(); }

void TMainForm::TrayIcon1MouseDown(TMouseButton button, TShiftState shift, int, int) {
  if (button == TMouseButton::mbMiddle && !(shift & (ssShift | ssAlt | ssCtrl | ssDouble))) {
    Commands.ActPopMinimizeAndRestore.Execute();
  }
}

}  // namespace lensoro

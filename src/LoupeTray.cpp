// The loupe's tray icon: the image set it shows and what its clicks do.
#include "LoupeTray.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "FilePath.h"
#include "Format.h"
#include "LnsImage.h"
#include "LnsLib.h"

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

TLoupeTray::TLoupeTray(TApplication& app, TLoupeSettings& settings, std::function<void()> toggle)
    : FApp(app), FPlatform(app.Platform), FSettings(settings), FToggle(std::move(toggle)) {}

void TLoupeTray::Start(HWND owner, TPopupMenu* popupMenu, double screenRate) {
  FOwner = owner;
  FRate = screenRate;
  CreateTrayIcon1(popupMenu);
  LoadTrayIcons();
  TrayIcon1->SetVisible(true);
  // The hint and the image reach the shell as one change.
  TrayIcon1->BeginUpdate();
  TrayIcon1->SetHint(FApp.Title);
  // Through -1, so that the image is fetched even when the index is the one
  // stored already.
  TrayIcon1->SetIconIndex(-1);
  SetTrayIconIndex(ShownTrayIconIndex());
  TrayIcon1->EndUpdate();
}

void TLoupeTray::CreateTrayIcon1(TPopupMenu* popupMenu) {
  TrayIcon1 = std::make_unique<TRsTrayIcon>(FApp);
  // The fixed icon: the program's own, 16 x 16, loaded for the tray alone.
  TrayIcon1->TakeIcon(FPlatform.LoadImageW(1, 16, 16));
  TrayIcon1->SetIcons(&PngImageList1);
  TrayIcon1->SetPopupMenu(popupMenu);
  TrayIcon1->OnClick = [this] { TrayIcon1Click(); };
  TrayIcon1->OnMouseDown = [this](TMouseButton button, TShiftState shift, int x, int y) {
    TrayIcon1MouseDown(button, shift, x, y);
  };
}

bool TLoupeTray::LoadTrayStrip(const std::u16string& path) {
  std::vector<std::uint8_t> bytes;
  TPngResult result;
  if (!FPlatform.ReadFileBytes(path, bytes, MaxReadFileBytes)) {
    const std::u16string reason = SysErrorMessage(FPlatform, FPlatform.GetLastError());
    ShowMsgDialog(FApp, FormatText(FApp.Lang.Text(u"MsgErrorCannotOpenItem") + u" (%s)", {path, reason}),
                  TMsgDlgType::Error, mbOK, FOwner);
    return false;
  }
  result = LoadPngStrip(bytes, 16, 16, PngImageList1, FRate);
  if (!result.Ok()) {
    ShowMsgDialog(FApp,
                  FormatText(FApp.Lang.Text(u"MsgErrorCannotOpenItem") + u" (%s)", {path, Utf8ToUtf16(result.Error)}),
                  TMsgDlgType::Error, mbOK, FOwner);
    return false;
  }
  return true;
}

void TLoupeTray::LoadTrayIcons() {
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
      if (loaded && !PngImageList1.empty()) FSettings.TrayIconIndex = 0;
    } else {
      ShowMsgDialog(FApp, ItemNotFoundText(FApp.Lang, own), TMsgDlgType::Error, mbOK, FOwner);
    }
  }
  // No usable strip (none, unreadable, or smaller than one cell): the fixed
  // icon alone, so that the tray still shows something to click. The
  // user's choice stays and is saved, for the day the strip is back.
  if (!loaded || PngImageList1.empty()) {
    PngImageList1.clear();
    PngImageList1.push_back(IconToPng(FPlatform, TrayIcon1->Icon().Handle(), FApp.OsVersion));
    region = TFadeRegion::OwnImage;
  } else if (FSettings.TrayIconIndex >= static_cast<int>(PngImageList1.size())) {
    // A strip shorter than the choice: its first image, chosen for good.
    FSettings.TrayIconIndex = 0;
  }
  OrgIconCount = static_cast<int>(PngImageList1.size());
  AppendFadedImages(PngImageList1, region);
}

int TLoupeTray::ShownTrayIconIndex() const {
  return FSettings.TrayIconIndex >= 0 && FSettings.TrayIconIndex < OrgIconCount ? FSettings.TrayIconIndex : 0;
}

void TLoupeTray::SetTrayIconIndex(int index) {
  if (TrayIcon1) TrayIcon1->SetIconIndex(index);
}

void TLoupeTray::ShowLoupeState(bool loupeShown) {
  SetTrayIconIndex(loupeShown ? ShownTrayIconIndex() : ShownTrayIconIndex() + OrgIconCount);
}

void TLoupeTray::ChooseTrayIcon(int index, bool loupeShown) {
  FSettings.TrayIconIndex = index;
  ShowLoupeState(loupeShown);
}

void TLoupeTray::TrayIcon1Click() { FToggle(); }

void TLoupeTray::TrayIcon1MouseDown(TMouseButton button, TShiftState shift, int, int) {
  if (button == TMouseButton::mbMiddle && !(shift & (ssShift | ssAlt | ssCtrl | ssDouble))) {
    FToggle();
  }
}

}  // namespace lensoro

// TLoupeTray: the loupe's icon in the notification area, the images it
// shows (a strip's cells and their faded variants) and what its clicks do.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "LnsPng.h"
#include "LoupeSettings.h"
#include "Platform.h"
#include "RsTrayIcon.h"

namespace lensoro {

class TApplication;
class TPopupMenu;

// The fixed icon as an image with alpha, for a set without any strip.
TPngImage IconToPng(TPlatform& platform, HICON icon, int osVersion);

class TLoupeTray {
 public:
  // toggle hides the loupe to the tray or brings it back.
  TLoupeTray(TApplication& app, TLoupeSettings& settings, std::function<void()> toggle);
  TLoupeTray(const TLoupeTray&) = delete;
  TLoupeTray& operator=(const TLoupeTray&) = delete;

  std::unique_ptr<TRsTrayIcon> TrayIcon1;  // made by Start
  TPngImageList PngImageList1;             // base images, then their faded variants
  int OrgIconCount = 0;

  // Makes the icon, loads its images at the screen's rate (a fallback may
  // reset the settings' choice to 0) and shows it with its hint and image.
  // Error boxes are owned by owner.
  void Start(HWND owner, TPopupMenu* popupMenu, double screenRate);
  // The screen's rate the images were made at: DPI / 96.
  double Rate() const { return FRate; }

  // The tip shows the application's title: at the start and after a
  // language switch, so that it speaks the language of the menu.
  void ShowTitle();
  void SetTrayIconIndex(int index);
  // The base image the tray shows: the chosen one, or the first when the
  // choice lies beyond the images loaded.
  int ShownTrayIconIndex() const;
  // The shown image for the loupe's state: faded while the loupe is hidden.
  void ShowLoupeState(bool loupeShown);
  // The user's choice of image, kept in the settings and shown at once.
  void ChooseTrayIcon(int index, bool loupeShown);
  void TrayIcon1Click();
  void TrayIcon1MouseDown(TMouseButton button, TShiftState shift, int x, int y);

 private:
  void CreateTrayIcon1(TPopupMenu* popupMenu);
  void LoadTrayIcons();
  // Appends a strip's cells; false, with the user told why, when it cannot be read.
  bool LoadTrayStrip(const std::u16string& path);

  TApplication& FApp;
  TPlatform& FPlatform;
  TLoupeSettings& FSettings;
  std::function<void()> FToggle;
  HWND FOwner = 0;
  double FRate = 1.0;
};

}  // namespace lensoro

// TLoupeCommands (MainCommands.h): the popup menu, its commands, their
// captions and the dialogs they open.
#include "MainCommands.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "About.h"
#include "Application.h"
#include "Format.h"
#include "Lang.h"
#include "LnsLib.h"
#include "LnsList.h"
#include "LoupeHotKey.h"
#include "LoupeModel.h"
#include "LoupeTray.h"
#include "MessageParams.h"
#include "Option.h"

namespace lensoro {

namespace {
// The colour modes' commands, in the menu's order: one line for each mode.
struct TColorModeCommand {
  TAction TLoupeCommands::*Action;
  TLoupeColorMode Mode;
  const char16_t* ItemName;
  const char16_t* CaptionKey;
};
constexpr TColorModeCommand ColorModeCommands[] = {
    {&TLoupeCommands::ActPopSetLoupeColorModelcmOriginal, lcmOriginal, u"SetLoupeColorModelcmOriginal1",
     u"ActPopSetLoupeColorModelcmOriginal.Caption"},
    {&TLoupeCommands::ActPopSetLoupeColorModelcmInvert, lcmInvert, u"SetLoupeColorModelcmInvert1",
     u"ActPopSetLoupeColorModelcmInvert.Caption"},
    {&TLoupeCommands::ActPopSetLoupeColorModelcmGrayscale, lcmGray, u"SetLoupeColorModelcmGrayscale1",
     u"ActPopSetLoupeColorModelcmGrayscale.Caption"},
};
static_assert(std::size(ColorModeCommands) == LoupeColorModeCount, "a colour mode without its command");
}  // namespace

TLoupeCommands::TLoupeCommands(TApplication& app, ILoupeCommandsHost& loupe, ILoupeModel& model,
                               IOptionFormHost& optionHost, TLoupeTray& tray, TLoupeHotKey& hotKey)
    : PopupMenu1(app), FApp(app), FLoupe(loupe), FModel(model), FOptionHost(optionHost), FTray(tray), FHotKey(hotKey) {}

TLoupeCommands::~TLoupeCommands() = default;

void TLoupeCommands::ApplyMainFormLang() {
  struct {
    TAction TLoupeCommands::*Action;
    const char16_t* Key;
  } const actions[] = {
      {&TLoupeCommands::ActPopSetLoupeModelmPointer, u"ActPopSetLoupeModelmPointer.Caption"},
      {&TLoupeCommands::ActPopSetLoupeModelmWindow, u"ActPopSetLoupeModelmWindow.Caption"},
      {&TLoupeCommands::ActPopZoomIn, u"ActPopZoomIn.Caption"},
      {&TLoupeCommands::ActPopZoomOut, u"ActPopZoomOut.Caption"},
      {&TLoupeCommands::ActPopShowOption, u"ActPopShowOption.Caption"},
      {&TLoupeCommands::ActPopShowLanguage, u"ActPopShowLanguage.Caption"},
      {&TLoupeCommands::ActPopReset, u"ActPopReset.Caption"},
      {&TLoupeCommands::ActPopShowHelp, u"ActPopShowHelp.Caption"},
      {&TLoupeCommands::ActPopShowVersionInfo, u"ActPopShowVersionInfo.Caption"},
      {&TLoupeCommands::ActPopQuit, u"ActPopQuit.Caption"},
  };
  for (const TLangCaption& c : lensoro::ApplyMainFormLang(FApp)) {
    for (const auto& a : actions) {
      if (c.Key == a.Key) (this->*a.Action).Caption = c.Text;
    }
    for (const auto& m : ColorModeCommands) {
      if (c.Key == m.CaptionKey) (this->*m.Action).Caption = c.Text;
    }
  }
}

bool TLoupeCommands::LanguageListClick(int tag) {
  if (!ChooseLangFile(FApp, tag, FLoupe.Handle())) return false;
  ApplyMainFormLang();
  return true;
}

namespace {

TMenuItem Item(const char16_t* name, TAction& action) {
  TMenuItem item;
  item.Name = name;
  item.Action = &action;
  return item;
}

TMenuItem Separator(const char16_t* name) {
  TMenuItem item;
  item.Name = name;
  item.Caption = u"-";
  return item;
}

}  // namespace

void TLoupeCommands::BindActions() {
  ActPopSetLoupeModelmPointer.OnExecute = [this] { FModel.SetLoupeMode(lmPointer); };
  ActPopSetLoupeModelmWindow.OnExecute = [this] { FModel.SetLoupeMode(lmWindow); };
  ActPopZoomIn.OnExecute = [this] { ActPopZoomInExecute(); };
  ActPopZoomOut.OnExecute = [this] { ActPopZoomOutExecute(); };
  // At a limit there is no step to take: greyed in the menu, and the wheel
  // tries none.
  ActPopZoomIn.OnUpdate = [this](TAction& a) {
    const float rate = FModel.Settings().LoupeRate;
    a.Enabled = ZoomInRate(rate) > rate;
  };
  ActPopZoomOut.OnUpdate = [this](TAction& a) {
    const float rate = FModel.Settings().LoupeRate;
    a.Enabled = ZoomOutRate(rate) < rate;
  };
  ActPopReset.OnExecute = [this] { ActPopResetExecute(); };
  ActPopQuit.OnExecute = [this] { FLoupe.ActPopQuitExecute(); };
  BuildPopupMenu1();
}

void TLoupeCommands::BuildPopupMenu1() {
  ActPopMinimizeAndRestore.OnExecute = [this] { ActPopMinimizeAndRestoreExecute(); };
  ActPopShowOption.OnExecute = [this] { ActPopShowOptionExecute(); };
  ActPopShowLanguage.OnExecute = [this] { ActPopShowLanguageExecute(); };
  ActPopShowHelp.OnExecute = [this] { ActPopShowHelpExecute(); };
  ActPopShowVersionInfo.OnExecute = [this] { ActPopShowVersionInfoExecute(); };
  std::vector<TMenuItem> colorModes;
  for (const TColorModeCommand& m : ColorModeCommands) {
    (this->*m.Action).OnExecute = [this, mode = m.Mode] { FModel.SetLoupeColorMode(mode); };
    colorModes.push_back(Item(m.ItemName, this->*m.Action));
  }

  PopupMenu1.Items = {
      Item(u"MinimizeAndRestore1", ActPopMinimizeAndRestore),
      Separator(u"Sep1"),
      Item(u"SetLoupeModelmPointer1", ActPopSetLoupeModelmPointer),
      Item(u"SetLoupeModelmWindow1", ActPopSetLoupeModelmWindow),
      Separator(u"Sep2"),
      Item(u"ZoomIn1", ActPopZoomIn),
      Item(u"ZoomOut1", ActPopZoomOut),
      Separator(u"Sep3"),
      Separator(u"Sep4"),
      Item(u"ShowOption1", ActPopShowOption),
      Item(u"ShowLanguage1", ActPopShowLanguage),
      Separator(u"Sep5"),
      Item(u"Reset1", ActPopReset),
      Separator(u"Sep6"),
      Item(u"ShowHelp1", ActPopShowHelp),
      Item(u"ShowVersionInfo1", ActPopShowVersionInfo),
      Separator(u"Sep7"),
      Item(u"Quit1", ActPopQuit),
  };
  const auto colorsAt = std::find_if(PopupMenu1.Items.begin(), PopupMenu1.Items.end(),
                                     [](const TMenuItem& item) { return item.Name == u"Sep4"; });
  PopupMenu1.Items.insert(colorsAt, colorModes.begin(), colorModes.end());
  PopupMenu1.OnPopup = [this] { PopupMenu1Popup(); };
}

void TLoupeCommands::PopupMenu1Popup() {
  const TLoupeSettings& settings = FModel.Settings();
  // A key another program holds does nothing here: not shown, not promised.
  PopupMenu1.Find(u"MinimizeAndRestore1")->ShowShortCut = FHotKey.Registered();
  PopupMenu1.Find(u"SetLoupeModelmPointer1")->Checked = settings.LoupeMode == lmPointer;
  PopupMenu1.Find(u"SetLoupeModelmWindow1")->Checked = settings.LoupeMode == lmWindow;
  // The rates the two commands would set, as they compute them.
  PopupMenu1.Find(u"ZoomIn1")->Caption =
      FormatText(u"%s (-> %.1fx)", {ActPopZoomIn.Caption, static_cast<double>(ZoomInRate(settings.LoupeRate))});
  PopupMenu1.Find(u"ZoomOut1")->Caption =
      FormatText(u"%s (-> %.1fx)", {ActPopZoomOut.Caption, static_cast<double>(ZoomOutRate(settings.LoupeRate))});
  for (const TColorModeCommand& m : ColorModeCommands) {
    PopupMenu1.Find(m.ItemName)->Checked = settings.LoupeColorMode == m.Mode;
  }

  TMenuItem* languages = PopupMenu1.Find(u"ShowLanguage1");
  languages->Items.clear();
  for (const TLangMenuItem& lang : BuildLangMenu(FApp)) {
    TMenuItem item;
    item.Name = u"LanguageList";
    item.Caption = lang.Caption;
    item.Tag = lang.Tag;
    item.Checked = lang.Checked;
    item.OnClick = [this](TMenuItem& chosen) {
      // Open dialogs follow the switch at once.
      if (!LanguageListClick(chosen.Tag)) return;
      UpdateMinimizeAndRestoreCaption();
      FTray.ShowTitle();
      if (FOptionForm) FOptionForm->ApplyLang();
      if (FAboutForm) FAboutForm->ApplyLang();
    };
    languages->Items.push_back(std::move(item));
  }
}

void TLoupeCommands::WMContextMenu(TPoint at) {
  // From the keyboard (Shift+F10, the menu key): at the loupe's corner.
  if (at.X == -1 && at.Y == -1) {
    const TRect bounds = FLoupe.BoundsRect();
    at = {bounds.Left, bounds.Top};
  }
  PopupMenu1.Popup(at.X, at.Y);
}

// --- The loupe's rate and its restart -------------------------------------------

void TLoupeCommands::ActPopZoomInExecute() { FModel.SetLoupeRate(ZoomInRate(FModel.Settings().LoupeRate)); }

void TLoupeCommands::ActPopZoomOutExecute() { FModel.SetLoupeRate(ZoomOutRate(FModel.Settings().LoupeRate)); }

void TLoupeCommands::ActPopResetExecute() { FLoupe.RestartMagnifier(0); }

// --- Hiding to the tray and back ---------------------------------------------

void TLoupeCommands::ActPopMinimizeAndRestoreExecute() {
  TPlatform& platform = FApp.Platform;
  const HWND handle = FLoupe.Handle();
  if (!platform.IsWindowVisible(handle)) {
    FLoupe.RestoreFromTray();
    return;
  }
  const TZOrderList& zOrder = FLoupe.RefreshZOrder();
  const int self = zOrder.IndexOfWindowHandle(handle);
  if (self < 0) return;
  // A loupe partly covered comes to the front first; the next toggle hides it.
  const TRect own = zOrder[self].WindowRect;
  for (int i = 0; i < self; ++i) {
    if (RectsOverlap(zOrder[i].WindowRect, own)) {
      FLoupe.SetTopmost(true);
      platform.SetForegroundWindow(handle);
      return;
    }
  }
  FLoupe.MinimizeToTray();
}

void TLoupeCommands::UpdateMinimizeAndRestoreCaption() {
  ActPopMinimizeAndRestore.Caption =
      FApp.Lang.Text(FLoupe.IsMinimized() ? u"RestoreFromTrayCaption" : u"MinimizeToTrayCaption");
}

// --- Dialogs, help ----------------------------------------------------------------

// While the dialog is open the command does nothing.
void TLoupeCommands::ActPopShowOptionExecute() {
  if (FOptionForm) return;
  FOptionFormHolder = std::make_unique<TOptionForm>(FApp, FOptionHost, FModel, FTray, FHotKey);
  FOptionForm = FOptionFormHolder.get();
  if (!FOptionForm->Show()) FOptionForm = nullptr;
}

void TLoupeCommands::OptionFormDestroyed(TOptionForm* form) {
  if (FOptionForm != form) return;
  FOptionForm = nullptr;
  if (const HWND handle = FLoupe.Handle()) FApp.Platform.PostMessageW(handle, UM_FREEOPTIONFORM, 0, 0);
}

void TLoupeCommands::FreeClosedOptionForm() {
  // A dialog opened since the message was posted is not the closed one.
  if (FOptionFormHolder && FOptionFormHolder.get() != FOptionForm) FOptionFormHolder.reset();
}

// One About dialog at a time; while it is open FAboutForm points at it.
void TLoupeCommands::ActPopShowVersionInfoExecute() {
  if (FAboutForm) return;
  ShowAboutDialog(FApp, FLoupe.Handle(), FAboutForm);
}

namespace {

// A folder as the shell's working folder: without its separator, except
// for a drive's root.
std::u16string WithoutSeparator(std::u16string folder) {
  if (folder.size() > 3 && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
  return folder;
}

}  // namespace

std::u16string OpenFailureReason(const TLangState& lang, std::intptr_t result) {
  switch (result) {
    case win::SE_ERR_NOASSOC:
    case win::SE_ERR_ASSOCINCOMPLETE:
      return lang.Text(u"MsgReasonNoProgramForFile");
    case win::SE_ERR_FNF:
    case win::SE_ERR_PNF:
      return lang.Text(u"MsgReasonFileMissing");
    case win::SE_ERR_ACCESSDENIED:
      return lang.Text(u"MsgReasonAccessDenied");
    default:
      return FormatText(lang.Text(u"MsgErrorShowErrorCode"), {static_cast<int>(result)});
  }
}

void TLoupeCommands::ActPopShowHelpExecute() {
  TPlatform& platform = FApp.Platform;
  const std::u16string folder = ExtractFilePath(FApp.ExeName);
  const std::u16string helpFolder = folder + u"Help\\";
  const std::u16string path = helpFolder + u"index.html";
  std::u16string message;
  const DWORD attributes = platform.GetFileAttributesW(path);
  if (attributes == win::INVALID_FILE_ATTRIBUTES || (attributes & win::FILE_ATTRIBUTE_DIRECTORY)) {
    message = ItemNotFoundText(FApp.Lang, path);
  } else {
    const std::intptr_t result =
        platform.ShellExecuteW(FLoupe.Handle(), u"", path, u"", WithoutSeparator(folder), win::SW_SHOWNORMAL);
    if (result > 32) return;
    message = FormatText(FApp.Lang.Text(u"MsgErrorCannotOpenHelp"), {OpenFailureReason(FApp.Lang, result), path});
  }
  // The page's folder shows what is there (or is not), and another program
  // may open the page from it.
  const int answer = ShowMsgDialog(FApp, message + u"\r\n\r\n" + FApp.Lang.Text(u"MsgConfirmOpenFolder"),
                                   TMsgDlgType::Error, mbYes | mbNo, FLoupe.Handle());
  if (answer != win::IDYES) return;
  const std::u16string pageFolder = WithoutSeparator(helpFolder);
  const DWORD folderAttributes = platform.GetFileAttributesW(pageFolder);
  const bool pageFolderThere =
      folderAttributes != win::INVALID_FILE_ATTRIBUTES && (folderAttributes & win::FILE_ATTRIBUTE_DIRECTORY);
  const std::u16string open = pageFolderThere ? pageFolder : WithoutSeparator(folder);
  platform.ShellExecuteW(FLoupe.Handle(), u"", open, u"", open, win::SW_SHOWNORMAL);
}

}  // namespace lensoro

// The popup menu with every command, and the commands that do not belong to
// the loupe model: hiding to the tray and back, help, version, quitting.
#include <algorithm>
#include <iterator>
#include <vector>

#include "About.h"
#include "Format.h"
#include "Lang.h"
#include "LnsLib.h"
#include "Main.h"
#include "MessageParams.h"
#include "Option.h"

namespace lensoro {

namespace {
// The colour modes' commands, in the menu's order: one line for each mode.
struct TColorModeCommand {
  TAction TMainForm::*Action;
  TLoupeColorMode Mode;
  const char16_t* ItemName;
  const char16_t* CaptionKey;
};
constexpr TColorModeCommand ColorModeCommands[] = {
    {&TMainForm::ActPopSetLoupeColorModelcmOriginal, lcmOriginal, u"SetLoupeColorModelcmOriginal1",
     u"ActPopSetLoupeColorModelcmOriginal.Caption"},
    {&TMainForm::ActPopSetLoupeColorModelcmInvert, lcmInvert, u"SetLoupeColorModelcmInvert1",
     u"ActPopSetLoupeColorModelcmInvert.Caption"},
    {&TMainForm::ActPopSetLoupeColorModelcmGrayscale, lcmGray, u"SetLoupeColorModelcmGrayscale1",
     u"ActPopSetLoupeColorModelcmGrayscale.Caption"},
};
static_assert(std::size(ColorModeCommands) == LoupeColorModeCount, "a colour mode without its command");
}  // namespace

void ApplyMainFormLang(TMainForm& form) {
  struct {
    TAction TMainForm::*Action;
    const char16_t* Key;
  } const actions[] = {
      {&TMainForm::ActPopSetLoupeModelmPointer, u"ActPopSetLoupeModelmPointer.Caption"},
      {&TMainForm::ActPopSetLoupeModelmWindow, u"ActPopSetLoupeModelmWindow.Caption"},
      {&TMainForm::ActPopZoomIn, u"ActPopZoomIn.Caption"},
      {&TMainForm::ActPopZoomOut, u"ActPopZoomOut.Caption"},
      {&TMainForm::ActPopShowOption, u"ActPopShowOption.Caption"},
      {&TMainForm::ActPopShowLanguage, u"ActPopShowLanguage.Caption"},
      {&TMainForm::ActPopReset, u"ActPopReset.Caption"},
      {&TMainForm::ActPopShowHelp, u"ActPopShowHelp.Caption"},
      {&TMainForm::ActPopShowVersionInfo, u"ActPopShowVersionInfo.Caption"},
      {&TMainForm::ActPopQuit, u"ActPopQuit.Caption"},
  };
  for (const TLangCaption& c : ApplyMainFormLang(form.App())) {
    for (const auto& a : actions) {
      if (c.Key == a.Key) (form.*a.Action).Caption = c.Text;
    }
    for (const auto& m : ColorModeCommands) {
      if (c.Key == m.CaptionKey) (form.*m.Action).Caption = c.Text;
    }
  }
}

bool LanguageListClick(TMainForm& form, int tag) {
  if (!ChooseLangFile(form.App(), tag, form.Handle())) return false;
  ApplyMainFormLang(form);
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

void TMainForm::BuildPopupMenu1() {
  ActPopMinimizeAndRestore.OnExecute = [this] { ActPopMinimizeAndRestoreExecute(); };
  ActPopShowOption.OnExecute = [this] { ActPopShowOptionExecute(); };
  ActPopShowLanguage.OnExecute = [this] { ActPopShowLanguageExecute(); };
  ActPopShowHelp.OnExecute = [this] { ActPopShowHelpExecute(); };
  ActPopShowVersionInfo.OnExecute = [this] { ActPopShowVersionInfoExecute(); };
  std::vector<TMenuItem> colorModes;
  for (const TColorModeCommand& m : ColorModeCommands) {
    (this->*m.Action).OnExecute = [this, mode = m.Mode] {
      Settings.LoupeColorMode = mode;
      SetLoupeColorMode(mode);
    };
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

void TMainForm::PopupMenu1Popup() {
  PopupMenu1.Find(u"SetLoupeModelmPointer1")->Checked = Settings.LoupeMode == lmPointer;
  PopupMenu1.Find(u"SetLoupeModelmWindow1")->Checked = Settings.LoupeMode == lmWindow;
  // The rates the two commands would set, as they compute them.
  PopupMenu1.Find(u"ZoomIn1")->Caption =
      FormatText(u"%s (-> %.1fx)", {ActPopZoomIn.Caption, static_cast<double>(ZoomInRate(Settings.LoupeRate))});
  PopupMenu1.Find(u"ZoomOut1")->Caption =
      FormatText(u"%s (-> %.1fx)", {ActPopZoomOut.Caption, static_cast<double>(ZoomOutRate(Settings.LoupeRate))});
  for (const TColorModeCommand& m : ColorModeCommands) {
    PopupMenu1.Find(m.ItemName)->Checked = Settings.LoupeColorMode == m.Mode;
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
      if (!LanguageListClick(*this, chosen.Tag)) return;
      UpdateMinimizeAndRestoreCaption();
      if (FOptionForm) FOptionForm->ApplyLang();
      if (FAboutForm) FAboutForm->ApplyLang();
    };
    languages->Items.push_back(std::move(item));
  }
}

void TMainForm::WMContextMenu(LPARAM lParam) {
  TPoint at = PointFromLParam(lParam);
  // From the keyboard (Shift+F10, the menu key): at the loupe's corner.
  if (at.X == -1 && at.Y == -1) {
    const TRect bounds = BoundsRect();
    at = {bounds.Left, bounds.Top};
  }
  PopupMenu1.Popup(at.X, at.Y);
}

// --- Hiding to the tray and back ---------------------------------------------

void TMainForm::ActPopMinimizeAndRestoreExecute() {
  if (!FPlatform.IsWindowVisible(FHandle)) {
    RestoreFromTray();
    return;
  }
  const TZOrderList& zOrder = FInstances->RefreshZOrder();
  const int self = zOrder.IndexOfWindowHandle(FHandle);
  if (self < 0) return;
  // A loupe partly covered comes to the front first; the next toggle hides it.
  const TRect own = zOrder[self].WindowRect;
  for (int i = 0; i < self; ++i) {
    if (RectsOverlap(zOrder[i].WindowRect, own)) {
      IsTopmost = true;
      FPlatform.SetForegroundWindow(FHandle);
      return;
    }
  }
  MinimizeToTray();
}

void TMainForm::UpdateMinimizeAndRestoreCaption() {
  ActPopMinimizeAndRestore.Caption = FApp.Lang.Text(FWindowState == TWindowState::wsMinimized
                                                        ? u"RestoreFromTrayCaption"
                                                        : u"MinimizeToTrayCaption");
}

void TMainForm::MinimizeToTray() {
  Timer1.SetEnabled(false);
  Hide();
  // A hidden window only records its state; it is not shown minimised.
  FWindowState = TWindowState::wsMinimized;
  UpdateMinimizeAndRestoreCaption();
  Tray.ShowLoupeState(false);
  FInstances->NotifyVisibility(LOUPE_HIDDEN);
}

void TMainForm::RestoreFromTray() {
  Timer1.SetEnabled(true);
  if (!Timer1.Running()) ShowErrorMessage(FApp.Lang.Text(u"MsgErrorMagSetWindowSource"));
  // Shown transparent first, so that no stale image flashes up.
  FPlatform.SetLayeredWindowAttributes(FHandle, 0, 0, win::LWA_ALPHA);
  Show();
  FWindowState = TWindowState::wsNormal;
  UpdateMinimizeAndRestoreCaption();
  FPlatform.SetLayeredWindowAttributes(FHandle, 0, 255, win::LWA_ALPHA);
  Tray.ShowLoupeState(true);
  FInstances->NotifyVisibility(LOUPE_SHOWN);
}

// --- Dialogs, help ----------------------------------------------------------------

// While the dialog is open the command does nothing.
void TMainForm::ActPopShowOptionExecute() {
  if (FOptionForm) return;
  FOptionFormHolder = std::make_unique<TOptionForm>(*this);
  FOptionForm = FOptionFormHolder.get();
  if (!FOptionForm->Show()) FOptionForm = nullptr;
}

void TMainForm::OptionFormDestroyed(TOptionForm* form) {
  if (FOptionForm != form) return;
  FOptionForm = nullptr;
  if (FHandle) FPlatform.PostMessageW(FHandle, UM_FREEOPTIONFORM, 0, 0);
}

void TMainForm::FreeClosedOptionForm() {
  // A dialog opened since the message was posted is not the closed one.
  if (FOptionFormHolder && FOptionFormHolder.get() != FOptionForm) FOptionFormHolder.reset();
}

// One About dialog at a time; while it is open FAboutForm points at it.
void TMainForm::ActPopShowVersionInfoExecute() {
  if (FAboutForm) return;
  ShowAboutDialog(FApp, FHandle, FAboutForm);
}

void TMainForm::ActPopShowHelpExecute() {
  const std::u16string folder = ExtractFilePath(FApp.ExeName);
  const std::u16string path = folder + u"Help\\index.html";
  std::u16string message;
  const DWORD attributes = FPlatform.GetFileAttributesW(path);
  if (attributes == win::INVALID_FILE_ATTRIBUTES || (attributes & win::FILE_ATTRIBUTE_DIRECTORY)) {
    message = ItemNotFoundText(FApp.Lang, path);
  } else {
    // The working folder without its separator, except for a drive's root.
    std::u16string directory = folder;
    if (directory.size() > 3 && (directory.back() == u'\\' || directory.back() == u'/')) directory.pop_back();
    const std::intptr_t result = FPlatform.ShellExecuteW(FHandle, u"", path, u"", directory, win::SW_SHOWNORMAL);
    if (result <= 32) {
      const std::u16string code = FormatText(FApp.Lang.Text(u"MsgErrorShowErrorCode"), {static_cast<int>(result)});
      message = FormatText(FApp.Lang.Text(u"MsgErrorCannotOpenItem") + u" (%s)", {path, code});
    }
  }
  if (!message.empty()) ShowMsgDialog(FApp, message, TMsgDlgType::Error, mbOK, FHandle);
}

}  // namespace lensoro

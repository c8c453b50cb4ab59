// TOptionForm: the modeless settings dialog. Every control acts on the loupe
// at once; closing the dialog saves its position and then all settings.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Controls.h"
#include "Ini.h"
#include "LoupeModel.h"
#include "RsEdit.h"
#include "RsHotkey.h"
#include "RsSpinEdit.h"

namespace lensoro {

class TApplication;
class TIcon;
class TLoupeHotKey;
class TLoupeTray;
class TOptionForm;
class TSaveFailureNotice;

// The loupe's window as its options dialog sees it: the dialog's owner, its
// top-most place, and the saving of every setting when the dialog closes.
class IOptionFormHost {
 public:
  virtual HWND Handle() const = 0;
  // The loupe stays below the dialog while it is open.
  virtual void BeginNotTopmost() = 0;
  virtual void EndNotTopmost() = 0;
  virtual void SetTopmost(bool topmost) = 0;
  // The loupe has gone first and saved everything itself.
  virtual bool FormDestroyed() const = 0;
  virtual TSaveFailureNotice& SaveNotice() = 0;
  virtual TIniFileResult SaveAllSettings() = 0;
  // The dialog's window is gone.
  virtual void OptionFormDestroyed(TOptionForm* form) = 0;

 protected:
  ~IOptionFormHost() = default;
};

// The tag of a numbered control: the number its name ends in ("Panel104" ->
// 104), -1 when the last three characters are not one.
int GetTagFromName(const std::u16string& name);
// A shortcut as the dialog shows it: the menu's text with " + " after each
// modifier ("Shift + Ctrl + F12"), empty for 0.
std::u16string ShortCutDisplayText(TPlatform& platform, TShortCut shortCut);

class TOptionForm : public TForm {
 public:
  // The settings it edits go through loupe, the images it offers come from
  // tray, and the key it assigns is hotKey's.
  TOptionForm(TApplication& app, IOptionFormHost& host, ILoupeModel& loupe, TLoupeTray& tray, TLoupeHotKey& hotKey);
  ~TOptionForm() override;

  TApplication& App;  // the program's, the form's own as a TBaseApplication

  // Control order is the creation order and, on the form, the tab order.
  TGroupBox GroupBox101{this};            // start-up
  TCheckBox CheckBox101{&GroupBox101};    // silent start: no loupe at start-up
  TLabel Label101{&GroupBox101};          // names the tray image chooser
  TComboBox ComboBox101{&GroupBox101};    // the tray image
  TRadioGroup RadioGroup101{this};        // loupe mode: pointer, window
  TGroupBox GroupBox102{this};            // rate
  TRsSpinEdit SpinEdit101{&GroupBox102};  // the rate, 1.3 to 8.0
  TRadioGroup RadioGroup102{this};        // source origin in window mode: four corners, centre
  TRadioGroup RadioGroup103{this};        // colours: original, inverted, grey
  TGroupBox GroupBox103{this};            // frame
  TLabel Label102{&GroupBox103};          // names the frame width
  TRsSpinEdit SpinEdit102{&GroupBox103};  // the frame width, 0 to 10 pixels
  // Each label just before its swatch: its access key goes to the next tab stop.
  TLabel Label103{&GroupBox103};          // names Panel101
  TPanel Panel101{&GroupBox103};          // frame colour swatch: pointer mode, active
  TLabel Label104{&GroupBox103};          // names Panel102
  TPanel Panel102{&GroupBox103};          // frame colour swatch: pointer mode, inactive
  TLabel Label105{&GroupBox103};          // names Panel103
  TPanel Panel103{&GroupBox103};          // frame colour swatch: window mode, active
  TLabel Label106{&GroupBox103};          // names Panel104
  TPanel Panel104{&GroupBox103};          // frame colour swatch: window mode, inactive
  TGroupBox GroupBox104{this};            // shortcut key
  TLabel Label107{&GroupBox104};          // names the command the key runs
  TRsEdit Edit101{&GroupBox104};          // the assigned key, read-only
  TButton Button101{&GroupBox104};        // deletes the assigned key
  TLabel Label108{&GroupBox104};          // names the capture field
  TRsHotKey HotKey101{&GroupBox104};      // captures a new key combination
  TButton Button102{&GroupBox104};        // assigns the captured combination
  TLabel Label109{&GroupBox104};          // why Add stays disabled: the keys would be taken from typing
  TButton CloseButton{this};              // closes the dialog; Esc too
  TColorDialog ColorDialog1;              // picks a swatch's colour

  // Re-reads the captions from the language in use (also after a switch).
  void ApplyLang();
  double Rate() const { return FRate; }

  // The handlers.
  void FormShow();
  void FormClose(TCloseAction& action);
  void FormDestroy();
  void CheckBox101Click();
  void ComboBox101DrawItem(TComboBox& control, int index, const TRect& rect, TOwnerDrawState state);
  void ComboBox101DropDown();
  void ComboBox101Select();
  void RadioGroup101Click();
  void RadioGroup102Click();
  void RadioGroup103Click();
  // Out-of-range values (half typed) wait until they are in range.
  void SpinEditChange(TRsSpinEdit& edit);
  // A swatch and the frame colour it shows and sets.
  void ColorPanelClick(TPanel& panel, TFrameColorSlot slot);
  void ShowShortCut(TShortCut shortCut);
  // The add button and the hint follow the capture field.
  void HotKey101Change();
  // Enter in the capture field (without Ctrl or Alt) presses Add.
  void HotKey101KeyDown(std::uint16_t& key, TShiftState shift);
  void Button101Click() { DeleteShortCut(); }
  void DeleteShortCut();
  void Button102Click() { AddShortCut(); }
  // Assigns the combination in the capture field.
  void AddShortCut();
  void CloseButtonClick() { Close(); }

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // At another monitor's DPI: the combo's items and the labels' text lines again.
  void DpiChanged() override;

 private:
  void SetupSpinEdits(TGroupBox& box);
  void InitSpinEdit(TRsSpinEdit& edit);
  void SetupColorPanels();
  void PrepareColorDialog(TPanel& panel);
  std::u16string ConfirmText(const char16_t* key);
  void MakeComboIcons();
  void PlaceOnAMonitor();
  bool PlaceBesideLoupe(const std::vector<TMonitorInfo>& monitors);
  // Label101, Label102 and Label108 with their text line centred on the field
  // beside them, whatever the font's height.
  void CentreLabelsOnTheirFields();
  void SetComboItemHeight();
  // A button greyed out under the keyboard hands it to the capture field.
  void EnableKeepingFocus(TButton& button, bool enabled);

  IOptionFormHost& FHost;
  ILoupeModel& FLoupe;
  TLoupeTray& FTray;
  TLoupeHotKey& FHotKey;
  double FRate = 1.0;
  int FComboMargin = 2;
  bool FDestroyed = false;
  bool FHoldsNotTopmost = false;  // our share of the loupe's not-top-most count
  std::vector<std::unique_ptr<TIcon>> FComboIcons;
};

}  // namespace lensoro

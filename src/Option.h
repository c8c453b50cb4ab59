// TOptionForm: the modeless settings dialog. Every control acts on the loupe
// at once; closing the dialog saves its position and then all settings.
//
// Not here yet: the rate and frame-width spin edits (SpinEdit101/102) and
// the hot-key capture field (HotKey101) are components of their own; until
// they exist the dialog leaves their places empty, and the handlers they
// call (SpinEditChange, AddShortCut) take the values directly. Edit101, the
// shortcut display, is a plain read-only edit until its flat edit exists.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Controls.h"
#include "Ini.h"
#include "Main.h"

namespace lensoro {

class TIcon;

// The tag of a numbered control: the number its name ends in ("Panel104" ->
// 104), -1 when the last three characters are not one.
int GetTagFromName(const std::u16string& name);
// A shortcut as the dialog shows it: "Ctrl + Shift + F12"-style, empty for 0.
std::u16string ShortCutDisplayText(TShortCut shortCut);

class TOptionForm : public TForm {
 public:
  explicit TOptionForm(TMainForm& loupe);
  ~TOptionForm() override;

  TMainForm& Loupe;

  // Control order is the creation order and, on the form, the tab order.
  TGroupBox GroupBox101{this};
  TCheckBox CheckBox101{&GroupBox101};
  TLabel Label101{&GroupBox101};
  TComboBox ComboBox101{&GroupBox101};
  TRadioGroup RadioGroup101{this};
  TGroupBox GroupBox102{this};
  TRadioGroup RadioGroup102{this};
  TRadioGroup RadioGroup103{this};
  TGroupBox GroupBox103{this};
  TLabel Label102{&GroupBox103}, Label103{&GroupBox103}, Label104{&GroupBox103}, Label105{&GroupBox103},
      Label106{&GroupBox103};
  TPanel Panel101{&GroupBox103}, Panel102{&GroupBox103}, Panel103{&GroupBox103}, Panel104{&GroupBox103};
  TGroupBox GroupBox104{this};
  TLabel Label107{&GroupBox104};
  TEdit Edit101{&GroupBox104};
  TButton Button101{&GroupBox104};
  TLabel Label108{&GroupBox104};
  TButton Button102{&GroupBox104};
  TButton CloseButton{this};
  TColorDialog ColorDialog1;

  // Re-reads the captions from the language in use (also after a switch).
  void ApplyLang();
  double Rate() const { return FRate; }
  int ComboMargin() const { return FComboMargin; }

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
  // What the spin edits report; out-of-range values wait until they are in range.
  void SpinEditChange(int tag, double value, double minValue, double maxValue);
  void ColorPanelClick(TPanel& panel);
  void ShowShortCut(TShortCut shortCut);
  // The capture field's state: the add button follows it.
  void HotKey101Change(TShortCut captured);
  void Button101Click() { DeleteShortCut(); }
  void DeleteShortCut();
  // Assigns the captured combination (what the capture field holds).
  void AddShortCut(TShortCut captured);
  void CloseButtonClick() { Close(); }

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void SetupColorPanels(TGroupBox& box);
  void UpdatePanelColor(TPanel& panel);
  void PrepareColorDialog(TPanel& panel);
  std::u16string ConfirmText(const char16_t* key);
  void MakeComboIcons();

  double FRate = 1.0;
  int FComboMargin = 2;
  TShortCut FCaptured = 0;  // the capture field's combination
  bool FDestroyed = false;
  std::vector<std::unique_ptr<TIcon>> FComboIcons;
};

}  // namespace lensoro

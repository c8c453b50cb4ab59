// The standard controls of the layer (see Controls.h for how they behave).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "Controls.h"

namespace lensoro {

// A window of our own class that paints itself: override Paint.
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TWinControl* parent);

 protected:
  const char16_t* WindowClassName() const override { return u"TCustomControl"; }
  void CreateParams(TCreateWindowParams& params) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // Fills the client area with Color by default.
  virtual void Paint(TCanvas& canvas);

 private:
  TCanvas* FPaintCanvas = nullptr;
};

// A painted control that never takes the focus.
class TGraphicControl : public TCustomControl {
 public:
  explicit TGraphicControl(TWinControl* parent) : TCustomControl(parent) { SetTabStop(false); }
  bool WantsKey(int) override { return false; }

 protected:
  const char16_t* WindowClassName() const override { return u"TGraphicControl"; }
};

// A canvas on a control's window outside painting, for measuring: its DC
// with the control's font.
class TControlCanvas {
 public:
  explicit TControlCanvas(TControl& control);
  ~TControlCanvas();
  TControlCanvas(const TControlCanvas&) = delete;
  TControlCanvas& operator=(const TControlCanvas&) = delete;
  // Null when the control has no window (or no DC could be had).
  TCanvas* operator->() { return FCanvas.get(); }
  explicit operator bool() const { return FCanvas != nullptr; }

 private:
  TControl& FControl;
  HDC FDc = 0;
  std::unique_ptr<TCanvas> FCanvas;
};

// Text that sizes itself to its caption; transparent (its parent's colour
// shows through) unless Transparent is cleared.
class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TWinControl* parent);
  void SetAutoSize(bool autoSize);
  bool Transparent = true;
  TAlignment Alignment = TAlignment::taLeftJustify;
  bool WordWrap = false;
  // "&" marks the access key, which gives the focus to the control after
  // the label; off, "&" shows as it is.
  bool ShowAccelChar = true;
  char16_t AccessKey() const override { return ShowAccelChar ? AccessKeyOf(Caption()) : 0; }
  // Makes the label as large as its text (AutoSize does it on every change).
  void AdjustBounds();

 protected:
  const char16_t* WindowClassName() const override { return u"TLabel"; }
  void CreateWnd() override;
  void Paint(TCanvas& canvas) override;
  void FontChanged() override;
  void CaptionChanged() override;

 private:
  bool FAutoSize = true;
};

// How far to move a label of the given height down so that text of
// textHeight sits centred in it; a label too small for its text moves up by
// half the difference, rounded to the nearest, ties to even.
int TextTopOffset(int textHeight, int height);

class TButton : public TControl {
 public:
  explicit TButton(TWinControl* parent);
  ~TButton() override;
  void SetDefault(bool isDefault);  // Enter presses it; the form has one
  void SetCancel(bool isCancel);  // Esc presses it
  TModalResult ModalResult = mrNone;  // set on the form when pressed
  void Click() override;
  char16_t AccessKey() const override { return AccessKeyOf(Caption()); }

 protected:
  const char16_t* WindowClassName() const override { return u"BUTTON"; }
  bool StandardClass() const override { return true; }
  void CreateParams(TCreateWindowParams& params) override;
  void CommandNotify(UINT code) override;

 private:
  bool FDefault = false, FCancel = false;
};

class TCheckBox : public TControl {
 public:
  explicit TCheckBox(TWinControl* parent);
  bool Checked() const;
  // Runs OnClick when the state changes.
  void SetChecked(bool checked);
  char16_t AccessKey() const override { return AccessKeyOf(Caption()); }

 protected:
  const char16_t* WindowClassName() const override { return u"BUTTON"; }
  bool StandardClass() const override { return true; }
  void CreateParams(TCreateWindowParams& params) override;
  void CreateWnd() override;
  void CommandNotify(UINT code) override;

 private:
  bool FChecked = false;
};

class TRadioGroup;

class TRadioButton : public TControl {
 public:
  explicit TRadioButton(TWinControl* parent);
  bool Checked() const;
  void SetChecked(bool checked);  // unchecks its siblings; OnClick when it changes
  bool WantsKey(int virtualKey) override;
  char16_t AccessKey() const override { return AccessKeyOf(Caption()); }

 protected:
  const char16_t* WindowClassName() const override { return u"BUTTON"; }
  bool StandardClass() const override { return true; }
  void CreateParams(TCreateWindowParams& params) override;
  void CreateWnd() override;
  void CommandNotify(UINT code) override;

 private:
  friend class TRadioGroup;
  bool FChecked = false;
  bool FFirstOfGroup = true;
};

// A frame with a caption round other controls.
class TGroupBox : public TCustomControl {
 public:
  explicit TGroupBox(TWinControl* parent);
  char16_t AccessKey() const override { return AccessKeyOf(Caption()); }

 protected:
  const char16_t* WindowClassName() const override { return u"TGroupBox"; }
  void CreateParams(TCreateWindowParams& params) override;
  void Paint(TCanvas& canvas) override;
};

// A group box of radio buttons, one per item.
class TRadioGroup : public TGroupBox {
 public:
  explicit TRadioGroup(TWinControl* parent);
  ~TRadioGroup() override;

  const std::vector<std::u16string>& Items() const { return FItems; }
  void SetItems(const std::vector<std::u16string>& items);
  void SetItem(int index, const std::u16string& caption);
  void SetColumns(int columns);
  int ItemIndex() const { return FItemIndex; }
  // Checks that button (-1: none) and runs OnClick when it changes.
  void SetItemIndex(int index);
  TRadioButton* Button(int index) const;
  int ButtonCount() const { return static_cast<int>(FButtons.size()); }
  // Arrow keys move the choice within the group.
  bool MoveChoice(TRadioButton* from, int step);

 protected:
  const char16_t* WindowClassName() const override { return u"TRadioGroup"; }
  void CreateWnd() override;
  void BoundsChanged() override;
  void FontChanged() override;

 private:
  friend class TRadioButton;
  void ButtonClicked(TRadioButton* button);
  void ArrangeButtons();
  std::vector<std::u16string> FItems;
  std::vector<std::unique_ptr<TRadioButton>> FButtons;
  int FColumns = 1, FItemIndex = -1;
  bool FUpdating = false;
};

class TEdit : public TControl {
 public:
  explicit TEdit(TWinControl* parent);
  std::u16string Text() const;
  void SetText(const std::u16string& text);  // runs OnChange
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool readOnly);
  void SetMaxLength(int length);  // 0: no limit
  void SelectAll();
  int SelStart() const;
  int SelLength() const;
  void SetSel(int start, int length);
  std::function<void(TControl&)> OnChange;

 protected:
  const char16_t* WindowClassName() const override { return u"EDIT"; }
  bool StandardClass() const override { return true; }
  void CreateParams(TCreateWindowParams& params) override;
  void CreateWnd() override;
  void CommandNotify(UINT code) override;

  std::u16string FText;  // while there is no window
  bool FReadOnly = false;
  int FMaxLength = 0;
};

// A multi-line edit; Lines are its text split at line ends.
class TMemo : public TEdit {
 public:
  explicit TMemo(TWinControl* parent);
  std::vector<std::u16string> Lines() const;
  void SetLines(const std::vector<std::u16string>& lines);
  bool WantReturns = false;  // Enter makes a new line rather than pressing the default button
  bool WantsKey(int virtualKey) override;

 protected:
  void CreateParams(TCreateWindowParams& params) override;
};

enum class TComboBoxStyle { csDropDownList, csOwnerDrawFixed };

class TComboBox : public TControl {
 public:
  explicit TComboBox(TWinControl* parent);
  TComboBoxStyle Style = TComboBoxStyle::csDropDownList;  // before the window is made
  const std::vector<std::u16string>& Items() const { return FItems; }
  void SetItems(const std::vector<std::u16string>& items);
  int ItemIndex() const;
  void SetItemIndex(int index);  // does not run OnChange
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int height);  // screen pixels
  int DropDownCount = 8;
  bool DroppedDown() const;
  // The canvas of the item being drawn; null outside OnDrawItem.
  TCanvas* Canvas() const { return FCanvas; }
  std::function<void(TControl&)> OnChange, OnDropDown;
  // The canvas comes with the combo's font, and for a selected item the
  // highlight colours as brush and font colour.
  std::function<void(TComboBox&, int index, const TRect& rect, TOwnerDrawState state)> OnDrawItem;
  bool WantsKey(int virtualKey) override;

 protected:
  const char16_t* WindowClassName() const override { return u"COMBOBOX"; }
  bool StandardClass() const override { return true; }
  void CreateParams(TCreateWindowParams& params) override;
  void CreateWnd() override;
  void CommandNotify(UINT code) override;
  bool DrawItem(TDrawItemStruct& item) override;
  bool MeasureItem(TMeasureItemStruct& item) override;
  int WindowHeightFor(int height) const override;  // the list drops below the field

 private:
  std::vector<std::u16string> FItems;
  int FItemIndex = -1;
  int FItemHeight = 16;
  TCanvas* FCanvas = nullptr;
};

// A plain panel; as a colour swatch: Color, a lowered bevel, OnClick. Made
// a tab stop it is a keyboard control too: it shows a focus rectangle while
// it has the focus, and Space or Enter clicks it.
class TPanel : public TCustomControl {
 public:
  explicit TPanel(TWinControl* parent);
  TBevelCut BevelOuter = TBevelCut::bvRaised;
  bool ShowCaption = true;
  bool WantsKey(int virtualKey) override;

 protected:
  const char16_t* WindowClassName() const override { return u"TPanel"; }
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void MouseDown(TShiftState shift, int x, int y) override;
  void Paint(TCanvas& canvas) override;
};

// An icon, centred.
class TImage : public TGraphicControl {
 public:
  explicit TImage(TWinControl* parent) : TGraphicControl(parent) {}
  HICON Icon() const { return FIcon; }
  void SetIcon(HICON icon, int width = 32, int height = 32);  // the icon is not ours to destroy

 protected:
  const char16_t* WindowClassName() const override { return u"TImage"; }
  void Paint(TCanvas& canvas) override;

 private:
  HICON FIcon = 0;
  int FIconWidth = 32, FIconHeight = 32;
};

// The system's colour dialog.
class TColorDialog {
 public:
  explicit TColorDialog(TPlatform& platform) : FPlatform(platform) {}
  TColor Color = clBlack;
  std::array<DWORD, 16> CustomColors{};  // kept from one Execute to the next
  bool FullOpen = false;
  // True when the user chose a colour (Color then holds it).
  bool Execute(HWND owner);

 private:
  TPlatform& FPlatform;
};

}  // namespace lensoro

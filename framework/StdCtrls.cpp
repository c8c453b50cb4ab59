#include "StdCtrls.h"

#include <algorithm>

#include "Numeric.h"

namespace lensoro {

// --- TCustomControl, TControlCanvas ------------------------------------------------

TCustomControl::TCustomControl(TWinControl* parent) : TWinControl(parent) {}

void TCustomControl::CreateParams(TCreateWindowParams& params) { TWinControl::CreateParams(params); }

LRESULT TCustomControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case win::WM_ERASEBKGND:
      return 1;  // Paint covers the whole client area
    case win::WM_PAINT: {
      TPaintStruct ps;
      const HDC dc = FPlatform.BeginPaint(Handle(), ps);
      if (dc) {
        TCanvas canvas(FPlatform, dc);
        canvas.Font.Assign(Font());
        canvas.Brush.Color = Color();
        FPaintCanvas = &canvas;
        Paint(canvas);
        FPaintCanvas = nullptr;
      }
      FPlatform.EndPaint(Handle(), ps);
      return 0;
    }
    default:
      return TWinControl::WndProc(msg, wParam, lParam);
  }
}

void TCustomControl::Paint(TCanvas& canvas) {
  canvas.Brush.Color = Color();
  canvas.FillRect(ClientRect());
}

TControlCanvas::TControlCanvas(TControl& control) : FControl(control) {
  if (!control.HandleAllocated()) return;
  FDc = control.Platform().GetDC(control.Handle());
  if (!FDc) return;
  FCanvas = std::make_unique<TCanvas>(control.Platform(), FDc);
  FCanvas->Font.Assign(control.Font());
}

TControlCanvas::~TControlCanvas() {
  FCanvas.reset();  // its objects go before the DC
  if (FDc) FControl.Platform().ReleaseDC(FControl.Handle(), FDc);
}

// --- TLabel ------------------------------------------------------------------------------

int TextTopOffset(int textHeight, int height) {
  const int d = height - textHeight;
  if (d < 0) return RoundHalfEven(static_cast<long double>(d) / 2);
  return d / 2;
}

TLabel::TLabel(TWinControl* parent) : TGraphicControl(parent) { SetBoundsPx({0, 0, 65, 17}); }

void TLabel::SetAutoSize(bool autoSize) {
  FAutoSize = autoSize;
  if (autoSize) AdjustBounds();
}

namespace {
UINT LabelFormat(const TLabel& label) {
  UINT f = win::DT_EXPANDTABS | (label.ShowAccelChar ? 0 : win::DT_NOPREFIX);
  if (label.WordWrap) f |= win::DT_WORDBREAK;
  if (label.Alignment == TAlignment::taCenter) f |= win::DT_CENTER;
  if (label.Alignment == TAlignment::taRightJustify) f |= win::DT_RIGHT;
  return f;
}
}  // namespace

void TLabel::AdjustBounds() {
  if (!HandleAllocated()) return;  // measured when the window is made
  TControlCanvas canvas(*this);
  if (!canvas) return;
  TRect r{0, 0, WordWrap ? Width() : 0, 0};
  // An empty label keeps the height of a line.
  canvas->DrawText(Caption().empty() ? std::u16string(u" ") : Caption(), r, LabelFormat(*this) | win::DT_CALCRECT);
  TRect b = BoundsRect();
  if (Alignment == TAlignment::taRightJustify) {
    b.Left = b.Right - r.Width();
  } else {
    b.Right = b.Left + r.Width();
  }
  b.Bottom = b.Top + r.Height();
  SetBoundsPx(b);
}

void TLabel::CreateWnd() {
  TGraphicControl::CreateWnd();
  if (FAutoSize) AdjustBounds();
}

void TLabel::FontChanged() {
  TGraphicControl::FontChanged();
  if (FAutoSize) AdjustBounds();
}

void TLabel::CaptionChanged() {
  if (FAutoSize) AdjustBounds();
}

void TLabel::Paint(TCanvas& canvas) {
  // What lies behind a transparent label is its parent's plain face.
  canvas.Brush.Color = (Transparent && Parent()) ? Parent()->Color() : Color();
  canvas.FillRect(ClientRect());
  canvas.Brush.Clear = true;
  if (!Enabled()) canvas.Font.SetColor(clGrayText);
  TRect r = ClientRect();
  canvas.DrawText(Caption(), r, LabelFormat(*this));
}

// --- Buttons ------------------------------------------------------------------------------

TButton::TButton(TWinControl* parent) : TControl(parent) { SetTabStop(true); }

TButton::~TButton() {
  if (TForm* f = Form()) {
    if (f->FDefaultButton == this) f->FDefaultButton = nullptr;
    if (f->FCancelButton == this) f->FCancelButton = nullptr;
  }
}

void TButton::CreateParams(TCreateWindowParams& params) {
  TControl::CreateParams(params);
  params.Style |= FDefault ? win::BS_DEFPUSHBUTTON : win::BS_PUSHBUTTON;
}

void TButton::SetDefault(bool isDefault) {
  if (isDefault == FDefault) return;
  FDefault = isDefault;
  TForm* f = Form();
  if (isDefault && f) {
    // One default button per form.
    if (TButton* old = f->FDefaultButton; old && old != this) old->SetDefault(false);
    f->FDefaultButton = this;
  } else if (f && f->FDefaultButton == this) {
    f->FDefaultButton = nullptr;
  }
  if (HandleAllocated()) {
    FPlatform.SendMessageW(Handle(), win::BM_SETSTYLE, isDefault ? win::BS_DEFPUSHBUTTON : win::BS_PUSHBUTTON, 1);
  }
}

void TButton::SetCancel(bool isCancel) {
  FCancel = isCancel;
  TForm* f = Form();
  if (!f) return;
  if (isCancel) {
    if (TButton* old = f->FCancelButton; old && old != this) old->FCancel = false;
    f->FCancelButton = this;
  } else if (f->FCancelButton == this) {
    f->FCancelButton = nullptr;
  }
}

void TButton::Click() {
  // The form learns the result first, so OnClick may still change it.
  if (TForm* f = Form(); f && ModalResult != mrNone) f->ModalResult = ModalResult;
  TControl::Click();
}

void TButton::CommandNotify(UINT code) {
  if (code == win::BN_CLICKED) Click();
}

TCheckBox::TCheckBox(TWinControl* parent) : TControl(parent) {
  SetTabStop(true);
  SetBoundsPx({0, 0, 97, 17});
}

void TCheckBox::CreateParams(TCreateWindowParams& params) {
  TControl::CreateParams(params);
  params.Style |= win::BS_AUTOCHECKBOX;
}

void TCheckBox::CreateWnd() {
  TControl::CreateWnd();
  FPlatform.SendMessageW(Handle(), win::BM_SETCHECK, FChecked ? win::BST_CHECKED : win::BST_UNCHECKED, 0);
}

bool TCheckBox::Checked() const {
  if (!HandleAllocated()) return FChecked;
  return FPlatform.SendMessageW(Handle(), win::BM_GETCHECK, 0, 0) == win::BST_CHECKED;
}

void TCheckBox::SetChecked(bool checked) {
  if (checked == Checked()) return;
  FChecked = checked;
  if (HandleAllocated()) {
    FPlatform.SendMessageW(Handle(), win::BM_SETCHECK, checked ? win::BST_CHECKED : win::BST_UNCHECKED, 0);
  }
  Click();
}

void TCheckBox::CommandNotify(UINT code) {
  if (code != win::BN_CLICKED) return;
  FChecked = FPlatform.SendMessageW(Handle(), win::BM_GETCHECK, 0, 0) == win::BST_CHECKED;
  Click();
}

TRadioButton::TRadioButton(TWinControl* parent) : TControl(parent) { SetBoundsPx({0, 0, 113, 17}); }

void TRadioButton::CreateParams(TCreateWindowParams& params) {
  TControl::CreateParams(params);
  params.Style |= win::BS_AUTORADIOBUTTON | (FFirstOfGroup ? win::WS_GROUP : 0);
}

void TRadioButton::CreateWnd() {
  TControl::CreateWnd();
  FPlatform.SendMessageW(Handle(), win::BM_SETCHECK, FChecked ? win::BST_CHECKED : win::BST_UNCHECKED, 0);
}

bool TRadioButton::Checked() const { return FChecked; }

bool TRadioButton::WantsKey(int virtualKey) {
  // The arrows move the choice: the form does that.
  if (IsArrowKey(virtualKey)) return false;
  return TControl::WantsKey(virtualKey);
}

void TRadioButton::SetChecked(bool checked) {
  if (checked == FChecked) return;
  FChecked = checked;
  if (HandleAllocated()) {
    FPlatform.SendMessageW(Handle(), win::BM_SETCHECK, checked ? win::BST_CHECKED : win::BST_UNCHECKED, 0);
  }
  if (!checked) return;
  if (Parent()) {
    for (TControl* c : Parent()->Controls()) {
      if (auto* other = dynamic_cast<TRadioButton*>(c); other && other != this) other->SetChecked(false);
    }
  }
  if (auto* group = dynamic_cast<TRadioGroup*>(Parent())) {
    group->ButtonClicked(this);
  } else {
    Click();
  }
}

void TRadioButton::CommandNotify(UINT code) {
  if (code != win::BN_CLICKED) return;
  // The system checked it (and unchecked the others of its group) already.
  if (FPlatform.SendMessageW(Handle(), win::BM_GETCHECK, 0, 0) == win::BST_CHECKED) SetChecked(true);
}

// --- Group boxes -----------------------------------------------------------------------------

TGroupBox::TGroupBox(TWinControl* parent) : TCustomControl(parent) { SetBoundsPx({0, 0, 185, 105}); }

void TGroupBox::CreateParams(TCreateWindowParams& params) {
  TCustomControl::CreateParams(params);
  params.ExStyle |= win::WS_EX_CONTROLPARENT;
}

void TGroupBox::Paint(TCanvas& canvas) {
  canvas.Brush.Color = Color();
  canvas.FillRect(ClientRect());
  const int h = canvas.TextHeight(u"0");
  TRect frame = ClientRect();
  frame.Top = h / 2;
  canvas.DrawEdge(frame, win::EDGE_ETCHED, win::BF_RECT);
  if (Caption().empty()) return;
  // The caption sits on the frame's top line, covering it; its access key
  // underlined.
  TRect text{8, 0, 8 + canvas.TextWidth(WithoutAccessKeys(Caption())), h};
  if (!Enabled()) canvas.Font.SetColor(clGrayText);
  canvas.DrawText(Caption(), text, win::DT_SINGLELINE);
}

TRadioGroup::TRadioGroup(TWinControl* parent) : TGroupBox(parent) {}

TRadioGroup::~TRadioGroup() { FButtons.clear(); }

void TRadioGroup::SetItems(const std::vector<std::u16string>& items) {
  FItems = items;
  while (FButtons.size() > items.size()) FButtons.pop_back();
  while (FButtons.size() < items.size()) {
    auto button = std::make_unique<TRadioButton>(this);
    button->FFirstOfGroup = FButtons.empty();
    FButtons.push_back(std::move(button));
  }
  for (std::size_t i = 0; i < items.size(); ++i) FButtons[i]->SetCaption(items[i]);
  if (FItemIndex >= static_cast<int>(items.size())) FItemIndex = -1;
  if (HandleAllocated()) {
    for (auto& b : FButtons) b->HandleNeeded();
  }
  ArrangeButtons();
}

void TRadioGroup::SetItem(int index, const std::u16string& caption) {
  if (index < 0 || index >= static_cast<int>(FItems.size())) return;
  FItems[static_cast<std::size_t>(index)] = caption;
  FButtons[static_cast<std::size_t>(index)]->SetCaption(caption);
}

void TRadioGroup::SetColumns(int columns) {
  columns = std::clamp(columns, 1, 16);
  if (columns == FColumns) return;
  FColumns = columns;
  ArrangeButtons();
}

TRadioButton* TRadioGroup::Button(int index) const {
  if (index < 0 || index >= static_cast<int>(FButtons.size())) return nullptr;
  return FButtons[static_cast<std::size_t>(index)].get();
}

void TRadioGroup::SetItemIndex(int index) {
  if (index < -1 || index >= static_cast<int>(FButtons.size())) index = -1;
  if (index == FItemIndex) return;
  FUpdating = true;
  if (index < 0) {
    if (TRadioButton* b = Button(FItemIndex)) b->SetChecked(false);
  } else {
    FButtons[static_cast<std::size_t>(index)]->SetChecked(true);
  }
  FUpdating = false;
  FItemIndex = index;
  Click();
}

void TRadioGroup::ButtonClicked(TRadioButton* button) {
  if (FUpdating) return;
  int index = -1;
  for (std::size_t i = 0; i < FButtons.size(); ++i) {
    if (FButtons[i].get() == button) index = static_cast<int>(i);
  }
  if (index < 0 || index == FItemIndex) return;
  FItemIndex = index;
  Click();
}

bool TRadioGroup::MoveChoice(TRadioButton* from, int step) {
  const int n = ButtonCount();
  int at = -1;
  for (int i = 0; i < n; ++i) {
    if (Button(i) == from) at = i;
  }
  if (at < 0) return false;
  // Round the group, past the buttons that cannot take the focus.
  for (int k = 1; k < n; ++k) {
    const int i = ((at + step * k) % n + n) % n;
    TRadioButton* b = Button(i);
    if (!b->CanFocus()) continue;
    b->SetFocus();
    SetItemIndex(i);
    return true;
  }
  return false;
}

void TRadioGroup::ArrangeButtons() {
  if (FButtons.empty()) return;
  int lineHeight = (Font().Height() < 0 ? -Font().Height() : Font().Height()) * 5 / 4;
  if (HandleAllocated()) {
    TControlCanvas canvas(*this);
    if (canvas) lineHeight = canvas->TextHeight(u"0");
  }
  const int n = static_cast<int>(FButtons.size());
  const int perColumn = (n + FColumns - 1) / FColumns;
  const int width = std::max(0, (Width() - 10) / FColumns);
  const int room = std::max(0, Height() - lineHeight - 5);
  const int height = room / perColumn;
  const int top = lineHeight + 1 + (room % perColumn) / 2;
  for (int i = 0; i < n; ++i) {
    const int x = (i / perColumn) * width + 8, y = (i % perColumn) * height + top;
    FButtons[static_cast<std::size_t>(i)]->SetBoundsPx({x, y, x + width, y + height});
  }
}

void TRadioGroup::CreateWnd() {
  TGroupBox::CreateWnd();
  ArrangeButtons();
}

void TRadioGroup::BoundsChanged() { ArrangeButtons(); }

void TRadioGroup::FontChanged() {
  TGroupBox::FontChanged();
  ArrangeButtons();
}

// --- Edits -------------------------------------------------------------------------------------

TEdit::TEdit(TWinControl* parent) : TControl(parent) {
  SetTabStop(true);
  SetColor(clWindow);
  SetBoundsPx({0, 0, 121, 21});
}

void TEdit::CreateParams(TCreateWindowParams& params) {
  TControl::CreateParams(params);
  params.WindowName = FText;
  params.ExStyle |= win::WS_EX_CLIENTEDGE;
  params.Style |= win::ES_AUTOHSCROLL | (FReadOnly ? win::ES_READONLY : 0);
}

void TEdit::CreateWnd() {
  TControl::CreateWnd();
  if (FMaxLength > 0) FPlatform.SendMessageW(Handle(), win::EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

std::u16string TEdit::Text() const {
  if (!HandleAllocated()) return FText;
  const LRESULT n = FPlatform.SendMessageW(Handle(), win::WM_GETTEXTLENGTH, 0, 0);
  if (n <= 0) return {};
  std::u16string text(static_cast<std::size_t>(n) + 1, u'\0');
  const int got = FPlatform.GetWindowTextW(Handle(), text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(0, got)));
  return text;
}

void TEdit::SetText(const std::u16string& text) {
  FText = text;
  if (HandleAllocated()) {
    FPlatform.SendMessageW(Handle(), win::WM_SETTEXT, 0, reinterpret_cast<LPARAM>(FText.c_str()));
  }
}

void TEdit::SetReadOnly(bool readOnly) {
  FReadOnly = readOnly;
  if (HandleAllocated()) FPlatform.SendMessageW(Handle(), win::EM_SETREADONLY, readOnly ? 1 : 0, 0);
}

void TEdit::SetMaxLength(int length) {
  FMaxLength = std::max(0, length);
  if (HandleAllocated()) FPlatform.SendMessageW(Handle(), win::EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

void TEdit::SelectAll() {
  if (HandleAllocated()) FPlatform.SendMessageW(Handle(), win::EM_SETSEL, 0, -1);
}

void TEdit::SetSel(int start, int length) {
  if (HandleAllocated()) {
    FPlatform.SendMessageW(Handle(), win::EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + length));
  }
}

int TEdit::SelStart() const {
  if (!HandleAllocated()) return 0;
  DWORD start = 0, end = 0;
  FPlatform.SendMessageW(Handle(), win::EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(start);
}

int TEdit::SelLength() const {
  if (!HandleAllocated()) return 0;
  DWORD start = 0, end = 0;
  FPlatform.SendMessageW(Handle(), win::EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}

void TEdit::CommandNotify(UINT code) {
  if (code == win::EN_CHANGE && OnChange) OnChange(*this);
}

TMemo::TMemo(TWinControl* parent) : TEdit(parent) { SetBoundsPx({0, 0, 185, 89}); }

void TMemo::CreateParams(TCreateWindowParams& params) {
  TEdit::CreateParams(params);
  params.Style &= ~win::ES_AUTOHSCROLL;
  params.Style |= win::ES_MULTILINE | win::ES_AUTOVSCROLL | win::WS_VSCROLL | (WantReturns ? win::ES_WANTRETURN : 0);
}

std::vector<std::u16string> TMemo::Lines() const {
  std::vector<std::u16string> lines;
  const std::u16string text = Text();
  std::size_t from = 0;
  while (from <= text.size()) {
    const std::size_t at = text.find(u"\r\n", from);
    if (at == std::u16string::npos) {
      if (from < text.size()) lines.push_back(text.substr(from));
      break;
    }
    lines.push_back(text.substr(from, at - from));
    from = at + 2;
  }
  return lines;
}

void TMemo::SetLines(const std::vector<std::u16string>& lines) {
  std::u16string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) text += u"\r\n";
    text += lines[i];
  }
  SetText(text);
}

bool TMemo::WantsKey(int virtualKey) {
  if (virtualKey == win::VK_RETURN) return WantReturns;
  if (virtualKey == win::VK_TAB || virtualKey == win::VK_ESCAPE) return false;
  return IsArrowKey(virtualKey);
}

// --- TComboBox ---------------------------------------------------------------------------------

TComboBox::TComboBox(TWinControl* parent) : TControl(parent) {
  SetTabStop(true);
  SetColor(clWindow);
  SetBoundsPx({0, 0, 145, 21});
}

int TComboBox::WindowHeightFor(int height) const { return height + DropDownCount * FItemHeight + 2; }

void TComboBox::CreateParams(TCreateWindowParams& params) {
  TControl::CreateParams(params);
  params.Style |= win::CBS_DROPDOWNLIST | win::WS_VSCROLL;
  if (Style == TComboBoxStyle::csOwnerDrawFixed) params.Style |= win::CBS_OWNERDRAWFIXED | win::CBS_HASSTRINGS;
}

void TComboBox::CreateWnd() {
  TControl::CreateWnd();
  for (const auto& item : FItems) {
    FPlatform.SendMessageW(Handle(), win::CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
  FPlatform.SendMessageW(Handle(), win::CB_SETCURSEL, static_cast<WPARAM>(static_cast<std::intptr_t>(FItemIndex)), 0);
}

void TComboBox::SetItems(const std::vector<std::u16string>& items) {
  FItems = items;
  FItemIndex = -1;
  if (!HandleAllocated()) return;
  FPlatform.SendMessageW(Handle(), win::CB_RESETCONTENT, 0, 0);
  for (const auto& item : FItems) {
    FPlatform.SendMessageW(Handle(), win::CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
}

int TComboBox::ItemIndex() const {
  if (!HandleAllocated()) return FItemIndex;
  return static_cast<int>(FPlatform.SendMessageW(Handle(), win::CB_GETCURSEL, 0, 0));
}

void TComboBox::SetItemIndex(int index) {
  FItemIndex = (index >= 0 && index < static_cast<int>(FItems.size())) ? index : -1;
  if (HandleAllocated()) {
    FPlatform.SendMessageW(Handle(), win::CB_SETCURSEL, static_cast<WPARAM>(static_cast<std::intptr_t>(FItemIndex)), 0);
  }
}

void TComboBox::SetItemHeight(int height) {
  if (height <= 0 || height == FItemHeight) return;
  FItemHeight = height;
  if (!HandleAllocated() || Style != TComboBoxStyle::csOwnerDrawFixed) return;
  FPlatform.SendMessageW(Handle(), win::CB_SETITEMHEIGHT, static_cast<WPARAM>(static_cast<std::intptr_t>(-1)), height);
  FPlatform.SendMessageW(Handle(), win::CB_SETITEMHEIGHT, 0, height);
  // The window holds the dropped list: as many items as before, at the new height.
  FPlatform.SetWindowPos(Handle(), 0, 0, 0, Width(), WindowHeightFor(Height()),
                         win::SWP_NOMOVE | win::SWP_NOZORDER | win::SWP_NOACTIVATE);
}

bool TComboBox::DroppedDown() const {
  return HandleAllocated() && FPlatform.SendMessageW(Handle(), win::CB_GETDROPPEDSTATE, 0, 0) != 0;
}

bool TComboBox::WantsKey(int virtualKey) {
  if (IsArrowKey(virtualKey)) return true;
  // An open list takes Enter and Esc to close itself.
  if ((virtualKey == win::VK_RETURN || virtualKey == win::VK_ESCAPE) && DroppedDown()) return true;
  return false;
}

void TComboBox::CommandNotify(UINT code) {
  if (code == win::CBN_DROPDOWN && OnDropDown) OnDropDown(*this);
  if (code != win::CBN_SELCHANGE) return;
  FItemIndex = ItemIndex();
  if (OnChange) OnChange(*this);
}

bool TComboBox::MeasureItem(TMeasureItemStruct& item) {
  item.ItemHeight = static_cast<UINT>(FItemHeight);
  return true;
}

bool TComboBox::DrawItem(TDrawItemStruct& item) {
  TCanvas canvas(FPlatform, item.Dc);
  canvas.Font.Assign(Font());
  canvas.Brush.Color = Color();
  const int index = static_cast<int>(item.ItemID);
  const TOwnerDrawState state = item.ItemState;
  if (index >= 0 && (state & odSelected)) {
    canvas.Brush.Color = clHighlight;
    canvas.Font.SetColor(clHighlightText);
  }
  FCanvas = &canvas;
  if (index >= 0 && OnDrawItem) {
    OnDrawItem(*this, index, item.ItemRect, state);
  } else {
    canvas.FillRect(item.ItemRect);
    if (index >= 0 && index < static_cast<int>(FItems.size())) {
      canvas.TextOut(item.ItemRect.Left + 2, item.ItemRect.Top, FItems[static_cast<std::size_t>(index)]);
    }
  }
  FCanvas = nullptr;
  return true;
}

// --- TPanel, TImage ----------------------------------------------------------------------------

TPanel::TPanel(TWinControl* parent) : TCustomControl(parent) { SetBoundsPx({0, 0, 185, 41}); }

bool TPanel::WantsKey(int virtualKey) {
  // Enter is the swatch's own click, not the dialog's default button.
  return TabStop() && virtualKey == win::VK_RETURN;
}

LRESULT TPanel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case win::WM_SETFOCUS:
    case win::WM_KILLFOCUS:
      Invalidate();  // the focus rectangle comes and goes
      break;
    case win::WM_KEYDOWN: {
      const int vk = static_cast<int>(wParam);
      if (!TabStop() || (vk != win::VK_SPACE && vk != win::VK_RETURN) || (KeyShiftState() & (ssCtrl | ssAlt))) break;
      std::uint16_t key = static_cast<std::uint16_t>(vk);
      if (DoKeyDown(key, KeyShiftState())) Click();
      return 0;
    }
    default:
      break;
  }
  return TCustomControl::WndProc(msg, wParam, lParam);
}

void TPanel::MouseDown(TShiftState shift, int x, int y) {
  // A click gives the focus as a button's does, so the keyboard goes on from here.
  if (TabStop()) SetFocus();
  TCustomControl::MouseDown(shift, x, y);
}

void TPanel::Paint(TCanvas& canvas) {
  canvas.Brush.Color = Color();
  canvas.FillRect(ClientRect());
  if (BevelOuter == TBevelCut::bvLowered) canvas.DrawEdge(ClientRect(), win::BDR_SUNKENOUTER, win::BF_RECT);
  if (BevelOuter == TBevelCut::bvRaised) canvas.DrawEdge(ClientRect(), win::BDR_RAISEDOUTER, win::BF_RECT);
  if (TabStop() && Focused()) {
    const TRect c = ClientRect();
    canvas.DrawFocusRect({c.Left + 3, c.Top + 3, c.Right - 3, c.Bottom - 3});
  }
  if (ShowCaption && !Caption().empty()) {
    canvas.Brush.Clear = true;
    TRect r = ClientRect();
    canvas.DrawText(Caption(), r, win::DT_CENTER | win::DT_VCENTER | win::DT_SINGLELINE | win::DT_NOPREFIX);
  }
}

void TImage::SetIcon(HICON icon, int width, int height) {
  FIcon = icon;
  FIconWidth = width;
  FIconHeight = height;
  Invalidate();
}

void TImage::Paint(TCanvas& canvas) {
  canvas.Brush.Color = Parent() ? Parent()->Color() : Color();
  canvas.FillRect(ClientRect());
  if (FIcon) canvas.Draw((Width() - FIconWidth) / 2, (Height() - FIconHeight) / 2, FIcon, FIconWidth, FIconHeight);
}

// --- TColorDialog ------------------------------------------------------------------------------

bool TColorDialog::Execute(HWND owner) {
  TChooseColor choose;
  choose.Owner = owner;
  choose.Color = ColorToRGB(FPlatform, Color);
  std::copy(CustomColors.begin(), CustomColors.end(), choose.CustColors);
  choose.Flags = win::CC_RGBINIT | (FullOpen ? win::CC_FULLOPEN : 0);
  const bool ok = FPlatform.ChooseColorW(choose);
  // Custom colours the user added stay, whether or not a colour was chosen.
  std::copy(std::begin(choose.CustColors), std::end(choose.CustColors), CustomColors.begin());
  if (ok) Color = choose.Color;
  return ok;
}

}  // namespace lensoro

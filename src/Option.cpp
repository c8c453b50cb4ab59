#include "Option.h"

#include <cmath>

#include "Format.h"
#include "Lang.h"
#include "LnsLib.h"
#include "LoupeHotKey.h"
#include "LoupeTray.h"
#include "Monitors.h"
#include "RsTrayIcon.h"
#include "Settings.h"

namespace lensoro {

int GetTagFromName(const std::u16string& name) {
  if (name.size() < 3) return -1;
  int tag = 0;
  for (std::size_t i = name.size() - 3; i < name.size(); ++i) {
    if (name[i] < u'0' || name[i] > u'9') return -1;
    tag = tag * 10 + (name[i] - u'0');
  }
  return tag;
}

std::u16string ShortCutDisplayText(TPlatform& platform, TShortCut shortCut) {
  return ShortCutToText(platform, shortCut, u" + ");
}

// --- Construction: the designed layout -----------------------------------------------------

TOptionForm::TOptionForm(TApplication& app, IOptionFormHost& host, ILoupeModel& loupe, TLoupeTray& tray,
                         TLoupeHotKey& hotKey)
    : TForm(app, u"TOptionForm"),
      App(app),
      ColorDialog1(FPlatform),
      FHost(host),
      FLoupe(loupe),
      FTray(tray),
      FHotKey(hotKey) {
  Name = u"OptionForm";
  SetOwnerWindow(host.Handle());
  SetClientSize(366, 566);
  struct TPlace {
    TControl& Control;
    const char16_t* Name;
    int Left, Top, Width, Height;
  };
  const TPlace places[] = {
      {GroupBox101, u"GroupBox101", 4, 4, 360, 79},      {CheckBox101, u"CheckBox101", 8, 18, 261, 17},
      {Label101, u"Label101", 8, 47, 65, 13},            {ComboBox101, u"ComboBox101", 114, 44, 75, 24},
      {RadioGroup101, u"RadioGroup101", 4, 87, 175, 57}, {RadioGroup102, u"RadioGroup102", 189, 87, 175, 118},
      {GroupBox102, u"GroupBox102", 4, 148, 175, 57},    {SpinEdit101, u"SpinEdit101", 8, 22, 75, 23},
      {RadioGroup103, u"RadioGroup103", 4, 209, 360, 41}, {GroupBox103, u"GroupBox103", 4, 254, 360, 153},
      {Label102, u"Label102", 8, 18, 65, 13},            {SpinEdit102, u"SpinEdit102", 114, 15, 75, 23},
      {Label103, u"Label103", 8, 52, 65, 13},            {Panel101, u"Panel101", 299, 48, 53, 21},
      {Label104, u"Label104", 8, 77, 65, 13},            {Panel102, u"Panel102", 299, 73, 53, 21},
      {Label105, u"Label105", 8, 102, 65, 13},           {Panel103, u"Panel103", 299, 98, 53, 21},
      {Label106, u"Label106", 8, 127, 65, 13},           {Panel104, u"Panel104", 299, 123, 53, 21},
      {GroupBox104, u"GroupBox104", 4, 411, 360, 118},   {Label107, u"Label107", 8, 18, 65, 13},
      {Edit101, u"Edit101", 8, 39, 243, 23},             {Button101, u"Button101", 267, 39, 85, 23},
      {Label108, u"Label108", 8, 73, 65, 13},            {HotKey101, u"HotKey101", 124, 70, 127, 23},
      {Button102, u"Button102", 267, 70, 85, 23},       {Label109, u"Label109", 8, 98, 344, 13},
      {CloseButton, u"CloseButton", 271, 539, 93, 25},
  };
  for (const TPlace& p : places) {
    p.Control.Name = p.Name;
    p.Control.SetBounds(p.Left, p.Top, p.Width, p.Height);
  }
  // Numbered controls carry their number.
  for (TControl* c : {static_cast<TControl*>(&Panel101), static_cast<TControl*>(&Panel102),
                      static_cast<TControl*>(&Panel103), static_cast<TControl*>(&Panel104)}) {
    c->Tag = GetTagFromName(c->Name);
  }
  RadioGroup101.SetItems(std::vector<std::u16string>(LoupeModeCount));
  RadioGroup102.SetItems(std::vector<std::u16string>(LoupeSrcOriginCount));
  RadioGroup103.SetItems(std::vector<std::u16string>(LoupeColorModeCount));
  RadioGroup103.SetColumns(LoupeColorModeCount);
  ComboBox101.Style = TComboBoxStyle::csOwnerDrawFixed;
  for (TPanel* p : {&Panel101, &Panel102, &Panel103, &Panel104}) p->BevelOuter = TBevelCut::bvLowered;

  OnShow = [this](TForm&) { FormShow(); };
  OnClose = [this](TForm&, TCloseAction& action) { FormClose(action); };
  CheckBox101.OnClick = [this](TControl&) { CheckBox101Click(); };
  ComboBox101.OnDrawItem = [this](TComboBox& c, int i, const TRect& r, TOwnerDrawState s) {
    ComboBox101DrawItem(c, i, r, s);
  };
  ComboBox101.OnDropDown = [this](TControl&) { ComboBox101DropDown(); };
  ComboBox101.OnChange = [this](TControl&) { ComboBox101Select(); };
  RadioGroup101.OnClick = [this](TControl&) { RadioGroup101Click(); };
  RadioGroup102.OnClick = [this](TControl&) { RadioGroup102Click(); };
  RadioGroup103.OnClick = [this](TControl&) { RadioGroup103Click(); };
  Button101.OnClick = [this](TControl&) { Button101Click(); };
  HotKey101.OnChange = [this](TControl&) { HotKey101Change(); };
  HotKey101.OnKeyDown = [this](TControl&, std::uint16_t& key, TShiftState shift) { HotKey101KeyDown(key, shift); };
  Label109.ShowAccelChar = false;  // a hint, naming no control
  Button102.OnClick = [this](TControl&) { Button102Click(); };
  CloseButton.OnClick = [this](TControl&) { CloseButtonClick(); };
}

TOptionForm::~TOptionForm() {
  if (HandleAllocated()) DestroyHandle();  // FormDestroy runs while the controls still live
}

// --- Language -------------------------------------------------------------------------------

void TOptionForm::ApplyLang() {
  const TLangCaptions captions = ApplyOptionFormLang(App);
  const auto caption = [&](const std::u16string& key) { return CaptionOf(captions, App.Lang, key); };
  SetCaption(caption(u"OptionForm.Caption"));
  for (TControl* c : {static_cast<TControl*>(&GroupBox101), static_cast<TControl*>(&CheckBox101),
                      static_cast<TControl*>(&Label101), static_cast<TControl*>(&RadioGroup101),
                      static_cast<TControl*>(&GroupBox102), static_cast<TControl*>(&RadioGroup102),
                      static_cast<TControl*>(&RadioGroup103), static_cast<TControl*>(&GroupBox103),
                      static_cast<TControl*>(&Label102), static_cast<TControl*>(&Label103),
                      static_cast<TControl*>(&Label104), static_cast<TControl*>(&Label105),
                      static_cast<TControl*>(&Label106), static_cast<TControl*>(&GroupBox104),
                      static_cast<TControl*>(&Label107), static_cast<TControl*>(&Label108),
                      static_cast<TControl*>(&Button101), static_cast<TControl*>(&Button102),
                      static_cast<TControl*>(&CloseButton)}) {
    c->SetCaption(caption(c->Name + u".Caption"));
  }
  for (TRadioGroup* g : {&RadioGroup101, &RadioGroup102, &RadioGroup103}) {
    for (int i = 0; i < g->ButtonCount(); ++i) {
      g->SetItem(i, caption(g->Name + u".Items[" + AsciiToUtf16(std::to_string(i).c_str()) + u"]"));
    }
  }
  HotKey101Change();
}

// --- Showing ------------------------------------------------------------------------------

void TOptionForm::FormShow() {
  // Through the loupe's count, so that a message box closing inside the
  // dialog does not put the loupe back over it.
  if (!FHoldsNotTopmost) FHost.BeginNotTopmost();
  FHoldsNotTopmost = true;
  FRate = PixelsPerInch() / 96.0;
  TNonClientMetrics metrics;
  if (FPlatform.SystemParametersInfoW(metrics)) AssignSystemFont(Font(), metrics.MenuFont);
  DoubleBuffered = true;

  ApplyLang();
  PlaceOnAMonitor();
  CloseButton.SetCancel(true);

  const TLoupeSettings& settings = FLoupe.Settings();
  CheckBox101.SetChecked(settings.IsSilentMode);

  FComboMargin = 2;
  SetComboItemHeight();
  std::vector<std::u16string> items;
  for (int i = 0; i < std::max(1, FTray.OrgIconCount); ++i) {
    items.push_back(FormatText(u"%d:", {FTray.OrgIconCount < 1 ? FTray.OrgIconCount : i}));
  }
  ComboBox101.SetItems(items);
  ComboBox101.SetItemIndex(FTray.ShownTrayIconIndex());
  MakeComboIcons();

  RadioGroup101.SetItemIndex(settings.LoupeMode);
  SetupSpinEdits(GroupBox102);
  RadioGroup102.SetItemIndex(settings.LoupeSrcOrigin);
  RadioGroup103.SetItemIndex(settings.LoupeColorMode);
  SetupSpinEdits(GroupBox103);
  SetupColorPanels();

  Edit101.SetText(u"");
  Edit101.SetReadOnly(true);
  Edit101.SetTabStop(false);
  Edit101.SetBorderStyle(bsNone);
  Edit101.SetFlatStyle(rfsFlatNormal);
  HotKey101.SetBorderStyle(bsNone);
  HotKey101.SetFlatStyle(rfsFlatNormal);
  ShowShortCut(FHotKey.ShortCut());
  CentreLabelsOnTheirFields();
}

// A saved place is brought onto the work area of its monitor (the nearest
// one when its monitor is gone: the bounding box of the monitors has holes
// where they differ in size). Without one the dialog opens beside the loupe,
// so that the user sees what each setting does; where no side has room, it
// stays where it was shown: over the loupe, on its monitor.
void TOptionForm::PlaceOnAMonitor() {
  int left = Left(), top = Top();
  const bool saved = LoadOptionFormPosition(App, left, top);
  Position = TPosition::poDesigned;
  const std::vector<TMonitorInfo> monitors = FPlatform.EnumDisplayMonitors();
  if (!saved && PlaceBesideLoupe(monitors)) return;
  SetBoundsPx(MoveOntoItsMonitor({left, top, left + Width(), top + Height()}, monitors));
}

bool TOptionForm::PlaceBesideLoupe(const std::vector<TMonitorInfo>& monitors) {
  TRect loupe;
  if (!FPlatform.IsWindowVisible(FHost.Handle()) || !FPlatform.GetWindowRect(FHost.Handle(), loupe)) return false;
  const TMonitorInfo* monitor = MonitorOfRect(loupe, monitors);
  if (!monitor) return false;
  const TRect work = WorkAreaOf(*monitor);
  const TSize size = WindowSizeOn(work);
  const std::vector<TRect> places = PlacesBeside(loupe, size.Cx, size.Cy, work, Scale(8));
  if (places.empty()) return false;
  SetBoundsPx(places.front());
  return true;
}

void TOptionForm::SetComboItemHeight() {
  ComboBox101.SetItemHeight(static_cast<int>(std::lround(FRate * 16)) + 2 * FComboMargin);
}

void TOptionForm::DpiChanged() {
  FRate = PixelsPerInch() / 96.0;
  SetComboItemHeight();
  CentreLabelsOnTheirFields();
}

void TOptionForm::CentreLabelsOnTheirFields() {
  // The design places them for a 13 pixel line; a smaller font would leave
  // their text above the fields' centred lines.
  const std::pair<TLabel*, TControl*> pairs[] = {
      {&Label101, &ComboBox101}, {&Label102, &SpinEdit102}, {&Label108, &HotKey101}};
  for (const auto& [label, field] : pairs) {
    TControlCanvas canvas(*label);
    if (!canvas) continue;
    const TRect b = label->BoundsRect(), f = field->BoundsRect();
    const int top = f.Top + TextTopOffset(canvas->TextMetric().Height, f.Height());
    label->SetBoundsPx({b.Left, top, b.Right, top + b.Height()});
  }
}

void TOptionForm::MakeComboIcons() {
  FComboIcons.clear();
  for (int i = 0; i < FTray.OrgIconCount && i < static_cast<int>(FTray.PngImageList1.size()); ++i) {
    auto icon = std::make_unique<TIcon>(FPlatform);
    icon->Take(MakeListIcon(FPlatform, FTray.PngImageList1, i));
    FComboIcons.push_back(std::move(icon));
  }
}

// --- The tray-image combo ----------------------------------------------------------------

void TOptionForm::ComboBox101DrawItem(TComboBox& control, int index, const TRect& rect, TOwnerDrawState state) {
  TCanvas* canvas = control.Canvas();
  if (!canvas || control.Items().empty()) return;
  const int itemHeight = control.ItemHeight();
  canvas->Font.SetColor((state & (odSelected | odFocused)) ? control.Color() : control.Font().Color());
  canvas->FillRect(rect);
  const std::u16string text = control.Items()[static_cast<std::size_t>(index)];
  const TSize extent = canvas->TextExtent(text);
  canvas->TextOut(rect.Left + (itemHeight - extent.Cx) / 2, rect.Top + (itemHeight - extent.Cy) / 2, text);
  HICON icon = 0;
  int width = 0, height = 0;
  if (FTray.OrgIconCount >= 1) {
    if (index >= 0 && index < static_cast<int>(FComboIcons.size())) {
      icon = FComboIcons[static_cast<std::size_t>(index)]->Handle();
      // The tray's images are made at the system DPI; the dialog may be at
      // another monitor's.
      const int trayDpi = static_cast<int>(std::lround(FTray.Rate() * 96));
      width = RescalePpi(FTray.PngImageList1[static_cast<std::size_t>(index)].Width, trayDpi, PixelsPerInch());
      height = RescalePpi(FTray.PngImageList1[static_cast<std::size_t>(index)].Height, trayDpi, PixelsPerInch());
    }
  } else if (FTray.TrayIcon1) {
    icon = FTray.TrayIcon1->Icon().Handle();
    width = FPlatform.GetSystemMetrics(win::SM_CXSMICON);
    height = FPlatform.GetSystemMetrics(win::SM_CYSMICON);
    if (width <= 0 || height <= 0) width = height = 16;
  }
  if (icon)
    canvas->Draw(rect.Left + itemHeight + 2 * FComboMargin, rect.Top + (itemHeight - height) / 2, icon, width, height);
  if ((state & odSelected) && (state & odFocused)) canvas->DrawFocusRect(rect);
}

void TOptionForm::ComboBox101DropDown() { FHost.SetTopmost(false); }

void TOptionForm::ComboBox101Select() {
  // A hidden loupe shows the faded variant of its image.
  const bool shown = FHost.Handle() && FPlatform.IsWindowVisible(FHost.Handle());
  FTray.ChooseTrayIcon(ComboBox101.ItemIndex(), shown);
}

// --- The other controls ------------------------------------------------------------------

void TOptionForm::CheckBox101Click() { FLoupe.SetSilentMode(CheckBox101.Checked()); }

void TOptionForm::RadioGroup101Click() {
  if (RadioGroup101.ItemIndex() >= 0) FLoupe.SetLoupeMode(static_cast<TLoupeMode>(RadioGroup101.ItemIndex()));
}

void TOptionForm::RadioGroup102Click() {
  if (RadioGroup102.ItemIndex() >= 0) FLoupe.SetLoupeSrcOrigin(static_cast<TLoupeSrcOrigin>(RadioGroup102.ItemIndex()));
}

void TOptionForm::RadioGroup103Click() {
  if (RadioGroup103.ItemIndex() >= 0) {
    FLoupe.SetLoupeColorMode(static_cast<TLoupeColorMode>(RadioGroup103.ItemIndex()));
  }
}

// --- The spin edits ----------------------------------------------------------------------

void TOptionForm::SetupSpinEdits(TGroupBox& box) {
  for (TControl* c : box.Controls()) {
    auto* edit = dynamic_cast<TRsSpinEdit*>(c);
    if (!edit) continue;
    edit->Tag = GetTagFromName(edit->Name);
    edit->SetSpinStyle(rssFlat);
    InitSpinEdit(*edit);
    // After the value: setting the field up is no change of the user's.
    edit->OnChange = [this, edit](TControl&) { SpinEditChange(*edit); };
  }
}

void TOptionForm::InitSpinEdit(TRsSpinEdit& edit) {
  switch (edit.Tag) {
    case 101:
      edit.SetValueKind(vkFloat);
      edit.SetDecimalPlaces(1);
      edit.SetIncrement(LoupeRateStep);
      edit.SetMinValue(LoupeRateMin);
      edit.SetMaxValue(LoupeRateMax);
      // The rate shows with a point, as every language writes "1.3x"; a
      // comma or the locale's separator typed is read as one.
      edit.SetDecimalSeparator(u".");
      edit.SetOtherSeparators(u"," + FPlatform.GetLocaleDecimalSeparator());
      edit.SetValue(FLoupe.Settings().LoupeRate);
      break;
    case 102:
      edit.SetMinValue(0);
      edit.SetMaxValue(FrameWidthMax);
      edit.SetIncrement(1);
      edit.SetValue(FLoupe.Settings().FrameWidth);
      break;
    default: break;
  }
}

void TOptionForm::SpinEditChange(TRsSpinEdit& edit) {
  const long double value = edit.Value();
  if (value < edit.MinValue() || value > edit.MaxValue()) return;
  if (edit.Tag == 101) FLoupe.SetLoupeRate(static_cast<float>(value));
  if (edit.Tag == 102) FLoupe.SetFrameWidth(static_cast<int>(edit.AsInteger()));
}

// --- Colour swatches -----------------------------------------------------------------------

void TOptionForm::SetupColorPanels() {
  const struct {
    TPanel* Panel;
    TFrameColorSlot Slot;
  } swatches[] = {
      {&Panel101, TFrameColorSlot::ActivePointer},
      {&Panel102, TFrameColorSlot::InactivePointer},
      {&Panel103, TFrameColorSlot::ActiveWindow},
      {&Panel104, TFrameColorSlot::InactiveWindow},
  };
  for (const auto& swatch : swatches) {
    TPanel* panel = swatch.Panel;
    const TFrameColorSlot slot = swatch.Slot;
    panel->ShowCaption = false;
    panel->SetTabStop(true);  // Space or Enter opens the chooser as a click does
    panel->SetColor(FLoupe.Settings().FrameColor(slot));
    panel->OnClick = [this, panel, slot](TControl&) { ColorPanelClick(*panel, slot); };
  }
}

void TOptionForm::PrepareColorDialog(TPanel& panel) {
  // "ColorA", the first custom colour, is the swatch's own.
  ColorDialog1.CustomColors[0] = ColorToRGB(FPlatform, panel.Color());
  ColorDialog1.Color = panel.Color();
}

void TOptionForm::ColorPanelClick(TPanel& panel, TFrameColorSlot slot) {
  PrepareColorDialog(panel);
  if (!ColorDialog1.Execute(Handle())) return;
  panel.SetColor(ColorDialog1.Color);
  FLoupe.SetFrameColor(ColorDialog1.Color, slot);
}

// --- The hot key ------------------------------------------------------------------------------

void TOptionForm::ShowShortCut(TShortCut shortCut) {
  const std::u16string text = ShortCutDisplayText(FPlatform, shortCut);
  Edit101.SetText(text);
  EnableKeepingFocus(Button101, !text.empty());
  HotKey101Change();
}

void TOptionForm::HotKey101Change() {
  const bool typing = !HotKey101.IsEmpty() && !HotKey101.ModifiersOnly() && HotKeyTakesTyping(HotKey101.HotKey());
  EnableKeepingFocus(Button102, !HotKey101.IsEmpty() && !typing);
  Label109.SetCaption(typing ? App.Lang.Text(u"HintHotKeyNeedsCtrlOrAlt") : u"");
}

void TOptionForm::HotKey101KeyDown(std::uint16_t& key, TShiftState shift) {
  if (key != win::VK_RETURN || (shift & (ssCtrl | ssAlt))) return;
  key = 0;  // never captured: a plain Enter cannot be a hot key
  if (Button102.Enabled()) Button102Click();
}

void TOptionForm::EnableKeepingFocus(TButton& button, bool enabled) {
  // A disabled window loses the focus, and the keyboard would start again at
  // the dialog's first control.
  if (!enabled && button.Focused()) HotKey101.SetFocus();
  button.SetEnabled(enabled);
}

std::u16string TOptionForm::ConfirmText(const char16_t* key) {
  const std::u16string templ = App.Lang.Text(key) + u"\r\n\r\n" + App.Lang.Text(u"MsgConfirmOKCancel");
  return FormatText(templ, {Edit101.Text() + u": " + Label107.Caption()});
}

void TOptionForm::DeleteShortCut() {
  const int answer = ShowMsgDialog(App, ConfirmText(u"MsgConfirmDeleteItem"), TMsgDlgType::Confirmation,
                                   mbOK | mbCancel, Handle());
  if (answer != win::IDOK) return;  // closing the box is a Cancel
  ShowShortCut(0);
  FHotKey.Assign(0, THotKeyOrigin::Entered);
}

void TOptionForm::AddShortCut() {
  // Modifiers still held (Ctrl down while clicking) are no combination yet.
  if (HotKey101.IsEmpty() || HotKey101.ModifiersOnly()) return;
  const TShortCut captured = HotKey101.HotKey();
  if (HotKeyTakesTyping(captured)) return;
  if (FHotKey.ShortCut() != 0) {
    const int answer = ShowMsgDialog(App, ConfirmText(u"MsgConfirmOverwriteItem"), TMsgDlgType::Confirmation,
                                     mbOK | mbCancel, Handle());
    if (answer != win::IDOK) {
      HotKey101.Clear();
      return;
    }
  }
  // A refusal has been shown; what stays assigned is the hot key's rule.
  FHotKey.Assign(captured, THotKeyOrigin::Entered);
  HotKey101.Clear();
  ShowShortCut(FHotKey.ShortCut());
}

// --- Closing ---------------------------------------------------------------------------------

void TOptionForm::FormClose(TCloseAction& action) { action = TCloseAction::caFree; }

void TOptionForm::FormDestroy() {
  if (FDestroyed) return;
  FDestroyed = true;
  if (FHoldsNotTopmost) FHost.EndNotTopmost();
  FHoldsNotTopmost = false;
  // The loupe saves everything itself when it goes first.
  if (FHost.FormDestroyed()) {
    FHost.OptionFormDestroyed(this);
    return;
  }
  const TRect bounds = BoundsRect();
  ReportSaveResult(App, FHost.SaveNotice(), SaveOptionFormPosition(App, bounds.Left, bounds.Top), Handle());
  ReportSaveResult(App, FHost.SaveNotice(), FHost.SaveAllSettings(), Handle());
  FHost.OptionFormDestroyed(this);
}

LRESULT TOptionForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == win::WM_DESTROY) FormDestroy();
  return TForm::WndProc(msg, wParam, lParam);
}

}  // namespace lensoro

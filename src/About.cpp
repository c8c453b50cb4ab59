#include "About.h"

#include <zlib.h>

#include <climits>
#include <string>
#include <vector>

#include "FilePath.h"
#include "Format.h"
#include "Lang.h"
#include "LnsLib.h"
#include "RsVersionInfo.h"
#include "ScopeGuard.h"
#include "Version.h"

namespace lensoro {

namespace {

constexpr const char16_t* AnchorColorKey = u"Software\\Microsoft\\Internet Explorer\\Settings";
constexpr const char16_t* AnchorColorValue = u"Anchor Color";
// A colour setting is a few characters; a longer value is not one.
constexpr DWORD MaxAnchorColorBytes = 256;

bool IsBlank(char16_t c) { return c <= u' '; }

// "r,g,b" split at commas, blanks separating as well: " 0, 0, 255" and
// "0 0 255" both give three fields, "1,,3" an empty second one.
std::vector<std::u16string> SplitFields(const std::u16string& text) {
  std::vector<std::u16string> fields;
  std::size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && IsBlank(text[i])) ++i;
  };
  skipBlanks();
  while (i < text.size()) {
    const std::size_t begin = i;
    while (i < text.size() && text[i] != u',' && !IsBlank(text[i])) ++i;
    fields.push_back(text.substr(begin, i - begin));
    skipBlanks();
    if (i < text.size() && text[i] == u',') {
      ++i;
      skipBlanks();
    }
  }
  return fields;
}

// A decimal integer in the range of 32 bits, with an optional sign.
bool ParseInteger(const std::u16string& text, long long& value) {
  std::size_t i = 0;
  const bool negative = !text.empty() && text[0] == u'-';
  if (!text.empty() && (text[0] == u'-' || text[0] == u'+')) i = 1;
  if (i == text.size()) return false;
  long long v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < u'0' || text[i] > u'9') return false;
    v = v * 10 + (text[i] - u'0');
    if (v > static_cast<long long>(INT_MAX) + 1) return false;
  }
  if (negative) v = -v;
  if (v > INT_MAX || v < INT_MIN) return false;
  value = v;
  return true;
}

DWORD ParseAnchorColor(const std::u16string& text) {
  const std::vector<std::u16string> fields = SplitFields(text);
  auto component = [&](std::size_t index, long long fallback) {
    long long v = fallback;
    if (index < fields.size() && !ParseInteger(fields[index], v)) v = fallback;
    return static_cast<DWORD>(v) & 0xFF;
  };
  return component(0, 0) | component(1, 0) << 8 | component(2, 255) << 16;
}

// The text of the setting; "0,0,255" when the key is not there, "" when it
// has no readable text value.
std::u16string ReadAnchorColorText(TPlatform& platform) {
  HKEY key = 0;
  if (platform.RegOpenKeyExW(win::HKEY_CURRENT_USER, AnchorColorKey, 0, win::KEY_READ, key) != 0) {
    return u"0,0,255";
  }
  std::u16string text;
  DWORD type = 0, size = 0;
  if (platform.RegQueryValueExW(key, AnchorColorValue, type, nullptr, size) == 0 &&
      (type == win::REG_SZ || type == win::REG_EXPAND_SZ) && size > 0 && size <= MaxAnchorColorBytes) {
    std::vector<std::uint8_t> data(size);
    if (platform.RegQueryValueExW(key, AnchorColorValue, type, data.data(), size) == 0) {
      // Stored text need not end in a zero, and may be an odd byte long.
      for (std::size_t i = 0; i + 1 < size && i + 1 < data.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == 0) break;
        text.push_back(c);
      }
    }
  }
  platform.RegCloseKey(key);
  return text;
}

}  // namespace

std::u16string MakerWebAddress(const std::u16string& exeName, const std::u16string& setting) {
  if (setting.find(u"://") != std::u16string::npos) return setting;
  std::u16string path = ExtractFilePath(exeName) + setting;
  for (char16_t& c : path) {
    if (c == u'/') c = u'\\';
  }
  return path;
}

std::u16string MakerWebAddress(const std::u16string& exeName) {
  return MakerWebAddress(exeName, LENSORO_WEB_ADDRESS);
}

DWORD GetAnchorColor(TPlatform& platform) { return ParseAnchorColor(ReadAnchorColorText(platform)); }

// --- The credits ----------------------------------------------------------------------

std::vector<std::u16string> CreditLines() {
  std::vector<std::u16string> lines = {
      u"* zlib " + AsciiToUtf16(ZLIB_VERSION),
      u"  Jean-loup Gailly and Mark Adler",
      u"  https://zlib.net/",
  };
#if defined(__MINGW32__)
  // The mingw-w64 build links the compiler's runtime into the exe.
  lines.push_back(u"* GCC runtime libraries " + AsciiToUtf16(std::to_string(__GNUC__).c_str()));
  lines.push_back(u"  libstdc++ and libgcc, Free Software Foundation");
  lines.push_back(u"  https://gcc.gnu.org/");
  lines.push_back(u"* mingw-w64 runtime " + AsciiToUtf16(__MINGW64_VERSION_STR));
  lines.push_back(u"  the mingw-w64 project");
  lines.push_back(u"  https://www.mingw-w64.org/");
#endif
  return lines;
}

// --- TCreditMemo ------------------------------------------------------------------------

void TCreditMemo::CreateParams(TCreateWindowParams& params) {
  TMemo::CreateParams(params);
  params.ExStyle &= ~win::WS_EX_CLIENTEDGE;
}

void TCreditMemo::CreateWnd() {
  TMemo::CreateWnd();
  FPlatform.ImmDisableForWindow(Handle());
}

// --- TAboutForm ---------------------------------------------------------------------------

TAboutForm::TAboutForm(TApplication& app) : TForm(app, u"TAboutForm"), App(app) {
  Name = u"AboutForm";
  SetClientSize(382, 206);
  Position = TPosition::poOwnerFormCenter;
  IconImage.SetBounds(8, 36, 48, 48);
  VSpacer.SetBounds(60, 34, 10, 166);
  VSpacer.SetShape(lsSingle);
  VSpacer.SetDirection(ldVertical);
  TitleLabel.SetBounds(8, 8, 0, 12);
  VersionLabel.SetBounds(74, 36, 0, 12);
  AuthorLabel.SetBounds(74, 56, 0, 12);
  WebSiteLabel.SetBounds(74, 76, 0, 12);
  HSpacer.SetBounds(30, 94, 346, 5);
  HSpacer.SetShape(lsSingle);
  HSpacer.SetDirection(ldHorizontal);
  OKButton.SetBounds(284, 68, 90, 21);
  CreditMemo.SetBounds(74, 106, 300, 92);
  // Names and an address, no control's: an "&" in them shows as it is.
  for (TLabel* label : {&TitleLabel, &VersionLabel, &AuthorLabel, &WebSiteLabel}) label->ShowAccelChar = false;

  WebSiteLabel.OnClick = [this](TControl& c) { WebSiteLabelClick(c); };
  WebSiteLabel.OnMouseEnter = [this](TControl& c) { WebSiteLabelMouseEnter(c); };
  WebSiteLabel.OnMouseLeave = [this](TControl& c) { WebSiteLabelMouseLeave(c); };
  CreditMemo.OnEnter = [this](TControl& c) { CreditMemoEnter(c); };
  CreditMemo.OnContextPopup = [this](TControl& c, TPoint at, bool& handled) { CreditMemoContextPopup(c, at, handled); };
  CreditMemo.OnKeyDown = [this](TControl& c, std::uint16_t& key, TShiftState shift) {
    CreditMemoKeyDown(c, key, shift);
  };
  OnShow = [this](TForm&) { FormShow(); };
  FormCreate();
}

TAboutForm::~TAboutForm() {
  // The image only borrows the icon.
  if (FIcon) FPlatform.DestroyIcon(FIcon);
}

void TAboutForm::LoadIcon() {
  const HICON icon = FPlatform.LoadImageW(1, IconImage.Width(), IconImage.Height());
  if (!icon) return;
  IconImage.SetIcon(icon, IconImage.Width(), IconImage.Height());
  if (FIcon) FPlatform.DestroyIcon(FIcon);
  FIcon = icon;
}

void TAboutForm::DpiChanged() {
  LoadIcon();
  AdjustLabelTops();
}

void TAboutForm::FormCreate() {
  LoadIcon();
  OKButton.SetDefault(true);
  OKButton.SetCancel(true);
  OKButton.ModalResult = mrOk;
  CreditMemo.SetColor(clBtnFace);
  CreditMemo.SetReadOnly(true);
  CreditMemo.WantReturns = false;
  CreditMemo.SetText(u"");
}

void TAboutForm::FormShow() {
  TNonClientMetrics metrics;
  if (FPlatform.SystemParametersInfoW(metrics)) AssignSystemFont(Font(), metrics.MenuFont);
  FLinkRestColor = Font().Color();
  DoubleBuffered = true;
  ApplyLang();
  TitleLabel.Font().SetSize(Font().Size() + 1);
  AdjustLabelTops();
  try {
    const TRsVersionInfo info(FPlatform, App.ExeName);
    VersionLabel.SetCaption(info.GetProductVersionText(0));
  } catch (const ERsVersionInfo& e) {
    // Ends the showing at once; the caller reports it once the dialog is gone.
    FVersionError = e.what();
    ModalResult = mrAbort;
  }
}

void TAboutForm::ApplyLang() {
  const TLangCaptions captions = ApplyAboutFormLang(App);
  SetCaption(CaptionOf(captions, u"AboutForm.Caption"));
  TitleLabel.SetCaption(CaptionOf(captions, u"TitleLabel.Caption"));
  AuthorLabel.SetCaption(CaptionOf(captions, u"AuthorLabel.Caption"));
  WebSiteLabel.SetCaption(CaptionOf(captions, u"WebSiteLabel.Caption"));
  std::vector<std::u16string> lines = {CaptionOf(captions, u"CreditMemo.Text")};
  for (const std::u16string& line : CreditLines()) lines.push_back(line);
  CreditMemo.SetLines(lines);
  CreditMemo.SetSel(0, 0);
  if (CreditMemo.HandleAllocated()) FPlatform.SendMessageW(CreditMemo.Handle(), win::EM_SCROLLCARET, 0, 0);
  OKButton.SetCaption(CaptionOf(captions, u"OKButton.Caption"));
  SetActiveControl(&OKButton);
}

void TAboutForm::AdjustLabelTops() {
  const int designHeight = Scale(12);
  for (TControl* control : Controls()) {
    auto* label = dynamic_cast<TLabel*>(control);
    if (!label || label->Height() <= designHeight) continue;
    TControlCanvas canvas(*label);
    if (!canvas) continue;
    const TRect b = label->BoundsRect();
    const int offset = TextTopOffset(canvas->TextMetric().Height, designHeight);
    label->SetBoundsPx({b.Left, b.Top + offset, b.Right, b.Bottom + offset});
  }
}

void TAboutForm::WebSiteLabelClick(TControl& sender) {
  if (&sender != &WebSiteLabel) return;
  const std::u16string address = MakerWebAddress(App.ExeName);
  const std::intptr_t result = FPlatform.ShellExecuteW(Handle(), u"", address, u"", u"", win::SW_SHOWNORMAL);
  if (result <= 32) {
    const std::u16string code = FormatText(App.Lang.Text(u"MsgErrorShowErrorCode"), {static_cast<int>(result)});
    ShowMsgDialog(App, FormatText(App.Lang.Text(u"MsgErrorCannotOpenItem") + u" (%s)", {address, code}),
                  TMsgDlgType::Error, mbOK, Handle());
  }
}

void TAboutForm::WebSiteLabelMouseEnter(TControl&) {
  WebSiteLabel.Cursor = TCursor::crHandPoint;
  WebSiteLabel.Font().SetColor(GetAnchorColor(FPlatform));
  WebSiteLabel.Font().SetStyle(WebSiteLabel.Font().Style() | fsUnderline);
  WebSiteLabel.SetHint(MakerWebAddress(App.ExeName));
  WebSiteLabel.SetShowHint(true);
}

void TAboutForm::WebSiteLabelMouseLeave(TControl&) {
  WebSiteLabel.Cursor = TCursor::crDefault;
  WebSiteLabel.Font().SetColor(FLinkRestColor);
  WebSiteLabel.Font().SetStyle(WebSiteLabel.Font().Style() & ~fsUnderline);
  WebSiteLabel.SetHint(u"");
  WebSiteLabel.SetShowHint(false);
}

void TAboutForm::CreditMemoEnter(TControl&) { CreditMemo.SelectAll(); }

void TAboutForm::CreditMemoContextPopup(TControl&, TPoint, bool& handled) { handled = true; }

void TAboutForm::CreditMemoKeyDown(TControl&, std::uint16_t& key, TShiftState shift) {
  if (key == u'A' && (shift & ssCtrl) && !(shift & (ssShift | ssAlt))) CreditMemo.SelectAll();
}

// --- Showing it --------------------------------------------------------------------------

void ShowAboutDialog(TApplication& app, HWND owner, TAboutForm*& current) {
  // The 50 ms tick would otherwise push the loupe above the dialog.
  if (app.MainForm) app.MainForm->BeginNotTopmost();
  std::string error;
  {
    TScopeGuard endNotTopmost([&app] {
      if (app.MainForm) app.MainForm->EndNotTopmost();
    });
    TAboutForm form(app);
    form.SetOwnerWindow(owner);
    current = &form;
    TScopeGuard forget([&current] { current = nullptr; });
    form.ShowModal();
    error = form.VersionError();
  }
  if (!error.empty()) ShowMsgDialog(app, Utf8ToUtf16(error), TMsgDlgType::Error, mbOK, owner);
}

}  // namespace lensoro

// The About dialog: title, version, author, the maker's web site and the
// credits of the libraries the program is built with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Controls.h"
#include "Platform.h"
#include "RsSpacer.h"

namespace lensoro {

class TApplication;

// The maker's web address, the link's target and its tooltip, from the
// build's setting: an address with a scheme stands as it is; anything else
// is a path beside the executable (by default its help page).
std::u16string MakerWebAddress(const std::u16string& exeName, const std::u16string& setting);
std::u16string MakerWebAddress(const std::u16string& exeName);

// The colour the user's web browser gives links (0x00BBGGRR); blue when it
// has none or it cannot be read.
DWORD GetAnchorColor(TPlatform& platform);

// The credits box: no frame, no input method, Enter left to the dialog.
class TCreditMemo : public TMemo {
 public:
  using TMemo::TMemo;

 protected:
  void CreateParams(TCreateWindowParams& params) override;
  void CreateWnd() override;
};

class TAboutForm : public TForm {
 public:
  explicit TAboutForm(TApplication& app);
  ~TAboutForm() override;

  TApplication& App;  // the program's, the form's own as a TBaseApplication

  // Creation order is tab order: the button first, the credits second.
  TButton OKButton{this};
  TCreditMemo CreditMemo{this};
  TImage IconImage{this};
  TRsSpacer VSpacer{this};
  TLabel TitleLabel{this};
  TLabel VersionLabel{this};
  TLabel AuthorLabel{this};
  TLabel WebSiteLabel{this};
  TRsSpacer HSpacer{this};

  // The language file's texts, again after a language switch.
  void ApplyLang();
  // The text of a damaged version resource when the showing failed; "" else.
  const std::string& VersionError() const { return FVersionError; }

  void FormCreate();
  void FormShow();
  void WebSiteLabelClick(TControl& sender);
  void WebSiteLabelMouseEnter(TControl& sender);
  void WebSiteLabelMouseLeave(TControl& sender);
  void CreditMemoEnter(TControl& sender);
  void CreditMemoContextPopup(TControl& sender, TPoint mousePos, bool& handled);
  void CreditMemoKeyDown(TControl& sender, std::uint16_t& key, TShiftState shift);

 protected:
  // At another monitor's DPI: the labels' text lines and the icon again.
  void DpiChanged() override;

 private:
  void AdjustLabelTops();
  void LoadIcon();
  TColor FLinkRestColor = clWindowText;  // the menu font's colour
  HICON FIcon = 0;
  std::string FVersionError;
};

// The fixed credits lines: every library linked into this build.
std::vector<std::u16string> CreditLines();

// Runs a new About dialog modally over owner, with the loupe's top-most
// flag lowered meanwhile and `current` pointing at the dialog; afterwards
// reports a damaged version resource as an error.
void ShowAboutDialog(TApplication& app, HWND owner, TAboutForm*& current);

}  // namespace lensoro

// The system-wide hot key that hides the loupe to the tray and restores it.
#include "LoupeHotKey.h"

#include <cstdint>
#include <utility>

#include "Format.h"
#include "LnsLib.h"

namespace lensoro {

namespace {
// The virtual keys that type a character, as ranges.
// clang-format off
constexpr struct {
  std::uint16_t First, Last;
} CharacterKeys[] = {
    {win::VK_BACK, win::VK_TAB}, {win::VK_RETURN, win::VK_RETURN}, {win::VK_ESCAPE, win::VK_ESCAPE},
    {win::VK_SPACE, win::VK_SPACE}, {u'0', u'9'}, {u'A', u'Z'},
    {0x60, 0x6F},  // the number pad's digits and operators
    {0xBA, 0xC0},  // OEM punctuation: ; = , - . / `
    {0xDB, 0xDF},  // OEM punctuation: [ \ ] ' and the eighth
    {0xE2, 0xE2},  // the key beside the left Shift on 102-key keyboards
};
// clang-format on
}  // namespace

bool HotKeyTakesTyping(TShortCut shortCut) {
  std::uint16_t key = 0;
  TShiftState shift = 0;
  ShortCutToKey(shortCut, key, shift);
  if (key == 0 || (shift & (ssCtrl | ssAlt))) return false;
  for (const auto& range : CharacterKeys) {
    if (key >= range.First && key <= range.Last) return true;
  }
  return false;
}

TLoupeHotKey::TLoupeHotKey(TApplication& app, std::function<void()> toggle, std::function<void(TShortCut)> show)
    : FApp(app), FPlatform(app.Platform), FToggle(std::move(toggle)), FShow(std::move(show)) {}

void TLoupeHotKey::Start(HWND window) {
  FWindow = window;
  FHotKeyId = FPlatform.GlobalAddAtomW(GetTimeStampText(FPlatform));
  FStarted = true;
  Assign(FShortCut, THotKeyOrigin::Saved);
}

bool TLoupeHotKey::Assign(TShortCut shortCut, THotKeyOrigin origin) {
  // Only what the system holds for us is given back: a kept key that was
  // refused has nothing to unregister.
  if (FRegistered) {
    RemoveGlobalHotKey();
    FRegistered = false;
  }
  Show(shortCut);
  if (shortCut == 0 || !FStarted) return false;
  if (HotKeyTakesTyping(shortCut)) {
    ShowMsgDialog(
        FApp, FormatText(FApp.Lang.Text(u"MsgErrorHotKeyTakesTyping"), {ShortCutToText(FPlatform, shortCut, u" + ")}),
        TMsgDlgType::Error, mbOK, FWindow);
    Show(0);
    return false;
  }
  SetGlobalHotKey(shortCut, FRegistered);
  if (!FRegistered && origin == THotKeyOrigin::Entered) Show(0);
  return FRegistered;
}

void TLoupeHotKey::Show(TShortCut shortCut) {
  FShortCut = shortCut;
  if (FShow) FShow(shortCut);
}

void TLoupeHotKey::Finish() {
  // Without a registered key this fails; the program is ending, so nobody
  // is shown a message for it.
  FPlatform.UnregisterHotKey(FWindow, FHotKeyId);
  if (FHotKeyId != 0) FPlatform.GlobalDeleteAtom(FHotKeyId);
  FHotKeyId = 0;
  FRegistered = FStarted = false;
}

void TLoupeHotKey::SetGlobalHotKey(TShortCut shortCut, bool& ok) {
  std::uint16_t key = 0;
  TShiftState shift = 0;
  ShortCutToKey(shortCut, key, shift);
  UINT modifiers = 0;
  if (shift & ssCtrl) modifiers |= win::MOD_CONTROL;
  if (shift & ssShift) modifiers |= win::MOD_SHIFT;
  if (shift & ssAlt) modifiers |= win::MOD_ALT;
  ok = FPlatform.RegisterHotKey(FWindow, FHotKeyId, modifiers, key);
  if (ok) return;
  const DWORD error = FPlatform.GetLastError();
  const std::u16string reason = error == win::ERROR_HOTKEY_ALREADY_REGISTERED ? FApp.Lang.Text(u"MsgReasonHotKeyInUse")
                                                                              : SysErrorMessage(FPlatform, error);
  ShowMsgDialog(FApp,
                FormatText(FApp.Lang.Text(u"MsgErrorHotKeyNotUsable"), {ShortCutToText(FPlatform, shortCut), reason}),
                TMsgDlgType::Error, mbOK, FWindow);
}

void TLoupeHotKey::RemoveGlobalHotKey() {
  if (!FPlatform.UnregisterHotKey(FWindow, FHotKeyId)) {
    ShowErrorMessage(FApp, FApp.Lang.Text(u"MsgErrorCannotUnregisterHotKey"), FWindow);
  }
}

void TLoupeHotKey::WMHotKey(WPARAM id) {
  // Each copy registers under its own atom; another id is not ours.
  if (id == FHotKeyId) FToggle();
}

}  // namespace lensoro

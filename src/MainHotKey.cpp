// The system-wide hot key that hides the loupe to the tray and restores it.
#include "Main.h"

namespace lensoro {

namespace {
// The virtual keys that type a character, as ranges.
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

void TMainForm::SetGlobalHotKey(TShortCut shortCut, bool& ok) {
  std::uint16_t key = 0;
  TShiftState shift = 0;
  ShortCutToKey(shortCut, key, shift);
  UINT modifiers = 0;
  if (shift & ssCtrl) modifiers |= win::MOD_CONTROL;
  if (shift & ssShift) modifiers |= win::MOD_SHIFT;
  if (shift & ssAlt) modifiers |= win::MOD_ALT;
  ok = FPlatform.RegisterHotKey(FHandle, FHotKeyId, modifiers, key);
  if (!ok) ShowErrorMessage(FApp.Lang.Text(u"MsgErrorCannotRegisterHotKey"));
}

void TMainForm::RemoveGlobalHotKey() {
  if (!FPlatform.UnregisterHotKey(FHandle, FHotKeyId)) {
    ShowErrorMessage(FApp.Lang.Text(u"MsgErrorCannotUnregisterHotKey"));
  }
}

void TMainForm::WMHotKey(WPARAM id) {
  // Each copy registers under its own atom; another id is not ours.
  if (id == FHotKeyId) Commands.ActPopMinimizeAndRestore.Execute();
}

}  // namespace lensoro

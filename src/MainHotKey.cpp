// The system-wide hot key that hides the loupe to the tray and restores it.
#include "Main.h"

namespace lensoro {

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
  if (id == FHotKeyId) ActPopMinimizeAndRestore.Execute();
}

}  // namespace lensoro

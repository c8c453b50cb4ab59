// TLoupeHotKey: the system-wide hot key that hides the loupe to the tray and
// brings it back, registered under an id of the copy's own.
#pragma once

#include <functional>
#include <string>

#include "Application.h"
#include "Menus.h"
#include "Platform.h"

namespace lensoro {

// A global hot key that would take a key away from typing in every program:
// a character key (letters, digits, punctuation, the number pad, Space,
// Enter, Tab, Backspace, Esc) without Ctrl or Alt. Shift alone is no
// modifier; function keys and keys that type nothing may stand alone.
bool HotKeyTakesTyping(TShortCut shortCut);

class TLoupeHotKey {
 public:
  // toggle hides the loupe to the tray or brings it back.
  TLoupeHotKey(TApplication& app, std::function<void()> toggle);
  TLoupeHotKey(const TLoupeHotKey&) = delete;
  TLoupeHotKey& operator=(const TLoupeHotKey&) = delete;

  // Makes the id, an atom named by the time stamp, for keys sent to window,
  // and registers the loaded shortcut. Gives back the shortcut that stays
  // assigned.
  TShortCut Start(HWND window, TShortCut loaded);
  // Unregisters the key without a word and deletes the id.
  void Finish();
  ATOM Id() const { return FHotKeyId; }

  // Registers the shortcut as the system-wide toggle; ok tells whether the
  // system took it. A refusal names the key, says why in words and what to
  // do.
  void SetGlobalHotKey(TShortCut shortCut, bool& ok);
  void RemoveGlobalHotKey();
  // Whether the system holds our key: one assigned but refused works
  // nowhere, and the menu and the options dialog must not suggest it does.
  bool Registered() const { return FRegistered; }
  // WM_HOTKEY: toggles the loupe when the id is ours.
  void WMHotKey(WPARAM id);

 private:
  TApplication& FApp;
  TPlatform& FPlatform;
  std::function<void()> FToggle;
  HWND FWindow = 0;
  ATOM FHotKeyId = 0;
  bool FRegistered = false;
};

}  // namespace lensoro

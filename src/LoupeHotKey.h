// TLoupeHotKey: the system-wide hot key that hides the loupe to the tray and
// brings it back, registered under an id of the copy's own. It holds the
// assigned shortcut: the menu shows it, the settings file saves it.
#pragma once

#include <functional>
#include <string>

#include "Menus.h"
#include "Platform.h"

namespace lensoro {

class TApplication;

// A global hot key that would take a key away from typing in every program:
// a character key (letters, digits, punctuation, the number pad, Space,
// Enter, Tab, Backspace, Esc) without Ctrl or Alt. Shift alone is no
// modifier; function keys and keys that type nothing may stand alone.
bool HotKeyTakesTyping(TShortCut shortCut);

// Where a shortcut comes from decides what a refusal does with it.
enum class THotKeyOrigin {
  Saved,    // read from the settings file: chosen in an earlier run
  Entered,  // the user has just entered it
};

class TLoupeHotKey {
 public:
  // toggle hides the loupe to the tray or brings it back; show puts the
  // assigned shortcut wherever it is shown (the menu's item).
  TLoupeHotKey(TApplication& app, std::function<void()> toggle, std::function<void(TShortCut)> show);
  TLoupeHotKey(const TLoupeHotKey&) = delete;
  TLoupeHotKey& operator=(const TLoupeHotKey&) = delete;

  // The assigned shortcut, 0 for none.
  TShortCut ShortCut() const { return FShortCut; }
  // Whether the system holds it for us now.
  bool Registered() const { return FRegistered; }

  // Makes the id, an atom named by the time stamp, for keys sent to window,
  // and registers the shortcut assigned so far.
  void Start(HWND window);
  // Unregisters the key without a word and deletes the id.
  void Finish();
  ATOM Id() const { return FHotKeyId; }

  // Assigns a shortcut (0: none) in place of the one before, whose
  // registration goes first; before Start it is only kept. A refused
  // shortcut stays assigned only when it is a saved one the system refused:
  // it may be free at the next start, and dropping it would lose the user's
  // choice. One the user has just entered is not assigned when refused (the
  // user has been told and would otherwise see a key that does nothing),
  // and one that would take a key from typing is never assigned. False when
  // the shortcut is not registered (as it never is before Start).
  bool Assign(TShortCut shortCut, THotKeyOrigin origin);

  // Registers the shortcut as the system-wide toggle; ok tells whether the
  // system took it. A refusal names the key, says why in words and what to
  // do.
  void SetGlobalHotKey(TShortCut shortCut, bool& ok);
  void RemoveGlobalHotKey();
  // WM_HOTKEY: toggles the loupe when the id is ours.
  void WMHotKey(WPARAM id);

 private:
  void Show(TShortCut shortCut);

  TApplication& FApp;
  TPlatform& FPlatform;
  std::function<void()> FToggle;
  std::function<void(TShortCut)> FShow;
  HWND FWindow = 0;
  ATOM FHotKeyId = 0;
  TShortCut FShortCut = 0;
  bool FRegistered = false;
  bool FStarted = false;
};

}  // namespace lensoro

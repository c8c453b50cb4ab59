// Popup menus: a tree of items kept by the program and put on the screen
// only while the menu is open, so captions and checks are plain fields.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Framework.h"

namespace lensoro {

// A key with Shift, Ctrl and Alt in one number.
using TShortCut = std::uint16_t;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;

void ShortCutToKey(TShortCut shortCut, std::uint16_t& key, TShiftState& shift);
// 0 when the key code is above 255; only Shift, Ctrl and Alt are kept.
TShortCut ShortCut(std::uint16_t key, TShiftState shift);

struct TMenuItem {
  std::u16string Name;
  // "-" makes a separator. Empty: the action's caption.
  std::u16string Caption;
  TAction* Action = nullptr;  // we don't own it; the item is greyed while it is disabled
  bool Checked = false;
  // The action's shortcut beside the caption; off for one that does not work.
  bool ShowShortCut = true;
  int Tag = 0;
  std::function<void(TMenuItem&)> OnClick;  // runs instead of the action when set
  std::vector<TMenuItem> Items;             // a submenu when not empty

  bool IsSeparator() const { return Caption == u"-"; }
  // The caption shown: its own, else the action's.
  std::u16string ShownCaption() const;
  // The line as the platform shows it: the caption and, after a tab, the
  // action's shortcut. The caption's "&" letters are its only accelerators.
  std::u16string MenuText(TPlatform& platform) const;
};

// A shortcut's key as menus and the options dialog show it: the fixed names
// (BkSp, Tab, Esc, Enter, Space, PgUp, PgDn, End, Home, Left, Up, Right,
// Down, Ins, Del, letters and digits, F1 to F24), else the keyboard's own
// name for the key; "VK" and the code for a key the keyboard does not have.
std::u16string ShortCutKeyName(TPlatform& platform, std::uint16_t key);
// "Shift+Ctrl+Alt+key", `plus` after each modifier; empty for no shortcut.
std::u16string ShortCutToText(TPlatform& platform, TShortCut shortCut, const std::u16string& plus = u"+");
// That text read back: the modifiers in any order and letter case, spaces
// around "+" ignored ("ctrl + alt + z"). False for an unknown word, a key
// name no key has, or modifiers alone.
bool TextToShortCut(TPlatform& platform, const std::u16string& text, TShortCut& shortCut);

// The command that a choice in a popup menu runs.
struct TMenuChoice {
  std::function<void(TMenuItem&)> OnClick;
  TAction* Action = nullptr;
  TMenuItem Item;  // a copy: the handler may rebuild the menu
  void Run() {
    if (OnClick) {
      OnClick(Item);
    } else if (Action) {
      Action->Execute();
    }
  }
};

class TPopupMenu {
 public:
  // The menu is tracked on the application window, which passes the menu
  // loop's messages on to the main form.
  explicit TPopupMenu(TBaseApplication& app) : FApp(app) {}
  TPopupMenu(const TPopupMenu&) = delete;
  TPopupMenu& operator=(const TPopupMenu&) = delete;

  std::vector<TMenuItem> Items;
  std::function<void()> OnPopup;  // runs each time before the menu opens

  TMenuItem* Find(const std::u16string& name);
  // Opens the menu at a point in screen coordinates and, after it has
  // closed, runs the chosen item. A menu the platform cannot build is not
  // shown.
  void Popup(int x, int y);
  bool IsOpen() const { return FOpen; }

 private:
  TBaseApplication& FApp;
  bool FOpen = false;
};

}  // namespace lensoro

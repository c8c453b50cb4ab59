#include "Menus.h"

#include <algorithm>
#include <map>

#include "AsciiFold.h"
#include "Format.h"

namespace lensoro {

namespace {

// Puts the items into a platform menu; ids from 1 in the order met. The
// choices are kept by id.
bool BuildMenu(TPlatform& platform, HMENU menu, std::vector<TMenuItem>& items, std::vector<TMenuChoice>& choices) {
  for (TMenuItem& item : items) {
    if (item.IsSeparator()) {
      if (!platform.AppendMenuW(menu, win::MF_SEPARATOR, 0, u"")) return false;
      continue;
    }
    const UINT checked = item.Checked ? win::MF_CHECKED : 0;
    if (!item.Items.empty()) {
      const HMENU sub = platform.CreatePopupMenu();
      if (sub == 0) return false;
      const bool built = BuildMenu(platform, sub, item.Items, choices);
      if (!platform.AppendMenuW(menu, win::MF_POPUP | checked, sub, item.MenuText(platform))) {
        platform.DestroyMenu(sub);
        return false;
      }
      if (!built) return false;
      continue;
    }
    UINT grayed = 0;
    if (item.Action) {
      item.Action->Update();
      if (!item.Action->Enabled) grayed = win::MF_GRAYED;
    }
    choices.push_back({item.OnClick, item.Action, item});
    if (!platform.AppendMenuW(menu, win::MF_STRING | checked | grayed, choices.size(), item.MenuText(platform)))
      return false;
  }
  return true;
}

TMenuItem* FindIn(std::vector<TMenuItem>& items, const std::u16string& name) {
  for (TMenuItem& item : items) {
    if (item.Name == name) return &item;
    if (TMenuItem* found = FindIn(item.Items, name)) return found;
  }
  return nullptr;
}

}  // namespace

std::u16string TMenuItem::ShownCaption() const {
  if (!Caption.empty() || !Action) return Caption;
  return Action->Caption;
}

std::u16string TMenuItem::MenuText(TPlatform& platform) const {
  const std::u16string keys = Action && ShowShortCut ? ShortCutToText(platform, Action->ShortCut) : std::u16string();
  return keys.empty() ? ShownCaption() : ShownCaption() + u"\t" + keys;
}

void ShortCutToKey(TShortCut shortCut, std::uint16_t& key, TShiftState& shift) {
  key = shortCut & 0x1FFF;
  shift = 0;
  if (shortCut & scShift) shift |= ssShift;
  if (shortCut & scCtrl) shift |= ssCtrl;
  if (shortCut & scAlt) shift |= ssAlt;
}

TShortCut ShortCut(std::uint16_t key, TShiftState shift) {
  if (key > 0xFF) return 0;
  TShortCut result = key;
  if (shift & ssShift) result |= scShift;
  if (shift & ssCtrl) result |= scCtrl;
  if (shift & ssAlt) result |= scAlt;
  return result;
}

std::u16string ShortCutKeyName(TPlatform& platform, std::uint16_t key) {
  if ((key >= u'A' && key <= u'Z') || (key >= u'0' && key <= u'9'))
    return std::u16string(1, static_cast<char16_t>(key));
  if (key >= 0x70 && key <= 0x87) return FormatText(u"F%d", {key - 0x6F});
  static const std::map<std::uint16_t, const char16_t*> names = {
      {0x08, u"BkSp"}, {0x09, u"Tab"},  {0x0D, u"Enter"}, {0x1B, u"Esc"}, {0x20, u"Space"},
      {0x21, u"PgUp"}, {0x22, u"PgDn"}, {0x23, u"End"},   {0x24, u"Home"}, {0x25, u"Left"},
      {0x26, u"Up"},   {0x27, u"Right"}, {0x28, u"Down"}, {0x2D, u"Ins"},  {0x2E, u"Del"}};
  if (auto it = names.find(key); it != names.end()) return it->second;
  // The keyboard layout names the rest (";" or "ö" for the same key).
  const UINT scan = platform.MapVirtualKeyW(key, win::MAPVK_VK_TO_VSC_EX);
  if (scan != 0) {
    std::uint32_t data = (scan & 0xFFu) << 16;
    if ((scan & 0xFF00u) == 0xE000u || (scan & 0xFF00u) == 0xE100u) data |= 1u << 24;  // extended key
    char16_t buffer[256] = {};
    const int n = platform.GetKeyNameTextW(static_cast<LPARAM>(data), buffer, 256);
    if (n > 0) return std::u16string(buffer, static_cast<std::size_t>(std::min(n, 255)));
  }
  return FormatText(u"VK%d", {static_cast<int>(key)});
}

std::u16string ShortCutToText(TPlatform& platform, TShortCut shortCut, const std::u16string& plus) {
  std::uint16_t key = 0;
  TShiftState shift = 0;
  ShortCutToKey(shortCut, key, shift);
  if (key == 0) return {};
  std::u16string text;
  if (shift & ssShift) text += u"Shift" + plus;
  if (shift & ssCtrl) text += u"Ctrl" + plus;
  if (shift & ssAlt) text += u"Alt" + plus;
  return text + ShortCutKeyName(platform, key);
}

namespace {

std::u16string TrimSpaces(const std::u16string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && text[begin] == u' ') ++begin;
  while (end > begin && text[end - 1] == u' ') --end;
  return text.substr(begin, end - begin);
}

bool IsModifierKey(std::uint16_t key) {
  return (key >= win::VK_SHIFT && key <= win::VK_MENU) || (key >= 0xA0 && key <= 0xA5) || key == 0x5B || key == 0x5C;
}

}  // namespace

bool TextToShortCut(TPlatform& platform, const std::u16string& text, TShortCut& shortCut) {
  // The modifiers come first, each with its "+"; the rest is the key's name,
  // which may hold a "+" of its own ("Num +", "+").
  static const std::pair<const char16_t*, TShiftState> modifiers[] = {
      {u"SHIFT", ssShift}, {u"CTRL", ssCtrl}, {u"CONTROL", ssCtrl}, {u"ALT", ssAlt}};
  const std::u16string folded = FoldAscii(text);
  std::size_t at = 0;
  TShiftState shift = 0;
  for (bool more = true; more;) {
    more = false;
    std::size_t word = at;
    while (word < folded.size() && folded[word] == u' ') ++word;
    for (const auto& [name, flag] : modifiers) {
      const std::u16string n = name;
      if (folded.compare(word, n.size(), n) != 0) continue;
      std::size_t plus = word + n.size();
      while (plus < folded.size() && folded[plus] == u' ') ++plus;
      if (plus >= folded.size() || folded[plus] != u'+') continue;
      shift |= flag;
      at = plus + 1;
      more = true;
      break;
    }
  }
  const std::u16string name = TrimSpaces(folded.substr(at));
  if (name.empty()) return false;
  for (std::uint16_t key = 1; key <= 0xFF; ++key) {
    if (!IsModifierKey(key) && FoldAscii(ShortCutKeyName(platform, key)) == name) {
      shortCut = ShortCut(key, shift);
      return true;
    }
  }
  return false;
}

TMenuItem* TPopupMenu::Find(const std::u16string& name) { return FindIn(Items, name); }

void TPopupMenu::Popup(int x, int y) {
  // A menu command may open the menu again (a message box pumps messages);
  // one menu at a time.
  if (FOpen) return;
  if (OnPopup) OnPopup();
  TPlatform& platform = FApp.Platform;
  const HMENU menu = platform.CreatePopupMenu();
  if (menu == 0) return;
  std::vector<TMenuChoice> choices;
  int chosen = 0;
  if (BuildMenu(platform, menu, Items, choices)) {
    FOpen = true;
    // Without the application's window (it could not be made) the loupe owns
    // the menu, or no menu could ever open and the program not be quit.
    HWND owner = FApp.Handle();
    if (owner == 0) owner = FApp.MainFormHandle();
    chosen = platform.TrackPopupMenuEx(menu, win::TPM_RETURNCMD | win::TPM_RIGHTBUTTON, x, y, owner);
    FOpen = false;
  }
  platform.DestroyMenu(menu);
  // The program was told to quit while the menu was up: nothing more runs.
  if (FApp.Terminated()) return;
  if (chosen > 0 && static_cast<std::size_t>(chosen) <= choices.size())
    choices[static_cast<std::size_t>(chosen) - 1].Run();
}

}  // namespace lensoro

// RsHotkey: an edit field that shows the key combination pressed in it.
//
// TRsHotKeyCapture is the field's state without the window: the text it
// shows is the state (modifier texts in the order Ctrl, Shift, Alt, then the
// key's name), and the shortcut is read back from that text and the last
// key's code.
//
//   TRsHotKeyCapture capture;
//   capture.KeyDown(platform, VK_F12, keyData);  // with Ctrl held
//   capture.Text();    // "Ctrl + F12"
//   capture.KeyUp();   // a finished combination stays
//   capture.HotKey();  // 0x4000 | 123
//
// TRsHotKey is the field on a form:
//
//   TRsHotKey keys(&form);
//   keys.SetBounds(124, 70, 127, 23);
//   keys.OnChange = [&](TControl&) { add.SetEnabled(!keys.IsEmpty()); };
//   ... the user presses Ctrl+Alt+F12 ...
//   keys.HotKey();  // scCtrl | scAlt | 123
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "Menus.h"
#include "Platform.h"
#include "RsEdit.h"

namespace lensoro {

using TRsModifiers = unsigned;
constexpr TRsModifiers rmShift = 0x1, rmCtrl = 0x2, rmAlt = 0x4, rmExt = 0x8;

// The texts of the field; each modifier has one blank on both sides of "+".
namespace HotKeyTexts {
constexpr const char16_t* Ctrl = u"Ctrl + ";
constexpr const char16_t* Shift = u"Shift + ";
constexpr const char16_t* Alt = u"Alt + ";
}  // namespace HotKeyTexts

// Bit 29 of a key message's data: Alt was held.
constexpr LPARAM KeyDataAltDown = 0x20000000;

// The key's name as the field shows it: short names for Backspace, Page Up,
// Page Down, Insert and Delete, else the system's name (asked only then).
std::u16string HotKeyName(std::uint16_t virtualKey, const std::function<std::u16string()>& systemName);

class TRsHotKeyCapture {
 public:
  TRsModifiers InvalidModifiers = 0;  // left out of the text

  // A key went down (key-down or system-key-down). Ctrl and Shift come from
  // the keyboard state, Alt from the key data.
  void KeyDown(std::uint16_t virtualKey, LPARAM keyData, bool ctrlDown, bool shiftDown,
               const std::function<std::u16string()>& systemName);
  // The same with Ctrl and Shift from the platform's keyboard state and the
  // key's name from the platform's keyboard layout.
  void KeyDown(TPlatform& platform, std::uint16_t virtualKey, LPARAM keyData);
  // A key went up; a text of modifiers only goes. True when the text changed.
  bool KeyUp() { return DropModifiersOnly(); }
  // The owner window lost activation: a half-pressed combination goes too.
  bool OwnerDeactivated() { return DropModifiersOnly(); }
  // Empties the text; the last key code stays.
  void Clear() { FText.clear(); }

  const std::u16string& Text() const { return FText; }
  bool IsEmpty() const { return FText.empty(); }
  bool ModifiersOnly() const { return FModifiersOnly; }
  std::uint16_t CharCode() const { return FCharCode; }
  // The shortcut of the text and the last key; 0 for an empty field.
  TShortCut HotKey() const;

 private:
  bool DropModifiersOnly();

  std::u16string FText;
  std::uint16_t FCharCode = 0;
  bool FModifiersOnly = false;
};

// The field: keys pressed in it show as their combination and typed
// characters never arrive. Tab, Shift+Tab, Enter and Esc without Ctrl or Alt
// are left to the dialog (moving on, pressing a button); with Ctrl or Alt
// every key is captured, access keys of the dialog included.
class TRsHotKey : public TRsCustomEdit {
 public:
  explicit TRsHotKey(TWinControl* parent);

  void SetInvalidModifiers(TRsModifiers modifiers) { FCapture.InvalidModifiers = modifiers; }
  TShortCut HotKey() const { return FCapture.HotKey(); }
  bool IsEmpty() const { return FCapture.IsEmpty(); }
  // Only modifiers are held: no combination yet.
  bool ModifiersOnly() const { return !FCapture.IsEmpty() && FCapture.ModifiersOnly(); }
  // Empties the field (OnChange runs); the last key code stays.
  void Clear();
  // Alt+letter is a combination here, never an access key.
  bool WantsChar(UINT msg, char16_t ch) override {
    (void)msg, (void)ch;
    return true;
  }

 protected:
  void CreateWnd() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  bool ContextMenuAllowed() const override { return OnContextPopup != nullptr; }

 private:
  void ShowCapture();
  TRsHotKeyCapture FCapture;
};

}  // namespace lensoro

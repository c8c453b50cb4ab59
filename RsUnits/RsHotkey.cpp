#include "RsHotkey.h"

namespace lensoro {

namespace {
constexpr std::size_t MaxKeyName = 255;
}  // namespace

std::u16string HotKeyName(std::uint16_t virtualKey, const std::function<std::u16string()>& systemName) {
  switch (virtualKey) {
    case win::VK_BACK: return u"BkSp";
    case win::VK_PRIOR: return u"PgUp";
    case win::VK_NEXT: return u"PgDn";
    case win::VK_INSERT: return u"Ins";
    case win::VK_DELETE: return u"Del";
    default: break;
  }
  std::u16string name = systemName ? systemName() : std::u16string();
  if (name.size() > MaxKeyName) name.resize(MaxKeyName);
  return name;
}

void TRsHotKeyCapture::KeyDown(std::uint16_t virtualKey, LPARAM keyData, bool ctrlDown, bool shiftDown,
                               const std::function<std::u16string()>& systemName) {
  FCharCode = virtualKey;
  // The Windows and Applications keys belong to the system: they end any
  // combination instead of joining one.
  if (virtualKey >= win::VK_LWIN && virtualKey <= win::VK_APPS) {
    FText.clear();
    FModifiersOnly = false;
    return;
  }
  const bool altDown = (keyData & KeyDataAltDown) != 0;
  std::u16string text;
  if (ctrlDown && !(InvalidModifiers & rmCtrl)) text += HotKeyTexts::Ctrl;
  if (shiftDown && !(InvalidModifiers & rmShift)) text += HotKeyTexts::Shift;
  if (altDown && !(InvalidModifiers & rmAlt)) text += HotKeyTexts::Alt;
  FModifiersOnly = virtualKey >= win::VK_SHIFT && virtualKey <= win::VK_MENU;
  if (!FModifiersOnly) text += HotKeyName(virtualKey, systemName);
  FText = std::move(text);
}

void TRsHotKeyCapture::KeyDown(TPlatform& platform, std::uint16_t virtualKey, LPARAM keyData) {
  const bool ctrl = platform.GetKeyState(win::VK_CONTROL) < 0;
  const bool shift = platform.GetKeyState(win::VK_SHIFT) < 0;
  KeyDown(virtualKey, keyData, ctrl, shift, [&] {
    char16_t buffer[256] = {};
    const int n = platform.GetKeyNameTextW(keyData, buffer, 256);
    return std::u16string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
  });
}

bool TRsHotKeyCapture::DropModifiersOnly() {
  if (!FModifiersOnly) return false;
  FText.clear();
  FCharCode = 0;
  FModifiersOnly = false;
  return true;
}

TShortCut TRsHotKeyCapture::HotKey() const {
  // After Clear or the Windows key the last code is still there, but an empty
  // field stands for no shortcut.
  if (FText.empty()) return 0;
  TShiftState shift = 0;
  if (FText.find(HotKeyTexts::Ctrl) != std::u16string::npos) shift |= ssCtrl;
  if (FText.find(HotKeyTexts::Shift) != std::u16string::npos) shift |= ssShift;
  if (FText.find(HotKeyTexts::Alt) != std::u16string::npos) shift |= ssAlt;
  return ShortCut(FCharCode, shift);
}

}  // namespace lensoro

namespace lensoro {

namespace {
bool IsDialogNavigationKey(int virtualKey, TShiftState shift) {
  if (shift & (ssCtrl | ssAlt)) return false;
  return virtualKey == win::VK_TAB || virtualKey == win::VK_RETURN || virtualKey == win::VK_ESCAPE;
}
}  // namespace

TRsHotKey::TRsHotKey(TWinControl* parent) : TRsCustomEdit(parent) {}

void TRsHotKey::Clear() {
  FCapture.Clear();
  ShowCapture();
}

void TRsHotKey::CreateWnd() {
  TRsCustomEdit::CreateWnd();
  FPlatform.ImmDisableForWindow(Handle());
  ShowCapture();
}

void TRsHotKey::ShowCapture() {
  const std::u16string& text = FCapture.Text();
  if (Text() != text || !HandleAllocated()) SetText(text);
  SetSel(static_cast<int>(text.size()), 0);
}

LRESULT TRsHotKey::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case win::WM_KEYDOWN:
    case win::WM_SYSKEYDOWN:
      // Nothing reaches the edit: the key is the text. Tab, Enter and Esc
      // without Ctrl or Alt are the dialog's (it hands them on only when no
      // one takes them) and could never be a hot key.
      if (!IsDialogNavigationKey(static_cast<int>(wParam), KeyShiftState())) {
        FCapture.KeyDown(FPlatform, static_cast<std::uint16_t>(wParam), lParam);
        ShowCapture();
      }
      return 0;
    case win::WM_KEYUP:
    case win::WM_SYSKEYUP:
      // Swallowed too: a released Alt would otherwise open the form's menu.
      if (FCapture.KeyUp()) ShowCapture();
      return 0;
    case win::WM_CHAR:
    case win::WM_SYSCHAR:
      return 0;
    case win::WM_GETDLGCODE:
      // Tab moves on, as in Windows' own hot-key control; held with Ctrl or
      // Alt it is a combination like any other.
      return TRsCustomEdit::WndProc(msg, wParam, lParam) | win::DLGC_WANTARROWS |
             ((KeyShiftState() & (ssCtrl | ssAlt)) ? win::DLGC_WANTALLKEYS : 0);
    case win::WM_SETFOCUS: {
      const LRESULT r = TRsCustomEdit::WndProc(msg, wParam, lParam);
      SetSel(static_cast<int>(FCapture.Text().size()), 0);
      return r;
    }
    case win::WM_KILLFOCUS: {
      // Losing the focus (the form deactivated, or a click elsewhere) ends a
      // half-pressed combination.
      const LRESULT r = TRsCustomEdit::WndProc(msg, wParam, lParam);
      if (FCapture.OwnerDeactivated()) ShowCapture();
      return r;
    }
    default:
      break;
  }
  return TRsCustomEdit::WndProc(msg, wParam, lParam);
}

}  // namespace lensoro

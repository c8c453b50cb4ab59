// The hot-key field's capture: what it shows while keys go down and up, the
// shortcut it gives, and the simulated keyboard it reads key names from.
#include <gtest/gtest.h>

#include <initializer_list>

#include "RsHotkey.h"
#include "SimDesktop.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

constexpr std::uint16_t VK_A = 'A', VK_TAB = 0x09, VK_PRIOR = 0x21, VK_LWIN = 0x5B, VK_F12 = 0x7B,
                        VK_BACK = 0x08, VK_DELETE = 0x2E;

// A user at the keyboard of a simulated desktop, typing into one field.
struct TTypist {
  TSimDesktop Desk;
  TSimProcess& Proc = Desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  TRsHotKeyCapture Field;
  std::vector<std::u16string> Shown;  // the text after each key

  void Press(std::uint16_t vk) {
    Desk.KeysDown[vk] = true;
    Field.KeyDown(Proc, vk, Desk.KeyData(vk));
    Shown.push_back(Field.Text());
  }
  void Release(std::uint16_t vk) {
    Desk.KeysDown[vk] = false;
    Field.KeyUp();
    Shown.push_back(Field.Text());
  }
  void Tap(std::uint16_t vk) { Press(vk), Release(vk); }
  void ReleaseAll(std::initializer_list<std::uint16_t> keys) {
    for (std::uint16_t k : keys) Release(k);
  }
};

}  // namespace

TEST(HotKeyCapture, CtrlAltF12ShowsEachModifierAndStays) {
  TTypist t;
  t.Press(win::VK_CONTROL);
  EXPECT_EQ(t.Field.Text(), u"Ctrl + ");
  EXPECT_TRUE(t.Field.ModifiersOnly());
  t.Press(win::VK_MENU);
  EXPECT_EQ(t.Field.Text(), u"Ctrl + Alt + ");
  t.Press(VK_F12);
  EXPECT_EQ(t.Field.Text(), u"Ctrl + Alt + F12");
  EXPECT_FALSE(t.Field.ModifiersOnly());
  t.ReleaseAll({VK_F12, win::VK_MENU, win::VK_CONTROL});
  EXPECT_EQ(t.Field.Text(), u"Ctrl + Alt + F12");
  EXPECT_EQ(t.Field.HotKey(), scCtrl | scAlt | VK_F12);
  EXPECT_FALSE(t.Field.IsEmpty());
}

TEST(HotKeyCapture, CtrlComesBeforeShiftWhateverTheOrderOfPressing) {
  TTypist t;
  t.Press(win::VK_SHIFT);
  t.Press(win::VK_CONTROL);
  t.Press(VK_A);
  EXPECT_EQ(t.Shown, (std::vector<std::u16string>{u"Shift + ", u"Ctrl + Shift + ", u"Ctrl + Shift + A"}));
  EXPECT_EQ(t.Field.HotKey(), scCtrl | scShift | VK_A);
  // The next key replaces the combination; the held modifiers stay in it.
  t.Release(VK_A);
  t.Release(win::VK_SHIFT);
  t.Press(VK_TAB);
  EXPECT_EQ(t.Field.Text(), u"Ctrl + Tab");
  EXPECT_EQ(t.Field.HotKey(), scCtrl | VK_TAB);
}

TEST(HotKeyCapture, ModifiersAloneGoWhenReleasedOrWhenTheOwnerIsLeft) {
  TTypist t;
  t.Press(win::VK_SHIFT);
  EXPECT_EQ(t.Field.Text(), u"Shift + ");
  t.Release(win::VK_SHIFT);
  EXPECT_TRUE(t.Field.IsEmpty());
  EXPECT_EQ(t.Field.CharCode(), 0);
  EXPECT_EQ(t.Field.HotKey(), 0);

  t.Press(win::VK_CONTROL);
  EXPECT_TRUE(t.Field.OwnerDeactivated());
  EXPECT_TRUE(t.Field.IsEmpty());
  EXPECT_EQ(t.Field.CharCode(), 0);
  // A finished combination survives both.
  t.Press(VK_A);
  EXPECT_FALSE(t.Field.OwnerDeactivated());
  t.Release(VK_A);
  EXPECT_EQ(t.Field.Text(), u"Ctrl + A");
}

TEST(HotKeyCapture, WindowsKeyEmptiesTheFieldAndGivesNoShortcut) {
  TTypist t;
  t.Press(win::VK_CONTROL);
  t.Press(VK_A);
  t.Press(VK_LWIN);
  EXPECT_TRUE(t.Field.IsEmpty());
  EXPECT_EQ(t.Field.HotKey(), 0);
  t.ReleaseAll({VK_LWIN, VK_A, win::VK_CONTROL});
  EXPECT_TRUE(t.Field.IsEmpty());
  for (std::uint16_t vk : {std::uint16_t(0x5C), std::uint16_t(0x5D)}) {  // right Windows, Applications
    t.Tap(VK_A);
    t.Tap(vk);
    EXPECT_TRUE(t.Field.IsEmpty()) << vk;
  }
  // Clear keeps the last code, but an empty field stands for no shortcut.
  t.Tap(VK_F12);
  t.Field.Clear();
  EXPECT_EQ(t.Field.CharCode(), VK_F12);
  EXPECT_EQ(t.Field.HotKey(), 0);
}

TEST(HotKeyCapture, KeysShowShortOrSystemNames) {
  TTypist t;
  const std::pair<std::uint16_t, const char16_t*> keys[] = {
      {VK_BACK, u"BkSp"}, {VK_PRIOR, u"PgUp"}, {0x22, u"PgDn"}, {0x2D, u"Ins"},   {VK_DELETE, u"Del"},
      {VK_A, u"A"},       {'Z', u"Z"},         {'7', u"7"},     {0x70, u"F1"},    {0x79, u"F10"},
      {VK_TAB, u"Tab"},   {0x20, u"Space"},    {0x24, u"Home"}, {0x69, u"Num 9"}, {0x26, u"Up"},
  };
  for (const auto& [vk, name] : keys) {
    t.Tap(vk);
    EXPECT_EQ(t.Field.Text(), name) << vk;
    EXPECT_EQ(t.Field.HotKey(), vk);
  }
  // The short names are the field's own: the keyboard is not asked for them.
  t.Desk.ClearCalls();
  t.Tap(VK_PRIOR);
  EXPECT_EQ(t.Desk.CountCalls("GetKeyNameTextW"), 0);
  // A key the layout has no name for shows the modifiers only, and still
  // makes a shortcut of its code.
  t.Press(win::VK_CONTROL);
  t.Press(0xE8);
  EXPECT_EQ(t.Field.Text(), u"Ctrl + ");
  EXPECT_FALSE(t.Field.ModifiersOnly());
  EXPECT_EQ(t.Field.HotKey(), scCtrl | 0xE8);
}

TEST(HotKeyCapture, InvalidModifiersAreLeftOut) {
  TTypist t;
  t.Field.InvalidModifiers = rmShift | rmExt;
  t.Press(win::VK_SHIFT);
  t.Press(win::VK_MENU);
  t.Press(VK_DELETE);
  EXPECT_EQ(t.Field.Text(), u"Alt + Del");
  EXPECT_EQ(t.Field.HotKey(), scAlt | VK_DELETE);
}

TEST(SimKeyboard, KeyDataCarriesScanCodeExtendedFlagAndAlt) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\a.exe");
  const LPARAM pageUp = desk.KeyData(VK_PRIOR);
  EXPECT_EQ((pageUp >> 16) & 0xFF, 0x49);
  EXPECT_EQ((pageUp >> 24) & 1, 1);
  EXPECT_EQ(pageUp & KeyDataAltDown, 0);
  EXPECT_EQ(desk.KeyData(0xE8), 0);
  desk.KeysDown[win::VK_MENU] = true;
  EXPECT_NE(desk.KeyData(VK_A) & KeyDataAltDown, 0);
  EXPECT_LT(static_cast<std::int32_t>(desk.KeyData(VK_A, /*up=*/true)), 0);  // bit 31: released

  char16_t buffer[8];
  EXPECT_EQ(p.GetKeyNameTextW(desk.KeyData(VK_PRIOR), buffer, 8), 7);
  EXPECT_EQ(std::u16string(buffer), u"Page Up");
  // A short buffer takes what fits and a terminating zero.
  EXPECT_EQ(p.GetKeyNameTextW(desk.KeyData(0x5C), buffer, 6), 5);
  EXPECT_EQ(std::u16string(buffer), u"Right");
  desk.FailNext("GetKeyNameTextW", 87);
  EXPECT_EQ(p.GetKeyNameTextW(pageUp, buffer, 8), 0);
  EXPECT_EQ(p.GetLastError(), 87u);
}

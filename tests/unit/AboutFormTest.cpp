// The About dialog: the browser's link colour and the label placement.
#include <gtest/gtest.h>

#include "About.h"
#include "SimDesktop.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

const std::u16string SettingsKey = u"Software\\Microsoft\\Internet Explorer\\Settings";

// The link colour with the given setting in the user's registry.
DWORD AnchorColorFor(const std::u16string& text) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  desk.SetRegistryString(win::HKEY_CURRENT_USER, SettingsKey, u"Anchor Color", text);
  const DWORD color = GetAnchorColor(p);
  EXPECT_EQ(desk.OpenRegistryKeys(), 0) << "the key stays open after reading " << testing::PrintToString(text);
  return color;
}

}  // namespace

TEST(AnchorColor, TheSettingGivesRedGreenBlue) {
  EXPECT_EQ(AnchorColorFor(u"128,0,128"), 0x00800080u);
  EXPECT_EQ(AnchorColorFor(u"10,20,30"), 0x001E140Au);  // red in the lowest byte
  EXPECT_EQ(AnchorColorFor(u" 0, 0, 255"), 0x00FF0000u);
  EXPECT_EQ(AnchorColorFor(u"10 20 30"), 0x001E140Au);
  EXPECT_EQ(AnchorColorFor(u" 10 , 20 ,30 "), 0x001E140Au);
  // Fields that are no numbers, or missing, take red 0, green 0, blue 255.
  EXPECT_EQ(AnchorColorFor(u"x,y,z"), 0x00FF0000u);
  EXPECT_EQ(AnchorColorFor(u"7,y"), 0x00FF0007u);
  EXPECT_EQ(AnchorColorFor(u"7,,9"), 0x00090007u);
  EXPECT_EQ(AnchorColorFor(u""), 0x00FF0000u);
  EXPECT_EQ(AnchorColorFor(u"1.5,2,3"), 0x00030200u);
  EXPECT_EQ(AnchorColorFor(u"99999999999,2,3"), 0x00030200u);  // beyond 32 bits
  // Each component keeps its low 8 bits.
  EXPECT_EQ(AnchorColorFor(u"300,0,0"), 44u);
  EXPECT_EQ(AnchorColorFor(u"-1,256,+513"), 0x000100FFu);
}

TEST(AnchorColor, AMissingOrUnreadableSettingIsBlue) {
  {
    // No key at all.
    TSimDesktop desk;
    TSimProcess& p = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
    EXPECT_EQ(GetAnchorColor(p), 0x00FF0000u);
  }
  {
    // The key without the value, or with a value of another type.
    TSimDesktop desk;
    TSimProcess& p = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
    desk.AddRegistryKey(win::HKEY_CURRENT_USER, SettingsKey);
    EXPECT_EQ(GetAnchorColor(p), 0x00FF0000u);
    desk.SetRegistryValue(win::HKEY_CURRENT_USER, SettingsKey, u"Anchor Color", win::REG_DWORD, {128, 0, 0, 0});
    EXPECT_EQ(GetAnchorColor(p), 0x00FF0000u);
    EXPECT_EQ(desk.OpenRegistryKeys(), 0);
  }
  {
    // Text stored without its zero, an odd byte at the end.
    TSimDesktop desk;
    TSimProcess& p = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
    desk.SetRegistryValue(win::HKEY_CURRENT_USER, SettingsKey, u"Anchor Color", win::REG_SZ,
                          {'1', 0, ',', 0, '2', 0, ',', 0, '3', 0, '4'});
    EXPECT_EQ(GetAnchorColor(p), 0x00030201u);
  }
  {
    // Read only, from the current user's key, and closed again.
    TSimDesktop desk;
    TSimProcess& p = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
    desk.SetRegistryString(win::HKEY_CURRENT_USER, SettingsKey, u"Anchor Color", u"1,2,3");
    desk.SetRegistryString(win::HKEY_LOCAL_MACHINE, SettingsKey, u"Anchor Color", u"9,9,9");
    EXPECT_EQ(GetAnchorColor(p), 0x00030201u);
    ASSERT_EQ(desk.CountCalls("RegOpenKeyExW"), 1);
    for (const TSimCall& call : desk.Calls()) {
      if (std::string(call.Name) == "RegOpenKeyExW") {
        EXPECT_EQ(call.A[3], win::KEY_READ);
      }
    }
    EXPECT_EQ(desk.CountCalls("RegCloseKey"), 1);
    // A registry that refuses the read gives blue and leaves nothing open.
    desk.FailNext("RegQueryValueExW", win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetAnchorColor(p), 0x00FF0000u);
    EXPECT_EQ(desk.OpenRegistryKeys(), 0);
    desk.FailNext("RegOpenKeyExW", win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetAnchorColor(p), 0x00FF0000u);
  }
}

TEST(AboutLabels, TextTopOffsetCentresAndRoundsHalvesToEven) {
  // Text taller than the label: half the difference, halves to the even side.
  EXPECT_EQ(TextTopOffset(13, 12), 0);   // -0.5
  EXPECT_EQ(TextTopOffset(15, 12), -2);  // -1.5
  EXPECT_EQ(TextTopOffset(17, 12), -2);  // -2.5
  EXPECT_EQ(TextTopOffset(19, 12), -4);  // -3.5
  EXPECT_EQ(TextTopOffset(14, 12), -1);
  // Room to spare: half of it, rounded down.
  EXPECT_EQ(TextTopOffset(12, 12), 0);
  EXPECT_EQ(TextTopOffset(9, 12), 1);
  EXPECT_EQ(TextTopOffset(7, 12), 2);
}

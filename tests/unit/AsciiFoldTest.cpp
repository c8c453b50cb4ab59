// A-Z folding: what the settings keys, captions, class names and paths are
// compared by.
#include <gtest/gtest.h>

#include "AsciiFold.h"

using namespace lensoro;

TEST(AsciiFold, FoldsAToZAndLeavesEveryOtherCharacter) {
  const struct {
    const char16_t* Text;
    const char16_t* Folded;
  } cases[] = {
      {u"", u""},
      {u"abcxyz", u"ABCXYZ"},
      {u"Lensoro.EXE", u"LENSORO.EXE"},
      {u"@[`{", u"@[`{"},                  // the neighbours of A-Z and a-z
      {u"äöüéßı", u"äöüéßı"},              // Latin beyond ASCII
      {u"ёщ ａｚ", u"ёщ ａｚ"},           // Cyrillic, full-width
      {u"日本語_かな.lang", u"日本語_かな.LANG"},
  };
  for (const auto& c : cases) EXPECT_EQ(FoldAscii(c.Text), c.Folded) << testing::PrintToString(std::u16string(c.Text));
}

TEST(AsciiFold, SameTextComparesFoldedTextOfEqualLength) {
  const struct {
    const char16_t* A;
    const char16_t* B;
    bool Same;
  } cases[] = {
      {u"", u"", true},
      {u"C:\\Tools\\Lensoro.exe", u"c:\\tools\\LENSORO.EXE", true},
      {u"abc", u"abcd", false},
      {u"@", u"`", false},  // 0x40 and 0x60 differ by the fold's 32 but are not letters
      {u"Ä", u"ä", false},
      {u"ａ", u"Ａ", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SameTextAscii(c.A, c.B), c.Same) << testing::PrintToString(std::u16string(c.A));
  }
}

// The checked formatter: language templates are user-edited text, so a bad
// template must never read an argument that is not there.
#include <gtest/gtest.h>

#include "Format.h"

using namespace lensoro;

TEST(FormatText, FillsPlaceholdersInOrder) {
  bool ok = false;
  EXPECT_EQ(FormatText(u"ありません: [%s]", {u"C:\\x\\Help\\index.html"}, &ok),
            u"ありません: [C:\\x\\Help\\index.html]");
  EXPECT_TRUE(ok);
  EXPECT_EQ(FormatText(u"エラー コード: [%d]", {31}, &ok), u"エラー コード: [31]");
  EXPECT_TRUE(ok);
  EXPECT_EQ(FormatText(u"%s (-> %.1fx)", {u"ズーム イン", 2.9999990463256836}, &ok), u"ズーム イン (-> 3.0x)");
  EXPECT_TRUE(ok);
  EXPECT_EQ(FormatText(u"100%% of %s", {u"it"}, &ok), u"100% of it");
  EXPECT_TRUE(ok);
}

TEST(FormatText, MismatchedTemplatesAreShownNotCrashed) {
  bool ok = true;
  // A template without its "%s": the text, then the argument, so that the
  // system's reason of an error is not lost. (A translation of
  // MsgErrorItemNotFound may leave its path out: ItemNotFoundText.)
  EXPECT_EQ(FormatText(u"ホットキーを とーろく できません", {u"Access is denied"}, &ok),
            u"ホットキーを とーろく できません (Access is denied)");
  EXPECT_FALSE(ok);
  // A second "%s" with one argument: nothing is filled half-way.
  ok = true;
  EXPECT_EQ(FormatText(u"%s and %s", {u"one"}, &ok), u"%s and %s (one)");
  EXPECT_FALSE(ok);
  // Kinds that do not match, "%n", and a lone "%" at the end.
  ok = true;
  EXPECT_EQ(FormatText(u"%d %n %", {u"text"}, &ok), u"%d %n % (text)");
  EXPECT_FALSE(ok);
  ok = true;
  EXPECT_EQ(FormatText(u"%.f %.123f", {1.5}, &ok), u"%.f %.123f (1.5)");
  EXPECT_FALSE(ok);
  // Without arguments there is nothing to append; "%%" stays as written.
  ok = true;
  EXPECT_EQ(FormatText(u"100%% %x", {}, &ok), u"100%% %x");
  EXPECT_FALSE(ok);
}

TEST(FormatText, HostilePlaceholdersNeverReadOrAllocateWildly) {
  bool ok = true;
  // Widths, flags and C's other conversions are not ours.
  EXPECT_EQ(FormatText(u"[%1000000000s]", {u"p"}, &ok), u"[%1000000000s] (p)");
  EXPECT_FALSE(ok);
  EXPECT_EQ(FormatText(u"%-5d|%05d|%ls|%p", {7}, &ok), u"%-5d|%05d|%ls|%p (7)");
  EXPECT_FALSE(ok);
  // Too many placeholders for the arguments, of every kind.
  EXPECT_EQ(FormatText(u"%s%s%s", {u"a"}, &ok), u"%s%s%s (a)");
  EXPECT_FALSE(ok);
  EXPECT_EQ(FormatText(u"%d", {}, &ok), u"%d");
  EXPECT_FALSE(ok);
  // More arguments than placeholders: all of them shown.
  EXPECT_EQ(FormatText(u"x %d", {1, u"two", 3.25}, &ok), u"x %d (1, two, 3.25)");
  EXPECT_FALSE(ok);
  // The widest number with the most decimals comes out whole.
  const std::u16string huge = FormatText(u"%.99f", {1e308}, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(huge.size(), 309u + 1u + 99u);
  EXPECT_EQ(huge.substr(0, 4), u"1000");
  // A template that fits after the two joined paragraphs of a confirmation.
  EXPECT_EQ(FormatText(u"うわがき します: [%s]\r\n\r\nよろしー ですか？", {u"Ctrl+M: X"}, &ok),
            u"うわがき します: [Ctrl+M: X]\r\n\r\nよろしー ですか？");
  EXPECT_TRUE(ok);
  EXPECT_EQ(FormatText(u"%d%%", {-2147483647 - 1}, &ok), u"-2147483648%");
  EXPECT_TRUE(ok);
}

TEST(TextConversion, Utf8AndUtf16RoundTrip) {
  const std::string utf8 = "がめん かくだい ソフト ぽてりん \xF0\x9F\x94\x8D";  // with a surrogate pair
  const std::u16string utf16 = Utf8ToUtf16(utf8);
  EXPECT_EQ(utf16.size(), 18u + 2u);
  EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
  // Broken input gives replacement characters, never a read past the end.
  EXPECT_EQ(Utf8ToUtf16(std::string("a\xE3\x81", 3)), u"a\uFFFD");
  EXPECT_EQ(Utf8ToUtf16(std::string("\xFF" "b", 2)), u"\uFFFDb");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

// The INI engine on buffers: syntax, order, letter case, encodings, every
// value form and the shortcut text.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "AllocationCounter.h"
#include "Format.h"
#include "Ini.h"
#include "Lang.h"

using namespace lensoro;

namespace {

std::vector<std::uint8_t> Utf16Bytes(const std::u16string& text, bool mark = true) {
  std::vector<std::uint8_t> bytes;
  if (mark) bytes = {0xFF, 0xFE};
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

std::u16string Decode(const std::vector<std::uint8_t>& bytes) {
  std::u16string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) text += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
  return text;
}

}  // namespace

TEST(IniFile, HandEditedFileRoundTripsWithItsCommentsAndKeepsUnknownKeys) {
  const std::u16string edited =
      u"; my notes\r\n"
      u"stray line before any section\r\n"
      u"\r\n"
      u"  [ loupe ]  \r\n"
      u"   framewidth =  6  \r\n"
      u"; frame is wider now\r\n"
      u"ForgetMeNot=kept\r\n"
      u"a line without equals\r\n"
      u"Url=http://x/?a=b\r\n"
      u"[MainForm]\n"
      u"Left=-20\r"
      u"Top=30\r\n"
      u"[LOUPE]\r\n"
      u"LoupeRate=3.5\r\n";
  TIniFile ini(Utf16Bytes(edited));
  ASSERT_TRUE(ini.Readable());
  // Names in any letter case; the value after the first "=" only.
  EXPECT_EQ(ini.ReadInteger(u"Loupe", u"FrameWidth", 4), 6);
  EXPECT_EQ(ini.ReadString(u"LOUPE", u"url", u""), u"http://x/?a=b");
  EXPECT_EQ(ini.ReadInteger(u"mainform", u"LEFT", 0), -20);
  EXPECT_EQ(ini.ReadInteger(u"MainForm", u"Top", 0), 30);  // lone CR and lone LF end lines too
  // A repeated section header continues the first one.
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::u16string>{u"loupe", u"MainForm"}));

  EXPECT_TRUE(ini.KeepAsComment(u"LOUPE", u"FRAMEWIDTH"));
  EXPECT_FALSE(ini.KeepAsComment(u"Loupe", u"Missing"));
  ini.WriteInteger(u"Loupe", u"FrameWidth", 7);
  ini.WriteString(u"Loupe", u"New", u"appended");
  ini.WriteString(u"ShortCut", u"ActPopMinimizeAndRestore", u"0,");
  // Comments stay where they were written, blank and stray lines go.
  EXPECT_EQ(Decode(ini.ToBytes()),
            u"; my notes\r\n"
            u"\r\n"
            u"[loupe]\r\n"
            u"; framewidth=6\r\n"
            u"framewidth=7\r\n"
            u"; frame is wider now\r\n"
            u"ForgetMeNot=kept\r\n"
            u"a line without equals\r\n"
            u"Url=http://x/?a=b\r\n"
            u"LoupeRate=3.5\r\n"
            u"New=appended\r\n"
            u"\r\n"
            u"[MainForm]\r\n"
            u"Left=-20\r\n"
            u"Top=30\r\n"
            u"\r\n"
            u"[ShortCut]\r\n"
            u"ActPopMinimizeAndRestore=0,\r\n"
            u"\r\n");
  const auto bytes = ini.ToBytes();
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
  // Reading what was written gives the same file again.
  EXPECT_EQ(TIniFile(bytes).ToBytes(), bytes);
}

TEST(IniFile, EmptyValuesDuplicateKeysAndLineBreaksInValues) {
  TIniFile ini = TIniFile::FromText(u"[S]\r\nEmpty=\r\nDup=first\r\ndup=second\r\n=no key\r\n");
  EXPECT_TRUE(ini.ValueExists(u"S", u"Empty"));
  EXPECT_EQ(ini.ReadString(u"S", u"Empty", u"default"), u"");  // present, so not the default
  EXPECT_EQ(ini.ReadInteger(u"S", u"Empty", 9), 9);             // but no integer
  EXPECT_EQ(ini.ReadString(u"S", u"Dup", u""), u"first");
  EXPECT_FALSE(ini.ValueExists(u"T", u"Dup"));
  EXPECT_EQ(ini.ReadString(u"S", u"", u"x"), u"no key");
  // A value with line breaks must not become several lines.
  ini.WriteString(u"S", u"Dup", u"a\r\n[Injected]\r\nb");
  const TIniFile again(ini.ToBytes());
  EXPECT_FALSE(again.SectionExists(u"Injected"));
  EXPECT_EQ(again.ReadString(u"S", u"Dup", u""), u"a  [Injected]  b");
  EXPECT_EQ(again.ReadString(u"S", u"dup", u""), u"a  [Injected]  b");
  EXPECT_EQ(again.SectionEntries(u"S").size(), 4u);  // the second "dup" line survives
}

// UTF-16 LE with or without its mark, and UTF-8 as editors save it (Notepad
// does by default) with or without its mark. Anything else reads as empty,
// with the reason.
TEST(IniFile, Utf16AndUtf8ReadAndOtherEncodingsGiveTheirReason) {
  auto bytes = [](const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); };
  const std::u16string text = u"[Loupe]\r\nFrameWidth=6\r\nName=ぽてりん\r\n";
  const std::string utf8 = Utf16ToUtf8(text);
  std::vector<std::uint8_t> withNul = Utf16Bytes(u"[S]\r\nK=a");
  withNul.push_back(0);
  withNul.push_back(0);
  const struct {
    const char* Name;
    std::vector<std::uint8_t> Bytes;
    TIniDecodeError Error;
  } cases[] = {
      {"UTF-16 LE marked", Utf16Bytes(text, true), TIniDecodeError::None},
      {"UTF-16 LE unmarked", Utf16Bytes(text, false), TIniDecodeError::None},
      {"UTF-8 unmarked", bytes(utf8), TIniDecodeError::None},
      {"UTF-8 unmarked, odd length", bytes(utf8 + "x"), TIniDecodeError::None},
      {"UTF-8 marked", bytes("\xEF\xBB\xBF" + utf8), TIniDecodeError::None},
      {"UTF-8 marked, not UTF-8", bytes("\xEF\xBB\xBF[Loupe]\r\nFrameWidth=6\r\nName=caf\xE9\r\n"),
       TIniDecodeError::BadUtf8},
      {"UTF-8 marked, a zero byte", bytes(std::string("\xEF\xBB\xBF[Loupe]\r\n\0", 13)), TIniDecodeError::NulCharacter},
      {"8-bit text, even length", bytes("[Loupe]\r\nFrameWidth=6\r\nName=caf\xE9\r\n"), TIniDecodeError::EightBitText},
      {"8-bit text, odd length", bytes("[Loupe]\r\nFrameWidth=66\r\nName=caf\xE9\r\n"), TIniDecodeError::OddLength},
      {"UTF-16 big-endian", {0xFE, 0xFF, 0x00, 0x5B}, TIniDecodeError::OtherMark},
      {"UTF-16 with U+0000", withNul, TIniDecodeError::NulCharacter},
  };
  for (const auto& c : cases) {
    const TIniFile ini(c.Bytes);
    EXPECT_EQ(ini.DecodeError(), c.Error) << c.Name;
    EXPECT_EQ(ini.Readable(), c.Error == TIniDecodeError::None) << c.Name;
    if (c.Error == TIniDecodeError::None && c.Bytes.size() > 4) {
      EXPECT_EQ(ini.ReadInteger(u"Loupe", u"FrameWidth", 4), 6) << c.Name;
      EXPECT_EQ(ini.ReadString(u"Loupe", u"Name", u""), u"ぽてりん") << c.Name;
    } else if (c.Error != TIniDecodeError::None) {
      EXPECT_FALSE(ini.SectionExists(u"Loupe")) << c.Name;
      EXPECT_FALSE(DecodeErrorText(TLangState(), c.Error).empty()) << c.Name;
    }
  }
  EXPECT_TRUE(TIniFile(std::vector<std::uint8_t>{}).Readable());
  EXPECT_TRUE(TIniFile(std::vector<std::uint8_t>{0xFF, 0xFE}).Readable());
  // A file read as UTF-8 is written back as UTF-16 LE with its mark.
  const std::vector<std::uint8_t> written = TIniFile(bytes(utf8)).ToBytes();
  EXPECT_EQ(written, TIniFile(Utf16Bytes(text)).ToBytes());
  ASSERT_GE(written.size(), 2u);
  EXPECT_EQ(written[0], 0xFF);
  EXPECT_EQ(written[1], 0xFE);
}

TEST(IniFile, LoneSurrogatesAreKeptAsTheyAre) {
  std::u16string text = u"[S]\r\nK=a";
  text += static_cast<char16_t>(0xD800);
  text += u"b\r\nL=";
  text += static_cast<char16_t>(0xDFFF);
  text += u"\r\n";
  const auto bytes = Utf16Bytes(text);
  const TIniFile ini(bytes);
  ASSERT_TRUE(ini.Readable());
  EXPECT_EQ(ini.ReadString(u"S", u"K", u"").size(), 3u);
  EXPECT_EQ(ini.ReadString(u"S", u"L", u""), std::u16string(1, static_cast<char16_t>(0xDFFF)));
  EXPECT_EQ(ini.ToBytes(), TIniFile(ini.ToBytes()).ToBytes());
  EXPECT_EQ(TIniFile(ini.ToBytes()).ReadString(u"S", u"K", u""), ini.ReadString(u"S", u"K", u""));
}

// Printable text of `sections` sections with 250 keys each.
static std::u16string ManyKeys(int sections) {
  std::u16string text;
  for (int s = 0; s < sections; ++s) {
    text += u"[Section" + AsciiToUtf16(std::to_string(s).c_str()) + u"]\r\n";
    for (int k = 0; k < 250; ++k) text += u"Key" + AsciiToUtf16(std::to_string(k).c_str()) + u"=v\r\n";
  }
  return text;
}

// How fast is a figure of lensoro_bench (IniParseAndSave); here only what
// comes out, and the heap allocations, which grow with the file and not
// faster.
TEST(IniFile, LargeFilesParseAndSaveWhole) {
  // 50 MB of junk: read as something, without a crash.
  std::mt19937_64 rng(42);
  std::vector<std::uint8_t> junk(50u << 20);
  for (std::size_t i = 0; i < junk.size(); i += 8) {
    const std::uint64_t r = rng();
    for (int k = 0; k < 8; ++k) junk[i + k] = static_cast<std::uint8_t>(r >> (8 * k));
  }
  EXPECT_FALSE(TIniFile(junk).Readable());  // random bytes hold NUL characters

  // Many lines, sections and keys: every key stays reachable and the save
  // holds all of them.
  long allocations[2] = {};
  for (int round = 0; round < 2; ++round) {
    const int sections = 250 << round;
    const std::vector<std::uint8_t> bytes = Utf16Bytes(ManyKeys(sections));
    test::TAllocationScope scope;
    const TIniFile big(bytes);
    const std::u16string last = u"section" + AsciiToUtf16(std::to_string(sections - 1).c_str());
    EXPECT_EQ(big.ReadString(last, u"KEY249", u""), u"v");
    // Saved whole, with the blank line the writer puts after each section.
    EXPECT_EQ(big.ToBytes().size(), bytes.size() + 4u * static_cast<unsigned>(sections));
    allocations[round] = scope.Count();
  }
  EXPECT_LE(allocations[1], 2 * allocations[0] + 64) << allocations[0] << " then " << allocations[1];
}

TEST(IniValues, Integers) {
  int v = 0;
  EXPECT_TRUE(TryTextToInteger(u"0x0A", v));
  EXPECT_EQ(v, 10);
  EXPECT_TRUE(TryTextToInteger(u"0X1f", v));
  EXPECT_EQ(v, 31);
  EXPECT_TRUE(TryTextToInteger(u"$FF", v));
  EXPECT_EQ(v, 255);
  EXPECT_TRUE(TryTextToInteger(u"$FFFFFFFF", v));
  EXPECT_EQ(v, -1);  // the 32-bit pattern
  EXPECT_TRUE(TryTextToInteger(u"-2147483648", v));
  EXPECT_EQ(v, -2147483647 - 1);
  EXPECT_TRUE(TryTextToInteger(u"+7", v));
  EXPECT_EQ(v, 7);
  v = 99;
  for (const char16_t* bad : {u"", u"true", u"2147483648", u"-2147483649", u"$100000000", u"99999999999999999999",
                              u"$", u"0x", u"-", u"1 2", u" 1", u"1.0", u"0x-1", u"-$1", u"１２"}) {
    EXPECT_FALSE(TryTextToInteger(bad, v)) << Utf16ToUtf8(bad);
  }
  EXPECT_EQ(v, 99);  // untouched by a failure
  const TIniFile ini = TIniFile::FromText(u"[Loupe]\r\nIsSilentMode=2\r\nFlag=true\r\nFrameWidth=0x0A\r\n");
  EXPECT_TRUE(ini.ReadBool(u"Loupe", u"IsSilentMode", false));
  EXPECT_FALSE(ini.ReadBool(u"Loupe", u"Flag", false));
  EXPECT_TRUE(ini.ReadBool(u"Loupe", u"Flag", true));
  EXPECT_EQ(ini.ReadInteger(u"Loupe", u"FrameWidth", 4), 10);
  TIniFile out;
  out.WriteBool(u"Loupe", u"IsSilentMode", ini.ReadBool(u"Loupe", u"IsSilentMode", false));
  EXPECT_EQ(out.ReadString(u"Loupe", u"IsSilentMode", u""), u"1");
  out.WriteInteger(u"Loupe", u"Neg", -5);
  EXPECT_EQ(out.ReadString(u"Loupe", u"Neg", u""), u"-5");
}

TEST(IniValues, FloatsUseTheLocaleSeparator) {
  EXPECT_EQ(FloatToText(static_cast<double>(1.3f), u"."), u"1.29999995231628");
  EXPECT_EQ(FloatToText(static_cast<double>(2.1f), u"."), u"2.09999990463257");
  EXPECT_EQ(FloatToText(2.0, u"."), u"2");
  EXPECT_EQ(FloatToText(1.5, u"."), u"1.5");
  EXPECT_EQ(FloatToText(1.5, u","), u"1,5");
  EXPECT_EQ(FloatToText(0.1, u"."), u"0.1");
  double v = 0;
  ASSERT_TRUE(TryTextToFloat(u"1.29999995231628", u".", v));
  EXPECT_EQ(static_cast<float>(v), 1.3f);
  // Every rate the loupe can have comes back as the same float.
  for (int i = 13; i <= 80; ++i) {
    const float rate = static_cast<float>(i) / 10.0f;
    for (const char16_t* sep : {u".", u",", u"٫"}) {
      ASSERT_TRUE(TryTextToFloat(FloatToText(rate, sep), sep, v));
      EXPECT_EQ(static_cast<float>(v), rate) << i;
    }
  }
  ASSERT_TRUE(TryTextToFloat(u"1,5", u",", v));
  EXPECT_EQ(v, 1.5);
  ASSERT_TRUE(TryTextToFloat(u"-.5e1", u".", v));
  EXPECT_EQ(v, -5.0);
  ASSERT_TRUE(TryTextToFloat(u"1e+20", u".", v));
  EXPECT_EQ(FloatToText(v, u"."), u"1e+20");
  for (const char16_t* bad : {u"1,5", u"", u"abc", u".", u"1.2.3", u"inf", u"nan", u"1e", u"1e400", u"0x10",
                              u"1 000", u"2.0x"}) {
    EXPECT_FALSE(TryTextToFloat(bad, u".", v)) << Utf16ToUtf8(bad);
  }
  EXPECT_FALSE(TryTextToFloat(u"1.5", u",", v));
  const TIniFile ini = TIniFile::FromText(u"[Loupe]\r\nLoupeRate=1,5\r\nOther=abc\r\n");
  EXPECT_EQ(ini.ReadFloat(u"Loupe", u"LoupeRate", 2.0, u"."), 2.0);
  EXPECT_EQ(ini.ReadFloat(u"Loupe", u"LoupeRate", 2.0, u","), 1.5);
  EXPECT_EQ(ini.ReadFloat(u"Loupe", u"Other", 2.0, u"."), 2.0);
}

TEST(IniValues, ColoursByNameOrNumber) {
  DWORD c = 0;
  struct {
    const char16_t* Text;
    DWORD Value;
  } const cases[] = {
      {u"clLime", 0x0000FF00},    {u"CLAQUA", 0x00FFFF00},    {u"clSkyBlue", 0x00F0CAA6},  {u"clMedGray", 0x00A4A0A0},
      {u"clCream", 0x00F0FBFF},   {u"$00ccffcc", 0x00CCFFCC}, {u"0x000000FF", 0x000000FF}, {u"255", 0x000000FF},
      {u"clBtnFace", 0xFF00000F}, {u"clWindow", 0xFF000005},  {u"clMenuBar", 0xFF00001E},  {u"clScrollBar", 0xFF000000},
      {u"#FF0000", 0x000000FF},   {u"#00ff80", 0x0080FF00},   {u"#123456", 0x00563412},
  };
  for (const auto& k : cases) {
    ASSERT_TRUE(TryTextToColor(k.Text, c)) << Utf16ToUtf8(k.Text);
    EXPECT_EQ(c, k.Value) << Utf16ToUtf8(k.Text);
  }
  EXPECT_FALSE(TryTextToColor(u"green-ish", c));
  EXPECT_FALSE(TryTextToColor(u"clLime2", c));
  for (const char16_t* bad : {u"#FF00", u"#FF00000", u"#GG0000", u"#"}) EXPECT_FALSE(TryTextToColor(bad, c));
  EXPECT_EQ(ColorToText(0x0000FF00), u"$0000FF00");
  EXPECT_EQ(ColorToText(0x00ccffcc), u"$00CCFFCC");
  const TIniFile ini = TIniFile::FromText(u"[L]\r\nA=nonsense\r\n");
  EXPECT_EQ(ini.ReadColor(u"L", u"A", 0x00FFFF00), 0x00FFFF00u);
  EXPECT_EQ(ini.ReadColor(u"L", u"Missing", 0x0000FF00), 0x0000FF00u);
}

TEST(ShortCutText, SplitCombineAndText) {
  // Written forms.
  EXPECT_EQ(ShortCutToEntry(ShortCut(77, ssCtrl | ssAlt)), u"77,Ctrl+Alt+");
  EXPECT_EQ(ShortCutToEntry(ShortCut(123, 0)), u"123,");
  EXPECT_EQ(ShortCutToEntry(ShortCut(65, ssShift | ssCtrl)), u"65,Ctrl+Shift+");
  EXPECT_EQ(ShortCutToEntry(0), u"0,");
  EXPECT_EQ(ShiftStateToText(ssCtrl | ssShift | ssAlt | ssLeft | ssRight | ssMiddle | ssDouble | ssTouch | ssPen),
            u"Ctrl+Shift+Alt+Left+Right+Middle+Double+Touch+Pen+");
  EXPECT_EQ(ShiftStateToText(0), u"");
  EXPECT_EQ(TextToShiftState(u"Pen+xxCtrl+Ctrl+"), ssPen | ssCtrl);

  struct {
    const char16_t* Entry;
    bool Read;
    TShortCut Result;
  } const cases[] = {
      {u"65,Shift+Ctrl+", true, ShortCut(65, ssCtrl | ssShift)},
      {u"65,Ctrl+Shift+", true, ShortCut(65, ssCtrl | ssShift)},
      {u"65,ctrl+", true, 65},
      {u"65,Ctrl", true, 65},
      {u"65,Left+Ctrl+", true, ShortCut(65, ssCtrl)},
      {u"300,Ctrl+", true, 0},
      {u"-1,Ctrl+", true, 0},
      {u"0,", true, 0},
      {u"77", true, 77},                    // no comma: the key alone
      {u"77,Alt+,Ctrl+", true, ShortCut(77, ssAlt)},  // a third field is not read
      {u"$4D,Ctrl+", true, ShortCut(77, ssCtrl)},
      {u"M,Ctrl+", false, 0},
      {u"", false, 0},
      {u",Ctrl+", false, 0},
  };
  for (const auto& k : cases) {
    TShortCut sc = 0x1234;
    EXPECT_EQ(EntryToShortCut(k.Entry, sc), k.Read) << Utf16ToUtf8(k.Entry);
    EXPECT_EQ(sc, k.Read ? k.Result : 0x1234) << Utf16ToUtf8(k.Entry);
  }
  // Every shortcut with a key code up to 255 survives split and combine,
  // and its settings entry.
  for (unsigned mods = 0; mods < 8; ++mods) {
    for (unsigned key = 0; key <= 255; ++key) {
      const TShortCut sc = static_cast<TShortCut>(key | (mods << 13));
      std::uint16_t k = 0;
      TShiftState s = 0;
      ShortCutToKey(sc, k, s);
      ASSERT_EQ(ShortCut(k, s), sc);
      TShortCut back = 0;
      ASSERT_TRUE(EntryToShortCut(ShortCutToEntry(sc), back));
      ASSERT_EQ(back, sc);
    }
  }
}

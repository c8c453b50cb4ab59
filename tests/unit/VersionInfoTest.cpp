// The version reader: the fixed part, the translation table, the strings,
// the text the About dialog shows, and resources damaged in every way the
// reader has to notice.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

#include "RsVersionInfo.h"
#include "SimDesktop.h"
#include "VersionBlock.h"

using namespace lensoro;
using namespace lensoro::sim;
using namespace lensoro::test;

namespace {

const std::u16string Exe = u"C:\\Tools\\lensoro.exe";

// The process's own executable with the given resource (none when empty).
TSimProcess& WithResource(TSimDesktop& desk, std::vector<std::uint8_t> block) {
  desk.AddFile(Exe, "MZ");
  desk.SetVersionResource(Exe, std::move(block));
  return desk.AddProcess(Exe);
}

std::string ErrorOf(TSimDesktop& desk, std::vector<std::uint8_t> block) {
  TSimProcess& p = WithResource(desk, std::move(block));
  try {
    TRsVersionInfo info(p, Exe);
  } catch (const ERsVersionInfo& e) {
    return e.what();
  }
  return "no error";
}

// Offsets inside the block VersionResource makes: the root header, its key
// "VS_VERSION_INFO" (16 characters with the zero, so the value starts at 40).
constexpr std::size_t RootValueLength = 2, RootFixedPart = 40;

}  // namespace

TEST(VersionInfo, ProductVersionIsLookedUpUnderTheFirstTranslation) {
  TSimDesktop desk;
  TSimProcess& p = WithResource(
      desk, VersionResource(FixedPart(0x00090009, 0x00090009),
                            {{u"040904B0", {{u"ProductVersion", u"9.9 (wrong table)"}}},
                             {u"041103A4", {{u"FileVersion", u"1.0.0.0"}, {u"ProductVersion", u"1.2.3"}}}},
                            {{0x0411, 0x03A4}, {0x0409, 0x04B0}}));
  TRsVersionInfo info(p, Exe);
  ASSERT_TRUE(info.HasVersionInfo());
  ASSERT_EQ(info.CountTranslations(), 2);
  EXPECT_EQ(info.GetTranslationKey(0), u"041103A4");
  EXPECT_EQ(info.GetTranslationKey(1), u"040904B0");
  EXPECT_EQ(info.GetVersionString(u"041103A4", u"ProductVersion"), u"1.2.3");
  EXPECT_EQ(info.GetVersionString(u"041103A4", u"FileVersion"), u"1.0.0.0");
  // Names match as the system matches them, A-Z folded.
  EXPECT_EQ(info.GetVersionString(u"041103a4", u"productversion"), u"1.2.3");
  EXPECT_EQ(info.GetVersionString(u"041103A4", u"CompanyName"), u"");
  EXPECT_EQ(info.GetVersionString(u"08040000", u"ProductVersion"), u"");
  EXPECT_EQ(info.GetProductVersionText(0), u"1.2.3");
  EXPECT_EQ(info.GetProductVersionText(1), u"9.9 (wrong table)");
  EXPECT_EQ(info.FixedFileInfo().dwSignature, 0xFEEF04BDu);
  EXPECT_THROW(info.GetTranslationKey(2), std::out_of_range);
  EXPECT_THROW(info.GetTranslationKey(-1), std::out_of_range);
  // The reader asked for the whole size the system named.
  EXPECT_EQ(desk.CountCalls("GetFileVersionInfoSizeW"), 1);
  EXPECT_EQ(desk.CountCalls("GetFileVersionInfoW"), 1);
}

TEST(VersionInfo, WithoutTranslationsTheFixedPartIsShown) {
  TSimDesktop desk;
  TSimProcess& p = WithResource(desk, VersionResource(FixedPart(0x00020003, 0x00040005),
                                                      {{u"041103A4", {{u"ProductVersion", u"unused"}}}}, {}));
  TRsVersionInfo info(p, Exe);
  EXPECT_EQ(info.CountTranslations(), 0);
  EXPECT_EQ(info.GetProductVersionText(0), u"2.3.4.5");

  // Every word counts up to 65535, most significant first.
  TSimDesktop desk2;
  TSimProcess& q = WithResource(desk2, VersionResource(FixedPart(0xFFFF0010, 0x0000FFFE), {}, {}));
  EXPECT_EQ(TRsVersionInfo(q, Exe).GetProductVersionText(0), u"65535.16.0.65534");

  // A translation without any string table: the version text is empty, as
  // stored, and nothing is read out of bounds.
  TSimDesktop desk3;
  TSimProcess& r = WithResource(desk3, VersionResource(FixedPart(1, 1), {}, {{0x0409, 0x04E4}}));
  TRsVersionInfo third(r, Exe);
  EXPECT_EQ(third.GetTranslationKey(0), u"040904E4");
  EXPECT_EQ(third.GetProductVersionText(0), u"");
}

TEST(VersionInfo, AFileWithoutResourceHasNoVersionInformation) {
  TSimDesktop desk;
  TSimProcess& p = WithResource(desk, {});
  TRsVersionInfo info(p, Exe);
  EXPECT_FALSE(info.HasVersionInfo());
  EXPECT_EQ(info.CountTranslations(), 0);
  EXPECT_EQ(info.GetProductVersionText(0), u"No Version Information");
  EXPECT_THROW(info.GetTranslationKey(0), std::out_of_range);
  EXPECT_THROW(info.GetVersionString(u"041103A4", u"ProductVersion"), std::logic_error);
  // Nothing is read when there is nothing to read.
  EXPECT_EQ(desk.CountCalls("GetFileVersionInfoW"), 0);

  // A file that is not there reads the same.
  EXPECT_EQ(TRsVersionInfo(p, u"C:\\Tools\\missing.exe").GetProductVersionText(0), u"No Version Information");
}

TEST(VersionInfo, DamagedResourcesRaiseTheirTexts) {
  const std::vector<std::uint8_t> good = VersionResource(FixedPart(1, 2), {}, {{0x0411, 0x03A4}});
  {
    TSimDesktop desk;
    desk.FailNext("GetFileVersionInfoW", 5);
    EXPECT_EQ(ErrorOf(desk, good), "Cannot Load Version Information");
  }
  {
    // The block claims more bytes than the resource holds.
    TSimDesktop desk;
    std::vector<std::uint8_t> bad = good;
    bad[0] = 0xFF, bad[1] = 0xFF;
    EXPECT_EQ(ErrorOf(desk, bad), "Cannot Read FixedFileInfo");
  }
  {
    // The fixed part reaches past its node.
    TSimDesktop desk;
    std::vector<std::uint8_t> bad = good;
    bad[RootValueLength] = 0xF0, bad[RootValueLength + 1] = 0x7F;
    EXPECT_EQ(ErrorOf(desk, bad), "Cannot Read FixedFileInfo");
  }
  {
    // Not a version block at all.
    TSimDesktop desk;
    std::vector<std::uint8_t> bad = good;
    bad[6] = 'X';
    EXPECT_EQ(ErrorOf(desk, bad), "Cannot Read FixedFileInfo");
  }
  {
    // A fixed part of 48 bytes.
    TSimDesktop desk;
    std::vector<std::uint8_t> fixed = FixedPart(1, 2);
    fixed.resize(48);
    EXPECT_EQ(ErrorOf(desk, VersionResource(fixed, {}, {})), "FixedFileInfo Record Wrong Size");
  }
  {
    // A damaged translation table is no table: the fixed part is shown.
    TSimDesktop desk;
    std::vector<std::uint8_t> bad = good;
    // "Translation": header 6, key 24, padding 2, value 4; the last node.
    const std::size_t translation = bad.size() - 36;
    ASSERT_EQ(bad[translation + 2], 4);  // its value length
    bad[translation] = 0xFF;
    TSimProcess& p = WithResource(desk, bad);
    TRsVersionInfo info(p, Exe);
    EXPECT_EQ(info.CountTranslations(), 0);
    EXPECT_EQ(info.GetProductVersionText(0), u"0.1.0.2");
  }
  ASSERT_EQ(good[RootFixedPart], 0xBD);  // the offsets above are right
}

TEST(VersionInfo, QueriesStayInsideTheBlockWhateverItHolds) {
  const std::vector<std::uint8_t> good =
      VersionResource(FixedPart(0x00010002, 0x00030004),
                      {{u"041103A4", {{u"ProductVersion", u"1.2.3"}, {u"Comments", u"x"}}}}, {{0x0411, 0x03A4}});
  const std::u16string paths[] = {u"\\", u"\\VarFileInfo\\Translation", u"\\StringFileInfo\\041103A4\\ProductVersion",
                                  u"\\StringFileInfo\\041103A4\\Comments", u"\\StringFileInfo"};
  // Every prefix of the block and every byte set to each of a few values:
  // no query reads outside its copy (AddressSanitizer watches the exact
  // allocation) and every value found lies within it.
  auto check = [&](const std::vector<std::uint8_t>& bytes) {
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[bytes.size() + 1]);
    if (!bytes.empty()) std::memcpy(copy.get(), bytes.data(), bytes.size());
    for (const std::u16string& path : paths) {
      TVerValue value;
      if (VerQueryValue(copy.get(), bytes.size(), path, value)) {
        EXPECT_GE(value.Data, copy.get());
        EXPECT_LE(value.Data + value.Size, copy.get() + bytes.size());
      }
    }
  };
  int found = 0;
  for (std::size_t n = 0; n <= good.size(); ++n) {
    check(std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)));
    TVerValue value;
    if (VerQueryValue(good.data(), n, u"\\StringFileInfo\\041103A4\\ProductVersion", value)) ++found;
  }
  // The root's length covers the whole block: no shorter prefix is one.
  EXPECT_EQ(found, 1);
  for (std::size_t i = 0; i < good.size(); ++i) {
    for (std::uint8_t b : {0x00, 0x01, 0x7F, 0xFF}) {
      std::vector<std::uint8_t> bad = good;
      bad[i] = b;
      check(bad);
    }
  }

  TVerValue value;
  ASSERT_TRUE(VerQueryValue(good.data(), good.size(), u"\\", value));
  EXPECT_EQ(value.Size, 52u);
  EXPECT_FALSE(value.IsText);
  ASSERT_TRUE(VerQueryValue(good.data(), good.size(), u"\\StringFileInfo\\041103A4\\ProductVersion", value));
  EXPECT_TRUE(value.IsText);
  EXPECT_EQ(value.Size, 12u);  // "1.2.3" and its zero
  EXPECT_FALSE(VerQueryValue(nullptr, 0, u"\\", value));
  EXPECT_FALSE(VerQueryValue(good.data(), good.size(), u"\\StringFileInfo\\041103A4\\ProductVersionX", value));
  // A block with children only has an empty value.
  ASSERT_TRUE(VerQueryValue(good.data(), good.size(), u"\\VarFileInfo", value));
  EXPECT_EQ(value.Size, 0u);
}

TEST(VersionInfo, TextLengthsAreKeptWithinTheirNode) {
  // A string whose length counts bytes instead of characters, and one whose
  // text has no zero before its node ends: both read up to what is there.
  TVerNodeSpec root{u"VS_VERSION_INFO", 0, FixedPart(1, 1), -1, {}};
  TVerNodeSpec table{u"041103A4", 1, {}, 0, {}};
  table.Children.push_back({u"ProductVersion", 1, Utf16Z(u"4.5"), 8, {}});
  std::vector<std::uint8_t> unterminated;
  for (char16_t c : std::u16string(u"abcd")) Put16(unterminated, c);
  table.Children.push_back({u"Comments", 1, unterminated, 40, {}});
  root.Children.push_back({u"StringFileInfo", 1, {}, 0, {table}});
  root.Children.push_back({u"VarFileInfo", 1, {}, 0, {{u"Translation", 0, {0x11, 0x04, 0xA4, 0x03}, -1, {}}}});
  std::vector<std::uint8_t> block;
  WriteNode(block, root);

  TSimDesktop desk;
  TSimProcess& p = WithResource(desk, block);
  TRsVersionInfo info(p, Exe);
  EXPECT_EQ(info.GetProductVersionText(0), u"4.5");
  EXPECT_EQ(info.GetVersionString(u"041103A4", u"Comments"), u"abcd");
}

TEST(VersionInfo, TheResourceCompilersOutputReads) {
  // The resource of a cross-built lensoro.exe, as tests/fuzz/version_seed.py
  // took it out of the image.
  std::string path = __FILE__;
  path = path.substr(0, path.find_last_of("/\\") + 1) + "../fuzz/corpus/version_fuzz/lensoro_exe";
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> block{std::istreambuf_iterator<char>(in), {}};
  ASSERT_GT(block.size(), 200u) << path;

  TSimDesktop desk;
  TSimProcess& p = WithResource(desk, block);
  TRsVersionInfo info(p, Exe);
  ASSERT_EQ(info.CountTranslations(), 1);
  EXPECT_EQ(info.GetTranslationKey(0), u"041103A4");
  // Both forms of the version come from the one project version.
  const TVSFixedFileInfo& fixed = info.FixedFileInfo();
  const std::string three = std::to_string(fixed.dwProductVersionMS >> 16) + "." +
                            std::to_string(fixed.dwProductVersionMS & 0xFFFF) + "." +
                            std::to_string(fixed.dwProductVersionLS >> 16);
  EXPECT_EQ(info.GetProductVersionText(0), std::u16string(three.begin(), three.end()));
  const std::string four = std::to_string(fixed.dwFileVersionMS >> 16) + "." +
                           std::to_string(fixed.dwFileVersionMS & 0xFFFF) + "." +
                           std::to_string(fixed.dwFileVersionLS >> 16) + "." +
                           std::to_string(fixed.dwFileVersionLS & 0xFFFF);
  EXPECT_EQ(info.GetVersionString(u"041103A4", u"FileVersion"), std::u16string(four.begin(), four.end()));
  EXPECT_EQ(info.GetVersionString(u"041103A4", u"OriginalFilename"), u"lensoro.exe");
  EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
}

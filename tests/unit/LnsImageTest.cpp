// The tray image set: strips cut into cells at 96 and 120 DPI, the bilinear
// scaling with its rounding, the faded variants, palette and grey strips,
// and the fixed icon's image.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <string>
#include <vector>

#include "AllocationCounter.h"
#include "Application.h"
#include "Format.h"
#include "LnsImage.h"
#include "LoupeTest.h"
#include "Main.h"
#include "SimDesktop.h"
#include "TestFiles.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

using TBytes = std::vector<std::uint8_t>;

// libpng's simplified writer: RGBA, grey, or indexes into an RGBA colour map.
TBytes EncodePng(int w, int h, png_uint_32 format, const TBytes& pixels, const TBytes& colormap = {}) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = w;
  image.height = h;
  image.format = format;
  image.colormap_entries = static_cast<png_uint_32>(colormap.size() / 4);
  const void* map = colormap.empty() ? nullptr : colormap.data();
  png_alloc_size_t size = 0;
  if (!png_image_write_get_memory_size(image, size, 0, pixels.data(), 0, map)) return {};
  TBytes out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, map)) return {};
  out.resize(size);
  return out;
}

// An RGBA strip whose cells are flat colours: R G B = index * 20, 100, 200 - index,
// alpha 255 - index.
TBytes FlatCellStrip(int columns, int rows) {
  TBytes pixels;
  for (int y = 0; y < rows * 16; ++y)
    for (int x = 0; x < columns * 16; ++x) {
      const int i = (y / 16) * columns + x / 16;
      pixels.insert(pixels.end(), {static_cast<std::uint8_t>(i * 20), 100, static_cast<std::uint8_t>(200 - i),
                                   static_cast<std::uint8_t>(255 - i)});
    }
  return EncodePng(columns * 16, rows * 16, PNG_FORMAT_RGBA, pixels);
}

TPngImage Image(int w, int h, bool alpha, std::initializer_list<std::uint8_t> rgba) {
  TPngImage image;
  AllocPngImage(image, w, h, alpha);
  image.Pixels.assign(rgba);
  return image;
}

std::vector<int> Channel(const TPngImage& image, int c) {
  std::vector<int> v;
  for (std::size_t i = c; i < image.Pixels.size(); i += 4) v.push_back(image.Pixels[i]);
  return v;
}

// '*' where a faded 16 x 16 image has half its alpha.
const char* const OwnFadeMap[16] = {
    "................", ".**************.", ".**************.", ".**************.",
    ".**************.", ".**************.", ".**************.", ".**************.",
    ".**************.", ".**************.", ".**************.", ".**************.",
    ".**************.", ".......********.", "........*******.", "................",
};
const char* const OtherFadeMap[16] = {
    "................", ".**************.", ".**************.", ".**************.",
    ".**************.", ".**************.", ".**************.", ".**************.",
    ".**************.", ".**************.", ".**************.", ".**************.",
    ".**************.", ".**************.", ".**************.", "................",
};

void ExpectFaded(const TPngImage& base, const TPngImage& faded, const char* const map[16]) {
  ASSERT_EQ(base.Width, faded.Width);
  ASSERT_EQ(base.Height, faded.Height);
  EXPECT_TRUE(faded.HasAlpha);
  for (int y = 0; y < base.Height; ++y)
    for (int x = 0; x < base.Width; ++x) {
      const bool inside = x < 16 && y < 16 && map[y][x] == '*';
      const std::uint8_t a = base.At(x, y)[3];
      EXPECT_EQ(faded.At(x, y)[3], inside ? HalveAlpha(a) : a) << x << "," << y;
      for (int c = 0; c < 3; ++c) EXPECT_EQ(faded.At(x, y)[c], base.At(x, y)[c]);
    }
}

}  // namespace

TEST(TrayImages, StripOf64By32At96DpiGivesEightCellsAndEightFaded) {
  TPngImageList list;
  ASSERT_TRUE(LoadPngStrip(FlatCellStrip(4, 2), 16, 16, list, 1.0).Ok());
  ASSERT_EQ(list.size(), 8u);
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(list[i].Width, 16);
    ASSERT_EQ(list[i].Height, 16);
    EXPECT_TRUE(list[i].HasAlpha);
    // Row 0 holds cells 0 to 3, row 1 cells 4 to 7; every pixel of a cell.
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        const std::uint8_t* p = list[i].At(x, y);
        ASSERT_EQ(std::vector<int>(p, p + 4), (std::vector<int>{i * 20, 100, 200 - i, 255 - i}));
      }
  }
  EXPECT_EQ(AppendFadedImages(list, TFadeRegion::OwnImage), 8);
  ASSERT_EQ(list.size(), 16u);
  for (int i = 0; i < 8; ++i) ExpectFaded(list[i], list[i + 8], OwnFadeMap);
}

TEST(TrayImages, StripAt120DpiIsScaledTo80By40AndCutInto20By20) {
  TPngImage loaded, scaled;
  ASSERT_TRUE(ReadPng(FlatCellStrip(4, 2), loaded).Ok());
  ASSERT_TRUE(ScalePng(loaded, scaled, 120.0 / 96));
  EXPECT_EQ(scaled.Width, 80);
  EXPECT_EQ(scaled.Height, 40);

  TPngImageList list;
  ASSERT_TRUE(LoadPngStrip(FlatCellStrip(4, 2), 16, 16, list, 120.0 / 96).Ok());
  ASSERT_EQ(list.size(), 8u);
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(list[i].Width, 20);
    EXPECT_EQ(list[i].Height, 20);
    // Away from the cell's right and lower edges nothing of a neighbour
    // blends in.
    const std::uint8_t* p = list[i].At(8, 8);
    EXPECT_EQ(std::vector<int>(p, p + 4), (std::vector<int>{i * 20, 100, 200 - i, 255 - i}));
  }
  // The faded region stays at the top-left 16 x 16, whatever the cell size.
  AppendFadedImages(list, TFadeRegion::OwnImage);
  for (int i = 0; i < 8; ++i) ExpectFaded(list[i], list[i + 8], OwnFadeMap);
}

TEST(TrayImages, NoScalingDownAtOrBelow96Dpi) {
  for (double scale : {1.0, 0.75, 0.0, -2.0, std::nan("")}) {
    TPngImageList list;
    ASSERT_TRUE(LoadPngStrip(FlatCellStrip(2, 1), 16, 16, list, scale).Ok()) << scale;
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].Width, 16);
    EXPECT_EQ(list[1].At(15, 15)[0], 20);
  }
}

TEST(TrayImages, BilinearScalingRoundsHalvesToEven) {
  TPngImage out;
  // sx = x * 0.5: 0, 0.5, 1, 1.5; the right neighbour stops at the edge.
  // Both target rows read source row 0.
  ASSERT_TRUE(ScalePng(Image(2, 1, false, {10, 10, 0, 255, 13, 11, 255, 255}), out, 2));
  EXPECT_EQ(Channel(out, 0), (std::vector<int>{10, 12, 13, 13, 10, 12, 13, 13}));  // 11.5 -> 12
  EXPECT_EQ(Channel(out, 1), (std::vector<int>{10, 10, 11, 11, 10, 10, 11, 11}));  // 10.5 -> 10
  EXPECT_EQ(Channel(out, 2), (std::vector<int>{0, 128, 255, 255, 0, 128, 255, 255}));  // 127.5 -> 128
  EXPECT_EQ(Channel(out, 3), (std::vector<int>{255, 255, 255, 255, 255, 255, 255, 255}));
  EXPECT_FALSE(out.HasAlpha);

  // Alpha is resampled by the same rule, on its own, colours stay straight.
  ASSERT_TRUE(ScalePng(Image(2, 1, true, {200, 0, 0, 0, 100, 0, 0, 255}), out, 2));
  EXPECT_TRUE(out.HasAlpha);
  EXPECT_EQ(Channel(out, 0), (std::vector<int>{200, 150, 100, 100, 200, 150, 100, 100}));
  EXPECT_EQ(Channel(out, 3), (std::vector<int>{0, 128, 255, 255, 0, 128, 255, 255}));

  // 2 x 2 by 1.5: the centre pixel blends all four with weights 1/3, 2/3:
  // top 60, bottom 230, value 173.33.
  ASSERT_TRUE(ScalePng(Image(2, 2, false, {0, 0, 0, 255, 90, 0, 0, 255, 180, 0, 0, 255, 255, 0, 0, 255}), out, 1.5));
  ASSERT_EQ(out.Width, 3);
  EXPECT_EQ(Channel(out, 0), (std::vector<int>{0, 60, 90, 120, 173, 200, 180, 230, 255}));

  // Target sizes round halves to even: 4.5 -> 4, 7.5 -> 8.
  const TPngImage three = Image(3, 1, false, {1, 1, 1, 255, 2, 2, 2, 255, 3, 3, 3, 255});
  ASSERT_TRUE(ScalePng(three, out, 1.5));
  EXPECT_EQ(out.Width, 4);
  TPngImage five;
  AllocPngImage(five, 5, 1, false);
  ASSERT_TRUE(ScalePng(five, out, 1.5));
  EXPECT_EQ(out.Width, 8);
  EXPECT_EQ(out.Height, 2);  // 1.5 -> 2
}

TEST(TrayImages, PaletteAndGreyStrips) {
  // Palette strip of two cells with a transparent entry: cells carry the
  // palette's colours and keep the transparency, scaled or not.
  TBytes indexes;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) indexes.push_back(x == 0 && y == 0 ? 0 : x < 16 ? 1 : 2);
  const TBytes palette =
      EncodePng(32, 16, PNG_FORMAT_RGBA_COLORMAP, indexes, {0, 0, 0, 0, 250, 40, 10, 255, 10, 40, 250, 255});
  for (double scale : {1.0, 1.25}) {
    TPngImageList list;
    ASSERT_TRUE(LoadPngStrip(palette, 16, 16, list, scale).Ok());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_TRUE(list[0].HasAlpha);
    EXPECT_EQ(list[0].At(0, 0)[3], 0);
    const std::uint8_t* blue = list[1].At(5, 5);
    EXPECT_EQ(std::vector<int>(blue, blue + 4), (std::vector<int>{10, 40, 250, 255}));
  }

  // Grey strip without alpha: grey RGB cells; the faded variant is given an
  // opaque alpha channel first, then halved inside the ring.
  TBytes greys;
  for (int i = 0; i < 16 * 32; ++i) greys.push_back(i < 256 ? 70 : 180);
  const TBytes grey = EncodePng(16, 32, PNG_FORMAT_GRAY, greys);
  TPngImageList list;
  ASSERT_TRUE(LoadPngStrip(grey, 16, 16, list, 1.0).Ok());
  ASSERT_EQ(list.size(), 2u);
  EXPECT_FALSE(list[1].HasAlpha);
  EXPECT_EQ(std::vector<int>(list[1].At(3, 3), list[1].At(3, 3) + 4), (std::vector<int>{180, 180, 180, 255}));
  EXPECT_EQ(AppendFadedImages(list, TFadeRegion::OtherStrip), 2);
  ExpectFaded(list[0], list[2], OtherFadeMap);
  EXPECT_EQ(list[2].At(1, 1)[3], 128);
  EXPECT_EQ(list[2].At(0, 0)[3], 255);
}

TEST(TrayImages, FadingHalvesAlphaToEvenInsideItsRegion) {
  const std::pair<int, int> halves[] = {{0, 0}, {1, 0}, {2, 1}, {3, 2}, {4, 2}, {5, 2}, {7, 4}, {254, 127}, {255, 128}};
  for (auto [alpha, half] : halves) EXPECT_EQ(HalveAlpha(static_cast<std::uint8_t>(alpha)), half) << alpha;

  TPngImage base;
  AllocPngImage(base, 16, 16, true);
  for (std::size_t i = 3; i < base.Pixels.size(); i += 4) base.Pixels[i] = static_cast<std::uint8_t>(i);
  for (TFadeRegion region : {TFadeRegion::OwnImage, TFadeRegion::OtherStrip}) {
    TPngImage faded = base;
    FadePng(faded, region);
    ExpectFaded(base, faded, region == TFadeRegion::OwnImage ? OwnFadeMap : OtherFadeMap);
  }
  // A cell smaller than the region is faded as far as it reaches.
  TPngImage small =
      Image(3, 2, false, {1, 1, 1, 255, 2, 2, 2, 255, 3, 3, 3, 255, 4, 4, 4, 255, 5, 5, 5, 255, 6, 6, 6, 255});
  FadePng(small, TFadeRegion::OwnImage);
  EXPECT_EQ(Channel(small, 3), (std::vector<int>{255, 255, 255, 255, 128, 128}));
}

TEST(TrayImages, StripsWithoutCellsDamagedFilesAndHugeScales) {
  const TBytes narrow = EncodePng(15, 40, PNG_FORMAT_RGBA, TBytes(15 * 40 * 4, 9));
  TPngImageList list;
  EXPECT_TRUE(LoadPngStrip(narrow, 16, 16, list, 1.5).Ok());
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(LoadPngStrip(FlatCellStrip(1, 1), 0, 16, list, 1.0).Ok());
  EXPECT_TRUE(list.empty());
  SlicePng(Image(2, 1, false, {0, 0, 0, 255, 0, 0, 0, 255}), 3, 1, list);  // narrower than the columns
  SlicePng(Image(2, 1, false, {0, 0, 0, 255, 0, 0, 0, 255}), 0, 1, list);
  EXPECT_TRUE(list.empty());

  TBytes damaged = FlatCellStrip(2, 1);
  damaged.resize(damaged.size() - 5);
  EXPECT_STREQ(LoadPngStrip(damaged, 16, 16, list, 1.0).Error, "PNG file is truncated.");
  EXPECT_STREQ(LoadPngStrip(FlatCellStrip(2, 1), 16, 16, list, 1e9).Error, "Scaled PNG image is too large.");
  EXPECT_STREQ(LoadPngStrip(FlatCellStrip(2, 1), 16, 16, list, INFINITY).Error, "Scaled PNG image is too large.");
  EXPECT_TRUE(list.empty());
}

// Memory runs out while a strip is cut: no cell is written through an
// empty image, the list is as it was, and the tray falls back to the
// program's own icon as for a missing strip.
TEST(TrayImages, ACellThatCannotBeAllocatedLeavesTheListAsItWas) {
  // At 163 DPI a 32 x 16 strip becomes 54 x 27: two cells of 27 x 27, a
  // size nothing else allocates.
  constexpr unsigned long cellBytes = 27 * 27 * 4;
  constexpr double rate = 163 / 96.0;
  TPngImageList list(1);
  TPngResult result;
  {
    test::TFailAllocationsScope failing(cellBytes);
    result = LoadPngStrip(FlatCellStrip(2, 1), 16, 16, list, rate);
  }
  EXPECT_STREQ(result.Error, "Not enough memory to cut the PNG image into icons.");
  EXPECT_EQ(list.size(), 1u);

  TSimDesktop desk;
  desk.PixelsPerInch = 163;
  TSimProcess& proc = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  const TBytes strip = FlatCellStrip(2, 1);
  desk.AddFile(u"C:\\Tools\\Image\\Lns16.png", std::string(strip.begin(), strip.end()));
  TApplication app(proc);
  app.Initialize();
  std::unique_ptr<TMainForm> form;
  {
    test::TFailAllocationsScope failing(cellBytes);
    form = std::make_unique<TMainForm>(app);
  }
  EXPECT_EQ(Parts(form).Tray.OrgIconCount, 1);
  ASSERT_EQ(desk.Dialogs.size(), 1u);
  EXPECT_NE(desk.Dialogs[0].Text.find(u"Not enough memory"), std::u16string::npos);
}

TEST(TrayImages, FixedIconBecomesOneImageAndItsFadedVariant) {
  // 2 x 2 B G R A colour bitmap; the mask marks the second pixel.
  const std::vector<std::uint8_t> noAlphaBytes = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0};
  const std::vector<std::uint8_t> mask = {0, 1, 0, 0};
  TPngImage icon = IconBitsToPng(2, 2, noAlphaBytes, mask, false);
  ASSERT_EQ(icon.Width, 2);
  EXPECT_TRUE(icon.HasAlpha);
  EXPECT_EQ(Channel(icon, 0), (std::vector<int>{3, 6, 9, 12}));
  EXPECT_EQ(Channel(icon, 2), (std::vector<int>{1, 4, 7, 10}));
  EXPECT_EQ(Channel(icon, 3), (std::vector<int>{255, 0, 255, 255}));
  // On a 32-bit screen alpha bytes that are all zero leave the mask's alpha.
  EXPECT_EQ(Channel(IconBitsToPng(2, 2, noAlphaBytes, mask, true), 3), (std::vector<int>{255, 0, 255, 255}));
  // Any non-zero alpha byte replaces the mask altogether.
  const std::vector<std::uint8_t> alphaBytes = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 200, 10, 11, 12, 0};
  EXPECT_EQ(Channel(IconBitsToPng(2, 2, alphaBytes, mask, true), 3), (std::vector<int>{0, 0, 200, 0}));
  EXPECT_EQ(Channel(IconBitsToPng(2, 2, alphaBytes, mask, false), 3), (std::vector<int>{255, 0, 255, 255}));
  // No mask bit and no 32-bit screen: no alpha at all.
  EXPECT_FALSE(IconBitsToPng(2, 2, noAlphaBytes, TBytes{0, 0, 0, 0}, false).HasAlpha);
  // Buffers too small for the size give nothing.
  EXPECT_TRUE(IconBitsToPng(3, 2, noAlphaBytes, mask, false).Empty());

  TPngImage opaque;
  AllocPngImage(opaque, 16, 16, false);
  TPngImageList list{opaque};
  EXPECT_EQ(AppendFadedImages(list, TFadeRegion::OwnImage), 1);
  ASSERT_EQ(list.size(), 2u);
  ExpectFaded(list[0], list[1], OwnFadeMap);
}

// --- The set the loupe builds at start-up ------------------------------------------

namespace {

std::string AsText(const TBytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A copy of the program started in C:\P with the given files beside it.
struct TStartedLoupe {
  TSimDesktop Desk;
  test::TLoupeCopy Copy{Desk, u"C:\\P\\lensoro.exe", false, test::TImages::None};
  TSimProcess& Proc = Copy.Proc;
  std::unique_ptr<TMainForm>& Form = Copy.Form;
  void Start(const std::u16string& ini = u"") { Copy.Create(ini); }
  // The alpha at (x, y) of the icon the tray shows.
  int ShownAlpha(int x, int y) const {
    const HWND tray = Parts(Form).Tray.TrayIcon1->WindowHandle();
    const auto* icon = Desk.TrayIcon(tray, tray);
    const auto* bits = icon ? Desk.Icon(icon->Data.hIcon) : nullptr;
    return bits ? bits->Bits.ColorBgra[static_cast<std::size_t>((y * bits->Bits.Width + x) * 4 + 3)] : -1;
  }
};

}  // namespace

TEST(TrayImageSet, OwnStripAt120DpiShorterThanTheChoiceShowsAndKeepsImageZero) {
  TStartedLoupe l;
  l.Desk.PixelsPerInch = 120;
  l.Desk.AddFile(u"C:\\P\\Image\\Lns16.png", AsText(FlatCellStrip(4, 2)));
  l.Start(u"[Loupe]\r\nTrayIconIndex=9\r\n");
  EXPECT_EQ(Parts(l.Form).Tray.OrgIconCount, 8);
  ASSERT_EQ(Parts(l.Form).Tray.PngImageList1.size(), 16u);
  EXPECT_EQ(Parts(l.Form).Tray.PngImageList1[15].Width, 20);
  EXPECT_EQ(Parts(l.Form).Settings.TrayIconIndex, 0);
  EXPECT_EQ(l.ShownAlpha(5, 5), 255);  // image 0, not the faded image 1 that index 9 points at
  EXPECT_TRUE(l.Desk.Dialogs.empty());
}

TEST(TrayImageSet, TrayIsAddedWithTheFixedIconThenShowsTheChosenImageEvenAtIndexZero) {
  TStartedLoupe l;
  l.Desk.AddFile(u"C:\\P\\Image\\Lns16.png", AsText(FlatCellStrip(2, 1)));
  l.Start();
  ASSERT_EQ(Parts(l.Form).Settings.TrayIconIndex, 0);
  // The add carried the fixed icon; image 0 of the strip replaced it.
  const HICON fixed = Parts(l.Form).Tray.TrayIcon1->Icon().Handle();
  std::vector<std::pair<std::int64_t, bool>> sent;  // message, with the fixed icon
  for (const auto& c : l.Desk.Calls())
    if (std::string(c.Name) == "Shell_NotifyIconW")
      sent.emplace_back(c.A[0], c.A[4] == static_cast<std::int64_t>(fixed));
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent[0], std::make_pair(std::int64_t{win::NIM_ADD}, true));
  const HWND tray = Parts(l.Form).Tray.TrayIcon1->WindowHandle();
  const auto* shown = l.Desk.TrayIcon(tray, tray);
  ASSERT_NE(shown, nullptr);
  EXPECT_NE(shown->Data.hIcon, Parts(l.Form).Tray.TrayIcon1->Icon().Handle());
  const auto* bits = l.Desk.Icon(shown->Data.hIcon);
  ASSERT_NE(bits, nullptr);
  const std::uint8_t* pixel = &bits->Bits.ColorBgra[(5 * 16 + 5) * 4];
  EXPECT_EQ(std::vector<int>(pixel, pixel + 4), (std::vector<int>{200, 100, 0, 255}));  // B G R A of cell 0
}

TEST(TrayImageSet, AnotherStripIsUsedFromIndexZeroWithTheWholeInsideFaded) {
  TStartedLoupe l;
  l.Desk.AddFile(u"C:\\P\\Image\\Mine.png", AsText(FlatCellStrip(2, 1)));
  l.Start(u"[Loupe]\r\nTrayIconIndex=1\r\n");
  EXPECT_EQ(Parts(l.Form).Settings.TrayIconIndex, 0);
  EXPECT_EQ(Parts(l.Form).Tray.OrgIconCount, 2);
  ASSERT_EQ(Parts(l.Form).Tray.PngImageList1.size(), 4u);
  ExpectFaded(Parts(l.Form).Tray.PngImageList1[0], Parts(l.Form).Tray.PngImageList1[2], OtherFadeMap);
  EXPECT_EQ(l.ShownAlpha(5, 5), 255);
  l.Form->MinimizeToTray();
  EXPECT_EQ(l.ShownAlpha(2, 14), 128);  // inside the other strips' region only
}

TEST(TrayImageSet, NoStripGivesTheMessageAndTheFixedIconAlone) {
  TStartedLoupe l;
  l.Start(u"[Loupe]\r\nTrayIconIndex=3\r\n");
  ASSERT_EQ(l.Desk.Dialogs.size(), 1u);
  EXPECT_EQ(l.Desk.Dialogs[0].Text, u"ありません: [C:\\P\\Image\\Lns16.png]");
  EXPECT_EQ(l.Desk.Dialogs[0].Type, TMsgDlgType::Error);
  EXPECT_EQ(Parts(l.Form).Tray.OrgIconCount, 1);
  ASSERT_EQ(Parts(l.Form).Tray.PngImageList1.size(), 2u);
  EXPECT_EQ(Parts(l.Form).Settings.TrayIconIndex, 3);  // kept for the day the folder is back
  // The fixed icon's transparent corners stay transparent; its inside is faded.
  const TPngImage& icon = Parts(l.Form).Tray.PngImageList1[0];
  EXPECT_TRUE(icon.HasAlpha);
  EXPECT_EQ(icon.At(0, 0)[3], 0);
  EXPECT_EQ(icon.At(8, 8)[3], 255);
  ExpectFaded(icon, Parts(l.Form).Tray.PngImageList1[1], OwnFadeMap);
  EXPECT_EQ(l.ShownAlpha(8, 8), 255);
  l.Form->MinimizeToTray();
  EXPECT_EQ(l.ShownAlpha(8, 8), 128);

  // On a 16-bit screen the mask alone says what is transparent.
  TStartedLoupe lowColour;
  lowColour.Desk.ScreenBitsPerPixel = 16;
  lowColour.Start();
  EXPECT_EQ(Parts(lowColour.Form).Tray.PngImageList1[0].At(0, 0)[3], 0);
}

TEST(TrayImageSet, DamagedStripIsReportedAndTheFixedIconTakesItsPlace) {
  TStartedLoupe l;
  TBytes damaged = FlatCellStrip(2, 1);
  damaged.resize(damaged.size() / 2);
  l.Desk.AddFile(u"C:\\P\\Image\\Lns16.png", AsText(damaged));
  l.Start(u"[Loupe]\r\nTrayIconIndex=1\r\n");
  ASSERT_EQ(l.Desk.Dialogs.size(), 1u);
  EXPECT_EQ(l.Desk.Dialogs[0].Text, u"ひらけません: [C:\\P\\Image\\Lns16.png] (PNG file is truncated.)");
  EXPECT_EQ(Parts(l.Form).Tray.OrgIconCount, 1);
  EXPECT_EQ(Parts(l.Form).Settings.TrayIconIndex, 1);
  EXPECT_EQ(l.ShownAlpha(8, 8), 255);
}

// What the tray shows, shown and hidden, and what is saved, for a choice
// within and beyond the images loaded.
TEST(TrayImageSet, AChoiceBeyondTheImagesShowsTheFirstAndIsKeptOnlyWithTheFallback) {
  enum TStrip { OwnOfEight, OtherOfTwo, NoFolder, Damaged };
  const struct {
    const char* Name;
    TStrip Strip;
    int Saved, Index, Shown, Hidden;
  } cases[] = {
      {"own strip, choice within", OwnOfEight, 3, 3, 252, 126},
      {"own strip, choice beyond", OwnOfEight, 9, 0, 255, 128},
      {"another strip starts from 0", OtherOfTwo, 1, 0, 255, 128},
      {"no image folder", NoFolder, 3, 3, 255, 128},
      {"a damaged strip", Damaged, 5, 5, 255, 128},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TStartedLoupe l;
    TBytes strip = FlatCellStrip(c.Strip == OtherOfTwo ? 2 : 4, c.Strip == OtherOfTwo ? 1 : 2);
    if (c.Strip == Damaged) strip.resize(strip.size() / 2);
    if (c.Strip != NoFolder) {
      l.Desk.AddFile(c.Strip == OtherOfTwo ? u"C:\\P\\Image\\Mine.png" : u"C:\\P\\Image\\Lns16.png", AsText(strip));
    }
    l.Start(u"[Loupe]\r\nTrayIconIndex=" + AsciiToUtf16(std::to_string(c.Saved).c_str()) + u"\r\n");
    EXPECT_EQ(Parts(l.Form).Settings.TrayIconIndex, c.Index);
    EXPECT_EQ(l.ShownAlpha(8, 8), c.Shown);
    l.Form->MinimizeToTray();
    EXPECT_EQ(l.ShownAlpha(8, 8), c.Hidden);
    l.Form->RestoreFromTray();
    EXPECT_EQ(l.ShownAlpha(8, 8), c.Shown);
    ASSERT_TRUE(SaveSettings(*l.Form).Ok);
    EXPECT_NE(test::Utf16Text(l.Desk.FileText(u"C:\\P\\lensoro.ini"))
                  .find(u"\r\nTrayIconIndex=" + AsciiToUtf16(std::to_string(c.Index).c_str()) + u"\r\n"),
              std::u16string::npos);
  }
}

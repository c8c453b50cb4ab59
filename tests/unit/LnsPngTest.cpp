// The PNG reader: every colour type, depth and interlacing checked pixel by
// pixel against libpng on files libpng writes, and damaged or hostile files
// refused with their message before anything large is allocated.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "AllocationCounter.h"
#include "LnsPng.h"

using namespace lensoro;

namespace lensoro::test {

using TBytes = std::vector<std::uint8_t>;

// What libpng is asked to write: rows packed at the file's depth.
struct TPngRecipe {
  int Width = 1, Height = 1, ColorType = PNG_COLOR_TYPE_RGB_ALPHA, Depth = 8;
  bool Interlaced = false;
  int Filter = PNG_ALL_FILTERS;
  std::vector<png_color> Palette;
  TBytes PaletteAlpha;
  bool ColorKey = false;
  png_color_16 Key{};
  TBytes Rows;

  std::size_t Channels() const {
    switch (ColorType) {
      case PNG_COLOR_TYPE_RGB: return 3;
      case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
      case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
      default: return 1;
    }
  }
  std::size_t RowBytes() const { return (Width * Channels() * Depth + 7) / 8; }
};

// Encodes with libpng.
static TBytes WritePngWithLibpng(const TPngRecipe& recipe) {
  TBytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* o = static_cast<TBytes*>(png_get_io_ptr(p));
        o->insert(o->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, recipe.Width, recipe.Height, recipe.Depth, recipe.ColorType,
               recipe.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!recipe.Palette.empty())
    png_set_PLTE(png, info, recipe.Palette.data(), static_cast<int>(recipe.Palette.size()));
  if (!recipe.PaletteAlpha.empty())
    png_set_tRNS(png, info, recipe.PaletteAlpha.data(), static_cast<int>(recipe.PaletteAlpha.size()), nullptr);
  if (recipe.ColorKey) png_set_tRNS(png, info, nullptr, 0, &recipe.Key);
  png_set_filter(png, 0, recipe.Filter);
  png_write_info(png, info);
  std::vector<png_bytep> rows;
  for (int y = 0; y < recipe.Height; ++y)
    rows.push_back(const_cast<png_bytep>(recipe.Rows.data() + y * recipe.RowBytes()));
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace lensoro::test

using namespace lensoro::test;

namespace {

struct TReadBuffer {
  const TBytes* Data;
  std::size_t Pos = 0;
};

// libpng's own decoding into 8-bit RGBA: the independent answer.
bool ReadPngWithLibpng(const TBytes& file, TPngImage& image) {
  TReadBuffer in{&file};
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, [](png_structp, png_const_charp) {});
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &in, [](png_structp p, png_bytep data, png_size_t n) {
    auto* r = static_cast<TReadBuffer*>(png_get_io_ptr(p));
    if (r->Data->size() - r->Pos < n) png_error(p, "short");
    std::memcpy(data, r->Data->data() + r->Pos, n);
    r->Pos += n;
  });
  png_read_info(png, info);
  const int type = png_get_color_type(png, info);
  image.HasAlpha = (type & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  image.Width = static_cast<int>(png_get_image_width(png, info));
  image.Height = static_cast<int>(png_get_image_height(png, info));
  image.Pixels.assign(std::size_t{4} * image.Width * image.Height, 0);
  for (int y = 0; y < image.Height; ++y) rows.push_back(image.At(0, y));
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

TPngRecipe RandomRecipe(int colorType, int depth, bool interlaced, int width, int height, unsigned seed) {
  std::mt19937 rng(seed);
  TPngRecipe recipe;
  recipe.Width = width;
  recipe.Height = height;
  recipe.ColorType = colorType;
  recipe.Depth = depth;
  recipe.Interlaced = interlaced;
  recipe.Rows.resize(recipe.RowBytes() * height);
  // Smooth runs next to noise, so every filter finds something to do.
  for (std::size_t i = 0; i < recipe.Rows.size(); ++i)
    recipe.Rows[i] = static_cast<std::uint8_t>(i % 3 == 0 ? i / 7 : rng());
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    for (int i = 0; i < (1 << depth); ++i)
      recipe.Palette.push_back(
          {static_cast<png_byte>(rng()), static_cast<png_byte>(rng()), static_cast<png_byte>(rng())});
    for (int i = 0; i < (1 << depth) / 2 + 1; ++i) recipe.PaletteAlpha.push_back(static_cast<std::uint8_t>(rng()));
  }
  return recipe;
}

void ExpectSameAsLibpng(const TBytes& file, const std::string& what) {
  SCOPED_TRACE(what);
  ASSERT_FALSE(file.empty());
  TPngImage expected, actual;
  ASSERT_TRUE(ReadPngWithLibpng(file, expected));
  const TPngResult result = ReadPng(file, actual);
  ASSERT_TRUE(result.Ok()) << result.Error;
  EXPECT_EQ(actual.Width, expected.Width);
  EXPECT_EQ(actual.Height, expected.Height);
  EXPECT_EQ(actual.HasAlpha, expected.HasAlpha);
  ASSERT_EQ(actual.Pixels.size(), expected.Pixels.size());
  for (std::size_t i = 0; i < actual.Pixels.size(); ++i)
    ASSERT_EQ(actual.Pixels[i], expected.Pixels[i]) << "byte " << i << " (pixel " << i / 4 << ")";
}

// A file put together by hand, chunk by chunk.
void AppendChunk(TBytes& file, const char* type, const TBytes& data) {
  const auto length = static_cast<std::uint32_t>(data.size());
  for (int s = 24; s >= 0; s -= 8) file.push_back(static_cast<std::uint8_t>(length >> s));
  const std::size_t start = file.size();
  file.insert(file.end(), type, type + 4);
  file.insert(file.end(), data.begin(), data.end());
  const uLong crc = crc32(0L, file.data() + start, static_cast<uInt>(4 + data.size()));
  for (int s = 24; s >= 0; s -= 8) file.push_back(static_cast<std::uint8_t>(crc >> s));
}

TBytes Header(std::uint32_t width, std::uint32_t height, int depth = 8, int colorType = 6, int interlace = 0) {
  TBytes h;
  for (std::uint32_t v : {width, height})
    for (int s = 24; s >= 0; s -= 8) h.push_back(static_cast<std::uint8_t>(v >> s));
  h.insert(h.end(), {static_cast<std::uint8_t>(depth), static_cast<std::uint8_t>(colorType), 0, 0,
                     static_cast<std::uint8_t>(interlace)});
  return h;
}

TBytes Compress(const TBytes& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  TBytes out(size);
  compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
  out.resize(size);
  return out;
}

TBytes Signature() { return {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}; }

TBytes MakeFile(const TBytes& header, const std::vector<TBytes>& idat) {
  TBytes f = Signature();
  AppendChunk(f, "IHDR", header);
  for (const TBytes& d : idat) AppendChunk(f, "IDAT", d);
  AppendChunk(f, "IEND", {});
  return f;
}

// Raw rows of a w x h RGBA image, filter byte 0, pixel bytes counting up.
TBytes RawRgba(int w, int h) {
  TBytes raw;
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);
    for (int i = 0; i < 4 * w; ++i) raw.push_back(static_cast<std::uint8_t>(y * 31 + i));
  }
  return raw;
}

std::string Refusal(const TBytes& file) {
  TPngImage image;
  image.Width = 3;  // must come back empty
  const TPngResult result = ReadPng(file, image);
  if (!result.Ok()) {
    EXPECT_TRUE(image.Empty() && image.Pixels.empty());
  }
  return result.Ok() ? std::string("accepted") : std::string(result.Error);
}

}  // namespace

TEST(PngReader, EveryColourTypeAndDepthAgreesWithLibpng) {
  struct TCase {
    int ColorType;
    std::vector<int> Depths;
  };
  const TCase cases[] = {
      {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}}, {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}},
      {PNG_COLOR_TYPE_RGB, {8, 16}},           {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
      {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}},
  };
  unsigned seed = 1;
  for (const TCase& c : cases)
    for (int depth : c.Depths)
      for (bool interlaced : {false, true})
        // Odd sizes leave partial bytes at the row ends and empty Adam7 passes.
        for (auto [w, h] : {std::pair{1, 1}, {7, 5}, {33, 17}, {16, 16}}) {
          const TPngRecipe recipe = RandomRecipe(c.ColorType, depth, interlaced, w, h, ++seed);
          ExpectSameAsLibpng(WritePngWithLibpng(recipe), "type " + std::to_string(c.ColorType) + " depth " +
                                                           std::to_string(depth) + (interlaced ? " interlaced " : " ") +
                                                           std::to_string(w) + "x" + std::to_string(h));
        }
}

TEST(PngReader, ColourKeyTransparencyOfGreyAndRgb) {
  for (int depth : {2, 8, 16}) {
    TPngRecipe grey = RandomRecipe(PNG_COLOR_TYPE_GRAY, depth, false, 9, 4, 7);
    grey.ColorKey = true;
    grey.Key.gray = depth == 16 ? 0x1234 : 1;
    if (depth == 16) grey.Rows[0] = 0x12, grey.Rows[1] = 0x34;  // the key at full depth
    if (depth == 8) grey.Rows[0] = 1;
    ExpectSameAsLibpng(WritePngWithLibpng(grey), "grey key depth " + std::to_string(depth));
  }
  TPngRecipe rgb = RandomRecipe(PNG_COLOR_TYPE_RGB, 8, true, 9, 9, 8);
  rgb.ColorKey = true;
  rgb.Key.red = 10, rgb.Key.green = 20, rgb.Key.blue = 30;
  for (std::size_t p : {0u, 3u, 40u}) rgb.Rows[p * 3] = 10, rgb.Rows[p * 3 + 1] = 20, rgb.Rows[p * 3 + 2] = 30;
  const TBytes file = WritePngWithLibpng(rgb);
  ExpectSameAsLibpng(file, "rgb key");
  TPngImage image;
  ASSERT_TRUE(ReadPng(file, image).Ok());
  EXPECT_TRUE(image.HasAlpha);
  EXPECT_EQ(image.At(0, 0)[3], 0);
  EXPECT_EQ(image.At(3, 0)[3], 0);
}

TEST(PngReader, EachFilterTypeAndSplitImageData) {
  for (int filter : {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH}) {
    for (auto [type, depth] :
         {std::pair{PNG_COLOR_TYPE_RGB_ALPHA, 8}, {PNG_COLOR_TYPE_RGB, 16}, {PNG_COLOR_TYPE_GRAY, 4}}) {
      TPngRecipe recipe = RandomRecipe(type, depth, false, 23, 11, 100 + filter);
      recipe.Filter = filter;
      ExpectSameAsLibpng(WritePngWithLibpng(recipe), "filter " + std::to_string(filter));
    }
  }
  // The compressed stream may be cut anywhere, empty IDAT chunks included;
  // ancillary chunks we do not know are skipped.
  const TBytes z = Compress(RawRgba(5, 3));
  TBytes file = Signature();
  AppendChunk(file, "IHDR", Header(5, 3));
  AppendChunk(file, "tEXt", {'a', 0, 'b'});
  AppendChunk(file, "IDAT", TBytes(z.begin(), z.begin() + 1));
  AppendChunk(file, "IDAT", {});
  AppendChunk(file, "IDAT", TBytes(z.begin() + 1, z.end()));
  AppendChunk(file, "IEND", {});
  ExpectSameAsLibpng(file, "split IDAT");
}

TEST(PngReader, DamagedFilesAreRefusedWithTheirMessage) {
  const TBytes good = MakeFile(Header(5, 3), {Compress(RawRgba(5, 3))});
  ASSERT_EQ(Refusal(good), "accepted");

  TBytes badSignature = good;
  badSignature[1] = 'Q';
  EXPECT_EQ(Refusal(badSignature), "Not a PNG file.");
  EXPECT_EQ(Refusal({}), "Not a PNG file.");

  // One changed bit anywhere after the signature breaks a chunk's CRC
  // (or, in a length field, the chunk structure).
  for (std::size_t i = 8; i < good.size(); ++i) {
    TBytes bad = good;
    bad[i] ^= 0x10;
    EXPECT_NE(Refusal(bad), "accepted") << "byte " << i;
  }
  TBytes badCrc = good;
  badCrc[8 + 8 + 13 + 12 + 8 + 2] ^= 1;  // inside the IDAT data
  EXPECT_EQ(Refusal(badCrc), "PNG chunk has a bad CRC.");

  for (std::size_t n = 8; n < good.size(); ++n)
    EXPECT_EQ(Refusal(TBytes(good.begin(), good.begin() + n)), "PNG file is truncated.") << n << " bytes";

  EXPECT_EQ(Refusal(MakeFile(Header(5, 3, 3, 0), {})), "PNG header is missing or invalid.");
  EXPECT_EQ(Refusal(MakeFile(Header(5, 3, 8, 5), {})), "PNG header is missing or invalid.");
  EXPECT_EQ(Refusal(MakeFile(Header(5, 3, 4, 2), {})), "PNG header is missing or invalid.");
  EXPECT_EQ(Refusal(MakeFile(Header(0, 3), {})), "PNG header is missing or invalid.");
  EXPECT_EQ(Refusal(MakeFile(Header(5, 3, 8, 6, 2), {})), "PNG header is missing or invalid.");
  TBytes dataFirst = Signature();
  AppendChunk(dataFirst, "IDAT", Compress(RawRgba(5, 3)));
  EXPECT_EQ(Refusal(dataFirst), "PNG header is missing or invalid.");

  EXPECT_EQ(Refusal(MakeFile(Header(5, 3), {})), "PNG file has no image data.");
  EXPECT_EQ(Refusal(MakeFile(Header(4, 1, 8, 3), {Compress({0, 0, 1, 2, 3})})), "PNG palette is missing or invalid.");

  TBytes critical = Signature();
  AppendChunk(critical, "IHDR", Header(5, 3));
  AppendChunk(critical, "ABCD", {1});
  EXPECT_EQ(Refusal(critical), "PNG file has an unknown critical chunk.");

  TBytes noEnd = Signature();
  AppendChunk(noEnd, "IHDR", Header(5, 3));
  AppendChunk(noEnd, "IDAT", Compress(RawRgba(5, 3)));
  EXPECT_EQ(Refusal(noEnd), "PNG file is truncated.");

  TBytes filter5 = RawRgba(5, 3);
  filter5[21] = 5;  // second row's filter byte
  EXPECT_EQ(Refusal(MakeFile(Header(5, 3), {Compress(filter5)})), "PNG row has an unknown filter type.");

  EXPECT_EQ(Refusal(MakeFile(Header(5, 3), {{0x78, 0x9C, 0xFF, 0xFF, 0xFF}})), "PNG image data is corrupt.");
  TBytes raw = RawRgba(5, 3);
  TBytes shortRaw(raw.begin(), raw.end() - 4);
  EXPECT_EQ(Refusal(MakeFile(Header(5, 3), {Compress(shortRaw)})), "PNG image data is too short for the image size.");
  raw.push_back(7);
  EXPECT_EQ(Refusal(MakeFile(Header(5, 3), {Compress(raw)})), "PNG image data is longer than the image.");
}

TEST(PngReader, AbsurdSizesAreRefusedBeforeAllocating) {
  const TBytes tinyData = Compress(RawRgba(1, 1));
  struct TCase {
    std::uint32_t W, H;
    const char* Message;
    long MaxAllocations;
  } const cases[] = {
      {1000000, 1000000, "PNG image is too large.", 0},
      {16385, 1, "PNG image is too large.", 0},
      {1, 16385, "PNG image is too large.", 0},
      {16384, 1025, "PNG image is too large.", 0},  // one row above 16 M pixels
      {0xFFFFFFFF, 0xFFFFFFFF, "PNG image is too large.", 0},
      // Within the limits, but a few bytes of compressed data cannot hold
      // 64 MB: only the lists of data chunks and passes are made.
      {4096, 4096, "PNG image data is too short for the image size.", 2},
  };
  for (const TCase& c : cases) {
    const TBytes file = MakeFile(Header(c.W, c.H), {tinyData});
    TPngImage image;
    TPngResult result;
    long allocations = 0;
    {
      lensoro::test::TAllocationScope scope;
      result = ReadPng(file, image);
      allocations = scope.Count();
    }
    ASSERT_FALSE(result.Ok()) << c.W << "x" << c.H;
    EXPECT_STREQ(result.Error, c.Message) << c.W << "x" << c.H;
    EXPECT_LE(allocations, c.MaxAllocations) << c.W << "x" << c.H;
  }
}

TEST(PngReader, DecompressionBombIsRefusedWithoutALargeAllocation) {
  // 128 MB of zero rows behind the header of a 16 x 16 image.
  TBytes z(1 << 20);
  z_stream zs{};
  ASSERT_EQ(deflateInit(&zs, 1), Z_OK);
  const TBytes zeros(1 << 20, 0);
  zs.next_out = z.data();
  zs.avail_out = static_cast<uInt>(z.size());
  for (int i = 0; i < 128; ++i) {
    zs.next_in = const_cast<Bytef*>(zeros.data());
    zs.avail_in = static_cast<uInt>(zeros.size());
    ASSERT_EQ(deflate(&zs, i == 127 ? Z_FINISH : Z_NO_FLUSH), i == 127 ? Z_STREAM_END : Z_OK);
  }
  z.resize(zs.total_out);
  deflateEnd(&zs);
  ASSERT_LT(z.size(), 1u << 20);

  const TBytes file = MakeFile(Header(16, 16), {z});
  TPngImage image;
  TPngResult result;
  long allocations = 0;
  {
    lensoro::test::TAllocationScope scope;
    result = ReadPng(file, image);
    allocations = scope.Count();
  }
  EXPECT_STREQ(result.Error, "PNG image data is longer than the image.");
  EXPECT_LE(allocations, 3) << "chunk list and 16 raw rows, nothing in proportion to the stream";
  EXPECT_TRUE(image.Pixels.empty());
}

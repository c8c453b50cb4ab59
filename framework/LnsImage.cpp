#include "LnsImage.h"

#include <algorithm>
#include <new>

#include "Numeric.h"

namespace lensoro {

namespace {

constexpr const char* ErrScaledTooLarge = "Scaled PNG image is too large.";
constexpr const char* ErrSliceMemory = "Not enough memory to cut the PNG image into icons.";

// Bilinear value of one channel at (sx, sy), as the tray images were always
// scaled: truncate to the top-left neighbour, blend in x, then in y.
std::uint8_t Bilinear(const TPngImage& s, int x0, int x1, int y0, int y1, long double fx, long double fy, int c) {
  const long double top = s.At(x0, y0)[c] * (1 - fx) + s.At(x1, y0)[c] * fx;
  const long double bottom = s.At(x0, y1)[c] * (1 - fx) + s.At(x1, y1)[c] * fx;
  return static_cast<std::uint8_t>(std::clamp(RoundHalfEven(top * (1 - fy) + bottom * fy), 0, 255));
}

// Truncated source index and the next one, both inside the image.
void Neighbours(long double s, int size, int& i0, int& i1, long double& f) {
  i0 = s < 0 ? 0 : std::min(static_cast<int>(s), size - 1);
  i1 = std::min(i0 + 1, size - 1);
  f = s - i0;
}

}  // namespace

bool ScalePng(const TPngImage& source, TPngImage& dest, double scale) {
  if (!(scale > 1) || source.Empty()) {
    dest = source;
    return true;
  }
  const long double tw = static_cast<long double>(scale) * source.Width;
  const long double th = static_cast<long double>(scale) * source.Height;
  if (!(tw <= PngMaxDimension) || !(th <= PngMaxDimension) ||
      !AllocPngImage(dest, RoundHalfEven(tw), RoundHalfEven(th), source.HasAlpha)) {
    dest = TPngImage{};
    return false;
  }
  const long double stepX = static_cast<long double>(source.Width) / dest.Width;
  const long double stepY = static_cast<long double>(source.Height) / dest.Height;
  for (int y = 0; y < dest.Height; ++y) {
    int y0, y1;
    long double fy;
    Neighbours(y * stepY, source.Height, y0, y1, fy);
    for (int x = 0; x < dest.Width; ++x) {
      int x0, x1;
      long double fx;
      Neighbours(x * stepX, source.Width, x0, x1, fx);
      std::uint8_t* out = dest.At(x, y);
      for (int c = 0; c < (source.HasAlpha ? 4 : 3); ++c) out[c] = Bilinear(source, x0, x1, y0, y1, fx, fy, c);
    }
  }
  return true;
}

bool SlicePng(const TPngImage& image, int columns, int rows, TPngImageList& list) {
  if (columns <= 0 || rows <= 0) return true;
  const int cellWidth = image.Width / columns;
  const int cellHeight = image.Height / rows;
  if (cellWidth == 0 || cellHeight == 0) return true;
  const std::size_t before = list.size();
  try {
    for (int r = 0; r < rows; ++r) {
      for (int k = 0; k < columns; ++k) {
        TPngImage cell;
        // An empty cell would be written through.
        if (!AllocPngImage(cell, cellWidth, cellHeight, image.HasAlpha)) {
          list.resize(before);
          return false;
        }
        for (int y = 0; y < cellHeight; ++y)
          std::copy_n(image.At(k * cellWidth, r * cellHeight + y), std::size_t{4} * cellWidth, cell.At(0, y));
        list.push_back(std::move(cell));
      }
    }
  } catch (const std::bad_alloc&) {
    list.resize(before);
    return false;
  }
  return true;
}

TPngResult LoadPngStrip(std::span<const std::uint8_t> file, int cellWidth, int cellHeight, TPngImageList& list,
                        double scale) {
  TPngImage loaded;
  if (const TPngResult result = ReadPng(file, loaded); !result.Ok()) return result;
  if (cellWidth <= 0 || cellHeight <= 0) return {};
  const int columns = loaded.Width / cellWidth;
  const int rows = loaded.Height / cellHeight;
  if (columns == 0 || rows == 0) return {};
  TPngImage scaled;
  if (!ScalePng(loaded, scaled, scale)) return {ErrScaledTooLarge};
  if (!SlicePng(scaled, columns, rows, list)) return {ErrSliceMemory};
  return {};
}

std::uint8_t HalveAlpha(std::uint8_t alpha) { return static_cast<std::uint8_t>(RoundHalfEven(alpha * 0.5L)); }

void FadePng(TPngImage& image, TFadeRegion region) {
  // Faded pixels of one row: columns first..last, inclusive.
  struct TSpan {
    int Row, First, Last;
  };
  static constexpr TSpan OwnTail[] = {{13, 7, 14}, {14, 8, 14}};
  image.HasAlpha = true;
  const int lastFullRow = region == TFadeRegion::OwnImage ? 12 : 14;
  auto fade = [&image](int row, int first, int last) {
    if (row >= image.Height) return;
    for (int x = first; x <= std::min(last, image.Width - 1); ++x)
      image.At(x, row)[3] = HalveAlpha(image.At(x, row)[3]);
  };
  for (int y = 1; y <= lastFullRow; ++y) fade(y, 1, 14);
  if (region == TFadeRegion::OwnImage)
    for (const TSpan& s : OwnTail) fade(s.Row, s.First, s.Last);
}

int AppendFadedImages(TPngImageList& list, TFadeRegion region) {
  const std::size_t count = list.size();
  list.reserve(2 * count);
  for (std::size_t i = 0; i < count; ++i) {
    TPngImage faded = list[i];
    FadePng(faded, region);
    list.push_back(std::move(faded));
  }
  return static_cast<int>(count);
}

TPngImage IconBitsToPng(int width, int height, std::span<const std::uint8_t> colorBgra,
                        std::span<const std::uint8_t> mask, bool useAlphaBytes) {
  TPngImage image;
  if (!AllocPngImage(image, width, height, false)) return {};
  const std::size_t pixels = static_cast<std::size_t>(width) * height;
  if (colorBgra.size() < pixels * 4 || mask.size() < pixels) return {};
  bool anyAlphaByte = false;
  for (std::size_t i = 0; i < pixels; ++i) {
    std::uint8_t* out = &image.Pixels[i * 4];
    out[0] = colorBgra[i * 4 + 2];
    out[1] = colorBgra[i * 4 + 1];
    out[2] = colorBgra[i * 4];
    if (mask[i]) {
      out[3] = 0;
      image.HasAlpha = true;
    }
    anyAlphaByte = anyAlphaByte || colorBgra[i * 4 + 3] != 0;
  }
  if (useAlphaBytes) {
    image.HasAlpha = true;
    if (anyAlphaByte)
      for (std::size_t i = 0; i < pixels; ++i) image.Pixels[i * 4 + 3] = colorBgra[i * 4 + 3];
  }
  return image;
}

std::vector<std::uint8_t> PngToBgra(const TPngImage& image) {
  std::vector<std::uint8_t> bgra(image.Pixels.size());
  for (std::size_t i = 0; i + 3 < image.Pixels.size(); i += 4) {
    bgra[i] = image.Pixels[i + 2];
    bgra[i + 1] = image.Pixels[i + 1];
    bgra[i + 2] = image.Pixels[i];
    bgra[i + 3] = image.HasAlpha ? image.Pixels[i + 3] : 255;
  }
  return bgra;
}

}  // namespace lensoro

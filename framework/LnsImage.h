// The tray images' pixel work: cutting a strip into cells at the screen's
// density and deriving the faded variants shown while the loupe is hidden.
// Pure functions over TPngImage; reading files and making icons is the
// caller's.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "LnsPng.h"

namespace lensoro {

// Decodes a strip and appends its cells to the list: columns and rows are
// counted on the image as stored, the image is then scaled by the factor
// and cut. A strip narrower or lower than one cell appends nothing.
TPngResult LoadPngStrip(std::span<const std::uint8_t> file, int cellWidth, int cellHeight, TPngImageList& list,
                        double scale);

// Bilinear resampling by the factor; a factor of 1 or less (or not a number)
// makes a plain copy, never a smaller image. False, and dest left empty, when
// the result would exceed the reader's size limits.
bool ScalePng(const TPngImage& source, TPngImage& dest, double scale);

// Cuts the image into columns x rows cells of (width div columns) x
// (height div rows) pixels and appends them row by row. Cells carry alpha
// when the image does. False, and the list as it was, when a cell cannot
// be allocated.
bool SlicePng(const TPngImage& image, int columns, int rows, TPngImageList& list);

// Which pixels a faded variant dims.
enum class TFadeRegion {
  // The program's own strip and the fixed icon: a block at the lower left
  // keeps its alpha.
  OwnImage,
  // Any other strip: everything inside the outer one-pixel ring.
  OtherStrip,
};

// round(alpha * 0.5), halves to even: 255 -> 128, 3 -> 2, 1 -> 0.
std::uint8_t HalveAlpha(std::uint8_t alpha);

// Halves the alpha of the region's pixels; the region is in fixed pixel
// indexes near the top-left corner, whatever the image's size. An image
// without alpha is given an opaque alpha channel first.
void FadePng(TPngImage& image, TFadeRegion region);

// Appends a faded copy of every image now in the list, in order, so that
// image i + N is the faded image i. Returns N.
int AppendFadedImages(TPngImageList& list, TFadeRegion region);

// The pixel part of turning an icon into an image: colorBgra is the colour
// bitmap read as 32-bit top-down B G R A, mask one byte per pixel (non-zero
// where the icon's mask bit is set). useAlphaBytes is true on a 32-bit
// screen: the image then has alpha, and when any colour pixel has a
// non-zero alpha byte those bytes replace the mask's alpha altogether.
// An empty image when the sizes do not fit.
TPngImage IconBitsToPng(int width, int height, std::span<const std::uint8_t> colorBgra,
                        std::span<const std::uint8_t> mask, bool useAlphaBytes);

// The image as an icon's 32-bit top-down B G R A pixels, straight alpha;
// opaque where the image has no alpha.
std::vector<std::uint8_t> PngToBgra(const TPngImage& image);

}  // namespace lensoro

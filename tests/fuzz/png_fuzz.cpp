// The PNG reader and the tray image pipeline on any bytes: no crash, and an
// accepted image is always whole and within the limits.
#include <cstddef>
#include <cstdint>

#include "LnsImage.h"
#include "LnsPng.h"

using namespace lensoro;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TPngImage image;
  const TPngResult result = ReadPng({data, size}, image);
  if (!result.Ok()) {
    if (!image.Pixels.empty() || result.Error[0] == 0) __builtin_trap();
    return 0;
  }
  if (image.Width <= 0 || image.Height <= 0 || image.Width > PngMaxDimension || image.Height > PngMaxDimension ||
      image.Pixels.size() != std::size_t{4} * image.Width * image.Height)
    __builtin_trap();
  if (!image.HasAlpha)
    for (std::size_t i = 3; i < image.Pixels.size(); i += 4)
      if (image.Pixels[i] != 255) __builtin_trap();
  // Small images also go through the strip pipeline at 144 DPI.
  if (std::int64_t{image.Width} * image.Height <= 4096) {
    TPngImageList list;
    if (!LoadPngStrip({data, size}, 16, 16, list, 1.5).Ok()) __builtin_trap();
    const int count = AppendFadedImages(list, TFadeRegion::OwnImage);
    if (count != (image.Width / 16) * (image.Height / 16) || list.size() != 2u * count) __builtin_trap();
  }
  return 0;
}

// The tray images' pixel type and our own small PNG reader on zlib.
//
// The reader works on a buffer, never a file: the caller reads the bytes.
// Every colour type and bit depth of the PNG format is decoded, interlaced
// files too; 16-bit samples keep their high byte. The result is always
// straight (not premultiplied) 8-bit RGBA, top row first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace lensoro {

// A decoded or derived image. Pixels holds Width * Height * 4 bytes, R G B A
// per pixel, row by row. HasAlpha says whether the image carries real
// transparency (an alpha channel or a tRNS chunk); without it every A is 255.
struct TPngImage {
  int Width = 0;
  int Height = 0;
  bool HasAlpha = false;
  std::vector<std::uint8_t> Pixels;

  bool Empty() const { return Width == 0 || Height == 0; }
  std::uint8_t* At(int x, int y) { return &Pixels[(static_cast<std::size_t>(y) * Width + x) * 4]; }
  const std::uint8_t* At(int x, int y) const { return &Pixels[(static_cast<std::size_t>(y) * Width + x) * 4]; }
};

// PngImageList1: base images first, then their faded variants.
using TPngImageList = std::vector<TPngImage>;

// Sizes we refuse before allocating anything for the pixels.
constexpr int PngMaxDimension = 16384;
constexpr std::int64_t PngMaxPixels = 16 * 1024 * 1024;

// Error is null on success, else a fixed English text.
struct TPngResult {
  const char* Error = nullptr;
  bool Ok() const { return Error == nullptr; }
};

// Makes an image of the given size, every pixel 0 0 0 255. False (and the
// image left empty) when the size is out of the limits above.
bool AllocPngImage(TPngImage& image, int width, int height, bool hasAlpha);

// Decodes a whole PNG file. On failure the image is left empty.
TPngResult ReadPng(std::span<const std::uint8_t> data, TPngImage& image);

}  // namespace lensoro

#include "LnsPng.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace lensoro {

namespace {

constexpr const char* ErrSignature = "Not a PNG file.";
constexpr const char* ErrTruncated = "PNG file is truncated.";
constexpr const char* ErrCrc = "PNG chunk has a bad CRC.";
constexpr const char* ErrHeader = "PNG header is missing or invalid.";
constexpr const char* ErrTooLarge = "PNG image is too large.";
constexpr const char* ErrPalette = "PNG palette is missing or invalid.";
constexpr const char* ErrOrder = "PNG chunks are out of order.";
constexpr const char* ErrCritical = "PNG file has an unknown critical chunk.";
constexpr const char* ErrNoData = "PNG file has no image data.";
constexpr const char* ErrCorrupt = "PNG image data is corrupt.";
constexpr const char* ErrShort = "PNG image data is too short for the image size.";
constexpr const char* ErrLong = "PNG image data is longer than the image.";
constexpr const char* ErrFilter = "PNG row has an unknown filter type.";
constexpr const char* ErrMemory = "Not enough memory for the PNG image.";

// Deflate cannot expand one input byte into more than 1032 output bytes;
// anything claiming more is short, and we say so before allocating.
constexpr std::uint64_t MaxInflateRatio = 1032;

std::uint32_t Be32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

struct THeader {
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  int Depth = 0;
  int ColorType = 0;
  bool Interlaced = false;
  int Channels = 0;
};

const char* ParseHeader(const std::uint8_t* d, std::uint32_t length, THeader& h) {
  if (length != 13) return ErrHeader;
  h.Width = Be32(d);
  h.Height = Be32(d + 4);
  h.Depth = d[8];
  h.ColorType = d[9];
  if (d[10] != 0 || d[11] != 0 || d[12] > 1) return ErrHeader;
  h.Interlaced = d[12] == 1;
  if (h.Width == 0 || h.Height == 0) return ErrHeader;
  const int depth = h.Depth;
  switch (h.ColorType) {
    case 0:
      h.Channels = 1;
      if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16) return ErrHeader;
      break;
    case 3:
      h.Channels = 1;
      if (depth != 1 && depth != 2 && depth != 4 && depth != 8) return ErrHeader;
      break;
    case 2: h.Channels = 3; break;
    case 4: h.Channels = 2; break;
    case 6: h.Channels = 4; break;
    default: return ErrHeader;
  }
  if (h.Channels != 1 && depth != 8 && depth != 16) return ErrHeader;
  if (h.Width > PngMaxDimension || h.Height > PngMaxDimension ||
      std::uint64_t{h.Width} * h.Height > static_cast<std::uint64_t>(PngMaxPixels))
    return ErrTooLarge;
  return nullptr;
}

// One reduced image of the interlace scheme (the whole image when not
// interlaced): where its pixels go and where its rows sit in the raw data.
struct TPass {
  int X0, Y0, Dx, Dy;
  int Width = 0, Height = 0;
  std::size_t RowBytes = 0;
  std::size_t Offset = 0;
};

constexpr std::array<std::array<int, 4>, 7> Adam7 = {{
    {0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2},
}};

// Fills the output buffer exactly; less or more image data is an error.
const char* InflateAll(const std::vector<std::span<const std::uint8_t>>& parts, std::uint8_t* out,
                       std::size_t outSize) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return ErrMemory;
  zs.next_out = out;
  zs.avail_out = static_cast<uInt>(outSize);
  std::uint8_t spare[1];
  bool full = false;
  bool ended = false;
  const char* error = nullptr;
  for (const auto& part : parts) {
    zs.next_in = const_cast<Bytef*>(part.data());
    zs.avail_in = static_cast<uInt>(part.size());
    while (zs.avail_in > 0 && !error) {
      if (zs.avail_out == 0) {
        if (full) {
          error = ErrLong;
          break;
        }
        // The image is complete: what follows may only end the stream.
        full = true;
        zs.next_out = spare;
        zs.avail_out = sizeof spare;
      }
      const int rc = inflate(&zs, Z_NO_FLUSH);
      if (rc == Z_STREAM_END) {
        ended = true;
        break;
      }
      if (rc == Z_MEM_ERROR) error = ErrMemory;
      else if (rc != Z_OK) error = ErrCorrupt;
    }
    if (ended || error) break;
  }
  if (!error) {
    if (full && zs.avail_out == 0) error = ErrLong;
    else if (!full && zs.avail_out != 0) error = ErrShort;
  }
  inflateEnd(&zs);
  return error;
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = p > a ? p - a : a - p;
  const int pb = p > b ? p - b : b - p;
  const int pc = p > c ? p - c : c - p;
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// Undoes the row filters of one pass in place.
const char* Unfilter(std::uint8_t* raw, const TPass& pass, std::size_t bpp, std::vector<std::uint8_t>& zero) {
  zero.assign(pass.RowBytes, 0);
  const std::uint8_t* prev = zero.data();
  for (int y = 0; y < pass.Height; ++y) {
    std::uint8_t* row = raw + pass.Offset + static_cast<std::size_t>(y) * (pass.RowBytes + 1);
    const int filter = row[0];
    std::uint8_t* cur = row + 1;
    const std::size_t n = pass.RowBytes;
    switch (filter) {
      case 0: break;
      case 1:
        for (std::size_t i = bpp; i < n; ++i) cur[i] = static_cast<std::uint8_t>(cur[i] + cur[i - bpp]);
        break;
      case 2:
        for (std::size_t i = 0; i < n; ++i) cur[i] = static_cast<std::uint8_t>(cur[i] + prev[i]);
        break;
      case 3:
        for (std::size_t i = 0; i < n; ++i) {
          const int left = i >= bpp ? cur[i - bpp] : 0;
          cur[i] = static_cast<std::uint8_t>(cur[i] + ((left + prev[i]) >> 1));
        }
        break;
      case 4:
        for (std::size_t i = 0; i < n; ++i) {
          const int left = i >= bpp ? cur[i - bpp] : 0;
          const int upLeft = i >= bpp ? prev[i - bpp] : 0;
          cur[i] = static_cast<std::uint8_t>(cur[i] + Paeth(left, prev[i], upLeft));
        }
        break;
      default: return ErrFilter;
    }
    prev = cur;
  }
  return nullptr;
}

// Sample i of a row at the file's bit depth, 16-bit samples whole.
unsigned Sample(const std::uint8_t* row, std::size_t i, int depth) {
  switch (depth) {
    case 8: return row[i];
    case 16: return (unsigned{row[2 * i]} << 8) | row[2 * i + 1];
    default: {
      const std::size_t bit = i * depth;
      return (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
    }
  }
}

std::uint8_t To8(unsigned v, int depth) {
  switch (depth) {
    case 16: return static_cast<std::uint8_t>(v >> 8);
    case 8: return static_cast<std::uint8_t>(v);
    default: return static_cast<std::uint8_t>(v * 255 / ((1u << depth) - 1));
  }
}

struct TTransparency {
  bool Present = false;
  std::array<unsigned, 3> Key{};  // grey or RGB colour key, at the file's depth
  std::array<std::uint8_t, 256> Alpha{};
};

void StorePass(const std::uint8_t* raw, const TPass& pass, const THeader& h, const std::uint8_t* palette,
               int paletteSize, const TTransparency& trns, TPngImage& image) {
  for (int py = 0; py < pass.Height; ++py) {
    const std::uint8_t* row = raw + pass.Offset + static_cast<std::size_t>(py) * (pass.RowBytes + 1) + 1;
    const int y = pass.Y0 + py * pass.Dy;
    for (int px = 0; px < pass.Width; ++px) {
      std::uint8_t* out = image.At(pass.X0 + px * pass.Dx, y);
      const std::size_t s = static_cast<std::size_t>(px) * h.Channels;
      switch (h.ColorType) {
        case 0: {
          const unsigned g = Sample(row, s, h.Depth);
          out[0] = out[1] = out[2] = To8(g, h.Depth);
          out[3] = trns.Present && g == trns.Key[0] ? 0 : 255;
          break;
        }
        case 2: {
          const unsigned r = Sample(row, s, h.Depth), g = Sample(row, s + 1, h.Depth), b = Sample(row, s + 2, h.Depth);
          out[0] = To8(r, h.Depth);
          out[1] = To8(g, h.Depth);
          out[2] = To8(b, h.Depth);
          out[3] = trns.Present && r == trns.Key[0] && g == trns.Key[1] && b == trns.Key[2] ? 0 : 255;
          break;
        }
        case 3: {
          // An index past the palette reads as opaque black.
          const unsigned i = Sample(row, s, h.Depth);
          if (static_cast<int>(i) < paletteSize) {
            std::memcpy(out, palette + 3 * i, 3);
            out[3] = trns.Alpha[i];
          } else {
            out[0] = out[1] = out[2] = 0;
            out[3] = 255;
          }
          break;
        }
        case 4:
          out[0] = out[1] = out[2] = To8(Sample(row, s, h.Depth), h.Depth);
          out[3] = To8(Sample(row, s + 1, h.Depth), h.Depth);
          break;
        default:
          for (int c = 0; c < 4; ++c) out[c] = To8(Sample(row, s + c, h.Depth), h.Depth);
          break;
      }
    }
  }
}

bool IsChunk(const std::uint8_t* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

const char* Decode(std::span<const std::uint8_t> data, TPngImage& image) {
  static constexpr std::uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (data.size() < 8 || std::memcmp(data.data(), Signature, 8) != 0) return ErrSignature;

  THeader h;
  bool haveHeader = false, havePalette = false, idatEnded = false, haveEnd = false;
  const std::uint8_t* palette = nullptr;
  int paletteSize = 0;
  TTransparency trns;
  trns.Alpha.fill(255);
  std::vector<std::span<const std::uint8_t>> idat;
  std::uint64_t idatBytes = 0;

  std::size_t pos = 8;
  while (!haveEnd) {
    if (data.size() - pos < 12) return ErrTruncated;
    const std::uint32_t length = Be32(&data[pos]);
    const std::uint8_t* type = &data[pos + 4];
    if (length > 0x7FFFFFFFu || data.size() - pos - 12 < length) return ErrTruncated;
    const std::uint8_t* body = type + 4;
    const uLong crc = crc32(crc32(0L, type, 4), body, length);
    if (crc != Be32(body + length)) return ErrCrc;
    pos += 12 + std::size_t{length};

    const bool isData = IsChunk(type, "IDAT");
    if (!idat.empty() && !isData) idatEnded = true;
    if (!haveHeader) {
      if (!IsChunk(type, "IHDR")) return ErrHeader;
      if (const char* e = ParseHeader(body, length, h)) return e;
      haveHeader = true;
    } else if (IsChunk(type, "IHDR")) {
      return ErrOrder;
    } else if (IsChunk(type, "PLTE")) {
      if (havePalette || !idat.empty()) return ErrOrder;
      if (length == 0 || length % 3 != 0 || length > 768) return ErrPalette;
      havePalette = true;
      palette = body;
      paletteSize = static_cast<int>(length / 3);
    } else if (IsChunk(type, "tRNS")) {
      if (!idat.empty()) return ErrOrder;
      // A chunk that does not fit the colour type is ignored, as it is harmless.
      if (h.ColorType == 3 && havePalette) {
        trns.Present = true;
        std::copy(body, body + std::min<std::uint32_t>(length, paletteSize), trns.Alpha.begin());
      } else if ((h.ColorType == 0 && length == 2) || (h.ColorType == 2 && length == 6)) {
        trns.Present = true;
        for (std::uint32_t i = 0; i < length / 2; ++i) trns.Key[i] = (unsigned{body[2 * i]} << 8) | body[2 * i + 1];
      }
    } else if (isData) {
      if (idatEnded) return ErrOrder;
      if (h.ColorType == 3 && !havePalette) return ErrPalette;
      idat.emplace_back(body, length);
      idatBytes += length;
    } else if (IsChunk(type, "IEND")) {
      haveEnd = true;
    } else if ((type[0] & 0x20) == 0) {
      return ErrCritical;
    }
  }
  if (idat.empty()) return ErrNoData;

  const std::size_t bitsPerPixel = static_cast<std::size_t>(h.Channels) * h.Depth;
  const std::size_t bpp = std::max<std::size_t>(1, bitsPerPixel / 8);
  std::vector<TPass> passes;
  std::uint64_t rawSize = 0;
  for (int p = 0; p < (h.Interlaced ? 7 : 1); ++p) {
    TPass pass = h.Interlaced ? TPass{Adam7[p][0], Adam7[p][1], Adam7[p][2], Adam7[p][3]} : TPass{0, 0, 1, 1};
    const int w = static_cast<int>(h.Width), ht = static_cast<int>(h.Height);
    pass.Width = w > pass.X0 ? (w - pass.X0 + pass.Dx - 1) / pass.Dx : 0;
    pass.Height = ht > pass.Y0 ? (ht - pass.Y0 + pass.Dy - 1) / pass.Dy : 0;
    if (pass.Width == 0 || pass.Height == 0) continue;
    pass.RowBytes = (static_cast<std::size_t>(pass.Width) * bitsPerPixel + 7) / 8;
    pass.Offset = static_cast<std::size_t>(rawSize);
    rawSize += static_cast<std::uint64_t>(pass.Height) * (pass.RowBytes + 1);
    passes.push_back(pass);
  }
  if (rawSize > idatBytes * MaxInflateRatio) return ErrShort;

  std::vector<std::uint8_t> raw(static_cast<std::size_t>(rawSize));
  if (const char* e = InflateAll(idat, raw.data(), raw.size())) return e;
  if (!AllocPngImage(image, static_cast<int>(h.Width), static_cast<int>(h.Height),
                     h.ColorType == 4 || h.ColorType == 6 || trns.Present))
    return ErrMemory;
  std::vector<std::uint8_t> zero;
  for (const TPass& pass : passes) {
    if (const char* e = Unfilter(raw.data(), pass, bpp, zero)) return e;
    StorePass(raw.data(), pass, h, palette, paletteSize, trns, image);
  }
  return nullptr;
}

}  // namespace

bool AllocPngImage(TPngImage& image, int width, int height, bool hasAlpha) {
  image = TPngImage{};
  if (width <= 0 || height <= 0 || width > PngMaxDimension || height > PngMaxDimension ||
      std::int64_t{width} * height > PngMaxPixels)
    return false;
  try {
    image.Pixels.resize(static_cast<std::size_t>(width) * height * 4);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (std::size_t i = 3; i < image.Pixels.size(); i += 4) image.Pixels[i] = 255;
  image.Width = width;
  image.Height = height;
  image.HasAlpha = hasAlpha;
  return true;
}

TPngResult ReadPng(std::span<const std::uint8_t> data, TPngImage& image) {
  image = TPngImage{};
  const char* error = nullptr;
  try {
    error = Decode(data, image);
  } catch (const std::bad_alloc&) {
    error = ErrMemory;
  }
  if (error) image = TPngImage{};
  return {error};
}

}  // namespace lensoro

// Settings and language files as the tests write and read them.
#pragma once

#include <string>

#include "SimDesktop.h"

namespace lensoro::test {

// The bytes of a UTF-16 LE file with its byte-order mark.
inline std::string Utf16File(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

// The text of such a file (the mark skipped; no mark gives "").
inline std::u16string Utf16Text(const std::string& bytes) {
  std::u16string text;
  if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE') return text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                  (static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return text;
}

// A tray strip of one 16 x 16 opaque cell (R G B = 40 120 200) as a PNG file.
inline std::string OneCellPng() {
  static const char bytes[] =
      "\x89\x50\x4E\x47\x0D\x0A\x1A\x0A\x00\x00\x00\x0D\x49\x48\x44\x52\x00\x00\x00\x10\x00\x00\x00\x10\x08\x06"
      "\x00\x00\x00\x1F\xF3\xFF\x61\x00\x00\x00\x19\x49\x44\x41\x54\x78\xDA\x63\xD0\xA8\x38\xF1\x9F\x12\xCC\x30"
      "\x6A\xC0\xA8\x01\xA3\x06\x0C\x17\x03\x00\x1A\xB0\x67\x1F\xF3\x95\xF8\xBD\x00\x00\x00\x00\x49\x45\x4E\x44"
      "\xAE\x42\x60\x82";
  return std::string(bytes, sizeof bytes - 1);
}

// A process of the program as it is installed: Image\Lns16.png beside it.
inline sim::TSimProcess& AddLensoro(sim::TSimDesktop& desk, const std::u16string& exePath, bool is64Bit = false) {
  desk.AddFile(exePath.substr(0, exePath.find_last_of(u'\\') + 1) + u"Image\\Lns16.png", OneCellPng());
  return desk.AddProcess(exePath, is64Bit);
}

}  // namespace lensoro::test

// Settings and language files as the tests write and read them.
#pragma once

#include <string>

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

}  // namespace lensoro::test

#include "IniText.h"

namespace lensoro {

namespace {

// Strict UTF-8: no overlong forms, surrogates, code points past U+10FFFF or
// cut-off sequences. False for anything else.
bool DecodeUtf8(const std::uint8_t* p, const std::uint8_t* end, std::u16string& out) {
  out.clear();
  out.reserve(static_cast<std::size_t>(end - p));
  while (p < end) {
    const std::uint8_t c = *p++;
    if (c < 0x80) {
      out += static_cast<char16_t>(c);
      continue;
    }
    int extra = 0;
    char32_t cp = 0, min = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, cp = c & 0x0F, min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3, cp = c & 0x07, min = 0x10000;
    } else {
      return false;
    }
    if (end - p < extra) return false;
    for (int k = 0; k < extra; ++k) {
      if ((p[k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[k] & 0x3F);
    }
    p += extra;
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) return false;
    if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return true;
}

}  // namespace

TIniDecodeError DecodeIniText(const std::vector<std::uint8_t>& bytes, std::u16string& text) {
  const std::size_t n = bytes.size();
  text.clear();
  if (n == 0) return TIniDecodeError::None;
  const bool marked = n >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
  // What an editor saves as UTF-8 (Notepad does by default), with its mark
  // or without; never UTF-16, which holds zero bytes in "[", "=" and CR LF.
  if (!marked) {
    const bool utf8Mark = n >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
    const bool utf8 = DecodeUtf8(bytes.data() + (utf8Mark ? 3 : 0), bytes.data() + n, text);
    const bool zero = utf8 && text.find(u'\0') != std::u16string::npos;
    if (utf8Mark || (utf8 && !zero)) {
      const TIniDecodeError error = !utf8  ? TIniDecodeError::BadUtf8
                                    : zero ? TIniDecodeError::NulCharacter
                                           : TIniDecodeError::None;
      if (error != TIniDecodeError::None) text.clear();
      return error;
    }
    text.clear();
  }
  if (n % 2 != 0) return TIniDecodeError::OddLength;
  if (bytes[0] == 0xFE && bytes[1] == 0xFF) return TIniDecodeError::OtherMark;
  const std::size_t start = marked ? 2 : 0;
  text.resize((n - start) / 2);
  bool anyAscii = false;
  for (std::size_t i = start, k = 0; i < n; i += 2, ++k) {
    const char16_t c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (c == 0) {
      text.clear();
      return TIniDecodeError::NulCharacter;
    }
    if (c < 0x80) anyAscii = true;
    text[k] = c;
  }
  // Without the mark, text that has no ASCII at all is 8-bit text: every
  // INI line of ours holds "[", "=" or a line break.
  if (!marked && !text.empty() && !anyAscii) {
    text.clear();
    return TIniDecodeError::EightBitText;
  }
  return TIniDecodeError::None;
}

}  // namespace lensoro

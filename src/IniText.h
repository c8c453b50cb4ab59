// Reading a file's bytes as text: UTF-16 LE (FF FE, or no mark) or UTF-8
// (EF BB BF, or no mark), and why bytes are no text of ours.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lensoro {

// Why a buffer could not be read as text. Such a file reads as empty
// (every key takes its default) and is never silently overwritten.
enum class TIniDecodeError {
  None,
  OddLength,     // UTF-16 comes in pairs of bytes
  OtherMark,     // starts with the big-endian mark FE FF
  NulCharacter,  // text never holds U+0000: binary junk
  EightBitText,  // no character below U+0080 at all: 8-bit text read in pairs
  BadUtf8,       // marked as UTF-8 (EF BB BF) but not valid UTF-8
};

// The text of the bytes: UTF-16 LE (FF FE, or no mark) or UTF-8 (EF BB BF,
// or no mark: valid UTF-8 without any zero byte, which UTF-16 text of ours
// always has). Lone surrogates of UTF-16 are kept as they are. Any other
// bytes give their error and empty text.
TIniDecodeError DecodeIniText(const std::vector<std::uint8_t>& bytes, std::u16string& text);

}  // namespace lensoro

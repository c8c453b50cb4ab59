// Case folding of A-Z only, the way the program compares its own names
// (settings keys, captions, class names, paths): every other character,
// non-ASCII letters included, stays as it is.
#pragma once

#include <string>

namespace lensoro {

inline char16_t FoldAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

inline std::u16string FoldAscii(std::u16string text) {
  for (char16_t& c : text) c = FoldAscii(c);
  return text;
}

// Ordinal comparison folding only A-Z/a-z.
inline bool SameTextAscii(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

}  // namespace lensoro

#include "About.h"

#include <climits>
#include <vector>

#include "LnsLib.h"

namespace lensoro {

namespace {

constexpr const char16_t* AnchorColorKey = u"Software\\Microsoft\\Internet Explorer\\Settings";
constexpr const char16_t* AnchorColorValue = u"Anchor Color";
// A colour setting is a few characters; a longer value is not one.
constexpr DWORD MaxAnchorColorBytes = 256;

bool IsBlank(char16_t c) { return c <= u' '; }

// "r,g,b" split at commas, blanks separating as well: " 0, 0, 255" and
// "0 0 255" both give three fields, "1,,3" an empty second one.
std::vector<std::u16string> SplitFields(const std::u16string& text) {
  std::vector<std::u16string> fields;
  std::size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && IsBlank(text[i])) ++i;
  };
  skipBlanks();
  while (i < text.size()) {
    const std::size_t begin = i;
    while (i < text.size() && text[i] != u',' && !IsBlank(text[i])) ++i;
    fields.push_back(text.substr(begin, i - begin));
    skipBlanks();
    if (i < text.size() && text[i] == u',') {
      ++i;
      skipBlanks();
    }
  }
  return fields;
}

// A decimal integer in the range of 32 bits, with an optional sign.
bool ParseInteger(const std::u16string& text, long long& value) {
  std::size_t i = 0;
  const bool negative = !text.empty() && text[0] == u'-';
  if (!text.empty() && (text[0] == u'-' || text[0] == u'+')) i = 1;
  if (i == text.size()) return false;
  long long v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < u'0' || text[i] > u'9') return false;
    v = v * 10 + (text[i] - u'0');
    if (v > static_cast<long long>(INT_MAX) + 1) return false;
  }
  if (negative) v = -v;
  if (v > INT_MAX || v < INT_MIN) return false;
  value = v;
  return true;
}

DWORD ParseAnchorColor(const std::u16string& text) {
  const std::vector<std::u16string> fields = SplitFields(text);
  auto component = [&](std::size_t index, long long fallback) {
    long long v = fallback;
    if (index < fields.size() && !ParseInteger(fields[index], v)) v = fallback;
    return static_cast<DWORD>(v) & 0xFF;
  };
  return component(0, 0) | component(1, 0) << 8 | component(2, 255) << 16;
}

// The text of the setting; "0,0,255" when the key is not there, "" when it
// has no readable text value.
std::u16string ReadAnchorColorText(TPlatform& platform) {
  HKEY key = 0;
  if (platform.RegOpenKeyExW(win::HKEY_CURRENT_USER, AnchorColorKey, 0, win::KEY_READ, key) != 0) {
    return u"0,0,255";
  }
  std::u16string text;
  DWORD type = 0, size = 0;
  if (platform.RegQueryValueExW(key, AnchorColorValue, type, nullptr, size) == 0 &&
      (type == win::REG_SZ || type == win::REG_EXPAND_SZ) && size > 0 && size <= MaxAnchorColorBytes) {
    std::vector<std::uint8_t> data(size);
    if (platform.RegQueryValueExW(key, AnchorColorValue, type, data.data(), size) == 0) {
      // Stored text need not end in a zero, and may be an odd byte long.
      for (std::size_t i = 0; i + 1 < size && i + 1 < data.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == 0) break;
        text.push_back(c);
      }
    }
  }
  platform.RegCloseKey(key);
  return text;
}

}  // namespace

DWORD GetAnchorColor(TPlatform& platform) { return ParseAnchorColor(ReadAnchorColorText(platform)); }

int TextTopOffset(int textHeight, int height) {
  const int d = height - textHeight;
  if (d < 0) return RoundHalfEven(static_cast<long double>(d) / 2);
  return d / 2;
}

}  // namespace lensoro

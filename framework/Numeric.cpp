#include "Numeric.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace lensoro {

int ClampToRange(int value, int lower, int upper) {
  if (lower >= upper) return lower;
  if (value < lower) return lower;
  if (value > upper) return upper;
  return value;
}

int RoundHalfEven(long double value) {
  // nearbyint rounds in the current mode, which is to nearest, ties to even.
  return static_cast<int>(std::nearbyintl(value));
}

std::int64_t RoundHalfEven64(long double value) {
  const long double r = std::nearbyintl(value);
  // 2^63 is exact in long double; a NaN goes to 0.
  if (!(r == r)) return 0;
  if (r >= 9223372036854775808.0L) return INT64_MAX;
  if (r <= -9223372036854775808.0L) return INT64_MIN;
  return static_cast<std::int64_t>(r);
}

int RoundQuotient(long double numerator, float rate) {
  return RoundHalfEven(numerator / static_cast<long double>(rate));
}

bool TryTextToFloat(const std::u16string& text, const std::u16string& decimalSeparator, double& value) {
  const std::u16string sep = decimalSeparator.empty() ? std::u16string(u".") : decimalSeparator;
  std::string ascii;
  std::size_t i = 0;
  const std::size_t n = text.size();
  auto isDigit = [&](std::size_t k) { return k < n && text[k] >= u'0' && text[k] <= u'9'; };
  if (i < n && (text[i] == u'-' || text[i] == u'+')) ascii += static_cast<char>(text[i++]);
  int digits = 0;
  while (isDigit(i)) ascii += static_cast<char>(text[i++]), ++digits;
  if (i < n && text.compare(i, sep.size(), sep) == 0) {
    i += sep.size();
    ascii += '.';
    while (isDigit(i)) ascii += static_cast<char>(text[i++]), ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (text[i] == u'e' || text[i] == u'E')) {
    ascii += 'e';
    ++i;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) ascii += static_cast<char>(text[i++]);
    if (!isDigit(i)) return false;
    while (isDigit(i)) ascii += static_cast<char>(text[i++]);
  }
  if (i != n) return false;
  const char* first = ascii.c_str();
  if (*first == '+') ++first;  // from_chars takes no plus sign
  double v = 0;
  const auto r = std::from_chars(first, ascii.c_str() + ascii.size(), v);
  if (r.ec != std::errc() || r.ptr != ascii.c_str() + ascii.size() || !std::isfinite(v)) return false;
  value = v;
  return true;
}

std::u16string FloatToText(double value, const std::u16string& decimalSeparator) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  std::u16string out;
  for (const char* c = buffer; *c; ++c) {
    if (*c == '.') {
      out += decimalSeparator.empty() ? std::u16string(u".") : decimalSeparator;
    } else {
      out += static_cast<char16_t>(static_cast<unsigned char>(*c));
    }
  }
  return out;
}

}  // namespace lensoro

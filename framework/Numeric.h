// Numbers: clamping, rounding, and the text form of floating-point values.
#pragma once

#include <cstdint>
#include <string>

namespace lensoro {

// lo if lo >= hi; else lo if v < lo; else hi if v > hi; else v.
int ClampToRange(int value, int lower, int upper);

// Nearest integer, ties to even, of a value in extended precision.
int RoundHalfEven(long double value);
// The same for 64-bit values; beyond that range the nearest end of it.
std::int64_t RoundHalfEven64(long double value);
// round(numerator / rate) with the quotient formed in extended precision.
int RoundQuotient(long double numerator, float rate);

// Digits with at most one decimal separator and an optional exponent; no
// thousands separators, no "inf" or "nan".
bool TryTextToFloat(const std::u16string& text, const std::u16string& decimalSeparator, double& value);
// General notation, at most 15 significant digits, no trailing zeros.
std::u16string FloatToText(double value, const std::u16string& decimalSeparator);

}  // namespace lensoro

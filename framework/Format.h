// The checked formatter for message templates.
//
// Language files are edited by users, so their message texts are templates we
// cannot trust: "%s" takes a text, "%d" an integer, "%.Nf" a number with N
// (one or two digits) decimals, "%%" a percent sign. When the template does
// not fit its arguments (a missing or extra placeholder, one of another kind,
// "%n", "%x", a width) the result is the template as it stands followed by
// " (" and the arguments joined by ", " and ")"; nothing is read that was
// not passed.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace lensoro {

struct TFormatArg {
  enum class TKind { Text, Integer, Number } Kind;
  std::u16string Text;
  std::int64_t Integer = 0;
  double Number = 0.0;

  TFormatArg(std::u16string text) : Kind(TKind::Text), Text(std::move(text)) {}
  TFormatArg(const char16_t* text) : Kind(TKind::Text), Text(text) {}
  TFormatArg(int value) : Kind(TKind::Integer), Integer(value) {}
  TFormatArg(std::int64_t value) : Kind(TKind::Integer), Integer(value) {}
  TFormatArg(double value) : Kind(TKind::Number), Number(value) {}
};

// Fills the template. `ok` (when given) tells whether every placeholder
// matched an argument of its kind and every argument was used.
std::u16string FormatText(const std::u16string& templ, std::initializer_list<TFormatArg> args,
                          bool* ok = nullptr);

// Text conversions used by the units (UTF-16 is the units' text form).
std::u16string AsciiToUtf16(const char* text);
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);

}  // namespace lensoro

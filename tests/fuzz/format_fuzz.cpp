// The checked formatter on any template and arguments: it never reads an
// argument that is not there, and a template that does not fit comes back
// as it stands.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Format.h"

using namespace lensoro;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The first byte picks up to three arguments and their kinds.
  const unsigned pick = data[0];
  std::u16string templ;
  for (std::size_t i = 1; i + 1 < size; i += 2) templ += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  const TFormatArg kinds[] = {TFormatArg(u"text"), TFormatArg(-42), TFormatArg(1e308)};
  const TFormatArg& a = kinds[pick % 3];
  const TFormatArg& b = kinds[(pick / 3) % 3];
  const TFormatArg& c = kinds[(pick / 9) % 3];
  bool ok = false;
  std::u16string out;
  switch ((pick / 27) % 4) {
    case 0: out = FormatText(templ, {}, &ok); break;
    case 1: out = FormatText(templ, {a}, &ok); break;
    case 2: out = FormatText(templ, {a, b}, &ok); break;
    default: out = FormatText(templ, {a, b, c}, &ok); break;
  }
  if (!ok && out.compare(0, templ.size(), templ) != 0) __builtin_trap();
  return 0;
}

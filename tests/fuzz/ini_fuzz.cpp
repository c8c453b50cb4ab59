// The INI reader on any bytes: it never crashes, and what it writes reads
// back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Ini.h"

using namespace lensoro;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  const TIniFile ini(bytes);
  const std::vector<std::uint8_t> saved = ini.ToBytes();
  if (TIniFile(saved).ToBytes() != saved) __builtin_trap();

  for (const auto& section : ini.SectionNames()) {
    for (const auto& [key, value] : ini.SectionEntries(section)) {
      int i = 0;
      double f = 0;
      DWORD c = 0;
      TShortCut sc = 0;
      TryTextToInteger(value, i);
      if (TryTextToFloat(value, u",", f) && FloatToText(f, u",").empty()) __builtin_trap();
      TryTextToFloat(value, u".", f);
      TryTextToColor(value, c);
      EntryToShortCut(value, sc);
      TextToShiftState(value);
      if (!ini.ValueExists(section, key)) __builtin_trap();
    }
  }
  // Writing into the copy keeps it readable.
  TIniFile copy(bytes);
  copy.WriteString(u"Loupe", u"FrameWidth", u"6\r\n[x]");
  if (!TIniFile(copy.ToBytes()).ValueExists(u"loupe", u"framewidth")) __builtin_trap();
  return 0;
}

// The shortcut text on any input: the settings entry and the modifier text
// read back to what was written, the key code never leaves its byte, and no
// text grows beyond the nine modifier words.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Ini.h"

using namespace lensoro;

namespace {

constexpr TShiftState kAllFlags = ssShift | ssAlt | ssCtrl | ssLeft | ssRight | ssMiddle | ssDouble | ssTouch | ssPen;
// "Ctrl+Shift+Alt+Left+Right+Middle+Double+Touch+Pen+"
constexpr std::size_t kLongestModifiers = 50;

void Check(bool property) {
  if (!property) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < size; i += 2) text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));

  // Modifier text: a set survives its text; any text gives a set whose text
  // holds only words found in the input.
  const TShiftState parsed = TextToShiftState(text);
  Check((parsed & ~kAllFlags) == 0);
  const std::u16string words = ShiftStateToText(parsed);
  Check(words.size() <= kLongestModifiers && words.size() <= text.size());
  Check(TextToShiftState(words) == parsed);
  if (size >= 2) {
    const TShiftState set = static_cast<TShiftState>((data[0] | (data[1] << 8)) & kAllFlags);
    Check(TextToShiftState(ShiftStateToText(set)) == set);
  }

  // The settings entry: read, written and read again gives one shortcut.
  TShortCut before = 0x1234;
  TShortCut read = before;
  const bool taken = EntryToShortCut(text, read);
  int code = 0;
  Check(taken == TryTextToInteger(text.substr(0, text.find(u',')), code));
  if (!taken) {
    Check(read == before);
    return 0;
  }
  std::uint16_t key = 0;
  TShiftState shift = 0;
  ShortCutToKey(read, key, shift);
  Check(key <= 0xFF);
  Check((shift & ~(ssShift | ssCtrl | ssAlt)) == 0);
  Check(read == 0 || static_cast<int>(key) == (code & 0xFFFF));
  const std::u16string entry = ShortCutToEntry(read);
  Check(entry.size() <= std::u16string(u"255,Ctrl+Shift+Alt+").size());
  TShortCut again = 0;
  Check(EntryToShortCut(entry, again) && again == read);
  Check(ShortCut(key, shift) == read || (key == 0 && read == 0));
  return 0;
}

#include "LoupeSettings.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <limits>
#include <type_traits>
#include <variant>

#include "Format.h"
#include "Ini.h"
#include "Numeric.h"

namespace lensoro {

// The step is added to the stored float in extended precision and rounded
// back.
float ZoomInRate(float rate) {
  long double next = static_cast<long double>(rate) + LoupeRateStep;
  if (next > LoupeRateMax) next = LoupeRateMax;
  return static_cast<float>(next);
}

float ZoomOutRate(float rate) {
  long double next = static_cast<long double>(rate) - LoupeRateStep;
  if (next < LoupeRateMin) next = LoupeRateMin;
  return static_cast<float>(next);
}

namespace {

constexpr char16_t kSecLoupe[] = u"Loupe", kSecShortCut[] = u"ShortCut";

// One stored key and the field it holds. Integers carry their range, ordinals
// their count.
struct TSettingKey {
  const char16_t* Section;
  const char16_t* Key;
  std::variant<bool TLoupeSettings::*, int TLoupeSettings::*, float TLoupeSettings::*, TLoupeMode TLoupeSettings::*,
               TLoupeColorMode TLoupeSettings::*, TLoupeSrcOrigin TLoupeSettings::*, TFrameColorSlot,
               TShortCut TLoupeSettings::*>
      Field;
  int Min = 0, Max = 0;  // the range of an int field
  // A later key: written only when it is on or was in the file, so that a
  // file that never had it stays as it was.
  bool OnlyWhenSet = false;
};

// In the file's order.
constexpr TSettingKey SettingKeys[] = {
    {kSecLoupe, u"IsSilentMode", &TLoupeSettings::IsSilentMode},
    {kSecLoupe, u"TrayIconIndex", &TLoupeSettings::TrayIconIndex, 0, std::numeric_limits<int>::max()},
    {kSecLoupe, u"LoupeMode", &TLoupeSettings::LoupeMode},
    {kSecLoupe, u"LoupeRate", &TLoupeSettings::LoupeRate},
    {kSecLoupe, u"LoupeSrcOrigin", &TLoupeSettings::LoupeSrcOrigin},
    {kSecLoupe, u"LoupeColorMode", &TLoupeSettings::LoupeColorMode},
    {kSecLoupe, u"FrameWidth", &TLoupeSettings::FrameWidth, 0, FrameWidthMax},
    {kSecLoupe, u"ActivePointerModeFrameColor", TFrameColorSlot::ActivePointer},
    {kSecLoupe, u"InactivePointerModeFrameColor", TFrameColorSlot::InactivePointer},
    {kSecLoupe, u"ActiveWindowModeFrameColor", TFrameColorSlot::ActiveWindow},
    {kSecLoupe, u"InactiveWindowModeFrameColor", TFrameColorSlot::InactiveWindow},
    {kSecShortCut, u"ActPopMinimizeAndRestore", &TLoupeSettings::HotKey},
    {kSecLoupe, u"FollowTyping", &TLoupeSettings::FollowTyping, 0, 0, true},
};

// Stands for a value of any type, to count what an aggregate is made from.
struct TAnyValue {
  template <class T>
  constexpr operator T() const;  // never called
};

// The values an aggregate is initialised from, each array element one.
template <class T, class... A>
constexpr std::size_t ValueCount(A... values) {
  if constexpr (requires { T{values..., TAnyValue{}}; }) {
    return ValueCount<T>(values..., TAnyValue{});
  } else {
    return sizeof...(A);
  }
}

// Every saved value has one row: a field without one would never be
// saved, a field with two would be read twice.
constexpr bool OneRowEach() {
  for (std::size_t i = 0; i < std::size(SettingKeys); ++i) {
    for (std::size_t j = i + 1; j < std::size(SettingKeys); ++j) {
      if (SettingKeys[i].Field == SettingKeys[j].Field) return false;
    }
  }
  return std::size(SettingKeys) == ValueCount<TLoupeSettings>();
}
static_assert(OneRowEach(), "each field of TLoupeSettings (each frame colour) needs exactly one row in SettingKeys");

template <typename E>
constexpr int CountOf() {
  if constexpr (std::is_same_v<E, TLoupeMode>) return LoupeModeCount;
  if constexpr (std::is_same_v<E, TLoupeColorMode>) return LoupeColorModeCount;
  return LoupeSrcOriginCount;
}

template <class... F>
struct TOverload : F... {
  using F::operator()...;
};
template <class... F>
TOverload(F...) -> TOverload<F...>;

}  // namespace

namespace {

// The text a field is written as.
std::u16string ValueText(const TSettingKey& k, const TLoupeSettings& s, const std::u16string& decimalSeparator,
                         TPlatform& platform) {
  return std::visit(
      TOverload{
          [&](bool TLoupeSettings::*f) { return std::u16string(s.*f ? u"1" : u"0"); },
          [&](int TLoupeSettings::*f) { return AsciiToUtf16(std::to_string(s.*f).c_str()); },
          [&](float TLoupeSettings::*f) { return FloatToText(static_cast<double>(s.*f), decimalSeparator); },
          [&](TFrameColorSlot slot) { return ColorToText(ColorToRGB(platform, s.FrameColor(slot))); },
          [&](TShortCut TLoupeSettings::*f) { return ShortCutToEntry(s.*f); },
          [&](auto f) { return AsciiToUtf16(std::to_string(static_cast<int>(s.*f)).c_str()); },
      },
      k.Field);
}

// The rate as the user's locale writes it, or with a point or a comma: a
// file copied from a machine with the other separator reads the same.
bool TryTextToRate(const std::u16string& text, const std::u16string& decimalSeparator, double& value) {
  return TryTextToFloat(text, decimalSeparator, value) || TryTextToFloat(text, u".", value) ||
         TryTextToFloat(text, u",", value);
}

// Reads one key over its field; false when the value found was not taken
// as it stood.
bool ReadSetting(const TSettingKey& k, const std::u16string& text, TLoupeSettings& s,
                 const std::u16string& decimalSeparator, TPlatform& platform) {
  return std::visit(
      TOverload{
          [&](bool TLoupeSettings::*f) {
            int value = 0;
            if (!TryTextToInteger(text, value)) return false;
            s.*f = value != 0;
            return true;
          },
          [&](int TLoupeSettings::*f) {
            int value = 0;
            if (!TryTextToInteger(text, value)) return false;
            s.*f = std::clamp(value, k.Min, k.Max);
            return s.*f == value;
          },
          [&](float TLoupeSettings::*f) {
            double value = 0;
            if (!TryTextToRate(text, decimalSeparator, value)) return false;
            // Bounded by the float limits the rate can hold; "1.29999995231628"
            // is 1.3 once it is a float.
            const float lo = static_cast<float>(LoupeRateMin), hi = static_cast<float>(LoupeRateMax);
            const float rate = static_cast<float>(std::clamp(value, static_cast<double>(lo), static_cast<double>(hi)));
            s.*f = rate;
            const double asFloat = static_cast<double>(static_cast<float>(value));
            return asFloat >= static_cast<double>(lo) && asFloat <= static_cast<double>(hi);
          },
          [&](TFrameColorSlot slot) {
            DWORD color = 0;
            if (!TryTextToColor(text, color)) return false;
            s.FrameColor(slot) = color;
            return true;
          },
          [&](TShortCut TLoupeSettings::*f) {
            TShortCut shortCut = s.*f;
            if (EntryToShortCut(text, shortCut)) {
              s.*f = shortCut;
              // A key code beyond a byte gives no shortcut.
              int code = 0;
              return shortCut != 0 || (TryTextToInteger(text.substr(0, text.find(u',')), code) && code == 0);
            }
            if (!TextToShortCut(platform, text, shortCut)) return false;
            s.*f = shortCut;
            return true;
          },
          [&](auto f) {  // an ordinal, stored in its low byte
            using E = std::remove_reference_t<decltype(s.*f)>;
            int value = 0;
            if (!TryTextToInteger(text, value)) return false;
            if ((value & 0xFF) < CountOf<E>()) s.*f = static_cast<E>(value & 0xFF);
            return value >= 0 && value < CountOf<E>();
          },
      },
      k.Field);
}

}  // namespace

void ReadLoupeSettings(const TIniFile& ini, TLoupeSettings& s, const std::u16string& decimalSeparator,
                       TPlatform& platform, TSettingNotes* notes) {
  for (const TSettingKey& k : SettingKeys) {
    const std::u16string text = ini.ReadString(k.Section, k.Key, u"");
    if (text.empty()) continue;
    if (!ReadSetting(k, text, s, decimalSeparator, platform) && notes) {
      notes->push_back({k.Section, k.Key, text, ValueText(k, s, decimalSeparator, platform)});
    }
  }
}

void WriteLoupeSettings(TIniFile& ini, const TLoupeSettings& s, const std::u16string& decimalSeparator,
                        TPlatform& platform) {
  for (const TSettingKey& k : SettingKeys) {
    const std::u16string text = ValueText(k, s, decimalSeparator, platform);
    if (k.OnlyWhenSet && text == u"0" && !ini.ValueExists(k.Section, k.Key)) continue;
    ini.WriteString(k.Section, k.Key, text);
  }
}

}  // namespace lensoro

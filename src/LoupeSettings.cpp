#include "LoupeSettings.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <limits>
#include <type_traits>
#include <variant>

#include "Ini.h"

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

void ReadLoupeSettings(const TIniFile& ini, TLoupeSettings& s, const std::u16string& decimalSeparator) {
  for (const TSettingKey& k : SettingKeys) {
    std::visit(
        TOverload{
            [&](bool TLoupeSettings::*f) { s.*f = ini.ReadBool(k.Section, k.Key, s.*f); },
            [&](int TLoupeSettings::*f) { s.*f = std::clamp(ini.ReadInteger(k.Section, k.Key, s.*f), k.Min, k.Max); },
            [&](float TLoupeSettings::*f) {
              const double rate = ini.ReadFloat(k.Section, k.Key, static_cast<double>(s.*f), decimalSeparator);
              // Bounded by the float limits the rate can hold.
              s.*f = static_cast<float>(std::clamp(rate, static_cast<double>(static_cast<float>(LoupeRateMin)),
                                                   static_cast<double>(static_cast<float>(LoupeRateMax))));
            },
            [&](TFrameColorSlot slot) { s.FrameColor(slot) = ini.ReadColor(k.Section, k.Key, s.FrameColor(slot)); },
            [&](TShortCut TLoupeSettings::*f) {
              TShortCut shortCut = s.*f;
              if (EntryToShortCut(ini.ReadString(k.Section, k.Key, u""), shortCut)) s.*f = shortCut;
            },
            [&](auto f) {  // an ordinal, stored in its low byte
              using E = std::remove_reference_t<decltype(s.*f)>;
              const int value = ini.ReadInteger(k.Section, k.Key, s.*f) & 0xFF;
              if (value < CountOf<E>()) s.*f = static_cast<E>(value);
            },
        },
        k.Field);
  }
}

void WriteLoupeSettings(TIniFile& ini, const TLoupeSettings& s, const std::u16string& decimalSeparator,
                        TPlatform& platform) {
  for (const TSettingKey& k : SettingKeys) {
    std::visit(
        TOverload{
            [&](bool TLoupeSettings::*f) { ini.WriteBool(k.Section, k.Key, s.*f); },
            [&](int TLoupeSettings::*f) { ini.WriteInteger(k.Section, k.Key, s.*f); },
            [&](float TLoupeSettings::*f) {
              ini.WriteFloat(k.Section, k.Key, static_cast<double>(s.*f), decimalSeparator);
            },
            [&](TFrameColorSlot slot) { ini.WriteColor(k.Section, k.Key, ColorToRGB(platform, s.FrameColor(slot))); },
            [&](TShortCut TLoupeSettings::*f) { ini.WriteString(k.Section, k.Key, ShortCutToEntry(s.*f)); },
            [&](auto f) { ini.WriteInteger(k.Section, k.Key, s.*f); },
        },
        k.Field);
  }
}

}  // namespace lensoro

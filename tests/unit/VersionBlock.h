// Version resources as a resource compiler lays them out, for the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lensoro::test {

// One node of a version block; wLength is computed, wValueLength taken
// from ValueLength (characters for text) unless it is negative.
struct TVerNodeSpec {
  std::u16string Key;
  std::uint16_t Type = 0;  // 1 text, 0 binary
  std::vector<std::uint8_t> Value;
  int ValueLength = -1;
  std::vector<TVerNodeSpec> Children;
};

inline void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
inline void Pad4(std::vector<std::uint8_t>& out) {
  while (out.size() % 4) out.push_back(0);
}

inline void WriteNode(std::vector<std::uint8_t>& out, const TVerNodeSpec& node) {
  Pad4(out);
  const std::size_t start = out.size();
  Put16(out, 0);
  const std::size_t valueLength =
      node.ValueLength >= 0 ? static_cast<std::size_t>(node.ValueLength)
                            : (node.Type == 1 ? node.Value.size() / 2 : node.Value.size());
  Put16(out, static_cast<std::uint32_t>(valueLength));
  Put16(out, node.Type);
  for (char16_t c : node.Key) Put16(out, c);
  Put16(out, 0);
  Pad4(out);
  out.insert(out.end(), node.Value.begin(), node.Value.end());
  for (const TVerNodeSpec& child : node.Children) WriteNode(out, child);
  const std::size_t length = out.size() - start;
  out[start] = static_cast<std::uint8_t>(length & 0xFF);
  out[start + 1] = static_cast<std::uint8_t>(length >> 8);
}

inline std::vector<std::uint8_t> Utf16Z(const std::u16string& text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t c : text) Put16(bytes, c);
  Put16(bytes, 0);
  return bytes;
}

inline TVerNodeSpec TextValue(const std::u16string& name, const std::u16string& text) {
  return {name, 1, Utf16Z(text), -1, {}};
}

// The 52-byte fixed part with the given product version (and the same
// file version).
inline std::vector<std::uint8_t> FixedPart(std::uint32_t productMS, std::uint32_t productLS) {
  std::vector<std::uint8_t> v;
  for (std::uint32_t field : {0xFEEF04BDu, 0x00010000u, productMS, productLS, productMS, productLS, 0x3Fu, 0u,
                              0x40004u, 1u, 0u, 0u, 0u}) {
    Put32(v, field);
  }
  return v;
}

struct TStringTableSpec {
  std::u16string Key;  // "041103A4"
  std::vector<std::pair<std::u16string, std::u16string>> Values;
};

// A whole resource: fixed part, string tables, translation table (none
// when empty).
inline std::vector<std::uint8_t> VersionResource(
    std::vector<std::uint8_t> fixed, const std::vector<TStringTableSpec>& tables,
    const std::vector<std::pair<std::uint16_t, std::uint16_t>>& translations) {
  TVerNodeSpec root{u"VS_VERSION_INFO", 0, std::move(fixed), -1, {}};
  if (!tables.empty()) {
    TVerNodeSpec info{u"StringFileInfo", 1, {}, 0, {}};
    for (const TStringTableSpec& table : tables) {
      TVerNodeSpec node{table.Key, 1, {}, 0, {}};
      for (const auto& [name, text] : table.Values) node.Children.push_back(TextValue(name, text));
      info.Children.push_back(node);
    }
    root.Children.push_back(info);
  }
  if (!translations.empty()) {
    std::vector<std::uint8_t> table;
    for (const auto& [lang, charSet] : translations) {
      Put16(table, lang);
      Put16(table, charSet);
    }
    root.Children.push_back({u"VarFileInfo", 1, {}, 0, {{u"Translation", 0, table, -1, {}}}});
  }
  std::vector<std::uint8_t> out;
  WriteNode(out, root);
  return out;
}

}  // namespace lensoro::test

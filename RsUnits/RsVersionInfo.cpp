#include "RsVersionInfo.h"

#include <cstdio>

#include "AsciiFold.h"
#include "Format.h"

namespace lensoro {

namespace {

// Every node of a version block: wLength (the node with its children),
// wValueLength (characters for text, bytes otherwise), wType (1 text,
// 0 binary), the key as zero-terminated UTF-16, padding to 32 bits, the
// value, padding, the children. Offsets are from the start of the block.
constexpr std::size_t NodeHeaderSize = 6;

// A successfully parsed node: where its value and its children lie.
struct TVerNode {
  std::size_t Begin = 0, End = 0;
  std::size_t KeyBegin = 0, KeyLength = 0;  // characters, without the zero
  std::size_t ValueBegin = 0, ValueSize = 0;
  std::size_t ChildrenBegin = 0;
  bool IsText = false;
};

std::uint16_t Read16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::size_t Align4(std::size_t offset) { return (offset + 3) & ~static_cast<std::size_t>(3); }

// Parses the node at `begin`, which must lie within [begin, parentEnd).
bool ParseNode(const std::uint8_t* block, std::size_t begin, std::size_t parentEnd, TVerNode& node) {
  if (begin > parentEnd || parentEnd - begin < NodeHeaderSize) return false;
  const std::size_t length = Read16(block + begin);
  if (length < NodeHeaderSize || length > parentEnd - begin) return false;
  const std::size_t valueLength = Read16(block + begin + 2);
  const std::uint16_t type = Read16(block + begin + 4);
  node.Begin = begin;
  node.End = begin + length;
  node.IsText = type == 1;

  node.KeyBegin = begin + NodeHeaderSize;
  std::size_t p = node.KeyBegin;
  while (true) {
    if (node.End - p < 2) return false;  // the key has no end inside its node
    if (Read16(block + p) == 0) break;
    p += 2;
  }
  node.KeyLength = (p - node.KeyBegin) / 2;
  node.ValueBegin = Align4(p + 2);
  if (node.ValueBegin > node.End) node.ValueBegin = node.End;

  const std::size_t room = node.End - node.ValueBegin;
  if (node.IsText) {
    // Resource compilers disagree on whether a text length counts the
    // zero, and some count bytes: keep it within the node and let the
    // reader stop at the zero.
    node.ValueSize = valueLength * 2 > room ? room : valueLength * 2;
  } else {
    if (valueLength > room) return false;
    node.ValueSize = valueLength;
  }
  node.ChildrenBegin = Align4(node.ValueBegin + node.ValueSize);
  if (node.ChildrenBegin > node.End) node.ChildrenBegin = node.End;
  return true;
}

bool KeyIs(const std::uint8_t* block, const TVerNode& node, const std::u16string& name) {
  if (node.KeyLength != name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (FoldAscii(Read16(block + node.KeyBegin + 2 * i)) != FoldAscii(name[i])) return false;
  }
  return true;
}

// The child of `parent` with the given key.
bool FindChild(const std::uint8_t* block, const TVerNode& parent, const std::u16string& name, TVerNode& child) {
  std::size_t at = parent.ChildrenBegin;
  while (at < parent.End && parent.End - at >= NodeHeaderSize) {
    if (!ParseNode(block, at, parent.End, child)) return false;
    if (KeyIs(block, child, name)) return true;
    at = Align4(child.End);
  }
  return false;
}

std::u16string TextOf(const TVerValue& value) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < value.Size; i += 2) {
    const char16_t c = Read16(value.Data + i);
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

// Windows reports version resources of at most 64 KiB with room for its own
// copy; anything far larger is not a version resource.
constexpr DWORD MaxVersionInfoSize = 1024 * 1024;

}  // namespace

bool VerQueryValue(const std::uint8_t* block, std::size_t size, const std::u16string& subBlock, TVerValue& value) {
  value = {};
  if (!block) return false;
  TVerNode node;
  if (!ParseNode(block, 0, size, node) || !KeyIs(block, node, u"VS_VERSION_INFO")) return false;
  std::size_t i = 0;
  while (i < subBlock.size()) {
    if (subBlock[i] == u'\\') {
      ++i;
      continue;
    }
    const std::size_t end = subBlock.find(u'\\', i);
    const std::u16string name = subBlock.substr(i, end == std::u16string::npos ? std::u16string::npos : end - i);
    TVerNode child;
    if (!FindChild(block, node, name, child)) return false;
    node = child;
    i = end == std::u16string::npos ? subBlock.size() : end;
  }
  value.Data = block + node.ValueBegin;
  value.Size = node.ValueSize;
  value.IsText = node.IsText;
  return true;
}

TRsVersionInfo::TRsVersionInfo(TPlatform& platform, const std::u16string& fileName) {
  const DWORD size = platform.GetFileVersionInfoSizeW(fileName);
  FHasVersionInfo = size > 0;
  if (!FHasVersionInfo) return;
  if (size > MaxVersionInfoSize) throw ERsVersionInfo("Cannot Load Version Information");
  FVersionInfo.assign(size, 0);
  if (!platform.GetFileVersionInfoW(fileName, size, FVersionInfo.data())) {
    throw ERsVersionInfo("Cannot Load Version Information");
  }

  TVerValue fixed;
  if (!VerQueryValue(FVersionInfo.data(), FVersionInfo.size(), u"\\", fixed)) {
    throw ERsVersionInfo("Cannot Read FixedFileInfo");
  }
  if (fixed.Size != sizeof(TVSFixedFileInfo)) throw ERsVersionInfo("FixedFileInfo Record Wrong Size");
  // Field by field: the value need not be aligned.
  auto field = [&](int k) {
    const std::uint8_t* p = fixed.Data + 4 * k;
    return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
           static_cast<DWORD>(p[3]) << 24;
  };
  TVSFixedFileInfo& f = FFixedFileInfo;
  f.dwSignature = field(0), f.dwStrucVersion = field(1);
  f.dwFileVersionMS = field(2), f.dwFileVersionLS = field(3);
  f.dwProductVersionMS = field(4), f.dwProductVersionLS = field(5);
  f.dwFileFlagsMask = field(6), f.dwFileFlags = field(7), f.dwFileOS = field(8);
  f.dwFileType = field(9), f.dwFileSubtype = field(10);
  f.dwFileDateMS = field(11), f.dwFileDateLS = field(12);

  TVerValue table;
  if (VerQueryValue(FVersionInfo.data(), FVersionInfo.size(), u"\\VarFileInfo\\Translation", table)) {
    for (std::size_t at = 0; at + 4 <= table.Size; at += 4) {
      FTranslationTable.push_back({Read16(table.Data + at), Read16(table.Data + at + 2)});
    }
  }
}

std::u16string TRsVersionInfo::GetTranslationKey(int index) const {
  if (!FHasVersionInfo || index < 0 || index >= CountTranslations()) {
    throw std::out_of_range("RsVersionInfo: no translation at this index");
  }
  const TTransRec& rec = FTranslationTable[static_cast<std::size_t>(index)];
  char text[16];
  std::snprintf(text, sizeof(text), "%4.4X%4.4X", static_cast<unsigned>(rec.Lang),
                static_cast<unsigned>(rec.CharSet));
  return AsciiToUtf16(text);
}

std::u16string TRsVersionInfo::GetVersionString(const std::u16string& key, const std::u16string& name) const {
  if (!FHasVersionInfo) throw std::logic_error("RsVersionInfo: the file has no version information");
  TVerValue value;
  if (!VerQueryValue(FVersionInfo.data(), FVersionInfo.size(), u"\\StringFileInfo\\" + key + u"\\" + name, value)) {
    return {};
  }
  return TextOf(value);
}

std::u16string TRsVersionInfo::GetProductVersionText(int index) const {
  if (!FHasVersionInfo) return u"No Version Information";
  if (CountTranslations() > 0) return GetVersionString(GetTranslationKey(index), u"ProductVersion");
  const DWORD ms = FFixedFileInfo.dwProductVersionMS, ls = FFixedFileInfo.dwProductVersionLS;
  char text[48];
  std::snprintf(text, sizeof(text), "%u.%u.%u.%u", static_cast<unsigned>(ms >> 16),
                static_cast<unsigned>(ms & 0xFFFF), static_cast<unsigned>(ls >> 16),
                static_cast<unsigned>(ls & 0xFFFF));
  return AsciiToUtf16(text);
}

}  // namespace lensoro

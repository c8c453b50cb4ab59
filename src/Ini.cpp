#include "Ini.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "Format.h"

namespace lensoro {

namespace {

bool IsTrimmed(char16_t c) { return c <= u' '; }

std::u16string Trim(const char16_t* begin, const char16_t* end) {
  while (begin < end && IsTrimmed(*begin)) ++begin;
  while (end > begin && IsTrimmed(end[-1])) --end;
  return std::u16string(begin, end);
}

// A value is one line of the file.
std::u16string OneLine(const std::u16string& text) {
  std::u16string out = text;
  for (char16_t& c : out) {
    if (c == u'\r' || c == u'\n') c = u' ';
  }
  return out;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

struct TColorName {
  const char16_t* Name;
  DWORD Value;
};

// The fixed colours, then the system colours by their platform index.
constexpr TColorName ColorNames[] = {
    {u"clBlack", 0x00000000},
    {u"clMaroon", 0x00000080},
    {u"clGreen", 0x00008000},
    {u"clOlive", 0x00008080},
    {u"clNavy", 0x00800000},
    {u"clPurple", 0x00800080},
    {u"clTeal", 0x00808000},
    {u"clGray", 0x00808080},
    {u"clSilver", 0x00C0C0C0},
    {u"clRed", 0x000000FF},
    {u"clLime", 0x0000FF00},
    {u"clYellow", 0x0000FFFF},
    {u"clBlue", 0x00FF0000},
    {u"clFuchsia", 0x00FF00FF},
    {u"clAqua", 0x00FFFF00},
    {u"clWhite", 0x00FFFFFF},
    {u"clMoneyGreen", 0x00C0DCC0},
    {u"clSkyBlue", 0x00F0CAA6},
    {u"clCream", 0x00F0FBFF},
    {u"clMedGray", 0x00A4A0A0},
    {u"clScrollBar", 0xFF000000},
    {u"clBackground", 0xFF000001},
    {u"clActiveCaption", 0xFF000002},
    {u"clInactiveCaption", 0xFF000003},
    {u"clMenu", 0xFF000004},
    {u"clWindow", 0xFF000005},
    {u"clWindowFrame", 0xFF000006},
    {u"clMenuText", 0xFF000007},
    {u"clWindowText", 0xFF000008},
    {u"clCaptionText", 0xFF000009},
    {u"clActiveBorder", 0xFF00000A},
    {u"clInactiveBorder", 0xFF00000B},
    {u"clAppWorkSpace", 0xFF00000C},
    {u"clHighlight", 0xFF00000D},
    {u"clHighlightText", 0xFF00000E},
    {u"clBtnFace", 0xFF00000F},
    {u"clBtnShadow", 0xFF000010},
    {u"clGrayText", 0xFF000011},
    {u"clBtnText", 0xFF000012},
    {u"clInactiveCaptionText", 0xFF000013},
    {u"clBtnHighlight", 0xFF000014},
    {u"cl3DDkShadow", 0xFF000015},
    {u"cl3DLight", 0xFF000016},
    {u"clInfoText", 0xFF000017},
    {u"clInfoBk", 0xFF000018},
    {u"clHotLight", 0xFF00001A},
    {u"clGradientActiveCaption", 0xFF00001B},
    {u"clGradientInactiveCaption", 0xFF00001C},
    {u"clMenuHighlight", 0xFF00001D},
    {u"clMenuBar", 0xFF00001E},
};

bool IsMissing(DWORD error) { return error == win::ERROR_FILE_NOT_FOUND || error == win::ERROR_PATH_NOT_FOUND; }

}  // namespace

// --- TIniFile -------------------------------------------------------------------

TIniFile::TIniFile(const std::vector<std::uint8_t>& bytes) {
  std::u16string text;
  FDecodeError = DecodeIniText(bytes, text);
  if (FDecodeError == TIniDecodeError::None) Parse(text);
}

TIniFile TIniFile::FromBigEndian(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < 2 || bytes.size() % 2 != 0 || bytes[0] != 0xFE || bytes[1] != 0xFF) return TIniFile(bytes);
  std::vector<std::uint8_t> swapped(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    swapped[i] = bytes[i + 1];
    swapped[i + 1] = bytes[i];
  }
  return TIniFile(swapped);
}

TIniFile TIniFile::FromText(const std::u16string& text) {
  TIniFile ini;
  ini.Parse(text);
  return ini;
}

void TIniFile::Parse(const std::u16string& text) {
  TSection* current = nullptr;
  const char16_t* p = text.data();
  const char16_t* const end = p + text.size();
  while (p < end) {
    const char16_t* eol = p;
    while (eol < end && *eol != u'\r' && *eol != u'\n') ++eol;
    const std::u16string line = Trim(p, eol);
    p = eol;
    if (p < end && *p == u'\r') ++p;
    if (p < end && *p == u'\n') ++p;

    if (line.empty()) continue;
    // A comment stays where it was written, also above the first section.
    if (line[0] == u';' && !current) {
      FPreamble.push_back(line);
      continue;
    }
    if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
      current = &NeedSection(Trim(line.data() + 1, line.data() + line.size() - 1));
      continue;
    }
    if (!current) continue;  // lines before the first section
    TLine l;
    const std::size_t eq = line[0] == u';' ? std::u16string::npos : line.find(u'=');
    if (eq == std::u16string::npos) {
      l.Key = line;
    } else {
      l.Key = Trim(line.data(), line.data() + eq);
      l.Value = Trim(line.data() + eq + 1, line.data() + line.size());
      l.IsEntry = true;
      current->Keys.emplace(FoldAscii(l.Key), current->Lines.size());  // the first one wins
    }
    current->Lines.push_back(std::move(l));
  }
}

std::u16string TIniFile::ToText() const {
  std::size_t size = 2;
  for (const auto& l : FPreamble) size += l.size() + 2;
  for (const auto& s : FSections) {
    size += s.Name.size() + 6;
    for (const auto& l : s.Lines) size += l.Key.size() + l.Value.size() + 3;
  }
  std::u16string out;
  out.reserve(size);
  for (const auto& l : FPreamble) {
    out += l;
    out += u"\r\n";
  }
  if (!FPreamble.empty()) out += u"\r\n";
  for (const auto& s : FSections) {
    out += u'[';
    out += s.Name;
    out += u"]\r\n";
    for (const auto& l : s.Lines) {
      out += l.Key;
      if (l.IsEntry) {
        out += u'=';
        out += l.Value;
      }
      out += u"\r\n";
    }
    out += u"\r\n";
  }
  return out;
}

std::vector<std::uint8_t> TIniFile::ToBytes() const {
  const std::u16string text = ToText();
  std::vector<std::uint8_t> bytes;
  bytes.reserve(2 + text.size() * 2);
  bytes.push_back(0xFF);
  bytes.push_back(0xFE);
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

const TIniFile::TSection* TIniFile::FindSection(const std::u16string& name) const {
  const auto it = FSectionIndex.find(FoldAscii(name));
  return it == FSectionIndex.end() ? nullptr : &FSections[it->second];
}

TIniFile::TSection& TIniFile::NeedSection(const std::u16string& name) {
  const auto [it, added] = FSectionIndex.emplace(FoldAscii(name), FSections.size());
  if (added) {
    FSections.emplace_back();
    FSections.back().Name = name;
  }
  return FSections[it->second];
}

const TIniFile::TLine* TIniFile::FindEntry(const std::u16string& section, const std::u16string& key) const {
  const TSection* s = FindSection(section);
  if (!s) return nullptr;
  const auto it = s->Keys.find(FoldAscii(key));
  return it == s->Keys.end() ? nullptr : &s->Lines[it->second];
}

bool TIniFile::SectionExists(const std::u16string& section) const { return FindSection(section) != nullptr; }

bool TIniFile::ValueExists(const std::u16string& section, const std::u16string& key) const {
  return FindEntry(section, key) != nullptr;
}

std::vector<std::u16string> TIniFile::SectionNames() const {
  std::vector<std::u16string> names;
  for (const auto& s : FSections) names.push_back(s.Name);
  return names;
}

std::vector<std::pair<std::u16string, std::u16string>> TIniFile::SectionEntries(const std::u16string& section) const {
  std::vector<std::pair<std::u16string, std::u16string>> entries;
  if (const TSection* s = FindSection(section)) {
    for (const auto& l : s->Lines) {
      if (l.IsEntry) entries.emplace_back(l.Key, l.Value);
    }
  }
  return entries;
}

std::u16string TIniFile::ReadString(const std::u16string& section, const std::u16string& key,
                                    const std::u16string& def) const {
  const TLine* l = FindEntry(section, key);
  return l ? l->Value : def;
}

int TIniFile::ReadInteger(const std::u16string& section, const std::u16string& key, int def) const {
  const TLine* l = FindEntry(section, key);
  int value = 0;
  return (l && TryTextToInteger(l->Value, value)) ? value : def;
}

bool TIniFile::ReadBool(const std::u16string& section, const std::u16string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(const std::u16string& section, const std::u16string& key, double def,
                           const std::u16string& decimalSeparator) const {
  const TLine* l = FindEntry(section, key);
  double value = 0;
  return (l && TryTextToFloat(l->Value, decimalSeparator, value)) ? value : def;
}

DWORD TIniFile::ReadColor(const std::u16string& section, const std::u16string& key, DWORD def) const {
  const TLine* l = FindEntry(section, key);
  DWORD value = 0;
  return (l && TryTextToColor(l->Value, value)) ? value : def;
}

void TIniFile::WriteString(const std::u16string& section, const std::u16string& key, const std::u16string& value) {
  TSection& s = NeedSection(section);
  const auto [it, added] = s.Keys.emplace(FoldAscii(key), s.Lines.size());
  if (added) {
    TLine l;
    l.Key = OneLine(key);
    l.IsEntry = true;
    s.Lines.push_back(std::move(l));
  }
  s.Lines[it->second].Value = OneLine(value);
}

bool TIniFile::KeepAsComment(const std::u16string& section, const std::u16string& key) {
  const auto found = FSectionIndex.find(FoldAscii(section));
  if (found == FSectionIndex.end()) return false;
  TSection& s = FSections[found->second];
  const auto entry = s.Keys.find(FoldAscii(key));
  if (entry == s.Keys.end()) return false;
  const TLine& l = s.Lines[entry->second];
  TLine comment;
  comment.Key = u"; " + l.Key + u"=" + l.Value;
  s.Lines.insert(s.Lines.begin() + static_cast<std::ptrdiff_t>(entry->second), std::move(comment));
  // Every entry at or after the new line moved down by one.
  for (auto& [folded, index] : s.Keys) {
    if (index >= entry->second) ++index;
  }
  return true;
}

void TIniFile::WriteInteger(const std::u16string& section, const std::u16string& key, int value) {
  WriteString(section, key, AsciiToUtf16(std::to_string(value).c_str()));
}

void TIniFile::WriteBool(const std::u16string& section, const std::u16string& key, bool value) {
  WriteString(section, key, value ? u"1" : u"0");
}

void TIniFile::WriteFloat(const std::u16string& section, const std::u16string& key, double value,
                          const std::u16string& decimalSeparator) {
  WriteString(section, key, FloatToText(value, decimalSeparator));
}

void TIniFile::WriteColor(const std::u16string& section, const std::u16string& key, DWORD rgb) {
  WriteString(section, key, ColorToText(rgb));
}

// --- Value forms -------------------------------------------------------------------

bool TryTextToInteger(const std::u16string& text, int& value) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  if (n > 0 && text[0] == u'$') {
    i = 1;
  } else if (n > 1 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
    i = 2;
  }
  if (i > 0) {
    if (i == n) return false;
    std::uint64_t v = 0;
    for (; i < n; ++i) {
      const int d = HexDigit(text[i]);
      if (d < 0) return false;
      v = v * 16 + static_cast<unsigned>(d);
      if (v > 0xFFFFFFFFull) return false;
    }
    value = static_cast<int>(static_cast<std::uint32_t>(v));
    return true;
  }
  bool negative = false;
  if (n > 0 && (text[0] == u'-' || text[0] == u'+')) {
    negative = text[0] == u'-';
    i = 1;
  }
  if (i == n) return false;
  std::int64_t v = 0;
  for (; i < n; ++i) {
    if (text[i] < u'0' || text[i] > u'9') return false;
    v = v * 10 + (text[i] - u'0');
    if (v > 2147483648LL) return false;
  }
  if (negative) v = -v;
  if (v > 2147483647LL) return false;
  value = static_cast<int>(v);
  return true;
}

bool TryTextToColor(const std::u16string& text, DWORD& color) {
  // "#RRGGBB" as the web and most colour pickers write it.
  if (text.size() == 7 && text[0] == u'#') {
    DWORD rgb = 0;
    for (std::size_t i = 1; i < 7; ++i) {
      const int d = HexDigit(text[i]);
      if (d < 0) return false;
      rgb = (rgb << 4) | static_cast<DWORD>(d);
    }
    color = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
    return true;
  }
  const std::u16string folded = FoldAscii(text);
  for (const auto& c : ColorNames) {
    if (folded == FoldAscii(c.Name)) {
      color = c.Value;
      return true;
    }
  }
  int v = 0;
  if (!TryTextToInteger(text, v)) return false;
  color = static_cast<DWORD>(v);
  return true;
}

std::u16string ColorToText(DWORD rgb) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "$%08X", static_cast<unsigned>(rgb));
  return AsciiToUtf16(buffer);
}

// --- Shortcuts -------------------------------------------------------------------

namespace {
struct TShiftWord {
  TShiftState Flag;
  const char16_t* Word;
};
// The order the text form lists them in.
constexpr TShiftWord ShiftWords[] = {
    {ssCtrl, u"Ctrl+"},     {ssShift, u"Shift+"},   {ssAlt, u"Alt+"},     {ssLeft, u"Left+"}, {ssRight, u"Right+"},
    {ssMiddle, u"Middle+"}, {ssDouble, u"Double+"}, {ssTouch, u"Touch+"}, {ssPen, u"Pen+"},
};
}  // namespace

std::u16string ShiftStateToText(TShiftState shift) {
  std::u16string text;
  for (const auto& w : ShiftWords) {
    if (shift & w.Flag) text += w.Word;
  }
  return text;
}

TShiftState TextToShiftState(const std::u16string& text) {
  TShiftState shift = 0;
  for (const auto& w : ShiftWords) {
    if (text.find(w.Word) != std::u16string::npos) shift |= w.Flag;
  }
  return shift;
}

std::u16string ShortCutToEntry(TShortCut shortCut) {
  std::uint16_t key = 0;
  TShiftState shift = 0;
  ShortCutToKey(shortCut, key, shift);
  return FormatText(u"%d,%s", {static_cast<int>(key), ShiftStateToText(shift)});
}

bool EntryToShortCut(const std::u16string& entry, TShortCut& shortCut) {
  const std::size_t comma = entry.find(u',');
  int code = 0;
  if (!TryTextToInteger(entry.substr(0, comma), code)) return false;
  // Every comma splits, so the modifiers are the second field only. Without
  // a comma the key stands alone.
  std::u16string modifiers;
  if (comma != std::u16string::npos) {
    const std::size_t next = entry.find(u',', comma + 1);
    modifiers = entry.substr(comma + 1, next == std::u16string::npos ? std::u16string::npos : next - comma - 1);
  }
  shortCut = ShortCut(static_cast<std::uint16_t>(code & 0xFFFF), TextToShiftState(modifiers));
  return true;
}

// --- Files ------------------------------------------------------------------------

bool TFileBatch::ReadFileBytes(const std::u16string& path, std::vector<std::uint8_t>& data, std::uint64_t maxBytes) {
  const std::u16string key = FoldAscii(path);
  const auto it = FReads.find(key);
  if (it != FReads.end()) {
    data = it->second;
    return true;
  }
  // A file that could not be read (held by another program a moment, say)
  // is tried again at its next use.
  if (!FPlatform.ReadFileBytes(path, data, maxBytes)) return false;
  FReads.emplace(key, data);
  return true;
}

void TFileBatch::Forget(const std::u16string& path) { FReads.erase(FoldAscii(path)); }

TIniFile LoadIniFile(TPlatform& platform, const std::u16string& path, TIniFileResult* result, TFileBatch* batch) {
  std::vector<std::uint8_t> bytes;
  TIniFileResult r;
  TIniFile ini;
  if (batch ? batch->ReadFileBytes(path, bytes, MaxSettingsFileBytes)
            : platform.ReadFileBytes(path, bytes, MaxSettingsFileBytes)) {
    ini = TIniFile(bytes);
  } else {
    const DWORD error = platform.GetLastError();
    if (!IsMissing(error)) {
      r.Ok = false;
      r.Error = error;
    }
  }
  if (result) *result = r;
  return ini;
}

}  // namespace lensoro

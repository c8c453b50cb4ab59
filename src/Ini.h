// The INI engine shared by the settings file and the language files, the
// value forms, the shortcut text, and reading whole files.
//
// TIniFile works on a buffer only; reading files goes through TPlatform in
// LoadIniFile. How bytes become text is IniText's, writing a file in one
// step AtomicFile's.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "AsciiFold.h"
#include "AtomicFile.h"
#include "IniText.h"
#include "Menus.h"
#include "Numeric.h"
#include "Platform.h"

namespace lensoro {

// Section and key names compare by folding A-Z only (FoldAscii). Our names
// are all ASCII, so this is what the platform's ordinal ignore-case gives.

// The in-memory copy of one INI file. Sections keep the order in which they
// were first met, lines keep their order in the section; lookups go through
// hash maps beside the ordered lists, so reading and writing stay linear.
class TIniFile {
 public:
  TIniFile() = default;
  // Parses the bytes as DecodeIniText reads them (IniText.h): lone
  // surrogates of UTF-16 survive a save unchanged; bytes that are no text
  // leave it empty, with the reason in DecodeError.
  explicit TIniFile(const std::vector<std::uint8_t>& bytes);
  static TIniFile FromText(const std::u16string& text);
  // UTF-16 big-endian bytes (FE FF), which the constructor refuses: read
  // only to learn what such a file says, never to be written back. Any
  // other bytes read as the constructor reads them.
  static TIniFile FromBigEndian(const std::vector<std::uint8_t>& bytes);

  TIniDecodeError DecodeError() const { return FDecodeError; }
  bool Readable() const { return FDecodeError == TIniDecodeError::None; }

  // FF FE, the comments above the first section and an empty line, then
  // each section: "[name]", its lines (comments where they were), an empty
  // line; CR LF after every line.
  std::u16string ToText() const;
  std::vector<std::uint8_t> ToBytes() const;

  bool SectionExists(const std::u16string& section) const;
  bool ValueExists(const std::u16string& section, const std::u16string& key) const;
  std::vector<std::u16string> SectionNames() const;
  // The entries of a section as key/value pairs, in order.
  std::vector<std::pair<std::u16string, std::u16string>> SectionEntries(const std::u16string& section) const;

  // A present key gives its value even when empty.
  std::u16string ReadString(const std::u16string& section, const std::u16string& key,
                            const std::u16string& def) const;
  int ReadInteger(const std::u16string& section, const std::u16string& key, int def) const;
  bool ReadBool(const std::u16string& section, const std::u16string& key, bool def) const;
  double ReadFloat(const std::u16string& section, const std::u16string& key, double def,
                   const std::u16string& decimalSeparator) const;
  DWORD ReadColor(const std::u16string& section, const std::u16string& key, DWORD def) const;

  // An existing key keeps its place, a new one is appended to its section,
  // a new section to the file. Line breaks in a value become spaces: a
  // value is one line.
  void WriteString(const std::u16string& section, const std::u16string& key, const std::u16string& value);
  void WriteInteger(const std::u16string& section, const std::u16string& key, int value);
  void WriteBool(const std::u16string& section, const std::u16string& key, bool value);
  void WriteFloat(const std::u16string& section, const std::u16string& key, double value,
                  const std::u16string& decimalSeparator);
  // Writes "$" and 8 upper-case hex digits; the caller turns system colours
  // into RGB first (ColorToRGB).
  void WriteColor(const std::u16string& section, const std::u16string& key, DWORD rgb);
  // Puts the entry's line, as it stands, just above it as a comment
  // ("; Key=value"), so that a value about to be replaced is not lost.
  // False when there is no such entry.
  bool KeepAsComment(const std::u16string& section, const std::u16string& key);

 private:
  struct TLine {
    std::u16string Key;    // the whole line when it is no entry
    std::u16string Value;
    bool IsEntry = false;
  };
  struct TSection {
    std::u16string Name;
    std::vector<TLine> Lines;
    std::unordered_map<std::u16string, std::size_t> Keys;  // folded key -> first line with it
  };

  void Parse(const std::u16string& text);
  const TSection* FindSection(const std::u16string& name) const;
  TSection& NeedSection(const std::u16string& name);
  const TLine* FindEntry(const std::u16string& section, const std::u16string& key) const;

  std::vector<std::u16string> FPreamble;  // comment lines above the first section
  std::vector<TSection> FSections;
  std::unordered_map<std::u16string, std::size_t> FSectionIndex;  // folded name -> index
  TIniDecodeError FDecodeError = TIniDecodeError::None;
};

// --- Value forms -------------------------------------------------------------
// Decimal, or hex after "$", "0x" or "0X" (up to 8 digits, taken as the
// 32-bit pattern). Anything else, or a value outside 32 bits, is no integer.
bool TryTextToInteger(const std::u16string& text, int& value);
// A colour name (letter case ignored), "#RRGGBB" or an integer.
bool TryTextToColor(const std::u16string& text, DWORD& color);
std::u16string ColorToText(DWORD rgb);  // "$00BBGGRR"

// --- Shortcuts ---------------------------------------------------------------
// "Ctrl+Shift+Alt+..." in a fixed order, each word ending with "+".
std::u16string ShiftStateToText(TShiftState shift);
// Each word found as an exact (case-sensitive) substring sets its flag.
TShiftState TextToShiftState(const std::u16string& text);
// The settings entry "key,modifiers"; a missing shortcut is "0,".
std::u16string ShortCutToEntry(TShortCut shortCut);
// False (and the shortcut untouched) when the first field is no integer.
bool EntryToShortCut(const std::u16string& entry, TShortCut& shortCut);

// --- Files ----------------------------------------------------------------------
// The files read for one batch of keys (at start: the language file's name,
// then the settings): while the batch lives each file is read from disk at
// its first use only, so one load never reads a file twice. The next batch
// (or a load outside any) reads the file afresh and sees what was written
// meanwhile. It holds the bytes; decoding them stays with the reader.
class TFileBatch {
 public:
  explicit TFileBatch(TPlatform& platform) : FPlatform(platform) {}
  TFileBatch(const TFileBatch&) = delete;
  TFileBatch& operator=(const TFileBatch&) = delete;
  // As TPlatform::ReadFileBytes. Only what was read is kept: a file that
  // could not be read is tried again at its next use.
  bool ReadFileBytes(const std::u16string& path, std::vector<std::uint8_t>& data, std::uint64_t maxBytes);
  // A file written during the batch is read again at its next use.
  void Forget(const std::u16string& path);

 private:
  TPlatform& FPlatform;
  std::unordered_map<std::u16string, std::vector<std::uint8_t>> FReads;  // by path, A-Z folded
};

// Reads a whole INI file, through the batch when one is given. A missing
// file (or folder) is an empty file and no failure; any other read failure
// is reported and gives an empty copy. A file larger than
// MaxSettingsFileBytes cannot be read (ERROR_FILE_TOO_LARGE).
TIniFile LoadIniFile(TPlatform& platform, const std::u16string& path, TIniFileResult* result = nullptr,
                     TFileBatch* batch = nullptr);

}  // namespace lensoro

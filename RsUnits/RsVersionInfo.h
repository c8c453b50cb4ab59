// The version resource of an executable: its fixed part, its translation
// table and its version strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "Platform.h"

namespace lensoro {

// The fixed part of a version resource, field by field as it is stored.
struct TVSFixedFileInfo {
  DWORD dwSignature = 0, dwStrucVersion = 0;
  DWORD dwFileVersionMS = 0, dwFileVersionLS = 0;
  DWORD dwProductVersionMS = 0, dwProductVersionLS = 0;
  DWORD dwFileFlagsMask = 0, dwFileFlags = 0, dwFileOS = 0, dwFileType = 0, dwFileSubtype = 0;
  DWORD dwFileDateMS = 0, dwFileDateLS = 0;
};
static_assert(sizeof(TVSFixedFileInfo) == 52, "the fixed part is 52 bytes in every resource");

// One entry of the translation table: language, then code page.
struct TTransRec {
  std::uint16_t Lang = 0;
  std::uint16_t CharSet = 0;
};
using TTransRecArray = std::vector<TTransRec>;

// A value found in a version block. Size is in bytes and never reaches
// past the node that holds the value.
struct TVerValue {
  const std::uint8_t* Data = nullptr;
  std::size_t Size = 0;
  bool IsText = false;
};

// VerQueryValueW over a block in memory: "\" is the fixed part,
// "\VarFileInfo\Translation" the translation table,
// "\StringFileInfo\<key>\<name>" a version string; names match with A-Z
// folded. False when the path is not there or the structure around it is
// damaged (a length that leaves its parent, a key without its end).
bool VerQueryValue(const std::uint8_t* block, std::size_t size, const std::u16string& subBlock, TVerValue& value);

// The reader's failures, with their fixed English texts.
class ERsVersionInfo : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TRsVersionInfo {
 public:
  // Reads the file's version resource; a file without one is no error.
  // Throws ERsVersionInfo when the resource cannot be read or is damaged.
  TRsVersionInfo(TPlatform& platform, const std::u16string& fileName);

  bool HasVersionInfo() const { return FHasVersionInfo; }
  const TVSFixedFileInfo& FixedFileInfo() const { return FFixedFileInfo; }

  int CountTranslations() const { return static_cast<int>(FTranslationTable.size()); }
  // "041103A4" for language 0x0411 and code page 0x03A4. Throws
  // std::out_of_range without a resource or for an index outside the table.
  std::u16string GetTranslationKey(int index) const;
  // The string stored under the translation key; "" when there is none.
  // Throws std::logic_error without a resource.
  std::u16string GetVersionString(const std::u16string& key, const std::u16string& name) const;
  // What the About dialog shows: the translation's ProductVersion, the
  // fixed part's product version without translations, or a notice
  // without a resource.
  std::u16string GetProductVersionText(int index) const;

 private:
  TVSFixedFileInfo FFixedFileInfo;
  TTransRecArray FTranslationTable;
  bool FHasVersionInfo = false;
  std::vector<std::uint8_t> FVersionInfo;  // the raw resource
};

}  // namespace lensoro

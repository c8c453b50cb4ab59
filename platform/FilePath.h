// Splitting Windows paths into folder and file name. A backslash, a slash
// and a drive's colon each end a folder: "C:name.txt" is the file "name.txt"
// in drive C:'s current folder.
#pragma once

#include <string>

namespace lensoro {

inline constexpr const char16_t* PathSeparators = u"\\/:";

// The file name of a path, with extension and without folder.
inline std::u16string ExtractFileName(const std::u16string& path) {
  const auto slash = path.find_last_of(PathSeparators);
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

// The folder of a path with its trailing separator; "" when it has none.
inline std::u16string ExtractFilePath(const std::u16string& path) {
  const auto slash = path.find_last_of(PathSeparators);
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1);
}

// The path with the extension of its file name (from the last dot on)
// replaced by ext, or ext appended where the name has none.
inline std::u16string ChangeFileExt(const std::u16string& path, const std::u16string& ext) {
  const auto dot = path.find_last_of(u'.');
  const auto slash = path.find_last_of(PathSeparators);
  if (dot != std::u16string::npos && (slash == std::u16string::npos || dot > slash)) return path.substr(0, dot) + ext;
  return path + ext;
}

}  // namespace lensoro

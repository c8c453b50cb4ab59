#include "AtomicFile.h"

#include <string>

#include "Format.h"

namespace lensoro {

namespace {

TIniFileResult Failed(TPlatform& platform, DWORD error) {
  platform.SetLastError(error);
  TIniFileResult r;
  r.Ok = false;
  r.Error = error;
  return r;
}

// A name beside the file that nothing uses yet, for keeping an unreadable
// file; empty when none is free.
std::u16string FreeBackupName(TPlatform& platform, const std::u16string& path) {
  for (int i = 0; i < 100; ++i) {
    std::u16string name = path + u".bak";
    if (i > 0) name += AsciiToUtf16(std::to_string(i).c_str());
    if (platform.GetFileAttributesW(name) == win::INVALID_FILE_ATTRIBUTES) return name;
  }
  return {};
}

}  // namespace

std::u16string TemporaryFileName(TPlatform& platform, const std::u16string& path) {
  return path + u"." + AsciiToUtf16(std::to_string(platform.GetCurrentProcessId()).c_str()) + u".tmp";
}

TIniFileResult WriteFileAtomically(TPlatform& platform, const std::u16string& path,
                                   const std::vector<std::uint8_t>& bytes, bool replaceExisting, bool keepOld) {
  const std::u16string tmp = TemporaryFileName(platform, path);
  if (!platform.WriteFileBytes(tmp, bytes)) {
    const DWORD error = platform.GetLastError();
    platform.DeleteFileW(tmp);
    return Failed(platform, error);
  }
  std::u16string keptAs;
  if (keepOld) {
    keptAs = FreeBackupName(platform, path);
    if (keptAs.empty() || !platform.MoveFileExW(path, keptAs, win::MOVEFILE_WRITE_THROUGH)) {
      const DWORD error = keptAs.empty() ? win::ERROR_ALREADY_EXISTS : platform.GetLastError();
      platform.DeleteFileW(tmp);
      return Failed(platform, error);
    }
  }
  const DWORD flags = win::MOVEFILE_WRITE_THROUGH | (replaceExisting ? win::MOVEFILE_REPLACE_EXISTING : 0);
  if (!platform.MoveFileExW(tmp, path, flags)) {
    const DWORD error = platform.GetLastError();
    platform.DeleteFileW(tmp);
    if (!keptAs.empty()) platform.MoveFileExW(keptAs, path, win::MOVEFILE_WRITE_THROUGH);
    return Failed(platform, error);
  }
  TIniFileResult r;
  r.KeptAsPath = keptAs;
  return r;
}

}  // namespace lensoro

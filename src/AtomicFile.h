// Writing a whole file in one step, so a crash or a full disk never leaves
// half a file: the settings file and the default language file are written
// this way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Platform.h"

namespace lensoro {

// The result of reading or writing a file through the platform.
struct TIniFileResult {
  bool Ok = true;
  DWORD Error = 0;            // the platform's error code when !Ok
  std::u16string KeptAsPath;  // an unreadable old file was kept under this name
};

// The temporary file a save of this process writes beside the file: its
// process id in the name, so two copies never write, move or delete each
// other's.
std::u16string TemporaryFileName(TPlatform& platform, const std::u16string& path);
// Replaces the file in one step: the bytes go to the temporary file
// (TemporaryFileName), which then replaces the file. With keepOld the old
// file is first moved to a free name beside it (KeptAsPath). On failure the
// temporary file is removed, the old file is left whole where it was and
// the platform's last error is the failure's code.
TIniFileResult WriteFileAtomically(TPlatform& platform, const std::u16string& path,
                                   const std::vector<std::uint8_t>& bytes, bool replaceExisting = true,
                                   bool keepOld = false);

}  // namespace lensoro

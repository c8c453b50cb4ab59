// The program's entry sequence, independent of the platform it runs on.
#pragma once

#include "Platform.h"

namespace lensoro {

// Runs Lensoro on a platform: the version and single-instance checks, the
// loupe window, the message loop, the loupe's destruction. Returns the
// process exit code.
int LensoroMain(TPlatform& platform);

}  // namespace lensoro

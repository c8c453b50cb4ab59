// The program's entry sequence, independent of the platform it runs on.
#pragma once

#include "Platform.h"

namespace lensoro {

class TApplication;
class TFolderMutex;

// The checks before the loupe is made: the Windows version, the own path
// read whole, and one copy per folder (the folder's mutex is taken into
// `mutex`, to be held while the program runs). False when this start ends.
bool PassesStartChecks(TApplication& app, TFolderMutex& mutex);

// Runs Lensoro on a platform: the version and single-instance checks, the
// loupe window, the message loop, the loupe's destruction. Returns the
// process exit code.
int LensoroMain(TPlatform& platform);

}  // namespace lensoro

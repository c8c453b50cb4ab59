// The About dialog: title, version, author, the maker's web site and the
// credits of the libraries the program is built with.
#pragma once

#include <string>

#include "Platform.h"

namespace lensoro {

// The maker's web address: the link's target and its tooltip.
constexpr const char16_t* MakerWebAddress = u"https://lensoro.example.org/";

// The colour the user's web browser gives links (0x00BBGGRR); blue when it
// has none or it cannot be read.
DWORD GetAnchorColor(TPlatform& platform);

// How far to move a label of the given height down so that text of
// textHeight sits centred in it; a label too small for its text moves up by
// half the difference, rounded to the nearest, ties to even.
int TextTopOffset(int textHeight, int height);

}  // namespace lensoro

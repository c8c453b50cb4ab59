// What running copies of the program tell each other: the caption by which
// they find each other's loupes, the private message and its codes, and how
// long one waits for another's answer. Every copy, whatever its build, must
// agree on these, so they are fixed numbers.
#pragma once

#include "WinTypes.h"

namespace lensoro {

// The loupe window's fixed caption: never translated, it is how copies find
// each other's loupes.
constexpr const char16_t* LoupeCaption = u"がめん かくだい ソフト ぽてりん";

// The private message between copies; a fixed number, the same in every copy.
constexpr UINT UM_LOUPENOTIFY = 0x839C;
constexpr LPARAM LOUPE_STARTUP = 0, LOUPE_CLOSING = 1, LOUPE_SHOWN = 2, LOUPE_HIDDEN = 3, LOUPE_TOPMOST = 4,
                 LOUPE_REINIT_MAGNIFIER = 9;
// From a second start of the same executable: a loupe hidden in the tray
// comes back before it is brought to the front. Copies that do not know the
// code ignore it.
constexpr LPARAM LOUPE_RESTORE = 10;
// How long a copy waits for another copy's answer before it goes on.
constexpr UINT PeerTimeoutMs = 3000;
constexpr LPARAM MAGNOTIFY_ANNOUNCE = 0;

}  // namespace lensoro

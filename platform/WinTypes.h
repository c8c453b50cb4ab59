// The Win32 scalar types as the units see them; nothing here includes
// <windows.h>.
#pragma once

#include <cstdint>

namespace lensoro {

// Window handles are 32-bit values on every build: Windows keeps handles to
// 32 significant bits so 32- and 64-bit processes can exchange them, and the
// messages between copies carry them in that form.
using HWND = std::uint32_t;
using UINT = std::uint32_t;
using DWORD = std::uint32_t;
using ATOM = std::uint16_t;
// Message parameters and results have the platform's pointer width.
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
// Kernel object handles (processes) stay opaque pointer-sized values.
using HANDLE = std::uintptr_t;
// A device context handed to a paint handler; only the backend reads it.
using HDC = std::uintptr_t;
// An open registry key (HKEY_CURRENT_USER and the like are fixed values).
using HKEY = std::uintptr_t;
// An event hook (SetWinEventHook).
using HWINEVENTHOOK = std::uintptr_t;

}  // namespace lensoro

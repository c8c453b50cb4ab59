#include "Win32Lazy.h"

#include <string>

namespace lensoro::w32 {

namespace {

// Windows 7 without its loader update of 2011 does not know the search
// flags and answers ERROR_INVALID_PARAMETER; the full path does the same.
HMODULE LoadFromSystemFolder(const wchar_t* dll) {
  if (HMODULE module = ::LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
  if (::GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
  wchar_t folder[MAX_PATH];
  const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  std::wstring path(folder, n);
  path += L'\\';
  path += dll;
  return ::LoadLibraryW(path.c_str());
}

}  // namespace

void LoadDllsFromSystemFolderOnly() {
  // Not declared by the headers of Windows 7, where it may be missing.
  typedef BOOL(WINAPI SetDefaultDllDirectoriesProc)(DWORD);
  auto* setDefault = reinterpret_cast<SetDefaultDllDirectoriesProc*>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  ::SetDllDirectoryW(L"");
}

HMODULE LazyModule(const wchar_t* dll) {
  if (::lstrcmpiW(dll, L"comctl32.dll") == 0) return ::LoadLibraryW(dll);
  return LoadFromSystemFolder(dll);
}

FARPROC LazyProcAddress(const wchar_t* dll, const char* name) {
  // A module stays loaded for the life of the process; loading it again
  // only finds it.
  HMODULE module = LazyModule(dll);
  return module ? ::GetProcAddress(module, name) : nullptr;
}

}  // namespace lensoro::w32

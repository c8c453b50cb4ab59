// The Win32 backend's own: functions of the dialogs', the tray's and the
// network name's DLLs are bound at their first call, magnification.dll's
// from the system folder only (Win32Lazy.h). Built into
// lensoro_contract.exe only; there is no such thing on the simulated
// desktop.
#include <gtest/gtest.h>

#include <string>

#include "Contract.h"
#include "Win32Lazy.h"

namespace lensoro::w32 {
namespace {

std::wstring OwnFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring s(path, n);
  return s.substr(0, s.find_last_of(L"\\/") + 1);
}

// Where Windows keeps its own magnification.dll (under Wine: the stand-in).
std::wstring SystemMagnifier() {
  wchar_t folder[MAX_PATH] = {};
  const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder, n < MAX_PATH ? n : 0) + L"\\magnification.dll";
}

TEST(Win32Lazy, BindsAtFirstCallOrSaysWhyNot) {
  struct TRow {
    const wchar_t* Dll;
    const char* Name;
    DWORD Error;  // 0: bound
  };
  const TRow rows[] = {
      {L"shell32.dll", "Shell_NotifyIconW", 0},
      {L"comctl32.dll", "InitCommonControlsEx", 0},
      {L"version.dll", "GetFileVersionInfoW", 0},
      {L"shell32.dll", "NoSuchFunctionOfLensoro", ERROR_PROC_NOT_FOUND},
      {L"no-such-lensoro-module.dll", "Anything", ERROR_MOD_NOT_FOUND},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    ::SetLastError(0);
    const FARPROC proc = LazyProcAddress(row.Dll, row.Name);
    if (row.Error == 0) {
      EXPECT_NE(proc, nullptr);
    } else {
      EXPECT_EQ(proc, nullptr);
      EXPECT_EQ(::GetLastError(), row.Error);
    }
  }
  // The wrapper hands out the same function on every call.
  TLazyProc<decltype(::GetFileVersionInfoSizeW)> size{L"version.dll", "GetFileVersionInfoSizeW"};
  ASSERT_NE(size.Get(), nullptr);
  EXPECT_EQ(size.Get(), size.Get());
}

// The program runs from any folder, a downloads folder among them: a DLL
// there that has a system DLL's name must never be loaded in its place.
TEST(Win32Lazy, NeverLoadsADllFromTheProgramsFolder) {
  const std::wstring folder = OwnFolder();
  // Any loadable DLL will do as the planted one.
  const std::wstring planted = folder + L"lnsplanted.dll";
  ASSERT_TRUE(::CopyFileW(SystemMagnifier().c_str(), planted.c_str(), FALSE));
  // A plain load would take it from here.
  HMODULE plain = ::LoadLibraryW(L"lnsplanted.dll");
  EXPECT_NE(plain, nullptr);
  if (plain) ::FreeLibrary(plain);
  EXPECT_EQ(LazyModule(L"lnsplanted.dll"), nullptr);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  ::DeleteFileW(planted.c_str());
}

// Windows does not always take magnification.dll from the system folder;
// the backend must, also with one beside the program (under Wine the
// build's stand-in lies there; elsewhere the case puts a copy there).
TEST(Win32Lazy, BindsTheMagnifierFromTheSystemFolderOnly) {
  const std::wstring beside = OwnFolder() + L"magnification.dll";
  const bool planted = ::GetFileAttributesW(beside.c_str()) == INVALID_FILE_ATTRIBUTES;
  if (planted) {
    ASSERT_TRUE(::CopyFileW(SystemMagnifier().c_str(), beside.c_str(), TRUE));
  }
  TPlatform& platform = contract::Backend().Platform();
  const bool initialized = platform.MagInitialize();
  wchar_t loaded[MAX_PATH] = {};
  ::GetModuleFileNameW(::GetModuleHandleW(L"magnification.dll"), loaded, MAX_PATH);
  if (initialized) platform.MagUninitialize();
  if (planted) ::DeleteFileW(beside.c_str());
  EXPECT_TRUE(initialized);
  EXPECT_EQ(::lstrcmpiW(loaded, SystemMagnifier().c_str()), 0) << "loaded: " << loaded;
}

}  // namespace
}  // namespace lensoro::w32

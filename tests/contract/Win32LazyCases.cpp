// The Win32 backend's own: functions of the dialogs', the tray's and the
// network name's DLLs are bound at their first call (Win32Lazy.h). Built
// into lensoro_contract.exe only; there is no such thing on the simulated
// desktop.
#include <gtest/gtest.h>

#include <string>

#include "Win32Lazy.h"

namespace lensoro::w32 {
namespace {

std::wstring OwnFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring s(path, n);
  return s.substr(0, s.find_last_of(L"\\/") + 1);
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
  // Any loadable DLL will do as the planted one; the stand-in magnifier
  // sits beside this program.
  const std::wstring planted = folder + L"lnsplanted.dll";
  ASSERT_TRUE(::CopyFileW((folder + L"magnification.dll").c_str(), planted.c_str(), FALSE));
  // A plain load would take it from here.
  HMODULE plain = ::LoadLibraryW(L"lnsplanted.dll");
  EXPECT_NE(plain, nullptr);
  if (plain) ::FreeLibrary(plain);
  EXPECT_EQ(LazyModule(L"lnsplanted.dll"), nullptr);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  ::DeleteFileW(planted.c_str());
}

}  // namespace
}  // namespace lensoro::w32

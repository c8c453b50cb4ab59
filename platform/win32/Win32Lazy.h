// Functions of the DLLs that only a dialog, the menu, the tray or a rare
// path needs (comctl32, comdlg32, mpr, shell32, uxtheme, version): bound at
// their first call instead of imported, so that a start does not map and
// initialise them before the loupe can show. magnification.dll too, for
// another reason: Windows does not always take it from the system folder,
// so an import of it would load a copy planted beside the exe. Each DLL is
// loaded once and kept; one binding serves both builds and every compiler.
#pragma once

#include <windows.h>

namespace lensoro::w32 {

// Makes the system folder the only folder a DLL loaded by name comes from,
// for the rest of the process, also for the loads Windows makes on the
// program's behalf. Where Windows lacks the means (Windows 7 without its
// loader update of 2011), at least the current folder leaves the search.
// Called first thing at start.
void LoadDllsFromSystemFolderOnly();

// The module, loaded on first use; null with the last error set when it
// cannot be loaded. System DLLs come from the system folder only, never
// from the folder the program was started from (a downloads folder may hold
// anything). The common controls are the exception: their name goes
// through the manifest's side-by-side binding, which picks version 6.
HMODULE LazyModule(const wchar_t* dll);

// The function `name` of `dll`, or null with the last error set
// (ERROR_MOD_NOT_FOUND, ERROR_PROC_NOT_FOUND).
FARPROC LazyProcAddress(const wchar_t* dll, const char* name);

// A function bound at its first call: `TLazyProc<decltype(::F)> f{L"x.dll",
// "F"}; if (auto* p = f.Get()) p(...);`. Only the GUI thread calls these.
template <typename F>
class TLazyProc {
 public:
  TLazyProc(const wchar_t* dll, const char* name) : FDll(dll), FName(name) {}
  // The function; null with the last error set when it cannot be had. A
  // failed binding is tried again at the next call.
  F* Get() {
    if (!FProc) FProc = reinterpret_cast<F*>(reinterpret_cast<void*>(LazyProcAddress(FDll, FName)));
    return FProc;
  }

 private:
  const wchar_t* FDll;
  const char* FName;
  F* FProc = nullptr;
};

}  // namespace lensoro::w32

// Version resources and the registry on the real Windows API.
#include "Win32Convert.h"
#include "Win32Lazy.h"

namespace {

using lensoro::w32::W;

::HKEY ToHkey(lensoro::HKEY key) { return reinterpret_cast<::HKEY>(static_cast<ULONG_PTR>(key)); }

}  // namespace

namespace lensoro {

DWORD TWin32Platform::GetFileVersionInfoSizeW(const std::u16string& path) {
  static w32::TLazyProc<decltype(::GetFileVersionInfoSizeW)> sizeProc{L"version.dll", "GetFileVersionInfoSizeW"};
  auto* size = sizeProc.Get();
  ::DWORD ignored = 0;
  return size ? size(W(path), &ignored) : 0;
}

bool TWin32Platform::GetFileVersionInfoW(const std::u16string& path, DWORD size, std::uint8_t* data) {
  static w32::TLazyProc<decltype(::GetFileVersionInfoW)> infoProc{L"version.dll", "GetFileVersionInfoW"};
  auto* info = infoProc.Get();
  return info && info(W(path), 0, size, data) != FALSE;
}

std::int32_t TWin32Platform::RegOpenKeyExW(HKEY root, const std::u16string& subKey, DWORD options, DWORD access,
                                           HKEY& result) {
  ::HKEY key = nullptr;
  const LONG status = ::RegOpenKeyExW(ToHkey(root), W(subKey), options, access, &key);
  result = reinterpret_cast<ULONG_PTR>(key);
  return status;
}

std::int32_t TWin32Platform::RegQueryValueExW(HKEY key, const std::u16string& name, DWORD& type,
                                              std::uint8_t* data, DWORD& size) {
  ::DWORD valueType = 0, valueSize = size;
  const LONG status = ::RegQueryValueExW(ToHkey(key), W(name), nullptr, &valueType, data, &valueSize);
  type = valueType;
  size = valueSize;
  return status;
}

std::int32_t TWin32Platform::RegCloseKey(HKEY key) { return ::RegCloseKey(ToHkey(key)); }

}  // namespace lensoro

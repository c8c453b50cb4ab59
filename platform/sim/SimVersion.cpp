// The simulated version resources of files and the simulated registry.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "SimDesktop.h"

namespace lensoro::sim {

namespace {


// HKEY_CLASSES_ROOT (0x80000000) to HKEY_CURRENT_CONFIG, sign-extended.
bool IsPredefinedKey(HKEY key) {
  const auto value = static_cast<std::intptr_t>(key);
  return value >= std::int32_t{INT32_MIN} && value <= std::int32_t{INT32_MIN + 6};
}


// The root in hex, then the path's names folded, one backslash apart.
std::u16string RootName(HKEY root) {
  std::u16string name;
  for (int shift = 28; shift >= 0; shift -= 4)
    name.push_back(u"0123456789ABCDEF"[(static_cast<std::uint32_t>(root) >> shift) & 0xF]);
  return name;
}

std::u16string JoinKey(std::u16string key, const std::u16string& path) {
  std::size_t i = 0;
  while (i < path.size()) {
    const std::size_t end = std::min(path.find(u'\\', i), path.size());
    if (end > i) key += u'\\' + FoldAscii(path.substr(i, end - i));
    i = end + 1;
  }
  return key;
}

}  // namespace

// --- The test's hands ------------------------------------------------------------

void TSimDesktop::SetVersionResource(const std::u16string& path, std::vector<std::uint8_t> block) {
  if (block.empty()) {
    FVersionResources.erase(FileKey(path));
  } else {
    FVersionResources[FileKey(path)] = std::move(block);
  }
}

void TSimDesktop::AddRegistryKey(HKEY root, const std::u16string& path) {
  const std::u16string rootName = RootName(root);
  for (std::u16string key = JoinKey(rootName, path); key != rootName; key.resize(key.rfind(u'\\'))) {
    FRegistry[key];
  }
}

void TSimDesktop::SetRegistryValue(HKEY root, const std::u16string& path, const std::u16string& name, DWORD type,
                                   std::vector<std::uint8_t> data) {
  AddRegistryKey(root, path);
  FRegistry[JoinKey(RootName(root), path)][FoldAscii(name)] = {type, std::move(data)};
}

void TSimDesktop::SetRegistryString(HKEY root, const std::u16string& path, const std::u16string& name,
                                    const std::u16string& text) {
  std::vector<std::uint8_t> data;
  for (char16_t c : text + u'\0') {
    data.push_back(static_cast<std::uint8_t>(c & 0xFF));
    data.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  SetRegistryValue(root, path, name, win::REG_SZ, std::move(data));
}

// --- Version resources -------------------------------------------------------------

DWORD TSimProcess::GetFileVersionInfoSizeW(const std::u16string& path) {
  Log("GetFileVersionInfoSizeW", static_cast<std::int64_t>(path.size()));
  if (Injected("GetFileVersionInfoSizeW")) return 0;
  const TSimFile* file = FDesktop.File(path);
  if (!file || file->Directory) return Fail(win::ERROR_FILE_NOT_FOUND), 0;
  auto it = FDesktop.FVersionResources.find(TSimDesktop::FileKey(path));
  if (it == FDesktop.FVersionResources.end()) return Fail(win::ERROR_RESOURCE_TYPE_NOT_FOUND), 0;
  // Windows asks for more than the resource itself: room for its own
  // converted copy behind it.
  return static_cast<DWORD>(it->second.size() * 2 + 4);
}

bool TSimProcess::GetFileVersionInfoW(const std::u16string& path, DWORD size, std::uint8_t* data) {
  Log("GetFileVersionInfoW", static_cast<std::int64_t>(path.size()), size);
  if (Injected("GetFileVersionInfoW")) return false;
  if (!data) return Fail(win::ERROR_INVALID_PARAMETER);
  const TSimFile* file = FDesktop.File(path);
  if (!file || file->Directory) return Fail(win::ERROR_FILE_NOT_FOUND);
  auto it = FDesktop.FVersionResources.find(TSimDesktop::FileKey(path));
  if (it == FDesktop.FVersionResources.end()) return Fail(win::ERROR_RESOURCE_TYPE_NOT_FOUND);
  // A short buffer gets the start of the resource, as on Windows.
  const std::size_t copied = std::min<std::size_t>(size, it->second.size());
  std::memcpy(data, it->second.data(), copied);
  std::memset(data + copied, 0, size - copied);
  return true;
}

// --- The registry -------------------------------------------------------------------

std::int32_t TSimProcess::RegOpenKeyExW(HKEY root, const std::u16string& subKey, DWORD options, DWORD access,
                                        HKEY& result) {
  Log("RegOpenKeyExW", static_cast<std::int64_t>(root), static_cast<std::int64_t>(subKey.size()), options,
      access);
  result = 0;
  if (Injected("RegOpenKeyExW")) return static_cast<std::int32_t>(LastError);
  std::u16string base;
  if (IsPredefinedKey(root)) {
    base = RootName(root);
  } else {
    auto open = FDesktop.FRegHandles.find(root);
    if (open == FDesktop.FRegHandles.end() || open->second.Pid != Pid) return win::ERROR_INVALID_HANDLE;
    base = open->second.Key;
  }
  const std::u16string key = JoinKey(base, subKey);
  // A predefined root itself always opens.
  if (key != RootName(root) && !FDesktop.FRegistry.count(key)) return win::ERROR_FILE_NOT_FOUND;
  result = FDesktop.FNextRegHandle;
  FDesktop.FNextRegHandle += 4;
  FDesktop.FRegHandles[result] = {key, access, Pid};
  return win::ERROR_SUCCESS;
}

std::int32_t TSimProcess::RegQueryValueExW(HKEY key, const std::u16string& name, DWORD& type, std::uint8_t* data,
                                           DWORD& size) {
  Log("RegQueryValueExW", static_cast<std::int64_t>(key), static_cast<std::int64_t>(name.size()), size);
  if (Injected("RegQueryValueExW")) return static_cast<std::int32_t>(LastError);
  auto open = FDesktop.FRegHandles.find(key);
  if (open == FDesktop.FRegHandles.end() || open->second.Pid != Pid) return win::ERROR_INVALID_HANDLE;
  if (!(open->second.Access & win::KEY_QUERY_VALUE)) return win::ERROR_ACCESS_DENIED;
  auto values = FDesktop.FRegistry.find(open->second.Key);
  if (values == FDesktop.FRegistry.end()) return win::ERROR_FILE_NOT_FOUND;
  auto value = values->second.find(FoldAscii(name));
  if (value == values->second.end()) return win::ERROR_FILE_NOT_FOUND;
  const DWORD needed = static_cast<DWORD>(value->second.Data.size());
  type = value->second.Type;
  if (!data) {
    size = needed;
    return win::ERROR_SUCCESS;
  }
  if (size < needed) {
    size = needed;
    return win::ERROR_MORE_DATA;
  }
  std::memcpy(data, value->second.Data.data(), needed);
  size = needed;
  return win::ERROR_SUCCESS;
}

std::int32_t TSimProcess::RegCloseKey(HKEY key) {
  Log("RegCloseKey", static_cast<std::int64_t>(key));
  if (Injected("RegCloseKey")) return static_cast<std::int32_t>(LastError);
  auto open = FDesktop.FRegHandles.find(key);
  if (open == FDesktop.FRegHandles.end() || open->second.Pid != Pid) return win::ERROR_INVALID_HANDLE;
  FDesktop.FRegHandles.erase(open);
  return win::ERROR_SUCCESS;
}

}  // namespace lensoro::sim

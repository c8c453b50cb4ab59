// The simulated file system: Windows paths, case-insensitive, in memory.
#include "SimDesktop.h"

#include <algorithm>

namespace lensoro::sim {

namespace {

bool IsRoot(const std::u16string& key) { return key.size() == 3 && key[1] == u':' && key[2] == u'\\'; }

// '*' and '?' over folded text, as FindFirstFileW matches a name.
bool Matches(const char16_t* name, const char16_t* mask) {
  if (*mask == 0) return *name == 0;
  if (*mask == u'*') return Matches(name, mask + 1) || (*name && Matches(name + 1, mask));
  if (*name == 0) return false;
  return (*mask == u'?' || *mask == *name) && Matches(name + 1, mask + 1);
}

}  // namespace

std::u16string TSimDesktop::FileKey(const std::u16string& path) {
  std::u16string key;
  key.reserve(path.size() + 1);
  for (char16_t c : path) {
    c = c == u'/' ? u'\\' : FoldAscii(c);
    if (c == u'\\' && !key.empty() && key.back() == u'\\') continue;
    key.push_back(c);
  }
  if (key.size() == 2 && key[1] == u':') key.push_back(u'\\');
  while (key.size() > 1 && key.back() == u'\\' && !IsRoot(key)) key.pop_back();
  return key;
}

std::u16string TSimDesktop::ParentKey(const std::u16string& key) {
  if (IsRoot(key)) return {};
  const std::size_t slash = key.rfind(u'\\');
  if (slash == std::u16string::npos) return {};
  std::u16string parent = key.substr(0, slash);
  if (parent.size() == 2 && parent[1] == u':') parent.push_back(u'\\');
  return parent;
}

bool TSimDesktop::InReadOnlyFolder(const std::u16string& key) const {
  auto it = FFiles.find(ParentKey(key));
  return it != FFiles.end() && it->second.ReadOnlyFolder;
}

bool TSimDesktop::FolderExists(const std::u16string& key) const {
  if (IsRoot(key)) return true;
  auto it = FFiles.find(key);
  return it != FFiles.end() && it->second.Directory;
}

DWORD TSimDesktop::MissingFileError(const std::u16string& key) const {
  return FolderExists(ParentKey(key)) ? win::ERROR_FILE_NOT_FOUND : win::ERROR_PATH_NOT_FOUND;
}

void TSimDesktop::AddFolder(const std::u16string& path) {
  const std::u16string key = FileKey(path);
  if (key.empty() || FolderExists(key)) return;
  const std::u16string parent = ParentKey(key);
  if (!parent.empty()) AddFolder(path.substr(0, path.find_last_of(u"\\/")));
  FFiles[key] = {path, true, false, {}};
}

void TSimDesktop::AddFile(const std::u16string& path, const std::string& content, bool readOnly) {
  const std::u16string key = FileKey(path);
  const std::size_t slash = path.find_last_of(u"\\/");
  if (slash != std::u16string::npos) AddFolder(path.substr(0, slash));
  FFiles[key] = {path, false, readOnly, std::vector<std::uint8_t>(content.begin(), content.end())};
}

TSimFile* TSimDesktop::File(const std::u16string& path) {
  auto it = FFiles.find(FileKey(path));
  return it == FFiles.end() ? nullptr : &it->second;
}

std::string TSimDesktop::FileText(const std::u16string& path) {
  const TSimFile* f = File(path);
  return (f && !f->Directory) ? std::string(f->Data.begin(), f->Data.end()) : std::string();
}

void TSimDesktop::SetFolderReadOnly(const std::u16string& path, bool readOnly) {
  AddFolder(path);
  if (TSimFile* f = File(path)) f->ReadOnlyFolder = readOnly;
}

void TSimDesktop::SetFileLocked(const std::u16string& path, bool locked) {
  if (TSimFile* f = File(path)) f->Locked = locked;
}

void TSimDesktop::SetReparsePoint(const std::u16string& path, bool reparse) {
  AddFolder(path);
  if (TSimFile* f = File(path)) f->Reparse = reparse;
}

void TSimDesktop::AddLargeFile(const std::u16string& path, const std::string& head, std::uint64_t size) {
  AddFile(path, head);
  File(path)->Size = size;
}

std::vector<std::u16string> TSimDesktop::FilePaths() const {
  std::vector<std::u16string> paths;
  for (const auto& [key, f] : FFiles) paths.push_back(f.Path);
  return paths;
}

// --- The calls ------------------------------------------------------------------------

bool TSimProcess::ReadFileBytes(const std::u16string& path, std::vector<std::uint8_t>& data, std::uint64_t maxBytes) {
  const std::size_t at = FDesktop.FCalls.size();
  Log("ReadFileBytes", static_cast<std::int64_t>(path.size()));
  data.clear();
  if (Injected("ReadFileBytes")) return false;
  const std::u16string key = TSimDesktop::FileKey(path);
  auto it = FDesktop.FFiles.find(key);
  if (it == FDesktop.FFiles.end()) return Fail(FDesktop.MissingFileError(key));
  if (it->second.Directory) return Fail(win::ERROR_ACCESS_DENIED);
  if (it->second.Locked) return Fail(win::ERROR_SHARING_VIOLATION);
  const std::uint64_t size = std::max<std::uint64_t>(it->second.Size, it->second.Data.size());
  if (size > std::min(maxBytes, MaxReadFileBytes)) return Fail(win::ERROR_FILE_TOO_LARGE);
  data = it->second.Data;
  if (it->second.Size > data.size()) data.resize(it->second.Size);
  // The log's second argument: the bytes read, for the start-up count.
  FDesktop.FCalls[at].A[1] = static_cast<std::int64_t>(data.size());
  return true;
}

bool TSimProcess::WriteFileBytes(const std::u16string& path, const std::vector<std::uint8_t>& data) {
  Log("WriteFileBytes", static_cast<std::int64_t>(path.size()), static_cast<std::int64_t>(data.size()));
  const bool diskFull = Injected("WriteFileBytes");
  const std::u16string key = TSimDesktop::FileKey(path);
  if (!FDesktop.FolderExists(TSimDesktop::ParentKey(key))) return diskFull ? false : Fail(win::ERROR_PATH_NOT_FOUND);
  if (FDesktop.InReadOnlyFolder(key)) return Fail(win::ERROR_ACCESS_DENIED);
  auto it = FDesktop.FFiles.find(key);
  if (diskFull) {
    // The disk fills half-way: a file that was there is emptied and holds
    // the first half, as CREATE_ALWAYS and a short write leave it. The
    // sweep's failure also leaves a new file so; a FailNext one, none.
    if (it == FDesktop.FFiles.end() && FDesktop.FSweptNow)
      it = FDesktop.FFiles.emplace(key, TSimFile{path, false, false, {}}).first;
    if (it != FDesktop.FFiles.end() && !it->second.Directory && !it->second.ReadOnly && !it->second.Locked) {
      it->second.Data.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(data.size() / 2));
      it->second.Size = 0;
    }
    return false;
  }
  if (it != FDesktop.FFiles.end()) {
    if (it->second.Locked) return Fail(win::ERROR_SHARING_VIOLATION);
    if (it->second.Directory || it->second.ReadOnly) return Fail(win::ERROR_ACCESS_DENIED);
    it->second.Data = data;  // CREATE_ALWAYS keeps the name's first spelling
    it->second.Size = 0;
    return true;
  }
  FDesktop.FFiles[key] = {path, false, false, data};
  return true;
}

bool TSimProcess::MoveFileExW(const std::u16string& from, const std::u16string& to, DWORD flags) {
  Log("MoveFileExW", static_cast<std::int64_t>(from.size()), static_cast<std::int64_t>(to.size()), flags);
  if (Injected("MoveFileExW")) return false;
  const std::u16string src = TSimDesktop::FileKey(from), dst = TSimDesktop::FileKey(to);
  auto s = FDesktop.FFiles.find(src);
  if (s == FDesktop.FFiles.end()) return Fail(FDesktop.MissingFileError(src));
  if (s->second.Directory) return Fail(win::ERROR_ACCESS_DENIED);  // the model moves files only
  if (!FDesktop.FolderExists(TSimDesktop::ParentKey(dst))) return Fail(win::ERROR_PATH_NOT_FOUND);
  if (FDesktop.InReadOnlyFolder(src) || FDesktop.InReadOnlyFolder(dst)) return Fail(win::ERROR_ACCESS_DENIED);
  if (s->second.Locked) return Fail(win::ERROR_SHARING_VIOLATION);
  if (src == dst) return true;
  auto d = FDesktop.FFiles.find(dst);
  if (d != FDesktop.FFiles.end()) {
    if (!(flags & win::MOVEFILE_REPLACE_EXISTING)) return Fail(win::ERROR_ALREADY_EXISTS);
    if (d->second.Locked) return Fail(win::ERROR_SHARING_VIOLATION);
    if (d->second.Directory || d->second.ReadOnly) return Fail(win::ERROR_ACCESS_DENIED);
  }
  TSimFile moved = std::move(s->second);
  moved.Path = to;
  FDesktop.FFiles.erase(s);
  FDesktop.FFiles[dst] = std::move(moved);
  return true;
}

bool TSimProcess::DeleteFileW(const std::u16string& path) {
  Log("DeleteFileW", static_cast<std::int64_t>(path.size()));
  if (Injected("DeleteFileW")) return false;
  const std::u16string key = TSimDesktop::FileKey(path);
  auto it = FDesktop.FFiles.find(key);
  if (it == FDesktop.FFiles.end()) return Fail(FDesktop.MissingFileError(key));
  if (FDesktop.InReadOnlyFolder(key)) return Fail(win::ERROR_ACCESS_DENIED);
  if (it->second.Locked) return Fail(win::ERROR_SHARING_VIOLATION);
  if (it->second.Directory || it->second.ReadOnly) return Fail(win::ERROR_ACCESS_DENIED);
  FDesktop.FFiles.erase(it);
  return true;
}

bool TSimProcess::CreateDirectoryW(const std::u16string& path) {
  Log("CreateDirectoryW", static_cast<std::int64_t>(path.size()));
  if (Injected("CreateDirectoryW")) return false;
  const std::u16string key = TSimDesktop::FileKey(path);
  if (IsRoot(key) || FDesktop.FFiles.count(key)) return Fail(win::ERROR_ALREADY_EXISTS);
  if (!FDesktop.FolderExists(TSimDesktop::ParentKey(key))) return Fail(win::ERROR_PATH_NOT_FOUND);
  if (FDesktop.InReadOnlyFolder(key)) return Fail(win::ERROR_ACCESS_DENIED);
  FDesktop.FFiles[key] = {path, true, false, {}};
  return true;
}

DWORD TSimProcess::GetFileAttributesW(const std::u16string& path) {
  Log("GetFileAttributesW", static_cast<std::int64_t>(path.size()));
  if (Injected("GetFileAttributesW")) return win::INVALID_FILE_ATTRIBUTES;
  const std::u16string key = TSimDesktop::FileKey(path);
  if (IsRoot(key)) return win::FILE_ATTRIBUTE_DIRECTORY;
  auto it = FDesktop.FFiles.find(key);
  if (it == FDesktop.FFiles.end()) {
    Fail(FDesktop.MissingFileError(key));
    return win::INVALID_FILE_ATTRIBUTES;
  }
  const DWORD reparse = it->second.Reparse ? win::FILE_ATTRIBUTE_REPARSE_POINT : 0;
  if (it->second.Directory) return win::FILE_ATTRIBUTE_DIRECTORY | reparse;
  return win::FILE_ATTRIBUTE_ARCHIVE | (it->second.ReadOnly ? win::FILE_ATTRIBUTE_READONLY : 0) | reparse;
}

// Every entry, folders too, in the name order NTFS lists them in.
std::vector<std::u16string> TSimProcess::FindFiles(const std::u16string& pattern) {
  Log("FindFiles", static_cast<std::int64_t>(pattern.size()));
  std::vector<std::u16string> names;
  if (Injected("FindFiles")) return names;
  const std::u16string key = TSimDesktop::FileKey(pattern);
  const std::u16string folder = TSimDesktop::ParentKey(key);
  if (!FDesktop.FolderExists(folder)) {
    Fail(win::ERROR_PATH_NOT_FOUND);
    return names;
  }
  std::u16string mask = key.substr(key.rfind(u'\\') + 1);
  if (mask == u"*.*") mask = u"*";  // as Windows: also names without a dot
  for (const auto& [k, f] : FDesktop.FFiles) {
    if (TSimDesktop::ParentKey(k) != folder) continue;
    if (Matches(k.c_str() + k.rfind(u'\\') + 1, mask.c_str())) names.push_back(ExtractFileName(f.Path));
  }
  if (names.empty()) Fail(win::ERROR_FILE_NOT_FOUND);
  return names;
}

std::u16string TSimProcess::GetLocaleDecimalSeparator() {
  Log("GetLocaleDecimalSeparator");
  if (Injected("GetLocaleDecimalSeparator")) return u".";  // the backend's fallback
  return FDesktop.DecimalSeparator;
}

}  // namespace lensoro::sim

namespace lensoro::sim {

namespace {

// The base letters of U+00C0..U+017F, lower case; '.' where there is none.
constexpr char LatinBase[] =
    "aaaaaaaceeeeiiiidnooooo.ouuuuy.s"  // C0..DF
    "aaaaaaaceeeeiiiidnooooo.ouuuuy.y"  // E0..FF
    "aaaaaaccccccccddddeeeeeeeeeegggg"  // 100..11F
    "gggghhhhiiiiiiiiii..jjkkklllllll"  // 120..13F
    "lllnnnnnnnnnoooooooorrrrrrssssss"  // 140..15F
    "ssttttttuuuuuuuuuuuuwwyyyzzzzzzs";  // 160..17F

// Lower case for the scripts whose names a language file is likely to have.
char16_t LowerCase(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<char16_t>(c + 0x20);
  if (c >= 0x100 && c <= 0x17F) {
    // Pairs, capital first; two runs put the capital on the odd code.
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x178 || c == 0x17F) return c;
    const bool oddCapital = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    const bool capital = oddCapital ? (c & 1) != 0 : (c & 1) == 0;
    return capital ? static_cast<char16_t>(c + 1) : c;
  }
  if ((c >= 0x391 && c <= 0x3A9) || (c >= 0x410 && c <= 0x42F) || (c >= 0xFF21 && c <= 0xFF3A)) {
    return static_cast<char16_t>(c + 0x20);
  }
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 0x50);
  return c;
}

// The primary weight: the base letter for an accented Latin one.
char16_t BaseLetter(char16_t c) {
  if (c >= 0xC0 && c <= 0x17F && LatinBase[c - 0xC0] != '.') return static_cast<char16_t>(LatinBase[c - 0xC0]);
  return c;
}

}  // namespace

int TSimProcess::CompareStringW(DWORD flags, const std::u16string& a, const std::u16string& b) {
  Log("CompareStringW", flags, static_cast<std::int64_t>(a.size()), static_cast<std::int64_t>(b.size()));
  if (Injected("CompareStringW")) return 0;
  auto compare = [&](auto weight) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
      const char16_t x = weight(a[i]), y = weight(b[i]);
      if (x != y) return x < y ? win::CSTR_LESS_THAN : win::CSTR_GREATER_THAN;
    }
    return a.size() == b.size() ? win::CSTR_EQUAL
                                : (a.size() < b.size() ? win::CSTR_LESS_THAN : win::CSTR_GREATER_THAN);
  };
  for (auto weight : {+[](char16_t c) { return BaseLetter(LowerCase(c)); }, +[](char16_t c) { return LowerCase(c); }}) {
    const int r = compare(weight);
    if (r != win::CSTR_EQUAL) return r;
  }
  return (flags & win::NORM_IGNORECASE) ? win::CSTR_EQUAL : compare([](char16_t c) { return c; });
}

}  // namespace lensoro::sim

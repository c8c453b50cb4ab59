// Files and folders (the settings file is replaced with MoveFileExW) and
// the notification-area icon.
#include "Contract.h"

namespace lensoro::contract {
namespace {

std::vector<std::uint8_t> Bytes(const char* s) {
  return std::vector<std::uint8_t>(s, s + std::char_traits<char>::length(s));
}

class Files : public TContract {
 protected:
  std::u16string Dir = Backend().Folder();
  std::u16string In(const std::u16string& name) { return Dir + u"\\" + name; }
  std::string Read(const std::u16string& path) {
    std::vector<std::uint8_t> data;
    if (!P.ReadFileBytes(path, data, MaxReadFileBytes)) return "<none>";
    return std::string(data.begin(), data.end());
  }
};

TEST_F(Files, MoveFileExReplaces) {
  const std::u16string a = In(u"a.ini"), b = In(u"b.ini");
  ASSERT_TRUE(P.WriteFileBytes(a, Bytes("new")));
  ASSERT_TRUE(P.WriteFileBytes(b, Bytes("old")));
  constexpr DWORD replace = win::MOVEFILE_REPLACE_EXISTING | win::MOVEFILE_WRITE_THROUGH;
  struct TRow {
    const char* Name;
    std::u16string From, To;
    DWORD Flags, Error;
  };
  const TRow refused[] = {
      {"an existing target without replace", a, b, win::MOVEFILE_WRITE_THROUGH, win::ERROR_ALREADY_EXISTS},
      {"a missing source", In(u"none.ini"), b, replace, win::ERROR_FILE_NOT_FOUND},
      {"a target in a missing folder", a, In(u"no\\b.ini"), replace, win::ERROR_PATH_NOT_FOUND},
  };
  for (const TRow& row : refused) {
    SCOPED_TRACE(row.Name);
    EXPECT_FALSE(P.MoveFileExW(row.From, row.To, row.Flags));
    EXPECT_EQ(P.GetLastError(), row.Error);
  }
  ASSERT_TRUE(P.MoveFileExW(a, b, replace));
  EXPECT_EQ(Read(b), "new");
  EXPECT_EQ(P.GetFileAttributesW(a), win::INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(P.GetLastError(), win::ERROR_FILE_NOT_FOUND);

  // Windows refuses to replace a read-only file.
  // NOTE: Wine 8 replaces it (a rename over a file without write permission
  // succeeds on Linux); the settings file's writer must cope with both.
  ASSERT_TRUE(P.WriteFileBytes(a, Bytes("newer")));
  ASSERT_TRUE(Backend().SetReadOnly(b, true));
  if (P.MoveFileExW(a, b, replace)) {
    EXPECT_EQ(Read(b), "newer");
  } else {
    EXPECT_EQ(P.GetLastError(), win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(Read(b), "new");
    EXPECT_EQ(Read(a), "newer");
  }
  Backend().SetReadOnly(b, false);
}

TEST_F(Files, NamesFoldersAndErrors) {
  ASSERT_TRUE(P.WriteFileBytes(In(u"Lang.lang"), Bytes("x")));
  ASSERT_TRUE(P.CreateDirectoryW(In(u"Sub")));
  EXPECT_FALSE(P.CreateDirectoryW(In(u"SUB")));
  EXPECT_EQ(P.GetLastError(), win::ERROR_ALREADY_EXISTS);
  // Names are found in any letter case and listed as they were written.
  EXPECT_EQ(P.GetFileAttributesW(In(u"LANG.LANG")) & win::FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(P.GetFileAttributesW(In(u"sub")) & win::FILE_ATTRIBUTE_DIRECTORY, win::FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(P.FindFiles(In(u"*.LANG")), (std::vector<std::u16string>{u"Lang.lang"}));
  EXPECT_EQ(Read(In(u"lang.LANG")), "x");
  EXPECT_TRUE(P.FindFiles(In(u"*.none")).empty());

  std::vector<std::uint8_t> data;
  EXPECT_FALSE(P.ReadFileBytes(In(u"none"), data, MaxReadFileBytes));
  EXPECT_EQ(P.GetLastError(), win::ERROR_FILE_NOT_FOUND);
  // A file over the reader's limit is not read at all; one at it is.
  EXPECT_FALSE(P.ReadFileBytes(In(u"Lang.lang"), data, 0));
  EXPECT_EQ(P.GetLastError(), win::ERROR_FILE_TOO_LARGE);
  EXPECT_TRUE(P.ReadFileBytes(In(u"Lang.lang"), data, 1));
  EXPECT_FALSE(P.DeleteFileW(In(u"none")));
  EXPECT_EQ(P.GetLastError(), win::ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(P.WriteFileBytes(In(u"no\\x.ini"), data));
  EXPECT_EQ(P.GetLastError(), win::ERROR_PATH_NOT_FOUND);
  EXPECT_TRUE(P.DeleteFileW(In(u"LANG.lang")));
  EXPECT_EQ(P.GetFileAttributesW(In(u"Lang.lang")), win::INVALID_FILE_ATTRIBUTES);
}

// The tray icon of a window: added once, modified and deleted while it is
// there, refused when it is not.
class Tray : public TContract {};

TEST_F(Tray, AddModifyDelete) {
  const HWND wnd = Make(win::WS_POPUP, 0, {10, 10, 60, 60});
  ASSERT_NE(wnd, 0u);
  const HICON icon = P.CreateIconIndirect(16, 16, std::vector<std::uint8_t>(16 * 16 * 4, 0xC0));
  ASSERT_NE(icon, 0u);
  TNotifyIconData data;
  data.cbSize = 956;
  data.hWnd = wnd;
  data.uID = 3;
  data.uFlags = win::NIF_MESSAGE | win::NIF_ICON | win::NIF_TIP;
  data.uCallbackMessage = win::WM_APP + 40;
  data.hIcon = icon;
  std::copy_n(u"Lensoro contract", 17, data.szTip);
  struct TStep {
    const char* Name;
    DWORD Message;
    UINT Id;
    bool Ok;
  };
  const TStep steps[] = {
      {"add", win::NIM_ADD, 3, true},
      {"add again", win::NIM_ADD, 3, false},
      {"modify", win::NIM_MODIFY, 3, true},
      {"modify another id", win::NIM_MODIFY, 4, false},
      {"delete", win::NIM_DELETE, 3, true},
      {"delete again", win::NIM_DELETE, 3, false},
      {"modify deleted", win::NIM_MODIFY, 3, false},
  };
  for (const TStep& s : steps) {
    data.uID = s.Id;
    EXPECT_EQ(P.Shell_NotifyIconW(s.Message, data), s.Ok) << s.Name;
  }
  EXPECT_TRUE(P.DestroyIcon(icon));
}

}  // namespace
}  // namespace lensoro::contract

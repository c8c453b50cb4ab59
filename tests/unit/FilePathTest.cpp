// Splitting Windows paths: backslash, slash and a drive's colon end a folder.
#include <gtest/gtest.h>

#include "FilePath.h"

using namespace lensoro;

TEST(FilePath, SplitsIntoFolderAndName) {
  const struct {
    const char16_t* Path;
    const char16_t* Folder;
    const char16_t* Name;
  } cases[] = {
      {u"C:\\Tools\\lensoro.exe", u"C:\\Tools\\", u"lensoro.exe"},
      {u"C:/Tools/lensoro.exe", u"C:/Tools/", u"lensoro.exe"},
      {u"C:\\Tools/Lang\\a.b.lang", u"C:\\Tools/Lang\\", u"a.b.lang"},
      {u"C:lensoro.ini", u"C:", u"lensoro.ini"},  // drive-relative
      {u"C:\\", u"C:\\", u""},
      {u"C:\\Tools\\", u"C:\\Tools\\", u""},
      {u"\\\\server\\share\\Lang\\English.lang", u"\\\\server\\share\\Lang\\", u"English.lang"},
      {u"\\\\server\\share", u"\\\\server\\", u"share"},
      {u"lensoro.exe", u"", u"lensoro.exe"},
      {u"", u"", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::u16string(c.Path)));
    EXPECT_EQ(ExtractFilePath(c.Path), c.Folder);
    EXPECT_EQ(ExtractFileName(c.Path), c.Name);
  }
}

TEST(FilePath, ChangesOnlyTheExtensionOfTheName) {
  const struct {
    const char16_t* Path;
    const char16_t* Ext;
    const char16_t* Changed;
  } cases[] = {
      {u"C:\\Tools\\lensoro.exe", u".ini", u"C:\\Tools\\lensoro.ini"},
      {u"C:\\Tools\\a.tar.gz", u"", u"C:\\Tools\\a.tar"},
      {u"C:\\Tools.v2\\lensoro", u".ini", u"C:\\Tools.v2\\lensoro.ini"},  // a dot in a folder is no extension
      {u"\\\\srv\\share.x\\lensoro", u".ini", u"\\\\srv\\share.x\\lensoro.ini"},
      {u"D:lensoro.exe", u"", u"D:lensoro"},
      {u"日本語.lang", u"", u"日本語"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChangeFileExt(c.Path, c.Ext), c.Changed) << testing::PrintToString(std::u16string(c.Path));
  }
}

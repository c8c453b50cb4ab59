// The simulated desktop's version resources and registry behave as the
// system's calls do, so the units' failure paths are the real ones.
#include <gtest/gtest.h>

#include "SimDesktop.h"

using namespace lensoro;
using namespace lensoro::sim;

TEST(SimVersion, ResourcesOfFilesAndTheirErrors) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  desk.AddFile(u"C:\\Tools\\lensoro.exe", "MZ");
  desk.AddFile(u"C:\\Tools\\plain.txt", "x");
  desk.SetVersionResource(u"c:\\tools\\LENSORO.EXE", {1, 2, 3, 4, 5, 6});

  const DWORD size = p.GetFileVersionInfoSizeW(u"C:\\Tools\\lensoro.exe");
  EXPECT_GT(size, 6u);
  std::vector<std::uint8_t> data(size, 0xEE);
  ASSERT_TRUE(p.GetFileVersionInfoW(u"C:\\Tools\\lensoro.exe", size, data.data()));
  EXPECT_EQ(std::vector<std::uint8_t>(data.begin(), data.begin() + 6), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(data[6], 0);
  // A short buffer holds the start.
  std::uint8_t two[2] = {};
  ASSERT_TRUE(p.GetFileVersionInfoW(u"C:\\Tools\\lensoro.exe", 2, two));
  EXPECT_EQ(two[1], 2);

  EXPECT_EQ(p.GetFileVersionInfoSizeW(u"C:\\Tools\\plain.txt"), 0u);
  EXPECT_EQ(p.GetLastError(), win::ERROR_RESOURCE_TYPE_NOT_FOUND);
  EXPECT_EQ(p.GetFileVersionInfoSizeW(u"C:\\Tools\\gone.exe"), 0u);
  EXPECT_EQ(p.GetLastError(), win::ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(p.GetFileVersionInfoW(u"C:\\Tools\\plain.txt", size, data.data()));
  desk.FailNext("GetFileVersionInfoSizeW", win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(p.GetFileVersionInfoSizeW(u"C:\\Tools\\lensoro.exe"), 0u);
  EXPECT_EQ(p.GetLastError(), win::ERROR_ACCESS_DENIED);
  desk.SetVersionResource(u"C:\\Tools\\lensoro.exe", {});
  EXPECT_EQ(p.GetFileVersionInfoSizeW(u"C:\\Tools\\lensoro.exe"), 0u);
}

TEST(SimVersion, RegistryKeysOpenReadAndClose) {
  TSimDesktop desk;
  TSimProcess& p = desk.AddProcess(u"C:\\Tools\\lensoro.exe");
  TSimProcess& other = desk.AddProcess(u"C:\\Other\\x.exe");
  desk.SetRegistryString(win::HKEY_CURRENT_USER, u"Software\\Maker\\App", u"Name", u"abc");

  HKEY software = 0, app = 0;
  ASSERT_EQ(p.RegOpenKeyExW(win::HKEY_CURRENT_USER, u"SOFTWARE", 0, win::KEY_READ, software), 0);
  // A path below an open key, letter case and doubled separators aside.
  ASSERT_EQ(p.RegOpenKeyExW(software, u"maker\\\\APP", 0, win::KEY_READ, app), 0);
  EXPECT_EQ(desk.OpenRegistryKeys(), 2);
  HKEY none = 7;
  EXPECT_EQ(p.RegOpenKeyExW(win::HKEY_CURRENT_USER, u"Software\\Nobody", 0, win::KEY_READ, none),
            static_cast<std::int32_t>(win::ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(none, 0u);
  EXPECT_EQ(p.RegOpenKeyExW(win::HKEY_LOCAL_MACHINE, u"Software\\Maker", 0, win::KEY_READ, none),
            static_cast<std::int32_t>(win::ERROR_FILE_NOT_FOUND));

  DWORD type = 0, size = 0;
  ASSERT_EQ(p.RegQueryValueExW(app, u"NAME", type, nullptr, size), 0);
  EXPECT_EQ(type, win::REG_SZ);
  EXPECT_EQ(size, 8u);  // three characters and the zero
  std::uint8_t small[4] = {}, big[16] = {};
  size = 4;
  EXPECT_EQ(p.RegQueryValueExW(app, u"Name", type, small, size), static_cast<std::int32_t>(win::ERROR_MORE_DATA));
  EXPECT_EQ(size, 8u);
  size = sizeof(big);
  ASSERT_EQ(p.RegQueryValueExW(app, u"Name", type, big, size), 0);
  EXPECT_EQ(big[4], 'c');
  EXPECT_EQ(p.RegQueryValueExW(app, u"Other", type, big, size), static_cast<std::int32_t>(win::ERROR_FILE_NOT_FOUND));
  // Handles belong to their process.
  EXPECT_EQ(other.RegQueryValueExW(app, u"Name", type, big, size),
            static_cast<std::int32_t>(win::ERROR_INVALID_HANDLE));
  // A key opened without the right to query values.
  HKEY blind = 0;
  ASSERT_EQ(p.RegOpenKeyExW(win::HKEY_CURRENT_USER, u"Software\\Maker\\App", 0, 0, blind), 0);
  EXPECT_EQ(p.RegQueryValueExW(blind, u"Name", type, big, size), static_cast<std::int32_t>(win::ERROR_ACCESS_DENIED));

  EXPECT_EQ(p.RegCloseKey(app), 0);
  EXPECT_EQ(p.RegCloseKey(app), static_cast<std::int32_t>(win::ERROR_INVALID_HANDLE));
  EXPECT_EQ(p.RegQueryValueExW(app, u"Name", type, big, size), static_cast<std::int32_t>(win::ERROR_INVALID_HANDLE));
  p.RegCloseKey(software);
  p.RegCloseKey(blind);
  EXPECT_EQ(desk.OpenRegistryKeys(), 0);
}

#include <gtest/gtest.h>

#include "app/browser.h"
#include "app/registry_win.h"
#include "app/settings.h"

namespace {

// A key of its own under the current user, removed before and after each test. The tests run in parallel
// processes: each has its own key, named after the test, so that one's clean-up leaves another's alone.
ds_string TestKey() {
  const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  return u"Software\\Corvanta\\Lumivane Tests\\" + ds_string(name.begin(), name.end()) + u"\\";
}

class WinRegistryTest : public ::testing::Test {
 protected:
  const ds_string key = TestKey();
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, AsWide(key)); }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, AsWide(key)); }
  void PutRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY k;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, AsWide(key), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(k, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(k);
  }
  WinRegistry reg;
};

TEST_F(WinRegistryTest, SettingsPersistAsDwordValuesWithQuotedNames) {
  {
    SettingsStore s(reg, key);
    EXPECT_EQ(s.GetPicPos(), 2);
    HKEY k;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, AsWide(key), 0, KEY_READ, &k), ERROR_SUCCESS)
        << "the first read creates the key";
    RegCloseKey(k);
    s.SetPicPos(1);
    s.SetMute(false);
    s.SetSleepTime(2);
  }
  DWORD v = 0, type = 0, size = sizeof(v);
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, AsWide(key), L"\"PicPos\"", RRF_RT_ANY, &type, &v, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(v, 1u);
  SettingsStore next(reg, key);
  EXPECT_EQ(next.GetPicPos(), 1);
  EXPECT_FALSE(next.GetMute());
  EXPECT_EQ(next.GetFrameIntervalMs(), 60u);
}

TEST_F(WinRegistryTest, ValuesOfAnotherTypeOrSizeKeepTheDefault) {
  PutRaw(L"\"Sound Volume\"", REG_SZ, L"5", 4);
  BYTE big[64] = {5};
  PutRaw(L"\"Mute\"", REG_DWORD, big, sizeof(big));  // a REG_DWORD of the wrong size
  BYTE two[2] = {0, 0};
  PutRaw(L"\"Icon smoothing\"", REG_BINARY, two, sizeof(two));
  DWORD one = 0;
  PutRaw(L"\"PicPos\"", REG_BINARY, &one, sizeof(one));
  SettingsStore s(reg, key);
  EXPECT_EQ(s.GetSoundVolume(), 100);
  EXPECT_TRUE(s.GetMute());
  EXPECT_FALSE(s.GetIconSmoothing());
  EXPECT_EQ(s.GetPicPos(), 2);
}

TEST_F(WinRegistryTest, ShowDialogAndStringValuesRoundTrip) {
  SettingsStore s(reg, key);
  DWORD show = 1;
  ASSERT_TRUE(s.ReadStartup(show));
  EXPECT_EQ(show, 1u);
  s.WriteShowDialog(0);
  ASSERT_TRUE(s.ReadStartup(show));
  EXPECT_EQ(show, 0u);

  ASSERT_TRUE(reg.SetValue(RegRoot::CurrentUser, key, u"path", StringValue(u"C:\\x.exe")));
  RegValue v;
  ASSERT_TRUE(reg.QueryValue(RegRoot::CurrentUser, key, u"path", 520, v));
  EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(v.data.size(), 18u);  // with its terminator
  EXPECT_FALSE(reg.QueryValue(RegRoot::CurrentUser, key, u"path", 17, v)) << "larger than asked: not read in part";
  EXPECT_TRUE(reg.DeleteValue(RegRoot::CurrentUser, key, u"path"));
  EXPECT_FALSE(reg.DeleteValue(RegRoot::CurrentUser, key, u"path"));
  EXPECT_FALSE(reg.OpenKey(RegRoot::CurrentUser, key + u"missing", false));
}

TEST_F(WinRegistryTest, AutorunFollowsTheRunValue) {
  // A path that names no program, so that a left-over value starts nothing.
  const ds_string path = u"C:\\nonexistent\\Lumivane test\\lumivane.exe";
  RegValue saved;
  bool hadValue = reg.QueryValue(RegRoot::CurrentUser, REGKEY_RUN, REGVAL_AUTORUN, 520, saved);

  ASSERT_TRUE(WriteAutorun(reg, true, path));
  EXPECT_TRUE(IsAutorunEnabled(reg, path));
  wchar_t text[300];
  DWORD size = sizeof(text);
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"Lumivane",
                         RRF_RT_REG_SZ, nullptr, text, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(FromWide(text), path);
  EXPECT_FALSE(IsAutorunEnabled(reg, u"c:\\nonexistent\\lumivane test\\lumivane.exe"));
  ASSERT_TRUE(WriteAutorun(reg, false, path));
  EXPECT_FALSE(IsAutorunEnabled(reg, path));

  if (hadValue) reg.SetValue(RegRoot::CurrentUser, REGKEY_RUN, REGVAL_AUTORUN, saved);
}

TEST(LaunchCommand, StartsAProcessOrReportsFailure) {
  wchar_t cmd[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryW(cmd, MAX_PATH), 0u);
  ds_string line = u"\"" + FromWide(cmd) + u"\\cmd.exe\" /c exit";
  EXPECT_TRUE(LaunchCommandLine(BuildBrowserCommand(line + u" \"%1\"", u"https://lumivane.org/help")));
  EXPECT_FALSE(LaunchCommandLine(u"\"C:\\nonexistent\\browser.exe\" https://lumivane.org/help"));
}

}  // namespace

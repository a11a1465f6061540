#include "scene/module_resources_win.h"
#include "scene/stream.h"

#include <gtest/gtest.h>

namespace {

TEST(Win32ModuleResources, LoadsModulesOnceAndMissesCleanly) {
  ModuleResources& res = Win32ModuleResources();
  HMODULE kernel = res.LoadModule(u"kernel32.dll");
  EXPECT_NE(kernel, nullptr);
  EXPECT_EQ(res.LoadModule(u"kernel32.dll"), kernel);
  EXPECT_EQ(res.LoadModule(u"no-such-module-here.dll"), nullptr);
  EXPECT_EQ(res.LoadModule(u""), nullptr);

  const BYTE* data = nullptr;
  DWORD size = 0;
  EXPECT_FALSE(res.Find(nullptr, 107, ModuleResourceType::kDds, &data, &size));  // tests carry no document
  EXPECT_FALSE(res.Find(kernel, 0, ModuleResourceType::kRcData, &data, &size));
  EXPECT_FALSE(res.Find(kernel, 65535, ModuleResourceType::kDds, &data, &size));
  EXPECT_EQ(data, nullptr);
}

TEST(Win32ModuleResources, InstalledSourceServesRecords) {
  SetModuleResources(&Win32ModuleResources());
  DocResourceRecord r(107, u"no-such-module-here.dll");  // falls back to the test program itself
  EXPECT_FALSE(r.LoadFromModule());
  SetModuleResources(nullptr);
}

}  // namespace

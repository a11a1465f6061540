#include "app/browser.h"

#include <gtest/gtest.h>

#include "app/memory_registry.h"
#include "app/settings.h"

namespace {

TEST(BrowserCommand, PutsTheAddressIntoTheFirstQuotedPlaceholder) {
  const ds_string url = u"https://lumivane.org/help";
  struct Case {
    ds_string command, expected;
  } cases[] = {
      {u"\"C:\\b.exe\" \"%1\"", u"\"C:\\b.exe\" \"https://lumivane.org/help\""},
      {u"\"C:\\b.exe\" -url \"%1\" -new", u"\"C:\\b.exe\" -url \"https://lumivane.org/help\" -new"},
      {u"b.exe \"%1\" \"%1\"", u"b.exe \"https://lumivane.org/help\" \"%1\""},
      {u"b.exe %1", u"b.exe %1 https://lumivane.org/help"},
      {u"b.exe", u"b.exe https://lumivane.org/help"},
      {u"b.exe -p 100% \"%1\"", u"b.exe -p 100% \"https://lumivane.org/help\""},
      {u"b.exe \"%2\"", u"b.exe \"%2\" https://lumivane.org/help"},
  };
  for (const Case& c : cases) EXPECT_EQ(BuildBrowserCommand(c.command, url), c.expected);

  // No fixed buffer: a long address is never cut.
  ds_string longUrl = u"https://lumivane.org/" + ds_string(600, u'a');
  EXPECT_EQ(BuildBrowserCommand(u"b.exe \"%1\"", longUrl), u"b.exe \"" + longUrl + u"\"");
}

TEST(BrowserCommand, ReadsTheRegisteredTextOnly) {
  MemoryRegistry none;
  ds_string cmd;
  EXPECT_FALSE(ReadBrowserCommand(none, cmd));

  MemoryRegistry reg;
  RegValue v = StringValue(u"b.exe \"%1\"");
  v.data.resize(v.data.size() - 2);  // stored without its terminator
  reg.SetValue(RegRoot::ClassesRoot, REGKEY_HTTP_COMMAND, u"", v);
  EXPECT_TRUE(ReadBrowserCommand(reg, cmd));
  EXPECT_EQ(cmd, u"b.exe \"%1\"");

  MemoryRegistry wrongType;
  wrongType.SetValue(RegRoot::ClassesRoot, REGKEY_HTTP_COMMAND, u"", DwordValue(1));
  EXPECT_FALSE(ReadBrowserCommand(wrongType, cmd));

  MemoryRegistry tooLong;
  tooLong.SetValue(RegRoot::ClassesRoot, REGKEY_HTTP_COMMAND, u"", StringValue(ds_string(300, u'b')));
  EXPECT_FALSE(ReadBrowserCommand(tooLong, cmd));
}

}  // namespace

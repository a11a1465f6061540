#include "app/browser.h"

#include "app/settings.h"

namespace {
const size_t kCommandBytes = 520;
}

ds_string BuildBrowserCommand(const ds_string& command, const ds_string& address) {
  static const char16_t kPlaceholder[] = u"\"%1\"";
  size_t at = command.find(kPlaceholder);
  if (at == ds_string::npos) return command + u" " + address;
  return command.substr(0, at) + u"\"" + address + u"\"" + command.substr(at + 4);
}

bool ReadBrowserCommand(RegistrySeam& registry, ds_string& command) {
  RegValue v;
  if (!registry.OpenKey(RegRoot::ClassesRoot, REGKEY_HTTP_COMMAND, false)) return false;
  if (!registry.QueryValue(RegRoot::ClassesRoot, REGKEY_HTTP_COMMAND, u"", kCommandBytes, v)) return false;
  return TextOfValue(v, command, true) && !command.empty();
}

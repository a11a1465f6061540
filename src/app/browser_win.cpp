#include <vector>

#include "app/browser.h"

bool LaunchCommandLine(const ds_string& commandLine) {
  // CreateProcessW may write into its command line, so it gets a copy of its own.
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool OpenUrlInBrowser(RegistrySeam& registry, const ds_string& address) {
  ds_string command;
  if (!ReadBrowserCommand(registry, command)) return false;
  return LaunchCommandLine(BuildBrowserCommand(command, address));
}

// Opening a web page: the browser command line registered for http, with the page address put in.
#pragma once

#include "app/registry.h"

// The first quoted placeholder "%1" becomes the address between the same quotes; every other character
// stays as it is, percent signs included. A command without a quoted placeholder gets one space and the
// address at its end.
ds_string BuildBrowserCommand(const ds_string& command, const ds_string& address);

// The default value of the http open command (at most 520 bytes); false when there is none.
bool ReadBrowserCommand(RegistrySeam& registry, ds_string& command);

// Starts the browser on the address; false when no browser command is registered or it cannot start.
bool OpenUrlInBrowser(RegistrySeam& registry, const ds_string& address);
// Starts a process from a command line (Windows only); true when it started.
bool LaunchCommandLine(const ds_string& commandLine);

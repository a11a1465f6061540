// Polls a condition every 50 ms until it holds or the time is up, for tests that wait on another process.
#pragma once

#include <windows.h>

namespace lumi_test {

template <typename Pred>
bool WaitFor(Pred pred, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    if (pred()) return true;
    Sleep(50);
  }
  return pred();
}

}  // namespace lumi_test

// Starts the stand-in shell for a Windows test and ends it again. One stand-in runs at a time in a Wine
// session: a named mutex keeps tests in separate processes from overlapping.
// The stand-in's path: the environment variable LUMI_STANDIN_SHELL, else LUMI_STANDIN_SHELL_EXE as the
// build defines it; the 32-bit stand-in's path is LUMI_STANDIN_SHELL32_EXE.
#pragma once

#include <windows.h>

#include <string>

#include "standin_shell/standin_protocol.h"

// Tests that use the stand-in, or must not meet one, take this lock in turn. Under ctest's parallel
// jobs several of them wait while others run, a minute or more each on a busy machine.
constexpr DWORD kStandinLockWaitMs = 600000;

class StandinShell {
 public:
  static std::wstring ExePath() {
    wchar_t env[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"LUMI_STANDIN_SHELL", env, MAX_PATH);
    if (n > 0 && n < MAX_PATH) return env;
#ifdef LUMI_STANDIN_SHELL_EXE
    return LUMI_STANDIN_SHELL_EXE;
#else
    return L"";
#endif
  }
  static std::wstring Exe32Path() {
#ifdef LUMI_STANDIN_SHELL32_EXE
    return LUMI_STANDIN_SHELL32_EXE;
#else
    return L"";
#endif
  }
  static bool Available(const std::wstring& exe = ExePath()) {
    return !exe.empty() && GetFileAttributesW(exe.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  StandinShell() = default;
  StandinShell(const StandinShell&) = delete;
  StandinShell& operator=(const StandinShell&) = delete;
  ~StandinShell() { Stop(); }

  // Starts it with these options and waits for its control window; false when it does not come up.
  bool Start(const std::wstring& options, const std::wstring& exe = ExePath()) {
    mutex_ = CreateMutexW(nullptr, FALSE, L"Local\\LumivaneStandinShell");
    if (!mutex_ || WaitForSingleObject(mutex_, kStandinLockWaitMs) == WAIT_TIMEOUT) return false;
    locked_ = true;
    EndLeftOver();
    std::wstring line = L"\"" + exe + L"\" --parent " + std::to_wstring(GetCurrentProcessId()) + L" " + options;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    for (int i = 0; i < 600 && !control_; ++i) {  // up to 30 s on a busy machine
      if (WaitForSingleObject(process_, 50) == WAIT_OBJECT_0) return false;
      for (HWND w = FindWindowExW(nullptr, nullptr, STANDIN_CONTROL_CLASS, nullptr); w;
           w = FindWindowExW(nullptr, w, STANDIN_CONTROL_CLASS, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid_) control_ = w;
      }
    }
    return control_ != nullptr;
  }

  void Stop() {
    if (process_) {
      if (control_) Send(kStandinQuit);
      if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
      CloseHandle(process_);
      process_ = nullptr;
    }
    control_ = nullptr;
    if (locked_) ReleaseMutex(mutex_);
    locked_ = false;
    if (mutex_) CloseHandle(mutex_);
    mutex_ = nullptr;
  }

  // Ends its process at once, as a shell that crashes or is killed ends; true once it has ended. Stop
  // still releases the lock afterwards.
  bool Kill() {
    if (!process_ || !TerminateProcess(process_, 1)) return false;
    control_ = nullptr;
    return WaitForSingleObject(process_, 10000) == WAIT_OBJECT_0;
  }

  LRESULT Send(StandinCommand command, int index = 0, int x = 0, int y = 0, int flag = 0,
               const wchar_t* text = nullptr) {
    StandinRequest r = {index, x, y, flag, {}};
    if (text) lstrcpynW(r.text, text, 260);
    return SendStandinCommand(control_, command, r);
  }

  DWORD pid() const { return pid_; }
  HWND control() const { return control_; }

 private:
  // A stand-in left by a test that did not end cleanly.
  static void EndLeftOver() {
    for (int i = 0; i < 50; ++i) {
      HWND w = FindWindowW(STANDIN_CONTROL_CLASS, nullptr);
      if (!w) return;
      StandinRequest r = {};
      SendStandinCommand(w, kStandinQuit, r);
      Sleep(100);
    }
  }

  HANDLE mutex_ = nullptr;
  bool locked_ = false;
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  HWND control_ = nullptr;
};

// What the timing programs under Wine share besides their window: the clock, waiting for the device to
// finish, the process's memory, and the timed frame loop with the lines it prints.
#pragma once

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <d3d9.h>

#include "bench_window_win.h"

namespace bench {

inline double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Waits until the device has carried out every command given so far: drawing is queued, so a frame's
// calls return before its pixels are made.
inline void FinishDrawing(IDirect3DDevice9* device) {
  IDirect3DQuery9* query = nullptr;
  if (!device || FAILED(device->CreateQuery(D3DQUERYTYPE_EVENT, &query))) return;
  query->Issue(D3DISSUE_END);
  while (query->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE) Sleep(0);
  query->Release();
}

// Committed private memory of this process, summed over its address space (the same on Windows and under
// Wine, whose process counters leave the private figure out).
inline SIZE_T PrivateBytes() {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION info;
  for (const BYTE* at = nullptr; VirtualQuery(at, &info, sizeof(info)) == sizeof(info);
       at = static_cast<const BYTE*>(info.BaseAddress) + info.RegionSize) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
    if (info.RegionSize == 0) break;
  }
  return total;
}

// Address space the process has reserved or committed, of any kind (images and mappings included).
inline SIZE_T VirtualBytes() {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION info;
  for (const BYTE* at = nullptr; VirtualQuery(at, &info, sizeof(info)) == sizeof(info);
       at = static_cast<const BYTE*>(info.BaseAddress) + info.RegionSize) {
    if (info.State != MEM_FREE) total += info.RegionSize;
    if (info.RegionSize == 0) break;
  }
  return total;
}

inline SIZE_T WorkingSet() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)) ? counters.WorkingSetSize : 0;
}

// The Unix side of the process under Wine, in kB from the status file of the Unix process whose id
// LUMI_UNIX_PID gives (scripts/bench sets it; the file is read through the drive Wine maps to the root,
// and /proc/self would be the Wine server's, which opens files for the process): resident anonymous
// memory (the heaps of the GL driver, Wine's Direct3D and the sound decoder among it), resident file
// pages and resident shared memory. All -1 without that variable or file (on Windows).
struct UnixMemory {
  long long anon = -1, file = -1, shmem = -1;
};

inline UnixMemory ReadUnixMemory() {
  UnixMemory m;
  const char* pid = std::getenv("LUMI_UNIX_PID");
  if (!pid || !*pid) return m;
  char path[64];
  std::snprintf(path, sizeof(path), "Z:\\proc\\%s\\status", pid);
  HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return m;
  char text[8192];
  DWORD got = 0, total = 0;
  while (total < sizeof(text) - 1 && ReadFile(f, text + total, sizeof(text) - 1 - total, &got, nullptr) && got)
    total += got;
  CloseHandle(f);
  text[total] = 0;
  struct Field {
    const char* name;
    long long* value;
  } fields[] = {{"RssAnon:", &m.anon}, {"RssFile:", &m.file}, {"RssShmem:", &m.shmem}};
  for (const Field& field : fields) {
    if (const char* at = std::strstr(text, field.name)) *field.value = std::atoll(at + std::strlen(field.name));
  }
  return m;
}

// The process's memory at one moment, in kB. Private memory is committed memory: pages of a committed
// region touched only later (under Wine the Direct3D command queue, a ring of several megabytes written
// a little further every frame) grow the working set and the Unix side's anonymous memory, not it.
struct Memory {
  unsigned long long privateKb = 0, workingSetKb = 0, virtualKb = 0;
  UnixMemory unixSide;
};

inline Memory TakeMemory() {
  Memory m;
  m.privateKb = PrivateBytes() / 1024;
  m.workingSetKb = WorkingSet() / 1024;
  m.virtualKb = VirtualBytes() / 1024;
  m.unixSide = ReadUnixMemory();
  return m;
}

// One memory line: "memory <when>: private ..., working set ..., virtual ..." and, under Wine, the Unix
// side's resident anonymous, file and shared memory.
inline Memory PrintMemoryAt(const char* when) {
  const Memory m = TakeMemory();
  std::printf("memory %s: private %llu kB, working set %llu kB, virtual %llu kB", when, m.privateKb, m.workingSetKb,
              m.virtualKb);
  if (m.unixSide.anon >= 0)
    std::printf(", unix anon %lld kB, file %lld kB, shmem %lld kB", m.unixSide.anon, m.unixSide.file, m.unixSide.shmem);
  std::printf("\n");
  std::fflush(stdout);
  return m;
}

inline void PrintMemory(int frame) {
  char when[32];
  std::snprintf(when, sizeof(when), "at frame %d", frame);
  PrintMemoryAt(when);
}

// Runs frame() `frames` times, pumping messages between frames and timing each call; with a memory
// interval the memory is printed every that many frames. Prints the frame-time line, which includes in
// its mean the wait for the last frame's drawing (single frames may return before theirs is done).
template <class Frame>
void TimeFrames(int frames, int memoryInterval, IDirect3DDevice9* device, Frame frame) {
  std::vector<double> times;
  times.reserve(static_cast<size_t>(frames));
  if (memoryInterval) PrintMemory(0);
  const double start = Now();
  for (int i = 0; i < frames; ++i) {
    PumpMessages();
    const double t0 = Now();
    frame();
    times.push_back(Now() - t0);
    if (memoryInterval && (i + 1) % memoryInterval == 0) PrintMemory(i + 1);
  }
  FinishDrawing(device);
  const double total = Now() - start;
  std::sort(times.begin(), times.end());
  const double median = times[times.size() / 2];
  const double p95 = times[std::min(times.size() - 1, times.size() * 95 / 100)];
  std::printf("frame time: mean %.2f ms, median %.2f ms, 95th percentile %.2f ms, fastest %.2f ms\n",
              total / frames * 1000, median * 1000, p95 * 1000, times.front() * 1000);
}

}  // namespace bench

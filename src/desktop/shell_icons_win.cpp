#include "desktop/shell_icons_win.h"

#include <commctrl.h>

#include <cstring>

#include "desktop/desktop_view_win.h"

namespace {

// Memory blocks in another process, released and the process closed when it goes out of scope.
class RemoteProcess {
 public:
  explicit RemoteProcess(HWND window) {
    DWORD pid = 0;
    if (window && GetWindowThreadProcessId(window, &pid) && pid)
      process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  }
  ~RemoteProcess() {
    for (int i = 0; i < count_; ++i) VirtualFreeEx(process_, blocks_[i], 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteProcess(const RemoteProcess&) = delete;
  RemoteProcess& operator=(const RemoteProcess&) = delete;

  bool Open() const { return process_ != nullptr; }
  void* Alloc(size_t size) {
    if (!process_ || count_ == kMaxBlocks) return nullptr;
    void* p = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (p) blocks_[count_++] = p;
    return p;
  }
  bool Write(void* remote, const void* local, size_t size) {
    SIZE_T done = 0;
    return WriteProcessMemory(process_, remote, local, size, &done) && done == size;
  }
  bool Read(const void* remote, void* local, size_t size) {
    SIZE_T done = 0;
    return ReadProcessMemory(process_, remote, local, size, &done) && done == size;
  }

 private:
  static const int kMaxBlocks = 3;
  HANDLE process_ = nullptr;
  void* blocks_[kMaxBlocks] = {};
  int count_ = 0;
};

DWORD RemoteAddress(const void* p) { return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(p)); }

}  // namespace

bool ReadShellIconsFrom(HWND list, bool wide, PlacementMap& placements) {
  if (!list) return false;
  RemoteProcess remote(list);
  if (!remote.Open()) return false;
  const size_t recordSize = wide ? kItemRecordSize64 : kItemRecordSize32;
  void* record = remote.Alloc(recordSize);
  void* text = remote.Alloc(kItemTextBytes);
  void* point = remote.Alloc(sizeof(POINT));
  if (!record || !text || !point) return false;

  int m = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < m; ++i) {
    BYTE local[kItemRecordSize64];
    if (wide)
      PackItemRecord64(i, RemoteAddress(text), local);
    else
      PackItemRecord32(i, RemoteAddress(text), *reinterpret_cast<BYTE(*)[kItemRecordSize32]>(local));
    BYTE zeros[kItemTextBytes] = {};
    // A stale text from the item before must never be recorded under this item.
    if (!remote.Write(text, zeros, sizeof(zeros)) || !remote.Write(record, local, recordSize)) continue;
    if (!SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(record))) continue;
    BYTE textBytes[kItemTextBytes];
    if (!remote.Read(text, textBytes, sizeof(textBytes)) || !remote.Read(record, local, kItemRecordExchanged))
      continue;
    POINT p = {0, 0};
    if (!remote.Write(point, &p, sizeof(p))) continue;
    if (!SendMessageW(list, LVM_GETITEMPOSITION, i, reinterpret_cast<LPARAM>(point))) continue;
    if (!remote.Read(point, &p, sizeof(p))) continue;
    placements[TextFromRemoteBuffer(textBytes, sizeof(textBytes))] = IconPlacement{p, i};
  }
  return m != 0;
}

bool ReadShellIcons32(PlacementMap& placements) { return ReadShellIconsFrom(GetShellListView(), false, placements); }
bool ReadShellIcons64(PlacementMap& placements) { return ReadShellIconsFrom(GetShellListView(), true, placements); }

int ReadIconHeight(HWND list) {
  if (!list) return 0;
  RemoteProcess remote(list);
  void* block = remote.Alloc(sizeof(RECT));
  if (!block) return 0;
  RECT r = {LVIR_ICON, 0, 0, 0};
  if (!remote.Write(block, &r, sizeof(r))) return 0;
  if (!SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(block))) return 0;
  if (!remote.Read(block, &r, sizeof(r))) return 0;
  return r.bottom - r.top;
}

void SetShellIconPosition(POINT position, int shellIndex) {
  if (HWND list = GetShellListView())
    SendMessageW(list, LVM_SETITEMPOSITION, shellIndex, static_cast<LPARAM>(PackItemPosition(position)));
}

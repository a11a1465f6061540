#include <windows.h>

#include "lights/audio_file.h"

namespace {

class Win32TrackFiles : public TrackFiles {
 public:
  bool FileExists(const ds_string& path) override {
    DWORD attributes = GetFileAttributesW(AsWide(path));
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  ds_string TempFolder() override {
    wchar_t folder[MAX_PATH + 1] = {};
    DWORD n = GetTempPathW(MAX_PATH, folder);
    if (n == 0 || n > MAX_PATH) return ds_string();
    return FromWide(folder);
  }

  bool WriteWholeFile(const ds_string& path, const BYTE* data, size_t size) override {
    HANDLE file = CreateFileW(AsWide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    while (ok && size > 0) {
      DWORD chunk = size > 0x10000000u ? 0x10000000u : static_cast<DWORD>(size);
      DWORD written = 0;
      ok = WriteFile(file, data, chunk, &written, nullptr) && written == chunk;
      data += chunk;
      size -= chunk;
    }
    ok = CloseHandle(file) && ok;
    if (!ok) DeleteFileW(AsWide(path));
    return ok;
  }
};

}  // namespace

TrackFiles& SystemTrackFiles() {
  static Win32TrackFiles files;
  return files;
}

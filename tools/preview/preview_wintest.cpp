// The preview as scripts/preview runs it, as a process of its own: its window's client area and its frames
// have exactly the size asked and the window lies on the screen, its pictures are placed as the program
// places them by default, and --slides writes one frame of every slide, named after it, in the middle of
// its show time. The frames are kept in build/<tag>frames/preview_tests/.
#include <gtest/gtest.h>

#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

#include <memory>
#include <string>
#include <vector>

#include "support/wait_for_win.h"

namespace {

const DWORD kTimeoutMs = 180000;  // a start on a machine busy with parallel test jobs takes long

std::string FramesDir(const std::string& name) {
  const std::string top = LUMI_FRAMES_DIR;
  CreateDirectoryA(top.c_str(), nullptr);
  CreateDirectoryA((top + "/preview_tests").c_str(), nullptr);
  const std::string dir = top + "/preview_tests/" + name;
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

struct Image {
  UINT width = 0, height = 0;
  std::vector<DWORD> argb;
  DWORD at(UINT x, UINT y) const { return argb[static_cast<size_t>(y) * width + x]; }
};

class GdiPlus {
 public:
  GdiPlus() {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token_, &input, nullptr);
  }
  ~GdiPlus() { Gdiplus::GdiplusShutdown(token_); }

 private:
  ULONG_PTR token_ = 0;
};

// The PNG's pixels; empty when it cannot be read.
Image ReadPng(const std::string& path) {
  Image image;
  const std::wstring wide(path.begin(), path.end());
  Gdiplus::Bitmap bitmap(wide.c_str());
  if (bitmap.GetLastStatus() != Gdiplus::Ok) return image;
  image.width = bitmap.GetWidth();
  image.height = bitmap.GetHeight();
  image.argb.resize(static_cast<size_t>(image.width) * image.height);
  for (UINT y = 0; y < image.height; ++y)
    for (UINT x = 0; x < image.width; ++x) {
      Gdiplus::Color c;
      bitmap.GetPixel(static_cast<INT>(x), static_cast<INT>(y), &c);
      image.argb[static_cast<size_t>(y) * image.width + x] = c.GetValue();
    }
  return image;
}

// One run of the preview; ended when the test is done with it.
class Preview {
 public:
  explicit Preview(const std::wstring& args) {
    const std::wstring exe = LUMI_PREVIEW_EXE;
    std::wstring line = L"\"" + exe + L"\" " + args;
    const std::wstring dir = exe.substr(0, exe.find_last_of(L"/\\"));
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) {
      CloseHandle(pi.hThread);
      process_ = pi.hProcess;
      id_ = pi.dwProcessId;
    }
  }
  ~Preview() {
    if (process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_, 99);
      WaitForSingleObject(process_, 5000);
    }
    if (process_) CloseHandle(process_);
  }
  Preview(const Preview&) = delete;
  Preview& operator=(const Preview&) = delete;

  bool Started() const { return process_ != nullptr; }
  bool Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
  // The exit code, or STILL_ACTIVE when the process did not end in time.
  DWORD WaitExit(DWORD timeoutMs) const {
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
  }
  // Its visible top-level window.
  HWND Window() const {
    Find find = {id_, nullptr};
    EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&find));
    return find.found;
  }

 private:
  struct Find {
    DWORD id;
    HWND found;
  };
  static BOOL CALLBACK FindVisible(HWND w, LPARAM l) {
    Find* f = reinterpret_cast<Find*>(l);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != f->id || !IsWindowVisible(w)) return TRUE;
    f->found = w;
    return FALSE;
  }

  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

using lumi_test::WaitFor;

bool IsBlack(DWORD c) { return (c & 0x00FFFFFF) == 0; }

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// The embedded scene's first frame, its first slide fully shown: "Dusk over the lake", a 4:3 picture,
// in windows of other shapes.
TEST(Preview, WindowAndFramesHaveTheSizeAskedAndThePictureIsPlacedAsByTheProgram) {
  GdiPlus gdiplus;
  const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
  struct Case {
    const char* name;
    int width, height;  // 0: the screen's
    const char* position;
    bool bars;  // black bars beside the picture
  } cases[] = {
      {"default-640x360", 640, 360, "", false},  // the program's default: Fill
      {"fit-640x360", 640, 360, "--position fit", true},
      {"stretch-300x500", 300, 500, "--position stretch", false},
      {"default-screen", 0, 0, "", false},  // no room for a frame: borderless
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int width = c.width ? c.width : screenW, height = c.height ? c.height : screenH;
    const std::string dir = FramesDir(c.name);
    const std::string frame = dir + "/preview-000.png";
    DeleteFileA(frame.c_str());
    char size[32];
    wsprintfA(size, "%dx%d", width, height);
    Preview p(Wide(std::string("--size ") + size + " " + c.position + " --frames-every 1000 --out \"" + dir + "\""));
    ASSERT_TRUE(p.Started());
    ASSERT_TRUE(WaitFor([&] { return Exists(frame) || !p.Running(); }, kTimeoutMs));
    ASSERT_TRUE(p.Running()) << "ended with " << p.WaitExit(0) << " before its first frame";

    HWND w = p.Window();
    ASSERT_NE(w, nullptr);
    RECT client = {}, outer = {};
    GetClientRect(w, &client);
    GetWindowRect(w, &outer);
    EXPECT_EQ(client.right, width);
    EXPECT_EQ(client.bottom, height);
    EXPECT_GE(outer.left, 0);
    EXPECT_GE(outer.top, 0);
    EXPECT_LE(outer.right, screenW);
    EXPECT_LE(outer.bottom, screenH);

    PostMessageW(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.WaitExit(30000), 0u);

    const Image image = ReadPng(frame);
    ASSERT_FALSE(image.argb.empty()) << frame;
    EXPECT_EQ(image.width, static_cast<UINT>(width));
    EXPECT_EQ(image.height, static_cast<UINT>(height));
    const DWORD edge = image.at(1, image.height / 2), centre = image.at(image.width / 2, image.height / 2);
    EXPECT_FALSE(IsBlack(centre)) << std::hex << centre;
    EXPECT_EQ(IsBlack(edge), c.bars) << std::hex << edge;
  }
}

// Two slides of plain colours with fades: a frame of each, named after the slide, fully shown.
TEST(Preview, SlidesWritesAFrameOfEverySlideInTheMiddleOfItsShow) {
  GdiPlus gdiplus;
  const std::string dir = FramesDir("slides");
  const std::string files[] = {dir + "/01-red.png", dir + "/02-blue-sky-at-noon.png"};
  const DWORD colours[] = {0xFFFF0000, 0xFF0000FF};
  for (const std::string& f : files) DeleteFileA(f.c_str());

  Preview p(Wide(std::string("--document \"") + LUMI_PREVIEW_TWO_SLIDES + "\" --size 320x200 --slides --out \"" +
                 dir + "\""));
  ASSERT_TRUE(p.Started());
  ASSERT_EQ(p.WaitExit(kTimeoutMs), 0u);
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(files[i]);
    const Image image = ReadPng(files[i]);
    ASSERT_FALSE(image.argb.empty());
    EXPECT_EQ(image.width, 320u);
    EXPECT_EQ(image.height, 200u);
    // Fill: the picture covers the frame; no fade darkens it.
    EXPECT_EQ(image.at(160, 100), colours[i]) << std::hex << image.at(160, 100);
    EXPECT_EQ(image.at(0, 0), colours[i]) << std::hex << image.at(0, 0);
  }
}

}  // namespace

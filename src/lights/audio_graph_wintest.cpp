#include "lights/audio_graph_win.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/tone_wav.h"

namespace {

typedef std::vector<BYTE> Bytes;

// A file in the temporary folder, unique to this process, removed at the end of the test.
class TempFile {
 public:
  explicit TempFile(const std::string& label) {
    ds_string folder = SystemTrackFiles().TempFolder();
    std::string name = "lumi-sound-" + label + "-" + std::to_string(GetCurrentProcessId()) + ".wav";
    path_ = folder + ds_string(name.begin(), name.end());
  }
  ~TempFile() { DeleteFileW(AsWide(path_)); }
  const ds_string& Path() const { return path_; }
  bool Write(const Bytes& b) { return SystemTrackFiles().WriteWholeFile(path_, b.data(), b.size()); }

 private:
  ds_string path_;
};

// A window that receives the graph's notifications; every WM_GRAPH_EVENT goes to onGraphEvent.
class NotifyWindow {
 public:
  NotifyWindow() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LumiSoundTestWindow";
    RegisterClassW(&wc);
    hwnd_ = CreateWindowW(L"LumiSoundTestWindow", L"", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    current_ = this;
  }
  ~NotifyWindow() {
    current_ = nullptr;
    DestroyWindow(hwnd_);
  }
  HWND Handle() const { return hwnd_; }

  std::function<void()> onGraphEvent;
  int notifications = 0;

  // Dispatches messages until done() holds or the time runs out; returns done().
  bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (!done()) {
      if (GetTickCount() - start > milliseconds) return false;
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
  }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_GRAPH_EVENT && current_) {
      ++current_->notifications;
      if (current_->onGraphEvent) current_->onGraphEvent();
      return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
  }

  HWND hwnd_ = nullptr;
  static NotifyWindow* current_;
};
NotifyWindow* NotifyWindow::current_ = nullptr;

DS_AudioFile TrackAt(const ds_string& path) {
  DS_AudioFile track;
  track.data.name = path;
  return track;
}

class AudioGraphTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(AudioGraph::Init(window.Handle())); }
  void TearDown() override { AudioGraph::Release(); }

  int GraphFilterCount() {
    int n = 0;
    IEnumFilters* list = nullptr;
    if (FAILED(AudioGraph::Builder()->EnumFilters(&list))) return -1;
    IBaseFilter* f = nullptr;
    while (list->Next(1, &f, nullptr) == S_OK) {
      ++n;
      f->Release();
    }
    list->Release();
    return n;
  }

  LONG GraphVolumeNow() {
    long v = 1;
    if (FAILED(AudioGraph::Audio()->get_Volume(&v))) return 1;
    return v;
  }

  NotifyWindow window;
};

TEST_F(AudioGraphTest, WavTrackPlaysToItsEndAndReportsCompletion) {
  TempFile wav("complete");
  ASSERT_TRUE(wav.Write(ToneWav(200)));
  DS_AudioFile track = TrackAt(wav.Path());
  std::vector<int> codes;
  window.onGraphEvent = [&] {  // one event per notification
    int code = AudioGraph::GetEvent();
    if (code != -1) codes.push_back(code);
  };
  ASSERT_TRUE(AudioGraph::PlayAudioFile(&track));
  auto completed = [&] {
    for (int c : codes) {
      if (c == kGraphEventComplete) return true;
    }
    return false;
  };
  EXPECT_TRUE(window.PumpUntil(completed, 10000));
  EXPECT_EQ(AudioGraph::GetEvent(), -1);
}

TEST_F(AudioGraphTest, VolumeIsKeptAndGivenToEveryTrack) {
  TempFile wav("volume");
  ASSERT_TRUE(wav.Write(ToneWav(2000)));
  DS_AudioFile track = TrackAt(wav.Path());

  // Set before any track is in the graph: the first track starts with it.
  AudioGraph::SetVolume(50, false);
  ASSERT_TRUE(AudioGraph::PlayAudioFile(&track));
  EXPECT_EQ(GraphVolumeNow(), -2000);

  struct Case {
    int volume;
    bool mute;
    LONG expected;
  } cases[] = {{100, false, 0}, {100, true, -10000}, {0, false, -4000}, {0, true, -10000}};
  for (const Case& c : cases) {
    AudioGraph::SetVolume(c.volume, c.mute);
    EXPECT_EQ(GraphVolumeNow(), c.expected) << c.volume << (c.mute ? " muted" : "");
  }

  // The next track, with a renderer of its own, keeps the volume.
  AudioGraph::SetVolume(50, false);
  ASSERT_TRUE(AudioGraph::PlayAudioFile(&track));
  EXPECT_EQ(GraphVolumeNow(), -2000);
}

TEST_F(AudioGraphTest, UnplayableTrackPlaysNothing) {
  TempFile notSound("not-sound");
  ASSERT_TRUE(notSound.Write(Bytes(4000, 0x5A)));
  TempFile missing("missing");
  struct Case {
    const char* label;
    ds_string path;
  } cases[] = {
      {"missing file", missing.Path()},
      {"empty name", u""},
      {"folder", SystemTrackFiles().TempFolder()},
      {"not a sound", notSound.Path()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    DS_AudioFile track = TrackAt(c.path);
    EXPECT_FALSE(AudioGraph::PlayAudioFile(&track));
  }
  EXPECT_FALSE(AudioGraph::PlayAudioFile(nullptr));
  EXPECT_FALSE(AudioGraph::RenderSource(nullptr));
  // No completion follows.
  int completions = 0;
  window.onGraphEvent = [&] {
    for (int code; (code = AudioGraph::GetEvent()) != -1;) completions += code == kGraphEventComplete;
  };
  window.PumpUntil([] { return false; }, 500);
  EXPECT_EQ(completions, 0);
}

TEST_F(AudioGraphTest, RepeatedPlaysDoNotPileUpFilters) {
  TempFile wav("repeat");
  ASSERT_TRUE(wav.Write(ToneWav(1000)));
  DS_AudioFile track = TrackAt(wav.Path());
  ASSERT_TRUE(AudioGraph::PlayAudioFile(&track));
  int first = GraphFilterCount();
  EXPECT_GE(first, 2);
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(AudioGraph::PlayAudioFile(&track));
    EXPECT_EQ(GraphFilterCount(), first);
  }
  // A track that fails leaves nothing behind either.
  DS_AudioFile missing = TrackAt(u"C:\\no such folder\\none.wav");
  EXPECT_FALSE(AudioGraph::PlayAudioFile(&missing));
  EXPECT_EQ(GraphFilterCount(), 0);
}

TEST_F(AudioGraphTest, PlaylistAdvancesOnCompletionPassesOverBrokenTracksAndWraps) {
  TempFile a("list-a"), b("list-b");
  ASSERT_TRUE(a.Write(ToneWav(150)));
  ASSERT_TRUE(b.Write(ToneWav(150)));
  std::vector<DS_AudioFile> tracks = {TrackAt(a.Path()), TrackAt(u"C:\\no such folder\\gone.wav"), TrackAt(b.Path())};
  std::vector<int> started;
  SoundPlaylist playlist;
  SoundPlaylist::PlayTrack play = [&](int i) {
    bool ok = AudioGraph::PlayAudioFile(&tracks[i]);
    if (ok) started.push_back(i);
    return ok;
  };
  int count = static_cast<int>(tracks.size());
  window.onGraphEvent = [&] { AudioGraph::HandleEvents(playlist, count, play); };
  EXPECT_EQ(playlist.Start(count, play), 0);
  EXPECT_TRUE(window.PumpUntil([&] { return started.size() >= 4; }, 15000));
  EXPECT_EQ(started, (std::vector<int>{0, 2, 0, 2}));
}

TEST(AudioGraphWithoutGraph, CallsDoNothing) {
  AudioGraph::Release();
  DS_AudioFile track = TrackAt(u"C:\\x.wav");
  EXPECT_FALSE(AudioGraph::PlayAudioFile(&track));
  EXPECT_FALSE(AudioGraph::PlayFile(u"C:\\x.wav"));
  EXPECT_EQ(AudioGraph::GetEvent(), -1);
  AudioGraph::SetVolume(50, true);
  AudioGraph::Stop();
  AudioGraph::Release();
}

}  // namespace

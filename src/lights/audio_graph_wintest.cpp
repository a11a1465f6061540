#include "lights/audio_graph_win.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

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

// 0.3 s of a tone as MPEG-1 Layer III, 32 kHz mono, 32 kbit/s: the compact form for embedded tracks.
const char kToneMp3Hex[] =
    "fffb18c4000006642540f4f08021030c274338a00000256d23001a64ec9d93b2e6a3844a01c8005803f06f90b51b3bf7f7040100401089"
    "c1f07fa3cbea3947407fa3dfd1efe8f7f4024146090b3d02107c024a0808b1190ca46628b9a10266489a19d4425ae2e531cb6a4a882480"
    "cf814456115f88a211e8f7fc887c3e054efd40d094247bf962a7544d2427980700a9fffb18c40382077031141de48000d78463259f6c88"
    "814020980e020184a86918cc98d1a4acbf1df118d98ff99e188a8961885849181880517bc0402ae2c00c4811756f4bf97faffffed00d86"
    "b022af7b344cf16305c303066992a97b9c76011183a0f005238c207c2a00adae1433344cccfeaf651f7feafebfd033ff55b27d55000000"
    "02bb42046634feb5a4e502a8c0fffb18c4080206d8251f8c7b4460e104a2d9af708078164c485a4cd230234c020360f44433014be4c45d"
    "e96dae10af9deb5a11e9fe9fbadfedffaba4243580fab465531c082a644110461e6609fc5a7cccb8193c71c130092a1c264695ecf2c8ac"
    "0458adde85633a3fa7fa7bff4597637a87bdcb00000882502095a05cf000a31a8cd252306110731e8e7137251db30bfffb18c40e030788"
    "27152d7b8440eb062205af6c8871af39b14cc84040e0da6636f0245e92a1fbeff9fd729bbfbfa11fabc8fffe9a50081d4100c0cc70834a"
    "74e84430c50c733dc9e33e731a3310d3393f2eb3103a0b87a3a30b7822728b17f9dfaafedca77514ff4d7f67f6ff77f76b69cc552cc988"
    "133b0d1261720a067ccfcc7d8a038618a6466558198d48c60a0bfffb18c4100206b431100d7b8440ac83a6743e60568240497ac3a19adc"
    "b5cffa9fd7fff653fffb5dffff600dd51b488019582ca9d111818c61da383858843a0abb268ada059c26aab94eadea58ea3fa7fb7fb3eb"
    "ffbd0000004a5fd20526a0dbc0a2e380e08ee600402da0f4b55d099ebdd705abefebd556bfede8eded19166f4ff480018214ac1800c291"
    "328a0dadf3fffb18c41d020584212f84f74270e004e251af708808211e3281f70395220c30de22a3aa9f0c8e130707124da63f70e4beb8"
    "270cf6f67e97febfebfffefff42a842bb2ec1890267071c35a615810866f2cf07a1c26861c45bc74fa81533240c4fd68cf8c729eddeec3"
    "9fdbfaffddfdffd9f4b8acd9508f0c2529ea4184a03899a4c889e4303c984914f1bf6d19b1c986fffb18c42803c6442b120d7b6440c586"
    "22419f6c888816754099cc35572b397fdd57eafe8fe8fffeda652b492d4542058d987986020022a60faa14663e2036e0d05b0e80903310"
    "8cc3e06070252b996c0d7ae06e67f9dfffeef6d5fd5fffe86e2aa02a0c2840c0ad321a0c0310524c0d4497ceff8ccc9f38c8b011632468"
    "3a1e0155139b07cb2a6f5ff73f96fe9fe8fffffb18c43383c6c027120d7f8440ca062241aff480fefa65c600000c020000a009982a8349"
    "829838840b719ba4e09b7e88f984906c989d04d9806025028110c00001176baed6e8cb1e7d7fca811b69300557490965c3644c4ce07433"
    "24c3e783b318c4775d6b282edbdea6c36c1402265c700b2c73dd65df27c6608a1388a8c92fc83917372285c345a2ca49ffc9f2f9fffb18"
    "c43c8006a4291615e30001911ae897350000b9385c342f97d68b527a3ff9b970b8817cbe9970d10181d2ae0efe5c3e0800c3f54490525a"
    "e073172732521a942912689d333e572b99a01804024bc9147648910d088f0340d415582a75478441da20abb2c7b9254c414d45332e3130"
    "30555555555555555555555555555555555555555555555555555555555555fffb18c42d03c6503f0a1cf3000000003480000004555555"
    "55555555555555555555555555555555555555555555555555555555555555555555555555555555555555555555555555555555555555"
    "55555555555555555555555555555555555555555555555555555555555555555555555555555555555555555555555555555555555555"
    "55555555555555555555";

Bytes FromHex(const char* hex) {
  Bytes b;
  auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
  for (; hex[0] && hex[1]; hex += 2) b.push_back(static_cast<BYTE>(nibble(hex[0]) * 16 + nibble(hex[1])));
  return b;
}

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

TEST_F(AudioGraphTest, CompressedTrackPlaysToItsEnd) {
  TempFile mp3("compressed");
  ASSERT_TRUE(mp3.Write(FromHex(kToneMp3Hex)));
  DS_AudioFile track = TrackAt(mp3.Path());
  bool completed = false;
  window.onGraphEvent = [&] { completed = completed || AudioGraph::GetEvent() == kGraphEventComplete; };
  ASSERT_TRUE(AudioGraph::PlayAudioFile(&track));
  EXPECT_TRUE(window.PumpUntil([&] { return completed; }, 10000));
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

// Threads of this process now.
int ProcessThreads() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  int n = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    n += entry.th32OwnerProcessID == GetCurrentProcessId();
  CloseHandle(snapshot);
  return n;
}

// A looping playlist tries a track that failed again on every round; under Wine every source that
// could not be opened kept a thread and its stack for the rest of the run.
TEST_F(AudioGraphTest, TracksThatCannotBeOpenedLeaveNoThreadBehind) {
  TempFile wav("settle");
  ASSERT_TRUE(wav.Write(ToneWav(100)));
  DS_AudioFile playable = TrackAt(wav.Path());
  ASSERT_TRUE(AudioGraph::PlayAudioFile(&playable));  // the graph's own threads are up
  AudioGraph::Stop();
  TempFile missing("gone");
  struct Case {
    const char* label;
    ds_string path;
  } cases[] = {{"missing file", missing.Path()}, {"folder", SystemTrackFiles().TempFolder()}};
  const int before = ProcessThreads();
  ASSERT_GT(before, 0);
  constexpr int kRounds = 8;
  for (const Case& c : cases) {
    DS_AudioFile track = TrackAt(c.path);
    for (int i = 0; i < kRounds; ++i) EXPECT_FALSE(AudioGraph::PlayAudioFile(&track)) << c.label;
    EXPECT_FALSE(AudioGraph::PlayFile(c.path)) << c.label;
  }
  Sleep(200);
  // A few threads may come and go on their own; one per attempt would be 18.
  EXPECT_LE(ProcessThreads(), before + 3);
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

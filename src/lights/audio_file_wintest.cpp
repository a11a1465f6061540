#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lights/audio_file.h"
#include "lights/audio_graph_win.h"
#include "support/tone_wav.h"

namespace {

typedef std::vector<BYTE> Bytes;

ds_string Text(const std::string& s) { return ds_string(s.begin(), s.end()); }

// A base name unique to this process and label.
ds_string UniqueName(const char* label) {
  return Text(std::string("lumi-embed-") + label + "-" + std::to_string(GetCurrentProcessId()) + ".wav");
}

Bytes ReadWholeFile(const ds_string& path) {
  Bytes b;
  HANDLE f = CreateFileW(AsWide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return b;
  BYTE chunk[4096];
  DWORD got = 0;
  while (ReadFile(f, chunk, sizeof chunk, &got, nullptr) && got > 0) b.insert(b.end(), chunk, chunk + got);
  CloseHandle(f);
  return b;
}

DS_AudioFile EmbeddedTrack(const ds_string& recorded, const Bytes& payload) {
  DS_AudioFile track;
  track.data.name = recorded;
  track.data.SetBytes(static_cast<INT>(payload.size()), payload.data());
  return track;
}

TEST(EmbeddedTrack, MissingRecordedFileIsWrittenToTheTemporaryFolderAndPlays) {
  TrackFiles& files = SystemTrackFiles();
  ds_string recorded = u"C:\\no such folder\\" + UniqueName("missing");
  ds_string target = files.TempFolder() + TemporaryTrackName(recorded, 7);
  DeleteFileW(AsWide(target));

  Bytes wav = ToneWav(100);
  DS_AudioFile track = EmbeddedTrack(recorded, wav);
  EXPECT_TRUE(track.MakePlayable(7, files));
  EXPECT_EQ(track.FileName(), target);
  EXPECT_TRUE(track.data.Empty());
  EXPECT_EQ(ReadWholeFile(target), wav);

  ASSERT_TRUE(AudioGraph::Init(nullptr));
  EXPECT_TRUE(AudioGraph::PlayAudioFile(&track));
  AudioGraph::Release();
  DeleteFileW(AsWide(target));
}

TEST(EmbeddedTrack, ExistingRecordedFileIsPlayedFromDiskAndNothingIsWritten) {
  TrackFiles& files = SystemTrackFiles();
  ds_string recorded = files.TempFolder() + UniqueName("existing");
  Bytes onDisk = ToneWav(100);
  ASSERT_TRUE(files.WriteWholeFile(recorded, onDisk.data(), onDisk.size()));
  ds_string target = files.TempFolder() + TemporaryTrackName(recorded, 2);
  DeleteFileW(AsWide(target));

  DS_AudioFile track = EmbeddedTrack(recorded, {1, 2, 3});
  EXPECT_TRUE(track.MakePlayable(2, files));
  EXPECT_EQ(track.FileName(), recorded);
  EXPECT_TRUE(track.data.Empty());
  EXPECT_EQ(GetFileAttributesW(AsWide(target)), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ReadWholeFile(recorded), onDisk);
  DeleteFileW(AsWide(recorded));
}

TEST(EmbeddedTrack, FailedWriteKeepsTheBytesAndTheRecordedName) {
  TrackFiles& files = SystemTrackFiles();
  ds_string recorded = u"C:\\no such folder\\" + UniqueName("blocked");
  // A folder where the file should go makes the write fail.
  ds_string target = files.TempFolder() + TemporaryTrackName(recorded, 3);
  ASSERT_TRUE(CreateDirectoryW(AsWide(target), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);

  DS_AudioFile track = EmbeddedTrack(recorded, {1, 2, 3});
  EXPECT_FALSE(track.MakePlayable(3, files));
  EXPECT_EQ(track.FileName(), recorded);
  EXPECT_EQ(track.data.Size(), 3);
  RemoveDirectoryW(AsWide(target));
}

TEST(SystemTrackFiles, WriteReplacesTheWholeFileAndExistenceIgnoresFolders) {
  TrackFiles& files = SystemTrackFiles();
  ds_string path = files.TempFolder() + UniqueName("replace");
  const BYTE longer[] = {1, 2, 3, 4, 5, 6}, shorter[] = {9, 8};
  ASSERT_TRUE(files.WriteWholeFile(path, longer, sizeof longer));
  ASSERT_TRUE(files.WriteWholeFile(path, shorter, sizeof shorter));
  EXPECT_EQ(ReadWholeFile(path), (Bytes{9, 8}));
  EXPECT_TRUE(files.FileExists(path));
  DeleteFileW(AsWide(path));
  EXPECT_FALSE(files.FileExists(path));
  EXPECT_FALSE(files.FileExists(files.TempFolder()));
  EXPECT_FALSE(files.FileExists(u""));
  ds_string folder = files.TempFolder();
  EXPECT_TRUE(folder.back() == u'\\');
}

}  // namespace

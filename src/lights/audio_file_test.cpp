#include "lights/audio_file.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

namespace {

typedef std::vector<BYTE> Bytes;

void PutString(Bytes* b, const char* ascii) {
  size_t n = std::char_traits<char>::length(ascii);
  b->insert(b->end(), {0xFF, 0xFE, 0xFF, static_cast<BYTE>(n)});
  for (size_t i = 0; i < n; ++i) b->insert(b->end(), {static_cast<BYTE>(ascii[i]), 0});
}

void PutInt32(Bytes* b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b->push_back(static_cast<BYTE>(v >> (8 * i)));
}

DS_AudioFile* ReadTrack(const Bytes& bytes) {
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> reader(&buffer);
  DS_IOF_Virtual* stream = &reader;
  return DS_AudioFile::CreateFromStream(&stream);
}

Bytes SaveTrack(DS_AudioFile& track) {
  DS_IOF_W writer;
  DS_IOF_Virtual* stream = &writer;
  track.Save(&stream);
  return writer.TakeBytes();
}

TEST(AudioFileSection, StoredLayoutIsNameThenSizeBytesAndFileName) {
  DS_AudioFile track;
  track.name = u"a";
  track.data.name = u"b";
  const BYTE payload[] = {7, 9};
  track.data.SetBytes(2, payload);

  Bytes expected;
  PutString(&expected, "DS_AudioFile");
  PutInt32(&expected, 1);
  PutString(&expected, "a");
  PutInt32(&expected, 2);
  expected.insert(expected.end(), {7, 9});
  PutString(&expected, "b");
  EXPECT_EQ(SaveTrack(track), expected);
}

TEST(AudioFileSection, ReadMirrorsSaveWithAndWithoutBytes) {
  struct Case {
    const char* label;
    ds_string name;
    ds_string file;
    Bytes payload;
  } cases[] = {
      {"embedded", u"Rain", u"C:\\sounds\\rain.wav", {1, 2, 3, 4, 5}},
      {"file only", u"Wind", u"C:\\sounds\\wind.mp3", {}},
      {"empty strings", u"", u"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    DS_AudioFile track;
    track.name = c.name;
    track.data.name = c.file;
    track.data.SetBytes(static_cast<INT>(c.payload.size()), c.payload.data());
    Bytes stored = SaveTrack(track);
    // Followed by the next object's bytes, which the read must leave alone.
    stored.push_back(0xAB);

    ResourceBuffer buffer(stored.data(), stored.size());
    DS_IOF_R<ResourceBuffer> reader(&buffer);
    DS_IOF_Virtual* stream = &reader;
    std::unique_ptr<DS_AudioFile> back(DS_AudioFile::CreateFromStream(&stream));
    EXPECT_EQ(back->name, c.name);
    EXPECT_EQ(back->FileName(), c.file);
    EXPECT_EQ(Bytes(back->data.Data(), back->data.Data() + back->data.Size()), c.payload);
    EXPECT_EQ(buffer.Remaining(), 1u);
  }
}

TEST(AudioFileSection, CutSectionIsAFormatError) {
  DS_AudioFile track;
  track.data.name = u"C:\\x.wav";
  const BYTE payload[] = {1, 2, 3};
  track.data.SetBytes(3, payload);
  Bytes stored = SaveTrack(track);
  for (size_t keep : {size_t(0), size_t(10), stored.size() - 1}) {
    SCOPED_TRACE(keep);
    Bytes cut(stored.begin(), stored.begin() + keep);
    EXPECT_THROW(delete ReadTrack(cut), DocFormatError);
  }
}

TEST(TemporaryTrackName, TakesTheLastPartOfTheRecordedName) {
  struct Case {
    ds_string recorded;
    int index;
    ds_string expected;
  } cases[] = {
      {u"C:\\sounds\\rain.mp3", 0, u"lumivane-0-rain.mp3"},
      {u"rain.wav", 2, u"lumivane-2-rain.wav"},
      {u"music/loop.wav", 1, u"lumivane-1-loop.wav"},
      {u"C:loop.wav", 0, u"lumivane-0-loop.wav"},
      {u"D:\\a/b\\c/d.wav", 3, u"lumivane-3-d.wav"},
      {u"a/../../x", 0, u"lumivane-0-x"},
      {u"..\\..\\evil.wav", 0, u"lumivane-0-evil.wav"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TemporaryTrackName(c.recorded, c.index), c.expected);
  }
}

TEST(TemporaryTrackName, EmptyOrDotNamesGetAGeneratedName) {
  for (ds_string recorded : {u"", u".", u"..", u"C:\\dir\\", u"sub\\..", u"sub/.", u"C:", u"x/"}) {
    EXPECT_EQ(TemporaryTrackName(recorded, 4), u"lumivane-4-track");
  }
}

class FakeTrackFiles : public TrackFiles {
 public:
  std::map<ds_string, Bytes> disk;
  ds_string temp = u"C:\\Temp\\";
  bool writesFail = false;
  int writes = 0;

  bool FileExists(const ds_string& path) override { return disk.count(path) != 0; }
  ds_string TempFolder() override { return temp; }
  bool WriteWholeFile(const ds_string& path, const BYTE* data, size_t size) override {
    ++writes;
    if (writesFail) return false;
    disk[path] = Bytes(data, data + size);
    return true;
  }
};

struct EmbeddedTrack {
  DS_AudioFile track;
  EmbeddedTrack(const ds_string& file, const Bytes& payload) {
    track.data.name = file;
    track.data.SetBytes(static_cast<INT>(payload.size()), payload.data());
  }
};

TEST(MakePlayable, ExistingFileWinsAndTheBytesAreDropped) {
  FakeTrackFiles files;
  files.disk[u"C:\\sounds\\rain.wav"] = {9};
  EmbeddedTrack t(u"C:\\sounds\\rain.wav", {1, 2, 3});
  EXPECT_TRUE(t.track.MakePlayable(0, files));
  EXPECT_EQ(files.writes, 0);
  EXPECT_TRUE(t.track.data.Empty());
  EXPECT_EQ(t.track.FileName(), u"C:\\sounds\\rain.wav");
}

TEST(MakePlayable, MissingFileIsWrittenToTheTemporaryFolder) {
  for (ds_string temp : {u"C:\\Temp\\", u"C:\\Temp", u"C:/Temp/"}) {
    SCOPED_TRACE(std::string(temp.begin(), temp.end()));
    FakeTrackFiles files;
    files.temp = temp;
    EmbeddedTrack t(u"C:\\sounds\\rain.wav", {1, 2, 3});
    EXPECT_TRUE(t.track.MakePlayable(5, files));
    ds_string folder = temp.back() == u'\\' || temp.back() == u'/' ? temp : temp + u"\\";
    ds_string target = folder + u"lumivane-5-rain.wav";
    EXPECT_EQ(t.track.FileName(), target);
    EXPECT_TRUE(t.track.data.Empty());
    ASSERT_EQ(files.disk.count(target), 1u);
    EXPECT_EQ(files.disk[target], (Bytes{1, 2, 3}));
  }
}

TEST(MakePlayable, FailedWriteKeepsTheBytesAndTheRecordedName) {
  struct Case {
    const char* label;
    bool writesFail;
    ds_string temp;
  } cases[] = {
      {"write fails", true, u"C:\\Temp\\"},
      {"no temporary folder", false, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FakeTrackFiles files;
    files.writesFail = c.writesFail;
    files.temp = c.temp;
    EmbeddedTrack t(u"C:\\sounds\\rain.wav", {1, 2, 3});
    EXPECT_FALSE(t.track.MakePlayable(0, files));
    EXPECT_EQ(t.track.FileName(), u"C:\\sounds\\rain.wav");
    EXPECT_EQ(t.track.data.Size(), 3);
  }
}

TEST(MakePlayable, TracksSharingABaseNameKeepTheirOwnData) {
  FakeTrackFiles files;
  EmbeddedTrack a(u"C:\\one\\loop.wav", {1});
  EmbeddedTrack b(u"D:\\two\\loop.wav", {2});
  EXPECT_TRUE(a.track.MakePlayable(0, files));
  EXPECT_TRUE(b.track.MakePlayable(1, files));
  EXPECT_NE(a.track.FileName(), b.track.FileName());
  EXPECT_EQ(files.disk[a.track.FileName()], Bytes{1});
  EXPECT_EQ(files.disk[b.track.FileName()], Bytes{2});
}

TEST(MakePlayable, TrackWithoutBytesIsLeftAsItIs) {
  FakeTrackFiles files;
  DS_AudioFile track;
  track.data.name = u"C:\\missing.wav";
  EXPECT_TRUE(track.MakePlayable(0, files));
  EXPECT_EQ(files.writes, 0);
  EXPECT_EQ(track.FileName(), u"C:\\missing.wav");
}

}  // namespace

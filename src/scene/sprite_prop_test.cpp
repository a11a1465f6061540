#include "scene/sprite_prop.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "scene/doc_res_manager.h"
#include "scene/readers.h"
#include "scene/screen_mapping.h"
#include "scene/stream.h"
#include "support/counting_observer.h"
#include "support/recording_render_device.h"

namespace {

class TestSprites : public DS_BaseSpriteProp {
 public:
  TestSprites() = default;
  TestSprites(const TestSprites& o) = default;
  DS_ABObj* CreateRenderObject() override { return nullptr; }
};

std::vector<BYTE> Saved(const DS_IOF_Item& item) {
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  const_cast<DS_IOF_Item&>(item).Save(&s);
  return w.TakeBytes();
}

void ReadInto(DS_BaseSpriteProp* item, const std::vector<BYTE>& bytes) {
  ResourceBuffer buf(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> r(&buf);
  DS_IOF_Virtual* s = &r;
  item->ReadBase(&s);
  EXPECT_EQ(buf.Remaining(), 0u);
}

DocResourceRecord Record(INT id, const ds_string& module, const char* bytes, const ds_string& name) {
  DocResourceRecord r(id, module);
  r.blob.SetBytes(static_cast<INT>(std::char_traits<char>::length(bytes)), bytes);
  r.blob.name = name;
  return r;
}

// A sprite section of any version, laid out as that version stores it, with distinctive values.
std::vector<BYTE> OldSection(DWORD version, UINT clockSpeed, int legacyFrames) {
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  WriteSectionHeader(&s, u"DS_BaseSpriteProp", version);
  TestSprites view;
  view.DS_ViewObjCtrl::SaveBase(&s);
  w.WriteUInt(7);                          // count
  if (version < 3) w.WriteUInt(clockSpeed);
  w.WriteUInt(16);                         // size
  w.WriteUInt(40);                         // transparency
  w.WriteInt(1);                           // blend mode
  w.WriteDword(0x000000FF);                // colour
  for (float f : {0.5f, 0.1f, 0.9f, 0.75f, 1.25f}) w.WriteFloat(f);
  if (version < 2) {
    w.WriteDword(static_cast<DWORD>(legacyFrames));
    for (int i = 0; i < legacyFrames; ++i) w.WriteResourceRecord(Record(0, u"", "\x04\x04" "frame", u"frame.png"));
    w.WriteResourceRecord(Record(12, u"basekit.dll", "", u""));
  } else {
    w.WriteString(u"basekit.dll");
    w.WriteInt64(75);
    w.WriteString(u"");
    w.WriteInt64(0);
  }
  w.WriteUInt(2);
  w.WriteFloat(3.5f);
  w.WriteUInt(4);
  w.WriteFloat(12.0f);
  w.WriteBool(true);
  if (version < 2) {
    w.WriteDword(2);
    w.WriteFloat(0.1f);
    w.WriteFloat(0.2f);
    return w.TakeBytes();
  }
  if (version < 4) return w.TakeBytes();
  w.WriteInt(1);  // module image set
  if (version < 5) return w.TakeBytes();
  w.WriteInt(1);
  w.WriteInt(1);
  if (version < 6) return w.TakeBytes();
  w.WriteInt(1);
  return w.TakeBytes();
}

TEST(SpritePropTest, DefaultsAndDefaultSectionSize) {
  TestSprites item;
  EXPECT_EQ(item.count.GetValue(), 1u);
  EXPECT_EQ(item.transparency.GetResult(), 255);
  EXPECT_EQ(item.colour.GetValue(), 0x00FFFFFFu);
  EXPECT_EQ(item.phaseMax, 1.0f);
  EXPECT_EQ(item.frameCount, 1u);
  EXPECT_EQ(Saved(item).size(), 272u);
}

TEST(SpritePropTest, EveryVersionReadsItsOwnLayout) {
  struct Case {
    DWORD version;
    UINT speed;  // the item clock's speed after reading
    int moduleImageSet, flips, refill;
  } cases[] = {
      {2, 25, 0, 0, 0}, {3, 50, 0, 0, 0}, {4, 50, 1, 0, 0},
      {5, 50, 1, 1, 0}, {6, 50, 1, 1, 1}, {9, 50, 1, 1, 1},  // newer versions read as the newest
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    TestSprites item;
    ReadInto(&item, OldSection(c.version, 25, 0));
    EXPECT_EQ(item.speed.GetValue(), c.speed);
    EXPECT_EQ(item.count.GetValue(), 7u);
    EXPECT_EQ(item.size.GetValue(), 16u);
    EXPECT_EQ(item.blendMode.GetValue(), 1);
    EXPECT_EQ(item.colour.GetValue(), 0x000000FFu);
    EXPECT_EQ(item.sizeFactorMax, 1.25f);
    EXPECT_EQ(item.image.GetKey(), DocFileKey(u"basekit.dll", 75));
    EXPECT_EQ(item.frameCount, 4u);
    EXPECT_TRUE(item.animated);
    EXPECT_EQ(item.moduleImageSet, c.moduleImageSet);
    EXPECT_EQ(item.verticalFlip.GetValue(), c.flips);
    EXPECT_EQ(item.horizontalFlip.GetValue(), c.flips);
    EXPECT_EQ(item.refillOnFrameChange.GetValue(), c.refill);
    EXPECT_TRUE(item.legacyFrames.empty());
  }

  // The oldest version: clock speed, legacy frames, second image and durations.
  TestSprites old;
  ReadInto(&old, OldSection(1, 25, 2));
  EXPECT_EQ(old.speed.GetValue(), 25u);
  old.Advance(0.1f);
  EXPECT_NEAR(old.delta, 0.05f, 1e-6);  // half of real time
  EXPECT_EQ(old.legacyFrames.size(), 2u);
  EXPECT_EQ(old.legacyFrames.front().blob.name, u"frame.png");
  EXPECT_EQ(old.legacySecondImage.resourceId, 12);
  EXPECT_EQ(old.legacyDurations, (std::vector<float>{0.1f, 0.2f}));
  EXPECT_TRUE(old.image.GetName().empty());
  EXPECT_EQ(old.moduleImageSet, 0);
}

TEST(SpritePropTest, OnlyTheTransparencyIsAnnouncedOnRead) {
  TestSprites item;
  CountingObserver onAlpha, onImage, onCount;
  item.transparency.AddObserver(&onAlpha);
  item.image.AddObserver(&onImage);
  item.count.AddObserver(&onCount);
  ReadInto(&item, OldSection(6, 0, 0));
  EXPECT_EQ(item.transparency.GetResult(), 153);  // 255 - 2.55 * 40
  EXPECT_EQ(onAlpha.calls, 1);
  EXPECT_EQ(onImage.calls, 0);
  EXPECT_EQ(onCount.calls, 0);
  ReadInto(&item, OldSection(6, 0, 0));
  EXPECT_EQ(onAlpha.calls, 1);  // the same value again: nobody told
  item.transparency.RemoveObserver(&onAlpha);
  item.image.RemoveObserver(&onImage);
  item.count.RemoveObserver(&onCount);
}

TEST(SpritePropTest, SectionRoundTripsAndCopiesCarryEveryField) {
  TestSprites item;
  ReadInto(&item, OldSection(6, 0, 0));
  item.secondImage.Raw() = DocFileKey(u"C:\\second.png", 99);
  item.legacyDurations = {0.5f};
  item.legacyFrames.push_back(Record(0, u"", "xy", u"f.png"));
  const std::vector<BYTE> bytes = Saved(item);
  TestSprites back;
  ReadInto(&back, bytes);
  EXPECT_EQ(Saved(back), bytes);

  TestSprites copy(item);
  EXPECT_EQ(Saved(copy), bytes);
  EXPECT_EQ(copy.transparency.GetResult(), 153);
  EXPECT_EQ(copy.count.UndoControl().History().Size(), 0u);
  EXPECT_EQ(copy.secondImage.GetKey(), item.secondImage.GetKey());
  ASSERT_EQ(copy.legacyFrames.size(), 1u);
  EXPECT_NE(copy.legacyFrames.front().blob.Data(), item.legacyFrames.front().blob.Data());  // deep
  EXPECT_EQ(copy.legacyDurations, item.legacyDurations);
}

TEST(SpritePropTest, NextFrameWrapsAtTheFrameCount) {
  struct Case {
    UINT frames, i, next;
  } cases[] = {{4, 3, 0}, {4, 1, 2}, {1, 0, 0}, {1, 5, 0}, {0, 7, 0}};
  for (const Case& c : cases) {
    TestSprites item;
    item.frameCount = c.frames;
    EXPECT_EQ(item.NextFrame(c.i), c.next) << c.frames << " " << c.i;
  }
}

TEST(SpritePropTest, RecordListsReadFreshRecordsAndStopAtTheEnd) {
  DS_IOF_W w;
  w.WriteDword(1);
  w.WriteResourceRecord(Record(3, u"m.dll", "", u"empty"));
  w.WriteDword(0xFFFFFFFFu);  // a count far beyond the bytes that follow
  w.WriteResourceRecord(Record(4, u"m.dll", "abc", u"one"));
  ResourceBuffer buf(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> r(&buf);
  DS_IOF_Virtual* s = &r;

  std::list<DocResourceRecord> list;
  list.push_back(Record(1, u"kept.dll", "old", u"kept"));
  ReadDocResourceRecordList(&s, &list);
  ASSERT_EQ(list.size(), 2u);  // appended
  // A record read over one that held bytes keeps none of them.
  DocResourceRecord& target = list.front();
  ResourceBuffer again(w.Bytes().data() + 4, w.Bytes().size() - 4);
  DS_IOF_R<ResourceBuffer> r2(&again);
  DS_IOF_Virtual* s2 = &r2;
  ReadDocResourceRecord(&s2, &target);
  EXPECT_EQ(target.blob.Size(), 0);
  EXPECT_EQ(target.blob.Data(), nullptr);
  EXPECT_EQ(target.blob.name, u"empty");
  EXPECT_EQ(target.resourceId, 3);

  std::list<DocResourceRecord> huge;
  EXPECT_THROW(ReadDocResourceRecordList(&s, &huge), DocFormatError);
  EXPECT_EQ(huge.size(), 1u);
}

// Oldest-version image data turns into links through the document's resource manager.
class LegacyImagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = g_DocResManager;
    manager_.reset(new DS_DocResManager);
    g_DocResManager = manager_.get();
  }
  void TearDown() override {
    g_DocResManager = previous_;
    manager_.reset();
  }
  lumi_test::RecordingRenderDevice device_;
  std::unique_ptr<DS_DocResManager> manager_;
  DS_DocResManager* previous_ = nullptr;
};

TEST_F(LegacyImagesTest, FramesBecomeOneImageSetAndTheSecondImageItsLink) {
  TestSprites item;
  ReadInto(&item, OldSection(1, 50, 2));
  const int n = g_FileLinkCounter;
  item.ResolveLegacyImages();
  EXPECT_EQ(item.image.GetKey(), DocFileKey(u"frame.png", n));
  EXPECT_EQ(item.secondImage.GetKey(), DocFileKey(u"basekit.dll", 12));
  EXPECT_EQ(manager_->Maps().textureSets[item.image.GetKey()].frames.size(), 2u);
  EXPECT_TRUE(item.legacyFrames.empty());
  EXPECT_TRUE(item.legacyDurations.empty());
  EXPECT_EQ(item.legacySecondImage.resourceId, 12);  // the second image's record stays
}

TEST_F(LegacyImagesTest, NothingToResolveLeavesTheLinks) {
  // An item that names its image keeps it even when legacy data is present.
  TestSprites named;
  ReadInto(&named, OldSection(6, 0, 0));
  named.legacyFrames.push_back(Record(0, u"", "\x04\x04" "x", u"x.png"));
  named.ResolveLegacyImages();
  EXPECT_EQ(named.image.GetKey(), DocFileKey(u"basekit.dll", 75));
  EXPECT_EQ(named.legacyFrames.size(), 1u);

  // An oldest-version item without frames, and a newer one with an empty image name, keep empty links.
  TestSprites noFrames;
  ReadInto(&noFrames, OldSection(1, 50, 0));
  noFrames.ResolveLegacyImages();
  EXPECT_TRUE(noFrames.image.GetName().empty());
  EXPECT_EQ(noFrames.secondImage.GetKey(), DocFileKey(u"basekit.dll", 12));

  TestSprites unnamed;
  unnamed.ResolveLegacyImages();
  EXPECT_TRUE(unnamed.image.GetName().empty());
  EXPECT_TRUE(unnamed.secondImage.GetName().empty());
  EXPECT_TRUE(manager_->Maps().textureSets.count(DocFileKey()) == 0);
}

TEST_F(LegacyImagesTest, SavingRegistersBothImagesWithTheDocument) {
  TestSprites item;
  item.image.Raw() = DocFileKey(u"basekit.dll", 75);
  item.secondImage.Raw() = DocFileKey(u"basekit.dll", 76);
  manager_->Maps().resourceData[item.image.GetKey()].push_back(Record(75, u"basekit.dll", "ab", u""));
  Saved(item);
  const auto& saved = manager_->Maps().savedImages;
  ASSERT_EQ(saved.count(item.image.GetKey()), 1u);
  EXPECT_EQ(saved.at(item.image.GetKey()).size(), 1u);
  EXPECT_EQ(saved.count(item.secondImage.GetKey()), 1u);
}

}  // namespace

#include "scene/file_link.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "scene/doc_res_manager.h"
#include "scene/stream.h"
#include "support/counting_observer.h"

#ifdef _WIN32
#include <sys/utime.h>
#else
#include <utime.h>
#endif

namespace {

TEST(FileLinkTest, KeysFromModulesAndRecords) {
  DS_FileLink3 a(75, u"basekit.dll"), b(76, u"basekit.dll");
  EXPECT_NE(a.GetKey(), b.GetKey());
  EXPECT_TRUE(a.GetKey() < b.GetKey());
  // A proper prefix sorts first whatever the stamps.
  EXPECT_TRUE(DS_FileLink3(900, u"base").GetKey() < DS_FileLink3(1, u"basekit.dll").GetKey());

  EXPECT_EQ(DS_FileLink3(-2, u"m.dll").GetStamp(), -2);  // an id is sign-extended

  DocResourceRecord moduleRecord(-2, u"m.dll");
  moduleRecord.blob.name = u"ignored";
  DS_FileLink3 fromModule(moduleRecord);
  EXPECT_EQ(fromModule.GetName(), u"m.dll");
  EXPECT_EQ(fromModule.GetStamp(), 0xFFFFFFFELL);  // a record's id is widened without sign

  DocResourceRecord fileRecord;
  fileRecord.blob.name = u"C:\\pics\\a.png";
  const int n = g_FileLinkCounter;
  DS_FileLink3 first(fileRecord), second(fileRecord);
  EXPECT_EQ(first.GetName(), u"C:\\pics\\a.png");
  EXPECT_EQ(first.GetStamp(), n);
  EXPECT_EQ(second.GetStamp(), n + 1);
  EXPECT_EQ(g_FileLinkCounter, n + 2);
  EXPECT_EQ(DS_FileLink3(moduleRecord).GetStamp(), 0xFFFFFFFELL);
  EXPECT_EQ(g_FileLinkCounter, n + 2);  // records with an id take no number
}

TEST(FileLinkTest, PathKeysCarryTheLastWriteTime) {
  const std::string path = ::testing::TempDir() + "lumi_file_link_stamp.txt";
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("x", f);
  std::fclose(f);
  struct utimbuf times;
  times.actime = 1000000000;
  times.modtime = 1234567890;
  ASSERT_EQ(utime(path.c_str(), &times), 0);

  ds_string wide(path.begin(), path.end());
  DS_FileLink3 link(wide);
  EXPECT_EQ(link.GetName(), wide);
  EXPECT_EQ(link.GetStamp(), 1234567890);
  std::remove(path.c_str());

  DS_FileLink3 missing(wide);
  EXPECT_EQ(missing.GetStamp(), 0);
  EXPECT_EQ(DS_FileLink3(ds_string()).GetStamp(), 0);
}

TEST(FileLinkTest, ExtensionFromTheLastDotInLowerCase) {
  struct Case {
    const char16_t* name;
    const char16_t* extension;
  } cases[] = {
      {u"basekit.dll", u".dll"},
      {u"BASEKIT.DLL", u".dll"},
      {u"noext", u""},
      {u"", u""},
      {u"C:\\dir.v2\\File", u".v2\\file"},  // the only dot lies in a folder name
      {u"a.b.PnG", u".png"},
      {u"x.\u00C9\u0130\uFFFF", u".\u00C9\u0130\uFFFF"},  // only ASCII letters are lowered
  };
  for (const Case& c : cases) {
    ds_string out = u"stale";
    DS_FileLink3 link(DocFileKey(c.name, 0));
    EXPECT_EQ(*link.GetExtension(&out), ds_string(c.extension));
  }
}

TEST(FileLinkTest, ReadAndWriteNameAndStampWithoutNotifying) {
  DS_IOF_W w;
  DS_IOF_Virtual* ws = &w;
  WriteFileLink(&ws, DS_FileLink3(75, u"basekit.dll"));
  WriteFileLink(&ws, DS_FileLink3(DocFileKey(u"", -7)));

  DS_ImageFileLink link(DS_FileLink3(DocFileKey(u"old.png", 5)));
  CountingObserver c;
  link.AddObserver(&c);
  ResourceBuffer buf(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> r(&buf);
  DS_IOF_Virtual* rs = &r;
  ReadFileLink(&rs, &link);
  EXPECT_EQ(link.GetKey(), DocFileKey(u"basekit.dll", 75));
  ReadFileLink(&rs, &link);  // a stored empty name empties the name
  EXPECT_EQ(link.GetKey(), DocFileKey(u"", -7));
  EXPECT_EQ(c.calls, 0);
  EXPECT_EQ(link.UndoControl().Snapshot(), DocFileKey(u"old.png", 5));
  EXPECT_EQ(buf.Remaining(), 0u);
  EXPECT_THROW(ReadFileLink(&rs, &link), DocFormatError);
  link.RemoveObserver(&c);
}

TEST(FileLinkTest, WritingALinkKeepsItsDataWithTheDocument) {
  DS_DocResManager manager;
  DS_DocResManager* previous = g_DocResManager;
  g_DocResManager = &manager;
  DocResourceMaps& maps = manager.Maps();
  const DocFileKey key(u"fx.dll", 9);
  DocResourceRecord record(9, u"fx.dll");
  const BYTE bytes[] = {1, 2, 3};
  record.blob.SetBytes(3, bytes);
  maps.resourceData[key].push_back(record);

  DS_IOF_W w;
  DS_IOF_Virtual* ws = &w;
  WriteFileLink(&ws, DS_HLSLEffectFile(9, u"fx.dll"));
  ASSERT_EQ(maps.savedData[key].size(), 1u);
  EXPECT_EQ(maps.savedData[key][0].blob.Size(), 3);
  WriteFileLink(&ws, DS_HLSLEffectFile(DocFileKey(u"", 9)));  // an empty link keeps nothing
  EXPECT_EQ(maps.savedData.size(), 1u);
  g_DocResManager = previous;
}

TEST(ImageFileLinkTest, UndoControlComesFirstAndFollowsTheKey) {
  DS_ImageFileLink link(75, u"basekit.dll");
  ASSERT_EQ(link.Observers().size(), 1u);
  EXPECT_EQ(link.Observers()[0], &link.UndoControl());
  EXPECT_EQ(link.UndoControl().Snapshot(), link.GetKey());
  EXPECT_EQ(link.UndoControl().History().Size(), 0u);

  CountingObserver c;
  link.AddObserver(&c);
  DS_ImageFileLink copy(link);
  EXPECT_EQ(copy.GetKey(), link.GetKey());
  EXPECT_EQ(copy.Observers().size(), 1u);

  DS_ImageFileLink assigned;
  assigned = link;
  EXPECT_EQ(assigned.UndoControl().Snapshot(), DocFileKey(u"basekit.dll", 75));
  EXPECT_EQ(c.calls, 0);

  EXPECT_FALSE(link.Change(DocFileKey(u"basekit.dll", 75)));
  EXPECT_TRUE(link.Change(DocFileKey(u"basekit.dll", 76)));
  EXPECT_EQ(c.calls, 1);
  EXPECT_EQ(link.UndoControl().Snapshot(), DocFileKey(u"basekit.dll", 76));
  link.RemoveObserver(&c);
}

TEST(ImageFileLinkTest, UndoAndRedoAlwaysWriteAndNotify) {
  const DocFileKey k1(u"a.png", 1), k2(u"b.png", 2);
  DS_ImageFileLink link{DS_FileLink3(k1)};
  CountingObserver c;
  link.AddObserver(&c);
  DS_ImageFileLink::UndoImage& u = link.UndoControl();

  u.Store();
  link.Change(k2);
  c.calls = 0;
  u.Undo();
  EXPECT_EQ(link.GetKey(), k1);
  EXPECT_EQ(c.calls, 1);
  EXPECT_EQ(c.lastSender, &u);
  u.Redo();
  EXPECT_EQ(link.GetKey(), k2);
  EXPECT_EQ(c.calls, 2);
  // Nothing left to redo: the key is written back and announced all the same.
  u.Redo();
  EXPECT_EQ(link.GetKey(), k2);
  EXPECT_EQ(c.calls, 3);

  // The history is bounded like every other.
  for (int i = 0; i < 25; ++i) {
    u.Store();
    link.Change(DocFileKey(u"n.png", i + 10));
  }
  EXPECT_EQ(u.History().Size(), 20u);
  link.RemoveObserver(&c);
}

TEST(ImageFileLinkTest, DestroyingALinkDetachesItsOtherObservers) {
  struct Detached : MediaControl {
    int detaches = 0;
    void OnChanged(MediaControl*) override {}
    void Detach() override { ++detaches; }
  } d;
  {
    DS_ImageFileLink link;
    link.AddObserver(&d);
  }
  EXPECT_EQ(d.detaches, 1);
}

}  // namespace

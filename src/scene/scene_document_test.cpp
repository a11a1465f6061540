#include "scene/scene_document.h"

#include <gtest/gtest.h>

#include "scene/doc_res_manager.h"
#include "scene/readers.h"
#include "support/fake_module_resources.h"
#include "support/recording_render_device.h"

namespace {

// A stand-in scene root: its section holds a count and that many scene items of a test class, read by
// name through a registry like the real slide show's.
struct TestItem {
  virtual ~TestItem() {}
  INT value = 0;
  static TestItem* CreateAndRead(DS_IOF_Virtual** s, DWORD) {
    std::unique_ptr<TestItem> item(new TestItem);
    (*s)->ReadInt(&item->value);
    return item.release();
  }
};

ReaderRegistry<TestItem>& TestItems() {
  static ReaderRegistry<TestItem> registry;
  static bool filled = RegisterClassReader<TestItem>(registry, u"TestItem");
  (void)filled;
  return registry;
}

int g_liveRoots = 0;

struct TestRoot {
  TestRoot() { ++g_liveRoots; }
  ~TestRoot() { --g_liveRoots; }
  DWORD version = 0;
  std::vector<std::unique_ptr<TestItem>> items;
};

DS_SlideShow_Light* ReadTestRoot(DS_IOF_Virtual** s) {
  std::unique_ptr<TestRoot> root(new TestRoot);
  root->version = ReadSectionHeader(s);
  DWORD n = 0;
  (*s)->ReadDword(&n);
  for (DWORD i = 0; i < n; ++i) root->items.emplace_back(CreateFromRegistry(TestItems(), s));
  return reinterpret_cast<DS_SlideShow_Light*>(root.release());
}

void DestroyTestRoot(DS_SlideShow_Light* root) { delete reinterpret_cast<TestRoot*>(root); }

TestRoot* AsTest(DS_SlideShow_Light* root) { return reinterpret_cast<TestRoot*>(root); }

// header, a root with the given item class names, a manager section of the given version with one
// stored data entry, then a trailing int.
std::vector<BYTE> Document(const ds_string& header, const std::vector<ds_string>& items, DWORD managerVersion) {
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  w.WriteString(header);
  WriteSectionHeader(&s, u"DS_SlideShow_Light", 1);
  w.WriteDword(static_cast<DWORD>(items.size()));
  for (size_t i = 0; i < items.size(); ++i) {
    WriteSectionHeader(&s, items[i], 1);
    w.WriteInt(static_cast<INT>(i) + 10);
  }
  WriteSectionHeader(&s, u"DS_DocResManager", managerVersion);
  w.WriteDword(0);
  w.WriteDword(0);
  w.WriteDword(1);
  w.WriteString(u"leaf.x");
  w.WriteInt64(0);
  WriteRecordVector(&s, {DocResourceRecord()});
  w.WriteDword(0);
  w.WriteInt(0x12345678);
  return w.TakeBytes();
}

class SceneDocumentTest : public testing::Test {
 protected:
  void SetUp() override {
    SetSceneRootReader({ReadTestRoot, DestroyTestRoot});
    g_DocResManager = nullptr;
  }
  void TearDown() override {
    delete g_DocResManager;
    g_DocResManager = nullptr;
    SetSceneRootReader({nullptr, nullptr});
    EXPECT_EQ(g_liveRoots, 0);
    EXPECT_EQ(device.LiveTextures(), 0);
  }
  void Embed(std::vector<BYTE> bytes) { modules.AddDds(nullptr, kSceneDocumentId, std::move(bytes)); }

  FakeModuleResources modules;
  lumi_test::RecordingRenderDevice device;
};

TEST_F(SceneDocumentTest, LoadsRootThenManagerWhateverTheHeader) {
  for (const char16_t* header : {u"KTF v 4.0.0", u"something else", u""}) {
    SCOPED_TRACE(testing::PrintToString(ds_string(header)));
    Embed(Document(header, {u"TestItem", u"TestItem"}, 3));
    std::unique_ptr<TestRoot> root(AsTest(LoadSceneDocument()));
    ASSERT_TRUE(root);
    ASSERT_EQ(root->items.size(), 2u);
    EXPECT_EQ(root->items[1]->value, 11);
    ASSERT_NE(g_DocResManager, nullptr);
    EXPECT_EQ(g_DocResManager->Maps().savedData.size(), 1u);
    delete g_DocResManager;
    g_DocResManager = nullptr;
  }
}

TEST_F(SceneDocumentTest, ManagerVersionReachesItsReader) {
  // A version-1 manager section stops after the frame times: its data map is not read.
  Embed(Document(u"KTF v 4.0.0", {}, 1));
  std::unique_ptr<TestRoot> root(AsTest(LoadSceneDocument()));
  ASSERT_NE(g_DocResManager, nullptr);
  EXPECT_TRUE(g_DocResManager->Maps().savedData.empty());
}

TEST_F(SceneDocumentTest, MissingOrEmptyDocumentThrowsTheDocumentError) {
  DS_DocResManager* before = reinterpret_cast<DS_DocResManager*>(&modules);
  g_DocResManager = before;
  try {
    LoadSceneDocument();
    ADD_FAILURE() << "no document loaded";
  } catch (unsigned int e) {
    EXPECT_EQ(e, kNoSceneDocument);
  }
  Embed({});
  EXPECT_THROW(LoadSceneDocument(), unsigned int);
  EXPECT_EQ(g_DocResManager, before);
  g_DocResManager = nullptr;
}

TEST_F(SceneDocumentTest, DamagedDocumentsFailTheWholeLoad) {
  DS_DocResManager* before = reinterpret_cast<DS_DocResManager*>(&modules);
  struct Case {
    const char* name;
    std::vector<BYTE> bytes;
  } cases[] = {
      {"header cut short", {0xFF, 0xFE, 0xFF}},
      {"header only", Document(u"KTF", {}, 3)},
      {"unknown item class", Document(u"KTF", {u"TestItem", u"NoSuchItem"}, 3)},
      {"item class in other letter case", Document(u"KTF", {u"testitem"}, 3)},
  };
  cases[1].bytes.resize(4 + 6);
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    Embed(c.bytes);
    g_DocResManager = before;
    EXPECT_THROW(LoadSceneDocument(), DocFormatError);
    EXPECT_EQ(g_DocResManager, before);
    EXPECT_EQ(g_liveRoots, 0);
  }
  g_DocResManager = nullptr;

  // Cut anywhere before the end of the manager section: a format error, nothing kept.
  std::vector<BYTE> full = Document(u"KTF v 4.0.0", {u"TestItem"}, 3);
  full.resize(full.size() - 4);
  for (size_t cut = 1; cut < full.size(); ++cut) {
    Embed(std::vector<BYTE>(full.begin(), full.begin() + cut));
    EXPECT_THROW(LoadSceneDocument(), DocFormatError) << "cut at " << cut;
    EXPECT_EQ(g_DocResManager, nullptr);
  }
}

TEST_F(SceneDocumentTest, NoRootReaderIsAFormatError) {
  SetSceneRootReader({nullptr, nullptr});
  Embed(Document(u"KTF v 4.0.0", {}, 3));
  EXPECT_THROW(LoadSceneDocument(), DocFormatError);
}

}  // namespace

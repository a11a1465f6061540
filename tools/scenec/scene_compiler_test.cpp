#include "scenec/scene_compiler.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "scene/doc_res_manager.h"
#include "scene/file_link.h"
#include "scene/guid_text.h"
#include "scene/readers.h"
#include "scene/scene_document.h"
#include "support/fake_module_resources.h"

namespace {

// A small scene root: an image link and a mesh link, saved the way scene items save theirs.
struct TestScene : DS_IOF_Item {
  DS_ImageFileLink image;
  DS_MeshFile mesh;
  void Save(DS_IOF_Virtual** s) override {
    WriteSectionHeader(s, u"TestScene", 1);
    g_DocResManager->RegisterImageForSave(image);
    WriteFileLink(s, image);
    WriteFileLink(s, mesh);
  }
};

DocFileKey Key(const SceneNode& n) {
  return DocFileKey(SceneBuildContext::TextArg(n, 0), SceneBuildContext::IntArg(n, 1));
}

std::unique_ptr<DS_IOF_Item> BuildTestScene(const SceneNode& node, SceneBuildContext&) {
  std::unique_ptr<TestScene> scene(new TestScene);
  for (const SceneNode& child : node.children) {
    if (child.keyword == "image") {
      scene->image.Raw() = Key(child);
    } else if (child.keyword == "mesh") {
      scene->mesh.Raw() = Key(child);
    } else {
      SceneBuildContext::Fail(child, "unknown statement");
    }
  }
  return scene;
}

DS_SlideShow_Light* ReadTestScene(DS_IOF_Virtual** s) {
  std::unique_ptr<TestScene> scene(new TestScene);
  ReadSectionHeader(s);
  ReadFileLink(s, &scene->image);
  ReadFileLink(s, &scene->mesh);
  return reinterpret_cast<DS_SlideShow_Light*>(scene.release());
}

void DestroyTestScene(DS_SlideShow_Light* p) { delete reinterpret_cast<TestScene*>(p); }

const char kScene[] =
    "header \"KTF v 4.0.0\"\n"
    "scene TestScene {\n"
    "  image \"forest.gif\" 7\n"
    "  mesh \"leaf.x\" 0\n"
    "}\n"
    "resources {\n"
    "  image \"forest.gif\" 7 {\n"
    "    record file \"pics/f1.gif\"\n"
    "    record module \"basekit.dll\" 75 name \"kit\"\n"
    "    times 0.5 0.25\n"
    "  }\n"
    "  data \"leaf.x\" 0 { record file \"leaf.x\" }\n"
    "  data \"unused.fx\" 0 { record file \"leaf.x\" }\n"
    "  mask 0123ABCD-4E5F-6789-ABCD-EF0123456789 \"wave\" false file \"mask.dds\"\n"
    "}\n";

bool TestFiles(const std::string& path, std::vector<BYTE>* out) {
  if (path == "missing") return false;
  out->assign(path.begin(), path.end());  // a file's bytes are its name
  return true;
}

class SceneCompilerTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterSceneBuilder("TestScene", BuildTestScene); }
  void SetUp() override { SetSceneRootReader({ReadTestScene, DestroyTestScene}); }
  void TearDown() override {
    SetSceneRootReader({nullptr, nullptr});
    delete g_DocResManager;
    g_DocResManager = nullptr;
  }
};

TEST_F(SceneCompilerTest, CompiledSceneLoadsBackWithItsResources) {
  std::vector<BYTE> doc = CompileScene(kScene, TestFiles);
  EXPECT_EQ(g_DocResManager, nullptr);  // the compiler's manager is gone again

  FakeModuleResources modules;
  modules.AddDds(nullptr, kSceneDocumentId, doc);
  std::unique_ptr<TestScene> scene(reinterpret_cast<TestScene*>(LoadSceneDocument()));
  EXPECT_EQ(scene->image.GetKey(), DocFileKey(u"forest.gif", 7));
  EXPECT_EQ(scene->mesh.GetKey(), DocFileKey(u"leaf.x", 0));

  DocResourceMaps& m = g_DocResManager->Maps();
  const TextureSet& image = m.textureSets[scene->image.GetKey()];
  EXPECT_EQ(image.frames.size(), 2u);
  EXPECT_EQ(image.durations, (std::vector<float>{0.5f, 0.25f}));
  const DocRecordVector& frames = m.resourceData[scene->image.GetKey()];
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].blob.name, u"pics/f1.gif");
  EXPECT_EQ(frames[0].blob.Size(), 11);
  EXPECT_EQ(frames[1].module, u"basekit.dll");
  EXPECT_EQ(frames[1].resourceId, 75);
  EXPECT_EQ(frames[1].blob.name, u"kit");
  EXPECT_EQ(frames[1].blob.Size(), 0);
  EXPECT_EQ(m.savedData.count(DocFileKey(u"leaf.x", 0)), 1u);
  EXPECT_EQ(m.savedData.count(DocFileKey(u"unused.fx", 0)), 1u);  // listed, so stored
  GUID wave;
  ASSERT_TRUE(ParseGuidText(u"{0123ABCD-4E5F-6789-ABCD-EF0123456789}", &wave));
  EXPECT_TRUE(g_DocResManager->HasGuidPicture(DocGuidKey(wave)));
  EXPECT_FALSE(g_DocResManager->HasGuidPicture(DocGuidKey(GUID())));
}

TEST_F(SceneCompilerTest, DefaultHeaderAndEmptyResources) {
  std::vector<BYTE> doc = CompileScene("scene TestScene {}\n", TestFiles);
  // header (4 + 22), the root (4 + 18, version, two empty links), an empty manager section (56)
  EXPECT_EQ(doc.size(), 26u + 26u + 2 * 12u + 56u);
  EXPECT_EQ(doc[3], 11);
}

TEST_F(SceneCompilerTest, ErrorsNameTheirLine) {
  struct Case {
    const char* text;
    int line;
    const char* says;
  } cases[] = {
      {"scene TestScene {}\nscene TestScene {}\n", 2, "second"},
      {"header \"x\"\n", 1, "no scene"},
      {"scene Nothing {}\n", 1, "no builder for class Nothing"},
      {"scene\n", 1, "argument 1"},
      {"bogus\nscene TestScene {}\n", 1, "unknown statement"},
      {"scene TestScene {\n image \"a\" x\n}\n", 2, "not an integer"},
      {"scene TestScene {}\nresources {\n data \"a\" 0 { record file \"missing\" }\n}\n", 3, "cannot read"},
      {"scene TestScene {}\nresources {\n data \"a\" 0 { record module \"m.dll\" }\n}\n", 3, "module takes"},
      {"scene TestScene {}\nresources {\n\n image \"a\" 0 { times 1 fast }\n}\n", 4, "not a number"},
      {"scene TestScene {}\nresources {\n mask nope \"w\" true file \"m\"\n}\n", 3, "not a GUID"},
      {"scene TestScene {}\nresources {\n mask \"{0123ABCD-4E5F-6789-ABCD-EF0123456789}\" \"w\" yes file \"m\"\n}\n", 3,
       "true or false"},
      {"scene TestScene {}\nresources {\n sound \"a\" 0\n}\n", 3, "in resources"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      CompileScene(c.text, TestFiles);
      ADD_FAILURE() << "compiled";
    } catch (const SceneTextError& e) {
      EXPECT_EQ(e.line(), c.line);
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
    EXPECT_EQ(g_DocResManager, nullptr);
  }
}

TEST(Utf8ToUtf16, ConvertsAndRejectsBrokenText) {
  EXPECT_EQ(Utf8ToUtf16("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), (ds_string{u'a', 0xE9, 0x20AC, 0xD83D, 0xDE00}));
  EXPECT_THROW(Utf8ToUtf16("\xC3"), std::runtime_error);
  EXPECT_THROW(Utf8ToUtf16("\xFF"), std::runtime_error);
}

#ifdef LUMI_DEMO_DOCUMENT
// Every build embeds the same demo document: a compilation of the description beside the build's
// document, with the same pictures and tones, gives it byte for byte.
TEST(DemoDocument, ItsDescriptionCompilesToTheSameBytesAgain) {
  std::string folder = LUMI_DEMO_DOCUMENT;
  folder.erase(folder.find_last_of('/') + 1);
  auto readFile = [](const std::string& path, std::vector<BYTE>* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
  };
  std::vector<BYTE> description, built;
  ASSERT_TRUE(readFile(folder + "demo.scene", &description)) << folder;
  ASSERT_TRUE(readFile(LUMI_DEMO_DOCUMENT, &built));
  const std::vector<BYTE> compiled = CompileScene(std::string(description.begin(), description.end()),
                                                  [&](const std::string& path, std::vector<BYTE>* out) {
                                                    return readFile(folder + path, out);
                                                  });
  EXPECT_TRUE(compiled == built) << compiled.size() << " bytes compiled, " << built.size() << " built";
}
#endif

}  // namespace

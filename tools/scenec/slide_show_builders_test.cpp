#include <gtest/gtest.h>

#include <memory>

#include "lights/light_2d.h"
#include "lights/slide.h"
#include "lights/slide_show.h"
#include "scenec/compiled_scene_fixture.h"

namespace {

bool Files(const std::string& path, std::vector<BYTE>* out) {
  if (path == "missing.wav") return false;
  out->assign(path.begin(), path.end());
  return true;
}

class SlideShowBuildersTest : public CompiledSceneTest {
 protected:
  std::unique_ptr<DS_SlideShow_Light> Load(const std::string& text) { return LoadDocument(text, Files); }
};

TEST_F(SlideShowBuildersTest, OmittedValuesKeepTheirDefaults) {
  std::unique_ptr<DS_SlideShow_Light> show = Load(
      "scene DS_SlideShow_Light {\n"
      "  slide DS_SlideContainer {}\n"
      "  slide DS_SlideContainer { show 3\n light DS_2D_Light { camera 1 150 40 } }\n"
      "  track DS_AudioFile { file \"a.wav\" }\n"
      "}\n");
  ASSERT_EQ(show->slides.size(), 2u);
  const DS_SlideContainer& plain = *show->slides[0];
  EXPECT_EQ(plain.fadeIn.GetValue(), 1u);
  EXPECT_EQ(plain.show.GetValue(), 10u);
  EXPECT_EQ(plain.fadeOut.GetValue(), 1u);
  ASSERT_TRUE(plain.picture) << "a slide without a light gets the plain picture light";
  EXPECT_EQ(plain.picture->picture.GetKey(), DocFileKey(u"basekit.dll", 5));
  const DS_SlideContainer& second = *show->slides[1];
  EXPECT_EQ(second.show.GetValue(), 3u);
  EXPECT_EQ(second.picture->camera.enable.GetValue(), 1);
  EXPECT_EQ(second.picture->camera.amplitude.GetValue(), 150u);
  EXPECT_EQ(second.picture->camera.speed.GetValue(), 40u);
  ASSERT_EQ(show->audioFiles.size(), 1u);
  EXPECT_EQ(show->audioFiles[0]->FileName(), u"a.wav");
  EXPECT_EQ(show->audioFiles[0]->data.Size(), 5);
  EXPECT_TRUE(show->audioFiles[0]->name.empty());
}

TEST_F(SlideShowBuildersTest, MistakesNameTheirLine) {
  struct Case {
    const char* body;
    int line;
    const char* says;
  } cases[] = {
      {"  slide DS_SlideContainer { fade-in -1 }\n", 2, "seconds"},
      {"  slide DS_SlideContainer { show 4294967296 }\n", 2, "seconds"},
      {"  slide DS_SlideContainer {\n light DS_2D_Light {}\n light DS_2D_Light {}\n }\n", 4, "one light"},
      {"  slide DS_SlideContainer { light DS_SlideContainer {} }\n", 2, "not a picture light"},
      {"  slide DS_AudioFile { file \"a.wav\" }\n", 2, "not a slide"},
      {"  slide DS_SlideContainer { colour red }\n", 2, "unknown statement colour"},
      {"  track DS_AudioFile { name \"no file\" }\n", 2, "needs its file"},
      {"  track DS_AudioFile { file \"missing.wav\" }\n", 2, "cannot read"},
      {"  slide DS_SlideContainer { light DS_2D_Light { picture \"a.jpg\" } }\n", 2, "argument 2"},
  };
  for (const Case& c : cases) {
    const std::string text = std::string("scene DS_SlideShow_Light {\n") + c.body + "}\n";
    int line = 0;
    std::string message = "compiled";
    try {
      CompileScene(text, Files);
    } catch (const SceneTextError& e) {
      line = e.line();
      message = e.what();
    }
    EXPECT_EQ(line, c.line) << c.body;
    EXPECT_NE(message.find(c.says), std::string::npos) << c.body << ": " << message;
  }
}

}  // namespace

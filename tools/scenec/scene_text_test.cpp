#include "scenec/scene_text.h"

#include <gtest/gtest.h>

namespace {

TEST(SceneText, StatementsArgumentsBlocksAndComments) {
  std::vector<SceneNode> nodes = ParseSceneText(
      "# scene\n"
      "header \"KTF v 4.0.0\"   # trailing comment\n"
      "scene Root {\n"
      "  image \"c:\\pics\\a b.png\" 12 { record file \"x#y.png\" }\n"
      "  empty {}\n"
      "}\n"
      "last\n");
  ASSERT_EQ(nodes.size(), 3u);
  EXPECT_EQ(nodes[0].keyword, "header");
  EXPECT_EQ(nodes[0].args, std::vector<std::string>{"KTF v 4.0.0"});
  EXPECT_FALSE(nodes[0].hasBlock);
  const SceneNode& scene = nodes[1];
  EXPECT_EQ(scene.line, 3);
  ASSERT_EQ(scene.children.size(), 2u);
  const SceneNode& image = scene.children[0];
  EXPECT_EQ(image.args, (std::vector<std::string>{"c:\\pics\\a b.png", "12"}));
  ASSERT_EQ(image.children.size(), 1u);
  EXPECT_EQ(image.children[0].args, (std::vector<std::string>{"file", "x#y.png"}));
  EXPECT_TRUE(scene.children[1].hasBlock);
  EXPECT_TRUE(scene.children[1].children.empty());
  EXPECT_EQ(nodes[2].line, 7);
}

TEST(SceneText, MalformedTextNamesTheLine) {
  struct Case {
    const char* text;
    int line;
  } cases[] = {
      {"a \"open\n", 1},
      {"a {\n b\n", 1},
      {"a\n}\n", 2},
      {"{\n", 1},
      {"\n\n\"x\"\n", 3},
      {"a { b { }\n", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      ParseSceneText(c.text);
      ADD_FAILURE() << "parsed";
    } catch (const SceneTextError& e) {
      EXPECT_EQ(e.line(), c.line);
    }
  }
}

}  // namespace

#include "picgen/object_pictures.h"

#include <gtest/gtest.h>

namespace {

PictureRequest Request(const std::string& kind, std::map<std::string, std::string> options = {}) {
  PictureRequest r;
  r.kind = kind;
  r.width = 64;
  r.height = 64;
  r.options = std::move(options);
  return r;
}

// The shapes the meshes rely on: where a picture is see-through and where it is solid.
TEST(ObjectPicturesTest, ShapesAreOpaqueWhereTheMeshShowsThemAndClearElsewhere) {
  struct Case {
    const char* kind;
    int solidX, solidY;  // a texel inside the shape
    int clearX, clearY;  // a texel outside it
  };
  const Case cases[] = {
      {"wing", 16, 20, 63, 63},      // fore wing near the hinge; far corner behind the hind wing
      {"clockface", 32, 32, 0, 0},   // centre; corner outside the disc
      {"hand", 32, 40, 2, 1},        // shaft; beside the point
      {"leaf", 32, 32, 0, 8},        // middle; beside the narrow tip
  };
  for (const Case& c : cases) {
    Picture p = DrawPicture(Request(c.kind));
    EXPECT_TRUE(p.hasAlpha()) << c.kind;
    EXPECT_GT(p.At(c.solidX, c.solidY).a, 0.99f) << c.kind;
    EXPECT_LT(p.At(c.clearX, c.clearY).a, 0.01f) << c.kind;
  }
  Picture body = DrawPicture(Request("body"));
  EXPECT_FALSE(body.hasAlpha());
}

TEST(ObjectPicturesTest, OptionsAreCheckedAndChangeThePicture) {
  EXPECT_THROW(DrawPicture(Request("wing", {{"palette", "green"}})), PictureRequestError);
  EXPECT_THROW(DrawPicture(Request("clockface", {{"seed", "1"}})), PictureRequestError);
  EXPECT_THROW(DrawPicture(Request("leaf", {{"seed", "x"}})), PictureRequestError);
  EXPECT_NE(DrawPicture(Request("wing", {{"palette", "amber"}})).Bytes(),
            DrawPicture(Request("wing", {{"palette", "azure"}})).Bytes());
  EXPECT_NE(DrawPicture(Request("leaf", {{"seed", "1"}})).Bytes(), DrawPicture(Request("leaf", {{"seed", "2"}})).Bytes());
}

}  // namespace

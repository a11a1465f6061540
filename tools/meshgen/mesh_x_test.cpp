#include "meshgen/mesh_x.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

namespace {

// Sum of A . (B x C) / 6: the enclosed volume, positive when every face is wound counter-clockwise seen
// from outside in a right-handed frame.
double SignedVolume(const GeneratedMesh& m) {
  double v = 0;
  for (size_t t = 0; t * 3 + 2 < m.indices.size(); ++t) {
    const MeshVertex& a = m.vertices[m.indices[3 * t]];
    const MeshVertex& b = m.vertices[m.indices[3 * t + 1]];
    const MeshVertex& c = m.vertices[m.indices[3 * t + 2]];
    v += (a.x * (b.y * c.z - b.z * c.y) - a.y * (b.x * c.z - b.z * c.x) + a.z * (b.x * c.y - b.y * c.x)) / 6.0;
  }
  return v;
}

TEST(MeshGenerator, BodyIsClosedAndWoundForPictureSpaceCulling) {
  const GeneratedMesh body = BuildMesh("body");
  // Every face wound the same way round: the signed volume is the whole volume, negative.
  double absolute = 0;
  for (size_t t = 0; t * 3 + 2 < body.indices.size(); ++t) {
    GeneratedMesh one;
    one.vertices = body.vertices;
    one.indices.assign(body.indices.begin() + 3 * t, body.indices.begin() + 3 * t + 3);
    absolute += std::fabs(SignedVolume(one));
  }
  const double v = SignedVolume(body);
  EXPECT_LT(v, 0);
  EXPECT_NEAR(-absolute, v, 1e-3 * absolute) << "some faces are wound the other way";
  // Head toward +z, about 40 units long, hinge line through the origin.
  float zmin = 1e9f, zmax = -1e9f;
  for (const MeshVertex& p : body.vertices) {
    zmin = std::fmin(zmin, p.z);
    zmax = std::fmax(zmax, p.z);
  }
  EXPECT_NEAR(40, zmax - zmin, 1e-3);
  EXPECT_LT(zmin, 0);
  EXPECT_GT(zmax, 0);
}

TEST(MeshGenerator, FlatMeshesLieWhereTheItemsExpectThem) {
  struct Case {
    const char* kind;
    float xmin, xmax, zmin, zmax;
  };
  const Case cases[] = {{"wing", 0, 36, -15, 15}, {"face", -50, 50, -50, 50}, {"leaf", -35, 35, -50, 50}};
  for (const Case& c : cases) {
    const GeneratedMesh m = BuildMesh(c.kind);
    float xmin = 1e9f, xmax = -1e9f, zmin = 1e9f, zmax = -1e9f;
    for (const MeshVertex& p : m.vertices) {
      xmin = std::fmin(xmin, p.x);
      xmax = std::fmax(xmax, p.x);
      zmin = std::fmin(zmin, p.z);
      zmax = std::fmax(zmax, p.z);
      EXPECT_GE(p.u, 0);
      EXPECT_LE(p.u, 1);
      EXPECT_GE(p.v, 0);
      EXPECT_LE(p.v, 1);
      if (std::string(c.kind) != "leaf") {
        EXPECT_FLOAT_EQ(0, p.y) << c.kind;
      }
    }
    EXPECT_FLOAT_EQ(c.xmin, xmin) << c.kind;
    EXPECT_FLOAT_EQ(c.xmax, xmax) << c.kind;
    EXPECT_FLOAT_EQ(c.zmin, zmin) << c.kind;
    EXPECT_FLOAT_EQ(c.zmax, zmax) << c.kind;
  }
  // The clock face's texture is upright: v = 0 at mesh +z.
  for (const MeshVertex& p : BuildMesh("face").vertices) EXPECT_FLOAT_EQ((50 - p.z) / 100, p.v);
}

TEST(MeshGenerator, TextXListsEveryVertexFaceAndCoordinate) {
  const std::string x = WriteTextX(BuildMesh("face"));
  EXPECT_EQ(0u, x.find("xof 0303txt 0032\n"));
  EXPECT_NE(std::string::npos, x.find("Mesh {\n4;\n-50.000000;0.000000;50.000000;,\n"));
  EXPECT_NE(std::string::npos, x.find("2;\n3;0,1,2;,\n3;2,1,3;;\n"));
  EXPECT_NE(std::string::npos, x.find("MeshTextureCoords {\n4;\n0.000000;0.000000;,\n"));
  EXPECT_NE(std::string::npos, x.find("1.000000;1.000000;;\n}\n}\n"));
  EXPECT_THROW(BuildMesh("teapot"), std::invalid_argument);
}

}  // namespace

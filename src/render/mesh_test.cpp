#include "render/mesh.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "render/ab_render.h"
#include "render/frame.h"
#include "render/quad_builders.h"
#include "scene/doc_res_manager.h"
#include "scene/file_link.h"
#include "support/fake_geometry.h"
#include "support/recording_render_device.h"
#include "support/saved_global.h"

namespace {

using lumi_test::RecordingRenderDevice;
using lumi_test::FakeIndexBuffer;
using lumi_test::FakeTexture;
using lumi_test::FakeVertexBuffer;

D3DXMATRIX Translation(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}

D3DXMATRIX Scaling(float s) {
  D3DXMATRIX m;
  D3DXMatrixScaling(&m, s, s, s);
  return m;
}

// Writes a fixed matrix and records which frames it animated, in order.
class RecordingAnimation : public DS_AnimationBase {
 public:
  RecordingAnimation(const D3DXMATRIX& m, std::vector<DS_Frame*>* log, int* deleted)
      : m_(m), log_(log), deleted_(deleted) {}
  ~RecordingAnimation() override {
    if (deleted_) ++*deleted_;
  }
  void Animate(DS_Frame* frame) override {
    if (log_) log_->push_back(frame);
    frame->world = m_;
  }

 private:
  D3DXMATRIX m_;
  std::vector<DS_Frame*>* log_;
  int* deleted_;
};

TEST(FrameTest, WorldIsLocalOrAnimationTimesParentParentFirst) {
  DS_Frame root, child, grandchild;
  root.local = Scaling(2);
  child.local = Translation(1, 0, 0);
  grandchild.local = Translation(0, 1, 0);
  root.children.push_back(&child);
  child.children.push_back(&grandchild);

  root.UpdateTransform(nullptr);
  EXPECT_EQ(root.world, root.local);
  EXPECT_EQ(child.world, Translation(1, 0, 0) * Scaling(2));
  EXPECT_EQ(grandchild.world, Translation(0, 1, 0) * Translation(1, 0, 0) * Scaling(2));

  // An animation replaces the local matrix and still works in its parent's space; the parent is
  // finished before the child's animation runs.
  std::vector<DS_Frame*> log;
  child.SetAnimation(new RecordingAnimation(Translation(0, 0, 5), &log, nullptr));
  root.SetAnimation(new RecordingAnimation(Scaling(3), &log, nullptr));
  D3DXMATRIX outer = Translation(10, 0, 0);
  root.UpdateTransform(&outer);
  EXPECT_EQ(log, (std::vector<DS_Frame*>{&root, &child}));
  EXPECT_EQ(root.world, Scaling(3) * outer);
  EXPECT_EQ(child.world, Translation(0, 0, 5) * Scaling(3) * outer);
  EXPECT_EQ(grandchild.world, grandchild.local * child.world);
  root.children.clear();
}

TEST(FrameTest, AnimationHasOneOwner) {
  int deleted = 0;
  {
    DS_Frame a;
    a.SetAnimation(new RecordingAnimation(Scaling(2), nullptr, &deleted));
    DS_Frame copy(a);
    EXPECT_EQ(copy.animation, nullptr);
    DS_Frame assigned;
    assigned = a;
    EXPECT_EQ(assigned.animation, nullptr);
    // Replacing deletes the old one.
    a.SetAnimation(new RecordingAnimation(Scaling(3), nullptr, &deleted));
    EXPECT_EQ(deleted, 1);
  }
  EXPECT_EQ(deleted, 2);
}

TEST(FrameTest, DestroyWithChildrenDeletesDirectChildrenAndTheirAnimations) {
  int deleted = 0;
  DS_Frame root;
  root.SetAnimation(new RecordingAnimation(Scaling(1), nullptr, &deleted));
  for (int i = 0; i < 3; ++i) {
    DS_Frame* child = new DS_Frame;
    child->SetAnimation(new RecordingAnimation(Scaling(1), nullptr, &deleted));
    root.children.push_back(child);
  }
  root.children.push_back(nullptr);  // tolerated by the teardown
  root.DestroyWithChildren();
  EXPECT_EQ(deleted, 4);
  EXPECT_TRUE(root.children.empty());
  EXPECT_EQ(root.animation, nullptr);
}

class MeshTest : public ::testing::Test {
 protected:
  RecordingRenderDevice device;
};

TEST_F(MeshTest, BuffersAreMadeWithTheVertexTypesLayout) {
  struct Case {
    DWORD fvf;
    UINT stride;
    HRESULT (*make)(UINT n);
  } cases[] = {
      {0x044, 20, [](UINT n) { DS_SimpleMesh<DX_V::RHWC> m; return m.CreateVertexBuffer(n, 0, D3DPOOL_MANAGED); }},
      {0x042, 16, [](UINT n) { DS_SimpleMesh<DX_V::PC> m; return m.CreateVertexBuffer(n, 0, D3DPOOL_MANAGED); }},
      {0x142, 24, [](UINT n) { DS_SimpleMesh<DX_V::PCT> m; return m.CreateVertexBuffer(n, 0, D3DPOOL_MANAGED); }},
      {0x144, 28, [](UINT n) { DS_SimpleMesh<DX_V::RHWCT> m; return m.CreateVertexBuffer(n, 0, D3DPOOL_MANAGED); }},
      {0x112, 32, [](UINT n) { DS_SimpleMesh<DX_V::PNT> m; return m.CreateVertexBuffer(n, 0, D3DPOOL_MANAGED); }},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(c.make(5), S_OK);
    EXPECT_EQ(device.lastVertexBuffer()->format, c.fvf);
    EXPECT_EQ(device.lastVertexBuffer()->data.size(), 5 * c.stride);
  }
  EXPECT_TRUE(device.AllReleased());
}

TEST_F(MeshTest, IndexedBuffersAreTriangleListsOfSixteenBitIndices) {
  DS_IndexedMesh<DX_V::PCT> mesh;
  EXPECT_EQ(mesh.primitiveType, D3DPT_TRIANGLESTRIP);
  ASSERT_EQ(mesh.CreateBuffers(8, 12), S_OK);
  EXPECT_EQ(mesh.primitiveType, D3DPT_TRIANGLELIST);
  EXPECT_EQ(mesh.vertexCount, 8u);
  EXPECT_EQ(mesh.triangleCount, 4u);
  EXPECT_EQ(mesh.primitiveCount, 0u);
  FakeIndexBuffer* ib = device.lastIndexBuffer();
  EXPECT_EQ(ib->format, (DWORD)D3DFMT_INDEX16);
  EXPECT_EQ(ib->usage, (DWORD)D3DUSAGE_WRITEONLY);
  EXPECT_EQ(ib->pool, D3DPOOL_MANAGED);
  EXPECT_GE(ib->data.size(), 12 * sizeof(WORD));
  EXPECT_EQ(device.lastVertexBuffer()->pool, D3DPOOL_MANAGED);
  // Recreating releases what was held.
  ASSERT_EQ(mesh.CreateBuffers(4, 6), S_OK);
  EXPECT_EQ(device.vertexBuffers[0]->refs, 0);
  EXPECT_EQ(device.indexBuffers[0]->refs, 0);
}

TEST_F(MeshTest, FailedCreationLeavesAnEmptyMeshThatWritersAndLocksSkip) {
  DS_SpriteArrayT<DX_V::PCT> sprites;
  device.failVertexBuffers = true;
  EXPECT_EQ(sprites.CreateQuads(3), 0u);
  EXPECT_EQ(sprites.vertexBuffer, nullptr);
  EXPECT_EQ(sprites.vertexCount, 0u);
  EXPECT_EQ(sprites.triangleCount, 0u);
  EXPECT_FALSE(sprites.CanDrawIndexed());
  EXPECT_EQ(sprites.LockVertices(), nullptr);
  EXPECT_EQ(sprites.LockIndices(), nullptr);

  device.failVertexBuffers = false;
  device.failIndexBuffers = true;
  EXPECT_EQ(sprites.CreateQuads(3), 0u);
  EXPECT_EQ(sprites.indexBuffer, nullptr);
  EXPECT_EQ(sprites.triangleCount, 0u);
  EXPECT_FALSE(sprites.CanDrawIndexed());

  DS_SimpleMesh<DX_V::RHWC> bar;
  device.failVertexBuffers = true;
  ScreenQuad q;
  ScreenQuad::SetRect(ScreenQuad::Init(q), 0, 0, 10, 10);
  EXPECT_TRUE(FAILED(BuildRhwColorQuad(bar, 0xFF000000, q)));
  EXPECT_EQ(bar.primitiveCount, 0u);
  SetRhwQuadRect(bar, q);
  SetRhwQuadCornerAlpha(bar, 1, 1, 1, 1);
  TexQuad overlay;
  overlay.SetDefaultTexture(q);
  overlay.SetRect(q);
  EXPECT_EQ(overlay.vertexBuffer, nullptr);
  EXPECT_EQ(overlay.primitiveCount, 0u);
}

TEST_F(MeshTest, SpriteArrayIndexPatternAndQuadLimit) {
  DS_SpriteArrayT<DX_V::PCT> sprites;
  ASSERT_EQ(sprites.CreateQuads(3), 3u);
  EXPECT_EQ(sprites.vertexCount, 12u);
  EXPECT_EQ(sprites.triangleCount, 6u);
  const WORD* idx = device.lastIndexBuffer()->As<WORD>();
  const WORD expected[] = {0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7, 8, 9, 10, 10, 9, 11};
  for (int i = 0; i < 18; ++i) EXPECT_EQ(idx[i], expected[i]) << i;
  EXPECT_FALSE(device.lastIndexBuffer()->locked);

  // Past 16384 quads the indices would wrap around 65535: the array holds no more than that.
  EXPECT_EQ(sprites.CreateQuads(20000), kMaxQuads);
  EXPECT_EQ(sprites.vertexCount, 4 * kMaxQuads);
  const WORD* last = device.lastIndexBuffer()->As<WORD>() + 6 * (kMaxQuads - 1);
  EXPECT_EQ(last[5], 65535);
}

TEST_F(MeshTest, CopiesShareBuffersAndTextureWithAReferenceEach) {
  FakeTexture texture;
  {
    MeshPart part;
    ASSERT_EQ(part.CreateBuffers(4, 6), S_OK);
    part.SetTexture(&texture);
    part.blended = 1;
    DS_Frame instance;
    part.instances.push_back(&instance);
    FakeVertexBuffer* vb = device.lastVertexBuffer();
    FakeIndexBuffer* ib = device.lastIndexBuffer();
    EXPECT_EQ(vb->refs, 1);
    EXPECT_EQ(texture.refs, 2);
    {
      std::vector<MeshPart> parts;
      parts.push_back(part);
      parts.push_back(part);  // the vector grows and copies again
      EXPECT_EQ(vb->refs, 3);
      EXPECT_EQ(ib->refs, 3);
      EXPECT_EQ(texture.refs, 4);
      EXPECT_EQ(parts[1].instances, part.instances);
      EXPECT_EQ(parts[1].blended, 1);
      MeshPart other;
      other = parts[0];
      other = other;  // self-assignment keeps the references
      EXPECT_EQ(vb->refs, 4);
    }
    // The original is still drawable after its copies are gone.
    EXPECT_EQ(vb->refs, 1);
    EXPECT_EQ(texture.refs, 2);
    EXPECT_TRUE(part.CanDrawIndexed());
    EXPECT_NE(part.LockVertices(), nullptr);
    part.UnlockVertices();
  }
  EXPECT_EQ(texture.refs, 1);
  EXPECT_TRUE(device.AllReleased());
}

TEST_F(MeshTest, SharedMeshRecordBuffersAreNullSafe) {
  DS_IndexedMesh<DX_V::PNT> source, mesh;
  ASSERT_EQ(source.CreateBuffers(3, 3), S_OK);
  mesh.ShareBuffers(source.vertexBuffer, source.indexBuffer, 3, 1);
  EXPECT_EQ(device.lastVertexBuffer()->refs, 2);
  EXPECT_EQ(mesh.triangleCount, 1u);
  EXPECT_TRUE(mesh.CanDrawIndexed());
  // An empty record: nothing to reference, nothing to draw, the old buffers let go.
  mesh.ShareBuffers(nullptr, nullptr, 3, 1);
  EXPECT_EQ(device.lastVertexBuffer()->refs, 1);
  EXPECT_EQ(mesh.vertexCount, 0u);
  EXPECT_EQ(mesh.triangleCount, 0u);
  EXPECT_FALSE(mesh.CanDrawIndexed());
}

ScreenQuad Rect(float l, float t, float r, float b) {
  ScreenQuad q;
  return ScreenQuad::SetRect(ScreenQuad::Init(q), l, t, r, b);
}

TEST_F(MeshTest, ColourQuadsWriteCornersInStripOrder) {
  DS_SimpleMesh<DX_V::RHWC> rhw;
  ASSERT_EQ(BuildRhwColorQuad(rhw, 0xFF102030, Rect(1, 2, 3, 4)), S_OK);
  EXPECT_EQ(rhw.primitiveType, D3DPT_TRIANGLESTRIP);
  EXPECT_EQ(rhw.primitiveCount, 2u);
  EXPECT_EQ(device.lastVertexBuffer()->usage, (DWORD)D3DUSAGE_WRITEONLY);
  const DX_V::RHWC* v = device.lastVertexBuffer()->As<DX_V::RHWC>();
  const float corners[4][2] = {{1, 4}, {1, 2}, {3, 4}, {3, 2}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(v[i].x, corners[i][0]);
    EXPECT_EQ(v[i].y, corners[i][1]);
    EXPECT_EQ(v[i].z, 0);
    EXPECT_EQ(v[i].rhw, 1);
    EXPECT_EQ(v[i].color, 0xFF102030u);
  }
  SetRhwQuadRect(rhw, Rect(5, 6, 7, 8));
  EXPECT_EQ(v[0].y, 8);
  EXPECT_EQ(v[3].x, 7);
  EXPECT_EQ(v[3].color, 0xFF102030u);

  DS_SimpleMesh<DX_V::PC> pc;
  ASSERT_EQ(BuildColorQuad(pc, 0x80FFFFFF, Rect(0, 0, 2, 2)), S_OK);
  const DX_V::PC* w = device.lastVertexBuffer()->As<DX_V::PC>();
  SetColorQuadRgb(pc, 0x00123456);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(w[i].color, 0x80123456u);
  SetColorQuadRect(pc, Rect(0, 0, 9, 9));
  EXPECT_EQ(w[2].x, 9);
  EXPECT_EQ(w[2].z, 0);
}

TEST_F(MeshTest, CornerAlphaGoesBottomLeftBottomRightTopLeftTopRight) {
  DS_SimpleMesh<DX_V::RHWC> rhw;
  DS_SimpleMesh<DX_V::PC> pc;
  ASSERT_EQ(BuildRhwColorQuad(rhw, 0x00ABCDEF, Rect(0, 0, 1, 1)), S_OK);
  SetRhwQuadCornerAlpha(rhw, 1.0f, 0.5f, 0.25f, 0.0f);
  const DX_V::RHWC* v = device.lastVertexBuffer()->As<DX_V::RHWC>();
  ASSERT_EQ(BuildColorQuad(pc, 0x00ABCDEF, Rect(0, 0, 1, 1)), S_OK);
  SetColorQuadCornerAlpha(pc, 1.0f, 0.5f, 0.25f, 0.0f);
  const DX_V::PC* w = device.lastVertexBuffer()->As<DX_V::PC>();
  const D3DCOLOR expected[4] = {0xFFABCDEF, 0x3FABCDEF, 0x7FABCDEF, 0x00ABCDEF};  // vertices 0, 1, 2, 3
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(v[i].color, expected[i]) << i;
    EXPECT_EQ(w[i].color, expected[i]) << i;
  }
}

TEST_F(MeshTest, TexQuadHoldsItsTextureAndKeepsColoursOnRect) {
  FakeTexture texture;
  IDirect3DTexture9* t = &texture;
  {
    TexQuad quad;
    quad.SetTexture(&t, Rect(0, 0, 64, 32));
    EXPECT_EQ(texture.refs, 2);
    EXPECT_EQ(quad.primitiveCount, 2u);
    EXPECT_EQ(device.lastVertexBuffer()->format, (DWORD)DX_V::RHWCT::FVF);
    DX_V::RHWCT* v = reinterpret_cast<DX_V::RHWCT*>(device.lastVertexBuffer()->data.data());
    const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(v[i].color, 0xFFFFFFFFu);
      EXPECT_EQ(v[i].u, uv[i][0]);
      EXPECT_EQ(v[i].v, uv[i][1]);
      EXPECT_EQ(v[i].rhw, 1);
    }
    EXPECT_EQ(v[2].x, 64);
    EXPECT_EQ(v[2].y, 32);
    v[1].color = 0x11223344;
    quad.SetRect(Rect(10, 10, 20, 20));
    EXPECT_EQ(v[1].color, 0x11223344u);
    EXPECT_EQ(v[1].x, 10);
    // Setting the same texture again keeps one reference.
    quad.SetTexture(&t, Rect(0, 0, 1, 1));
    EXPECT_EQ(texture.refs, 2);
    quad.SetDefaultTexture(Rect(0, 0, 1, 1));
    EXPECT_EQ(quad.texture, nullptr);
    EXPECT_EQ(texture.refs, 1);
  }
  EXPECT_TRUE(device.AllReleased());
}

// The textured quads hold their texture in a holder: copies, assignments and moves each keep exactly one
// reference per quad that names it, and none is left once the quads are gone.
template <class Quad>
void CopyMoveAndAssign(FakeTexture& texture, FakeVertexBuffer*& buffer) {
  Quad quad;
  quad.CreateQuadStripOf();
  buffer = static_cast<FakeVertexBuffer*>(quad.vertexBuffer.Get());
  quad.texture.Share(&texture);
  Quad copy(quad);
  EXPECT_EQ(texture.refs, 3);
  EXPECT_EQ(buffer->refs, 2);
  Quad assigned;
  assigned = copy;
  assigned = assigned;
  EXPECT_EQ(texture.refs, 4);
  Quad moved(std::move(copy));
  EXPECT_EQ(copy.texture, nullptr);
  EXPECT_EQ(texture.refs, 4);
  assigned = Quad();
  EXPECT_EQ(texture.refs, 3);
  EXPECT_EQ(moved.texture, &texture);
}

TEST_F(MeshTest, TexturedQuadCopiesAndMovesHoldOneReferenceEach) {
  FakeTexture texture;
  FakeVertexBuffer* buffer = nullptr;
  CopyMoveAndAssign<TexQuad>(texture, buffer);
  EXPECT_EQ(texture.refs, 1) << "TexQuad";
  EXPECT_EQ(buffer->refs, 0) << "TexQuad";
  CopyMoveAndAssign<TexQuadPT>(texture, buffer);
  EXPECT_EQ(texture.refs, 1) << "TexQuadPT";
  EXPECT_EQ(buffer->refs, 0) << "TexQuadPT";
  {
    QuadRenderObject picture;
    picture.info.Assign(&texture, 4, 2);
    picture.texture = picture.info.texture;
    QuadRenderObject copy = picture;
    EXPECT_EQ(texture.refs, 5);
  }
  EXPECT_EQ(texture.refs, 1) << "QuadRenderObject";
  EXPECT_TRUE(device.AllReleased());
}

TEST_F(MeshTest, WritersLeaveTheMeshAsItWasWhenTheLockFails) {
  DS_SimpleMesh<DX_V::RHWC> rhw;
  ASSERT_EQ(BuildRhwColorQuad(rhw, 0xFF000000, Rect(0, 0, 1, 1)), S_OK);
  FakeVertexBuffer* vb = device.lastVertexBuffer();
  std::vector<unsigned char> before = vb->data;
  vb->failLocks = true;
  SetRhwQuadRect(rhw, Rect(5, 5, 6, 6));
  SetRhwQuadCornerAlpha(rhw, 0, 0, 0, 0);
  EXPECT_EQ(vb->data, before);
  EXPECT_EQ(rhw.lockedVertices, nullptr);
}

DX_V::PT Pt(float x, float y, float u, float v) { return DX_V::PT{x, y, 0, u, v}; }

TEST(GridTest, BilinearRowMajorGrid) {
  const DX_V::PT corners[4] = {Pt(0, 0, 0, 0), Pt(10, 0, 1, 0), Pt(0, 20, 0, 1), Pt(10, 20, 1, 1)};
  // One cell: exactly the corners, in the order c0, c1, c2, c3.
  DX_V::PT one[4];
  FillGrid(one, 1, 1, corners);
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(one[i].x, corners[i].x);
    EXPECT_FLOAT_EQ(one[i].y, corners[i].y);
    EXPECT_FLOAT_EQ(one[i].u, corners[i].u);
    EXPECT_FLOAT_EQ(one[i].v, corners[i].v);
  }
  // Two columns, four rows: (C + 1) (R + 1) vertices.
  DX_V::PT grid[15];
  FillGrid(grid, 2, 4, corners);
  EXPECT_FLOAT_EQ(grid[1].x, 5);   // row 0, column 1
  EXPECT_FLOAT_EQ(grid[3].y, 5);   // row 1, column 0
  EXPECT_FLOAT_EQ(grid[7].x, 5);   // row 2, column 1
  EXPECT_FLOAT_EQ(grid[7].y, 10);
  EXPECT_FLOAT_EQ(grid[7].u, 0.5f);
  EXPECT_FLOAT_EQ(grid[7].v, 0.5f);
  EXPECT_FLOAT_EQ(grid[14].x, 10);
  EXPECT_FLOAT_EQ(grid[14].y, 20);
  // A skewed quad interpolates each row between its own ends.
  const DX_V::PT skew[4] = {Pt(0, 0, 0, 0), Pt(10, 0, 1, 0), Pt(4, 10, 0, 1), Pt(6, 10, 1, 1)};
  DX_V::PT s[6];
  FillGrid(s, 2, 1, skew);
  EXPECT_FLOAT_EQ(s[3].x, 4);
  EXPECT_FLOAT_EQ(s[4].x, 5);
  EXPECT_FLOAT_EQ(s[5].x, 6);
  // No rows or no columns: the first corner, never a division by zero.
  DX_V::PT flat[2];
  FillGrid(flat, 1, 0, corners);
  EXPECT_FLOAT_EQ(flat[1].x, 10);
  EXPECT_FLOAT_EQ(flat[1].y, 0);

  DX_V::PT d, sc;
  SubtractVertexPT(Pt(1, 2, 3, 4), Pt(2, 4, 6, 8), &d);
  ScaleVertexPT(d, 2, &sc);
  EXPECT_EQ(sc.x, 2);
  EXPECT_EQ(sc.y, 4);
  EXPECT_EQ(sc.u, 6);
  EXPECT_EQ(sc.v, 8);
}

class MeshLoadingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_DocResManager = manager_.get();
  }
  void TearDown() override {
    manager_.reset();
  }
  // texture outlives the manager that holds it.
  FakeTexture texture;
  RecordingRenderDevice device;
  std::unique_ptr<DS_DocResManager> manager_{new DS_DocResManager};
  lumi_test::SavedGlobal<DS_DocResManager*> savedManager_{g_DocResManager};
};

TEST_F(MeshLoadingTest, PartTakesTheDocumentsMeshAndFirstFrame) {
  DS_MeshFile meshLink;
  meshLink.Raw() = DocFileKey(u"wing.x", 3);
  DS_ImageFileLink imageLink;
  imageLink.Raw() = DocFileKey(u"wing.png", 4);
  MeshData& data = manager_->Maps().meshes[meshLink.GetKey()];
  DS_IndexedMesh<DX_V::PNT> source;
  ASSERT_EQ(source.CreateBuffers(3, 3), S_OK);
  data.vertexBuffer = source.vertexBuffer;
  data.indexBuffer = source.indexBuffer;
  data.vertexCount = 3;
  data.faceCount = 1;
  data.radius = 2.5f;
  data.centre[1] = 1;
  TextureSet& set = manager_->Maps().textureSets[imageLink.GetKey()];
  set.frames.push_back(ComRef<IDirect3DTexture9>::Shared(&texture));

  MeshPart part;
  EXPECT_TRUE(MeshPart::Load(imageLink, &part, meshLink));
  EXPECT_EQ(part.texture, &texture);
  EXPECT_EQ(part.vertexBuffer, source.vertexBuffer);
  EXPECT_EQ(part.vertexCount, 3u);
  EXPECT_EQ(part.triangleCount, 1u);
  EXPECT_EQ(part.primitiveType, D3DPT_TRIANGLELIST);
  EXPECT_EQ(part.radius, 2.5f);
  EXPECT_EQ(part.centerY, 1);
  EXPECT_EQ(device.lastVertexBuffer()->refs, 3);  // source, the record and the part
  EXPECT_TRUE(part.CanDrawIndexed());
}

TEST_F(MeshLoadingTest, EmptyRecordsAndSetsGiveAnEmptyPart) {
  DS_MeshFile meshLink;
  meshLink.Raw() = DocFileKey(u"missing.x", 1);
  DS_ImageFileLink imageLink;
  imageLink.Raw() = DocFileKey(u"missing.png", 1);
  MeshPart part;
  part.SetTexture(&texture);
  EXPECT_TRUE(MeshPart::Load(imageLink, &part, meshLink));
  EXPECT_EQ(part.texture, nullptr);
  EXPECT_EQ(part.vertexBuffer, nullptr);
  EXPECT_EQ(part.triangleCount, 0u);
  EXPECT_FALSE(part.CanDrawIndexed());
  EXPECT_EQ(texture.refs, 1);
}

}  // namespace

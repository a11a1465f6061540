#include "scene/texture_types.h"

#include <gtest/gtest.h>

// The counting fakes implement the native stand-in interfaces; on Windows the cache tests hold real
// textures and meshes instead.
#ifndef _WIN32

namespace {

// A texture that only counts references.
struct CountedTexture : IDirect3DTexture9 {
  ULONG refs = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

struct CountedVertices : IDirect3DVertexBuffer9 {
  ULONG refs = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE Lock(UINT, UINT, void**, DWORD) override { return E_FAIL; }
  HRESULT STDMETHODCALLTYPE Unlock() override { return S_OK; }
};

TEST(TextureInfoTest, AssignCopiesAndSelfAssignmentKeepReferencesBalanced) {
  CountedTexture a, b;
  {
    TextureInfo info;
    EXPECT_EQ(info.aspect, 1.0f);
    info.Assign(&a, 200, 100);
    EXPECT_EQ(a.refs, 2u);
    EXPECT_FLOAT_EQ(info.aspect, 0.5f);
    info.Assign(&a, 200, 100);  // the texture it already holds
    EXPECT_EQ(a.refs, 2u);
    TextureInfo copy(info);
    EXPECT_EQ(a.refs, 3u);
    copy = copy;
    EXPECT_EQ(a.refs, 3u);
    copy.Assign(&b, 0, 0);
    EXPECT_EQ(a.refs, 2u);
    EXPECT_EQ(b.refs, 2u);
    EXPECT_EQ(copy.aspect, 1.0f) << "a zero side never divides by zero";
    info = copy;
    EXPECT_EQ(a.refs, 1u);
    EXPECT_EQ(b.refs, 3u);
  }
  EXPECT_EQ(a.refs, 1u);
  EXPECT_EQ(b.refs, 1u);
}

TEST(TextureSetTest, CopiesHoldAReferencePerFrameAndFirstFrameBecomesTheInfo) {
  CountedTexture a, b;
  {
    TextureSet set;
    TextureInfo ia, ib;
    ia.Assign(&a, 64, 32);
    ib.Assign(&b, 10, 20);
    set.AddFrame(ia);
    set.AddFrame(TextureInfo());  // a frame that could not be decoded stays a null frame
    set.AddFrame(ib);
    set.durations = {0.1f, 0.2f};
    EXPECT_EQ(set.width, 10);
    EXPECT_FLOAT_EQ(set.aspect, 2.0f);
    EXPECT_EQ(set.AnimationFrameCount(), 2u) << "frames without a duration are not stepped through";
    {
      TextureSet copy(set);
      EXPECT_EQ(a.refs, 4u);
      TextureSet assigned;
      assigned = copy;
      assigned = assigned;
      EXPECT_EQ(a.refs, 5u);
      EXPECT_EQ(assigned.durations.size(), 2u);
    }
    EXPECT_EQ(a.refs, 3u);

    TextureInfo first;
    TextureInfo::FromTextureSet(set, first);
    EXPECT_EQ(first.texture, &a);
    EXPECT_EQ(first.width, 10u) << "the size is the set's";
    EXPECT_FLOAT_EQ(first.aspect, 2.0f);
    TextureInfo none;
    TextureInfo::FromTextureSet(TextureSet(), none);
    EXPECT_EQ(none.texture, nullptr);
    EXPECT_EQ(none.aspect, 1.0f);
  }
  EXPECT_EQ(a.refs, 1u);
  EXPECT_EQ(b.refs, 1u);
}

TEST(MeshDataTest, CopiesShareBuffersAndEmptyMeshesCopySafely) {
  CountedVertices vb;
  {
    MeshData empty;
    MeshData copy(empty);  // null buffers: nothing to reference
    EXPECT_TRUE(copy.Empty());
    MeshData m;
    m.vertexBuffer.Share(&vb);
    m.vertexCount = 3;
    m.radius = 2.5f;
    m.centre[2] = 1.0f;
    MeshData shared(m);
    EXPECT_EQ(vb.refs, 3u);
    EXPECT_TRUE(shared.Empty()) << "no index buffer";
    EXPECT_EQ(shared.centre[2], 1.0f);
    shared = empty;
    EXPECT_EQ(vb.refs, 2u);
    EXPECT_EQ(shared.radius, 0.0f);
    m.Clear();
    EXPECT_EQ(vb.refs, 1u);
    EXPECT_EQ(m.vertexCount, 0);
  }
  EXPECT_EQ(vb.refs, 1u);
  IUnknown* p = nullptr;
  SafeRelease(&p);  // null stays null
  EXPECT_EQ(p, nullptr);
}

}  // namespace

#endif  // _WIN32

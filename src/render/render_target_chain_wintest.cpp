#include "render/render_target_chain.h"

#include <gtest/gtest.h>

#include "dxut/d3d_device.h"
#include "support/d3d_fixture_win.h"

namespace {

const DWORD kRed = 0xFFFF0000, kBlack = 0xFF000000, kGreen = 0xFF00FF00;

class RenderTargetChainTest : public lumi_test::D3DFixture {
 protected:
  // The surface behind render target 0 (a reference held by the caller).
  IDirect3DSurface9* Target() {
    IDirect3DSurface9* s = nullptr;
    device()->GetRenderTarget(0, &s);
    return s;
  }
  bool TargetIsLevel0Of(IDirect3DTexture9* tex) {
    IDirect3DSurface9* level = nullptr;
    tex->GetSurfaceLevel(0, &level);
    IDirect3DSurface9* target = Target();
    bool same = level && level == target;
    if (level) level->Release();
    if (target) target->Release();
    return same;
  }
  DWORD TexturePixel(IDirect3DTexture9* tex) {
    lumi_test::Pixels px;
    EXPECT_TRUE(lumi_test::ReadRenderTargetTexture(device(), tex, px));
    return px.argb.empty() ? 0 : px.at(1, 1);
  }
  ULONG Refs(IUnknown* p) {
    p->AddRef();
    return p->Release();
  }
};

TEST_F(RenderTargetChainTest, PassAlternatesThePairAndRestoresTheBackBuffer) {
  RenderTargetChain chain;
  ASSERT_TRUE(chain.Create(32, 32));
  ASSERT_NE(chain.textures[0], nullptr);
  ASSERT_NE(chain.textures[1], nullptr);
  EXPECT_NE(chain.textures[0], chain.textures[1]);
  EXPECT_EQ(chain.current, chain.textures[0]);
  D3DSURFACE_DESC desc;
  chain.textures[1]->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 32u);
  EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
  EXPECT_EQ(desc.Usage, (DWORD)D3DUSAGE_RENDERTARGET);

  IDirect3DSurface9* backBuffer = Target();
  IDirect3DSurface9* depth = nullptr;
  device()->GetDepthStencilSurface(&depth);

  chain.Begin(chain.current.Slot());
  EXPECT_TRUE(TargetIsLevel0Of(chain.textures[0]));
  IDirect3DSurface9* noDepth = nullptr;
  EXPECT_TRUE(FAILED(device()->GetDepthStencilSurface(&noDepth)) || !noDepth);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, kRed, 1, 0);

  // The first switch hands on the texture just drawn and clears the other one to opaque black.
  IDirect3DTexture9** source = chain.Next();
  EXPECT_EQ(source, chain.textures[0].Slot());
  EXPECT_EQ(chain.current, chain.textures[1]);
  EXPECT_TRUE(TargetIsLevel0Of(chain.textures[1]));
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, kGreen, 1, 0);
  EXPECT_EQ(TexturePixel(*source), kRed);

  // The second switch goes back to the first texture, which was current before the first switch.
  source = chain.Next();
  EXPECT_EQ(source, chain.textures[1].Slot());
  EXPECT_EQ(chain.current, chain.textures[0]);
  EXPECT_EQ(TexturePixel(*source), kGreen);
  EXPECT_EQ(TexturePixel(chain.textures[0]), kBlack);

  chain.End();
  IDirect3DSurface9* restored = Target();
  EXPECT_EQ(restored, backBuffer);
  IDirect3DSurface9* restoredDepth = nullptr;
  device()->GetDepthStencilSurface(&restoredDepth);
  EXPECT_EQ(restoredDepth, depth);
  EXPECT_EQ(chain.savedTarget, nullptr);
  EXPECT_EQ(chain.savedDepth, nullptr);
  for (IDirect3DSurface9* s : {restored, restoredDepth, backBuffer, depth})
    if (s) s->Release();
}

TEST_F(RenderTargetChainTest, BeginDoesNotClear) {
  RenderTargetChain chain;
  ASSERT_TRUE(chain.Create(16, 16));
  chain.Begin(chain.current.Slot());
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, kRed, 1, 0);
  chain.End();
  chain.Begin(chain.current.Slot());
  chain.End();
  EXPECT_EQ(TexturePixel(chain.current), kRed);
}

TEST_F(RenderTargetChainTest, ReleasedAtLossAndRecreatedAfterResetWithTheSameIndex) {
  RenderTargetChain chain;
  ASSERT_TRUE(chain.Create(32, 32));
  chain.Begin(chain.current.Slot());
  chain.Next();
  chain.End();
  ASSERT_EQ(chain.index, 1);
  // Default-pool textures must all be gone before the device can be reset.
  chain.ReleaseTextures();
  EXPECT_EQ(chain.current, nullptr);
  D3DPRESENT_PARAMETERS pp = test_.presentParameters();
  ASSERT_EQ(device()->Reset(&pp), S_OK);
  ASSERT_TRUE(chain.Create(32, 32));
  EXPECT_EQ(chain.index, 1);
  EXPECT_EQ(chain.current, chain.textures[1]);
  // The chain holds one reference of its own on each texture and one more on the current one.
  EXPECT_EQ(Refs(chain.textures[0]), 1u);
  EXPECT_EQ(Refs(chain.textures[1]), 2u);
  // A chain that is still holding its textures makes the reset fail.
  EXPECT_TRUE(FAILED(device()->Reset(&pp)));
  chain.ReleaseTextures();
  EXPECT_EQ(device()->Reset(&pp), S_OK);
}

TEST_F(RenderTargetChainTest, MadeAgainAtTheSameSizeTheChainKeepsItsPairAndItsReferences) {
  RenderTargetChain chain;
  ASSERT_TRUE(chain.Create(32, 32));
  IDirect3DTexture9* first[2] = {chain.textures[0], chain.textures[1]};
  ASSERT_TRUE(chain.Create(32, 32));
  EXPECT_EQ(chain.textures[0], first[0]);
  EXPECT_EQ(chain.textures[1], first[1]);
  EXPECT_EQ(chain.current, chain.textures[chain.index]);
  EXPECT_EQ(Refs(chain.textures[0]), 2u) << "the chain's own and the current one's";
  EXPECT_EQ(Refs(chain.textures[1]), 1u);
  ASSERT_TRUE(chain.Create(16, 32));  // another size: a new pair
  D3DSURFACE_DESC desc;
  ASSERT_EQ(chain.textures[0]->GetLevelDesc(0, &desc), S_OK);
  EXPECT_EQ(desc.Width, 16u);
  EXPECT_EQ(Refs(chain.textures[1]), 1u);
  chain.ReleaseTextures();
}

TEST_F(RenderTargetChainTest, WithoutTexturesPassesStayOnTheCurrentTarget) {
  RenderTargetChain chain;
  EXPECT_FALSE(chain.Create(1 << 20, 1 << 20));
  EXPECT_EQ(chain.textures[0], nullptr);
  EXPECT_EQ(chain.textures[1], nullptr);
  EXPECT_EQ(chain.current, nullptr);
  IDirect3DSurface9* before = Target();
  chain.Begin(chain.current.Slot());
  IDirect3DTexture9** source = chain.Next();
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(*source, nullptr);
  EXPECT_EQ(chain.index, 0);
  chain.End();
  IDirect3DSurface9* after = Target();
  EXPECT_EQ(before, after);
  before->Release();
  after->Release();
  // A chain that never began ends without touching the device.
  RenderTargetChain idle;
  idle.End();
}

}  // namespace

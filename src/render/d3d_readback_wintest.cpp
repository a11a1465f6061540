// The shared test device: what is drawn can be read back exactly, from the back buffer and from a
// render-target texture, with the alpha byte kept.
#include "support/d3d_fixture_win.h"

#include "dxut/d3d_device.h"
#include "support/saved_global.h"

namespace {

using lumi_test::D3DFixture;
using lumi_test::Pixels;

class D3DReadbackTest : public D3DFixture {};

TEST_F(D3DReadbackTest, ClearedBackBufferReadsBackWithAlphaAndSize) {
  EXPECT_EQ(g_D3DDevice, device());
  ASSERT_HRESULT_SUCCEEDED(device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER,
                                           0x80336699, 1.0f, 0));
  Pixels p = BackBuffer();
  ASSERT_EQ(p.width, 64u);
  ASSERT_EQ(p.height, 64u);
  for (DWORD c : p.argb) ASSERT_EQ(c, 0x80336699u);
}

TEST_F(D3DReadbackTest, RowsComeFromTheTopAndTexturesReadBack) {
  // Top half red, bottom half blue: the first row of the result must be red.
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  D3DRECT top = {0, 0, 64, 32};
  device()->Clear(1, &top, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
  Pixels p = BackBuffer();
  ASSERT_FALSE(p.argb.empty());
  EXPECT_EQ(p.at(5, 0), 0xFFFF0000u);
  EXPECT_EQ(p.at(63, 31), 0xFFFF0000u);
  EXPECT_EQ(p.at(0, 32), 0xFF0000FFu);

  IDirect3DTexture9* rt = nullptr;
  ASSERT_HRESULT_SUCCEEDED(device()->CreateTexture(16, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                                   D3DPOOL_DEFAULT, &rt, nullptr));
  IDirect3DSurface9* level = nullptr;
  rt->GetSurfaceLevel(0, &level);
  device()->ColorFill(level, nullptr, 0x4000FF00);
  level->Release();
  Pixels t;
  ASSERT_TRUE(lumi_test::ReadRenderTargetTexture(device(), rt, t));
  EXPECT_EQ(t.width, 16u);
  EXPECT_EQ(t.height, 8u);
  EXPECT_EQ(t.at(15, 7), 0x4000FF00u);
  rt->Release();
}

TEST_F(D3DReadbackTest, BackBufferDescriptionOfTheDeviceOrAllZero) {
  D3DSURFACE_DESC desc;
  EXPECT_EQ(GetBackBufferDesc(&desc)->Width, 64u);
  EXPECT_EQ(desc.Height, 64u);
  EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
  {
    lumi_test::SavedGlobal<IDirect3DDevice9*> withoutDevice(g_D3DDevice, nullptr);
    GetBackBufferDesc(&desc);
  }
  EXPECT_EQ(desc.Width, 0u);
  EXPECT_EQ(desc.Height, 0u);
  EXPECT_EQ(desc.Format, D3DFMT_UNKNOWN);
}

TEST(D3DTestDevice, DestroyPutsBackTheGlobalDevice) {
  IDirect3DDevice9* before = g_D3DDevice;
  {
    lumi_test::D3DTestDevice d;
    ASSERT_TRUE(d.Create()) << d.error();
    EXPECT_EQ(g_D3DDevice, d.device());
  }
  EXPECT_EQ(g_D3DDevice, before);
}

}  // namespace

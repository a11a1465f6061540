// Opaque draws on the device: with blending left off where the rule allows, a draw gives the very
// pixels the blended draw gives, and the blend state is the one before.
#include "render/opaque_draw_win.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "support/d3d_fixture_win.h"

namespace {

struct Vertex {
  float x, y, z, rhw;
  DWORD color;
  float u, v;
};
const DWORD kFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

class OpaqueDrawDeviceTest : public lumi_test::D3DFixture {
 protected:
  // A 4 x 4 texture of one texel value.
  IDirect3DTexture9* Texture(D3DFORMAT format, DWORD texel) {
    IDirect3DTexture9* t = nullptr;
    if (FAILED(device()->CreateTexture(4, 4, 1, 0, format, D3DPOOL_MANAGED, &t, nullptr))) return nullptr;
    D3DLOCKED_RECT r;
    if (SUCCEEDED(t->LockRect(0, &r, nullptr, 0))) {
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) std::memcpy(static_cast<BYTE*>(r.pBits) + y * r.Pitch + 4 * x, &texel, 4);
      t->UnlockRect(0);
    }
    return t;
  }

  // The target cleared to a colour, then the quad over it (texture coordinates up to uv) drawn as
  // set(); opaque draws it inside an opaque-draw scope. Whether blending was off for the draw goes
  // to *unblended.
  lumi_test::Pixels Draw(const std::function<void()>& set, DWORD diffuse, float uv, bool opaque, bool diffuseOpaque,
                         bool* unblended) {
    device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF3050A0, 1, 0);
    device()->BeginScene();
    device()->SetRenderState(D3DRS_LIGHTING, FALSE);
    device()->SetRenderState(D3DRS_ZENABLE, FALSE);
    device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device()->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device()->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device()->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device()->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device()->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device()->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    set();
    const Vertex quad[4] = {{-0.5f, 63.5f, 0, 1, diffuse, 0, uv},
                            {-0.5f, -0.5f, 0, 1, diffuse, 0, 0},
                            {63.5f, 63.5f, 0, 1, diffuse, uv, uv},
                            {63.5f, -0.5f, 0, 1, diffuse, uv, 0}};
    device()->SetFVF(kFvf);
    DWORD blend = TRUE;
    if (opaque) {
      OpaqueDrawScope scope(device(), diffuseOpaque);
      device()->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
      device()->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex));
    } else {
      device()->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex));
    }
    *unblended = !blend;
    DWORD after = FALSE;
    device()->GetRenderState(D3DRS_ALPHABLENDENABLE, &after);
    EXPECT_EQ(after, (DWORD)TRUE) << "the blend state afterwards is the one before";
    device()->EndScene();
    return BackBuffer();
  }
};

TEST_F(OpaqueDrawDeviceTest, OpaqueDrawsGiveTheBlendedPixelsAndSkipTheBlendWhereTheyMay) {
  IDirect3DTexture9* opaque = Texture(D3DFMT_X8R8G8B8, 0x00C08040);  // its alpha byte is not read
  IDirect3DTexture9* translucent = Texture(D3DFMT_A8R8G8B8, 0x80C08040);
  ASSERT_TRUE(opaque && translucent);
  struct Case {
    const char* what;
    IDirect3DTexture9* texture;
    std::function<void()> set;
    DWORD diffuse;
    float uv;
    bool diffuseOpaque;
    bool unblended;
  };
  IDirect3DDevice9* d = device();
  const Case cases[] = {
      {"an opaque texture over source alpha", opaque, [] {}, 0xFFFFFFFF, 1, false, true},
      {"one and zero", opaque,
       [d] {
         d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
         d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
       },
       0xFFFFFFFF, 1, false, true},
      {"the opaque bars' way: diffuse alpha vouched for", nullptr,
       [d] {
         d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
         d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
       },
       0xFF000000, 1, true, true},
      {"a translucent texture", translucent, [] {}, 0xFFFFFFFF, 1, false, false},
      {"additive", opaque, [d] { d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE); }, 0xFFFFFFFF, 1, false, false},
      {"the complement of the texture's alpha", opaque,
       [d] { d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT); }, 0xFFFFFFFF, 1,
       false, false},
      {"texture times a translucent diffuse", opaque,
       [d] {
         d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
         d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
       },
       0x40FFFFFF, 1, false, false},
      {"a transparent border around the texture", opaque,
       [d] {
         d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_BORDER);
         d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_BORDER);
         d->SetSamplerState(0, D3DSAMP_BORDERCOLOR, 0x00FF0000);
       },
       0xFFFFFFFF, 2, false, false},
  };
  for (const Case& c : cases) {
    device()->SetTexture(0, c.texture);
    bool ignored = false, unblended = false;
    const lumi_test::Pixels blended = Draw(c.set, c.diffuse, c.uv, false, c.diffuseOpaque, &ignored);
    const lumi_test::Pixels drawn = Draw(c.set, c.diffuse, c.uv, true, c.diffuseOpaque, &unblended);
    EXPECT_EQ(c.unblended, unblended) << c.what;
    for (UINT y = 0; y < 64; y += 9)
      for (UINT x = 0; x < 64; x += 9) ASSERT_EQ(blended.at(x, y), drawn.at(x, y)) << c.what << " at " << x << ", " << y;
    device()->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    device()->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
  }
  device()->SetTexture(0, nullptr);
  opaque->Release();
  translucent->Release();
}

}  // namespace

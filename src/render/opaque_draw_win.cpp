#include "render/opaque_draw_win.h"

#include "platform/com_ref.h"
#include "render/opaque_draw.h"

namespace {

DWORD RenderState(IDirect3DDevice9* d, D3DRENDERSTATETYPE state, DWORD fallback) {
  DWORD value = fallback;
  return SUCCEEDED(d->GetRenderState(state, &value)) ? value : fallback;
}

DWORD StageState(IDirect3DDevice9* d, DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD fallback) {
  DWORD value = fallback;
  return SUCCEEDED(d->GetTextureStageState(stage, type, &value)) ? value : fallback;
}

// Stage 0's texture reads as alpha 1 everywhere: a 2D texture without an alpha channel, not sampled
// from the border colour.
bool TextureOpaque(IDirect3DDevice9* d) {
  ComRef<IDirect3DBaseTexture9> base;
  if (FAILED(d->GetTexture(0, base.Out())) || !base) return false;
  if (base->GetType() != D3DRTYPE_TEXTURE) return false;
  D3DSURFACE_DESC desc;
  if (FAILED(static_cast<IDirect3DTexture9*>(base.Get())->GetLevelDesc(0, &desc))) return false;
  DWORD u = D3DTADDRESS_BORDER, v = D3DTADDRESS_BORDER;
  if (FAILED(d->GetSamplerState(0, D3DSAMP_ADDRESSU, &u)) || FAILED(d->GetSamplerState(0, D3DSAMP_ADDRESSV, &v)))
    return false;
  return FormatHasNoAlpha(desc.Format) && u != D3DTADDRESS_BORDER && v != D3DTADDRESS_BORDER;
}

}  // namespace

OpaqueDrawState ReadOpaqueDrawState(IDirect3DDevice9* d, bool diffuseOpaque) {
  OpaqueDrawState s;
  s.diffuseOpaque = diffuseOpaque;
  s.blendEnabled = RenderState(d, D3DRS_ALPHABLENDENABLE, TRUE);
  if (!s.blendEnabled) return s;  // nothing else matters
  // Where a state cannot be read, the value read is one that keeps blending on.
  s.srcBlend = RenderState(d, D3DRS_SRCBLEND, D3DBLEND_DESTALPHA);
  s.destBlend = RenderState(d, D3DRS_DESTBLEND, D3DBLEND_DESTALPHA);
  s.blendOp = RenderState(d, D3DRS_BLENDOP, D3DBLENDOP_MAX);
  s.separateAlphaBlend = RenderState(d, D3DRS_SEPARATEALPHABLENDENABLE, TRUE);
  ComRef<IDirect3DPixelShader9> shader;
  s.pixelShader = FAILED(d->GetPixelShader(shader.Out())) || shader;
  s.colorOp = StageState(d, 0, D3DTSS_COLOROP, D3DTOP_ADD);
  s.alphaOp = StageState(d, 0, D3DTSS_ALPHAOP, D3DTOP_ADD);
  s.alphaArg1 = StageState(d, 0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
  s.alphaArg2 = StageState(d, 0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
  s.nextColorOp = StageState(d, 1, D3DTSS_COLOROP, D3DTOP_ADD);
  s.textureOpaque = TextureOpaque(d);
  return s;
}

OpaqueDrawScope::OpaqueDrawScope(IDirect3DDevice9* device, bool diffuseOpaque) : device_(device) {
  if (!device_) return;
  const OpaqueDrawState s = ReadOpaqueDrawState(device_, diffuseOpaque);
  unblended_ = s.blendEnabled && BlendKeepsOpaqueSource(s);
  if (unblended_) device_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

OpaqueDrawScope::~OpaqueDrawScope() {
  if (unblended_) device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
}

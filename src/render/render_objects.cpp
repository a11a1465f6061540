#include "render/render_objects.h"

#include "scene/doc_res_manager.h"
#include "scene/fx_constructor.h"
#include "scene/fx_particle_ctrl.h"
#include "scene/screen_quad.h"
#include "scene/sprite_prop.h"

// ---- full-screen effect items

DS_BrushObj::DS_BrushObj(DS_FX_Constructor* clone) : DS_ABObj(clone), effectItem(clone) {
  if (!clone) return;
  IDirect3DTexture9** mask = g_DocResManager ? g_DocResManager->GuidTexture(clone->maskKey) : nullptr;
  clone->LoadEffect(mask);
}

void DS_BrushObj::Render(DS_ABRender* renderer) {
  if (effectItem) effectItem->Render(renderer);
}

void DS_BrushObj::DrawMarkers(DS_ABRender* renderer, int) {
  if (effectItem) effectItem->DrawMarkers(renderer);
}

void DS_BrushObj::Update(double t) {
  if (effectItem) effectItem->Update(static_cast<float>(t));
}

int DS_BrushObj::NeedsSourceTexture() { return effectItem ? effectItem->mainFX.GetValue() : 0; }

// ---- sprite particle items

DS_SpriteArrayObj::DS_SpriteArrayObj(DS_BaseSpriteProp* clone)
    : DS_ABObj(clone), markerMode(0) {
  if (!clone) return;
  if (g_DocResManager) {
    textureSet = clone->moduleImageSet == 1 ? g_DocResManager->GetImageSetFromModule(clone->image)
                                            : g_DocResManager->GetTextureSet(clone->image);
  }
  ParticleGeomArray::item = clone;
  BindCountListener(clone->count);
  if (g_DocResManager && !clone->secondImage.GetName().empty()) {
    const TextureSet& second = g_DocResManager->GetTextureSet(clone->secondImage);
    if (!second.frames.empty()) secondTexture.Share(second.frames.front());
  }
}

DS_SpriteArrayObj::~DS_SpriteArrayObj() = default;

void DS_SpriteArrayObj::Render(DS_ABRender* renderer) {
  if (renderer) renderer->DrawSpriteArray(this);
}

void DS_SpriteArrayObj::DrawMarkers(DS_ABRender* renderer, int mode) {
  DS_BaseSpriteProp* sprites = Sprites();
  if (!renderer || !sprites) return;
  ScreenQuad quad;
  sprites->GetQuad(&ScreenQuad::Init(quad));
  DS_SimpleMesh<DX_V::PC> markers;
  if (FAILED(markers.CreateVertexBuffer(4, D3DUSAGE_WRITEONLY, D3DPOOL_MANAGED))) return;
  if (DX_V::PC* v = markers.LockVertices()) {
    for (int k = 0; k < 4; ++k) {
      v[k].x = quad.v[k].x;
      v[k].y = quad.v[k].y;
      v[k].z = 0.0f;
      v[k].color = 0xFFFFFFFF;
    }
    markers.UnlockVertices();
  }
  markers.primitiveType = D3DPT_POINTLIST;
  markers.primitiveCount = 4;
  renderer->DrawMarkerSprites(&markers, mode, markerMode != 0);
}

void DS_SpriteArrayObj::Update(double t) {
  DS_BaseSpriteProp* sprites = Sprites();
  if (!sprites) return;
  ParticleGeomArray::Update(static_cast<float>(t));
  const bool stepped = StepFrame(sprites->clock);
  if (sprites->refillOnFrameChange.GetValue() == 0 || stepped) FillVertices();
}

void DS_SpriteArrayObj::OnScreenResize() {
  if (DS_BaseSpriteProp* sprites = Sprites()) sprites->UpdatePixelParams();
}

bool DS_SpriteArrayObj::HitTest(const POINT& point) {
  DS_BaseSpriteProp* sprites = Sprites();
  return sprites && sprites->HitTest(static_cast<float>(point.x), static_cast<float>(point.y));
}

int DS_SpriteArrayObj::GetBlendMode() {
  DS_BaseSpriteProp* sprites = Sprites();
  return sprites ? sprites->blendMode.GetValue() : 0;
}

// ---- glow particle items

void GlowBlendColor(DWORD colour, float strength, float out[4]) {
  out[0] = static_cast<float>(colour & 0xFF) / 255.0f;
  out[1] = static_cast<float>((colour >> 8) & 0xFF) / 255.0f;
  out[2] = static_cast<float>((colour >> 16) & 0xFF) / 255.0f;
  out[3] = strength;
}

DS_GlowingObj::DS_GlowingObj(DS_GlowEffectCtrl* clone) : DS_ABObj(clone), glowItem(clone) {
  if (!clone) return;
  ParticleGeomArray::item = clone;
  BindCountListener(clone->count);
  clone->LoadEffect();
  glowTarget.Create(kGlowTargetSize, kGlowTargetSize);
}

int DS_GlowingObj::NeedsSourceTexture() {
  return glowItem && glowItem->effect && glowTarget.EnsureMade() ? 1 : 0;
}

void DS_GlowingObj::Update(double t) {
  if (!glowItem) return;
  glowItem->UpdateEffect();
  ParticleGeomArray::Update(static_cast<float>(t));
  FillVertices();
}

void DS_GlowingObj::Render(DS_ABRender* renderer) {
  if (!renderer || !NeedsSourceTexture()) return;
  ID3DXEffect* effect = glowItem->effect;
  float blendColor[4];
  GlowBlendColor(glowItem->glowColour.GetValue(), glowItem->glowStrength.GetResult(), blendColor);

  // The particles alone into the cleared glow target.
  effect->SetTexture("Texture1", glowItem->glowTexture);
  effect->SetTechnique("Blend_Max");
  glowTarget.Begin();
  renderer->BeginTargetPass(glowTarget.Chain(), 3);
  glowTarget.Clear();
  renderer->DrawSpritesWithEffect(this, &glowItem->effect);
  glowTarget.End();
  renderer->EndTargetPass();

  // The scene composed so far with the glow blended over the whole picture.
  effect->SetTechnique(glowItem->blendMode.GetValue() == 1 ? "Blend_Screen" : "Blend_Normal");
  effect->SetFloatArray("BlendColor", blendColor, 4);
  IDirect3DTexture9** source = renderer->GetTargetTexture();
  effect->SetTexture("Texture1", source ? *source : nullptr);
  effect->SetTexture("Texture2", glowTarget.Texture());
  renderer->DrawWithEffect(renderer->GetBackgroundQuad(), &glowItem->effect);

  // The particles themselves on top.
  effect->SetTechnique("Common");
  effect->SetTexture("Texture1", glowItem->mainTexture);
  renderer->DrawSpritesWithEffect(this, &glowItem->effect);
}

// ---- effect particle items

DS_FXObj::DS_FXObj(DS_BaseFXCtrl* clone) : DS_ABObj(clone), effectItem(clone) {
  if (!clone) return;
  ParticleGeomArray::item = clone;
  BindCountListener(clone->count);
  clone->LoadEffect();
}

void DS_FXObj::Render(DS_ABRender* renderer) {
  if (!renderer || !effectItem || !effectItem->effect) return;
  effectItem->ApplyEffectParams();
  renderer->DrawSpritesWithEffect(this, &effectItem->effect);
}

void DS_FXObj::Update(double t) {
  if (!effectItem) return;
  ParticleGeomArray::Update(static_cast<float>(t));
  FillVertices();
}

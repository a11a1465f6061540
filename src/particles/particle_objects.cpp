#include "particles/particle_objects.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "render/projection.h"
#include "scene/doc_res_manager.h"
#include "particles/fx_particle_ctrl.h"
#include "scene/render_device.h"
#include "scene/screen_quad.h"
#include "scene/sprite_prop.h"

// ---- sprite particle items

DS_SpriteArrayObj::DS_SpriteArrayObj(DS_BaseSpriteProp* clone)
    : DS_ABObj(clone), markerMode(0) {
  if (!clone) return;
  ParticleGeomArray::item = clone;
  LoadPictures();
  BindCountListener(clone->count);
}

DS_SpriteArrayObj::~DS_SpriteArrayObj() = default;

void DS_SpriteArrayObj::LoadPictures() {
  DS_BaseSpriteProp* clone = Sprites();
  if (!g_DocResManager || !clone) return;
  textureSet = clone->moduleImageSet == 1 ? g_DocResManager->GetImageSetFromModule(clone->image)
                                          : g_DocResManager->GetTextureSet(clone->image);
  if (!clone->secondImage.GetName().empty()) {
    const TextureSet& second = g_DocResManager->GetTextureSet(clone->secondImage);
    if (!second.frames.empty()) secondTexture.Share(second.frames.front());
  }
}

void DS_SpriteArrayObj::ReleasePictures() {
  DS_BaseSpriteProp* sprites = Sprites();
  if (!sprites) return;
  // The set keeps its durations and size: the frame steps and the quads' aspect go on as before.
  if (sprites->moduleImageSet != 1 && ReleaseHeldFrames(textureSet, sprites->image)) picturesReleased_ = true;
  if (ReleaseHeldPicture(secondTexture, sprites->secondImage)) picturesReleased_ = true;
}

void DS_SpriteArrayObj::RemakePictures() {
  if (!picturesReleased_) return;
  picturesReleased_ = false;
  LoadPictures();
}

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
  ParticleGeomArray::Update(t);
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

namespace {

// How far past the texels drawn a bilinear sample of the glow target picks them up, in texels (one, and
// some slack for rounding).
const float kFilterReach = 1.5f;

// The box around points drawn through m (to clip space) as fractions of the target (0 to 1, from the
// left and from the top).
void TargetBox(const D3DXMATRIX& m, const D3DXVECTOR3* points, int n, float box[4]) {
  const float huge = std::numeric_limits<float>::max();
  box[0] = box[1] = huge;
  box[2] = box[3] = -huge;
  for (int k = 0; k < n; ++k) {
    D3DXVECTOR3 clip;
    D3DXVec3TransformCoord(&clip, &points[k], &m);
    const float x = (clip.x + 1.0f) * 0.5f, y = (1.0f - clip.y) * 0.5f;
    box[0] = std::min(box[0], x);
    box[1] = std::min(box[1], y);
    box[2] = std::max(box[2], x);
    box[3] = std::max(box[3], y);
  }
}

}  // namespace

bool GlowUvRect(const QuadBounds& bounds, const D3DXMATRIX& world, float texels, float uv[4]) {
  if (bounds.empty || !(texels > 0)) return false;
  D3DXVECTOR3 corners[8];
  for (int k = 0; k < 8; ++k)
    corners[k] = D3DXVECTOR3((k & 1) ? bounds.high.x : bounds.low.x, (k & 2) ? bounds.high.y : bounds.low.y,
                             (k & 4) ? bounds.high.z : bounds.low.z);
  D3DXMATRIX m;
  float box[4];
  TargetBox(*g_LetterboxProjection.GetWorldViewProj(&m, world), corners, 8, box);
  // The pass stretches the picture over the whole target, so fractions of the target are picture uv.
  const float reach = kFilterReach / texels;
  uv[0] = std::max(box[0] - reach, 0.0f);
  uv[1] = std::max(box[1] - reach, 0.0f);
  uv[2] = std::min(box[2] + reach, 1.0f);
  uv[3] = std::min(box[3] + reach, 1.0f);
  return uv[0] < uv[2] && uv[1] < uv[3];
}

bool PictureUvOnTarget(const D3DXMATRIX& quadWorld, const float uv[4], UINT width, UINT height, RECT* out) {
  const LetterboxProjection& projection = g_LetterboxProjection;
  if (projection.pictureWidth == 0 || projection.pictureHeight == 0 || width == 0 || height == 0) return false;
  // The picture quad spans the picture's pixels with uv (0, 0) at its top-left corner.
  const float pw = static_cast<float>(projection.pictureWidth), ph = static_cast<float>(projection.pictureHeight);
  const D3DXVECTOR3 corners[4] = {D3DXVECTOR3(uv[0] * pw, uv[1] * ph, 0), D3DXVECTOR3(uv[2] * pw, uv[1] * ph, 0),
                                  D3DXVECTOR3(uv[0] * pw, uv[3] * ph, 0), D3DXVECTOR3(uv[2] * pw, uv[3] * ph, 0)};
  D3DXMATRIX m;
  float box[4];
  TargetBox(*projection.GetWorldViewProj(&m, quadWorld), corners, 4, box);
  // Whole pixels, one more on each side, inside the target.
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  out->left = static_cast<LONG>(std::min(std::max(std::floor(box[0] * w) - 1.0f, 0.0f), w));
  out->top = static_cast<LONG>(std::min(std::max(std::floor(box[1] * h) - 1.0f, 0.0f), h));
  out->right = static_cast<LONG>(std::max(std::min(std::ceil(box[2] * w) + 1.0f, w), 0.0f));
  out->bottom = static_cast<LONG>(std::max(std::min(std::ceil(box[3] * h) + 1.0f, h), 0.0f));
  return out->left < out->right && out->top < out->bottom;
}

DS_GlowingObj::DS_GlowingObj(DS_GlowEffectCtrl* clone) : DS_ABObj(clone), glowItem(clone) {
  if (!clone) return;
  ParticleGeomArray::item = clone;
  BindCountListener(clone->count);
  clone->LoadEffect();
  glowTarget.Create(kGlowTargetSize, kGlowTargetSize);
}

void DS_GlowingObj::ReleasePictures() { pictures_.Release(glowItem); }
void DS_GlowingObj::RemakePictures() { pictures_.Remake(glowItem); }

bool DS_GlowingObj::GlowShows() const {
  if (!glowItem) return false;
  const float strength = glowItem->glowStrength.GetResult();
  if (!(strength > 0.0f)) return false;
  // A screen blend of black changes nothing; the normal blend lays even black over the scene.
  return glowItem->blendMode.GetValue() != 1 || (glowItem->glowColour.GetValue() & 0x00FFFFFF) != 0;
}

void DS_GlowingObj::Update(double t) {
  if (!glowItem) return;
  glowItem->UpdateEffect();
  ParticleGeomArray::Update(t);
  FillVertices();
}

void DS_GlowingObj::Render(DS_ABRender* renderer) {
  if (!renderer || !glowItem || !glowItem->effect) return;
  // Nothing drawn: no quads to glow or to draw.
  if (Bounds().empty) return;
  ID3DXEffect* effect = glowItem->effect;
  RenderDevice& device = GetRenderDevice();

  if (GlowShows() && glowTarget.EnsureMade()) {
    float blendColor[4];
    GlowBlendColor(glowItem->glowColour.GetValue(), glowItem->glowStrength.GetResult(), blendColor);

    // The particles alone into the cleared glow target.
    effect->SetTexture("Texture1", glowItem->glowTexture);
    effect->SetTechnique("Blend_Max");
    glowTarget.Begin();
    renderer->BeginTargetPass(glowTarget.Chain(), 3);
    glowTarget.Clear();
    renderer->DrawSpritesWithEffect(this, glowItem->effect.Slot());
    float uv[4];
    const bool glowing = GlowUvRect(Bounds(), world, static_cast<float>(kGlowTargetSize), uv);
    glowTarget.End();
    renderer->EndTargetPass();

    // The glow blended over the scene drawn so far on the picture quad; the device fills only the pixels
    // the glow can reach, since the blend leaves every other one as it is.
    TexQuadPT* quad = renderer->GetBackgroundQuad();
    const BackBufferSize target = device.GetTargetSize();
    RECT reach;
    if (glowing && quad && PictureUvOnTarget(quad->world, uv, target.width, target.height, &reach)) {
      effect->SetTechnique(glowItem->blendMode.GetValue() == 1 ? "Blend_Screen" : "Blend_Normal");
      effect->SetFloatArray("BlendColor", blendColor, 4);
      effect->SetTexture("Texture2", glowTarget.Texture());
      device.SetScissorRect(reach);
      device.ApplyStates(kScissorOn);
      renderer->DrawWithEffect(quad, glowItem->effect.Slot());
      device.ApplyStates(kScissorOff);
    }
  }

  // The particles themselves on top.
  effect->SetTechnique("Common");
  effect->SetTexture("Texture1", glowItem->mainTexture);
  renderer->DrawSpritesWithEffect(this, glowItem->effect.Slot());
}

// ---- effect particle items

DS_FXObj::DS_FXObj(DS_BaseFXCtrl* clone) : DS_ABObj(clone), effectItem(clone) {
  if (!clone) return;
  ParticleGeomArray::item = clone;
  BindCountListener(clone->count);
  clone->LoadEffect();
}

void DS_FXObj::ReleasePictures() { pictures_.Release(effectItem); }
void DS_FXObj::RemakePictures() { pictures_.Remake(effectItem); }

void DS_FXObj::Render(DS_ABRender* renderer) {
  if (!renderer || !effectItem || !effectItem->effect) return;
  effectItem->ApplyEffectParams();
  renderer->DrawSpritesWithEffect(this, effectItem->effect.Slot());
}

void DS_FXObj::Update(double t) {
  if (!effectItem) return;
  ParticleGeomArray::Update(t);
  FillVertices();
}

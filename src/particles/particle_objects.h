// The render objects of the particle items. Each owns its item clone
// (through DS_ABObj); the geometry part of a particle object points at the same clone and never deletes
// it. Textures and effects belong to the document resource manager or to the item; the objects only hold
// references.
#pragma once

#include "platform/com_ref.h"
#include "platform/d3dx_effect.h"
#include "render/ab_render.h"
#include "render/glow_target.h"
#include "render/particle_geometry.h"
#include "render/render_object.h"

class DS_BaseSpriteProp;
class DS_GlowEffectCtrl;
class DS_BaseFXCtrl;

// A sprite particle item's render object: the particles as quads with the item's image set as separate
// frame textures, and an optional second texture drawn over them.
class DS_SpriteArrayObj : public AnimatedTexture<ParticleGeomArray>, public DS_ABObj, public SpriteArraySource {
 public:
  // Copies the texture set of the item's image link (a module image set when the item says so), binds
  // the particle count (the particles are made at once) and takes the first frame of the second image
  // link when it names one.
  explicit DS_SpriteArrayObj(DS_BaseSpriteProp* clone);
  ~DS_SpriteArrayObj() override;

  void Render(DS_ABRender* renderer) override;
  // The view rectangle's corners as editing handles.
  void DrawMarkers(DS_ABRender* renderer, int mode) override;
  // Particles move; the image set steps on the item clock; the quads are refilled every frame, or only
  // when the frame texture changed if the item asks for that.
  void Update(double t) override;
  void OnScreenResize() override;
  bool HitTest(const POINT& point) override;
  // The image set's frames and the second texture, when the manager can make them again.
  void ReleasePictures() override;
  void RemakePictures() override;

  // The second texture with a reference of the caller's own; empty when there is none.
  ComRef<IDirect3DTexture9> ShareSecondTexture() const { return secondTexture; }

  // What the renderer's sprite-array draw reads.
  DS_IndexedMesh<DX_V::PCT>* GetSpriteGeometry() override { return this; }
  IDirect3DTexture9* GetFrameTexture() override { return CurrentTexture(); }
  // Borrowed: no reference is added.
  IDirect3DTexture9* GetSecondTexture() override { return secondTexture.Get(); }
  int GetBlendMode() override;

  DS_BaseSpriteProp* Sprites() const { return ParticleGeomArray::item; }

  ComRef<IDirect3DTexture9> secondTexture;
  int markerMode;                    // 1 for still sprites

 private:
  // The item's image set (a module image set when the item says so) and its second image's first frame.
  void LoadPictures();
  bool picturesReleased_ = false;
};

// BlendColor of the glow blend: red, green and blue of a COLORREF (red in the low byte) over 255, and
// the strength.
void GlowBlendColor(DWORD colour, float strength, float out[4]);

// During a target pass that stretches the picture over a target of texels x texels: the part of it that
// quads within bounds (drawn through world) reach once sampled with bilinear filtering, as picture uv
// (left, top, right, bottom); false when they reach none of it.
bool GlowUvRect(const QuadBounds& bounds, const D3DXMATRIX& world, float texels, float uv[4]);
// The pixels of the current target (width x height) where the picture quad, drawn through quadWorld,
// shows that picture uv rectangle, a pixel more on each side and inside the target; false when none.
bool PictureUvOnTarget(const D3DXMATRIX& quadWorld, const float uv[4], UINT width, UINT height, RECT* out);

// A glow particle item's render object: the particles are drawn into a glow target of their own, which is
// blended over the scene drawn so far; then the particles themselves are drawn on top.
// The blend changes the current target where the glow is and nowhere else, so the object reads no
// source: the slide draws it without an off-screen pass, and the device fills only the pixels the glow
// reaches.
class DS_GlowingObj : public ParticleGeomArray, public DS_ABObj {
 public:
  static const int kGlowTargetSize = 512;

  // Binds the particle count, has the item load its effect and textures, then makes the glow target.
  explicit DS_GlowingObj(DS_GlowEffectCtrl* clone);

  // Nothing without an effect or without quads; the glow passes only while the glow shows and its
  // target can be made; the particles on top in every case.
  void Render(DS_ABRender* renderer) override;
  void DrawMarkers(DS_ABRender* renderer, int mode) override {}
  void Update(double t) override;
  void OnScreenResize() override {}
  // Whether the blend can change a pixel: a strength above 0, and for the screen blend a colour other
  // than black.
  bool GlowShows() const;
  // The item's textures, when the manager can make them again.
  void ReleasePictures() override;
  void RemakePictures() override;

  DS_GlowEffectCtrl* glowItem;  // the same clone as the base's item
  GlowTarget glowTarget;

 private:
  ItemPictures pictures_;
};

// An effect particle item's render object: the particles drawn once through the item's effect.
class DS_FXObj : public ParticleGeomArray, public DS_ABObj {
 public:
  // Binds the particle count and has the item load its effect.
  explicit DS_FXObj(DS_BaseFXCtrl* clone);

  // The item sets the effect's parameters, then the particles are drawn with it; nothing without an
  // effect.
  void Render(DS_ABRender* renderer) override;
  void DrawMarkers(DS_ABRender* renderer, int mode) override {}
  void Update(double t) override;
  void OnScreenResize() override {}
  // The item's textures, when the manager can make them again.
  void ReleasePictures() override;
  void RemakePictures() override;

  DS_BaseFXCtrl* effectItem;  // the same clone as the base's item

 private:
  ItemPictures pictures_;
};

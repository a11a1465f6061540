// The renderer interface: render objects draw only through it, never setting device state themselves.
// The picture light of a slide (DS_2D_Light) implements it; each operation sets the states it needs right
// before its draw calls and restores only the states it names.
#pragma once

#include "platform/types.h"
#include "render/mesh.h"
#include "scene/iof_item.h"

#ifndef _WIN32
struct ID3DXEffect;  // natively only passed through
#endif
class RenderTargetChain;

// A textured four-vertex triangle strip in picture pixels (PT vertices): the picture quad, and quads
// that effects draw. Holds one reference on its texture.
class TexQuadPT : public DS_SimpleMesh<DX_V::PT> {
 public:
  // Holds t (may be null), releasing the texture held before.
  void SetTexture(IDirect3DTexture9* t) { texture.Share(t); }

  ComRef<IDirect3DTexture9> texture;
};

// What the renderer needs of a sprite-array render object (DS_SpriteArrayObj implements it and passes
// itself to DS_ABRender::DrawSpriteArray).
class SpriteArraySource {
 public:
  // The quads (indexed PCT triangle list); their DS_Frame world places them. Null: nothing to draw.
  virtual DS_IndexedMesh<DX_V::PCT>* GetSpriteGeometry() = 0;
  // The texture of the geometry's current frame; null when the frame does not exist.
  virtual IDirect3DTexture9* GetFrameTexture() = 0;
  // The second texture drawn over the first pass; null when there is none.
  virtual IDirect3DTexture9* GetSecondTexture() = 0;
  // The item's blend-mode value: 0 alpha blended, otherwise additive.
  virtual int GetBlendMode() = 0;

 protected:
  ~SpriteArraySource() = default;
};

class DS_ABRender : public DS_IOF_Item {
 public:
  // An object's own pass into target: the projection measured in the target's units with the given
  // picture position. Binding the target is the caller's. Pair with EndTargetPass.
  virtual void BeginTargetPass(RenderTargetChain* target, int mode) = 0;
  // Back to the size and projection mode saved by the matching BeginTargetPass.
  virtual void EndTargetPass() = 0;
  // Editing handles at the corners of an object's rectangle (four PC vertices). Unused by the player.
  virtual void DrawMarkerSprites(DS_SimpleMesh<DX_V::PC>* mesh, int mode, bool steady) = 0;
  // The effect's passes over an indexed PT mesh; the world transform is left as it is. The caller sets
  // the technique and the parameters; a null effect draws nothing.
  virtual void DrawIndexedWithEffect(DS_IndexedMesh<DX_V::PT>* mesh, ID3DXEffect** effect) = 0;
  // The effect's passes over a PT mesh placed by its world.
  virtual void DrawWithEffect(DS_SimpleMesh<DX_V::PT>* mesh, ID3DXEffect** effect) = 0;
  // The effect's passes over an indexed PCT mesh (sprites) placed by its world.
  virtual void DrawSpritesWithEffect(DS_IndexedMesh<DX_V::PCT>* mesh, ID3DXEffect** effect) = 0;
  // A textured mesh at each of its instance frames; blended parts from both sides.
  virtual void DrawMeshPart(MeshPart* part) = 0;
  // Particle quads: alpha blended or additive, with an optional second texture.
  virtual void DrawSpriteArray(SpriteArraySource* sprites) = 0;
  // A blended mesh from both sides at each child frame of the mesh's own frame.
  virtual void DrawTwoSidedMesh(TexturedMesh<DX_V::PNT>* mesh) = 0;
  // A textured quad placed by its world, fixed-function: copied opaque, or blended by its alpha when
  // pulse is set. Effect items draw the scene behind them through it when they have no effect.
  virtual void DrawPulsingQuad(TexQuadPT* quad, bool pulse) = 0;
  // Where the texture of the picture composed so far is kept; read the pointer at draw time.
  virtual IDirect3DTexture9** GetTargetTexture() = 0;
  // The picture quad: its world and buffer cover the picture, in picture pixels.
  virtual TexQuadPT* GetBackgroundQuad() = 0;
  // The picture's size in pixels.
  virtual UINT GetImageWidth() = 0;
  virtual UINT GetImageHeight() = 0;
};

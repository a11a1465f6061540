// A recording renderer: every draw and target pass that a render object asks for is appended to a call
// log (shared with recording effects, so effect settings and draws interleave in one list). Draws name
// their mesh and effect by the log's names; a sprite-array draw also keeps what the renderer read from
// its source. The source texture and the picture quad are the renderer's own members.
#pragma once

#include <string>
#include <vector>

#include "render/ab_render.h"
#include "support/recording_effect.h"

namespace lumi_test {

class RecordingRenderer : public DS_ABRender {
 public:
  explicit RecordingRenderer(CallLog& log) : log_(log) { log_.names[&backgroundQuad] = "background"; }

  // What DrawSpriteArray read from its source.
  struct SpriteDraw {
    DS_IndexedMesh<DX_V::PCT>* geometry;
    IDirect3DTexture9* frameTexture;
    IDirect3DTexture9* secondTexture;
    int blendMode;
  };
  // What DrawMarkerSprites was given: the four corners and the flags.
  struct MarkerDraw {
    std::vector<DX_V::PC> corners;
    int mode;
    bool steady;
  };

  void Save(DS_IOF_Virtual**) override {}
  void BeginTargetPass(RenderTargetChain* target, int mode) override;
  void EndTargetPass() override { log_.Add("EndTargetPass"); }
  void DrawMarkerSprites(DS_SimpleMesh<DX_V::PC>* mesh, int mode, bool steady) override;
  void DrawIndexedWithEffect(DS_IndexedMesh<DX_V::PT>* mesh, ID3DXEffect** effect) override {
    Draw("DrawIndexedWithEffect", mesh, effect);
  }
  void DrawWithEffect(DS_SimpleMesh<DX_V::PT>* mesh, ID3DXEffect** effect) override {
    Draw("DrawWithEffect", mesh, effect);
  }
  void DrawSpritesWithEffect(DS_IndexedMesh<DX_V::PCT>* mesh, ID3DXEffect** effect) override {
    Draw("DrawSpritesWithEffect", mesh, effect);
  }
  void DrawMeshPart(MeshPart* part) override { log_.Add("DrawMeshPart " + log_.Name(part)); }
  void DrawSpriteArray(SpriteArraySource* sprites) override;
  void DrawTwoSidedMesh(TexturedMesh<DX_V::PNT>* mesh) override { log_.Add("DrawTwoSidedMesh " + log_.Name(mesh)); }
  // Names the texture the quad shows, and "pulse" when it is blended.
  void DrawPulsingQuad(TexQuadPT* quad, bool pulse) override {
    log_.Add("DrawPulsingQuad " + log_.Name(quad ? quad->texture : nullptr) + (pulse ? " pulse" : ""));
  }
  IDirect3DTexture9** GetTargetTexture() override { return &sourceTexture; }
  TexQuadPT* GetBackgroundQuad() override { return &backgroundQuad; }
  UINT GetImageWidth() override { return imageWidth; }
  UINT GetImageHeight() override { return imageHeight; }

  IDirect3DTexture9* sourceTexture = nullptr;  // not held
  TexQuadPT backgroundQuad;
  UINT imageWidth = 800;
  UINT imageHeight = 600;
  std::vector<RenderTargetChain*> targets;  // of the target passes, in order
  std::vector<SpriteDraw> spriteDraws;
  std::vector<MarkerDraw> markerDraws;

 private:
  void Draw(const char* what, const void* mesh, ID3DXEffect** effect);

  CallLog& log_;
};

}  // namespace lumi_test

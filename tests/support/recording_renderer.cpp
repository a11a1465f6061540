#include "support/recording_renderer.h"

namespace lumi_test {

void RecordingRenderer::BeginTargetPass(RenderTargetChain* target, int mode) {
  targets.push_back(target);
  log_.Add("BeginTargetPass " + std::to_string(mode));
}

void RecordingRenderer::DrawMarkerSprites(DS_SimpleMesh<DX_V::PC>* mesh, int mode, bool steady) {
  MarkerDraw d{{}, mode, steady};
  if (mesh) {
    if (const DX_V::PC* v = mesh->LockVertices()) {
      d.corners.assign(v, v + mesh->vertexCount);
      mesh->UnlockVertices();
    }
  }
  markerDraws.push_back(d);
  log_.Add("DrawMarkerSprites " + std::to_string(mode) + (steady ? " steady" : ""));
}

void RecordingRenderer::DrawSpriteArray(SpriteArraySource* sprites) {
  spriteDraws.push_back(SpriteDraw{sprites->GetSpriteGeometry(), sprites->GetFrameTexture(),
                                   sprites->GetSecondTexture(), sprites->GetBlendMode()});
  log_.Add("DrawSpriteArray");
}

void RecordingRenderer::Draw(const char* what, const void* mesh, ID3DXEffect** effect) {
  log_.Add(std::string(what) + " " + log_.Name(mesh) + " " + (effect ? log_.Name(*effect) : std::string("none")));
}

}  // namespace lumi_test

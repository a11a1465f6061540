// The renderer operations of the picture light: what each drawing operation does on the device, in order.
#include "lights/light_2d.h"
#include "render/projection.h"
#include "scene/render_device.h"

namespace {

template <class V>
void DrawIndexed(RenderDevice& d, const DS_IndexedMesh<V>& mesh) {
  d.DrawIndexedPrimitive(mesh.primitiveType, 0, 0, mesh.vertexCount, 0, mesh.triangleCount);
}

}  // namespace

void DS_2D_Light::BeginTargetPass(RenderTargetChain* target, int mode) {
  targetPassMode = g_LetterboxProjection.mode;
  sizeStack.push_back(std::make_pair(targetWidth, targetHeight));
  if (target) {
    targetWidth = target->width;
    targetHeight = target->height;
  }
  g_LetterboxProjection.SetProjection(targetWidth, targetHeight, pictureQuad.info, mode, true);
}

void DS_2D_Light::EndTargetPass() {
  // An end without a matching begin has no size to go back to: nothing changes.
  if (sizeStack.empty()) return;
  targetWidth = sizeStack.back().first;
  targetHeight = sizeStack.back().second;
  sizeStack.pop_back();
  g_LetterboxProjection.SetProjection(targetWidth, targetHeight, pictureQuad.info, targetPassMode, false);
}

// Editing handles belong to editing; the player never draws them.
void DS_2D_Light::DrawMarkerSprites(DS_SimpleMesh<DX_V::PC>* mesh, int mode, bool steady) {}

// The quad's texture through its world with fixed-function texturing: copied as it is when pulse is off
// (an effect item without an effect keeps the scene behind it this way), blended by its alpha when on.
void DS_2D_Light::DrawPulsingQuad(TexQuadPT* quad, bool pulse) {
  if (!quad || !quad->vertexBuffer || quad->primitiveCount == 0) return;
  RenderDevice& d = GetRenderDevice();
  g_LetterboxProjection.SetWorld(quad->world);
  d.SetRenderState(D3DRS_ALPHABLENDENABLE, pulse ? TRUE : FALSE);
  d.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  d.SetTexture(0, quad->texture);
  BindStreamPT(*quad);
  d.DrawPrimitive(quad->primitiveType, 0, quad->primitiveCount);
  d.SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void DS_2D_Light::DrawIndexedWithEffect(DS_IndexedMesh<DX_V::PT>* mesh, ID3DXEffect** effect) {
  if (!mesh || !effect || !*effect || !mesh->CanDrawIndexed()) return;
  RenderDevice& d = GetRenderDevice();
  d.SetIndices(mesh->indexBuffer);
  BindStreamPT(*mesh);
  RunEffectPasses(*effect, [&] { DrawIndexed(d, *mesh); });
}

void DS_2D_Light::DrawWithEffect(DS_SimpleMesh<DX_V::PT>* mesh, ID3DXEffect** effect) {
  if (!mesh || !effect || !*effect || !mesh->vertexBuffer || mesh->primitiveCount == 0) return;
  RenderDevice& d = GetRenderDevice();
  g_LetterboxProjection.SetWorld(mesh->world);
  BindStreamPT(*mesh);
  RunEffectPasses(*effect, [&] { d.DrawPrimitive(mesh->primitiveType, 0, mesh->primitiveCount); });
}

void DS_2D_Light::DrawSpritesWithEffect(DS_IndexedMesh<DX_V::PCT>* mesh, ID3DXEffect** effect) {
  if (!mesh || !effect || !*effect || !mesh->CanDrawIndexed()) return;
  RenderDevice& d = GetRenderDevice();
  g_LetterboxProjection.SetWorld(mesh->world);
  d.SetIndices(mesh->indexBuffer);
  BindStreamPCT(*mesh);
  RunEffectPasses(*effect, [&] { DrawIndexed(d, *mesh); });
}

void DS_2D_Light::DrawMeshPart(MeshPart* part) {
  if (!part) return;
  RenderDevice& d = GetRenderDevice();
  g_LetterboxProjection.ApplyTransforms();
  const bool blended = part->blended != 0;
  if (blended) d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  if (part->CanDrawIndexed()) {
    d.SetTexture(0, part->texture);
    d.SetIndices(part->indexBuffer);
    BindStreamPNT(*part);
    // Blended parts are drawn once more with the opposite culling, so that both sides show.
    for (int pass = 0; pass < (blended ? 2 : 1); ++pass) {
      for (DS_Frame* frame : part->instances) {
        if (!frame) continue;
        g_LetterboxProjection.SetWorld(frame->world);
        const bool front = (frame->frontFace != 0) == (pass == 0);
        d.SetRenderState(D3DRS_CULLMODE, front ? D3DCULL_CCW : D3DCULL_CW);
        DrawIndexed(d, *part);
      }
    }
  }
  d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d.SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void DS_2D_Light::DrawSpriteArray(SpriteArraySource* sprites) {
  if (!sprites) return;
  DS_IndexedMesh<DX_V::PCT>* geometry = sprites->GetSpriteGeometry();
  // An array without buffers or quads has nothing to draw.
  if (!geometry || !geometry->CanDrawIndexed()) return;
  RenderDevice& d = GetRenderDevice();
  g_LetterboxProjection.ApplyTransforms();
  g_LetterboxProjection.SetWorld(geometry->world);
  d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d.SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  IDirect3DTexture9* second = sprites->GetSecondTexture();
  const int blend = sprites->GetBlendMode();
  d.SetRenderState(D3DRS_DESTBLEND, (second || blend == 0) ? D3DBLEND_INVSRCALPHA : D3DBLEND_ONE);
  BindSpriteArrayStream(*sprites);
  DrawIndexed(d, *geometry);
  if (second) {
    d.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d.SetTexture(0, second);
    if (blend == 1) d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    DrawIndexed(d, *geometry);
  }
  d.SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
}

void DS_2D_Light::DrawTwoSidedMesh(TexturedMesh<DX_V::PNT>* mesh) {
  if (!mesh) return;
  RenderDevice& d = GetRenderDevice();
  g_LetterboxProjection.ApplyTransforms();
  d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  d.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  if (mesh->CanDrawIndexed()) {
    d.SetTexture(0, mesh->texture);
    d.SetIndices(mesh->indexBuffer);
    BindStreamPNT(*mesh);
    for (DS_Frame* child : mesh->children) {
      if (!child) continue;
      g_LetterboxProjection.SetWorld(child->world);
      d.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
      DrawIndexed(d, *mesh);
      d.SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
      DrawIndexed(d, *mesh);
    }
  }
  d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d.SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

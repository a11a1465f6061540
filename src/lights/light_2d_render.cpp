// The renderer operations of the picture light: what each drawing operation does on the device, in order.
#include "lights/light_2d.h"
#include "lights/light_states.h"
#include "render/projection.h"
#include "scene/render_device.h"

// An effect item without an effect: the quad's texture copied as it is, or blended by its alpha.
const StateSet kCopiedQuad = {"copied quad",
                              {Rs(D3DRS_ALPHABLENDENABLE, FALSE), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
                               Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1)}};
const StateSet kPulsingQuad = {"pulsing quad",
                               {Rs(D3DRS_ALPHABLENDENABLE, TRUE), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
                                Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1)}};
const StateSet kBlendOff = {"blend off", {Rs(D3DRS_ALPHABLENDENABLE, FALSE)}};
const StateSet kBlendOn = {"blend on", {Rs(D3DRS_ALPHABLENDENABLE, TRUE)}};

// Meshes: blended parts and two-sided meshes draw each side with its own culling.
const StateSet kBlendedMesh = {"blended mesh", {Rs(D3DRS_ALPHABLENDENABLE, TRUE)}};
const StateSet kTwoSidedMesh = {"two-sided mesh",
                                {Rs(D3DRS_ALPHABLENDENABLE, TRUE), Tss(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1),
                                 Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1)}};
const StateSet kCullCcw = {"cull ccw", {Rs(D3DRS_CULLMODE, D3DCULL_CCW)}};
const StateSet kCullCw = {"cull cw", {Rs(D3DRS_CULLMODE, D3DCULL_CW)}};
const StateSet kMeshDone = {"mesh done", {Rs(D3DRS_CULLMODE, D3DCULL_NONE), Rs(D3DRS_ALPHABLENDENABLE, FALSE)}};

// Sprite arrays: texture times vertex colour, blended by alpha or added; a second texture drawn over the
// first as it is.
const StateSet kBlendedSprites = {"blended sprites",
                                  {Rs(D3DRS_CULLMODE, D3DCULL_NONE), Rs(D3DRS_ALPHABLENDENABLE, TRUE),
                                   Tss(0, D3DTSS_COLOROP, D3DTOP_MODULATE), Tss(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE),
                                   Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE), Tss(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE),
                                   Rs(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA)}};
const StateSet kAdditiveBlend = {"additive blend", {Rs(D3DRS_DESTBLEND, D3DBLEND_ONE)}};
const StateSet kSecondSpriteTexture = {"second sprite texture", {Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1)}};
const StateSet kSpritesDone = {"sprites done",
                               {Rs(D3DRS_ALPHABLENDENABLE, FALSE), Rs(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
                                Tss(0, D3DTSS_COLOROP, D3DTOP_MODULATE)}};

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
  d.ApplyStates(pulse ? kPulsingQuad : kCopiedQuad);
  d.SetTexture(0, quad->texture);
  BindStreamPT(*quad);
  d.DrawPrimitive(quad->primitiveType, 0, quad->primitiveCount);
  d.ApplyStates(kBlendOff);
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
  if (blended) d.ApplyStates(kBlendedMesh);
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
        d.ApplyStates(front ? kCullCcw : kCullCw);
        DrawIndexed(d, *part);
      }
    }
  }
  d.ApplyStates(kMeshDone);
}

void DS_2D_Light::DrawSpriteArray(SpriteArraySource* sprites) {
  if (!sprites) return;
  DS_IndexedMesh<DX_V::PCT>* geometry = sprites->GetSpriteGeometry();
  // An array without buffers or quads has nothing to draw.
  if (!geometry || !geometry->CanDrawIndexed()) return;
  RenderDevice& d = GetRenderDevice();
  g_LetterboxProjection.ApplyTransforms();
  g_LetterboxProjection.SetWorld(geometry->world);
  IDirect3DTexture9* second = sprites->GetSecondTexture();
  const int blend = sprites->GetBlendMode();
  d.ApplyStates(kBlendedSprites);
  if (!second && blend != 0) d.ApplyStates(kAdditiveBlend);
  BindSpriteArrayStream(*sprites);
  DrawIndexed(d, *geometry);
  if (second) {
    d.ApplyStates(kSecondSpriteTexture);
    if (blend == 1) d.ApplyStates(kAdditiveBlend);
    d.SetTexture(0, second);
    DrawIndexed(d, *geometry);
  }
  d.ApplyStates(kSpritesDone);
}

void DS_2D_Light::DrawTwoSidedMesh(TexturedMesh<DX_V::PNT>* mesh) {
  if (!mesh) return;
  RenderDevice& d = GetRenderDevice();
  g_LetterboxProjection.ApplyTransforms();
  d.ApplyStates(kTwoSidedMesh);
  if (mesh->CanDrawIndexed()) {
    d.SetTexture(0, mesh->texture);
    d.SetIndices(mesh->indexBuffer);
    BindStreamPNT(*mesh);
    for (DS_Frame* child : mesh->children) {
      if (!child) continue;
      g_LetterboxProjection.SetWorld(child->world);
      d.ApplyStates(kCullCcw);
      DrawIndexed(d, *mesh);
      d.ApplyStates(kCullCw);
      DrawIndexed(d, *mesh);
    }
  }
  d.ApplyStates(kMeshDone);
}

#include "lights/matrix_code_light.h"

#include <algorithm>

#include "lights/light_states.h"
#include "render/projection.h"
#include "scene/doc_res_manager.h"
#include "scene/readers.h"
#include "scene/render_device.h"
#include "scene/screen_mapping.h"
#include "scene/stream.h"

namespace {
const char16_t kClass[] = u"DS_MatrixCodeLight";
}

// ---- sprites ----------------------------------------------------------------------------------------

MatrixCodeSprites::~MatrixCodeSprites() = default;

void MatrixCodeSprites::Resize(UINT n) {
  const ComRef<IDirect3DTexture9> first = textures.empty() ? nullptr : textures.front();
  const UINT count = std::max<UINT>(MatrixChunkCount(n), 1);
  chunks.assign(count, DS_IndexedMesh<DX_V::RHWCT>());
  textures.assign(count, ComRef<IDirect3DTexture9>());
  UINT left = n;
  for (UINT c = 0; c < count; ++c) {
    const UINT quads = std::min(left, kMatrixChunkQuads);
    left -= quads;
    DS_IndexedMesh<DX_V::RHWCT>& chunk = chunks[c];
    if (quads == 0 || deviceLost_) continue;
    if (FAILED(chunk.CreateBuffers(quads * 4, quads * 6, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DPOOL_DEFAULT)))
      continue;
    if (WORD* idx = chunk.LockIndices()) {
      for (UINT k = 0; k < quads; ++k) {
        const WORD b = static_cast<WORD>(4 * k);
        const WORD pattern[6] = {b, static_cast<WORD>(b + 1), static_cast<WORD>(b + 2),
                                 static_cast<WORD>(b + 2), static_cast<WORD>(b + 1), static_cast<WORD>(b + 3)};
        std::copy(pattern, pattern + 6, idx + 6 * k);
      }
      chunk.UnlockIndices();
    }
    if (DX_V::RHWCT* v = chunk.LockVertices(D3DLOCK_DISCARD)) {
      for (UINT k = 0; k < quads * 4; ++k) v[k] = DX_V::RHWCT{0, 0, 0, 1, 0, 0, 0};
      chunk.UnlockVertices();
    }
  }
  SetTexture(first);
  quadCount = static_cast<int>(n);
}

void MatrixCodeSprites::SetTexture(IDirect3DTexture9* texture) {
  textures.resize(chunks.size());
  for (ComRef<IDirect3DTexture9>& t : textures) t.Share(texture);
}

void MatrixCodeSprites::LockAll() {
  // Every quad is written after this, so what the buffers held is discarded.
  for (auto& c : chunks) c.LockVertices(D3DLOCK_DISCARD);
}

void MatrixCodeSprites::UnlockAll() {
  for (auto& c : chunks) c.UnlockVertices();
}

DX_V::RHWCT* MatrixCodeSprites::QuadVertices(UINT i) {
  const UINT c = i / kMatrixChunkQuads;
  if (c >= chunks.size() || !chunks[c].lockedVertices) return nullptr;
  return static_cast<DX_V::RHWCT*>(chunks[c].lockedVertices) + 4 * (i % kMatrixChunkQuads);
}

void MatrixCodeSprites::InvalidateDeviceObjects() {
  if (deviceLost_) return;
  deviceLost_ = true;
  for (auto& c : chunks) {
    c.ReleaseVertexBuffer();
    c.ReleaseIndexBuffer();
  }
}

void MatrixCodeSprites::CreateDeviceObjects() {
  if (!deviceLost_) return;
  deviceLost_ = false;
  if (quadCount > 0) Resize(static_cast<UINT>(quadCount));
}

void MatrixCodeSprites::Draw(UINT quads) {
  RenderDevice& d = GetRenderDevice();
  for (size_t c = 0; c < chunks.size(); ++c) {
    DS_IndexedMesh<DX_V::RHWCT>& chunk = chunks[c];
    if (!chunk.CanDrawIndexed()) continue;
    const UINT n = MatrixChunkDrawnQuads(quads, static_cast<UINT>(c), chunk.triangleCount / 2);
    if (n == 0) continue;
    d.SetTexture(0, c < textures.size() ? textures[c].Get() : nullptr);
    d.SetIndices(chunk.indexBuffer);
    BindStreamRHWCT(chunk);
    d.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4 * n, 0, 2 * n);
  }
}

// ---- the light --------------------------------------------------------------------------------------

DS_MatrixCodeLight::DS_MatrixCodeLight() : glyphSheet(40, u"basekit.dll"), settings(new MatrixCodeSettings) {
  cellSize = 16;
  density = 20;
  flickerCount = 50;
  sparkle = 0;
  mode = 0;
  startMode = 2;
  glyphColor = 0;
  headColor = 0;
  transparency.SetScaling(-0.01f, 1.0f);
  transparency.SetValue(0, nullptr);
}

void DS_MatrixCodeLight::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, kClass, kVersion);
  DS_IOF_Virtual* s = *stream;
  s->WriteUInt(cellSize.GetValue());
  s->WriteUInt(density.GetValue());
  s->WriteUInt(flickerCount.GetValue());
  s->WriteInt(sparkle.GetValue());
  s->WriteInt(mode.GetValue());
  s->WriteInt(startMode.GetValue());
  s->WriteDword(glyphColor.GetValue());
  s->WriteDword(headColor.GetValue());
  s->WriteUInt(transparency.GetValue());
  if (g_DocResManager) g_DocResManager->RegisterImageForSave(glyphSheet);
  WriteFileLink(stream, glyphSheet);
  SaveBase(stream);
}

DS_MatrixCodeLight* DS_MatrixCodeLight::CreateAndRead(DS_IOF_Virtual** stream, DWORD version) {
  std::unique_ptr<DS_MatrixCodeLight> light(new DS_MatrixCodeLight);
  ReadFields(stream, version, light.get());
  return light.release();
}

void DS_MatrixCodeLight::ReadFields(DS_IOF_Virtual** stream, DWORD version, DS_MatrixCodeLight* light) {
  DS_IOF_Virtual* s = *stream;
  s->ReadUInt(&light->cellSize.Raw());
  s->ReadUInt(&light->density.Raw());
  s->ReadUInt(&light->flickerCount.Raw());
  s->ReadInt(&light->sparkle.Raw());
  s->ReadInt(&light->mode.Raw());
  s->ReadInt(&light->startMode.Raw());
  s->ReadDword(&light->glyphColor.Raw());
  s->ReadDword(&light->headColor.Raw());
  UINT t = 0;
  s->ReadUInt(&t);
  light->transparency.Change(t);
  if (version >= 2) ReadFileLink(stream, &light->glyphSheet);
  DS_2D_Light::ReadBase(stream, light);
}

void RegisterMatrixCodeLightReader() { RegisterClassReader<DS_MatrixCodeLight>(GetLightReaderRegistry(), kClass); }

void DS_MatrixCodeLight::OnCreateDevice() {
  DS_2D_Light::OnCreateDevice();
  LoadPendingPicture();  // this light works from the picture's texture from the start
  DS_2D_Light::Resize(1, 1);
  TextureInfo sheet;
  if (g_DocResManager) TextureInfo::FromTextureSet(g_DocResManager->GetTextureSet(glyphSheet), sheet);
  sheetUsable = sheet.texture && sheet.width > 0 && sheet.height > 0;
  settings->glyphCount = sheetUsable ? MatrixGlyphBands(sheet.width, sheet.height) : 1;
  sprites.SetTexture(sheet.texture);
  settings->cellSize = std::max<UINT>(cellSize.GetValue(), 1);
  settings->density = std::min<UINT>(std::max<UINT>(density.GetValue(), 1), 100);
  settings->flickerCount = flickerCount.GetValue();
  settings->sparkle = static_cast<UINT>(sparkle.GetValue());
  settings->startMode = static_cast<UINT>(startMode.GetValue());
  RebuildGrid();
  ResizeSprites();
  BuildLuminanceMap();
}

// Glyphs: their sheet's texels times the vertex colour, in colour and alpha, blended over the picture.
const StateSet kGlyphStages = {"glyph stages",
                               {Tss(0, D3DTSS_COLOROP, D3DTOP_MODULATE), Tss(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE)}};
const StateSet kGlyphs = {"glyphs", {Tss(0, D3DTSS_COLOROP, D3DTOP_MODULATE), Rs(D3DRS_ALPHABLENDENABLE, TRUE)}};
const StateSet kAlphaModulate = {"alpha modulate", {Tss(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE)}};

void DS_MatrixCodeLight::OnResetDevice() {
  DS_2D_Light::OnResetDevice();
  GetRenderDevice().ApplyStates(kGlyphStages);
}

void DS_MatrixCodeLight::FrameMove(double seconds) { frameTime = seconds; }

void DS_MatrixCodeLight::SetPicturePosition(int m) {
  DS_2D_Light::SetPicturePosition(m);
  RebuildGrid();
  ResizeSprites();
}

void DS_MatrixCodeLight::DrawTexturedQuadRHW(TexQuad* quad) {
  DS_2D_Light::DrawTexturedQuadRHW(quad);
  GetRenderDevice().ApplyStates(kAlphaModulate);
}

void DS_MatrixCodeLight::ReloadImage() {
  LoadImageTexture(picture, pictureQuad);
  DS_2D_Light::Resize(targetWidth, targetHeight);
  BuildLuminanceMap();
  RebuildGrid();
  ResizeSprites();
}

void DS_MatrixCodeLight::RebuildGrid() {
  const ScreenMapping* m = GetScreenMapping();
  scan.reset(new MatrixCodeScan(MatrixCodeGrid::Create(*settings, m->pictureWidth, m->pictureHeight)));
}

void DS_MatrixCodeLight::ResizeSprites() {
  const ScreenMapping* m = GetScreenMapping();
  const UINT cell = std::max<UINT>(settings->cellSize, 1);
  const UINT w = static_cast<UINT>(std::max(m->pictureWidth, 0)), h = static_cast<UINT>(std::max(m->pictureHeight, 0));
  sprites.Resize((h / cell + 1) * (w / cell + 1));
}

void DS_MatrixCodeLight::BuildLuminanceMap() {
  const int m = mode.GetValue();
  if (m == 0) {
    luminance.reset();
  } else if (m == 1) {
    if (!luminance) luminance.reset(new float[256 * 256]);
    float* map = luminance.get();
    const bool read = GetRenderDevice().ReadTexels(pictureQuad.info.texture, 256,
                                                  [map](const BYTE* bits, int pitch) { MatrixLuminanceMap(bits, pitch, map); });
    // A picture that cannot be read shows its glyphs at full strength.
    if (!read) std::fill(map, map + 256 * 256, 1.0f);
  }
}

MatrixPlacement DS_MatrixCodeLight::CurrentPlacement() const {
  const ScreenMapping* m = GetScreenMapping();
  MatrixPlacement p;
  p.left = m->picture.Left();
  p.top = m->picture.Top();
  const float pw = static_cast<float>(std::max(m->pictureWidth, 1)), ph = static_cast<float>(std::max(m->pictureHeight, 1));
  p.sx = (m->picture.Right() - p.left) / pw;
  p.sy = (m->picture.Bottom() - p.top) / ph;
  const LetterboxProjection& proj = g_LetterboxProjection;
  if (proj.mode == PicturePosition::OffscreenStretch) {
    p.kx = proj.modeScale._11;
    p.ky = proj.modeScale._22;
    p.offX = proj.offsetX;
    p.offY = proj.offsetY;
  } else {
    D3DXMATRIX a, b;
    D3DXMatrixMultiply(&a, &proj.zoom, &proj.modeOffset);
    D3DXMatrixMultiply(&b, &a, &proj.modeScale);
    p.kx = b._11;
    p.ky = b._22;
    p.offX = proj.GetZoomOffsetX();
    p.offY = proj.GetZoomOffsetY();
  }
  return p;
}

void DS_MatrixCodeLight::UpdateGlyphs(double t) {
  camera.Update(t);
  if (!scan) return;
  const MatrixPlacement place = CurrentPlacement();
  MatrixCodeGlyph glyph;
  glyph.halfWidth = place.sx * static_cast<float>(settings->cellSize) / 2;
  glyph.halfHeight = place.sy * static_cast<float>(settings->cellSize) / 2;
  scan->Reset(place.left, place.top);
  scan->grid->StepColumns(scan->lastGlyphCount >= sprites.quadCount);
  scan->grid->SpawnColumns();
  sprites.LockAll();
  const float a = transparency.GetResult();
  const int m = mode.GetValue();
  const MatrixCodeGrid& grid = *scan->grid;
  for (int i = 0; i < sprites.quadCount; ++i) {
    scan->Next(glyph);
    DX_V::RHWCT* v = sprites.QuadVertices(static_cast<UINT>(i));
    if (!v) continue;
    float corners[4][2], uv[4][2];
    MatrixQuadCorners(glyph, place, corners);
    MatrixQuadUV(glyph, uv);
    float lum = 1.0f;
    if (m == 1 && luminance) lum = luminance[MatrixLuminanceIndex(glyph.row, glyph.column, grid.rows, grid.columns)];
    const DWORD color = MatrixGlyphColor(glyph, a, m, lum, glyphColor.GetValue(), headColor.GetValue());
    for (int k = 0; k < 4; ++k) v[k] = DX_V::RHWCT{corners[k][0], corners[k][1], 0, 1, color, uv[k][0], uv[k][1]};
  }
  sprites.UnlockAll();
  glyphQuads = static_cast<UINT>(scan->glyphCount);
}

void DS_MatrixCodeLight::RenderBackground() {
  UpdateGlyphs(frameTime);
  RenderDevice& d = GetRenderDevice();
  const int m = mode.GetValue();
  if (m == 0) {
    DS_2D_Light::RenderBackground();
  } else if (m == 1) {
    d.Clear(D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
  }
  if (!sheetUsable) return;
  d.ApplyStates(kGlyphs);
  const bool cut = cutClearQuads && d.ClearDiffuseIsHidden();
  sprites.Draw(cut ? glyphQuads : static_cast<UINT>(std::max(sprites.quadCount, 0)));
  d.ApplyStates(kBlendOff);
}

#include "fx/fire_fx.h"

#include <memory>

#include "render/ab_render.h"
#include "render/grid_indices.h"
#include "render/projection.h"
#include "render/quad_builders.h"
#include "scene/doc_res_manager.h"
#include "fx/fx_shared.h"
#include "platform/periodic.h"
#include "scene/readers.h"
#include "scene/stream.h"

namespace {

const char16_t kClassName[] = u"DS_FireFX";
const UINT kGridVertices = (kGridCells + 1) * (kGridCells + 1);  // 81

void Rgb(DWORD colour, float out[3]) {
  out[0] = static_cast<float>(colour & 0xFF) / 255.0f;
  out[1] = static_cast<float>((colour >> 8) & 0xFF) / 255.0f;
  out[2] = static_cast<float>((colour >> 16) & 0xFF) / 255.0f;
}

}  // namespace

DS_FireFX::DS_FireFX()
    : patternLink(kPatternId, kFxModule), noiseLink(kNoiseId, kFxModule) {
  endColour = 0x0000FFFF;
  startColour = 0x000000FF;
  firstInt = 0;
  secondInt.Raw() = 0;
  density.SetScaling(0.01f, -1.0f);
  density.SetValue(100, nullptr);
  brightness.SetScaling(0.02f, 0.0f);
  brightness.SetValue(15, nullptr);
  textureRepeat.SetScaling(0.01f, 0.0f);
  textureRepeat.SetValue(100, nullptr);
  SetClassDefaults(kEffectId, 50, 0.02f);
}

DS_FireFX::DS_FireFX(const DS_FireFX& o)
    : DS_FX_Constructor(o),
      area(o.area),
      endColour(o.endColour),
      startColour(o.startColour),
      firstInt(o.firstInt),
      patternLink(o.patternLink),
      noiseLink(o.noiseLink),
      secondInt(o.secondInt),
      density(o.density),
      brightness(o.brightness),
      textureRepeat(o.textureRepeat),
      patternTexture(o.patternTexture),
      noiseTexture(o.noiseTexture),
      grid(o.grid) {}

DS_FireFX::~DS_FireFX() = default;

void DS_FireFX::Assign(const DS_FireFX& source) {
  DS_FX_Constructor::Assign(source);
  for (int i = 0; i < 4; ++i) area.corners[i].Raw() = source.area.corners[i].GetValue();
  endColour = source.endColour.GetValue();
  startColour = source.startColour.GetValue();
  firstInt = source.firstInt.GetValue();
  patternLink.Raw() = source.patternLink.GetKey();
  noiseLink.Raw() = source.noiseLink.GetKey();
  secondInt.Raw() = source.secondInt.GetValue();
  AssignScaled(density, source.density);
  AssignScaled(brightness, source.brightness);
  AssignScaled(textureRepeat, source.textureRepeat);
  if (&source == this) return;
  patternTexture = source.patternTexture;
  noiseTexture = source.noiseTexture;
  grid = source.grid;
  grid.columns = source.grid.columns;
  grid.rows = source.grid.rows;
}

void DS_FireFX::LoadEffect(IDirect3DTexture9** maskSlot) {
  DS_FX_Constructor::LoadEffect(maskSlot);
  LoadTextures();
  CreateGridMesh();
  BuildGrid();
}

void DS_FireFX::LoadTextures() {
  HoldFirstFrame(patternTexture, patternLink);
  HoldFirstFrame(noiseTexture, noiseLink);
}

bool DS_FireFX::ReleaseTextures() {
  const bool pattern = ReleaseHeldPicture(patternTexture, patternLink);
  const bool noise = ReleaseHeldPicture(noiseTexture, noiseLink);
  return pattern || noise;
}

void DS_FireFX::CreateGridMesh() {
  grid.columns = kGridCells;
  grid.rows = kGridCells;
  // Room for the grid's triangles; the buffer size is that of the triangle count the mesh was made for.
  if (FAILED(grid.CreateBuffers(kGridVertices, kGridIndexCount))) return;
  if (WORD* indices = grid.LockIndices()) {
    FillGridIndices(indices);
    grid.UnlockIndices();
  } else {
    grid.ReleaseIndexBuffer();
  }
}

void DS_FireFX::BuildGrid() {
  const float u = 1.0f / textureRepeat.GetResult();
  const float uv[4][2] = {{0.0f, 0.0f}, {0.0f, 1.0f}, {u, 0.0f}, {u, 1.0f}};
  DX_V::PT corners[4];
  for (int i = 0; i < 4; ++i) {
    const D3DXVECTOR3& p = area.corners[i].GetValue();
    corners[i].x = p.x;
    corners[i].y = p.y;
    corners[i].z = p.z;
    corners[i].u = uv[i][0];
    corners[i].v = uv[i][1];
  }
  FillGridMesh(grid, corners);
}

void DS_FireFX::SetFireParams(const DS_Frame& mesh, DS_FireFX* fire) {
  if (!fire || !fire->effect) return;
  ID3DXEffect* e = fire->effect;
  D3DXMATRIX m;
  e->SetMatrix("WorldViewProj", g_LetterboxProjection.GetWorldViewProj(&m, mesh.world));
  e->SetMatrix("ViewProj", g_LetterboxProjection.GetViewProj(&m));
  e->SetTexture("Noise", fire->noiseTexture);
  e->SetTexture("Pattern", fire->patternTexture);
  // The noise scrolls by 1.3, 2.1 and 2.3 of the clock over a wrapping texture: all three repeat after
  // 10 of it.
  const float c = ReducedFloat(fire->clock.GetPosition(), 10.0);
  const float c11[2] = {0.0f, 1.3f * c};
  const float c12[2] = {0.0f, 2.1f * c};
  const float c13[2] = {0.0f, 2.3f * c};
  e->SetFloatArray("c11", c11, 2);
  e->SetFloatArray("c12", c12, 2);
  e->SetFloatArray("c13", c13, 2);
}

void DS_FireFX::ColourTerms(float k1[3], float k2[3]) const {
  float end[3];
  Rgb(startColour.GetValue(), k1);
  Rgb(endColour.GetValue(), end);
  for (int i = 0; i < 3; ++i) k2[i] = end[i] - k1[i];
}

void DS_FireFX::BackgroundScale(float out[2]) {
  const bool offscreen = g_LetterboxProjection.mode == PicturePosition::OffscreenStretch;
  out[0] = offscreen ? 1.0f : g_LetterboxProjection.screenToFitX;
  out[1] = offscreen ? 1.0f : g_LetterboxProjection.screenToFitY;
}

void DS_FireFX::Render(DS_ABRender* renderer) {
  if (!renderer || PassThroughWithoutEffect(renderer)) return;
  // The fire covers only its grid: over a target the chain cleared, the scene behind comes first.
  if (mainFX.GetValue() != 0) CopyBackground(renderer);
  SetFireParams(grid, this);
  float k1[3], k2[3], bg[2];
  ColourTerms(k1, k2);
  BackgroundScale(bg);
  effect->SetFloatArray("ColorK1", k1, 3);
  effect->SetFloatArray("ColorK2", k2, 3);
  effect->SetFloatArray("bg_scale_factor", bg, 2);
  effect->SetTexture("Mask", *GetMask());
  IDirect3DTexture9** background = renderer->GetTargetTexture();
  effect->SetTexture("Background", background ? *background : nullptr);
  effect->SetFloat("Brightness", brightness.GetResult());
  effect->SetFloat("Density", density.GetResult());
  // Without a mask its twin leaves out the mask lookup, which then gives 1 everywhere.
  D3DXHANDLE twin = CoveredEverywhere() ? effect->GetTechniqueByName("MainNoMask") : nullptr;
  effect->SetTechnique(twin ? twin : "Main");
  renderer->DrawIndexedWithEffect(&grid, effect.Slot());
}

void DS_FireFX::SaveBase(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, kClassName, kVersion);
  DS_IOF_Virtual* s = *stream;
  area.Write(stream);
  s->WriteDword(endColour.GetValue());
  s->WriteDword(startColour.GetValue());
  s->WriteInt(firstInt.GetValue());
  if (g_DocResManager) g_DocResManager->RegisterImageForSave(patternLink);
  WriteFileLink(stream, patternLink);
  if (g_DocResManager) g_DocResManager->RegisterImageForSave(noiseLink);
  WriteFileLink(stream, noiseLink);
  s->WriteInt(secondInt.GetValue());
  s->WriteUInt(density.GetValue());
  s->WriteUInt(brightness.GetValue());
  s->WriteUInt(textureRepeat.GetValue());
  DS_FX_Constructor::SaveBase(stream);
}

void DS_FireFX::ReadFields(DS_IOF_Virtual** stream, DWORD version) {
  DS_IOF_Virtual* s = *stream;
  if (version > 1) {
    area.Read(stream);
    s->ReadDword(&endColour.Raw());
    s->ReadDword(&startColour.Raw());
    s->ReadInt(&firstInt.Raw());
    ReadFileLink(stream, &patternLink);
    ReadFileLink(stream, &noiseLink);
    s->ReadInt(&secondInt.Raw());
    UINT v = 0;
    s->ReadUInt(&v);
    density.Change(v);
    s->ReadUInt(&v);
    brightness.Change(v);
    s->ReadUInt(&v);
    textureRepeat.Change(v);
  }
  DS_FX_Constructor::ReadBase(stream);
}

DS_FireFX* DS_FireFX::CreateFromStream(DS_IOF_Virtual** stream) {
  const DWORD version = ReadSectionHeader(stream);
  return CreateAndRead(stream, version);
}

DS_FireFX* DS_FireFX::CreateAndRead(DS_IOF_Virtual** stream, DWORD version) {
  std::unique_ptr<DS_FireFX> fire(new DS_FireFX);
  fire->ReadFields(stream, version);
  return fire.release();
}

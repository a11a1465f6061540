#include "fx/pattern_brush.h"

#include <cmath>
#include <memory>

#include "render/ab_render.h"
#include "scene/doc_res_manager.h"
#include "fx/fx_shared.h"
#include "scene/readers.h"
#include "scene/stream.h"

namespace {

const double kPi = 3.14159265358979323846;

float Ratio(int part, UINT whole) {
  return whole ? static_cast<float>(static_cast<double>(part) / static_cast<double>(whole)) : 0.0f;
}

}  // namespace

// ---- pattern brush ----------------------------------------------------------------------------------

DS_PatternBrush::DS_PatternBrush() {
  verticalFlip = 0;
  horizontalFlip = 0;
  angle = 0u;
  patternScale.SetScaling(0.01f, 0.0f);
  patternScale.SetValue(100, nullptr);
  offsetX.SetScaling(-0.01f, 0.0f);
  offsetX.SetValue(0, nullptr);
  offsetY.SetScaling(0.01f, 0.0f);
  offsetY.SetValue(0, nullptr);
  SetClassDefaults(kEffectId, 50, 0.02f);
}

DS_PatternBrush::DS_PatternBrush(const DS_PatternBrush& o)
    : DS_FX_Constructor(o),
      patternLink(o.patternLink),
      verticalFlip(o.verticalFlip),
      horizontalFlip(o.horizontalFlip),
      angle(o.angle),
      patternScale(o.patternScale),
      offsetX(o.offsetX),
      offsetY(o.offsetY),
      pattern(o.pattern),
      frameIndex(o.frameIndex),
      lastFrameSwitch(o.lastFrameSwitch) {}

void DS_PatternBrush::LoadEffect(IDirect3DTexture9** maskSlot) {
  DS_FX_Constructor::LoadEffect(maskSlot);
  LoadPattern();
}

void DS_PatternBrush::LoadPattern() {
  if (g_DocResManager) {
    ds_string ext;
    patternLink.GetExtension(&ext);
    pattern = CompareWithDllExtension(ext) == 0 ? g_DocResManager->GetImageSetFromModule(patternLink)
                                                : g_DocResManager->GetTextureSet(patternLink);
  }
  frameIndex = 0;
}

bool DS_PatternBrush::ReleaseTextures() {
  ds_string ext;
  patternLink.GetExtension(&ext);
  return CompareWithDllExtension(ext) != 0 && ReleaseHeldFrames(pattern, patternLink);
}

void DS_PatternBrush::Update(double t) {
  clock.Advance(t);
  const double c = clock.GetPosition();
  if (c - lastFrameSwitch < 0.0) lastFrameSwitch = c;
  // Frames and durations come with counts of their own: only frames that have both take part.
  const size_t n = pattern.AnimationFrameCount();
  if (n == 0) return;
  if (frameIndex >= n) frameIndex = 0;
  if (pattern.durations[frameIndex] < c - lastFrameSwitch) {
    lastFrameSwitch = c;
    frameIndex = static_cast<UINT>((frameIndex + 1) % n);
  }
}

DS_PatternBrush::Values DS_PatternBrush::ComputeValues(UINT w, UINT h) const {
  Values v;
  const float pw = static_cast<float>(pattern.width);
  const float ph = static_cast<float>(pattern.height);
  const float s = patternScale.GetResult();
  v.scale[0] = pw / ph;
  v.scale[1] = 1.0f;
  v.offset[0] = offsetX.GetResult();
  v.offset[1] = offsetY.GetResult();
  float rx = static_cast<float>(w) / (pw * s);
  float ry = static_cast<float>(h) / (ph * s);
  if (horizontalFlip.GetValue() != 0) rx = -rx;
  if (verticalFlip.GetValue() != 0) ry = -ry;
  D3DXMATRIX scaling, rotation, m;
  D3DXMatrixScaling(&scaling, rx, ry, 1.0f);
  D3DXMatrixRotationZ(&rotation, static_cast<float>(static_cast<double>(angle.GetValue()) * kPi / 180.0));
  D3DXMatrixMultiply(&m, &scaling, &rotation);
  v.coordTransf[0] = m._11;
  v.coordTransf[1] = m._12;
  v.coordTransf[2] = m._21;
  v.coordTransf[3] = m._22;
  return v;
}

void DS_PatternBrush::Render(DS_ABRender* renderer) {
  if (!renderer) return;
  if (pattern.height == 0 || !effect) {
    // Nothing to draw; in MainFX mode the chain cleared this item's target, so the scene behind is kept.
    if (mainFX.GetValue() != 0) CopyBackground(renderer);
    return;
  }
  if (frameIndex < pattern.frames.size()) effect->SetTexture("Pattern", pattern.frames[frameIndex]);
  const Values v = ComputeValues(renderer->GetImageWidth(), renderer->GetImageHeight());
  effect->SetFloatArray("scale", v.scale, 2);
  effect->SetFloatArray("offset", v.offset, 2);
  effect->SetFloatArray("coord_transf", v.coordTransf, 4);
  DrawWithCommonParams(renderer);
}

void DS_PatternBrush::SaveBase(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_PatternBrush", 1);
  SaveFields(stream);
}

void DS_PatternBrush::SaveFields(DS_IOF_Virtual** stream) {
  if (g_DocResManager) g_DocResManager->RegisterImageForSave(patternLink);
  WriteFileLink(stream, patternLink);
  DS_IOF_Virtual* s = *stream;
  s->WriteInt(verticalFlip.GetValue());
  s->WriteInt(horizontalFlip.GetValue());
  s->WriteUInt(angle.GetValue());
  s->WriteUInt(patternScale.GetValue());
  s->WriteUInt(offsetX.GetValue());
  s->WriteUInt(offsetY.GetValue());
  DS_FX_Constructor::SaveBase(stream);
}

void DS_PatternBrush::ReadFields(DS_IOF_Virtual** stream) {
  ReadFileLink(stream, &patternLink);
  DS_IOF_Virtual* s = *stream;
  s->ReadInt(&verticalFlip.Raw());
  s->ReadInt(&horizontalFlip.Raw());
  s->ReadUInt(&angle.Raw());
  ReadScaled(s, patternScale);
  ReadScaled(s, offsetX);
  ReadScaled(s, offsetY);
  DS_FX_Constructor::ReadBase(stream);
}

DS_PatternBrush* DS_PatternBrush::CreateAndRead(DS_IOF_Virtual** stream, DWORD) {
  std::unique_ptr<DS_PatternBrush> item(new DS_PatternBrush);
  item->ReadFields(stream);
  return item.release();
}

void DS_PatternBrushC::SaveBase(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_PatternBrushC", 1);
  DS_PatternBrush::SaveBase(stream);
}

void DS_PatternBrushC::ReadFields(DS_IOF_Virtual** stream) {
  ReadSectionHeader(stream);
  DS_PatternBrush::ReadFields(stream);
}

DS_PatternBrushC* DS_PatternBrushC::CreateAndRead(DS_IOF_Virtual** stream, DWORD) {
  std::unique_ptr<DS_PatternBrushC> item(new DS_PatternBrushC);
  item->ReadFields(stream);
  return item.release();
}

// ---- background copy --------------------------------------------------------------------------------

DS_BackgroundCopy::DS_BackgroundCopy() {
  yShift = 0;
  xShift = 0;
  SetClassDefaults(kEffectId, 0, 1.0f);
}

DS_BackgroundCopy::DS_BackgroundCopy(const DS_BackgroundCopy& o)
    : DS_FX_Constructor(o), rectangle(o.rectangle), yShift(o.yShift), xShift(o.xShift) {}

void DS_BackgroundCopy::Offset(UINT w, UINT h, float out[2]) const {
  out[0] = Ratio(rectangle.centreX.GetValue(), w);
  out[1] = Ratio(rectangle.centreY.GetValue(), h);
  if (yShift.GetValue() != 0) out[1] += 1.0f;
  if (xShift.GetValue() != 0) out[0] += 1.0f;
}

void DS_BackgroundCopy::Render(DS_ABRender* renderer) {
  if (!renderer || PassThroughWithoutEffect(renderer)) return;
  float o[2];
  Offset(renderer->GetImageWidth(), renderer->GetImageHeight(), o);
  effect->SetFloatArray("offset", o, 2);
  DrawWithCommonParams(renderer);
}

void DS_BackgroundCopy::SaveBase(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_BackgroundCopy", 1);
  rectangle.Write(stream);
  (*stream)->WriteInt(yShift.GetValue());
  (*stream)->WriteInt(xShift.GetValue());
  DS_FX_Constructor::SaveBase(stream);
}

DS_BackgroundCopy* DS_BackgroundCopy::CreateAndRead(DS_IOF_Virtual** stream, DWORD) {
  std::unique_ptr<DS_BackgroundCopy> item(new DS_BackgroundCopy);
  item->rectangle.Read(stream);
  (*stream)->ReadInt(&item->yShift.Raw());
  (*stream)->ReadInt(&item->xShift.Raw());
  item->DS_FX_Constructor::ReadBase(stream);
  return item.release();
}

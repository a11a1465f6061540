#include "fx/fx_constructor.h"

#include "fx/fx_shared.h"
#include "render/ab_render.h"
#include "render/mesh.h"
#include "scene/doc_res_manager.h"
#include "scene/guid_text.h"
#include "scene/readers.h"
#include "scene/render_device.h"
#include "scene/stream.h"
#include "scene/texture_types.h"

const char16_t kFxModule[] = u"basekit.dll";

namespace {

const char16_t kClassName[] = u"DS_FX_Constructor";
const UINT kMaskSide = 512;

}  // namespace

void ReadScaled(DS_IOF_Virtual* stream, UINTSclaleTo<float>& p) {
  UINT v = 0;
  stream->ReadUInt(&v);
  p.Change(v);
}

void AssignScaled(UINTSclaleTo<float>& to, const UINTSclaleTo<float>& from) {
  static_cast<MediaParamT<UINT>&>(to) = from.GetValue();
  to.SetScaling(from.GetScale(), from.GetOffset());
  to.SetValue(from.GetValue(), nullptr);
}

void HoldFirstFrame(ComRef<IDirect3DTexture9>& slot, const DS_ImageFileLink& link) {
  slot.Share(g_DocResManager ? g_DocResManager->GetTextureSet(link).First() : nullptr);
}

DS_FX_Constructor::DS_FX_Constructor() : maskKey(NewGuid(), ds_string(), true) {
  mainFX = 0;
  scale.SetScaling(0.02f, 0.0f);
  scale.SetValue(50, nullptr);
}

DS_FX_Constructor::DS_FX_Constructor(const DS_FX_Constructor& o)
    : DS_ABObj_Constructor(o),
      clock(o.clock),
      mainFX(o.mainFX),
      effectLink(o.effectLink),
      scale(o.scale),
      maskKey(o.maskKey),
      mask(o.mask),
      effect(o.effect) {}

DS_FX_Constructor::~DS_FX_Constructor() = default;

void DS_FX_Constructor::SetClassDefaults(int effectId, UINT speedValue, float speedScale) {
  effectLink.Raw() = DocFileKey(kFxModule, effectId);
  clock.SetScaling(speedScale, 0.0f);
  clock.SetValue(speedValue, nullptr);
}

DS_ABObj* DS_FX_Constructor::CreateRenderObject() { return new DS_BrushObj(Clone()); }

void DS_FX_Constructor::RenewIdentity() {
  mask.Reset();
  maskKey = DocGuidKey(NewGuid(), ds_string(), true);
}

void DS_FX_Constructor::LoadEffect(IDirect3DTexture9** maskSlot) {
  ID3DXEffect* loaded = nullptr;
  if (g_DocResManager) g_DocResManager->GetEffect(&loaded, effectLink);
  effect.Adopt(loaded);  // the manager's reference is ours; the old one goes only after it was taken
  SetMask(maskSlot);
}

void DS_FX_Constructor::SetMask(IDirect3DTexture9** slot) {
  if (slot == mask.Slot()) return;
  mask.Share(slot ? *slot : nullptr);
}

void DS_FX_Constructor::Update(double t) { clock.Advance(t); }

void DS_FX_Constructor::Assign(const DS_FX_Constructor& source) {
  name = source.name;
  static_cast<MediaParamT<UINT>&>(clock) = source.clock.GetValue();
  clock.SetScaling(source.clock.GetScale(), source.clock.GetOffset());
  clock.SetValue(source.clock.GetValue(), nullptr);
  clock.CopyState(source.clock);
  mainFX = source.mainFX.GetValue();
  effectLink.Raw() = source.effectLink.GetKey();
  static_cast<MediaParamT<UINT>&>(scale) = source.scale.GetValue();
  scale.SetScaling(source.scale.GetScale(), source.scale.GetOffset());
  scale.SetValue(source.scale.GetValue(), nullptr);
  maskKey = source.maskKey;
  if (&source == this) return;
  mask = source.mask;
  effect = source.effect;
}

void DS_FX_Constructor::CommonScale(UINT w, UINT h, float s, float out[2]) {
  const float aspect = h ? static_cast<float>(static_cast<double>(w) / static_cast<double>(h)) : 1.0f;
  out[0] = aspect / s;
  out[1] = 1.0f / s;
}

void DS_FX_Constructor::CopyBackground(DS_ABRender* renderer) {
  TexQuadPT* picture = renderer->GetBackgroundQuad();
  IDirect3DTexture9** background = renderer->GetTargetTexture();
  if (!picture || !background) return;
  TexQuadPT copy(*picture);
  copy.SetTexture(*background);
  renderer->DrawPulsingQuad(&copy, false);
}

bool DS_FX_Constructor::PassThroughWithoutEffect(DS_ABRender* renderer) {
  if (effect) return false;
  if (renderer && mainFX.GetValue() != 0) CopyBackground(renderer);
  return true;
}

void DS_FX_Constructor::DrawWithCommonParams(DS_ABRender* renderer) {
  if (!renderer || PassThroughWithoutEffect(renderer)) return;
  float s[2];
  CommonScale(renderer->GetImageWidth(), renderer->GetImageHeight(), scale.GetResult(), s);
  const bool fx = mainFX.GetValue() != 0;
  const char* twinName = TwinTechnique(fx);
  D3DXHANDLE twin = twinName ? effect->GetTechniqueByName(twinName) : nullptr;
  effect->SetTechnique(twin ? twin : (fx ? "MainFX" : "Main"));
  effect->SetFloatArray("Scale", s, 2);
  effect->SetTexture("Mask", *GetMask());
  IDirect3DTexture9** background = renderer->GetTargetTexture();
  effect->SetTexture("Background", background ? *background : nullptr);
  renderer->DrawWithEffect(renderer->GetBackgroundQuad(), effect.Slot());
}

void DS_FX_Constructor::SaveBase(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, kClassName, kVersion);
  SaveFields(stream);
}

void DS_FX_Constructor::SaveFields(DS_IOF_Virtual** stream) {
  // Stored as a 512 x 512 A8 copy. A document item never loads its mask (its render object's clone does):
  // an item without one keeps the document's picture for the key, which would otherwise be lost at every
  // save; so does a mask that cannot be converted.
  if (mask && g_DocResManager) {
    const ComRef<IDirect3DTexture9> copy =
        ComRef<IDirect3DTexture9>::Adopted(GetRenderDevice().ConvertMask(mask, kMaskSide));
    if (copy) g_DocResManager->Maps().SetGuidTexture(maskKey, copy);
  }
  DS_IOF_Virtual* s = *stream;
  s->WriteUInt(clock.GetValue());
  s->WriteInt(mainFX.GetValue());
  if (g_DocResManager) g_DocResManager->UpdateGuidPictureBytes(maskKey);
  WriteGuid(stream, maskKey.guid);
  s->WriteString(maskKey.name);
  s->WriteBool(maskKey.flag);
  WriteFileLink(stream, effectLink);
  s->WriteUInt(scale.GetValue());
  DS_ABObj_Constructor::SaveBase(stream);
}

void DS_FX_Constructor::ReadBase(DS_IOF_Virtual** stream) { ReadFields(stream, ReadSectionHeader(stream)); }

void DS_FX_Constructor::ReadFields(DS_IOF_Virtual** stream, DWORD version) {
  DS_IOF_Virtual* s = *stream;
  UINT v = 0;
  s->ReadUInt(&v);
  clock.Change(v);
  s->ReadInt(&mainFX.Raw());
  ReadGuid(stream, &maskKey.guid);
  s->ReadString(&maskKey.name);
  s->ReadBool(&maskKey.flag);
  ReadFileLink(stream, &effectLink);
  if (version > 1) {
    s->ReadUInt(&v);
    scale.Change(v);
  }
  DS_ABObj_Constructor::ReadBase(stream);
}

// The render object: every call goes to the item.

DS_BrushObj::DS_BrushObj(DS_FX_Constructor* clone) : DS_ABObj(clone), effectItem(clone) {
  if (!clone) return;
  IDirect3DTexture9** mask = g_DocResManager ? g_DocResManager->GuidTexture(clone->maskKey) : nullptr;
  clone->LoadEffect(mask);
}

void DS_BrushObj::ReleasePictures() { pictures_.Release(effectItem); }
void DS_BrushObj::RemakePictures() { pictures_.Remake(effectItem); }

void DS_BrushObj::Render(DS_ABRender* renderer) {
  if (effectItem) effectItem->Render(renderer);
}

void DS_BrushObj::DrawMarkers(DS_ABRender* renderer, int) {
  if (effectItem) effectItem->DrawMarkers(renderer);
}

void DS_BrushObj::Update(double t) {
  if (effectItem) effectItem->Update(t);
}

int DS_BrushObj::NeedsSourceTexture() { return effectItem ? effectItem->mainFX.GetValue() : 0; }

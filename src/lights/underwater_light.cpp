#include "lights/underwater_light.h"

#include <memory>

#include "lights/light_states.h"
#include "render/projection.h"
#include "scene/readers.h"
#include "scene/render_device.h"
#include "scene/stream.h"

namespace {
const char16_t kClass[] = u"FakeUndervater";
}

void FakeUndervater::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, kClass, kVersion);
  underwater.SaveBase(stream);
  SaveBase(stream);
}

FakeUndervater* FakeUndervater::CreateAndRead(DS_IOF_Virtual** stream, DWORD version) {
  std::unique_ptr<FakeUndervater> light(new FakeUndervater);
  ReadFields(stream, version, light.get());
  return light.release();
}

void FakeUndervater::ReadFields(DS_IOF_Virtual** stream, DWORD version, FakeUndervater* light) {
  if (version == 1) {
    UINT speed = 0;
    (*stream)->ReadUInt(&speed);
    light->underwater.clock.Change(speed);
    light->underwater.clock.Change(speed >> 1);
  } else {
    std::unique_ptr<DS_UnderwaterFX> stored(DS_UnderwaterFX::CreateFromStream(stream));
    light->underwater.Assign(*stored);
  }
  DS_2D_Light::ReadBase(stream, light);
}

void RegisterUnderwaterLightReader() { RegisterClassReader<FakeUndervater>(GetLightReaderRegistry(), kClass); }

void FakeUndervater::OnCreateDevice() {
  DS_2D_Light::OnCreateDevice();
  IDirect3DTexture9* noMask = nullptr;
  underwater.LoadEffect(&noMask);
}

void FakeUndervater::FrameMove(double seconds) {
  camera.Update(seconds);
  underwater.Update(seconds);
}

void FakeUndervater::PostRender() {
  RenderTargetChain* chain = EndOffscreen(false);
  // Without a render-target pair nothing was drawn off-screen: the wobble reads the bare picture.
  IDirect3DTexture9* composed = chain ? chain->current : nullptr;
  sourceTexture.Share(composed ? composed : pictureQuad.info.texture.Get());
  if (underwater.effect)
    underwater.Render(this);
  else
    DrawSourcePlain();
  GetRenderDevice().DrawBars(g_LetterboxProjection);
}

// The composed image alone, unblended.
const StateSet kComposedImage = {"composed image",
                                 {Rs(D3DRS_ALPHABLENDENABLE, FALSE), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
                                  Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), Tss(1, D3DTSS_COLOROP, D3DTOP_DISABLE)}};

void FakeUndervater::DrawSourcePlain() {
  const TexQuadPT& quad = pictureQuad.quad;
  if (!sourceTexture || !quad.vertexBuffer || quad.primitiveCount == 0) return;
  RenderDevice& d = GetRenderDevice();
  g_LetterboxProjection.ApplyTransforms();
  g_LetterboxProjection.SetWorld(quad.world);
  // The composed image replaces what is there: its alpha was never written.
  d.ApplyStates(kComposedImage);
  d.SetTexture(0, sourceTexture);
  BindStreamPT(quad);
  d.DrawPrimitive(quad.primitiveType, 0, quad.primitiveCount);
}

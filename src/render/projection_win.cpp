// The letterbox bars on the device.
#include "render/projection.h"

#include "dxut/d3d_device.h"
#include "render/opaque_draw_win.h"
#include "render/projection_win.h"
#include "render/render_device_win.h"

namespace {
// The bars take colour and alpha from their vertices; the stage goes back to the texture after them.
const StateSet kBarArguments = {"bar arguments",
                                {Tss(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE), Tss(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE)}};
const StateSet kBarArgumentsDone = {"bar arguments done",
                                    {Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE), Tss(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE)}};
}  // namespace

void BindRhwColorStream(const DS_SimpleMesh<DX_V::RHWC>& mesh) {
  g_D3DDevice->SetVertexShader(nullptr);
  g_D3DDevice->SetFVF(DX_V::RHWC::FVF);
  g_D3DDevice->SetStreamSource(0, mesh.vertexBuffer, 0, sizeof(DX_V::RHWC));
}

void LetterboxProjection::DrawBars() const {
  if (mode != PicturePosition::Fit || !g_D3DDevice) return;
  ApplyStateSet(g_D3DDevice, kBarArguments);
  {
    // The bars are opaque black by their vertices.
    OpaqueDrawScope opaque(g_D3DDevice, true);
    for (const DS_SimpleMesh<DX_V::RHWC>& bar : bars) {
      if (!bar.vertexBuffer || bar.primitiveCount == 0) continue;
      BindRhwColorStream(bar);
      g_D3DDevice->DrawPrimitive(bar.primitiveType, 0, bar.primitiveCount);
    }
  }
  ApplyStateSet(g_D3DDevice, kBarArgumentsDone);
}

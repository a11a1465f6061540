#include "render/projection.h"

#include <cstring>

#include "scene/screen_mapping.h"

#include "platform/x86_convert.h"
#include "render/quad_builders.h"
#include "scene/render_device.h"

LetterboxProjection g_LetterboxProjection;

namespace {
// A bar reaches one pixel past the margin it covers; an empty margin gives an empty bar.
int BarExtent(float margin) {
  int t = TruncToInt32(margin);
  return t > 0 ? t + 1 : t;
}
}  // namespace

LetterboxProjection::LetterboxProjection()
    : invScaleX(1), invScaleY(1), offsetX(0), offsetY(0), mode(PicturePosition::Fit), pictureWidth(0),
      pictureHeight(0), screenToFitX(1), screenToFitY(1), picturePixelRatio(1) {
  D3DXMatrixIdentity(&picture);
  D3DXMatrixIdentity(&world);
  D3DXMatrixIdentity(&view);
  D3DXMatrixIdentity(&projection);
  D3DXMatrixIdentity(&modeScale);
  D3DXMatrixIdentity(&modeOffset);
  D3DXMatrixIdentity(&zoom);
  for (ScreenQuad& q : barQuads) ScreenQuad::Init(q);
}

void LetterboxProjection::CreateBars() {
  ScreenQuad full;
  ScreenQuad::FullBackBuffer(ScreenQuad::Init(full));
  for (DS_SimpleMesh<DX_V::RHWC>& bar : bars) BuildRhwColorQuad(bar, 0xFF000000, full);
  for (const IDirect3DVertexBuffer9*& written : barWrittenTo_) written = nullptr;
}

void LetterboxProjection::ReleaseBars() {
  for (DS_SimpleMesh<DX_V::RHWC>& bar : bars) bar.ReleaseVertexBuffer();
  for (const IDirect3DVertexBuffer9*& written : barWrittenTo_) written = nullptr;
}

void LetterboxProjection::SetProjection(int w, int h, UINT picW, UINT picH, int newMode, bool keepSize) {
  mode = newMode;
  pictureWidth = picW;
  pictureHeight = picH;
  // A picture of unknown size is placed as if it had the target's size.
  float pw = (picW == 0 || picH == 0) ? (float)w : (float)picW;
  float ph = (picW == 0 || picH == 0) ? (float)h : (float)picH;

  ScreenQuad q;
  ScreenQuad::FitImage(q, picW, picH, w, h);
  picturePixelRatio = (q.Right() - q.Left() == (float)w) ? pw / (float)w : ph / (float)h;
  if (!keepSize) ScreenQuad::ScaleToBackBuffer(q, w, h);
  const float L = q.Left(), T = q.Top(), R = q.Right(), B = q.Bottom();
  const float FW = R - L, FH = B - T;

  const int barW = BarExtent(L), barH = BarExtent(T);
  const float fitW = (float)TruncToInt32(FW), fitH = (float)TruncToInt32(FH);
  ScreenQuad placed[BarCount];
  for (int i = 0; i < BarCount; ++i) placed[i] = barQuads[i];
  ScreenQuad::SetRect(placed[LeftBar], 0, 0, (float)barW, fitH);
  ScreenQuad::SetRect(placed[RightBar], R, 0, R + (float)barW, fitH);
  ScreenQuad::SetRect(placed[TopBar], 0, 0, fitW, (float)barH);
  ScreenQuad::SetRect(placed[BottomBar], 0, B, fitW, B + (float)barH);
  for (int i = 0; i < BarCount; ++i) {
    const bool moved = std::memcmp(&placed[i], &barQuads[i], sizeof placed[i]) != 0;
    barQuads[i] = placed[i];
    if (!moved && bars[i].vertexBuffer && barWrittenTo_[i] == bars[i].vertexBuffer) continue;
    SetRhwQuadRect(bars[i], barQuads[i]);
    barWrittenTo_[i] = bars[i].vertexBuffer;
  }

  D3DXMatrixIdentity(&world);
  D3DXVECTOR3 eye(0, 0, -1), at(0, 0, 0), up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  D3DXMatrixOrthoOffCenterLH(&projection, 0, (float)w, (float)h, 0, -5000, 5000);

  float W, H;
  if (keepSize) {
    W = (float)w;
    H = (float)h;
  } else {
    BackBufferSize bb = GetRenderDevice().GetBackBufferSize();
    W = (float)bb.width;
    H = (float)bb.height;
  }
  screenToFitX = W / FW;
  screenToFitY = H / FH;

  float s = (T == 0) ? (H / ph) * ((float)h / H) : (W / pw) * ((float)w / W);
  D3DXMATRIX scaling, translation;
  D3DXMatrixScaling(&scaling, s, s, 1);
  D3DXMatrixTranslation(&translation, L / (W / (float)w), T * (float)h / H, 0);
  D3DXMatrixMultiply(&picture, &scaling, &translation);

  ApplyTransforms();

  float kx = 1, ky = 1;
  switch (mode) {
    case PicturePosition::Stretch:
    case PicturePosition::OffscreenStretch:
      kx = (2 * L + FW) / FW;
      ky = (2 * T + FH) / FH;
      break;
    case PicturePosition::Fill:
      kx = ky = (L != 0) ? (2 * L + FW) / FW : (2 * T + FH) / FH;
      break;
    default:
      break;
  }
  float offX, offY;
  ComputeZoomOffsets(kx, ky, &offX, &offY);
  D3DXMatrixScaling(&modeScale, kx, ky, 1);
  invScaleX = 1 / kx;
  invScaleY = 1 / ky;
  offsetX = offX;
  offsetY = offY;
  SetScreenModeScale(invScaleX, invScaleY, offsetX, offsetY);
  D3DXMatrixTranslation(&modeOffset, offX, offY, 0);
}

D3DXMATRIX* LetterboxProjection::GetWorld(D3DXMATRIX* out, const D3DXMATRIX& m) const {
  D3DXMATRIX r = m;
  if (mode != PicturePosition::OffscreenStretch) D3DXMatrixMultiply(&r, &r, &zoom);
  D3DXMatrixMultiply(&r, &r, &modeOffset);
  D3DXMatrixMultiply(&r, &r, &modeScale);
  D3DXMatrixMultiply(out, &r, &picture);
  return out;
}

void LetterboxProjection::SetWorld(const D3DXMATRIX& m) const {
  D3DXMATRIX w;
  GetRenderDevice().SetTransform(TransformSlot::World, *GetWorld(&w, m));
}

D3DXMATRIX* LetterboxProjection::GetWorldViewProj(D3DXMATRIX* out, const D3DXMATRIX& m) const {
  D3DXMATRIX r;
  GetWorld(&r, m);
  D3DXMatrixMultiply(&r, &r, &view);
  D3DXMatrixMultiply(out, &r, &projection);
  return out;
}

D3DXMATRIX* LetterboxProjection::GetViewProj(D3DXMATRIX* out) const {
  D3DXMATRIX r = picture;
  if (mode == PicturePosition::OffscreenStretch) {
    D3DXMatrixMultiply(&r, &modeOffset, &modeScale);
    D3DXMatrixMultiply(&r, &r, &picture);
  }
  D3DXMatrixMultiply(&r, &r, &view);
  D3DXMatrixMultiply(out, &r, &projection);
  return out;
}

void LetterboxProjection::ApplyTransforms() const {
  GetRenderDevice().SetTransform(TransformSlot::World, world);
  GetRenderDevice().SetTransform(TransformSlot::View, view);
  GetRenderDevice().SetTransform(TransformSlot::Projection, projection);
}

void LetterboxProjection::ComputeZoomOffsets(float kx, float ky, float* offX, float* offY) const {
  *offX = (1 - kx) * 0.5f * (float)pictureWidth / kx;
  *offY = (1 - ky) * 0.5f * (float)pictureHeight / ky;
}

void LetterboxProjection::SetZoom(float scale, float x, float y) {
  float offX, offY;
  ComputeZoomOffsets(scale, scale, &offX, &offY);
  D3DXMATRIX translation, scaling;
  D3DXMatrixTranslation(&translation, (x + 1) * offX, (y + 1) * offY, 0);
  D3DXMatrixScaling(&scaling, scale, scale, 1);
  D3DXMatrixMultiply(&zoom, &translation, &scaling);
}

float LetterboxProjection::GetZoomOffsetX() const {
  D3DXMATRIX p;
  D3DXMatrixMultiply(&p, &zoom, &modeOffset);
  D3DXMatrixMultiply(&p, &p, &modeScale);
  return p._41 / p._11;
}

float LetterboxProjection::GetZoomOffsetY() const {
  D3DXMATRIX p;
  D3DXMatrixMultiply(&p, &zoom, &modeOffset);
  D3DXMatrixMultiply(&p, &p, &modeScale);
  return p._42 / p._22;
}

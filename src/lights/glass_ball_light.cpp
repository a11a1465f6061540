#include "lights/glass_ball_light.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "lights/light_states.h"
#include "render/projection.h"
#include "scene/doc_res_manager.h"
#include "scene/readers.h"
#include "scene/render_device.h"
#include "scene/stream.h"

namespace {
const char16_t kClass[] = u"DS_GlassBallLight";
const char16_t kModule[] = u"basekit.dll";
const float kPi = 3.14159265f;
// The bump matrix's scales of the offsets: u by the map's first channel, v by its second.
const float kBumpU = 0.2f, kBumpV = 0.25f;

// The first frame of a link's set; null for an empty set.
ComRef<IDirect3DTexture9> FirstFrame(const DS_ImageFileLink& link) {
  if (!g_DocResManager) return nullptr;
  TextureInfo info;
  TextureInfo::FromTextureSet(g_DocResManager->GetTextureSet(link), info);
  return info.texture;
}

void WriteBallQuad(DS_SimpleMesh<DX_V::PT2>& mesh, const float xy[4][2]) {
  const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
  if (DX_V::PT2* v = mesh.LockVertices()) {
    for (int i = 0; i < 4; ++i) {
      v[i] = DX_V::PT2{};
      v[i].x = xy[i][0];
      v[i].y = xy[i][1];
      v[i].u1 = uv[i][0];
      v[i].v1 = uv[i][1];
    }
    mesh.UnlockVertices();
  }
}

// Whether q is to be written into the buffer: not when it was last written there with these corners.
bool Moved(DS_GlassBallLight::WrittenQuad& written, const void* buffer, const ScreenQuad& q) {
  if (buffer && written.buffer == buffer && std::memcmp(&written.quad, &q, sizeof q) == 0) return false;
  written.buffer = buffer;
  written.quad = q;
  return true;
}

ScreenQuad Rect(float l, float t, float r, float b) {
  ScreenQuad q;
  ScreenQuad::Init(q);
  return ScreenQuad::SetRect(q, l, t, r, b);
}
}  // namespace

// ---- scroll quads -----------------------------------------------------------------------------------

void GlassBallScrollQuads::Make(const ScreenQuad& q) {
  placed_[0] = placed_[1] = q;
  made_ = true;
  if (!lost_) MakeBuffers();
}

void GlassBallScrollQuads::MakeBuffers() {
  for (int i = 0; i < 2; ++i) {
    TexQuad& quad = quads[i];
    const HRESULT hr =
        quad.CreateVertexBufferOf<DX_V::RHWCT>(4, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DPOOL_DEFAULT);
    quad.primitiveType = D3DPT_TRIANGLESTRIP;
    quad.primitiveCount = SUCCEEDED(hr) ? 2 : 0;
    Place(i, placed_[i]);
  }
}

void GlassBallScrollQuads::Place(int i, const ScreenQuad& q) {
  placed_[i] = q;
  TexQuad& quad = quads[i];
  if (quad.vertexCount < 4) return;
  if (DX_V::RHWCT* v = quad.LockVertices(D3DLOCK_DISCARD)) {
    WriteRhwTexQuadCorners(q, v);
    for (int k = 0; k < 4; ++k) v[k].color = 0xFFFFFFFF;
    quad.UnlockVertices();
  }
}

void GlassBallScrollQuads::InvalidateDeviceObjects() {
  lost_ = true;
  for (TexQuad& quad : quads) {
    quad.texture.Reset();  // the pair's textures, which go with the loss as well
    quad.ReleaseVertexBuffer();
    quad.primitiveCount = 0;
  }
}

void GlassBallScrollQuads::CreateDeviceObjects() {
  if (!lost_) return;
  lost_ = false;
  if (made_) MakeBuffers();
}

// ---- the light --------------------------------------------------------------------------------------

DS_GlassBallLight::DS_GlassBallLight()
    : overlay1(58, kModule), overlay2(59, kModule), shadow(60, kModule), background(5, kModule) {
  motionSpeed.SetScaling(0.02f, 1.0f);
  motionSpeed.SetValue(0, nullptr);
  ballOffset.Raw() = POINT{0, 0};
  ballSize = 100;
  refraction = 0;
  ballHidden = 0;
  overlay1On = 1;
  overlay2On = 1;
  shadowOn = 0;
  pictureBackground = 0;
  motionMode = 3;
  gradientTop = 0;
  gradientBottom = 0;
  D3DXMatrixIdentity(&lensMatrix);
  ComputeBallParams();
}

DS_GlassBallLight::~DS_GlassBallLight() = default;

void DS_GlassBallLight::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, kClass, kVersion);
  for (DS_ImageFileLink* link : {&overlay1, &overlay2, &shadow, &background}) {
    if (g_DocResManager) g_DocResManager->RegisterImageForSave(*link);
    WriteFileLink(stream, *link);
  }
  DS_IOF_Virtual* s = *stream;
  s->WriteUInt(motionSpeed.GetValue());
  s->WritePoint(ballOffset.GetValue());
  s->WriteUInt(ballSize.GetValue());
  s->WriteUInt(refraction.GetValue());
  s->WriteInt(overlay1On.GetValue());
  s->WriteInt(overlay2On.GetValue());
  s->WriteInt(shadowOn.GetValue());
  s->WriteInt(pictureBackground.GetValue());
  s->WriteInt(motionMode.GetValue());
  s->WriteDword(gradientTop.GetValue());
  s->WriteDword(gradientBottom.GetValue());
  SaveBase(stream);
}

DS_GlassBallLight* DS_GlassBallLight::CreateAndRead(DS_IOF_Virtual** stream, DWORD) {
  std::unique_ptr<DS_GlassBallLight> light(new DS_GlassBallLight);
  ReadFields(stream, light.get());
  return light.release();
}

void DS_GlassBallLight::ReadFields(DS_IOF_Virtual** stream, DS_GlassBallLight* light) {
  for (DS_ImageFileLink* link : {&light->overlay1, &light->overlay2, &light->shadow, &light->background})
    ReadFileLink(stream, link);
  DS_IOF_Virtual* s = *stream;
  UINT v = 0;
  s->ReadUInt(&v);
  light->motionSpeed.Change(v);
  s->ReadPoint(&light->ballOffset.Raw());
  s->ReadUInt(&light->ballSize.Raw());
  s->ReadUInt(&light->refraction.Raw());
  s->ReadInt(&light->overlay1On.Raw());
  s->ReadInt(&light->overlay2On.Raw());
  s->ReadInt(&light->shadowOn.Raw());
  s->ReadInt(&light->pictureBackground.Raw());
  s->ReadInt(&light->motionMode.Raw());
  s->ReadDword(&light->gradientTop.Raw());
  s->ReadDword(&light->gradientBottom.Raw());
  DS_2D_Light::ReadBase(stream, light);
}

void RegisterGlassBallLightReader() { RegisterClassReader<DS_GlassBallLight>(GetLightReaderRegistry(), kClass); }

void DS_GlassBallLight::ComputeBallParams() {
  const GlassBallParams p = ::ComputeBallParams(ballSize.GetValue(), refraction.GetValue(), sx, ky);
  ballZ = p.ballZ;
  lensDepth = p.lensDepth;
  swayAmplitude = p.swayAmplitude;
}


// ---- device -----------------------------------------------------------------------------------------

void DS_GlassBallLight::GenerateBumpMap() {
  bumpMap.Reset();
  RenderDevice& d = GetRenderDevice();
  bumpMap.Adopt(d.CreateFilledTexture(256, 256, D3DFMT_V16U16, false, [](BYTE* bits, int pitch, D3DFORMAT made) {
    if (made != D3DFMT_V16U16) return false;
    GenerateBallBump(bits, pitch);
    return true;
  }));
  // A device without 16-bit offsets gets the same hemisphere in 8 bits, which every accepted device has.
  if (!bumpMap)
    bumpMap.Adopt(d.CreateFilledTexture(256, 256, D3DFMT_V8U8, false, [](BYTE* bits, int pitch, D3DFORMAT made) {
      if (made != D3DFMT_V8U8) return false;
      std::vector<BYTE> wide(256 * 1024);
      GenerateBallBump(wide.data(), 1024);
      for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
          uint32_t v;
          std::memcpy(&v, &wide[static_cast<size_t>(y) * 1024 + x * 4], 4);
          const int du = static_cast<int16_t>(v & 0xFFFF) / 256, dv = static_cast<int16_t>(v >> 16) / 256;
          BYTE* t = bits + static_cast<ptrdiff_t>(y) * pitch + x * 2;
          t[0] = static_cast<BYTE>(static_cast<int8_t>(du));
          t[1] = static_cast<BYTE>(static_cast<int8_t>(dv));
        }
      return true;
    }));
}

void DS_GlassBallLight::GenerateDiscMask() {
  discMask.Reset();
  RenderDevice& d = GetRenderDevice();
  auto fill = [](BYTE* bits, int pitch, D3DFORMAT made) {
    if (made != D3DFMT_A8 && made != D3DFMT_A8R8G8B8) return false;
    ::GenerateDiscMask(bits, pitch, made == D3DFMT_A8R8G8B8);
    return true;
  };
  discMask.Adopt(d.CreateFilledTexture(kDiscMaskSize, kDiscMaskSize, D3DFMT_A8, false, fill));
  if (!discMask) discMask.Adopt(d.CreateFilledTexture(kDiscMaskSize, kDiscMaskSize, D3DFMT_A8R8G8B8, false, fill));
}

void DS_GlassBallLight::GenerateGradient() {
  gradient.Reset();
  const DWORD top = gradientTop.GetValue(), bottom = gradientBottom.GetValue();
  gradient.Adopt(GetRenderDevice().CreateFilledTexture(256, 256, D3DFMT_A8R8G8B8, true,
                                                  [top, bottom](BYTE* bits, int pitch, D3DFORMAT made) {
                                                    if (made != D3DFMT_A8R8G8B8 && made != D3DFMT_X8R8G8B8) return false;
                                                    ::GenerateGradient(bits, pitch, top, bottom);
                                                    return true;
                                                  }));
}

void DS_GlassBallLight::LoadBallPicture() {
  backgroundInfo = TextureInfo();
  if (g_DocResManager) TextureInfo::FromTextureSet(g_DocResManager->GetTextureSet(background), backgroundInfo);
  if (pictureBackground.GetValue() == 1) {
    ScreenQuad full;
    ScreenQuad::Init(full);
    backgroundQuad.SetTexture(backgroundInfo.texture, ScreenQuad::FullBackBuffer(full));
    backgroundWritten = WrittenQuad();
    Resize(targetWidth, targetHeight);
  }
}

void DS_GlassBallLight::OnCreateDevice() {
  backgroundWritten = WrittenQuad();
  for (WrittenQuad& w : barsWritten) w = WrittenQuad();
  DS_2D_Light::OnCreateDevice();
  LoadPendingPicture();  // this light works from the picture's texture from the start
  LoadOverlays();
  GenerateBumpMap();
  GenerateGradient();
  GenerateDiscMask();
  ScreenQuad full;
  ScreenQuad::Init(full);
  ScreenQuad::FullBackBuffer(full);
  backgroundQuad.SetTexture(gradient.Get(), full);
  scroll.Make(full);
  if (SUCCEEDED(lens.CreateQuadStripOf<DX_V::PT2>())) {
    for (auto& bar : bars) BuildRhwColorQuad(bar, 0xFF000000, full);
    const float lensXY[4][2] = {{-256, -256}, {-256, 256}, {256, -256}, {256, 256}};
    WriteBallQuad(lens, lensXY);
    if (SUCCEEDED(shadowQuad.CreateQuadStripOf<DX_V::PT2>())) {
      const float shadowXY[4][2] = {
          {-230.4f, -372.19293f}, {-230.4f, -185.61412f}, {232.9f, -372.19293f}, {232.9f, -185.61412f}};
      WriteBallQuad(shadowQuad, shadowXY);
    }
  }
  D3DXMATRIX m;
  GetRenderDevice().SetTransform(TransformSlot::World, *D3DXMatrixIdentity(&m));
  const D3DXVECTOR3 eye(0, 0, -2001), at(0, 0, 0), up(0, 1, 0);
  GetRenderDevice().SetTransform(TransformSlot::View, *D3DXMatrixLookAtLH(&m, &eye, &at, &up));
  GetRenderDevice().SetTransform(TransformSlot::Projection, *D3DXMatrixPerspectiveFovLH(&m, kPi / 4, 1.0f, 1.0f, 3000.0f));
  ballMode = pictureBackground.GetValue() == 1 ? 1 : 2;
  LoadBallPicture();
  if (pictureBackground.GetValue() == 1)
    backgroundQuad.SetTexture(backgroundInfo.texture, full);
  else
    backgroundQuad.SetTexture(gradient.Get(), full);
  backgroundWritten = WrittenQuad();  // a new buffer: written at the next Resize wherever it lies
  Resize(targetWidth, targetHeight);
}

// Over the base's start: the lens's samplers, its bump matrix (u and v scaled by the map's channels) and
// stage 1 showing the slide through the offsets, its alpha off.
const StateSet kGlassBallBaseline = {
    "glass ball baseline",
    {Samp(1, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP), Samp(1, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP),
     Samp(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR), Samp(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
     Samp(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR), Samp(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
     Samp(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR), Tss(0, D3DTSS_BUMPENVMAT00, StateFloat(kBumpU)),
     Tss(0, D3DTSS_BUMPENVMAT01, StateFloat(0.0f)), Tss(0, D3DTSS_BUMPENVMAT10, StateFloat(0.0f)),
     Tss(0, D3DTSS_BUMPENVMAT11, StateFloat(kBumpV)), Tss(0, D3DTSS_BUMPENVLSCALE, StateFloat(1.0f)),
     Tss(0, D3DTSS_BUMPENVLOFFSET, StateFloat(0.0f)), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
     Tss(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1), Tss(1, D3DTSS_COLORARG1, D3DTA_TEXTURE),
     Tss(1, D3DTSS_COLORARG2, D3DTA_CURRENT), Tss(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE)}};
// Stage 1 looks the slide up at the camera-space position through the lens's texture matrix.
const StateSet kLensCoordinates = {"lens coordinates",
                                   {Tss(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2),
                                    Tss(1, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEPOSITION | 1)}};
// The bump-mapped lens: stage 0's bump map offsets stage 1's slide.
const StateSet kBumpMappedLens = {"bump-mapped lens",
                                  {Tss(0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP), Tss(0, D3DTSS_COLORARG2, D3DTA_CURRENT),
                                   Tss(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE)}};
// The lens's overlays and the disc mask: texture blended by its own alpha.
const StateSet kLensOverlays = {"lens overlays",
                                {Rs(D3DRS_ALPHABLENDENABLE, TRUE), Rs(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
                                 Rs(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA), Tss(0, D3DTSS_COLOROP, D3DTOP_MODULATE),
                                 Tss(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE), Tss(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1)}};

void DS_GlassBallLight::OnResetDevice() {
  DS_2D_Light::OnResetDevice();
  GetRenderDevice().ApplyStates(kGlassBallBaseline);
}

void DS_GlassBallLight::OnLostDevice() {
  DS_2D_Light::OnLostDevice();
  scroll.InvalidateDeviceObjects();
}

void DS_GlassBallLight::LoadOverlays() {
  overlay1Texture = FirstFrame(overlay1);
  overlay2Texture = FirstFrame(overlay2);
  shadowTexture = FirstFrame(shadow);
}

void DS_GlassBallLight::ReleasePictures() {
  DS_2D_Light::ReleasePictures();
  for (TexQuad& q : scroll.quads) q.texture.Reset();
  if (!backgroundReleased_ && backgroundInfo.texture && g_DocResManager && g_DocResManager->ReleasePicture(background)) {
    if (backgroundQuad.texture.Get() == backgroundInfo.texture.Get()) backgroundQuad.texture.Reset();
    backgroundInfo.texture.Reset();
    backgroundReleased_ = true;
  }
  // The overlays and the shadow, pictures of this light alone, go too when the manager lets go of them.
  const std::pair<ComRef<IDirect3DTexture9>*, const DS_ImageFileLink*> held[] = {
      {&overlay1Texture, &overlay1}, {&overlay2Texture, &overlay2}, {&shadowTexture, &shadow}};
  for (const auto& h : held)
    if (ReleaseHeldPicture(*h.first, *h.second)) overlaysReleased_ = true;
}

void DS_GlassBallLight::RemakePictures() {
  DS_2D_Light::RemakePictures();
  if (overlaysReleased_) {
    overlaysReleased_ = false;
    LoadOverlays();
  }
  if (!backgroundReleased_) return;
  backgroundReleased_ = false;
  LoadBallPicture();
}

void DS_GlassBallLight::SetPicturePosition(int mode) {
  ballMode = pictureBackground.GetValue() == 1 ? mode : 2;
  Resize(targetWidth, targetHeight);
}

void DS_GlassBallLight::BeginTargetPass(RenderTargetChain* target, int mode) {
  inTargetPass = true;
  savedBallMode = ballMode;
  ballMode = pictureBackground.GetValue() == 1 ? mode : 2;
  Resize(targetWidth, targetHeight);
  savedWidth = targetWidth;
  savedHeight = targetHeight;
  if (target) Resize(target->width, target->height);
  DS_2D_Light::BeginTargetPass(target, mode);
}

void DS_GlassBallLight::EndTargetPass() {
  inTargetPass = false;
  DS_2D_Light::EndTargetPass();
  ballMode = pictureBackground.GetValue() == 1 ? savedBallMode : 2;
  Resize(savedWidth, savedHeight);
}

void DS_GlassBallLight::Resize(int w, int h) {
  DS_2D_Light::Resize(w, h);
  LetterboxProjection& p = g_LetterboxProjection;
  p.SetProjection(w, h, backgroundInfo, ballMode, false);
  ComputeBallParams();
  // A background without size is placed as one pixel.
  const float bw = backgroundInfo.width ? static_cast<float>(backgroundInfo.width) : 1.0f;
  const float bh = backgroundInfo.height ? static_cast<float>(backgroundInfo.height) : 1.0f;
  ScreenQuad r;
  ScreenQuad::Init(r);
  ScreenQuad::FitImage(r, backgroundInfo, w, h);
  if (!inTargetPass) ScreenQuad::ScaleToBackBuffer(r, w, h);
  const float x0 = r.Left(), y0 = r.Top();
  D3DXMATRIX a, b;
  D3DXMatrixMultiply(&a, &p.zoom, &p.modeOffset);
  D3DXMatrixMultiply(&b, &a, &p.modeScale);
  sx = b._11;
  sy = b._22;
  offX = p.GetZoomOffsetX() * sx * (r.Right() - r.Left()) / bw;
  offY = p.GetZoomOffsetY() * sy * (r.Bottom() - r.Top()) / bh;
  ScreenQuad placed = r;
  for (ScreenQuadVertex& v : placed.v) {
    v.x = sx * v.x + (x0 - sx * x0) + offX;
    v.y = sy * v.y + (y0 - sy * y0) + offY;
  }
  if (Moved(backgroundWritten, backgroundQuad.vertexBuffer, placed))
    if (DX_V::RHWCT* v = backgroundQuad.LockVertices()) {
      WriteRhwTexQuadCorners(placed, v);
      backgroundQuad.UnlockVertices();
    }
  const BallShares shares = ComputeBallShares(r.Left(), r.Top(), r.Right(), r.Bottom(), sx, sy);
  kx = shares.kx;
  ky = shares.ky;
  const float left = std::trunc(r.Left()) + 1, top = std::trunc(r.Top()) + 1;
  const float width = std::trunc(r.Right() - r.Left()), height = std::trunc(r.Bottom() - r.Top());
  const ScreenQuad barRects[4] = {Rect(0, 0, left, height), Rect(r.Right(), 0, r.Right() + left, height),
                                  Rect(0, 0, width, top), Rect(0, r.Bottom(), width, r.Bottom() + top)};
  for (int i = 0; i < 4; ++i)
    if (Moved(barsWritten[i], bars[i].vertexBuffer, barRects[i])) SetRhwQuadRect(bars[i], barRects[i]);
  ComputeBallParams();
  p.SetProjection(w, h, backgroundInfo, 1, false);
}

void DS_GlassBallLight::FrameMove(double seconds) {
  camera.Update(seconds);
  Resize(targetWidth, targetHeight);
  const int mode = motionMode.GetValue();
  GlassBallMotion& motion = SharedGlassBallMotion();
  motion.Advance(mode, seconds, motionSpeed.GetResult());
  sway = motion.Sway(mode);
  if (mode == 1 || mode == 2) {
    const BackBufferSize bb = GetRenderDevice().GetBackBufferSize();
    const float W = static_cast<float>(bb.width), H = static_cast<float>(bb.height);
    const float f = motion.ScrollShare(mode);
    scroll.Place(0, Rect(W * f, 0, W * f + W, H));
    scroll.Place(1, Rect(-(1 - f) * W, 0, f * W, H));
  }
}

BallCameraInput DS_GlassBallLight::CameraInput() const {
  BallCameraInput in = {};
  in.ballZ = ballZ;
  in.lensDepth = lensDepth;
  in.swayAmplitude = swayAmplitude;
  in.sway = sway;
  in.px = static_cast<float>(ballOffset.GetValue().x);
  in.py = static_cast<float>(ballOffset.GetValue().y);
  in.sx = sx;
  in.sy = sy;
  in.kx = kx;
  in.ky = ky;
  in.offX = offX;
  in.offY = offY;
  if (inTargetPass) {
    in.width = static_cast<float>(targetWidth);
    in.height = static_cast<float>(targetHeight);
  } else {
    const BackBufferSize bb = GetRenderDevice().GetBackBufferSize();
    in.width = static_cast<float>(bb.width);
    in.height = static_cast<float>(bb.height);
  }
  in.targetAspect = targetHeight ? static_cast<float>(targetWidth) / static_cast<float>(targetHeight) : 1.0f;
  in.pictureBackground = pictureBackground.GetValue() == 1;
  in.refraction = refraction.GetValue();
  in.pictureWidth = pictureQuad.info.width;
  in.pictureHeight = pictureQuad.info.height;
  return in;
}

D3DXMATRIX DS_GlassBallLight::LensTextureMatrix(const BallCamera& c, bool lensOn) const {
  const TextureInfo& pic = (lensOn || pictureBackground.GetValue() == 0) ? pictureQuad.info : backgroundInfo;
  const float a2 = pic.width && pic.height ? static_cast<float>(pic.width) / static_cast<float>(pic.height) : 1.0f;
  D3DXMATRIX P, m;
  D3DXMatrixPerspectiveFovLH(&P, kPi / 4, a2, 1, 3000);
  D3DXMatrixIdentity(&m);
  m._12 = m._21 = m._31 = m._32 = 0;
  m._41 = (c.u0 - std::floor(c.u0)) + 0.5f;
  m._42 = c.v0 + 0.5f;
  const float d = c.s * std::fabs(ballZ);
  const float q = P._33 * d + P._34;
  m._11 = P._11 / q * 0.5f;
  m._22 = P._22 / q * -0.5f;
  return m;
}

void DS_GlassBallLight::SetupBallCamera(bool lensOn) {
  const BallCameraInput in = CameraInput();
  const BallCamera c = ComputeBallCamera(in, lensOn);
  D3DXMATRIX m;
  GetRenderDevice().SetTransform(TransformSlot::World, *D3DXMatrixTranslation(&m, c.xc, c.yc, 0));
  const D3DXVECTOR3 eye(0, 0, ballZ), at(0, 0, 0), up(0, 1, 0);
  GetRenderDevice().SetTransform(TransformSlot::View, *D3DXMatrixLookAtLH(&m, &eye, &at, &up));
  GetRenderDevice().SetTransform(TransformSlot::Projection, *D3DXMatrixPerspectiveFovLH(&m, kPi / 4, in.targetAspect, 1, 3000));
  lensMatrix = LensTextureMatrix(c, lensOn);
  RenderDevice& dev = GetRenderDevice();
  dev.SetTextureTransform(1, lensMatrix);
  dev.ApplyStates(kLensCoordinates);
}

void DS_GlassBallLight::LensReads(TexelSpans* columns, TexelSpans* rows) const {
  const BallCamera c = ComputeBallCamera(CameraInput(), true);
  const D3DXMATRIX m = LensTextureMatrix(c, true);
  *columns = LensReadSpans(m._11, m._41, c.xc, kBumpU * kBallBumpOffsetMax, renderTargets.width);
  *rows = LensReadSpans(m._22, m._42, c.yc, kBumpV * kBallBumpOffsetMax, renderTargets.height);
}

std::vector<RECT> DS_GlassBallLight::CompositionRead() const {
  std::vector<RECT> rects;
  if (!cutPasses || compositionReaders != 0 || !Offscreen() || !renderTargets.current || ballHidden.GetValue() != 0)
    return rects;
  const int W = renderTargets.width, H = renderTargets.height;
  TexelSpans columns, rows;
  LensReads(&columns, &rows);
  std::vector<TexelSpan> across, down;
  const int mode = motionMode.GetValue();
  if (mode == 1 || mode == 2) {
    // The lens reads the copies; each copy's texels come from the composition moved back by its place.
    std::vector<CopyPlace> placesAcross, placesDown;
    for (int i = 0; i < 2; ++i) {
      const ScreenQuad& q = scroll.Placed(i);
      placesAcross.push_back(CopyPlace{q.Left(), q.Right() - q.Left()});
      placesDown.push_back(CopyPlace{q.Top(), q.Bottom() - q.Top()});
    }
    across = CopiedSpans(columns, placesAcross, W);
    down = CopiedSpans(rows, placesDown, H);
  } else {
    for (int i = 0; i < columns.count; ++i) across.push_back(TexelSpan{columns.first[i], columns.last[i]});
    for (int i = 0; i < rows.count; ++i) down.push_back(TexelSpan{rows.first[i], rows.last[i]});
  }
  const bool whole = across.size() == 1 && across[0].first == 0 && across[0].last == W && down.size() == 1 &&
                     down[0].first == 0 && down[0].last == H;
  if (across.empty() || down.empty() || whole) return rects;
  for (const TexelSpan& a : across)
    for (const TexelSpan& d : down) rects.push_back(RECT{a.first, d.first, a.last, d.last});
  return rects;
}

void DS_GlassBallLight::RenderBackground() {
  // Nothing drawn over the picture: the same composition every frame while the picture stays put, kept
  // whole in its texture rather than drawn again.
  if (cutPasses && nothingOverPicture) {
    RenderKeptPicture();
    return;
  }
  const std::vector<RECT> read = CompositionRead();
  if (read.empty()) {
    DS_2D_Light::RenderBackground();
    return;
  }
  // Texels outside these keep whatever they held: nothing reads them this frame.
  RenderDevice& d = GetRenderDevice();
  d.ApplyStates(kScissorOn);
  for (const RECT& r : read) {
    d.SetScissorRect(r);
    DS_2D_Light::RenderBackground();
  }
  d.ApplyStates(kScissorOff);
}

void DS_GlassBallLight::DrawBackground() {
  RenderDevice& d = GetRenderDevice();
  d.SetTexture(0, backgroundQuad.texture);
  if (!backgroundQuad.vertexBuffer || backgroundQuad.primitiveCount == 0) return;
  BindStreamRHWCT(backgroundQuad);
  // The lens square is drawn next, unblended, over whatever lies under it: the background is drawn only
  // in the bands around the pixels it covers for certain, which saves filling them twice.
  const BallCameraInput in = CameraInput();
  const LensPixels hole = lens.vertexBuffer
                              ? LensInterior(ComputeBallCamera(in, true), ballZ, in.targetAspect, in.width, in.height)
                              : LensPixels{0, 0, 0, 0};
  if (hole.right <= hole.left || hole.bottom <= hole.top) {
    d.DrawPrimitive(backgroundQuad.primitiveType, 0, backgroundQuad.primitiveCount);
    return;
  }
  const LONG W = static_cast<LONG>(in.width), H = static_cast<LONG>(in.height);
  const RECT bands[4] = {{0, 0, W, hole.top},
                         {0, hole.bottom, W, H},
                         {0, hole.top, hole.left, hole.bottom},
                         {hole.right, hole.top, W, hole.bottom}};
  d.ApplyStates(kScissorOn);
  for (const RECT& band : bands) {
    if (band.right <= band.left || band.bottom <= band.top) continue;
    d.SetScissorRect(band);
    d.DrawPrimitive(backgroundQuad.primitiveType, 0, backgroundQuad.primitiveCount);
  }
  d.ApplyStates(kScissorOff);
}

void DS_GlassBallLight::PostRender() {
  RenderDevice& d = GetRenderDevice();
  if (ballHidden.GetValue() != 0) {
    DS_2D_Light::PostRender();
    return;
  }
  d.ApplyStates(kBlendOff);
  // Nothing below draws into the composition's texture: the copies go into the pair's other one.
  if (cutPasses && nothingOverPicture) KeepPicture();
  const int mode = motionMode.GetValue();
  if (mode == 1 || mode == 2) {
    IDirect3DTexture9** finished = d.NextTarget(renderTargets);
    IDirect3DTexture9* slide = finished ? *finished : nullptr;
    // The copies are drawn only over the texels the lens may read of them (where the lens texture matrix
    // takes the square, widened by the bump's offsets), the rest of the target staying clear.
    const int W = renderTargets.width, H = renderTargets.height;
    TexelSpans columns, rows;
    LensReads(&columns, &rows);
    const bool cut = cutPasses && slide && columns.count > 0 && rows.count > 0 &&
                     !(columns.count == 1 && columns.last[0] - columns.first[0] == W && rows.count == 1 &&
                       rows.last[0] - rows.first[0] == H);
    if (cut) d.ApplyStates(kScissorOn);
    for (TexQuad& q : scroll.quads) q.texture.Share(slide);
    for (int i = 0; i < (cut ? columns.count : 1); ++i)
      for (int j = 0; j < (cut ? rows.count : 1); ++j) {
        if (cut) d.SetScissorRect(RECT{columns.first[i], rows.first[j], columns.last[i], rows.last[j]});
        for (TexQuad& q : scroll.quads) {
          d.SetTexture(0, q.texture);
          if (q.vertexBuffer && q.primitiveCount > 0) {
            BindStreamRHWCT(q);
            d.DrawPrimitive(q.primitiveType, 0, q.primitiveCount);
          }
        }
      }
    if (cut) d.ApplyStates(kScissorOff);
  }
  RenderTargetChain* chain = EndOffscreen(false);
  const ComRef<IDirect3DTexture9> slide = chain ? chain->current : nullptr;
  auto drawStrip = [&](DS_SimpleMesh<DX_V::PT2>& mesh) {
    if (!mesh.vertexBuffer) return;
    d.BindStream(mesh.vertexBuffer, DX_V::PT2::FVF, sizeof(DX_V::PT2));
    d.DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  };
  DrawBackground();
  // The lens: the slide behind the ball seen through the hemisphere's offsets.
  SetupBallCamera(true);
  // The lens and its overlays are drawn where the disc mask leaves them, the mask where it paints (the
  // same triangles, cut by the scissor, so each pixel drawn is the one the whole square would give).
  const BallCameraInput in = CameraInput();
  const LensSquare square =
      ProjectLensSquare(ComputeBallCamera(in, true), ballZ, in.targetAspect, in.width, in.height);
  const bool split = cutPasses && square.valid;
  const DiscScissors scissors = split ? SplitLensAtDisc(square, static_cast<int>(in.width),
                                                        static_cast<int>(in.height), kDiscStrips)
                                      : DiscScissors();
  auto drawLens = [&](const std::vector<RECT>& rects) {
    if (!split) {
      drawStrip(lens);
      return;
    }
    for (const RECT& r : rects) {
      d.SetScissorRect(r);
      drawStrip(lens);
    }
  };
  if (split) d.ApplyStates(kScissorOn);
  d.SetTexture(0, bumpMap);
  d.SetTexture(1, slide);
  d.ApplyStates(kBumpMappedLens);
  drawLens(scissors.disc);
  SetupBallCamera(false);
  // Overlays, blended.
  d.ApplyStates(kLensOverlays);
  d.SetTexture(1, nullptr);
  if (overlay1On.GetValue() != 0) {
    d.SetTexture(0, overlay1Texture);
    drawLens(scissors.disc);
  }
  if (overlay2On.GetValue() != 0) {
    d.SetTexture(0, overlay2Texture);
    drawLens(scissors.disc);
  }
  // Outside the disc the background again, over the lens's corners (the flat texture matrix, moved as the
  // background is).
  d.SetTexture(0, discMask);
  d.SetTexture(1, backgroundQuad.texture);
  D3DXMATRIX mask = lensMatrix;
  const float W = in.width > 0 ? in.width : 1, H = in.height > 0 ? in.height : 1;
  const float ksx = sx != 0 ? sx : 1, ksy = sy != 0 ? sy : 1;
  const float kkx = kx != 0 ? kx : 1, kky = ky != 0 ? ky : 1;
  mask._11 = mask._11 / ksx;
  mask._22 = mask._22 / ksy;
  mask._41 = (mask._41 - offX / W / kkx) / ksx;
  mask._42 = (mask._42 - offY / H / kky) / ksy;
  d.SetTextureTransform(1, mask);
  drawLens(scissors.rim);
  if (split) d.ApplyStates(kScissorOff);
  d.SetTexture(1, nullptr);
  if (shadowOn.GetValue() != 0) {
    d.SetTexture(0, shadowTexture);
    drawStrip(shadowQuad);
  }
  d.SetTexture(0, nullptr);
  if (pictureBackground.GetValue() == 1 && ballMode == 1)
    for (auto& bar : bars) DrawColorQuadRHW(&bar);
}

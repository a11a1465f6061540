#include "lights/lake_light.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "lights/light_states.h"
#include "platform/periodic.h"
#include "render/projection.h"
#include "scene/doc_res_manager.h"
#include "scene/guid_text.h"
#include "scene/readers.h"
#include "scene/render_device.h"
#include "scene/stream.h"

namespace {
const char16_t kClass[] = u"FakeLake2D";

ScreenQuad ToScreenQuad(const LakeQuad& q) {
  ScreenQuad s;
  ScreenQuad::Init(s);
  for (int i = 0; i < 4; ++i) {
    s.v[i].x = q.x[i];
    s.v[i].y = q.y[i];
    s.v[i].u = q.u[i];
    s.v[i].v = q.v[i];
  }
  return s;
}

// COLORREF 0x00BBGGRR to 0x00RRGGBB.
D3DCOLOR Rgb(DWORD c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }
}  // namespace

// Full ambient, dithering, no specular; stage 0 texture times diffuse.
const StateSet kLakeUnlitModulate = {
    "lake unlit modulate",
    {Rs(D3DRS_AMBIENT, 0xFFFFFFFF), Rs(D3DRS_DITHERENABLE, TRUE), Rs(D3DRS_SPECULARENABLE, FALSE),
     Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE), Tss(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE),
     Tss(0, D3DTSS_COLOROP, D3DTOP_MODULATE), Tss(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE)}};
// The slide's start before the bump stages: no depth, no culling, unlit, linear mirrored sampling on both
// samplers, the stages' coordinates and arguments, blending by source alpha.
const StateSet kLakeBaseline = {
    "lake baseline",
    {Rs(D3DRS_ZENABLE, FALSE), Rs(D3DRS_ZWRITEENABLE, FALSE), Rs(D3DRS_CULLMODE, D3DCULL_NONE),
     Rs(D3DRS_LIGHTING, FALSE), Rs(D3DRS_AMBIENT, 0xFFFFFFFF), Rs(D3DRS_DITHERENABLE, TRUE),
     Rs(D3DRS_SPECULARENABLE, FALSE), Samp(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
     Samp(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR), Samp(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR),
     Samp(0, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR), Samp(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
     Samp(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR), Samp(1, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR),
     Samp(1, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR), Tss(1, D3DTSS_TEXCOORDINDEX, 1), Tss(0, D3DTSS_TEXCOORDINDEX, 0),
     Tss(1, D3DTSS_COLORARG1, D3DTA_TEXTURE), Rs(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
     Rs(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA)}};
// The bump-mapped band: the bump map's offsets on stage 0 (clamped) move the mirrored picture's lookup on
// stage 1. The matrix that turns the offsets is set with it, at each draw.
const StateSet kLakeBumpStages = {
    "lake bump stages",
    {Samp(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP), Samp(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP),
     Tss(0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
     Tss(0, D3DTSS_COLORARG2, D3DTA_CURRENT), Tss(1, D3DTSS_COLORARG1, D3DTA_TEXTURE),
     Tss(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1), Tss(1, D3DTSS_TEXCOORDINDEX, 1)}};
// Stage 0's texture alone, stage 1 off.
const StateSet kFirstStageAlone = {"first stage alone",
                                   {Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), Tss(1, D3DTSS_COLOROP, D3DTOP_DISABLE)}};
// A grey quad from its vertices' colour and alpha, blended over what is drawn; then back to the texture.
const StateSet kGreyOverBumpSource = {
    "grey over bump source",
    {Rs(D3DRS_ALPHABLENDENABLE, TRUE), Rs(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), Rs(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
     Tss(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE), Tss(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE),
     Tss(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1)}};
const StateSet kGreyOverBumpSourceDone = {
    "grey over bump source done",
    {Rs(D3DRS_ALPHABLENDENABLE, FALSE), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE), Tss(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
     Tss(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1)}};

FakeLake2D::FakeLake2D() : bumpMatrix{0.04f, 0, 0, 0.04f}, planeVertices{} {
  speed.SetScaling(0.02f, 0.0f);
  speed.SetValue(50, nullptr);
  bumpScale.SetScaling(0.01f, 0.0f);
  bumpScale.SetValue(100, nullptr);
  horizon.SetScaling(-0.005f, 0.5f);
  horizon.SetValue(25, nullptr);
  bumpFade.SetScaling(0.01f, 0.0f);
  bumpFade.SetValue(100, nullptr);
  tintAlpha.SetScaling(0.008f, 0.0f);
  tintAlpha.SetValue(31, nullptr);
  tintFade.SetScaling(0.01f, 0.0f);
  tintFade.SetValue(58, nullptr);
  bumpAmplitude = 25;
  hazeHeight = 7;
  copySize = 1;
  tintColor = 0x408000;
  bumpKey = DocGuidKey(NewGuid(), ds_string(), true);
}

FakeLake2D::~FakeLake2D() = default;

void FakeLake2D::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, kClass, kVersion);
  // The bump map goes into the document under the light's key; without one the stored picture stays.
  if (g_DocResManager && bumpTexture) {
    g_DocResManager->Maps().guidTextures[bumpKey] = bumpTexture;
  }
  DS_IOF_Virtual* s = *stream;
  s->WriteUInt(bumpScale.GetValue());
  s->WriteUInt(speed.GetValue());
  s->WriteUInt(horizon.GetValue());
  s->WriteUInt(bumpFade.GetValue());
  s->WriteUInt(tintAlpha.GetValue());
  s->WriteUInt(tintFade.GetValue());
  s->WriteUInt(bumpAmplitude.GetValue());
  s->WriteUInt(hazeHeight.GetValue());
  s->WriteInt(copySize.GetValue());
  s->WriteDword(tintColor.GetValue());
  if (g_DocResManager) g_DocResManager->UpdateGuidPictureBytes(bumpKey);
  WriteGuid(stream, bumpKey.guid);
  s->WriteString(bumpKey.name);
  s->WriteBool(bumpKey.flag);
  SaveBase(stream);
}

FakeLake2D* FakeLake2D::CreateAndRead(DS_IOF_Virtual** stream, DWORD version) {
  std::unique_ptr<FakeLake2D> light(new FakeLake2D);
  ReadFields(stream, version, light.get());
  return light.release();
}

void FakeLake2D::ReadFields(DS_IOF_Virtual** stream, DWORD version, FakeLake2D* light) {
  DS_IOF_Virtual* s = *stream;
  if (version > 1) {
    UINTSclaleTo<float>* notified[6] = {&light->bumpScale, &light->speed,     &light->horizon,
                                        &light->bumpFade,  &light->tintAlpha, &light->tintFade};
    for (UINTSclaleTo<float>* p : notified) {
      UINT v = 0;
      s->ReadUInt(&v);
      p->Change(v);
    }
    s->ReadUInt(&light->bumpAmplitude.Raw());
    s->ReadUInt(&light->hazeHeight.Raw());
    s->ReadInt(&light->copySize.Raw());
    s->ReadDword(&light->tintColor.Raw());
  }
  ReadGuid(stream, &light->bumpKey.guid);
  s->ReadString(&light->bumpKey.name);
  s->ReadBool(&light->bumpKey.flag);
  DS_2D_Light::ReadBase(stream, light);
}

void RegisterLakeLightReader() { RegisterClassReader<FakeLake2D>(GetLightReaderRegistry(), kClass); }

// ---- geometry ---------------------------------------------------------------------------------------

void FakeLake2D::BuildLakePlane() {
  lakePlane.CreateVertexBuffer(6, D3DUSAGE_WRITEONLY, D3DPOOL_MANAGED);
  lakePlane.primitiveType = D3DPT_TRIANGLELIST;
  lakePlane.primitiveCount = lakePlane.vertexBuffer ? 2 : 0;
}

namespace {
void WritePlane(DS_SimpleMesh<LakeVertex>& mesh, const LakeVertex v[6]) {
  if (mesh.vertexCount < 6) return;
  if (LakeVertex* out = mesh.LockVertices()) {
    std::memcpy(out, v, 6 * sizeof(LakeVertex));
    mesh.UnlockVertices();
  }
}
}  // namespace

void FakeLake2D::UpdateLakeGeometry() {
  // A picture without size is placed as one pixel.
  const TextureInfo& info = pictureQuad.info;
  const float w = info.width && info.height ? static_cast<float>(info.width) : 1.0f;
  const float h = info.width && info.height ? static_cast<float>(info.height) : 1.0f;
  const float share = HorizonShare();
  const LakeQuad band = MakeMirrorBand(LakePictureQuad(w, h), share);
  SetLakePlaneCorners(band, planeVertices);
  WritePlane(lakePlane, planeVertices);
  SetColorQuadRect(bandTint, ToScreenQuad(band));
  const float yh = band.y[1];
  const float k = static_cast<float>(LakeHazeRows(hazeHeight.GetValue(), share));
  const float left = band.x[0], right = left + std::trunc(band.x[2] - band.x[0]);
  LakeQuad haze = {{left, left, right, right}, {yh - k, yh, yh - k, yh}, {0, 0, 1, 1}, {1, 0, 1, 0}};
  SetColorQuadRect(hazeStrip, ToScreenQuad(haze));
}

void FakeLake2D::SetLakeBumpCoords(float s) {
  ::SetLakeBumpCoords(s, planeVertices);
  WritePlane(lakePlane, planeVertices);
}

void FakeLake2D::SetTintAlphas() {
  const float a = tintAlpha.GetResult(), b = a * (1 - tintFade.GetResult());
  SetColorQuadCornerAlpha(bandTint, a, a, b, b);
  SetColorQuadCornerAlpha(hazeStrip, 0, 0, b, b);
}

// ---- device -----------------------------------------------------------------------------------------

void FakeLake2D::OnCreateDevice() {
  DS_2D_Light::OnCreateDevice();
  LoadPendingPicture();  // this light works from the picture's texture from the start
  ScreenQuad full;
  ScreenQuad::Init(full);
  ScreenQuad::FullBackBuffer(full);
  LakeQuad q;
  for (int i = 0; i < 4; ++i) {
    q.x[i] = full.v[i].x;
    q.y[i] = full.v[i].y;
    q.u[i] = full.v[i].u;
    q.v[i] = full.v[i].v;
  }
  const ScreenQuad band = ToScreenQuad(MakeMirrorBand(q, HorizonShare()));
  BuildLakePlane();
  BuildColorQuad(bandTint, Rgb(tintColor.GetValue()), band);
  BuildColorQuad(hazeStrip, Rgb(tintColor.GetValue()), band);
  SetTintAlphas();
  if (!firstSetUp) MakeBumpMap();
  ReloadImage();
  SetLakeBumpCoords(bumpScale.GetResult());
  SetColorQuadRgb(bandTint, Rgb(tintColor.GetValue()));
  SetColorQuadRgb(hazeStrip, Rgb(tintColor.GetValue()));
  // The document's bump picture under the key wins; without one a map made here is kept.
  if (g_DocResManager) {
    IDirect3DTexture9* stored = *g_DocResManager->GuidTexture(bumpKey);
    if (stored) bumpTexture.Share(stored);
  }
  firstSetUp = false;
}

namespace {
const int kBumpSourcePicture = 2;  // the executable's ripple heights

// The source drawn as it is, then grey blended over it from nothing at the bottom edge to fade at the
// top, so that the ripples flatten towards the horizon.
void DrawBumpSource(IDirect3DTexture9* source, IDirect3DTexture9* target, UINT w, UINT h, float fade) {
  RenderDevice& d = GetRenderDevice();
  ScreenQuad rect;
  ScreenQuad::Init(rect);
  ScreenQuad::SetRect(rect, 0, 0, static_cast<float>(w), static_cast<float>(h));
  TexQuad picture;
  picture.SetTexture(&source, rect);
  DS_SimpleMesh<DX_V::RHWC> grey;
  BuildRhwColorQuad(grey, 0x00808080, rect);
  SetRhwQuadCornerAlpha(grey, 0, 0, fade, fade);
  d.BeginTextureTarget(target);
  if (d.BeginScene()) {
    d.ApplyStates(kFirstStageAlone);
    d.SetTexture(0, source);
    if (picture.vertexBuffer) {
      BindStreamRHWCT(picture);
      d.DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    }
    // The grey and its alpha come from the vertices: the stage's texture is still the source, whose
    // texel at the quad's missing coordinates would otherwise stand in for the grey.
    d.ApplyStates(kGreyOverBumpSource);
    if (grey.vertexBuffer) {
      d.BindStream(grey.vertexBuffer, DX_V::RHWC::FVF, sizeof(DX_V::RHWC));
      d.DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    }
    d.ApplyStates(kGreyOverBumpSourceDone);
    d.SetTexture(0, nullptr);
    d.EndScene();
  }
  d.EndTextureTarget();
}
}  // namespace

void FakeLake2D::MakeBumpMap() {
  RenderDevice& d = GetRenderDevice();
  using Texture = ComRef<IDirect3DTexture9>;
  const Texture source = Texture::Adopted(d.GetTextureById(kBumpSourcePicture));
  UINT w = 0, h = 0;
  if (!source || !d.GetTextureSize(source, &w, &h) || w == 0 || h == 0) return;
  const Texture drawn = Texture::Adopted(d.CreateRenderTargetTexture(w, h));
  if (drawn) DrawBumpSource(source, drawn, w, h, std::min(std::max(bumpFade.GetResult(), 0.0f), 1.0f));
  const Texture heights = Texture::Adopted(d.ConvertTexture(drawn, w, h, D3DFMT_A8R8G8B8));
  // Released in the reverse order: normals, heights, drawn, source.
  const Texture normals =
      Texture::Adopted(d.ComputeNormalMap(heights, w, h, static_cast<float>(bumpAmplitude.GetValue())));
  // The offsets are converted here: not every platform's format conversion writes signed texels.
  std::vector<BYTE> offsets;
  const bool read = normals && d.ReadTopLevel(normals, [&](const BYTE* bits, int pitch) {
    offsets.resize(static_cast<size_t>(w) * h * 2);
    NormalsToBumpOffsets(bits, pitch, w, h, offsets.data(), static_cast<int>(w) * 2);
  });
  IDirect3DTexture9* bump = nullptr;
  if (read)
    bump = d.CreateFilledTexture(w, h, D3DFMT_V8U8, false, [&](BYTE* bits, int pitch, D3DFORMAT made) {
      if (made != D3DFMT_V8U8) return false;
      for (UINT y = 0; y < h; ++y)
        std::memcpy(bits + static_cast<ptrdiff_t>(y) * pitch, offsets.data() + static_cast<size_t>(y) * w * 2, w * 2);
      return true;
    });
  if (bump) bumpTexture.Adopt(bump);
}

void FakeLake2D::ReloadImage() {
  LoadImageTexture(picture, pictureQuad);
  DS_2D_Light::Resize(targetWidth, targetHeight);
  IDirect3DTexture9* source = pictureQuad.info.texture;
  GetRenderDevice().MakeSquareCopy(copySize.GetValue(), pictureCopy, &source);
  DS_2D_Light::Resize(targetWidth, targetHeight);
  UpdateLakeGeometry();
}

void FakeLake2D::FrameMove(double seconds) {
  camera.Update(seconds);
  speed.Advance(seconds);
  // The ripple turns by 4.5 radians per unit of its position: reduced by 4 pi / 9.
  LakeBumpMatrix(ReducedFloat(speed.GetPosition(), 2.0 * kTwoPi / 9.0), bumpMatrix);
}

void FakeLake2D::SetupBumpStages() {
  RenderDevice& d = GetRenderDevice();
  d.SetTexture(0, bumpTexture);
  d.SetTexture(1, pictureCopy.texture ? pictureCopy.texture : pictureQuad.info.texture);
  d.ApplyStates(kLakeBumpStages);
  d.ApplyStates(StateSet{"lake bump matrix",
                         {Tss(0, D3DTSS_BUMPENVMAT00, StateFloat(bumpMatrix[0])),
                          Tss(0, D3DTSS_BUMPENVMAT01, StateFloat(bumpMatrix[1])),
                          Tss(0, D3DTSS_BUMPENVMAT10, StateFloat(bumpMatrix[2])),
                          Tss(0, D3DTSS_BUMPENVMAT11, StateFloat(bumpMatrix[3]))}});
}

void FakeLake2D::OnResetDevice() {
  RenderDevice& d = GetRenderDevice();
  d.ApplyStates(kLakeBaseline);
  SetupBumpStages();
  d.ApplyStates(kLakeUnlitModulate);
  MakeTargets();
}

void FakeLake2D::RenderBackground() {
  RenderDevice& d = GetRenderDevice();
  d.Clear(D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  DS_2D_Light::RenderBackground();
  const TextureInfo& info = pictureQuad.info;
  // No picture, or no band (horizon at the bottom): the lake shows nothing.
  if (!pictureQuad.quad.texture || info.width == 0 || info.height == 0 || !(HorizonShare() > 0)) return;
  if (lakePlane.vertexBuffer && lakePlane.primitiveCount > 0) {
    d.BindStream(lakePlane.vertexBuffer, LakeVertex::FVF, sizeof(LakeVertex));
    SetupBumpStages();
    d.DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
  }
  d.SetTexture(1, nullptr);
  d.ApplyStates(kFirstStageAlone);
  DrawColorQuad(&bandTint);
  DrawColorQuad(&hazeStrip);
}

#include "lights/light_2d.h"

#include <cstring>
#include <memory>
#include <typeinfo>

#include "lights/light_states.h"
#include "render/projection.h"
#include "scene/doc_res_manager.h"
#include "scene/readers.h"
#include "scene/render_device.h"
#include "scene/screen_mapping.h"
#include "scene/stream.h"

namespace {
const char16_t kLightClass[] = u"DS_2D_Light";
const char16_t kSharedModule[] = u"basekit.dll";
const int kDefaultPicture = 5;
}  // namespace

const int DS_2D_Light::kMarkerPictureIds[5] = {54, 55, 56, 57, 61};

// ---- quad and stream functions ----------------------------------------------------------------------

HRESULT CreateVertexBufferPT(VertexBufferInfo& info, UINT count, DWORD usage, D3DPOOL pool) {
  info.locked = nullptr;
  info.count = 0;
  HRESULT hr =
      CreateGeometryVertexBuffer(count * (UINT)sizeof(DX_V::PT), usage, DX_V::PT::FVF, pool, info.buffer.Out());
  if (SUCCEEDED(hr)) info.count = count;
  return hr;
}

void AttachQuadStrip(const VertexBufferInfo& info, DS_SimpleMesh<DX_V::PT>& mesh) {
  mesh.vertexBuffer = info.buffer;
  mesh.lockedVertices = info.locked;
  mesh.vertexCount = info.buffer ? info.count : 0;
  mesh.primitiveType = D3DPT_TRIANGLESTRIP;
  mesh.primitiveCount = info.buffer ? 2 : 0;
}

HRESULT CreateQuadBufferPT(DS_SimpleMesh<DX_V::PT>& mesh) {
  VertexBufferInfo info;
  HRESULT hr = CreateVertexBufferPT(info, 4, D3DUSAGE_WRITEONLY, D3DPOOL_MANAGED);
  AttachQuadStrip(info, mesh);
  return hr;
}

void SetQuadVerticesPT(DS_SimpleMesh<DX_V::PT>& mesh, const DX_V::PT v[4]) {
  CreateQuadBufferPT(mesh);
  if (DX_V::PT* out = mesh.LockVertices()) {
    for (int i = 0; i < 4; ++i) out[i] = v[i];
    mesh.UnlockVertices();
  }
}

void SetQuadPositionsPT(DS_SimpleMesh<DX_V::PT>& mesh, const D3DXVECTOR3 p[4]) {
  if (mesh.vertexCount < 4) return;
  if (DX_V::PT* out = mesh.LockVertices()) {
    for (int i = 0; i < 4; ++i) {
      out[i].x = p[i].x;
      out[i].y = p[i].y;
      out[i].z = p[i].z;
    }
    mesh.UnlockVertices();
  }
}

void BindStreamPT(const DS_SimpleMesh<DX_V::PT>& mesh) {
  GetRenderDevice().BindStream(mesh.vertexBuffer, DX_V::PT::FVF, sizeof(DX_V::PT));
}
void BindStreamPCT(const DS_SimpleMesh<DX_V::PCT>& mesh) {
  GetRenderDevice().BindStream(mesh.vertexBuffer, DX_V::PCT::FVF, sizeof(DX_V::PCT));
}
void BindStreamPNT(const DS_SimpleMesh<DX_V::PNT>& mesh) {
  GetRenderDevice().BindStream(mesh.vertexBuffer, DX_V::PNT::FVF, sizeof(DX_V::PNT));
}
void BindStreamRHWCT(const DS_SimpleMesh<DX_V::RHWCT>& mesh) {
  GetRenderDevice().BindStream(mesh.vertexBuffer, DX_V::RHWCT::FVF, sizeof(DX_V::RHWCT));
}

void BindSpriteArrayStream(SpriteArraySource& sprites) {
  RenderDevice& d = GetRenderDevice();
  DS_IndexedMesh<DX_V::PCT>* geometry = sprites.GetSpriteGeometry();
  d.SetTexture(0, sprites.GetFrameTexture());
  d.SetIndices(geometry ? geometry->indexBuffer : nullptr);
  if (geometry) BindStreamPCT(*geometry);
}

void CreatePictureQuad(PictureQuad& quad) {
  CreateQuadBufferPT(quad.quad);
  if (quad.quad.vertexCount < 4) return;
  if (DX_V::PT* v = quad.quad.LockVertices()) {
    const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
    for (int i = 0; i < 4; ++i) {
      v[i].u = uv[i][0];
      v[i].v = uv[i][1];
    }
    quad.quad.UnlockVertices();
  }
}

void SetPictureQuadSize(PictureQuad& quad, float w, float h) {
  const D3DXVECTOR3 p[4] = {D3DXVECTOR3(0, h, 0), D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(w, h, 0), D3DXVECTOR3(w, 0, 0)};
  SetQuadPositionsPT(quad.quad, p);
}

void SetPictureQuadTexture(const TextureInfo& info, PictureQuad& quad) {
  quad.quad.SetTexture(info.texture);
  SetPictureQuadSize(quad, static_cast<float>(info.width), static_cast<float>(info.height));
}

// ---- construction, reading and saving ---------------------------------------------------------------

DS_2D_Light::DS_2D_Light()
    : picture(kDefaultPicture, kSharedModule), picturePosition(1),
      targetPassMode(1), targetWidth(0), targetHeight(0) {
  listeners.SetOwner(this, false);
  RegisterImageLinkListener();
}

DS_2D_Light::~DS_2D_Light() {
  std::vector<std::pair<int, int>>().swap(sizeStack);
  listeners.Clear();
}

void DS_2D_Light::RegisterImageLinkListener() { listeners.Bind(picture, &DS_2D_Light::ReloadImage); }

DS_2D_Light* DS_2D_Light::CreateFromStream(DS_IOF_Virtual** stream) {
  return CreateFromRegistry(GetLightReaderRegistry(), stream);
}

DS_2D_Light* DS_2D_Light::CreateAndRead(DS_IOF_Virtual** stream, DWORD version) {
  std::unique_ptr<DS_2D_Light> light(new DS_2D_Light);
  ReadFields(stream, version, light.get());
  return light.release();
}

void DS_2D_Light::ReadBase(DS_IOF_Virtual** stream, DS_2D_Light* light) {
  const DWORD version = ReadSectionHeader(stream);
  ReadFields(stream, version, light);
}

void DS_2D_Light::ReadFields(DS_IOF_Virtual** stream, DWORD version, DS_2D_Light* light) {
  if (version > 1) ReadFileLink(stream, &light->picture);
  if (version > 2) {
    std::unique_ptr<DSM_Camera> camera(DSM_Camera::CreateFromStream(stream));
    light->camera.Assign(*camera);
  }
}

void DS_2D_Light::SaveBase(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, kLightClass, kVersion);
  if (g_DocResManager) g_DocResManager->RegisterImageForSave(picture);
  WriteFileLink(stream, picture);
  camera.SaveBase(stream);
}

void RegisterPictureLightReader() { RegisterClassReader<DS_2D_Light>(GetLightReaderRegistry(), kLightClass); }

// ---- picture ----------------------------------------------------------------------------------------

void DS_2D_Light::LoadImageTexture(const DS_ImageFileLink& link, PictureQuad& quad) {
  TextureInfo info;
  if (g_DocResManager) TextureInfo::FromTextureSet(g_DocResManager->GetTextureSet(link), info);
  quad.info = info;
  SetPictureQuadTexture(quad.info, quad);
}

void DS_2D_Light::ReloadImage() {
  picturePending_ = false;
  LoadImageTexture(picture, pictureQuad);
  Resize(targetWidth, targetHeight);
}

void DS_2D_Light::LoadPendingPicture() {
  if (!picturePending_) return;
  picturePending_ = false;
  const UINT width = pictureQuad.info.width, height = pictureQuad.info.height;
  LoadImageTexture(picture, pictureQuad);
  if (pictureQuad.info.width != width || pictureQuad.info.height != height) Resize(targetWidth, targetHeight);
}

void DS_2D_Light::ReleasePictures() {
  for (StretchedPicture* p : {&keptPicture_, &drawnPicture_}) {
    p->valid = false;
    p->picture.Reset();
  }
  sourceTexture.Reset();
  // Made again by the reset of the slide's next start (MakeTargets).
  renderTargets.ReleaseTextures();
  if (!picturePending_ && g_DocResManager && g_DocResManager->ReleasePicture(picture)) {
    // The size stays, so that placement and items measure as before until it is decoded again.
    pictureQuad.info.texture.Reset();
    pictureQuad.quad.texture.Reset();
    picturePending_ = true;
  }
}

void DS_2D_Light::SetSourceTexture(IDirect3DTexture9* texture) { sourceTexture.Share(texture); }

// ---- device and frame -------------------------------------------------------------------------------

void DS_2D_Light::OnCreateDevice() {
  CreatePictureQuad(pictureQuad);
  TextureInfo size;
  picturePending_ = g_DocResManager && g_DocResManager->PeekPictureSize(picture, &size);
  if (picturePending_) {
    pictureQuad.info = size;
    SetPictureQuadTexture(pictureQuad.info, pictureQuad);
  } else {
    LoadImageTexture(picture, pictureQuad);
  }
  g_LetterboxProjection.CreateBars();
  for (int i = 0; i < 5; ++i) markerTextures[i].Adopt(GetRenderDevice().GetTextureById(kMarkerPictureIds[i]));
}

// What a slide starts from: no depth, no lighting, linear mirrored sampling, stage 0 showing the texture
// alone with stage 1 off, and blending (when on) by source alpha.
const StateSet kPictureBaseline = {
    "picture baseline",
    {Rs(D3DRS_ZENABLE, FALSE), Rs(D3DRS_ZWRITEENABLE, FALSE), Rs(D3DRS_LIGHTING, FALSE),
     Samp(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR), Samp(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
     Samp(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR), Samp(0, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR),
     Tss(1, D3DTSS_TEXCOORDINDEX, 1), Tss(0, D3DTSS_TEXCOORDINDEX, 0), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
     Tss(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE), Tss(1, D3DTSS_COLORARG1, D3DTA_TEXTURE),
     Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), Tss(1, D3DTSS_COLOROP, D3DTOP_DISABLE),
     Rs(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), Rs(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA)}};

void DS_2D_Light::OnResetDevice() {
  GetRenderDevice().ApplyStates(kPictureBaseline);
  MakeTargets();
}

void DS_2D_Light::MakeTargets() {
  const BackBufferSize bb = GetRenderDevice().GetBackBufferSize();
  const int w = static_cast<int>(bb.width), h = static_cast<int>(bb.height);
  // After a loss the reset pass has made the pair at this size already; a later start finds it too.
  if (renderTargets.Holds(w, h)) return;
  GetRenderDevice().CreateTargets(renderTargets, w, h);
}

// Every default-pool object, and every reference on one, belongs to a registered owner: the loss goes to
// the light's own (the pair and the document's effects follow it through the registry's pass).
void DS_2D_Light::OnLostDevice() { sourceTexture.InvalidateDeviceObjects(); }

void DS_2D_Light::PostRender() { GetRenderDevice().DrawBars(g_LetterboxProjection); }

void DS_2D_Light::RenderBackground() {
  const bool kept = keptPicture_.valid;
  keptPicture_.valid = false;
  drawnPicture_.valid = false;
  LoadPendingPicture();
  g_LetterboxProjection.ApplyTransforms();
  g_LetterboxProjection.SetWorld(pictureQuad.quad.world);
  // A picture that could not be loaded, or has no size, draws nothing.
  const TextureInfo& info = pictureQuad.info;
  if (!pictureQuad.quad.texture || info.width == 0 || info.height == 0) return;
  if (!pictureQuad.quad.vertexBuffer || pictureQuad.quad.primitiveCount == 0) return;
  RenderDevice& d = GetRenderDevice();
  d.SetTexture(0, pictureQuad.quad.texture);
  BindStreamPT(pictureQuad.quad);
  // Off-screen, a plain picture light's target may still hold this very picture from an earlier frame, as
  // may that of a light drawing it through RenderKeptPicture (other lights of their own kind draw more
  // than the picture here, and keep nothing). The texture is bound all the same: left bound, the texture
  // a reader read last frame would be saved with the device state by the next effect, and a default-pool
  // texture kept that way makes a reset fail.
  if (offscreen_ && (keepsOwnPicture_ || typeid(*this) == typeid(DS_2D_Light))) {
    drawnPicture_ = StretchedPictureNow();
    if (kept && drawnPicture_.Same(keptPicture_)) return;
  }
  d.DrawOpaquePrimitive(pictureQuad.quad.primitiveType, 0, pictureQuad.quad.primitiveCount, false);
}

void DS_2D_Light::RenderKeptPicture() {
  keepsOwnPicture_ = true;
  DS_2D_Light::RenderBackground();
  keepsOwnPicture_ = false;
}

void DS_2D_Light::KeepPicture() {
  if (drawnPicture_.valid) keptPicture_ = drawnPicture_;
  drawnPicture_.valid = false;
}

DS_2D_Light::StretchedPicture DS_2D_Light::StretchedPictureNow() const {
  StretchedPicture p;
  p.target = renderTargets.current;
  p.valid = p.target != nullptr;
  p.generation = renderTargets.generation;
  p.picture.Share(pictureQuad.quad.texture);
  p.vertexBuffer = pictureQuad.quad.vertexBuffer;
  p.pictureWidth = pictureQuad.info.width;
  p.pictureHeight = pictureQuad.info.height;
  p.targetWidth = targetWidth;
  p.targetHeight = targetHeight;
  p.world = pictureQuad.quad.world;
  return p;
}

bool DS_2D_Light::StretchedPicture::Same(const StretchedPicture& o) const {
  return generation == o.generation && target == o.target && picture.Get() == o.picture.Get() &&
         vertexBuffer == o.vertexBuffer && pictureWidth == o.pictureWidth && pictureHeight == o.pictureHeight &&
         targetWidth == o.targetWidth && targetHeight == o.targetHeight &&
         std::memcmp(&world, &o.world, sizeof(world)) == 0;
}

void DS_2D_Light::FrameMove(double seconds) { camera.Update(seconds); }

void DS_2D_Light::Resize(int width, int height) { ResizeBase(width, height); }

void DS_2D_Light::ResizeBase(int width, int height) {
  targetWidth = width;
  targetHeight = height;
  const TextureInfo& info = pictureQuad.info;
  g_LetterboxProjection.SetProjection(width, height, info, g_LetterboxProjection.mode, false);
  ScreenQuad fitted;
  ScreenQuad::Init(fitted);
  ScreenQuad::FitImage(fitted, info, width, height);
  ScreenQuad::ScaleToBackBuffer(fitted, width, height);
  // Items measure in picture pixels: a picture without size counts as one pixel, never zero.
  const int pw = info.width && info.height ? static_cast<int>(info.width) : 1;
  const int ph = info.width && info.height ? static_cast<int>(info.height) : 1;
  SetScreenMapping(fitted, width, height, pw, ph);
}

void DS_2D_Light::SetPicturePosition(int mode) {
  picturePosition = mode;
  g_LetterboxProjection.SetProjection(targetWidth, targetHeight, pictureQuad.info, mode, false);
  ResizeBase(targetWidth, targetHeight);
}

// A quad coloured by its vertices alone, blended; blending stays on, the stage arguments go back to the
// texture.
const StateSet kDiffuseQuad = {"diffuse quad",
                               {Rs(D3DRS_ALPHABLENDENABLE, TRUE), Tss(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE),
                                Tss(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE)}};
const StateSet kTextureArguments = {"texture arguments",
                                    {Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE), Tss(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE)}};
// A pre-transformed textured quad blended by texture times vertex alpha over what is drawn (the icon layer);
// the stage's alpha goes back to the texture's alone.
const StateSet kBlendedQuad = {"blended quad",
                               {Rs(D3DRS_ALPHABLENDENABLE, TRUE), Rs(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
                                Rs(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA), Rs(D3DRS_ZENABLE, FALSE),
                                Tss(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE)}};
const StateSet kTextureAlpha = {"texture alpha", {Tss(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1)}};

namespace {
template <class V>
void DrawDiffuseQuad(DS_SimpleMesh<V>* mesh) {
  if (!mesh) return;
  RenderDevice& d = GetRenderDevice();
  d.ApplyStates(kDiffuseQuad);
  if (mesh->vertexBuffer && mesh->primitiveCount > 0) {
    d.BindStream(mesh->vertexBuffer, V::FVF, sizeof(V));
    d.DrawPrimitive(mesh->primitiveType, 0, mesh->primitiveCount);
  }
  d.ApplyStates(kTextureArguments);
}
}  // namespace

void DS_2D_Light::DrawColorQuadRHW(DS_SimpleMesh<DX_V::RHWC>* mesh) { DrawDiffuseQuad(mesh); }

void DS_2D_Light::DrawColorQuad(DS_SimpleMesh<DX_V::PC>* mesh) { DrawDiffuseQuad(mesh); }

void DS_2D_Light::DrawTexturedQuadRHW(TexQuad* quad) { DrawBlendedQuadRhw(quad); }

void DrawBlendedQuadRhw(TexQuad* quad) {
  if (!quad) return;
  RenderDevice& d = GetRenderDevice();
  d.ApplyStates(kBlendedQuad);
  d.SetTexture(0, quad->texture);
  if (quad->vertexBuffer && quad->primitiveCount > 0) {
    BindStreamRHWCT(*quad);
    d.DrawPrimitive(quad->primitiveType, 0, quad->primitiveCount);
  }
  d.ApplyStates(kTextureAlpha);
}

// ---- off-screen pass and effect chain ---------------------------------------------------------------

void DS_2D_Light::BeginOffscreen() {
  picturePosition = g_LetterboxProjection.mode;
  // The pass begins in the texture that keeps the picture, which a light's post pass may have switched away
  // from after it.
  if (keptPicture_.valid && keptPicture_.generation == renderTargets.generation)
    renderTargets.MakeCurrent(keptPicture_.target);
  GetRenderDevice().BeginTargets(renderTargets, renderTargets.current.Slot());
  offscreen_ = true;
  g_LetterboxProjection.SetProjection(targetWidth, targetHeight, pictureQuad.info, PicturePosition::OffscreenStretch,
                                      false);
}

RenderTargetChain* DS_2D_Light::EndOffscreen(bool clear) {
  g_LetterboxProjection.SetProjection(targetWidth, targetHeight, pictureQuad.info, picturePosition, false);
  RenderDevice& d = GetRenderDevice();
  d.EndTargets(renderTargets);
  offscreen_ = false;
  if (clear) d.Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  return &renderTargets;
}

void DS_2D_Light::SwitchBeforeSourceReader(int* n, bool pictureAlone) {
  // The only reader, with nothing over the picture: the texture it reads goes unchanged into the next
  // frame. Any other switch draws over the picture or clears a texture of the pair.
  if (*n == 1 && pictureAlone && offscreen_ && drawnPicture_.valid) keptPicture_ = drawnPicture_;
  drawnPicture_.valid = false;
  --*n;
  IDirect3DTexture9* source = nullptr;
  if (*n > 0) {
    IDirect3DTexture9** finished = GetRenderDevice().NextTarget(renderTargets);
    source = finished ? *finished : nullptr;
  } else {
    EndOffscreen(false);
    source = renderTargets.current;
  }
  // Without a render-target pair nothing was drawn off-screen: the object reads the bare picture.
  SetSourceTexture(source ? source : pictureQuad.info.texture);
}

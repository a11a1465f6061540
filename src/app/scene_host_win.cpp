#include "app/scene_host_win.h"

#include "desktop/desktop_host_win.h"
#include "desktop/icon_layer.h"
#include "dxut/d3d_device.h"
#include "lights/audio_graph_win.h"
#include "lights/light_2d.h"
#include "lights/slide_show.h"
#include "render/projection.h"
#include "render/render_device_win.h"
#include "render/texture_cache.h"
#include "scene/screen_quad.h"
#include "scene/texture_types.h"

SceneHost* g_SceneHost = nullptr;
RECT g_WindowRect = {0, 0, 0, 0};

namespace {

int WindowWidth() { return g_WindowRect.right - g_WindowRect.left; }
int WindowHeight() { return g_WindowRect.bottom - g_WindowRect.top; }

// Alpha is never written: the window shows no alpha, and the picture's would only cost bandwidth.
const StateSet kColourWritesRgb = {"colour writes rgb", {Rs(D3DRS_COLORWRITEENABLE, 7)}};
// The icon layer's sampling goes back to linear after it.
const StateSet kLinearFilter = {"linear filter",
                                {Samp(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR), Samp(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR)}};

class HostIconLayerSink : public IconLayerSink {
 public:
  void UploadIconLayer(const IconLayerBitmap& icons) override { ::UploadIconLayer(icons); }
  void RenderFrame() override { DXUTRender3DEnvironment(); }
  void SetIconsVisible(bool visible) override {
    if (g_SceneHost) g_SceneHost->SetIconsVisible(visible);
  }
};

}  // namespace

SceneHost::SceneHost(bool iconLayer) : iconsVisible_(iconLayer) {
  if (iconLayer) {
    iconQuad_.reset(new TexQuad);
    iconTexture_.reset(new ComRef<IDirect3DTexture9>);
  }
}

SceneHost::~SceneHost() {
  if (g_SceneHost == this) g_SceneHost = nullptr;
  ReleaseClock();
  AudioGraph::Stop();
  AudioGraph::Release();
  root_.reset();
  iconQuad_.reset();
  iconTexture_.reset();
  // What the cache decoded and the border bars go with the host, so that nothing holds the device at the
  // process's end: a device still alive then can bring the process down while it exits.
  if (textureCache_) textureCache_->cache.reset(new TextureCache);
  g_LetterboxProjection.ReleaseBars();
}

bool SceneHost::CreateIconTexture() {
  if (!iconTexture_) return false;
  if (FAILED(CreateDefaultPoolTexture(iconTexture_->Out(), WindowWidth(), WindowHeight(), D3DUSAGE_DYNAMIC)))
    iconTexture_->Reset();
  return *iconTexture_ != nullptr;
}

bool SceneHost::InitDevice(HWND deviceWindow, HWND rectWindow) {
  g_TextureCache = textureCache_ = new TextureCacheHolder;  // lives for the rest of the run

  DXUTSetCallbackFrameMove(OnFrameMove);
  DXUTSetCallbackDeviceCreated(OnD3D9DeviceCreated);
  DXUTSetCallbackFrameRender(OnD3D9FrameRender);
  DXUTSetCallbackDeviceReset(OnD3D9ResetDevice);
  DXUTSetCallbackDeviceLost(OnD3D9LostDevice);

  if (!GetWindowRect(rectWindow, &g_WindowRect)) return false;

  if (FAILED(DXUTInit(false, false, true))) return false;
  DXUTSetCursorSettings(true, true);
  if (FAILED(DXUTSetWindow(deviceWindow, deviceWindow, deviceWindow))) return false;
  if (FAILED(DXUTCreateDevice(D3DADAPTER_DEFAULT, true, WindowWidth(), WindowHeight(), IsD3D9DeviceAcceptable,
                              ModifyDeviceSettings)))
    return false;
  if (!g_D3DDevice) return false;
  deviceWindow_ = deviceWindow;

  if (iconQuad_) {
    CreateIconTexture();
    ScreenQuad full;
    iconQuad_->SetTexture(*iconTexture_, ScreenQuad::FullBackBuffer(ScreenQuad::Init(full)));
    SetIconCoverage(RECT{0, 0, 0, 0});  // nothing painted yet
  }
  GetRenderDevice().ApplyStates(kColourWritesRgb);
  // The sound graph is made with the first track, once the first frame is drawn.
  g_SceneHost = this;
  return true;
}

void SceneHost::SetRoot(DS_SlideShow_Light* root) { root_.reset(root); }

bool SceneHost::PlayTrack(int track) {
  if (!root_ || track < 0 || static_cast<size_t>(track) >= root_->audioFiles.size()) return false;
  return AudioGraph::PlayAudioFile(root_->audioFiles[static_cast<size_t>(track)].Get());
}

void SceneHost::StartScene() {
  if (!root_) return;
  // Each slide sets up its light and items when it first starts: the first frame waits for the first
  // slide's only. The sound waits for the frame after it: making the graph, writing the tracks' files and
  // building the graph for a track take long.
  AudioGraph::SetVolume(0, true);  // kept for the graph: silent until the saved volume is applied
  soundPending_ = true;
  framesRendered_ = 0;
}

void SceneHost::StartSound() {
  soundPending_ = false;
  if (!root_) return;
  AudioGraph::Init(deviceWindow_);
  int index = 0;
  for (const CountedPtr<DS_AudioFile>& track : root_->audioFiles) {
    if (track && !track->data.Empty()) track->MakePlayable(index, SystemTrackFiles());
    ++index;
  }
  playlist_.Start(static_cast<int>(root_->audioFiles.size()), [this](int track) { return PlayTrack(track); });
}

void SceneHost::PlayNextSound() {
  const int count = root_ ? static_cast<int>(root_->audioFiles.size()) : 0;
  playlist_.PlayNext(count, [this](int track) { return PlayTrack(track); });
}

void SceneHost::HandleGraphEvents() {
  const int count = root_ ? static_cast<int>(root_->audioFiles.size()) : 0;
  AudioGraph::HandleEvents(playlist_, count, [this](int track) { return PlayTrack(track); });
}

void SceneHost::SetPicturePosition(int mode) {
  picturePosition_ = mode;
  if (root_) root_->SetPicturePosition(mode);
}

void SceneHost::SetIconCoverage(const RECT& r) { iconCoverage_ = r; }

void SceneHost::DrawIconLayer() {
  if (!iconQuad_ || !iconsVisible_ || !IconTexture()) return;
  RenderDevice& d = GetRenderDevice();
  const DWORD filter = static_cast<DWORD>(iconFilter_);
  d.ApplyStates(StateSet{"icon filter", {Samp(0, D3DSAMP_MINFILTER, filter), Samp(0, D3DSAMP_MAGFILTER, filter)}});
  // The quad still spans the window, so that every pixel samples the texture as it always does; the
  // scissor keeps the device from filling where the layer is transparent anyway.
  d.SetScissorRect(iconCoverage_);
  d.ApplyStates(kScissorOn);
  // Without a slide to draw it, the layer is drawn as the pictures draw it.
  if (!root_->DrawIconLayer(iconQuad_.get())) DrawBlendedQuadRhw(iconQuad_.get());
  d.ApplyStates(kScissorOff);
  d.ApplyStates(kLinearFilter);
}

void SceneHost::HoldClock() {
  if (clockHeld_) return;
  // Paired with the release: the framework's pauses are counted, time and rendering together. The frame
  // in progress was already let through, so it still renders.
  DXUTPause(true, true);
  clockHeld_ = true;
}

void SceneHost::ReleaseClock() {
  if (!clockHeld_) return;
  clockHeld_ = false;
  DXUTPause(false, false);
}

void SceneHost::FrameMove(double time) {
  ReleaseClock();  // a held frame that was not drawn (rendering paused) holds it no longer
  if (!root_) return;
  if (root_->StartsSlideAt(time)) HoldClock();
  root_->FrameMove(time);
}

HRESULT SceneHost::Render() {
  IDirect3DDevice9* d = g_D3DDevice;
  if (!root_ || !d) {
    ReleaseClock();
    return E_FAIL;
  }
  if (soundPending_ && framesRendered_ > 0) {
    HoldClock();  // the scene stands still while the sound starts, rather than jump after it
    StartSound();
  }
  ++framesRendered_;
  if (SUCCEEDED(d->BeginScene())) {
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    root_->Render();
    DrawIconLayer();
  }
  d->EndScene();
  ReleaseClock();  // after the first draw of a slide that started, which may be slow too
  return S_OK;
}

void SceneHost::CreateDeviceObjects() {
  if (iconQuad_ && !IconTexture()) {
    CreateIconTexture();
    iconQuad_->texture = *iconTexture_;
  }
}

void SceneHost::InvalidateDeviceObjects() {
  if (iconQuad_) {
    iconQuad_->texture.Reset();
    iconTexture_->Reset();
    SetIconCoverage(RECT{0, 0, 0, 0});  // the texture made at the reset is blank until the next upload
  }
}

HRESULT SceneHost::OnResetDevice() {
  RestoreDeviceObjects([this] {
    // The private list view inside the private shell view paints again, which uploads the icons anew.
    if (iconQuad_ && deviceWindow_) {
      HWND view = GetWindow(deviceWindow_, GW_CHILD);
      HWND list = view ? GetWindow(view, GW_CHILD) : nullptr;
      if (list) InvalidateRect(list, nullptr, TRUE);
    }
    if (root_) root_->OnResetDevice();
  });
  GetRenderDevice().ApplyStates(kColourWritesRgb);  // a reset restores the default
  return S_OK;
}

void SceneHost::OnLostDevice() {
  LoseDeviceObjects([this] {
    if (root_) root_->OnLostDevice();
  });
}

void UploadIconLayer(const IconLayerBitmap& icons) {
  SceneHost* host = g_SceneHost;
  if (!host || !host->IconQuad()) return;
  // The pass over the pixels stays inside the bitmap the desktop host made.
  if (icons.bits) ApplyIconKey(icons.bits, icons.size.cx, icons.size.cy, icons.bounds);
  IDirect3DTexture9* texture = host->IconTexture();
  if (!texture || !icons.dc) return;
  // The layer is drawn only over what the icons cover: every other pixel of it is transparent. Two
  // pixels more on each side keep a filtered edge whole.
  if (icons.bits) host->SetIconCoverage(IconCoverage(icons.bits, icons.size.cx, icons.size.cy, 2));
  ComRef<IDirect3DSurface9> surface;
  if (FAILED(texture->GetSurfaceLevel(0, surface.Out())) || !surface) return;
  HDC dc = nullptr;
  if (SUCCEEDED(surface->GetDC(&dc)) && dc) {
    BitBlt(dc, 0, 0, WindowWidth(), WindowHeight(), icons.dc, 0, 0, SRCCOPY);
    surface->ReleaseDC(dc);
  }
}

double GetAppTime() { return DXUTGetTime(); }

IconLayerSink* SceneHostIconLayerSink() {
  static HostIconLayerSink sink;
  return &sink;
}

void OnFrameMove(IDirect3DDevice9*, double time, float) {
  if (g_SceneHost) g_SceneHost->FrameMove(time);
}

HRESULT OnD3D9DeviceCreated(IDirect3DDevice9* device, const D3DSURFACE_DESC*) {
  g_D3DDevice = device;
  // The portable placement, geometry, picture-light and document resource code draw on this device.
  InstallD3D9RenderDevice();
  return S_OK;
}

void OnD3D9FrameRender(IDirect3DDevice9*, double, float) {
  if (g_SceneHost) g_SceneHost->Render();
}

HRESULT OnD3D9ResetDevice(IDirect3DDevice9*, const D3DSURFACE_DESC*) {
  return g_SceneHost ? g_SceneHost->OnResetDevice() : S_OK;
}

void OnD3D9LostDevice() {
  if (g_SceneHost) g_SceneHost->OnLostDevice();
}

bool IsD3D9DeviceAcceptable(D3DCAPS9* caps, D3DFORMAT adapterFormat, D3DFORMAT, bool) {
  if (!caps || !(caps->TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAP)) return false;
  IDirect3D9* d3d = DXUTGetD3DObject();
  return d3d && SUCCEEDED(d3d->CheckDeviceFormat(caps->AdapterOrdinal, caps->DeviceType, adapterFormat, 0,
                                                 D3DRTYPE_TEXTURE, D3DFMT_V8U8));
}

bool ModifyDeviceSettings(FrameworkDeviceSettings* settings, const D3DCAPS9*) {
  settings->pp.BackBufferWidth = static_cast<UINT>(WindowWidth());
  settings->pp.BackBufferHeight = static_cast<UINT>(WindowHeight());
  settings->pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  settings->pp.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
  return true;
}

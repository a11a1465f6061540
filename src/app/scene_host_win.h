// The scene host: the one object between the device framework and the scene. It brings the device up in
// the manager window, owns the scene root and, on Windows versions after 5, the icon layer (a
// full-window textured quad showing the desktop icons over the scene), renders each frame, survives
// device loss, and keeps the playlist position of the scene's sound tracks. The device callbacks are
// thin forwarders into it; its lost and reset handlers drive every registered device-objects owner.
// Windows only; everything runs on the UI thread.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <memory>

#include "dxut/device_objects.h"
#include "dxut/dxut.h"
#include "lights/sound_playlist.h"
#include "render/quad_builders.h"

class DS_SlideShow_Light;
class IconLayerSink;
struct IconLayerBitmap;
class TextureCacheHolder;

class SceneHost : private DeviceObjects {
 public:
  // iconLayer: true on every Windows version other than 5.
  explicit SceneHost(bool iconLayer);
  // Clears g_SceneHost, stops and releases the sound graph, deletes the root and the icon layer.
  ~SceneHost() override;
  SceneHost(const SceneHost&) = delete;
  SceneHost& operator=(const SceneHost&) = delete;

  // Brings the device up in deviceWindow at the screen size of rectWindow (the start-up passes the
  // manager window for both). False at the first failed step; g_SceneHost is set only on success.
  bool InitDevice(HWND deviceWindow, HWND rectWindow);
  // Takes ownership of the loaded scene root (deleting one held before).
  void SetRoot(DS_SlideShow_Light* root);
  DS_SlideShow_Light* Root() const { return root_.get(); }
  // Once the root is set: the sound is silent until the saved volume is applied (slides set themselves up
  // when they first start). The sound graph is made, the tracks made playable and the first one started
  // with the frame after the first, so that the scene shows without waiting for the sound.
  void StartScene();

  // The frame-move body: the root's frame. A frame that starts a slide holds the application clock until
  // it is drawn, so that the slide's set-up (its light, items and picture at its first start) and first
  // draw take nothing from its fade-in: the next frame's time is the start's, plus the present.
  void FrameMove(double time);
  // The frame-render body: E_FAIL without a root, else S_OK. Lets the clock run again.
  HRESULT Render();
  // Every registered device-objects owner (the icon texture among them) is made again, then the root.
  HRESULT OnResetDevice();
  // The root first, then every registered owner lets go of its default-pool objects.
  void OnLostDevice();

  // The sound graph reports a finished track: the next one plays (wrapping to the first).
  void PlayNextSound();
  // One WM_GRAPH_EVENT: every waiting graph event goes to the playlist.
  void HandleGraphEvents();
  const SoundPlaylist& Playlist() const { return playlist_; }

  // 0 Stretch, 1 Fit, 2 Fill: stored and given to every slide.
  void SetPicturePosition(int mode);
  int PicturePosition() const { return picturePosition_; }
  // Linear filtering of the icon layer when smoothing, else point.
  void SetIconSmoothing(bool smoothing) { iconFilter_ = smoothing ? D3DTEXF_LINEAR : D3DTEXF_POINT; }
  int IconFilter() const { return iconFilter_; }
  void SetIconsVisible(bool visible) { iconsVisible_ = visible; }
  bool IconsVisible() const { return iconsVisible_; }

  TexQuad* IconQuad() const { return iconQuad_.get(); }
  // The icon layer is drawn only inside r (window pixels, right and bottom exclusive; empty: nowhere).
  // Each upload sets it to what the icons cover; empty until the first upload and after a device loss.
  void SetIconCoverage(const RECT& r);
  const RECT& IconCoverageRect() const { return iconCoverage_; }
  // Null without an icon layer, and while the device is lost or the texture could not be made.
  IDirect3DTexture9* IconTexture() const { return iconTexture_ ? iconTexture_->Get() : nullptr; }

 private:
  bool CreateIconTexture();
  // The icon texture, a dynamic default-pool texture: released at loss, made again at reset.
  void CreateDeviceObjects() override;
  void InvalidateDeviceObjects() override;
  void DrawIconLayer();
  bool PlayTrack(int track);
  void StartSound();
  void HoldClock();
  void ReleaseClock();

  std::unique_ptr<DS_SlideShow_Light> root_;
  std::unique_ptr<TexQuad> iconQuad_;
  std::unique_ptr<ComRef<IDirect3DTexture9>> iconTexture_;
  int picturePosition_ = 1;
  bool iconsVisible_;
  int iconFilter_ = D3DTEXF_POINT;
  SoundPlaylist playlist_;
  HWND deviceWindow_ = nullptr;
  RECT iconCoverage_ = {0, 0, 0, 0};
  TextureCacheHolder* textureCache_ = nullptr;  // the cache made at bring-up; lives for the rest of the run
  bool soundPending_ = false;  // the scene started, its first track not yet
  int framesRendered_ = 0;     // since the scene started
  bool clockHeld_ = false;     // this frame started a slide: time and rendering paused once until drawn
};

// Set once the device is up; null before, and again after the host is destroyed.
extern SceneHost* g_SceneHost;
// The manager window's screen rectangle, taken when the device is brought up: the back-buffer size and
// the size of the icon texture and bitmap.
extern RECT g_WindowRect;

// Copies the desktop host's icon bitmap into the icon texture, after fixing its alpha (the key colour
// stays transparent, every other painted pixel becomes opaque). Does nothing without an icon layer;
// without an icon texture only the alpha is fixed (the reset that recreates it repaints the icons).
void UploadIconLayer(const IconLayerBitmap& icons);
// The application clock: seconds since the framework started, frozen while time is paused.
double GetAppTime();
// What the desktop host calls on the scene host.
IconLayerSink* SceneHostIconLayerSink();

// The device callbacks, registered by SceneHost::InitDevice.
void OnFrameMove(IDirect3DDevice9* device, double time, float elapsed);
HRESULT OnD3D9DeviceCreated(IDirect3DDevice9* device, const D3DSURFACE_DESC* backBuffer);
void OnD3D9FrameRender(IDirect3DDevice9* device, double time, float elapsed);
HRESULT OnD3D9ResetDevice(IDirect3DDevice9* device, const D3DSURFACE_DESC* backBuffer);
void OnD3D9LostDevice();
// Accepts a device only when it can do bump-environment mapping and V8U8 textures.
bool IsD3D9DeviceAcceptable(D3DCAPS9* caps, D3DFORMAT adapterFormat, D3DFORMAT backBufferFormat, bool windowed);
// Back buffer of the window's size, discarded swaps, presents on vertical retrace.
bool ModifyDeviceSettings(FrameworkDeviceSettings* settings, const D3DCAPS9* caps);

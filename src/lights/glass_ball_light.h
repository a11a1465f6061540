// The glass ball light: the whole slide seen through a glass ball standing before a gradient or a picture
// of its own, the slide inside the ball still, scrolling sideways or swaying.
#pragma once

#include "platform/com_ref.h"
#include "dxut/device_objects.h"
#include "lights/glass_ball_rules.h"
#include "lights/light_2d.h"
#include "render/quad_builders.h"
#include "scene/scaled_params.h"

// The two quads that scroll the slide move every frame: their vertices live in dynamic default-pool
// buffers written whole with discard, so that a frame's write never waits for the device; the buffers
// go at device loss (with the references on the pair's textures they show) and come back at the reset
// with the corners they last had.
class GlassBallScrollQuads : public DeviceObjects {
 public:
  // Both buffers, white, over the rectangle.
  void Make(const ScreenQuad& q);
  // Quad i's corners (every vertex written).
  void Place(int i, const ScreenQuad& q);
  // Where quad i was last placed.
  const ScreenQuad& Placed(int i) const { return placed_[i]; }
  void InvalidateDeviceObjects() override;
  void CreateDeviceObjects() override;

  TexQuad quads[2];

 private:
  void MakeBuffers();
  ScreenQuad placed_[2] = {};
  bool made_ = false;
  bool lost_ = false;
};

class DS_GlassBallLight : public DS_2D_Light {
 public:
  static const DWORD kVersion = 1;

  DS_GlassBallLight();
  ~DS_GlassBallLight() override;

  void Save(DS_IOF_Virtual** stream) override;
  static DS_GlassBallLight* CreateAndRead(DS_IOF_Virtual** stream, DWORD version);
  static void ReadFields(DS_IOF_Virtual** stream, DS_GlassBallLight* light);

  void BeginTargetPass(RenderTargetChain* target, int mode) override;
  void EndTargetPass() override;
  void OnCreateDevice() override;
  void OnResetDevice() override;
  void OnLostDevice() override;
  // Also the scroll quads' hold on the pair, and the background, overlay and shadow pictures the manager
  // can make again.
  void ReleasePictures() override;
  void RemakePictures() override;
  void PostRender() override;
  // The slide's picture, off-screen only over the texels the post pass may read of it (CompositionRead);
  // with nothing over it, whole and kept from frame to frame.
  void RenderBackground() override;
  void FrameMove(double seconds) override;
  void Resize(int width, int height) override;
  void SetPicturePosition(int mode) override;
  bool NeedsOffscreen() override { return ballHidden.GetValue() == 0; }

  // The ball's parameters from its size, refraction and the current shares.
  void ComputeBallParams();
  void GenerateBumpMap();
  void GenerateDiscMask();
  void GenerateGradient();
  void LoadBallPicture();
  void LoadOverlays();
  // The background quad, except where the lens will cover it for certain.
  void DrawBackground();
  // The device transforms of the ball, and the lens texture matrix (lens) or the flat one.
  void SetupBallCamera(bool lens);
  // The stage-1 texture matrix of the ball camera c: the lens's (lens) or the flat one.
  D3DXMATRIX LensTextureMatrix(const BallCamera& c, bool lens) const;
  // What the ball camera works from now.
  BallCameraInput CameraInput() const;
  // The texels of the slide's texture (the pair's size) the lens may read, across and down.
  void LensReads(TexelSpans* columns, TexelSpans* rows) const;
  // The rectangles of the off-screen target that the post pass may read of the slide composed there:
  // the lens's texels, or in the scrolling modes the texels its copies pass on to them. Empty when it
  // may read the whole target, when the passes are not cut, or when a render object reads the
  // composition too.
  std::vector<RECT> CompositionRead() const;

  DS_ImageFileLink overlay1;
  DS_ImageFileLink overlay2;
  DS_ImageFileLink shadow;
  DS_ImageFileLink background;
  UINTSclaleTo<float> motionSpeed;
  MediaParamTB<POINT> ballOffset;
  MediaParamT<UINT> ballSize;
  MediaParamT<UINT> refraction;
  MediaParamT<int> ballHidden;  // not stored
  MediaParamT<int> overlay1On;
  MediaParamT<int> overlay2On;
  MediaParamT<int> shadowOn;
  MediaParamT<int> pictureBackground;
  MediaParamT<int> motionMode;
  MediaColor gradientTop;
  MediaColor gradientBottom;
  DS_SimpleMesh<DX_V::PT2> lens;
  DS_SimpleMesh<DX_V::PT2> shadowQuad;
  float sway = 0;
  ComRef<IDirect3DTexture9> bumpMap;
  ComRef<IDirect3DTexture9> discMask;
  ComRef<IDirect3DTexture9> gradient;
  TextureInfo backgroundInfo;
  bool backgroundReleased_ = false;  // let go of at the end of a show
  bool overlaysReleased_ = false;
  ComRef<IDirect3DTexture9> overlay1Texture;
  ComRef<IDirect3DTexture9> overlay2Texture;
  ComRef<IDirect3DTexture9> shadowTexture;
  DS_SimpleMesh<DX_V::RHWC> bars[4];
  TexQuad backgroundQuad;
  GlassBallScrollQuads scroll;
  float ballZ = -600, lensDepth = 1.0f, swayAmplitude = 0;
  float kx = 1, ky = 1;
  int ballMode = 1;
  int savedBallMode = 1;
  float offX = 0, offY = 0;
  float sx = 1, sy = 1;
  // The corners Resize last wrote into a quad's buffer: it runs three times a frame, and a quad is locked
  // again only when it moves (a lock of a buffer the device has drawn from waits for the device).
  struct WrittenQuad {
    const void* buffer = nullptr;
    ScreenQuad quad;
  };
  WrittenQuad backgroundWritten;
  WrittenQuad barsWritten[4];
  bool inTargetPass = false;
  int savedWidth = 0, savedHeight = 0;
  D3DXMATRIX lensMatrix;
  // The passes are cut to the pixels they can change: the slide's picture off-screen to what the post pass
  // reads of it, the slide's copies to what the lens reads of them,
  // the lens, its overlays and the disc mask to strips around the disc (SplitLensAtDisc, up to
  // kDiscStrips each), and the picture with nothing over it kept off-screen from frame to frame. Off,
  // every pass covers all its quads cover, every frame: the frame the cut passes must match.
  bool cutPasses = true;
  static const int kDiscStrips = 12;
};

void RegisterGlassBallLightReader();

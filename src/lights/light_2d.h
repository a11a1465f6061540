// The picture light base: the picture object of a slide and base of every picture light. It owns the
// slide's picture (an image link and the textured quad made from it), the camera shake, the render-target
// pair of the slide's off-screen passes and the texture render objects read as the picture composed so
// far. It draws the picture placed by the picture position, runs the slide's render objects through the
// effect chain and is the renderer (DS_ABRender) they draw through.
#pragma once

#include <utility>
#include <vector>

#include "dxut/device_objects.h"
#include "lights/camera.h"
#include "platform/com_ref.h"
#include "render/ab_render.h"
#include "render/quad_builders.h"
#include "render/render_target_chain.h"
#include "scene/file_link.h"
#include "scene/media_param.h"
#include "scene/texture_types.h"

class DS_IOF_Virtual;

// The picture quad: a PT strip over the picture in picture pixels (y down, texture row 0 at y = 0) with
// the picture's texture and size.
struct PictureQuad {
  TexQuadPT quad;
  TextureInfo info;
};

// A vertex buffer on its way into a mesh: the buffer (one reference), its locked vertices, its count.
struct VertexBufferInfo {
  ComRef<IDirect3DVertexBuffer9> buffer;
  void* locked = nullptr;
  UINT count = 0;
  VertexBufferInfo() = default;
  VertexBufferInfo(const VertexBufferInfo&) = delete;
  VertexBufferInfo& operator=(const VertexBufferInfo&) = delete;
};

// Releases the info's buffer and makes one of count PT vertices; the count is kept only when it was made.
HRESULT CreateVertexBufferPT(VertexBufferInfo& info, UINT count, DWORD usage, D3DPOOL pool);
// The mesh takes the info's buffer (a reference of its own), locked pointer and count as a strip of two
// triangles.
void AttachQuadStrip(const VertexBufferInfo& info, DS_SimpleMesh<DX_V::PT>& mesh);
// A PT quad strip of four vertices in a write-only managed buffer (primitive count 2 when made).
HRESULT CreateQuadBufferPT(DS_SimpleMesh<DX_V::PT>& mesh);
// A new quad buffer with the four vertices {x, y, z, u, v} in strip order.
void SetQuadVerticesPT(DS_SimpleMesh<DX_V::PT>& mesh, const DX_V::PT v[4]);
// The four positions; texture coordinates kept.
void SetQuadPositionsPT(DS_SimpleMesh<DX_V::PT>& mesh, const D3DXVECTOR3 p[4]);
// No vertex shader, the mesh's format and buffer as stream 0.
void BindStreamPT(const DS_SimpleMesh<DX_V::PT>& mesh);
void BindStreamPCT(const DS_SimpleMesh<DX_V::PCT>& mesh);
void BindStreamPNT(const DS_SimpleMesh<DX_V::PNT>& mesh);
void BindStreamRHWCT(const DS_SimpleMesh<DX_V::RHWCT>& mesh);
// The sprites' current frame texture, their indices and their PCT stream.
void BindSpriteArrayStream(SpriteArraySource& sprites);
// A pre-transformed textured quad (RHWCT) blended over what is drawn, as the picture light draws the icon
// layer; also the scene host's, when no slide draws it.
void DrawBlendedQuadRhw(TexQuad* quad);

// The picture quad's buffer with texture coordinates (0, 1), (0, 0), (1, 1), (1, 0).
void CreatePictureQuad(PictureQuad& quad);
// Positions (0, h), (0, 0), (w, h), (w, 0).
void SetPictureQuadSize(PictureQuad& quad, float w, float h);
// The quad's texture from info (reference held), then its size.
void SetPictureQuadTexture(const TextureInfo& info, PictureQuad& quad);

class DS_2D_Light : public DS_ABRender {
 public:
  static const DWORD kVersion = 3;
  // The executable pictures of the editing handles (absent from the player).
  static const int kMarkerPictureIds[5];

  DS_2D_Light();
  ~DS_2D_Light() override;
  DS_2D_Light(const DS_2D_Light&) = delete;
  DS_2D_Light& operator=(const DS_2D_Light&) = delete;

  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }

  // Renderer operations.
  void BeginTargetPass(RenderTargetChain* target, int mode) override;
  void EndTargetPass() override;
  void DrawMarkerSprites(DS_SimpleMesh<DX_V::PC>* mesh, int mode, bool steady) override;
  void DrawIndexedWithEffect(DS_IndexedMesh<DX_V::PT>* mesh, ID3DXEffect** effect) override;
  void DrawWithEffect(DS_SimpleMesh<DX_V::PT>* mesh, ID3DXEffect** effect) override;
  void DrawSpritesWithEffect(DS_IndexedMesh<DX_V::PCT>* mesh, ID3DXEffect** effect) override;
  void DrawMeshPart(MeshPart* part) override;
  void DrawSpriteArray(SpriteArraySource* sprites) override;
  void DrawTwoSidedMesh(TexturedMesh<DX_V::PNT>* mesh) override;
  void DrawPulsingQuad(TexQuadPT* quad, bool pulse) override;
  IDirect3DTexture9** GetTargetTexture() override { return sourceTexture.Slot(); }
  TexQuadPT* GetBackgroundQuad() override { return &pictureQuad.quad; }
  UINT GetImageWidth() override { return pictureQuad.info.width; }
  UINT GetImageHeight() override { return pictureQuad.info.height; }

  // Picture-light operations.
  virtual void OnCreateDevice();
  virtual void OnResetDevice();
  virtual void OnLostDevice();
  // The render-target pair made at the back buffer's size, unless it holds one of that size already.
  void MakeTargets();
  // Fit mode: the black bars over the margins.
  virtual void PostRender();
  // The picture through the projection; the first thing drawn in a slide's frame.
  virtual void RenderBackground();
  // Application time in seconds.
  virtual void FrameMove(double seconds);
  // The size of the surface drawn on; the projection and the screen mapping follow.
  virtual void Resize(int width, int height);
  virtual void SetPicturePosition(int mode);
  virtual int Reserved24(DWORD a, DWORD b, DWORD c) { return 0; }
  virtual int Reserved25(DWORD a) { return 0; }
  virtual bool Reserved26() { return false; }
  virtual bool Reserved27() { return true; }
  virtual bool IsCameraShaking() { return camera.IsShaking(); }
  // A coloured quad of four pre-transformed vertices, blended; blending stays on.
  virtual void DrawColorQuadRHW(DS_SimpleMesh<DX_V::RHWC>* mesh);
  // A textured quad of four pre-transformed vertices, alpha blended, without depth test.
  virtual void DrawTexturedQuadRHW(TexQuad* quad);
  // From here on the slide draws into the render-target pair, stretched over it.
  virtual void BeginOffscreen();
  // Back to the back buffer (cleared to opaque black when clear is set); the pair's current texture holds
  // what was drawn off-screen.
  virtual RenderTargetChain* EndOffscreen(bool clear);
  // Whether the light itself needs the off-screen pass (its post pass then ends it).
  virtual bool NeedsOffscreen() { return false; }
  // The picture link changed: the picture again, and the placement for it.
  virtual void ReloadImage();
  // A document picture is decoded when it is first shown, not when the scene starts: OnCreateDevice
  // then takes only its size (from the file header), and this decodes it, placing the picture again
  // should the decoded size differ (a picture that cannot be decoded). The slide's start calls it (through
  // RemakePictures); a light that needs the texture earlier calls it itself. Does nothing otherwise.
  void LoadPendingPicture();
  bool PicturePending() const { return picturePending_; }
  // The slide has ended and the fade after it is over: the light lets go of what it holds for the show
  // alone, its render-target pair and the picture the manager can make again (which then waits for
  // RemakePictures, as at the first start). Small textures of its own stay made.
  virtual void ReleasePictures();
  // The slide starts: what ReleasePictures let go of is made again (a first start decodes the picture).
  virtual void RemakePictures() { LoadPendingPicture(); }

  // A coloured quad of four PC vertices in picture pixels, as DrawColorQuadRHW.
  void DrawColorQuad(DS_SimpleMesh<DX_V::PC>* mesh);
  // Shake mode on, segment back to the centre; whether the camera was shaking already.
  bool StartCameraShake() { return camera.StartShake(); }

  // Reading and saving.
  static DS_2D_Light* CreateFromStream(DS_IOF_Virtual** stream);
  static DS_2D_Light* CreateAndRead(DS_IOF_Virtual** stream, DWORD version);
  // The base section of a derived light: its header, then the fields of its version.
  static void ReadBase(DS_IOF_Virtual** stream, DS_2D_Light* light);
  static void ReadFields(DS_IOF_Virtual** stream, DWORD version, DS_2D_Light* light);
  void SaveBase(DS_IOF_Virtual** stream);

  // The picture's first frame into quad (an empty set gives no texture).
  static void LoadImageTexture(const DS_ImageFileLink& link, PictureQuad& quad);

  // Draws objects (a list of pointers to render objects with NeedsSourceTexture () and Render (renderer))
  // from the last to the first. n counts the objects that read the picture composed so far, plus one when
  // the light needs its own pass; each such object switches the pair and reads everything drawn before
  // it, the last one ends the off-screen pass unless the light's own pass remains. Every other object
  // reads the bare picture.
  template <class ObjectList>
  static void ApplyEffectChain(DS_2D_Light* light, ObjectList& objects, int n) {
    if (!light) return;
    light->SetSourceTexture(light->pictureQuad.info.texture);
    bool pictureAlone = true;  // nothing drawn over the picture yet
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
      auto& object = *it;
      if (!object) continue;
      if (object->NeedsSourceTexture() != 0) light->SwitchBeforeSourceReader(&n, pictureAlone);
      object->Render(light);
      pictureAlone = false;
      light->SetSourceTexture(light->pictureQuad.info.texture);
    }
  }

  DS_ImageFileLink picture;
  DSM_Camera camera;
  PictureQuad pictureQuad;
  DeviceObjectRef<IDirect3DTexture9> sourceTexture;
  ComRef<IDirect3DTexture9> markerTextures[5];
  int picturePosition;  // restored after an off-screen pass
  int targetPassMode;   // saved by BeginTargetPass
  // Registered: released at device loss and made again at the reset by the registry.
  DeviceTargetPair renderTargets;
  ListenerHolder listeners;
  int targetWidth, targetHeight;
  std::vector<std::pair<int, int>> sizeStack;
  // Set by the slide before it draws: how many of its render objects read the picture composed so far.
  // While none does, a light whose own pass reads only part of the composition may draw only that part.
  int compositionReaders = 0;
  // Set by the slide before it draws: whether it has no render object, so that nothing is drawn over the
  // picture composed off-screen.
  bool nothingOverPicture = false;

 protected:
  bool picturePending_ = false;  // the picture's size is known, its texture not decoded yet

  // Between BeginOffscreen and EndOffscreen: drawing into the render-target pair.
  bool Offscreen() const { return offscreen_; }

  // The base resize, for lights whose own Resize does more.
  void ResizeBase(int width, int height);

  // For a light whose own post pass reads the composition with nothing drawn over the picture: the whole
  // picture off-screen, drawn into the pair's texture again only when what drawing it depends on changed
  // since the frame whose post pass kept it (KeepPicture).
  void RenderKeptPicture();
  // The post pass draws nothing into the texture the picture was drawn into this frame: it goes unchanged
  // into the next frame, which begins in it again.
  void KeepPicture();

 private:
  // What drawing the bare picture off-screen depends on: the target texture (and the pair's textures'
  // generation), the picture, its quad and the placement. The picture is held, so that its address is
  // not taken by another while the key lives.
  struct StretchedPicture {
    bool valid = false;
    unsigned generation = 0;
    IDirect3DTexture9* target = nullptr;  // not held: the pair's, released at device loss
    ComRef<IDirect3DTexture9> picture;
    const void* vertexBuffer = nullptr;
    UINT pictureWidth = 0, pictureHeight = 0;
    int targetWidth = 0, targetHeight = 0;
    D3DXMATRIX world;
    // Every field but valid equal.
    bool Same(const StretchedPicture& o) const;
  };
  StretchedPicture StretchedPictureNow() const;

  void RegisterImageLinkListener();
  void SetSourceTexture(IDirect3DTexture9* texture);
  // One step of the effect chain before an object that reads the composed picture; pictureAlone: nothing
  // was drawn over the picture before this object.
  void SwitchBeforeSourceReader(int* n, bool pictureAlone);

  bool offscreen_ = false;  // between BeginOffscreen and EndOffscreen, drawing into the pair
  bool keepsOwnPicture_ = false;  // in RenderKeptPicture
  // The off-screen picture of a plain picture light whose one source reader comes first, or of a light
  // whose own pass is the one reader, is the same every frame: the pair's texture keeps it (keptPicture_),
  // and the picture is drawn into it again only when what it depends on changed. drawnPicture_ is this
  // frame's draw, kept when the texture goes unchanged to that reader.
  StretchedPicture keptPicture_, drawnPicture_;
};

// Registers the reader of "DS_2D_Light" in the light reader registry.
void RegisterPictureLightReader();

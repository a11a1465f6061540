// Picture placement: where the picture lies on the render target for each picture position, expressed
// as the transforms every 2D drawing of the scene goes through (picture pixels, y down, origin at the
// picture's top-left corner), plus the black bars over the margins in Fit mode.
#pragma once

#include "platform/types.h"
#include "render/mesh.h"
#include "scene/screen_quad.h"
#include "scene/texture_types.h"

namespace PicturePosition {
enum Value {
  Stretch = 0,           // scaled about the centre to cover the target; the aspect is not kept
  Fit = 1,               // aspect kept, centred inside the target, black bars over the margins
  Fill = 2,              // aspect kept, scaled about the centre by one factor to cover the target
  OffscreenStretch = 3,  // Stretch while a picture light draws into a render target: no zoom in the world
};
}

class LetterboxProjection {
 public:
  enum Bar { LeftBar = 0, RightBar, TopBar, BottomBar, BarCount };

  LetterboxProjection();

  // Gives each bar a new opaque black quad buffer over the whole back buffer; at device creation.
  void CreateBars();
  // Releases the bars' buffers, when the device goes away: they would otherwise hold it until the
  // process's end.
  void ReleaseBars();
  // Fit mode only: the four bars, left, right, top, bottom, as diffuse colour. Other states are the
  // caller's. Windows only.
  void DrawBars() const;

  void SetProjection(int w, int h, const TextureInfo& picture, int mode, bool keepSize) {
    SetProjection(w, h, picture.width, picture.height, mode, keepSize);
  }
  // Places a pictureWidth x pictureHeight picture on a w x h target: the back buffer, or with keepSize a
  // render target measured in its own units. Rebuilds everything but the zoom and applies the transforms.
  void SetProjection(int w, int h, UINT pictureWidth, UINT pictureHeight, int mode, bool keepSize);

  // m x zoom x mode offset x mode scale x picture (no zoom in mode 3).
  D3DXMATRIX* GetWorld(D3DXMATRIX* out, const D3DXMATRIX& m) const;
  // Sets the device's world transform for an object whose own matrix is m.
  void SetWorld(const D3DXMATRIX& m) const;
  D3DXMATRIX* GetWorldViewProj(D3DXMATRIX* out, const D3DXMATRIX& m) const;
  D3DXMATRIX* GetViewProj(D3DXMATRIX* out) const;
  // Device WORLD, VIEW and PROJECTION from the stored matrices.
  void ApplyTransforms() const;

  // Camera zoom by scale about the point chosen by x, y in -1..1 (0, 0 the centre, -1 the left/top edge).
  void SetZoom(float scale, float x, float y);
  // The translation that, applied before scaling by (kx, ky), keeps the picture's centre in place.
  void ComputeZoomOffsets(float kx, float ky, float* offX, float* offY) const;
  // The translation of the zoom and mode transforms in picture pixels before scaling.
  float GetZoomOffsetX() const;
  float GetZoomOffsetY() const;

  // The bar rectangles of the last placement (in back-buffer pixels, or target units with keepSize).
  const ScreenQuad& BarQuad(int bar) const { return barQuads[bar]; }

  D3DXMATRIX picture;
  D3DXMATRIX world;
  D3DXMATRIX view;
  D3DXMATRIX projection;
  D3DXMATRIX modeScale;
  D3DXMATRIX modeOffset;
  float invScaleX, invScaleY;
  float offsetX, offsetY;
  D3DXMATRIX zoom;
  int mode;
  UINT pictureWidth, pictureHeight;
  float screenToFitX, screenToFitY;
  float picturePixelRatio;
  DS_SimpleMesh<DX_V::RHWC> bars[BarCount];  // triangle strips of four vertices

 private:
  ScreenQuad barQuads[BarCount];
  // The buffer each bar's rectangle was last written into: the projection is set several times a frame,
  // and a bar is rewritten only when it moves, since every lock of a buffer the device has drawn from
  // waits for the device.
  const IDirect3DVertexBuffer9* barWrittenTo_[BarCount] = {};
};

extern LetterboxProjection g_LetterboxProjection;

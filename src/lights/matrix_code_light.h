// The matrix code light: columns of falling glyphs over the picture (mode 0), or on black with each
// glyph as opaque as the picture is bright under it (mode 1). The glyphs are pre-transformed quads, one
// per grid cell, in chunks of at most 16383 quads, following the picture's placement and zoom.
// The quads past the frame's last glyph are wholly transparent, all at that glyph's cell; where the blend
// in force leaves the target under them as it is they are not drawn, since thousands of quads stacked on
// one cell cost the rasteriser more than all the glyphs together.
// Every quad is rewritten every frame, so the chunks' vertices live in dynamic default-pool buffers locked
// with discard: a frame's lock never waits for the device to finish drawing the last frame's glyphs. Those
// buffers do not outlive a device reset: the sprites let them go at device loss and make them again at
// the reset (their indices stay in the managed pool).
#pragma once

#include <memory>
#include <vector>

#include "platform/com_ref.h"
#include "lights/light_2d.h"
#include "dxut/device_objects.h"
#include "lights/matrix_code_grid.h"
#include "render/mesh.h"
#include "scene/scaled_params.h"

class MatrixCodeSprites : public DeviceObjects {
 public:
  MatrixCodeSprites() : chunks(1) {}
  ~MatrixCodeSprites();
  MatrixCodeSprites(const MatrixCodeSprites&) = delete;
  MatrixCodeSprites& operator=(const MatrixCodeSprites&) = delete;
  // Chunks for n quads, each with new buffers, its index pattern and colours 0, and the first chunk's
  // texture (while the device is lost the chunks get their buffers at the reset).
  void Resize(UINT n);
  void SetTexture(IDirect3DTexture9* texture);
  // Locks every chunk's vertices; a chunk that cannot be locked is skipped this frame.
  void LockAll();
  void UnlockAll();
  // Quad i of the locked buffers; null when its chunk is not locked.
  DX_V::RHWCT* QuadVertices(UINT i);
  // Draws the first `quads` quads, chunk after chunk.
  void Draw(UINT quads);

  // Device loss: every chunk's buffers go. Reset: made again for the same quads; the next frame's
  // update fills them before they are drawn.
  void InvalidateDeviceObjects() override;
  void CreateDeviceObjects() override;

  int quadCount = 0;
  std::vector<DS_IndexedMesh<DX_V::RHWCT>> chunks;
  std::vector<ComRef<IDirect3DTexture9>> textures;  // per chunk

 private:
  bool deviceLost_ = false;
};

class DS_MatrixCodeLight : public DS_2D_Light {
 public:
  static const DWORD kVersion = 2;

  DS_MatrixCodeLight();

  void Save(DS_IOF_Virtual** stream) override;
  static DS_MatrixCodeLight* CreateAndRead(DS_IOF_Virtual** stream, DWORD version);
  static void ReadFields(DS_IOF_Virtual** stream, DWORD version, DS_MatrixCodeLight* light);

  void OnCreateDevice() override;
  void OnResetDevice() override;
  void RenderBackground() override;
  void FrameMove(double seconds) override;
  void SetPicturePosition(int mode) override;
  void DrawTexturedQuadRHW(TexQuad* quad) override;
  void ReloadImage() override;

  void RebuildGrid();
  void ResizeSprites();
  void BuildLuminanceMap();
  // One step of the grid and the quads for this frame.
  void UpdateGlyphs(double t);
  // Where the picture transform puts glyphs now.
  MatrixPlacement CurrentPlacement() const;

  MediaParamT<UINT> cellSize;
  MediaParamT<UINT> density;
  MediaParamT<UINT> flickerCount;
  MediaParamT<int> sparkle;
  MediaParamT<int> mode;
  MediaParamT<int> startMode;
  MediaColor glyphColor;
  MediaColor headColor;
  UINTSclaleTo<float> transparency;
  DS_ImageFileLink glyphSheet;
  MatrixCodeSprites sprites;
  std::unique_ptr<MatrixCodeScan> scan;
  std::unique_ptr<MatrixCodeSettings> settings;
  std::unique_ptr<float[]> luminance;
  double frameTime = 0;
  bool sheetUsable = false;  // a sheet without frame or width draws nothing
  UINT glyphQuads = 0;       // quads holding this frame's glyphs: the first ones
  // Leave out the transparent quads past the last glyph where that keeps the frame (not stored; off
  // only to draw the reference frame).
  bool cutClearQuads = true;
};

void RegisterMatrixCodeLightReader();

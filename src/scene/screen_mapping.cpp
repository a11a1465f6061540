#include "scene/screen_mapping.h"

#include "scene/render_device.h"

namespace {
ScreenMapping& MappingRecord() {
  static ScreenMapping g_ScreenMapping = [] {
    ScreenMapping m = {};
    ScreenQuad::Init(m.picture);
    m.invScaleX = m.invScaleY = 1.0f;
    return m;
  }();
  return g_ScreenMapping;
}

// size * (value - from) / (to - from), and 0 when from and to coincide.
float Scaled(int size, float value, float from, float to) {
  float extent = to - from;
  return extent != 0 ? (float)size * (value - from) / extent : 0.0f;
}
}  // namespace

ScreenMapping* GetScreenMapping() { return &MappingRecord(); }

void SetScreenMapping(const ScreenQuad& fitted, int targetWidth, int targetHeight, int pictureWidth,
                      int pictureHeight) {
  ScreenMapping& m = MappingRecord();
  BackBufferSize bb = GetRenderDevice().GetBackBufferSize();
  m.scaleX = (float)bb.width / (float)targetWidth;
  m.scaleY = (float)bb.height / (float)targetHeight;
  m.picture = fitted;
  m.pictureWidth = pictureWidth;
  m.pictureHeight = pictureHeight;
}

void SetScreenModeScale(float invScaleX, float invScaleY, float offsetX, float offsetY) {
  ScreenMapping& m = MappingRecord();
  m.invScaleX = invScaleX;
  m.invScaleY = invScaleY;
  m.offsetX = offsetX;
  m.offsetY = offsetY;
}

D3DXVECTOR3 MapScreenPointToPicture(const ScreenMapping* mapping, float x, float y, float z) {
  const ScreenMapping& p = *mapping;
  const ScreenQuad& q = mapping->picture;
  float px = Scaled(mapping->pictureWidth, x, q.Left(), q.Right()) * p.invScaleX - p.offsetX;
  float py = Scaled(mapping->pictureHeight, y, q.Top(), q.Bottom()) * p.invScaleY - p.offsetY;
  return D3DXVECTOR3(px, py, z);
}

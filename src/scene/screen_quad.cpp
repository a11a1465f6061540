#include "scene/screen_quad.h"

#include "scene/render_device.h"

ScreenQuad& ScreenQuad::Init(ScreenQuad& quad) {
  static const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
  for (int i = 0; i < 4; ++i) {
    quad.v[i].x = 0;
    quad.v[i].y = 0;
    quad.v[i].z = 1;
    quad.v[i].u = uv[i][0];
    quad.v[i].v = uv[i][1];
  }
  return quad;
}

ScreenQuad& ScreenQuad::SetRect(ScreenQuad& quad, float left, float top, float right, float bottom) {
  quad.v[BL].x = left;
  quad.v[BL].y = bottom;
  quad.v[TL].x = left;
  quad.v[TL].y = top;
  quad.v[BR].x = right;
  quad.v[BR].y = bottom;
  quad.v[TR].x = right;
  quad.v[TR].y = top;
  return quad;
}

ScreenQuad& ScreenQuad::FullBackBuffer(ScreenQuad& quad) {
  BackBufferSize bb = GetRenderDevice().GetBackBufferSize();
  return SetRect(quad, 0, 0, (float)bb.width, (float)bb.height);
}

ScreenQuad& ScreenQuad::FitImage(ScreenQuad& quad, UINT pictureWidth, UINT pictureHeight, int w, int h) {
  Init(quad);
  float r = (float)h / (float)w;
  // A picture whose size is unknown would give an infinite or undefined aspect: place it like the target.
  float a = (pictureWidth == 0 || pictureHeight == 0) ? r : (float)pictureHeight / (float)pictureWidth;
  float fw, fh, left, top;
  if (a > r) {
    fw = (float)h / a;
    fh = (float)h;
    left = ((float)w - fw) * 0.5f;
    top = 0;
  } else {
    fw = (float)w;
    fh = (float)w * a;
    left = 0;
    top = ((float)h - fh) * 0.5f;
  }
  return SetRect(quad, left, top, left + fw, top + fh);
}

ScreenQuad& ScreenQuad::ScaleToBackBuffer(ScreenQuad& quad, int w, int h) {
  BackBufferSize bb = GetRenderDevice().GetBackBufferSize();
  float sx = (float)bb.width / (float)w;
  float sy = (float)bb.height / (float)h;
  for (int i = 0; i < 4; ++i) {
    quad.v[i].x *= sx;
    quad.v[i].y *= sy;
  }
  return quad;
}

// A screen rectangle as four vertices {x, y, z, u, v} in triangle-strip order: bottom-left (u, v = 0, 1),
// top-left (0, 0), bottom-right (1, 1), top-right (1, 0). z is 1, the rhw of pre-transformed vertices.
#pragma once

#include "platform/types.h"
#include "scene/texture_types.h"

struct ScreenQuadVertex {
  float x, y, z, u, v;
};

struct ScreenQuad {
  enum Corner { BL = 0, TL = 1, BR = 2, TR = 3 };
  ScreenQuadVertex v[4];

  float Left() const { return v[BL].x; }
  float Top() const { return v[TL].y; }
  float Right() const { return v[TR].x; }
  float Bottom() const { return v[BR].y; }

  // Every x and y 0, every z 1, texture coordinates as listed above.
  static ScreenQuad& Init(ScreenQuad& quad);
  // The whole back buffer: corners (0, H), (0, 0), (W, H), (W, 0).
  static ScreenQuad& FullBackBuffer(ScreenQuad& quad);
  // The picture fitted inside a w x h target, keeping its aspect and centred on the other axis.
  // A picture with a zero side is taken to have the target's aspect.
  static ScreenQuad& FitImage(ScreenQuad& quad, UINT pictureWidth, UINT pictureHeight, int w, int h);
  static ScreenQuad& FitImage(ScreenQuad& quad, const TextureInfo& picture, int w, int h) {
    return FitImage(quad, picture.width, picture.height, w, h);
  }
  // Target units of a w x h target to back-buffer pixels.
  static ScreenQuad& ScaleToBackBuffer(ScreenQuad& quad, int w, int h);
  // Sets the corners of the rectangle left..right, top..bottom; z and texture coordinates are kept.
  static ScreenQuad& SetRect(ScreenQuad& quad, float left, float top, float right, float bottom);
};

#include "lights/lake_rules.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

LakeQuad LakePictureQuad(float w, float h) {
  LakeQuad q = {{0, 0, w, w}, {h, 0, h, 0}, {0, 0, 1, 1}, {1, 0, 1, 0}};
  return q;
}

float LakeHorizonShare(float horizon) {
  if (!(horizon > 0)) return 0;
  return std::min(horizon, 0.5f);
}

LakeQuad MakeMirrorBand(const LakeQuad& q, float f) {
  LakeQuad b = q;
  // Bottom corners are slots 0 and 2, top corners 1 and 3.
  for (int side = 0; side < 2; ++side) {
    const int bottom = side * 2, top = side * 2 + 1;
    const float yb = q.y[bottom], yt = q.y[top];
    const float vb = q.v[bottom], vt = q.v[top];
    const float vh = vb - f * (vb - vt);
    b.y[top] = yb - f * (yb - yt);
    b.v[top] = vh;
    b.v[bottom] = vh - f * (vb - vt);
  }
  return b;
}

void SetLakePlaneCorners(const LakeQuad& band, LakeVertex out[6]) {
  // top-left, bottom-left, bottom-right, top-left, bottom-right, top-right
  static const int kSlots[6] = {1, 0, 2, 1, 2, 3};
  for (int i = 0; i < 6; ++i) {
    const int s = kSlots[i];
    out[i].x = band.x[s];
    out[i].y = band.y[s];
    out[i].z = 0;
    out[i].pu = band.u[s];
    out[i].pv = band.v[s];
  }
}

void SetLakeBumpCoords(float s, LakeVertex out[6]) {
  const float c[6][2] = {{0.01f, 0.01f}, {0.01f, s}, {s, s}, {0.01f, 0.01f}, {s, s}, {s, 0.01f}};
  for (int i = 0; i < 6; ++i) {
    out[i].bu = c[i][0];
    out[i].bv = c[i][1];
  }
}

namespace {
BYTE AlphaByte(float a) {
  a = std::min(std::max(a, 0.0f), 1.0f);
  return static_cast<BYTE>(static_cast<int>(a * 255.0f));
}
}  // namespace

LakeTintAlphas ComputeTintAlphas(float tintAlpha, float tintFade) {
  const float a = tintAlpha, b = tintAlpha * (1 - tintFade);
  LakeTintAlphas t = {{AlphaByte(a), AlphaByte(a), AlphaByte(b), AlphaByte(b)},
                      {0, 0, AlphaByte(b), AlphaByte(b)}};
  return t;
}

int LakeHazeRows(UINT hazeHeight, float share) {
  // The band's height over the picture's, times the haze height, over the share, is the haze height
  // itself; worked out in floats it could lose a row, and with no band it is 0 / 0.
  if (!(share > 0)) return 0;
  return static_cast<int>(std::min(hazeHeight, 65535u));
}

void LakeBumpMatrix(float p, float out[4]) {
  const float a = (p * 0.5f) * 9.0f;
  out[0] = 0.04f * std::cos(a);
  out[1] = -0.04f * std::sin(a);
  out[2] = 0.04f * std::sin(a);
  out[3] = 0.04f * std::cos(a);
}

namespace {
signed char SignedOffset(BYTE c) {
  const int v = static_cast<int>(c) - 128;
  return static_cast<signed char>(v < -127 ? -127 : v);
}
}  // namespace

void NormalsToBumpOffsets(const BYTE* normals, int pitch, UINT width, UINT height, BYTE* out, int outPitch) {
  for (UINT y = 0; y < height; ++y) {
    const BYTE* from = normals + static_cast<ptrdiff_t>(y) * pitch;
    BYTE* to = out + static_cast<ptrdiff_t>(y) * outPitch;
    for (UINT x = 0; x < width; ++x) {
      to[2 * x] = static_cast<BYTE>(SignedOffset(from[4 * x + 2]));
      to[2 * x + 1] = static_cast<BYTE>(SignedOffset(from[4 * x + 1]));
    }
  }
}

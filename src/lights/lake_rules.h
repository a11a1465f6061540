// The lake's arithmetic: the mirrored band below the horizon, the lake plane's corners and bump
// coordinates, the tint and haze quads, and the turning bump matrix.
#pragma once

#include "platform/types.h"

// A quad in strip order: bottom-left, top-left, bottom-right, top-right; y grows downward.
struct LakeQuad {
  float x[4], y[4], u[4], v[4];
};
// The picture rectangle (0, 0)-(w, h) with v 0 at the top and 1 at the bottom.
LakeQuad LakePictureQuad(float w, float h);
// The lake's share of the height from the horizon's derived value, kept within 0..0.5.
float LakeHorizonShare(float horizon);
// The bottom edge stays; the top moves down to the horizon; v shows the strip of equal height above it,
// upside down.
LakeQuad MakeMirrorBand(const LakeQuad& q, float share);

struct LakeVertex {
  float x, y, z;
  float bu, bv;  // bump map, stage 0
  float pu, pv;  // mirrored picture, stage 1
  static const DWORD FVF = 0x202;  // position and two texture coordinate pairs
};
static_assert(sizeof(LakeVertex) == 28, "lake vertex layout");
// The six plane vertices' positions and picture coordinates from the band (bump coordinates untouched).
void SetLakePlaneCorners(const LakeQuad& band, LakeVertex out[6]);
// Bump coordinates: 0.01 at the horizon's left end and s along both axes.
void SetLakeBumpCoords(float s, LakeVertex out[6]);

// Alpha bytes of the tint quad (bottom-left, bottom-right, top-left, top-right) and of the haze strip.
struct LakeTintAlphas {
  BYTE tint[4];
  BYTE haze[4];
};
LakeTintAlphas ComputeTintAlphas(float tintAlpha, float tintFade);

// The haze strip above the horizon: hazeHeight rows, none when there is no band.
int LakeHazeRows(UINT hazeHeight, float share);

// The bump-environment matrix at ripple clock p: 11, 12, 21, 22.
void LakeBumpMatrix(float p, float out[4]);

// The bump map's signed offsets from a normal map (four bytes a texel: blue, green, red, alpha; rows at
// pitch): u from red and v from green, each mapped from 0..255 around the middle onto -127..127, two bytes
// a texel (u first) into out, rows at outPitch. A flat normal (128, 128) gives no offset.
void NormalsToBumpOffsets(const BYTE* normals, int pitch, UINT width, UINT height, BYTE* out, int outPitch);

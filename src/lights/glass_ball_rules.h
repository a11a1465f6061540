// The glass ball's arithmetic: ball parameters, the generated bump map, disc mask and gradient texels,
// the motion of the slide inside the ball, the background rectangle's shares and the ball camera.
#pragma once

#include <vector>

#include "platform/types.h"

struct GlassBallParams {
  float ballZ;
  float lensDepth;
  float swayAmplitude;
};
// ballSize in percent, refraction, the projection's x scale and the background's height share.
GlassBallParams ComputeBallParams(UINT ballSize, UINT refraction, float sx, float ky);

// 256 x 256 V16U16 texels of a hemisphere of radius 128, rows at pitch bytes.
void GenerateBallBump(BYTE* bits, int pitch);
// The hemisphere's height at a texel (0 outside).
float BallBumpHeight(int x, int y);
// The disc mask: kDiscMaskSize texels square, opaque where a texel's squared distance from texel
// (kDiscMaskCentre, kDiscMaskCentre) exceeds kDiscMaskRadius squared, clear elsewhere.
const int kDiscMaskSize = 1024;
const int kDiscMaskCentre = 512;
const int kDiscMaskRadius = 508;
// 1024 x 1024: opaque outside the circle of radius 508, clear inside; one byte a texel (A8) or four
// (A8R8G8B8, alpha in the top byte, white), rows at pitch bytes.
void GenerateDiscMask(BYTE* bits, int pitch, bool fourBytes);
// 256 rows x 256 texels of X8R8G8B8 from top to bottom colour (COLORREFs), alpha 0.
void GenerateGradient(BYTE* bits, int pitch, DWORD top, DWORD bottom);

// The motion of the slide inside every glass ball of the process.
// Phase and time in double, so that a frame still moves the slide after weeks of running.
struct GlassBallMotion {
  double phase = 0;
  double last = 0;
  bool started = false;

  // Advances the phase at time t; mode 0 keeps it.
  void Advance(int mode, double t, float speed);
  // Modes 1 and 2: the share of a width the first copy is moved right (0..1).
  float ScrollShare(int mode) const;
  // Mode 3: a triangle wave -1..1; 0 in the other modes.
  float Sway(int mode) const;
};
GlassBallMotion& SharedGlassBallMotion();

// The background rectangle scaled about the origin: its shares of the target (k = w' / (w' + 2m)).
struct BallShares {
  float kx, ky;
};
BallShares ComputeBallShares(float left, float top, float right, float bottom, float sx, float sy);

// The ball camera's centre and the lens texture offsets.
struct BallCamera {
  float xc, yc;   // world translation
  float u0, v0;   // lens texture offsets
  float s;        // depth factor
};
struct BallCameraInput {
  float ballZ, lensDepth, swayAmplitude, sway;
  float px, py;              // ball offset
  float sx, sy, kx, ky;
  float offX, offY;
  float width, height;       // target (or back buffer)
  float targetAspect;        // target width / height
  bool pictureBackground;
  UINT refraction;
  UINT pictureWidth, pictureHeight;
};
BallCamera ComputeBallCamera(const BallCameraInput& in, bool lens);
// The lens square's image (corners at +-256 about the camera's translation, seen from the ball's z with the
// ball camera's projection of that aspect) on a width x height target, edges in pixels; valid is false
// when the eye is not before the lens plane or the target has no size.
struct LensSquare {
  double left, top, right, bottom;
  bool valid;
};
LensSquare ProjectLensSquare(const BallCamera& camera, float ballZ, float aspect, float width, float height);
// The pixels of a width x height target that the lens square covers for certain: those at least a pixel
// inside its image. Empty (right <= left or bottom <= top) when none.
struct LensPixels {
  int left, top, right, bottom;  // right and bottom excluded
};
LensPixels LensInterior(const BallCamera& camera, float ballZ, float aspect, float width, float height);

// The texels of one axis of the slide's texture (size texels) the lens may sample: its coordinate runs over
// scale * (centre - 256 .. centre + 256) + offset (the lens texture matrix over the square's camera-space
// position), moved by the bump offsets by at most reach either way, wrapped, and read by a bilinear
// filter. Up to two spans [first, last); one span of the whole axis when it may read all of it.
struct TexelSpans {
  int count;
  int first[2], last[2];
};
TexelSpans LensReadSpans(float scale, float offset, float centre, float reach, int size);
// The texels of one axis of a texture (size texels) that copies of it pass on to the texels `read` of the
// target they are drawn into: copy i covers target texels [copies[i].left, left + extent) with the texture
// across it from 0 to 1, so a read texel x under it needs the texture's texels near (x - left) * size /
// extent, one either side for the copy's filter and two more for the device's rounding. Disjoint spans in
// order, merged where they meet, within [0, size).
struct CopyPlace {
  float left, extent;
};
struct TexelSpan {
  int first, last;  // last excluded
};
std::vector<TexelSpan> CopiedSpans(const TexelSpans& read, const std::vector<CopyPlace>& copies, int size);

// The most the generated bump map moves the lens's texture coordinate, per unit of the bump matrix: its
// offsets reach 25600 of 32767 (100 of 127 in eight bits).
const float kBallBumpOffsetMax = 0.8f;

// The disc mask, drawn over the lens square after the lens and its overlays, leaves a pixel as it is where
// its filtered texels are all clear, and paints the background over it where they are all opaque. So the
// lens and the overlays need only the pixels where the mask may be less than opaque (disc), and the mask
// only those where it may be more than clear (rim), each with a margin for the device's rounding. Both are
// lists of disjoint rectangles of target pixels (right and bottom excluded) in up to `strips` horizontal
// strips across the disc, clipped to the target; both empty when the square is not valid.
struct DiscScissors {
  std::vector<RECT> disc;
  std::vector<RECT> rim;
};
DiscScissors SplitLensAtDisc(const LensSquare& square, int width, int height, int strips);

// The flame light's rules: where its band of fire burns on the picture and the values its heat haze hands
// to the haze effect.
#pragma once

#include "platform/types.h"

// The fire band in picture pixels (y down): its bottom is the picture's bottom moved down by 0.5 % of
// the picture height per unit of fire offset, and it is 65 % of the picture high.
struct FireBand {
  float top;
  float bottom;
};
FireBand FlameFireBand(float pictureHeight, UINT fireOffset);

// What the haze sets on its effect each frame: "stenght" (strength result x 0.05), "Offset" {p, -p} of the
// speed clock's position p, and "bump_scale" {s, s x aspect} of the bump scale result s.
struct HazeValues {
  float strength;
  float offset[2];
  float bumpScale[2];
};
HazeValues FlameHazeValues(float strengthResult, float position, float bumpScaleResult, float aspect);

// The haze quad's height / width; a quad without size counts as square, so no value of the effect
// becomes infinite or undefined.
float FlameHazeAspect(float width, float height);

// The haze switch after the haze asked for its effect: without one the haze is off (and the off-screen
// pass with it); with one it stays as stored.
int FlameHazeEnableAfterCreate(int hazeEnable, bool haveEffect);

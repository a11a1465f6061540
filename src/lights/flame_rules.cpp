#include "lights/flame_rules.h"

FireBand FlameFireBand(float pictureHeight, UINT fireOffset) {
  FireBand band;
  band.bottom = pictureHeight * (1.0f + 0.005f * static_cast<float>(fireOffset));
  band.top = band.bottom - 0.65f * pictureHeight;
  return band;
}

HazeValues FlameHazeValues(float strengthResult, float position, float bumpScaleResult, float aspect) {
  HazeValues v;
  v.strength = strengthResult * 0.05f;
  v.offset[0] = position;
  v.offset[1] = -position;
  v.bumpScale[0] = bumpScaleResult;
  v.bumpScale[1] = bumpScaleResult * aspect;
  return v;
}

float FlameHazeAspect(float width, float height) {
  if (!(width > 0) || !(height > 0)) return 1.0f;
  return height / width;
}

int FlameHazeEnableAfterCreate(int hazeEnable, bool haveEffect) { return haveEffect ? hazeEnable : 0; }

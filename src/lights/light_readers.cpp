#include "lights/light_readers.h"

#include "lights/flame_light.h"
#include "lights/glass_ball_light.h"
#include "lights/lake_light.h"
#include "lights/light_2d.h"
#include "lights/matrix_code_light.h"
#include "lights/slide_show.h"
#include "lights/underwater_light.h"
#include "lights/water_ring_light.h"

void RegisterLightReaders() {
  RegisterPictureLightReader();
  RegisterGlassBallLightReader();
  RegisterMatrixCodeLightReader();
  RegisterLakeLightReader();
  RegisterWaterRingLightReader();
  RegisterFlameLightReader();
  RegisterUnderwaterLightReader();
  RegisterSlideShowReaders();
}

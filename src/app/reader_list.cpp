#include "scene/readers.h"

#include "lights/flame_light.h"
#include "lights/glass_ball_light.h"
#include "lights/lake_light.h"
#include "lights/light_2d.h"
#include "lights/matrix_code_light.h"
#include "lights/slide_show.h"
#include "lights/underwater_light.h"
#include "lights/water_ring_light.h"
#include "objects3d/object_array.h"
#include "particles/particle_readers.h"
#include "fx/fx_shared.h"

// Each subsystem that defines document classes adds the call of its registration function here.
void RegisterAllReaders() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterPictureLightReader();
  RegisterGlassBallLightReader();
  RegisterMatrixCodeLightReader();
  RegisterLakeLightReader();
  RegisterWaterRingLightReader();
  RegisterFlameLightReader();
  RegisterUnderwaterLightReader();
  RegisterSlideShowReaders();
  RegisterObjects3DReaders();
  RegisterParticleReaders();
  RegisterFxReaders();
}

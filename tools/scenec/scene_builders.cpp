#include "scenec/scene_compiler.h"
#include "scenec/objects3d_builders.h"
#include "scenec/particle_builders.h"
#include "scenec/fx_builders.h"
#include "scenec/picture_light_builders.h"
#include "scenec/slide_show_builders.h"

// Each class that a scene description may name adds the registration of its builder here.
void RegisterAllSceneBuilders() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterSlideShowBuilders();
  RegisterObjects3DBuilders();
  RegisterParticleBuilders();
  RegisterFxBuilders();
  RegisterPictureLightBuilders();
}

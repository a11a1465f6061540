#include "app/reader_list.h"

#include "fx/fx_shared.h"
#include "lights/light_readers.h"
#include "objects3d/object_array.h"
#include "particles/particle_readers.h"
#include "scene/scene_document.h"

// Each subsystem that defines document classes adds the call of its registration function here.
void RegisterAllReaders() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterLightReaders();
  RegisterObjects3DReaders();
  RegisterParticleReaders();
  RegisterFxReaders();
}

DS_SlideShow_Light* LoadEmbeddedScene() {
  RegisterAllReaders();
  return LoadSceneDocument();
}

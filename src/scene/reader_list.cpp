#include "scene/readers.h"

#include "lights/light_2d.h"

// Each subsystem that defines document classes adds the call of its registration function here.
void RegisterAllReaders() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterPictureLightReader();
}

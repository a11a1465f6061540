#include "scene/readers.h"

// Each subsystem that defines document classes adds the call of its registration function here.
void RegisterAllReaders() {
  static bool done = false;
  if (done) return;
  done = true;
}

#include "objects3d/butterfly.h"
#include "objects3d/clock.h"
#include "objects3d/leaves.h"
#include "objects3d/object_array.h"

void RegisterObjects3DReaders() {
  RegisterButterflyReader();
  RegisterClockReader();
  RegisterLeavesReader();
}

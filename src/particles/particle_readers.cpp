#include "particles/particle_readers.h"

#include "particles/effect_particles.h"
#include "particles/flow_particles.h"
#include "particles/light_particles.h"
#include "particles/still_particles.h"
#include "particles/swimmers.h"
#include "scene/readers.h"

namespace {

template <class T>
void Register(const char16_t* name) {
  RegisterClassReader<T, DS_ABObj_Constructor>(GetConstructorReaderRegistry(), name);
}

}  // namespace

void RegisterParticleReaders() {
  Register<DS_FishConstructor>(u"DS_FishConstructor");
  Register<DS_BirdConstructor>(u"DS_BirdConstructor");
  Register<DS_GhostConstructor>(u"DS_GhostConstructor");
  Register<DS_GodRayConstructor>(u"DS_GodRayConstructor");
  Register<DS_SparkleConstructor>(u"DS_SparkleConstructor");
  Register<DS_LightingConstructor>(u"DS_LightingConstructor");
  Register<DS_FlowConstructor>(u"DS_FlowConstructor");
  Register<DS_RainConstructor>(u"DS_RainConstructor");
  Register<DS_FogConstructor>(u"DS_FogConstructor");
  Register<DS_StatObjConstructor>(u"DS_StatObjConstructor");
  Register<DS_FlowerConstructor>(u"DS_FlowerConstructor");
  Register<DS_DischargeConstructor>(u"DS_DischargeConstructor");
  Register<DS_GrassConstructor>(u"DS_GrassConstructor");
  Register<DS_DischargeFXConstructor>(u"DS_DischargeFXConstructor");
  Register<DS_ExplosionConstructor>(u"DS_ExplosionConstructor");
}

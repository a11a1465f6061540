#include "scene/fx_constructor.h"

#include "render/mesh.h"
#include "scene/texture_types.h"

DS_FX_Constructor::DS_FX_Constructor(const DS_FX_Constructor& o)
    : DS_ABObj_Constructor(o), mainFX(o.mainFX), maskKey(o.maskKey) {
  mesh_detail::Hold(mask, o.mask);
  mesh_detail::Hold(effect, o.effect);
}

DS_FX_Constructor::~DS_FX_Constructor() {
  SafeRelease(&effect);
  SafeRelease(&mask);
}

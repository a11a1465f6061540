#include "fx/fx_shared.h"
#include "fx/light_water_fx.h"
#include "fx/pattern_brush.h"
#include "fx/wave_fx.h"
#include "fx/fire_fx.h"
#include "scene/readers.h"

// The underwater wobble, the direction base and the base itself are read only inside other sections.
void RegisterFxReaders() {
  ConstructorReaderRegistry& r = GetConstructorReaderRegistry();
  RegisterClassReader<DS_BackgroundCopy>(r, u"DS_BackgroundCopy");
  RegisterClassReader<DS_WavesFX>(r, u"DS_WavesFX");
  RegisterClassReader<DS_LightFX>(r, u"DS_LightFX");
  RegisterClassReader<DS_PatternBrush>(r, u"DS_PatternBrush");
  RegisterClassReader<DS_PatternBrushC>(r, u"DS_PatternBrushC");
  RegisterClassReader<DS_WaterFX>(r, u"DS_WaterFX");
  RegisterClassReader<DS_MoveFX>(r, u"DS_MoveFX");
  RegisterClassReader<DS_FireFX>(r, u"DS_FireFX");
}

// The underwater wobble: an all-over displacement of the picture, as if seen through moving water. A full-
// screen effect item of its own, and embedded in the underwater picture light, which reads and writes it
// with the operations below; no registry names it. Implemented in fx/underwater_fx.cpp; the header sits
// here so that the picture lights can embed it.
#pragma once

#include "fx/fx_constructor.h"

class DS_UnderwaterFX : public DS_FX_Constructor {
 public:
  static const int kEffectId = 88;

  // Amplitude 50 (0.00625), wavelength 50 (0.101); the clock at 25 times real time; effect 88.
  DS_UnderwaterFX();
  DS_UnderwaterFX(const DS_UnderwaterFX& o);

  // The base's Assign, then amplitude and wavelength with notification.
  void Assign(const DS_UnderwaterFX& source);

  DS_FX_Constructor* Clone() const override { return new DS_UnderwaterFX(*this); }
  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  void Render(DS_ABRender* renderer) override;
  // "frequency": {k * w / h, k} with k = 1 / derived wavelength; the aspect counts as 1 for a picture
  // without size.
  void Frequency(UINT w, UINT h, float out[2]) const;

  // "DS_UnderwaterFX", version 1, amplitude, wavelength, the base section.
  void SaveBase(DS_IOF_Virtual** stream);
  void ReadFields(DS_IOF_Virtual** stream);
  // Header ignored, a new item, its fields; the caller owns it. No registry names this class.
  static DS_UnderwaterFX* CreateFromStream(DS_IOF_Virtual** stream);

  UINTSclaleTo<float> amplitude;
  UINTSclaleTo<float> wavelength;
};

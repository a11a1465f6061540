// The full-screen effect item base, as far as its render object drives it: the MainFX flag, the key of
// the mask picture, the effect's loading, and the per-frame update and draw. The items' clocks, records,
// defaults and effect parameters are the effect items' own.
#pragma once

#include "platform/d3dx_effect.h"
#include "platform/types.h"
#include "scene/doc_keys.h"
#include "scene/item_bases.h"
#include "scene/media_param.h"

class DS_ABRender;

class DS_FX_Constructor : public DS_ABObj_Constructor {
 public:
  DS_FX_Constructor() = default;
  // The same mask key; mask and effect shared with a reference added.
  DS_FX_Constructor(const DS_FX_Constructor& o);
  ~DS_FX_Constructor() override;

  // Loads the effect, then takes the mask held at *mask: the address of the document's entry for the
  // mask key, which the item keeps (the entry may change while the item lives). Null when no document
  // is loaded.
  virtual void LoadEffect(IDirect3DTexture9** mask) = 0;
  // Editing handles; nothing to draw.
  virtual void DrawMarkers(DS_ABRender* renderer) {}
  // Advances the item's clock and effect parameters.
  virtual void Update(float t) = 0;
  // Redraws the picture, or the scene composed so far, through the effect.
  virtual void Render(DS_ABRender* renderer) = 0;

  // Not 0: the item reads the scene composed so far ("MainFX"); 0: the slide's picture ("Main").
  MediaParamT<int> mainFX;
  DocGuidKey maskKey;
  IDirect3DTexture9* mask = nullptr;  // one reference held
  ID3DXEffect* effect = nullptr;      // one reference held
};

// The full-screen effect item base: a scene item that redraws the slide's picture, or the scene composed
// so far, through one effect on the picture quad. It holds the item's clock, the MainFX flag (which of the
// two it reads), the effect link, the scale of the effect's texture coordinates, the key of an optional
// mask picture, and the references on the mask and on the loaded effect. Its render object (DS_BrushObj)
// owns a clone and forwards every call to it; the picture lights that embed an effect call the same
// operations themselves.
#pragma once

#include "platform/com_ref.h"
#include "platform/d3dx_effect.h"
#include "platform/types.h"
#include "render/render_object.h"
#include "scene/doc_keys.h"
#include "scene/file_link.h"
#include "scene/item_bases.h"
#include "scene/media_param.h"
#include "scene/scaled_params.h"

class DS_ABRender;
class DS_IOF_Virtual;

class DS_FX_Constructor : public DS_ABObj_Constructor {
 public:
  static const DWORD kVersion = 2;

  // Clock stands (value 0, scale 1), MainFX 0, no effect link, scale 50 of 0.02 (derived 1.0), a mask key
  // with a fresh GUID, an empty name and flag true, no mask, no effect.
  DS_FX_Constructor();
  // Name, clock (value, scaling, step, position, last time), MainFX, effect link, scale and mask key;
  // the mask and the effect shared with a reference added. Observers and undo histories stay behind.
  DS_FX_Constructor(const DS_FX_Constructor& o);
  DS_FX_Constructor& operator=(const DS_FX_Constructor&) = delete;
  ~DS_FX_Constructor() override;

  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  // A DS_BrushObj owning Clone ().
  DS_ABObj* CreateRenderObject() override;
  // No mask, and a new mask key (fresh GUID, empty name, flag true).
  void RenewIdentity() override;

  // The effect of the effect link from the document, then SetMask (mask). Items with pictures of their
  // own load them after this.
  virtual void LoadEffect(IDirect3DTexture9** mask);
  // The pictures LoadEffect took from the document let go of when the manager lets go of them (after the
  // slide's show): true when any went. LoadTextures takes them again. None here (the mask stays).
  virtual bool ReleaseTextures() { return false; }
  virtual void LoadTextures() {}
  // Editing handles; nothing to draw.
  virtual void DrawMarkers(DS_ABRender* renderer) {}
  virtual IDirect3DTexture9** GetMask() { return mask.Slot(); }
  // Advances the clock by the application time t in seconds.
  virtual void Update(double t);
  // Sets the item's own effect parameters, then DrawWithCommonParams.
  virtual void Render(DS_ABRender* renderer) = 0;
  // Holds *slot (null allowed; a null slot means no mask) with a reference added; the item's own field
  // changes nothing.
  virtual void SetMask(IDirect3DTexture9** slot);
  virtual DS_FX_Constructor* Clone() const = 0;
  // Whether the effect's twin techniques "MainNoMask" and "MainFXNoMask", which take every point as
  // covered, draw this frame as "Main" and "MainFX" would: without a mask.
  virtual bool CoveredEverywhere() { return *GetMask() == nullptr; }
  // The twin technique this frame may draw with in place of "MainFX" (mainFX) or "Main": "MainFXNoMask" or
  // "MainNoMask" where the item is covered everywhere, else none.
  virtual const char* TwinTechnique(bool mainFX) {
    return CoveredEverywhere() ? (mainFX ? "MainFXNoMask" : "MainNoMask") : nullptr;
  }

  // Every value of source into this item, with notification where a reader would notify; references on
  // the mask and effect follow unless source is this item.
  void Assign(const DS_FX_Constructor& source);

  // Technique "MainFX" or "Main", "Scale", "Mask" and "Background", then the picture quad drawn once per
  // pass. Without an effect nothing is drawn; in MainFX mode the scene behind is copied onto the quad.
  // Where the item is covered everywhere and the effect offers the twin of the technique, the twin is
  // set instead: it leaves out the mask lookup and the blend, the most of a frame's cost on a software
  // rasteriser.
  void DrawWithCommonParams(DS_ABRender* renderer);
  // "Scale" for a picture of w x h pixels and the derived scale s: {(w / h) / s, 1 / s}; {1 / s, 1 / s}
  // for a picture without size.
  static void CommonScale(UINT w, UINT h, float s, float out[2]);

  // "DS_FX_Constructor", version 2, then SaveFields.
  void SaveBase(DS_IOF_Virtual** stream);
  // The mask into the document's GUID picture map, then the fields and the name section.
  void SaveFields(DS_IOF_Virtual** stream);
  // The header (not compared with anything), then ReadFields.
  void ReadBase(DS_IOF_Virtual** stream);
  void ReadFields(DS_IOF_Virtual** stream, DWORD version);

  MediaSpeedParam clock;  // position = effect seconds
  // Not 0: the item reads the scene composed so far ("MainFX"); 0: the slide's picture ("Main").
  MediaParamT<int> mainFX;
  DS_HLSLEffectFile effectLink;
  UINTSclaleTo<float> scale;
  DocGuidKey maskKey;
  ComRef<IDirect3DTexture9> mask;
  ComRef<ID3DXEffect> effect;  // the document resource manager made it

 protected:
  // The concrete class's effect (a resource of the shared module) and clock speed.
  void SetClassDefaults(int effectId, UINT speedValue, float speedScale);
  // True when there is no effect to draw with; in MainFX mode the scene behind has then been copied onto
  // the picture quad, since the chain handed this item a target cleared to black.
  bool PassThroughWithoutEffect(DS_ABRender* renderer);
  // The scene handed to this item ("Background") drawn unchanged over the picture quad.
  static void CopyBackground(DS_ABRender* renderer);
};

// A full-screen effect item's render object: every call goes to the item.
class DS_BrushObj : public DS_ABObj {
 public:
  // The item loads its effect and keeps the address of the document's mask entry for its mask key (the
  // entry is made empty when the document has none).
  explicit DS_BrushObj(DS_FX_Constructor* clone);

  void Render(DS_ABRender* renderer) override;
  void DrawMarkers(DS_ABRender* renderer, int mode) override;
  void Update(double t) override;
  void OnScreenResize() override {}
  // The item's MainFX flag: an item that reads the scene composed so far needs it as its source.
  int NeedsSourceTexture() override;
  // The item's pictures, when the manager can make them again.
  void ReleasePictures() override;
  void RemakePictures() override;

  DS_FX_Constructor* effectItem;  // the same clone as the base's item

 private:
  ItemPictures pictures_;
};

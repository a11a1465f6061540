// The bases of every scene item: a named item that makes its run-time render object, and an item with a
// view rectangle on the picture and a clock of its own.
#pragma once

#include "platform/types.h"
#include "scene/iof_item.h"
#include "scene/media_param.h"
#include "scene/scaled_params.h"
#include "scene/screen_quad.h"

class DS_IOF_Virtual;
class DS_ABObj;  // the render object an item makes
struct Particle;

class DS_ABObj_Constructor : public DS_IOF_Item {
 public:
  // The item's display name.
  ds_string name;

  DS_ABObj_Constructor() = default;
  DS_ABObj_Constructor(const DS_ABObj_Constructor& o) : DS_IOF_Item(), name(o.name) {}
  DS_ABObj_Constructor& operator=(const DS_ABObj_Constructor&) = delete;
  ~DS_ABObj_Constructor() override {}

  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  // A new render object owning a copy of this item; the caller owns it.
  virtual DS_ABObj* CreateRenderObject() = 0;
  // Items that carry an identity of their own give themselves a new one.
  virtual void RenewIdentity() {}
  // Editing hooks; no item overrides them and the player calls none.
  virtual void OnEditBegin(void* context) {}
  virtual void OnEditEnd(void* context) {}
  virtual int OnEditQuery(void* context) { return 0; }
  // What a render object's owner notification reaches.
  virtual int OnRenderObjectNotify(void* context) { return 0; }

  // "DS_ABObj_Constructor", version 1, the name.
  void SaveBase(DS_IOF_Virtual** stream) const;
  // Header (not used), then the name.
  void ReadBase(DS_IOF_Virtual** stream);

  // Reads a class name and version and makes the item that the scene-item registry names; a name without
  // a reader is a format error. The caller owns the result.
  static DS_ABObj_Constructor* CreateFromStream(DS_IOF_Virtual** stream);
};

// An item with a view rectangle, kept both in fractions of the picture (so that a scene keeps its layout
// for any picture size) and in picture pixels as four undoable edges, and a clock of its own.
// W and H are the picture size of the screen mapping; both are 0 until the first picture is placed.
class DS_ViewObjCtrl : public DS_ABObj_Constructor {
 public:
  MediaRectangle rectangle;
  // Item clock speed in fiftieths of real time.
  MediaParamT<UINT> speed;
  // Stored with the section; nothing in the player reads it.
  bool flag = false;
  float x0 = 0.0f, x1 = 1.0f, y0 = 0.0f, y1 = 1.0f;
  // The clock's last step and its time, in item seconds; the time in double, so that a frame still moves
  // it after weeks of running.
  float delta = 0.0f;
  double clock = 0.0;

  DS_ViewObjCtrl();
  // Name, speed, fractions and flag; the edges are rebuilt from the fractions for the current picture.
  DS_ViewObjCtrl(const DS_ViewObjCtrl& o);
  DS_ViewObjCtrl& operator=(const DS_ViewObjCtrl&) = delete;
  ~DS_ViewObjCtrl() override;

  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  // The view rectangle as a screen quad in picture pixels.
  virtual ScreenQuad* GetQuad(ScreenQuad* out) const;
  virtual bool HitTest(float x, float y) const { return false; }

  // "DS_ViewObjCtrl", version 2, then the fields ending with the name section.
  void SaveBase(DS_IOF_Virtual** stream) const;
  void SaveFields(DS_IOF_Virtual** stream) const;
  // Header, then the fields of that version, stored without notification.
  void ReadBase(DS_IOF_Virtual** stream);
  void ReadFields(DS_IOF_Virtual** stream, DWORD version);

  float GetLeftPx() const;
  float GetRightPx() const;
  float GetTopPx() const;
  float GetBottomPx() const;

  // A uniform point of the view rectangle (x drawn first), z 0.
  D3DXVECTOR3* RandomPoint(D3DXVECTOR3* out) const;
  // A uniform point at which a sprite of signed half extents hw, hh lies wholly inside the rectangle.
  D3DXVECTOR3* RandomInsetPoint(float hw, float hh, D3DXVECTOR3* out) const;
  // The same for the particle's sprite.
  D3DXVECTOR3* RandomInsetPoint(const Particle& p, D3DXVECTOR3* out) const;

  // The item clock: min(|t - last|, 0.2) * speed * 0.02 item seconds; a step back still advances it.
  void Advance(double t);
  double GetLast() const { return last_; }

  // Sets each edge from its fraction, announcing the edges that change.
  void UpdatePixelParams();

 protected:
  // Edges from fractions, then one observer per edge that turns it back into its fraction.
  void BindRectListeners();
  void BindEdgeListener(MediaParamT<int>& edge, void (DS_ViewObjCtrl::*fn)(int));
  void OnLeftChanged(int e);
  void OnRightChanged(int e);
  void OnTopChanged(int e);
  void OnBottomChanged(int e);

 private:
  ListenerHolder holder_;
  double last_ = 0.0;
};

// The run-time drawing side of one scene item. An item's CreateRenderObject makes it with a copy of the
// item, which the render object owns and reads every parameter from. A slide calls: destruction, Render
// through the slide's renderer, Update once per frame with the application time, NeedsSourceTexture,
// which decides where the effect chain switches targets, and ReleasePictures / RemakePictures around
// its show. The other operations serve an editing host; the player never calls them.
#pragma once

#include "platform/types.h"
#include "scene/item_bases.h"

class DS_ABRender;

class DS_ABObj {
 public:
  // Takes ownership of the item copy (which may be null).
  explicit DS_ABObj(DS_ABObj_Constructor* item) : item(item) {}
  DS_ABObj(const DS_ABObj&) = delete;
  DS_ABObj& operator=(const DS_ABObj&) = delete;
  virtual ~DS_ABObj() { delete item; }

  virtual void Render(DS_ABRender* renderer) = 0;
  virtual void DrawMarkers(DS_ABRender* renderer, int mode) = 0;
  // t: application seconds.
  virtual void Update(double t) = 0;
  virtual void OnScreenResize() = 0;
  // Non-zero when the object reads the picture composed so far as its source.
  virtual int NeedsSourceTexture() { return 0; }
  virtual bool HitTest(const POINT& point) { return false; }
  // The slide's show and the fade after it are over: the object lets go of the pictures it holds that the
  // document resource manager lets go of too (ReleasePicture); RemakePictures, at the slide's next start,
  // takes them again. Nothing is drawn in between.
  virtual void ReleasePictures() {}
  virtual void RemakePictures() {}
  virtual void NotifyOwner() {
    if (item) item->OnRenderObjectNotify(this);
  }

  // The owned item copy; a slide saves its items from these.
  DS_ABObj_Constructor* item;
};

// For a render object whose item holds the pictures: the item's ReleaseTextures (true when any went) after
// the show, and its LoadTextures at the next start only when something went.
class ItemPictures {
 public:
  template <class Item>
  void Release(Item* item) {
    if (item && item->ReleaseTextures()) released_ = true;
  }
  template <class Item>
  void Remake(Item* item) {
    if (!released_ || !item) return;
    released_ = false;
    item->LoadTextures();
  }

 private:
  bool released_ = false;
};

// A slide of the slide show: its timing, a name, the picture light that draws the picture and the scene
// items placed over it. When the slide first starts, its picture's device objects are made and the items
// become render objects; afterwards the slide only forwards frame, render and device events to its
// picture and its render objects. Until then it holds no device object: device loss passes it by and a
// picture position waits for the objects.
#pragma once

#include <list>
#include <memory>
#include <vector>

#include "lights/slide_schedule.h"
#include "platform/counted_ptr.h"
#include "platform/types.h"
#include "render/render_object.h"
#include "scene/iof_item.h"
#include "scene/media_param.h"

class DS_2D_Light;
class DS_ABObj_Constructor;
class DS_IOF_Virtual;

class DS_SlideContainer : public DS_IOF_Item {
 public:
  // Seconds.
  MediaParamT<UINT> fadeIn;
  MediaParamT<UINT> fadeOut;
  MediaParamT<UINT> show;
  // Stored with the slide; nothing in the player reads it.
  MediaParamT<INT> unused;
  MediaParamTB<ds_string> name;
  // Holds no light until the slide is read.
  CountedPtr<DS_2D_Light> picture;
  // Made from the items when the slide first starts, in the items' order.
  std::vector<CountedPtr<DS_ABObj>> renderObjects;
  // The items read from the document; emptied when the render objects are made.
  std::list<std::unique_ptr<DS_ABObj_Constructor>> items;

  DS_SlideContainer();
  ~DS_SlideContainer() override;
  DS_SlideContainer(const DS_SlideContainer&) = delete;
  DS_SlideContainer& operator=(const DS_SlideContainer&) = delete;

  void SetDefaults();
  SlideTimes Times() const;

  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  virtual void OnLostDevice();
  // "DS_SlideContainer", version 1, then the fields, the picture's section and the items: those still
  // listed, then those held by the render objects.
  void SaveBase(DS_IOF_Virtual** stream);

  // Reads a slide section by its class name through the slide registry; a name without a reader is a
  // document format error. The caller owns the result.
  static DS_SlideContainer* CreateFromStream(DS_IOF_Virtual** stream);
  // The registered reader: a new slide with the fields that follow the header.
  static DS_SlideContainer* CreateAndRead(DS_IOF_Virtual** stream, DWORD version);
  void ReadFields(DS_IOF_Virtual** stream);
  void ReadItems(DS_IOF_Virtual** stream);

  // Once, when the slide first starts (the slide show calls it, before the start's resize and reset):
  // the picture's device objects at size 1 x 1 (the real size comes with the start), then one render
  // object per item; the items are deleted. Later calls do nothing.
  void CreateObjects();
  bool ObjectsCreated() const { return objectsCreated_; }

  // Each frame, while the slide is current.
  void FrameMove(double t);
  // The picture, then the render objects from the last to the first through the effect chain.
  void Render();
  void PostRender();
  // The number of off-screen passes this frame: render objects that read the picture composed so far,
  // plus one when the light needs its own pass.
  int CountOffscreenPasses() const;

  // The slide has ended and the fade after it is over: its picture and its render objects let go of what
  // they hold for the show alone, and the document's effects of the textures last set on them. Nothing
  // before the first start. The next start makes it again (RemakePictures).
  void ReleasePictures();
  void RemakePictures();

  void Resize(int width, int height);
  void SetPicturePosition(int mode);
  void OnResetDevice();
  // Defined where the light is complete: a copy of the pointer may release the light.
  CountedPtr<DS_2D_Light> GetPicture() const;

 private:
  bool objectsCreated_ = false;
  // A picture position given before the objects were made: the picture takes it once they are.
  int pendingPicturePosition_ = -1;
};

// Registers the slide reader; called from the document's reader registration.
void RegisterSlideReaders();

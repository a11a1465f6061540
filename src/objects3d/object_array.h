// What the mesh-based 3D items share: the abstract item with an instance count, a size, a texture and a
// mesh (DS_3D_Obj_Ctrl), and its render object (DS_3DObjArray), which keeps one transform tree per instance,
// owns the item's mesh parts and draws each part at the frames of every instance.
//
// The items draw in picture pixels (x right, y down): a frame's world matrix maps mesh units to pixels.
#pragma once

#include <list>
#include <vector>

#include "render/frame.h"
#include "render/mesh.h"
#include "render/render_object.h"
#include "scene/file_link.h"
#include "scene/item_bases.h"
#include "scene/media_param.h"

// The shared resource module that the items' default links name.
extern const char16_t kBaseKitModule[];

// Degrees to radians as the animations convert them.
inline float DegToRad(float degrees) { return degrees * 2.0f * D3DX_PI / 360.0f; }

class DS_3D_Obj_Ctrl : public DS_ViewObjCtrl {
 public:
  MediaParamT<UINT> count;  // instances
  MediaParamT<UINT> size;   // the concrete item says in what unit
  DS_ImageFileLink texture;
  DS_MeshFile mesh;

  DS_3D_Obj_Ctrl();
  // The view item's copy, then count and size by value (fresh undo histories) and both links.
  DS_3D_Obj_Ctrl(const DS_3D_Obj_Ctrl& o);
  ~DS_3D_Obj_Ctrl() override {}

  // The base section; the concrete items write their own section before it.
  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  // A new DS_3DObjArray owning Clone().
  DS_ABObj* CreateRenderObject() override;

  // Fills the parts once: textures and meshes loaded, part flags set.
  virtual void BuildMeshParts(std::vector<MeshPart>& parts) = 0;
  // Rebuilds the parts' frame lists from the current instance roots.
  virtual void AttachInstances(std::list<DS_Frame*>& instances, std::vector<MeshPart>& parts) {}
  // A new instance root that owns its animation; its direct children are the instance's other frames.
  virtual DS_Frame* CreateFrameTree() = 0;
  virtual int GetMarkerMode(int mode) { return 0; }
  // A heap copy made with the item's copy constructor.
  virtual DS_3D_Obj_Ctrl* Clone() const = 0;

  // The frame lists of the two-part items: part 1 draws at every child of every root, part 0 at every
  // root, in instance order.
  static void AttachRootsAndChildren(std::list<DS_Frame*>& instances, std::vector<MeshPart>& parts);

  // "DS_3D_Obj_Ctrl", version 1: count, size, texture link, mesh link, then the view item's section.
  void SaveBase(DS_IOF_Virtual** stream) const;
  // The version is not checked; values are stored without notification.
  void ReadBase(DS_IOF_Virtual** stream);
};

class DS_3DObjArray : public DS_ABObj {
 public:
  // Takes ownership of the clone, builds its mesh parts, then binds the count (the first instances are
  // made at once).
  explicit DS_3DObjArray(DS_3D_Obj_Ctrl* clone);
  ~DS_3DObjArray() override;

  // New instances at the back; removal starts with the oldest at the front. Then the parts' frame lists
  // are rebuilt.
  void SetInstanceCount(UINT n);

  void Render(DS_ABRender* renderer) override;
  // The view rectangle as a dark quad, with the item's marker mode; for an editing host.
  void DrawMarkers(DS_ABRender* renderer, int mode) override;
  // The item clock first, then every instance tree top-down.
  void Update(double t) override;
  void OnScreenResize() override {}
  bool HitTest(const POINT& point) override;
  // The parts' textures, when the manager can make their pictures again.
  void ReleasePictures() override;
  void RemakePictures() override;

  DS_3D_Obj_Ctrl* obj;  // the same clone as the base's item
  std::list<DS_Frame*> instances;  // roots, owned
  std::vector<MeshPart> parts;

 private:
  ListenerHolder holder_;  // the count listener
  bool picturesReleased_ = false;
};

// Destroys an instance root with its children and animations and frees it.
void DestroyInstance(DS_Frame* root);

// Registers the readers of the butterflies, the clock and the falling leaves.
void RegisterObjects3DReaders();

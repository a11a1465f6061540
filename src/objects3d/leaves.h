// Falling leaves: copies of one textured leaf mesh fill the whole picture, drift in one direction with a
// side-to-side sway, tumble about three axes, swing on a small circle and re-enter at the opposite edge
// once they leave the picture. Positions are picture pixels (y down), angles degrees, times application
// seconds.
#pragma once

#include "platform/types.h"
#include "render/frame.h"
#include "render/mesh.h"
#include "render/render_object.h"
#include "scene/item_bases.h"
#include "scene/media_param.h"
#include "scene/stream.h"

struct LeafFallParams {
  MediaParamT<UINT> size;       // the leaf's diameter in picture pixels
  UINT angle = 0;               // drift direction, degrees counter-clockwise on screen from the right
  D3DXVECTOR4 driftAxis;        // from the angle
  D3DXVECTOR4 swayAxis;         // 90 degrees further
  MediaParamT<UINT> speed;
  MediaParamT<UINT> sway;       // sway amplitude and the speed of the swing rotations
  MediaParamT<UINT> swayRate;   // how often the sway may change direction; 0: never
  MediaParamT<UINT> spin;       // speed of the tumbling rotations

  LeafFallParams();
  // Axes from the angle: (1, 0) turned by degrees and by degrees + 90, then y negated for y-down pixels.
  void SetOrientation(UINT degrees);
};

class DS_3D_in_2D_array_Constructor : public DS_ABObj_Constructor {
 public:
  static const DWORD kVersion = 1;

  DocResourceRecord meshRecord;     // X data of the leaf
  DocResourceRecord textureRecord;  // the leaf's picture
  MediaParamT<UINT> leafCount;
  LeafFallParams params;

  DS_3D_in_2D_array_Constructor();
  DS_3D_in_2D_array_Constructor(const DS_3D_in_2D_array_Constructor& o);
  ~DS_3D_in_2D_array_Constructor() override {}

  void Save(DS_IOF_Virtual** stream) override;
  static DS_3D_in_2D_array_Constructor* CreateAndRead(DS_IOF_Virtual** stream, DWORD version);
  void ReadFields(DS_IOF_Virtual** stream);
  DS_ABObj* CreateRenderObject() override;
};

// The application time of the current frame, shared by every leaf.
extern double g_LeafTime;

// Drift of one leaf: position, sway and re-entry. Its Animate writes no frame.
class DS_SreamAnim : public DS_AnimationBase {
 public:
  // Draws x, y in the picture, the sway factor and the speed factor, in that order.
  explicit DS_SreamAnim(LeafFallParams* params);
  // One drift step at g_LeafTime.
  void Animate(DS_Frame* frame) override;

  D3DXMATRIX position;  // Translation(x, y, 0)
  float swayFactor;     // -1..1
  double lastSwayChange = 0.0;
  float speedFactor;    // 0.07..0.13
  double lastStep = 0.0;
  float dt = 0.0f;      // seconds, at most 0.2
  LeafFallParams* params;  // not owned
};

class DS_LeafFallAnim : public DS_SreamAnim {
 public:
  struct Turn {
    float rate;
    double angle;  // degrees, in double as it grows; turned by it reduced by 360
  };
  // The drift's draws, then per tumbling pair a sign and a magnitude, per swing pair whether it exists,
  // a sign and a magnitude.
  explicit DS_LeafFallAnim(LeafFallParams* params);
  // Drift, then tumble and swing: world = local x Scaling x tumble x push out x swing x position.
  void Animate(DS_Frame* frame) override;

  Turn turns[5];  // 0..2 tumble, 3..4 swing
};

// The leaf's scale for a diameter of size: size / 2 / radius, and 0 for a radius that is not a positive
// finite number (an empty or missing mesh).
float LeafScale(UINT size, float radius);

class DS_3D_in_2D_array : public DS_ABObj {
 public:
  // Takes ownership of the item copy, loads the leaf mesh and texture and makes the leaves.
  explicit DS_3D_in_2D_array(DS_3D_in_2D_array_Constructor* copy);
  ~DS_3D_in_2D_array() override;

  void Render(DS_ABRender* renderer) override;
  void DrawMarkers(DS_ABRender*, int) override {}
  void Update(double t) override;
  void OnScreenResize() override {}
  // The leaf texture decoded from the item's own record (the device's cache of a module record too).
  void ReleasePictures() override;
  void RemakePictures() override;

  // Adds leaves at the back or removes them from the front until there are as many as the item says.
  void SyncInstances();
  void AddLeafFrame();

  TexturedMesh<DX_V::PNT> node;          // the leaf mesh; its children are the leaves, owned
  DS_3D_in_2D_array_Constructor* leaves;  // the same copy as the base's item

 private:
  bool pictureReleased_ = false;
};

// The texture and mesh of the item's records into node.
void LoadLeafMesh(TexturedMesh<DX_V::PNT>& node, const DocResourceRecord& mesh, const DocResourceRecord& texture);

void RegisterLeavesReader();

// Butterflies: instances of a body mesh and two flapping wing meshes that fly inside the item's view
// rectangle, bank into turns, pitch up when slow, glide and climb. Each instance is a root frame animated
// by AC_Butterfly with two wing frames animated by AC_ButterflyWing. Distances are picture pixels (y down),
// angles degrees, times seconds of the item's own clock.
#pragma once

#include "objects3d/object_array.h"
#include "scene/scaled_params.h"

class DS_ButterflyConstructor : public DS_3D_Obj_Ctrl {
 public:
  static const DWORD kVersion = 2;

  DS_ImageFileLink bodyTexture;
  DS_MeshFile bodyMesh;
  // Stored with the item; the flight does not use them.
  UINTSclaleTo<float> param1, param2;
  float wingScale = 1.0f;

  // Body texture 6 and body mesh 68, wing mesh 69 of the resource module; no wing texture; size 100 (%).
  DS_ButterflyConstructor();
  DS_ButterflyConstructor(const DS_ButterflyConstructor& o);
  ~DS_ButterflyConstructor() override {}

  void Save(DS_IOF_Virtual** stream) override;
  static DS_ButterflyConstructor* CreateAndRead(DS_IOF_Virtual** stream, DWORD version);
  void ReadFields(DS_IOF_Virtual** stream, DWORD version);

  // Part 0: body, drawn once; part 1: the wings, blended from both sides.
  void BuildMeshParts(std::vector<MeshPart>& parts) override;
  // Part 1 draws at every wing frame, part 0 at every root.
  void AttachInstances(std::list<DS_Frame*>& instances, std::vector<MeshPart>& parts) override;
  DS_Frame* CreateFrameTree() override;
  DS_3D_Obj_Ctrl* Clone() const override { return new DS_ButterflyConstructor(*this); }
};

// A value that moves toward a target at a signed rate in units per second.
struct ApproachValue {
  float value;
  float target;
  float rate;

  // value += rate * dt, clamped at the target once it passes it in the rate's direction.
  void Step(float dt);
  // A non-zero rate replaces the stored one; the rate's sign points from the value to the target
  // (negative when they are equal).
  void SetTarget(float newTarget, float newRate);
};

class AC_ButterflyWing : public DS_AnimationBase {
 public:
  AC_ButterflyWing() { D3DXMatrixIdentity(&wing); }
  // world = local x wing; the frame's front-face flag from the butterfly.
  void Animate(DS_Frame* frame) override;

  D3DXMATRIX wing;
  bool frontFace = false;
};

class AC_Butterfly : public DS_AnimationBase {
 public:
  enum Mode { kFlapping = 0, kGliding = 1 };

  // Draws the start point in the item's rectangle, then the heading; makes both wing animations (the
  // wing frames take them over) and binds the item's size.
  explicit AC_Butterfly(DS_ButterflyConstructor* item);
  ~AC_Butterfly() override {}

  void Animate(DS_Frame* frame) override;
  void OnSizeChanged(UINT size);

  // The pieces of one step, in the order Animate runs them.
  void Flap(float dt);
  void SetWings();
  void BounceAtEdges(float pictureWidth, float pictureHeight);
  void ChangeMode();
  void Decide(double t);

  DS_ButterflyConstructor* item;  // not owned
  AC_ButterflyWing* wingA;       // owned by the wing frames
  AC_ButterflyWing* wingB;
  float flapAngle = 0.0f;
  float flapSpeed = 100.0f;
  float upperLimit = 55.0f;
  float lowerLimit = -55.0f;
  D3DXVECTOR3 position;
  ApproachValue vertical;  // positive: downward
  ApproachValue heading;
  ApproachValue bank;
  ApproachValue forward;
  D3DXMATRIX tilt;
  D3DXMATRIX mirror;
  D3DXMATRIX sizeMatrix;
  int currentMode = kFlapping;
  int requestedMode = kFlapping;
  double lastDecision = 0.0;  // item clock

 private:
  ListenerHolder holder_;
};

void RegisterButterflyReader();

// Transform nodes: a world and a local matrix, a bounding sphere, an owned frame animation, a front-face
// flag and child nodes. Row-vector matrices: a node's world is its animation's (or local) matrix times its
// parent's world.
#pragma once

#include <vector>

#include "platform/types.h"

class DS_Frame;

// Base of the frame animations; owned by the frame it animates and deleted with it.
class DS_AnimationBase {
 public:
  virtual ~DS_AnimationBase() {}
  // Writes the frame's complete world matrix, before the parent is applied.
  virtual void Animate(DS_Frame* frame) = 0;
  virtual void SetValue(float v) { value = v; }

  float value = 0;
};

class DS_Frame {
 public:
  DS_Frame();
  ~DS_Frame();
  // Copies share the child pointers. A frame that carries an animation is never copied: the copy gets no
  // animation, since the animation has exactly one owner.
  DS_Frame(const DS_Frame& other);
  DS_Frame& operator=(const DS_Frame& other);

  // world = (animation result or local) x parent, then every child in list order with this world.
  void UpdateTransform(const D3DXMATRIX* parent);
  // Deletes the direct children, then the animation and the child list; the frame's own memory is its
  // owner's.
  void DestroyWithChildren();
  // Takes ownership of an animation, deleting the one held before.
  void SetAnimation(DS_AnimationBase* a);

  float radius;
  float centerX, centerY, centerZ;
  D3DXMATRIX world;
  D3DXMATRIX local;
  DS_AnimationBase* animation;
  int frontFace;  // 1: normal winding, 0: mirrored geometry
  std::vector<DS_Frame*> children;  // not owned
};

// Destroys and frees every non-null frame of the range.
void DeleteFrames(DS_Frame** first, DS_Frame** last);

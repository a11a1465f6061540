// One sprite particle, in picture pixels with y down; placed and moved by its particle item, drawn by the
// particle geometry as one textured, coloured quad.
#pragma once

#include "platform/types.h"

class DS_BaseSpriteProp;
class DS_ViewObjCtrl;

struct Particle {
  D3DXVECTOR3 bounce;    // extra velocity of the flowing items
  D3DXVECTOR3 velocity;  // picture pixels per second of item clock
  D3DXVECTOR3 centre;
  float sizeFactor;
  D3DXMATRIX rotationStep;  // per-frame turn of the axes, for items that turn their particles
  float vRange[2];          // v of the top edge, of the bottom edge
  float uRange[2];          // u of the left edge, of the right edge
  float halfWidth, halfHeight;  // signed: negative mirrors the quad along that axis
  float aspect;                 // height / width of one sprite frame
  D3DXVECTOR3 axisX, axisY;     // unit directions of the sprite's width and height
  float phase;                  // pulse value that scales the alpha
  double lastChangeTime;        // item-clock seconds of the last random change
  D3DCOLOR color;
  float phaseRate;  // signed change of the phase per item second

  // Centre (100, 100, 0), unit axes, full texture ranges, phase 1, everything else 0.
  Particle();

  // A new particle of item: aspect of the item's sprite image (of one sheet frame when animated), unit
  // axes, centre (100, 100, 0), a random size factor in the item's range, half sizes, full texture ranges.
  void Init(const DS_BaseSpriteProp& item);
  // s = size factor x size / 2: wide sprites (aspect < 1) get half width s, tall ones half height s.
  void SetHalfSize(UINT size);
  // The item's colour (a COLORREF) as ARGB, with its alpha byte scaled by the phase.
  void UpdateColor(const DS_BaseSpriteProp& item);

  // centre - halfWidth * axisX - halfHeight * axisY: the corner the quad is built from.
  D3DXVECTOR3 GetCorner() const;

  // Against the item's view rectangle in picture pixels, all strict. Wholly outside: with the absolute
  // half sizes. Crossing an edge: with the signed ones, so a mirrored sprite crosses with its other side.
  bool IsLeftOfRect(const DS_ViewObjCtrl& item) const;
  bool IsRightOfRect(const DS_ViewObjCtrl& item) const;
  bool IsAboveRect(const DS_ViewObjCtrl& item) const;
  bool IsBelowRect(const DS_ViewObjCtrl& item) const;
  bool CrossesLeftEdge(const DS_ViewObjCtrl& item) const;
  bool CrossesRightEdge(const DS_ViewObjCtrl& item) const;
  bool CrossesTopEdge(const DS_ViewObjCtrl& item) const;
  bool CrossesBottomEdge(const DS_ViewObjCtrl& item) const;

  // phase += item step * phaseRate; below the item's minimum the particle is placed anew (when rebirth is
  // set) and restarts at the minimum with the rate turned; above the maximum it stops there and turns.
  void AdvancePhase(DS_BaseSpriteProp& item, bool rebirth);
};

// range[0] + rand() / 32767 x (range[1] - range[0]).
float RandomFromRange(const float range[2]);

// Opaque draws without blending: the picture and the black bars are drawn with whatever blend the
// last drawing left on, and blending reads the target back for every pixel. Where the source pixels
// come out opaque and the blend in force keeps an opaque source pixel exactly as it is, the draw is
// made with blending off instead: the same pixels for less work.
// Likewise a draw whose vertices are all wholly transparent may be left out where the blend in force
// leaves the target under it exactly as it is.
#pragma once

#include "platform/d3d9_types.h"
#include "platform/types.h"

// The device state that decides what an opaque draw's pixels would be blended to.
struct OpaqueDrawState {
  DWORD blendEnabled = FALSE;
  DWORD srcBlend = D3DBLEND_ONE;
  DWORD destBlend = D3DBLEND_ZERO;
  DWORD blendOp = D3DBLENDOP_ADD;
  DWORD separateAlphaBlend = FALSE;
  bool pixelShader = false;  // a pixel shader makes the alpha, not the stages
  // Stage 0's colour operation (with none the diffuse colour is drawn as it is), its alpha operation
  // and arguments, and stage 1's colour operation (whether later stages run).
  DWORD colorOp = D3DTOP_MODULATE;
  DWORD alphaOp = D3DTOP_SELECTARG1;
  DWORD alphaArg1 = D3DTA_TEXTURE;
  DWORD alphaArg2 = D3DTA_CURRENT;
  DWORD nextColorOp = D3DTOP_DISABLE;
  // Stage 0's texture reads as alpha 1 everywhere: it has no alpha channel and is not sampled from a
  // border colour.
  bool textureOpaque = false;
  // The caller's word that every vertex's diffuse alpha is 1 (a diffuse argument counts only then).
  bool diffuseOpaque = false;
};

// Whether a texture of this format reads as alpha 1.
bool FormatHasNoAlpha(D3DFORMAT format);

// Whether the source alpha of every pixel of the draw is 1.
bool SourceIsOpaque(const OpaqueDrawState& s);

// Whether the draw gives the same pixels with blending off: blending is off already, or the source is
// opaque and the blend keeps an opaque source as it is (source factor one or source alpha, destination
// factor zero or inverse source alpha, added).
bool BlendKeepsOpaqueSource(const OpaqueDrawState& s);

// Whether a draw whose diffuse alpha is 0 at every vertex leaves the target exactly as it is: blended,
// the source weighed by its alpha (or not at all) and added to the whole target, its alpha the diffuse
// alpha alone or times another argument, so 0.
bool BlendHidesClearDiffuse(const OpaqueDrawState& s);

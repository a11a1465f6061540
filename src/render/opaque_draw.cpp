#include "render/opaque_draw.h"

namespace {

// What is known of an alpha value: 0, 1, or nothing.
enum class Alpha { Zero, One, Unknown };

// One alpha argument of stage 0. At stage 0 the current value is the diffuse colour.
Alpha ArgumentAlpha(DWORD arg, const OpaqueDrawState& s, Alpha diffuse) {
  switch (arg) {
    case D3DTA_TEXTURE:
      return s.textureOpaque ? Alpha::One : Alpha::Unknown;
    case D3DTA_DIFFUSE:
    case D3DTA_CURRENT:
      return diffuse;
    default:  // other sources, or a modifier such as the complement
      return Alpha::Unknown;
  }
}

// The alpha of every pixel of the draw as the stages make it, the diffuse alpha being `diffuse`.
Alpha SourceAlpha(const OpaqueDrawState& s, Alpha diffuse) {
  if (s.pixelShader) return Alpha::Unknown;
  if (s.colorOp == D3DTOP_DISABLE) return diffuse;  // no stage: the diffuse colour as it is
  if (s.nextColorOp != D3DTOP_DISABLE) return Alpha::Unknown;
  const Alpha a1 = ArgumentAlpha(s.alphaArg1, s, diffuse), a2 = ArgumentAlpha(s.alphaArg2, s, diffuse);
  switch (s.alphaOp) {
    case D3DTOP_SELECTARG1:
      return a1;
    case D3DTOP_SELECTARG2:
      return a2;
    case D3DTOP_MODULATE:
      if (a1 == Alpha::One && a2 == Alpha::One) return Alpha::One;
      return a1 == Alpha::Zero || a2 == Alpha::Zero ? Alpha::Zero : Alpha::Unknown;
    case D3DTOP_MODULATE2X:
    case D3DTOP_MODULATE4X:
      return a1 == Alpha::Zero || a2 == Alpha::Zero ? Alpha::Zero : Alpha::Unknown;
    default:
      return Alpha::Unknown;
  }
}

}  // namespace

bool FormatHasNoAlpha(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_X8B8G8R8:
    case D3DFMT_L8:
      return true;
    default:
      return false;
  }
}

bool SourceIsOpaque(const OpaqueDrawState& s) {
  return SourceAlpha(s, s.diffuseOpaque ? Alpha::One : Alpha::Unknown) == Alpha::One;
}

bool BlendKeepsOpaqueSource(const OpaqueDrawState& s) {
  if (!s.blendEnabled) return true;
  if (s.separateAlphaBlend || s.blendOp != D3DBLENDOP_ADD) return false;
  const bool sourceWhole = s.srcBlend == D3DBLEND_ONE || s.srcBlend == D3DBLEND_SRCALPHA;
  const bool targetGone = s.destBlend == D3DBLEND_ZERO || s.destBlend == D3DBLEND_INVSRCALPHA;
  return sourceWhole && targetGone && SourceIsOpaque(s);
}

bool BlendHidesClearDiffuse(const OpaqueDrawState& s) {
  if (!s.blendEnabled || s.separateAlphaBlend || s.blendOp != D3DBLENDOP_ADD) return false;
  const bool sourceByAlpha = s.srcBlend == D3DBLEND_SRCALPHA || s.srcBlend == D3DBLEND_ZERO;
  const bool targetWhole = s.destBlend == D3DBLEND_INVSRCALPHA || s.destBlend == D3DBLEND_ONE;
  // Both source alpha factors stand for source alpha over inverse source alpha.
  if (s.srcBlend != D3DBLEND_BOTHSRCALPHA && !(sourceByAlpha && targetWhole)) return false;
  return SourceAlpha(s, Alpha::Zero) == Alpha::Zero;
}

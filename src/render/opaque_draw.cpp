#include "render/opaque_draw.h"

namespace {

// Whether one alpha argument of stage 0 is 1. At stage 0 the current value is the diffuse colour.
bool ArgumentIsOpaque(DWORD arg, const OpaqueDrawState& s) {
  switch (arg) {
    case D3DTA_TEXTURE:
      return s.textureOpaque;
    case D3DTA_DIFFUSE:
    case D3DTA_CURRENT:
      return s.diffuseOpaque;
    default:  // other sources, or a modifier such as the complement
      return false;
  }
}

// Whether an alpha argument of stage 0 is the diffuse alpha as it is.
bool ArgumentIsDiffuse(DWORD arg) { return arg == D3DTA_DIFFUSE || arg == D3DTA_CURRENT; }

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
  if (s.pixelShader) return false;
  if (s.colorOp == D3DTOP_DISABLE) return s.diffuseOpaque;
  if (s.nextColorOp != D3DTOP_DISABLE) return false;
  switch (s.alphaOp) {
    case D3DTOP_SELECTARG1:
      return ArgumentIsOpaque(s.alphaArg1, s);
    case D3DTOP_SELECTARG2:
      return ArgumentIsOpaque(s.alphaArg2, s);
    case D3DTOP_MODULATE:
      return ArgumentIsOpaque(s.alphaArg1, s) && ArgumentIsOpaque(s.alphaArg2, s);
    default:
      return false;
  }
}

bool BlendKeepsOpaqueSource(const OpaqueDrawState& s) {
  if (!s.blendEnabled) return true;
  if (s.separateAlphaBlend || s.blendOp != D3DBLENDOP_ADD) return false;
  const bool sourceWhole = s.srcBlend == D3DBLEND_ONE || s.srcBlend == D3DBLEND_SRCALPHA;
  const bool targetGone = s.destBlend == D3DBLEND_ZERO || s.destBlend == D3DBLEND_INVSRCALPHA;
  return sourceWhole && targetGone && SourceIsOpaque(s);
}

bool BlendHidesClearDiffuse(const OpaqueDrawState& s) {
  if (!s.blendEnabled || s.separateAlphaBlend || s.blendOp != D3DBLENDOP_ADD || s.pixelShader) return false;
  const bool sourceByAlpha = s.srcBlend == D3DBLEND_SRCALPHA || s.srcBlend == D3DBLEND_ZERO;
  const bool targetWhole = s.destBlend == D3DBLEND_INVSRCALPHA || s.destBlend == D3DBLEND_ONE;
  // Both source alpha factors stand for source alpha over inverse source alpha.
  if (s.srcBlend != D3DBLEND_BOTHSRCALPHA && !(sourceByAlpha && targetWhole)) return false;
  if (s.colorOp == D3DTOP_DISABLE) return true;  // no stage: the diffuse colour as it is
  if (s.nextColorOp != D3DTOP_DISABLE) return false;
  switch (s.alphaOp) {
    case D3DTOP_SELECTARG1:
      return ArgumentIsDiffuse(s.alphaArg1);
    case D3DTOP_SELECTARG2:
      return ArgumentIsDiffuse(s.alphaArg2);
    case D3DTOP_MODULATE:
    case D3DTOP_MODULATE2X:
    case D3DTOP_MODULATE4X:
      return ArgumentIsDiffuse(s.alphaArg1) || ArgumentIsDiffuse(s.alphaArg2);
    default:
      return false;
  }
}

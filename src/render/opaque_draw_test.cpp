// When blending may be left off for an opaque draw: only where the blend in force would give the
// very pixels an unblended draw gives.
#include "render/opaque_draw.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The picture as the picture light draws it: an opaque texture's alpha selected, blended by its alpha.
OpaqueDrawState Picture() {
  OpaqueDrawState s;
  s.blendEnabled = TRUE;
  s.srcBlend = D3DBLEND_SRCALPHA;
  s.destBlend = D3DBLEND_INVSRCALPHA;
  s.textureOpaque = true;
  return s;
}

// The bars: the diffuse alpha selected, the vertices opaque black.
OpaqueDrawState Bars() {
  OpaqueDrawState s = Picture();
  s.textureOpaque = false;
  s.alphaArg1 = D3DTA_DIFFUSE;
  s.diffuseOpaque = true;
  return s;
}

// A table of device states and what a rule answers for each.
class RuleCases {
 public:
  void add(const char* what, const OpaqueDrawState& s, bool expected) { cases_.push_back({what, s, expected}); }
  void check(bool (*rule)(const OpaqueDrawState&)) const {
    for (const Case& c : cases_) EXPECT_EQ(c.expected, rule(c.state)) << c.what;
  }

 private:
  struct Case {
    const char* what;
    OpaqueDrawState state;
    bool expected;
  };
  std::vector<Case> cases_;
};

TEST(OpaqueDrawTest, BlendIsLeftOffOnlyWhereItKeepsAnOpaqueSourceAsItIs) {
  RuleCases cases;
  auto add = [&](const char* what, const OpaqueDrawState& s, bool keeps) { cases.add(what, s, keeps); };
  add("the picture, source alpha over inverse source alpha", Picture(), true);
  add("the bars", Bars(), true);
  OpaqueDrawState s = Picture();
  s.blendEnabled = FALSE;
  s.textureOpaque = false;
  add("blending off already, whatever the source", s, true);
  s = Picture();
  s.srcBlend = D3DBLEND_ONE;
  s.destBlend = D3DBLEND_ZERO;
  add("one and zero", s, true);
  s = Picture();
  s.destBlend = D3DBLEND_ONE;
  add("additive: the target shows through", s, false);
  s = Picture();
  s.srcBlend = D3DBLEND_DESTALPHA;
  add("a source factor other than one or its alpha", s, false);
  s = Picture();
  s.blendOp = D3DBLENDOP_MAX;
  add("the larger of source and target", s, false);
  s = Picture();
  s.separateAlphaBlend = TRUE;
  add("alpha blended apart", s, false);
  s = Picture();
  s.textureOpaque = false;
  add("a texture with alpha", s, false);
  s = Picture();
  s.alphaArg1 = D3DTA_TEXTURE | D3DTA_COMPLEMENT;
  add("the complement of the texture's alpha", s, false);
  s = Picture();
  s.alphaArg1 = D3DTA_DIFFUSE;
  add("diffuse alpha without the caller's word", s, false);
  s = Picture();
  s.alphaArg1 = D3DTA_TFACTOR;
  add("the texture factor's alpha", s, false);
  s = Picture();
  s.alphaOp = D3DTOP_MODULATE;
  s.alphaArg2 = D3DTA_DIFFUSE;
  add("texture times diffuse without the caller's word", s, false);
  s.diffuseOpaque = true;
  add("texture times an opaque diffuse", s, true);
  s = Picture();
  s.alphaOp = D3DTOP_SELECTARG2;
  s.alphaArg2 = D3DTA_CURRENT;
  add("the second argument, the diffuse at the first stage, without the word", s, false);
  s = Picture();
  s.alphaOp = D3DTOP_ADD;
  add("another alpha operation", s, false);
  s = Picture();
  s.nextColorOp = D3DTOP_MODULATE;
  add("a second stage that may change the alpha", s, false);
  s = Picture();
  s.pixelShader = true;
  add("a pixel shader", s, false);
  s = Picture();
  s.colorOp = D3DTOP_DISABLE;
  add("no stage: the diffuse colour, without the word", s, false);
  s = Bars();
  s.colorOp = D3DTOP_DISABLE;
  s.nextColorOp = D3DTOP_MODULATE;
  add("no stage: the diffuse colour, opaque", s, true);
  cases.check(BlendKeepsOpaqueSource);
}

// Glyph quads past the last glyph: alpha 0 in their vertices, the texture's alpha times the diffuse.
OpaqueDrawState ClearGlyphs() {
  OpaqueDrawState s = Picture();
  s.textureOpaque = false;
  s.alphaOp = D3DTOP_MODULATE;
  return s;
}

TEST(OpaqueDrawTest, ClearDiffuseIsLeftOutOnlyWhereTheBlendLeavesTheTargetAsItIs) {
  RuleCases cases;
  auto add = [&](const char* what, const OpaqueDrawState& s, bool hidden) { cases.add(what, s, hidden); };
  add("texture times diffuse, source alpha over inverse source alpha", ClearGlyphs(), true);
  OpaqueDrawState s = ClearGlyphs();
  s.srcBlend = D3DBLEND_BOTHSRCALPHA;
  s.destBlend = D3DBLEND_ZERO;  // stands for the inverse source alpha
  add("both source alpha factors", s, true);
  s = ClearGlyphs();
  s.destBlend = D3DBLEND_ONE;
  add("source alpha added to the target", s, true);
  s = ClearGlyphs();
  s.alphaOp = D3DTOP_SELECTARG2;
  add("the diffuse alpha selected (current at the first stage)", s, true);
  s = ClearGlyphs();
  s.alphaOp = D3DTOP_SELECTARG1;
  s.alphaArg1 = D3DTA_DIFFUSE;
  add("the diffuse alpha selected", s, true);
  s = ClearGlyphs();
  s.colorOp = D3DTOP_DISABLE;
  s.nextColorOp = D3DTOP_MODULATE;
  add("no stage: the diffuse colour", s, true);
  s = ClearGlyphs();
  s.blendEnabled = FALSE;
  add("blending off: drawn as it is", s, false);
  s = ClearGlyphs();
  s.srcBlend = D3DBLEND_ONE;
  add("additive: the colour is added whatever its alpha", s, false);
  s = ClearGlyphs();
  s.srcBlend = D3DBLEND_BOTHINVSRCALPHA;
  add("both inverse source alpha factors", s, false);
  s = ClearGlyphs();
  s.destBlend = D3DBLEND_ZERO;
  add("the target weighed by zero", s, false);
  s = ClearGlyphs();
  s.blendOp = D3DBLENDOP_MIN;
  add("the smaller of source and target", s, false);
  s = ClearGlyphs();
  s.blendOp = D3DBLENDOP_SUBTRACT;
  add("the target taken from the source", s, false);
  s = ClearGlyphs();
  s.separateAlphaBlend = TRUE;
  add("alpha blended apart", s, false);
  s = ClearGlyphs();
  s.alphaOp = D3DTOP_SELECTARG1;
  add("the texture's alpha selected", s, false);
  s = ClearGlyphs();
  s.alphaArg2 = D3DTA_DIFFUSE | D3DTA_COMPLEMENT;
  s.alphaArg1 = D3DTA_TFACTOR;
  add("the complement of the diffuse alpha", s, false);
  s = ClearGlyphs();
  s.alphaOp = D3DTOP_ADD;
  add("texture plus diffuse", s, false);
  s = ClearGlyphs();
  s.nextColorOp = D3DTOP_SELECTARG1;
  add("a second stage that may change the alpha", s, false);
  s = ClearGlyphs();
  s.pixelShader = true;
  add("a pixel shader", s, false);
  cases.check(BlendHidesClearDiffuse);
}

TEST(OpaqueDrawTest, FormatsWithoutAlphaReadAsOpaque) {
  for (D3DFORMAT f : {D3DFMT_X8R8G8B8, D3DFMT_R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_L8})
    EXPECT_TRUE(FormatHasNoAlpha(f)) << f;
  for (D3DFORMAT f : {D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5, D3DFMT_A8, D3DFMT_V8U8, D3DFMT_UNKNOWN})
    EXPECT_FALSE(FormatHasNoAlpha(f)) << f;
}

}  // namespace

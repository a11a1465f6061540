#include "lights/light_states.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Key = std::tuple<StateKind, DWORD, DWORD>;

std::string Text(const Key& k, DWORD value) {
  const char* kinds[] = {"rs", "tss", "samp"};
  std::string s = kinds[static_cast<int>(std::get<0>(k))];
  if (std::get<0>(k) != StateKind::Render) s += " " + std::to_string(std::get<1>(k));
  return s + " " + std::to_string(std::get<2>(k)) + "=" + std::to_string(value);
}

// What the entries leave, one line a state, in a fixed order.
std::vector<std::string> Leaves(const StateEntry* first, const StateEntry* last) {
  std::map<Key, DWORD> net;
  for (const StateEntry* e = first; e != last; ++e) net[Key(e->kind, e->slot, e->state)] = e->value;
  std::vector<std::string> out;
  for (const auto& kv : net) out.push_back(Text(kv.first, kv.second));
  return out;
}

const DWORD kTrue = TRUE, kFalse = FALSE;

// Each set against the states its draw is to leave, written from the draw's own description (the order
// within a set makes no difference to them). No set writes a state twice: a write that a later one undoes
// does nothing.
TEST(LightStates, EachSetLeavesTheStatesOfItsDraw) {
  struct Case {
    const StateSet& set;
    const char* name;
    std::vector<StateEntry> states;
  } cases[] = {
      // The picture light base: its reset, the fade quad, the icon layer.
      {kPictureBaseline,
       "picture baseline",
       {Rs(D3DRS_ZENABLE, kFalse), Rs(D3DRS_ZWRITEENABLE, kFalse), Rs(D3DRS_LIGHTING, kFalse),
        Samp(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR), Samp(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
        Samp(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR), Samp(0, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR),
        Tss(1, D3DTSS_TEXCOORDINDEX, 1), Tss(0, D3DTSS_TEXCOORDINDEX, 0), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
        Tss(0, D3DTSS_COLORARG2, D3DTA_CURRENT), Tss(1, D3DTSS_COLORARG1, D3DTA_TEXTURE),
        Tss(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE), Tss(0, D3DTSS_COLOROP, D3DTOP_MODULATE),
        Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), Tss(1, D3DTSS_COLOROP, D3DTOP_DISABLE),
        Rs(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), Rs(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA)}},
      {kDiffuseQuad,
       "diffuse quad",
       {Rs(D3DRS_ALPHABLENDENABLE, kTrue), Tss(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE),
        Tss(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE)}},
      {kTextureArguments,
       "texture arguments",
       {Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE), Tss(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE)}},
      {kBlendedQuad,
       "blended quad",
       {Rs(D3DRS_ALPHABLENDENABLE, kTrue), Rs(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
        Rs(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA), Rs(D3DRS_ZENABLE, kFalse), Tss(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE)}},
      {kTextureAlpha, "texture alpha", {Tss(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1)}},
      // The renderer operations.
      {kCopiedQuad,
       "copied quad",
       {Rs(D3DRS_ALPHABLENDENABLE, kFalse), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
        Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1)}},
      {kPulsingQuad,
       "pulsing quad",
       {Rs(D3DRS_ALPHABLENDENABLE, kTrue), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
        Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1)}},
      {kBlendOff, "blend off", {Rs(D3DRS_ALPHABLENDENABLE, kFalse)}},
      {kBlendOn, "blend on", {Rs(D3DRS_ALPHABLENDENABLE, kTrue)}},
      {kBlendedMesh, "blended mesh", {Rs(D3DRS_ALPHABLENDENABLE, kTrue)}},
      {kTwoSidedMesh,
       "two-sided mesh",
       {Rs(D3DRS_ALPHABLENDENABLE, kTrue), Tss(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1),
        Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1)}},
      {kCullCcw, "cull ccw", {Rs(D3DRS_CULLMODE, D3DCULL_CCW)}},
      {kCullCw, "cull cw", {Rs(D3DRS_CULLMODE, D3DCULL_CW)}},
      {kMeshDone, "mesh done", {Rs(D3DRS_CULLMODE, D3DCULL_NONE), Rs(D3DRS_ALPHABLENDENABLE, kFalse)}},
      {kBlendedSprites,
       "blended sprites",
       {Rs(D3DRS_CULLMODE, D3DCULL_NONE), Rs(D3DRS_ALPHABLENDENABLE, kTrue), Tss(0, D3DTSS_COLOROP, D3DTOP_MODULATE),
        Tss(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
        Tss(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE), Rs(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA)}},
      {kAdditiveBlend, "additive blend", {Rs(D3DRS_DESTBLEND, D3DBLEND_ONE)}},
      {kSecondSpriteTexture, "second sprite texture", {Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1)}},
      {kSpritesDone,
       "sprites done",
       {Rs(D3DRS_ALPHABLENDENABLE, kFalse), Rs(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
        Tss(0, D3DTSS_COLOROP, D3DTOP_MODULATE)}},
      {kScissorOn, "scissor on", {Rs(D3DRS_SCISSORTESTENABLE, kTrue)}},
      {kScissorOff, "scissor off", {Rs(D3DRS_SCISSORTESTENABLE, kFalse)}},
      // The flame.
      {kFlameBaseline,
       "flame baseline",
       {Rs(D3DRS_CULLMODE, D3DCULL_NONE), Rs(D3DRS_LIGHTING, kFalse), Tss(1, D3DTSS_TEXCOORDINDEX, 1),
        Tss(0, D3DTSS_TEXCOORDINDEX, 0), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
        Tss(0, D3DTSS_COLORARG2, D3DTA_CURRENT), Tss(1, D3DTSS_COLORARG1, D3DTA_TEXTURE),
        Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), Tss(1, D3DTSS_COLOROP, D3DTOP_DISABLE),
        Samp(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR), Samp(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
        Samp(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR), Samp(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
        Samp(2, D3DSAMP_MINFILTER, D3DTEXF_LINEAR), Samp(2, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
        Samp(3, D3DSAMP_MINFILTER, D3DTEXF_LINEAR), Samp(3, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
        Rs(D3DRS_ALPHABLENDENABLE, kTrue), Rs(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
        Rs(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA), Samp(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP),
        Samp(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP), Rs(D3DRS_ZENABLE, kFalse)}},
      {kFlameBars, "flame bars", {Rs(D3DRS_CULLMODE, D3DCULL_NONE)}},
      // The glass ball.
      {kGlassBallBaseline,
       "glass ball baseline",
       {Samp(1, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP), Samp(1, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP),
        Samp(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR), Samp(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
        Samp(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR), Samp(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
        Samp(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR), Tss(0, D3DTSS_BUMPENVMAT00, StateFloat(0.2f)),
        Tss(0, D3DTSS_BUMPENVMAT01, StateFloat(0.0f)), Tss(0, D3DTSS_BUMPENVMAT10, StateFloat(0.0f)),
        Tss(0, D3DTSS_BUMPENVMAT11, StateFloat(0.25f)), Tss(0, D3DTSS_BUMPENVLSCALE, StateFloat(1.0f)),
        Tss(0, D3DTSS_BUMPENVLOFFSET, StateFloat(0.0f)), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
        Tss(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1), Tss(1, D3DTSS_COLORARG1, D3DTA_TEXTURE),
        Tss(1, D3DTSS_COLORARG2, D3DTA_CURRENT), Tss(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE)}},
      {kLensCoordinates,
       "lens coordinates",
       {Tss(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2),
        Tss(1, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEPOSITION | 1)}},
      {kBumpMappedLens,
       "bump-mapped lens",
       {Tss(0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP), Tss(0, D3DTSS_COLORARG2, D3DTA_CURRENT),
        Tss(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE)}},
      {kLensOverlays,
       "lens overlays",
       {Rs(D3DRS_ALPHABLENDENABLE, kTrue), Rs(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
        Rs(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA), Tss(0, D3DTSS_COLOROP, D3DTOP_MODULATE),
        Tss(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE), Tss(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1)}},
      // The falling code.
      {kGlyphStages,
       "glyph stages",
       {Tss(0, D3DTSS_COLOROP, D3DTOP_MODULATE), Tss(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE)}},
      {kGlyphs, "glyphs", {Tss(0, D3DTSS_COLOROP, D3DTOP_MODULATE), Rs(D3DRS_ALPHABLENDENABLE, kTrue)}},
      {kAlphaModulate, "alpha modulate", {Tss(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE)}},
      // The underwater light's composed image, drawn as the picture is.
      {kComposedImage,
       "composed image",
       {Rs(D3DRS_ALPHABLENDENABLE, kFalse), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
        Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), Tss(1, D3DTSS_COLOROP, D3DTOP_DISABLE)}},
      // The lake: its reset is the baseline, the bump stages (with the matrix of the moment) and the unlit
      // modulation, in that order.
      {kLakeBaseline,
       "lake baseline",
       {Rs(D3DRS_ZENABLE, kFalse), Rs(D3DRS_ZWRITEENABLE, kFalse), Rs(D3DRS_CULLMODE, D3DCULL_NONE),
        Rs(D3DRS_LIGHTING, kFalse), Rs(D3DRS_AMBIENT, 0xFFFFFFFF), Rs(D3DRS_DITHERENABLE, kTrue),
        Rs(D3DRS_SPECULARENABLE, kFalse), Samp(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
        Samp(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR), Samp(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR),
        Samp(0, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR), Samp(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
        Samp(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR), Samp(1, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR),
        Samp(1, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR), Tss(1, D3DTSS_TEXCOORDINDEX, 1),
        Tss(0, D3DTSS_TEXCOORDINDEX, 0), Tss(1, D3DTSS_COLORARG1, D3DTA_TEXTURE), Rs(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
        Rs(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA)}},
      {kLakeBumpStages,
       "lake bump stages",
       {Samp(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP), Samp(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP),
        Tss(0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
        Tss(0, D3DTSS_COLORARG2, D3DTA_CURRENT), Tss(1, D3DTSS_COLORARG1, D3DTA_TEXTURE),
        Tss(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1), Tss(1, D3DTSS_TEXCOORDINDEX, 1)}},
      {kLakeUnlitModulate,
       "lake unlit modulate",
       {Rs(D3DRS_AMBIENT, 0xFFFFFFFF), Rs(D3DRS_DITHERENABLE, kTrue), Rs(D3DRS_SPECULARENABLE, kFalse),
        Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE), Tss(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE),
        Tss(0, D3DTSS_COLOROP, D3DTOP_MODULATE), Tss(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE)}},
      {kFirstStageAlone,
       "first stage alone",
       {Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), Tss(1, D3DTSS_COLOROP, D3DTOP_DISABLE)}},
      // The grey over the bump map's source takes colour and alpha from its vertices, not from the
      // source's texel at coordinates the grey quad does not have.
      {kGreyOverBumpSource,
       "grey over bump source",
       {Rs(D3DRS_ALPHABLENDENABLE, kTrue), Rs(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
        Rs(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA), Tss(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE),
        Tss(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE), Tss(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1)}},
      {kGreyOverBumpSourceDone,
       "grey over bump source done",
       {Rs(D3DRS_ALPHABLENDENABLE, kFalse), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
        Tss(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE), Tss(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1)}},
      // The water ring.
      {kWaterRingBaseline,
       "water ring baseline",
       {Rs(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), Rs(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
        Rs(D3DRS_LIGHTING, kFalse), Rs(D3DRS_SPECULARENABLE, kFalse), Rs(D3DRS_ZFUNC, D3DCMP_LESSEQUAL),
        Rs(D3DRS_CULLMODE, D3DCULL_NONE), Rs(D3DRS_SHADEMODE, D3DSHADE_GOURAUD),
        Tss(0, D3DTSS_COLOROP, D3DTOP_DISABLE), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
        Tss(0, D3DTSS_COLORARG2, D3DTA_CURRENT), Tss(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE),
        Tss(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE), Tss(0, D3DTSS_ALPHAARG2, D3DTA_CURRENT),
        Tss(0, D3DTSS_TEXCOORDINDEX, 0), Tss(1, D3DTSS_COLOROP, D3DTOP_DISABLE),
        Tss(1, D3DTSS_COLORARG1, D3DTA_TEXTURE), Tss(1, D3DTSS_COLORARG2, D3DTA_CURRENT),
        Tss(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE), Tss(1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
        Tss(1, D3DTSS_ALPHAARG2, D3DTA_CURRENT), Tss(1, D3DTSS_TEXCOORDINDEX, 0), Rs(D3DRS_ZENABLE, kFalse),
        Rs(D3DRS_LIGHTING, kTrue), Rs(D3DRS_SPECULARENABLE, kTrue), Samp(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
        Samp(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR), Samp(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR),
        Samp(0, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR)}},
      {kWaterTexture,
       "water texture",
       {Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
        Tss(0, D3DTSS_COLORARG2, D3DTA_CURRENT), Tss(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1),
        Tss(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE), Tss(0, D3DTSS_ALPHAARG2, D3DTA_CURRENT)}},
      {kPictureColours,
       "picture colours",
       {Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE)}},
      {kLightingOff, "lighting off", {Rs(D3DRS_LIGHTING, kFalse)}},
      {kLightingOn, "lighting on", {Rs(D3DRS_LIGHTING, kTrue)}},
      {kTextureColour, "texture colour", {Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1)}},
      {kUnblendedFlat, "unblended flat", {Rs(D3DRS_ZENABLE, kFalse), Rs(D3DRS_ALPHABLENDENABLE, kFalse)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_STREQ(c.set.name, c.name);
    EXPECT_EQ(Leaves(c.set.begin(), c.set.end()), Leaves(c.states.data(), c.states.data() + c.states.size()));
    EXPECT_EQ(Leaves(c.set.begin(), c.set.end()).size(), c.set.entries.size()) << "a state written twice";
  }
}

}  // namespace

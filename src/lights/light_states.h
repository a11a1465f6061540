// The named state sets of the picture lights' draws. Each is defined beside the draw that applies it;
// they are declared here so that one test holds every set against the states its draw is to leave.
#pragma once

#include "scene/render_state_set.h"

// The picture light base (light_2d.cpp, light_2d_render.cpp).
extern const StateSet kPictureBaseline;
extern const StateSet kDiffuseQuad;
extern const StateSet kTextureArguments;
extern const StateSet kBlendedQuad;
extern const StateSet kTextureAlpha;
extern const StateSet kCopiedQuad;
extern const StateSet kPulsingQuad;
extern const StateSet kBlendOff;
extern const StateSet kBlendedMesh;
extern const StateSet kTwoSidedMesh;
extern const StateSet kCullCcw;
extern const StateSet kCullCw;
extern const StateSet kMeshDone;
extern const StateSet kBlendedSprites;
extern const StateSet kAdditiveBlend;
extern const StateSet kSecondSpriteTexture;
extern const StateSet kSpritesDone;
extern const StateSet kBlendOn;

// The picture lights (each light's own file).
extern const StateSet kFlameBaseline;
extern const StateSet kFlameBars;
extern const StateSet kGlassBallBaseline;
extern const StateSet kLensCoordinates;
extern const StateSet kBumpMappedLens;
extern const StateSet kLensOverlays;
extern const StateSet kGlyphStages;
extern const StateSet kGlyphs;
extern const StateSet kAlphaModulate;
extern const StateSet kComposedImage;
extern const StateSet kLakeBaseline;
extern const StateSet kLakeUnlitModulate;
extern const StateSet kLakeBumpStages;
extern const StateSet kFirstStageAlone;
extern const StateSet kGreyOverBumpSource;
extern const StateSet kGreyOverBumpSourceDone;
extern const StateSet kWaterRingBaseline;
extern const StateSet kWaterTexture;
extern const StateSet kPictureColours;
extern const StateSet kLightingOff;
extern const StateSet kLightingOn;
extern const StateSet kTextureColour;
extern const StateSet kUnblendedFlat;

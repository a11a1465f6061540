// Render state as data: a draw's fixed-function states are a named table of (stage or sampler, state,
// value) entries, declared beside the draw that uses it and applied in one call of the device layer
// (RenderDevice::ApplyStates). Entries apply in their order, so a later entry for the same state wins.
//
//   const StateSet kBlendedSprites = {"blended sprites", {Rs(D3DRS_ALPHABLENDENABLE, TRUE), ...}};
//   GetRenderDevice().ApplyStates(kBlendedSprites);
//
// A set whose values are known only at the draw (a bump matrix, a filter chosen in the settings) is built
// there the same way, as a temporary.
#pragma once

#include <cstddef>
#include <initializer_list>

#include "platform/d3d9_types.h"
#include "platform/types.h"

enum class StateKind : unsigned char { Render, Stage, Sampler };

struct StateEntry {
  StateKind kind;
  DWORD slot;   // the texture stage or the sampler; 0 for a render state
  DWORD state;  // a D3DRENDERSTATETYPE, D3DTEXTURESTAGESTATETYPE or D3DSAMPLERSTATETYPE
  DWORD value;
};

constexpr StateEntry Rs(D3DRENDERSTATETYPE state, DWORD value) {
  return StateEntry{StateKind::Render, 0, static_cast<DWORD>(state), value};
}
constexpr StateEntry Tss(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  return StateEntry{StateKind::Stage, stage, static_cast<DWORD>(type), value};
}
constexpr StateEntry Samp(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  return StateEntry{StateKind::Sampler, sampler, static_cast<DWORD>(type), value};
}

// The bits of a float, as bump-matrix and luminance states take it.
inline DWORD StateFloat(float f) {
  union {
    float f;
    DWORD d;
  } u;
  u.f = f;
  return u.d;
}

struct StateSet {
  const char* name;
  std::initializer_list<StateEntry> entries;

  const StateEntry* begin() const { return entries.begin(); }
  const StateEntry* end() const { return entries.end(); }
};

// Draws cut to the scissor rectangle (RenderDevice::SetScissorRect), and no longer.
extern const StateSet kScissorOn;
extern const StateSet kScissorOff;

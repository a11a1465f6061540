// A stand-in device for picture lights and renderer operations: records every call as a line of text and
// keeps the last value of every state, so that tests check the order of draws and the states they leave.
// Installs itself while it lives. Effect passes: each effect has as many passes as `passes` says. With a
// shared call log, every line also goes there, so that a recording effect's technique and parameter lines
// and the draws they are set for read in one list.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "render/light_device.h"
#include "support/fake_geometry.h"
#include "support/recording_effect.h"

namespace lumi_test {

class RecordingLightDevice : public LightDevice {
 public:
  RecordingLightDevice() { SetLightDevice(this); }
  ~RecordingLightDevice() override { SetLightDevice(nullptr); }

  void SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  void SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
  void SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
  void SetTexture(DWORD stage, IDirect3DTexture9* texture) override;
  void BindStream(IDirect3DVertexBuffer9* buffer, DWORD fvf, UINT stride) override;
  void SetIndices(IDirect3DIndexBuffer9* indices) override;
  void DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) override;
  void DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT vertices, UINT startIndex,
                            UINT count) override;
  void Clear(DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;
  UINT BeginEffect(ID3DXEffect* effect) override;
  void BeginPass(ID3DXEffect* effect, UINT pass) override;
  void EndPass(ID3DXEffect* effect) override;
  void EndEffect(ID3DXEffect* effect) override;
  bool CreateTargets(RenderTargetChain& chain, int width, int height) override;
  void BeginTargets(RenderTargetChain& chain, IDirect3DTexture9** target) override;
  IDirect3DTexture9** NextTarget(RenderTargetChain& chain) override;
  void EndTargets(RenderTargetChain& chain) override;
  void DrawBars(const LetterboxProjection& projection) override;
  IDirect3DTexture9* GetTextureById(int id) override;
  void MakeSquareCopy(int n, QuadRenderObject& quad, IDirect3DTexture9** source) override;
  bool ReadTexels(IDirect3DTexture9* picture, UINT size, const TexelReader& read) override;
  void SetDirectionalLight(const float direction[3], const float diffuse[4]) override;
  void SetSpecularMaterial(float level, float power) override;
  IDirect3DTexture9* CreateFilledTexture(UINT width, UINT height, D3DFORMAT format, bool mips,
                                         const TextureFill& fill) override;
  void SetTextureTransform(DWORD stage, const D3DXMATRIX& m) override;

  // Draw calls only ("draw" and "drawIndexed" lines), in order.
  std::vector<std::string> Draws() const;
  // Lines that start with prefix.
  std::vector<std::string> Lines(const std::string& prefix) const;
  void ClearLog() { log.clear(); }

  DWORD RenderState(D3DRENDERSTATETYPE s) const { return Find(renderStates, (DWORD)s); }
  DWORD StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE t) const { return Find(stageStates, stage * 100 + t); }
  DWORD SamplerState(DWORD sampler, D3DSAMPLERSTATETYPE t) const { return Find(samplerStates, sampler * 100 + t); }
  bool HasRenderState(D3DRENDERSTATETYPE s) const { return renderStates.count((DWORD)s) != 0; }

  std::vector<std::string> log;
  CallLog* shared = nullptr;
  std::map<DWORD, DWORD> renderStates, stageStates, samplerStates;
  IDirect3DTexture9* texture0 = nullptr;  // stage 0 texture now
  std::string target = "back";            // what draws land on: "back", or "rt0"/"rt1" of the pair
  UINT passes = 1;
  // The textures the pair hands out; CreateTargets puts them into the chain (no references taken).
  IDirect3DTexture9* pairTextures[2] = {nullptr, nullptr};
  bool targetsMade = true;  // whether CreateTargets succeeds
  std::map<int, IDirect3DTexture9*> exePictures;  // GetTextureById results (a reference added)
  int texelGrey = -1;  // the grey level of every texel ReadTexels hands out; below 0 it fails
  // Formats CreateFilledTexture refuses (the fill is then asked with the next format tried by the caller).
  std::vector<D3DFORMAT> refusedFormats;
  // What each made texture was filled with: its format, size and bytes (rows at width x texel size).
  struct Filled {
    D3DFORMAT format;
    UINT width, height;
    int pitch;
    std::vector<BYTE> bytes;
  };
  std::map<const IDirect3DTexture9*, Filled> filled;
  std::vector<std::unique_ptr<FakeTexture>> madeTextures;
  std::map<DWORD, D3DXMATRIX> textureTransforms;

 private:
  static DWORD Find(const std::map<DWORD, DWORD>& m, DWORD k) {
    auto it = m.find(k);
    return it == m.end() ? 0xFFFFFFFFu : it->second;
  }
  void Add(const std::string& line);
  std::string Name(const void* p) const;

 public:
  // Names for pointers in the log ("tex:picture" rather than an address).
  std::map<const void*, std::string> names;
};

}  // namespace lumi_test

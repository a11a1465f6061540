#include "support/recording_light_device.h"

#include <cstdio>

#include "render/projection.h"
#include "render/render_target_chain.h"

namespace lumi_test {

namespace {
std::string Num(unsigned long long v) { return std::to_string(v); }
}  // namespace

void RecordingLightDevice::Add(const std::string& line) {
  log.push_back(line);
  if (shared) shared->Add(line);
}

std::string RecordingLightDevice::Name(const void* p) const {
  if (!p) return "null";
  auto it = names.find(p);
  if (it != names.end()) return it->second;
  if (shared && shared->names.count(p)) return shared->names.at(p);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%p", p);
  return buf;
}

void RecordingLightDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  renderStates[(DWORD)state] = value;
  Add("rs " + Num(state) + "=" + Num(value));
}
void RecordingLightDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  stageStates[stage * 100 + type] = value;
  Add("tss " + Num(stage) + " " + Num(type) + "=" + Num(value));
}
void RecordingLightDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  samplerStates[sampler * 100 + type] = value;
  Add("samp " + Num(sampler) + " " + Num(type) + "=" + Num(value));
}
void RecordingLightDevice::SetTexture(DWORD stage, IDirect3DTexture9* texture) {
  if (stage == 0) texture0 = texture;
  Add("tex " + Num(stage) + " " + Name(texture));
}
void RecordingLightDevice::BindStream(IDirect3DVertexBuffer9* buffer, DWORD fvf, UINT stride) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "stream 0x%03x %u ", (unsigned)fvf, (unsigned)stride);
  Add(buf + Name(buffer));
}
void RecordingLightDevice::SetIndices(IDirect3DIndexBuffer9* indices) { Add("indices " + Name(indices)); }
void RecordingLightDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) {
  Add("draw " + Num(type) + " " + Num(start) + " " + Num(count) + " on " + target + " tex " + Name(texture0) +
      " cull " + Num(Find(renderStates, D3DRS_CULLMODE)));
}
void RecordingLightDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT vertices,
                                                UINT startIndex, UINT count) {
  Add("drawIndexed " + Num(type) + " " + std::to_string(baseVertex) + " " + Num(minIndex) + " " + Num(vertices) + " " +
      Num(startIndex) + " " + Num(count) + " on " + target + " tex " + Name(texture0) + " cull " +
      Num(Find(renderStates, D3DRS_CULLMODE)) + " dest " + Num(Find(renderStates, D3DRS_DESTBLEND)));
}
void RecordingLightDevice::Clear(DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "clear %u 0x%08x on ", (unsigned)flags, (unsigned)color);
  Add(buf + target);
}
UINT RecordingLightDevice::BeginEffect(ID3DXEffect* effect) {
  Add("fx begin " + Name(effect));
  return passes;
}
void RecordingLightDevice::BeginPass(ID3DXEffect* effect, UINT pass) { Add("fx pass " + Num(pass)); }
void RecordingLightDevice::EndPass(ID3DXEffect* effect) { Add("fx endpass"); }
void RecordingLightDevice::EndEffect(ID3DXEffect* effect) { Add("fx end"); }

bool RecordingLightDevice::CreateTargets(RenderTargetChain& chain, int width, int height) {
  Add("targets " + std::to_string(width) + "x" + std::to_string(height));
  chain.ReleaseTextures();
  chain.width = width;
  chain.height = height;
  if (!targetsMade) return false;
  for (int i = 0; i < 2; ++i) {
    chain.textures[i] = pairTextures[i];
    if (pairTextures[i]) pairTextures[i]->AddRef();
  }
  chain.current = chain.textures[chain.index];
  if (chain.current) chain.current->AddRef();
  return chain.current != nullptr;
}
void RecordingLightDevice::BeginTargets(RenderTargetChain& chain, IDirect3DTexture9** t) {
  Add("targets begin " + Name(t ? *t : nullptr));
  if (t && *t) target = "rt" + Num(chain.index);
}
IDirect3DTexture9** RecordingLightDevice::NextTarget(RenderTargetChain& chain) {
  Add("targets next");
  if (!chain.textures[0] || !chain.textures[1]) return &chain.textures[1 - chain.index];
  chain.index = 1 - chain.index;
  IDirect3DTexture9* next = chain.textures[chain.index];
  next->AddRef();
  if (chain.current) chain.current->Release();
  chain.current = next;
  target = "rt" + Num(chain.index);
  return &chain.textures[1 - chain.index];
}
void RecordingLightDevice::EndTargets(RenderTargetChain& chain) {
  Add("targets end");
  target = "back";
}
void RecordingLightDevice::DrawBars(const LetterboxProjection& projection) {
  Add("bars mode " + std::to_string(projection.mode));
}
IDirect3DTexture9* RecordingLightDevice::GetTextureById(int id) {
  Add("exe picture " + std::to_string(id));
  auto it = exePictures.find(id);
  if (it == exePictures.end() || !it->second) return nullptr;
  it->second->AddRef();
  return it->second;
}

std::vector<std::string> RecordingLightDevice::Draws() const {
  std::vector<std::string> out;
  for (const std::string& l : log)
    if (l.rfind("draw", 0) == 0) out.push_back(l);
  return out;
}

std::vector<std::string> RecordingLightDevice::Lines(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& l : log)
    if (l.rfind(prefix, 0) == 0) out.push_back(l);
  return out;
}

void RecordingLightDevice::MakeSquareCopy(int n, QuadRenderObject&, IDirect3DTexture9** source) {
  Add("squareCopy " + std::to_string(n) + " " + Name(source ? *source : nullptr));
}
bool RecordingLightDevice::ReadTexels(IDirect3DTexture9* picture, UINT size, const TexelReader& read) {
  Add("texels " + Name(picture) + " " + Num(size));
  if (texelGrey < 0) return false;
  const int pitch = static_cast<int>(size) * 4 + 16;
  std::vector<BYTE> bits(static_cast<size_t>(pitch) * size, static_cast<BYTE>(texelGrey));
  read(bits.data(), pitch);
  return true;
}
void RecordingLightDevice::SetDirectionalLight(const float direction[3], const float diffuse[4]) {
  char buf[192];
  std::snprintf(buf, sizeof buf, "light0 dir %g %g %g diffuse %g %g %g %g", direction[0], direction[1], direction[2],
                diffuse[0], diffuse[1], diffuse[2], diffuse[3]);
  Add(buf);
}
void RecordingLightDevice::SetSpecularMaterial(float level, float power) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "material specular %g power %g", level, power);
  Add(buf);
}

IDirect3DTexture9* RecordingLightDevice::CreateFilledTexture(UINT width, UINT height, D3DFORMAT format, bool mips,
                                                         const TextureFill& fill) {
  Add("createTexture " + Num(width) + "x" + Num(height) + " format " + Num(format) + (mips ? " mips" : ""));
  for (D3DFORMAT f : refusedFormats)
    if (f == format) return nullptr;
  const int texel = format == D3DFMT_A8 ? 1 : (format == D3DFMT_V8U8 ? 2 : 4);
  Filled out = {format, width, height, static_cast<int>(width) * texel + 8, {}};
  out.bytes.assign(static_cast<size_t>(out.pitch) * height, 0);
  if (!fill(out.bytes.data(), out.pitch, format)) return nullptr;
  madeTextures.emplace_back(new FakeTexture);
  FakeTexture* t = madeTextures.back().get();
  filled[t] = std::move(out);
  return t;
}
void RecordingLightDevice::SetTextureTransform(DWORD stage, const D3DXMATRIX& m) {
  textureTransforms[stage] = m;
  Add("textureTransform " + Num(stage));
}

}  // namespace lumi_test

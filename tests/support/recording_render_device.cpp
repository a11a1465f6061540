#include "support/recording_render_device.h"

#include <algorithm>
#include <cstdio>

#include "render/projection.h"
#include "render/render_target_chain.h"

namespace lumi_test {

namespace {
std::string Num(unsigned long long v) { return std::to_string(v); }

std::string AsText(const BYTE* data, INT size) {
  return data && size > 0 ? std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(size)) : std::string();
}

RecordingRenderDevice::DocTexture* AsFake(const IDirect3DTexture9* t) {
  return static_cast<RecordingRenderDevice::DocTexture*>(
      reinterpret_cast<IUnknown*>(const_cast<IDirect3DTexture9*>(t)));
}

RecordingRenderDevice::DocEffect* AsFake(const ID3DXEffect* e) {
  return reinterpret_cast<RecordingRenderDevice::DocEffect*>(const_cast<ID3DXEffect*>(e));
}
}  // namespace

RecordingRenderDevice::~RecordingRenderDevice() { SetRenderDevice(before_); }

HRESULT RecordingRenderDevice::CreateVertexBuffer(UINT bytes, DWORD usage, DWORD fvf, D3DPOOL pool,
                                                 IDirect3DVertexBuffer9** out) {
  if (failVertexBuffers) return E_OUTOFMEMORY;
  vertexBuffers.emplace_back(new FakeVertexBuffer(bytes, usage, fvf, pool));
  *out = vertexBuffers.back().get();
  return S_OK;
}

HRESULT RecordingRenderDevice::CreateIndexBuffer(UINT bytes, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                                IDirect3DIndexBuffer9** out) {
  if (failIndexBuffers) return E_OUTOFMEMORY;
  indexBuffers.emplace_back(new FakeIndexBuffer(bytes, usage, format, pool));
  *out = indexBuffers.back().get();
  return S_OK;
}

bool RecordingRenderDevice::AllReleased() const {
  for (const auto& b : vertexBuffers)
    if (b->refs != 0) return false;
  for (const auto& b : indexBuffers)
    if (b->refs != 0) return false;
  return true;
}

void RecordingRenderDevice::Add(const std::string& line) {
  log.push_back(line);
  if (shared) shared->Add(line);
}

std::string RecordingRenderDevice::Name(const void* p) const {
  if (!p) return "null";
  auto it = names.find(p);
  if (it != names.end()) return it->second;
  if (shared && shared->names.count(p)) return shared->names.at(p);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%p", p);
  return buf;
}

void RecordingRenderDevice::ApplyStates(const StateSet& set) {
  Add(std::string("states ") + set.name);
  for (const StateEntry& e : set) {
    switch (e.kind) {
      case StateKind::Render:
        renderStates[e.state] = e.value;
        if (expandStates) Add("rs " + Num(e.state) + "=" + Num(e.value));
        break;
      case StateKind::Stage:
        stageStates[e.slot * 100 + e.state] = e.value;
        if (expandStates) Add("tss " + Num(e.slot) + " " + Num(e.state) + "=" + Num(e.value));
        break;
      case StateKind::Sampler:
        samplerStates[e.slot * 100 + e.state] = e.value;
        if (expandStates) Add("samp " + Num(e.slot) + " " + Num(e.state) + "=" + Num(e.value));
        break;
    }
  }
}
void RecordingRenderDevice::SetTexture(DWORD stage, IDirect3DTexture9* texture) {
  if (stage == 0) texture0 = texture;
  Add("tex " + Num(stage) + " " + Name(texture));
}
void RecordingRenderDevice::BindStream(IDirect3DVertexBuffer9* buffer, DWORD fvf, UINT stride) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "stream 0x%03x %u ", (unsigned)fvf, (unsigned)stride);
  Add(buf + Name(buffer));
}
void RecordingRenderDevice::SetIndices(IDirect3DIndexBuffer9* indices) { Add("indices " + Name(indices)); }
void RecordingRenderDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) {
  Add("draw " + Num(type) + " " + Num(start) + " " + Num(count) + " on " + target + " tex " + Name(texture0) +
      " cull " + Num(Find(renderStates, D3DRS_CULLMODE)));
}
void RecordingRenderDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT vertices,
                                                UINT startIndex, UINT count) {
  Add("drawIndexed " + Num(type) + " " + std::to_string(baseVertex) + " " + Num(minIndex) + " " + Num(vertices) + " " +
      Num(startIndex) + " " + Num(count) + " on " + target + " tex " + Name(texture0) + " cull " +
      Num(Find(renderStates, D3DRS_CULLMODE)) + " dest " + Num(Find(renderStates, D3DRS_DESTBLEND)));
}
void RecordingRenderDevice::Clear(DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "clear %u 0x%08x on ", (unsigned)flags, (unsigned)color);
  Add(buf + target);
}
void RecordingRenderDevice::SetScissorRect(const RECT& rect) {
  Add("scissor " + std::to_string(rect.left) + " " + std::to_string(rect.top) + " " + std::to_string(rect.right) +
      " " + std::to_string(rect.bottom));
}
UINT RecordingRenderDevice::BeginEffect(ID3DXEffect* effect) {
  Add("fx begin " + Name(effect));
  return passes;
}
void RecordingRenderDevice::BeginPass(ID3DXEffect* effect, UINT pass) { Add("fx pass " + Num(pass)); }
void RecordingRenderDevice::EndPass(ID3DXEffect* effect) { Add("fx endpass"); }
void RecordingRenderDevice::EndEffect(ID3DXEffect* effect) { Add("fx end"); }

bool RecordingRenderDevice::CreateTargets(RenderTargetChain& chain, int width, int height) {
  Add("targets " + std::to_string(width) + "x" + std::to_string(height));
  chain.ReleaseTextures();
  chain.width = width;
  chain.height = height;
  if (!targetsMade) return false;
  for (int i = 0; i < 2; ++i) chain.textures[i].Share(pairTextures[i]);
  chain.current = chain.textures[chain.index];
  return chain.current != nullptr;
}
void RecordingRenderDevice::BeginTargets(RenderTargetChain& chain, IDirect3DTexture9** t) {
  Add("targets begin " + Name(t ? *t : nullptr));
  if (t && *t) target = "rt" + Num(chain.index);
}
IDirect3DTexture9** RecordingRenderDevice::NextTarget(RenderTargetChain& chain) {
  Add("targets next");
  if (!chain.textures[0] || !chain.textures[1]) return chain.textures[1 - chain.index].Slot();
  chain.index = 1 - chain.index;
  chain.current = chain.textures[chain.index];
  target = "rt" + Num(chain.index);
  return chain.textures[1 - chain.index].Slot();
}
void RecordingRenderDevice::EndTargets(RenderTargetChain& chain) {
  Add("targets end");
  target = "back";
}
void RecordingRenderDevice::DrawBars(const LetterboxProjection& projection) {
  Add("bars mode " + std::to_string(projection.mode));
}
IDirect3DTexture9* RecordingRenderDevice::GetTextureById(int id) {
  Add("exe picture " + std::to_string(id));
  auto it = exePictures.find(id);
  if (it == exePictures.end() || !it->second) return nullptr;
  it->second->AddRef();
  return it->second;
}

std::vector<std::string> RecordingRenderDevice::Draws() const {
  std::vector<std::string> out;
  for (const std::string& l : log)
    if (l.rfind("draw", 0) == 0) out.push_back(l);
  return out;
}

std::vector<std::string> RecordingRenderDevice::Lines(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& l : log)
    if (l.rfind(prefix, 0) == 0) out.push_back(l);
  return out;
}

void RecordingRenderDevice::MakeSquareCopy(int n, QuadRenderObject&, IDirect3DTexture9** source) {
  Add("squareCopy " + std::to_string(n) + " " + Name(source ? *source : nullptr));
}
bool RecordingRenderDevice::ReadTexels(IDirect3DTexture9* picture, UINT size, const TexelReader& read) {
  Add("texels " + Name(picture) + " " + Num(size));
  if (texelGrey < 0) return false;
  const int pitch = static_cast<int>(size) * 4 + 16;
  std::vector<BYTE> bits(static_cast<size_t>(pitch) * size, static_cast<BYTE>(texelGrey));
  read(bits.data(), pitch);
  return true;
}
void RecordingRenderDevice::SetDirectionalLight(const float direction[3], const float diffuse[4]) {
  char buf[192];
  std::snprintf(buf, sizeof buf, "light0 dir %g %g %g diffuse %g %g %g %g", direction[0], direction[1], direction[2],
                diffuse[0], diffuse[1], diffuse[2], diffuse[3]);
  Add(buf);
}
void RecordingRenderDevice::SetSpecularMaterial(float level, float power) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "material specular %g power %g", level, power);
  Add(buf);
}

IDirect3DTexture9* RecordingRenderDevice::CreateFilledTexture(UINT width, UINT height, D3DFORMAT format, bool mips,
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
bool RecordingRenderDevice::GetTextureSize(IDirect3DTexture9* texture, UINT* width, UINT* height) {
  auto sized = textureSizes.find(texture);
  if (sized != textureSizes.end()) {
    *width = sized->second.first;
    *height = sized->second.second;
    return true;
  }
  auto made = filled.find(texture);
  if (made == filled.end()) return false;
  *width = made->second.width;
  *height = made->second.height;
  return true;
}
bool RecordingRenderDevice::ReadTopLevel(IDirect3DTexture9* texture, const TexelReader& read) {
  Add("readTexels " + Name(texture));
  auto made = filled.find(texture);
  if (made == filled.end() || (made->second.format != D3DFMT_A8R8G8B8 && made->second.format != D3DFMT_X8R8G8B8))
    return false;
  read(made->second.bytes.data(), made->second.pitch);
  return true;
}
IDirect3DTexture9* RecordingRenderDevice::ConvertTexture(IDirect3DTexture9* source, UINT width, UINT height,
                                                         D3DFORMAT format) {
  Add("convert " + Name(source) + " " + Num(width) + "x" + Num(height) + " format " + Num(format));
  if (!source) return nullptr;
  madeTextures.emplace_back(new FakeTexture);
  names[madeTextures.back().get()] = "converted";
  textureSizes[madeTextures.back().get()] = {width, height};
  return madeTextures.back().get();
}
IDirect3DTexture9* RecordingRenderDevice::ComputeNormalMap(IDirect3DTexture9* heights, UINT width, UINT height,
                                                           float amplitude) {
  char buf[96];
  std::snprintf(buf, sizeof buf, " %ux%u amplitude %g", (unsigned)width, (unsigned)height, amplitude);
  Add("normalMap " + Name(heights) + buf);
  if (!heights) return nullptr;
  Filled out = {D3DFMT_A8R8G8B8, width, height, static_cast<int>(width) * 4, {}};
  if (normalTexels.size() == static_cast<size_t>(width) * height * 4) {
    out.bytes = normalTexels;
  } else {
    out.bytes.resize(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < out.bytes.size(); i += 4) {
      out.bytes[i] = 255;
      out.bytes[i + 1] = out.bytes[i + 2] = 128;
      out.bytes[i + 3] = 255;
    }
  }
  madeTextures.emplace_back(new FakeTexture);
  names[madeTextures.back().get()] = "normals";
  filled[madeTextures.back().get()] = std::move(out);
  return madeTextures.back().get();
}
IDirect3DTexture9* RecordingRenderDevice::CreateRenderTargetTexture(UINT width, UINT height) {
  Add("renderTargetTexture " + Num(width) + "x" + Num(height));
  madeTextures.emplace_back(new FakeTexture);
  names[madeTextures.back().get()] = "drawn";
  textureSizes[madeTextures.back().get()] = {width, height};
  return madeTextures.back().get();
}
void RecordingRenderDevice::BeginTextureTarget(IDirect3DTexture9* t) {
  Add("textureTarget " + Name(t));
  target = "texture";
}
void RecordingRenderDevice::EndTextureTarget() {
  Add("textureTarget end");
  target = "back";
}
bool RecordingRenderDevice::BeginScene() {
  Add(sceneBegins ? "beginScene" : "beginScene failed");
  return sceneBegins;
}
void RecordingRenderDevice::EndScene() { Add("endScene"); }
void RecordingRenderDevice::SetTextureTransform(DWORD stage, const D3DXMATRIX& m) {
  textureTransforms[stage] = m;
  Add("textureTransform " + Num(stage));
}

std::string RecordingRenderDevice::Text(const IDirect3DTexture9* t) { return t ? AsFake(t)->source : "(null)"; }
std::string RecordingRenderDevice::Text(const ID3DXEffect* e) { return e ? AsFake(e)->source : "(null)"; }
int RecordingRenderDevice::Refs(const IDirect3DTexture9* t) { return AsFake(t)->refs; }
int RecordingRenderDevice::Refs(const ID3DXEffect* e) { return AsFake(e)->refs; }

int RecordingRenderDevice::LiveTextures() const {
  return static_cast<int>(std::count_if(docTextures_.begin(), docTextures_.end(), [](const auto& t) { return t->refs != 0; }));
}

int RecordingRenderDevice::LiveEffects() const {
  return static_cast<int>(std::count_if(docEffects_.begin(), docEffects_.end(), [](const auto& e) { return e->refs != 0; }));
}

bool RecordingRenderDevice::AnyOverReleased() const {
  for (const auto& t : docTextures_)
    if (t->refs < 0) return true;
  for (const auto& e : docEffects_)
    if (e->refs < 0) return true;
  return false;
}

void RecordingRenderDevice::AttachDocument(const void* document) { documents.push_back(document); }

void RecordingRenderDevice::DetachDocument(const void* document) {
  documents.erase(std::remove(documents.begin(), documents.end(), document), documents.end());
  // As the document's texture cache goes with it.
  for (auto& cached : moduleCache_) cached.second.texture.Reset();
  moduleCache_.clear();
}

TextureInfo RecordingRenderDevice::MakeTexture(const std::string& source, UINT width, UINT height) {
  docTextures_.emplace_back(new DocTexture);
  docTextures_.back()->source = source;
  TextureInfo info;
  // The holder takes over the texture's first reference.
  info.texture.Adopt(reinterpret_cast<IDirect3DTexture9*>(static_cast<IUnknown*>(docTextures_.back().get())));
  info.width = width;
  info.height = height;
  info.aspect = width ? static_cast<float>(height) / static_cast<float>(width) : 1.0f;
  return info;
}

TextureInfo RecordingRenderDevice::GetTexture(const DocResourceRecord& record) {
  std::string text = AsText(record.blob.Data(), record.blob.Size());
  calls.push_back("texture " + text);
  if (text.size() >= 2) return MakeTexture(text, static_cast<BYTE>(text[0]), static_cast<BYTE>(text[1]));
  if (record.resourceId != 0) {
    std::string name(record.module.begin(), record.module.end());
    name += ":" + std::to_string(record.resourceId);
    // Cached, as the texture cache keeps a module's pictures.
    TextureInfo& cached = moduleCache_[name];
    if (!cached.texture) cached = MakeTexture(name, 8, 8);
    return cached;
  }
  return TextureInfo();
}

void RecordingRenderDevice::ReleaseTexture(const DocResourceRecord& record) {
  std::string name(record.module.begin(), record.module.end());
  name += ":" + std::to_string(record.resourceId);
  calls.push_back("release texture " + name);
  auto cached = moduleCache_.find(name);
  if (cached != moduleCache_.end()) cached->second.texture.Reset();
}

bool RecordingRenderDevice::GetImageSize(const DocResourceRecord& record, TextureInfo* out) {
  std::string text = AsText(record.blob.Data(), record.blob.Size());
  if (!tellSizes || text.size() < 2) return false;
  calls.push_back("size " + text);
  if (text[0] == '?')
    out->Assign(nullptr, 5, 5);
  else
    out->Assign(nullptr, static_cast<BYTE>(text[0]), static_cast<BYTE>(text[1]));
  return true;
}

TextureInfo RecordingRenderDevice::LoadTextureFromMemory(const BYTE* data, INT size) {
  std::string text = AsText(data, size);
  calls.push_back("memory texture " + text);
  if (text.size() < 2) return TextureInfo();
  return MakeTexture(text, static_cast<BYTE>(text[0]), static_cast<BYTE>(text[1]));
}

void RecordingRenderDevice::LoadMesh(const BYTE* data, INT size, int stride, MeshData* out) {
  std::string text = AsText(data, size);
  calls.push_back("mesh " + text + " stride " + std::to_string(stride));
  if (text.empty() || text[0] == '!') return;
  out->vertexCount = size;
  out->faceCount = size / 3;
}

ID3DXEffect* RecordingRenderDevice::CreateEffect(const BYTE* data, INT size) {
  std::string text = AsText(data, size);
  calls.push_back("effect " + text);
  if (text.empty() || text[0] == '!') return nullptr;
  docEffects_.emplace_back(new DocEffect);
  docEffects_.back()->source = text;
  return reinterpret_cast<ID3DXEffect*>(docEffects_.back().get());
}

void RecordingRenderDevice::AddRefEffect(ID3DXEffect* effect) { ++AsFake(effect)->refs; }
void RecordingRenderDevice::ReleaseEffect(ID3DXEffect* effect) { --AsFake(effect)->refs; }
void RecordingRenderDevice::EffectLostDevice(ID3DXEffect* effect) { calls.push_back("lost " + AsFake(effect)->source); }
void RecordingRenderDevice::EffectResetDevice(ID3DXEffect* effect) { calls.push_back("reset " + AsFake(effect)->source); }
void RecordingRenderDevice::UnbindEffectTextures(ID3DXEffect* effect) {
  calls.push_back("unbind " + AsFake(effect)->source);
}

bool RecordingRenderDevice::SaveTextureAsDds(IDirect3DTexture9* texture, std::vector<BYTE>* out) {
  calls.push_back("dds " + Text(texture));
  if (failDds) return false;
  std::string text = "DDS " + Text(texture);
  out->assign(text.begin(), text.end());
  return true;
}

IDirect3DTexture9* RecordingRenderDevice::ConvertMask(IDirect3DTexture9* texture, UINT side) {
  calls.push_back("mask " + Text(texture) + " " + std::to_string(side));
  if (texture) ++AsFake(texture)->refs;
  return texture;
}

}  // namespace lumi_test

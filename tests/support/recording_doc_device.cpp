#include "support/recording_doc_device.h"

#include <algorithm>

namespace {

std::string AsText(const BYTE* data, INT size) {
  return data && size > 0 ? std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(size)) : std::string();
}

RecordingDocDevice::Texture* AsFake(const IDirect3DTexture9* t) {
  return static_cast<RecordingDocDevice::Texture*>(
      reinterpret_cast<IUnknown*>(const_cast<IDirect3DTexture9*>(t)));
}

RecordingDocDevice::Effect* AsFake(const ID3DXEffect* e) {
  return reinterpret_cast<RecordingDocDevice::Effect*>(const_cast<ID3DXEffect*>(e));
}

}  // namespace

RecordingDocDevice::RecordingDocDevice() { SetDocResourceDevice(this); }

RecordingDocDevice::~RecordingDocDevice() { SetDocResourceDevice(nullptr); }

std::string RecordingDocDevice::Text(const IDirect3DTexture9* t) { return t ? AsFake(t)->source : "(null)"; }
std::string RecordingDocDevice::Text(const ID3DXEffect* e) { return e ? AsFake(e)->source : "(null)"; }
int RecordingDocDevice::Refs(const IDirect3DTexture9* t) { return AsFake(t)->refs; }
int RecordingDocDevice::Refs(const ID3DXEffect* e) { return AsFake(e)->refs; }

int RecordingDocDevice::LiveTextures() const {
  return static_cast<int>(std::count_if(textures_.begin(), textures_.end(), [](const auto& t) { return t->refs != 0; }));
}

int RecordingDocDevice::LiveEffects() const {
  return static_cast<int>(std::count_if(effects_.begin(), effects_.end(), [](const auto& e) { return e->refs != 0; }));
}

bool RecordingDocDevice::AnyOverReleased() const {
  for (const auto& t : textures_)
    if (t->refs < 0) return true;
  for (const auto& e : effects_)
    if (e->refs < 0) return true;
  return false;
}

void RecordingDocDevice::AttachDocument(const void* document) { documents.push_back(document); }

void RecordingDocDevice::DetachDocument(const void* document) {
  documents.erase(std::remove(documents.begin(), documents.end(), document), documents.end());
}

TextureInfo RecordingDocDevice::MakeTexture(const std::string& source, UINT width, UINT height) {
  textures_.emplace_back(new Texture);
  textures_.back()->source = source;
  TextureInfo info;
  info.texture = reinterpret_cast<IDirect3DTexture9*>(static_cast<IUnknown*>(textures_.back().get()));
  info.width = width;
  info.height = height;
  info.aspect = width ? static_cast<float>(height) / static_cast<float>(width) : 1.0f;
  return info;
}

TextureInfo RecordingDocDevice::GetTexture(const DocResourceRecord& record) {
  std::string text = AsText(record.blob.Data(), record.blob.Size());
  calls.push_back("texture " + text);
  if (text.size() >= 2) return MakeTexture(text, static_cast<BYTE>(text[0]), static_cast<BYTE>(text[1]));
  if (record.resourceId != 0) {
    std::string name(record.module.begin(), record.module.end());
    return MakeTexture(name + ":" + std::to_string(record.resourceId), 8, 8);
  }
  return TextureInfo();
}

bool RecordingDocDevice::GetImageSize(const DocResourceRecord& record, TextureInfo* out) {
  std::string text = AsText(record.blob.Data(), record.blob.Size());
  if (!tellSizes || text.size() < 2) return false;
  calls.push_back("size " + text);
  if (text[0] == '?')
    out->Assign(nullptr, 5, 5);
  else
    out->Assign(nullptr, static_cast<BYTE>(text[0]), static_cast<BYTE>(text[1]));
  return true;
}

TextureInfo RecordingDocDevice::LoadTextureFromMemory(const BYTE* data, INT size) {
  std::string text = AsText(data, size);
  calls.push_back("memory texture " + text);
  if (text.size() < 2) return TextureInfo();
  return MakeTexture(text, static_cast<BYTE>(text[0]), static_cast<BYTE>(text[1]));
}

void RecordingDocDevice::LoadMesh(const BYTE* data, INT size, int stride, MeshData* out) {
  std::string text = AsText(data, size);
  calls.push_back("mesh " + text + " stride " + std::to_string(stride));
  if (text.empty() || text[0] == '!') return;
  out->vertexCount = size;
  out->faceCount = size / 3;
}

ID3DXEffect* RecordingDocDevice::CreateEffect(const BYTE* data, INT size) {
  std::string text = AsText(data, size);
  calls.push_back("effect " + text);
  if (text.empty() || text[0] == '!') return nullptr;
  effects_.emplace_back(new Effect);
  effects_.back()->source = text;
  return reinterpret_cast<ID3DXEffect*>(effects_.back().get());
}

void RecordingDocDevice::AddRefEffect(ID3DXEffect* effect) { ++AsFake(effect)->refs; }
void RecordingDocDevice::ReleaseEffect(ID3DXEffect* effect) { --AsFake(effect)->refs; }
void RecordingDocDevice::EffectLostDevice(ID3DXEffect* effect) { calls.push_back("lost " + AsFake(effect)->source); }
void RecordingDocDevice::EffectResetDevice(ID3DXEffect* effect) { calls.push_back("reset " + AsFake(effect)->source); }

bool RecordingDocDevice::SaveTextureAsDds(IDirect3DTexture9* texture, std::vector<BYTE>* out) {
  calls.push_back("dds " + Text(texture));
  if (failDds) return false;
  std::string text = "DDS " + Text(texture);
  out->assign(text.begin(), text.end());
  return true;
}

IDirect3DTexture9* RecordingDocDevice::ConvertMask(IDirect3DTexture9* texture, UINT side) {
  calls.push_back("mask " + Text(texture) + " " + std::to_string(side));
  if (texture) ++AsFake(texture)->refs;
  return texture;
}

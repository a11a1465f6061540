#include "scene/doc_res_manager.h"

#include <memory>

#include "scene/file_link.h"
#include "scene/guid_text.h"
#include "scene/module_resources.h"
#include "scene/readers.h"

DS_DocResManager* g_DocResManager = nullptr;

namespace {

const char16_t kClassName[] = u"DS_DocResManager";
// The smallest stored record: id, empty module string, byte count, empty name.
const size_t kMinStoredRecord = 16;

DocFileKey ReadKey(DS_IOF_Virtual** s) {
  DocFileKey key;
  (*s)->ReadString(&key.name);
  (*s)->ReadInt64(&key.stamp);
  return key;
}

void WriteKey(DS_IOF_Virtual** s, const DocFileKey& key) {
  (*s)->WriteString(key.name);
  (*s)->WriteInt64(key.stamp);
}

// Dword n, then n keyed values; a key already present keeps its first value.
template <class V, class ReadValue>
void ReadKeyedMap(DS_IOF_Virtual** s, std::map<DocFileKey, V>* map, ReadValue readValue) {
  DWORD n = 0;
  (*s)->ReadDword(&n);
  for (DWORD i = 0; i < n; ++i) {
    DocFileKey key = ReadKey(s);
    V value;
    readValue(s, &value);
    map->emplace(std::move(key), std::move(value));
  }
}

template <class V, class WriteValue>
void WriteKeyedMap(DS_IOF_Virtual** s, const std::map<DocFileKey, V>& map, WriteValue writeValue) {
  (*s)->WriteDword(static_cast<DWORD>(map.size()));
  for (const auto& entry : map) {
    WriteKey(s, entry.first);
    writeValue(s, entry.second);
  }
}

// The resource id a module link names: the low 32 bits of its stamp.
INT ModuleResourceId(const DocFileKey& key) { return static_cast<INT>(static_cast<uint32_t>(key.stamp)); }

}  // namespace

// --- Stream forms -----------------------------------------------------------------------------------

void ReadRecordVector(DS_IOF_Virtual** s, DocRecordVector* out) {
  DWORD m = 0;
  (*s)->ReadDword(&m);
  // One record at a time: each read is bounded by the stream, so a stored count cannot allocate ahead.
  for (DWORD i = 0; i < m; ++i) {
    out->emplace_back();
    (*s)->ReadResourceRecord(&out->back());
  }
}

void WriteRecordVector(DS_IOF_Virtual** s, const DocRecordVector& v) {
  (*s)->WriteDword(static_cast<DWORD>(v.size()));
  for (const DocResourceRecord& r : v) (*s)->WriteResourceRecord(r);
}

void ReadFloatVector(DS_IOF_Virtual** s, std::vector<float>* out) {
  DWORD m = 0;
  (*s)->ReadDword(&m);
  for (DWORD i = 0; i < m; ++i) {
    float f = 0.0f;
    (*s)->ReadFloat(&f);
    out->push_back(f);
  }
}

void WriteFloatVector(DS_IOF_Virtual** s, const std::vector<float>& v) {
  (*s)->WriteDword(static_cast<DWORD>(v.size()));
  for (float f : v) (*s)->WriteFloat(f);
}

void ReadRecordVectorFromBuffer(DocRecordVector* out, ResourceBuffer* b) {
  DWORD n = ReadDwordFromBuffer(b);
  if (n > b->Remaining() / kMinStoredRecord) throw DocFormatError("record count beyond the end");
  DocRecordVector records;
  for (DWORD i = 0; i < n; ++i) {
    records.emplace_back();
    ReadResourceRecordFromBuffer(b, &records.back());
  }
  out->swap(records);
}

// --- Maps -------------------------------------------------------------------------------------------

void DocResourceMaps::SetGuidTexture(const DocGuidKey& key, IDirect3DTexture9* texture) {
  guidTextures[key].Share(texture);
}

// --- Manager ----------------------------------------------------------------------------------------

DS_DocResManager::DS_DocResManager() : maps_(new DocResourceMaps) { GetRenderDevice().AttachDocument(this); }

DS_DocResManager::~DS_DocResManager() {
  RenderDevice& device = GetRenderDevice();
  for (auto& e : maps_->effects)
    if (e.second) device.ReleaseEffect(e.second);
  maps_.reset();
  device.DetachDocument(this);
  if (g_DocResManager == this) g_DocResManager = nullptr;
}

DS_DocResManager* DS_DocResManager::CreateFromStream(DS_IOF_Virtual** stream) {
  DWORD version = ReadSectionHeader(stream);
  std::unique_ptr<DS_DocResManager> manager(new DS_DocResManager);
  manager->Read(stream, version);
  return manager.release();
}

bool DS_DocResManager::Read(DS_IOF_Virtual** s, DWORD version) {
  DocResourceMaps& m = *maps_;
  RenderDevice& device = GetRenderDevice();
  ReadKeyedMap(s, &m.savedImages, ReadRecordVector);
  ReadKeyedMap(s, &m.savedFrameTimes, ReadFloatVector);

  for (const auto& entry : m.savedImages) {
    const DocFileKey& key = entry.first;
    const DocRecordVector& records = entry.second;
    m.resourceData[key] = records;
    TextureSet& set = m.textureSets[key];
    set.ClearFrames();
    pendingImages_.erase(key);
    releasablePictures_.erase(key);
    modulePictures_.erase(key);
    // Sizes from the file headers when every frame tells its own; the frames are decoded on request.
    bool sized = !records.empty();
    TextureInfo size;
    for (const DocResourceRecord& r : records) {
      if (!sized) break;
      sized = device.GetImageSize(r, &size);
      if (sized) set.TakeSize(size);
    }
    if (sized) {
      pendingImages_[key] = records;
      releasablePictures_.insert(key);
    } else
      for (const DocResourceRecord& r : records) set.AddFrame(device.GetTexture(r));
    if (records.size() > 1) set.durations = m.savedFrameTimes[key];
  }
  m.savedImages.clear();
  if (version == 1) return true;

  ReadKeyedMap(s, &m.savedData, ReadRecordVector);
  for (const auto& entry : m.savedData) m.resourceData.emplace(entry.first, entry.second);
  if (version == 2) return true;

  DWORD n = 0;
  (*s)->ReadDword(&n);
  for (DWORD i = 0; i < n; ++i) {
    DocGuidKey key(NewGuid(), ds_string(), true);
    ReadGuid(s, &key.guid);
    (*s)->ReadString(&key.name);
    (*s)->ReadBool(&key.flag);
    DocNamedBlob blob;
    (*s)->ReadNamedBlob(&blob);
    m.savedGuidPictures.emplace(std::move(key), std::move(blob));
  }
  for (auto& entry : m.savedGuidPictures) {
    // A picture read again replaces what was decoded before, in the same cell.
    if (m.guidTextures.count(entry.first)) m.SetGuidTexture(entry.first, nullptr);
    pendingGuidPictures_[entry.first] = std::move(entry.second);
  }
  m.savedGuidPictures.clear();
  return true;
}

void DS_DocResManager::Save(DS_IOF_Virtual** stream) { SaveBase(stream); }

void DS_DocResManager::SaveBase(DS_IOF_Virtual** s) {
  DocResourceMaps& m = *maps_;
  WriteSectionHeader(s, kClassName, kVersion);
  WriteKeyedMap(s, m.savedImages, WriteRecordVector);
  WriteKeyedMap(s, m.savedFrameTimes, WriteFloatVector);
  WriteKeyedMap(s, m.savedData, WriteRecordVector);
  for (const auto& entry : m.savedGuidPictures) UpdateGuidPictureBytes(entry.first);
  (*s)->WriteDword(static_cast<DWORD>(m.savedGuidPictures.size()));
  for (const auto& entry : m.savedGuidPictures) {
    WriteGuid(s, entry.first.guid);
    (*s)->WriteString(entry.first.name);
    (*s)->WriteBool(entry.first.flag);
    (*s)->WriteNamedBlob(entry.second);
  }
}

void DS_DocResManager::DecodePending(const DocFileKey& key) {
  auto pending = pendingImages_.find(key);
  if (pending == pendingImages_.end()) return;
  DocRecordVector records;
  records.swap(pending->second);
  pendingImages_.erase(pending);
  RenderDevice& device = GetRenderDevice();
  TextureSet& set = maps_->textureSets[key];
  set.ClearFrames();
  for (const DocResourceRecord& r : records) set.AddFrame(device.GetTexture(r));
}

bool DS_DocResManager::ReleasePicture(const DS_ImageFileLink& link) {
  const DocFileKey& key = link.GetKey();
  if (modulePictures_.count(key)) {
    TextureSet& set = maps_->textureSets[key];
    if (!set.frames.empty()) {
      set.ClearFrames();
      GetRenderDevice().ReleaseTexture(DocResourceRecord(ModuleResourceId(key), key.name));
    }
    return true;
  }
  if (!releasablePictures_.count(key)) return false;
  if (pendingImages_.count(key)) return true;
  auto data = maps_->resourceData.find(key);
  if (data == maps_->resourceData.end() || data->second.empty()) return false;
  pendingImages_[key] = data->second;
  // The set keeps its size and durations; its frames go, their memory with them.
  maps_->textureSets[key].ClearFrames();
  return true;
}

bool ReleaseHeldPicture(ComRef<IDirect3DTexture9>& slot, const DS_ImageFileLink& link) {
  if (!slot || !g_DocResManager || !g_DocResManager->ReleasePicture(link)) return false;
  slot.Reset();
  return true;
}

bool ReleaseHeldFrames(TextureSet& set, const DS_ImageFileLink& link) {
  if (set.frames.empty() || !g_DocResManager || !g_DocResManager->ReleasePicture(link)) return false;
  set.ClearFrames();
  return true;
}

bool DS_DocResManager::PeekPictureSize(const DS_ImageFileLink& link, TextureInfo* out) const {
  const DocFileKey& key = link.GetKey();
  if (pendingImages_.find(key) == pendingImages_.end()) return false;
  const TextureSet& set = maps_->textureSets.at(key);
  out->Assign(nullptr, static_cast<UINT>(set.width), static_cast<UINT>(set.height));
  out->aspect = set.aspect;
  return true;
}

TextureSet& DS_DocResManager::GetTextureSet(const DS_ImageFileLink& link) {
  const DocFileKey& key = link.GetKey();
  DecodePending(key);
  TextureSet& set = maps_->textureSets[key];
  if (!set.frames.empty()) return set;
  ds_string ext;
  if (CompareWithDllExtension(*link.GetExtension(&ext)) == 0) LoadImageFromModule(&set, key);
  return set;
}

void DS_DocResManager::LoadImageFromModule(TextureSet* set, const DocFileKey& key) {
  DocResourceRecord record(ModuleResourceId(key), key.name);
  // One record however often the picture is loaded again after a release.
  DocRecordVector& data = maps_->resourceData[key];
  if (data.empty()) data.push_back(record);
  TextureInfo info = GetRenderDevice().GetTexture(record);
  set->ClearFrames();
  set->AddFrame(info);
  modulePictures_.insert(key);
}

TextureSet& DS_DocResManager::GetImageSetFromModule(const DS_ImageFileLink& link) {
  const DocFileKey& key = link.GetKey();
  DecodePending(key);
  TextureSet& set = maps_->textureSets[key];
  if (!set.frames.empty() || brokenImageSets_.count(key)) return set;
  ResourceBuffer buffer;
  HMODULE module = CurrentModuleResources().LoadModule(key.name);
  if (!buffer.LoadModuleResource(module, static_cast<int>(key.stamp))) return set;  // tried again next time
  std::vector<float> durations;
  DocRecordVector records;
  try {
    ReadFloatVectorFromBuffer(&durations, &buffer);
    ReadRecordVectorFromBuffer(&records, &buffer);
  } catch (const DocFormatError&) {
    // A damaged set in a module is drawn without a texture rather than failing the caller's draw.
    brokenImageSets_.insert(key);
    return set;
  }
  set.durations = durations;
  DocRecordVector& data = maps_->resourceData[key];
  data = std::move(records);
  set.ClearFrames();
  for (const DocResourceRecord& r : data) set.AddFrame(GetRenderDevice().GetTexture(r));
  return set;
}

MeshData& DS_DocResManager::GetMesh(const DS_MeshFile& link, int stride) {
  const DocFileKey& key = link.GetKey();
  MeshData& mesh = maps_->meshes[key];
  if (mesh.vertexCount > 0) return mesh;
  DocRecordVector& records = maps_->resourceData[key];
  if (records.empty()) {
    records.emplace_back(ModuleResourceId(key), key.name);
    records.back().LoadFromModule();
  }
  const DocResourceRecord& first = records.front();
  if (first.blob.Size() > 0) {  // no bytes: nothing to decode; the next request tries again
    MeshData fresh;
    GetRenderDevice().LoadMesh(first.blob.Data(), first.blob.Size(), stride, &fresh);
    mesh.Swap(fresh);
  }
  return mesh;
}

ID3DXEffect* DS_DocResManager::GetEffect(ID3DXEffect** out, const DS_HLSLEffectFile& link) {
  const DocFileKey& key = link.GetKey();
  RenderDevice& device = GetRenderDevice();
  ID3DXEffect*& slot = maps_->effects[key];
  if (!slot) {
    DocResourceRecord record(ModuleResourceId(key), key.name);
    DocRecordVector& records = maps_->resourceData[key];
    if (records.empty()) {
      records.push_back(record);
      ModuleResources& res = CurrentModuleResources();
      HMODULE module = res.LoadModule(key.name);
      WORD id = static_cast<WORD>(static_cast<uint32_t>(record.resourceId) & 0xFFFFu);
      const BYTE* data = nullptr;
      DWORD size = 0;
      if (id != 0 && res.Find(module, id, ModuleResourceType::kRcData, &data, &size) && data && size <= 0x7FFFFFFFu)
        records.back().blob.SetBytes(static_cast<INT>(size), data);
    }
    const DocResourceRecord& last = records.back();
    if (last.blob.Size() > 0) slot = device.CreateEffect(last.blob.Data(), last.blob.Size());
  }
  *out = slot;
  if (slot) device.AddRefEffect(slot);
  return *out;
}

void DS_DocResManager::MakeImageLinkFromRecord(const DocResourceRecord& record, DS_ImageFileLink* out) {
  DS_FileLink3 keyLink(record);
  const DocFileKey& key = keyLink.GetKey();
  pendingImages_.erase(key);  // its frames are replaced below
  releasablePictures_.erase(key);
  modulePictures_.erase(key);
  DocRecordVector& data = maps_->resourceData[key];
  if (data.empty()) data.push_back(record);
  TextureInfo info = GetRenderDevice().GetTexture(record);
  TextureSet& set = maps_->textureSets[key];
  set.ClearFrames();
  set.AddFrame(info);
  *out = DS_ImageFileLink(keyLink);
}

void DS_DocResManager::MakeImageLinkFromRecords(const std::vector<float>& durations,
                                                const std::list<DocResourceRecord>& records, DS_ImageFileLink* out) {
  if (records.empty()) return;
  DS_FileLink3 keyLink(records.front());
  const DocFileKey& key = keyLink.GetKey();
  DecodePending(key);
  TextureSet& set = maps_->textureSets[key];
  if (set.frames.empty()) {
    DocRecordVector& data = maps_->resourceData[key];
    for (const DocResourceRecord& r : records) {
      set.AddFrame(GetRenderDevice().GetTexture(r));
      data.push_back(r);
    }
    set.durations = durations;
  }
  *out = DS_ImageFileLink(keyLink);
}

bool DS_DocResManager::RegisterImageForSave(const DS_FileLink3& link) {
  const DocFileKey& key = link.GetKey();
  if (key.name.empty()) return true;
  auto set = maps_->textureSets.find(key);
  if (set != maps_->textureSets.end() && !set->second.durations.empty())
    maps_->savedFrameTimes[key] = set->second.durations;
  auto data = maps_->resourceData.find(key);
  maps_->savedImages[key] = data == maps_->resourceData.end() ? DocRecordVector() : data->second;
  return true;
}

IDirect3DTexture9** DS_DocResManager::GuidTexture(const DocGuidKey& key) {
  auto pending = pendingGuidPictures_.find(key);
  if (pending == pendingGuidPictures_.end()) return maps_->guidTextures[key].Slot();
  // The cell under the document's own key (its name and flag with it), unless there is one already.
  ComRef<IDirect3DTexture9>& cell = maps_->guidTextures.emplace(pending->first, nullptr).first->second;
  DocNamedBlob bytes = std::move(pending->second);
  pendingGuidPictures_.erase(pending);
  if (!cell) {
    TextureInfo decoded = GetRenderDevice().LoadTextureFromMemory(bytes.Data(), bytes.Size());
    cell = decoded.texture;  // the manager's own reference, kept when decoded lets go of its one
  }
  return cell.Slot();
}

bool DS_DocResManager::HasGuidPicture(const DocGuidKey& key) const {
  return pendingGuidPictures_.count(key) != 0 || maps_->guidTextures.count(key) != 0;
}

bool DS_DocResManager::UpdateGuidPictureBytes(const DocGuidKey& key) {
  GuidTexture(key);
  auto it = maps_->guidTextures.find(key);
  if (it == maps_->guidTextures.end() || !it->second) return true;  // nothing to refresh
  std::vector<BYTE> bytes;
  if (!GetRenderDevice().SaveTextureAsDds(it->second, &bytes) || bytes.empty()) return false;
  maps_->savedGuidPictures[key].TakeBytes(std::move(bytes));
  return true;
}

void DS_DocResManager::UnbindEffectTextures() {
  for (auto& e : maps_->effects)
    if (e.second) GetRenderDevice().UnbindEffectTextures(e.second);
}

void DS_DocResManager::OnLostDevice() {
  if (deviceLost_) return;
  deviceLost_ = true;
  for (auto& e : maps_->effects)
    if (e.second) GetRenderDevice().EffectLostDevice(e.second);
}

void DS_DocResManager::OnResetDevice() {
  if (!deviceLost_) return;
  deviceLost_ = false;
  for (auto& e : maps_->effects)
    if (e.second) GetRenderDevice().EffectResetDevice(e.second);
}

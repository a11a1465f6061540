#include "scene/stream.h"

#include <cstring>

#include "scene/module_resources.h"

namespace {

void Put(std::vector<BYTE>* out, uint64_t v, int n) {
  for (int i = 0; i < n; ++i) out->push_back(static_cast<BYTE>(v >> (8 * i)));
}

uint64_t Get(ResourceBuffer* b, int n) {
  b->Require(static_cast<size_t>(n));
  uint64_t v = 0;
  for (int i = 0; i < n; ++i) v |= static_cast<uint64_t>(b->cursor[i]) << (8 * i);
  b->cursor += n;
  return v;
}

int32_t GetInt32(ResourceBuffer* b) { return static_cast<int32_t>(static_cast<uint32_t>(Get(b, 4))); }

// int32 n, n bytes, string name. The old bytes go whatever n is, so that a record decoded over an old
// one keeps nothing of it.
void ReadBlobPart(ResourceBuffer* b, DocNamedBlob* blob) {
  int32_t n = GetInt32(b);
  if (n < 0 || static_cast<size_t>(n) > b->Remaining()) throw DocFormatError("blob size beyond the end");
  if (n == 0) {
    blob->ClearBytes();
  } else {
    blob->SetBytes(n, b->cursor);
    b->cursor += n;
  }
  ReadArchiveString(b, &blob->name);
}

void WriteBlobPart(std::vector<BYTE>* out, const DocNamedBlob& blob) {
  Put(out, static_cast<uint32_t>(blob.Size()), 4);
  if (blob.Size() > 0) out->insert(out->end(), blob.Data(), blob.Data() + blob.Size());
  WriteArchiveString(out, blob.name);
}

[[noreturn]] void WriteOnly() { throw DocFormatError("the writer stream cannot be read"); }

}  // namespace

void DocNamedBlob::SetBytes(INT size, const void* data) {
  if (size <= 0 || !data) {
    ClearBytes();
    return;
  }
  const BYTE* p = static_cast<const BYTE*>(data);
  std::vector<BYTE>(p, p + size).swap(bytes_);
}

bool DocResourceRecord::LoadFromModule() {
  if (resourceId < 1 || resourceId > 0xFFFF) return false;
  ModuleResources& res = CurrentModuleResources();
  HMODULE m = res.LoadModule(module);
  const BYTE* data = nullptr;
  DWORD size = 0;
  if (!res.Find(m, static_cast<WORD>(resourceId), ModuleResourceType::kDds, &data, &size) || !data) return false;
  if (size > 0x7FFFFFFFu) return false;
  blob.SetBytes(static_cast<INT>(size), data);
  return true;
}

// --- ResourceBuffer ---------------------------------------------------------------------------------

void ResourceBuffer::Require(size_t n) const {
  if (n > Remaining()) throw DocFormatError("read beyond the end of the document");
}

void ResourceBuffer::Take(void* out, size_t n) {
  Require(n);
  if (n) std::memcpy(out, cursor, n);
  cursor += n;
}

void ResourceBuffer::Skip(size_t n) {
  Require(n);
  cursor += n;
}

bool ResourceBuffer::LoadModuleResource(HMODULE module, int id) {
  const BYTE* data = nullptr;
  DWORD size = 0;
  WORD low = static_cast<WORD>(static_cast<uint32_t>(id) & 0xFFFFu);
  if (low == 0) return false;  // not an ordinal
  if (!CurrentModuleResources().Find(module, low, ModuleResourceType::kDds, &data, &size) || !data || size == 0)
    return false;
  cursor = data;
  end = data + size;
  return true;
}

// --- Strings and buffer helpers ---------------------------------------------------------------------

void ReadArchiveString(ResourceBuffer* b, ds_string* s) {
  b->Skip(3);  // marker, not checked
  uint32_t len = static_cast<uint32_t>(Get(b, 1));
  if (len == 0xFF) {
    len = static_cast<uint32_t>(Get(b, 2));
    if (len == 0xFFFF) len = static_cast<uint32_t>(Get(b, 4));
  }
  if (len > b->Remaining() / 2) throw DocFormatError("string length beyond the end");
  if (len == 0) return;
  const BYTE* p = b->cursor;
  size_t keep = 0;
  while (keep < len && (p[2 * keep] | p[2 * keep + 1]) != 0) ++keep;
  ds_string text(keep, u'\0');
  for (size_t i = 0; i < keep; ++i) text[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
  b->cursor += 2 * static_cast<size_t>(len);
  *s = std::move(text);
}

void WriteArchiveString(std::vector<BYTE>* out, const ds_string& s) {
  out->push_back(0xFF);
  out->push_back(0xFE);
  out->push_back(0xFF);
  size_t len = s.size();
  if (len < 0xFF) {
    Put(out, len, 1);
  } else if (len < 0xFFFF) {
    Put(out, 0xFF, 1);
    Put(out, len, 2);
  } else {
    Put(out, 0xFF, 1);
    Put(out, 0xFFFF, 2);
    Put(out, static_cast<uint32_t>(len), 4);
  }
  for (char16_t u : s) Put(out, u, 2);
}

DWORD ReadDwordFromBuffer(ResourceBuffer* b) { return static_cast<DWORD>(Get(b, 4)); }

void ReadFloatVectorFromBuffer(std::vector<float>* v, ResourceBuffer* b) {
  uint32_t n = static_cast<uint32_t>(Get(b, 4));
  if (n > b->Remaining() / 4) throw DocFormatError("float count beyond the end");
  v->assign(n, 0.0f);
  for (uint32_t i = 0; i < n; ++i) {
    uint32_t bits = static_cast<uint32_t>(Get(b, 4));
    std::memcpy(&(*v)[i], &bits, 4);
  }
}

void ReadResourceRecordFromBuffer(ResourceBuffer* b, DocResourceRecord* r) {
  r->resourceId = GetInt32(b);
  ReadArchiveString(b, &r->module);
  ReadBlobPart(b, &r->blob);
}

int CompareWithDllExtension(const ds_string& ext) { return ext.compare(u".dll"); }

ds_string FileNameFromPath(const ds_string& path) {
  size_t p = path.rfind(u'\\');
  return p == ds_string::npos ? ds_string() : path.substr(p + 1);
}

// --- Reader stream ----------------------------------------------------------------------------------

void DS_IOF_R<ResourceBuffer>::ReadResourceRecord(DocResourceRecord* r) { ReadResourceRecordFromBuffer(buffer_, r); }
void DS_IOF_R<ResourceBuffer>::ReadNamedBlob(DocNamedBlob* blob) { ReadBlobPart(buffer_, blob); }
void DS_IOF_R<ResourceBuffer>::ReadString(ds_string* s) { ReadArchiveString(buffer_, s); }
void DS_IOF_R<ResourceBuffer>::ReadInt64(INT64* v) { *v = static_cast<INT64>(Get(buffer_, 8)); }
void DS_IOF_R<ResourceBuffer>::ReadFloat(float* v) {
  uint32_t bits = static_cast<uint32_t>(Get(buffer_, 4));
  std::memcpy(v, &bits, 4);
}
void DS_IOF_R<ResourceBuffer>::ReadPoint(POINT* p) {
  buffer_->Require(8);
  p->x = GetInt32(buffer_);
  p->y = GetInt32(buffer_);
}
void DS_IOF_R<ResourceBuffer>::ReadDword(DWORD* v) { *v = static_cast<DWORD>(Get(buffer_, 4)); }
void DS_IOF_R<ResourceBuffer>::ReadUInt(UINT* v) { *v = static_cast<UINT>(Get(buffer_, 4)); }
void DS_IOF_R<ResourceBuffer>::ReadByte(BYTE* v) { *v = static_cast<BYTE>(Get(buffer_, 1)); }
void DS_IOF_R<ResourceBuffer>::ReadBool(bool* v) { *v = Get(buffer_, 1) != 0; }
void DS_IOF_R<ResourceBuffer>::ReadInt(INT* v) { *v = GetInt32(buffer_); }

// --- Writer stream ----------------------------------------------------------------------------------

void DS_IOF_W::WriteResourceRecord(const DocResourceRecord& r) {
  Put(&bytes_, static_cast<uint32_t>(r.resourceId), 4);
  WriteArchiveString(&bytes_, r.module);
  WriteBlobPart(&bytes_, r.blob);
}
void DS_IOF_W::WriteNamedBlob(const DocNamedBlob& b) { WriteBlobPart(&bytes_, b); }
void DS_IOF_W::WriteString(const ds_string& s) { WriteArchiveString(&bytes_, s); }
void DS_IOF_W::WriteInt64(const INT64& v) { Put(&bytes_, static_cast<uint64_t>(v), 8); }
void DS_IOF_W::WriteFloat(const float& v) {
  uint32_t bits;
  std::memcpy(&bits, &v, 4);
  Put(&bytes_, bits, 4);
}
void DS_IOF_W::WritePoint(const POINT& p) {
  Put(&bytes_, static_cast<uint32_t>(p.x), 4);
  Put(&bytes_, static_cast<uint32_t>(p.y), 4);
}
void DS_IOF_W::WriteDword(const DWORD& v) { Put(&bytes_, v, 4); }
void DS_IOF_W::WriteUInt(const UINT& v) { Put(&bytes_, v, 4); }
void DS_IOF_W::WriteByte(const BYTE& v) { Put(&bytes_, v, 1); }
void DS_IOF_W::WriteBool(const bool& v) { Put(&bytes_, v ? 1 : 0, 1); }
void DS_IOF_W::WriteInt(const INT& v) { Put(&bytes_, static_cast<uint32_t>(v), 4); }

void DS_IOF_W::ReadResourceRecord(DocResourceRecord*) { WriteOnly(); }
void DS_IOF_W::ReadNamedBlob(DocNamedBlob*) { WriteOnly(); }
void DS_IOF_W::ReadString(ds_string*) { WriteOnly(); }
void DS_IOF_W::ReadInt64(INT64*) { WriteOnly(); }
void DS_IOF_W::ReadFloat(float*) { WriteOnly(); }
void DS_IOF_W::ReadPoint(POINT*) { WriteOnly(); }
void DS_IOF_W::ReadDword(DWORD*) { WriteOnly(); }
void DS_IOF_W::ReadUInt(UINT*) { WriteOnly(); }
void DS_IOF_W::ReadByte(BYTE*) { WriteOnly(); }
void DS_IOF_W::ReadBool(bool*) { WriteOnly(); }
void DS_IOF_W::ReadInt(INT*) { WriteOnly(); }

// The document stream: eleven kinds of stored value, each with a write and a read operation, stored as a
// plain little-endian, unaligned concatenation with no tags and no lengths of objects.
//
// The player reads documents from resource memory (DS_IOF_R<ResourceBuffer>); the scene compiler and the
// tests write them into a byte vector (DS_IOF_W). Every read is bounded by the end of its resource, and
// every stored count or length is checked against the bytes left before anything is allocated: a damaged
// document throws DocFormatError, never reads outside its bytes.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/types.h"

// The one exception a damaged document raises: a read past the end of the resource, a stored length or
// count that cannot fit in the bytes left, or a class name that no reader registry holds.
class DocFormatError : public std::runtime_error {
 public:
  explicit DocFormatError(const char* what) : std::runtime_error(what) {}
};

// A named, owned byte buffer: file name or path of the data (empty for data from a module) and the bytes.
// Copies are deep.
class DocNamedBlob {
 public:
  ds_string name;

  INT Size() const { return static_cast<INT>(bytes_.size()); }
  const BYTE* Data() const { return bytes_.empty() ? nullptr : bytes_.data(); }
  bool Empty() const { return bytes_.empty(); }
  // Frees the old bytes and keeps a copy of size bytes of data (none when size <= 0 or data is null).
  void SetBytes(INT size, const void* data);
  void ClearBytes() { std::vector<BYTE>().swap(bytes_); }
  // Takes the bytes of v without copying.
  void TakeBytes(std::vector<BYTE>&& v) { bytes_ = std::move(v); }

 private:
  std::vector<BYTE> bytes_;
};

// One piece of resource data: a named blob and where it came from (a "DDS" resource id of a resource
// module, or id 0 and an empty module for data from a file).
struct DocResourceRecord {
  DocNamedBlob blob;
  INT resourceId = 0;
  ds_string module;

  DocResourceRecord() = default;
  DocResourceRecord(INT id, const ds_string& moduleName) : resourceId(id), module(moduleName) {}

  // Replaces the bytes with a copy of the module's "DDS" resource of this id (the module stays loaded; a
  // module that does not load makes the lookup search the program's own file). Ids outside 1..65535 find
  // nothing. Returns false, leaving the record unchanged, when the resource cannot be had.
  bool LoadFromModule();
};

// The stream interface. Section readers and writers receive it as DS_IOF_Virtual**.
// The write operations of the base do nothing; the read operations are pure.
class DS_IOF_Virtual {
 public:
  virtual ~DS_IOF_Virtual() {}

  // Writes, in the stored order of the kinds.
  virtual void WriteResourceRecord(const DocResourceRecord& r) {}  // int32 id, string module, blob
  virtual void WriteNamedBlob(const DocNamedBlob& b) {}            // int32 n, n bytes, string name
  virtual void WriteString(const ds_string& s) {}                  // ArchiveString
  virtual void WriteInt64(const INT64& v) {}
  virtual void WriteFloat(const float& v) {}
  virtual void WritePoint(const POINT& p) {}  // int32 x, int32 y
  virtual void WriteDword(const DWORD& v) {}  // versions, counts of lists and maps, colours
  virtual void WriteUInt(const UINT& v) {}
  virtual void WriteByte(const BYTE& v) {}
  virtual void WriteBool(const bool& v) {}  // one byte, 0 or 1
  virtual void WriteInt(const INT& v) {}

  // Reads of the same kinds in the same order; each consumes exactly what its write produces.
  virtual void ReadResourceRecord(DocResourceRecord* r) = 0;
  virtual void ReadNamedBlob(DocNamedBlob* b) = 0;
  // A stored length of 0 leaves *s unchanged; a stored NUL unit cuts the text there.
  virtual void ReadString(ds_string* s) = 0;
  virtual void ReadInt64(INT64* v) = 0;
  virtual void ReadFloat(float* v) = 0;
  virtual void ReadPoint(POINT* p) = 0;
  virtual void ReadDword(DWORD* v) = 0;
  virtual void ReadUInt(UINT* v) = 0;
  virtual void ReadByte(BYTE* v) = 0;
  virtual void ReadBool(bool* v) = 0;  // any non-zero byte is true
  virtual void ReadInt(INT* v) = 0;
};

// A locked resource being read: the next unread byte and the end of the resource.
struct ResourceBuffer {
  const BYTE* cursor = nullptr;
  const BYTE* end = nullptr;

  ResourceBuffer() = default;
  ResourceBuffer(const void* data, size_t size)
      : cursor(static_cast<const BYTE*>(data)), end(static_cast<const BYTE*>(data) + size) {}

  size_t Remaining() const { return cursor && end > cursor ? static_cast<size_t>(end - cursor) : 0; }
  // Throws DocFormatError unless n bytes are left.
  void Require(size_t n) const;
  // Copies n bytes to out and advances; throws when fewer are left.
  void Take(void* out, size_t n);
  void Skip(size_t n);

  // Points the buffer at the "DDS" resource with the low 16 bits of id in module (null: the program's own
  // file) when it exists, is not empty and locks. Returns whether the cursor is set.
  bool LoadModuleResource(HMODULE module, int id);
};

template <class Source>
class DS_IOF_R;

// The reader stream over resource memory. It does not own the buffer; writes do nothing.
template <>
class DS_IOF_R<ResourceBuffer> : public DS_IOF_Virtual {
 public:
  explicit DS_IOF_R(ResourceBuffer* buffer) : buffer_(buffer) {}

  void ReadResourceRecord(DocResourceRecord* r) override;
  void ReadNamedBlob(DocNamedBlob* b) override;
  void ReadString(ds_string* s) override;
  void ReadInt64(INT64* v) override;
  void ReadFloat(float* v) override;
  void ReadPoint(POINT* p) override;
  void ReadDword(DWORD* v) override;
  void ReadUInt(UINT* v) override;
  void ReadByte(BYTE* v) override;
  void ReadBool(bool* v) override;
  void ReadInt(INT* v) override;

 private:
  ResourceBuffer* buffer_;
};

// The writer stream into a byte vector of its own. Its reads are refused (it is write-only): they throw
// DocFormatError.
class DS_IOF_W : public DS_IOF_Virtual {
 public:
  const std::vector<BYTE>& Bytes() const { return bytes_; }
  std::vector<BYTE> TakeBytes() { return std::move(bytes_); }

  void WriteResourceRecord(const DocResourceRecord& r) override;
  void WriteNamedBlob(const DocNamedBlob& b) override;
  void WriteString(const ds_string& s) override;
  void WriteInt64(const INT64& v) override;
  void WriteFloat(const float& v) override;
  void WritePoint(const POINT& p) override;
  void WriteDword(const DWORD& v) override;
  void WriteUInt(const UINT& v) override;
  void WriteByte(const BYTE& v) override;
  void WriteBool(const bool& v) override;
  void WriteInt(const INT& v) override;

  void ReadResourceRecord(DocResourceRecord* r) override;
  void ReadNamedBlob(DocNamedBlob* b) override;
  void ReadString(ds_string* s) override;
  void ReadInt64(INT64* v) override;
  void ReadFloat(float* v) override;
  void ReadPoint(POINT* p) override;
  void ReadDword(DWORD* v) override;
  void ReadUInt(UINT* v) override;
  void ReadByte(BYTE* v) override;
  void ReadBool(bool* v) override;
  void ReadInt(INT* v) override;

 private:
  std::vector<BYTE> bytes_;
};

// The stored string: marker FF FE FF, length L in UTF-16 units (one byte below 255; FF then uint16 below
// 65535; FF, FFFF then uint32), then L UTF-16LE units with no terminator.
// Reading skips the marker unchecked, accepts every length form, assigns nothing when L is 0 and cuts the
// text at the first NUL unit while consuming all L units.
void ReadArchiveString(ResourceBuffer* buffer, ds_string* s);
// Writes the shortest length form.
void WriteArchiveString(std::vector<BYTE>* out, const ds_string& s);

// A little-endian uint32 straight from the buffer.
DWORD ReadDwordFromBuffer(ResourceBuffer* buffer);
// uint32 count n, then n floats, straight from the buffer (module image sets).
void ReadFloatVectorFromBuffer(std::vector<float>* v, ResourceBuffer* buffer);
// One record in the stream form, straight from the buffer.
void ReadResourceRecordFromBuffer(ResourceBuffer* buffer, DocResourceRecord* r);

// Ordinal comparison of ext with ".dll" (case matters): 0 when equal.
int CompareWithDllExtension(const ds_string& ext);
// The text after the last backslash; empty when the path holds none.
ds_string FileNameFromPath(const ds_string& path);

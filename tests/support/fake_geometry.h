// Stand-ins for Direct3D buffers and textures in memory, and a geometry device that makes them. The device
// keeps every object it made alive until it is destroyed, so tests can read a buffer's bytes and its
// reference count after the mesh has let go. Installs itself while it lives.
#pragma once

#include <cstring>
#include <memory>
#include <vector>

#include "dxut/geometry_device.h"
#include "platform/d3d9_types.h"

namespace lumi_test {

template <class Interface>
class FakeCounted : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  virtual ~FakeCounted() = default;
  long refs = 1;
};

#ifdef _WIN32
// The rest of the real resource interfaces, which the fakes do not use.
template <class Interface>
class FakeResource : public FakeCounted<Interface> {
 public:
  HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** d) override {
    *d = nullptr;
    return D3DERR_INVALIDCALL;
  }
  HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, const void*, DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, void*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID) override { return E_NOTIMPL; }
  DWORD STDMETHODCALLTYPE SetPriority(DWORD) override { return 0; }
  DWORD STDMETHODCALLTYPE GetPriority() override { return 0; }
  void STDMETHODCALLTYPE PreLoad() override {}
  D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
};
template <class Interface, class Desc>
class FakeBufferBase : public FakeResource<Interface> {
 public:
  HRESULT STDMETHODCALLTYPE GetDesc(Desc*) override { return E_NOTIMPL; }
};
class FakeTextureBase : public FakeResource<IDirect3DTexture9> {
 public:
  DWORD STDMETHODCALLTYPE SetLOD(DWORD) override { return 0; }
  DWORD STDMETHODCALLTYPE GetLOD() override { return 0; }
  DWORD STDMETHODCALLTYPE GetLevelCount() override { return 1; }
  HRESULT STDMETHODCALLTYPE SetAutoGenFilterType(D3DTEXTUREFILTERTYPE) override { return E_NOTIMPL; }
  D3DTEXTUREFILTERTYPE STDMETHODCALLTYPE GetAutoGenFilterType() override { return D3DTEXF_NONE; }
  void STDMETHODCALLTYPE GenerateMipSubLevels() override {}
  HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT, D3DSURFACE_DESC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT, IDirect3DSurface9** s) override {
    *s = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE LockRect(UINT, D3DLOCKED_RECT*, const RECT*, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnlockRect(UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AddDirtyRect(const RECT*) override { return E_NOTIMPL; }
};
typedef FakeBufferBase<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC> FakeVertexBufferBase;
typedef FakeBufferBase<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC> FakeIndexBufferBase;
#else
typedef FakeCounted<IDirect3DVertexBuffer9> FakeVertexBufferBase;
typedef FakeCounted<IDirect3DIndexBuffer9> FakeIndexBufferBase;
typedef FakeCounted<IDirect3DTexture9> FakeTextureBase;
#endif

template <class Base>
class FakeBuffer : public Base {
 public:
  FakeBuffer(UINT bytes, DWORD usage, DWORD format, D3DPOOL pool)
      : data(bytes, 0xCD), usage(usage), format(format), pool(pool) {}
  HRESULT STDMETHODCALLTYPE Lock(UINT offset, UINT size, void** out, DWORD) override {
    if (failLocks || locked) {
      *out = nullptr;
      return D3DERR_INVALIDCALL;
    }
    locked = true;
    ++locks;
    *out = data.data() + offset;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unlock() override {
    locked = false;
    return S_OK;
  }
  template <class T>
  const T* As() const {
    return reinterpret_cast<const T*>(data.data());
  }

  std::vector<unsigned char> data;
  DWORD usage;
  DWORD format;  // FVF of a vertex buffer, D3DFORMAT of an index buffer
  D3DPOOL pool;
  bool failLocks = false;
  bool locked = false;
  int locks = 0;
};

typedef FakeBuffer<FakeVertexBufferBase> FakeVertexBuffer;
typedef FakeBuffer<FakeIndexBufferBase> FakeIndexBuffer;

class FakeTexture : public FakeTextureBase {};

class FakeGeometryDevice : public GeometryDevice {
 public:
  FakeGeometryDevice() { SetGeometryDevice(this); }
  ~FakeGeometryDevice() override { SetGeometryDevice(nullptr); }

  HRESULT CreateVertexBuffer(UINT bytes, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer9** out) override {
    if (failVertexBuffers) return E_OUTOFMEMORY;
    vertexBuffers.emplace_back(new FakeVertexBuffer(bytes, usage, fvf, pool));
    *out = vertexBuffers.back().get();
    return S_OK;
  }
  HRESULT CreateIndexBuffer(UINT bytes, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** out) override {
    if (failIndexBuffers) return E_OUTOFMEMORY;
    indexBuffers.emplace_back(new FakeIndexBuffer(bytes, usage, format, pool));
    *out = indexBuffers.back().get();
    return S_OK;
  }

  FakeVertexBuffer* lastVertexBuffer() const { return vertexBuffers.empty() ? nullptr : vertexBuffers.back().get(); }
  FakeIndexBuffer* lastIndexBuffer() const { return indexBuffers.empty() ? nullptr : indexBuffers.back().get(); }
  // True when every object made has been released as often as it was referenced.
  bool AllReleased() const {
    for (const auto& b : vertexBuffers)
      if (b->refs != 0) return false;
    for (const auto& b : indexBuffers)
      if (b->refs != 0) return false;
    return true;
  }

  bool failVertexBuffers = false;
  bool failIndexBuffers = false;
  std::vector<std::unique_ptr<FakeVertexBuffer>> vertexBuffers;
  std::vector<std::unique_ptr<FakeIndexBuffer>> indexBuffers;
};

}  // namespace lumi_test

// Stand-ins for Direct3D buffers and textures in memory (the recording device makes the buffers).
#pragma once

#include <cstring>
#include <memory>
#include <vector>

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
  HRESULT STDMETHODCALLTYPE Lock(UINT offset, UINT size, void** out, DWORD flags) override {
    if (failLocks || locked) {
      *out = nullptr;
      return D3DERR_INVALIDCALL;
    }
    locked = true;
    ++locks;
    lockFlags = flags;
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
  DWORD lockFlags = 0;  // of the last lock
};

typedef FakeBuffer<FakeVertexBufferBase> FakeVertexBuffer;
typedef FakeBuffer<FakeIndexBufferBase> FakeIndexBuffer;

class FakeTexture : public FakeTextureBase {};

}  // namespace lumi_test

// The effect interface portable drawing code calls: the technique, parameter setters and passes. On
// Windows it is the real ID3DXEffect of <d3dx9.h>. Natively it is a stand-in with the same names and
// arguments, so that code choosing techniques and setting parameters builds and is tested against a
// recording effect; nothing natively makes an effect.
#pragma once

#include "platform/d3d9_types.h"
#include "platform/types.h"

#ifndef _WIN32

typedef const char* D3DXHANDLE;

struct ID3DXEffect : IUnknown {
  virtual D3DXHANDLE STDMETHODCALLTYPE GetTechniqueByName(const char* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetTechnique(D3DXHANDLE technique) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetValue(D3DXHANDLE parameter, const void* data, UINT bytes) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetBool(D3DXHANDLE parameter, BOOL b) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetInt(D3DXHANDLE parameter, INT n) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFloat(D3DXHANDLE parameter, FLOAT f) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFloatArray(D3DXHANDLE parameter, const FLOAT* f, UINT count) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) = 0;
  virtual HRESULT STDMETHODCALLTYPE Begin(UINT* passes, DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE BeginPass(UINT pass) = 0;
  virtual HRESULT STDMETHODCALLTYPE CommitChanges() = 0;
  virtual HRESULT STDMETHODCALLTYPE EndPass() = 0;
  virtual HRESULT STDMETHODCALLTYPE End() = 0;
  virtual HRESULT STDMETHODCALLTYPE OnLostDevice() = 0;
  virtual HRESULT STDMETHODCALLTYPE OnResetDevice() = 0;

 protected:
  ~ID3DXEffect() = default;
};

#endif  // _WIN32

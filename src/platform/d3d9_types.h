// Direct3D 9 interfaces and constants the portable core holds and calls.
// On Windows this is the real <d3d9.h>. Natively it is a small stand-in with the same names: reference
// counting and buffer locking only, so that code holding buffers and textures builds and is tested with
// fakes. Nothing natively creates a resource; there is no native device beyond its name.
#pragma once

#include "platform/types.h"

#ifdef _WIN32
#include <d3d9.h>
#else

#define STDMETHODCALLTYPE
typedef const IID& REFIID;

struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;

 protected:
  ~IUnknown() = default;
};

struct IDirect3DDevice9;

struct IDirect3DResource9 : IUnknown {
 protected:
  ~IDirect3DResource9() = default;
};

struct IDirect3DBaseTexture9 : IDirect3DResource9 {
 protected:
  ~IDirect3DBaseTexture9() = default;
};

struct IDirect3DTexture9 : IDirect3DBaseTexture9 {
 protected:
  ~IDirect3DTexture9() = default;
};

struct IDirect3DSurface9 : IDirect3DResource9 {
 protected:
  ~IDirect3DSurface9() = default;
};

struct IDirect3DVertexBuffer9 : IDirect3DResource9 {
  virtual HRESULT STDMETHODCALLTYPE Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unlock() = 0;

 protected:
  ~IDirect3DVertexBuffer9() = default;
};

struct IDirect3DIndexBuffer9 : IDirect3DResource9 {
  virtual HRESULT STDMETHODCALLTYPE Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unlock() = 0;

 protected:
  ~IDirect3DIndexBuffer9() = default;
};

typedef enum _D3DPRIMITIVETYPE {
  D3DPT_POINTLIST = 1,
  D3DPT_LINELIST = 2,
  D3DPT_LINESTRIP = 3,
  D3DPT_TRIANGLELIST = 4,
  D3DPT_TRIANGLESTRIP = 5,
  D3DPT_TRIANGLEFAN = 6,
  D3DPT_FORCE_DWORD = 0x7fffffff
} D3DPRIMITIVETYPE;

typedef enum _D3DPOOL {
  D3DPOOL_DEFAULT = 0,
  D3DPOOL_MANAGED = 1,
  D3DPOOL_SYSTEMMEM = 2,
  D3DPOOL_SCRATCH = 3,
  D3DPOOL_FORCE_DWORD = 0x7fffffff
} D3DPOOL;

typedef enum _D3DFORMAT {
  D3DFMT_UNKNOWN = 0,
  D3DFMT_A8R8G8B8 = 21,
  D3DFMT_X8R8G8B8 = 22,
  D3DFMT_R5G6B5 = 23,
  D3DFMT_V8U8 = 60,
  D3DFMT_D24S8 = 75,
  D3DFMT_D24X8 = 77,
  D3DFMT_D16 = 80,
  D3DFMT_INDEX16 = 101,
  D3DFMT_INDEX32 = 102,
  D3DFMT_FORCE_DWORD = 0x7fffffff
} D3DFORMAT;

#define D3DUSAGE_RENDERTARGET 0x00000001L
#define D3DUSAGE_DEPTHSTENCIL 0x00000002L
#define D3DUSAGE_WRITEONLY 0x00000008L
#define D3DUSAGE_DYNAMIC 0x00000200L

#define D3DLOCK_READONLY 0x00000010L
#define D3DLOCK_NOOVERWRITE 0x00001000L
#define D3DLOCK_DISCARD 0x00002000L

#define D3DFVF_XYZ 0x002
#define D3DFVF_XYZRHW 0x004
#define D3DFVF_NORMAL 0x010
#define D3DFVF_DIFFUSE 0x040
#define D3DFVF_TEX1 0x100
#define D3DFVF_TEX2 0x200

typedef enum _D3DRENDERSTATETYPE {
  D3DRS_ZENABLE = 7,
  D3DRS_ZWRITEENABLE = 14,
  D3DRS_SRCBLEND = 19,
  D3DRS_DESTBLEND = 20,
  D3DRS_CULLMODE = 22,
  D3DRS_ZFUNC = 23,
  D3DRS_ALPHABLENDENABLE = 27,
  D3DRS_SPECULARENABLE = 29,
  D3DRS_LIGHTING = 137,
  D3DRS_COLORWRITEENABLE = 168,
  D3DRS_FORCE_DWORD = 0x7fffffff
} D3DRENDERSTATETYPE;

typedef enum _D3DTEXTURESTAGESTATETYPE {
  D3DTSS_COLOROP = 1,
  D3DTSS_COLORARG1 = 2,
  D3DTSS_COLORARG2 = 3,
  D3DTSS_ALPHAOP = 4,
  D3DTSS_ALPHAARG1 = 5,
  D3DTSS_ALPHAARG2 = 6,
  D3DTSS_TEXCOORDINDEX = 11,
  D3DTSS_FORCE_DWORD = 0x7fffffff
} D3DTEXTURESTAGESTATETYPE;

typedef enum _D3DSAMPLERSTATETYPE {
  D3DSAMP_ADDRESSU = 1,
  D3DSAMP_ADDRESSV = 2,
  D3DSAMP_MAGFILTER = 5,
  D3DSAMP_MINFILTER = 6,
  D3DSAMP_FORCE_DWORD = 0x7fffffff
} D3DSAMPLERSTATETYPE;

typedef enum _D3DBLEND { D3DBLEND_ZERO = 1, D3DBLEND_ONE = 2, D3DBLEND_SRCALPHA = 5, D3DBLEND_INVSRCALPHA = 6 } D3DBLEND;
typedef enum _D3DCULL { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 } D3DCULL;
typedef enum _D3DTEXTUREOP {
  D3DTOP_DISABLE = 1,
  D3DTOP_SELECTARG1 = 2,
  D3DTOP_SELECTARG2 = 3,
  D3DTOP_MODULATE = 4
} D3DTEXTUREOP;
typedef enum _D3DTEXTUREFILTERTYPE { D3DTEXF_NONE = 0, D3DTEXF_POINT = 1, D3DTEXF_LINEAR = 2 } D3DTEXTUREFILTERTYPE;
typedef enum _D3DTEXTUREADDRESS { D3DTADDRESS_WRAP = 1, D3DTADDRESS_MIRROR = 2, D3DTADDRESS_CLAMP = 3 } D3DTEXTUREADDRESS;

#define D3DTA_DIFFUSE 0x00000000
#define D3DTA_CURRENT 0x00000001
#define D3DTA_TEXTURE 0x00000002

#define D3DCLEAR_TARGET 0x00000001L
#define D3DCLEAR_ZBUFFER 0x00000002L

#define D3D_OK S_OK
#define D3DERR_DEVICELOST ((HRESULT)0x88760868)
#define D3DERR_DEVICENOTRESET ((HRESULT)0x88760869)
#define D3DERR_INVALIDCALL ((HRESULT)0x8876086C)

#endif  // _WIN32

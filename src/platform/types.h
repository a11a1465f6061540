// Windows and D3DX types the portable core uses.
// On Windows this is the real <windows.h> and <d3dx9.h>; natively a small layer of our own with the same
// names, layouts and semantics (32-bit LONG and DWORD, row-vector matrices), so that the core builds and is
// tested with g++ on Linux.
#pragma once

#include <cstdint>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <d3dx9.h>
#else

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef int32_t INT;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int32_t BOOL;
typedef int32_t HRESULT;
typedef float FLOAT;
typedef int64_t INT64;
typedef uint64_t UINT64;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef char16_t WCHAR;
typedef DWORD COLORREF;
typedef DWORD D3DCOLOR;
typedef struct HINSTANCE__* HMODULE;
typedef HMODULE HINSTANCE;
typedef struct HWND__* HWND;
typedef void* HANDLE;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOTIMPL ((HRESULT)0x80004001)
#define E_POINTER ((HRESULT)0x80004003)
#define E_FAIL ((HRESULT)0x80004005)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

#define RGB(r, g, b) ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(c) ((BYTE)(c))
#define GetGValue(c) ((BYTE)(((WORD)(c)) >> 8))
#define GetBValue(c) ((BYTE)((c) >> 16))
#define D3DCOLOR_ARGB(a, r, g, b) \
  ((D3DCOLOR)((((a) & 0xff) << 24) | (((r) & 0xff) << 16) | (((g) & 0xff) << 8) | ((b) & 0xff)))
#define D3DCOLOR_RGBA(r, g, b, a) D3DCOLOR_ARGB(a, r, g, b)
#define D3DCOLOR_XRGB(r, g, b) D3DCOLOR_ARGB(0xff, r, g, b)

typedef struct tagPOINT {
  LONG x;
  LONG y;
} POINT;

typedef struct tagSIZE {
  LONG cx;
  LONG cy;
} SIZE;

typedef struct tagRECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
} RECT;

typedef struct _GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} GUID;
typedef GUID CLSID;
typedef GUID IID;

inline bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }
inline bool IsEqualGUID(const GUID& a, const GUID& b) { return a == b; }

#include "platform/d3dx_types.h"

#endif  // _WIN32

static_assert(sizeof(DWORD) == 4 && sizeof(LONG) == 4 && sizeof(POINT) == 8 && sizeof(RECT) == 16,
              "stored and Win32 integers are 32 bits");
static_assert(sizeof(GUID) == 16, "GUID is 16 bytes");
static_assert(sizeof(D3DXVECTOR3) == 12 && sizeof(D3DXMATRIX) == 64, "D3DX layouts");

// The scene model's wide strings are UTF-16 on every build (wchar_t is 32 bits on Linux).
typedef std::u16string ds_string;

#ifdef _WIN32
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t is UTF-16 on Windows");
// Views a UTF-16 string as the wide-character text Win32 calls take.
inline const wchar_t* AsWide(const ds_string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline ds_string FromWide(const wchar_t* s) {
  return s ? ds_string(reinterpret_cast<const char16_t*>(s)) : ds_string();
}
#endif

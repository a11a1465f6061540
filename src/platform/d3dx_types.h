// Native stand-ins for the D3DX vector and matrix types and the D3DX math functions the core uses.
// Layouts and results follow D3DX: row vectors, A * B applies A first, left-handed projections.
#pragma once

#include "platform/d3dx_math.h"

typedef struct _D3DVECTOR {
  float x, y, z;
} D3DVECTOR;

typedef struct _D3DMATRIX {
  union {
    struct {
      float _11, _12, _13, _14;
      float _21, _22, _23, _24;
      float _31, _32, _33, _34;
      float _41, _42, _43, _44;
    };
    float m[4][4];
  };
} D3DMATRIX;

struct D3DXVECTOR2 {
  float x, y;
  D3DXVECTOR2() = default;
  D3DXVECTOR2(float fx, float fy) : x(fx), y(fy) {}
  explicit D3DXVECTOR2(const float* f) : x(f[0]), y(f[1]) {}
  operator float*() { return &x; }
  operator const float*() const { return &x; }
  D3DXVECTOR2& operator+=(const D3DXVECTOR2& v) { x += v.x; y += v.y; return *this; }
  D3DXVECTOR2& operator-=(const D3DXVECTOR2& v) { x -= v.x; y -= v.y; return *this; }
  D3DXVECTOR2& operator*=(float f) { x *= f; y *= f; return *this; }
  D3DXVECTOR2& operator/=(float f) { float i = 1.0f / f; x *= i; y *= i; return *this; }
  D3DXVECTOR2 operator+() const { return *this; }
  D3DXVECTOR2 operator-() const { return D3DXVECTOR2(-x, -y); }
  D3DXVECTOR2 operator+(const D3DXVECTOR2& v) const { return D3DXVECTOR2(x + v.x, y + v.y); }
  D3DXVECTOR2 operator-(const D3DXVECTOR2& v) const { return D3DXVECTOR2(x - v.x, y - v.y); }
  D3DXVECTOR2 operator*(float f) const { return D3DXVECTOR2(x * f, y * f); }
  D3DXVECTOR2 operator/(float f) const { float i = 1.0f / f; return D3DXVECTOR2(x * i, y * i); }
  friend D3DXVECTOR2 operator*(float f, const D3DXVECTOR2& v) { return v * f; }
  bool operator==(const D3DXVECTOR2& v) const { return x == v.x && y == v.y; }
  bool operator!=(const D3DXVECTOR2& v) const { return !(*this == v); }
};

struct D3DXVECTOR3 : public D3DVECTOR {
  D3DXVECTOR3() = default;
  D3DXVECTOR3(float fx, float fy, float fz) { x = fx; y = fy; z = fz; }
  D3DXVECTOR3(const D3DVECTOR& v) { x = v.x; y = v.y; z = v.z; }
  explicit D3DXVECTOR3(const float* f) { x = f[0]; y = f[1]; z = f[2]; }
  operator float*() { return &x; }
  operator const float*() const { return &x; }
  D3DXVECTOR3& operator+=(const D3DXVECTOR3& v) { x += v.x; y += v.y; z += v.z; return *this; }
  D3DXVECTOR3& operator-=(const D3DXVECTOR3& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
  D3DXVECTOR3& operator*=(float f) { x *= f; y *= f; z *= f; return *this; }
  D3DXVECTOR3& operator/=(float f) { float i = 1.0f / f; x *= i; y *= i; z *= i; return *this; }
  D3DXVECTOR3 operator+() const { return *this; }
  D3DXVECTOR3 operator-() const { return D3DXVECTOR3(-x, -y, -z); }
  D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x + v.x, y + v.y, z + v.z); }
  D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x - v.x, y - v.y, z - v.z); }
  D3DXVECTOR3 operator*(float f) const { return D3DXVECTOR3(x * f, y * f, z * f); }
  D3DXVECTOR3 operator/(float f) const { float i = 1.0f / f; return D3DXVECTOR3(x * i, y * i, z * i); }
  friend D3DXVECTOR3 operator*(float f, const D3DXVECTOR3& v) { return v * f; }
  bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
  bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }
};

struct D3DXVECTOR4 {
  float x, y, z, w;
  D3DXVECTOR4() = default;
  D3DXVECTOR4(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}
  D3DXVECTOR4(const D3DVECTOR& v, float fw) : x(v.x), y(v.y), z(v.z), w(fw) {}
  explicit D3DXVECTOR4(const float* f) : x(f[0]), y(f[1]), z(f[2]), w(f[3]) {}
  operator float*() { return &x; }
  operator const float*() const { return &x; }
  D3DXVECTOR4 operator+(const D3DXVECTOR4& v) const { return D3DXVECTOR4(x + v.x, y + v.y, z + v.z, w + v.w); }
  D3DXVECTOR4 operator-(const D3DXVECTOR4& v) const { return D3DXVECTOR4(x - v.x, y - v.y, z - v.z, w - v.w); }
  D3DXVECTOR4 operator*(float f) const { return D3DXVECTOR4(x * f, y * f, z * f, w * f); }
  bool operator==(const D3DXVECTOR4& v) const { return x == v.x && y == v.y && z == v.z && w == v.w; }
  bool operator!=(const D3DXVECTOR4& v) const { return !(*this == v); }
};

struct D3DXMATRIX : public D3DMATRIX {
  D3DXMATRIX() = default;
  explicit D3DXMATRIX(const float* f) {
    for (int i = 0; i < 16; ++i) m[i / 4][i % 4] = f[i];
  }
  D3DXMATRIX(const D3DMATRIX& o) : D3DMATRIX(o) {}
  D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23, float f24,
             float f31, float f32, float f33, float f34, float f41, float f42, float f43, float f44) {
    _11 = f11; _12 = f12; _13 = f13; _14 = f14;
    _21 = f21; _22 = f22; _23 = f23; _24 = f24;
    _31 = f31; _32 = f32; _33 = f33; _34 = f34;
    _41 = f41; _42 = f42; _43 = f43; _44 = f44;
  }
  float& operator()(unsigned row, unsigned col) { return m[row][col]; }
  float operator()(unsigned row, unsigned col) const { return m[row][col]; }
  operator float*() { return &_11; }
  operator const float*() const { return &_11; }
  D3DXMATRIX operator*(const D3DXMATRIX& o) const {
    D3DXMATRIX r;
    pmath::MatrixMultiply(r, *this, o);
    return r;
  }
  D3DXMATRIX& operator*=(const D3DXMATRIX& o) {
    *this = *this * o;
    return *this;
  }
  bool operator==(const D3DXMATRIX& o) const {
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j)
        if (m[i][j] != o.m[i][j]) return false;
    return true;
  }
  bool operator!=(const D3DXMATRIX& o) const { return !(*this == o); }
};

// D3DX math under its own names, over the portable implementation.
inline D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) { pmath::MatrixIdentity(*out); return out; }
inline BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* m) { return pmath::MatrixIsIdentity(*m); }
inline D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
  pmath::MatrixMultiply(*out, *a, *b);
  return out;
}
inline D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* a) {
  pmath::MatrixTranspose(*out, *a);
  return out;
}
inline D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
  pmath::MatrixScaling(*out, sx, sy, sz);
  return out;
}
inline D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
  pmath::MatrixTranslation(*out, x, y, z);
  return out;
}
inline D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float a) { pmath::MatrixRotationX(*out, a); return out; }
inline D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float a) { pmath::MatrixRotationY(*out, a); return out; }
inline D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float a) { pmath::MatrixRotationZ(*out, a); return out; }
inline D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float a) {
  pmath::MatrixRotationAxis(*out, *axis, a);
  return out;
}
inline D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll) {
  pmath::MatrixRotationYawPitchRoll(*out, yaw, pitch, roll);
  return out;
}
inline D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                                      const D3DXVECTOR3* up) {
  pmath::MatrixLookAtLH(*out, *eye, *at, *up);
  return out;
}
inline D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, float l, float r, float b, float t, float zn,
                                              float zf) {
  pmath::MatrixOrthoOffCenterLH(*out, l, r, b, t, zn, zf);
  return out;
}
inline D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float w, float h, float zn, float zf) {
  pmath::MatrixOrthoOffCenterLH(*out, -w / 2, w / 2, -h / 2, h / 2, zn, zf);
  return out;
}
inline D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf) {
  pmath::MatrixPerspectiveFovLH(*out, fovy, aspect, zn, zf);
  return out;
}
inline D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* det, const D3DXMATRIX* m) {
  return pmath::MatrixInverse(*out, det, *m) ? out : nullptr;
}
inline D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  pmath::Vec3TransformCoord(*out, *v, *m);
  return out;
}
inline D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  pmath::Vec3TransformNormal(*out, *v, *m);
  return out;
}
inline D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  pmath::Vec3Transform(*out, *v, *m);
  return out;
}
inline D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m) {
  pmath::Vec4Transform(*out, *v, *m);
  return out;
}
inline D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
  pmath::Vec3Normalize(*out, *v);
  return out;
}
inline float D3DXVec3Length(const D3DXVECTOR3* v) { return pmath::Vec3Length(*v); }
inline float D3DXVec3LengthSq(const D3DXVECTOR3* v) { return v->x * v->x + v->y * v->y + v->z * v->z; }
inline float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) { return a->x * b->x + a->y * b->y + a->z * b->z; }
inline D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  pmath::Vec3Cross(*out, *a, *b);
  return out;
}
inline D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b, float s) {
  *out = D3DXVECTOR3(a->x + s * (b->x - a->x), a->y + s * (b->y - a->y), a->z + s * (b->z - a->z));
  return out;
}
inline float D3DXVec2Length(const D3DXVECTOR2* v) { return pmath::Vec2Length(*v); }
inline D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* out, const D3DXVECTOR2* v) {
  pmath::Vec2Normalize(*out, *v);
  return out;
}

#ifndef D3DX_PI
#define D3DX_PI ((float)3.141592654f)
#endif
#define D3DXToRadian(degree) ((degree) * (D3DX_PI / 180.0f))
#define D3DXToDegree(radian) ((radian) * (180.0f / D3DX_PI))

#include "platform/d3dx_math.h"

#include <cmath>
#include <cstring>

namespace pmath {
namespace {

inline float At(const float* m, int r, int c) { return m[r * 4 + c]; }

void Set(float* out, float a11, float a12, float a13, float a14, float a21, float a22, float a23, float a24,
         float a31, float a32, float a33, float a34, float a41, float a42, float a43, float a44) {
  const float v[16] = {a11, a12, a13, a14, a21, a22, a23, a24, a31, a32, a33, a34, a41, a42, a43, a44};
  std::memcpy(out, v, sizeof v);
}

float Dot3(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

}  // namespace

void MatrixIdentity(float* out) { Set(out, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1); }

bool MatrixIsIdentity(const float* m) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (At(m, r, c) != (r == c ? 1.0f : 0.0f)) return false;
  return true;
}

void MatrixMultiply(float* out, const float* a, const float* b) {
  float t[16];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      t[r * 4 + c] = At(a, r, 0) * At(b, 0, c) + At(a, r, 1) * At(b, 1, c) + At(a, r, 2) * At(b, 2, c) +
                     At(a, r, 3) * At(b, 3, c);
  std::memcpy(out, t, sizeof t);
}

void MatrixTranspose(float* out, const float* a) {
  float t[16];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) t[c * 4 + r] = At(a, r, c);
  std::memcpy(out, t, sizeof t);
}

void MatrixScaling(float* out, float sx, float sy, float sz) {
  Set(out, sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1);
}

void MatrixTranslation(float* out, float x, float y, float z) {
  Set(out, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
}

void MatrixRotationX(float* out, float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  Set(out, 1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
}

void MatrixRotationY(float* out, float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  Set(out, c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
}

void MatrixRotationZ(float* out, float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  Set(out, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
}

void MatrixRotationAxis(float* out, const float* axis, float angle) {
  float n[3];
  Vec3Normalize(n, axis);
  const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
  const float x = n[0], y = n[1], z = n[2];
  Set(out, t * x * x + c, t * x * y + s * z, t * x * z - s * y, 0,  //
      t * x * y - s * z, t * y * y + c, t * y * z + s * x, 0,       //
      t * x * z + s * y, t * y * z - s * x, t * z * z + c, 0,       //
      0, 0, 0, 1);
}

void MatrixRotationYawPitchRoll(float* out, float yaw, float pitch, float roll) {
  // Roll about Z first, then pitch about X, then yaw about Y.
  float rz[16], rx[16], ry[16];
  MatrixRotationZ(rz, roll);
  MatrixRotationX(rx, pitch);
  MatrixRotationY(ry, yaw);
  MatrixMultiply(out, rz, rx);
  MatrixMultiply(out, out, ry);
}

void MatrixLookAtLH(float* out, const float* eye, const float* at, const float* up) {
  float z[3] = {at[0] - eye[0], at[1] - eye[1], at[2] - eye[2]};
  Vec3Normalize(z, z);
  float x[3];
  Vec3Cross(x, up, z);
  Vec3Normalize(x, x);
  float y[3];
  Vec3Cross(y, z, x);
  Set(out, x[0], y[0], z[0], 0, x[1], y[1], z[1], 0, x[2], y[2], z[2], 0,  //
      -Dot3(x, eye), -Dot3(y, eye), -Dot3(z, eye), 1);
}

void MatrixOrthoOffCenterLH(float* out, float l, float r, float b, float t, float zn, float zf) {
  Set(out, 2.0f / (r - l), 0, 0, 0, 0, 2.0f / (t - b), 0, 0, 0, 0, 1.0f / (zf - zn), 0,  //
      (l + r) / (l - r), (t + b) / (b - t), zn / (zn - zf), 1);
}

void MatrixPerspectiveFovLH(float* out, float fovy, float aspect, float zn, float zf) {
  const float ys = 1.0f / std::tan(fovy / 2.0f);
  const float xs = ys / aspect;
  Set(out, xs, 0, 0, 0, 0, ys, 0, 0, 0, 0, zf / (zf - zn), 1, 0, 0, -zn * zf / (zf - zn), 0);
}

bool MatrixInverse(float* out, float* det, const float* m) {
  // Cofactor expansion in double, so that near-singular matrices lose little.
  double a[16];
  for (int i = 0; i < 16; ++i) a[i] = m[i];
  double inv[16];
  inv[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] + a[9] * a[7] * a[14] +
           a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
  inv[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] - a[8] * a[7] * a[14] -
           a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
  inv[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] + a[8] * a[7] * a[13] +
           a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
  inv[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] - a[8] * a[6] * a[13] -
            a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
  inv[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] - a[9] * a[3] * a[14] -
           a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
  inv[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] + a[8] * a[3] * a[14] +
           a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
  inv[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] - a[8] * a[3] * a[13] -
           a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
  inv[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] + a[8] * a[2] * a[13] +
            a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
  inv[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] + a[5] * a[3] * a[14] +
           a[13] * a[2] * a[7] - a[13] * a[3] * a[6];
  inv[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] - a[4] * a[3] * a[14] -
           a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
  inv[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] + a[4] * a[3] * a[13] +
            a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
  inv[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] - a[4] * a[2] * a[13] -
            a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
  inv[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] - a[5] * a[3] * a[10] -
           a[9] * a[2] * a[7] + a[9] * a[3] * a[6];
  inv[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] + a[4] * a[3] * a[10] +
           a[8] * a[2] * a[7] - a[8] * a[3] * a[6];
  inv[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] - a[4] * a[3] * a[9] -
            a[8] * a[1] * a[7] + a[8] * a[3] * a[5];
  inv[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] + a[4] * a[2] * a[9] +
            a[8] * a[1] * a[6] - a[8] * a[2] * a[5];
  const double d = a[0] * inv[0] + a[1] * inv[4] + a[2] * inv[8] + a[3] * inv[12];
  if (d == 0.0 || !std::isfinite(d)) return false;  // as D3DX: out and det untouched
  if (det) *det = static_cast<float>(d);
  for (int i = 0; i < 16; ++i) out[i] = static_cast<float>(inv[i] / d);
  return true;
}

void Vec3TransformCoord(float* out, const float* v, const float* m) {
  const float w = v[0] * At(m, 0, 3) + v[1] * At(m, 1, 3) + v[2] * At(m, 2, 3) + At(m, 3, 3);
  float r[3];
  for (int c = 0; c < 3; ++c) r[c] = (v[0] * At(m, 0, c) + v[1] * At(m, 1, c) + v[2] * At(m, 2, c) + At(m, 3, c)) / w;
  std::memcpy(out, r, sizeof r);
}

void Vec3TransformNormal(float* out, const float* v, const float* m) {
  float r[3];
  for (int c = 0; c < 3; ++c) r[c] = v[0] * At(m, 0, c) + v[1] * At(m, 1, c) + v[2] * At(m, 2, c);
  std::memcpy(out, r, sizeof r);
}

void Vec3Transform(float* out4, const float* v, const float* m) {
  float r[4];
  for (int c = 0; c < 4; ++c) r[c] = v[0] * At(m, 0, c) + v[1] * At(m, 1, c) + v[2] * At(m, 2, c) + At(m, 3, c);
  std::memcpy(out4, r, sizeof r);
}

void Vec4Transform(float* out, const float* v, const float* m) {
  float r[4];
  for (int c = 0; c < 4; ++c)
    r[c] = v[0] * At(m, 0, c) + v[1] * At(m, 1, c) + v[2] * At(m, 2, c) + v[3] * At(m, 3, c);
  std::memcpy(out, r, sizeof r);
}

float Vec3Length(const float* v) { return std::sqrt(Dot3(v, v)); }

void Vec3Normalize(float* out, const float* v) {
  const float len = Vec3Length(v);
  if (len == 0.0f) {
    out[0] = out[1] = out[2] = 0.0f;
    return;
  }
  const float r[3] = {v[0] / len, v[1] / len, v[2] / len};
  std::memcpy(out, r, sizeof r);
}

void Vec3Cross(float* out, const float* a, const float* b) {
  const float r[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  std::memcpy(out, r, sizeof r);
}

float Vec2Length(const float* v) { return std::sqrt(v[0] * v[0] + v[1] * v[1]); }

void Vec2Normalize(float* out, const float* v) {
  const float len = Vec2Length(v);
  if (len == 0.0f) {
    out[0] = out[1] = 0.0f;
    return;
  }
  const float r[2] = {v[0] / len, v[1] / len};
  std::memcpy(out, r, sizeof r);
}

}  // namespace pmath

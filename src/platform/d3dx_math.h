// Portable copy of the D3DX matrix and vector math the core uses, over plain float arrays
// (a matrix is 16 floats in row order, a vector 2, 3 or 4 floats). Natively the D3DX names call these;
// on Windows the real D3DX is used and these exist so that tests can check one against the other.
#pragma once

namespace pmath {

void MatrixIdentity(float* out);
bool MatrixIsIdentity(const float* m);
void MatrixMultiply(float* out, const float* a, const float* b);  // a applied first; out may alias a or b
void MatrixTranspose(float* out, const float* a);
void MatrixScaling(float* out, float sx, float sy, float sz);
void MatrixTranslation(float* out, float x, float y, float z);
void MatrixRotationX(float* out, float angle);
void MatrixRotationY(float* out, float angle);
void MatrixRotationZ(float* out, float angle);
void MatrixRotationAxis(float* out, const float* axis, float angle);
void MatrixRotationYawPitchRoll(float* out, float yaw, float pitch, float roll);
void MatrixLookAtLH(float* out, const float* eye, const float* at, const float* up);
void MatrixOrthoOffCenterLH(float* out, float l, float r, float b, float t, float zn, float zf);
void MatrixPerspectiveFovLH(float* out, float fovy, float aspect, float zn, float zf);
// False (out and det untouched) when m is singular; otherwise det, when given, receives the determinant.
bool MatrixInverse(float* out, float* det, const float* m);

void Vec3TransformCoord(float* out, const float* v, const float* m);
void Vec3TransformNormal(float* out, const float* v, const float* m);
void Vec3Transform(float* out4, const float* v, const float* m);
void Vec4Transform(float* out, const float* v, const float* m);
void Vec3Normalize(float* out, const float* v);  // a zero vector normalises to zero
float Vec3Length(const float* v);
void Vec3Cross(float* out, const float* a, const float* b);
float Vec2Length(const float* v);
void Vec2Normalize(float* out, const float* v);

}  // namespace pmath

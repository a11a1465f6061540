// One suite for both builds: natively it checks our own D3DX math, under Wine the real D3DX.
// On Windows it also checks our portable copy against the real functions on many inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "platform/d3dx_math.h"
#include "platform/types.h"

namespace {

const float kTol = 1e-5f;

void ExpectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float tol = kTol) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], tol) << "row " << r << " col " << c;
}

D3DXMATRIX Rows(float a, float b, float c, float d, float e, float f, float g, float h, float i, float j, float k,
                float l, float m, float n, float o, float p) {
  return D3DXMATRIX(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p);
}

}  // namespace

TEST(D3dxMathTest, BasicMatrices) {
  D3DXMATRIX m;
  ExpectMatrixNear(*D3DXMatrixIdentity(&m), Rows(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
  ExpectMatrixNear(*D3DXMatrixScaling(&m, 2, 3, 4), Rows(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1));
  ExpectMatrixNear(*D3DXMatrixTranslation(&m, 5, 6, 7), Rows(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1));
  const float a = 0.5f, c = std::cos(a), s = std::sin(a);
  ExpectMatrixNear(*D3DXMatrixRotationX(&m, a), Rows(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1));
  ExpectMatrixNear(*D3DXMatrixRotationY(&m, a), Rows(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1));
  ExpectMatrixNear(*D3DXMatrixRotationZ(&m, a), Rows(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
}

TEST(D3dxMathTest, MultiplyAppliesLeftFirst) {
  D3DXMATRIX s, t, st, ts;
  D3DXMatrixScaling(&s, 2, 2, 2);
  D3DXMatrixTranslation(&t, 1, 0, 0);
  D3DXMatrixMultiply(&st, &s, &t);
  D3DXMatrixMultiply(&ts, &t, &s);
  D3DXVECTOR3 p(1, 1, 1), out;
  D3DXVec3TransformCoord(&out, &p, &st);  // scale, then move: (3, 2, 2)
  EXPECT_NEAR(out.x, 3, kTol);
  EXPECT_NEAR(out.y, 2, kTol);
  D3DXVec3TransformCoord(&out, &p, &ts);  // move, then scale: (4, 2, 2)
  EXPECT_NEAR(out.x, 4, kTol);
  ExpectMatrixNear(s * t, st);
  // The output may be one of the inputs.
  D3DXMatrixMultiply(&s, &s, &t);
  ExpectMatrixNear(s, st);
}

TEST(D3dxMathTest, YawPitchRollIsRollThenPitchThenYaw) {
  D3DXMATRIX ypr, rz, rx, ry, expect;
  D3DXMatrixRotationYawPitchRoll(&ypr, 0.3f, -0.7f, 1.1f);
  D3DXMatrixRotationZ(&rz, 1.1f);
  D3DXMatrixRotationX(&rx, -0.7f);
  D3DXMatrixRotationY(&ry, 0.3f);
  expect = rz * rx * ry;
  ExpectMatrixNear(ypr, expect);
}

TEST(D3dxMathTest, Projections) {
  D3DXMATRIX m;
  D3DXMatrixOrthoOffCenterLH(&m, 0, 800, 600, 0, 0, 1);  // y down, as for screen pixels
  ExpectMatrixNear(m, Rows(2.0f / 800, 0, 0, 0, 0, -2.0f / 600, 0, 0, 0, 0, 1, 0, -1, 1, 0, 1));
  D3DXMatrixPerspectiveFovLH(&m, D3DX_PI / 4, 4.0f / 3, 1, 100);
  const float ys = 1 / std::tan(D3DX_PI / 8);
  ExpectMatrixNear(m, Rows(ys * 3 / 4, 0, 0, 0, 0, ys, 0, 0, 0, 0, 100.0f / 99, 1, 0, 0, -100.0f / 99, 0));
  D3DXVECTOR3 eye(0, 0, -5), at(0, 0, 0), up(0, 1, 0);
  D3DXMatrixLookAtLH(&m, &eye, &at, &up);
  ExpectMatrixNear(m, Rows(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 5, 1));
  D3DXVECTOR3 eye2(3, 4, 5), at2(-1, 0.5f, 2);
  D3DXMatrixLookAtLH(&m, &eye2, &at2, &up);
  D3DXVECTOR3 p;
  D3DXVec3TransformCoord(&p, &eye2, &m);  // the eye is the origin of the view
  EXPECT_NEAR(p.x, 0, kTol);
  EXPECT_NEAR(p.y, 0, kTol);
  EXPECT_NEAR(p.z, 0, kTol);
  D3DXVec3TransformCoord(&p, &at2, &m);  // the target lies on +z
  EXPECT_NEAR(p.x, 0, 1e-4);
  EXPECT_NEAR(p.y, 0, 1e-4);
  EXPECT_GT(p.z, 0);
}

TEST(D3dxMathTest, InverseAndDeterminant) {
  D3DXMATRIX a = Rows(2, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0.5f, 0, 1, 2, 3, 1), inv, prod, id;
  float det = 0;
  ASSERT_NE(D3DXMatrixInverse(&inv, &det, &a), nullptr);
  EXPECT_NEAR(det, 4.0f, kTol);
  D3DXMatrixMultiply(&prod, &a, &inv);
  ExpectMatrixNear(prod, *D3DXMatrixIdentity(&id));
  D3DXMATRIX singular = Rows(1, 2, 3, 4, 2, 4, 6, 8, 0, 0, 1, 0, 0, 0, 0, 1);
  EXPECT_EQ(D3DXMatrixInverse(&inv, &det, &singular), nullptr);
}

TEST(D3dxMathTest, VectorTransformsAndNormalize) {
  D3DXMATRIX m = Rows(1, 2, 3, 0.5f, 4, 5, 6, 0.25f, 7, 8, 9, 0, 1, 1, 1, 2);
  D3DXVECTOR3 v(1, 2, 3), o;
  D3DXVec3TransformCoord(&o, &v, &m);
  const float w = 0.5f + 0.5f + 0 + 2;
  EXPECT_NEAR(o.x, (1 + 8 + 21 + 1) / w, kTol);
  EXPECT_NEAR(o.y, (2 + 10 + 24 + 1) / w, kTol);
  EXPECT_NEAR(o.z, (3 + 12 + 27 + 1) / w, kTol);
  D3DXVECTOR4 v4(1, 2, 3, 4), o4;
  D3DXVec4Transform(&o4, &v4, &m);
  EXPECT_NEAR(o4.x, 1 + 8 + 21 + 4, kTol);
  EXPECT_NEAR(o4.w, 0.5f + 0.5f + 0 + 8, kTol);

  D3DXVECTOR3 n;
  D3DXVECTOR3 in(3, 0, 4);
  D3DXVec3Normalize(&n, &in);
  EXPECT_NEAR(n.x, 0.6f, kTol);
  EXPECT_NEAR(n.z, 0.8f, kTol);
  D3DXVECTOR3 zero(0, 0, 0);
  D3DXVec3Normalize(&n, &zero);
  EXPECT_EQ(n.x, 0.0f);
  EXPECT_EQ(n.y, 0.0f);
  EXPECT_EQ(n.z, 0.0f);
}

#ifdef _WIN32
// Our portable copy agrees with the real D3DX on many inputs.
TEST(D3dxMathTest, PortableCopyMatchesRealD3dx) {
  uint32_t state = 12345;
  auto next = [&state]() {
    state = state * 1664525u + 1013904223u;
    return static_cast<float>((state >> 8) & 0xFFFF) / 65535.0f * 4.0f - 2.0f;
  };
  for (int i = 0; i < 200; ++i) {
    SCOPED_TRACE(i);
    D3DXMATRIX a, b, real, ours;
    for (int k = 0; k < 16; ++k) {
      a.m[k / 4][k % 4] = next();
      b.m[k / 4][k % 4] = next();
    }
    D3DXMatrixMultiply(&real, &a, &b);
    pmath::MatrixMultiply(ours, a, b);
    ExpectMatrixNear(real, ours, 1e-5f);
    float dr = 0, dp = 0;
    if (D3DXMatrixInverse(&real, &dr, &a)) {
      ASSERT_TRUE(pmath::MatrixInverse(ours, &dp, a));
      EXPECT_NEAR(dr, dp, 1e-4f * std::fmax(1.0f, std::fabs(dr)));
      if (std::fabs(dr) > 0.05f) {
        ExpectMatrixNear(real, ours, 1e-3f);
      }
    }
    const float x = next(), y = next(), z = next();
    D3DXMatrixRotationYawPitchRoll(&real, x, y, z);
    pmath::MatrixRotationYawPitchRoll(ours, x, y, z);
    ExpectMatrixNear(real, ours);
    D3DXVECTOR3 eye(x, y, z), at(y, z, x + 3.0f), up(0, 1, 0);
    D3DXMatrixLookAtLH(&real, &eye, &at, &up);
    pmath::MatrixLookAtLH(ours, eye, at, up);
    ExpectMatrixNear(real, ours, 1e-4f);
    D3DXMatrixOrthoOffCenterLH(&real, x, x + 3, y, y + 2, 0, 1);
    pmath::MatrixOrthoOffCenterLH(ours, x, x + 3, y, y + 2, 0, 1);
    ExpectMatrixNear(real, ours);
    D3DXMatrixPerspectiveFovLH(&real, 0.5f + std::fabs(x) * 0.5f, 1.0f + std::fabs(y), 0.1f, 100.0f);
    pmath::MatrixPerspectiveFovLH(ours, 0.5f + std::fabs(x) * 0.5f, 1.0f + std::fabs(y), 0.1f, 100.0f);
    ExpectMatrixNear(real, ours, 1e-4f);
    D3DXVECTOR3 v(x, y, z), rv, pv;
    D3DXVec3TransformCoord(&rv, &v, &a);
    pmath::Vec3TransformCoord(pv, v, a);
    if (std::fabs(rv.x) < 1e4f) {
      EXPECT_NEAR(rv.x, pv.x, 1e-3f * std::fmax(1.0f, std::fabs(rv.x)));
    }
    D3DXVec3Normalize(&rv, &v);
    pmath::Vec3Normalize(pv, v);
    EXPECT_NEAR(rv.x, pv.x, kTol);
    EXPECT_NEAR(rv.y, pv.y, kTol);
    EXPECT_NEAR(rv.z, pv.z, kTol);
    D3DXVECTOR4 v4(x, y, z, 1.0f), r4, p4;
    D3DXVec4Transform(&r4, &v4, &a);
    pmath::Vec4Transform(p4, v4, a);
    EXPECT_NEAR(r4.w, p4.w, 1e-4f);
  }
}
#endif

#include "render/quad_builders.h"

#include "platform/x86_convert.h"

namespace {

template <class V>
void WritePositions(const ScreenQuad& q, V* v) {
  for (int i = 0; i < 4; ++i) {
    v[i].x = q.v[i].x;
    v[i].y = q.v[i].y;
    v[i].z = 0;
  }
}

template <class V>
void WriteColor(V* v, D3DCOLOR color) {
  for (int i = 0; i < 4; ++i) v[i].color = color;
}

D3DCOLOR WithAlpha(D3DCOLOR c, float alpha) {
  return (c & 0x00FFFFFFu) | ((DWORD)TruncToByte(alpha * 255.0f) << 24);
}

// Locks the mesh, runs write on its four vertices, unlocks; nothing without a four-vertex buffer.
template <class V, class Write>
void WriteQuad(DS_SimpleMesh<V>& mesh, Write write) {
  if (mesh.vertexCount < 4) return;
  if (V* v = mesh.LockVertices()) {
    write(v);
    mesh.UnlockVertices();
  }
}

}  // namespace

void WriteQuadIndices(WORD* out, UINT quads) {
  for (UINT i = 0; i < quads; ++i) {
    WORD b = (WORD)(4 * i);
    WORD* o = out + 6 * i;
    o[0] = b;
    o[1] = (WORD)(b + 1);
    o[2] = (WORD)(b + 2);
    o[3] = (WORD)(b + 2);
    o[4] = (WORD)(b + 1);
    o[5] = (WORD)(b + 3);
  }
}

void WriteRhwQuadCorners(const ScreenQuad& q, DX_V::RHWC* v) {
  WritePositions(q, v);
  for (int i = 0; i < 4; ++i) v[i].rhw = q.v[i].z;
}

void WriteRhwTexQuadCorners(const ScreenQuad& q, DX_V::RHWCT* v) {
  WritePositions(q, v);
  for (int i = 0; i < 4; ++i) {
    v[i].rhw = q.v[i].z;
    v[i].u = q.v[i].u;
    v[i].v = q.v[i].v;
  }
}

void WriteColorQuadCorners(const ScreenQuad& q, DX_V::PC* v) { WritePositions(q, v); }

void SetCornerAlpha(D3DCOLOR* c0, D3DCOLOR* c1, D3DCOLOR* c2, D3DCOLOR* c3, float a, float b, float c, float d) {
  *c0 = WithAlpha(*c0, a);
  *c2 = WithAlpha(*c2, b);
  *c1 = WithAlpha(*c1, c);
  *c3 = WithAlpha(*c3, d);
}

void TexQuad::SetTexture(IDirect3DTexture9* tex, const ScreenQuad& q) {
  texture.Share(tex);
  if (FAILED(CreateQuadStripOf<DX_V::RHWCT>())) return;
  WriteQuad(*this, [&](DX_V::RHWCT* v) {
    WriteRhwTexQuadCorners(q, v);
    WriteColor(v, 0xFFFFFFFF);
  });
}

void TexQuad::SetDefaultTexture(const ScreenQuad& q) {
  // Resource id 0 cannot name a resource, so the executable's picture 0 is always missing.
  SetTexture(static_cast<IDirect3DTexture9*>(nullptr), q);
}

void TexQuad::SetRect(const ScreenQuad& q) {
  WriteQuad(*this, [&](DX_V::RHWCT* v) { WriteRhwTexQuadCorners(q, v); });
}

HRESULT CreateVertexBufferRHWC(DS_SimpleMesh<DX_V::RHWC>& mesh, UINT n, DWORD usage, D3DPOOL pool) {
  return mesh.CreateVertexBuffer(n, usage, pool);
}

HRESULT CreateVertexBufferPC(DS_SimpleMesh<DX_V::PC>& mesh, UINT n, DWORD usage, D3DPOOL pool) {
  return mesh.CreateVertexBuffer(n, usage, pool);
}

HRESULT CreateQuadBufferRHWC(DS_SimpleMesh<DX_V::RHWC>& mesh) { return mesh.CreateQuadStripOf(); }
HRESULT CreateQuadBufferPC(DS_SimpleMesh<DX_V::PC>& mesh) { return mesh.CreateQuadStripOf(); }
HRESULT CreateQuadBufferRHWCT(DS_SimpleMesh<DX_V::RHWCT>& mesh) { return mesh.CreateQuadStripOf(); }

HRESULT BuildRhwColorQuad(DS_SimpleMesh<DX_V::RHWC>& mesh, D3DCOLOR color, const ScreenQuad& q) {
  HRESULT hr = CreateQuadBufferRHWC(mesh);
  WriteQuad(mesh, [&](DX_V::RHWC* v) {
    WriteRhwQuadCorners(q, v);
    WriteColor(v, color);
  });
  return hr;
}

void SetRhwQuadRect(DS_SimpleMesh<DX_V::RHWC>& mesh, const ScreenQuad& q) {
  WriteQuad(mesh, [&](DX_V::RHWC* v) { WriteRhwQuadCorners(q, v); });
}

void SetRhwQuadCornerAlpha(DS_SimpleMesh<DX_V::RHWC>& mesh, float a, float b, float c, float d) {
  WriteQuad(mesh, [&](DX_V::RHWC* v) { SetCornerAlpha(&v[0].color, &v[1].color, &v[2].color, &v[3].color, a, b, c, d); });
}

HRESULT BuildColorQuad(DS_SimpleMesh<DX_V::PC>& mesh, D3DCOLOR color, const ScreenQuad& q) {
  HRESULT hr = CreateQuadBufferPC(mesh);
  WriteQuad(mesh, [&](DX_V::PC* v) {
    WriteColorQuadCorners(q, v);
    WriteColor(v, color);
  });
  return hr;
}

void SetColorQuadRect(DS_SimpleMesh<DX_V::PC>& mesh, const ScreenQuad& q) {
  WriteQuad(mesh, [&](DX_V::PC* v) { WriteColorQuadCorners(q, v); });
}

void SetColorQuadRgb(DS_SimpleMesh<DX_V::PC>& mesh, D3DCOLOR rgb) {
  WriteQuad(mesh, [&](DX_V::PC* v) {
    for (int i = 0; i < 4; ++i) v[i].color = (v[i].color & 0xFF000000u) | (rgb & 0x00FFFFFFu);
  });
}

void SetColorQuadCornerAlpha(DS_SimpleMesh<DX_V::PC>& mesh, float a, float b, float c, float d) {
  WriteQuad(mesh, [&](DX_V::PC* v) { SetCornerAlpha(&v[0].color, &v[1].color, &v[2].color, &v[3].color, a, b, c, d); });
}

void SubtractVertexPT(const DX_V::PT& a, const DX_V::PT& b, DX_V::PT* out) {
  *out = DX_V::PT{b.x - a.x, b.y - a.y, b.z - a.z, b.u - a.u, b.v - a.v};
}

void ScaleVertexPT(const DX_V::PT& v, float s, DX_V::PT* out) { *out = DX_V::PT{v.x * s, v.y * s, v.z * s, v.u * s, v.v * s}; }

namespace {
DX_V::PT Lerp(const DX_V::PT& a, const DX_V::PT& b, UINT step, UINT steps) {
  // One row or column only: the first corner.
  float t = steps ? (float)step / (float)steps : 0.0f;
  DX_V::PT d, s;
  SubtractVertexPT(a, b, &d);
  ScaleVertexPT(d, t, &s);
  return DX_V::PT{a.x + s.x, a.y + s.y, a.z + s.z, a.u + s.u, a.v + s.v};
}
}  // namespace

void FillGrid(DX_V::PT* out, UINT columns, UINT rows, const DX_V::PT corners[4]) {
  for (UINT r = 0; r <= rows; ++r) {
    DX_V::PT left = Lerp(corners[0], corners[2], r, rows);
    DX_V::PT right = Lerp(corners[1], corners[3], r, rows);
    for (UINT i = 0; i <= columns; ++i) out[r * (columns + 1) + i] = Lerp(left, right, i, columns);
  }
}

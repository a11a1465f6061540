// Four-vertex screen quads: textured overlays (TexQuad), coloured quads in screen pixels (RHWC) or in
// world units (PC), the corner writers they share, and the bilinear grid builder for PT meshes.
// Every writer locks the whole buffer, writes and unlocks; without a buffer, or when the lock fails,
// the mesh stays as it was.
#pragma once

#include "platform/types.h"
#include "render/mesh.h"
#include "scene/screen_quad.h"
#include "scene/texture_types.h"

// A textured four-vertex strip for screen overlays (pre-transformed RHWCT vertices).
class TexQuad : public DS_SimpleMesh<DX_V::RHWCT> {
 public:
  // Holds tex (which may be null), makes a new four-vertex buffer with the quad's corners, opaque white.
  void SetTexture(IDirect3DTexture9* tex, const ScreenQuad& q);
  // The same with *tex (tex may be null).
  void SetTexture(IDirect3DTexture9** tex, const ScreenQuad& q) { SetTexture(tex ? *tex : nullptr, q); }
  // As SetTexture with the executable's picture 0, which never exists: a quad without a texture.
  void SetDefaultTexture(const ScreenQuad& q);
  // Positions and texture coordinates from the quad; colours kept.
  void SetRect(const ScreenQuad& q);

  ComRef<IDirect3DTexture9> texture;
};

// A textured quad with the picture it shows; the picture's texture is released with it.
class QuadRenderObject : public TexQuad {
 public:
  TextureInfo info;
};

// The picture of quad becomes a square managed copy of *src, 128 << n pixels on a side (n within 0..4
// and the device's largest texture). Windows only.
void MakeSquareTextureCopy(int n, QuadRenderObject& quad, IDirect3DTexture9** src);

// Corner writers into vertices already locked (four of them, in strip order): x, y, z 0, rhw = the
// quad's z (and u, v for the textured kind); colours untouched.
void WriteRhwQuadCorners(const ScreenQuad& q, DX_V::RHWC* v);
void WriteRhwTexQuadCorners(const ScreenQuad& q, DX_V::RHWCT* v);
void WriteColorQuadCorners(const ScreenQuad& q, DX_V::PC* v);

// Alpha of the four colours from a, b, c, d in 0..1 (truncated x 255): a bottom-left, b bottom-right,
// c top-left, d top-right; RGB kept.
void SetCornerAlpha(D3DCOLOR* c0, D3DCOLOR* c1, D3DCOLOR* c2, D3DCOLOR* c3, float a, float b, float c, float d);

HRESULT CreateVertexBufferRHWC(DS_SimpleMesh<DX_V::RHWC>& mesh, UINT n, DWORD usage, D3DPOOL pool);
HRESULT CreateVertexBufferPC(DS_SimpleMesh<DX_V::PC>& mesh, UINT n, DWORD usage, D3DPOOL pool);
HRESULT CreateQuadBufferRHWC(DS_SimpleMesh<DX_V::RHWC>& mesh);
HRESULT CreateQuadBufferPC(DS_SimpleMesh<DX_V::PC>& mesh);
HRESULT CreateQuadBufferRHWCT(DS_SimpleMesh<DX_V::RHWCT>& mesh);

// Screen-pixel coloured quads.
HRESULT BuildRhwColorQuad(DS_SimpleMesh<DX_V::RHWC>& mesh, D3DCOLOR color, const ScreenQuad& q);
void SetRhwQuadRect(DS_SimpleMesh<DX_V::RHWC>& mesh, const ScreenQuad& q);
void SetRhwQuadCornerAlpha(DS_SimpleMesh<DX_V::RHWC>& mesh, float a, float b, float c, float d);

// World-unit coloured quads.
HRESULT BuildColorQuad(DS_SimpleMesh<DX_V::PC>& mesh, D3DCOLOR color, const ScreenQuad& q);
void SetColorQuadRect(DS_SimpleMesh<DX_V::PC>& mesh, const ScreenQuad& q);
void SetColorQuadRgb(DS_SimpleMesh<DX_V::PC>& mesh, D3DCOLOR rgb);
void SetColorQuadCornerAlpha(DS_SimpleMesh<DX_V::PC>& mesh, float a, float b, float c, float d);

// PT vertices as five-component vectors: out = b - a; out = v x s.
void SubtractVertexPT(const DX_V::PT& a, const DX_V::PT& b, DX_V::PT* out);
void ScaleVertexPT(const DX_V::PT& v, float s, DX_V::PT* out);
// A (columns + 1) x (rows + 1) grid, row-major, interpolated bilinearly between the corners c0 (row 0,
// column 0), c1 (row 0, last column), c2 (last row, column 0), c3 (last row, last column).
void FillGrid(DX_V::PT* out, UINT columns, UINT rows, const DX_V::PT corners[4]);

// For a mesh that carries `columns` and `rows`.
template <class GridMesh>
void FillGridMesh(GridMesh& mesh, const DX_V::PT corners[4]) {
  if (mesh.vertexCount < (mesh.columns + 1) * (mesh.rows + 1)) return;
  if (DX_V::PT* v = mesh.template LockVerticesAs<DX_V::PT>()) {
    FillGrid(v, mesh.columns, mesh.rows, corners);
    mesh.UnlockVertices();
  }
}

// Meshes on transform nodes: a vertex buffer (DS_SimpleMesh), plus a 16-bit index buffer
// (DS_IndexedMesh), quads of four vertices and six indices (DS_SpriteArrayT), with a texture
// (TexturedMesh), drawn at a list of instance frames (MeshPart), and a four-vertex textured strip (TexQuad).
// Meshes hold one reference on each buffer and texture; a copy shares them and adds a reference.
// Every buffer operation checks the buffer first: a buffer that could not be created stays null, its
// counts stay 0, and the mesh draws nothing.
#pragma once

#include <vector>

#include "platform/com_ref.h"
#include "platform/d3d9_types.h"
#include "render/frame.h"
#include "render/vertex_formats.h"
#include "scene/file_link.h"
#include "scene/render_device.h"

class DS_ImageFileLink;
class DS_MeshFile;

template <class V>
class DS_SimpleMesh : public DS_Frame {
 public:
  typedef V Vertex;

  DS_SimpleMesh()
      : lockedVertices(nullptr), vertexCount(0), primitiveType(D3DPT_TRIANGLESTRIP), primitiveCount(0) {}
  // A copy shares the buffer, never the other's lock.
  DS_SimpleMesh(const DS_SimpleMesh& o)
      : DS_Frame(o), vertexBuffer(o.vertexBuffer), lockedVertices(nullptr), vertexCount(o.vertexCount),
        primitiveType(o.primitiveType), primitiveCount(o.primitiveCount) {}
  DS_SimpleMesh& operator=(const DS_SimpleMesh& o) {
    if (this == &o) return *this;
    DS_Frame::operator=(o);
    vertexBuffer = o.vertexBuffer;
    lockedVertices = nullptr;
    vertexCount = o.vertexCount;
    primitiveType = o.primitiveType;
    primitiveCount = o.primitiveCount;
    return *this;
  }

  // Replaces the vertex buffer by one of n vertices of type T (the mesh's own type by default); the count
  // is stored only when the buffer was made, and is 0 otherwise.
  template <class T = V>
  HRESULT CreateVertexBufferOf(UINT n, DWORD usage, D3DPOOL pool) {
    ReleaseVertexBuffer();
    HRESULT hr = CreateGeometryVertexBuffer(n * (UINT)sizeof(T), usage, T::FVF, pool, vertexBuffer.Out());
    if (SUCCEEDED(hr)) vertexCount = n;
    return hr;
  }
  HRESULT CreateVertexBuffer(UINT n, DWORD usage, D3DPOOL pool) { return CreateVertexBufferOf<V>(n, usage, pool); }
  void ReleaseVertexBuffer() {
    vertexBuffer.Reset();
    lockedVertices = nullptr;
    vertexCount = 0;
  }
  // A four-vertex triangle strip of two triangles in a write-only managed buffer of type T.
  template <class T = V>
  HRESULT CreateQuadStripOf() {
    HRESULT hr = CreateVertexBufferOf<T>(4, D3DUSAGE_WRITEONLY, D3DPOOL_MANAGED);
    primitiveType = D3DPT_TRIANGLESTRIP;
    primitiveCount = SUCCEEDED(hr) ? 2 : 0;
    return hr;
  }

  // The whole buffer as vertices of type T, or null when there is no buffer or the lock fails.
  template <class T = V>
  T* LockVerticesAs(DWORD flags = 0) {
    void* p = nullptr;
    if (!vertexBuffer || FAILED(vertexBuffer->Lock(0, 0, &p, flags))) return nullptr;
    lockedVertices = p;
    return static_cast<T*>(p);
  }
  V* LockVertices(DWORD flags = 0) { return LockVerticesAs<V>(flags); }
  void UnlockVertices() {
    if (lockedVertices && vertexBuffer) vertexBuffer->Unlock();
    lockedVertices = nullptr;
  }

  ComRef<IDirect3DVertexBuffer9> vertexBuffer;
  void* lockedVertices;
  UINT vertexCount;
  D3DPRIMITIVETYPE primitiveType;
  UINT primitiveCount;  // for drawing without indices
};

template <class V>
class DS_IndexedMesh : public DS_SimpleMesh<V> {
 public:
  DS_IndexedMesh() : triangleCount(0), lockedIndices(nullptr) {}
  DS_IndexedMesh(const DS_IndexedMesh& o)
      : DS_SimpleMesh<V>(o), indexBuffer(o.indexBuffer), triangleCount(o.triangleCount), lockedIndices(nullptr) {}
  DS_IndexedMesh& operator=(const DS_IndexedMesh& o) {
    if (this == &o) return *this;
    DS_SimpleMesh<V>::operator=(o);
    indexBuffer = o.indexBuffer;
    triangleCount = o.triangleCount;
    lockedIndices = nullptr;
    return *this;
  }

  // Write-only buffers for a triangle list: vertices (managed unless asked otherwise), and managed 16-bit
  // indices with room for indices / 3 triangles. The triangle count is that number only when both
  // buffers were made.
  HRESULT CreateBuffers(UINT vertices, UINT indices, DWORD vertexUsage = D3DUSAGE_WRITEONLY,
                        D3DPOOL vertexPool = D3DPOOL_MANAGED) {
    HRESULT hr = this->CreateVertexBuffer(vertices, vertexUsage, vertexPool);
    this->primitiveType = D3DPT_TRIANGLELIST;
    this->primitiveCount = 0;
    ReleaseIndexBuffer();
    if (FAILED(hr)) return hr;
    UINT triangles = indices / 3;
    hr = CreateGeometryIndexBuffer(triangles * 16, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                   indexBuffer.Out());
    if (SUCCEEDED(hr)) triangleCount = triangles;
    return hr;
  }
  void ReleaseIndexBuffer() {
    indexBuffer.Reset();
    lockedIndices = nullptr;
    triangleCount = 0;
  }
  // Shares another owner's buffers (a mesh record): references on both, the old ones released, triangle
  // list of faces triangles. Null buffers give an empty mesh.
  void ShareBuffers(IDirect3DVertexBuffer9* vb, IDirect3DIndexBuffer9* ib, UINT vertices, UINT faces) {
    this->vertexBuffer.Share(vb);
    indexBuffer.Share(ib);
    this->vertexCount = (vb && ib) ? vertices : 0;
    triangleCount = (vb && ib) ? faces : 0;
    this->primitiveType = D3DPT_TRIANGLELIST;
    this->lockedVertices = nullptr;
    lockedIndices = nullptr;
  }

  // The document's mesh of the link (32-byte vertices): its buffers shared, its vertex and face counts,
  // its bounding sphere into the frame; a triangle list. An empty record gives an empty mesh. Loaded
  // meshes are position, normal and texture vertices only.
  bool LoadMesh(const DS_MeshFile& link);

  WORD* LockIndices(DWORD flags = 0) {
    void* p = nullptr;
    if (!indexBuffer || FAILED(indexBuffer->Lock(0, 0, &p, flags))) return nullptr;
    lockedIndices = static_cast<WORD*>(p);
    return lockedIndices;
  }
  void UnlockIndices() {
    if (lockedIndices && indexBuffer) indexBuffer->Unlock();
    lockedIndices = nullptr;
  }
  // True when there is something to draw with indices.
  bool CanDrawIndexed() const { return this->vertexBuffer && indexBuffer && triangleCount > 0 && this->vertexCount > 0; }

  ComRef<IDirect3DIndexBuffer9> indexBuffer;
  UINT triangleCount;  // for indexed drawing
  WORD* lockedIndices;
};

// Quads with 16-bit indices: at most this many fit (four vertices each, the last index 65535).
const UINT kMaxQuads = 16384;

// Indices 4i, 4i+1, 4i+2, 4i+2, 4i+1, 4i+3 for quads i = 0..quads-1.
void WriteQuadIndices(WORD* out, UINT quads);

template <class V>
class DS_SpriteArrayT : public DS_IndexedMesh<V> {
 public:
  // Buffers for n quads (at most kMaxQuads) with the quad index pattern written; the vertex buffer as
  // CreateBuffers makes it. Returns the number of quads the buffers hold: 0 when they could not be made.
  UINT CreateQuads(UINT n, DWORD vertexUsage = D3DUSAGE_WRITEONLY, D3DPOOL vertexPool = D3DPOOL_MANAGED) {
    if (n > kMaxQuads) n = kMaxQuads;
    if (FAILED(this->CreateBuffers(4 * n, 6 * n, vertexUsage, vertexPool))) return 0;
    if (WORD* indices = this->LockIndices()) {
      WriteQuadIndices(indices, n);
      this->UnlockIndices();
    }
    return n;
  }
};

template <class V = DX_V::PNT>
class TexturedMesh : public DS_IndexedMesh<V> {
 public:
  TexturedMesh() : blended(0) {}
  void SetTexture(IDirect3DTexture9* t) { texture.Share(t); }

  ComRef<IDirect3DTexture9> texture;
  BYTE blended;  // 1: drawn alpha-blended and from both sides
};

template <>
bool DS_IndexedMesh<DX_V::PNT>::LoadMesh(const DS_MeshFile& link);

class MeshPart : public TexturedMesh<DX_V::PNT> {
 public:
  // The first frame of the image link's texture set (none for a set without frames) as the part's
  // texture, then the mesh of the mesh link.
  static bool Load(const DS_ImageFileLink& image, MeshPart* part, const DS_MeshFile& mesh);
  // The first frame of imageLink's set as the texture again (none when the set has no frames).
  void LoadTexture();

  std::vector<DS_Frame*> instances;  // where the mesh is drawn; not owned
  DS_ImageFileLink imageLink;         // the texture's link, as Load was given it
};

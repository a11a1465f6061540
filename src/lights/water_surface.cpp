#include "lights/water_surface.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// The vertex fill four vertices at a time where the processor has SSE2 (every build of the program).
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define LUMI_WATER_SSE 1
#else
#define LUMI_WATER_SSE 0
#endif

#include "platform/noise.h"
#include "render/mesh.h"
#include "scene/render_device.h"

namespace {
WaterRefraction g_refraction[256];

inline float Dot(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline void Normalize(float* v) {
  const float len = std::sqrt(Dot(v, v));
  if (len > 0) {
    v[0] /= len;
    v[1] /= len;
    v[2] /= len;
  }
}
// Grids smaller than this have no inner cells and no rows to wrap over.
const UINT kMinGridSide = 4;
}  // namespace

int RoundToInt(float v) {
#if LUMI_WATER_SSE
  return _mm_cvtss_si32(_mm_set_ss(v));  // the processor's rounding, as nearbyint, without its library call
#else
  return static_cast<int>(std::nearbyint(v));
#endif
}

void WaterSurface::ReleaseBuffers() {
  indices.Reset();
  vertices.Reset();
}

void WaterSurface::InvalidateDeviceObjects() {
  if (!indices && !vertices) return;
  ReleaseBuffers();
  released_ = true;
}

void WaterSurface::CreateDeviceObjects() {
  if (!released_) return;
  released_ = false;
  CreateBuffers();
}

void WaterSurface::Size(float sx, float sz, float rowScale, float density) {
  // A size without extent (no picture) counts as a square.
  if (!(sx > 0) || !std::isfinite(sx)) sx = 1;
  if (!(sz > 0) || !std::isfinite(sz)) sz = 1;
  if (!(density > 0) || !std::isfinite(density)) density = 1;
  if (!(rowScale > 0) || !std::isfinite(rowScale)) rowScale = 1;
  const double c0 = std::trunc(density * 128.0f);
  UINT c = static_cast<UINT>(std::min(c0, 65536.0)) & ~1u;
  const double r0 = std::trunc(c0 * (sz / sx) * rowScale);
  UINT r = static_cast<UINT>(std::min(std::max(r0, 0.0), 65536.0)) & ~1u;
  // Every grid keeps inner cells for drops and at least two columns after the vertex cap.
  if (r < kMinGridSide) r = kMinGridSide;
  if (c < kMinGridSide) c = kMinGridSide;
  if (static_cast<unsigned long long>(c) * r > 65536) {
    c = (65536 / r) & ~1u;
    if (c < kMinGridSide) {
      c = kMinGridSide;
      r = (65536 / c) & ~1u;
    }
  }
  columns = c;
  rows = r;
  cellCount = c * r;
  sizeX = sx;
  sizeZ = sz;
  vertexCount = static_cast<int>(cellCount);
  indexCount = 2 * static_cast<int>(cellCount);
  invSizeX = 1.0f / sx;
  invSizeZ = 1.0f / sz;
  cells.assign(cellCount, WaterCell{0, 0});
}

void WaterSurface::Create(float sx, float sz, float rowScale, float density) {
  Size(sx, sz, rowScale, density);
  if (bufferColumns_ != columns || bufferRows_ != rows) ReleaseBuffers();
  CreateBuffers();
}

std::vector<WORD> WaterSurface::SpiralIndices(UINT columnsIn, UINT rowsIn) {
  const int cols = static_cast<int>(columnsIn);
  const int total = 2 * cols * static_cast<int>(rowsIn);
  std::vector<WORD> out;
  out.reserve(static_cast<size_t>(total));
  auto emit = [&](int row, int col) {
    if (static_cast<int>(out.size()) < total) out.push_back(static_cast<WORD>(row * cols + col));
  };
  int x0 = 0, y0 = 0, n = cols, m = static_cast<int>(rowsIn);
  while (static_cast<int>(out.size()) < total && (n > 0 || m > 0)) {
    const int xe = x0 + n - 1;
    const int ye = y0 + m - 1;
    if (n > 0)
      for (int x = x0; x <= xe; ++x) emit(y0, x), emit(y0 + 1, x);
    if (m > 1)
      for (int y = y0 + 1; y <= y0 + m - 1; ++y) emit(y, xe), emit(y, xe - 1);
    if (n > 1)
      for (int x = xe - 1; x >= x0; --x) emit(ye, x), emit(ye - 1, x);
    if (m > 2)
      for (int y = y0 + m - 2; y >= y0 + 1; --y) emit(y, x0), emit(y, x0 + 1);
    x0 += 1;
    y0 += 1;
    n -= 2;
    m -= 2;
  }
  out.resize(static_cast<size_t>(total), 0);
  for (WORD& i : out)
    if (i >= cols * rowsIn) i = 0;
  return out;
}

HRESULT WaterSurface::CreateBuffers() {
  if (!indices) {
    HRESULT hr = CreateGeometryIndexBuffer(static_cast<UINT>(indexCount) * 2, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                                           indices.Out());
    if (FAILED(hr)) return hr;
    void* p = nullptr;
    hr = indices->Lock(0, 0, &p, 0);
    if (FAILED(hr) || !p) {
      // An index buffer that cannot be filled would draw garbage: make it again at the next reset.
      indices.Reset();
      return FAILED(hr) ? hr : E_FAIL;
    }
    const std::vector<WORD> spiral = SpiralIndices(columns, rows);
    std::memcpy(p, spiral.data(), spiral.size() * sizeof(WORD));
    indices->Unlock();
    bufferColumns_ = columns;
    bufferRows_ = rows;
  }
  if (!vertices) {
    HRESULT hr = CreateGeometryVertexBuffer(static_cast<UINT>(vertexCount) * sizeof(DX_V::PNCT), D3DUSAGE_DYNAMIC,
                                            DX_V::PNCT::FVF, D3DPOOL_DEFAULT, vertices.Out());
    if (FAILED(hr)) return hr;
  }
  return 0;
}

const WaterRefraction* WaterSurface::RefractionTable() {
  for (int i = 0; i < 256; ++i) {
    const float c1 = static_cast<float>(i) / 256.0f;
    const double t1 = std::acos(c1);
    const double s1 = std::sin(t1);
    const double s2 = s1 / 1.333;
    const double t2 = std::asin(s2);
    const double c2 = std::cos(t2);
    WaterRefraction& e = g_refraction[i];
    e.bend = static_cast<float>((s1 / s2) * c2 - c1);
    e.scale = static_cast<float>(-s2 / s1);
    const uint32_t k = static_cast<uint32_t>(255 - i);
    e.color = static_cast<D3DCOLOR>(((k * k * k) & 0xFFFF0000u) << 8);
  }
  return g_refraction;
}

void WaterSurface::BuildRefractionTable() {
  if (!refraction) refraction = RefractionTable();
}

void WaterSurface::AddDrop() {
  // A grid without inner cells takes no drops.
  if (columns < 3 || rows < 3 || cells.size() < cellCount) return;
  const int c = CrtRand() % static_cast<int>(columns - 2) + 1;
  const int r = CrtRand() % static_cast<int>(rows - 2) + 1;
  auto at = [&](int rr, int cc) -> float& { return cells[static_cast<size_t>(rr) * columns + cc].velocity; };
  at(r, c) -= dropSize * 0.25f;
  at(r, c - 1) -= dropSize * 0.125f;
  at(r, c + 1) -= dropSize * 0.125f;
  at(r - 1, c) -= dropSize * 0.125f;
  at(r + 1, c) -= dropSize * 0.125f;
  at(r - 1, c - 1) -= dropSize * 0.0625f;
  at(r + 1, c + 1) -= dropSize * 0.0625f;
  at(r - 1, c + 1) -= dropSize * 0.0625f;
  at(r + 1, c - 1) -= dropSize * 0.0625f;
}

namespace {
// A cell held at rest: its velocity is worked out from zeroes as a moving cell's is, so that a damping
// of no number makes it no number as before.
inline void Rest(WaterCell& cell, float damping) {
  cell.height = 0;
  cell.velocity = (0.0f - 0.0f) * 0.25f + 0.0f * damping;
}

// The new velocity of the cell at column c from its eight neighbours in the rows before (p), at (m) and
// after (n), at the columns l, c and r.
inline float Moved(const WaterCell* p, const WaterCell* m, const WaterCell* n, size_t l, size_t c, size_t r,
                   float damping) {
  const float a = (p[c].height + n[c].height + m[l].height + m[r].height) * 0.16666667f +
                  (p[l].height + p[r].height + n[l].height + n[r].height) * 0.083333336f;
  return (a - m[c].height) * 0.25f + m[c].velocity * damping;
}
}  // namespace

void WaterSurface::Pass() {
  if (cells.size() < cellCount || cellCount == 0) return;
  const size_t C = columns, R = rows;
  WaterCell* g = cells.data();
  // A row's new velocities are written back after the whole row is computed: heights are read in wide
  // loads that would otherwise wait on each velocity just stored beside them.
  std::vector<float>& moved = rowVelocities_;
  moved.resize(C);
  // Cells are visited row by row as one sweep would, so that each reads its neighbours as that sweep
  // leaves them: row 0 and each row's column 0 already at rest, the rows below not yet.
  float sum = 0;
  for (size_t r = 0; r < R; ++r) {
    WaterCell* m = g + r * C;
    if (r == 0 || r == R - 1) {
      for (size_t c = 0; c < C; ++c) Rest(m[c], damping);
    } else {
      const WaterCell* p = m - C;
      const WaterCell* n = m + C;
      Rest(m[0], damping);
      moved[0] = m[0].velocity;
      for (size_t c = 1; c + 1 < C; ++c) moved[c] = Moved(p, m, n, c - 1, c, c + 1, damping);
      if (C > 1) moved[C - 1] = Moved(p, m, n, C - 2, C - 1, 0, damping);  // the last column's right is column 0
      for (size_t c = 0; c < C; ++c) m[c].velocity = moved[c];
    }
    for (size_t c = 0; c < C; ++c) sum += m[c].velocity + m[c].height;
  }
  levelSum = sum;
  const float mean = levelSum / static_cast<float>(vertexCount);
  for (WaterCell& cell : cells) cell.height = cell.height + cell.velocity * stepScale - mean;
}

namespace {
// The neighbourhood of a vertex: the heights in the rows before (p), at (m) and after (n) the vertex's,
// at the columns l, c and r.
struct Around {
  const WaterCell *p, *m, *n;
};

// One vertex at (x, z) in column c between columns l and r.
inline void FillVertex(const Around& a, size_t l, size_t c, size_t r, float x, float z, const D3DXVECTOR3& eye,
                       const WaterSurface& s, float inset, DX_V::PNCT& v) {
  const float height = a.m[c].height;
  float normal[3] = {(a.p[l].height + a.m[l].height + a.n[l].height) - (a.p[r].height + a.m[r].height + a.n[r].height),
                     1.0f,
                     (a.p[l].height + a.p[c].height + a.p[r].height) - (a.n[l].height + a.n[c].height + a.n[r].height)};
  Normalize(normal);
  float e[3] = {eye.x - x, eye.y - height, eye.z - z};
  Normalize(e);
  int k = RoundToInt(255.0f * Dot(e, normal));
  k = k < 0 ? 0 : (k > 255 ? 255 : k);
  const WaterRefraction& entry = s.refraction[k];
  const float d[3] = {entry.scale * (entry.bend * normal[0] + e[0]), entry.scale * (entry.bend * normal[1] + e[1]),
                      entry.scale * (entry.bend * normal[2] + e[2])};
  const float o[3] = {x, height - 20.0f, z};
  const float B = 2.0f * Dot(d, o);
  const float Cq = Dot(o, o) - 1225.0f;
  // A ray that misses the sphere would give no number: it grazes it instead.
  const float disc = std::max(B * B - 4.0f * Cq, 0.0f);
  const float t = s.depth * (std::sqrt(disc) - B) / 2.0f;
  v.x = x;
  v.y = height;
  v.z = z;
  v.nx = normal[0];
  v.ny = normal[1];
  v.nz = normal[2];
  v.color = entry.color;
  v.u = inset * (x + t * d[0]) * s.invSizeX + 0.5f;
  v.v = inset * (z + t * d[2]) * s.invSizeZ + 0.5f;
}

#if LUMI_WATER_SSE
// Four heights of consecutive cells from the first one's.
inline __m128 Heights(const WaterCell* first) {
  const float* f = &first->height;
  return _mm_shuffle_ps(_mm_loadu_ps(f), _mm_loadu_ps(f + 4), _MM_SHUFFLE(2, 0, 2, 0));
}

// v / len where len > 0, else v.
inline __m128 DivideWherePositive(__m128 v, __m128 len, __m128 positive) {
  return _mm_or_ps(_mm_and_ps(positive, _mm_div_ps(v, len)), _mm_andnot_ps(positive, v));
}

// FillVertex for the columns c .. c + 3 of the row, none of them the first or the last: the same
// operations in the same order, four vertices at a time.
inline void FillFourVertices(const Around& a, size_t c, const float* xs, float z, const D3DXVECTOR3& eye,
                             const WaterSurface& s, float inset, DX_V::PNCT* out) {
  const __m128 pl = Heights(a.p + c - 1), pc = Heights(a.p + c), pr = Heights(a.p + c + 1);
  const __m128 ml = Heights(a.m + c - 1), height = Heights(a.m + c), mr = Heights(a.m + c + 1);
  const __m128 nl = Heights(a.n + c - 1), nc = Heights(a.n + c), nr = Heights(a.n + c + 1);
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
  __m128 nx = _mm_sub_ps(_mm_add_ps(_mm_add_ps(pl, ml), nl), _mm_add_ps(_mm_add_ps(pr, mr), nr));
  __m128 ny = one;
  __m128 nz = _mm_sub_ps(_mm_add_ps(_mm_add_ps(pl, pc), pr), _mm_add_ps(_mm_add_ps(nl, nc), nr));
  __m128 len = _mm_sqrt_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(nx, nx), _mm_mul_ps(ny, ny)), _mm_mul_ps(nz, nz)));
  __m128 positive = _mm_cmpgt_ps(len, zero);
  nx = DivideWherePositive(nx, len, positive);
  ny = DivideWherePositive(ny, len, positive);
  nz = DivideWherePositive(nz, len, positive);
  const __m128 x = _mm_loadu_ps(xs + c), zs = _mm_set1_ps(z);
  __m128 ex = _mm_sub_ps(_mm_set1_ps(eye.x), x);
  __m128 ey = _mm_sub_ps(_mm_set1_ps(eye.y), height);
  __m128 ez = _mm_sub_ps(_mm_set1_ps(eye.z), zs);
  len = _mm_sqrt_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(ex, ex), _mm_mul_ps(ey, ey)), _mm_mul_ps(ez, ez)));
  positive = _mm_cmpgt_ps(len, zero);
  ex = DivideWherePositive(ex, len, positive);
  ey = DivideWherePositive(ey, len, positive);
  ez = DivideWherePositive(ez, len, positive);
  const __m128 cosine = _mm_add_ps(_mm_add_ps(_mm_mul_ps(ex, nx), _mm_mul_ps(ey, ny)), _mm_mul_ps(ez, nz));
  alignas(16) int k[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(k), _mm_cvtps_epi32(_mm_mul_ps(_mm_set1_ps(255.0f), cosine)));
  const WaterRefraction* entry[4];
  for (int i = 0; i < 4; ++i) entry[i] = &s.refraction[k[i] < 0 ? 0 : (k[i] > 255 ? 255 : k[i])];
  const __m128 bend = _mm_setr_ps(entry[0]->bend, entry[1]->bend, entry[2]->bend, entry[3]->bend);
  const __m128 scale = _mm_setr_ps(entry[0]->scale, entry[1]->scale, entry[2]->scale, entry[3]->scale);
  const __m128 d0 = _mm_mul_ps(scale, _mm_add_ps(_mm_mul_ps(bend, nx), ex));
  const __m128 d1 = _mm_mul_ps(scale, _mm_add_ps(_mm_mul_ps(bend, ny), ey));
  const __m128 d2 = _mm_mul_ps(scale, _mm_add_ps(_mm_mul_ps(bend, nz), ez));
  const __m128 oy = _mm_sub_ps(height, _mm_set1_ps(20.0f));
  const __m128 B = _mm_mul_ps(_mm_set1_ps(2.0f),
                              _mm_add_ps(_mm_add_ps(_mm_mul_ps(d0, x), _mm_mul_ps(d1, oy)), _mm_mul_ps(d2, zs)));
  const __m128 Cq = _mm_sub_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(x, x), _mm_mul_ps(oy, oy)), _mm_mul_ps(zs, zs)),
                               _mm_set1_ps(1225.0f));
  // As std::max (disc, 0): no number stays no number.
  const __m128 disc = _mm_max_ps(zero, _mm_sub_ps(_mm_mul_ps(B, B), _mm_mul_ps(_mm_set1_ps(4.0f), Cq)));
  const __m128 t = _mm_div_ps(_mm_mul_ps(_mm_set1_ps(s.depth), _mm_sub_ps(_mm_sqrt_ps(disc), B)), _mm_set1_ps(2.0f));
  const __m128 in = _mm_set1_ps(inset), half = _mm_set1_ps(0.5f);
  const __m128 u = _mm_add_ps(_mm_mul_ps(_mm_mul_ps(in, _mm_add_ps(x, _mm_mul_ps(t, d0))), _mm_set1_ps(s.invSizeX)), half);
  const __m128 v = _mm_add_ps(_mm_mul_ps(_mm_mul_ps(in, _mm_add_ps(zs, _mm_mul_ps(t, d2))), _mm_set1_ps(s.invSizeZ)), half);
  alignas(16) float lanes[6][4];
  _mm_store_ps(lanes[0], height);
  _mm_store_ps(lanes[1], nx);
  _mm_store_ps(lanes[2], ny);
  _mm_store_ps(lanes[3], nz);
  _mm_store_ps(lanes[4], u);
  _mm_store_ps(lanes[5], v);
  for (int i = 0; i < 4; ++i) {
    DX_V::PNCT& o = out[c + i];
    o.x = xs[c + i];
    o.y = lanes[0][i];
    o.z = z;
    o.nx = lanes[1][i];
    o.ny = lanes[2][i];
    o.nz = lanes[3][i];
    o.color = entry[i]->color;
    o.u = lanes[4][i];
    o.v = lanes[5][i];
  }
}
#endif
}  // namespace

void WaterSurface::FillVertices(const D3DXVECTOR3& eye, DX_V::PNCT* out) const {
  if (!CanFill()) return;
  const size_t C = columns, R = rows;
  const float dx = sizeX / static_cast<float>(C - 1);
  const float dz = sizeZ / static_cast<float>(R - 1);
  const float inset = 1.0f - 0.05f * depth;
  // The columns' x, summed up column by column.
  std::vector<float> xs(C);
  float x = -sizeX / 2;
  for (size_t c = 0; c < C; ++c, x += dx) xs[c] = x;
  float z = -sizeZ / 2;
  for (size_t r = 0; r < R; ++r, z += dz) {
    // Rows and columns wrap around.
    const Around a = {&cells[(r == 0 ? R - 1 : r - 1) * C], &cells[r * C], &cells[(r == R - 1 ? 0 : r + 1) * C]};
    DX_V::PNCT* row = out + r * C;
    FillVertex(a, C - 1, 0, 1, xs[0], z, eye, *this, inset, row[0]);
    size_t c = 1;
#if LUMI_WATER_SSE
    for (; c + 4 < C; c += 4) FillFourVertices(a, c, xs.data(), z, eye, *this, inset, row);
#endif
    for (; c + 1 < C; ++c) FillVertex(a, c - 1, c, c + 1, xs[c], z, eye, *this, inset, row[c]);
    FillVertex(a, C - 2, C - 1, 0, xs[C - 1], z, eye, *this, inset, row[C - 1]);
  }
}

bool WaterSurface::CanFill() const {
  return cells.size() >= cellCount && columns >= 2 && rows >= 2 && refraction;
}

HRESULT WaterSurface::Update(const D3DXVECTOR3& eye) {
  for (int i = 0; i < 4; ++i) Pass();
  // No buffer (a failed creation), or nothing to fill it with: the heights move on, the buffer stays.
  if (!vertices || !CanFill()) return 0;
  // Every vertex is written again, so the last frame's go: a discarding lock hands over fresh memory at
  // once, where a plain lock waits until the device is done with the buffer.
  void* p = nullptr;
  HRESULT hr = vertices->Lock(0, 0, &p, D3DLOCK_DISCARD);
  if (FAILED(hr)) return hr;
  if (p) FillVertices(eye, static_cast<DX_V::PNCT*>(p));
  vertices->Unlock();
  return 0;
}

HRESULT WaterSurface::Draw() {
  if (!vertices || !indices || indexCount < 3) return 0;
  RenderDevice& d = GetRenderDevice();
  d.BindStream(vertices.Get(), DX_V::PNCT::FVF, sizeof(DX_V::PNCT));
  d.SetIndices(indices.Get());
  d.DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, static_cast<UINT>(vertexCount), 0,
                         static_cast<UINT>(indexCount - 2));
  return 0;
}

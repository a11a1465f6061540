#include "lights/water_surface.h"

#include <cmath>
#include <cstring>

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

int RoundToInt(float v) { return static_cast<int>(std::nearbyint(v)); }

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

void WaterSurface::Pass() {
  if (cells.size() < cellCount || cellCount == 0) return;
  const int C = static_cast<int>(columns), R = static_cast<int>(rows);
  auto h = [&](int r, int c) { return cells[static_cast<size_t>(r) * C + c].height; };
  levelSum = 0;
  for (int r = 0; r < R; ++r) {
    const int p = r == 0 ? R - 1 : r - 1;
    const int n = r == R - 1 ? 0 : r + 1;
    for (int c = 0; c < C; ++c) {
      WaterCell& cell = cells[static_cast<size_t>(r) * C + c];
      float a = 0;
      if (c == 0 || r == 0 || r == R - 1) {
        cell.height = 0;
        cell.velocity = 0;
      } else {
        const int l = c - 1;
        const int rr = c == C - 1 ? 0 : c + 1;
        a = (h(p, c) + h(n, c) + h(r, l) + h(r, rr)) * 0.16666667f +
            (h(p, l) + h(p, rr) + h(n, l) + h(n, rr)) * 0.083333336f;
      }
      cell.velocity = (a - cell.height) * 0.25f + cell.velocity * damping;
      levelSum += cell.velocity + cell.height;
    }
  }
  const float mean = levelSum / static_cast<float>(vertexCount);
  for (WaterCell& cell : cells) cell.height = cell.height + cell.velocity * stepScale - mean;
}

void WaterSurface::FillVertices(const D3DXVECTOR3& eye, DX_V::PNCT* out) const {
  if (!CanFill()) return;
  const int C = static_cast<int>(columns), R = static_cast<int>(rows);
  auto h = [&](int r, int c) { return cells[static_cast<size_t>(r) * C + c].height; };
  const float dx = sizeX / static_cast<float>(C - 1);
  const float dz = sizeZ / static_cast<float>(R - 1);
  const float inset = 1.0f - 0.05f * depth;
  float z = -sizeZ / 2;
  for (int r = 0; r < R; ++r, z += dz) {
    const int p = r == 0 ? R - 1 : r - 1;
    const int n = r == R - 1 ? 0 : r + 1;
    float x = -sizeX / 2;
    for (int c = 0; c < C; ++c, x += dx) {
      const int l = c == 0 ? C - 1 : c - 1;
      const int rr = c == C - 1 ? 0 : c + 1;
      const float height = h(r, c);
      float normal[3] = {(h(p, l) + h(r, l) + h(n, l)) - (h(p, rr) + h(r, rr) + h(n, rr)), 1.0f,
                         (h(p, l) + h(p, c) + h(p, rr)) - (h(n, l) + h(n, c) + h(n, rr))};
      Normalize(normal);
      float e[3] = {eye.x - x, eye.y - height, eye.z - z};
      Normalize(e);
      int k = RoundToInt(255.0f * Dot(e, normal));
      k = k < 0 ? 0 : (k > 255 ? 255 : k);
      const WaterRefraction& entry = refraction[k];
      const float d[3] = {entry.scale * (entry.bend * normal[0] + e[0]), entry.scale * (entry.bend * normal[1] + e[1]),
                          entry.scale * (entry.bend * normal[2] + e[2])};
      const float o[3] = {x, height - 20.0f, z};
      const float B = 2.0f * Dot(d, o);
      const float Cq = Dot(o, o) - 1225.0f;
      // A ray that misses the sphere would give no number: it grazes it instead.
      const float disc = std::max(B * B - 4.0f * Cq, 0.0f);
      const float t = depth * (std::sqrt(disc) - B) / 2.0f;
      DX_V::PNCT& v = out[static_cast<size_t>(r) * C + c];
      v.x = x;
      v.y = height;
      v.z = z;
      v.nx = normal[0];
      v.ny = normal[1];
      v.nz = normal[2];
      v.color = entry.color;
      v.u = inset * (x + t * d[0]) * invSizeX + 0.5f;
      v.v = inset * (z + t * d[2]) * invSizeZ + 0.5f;
    }
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

#include "render/particle_geometry.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/noise.h"
#include "scene/sprite_prop.h"

void QuadBounds::Add(const D3DXVECTOR3& p) {
  if (empty) {
    low = high = p;
    empty = false;
    return;
  }
  low = D3DXVECTOR3(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
  high = D3DXVECTOR3(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
}

ParticleGeomArray::ParticleGeomArray()
    : item(nullptr), sheetSwitchTime(0), sheetFrame(0), deviceLost_(false), quadsAfterReset_(0) {
  holder.SetOwner(this, false);
}

ParticleGeomArray::~ParticleGeomArray() {
  for (Particle* p : particles) delete p;
  particles.clear();
  holder.Clear();
}

void ParticleGeomArray::BindCountListener(MediaParamT<UINT>& count) {
  holder.Bind(count, &ParticleGeomArray::SetCount);
}

void ParticleGeomArray::CreateBuffers(UINT n) {
  bounds_ = QuadBounds();
  if (deviceLost_) {
    ReleaseVertexBuffer();
    ReleaseIndexBuffer();
    quadsAfterReset_ = n > kMaxQuads ? kMaxQuads : n;
    return;
  }
  CreateQuads(n, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DPOOL_DEFAULT);
}

void ParticleGeomArray::InvalidateDeviceObjects() {
  if (deviceLost_) return;
  deviceLost_ = true;
  quadsAfterReset_ = vertexBuffer ? vertexCount / 4 : 0;
  ReleaseVertexBuffer();
  bounds_ = QuadBounds();
}

void ParticleGeomArray::CreateDeviceObjects() {
  if (!deviceLost_) return;
  deviceLost_ = false;
  const UINT n = quadsAfterReset_;
  quadsAfterReset_ = 0;
  if (n == 0) return;
  CreateBuffers(n);
  WriteQuads(false);
}

void ParticleGeomArray::SetCount(UINT n) {
  if (n == 0 || !item) return;
  // 16-bit indices reach 16384 quads; a larger stored count would also exhaust memory.
  if (n > kMaxQuads) n = kMaxQuads;
  ReleaseVertexBuffer();
  CreateBuffers(n);
  while (particles.size() < n) {
    Particle* p = new Particle;
    p->Init(*item);
    p->phase = 1.0f;
    p->lastChangeTime = 0;
    p->phaseRate = item->phaseRate * ((CrtRand() & 1) ? -1.0f : 1.0f);
    p->UpdateColor(*item);
    particles.push_back(p);
    item->InitParticle(p);
  }
}

void ParticleGeomArray::Update(double t) {
  if (!item) return;
  item->Advance(t);
  for (Particle* p : particles) item->UpdateParticle(p);
}

UINT ParticleGeomArray::DrawnCount() const {
  if (!item) return 0;
  UINT n = item->count.GetValue();
  if (n > kMaxQuads) n = kMaxQuads;
  if (n > particles.size()) n = (UINT)particles.size();
  return n;
}

void ParticleGeomArray::SetQuadUV(const float u[2], const float v[2], UINT i) {
  DX_V::PCT* q = static_cast<DX_V::PCT*>(lockedVertices) + 4 * i;
  q[0].u = u[0];
  q[0].v = v[1];
  q[1].u = u[0];
  q[1].v = v[0];
  q[2].u = u[1];
  q[2].v = v[1];
  q[3].u = u[1];
  q[3].v = v[0];
}

void ParticleGeomArray::FillVertices() { WriteQuads(true); }

void ParticleGeomArray::WriteQuads(bool stepSheet) {
  if (!item || !vertexBuffer) return;
  UINT count = item->count.GetValue();
  if (count > kMaxQuads) count = kMaxQuads;
  // The buffers are rebuilt by the count listener when the count changes.
  if (count == 0 || vertexCount / 4 != count || count > particles.size()) return;
  // Every quad drawn is written: the old contents are discarded, so the lock does not wait for the
  // device to finish drawing them.
  DX_V::PCT* out = LockVertices(D3DLOCK_DISCARD);
  if (!out) return;
  const bool flipV = item->verticalFlip.GetValue() != 0;
  const bool flipU = item->horizontalFlip.GetValue() != 0;
  const float frames = (float)(item->frameCount ? item->frameCount : 1);
  const float interval = item->frameRate != 0 ? 1.0f / item->frameRate : std::numeric_limits<float>::infinity();
  bounds_ = QuadBounds();
  for (UINT i = 0; i < count; ++i) {
    const Particle& p = *particles[i];
    D3DXVECTOR3 corner = p.centre - p.axisX * p.halfWidth - p.axisY * p.halfHeight;
    D3DXVECTOR3 w = p.axisX * (2 * p.halfWidth);
    D3DXVECTOR3 h = p.axisY * (2 * p.halfHeight);
    const D3DXVECTOR3 pos[4] = {corner + h, corner, corner + w + h, corner + w};
    DX_V::PCT* q = out + 4 * i;
    for (int k = 0; k < 4; ++k) {
      q[k].x = pos[k].x;
      q[k].y = pos[k].y;
      q[k].z = pos[k].z;
      q[k].color = p.color;
      bounds_.Add(pos[k]);
    }
    float v[2] = {p.vRange[0], p.vRange[1]};
    float u[2] = {p.uRange[0], p.uRange[1]};
    if (flipV) std::swap(v[0], v[1]);
    if (flipU) std::swap(u[0], u[1]);
    if (item->animated) {
      if (stepSheet && interval < item->clock - sheetSwitchTime) {
        sheetFrame = (int)item->NextFrame((UINT)sheetFrame);
        sheetSwitchTime = item->clock;
      } else if (stepSheet && sheetSwitchTime > item->clock) {
        sheetSwitchTime = 0;
      }
      u[0] = (float)sheetFrame / frames;
      u[1] = (float)(sheetFrame + 1) / frames;
      if (flipU) std::swap(u[0], u[1]);
    }
    SetQuadUV(u, v, i);
  }
  UnlockVertices();
}

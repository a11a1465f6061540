// What the particle tests share: a picture size for the screen mapping, a replay of the random draws the
// product made from a known generator state, and save / read of one scene item through its section.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "particles/particle_readers.h"
#include "platform/noise.h"
#include "scene/screen_mapping.h"
#include "scene/item_bases.h"
#include "scene/readers.h"
#include "scene/stream.h"

namespace lumi_test {

// The picture size every item measures its rectangle in, put back to none when the scope ends.
class ScopedPicture {
 public:
  ScopedPicture(int w, int h) { Set(w, h); }
  ~ScopedPicture() { Set(0, 0); }
  static void Set(int w, int h) {
    GetScreenMapping()->pictureWidth = w;
    GetScreenMapping()->pictureHeight = h;
  }
};

// The draws of our copy of the run-time generator from a given state, in the order a rule must make them.
class Replay {
 public:
  explicit Replay(uint32_t state) { ResetCrtRand(state); }
  float U(float a, float b) { return RandomFloat(a, b); }
  bool Odd() { return (CrtRand() & 1) != 0; }
};

// A generator state whose next draw is odd (or even); the states after it are as the generator makes them.
inline uint32_t StateWithCoin(bool odd, uint32_t from = 1) {
  for (uint32_t s = from;; ++s) {
    ResetCrtRand(s);
    if (((CrtRand() & 1) != 0) == odd) return s;
  }
}

inline std::vector<BYTE> SavedItem(DS_IOF_Item& item) {
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  item.Save(&s);
  return w.TakeBytes();
}

// The item a section makes through the scene-item registry; *left receives the bytes not read.
inline std::unique_ptr<DS_ABObj_Constructor> ReadItem(const std::vector<BYTE>& bytes, size_t* left = nullptr) {
  RegisterParticleReaders();
  ResourceBuffer buf(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> r(&buf);
  DS_IOF_Virtual* s = &r;
  std::unique_ptr<DS_ABObj_Constructor> item(DS_ABObj_Constructor::CreateFromStream(&s));
  if (left) *left = buf.Remaining();
  return item;
}

}  // namespace lumi_test

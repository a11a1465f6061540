// What every particle class's reader does: a default-constructed item, then the section body of the
// stored version; the item is freed when the body cannot be read.
#pragma once

#include <memory>

#include "platform/types.h"
#include "platform/noise.h"

class DS_IOF_Virtual;

template <class T>
T* ReadNewParticleItem(DS_IOF_Virtual** stream, DWORD version) {
  std::unique_ptr<T> item(new T);
  item->ReadFields(stream, version);
  return item.release();
}

// A coin: one draw, tested for oddness.
inline bool CoinIsOdd() { return (CrtRand() & 1) != 0; }

// Float-to-integer truncation with the x86 result (cvttss2si / cvttsd2si): toward zero, and the
// "integer indefinite" 0x80000000 for NaN and for values outside the int32 range. Stored values may be
// anything; a plain cast of an out-of-range value is undefined behaviour in C++.
#pragma once

#include <cmath>
#include <cstdint>

inline int32_t TruncToInt32(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;  // also NaN
  return static_cast<int32_t>(v);
}

inline int32_t TruncToInt32(float v) { return TruncToInt32(static_cast<double>(v)); }

// The low 8 bits of the truncated value, as a byte store of the converted int gives.
inline uint8_t TruncToByte(double v) { return static_cast<uint8_t>(static_cast<uint32_t>(TruncToInt32(v)) & 0xFFu); }

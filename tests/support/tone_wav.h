// A small PCM WAV file made in memory, for tests that play sound.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

// Mono 16-bit PCM at 22050 Hz: milliseconds of a quiet tone.
inline std::vector<uint8_t> ToneWav(int milliseconds) {
  const uint32_t rate = 22050;
  const uint32_t samples = rate * static_cast<uint32_t>(milliseconds) / 1000;
  std::vector<uint8_t> b;
  auto put = [&b](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto tag = [&b](const char* t) { b.insert(b.end(), t, t + 4); };
  tag("RIFF");
  put(36 + samples * 2, 4);
  tag("WAVE");
  tag("fmt ");
  put(16, 4);
  put(1, 2);  // PCM
  put(1, 2);  // channels
  put(rate, 4);
  put(rate * 2, 4);  // bytes per second
  put(2, 2);         // block
  put(16, 2);        // bits
  tag("data");
  put(samples * 2, 4);
  for (uint32_t i = 0; i < samples; ++i) put(static_cast<uint16_t>(static_cast<int16_t>(3000 * std::sin(i * 0.125))), 2);
  return b;
}

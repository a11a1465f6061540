// Short tones of our own for scenes and tests: a sequence of notes, each a sine with a soft second
// harmonic under an attack-and-decay envelope, as mono 16-bit PCM WAV. Deterministic.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class ToneRequestError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

struct ToneRequest {
  int milliseconds = 0;            // the whole track, 1..60000
  std::vector<double> notes;       // Hz, 20..10000 each, played one after another in equal parts
  int sampleRate = 22050;
  double volume = 0.3;             // peak, a fraction of full scale
};

// The samples of the request; throws ToneRequestError for an empty or out-of-range request.
std::vector<int16_t> ToneSamples(const ToneRequest& request);
// A complete WAV file of those samples.
std::vector<uint8_t> ToneWavFile(const ToneRequest& request);

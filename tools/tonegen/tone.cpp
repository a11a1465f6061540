#include "tonegen/tone.h"

#include <algorithm>
#include <cmath>

namespace {

void Put(std::vector<uint8_t>& b, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// One byte at a time: gcc 12's optimiser reports a range insert of a literal as an overflow.
void Tag(std::vector<uint8_t>& b, const char* tag) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(tag[i]));
}

}  // namespace

std::vector<int16_t> ToneSamples(const ToneRequest& r) {
  if (r.milliseconds < 1 || r.milliseconds > 60000) throw ToneRequestError("the length must be 1..60000 ms");
  if (r.notes.empty()) throw ToneRequestError("at least one note is needed");
  for (double f : r.notes)
    if (!(f >= 20 && f <= 10000)) throw ToneRequestError("notes must be 20..10000 Hz");
  if (r.sampleRate < 8000 || r.sampleRate > 96000) throw ToneRequestError("the sample rate must be 8000..96000");
  if (!(r.volume > 0 && r.volume <= 1)) throw ToneRequestError("the volume must be above 0 and at most 1");

  const double pi = 3.14159265358979323846;
  const size_t total = static_cast<size_t>(r.sampleRate) * r.milliseconds / 1000;
  std::vector<int16_t> samples(total);
  const size_t perNote = std::max<size_t>(1, total / r.notes.size());
  for (size_t i = 0; i < total; ++i) {
    size_t note = std::min(i / perNote, r.notes.size() - 1);
    size_t start = note * perNote;
    size_t length = note + 1 == r.notes.size() ? total - start : perNote;
    double t = static_cast<double>(i - start) / r.sampleRate;
    double phase = static_cast<double>(i - start) / length;  // 0..1 inside the note
    // A few milliseconds of attack, then an exponential decay that reaches silence at the note's end.
    double attack = std::min(1.0, t / 0.005);
    double envelope = attack * std::exp(-4 * phase) * (1 - phase);
    double f = r.notes[note];
    double v = std::sin(2 * pi * f * t) + 0.3 * std::sin(4 * pi * f * t);
    samples[i] = static_cast<int16_t>(std::lround(32767 * r.volume * envelope * v / 1.3));
  }
  return samples;
}

std::vector<uint8_t> ToneWavFile(const ToneRequest& r) {
  const std::vector<int16_t> samples = ToneSamples(r);
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::vector<uint8_t> b;
  b.reserve(44 + dataBytes);
  Tag(b, "RIFF");
  Put(b, 36 + dataBytes, 4);
  Tag(b, "WAVE");
  Tag(b, "fmt ");
  Put(b, 16, 4);
  Put(b, 1, 2);  // PCM
  Put(b, 1, 2);  // mono
  Put(b, static_cast<uint32_t>(r.sampleRate), 4);
  Put(b, static_cast<uint32_t>(r.sampleRate) * 2, 4);
  Put(b, 2, 2);
  Put(b, 16, 2);
  Tag(b, "data");
  Put(b, dataBytes, 4);
  for (int16_t s : samples) Put(b, static_cast<uint16_t>(s), 2);
  return b;
}

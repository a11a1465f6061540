#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "tonegen/tone.h"

namespace {

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) v |= static_cast<uint32_t>(b[at + i]) << (8 * i);
  return v;
}

TEST(ToneTest, WavHeaderDescribesTheSamples) {
  ToneRequest r;
  r.milliseconds = 250;
  r.notes = {440};
  std::vector<uint8_t> wav = ToneWavFile(r);
  const uint32_t samples = 22050 / 4;
  ASSERT_EQ(wav.size(), 44u + samples * 2);
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  EXPECT_EQ(Le(wav, 4, 4), wav.size() - 8);
  EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(Le(wav, 20, 2), 1u);      // PCM
  EXPECT_EQ(Le(wav, 22, 2), 1u);      // mono
  EXPECT_EQ(Le(wav, 24, 4), 22050u);  // rate
  EXPECT_EQ(Le(wav, 28, 4), 44100u);  // bytes a second
  EXPECT_EQ(Le(wav, 34, 2), 16u);
  EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
  EXPECT_EQ(Le(wav, 40, 4), samples * 2);
}

// Each note sounds at its pitch for its share of the track, starts and ends quietly (no clicks) and never
// goes beyond the volume asked for.
TEST(ToneTest, NotesFollowEachOtherAtTheirPitch) {
  ToneRequest r;
  r.milliseconds = 1000;
  r.notes = {300, 600};
  r.volume = 0.5;
  std::vector<int16_t> s = ToneSamples(r);
  ASSERT_EQ(s.size(), 22050u);
  int peak = 0;
  for (int16_t v : s) peak = std::max(peak, std::abs(static_cast<int>(v)));
  EXPECT_LE(peak, static_cast<int>(32767 * 0.5) + 1);
  EXPECT_GT(peak, 32767 * 0.2);
  auto crossings = [&s](size_t from, size_t to) {
    int n = 0;
    for (size_t i = from + 1; i < to; ++i) n += (s[i - 1] < 0) != (s[i] < 0);
    return n;
  };
  // First tenth of each half second: two crossings a period (the harmonic adds none at these phases).
  EXPECT_NEAR(crossings(200, 2205), 2 * 300 * (2005 / 22050.0), 4);
  EXPECT_NEAR(crossings(11025 + 200, 11025 + 2205), 2 * 600 * (2005 / 22050.0), 4);
  EXPECT_EQ(s.front(), 0);
  EXPECT_LT(std::abs(s[11024]), 200) << "a note fades out before the next starts";
  EXPECT_LT(std::abs(s.back()), 200);
  EXPECT_EQ(s, ToneSamples(r)) << "the same request gives the same samples";
}

TEST(ToneTest, RejectsRequestsOutOfRange) {
  struct Case {
    int ms;
    std::vector<double> notes;
    double volume;
  };
  const std::vector<Case> bad = {
      {0, {440}, 0.3}, {60001, {440}, 0.3}, {100, {}, 0.3}, {100, {19}, 0.3},
      {100, {10001}, 0.3}, {100, {440, NAN}, 0.3}, {100, {440}, 0}, {100, {440}, 1.5},
  };
  for (const Case& c : bad) {
    ToneRequest r;
    r.milliseconds = c.ms;
    r.notes = c.notes;
    r.volume = c.volume;
    EXPECT_THROW(ToneSamples(r), ToneRequestError) << c.ms << " ms, volume " << c.volume;
  }
}

}  // namespace

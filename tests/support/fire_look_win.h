// What makes flames drawn over black look like fire to a person, measured on a frame read back: the
// colours they run through, flat-coloured patches and hard steps between neighbouring rows.
#pragma once

#include <algorithm>
#include <cstdlib>

#include <gtest/gtest.h>

#include "support/d3d_fixture_win.h"

namespace lumi_test {

struct FireLook {
  int lit = 0;              // pixels the flames light
  int deepRed = 0;          // lit red with little green: the outer flame
  int orange = 0;           // red with half as much green
  int whiteHot = 0;         // red and green near full, blue well above black: the core
  int blocks = 0;           // 4 x 4 blocks lit throughout
  int flatBlocks = 0;       // of them, those of one colour (every channel within 2)
  int rowPairs = 0;         // bright pixels (inside the flames) whose lower neighbour is bright too
  int hardSteps = 0;        // of them, those whose colour jumps by more than 64 in a channel
};

inline FireLook MeasureFireLook(const Pixels& p, UINT top, UINT bottom) {
  auto ch = [](DWORD c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
  auto isLit = [&](DWORD c) { return ch(c, 16) + ch(c, 8) + ch(c, 0) > 60; };
  auto isBright = [&](DWORD c) { return ch(c, 16) + ch(c, 8) + ch(c, 0) > 150; };
  FireLook f;
  bottom = std::min(bottom, p.height);
  for (UINT y = top; y < bottom; ++y)
    for (UINT x = 0; x < p.width; ++x) {
      const DWORD c = p.at(x, y);
      if (!isLit(c)) continue;
      const int r = ch(c, 16), g = ch(c, 8), b = ch(c, 0);
      ++f.lit;
      f.deepRed += r >= 80 && g * 4 < r && b * 4 < r ? 1 : 0;
      f.orange += r >= 180 && g * 4 >= r && g * 4 <= 3 * r && b * 3 < g ? 1 : 0;
      f.whiteHot += r >= 235 && g >= 215 && b >= 90 ? 1 : 0;
      if (y + 1 < bottom && isBright(c) && isBright(p.at(x, y + 1))) {
        ++f.rowPairs;
        const DWORD d = p.at(x, y + 1);
        for (int s = 0; s < 24; s += 8)
          if (std::abs(ch(c, s) - ch(d, s)) > 64) {
            ++f.hardSteps;
            break;
          }
      }
    }
  for (UINT y = top; y + 4 <= bottom; y += 4)
    for (UINT x = 0; x + 4 <= p.width; x += 4) {
      int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
      bool all = true;
      for (UINT j = 0; j < 4; ++j)
        for (UINT i = 0; i < 4; ++i) {
          const DWORD c = p.at(x + i, y + j);
          all = all && isLit(c);
          for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], ch(c, 8 * k));
            hi[k] = std::max(hi[k], ch(c, 8 * k));
          }
        }
      if (!all) continue;
      ++f.blocks;
      f.flatBlocks += hi[0] - lo[0] <= 2 && hi[1] - lo[1] <= 2 && hi[2] - lo[2] <= 2 ? 1 : 0;
    }
  return f;
}

// Flames over black that look like fire: enough of them, every shade from deep red through orange to
// white-hot, hardly a flat block and hardly a hard step.
inline void ExpectLooksLikeFire(const FireLook& f, int least) {
  EXPECT_GT(f.lit, least);
  EXPECT_GT(f.deepRed, f.lit / 100) << "deep red at the flames' edges";
  EXPECT_GT(f.orange, f.lit / 100) << "orange between";
  EXPECT_GT(f.whiteHot, f.lit / 400) << "white-hot at the core";
  EXPECT_LE(f.flatBlocks, f.blocks / 50) << "of " << f.blocks << " blocks, flat colour";
  EXPECT_LE(f.hardSteps, f.rowPairs / 200) << "of " << f.rowPairs << " pixels, a hard step to the next row";
}

}  // namespace lumi_test

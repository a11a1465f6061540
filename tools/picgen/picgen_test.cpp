#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "picgen/picture_files.h"
#include "picgen/picture_kinds.h"

namespace {

PictureRequest Request(const std::string& kind, int w, int h, std::map<std::string, std::string> options = {}) {
  PictureRequest r;
  r.kind = kind;
  r.width = w;
  r.height = h;
  r.options = std::move(options);
  return r;
}

uint32_t Rgb(const Picture& p, int x, int y) {
  const Rgba& c = p.At(x, y);
  auto b = [](float v) { return static_cast<uint32_t>(std::lround(v * 255)); };
  return b(c.r) << 16 | b(c.g) << 8 | b(c.b);
}

TEST(PictureRequestTest, ParsesKindSizeAndOptions) {
  PictureRequest r = ParsePictureRequest({"landscape", "1600x900", "seed=4", "palette=dusk"});
  EXPECT_EQ(r.kind, "landscape");
  EXPECT_EQ(r.width, 1600);
  EXPECT_EQ(r.height, 900);
  EXPECT_EQ(r.options.at("seed"), "4");
  EXPECT_EQ(r.options.at("palette"), "dusk");
}

TEST(PictureRequestTest, RejectsMalformedRequests) {
  const std::vector<std::vector<std::string>> bad = {
      {"target"},           {"target", "0x10"},          {"target", "10x"},      {"target", "x10"},
      {"target", "8193x1"}, {"target", "-4x4"},          {"target", "4x4x4"},    {"target", "4 x 4"},
      {"target", "4x4", "seed"}, {"target", "4x4", "=1"}, {"target", "4x4", "a=1", "a=2"},
  };
  for (const auto& args : bad) {
    std::string shown;
    for (const auto& a : args) shown += a + " ";
    EXPECT_THROW(ParsePictureRequest(args), PictureRequestError) << shown;
  }
}

TEST(PictureRequestTest, RejectsUnknownKindsOptionsAndValues) {
  const std::vector<PictureRequest> bad = {
      Request("sunset", 8, 8),
      Request("target", 8, 8, {{"seed", "1"}}),
      Request("flame", 8, 8, {{"tongues", "0"}}),
      Request("flame", 8, 8, {{"palette", "day"}}),
      Request("fire", 8, 8, {{"gather", "2"}}),
      Request("landscape", 8, 8, {{"palette", "noon"}}),
      Request("landscape", 8, 8, {{"seed", "-1"}}),
      Request("noise", 8, 8, {{"cells", "0"}}),
      Request("haze", 8, 8, {{"strength", "0.9"}}),
      Request("gradient", 8, 8, {{"from", "12345"}}),
      Request("gradient", 8, 8, {{"to", "GGGGGG"}}),
      Request("gradient", 8, 8, {{"angle", "ninety"}}),
      Request("glyphs", 8, 8, {{"seed", "1.5"}}),
      Request("lens", 8, 8, {{"variant", "3"}}),
  };
  for (const auto& r : bad) EXPECT_THROW(DrawPicture(r), PictureRequestError) << r.kind;
}

// Every kind, at a size that is neither square nor a power of two: the size and transparency asked for,
// the same pixels on every draw, and PNG bytes that decode back to exactly those pixels.
TEST(PictureKindsTest, EveryKindIsDeterministicAndSurvivesPng) {
  const std::map<std::string, bool> alpha = {
      {"landscape", false}, {"target", false}, {"gradient", false}, {"noise", false}, {"haze", false},
      {"flame", true},      {"fire", true},      {"fireplace", false}, {"glyphs", true},  {"lens", true},      {"shadow", true},
      {"body", false},      {"wing", true},    {"clockface", true}, {"hand", true},    {"leaf", true},
      {"sprite", true},     {"bolt", true},
      {"seabed", false},    {"ripple", false},
  };
  ASSERT_EQ(PictureKinds().size(), alpha.size()) << "a kind without a row here";
  for (const std::string& kind : PictureKinds()) {
    SCOPED_TRACE(kind);
    Picture a = DrawPicture(Request(kind, 37, 61));
    Picture b = DrawPicture(Request(kind, 37, 61));
    EXPECT_EQ(a.width(), 37);
    EXPECT_EQ(a.height(), 61);
    EXPECT_EQ(a.hasAlpha(), alpha.at(kind));
    EXPECT_EQ(a.Bytes(), b.Bytes());
    std::vector<uint8_t> png = EncodePng(a);
    EXPECT_EQ(png, EncodePng(b)) << "the file bytes depend on the pixels alone";
    DecodedPicture d = DecodePng(png);
    EXPECT_EQ(d.width, 37);
    EXPECT_EQ(d.height, 61);
    EXPECT_EQ(d.channels, alpha.at(kind) ? 4 : 3);
    EXPECT_EQ(d.bytes, a.Bytes());
  }
}

TEST(PictureFilesTest, JpegKeepsSizeAndColoursClosely) {
  Picture p = DrawPicture(Request("landscape", 120, 72, {{"palette", "dawn"}}));
  DecodedPicture d = DecodeJpeg(EncodeJpeg(p, 92));
  ASSERT_EQ(d.width, 120);
  ASSERT_EQ(d.height, 72);
  ASSERT_EQ(d.channels, 3);
  std::vector<uint8_t> original = p.Bytes();
  double error = 0;
  for (size_t i = 0; i < original.size(); ++i) error += std::abs(original[i] - d.bytes[i]);
  EXPECT_LT(error / original.size(), 3.0);
}

TEST(PictureFilesTest, FormatsAndErrors) {
  EXPECT_EQ(FormatOfPath("out/a.png"), PictureFormat::kPng);
  EXPECT_EQ(FormatOfPath("A.PNG"), PictureFormat::kPng);
  EXPECT_EQ(FormatOfPath("b.jpg"), PictureFormat::kJpeg);
  EXPECT_EQ(FormatOfPath("b.JPEG"), PictureFormat::kJpeg);
  EXPECT_EQ(FormatOfPath("bump.DDS"), PictureFormat::kDdsBump);
  for (const char* bad : {"c.bmp", "c.ddsx", "png", "c.png.txt"}) EXPECT_THROW(FormatOfPath(bad), PictureFileError) << bad;

  EXPECT_THROW(EncodeJpeg(DrawPicture(Request("flame", 8, 8)), 90), PictureFileError) << "transparency would be lost";
  EXPECT_THROW(EncodeJpeg(DrawPicture(Request("target", 8, 8)), 0), PictureFileError);
  const std::vector<uint8_t> garbage = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'};
  EXPECT_THROW(DecodePng(garbage), PictureFileError);
  EXPECT_THROW(DecodeJpeg(garbage), PictureFileError);
  std::vector<uint8_t> cut = EncodePng(DrawPicture(Request("target", 16, 16)));
  cut.resize(cut.size() / 2);
  EXPECT_THROW(DecodePng(cut), PictureFileError);
  EXPECT_THROW(WritePictureFile("/nonexistent-folder/x.png", DrawPicture(Request("target", 4, 4)), 90), PictureFileError);
}

// The placement picture must read the same in both orientations: its circle is round in pixels, its
// corner markers tell which corners were cut off.
TEST(PictureKindsTest, TargetCircleIsRoundAndCornersAreMarked) {
  for (auto size : {std::make_pair(400, 200), std::make_pair(200, 400)}) {
    Picture p = DrawPicture(Request("target", size.first, size.second));
    const int cx = size.first / 2, cy = size.second / 2, r = static_cast<int>(0.42 * 200);
    SCOPED_TRACE(size.first);
    EXPECT_EQ(Rgb(p, cx + r, cy), 0xffffffu);
    EXPECT_EQ(Rgb(p, cx - r, cy), 0xffffffu);
    EXPECT_EQ(Rgb(p, cx, cy + r), 0xffffffu);
    EXPECT_EQ(Rgb(p, cx, cy - r), 0xffffffu);
    EXPECT_EQ(Rgb(p, cx, cy), 0xff5030u);
    const int in = 10;  // inside the corner marker, past the frame
    EXPECT_EQ(Rgb(p, in, in), 0xd83a3au);
    EXPECT_EQ(Rgb(p, size.first - 1 - in, in), 0x3ac25au);
    EXPECT_EQ(Rgb(p, in, size.second - 1 - in), 0x3a6ad8u);
    EXPECT_EQ(Rgb(p, size.first - 1 - in, size.second - 1 - in), 0xe8c83au);
  }
}

TEST(PictureKindsTest, GradientRunsAlongItsAngle) {
  Picture across = DrawPicture(Request("gradient", 100, 50, {{"from", "000000"}, {"to", "ff0000"}}));
  EXPECT_LT(across.At(0, 25).r, 0.02f);
  EXPECT_GT(across.At(99, 25).r, 0.98f);
  EXPECT_FLOAT_EQ(across.At(50, 0).r, across.At(50, 49).r);
  Picture down = DrawPicture(Request("gradient", 100, 50, {{"from", "000000"}, {"to", "0000ff"}, {"angle", "90"}}));
  EXPECT_LT(down.At(50, 0).b, 0.02f);
  EXPECT_GT(down.At(50, 49).b, 0.98f);
  EXPECT_FLOAT_EQ(down.At(0, 20).b, down.At(99, 20).b);
}

TEST(PictureKindsTest, NoiseTilesAndStaysInRange) {
  for (double u : {0.0, 0.13, 0.5, 0.77})
    for (double v : {0.0, 0.31, 0.99}) {
      double n = TileableNoise(u, v, 4, 9);
      EXPECT_GE(n, 0.0);
      EXPECT_LE(n, 1.0);
      EXPECT_NEAR(n, TileableNoise(u + 1, v, 4, 9), 1e-12);
      EXPECT_NEAR(n, TileableNoise(u, v + 1, 4, 9), 1e-12);
    }
  EXPECT_NE(TileableNoise(0.3, 0.3, 4, 1), TileableNoise(0.3, 0.3, 4, 2)) << "the seed matters";
  // A tiled noise picture continues across its own edges as smoothly as inside.
  Picture p = DrawPicture(Request("noise", 128, 64, {{"cells", "2"}}));
  double seam = 0, inside = 0;
  for (int y = 0; y < 64; ++y) {
    seam = std::max(seam, static_cast<double>(std::fabs(p.At(0, y).r - p.At(127, y).r)));
    inside = std::max(inside, static_cast<double>(std::fabs(p.At(63, y).r - p.At(64, y).r)));
  }
  EXPECT_LT(seam, 0.15);
  EXPECT_LT(seam, 4 * inside + 0.02);
}

TEST(PictureKindsTest, HazeStaysAroundTheMiddle) {
  Picture p = DrawPicture(Request("haze", 64, 64, {{"strength", "0.2"}}));
  for (int y = 0; y < 64; y += 7)
    for (int x = 0; x < 64; x += 5) {
      EXPECT_NEAR(p.At(x, y).r, 0.5, 0.2001);
      EXPECT_NEAR(p.At(x, y).g, 0.5, 0.2001);
    }
}

TEST(PictureKindsTest, FlameTonguesStandSideBySide) {
  Picture p = DrawPicture(Request("flame", 200, 100, {{"tongues", "5"}, {"seed", "7"}}));
  const int y = 85;  // low in every tongue, whatever its height
  for (int t = 0; t < 5; ++t) {
    EXPECT_GT(p.At(40 * t + 20, y).a, 0.5f) << t;  // a tongue's middle
    EXPECT_LT(p.At(40 * t, y).a, 0.05f) << t;      // between two tongues
  }
  EXPECT_EQ(p.At(0, 0).a, 0.0f);
  // A single tongue is the flame as it always was.
  EXPECT_EQ(DrawPicture(Request("flame", 37, 61, {{"tongues", "1"}})).Bytes(), DrawPicture(Request("flame", 37, 61)).Bytes());
}

// The fire pattern is a density for the fire effect to shape flames from: it tiles across (the effect
// repeats it and bends its tongues over the edges), is clear at the top, densest low down and shaded
// throughout: no patch of one value, no jump between neighbours.
TEST(PictureKindsTest, FirePatternTilesAcrossAndIsShadedThroughout) {
  const int w = 160, h = 96;
  Picture p = DrawPicture(Request("fire", w, h, {{"tongues", "4"}, {"seed", "3"}}));
  for (int y = 0; y < h; ++y) {
    // The column beyond the right edge is the left edge's: as alike as neighbours inside.
    EXPECT_NEAR(p.At(w - 1, y).a, p.At(0, y).a, 0.05f) << y;
    EXPECT_LT(p.At(w / 2, y).a, 0.999f) << "never quite solid";
  }
  for (int x = 0; x < w; ++x) EXPECT_LT(p.At(x, 0).a, 0.01f) << "clear at the top";
  double top = 0, low = 0;
  int jumps = 0, flat = 0;
  for (int x = 0; x < w; ++x) {
    top += p.At(x, h / 4).a;
    low += p.At(x, h - 4).a;
    for (int y = h / 2; y + 1 < h; ++y) {
      jumps += std::fabs(p.At(x, y + 1).a - p.At(x, y).a) > 0.1f ? 1 : 0;
      flat += p.At(x, y + 1).a == p.At(x, y).a && p.At(x, y).a > 0.2f ? 1 : 0;
    }
  }
  EXPECT_GT(low, 4 * top) << "densest low down";
  EXPECT_EQ(jumps, 0);
  EXPECT_LT(flat, w * h / 2 / 50);
  // The colour is the density's heat: the densest texel is the hottest.
  EXPECT_GT(p.At(w / 2, h - 4).g + p.At(w / 2, h - 4).b, p.At(w / 2, h / 3).g + p.At(w / 2, h / 3).b);
}

TEST(PictureKindsTest, FireplaceOpeningIsDarkAboveItsFloorAndTheWallAboveIsNot) {
  Picture p = DrawPicture(Request("fireplace", 320, 200));
  auto level = [&](int x, int y) { return p.At(x, y).r + p.At(x, y).g + p.At(x, y).b; };
  EXPECT_LT(level(160, 110), 0.2);   // inside the opening, high up: soot
  EXPECT_GT(p.At(30, 188).r, 0.3);   // its floor glows
  EXPECT_GT(level(14, 120), 0.5);    // bricks beside it
  EXPECT_GT(level(160, 60), 0.2);    // the mantel shelf
}

TEST(PictureKindsTest, GlyphSheetKeepsEachGlyphInsideItsBand) {
  EXPECT_EQ(GlyphBandCount(32, 320), 12);
  EXPECT_EQ(GlyphBandCount(64, 640), 12);
  EXPECT_EQ(GlyphBandCount(64, 64), 3);
  EXPECT_EQ(GlyphBandCount(64, 63), 2);
  Picture p = DrawPicture(Request("glyphs", 32, 320));
  const int bands = 12;
  std::vector<std::vector<uint8_t>> seen;
  for (int g = 0; g < bands; ++g) {
    const int top = static_cast<int>(std::ceil(g * 320.0 / bands)), bottom = static_cast<int>((g + 1) * 320.0 / bands);
    int opaque = 0;
    std::vector<uint8_t> shape;
    for (int y = top; y < bottom; ++y)
      for (int x = 0; x < 32; ++x) {
        opaque += p.At(x, y).a > 0.5f;
        shape.push_back(p.At(x, y).a > 0.5f);
      }
    EXPECT_GT(opaque, 0) << "band " << g << " is empty";
    for (int x = 0; x < 32; ++x) {
      EXPECT_EQ(p.At(x, top).a, 0.0f) << "glyph " << g << " touches its band's top";
      EXPECT_EQ(p.At(x, bottom - 1).a, 0.0f) << "glyph " << g << " touches its band's bottom";
    }
    seen.push_back(shape);
  }
  for (int g = 1; g < bands; ++g) EXPECT_NE(seen[g], seen[g - 1]) << "glyphs " << g - 1 << " and " << g << " look alike";
}

TEST(PictureKindsTest, OverlaysFadeWhereTheyShould) {
  Picture flame = DrawPicture(Request("flame", 64, 128));
  for (int x = 0; x < 64; ++x) EXPECT_LT(flame.At(x, 0).a, 0.01f) << "the flame's top is transparent";
  EXPECT_GT(flame.At(32, 90).a, 0.9f);
  EXPECT_LT(flame.At(0, 90).a, 0.05f);

  Picture lens = DrawPicture(Request("lens", 64, 64));
  EXPECT_EQ(lens.At(0, 0).a, 0.0f) << "outside the ball";
  EXPECT_GT(lens.At(20, 19).a, lens.At(40, 40).a) << "the highlight is at the top left";

  Picture shadow = DrawPicture(Request("shadow", 80, 40));
  EXPECT_EQ(shadow.At(0, 0).a, 0.0f);
  EXPECT_GT(shadow.At(40, 20).a, 0.6f);
  EXPECT_EQ(shadow.At(40, 20).r, 0.0f);
}

TEST(PictureKindsTest, LandscapesDifferBySeedAndPalette) {
  std::vector<uint8_t> base = DrawPicture(Request("landscape", 80, 45)).Bytes();
  EXPECT_NE(base, DrawPicture(Request("landscape", 80, 45, {{"seed", "2"}})).Bytes());
  EXPECT_NE(base, DrawPicture(Request("landscape", 80, 45, {{"palette", "night"}})).Bytes());
}

}  // namespace

TEST(PictureKindsTest, BoltHoldsTwoVariantsWithEndCapsThatFadeOut) {
  Picture bolt = DrawPicture(Request("bolt", 256, 64));
  auto columnAlpha = [&](int x, int y0, int y1) {
    double sum = 0;
    for (int y = y0; y < y1; ++y) sum += bolt.At(x, y).a;
    return sum;
  };
  // Both halves carry a bolt across the middle part; the outermost columns are (nearly) empty.
  for (int half = 0; half < 2; ++half) {
    EXPECT_GT(columnAlpha(128, half * 32, half * 32 + 32), 1.0) << half;
    EXPECT_LT(columnAlpha(0, half * 32, half * 32 + 32), 0.3) << half;
    EXPECT_LT(columnAlpha(255, half * 32, half * 32 + 32), 0.3) << half;
  }
  bool differ = false;
  for (int y = 0; y < 32 && !differ; ++y) differ = bolt.At(100, y).a != bolt.At(100, y + 32).a;
  EXPECT_TRUE(differ) << "the two variants are different bolts";
}

TEST(PictureKindsTest, SpriteSheetsHoldOneShapeAFrameAndRejectUnknownShapes) {
  Picture sheet = DrawPicture(Request("sprite", 128, 32, {{"shape", "flash"}, {"frames", "4"}}));
  bool differ = false;
  for (int y = 0; y < 32 && !differ; ++y)
    for (int x = 0; x < 32 && !differ; ++x) differ = sheet.At(x, y).a != sheet.At(x + 32, y).a;
  EXPECT_TRUE(differ) << "frames of a flash sheet differ";
  Picture fish = DrawPicture(Request("sprite", 64, 32, {{"shape", "fish"}, {"colour", "ff8000"}}));
  EXPECT_GT(fish.At(24, 16).a, 0.9f);
  EXPECT_FLOAT_EQ(fish.At(24, 16).g, fish.At(24, 16).r * 128.0f / 255.0f);
  EXPECT_THROW(DrawPicture(Request("sprite", 8, 8, {{"shape", "cube"}})), PictureRequestError);
  EXPECT_THROW(DrawPicture(Request("sprite", 8, 8, {{"frames", "9"}})), PictureRequestError);
}

// The fish item mirrors the sprite of a fish that swims left, so the picture must face right: the tail
// fin, tall where it ends, at the left of the opaque span and the head, tapering to its tip, at the right,
// with the eye (a hole inside the body) in the right half.
TEST(PictureKindsTest, FishFacesRight) {
  const int w = 64, h = 32;
  Picture fish = DrawPicture(Request("sprite", w, h, {{"shape", "fish"}}));
  std::vector<double> column(w, 0.0);
  for (int x = 0; x < w; ++x)
    for (int y = 0; y < h; ++y) column[x] += fish.At(x, y).a;
  int first = 0, last = w - 1;
  while (first < w && column[first] < 0.5) ++first;
  while (last > first && column[last] < 0.5) --last;
  ASSERT_GT(last - first, w / 2);
  const int end = (last - first + 1) / 8;
  double tailEnd = 0, headEnd = 0;
  for (int i = 0; i < end; ++i) {
    tailEnd += column[first + i];
    headEnd += column[last - i];
  }
  EXPECT_GT(tailEnd, 1.5 * headEnd) << "the tall end of the tail fin is at the left";

  int eyes = 0;
  for (int y = 3; y + 3 < h; ++y)
    for (int x = 3; x + 3 < w; ++x) {
      const bool enclosed = fish.At(x - 3, y).a > 0.9f && fish.At(x + 3, y).a > 0.9f && fish.At(x, y - 3).a > 0.9f &&
                            fish.At(x, y + 3).a > 0.9f;
      if (enclosed && fish.At(x, y).a < 0.5f) {
        ++eyes;
        EXPECT_GT(x, w / 2) << "the eye at " << x << "," << y;
      }
    }
  EXPECT_GT(eyes, 0) << "the fish has an eye";
}

// A bump map as DDS: the header the loaders need (signed two-channel format, one level) and each texel's
// red and green as signed u and v offsets, 0.5 being none.
TEST(PictureFilesTest, DdsBumpMapKeepsRedAndGreenAsSignedOffsets) {
  Picture p(3, 2, false);
  p.Set(0, 0, Rgba{0.5f, 0.5f, 0, 1});
  p.Set(1, 0, Rgba{1.0f, 0.0f, 0, 1});
  p.Set(2, 0, Rgba{0.75f, 0.25f, 0, 1});
  const std::vector<uint8_t> dds = EncodeDdsBump(p);
  ASSERT_EQ(dds.size(), 128u + 3 * 2 * 2);
  auto dword = [&dds](size_t at) {
    return static_cast<uint32_t>(dds[at] | dds[at + 1] << 8 | dds[at + 2] << 16 | dds[at + 3] << 24);
  };
  EXPECT_EQ(std::string(dds.begin(), dds.begin() + 4), "DDS ");
  EXPECT_EQ(dword(4), 124u);
  EXPECT_EQ(dword(12), 2u);           // height
  EXPECT_EQ(dword(16), 3u);           // width
  EXPECT_EQ(dword(20), 6u);           // pitch
  EXPECT_EQ(dword(80), 0x80000u);     // signed offsets
  EXPECT_EQ(dword(88), 16u);
  EXPECT_EQ(dword(92), 0xFFu);
  EXPECT_EQ(dword(96), 0xFF00u);
  const int8_t* texels = reinterpret_cast<const int8_t*>(dds.data() + 128);
  const int expected[] = {0, 0, 127, -127, 64, -64};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(texels[i], expected[i]) << i;
}

// The ripple height field tiles, and its normal map leans against the slope: red below 0.5 where the
// field rises to the right.
TEST(PicturesTest, RippleTilesAndItsNormalsFollowTheSlope) {
  const Picture heights = DrawPicture(Request("ripple", 64, 64, {{"seed", "2"}}));
  const Picture normals = DrawPicture(Request("ripple", 64, 64, {{"seed", "2"}, {"normals", "25"}}));
  int leaning = 0, rising = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const double slope = heights.At((x + 1) % 64, y).r - heights.At((x + 63) % 64, y).r;
      if (std::fabs(slope) < 0.02) continue;
      ++rising;
      leaning += (slope > 0) == (normals.At(x, y).r < 0.5f) ? 1 : 0;
    }
  ASSERT_GT(rising, 100);
  EXPECT_EQ(leaning, rising);
  // Across the wrap the field continues as inside it.
  double seam = 0, inside = 0;
  for (int y = 0; y < 64; ++y) {
    seam += std::fabs(heights.At(0, y).r - heights.At(63, y).r);
    inside += std::fabs(heights.At(32, y).r - heights.At(31, y).r);
  }
  EXPECT_LT(seam, 2.5 * inside + 0.5);
  EXPECT_THROW(DrawPicture(Request("ripple", 8, 8, {{"normals", "0"}})), PictureRequestError);
}

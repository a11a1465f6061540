// The 3D objects on a real device, drawn through a picture light over a plain grey picture of 256 x 256
// pixels and read back: butterflies inside their rectangle with beating wings, the clock's hands at the
// time the test sets, leaves that fall and turn, and all three still drawn after a device loss and
// reset. The frames read back are kept as PNGs by the test fixture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "dxut/d3d_device.h"
#include "dxut/device_objects.h"
#include "lights/light_2d.h"
#include "objects3d/butterfly.h"
#include "objects3d/clock.h"
#include "objects3d/leaves.h"
#include "platform/noise.h"
#include "render/projection.h"
#include "render/render_device_win.h"
#include "scene/doc_res_manager.h"
#include "scene/module_resources_win.h"
#include "scene/render_device.h"
#include "scene/screen_mapping.h"
#include "support/d3d_fixture_win.h"
#include "support/saved_global.h"

namespace {

const UINT kSize = 256;
const DWORD kGrey = 0xFF404040;

ClockTime g_now;
bool TestTime(ClockTime* out) {
  *out = g_now;
  return true;
}

int Channel(DWORD c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }
bool Differs(DWORD a, DWORD b) {
  for (int s = 0; s < 24; s += 8)
    if (std::abs(Channel(a, s) - Channel(b, s)) > 24) return true;
  return false;
}
int Brightness(DWORD c) { return Channel(c, 0) + Channel(c, 8) + Channel(c, 16); }

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  int count = 0;
};
// Where the picture is not plain grey.
Box Drawn(const lumi_test::Pixels& p) {
  Box b;
  for (UINT y = 0; y < p.height; ++y)
    for (UINT x = 0; x < p.width; ++x)
      if (Differs(p.at(x, y), kGrey)) {
        b.left = std::min(b.left, static_cast<int>(x));
        b.right = std::max(b.right, static_cast<int>(x));
        b.top = std::min(b.top, static_cast<int>(y));
        b.bottom = std::max(b.bottom, static_cast<int>(y));
        ++b.count;
      }
  return b;
}
int DifferentPixels(const lumi_test::Pixels& a, const lumi_test::Pixels& b) {
  int n = 0;
  for (size_t i = 0; i < a.argb.size() && i < b.argb.size(); ++i) n += Differs(a.argb[i], b.argb[i]) ? 1 : 0;
  return n;
}

class Objects3DDeviceTest : public lumi_test::D3DFixture {
 protected:
  lumi_test::D3DTestOptions Options() const override {
    return lumi_test::D3DTestOptions::Sized(kSize, kSize);
  }
  void SetUp() override {
    lumi_test::D3DFixture::SetUp();
    g_LetterboxProjection = LetterboxProjection();
    g_TextureCache = &initial_;
    SetModuleResources(&Win32ModuleResources());
    SetRenderDevice(&renderDevice_);
    manager_.reset(new DS_DocResManager);
    g_DocResManager = manager_.get();
    light.reset(new DS_2D_Light);
    light->OnCreateDevice();
    light->Resize(1, 1);
    IDirect3DTexture9* grey = nullptr;
    ASSERT_EQ(D3D_OK, device()->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &grey, nullptr));
    D3DLOCKED_RECT r;
    ASSERT_EQ(D3D_OK, grey->LockRect(0, &r, nullptr, 0));
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) reinterpret_cast<DWORD*>(static_cast<BYTE*>(r.pBits) + y * r.Pitch)[x] = kGrey;
    grey->UnlockRect(0);
    light->pictureQuad.info.Assign(grey, kSize, kSize);
    SetPictureQuadTexture(light->pictureQuad.info, light->pictureQuad);
    grey->Release();
    light->Resize(kSize, kSize);
    light->OnResetDevice();
    ASSERT_EQ(static_cast<int>(kSize), GetScreenMapping()->pictureWidth);
    ResetCrtRand();
    SetLocalTimeSource(&TestTime);
  }
  void TearDown() override {
    SetLocalTimeSource(nullptr);
    light.reset();
    g_DocResManager = nullptr;
    manager_.reset();
    SetRenderDevice(nullptr);
    SetModuleResources(nullptr);
    g_LetterboxProjection = LetterboxProjection();
    lumi_test::D3DFixture::TearDown();
  }
  // One frame: the picture, then the object.
  lumi_test::Pixels Frame(DS_ABObj& obj) {
    lumi_test::Pixels none;
    if (FAILED(device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0)) || FAILED(device()->BeginScene()))
      return none;
    light->RenderBackground();
    obj.Render(light.get());
    light->PostRender();
    device()->EndScene();
    return BackBuffer();
  }
  // As the scene host does it: everything held on the device let go, the device reset, then made again.
  void LoseAndResetDevice() {
    ASSERT_TRUE(::LoseAndResetDevice([&] { light->OnLostDevice(); }, [&] { return test_.ResetDevice(); },
                                     [&] { light->OnResetDevice(); }));
  }

  std::unique_ptr<DS_2D_Light> light;

 private:
  D3D9RenderDevice renderDevice_;
  TextureCacheHolder initial_;
  lumi_test::SavedGlobal<TextureCacheHolder*> savedCache_{g_TextureCache};
  std::unique_ptr<DS_DocResManager> manager_;
};

std::unique_ptr<DS_3DObjArray> MakeButterflies(UINT count, UINT size) {
  DS_ButterflyConstructor item;
  item.count = count;
  item.size = size;
  item.x0 = item.y0 = 0.25f;
  item.x1 = item.y1 = 0.75f;
  item.texture = DS_ImageFileLink(73, kBaseKitModule);
  return std::unique_ptr<DS_3DObjArray>(static_cast<DS_3DObjArray*>(item.CreateRenderObject()));
}

std::unique_ptr<DS_3DObjArray> MakeClock() {
  DS_ClockConstructor item;
  item.size = 240u;
  return std::unique_ptr<DS_3DObjArray>(static_cast<DS_3DObjArray*>(item.CreateRenderObject()));
}

std::unique_ptr<DS_3D_in_2D_array> MakeLeaves() {
  DS_3D_in_2D_array_Constructor item;
  item.leafCount = 12u;
  item.meshRecord = DocResourceRecord(70, kBaseKitModule);
  item.textureRecord = DocResourceRecord(73, kBaseKitModule);
  item.params.size = 40u;
  item.params.sway = 20u;
  item.params.swayRate = 10u;
  item.params.SetOrientation(270);
  return std::unique_ptr<DS_3D_in_2D_array>(static_cast<DS_3D_in_2D_array*>(item.CreateRenderObject()));
}

TEST_F(Objects3DDeviceTest, ButterfliesFlyInsideTheirRectangleWithBeatingWings) {
  std::unique_ptr<DS_3DObjArray> flock = MakeButterflies(4, 100);
  ASSERT_EQ(2u, flock->parts.size());
  EXPECT_TRUE(flock->parts[0].CanDrawIndexed()) << "body mesh 68 of the resource module";
  EXPECT_TRUE(flock->parts[1].CanDrawIndexed()) << "wing mesh 69 of the resource module";
  ASSERT_NE(nullptr, flock->parts[1].texture) << "wing picture 73";

  lumi_test::Pixels first, last;
  D3DXMATRIX wingBefore;
  for (int i = 0; i <= 20; ++i) {
    flock->Update(0.05 * i);
    if (i == 10) wingBefore = flock->instances.front()->children[0]->world;
    if (i == 10) first = Frame(*flock);
    if (i == 20) last = Frame(*flock);
  }
  for (const lumi_test::Pixels* p : {&first, &last}) {
    const Box b = Drawn(*p);
    ASSERT_GT(b.count, 50);
    // The rectangle is 64..192; the flight turns back within a few body lengths of its edges.
    EXPECT_GE(b.left, 64 - 56);
    EXPECT_LE(b.right, 192 + 56);
    EXPECT_GE(b.top, 64 - 56);
    EXPECT_LE(b.bottom, 192 + 56);
  }
  EXPECT_GT(DifferentPixels(first, last), 50) << "the butterflies moved";
  EXPECT_NE(wingBefore, flock->instances.front()->children[0]->world) << "the wings beat";
}

// The body mesh is wound so that its near side faces the viewer: with culling as the renderer sets it
// for an opaque part, the near half (texture u near 0 or 1) shows and the far half (u around 0.5) does not.
TEST_F(Objects3DDeviceTest, ButterflyBodyShowsItsNearSide) {
  std::unique_ptr<DS_3DObjArray> one = MakeButterflies(1, 400);
  AC_Butterfly& flight = *static_cast<AC_Butterfly*>(one->instances.front()->animation);
  flight.position = D3DXVECTOR3(128, 128, 0);
  flight.heading = {0, 0, 350};
  IDirect3DTexture9* halves = nullptr;
  ASSERT_EQ(D3D_OK, device()->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &halves, nullptr));
  D3DLOCKED_RECT r;
  ASSERT_EQ(D3D_OK, halves->LockRect(0, &r, nullptr, 0));
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      reinterpret_cast<DWORD*>(static_cast<BYTE*>(r.pBits) + y * r.Pitch)[x] =
          (x >= 16 && x < 48) ? 0xFFFF0000 : 0xFF00FF00;  // far half red, near half green
  halves->UnlockRect(0);
  one->parts[0].SetTexture(halves);
  halves->Release();
  one->parts[1].instances.clear();  // the body alone
  one->Update(0.01);
  const lumi_test::Pixels p = Frame(*one);
  // The body lies along x; its ends (where the texture runs into one point) are left out.
  const Box body = Drawn(p);
  ASSERT_GT(body.count, 100);
  const int margin = (body.right - body.left) / 5;
  int green = 0, red = 0;
  for (UINT y = 0; y < p.height; ++y)
    for (int x = body.left + margin; x <= body.right - margin; ++x) {
      const DWORD c = p.at(static_cast<UINT>(x), y);
      if (Channel(c, 8) > 150 && Channel(c, 16) < 100) ++green;
      if (Channel(c, 16) > 150 && Channel(c, 8) < 100) ++red;
    }
  EXPECT_GT(green, 100);
  EXPECT_EQ(0, red) << "the far side shows: the body's winding is reversed";
}

TEST_F(Objects3DDeviceTest, ClockHandsPointAtTheLocalTime) {
  struct Case {
    ClockTime time;
    float hourDegrees, minuteDegrees;
    const char* name;
  };
  const Case cases[] = {
      {{3, 0, 0}, 90, 0, "03:00"},
      {{21, 30, 0}, 285, 180, "21:30"},
      {{12, 45, 0}, 22.5f, 270, "12:45"},
  };
  std::unique_ptr<DS_3DObjArray> clock = MakeClock();
  ASSERT_TRUE(clock->parts[0].CanDrawIndexed()) << "face mesh 70";
  ASSERT_NE(nullptr, clock->parts[0].texture) << "face picture 71";
  ASSERT_NE(nullptr, clock->parts[1].texture) << "hands picture 72";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_now = c.time;
    clock->Update(0.1);
    const lumi_test::Pixels p = Frame(*clock);
    // Darkest pixel near the point d pixels from the centre at a clockwise angle from twelve.
    auto darkest = [&](float degrees, float d) {
      const float a = DegToRad(degrees);
      const int x = static_cast<int>(std::lround(128 + d * std::sin(a)));
      const int y = static_cast<int>(std::lround(128 - d * std::cos(a)));
      int best = 1000;
      for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) best = std::min(best, Brightness(p.at(x + dx, y + dy)));
      return best;
    };
    // The hour hand reaches 60 pixels, the minute hand 77, on a face of 240.
    EXPECT_LT(darkest(c.hourDegrees, 40), 150) << "hour hand";
    EXPECT_LT(darkest(c.minuteDegrees, 70), 150) << "minute hand";
    EXPECT_GT(darkest(c.hourDegrees + 180, 45), 300) << "only the face opposite the hour hand";
    EXPECT_GT(darkest(c.minuteDegrees + 180, 45), 300) << "only the face opposite the minute hand";
  }
  // The face is round: the corners of its square stay the picture's.
  const lumi_test::Pixels p = Frame(*clock);
  EXPECT_FALSE(Differs(p.at(128 - 115, 128 - 115), kGrey));
  EXPECT_TRUE(Differs(p.at(128 - 60, 128), kGrey));
}

TEST_F(Objects3DDeviceTest, LeavesFallAndTurn) {
  std::unique_ptr<DS_3D_in_2D_array> leaves = MakeLeaves();
  ASSERT_TRUE(leaves->node.CanDrawIndexed()) << "the record's mesh";
  ASSERT_NE(nullptr, leaves->node.texture) << "the record's picture";
  ASSERT_EQ(12u, leaves->node.children.size());
  leaves->Update(0.1);
  std::vector<float> y;
  std::vector<D3DXMATRIX> world;
  for (DS_Frame* leaf : leaves->node.children) {
    y.push_back(static_cast<DS_LeafFallAnim*>(leaf->animation)->position._42);
    world.push_back(leaf->world);
  }
  const lumi_test::Pixels first = Frame(*leaves);
  for (int i = 2; i <= 6; ++i) leaves->Update(0.1 * i);
  const lumi_test::Pixels later = Frame(*leaves);
  EXPECT_GT(Drawn(first).count, 100);
  EXPECT_GT(DifferentPixels(first, later), 100);
  for (size_t i = 0; i < y.size(); ++i) {
    const DS_Frame* leaf = leaves->node.children[i];
    const float now = static_cast<const DS_LeafFallAnim*>(leaf->animation)->position._42;
    // Down the picture, or back in at its top after leaving it at the bottom (five steps of at most 26
    // pixels cannot bring a leaf from the top back to where it was in the lower half).
    EXPECT_TRUE(now > y[i] || (y[i] > kSize / 2 && now < y[i])) << "leaf " << i << ": " << y[i] << " -> " << now;
    EXPECT_NE(world[i], leaf->world) << "leaf " << i << " turned";
  }
}

TEST_F(Objects3DDeviceTest, ObjectsStillDrawAfterDeviceLossAndReset) {
  struct Case {
    const char* name;
    std::function<std::unique_ptr<DS_ABObj>()> make;
  };
  g_now = {10, 10, 0};
  const Case cases[] = {
      {"butterflies", [] { return std::unique_ptr<DS_ABObj>(MakeButterflies(4, 150).release()); }},
      {"clock", [] { return std::unique_ptr<DS_ABObj>(MakeClock().release()); }},
      {"leaves", [] { return std::unique_ptr<DS_ABObj>(MakeLeaves().release()); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<DS_ABObj> obj = c.make();
    obj->Update(0.1);
    const lumi_test::Pixels before = Frame(*obj);
    ASSERT_GT(Drawn(before).count, 50);
    LoseAndResetDevice();
    const lumi_test::Pixels after = Frame(*obj);
    EXPECT_EQ(0, DifferentPixels(before, after)) << "the same frame as before the loss";
  }
}

}  // namespace

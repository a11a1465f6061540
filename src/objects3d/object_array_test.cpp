#include "objects3d/object_array.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "support/fake_geometry.h"
#include "support/recording_render_device.h"
#include "support/recording_renderer.h"

namespace {

// Counts its animations alive; each instance is a root with one child, both animated.
int g_liveAnimations = 0;
int g_madeAnimations = 0;

class CountingAnimation : public DS_AnimationBase {
 public:
  explicit CountingAnimation(int id) : id(id) {
    ++g_liveAnimations;
    ++g_madeAnimations;
  }
  ~CountingAnimation() override { --g_liveAnimations; }
  void Animate(DS_Frame* frame) override { D3DXMatrixTranslation(&frame->world, static_cast<float>(id), 0, 0); }
  int id;
};

class TestObjects : public DS_3D_Obj_Ctrl {
 public:
  TestObjects() = default;
  TestObjects(const TestObjects& o) = default;
  void BuildMeshParts(std::vector<MeshPart>& parts) override { parts.resize(1); }
  void AttachInstances(std::list<DS_Frame*>& instances, std::vector<MeshPart>& parts) override {
    parts[0].instances.clear();
    for (DS_Frame* root : instances) parts[0].instances.push_back(root);
  }
  DS_Frame* CreateFrameTree() override {
    DS_Frame* root = new DS_Frame;
    root->SetAnimation(new CountingAnimation(g_madeAnimations));
    DS_Frame* child = new DS_Frame;
    child->SetAnimation(new CountingAnimation(g_madeAnimations));
    root->children.push_back(child);
    return root;
  }
  DS_3D_Obj_Ctrl* Clone() const override { return new TestObjects(*this); }
};

class ObjectArrayTest : public ::testing::Test {
 protected:
  void SetUp() override { g_liveAnimations = g_madeAnimations = 0; }
  void TearDown() override { EXPECT_EQ(0, g_liveAnimations) << "animations leaked or freed twice"; }
};

std::vector<int> RootIds(const DS_3DObjArray& a) {
  std::vector<int> ids;
  for (DS_Frame* root : a.instances) ids.push_back(static_cast<CountingAnimation*>(root->animation)->id);
  return ids;
}

TEST_F(ObjectArrayTest, CountChangesAddAtTheBackAndRemoveTheOldestFirst) {
  struct Case {
    std::vector<UINT> counts;
    std::vector<int> rootIds;  // ids of the remaining roots' animations, oldest first
  };
  const Case cases[] = {
      {{1}, {0}},
      {{3}, {0, 2, 4}},
      {{3, 1}, {4}},
      {{3, 1, 2}, {4, 6}},
      {{2, 0}, {}},
      {{0, 2}, {0, 2}},
  };
  for (const Case& c : cases) {
    g_madeAnimations = 0;
    TestObjects item;
    item.count = c.counts[0];
    {
      DS_3DObjArray array(item.Clone());
      for (size_t i = 1; i < c.counts.size(); ++i) array.obj->count.SetValue(c.counts[i], nullptr);
      EXPECT_EQ(c.rootIds, RootIds(array));
      // The part draws exactly at the remaining roots.
      std::vector<DS_Frame*> roots(array.instances.begin(), array.instances.end());
      EXPECT_EQ(roots, array.parts[0].instances);
      EXPECT_EQ(2 * static_cast<int>(c.rootIds.size()), g_liveAnimations);
    }
    EXPECT_EQ(0, g_liveAnimations);
  }
}

TEST_F(ObjectArrayTest, UpdateAdvancesTheItemClockThenWritesEveryTreeTopDown) {
  TestObjects item;
  item.count = 2u;
  DS_3DObjArray array(item.Clone());
  array.Update(0.1);
  array.Update(0.2);
  // 0.1 s at speed 50: 0.1 item seconds.
  EXPECT_FLOAT_EQ(0.1f, array.obj->delta);
  EXPECT_FLOAT_EQ(0.2f, array.obj->clock);
  for (DS_Frame* root : array.instances) {
    const float rootX = static_cast<float>(static_cast<CountingAnimation*>(root->animation)->id);
    const float childX = static_cast<float>(static_cast<CountingAnimation*>(root->children[0]->animation)->id);
    EXPECT_FLOAT_EQ(rootX, root->world._41);
    EXPECT_FLOAT_EQ(childX + rootX, root->children[0]->world._41) << "the child's world includes its parent's";
  }
}

TEST_F(ObjectArrayTest, RenderDrawsEveryPartInOrderAndNothingElse) {
  lumi_test::CallLog log;
  lumi_test::RecordingRenderer renderer(log);
  TestObjects item;
  item.count = 0u;
  DS_3DObjArray array(item.Clone());
  log.names[&array.parts[0]] = "part0";
  array.Render(&renderer);
  EXPECT_EQ(std::vector<std::string>{"DrawMeshPart part0"}, log.calls);
  EXPECT_TRUE(array.parts[0].instances.empty());
  EXPECT_EQ(0, array.NeedsSourceTexture());
}

TEST_F(ObjectArrayTest, MarkersAreTheViewRectangleInTheItemsMarkerMode) {
  lumi_test::RecordingRenderDevice geometry;
  lumi_test::CallLog log;
  lumi_test::RecordingRenderer renderer(log);
  TestObjects item;
  DS_3DObjArray array(item.Clone());
  array.DrawMarkers(&renderer, 5);
  ASSERT_EQ(1u, renderer.markerDraws.size());
  EXPECT_EQ(0, renderer.markerDraws[0].mode);
  ASSERT_EQ(4u, renderer.markerDraws[0].corners.size());
  EXPECT_EQ(0x88000000u, renderer.markerDraws[0].corners[0].color);
}

}  // namespace

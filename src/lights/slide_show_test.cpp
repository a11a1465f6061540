// Slides and the slide show over a recording picture light and recording scene items: the stored
// sections, which slide is current when, the fade quad, and where frame, render and device events go.
#include "lights/slide_show.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "lights/light_2d.h"
#include "lights/light_readers.h"
#include "scene/item_bases.h"
#include "scene/readers.h"
#include "scene/stream.h"
#include "support/fake_geometry.h"
#include "support/recording_render_device.h"

namespace {

std::vector<std::string> g_log;

// A picture light that records the slide-facing operations instead of drawing.
class RecordingLight : public DS_2D_Light {
 public:
  INT id = 0;
  bool offscreen = false;

  void Save(DS_IOF_Virtual** s) override {
    WriteSectionHeader(s, u"RecordingLight", 1);
    (*s)->WriteInt(id);
    (*s)->WriteBool(offscreen);
    SaveBase(s);
  }
  static DS_2D_Light* CreateAndRead(DS_IOF_Virtual** s, DWORD) {
    std::unique_ptr<RecordingLight> light(new RecordingLight);
    (*s)->ReadInt(&light->id);
    (*s)->ReadBool(&light->offscreen);
    ReadBase(s, light.get());
    return light.release();
  }

  void Log(const std::string& what) { g_log.push_back("light" + std::to_string(id) + " " + what); }
  void OnCreateDevice() override { Log("create"); }
  void OnResetDevice() override { Log("reset"); }
  void OnLostDevice() override { Log("lost"); }
  void PostRender() override { Log("post"); }
  void RenderBackground() override {
    Log("background");
    readersAtBackground = compositionReaders;
  }
  void FrameMove(double) override { Log("move"); }
  void Resize(int w, int h) override { Log("resize " + std::to_string(w) + "x" + std::to_string(h)); }
  void SetPicturePosition(int mode) override { Log("position " + std::to_string(mode)); }
  void DrawColorQuadRHW(DS_SimpleMesh<DX_V::RHWC>*) override { Log("fade"); }
  void DrawTexturedQuadRHW(TexQuad*) override { Log("icons"); }
  void BeginOffscreen() override { Log("offscreen"); }
  RenderTargetChain* EndOffscreen(bool) override {
    Log("end offscreen");
    return nullptr;
  }
  bool NeedsOffscreen() override { return offscreen; }
  int readersAtBackground = -1;  // what the light knew of the composition's readers as it drew
};

class RecordingObject : public DS_ABObj {
 public:
  RecordingObject(DS_ABObj_Constructor* item, int id, int needsSource)
      : DS_ABObj(item), id_(id), needsSource_(needsSource) {}
  void Render(DS_ABRender*) override { g_log.push_back("object" + std::to_string(id_) + " render"); }
  void DrawMarkers(DS_ABRender*, int) override {}
  void Update(double t) override { g_log.push_back("object" + std::to_string(id_) + " update"); }
  void OnScreenResize() override {}
  int NeedsSourceTexture() override { return needsSource_; }

 private:
  int id_, needsSource_;
};

class RecordingItem : public DS_ABObj_Constructor {
 public:
  INT id = 0;
  INT needsSource = 0;

  void Save(DS_IOF_Virtual** s) override {
    WriteSectionHeader(s, u"RecordingItem", 1);
    (*s)->WriteInt(id);
    (*s)->WriteInt(needsSource);
    SaveBase(s);
  }
  static DS_ABObj_Constructor* CreateAndRead(DS_IOF_Virtual** s, DWORD) {
    std::unique_ptr<RecordingItem> item(new RecordingItem);
    (*s)->ReadInt(&item->id);
    (*s)->ReadInt(&item->needsSource);
    item->ReadBase(s);
    return item.release();
  }
  DS_ABObj* CreateRenderObject() override {
    RecordingItem* clone = new RecordingItem;
    clone->name = name;
    clone->id = id;
    clone->needsSource = needsSource;
    return new RecordingObject(clone, id, needsSource);
  }
};

void RegisterTestReaders() {
  RegisterLightReaders();
  RegisterClassReader<RecordingLight, DS_2D_Light>(GetLightReaderRegistry(), u"RecordingLight");
  RegisterClassReader<RecordingItem, DS_ABObj_Constructor>(GetConstructorReaderRegistry(), u"RecordingItem");
}

struct SlideSpec {
  UINT in, show, out;
  std::vector<int> needsSource;  // one item per entry
  bool offscreen;
};

DS_SlideShow_Light* MakeShow(const std::vector<SlideSpec>& specs) {
  DS_SlideShow_Light* show = new DS_SlideShow_Light;
  int id = 0;
  for (const SlideSpec& spec : specs) {
    DS_SlideContainer* slide = new DS_SlideContainer;
    slide->fadeIn = spec.in;
    slide->show = spec.show;
    slide->fadeOut = spec.out;
    RecordingLight* light = new RecordingLight;
    light->id = id;
    light->offscreen = spec.offscreen;
    slide->picture = CountedPtr<DS_2D_Light>(light);
    int itemId = 0;
    for (int needs : spec.needsSource) {
      RecordingItem* item = new RecordingItem;
      item->id = itemId++;
      item->needsSource = needs;
      slide->items.emplace_back(item);
    }
    show->slides.push_back(CountedPtr<DS_SlideContainer>(slide));
    ++id;
  }
  return show;
}

std::vector<BYTE> SaveShow(DS_SlideShow_Light& show) {
  DS_IOF_W writer;
  DS_IOF_Virtual* s = &writer;
  show.Save(&s);
  return writer.TakeBytes();
}

DS_SlideShow_Light* ReadShow(const std::vector<BYTE>& bytes) {
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> reader(&buffer);
  DS_IOF_Virtual* s = &reader;
  DS_SlideShow_Light* show = DS_SlideShow_Light::CreateFromStream(&s);
  EXPECT_EQ(0u, buffer.Remaining()) << "the reader takes exactly what the writer wrote";
  return show;
}

RecordingLight* LightOf(const CountedPtr<DS_SlideContainer>& slide) {
  return static_cast<RecordingLight*>(slide->picture.Get());
}

class SlideShowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestReaders();
    g_log.clear();
  }
  void TearDown() override { g_log.clear(); }

  lumi_test::RecordingRenderDevice device_{640, 480};
};

TEST_F(SlideShowTest, SectionsReadBackAsWrittenAndAnUnknownClassFailsTheLoad) {
  std::unique_ptr<DS_SlideShow_Light> show(MakeShow({{2, 7, 3, {0, 1}, false}, {1, 10, 1, {}, true}}));
  show->slides[0]->name.Raw() = u"Forest";
  show->slides[0]->unused.Raw() = -5;
  show->audioFiles.push_back(CountedPtr<DS_AudioFile>(new DS_AudioFile));
  show->audioFiles[0]->name = u"wind";
  show->audioFiles[0]->data.name = u"c:\\sounds\\wind.wav";
  const std::vector<BYTE> bytes = SaveShow(*show);

  std::unique_ptr<DS_SlideShow_Light> read(ReadShow(bytes));
  ASSERT_EQ(2u, read->slides.size());
  const DS_SlideContainer& a = *read->slides[0];
  EXPECT_EQ(2u, a.fadeIn.GetValue());
  EXPECT_EQ(7u, a.show.GetValue());
  EXPECT_EQ(3u, a.fadeOut.GetValue());
  EXPECT_EQ(-5, a.unused.GetValue());
  EXPECT_EQ(u"Forest", a.name.GetValue());
  ASSERT_EQ(2u, a.items.size());
  EXPECT_EQ(1, static_cast<RecordingItem*>(a.items.back().get())->needsSource);
  EXPECT_TRUE(LightOf(read->slides[1])->offscreen);
  EXPECT_EQ(1, LightOf(read->slides[1])->id);
  ASSERT_EQ(1u, read->audioFiles.size());
  EXPECT_EQ(u"c:\\sounds\\wind.wav", read->audioFiles[0]->FileName());
  EXPECT_FALSE(read->current) << "no slide is current before the first frame";

  // After the scene starts, the items live in the render objects; saving takes them from there.
  read->slides[0]->CreateObjects();
  EXPECT_TRUE(read->slides[0]->items.empty());
  EXPECT_EQ(bytes, SaveShow(*read));

  // The same document with the item's class name changed to one no registry holds.
  std::vector<BYTE> broken = bytes;
  const std::u16string name = u"RecordingItem";
  auto at = std::search(broken.begin(), broken.end(), reinterpret_cast<const BYTE*>(name.data()),
                        reinterpret_cast<const BYTE*>(name.data() + name.size()));
  ASSERT_NE(broken.end(), at);
  at[0] = 'X';
  EXPECT_THROW(ReadShow(broken), DocFormatError);
}

TEST_F(SlideShowTest, CreatingObjectsSizesThePictureOneByOneAndKeepsItemOrder) {
  std::unique_ptr<DS_SlideShow_Light> show(MakeShow({{1, 10, 1, {0, 0, 0}, false}}));
  DS_SlideContainer& slide = *show->slides[0];
  slide.CreateObjects();
  EXPECT_EQ((std::vector<std::string>{"light0 create", "light0 resize 1x1"}), g_log);
  ASSERT_EQ(3u, slide.renderObjects.size());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(i, static_cast<RecordingItem*>(slide.renderObjects[i]->item)->id);
}

TEST_F(SlideShowTest, RenderCountsOffscreenPassesAndDrawsObjectsLastToFirst) {
  struct Case {
    std::vector<int> needsSource;
    bool lightPass;
    int passes;
  } cases[] = {
      {{}, false, 0}, {{}, true, 1}, {{0, 0}, false, 0}, {{0, 1, 0}, false, 1}, {{1, 1}, false, 2}, {{1, 0, 1}, true, 3},
  };
  for (const Case& c : cases) {
    std::unique_ptr<DS_SlideShow_Light> show(MakeShow({{1, 10, 1, c.needsSource, c.lightPass}}));
    DS_SlideContainer& slide = *show->slides[0];
    slide.CreateObjects();
    EXPECT_EQ(c.passes, slide.CountOffscreenPasses());
    g_log.clear();
    slide.Render();
    std::vector<std::string> drawn;
    for (const std::string& line : g_log)
      if (line.find("render") != std::string::npos) drawn.push_back(line);
    ASSERT_FALSE(g_log.empty());
    EXPECT_EQ(c.passes > 0, g_log[0] == "light0 offscreen");
    EXPECT_EQ("light0 background", g_log[c.passes > 0 ? 1 : 0]);
    int readers = 0;
    for (int n : c.needsSource) readers += n;
    EXPECT_EQ(readers, static_cast<RecordingLight*>(slide.picture.Get())->readersAtBackground);
    std::vector<std::string> expected;
    for (int i = static_cast<int>(c.needsSource.size()) - 1; i >= 0; --i)
      expected.push_back("object" + std::to_string(i) + " render");
    EXPECT_EQ(expected, drawn);
  }
}

// The fade quad's alpha byte, read back from its buffer.
int FadeByte(DS_SlideShow_Light& show) {
  DX_V::RHWC* v = show.FadeQuad()->LockVertices();
  EXPECT_NE(nullptr, v);
  if (!v) return -1;
  int a = static_cast<int>(v[0].color >> 24);
  EXPECT_EQ(0u, v[0].color & 0x00FFFFFF) << "the fade stays black";
  show.FadeQuad()->UnlockVertices();
  return a;
}

TEST_F(SlideShowTest, FirstSlideShowsAtOnceAndSlidesFadeThroughBlackInTurn) {
  std::unique_ptr<DS_SlideShow_Light> show(MakeShow({{1, 10, 1, {}, false}, {1, 10, 1, {}, false}, {1, 10, 1, {}, false}}));
  EXPECT_TRUE(show->StartsSlideAt(50.0));
  show->FrameMove(50.0);
  ASSERT_EQ(show->slides[0].Get(), show->current.Get());
  // The first frame sets up the first slide alone: the others wait for their own start.
  EXPECT_EQ((std::vector<std::string>{"light0 create", "light0 resize 1x1", "light0 resize 640x480", "light0 reset",
                                      "light0 move"}),
            g_log);
  EXPECT_FALSE(show->slides[1]->ObjectsCreated());
  EXPECT_TRUE(LightOf(show->slides[0])->IsCameraShaking()) << "the start puts the camera into shake mode";
  ASSERT_NE(nullptr, show->FadeQuad());
  EXPECT_EQ(0, FadeByte(*show));

  struct Step {
    double t;
    int current;
    int alphaByte;
  } steps[] = {
      {55.0, 0, 0},    {60.0, 0, 0},    {60.5, 0, 127},  {61.0, 0, 255},  {61.1, 1, 255},  {61.6, 1, 127},
      {62.1, 1, 0},    {73.2, 2, 255},  {85.3, 0, 255},  {86.3, 0, 0},
  };
  for (const Step& step : steps) {
    const DS_SlideContainer* before = show->current.Get();
    const bool starts = show->StartsSlideAt(step.t);
    show->FrameMove(step.t);
    EXPECT_EQ(show->slides[step.current].Get(), show->current.Get()) << step.t;
    EXPECT_EQ(before != show->current.Get(), starts) << step.t << ": told ahead whether the frame starts a slide";
    EXPECT_EQ(step.alphaByte, FadeByte(*show)) << step.t;
  }
}

// A wholly transparent fade changes no pixel: it is not drawn, yet blending is left on as its draw would
// leave it; any visible alpha is drawn. The quad's buffer is written only when its alpha byte changes.
TEST_F(SlideShowTest, FadeQuadIsDrawnOnlyWhenVisibleAndWrittenOnlyWhenItChanges) {
  std::unique_ptr<DS_SlideShow_Light> show(MakeShow({{1, 10, 1, {}, false}, {1, 10, 1, {}, false}}));
  show->FrameMove(50.0);
  lumi_test::FakeVertexBuffer* buffer = device_.lastVertexBuffer();
  ASSERT_EQ(show->FadeQuad()->vertexBuffer, buffer);
  struct Step {
    double t;
    bool drawn;    // the fade quad is drawn
    bool written;  // its buffer is locked
  } steps[] = {
      {50.0, false, false},  {55.0, false, false},  {60.0, false, false},
      {60.001, false, false},  // alpha 0.001: byte 0, wholly transparent still
      {60.01, true, true},      {60.01, true, false},  {60.5, true, true},   {61.0, true, true},
      {61.05, true, false},  // the switch frame keeps alpha 1
      {62.1, false, true},      {62.2, false, false},
  };
  for (const Step& step : steps) {
    device_.renderStates.clear();  // the states this step leaves
    const int locks = buffer->locks;
    show->FrameMove(step.t);
    g_log.clear();
    show->Render();
    const std::string fade = "light" + std::to_string(LightOf(show->current)->id) + " fade";
    const bool drawn = std::find(g_log.begin(), g_log.end(), fade) != g_log.end();
    EXPECT_EQ(step.drawn, drawn) << step.t;
    EXPECT_EQ(step.written, buffer->locks != locks) << step.t;
    if (!step.drawn) {
      EXPECT_EQ(static_cast<DWORD>(TRUE), device_.RenderState(D3DRS_ALPHABLENDENABLE)) << step.t;
    }
  }
}

TEST_F(SlideShowTest, EveryStartResizesRestartsTheShakeAndResetsTheStartedPictureOnly) {
  std::unique_ptr<DS_SlideShow_Light> show(MakeShow({{0, 1, 0, {}, false}, {0, 1, 0, {}, false}}));
  show->FrameMove(0.0);
  LightOf(show->slides[1])->camera.shakeMode.Raw() = 0;
  g_log.clear();
  show->FrameMove(1.5);
  ASSERT_EQ(show->slides[1].Get(), show->current.Get());
  EXPECT_EQ((std::vector<std::string>{"light1 create", "light1 resize 1x1", "light1 resize 640x480", "light1 reset",
                                      "light1 move"}),
            g_log)
      << "set up at its first start, before the start's resize and reset";
  EXPECT_TRUE(LightOf(show->slides[1])->IsCameraShaking());

  // Without a back buffer the picture keeps its size.
  device_.size = {0, 0};
  g_log.clear();
  show->FrameMove(3.0);
  EXPECT_EQ((std::vector<std::string>{"light0 reset", "light0 move"}), g_log);
}

TEST_F(SlideShowTest, OneSlideIsNeverRestartedAndNoSlideDoesNothing) {
  std::unique_ptr<DS_SlideShow_Light> one(MakeShow({{0, 1, 0, {}, false}}));
  one->FrameMove(0.0);
  g_log.clear();
  EXPECT_FALSE(one->StartsSlideAt(100.0));
  one->FrameMove(100.0);
  EXPECT_EQ((std::vector<std::string>{"light0 move"}), g_log);
  EXPECT_EQ(0, FadeByte(*one));

  g_log.clear();
  std::unique_ptr<DS_SlideShow_Light> none(MakeShow({}));
  EXPECT_FALSE(none->StartsSlideAt(0.0));
  none->FrameMove(0.0);
  none->FrameMove(1.0);
  none->Render();
  none->OnResetDevice();
  none->OnLostDevice();
  none->SetPicturePosition(2);
  EXPECT_FALSE(none->DrawIconLayer(nullptr));
  EXPECT_FALSE(none->current);
  EXPECT_EQ(nullptr, none->FadeQuad());
  EXPECT_TRUE(g_log.empty());
}

// A slide is set up when it first starts; until then device events pass it by and a picture position
// waits for its picture, which takes the last one given when the slide is set up, on whatever device is
// current then.
TEST_F(SlideShowTest, DeviceAndPlacementEventsReachTheRightPictures) {
  std::unique_ptr<DS_SlideShow_Light> show(MakeShow({{1, 10, 1, {}, false}, {1, 10, 1, {}, false}, {1, 10, 1, {0}, false}}));
  show->OnLostDevice();  // before the first frame: nothing is set up, no slide is current
  show->OnResetDevice();
  show->SetPicturePosition(1);
  EXPECT_TRUE(g_log.empty());
  show->FrameMove(0.0);
  EXPECT_EQ((std::vector<std::string>{"light0 create", "light0 resize 1x1", "light0 position 1", "light0 resize 640x480",
                                      "light0 reset", "light0 move"}),
            g_log);
  show->FrameMove(11.5);  // slide 1 current
  g_log.clear();

  show->OnLostDevice();
  EXPECT_EQ((std::vector<std::string>{"light0 lost", "light1 lost"}), g_log) << "slide 2 holds no device object yet";
  g_log.clear();
  show->OnResetDevice();
  EXPECT_EQ((std::vector<std::string>{"light1 reset"}), g_log);

  // Every picture takes the mode; the one shown takes it last, so the shared placement is its own.
  g_log.clear();
  show->SetPicturePosition(2);
  EXPECT_EQ((std::vector<std::string>{"light0 position 2", "light1 position 2", "light1 position 2"}), g_log);

  g_log.clear();
  show->Render();
  EXPECT_EQ((std::vector<std::string>{"light1 background", "light1 post", "light1 fade"}), g_log);
  g_log.clear();
  EXPECT_TRUE(show->DrawIconLayer(nullptr));
  EXPECT_EQ((std::vector<std::string>{"light1 icons"}), g_log);

  // Slide 2 starts after the reset: set up then, with its item, and placed by the last mode.
  EXPECT_EQ(1u, show->slides[2]->items.size());
  g_log.clear();
  show->FrameMove(24.0);
  ASSERT_EQ(show->slides[2].Get(), show->current.Get());
  EXPECT_EQ((std::vector<std::string>{"light2 create", "light2 resize 1x1", "light2 position 2", "light2 resize 640x480",
                                      "light2 reset", "light2 move", "object0 update"}),
            g_log);
  EXPECT_TRUE(show->slides[2]->items.empty());
  EXPECT_EQ(1u, show->slides[2]->renderObjects.size());
}

TEST_F(SlideShowTest, FrameMoveReachesThePictureThenEveryObjectInOrder) {
  std::unique_ptr<DS_SlideShow_Light> show(MakeShow({{1, 10, 1, {0, 1}, false}}));
  show->slides[0]->CreateObjects();
  show->FrameMove(0.0);
  g_log.clear();
  show->FrameMove(0.5);
  EXPECT_EQ((std::vector<std::string>{"light0 move", "object0 update", "object1 update"}), g_log);
}

}  // namespace

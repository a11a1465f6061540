// The demo document as the build writes it: its slides with their times, lights and pictures, the
// pictures' formats and aspects (so that the picture positions look different), and its sound tracks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <typeinfo>

#include "demo_expectations.h"
#include "app/reader_list.h"
#include "lights/light_2d.h"
#include "lights/slide.h"
#include "lights/slide_show.h"
#include "picgen/picture_files.h"
#include "particles/particle_objects.h"
#include "scene/doc_res_manager.h"
#include "particles/fx_particle_ctrl.h"
#include "scene/particle.h"
#include "scene/readers.h"
#include "scene/scene_document.h"
#include "scene/screen_mapping.h"
#include "support/fake_module_resources.h"
#include "support/recording_render_device.h"

namespace {

// The document the build wrote, or another copy of it named by LUMI_SCENE_DOCUMENT (the package check runs
// these tests on the document taken out of the shipped executable).
const char* DocumentPath() {
  const char* other = std::getenv("LUMI_SCENE_DOCUMENT");
  return other && *other ? other : LUMI_DEMO_DOCUMENT;
}

std::vector<BYTE> ReadDocument() {
  std::ifstream in(DocumentPath(), std::ios::binary);
  return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Mask pictures decode into textures that keep their bytes and encode back to the same bytes, so that a
// mask survives loading and saving unchanged, as it does on a device.
class MaskKeepingDevice : public lumi_test::RecordingRenderDevice {
 public:
  bool SaveTextureAsDds(IDirect3DTexture9* texture, std::vector<BYTE>* out) override {
    const std::string bytes = Text(texture);
    out->assign(bytes.begin(), bytes.end());
    return true;
  }
};

class DemoSceneTest : public testing::Test {
 protected:
  void SetUp() override {
    RegisterAllReaders();
    std::vector<BYTE> doc = ReadDocument();
    ASSERT_FALSE(doc.empty()) << DocumentPath();
    modules.AddDds(nullptr, kSceneDocumentId, doc);
    show.reset(LoadSceneDocument());
    ASSERT_NE(show, nullptr);
  }
  void TearDown() override {
    show.reset();
    delete g_DocResManager;
    g_DocResManager = nullptr;
  }
  MaskKeepingDevice device;
  FakeModuleResources modules;
  std::unique_ptr<DS_SlideShow_Light> show;
};

TEST_F(DemoSceneTest, SlidesHaveTheirTimesAndPictures) {
  const size_t n = sizeof(kDemoSlides) / sizeof(kDemoSlides[0]);
  ASSERT_EQ(show->slides.size(), n);
  std::set<float> aspects;
  std::set<std::u16string> pictures;
  std::set<std::string> formats;
  for (size_t i = 0; i < n; ++i) {
    const DemoSlide& want = kDemoSlides[i];
    SCOPED_TRACE(i);
    DS_SlideContainer& slide = *show->slides[i];
    EXPECT_EQ(slide.name.GetValue(), want.name);
    EXPECT_EQ(slide.fadeIn.GetValue(), want.fadeIn);
    EXPECT_EQ(slide.show.GetValue(), want.show);
    EXPECT_EQ(slide.fadeOut.GetValue(), want.fadeOut);
    ASSERT_TRUE(slide.picture);
    const DocFileKey key(want.picture, 0);
    EXPECT_EQ(slide.picture->picture.GetKey(), key);

    const DocRecordVector& records = g_DocResManager->Maps().resourceData[key];
    ASSERT_EQ(records.size(), 1u) << "one embedded picture";
    std::vector<uint8_t> bytes(records[0].blob.Data(), records[0].blob.Data() + records[0].blob.Size());
    const bool png = bytes.size() > 4 && bytes[1] == 'P' && bytes[2] == 'N' && bytes[3] == 'G';
    formats.insert(png ? "png" : "jpeg");
    DecodedPicture picture = png ? DecodePng(bytes) : DecodeJpeg(bytes);
    EXPECT_EQ(static_cast<UINT>(picture.width), want.width);
    EXPECT_EQ(static_cast<UINT>(picture.height), want.height);
    aspects.insert(static_cast<float>(want.height) / want.width);
    pictures.insert(want.picture);
  }
  EXPECT_EQ(formats.size(), 2u) << "both a JPEG and a PNG slide";
  EXPECT_EQ(aspects.size(), pictures.size()) << "every picture has an aspect of its own";
  std::set<UINT> shows;
  for (const DemoSlide& s : kDemoSlides) shows.insert(s.show);
  EXPECT_GT(shows.size(), 2u);
}

TEST_F(DemoSceneTest, TracksAreEmbeddedWavFiles) {
  const size_t n = sizeof(kDemoTracks) / sizeof(kDemoTracks[0]);
  ASSERT_EQ(show->audioFiles.size(), n);
  for (size_t i = 0; i < n; ++i) {
    SCOPED_TRACE(i);
    const DS_AudioFile& track = *show->audioFiles[i];
    EXPECT_EQ(track.name, kDemoTracks[i].name);
    EXPECT_EQ(track.FileName(), kDemoTracks[i].file);
    const std::string head(reinterpret_cast<const char*>(track.data.Data()), 4);
    EXPECT_EQ(head, "RIFF");
    EXPECT_EQ(static_cast<UINT>(track.data.Size()), 44 + kDemoTracks[i].milliseconds * 22050 / 1000 * 2);
  }
}

TEST_F(DemoSceneTest, SavingTheLoadedSceneGivesTheSameDocument) {
  // The document's two sections written again from what was read: the compiler and the reader agree.
  DS_IOF_W writer;
  DS_IOF_Virtual* stream = &writer;
  writer.WriteString(u"KTF v 4.0.0");
  show->Save(&stream);
  g_DocResManager->Save(&stream);
  EXPECT_EQ(writer.Bytes(), ReadDocument());
}

TEST_F(DemoSceneTest, ParticleSlidesShowEveryParticleClassAndKeepTheirParticlesNearTheirRectangles) {
  std::set<std::string> classes;
  for (const auto& slide : show->slides) {
    const DemoSlide* want = nullptr;
    for (const DemoSlide& d : kDemoSlides)
      if (slide->name.GetValue() == d.name) want = &d;
    ASSERT_NE(want, nullptr);
    ScreenMapping* mapping = GetScreenMapping();
    mapping->pictureWidth = static_cast<int>(want->width);
    mapping->pictureHeight = static_cast<int>(want->height);
    for (const auto& item : slide->items) {
      auto* particles = dynamic_cast<DS_ParticleSystemCtrl*>(item.get());
      if (!particles) continue;
      classes.insert(typeid(*particles).name());
      SCOPED_TRACE(std::string(typeid(*particles).name()));
      std::unique_ptr<DS_ABObj> object(particles->CreateRenderObject());
      auto* geometry = dynamic_cast<ParticleGeomArray*>(object.get());
      ASSERT_NE(geometry, nullptr);
      for (int frame = 1; frame <= 600; ++frame) object->Update(frame / 60.0);
      const DS_BaseSpriteProp& clone = *geometry->item;
      for (const Particle* p : geometry->particles) {
        const float margin = 2 * std::max(std::fabs(p->halfWidth), std::fabs(p->halfHeight)) + 50;
        ASSERT_TRUE(std::isfinite(p->centre.x) && std::isfinite(p->centre.y));
        EXPECT_GE(p->centre.x, clone.GetLeftPx() - margin);
        EXPECT_LE(p->centre.x, clone.GetRightPx() + margin);
        EXPECT_GE(p->centre.y, clone.GetTopPx() - margin);
        EXPECT_LE(p->centre.y, clone.GetBottomPx() + margin);
      }
    }
  }
  EXPECT_EQ(classes.size(), 15u) << "every particle class at least once";
  GetScreenMapping()->pictureWidth = GetScreenMapping()->pictureHeight = 0;
}

}  // namespace

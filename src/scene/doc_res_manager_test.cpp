#include "scene/doc_res_manager.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "scene/file_link.h"
#include "scene/guid_text.h"
#include "support/fake_module_resources.h"
#include "support/recording_render_device.h"

namespace {

typedef std::vector<BYTE> Bytes;

DocResourceRecord Rec(const std::string& bytes, const ds_string& name = u"", INT id = 0, const ds_string& module = u"") {
  DocResourceRecord r(id, module);
  r.blob.name = name;
  r.blob.SetBytes(static_cast<INT>(bytes.size()), bytes.data());
  return r;
}

const GUID kMask = {0x11111111, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}};

// A section written field by field, so that reading is checked against the stored layout itself.
struct SectionWriter {
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  void Header(DWORD version) {
    w.WriteString(u"DS_DocResManager");
    w.WriteDword(version);
  }
  void RecordMap(const std::vector<std::pair<DocFileKey, DocRecordVector>>& entries) {
    w.WriteDword(static_cast<DWORD>(entries.size()));
    for (const auto& e : entries) {
      w.WriteString(e.first.name);
      w.WriteInt64(e.first.stamp);
      WriteRecordVector(&s, e.second);
    }
  }
  void FloatMap(const std::vector<std::pair<DocFileKey, std::vector<float>>>& entries) {
    w.WriteDword(static_cast<DWORD>(entries.size()));
    for (const auto& e : entries) {
      w.WriteString(e.first.name);
      w.WriteInt64(e.first.stamp);
      WriteFloatVector(&s, e.second);
    }
  }
  void GuidMap(const GUID& g, const ds_string& name, bool flag, const std::string& dds) {
    w.WriteDword(1);
    WriteGuid(&s, g);
    w.WriteString(name);
    w.WriteBool(flag);
    DocNamedBlob b;
    b.SetBytes(static_cast<INT>(dds.size()), dds.data());
    w.WriteNamedBlob(b);
  }
};

const DocFileKey kStill(u"c:\\pics\\still.png", 100);
const DocFileKey kAnim(u"c:\\pics\\anim.gif", 200);
const DocFileKey kTimed(u"c:\\pics\\timed.gif", 300);
const DocFileKey kMesh(u"leaf.x", 1);

// A full section of the given version with: a still image, two animated images (one without frame times),
// frame times for a still image too, mesh data under a key that is also an image key, and a mask picture.
Bytes FullSection(DWORD version) {
  SectionWriter sw;
  sw.Header(version);
  sw.RecordMap({{kStill, {Rec("\x02\x01still")}},
                {kAnim, {Rec("\x04\x04" "a1"), Rec("\x06\x03" "a2")}},
                {kTimed, {Rec("\x01\x01t1"), Rec("\x01\x01t2")}}});
  sw.FloatMap({{kStill, {9.0f}}, {kTimed, {0.5f, 0.25f}}});
  sw.RecordMap({{kMesh, {Rec("meshbytes")}}, {kStill, {Rec("other")}}});
  sw.GuidMap(kMask, u"mask", false, "\x10\x10mask");
  sw.w.WriteInt(0x7777);  // whatever follows the section
  return sw.w.TakeBytes();
}

class DocResManagerTest : public testing::Test {
 protected:
  void TearDown() override {
    manager_.reset();
    EXPECT_EQ(device.LiveTextures(), 0);
    EXPECT_EQ(device.LiveEffects(), 0);
    EXPECT_FALSE(device.AnyOverReleased());
    EXPECT_TRUE(device.documents.empty());
  }

  // Reads a section (header included) and returns the bytes left behind it.
  size_t Load(const Bytes& bytes) {
    buffer_ = ResourceBuffer(bytes.data(), bytes.size());
    DS_IOF_R<ResourceBuffer> r(&buffer_);
    DS_IOF_Virtual* s = &r;
    manager_.reset(DS_DocResManager::CreateFromStream(&s));
    return buffer_.Remaining();
  }
  DS_DocResManager& M() {
    if (!manager_) manager_.reset(new DS_DocResManager);
    return *manager_;
  }
  DocResourceMaps& Maps() { return M().Maps(); }

  lumi_test::RecordingRenderDevice device;
  FakeModuleResources modules;
  std::unique_ptr<DS_DocResManager> manager_;
  ResourceBuffer buffer_;
};

TEST_F(DocResManagerTest, EmptyCurrentSectionIs56Bytes) {
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  M().Save(&s);
  EXPECT_EQ(w.Bytes().size(), 56u);
  EXPECT_EQ(Load(w.Bytes()), 0u);
}

TEST_F(DocResManagerTest, EachVersionReadsItsMaps) {
  struct Case {
    DWORD version;
    bool data;
    bool masks;
  } cases[] = {{1, false, false}, {2, true, false}, {3, true, true}, {0, true, true}, {7, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    Bytes bytes = FullSection(c.version);
    size_t left = Load(bytes);
    const DocResourceMaps& m = Maps();
    EXPECT_EQ(m.textureSets.size(), 3u);
    EXPECT_TRUE(m.savedImages.empty());
    EXPECT_EQ(m.savedFrameTimes.size(), 3u);  // the two stored, plus an empty one for the untimed image
    EXPECT_EQ(m.savedData.size(), c.data ? 2u : 0u);
    EXPECT_EQ(m.resourceData.count(kMesh), c.data ? 1u : 0u);
    EXPECT_TRUE(m.guidTextures.empty()) << "pictures under GUID keys wait for their first request";
    EXPECT_TRUE(m.savedGuidPictures.empty());
    EXPECT_EQ(*M().GuidTexture(DocGuidKey(kMask)) != nullptr, c.masks);
    EXPECT_TRUE(m.meshes.empty());
    EXPECT_TRUE(m.effects.empty());
    if (c.version == 1 || c.version == 2) {
      EXPECT_GT(left, 4u);  // the maps this version does not have are not read
    } else {
      EXPECT_EQ(left, 4u);
    }
  }
}

TEST_F(DocResManagerTest, ReadingBuildsTextureSets) {
  Load(FullSection(3));
  const DocResourceMaps& m = Maps();
  const TextureSet& still = m.textureSets.at(kStill);
  ASSERT_EQ(still.frames.size(), 1u);
  EXPECT_EQ(lumi_test::RecordingRenderDevice::Text(still.frames[0]), "\x02\x01still");
  EXPECT_TRUE(still.durations.empty());  // a still image never takes frame times
  EXPECT_EQ(still.width, 2);
  EXPECT_EQ(still.height, 1);

  const TextureSet& anim = m.textureSets.at(kAnim);
  ASSERT_EQ(anim.frames.size(), 2u);
  EXPECT_TRUE(anim.durations.empty());
  EXPECT_EQ(anim.width, 6);  // the size of the last frame
  EXPECT_EQ(anim.height, 3);
  EXPECT_FLOAT_EQ(anim.aspect, 0.5f);
  EXPECT_EQ(m.textureSets.at(kTimed).durations, (std::vector<float>{0.5f, 0.25f}));

  // An image key that is also a data key keeps the image's records.
  ASSERT_EQ(m.resourceData.at(kStill).size(), 1u);
  EXPECT_EQ(m.resourceData.at(kStill)[0].blob.Size(), 7);
  EXPECT_EQ(m.savedData.at(kStill)[0].blob.Size(), 5);

  // The mask is decoded at its first request, once; its cell stays where the request found it.
  const auto masks = [&] { return std::count(device.calls.begin(), device.calls.end(), "memory texture \x10\x10mask"); };
  EXPECT_EQ(masks(), 0) << "not decoded while reading";
  IDirect3DTexture9** cell = M().GuidTexture(DocGuidKey(kMask));
  EXPECT_EQ(lumi_test::RecordingRenderDevice::Text(*cell), "\x10\x10mask");
  EXPECT_EQ(M().GuidTexture(DocGuidKey(kMask)), cell);
  EXPECT_EQ(masks(), 1);
  auto mask = m.guidTextures.find(DocGuidKey(kMask));
  ASSERT_NE(mask, m.guidTextures.end());
  EXPECT_EQ(mask->second.Slot(), cell);
  EXPECT_EQ(mask->first.name, u"mask");
  EXPECT_FALSE(mask->first.flag);
}

// A texture put under a key before its first request (as an item's save does) wins over the document's
// bytes, which are then never decoded; a key the document does not carry gets an empty cell.
TEST_F(DocResManagerTest, GuidTexturePutBeforeTheFirstRequestIsKept) {
  Load(FullSection(3));
  TextureInfo own = device.LoadTextureFromMemory(reinterpret_cast<const BYTE*>("\x01\x01own"), 5);
  Maps().SetGuidTexture(DocGuidKey(kMask), own.texture);
  EXPECT_EQ(*M().GuidTexture(DocGuidKey(kMask)), own.texture);
  EXPECT_EQ(std::count(device.calls.begin(), device.calls.end(), "memory texture \x10\x10mask"), 0);
  EXPECT_EQ(*M().GuidTexture(DocGuidKey(GUID())), nullptr);
}

// Pictures whose size the device tells from their headers are read without decoding; the first request
// decodes them as reading would have, once. Pictures it cannot size are decoded while reading.
TEST_F(DocResManagerTest, PicturesOfKnownSizeAreDecodedAtTheirFirstRequest) {
  device.tellSizes = true;
  const DocFileKey kSmall(u"c:\\pics\\x.png", 400);
  SectionWriter sw;
  sw.Header(3);
  sw.RecordMap({{kStill, {Rec("\x02\x01still")}},
                {kAnim, {Rec("\x04\x04" "a1"), Rec("\x06\x03" "a2")}},
                {kSmall, {Rec("x")}}});  // too short to tell its size
  sw.FloatMap({{kAnim, {0.5f, 0.25f}}});
  sw.RecordMap({});
  sw.w.WriteDword(0);
  Load(sw.w.TakeBytes());
  auto decoded = [&](const std::string& text) {
    return std::count(device.calls.begin(), device.calls.end(), "texture " + text);
  };
  EXPECT_EQ(decoded("x"), 1) << "decoded while reading";
  EXPECT_EQ(decoded("\x02\x01still") + decoded("\x04\x04" "a1") + decoded("\x06\x03" "a2"), 0);

  struct Case {
    DocFileKey key;
    INT width, height;
    size_t frames;
    std::vector<float> durations;
  } cases[] = {{kStill, 2, 1, 1, {}}, {kAnim, 6, 3, 2, {0.5f, 0.25f}}};
  for (const Case& c : cases) {
    DS_ImageFileLink link{DS_FileLink3(c.key)};
    TextureInfo size;
    ASSERT_TRUE(M().PeekPictureSize(link, &size));
    EXPECT_EQ(size.texture, nullptr);
    EXPECT_EQ(static_cast<INT>(size.width), c.width) << "the last frame's size";
    EXPECT_EQ(static_cast<INT>(size.height), c.height);
    EXPECT_FLOAT_EQ(size.aspect, static_cast<float>(c.height) / c.width);
    const TextureSet& set = M().GetTextureSet(link);
    ASSERT_EQ(set.frames.size(), c.frames);
    for (IDirect3DTexture9* frame : set.frames) EXPECT_NE(frame, nullptr);
    EXPECT_EQ(set.width, c.width);
    EXPECT_EQ(set.height, c.height);
    EXPECT_EQ(set.durations, c.durations);
    EXPECT_FALSE(M().PeekPictureSize(link, &size)) << "decoded now";
    const size_t calls = device.calls.size();
    EXPECT_EQ(&M().GetTextureSet(link), &set);
    EXPECT_EQ(device.calls.size(), calls) << "nothing decoded again";
  }
  EXPECT_EQ(decoded("\x02\x01still"), 1);
  EXPECT_EQ(decoded("\x06\x03" "a2"), 1);
  TextureInfo size;
  EXPECT_FALSE(M().PeekPictureSize(DS_ImageFileLink{DS_FileLink3(kSmall)}, &size));
  EXPECT_FALSE(M().PeekPictureSize(DS_ImageFileLink{DS_FileLink3(DocFileKey(u"unknown.png", 1))}, &size));
}

TEST_F(DocResManagerTest, DamagedSectionIsAFormatErrorAtEveryCut) {
  Bytes full = FullSection(3);
  full.resize(full.size() - 4);
  for (size_t cut = 0; cut < full.size(); ++cut) {
    Bytes part(full.begin(), full.begin() + cut);
    EXPECT_THROW(Load(part), DocFormatError) << "cut at " << cut;
  }
  // Counts far beyond the bytes fail without allocating for them.
  SectionWriter sw;
  sw.Header(3);
  sw.w.WriteDword(1);
  sw.w.WriteString(u"k");
  sw.w.WriteInt64(0);
  sw.w.WriteDword(0xFFFFFFFFu);
  EXPECT_THROW(Load(sw.w.Bytes()), DocFormatError);
}

TEST_F(DocResManagerTest, SaveWritesWhatReadingTakesBack) {
  DS_ImageFileLink image{DS_FileLink3(kTimed)};
  DS_MeshFile mesh(kMesh);
  {
    Load(FullSection(3));
    M().RegisterImageForSave(image);
    EXPECT_TRUE(M().RegisterImageForSave(DS_FileLink3()));  // an empty link registers nothing
    EXPECT_EQ(Maps().savedImages.size(), 1u);
    Maps().savedGuidPictures[DocGuidKey(kMask)];  // as an item's save would, before the manager
  }
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  M().Save(&s);
  EXPECT_NE(std::find(device.calls.begin(), device.calls.end(), "dds \x10\x10mask"), device.calls.end());

  EXPECT_EQ(Load(w.Bytes()), 0u);
  const DocResourceMaps& m = Maps();
  ASSERT_EQ(m.textureSets.size(), 1u);
  EXPECT_EQ(m.textureSets.at(kTimed).frames.size(), 2u);
  EXPECT_EQ(m.textureSets.at(kTimed).durations, (std::vector<float>{0.5f, 0.25f}));
  EXPECT_EQ(m.savedData.size(), 2u);
  EXPECT_EQ(lumi_test::RecordingRenderDevice::Text(*M().GuidTexture(DocGuidKey(kMask))), "DDS \x10\x10mask");
  EXPECT_EQ(m.guidTextures.size(), 1u);
}

TEST_F(DocResManagerTest, GuidPictureThatCannotBeEncodedKeepsItsBytes) {
  DocGuidKey key(kMask);
  Maps().savedGuidPictures[key].SetBytes(3, "old");
  TextureInfo tex = device.LoadTextureFromMemory(reinterpret_cast<const BYTE*>("\x01\x01t"), 3);
  Maps().SetGuidTexture(key, tex.texture);
  device.failDds = true;
  EXPECT_FALSE(M().UpdateGuidPictureBytes(key));
  EXPECT_EQ(Maps().savedGuidPictures[key].Size(), 3);
  device.failDds = false;
  EXPECT_TRUE(M().UpdateGuidPictureBytes(key));
  EXPECT_EQ(Maps().savedGuidPictures[key].Size(), 7);
  EXPECT_TRUE(M().UpdateGuidPictureBytes(DocGuidKey(GUID())));  // no texture: nothing to do
}

TEST_F(DocResManagerTest, TextureSetsByLink) {
  Load(FullSection(3));
  size_t decoded = device.calls.size();
  DS_ImageFileLink still{DS_FileLink3(kStill)};
  TextureSet& first = M().GetTextureSet(still);
  EXPECT_EQ(&M().GetTextureSet(still), &first);
  EXPECT_EQ(device.calls.size(), decoded);  // nothing decoded again

  DS_ImageFileLink missing{DS_FileLink3(DocFileKey(u"c:\\gone.png", 5))};
  EXPECT_TRUE(M().GetTextureSet(missing).frames.empty());

  // A module link (the extension compared after lowering its case) gets its one frame from the module.
  for (const char16_t* name : {u"basekit.dll", u"BASEKIT.DLL"}) {
    DS_ImageFileLink kit(DS_FileLink3(75 + 65536 * 2, name));
    TextureSet& set = M().GetTextureSet(kit);
    ASSERT_EQ(set.frames.size(), 1u);
    EXPECT_EQ(lumi_test::RecordingRenderDevice::Text(set.frames[0]), std::string(name, name + 11) + ":" + std::to_string(75 + 65536 * 2));
    EXPECT_EQ(Maps().resourceData[kit.GetKey()].size(), 1u);
    M().GetTextureSet(kit);
    EXPECT_EQ(Maps().resourceData[kit.GetKey()].size(), 1u);  // not loaded again
  }
}

Bytes ImageSet(const std::vector<float>& durations, const std::vector<std::string>& frames) {
  DS_IOF_W w;
  w.WriteDword(static_cast<DWORD>(durations.size()));
  for (float f : durations) w.WriteFloat(f);
  w.WriteDword(static_cast<DWORD>(frames.size()));
  for (const std::string& f : frames) w.WriteResourceRecord(Rec(f));
  return w.TakeBytes();
}

TEST_F(DocResManagerTest, ModuleImageSets) {
  HMODULE kit = modules.AddModule(u"basekit.dll");
  modules.AddDds(kit, 40, ImageSet({0.1f, 0.2f, 0.3f}, {"\x02\x02" "f1", "\x04\x02" "f2"}));
  Bytes damaged = ImageSet({0.1f}, {"\x02\x02" "f1"});
  damaged[8] = 0x7F;  // a record count far beyond the bytes
  modules.AddDds(kit, 41, damaged);
  Bytes cut = ImageSet({0.1f}, {"\x02\x02" "f1"});
  cut.resize(cut.size() - 1);
  modules.AddDds(kit, 42, cut);

  DS_ImageFileLink good(40, u"basekit.dll");
  TextureSet& set = M().GetImageSetFromModule(good);
  ASSERT_EQ(set.frames.size(), 2u);
  EXPECT_EQ(set.durations.size(), 3u);  // taken as stored; animations step over the shorter count
  EXPECT_EQ(set.AnimationFrameCount(), 2u);
  EXPECT_EQ(set.width, 4);
  EXPECT_EQ(Maps().resourceData[good.GetKey()].size(), 2u);
  size_t loads = modules.loads.size();
  M().GetImageSetFromModule(good);
  EXPECT_EQ(modules.loads.size(), loads);

  // A damaged set is drawn without a texture and not parsed again; its data stays as it was.
  for (int id : {41, 42}) {
    SCOPED_TRACE(id);
    DS_ImageFileLink bad(id, u"basekit.dll");
    EXPECT_TRUE(M().GetImageSetFromModule(bad).frames.empty());
    EXPECT_TRUE(Maps().resourceData[bad.GetKey()].empty());
    loads = modules.loads.size();
    EXPECT_TRUE(M().GetImageSetFromModule(bad).frames.empty());
    EXPECT_EQ(modules.loads.size(), loads);
  }

  // A missing one is asked for again at the next request.
  DS_ImageFileLink absent(43, u"basekit.dll");
  EXPECT_TRUE(M().GetImageSetFromModule(absent).frames.empty());
  loads = modules.loads.size();
  M().GetImageSetFromModule(absent);
  EXPECT_EQ(modules.loads.size(), loads + 1);
}

TEST_F(DocResManagerTest, MeshesComeFromTheFirstRecord) {
  HMODULE kit = modules.AddModule(u"basekit.dll");
  modules.AddDds(kit, 30, {'m', 'o', 'd'});
  Maps().resourceData[kMesh] = {Rec("first"), Rec("second")};

  MeshData& mesh = M().GetMesh(DS_MeshFile(kMesh), 32);
  EXPECT_EQ(mesh.vertexCount, 5);
  EXPECT_EQ(device.calls.back(), "mesh first stride 32");
  M().GetMesh(DS_MeshFile(kMesh), 32);
  EXPECT_EQ(device.calls.size(), 1u);

  EXPECT_EQ(M().GetMesh(DS_MeshFile(30, u"basekit.dll"), 32).vertexCount, 3);

  // No bytes at all (the module lacks the resource): nothing is decoded, and the next request retries.
  DS_MeshFile absent(31, u"basekit.dll");
  EXPECT_EQ(M().GetMesh(absent, 32).vertexCount, 0);
  EXPECT_EQ(device.calls.size(), 2u);
  Maps().resourceData[absent.GetKey()][0].blob.SetBytes(2, "ok");
  EXPECT_EQ(M().GetMesh(absent, 32).vertexCount, 2);

  // Data that does not decode leaves the mesh empty.
  Maps().resourceData[DocFileKey(u"bad.x", 0)] = {Rec("!bad")};
  EXPECT_EQ(M().GetMesh(DS_MeshFile(DocFileKey(u"bad.x", 0)), 32).vertexCount, 0);
}

TEST_F(DocResManagerTest, EffectsComeFromTheLastRecordOrTheModulesEffectResources) {
  HMODULE kit = modules.AddModule(u"basekit.dll");
  modules.Add(kit, 20, ModuleResourceType::kRcData, {'f', 'x'});
  modules.AddDds(kit, 21, {'d', 'd', 's'});  // pictures are no effects
  Maps().resourceData[DocFileKey(u"own.fx", 0)] = {Rec("old"), Rec("new")};

  ID3DXEffect* fx = nullptr;
  EXPECT_EQ(M().GetEffect(&fx, DS_HLSLEffectFile(DocFileKey(u"own.fx", 0))), fx);
  EXPECT_EQ(lumi_test::RecordingRenderDevice::Text(fx), "new");
  EXPECT_EQ(lumi_test::RecordingRenderDevice::Refs(fx), 2);  // the manager's and the caller's
  device.ReleaseEffect(fx);

  ID3DXEffect* kitFx = nullptr;
  M().GetEffect(&kitFx, DS_HLSLEffectFile(20 + 65536, u"basekit.dll"));  // the low 16 bits
  EXPECT_EQ(lumi_test::RecordingRenderDevice::Text(kitFx), "fx");
  device.ReleaseEffect(kitFx);

  // Nothing to compile: no compile call, a null effect.
  size_t calls = device.calls.size();
  ID3DXEffect* none = reinterpret_cast<ID3DXEffect*>(&calls);
  EXPECT_EQ(M().GetEffect(&none, DS_HLSLEffectFile(21, u"basekit.dll")), nullptr);
  EXPECT_EQ(device.calls.size(), calls);

  // Source that does not compile is tried again from the stored bytes, without asking the module.
  modules.Add(kit, 22, ModuleResourceType::kRcData, {'!'});
  DS_HLSLEffectFile broken(22, u"basekit.dll");
  EXPECT_EQ(M().GetEffect(&none, broken), nullptr);
  size_t loads = modules.loads.size();
  EXPECT_EQ(M().GetEffect(&none, broken), nullptr);
  EXPECT_EQ(modules.loads.size(), loads);
  EXPECT_EQ(device.calls.back(), "effect !");
}

TEST_F(DocResManagerTest, EffectsGetOneLostAndOneResetPerLoss) {
  Maps().resourceData[DocFileKey(u"a.fx", 0)] = {Rec("a")};
  ID3DXEffect* fx = nullptr;
  M().GetEffect(&fx, DS_HLSLEffectFile(DocFileKey(u"a.fx", 0)));
  device.ReleaseEffect(fx);
  device.calls.clear();
  M().OnResetDevice();  // a slide start without a loss
  M().OnLostDevice();
  M().OnLostDevice();  // every slide passes the loss on
  M().OnResetDevice();
  M().OnResetDevice();
  EXPECT_EQ(device.calls, (std::vector<std::string>{"lost a", "reset a"}));
}

TEST_F(DocResManagerTest, ImageLinksFromLegacyRecords) {
  int counter = g_FileLinkCounter;
  DS_ImageFileLink a, b;
  M().MakeImageLinkFromRecord(Rec("\x02\x02one", u"one.png"), &a);
  M().MakeImageLinkFromRecord(Rec("\x02\x02one", u"one.png"), &b);
  EXPECT_EQ(a.GetKey(), DocFileKey(u"one.png", counter));
  EXPECT_EQ(b.GetKey(), DocFileKey(u"one.png", counter + 1));
  EXPECT_EQ(M().GetTextureSet(a).frames.size(), 1u);

  DS_ImageFileLink anim;
  std::list<DocResourceRecord> frames = {Rec("\x01\x01" "f1", u"", 9, u"kit.dll"), Rec("\x03\x01" "f2")};
  M().MakeImageLinkFromRecords({0.5f}, frames, &anim);
  EXPECT_EQ(anim.GetKey(), DocFileKey(u"kit.dll", 9));
  const TextureSet& set = M().GetTextureSet(anim);
  EXPECT_EQ(set.frames.size(), 2u);
  EXPECT_EQ(set.durations, (std::vector<float>{0.5f}));
  EXPECT_EQ(set.width, 3);
  EXPECT_EQ(Maps().resourceData[anim.GetKey()].size(), 2u);
  DS_ImageFileLink again;
  M().MakeImageLinkFromRecords({}, frames, &again);  // the key has frames: only the link is made
  EXPECT_EQ(again.GetKey(), anim.GetKey());
  EXPECT_EQ(Maps().resourceData[anim.GetKey()].size(), 2u);

  DS_ImageFileLink untouched{DS_FileLink3(kStill)};
  M().MakeImageLinkFromRecords({}, {}, &untouched);
  EXPECT_EQ(untouched.GetKey(), kStill);
}

TEST_F(DocResManagerTest, DestroyingTheManagerLetsGoOfTheDevice) {
  DS_DocResManager* m = new DS_DocResManager;
  EXPECT_EQ(device.documents, (std::vector<const void*>{m}));
  g_DocResManager = m;
  delete m;
  EXPECT_EQ(g_DocResManager, nullptr);
  EXPECT_TRUE(device.documents.empty());
}

}  // namespace

// A document picture let go of keeps its raw data and size and is decoded again at its next request, a
// module picture is loaded from its module again; pictures sized only by decoding stay made.
TEST_F(DocResManagerTest, PicturesLetGoOfAreDecodedAgainFromTheirRawData) {
  device.tellSizes = true;
  const DocFileKey kUnsized(u"c:\\pics\\x.png", 400);
  SectionWriter sw;
  sw.Header(3);
  sw.RecordMap({{kStill, {Rec("\x02\x01still")}}, {kUnsized, {Rec("x")}}});
  sw.FloatMap({});
  sw.RecordMap({});
  sw.w.WriteDword(0);
  Load(sw.w.TakeBytes());
  const DS_ImageFileLink still{DS_FileLink3(kStill)};
  EXPECT_TRUE(M().ReleasePicture(still)) << "not decoded yet: nothing to let go of, and nothing kept";
  IDirect3DTexture9* first = M().GetTextureSet(still).First();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(lumi_test::RecordingRenderDevice::Refs(first), 1);

  EXPECT_TRUE(M().ReleasePicture(still));
  EXPECT_EQ(lumi_test::RecordingRenderDevice::Refs(first), 0) << "the frame is freed";
  TextureInfo size;
  ASSERT_TRUE(M().PeekPictureSize(still, &size)) << "pending again, its size known";
  EXPECT_EQ(size.width, 2u);
  EXPECT_EQ(size.height, 1u);
  EXPECT_TRUE(M().ReleasePicture(still)) << "twice in a row";
  const TextureSet& again = M().GetTextureSet(still);
  ASSERT_EQ(again.frames.size(), 1u);
  EXPECT_NE(again.First(), nullptr);
  EXPECT_EQ(std::count(device.calls.begin(), device.calls.end(), "texture \x02\x01still"), 2);
  EXPECT_EQ(Maps().resourceData[kStill].size(), 1u) << "the raw data stays";

  // A module picture: the device's cache lets go of it too, and the module gives it again.
  const DS_ImageFileLink module{DS_FileLink3(7, u"basekit.dll")};
  IDirect3DTexture9* loaded = M().GetTextureSet(module).First();
  ASSERT_NE(loaded, nullptr);
  EXPECT_TRUE(M().ReleasePicture(module));
  EXPECT_EQ(lumi_test::RecordingRenderDevice::Refs(loaded), 0);
  EXPECT_TRUE(M().ReleasePicture(module)) << "twice in a row";
  ASSERT_NE(M().GetTextureSet(module).First(), nullptr);
  EXPECT_EQ(Maps().resourceData[module.GetKey()].size(), 1u) << "one record however often it is loaded";

  struct Kept {
    const char* what;
    DS_ImageFileLink link;
  } kept[] = {{"sized only by decoding", DS_ImageFileLink{DS_FileLink3(kUnsized)}},
              {"unknown", DS_ImageFileLink{DS_FileLink3(DocFileKey(u"none.png", 1))}}};
  for (Kept& k : kept) {
    IDirect3DTexture9* held = M().GetTextureSet(k.link).First();
    EXPECT_FALSE(M().ReleasePicture(k.link)) << k.what;
    EXPECT_EQ(M().GetTextureSet(k.link).First(), held) << k.what;
  }
}

TEST_F(DocResManagerTest, EffectsLetGoOfTheirTexturesOnRequest) {
  ID3DXEffect* e = nullptr;
  M().GetEffect(&e, DS_HLSLEffectFile(DocFileKey(u"a.fx", 1)));  // nothing to make it from
  Maps().resourceData[DocFileKey(u"b.fx", 1)].push_back(Rec("effect b"));
  ID3DXEffect* b = nullptr;
  M().GetEffect(&b, DS_HLSLEffectFile(DocFileKey(u"b.fx", 1)));
  device.calls.clear();
  M().UnbindEffectTextures();
  EXPECT_EQ(device.calls, std::vector<std::string>{"unbind effect b"}) << "the effect that was made";
  if (b) device.ReleaseEffect(b);
}

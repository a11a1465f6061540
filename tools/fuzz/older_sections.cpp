#include "fuzz/older_sections.h"

#include <memory>
#include <stdexcept>
#include <string>

#include "lights/flame_light.h"  // and the fire it embeds, an effect item
#include "lights/lake_light.h"
#include "lights/light_2d.h"
#include "lights/matrix_code_light.h"
#include "lights/underwater_light.h"
#include "lights/water_ring_light.h"
#include "objects3d/butterfly.h"
#include "particles/flow_particles.h"
#include "particles/still_particles.h"
#include "scene/doc_res_manager.h"
#include "scene/file_link.h"
#include "scene/guid_text.h"
#include "scene/readers.h"
#include "scene/sprite_prop.h"
#include "scenec/scene_compiler.h"

namespace {

// Writes the whole section of className in version for object, header included.
typedef void (*OlderWriter)(DS_IOF_Item& object, DWORD version, DS_IOF_Virtual** stream);

struct OlderSection {
  const char16_t* className;
  DWORD first, last;  // the versions it can write
  // Null: the older version stores a prefix of the current fields and its reader stops after it, so only
  // the version number changes (the document's last section, whose tail nothing reads).
  OlderWriter write;
};

template <class T>
T& As(DS_IOF_Item& object) {
  T* typed = dynamic_cast<T*>(&object);
  if (!typed) throw std::runtime_error("the section's class does not match the object");
  return *typed;
}

// ---- picture lights: their own fields of that version, then the current picture light section

void WritePictureLight(DS_IOF_Item& object, DWORD version, DS_IOF_Virtual** s) {
  DS_2D_Light& light = As<DS_2D_Light>(object);
  WriteSectionHeader(s, u"DS_2D_Light", version);
  if (version > 1) WriteFileLink(s, light.picture);  // version 1 kept no picture and no camera
}

void WriteFlameLight(DS_IOF_Item& object, DWORD, DS_IOF_Virtual** s) {
  DS_FlameLight& l = As<DS_FlameLight>(object);
  WriteSectionHeader(s, u"DS_FlameLight", 1);
  (*s)->WriteInt(l.fireEnable.GetValue());
  (*s)->WriteInt(l.hazeEnable.GetValue());
  (*s)->WriteUInt(l.fireOffset.GetValue());
  (*s)->WriteUInt(l.fire.clock.GetValue());  // the fire's speed, where a whole fire section is now
  WriteFileLink(s, l.haze.bumpMap);
  WriteFileLink(s, l.haze.effectLink);
  (*s)->WriteUInt(l.haze.speed.GetValue());
  (*s)->WriteUInt(l.haze.strength.GetValue());
  (*s)->WriteUInt(l.haze.bumpScale.GetValue());
  WriteFileLink(s, l.fire.patternLink);  // two links the reader skips
  WriteFileLink(s, l.fire.noiseLink);
  l.DS_2D_Light::SaveBase(s);
}

void WriteMatrixCodeLight(DS_IOF_Item& object, DWORD, DS_IOF_Virtual** s) {
  DS_MatrixCodeLight& l = As<DS_MatrixCodeLight>(object);
  WriteSectionHeader(s, u"DS_MatrixCodeLight", 1);
  (*s)->WriteUInt(l.cellSize.GetValue());
  (*s)->WriteUInt(l.density.GetValue());
  (*s)->WriteUInt(l.flickerCount.GetValue());
  (*s)->WriteInt(l.sparkle.GetValue());
  (*s)->WriteInt(l.mode.GetValue());
  (*s)->WriteInt(l.startMode.GetValue());
  (*s)->WriteDword(l.glyphColor.GetValue());
  (*s)->WriteDword(l.headColor.GetValue());
  (*s)->WriteUInt(l.transparency.GetValue());  // no glyph sheet yet
  l.DS_2D_Light::SaveBase(s);
}

void WriteWaterRingLight(DS_IOF_Item& object, DWORD, DS_IOF_Virtual** s) {
  DS_WaterRingLight& l = As<DS_WaterRingLight>(object);
  WriteSectionHeader(s, u"DS_WaterRingLight", 1);
  (*s)->WriteInt(l.mode.GetValue());  // the mode alone
  l.DS_2D_Light::SaveBase(s);
}

void WriteLakeLight(DS_IOF_Item& object, DWORD, DS_IOF_Virtual** s) {
  FakeLake2D& l = As<FakeLake2D>(object);
  WriteSectionHeader(s, u"FakeLake2D", 1);
  WriteGuid(s, l.bumpKey.guid);  // the bump map's key alone
  (*s)->WriteString(l.bumpKey.name);
  (*s)->WriteBool(l.bumpKey.flag);
  l.DS_2D_Light::SaveBase(s);
}

void WriteUnderwaterLight(DS_IOF_Item& object, DWORD, DS_IOF_Virtual** s) {
  FakeUndervater& l = As<FakeUndervater>(object);
  WriteSectionHeader(s, u"FakeUndervater", 1);
  (*s)->WriteUInt(l.underwater.clock.GetValue());  // a speed where the wobble's section is now
  l.DS_2D_Light::SaveBase(s);
}

// ---- effect items

void WriteEffectBase(DS_IOF_Item& object, DWORD, DS_IOF_Virtual** s) {
  DS_FX_Constructor& fx = As<DS_FX_Constructor>(object);
  WriteSectionHeader(s, u"DS_FX_Constructor", 1);
  (*s)->WriteUInt(fx.clock.GetValue());
  (*s)->WriteInt(fx.mainFX.GetValue());
  WriteGuid(s, fx.maskKey.guid);
  (*s)->WriteString(fx.maskKey.name);
  (*s)->WriteBool(fx.maskKey.flag);
  WriteFileLink(s, fx.effectLink);  // no scale yet
  fx.DS_ABObj_Constructor::SaveBase(s);
}

void WriteFire(DS_IOF_Item& object, DWORD version, DS_IOF_Virtual** s) {
  As<DS_FireFX>(object);
  WriteSectionHeader(s, u"DS_FireFX", 1);  // none of the fire's own fields, over an effect base as old
  WriteEffectBase(object, version, s);
}

// ---- 3D objects and the view base

void WriteButterflies(DS_IOF_Item& object, DWORD, DS_IOF_Virtual** s) {
  DS_ButterflyConstructor& b = As<DS_ButterflyConstructor>(object);
  WriteSectionHeader(s, u"DS_ButterflyConstructor", 1);
  WriteFileLink(s, b.bodyTexture);
  WriteFileLink(s, b.bodyMesh);
  (*s)->WriteUInt(b.param1.GetValue());
  (*s)->WriteUInt(b.param2.GetValue());  // no wing scale yet
  b.DS_3D_Obj_Ctrl::SaveBase(s);
}

void WriteView(DS_IOF_Item& object, DWORD, DS_IOF_Virtual** s) {
  DS_ViewObjCtrl& v = As<DS_ViewObjCtrl>(object);
  WriteSectionHeader(s, u"DS_ViewObjCtrl", 1);
  v.rectangle.Write(s);
  for (float f : {v.x0, v.x1, v.y0, v.y1}) (*s)->WriteFloat(f);
  (*s)->WriteBool(v.flag);  // no clock speed yet
  v.DS_ABObj_Constructor::SaveBase(s);
}

// ---- particle items

// The image's records and frame times as the document carries them, for the oldest sprite section,
// which held the image data itself.
const DocRecordVector* ImageRecords(const DS_FileLink3& link) {
  if (!g_DocResManager) return nullptr;
  const DocResourceMaps& m = g_DocResManager->Maps();
  auto it = m.resourceData.find(link.GetKey());
  return it == m.resourceData.end() ? nullptr : &it->second;
}

void WriteSprite(DS_IOF_Item& object, DWORD version, DS_IOF_Virtual** s) {
  DS_BaseSpriteProp& p = As<DS_BaseSpriteProp>(object);
  WriteSectionHeader(s, u"DS_BaseSpriteProp", version);
  // The view section comes first; before version 3 the clock speed lived here, not in the view.
  if (version < 3)
    WriteView(object, 1, s);
  else
    p.DS_ViewObjCtrl::SaveBase(s);
  (*s)->WriteUInt(p.count.GetValue());
  if (version < 3) (*s)->WriteUInt(p.speed.GetValue());
  (*s)->WriteUInt(p.size.GetValue());
  (*s)->WriteUInt(p.transparency.GetValue());
  (*s)->WriteInt(p.blendMode.GetValue());
  (*s)->WriteDword(p.colour.GetValue());
  for (float f : {p.phaseRate, p.phaseMin, p.phaseMax, p.sizeFactorMin, p.sizeFactorMax}) (*s)->WriteFloat(f);
  if (version == 1) {
    const DocRecordVector* frames = ImageRecords(p.image);
    (*s)->WriteDword(frames ? static_cast<DWORD>(frames->size()) : 0);
    if (frames)
      for (const DocResourceRecord& r : *frames) (*s)->WriteResourceRecord(r);
    const DocRecordVector* second = ImageRecords(p.secondImage);
    (*s)->WriteResourceRecord(second && !second->empty() ? second->front() : DocResourceRecord());
  } else {
    WriteFileLink(s, p.image);
    WriteFileLink(s, p.secondImage);
  }
  (*s)->WriteUInt(p.reservedCount);
  (*s)->WriteFloat(p.reservedValue);
  (*s)->WriteUInt(p.frameCount);
  (*s)->WriteFloat(p.frameRate);
  (*s)->WriteBool(p.animated);
  if (version == 1) {
    std::vector<float> durations;
    if (g_DocResManager) {
      const DocResourceMaps& m = g_DocResManager->Maps();
      auto it = m.textureSets.find(p.image.GetKey());
      if (it != m.textureSets.end()) durations = it->second.durations;
    }
    WriteFloatVector(s, durations);
    return;
  }
  if (version >= 4) (*s)->WriteInt(p.moduleImageSet);
  if (version >= 5) {
    (*s)->WriteInt(p.verticalFlip.GetValue());
    (*s)->WriteInt(p.horizontalFlip.GetValue());
  }
}

void WriteStill(DS_IOF_Item& object, DWORD, DS_IOF_Virtual** s) {
  DS_StatObjConstructor& p = As<DS_StatObjConstructor>(object);
  WriteSectionHeader(s, u"DS_StatObjConstructor", 1);
  p.placement.Write(s);
  (*s)->WriteUInt(p.angle.GetValue());
  (*s)->WriteInt(p.verticalFlip.GetValue());  // the flips lived here
  (*s)->WriteInt(p.horizontalFlip.GetValue());
  p.DS_BaseSpriteProp::SaveBase(s);
}

void WriteFlow(DS_IOF_Item& object, DWORD version, DS_IOF_Virtual** s) {
  DS_FlowConstructor& p = As<DS_FlowConstructor>(object);
  WriteSectionHeader(s, u"DS_FlowConstructor", version);
  (*s)->WriteUInt(p.angle.GetValue());
  (*s)->WriteUInt(p.driftSpeed.GetValue());
  (*s)->WriteUInt(p.driftChangeRate.GetValue());
  (*s)->WriteFloat(p.baseSpeed);
  if (version == 2) (*s)->WriteInt(p.orientationMode.GetValue() != 0 ? 1 : 0);  // a flag, not yet a mode
  p.DS_BaseSpriteProp::SaveBase(s);
}

const OlderSection kSections[] = {
    {u"DS_2D_Light", 1, 2, WritePictureLight},
    {u"DS_FlameLight", 1, 1, WriteFlameLight},
    {u"DS_MatrixCodeLight", 1, 1, WriteMatrixCodeLight},
    {u"DS_WaterRingLight", 1, 1, WriteWaterRingLight},
    {u"FakeLake2D", 1, 1, WriteLakeLight},
    {u"FakeUndervater", 1, 1, WriteUnderwaterLight},
    {u"DS_FX_Constructor", 1, 1, WriteEffectBase},
    {u"DS_FireFX", 1, 1, WriteFire},
    {u"DS_ButterflyConstructor", 1, 1, WriteButterflies},
    {u"DS_ViewObjCtrl", 1, 1, WriteView},
    {u"DS_BaseSpriteProp", 1, 5, WriteSprite},
    {u"DS_StatObjConstructor", 1, 1, WriteStill},
    {u"DS_FlowConstructor", 1, 2, WriteFlow},
    {u"DS_DocResManager", 1, 2, nullptr},
};

// Forwards an object's writes to out until the header of the section's class; from there the older
// writer writes that section, and the object's own writes of it and of everything after it are dropped
// (the section ends the object's save). A section without a writer keeps its body, under the older
// version number.
class OlderSectionStream : public DS_IOF_Virtual {
 public:
  OlderSectionStream(DS_IOF_Virtual* out, const OlderSection& section, DWORD version, DS_IOF_Item& object)
      : out_(out), section_(section), version_(version), object_(object) {}

  bool Replaced() const { return state_ != State::kBefore; }

  void WriteString(const ds_string& s) override {
    if (state_ != State::kBefore || s != section_.className) {
      if (Passing()) out_->WriteString(s);
      return;
    }
    if (section_.write) {
      section_.write(object_, version_, &out_);
      state_ = State::kDropping;
    } else {
      WriteSectionHeader(&out_, s, version_);
      state_ = State::kSkipVersion;
    }
  }
  void WriteDword(const DWORD& v) override {
    if (state_ == State::kSkipVersion) {
      state_ = State::kPassing;
    } else if (Passing()) {
      out_->WriteDword(v);
    }
  }
  void WriteResourceRecord(const DocResourceRecord& r) override { if (Passing()) out_->WriteResourceRecord(r); }
  void WriteNamedBlob(const DocNamedBlob& b) override { if (Passing()) out_->WriteNamedBlob(b); }
  void WriteInt64(const INT64& v) override { if (Passing()) out_->WriteInt64(v); }
  void WriteFloat(const float& v) override { if (Passing()) out_->WriteFloat(v); }
  void WritePoint(const POINT& p) override { if (Passing()) out_->WritePoint(p); }
  void WriteUInt(const UINT& v) override { if (Passing()) out_->WriteUInt(v); }
  void WriteByte(const BYTE& v) override { if (Passing()) out_->WriteByte(v); }
  void WriteBool(const bool& v) override { if (Passing()) out_->WriteBool(v); }
  void WriteInt(const INT& v) override { if (Passing()) out_->WriteInt(v); }

  void ReadResourceRecord(DocResourceRecord*) override { WriteOnly(); }
  void ReadNamedBlob(DocNamedBlob*) override { WriteOnly(); }
  void ReadString(ds_string*) override { WriteOnly(); }
  void ReadInt64(INT64*) override { WriteOnly(); }
  void ReadFloat(float*) override { WriteOnly(); }
  void ReadPoint(POINT*) override { WriteOnly(); }
  void ReadDword(DWORD*) override { WriteOnly(); }
  void ReadUInt(UINT*) override { WriteOnly(); }
  void ReadByte(BYTE*) override { WriteOnly(); }
  void ReadBool(bool*) override { WriteOnly(); }
  void ReadInt(INT*) override { WriteOnly(); }

 private:
  enum class State { kBefore, kDropping, kSkipVersion, kPassing };
  bool Passing() const { return state_ != State::kDropping; }
  [[noreturn]] static void WriteOnly() { throw std::logic_error("the older-section stream cannot be read"); }

  DS_IOF_Virtual* out_;
  const OlderSection& section_;
  DWORD version_;
  DS_IOF_Item& object_;
  State state_ = State::kBefore;
};

std::string Narrow(const char16_t* s) {
  std::string out;
  for (; *s; ++s) out.push_back(static_cast<char>(*s));
  return out;
}

// Saves object through the stream that writes the older section; throws when the object holds none.
void SaveWithOlderSection(DS_IOF_Item& object, const OlderSection& section, DWORD version, DS_IOF_Virtual** out) {
  OlderSectionStream older(*out, section, version, object);
  DS_IOF_Virtual* s = &older;
  object.Save(&s);
  if (!older.Replaced()) throw std::runtime_error("the object stores no section " + Narrow(section.className));
}

// A light or a scene item (Base) that stands in for the one it holds, saved with the older section.
template <class Base>
class Older : public Base {
 public:
  Older(Base* object, const OlderSection& section, DWORD version)
      : object_(object), section_(section), version_(version) {}
  void Save(DS_IOF_Virtual** stream) override { SaveWithOlderSection(*object_, section_, version_, stream); }

 private:
  std::unique_ptr<Base> object_;
  const OlderSection& section_;
  DWORD version_;
};

class OlderItem : public Older<DS_ABObj_Constructor> {
 public:
  using Older::Older;
  DS_ABObj* CreateRenderObject() override { return nullptr; }  // only ever saved
};

// The scene root, then the document's resource manager with its older section. The compiler writes the
// manager once more after this; the reader stops at the first one and never reads the rest.
class OlderManagerRoot : public DS_IOF_Item {
 public:
  OlderManagerRoot(DS_IOF_Item* root, const OlderSection& section, DWORD version)
      : root_(root), section_(section), version_(version) {}
  void Save(DS_IOF_Virtual** stream) override {
    root_->Save(stream);
    if (!g_DocResManager) throw std::runtime_error("no resource manager to write");
    SaveWithOlderSection(*g_DocResManager, section_, version_, stream);
  }

 private:
  std::unique_ptr<DS_IOF_Item> root_;
  const OlderSection& section_;
  DWORD version_;
};

// <keyword> OlderVersion <section class> <version> { <keyword> <Class> { ... } }
std::unique_ptr<DS_IOF_Item> BuildOlder(const SceneNode& node, SceneBuildContext& ctx) {
  if (node.args.size() != 3 || node.children.size() != 1)
    SceneBuildContext::Fail(node, "OlderVersion takes a section class, a version and one object in its block");
  const SceneNode& child = node.children[0];
  if (child.keyword != node.keyword) SceneBuildContext::Fail(child, "OlderVersion holds one '" + node.keyword + "'");
  const ds_string className = SceneBuildContext::TextArg(node, 1);
  const INT64 version = SceneBuildContext::IntArg(node, 2);
  const OlderSection* section = nullptr;
  for (const OlderSection& s : kSections)
    if (className == s.className) section = &s;
  if (!section) SceneBuildContext::Fail(node, "no older section of " + node.args[1] + " can be written");
  if (version < section->first || version > section->last)
    SceneBuildContext::Fail(node, node.args[1] + " can be written in versions " + std::to_string(section->first) +
                                      " to " + std::to_string(section->last));
  const DWORD v = static_cast<DWORD>(version);

  std::unique_ptr<DS_IOF_Item> object = ctx.Build(child);
  std::unique_ptr<DS_IOF_Item> wrapper;
  if (DS_2D_Light* light = dynamic_cast<DS_2D_Light*>(object.get())) {
    object.release();
    wrapper.reset(new Older<DS_2D_Light>(light, *section, v));
  } else if (DS_ABObj_Constructor* item = dynamic_cast<DS_ABObj_Constructor*>(object.get())) {
    object.release();
    wrapper.reset(new OlderItem(item, *section, v));
  } else {
    wrapper.reset(new OlderManagerRoot(object.release(), *section, v));
  }
  // Saved once here, so that a section the object does not store is an error at its line.
  DS_IOF_W scratch;
  DS_IOF_Virtual* s = &scratch;
  try {
    wrapper->Save(&s);
  } catch (const std::runtime_error& e) {
    SceneBuildContext::Fail(node, e.what());
  }
  return wrapper;
}

}  // namespace

void RegisterOlderSectionBuilder() { RegisterSceneBuilder("OlderVersion", BuildOlder); }

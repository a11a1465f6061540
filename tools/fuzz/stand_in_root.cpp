#include "fuzz/stand_in_root.h"

#include "app/reader_list.h"
#include "scene/readers.h"
#include "scene/scene_document.h"
#include "scenec/scene_compiler.h"

namespace {

DS_SlideShow_Light* ReadStandIn(DS_IOF_Virtual** s) {
  std::unique_ptr<StandInSceneRoot> root(new StandInSceneRoot);
  ReadSectionHeader(s);
  DWORD n = 0;
  (*s)->ReadDword(&n);
  for (DWORD i = 0; i < n; ++i) root->items.emplace_back(DS_ABObj_Constructor::CreateFromStream(s));
  return reinterpret_cast<DS_SlideShow_Light*>(root.release());
}

void DestroyStandIn(DS_SlideShow_Light* p) { delete reinterpret_cast<StandInSceneRoot*>(p); }

std::unique_ptr<DS_IOF_Item> BuildStandIn(const SceneNode& node, SceneBuildContext& ctx) {
  std::unique_ptr<StandInSceneRoot> root(new StandInSceneRoot);
  for (const SceneNode& child : node.children) {
    if (child.keyword != "item") SceneBuildContext::Fail(child, "the stand-in root holds only items");
    std::unique_ptr<DS_IOF_Item> object = ctx.Build(child);
    DS_ABObj_Constructor* item = dynamic_cast<DS_ABObj_Constructor*>(object.get());
    if (!item) SceneBuildContext::Fail(child, "not a scene item: " + child.args[0]);
    object.release();
    root->items.emplace_back(item);
  }
  return root;
}

}  // namespace

void StandInSceneRoot::Save(DS_IOF_Virtual** s) {
  WriteSectionHeader(s, u"StandInSceneRoot", 1);
  (*s)->WriteDword(static_cast<DWORD>(items.size()));
  for (const auto& item : items) item->Save(s);
}

void UseStandInRootIfNeeded() {
  RegisterAllReaders();
  if (!CurrentSceneRootReader().read) SetSceneRootReader({ReadStandIn, DestroyStandIn});
}

void RegisterStandInRootBuilder() { RegisterSceneBuilder("StandInSceneRoot", BuildStandIn); }

// Builders of the slide show, its slides, the plain picture light and the sound tracks:
//
//   scene DS_SlideShow_Light {
//     slide DS_SlideContainer {
//       name "Dusk"                    # the slide's name
//       fade-in 2                      # seconds; the defaults are 1, 10 and 1
//       show 8
//       fade-out 1
//       light DS_2D_Light {            # the picture light (any class with a builder)
//         picture "demo\dusk.jpg" 0    # the picture's key: name and stamp (default: basekit.dll, 5)
//         camera 1 120 50              # shake on (non-zero), amplitude, speed
//       }
//       item <Class> { ... }           # scene items over the picture, in document order
//     }
//     track DS_AudioFile {
//       name "Chime"
//       file "tones/chime.wav"         # its bytes are embedded; the path as written is the track's file name
//     }
//   }
#include <memory>

#include "lights/audio_file.h"
#include "lights/light_2d.h"
#include "lights/slide.h"
#include "lights/slide_show.h"
#include "scene/item_bases.h"
#include "scenec/scene_compiler.h"
#include "scenec/slide_show_builders.h"

namespace {

template <typename T>
std::unique_ptr<T> BuildAs(SceneBuildContext& ctx, const SceneNode& node, const char* what) {
  std::unique_ptr<DS_IOF_Item> object = ctx.Build(node);
  T* typed = dynamic_cast<T*>(object.get());
  if (!typed) SceneBuildContext::Fail(node, "not " + std::string(what) + ": " + node.args[0]);
  object.release();
  return std::unique_ptr<T>(typed);
}

UINT Seconds(const SceneNode& n) {
  INT64 v = SceneBuildContext::IntArg(n, 0);
  if (v < 0 || v > 0xFFFFFFFFLL) SceneBuildContext::Fail(n, n.keyword + " takes seconds from 0 to 4294967295");
  return static_cast<UINT>(v);
}

}  // namespace

bool BuildLightStatement(DS_2D_Light& light, const SceneNode& n) {
  if (n.keyword == "picture") {
    light.picture.Raw() = DocFileKey(SceneBuildContext::TextArg(n, 0), SceneBuildContext::IntArg(n, 1));
  } else if (n.keyword == "camera") {
    light.camera.enable.Raw() = static_cast<int>(SceneBuildContext::IntArg(n, 0));
    light.camera.amplitude.Change(static_cast<UINT>(SceneBuildContext::IntArg(n, 1)));
    light.camera.speed.Change(static_cast<UINT>(SceneBuildContext::IntArg(n, 2)));
  } else {
    return false;
  }
  return true;
}

namespace {

std::unique_ptr<DS_IOF_Item> BuildLight(const SceneNode& node, SceneBuildContext&) {
  std::unique_ptr<DS_2D_Light> light(new DS_2D_Light);
  for (const SceneNode& n : node.children)
    if (!BuildLightStatement(*light, n)) SceneBuildContext::Fail(n, "unknown statement " + n.keyword);
  return light;
}

std::unique_ptr<DS_IOF_Item> BuildSlide(const SceneNode& node, SceneBuildContext& ctx) {
  std::unique_ptr<DS_SlideContainer> slide(new DS_SlideContainer);
  bool hasLight = false;
  for (const SceneNode& n : node.children) {
    if (n.keyword == "name") {
      slide->name.Raw() = SceneBuildContext::TextArg(n, 0);
    } else if (n.keyword == "fade-in") {
      slide->fadeIn.Raw() = Seconds(n);
    } else if (n.keyword == "show") {
      slide->show.Raw() = Seconds(n);
    } else if (n.keyword == "fade-out") {
      slide->fadeOut.Raw() = Seconds(n);
    } else if (n.keyword == "light") {
      if (hasLight) SceneBuildContext::Fail(n, "a slide has one light");
      slide->picture = CountedPtr<DS_2D_Light>(BuildAs<DS_2D_Light>(ctx, n, "a picture light").release());
      hasLight = true;
    } else if (n.keyword == "item") {
      slide->items.emplace_back(BuildAs<DS_ABObj_Constructor>(ctx, n, "a scene item").release());
    } else {
      SceneBuildContext::Fail(n, "unknown statement " + n.keyword);
    }
  }
  // Every stored slide carries a light section: the plain picture light unless one is given.
  if (!hasLight) slide->picture = CountedPtr<DS_2D_Light>(new DS_2D_Light);
  return slide;
}

std::unique_ptr<DS_IOF_Item> BuildTrack(const SceneNode& node, SceneBuildContext& ctx) {
  std::unique_ptr<DS_AudioFile> track(new DS_AudioFile);
  for (const SceneNode& n : node.children) {
    if (n.keyword == "name") {
      track->name = SceneBuildContext::TextArg(n, 0);
    } else if (n.keyword == "file") {
      const std::string& path = SceneBuildContext::Arg(n, 0);
      std::vector<BYTE> bytes = ctx.ReadFile(n, path);
      track->data.name = Utf8ToUtf16(path);
      track->data.SetBytes(static_cast<INT>(bytes.size()), bytes.empty() ? nullptr : bytes.data());
    } else {
      SceneBuildContext::Fail(n, "unknown statement " + n.keyword);
    }
  }
  if (track->data.name.empty()) SceneBuildContext::Fail(node, "a track needs its file");
  return track;
}

std::unique_ptr<DS_IOF_Item> BuildSlideShow(const SceneNode& node, SceneBuildContext& ctx) {
  std::unique_ptr<DS_SlideShow_Light> show(new DS_SlideShow_Light);
  for (const SceneNode& n : node.children) {
    if (n.keyword == "slide") {
      show->slides.emplace_back(BuildAs<DS_SlideContainer>(ctx, n, "a slide").release());
    } else if (n.keyword == "track") {
      show->audioFiles.emplace_back(BuildAs<DS_AudioFile>(ctx, n, "a sound track").release());
    } else {
      SceneBuildContext::Fail(n, "unknown statement " + n.keyword);
    }
  }
  return show;
}

}  // namespace

void RegisterSlideShowBuilders() {
  RegisterSceneBuilder("DS_SlideShow_Light", BuildSlideShow);
  RegisterSceneBuilder("DS_SlideContainer", BuildSlide);
  RegisterSceneBuilder("DS_2D_Light", BuildLight);
  RegisterSceneBuilder("DS_AudioFile", BuildTrack);
}

// Builders of the 3D object items:
//
//   item DS_ButterflyConstructor {
//     name "Meadow"              # the item's name
//     count 6                    # instances (default 1)
//     size 150                   # percent (default 100)
//     view 0 1 0.2 0.9           # view rectangle in fractions of the picture: left right top bottom
//     speed 50                   # item clock in fiftieths of real time
//     texture "basekit.dll" 73   # wing picture: a key (name, stamp); mesh, body-texture, body-mesh alike
//     wing-scale 1.2
//   }
//   item DS_ClockConstructor {
//     name "Clock"  size 300  centre 640 360   # size in picture pixels; centre in picture pixels
//     count, view, speed, texture (the face), hands-texture, mesh as above
//   }
//   item DS_3D_in_2D_array_Constructor {
//     name "Leaves"  count 40
//     mesh file "meshes/leaf.x"  # a resource record: [module "<file>" <id>] [file "<path>"] [name "<name>"]
//     texture file "pictures/leaf.png"
//     size 48  speed 40  sway 30  sway-rate 20  spin 100  angle 270
//   }
#include "scenec/objects3d_builders.h"

#include <memory>

#include "objects3d/butterfly.h"
#include "objects3d/clock.h"
#include "objects3d/leaves.h"
#include "scenec/scene_compiler.h"

namespace {

UINT UIntArg(const SceneNode& n, size_t i) {
  const INT64 v = SceneBuildContext::IntArg(n, i);
  if (v < 0 || v > 0xFFFFFFFFLL) SceneBuildContext::Fail(n, n.keyword + " takes a number from 0 to 4294967295");
  return static_cast<UINT>(v);
}

DocFileKey KeyArg(const SceneNode& n) {
  if (n.args.size() != 2) SceneBuildContext::Fail(n, n.keyword + " takes a name and a stamp");
  return DocFileKey(SceneBuildContext::TextArg(n, 0), SceneBuildContext::IntArg(n, 1));
}

// Statements of every view item: name, view, speed. False for any other statement.
bool BuildViewStatement(DS_ViewObjCtrl& item, const SceneNode& n) {
  if (n.keyword == "name") {
    item.name = SceneBuildContext::TextArg(n, 0);
  } else if (n.keyword == "view") {
    item.x0 = SceneBuildContext::FloatArg(n, 0);
    item.x1 = SceneBuildContext::FloatArg(n, 1);
    item.y0 = SceneBuildContext::FloatArg(n, 2);
    item.y1 = SceneBuildContext::FloatArg(n, 3);
  } else if (n.keyword == "speed") {
    item.speed.Raw() = UIntArg(n, 0);
  } else {
    return false;
  }
  return true;
}

// Statements of every 3D object item: the view statements, count, size, texture, mesh.
bool BuildObjectStatement(DS_3D_Obj_Ctrl& item, const SceneNode& n) {
  if (n.keyword == "count") {
    item.count.Raw() = UIntArg(n, 0);
  } else if (n.keyword == "size") {
    item.size.Raw() = UIntArg(n, 0);
  } else if (n.keyword == "texture") {
    item.texture.Raw() = KeyArg(n);
  } else if (n.keyword == "mesh") {
    item.mesh.Raw() = KeyArg(n);
  } else {
    return BuildViewStatement(item, n);
  }
  return true;
}

std::unique_ptr<DS_IOF_Item> BuildButterflies(const SceneNode& node, SceneBuildContext&) {
  std::unique_ptr<DS_ButterflyConstructor> item(new DS_ButterflyConstructor);
  for (const SceneNode& n : node.children) {
    if (n.keyword == "body-texture") {
      item->bodyTexture.Raw() = KeyArg(n);
    } else if (n.keyword == "body-mesh") {
      item->bodyMesh.Raw() = KeyArg(n);
    } else if (n.keyword == "wing-scale") {
      item->wingScale = SceneBuildContext::FloatArg(n, 0);
    } else if (!BuildObjectStatement(*item, n)) {
      SceneBuildContext::Fail(n, "unknown statement " + n.keyword);
    }
  }
  return item;
}

std::unique_ptr<DS_IOF_Item> BuildClock(const SceneNode& node, SceneBuildContext&) {
  std::unique_ptr<DS_ClockConstructor> item(new DS_ClockConstructor);
  for (const SceneNode& n : node.children) {
    if (n.keyword == "hands-texture") {
      item->handsTexture.Raw() = KeyArg(n);
    } else if (n.keyword == "centre") {
      item->rect.centreX.Raw() = static_cast<int>(SceneBuildContext::IntArg(n, 0));
      item->rect.centreY.Raw() = static_cast<int>(SceneBuildContext::IntArg(n, 1));
    } else if (!BuildObjectStatement(*item, n)) {
      SceneBuildContext::Fail(n, "unknown statement " + n.keyword);
    }
  }
  // The stored edges follow from centre and size, as the clock keeps them.
  MediaRectangle& r = item->rect;
  const int h = static_cast<int>(item->size.GetValue() / 2);
  r.left = r.centreX.GetValue() - h;
  r.right = r.centreX.GetValue() + h;
  r.top = r.centreY.GetValue() - h;
  r.bottom = r.centreY.GetValue() + h;
  return item;
}

std::unique_ptr<DS_IOF_Item> BuildLeaves(const SceneNode& node, SceneBuildContext& ctx) {
  std::unique_ptr<DS_3D_in_2D_array_Constructor> item(new DS_3D_in_2D_array_Constructor);
  LeafFallParams& p = item->params;
  for (const SceneNode& n : node.children) {
    if (n.keyword == "name") {
      item->name = SceneBuildContext::TextArg(n, 0);
    } else if (n.keyword == "count") {
      item->leafCount.Raw() = UIntArg(n, 0);
    } else if (n.keyword == "mesh") {
      item->meshRecord = ctx.RecordArgs(n);
    } else if (n.keyword == "texture") {
      item->textureRecord = ctx.RecordArgs(n);
    } else if (n.keyword == "size") {
      p.size.Raw() = UIntArg(n, 0);
    } else if (n.keyword == "speed") {
      p.speed.Raw() = UIntArg(n, 0);
    } else if (n.keyword == "sway") {
      p.sway.Raw() = UIntArg(n, 0);
    } else if (n.keyword == "sway-rate") {
      p.swayRate.Raw() = UIntArg(n, 0);
    } else if (n.keyword == "spin") {
      p.spin.Raw() = UIntArg(n, 0);
    } else if (n.keyword == "angle") {
      p.SetOrientation(UIntArg(n, 0));
    } else {
      SceneBuildContext::Fail(n, "unknown statement " + n.keyword);
    }
  }
  return item;
}

}  // namespace

void RegisterObjects3DBuilders() {
  RegisterSceneBuilder("DS_ButterflyConstructor", BuildButterflies);
  RegisterSceneBuilder("DS_ClockConstructor", BuildClock);
  RegisterSceneBuilder("DS_3D_in_2D_array_Constructor", BuildLeaves);
}

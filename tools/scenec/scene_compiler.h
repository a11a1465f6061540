// The scene compiler: turns a scene description (scene_text.h) into a scene document, through the save
// methods of the document's classes only.
//
//   header "KTF v 4.0.0"             # optional; this text by default
//   scene DS_SlideShow_Light {       # the scene root: built by the builder of its class, then saved
//     ...                            # statements of the class's builder
//   }
//   resources {                      # data the document carries, saved by the resource manager
//     image "c:\pics\forest.jpg" 1200000000 {       # an image key (name, stamp), one record per frame
//       record file "pictures/forest.jpg"          # the bytes of a file beside the description
//       times 0.1 0.1                              # seconds per frame of an animated image
//     }
//     image "basekit.dll" 75 { record module "basekit.dll" 75 }  # a module picture, no bytes
//     data "leaf.x" 0 { record file "meshes/leaf.x" name "leaf.x" }  # meshes and effects
//     mask 0123ABCD-4E5F-6789-ABCD-EF0123456789 "mask" true file "masks/wave.dds"  # DDS bytes
//   }
//
// A record takes any of: module "<file name>" <resource id>; file "<path>" (its bytes; the path, as
// written, becomes the record's name); name "<record name>". A mask's GUID is written without braces
// (or quoted with them). Everything listed under resources is stored,
// whether or not an object of the scene links to it.
//
// The compiler writes the same bytes for the same description and files: a GUID key that an object makes
// while it is built (an effect item's mask key, a lake's bump key, where the description gives none)
// derives from the object's place in the description (SceneBuildContext::NewKey), not from a fresh GUID.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/types.h"
#include "scene/stream.h"
#include "scenec/scene_text.h"

class DS_DocResManager;
class DS_IOF_Item;

// Reads a file that the description names, relative to the description's folder; false when it cannot.
typedef std::function<bool(const std::string& path, std::vector<BYTE>* out)> SceneFileReader;

class SceneBuildContext;
// Builds one object of a class from its statement (class name = first argument) and its block.
typedef std::unique_ptr<DS_IOF_Item> (*SceneObjectBuilder)(const SceneNode& node, SceneBuildContext& context);

// Registers the builder of a class; each class that a description may name registers one from
// RegisterAllSceneBuilders (scene_builders.cpp).
void RegisterSceneBuilder(const std::string& className, SceneObjectBuilder builder);
void RegisterAllSceneBuilders();

// What a builder works with: the document's resource manager (current as g_DocResManager while the scene
// is saved), files, nested objects, and typed arguments with errors that name the line.
class SceneBuildContext {
 public:
  SceneBuildContext(DS_DocResManager& manager, const SceneFileReader& files) : manager_(manager), files_(files) {}

  DS_DocResManager& Manager() { return manager_; }
  std::unique_ptr<DS_IOF_Item> Build(const SceneNode& node);
  std::vector<BYTE> ReadFile(const SceneNode& at, const std::string& path);
  // A resource record from the statement's arguments: [module "<file>" <id>] [file "<path>"] [name "<name>"].
  DocResourceRecord RecordArgs(const SceneNode& node);

  // The next key of the object being built: a GUID derived from the path of statements that leads to it
  // (each with its place among its parent's objects, its keyword and class) and from the number of keys
  // it made before. CompileScene has NewGuid return these while it compiles.
  GUID NewKey();

  static const std::string& Arg(const SceneNode& node, size_t i);
  static INT64 IntArg(const SceneNode& node, size_t i);
  static float FloatArg(const SceneNode& node, size_t i);
  static bool BoolArg(const SceneNode& node, size_t i);
  static ds_string TextArg(const SceneNode& node, size_t i);  // UTF-8 to UTF-16
  [[noreturn]] static void Fail(const SceneNode& at, const std::string& message);

 private:
  struct Scope {
    std::string path;
    unsigned objects = 0;  // built inside it so far
    unsigned keys = 0;     // made by it so far
  };

  DS_DocResManager& manager_;
  const SceneFileReader& files_;
  std::vector<Scope> scopes_{Scope()};
};

ds_string Utf8ToUtf16(const std::string& text);

// The document bytes; throws SceneTextError (with the line) for a description it cannot compile.
std::vector<BYTE> CompileScene(const std::string& text, const SceneFileReader& files);

#include "scenec/scene_compiler.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>

#include "scene/doc_res_manager.h"
#include "scene/file_link.h"
#include "scene/guid_text.h"
#include "scene/iof_item.h"
#include "scene/stream.h"

namespace {

std::map<std::string, SceneObjectBuilder>& Builders() {
  static std::map<std::string, SceneObjectBuilder> builders;
  return builders;
}

// g_DocResManager names the manager being written while the scene saves (file links reach it).
class CurrentManager {
 public:
  explicit CurrentManager(DS_DocResManager* m) : previous_(g_DocResManager) { g_DocResManager = m; }
  ~CurrentManager() { g_DocResManager = previous_; }

 private:
  DS_DocResManager* previous_;
};

// A GUID from two 64-bit FNV-1a hashes of the text, marked as a version 8 (implementation-defined) GUID.
GUID KeyFromText(const std::string& text) {
  uint64_t h[2] = {0xCBF29CE484222325ull, 0x84222325CBF29CE4ull};
  for (uint64_t& v : h)
    for (unsigned char c : text) v = (v ^ c) * 0x100000001B3ull;
  GUID g;
  g.Data1 = static_cast<uint32_t>(h[0] >> 32);
  g.Data2 = static_cast<uint16_t>(h[0] >> 16);
  g.Data3 = static_cast<uint16_t>((h[0] & 0x0FFF) | 0x8000);
  for (int i = 0; i < 8; ++i) g.Data4[i] = static_cast<uint8_t>(h[1] >> (56 - 8 * i));
  g.Data4[0] = static_cast<uint8_t>((g.Data4[0] & 0x3F) | 0x80);
  return g;
}

// While a scene compiles, NewGuid returns the keys of the context that builds it.
SceneBuildContext* g_compiling = nullptr;

GUID CompilingKey() { return g_compiling->NewKey(); }

class DerivedKeys {
 public:
  explicit DerivedKeys(SceneBuildContext* ctx) : previousContext_(g_compiling) {
    g_compiling = ctx;
    previousGenerator_ = SetGuidGenerator(CompilingKey);
  }
  ~DerivedKeys() {
    SetGuidGenerator(previousGenerator_);
    g_compiling = previousContext_;
  }

 private:
  SceneBuildContext* previousContext_;
  GuidGenerator previousGenerator_ = nullptr;
};

DocFileKey KeyArgs(const SceneNode& node) {
  if (node.args.size() != 2) SceneBuildContext::Fail(node, "'" + node.keyword + "' takes a name and a stamp");
  return DocFileKey(SceneBuildContext::TextArg(node, 0), SceneBuildContext::IntArg(node, 1));
}

// record [module "<file name>" <id>] [file "<path>"] [name "<record name>"]
DocResourceRecord Record(const SceneNode& node, SceneBuildContext& ctx) {
  DocResourceRecord r;
  const std::vector<std::string>& a = node.args;
  for (size_t i = 0; i < a.size();) {
    const std::string& what = a[i];
    if (what == "module") {
      if (i + 2 >= a.size()) SceneBuildContext::Fail(node, "module takes a file name and an id");
      r.module = SceneBuildContext::TextArg(node, i + 1);
      INT64 id = SceneBuildContext::IntArg(node, i + 2);
      if (id < INT32_MIN || id > INT32_MAX) SceneBuildContext::Fail(node, "resource id out of range");
      r.resourceId = static_cast<INT>(id);
      i += 3;
    } else if (what == "file" && i + 1 < a.size()) {
      std::vector<BYTE> bytes = ctx.ReadFile(node, a[i + 1]);
      if (bytes.size() > 0x7FFFFFFFu) SceneBuildContext::Fail(node, "file too large");
      r.blob.TakeBytes(std::move(bytes));
      if (r.blob.name.empty()) r.blob.name = SceneBuildContext::TextArg(node, i + 1);
      i += 2;
    } else if (what == "name" && i + 1 < a.size()) {
      r.blob.name = SceneBuildContext::TextArg(node, i + 1);
      i += 2;
    } else {
      SceneBuildContext::Fail(node, "a record takes module \"<file>\" <id>, file \"<path>\" or name \"<name>\"");
    }
  }
  return r;
}

DocRecordVector Records(const SceneNode& node, SceneBuildContext& ctx, std::vector<float>* times) {
  DocRecordVector records;
  for (const SceneNode& child : node.children) {
    if (child.keyword == "record") {
      records.push_back(Record(child, ctx));
    } else if (child.keyword == "times" && times) {
      for (size_t i = 0; i < child.args.size(); ++i) times->push_back(SceneBuildContext::FloatArg(child, i));
    } else {
      SceneBuildContext::Fail(child, "unknown statement '" + child.keyword + "' in '" + node.keyword + "'");
    }
  }
  return records;
}

void AddResources(const SceneNode& block, SceneBuildContext& ctx) {
  DocResourceMaps& m = ctx.Manager().Maps();
  for (const SceneNode& node : block.children) {
    if (node.keyword == "image") {
      DocFileKey key = KeyArgs(node);
      std::vector<float> times;
      m.resourceData[key] = Records(node, ctx, &times);
      m.textureSets[key].durations = times;
      ctx.Manager().RegisterImageForSave(DS_FileLink3(key));
    } else if (node.keyword == "data") {
      DocFileKey key = KeyArgs(node);
      m.resourceData[key] = Records(node, ctx, nullptr);
      m.savedData[key] = m.resourceData[key];
    } else if (node.keyword == "mask" || node.keyword == "bump") {
      // A picture the document keeps under a GUID key: an effect item's mask, a lake's bump map.
      if (node.args.size() != 5 || node.args[3] != "file")
        SceneBuildContext::Fail(node, node.keyword + " takes a GUID, a name, true or false, file \"<path>\"");
      DocGuidKey key;
      ds_string guid = SceneBuildContext::TextArg(node, 0);
      if (guid.size() == 36) guid = u"{" + guid + u"}";
      if (!ParseGuidText(guid, &key.guid))
        SceneBuildContext::Fail(node, "not a GUID: " + node.args[0]);
      key.name = SceneBuildContext::TextArg(node, 1);
      key.flag = SceneBuildContext::BoolArg(node, 2);
      std::vector<BYTE> bytes = ctx.ReadFile(node, node.args[4]);
      m.savedGuidPictures.erase(key);
      m.savedGuidPictures[key].TakeBytes(std::move(bytes));
    } else {
      SceneBuildContext::Fail(node, "unknown statement '" + node.keyword + "' in resources");
    }
  }
}

}  // namespace

DocResourceRecord SceneBuildContext::RecordArgs(const SceneNode& node) { return Record(node, *this); }

void RegisterSceneBuilder(const std::string& className, SceneObjectBuilder builder) {
  Builders()[className] = builder;
}

std::unique_ptr<DS_IOF_Item> SceneBuildContext::Build(const SceneNode& node) {
  const std::string& className = Arg(node, 0);
  auto it = Builders().find(className);
  if (it == Builders().end()) Fail(node, "no builder for class " + className);
  Scope inner;
  inner.path = scopes_.back().path + "/" + std::to_string(scopes_.back().objects++) + " " + node.keyword + " " + className;
  scopes_.push_back(inner);
  struct Leave {
    std::vector<Scope>& scopes;
    ~Leave() { scopes.pop_back(); }
  } leave{scopes_};
  std::unique_ptr<DS_IOF_Item> object = it->second(node, *this);
  if (!object) Fail(node, "class " + className + " built nothing");
  return object;
}

GUID SceneBuildContext::NewKey() {
  Scope& scope = scopes_.back();
  return KeyFromText(scope.path + "#" + std::to_string(scope.keys++));
}

std::vector<BYTE> SceneBuildContext::ReadFile(const SceneNode& at, const std::string& path) {
  std::vector<BYTE> bytes;
  if (!files_ || !files_(path, &bytes)) Fail(at, "cannot read file " + path);
  return bytes;
}

void SceneBuildContext::Fail(const SceneNode& at, const std::string& message) { throw SceneTextError(at.line, message); }

const std::string& SceneBuildContext::Arg(const SceneNode& node, size_t i) {
  if (i >= node.args.size()) Fail(node, "'" + node.keyword + "' needs argument " + std::to_string(i + 1));
  return node.args[i];
}

INT64 SceneBuildContext::IntArg(const SceneNode& node, size_t i) {
  const std::string& s = Arg(node, i);
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(s.c_str(), &end, 0);
  if (s.empty() || *end != '\0' || errno == ERANGE) Fail(node, "not an integer: " + s);
  return static_cast<INT64>(v);
}

float SceneBuildContext::FloatArg(const SceneNode& node, size_t i) {
  const std::string& s = Arg(node, i);
  char* end = nullptr;
  float v = std::strtof(s.c_str(), &end);
  if (s.empty() || *end != '\0' || !std::isfinite(v)) Fail(node, "not a number: " + s);
  return v;
}

bool SceneBuildContext::BoolArg(const SceneNode& node, size_t i) {
  const std::string& s = Arg(node, i);
  if (s == "true") return true;
  if (s == "false") return false;
  Fail(node, "not true or false: " + s);
}

ds_string SceneBuildContext::TextArg(const SceneNode& node, size_t i) { return Utf8ToUtf16(Arg(node, i)); }

ds_string Utf8ToUtf16(const std::string& text) {
  ds_string out;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    uint32_t cp;
    size_t n;
    if (c < 0x80) {
      cp = c;
      n = 1;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F;
      n = 2;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F;
      n = 3;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07;
      n = 4;
    } else {
      throw std::runtime_error("text is not UTF-8");
    }
    if (i + n > text.size()) throw std::runtime_error("text is not UTF-8");
    for (size_t k = 1; k < n; ++k) {
      unsigned char cc = static_cast<unsigned char>(text[i + k]);
      if ((cc & 0xC0) != 0x80) throw std::runtime_error("text is not UTF-8");
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += n;
  }
  return out;
}

std::vector<BYTE> CompileScene(const std::string& text, const SceneFileReader& files) {
  RegisterAllSceneBuilders();
  std::vector<SceneNode> nodes = ParseSceneText(text);
  const SceneNode* header = nullptr;
  const SceneNode* scene = nullptr;
  const SceneNode* resources = nullptr;
  for (const SceneNode& node : nodes) {
    const SceneNode** slot = node.keyword == "header" ? &header
                             : node.keyword == "scene" ? &scene
                             : node.keyword == "resources" ? &resources
                                                           : nullptr;
    if (!slot) SceneBuildContext::Fail(node, "unknown statement '" + node.keyword + "'");
    if (*slot) SceneBuildContext::Fail(node, "a second '" + node.keyword + "'");
    *slot = &node;
  }
  if (!scene) throw SceneTextError(1, "the description has no scene");
  if (header && header->args.size() != 1) SceneBuildContext::Fail(*header, "header takes one string");

  DS_DocResManager manager;
  CurrentManager current(&manager);
  SceneBuildContext ctx(manager, files);
  DerivedKeys keys(&ctx);
  // Resources first, so that the scene's links find their data when they are saved.
  if (resources) AddResources(*resources, ctx);
  std::unique_ptr<DS_IOF_Item> root = ctx.Build(*scene);

  DS_IOF_W writer;
  DS_IOF_Virtual* stream = &writer;
  writer.WriteString(header ? SceneBuildContext::TextArg(*header, 0) : ds_string(u"KTF v 4.0.0"));
  root->Save(&stream);
  manager.Save(&stream);
  return writer.TakeBytes();
}

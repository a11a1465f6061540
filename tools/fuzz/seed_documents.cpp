#include "fuzz/seed_documents.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "fuzz/older_sections.h"
#include "fuzz/stand_in_root.h"
#include "scenec/scene_compiler.h"

std::vector<BYTE> CompileSeedFile(const std::string& path) {
  static const bool registered = [] {
    RegisterStandInRootBuilder();
    RegisterOlderSectionBuilder();
    return true;
  }();
  (void)registered;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  SceneFileReader files = [&folder](const std::string& name, std::vector<BYTE>* bytes) {
    std::ifstream f(folder + name, std::ios::binary);
    if (!f) return false;
    bytes->assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    return true;
  };
  return CompileScene(text, files);
}

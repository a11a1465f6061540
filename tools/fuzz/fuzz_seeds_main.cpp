// Writes the fuzzer's seed documents: compiles each scene description given into a document of the same
// base name in the output folder, through the scene compiler.
//   fuzz_seeds <output folder> <description.scene>...
#include <fstream>
#include <iostream>
#include <iterator>

#include "fuzz/stand_in_root.h"
#include "scenec/scene_compiler.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: fuzz_seeds <output folder> <description.scene>...\n";
    return 2;
  }
  RegisterStandInRootBuilder();
  const std::string out = argv[1];
  int failures = 0;
  for (int i = 2; i < argc; ++i) {
    const std::string input = argv[i];
    std::ifstream in(input, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t slash = input.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : input.substr(0, slash + 1);
    SceneFileReader files = [&folder](const std::string& path, std::vector<BYTE>* bytes) {
      std::ifstream f(folder + path, std::ios::binary);
      if (!f) return false;
      bytes->assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
      return true;
    };
    try {
      std::vector<BYTE> doc = CompileScene(text, files);
      std::string base = input.substr(slash == std::string::npos ? 0 : slash + 1);
      std::ofstream o(out + "/" + base.substr(0, base.find_last_of('.')) + ".doc", std::ios::binary);
      o.write(reinterpret_cast<const char*>(doc.data()), static_cast<std::streamsize>(doc.size()));
    } catch (const std::exception& e) {
      std::cerr << input << ": " << e.what() << "\n";
      ++failures;
    }
  }
  return failures ? 1 : 0;
}

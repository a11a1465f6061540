// Writes the fuzzer's seed documents: compiles each scene description given into a document of the same
// base name in the output folder, through the scene compiler.
//   fuzz_seeds <output folder> <description.scene>...
#include <fstream>
#include <iostream>

#include "fuzz/seed_documents.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: fuzz_seeds <output folder> <description.scene>...\n";
    return 2;
  }
  const std::string out = argv[1];
  int failures = 0;
  for (int i = 2; i < argc; ++i) {
    const std::string input = argv[i];
    try {
      std::vector<BYTE> doc = CompileSeedFile(input);
      const size_t slash = input.find_last_of('/');
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

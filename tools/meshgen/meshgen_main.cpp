// meshgen <kind> <out.x>: writes one generated mesh as a text X file (kinds in mesh_x.h).
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "meshgen/mesh_x.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: meshgen <kind> <out.x>\n");
    return 2;
  }
  try {
    const std::string text = WriteTextX(BuildMesh(argv[1]));
    std::ofstream out(argv[2], std::ios::binary);
    out << text;
    if (!out) throw std::runtime_error(std::string("cannot write ") + argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "meshgen: %s\n", e.what());
    return 1;
  }
  return 0;
}

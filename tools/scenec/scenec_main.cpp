// scenec: compiles a scene description into a scene document.
//   scenec <description.scene> <document.bin>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "scenec/scene_compiler.h"

namespace {

bool ReadWholeFile(const std::string& path, std::vector<BYTE>* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: scenec <description.scene> <document.bin>\n";
    return 2;
  }
  const std::string input = argv[1];
  std::vector<BYTE> text;
  if (!ReadWholeFile(input, &text)) {
    std::cerr << input << ": cannot read\n";
    return 1;
  }
  const std::string folder = FolderOf(input);
  SceneFileReader files = [&folder](const std::string& path, std::vector<BYTE>* out) {
    return ReadWholeFile(!path.empty() && path[0] == '/' ? path : folder + path, out);
  };
  std::vector<BYTE> document;
  try {
    document = CompileScene(std::string(text.begin(), text.end()), files);
  } catch (const SceneTextError& e) {
    std::cerr << input << ":" << e.line() << ": " << e.what() << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << input << ": " << e.what() << "\n";
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(document.data()), static_cast<std::streamsize>(document.size()));
  out.close();
  if (!out) {
    std::cerr << argv[2] << ": cannot write\n";
    std::remove(argv[2]);
    return 1;
  }
  return 0;
}

// tonegen: writes a short tone of our own as a WAV file (tone.h).
//   tonegen <output.wav> <milliseconds> <Hz> [<Hz> ...]    notes one after another
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "tonegen/tone.h"

namespace {

double Number(const char* text) {
  char* end = nullptr;
  double v = std::strtod(text, &end);
  if (!*text || *end) throw ToneRequestError(std::string(text) + ": not a number");
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::cerr << "usage: tonegen <output.wav> <milliseconds> <Hz> [<Hz> ...]\n";
    return 2;
  }
  try {
    ToneRequest request;
    double ms = Number(argv[2]);
    if (!(ms >= 1 && ms <= 60000) || ms != static_cast<int>(ms))
      throw ToneRequestError("the length must be a whole number of milliseconds, 1..60000");
    request.milliseconds = static_cast<int>(ms);
    for (int i = 3; i < argc; ++i) request.notes.push_back(Number(argv[i]));
    std::vector<uint8_t> wav = ToneWavFile(request);
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
    out.close();
    if (!out) {
      std::remove(argv[1]);
      std::cerr << "tonegen: " << argv[1] << ": cannot write\n";
      return 1;
    }
  } catch (const std::exception& e) {
    std::cerr << "tonegen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

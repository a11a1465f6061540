// picgen: draws a picture of our own and writes it as PNG or JPEG (picture_kinds.h lists the kinds).
//   picgen <kind> <W>x<H> <output.png|output.jpg> [name=value ...] [quality=1..100]
#include <iostream>

#include "picgen/picture_files.h"
#include "picgen/picture_kinds.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::cerr << "usage: picgen <kind> <W>x<H> <output.png|.jpg> [name=value ...]\nkinds:";
    for (const std::string& k : PictureKinds()) std::cerr << " " << k;
    std::cerr << "\n";
    return 2;
  }
  const std::string output = argv[3];
  std::vector<std::string> args = {argv[1], argv[2]};
  int quality = 90;
  try {
    for (int i = 4; i < argc; ++i) {
      std::string a = argv[i];
      if (a.rfind("quality=", 0) == 0) {
        std::string q = a.substr(8);
        if (q.empty() || q.size() > 3 || q.find_first_not_of("0123456789") != std::string::npos)
          throw PictureFileError(a + ": JPEG quality must be 1..100");
        quality = std::stoi(q);
      } else {
        args.push_back(a);
      }
    }
    PictureRequest request = ParsePictureRequest(args);
    FormatOfPath(output);  // a bad file name fails before any drawing
    WritePictureFile(output, DrawPicture(request), quality);
  } catch (const std::exception& e) {
    std::cerr << "picgen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

// brantle-place-samples <program folder>
// Writes the sample place dictionary (DATA_SYS/brantle7_0.dat) and the
// sample address library (city.dat) into a program folder, so that a client
// started from it has both.

#include <cstdio>
#include <string>

#include "refdata/PlaceSamples.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <program folder>\n", argv[0]);
    return 2;
  }
  std::string folder = argv[1];
  if (folder.empty() || folder.back() != '/') folder += '/';
  if (!WriteSamplePlaceFiles(folder)) {
    std::fprintf(stderr, "%s: the sample files could not be written into %s\n", argv[0], folder.c_str());
    return 1;
  }
  return 0;
}

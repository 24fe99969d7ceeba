// EXIF orientation on arbitrary bytes: a number from 1 to 8, never a crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "imaging/exif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int o = lantern::imaging::ExifOrientation({data, size});
  if (o < 1 || o > 8) std::abort();
  return 0;
}

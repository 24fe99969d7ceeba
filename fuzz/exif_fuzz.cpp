// EXIF metadata on arbitrary bytes: an orientation from 1 to 8 and a date
// taken of the EXIF form or none, never a crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "imaging/exif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int o = lantern::imaging::ExifOrientation({data, size});
  if (o < 1 || o > 8) std::abort();
  const auto date = lantern::imaging::ExifDateTaken({data, size});
  if (date && (date->size() != 19 || (*date)[4] != ':' || (*date)[10] != ' ')) std::abort();
  return 0;
}

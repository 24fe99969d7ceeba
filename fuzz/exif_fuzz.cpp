// EXIF metadata and the JPEG structure check on arbitrary bytes: an
// orientation from 1 to 8, a date taken of the EXIF form or none, a verdict
// on the structure, never a crash or a read outside the bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "imaging/exif.h"
#include "imaging/jpeg_structure.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int o = lantern::imaging::ExifOrientation({data, size});
  if (o < 1 || o > 8) std::abort();
  const auto date = lantern::imaging::ExifDateTaken({data, size});
  if (date && (date->size() != 19 || (*date)[4] != ':' || (*date)[10] != ' ')) std::abort();
  using lantern::imaging::JpegFault;
  // A fault of the start of a file is a fault of the whole of it too.
  const JpegFault start = lantern::imaging::FindJpegFault({data, size}, false);
  const JpegFault whole = lantern::imaging::FindJpegFault({data, size}, true);
  if (start != JpegFault::kNone && start != whole) std::abort();
  return 0;
}

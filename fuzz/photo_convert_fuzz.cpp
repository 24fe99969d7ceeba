// The builder's photo conversion on arbitrary bytes (HEIF, AVIF and WebP
// files and damaged ones): nothing is read outside the input, and the result
// is either a refusal with a reason or a JPEG whole in structure, upright
// (no orientation of its own) and carrying the date the input's EXIF gives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "imaging/exif.h"
#include "imaging/jpeg_structure.h"
#include "tools/albumpack/photo_convert.h"

// libheif's AV1 decoder (dav1d) leaks a picture's few bytes on some damaged
// AVIF streams (a known fault of theirs); leaks elsewhere are still found.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdav1d.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  std::string why;
  const auto jpeg = lantern::albumpack::ConvertToJpeg(bytes, "HEIC", why);
  const auto date = lantern::albumpack::ConvertedPhotoDate(bytes);
  if (!jpeg) {
    if (why.empty()) std::abort();
    return 0;
  }
  if (lantern::imaging::FindJpegFault(*jpeg, true) != lantern::imaging::JpegFault::kNone ||
      lantern::imaging::ExifOrientation(*jpeg) != 1 ||
      lantern::imaging::ExifDateTaken(*jpeg) != date) {
    std::abort();
  }
  return 0;
}

// PCX pictures on arbitrary bytes: nothing is read outside the input, and a
// decoded picture is whole and opaque.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "imaging/tga_pcx.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One picture reused from input to input, as the player reuses it from slide to slide.
  static lantern::imaging::DecodedImage image;
  const bool decoded = lantern::imaging::DecodePcx(std::span<const uint8_t>(data, size), image);
  if (!decoded) {
    if (!image.empty() || !image.pixels.empty()) std::abort();
    return 0;
  }
  if (image.empty() || image.has_alpha ||
      image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height)) {
    std::abort();
  }
  for (uint32_t p : image.pixels) {
    if (p < 0xFF000000u) std::abort();
  }
  return 0;
}

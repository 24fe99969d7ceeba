// What every decoded picture must be, whatever the bytes were: a refused one
// is empty, a decoded one whole, with has_alpha telling whether some pixel is
// not opaque. A fault aborts, so the fuzzer keeps the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/decoded_image.h"

namespace lantern::fuzz {

inline void CheckPicture(bool decoded, const platform::DecodedImage& image) {
  if (!decoded) {
    if (!image.empty() || !image.pixels.empty()) std::abort();
    return;
  }
  if (image.empty() ||
      image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height)) {
    std::abort();
  }
  bool translucent = false;
  for (uint32_t p : image.pixels)
    translucent |= p < 0xFF000000u;
  if (translucent != image.has_alpha) std::abort();
}

}  // namespace lantern::fuzz

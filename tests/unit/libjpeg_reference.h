// libjpeg's full-size decode, the reference the tests compare JPEGs with.
// Only for files known to be whole: libjpeg's default error handler ends the
// program on a damaged one.
#pragma once

#include <cstdint>
#include <vector>

#include "bench/libjpeg_decode.h"
#include "imaging/decoded_image.h"

namespace lantern::imaging::reference {

// The full-size picture, chroma widened by repeating it as ours is.
inline DecodedImage DecodeFull(const std::vector<uint8_t>& bytes) {
  bench::LibjpegPicture full;
  bench::LibjpegDecode(bytes, 8, false, full);
  DecodedImage out;
  out.Resize(full.width, full.height);
  for (size_t i = 0; i < out.pixels.size(); ++i)
    out.pixels[i] = 0xFF000000u | full.pixels[i];
  return out;
}

}  // namespace lantern::imaging::reference

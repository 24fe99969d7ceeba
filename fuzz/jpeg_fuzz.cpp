// The reduced-size JPEG decoder on arbitrary bytes: nothing is read outside
// the input, a decoded picture has exactly the reduced size of what the
// headers say and is opaque, and a refused one is empty.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "imaging/jpeg_reduced.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  // One picture reused from input to input, as the player reuses it.
  static lantern::imaging::DecodedImage out;
  const auto stored = lantern::imaging::ReducibleJpegSize(bytes);
  const int eighths = size > 0 ? 1 + data[size - 1] % 8 : 4;
  const bool decoded = lantern::imaging::DecodeJpegReduced(bytes, eighths, out);
  if (!decoded) {
    if (!out.empty() || !out.pixels.empty()) std::abort();
    return 0;
  }
  if (!stored || out.width != (stored->width * eighths + 7) / 8 ||
      out.height != (stored->height * eighths + 7) / 8 || out.has_alpha ||
      out.pixels.size() != static_cast<size_t>(out.width) * static_cast<size_t>(out.height)) {
    std::abort();
  }
  for (uint32_t p : out.pixels) {
    if (p < 0xFF000000u) std::abort();
  }
  return 0;
}

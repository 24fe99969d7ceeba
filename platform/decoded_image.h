// A decoded picture: 32-bit pixels, blue, green, red, alpha in memory order
// (0xAARRGGBB as a little-endian word), top row first. Decoders produce it;
// the drawing code places and scales it onto surfaces. It lives with the
// platform because the platform's picture decoder fills it. Pictures without alpha
// carry 0xFF in the alpha byte.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "platform/surface.h"

namespace lantern::platform {

// The most pixels one picture may have: 64 megapixels, 256 MB. The player is
// a 32-bit process with 2 GB of address space, which also holds the slide
// surfaces, the music and the imaging library's own copies; a picture larger
// than this is refused (and shown as missing) rather than attempted.
inline constexpr int64_t kMaxPicturePixels = int64_t{1} << 26;

// Asked by a decoder now and then, between rows or blocks; once it answers
// true the decode stops and fails. An empty one never stops a decode.
using DecodeCancelled = std::function<bool()>;

struct DecodedImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // width * height, row after row
  bool has_alpha = false;        // some pixel is not fully opaque

  bool empty() const { return width <= 0 || height <= 0; }
  // A view for the raster operations (the alpha byte is ignored by them).
  Surface view() { return {reinterpret_cast<uint8_t*>(pixels.data()), width, height, width * 4}; }
  // Makes room for a width x height picture, reusing the memory it already has
  // (so one buffer serves slide after slide). False, with nothing allocated,
  // when the size is not positive or beyond kMaxPicturePixels.
  bool Resize(int32_t w, int32_t h);
};

// Whether the bytes begin as a JPEG file does (the start-of-image marker).
inline bool IsJpeg(std::span<const uint8_t> bytes) {
  return bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8;
}

// Turns a picture upright by its EXIF orientation: 1 stored upright, 2 stored
// mirrored, 3 stored upside down, 4 stored flipped, 5 stored transposed, 6
// needs a quarter turn clockwise, 7 stored transposed the other way, 8 needs a
// quarter turn anticlockwise. Other values leave it as it is. `scratch` is
// reused memory.
void Orient(DecodedImage& image, int orientation, std::vector<uint32_t>& scratch);

}  // namespace lantern::platform

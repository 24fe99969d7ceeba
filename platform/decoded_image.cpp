// Decoded pictures.
#include "platform/decoded_image.h"

#include <utility>

namespace lantern::platform {

bool DecodedImage::Resize(int32_t w, int32_t h) {
  if (w <= 0 || h <= 0 || static_cast<int64_t>(w) * h > kMaxPicturePixels) {
    width = height = 0;
    pixels.clear();
    return false;
  }
  width = w;
  height = h;
  pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0xFF000000u);
  has_alpha = false;
  return true;
}

void Orient(DecodedImage& image, int orientation, std::vector<uint32_t>& scratch) {
  if (orientation < 2 || orientation > 8 || image.empty()) return;
  const int32_t w = image.width;
  const int32_t h = image.height;
  const bool turns = orientation >= 5;  // width and height swap
  const int32_t out_w = turns ? h : w;
  scratch.resize(image.pixels.size());
  // For each stored pixel (x, y), where it goes in the upright picture.
  for (int32_t y = 0; y < h; ++y) {
    const uint32_t* row = &image.pixels[static_cast<size_t>(y) * static_cast<size_t>(w)];
    for (int32_t x = 0; x < w; ++x) {
      int32_t ux = x;
      int32_t uy = y;
      switch (orientation) {
        case 2:
          ux = w - 1 - x;
          break;
        case 3:
          ux = w - 1 - x, uy = h - 1 - y;
          break;
        case 4:
          uy = h - 1 - y;
          break;
        case 5:
          ux = y, uy = x;
          break;
        case 6:
          ux = h - 1 - y, uy = x;
          break;
        case 7:
          ux = h - 1 - y, uy = w - 1 - x;
          break;
        case 8:
          ux = y, uy = w - 1 - x;
          break;
      }
      scratch[static_cast<size_t>(uy) * static_cast<size_t>(out_w) + static_cast<size_t>(ux)] =
          row[x];
    }
  }
  image.pixels.swap(scratch);
  if (turns) std::swap(image.width, image.height);
}

}  // namespace lantern::platform

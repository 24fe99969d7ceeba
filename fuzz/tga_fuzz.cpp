// TGA pictures and album items on arbitrary bytes: nothing is read outside the
// input, a decoded picture is whole and consistent with its has_alpha flag,
// blending makes it opaque, and an item whose header names a depth decodes
// exactly as the file would.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "fuzz/picture_check.h"
#include "imaging/tga_pcx.h"

namespace {

using lantern::fuzz::CheckPicture;
using lantern::imaging::DecodedImage;

void CheckBlend(DecodedImage& image) {
  if (!image.has_alpha || image.pixels.size() > (1u << 20)) return;
  std::vector<uint32_t> under(image.pixels.size(), 0x00808080u);
  const lantern::platform::Surface background{reinterpret_cast<uint8_t*>(under.data()), image.width,
                                              image.height, image.width * 4};
  lantern::imaging::BlendOverBackground(image, background);
  for (uint32_t p : image.pixels) {
    if (p < 0xFF000000u) std::abort();
  }
  if (image.has_alpha) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  // One picture reused from input to input, as the player reuses it from slide to slide.
  static DecodedImage file;
  static DecodedImage item;
  const bool file_decoded = lantern::imaging::DecodeTga(bytes, file);
  CheckPicture(file_decoded, file);
  const bool item_decoded = lantern::imaging::DecodeTgaItem(bytes, item);
  CheckPicture(item_decoded, item);
  if (size > 16 && bytes[16] != 0 &&
      (item_decoded != file_decoded || item.width != file.width || item.pixels != file.pixels)) {
    std::abort();
  }
  CheckBlend(file);
  return 0;
}

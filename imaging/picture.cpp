// Upright decoding.
#include "imaging/picture.h"

#include "imaging/exif.h"

namespace lantern::imaging {

bool DecodeUpright(platform::PictureDecoder& decoder, std::span<const uint8_t> bytes,
                   DecodedImage& out, std::vector<uint32_t>& scratch) {
  if (!decoder.DecodeBytes(bytes, out)) {
    out.Resize(0, 0);
    return false;
  }
  // Only JPEG: other decoders (TIFF's, for one) may already apply the tag.
  const bool jpeg = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8;
  if (jpeg) platform::Orient(out, ExifOrientation(bytes), scratch);
  return true;
}

}  // namespace lantern::imaging

// Upright decoding.
#include "imaging/picture.h"

#include "imaging/exif.h"

namespace lantern::imaging {

bool DecodeUpright(platform::PictureDecoder& decoder, std::span<const uint8_t> bytes,
                   DecodedImage& out, std::vector<uint32_t>& scratch,
                   const platform::PictureDecoder::LeastSize& least) {
  // Only JPEG: other decoders (TIFF's, for one) may already apply the tag.
  const bool jpeg = platform::IsJpeg(bytes);
  const int orientation = jpeg ? ExifOrientation(bytes) : 1;
  // Orientations 5 to 8 stand the stored picture on its side.
  const bool on_side = orientation >= 5 && orientation <= 8;
  bool ok = false;
  if (least) {
    ok = decoder.DecodeBytesAtLeast(
        bytes,
        [&](int32_t w, int32_t h) {
          if (!on_side) return least(w, h);
          const auto [upright_w, upright_h] = least(h, w);
          return std::pair{upright_h, upright_w};
        },
        out);
  } else {
    ok = decoder.DecodeBytes(bytes, out);
  }
  if (!ok) {
    out.Resize(0, 0);
    return false;
  }
  if (jpeg) platform::Orient(out, orientation, scratch);
  return true;
}

}  // namespace lantern::imaging

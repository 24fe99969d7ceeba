// The native backend's picture decoder: JPEG through libjpeg-turbo (decoded
// smaller at N/8 of its size where the caller needs less), PNG through
// libpng, GIF through giflib (the first frame on its logical screen), TIFF
// through libtiff (the first page) and BMP through a parser of our own. The
// pictures come as the Windows backend gives them: as stored (imaging turns
// them upright), 32-bit BGRA, alpha kept (not premultiplied) where the format
// carries it. TGA and PCX are imaging's own decoders' work, not this one's.
#pragma once

#include "platform/platform.h"

namespace lantern::platform::native {

class NativePictureDecoder final : public PictureDecoder {
 public:
  bool DecodeBytes(std::span<const uint8_t> bytes, DecodedImage& out) override;
  // JPEG decodes at the fewest eighths of its size that are not below
  // `least` in either direction and asks `cancelled` between bands of
  // scanlines; PNG and BMP ask it between rows, GIF and TIFF once before
  // they start.
  bool DecodeBytesAtLeast(std::span<const uint8_t> bytes, const LeastSize& least,
                          const DecodeCancelled& cancelled, DecodedImage& out) override;
  bool DecodeFile(const std::string& path, DecodedImage& out) override;
};

}  // namespace lantern::platform::native

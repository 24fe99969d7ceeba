// The native picture decoders, one per format, behind NativePictureDecoder.
// Each returns false for bytes it cannot decode whole (a damaged or
// truncated file, a size beyond kMaxPicturePixels, a cancelled decode) and
// never reads outside the given bytes; `out` is then left for the caller to
// empty. `cancelled` may be empty.
#pragma once

#include <cstdint>
#include <span>

#include "platform/platform.h"

namespace lantern::platform::native {

// `least` may be empty: the whole size.
bool DecodeJpeg(std::span<const uint8_t> bytes, const PictureDecoder::LeastSize& least,
                const DecodeCancelled& cancelled, DecodedImage& out);
bool DecodePng(std::span<const uint8_t> bytes, const DecodeCancelled& cancelled, DecodedImage& out);
bool DecodeGif(std::span<const uint8_t> bytes, DecodedImage& out);
bool DecodeTiff(std::span<const uint8_t> bytes, DecodedImage& out);
bool DecodeBmp(std::span<const uint8_t> bytes, const DecodeCancelled& cancelled, DecodedImage& out);

// Whether `cancelled` is set and says to stop.
inline bool Stopped(const DecodeCancelled& cancelled) {
  return cancelled && cancelled();
}

// Sets has_alpha from the pixels: some pixel is not fully opaque.
void FindAlpha(DecodedImage& image);

}  // namespace lantern::platform::native

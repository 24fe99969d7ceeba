// Decoding a picture for drawing: the platform's decoder reads the bytes and
// a JPEG is turned upright by its EXIF orientation.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/decoded_image.h"
#include "platform/platform.h"

namespace lantern::imaging {

// False when the decoder cannot read the bytes (`out` is then empty). With
// `least` (given the upright size, the least upright size wanted; it may be
// asked more than once), a JPEG larger than that in both directions is
// decoded smaller by imaging's own decoder where it reads the file, and
// otherwise a platform decoder that can may decode the picture smaller, down
// to that size. `cancelled` is asked between rows or bands where the decoder
// can stop; once it says so the decode fails.
bool DecodeUpright(platform::PictureDecoder& decoder, std::span<const uint8_t> bytes,
                   DecodedImage& out, std::vector<uint32_t>& scratch,
                   const platform::PictureDecoder::LeastSize& least = {},
                   const platform::DecodeCancelled& cancelled = {});

}  // namespace lantern::imaging

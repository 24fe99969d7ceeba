// Decoding the photo types the builder converts (photo_convert.h), in the
// Linux build: HEIF, HEIC and AVIF through libheif, WebP through libwebp.
// Both parse untrusted files; a picture beyond platform::kMaxPicturePixels
// is refused before its pixels are decoded.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/decoded_image.h"

namespace lantern::albumpack {

// The TIFF structure of the photo's EXIF metadata (a HEIF file's Exif item,
// a WebP file's EXIF chunk); empty when it has none or the file is damaged.
std::vector<uint8_t> PhotoExif(std::span<const uint8_t> bytes);

// The photo decoded and turned upright: a HEIF file by its own rotation and
// mirroring (which libheif applies; the EXIF orientation a phone also writes
// there says the same and is not applied again), a WebP file by its EXIF
// orientation. nullopt with the reason in `why`.
std::optional<platform::DecodedImage> DecodePhoto(std::span<const uint8_t> bytes, std::string& why);

}  // namespace lantern::albumpack

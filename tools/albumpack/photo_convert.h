// Photos of the types today's phones save that the player cannot show,
// turned into JPEGs it can: HEIC and HEIF, AVIF where the installed libheif
// reads it, and WebP. The JPEG is upright (the container's rotation and
// mirroring applied: HEIF's own boxes, a WebP's EXIF orientation), carries
// no orientation of its own and keeps the EXIF date the photo was taken, so
// that an album ordered by date puts it where the original belongs.
//
// The Linux build converts (libheif, libwebp, libjpeg-turbo); the Windows
// build has none of these libraries and refuses every such photo with a
// reason that says what to do instead.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lantern::albumpack {

// Whether photos of the type word are converted: HEIC, HEIF, AVIF, WEBP.
bool IsConvertedType(const std::string& type_word);

// The JPEG quality converted photos are written at.
inline constexpr int kConvertedJpegQuality = 92;

// The photo's bytes as a JPEG, or nullopt with the reason in `why` (the
// decoder's words for a damaged file, a picture larger than the player
// decodes, an animated WebP, or, in the Windows build, that it cannot
// convert). The bytes decide the decoder; `type_word` names the type in
// messages.
std::optional<std::vector<uint8_t>> ConvertToJpeg(std::span<const uint8_t> bytes,
                                                  const std::string& type_word, std::string& why);

// When the photo was taken, as imaging::ExifDateTaken reads it from its EXIF
// metadata, without decoding the picture; nothing when it has no such date,
// or in the Windows build.
std::optional<std::string> ConvertedPhotoDate(std::span<const uint8_t> bytes);

}  // namespace lantern::albumpack

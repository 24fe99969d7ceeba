// Writing a decoded picture as a baseline JPEG with libjpeg-turbo's
// compressor, for the photos the builder converts. The file starts with an
// EXIF segment when a date is given (DateTimeOriginal and nothing else, so
// no orientation: the pixels are written upright) and has no JFIF segment,
// as a camera writes it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/decoded_image.h"

namespace lantern::albumpack {

// The APP1 segment's body: "Exif\0\0" and a little-endian TIFF structure
// whose EXIF directory holds DateTimeOriginal. `date` is EXIF's
// "YYYY:MM:DD HH:MM:SS".
std::vector<uint8_t> ExifDateSegment(const std::string& date);

// The picture as a JPEG at `quality` (1-100); a JPEG has no transparency,
// so a transparent pixel is laid over black. `date_taken` empty
// writes no EXIF segment. nullopt when the compressor fails (no memory).
std::optional<std::vector<uint8_t>> EncodeJpeg(const platform::DecodedImage& image, int quality,
                                               const std::string& date_taken);

}  // namespace lantern::albumpack

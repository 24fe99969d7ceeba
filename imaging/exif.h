// What a JPEG or TIFF picture's EXIF metadata says about it: which way up the
// camera stored it, and when it was taken. Read from the bytes with every
// offset checked.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace lantern::imaging {

// 1 to 8 as EXIF numbers them; 1 (stored upright) when the picture says
// nothing, says something out of range, or its metadata is damaged.
int ExifOrientation(std::span<const uint8_t> bytes);

// When the picture was taken, as EXIF writes it ("YYYY:MM:DD HH:MM:SS", which
// sorts as text): DateTimeOriginal, else the first directory's DateTime.
// Nothing when neither is there, the value is not a date in that form (a
// camera whose clock was never set writes blanks or zeros), or the metadata
// is damaged.
std::optional<std::string> ExifDateTaken(std::span<const uint8_t> bytes);

}  // namespace lantern::imaging

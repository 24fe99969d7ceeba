// The EXIF orientation of a JPEG or TIFF picture: which way up the camera
// stored it. Read from the bytes with every offset checked.
#pragma once

#include <cstdint>
#include <span>

namespace lantern::imaging {

// 1 to 8 as EXIF numbers them; 1 (stored upright) when the picture says
// nothing, says something out of range, or its metadata is damaged.
int ExifOrientation(std::span<const uint8_t> bytes);

}  // namespace lantern::imaging

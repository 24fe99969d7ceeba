// Writes a surface as a PNG file (8-bit RGB). The image data is stored
// uncompressed inside the deflate stream: larger files, but no compression
// library, so both builds write the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/surface.h"

namespace lantern::albumpack {

std::vector<uint8_t> EncodePng(const platform::Surface& surface);

}  // namespace lantern::albumpack

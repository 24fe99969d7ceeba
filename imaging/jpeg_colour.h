// Rows of a decoded JPEG's component samples to rows of 32-bit BGRA pixels
// (opaque): YCbCr as JFIF defines it, red-green-blue, or grey.
#pragma once

#include <cstdint>

namespace lantern::imaging::jpeg {

void YCbCrRow(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint32_t* out, int width);
void RgbRow(const uint8_t* r, const uint8_t* g, const uint8_t* b, uint32_t* out, int width);
void GreyRow(const uint8_t* y, uint32_t* out, int width);

}  // namespace lantern::imaging::jpeg

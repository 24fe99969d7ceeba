// A JPEG photo decoded at 1/2, 1/4 or 1/8 of its size straight from its
// coefficients, for photos much larger than the place they are drawn in: the
// full-size picture is never made, and only one row of blocks of coefficients
// is held at a time. Each reduced pixel is the mean of the full-size pixels it
// stands for (from the exact inverse transform, before rounding); chroma
// stored at a lower resolution is widened by repeating it.
//
// It reads what cameras and most programs write: sequential Huffman-coded
// JPEG of 8-bit samples, grey or three components (YCbCr, or RGB where an
// Adobe marker or the component names say so) in one interleaved scan, with
// whole-number sampling ratios and restart intervals. For everything else
// (progressive, arithmetic-coded, lossless, 12-bit, CMYK, separate scans) and
// for damaged data (a scan cut short, a code no table holds, a missing table)
// it returns false and leaves `out` empty, so that the caller can fall back on
// a decoder that reads everything. Nothing is read outside the given bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "imaging/decoded_image.h"

namespace lantern::imaging {

struct JpegSize {
  int32_t width = 0;
  int32_t height = 0;
};

// The stored size of a JPEG that DecodeJpegReduced can read (its headers are
// read up to the scan and checked); nullopt for any other bytes.
std::optional<JpegSize> ReducibleJpegSize(std::span<const uint8_t> bytes);

// The largest of 8, 4 and 2 that divides the stored size (rounding up) to no
// less than `least` in either direction; 1 when none does.
int JpegReduction(JpegSize stored, int32_t least_width, int32_t least_height);

// Decodes at 1/`reduction` (2, 4 or 8) of the stored size, rounded up, as
// stored (not turned by any EXIF orientation).
bool DecodeJpegReduced(std::span<const uint8_t> bytes, int reduction, DecodedImage& out);

}  // namespace lantern::imaging

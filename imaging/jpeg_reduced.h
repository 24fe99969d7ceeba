// A JPEG photo decoded at 1/8 to 7/8 of its size straight from its
// coefficients, for photos much larger than the place they are drawn in: the
// full-size picture is never made, and coefficients are held one block at a
// time. Each pixel of the smaller picture is the mean of the full-size pixels
// it stands for, weighted by how much of each it covers (from the exact
// inverse transform, before rounding); chroma stored at a lower resolution
// is widened by repeating it.
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

// The fewest eighths of the stored size (rounded up) that are no less than
// `least` in either direction; 8 when only the whole size is.
int JpegEighths(JpegSize stored, int32_t least_width, int32_t least_height);

// Decodes at `eighths` (1..8) eighths of the stored size, rounded up, as
// stored (not turned by any EXIF orientation). A size beyond
// platform::kMaxPicturePixels is refused before anything is allocated.
// `cancelled` is asked before each row of blocks; once it says so the decode
// fails.
bool DecodeJpegReduced(std::span<const uint8_t> bytes, int eighths, DecodedImage& out,
                       const platform::DecodeCancelled& cancelled = {});

}  // namespace lantern::imaging

// The marker segments of a JPEG up to its first scan, and whether a JPEG is
// whole enough to be a picture: a start marker, a frame header of a sane size,
// a scan header and image data after it, and an end marker. Nothing is read
// outside the given bytes. A full decode says more; this is what can be told
// cheaply from the headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace lantern::imaging {

struct JpegSegment {
  uint8_t marker = 0;             // 0xC0 for a baseline frame header, 0xE1 for EXIF ...
  std::span<const uint8_t> body;  // after the length field
  size_t end = 0;                 // the offset just past the segment
};

enum class JpegWalkEnd {
  kScan,        // the last segment visited was the first scan header
  kStopped,     // the visitor asked to stop
  kEndMarker,   // the end-of-image marker came before any scan
  kOutOfBytes,  // the bytes end between segments or in a length field
  kCut,         // a segment's length runs past the end of the bytes
  kBadLength,   // a segment's length is less than its length field
  kNotJpeg,     // no start-of-image marker
};

// Calls `visit` with each marker segment after the start-of-image marker, up
// to and including the first scan header, until it returns false. Bytes
// between segments that are not a marker are passed over, as decoders do.
JpegWalkEnd WalkJpegSegments(std::span<const uint8_t> bytes,
                             const std::function<bool(const JpegSegment&)>& visit);

enum class JpegFault {
  kNone,
  kNotJpeg,        // no start-of-image marker
  kCutShort,       // the file ends before its image data
  kDamagedHeader,  // a segment length shorter than its own length field
  kNoFrame,        // image data without a frame header before it
  kBadFrame,       // a frame header with no size, an odd precision or components
  kBadScanHeader,  // a scan header that does not fit its components
  kNoEndMarker,    // the image data runs to the end of the file: cut short
};

// What is wrong with the JPEG's structure. `whole_file` says the bytes are
// the whole file; when they are only its start, running out of them is no
// fault, and the end marker is not looked for.
JpegFault FindJpegFault(std::span<const uint8_t> bytes, bool whole_file);

}  // namespace lantern::imaging

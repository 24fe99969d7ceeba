// Walking a JPEG's marker segments, and the faults its headers show.
#include "imaging/jpeg_structure.h"

#include <algorithm>

#include "platform/decoded_image.h"

namespace lantern::imaging {

namespace {

constexpr uint8_t kScanMarker = 0xDA;
constexpr uint8_t kEndMarker = 0xD9;

// Markers that stand alone, without a length: restarts, the start marker, TEM.
bool StandsAlone(uint8_t marker) {
  return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8);
}

// Start-of-frame markers: every kind of frame (not the table markers between them).
bool IsFrameMarker(uint8_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

uint16_t U16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] << 8 | b[at + 1]);
}

bool SaneFrame(std::span<const uint8_t> f) {
  if (f.size() < 6) return false;
  const int precision = f[0];
  const int count = f[5];
  if (precision < 2 || precision > 16 || U16(f, 1) == 0 || U16(f, 3) == 0 || count < 1 ||
      count > 4 || f.size() != 6 + 3 * static_cast<size_t>(count)) {
    return false;
  }
  for (int i = 0; i < count; ++i) {
    const uint8_t factors = f[7 + 3 * static_cast<size_t>(i)];
    if ((factors >> 4) < 1 || (factors >> 4) > 4 || (factors & 15) < 1 || (factors & 15) > 4)
      return false;
  }
  return true;
}

bool SaneScanHeader(std::span<const uint8_t> s) {
  return !s.empty() && s[0] >= 1 && s[0] <= 4 && s.size() == 4 + 2 * static_cast<size_t>(s[0]);
}

// Whether an end marker follows the start of the image data. Inside the data
// a 0xFF byte is always followed by 0x00 or a restart marker, so the pair
// appears only as the marker.
bool HasEndMarker(std::span<const uint8_t> bytes, size_t from) {
  const uint8_t pair[] = {0xFF, kEndMarker};
  return std::search(bytes.begin() + static_cast<ptrdiff_t>(from), bytes.end(), std::begin(pair),
                     std::end(pair)) != bytes.end();
}

}  // namespace

JpegWalkEnd WalkJpegSegments(std::span<const uint8_t> bytes,
                             const std::function<bool(const JpegSegment&)>& visit) {
  if (!platform::IsJpeg(bytes)) return JpegWalkEnd::kNotJpeg;
  size_t p = 2;
  for (;;) {
    while (p < bytes.size() && bytes[p] != 0xFF)
      ++p;
    while (p < bytes.size() && bytes[p] == 0xFF)
      ++p;
    if (p >= bytes.size()) return JpegWalkEnd::kOutOfBytes;
    const uint8_t marker = bytes[p++];
    if (marker == 0x00 || StandsAlone(marker)) continue;
    if (marker == kEndMarker) return JpegWalkEnd::kEndMarker;
    if (bytes.size() - p < 2) return JpegWalkEnd::kOutOfBytes;
    const size_t length = U16(bytes, p);
    if (length < 2) return JpegWalkEnd::kBadLength;
    if (bytes.size() - p < length) return JpegWalkEnd::kCut;
    const JpegSegment segment{marker, bytes.subspan(p + 2, length - 2), p + length};
    p += length;
    if (!visit(segment)) return JpegWalkEnd::kStopped;
    if (marker == kScanMarker) return JpegWalkEnd::kScan;
  }
}

JpegFault FindJpegFault(std::span<const uint8_t> bytes, bool whole_file) {
  JpegFault fault = JpegFault::kNone;
  bool frame = false;
  size_t data_start = 0;
  const JpegWalkEnd end = WalkJpegSegments(bytes, [&](const JpegSegment& s) {
    if (IsFrameMarker(s.marker) && !frame) {
      frame = true;
      if (!SaneFrame(s.body)) fault = JpegFault::kBadFrame;
    } else if (s.marker == kScanMarker) {
      if (!frame)
        fault = JpegFault::kNoFrame;
      else if (!SaneScanHeader(s.body))
        fault = JpegFault::kBadScanHeader;
      data_start = s.end;
    }
    return fault == JpegFault::kNone;
  });
  switch (end) {
    case JpegWalkEnd::kStopped:
      return fault;
    case JpegWalkEnd::kScan:
      if (!whole_file) return JpegFault::kNone;
      if (data_start == bytes.size()) return JpegFault::kCutShort;
      return HasEndMarker(bytes, data_start) ? JpegFault::kNone : JpegFault::kNoEndMarker;
    case JpegWalkEnd::kEndMarker:
      return JpegFault::kCutShort;
    case JpegWalkEnd::kOutOfBytes:
    case JpegWalkEnd::kCut:
      return whole_file ? JpegFault::kCutShort : JpegFault::kNone;
    case JpegWalkEnd::kBadLength:
      return JpegFault::kDamagedHeader;
    case JpegWalkEnd::kNotJpeg:
      break;
  }
  return JpegFault::kNotJpeg;
}

}  // namespace lantern::imaging

// Finding the orientation tag: in a JPEG, the first APP1 segment that holds
// "Exif\0\0" and a TIFF structure; in a TIFF, the file itself. The tag
// (0x0112, a SHORT) is looked up in the first image directory.
#include "imaging/exif.h"

#include <cstring>

namespace lantern::imaging {

namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kShortType = 3;

class TiffReader {
 public:
  explicit TiffReader(std::span<const uint8_t> tiff) : tiff_(tiff) {}

  int Orientation() const {
    if (tiff_.size() < 8) return 1;
    if (std::memcmp(tiff_.data(), "II*\0", 4) == 0) {
      little_ = true;
    } else if (std::memcmp(tiff_.data(), "MM\0*", 4) == 0) {
      little_ = false;
    } else {
      return 1;
    }
    const uint32_t ifd = U32(4);
    if (ifd > tiff_.size() || tiff_.size() - ifd < 2) return 1;
    const uint32_t count = U16(ifd);
    for (uint32_t i = 0; i < count; ++i) {
      const uint64_t entry = uint64_t{ifd} + 2 + uint64_t{i} * 12;
      if (entry + 12 > tiff_.size()) return 1;
      const auto at = static_cast<size_t>(entry);
      if (U16(at) != kOrientationTag) continue;
      if (U16(at + 2) != kShortType || U32(at + 4) < 1) return 1;
      const uint16_t value = U16(at + 8);
      return value >= 1 && value <= 8 ? value : 1;
    }
    return 1;
  }

 private:
  uint16_t U16(size_t at) const {
    const uint8_t* p = tiff_.data() + at;
    return little_ ? static_cast<uint16_t>(p[0] | p[1] << 8)
                   : static_cast<uint16_t>(p[0] << 8 | p[1]);
  }
  uint32_t U32(size_t at) const {
    const uint32_t a = U16(at);
    const uint32_t b = U16(at + 2);
    return little_ ? (a | b << 16) : (a << 16 | b);
  }

  std::span<const uint8_t> tiff_;
  mutable bool little_ = true;
};

int JpegOrientation(std::span<const uint8_t> b) {
  size_t at = 2;  // after the start-of-image marker
  while (at + 4 <= b.size()) {
    if (b[at] != 0xFF) return 1;
    const uint8_t marker = b[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return 1;  // image data or end: no EXIF before it
    const size_t length = static_cast<size_t>(b[at + 2]) << 8 | b[at + 3];
    if (length < 2 || length > b.size() - at - 2) return 1;
    const std::span<const uint8_t> segment = b.subspan(at + 4, length - 2);
    if (marker == 0xE1 && segment.size() >= 6 && std::memcmp(segment.data(), "Exif\0\0", 6) == 0) {
      return TiffReader(segment.subspan(6)).Orientation();
    }
    at += 2 + length;
  }
  return 1;
}

}  // namespace

int ExifOrientation(std::span<const uint8_t> bytes) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) return JpegOrientation(bytes);
  return TiffReader(bytes).Orientation();
}

}  // namespace lantern::imaging

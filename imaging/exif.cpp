// Reading EXIF: in a JPEG, the first APP1 segment that holds "Exif\0\0" and a
// TIFF structure; in a TIFF, the file itself. Tags are looked up in the first
// image directory (orientation 0x0112, DateTime 0x0132) and in the EXIF
// directory it points to (DateTimeOriginal 0x9003).
#include "imaging/exif.h"

#include <cstring>

#include "imaging/jpeg_structure.h"
#include "platform/decoded_image.h"

namespace lantern::imaging {

namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kDateTimeTag = 0x0132;
constexpr uint16_t kExifDirectoryTag = 0x8769;
constexpr uint16_t kDateTimeOriginalTag = 0x9003;
constexpr uint16_t kAsciiType = 2;
constexpr uint16_t kShortType = 3;
constexpr uint16_t kLongType = 4;
constexpr size_t kDateLength = 19;  // "YYYY:MM:DD HH:MM:SS"

// One 12-byte directory entry: tag, type, count, and the value or its offset.
struct Entry {
  uint16_t type = 0;
  uint32_t count = 0;
  size_t value_at = 0;  // where the four value-or-offset bytes are
};

class TiffReader {
 public:
  // An empty reader (every lookup finds nothing) unless the bytes start with
  // a TIFF header.
  explicit TiffReader(std::span<const uint8_t> tiff) : tiff_(tiff) {
    if (tiff_.size() < 8) return;
    if (std::memcmp(tiff_.data(), "II*\0", 4) == 0) {
      little_ = true;
    } else if (std::memcmp(tiff_.data(), "MM\0*", 4) == 0) {
      little_ = false;
    } else {
      return;
    }
    first_directory_ = U32(4);
    valid_ = true;
  }

  int Orientation() const {
    const auto entry = Find(first_directory_, kOrientationTag);
    if (!entry || entry->type != kShortType || entry->count < 1) return 1;
    const uint16_t value = U16(entry->value_at);
    return value >= 1 && value <= 8 ? value : 1;
  }

  std::optional<std::string> DateTaken() const {
    const auto exif = Find(first_directory_, kExifDirectoryTag);
    if (exif && exif->type == kLongType && exif->count == 1) {
      if (auto date = Date(Find(U32(exif->value_at), kDateTimeOriginalTag))) return date;
    }
    return Date(Find(first_directory_, kDateTimeTag));
  }

 private:
  // The entry with the tag in the directory at `directory`; nothing when the
  // directory or the entry would reach past the end.
  std::optional<Entry> Find(uint32_t directory, uint16_t tag) const {
    if (!valid_ || directory > tiff_.size() || tiff_.size() - directory < 2) return std::nullopt;
    const uint32_t count = U16(directory);
    for (uint32_t i = 0; i < count; ++i) {
      const uint64_t at = uint64_t{directory} + 2 + uint64_t{i} * 12;
      if (at + 12 > tiff_.size()) return std::nullopt;
      const auto entry = static_cast<size_t>(at);
      if (U16(entry) == tag) return Entry{U16(entry + 2), U32(entry + 4), entry + 8};
    }
    return std::nullopt;
  }

  // An ASCII date of exactly the EXIF form, its digits in place.
  std::optional<std::string> Date(const std::optional<Entry>& entry) const {
    if (!entry || entry->type != kAsciiType || entry->count < kDateLength) return std::nullopt;
    const uint32_t offset = U32(entry->value_at);  // 20 bytes never fit in the entry itself
    if (offset > tiff_.size() || tiff_.size() - offset < kDateLength) return std::nullopt;
    std::string date(reinterpret_cast<const char*>(tiff_.data()) + offset, kDateLength);
    for (size_t i = 0; i < kDateLength; ++i) {
      const char expected = i == 4 || i == 7 || i == 13 || i == 16 ? ':' : i == 10 ? ' ' : '0';
      const bool ok = expected == '0' ? date[i] >= '0' && date[i] <= '9' : date[i] == expected;
      if (!ok) return std::nullopt;
    }
    if (date.compare(0, 4, "0000") == 0) return std::nullopt;  // an unset clock
    return date;
  }

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
  bool little_ = true;
  bool valid_ = false;
  uint32_t first_directory_ = 0;
};

// The TIFF structure of the JPEG's EXIF segment; empty when it has none
// before the image data.
std::span<const uint8_t> JpegExif(std::span<const uint8_t> b) {
  std::span<const uint8_t> exif;
  WalkJpegSegments(b, [&](const JpegSegment& s) {
    if (s.marker == 0xE1 && s.body.size() >= 6 && std::memcmp(s.body.data(), "Exif\0\0", 6) == 0)
      exif = s.body.subspan(6);
    return exif.empty();
  });
  return exif;
}

TiffReader Metadata(std::span<const uint8_t> bytes) {
  return TiffReader(platform::IsJpeg(bytes) ? JpegExif(bytes) : bytes);
}

}  // namespace

int ExifOrientation(std::span<const uint8_t> bytes) {
  return Metadata(bytes).Orientation();
}

std::optional<std::string> ExifDateTaken(std::span<const uint8_t> bytes) {
  return Metadata(bytes).DateTaken();
}

}  // namespace lantern::imaging

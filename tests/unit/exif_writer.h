// A tiny writer of JPEG files that carry only EXIF dates, for tests: the
// start-of-image marker, an APP1 "Exif" segment (a little- or big-endian TIFF
// structure with DateTime in the first directory and DateTimeOriginal in the
// EXIF directory, each when given), a frame and a scan header, some filler as
// the image data and the end marker. Whole in structure, not decodable. The
// TIFF structure alone, with an orientation too, is EXIF for other containers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lantern::testing {

struct ExifDates {
  std::string date_time;           // "YYYY:MM:DD HH:MM:SS", or empty for none
  std::string date_time_original;  // likewise
  bool big_endian = false;
};

// A frame header (8-bit grey, 1 x 1), a scan header, `filler` as the image
// data and the end marker: what follows the other headers of a whole JPEG.
inline std::vector<uint8_t> JpegFrameAndScan(uint8_t filler = 0x55) {
  std::vector<uint8_t> bytes = {0xFF, 0xC0, 0,    11, 8, 0, 1, 0, 1, 1,  1, 0x11,
                                0,    0xFF, 0xDA, 0,  8, 1, 1, 0, 0, 63, 0};
  bytes.insert(bytes.end(), 64, filler);
  bytes.insert(bytes.end(), {0xFF, 0xD9});
  return bytes;
}

// The smallest JPEG whole in structure: the start marker and the above.
inline std::vector<uint8_t> TinyJpeg(uint8_t filler = 0x55) {
  std::vector<uint8_t> bytes = {0xFF, 0xD8};
  const std::vector<uint8_t> rest = JpegFrameAndScan(filler);
  bytes.insert(bytes.end(), rest.begin(), rest.end());
  return bytes;
}

// The TIFF structure EXIF metadata is: the orientation and DateTime in the
// first directory, DateTimeOriginal in the EXIF directory, each when given.
inline std::vector<uint8_t> ExifTiff(const ExifDates& dates, int orientation = 0) {
  std::vector<uint8_t> tiff;
  const auto u16 = [&](uint32_t v) {
    if (dates.big_endian) {
      tiff.insert(tiff.end(), {uint8_t(v >> 8), uint8_t(v)});
    } else {
      tiff.insert(tiff.end(), {uint8_t(v), uint8_t(v >> 8)});
    }
  };
  const auto u32 = [&](uint32_t v) {
    if (dates.big_endian) {
      u16(v >> 16), u16(v & 0xFFFF);
    } else {
      u16(v & 0xFFFF), u16(v >> 16);
    }
  };
  const bool has_dt = !dates.date_time.empty();
  const bool has_original = !dates.date_time_original.empty();
  const uint32_t first_count =
      (has_dt ? 1 : 0) + (has_original ? 1 : 0) + (orientation > 0 ? 1 : 0);
  // Layout: header (8), first directory, EXIF directory (one entry), the texts.
  const uint32_t exif_dir = 8 + 2 + 12 * first_count + 4;
  const uint32_t texts = exif_dir + 2 + 12 + 4;
  const auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    u16(tag), u16(type), u32(count), u32(value);
  };
  tiff.insert(tiff.end(), dates.big_endian ? std::initializer_list<uint8_t>{'M', 'M', 0, 42}
                                           : std::initializer_list<uint8_t>{'I', 'I', 42, 0});
  u32(8);
  u16(first_count);
  if (orientation > 0) {
    u16(0x0112), u16(3), u32(1), u16(static_cast<uint32_t>(orientation)), u16(0);
  }
  if (has_dt) entry(0x0132, 2, 20, texts);
  if (has_original) entry(0x8769, 4, 1, exif_dir);
  u32(0);
  u16(1);
  entry(0x9003, 2, 20, texts + 20);
  u32(0);
  for (const std::string* text : {&dates.date_time, &dates.date_time_original}) {
    std::string padded = *text;
    padded.resize(19, ' ');
    tiff.insert(tiff.end(), padded.begin(), padded.end());
    tiff.push_back(0);
  }
  return tiff;
}

inline std::vector<uint8_t> JpegWithExif(const ExifDates& dates, uint8_t filler = 0x55) {
  const std::vector<uint8_t> tiff = ExifTiff(dates);
  std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE1};
  const size_t length = 2 + 6 + tiff.size();
  jpeg.insert(jpeg.end(), {uint8_t(length >> 8), uint8_t(length), 'E', 'x', 'i', 'f', 0, 0});
  jpeg.insert(jpeg.end(), tiff.begin(), tiff.end());
  const std::vector<uint8_t> rest = JpegFrameAndScan(filler);
  jpeg.insert(jpeg.end(), rest.begin(), rest.end());
  return jpeg;
}

}  // namespace lantern::testing

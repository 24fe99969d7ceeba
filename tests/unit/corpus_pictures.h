// The shared picture corpus, read in place: files, the reference decoder's
// pictures and the index that describes them.
#pragma once

#include <png.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/decoded_image.h"

namespace lantern::imaging::corpus {

inline const std::string kCorpus = LANTERN_CORPUS_DIR;

inline std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A reference picture as 0xAARRGGBB words; empty when it cannot be read.
inline DecodedImage ReadPng(const std::string& path) {
  DecodedImage out;
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return out;
  png.format = PNG_FORMAT_BGRA;
  if (!out.Resize(static_cast<int32_t>(png.width), static_cast<int32_t>(png.height)) ||
      !png_image_finish_read(&png, nullptr, out.pixels.data(), 0, nullptr)) {
    png_image_free(&png);
    out.Resize(0, 0);
  }
  return out;
}

// A picture over grey 128 with the usual rounding, as the reference's
// ".over-grey" pictures were made.
inline DecodedImage OverGrey(DecodedImage image) {
  for (uint32_t& p : image.pixels) {
    const uint32_t a = p >> 24;
    uint32_t mixed = 0xFF000000u;
    for (int shift : {0, 8, 16}) {
      const uint32_t c = p >> shift & 0xFF;
      mixed |= (c * a + 128 * (255 - a) + 127) / 255 << shift;
    }
    p = mixed;
  }
  return image;
}

// The rows of reference/INDEX.tsv (path, decoded by the reference, the
// expectation, format, width, height, mode, frames, EXIF orientation, alpha,
// note), each split at its tabs; the heading is left out.
inline std::vector<std::vector<std::string>> IndexRows() {
  std::ifstream in(kCorpus + "/reference/INDEX.tsv");
  std::vector<std::vector<std::string>> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.starts_with("#") || line.starts_with("path\t")) continue;
    std::vector<std::string> fields;
    std::stringstream split(line);
    for (std::string s; std::getline(split, s, '\t');)
      fields.push_back(s);
    rows.push_back(std::move(fields));
  }
  return rows;
}

}  // namespace lantern::imaging::corpus

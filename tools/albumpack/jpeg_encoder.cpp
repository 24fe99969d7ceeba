// The JPEG compressor and the EXIF date segment.
#include "tools/albumpack/jpeg_encoder.h"

// clang-format off: jpeglib.h needs the standard types declared before it.
#include <jpeglib.h>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
// clang-format on

namespace lantern::albumpack {

namespace {

constexpr size_t kDateLength = 19;  // "YYYY:MM:DD HH:MM:SS"

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// A directory of one entry and no next directory: 18 bytes.
void PutDirectory(std::vector<uint8_t>& out, uint16_t tag, uint16_t type, uint32_t count,
                  uint32_t value) {
  Put16(out, 1);
  Put16(out, tag);
  Put16(out, type);
  Put32(out, count);
  Put32(out, value);
  Put32(out, 0);
}

// The compressor's errors end the compression, never the program.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr c) {
  std::longjmp(reinterpret_cast<ErrorManager*>(c->err)->jump, 1);
}

void OnMessage(j_common_ptr) {}

// One row of the picture as RGB, transparent pixels over black.
void RgbRow(const platform::DecodedImage& image, int32_t y, std::vector<JSAMPLE>& row) {
  const uint32_t* p = &image.pixels[static_cast<size_t>(y) * static_cast<size_t>(image.width)];
  for (int32_t x = 0; x < image.width; ++x) {
    const uint32_t a = p[x] >> 24;
    for (int c = 0; c < 3; ++c) {
      const uint32_t v = (p[x] >> (16 - 8 * c)) & 0xFF;
      row[static_cast<size_t>(x) * 3 + static_cast<size_t>(c)] =
          static_cast<JSAMPLE>(image.has_alpha ? (v * a + 127) / 255 : v);
    }
  }
}

struct Compression {
  const platform::DecodedImage* image;
  int quality;
  const std::vector<uint8_t>* exif;  // the APP1 body, or empty
  std::vector<JSAMPLE>* row;
  unsigned char* buffer = nullptr;  // libjpeg's, freed by the caller
  unsigned long size = 0;
};

// Everything that lives across setjmp is in `job` or libjpeg's own structure.
bool Compress(Compression& job) {
  jpeg_compress_struct c{};
  ErrorManager errors{};
  c.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = OnError;
  errors.base.output_message = OnMessage;
  if (setjmp(errors.jump) != 0) {
    jpeg_destroy_compress(&c);
    return false;
  }
  jpeg_create_compress(&c);
  jpeg_mem_dest(&c, &job.buffer, &job.size);
  c.image_width = static_cast<JDIMENSION>(job.image->width);
  c.image_height = static_cast<JDIMENSION>(job.image->height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, job.quality, TRUE);
  c.write_JFIF_header = FALSE;
  jpeg_start_compress(&c, TRUE);
  if (!job.exif->empty()) {
    jpeg_write_marker(&c, JPEG_APP0 + 1, job.exif->data(),
                      static_cast<unsigned int>(job.exif->size()));
  }
  while (c.next_scanline < c.image_height) {
    RgbRow(*job.image, static_cast<int32_t>(c.next_scanline), *job.row);
    JSAMPROW rows[1] = {job.row->data()};
    jpeg_write_scanlines(&c, rows, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return true;
}

}  // namespace

std::vector<uint8_t> ExifDateSegment(const std::string& date) {
  constexpr uint32_t kExifDirectory = 8 + 18;
  constexpr uint32_t kText = kExifDirectory + 18;
  std::vector<uint8_t> out = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0};
  Put32(out, 8);
  PutDirectory(out, 0x8769, 4, 1, kExifDirectory);       // the EXIF directory, a LONG offset
  PutDirectory(out, 0x9003, 2, kDateLength + 1, kText);  // DateTimeOriginal, ASCII
  std::string text = date;
  text.resize(kDateLength, ' ');
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
  return out;
}

std::optional<std::vector<uint8_t>> EncodeJpeg(const platform::DecodedImage& image, int quality,
                                               const std::string& date_taken) {
  if (image.empty()) return std::nullopt;
  const std::vector<uint8_t> exif =
      date_taken.empty() ? std::vector<uint8_t>{} : ExifDateSegment(date_taken);
  std::vector<JSAMPLE> row(static_cast<size_t>(image.width) * 3);
  Compression job{&image, quality, &exif, &row};
  const bool done = Compress(job);
  std::optional<std::vector<uint8_t>> jpeg;
  if (done) jpeg.emplace(job.buffer, job.buffer + job.size);
  std::free(job.buffer);
  return jpeg;
}

}  // namespace lantern::albumpack

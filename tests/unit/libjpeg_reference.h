// libjpeg's full-size decode, the reference the tests compare JPEGs with.
// Only for files known to be whole: libjpeg's default error handler ends the
// program on a damaged one.
#pragma once

// jpeglib.h needs FILE and size_t declared first.
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include <cstdint>
#include <vector>

#include "imaging/decoded_image.h"

namespace lantern::imaging::reference {

// The full-size picture, chroma widened by repeating it as ours is.
inline DecodedImage DecodeFull(const std::vector<uint8_t>& bytes) {
  jpeg_decompress_struct d{};
  jpeg_error_mgr error{};
  d.err = jpeg_std_error(&error);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&d, TRUE);
  d.out_color_space = JCS_RGB;
  d.do_fancy_upsampling = FALSE;
  jpeg_start_decompress(&d);
  DecodedImage out;
  out.Resize(static_cast<int32_t>(d.output_width), static_cast<int32_t>(d.output_height));
  std::vector<uint8_t> row(static_cast<size_t>(out.width) * 3);
  while (d.output_scanline < d.output_height) {
    uint32_t* px = &out.pixels[d.output_scanline * static_cast<size_t>(out.width)];
    JSAMPROW rows[] = {row.data()};
    jpeg_read_scanlines(&d, rows, 1);
    for (int32_t x = 0; x < out.width; ++x) {
      const uint8_t* p = &row[static_cast<size_t>(x) * 3];
      px[x] = 0xFF000000u | uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
    }
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  return out;
}

}  // namespace lantern::imaging::reference

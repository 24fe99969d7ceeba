// libjpeg's decode of JPEG bytes at scale_num / 8 of their size into 32-bit
// BGRX pixels (libjpeg sets the X byte to 0xFF): the reference our
// reduced-size decoder is tested and timed against. Chroma is widened
// smoothly (libjpeg's default) or, without fancy upsampling, by repeating it
// as ours does.
#pragma once

// jpeglib.h needs FILE and size_t declared first.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <cstdint>
#include <span>
#include <vector>

namespace lantern::bench {

struct LibjpegPicture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;
};

inline void LibjpegDecode(std::span<const uint8_t> bytes, int eighths, bool fancy_upsampling,
                          LibjpegPicture& out) {
  jpeg_decompress_struct d{};
  jpeg_error_mgr error{};
  d.err = jpeg_std_error(&error);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&d, TRUE);
  d.scale_num = static_cast<unsigned>(eighths);
  d.scale_denom = 8;
  d.out_color_space = JCS_EXT_BGRX;
  d.do_fancy_upsampling = fancy_upsampling ? TRUE : FALSE;
  jpeg_start_decompress(&d);
  out.width = static_cast<int32_t>(d.output_width);
  out.height = static_cast<int32_t>(d.output_height);
  out.pixels.resize(size_t{d.output_width} * d.output_height);
  while (d.output_scanline < d.output_height) {
    JSAMPROW rows[] = {
        reinterpret_cast<JSAMPLE*>(&out.pixels[size_t{d.output_scanline} * d.output_width])};
    jpeg_read_scanlines(&d, rows, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
}

}  // namespace lantern::bench

// PNG through libpng: every colour type and depth widened to 8-bit BGRA
// (16-bit samples scaled, palettes and tRNS expanded to alpha), interlaced
// pictures assembled pass by pass in place. The samples are taken as stored:
// gAMA, cHRM, sRGB and iCCP do not change them. libpng's errors jump back to
// the decode's start, which releases the reader and fails.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "platform/native/native_formats.h"

namespace lantern::platform::native {

namespace {

// Rows read between two questions to `cancelled`.
constexpr png_uint_32 kBandRows = 16;

struct Source {
  std::span<const uint8_t> bytes;
  size_t at = 0;
};

void ReadBytes(png_structp png, png_bytep data, size_t length) {
  auto* source = static_cast<Source*>(png_get_io_ptr(png));
  if (length > source->bytes.size() - source->at) png_error(png, "truncated");
  std::memcpy(data, source->bytes.data() + source->at, length);
  source->at += length;
}

[[noreturn]] void Fail(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
void Ignore(png_structp, png_const_charp) {}

// The transformations that turn any PNG into BGRA rows of 8-bit samples.
void AskForBgra(png_structp png, png_infop info) {
  const png_byte type = png_get_color_type(png, info);
  png_set_expand(png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
  png_set_scale_16(png);
  if ((type & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);  // opaque where there is no alpha
}

// Everything that calls the library, which may jump out of it on an error:
// nothing here may need destroying.
bool Read(png_structp png, png_infop info, const DecodeCancelled& cancelled, DecodedImage& out) {
  png_read_info(png, info);
  const png_uint_32 w = png_get_image_width(png, info);
  const png_uint_32 h = png_get_image_height(png, info);
  AskForBgra(png, info);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (w > 0x7FFFFFFF || h > 0x7FFFFFFF || png_get_rowbytes(png, info) != size_t{w} * 4 ||
      !out.Resize(static_cast<int32_t>(w), static_cast<int32_t>(h))) {
    return false;
  }
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < h; ++y) {
      if (y % kBandRows == 0 && Stopped(cancelled)) return false;
      png_read_row(png, reinterpret_cast<png_bytep>(out.pixels.data() + size_t{y} * w), nullptr);
    }
  }
  FindAlpha(out);
  return true;
}

}  // namespace

bool DecodePng(std::span<const uint8_t> bytes, const DecodeCancelled& cancelled,
               DecodedImage& out) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Ignore);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  Source source{bytes};
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &source, ReadBytes);
  const bool ok = Read(png, info, cancelled, out);
  png_destroy_read_struct(&png, &info, nullptr);
  return ok;
}

}  // namespace lantern::platform::native

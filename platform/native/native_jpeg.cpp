// JPEG through libjpeg-turbo: decoded at N/8 of its size where the caller
// needs less, straight into the picture's rows as BGRA (grey widened by the
// library), CMYK and YCCK converted here. libjpeg reports errors by calling
// a function that must not return: ours jumps back to the decode's start,
// which releases the decoder and fails, so no error ever ends the process.

// jpeglib.h needs size_t and FILE declared before it.
#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

#include "platform/native/native_formats.h"

namespace lantern::platform::native {

namespace {

// Scanlines read between two questions to `cancelled`.
constexpr JDIMENSION kBandRows = 16;
// What libjpeg may allocate for one picture (a progressive file keeps every
// coefficient of the picture until its last scan): past it the decode fails
// rather than swap to a backing store it does not have.
constexpr long kMemoryLimit = 512L << 20;

struct ErrorExit {
  jpeg_error_mgr manager;  // first, so the library's pointer to it is a pointer to this
  std::jmp_buf jump;
};

[[noreturn]] void Fail(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorExit*>(info->err)->jump, 1);
}

// Warnings go nowhere, except that a file which ends before its picture does
// fails: the library would fill the rest with grey.
void OnMessage(j_common_ptr info, int level) {
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) Fail(info);
}

void Silent(j_common_ptr) {}

// The fewest eighths of the stored size, rounded up as the library rounds
// its scaled sizes, that are not below what `least` asks in either direction.
unsigned Eighths(JDIMENSION w, JDIMENSION h, const PictureDecoder::LeastSize& least) {
  if (!least) return 8;
  const auto [least_w, least_h] = least(static_cast<int32_t>(w), static_cast<int32_t>(h));
  for (unsigned n = 1; n < 8; ++n) {
    const int64_t scaled_w = (int64_t{w} * n + 7) / 8;
    const int64_t scaled_h = (int64_t{h} * n + 7) / 8;
    if (scaled_w >= least_w && scaled_h >= least_h) return n;
  }
  return 8;
}

// Four CMYK samples to one opaque pixel. Adobe's files store the inks
// inverted (255 is no ink).
uint32_t FromCmyk(const JSAMPLE* s, bool inverted) {
  const auto ink = [&](int i) { return inverted ? 255u - s[i] : uint32_t{s[i]}; };
  const uint32_t paper = 255 - ink(3);
  const auto channel = [&](int i) { return ((255 - ink(i)) * paper + 127) / 255; };
  return 0xFF000000u | channel(0) << 16 | channel(1) << 8 | channel(2);
}

// Reads scanlines into out's rows from row `y` on, up to a band of them.
// CMYK comes through `cmyk`, one row of four samples a pixel at a time.
JDIMENSION ReadBand(jpeg_decompress_struct& info, JSAMPARRAY cmyk, DecodedImage& out) {
  const JDIMENSION first = info.output_scanline;
  const JDIMENSION width = info.output_width;
  while (info.output_scanline < info.output_height && info.output_scanline - first < kBandRows) {
    uint32_t* row = out.pixels.data() + size_t{info.output_scanline} * width;
    if (cmyk == nullptr) {
      JSAMPROW target = reinterpret_cast<JSAMPROW>(row);
      if (jpeg_read_scanlines(&info, &target, 1) != 1) return 0;
      continue;
    }
    if (jpeg_read_scanlines(&info, cmyk, 1) != 1) return 0;
    for (JDIMENSION x = 0; x < width; ++x)
      row[x] = FromCmyk(cmyk[0] + size_t{x} * 4, info.saw_Adobe_marker);
  }
  return info.output_scanline - first;
}

// Everything that calls the library, which may jump out of it on an error:
// nothing here may need destroying.
bool Read(jpeg_decompress_struct& info, const PictureDecoder::LeastSize& least,
          const DecodeCancelled& cancelled, DecodedImage& out) {
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
  info.scale_num = Eighths(info.image_width, info.image_height, least);
  info.scale_denom = 8;
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
  jpeg_calc_output_dimensions(&info);
  if (info.output_width > 0x7FFFFFFF || info.output_height > 0x7FFFFFFF ||
      !out.Resize(static_cast<int32_t>(info.output_width),
                  static_cast<int32_t>(info.output_height))) {
    return false;
  }
  if (Stopped(cancelled) || !jpeg_start_decompress(&info)) return false;
  JSAMPARRAY row = nullptr;
  if (cmyk) {
    row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                    info.output_width * 4, 1);
  }
  while (info.output_scanline < info.output_height) {
    if (Stopped(cancelled) || ReadBand(info, row, out) == 0) return false;
  }
  out.has_alpha = false;  // JPEG has no alpha: every pixel came out opaque
  return true;
}

}  // namespace

bool DecodeJpeg(std::span<const uint8_t> bytes, const PictureDecoder::LeastSize& least,
                const DecodeCancelled& cancelled, DecodedImage& out) {
  jpeg_decompress_struct info{};
  ErrorExit errors{};
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = Fail;
  errors.manager.emit_message = OnMessage;
  errors.manager.output_message = Silent;
  if (setjmp(errors.jump) != 0) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = kMemoryLimit;
  jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  const bool ok = Read(info, least, cancelled, out);
  jpeg_destroy_decompress(&info);
  return ok;
}

}  // namespace lantern::platform::native

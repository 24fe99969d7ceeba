// Photos as phones save them, made here with the encoders libheif and libwebp
// bring: HEIC (x265), AVIF (aom) and WebP, each with its EXIF metadata, a HEIF
// file rotated by its own box. The picture is four quadrants of different
// colours, so that which way up a decoded copy stands can be seen.
#pragma once

#include <gtest/gtest.h>
#include <libheif/heif.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/decoded_image.h"

namespace lantern::testing {

inline constexpr uint32_t kQuadrants[4] = {0xFFE00000u, 0xFF00D000u, 0xFF0000E0u, 0xFFF0F0F0u};

// Red top left, green top right, blue bottom left, white bottom right.
inline imaging::DecodedImage Quadrants(int32_t width, int32_t height) {
  imaging::DecodedImage image;
  image.Resize(width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      image.pixels[static_cast<size_t>(y * width + x)] =
          kQuadrants[(y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1)];
    }
  }
  return image;
}

inline std::vector<uint8_t> Rgb(const imaging::DecodedImage& image) {
  std::vector<uint8_t> rgb;
  for (const uint32_t p : image.pixels)
    rgb.insert(rgb.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
  return rgb;
}

// A HEIF file of the format (heif_compression_HEVC or _AV1) showing the
// picture turned by `orientation` (EXIF's numbers, written as HEIF's own
// rotation and mirroring boxes), with the EXIF metadata when not empty.
inline std::vector<uint8_t> EncodeHeif(const imaging::DecodedImage& stored,
                                       heif_compression_format format, int orientation,
                                       const std::vector<uint8_t>& exif) {
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  EXPECT_EQ(heif_context_get_encoder_for_format(context, format, &encoder).code, heif_error_Ok);
  heif_encoder_set_lossy_quality(encoder, 90);
  heif_image* image = nullptr;
  heif_image_create(stored.width, stored.height, heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                    &image);
  heif_image_add_plane(image, heif_channel_interleaved, stored.width, stored.height, 8);
  int stride = 0;
  uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
  const std::vector<uint8_t> rgb = Rgb(stored);
  for (int32_t y = 0; y < stored.height; ++y) {
    std::copy_n(&rgb[static_cast<size_t>(y * stored.width * 3)], stored.width * 3,
                plane + static_cast<ptrdiff_t>(y) * stride);
  }
  heif_encoding_options* options = heif_encoding_options_alloc();
  options->image_orientation = static_cast<heif_orientation>(orientation);
  heif_image_handle* handle = nullptr;
  EXPECT_EQ(heif_context_encode_image(context, image, encoder, options, &handle).code,
            heif_error_Ok);
  if (!exif.empty()) {
    heif_context_add_exif_metadata(context, handle, exif.data(), static_cast<int>(exif.size()));
  }
  std::vector<uint8_t> file;
  heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* out) {
                       auto& bytes = *static_cast<std::vector<uint8_t>*>(out);
                       const auto* b = static_cast<const uint8_t*>(data);
                       bytes.insert(bytes.end(), b, b + size);
                       return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
                     }};
  heif_context_write(context, &writer, &file);
  heif_image_handle_release(handle);
  heif_encoding_options_free(options);
  heif_image_release(image);
  heif_encoder_release(encoder);
  heif_context_free(context);
  return file;
}

// A lossy WebP file of the picture as stored, with the EXIF metadata when not empty.
inline std::vector<uint8_t> EncodeWebp(const imaging::DecodedImage& stored,
                                       const std::vector<uint8_t>& exif) {
  const std::vector<uint8_t> rgb = Rgb(stored);
  uint8_t* encoded = nullptr;
  const size_t size =
      WebPEncodeRGB(rgb.data(), stored.width, stored.height, stored.width * 3, 90, &encoded);
  const WebPData image{encoded, size};
  WebPMux* mux = WebPMuxNew();
  WebPMuxSetImage(mux, &image, 1);
  const WebPData metadata{exif.data(), exif.size()};
  if (!exif.empty()) WebPMuxSetChunk(mux, "EXIF", &metadata, 1);
  WebPData file{};
  WebPMuxAssemble(mux, &file);
  std::vector<uint8_t> out(file.bytes, file.bytes + file.size);
  WebPDataClear(&file);
  WebPMuxDelete(mux);
  WebPFree(encoded);
  return out;
}

}  // namespace lantern::testing

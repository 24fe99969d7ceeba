// Reading HEIF and WebP files into upright pictures and their EXIF metadata.
//
// [SECTION] Common  [SECTION] HEIF  [SECTION] WebP  [SECTION] Entry points
#include "tools/albumpack/photo_decode.h"

#include <libheif/heif.h>
#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <memory>

#include "imaging/exif.h"

namespace lantern::albumpack {

namespace {

// [SECTION] Common

// The most metadata read from a file: EXIF with a thumbnail stays far below.
constexpr size_t kMaxExifBytes = size_t{4} << 20;

bool IsWebp(std::span<const uint8_t> b) {
  return b.size() >= 12 && std::memcmp(b.data(), "RIFF", 4) == 0 &&
         std::memcmp(b.data() + 8, "WEBP", 4) == 0;
}

bool SizeAllowed(int64_t width, int64_t height, std::string& why) {
  if (width > 0 && height > 0 && width * height <= platform::kMaxPicturePixels) return true;
  why = width <= 0 || height <= 0
            ? "the picture has no size"
            : "the picture (" + std::to_string(width) + " x " + std::to_string(height) +
                  ") is larger than the player decodes (64 megapixels)";
  return false;
}

// EXIF metadata as the containers hold it: a TIFF structure, in WebP files
// and in HEIF files after an offset sometimes preceded by "Exif\0\0".
std::vector<uint8_t> TiffFrom(std::span<const uint8_t> b) {
  if (b.size() >= 6 && std::memcmp(b.data(), "Exif\0\0", 6) == 0) b = b.subspan(6);
  return {b.begin(), b.end()};
}

// [SECTION] HEIF

struct HeifFree {
  void operator()(heif_context* c) const { heif_context_free(c); }
  void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
  void operator()(heif_image* i) const { heif_image_release(i); }
};
template <typename T>
using HeifPointer = std::unique_ptr<T, HeifFree>;

// A parsed HEIF file and its primary picture; the bytes must outlive it.
struct HeifFile {
  HeifPointer<heif_context> context;
  HeifPointer<heif_image_handle> primary;
};

std::optional<HeifFile> OpenHeif(std::span<const uint8_t> bytes, std::string& why) {
  HeifFile file{HeifPointer<heif_context>(heif_context_alloc()), nullptr};
  if (!file.context) {
    why = "no memory to read it";
    return std::nullopt;
  }
  // libheif's own limit is a width whose square is the most pixels allowed.
  constexpr int kSide = 8192;
  static_assert(int64_t{kSide} * kSide == platform::kMaxPicturePixels);
  heif_context_set_maximum_image_size_limit(file.context.get(), kSide);
  heif_error e = heif_context_read_from_memory_without_copy(file.context.get(), bytes.data(),
                                                            bytes.size(), nullptr);
  heif_image_handle* primary = nullptr;
  if (e.code == heif_error_Ok)
    e = heif_context_get_primary_image_handle(file.context.get(), &primary);
  file.primary.reset(primary);
  if (e.code != heif_error_Ok) {
    why = std::string("the HEIF decoder refuses it: ") + e.message;
    return std::nullopt;
  }
  return file;
}

std::vector<uint8_t> HeifExif(const heif_image_handle* primary) {
  heif_item_id id = 0;
  if (heif_image_handle_get_list_of_metadata_block_IDs(primary, "Exif", &id, 1) < 1) return {};
  const size_t size = heif_image_handle_get_metadata_size(primary, id);
  if (size < 4 || size > kMaxExifBytes) return {};
  std::vector<uint8_t> block(size);
  if (heif_image_handle_get_metadata(primary, id, block.data()).code != heif_error_Ok) return {};
  const uint32_t offset = uint32_t{block[0]} << 24 | uint32_t{block[1]} << 16 |
                          uint32_t{block[2]} << 8 | uint32_t{block[3]};
  if (offset >= size - 4) return {};
  return TiffFrom(std::span<const uint8_t>(block).subspan(4 + offset));
}

// Interleaved 8-bit RGB or RGBA rows into 0xAARRGGBB pixels.
bool CopyHeifPixels(const heif_image* image, bool alpha, platform::DecodedImage& out) {
  int stride = 0;
  const uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
  const int width = heif_image_get_width(image, heif_channel_interleaved);
  const int height = heif_image_get_height(image, heif_channel_interleaved);
  const int step = alpha ? 4 : 3;
  if (plane == nullptr || stride < width * step || !out.Resize(width, height)) return false;
  for (int y = 0; y < height; ++y) {
    const uint8_t* s = plane + static_cast<ptrdiff_t>(y) * stride;
    uint32_t* d = &out.pixels[static_cast<size_t>(y) * static_cast<size_t>(width)];
    for (int x = 0; x < width; ++x, s += step) {
      const uint32_t a = alpha ? s[3] : 0xFF;
      d[x] = a << 24 | uint32_t{s[0]} << 16 | uint32_t{s[1]} << 8 | s[2];
      out.has_alpha |= a != 0xFF;
    }
  }
  return true;
}

std::optional<platform::DecodedImage> DecodeHeif(std::span<const uint8_t> bytes, std::string& why) {
  const std::optional<HeifFile> file = OpenHeif(bytes, why);
  if (!file) return std::nullopt;
  const heif_image_handle* primary = file->primary.get();
  if (!SizeAllowed(heif_image_handle_get_width(primary), heif_image_handle_get_height(primary),
                   why)) {
    return std::nullopt;
  }
  const bool alpha = heif_image_handle_has_alpha_channel(primary) != 0;
  heif_image* decoded = nullptr;
  // Default options: the file's rotation and mirroring are applied.
  const heif_error e = heif_decode_image(
      primary, &decoded, heif_colorspace_RGB,
      alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr);
  const HeifPointer<heif_image> image(decoded);
  if (e.code != heif_error_Ok) {
    why = std::string("the HEIF decoder refuses it: ") + e.message;
    return std::nullopt;
  }
  platform::DecodedImage out;
  if (!CopyHeifPixels(image.get(), alpha, out)) {
    why = "the HEIF decoder gave no picture of the size it announced";
    return std::nullopt;
  }
  return out;
}

// [SECTION] WebP

std::vector<uint8_t> WebpExif(std::span<const uint8_t> bytes) {
  const WebPData data{bytes.data(), bytes.size()};
  WebPDemuxer* demux = WebPDemux(&data);
  if (demux == nullptr) return {};
  std::vector<uint8_t> exif;
  WebPChunkIterator chunk;
  if ((WebPDemuxGetI(demux, WEBP_FF_FORMAT_FLAGS) & EXIF_FLAG) != 0 &&
      WebPDemuxGetChunk(demux, "EXIF", 1, &chunk) != 0) {
    if (chunk.chunk.size <= kMaxExifBytes) exif = TiffFrom({chunk.chunk.bytes, chunk.chunk.size});
    WebPDemuxReleaseChunkIterator(&chunk);
  }
  WebPDemuxDelete(demux);
  return exif;
}

std::optional<platform::DecodedImage> DecodeWebp(std::span<const uint8_t> bytes, std::string& why) {
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(bytes.data(), bytes.size(), &features) != VP8_STATUS_OK) {
    why = "the WebP decoder refuses it: its headers are damaged";
    return std::nullopt;
  }
  if (features.has_animation != 0) {
    why = "an animated WebP; save the frame to show as a JPEG";
    return std::nullopt;
  }
  if (!SizeAllowed(features.width, features.height, why)) return std::nullopt;
  int width = 0;
  int height = 0;
  const std::unique_ptr<uint8_t, void (*)(void*)> pixels(
      WebPDecodeBGRA(bytes.data(), bytes.size(), &width, &height), WebPFree);
  platform::DecodedImage out;
  if (!pixels || !out.Resize(width, height)) {
    why = "the WebP decoder refuses it: its picture data is damaged or cut short";
    return std::nullopt;
  }
  // BGRA in memory is the decoded picture's own layout.
  std::memcpy(out.pixels.data(), pixels.get(), out.pixels.size() * 4);
  for (const uint32_t p : out.pixels)
    out.has_alpha |= (p >> 24) != 0xFF;
  std::vector<uint32_t> scratch;
  platform::Orient(out, imaging::ExifOrientation(WebpExif(bytes)), scratch);
  return out;
}

}  // namespace

// [SECTION] Entry points

std::vector<uint8_t> PhotoExif(std::span<const uint8_t> bytes) {
  if (IsWebp(bytes)) return WebpExif(bytes);
  std::string why;
  const std::optional<HeifFile> file = OpenHeif(bytes, why);
  return file ? HeifExif(file->primary.get()) : std::vector<uint8_t>{};
}

std::optional<platform::DecodedImage> DecodePhoto(std::span<const uint8_t> bytes,
                                                  std::string& why) {
  return IsWebp(bytes) ? DecodeWebp(bytes, why) : DecodeHeif(bytes, why);
}

}  // namespace lantern::albumpack

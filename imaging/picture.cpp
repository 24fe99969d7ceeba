// Upright decoding.
#include "imaging/picture.h"

#include <optional>
#include <utility>

#include "imaging/exif.h"
#include "imaging/jpeg_reduced.h"

namespace lantern::imaging {

namespace {

// A JPEG much larger than the size wanted is decoded reduced by our own
// decoder: the platform's may hold the whole full-size picture (and its own
// copy of it) while it decodes. False when it is not reduced that way.
bool DecodeReduced(std::span<const uint8_t> bytes, bool on_side,
                   const platform::PictureDecoder::LeastSize& least,
                   const platform::DecodeCancelled& cancelled, DecodedImage& out) {
  const std::optional<JpegSize> stored = ReducibleJpegSize(bytes);
  if (!stored) return false;
  auto [least_w, least_h] =
      on_side ? least(stored->height, stored->width) : least(stored->width, stored->height);
  if (on_side) std::swap(least_w, least_h);
  const int eighths = JpegEighths(*stored, least_w, least_h);
  return eighths < 8 && DecodeJpegReduced(bytes, eighths, out, cancelled);
}

}  // namespace

bool DecodeUpright(platform::PictureDecoder& decoder, std::span<const uint8_t> bytes,
                   DecodedImage& out, std::vector<uint32_t>& scratch,
                   const platform::PictureDecoder::LeastSize& least,
                   const platform::DecodeCancelled& cancelled) {
  // Only JPEG: other decoders (TIFF's, for one) may already apply the tag.
  const bool jpeg = platform::IsJpeg(bytes);
  const int orientation = jpeg ? ExifOrientation(bytes) : 1;
  // Orientations 5 to 8 stand the stored picture on its side.
  const bool on_side = orientation >= 5 && orientation <= 8;
  if (least && jpeg && DecodeReduced(bytes, on_side, least, cancelled, out)) {
    platform::Orient(out, orientation, scratch);
    return true;
  }
  platform::PictureDecoder::LeastSize stored_least;
  if (least) {
    stored_least = [&](int32_t w, int32_t h) {
      if (!on_side) return least(w, h);
      const auto [upright_w, upright_h] = least(h, w);
      return std::pair{upright_h, upright_w};
    };
  }
  if ((cancelled && cancelled()) ||
      !decoder.DecodeBytesAtLeast(bytes, stored_least, cancelled, out)) {
    out.Resize(0, 0);
    return false;
  }
  if (jpeg) platform::Orient(out, orientation, scratch);
  return true;
}

}  // namespace lantern::imaging

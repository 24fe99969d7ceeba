// Decoding by type word, then the scale-down for the slide.
#include "imaging/ready_photo.h"

#include <optional>
#include <utility>

#include "base/rnd.h"
#include "imaging/picture.h"
#include "imaging/placement.h"
#include "imaging/resample.h"
#include "imaging/tga_pcx.h"

namespace lantern::imaging {

namespace {

using album::PictureDecoder;

bool FromFile(PictureDecoder decoder) {
  return decoder == PictureDecoder::kPictureFile || decoder == PictureDecoder::kTgaFile ||
         decoder == PictureDecoder::kPcxFile;
}

// The rectangle a w x h picture is drawn into when chance plays no part in
// where (shrink to fit, fit, stretch) and it is drawn smaller than it is; a
// transparent picture is composited as it is drawn, so it is never scaled
// ahead. Empty otherwise.
platform::Rect ScaleAheadRect(int32_t w, int32_t h, bool has_alpha, const PhotoKey& key) {
  const bool fixed_place = key.mode == kShrinkToFit || key.mode == kFit || key.mode == kStretch;
  if (!fixed_place || has_alpha) return {};
  base::Rnd unused;  // only the placed mode draws from it
  const Placement p = PlacePicture(key.mode, w, h, key.slide_w, key.slide_h, 0, 0, unused, 0);
  if (!p.visible) return {};
  const platform::Rect dest = p.PixelRect();
  const int64_t drawn = int64_t{dest.width()} * dest.height();
  if (dest.empty() || drawn >= int64_t{w} * h) return {};
  return dest;
}

}  // namespace

bool LoadSourceBytes(platform::FileSystem& files, album::PictureSource& source) {
  if (!FromFile(source.decoder)) return true;
  auto read = files.ReadFile(source.path);
  if (!read) return false;
  source.bytes = std::move(*read);
  return true;
}

bool DecodeSource(platform::PictureDecoder& decoder, const album::PictureSource& source,
                  DecodedImage& out, std::vector<uint32_t>& scratch,
                  const platform::PictureDecoder::LeastSize& least,
                  const platform::DecodeCancelled& cancelled) {
  switch (source.decoder) {
    case PictureDecoder::kPictureFile:
    case PictureDecoder::kPictureMemory:
      return DecodeUpright(decoder, source.bytes, out, scratch, least, cancelled);
    case PictureDecoder::kTgaFile:
      return DecodeTga(source.bytes, out, cancelled);
    case PictureDecoder::kTgaMemory:
      return DecodeTgaItem(source.bytes, out, cancelled);
    case PictureDecoder::kPcxFile:
      return DecodePcx(source.bytes, out, cancelled);
    case PictureDecoder::kNone:
      break;
  }
  return false;
}

void MakeReadyPhoto(platform::PictureDecoder& decoder, const album::PictureSource& source,
                    const PhotoKey& key, ReadyPhoto& out,
                    const platform::DecodeCancelled& cancelled) {
  out = ReadyPhoto{};
  out.key = key;
  const auto stop = [&] { return cancelled && cancelled(); };
  const bool platform_decoder = source.decoder == PictureDecoder::kPictureFile ||
                                source.decoder == PictureDecoder::kPictureMemory;
  // A JPEG (never transparent) may be decoded smaller, down to the size it
  // is drawn at; where it goes is worked out from the size it is stored at,
  // as for a full decode, so only the decoder's scaling differs.
  std::optional<std::pair<int32_t, int32_t>> stored;  // upright
  platform::PictureDecoder::LeastSize least;
  if (platform_decoder && platform::IsJpeg(source.bytes)) {
    least = [&](int32_t w, int32_t h) {
      stored = std::pair{w, h};
      const platform::Rect dest = ScaleAheadRect(w, h, false, key);
      return dest.empty() ? std::pair{w, h} : std::pair{dest.width(), dest.height()};
    };
  }
  DecodedImage full;
  std::vector<uint32_t> scratch;
  if (stop() || !DecodeSource(decoder, source, full, scratch, least, cancelled) || full.empty() ||
      stop()) {
    return;
  }
  out.own_decoder = !platform_decoder;
  out.x = source.x;
  out.y = source.y;
  const bool reduced = stored && (stored->first != full.width || stored->second != full.height);
  const platform::Rect dest = reduced
                                  ? ScaleAheadRect(stored->first, stored->second, false, key)
                                  : ScaleAheadRect(full.width, full.height, full.has_alpha, key);
  if (reduced && dest.empty()) return;  // the decoder went below what was asked
  if (dest.empty()) {
    out.image = std::move(full);
  } else {
    if (!out.image.Resize(dest.width(), dest.height())) return;
    ResampleScratch resample;
    if (!DrawPicture(out.image.view(), {0, 0, dest.width(), dest.height()}, full, resample,
                     cancelled)) {
      out.image = {};
      return;
    }
    out.scaled = true;
    out.scaled_to = dest;
  }
  out.decoded = true;
}

}  // namespace lantern::imaging

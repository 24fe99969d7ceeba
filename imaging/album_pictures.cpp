// Decoding by type word, then placing and scaling.
#include "imaging/album_pictures.h"

#include "imaging/picture.h"
#include "imaging/placement.h"
#include "imaging/raster.h"
#include "imaging/tga_pcx.h"

namespace lantern::imaging {

namespace {

using album::PictureDecoder;

// The part of the surface a placement covers, scaled to the picture's size:
// what a transparent picture is blended over before it is drawn.
void CaptureUnder(const platform::Surface& surface, const platform::Rect& area, DecodedImage& under,
                  int32_t w, int32_t h, ResampleScratch& scratch) {
  const platform::Rect visible = platform::Intersect(area, surface.bounds());
  DecodedImage slide;
  slide.Resize(std::max(area.width(), 1), std::max(area.height(), 1));
  for (int32_t y = visible.top; y < visible.bottom; ++y) {
    const uint32_t* row = surface.Row(y);
    for (int32_t x = visible.left; x < visible.right; ++x) {
      slide.pixels[static_cast<size_t>(y - area.top) * static_cast<size_t>(slide.width) +
                   static_cast<size_t>(x - area.left)] = row[x] | 0xFF000000u;
    }
  }
  under.Resize(w, h);
  DrawPicture(under.view(), {0, 0, w, h}, slide, scratch);
}

}  // namespace

bool AlbumPictures::Decode(const album::PictureSource& source) {
  std::vector<uint8_t> file;
  std::span<const uint8_t> bytes = source.bytes;
  const bool from_file = source.decoder == PictureDecoder::kPictureFile ||
                         source.decoder == PictureDecoder::kTgaFile ||
                         source.decoder == PictureDecoder::kPcxFile;
  if (from_file) {
    auto read = platform_.files().ReadFile(source.path);
    if (!read) return false;
    file = std::move(*read);
    bytes = file;
  }
  switch (source.decoder) {
    case PictureDecoder::kPictureFile:
    case PictureDecoder::kPictureMemory:
      return DecodeUpright(platform_.pictures(), bytes, image_, orient_scratch_);
    case PictureDecoder::kTgaFile:
      return DecodeTga(bytes, image_);
    case PictureDecoder::kTgaMemory:
      return DecodeTgaItem(bytes, image_);
    case PictureDecoder::kPcxFile:
      return DecodePcx(bytes, image_);
    case PictureDecoder::kNone:
      break;
  }
  return false;
}

bool AlbumPictures::Draw(const platform::Surface& surface, const album::PictureSource& source,
                         int32_t mode) {
  if (source.decoder == PictureDecoder::kNone || !surface.valid() || !Decode(source)) return false;
  const Placement p =
      PlacePicture(mode, image_.width, image_.height, surface.width, surface.height, source.x,
                   source.y, rnd_, platform_.clock().Now().SecondsSinceMidnight());
  if (!p.visible) return false;
  const platform::Rect dest = p.PixelRect();
  const bool own_decoder = source.decoder != PictureDecoder::kPictureFile &&
                           source.decoder != PictureDecoder::kPictureMemory;
  if (own_decoder && image_.has_alpha) {
    // A transparent TGA is blended over the slide at its own size, then drawn
    // like any opaque picture (the platform's pictures blend as they draw).
    CaptureUnder(surface, dest, background_, image_.width, image_.height, scratch_);
    BlendOverBackground(image_, background_.view());
  }
  DrawPicture(surface, dest, image_, scratch_);
  for (int32_t column = 0; column < p.columns; ++column) {
    for (int32_t row = 0; row < p.rows; ++row) {
      if (column == 0 && row == 0) continue;
      Copy(surface, column * image_.width, row * image_.height, image_.width, image_.height,
           surface, 0, 0);
    }
  }
  return true;
}

bool AlbumPictures::DrawAlbumPhoto(const platform::Surface& surface, const album::AlbumData& album,
                                   int n, int32_t mode) {
  return Draw(surface, album::FindPhoto(album, n), mode);
}

bool AlbumPictures::DrawAlbumImage(const platform::Surface& surface, const album::AlbumData& album,
                                   const std::string& item_name, int32_t mode) {
  return Draw(surface, album::FindPicture(album, item_name), mode);
}

bool AlbumPictures::DecodeItem(const album::AlbumData& album, const std::string& item_name,
                               DecodedImage& out) {
  return DecodeInto(album::FindPicture(album, item_name), out);
}

bool AlbumPictures::DecodeInto(const album::PictureSource& source, DecodedImage& out) {
  if (source.decoder == PictureDecoder::kNone || !Decode(source)) return false;
  std::swap(out, image_);
  return true;
}

void AlbumPictures::Release() {
  image_ = {};
  background_ = {};
  scratch_ = {};
  orient_scratch_ = {};
}

}  // namespace lantern::imaging

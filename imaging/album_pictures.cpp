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

bool AlbumPictures::Decode(const album::PictureSource& source,
                           const platform::PictureDecoder::LeastSize& least) {
  album::PictureSource loaded = source;
  return LoadSourceBytes(platform_.files(), loaded) &&
         DecodeSource(decoder_, loaded, image_, orient_scratch_, least);
}

bool AlbumPictures::Draw(const platform::Surface& surface, const album::PictureSource& source,
                         int32_t mode, const platform::DecodeCancelled& cancelled) {
  album::PictureSource loaded = source;
  if (source.decoder == PictureDecoder::kNone || !surface.valid() ||
      !LoadSourceBytes(platform_.files(), loaded)) {
    return false;
  }
  ReadyPhoto picture;
  MakeReadyPhoto(decoder_, loaded, {0, surface.width, surface.height, mode}, picture, cancelled);
  return DrawReady(surface, picture);
}

bool AlbumPictures::Place(const platform::Surface& surface, const DecodedImage& image, int32_t mode,
                          int32_t x, int32_t y, bool own_decoder) {
  const Placement p = PlacePicture(mode, image.width, image.height, surface.width, surface.height,
                                   x, y, rnd_, platform_.clock().Now().SecondsSinceMidnight());
  if (!p.visible) return false;
  const platform::Rect dest = p.PixelRect();
  const DecodedImage* drawn = &image;
  if (own_decoder && image.has_alpha) {
    // A transparent TGA is blended over the slide at its own size, then drawn
    // like any opaque picture (the platform's pictures blend as they draw).
    CaptureUnder(surface, dest, background_, image.width, image.height, scratch_);
    blended_ = image;
    BlendOverBackground(blended_, background_.view());
    drawn = &blended_;
  }
  DrawPicture(surface, dest, *drawn, scratch_);
  for (int32_t column = 0; column < p.columns; ++column) {
    for (int32_t row = 0; row < p.rows; ++row) {
      if (column == 0 && row == 0) continue;
      Copy(surface, column * image.width, row * image.height, image.width, image.height, surface, 0,
           0);
    }
  }
  return true;
}

bool AlbumPictures::MakeReady(const album::AlbumData& album, const PhotoKey& key, ReadyPhoto& out,
                              const platform::DecodeCancelled& cancelled) {
  album::PictureSource source = album::FindPhoto(album, key.n);
  out = ReadyPhoto{};
  out.key = key;
  if (source.decoder == PictureDecoder::kNone || !LoadSourceBytes(platform_.files(), source)) {
    return false;
  }
  MakeReadyPhoto(decoder_, source, key, out, cancelled);
  return out.decoded;
}

bool AlbumPictures::DrawReady(const platform::Surface& surface, const ReadyPhoto& photo) {
  if (!photo.decoded || !surface.valid()) return false;
  if (!photo.scaled)
    return Place(surface, photo.image, photo.key.mode, photo.x, photo.y, photo.own_decoder);
  // Scaled ahead to its place: drawing it one to one is a copy (of the colour,
  // as the resampler writes an opaque picture).
  const platform::Rect r = platform::Intersect(photo.scaled_to, surface.bounds());
  for (int32_t y = r.top; y < r.bottom; ++y) {
    const uint32_t* s = &photo.image.pixels[static_cast<size_t>(y - photo.scaled_to.top) *
                                                static_cast<size_t>(photo.image.width) +
                                            static_cast<size_t>(r.left - photo.scaled_to.left)];
    uint32_t* d = surface.Row(y) + r.left;
    for (int32_t x = 0; x < r.width(); ++x)
      d[x] = s[x] & 0xFFFFFF;
  }
  return true;
}

bool AlbumPictures::DrawAlbumPhoto(const platform::Surface& surface, const album::AlbumData& album,
                                   int n, int32_t mode,
                                   const platform::DecodeCancelled& cancelled) {
  ReadyPhoto photo;
  MakeReady(album, {n, surface.width, surface.height, mode}, photo, cancelled);
  return DrawReady(surface, photo);
}

bool AlbumPictures::DrawAlbumImage(const platform::Surface& surface, const album::AlbumData& album,
                                   const std::string& item_name, int32_t mode,
                                   const platform::DecodeCancelled& cancelled) {
  return Draw(surface, album::FindPicture(album, item_name), mode, cancelled);
}

bool AlbumPictures::DecodeItem(const album::AlbumData& album, const std::string& item_name,
                               DecodedImage& out) {
  return DecodeInto(album::FindPicture(album, item_name), out);
}

bool AlbumPictures::DecodeItemFor(const album::AlbumData& album, const std::string& item_name,
                                  int32_t width, int32_t height, DecodedImage& out) {
  return DecodeInto(album::FindPicture(album, item_name), out, [&](int32_t, int32_t) {
    return std::pair{width, height};
  });
}

bool AlbumPictures::DecodeInto(const album::PictureSource& source, DecodedImage& out,
                               const platform::PictureDecoder::LeastSize& least) {
  if (source.decoder == PictureDecoder::kNone || !Decode(source, least)) return false;
  std::swap(out, image_);
  return true;
}

void AlbumPictures::Release() {
  image_ = {};
  background_ = {};
  blended_ = {};
  scratch_ = {};
  orient_scratch_ = {};
}

}  // namespace lantern::imaging

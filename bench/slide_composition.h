// A slide composed as the show composes it, for the figures natively and
// under Wine: a diagonal gradient background, a 4000 x 3000 photo made ready
// ahead (scaled down to the slide once, as the worker does) drawn shrunk to
// fit, and a vignette mask over the whole slide. The pieces run on the fake
// backend's album, so nothing but the composition is timed. The slide and
// background surfaces come from the backend given (the player's own: DIB
// sections on Windows), else from the heap.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "album/items.h"
#include "album/property_bag.h"
#include "imaging/album_pictures.h"
#include "imaging/composition.h"
#include "imaging/placement.h"
#include "platform/fake/fake_platform.h"

namespace lantern::bench {

class SlideComposition {
 public:
  SlideComposition(int32_t width, int32_t height, platform::Surfaces* surfaces = nullptr)
      : slide_(Create(surfaces, width, height)), background_(Create(surfaces, width, height)) {
    settings_.BackGroundSet = "2";
    settings_.BackgroundGradientMode = 2;
    settings_.BeginColor = 0x402010;
    settings_.EndColor = 0x000000;
    settings_.CurrentMask = 1;
    settings_.ImgDrawScale = imaging::kShrinkToFit;
    settings_.NowI = 1;
    album::SizePhotoArrays(settings_);
    imaging::DecodedImage vignette;
    vignette.Resize(width / 4 + 2, height / 4 + 2);
    for (int32_t y = 0; y < vignette.height; ++y) {
      for (int32_t x = 0; x < vignette.width; ++x) {
        const int64_t dx = (x - vignette.width / 2) * 480 / vignette.width;
        const int64_t dy = (y - vignette.height / 2) * 270 / vignette.height;
        const auto r = static_cast<uint32_t>(std::min<int64_t>(255, (dx * dx + dy * dy) / 200));
        vignette.pixels[static_cast<size_t>(y) * static_cast<size_t>(vignette.width) +
                        static_cast<size_t>(x)] = 0xFF000000u | (255 - r) << 16;
      }
    }
    mask_ = imaging::BuildMaskTable(&vignette, width, height);
    album::PictureSource photo;
    photo.decoder = album::PictureDecoder::kPictureMemory;
    photo.bytes = platform::fake::FakePictureDecoder::Encode(Photo());
    imaging::MakeReadyPhoto(fake_.pictures(), photo, {1, width, height, imaging::kShrinkToFit},
                            ready_);
  }

  // What PrepareSlide does for one slide.
  void Compose() {
    imaging::SlideTools tools{pictures_, fake_.text(), mask_, nullptr, {}};
    tools.photo = &ready_;
    imaging::PrepareSlide(1, slide_->surface(), background_->surface(), Album(), tools);
  }
  // Its pieces, one at a time.
  void Background() { imaging::DrawBackground(background_->surface(), Album(), pictures_); }
  void DrawPhoto() { pictures_.DrawReady(slide_->surface(), ready_); }
  void Mask() { imaging::ApplyMask(mask_, background_->surface(), slide_->surface()); }

 private:
  static imaging::DecodedImage Photo() {
    imaging::DecodedImage image;
    image.Resize(4000, 3000);
    uint32_t s = 12345;
    for (uint32_t& p : image.pixels) {
      s = s * 1664525u + 1013904223u;
      p = 0xFF000000u | (s >> 8);
    }
    return image;
  }
  static std::unique_ptr<platform::SurfaceBuffer> Create(platform::Surfaces* surfaces,
                                                         int32_t width, int32_t height) {
    if (surfaces != nullptr) return surfaces->CreateSurface(width, height);
    return std::make_unique<platform::HeapSurfaceBuffer>(width, height);
  }
  album::AlbumData Album() { return {settings_, store_, items_, fake_.files()}; }

  platform::fake::FakePlatform fake_;
  album::AlbumItems items_{fake_.resources(), fake_.files(), fake_.loop()};
  album::AlbumSettings settings_;
  album::PropertyBag store_;
  base::Rnd rnd_;
  imaging::AlbumPictures pictures_{fake_, rnd_};
  imaging::MaskTable mask_;
  imaging::ReadyPhoto ready_;
  std::unique_ptr<platform::SurfaceBuffer> slide_;
  std::unique_ptr<platform::SurfaceBuffer> background_;
};

}  // namespace lantern::bench

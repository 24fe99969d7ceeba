// Drawing the album's pictures: photo n (`DrawAlbumPhoto`) and named items
// such as the background, opening and ending pictures (`DrawAlbumImage`).
// The picture is found (album/picture_source), decoded by its type word (the
// platform's decoder, or our TGA and PCX decoders), turned upright, and drawn
// with one of the five draw-scale modes, scaled by our own resampler. Every
// picture is made as a photo is (ReadyPhoto): a JPEG is decoded no larger
// than it is drawn, and no picture beyond platform::kMaxPicturePixels is
// decoded at all (it is drawn as a missing one). The drawing calls take a
// `cancelled` check that the decoders and the scaling ask between rows.
#pragma once

#include <string>
#include <vector>

#include "album/picture_source.h"
#include "base/rnd.h"
#include "imaging/decoded_image.h"
#include "imaging/ready_photo.h"
#include "imaging/resample.h"
#include "platform/platform.h"

namespace lantern::imaging {

class AlbumPictures {
 public:
  // Pictures go through `decoder` when given (the show's WorkerDecoder), the
  // platform's otherwise.
  AlbumPictures(platform::ToolPlatform& platform, base::Rnd& rnd,
                platform::PictureDecoder* decoder = nullptr)
      : platform_(platform),
        decoder_(decoder != nullptr ? *decoder : platform.pictures()),
        rnd_(rnd) {}

  // False when nothing was drawn (no picture, or it could not be decoded);
  // the surface then keeps what it showed. A photo is made ready on the spot
  // (ReadyPhoto) and drawn as a prepared one is.
  bool DrawAlbumPhoto(const platform::Surface& surface, const album::AlbumData& album, int n,
                      int32_t mode, const platform::DecodeCancelled& cancelled = {});
  bool DrawAlbumImage(const platform::Surface& surface, const album::AlbumData& album,
                      const std::string& item_name, int32_t mode,
                      const platform::DecodeCancelled& cancelled = {});
  // Draws a picture from its source; x and y matter only in placed mode.
  bool Draw(const platform::Surface& surface, const album::PictureSource& source, int32_t mode,
            const platform::DecodeCancelled& cancelled = {});
  // Makes photo key.n ready here and now; false when nothing would be drawn.
  bool MakeReady(const album::AlbumData& album, const PhotoKey& key, ReadyPhoto& out,
                 const platform::DecodeCancelled& cancelled = {});
  // Draws a ready photo on a surface of the size it was made for.
  bool DrawReady(const platform::Surface& surface, const ReadyPhoto& photo);

  // Decodes a named item (the mask picture), or any picture from its source
  // (the text texture), into `out`, upright, without drawing it. False when
  // there is no such picture.
  bool DecodeItem(const album::AlbumData& album, const std::string& item_name, DecodedImage& out);
  // The same for a picture that is drawn stretched to width x height (the
  // mask): a JPEG is decoded no larger than that needs.
  bool DecodeItemFor(const album::AlbumData& album, const std::string& item_name, int32_t width,
                     int32_t height, DecodedImage& out);
  // `least` asks a decoder that can decode smaller for no less than it gives.
  bool DecodeInto(const album::PictureSource& source, DecodedImage& out,
                  const platform::PictureDecoder::LeastSize& least = {});

  // Frees the decoded picture's memory (between shows, or when memory is short).
  void Release();

 private:
  bool Decode(const album::PictureSource& source,
              const platform::PictureDecoder::LeastSize& least = {});
  bool Place(const platform::Surface& surface, const DecodedImage& image, int32_t mode, int32_t x,
             int32_t y, bool own_decoder);

  platform::ToolPlatform& platform_;
  platform::PictureDecoder& decoder_;
  base::Rnd& rnd_;
  DecodedImage image_;
  DecodedImage background_;  // the slide under a transparent TGA, at the picture's size
  DecodedImage blended_;     // a transparent TGA blended over it
  ResampleScratch scratch_;
  std::vector<uint32_t> orient_scratch_;
};

}  // namespace lantern::imaging

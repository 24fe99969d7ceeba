// A photo made ready for its slide: decoded, turned upright and, when its
// place on the slide does not depend on chance, already scaled down to the
// size it is drawn at, with the full-size decode dropped. Making one touches
// nothing but its arguments, so the worker thread makes them ahead of the
// slide (imaging/photo_prefetch) and the slide makes one on the spot when
// none is ready; both ways draw the same pixels.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>

#include "album/picture_source.h"
#include "imaging/decoded_image.h"
#include "platform/platform.h"

namespace lantern::imaging {

// Which photo, for which slide size and draw-scale mode.
struct PhotoKey {
  int n = 0;
  int32_t slide_w = 0;
  int32_t slide_h = 0;
  int32_t mode = 0;
  bool operator==(const PhotoKey&) const = default;
};

struct ReadyPhoto {
  PhotoKey key;
  bool decoded = false;  // false: nothing is drawn for the photo
  DecodedImage image;    // upright; exactly `scaled_to`'s size when `scaled`
  bool scaled = false;
  platform::Rect scaled_to;  // where the scaled picture goes on the slide
  bool own_decoder = false;  // read by our TGA or PCX decoder
  int32_t x = 0;             // the stored position (placed mode)
  int32_t y = 0;
  // What the decoder threw when it was made on the worker (nothing is then
  // drawn); the slide rethrows it once composed, so its step fails as a
  // decode on the spot would.
  std::exception_ptr error;
};

// Reads the file of a file source into its bytes (on the calling thread), so
// that decoding needs no file access. False when the file cannot be read.
bool LoadSourceBytes(platform::FileSystem& files, album::PictureSource& source);

// Decodes the source's bytes by its decoder kind and turns a JPEG upright;
// `least` and `cancelled` as for DecodeUpright (`least` for the platform's
// decoder only).
bool DecodeSource(platform::PictureDecoder& decoder, const album::PictureSource& source,
                  DecodedImage& out, std::vector<uint32_t>& scratch,
                  const platform::PictureDecoder::LeastSize& least = {},
                  const platform::DecodeCancelled& cancelled = {});

// Makes `out` from a source whose bytes are loaded. `cancelled` is asked
// between the steps and by the decoders and the scaling between rows; once
// it says yes, `out` is left undecoded. Any picture is made this way, the
// background and the opening and ending pictures too (the key then names no
// photo): a JPEG is decoded no larger than it is drawn.
void MakeReadyPhoto(platform::PictureDecoder& decoder, const album::PictureSource& source,
                    const PhotoKey& key, ReadyPhoto& out,
                    const platform::DecodeCancelled& cancelled = {});

}  // namespace lantern::imaging

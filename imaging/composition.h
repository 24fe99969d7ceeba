// Composing a slide: the album background (a solid colour, a gradient or a
// picture), the photo with its draw-scale mode, and the vignette mask that
// lets the background show through around the photo.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "album/picture_source.h"
#include "imaging/album_pictures.h"
#include "imaging/text_box.h"
#include "platform/surface.h"

namespace lantern::imaging {

// An album colour (0x00BBGGRR) as a 0xAARRGGBB value with the given alpha.
uint32_t ToArgb(int32_t colour, uint32_t alpha);

// Fills the whole surface with a two-colour linear gradient (colours
// 0xAARRGGBB, drawn opaque): mode 0 left to right, 1 top to bottom, 2 top-left
// to bottom-right, 3 top-right to bottom-left. Other modes fill nothing.
void FillGradient(const platform::Surface& surface, int32_t mode, uint32_t argb1, uint32_t argb2);

namespace detail {
// FillGradient pixel by pixel, the way the tests compare it with.
void FillGradientReference(const platform::Surface& surface, int32_t mode, uint32_t argb1,
                           uint32_t argb2);
}  // namespace detail

// The mask: one opacity per pixel of a picture a quarter of the slide's size
// in each direction, describing the slide's top-left quarter at half
// resolution; the other three quarters are its mirror images. 0 shows the
// photo, 6-249 blend the background over it with that opacity, 250-255 show
// the background only.
struct MaskTable {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> values;  // row after row
};

// The table from the mask picture, drawn stretched to two pixels more than the
// table in each direction; a pixel whose red part r is below 250 gives 255 - r.
// Without a picture the table is all 0 (no mask).
MaskTable BuildMaskTable(const DecodedImage* mask_picture, int32_t slide_w, int32_t slide_h);

// Puts the background back over the photo where the mask says: each entry
// stands for four 2 x 2 blocks mirrored into the four quarters of the slide.
// `after_row` runs after each row of the table (the caller dispatches window
// messages there); when it returns false the rest of the mask is left out
// (the show is stopping and the slide will never be seen).
using AfterRow = std::function<bool()>;
void ApplyMask(const MaskTable& mask, const platform::Surface& background,
               const platform::Surface& slide, const AfterRow& after_row = {});

namespace detail {
// ApplyMask block by block, in the table's order.
void ApplyMaskBlocks(const MaskTable& mask, const platform::Surface& background,
                     const platform::Surface& slide, const AfterRow& after_row);
}  // namespace detail

// Paints the album background over the whole surface: "BackGroundSet" "3" the
// background picture with its draw-scale mode, "2" the gradient, anything
// else the solid colour. What the background leaves uncovered is black, never
// what the surface held before.
void DrawBackground(const platform::Surface& surface, const album::AlbumData& album,
                    AlbumPictures& pictures, const platform::DecodeCancelled& cancelled = {});

// What composing a slide needs besides the album.
struct SlideTools {
  AlbumPictures& pictures;
  platform::TextRenderer& text;
  const MaskTable& mask;
  const DecodedImage* texture = nullptr;  // the album's "TextureImage", for text pattern 2
  AfterRow after_row;                     // runs after each row of the mask
  const ReadyPhoto* photo = nullptr;      // the photo made ready ahead, when there is one
  // Asked between rows while a picture is decoded here; once it says yes the
  // picture is left out.
  platform::DecodeCancelled cancelled = {};
};

// Composes photo n on `slide`: the background (kept in `background` for the
// mask), the photo with its draw-scale mode, the mask when the album uses one,
// and the caption in the caption style. Both surfaces have the slide's size.
// A ready photo made for this photo, slide size and mode is drawn as it is;
// otherwise the photo is made ready on the spot.
void PrepareSlide(int n, const platform::Surface& slide, const platform::Surface& background,
                  const album::AlbumData& album, const SlideTools& tools);

// Text style k (1 caption, 2 headlines and title effects, 3 lyrics, 4 titles)
// with its colours as drawn: text opaque, border at alpha 170.
TextStyle StyleOf(const album::AlbumSettings& settings, int k);

}  // namespace lantern::imaging

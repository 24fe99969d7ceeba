// The raster operations: the only pixel paths of transitions and text
// effects. They work on 32-bit BGRX surfaces with the semantics of the GDI
// calls the effects were designed against (BitBlt SRCCOPY / NOTSRCCOPY /
// BLACKNESS / WHITENESS, StretchBlt COLORONCOLOR with mirroring, AlphaBlend
// with a constant alpha, GetPixel, pen lines, DrawDib scaling of a captured
// pixel array, the grey colour matrix). Every operation clips its rectangles
// against both surfaces once at entry; nothing reads or writes outside.
//
// Rectangles are given as GDI gives them: origin and extent. A negative extent
// runs from the origin towards smaller coordinates and includes the origin
// pixel: (x, w = -3) covers x - 2, x - 1 and x, as GDI does. Coordinates and
// extents beyond +-2^27 (GDI's own limit) draw nothing.
//
// All four bytes of a pixel are written as GDI writes them on a 32-bit DIB
// section: copies and stretches move the X byte with the pixel, inversion and
// WHITENESS set it, blends mix it like a colour channel.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/surface.h"

namespace lantern::imaging {

using platform::Surface;

// Columns `width` pixels wide every `period` pixels from x = `first`, rows dy
// to dy + h - 1, each copied from the same columns of `src` from row sy on:
// what copying each column on its own draws, in one pass down the rows
// (column by column a comb of narrow lanes costs a call per row per lane).
void CopyLanes(const Surface& dst, int32_t first, int32_t width, int32_t period, int32_t dy,
               int32_t h, const Surface& src, int32_t sy);

// A block's way from `src` (sx, sy) to `dst` (dx, dy).
struct BlockMove {
  int32_t dx = 0, dy = 0, sx = 0, sy = 0;
};

// Working memory of ScatterBlocks, kept from one frame to the next.
struct ScatterScratch {
  std::vector<int32_t> clipped;  // per block: dx, dy, sx, sy, w, h
  std::vector<int32_t> band_starts;
  std::vector<int32_t> band_next;
  std::vector<int32_t> entries;
};

// Fills `dst` with `fill` (a surface pixel), then copies w x h blocks from
// `src` as Copy would, one after another in the order given (a later block
// covers an earlier one), where `src` is another surface than `dst`. The
// result is exactly that; the work goes band of rows by band of rows, so that
// many scattered blocks are written while their rows are in the cache.
void FillAndScatterBlocks(const Surface& dst, uint32_t fill, int32_t w, int32_t h,
                          const std::vector<BlockMove>& moves, const Surface& src,
                          ScatterScratch& scratch);

// A block copy of its own size from `src` (sx, sy) to `dst` (dx, dy).
struct BlockCopy {
  int32_t dx = 0, dy = 0, w = 0, h = 0, sx = 0, sy = 0;
};

// Copies each block as Copy would, one after another in the order given,
// where `src` is another surface than `dst`; band by band of rows, as
// FillAndScatterBlocks, without the fill.
void ScatterBlocks(const Surface& dst, const std::vector<BlockCopy>& blocks, const Surface& src,
                   ScatterScratch& scratch);

// BitBlt SRCCOPY. Source and destination may be the same surface and overlap
// in any direction: the result is as if the source were read first (memmove).
void Copy(const Surface& dst, int32_t dx, int32_t dy, int32_t w, int32_t h, const Surface& src,
          int32_t sx, int32_t sy);
// BitBlt NOTSRCCOPY: the inverted source (all 32 bits). Overlap as Copy.
void CopyInverted(const Surface& dst, int32_t dx, int32_t dy, int32_t w, int32_t h,
                  const Surface& src, int32_t sx, int32_t sy);
// BitBlt BLACKNESS (0x00000000) / WHITENESS (0xFFFFFFFF).
void FillBlack(const Surface& dst, int32_t x, int32_t y, int32_t w, int32_t h);
void FillWhite(const Surface& dst, int32_t x, int32_t y, int32_t w, int32_t h);
// A solid colour (0x00RRGGBB as a surface pixel) — backgrounds and tests.
void Fill(const Surface& dst, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour);

// StretchBlt with COLORONCOLOR (nearest neighbour). Negative extents mirror.
// Destination pixel k of a span (counted from the origin in the direction of
// its extent) takes source pixel j (counted likewise) of S source pixels
// spread over D destination pixels:
//   enlarging or 1:1 (D >= S):   j = ((2k + 1) S - 1) \ 2D   (under the centre,
//                                 ties to the lower pixel)
//   shrinking columns (D < S):   j = ((2k + 2) S - D) \ 2D
//                                 except j = S - 2 when D = 1 and both widths
//                                 are positive
//   shrinking rows (D < S):      j = (2k S + D) \ 2D
// This is GDI's own choice of pixels, measured pixel for pixel. Clipping keeps
// this mapping: a destination pixel inside the destination surface whose source
// pixel lies inside the source surface is written, no other. (GDI agrees for
// every destination clip; where a mirrored or shrinking source rectangle
// reaches outside its surface, GDI clips it proportionally and shifts or
// repeats pixels at that edge, which we do not copy.) Source and destination
// may overlap (the source is then read first).
void StretchNearest(const Surface& dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh,
                    const Surface& src, int32_t sx, int32_t sy, int32_t sw, int32_t sh);

// The colour-keyed stretch: the source rectangle drawn scaled into the
// destination rectangle with the pixels StretchNearest chooses, except that a
// source pixel whose red, green and blue are all 0 leaves the destination as
// it was (a colour key from black to black). Nearest neighbour, not bilinear:
// a blended edge would mix the key colour into the text's outline and leave a
// dark fringe. Non-positive extents draw nothing.
void StretchKeyed(const Surface& dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh,
                  const Surface& src, int32_t sx, int32_t sy, int32_t sw, int32_t sh);

// AlphaBlend with a constant source alpha and no per-pixel alpha, on all four
// bytes: d = (d * (255 - a) + s * a) / 255 rounded to nearest (computed as
// t = d * (255 - a) + s * a + 128, (t + (t >> 8)) >> 8, which is exact). Alpha
// 255 is a stretch, alpha 0 does nothing. Source and destination extents may
// differ: the pixels StretchNearest chooses, except that a one-pixel-wide
// destination takes the last source column, as AlphaBlend does. As
// AlphaBlend, negative extents and a source rectangle not wholly inside the
// source surface draw nothing; the destination is clipped.
void BlendConstant(const Surface& dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh,
                   const Surface& src, int32_t sx, int32_t sy, int32_t sw, int32_t sh,
                   uint8_t alpha);

// Columns x .. x + n - 1 of every row of `dst` become `under`'s pixels with
// `over`'s blended on at alpha[i] for column x + i, with BlendConstant's
// arithmetic (0 keeps `under`, 255 takes `over`): what copying the columns
// from `under` and blending each from `over` does, in one pass down the rows
// instead of one down each column. The three surfaces are of one size
// (otherwise nothing is drawn); columns outside them are left out.
void BlendColumns(const Surface& dst, int32_t x, int32_t n, const uint8_t* alpha,
                  const Surface& under, const Surface& over);

// GetPixel: the pixel as 0x00BBGGRR (a COLORREF); 0xFFFFFFFF outside the surface.
inline constexpr uint32_t kInvalidColour = 0xFFFFFFFF;
uint32_t GetPixel(const Surface& src, int32_t x, int32_t y);

// A line from (x1, y1) to (x2, y2) in colour 0x00BBGGRR (X byte 0).
// Width 1 or less: GDI's one-pixel line, end point excluded (LineTo): one
// pixel per step along the major axis, the minor coordinate rounded to
// nearest with ties towards smaller coordinates, exactly as GDI.
// Wider: a round pen, approximated as every pixel whose centre lies closer
// than width / 2 to the segment (both ends included, centred half a pixel up
// and left for even widths). GDI builds its wide lines from polygons with
// rounded vertices; the two differ by about one pixel along the edges.
void DrawLine(const Surface& dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t pen_width,
              uint32_t colour);

// A captured pixel array: a copy of a surface (or a rectangle of it) taken
// once and drawn scaled many times (DrawDib of a 24-bit array).
struct PixelArray {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // BGRX, top row first
};
// The array has the requested size; pixels outside the surface are black.
// A non-positive or absurd size (more than 2^26 pixels) gives an empty array.
PixelArray Capture(const Surface& src, int32_t x, int32_t y, int32_t w, int32_t h);
// Draws the source rectangle of the array scaled into the destination
// rectangle, choosing pixels exactly as StretchNearest (which is what DrawDib
// draws onto a device context in COLORONCOLOR mode). Source coordinates count
// from the array's top row.
void DrawPixelArray(const Surface& dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh,
                    const PixelArray& array, int32_t sx, int32_t sy, int32_t sw, int32_t sh);

// The grey colour matrix: red, green and blue all become 0.35 * (R + G + B),
// clamped to 255; the X byte is kept. The imaging library applies colour
// matrices in fixed point with 8 fractional bits (0.35 becomes 90 / 256) and
// truncates, so the value is min(255, (90 * (R + G + B)) >> 8).
void ApplyGreyFilter(const Surface& dst);

}  // namespace lantern::imaging

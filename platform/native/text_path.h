// A text box's outlines in surface pixels, kept as FreeType outlines (26.6
// fixed point, y pointing up, so a surface row r is y = -r) ready for
// FreeType's rasteriser and stroker. Glyphs come from their faces unscaled
// and are scaled, slanted for synthetic italic and placed here; a point
// further than a few million pixels from the surface drops its glyph, so no
// size or metric a font file gives can overflow the rasteriser.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <vector>

#include "platform/native/text_shaping.h"
#include "platform/surface.h"

namespace lantern::platform::native {

// A box in surface pixels (right and bottom exclusive).
struct InkBox {
  double left = 0, top = 0, right = 0, bottom = 0;
  bool empty() const { return right <= left || bottom <= top; }
};

class TextPath {
 public:
  // Adds a glyph whose origin is at (x, y) on the surface, at `size` pixels to the em.
  void AddGlyph(const PlacedGlyph& glyph, double x, double y, double size);
  // Adds a rectangle (an underline or a strikeout).
  void AddRect(double left, double top, double right, double bottom);

  size_t count() const { return outlines_.size(); }
  // A view of outline i, valid while the path is unchanged.
  FT_Outline outline(size_t i) const;
  // The box the outlines' points lie in; empty when there are none.
  InkBox Bounds() const;

 private:
  struct Outline {
    std::vector<FT_Vector> points;
    std::vector<char> tags;
    std::vector<short> ends;
  };
  bool Place(double x, double y, FT_Vector& point);

  std::vector<Outline> outlines_;
};

// The rectangle of whole pixels holding a box widened by `margin` on each side.
Rect PixelsOf(const InkBox& box, double margin);

}  // namespace lantern::platform::native

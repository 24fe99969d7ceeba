// One line of text shaped into placed glyphs: runs of characters split by the
// face that has them (the primary face, else a fallback face for the
// character), each run shaped by HarfBuzz, the runs set one after another.
#pragma once

#include <string_view>
#include <vector>

#include "platform/native/font_library.h"

namespace lantern::platform::native {

struct PlacedGlyph {
  StyledFace face;
  uint32_t glyph = 0;
  double x = 0;  // pixels right of the line's start
  double y = 0;  // pixels below the baseline
};

struct ShapedLine {
  std::vector<PlacedGlyph> glyphs;  // control characters take room but draw nothing
  double advance = 0;               // pixels from the line's start to its end
};

// The line at `size` pixels to the em.
ShapedLine ShapeLine(FontLibrary& fonts, const FontRequest& request, std::string_view text,
                     double size);

// How much a face is widened when bold is synthesised, as a share of its em.
constexpr double kSyntheticBold = 1.0 / 24;

}  // namespace lantern::platform::native

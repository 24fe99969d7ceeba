// How much of each pixel of an area the text's outlines cover (0-255), from
// FreeType's anti-aliasing rasteriser: filled by the non-zero rule, or
// stroked with a pen of a width centred on the outlines (mitred joins cut at
// ten times the half width, as the Windows pen draws them). The coverage of
// separate outlines adds up, so glyphs that overlap are covered once.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <vector>

#include "platform/native/text_path.h"
#include "platform/surface.h"

namespace lantern::platform::native {

class Coverage {
 public:
  explicit Coverage(const Rect& area);
  const Rect& area() const { return area_; }
  // The coverage of the area's row y (a surface row inside the area).
  const uint8_t* Row(int32_t y) const {
    return cover_.data() + static_cast<size_t>(y - area_.top) * static_cast<size_t>(area_.width());
  }

  void Fill(FT_Library library, const TextPath& path);
  void Stroke(FT_Library library, const TextPath& path, double width);

 private:
  void Render(FT_Library library, FT_Outline& outline);
  static void AddSpans(int y, int count, const FT_Span* spans, void* user);

  Rect area_;
  std::vector<uint8_t> cover_;
};

}  // namespace lantern::platform::native

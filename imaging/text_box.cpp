// Text styles to text boxes.
#include "imaging/text_box.h"

namespace lantern::imaging {

platform::TextFill FillFor(const TextStyle& style, float left, float top, float width, float height,
                           const DecodedImage* texture) {
  using Kind = platform::TextFill::Kind;
  platform::TextFill fill;
  fill.argb1 = style.argb1;
  fill.argb2 = style.argb2;
  const int32_t p = style.pattern;
  if (p == 0) {
    fill.kind = Kind::kSolid;
  } else if (p == 2) {
    // Any decoded picture will do (the 12-byte rule is the item's, see
    // album::FindTexture), a single pixel included.
    if (texture != nullptr && !texture->empty()) {
      fill.kind = Kind::kTexture;
      fill.texture = texture;
    }
  } else if (p >= 4 && p <= 18 && p % 2 == 0) {
    fill.kind = Kind::kGradient;
    const bool halved = p >= 12;
    fill.gradient_mode = halved ? p / 2 - 6 : p / 2 - 2;
    fill.gradient_left = left;
    fill.gradient_top = top;
    fill.gradient_width = width;
    fill.gradient_height = height;
    if (halved) {  // half the box in the direction the gradient runs
      if (fill.gradient_mode != 1) fill.gradient_width = width / 2;
      if (fill.gradient_mode != 0) fill.gradient_height = height / 2;
    }
  }
  return fill;
}

void DrawTextBox(platform::TextRenderer& renderer, const platform::Surface& surface,
                 const std::string& text, const TextStyle& style, float left, float top,
                 float width, float height, const DecodedImage* texture) {
  platform::TextBox box;
  box.text = text;
  box.font_name = style.font_name;
  box.font_size = style.font_size;
  box.font_style = style.font_style;
  box.align = style.align;
  box.left = left;
  box.top = top;
  box.width = width;
  box.height = height;
  box.fill = FillFor(style, left, top, width, height, texture);
  box.border_width = style.no_border ? 0 : style.border_width;
  box.border_argb = style.border_argb;
  box.smooth = style.smooth;
  box.clear = style.clear;
  box.premultiplied = style.premultiplied;
  box.one_line = style.one_line;
  renderer.DrawTextBox(surface, box);
}

}  // namespace lantern::imaging

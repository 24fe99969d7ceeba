// The one text renderer of the program: captions, static titles and the
// building block of the text effects. It turns a text style (font, size,
// style bits, alignment 0-8, fill pattern, colours, border) into a text box
// for the platform, which draws the text as an outlined, filled path.
#pragma once

#include <string>

#include "imaging/decoded_image.h"
#include "platform/platform.h"

namespace lantern::imaging {

struct TextStyle {
  std::string font_name;
  float font_size = 12;    // pixels
  int32_t font_style = 0;  // 1 bold, 2 italic, 4 underline, 8 strikeout
  int32_t align = 0;       // 0-8
  float border_width = 0;
  // 0 solid argb1; 2 the texture; 4, 6, 8, 10 a gradient argb1 -> argb2 over
  // the box (horizontal, vertical, forward and backward diagonal); 12, 14, 16,
  // 18 the same over half the box, so it runs argb1 -> argb2 -> argb1; other
  // values leave the text unfilled.
  int32_t pattern = 0;
  bool no_border = false;
  uint32_t argb1 = 0xFFFFFFFF;
  uint32_t argb2 = 0xFFFFFFFF;
  uint32_t border_argb = 0xAA000000;
  bool smooth = true;
  bool clear = false;
  bool premultiplied = false;  // drawn into a layered window's layer
  bool one_line = false;       // never broken into lines (see platform::TextBox)
};

// The fill a pattern gives for a box at (left, top, width, height). A texture
// picture of under 12 bytes' worth counts as missing (outline only).
platform::TextFill FillFor(const TextStyle& style, float left, float top, float width, float height,
                           const DecodedImage* texture);

void DrawTextBox(platform::TextRenderer& renderer, const platform::Surface& surface,
                 const std::string& text, const TextStyle& style, float left, float top,
                 float width, float height, const DecodedImage* texture = nullptr);

}  // namespace lantern::imaging

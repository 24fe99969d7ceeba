// Text boxes as one block of lines: where a line may break, and where the
// block sits in its box. Both text backends lay out through these, each
// measuring with its own font engine, so a caption wraps the same way in the
// test backend as on Windows.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace lantern::platform {

// The width one line of text takes in the box's font.
using LineMeasure = std::function<float(const std::string& line)>;

// The lines of a text. Explicit breaks (LF or CR LF) always start a line; a
// line wider than `width` wraps. A line may break after a run of blanks
// (which the break swallows) and before or after a CJK character, never
// before closing or after opening punctuation; a word breaks between
// characters only when it is wider than the box on its own. A width of 0 or
// less means no wrapping.
std::vector<std::string> WrapLines(const std::string& text, float width,
                                   const LineMeasure& measure);

// The longest start of a text laid out as one line that is at most `limit`
// wide and at most `max_chars` characters long, and never less than its first
// character: its length in bytes (at a character boundary) and its measured
// width. The text, or its first
// `max_chars` characters, is measured first, so a text that fits costs one
// measurement; a longer one is cut by halving, in about log2(max_chars) more.
struct LineFit {
  size_t bytes = 0;
  float width = 0;
};
LineFit FitOneLine(std::string_view text, float limit, size_t max_chars,
                   const LineMeasure& measure);

// The top of a block `block_height` high, placed by the box's vertical
// alignment (align / 3: top, middle, bottom). A block taller than the box
// overflows it the same way: below when top-aligned, evenly when centred.
float BlockTop(const TextBox& box, float block_height);

}  // namespace lantern::platform

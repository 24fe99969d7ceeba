// Album texts cut to the boxes the dialogs show them in. A text of any
// length is shown as the lines that fit, and when some of it is left out the
// last line shown ends in an ellipsis, so the reader sees that there is more.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/text_layout.h"

namespace lantern::dialogs {

// The lines of `text` wrapped at `width` (the text boxes' wrapping rule), at
// most `max_lines` of them. When the text holds more, the last line is the
// longest start of the rest of its paragraph that fits with "…" after it
// (blanks before the ellipsis dropped). Only the start of a long text that could reach those
// lines is laid out, so the cost does not grow with the text's length;
// `em_pixels` is the font's size, which bounds how many characters a line
// can hold.
std::vector<std::string> FitLines(const std::string& text, float width, int32_t max_lines,
                                  float em_pixels, const platform::LineMeasure& measure);

}  // namespace lantern::dialogs

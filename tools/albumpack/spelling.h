// Finding the known name a mistyped one was meant to be, for messages such as
// "unknown key "titel"; did you mean "title"?".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lantern::albumpack {

// The number of single-character insertions, deletions and substitutions that
// turn one text into the other, ASCII letters compared without regard to case.
size_t EditDistance(std::string_view a, std::string_view b);

// The candidate closest to `name` (the first of equally close ones); empty when
// there are no candidates or the name is far longer than any known name.
std::string Nearest(std::string_view name, const std::vector<std::string>& candidates);

}  // namespace lantern::albumpack

// Finding the known name a mistyped one was meant to be, for messages such as
// "unknown key "titel"; did you mean "title"?". Only names valid at that place
// are offered, and only when one is close: a suggestion far from what was
// typed misleads more than none.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lantern::albumpack {

// The number of single-character insertions, deletions, substitutions and
// swaps of neighbours that turn one text into the other, ASCII letters
// compared without regard to case.
size_t EditDistance(std::string_view a, std::string_view b);

// The candidates closest to `name`, in their order, when they are close
// enough to be what was meant: the name is at most a quarter of its letters
// (at least one) away from the candidate or from one of its words joined by
// "_" ("colour" is close to "start_color"). Empty when none is.
std::vector<std::string> Suggestions(std::string_view name,
                                     const std::vector<std::string>& candidates);

// "a", "a or b", "a, b or c" (with `last` as the last joint), each in quotes
// when `quoted`.
std::string Alternatives(const std::vector<std::string>& names, bool quoted,
                         std::string_view last = " or ");

}  // namespace lantern::albumpack

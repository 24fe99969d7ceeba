// Edit distance over short names (keys of a manifest or of the settings).
#include "tools/albumpack/spelling.h"

#include <algorithm>
#include <cstdint>
#include <numeric>

#include "base/text.h"

namespace lantern::albumpack {

size_t EditDistance(std::string_view a, std::string_view b) {
  const std::string x = base::AsciiLower(a);
  const std::string y = base::AsciiLower(b);
  // One row of the table at a time: row[j] is the distance from x[0, i) to y[0, j).
  std::vector<size_t> row(y.size() + 1);
  std::iota(row.begin(), row.end(), size_t{0});
  for (size_t i = 1; i <= x.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= y.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (x[i - 1] == y[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[y.size()];
}

std::string Nearest(std::string_view name, const std::vector<std::string>& candidates) {
  // Known names are short; a long one is nothing like them, and the distance
  // costs its length times theirs.
  constexpr size_t kLongest = 64;
  std::string best;
  if (name.size() > kLongest) return best;
  size_t best_distance = SIZE_MAX;
  for (const std::string& candidate : candidates) {
    const size_t distance = EditDistance(name, candidate);
    if (distance < best_distance) {
      best = candidate;
      best_distance = distance;
    }
  }
  return best;
}

}  // namespace lantern::albumpack

// Edit distance over short names (keys of a manifest or of the settings).
#include "tools/albumpack/spelling.h"

#include <algorithm>
#include <cstdint>
#include <numeric>

#include "base/text.h"

namespace lantern::albumpack {

namespace {

// Known names are short; a long one is nothing like them, and the distance
// costs its length times theirs.
constexpr size_t kLongest = 64;

// Twice the distance from `name` to the candidate, or one more than twice
// the distance to its closest word: a whole name wins over an equally close word.
size_t Score(std::string_view name, std::string_view candidate) {
  size_t best = 2 * EditDistance(name, candidate);
  if (candidate.find('_') == std::string_view::npos) return best;
  for (size_t start = 0; start <= candidate.size();) {
    const size_t end = std::min(candidate.find('_', start), candidate.size());
    best = std::min(best, 2 * EditDistance(name, candidate.substr(start, end - start)) + 1);
    start = end + 1;
  }
  return best;
}

}  // namespace

size_t EditDistance(std::string_view a, std::string_view b) {
  const std::string x = base::AsciiLower(a);
  const std::string y = base::AsciiLower(b);
  // Three rows of the table: row[j] is the distance from x[0, i) to y[0, j),
  // `up` the row before it and `up2` the one before that (for swaps).
  std::vector<size_t> up2(y.size() + 1), up(y.size() + 1), row(y.size() + 1);
  std::iota(up.begin(), up.end(), size_t{0});
  for (size_t i = 1; i <= x.size(); ++i) {
    row[0] = i;
    for (size_t j = 1; j <= y.size(); ++j) {
      row[j] = std::min({up[j] + 1, row[j - 1] + 1, up[j - 1] + (x[i - 1] == y[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1])
        row[j] = std::min(row[j], up2[j - 2] + 1);
    }
    std::swap(up2, up);
    std::swap(up, row);
  }
  return up[y.size()];
}

std::vector<std::string> Suggestions(std::string_view name,
                                     const std::vector<std::string>& candidates) {
  std::vector<std::string> best;
  if (name.size() > kLongest) return best;
  size_t best_score = 2 * std::max<size_t>(1, name.size() / 4) + 1;
  for (const std::string& candidate : candidates) {
    const size_t score = Score(name, candidate);
    if (score < best_score) best.clear();
    if (score <= best_score) {
      best.push_back(candidate);
      best_score = score;
    }
  }
  return best;
}

std::string Alternatives(const std::vector<std::string>& names, bool quoted,
                         std::string_view last) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? std::string(last) : ", ";
    text += quoted ? "\"" + names[i] + "\"" : names[i];
  }
  return text;
}

}  // namespace lantern::albumpack

// Texts cut to their boxes, with an ellipsis where something is left out.
#include "dialogs/text_fit.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "base/text.h"

namespace lantern::dialogs {

namespace {

constexpr char kEllipsis[] = "\u2026";
// No character that shows is narrower than this share of an em, so a line
// of a box `width` wide holds at most width / (this * em) of them.
constexpr float kNarrowestEm = 0.1f;

// Where each character of `text` ends, in bytes.
std::vector<size_t> CharacterEnds(std::string_view text) {
  std::vector<size_t> ends;
  for (size_t i = 0; i < text.size();) {
    base::DecodeUtf8(text, i);
    ends.push_back(i);
  }
  return ends;
}

std::string WithoutTrailingBlanks(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.pop_back();
  return text;
}

// The longest start of `line` that fits in `width` with the ellipsis after
// it. Widths grow with the start, so a binary search over the characters
// finds it.
std::string CutWithEllipsis(const std::string& line, float width,
                            const platform::LineMeasure& measure) {
  const std::vector<size_t> ends = CharacterEnds(line);
  const auto with_ellipsis = [&](size_t characters) {
    const size_t bytes = characters == 0 ? 0 : ends[characters - 1];
    return WithoutTrailingBlanks(line.substr(0, bytes)) + kEllipsis;
  };
  size_t lo = 0, hi = ends.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo + 1) / 2;
    if (measure(with_ellipsis(mid)) <= width) {
      lo = mid;
    } else {
      hi = mid - 1;
    }
  }
  return with_ellipsis(lo);
}

// The start of `text` that can reach its first `lines` lines in a box
// `width` wide; `cut` tells whether anything was left out.
std::string_view Reachable(std::string_view text, float width, int32_t lines, float em_pixels,
                           bool& cut) {
  const double per_line = std::ceil(width / (kNarrowestEm * std::max(em_pixels, 1.0f))) + 1;
  const double budget = per_line * (lines + 1);
  size_t i = 0;
  for (double characters = 0; i < text.size() && characters < budget; ++characters)
    base::DecodeUtf8(text, i);
  cut = i < text.size();
  return text.substr(0, i);
}

// The rest of the paragraph in which the last of `lines` starts: the lines
// are slices of `text` in order.
std::string LastLineOnwards(std::string_view text, const std::vector<std::string>& lines) {
  size_t at = 0;
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    const size_t found = text.find(lines[i], at);
    if (found == std::string_view::npos) return lines.back();
    at = found + lines[i].size();
  }
  const size_t begin = text.find(lines.back(), at);
  if (begin == std::string_view::npos) return lines.back();
  size_t end = std::min(text.find('\n', begin), text.size());
  if (end > begin && text[end - 1] == '\r') --end;
  return std::string(text.substr(begin, end - begin));
}

}  // namespace

std::vector<std::string> FitLines(const std::string& text, float width, int32_t max_lines,
                                  float em_pixels, const platform::LineMeasure& measure) {
  if (max_lines < 1 || text.empty()) return {};
  bool cut = false;
  const std::string_view start = Reachable(text, width, max_lines, em_pixels, cut);
  std::vector<std::string> lines = platform::WrapLines(std::string(start), width, measure);
  if (lines.size() > static_cast<size_t>(max_lines)) {
    lines.resize(static_cast<size_t>(max_lines));
    cut = true;
  }
  // The last line takes as much of its paragraph as fits before the
  // ellipsis, rather than ending where the wrapping would have broken it.
  if (cut) lines.back() = CutWithEllipsis(LastLineOnwards(start, lines), width, measure);
  return lines;
}

}  // namespace lantern::dialogs

// Line breaking and block placement for text boxes.
#include "platform/text_layout.h"

#include <algorithm>
#include <string_view>

#include "base/text.h"

namespace lantern::platform {

namespace {

// One character of a line: its code point and its bytes in the line.
struct Glyph {
  char32_t cp;
  size_t begin;
  size_t end;
};

std::vector<Glyph> Glyphs(std::string_view line) {
  std::vector<Glyph> glyphs;
  for (size_t i = 0; i < line.size();) {
    const size_t begin = i;
    const char32_t cp = base::DecodeUtf8(line, i);
    glyphs.push_back({cp, begin, i});
  }
  return glyphs;
}

bool IsBlank(char32_t c) {
  return c == U' ' || c == U'\t' || c == 0x3000;  // ideographic space included
}

// Ideographs, kana, Hangul and full-width forms: text written without blanks,
// which may break between any two characters.
bool IsCjk(char32_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF);
}

// Combining marks and joiners belong to the character before them.
bool IsMark(char32_t c) {
  return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
         (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) ||
         (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xFE20 && c <= 0xFE2F) || c == 0x200C || c == 0x200D;
}

// Punctuation that never starts a line.
bool Closes(char32_t c) {
  static constexpr std::u32string_view kClosing =
      U")]}.,;:!?%\u3001\u3002\uFF0C\uFF0E\uFF1A\uFF1B\uFF1F\uFF01\uFF09\u300D\u300F\u3011"
      U"\u3009\u300B\u3015\u201D\u2019\u30FC\u3005\u2026\u30FB";
  return kClosing.find(c) != std::u32string_view::npos;
}

// Punctuation that never ends a line.
bool Opens(char32_t c) {
  static constexpr std::u32string_view kOpening =
      U"([{\uFF08\u300C\u300E\u3010\u3008\u300A\u3014\u201C\u2018";
  return kOpening.find(c) != std::u32string_view::npos;
}

// Whether a line may start at glyph k (0 < k < size).
bool BreaksBefore(const std::vector<Glyph>& g, size_t k) {
  const char32_t before = g[k - 1].cp;
  const char32_t here = g[k].cp;
  if (IsBlank(here)) return false;  // after the blanks, never among them
  if (IsBlank(before)) return true;
  if (IsMark(here) || Closes(here) || Opens(before)) return false;
  return IsCjk(before) || IsCjk(here);
}

// One paragraph (a line between explicit breaks) broken into lines.
class Wrapper {
 public:
  Wrapper(std::string_view text, float width, const LineMeasure& measure)
      : text_(text), g_(Glyphs(text)), width_(width), measure_(measure) {}

  void Run(std::vector<std::string>& out) {
    const size_t text_end = TrimmedEnd(0, g_.size());
    size_t start = 0;
    for (;;) {
      const size_t end = std::max(start, text_end);
      // The whole paragraph is measured once; after that only runs about a
      // line long are, so a long text costs time in proportion to its length.
      if (start == end || (start == 0 && Fits(start, end))) {
        out.push_back(Slice(start, end));
        return;
      }
      const size_t fit = LongestFit(start, end);
      const size_t next = fit >= end ? g_.size() : NextBreak(start, fit);
      out.push_back(Slice(start, TrimmedEnd(start, next)));
      start = SkipBlanks(next);
      if (start == g_.size()) return;
    }
  }

 private:
  // Where the line that starts at `start` ends, given that the characters up
  // to `fit` fit: the furthest break whose line fits, else `fit` itself (a
  // word wider than the box breaks between characters, a mark staying with
  // its letter).
  size_t NextBreak(size_t start, size_t fit) const {
    size_t best = 0;
    bool text = false;  // a character other than a blank before k
    // Breaks up to `fit`, and past it only across blanks (which the break
    // swallows): one pass, however long a run of blanks.
    for (size_t k = start + 1; k < g_.size(); ++k) {
      const bool blank = IsBlank(g_[k - 1].cp);
      if (k > fit && !blank) break;
      text = text || !blank;
      // Blanks alone (a paragraph's leading ones) make no line.
      if (text && BreaksBefore(g_, k)) best = k;
    }
    if (best != 0) return best;
    const size_t first = SkipBlanks(start) + 1;
    size_t at = fit;
    while (at > first && at < g_.size() && IsMark(g_[at].cp))
      --at;
    return at;
  }

  // The end of the longest run of characters from `start` that fits, at
  // most `end`: the paragraph's leading blanks and one character always
  // count as fitting. Widths grow with the run, so doubling steps and then
  // halving ones find it with runs at most twice the answer.
  size_t LongestFit(size_t start, size_t end) const {
    size_t lo = SkipBlanks(start) + 1;
    size_t step = 1;
    while (lo + step <= end && Fits(start, lo + step)) {
      lo += step;
      step *= 2;
    }
    size_t hi = std::min(end, lo + step - 1);
    while (lo < hi) {
      const size_t mid = lo + (hi - lo + 1) / 2;
      if (Fits(start, mid)) {
        lo = mid;
      } else {
        hi = mid - 1;
      }
    }
    return lo;
  }

  size_t TrimmedEnd(size_t start, size_t end) const {
    while (end > start && IsBlank(g_[end - 1].cp))
      --end;
    return end;
  }

  size_t SkipBlanks(size_t k) const {
    while (k < g_.size() && IsBlank(g_[k].cp))
      ++k;
    return k;
  }

  std::string Slice(size_t start, size_t end) const {
    if (start >= end) return {};
    return std::string(text_.substr(g_[start].begin, g_[end - 1].end - g_[start].begin));
  }

  bool Fits(size_t start, size_t end) const { return measure_(Slice(start, end)) <= width_; }

  std::string_view text_;
  std::vector<Glyph> g_;
  float width_;
  const LineMeasure& measure_;
};

}  // namespace

std::vector<std::string> WrapLines(const std::string& text, float width,
                                   const LineMeasure& measure) {
  std::vector<std::string> lines;
  size_t begin = 0;
  for (;;) {
    const size_t lf = text.find('\n', begin);
    size_t end = lf == std::string::npos ? text.size() : lf;
    if (end > begin && text[end - 1] == '\r' && lf != std::string::npos) --end;
    const std::string_view paragraph = std::string_view(text).substr(begin, end - begin);
    if (width > 0) {
      Wrapper(paragraph, width, measure).Run(lines);
    } else {
      lines.emplace_back(paragraph);
    }
    if (lf == std::string::npos) return lines;
    begin = lf + 1;
  }
}

LineFit FitOneLine(std::string_view text, float limit, size_t max_chars,
                   const LineMeasure& measure) {
  std::vector<size_t> ends;  // the byte after each character, up to max_chars of them
  for (size_t i = 0; i < text.size() && ends.size() < max_chars;) {
    base::DecodeUtf8(text, i);
    ends.push_back(i);
  }
  LineFit fit;
  size_t fits = 0;            // the start of this many characters fits
  size_t over = ends.size();  // and of this many (if below the whole) does not
  const auto probe = [&](size_t chars) {
    const float w = measure(std::string(text.substr(0, ends[chars - 1])));
    if (w <= limit) {
      fits = chars;
      fit = {ends[chars - 1], w};
    } else {
      over = chars;
    }
    return w;
  };
  if (ends.empty()) return fit;
  const float whole = probe(ends.size());
  if (whole <= limit) return fit;
  // A first guess in proportion to the width (right for characters of one
  // width), then steps doubling away from it while they land inside the
  // bracket, then halving.
  size_t next = whole > 0 && limit > 0
                    ? static_cast<size_t>(static_cast<double>(ends.size()) * limit / whole)
                    : 0;
  size_t step = 1;
  while (over - fits > 1) {  // the probes move the bracket
    const size_t chars = next > fits && next < over ? next : fits + (over - fits) / 2;
    next = probe(chars) <= limit ? chars + step : chars - std::min(chars, step);
    step *= 2;
  }
  // The first character is kept however wide: part of it shows.
  if (fits == 0) fit = {ends[0], measure(std::string(text.substr(0, ends[0])))};
  return fit;
}

float BlockTop(const TextBox& box, float block_height) {
  const int32_t vertical = box.align / 3 % 3;
  const float free = box.height - block_height;
  return box.top + (vertical == 0 ? 0 : vertical == 1 ? free / 2 : free);
}

}  // namespace lantern::platform

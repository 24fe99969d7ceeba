// Text boxes laid out as one block: where lines break, that nothing is lost,
// and where the test backend puts the block in its box.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/fake/fake_text.h"
#include "platform/surface.h"
#include "platform/text_layout.h"

namespace lantern::platform {
namespace {

// One unit per character, as the test backend measures.
float Characters(const std::string& line) {
  return static_cast<float>(base::Utf8ToUtf16(line).size());
}

std::vector<std::string> Wrap(const std::string& text, float width) {
  return WrapLines(text, width, Characters);
}

using Lines = std::vector<std::string>;

TEST(TextLayout, BreaksBetweenWordsCharactersOfCjkAndInsideOnlyOverlongWords) {
  EXPECT_EQ(Wrap("the quick brown fox", 10), (Lines{"the quick", "brown fox"}));
  EXPECT_EQ(Wrap("the quick brown fox", 9), (Lines{"the quick", "brown fox"}));
  EXPECT_EQ(Wrap("the quick brown fox", 8), (Lines{"the", "quick", "brown", "fox"}));
  // A word alone wider than the box breaks between characters; the rest of
  // the line then continues as usual.
  EXPECT_EQ(Wrap("abcdefghij xy", 4), (Lines{"abcd", "efgh", "ij", "xy"}));
  EXPECT_EQ(Wrap("电子相册很好看", 3), (Lines{"电子相", "册很好", "看"}));
  // Latin words inside CJK text stay whole; CJK breaks on either side of them.
  EXPECT_EQ(Wrap("我的photo相册", 6), (Lines{"我的", "photo相", "册"}));
  // Closing punctuation stays with the character before it, opening with the one after.
  EXPECT_EQ(Wrap("你好。世界", 2), (Lines{"你", "好。", "世界"}));
  EXPECT_EQ(Wrap("看「书」", 3), (Lines{"看", "「书」"}));
  // Explicit breaks are kept, empty lines included; blanks at a break are swallowed.
  EXPECT_EQ(Wrap("one two\r\n\nthree   four", 6), (Lines{"one", "two", "", "three", "four"}));
  // Combining marks stay with their letter even inside a broken word.
  EXPECT_EQ(Wrap("abe\u0301cd", 3), (Lines{"ab", "e\u0301c", "d"}));
  // No width: explicit breaks only.
  EXPECT_EQ(Wrap("a long line\nnext", 0), (Lines{"a long line", "next"}));
  // A box narrower than one character still shows every character.
  EXPECT_EQ(Wrap("ab", 0.5f), (Lines{"a", "b"}));
}

std::string WithoutBlanks(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != ' ' && c != '\n' && c != '\r') out += c;
  return out;
}

// Over a catalogue of texts and widths: every line fits (or holds a single
// character after the paragraph's leading blanks), no line ends with a blank,
// and every character survives in order.
TEST(TextLayout, EveryLineFitsAndNothingIsLost) {
  const std::vector<std::string> texts = {
      "Summer at the lake with the whole family, the day before we left",
      "电子相册 Lantern 的第一张照片，湖边的夏天。",
      "supercalifragilisticexpialidocious and more",
      "  leading blanks kept\r\ntrailing   \n\n  ",
      "a b c d e f g h i j k l m n o p",
  };
  for (const std::string& text : texts) {
    for (float width = 1; width <= 30; width += 1.5f) {
      SCOPED_TRACE(text + " @ " + std::to_string(width));
      const Lines lines = Wrap(text, width);
      std::string joined;
      for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        EXPECT_TRUE(Characters(line) <= width || Characters(WithoutBlanks(line)) == 1) << line;
        EXPECT_TRUE(line.empty() || line.back() != ' ') << line;
        joined += line;
      }
      EXPECT_EQ(WithoutBlanks(joined), WithoutBlanks(text));
    }
  }
}

// A long text is measured in runs about a line long, so the work grows with
// its length and not with its square (the system's measurement is slow).
TEST(TextLayout, LongTextsAreMeasuredInRunsAboutALineLong) {
  for (const std::string unit : {"x", "字", "ab "}) {
    std::string text;
    while (text.size() < 30'000)
      text += unit;
    size_t measured = 0;
    const Lines lines = WrapLines(text, 10, [&](const std::string& line) {
      measured += line.size();
      return Characters(line);
    });
    EXPECT_GE(lines.size(), 1000u);
    EXPECT_LT(measured, 10 * text.size()) << unit;
  }
}

// A run of blanks is crossed once, however long: a break swallows it. Where
// every step looked back over the run, 300,000 blanks took minutes.
TEST(TextLayout, LongRunsOfBlanksAreCrossedOnce) {
  const std::string run(300'000, ' ');
  EXPECT_EQ(Wrap("a" + run + "b", 10), (Lines{"a", "b"}));
  std::string words;
  for (int i = 0; i < 2000; ++i)
    words += "ab ";
  const Lines lines = Wrap(words + run, 10);
  EXPECT_EQ(lines.size(), 2000u / 3 + 1);
  EXPECT_EQ(lines.back(), "ab ab");
}

// One line cut to a width: a text that fits is measured once; a longer one
// is cut between characters (at most max_chars of them, never fewer than
// one), each measurement of at most max_chars characters.
TEST(TextLayout, OneLineIsCutToItsWidthWithAFewMeasurements) {
  struct Case {
    std::string text;
    float limit;
    size_t max_chars;
    std::string kept;
    int most_measurements;
  };
  const std::string long_line = std::string(3000, 'W') + " " + std::string(2000, 'x');
  const std::vector<Case> cases{
      {"short", 10, 100, "short", 1},
      {"", 10, 100, "", 0},
      {long_line, 200, 200, std::string(200, 'W'), 1},  // cut at max_chars: fits
      {long_line, 200, 800, std::string(200, 'W'), 3},  // in proportion, and one more
      {"\xE7\x9B\xB8\xE7\x9B\xB8"
       "abc",
       2.5f, 10, "\xE7\x9B\xB8\xE7\x9B\xB8", 3},
      {"abc", 0.5f, 10, "a", 4},  // the first character stays
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 20) + " @ " + std::to_string(c.limit));
    int measurements = 0;
    size_t longest = 0;
    const LineFit fit = FitOneLine(c.text, c.limit, c.max_chars, [&](const std::string& line) {
      ++measurements;
      longest = std::max(longest, line.size());
      return Characters(line);
    });
    EXPECT_EQ(c.text.substr(0, fit.bytes), c.kept);
    EXPECT_EQ(fit.width, Characters(c.kept));
    EXPECT_LE(measurements, c.most_measurements);
    EXPECT_LE(longest, c.max_chars * 3);
  }
  // Characters of every width: still about log2(max_chars) measurements.
  std::string mixed;
  for (int i = 0; i < 5000; ++i)
    mixed += i % 7 == 0 ? "\xE7\x9B\xB8" : "a";
  int measurements = 0;
  const auto by_bytes = [&](const std::string& line) {
    ++measurements;
    return static_cast<float>(line.size());
  };
  const LineFit fit = FitOneLine(mixed, 1000, 4000, by_bytes);
  EXPECT_LE(measurements, 1 + 2 * 12);
  EXPECT_LE(fit.width, 1000);
  EXPECT_GT(fit.bytes + (mixed[fit.bytes] == 'a' ? 1 : 3), 1000u);  // the next one is over
}

// The test backend draws a long caption as a centred block of wrapped lines,
// every character inside the box.
TEST(TextLayout, FakeBackendCentresTheWrappedBlockInsideTheBox) {
  fake::FakeTextRenderer text;
  std::vector<uint32_t> pixels(200 * 200, 0);
  const Surface s{reinterpret_cast<uint8_t*>(pixels.data()), 200, 200, 200 * 4};
  TextBox box;
  box.text = "one two three four five six";  // 27 characters
  box.font_size = 20;                        // cells 10 x 20
  box.align = 4;
  box.left = 20, box.top = 30, box.width = 100, box.height = 140;
  box.fill.kind = TextFill::Kind::kSolid;
  box.fill.argb1 = 0xFFFFFFFF;
  text.DrawTextBox(s, box);
  // "one two", "three four", "five six": three lines of 20 px, centred in 140.
  std::vector<int32_t> cells_per_row;
  int32_t first = -1, last = -1;
  for (int32_t y = 0; y < s.height; ++y) {
    for (int32_t x = 0; x < s.width; ++x) {
      if (s.Row(y)[x] == 0) continue;
      EXPECT_TRUE(x >= 20 && x < 120 && y >= 30 && y < 170) << x << "," << y;
      if (first < 0) first = y;
      last = y;
    }
  }
  EXPECT_EQ(first, 30 + (140 - 60) / 2 + 1);
  EXPECT_EQ(last, 30 + (140 - 60) / 2 + 60 - 2);
  // Each line is drawn whole: count the cells along the middle of each line.
  for (const auto& [y, cells] : {std::pair{80, 7}, {100, 10}, {120, 8}}) {
    int32_t runs = 0;
    for (int32_t x = 1; x < s.width; ++x)
      if (s.Row(y)[x] != 0 && s.Row(y)[x - 1] == 0) ++runs;
    EXPECT_EQ(runs, cells) << "line at " << y;
  }
}

}  // namespace
}  // namespace lantern::platform

// The generator, the rounding helpers and the text conversions.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "base/rnd.h"
#include "base/rounding.h"
#include "base/text.h"

namespace lantern::base {
namespace {

TEST(Rnd, FirstDrawsFromTheInitialState) {
  Rnd rnd;
  EXPECT_EQ(rnd.Next(), 0.7055475f);
  EXPECT_EQ(rnd.Next(), 0.533424f);
  EXPECT_EQ(rnd.Next(), 0.5795186f);
}

// Albums are unscrambled with this exact sequence.
TEST(Rnd, NegativeSeedGivesTheScramblingSequence) {
  Rnd rnd;
  rnd.Next();  // the reseed must not depend on earlier draws
  rnd.Draw(-604160.0f);
  const std::vector<int> expected{124, 5,   30,  41,  181, 252, 146, 252,
                                  234, 144, 125, 133, 180, 70,  97,  14};
  for (int want : expected)
    EXPECT_EQ(static_cast<int>(rnd.Next() * 256), want);
}

TEST(Rnd, DrawZeroRepeatsAndPositiveAdvances) {
  Rnd a;
  Rnd b;
  const float first = a.Draw(1.0f);
  EXPECT_EQ(first, b.Next());
  EXPECT_EQ(a.Draw(0.0f), first);
  EXPECT_EQ(a.Draw(5.0f), b.Next());
}

TEST(Rnd, ValuesStayBelowOne) {
  Rnd rnd;
  for (int i = 0; i < 1 << 24; ++i) {
    const float v = rnd.Next();
    ASSERT_GE(v, 0.0f);
    ASSERT_LT(v, 1.0f);
  }
  // The generator has full period 2^24: after that many draws it is back at the start.
  EXPECT_EQ(rnd.state(), Rnd::kInitialState);
}

TEST(Rnd, ReseedKeepsTheLowByteAndChangesWithTheSeed) {
  Rnd a;
  Rnd b;
  a.set_state(0x1234AB);
  b.set_state(0x1234AB);
  a.Reseed(52'507.25);
  b.Reseed(52'508.5);
  EXPECT_EQ(a.state() & 0xFF, 0xABu);
  EXPECT_NE(a.state(), b.state());
  Rnd c;
  c.set_state(0x1234AB);
  c.Reseed(52'507.25);
  EXPECT_EQ(a.state(), c.state());
}

TEST(Rounding, RoundHalvesToEven) {
  const double inputs[] = {0.5, 1.5, 2.5, -0.5, -1.5, 2.4999, 2.5001, -2.7, 1e9 + 0.5};
  const int64_t expected[] = {0, 2, 2, 0, -2, 2, 3, -3, 1'000'000'000};
  for (size_t i = 0; i < std::size(inputs); ++i) {
    EXPECT_EQ(Round(inputs[i]), expected[i]) << inputs[i];
  }
}

// The 32-bit forms take a faster path inside the range: the same answers as
// the general forms there, at the range's edges and for halves near them.
TEST(Rounding, ThirtyTwoBitFormsAgreeWithTheGeneralOnes) {
  const double inputs[] = {0.5,          1.5,           -0.5,           -1.5,          2.5,
                           -2.5,         0.49999999999, -0.49999999999, 1e9 + 0.5,     -1e9 - 0.5,
                           2147483646.5, -2147483647.5, 2147483646.0,   -2147483647.0, -3.0,
                           -2.3,         2.7,           -0.0,           1e-300,        -1e-300};
  for (const double x : inputs) {
    EXPECT_EQ(Round32(x), static_cast<int32_t>(Round(x))) << x;
    EXPECT_EQ(Int32(x), static_cast<int32_t>(Int(x))) << x;
  }
  base::Rnd rnd;
  for (int i = 0; i < 100000; ++i) {
    const double x = (static_cast<double>(rnd.Next()) - 0.5) * 8000.0;
    const double half = std::floor(x) + 0.5;
    for (const double v : {x, half}) {
      ASSERT_EQ(Round32(v), static_cast<int32_t>(Round(v))) << v;
      ASSERT_EQ(Int32(v), static_cast<int32_t>(Int(v))) << v;
    }
  }
}

TEST(Rounding, IntIsFloorAndDivisionTruncates) {
  EXPECT_EQ(Int(2.7), 2);
  EXPECT_EQ(Int(-2.3), -3);
  EXPECT_EQ(Int(-3.0), -3);
  EXPECT_EQ(IntDiv(int64_t{7}, int64_t{2}), 3);
  EXPECT_EQ(IntDiv(int64_t{-7}, int64_t{2}), -3);
  EXPECT_EQ(IntDivRounded(7.5, 2.0), 4);  // 7.5 rounds to 8
  EXPECT_EQ(IntDivRounded(6.5, 2.4), 3);  // 6 \ 2
}

TEST(Text, RoundTripsChineseAndAstralCharacters) {
  const std::string text = "Lantern 电子相册 \xF0\x9F\x8E\xB5";
  const std::u16string wide = Utf8ToUtf16(text);
  EXPECT_EQ(wide.size(), 8u + 4u + 1u + 2u);
  EXPECT_EQ(wide[8], u'电');
  EXPECT_EQ(Utf16ToUtf8(wide), text);
}

TEST(Text, IllFormedInputBecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToUtf16("a\xFF"
                        "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xE4\xB8"), u"\uFFFD\uFFFD");            // cut short
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");            // overlong
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");
  EXPECT_EQ(AsciiUpper("/uninstall é"), "/UNINSTALL é");
}

}  // namespace
}  // namespace lantern::base

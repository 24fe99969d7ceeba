// The blended and pixel-displacement transitions on the fake backend: soft
// edges and fades frame by frame against the exact constant-alpha blend, the
// phases of FilmStrip and NegativeFlash and the closing steps after a flag,
// the reduced copies of Ripple and PixelScatter and their reproducibility.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "base/rounding.h"
#include "tests/unit/transitions_test_support.h"

namespace lantern::transitions::testing {
namespace {

// `over` blended onto `under` at alpha, each byte rounded to nearest (255 is
// odd, so there are no ties).
uint32_t Mixed(uint32_t under, uint32_t over, int32_t alpha) {
  const auto a = static_cast<uint32_t>(alpha);
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t u = (under >> shift) & 0xFF, o = (over >> shift) & 0xFF;
    out |= ((u * (255 - a) + o * a + 127) / 255) << shift;
  }
  return out;
}

// How many pixels of PicDst differ from want(x, y).
int32_t Wrong(const Stage& stage, const std::function<uint32_t(int32_t, int32_t)>& want) {
  return CountDiffering(stage.dst, want);
}

// Old and new mixed at alpha(position across the front: the row or column).
int32_t WrongAcross(const Stage& stage, bool rows, const std::function<int32_t(int32_t)>& alpha) {
  return Wrong(stage, [&](int32_t x, int32_t y) {
    return Mixed(OldPixel(x, y), NewPixel(x, y), alpha(rows ? y : x));
  });
}

// The alpha at position i of a soft-edged front at f moving towards `sign`:
// new at and behind the front, 13 two-pixel strips of 255, 235, ..., 15
// ahead of it, old beyond.
int32_t FrontAlpha(int32_t i, int32_t f, int32_t sign) {
  const int32_t ahead = sign > 0 ? i - f - 2 : f - 1 - i;
  if (ahead < 0) return 255;
  return ahead / 2 <= 12 ? 255 - 20 * (ahead / 2) : 0;
}

TEST(SoftFronts, EveryFrameIsNewBehindTheFrontThirteenStripsAheadAndOldBeyond) {
  const int32_t W = 200, H = 150;
  for (int32_t dir = 0; dir < 4; ++dir) {
    SCOPED_TRACE("SoftWipe dir " + std::to_string(dir));
    Stage stage(W, H);
    stage.catalogue.context().waits = false;
    const int32_t sign = dir <= 1 ? 1 : -1;
    const int32_t first = sign > 0 ? -20 : base::Round32(W / 2.0 + 20);
    stage.Run(2, dir, [&](int32_t frame) {
      const int32_t f = 2 * (first + 2 * sign * (frame - 1));
      ASSERT_EQ(WrongAcross(stage, dir % 2 == 1, [&](int32_t i) { return FrontAlpha(i, f, sign); }),
                0)
          << "frame " << frame;
    });
  }
  for (int32_t dir = 0; dir < 2; ++dir) {
    SCOPED_TRACE("SoftSplit dir " + std::to_string(dir));
    Stage stage(W, H);
    stage.catalogue.context().waits = false;
    const int32_t t0 = base::Round32((dir != 0 ? H : W) / 4.0 + 1);
    stage.Run(3, dir, [&](int32_t frame) {
      const int32_t t = t0 - 2 * (frame - 1), f = 2 * t, g = 2 * (2 * t0 - t);
      const auto alpha = [&](int32_t i) {
        return i < f ? FrontAlpha(i, f, -1) : i >= g + 2 ? FrontAlpha(i, g, 1) : 255;
      };
      ASSERT_EQ(WrongAcross(stage, dir != 0, alpha), 0) << "frame " << frame;
    });
  }
}

TEST(SoftWipe, DownwardsTheFrontLeavesThe768RowsBeforeItsRangeFromTheWidthEnds) {
  Stage stage(1024, 768);
  const int64_t start = stage.fake.now_ticks();
  int32_t complete_at = 0, changed_after = 0;
  uint64_t last = 0;
  const int32_t frames = stage.Run(2, 1, [&](int32_t frame) {
    const uint64_t sum = Checksum(stage.dst);
    if (complete_at != 0 && sum != last) ++changed_after;
    if (complete_at == 0 && Wrong(stage, NewPixel) == 0) complete_at = frame;
    last = sum;
  });
  EXPECT_EQ(frames, 267);       // f = -40, -36, ..., 1024
  EXPECT_EQ(complete_at, 202);  // f = 764: rows 766-767 are the last strip, at alpha 255
  EXPECT_EQ(changed_after, 0);
  const double ms = ElapsedMs(stage, start);
  EXPECT_NEAR(ms, 1500, 1500.0 / frames + 1);
}

TEST(CrossFade, FrameKIsTheOldSlideWithTheNewBlendedOnAtFiveK) {
  Stage stage(64, 48);
  stage.catalogue.context().waits = false;
  const int32_t frames = stage.Run(30, 0, [&](int32_t frame) {
    ASSERT_EQ(
        Wrong(stage, [&](int32_t x,
                         int32_t y) { return Mixed(OldPixel(x, y), NewPixel(x, y), 5 * frame); }),
        0)
        << "frame " << frame;
  });
  EXPECT_EQ(frames, 51);  // the last, at 255, is the new slide exactly
}

TEST(FilmStrip, SlidesWStepsOfOnePixelOnXpAndHalfAsManyOfTwoLater) {
  struct Case {
    int32_t version, w, slide_steps;
  };
  for (const Case c :
       {Case{5, 320, 320}, Case{0, 321, 321}, Case{7, 320, 160}, Case{6, 321, 161}}) {
    Stage stage(c.w, 240, c.version);
    stage.catalogue.context().waits = false;
    EXPECT_EQ(stage.Run(29, 0), 7 + c.slide_steps + 7) << c.version << " " << c.w;
  }
}

// A slide as a film frame at 400 x 300: bands 30 rows and 20 columns, holes
// of 16 at x = 16 + 32 j, rows 7-22 and 277-292.
uint32_t Framed(uint32_t (*slide)(int32_t, int32_t), int32_t x, int32_t y) {
  const bool hole_x = x >= 16 && x < 384 && (x - 16) % 32 < 16;
  if (hole_x && ((y >= 7 && y < 23) || (y >= 277 && y < 293))) return 0xFFFFFFFF;
  if (y < 30 || y >= 270 || x < 20 || x >= 380) return 0;
  return slide(x, y);
}

TEST(FilmStrip, TheOldSlideFadesIntoAFilmFrameThatSlidesRightBeforeTheNewOne) {
  for (const int32_t version : {5, 7}) {
    Stage stage(400, 300, version);
    stage.catalogue.context().waits = false;
    const int32_t s = version == 5 ? 1 : 2;
    stage.Run(29, 0, [&](int32_t frame) {
      int32_t wrong = 0;
      if (frame == 1) {
        wrong = Wrong(stage, [&](int32_t x, int32_t y) {
          return Mixed(OldPixel(x, y), Framed(OldPixel, x, y), 15);
        });
      }
      if (frame == 7)
        wrong = Wrong(stage, [](int32_t x, int32_t y) { return Framed(OldPixel, x, y); });
      // Slide step y: the new film's last y columns, then the old film moved
      // right; with 2-pixel steps the old film's column 1 stayed at the first
      // step and travels at its left edge.
      const int32_t y = 1 + (frame - 8) * s;
      if (frame >= 8 && y <= 400 && frame % 7 == 0) {
        wrong = Wrong(stage, [&](int32_t x, int32_t row) {
          if (x < y) return Framed(NewPixel, 400 - y + x, row);
          if (s == 1) return Framed(OldPixel, x - y, row);
          return Framed(OldPixel, x == y ? 1 : x - y - 1, row);
        });
      }
      EXPECT_EQ(wrong, 0) << "class " << version << " frame " << frame;
    });
  }
}

TEST(NegativeFlash, FadesToTheGreyNegativeThenToWhiteThenToTheNewSlide) {
  Stage stage(64, 48);
  stage.catalogue.context().waits = false;
  const auto grey = [](int32_t x, int32_t y) {
    const uint32_t n = ~OldPixel(x, y);
    const uint32_t v =
        std::min(255u, (90 * ((n & 0xFF) + ((n >> 8) & 0xFF) + ((n >> 16) & 0xFF))) >> 8);
    return (n & 0xFF000000) | v << 16 | v << 8 | v;
  };
  const auto white = [](int32_t, int32_t) { return 0xFFFFFFFFu; };
  const int32_t frames = stage.Run(34, 0, [&](int32_t frame) {
    int32_t wrong = 0;
    if (frame == 1) wrong = Wrong(stage, OldPixel);
    if (frame == 27)  // alpha 125
      wrong = Wrong(stage,
                    [&](int32_t x, int32_t y) { return Mixed(grey(x, y), OldPixel(x, y), 125); });
    if (frame == 52) wrong = Wrong(stage, grey);
    if (frame == 104 || frame == 105) wrong = Wrong(stage, white);
    if (frame == 156) wrong = Wrong(stage, NewPixel);
    EXPECT_EQ(wrong, 0) << "frame " << frame;
  });
  EXPECT_EQ(frames, 156);
}

TEST(TransitionInterruption, AfterAFlagTheClosingStepsOfTheFadesAndDisplacementsStillRun) {
  // FilmStrip and NegativeFlash: a flag in phase 1 lets each later phase draw
  // one frame, at once; PicSource is restored, P5 cleared.
  for (const int32_t number : {29, 34}) {
    Stage stage(320, 240);
    int64_t flagged = 0;
    const int32_t frames = stage.Run(number, 0, [&](int32_t frame) {
      if (frame == 3) flagged = stage.fake.now_ticks();
      stage.state.NextRequested = frame >= 3;
    });
    EXPECT_EQ(frames, 5) << number;
    ASSERT_GT(flagged, 0) << number;
    EXPECT_LT(ElapsedMs(stage, flagged), 5) << number;
    for (int32_t y = 0; y < 240; ++y)
      for (int32_t x = 0; x < 320; ++x) {
        ASSERT_EQ(stage.source.at(x, y), NewPixel(x, y)) << number;
        if (number == 34) {
          ASSERT_EQ(stage.p5.at(x, y), 0u);
        }
      }
  }
  // Ripple and PixelScatter end their frames and still show the new slide
  // and clear P5.
  for (const int32_t number : {13, 40}) {
    Stage stage(320, 240);
    const int32_t frames =
        stage.Run(number, 0, [&](int32_t frame) { stage.state.ShowPaused = frame == 3; });
    EXPECT_EQ(frames, 3) << number;
    EXPECT_EQ(Wrong(stage, NewPixel), 0) << number;
    EXPECT_EQ(stage.p5.at(0, 0) | stage.p5.at(319, 239) | stage.p5.at(100, 100), 0u) << number;
  }
}

// How many k x k blocks of PicDst (aligned to the origin) are not one colour.
int32_t MixedBlocks(const Stage& stage, int32_t k) {
  int32_t mixed = 0;
  const platform::Surface& s = stage.dst.surface();
  for (int32_t by = 0; by + k <= s.height; by += k)
    for (int32_t bx = 0; bx + k <= s.width; bx += k) {
      bool one = true;
      for (int32_t y = by; y < by + k; ++y)
        for (int32_t x = bx; x < bx + k; ++x)
          one = one && stage.dst.at(x, y) == stage.dst.at(bx, by);
      mixed += !one;
    }
  return mixed;
}

TEST(Displacement, FramesComeFromAHalfSizeCopyUpTo800PixelsWideAndAQuarterSizeAbove) {
  struct Case {
    int32_t w, h, k;
  };
  for (const Case c : {Case{1024, 768, 4}, Case{800, 600, 2}}) {
    for (const int32_t number : {13, 40}) {
      Stage stage(c.w, c.h);
      stage.catalogue.context().waits = false;
      stage.Run(number, 0, [&](int32_t frame) {
        if (frame != 12) return;
        EXPECT_EQ(MixedBlocks(stage, c.k), 0) << number << " at " << c.w;
        EXPECT_GT(MixedBlocks(stage, 2 * c.k), 0) << number << " at " << c.w;
      });
    }
  }
}

TEST(Displacement, BetweenPlainSlidesEveryFrameIsThatFramesBlendWithoutAGap) {
  const uint32_t a = 0x00204060, b = 0x00E0A010;
  for (const int32_t number : {13, 40}) {
    Stage stage(400, 300);
    stage.catalogue.context().waits = false;
    stage.dst.Paint([&](int32_t, int32_t) { return a; });
    stage.source.Paint([&](int32_t, int32_t) { return b; });
    const int32_t frames = stage.Run(number, 0, [&](int32_t f) {
      // Only the old slide until the new one comes in at frame 11 (40) or 5 (13).
      const int32_t alpha = number == 40 ? (f > 10 ? 5 * f - 50 : 0) : (f >= 5 ? 13 * f - 52 : 0);
      const uint32_t want = Mixed(a, b, alpha);
      ASSERT_EQ(Wrong(stage, [&](int32_t, int32_t) { return want; }), 0)
          << number << " frame " << f;
    });
    EXPECT_EQ(frames, number == 40 ? 60 : 23);
  }
}

TEST(Displacement, PixelsKeepTheirOwnColourWhereTheirSourceFallsOutside) {
  // An old slide of four plain quarters: before the new slide comes in, a
  // pixel farther from the quarters' borders than the largest displacement
  // so far shows its own quarter, also along the picture's edges, where most
  // displacements point outside.
  const auto quarter = [](int32_t x, int32_t y) -> uint32_t {
    return (x < 200 ? 0x00102030u : 0x00405060u) + (y < 150 ? 0u : 0x00010101u);
  };
  for (const int32_t number : {13, 40}) {
    Stage stage(400, 300);  // k = 2
    stage.catalogue.context().waits = false;
    stage.dst.Paint(quarter);
    stage.Run(number, 0, [&](int32_t f) {
      if (f > (number == 40 ? 10 : 4)) return;
      // Reduced pixels a frame's displacement reaches, with rounding.
      const int32_t reach = number == 40 ? 3 * f / 2 + 1 : f + 1;
      const int32_t margin = 2 * (reach + 1);
      EXPECT_EQ(Wrong(stage,
                      [&](int32_t x, int32_t y) {
                        const bool near = std::abs(x - 200) < margin || std::abs(y - 150) < margin;
                        return near ? stage.dst.at(x, y) : quarter(x, y);
                      }),
                0)
          << number << " frame " << f;
    });
  }
}

TEST(Displacement, SeededRunsRepeatFrameForFrameAndPixelScatterFollowsTheClock) {
  const auto frames = [](int32_t number, platform::LocalTime at) {
    Stage stage(320, 240);
    stage.fake.set_local_time(at);
    return FrameChecksums(stage, number, 0);
  };
  const platform::LocalTime morning{9, 12, 30, 250}, evening{21, 5, 3, 0};
  for (const int32_t number : {13, 40})
    EXPECT_EQ(frames(number, morning), frames(number, morning)) << number;
  const std::vector<uint64_t> one = frames(40, morning), other = frames(40, evening);
  for (size_t i = 0; i + 1 < one.size(); ++i)  // all but the finished frame
    EXPECT_NE(one[i], other[i]) << i;
}

TEST(TransitionCatalogue, OnlyRippleAndPixelScatterNeedTheOldSlideKept) {
  for (int32_t number = 0; number <= kLastTransition; ++number)
    for (const int32_t pick2 : {0, 1})
      EXPECT_EQ(Catalogue::Entry(number, pick2)->keeps_old_slide, number == 13 || number == 40)
          << number;
}

}  // namespace
}  // namespace lantern::transitions::testing

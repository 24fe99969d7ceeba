// The scaled and tiled transitions on the fake backend: the frames where
// their geometry is easiest to get wrong (tile order and rounding, inset
// steps, block counts, panel timing), borrowed surfaces given back, and the
// pacing of their phases. Completion, sentinels and interruption of every
// routine are checked catalogue-wide in transitions_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/transitions_test_support.h"

namespace lantern::transitions::testing {
namespace {

// The two test slides differ in the top byte of every pixel.
bool IsNew(uint32_t pixel) {
  return (pixel & 0xFF0000) == 0xE00000;
}

struct Box {
  int32_t x, y, w, h;
  bool Holds(int32_t px, int32_t py) const {
    return px >= x && px < x + w && py >= y && py < y + h;
  }
};

// Whether exactly the pixels inside the boxes show the new slide; on failure
// names the first pixel that does not.
::testing::AssertionResult NewExactlyIn(const BorderedSurface& s, const std::vector<Box>& boxes) {
  const platform::Surface& v = s.surface();
  for (int32_t y = 0; y < v.height; ++y)
    for (int32_t x = 0; x < v.width; ++x) {
      bool inside = false;
      for (const Box& b : boxes)
        inside = inside || b.Holds(x, y);
      if (IsNew(s.at(x, y)) != inside)
        return ::testing::AssertionFailure()
               << "at " << x << "," << y << (inside ? " old" : " new") << " pixel";
    }
  return ::testing::AssertionSuccess();
}

// Whether the box shows the new slide in place, pixel for pixel.
::testing::AssertionResult NewInPlace(const BorderedSurface& s, const Box& b) {
  for (int32_t y = b.y; y < b.y + b.h; ++y)
    for (int32_t x = b.x; x < b.x + b.w; ++x)
      if (s.at(x, y) != NewPixel(x, y)) return ::testing::AssertionFailure() << x << "," << y;
  return ::testing::AssertionSuccess();
}

// 1024 x 768: tiles of 256 x 192, centre (512, 384).
TEST(SpiralTiles, TilesGrowOutOfTheCentreInSpiralOrderAndTheLastLandsOnFrameNineteen) {
  Stage stage(1024, 768);
  stage.catalogue.context().waits = false;
  const int32_t frames = stage.Run(38, 0, [&](int32_t frame) {
    if (frame == 1) {
      // Tile 1 at 15 %: 0.85 of its start (435, 326), 38 x 29.
      EXPECT_TRUE(NewExactlyIn(stage.dst, {{370, 277, 38, 29}}));
    } else if (frame == 4) {
      // Tile 1 is home; tile 2 (start 486, 326) at 45 %, x = round(382.5) = 382;
      // tile 3 (start 538, 326) at 30 %; tile 4 (start 589, 326) starts at 15 %.
      EXPECT_TRUE(NewExactlyIn(
          stage.dst,
          {{0, 0, 256, 192}, {382, 179, 115, 86}, {530, 228, 77, 58}, {616, 277, 38, 29}}));
      EXPECT_TRUE(NewInPlace(stage.dst, {0, 0, 256, 192}));
    } else if (frame == 18) {
      EXPECT_FALSE(NewInPlace(stage.dst, {256, 384, 256, 192}));  // tile 16 still flies
    }
  });
  EXPECT_EQ(frames, 19);
  EXPECT_TRUE(NewInPlace(stage.dst, {0, 0, 1024, 768}));
}

TEST(SpiralTiles, FlyingInTheOrderIsReversedAndALeavingTileUncoversTheNewSlide) {
  Stage stage(1024, 768);
  stage.catalogue.context().waits = false;
  stage.Run(38, 1, [&](int32_t frame) {
    if (frame != 1) return;
    // The first tile to leave is the last of the spiral, home (256, 384),
    // start (486, 384); the old tile at 45 % covers part of its cell.
    const BorderedSurface& d = stage.dst;
    EXPECT_TRUE(NewInPlace(d, {256, 384, 126, 192}));
    EXPECT_TRUE(NewInPlace(d, {256, 470, 256, 106}));
    EXPECT_FALSE(IsNew(d.at(382, 384)));
    EXPECT_FALSE(IsNew(d.at(496, 469)));
    EXPECT_TRUE(IsNew(d.at(497, 384)));
    EXPECT_FALSE(IsNew(d.at(255, 384)));  // the rest is old
    EXPECT_FALSE(IsNew(d.at(0, 0)));
  });
}

TEST(ZoomThrough, AThousandPixelSlideZoomsInFortySevenStepsOfTenAndEightThenOut) {
  Stage stage(1000, 750);
  stage.catalogue.context().waits = false;
  const int32_t frames = stage.Run(32, 1, [&](int32_t frame) {
    const BorderedSurface& d = stage.dst;
    if (frame == 46) {  // the last paced frame of phase 1: inset (450, 360)
      EXPECT_EQ(d.at(0, 0), OldPixel(450, 360));
      EXPECT_EQ(d.at(999, 749), OldPixel(549, 389));
    } else if (frame == 47) {  // phase 1 stopped at (470, 376); phase 2 starts at (460, 368)
      EXPECT_EQ(d.at(0, 0), NewPixel(460, 368));
      EXPECT_EQ(d.at(999, 749), NewPixel(539, 381));
    }
  });
  // Phase 1 draws 47 steps and paces all but the last; phase 2 draws 47.
  EXPECT_EQ(frames, 46 + 47);
  EXPECT_TRUE(NewInPlace(stage.dst, {0, 0, 1000, 750}));
}

// Counts P4's block cells of bw x bh that have turned into the new slide; a
// cell turned only in part, or showing new pixels from elsewhere, fails.
int32_t TurnedBlocks(const BorderedSurface& p4, int32_t bw, int32_t bh) {
  const platform::Surface& v = p4.surface();
  int32_t turned = 0;
  for (int32_t by = 0; by + bh <= v.height; by += bh)
    for (int32_t bx = 0; bx + bw <= v.width; bx += bw) {
      int32_t in_place = 0;
      for (int32_t y = by; y < by + bh; ++y)
        for (int32_t x = bx; x < bx + bw; ++x)
          in_place += p4.at(x, y) == NewPixel(x, y) ? 1 : 0;
      EXPECT_TRUE(in_place == 0 || in_place == bw * bh) << bx << "," << by;
      turned += in_place == bw * bh ? 1 : 0;
    }
  return turned;
}

TEST(Explode, BlocksAreEightBySixFromEightHundredPixelsAndFourByThreeBelow) {
  // n = 128 x 128 = 16384 blocks of 8 x 6, round(n / 60 - 1) + 1 = 273 a
  // frame; n = 160 x 160 = 25600 blocks of 4 x 3, 427 a frame.
  struct Case {
    int32_t w, h, bw, bh, per_frame;
  };
  for (const Case c : {Case{1024, 768, 8, 6, 273}, Case{640, 480, 4, 3, 427}}) {
    Stage stage(c.w, c.h);
    stage.catalogue.context().waits = false;
    stage.Run(7, 0, [&](int32_t frame) {
      if (frame <= 2) {
        EXPECT_EQ(TurnedBlocks(stage.p4, c.bw, c.bh), frame * c.per_frame) << c.w;
      }
    });
  }
}

TEST(Explode, IsPacedOnlyBelowEightHundredPixels) {
  // Wide: only the 300 ms pause between the phases takes time.
  Stage wide(800, 120);
  int64_t start = wide.fake.now_ticks();
  EXPECT_EQ(wide.Run(7, 0), 30 + 31);
  EXPECT_LT(ElapsedMs(wide, start), 400);
  EXPECT_GE(ElapsedMs(wide, start), 300);
  // Narrow: 750 ms a phase; the last frame of phase 2 is its 31st of 30.
  Stage narrow(799, 120);
  start = narrow.fake.now_ticks();
  narrow.Run(7, 0);
  EXPECT_NEAR(ElapsedMs(narrow, start), 750 + 300 + 775, 30);
}

std::vector<uint32_t> Sample(const BorderedSurface& s) {
  std::vector<uint32_t> pixels;
  for (int32_t y = 0; y < s.surface().height; y += 3)
    for (int32_t x = 0; x < s.surface().width; x += 5)
      pixels.push_back(s.at(x, y));
  return pixels;
}

TEST(RotatingPanels, EachPanelTurnsOverThirtyFourFramesSixFramesAfterTheLast) {
  for (const int32_t dir : {0, 1}) {
    Stage stage(1024, 768);
    stage.catalogue.context().waits = false;
    // Panel 1 is the leftmost (dir 0) or the rightmost; panel 8 the other end.
    const int32_t first = dir == 0 ? 0 : 896, last = dir == 0 ? 896 : 0;
    std::vector<uint32_t> at81;
    const int32_t frames = stage.Run(39, dir, [&](int32_t frame) {
      const BorderedSurface& d = stage.dst;
      const auto black = [&](int32_t x) { return d.at(x, 300) == 0u; };
      switch (frame) {
        case 5:
          EXPECT_FALSE(black(first) || IsNew(d.at(first + 64, 300)));
          break;
        case 6:  // squeezed by 8: 4 black columns each side of the old panel
          EXPECT_TRUE(black(first + 3) && black(first + 124));
          EXPECT_FALSE(black(first + 4) || IsNew(d.at(first + 4, 300)));
          EXPECT_FALSE(black(last));
          break;
        case 21:  // narrowed to nothing, then a frame without drawing
        case 22:
          EXPECT_TRUE(black(first) && black(first + 127));
          break;
        case 39:
          EXPECT_TRUE(NewInPlace(d, {first, 0, 128, 768}));
          break;
        case 47:
          EXPECT_FALSE(black(last + 3));
          break;
        case 48:
          EXPECT_TRUE(black(last + 3));
          break;
        case 81:
          at81 = Sample(d);
          break;
        case 128:
          EXPECT_EQ(Sample(d), at81) << "frames 82 to 128 draw nothing";
          break;
        default:
          break;
      }
    });
    EXPECT_EQ(frames, 128);
    EXPECT_TRUE(NewInPlace(stage.dst, {0, 0, 1024, 768}));
  }
}

TEST(FlyingTiles, StartsOnTheOldSlideAndGivesPicSourceBackWhenCutShort) {
  for (const int32_t dir : {0, 1}) {
    Stage stage(320, 240);
    stage.catalogue.context().waits = false;  // every step drawn, the first included
    const int32_t frames = stage.Run(6, dir, [&](int32_t frame) {
      // Frame 1: tiles flying in are all outside; tiles flying out all home.
      if (frame == 1) {
        for (int32_t y = 0; y < 240; y += 7)
          for (int32_t x = 0; x < 320; x += 7)
            ASSERT_EQ(stage.dst.at(x, y), OldPixel(x, y)) << dir;
      }
      if (frame == 30) stage.state.NextRequested = true;
    });
    EXPECT_EQ(frames, 30);
    EXPECT_TRUE(NewInPlace(stage.source, {0, 0, 320, 240})) << dir;
    EXPECT_FALSE(NewInPlace(stage.dst, {0, 0, 320, 240})) << dir;
  }
}

TEST(ScaledTransitionPacing, PhasesTakeTheirBudgetsAndPauseBetween) {
  // The first frame of phase 2 is drawn when phase 1's budget and the 300 ms
  // pause have passed; the last frame ends with the sum of the budgets.
  struct Case {
    int32_t number, phase1_frames;
    double phase1_ms, total_ms;
  };
  // At 320 x 240: Whirlwind 300 + 300 + 900 (its last frame is 121 / 120.65
  // of phase 2). ShrinkDrop 800 + 300, then phase 2 ends at 16 pixels high
  // after 16 of its round(320 / 16) = 20 steps (16 / 20 of 300), then 100.
  for (const Case c : {Case{19, 20, 300, 300 + 300 + 900 * 121 / 120.65},
                       Case{35, 16, 800, 800 + 300 + 240 + 100}}) {
    Stage stage(320, 240);
    std::vector<double> drawn;
    const int64_t start = stage.fake.now_ticks();
    stage.Run(c.number, 0, [&](int32_t) { drawn.push_back(ElapsedMs(stage, start)); });
    // Phase 2 starts after the longest wait: the pause (overdue steps of a
    // phase may be left out, so frames are found by time, not by count).
    ASSERT_GT(drawn.size(), static_cast<size_t>(c.phase1_frames / 2));
    size_t after_pause = 1;
    for (size_t i = 1; i < drawn.size(); ++i)
      if (drawn[i] - drawn[i - 1] > drawn[after_pause] - drawn[after_pause - 1]) after_pause = i;
    EXPECT_NEAR(drawn[after_pause], c.phase1_ms + 300, 2) << c.number;
    EXPECT_NEAR(ElapsedMs(stage, start), c.total_ms, 5) << c.number;
  }
}

}  // namespace
}  // namespace lantern::transitions::testing

// The reveal-pattern transitions on the fake backend: frame counts and
// periods, frames that must draw nothing, Sparkle's front and trail in every
// direction, the diamond's outlines in both directions, the Rays pen,
// LineSweep's unpaced frames, pacing in virtual time and reproducible
// shuffles. That every routine ends on the new slide without writing outside
// its surfaces is checked for the whole catalogue in transitions_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/unit/transitions_test_support.h"

namespace lantern::transitions::testing {
namespace {

using platform::fake::kTicksPerMs;

constexpr int32_t kReveal[] = {0, 1, 4, 5, 8, 9, 11, 12, 14, 16, 18, 20, 21, 22};

std::string Name(int32_t number) {
  return std::string(Catalogue::Entry(number, 0)->name);
}

// The pixels of PicDst that no longer show the old slide.
int32_t Changed(const Stage& stage) {
  return CountDiffering(stage.dst, OldPixel);
}

TEST(RevealCatalogue, EveryRevealRoutineIsInTheCatalogueAndDrawsItsFrameCount) {
  for (const int32_t number : kReveal)
    EXPECT_TRUE(Catalogue::Has(number)) << number;
  struct Case {
    int32_t number, dir, w, h, frames;
  };
  const Case cases[] = {
      {9, 1, 1024, 768, 32},       {9, 0, 800, 600, 24},         // Blinds: 32 / 24 from 800 wide,
      {9, 1, 799, 600, 16},        {9, 0, 799, 600, 12},         // else 16 / 12
      {1, 0, 1024, 768, 384},      {1, 1, 1001, 751, 500},       // RandomStrips: m + 1 strips
      {0, 0, 1024, 768, 128 * 96}, {0, 1, 320, 240, 160 * 120},  // RandomBlocks: one per block
      {4, 1, 1024, 768, 513},      {21, 1, 320, 240, 61},        // RectIris, ConcentricFrames
      {5, 1, 1024, 768, 27},       {5, 0, 1024, 768, 26},        // GridReveal, L = 51
      {20, 0, 1024, 768, 141},     {20, 3, 320, 240, 141},       // LineSweep: f = -20 ... 120
      {16, 1, 1024, 768, 257},     {16, 0, 1366, 768, 342},      // DiamondIris, Q = 512 / 683
      {8, 0, 1024, 768, 257},      {11, 1, 1024, 768, 167},      // DiagonalBlocks, CircleIris
      {12, 0, 320, 240, 53},       {14, 1, 320, 240, 629},       // TangentCurves, ClockSweep
      {18, 0, 1024, 768, 42},      {22, 3, 320, 240, 301},       // Rays, Sparkle
  };
  for (const Case& c : cases) {
    Stage stage(c.w, c.h);
    stage.catalogue.context().waits = false;
    EXPECT_EQ(stage.Run(c.number, c.dir), c.frames) << Label(c.number, c.dir, {c.w, c.h});
  }
}

// Each frame reveals exactly one new strip of two lines, so over m + 1 frames
// every strip is copied exactly once.
TEST(RandomStrips, CopiesEveryStripOfTwoLinesExactlyOnce) {
  for (const int32_t dir : {0, 1}) {
    Stage stage(1366, 768);
    stage.catalogue.context().waits = false;
    const int32_t n = dir == 0 ? 768 : 1366;
    const auto is_new = [&](int32_t p) {
      return dir == 0 ? stage.dst.at(7, p) == NewPixel(7, p) : stage.dst.at(p, 7) == NewPixel(p, 7);
    };
    std::vector<int32_t> frame_of(static_cast<size_t>(n), 0);
    int32_t wrong_frames = 0;
    const int32_t frames = stage.Run(1, dir, [&](int32_t f) {
      int32_t fresh = 0;
      for (int32_t p = 0; p < n; ++p) {
        if (frame_of[static_cast<size_t>(p)] != 0 || !is_new(p)) continue;
        frame_of[static_cast<size_t>(p)] = f;
        ++fresh;
      }
      wrong_frames += fresh != 2;
    });
    EXPECT_EQ(frames, n / 2) << dir;
    EXPECT_EQ(wrong_frames, 0) << dir;
    for (int32_t p = 0; p < n; p += 2) {
      ASSERT_NE(frame_of[static_cast<size_t>(p)], 0) << p;
      ASSERT_EQ(frame_of[static_cast<size_t>(p)], frame_of[static_cast<size_t>(p) + 1]) << p;
    }
  }
}

// Opening on 1024 x 768, insets 512 ... 385 exceed half the height: frames 1
// to 128 draw nothing; frame 129 (inset 384) draws the one row 384 ... 640.
TEST(RectIris, OpeningOnAWidePictureDrawsNothingUntilTheInsetFitsTheHeight) {
  Stage stage(1024, 768);
  stage.catalogue.context().waits = false;
  int32_t first = 0, drawn = 0;
  stage.Run(4, 1, [&](int32_t f) {
    if (first != 0) return;
    drawn = Changed(stage);
    if (drawn > 0) first = f;
  });
  EXPECT_EQ(first, 129);
  EXPECT_EQ(drawn, 257);
  EXPECT_EQ(stage.dst.at(384, 384), NewPixel(384, 384));
  EXPECT_EQ(stage.dst.at(640, 384), NewPixel(640, 384));
}

// In every direction, at the frame whose front is at cell c: the lines more
// than 80 cells behind it are whole, nothing ahead of it is touched. The first
// frame of direction 0 copies only cells of column 0.
TEST(Sparkle, WholeLinesTrailTheFrontByEightyCellsInEveryDirection) {
  constexpr int32_t kCell = 6;  // round(1024 / 160) and round(768 / 120)
  for (int32_t dir = 0; dir < 4; ++dir) {
    Stage stage(1024, 768);
    stage.catalogue.context().waits = false;
    const bool rows = dir == 1 || dir == 3, back = dir >= 2;
    const int32_t along = rows ? 768 : 1024, across = rows ? 1024 : 768;
    int32_t failures = 0;
    stage.Run(22, dir, [&](int32_t f) {
      const int32_t front = back ? 221 - f : f - 1;
      for (int32_t p = 0; p < along && failures < 5; ++p) {
        const int32_t behind = back ? p / kCell - front : front - p / kCell;
        if (behind >= 0 && behind <= 80) continue;
        for (int32_t q = f % 3; q < across; q += 3) {
          const int32_t x = rows ? q : p, y = rows ? p : q;
          const uint32_t want = behind > 80 ? NewPixel(x, y) : OldPixel(x, y);
          if (stage.dst.at(x, y) != want) {
            ADD_FAILURE() << "dir " << dir << " frame " << f << " at " << x << "," << y;
            ++failures;
            break;
          }
        }
      }
      if (dir == 0 && f == 1) {
        // Whole cells of column 0, at most 56 of them.
        int32_t cells = 0;
        for (int32_t y = 0; y < 768; y += kCell) {
          const bool changed = stage.dst.at(0, y) != OldPixel(0, y);
          cells += changed;
          for (int32_t v = y; v < y + kCell; ++v)
            for (int32_t x = 0; x < kCell; ++x)
              EXPECT_EQ(stage.dst.at(x, v) != OldPixel(x, v), changed) << x << "," << v;
        }
        EXPECT_GT(cells, 0);
        EXPECT_LE(cells, 56);
      }
    });
  }
}

// Growing starts with the four central blocks; shrinking draws the same
// outlines in reverse, one per frame, so it changes nothing until the diamond
// reaches into the picture, and (with half the width odd, 1366 and 150 wide)
// reaches every pixel itself.
TEST(DiamondIris, ShrinkingDrawsEveryOutlineOfGrowingInReverse) {
  Stage grow(1366, 768);
  grow.catalogue.context().waits = false;
  int32_t first_drawn = -1;
  const int32_t grow_frames = grow.Run(16, 1, [&](int32_t f) {
    if (f == 1) first_drawn = Changed(grow);
  });
  EXPECT_EQ(first_drawn, 6 * 4);  // blocks at x 684 and 682, y 384
  EXPECT_EQ(grow.dst.at(682, 384), NewPixel(682, 384));
  EXPECT_EQ(grow.dst.at(687, 387), NewPixel(687, 387));
  for (const Size size : {Size{1366, 768}, Size{150, 100}}) {
    Stage shrink(size.w, size.h);
    shrink.catalogue.context().waits = false;
    int32_t first = 0;
    bool edge = false;
    const int32_t frames = shrink.Run(16, 0, [&](int32_t f) {
      if (first != 0 || Changed(shrink) == 0) return;
      first = f;
      for (int32_t x = 0; x < size.w; ++x)
        edge = edge || shrink.dst.at(x, 0) != OldPixel(x, 0) ||
               shrink.dst.at(x, size.h - 1) != OldPixel(x, size.h - 1);
      for (int32_t y = 0; y < size.h; ++y)
        edge = edge || shrink.dst.at(0, y) != OldPixel(0, y) ||
               shrink.dst.at(size.w - 1, y) != OldPixel(size.w - 1, y);
    });
    if (size.w == 1366) {
      EXPECT_EQ(frames, grow_frames);
      EXPECT_GT(first, 1);
    }
    EXPECT_TRUE(edge) << size.w;
    EXPECT_EQ(CountDiffering(shrink.dst, NewPixel), 0) << size.w;
  }
}

// The first ring's rays all start at the centre + 10 and take the new slide's
// colour there; the pen is 10 wide while Rays runs, and a flag leaves it so.
TEST(Rays, DrawsWithATenPixelPenThatAFlagLeavesAtTen) {
  Stage stage(320, 240);
  stage.catalogue.context().waits = false;
  int32_t widest = 0;
  const int32_t frames = stage.Run(18, 0, [&](int32_t f) {
    widest = std::max(widest, stage.catalogue.current_draw_width());
    if (f == 1) {
      EXPECT_EQ(stage.dst.at(300, 130), NewPixel(170, 130));
      EXPECT_EQ(stage.dst.at(165, 125), NewPixel(165, 125));  // the 20 x 20 block
    }
    stage.state.NextRequested = f == 5;
  });
  EXPECT_EQ(frames, 5);
  EXPECT_EQ(widest, 10);
  EXPECT_EQ(stage.catalogue.draw_width(), 10);
  stage.state.NextRequested = false;
  stage.Run(18, 0);
  EXPECT_EQ(stage.catalogue.draw_width(), 1);
}

// 320 wide: f = -20 ... 21 are paced (15 f <= 320), f = 22 ... 120 are due
// at once and drawn together as one frame; a flag set in a frame before them
// still ends the sweep there.
TEST(LineSweep, FramesPastTheFarEdgeAreShownAtOnceButStillTestTheFlags) {
  for (const int32_t dir : {0, 2}) {
    Stage stage(320, 240);
    std::vector<int64_t> at;
    const int64_t start = stage.fake.now_ticks();
    const int32_t frames =
        stage.Run(20, dir, [&](int32_t) { at.push_back(stage.fake.now_ticks()); });
    EXPECT_LE(frames, 141 - 98);
    EXPECT_GE(frames, 141 - 98 - 2);
    const double ms = static_cast<double>(at.back() - start) / kTicksPerMs;
    EXPECT_NEAR(ms, 1500, 1500 / 42.0 + 1) << dir;
    EXPECT_EQ(CountDiffering(stage.dst, NewPixel), 0) << dir;
  }
  Stage stage(320, 240);
  EXPECT_EQ(stage.Run(20, 0, [&](int32_t f) { stage.state.NextRequested = f == 30; }), 30);
}

// With waits, each routine takes its budget in virtual time: 1500 ms, 2000 for
// DiamondIris, 2500 for Rays; RandomBlocks less the time its shuffle took.
// GridReveal's lines at 320 wide (L = 16) end at x = round(7.5) = 8, past
// the 7.5 its progress divides by.
TEST(RevealPacing, EachRoutineTakesItsBudget) {
  for (const int32_t number : kReveal) {
    Stage stage(320, 240);
    const int64_t start = stage.fake.now_ticks();
    const int32_t frames = stage.Run(number, 0);
    const double ms = ElapsedMs(stage, start);
    const double budget = (number == 16   ? 2000
                           : number == 18 ? 2500
                                          : 1500) *
                          (number == 5 ? 8 / 7.5 : 1.0);
    EXPECT_GE(ms, budget - budget / frames - 1) << Name(number);
    EXPECT_LE(ms, budget * 1.02 + 1) << Name(number);
  }
}

std::vector<uint64_t> Frames(int32_t number, int32_t dir, int64_t start_ms) {
  Stage stage(160, 120);
  stage.fake.AdvanceMs(start_ms);
  return FrameChecksums(stage, number, dir);
}

// Every routine draws the same frames from the same clock; the shuffling ones
// reseed from the clock, so a run started a second later draws other frames.
TEST(RevealReproducibility, SameClockSameFramesAndTheShufflesFollowTheClock) {
  for (const int32_t number : kReveal) {
    for (int32_t dir = 0; dir < Catalogue::DirectionCount(number); ++dir) {
      const std::vector<uint64_t> a = Frames(number, dir, 0);
      EXPECT_EQ(a, Frames(number, dir, 0)) << Name(number) << " dir " << dir;
      if (number == 0 || number == 1 || number == 22) {
        EXPECT_NE(a, Frames(number, dir, 1000)) << Name(number) << " dir " << dir;
      }
    }
  }
}

}  // namespace
}  // namespace lantern::transitions::testing

// The transition framework and the sliding transitions on the fake backend:
// every routine in every direction ends on the new slide at several sizes
// without touching anything outside its surfaces; the edge cases of the
// individual routines; interruption; pacing in virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "tests/unit/transitions_test_support.h"
#include "transitions/sliding.h"

namespace lantern::transitions::testing {
namespace {

using platform::fake::kTicksPerMs;

int32_t RoundHalfEven(double v) {
  return static_cast<int32_t>(std::nearbyint(v));
}

// Where PicDst may still differ from the new slide on normal completion: the
// pixels a routine's rounded geometry leaves uncovered, which the run loop's
// final copy completes.
// - SplitPush meets in the middle on a rounded half: with an odd extent the
//   last column (directions 0 and 2) or row (1 and 3).
// - BrickComb's lanes that fill from the far side stop at 2 x round(extent / 2)
//   from it: the first column (rows filling leftwards) or row (columns filling
//   upwards) when that is below the extent (1001 = 2 x 500 + 1).
// - Grids of n x n cells of round(extent / n) pixels from the top-left corner
//   (FlyingTiles flying in, SpiralTiles): what lies past n cells.
// - RotatingPanels: columns between panels of round(W / 8) pixels placed at
//   round(i x W / 8).
// - RandomBlocks' grid of round(W / s) x round(H / s) blocks of
//   round(W / columns) x round(H / rows) pixels, and RandomStrips' 2-pixel
//   strips, can stop short of the right or bottom edge.
// - TangentCurves' blocks spread apart where the curves run nearly level and
//   fast, on the rows about the middle, and leave a few pixels there (11 at
//   1366 x 768).
// - Explode: past the last of its round(k W / 8) blocks in a row, or past its
//   n-th block.
bool MayDiffer(int32_t number, int32_t dir, int32_t w, int32_t h, int32_t x, int32_t y) {
  const auto past_grid = [&](int32_t n) {
    return x >= n * RoundHalfEven(w / double(n)) || y >= n * RoundHalfEven(h / double(n));
  };
  switch (number) {
    case 26:
      return dir == 0 || dir == 2 ? w % 2 == 1 && x == w - 1 : h % 2 == 1 && y == h - 1;
    case 10:
      return dir == 0 ? x == 0 && 2 * RoundHalfEven(w / 2.0) < w
                      : y == 0 && 2 * RoundHalfEven(h / 2.0) < h;
    case 6:
      return dir == 0 && past_grid(8);
    case 38:
      return past_grid(4);
    case 39:
      for (int32_t i = 0; i < 8; ++i) {
        const int32_t left = RoundHalfEven(i * w / 8.0);
        if (x >= left && x < left + RoundHalfEven(w / 8.0)) return false;
      }
      return true;
    case 2:
    case 3: {
      // 2-pixel strips whose blend would reach past the slide draw nothing
      // (as AlphaBlend does): with an odd extent the last line may keep the
      // old slide.
      const bool rows = number == 2 ? dir % 2 == 1 : dir != 0;
      return rows ? h % 2 == 1 && y == h - 1 : w % 2 == 1 && x == w - 1;
    }
    case 0: {
      const double share = dir == 1 ? 0.5 : 0.125;
      const int32_t columns = RoundHalfEven(w * share), rows = RoundHalfEven(h * share);
      return x >= columns * RoundHalfEven(double(w) / columns) ||
             y >= rows * RoundHalfEven(double(h) / rows);
    }
    case 1:
      return dir != 0 ? x >= 2 * RoundHalfEven(w / 2.0) : y >= 2 * RoundHalfEven(h / 2.0);
    case 12:
      return std::abs(y - RoundHalfEven(h / 2.0)) < 16;
    case 7: {
      const int32_t k = w < 800 ? 2 : 1, bw = 8 / k, bh = 6 / k;
      const int32_t per_row = RoundHalfEven(k * w / 8.0);
      const int32_t n = RoundHalfEven(k * h / 6.0 * (k * w / 8.0));
      return x >= per_row * bw || y / bh * per_row + x / bw >= n;
    }
    default:
      return false;
  }
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LANTERN_UNDER_ASAN 1
#endif
#endif

// Every routine at the common screen sizes and an odd one. Under ASan, where
// each pixel costs many times more, two smaller odd sizes:
// they take the clipping and rounding paths the others do.
#ifdef LANTERN_UNDER_ASAN
constexpr Size kCompletionSizes[] = {{641, 481}, {401, 301}, {150, 100}};
#else
constexpr Size kCompletionSizes[] = {{1024, 768}, {1366, 768}, {800, 600}, {1001, 751}, {150, 100}};
#endif

// Ripple and PixelScatter draw nothing unless the width is a multiple of 4.
bool DrawsAtWidth(int32_t number, int32_t w) {
  return (number != 13 && number != 40) || w % 4 == 0;
}

// Runs one routine in one direction at one size and version class: it draws
// nowhere outside its surfaces and ends on the new slide but for the pixels
// its geometry may leave to the final copy; the two that draw nothing at
// widths that are not a multiple of 4 leave the old slide.
void ExpectEndsOnTheNewSlide(int32_t number, int32_t dir, Size size, int32_t version) {
  const std::string label = Label(number, dir, size) + " class " + std::to_string(version);
  SCOPED_TRACE(label);
  Stage stage(size.w, size.h, version);
  const int32_t frames = RunGuarded(stage, number, dir);
  if (!DrawsAtWidth(number, size.w)) {
    EXPECT_EQ(frames, 0);
    EXPECT_TRUE(ShowsPicture(stage.dst, OldPixel, label + " drawing nothing"));
    return;
  }
  EXPECT_GT(frames, 1);
  const auto may_differ = [&](int32_t x, int32_t y) {
    return MayDiffer(number, dir, size.w, size.h, x, y);
  };
  EXPECT_TRUE(ShowsPicture(stage.dst, NewPixel, may_differ,
                           label + " after its last frame " + std::to_string(frames)));
  EXPECT_EQ(stage.catalogue.draw_width(), 1);
}

TEST(TransitionCompletion, EveryRoutineEveryDirectionEndsOnTheNewSlide) {
  for (const Size size : kCompletionSizes)
    for (const int32_t version : {5, 7})
      for (const int32_t number : Built())
        for (int32_t dir = 0; dir < Variants(number); ++dir)
          if (version == 7 || StepsByVersion(number))
            ExpectEndsOnTheNewSlide(number, dir, size, version);
}

// The preview is small and windows can be any shape: at tiny, lopsided and
// tall sizes every routine ends, draws nowhere outside its surfaces and
// leaves PicSource as it found it (the routines that borrow it give it back).
TEST(TransitionCompletion, TinyAndLopsidedSlidesEndWithoutDrawingOutside) {
  constexpr int32_t kTooMany = 20000;
  for (const Size size :
       {Size{1, 1}, Size{2, 3}, Size{4, 1}, Size{4, 2}, Size{3, 5}, Size{8, 3}, Size{7, 5},
        Size{12, 9}, Size{33, 17}, Size{49, 37}, Size{40, 90}, Size{3, 120}, Size{160, 2}}) {
    for (const int32_t number : Built()) {
      for (int32_t dir = 0; dir < Variants(number); ++dir) {
        const std::string label = Label(number, dir, size);
        SCOPED_TRACE(label);
        Stage stage(size.w, size.h);
        EXPECT_LT(RunGuarded(stage, number, dir, kTooMany), kTooMany);
        EXPECT_TRUE(ShowsPicture(stage.source, NewPixel, label + " PicSource"));
      }
    }
  }
}

TEST(TransitionCatalogue, DispatchesByNumberWithTheDirectionOfItsTable) {
  EXPECT_EQ(Catalogue::DirectionCount(25), 4);
  EXPECT_EQ(Catalogue::DirectionCount(10), 2);
  EXPECT_EQ(Catalogue::DirectionCount(37), 1);
  EXPECT_EQ(Catalogue::Entry(32, 0)->name, "ShrinkGrow");
  EXPECT_EQ(Catalogue::Entry(32, 1)->name, "ZoomThrough");
  EXPECT_EQ(Catalogue::Entry(41, 0), nullptr);
  for (int32_t number = 0; number <= kLastTransition; ++number)  // all 41 numbers run
    EXPECT_TRUE(Catalogue::Has(number)) << number;
  EXPECT_TRUE(Catalogue::Has(32, 1));

  // Numbers outside the catalogue and numbers without a routine draw nothing.
  for (const int32_t number : {-1, 41, 99}) {
    Stage stage(64, 48);
    EXPECT_EQ(stage.Run(number, 1), 0);
    EXPECT_EQ(stage.dst.at(10, 10), OldPixel(10, 10));
  }

  // Push takes the four-way pick: run through the catalogue with picks (1, 2)
  // it draws exactly what Push draws in direction 2.
  Stage via(200, 150), direct(200, 150);
  via.state.NextRequested = false;
  via.catalogue.context().waits = direct.catalogue.context().waits = false;
  via.Run(25, 2, [&](int32_t f) { via.state.NextRequested = f == 7; });
  FrameContext& c = direct.catalogue.context();
  int32_t frames = 0;
  c.on_frame = [&] { direct.state.NextRequested = ++frames == 7; };
  FrameRun run(c, direct.surfaces());
  Push(run, 2);
  for (int32_t y = 0; y < 150; ++y)
    for (int32_t x = 0; x < 200; ++x)
      ASSERT_EQ(via.dst.at(x, y), direct.dst.at(x, y)) << x << "," << y;
}

TEST(TransitionFramework, RoundsHalvesToEvenAndStepsByVersion) {
  EXPECT_EQ(StepTicks(19200, 1024), 19);  // 18.75
  EXPECT_EQ(StepTicks(19456, 768), 25);   // 25.33
  EXPECT_EQ(StepTicks(5, 2), 2);          // 2.5 -> 2
  Stage seven(64, 48, 7), xp(64, 48, 5), unknown(64, 48, 0);
  EXPECT_EQ(FrameRun(seven.catalogue.context(), seven.surfaces()).step(), 2);
  EXPECT_EQ(FrameRun(xp.catalogue.context(), xp.surfaces()).step(), 1);
  EXPECT_EQ(FrameRun(unknown.catalogue.context(), unknown.surfaces()).step(), 1);
  EXPECT_EQ(FrameRun(seven.catalogue.context(), seven.surfaces()).cell_size(), 3);  // 3.2
}

TEST(Push, TakesHalfTheStepsOfTwoPixelsFromVistaOnEachWaitingTheRoundedDelay) {
  Stage seven(1024, 96, 7);
  std::vector<int64_t> at;
  EXPECT_EQ(seven.Run(25, 0, [&](int32_t) { at.push_back(seven.fake.now_ticks()); }), 513);
  // Step k is due 19 tenths of a millisecond after step k - 1 was: drawing
  // time is not added to the schedule.
  for (size_t i = 1; i < at.size(); ++i) {
    const double step_ms = static_cast<double>(at[i] - at[i - 1]) / kTicksPerMs;
    ASSERT_GE(step_ms, 1.85);
    ASSERT_LT(step_ms, 1.95);
  }
  EXPECT_NEAR(static_cast<double>(at.back() - at.front()) / kTicksPerMs, 512 * 1.9, 0.1);
  Stage xp(1024, 96, 5);
  xp.catalogue.context().waits = false;
  EXPECT_EQ(xp.Run(25, 0), 1025);
}

TEST(CornerCover, EveryBlockHasThePicturesAspectAndTheFirstCopiesNothing) {
  Stage stage(1024, 768, 5);
  stage.catalogue.context().waits = false;
  int32_t checked = 0;
  stage.Run(24, 0, [&](int32_t frame) {
    if (frame > 1 && frame % 97 != 0) return;
    const int32_t c = frame - 1;  // one pixel a step
    const int32_t e = static_cast<int32_t>(std::nearbyint(c * 0.75));
    // The top-left c x e block shows the new slide's bottom-right corner; the
    // rest is old.
    for (int32_t y = 0; y < 768; y += 7)
      for (int32_t x = 0; x < 1024; x += 5) {
        const bool covered = x < c && y < e;
        const uint32_t want = covered ? NewPixel(1024 - c + x, 768 - e + y) : OldPixel(x, y);
        ASSERT_EQ(stage.dst.at(x, y), want) << "c=" << c << " at " << x << "," << y;
      }
    ++checked;
  });
  EXPECT_GT(checked, 5);
}

TEST(SplitPush, DirectionThreeDrawsPhaseTwosNewPartWithTheRoundedHeight) {
  // H = 767: at A = 2 the new part is round(383.5 + 2) = 386 rows high
  // (rounded half to even, not cut to 385) and the old part below it starts at
  // row 386 and shows old rows 4 on.
  Stage stage(64, 767, 7);
  stage.catalogue.context().waits = false;
  const int32_t phase1 = 384 / 2 + 1;  // A = 0, 2, ..., 384
  stage.Run(26, 3, [&](int32_t frame) {
    if (frame != phase1 + 2) return;
    for (int32_t y = 0; y < 767; ++y) {
      const uint32_t want = y < 386 ? NewPixel(9, 382 + y) : OldPixel(9, y - 386 + 4);
      if (y + 382 >= 767 && y < 386) continue;  // the new part reaches past the slide
      ASSERT_EQ(stage.dst.at(9, y), want) << y;
    }
  });
}

TEST(Smear, WideWindowsSmearWithAFourPixelPenThatIsAlwaysPutBack) {
  Stage wide(1024, 200);
  wide.catalogue.context().waits = false;
  int32_t during = 0;
  wide.Run(17, 1, [&](int32_t frame) {
    during = std::max(during, wide.catalogue.current_draw_width());
    // After the second frame the smeared lines cover every row but the top one.
    if (frame == 2) {
      for (int32_t y = 1; y < 200; ++y)
        ASSERT_NE(wide.dst.at(100, y), OldPixel(100, y)) << y;
    }
  });
  EXPECT_EQ(during, 4);
  EXPECT_EQ(wide.catalogue.draw_width(), 1);

  Stage interrupted(1024, 200);
  interrupted.catalogue.context().waits = false;
  const int32_t frames = interrupted.Run(17, 3, [&](int32_t frame) {
    if (frame == 10) interrupted.state.NextRequested = true;
  });
  EXPECT_EQ(frames, 10);
  EXPECT_EQ(interrupted.catalogue.draw_width(), 1);

  Stage narrow(640, 100);
  narrow.catalogue.context().waits = false;
  int32_t narrow_width = 0;
  EXPECT_EQ(narrow.Run(17, 0,
                       [&](int32_t) {
                         narrow_width =
                             std::max(narrow_width, narrow.catalogue.current_draw_width());
                       }),
            101);
  EXPECT_EQ(narrow_width, 1);
}

TEST(FallingBars, ThirtyTwoBarsOfTwentyFourPixelsFallFromTheBottom) {
  Stage stage(1024, 768);
  stage.catalogue.context().waits = false;
  const int32_t frames = stage.Run(37, 0, [&](int32_t frame) {
    const int32_t m = (frame - 1) * 8;
    if (m == 24) {
      // Bar 1 (rows 744-767) is released and has fallen round(1 + 0.8) = 2
      // rows; rows 744-745 above it show the new slide.
      EXPECT_EQ(stage.dst.at(50, 743), OldPixel(50, 743));
      EXPECT_EQ(stage.dst.at(50, 744), NewPixel(50, 744));
      EXPECT_EQ(stage.dst.at(50, 745), NewPixel(50, 745));
      EXPECT_EQ(stage.dst.at(50, 746), OldPixel(50, 744));
      EXPECT_EQ(stage.dst.at(50, 767), OldPixel(50, 765));
    }
    if (m == 48) {  // bar 2 (rows 720-743) starts; bar 1 is round(6.4 + 3.2) = 9 rows down
      EXPECT_EQ(stage.dst.at(50, 722), OldPixel(50, 720));
      EXPECT_EQ(stage.dst.at(50, 744 + 9), OldPixel(50, 744));
    }
  });
  EXPECT_EQ(frames, 1152 / 8 + 1);  // the last frame has m = 1152
}

TEST(CurtainDrop, ColumnsStartOnFramesOneThreeSixAndThreeKMinusThree) {
  Stage stage(1024, 768);
  stage.catalogue.context().waits = false;
  std::vector<int32_t> started(33, 0);
  stage.Run(36, 1, [&](int32_t frame) {
    for (int32_t k = 1; k <= 32; ++k) {
      const int32_t x = 1024 - 32 * k;
      if (started[static_cast<size_t>(k)] == 0 && stage.dst.at(x, 0) == NewPixel(x, 0))
        started[static_cast<size_t>(k)] = frame;
    }
  });
  EXPECT_EQ(started[1], 1);
  EXPECT_EQ(started[2], 3);
  EXPECT_EQ(started[3], 6);
  for (int32_t k = 2; k <= 32; ++k)
    EXPECT_EQ(started[static_cast<size_t>(k)], 3 * k - 3) << k;
}

TEST(TransitionInterruption, ASinglePhaseRoutineReturnsAfterTheCurrentFrame) {
  for (const int32_t number : {15, 25, 36}) {
    Stage stage(320, 240);
    const int32_t frames = stage.Run(number, 0, [&](int32_t frame) {
      if (frame == 20) stage.state.NextRequested = true;
    });
    EXPECT_EQ(frames, 20) << number;
  }
  // RelayoutPending does not cut a wait short, but ends the routine at the
  // flag test after it.
  Stage stage(320, 240);
  const int64_t start = stage.fake.now_ticks();
  EXPECT_EQ(stage.Run(23, 0, [&](int32_t frame) { stage.state.RelayoutPending = frame == 3; }), 3);
  EXPECT_GE(ElapsedMs(stage, start), 3 * 6.0);
}

TEST(TransitionInterruption, AMultiPhaseRoutineDrawsOneFrameOfItsLaterPhase) {
  Stage stage(320, 240);
  stage.catalogue.context().waits = false;
  const int32_t frames = stage.Run(26, 0, [&](int32_t frame) {
    if (frame == 10) stage.state.NextRequested = true;
  });
  EXPECT_EQ(frames, 11);
  // Phase 2's first frame (A = 0): the old slide's right half on the left,
  // the new slide's left half on the right.
  EXPECT_EQ(stage.dst.at(5, 7), OldPixel(165, 7));
  EXPECT_EQ(stage.dst.at(165, 7), NewPixel(5, 7));

  // Cut short in its first phase, each routine with several phases draws the
  // first frame of each later phase, skips its pauses (they return at once
  // while the request is pending) and still runs its closing copy.
  struct Case {
    int32_t number, dir, later_phases;
    bool closes_with_new;
  };
  for (const Case c : {Case{7, 0, 1, false}, Case{19, 0, 1, true}, Case{32, 0, 1, false},
                       Case{32, 1, 1, false}, Case{35, 0, 2, true}}) {
    Stage cut(320, 240);
    const int64_t start = cut.fake.now_ticks();
    EXPECT_EQ(
        cut.Run(c.number, c.dir, [&](int32_t frame) { cut.state.NextRequested = frame >= 2; }),
        2 + c.later_phases)
        << c.number;
    EXPECT_LT(ElapsedMs(cut, start), 150) << c.number;
    if (c.closes_with_new) {
      EXPECT_EQ(cut.dst.at(160, 120), NewPixel(160, 120)) << c.number;
    }
  }

  // PageFold still puts P4 back to black when it is cut short.
  Stage fold(320, 240);
  fold.Run(33, 1, [&](int32_t frame) { fold.state.ShowPaused = frame == 5; });
  EXPECT_EQ(fold.p4.at(3, 3), 0u);
}

// MirrorBand's steps add to the picture: drawing slower than its schedule
// still draws every step, the steps that are due together as one frame, and
// keeps its budget.
TEST(TransitionPacing, FastDrawingTakesTheBudgetAndSlowDrawingJoinsTheStepsThatAreDue) {
  for (const int32_t number : {15, 37}) {
    Stage stage(400, 300);
    const int64_t start = stage.fake.now_ticks();
    const int32_t frames = stage.Run(number, 0);
    const double ms = ElapsedMs(stage, start);
    const double budget = number == 37 ? 2500 : 1500;
    const double frame_ms = budget / frames;
    EXPECT_GE(ms, budget - frame_ms - 1) << number;
    EXPECT_LE(ms, budget + frame_ms + 1) << number;
  }
  Stage slow(400, 300);
  const int64_t start = slow.fake.now_ticks();
  const int32_t frames = slow.Run(15, 0, [&](int32_t) { slow.fake.AdvanceMs(5); });
  // Of 400 + 40 steps, each due 3.4 ms after the last, a frame every 5 ms.
  EXPECT_LE(frames, 1500 / 5 + 2);
  EXPECT_GE(frames, 1500 / 5 - 20);
  EXPECT_LE(ElapsedMs(slow, start), 1500 + 2 * 5 + 1);
  EXPECT_EQ(CountDiffering(slow.dst, NewPixel), 0);
}

TEST(TransitionPresenting, WhatIsDrawnOnTheVisibleSlideIsPresented) {
  Stage stage(320, 240);
  platform::WindowHandler handler;
  const platform::WindowId window = stage.fake.windows().Create({}, handler);
  stage.presenter.SetTarget(window, &stage.dst.surface());
  stage.presenter.PresentNow();
  const size_t before = stage.fake.presents().size();
  stage.Run(28, 1);
  ASSERT_GT(stage.fake.presents().size(), before + 10);
  // Presents are throttled to the display's frames: fewer than the frames drawn.
  EXPECT_LT(stage.fake.presents().size(), before + 320 / 4 + 1);
}

// The pictures the screen showed: each present's areas laid over the picture
// before, one picture per present (its areas share one time), as checksums
// like Checksum's.
std::vector<uint64_t> ShownPictures(const Stage& stage) {
  const platform::Surface& v = stage.dst.surface();
  std::vector<uint32_t> screen(static_cast<size_t>(v.width) * v.height, 0);
  std::vector<uint64_t> shown;
  const auto& presents = stage.fake.presents();
  for (size_t i = 0; i < presents.size(); ++i) {
    const platform::fake::PresentRecord& p = presents[i];
    size_t at = 0;
    for (int32_t y = p.area.top; y < p.area.bottom; ++y)
      for (int32_t x = p.area.left; x < p.area.right; ++x)
        screen[static_cast<size_t>(y) * v.width + x] = p.pixels[at++];
    if (i + 1 < presents.size() && presents[i + 1].at_ticks == p.at_ticks) continue;
    uint64_t h = 1469598103934665603u;
    for (const uint32_t pixel : screen)
      h = (h ^ pixel) * 1099511628211u;
    shown.push_back(h);
  }
  return shown;
}

// A machine that falls behind and loses time between steps: every reading of
// the clock costs 0.1 ms, every frame drawn 3 ms and every present 5 ms, and
// every fifth frame another program takes 40 ms.
void RunBusy(Stage& stage, int32_t number, int32_t dir) {
  stage.fake.set_counter_step(1000);
  stage.fake.set_present_ticks(5 * kTicksPerMs);
  stage.Run(number, dir, [&](int32_t frame) { stage.fake.AdvanceMs(frame % 5 == 0 ? 43 : 3); });
}

// Frames are drawn from the time. On a busy machine every picture that
// reaches the screen is the picture of one of a routine's steps as it draws
// them all (waits off), in the same order, and the screen ends on the same
// picture: steps that are overdue are left out when each redraws the whole
// picture, drawn together when they add to it. Each present follows the end
// of the last by at least a display frame, and the routine lasts its
// designed time but for a few frames' cost. The time of day stands still, so
// that the routines that reseed from it (Sparkle, PixelScatter) draw the same
// steps in both runs.
TEST(TransitionPacing, OnABusyMachineEveryShownFrameIsAStepOfTheRoutineInOrderAndOnTime) {
  for (const Size size : {Size{160, 120}, Size{321, 241}}) {
    for (const int32_t number : Built()) {
      for (int32_t dir = 0; dir < Variants(number); ++dir) {
        SCOPED_TRACE(Label(number, dir, size));
        Stage all(size.w, size.h);
        all.fake.set_local_time_frozen(true);
        std::vector<uint64_t> steps = FrameChecksums(all, number, dir);
        steps.insert(steps.begin(), Checksum(Stage(size.w, size.h).dst));  // the old slide
        Stage free(size.w, size.h);
        free.fake.set_local_time_frozen(true);
        const int64_t free_start = free.fake.now_ticks();
        free.Run(number, dir);
        const double designed = ElapsedMs(free, free_start);

        Stage busy(size.w, size.h);
        busy.fake.set_local_time_frozen(true);
        busy.fake.set_record_pixels(true);
        platform::WindowHandler handler;
        busy.presenter.SetTarget(busy.fake.windows().Create({}, handler), &busy.dst.surface());
        const int64_t start = busy.fake.now_ticks();
        RunBusy(busy, number, dir);
        EXPECT_LE(ElapsedMs(busy, start), designed + 150);

        size_t at = 0;
        for (const uint64_t shown : ShownPictures(busy)) {
          const auto found =
              std::find(steps.begin() + static_cast<std::ptrdiff_t>(at), steps.end(), shown);
          ASSERT_NE(found, steps.end())
              << "a picture that is no step, or out of order, after step " << at;
          at = static_cast<size_t>(found - steps.begin());
        }
        EXPECT_EQ(Checksum(busy.dst), Checksum(all.dst));
        const auto& presents = busy.fake.presents();
        for (size_t i = 1; i < presents.size(); ++i) {
          if (presents[i].at_ticks == presents[i - 1].at_ticks) continue;
          ASSERT_GE(presents[i].at_ticks - presents[i - 1].at_ticks,
                    5 * kTicksPerMs + kTicksPerMs * 1000 / 61);
        }
      }
    }
  }
}

// Step-based routines whose steps redraw everything last their designed time
// however slow the drawing: Push over 320 px takes 161 steps of 2 px, each due
// 6 ms after the last. Drawing a step in 15 ms, drawing them all would take
// 2.4 s; it takes its 0.97 s and leaves out the steps it cannot draw in time.
TEST(TransitionPacing, AStepBasedPushLastsItsDesignedTimeOnASlowMachine) {
  Stage stage(320, 96, 7);
  const int64_t start = stage.fake.now_ticks();
  const int32_t drawn = stage.Run(25, 0, [&](int32_t) { stage.fake.AdvanceMs(15); });
  const double ms = ElapsedMs(stage, start);
  EXPECT_LT(drawn, 161 / 2);
  EXPECT_NEAR(ms, 161 * 6.0, 15 + 1);
  EXPECT_EQ(stage.dst.at(319, 95), NewPixel(319, 95));
}

// A sweep of two million steps in 1.5 s (RandomBlocks' blocks at 4K) draws
// every step and keeps its budget, though each reading of the fake clock
// costs a microsecond: it does not read the clock for every step.
TEST(TransitionPacing, ASweepOfMillionsOfTinyStepsKeepsItsBudget) {
  Stage stage(16, 16);
  show::FrameRun run(stage.catalogue.context(), stage.surfaces());
  int64_t drawn = 0;
  const int64_t start = stage.fake.now_ticks();
  EXPECT_TRUE(show::SweepA(
      run, 1, 2'000'000, 1, 1500.0, [&](int32_t) { ++drawn; }, [](int32_t p) { return p / 2e6; }));
  EXPECT_EQ(drawn, 2'000'000);
  EXPECT_NEAR(ElapsedMs(stage, start), 1500, 20);
}

// Routines whose every step redraws what the earlier steps drew keep their
// designed time however slow the drawing: a run where each drawn frame costs
// 60 ms lasts what the run where drawing costs nothing lasts, plus at most
// the step under way when the time ran out and the last step, which is
// always drawn (and one more at each phase's end for the routines with
// phases). 32 with the two-way pick 1 is ZoomThrough.
TEST(TransitionPacing, RoutinesOfWholeStepsLastTheirDesignedTimeOnASlowMachine) {
  struct Case {
    int32_t number, phases;
  };
  constexpr int32_t kDrawMs = 60;
  constexpr Case kCases[] = {{6, 1},  {7, 2},  {19, 2}, {23, 1}, {24, 1}, {25, 1}, {26, 1}, {27, 1},
                             {28, 1}, {30, 1}, {31, 1}, {32, 2}, {33, 1}, {35, 3}, {40, 1}};
  for (const Case c : kCases) {
    for (int32_t dir = 0; dir < Variants(c.number); ++dir) {
      SCOPED_TRACE(Label(c.number, dir, {320, 240}));
      Stage free(320, 240);
      const int64_t free_start = free.fake.now_ticks();
      const int32_t steps = free.Run(c.number, dir);
      const double designed = ElapsedMs(free, free_start);
      Stage slow(320, 240);
      const int64_t start = slow.fake.now_ticks();
      const int32_t drawn = slow.Run(c.number, dir, [&](int32_t) { slow.fake.AdvanceMs(kDrawMs); });
      EXPECT_LE(ElapsedMs(slow, start), designed + (c.phases + 1) * kDrawMs + 1);
      EXPECT_LT(drawn, steps);
      EXPECT_EQ(CountDiffering(slow.dst, NewPixel), 0);
    }
  }
}

}  // namespace
}  // namespace lantern::transitions::testing

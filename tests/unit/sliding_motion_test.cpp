// Where the moving routines take each pixel from, in a frame half way
// through: MirrorBand's band is the new slide mirrored about its leading
// edge, and the lanes of Shredder, BandComb and BrickComb alternate between
// two opposite motions. The slides are coded so that every pixel tells which
// slide and which position it comes from.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/unit/transitions_test_support.h"

namespace lantern::transitions::testing {
namespace {

// Bit 23: the new slide; bits 11-22: the row; bits 0-10: the column.
uint32_t Coded(bool is_new, int32_t x, int32_t y) {
  return (is_new ? 1u << 23 : 0u) | static_cast<uint32_t>(y) << 11 | static_cast<uint32_t>(x);
}
uint32_t CodedOld(int32_t x, int32_t y) {
  return Coded(false, x, y);
}
uint32_t CodedNew(int32_t x, int32_t y) {
  return Coded(true, x, y);
}

struct CodedStage : Stage {
  CodedStage(int32_t w, int32_t h) : Stage(w, h) {
    dst.Paint(CodedOld);
    source.Paint(CodedNew);
    catalogue.context().waits = false;
  }
};

// Runs to the frame half way through (by a first run's count) and calls
// `check` there.
void AtTheMiddleFrame(int32_t number, int32_t dir, Size size,
                      const std::function<void(const BorderedSurface&)>& check) {
  const int32_t frames = CodedStage(size.w, size.h).Run(number, dir);
  CodedStage stage(size.w, size.h);
  bool checked = false;
  stage.Run(number, dir, [&](int32_t f) {
    if (f != frames / 2) return;
    check(stage.dst);
    checked = true;
  });
  EXPECT_TRUE(checked) << Label(number, dir, size) << " did not repeat its " << frames << " frames";
}

// A lane runs down a column (`down`) or along a row; `along` is the position
// on it, `across` the lane's column or row.
uint32_t LanePixel(const BorderedSurface& s, bool down, int32_t along, int32_t across) {
  return down ? s.at(across, along) : s.at(along, across);
}
uint32_t LaneCode(bool is_new, bool down, int32_t along, int32_t across) {
  return down ? Coded(is_new, across, along) : Coded(is_new, along, across);
}

// The band is 40 pixels wide. Moving towards larger positions (directions 0
// and 1) its edge is at f - 1 on frame f, else at the extent less f - 1. While
// the band lies wholly on the slide, the pixel k behind the edge shows the new
// pixel k ahead of it; the new slide lies in place behind the band, the old
// one in place ahead of it.
void ExpectMirroredBand(int32_t dir) {
  const Size size{160, 120};
  const bool down = dir % 2 == 1, forward = dir < 2;
  const int32_t n = down ? size.h : size.w;
  CodedStage stage(size.w, size.h);
  int32_t checked = 0;
  bool failed = false;
  stage.Run(15, dir, [&](int32_t f) {
    const int32_t edge = forward ? f - 1 : n - (f - 1);
    if (failed || edge < 40 || edge > n - 41) return;
    const auto want = [&](int32_t x, int32_t y) {
      const int32_t along = down ? y : x, across = down ? x : y;
      const int32_t behind = forward ? edge - along : along - edge;
      if (behind < 0) return LaneCode(false, down, along, across);
      if (behind >= 40) return LaneCode(true, down, along, across);
      return LaneCode(true, down, forward ? edge + behind : edge - behind, across);
    };
    const auto shown =
        ShowsPicture(stage.dst, want, Label(15, dir, size) + " frame " + std::to_string(f));
    failed = !shown;
    EXPECT_TRUE(shown);
    ++checked;
  });
  if (!failed) {
    EXPECT_EQ(checked, n - 80) << "frames with the band on the slide, dir " << dir;
  }
}

TEST(MirrorBand, TheBandMirrorsTheNewSlideAboutItsLeadingEdgeInEveryDirection) {
  for (int32_t dir = 0; dir < 4; ++dir)
    ExpectMirroredBand(dir);
}

// A stretch of a lane that shows one slide moved `shift` pixels along the
// lane: its pixels come from `shift` further along (towards the lane's end).
struct Stretch {
  bool is_new;
  int32_t shift, length;
};

// The stretches of a lane; a pixel that comes from another lane, or from
// neither slide, makes a stretch of its own with `from_elsewhere`.
std::vector<Stretch> Stretches(const BorderedSurface& s, bool down, int32_t across,
                               bool& from_elsewhere) {
  std::vector<Stretch> stretches;
  const int32_t n = down ? s.surface().height : s.surface().width;
  for (int32_t along = 0; along < n; ++along) {
    const uint32_t pixel = LanePixel(s, down, along, across);
    const bool is_new = (pixel >> 23 & 1) != 0;
    const auto x = static_cast<int32_t>(pixel & 0x7FF),
               y = static_cast<int32_t>(pixel >> 11 & 0xFFF);
    const int32_t from = down ? y : x, lane = down ? x : y;
    from_elsewhere = from_elsewhere || lane != across || pixel >> 24 != 0;
    const int32_t shift = from - along;
    if (stretches.empty() || stretches.back().is_new != is_new || stretches.back().shift != shift)
      stretches.push_back({is_new, shift, 0});
    ++stretches.back().length;
  }
  return stretches;
}

std::string Describe(const std::vector<Stretch>& stretches) {
  std::ostringstream text;
  for (const Stretch& s : stretches)
    text << " [" << s.length << (s.is_new ? " new" : " old") << " from " << s.shift << "]";
  return text.str();
}

// What one part of a lane shows: a slide, and which way it is displaced from
// its place along the lane: +1 towards the start (its pixels come from
// further along), -1 towards the end, 0 in place.
struct Part {
  bool is_new;
  int32_t moved;
};

int32_t Sign(int32_t v) {
  return (v > 0) - (v < 0);
}

struct LaneCase {
  int32_t number, dir;
  bool down;  // lanes are columns
  int32_t width;
  Part even[2], odd[2];  // lanes 0, 2, 4, ... and 1, 3, 5, ..., from the start
};

// Half way through, every lane of the routine shows its two parts in order,
// each a single stretch, the moving one moved the way its lane moves.
void ExpectLanes(const LaneCase& c) {
  const Size size{128, 96};
  const std::string label = Label(c.number, c.dir, size);
  AtTheMiddleFrame(c.number, c.dir, size, [&](const BorderedSurface& dst) {
    const int32_t lanes = (c.down ? size.w : size.h) / c.width;
    for (int32_t lane = 0; lane < lanes; ++lane)
      for (int32_t across = lane * c.width; across < (lane + 1) * c.width; ++across) {
        bool from_elsewhere = false;
        const std::vector<Stretch> seen = Stretches(dst, c.down, across, from_elsewhere);
        const Part* want = lane % 2 == 0 ? c.even : c.odd;
        bool as_wanted = !from_elsewhere && seen.size() == 2;
        for (size_t i = 0; i < 2 && as_wanted; ++i)
          as_wanted = seen[i].is_new == want[i].is_new && Sign(seen[i].shift) == want[i].moved;
        ASSERT_TRUE(as_wanted) << label << ": the lane at " << (c.down ? "column " : "row ")
                               << across << " shows" << Describe(seen);
      }
  });
}

constexpr Part kOldToStart{false, +1}, kOldToEnd{false, -1};
constexpr Part kNewToStart{true, +1}, kNewToEnd{true, -1};
constexpr Part kOld{false, 0}, kNew{true, 0};

// Shredder: 2-pixel lanes of the old slide; the odd ones slide towards the
// start and the new slide fills in after them, the even ones slide towards
// the end behind the new slide. BandComb: 4-pixel bands of the new slide
// come in from the start (even) and from the end (odd) over the old slide.
// BrickComb: 4-pixel lanes of the new slide are laid in place from the start
// (even) and from the end (odd). Direction 0 uses rows, 1 columns (BandComb:
// the other way round).
TEST(CombedLanes, AlternateLanesMoveInOppositeDirections) {
  for (const LaneCase& c : {
           LaneCase{27, 1, true, 2, {kNew, kOldToEnd}, {kOldToStart, kNew}},
           LaneCase{27, 0, false, 2, {kNew, kOldToEnd}, {kOldToStart, kNew}},
           LaneCase{28, 1, false, 4, {kNewToStart, kOld}, {kOld, kNewToEnd}},
           LaneCase{28, 0, true, 4, {kNewToStart, kOld}, {kOld, kNewToEnd}},
           LaneCase{10, 1, true, 4, {kNew, kOld}, {kOld, kNew}},
           LaneCase{10, 0, false, 4, {kNew, kOld}, {kOld, kNew}},
       })
    ExpectLanes(c);
}

}  // namespace
}  // namespace lantern::transitions::testing

// Test support for the transitions: slides inside a sentinel border, the
// player pieces on the fake backend and a catalogue wired to them, the
// numbers and directions to sweep, guarded runs, checksums, and picture
// comparisons that save what they saw as PNG files when they fail.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "show/pacing.h"
#include "show/presenter.h"
#include "show/show_state.h"
#include "show/surfaces.h"
#include "transitions/catalogue.h"

namespace lantern::transitions::testing {

// "0x00E01234".
std::string Hex(uint32_t pixel);

// A surface of w x h inside a border of kBorder pixels of a sentinel value
// that no drawing may change.
class BorderedSurface {
 public:
  static constexpr int32_t kBorder = 3;
  static constexpr uint32_t kSentinel = 0xA5C3E1F7;
  BorderedSurface(int32_t w, int32_t h)
      : outer_w_(w + 2 * kBorder),
        outer_h_(h + 2 * kBorder),
        memory_(static_cast<size_t>(outer_w_) * outer_h_, kSentinel) {
    view_.width = w;
    view_.height = h;
    view_.stride = outer_w_ * 4;
    view_.pixels = reinterpret_cast<uint8_t*>(memory_.data() + kBorder * outer_w_ + kBorder);
  }
  const platform::Surface& surface() const { return view_; }
  uint32_t at(int32_t x, int32_t y) const { return view_.Row(y)[x]; }
  void Paint(const std::function<uint32_t(int32_t, int32_t)>& colour) {
    for (int32_t y = 0; y < view_.height; ++y)
      for (int32_t x = 0; x < view_.width; ++x)
        view_.Row(y)[x] = colour(x, y);
  }
  bool SentinelIntact() const { return BrokenSentinel().empty(); }
  // Empty while the border is intact; else where the first changed border
  // pixel is (relative to the surface, so negative or past its size) and what
  // it holds.
  std::string BrokenSentinel() const {
    for (int32_t y = 0; y < outer_h_; ++y)
      for (int32_t x = 0; x < outer_w_; ++x) {
        const bool inside =
            x >= kBorder && x < outer_w_ - kBorder && y >= kBorder && y < outer_h_ - kBorder;
        const uint32_t pixel = memory_[static_cast<size_t>(y) * outer_w_ + x];
        if (!inside && pixel != kSentinel)
          return "at " + std::to_string(x - kBorder) + "," + std::to_string(y - kBorder) + ": " +
                 Hex(pixel);
        if (!inside || y == kBorder || y == outer_h_ - kBorder - 1) continue;
        x = outer_w_ - kBorder - 1;  // skip the inside of the row
      }
    return {};
  }

 private:
  int32_t outer_w_, outer_h_;
  std::vector<uint32_t> memory_;
  platform::Surface view_;
};

// Distinct, position-dependent pictures, so that a pixel from the wrong place
// or the wrong slide shows.
inline uint32_t OldPixel(int32_t x, int32_t y) {
  return 0x00100000u | static_cast<uint32_t>((x * 7 + y * 131) & 0xFFFF);
}
inline uint32_t NewPixel(int32_t x, int32_t y) {
  return 0x00E00000u | static_cast<uint32_t>((x * 13 + y * 257 + 5) & 0xFFFF);
}

// The player's pieces on the fake backend and five bordered slides.
struct Stage {
  Stage(int32_t w, int32_t h, int32_t version_class = 7)
      : dst(w, h),
        source(w, h),
        tmp(w, h),
        p4(w, h),
        p5(w, h),
        catalogue({pacer, presenter, state, fake.clock(), rnd, version_class, 1500}) {
    dst.Paint(OldPixel);
    source.Paint(NewPixel);
    for (BorderedSurface* s : {&tmp, &p4, &p5})
      s->Paint([](int32_t, int32_t) { return 0x00123456u; });
  }
  show::Surfaces surfaces() const {
    return {dst.surface(), source.surface(), tmp.surface(), p4.surface(), p5.surface()};
  }
  // Empty while the borders are intact, else which surface's border changed
  // first and where: of the surfaces a transition writes (PicSource is only
  // read), or of all five.
  std::string BrokenSentinel(bool written_only) const;
  // Runs a transition; `each_frame` sees the frame number (1-based) after each frame.
  int32_t Run(int32_t number, int32_t dir, const std::function<void(int32_t)>& each_frame = {}) {
    int32_t frames = 0;
    catalogue.context().on_frame = [&] {
      ++frames;
      if (each_frame) each_frame(frames);
    };
    catalogue.Run(number, surfaces(), dir & 1, dir);
    catalogue.context().on_frame = {};
    return frames;
  }

  platform::fake::FakePlatform fake;
  show::ShowState state;
  show::Presenter presenter{fake};
  show::Pacer pacer{fake, state, presenter};
  base::Rnd rnd;
  BorderedSurface dst, source, tmp, p4, p5;
  Catalogue catalogue;
};

struct Size {
  int32_t w, h;
};

// "Push dir 2 at 200x150": what a failure is about.
std::string Label(int32_t number, int32_t dir, Size size);

// Every number with a routine: the ones the run loop can pick.
std::vector<int32_t> Built();

// The direction values to run a number with: its directions, and for 32 the
// two-way pick that chooses between its two routines.
int32_t Variants(int32_t number);

// The routines whose steps depend on the system's version class.
inline bool StepsByVersion(int32_t number) {
  return (number >= 23 && number <= 26) || number == 29;
}

// Runs `number` in direction `dir` without waits, checking after every frame
// (every 100th in long runs: a write outside stays) that the borders of the
// surfaces it writes are intact, and at the end those of all five; a broken
// border fails naming the first frame it was seen after, the surface and the
// pixel. Returns the frame count. `too_many` frames end it with a next
// request, so a routine that would never end shows.
int32_t RunGuarded(Stage& stage, int32_t number, int32_t dir, int32_t too_many = 1 << 30);

// FNV-1a over the pixels, row by row.
uint64_t Checksum(const BorderedSurface& s);

// Runs without waits; the checksum of PicDst after each frame.
std::vector<uint64_t> FrameChecksums(Stage& stage, int32_t number, int32_t dir);

// Virtual milliseconds since `since` (in ticks).
double ElapsedMs(const Stage& stage, int64_t since);

// How many pixels of `s` differ from want(x, y).
int32_t CountDiffering(const BorderedSurface& s,
                       const std::function<uint32_t(int32_t, int32_t)>& want);

// The failure of ShowsPicture: how many pixels differ, where, the first one
// (position, actual and expected value), and the paths of the actual and
// expected pictures and of a map of the differences, written as PNG files.
// `tolerated` marks the pixels that may differ (empty: none).
::testing::AssertionResult PictureDiffers(const BorderedSurface& actual,
                                          const std::vector<uint32_t>& expected,
                                          const std::vector<bool>& tolerated,
                                          const std::string& what);

// Whether `actual` shows want(x, y) wherever tolerated(x, y) is false; `what`
// names the picture in the message and the files. Fast while they agree.
template <class Want, class Tolerated>
::testing::AssertionResult ShowsPicture(const BorderedSurface& actual, Want want,
                                        Tolerated tolerated, const std::string& what) {
  const platform::Surface& v = actual.surface();
  bool same = true;
  for (int32_t y = 0; y < v.height && same; ++y)
    for (int32_t x = 0; x < v.width; ++x)
      if (actual.at(x, y) != want(x, y) && !tolerated(x, y)) {
        same = false;
        break;
      }
  if (same) return ::testing::AssertionSuccess();
  std::vector<uint32_t> expected;
  std::vector<bool> may_differ;
  for (int32_t y = 0; y < v.height; ++y)
    for (int32_t x = 0; x < v.width; ++x) {
      expected.push_back(want(x, y));
      may_differ.push_back(tolerated(x, y));
    }
  return PictureDiffers(actual, expected, may_differ, what);
}

template <class Want>
::testing::AssertionResult ShowsPicture(const BorderedSurface& actual, Want want,
                                        const std::string& what) {
  return ShowsPicture(
      actual, want, [](int32_t, int32_t) { return false; }, what);
}

}  // namespace lantern::transitions::testing
